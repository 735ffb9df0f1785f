#pragma once
// A file open for raw bytes: the BASIC "Open ... For Binary" with Get and
// Put, and the Win32 CreateFile / ReadFile / WriteFile / SetFilePointer the
// ranged download uses.
//
// Reads and writes go to a given offset or to the current position; a write
// past the end extends the file (the gap reads as zero bytes) and never
// shortens it; only the CreateAlways disposition empties an existing file.
// A read past the end answers fewer bytes (none at all past the end), as Get
// leaves its buffer short there. The file is closed by Close or when the
// object goes.
//
// Errors (legacy numbers, as the BASIC statements raise them): 53 missing
// file for OpenExisting, 76 missing folder or unmapped drive, 75 a folder,
// a read-only file opened for writing, or a refusal by the host, 52 a name
// the legacy system cannot hold or a closed file, 54 reading a write-only or
// writing a read-only file, 5 a negative offset, 61 disk full, 57 I/O error.

#include <QByteArray>
#include <QString>
#include <memory>

namespace win {

class BinaryFile {
 public:
  enum class Access { Read, Write, ReadWrite };
  enum class Disposition {
    OpenExisting,  // the file must exist
    OpenAlways,    // created when missing, kept as it is otherwise (Open For Binary)
    CreateAlways,  // created when missing, emptied otherwise
  };

  // Opens `path` (Windows form); raises as listed above.
  [[nodiscard]] static BinaryFile Open(const QString& path, Access access, Disposition disposition);

  BinaryFile(BinaryFile&& other) noexcept;
  BinaryFile& operator=(BinaryFile&& other) noexcept;
  BinaryFile(const BinaryFile&) = delete;
  BinaryFile& operator=(const BinaryFile&) = delete;
  ~BinaryFile();

  // LOF: the file's length in bytes now.
  [[nodiscard]] qint64 Length() const;
  // The current position (0-based; Seek/Loc of the statements count from 1).
  [[nodiscard]] qint64 Position() const { return position_; }
  void Seek(qint64 offset);

  // Up to `count` bytes from the current position (advancing it), or from
  // `offset` (leaving the position alone).
  QByteArray Read(qint64 count);
  QByteArray ReadAt(qint64 offset, qint64 count);
  // Writes at the current position (advancing it), or at `offset`.
  void Write(const QByteArray& bytes);
  void WriteAt(qint64 offset, const QByteArray& bytes);

  // Pushes the written bytes to the disk.
  void Flush();
  void Close();
  [[nodiscard]] bool IsOpen() const { return fd_ >= 0; }

 private:
  BinaryFile(int fd, Access access) : fd_(fd), access_(access) {}
  void CheckOpen() const;
  int fd_ = -1;
  Access access_ = Access::Read;
  qint64 position_ = 0;
};

}  // namespace win
