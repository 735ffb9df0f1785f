#pragma once
// The legacy runtime's string functions, with its positions and its quirks.
//
// Positions are 1-based and lengths count UTF-16 code units, as the legacy
// strings did. Arguments the runtime refused raise error 5 "Invalid procedure
// call or argument"; everything else clamps the way the runtime clamped.

#include <QChar>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace vb {

// How two texts compare: code unit by code unit, or without regard to case.
enum CompareMethod : int { vbBinaryCompare = 0, vbTextCompare = 1 };

// Trim, LTrim, RTrim remove only the blank U+0020; tabs, CR, LF, NUL and the
// no-break space stay.
[[nodiscard]] QString Trim(const QString& s);
[[nodiscard]] QString LTrim(const QString& s);
[[nodiscard]] QString RTrim(const QString& s);

[[nodiscard]] qsizetype Len(const QString& s);

// n = 0 gives "", n >= Len gives s, n < 0 raises 5.
[[nodiscard]] QString Left(const QString& s, qsizetype n);
[[nodiscard]] QString Right(const QString& s, qsizetype n);

// From position `start` to the end, or `length` units. start < 1 or
// length < 0 raises 5; a start past the end gives "".
[[nodiscard]] QString Mid(const QString& s, qsizetype start);
[[nodiscard]] QString Mid(const QString& s, qsizetype start, qsizetype length);

// Position of the first `find` in `s` at or after `start`, or 0.
// s = "" gives 0; start > Len(s) gives 0; find = "" gives start;
// start < 1 raises 5.
[[nodiscard]] qsizetype InStr(const QString& s, const QString& find, CompareMethod compare = vbBinaryCompare);
[[nodiscard]] qsizetype InStr(qsizetype start, const QString& s, const QString& find,
                              CompareMethod compare = vbBinaryCompare);

// Position of the last `find` that ends at or before `start` (-1: the end), or
// 0. find = "" gives start (the length for -1); start > Len(s) gives 0;
// start = 0 or below -1 raises 5.
[[nodiscard]] qsizetype InStrRev(const QString& s, const QString& find, qsizetype start = -1,
                                 CompareMethod compare = vbBinaryCompare);

[[nodiscard]] QString LCase(const QString& s);
[[nodiscard]] QString UCase(const QString& s);

// -1, 0 or 1. Text compare ignores case (the case-folded texts are compared
// code unit by code unit).
[[nodiscard]] int StrComp(const QString& a, const QString& b, CompareMethod compare = vbBinaryCompare);

// Replaces up to `count` (-1: all) occurrences of `find`, left to right and
// not overlapping. The result starts at `start`: the characters before it are
// dropped, as the runtime did. start > Len gives ""; find = "" gives the text
// from start; start < 1 or count < -1 raises 5.
[[nodiscard]] QString Replace(const QString& expression, const QString& find, const QString& replacement,
                              qsizetype start = 1, qsizetype count = -1, CompareMethod compare = vbBinaryCompare);

// Splits at `delimiter`; "" gives an empty list; delimiter "" gives one
// element; with a limit n > 0 the n-th element holds the unsplit rest; limit 0
// gives an empty list; limit < -1 raises 5. Index 0 of the list is the
// legacy array's LBound.
[[nodiscard]] QStringList Split(const QString& expression, const QString& delimiter = QStringLiteral(" "),
                                qsizetype limit = -1, CompareMethod compare = vbBinaryCompare);
[[nodiscard]] QString Join(const QStringList& items, const QString& delimiter = QStringLiteral(" "));

// n blanks; n < 0 raises 5.
[[nodiscard]] QString Space(qsizetype n);

// The runtime's String(n, character): n copies of the first character of `ch`
// ("" raises 5), or of the character with code `code` mod 256 (code < 0
// raises 5). n < 0 raises 5.
[[nodiscard]] QString StringOf(qsizetype n, const QString& ch);
[[nodiscard]] QString StringOf(qsizetype n, int code);

// Code of the first character in the system's 8-bit code page (Windows-1252);
// a character the code page cannot hold gives 63 ("?"); "" raises 5.
[[nodiscard]] int Asc(const QString& s);
// The first UTF-16 unit as a signed 16-bit value (U+8000 and above come out
// negative); "" raises 5.
[[nodiscard]] std::int16_t AscW(const QString& s);
// The character of an 8-bit code 0-255 (Chr(128) is the euro sign); other
// codes raise 5.
[[nodiscard]] QString Chr(int code);
// The UTF-16 unit of a code -32768..65535 (negative codes count from 65536);
// other codes raise 5.
[[nodiscard]] QString ChrW(int code);

}  // namespace vb
