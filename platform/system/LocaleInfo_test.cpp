#include "platform/system/LocaleInfo.h"

#include "platform/text/UserLocale.h"

#include <gtest/gtest.h>

namespace {

vb::UserLocale German() {
  vb::UserLocale l = vb::UserLocale::EnglishUS();
  l.name = "de-DE";
  l.lcid = 0x0407;
  l.languageName = "Deutsch (Deutschland)";
  l.countryName = "Deutschland";
  l.englishCountryName = "Germany";
  l.decimalSeparator = ",";
  l.thousandSeparator = ".";
  l.dateSeparator = ".";
  l.timeSeparator = ":";
  l.shortDatePattern = "dd.MM.yyyy";
  l.longTimePattern = "HH:mm:ss";
  l.dayNames = QStringList{"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
  l.monthNames = QStringList{"Januar", "Februar", "März",      "April",   "Mai",      "Juni",
                             "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
  return l;
}

TEST(LocaleInfo, ItemsFollowThePinnedUserSettings) {
  vb::ScopedUserLocale pinned(German());
  struct Row {
    std::uint32_t item;
    const char* text;
  };
  const Row rows[] = {
      {win::LOCALE_ILANGUAGE, "0407"},
      {win::LOCALE_SLANGUAGE, "Deutsch (Deutschland)"},
      {win::LOCALE_SCOUNTRY, "Deutschland"},
      {win::LOCALE_SABBREVCTRYNAME, "DEU"},  // item 7, which the error report asks for
      {win::LOCALE_SENGCOUNTRY, "Germany"},
      {win::LOCALE_SENGLANGUAGE, "German"},
      {win::LOCALE_SDECIMAL, ","},
      {win::LOCALE_STHOUSAND, "."},
      {win::LOCALE_SGROUPING, "3;0"},
      {win::LOCALE_SDATE, "."},
      {win::LOCALE_STIME, ":"},
      {win::LOCALE_SSHORTDATE, "dd.MM.yyyy"},
      {win::LOCALE_IDATE, "1"},
      {win::LOCALE_STIMEFORMAT, "HH:mm:ss"},
      {win::LOCALE_SDAYNAME1, "Montag"},  // the system's week starts on Monday
      {win::LOCALE_SDAYNAME1 + 6, "Sonntag"},
      {win::LOCALE_SMONTHNAME1 + 2, "März"},
      {win::LOCALE_SNAME, "de-DE"},
      {win::LOCALE_IDEFAULTANSICODEPAGE, "1252"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(win::LocaleItem(win::LOCALE_USER_DEFAULT, row.item), QString::fromUtf8(row.text)) << row.item;
  }
  EXPECT_EQ(win::LocaleItem(0x0407, win::LOCALE_SSHORTDATE | win::LOCALE_NOUSEROVERRIDE), "dd.MM.yyyy");
  EXPECT_EQ(win::GetUserDefaultLCID(), 0x0407u);
  EXPECT_EQ(win::GetUserDefaultLangID(), 0x0407u);
  EXPECT_EQ(win::LocaleItem(0x0409, win::LOCALE_SSHORTDATE), "M/d/yyyy") << "English (United States) is always known";
  EXPECT_FALSE(win::LocaleItem(win::LOCALE_USER_DEFAULT, 0x7777).has_value());
  EXPECT_FALSE(win::LocaleItem(0x0411, win::LOCALE_SSHORTDATE).has_value()) << "a locale that is not in use";

  QString data = "untouched";
  EXPECT_EQ(win::GetLocaleInfo(win::LOCALE_USER_DEFAULT, win::LOCALE_SSHORTDATE, data, 0), 11);
  EXPECT_EQ(win::GetLocaleInfo(win::LOCALE_USER_DEFAULT, win::LOCALE_SSHORTDATE, data, 10), 0) << "no room for the NUL";
  EXPECT_EQ(data, "untouched");
  EXPECT_EQ(win::GetLocaleInfo(win::LOCALE_USER_DEFAULT, win::LOCALE_SSHORTDATE, data, 256), 11);
  EXPECT_EQ(data, "dd.MM.yyyy");

  {
    vb::ScopedUserLocale english(vb::UserLocale::EnglishUS());
    EXPECT_EQ(win::LocaleItem(win::LOCALE_USER_DEFAULT, win::LOCALE_SSHORTDATE), "M/d/yyyy");
    EXPECT_EQ(win::LocaleItem(win::LOCALE_USER_DEFAULT, win::LOCALE_IDATE), "0");
    EXPECT_EQ(win::LocaleItem(win::LOCALE_USER_DEFAULT, win::LOCALE_SABBREVCTRYNAME), "USA");
  }
  EXPECT_EQ(win::LocaleItem(win::LOCALE_USER_DEFAULT, win::LOCALE_SDECIMAL), ",") << "the outer pin is back";
}

TEST(LocaleInfo, CountryCodes) {
  EXPECT_EQ(win::CountryCodeAlpha3("us"), "USA");
  EXPECT_EQ(win::CountryCodeAlpha3("GB"), "GBR");
  EXPECT_EQ(win::CountryCodeAlpha3("AD"), "AND");  // the first entry
  EXPECT_EQ(win::CountryCodeAlpha3("ZW"), "ZWE");  // the last
  EXPECT_EQ(win::CountryCodeAlpha3("XX"), "");
  EXPECT_EQ(win::CountryCodeAlpha3("USA"), "");
}

}  // namespace
