#include "platform/files/HostIo.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/errors/RuntimeError.h"
#include "platform/paths/WinPath.h"

namespace win::files_detail {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    Reset();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

int UniqueFd::Reset() {
  if (fd_ < 0) return 0;
  const int rc = ::close(fd_);
  fd_ = -1;
  return rc == 0 ? 0 : errno;
}

QByteArray Encode(const QString& hostPath) { return QFile::encodeName(hostPath); }

long ErrorFromErrno(int err, long missing, long denied) {
  switch (err) {
    case ENOENT:
      return missing;
    case ENOTDIR:
      return vb::errPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case EBUSY:
      return denied;
    case EEXIST:
      return vb::errFileAlreadyExists;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return vb::errDiskFull;
    case EIO:
      return vb::errDeviceIOError;
    case EMFILE:
    case ENFILE:
      return vb::errTooManyFiles;
    case ENAMETOOLONG:
      return vb::errBadFileNameOrNumber;
    case EXDEV:
      return vb::errCantRenameWithDifferentDrive;
    default:
      return vb::errPathFileAccessError;
  }
}

Mapped MapOrRaise(const QString& path) {
  Mapped m;
  m.windows = FullPath(path);
  if (!m.windows.isEmpty()) m.host = ToHostPath(m.windows);
  if (m.host.isEmpty()) vb::Raise(vb::errPathNotFound);
  return m;
}

std::pair<QString, QString> SplitLast(const QString& fullPath) {
  const qsizetype cut = fullPath.lastIndexOf(u'\\');
  if (cut < 0) return {QString(), fullPath};
  QString folder = fullPath.left(cut);
  if (folder.size() == 2 && folder.at(1) == u':') folder += u'\\';
  return {folder, fullPath.mid(cut + 1)};
}

QString HostParent(const QString& hostPath) {
  const qsizetype cut = hostPath.lastIndexOf(u'/');
  if (cut <= 0) return QStringLiteral("/");
  return hostPath.left(cut);
}

bool IsValidNewName(const QString& name) {
  if (name.isEmpty()) return false;
  for (const QChar ch : name) {
    if (ch.unicode() < 32) return false;
    switch (ch.unicode()) {
      case u'<':
      case u'>':
      case u':':
      case u'"':
      case u'/':
      case u'\\':
      case u'|':
      case u'?':
      case u'*':
        return false;
      default:
        break;
    }
  }
  return true;
}

bool Stat(const QString& hostPath, struct stat* st) { return ::stat(Encode(hostPath).constData(), st) == 0; }

bool LStat(const QString& hostPath, struct stat* st) { return ::lstat(Encode(hostPath).constData(), st) == 0; }

bool IsDir(const QString& hostPath) {
  struct stat st {};
  return Stat(hostPath, &st) && S_ISDIR(st.st_mode);
}

bool IsFile(const QString& hostPath) {
  struct stat st {};
  return Stat(hostPath, &st) && !S_ISDIR(st.st_mode);
}

bool Exists(const QString& hostPath) {
  struct stat st {};
  return LStat(hostPath, &st);
}

QDateTime LocalTime(const struct timespec& ts) {
  return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000, Qt::LocalTime);
}

