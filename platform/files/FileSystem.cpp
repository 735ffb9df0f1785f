#include "platform/files/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <climits>
#include <cerrno>
#include <utility>
#include <vector>

#include "platform/errors/RuntimeError.h"
#include "platform/files/FileAttributes.h"
#include "platform/files/HostIo.h"
#include "platform/paths/WinPath.h"

namespace win {

using namespace files_detail;

namespace {

bool HasWildcard(const QString& name) { return name.contains(u'*') || name.contains(u'?'); }

// The host path of `path`, or empty when it has none; never raises.
QString QuietHost(const QString& path) {
  const QString full = FullPath(path);
  return full.isEmpty() ? QString() : ToHostPath(full);
}

[[noreturn]] void RaiseErrno(int err, long missing, long denied) { vb::Raise(ErrorFromErrno(err, missing, denied)); }

// The names in a host folder, "." and ".." left out; false when it cannot be read.
bool HostNames(const QString& hostFolder, QStringList* names, int* err) {
  const int fd = ::open(Encode(hostFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    *err = errno;
    return false;
  }
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    *err = errno;
    ::close(fd);
    return false;
  }
  while (const dirent* e = ::readdir(dir)) {
    const QString name = QFile::decodeName(e->d_name);
    if (name != u"." && name != u"..") names->append(name);
  }
  ::closedir(dir);
  std::sort(names->begin(), names->end(), [](const QString& a, const QString& b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
  });
  return true;
}

QString ChildOf(const QString& hostFolder, const QString& name) {
  return hostFolder == u"/" ? u'/' + name : hostFolder + u'/' + name;
}

// Removes one entry that is not a folder (a link is removed, never followed).
void DeleteEntry(const QString& host, bool force) {
  struct stat st {};
  if (!LStat(host, &st)) vb::Raise(vb::errFileNotFound);
  if (!S_ISLNK(st.st_mode) && IsReadOnlyMode(st.st_mode) && !force) vb::Raise(vb::errPermissionDenied);
  if (!S_ISLNK(st.st_mode)) ClearAttributeRecord(host, st);
  if (::unlink(Encode(host).constData()) != 0) RaiseErrno(errno, vb::errFileNotFound, vb::errPermissionDenied);
}

// The folders a tree walk is inside, from its top down: a folder met again
// below itself (a bind mount of an ancestor) is a cycle, never entered.
struct WalkChain {
  std::vector<std::pair<dev_t, ino_t>> folders;
  [[nodiscard]] bool Holds(const struct stat& st) const {
    return std::find(folders.begin(), folders.end(), std::pair{st.st_dev, st.st_ino}) != folders.end();
  }
};

// Removes a tree without following links; answers 0 or a legacy error number.
long RemoveTree(const QString& host, bool force, WalkChain& chain) {
  struct stat st {};
  if (!LStat(host, &st)) return 0;  // gone already
  const QByteArray name = Encode(host);
  if (!S_ISDIR(st.st_mode)) {
    if (!S_ISLNK(st.st_mode) && IsReadOnlyMode(st.st_mode) && !force) return vb::errPermissionDenied;
    if (!S_ISLNK(st.st_mode)) ClearAttributeRecord(host, st);
    if (::unlink(name.constData()) != 0 && errno != ENOENT) return ErrorFromErrno(errno, 0, vb::errPermissionDenied);
    return 0;
  }
  if (chain.Holds(st)) return vb::errPathFileAccessError;
  if (IsReadOnlyMode(st.st_mode)) {
    if (!force) return vb::errPermissionDenied;
    ::chmod(name.constData(), (st.st_mode & 07777) | S_IWUSR | S_IXUSR);
  }
  QStringList names;
  int err = 0;
  if (!HostNames(host, &names, &err)) return ErrorFromErrno(err, vb::errPathNotFound, vb::errPermissionDenied);
  chain.folders.emplace_back(st.st_dev, st.st_ino);
  for (const QString& child : names) {
    if (const long e = RemoveTree(ChildOf(host, child), force, chain)) return e;
  }
  chain.folders.pop_back();
  ClearAttributeRecord(host, st);
  if (::rmdir(name.constData()) != 0 && errno != ENOENT) return ErrorFromErrno(errno, 0, vb::errPermissionDenied);
  return 0;
}

// Adds the sizes of the files below a host folder; links add nothing.
long long TreeSize(const QString& host, const struct stat& top, WalkChain& chain) {
  QStringList names;
  int err = 0;
  if (!HostNames(host, &names, &err)) vb::Raise(vb::errPermissionDenied);
  chain.folders.emplace_back(top.st_dev, top.st_ino);
  long long total = 0;
  for (const QString& name : names) {
    const QString child = ChildOf(host, name);
    struct stat st {};
    if (!LStat(child, &st) || S_ISLNK(st.st_mode)) continue;
    if (!S_ISDIR(st.st_mode)) {
      total += static_cast<long long>(st.st_size);
    } else if (!chain.Holds(st)) {
      total += TreeSize(child, st, chain);
    }
  }
  chain.folders.pop_back();
  return total;
}

// The file of `path` for the queries that want one: 53 otherwise.
struct stat FileStatOrRaise(const QString& path) {
  struct stat st {};
  const QString host = QuietHost(path);
  if (host.isEmpty() || !Stat(host, &st) || S_ISDIR(st.st_mode)) vb::Raise(vb::errFileNotFound);
  return st;
}

// Checks that a file may be created or replaced at `target` (mapped): its
// folder exists, its name is one the legacy system can hold, and it is not a
// folder or a read-only file.
void CheckWritableTarget(const Mapped& target) {
  if (!IsDir(HostParent(target.host))) vb::Raise(vb::errPathNotFound);
  if (!IsValidNewName(SplitLast(target.windows).second)) vb::Raise(vb::errBadFileNameOrNumber);
  struct stat st {};
  if (Stat(target.host, &st) && (S_ISDIR(st.st_mode) || IsReadOnlyMode(st.st_mode))) vb::Raise(vb::errPermissionDenied);
}

void WriteReplacement(const Mapped& target, const QByteArray& bytes, bool ownerOnly = false) {
  ReplacementFile out;
  if (const int err = out.Begin(target.host, ownerOnly)) RaiseErrno(err, vb::errPathNotFound, vb::errPermissionDenied);
  if (const int err = WriteAll(out.Fd(), bytes.constData(), bytes.size()))
    RaiseErrno(err, vb::errPathNotFound, vb::errPermissionDenied);
  if (const int err = out.Commit()) RaiseErrno(err, vb::errPathNotFound, vb::errPermissionDenied);
}

bool MatchFrom(const QString& name, qsizetype n, const QString& pattern, qsizetype p) {
  while (p < pattern.size()) {
    const QChar pc = pattern.at(p);
    if (pc == u'*') {
      while (p < pattern.size() && pattern.at(p) == u'*') ++p;
      if (p == pattern.size()) return true;
      for (qsizetype k = n; k <= name.size(); ++k) {
        if (MatchFrom(name, k, pattern, p)) return true;
      }
      return false;
    }
    if (n >= name.size()) return false;
    if (pc != u'?' && pc.toCaseFolded() != name.at(n).toCaseFolded()) return false;
    ++n;
    ++p;
  }
  return n == name.size();
}

}  // namespace

// ---- Queries ---------------------------------------------------------------

bool FolderExists(const QString& path) {
  try {
    const QString host = QuietHost(path);
    return !host.isEmpty() && IsDir(host);
  } catch (...) {
    return false;
  }
}

bool FileExists(const QString& path) {
  try {
    if (HasWildcard(path)) return false;
    const QString host = QuietHost(path);
    return !host.isEmpty() && IsFile(host);
  } catch (...) {
    return false;
  }
}

qint64 FileSize(const QString& path) { return FileStatOrRaise(path).st_size; }

QDateTime FileDateLastModified(const QString& path) { return LocalTime(FileStatOrRaise(path).st_mtim); }

QDateTime FolderDateLastModified(const QString& path) {
  struct stat st {};
  const QString host = QuietHost(path);
  if (host.isEmpty() || !Stat(host, &st) || !S_ISDIR(st.st_mode)) vb::Raise(vb::errPathNotFound);
  return LocalTime(st.st_mtim);
}

qint64 FolderSize(const QString& path) {
  const QString host = QuietHost(path);
  struct stat st {};
  if (host.isEmpty() || !Stat(host, &st) || !S_ISDIR(st.st_mode)) vb::Raise(vb::errPathNotFound);
  WalkChain chain;
  return TreeSize(host, st, chain);
}

// ---- Changes ---------------------------------------------------------------

void CreateFolder(const QString& path) {
  const Mapped m = MapOrRaise(path);
  if (Exists(m.host)) vb::Raise(vb::errFileAlreadyExists);
  if (!IsDir(HostParent(m.host))) vb::Raise(vb::errPathNotFound);
  if (!IsValidNewName(SplitLast(m.windows).second)) vb::Raise(vb::errBadFileNameOrNumber);
  if (::mkdir(Encode(m.host).constData(), 0777) != 0) RaiseErrno(errno, vb::errPathNotFound, vb::errPermissionDenied);
}

void DeleteFile(const QString& path, bool force) {
  const QString full = FullPath(path);
  if (full.isEmpty()) vb::Raise(vb::errPathNotFound);
  const auto [folder, name] = SplitLast(full);
  const QString hostFolder = ToHostPath(folder);
  if (hostFolder.isEmpty() || !IsDir(hostFolder)) vb::Raise(vb::errPathNotFound);

  if (!HasWildcard(name)) {
    const QString host = ToHostPath(full);
    struct stat st {};
    if (!LStat(host, &st) || IsDir(host)) vb::Raise(vb::errFileNotFound);
    DeleteEntry(host, force);
    return;
  }
  QStringList names;
  int err = 0;
  if (!HostNames(hostFolder, &names, &err)) RaiseErrno(err, vb::errPathNotFound, vb::errPermissionDenied);
  QStringList matches;
  for (const QString& entry : names) {
    if (MatchesFilePattern(entry, name) && !IsDir(ChildOf(hostFolder, entry))) matches.append(entry);
  }
  if (matches.isEmpty()) vb::Raise(vb::errFileNotFound);
  for (const QString& entry : matches) DeleteEntry(ChildOf(hostFolder, entry), force);
}

void DeleteFolder(const QString& path, bool force) {
  const QString full = FullPath(path);
  if (full.isEmpty()) vb::Raise(vb::errPathNotFound);
  if (IsDriveRoot(full)) vb::Raise(vb::errPermissionDenied);
  const QString host = ToHostPath(full);
  struct stat lst {};
  if (host.isEmpty() || !LStat(host, &lst) || !IsDir(host)) vb::Raise(vb::errPathNotFound);
  if (S_ISLNK(lst.st_mode)) {
    // A link to a folder: the link goes, what it points at stays.
    if (::unlink(Encode(host).constData()) != 0) RaiseErrno(errno, vb::errPathNotFound, vb::errPermissionDenied);
    return;
  }
  WalkChain chain;
  if (const long e = RemoveTree(host, force, chain)) vb::Raise(e);
}

int RemoveReplacementLeftovers(const QString& path) {
  QString real = QuietHost(path);
  if (real.isEmpty()) return 0;
  struct stat lst {};
  if (LStat(real, &lst) && S_ISLNK(lst.st_mode)) {
    char buffer[PATH_MAX];
    if (::realpath(Encode(real).constData(), buffer) == nullptr) return 0;
    real = QFile::decodeName(buffer);
  }
  const QString folder = real.left(real.lastIndexOf(u'/') + 1);
  const QString start = ReplacementSiblingStart(real);
  QStringList names;
  int err = 0;
  if (!HostNames(folder, &names, &err)) return 0;
  int removed = 0;
  for (const QString& name : names) {
    if (name.size() != start.size() + 6 || !name.startsWith(start)) continue;
    const bool random = std::all_of(name.cbegin() + start.size(), name.cend(), [](QChar c) {
      return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    });
    struct stat st {};
    if (random && LStat(folder + name, &st) && S_ISREG(st.st_mode) && ::unlink(Encode(folder + name).constData()) == 0)
      ++removed;
  }
  return removed;
}

void CopyFile(const QString& source, const QString& destination, bool overwrite) {
  const QString sourceHost = QuietHost(source);
  struct stat src {};
  if (sourceHost.isEmpty() || HasWildcard(FullPath(source)) || !Stat(sourceHost, &src) || S_ISDIR(src.st_mode)) {
    vb::Raise(vb::errFileNotFound);
  }
  QString target = destination;
  if (target.endsWith(u'\\') || target.endsWith(u'/') || FolderExists(target)) {
    target = JoinPath(FullPath(target), sourceHost.mid(sourceHost.lastIndexOf(u'/') + 1));
  }
  const Mapped dest = MapOrRaise(target);
  struct stat dst {};
  if (Stat(dest.host, &dst)) {
    if (!overwrite) vb::Raise(vb::errFileAlreadyExists);
    if (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) vb::Raise(vb::errPermissionDenied);
  }
  CheckWritableTarget(dest);

  files_detail::UniqueFd in(::open(Encode(sourceHost).constData(), O_RDONLY | O_CLOEXEC));
  if (!in.Valid()) RaiseErrno(errno, vb::errFileNotFound, vb::errPermissionDenied);
  ReplacementFile out;
  if (const int err = out.Begin(dest.host)) RaiseErrno(err, vb::errPathNotFound, vb::errPermissionDenied);
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(in.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) RaiseErrno(errno, vb::errFileNotFound, vb::errPermissionDenied);
    if (n == 0) break;
    if (const int err = WriteAll(out.Fd(), buffer, n)) RaiseErrno(err, vb::errPathNotFound, vb::errPermissionDenied);
  }
  // The copy keeps the source's time, mode and attributes, as the legacy copy does.
  const struct timespec times[2] = {src.st_atim, src.st_mtim};
  ::futimens(out.Fd(), times);
  ::fchmod(out.Fd(), src.st_mode & 07777);
  if (!out.TempPath().isEmpty()) {
    struct stat tmp {};
    if (Stat(out.TempPath(), &tmp)) {
      const AttributeRecord record = ReadAttributeRecord(sourceHost, src);
      if (record.present) {
        WriteAttributeRecord(out.TempPath(), tmp, record);
      } else {
        ClearAttributeRecord(out.TempPath(), tmp);
      }
    }
  }
  if (const int err = out.Commit()) RaiseErrno(err, vb::errPathNotFound, vb::errPermissionDenied);
}

