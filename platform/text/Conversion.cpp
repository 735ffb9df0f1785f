#include "platform/text/Conversion.h"

#include "platform/errors/RuntimeError.h"
#include "platform/text/UserLocale.h"

#include <algorithm>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace vb {
namespace {

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

// The exponent "[+-]digits" held within +-10^12, far beyond any double and
// any text's digit count, so that sums with it cannot overflow.
long long SaturatedExponent(const std::string& text) {
  constexpr long long limit = 1'000'000'000'000;
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) ++i;
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min(limit, value * 10 + (text[i] - '0'));
  }
  return negative ? -value : value;
}

// Parses ASCII text "[-]digits[.digits][e[+-]digits]" exactly; nothing on
// overflow is signalled through `overflow`, underflow gives 0.
std::optional<double> ParseAscii(const std::string& text, bool* overflow) {
  double value = 0;
  const char* begin = text.data();
  const char* end = begin + text.size();
  const auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::general);
  if (ptr != end) return std::nullopt;
  if (ec == std::errc::result_out_of_range) {
    // Tell overflow from underflow by the magnitude the text spells.
    const auto e = text.find('e');
    const long long exponent = e == std::string::npos ? 0 : SaturatedExponent(text.substr(e + 1));
    const std::string mantissa = text.substr(0, e);
    const auto point = mantissa.find('.');
    std::string intPart = mantissa.substr(0, point);
    if (!intPart.empty() && intPart[0] == '-') intPart.erase(0, 1);
    const auto firstNonZero = intPart.find_first_not_of('0');
    const long long intDigits =
        firstNonZero == std::string::npos ? 0 : static_cast<long long>(intPart.size() - firstNonZero);
    if (intDigits + exponent > 0) {
      *overflow = true;
      return std::nullopt;
    }
    return 0.0;
  }
  if (ec != std::errc()) return std::nullopt;
  return value;
}

// "&H..." / "&O..." digits as the runtime reads them: a 16-bit value when it
// fits 16 bits, else a 32-bit one; more raises 6.
double RadixValue(unsigned long long raw) {
  if (raw <= 0xFFFFull) return static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(raw)));
  if (raw <= 0xFFFFFFFFull) return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(raw)));
  Raise(errOverflow);
}

int DigitValue(QChar c, int radix) {
  int d = -1;
  if (c >= u'0' && c <= u'9') d = c.unicode() - u'0';
  else if (c >= u'a' && c <= u'f') d = c.unicode() - u'a' + 10;
  else if (c >= u'A' && c <= u'F') d = c.unicode() - u'A' + 10;
  return d >= 0 && d < radix ? d : -1;
}

// Reads "&H"/"&O" digits from position `i` (just after the prefix).
// Answers the digits read; `raw` is the value.
qsizetype ReadRadixDigits(const QString& s, qsizetype i, int radix, unsigned long long* raw) {
  qsizetype count = 0;
  *raw = 0;
  while (i + count < s.size()) {
    const int d = DigitValue(s.at(i + count), radix);
    if (d < 0) break;
    if (*raw > (0xFFFFFFFFFFull)) Raise(errOverflow);
    *raw = *raw * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
    ++count;
  }
  return count;
}

QString DigitsOf(long long x) { return QString::number(x); }

// The text of a number in general form with `digits` significant digits,
// in the runtime's spelling ("1E+15", "1.5E-07", "0.0001").
QString GeneralNumber(double x, int digits) {
  if (x == 0 || std::isnan(x)) return QStringLiteral("0");
  QString s = QString::number(x, 'g', digits);
  s.replace(u'e', u'E');
  const QString sep = SharedUserLocale()->decimalSeparator;
  if (sep != QStringLiteral(".")) s.replace(u'.', sep);
  return s;
}

std::int32_t ToLongOperand(double x) { return CLng(x); }

}  // namespace

