#pragma once
// Conversions between UTF-16 text and the two byte encodings the system
// writes: the system's 8-bit code page (always Windows-1252 here) and UTF-8.
//
// Windows-1252 keeps every byte: the five codes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of
// the same value, as the system's converter does, so bytes -> text -> bytes
// is the identity. A character the code page cannot hold becomes "?".

#include <QByteArray>
#include <QString>

namespace win {

inline constexpr unsigned CP_ACP = 0;
inline constexpr unsigned CP_1252 = 1252;
inline constexpr unsigned CP_UTF8 = 65001;

// Windows-1252 bytes to text, and back.
[[nodiscard]] QString FromAnsi(const QByteArray& bytes);
[[nodiscard]] QByteArray ToAnsi(const QString& text);

// Windows-1252 bytes as UTF-8: the same bytes as ToUtf8(FromAnsi(bytes)),
// without the text in between; bytes that are all ASCII come back as they
// are (shared, not copied).
[[nodiscard]] QByteArray AnsiToUtf8(const QByteArray& bytes);

// One character of Windows-1252: the code of `ch` (-1 when it has none), and
// the character for a code 0-255.
[[nodiscard]] int AnsiCode(QChar ch);
[[nodiscard]] QChar AnsiChar(unsigned char code);

// UTF-8 with the system's rules: invalid input becomes U+FFFD; a lone
// surrogate is written as U+FFFD.
[[nodiscard]] QString FromUtf8(const QByteArray& bytes);
[[nodiscard]] QByteArray ToUtf8(const QString& text);

// By code page number (0 and 1252 are the 8-bit code page, 65001 UTF-8);
// any other code page is treated as the 8-bit one.
[[nodiscard]] QString MultiByteToWide(unsigned codePage, const QByteArray& bytes);
[[nodiscard]] QByteArray WideToMultiByte(unsigned codePage, const QString& text);

}  // namespace win
