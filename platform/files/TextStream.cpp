#include "platform/files/TextStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <exception>

#include "platform/codepage/CodePage.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/HostIo.h"

namespace win {

using namespace files_detail;

namespace {

constexpr char kBom[] = {'\xFF', '\xFE'};

bool StartsWithBom(int fd) {
  char head[2];
  return ::pread(fd, head, 2, 0) == 2 && head[0] == kBom[0] && head[1] == kBom[1];
}

bool FileStartsWithBom(const QString& host) {
  UniqueFd fd(::open(Encode(host).constData(), O_RDONLY | O_CLOEXEC));
  return fd.Valid() && StartsWithBom(fd.Get());
}

QByteArray Utf16Le(const QString& text) {
  QByteArray out;
  out.reserve(text.size() * 2);
  for (const QChar ch : text) {
    out.append(static_cast<char>(ch.unicode() & 0xFF));
    out.append(static_cast<char>(ch.unicode() >> 8));
  }
  return out;
}

[[noreturn]] void RaiseErrno(int err, long missing = vb::errFileNotFound) {
  vb::Raise(ErrorFromErrno(err, missing, vb::errPermissionDenied));
}

bool ValidMode(int mode) { return mode == ForReading || mode == ForWriting || mode == ForAppending; }
bool ValidFormat(int format) {
  return format == TristateUseDefault || format == TristateTrue || format == TristateFalse;
}

}  // namespace

struct TextStream::Impl {
  int mode = ForReading;
  bool unicode = false;
  UniqueFd fd;                  // reading, appending, or a new file being written
  ReplacementFile replacement;  // rewriting an existing file
  bool closed = false;
  long failed = 0;  // error number of a failed write
  int uncaught = std::uncaught_exceptions();

  // Reading: bytes not yet decoded, decoded text and the read position in it.
  QByteArray pending;
  bool bomChecked = false;
  QString buffer;
  qsizetype pos = 0;
  bool swallowLf = false;  // a line ended at a CR that was the last character read

  int WriteFd() const { return replacement.Active() ? replacement.Fd() : fd.Get(); }

  void Write(const QByteArray& bytes) {
    if (const int err = WriteAll(WriteFd(), bytes.constData(), bytes.size())) {
      failed = ErrorFromErrno(err, vb::errFileNotFound, vb::errPermissionDenied);
      vb::Raise(failed);
    }
  }

  // Reads more of the file; false when nothing new is there.
  bool Fill() {
    if (pos > 0 && pos == buffer.size()) {
      buffer.clear();
      pos = 0;
    }
    char chunk[65536];
    for (;;) {
      const ssize_t n = ::read(fd.Get(), chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) RaiseErrno(errno);
      if (n == 0) return false;
      if (!unicode) {
        buffer.append(FromAnsi(QByteArray(chunk, n)));
        return true;
      }
      pending.append(chunk, n);
      if (!bomChecked) {
        if (pending.size() < 2) continue;
        if (pending.at(0) == kBom[0] && pending.at(1) == kBom[1]) pending.remove(0, 2);
        bomChecked = true;
      }
      const qsizetype even = pending.size() & ~qsizetype(1);
      for (qsizetype i = 0; i < even; i += 2) {
        buffer.append(QChar(static_cast<char16_t>(static_cast<unsigned char>(pending.at(i)) |
                                                  (static_cast<unsigned char>(pending.at(i + 1)) << 8))));
      }
      pending.remove(0, even);
      if (even > 0) return true;
    }
  }

  // True when a character is there to read (reading more when needed).
  bool HaveChar() {
    for (;;) {
      if (pos >= buffer.size() && !Fill()) return false;
      if (swallowLf) {
        swallowLf = false;
        if (buffer.at(pos) == u'\n') {
          ++pos;
          continue;
        }
      }
      return true;
    }
  }

