#include "platform/files/Drive.h"

#include <sys/statfs.h>
#include <sys/statvfs.h>

#include "platform/errors/RuntimeError.h"
#include "platform/files/HostIo.h"
#include "platform/paths/WinPath.h"

namespace win {

namespace {

// File-system magic numbers (statfs f_type) of the network file systems.
bool IsNetworkMagic(unsigned long type) {
  switch (type) {
    case 0x6969UL:      // NFS
    case 0x517BUL:      // SMB
    case 0xFF534D42UL:  // CIFS
    case 0xFE534D42UL:  // SMB2
    case 0x564CUL:      // NCP
    case 0x5346414FUL:  // AFS
      return true;
    default:
      return false;
  }
}

// The letter that `drive` names: "C", "C:", "C:\..." ; a null QChar otherwise.
QChar LetterOf(const QString& drive) {
  const QString s = drive.trimmed();
  if (s.isEmpty() || !s.at(0).isLetter() || s.at(0).unicode() > 127) return {};
  if (s.size() == 1 || s.at(1) == u':') return s.at(0).toUpper();
  return {};
}

DriveFacts FactsOf(QChar letter, struct statvfs* vfs) {
  DriveFacts facts;
  const auto root = CurrentDriveTable().RootOf(letter);
  if (!root) return facts;
  const QByteArray name = files_detail::Encode(*root);
  struct statvfs v {};
  if (!files_detail::IsDir(*root) || ::statvfs(name.constData(), &v) != 0) return facts;
  facts.rootReachable = true;
  facts.readOnlyMount = (v.f_flag & ST_RDONLY) != 0;
  struct statfs f {};
  if (::statfs(name.constData(), &f) == 0)
    facts.networkFileSystem = IsNetworkMagic(static_cast<unsigned long>(f.f_type));
  if (vfs != nullptr) *vfs = v;
  return facts;
}

struct statvfs ReadyVfsOrRaise(QChar letter) {
  struct statvfs v {};
  if (!FactsOf(letter, &v).rootReachable) vb::Raise(vb::errDiskNotReady);
  return v;
}

}  // namespace

int DecideDriveType(const DriveFacts& facts) {
  if (!facts.rootReachable) return DriveTypeUnknown;
  if (facts.readOnlyMount) return DriveTypeCDRom;
  if (facts.networkFileSystem) return DriveTypeNetwork;
  return DriveTypeFixed;
}

bool Drive::IsReady() const { return FactsOf(letter_, nullptr).rootReachable; }

int Drive::DriveType() const { return DecideDriveType(FactsOf(letter_, nullptr)); }

qint64 Drive::AvailableSpace() const {
  const struct statvfs v = ReadyVfsOrRaise(letter_);
  return static_cast<qint64>(v.f_bavail) * static_cast<qint64>(v.f_frsize);
}

// The legacy FreeSpace is the space this user may fill, as AvailableSpace.
qint64 Drive::FreeSpace() const { return AvailableSpace(); }

qint64 Drive::TotalSize() const {
  const struct statvfs v = ReadyVfsOrRaise(letter_);
  return static_cast<qint64>(v.f_blocks) * static_cast<qint64>(v.f_frsize);
}

bool DriveExists(const QString& drive) {
  const QChar letter = LetterOf(drive);
  return !letter.isNull() && CurrentDriveTable().RootOf(letter).has_value();
}

Drive GetDrive(const QString& drive) {
  const QChar letter = LetterOf(drive);
  if (letter.isNull()) vb::Raise(vb::errInvalidProcedureCall);
  if (!CurrentDriveTable().RootOf(letter)) vb::Raise(vb::errDeviceUnavailable);
  return Drive(letter);
}

}  // namespace win
