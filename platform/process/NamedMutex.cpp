#include "platform/process/NamedMutex.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <mutex>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win {
namespace {

struct Folders {
  std::mutex mutex;
  QString global;
  QString local;
};

Folders& F() {
  static Folders folders;
  return folders;
}

// ORVANE_LOCKS_DIR, when set, holds both lock folders (a test runs the
// program under a lock folder of its own).
QString LocksDirSetting() { return qEnvironmentVariable("ORVANE_LOCKS_DIR"); }

QString DefaultGlobalFolder() {
  const QString base = LocksDirSetting();
  if (!base.isEmpty()) return base + QStringLiteral("/shared");
  return QStringLiteral("/tmp/orvane-locks-shared");
}

QString DefaultLocalFolder() {
  const QString base = LocksDirSetting();
  if (!base.isEmpty()) return base + QStringLiteral("/user-%1").arg(::getuid());
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime + QStringLiteral("/orvane-locks");
  return QStringLiteral("/tmp/orvane-locks-%1").arg(::getuid());
}

bool HasPrefix(const QString& name, QStringView prefix) { return name.startsWith(prefix, Qt::CaseInsensitive); }

// Splits "Global\x" / "Local\x" / "x" into (machine-wide?, x).
std::pair<bool, QString> Split(const QString& name) {
  if (HasPrefix(name, u"Global\\")) return {true, name.mid(7)};
  if (HasPrefix(name, u"Local\\")) return {false, name.mid(6)};
  return {false, name};
}

QString EncodeFileName(const QString& name) {
  QString out;
  for (const char byte : name.toUtf8()) {
    const auto c = static_cast<unsigned char>(byte);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
        c == '-') {
      out.append(QChar(c));
    } else {
      out.append(QStringLiteral("%%1").arg(static_cast<uint>(c), 2, 16, QChar(u'0')).toUpper());
    }
  }
  // "." and ".." would name folders.
  if (out == u"." || out == u"..") out.replace(u'.', QStringLiteral("%2E"));
  return out + QStringLiteral(".lock");
}

// Makes the lock folder when missing. The shared one is world-writable and
// sticky (like /tmp), the private one belongs to this user alone. Answers
// 0, or the error when it cannot be made or is not a real folder of the
// right owner (a planted link, another user's private folder).
std::uint32_t PrepareFolder(const QString& folder, bool shared) {
  const QByteArray path = QFile::encodeName(folder);
  const mode_t mode = shared ? 01777 : 0700;
  if (::mkdir(path.constData(), mode) == 0) {
    ::chmod(path.constData(), mode);  // the umask may have taken bits away
  } else if (errno != EEXIST) {
    return errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED;
  }
  struct stat st {};
  if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_ACCESS_DENIED;
  if (!shared && st.st_uid != ::getuid()) return ERROR_ACCESS_DENIED;
  return 0;
}

}  // namespace

NamedMutex::NamedMutex(QString name, int fd, bool owned) : name_(std::move(name)), fd_(fd), owned_(owned) {}

NamedMutex::~NamedMutex() {
  if (fd_ >= 0) ::close(fd_);  // drops the flock when this descriptor holds it
}

void NamedMutex::SetFolders(const QString& globalFolder, const QString& localFolder) {
  Folders& f = F();
  std::lock_guard lock(f.mutex);
  f.global = globalFolder;
  f.local = localFolder;
}

QString NamedMutex::LockFileFor(const QString& name) {
  if (name.isEmpty()) return {};
  const auto [machineWide, bare] = Split(name);
  Folders& f = F();
  std::lock_guard lock(f.mutex);
  QString folder = machineWide ? f.global : f.local;
  if (folder.isEmpty()) folder = machineWide ? DefaultGlobalFolder() : DefaultLocalFolder();
  return folder + u'/' + EncodeFileName(bare);
}

NamedMutex::Created NamedMutex::Create(const QString& name) {
  Created result;
  if (name.isEmpty()) {
    result.handle.reset(new NamedMutex(name, -1, true));
    return result;
  }
  const bool machineWide = Split(name).first;
  const QString file = LockFileFor(name);
  if (const std::uint32_t error = PrepareFolder(QFileInfo(file).path(), machineWide); error != 0) {
    result.lastError = error;
    return result;
  }

  const QByteArray path = QFile::encodeName(file);
  const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, machineWide ? 0666 : 0600);
  if (fd < 0) {
    result.lastError = errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED;
    return result;
  }
  if (machineWide) {
    // Let every user open it (the umask trimmed the creation mode); only
    // the owner can change it, so an error here is fine.
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 0777) != 0666) ::fchmod(fd, 0666);
  }

  int rc = 0;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) {
    result.handle.reset(new NamedMutex(name, fd, true));
    return result;
  }
  if (errno == EWOULDBLOCK) {
    result.handle.reset(new NamedMutex(name, fd, false));
    result.lastError = ERROR_ALREADY_EXISTS;
    return result;
  }
  ::close(fd);
  result.lastError = ERROR_ACCESS_DENIED;
  return result;
}

}  // namespace win
