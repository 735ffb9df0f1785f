#pragma once
// The program's text tables: plain text files of one record per line.
//
// A keyed record starts with its key and a two-character separator: two
// characters of code 251, or, in a line without that pair, two characters
// of code 8 (backspace); the rest of the line is the record's data. A
// backup-set record starts with the set's name followed by one Chr(8) and
// the set's entries, each ended by Chr(8).
//
// Tables are UTF-16 unless the caller's ANSI flag is -1 (then the 8-bit
// system code page). A missing table reads as an empty one. The module
// holds the stream of the table it reads in one slot; each open replaces
// it, a normal end closes it.
//
// Emptying a collection (ClearBacksetData) is also how the session-log
// viewer, the search window and the local tree clear their lists.

#include <QString>

#include <vector>

#include "platform/values/Collection.h"
#include "program/foundation/ProgramState.h"

namespace OrvaneMac::DBaction {

// With an empty key: every line of the table into records[0], records[1],
// ...; true when at least one line was read (an empty table leaves the
// array as it was). With a key: the first line whose text before its
// separator equals the key exactly (case counts) into records[0], true;
// none: records[0] = "", false. An array too small for the table, an
// unreadable file or an empty array answers false; nothing is traced.
bool ReadTableRecords(const QString& key, const QString& path, std::vector<QString>& records, Integer& ansiFlag);

// The number of lines of the table; 0 when it does not exist. More than
// 32767 lines raise run-time error 6 (overflow), as does any failure of
// the reading: the caller's own handling takes it.
Integer GetRecordCount(const QString& path, Integer& ansiFlag);

// Rebuilds Program().BackupSetNameList from the table
// Program().BackupSetListFile, each record keyed by its set's name. A
// second record of the same name stops the rebuild there (the error line
// is written; the records before it stay).
void DB_ReadBackdata();

// The text before the record's first Chr(8); "" when it has none.
QString GetBackSetName(const QString& record);

// Removes every entry of the collection. A collection variable that holds
// no collection writes the program's error line and changes nothing.
void ClearBacksetData(const vb::CollectionPtr& collection);

// Refills the collection with the lines of the table, each its own key. A
// duplicate line stops the filling there with the error line.
void DB_ReadMaildata(const vb::CollectionPtr& collection, const QString& path);

}  // namespace OrvaneMac::DBaction
