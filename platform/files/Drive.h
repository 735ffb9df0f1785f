#pragma once
// The file-system object's drives, over the drive table of platform/paths.
//
// A drive exists when its letter is in the drive table. It is ready when its
// host root is a folder the file system answers for. Its type is decided
// from what the host mount tells (DecideDriveType): a read-only mount counts
// as a CD-ROM drive, because the legacy callers test for type 4 to refuse a
// destination that cannot be written; a network file system is a network
// drive; everything else is a fixed drive.

#include <QChar>
#include <QString>

namespace win {

// Drive.DriveType values.
enum DriveTypeConst : int {
  DriveTypeUnknown = 0,
  DriveTypeRemovable = 1,
  DriveTypeFixed = 2,
  DriveTypeNetwork = 3,
  DriveTypeCDRom = 4,
  DriveTypeRamDisk = 5,
};

// What the host tells about a drive's root.
struct DriveFacts {
  bool rootReachable = false;      // the root folder exists and statvfs answers
  bool readOnlyMount = false;      // ST_RDONLY
  bool networkFileSystem = false;  // NFS, SMB/CIFS and the like
};

// The legacy drive type for those facts (a pure decision for tests).
[[nodiscard]] int DecideDriveType(const DriveFacts& facts);

class Drive {
 public:
  // Upper-case drive letter.
  [[nodiscard]] QChar DriveLetter() const { return letter_; }
  // "C:", the drive object's default value.
  [[nodiscard]] QString Path() const { return QString(letter_) + u':'; }
  // "C:\".
  [[nodiscard]] QString RootFolder() const { return Path() + u'\\'; }

  [[nodiscard]] bool IsReady() const;
  [[nodiscard]] int DriveType() const;
  // Bytes; 71 when the drive is not ready.
  [[nodiscard]] qint64 AvailableSpace() const;
  [[nodiscard]] qint64 FreeSpace() const;
  [[nodiscard]] qint64 TotalSize() const;

 private:
  friend Drive GetDrive(const QString& drive);
  explicit Drive(QChar letter) : letter_(letter) {}
  QChar letter_;
};

// DriveExists: true when `drive` ("C", "C:", "C:\", or any path on the drive)
// names a drive of the drive table. Never raises.
[[nodiscard]] bool DriveExists(const QString& drive);

// GetDrive: the drive that `drive` names. 68 "Device unavailable" when the
// letter is not in the drive table, 5 when `drive` names no drive letter.
[[nodiscard]] Drive GetDrive(const QString& drive);

}  // namespace win
