#include "platform/system/Drives.h"

#include "platform/paths/WinPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>

namespace win {
namespace {

// Mount table fields escape blanks, tabs, line ends and backslashes as \ooo.
QString Unescape(const QByteArray& field) {
  QByteArray out;
  for (qsizetype i = 0; i < field.size(); ++i) {
    if (field.at(i) == '\\' && i + 3 < field.size()) {
      bool ok = false;
      const int code = field.mid(i + 1, 3).toInt(&ok, 8);
      if (ok) {
        out.append(static_cast<char>(code));
        i += 3;
        continue;
      }
    }
    out.append(field.at(i));
  }
  return QFile::decodeName(out);
}

bool IsUnder(const QString& path, const QString& mountPoint) {
  if (mountPoint == u"/") return true;
  return path == mountPoint || path.startsWith(mountPoint + u'/');
}

bool IsNetworkFileSystem(const QString& type) {
  static const QStringList kTypes = {
      QStringLiteral("nfs"),         QStringLiteral("nfs4"),       QStringLiteral("cifs"),
      QStringLiteral("smb3"),        QStringLiteral("smbfs"),      QStringLiteral("ncpfs"),
      QStringLiteral("afs"),         QStringLiteral("ceph"),       QStringLiteral("glusterfs"),
      QStringLiteral("sshfs"),       QStringLiteral("fuse.sshfs"), QStringLiteral("fuse.rclone"),
      QStringLiteral("fuse.davfs2"), QStringLiteral("davfs"),      QStringLiteral("fuse.gvfsd-fuse"),
  };
  return kTypes.contains(type);
}

// Whether the kernel marks the block device behind `source` removable (a
// partition asks its disk).
bool IsRemovableDevice(const QString& source) {
  if (!source.startsWith(QStringLiteral("/dev/"))) return false;
  const QString device =
      QFileInfo(QStringLiteral("/sys/class/block/") + QFileInfo(source).fileName()).canonicalFilePath();
  if (device.isEmpty()) return false;
  for (const QString& dir : {device, QFileInfo(device).path()}) {
    QFile flag(dir + QStringLiteral("/removable"));
    if (flag.open(QIODevice::ReadOnly) && flag.readAll().trimmed() == "1") return true;
  }
  return false;
}

std::optional<MountEntry> MountOf(const QString& hostPath) {
  QFile file(QStringLiteral("/proc/self/mountinfo"));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return FindMount(file.readAll(), hostPath);
}

QChar DriveOf(const QString& path) {
  if (path.isEmpty()) return DriveLetter(CurDir());
  if (path.size() >= 2 && path.at(1) == u':' && path.at(0).isLetter()) return path.at(0).toUpper();
  return DriveLetter(FullPath(path));
}

}  // namespace

QStringList LogicalDrives() {
  QStringList roots;
  const DriveTable table = CurrentDriveTable();
  for (const auto& entry : table.Drives()) roots.append(QString(entry.first) + QStringLiteral(":\\"));
  return roots;
}

QString GetLogicalDriveStrings() {
  QString text;
  for (const QString& root : LogicalDrives()) text += root + QChar(0);
  return text + QChar(0);
}

std::uint32_t GetLogicalDrives() {
  std::uint32_t mask = 0;
  const DriveTable table = CurrentDriveTable();
  for (const auto& entry : table.Drives()) {
    const int bit = entry.first.unicode() - u'A';
    if (bit >= 0 && bit < 26) mask |= 1u << bit;
  }
  return mask;
}

std::optional<MountEntry> FindMount(const QByteArray& mountInfo, const QString& hostPath) {
  std::optional<MountEntry> best;
  for (const QByteArray& line : mountInfo.split('\n')) {
    // id parent major:minor root mount-point options [optional...] - type source super-options
    const QList<QByteArray> fields = line.split(' ');
    const qsizetype dash = fields.indexOf("-");
    if (fields.size() < 6 || dash < 6 || dash + 2 >= fields.size()) continue;
    MountEntry entry;
    entry.mountPoint = Unescape(fields.at(4));
    entry.readOnly = fields.at(5).split(',').contains("ro");
    entry.fileSystem = Unescape(fields.at(dash + 1));
    entry.source = Unescape(fields.at(dash + 2));
    if (!IsUnder(hostPath, entry.mountPoint)) continue;
    if (!best || entry.mountPoint.size() >= best->mountPoint.size()) best = entry;
  }
  return best;
}

unsigned ClassifyMount(const MountEntry& mount, bool removableDevice) {
  if (IsNetworkFileSystem(mount.fileSystem) || mount.fileSystem.startsWith(QStringLiteral("nfs"))) return DRIVE_REMOTE;
  if (mount.fileSystem == u"iso9660" || mount.fileSystem == u"udf") return DRIVE_CDROM;
  if (mount.readOnly) return DRIVE_CDROM;
  if (mount.fileSystem == u"tmpfs" || mount.fileSystem == u"ramfs") return DRIVE_RAMDISK;
  if (removableDevice || mount.mountPoint.startsWith(QStringLiteral("/media/")) ||
      mount.mountPoint.startsWith(QStringLiteral("/run/media/"))) {
    return DRIVE_REMOVABLE;
  }
  return DRIVE_FIXED;
}

int FsoDriveTypeOf(unsigned driveType) {
  switch (driveType) {
    case DRIVE_REMOVABLE:
      return fsoRemovable;
    case DRIVE_FIXED:
      return fsoFixed;
    case DRIVE_REMOTE:
      return fsoRemote;
    case DRIVE_CDROM:
      return fsoCDRom;
    case DRIVE_RAMDISK:
      return fsoRamDisk;
    default:
      return fsoUnknownType;
  }
}

std::optional<DriveInfo> GetDriveInfo(QChar letter) {
  const QChar upper = letter.toUpper();
  const auto root = CurrentDriveTable().RootOf(upper);
  if (!root) return std::nullopt;
  DriveInfo info;
  info.letter = upper;
  info.rootPath = QString(upper) + QStringLiteral(":\\");
  info.hostRoot = *root;
  const QFileInfo rootInfo(*root);
  const QString canonical = rootInfo.canonicalFilePath();
  if (canonical.isEmpty() || !rootInfo.isDir()) return info;  // DRIVE_NO_ROOT_DIR, not ready

  const auto mount = MountOf(canonical);
  info.driveType = mount ? ClassifyMount(*mount, IsRemovableDevice(mount->source)) : DRIVE_FIXED;
  info.fsoDriveType = FsoDriveTypeOf(info.driveType);
  info.isReady = rootInfo.isReadable() && rootInfo.isExecutable();
  if (mount) {
    info.fileSystem = mount->fileSystem;
    info.volumeName = mount->mountPoint == u"/" ? QString() : QFileInfo(mount->mountPoint).fileName();
  }
  struct statvfs st {};
  if (::statvfs(QFile::encodeName(canonical).constData(), &st) == 0) {
    info.serialNumber = static_cast<std::uint32_t>(st.f_fsid);
    info.totalBytes = static_cast<std::uint64_t>(st.f_blocks) * st.f_frsize;
    info.freeBytes = static_cast<std::uint64_t>(st.f_bfree) * st.f_frsize;
    info.availableBytes = static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
  }
  return info;
}

unsigned GetDriveType(const QString& rootPath) {
  const QChar letter = DriveOf(rootPath);
  if (letter.isNull()) return DRIVE_NO_ROOT_DIR;
  const auto info = GetDriveInfo(letter);
  return info ? info->driveType : DRIVE_NO_ROOT_DIR;
}

bool GetDiskFreeSpaceEx(const QString& folder, std::uint64_t& freeBytesAvailable, std::uint64_t& totalBytes,
                        std::uint64_t& totalFreeBytes) {
  const QString host = ToHostPath(folder.isEmpty() ? CurDir() : folder);
  if (host.isEmpty() || !QFileInfo(host).isDir()) return false;
  struct statvfs st {};
  if (::statvfs(QFile::encodeName(host).constData(), &st) != 0) return false;
  freeBytesAvailable = static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
  totalBytes = static_cast<std::uint64_t>(st.f_blocks) * st.f_frsize;
  totalFreeBytes = static_cast<std::uint64_t>(st.f_bfree) * st.f_frsize;
  return true;
}

}  // namespace win
