#include "platform/text/Format.h"

#include "platform/errors/RuntimeError.h"
#include "platform/text/Conversion.h"
#include "platform/text/UserLocale.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

namespace vb {
namespace {

// A number as decimal digits: what the legacy formatting rounded from.
struct Decimal {
  bool negative = false;
  QString intDigits = QStringLiteral("0");  // no leading zeros; "0" for none
  QString fracDigits;                       // may end in zeros

  [[nodiscard]] bool IsZero() const {
    for (const QString* part : {&intDigits, &fracDigits}) {
      for (const QChar c : *part) {
        if (c != u'0') return false;
      }
    }
    return true;
  }
};

// The 15 significant digits of a Double, as the runtime shows it, and their
// decimal exponent (of the first digit).
void SignificantDigits(double x, std::string& digits, int& exponent) {
  // The shortest digits that read back as x, when there are at most 15 of
  // them, are its 15 significant digits: x lies within half a unit of its
  // last binary place of them, far less than half a unit of the 15th
  // decimal place, so rounding x to 15 digits lands on them. They are much
  // quicker to find; longer ones are rounded as such.
  char text[64];
  const auto written = std::to_chars(text, text + sizeof text, x, std::chars_format::scientific);
  std::string_view shown(text, written.ec == std::errc() ? written.ptr - text : 0);
  std::size_t ePos = shown.find('e');
  QByteArray rounded;
  if (ePos == std::string_view::npos || ePos - (ePos > 1 ? 1 : 0) > 15) {
    rounded = QByteArray::number(x, 'e', 14);  // "d.ddddddddddddddde+XX"
    shown = std::string_view(rounded.constData(), static_cast<std::size_t>(rounded.size()));
    ePos = shown.find('e');
  }
  digits.clear();
  for (std::size_t i = 0; i < ePos; ++i) {
    if (shown[i] != '.') digits += shown[i];
  }
  exponent = 0;
  std::from_chars(shown.data() + ePos + 1 + (shown[ePos + 1] == '+' ? 1 : 0), shown.data() + shown.size(), exponent);
}

// x rounded to `decimals` fraction digits, halves away from zero, from its
// 15 significant digits; the result has exactly `decimals` fraction digits.
Decimal Rounded(double x, int decimals) {
  Decimal d;
  std::string intDigits = "0";
  std::string fracDigits;
  if (x != 0 && std::isfinite(x)) {
    d.negative = x < 0;
    std::string digits;
    int exponent = 0;
    SignificantDigits(std::fabs(x), digits, exponent);
    const int point = exponent + 1;  // digits before the decimal point
    if (point <= 0) {
      fracDigits = std::string(static_cast<std::size_t>(-point), '0') + digits;
    } else if (static_cast<std::size_t>(point) >= digits.size()) {
      intDigits = digits + std::string(static_cast<std::size_t>(point) - digits.size(), '0');
    } else {
      intDigits = digits.substr(0, static_cast<std::size_t>(point));
      fracDigits = digits.substr(static_cast<std::size_t>(point));
    }
    while (!fracDigits.empty() && fracDigits.back() == '0') fracDigits.pop_back();
  }
  const auto places = static_cast<std::size_t>(decimals);
  if (fracDigits.size() <= places) {
    fracDigits.append(places - fracDigits.size(), '0');
  } else {
    const bool up = fracDigits[places] >= '5';
    std::string kept = intDigits + fracDigits.substr(0, places);
    std::size_t point = intDigits.size();
    if (up) {
      std::size_t i = kept.size();
      while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
      if (i > 0) {
        ++kept[i - 1];
      } else {
        kept.insert(kept.begin(), '1');
        ++point;
      }
    }
    intDigits = kept.substr(0, point);
    fracDigits = kept.substr(point);
    const std::size_t nonZero = intDigits.find_first_not_of('0');
    intDigits = nonZero == std::string::npos ? "0" : intDigits.substr(nonZero);
  }
  d.intDigits = QString::fromLatin1(intDigits.data(), static_cast<qsizetype>(intDigits.size()));
  d.fracDigits = QString::fromLatin1(fracDigits.data(), static_cast<qsizetype>(fracDigits.size()));
  return d;
}

QString Grouped(const QString& digits, const UserLocale& loc) {
  if (loc.groupSize <= 0 || loc.thousandSeparator.isEmpty()) return digits;
  QString out;
  qsizetype end = digits.size();
  int size = loc.groupSize;
  while (end > size) {
    out.prepend(digits.mid(end - size, size));
    out.prepend(loc.thousandSeparator);
    end -= size;
    if (loc.secondaryGroupSize > 0) size = loc.secondaryGroupSize;
  }
  out.prepend(digits.left(end));
  return out;
}

QString ApplyNegativeForm(const QString& body, NegativeNumberForm form) {
  switch (form) {
    case NegativeNumberForm::Parentheses:
      return u'(' + body + u')';
    case NegativeNumberForm::LeadingMinusBlank:
      return QStringLiteral("- ") + body;
    case NegativeNumberForm::TrailingMinus:
      return body + u'-';
    case NegativeNumberForm::TrailingBlankMinus:
      return body + QStringLiteral(" -");
    case NegativeNumberForm::LeadingMinus:
      break;
  }
  return u'-' + body;
}

// ---------------------------------------------------------------------------
// Number patterns.

struct NumElement {
  enum class Kind { Zero, Hash, Point, Comma, Percent, Literal };
  Kind kind;
  QString text;
};

std::vector<QString> SplitSections(const QString& pattern) {
  std::vector<QString> sections(1);
  bool quoted = false;
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    const QChar c = pattern.at(i);
    if (c == u'"') quoted = !quoted;
    if (!quoted && c == u'\\' && i + 1 < pattern.size()) {
      sections.back() += c;
      sections.back() += pattern.at(++i);
      continue;
    }
    if (!quoted && c == u';') {
      sections.emplace_back();
      continue;
    }
    sections.back() += c;
  }
  return sections;
}

std::vector<NumElement> ParseNumberSection(const QString& section) {
  std::vector<NumElement> out;
  bool pointSeen = false;
  for (qsizetype i = 0; i < section.size(); ++i) {
    const QChar c = section.at(i);
    if (c == u'\\' && i + 1 < section.size()) {
      out.push_back({NumElement::Kind::Literal, QString(section.at(++i))});
    } else if (c == u'"') {
      const qsizetype close = section.indexOf(u'"', i + 1);
      const qsizetype end = close < 0 ? section.size() : close;
      out.push_back({NumElement::Kind::Literal, section.mid(i + 1, end - i - 1)});
      i = end;
    } else if (c == u'0') {
      out.push_back({NumElement::Kind::Zero, {}});
    } else if (c == u'#') {
      out.push_back({NumElement::Kind::Hash, {}});
    } else if (c == u'.' && !pointSeen) {
      pointSeen = true;
      out.push_back({NumElement::Kind::Point, {}});
    } else if (c == u',') {
      out.push_back({NumElement::Kind::Comma, {}});
    } else if (c == u'%') {
      out.push_back({NumElement::Kind::Percent, {}});
    } else {
      out.push_back({NumElement::Kind::Literal, QString(c)});
    }
  }
  return out;
}

bool IsDigitPlaceholder(const NumElement& e) {
  return e.kind == NumElement::Kind::Zero || e.kind == NumElement::Kind::Hash;
}

// One section applied to a value that is not negative.
QString FormatSection(double value, const std::vector<NumElement>& elements, bool negative) {
  const std::shared_ptr<const UserLocale> settings = SharedUserLocale();
  const UserLocale& loc = *settings;
  size_t pointIndex = elements.size();
  for (size_t i = 0; i < elements.size(); ++i) {
    if (elements[i].kind == NumElement::Kind::Point) {
      pointIndex = i;
      break;
    }
  }
  int intPlaceholders = 0;
  int intZeros = 0;
  size_t lastIntPlaceholder = elements.size();
  size_t firstIntPlaceholder = elements.size();
  for (size_t i = 0; i < pointIndex; ++i) {
    if (!IsDigitPlaceholder(elements[i])) continue;
    ++intPlaceholders;
    if (elements[i].kind == NumElement::Kind::Zero) ++intZeros;
    if (firstIntPlaceholder == elements.size()) firstIntPlaceholder = i;
    lastIntPlaceholder = i;
  }
  bool grouping = false;
  int scaling = 0;
  int percents = 0;
  for (size_t i = 0; i < elements.size(); ++i) {
    if (elements[i].kind == NumElement::Kind::Percent) ++percents;
    if (elements[i].kind != NumElement::Kind::Comma || i > pointIndex) continue;
    if (firstIntPlaceholder < i && lastIntPlaceholder > i) {
      grouping = true;
    } else if (lastIntPlaceholder != elements.size() && i > lastIntPlaceholder) {
      ++scaling;
    }
  }
  int fracPlaceholders = 0;
  int fracRequired = 0;
  for (size_t i = pointIndex; i < elements.size(); ++i) {
    if (!IsDigitPlaceholder(elements[i])) continue;
    ++fracPlaceholders;
    if (elements[i].kind == NumElement::Kind::Zero) fracRequired = fracPlaceholders;
  }
  const bool anyPlaceholder = intPlaceholders + fracPlaceholders > 0;

  double scaled = value * std::pow(100.0, percents) / std::pow(1000.0, scaling);
  const Decimal d = Rounded(scaled, fracPlaceholders);
  QString intDigits = d.intDigits == QStringLiteral("0") ? QString() : d.intDigits;
  if (intDigits.size() < intZeros) intDigits.prepend(QString(intZeros - intDigits.size(), u'0'));
  QString fracDigits = d.fracDigits;
  while (fracDigits.size() > fracRequired && fracDigits.endsWith(u'0')) fracDigits.chop(1);

  QString out;
  if (negative && anyPlaceholder && !d.IsZero()) out += u'-';
  const qsizetype extra = intDigits.size() - intPlaceholders;  // digits beyond the placeholders
  int intSeen = 0;
  int fracSeen = 0;
  bool intWritten = false;
  for (size_t i = 0; i < elements.size(); ++i) {
    const NumElement& e = elements[i];
    if (IsDigitPlaceholder(e) && i < pointIndex) {
      if (grouping) {
        if (!intWritten) out += Grouped(intDigits, loc);
        intWritten = true;
      } else {
        const qsizetype pos = intSeen + extra;
        if (intSeen == 0 && extra > 0) out += intDigits.left(extra);
        if (pos >= 0 && pos < intDigits.size()) out += intDigits.at(pos);
      }
      ++intSeen;
    } else if (IsDigitPlaceholder(e)) {
      if (fracSeen < fracDigits.size()) out += fracDigits.at(fracSeen);
      ++fracSeen;
    } else if (e.kind == NumElement::Kind::Point) {
      if (intPlaceholders == 0) out += intDigits;  // ".00" of 12.5 still shows the 12
      out += loc.decimalSeparator;
    } else if (e.kind == NumElement::Kind::Percent) {
      out += u'%';
    } else if (e.kind == NumElement::Kind::Literal) {
      out += e.text;
    }
  }
  return out;
}

QString FormatNumberPattern(double x, const QString& pattern) {
  const std::vector<QString> sections = SplitSections(pattern);
  QString section = sections[0];
  bool showMinus = x < 0;
  if (x < 0 && sections.size() >= 2 && !sections[1].isEmpty()) {
    section = sections[1];
    showMinus = false;
  } else if (x == 0 && sections.size() >= 3 && !sections[2].isEmpty()) {
    section = sections[2];
  }
  return FormatSection(std::fabs(x), ParseNumberSection(section), showMinus);
}

// ---------------------------------------------------------------------------
// Date patterns.

enum class DateTok {
  Literal, Day1, Day2, DayAbbr, DayName, ShortDate, LongDate, WeekdayNum, WeekOfYear, Month1, Month2,
  MonthAbbr, MonthName, Minute1, Minute2, Quarter, DayOfYear, Year2, Year4, Hour1, Hour2, Second1, Second2,
  LongTime, General, AmPmUpper, AmPmLower, APUpper, APLower, AmPmLocale,
};

struct DateToken {
  DateTok kind;
  QString text;
};

bool IsAmPm(DateTok k) {
  return k == DateTok::AmPmUpper || k == DateTok::AmPmLower || k == DateTok::APUpper || k == DateTok::APLower ||
         k == DateTok::AmPmLocale;
}

std::vector<DateToken> ParseDatePattern(const QString& pattern, const UserLocale& loc) {
  std::vector<DateToken> out;
  auto literal = [&out](const QString& text) { out.push_back({DateTok::Literal, text}); };
  for (qsizetype i = 0; i < pattern.size();) {
    const QChar c = pattern.at(i);
    const QChar lc = c.toLower();
    const QStringView rest = QStringView(pattern).mid(i);
    if (c == u'\\' && i + 1 < pattern.size()) {
      literal(QString(pattern.at(i + 1)));
      i += 2;
      continue;
    }
    if (c == u'"') {
      const qsizetype close = pattern.indexOf(u'"', i + 1);
      const qsizetype end = close < 0 ? pattern.size() : close;
      literal(pattern.mid(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    if (rest.startsWith(u"am/pm", Qt::CaseInsensitive)) {
      out.push_back({c == u'A' ? DateTok::AmPmUpper : DateTok::AmPmLower, {}});
      i += 5;
      continue;
    }
    if (rest.startsWith(u"a/p", Qt::CaseInsensitive)) {
      out.push_back({c == u'A' ? DateTok::APUpper : DateTok::APLower, {}});
      i += 3;
      continue;
    }
    if (rest.startsWith(u"ampm", Qt::CaseInsensitive)) {
      out.push_back({DateTok::AmPmLocale, {}});
      i += 4;
      continue;
    }
    if (c == u'/') {
      literal(loc.dateSeparator);
      ++i;
      continue;
    }
    if (c == u':') {
      literal(loc.timeSeparator);
      ++i;
      continue;
    }
    static const QString letters = QStringLiteral("dwmqyhnstc");
    if (!letters.contains(lc)) {
      literal(QString(c));
      ++i;
      continue;
    }
    qsizetype n = 0;
    while (i + n < pattern.size() && pattern.at(i + n).toLower() == lc) ++n;
    const QString run = pattern.mid(i, n);
    i += n;
    switch (lc.unicode()) {
      case u'd': {
        static const DateTok kinds[] = {DateTok::Day1, DateTok::Day2, DateTok::DayAbbr, DateTok::DayName,
                                        DateTok::ShortDate, DateTok::LongDate};
        out.push_back({kinds[std::min<qsizetype>(n, 6) - 1], {}});
        break;
      }
      case u'w':
        out.push_back({n == 1 ? DateTok::WeekdayNum : DateTok::WeekOfYear, {}});
        break;
      case u'm': {
        static const DateTok kinds[] = {DateTok::Month1, DateTok::Month2, DateTok::MonthAbbr, DateTok::MonthName};
        out.push_back({kinds[std::min<qsizetype>(n, 4) - 1], {}});
        break;
      }
      case u'q':
        for (qsizetype k = 0; k < n; ++k) out.push_back({DateTok::Quarter, {}});
        break;
      case u'y':
        while (n > 0) {
          if (n >= 4) {
            out.push_back({DateTok::Year4, {}});
            n -= 4;
          } else if (n >= 2) {
            out.push_back({DateTok::Year2, {}});
            n -= 2;
          } else {
            out.push_back({DateTok::DayOfYear, {}});
            n -= 1;
          }
        }
        break;
      case u'h':
      case u'n':
      case u's': {
        const DateTok one = lc == u'h' ? DateTok::Hour1 : (lc == u'n' ? DateTok::Minute1 : DateTok::Second1);
        const DateTok two = lc == u'h' ? DateTok::Hour2 : (lc == u'n' ? DateTok::Minute2 : DateTok::Second2);
        for (; n >= 2; n -= 2) out.push_back({two, {}});
        if (n == 1) out.push_back({one, {}});
        break;
      }
      case u't':
        if (n == 5) {
          out.push_back({DateTok::LongTime, {}});
        } else {
          literal(run);
        }
        break;
      case u'c':
        for (qsizetype k = 0; k < n; ++k) out.push_back({DateTok::General, {}});
        break;
      default:
        literal(run);
        break;
    }
  }
  // "m"/"mm" after an hour token means minutes, whatever literal text lies
  // between them.
  DateTok previous = DateTok::Literal;
  for (DateToken& t : out) {
    if (t.kind == DateTok::Literal) continue;
    if ((t.kind == DateTok::Month1 || t.kind == DateTok::Month2) &&
        (previous == DateTok::Hour1 || previous == DateTok::Hour2)) {
      t.kind = t.kind == DateTok::Month1 ? DateTok::Minute1 : DateTok::Minute2;
    }
    previous = t.kind;
  }
  return out;
}

QString Two(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

QString NameAt(const QStringList& names, int index) { return index >= 0 && index < names.size() ? names.at(index) : QString(); }

int SundayBasedWeekday(const QDate& d) { return d.dayOfWeek() % 7; }  // 0 = Sunday

int Hour12(int hour) {
  const int h = hour % 12;
  return h == 0 ? 12 : h;
}

QString FormatDatePattern(const QDateTime& value, const QString& pattern, const UserLocale& loc) {
  const std::vector<DateToken> tokens = ParseDatePattern(pattern, loc);
  bool twelveHour = false;
  for (const DateToken& t : tokens) twelveHour = twelveHour || IsAmPm(t.kind);
  const QDate date = value.date();
  const QTime time = value.time();
  const bool pm = time.hour() >= 12;
  QString out;
  for (const DateToken& t : tokens) {
    switch (t.kind) {
      case DateTok::Literal: out += t.text; break;
      case DateTok::Day1: out += QString::number(date.day()); break;
      case DateTok::Day2: out += Two(date.day()); break;
      case DateTok::DayAbbr: out += NameAt(loc.abbrevDayNames, SundayBasedWeekday(date)); break;
      case DateTok::DayName: out += NameAt(loc.dayNames, SundayBasedWeekday(date)); break;
      case DateTok::ShortDate: out += FormatWithWindowsPattern(value, loc.shortDatePattern); break;
      case DateTok::LongDate: out += FormatWithWindowsPattern(value, loc.longDatePattern); break;
      case DateTok::WeekdayNum: out += QString::number(SundayBasedWeekday(date) + 1); break;
      case DateTok::WeekOfYear: {
        const int jan1 = SundayBasedWeekday(QDate(date.year(), 1, 1));
        out += QString::number((date.dayOfYear() - 1 + jan1) / 7 + 1);
        break;
      }
      case DateTok::Month1: out += QString::number(date.month()); break;
      case DateTok::Month2: out += Two(date.month()); break;
      case DateTok::MonthAbbr: out += NameAt(loc.abbrevMonthNames, date.month() - 1); break;
      case DateTok::MonthName: out += NameAt(loc.monthNames, date.month() - 1); break;
      case DateTok::Minute1: out += QString::number(time.minute()); break;
      case DateTok::Minute2: out += Two(time.minute()); break;
      case DateTok::Quarter: out += QString::number((date.month() - 1) / 3 + 1); break;
      case DateTok::DayOfYear: out += QString::number(date.dayOfYear()); break;
      case DateTok::Year2: out += Two(date.year() % 100); break;
      case DateTok::Year4: out += QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0')); break;
      case DateTok::Hour1: out += QString::number(twelveHour ? Hour12(time.hour()) : time.hour()); break;
      case DateTok::Hour2: out += Two(twelveHour ? Hour12(time.hour()) : time.hour()); break;
      case DateTok::Second1: out += QString::number(time.second()); break;
      case DateTok::Second2: out += Two(time.second()); break;
      case DateTok::LongTime: out += FormatWithWindowsPattern(value, loc.longTimePattern); break;
      case DateTok::General: out += FormatGeneralDate(value); break;
      case DateTok::AmPmUpper: out += pm ? QStringLiteral("PM") : QStringLiteral("AM"); break;
      case DateTok::AmPmLower: out += pm ? QStringLiteral("pm") : QStringLiteral("am"); break;
      case DateTok::APUpper: out += pm ? u'P' : u'A'; break;
      case DateTok::APLower: out += pm ? u'p' : u'a'; break;
      case DateTok::AmPmLocale: out += pm ? loc.pmDesignator : loc.amDesignator; break;
    }
  }
  return out;
}

bool NameIs(const QString& pattern, const char* name) {
  return pattern.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

}  // namespace

QString GroupDigits(const QString& digits) { return Grouped(digits, CurrentUserLocale()); }

QString FormatNumber(double x, int decimals, Tristate includeLeadingDigit, Tristate useParensForNegative,
                     Tristate groupDigits) {
  if (decimals < -1) Raise(errInvalidProcedureCall);
  const std::shared_ptr<const UserLocale> settings = SharedUserLocale();
  const UserLocale& loc = *settings;
  const int places = decimals == -1 ? loc.decimalDigits : decimals;
  const Decimal d = Rounded(x, places);
  const bool group = groupDigits == vbUseDefault ? true : groupDigits != vbFalse;
  const bool leadingZero = includeLeadingDigit == vbUseDefault ? loc.leadingZero : includeLeadingDigit != vbFalse;
  QString body = group ? Grouped(d.intDigits, loc) : d.intDigits;
  if (body == QStringLiteral("0") && !leadingZero && places > 0) body.clear();
  if (places > 0) body += loc.decimalSeparator + d.fracDigits;
  if (!d.negative || d.IsZero()) return body;
  NegativeNumberForm form = loc.negativeForm;
  if (useParensForNegative == vbFalse && form == NegativeNumberForm::Parentheses) {
    form = NegativeNumberForm::LeadingMinus;
  } else if (useParensForNegative != vbFalse && useParensForNegative != vbUseDefault) {
    form = NegativeNumberForm::Parentheses;
  }
  return ApplyNegativeForm(body, form);
}

QString Format(double x, const QString& pattern) {
  if (pattern.isEmpty() || NameIs(pattern, "General Number")) return CStr(x);
  if (NameIs(pattern, "Fixed")) return FormatNumberPattern(x, QStringLiteral("0.00"));
  if (NameIs(pattern, "Standard")) return FormatNumberPattern(x, QStringLiteral("#,##0.00"));
  if (NameIs(pattern, "Percent")) return FormatNumberPattern(x, QStringLiteral("0.00%"));
  if (NameIs(pattern, "Yes/No")) return x != 0 ? QStringLiteral("Yes") : QStringLiteral("No");
  if (NameIs(pattern, "True/False")) return x != 0 ? QStringLiteral("True") : QStringLiteral("False");
  if (NameIs(pattern, "On/Off")) return x != 0 ? QStringLiteral("On") : QStringLiteral("Off");
  return FormatNumberPattern(x, pattern);
}

QString Format(const QDateTime& value, const QString& pattern) {
  const std::shared_ptr<const UserLocale> settings = SharedUserLocale();
  const UserLocale& loc = *settings;
  if (pattern.isEmpty() || NameIs(pattern, "General Date")) return FormatGeneralDate(value);
  if (NameIs(pattern, "Long Date")) return FormatWithWindowsPattern(value, loc.longDatePattern);
  if (NameIs(pattern, "Short Date")) return FormatWithWindowsPattern(value, loc.shortDatePattern);
  if (NameIs(pattern, "Long Time")) return FormatWithWindowsPattern(value, loc.longTimePattern);
  if (NameIs(pattern, "Medium Time")) return FormatDatePattern(value, QStringLiteral("hh:nn AMPM"), loc);
  if (NameIs(pattern, "Short Time")) return FormatDatePattern(value, QStringLiteral("hh:nn"), loc);
  return FormatDatePattern(value, pattern, loc);
}

QString FormatGeneralDate(const QDateTime& value) {
  const std::shared_ptr<const UserLocale> settings = SharedUserLocale();
  const UserLocale& loc = *settings;
  const bool hasDate = value.date() != QDate(1899, 12, 30);
  const QTime t = value.time();
  const bool hasTime = t.hour() != 0 || t.minute() != 0 || t.second() != 0;
  if (!hasDate) return FormatWithWindowsPattern(value, loc.longTimePattern);
  QString out = FormatWithWindowsPattern(value, loc.shortDatePattern);
  if (hasTime) out += u' ' + FormatWithWindowsPattern(value, loc.longTimePattern);
  return out;
}

QString FormatWithWindowsPattern(const QDateTime& value, const QString& windowsPattern) {
  const std::shared_ptr<const UserLocale> settings = SharedUserLocale();
  const UserLocale& loc = *settings;
  const QDate date = value.date();
  const QTime time = value.time();
  const QString& p = windowsPattern;
  QString out;
  for (qsizetype i = 0; i < p.size();) {
    const QChar c = p.at(i);
    if (c == u'\'') {
      if (i + 1 < p.size() && p.at(i + 1) == u'\'') {
        out += u'\'';
        i += 2;
        continue;
      }
      const qsizetype close = p.indexOf(u'\'', i + 1);
      const qsizetype end = close < 0 ? p.size() : close;
      out += p.mid(i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    qsizetype n = 1;
    while (i + n < p.size() && p.at(i + n) == c) ++n;
    i += n;
    switch (c.unicode()) {
      case u'd':
        if (n == 1) out += QString::number(date.day());
        else if (n == 2) out += Two(date.day());
        else if (n == 3) out += NameAt(loc.abbrevDayNames, SundayBasedWeekday(date));
        else out += NameAt(loc.dayNames, SundayBasedWeekday(date));
        break;
      case u'M':
        if (n == 1) out += QString::number(date.month());
        else if (n == 2) out += Two(date.month());
        else if (n == 3) out += NameAt(loc.abbrevMonthNames, date.month() - 1);
        else out += NameAt(loc.monthNames, date.month() - 1);
        break;
      case u'y':
        if (n == 1) out += QString::number(date.year() % 100);
        else if (n == 2) out += Two(date.year() % 100);
        else out += QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
        break;
      case u'g':
        break;  // era: none shown for the Gregorian calendar
      case u'h':
        out += n == 1 ? QString::number(Hour12(time.hour())) : Two(Hour12(time.hour()));
        break;
      case u'H':
        out += n == 1 ? QString::number(time.hour()) : Two(time.hour());
        break;
      case u'm':
        out += n == 1 ? QString::number(time.minute()) : Two(time.minute());
        break;
      case u's':
        out += n == 1 ? QString::number(time.second()) : Two(time.second());
        break;
      case u't': {
        const QString& designator = time.hour() >= 12 ? loc.pmDesignator : loc.amDesignator;
        out += n == 1 ? designator.left(1) : designator;
        break;
      }
      default:
        out += QString(n, c);
        break;
    }
  }
  return out;
}

}  // namespace vb