int WriteAll(int fd, const char* data, qsizetype size, long long offset) {
  while (size > 0) {
    const ssize_t n = offset >= 0 ? ::pwrite(fd, data, static_cast<size_t>(size), static_cast<off_t>(offset))
                                  : ::write(fd, data, static_cast<size_t>(size));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return ENOSPC;
    data += n;
    size -= n;
    if (offset >= 0) offset += n;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Replacement through a temporary sibling

ReplacementFile::ReplacementFile(ReplacementFile&& other) noexcept
    : target_(std::move(other.target_)), temp_(std::move(other.temp_)), fd_(std::move(other.fd_)) {}

ReplacementFile& ReplacementFile::operator=(ReplacementFile&& other) noexcept {
  if (this != &other) {
    Abandon();
    target_ = std::move(other.target_);
    temp_ = std::move(other.temp_);
    fd_ = std::move(other.fd_);
  }
  return *this;
}

QString ReplacementSiblingStart(const QString& target) {
  return QStringLiteral(".~") + target.mid(target.lastIndexOf(u'/') + 1).left(60) + u'.';
}

int ReplacementFile::Begin(const QString& target, bool ownerOnly) {
  Abandon();
  // Replace what a link points at, not the link itself.
  QString real = target;
  struct stat lst {};
  if (LStat(target, &lst) && S_ISLNK(lst.st_mode)) {
    char buffer[PATH_MAX];
    if (::realpath(Encode(target).constData(), buffer) != nullptr) real = QFile::decodeName(buffer);
  }
  target_ = real;
  struct stat st {};
  const bool exists = Stat(real, &st);

  const qsizetype cut = real.lastIndexOf(u'/');
  // A hidden sibling in the same folder, so the rename never crosses file
  // systems; the name is cut so the sibling's stays within 255 bytes.
  QByteArray pattern = Encode(real.left(cut + 1) + ReplacementSiblingStart(real) + QStringLiteral("XXXXXX"));
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) {
    const int err = errno;
    if (ownerOnly || !exists || (err != EACCES && err != EPERM && err != EROFS)) return err;
    // The folder takes no new names, but the file may still be writable.
    const int direct = ::open(Encode(real).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (direct < 0) return errno;
    fd_ = UniqueFd(direct);
    return 0;
  }
  fd_ = UniqueFd(fd);
  temp_ = QFile::decodeName(pattern);
  // mkstemp made the sibling 0600.
  if (ownerOnly) {
    if (exists) CopyAttributeRecord(real, st, temp_);
  } else if (exists) {
    ::fchmod(fd, st.st_mode & 07777);
    CopyAttributeRecord(real, st, temp_);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  return 0;
}

int ReplacementFile::Commit() {
  if (!fd_.Valid()) return EBADF;
  int err = ::fsync(fd_.Get()) == 0 ? 0 : errno;
  const int closeErr = fd_.Reset();
  if (err == 0) err = closeErr;
  if (temp_.isEmpty()) return err;  // written in place
  if (err == 0 && ::rename(Encode(temp_).constData(), Encode(target_).constData()) != 0) err = errno;
  if (err != 0) ::unlink(Encode(temp_).constData());
  temp_.clear();
  return err;
}

void ReplacementFile::Abandon() {
  fd_.Reset();
  if (temp_.isEmpty()) return;
  ::unlink(Encode(temp_).constData());
  temp_.clear();
}

// ---------------------------------------------------------------------------
// Attribute records

namespace {

constexpr const char* kAttributeName = "user.orvane.attributes";

// Where extended attributes are refused (some network and FAT mounts), the
// records live in this process's memory, keyed by device and inode.
struct MemoryStore {
  std::mutex mutex;
  std::map<std::pair<dev_t, ino_t>, AttributeRecord> records;
};

MemoryStore& Memory() {
  static MemoryStore store;
  return store;
}

bool Unsupported(int err) { return err == ENOTSUP || err == EOPNOTSUPP; }

AttributeRecord Parse(const QByteArray& text) {
  AttributeRecord r;
  const QList<QByteArray> parts = text.trimmed().split(' ');
  bool ok = false;
  const unsigned long bits = parts.value(0).toULong(&ok);
  if (!ok) return r;
  r.present = true;
  r.bits = bits & (2 | 4 | 32);
  r.clearedAt = parts.value(1).toLongLong();
  return r;
}

}  // namespace

AttributeRecord ReadAttributeRecord(const QString& hostPath, const struct stat& st) {
  char buffer[64];
  const ssize_t n = ::getxattr(Encode(hostPath).constData(), kAttributeName, buffer, sizeof buffer);
  if (n >= 0) return Parse(QByteArray(buffer, static_cast<qsizetype>(n)));
  // Nothing on disk: a record kept in memory for this inode (its mount refused
  // extended attributes) still counts.
  MemoryStore& m = Memory();
  std::lock_guard lock(m.mutex);
  const auto it = m.records.find({st.st_dev, st.st_ino});
  return it == m.records.end() ? AttributeRecord{} : it->second;
}

int WriteAttributeRecord(const QString& hostPath, const struct stat& st, const AttributeRecord& record) {
  const QByteArray text = QByteArray::number(static_cast<qulonglong>(record.bits & (2 | 4 | 32))) + ' ' +
                          QByteArray::number(record.clearedAt);
  if (::setxattr(Encode(hostPath).constData(), kAttributeName, text.constData(), static_cast<size_t>(text.size()), 0) ==
      0) {
    return 0;
  }
  const int err = errno;
  if (!Unsupported(err)) return err;
  MemoryStore& m = Memory();
  std::lock_guard lock(m.mutex);
  AttributeRecord stored = record;
  stored.present = true;
  m.records[{st.st_dev, st.st_ino}] = stored;
  return 0;
}

void ClearAttributeRecord(const QString& hostPath, const struct stat& st) {
  ::removexattr(Encode(hostPath).constData(), kAttributeName);
  MemoryStore& m = Memory();
  std::lock_guard lock(m.mutex);
  m.records.erase({st.st_dev, st.st_ino});
}

void CopyAttributeRecord(const QString& from, const struct stat& fromSt, const QString& to) {
  const AttributeRecord record = ReadAttributeRecord(from, fromSt);
  if (!record.present) return;
  struct stat toSt {};
  if (!Stat(to, &toSt)) return;
  WriteAttributeRecord(to, toSt, record);
}

}  // namespace win::files_detail
