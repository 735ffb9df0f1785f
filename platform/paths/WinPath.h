#pragma once
// Windows-form paths inside the system, host paths at its edge.
//
// Every path the system keeps, logs or compares has the Windows form its
// files and users expect: a drive letter, "\" separators, names compared
// without regard to case. This module is the only place that turns such a
// path into a host path and back, through a drive table that gives each
// drive letter a host folder as its root.
//
// The drive table comes from the environment variable ORVANE_DRIVES, a list
// of "<letter>=<host folder>" separated by ";" (for example
// "C=/home/me;D=/media/backup;Z=/"). Without it, C: is the user's home folder
// and Z: is the host root "/". Tests install their own table with
// ScopedDriveTable.
//
// Rules of the mapping:
//   - "\" and "/" both separate names; repeated separators collapse; "." and
//     ".." are resolved on the text, before any look-up, as Windows does.
//   - "C:\x" is absolute; "\x" is rooted on the current drive; "C:x" and "x"
//     are relative to the current folder of that drive (the emulated current
//     folder, see ChDir).
//   - A name that exists in the host folder under another case is found
//     (exact case first, then the first case-insensitive match in name
//     order); names that do not exist are kept as given, so new files and
//     folders are created with the caller's spelling.
//   - A host path maps back to the drive whose root is the longest prefix.
//   - A drive root the user cannot create entries in (one that is not the
//     user's own, such as the host root "/" of the default Z:, or one the
//     user cannot write) keeps the names it holds; any other name directly
//     below it lives in the user's store for that drive (UserStoreRoot), so
//     a program that makes a work folder at its drive's root works wherever
//     it is installed. The store is ORVANE_USER_STORE/<letter>, by default
//     ~/.local/share/Orvane/VirtualStore/<letter>, created private when first
//     needed; its paths map back to their drive.

#include <QChar>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

namespace win {

class DriveTable {
 public:
  DriveTable() = default;

  // The table of ORVANE_DRIVES, or the default one.
  [[nodiscard]] static DriveTable FromEnvironment();
  // Parses "<letter>=<folder>;..." (a colon after the letter is allowed);
  // nothing when the text is malformed.
  [[nodiscard]] static std::optional<DriveTable> Parse(const QString& text);

  // Maps `letter` (case-insensitive) to the absolute host folder `hostRoot`.
  void Map(QChar letter, const QString& hostRoot);

  // Upper-case letter -> cleaned absolute host folder, in letter order.
  [[nodiscard]] const std::map<QChar, QString>& Drives() const { return drives_; }
  [[nodiscard]] std::optional<QString> RootOf(QChar letter) const;

 private:
  std::map<QChar, QString> drives_;
};

// The table in force (loaded from the environment on first use).
[[nodiscard]] DriveTable CurrentDriveTable();
void SetDriveTable(const DriveTable& table);

// Installs a table for the life of the guard (and resets the emulated
// current folder to the root of the first drive); restores the old one.
class ScopedDriveTable {
 public:
  explicit ScopedDriveTable(const DriveTable& table);
  ~ScopedDriveTable();
  ScopedDriveTable(const ScopedDriveTable&) = delete;
  ScopedDriveTable& operator=(const ScopedDriveTable&) = delete;

 private:
  DriveTable saved_;
  QString savedCurDir_;
};

// The full Windows form of `path`: resolved against the emulated current
// folder, separators collapsed, "." and ".." resolved, a drive root keeping
// its "\" ("C:\"), no trailing "\" otherwise. An empty path stays empty.
[[nodiscard]] QString FullPath(const QString& path);

// True when `path` names a drive root: "C:\", or "\" on the current drive. A
// bare "C:" names the current folder of drive C:, a root only while that
// folder is.
[[nodiscard]] bool IsDriveRoot(const QString& path);

// The drive letter of a full path (upper case), or a null QChar.
[[nodiscard]] QChar DriveLetter(const QString& path);

// The host path for a Windows path; empty when its drive is not in the table
// or the path holds a NUL character. The host path never leaves the root of
// the drive the path names.
[[nodiscard]] QString ToHostPath(const QString& path);

// The Windows path for a host path (absolute, or relative to the process's
// working folder); empty when no drive holds it.
[[nodiscard]] QString ToWindowsPath(const QString& hostPath);

// The emulated current drive and folder. CurDir() answers the current folder
// of the current drive, CurDir('D') that of drive D: (its root until set).
[[nodiscard]] QString CurDir(QChar drive = QChar());
// Makes `path` (any form) the current folder of its drive and that drive the
// current drive. Answers false, changing nothing, when the drive is not
// mapped or the folder does not exist.
bool ChDir(const QString& path);
// Makes `drive` ("D" or "D:") the current drive; false when not mapped.
bool ChDrive(const QString& drive);

// The program folder, in Windows form: the folder of the running executable
// (the engine library counts as being in the same folder), unless set.
[[nodiscard]] QString ProgramFolder();
void SetProgramFolder(const QString& windowsPath);

// The 8.3 short form of a path: there are no short names here, so the path
// itself (empty for a path that does not exist, as the system answers).
[[nodiscard]] QString GetShortPathName(const QString& path);

// The host folder that holds the names below the root of `drive` that its
// real root cannot take (see the rules above).
[[nodiscard]] QString UserStoreRoot(QChar drive);

// Joins a folder and a name with exactly one "\" between them.
[[nodiscard]] QString JoinPath(const QString& folder, const QString& name);

}  // namespace win
