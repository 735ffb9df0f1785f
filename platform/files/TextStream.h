#pragma once
// The scripting runtime's text streams (OpenTextFile, CreateTextFile).
//
// Formats: Unicode is UTF-16LE with the byte-order mark FF FE, written once
// at the start of a new or empty file and skipped on read; appending to a
// file that has content never adds a second one. ASCII is the system code
// page (Windows-1252); a character it cannot hold is written as "?". The
// system default is ASCII, except that a file that already begins with FF FE
// is read and appended as Unicode.
//
// Lines end at CR LF, LF or a lone CR (CR LF counts as one end); WriteLine
// ends with CR LF. A read stream takes what the file holds when it reads,
// so a file that another program is still writing can be followed: an
// AtEndOfStream that was true turns false once more text has arrived, a line
// not yet ended comes back as far as it is written, and a CR read last is
// paired with an LF that arrives next.
//
// Writing (mode 2, or CreateTextFile) over an existing file goes to a
// temporary sibling that replaces the file on Close, so the old content stays
// whole until the new one is complete; a stream abandoned by an exception,
// or one whose write failed, leaves the old file as it was. A new file is
// created at once. Appending (mode 8) writes in place. The stream closes its
// file on Close or when it goes.
//
// Errors (legacy numbers): 53 missing file without create, 76 missing folder
// or unmapped drive, 70 a read-only file (or a folder) opened for writing or
// appending, 58 CreateTextFile without overwrite on an existing name, 62
// reading past the end, 54 reading a write stream or writing a read stream,
// 52 using a closed stream, 5 an unknown mode or format, 61 disk full.

#include <QString>
#include <memory>

namespace win {

enum IOMode : int { ForReading = 1, ForWriting = 2, ForAppending = 8 };
enum Tristate : int { TristateUseDefault = -2, TristateTrue = -1, TristateFalse = 0 };

class TextStream {
 public:
  TextStream(TextStream&& other) noexcept;
  TextStream& operator=(TextStream&& other) noexcept;
  TextStream(const TextStream&) = delete;
  TextStream& operator=(const TextStream&) = delete;
  ~TextStream();

  // Reading.
  [[nodiscard]] bool AtEndOfStream();
  QString ReadLine();
  QString ReadAll();

  // Writing.
  void Write(const QString& text);
  void WriteLine(const QString& text = {});

  void Close();

  [[nodiscard]] bool IsUnicode() const;

 private:
  struct Impl;
  explicit TextStream(std::unique_ptr<Impl> impl);
  friend TextStream OpenTextFile(const QString& path, int ioMode, bool create, int format);
  friend TextStream CreateTextFile(const QString& path, bool overwrite, bool unicode);
  std::unique_ptr<Impl> impl_;
};

// OpenTextFile(name, iomode = ForReading, create = False, format = TristateFalse).
[[nodiscard]] TextStream OpenTextFile(const QString& path, int ioMode = ForReading, bool create = false,
                                      int format = TristateFalse);

// CreateTextFile(name, overwrite, unicode = False): a new (or emptied) file
// open for writing; a Unicode one holds its byte-order mark at once.
[[nodiscard]] TextStream CreateTextFile(const QString& path, bool overwrite, bool unicode = false);

}  // namespace win
