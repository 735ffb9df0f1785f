#pragma once
// The runtime's date arithmetic, and its Date value: a Double counting days
// since 30 Dec 1899 with the time of day as the fraction (0.5 is noon; -1.25
// is 29 Dec 1899 06:00, the fraction counting forward from the day named by
// the whole part). Valid from 1 Jan 100 to 31 Dec 9999.
//
// Only the fields of a QDateTime are used (its date and its time of day),
// never its time zone: a Date has none.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <cstdint>

namespace vb {

// Day-of-week constants of Weekday and DateDiff.
enum VbDayOfWeek : int {
  vbUseSystemDayOfWeek = 0,  // taken as Sunday
  vbSunday = 1,
  vbMonday = 2,
  vbTuesday = 3,
  vbWednesday = 4,
  vbThursday = 5,
  vbFriday = 6,
  vbSaturday = 7,
};

inline constexpr double kMinDate = -657434.0;  // 1 Jan 100
inline constexpr double kMaxDate = 2958466.0;  // 1 Jan 10000, excluded

// Date value <-> date-time. FromOADate rounds to whole seconds (as the
// runtime's Hour/Minute/Second and Format read a date) and raises 6 outside
// the valid range; the result is a local date-time.
[[nodiscard]] double ToOADate(const QDate& date, const QTime& time = QTime(0, 0));
[[nodiscard]] double ToOADate(const QDateTime& value);
[[nodiscard]] QDateTime FromOADate(double value);

// Weekday(date, firstDay): 1..7, 1 being `firstDayOfWeek` (Sunday by default).
// A first day outside 0..7 raises 5.
[[nodiscard]] int Weekday(const QDate& date, int firstDayOfWeek = vbSunday);

// DateDiff: the number of `interval` boundaries crossed from d1 to d2
// (negative when d2 is earlier). Intervals, in any case: "yyyy" years, "q"
// quarters, "m" months, "y"/"d" days, "w" whole 7-day spans, "ww" weeks
// (first-day-of-week boundaries), "h" hours, "n" minutes, "s" seconds. Any
// other interval raises 5.
[[nodiscard]] std::int64_t DateDiff(const QString& interval, const QDateTime& d1, const QDateTime& d2,
                                    int firstDayOfWeek = vbSunday);

// DateAdd: `number` (rounded halves to even) intervals added; months and
// years keep the day where the month has it, else take the month's last day
// (31 Jan + 1 month = 28/29 Feb). An unknown interval, or a result outside
// the valid range, raises 5.
[[nodiscard]] QDateTime DateAdd(const QString& interval, double number, const QDateTime& date);

// DateSerial(year, month, day): the Date value; months and days out of their
// range carry into the next unit (month 13 is January of the next year, day 0
// the last day of the month before). Years 0-29 are 2000-2029, 30-99 are
// 1930-1999. A result outside the valid range raises 5.
[[nodiscard]] double DateSerial(int year, int month, int day);
// TimeSerial(hour, minute, second): the fraction of a day; values out of their
// range carry (TimeSerial(12, -15, 0) is 11:45).
[[nodiscard]] double TimeSerial(int hour, int minute, int second);

}  // namespace vb