double Val(const QString& input) {
  // Blanks, tabs and line feeds never end the number; they are skipped.
  QString s;
  s.reserve(input.size());
  for (const QChar c : input) {
    if (c != u' ' && c != u'\t' && c != u'\n') s += c;
  }
  if (s.size() >= 2 && s.at(0) == u'&') {
    const QChar kind = s.at(1).toUpper();
    if (kind == u'H' || kind == u'O') {
      unsigned long long raw = 0;
      ReadRadixDigits(s, 2, kind == u'H' ? 16 : 8, &raw);
      return RadixValue(raw);
    }
  }
  std::string ascii;
  qsizetype i = 0;
  if (i < s.size() && (s.at(i) == u'-' || s.at(i) == u'+')) {
    if (s.at(i) == u'-') ascii += '-';
    ++i;
  }
  bool anyDigit = false;
  while (i < s.size() && s.at(i).isDigit() && s.at(i).unicode() < 128) {
    ascii += static_cast<char>(s.at(i++).unicode());
    anyDigit = true;
  }
  if (i < s.size() && s.at(i) == u'.') {
    ascii += '.';
    ++i;
    while (i < s.size() && s.at(i).unicode() >= u'0' && s.at(i).unicode() <= u'9') {
      ascii += static_cast<char>(s.at(i++).unicode());
      anyDigit = true;
    }
  }
  if (!anyDigit) return 0;
  if (i < s.size() && QStringLiteral("EeDd").contains(s.at(i))) {
    qsizetype j = i + 1;
    std::string exponent = "e";
    if (j < s.size() && (s.at(j) == u'-' || s.at(j) == u'+')) exponent += static_cast<char>(s.at(j++).unicode());
    bool expDigit = false;
    while (j < s.size() && s.at(j).unicode() >= u'0' && s.at(j).unicode() <= u'9') {
      exponent += static_cast<char>(s.at(j++).unicode());
      expDigit = true;
    }
    if (expDigit) ascii += exponent;
  }
  if (ascii == "-" || ascii == "-." || ascii == ".") return 0;
  bool overflow = false;
  const auto value = ParseAscii(ascii, &overflow);
  if (overflow) Raise(errOverflow);
  return value.value_or(0);
}