// ---- BASIC statements ------------------------------------------------------

qint64 FileLen(const QString& path) { return FileSize(path); }

void RemoveFolder(const QString& path) {
  const QString full = FullPath(path);
  const QString host = full.isEmpty() ? QString() : ToHostPath(full);
  struct stat lst {};
  if (host.isEmpty() || !LStat(host, &lst) || !IsDir(host)) vb::Raise(vb::errPathNotFound);
  if (IsDriveRoot(full)) vb::Raise(vb::errPathFileAccessError);
  const QByteArray name = Encode(host);
  const int rc = S_ISLNK(lst.st_mode) ? ::unlink(name.constData()) : ::rmdir(name.constData());
  if (rc != 0) {
    const int err = errno;
    vb::Raise(err == ENOENT ? vb::errPathNotFound : vb::errPathFileAccessError);
  }
  if (!S_ISLNK(lst.st_mode)) ClearAttributeRecord(host, lst);
}

// ---- Whole files -----------------------------------------------------------

QByteArray ReadAllBytes(const QString& path) {
  const Mapped m = MapOrRaise(path);
  files_detail::UniqueFd fd(::open(Encode(m.host).constData(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) {
    const int err = errno;
    RaiseErrno(err, IsDir(HostParent(m.host)) ? vb::errFileNotFound : vb::errPathNotFound, vb::errPermissionDenied);
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0 || S_ISDIR(st.st_mode)) vb::Raise(vb::errPermissionDenied);
  QByteArray bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) RaiseErrno(errno, vb::errFileNotFound, vb::errPermissionDenied);
    if (n == 0) break;
    bytes.append(buffer, n);
  }
  return bytes;
}

