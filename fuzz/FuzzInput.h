#pragma once
// Turning a fuzzer's bytes into the texts and numbers a parser takes.

#include <QByteArray>
#include <QString>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fuzz {

// Reads the input front to back: small numbers first, the rest as text.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  [[nodiscard]] std::uint8_t Byte() {
    if (at_ >= size_) return 0;
    return data_[at_++];
  }
  [[nodiscard]] std::uint32_t U32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
    return v;
  }
  // The rest of the bytes.
  [[nodiscard]] QByteArray Rest() {
    const QByteArray out(reinterpret_cast<const char*>(data_ + at_), static_cast<qsizetype>(size_ - at_));
    at_ = size_;
    return out;
  }
  // The rest as text: UTF-8 when the first byte is even, else UTF-16LE units
  // as they come (lone surrogates, NUL and all).
  [[nodiscard]] QString Text() {
    const bool utf16 = Byte() % 2 != 0;
    return Decode(utf16, Rest());
  }

  // The rest split in two texts at the first "\x01" byte.
  void TwoTexts(QString* first, QString* second) {
    const bool utf16 = Byte() % 2 != 0;
    const QByteArray rest = Rest();
    const qsizetype cut = rest.indexOf('\x01');
    *first = Decode(utf16, cut < 0 ? rest : rest.left(cut));
    *second = cut < 0 ? QString() : Decode(utf16, rest.mid(cut + 1));
  }

  static QString Decode(bool utf16, const QByteArray& bytes) {
    if (!utf16) return QString::fromUtf8(bytes);
    QString s(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i) {
      s[i] = QChar(static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         (static_cast<unsigned char>(bytes[2 * i + 1]) << 8)));
    }
    return s;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// A temporary folder that lives as long as the fuzzing process, in memory
// where there is a memory file system.
inline const QString& Scratch() {
  static QTemporaryDir dir(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                               ? QStringLiteral("/dev/shm/orvane-fuzz-XXXXXX")
                               : QDir::tempPath() + QStringLiteral("/orvane-fuzz-XXXXXX"));
  if (!dir.isValid()) std::abort();
  static const QString path = dir.path();
  return path;
}

// Ends the run as a finding when a property does not hold.
#define FUZZ_CHECK(cond)                                                     \
  do {                                                                       \
    if (!(cond)) {                                                           \
      std::fprintf(stderr, "property failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      std::abort();                                                          \
    }                                                                        \
  } while (0)

}  // namespace fuzz