double RoundHalfEven(double x) {
  if (!std::isfinite(x)) return x;
  const double floor = std::floor(x);
  const double diff = x - floor;
  if (diff > 0.5) return floor + 1;
  if (diff < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

double Round(double x, int decimals) {
  if (decimals < 0) Raise(errInvalidProcedureCall);
  if (decimals == 0) return RoundHalfEven(x);
  const double scale = std::pow(10.0, decimals);
  const double scaled = x * scale;
  if (!std::isfinite(scaled)) return x;
  return RoundHalfEven(scaled) / scale;
}

std::int16_t CInt(double x) {
  const double r = RoundHalfEven(x);
  if (!(r >= -32768.0 && r <= 32767.0)) Raise(errOverflow);
  return static_cast<std::int16_t>(r);
}

std::int16_t CInt(const QString& s) { return CInt(CDbl(s)); }

std::int32_t CLng(double x) {
  const double r = RoundHalfEven(x);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) Raise(errOverflow);
  return static_cast<std::int32_t>(r);
}

std::int32_t CLng(const QString& s) { return CLng(CDbl(s)); }

std::uint8_t CByte(double x) {
  const double r = RoundHalfEven(x);
  if (!(r >= 0.0 && r <= 255.0)) Raise(errOverflow);
  return static_cast<std::uint8_t>(r);
}

std::uint8_t CByte(const QString& s) { return CByte(CDbl(s)); }

std::optional<double> ParseNumber(const QString& input) {
  const std::shared_ptr<const UserLocale> settings = SharedUserLocale();
  const UserLocale& loc = *settings;
  qsizetype begin = 0;
  qsizetype end = input.size();
  while (begin < end && IsBlank(input.at(begin))) ++begin;
  while (end > begin && IsBlank(input.at(end - 1))) --end;
  const QString s = input.mid(begin, end - begin);
  if (s.isEmpty()) return std::nullopt;

  if (s.size() >= 3 && s.at(0) == u'&') {
    const QChar kind = s.at(1).toUpper();
    if (kind == u'H' || kind == u'O') {
      unsigned long long raw = 0;
      const qsizetype n = ReadRadixDigits(s, 2, kind == u'H' ? 16 : 8, &raw);
      if (n == 0 || 2 + n != s.size()) return std::nullopt;
      return RadixValue(raw);
    }
  }

  // Group separators that users type in place of the locale's no-break
  // spaces are accepted as well.
  const QString group = loc.thousandSeparator;
  const bool groupIsSpace = group == QStringLiteral("\u00A0") || group == QStringLiteral("\u202F");
  const QString& dec = loc.decimalSeparator;

  std::string ascii;
  qsizetype i = 0;
  bool parenthesised = false;
  if (s.at(i) == u'(' && s.endsWith(u')')) {
    parenthesised = true;
    ++i;
  }
  const qsizetype stop = parenthesised ? s.size() - 1 : s.size();
  if (i < stop && (s.at(i) == u'-' || s.at(i) == u'+')) {
    if (s.at(i) == u'-') ascii += '-';
    ++i;
    while (i < stop && IsBlank(s.at(i))) ++i;
  }
  if (parenthesised) {
    if (!ascii.empty()) return std::nullopt;
    ascii += '-';
  }
  bool anyDigit = false;
  bool inFraction = false;
  while (i < stop) {
    const QChar c = s.at(i);
    if (c.unicode() >= u'0' && c.unicode() <= u'9') {
      ascii += static_cast<char>(c.unicode());
      anyDigit = true;
      ++i;
    } else if (!dec.isEmpty() && !inFraction && QStringView(s).mid(i).startsWith(dec)) {
      ascii += '.';
      inFraction = true;
      i += dec.size();
    } else if (!inFraction && anyDigit && !group.isEmpty() && QStringView(s).mid(i).startsWith(group)) {
      i += group.size();
    } else if (!inFraction && anyDigit && groupIsSpace && c == u' ') {
      ++i;
    } else {
      break;
    }
  }
  if (!anyDigit) return std::nullopt;
  if (i < stop && QStringLiteral("EeDd").contains(s.at(i))) {
    ascii += 'e';
    ++i;
    if (i < stop && (s.at(i) == u'-' || s.at(i) == u'+')) ascii += static_cast<char>(s.at(i++).unicode());
    bool expDigit = false;
    while (i < stop && s.at(i).unicode() >= u'0' && s.at(i).unicode() <= u'9') {
      ascii += static_cast<char>(s.at(i++).unicode());
      expDigit = true;
    }
    if (!expDigit) return std::nullopt;
  }
  if (i != stop) return std::nullopt;
  bool overflow = false;
  const auto value = ParseAscii(ascii, &overflow);
  if (overflow) Raise(errOverflow);
  return value;
}

double CDbl(const QString& s) {
  const auto value = ParseNumber(s);
  if (!value) Raise(errTypeMismatch);
  return *value;
}

float CSng(double x) {
  if (std::isnan(x) || std::fabs(x) > static_cast<double>(FLT_MAX)) Raise(errOverflow);
  return static_cast<float>(x);
}

float CSng(const QString& s) { return CSng(CDbl(s)); }

bool CBool(double x) { return x != 0; }

bool CBool(const QString& s) {
  const QString t = s.trimmed();
  if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) return true;
  if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) return false;
  return CDbl(s) != 0;
}

bool IsNumeric(const QString& s) {
  try {
    return ParseNumber(s).has_value();
  } catch (const RuntimeError&) {
    return true;  // a number, only too large for a Double
  }
}

QString CStr(double x) { return GeneralNumber(x, 15); }
QString CStr(float x) { return GeneralNumber(static_cast<double>(x), 7); }
QString CStr(int x) { return DigitsOf(x); }
QString CStr(long x) { return DigitsOf(x); }
QString CStr(long long x) { return DigitsOf(x); }
QString CStr(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }

