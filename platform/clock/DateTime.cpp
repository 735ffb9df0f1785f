#include "platform/clock/DateTime.h"

#include "platform/errors/RuntimeError.h"

#include <cmath>

namespace vb {
namespace {

const QDate kEpoch(1899, 12, 30);

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// Whole seconds since the epoch, counted on the calendar (no time zone).
std::int64_t SerialSeconds(const QDateTime& dt) {
  return kEpoch.daysTo(dt.date()) * 86400 + dt.time().msecsSinceStartOfDay() / 1000;
}

int CheckedFirstDay(int firstDayOfWeek) {
  if (firstDayOfWeek < vbUseSystemDayOfWeek || firstDayOfWeek > vbSaturday) Raise(errInvalidProcedureCall);
  return firstDayOfWeek == vbUseSystemDayOfWeek ? vbSunday : firstDayOfWeek;
}

double HalfEven(double x) {
  const double f = std::floor(x);
  const double diff = x - f;
  if (diff > 0.5) return f + 1;
  if (diff < 0.5) return f;
  return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

QString Interval(const QString& interval) { return interval.trimmed().toLower(); }

}  // namespace

double ToOADate(const QDate& date, const QTime& time) {
  const double days = static_cast<double>(kEpoch.daysTo(date));
  const double fraction = (time.isValid() ? time.msecsSinceStartOfDay() : 0) / 86400000.0;
  return days >= 0 ? days + fraction : days - fraction;
}

double ToOADate(const QDateTime& value) { return ToOADate(value.date(), value.time()); }

QDateTime FromOADate(double value) {
  if (!(value >= kMinDate && value < kMaxDate)) Raise(errOverflow);
  const double whole = std::trunc(value);
  std::int64_t days = static_cast<std::int64_t>(whole);
  std::int64_t seconds = std::llround(std::fabs(value - whole) * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    days += value >= 0 ? 1 : -1;
  }
  return QDateTime(kEpoch.addDays(days), QTime(0, 0).addSecs(static_cast<int>(seconds)));
}

int Weekday(const QDate& date, int firstDayOfWeek) {
  const int first = CheckedFirstDay(firstDayOfWeek);
  const int sundayBased = date.dayOfWeek() % 7;  // 0 = Sunday
  return (sundayBased - (first - 1) + 7) % 7 + 1;
}

std::int64_t DateDiff(const QString& interval, const QDateTime& d1, const QDateTime& d2, int firstDayOfWeek) {
  const QString i = Interval(interval);
  const QDate a = d1.date();
  const QDate b = d2.date();
  if (i == QStringLiteral("yyyy")) return b.year() - a.year();
  if (i == QStringLiteral("q")) return (b.year() * 4 + (b.month() - 1) / 3) - (a.year() * 4 + (a.month() - 1) / 3);
  if (i == QStringLiteral("m")) return (b.year() * 12 + b.month()) - (a.year() * 12 + a.month());
  if (i == QStringLiteral("y") || i == QStringLiteral("d")) return a.daysTo(b);
  if (i == QStringLiteral("w")) return a.daysTo(b) / 7;
  if (i == QStringLiteral("ww")) {
    const int first = CheckedFirstDay(firstDayOfWeek);
    const QDate weekA = a.addDays(1 - Weekday(a, first));
    const QDate weekB = b.addDays(1 - Weekday(b, first));
    return weekA.daysTo(weekB) / 7;
  }
  const std::int64_t s1 = SerialSeconds(d1);
  const std::int64_t s2 = SerialSeconds(d2);
  if (i == QStringLiteral("h")) return FloorDiv(s2, 3600) - FloorDiv(s1, 3600);
  if (i == QStringLiteral("n")) return FloorDiv(s2, 60) - FloorDiv(s1, 60);
  if (i == QStringLiteral("s")) return s2 - s1;
  Raise(errInvalidProcedureCall);
}

QDateTime DateAdd(const QString& interval, double number, const QDateTime& date) {
  const QString i = Interval(interval);
  const double rounded = HalfEven(number);
  if (!(std::fabs(rounded) < 4e9)) Raise(errInvalidProcedureCall);
  const auto n = static_cast<std::int64_t>(rounded);
  const QDate d = date.date();
  const QTime t = date.time();
  QDateTime result;
  auto months = [&](std::int64_t count) {
    if (std::llabs(count) > 12 * 10000) Raise(errInvalidProcedureCall);
    return QDateTime(d.addMonths(static_cast<int>(count)), t);
  };
  if (i == QStringLiteral("yyyy")) {
    result = months(n * 12);
  } else if (i == QStringLiteral("q")) {
    result = months(n * 3);
  } else if (i == QStringLiteral("m")) {
    result = months(n);
  } else if (i == QStringLiteral("y") || i == QStringLiteral("d") || i == QStringLiteral("w")) {
    result = QDateTime(d.addDays(n), t);
  } else if (i == QStringLiteral("ww")) {
    result = QDateTime(d.addDays(n * 7), t);
  } else if (i == QStringLiteral("h") || i == QStringLiteral("n") || i == QStringLiteral("s")) {
    const std::int64_t unit = i == QStringLiteral("h") ? 3600 : (i == QStringLiteral("n") ? 60 : 1);
    const std::int64_t total = SerialSeconds(date) + n * unit;
    const std::int64_t days = FloorDiv(total, 86400);
    result = QDateTime(kEpoch.addDays(days), QTime(0, 0).addSecs(static_cast<int>(total - days * 86400)));
  } else {
    Raise(errInvalidProcedureCall);
  }
  const double serial = ToOADate(result);
  if (!result.date().isValid() || serial < kMinDate || serial >= kMaxDate) Raise(errInvalidProcedureCall);
  return result;
}

double DateSerial(int year, int month, int day) {
  if (year >= 0 && year <= 29) year += 2000;
  else if (year >= 30 && year <= 99) year += 1900;
  // Carry months into years, then days into months, from the first of the month.
  const std::int64_t monthIndex = static_cast<std::int64_t>(year) * 12 + (month - 1);
  const std::int64_t y = FloorDiv(monthIndex, 12);
  const int m = static_cast<int>(monthIndex - y * 12) + 1;
  if (y < 100 || y > 9999) Raise(errInvalidProcedureCall);
  const QDate first(static_cast<int>(y), m, 1);
  const QDate date = first.addDays(static_cast<std::int64_t>(day) - 1);
  const double serial = ToOADate(date);
  if (!date.isValid() || serial < kMinDate || serial >= kMaxDate) Raise(errInvalidProcedureCall);
  return serial;
}

double TimeSerial(int hour, int minute, int second) {
  const std::int64_t total = static_cast<std::int64_t>(hour) * 3600 + static_cast<std::int64_t>(minute) * 60 + second;
  return static_cast<double>(total) / 86400.0;
}

}  // namespace vb
