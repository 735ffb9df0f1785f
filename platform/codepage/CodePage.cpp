#include "platform/codepage/CodePage.h"

#include <QStringDecoder>

#include <array>

namespace win {
namespace {

// 0x80-0x9F of Windows-1252; the undefined codes keep their own value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

QChar AnsiChar(unsigned char code) {
  if (code >= 0x80 && code <= 0x9F) return QChar(kHigh[code - 0x80]);
  return QChar(static_cast<char16_t>(code));
}

int AnsiCode(QChar ch) {
  const char16_t u = ch.unicode();
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
  for (std::size_t i = 0; i < kHigh.size(); ++i) {
    if (kHigh[i] == u) return static_cast<int>(0x80 + i);
  }
  return -1;
}

QString FromAnsi(const QByteArray& bytes) {
  // One character per byte, written in place: a listing reply runs to
  // megabytes.
  QString out(bytes.size(), Qt::Uninitialized);
  QChar* to = out.data();
  for (const char b : bytes) {
    const auto code = static_cast<unsigned char>(b);
    *to++ = code < 0x80 ? QChar(code) : AnsiChar(code);
  }
  return out;
}

QByteArray AnsiToUtf8(const QByteArray& bytes) {
  qsizetype high = 0;
  for (const char b : bytes) high += static_cast<unsigned char>(b) >= 0x80 ? 1 : 0;
  if (high == 0) return bytes;
  // A byte of 0x80 or more is a character of two UTF-8 bytes, or three
  // for those above U+07FF.
  QByteArray out(bytes.size() + 2 * high, Qt::Uninitialized);
  char* to = out.data();
  for (const char b : bytes) {
    const auto code = static_cast<unsigned char>(b);
    if (code < 0x80) {
      *to++ = b;
      continue;
    }
    const char16_t u = AnsiChar(code).unicode();
    if (u < 0x800) {
      *to++ = static_cast<char>(0xC0 | (u >> 6));
    } else {
      *to++ = static_cast<char>(0xE0 | (u >> 12));
      *to++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    }
    *to++ = static_cast<char>(0x80 | (u & 0x3F));
  }
  out.truncate(to - out.constData());
  return out;
}

QByteArray ToAnsi(const QString& text) {
  // At most one byte per character, written in place.
  QByteArray out(text.size(), Qt::Uninitialized);
  char* to = out.data();
  const QChar* from = text.constData();
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar ch = from[i];
    if (ch.unicode() < 0x80) {
      *to++ = static_cast<char>(ch.unicode());
      continue;
    }
    // A surrogate pair is one character the code page cannot hold: one "?".
    if (ch.isHighSurrogate() && i + 1 < n && from[i + 1].isLowSurrogate()) ++i;
    const int code = AnsiCode(ch);
    *to++ = code < 0 ? '?' : static_cast<char>(code);
  }
  out.truncate(to - out.constData());
  return out;
}

QString FromUtf8(const QByteArray& bytes) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  return decoder.decode(bytes);
}

QByteArray ToUtf8(const QString& text) {
  QString clean;
  clean.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar ch = text.at(i);
    if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      clean.append(ch);
      clean.append(text.at(++i));
    } else if (ch.isSurrogate()) {
      clean.append(QChar(QChar::ReplacementCharacter));
    } else {
      clean.append(ch);
    }
  }
  return clean.toUtf8();
}

QString MultiByteToWide(unsigned codePage, const QByteArray& bytes) {
  return codePage == CP_UTF8 ? FromUtf8(bytes) : FromAnsi(bytes);
}

QByteArray WideToMultiByte(unsigned codePage, const QString& text) {
  return codePage == CP_UTF8 ? ToUtf8(text) : ToAnsi(text);
}

}  // namespace win