double Int(double x) { return std::floor(x); }
double Fix(double x) { return std::trunc(x); }

std::int32_t IntDiv(double a, double b) {
  const std::int32_t x = ToLongOperand(a);
  const std::int32_t y = ToLongOperand(b);
  if (y == 0) Raise(errDivisionByZero);
  if (x == std::numeric_limits<std::int32_t>::min() && y == -1) Raise(errOverflow);
  return x / y;
}

std::int32_t Mod(double a, double b) {
  const std::int32_t x = ToLongOperand(a);
  const std::int32_t y = ToLongOperand(b);
  if (y == 0) Raise(errDivisionByZero);
  if (y == -1) return 0;
  return x % y;
}

double Divide(double a, double b) {
  if (b == 0) Raise(a == 0 ? errOverflow : errDivisionByZero);
  const double q = a / b;
  if (!std::isfinite(q)) Raise(errOverflow);
  return q;
}

std::int16_t CheckedInteger(long long value) {
  if (value < -32768 || value > 32767) Raise(errOverflow);
  return static_cast<std::int16_t>(value);
}

std::int32_t CheckedLong(long long value) {
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
    Raise(errOverflow);
  }
  return static_cast<std::int32_t>(value);
}

// ---------------------------------------------------------------------------
// Dates read from text.

namespace {

struct DateToken {
  enum class Kind { Number, Word, Separator };
  Kind kind;
  QString text;
  int digits = 0;
  long long value = 0;
};

std::vector<DateToken> Tokenize(const QString& s) {
  std::vector<DateToken> tokens;
  qsizetype i = 0;
  while (i < s.size()) {
    const QChar c = s.at(i);
    if (c.unicode() >= u'0' && c.unicode() <= u'9') {
      qsizetype j = i;
      while (j < s.size() && s.at(j).unicode() >= u'0' && s.at(j).unicode() <= u'9') ++j;
      DateToken t{DateToken::Kind::Number, s.mid(i, j - i)};
      t.digits = static_cast<int>(j - i);
      t.value = t.digits > 9 ? -1 : t.text.toLongLong();
      tokens.push_back(t);
      i = j;
    } else if (c.isLetter()) {
      qsizetype j = i;
      while (j < s.size() && (s.at(j).isLetter() || s.at(j) == u'.')) ++j;
      QString word = s.mid(i, j - i);
      while (word.endsWith(u'.')) word.chop(1);  // "Mar." "a.m." keep their letters
      tokens.push_back({DateToken::Kind::Word, word});
      i = j;
    } else {
      tokens.push_back({DateToken::Kind::Separator, QString(c)});
      ++i;
    }
  }
  return tokens;
}

int MonthOfWord(const QString& word, const UserLocale& loc) {
  static const char* const english[] = {"january", "february", "march",     "april",   "may",      "june",
                                        "july",    "august",   "september", "october", "november", "december"};
  const QString w = word.toLower();
  for (int m = 0; m < 12; ++m) {
    const QString full = QString::fromLatin1(english[m]);
    if (w == full || (w.size() >= 3 && full.startsWith(w))) return m + 1;
    if (m < loc.monthNames.size() && w == loc.monthNames.at(m).toLower()) return m + 1;
    if (m < loc.abbrevMonthNames.size()) {
      QString a = loc.abbrevMonthNames.at(m).toLower();
      while (a.endsWith(u'.')) a.chop(1);
      if (w == a) return m + 1;
    }
  }
  return 0;
}

bool IsWeekdayWord(const QString& word, const UserLocale& loc) {
  static const char* const english[] = {"sunday", "monday", "tuesday", "wednesday", "thursday", "friday", "saturday"};
  const QString w = word.toLower();
  for (int d = 0; d < 7; ++d) {
    const QString full = QString::fromLatin1(english[d]);
    if (w == full || (w.size() >= 3 && full.startsWith(w))) return true;
    if (d < loc.dayNames.size() && w == loc.dayNames.at(d).toLower()) return true;
    if (d < loc.abbrevDayNames.size()) {
      QString a = loc.abbrevDayNames.at(d).toLower();
      while (a.endsWith(u'.')) a.chop(1);
      if (w == a) return true;
    }
  }
  return false;
}

// 0 = none, 1 = AM, 2 = PM.
int MeridiemOfWord(const QString& word, const UserLocale& loc) {
  const QString w = word.toLower().remove(u'.');
  if (w == QStringLiteral("am") || w == QStringLiteral("a") || w == loc.amDesignator.toLower().remove(u'.')) return 1;
  if (w == QStringLiteral("pm") || w == QStringLiteral("p") || w == loc.pmDesignator.toLower().remove(u'.')) return 2;
  return 0;
}

int ExpandYear(const DateToken& t) {
  if (t.digits <= 2) return static_cast<int>(t.value < 30 ? 2000 + t.value : 1900 + t.value);
  return static_cast<int>(t.value);
}

bool IsYearLike(const DateToken& t) { return t.digits >= 3 || t.value > 31; }

QDate MakeDate(int y, int m, int d) {
  if (y < 100 || y > 9999) return {};
  return QDate(y, m, d);
}

}  // namespace