  // Ends the stream; answers 0 or an errno.
  int Finish(bool commit) {
    closed = true;
    int err = 0;
    if (replacement.Active()) {
      if (commit) {
        err = replacement.Commit();
      } else {
        replacement.Abandon();
      }
    }
    const int closeErr = fd.Reset();
    return err != 0 ? err : closeErr;
  }
};

TextStream::TextStream(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TextStream::TextStream(TextStream&& other) noexcept = default;

TextStream& TextStream::operator=(TextStream&& other) noexcept {
  if (this != &other) {
    if (impl_ && !impl_->closed) impl_->Finish(impl_->failed == 0);
    impl_ = std::move(other.impl_);
  }
  return *this;
}

TextStream::~TextStream() {
  if (!impl_ || impl_->closed) return;
  // Released normally, the stream closes as the legacy object does; dropped
  // while an exception unwinds, a rewrite is abandoned and the old file stays.
  const bool unwinding = std::uncaught_exceptions() > impl_->uncaught;
  impl_->Finish(impl_->failed == 0 && !unwinding);
}

bool TextStream::AtEndOfStream() {
  if (!impl_ || impl_->closed) vb::Raise(vb::errBadFileNameOrNumber);
  if (impl_->mode != ForReading) vb::Raise(vb::errBadFileMode);
  return !impl_->HaveChar();
}

QString TextStream::ReadLine() {
  if (!impl_ || impl_->closed) vb::Raise(vb::errBadFileNameOrNumber);
  Impl& s = *impl_;
  if (s.mode != ForReading) vb::Raise(vb::errBadFileMode);
  if (!s.HaveChar()) vb::Raise(vb::errInputPastEndOfFile);
  QString line;
  for (;;) {
    if (s.pos >= s.buffer.size() && !s.Fill()) return line;  // last line without an end
    qsizetype i = s.pos;
    while (i < s.buffer.size() && s.buffer.at(i) != u'\r' && s.buffer.at(i) != u'\n') ++i;
    line += QStringView(s.buffer).mid(s.pos, i - s.pos);
    if (i == s.buffer.size()) {
      s.pos = i;
      continue;
    }
    const bool cr = s.buffer.at(i) == u'\r';
    s.pos = i + 1;
    if (cr) {
      if (s.pos < s.buffer.size() || s.Fill()) {
        if (s.buffer.at(s.pos) == u'\n') ++s.pos;
      } else {
        s.swallowLf = true;  // an LF written later still belongs to this CR
      }
    }
    return line;
  }
}

QString TextStream::ReadAll() {
  if (!impl_ || impl_->closed) vb::Raise(vb::errBadFileNameOrNumber);
  Impl& s = *impl_;
  if (s.mode != ForReading) vb::Raise(vb::errBadFileMode);
  if (!s.HaveChar()) vb::Raise(vb::errInputPastEndOfFile);
  QString all;
  do {
    all += QStringView(s.buffer).mid(s.pos);
    s.pos = s.buffer.size();
  } while (s.Fill());
  return all;
}

void TextStream::Write(const QString& text) {
  if (!impl_ || impl_->closed) vb::Raise(vb::errBadFileNameOrNumber);
  if (impl_->mode == ForReading) vb::Raise(vb::errBadFileMode);
  impl_->Write(impl_->unicode ? Utf16Le(text) : ToAnsi(text));
}

void TextStream::WriteLine(const QString& text) { Write(text + QStringLiteral("\r\n")); }

void TextStream::Close() {
  if (!impl_ || impl_->closed) return;
  // After a failed write the old content is kept; the write already raised.
  const bool commit = impl_->failed == 0;
  if (const int err = impl_->Finish(commit); err != 0 && commit) RaiseErrno(err, vb::errPathNotFound);
}

bool TextStream::IsUnicode() const { return impl_ && impl_->unicode; }

// ---------------------------------------------------------------------------

TextStream OpenTextFile(const QString& path, int ioMode, bool create, int format) {
  if (!ValidMode(ioMode) || !ValidFormat(format)) vb::Raise(vb::errInvalidProcedureCall);
  const Mapped m = MapOrRaise(path);
  const QByteArray name = Encode(m.host);
  struct stat st {};
  const bool exists = Stat(m.host, &st);
  if (exists && S_ISDIR(st.st_mode)) vb::Raise(vb::errPermissionDenied);
  if (!exists) {
    if (!IsDir(HostParent(m.host))) vb::Raise(vb::errPathNotFound);
    if (!create) vb::Raise(vb::errFileNotFound);
    if (!IsValidNewName(SplitLast(m.windows).second)) vb::Raise(vb::errBadFileNameOrNumber);
  }
  if (exists && ioMode != ForReading && IsReadOnlyMode(st.st_mode)) vb::Raise(vb::errPermissionDenied);

  auto impl = std::make_unique<TextStream::Impl>();
  impl->mode = ioMode;
  bool writeBom = false;
  switch (ioMode) {
    case ForReading: {
      const int flags = exists ? O_RDONLY : O_RDONLY | O_CREAT;
      impl->fd = UniqueFd(::open(name.constData(), flags | O_CLOEXEC, 0666));
      if (!impl->fd.Valid()) RaiseErrno(errno);
      impl->unicode = format == TristateTrue || (format == TristateUseDefault && StartsWithBom(impl->fd.Get()));
      break;
    }
    case ForWriting: {
      impl->unicode = format == TristateTrue;
      if (exists) {
        if (const int err = impl->replacement.Begin(m.host)) RaiseErrno(err, vb::errPathNotFound);
      } else {
        impl->fd = UniqueFd(::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!impl->fd.Valid()) RaiseErrno(errno, vb::errPathNotFound);
      }
      writeBom = impl->unicode;
      break;
    }
    default: {  // ForAppending
      impl->unicode = format == TristateTrue || (format == TristateUseDefault && exists && FileStartsWithBom(m.host));
      const int flags = exists ? O_WRONLY | O_APPEND : O_WRONLY | O_APPEND | O_CREAT | O_EXCL;
      impl->fd = UniqueFd(::open(name.constData(), flags | O_CLOEXEC, 0666));
      if (!impl->fd.Valid()) RaiseErrno(errno, vb::errPathNotFound);
      struct stat now {};
      writeBom = impl->unicode && ::fstat(impl->fd.Get(), &now) == 0 && now.st_size == 0;
      break;
    }
  }
  if (writeBom) impl->Write(QByteArray(kBom, 2));
  return TextStream(std::move(impl));
}

TextStream CreateTextFile(const QString& path, bool overwrite, bool unicode) {
  const Mapped m = MapOrRaise(path);
  struct stat st {};
  const bool exists = Stat(m.host, &st);
  auto impl = std::make_unique<TextStream::Impl>();
  impl->mode = ForWriting;
  impl->unicode = unicode;
  if (exists) {
    if (!overwrite) vb::Raise(vb::errFileAlreadyExists);
    if (S_ISDIR(st.st_mode) || IsReadOnlyMode(st.st_mode)) vb::Raise(vb::errPermissionDenied);
    if (const int err = impl->replacement.Begin(m.host)) RaiseErrno(err, vb::errPathNotFound);
  } else {
    if (!IsDir(HostParent(m.host))) vb::Raise(vb::errPathNotFound);
    if (!IsValidNewName(SplitLast(m.windows).second)) vb::Raise(vb::errBadFileNameOrNumber);
    impl->fd = UniqueFd(::open(Encode(m.host).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!impl->fd.Valid()) RaiseErrno(errno, vb::errPathNotFound);
  }
  if (unicode) impl->Write(QByteArray(kBom, 2));
  return TextStream(std::move(impl));
}

}  // namespace win
