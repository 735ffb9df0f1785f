#pragma once
// The legacy runtime's conversions between numbers, Booleans, dates and text,
// with its rounding and its errors: 13 "Type mismatch" for text that is no
// number, 6 "Overflow" for a value outside the target type, 11 "Division by
// zero".
//
// Text read as a number (CInt, CLng, CDbl, CSng, CBool, IsNumeric) follows the
// user's locale (CurrentUserLocale()): its decimal separator, and its
// thousands separator anywhere in the integer part, so "1,5" reads as 15 with
// English (United States) settings. Val is the exception: it knows only ".".

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

namespace vb {

// Val: reads the longest number at the start of the text. Blanks, tabs and LF
// are skipped anywhere ("1 2 3" gives 123); "." is the only decimal point;
// "E"/"D" start an exponent; "&H" and "&O" read hexadecimal and octal, as a
// 16-bit value when it fits 16 bits ("&HFFFF" gives -1), else 32-bit;
// reading stops at the first character that cannot continue the number
// ("24 and 57" gives 24, "50%" gives 50); no digits give 0. A value beyond the
// range of a Double raises 6.
[[nodiscard]] double Val(const QString& s);

// Rounds to the nearest whole number, halves to the even one (0.5 -> 0,
// 1.5 -> 2, 2.5 -> 2, -2.5 -> -2).
[[nodiscard]] double RoundHalfEven(double x);
// The runtime's Round: halves to even at `decimals` places; decimals < 0
// raises 5.
[[nodiscard]] double Round(double x, int decimals = 0);

// CInt / CLng / CByte: round halves to even; out of range raises 6
// (-32768..32767, -2147483648..2147483647, 0..255). Text is read with the
// locale's separators; text that is no number (or "") raises 13.
[[nodiscard]] std::int16_t CInt(double x);
[[nodiscard]] std::int16_t CInt(const QString& s);
[[nodiscard]] std::int32_t CLng(double x);
[[nodiscard]] std::int32_t CLng(const QString& s);
[[nodiscard]] std::uint8_t CByte(double x);
[[nodiscard]] std::uint8_t CByte(const QString& s);

// CDbl / CSng of text: locale-aware; "" or text that is no number raises 13;
// beyond the type's range raises 6. CSng of a number beyond the Single range
// raises 6.
[[nodiscard]] double CDbl(const QString& s);
[[nodiscard]] float CSng(double x);
[[nodiscard]] float CSng(const QString& s);

// CBool: any non-zero number is True. Text: "True"/"False" in any case, or a
// number; anything else raises 13.
[[nodiscard]] bool CBool(double x);
[[nodiscard]] bool CBool(const QString& s);

// True when CDbl would read the text.
[[nodiscard]] bool IsNumeric(const QString& s);

// The number the runtime's coercion reads from text, or nothing. Raises 6
// when the text is a number beyond the range of a Double.
[[nodiscard]] std::optional<double> ParseNumber(const QString& s);

// CStr of numbers: up to 15 significant digits for a Double, 7 for a Single,
// the locale's decimal separator, no grouping; exponent form from 1E+15
// (Single: 1E+07) and below 0.0001 ("1E-05"). Booleans give "True"/"False".
[[nodiscard]] QString CStr(double x);
[[nodiscard]] QString CStr(float x);
[[nodiscard]] QString CStr(int x);
[[nodiscard]] QString CStr(long x);
[[nodiscard]] QString CStr(long long x);
[[nodiscard]] QString CStr(bool b);
QString CStr(const char*) = delete;  // would silently pick CStr(bool)

// Int rounds toward minus infinity, Fix toward zero; neither raises.
[[nodiscard]] double Int(double x);
[[nodiscard]] double Fix(double x);

// a \ b and a Mod b: both operands are first rounded to Long (halves to even;
// out of range raises 6), the quotient is truncated toward zero and the
// remainder takes the dividend's sign. A divisor of 0 raises 11.
[[nodiscard]] std::int32_t IntDiv(double a, double b);
[[nodiscard]] std::int32_t Mod(double a, double b);
// a / b: b = 0 raises 11 (0 / 0 raises 6); a quotient beyond the Double
// range raises 6.
[[nodiscard]] double Divide(double a, double b);

// Integer (16-bit) and Long (32-bit) arithmetic: the exact result of an
// operation on the operands, checked against the type's range (6 outside).
// Example: CheckedInteger(int{c} + k).
[[nodiscard]] std::int16_t CheckedInteger(long long value);
[[nodiscard]] std::int32_t CheckedLong(long long value);

// CDate / IsDate of text, read in the user's locale: numeric dates in the
// short-date order ("12/08/2026" is 8 December with M/d/yyyy, 12 August with
// dd/MM/yyyy; a month above 12 swaps day and month; a four-digit first number
// means year-month-day), month names (English or the locale's), weekday names
// (ignored), a time h:mm[:ss] with an optional AM/PM, separated from the date
// by a blank. Two-digit years 00-29 are 2000-2029, 30-99 are 1930-1999. A
// time alone is on 30 Dec 1899, a date alone at midnight. Failures raise 13.
[[nodiscard]] QDateTime CDate(const QString& s);
[[nodiscard]] bool IsDate(const QString& s);
[[nodiscard]] std::optional<QDateTime> ParseDate(const QString& s);

}  // namespace vb
