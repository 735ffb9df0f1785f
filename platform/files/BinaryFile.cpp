#include "platform/files/BinaryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "platform/errors/RuntimeError.h"
#include "platform/files/HostIo.h"

namespace win {

using namespace files_detail;

namespace {

[[noreturn]] void RaiseErrno(int err, long missing = vb::errFileNotFound) {
  vb::Raise(ErrorFromErrno(err, missing, vb::errPathFileAccessError));
}

}  // namespace

BinaryFile BinaryFile::Open(const QString& path, Access access, Disposition disposition) {
  const Mapped m = MapOrRaise(path);
  struct stat st {};
  const bool exists = Stat(m.host, &st);
  if (exists && S_ISDIR(st.st_mode)) vb::Raise(vb::errPathFileAccessError);
  const bool writes = access != Access::Read;
  if (!exists) {
    if (!IsDir(HostParent(m.host))) vb::Raise(vb::errPathNotFound);
    if (disposition == Disposition::OpenExisting) vb::Raise(vb::errFileNotFound);
    if (!IsValidNewName(SplitLast(m.windows).second)) vb::Raise(vb::errBadFileNameOrNumber);
  } else if (writes && IsReadOnlyMode(st.st_mode)) {
    vb::Raise(vb::errPathFileAccessError);
  }
  int flags = access == Access::Read ? O_RDONLY : access == Access::Write ? O_WRONLY : O_RDWR;
  if (disposition != Disposition::OpenExisting) flags |= O_CREAT;
  if (disposition == Disposition::CreateAlways) flags |= O_TRUNC;
  // Creating needs a writable descriptor even when only reading is asked for.
  if (access == Access::Read && disposition != Disposition::OpenExisting && !exists)
    flags = (flags & ~O_ACCMODE) | O_RDWR;
  const int fd = ::open(Encode(m.host).constData(), flags | O_CLOEXEC, 0666);
  if (fd < 0) RaiseErrno(errno, vb::errPathNotFound);
  return BinaryFile(fd, access);
}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), access_(other.access_), position_(other.position_) {}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    access_ = other.access_;
    position_ = other.position_;
  }
  return *this;
}

BinaryFile::~BinaryFile() {
  if (fd_ >= 0) ::close(fd_);
}

void BinaryFile::CheckOpen() const {
  if (fd_ < 0) vb::Raise(vb::errBadFileNameOrNumber);
}

qint64 BinaryFile::Length() const {
  CheckOpen();
  struct stat st {};
  if (::fstat(fd_, &st) != 0) RaiseErrno(errno);
  return st.st_size;
}

void BinaryFile::Seek(qint64 offset) {
  CheckOpen();
  if (offset < 0) vb::Raise(vb::errInvalidProcedureCall);
  position_ = offset;
}

QByteArray BinaryFile::ReadAt(qint64 offset, qint64 count) {
  CheckOpen();
  if (access_ == Access::Write) vb::Raise(vb::errBadFileMode);
  if (offset < 0 || count < 0) vb::Raise(vb::errInvalidProcedureCall);
  QByteArray bytes;
  // Never more than the file holds, however large the request.
  const qint64 available = Length() - offset;
  if (available <= 0 || count == 0) return bytes;
  bytes.resize(static_cast<qsizetype>(std::min(count, available)));
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pread(fd_, bytes.data() + done, static_cast<size_t>(bytes.size() - done), static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) RaiseErrno(errno);
    if (n == 0) break;
    done += n;
  }
  bytes.truncate(done);
  return bytes;
}

QByteArray BinaryFile::Read(qint64 count) {
  QByteArray bytes = ReadAt(position_, count);
  position_ += bytes.size();
  return bytes;
}

void BinaryFile::WriteAt(qint64 offset, const QByteArray& bytes) {
  CheckOpen();
  if (access_ == Access::Read) vb::Raise(vb::errBadFileMode);
  if (offset < 0) vb::Raise(vb::errInvalidProcedureCall);
  if (const int err = WriteAll(fd_, bytes.constData(), bytes.size(), offset)) RaiseErrno(err);
}

void BinaryFile::Write(const QByteArray& bytes) {
  WriteAt(position_, bytes);
  position_ += bytes.size();
}

void BinaryFile::Flush() {
  CheckOpen();
  if (::fsync(fd_) != 0 && errno != EINVAL) RaiseErrno(errno);
}

void BinaryFile::Close() {
  if (fd_ < 0) return;
  const int rc = ::close(std::exchange(fd_, -1));
  if (rc != 0 && errno != EINTR) RaiseErrno(errno);
}

}  // namespace win
