#include "platform/text/UserLocale.h"

#include <QLocale>

#include <mutex>
#include <optional>

namespace vb {
namespace {

// Windows locale identifiers of the locales the system is likely to meet;
// anything else answers the "custom locale" identifier, as Windows does for
// locales without one of their own.
unsigned LcidFor(const QString& name) {
  struct Row {
    const char* name;
    unsigned lcid;
  };
  static const Row rows[] = {
      {"en-US", 0x0409}, {"en-GB", 0x0809}, {"en-AU", 0x0C09}, {"en-CA", 0x1009}, {"en-NZ", 0x1409},
      {"en-IE", 0x1809}, {"en-ZA", 0x1C09}, {"en-IN", 0x4009}, {"de-DE", 0x0407}, {"de-CH", 0x0807},
      {"de-AT", 0x0C07}, {"fr-FR", 0x040C}, {"fr-BE", 0x080C}, {"fr-CA", 0x0C0C}, {"fr-CH", 0x100C},
      {"it-IT", 0x0410}, {"es-ES", 0x0C0A}, {"es-MX", 0x080A}, {"nl-NL", 0x0413}, {"nl-BE", 0x0813},
      {"pt-BR", 0x0416}, {"pt-PT", 0x0816}, {"sv-SE", 0x041D}, {"da-DK", 0x0406}, {"nb-NO", 0x0414},
      {"fi-FI", 0x040B}, {"pl-PL", 0x0415}, {"cs-CZ", 0x0405}, {"hu-HU", 0x040E}, {"ru-RU", 0x0419},
      {"tr-TR", 0x041F}, {"ja-JP", 0x0411}, {"zh-CN", 0x0804}, {"zh-TW", 0x0404}, {"ko-KR", 0x0412},
      {"hi-IN", 0x0439},
  };
  for (const auto& row : rows) {
    if (name.compare(QLatin1String(row.name), Qt::CaseInsensitive) == 0) return row.lcid;
  }
  return 0x0C00;
}

// Two-digit years become four-digit ones: the Windows defaults show the
// century, and Qt's short formats of several locales do not.
QString WidenYears(const QString& pattern) {
  QString out;
  bool quoted = false;
  for (qsizetype i = 0; i < pattern.size();) {
    const QChar c = pattern.at(i);
    if (c == u'\'') {
      quoted = !quoted;
      out += c;
      ++i;
      continue;
    }
    if (!quoted && c == u'y') {
      qsizetype n = 0;
      while (i + n < pattern.size() && pattern.at(i + n) == u'y') ++n;
      out += QString(n == 2 ? 4 : n, u'y');
      i += n;
      continue;
    }
    out += c;
    ++i;
  }
  return out;
}

// The separator of a pattern: the first run of non-letters between two
// pattern letters (outside quotes).
QString SeparatorOf(const QString& pattern, const QString& fallback) {
  qsizetype i = 0;
  while (i < pattern.size() && !pattern.at(i).isLetter()) ++i;
  while (i < pattern.size() && pattern.at(i).isLetter()) ++i;
  QString sep;
  while (i < pattern.size() && !pattern.at(i).isLetter() && pattern.at(i) != u'\'') sep += pattern.at(i++);
  if (i >= pattern.size() || sep.isEmpty()) return fallback;
  const QString trimmed = sep.trimmed();
  return trimmed.isEmpty() ? sep.left(1) : trimmed;
}

// Group sizes as the locale writes a long number ("12,34,567" -> 3 and 2).
void GroupSizesOf(const QLocale& locale, int* primary, int* secondary) {
  const QString sep = locale.groupSeparator();
  const QString text = locale.toString(1234567890123LL);
  if (sep.isEmpty() || !text.contains(sep)) {
    *primary = 0;
    *secondary = 0;
    return;
  }
  const QStringList parts = text.split(sep);
  *primary = static_cast<int>(parts.last().size());
  *secondary = parts.size() >= 3 ? static_cast<int>(parts.at(parts.size() - 2).size()) : 0;
  if (*secondary == *primary) *secondary = 0;
}

void FillNames(const QLocale& locale, UserLocale* out) {
  out->monthNames.clear();
  out->abbrevMonthNames.clear();
  out->dayNames.clear();
  out->abbrevDayNames.clear();
  for (int m = 1; m <= 12; ++m) {
    out->monthNames << locale.monthName(m, QLocale::LongFormat);
    out->abbrevMonthNames << locale.monthName(m, QLocale::ShortFormat);
  }
  // Qt counts Monday as 1 and Sunday as 7; the legacy lists start on Sunday.
  for (int d : {7, 1, 2, 3, 4, 5, 6}) {
    out->dayNames << locale.dayName(d, QLocale::LongFormat);
    out->abbrevDayNames << locale.dayName(d, QLocale::ShortFormat);
  }
}

struct PinState {
  std::mutex mutex;
  std::shared_ptr<const UserLocale> pinned;
};

PinState& Pins() {
  static PinState state;
  return state;
}

}  // namespace

UserLocale UserLocale::EnglishUS() {
  UserLocale l;
  FillNames(QLocale(QLocale::English, QLocale::UnitedStates), &l);
  return l;
}

UserLocale UserLocale::FromQtLocale(const QString& qtName) {
  const QLocale q(qtName);
  if (q.language() == QLocale::C) return EnglishUS();
  UserLocale l;
  l.name = q.name().replace(u'_', u'-');
  l.lcid = LcidFor(l.name);
  l.languageName = QLocale::languageToString(q.language()) + QStringLiteral(" (") +
                   QLocale::territoryToString(q.territory()) + QStringLiteral(")");
  l.countryName = q.nativeTerritoryName();
  l.englishCountryName = QLocale::territoryToString(q.territory());
  l.decimalSeparator = q.decimalPoint();
  l.thousandSeparator = q.groupSeparator();
  GroupSizesOf(q, &l.groupSize, &l.secondaryGroupSize);
  l.shortDatePattern = WidenYears(WindowsPatternFromQt(q.dateFormat(QLocale::ShortFormat)));
  l.longDatePattern = WindowsPatternFromQt(q.dateFormat(QLocale::LongFormat));
  l.longTimePattern = WindowsPatternFromQt(q.timeFormat(QLocale::LongFormat));
  l.dateSeparator = SeparatorOf(l.shortDatePattern, QStringLiteral("/"));
  l.timeSeparator = SeparatorOf(l.longTimePattern, QStringLiteral(":"));
  l.amDesignator = q.amText();
  l.pmDesignator = q.pmText();
  FillNames(q, &l);
  return l;
}

UserLocale UserLocale::Host() {
  static const UserLocale host = FromQtLocale(QLocale::system().name());
  return host;
}

bool UserLocale::DayFirst() const {
  bool quoted = false;
  for (const QChar c : shortDatePattern) {
    if (c == u'\'') quoted = !quoted;
    if (quoted) continue;
    if (c == u'd' || c == u'D') return true;
    if (c == u'M' || c == u'y') return false;
  }
  return false;
}

UserLocale CurrentUserLocale() { return *SharedUserLocale(); }

std::shared_ptr<const UserLocale> SharedUserLocale() {
  {
    PinState& s = Pins();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.pinned) return s.pinned;
  }
  static const auto host = std::make_shared<const UserLocale>(UserLocale::Host());
  return host;
}

