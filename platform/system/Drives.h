#pragma once
// The drives: the letters of the drive table (platform/paths/WinPath.h) and
// what kind of storage holds each root.
//
// The kind comes from the host mount that holds the drive's root folder
// (/proc/self/mountinfo): a network file system is a remote drive, a CD or
// DVD file system or any read-only mount a CD-ROM (the legacy code only
// asks whether it can write there), tmpfs a RAM disk, a device the kernel
// marks removable or a mount under /media a removable drive, anything else
// a fixed drive.
//
// Two numberings are in use and differ: GetDriveType's (DRIVE_*: fixed 3,
// remote 4, CD-ROM 5) and the file-system object's DriveType (fixed 2,
// network 3, CD-ROM 4). Both are answered.

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace win {

// GetDriveType.
inline constexpr unsigned DRIVE_UNKNOWN = 0;
inline constexpr unsigned DRIVE_NO_ROOT_DIR = 1;
inline constexpr unsigned DRIVE_REMOVABLE = 2;
inline constexpr unsigned DRIVE_FIXED = 3;
inline constexpr unsigned DRIVE_REMOTE = 4;
inline constexpr unsigned DRIVE_CDROM = 5;
inline constexpr unsigned DRIVE_RAMDISK = 6;

// The file-system object's Drive.DriveType.
enum FsoDriveType : int {
  fsoUnknownType = 0,
  fsoRemovable = 1,
  fsoFixed = 2,
  fsoRemote = 3,
  fsoCDRom = 4,
  fsoRamDisk = 5,
};

// "C:\", "D:\", ... in letter order.
[[nodiscard]] QStringList LogicalDrives();
// GetLogicalDriveStrings: the roots, each ended by NUL, and one more NUL.
[[nodiscard]] QString GetLogicalDriveStrings();
// GetLogicalDrives: bit 0 for A:, bit 2 for C:, ...
[[nodiscard]] std::uint32_t GetLogicalDrives();

// GetDriveType of the drive of `rootPath` ("C:\", "C:", or any path on the
// drive; empty: the current drive). DRIVE_NO_ROOT_DIR for a letter not in
// the table or whose host folder is missing.
[[nodiscard]] unsigned GetDriveType(const QString& rootPath);

// A GetDriveType number as the file-system object's DriveType.
[[nodiscard]] int FsoDriveTypeOf(unsigned driveType);

// One line of the host's mount table.
struct MountEntry {
  QString mountPoint;
  QString fileSystem;  // "ext4", "nfs4", "tmpfs", ...
  QString source;      // "/dev/sda1", "server:/export", ...
  bool readOnly = false;
};

// The mount of /proc/self/mountinfo text `mountInfo` that holds the
// absolute host path `hostPath` (the longest mount point above it; the
// later of two equal ones, which covers the earlier).
[[nodiscard]] std::optional<MountEntry> FindMount(const QByteArray& mountInfo, const QString& hostPath);

// GetDriveType number of a mount; `removableDevice` when the kernel marks
// its device removable.
[[nodiscard]] unsigned ClassifyMount(const MountEntry& mount, bool removableDevice);

// What the file-system object's Drive tells about a drive.
struct DriveInfo {
  QChar letter;      // upper case
  QString rootPath;  // "C:\"
  QString hostRoot;  // the host folder of the root
  unsigned driveType = DRIVE_NO_ROOT_DIR;
  int fsoDriveType = fsoUnknownType;
  bool isReady = false;  // the root folder exists and can be read
  QString fileSystem;    // the host's name for it ("ext4")
  QString volumeName;    // the mount folder's name ("" for a drive on the root mount)
  std::uint32_t serialNumber = 0;
  std::uint64_t totalBytes = 0;
  std::uint64_t freeBytes = 0;       // free on the volume
  std::uint64_t availableBytes = 0;  // free for this user
};

// The drive of `letter`; nothing when the letter is not in the table.
[[nodiscard]] std::optional<DriveInfo> GetDriveInfo(QChar letter);

// GetDiskFreeSpaceEx for a folder (Windows form) that exists; false otherwise.
bool GetDiskFreeSpaceEx(const QString& folder, std::uint64_t& freeBytesAvailable, std::uint64_t& totalBytes,
                        std::uint64_t& totalFreeBytes);

}  // namespace win
