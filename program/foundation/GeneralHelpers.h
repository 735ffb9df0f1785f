#pragma once
// Procedures of the program's general module that many windows share: the
// busy check every command asks before it starts, the engine's last error
// text for display, the Windows version numbers, the time-zone shift of
// listing dates and the table of zone names, the debug privilege, the
// account-status question after a failed sign-in, the exclusion test of
// local folders and files, and reading a size text with its unit.

#include <QString>

#include "program/foundation/ProgramState.h"

namespace OrvaneMac::modGeneral {

// True while a backup, restore, synchronisation, other job or search runs;
// the caller then refuses its command.
[[nodiscard]] bool JobProgressCheck();

// The engine's last error text (Program().LastEngineError) up to its first
// CR or NUL.
[[nodiscard]] QString dav_geterrorstring();

// The Windows major and minor version; 0 after a failure.
[[nodiscard]] Long getMajorVersion();
[[nodiscard]] Long getMinorVersion();

// A zone offset ("+0530", "-0800") in seconds, as text ("19800", "-28800").
// An offset shorter than five characters (blanks aside) is first padded
// with "0" at its end, in the caller's variable ("+05" becomes "+0500").
// "19800" when the offset cannot be read.
QString Secondcalculation(QString& offset);

// A listing date text of the user's locale shifted by the zone offset, in
// the general date form; the date text unchanged when it cannot be read.
// The zone label is not used.
[[nodiscard]] QString ConvertStdTime(const QString& dateText, const QString& zoneLabel, QString zoneOffset);

// Fills Program().TimeZoneTable with the 82 zone texts.
void AssignDataToArray();

// Enables (or disables) the debug privilege of the program's process.
void EnableDebugPrivilege(bool enable);

// The account's status after a failed sign-in, asked of a new engine
// controller: 1 cancelled, 2 expired, 3 nothing found, 4 wrong password,
// 5 unknown user name; 0 when the controller cannot be made or cannot
// answer.
[[nodiscard]] Integer CheckAccountStatus(const QString& user, const QString& password);

// Whether a local path (kind "Folder" or "File", exactly) is excluded: its
// entry in the exclusion list, or its last name matching a pattern. A
// trailing "\" is first removed from the caller's path, whatever the answer.
[[nodiscard]] bool IsExcludedItem(QString& path, const QString& kind);

// The bytes of a size text ("1.50 KB", "1,024.00 MB"): the number, read in
// the user's locale as the size texts are written, times the unit (" GB",
// " MB", " KB" or " B"); 0 without a blank or with any other unit.
[[nodiscard]] double GetSizeinBytes(const QString& sizeText);

}  // namespace OrvaneMac::modGeneral