void WriteAllBytes(const QString& path, const QByteArray& bytes) {
  const Mapped m = MapOrRaise(path);
  CheckWritableTarget(m);
  WriteReplacement(m, bytes);
}

void WriteOwnerOnlyFile(const QString& path, const QByteArray& bytes) {
  const Mapped m = MapOrRaise(path);
  CheckWritableTarget(m);
  WriteReplacement(m, bytes, true);
}

// ---- Folder search ---------------------------------------------------------

bool MatchesFilePattern(const QString& name, const QString& pattern) {
  if (MatchFrom(name, 0, pattern, 0)) return true;
  // "x.*" also matches "x": the legacy matcher lets ".*" stand for no extension.
  return pattern.endsWith(QStringLiteral(".*")) && MatchFrom(name, 0, pattern.left(pattern.size() - 2), 0);
}

FindResult FindFiles(const QString& pattern) {
  FindResult result;
  const QString full = FullPath(pattern);
  if (full.isEmpty() || pattern.endsWith(u'\\') || pattern.endsWith(u'/')) {
    result.error = full.isEmpty() ? kFileErrorPathNotFound : kFileErrorFileNotFound;
    return result;
  }
  const auto [folder, namePattern] = SplitLast(full);
  const QString hostFolder = ToHostPath(folder);
  if (hostFolder.isEmpty() || !IsDir(hostFolder)) {
    result.error = kFileErrorPathNotFound;
    return result;
  }
  QStringList names;
  int err = 0;
  if (!HostNames(hostFolder, &names, &err)) {
    result.error = err == ENOENT || err == ENOTDIR ? kFileErrorPathNotFound : kFileErrorAccessDenied;
    return result;
  }
  // A drive root has no "." and ".." entries on the legacy system.
  if (!IsDriveRoot(folder)) names.prepend(QStringLiteral(".."));
  if (!IsDriveRoot(folder)) names.prepend(QStringLiteral("."));

  for (const QString& name : names) {
    if (!MatchesFilePattern(name, namePattern)) continue;
    const QString host = name == u"." ? hostFolder : name == u".." ? HostParent(hostFolder) : ChildOf(hostFolder, name);
    const long attributes = HostAttributes(host);
    if (attributes < 0) continue;  // vanished while listed
    FindData data;
    data.name = name;
    data.attributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    struct stat st {};
    if (Stat(host, &st) || LStat(host, &st)) {
      data.size = S_ISDIR(st.st_mode) ? 0 : static_cast<qint64>(st.st_size);
      data.lastWriteTime = LocalTime(st.st_mtim);
    }
    result.entries.push_back(std::move(data));
  }
  if (result.entries.empty()) result.error = kFileErrorFileNotFound;
  return result;
}

}  // namespace win
