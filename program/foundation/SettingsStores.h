#pragma once
// The settings the program keeps outside its INI files: one-value side
// files, values under its registry key "Software\OVMac", and its start-up
// entry in the Run key.
//
// Side files are one-line UTF-16 files in the application folder:
//
//   kind  file                     folder
//   1     <account name> + ".txt"  application folder\<account name>   scrambled password
//   2     "ZQOpenfilepath.txt"     application folder\<name>           a path
//   3     "OVTemppath.txt"         application folder\<name>           the temporary folder
//   4     "ZQSystemStatePath.txt"  application folder\<name>           a path
//   5     "ZQProxyUser.txt"        application folder itself            scrambled proxy password
//
// The engine reads kinds 1 and 5 from the same files, through the same
// routines (SideFiles.h of the engine); kind 3 is the program's own (the
// engine's is "ZQTemppath.txt"). Registry values and the start-up entry go
// to the machine hive before Windows 6 and to the user's hive from 6 on.

#include <QString>

#include "program/foundation/ProgramState.h"

namespace OrvaneMac::modGeneral {

// Replaces the side file of `kind` for the account `name` (an empty name:
// the application folder itself) by `value` and a line end, creating the
// application folder and the account's folder when they are missing.
// Passwords (kinds 1 and 5) are written as given, already scrambled; paths
// trimmed. An empty value of kind 5 leaves no file. Failures are skipped.
void WriteProfileFile(const QString& name, const QString& value, Integer kind);

// The value of a side file, or when it is blank the registry value that
// stands in for it (kind 1: the value named by the scrambled account name;
// 2 "VSSTEMPPATH", 3 "TempFolder", 4 "SYSSTATE"; kind 5 none). Kind 1 comes
// back scrambled, kind 5 unscrambled. "" when nothing is found.
[[nodiscard]] QString ReadProfileFile(const QString& name, Integer kind);

// A password kept for `name` in a side file of kind 1 (or the proxy
// password, kind 5, with the empty name), scrambled. The scrambler keeps
// only characters up to U+00FF: a password holding others is kept for this
// run only, and the side file is emptied so that no stale password stays.
void SavePasswordFile(const QString& name, const QString& password, Integer kind);
// The password SavePasswordFile kept, unscrambled: this run's own when it
// could not be written, else the side file's (or its registry fallback).
[[nodiscard]] QString ReadPasswordFile(const QString& name, Integer kind);

// Sets the REG_SZ value `valueName` (trimmed) of "Software\OVMac" to `text`.
void WriteProfileToRegistry(const QString& valueName, const QString& text);

// The REG_SZ value `valueName` of "Software\OVMac" up to its first CR or
// NUL; "" when the key or the value is missing or the value is 1024
// characters or longer.
[[nodiscard]] QString ReadProfilefromRegistry(const QString& valueName);

// Writes and removes the start-up entry "ZQWIN" of
// "Software\Microsoft\Windows\Currentversion\run": the quoted path of
// "OrvaneRestore_100.exe" in the program folder.
void AddToStartup();
void RemoveFromStartup();

// The characters of a NUL-terminated UTF-16 string; "" for a null pointer.
[[nodiscard]] QString StringFromPointer(const char16_t* text);

}  // namespace OrvaneMac::modGeneral

namespace OrvaneMac::modSHGetSpecialFolderPath {

// The Windows folder; "" when the system has none.
[[nodiscard]] QString GetWindowDir();

}  // namespace OrvaneMac::modSHGetSpecialFolderPath
