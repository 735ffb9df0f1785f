#pragma once
// The file side of the session-log viewer: which files of the session
// folder are session logs, their order (newest first), the row each one
// makes in the viewer's list and the way from a row back to its file.
//
// A session log is named by its kind word, a blank, the date as
// mm-dd-yyyy, two blanks, the time as HH-MM-SS and ".txt"
// ("Restore 09-15-2010  14-22-05.txt"). The engine writes only "Restore"
// logs; other kinds are files put there by other means.
//
// Every row keeps the real name of the file it was made from. Opening and
// deleting act on exactly that file, never on a name rebuilt from the
// row's texts: a copy named "Restore 09-15-2010  14-22-05 (2).txt" shows
// the same start time as its original, and deleting the copy's row must
// not delete the original.

#include <QString>

#include <optional>

#include "platform/values/Collection.h"

namespace OrvaneMac {

// The session folder: the program folder, "\", the application word and
// "\Session\".
[[nodiscard]] QString SessionFolder();

// The 12-digit sort key (year, month, day, hour, minute; seconds left out)
// of a date-time text that begins mm-dd-yyyy or mm/dd/yyyy and has its time
// after it with ":" between hours and minutes ("09-15-2010  14:22:05"
// gives "201009151422"). A text that cannot be read writes the trace line
// of the scheduler and gives "", which sorts as the oldest.
[[nodiscard]] QString SessionSortKey(const QString& dateTime);

// Appends to `list` the names of all listable session logs of the session
// folder, newest first (of two logs of the same minute, the one the folder
// walk met later comes first). Nothing while a listing block flag is set;
// nothing for a missing folder. Writes no trace.
void ListSessionLogNames(const vb::CollectionPtr& list);

// One row of the viewer's list.
struct SessionLogRow {
  int icon = 0;          // small icon: 2 "Restore", 1 "Schedule", 0 none
  QString startTime;     // 21 characters from the name's first blank
  QString description;   // "Interactive Restore ", "Schedule " or ""
  QString sortKey;       // the hidden "SCol" column
  QString fileName;      // the real file name, without its folder
};

// The row of a file name; nothing for a name without a blank.
[[nodiscard]] std::optional<SessionLogRow> SessionLogRowOf(const QString& fileName);

// The file name the row's texts stand for (kind word, blank, start time
// trimmed, ".txt"). Raises run-time error 5 for a row without a
// description (a file of another kind).
[[nodiscard]] QString SessionFileNameOfRow(const QString& description, const QString& startTime);

// Opens a document with the program associated with its type, or offers
// the system's choice of program when there is none (and says so when
// even that cannot be offered); sets the main window's one-shot repaint
// flag. `formName` goes into the trace lines.
void ViewFile(const QString& formName, const QString& document);

// Tells the user that `document` could not be opened and why (the program's
// message box, warning icon, OK).
void ShowUnopenedFile(const QString& document, const QString& reason);

}  // namespace OrvaneMac
