#pragma once
// The legacy runtime's Format and FormatNumber, for the user's locale
// (CurrentUserLocale()).
//
// Numbers are rounded for display from their 15-digit decimal form, halves
// away from zero (2.675 with two decimals shows 2.68, -2.5 with none shows -3),
// as the legacy formatting showed them. A negative number that rounds to zero
// shows no sign.
//
// Date patterns (Format of a date-time):
//   d dd ddd dddd ddddd(short date) dddddd(long date)   day
//   w (weekday 1 = Sunday)   m mm mmm mmmm   q   y (day of year)   yy yyyy
//   h hh   n nn   s ss   ttttt (long time)   c (general date)
//   AM/PM am/pm A/P a/p AMPM (locale designators): 12-hour clock; without
//   any of them hours are 24-hour.
// Tokens are case-insensitive ("HH-MM-SS" is "hh-mm-ss"). "/" is replaced by
// the locale's date separator and ":" by its time separator; "\x" and
// "quoted text" are literal, and so is every other character.
// "m"/"mm" means minutes when the nearest token before it, past any literal
// characters, is an hour token: "hh:mm", "hh-mm-ss" and "HH-MM-SS" show
// minutes, "mm-dd-yyyy" and "mm/dd/yyyy hh:mm:ss" a month and then minutes.
// Named formats: "General Date", "Long Date", "Short Date", "Long Time",
// "Medium Time", "Short Time".
//
// Number patterns (Format of a number):
//   0 digit or zero   # digit or nothing   . decimal separator (always shown,
//   "5." for "#.##")   , between digit placeholders: locale grouping; right
//   of the last integer placeholder: divide by 1000   % percent
//   up to three sections "positive;negative;zero" (the negative section
//   shows no sign of its own); other characters, "\x" and "quoted text" are
//   literal. No exponent forms.
// Named formats: "General Number", "Fixed", "Standard", "Percent", "Yes/No",
// "True/False", "On/Off". An empty pattern gives CStr.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

namespace vb {

// The tristate arguments of FormatNumber.
enum Tristate : int { vbUseDefault = -2, vbTrue = -1, vbFalse = 0 };

// FormatNumber(x, decimals): `decimals` digits after the decimal separator
// (-1: the locale's default), the locale's grouping, leading zero and
// negative form unless the arguments say otherwise. decimals < -1 raises 5.
[[nodiscard]] QString FormatNumber(double x, int decimals = -1, Tristate includeLeadingDigit = vbUseDefault,
                                   Tristate useParensForNegative = vbUseDefault, Tristate groupDigits = vbUseDefault);

// Format of a number with a number pattern (see above).
[[nodiscard]] QString Format(double x, const QString& pattern = {});

// Format of a date-time with a date pattern (see above); only the fields of
// the value are used, never its time zone. An empty pattern gives the general
// date form.
[[nodiscard]] QString Format(const QDateTime& value, const QString& pattern = {});

// The general date form (CStr of a date): the short date, a blank and the
// long time; no time at exactly 00:00:00, no date on 30 Dec 1899 (the date of
// a time alone).
[[nodiscard]] QString FormatGeneralDate(const QDateTime& value);

// A date or time written with a Windows pattern ("M/d/yyyy", "h:mm:ss tt";
// see UserLocale.h), with the locale's names and AM/PM designators.
[[nodiscard]] QString FormatWithWindowsPattern(const QDateTime& value, const QString& windowsPattern);

// `digits` (ASCII digits of a whole number) with the locale's grouping.
[[nodiscard]] QString GroupDigits(const QString& digits);

}  // namespace vb
