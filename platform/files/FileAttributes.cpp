#include "platform/files/FileAttributes.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/errors/RuntimeError.h"
#include "platform/files/HostIo.h"
#include "platform/paths/WinPath.h"

namespace win {

using namespace files_detail;

namespace {

constexpr long kStoredBits = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// Why a path could not be reached, in Win32 terms: a missing last name is
// "file not found", a missing folder on the way "path not found".
unsigned long MissingReason(const QString& host) {
  if (host.isEmpty()) return kFileErrorPathNotFound;
  return IsDir(HostParent(host)) ? kFileErrorFileNotFound : kFileErrorPathNotFound;
}

void Report(unsigned long* error, unsigned long code) {
  if (error != nullptr) *error = code;
}

QString HostOf(const QString& path) {
  const QString full = FullPath(path);
  return full.isEmpty() ? QString() : ToHostPath(full);
}

}  // namespace

namespace files_detail {

long HostAttributes(const QString& hostPath) {
  struct stat lst {};
  if (!LStat(hostPath, &lst)) return -1;
  long attributes = 0;
  struct stat st = lst;
  if (S_ISLNK(lst.st_mode)) {
    attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    if (!Stat(hostPath, &st)) return attributes | FILE_ATTRIBUTE_ARCHIVE;  // dangling
  }
  const bool dir = S_ISDIR(st.st_mode);
  if (dir) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (IsReadOnlyMode(st.st_mode)) attributes |= FILE_ATTRIBUTE_READONLY;

  const AttributeRecord record = ReadAttributeRecord(hostPath, st);
  if (!record.present) {
    if (!dir) attributes |= FILE_ATTRIBUTE_ARCHIVE;
  } else {
    attributes |= static_cast<long>(record.bits) & kStoredBits;
    // Changed since the archive bit was cleared: the change sets it again.
    if (!dir && Nanos(st.st_mtim) != record.clearedAt) attributes |= FILE_ATTRIBUTE_ARCHIVE;
  }
  // Dot names are hidden in the host's own listings; they count as hidden here too.
  const QString name = hostPath.mid(hostPath.lastIndexOf(u'/') + 1);
  if (name.startsWith(u'.') && name != u"." && name != u"..") attributes |= FILE_ATTRIBUTE_HIDDEN;
  return attributes;
}

}  // namespace files_detail

long GetFileAttributes(const QString& path, unsigned long* error) {
  const QString host = HostOf(path);
  const long attributes = host.isEmpty() ? -1 : HostAttributes(host);
  if (attributes < 0) {
    Report(error, MissingReason(host));
    return INVALID_FILE_ATTRIBUTES;
  }
  Report(error, kFileErrorSuccess);
  return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

bool SetFileAttributes(const QString& path, long attributes, unsigned long* error) {
  const QString host = HostOf(path);
  struct stat st {};
  if (host.isEmpty() || !Stat(host, &st)) {
    Report(error, MissingReason(host));
    return false;
  }
  const QByteArray name = Encode(host);
  const bool wantReadOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  const mode_t finalMode = wantReadOnly ? (st.st_mode & 07777 & ~mode_t(0222)) : ((st.st_mode & 07777) | S_IWUSR);

  // Storing an extended attribute needs write access to the file: give the
  // owner the write bit while the record is written, then set the final mode.
  if (IsReadOnlyMode(st.st_mode)) ::chmod(name.constData(), (st.st_mode & 07777) | S_IWUSR);
  AttributeRecord record;
  record.present = true;
  record.bits = static_cast<unsigned long>(attributes & kStoredBits);
  record.clearedAt = Nanos(st.st_mtim);
  const int recordErr = WriteAttributeRecord(host, st, record);
  const bool modeOk = ::chmod(name.constData(), finalMode) == 0;
  if (recordErr != 0 || !modeOk) {
    Report(error, kFileErrorAccessDenied);
    return false;
  }
  Report(error, kFileErrorSuccess);
  return true;
}

long GetAttr(const QString& path) {
  const QString host = HostOf(path);
  const long attributes = host.isEmpty() ? -1 : HostAttributes(host);
  if (attributes < 0) vb::Raise(vb::errFileNotFound);
  return attributes;
}

void SetAttr(const QString& path, long attributes) {
  unsigned long error = 0;
  if (SetFileAttributes(path, attributes, &error)) return;
  vb::Raise(error == kFileErrorAccessDenied ? vb::errPathFileAccessError : vb::errFileNotFound);
}

}  // namespace win
