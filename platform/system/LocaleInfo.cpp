#include "platform/system/LocaleInfo.h"

#include "platform/text/UserLocale.h"

#include <QLocale>

namespace win {
namespace {

// ISO 3166-1: each entry is the two-letter code followed by the three-letter one.
constexpr char kCountryCodes[] =
    "ADANDAEAREAFAFGAGATGAIAIAALALBAMARMAOAGOAQATAARARGASASMATAUTAUAUSAWABWAXALAAZAZEBABIHBBBRBBDBGDBEBEL"
    "BFBFABGBGRBHBHRBIBDIBJBENBLBLMBMBMUBNBRNBOBOLBQBESBRBRABSBHSBTBTNBVBVTBWBWABYBLRBZBLZCACANCCCCKCDCOD"
    "CFCAFCGCOGCHCHECICIVCKCOKCLCHLCMCMRCNCHNCOCOLCRCRICUCUBCVCPVCWCUWCXCXRCYCYPCZCZEDEDEUDJDJIDKDNKDMDMA"
    "DODOMDZDZAECECUEEESTEGEGYEHESHERERIESESPETETHFIFINFJFJIFKFLKFMFSMFOFROFRFRAGAGABGBGBRGDGRDGEGEOGFGUF"
    "GGGGYGHGHAGIGIBGLGRLGMGMBGNGINGPGLPGQGNQGRGRCGSSGSGTGTMGUGUMGWGNBGYGUYHKHKGHMHMDHNHNDHRHRVHTHTIHUHUN"
    "IDIDNIEIRLILISRIMIMNININDIOIOTIQIRQIRIRNISISLITITAJEJEYJMJAMJOJORJPJPNKEKENKGKGZKHKHMKIKIRKMCOMKNKNA"
    "KPPRKKRKORKWKWTKYCYMKZKAZLALAOLBLBNLCLCALILIELKLKALRLBRLSLSOLTLTULULUXLVLVALYLBYMAMARMCMCOMDMDAMEMNE"
    "MFMAFMGMDGMHMHLMKMKDMLMLIMMMMRMNMNGMOMACMPMNPMQMTQMRMRTMSMSRMTMLTMUMUSMVMDVMWMWIMXMEXMYMYSMZMOZNANAM"
    "NCNCLNENERNFNFKNGNGANINICNLNLDNONORNPNPLNRNRUNUNIUNZNZLOMOMNPAPANPEPERPFPYFPGPNGPHPHLPKPAKPLPOLPMSPM"
    "PNPCNPRPRIPSPSEPTPRTPWPLWPYPRYQAQATREREUROROURSSRBRURUSRWRWASASAUSBSLBSCSYCSDSDNSESWESGSGPSHSHNSISVN"
    "SJSJMSKSVKSLSLESMSMRSNSENSOSOMSRSURSSSSDSTSTPSVSLVSXSXMSYSYRSZSWZTCTCATDTCDTFATFTGTGOTHTHATJTJKTKTKL"
    "TLTLSTMTKMTNTUNTOTONTRTURTTTTOTVTUVTWTWNTZTZAUAUKRUGUGAUMUMIUSUSAUYURYUZUZBVAVATVCVCTVEVENVGVGBVIVIR"
    "VNVNMVUVUTWFWLFWSWSMYEYEMYTMYTZAZAFZMZMBZWZWE";

// "M-D-Y" order of a pattern: "0" month first, "1" day first, "2" year first.
QString DateOrder(const QString& pattern) {
  bool quoted = false;
  for (const QChar c : pattern) {
    if (c == u'\'') quoted = !quoted;
    if (quoted) continue;
    if (c == u'M') return QStringLiteral("0");
    if (c == u'd') return QStringLiteral("1");
    if (c == u'y') return QStringLiteral("2");
  }
  return QStringLiteral("0");
}

QString Grouping(const vb::UserLocale& l) {
  if (l.groupSize <= 0) return QStringLiteral("0");
  if (l.secondaryGroupSize <= 0 || l.secondaryGroupSize == l.groupSize) return QStringLiteral("%1;0").arg(l.groupSize);
  return QStringLiteral("%1;%2;0").arg(l.groupSize).arg(l.secondaryGroupSize);
}

QString Region(const QString& bcp47) {
  const QString last = bcp47.section(u'-', -1);
  return last.size() == 2 && last != bcp47 ? last.toUpper() : QString();
}

std::optional<vb::UserLocale> LocaleFor(std::uint32_t lcid) {
  const vb::UserLocale user = vb::CurrentUserLocale();
  if (lcid == LOCALE_USER_DEFAULT || lcid == user.lcid) return user;
  const vb::UserLocale host = vb::UserLocale::Host();
  if (lcid == LOCALE_SYSTEM_DEFAULT || lcid == host.lcid) return host;
  if (lcid == 0x0409) return vb::UserLocale::EnglishUS();
  return std::nullopt;
}

QString Nth(const QStringList& list, qsizetype i) { return i >= 0 && i < list.size() ? list.at(i) : QString(); }

std::optional<QString> Item(const vb::UserLocale& l, std::uint32_t type) {
  // Day names of the system start with Monday; the settings keep Sunday first.
  if (type >= LOCALE_SDAYNAME1 && type < LOCALE_SDAYNAME1 + 7)
    return Nth(l.dayNames, (type - LOCALE_SDAYNAME1 + 1) % 7);
  if (type >= LOCALE_SABBREVDAYNAME1 && type < LOCALE_SABBREVDAYNAME1 + 7) {
    return Nth(l.abbrevDayNames, (type - LOCALE_SABBREVDAYNAME1 + 1) % 7);
  }
  if (type >= LOCALE_SMONTHNAME1 && type < LOCALE_SMONTHNAME1 + 12) return Nth(l.monthNames, type - LOCALE_SMONTHNAME1);
  if (type >= LOCALE_SABBREVMONTHNAME1 && type < LOCALE_SABBREVMONTHNAME1 + 12) {
    return Nth(l.abbrevMonthNames, type - LOCALE_SABBREVMONTHNAME1);
  }
  switch (type) {
    case LOCALE_ILANGUAGE:
      return QStringLiteral("%1").arg(l.lcid & 0xFFFF, 4, 16, QChar(u'0'));
    case LOCALE_SLANGUAGE:
      return l.languageName;
    case LOCALE_SCOUNTRY:
    case LOCALE_SNATIVECTRYNAME:
      return l.countryName;
    case LOCALE_SABBREVCTRYNAME:
      return CountryCodeAlpha3(Region(l.name));
    case LOCALE_SDECIMAL:
      return l.decimalSeparator;
    case LOCALE_STHOUSAND:
      return l.thousandSeparator;
    case LOCALE_SGROUPING:
      return Grouping(l);
    case LOCALE_IDIGITS:
      return QString::number(l.decimalDigits);
    case LOCALE_ILZERO:
      return QString::number(l.leadingZero ? 1 : 0);
    case LOCALE_INEGNUMBER:
      return QString::number(static_cast<int>(l.negativeForm));
    case LOCALE_SDATE:
      return l.dateSeparator;
    case LOCALE_STIME:
      return l.timeSeparator;
    case LOCALE_SSHORTDATE:
      return l.shortDatePattern;
    case LOCALE_SLONGDATE:
      return l.longDatePattern;
    case LOCALE_IDATE:
      return DateOrder(l.shortDatePattern);
    case LOCALE_ILDATE:
      return DateOrder(l.longDatePattern);
    case LOCALE_STIMEFORMAT:
      return l.longTimePattern;
    case LOCALE_S1159:
      return l.amDesignator;
    case LOCALE_S2359:
      return l.pmDesignator;
    case LOCALE_SNAME:
      return l.name;
    case LOCALE_SENGLANGUAGE:
      return QLocale::languageToString(QLocale(l.name).language());
    case LOCALE_SENGCOUNTRY:
      return l.englishCountryName;
    case LOCALE_IDEFAULTANSICODEPAGE:
      return QStringLiteral("1252");  // the system's 8-bit code page is always Windows-1252 here
    default:
      return std::nullopt;
  }
}

}  // namespace

QString CountryCodeAlpha3(const QString& alpha2) {
  if (alpha2.size() != 2) return {};
  const QByteArray key = alpha2.toUpper().toLatin1();
  constexpr std::size_t kEntries = (sizeof kCountryCodes - 1) / 5;
  for (std::size_t i = 0; i < kEntries; ++i) {
    const char* entry = kCountryCodes + i * 5;
    if (entry[0] == key[0] && entry[1] == key[1]) return QString::fromLatin1(entry + 2, 3);
  }
  return {};
}

std::optional<QString> LocaleItem(std::uint32_t lcid, std::uint32_t lcType) {
  const auto locale = LocaleFor(lcid);
  if (!locale) return std::nullopt;
  return Item(*locale, lcType & ~(LOCALE_NOUSEROVERRIDE | LOCALE_USE_CP_ACP));
}

int GetLocaleInfo(std::uint32_t lcid, std::uint32_t lcType, QString& data, int cchData) {
  const auto text = LocaleItem(lcid, lcType);
  if (!text || cchData < 0) return 0;
  const int needed = static_cast<int>(text->size()) + 1;
  if (cchData == 0) return needed;
  if (needed > cchData) return 0;  // ERROR_INSUFFICIENT_BUFFER
  data = *text;
  return needed;
}

std::uint32_t GetUserDefaultLCID() { return vb::CurrentUserLocale().lcid; }

std::uint32_t GetSystemDefaultLCID() { return vb::UserLocale::Host().lcid; }

std::uint16_t GetUserDefaultLangID() { return static_cast<std::uint16_t>(GetUserDefaultLCID() & 0xFFFF); }

std::uint16_t GetSystemDefaultLangID() { return static_cast<std::uint16_t>(GetSystemDefaultLCID() & 0xFFFF); }

}  // namespace win