std::optional<QDateTime> ParseDate(const QString& input) {
  const std::shared_ptr<const UserLocale> settings = SharedUserLocale();
  const UserLocale& loc = *settings;
  const QString s = input.trimmed();
  if (s.isEmpty()) return std::nullopt;
  const std::vector<DateToken> tokens = Tokenize(s);
  // A locale whose time separator is also its date separator (".") reads
  // times with ":" only, so its dates stay dates.
  const QString timeSep = loc.timeSeparator != loc.dateSeparator ? loc.timeSeparator : QStringLiteral(":");

  // Time part: number (sep number (sep number)?)? followed by an AM/PM word,
  // or number AM/PM.
  std::vector<bool> used(tokens.size(), false);
  std::optional<QTime> time;
  for (size_t i = 0; i < tokens.size() && !time; ++i) {
    if (tokens[i].kind != DateToken::Kind::Number) continue;
    std::vector<long long> parts{tokens[i].value};
    std::vector<size_t> taken{i};
    size_t j = i + 1;
    while (parts.size() < 3 && j + 1 < tokens.size() && tokens[j].kind == DateToken::Kind::Separator &&
           (tokens[j].text == QStringLiteral(":") || tokens[j].text == timeSep) &&
           tokens[j + 1].kind == DateToken::Kind::Number) {
      parts.push_back(tokens[j + 1].value);
      taken.push_back(j);
      taken.push_back(j + 1);
      j += 2;
    }
    // An optional AM/PM after blanks.
    size_t k = j;
    while (k < tokens.size() && tokens[k].kind == DateToken::Kind::Separator && tokens[k].text == QStringLiteral(" ")) ++k;
    int meridiem = 0;
    if (k < tokens.size() && tokens[k].kind == DateToken::Kind::Word) meridiem = MeridiemOfWord(tokens[k].text, loc);
    if (parts.size() == 1 && meridiem == 0) continue;
    long long h = parts[0];
    const long long m = parts.size() > 1 ? parts[1] : 0;
    const long long sec = parts.size() > 2 ? parts[2] : 0;
    if (meridiem != 0) {
      if (h < 0 || h > 12) return std::nullopt;
      if (h == 12) h = 0;
      if (meridiem == 2) h += 12;
      taken.push_back(k);
    }
    if (h < 0 || h > 23 || m < 0 || m > 59 || sec < 0 || sec > 59) return std::nullopt;
    time = QTime(static_cast<int>(h), static_cast<int>(m), static_cast<int>(sec));
    for (size_t t : taken) used[t] = true;
  }

  // Date part: what is left, numbers and month names; weekday names and
  // separators are passed over.
  std::vector<DateToken> numbers;
  int monthFromWord = 0;
  int monthWordPosition = -1;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (used[i]) continue;
    const DateToken& t = tokens[i];
    if (t.kind == DateToken::Kind::Number) {
      if (t.value < 0) return std::nullopt;
      numbers.push_back(t);
    } else if (t.kind == DateToken::Kind::Word) {
      const int month = MonthOfWord(t.text, loc);
      if (month != 0 && monthFromWord == 0) {
        monthFromWord = month;
        monthWordPosition = static_cast<int>(numbers.size());
      } else if (!IsWeekdayWord(t.text, loc)) {
        return std::nullopt;
      }
    } else {
      static const QString allowed = QStringLiteral("/-., ");
      if (!allowed.contains(t.text) && t.text != loc.dateSeparator) return std::nullopt;
    }
  }

  QDate date;
  if (monthFromWord != 0) {
    if (numbers.empty() || numbers.size() > 2) return std::nullopt;
    if (numbers.size() == 1) {
      // "Mar 2010" is the first of the month; "8 Mar" is this year.
      if (IsYearLike(numbers[0])) {
        date = MakeDate(ExpandYear(numbers[0]), monthFromWord, 1);
      } else {
        date = MakeDate(QDate::currentDate().year(), monthFromWord, static_cast<int>(numbers[0].value));
      }
    } else {
      // The year is the number that looks like one; otherwise the number
      // after the month name ("Mar 8 10") or the last one ("08 Mar 10").
      size_t yearIndex = IsYearLike(numbers[0]) ? 0 : 1;
      if (!IsYearLike(numbers[0]) && !IsYearLike(numbers[1]) && monthWordPosition == 0) yearIndex = 1;
      const DateToken& y = numbers[yearIndex];
      const DateToken& d = numbers[1 - yearIndex];
      date = MakeDate(ExpandYear(y), monthFromWord, static_cast<int>(d.value));
    }
    if (!date.isValid()) return std::nullopt;
  } else if (numbers.size() == 3) {
    const DateToken& a = numbers[0];
    const DateToken& b = numbers[1];
    const DateToken& c = numbers[2];
    if (IsYearLike(a)) {
      date = MakeDate(ExpandYear(a), static_cast<int>(b.value), static_cast<int>(c.value));
    } else {
      int month = static_cast<int>(loc.DayFirst() ? b.value : a.value);
      int day = static_cast<int>(loc.DayFirst() ? a.value : b.value);
      date = MakeDate(ExpandYear(c), month, day);
      if (!date.isValid()) date = MakeDate(ExpandYear(c), day, month);  // "13/12/2010" with M/d/yyyy
    }
    if (!date.isValid()) return std::nullopt;
  } else if (numbers.size() == 2) {
    const DateToken& a = numbers[0];
    const DateToken& b = numbers[1];
    if (IsYearLike(b)) {
      date = MakeDate(ExpandYear(b), static_cast<int>(a.value), 1);
    } else if (IsYearLike(a)) {
      date = MakeDate(ExpandYear(a), static_cast<int>(b.value), 1);
    } else {
      const int year = QDate::currentDate().year();
      int month = static_cast<int>(loc.DayFirst() ? b.value : a.value);
      int day = static_cast<int>(loc.DayFirst() ? a.value : b.value);
      date = MakeDate(year, month, day);
      if (!date.isValid()) date = MakeDate(year, day, month);
    }
    if (!date.isValid()) return std::nullopt;
  } else if (!numbers.empty()) {
    return std::nullopt;
  }

  if (!date.isValid() && !time) return std::nullopt;
  if (!date.isValid()) date = QDate(1899, 12, 30);
  return QDateTime(date, time.value_or(QTime(0, 0)));
}

QDateTime CDate(const QString& s) {
  const auto value = ParseDate(s);
  if (!value) Raise(errTypeMismatch);
  return *value;
}

bool IsDate(const QString& s) { return ParseDate(s).has_value(); }

}  // namespace vb