void SetUserLocale(const UserLocale& locale) {
  PinState& s = Pins();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.pinned = std::make_shared<const UserLocale>(locale);
}

void ResetUserLocale() {
  PinState& s = Pins();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.pinned.reset();
}

ScopedUserLocale::ScopedUserLocale(const UserLocale& locale) : hadPinned_(false) {
  PinState& s = Pins();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.pinned) {
    hadPinned_ = true;
    previous_ = *s.pinned;
  }
  s.pinned = std::make_shared<const UserLocale>(locale);
}

ScopedUserLocale::~ScopedUserLocale() {
  PinState& s = Pins();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (hadPinned_) {
    s.pinned = std::make_shared<const UserLocale>(previous_);
  } else {
    s.pinned.reset();
  }
}

QString WindowsPatternFromQt(const QString& qtPattern) {
  const bool twelveHour = qtPattern.contains(u'A') || qtPattern.contains(u'a');
  QString out;
  for (qsizetype i = 0; i < qtPattern.size();) {
    const QChar c = qtPattern.at(i);
    if (c == u'\'') {
      // Quoted text is copied with its quotes; Windows patterns quote the same way.
      qsizetype j = i + 1;
      while (j < qtPattern.size() && qtPattern.at(j) != u'\'') ++j;
      out += qtPattern.mid(i, j - i + 1);
      i = j + 1;
      continue;
    }
    qsizetype n = 1;
    while (i + n < qtPattern.size() && qtPattern.at(i + n) == c) ++n;
    if (c == u'h') {
      out += QString(n, twelveHour ? u'h' : u'H');
    } else if (c == u'A' || c == u'a') {
      out += QStringLiteral("tt");
      if (i + n < qtPattern.size() && (qtPattern.at(i + n) == u'P' || qtPattern.at(i + n) == u'p')) ++n;
    } else if (c == u't') {
      while (out.endsWith(u' ')) out.chop(1);
    } else if (c == u'z') {
      if (out.endsWith(u'.') || out.endsWith(u',')) out.chop(1);
    } else {
      out += qtPattern.mid(i, n);
    }
    i += n;
  }
  return out.trimmed();
}

}  // namespace vb
