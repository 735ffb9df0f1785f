#include "platform/text/Format.h"

#include "platform/errors/RuntimeError.h"
#include "platform/text/TestLocales.h"
#include "platform/text/UserLocale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using vb::test::German;

class Format : public ::testing::Test {
 protected:
  vb::ScopedUserLocale locale_{vb::UserLocale::EnglishUS()};
  const QDateTime late_{QDate(2026, 12, 8), QTime(23, 59, 29)};
};

// Numbers are rounded from their 15 significant digits: whatever the value,
// those are the digits printf-style rounding to 15 digits gives, ties
// included (1000000000000005 and 0.30000000000000004 have more).
TEST_F(Format, NumbersRoundFromTheirFifteenSignificantDigits) {
  std::vector<double> values = {1000000000000005.0, 0.1 + 0.2, 1.0 / 3, 2.0 / 3, 1e15 - 1, 123456789012345.6,
                                1025.0 / 1024, 99999.0 / 1024, 999999.0 / 1048576, 5e-5, 0.000123456789012345678};
  std::uint64_t state = 88172645463325252ull;  // xorshift: the same values every run
  for (int i = 0; i < 20000; ++i) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    const double unit = static_cast<double>(state >> 11) / 9007199254740992.0;
    values.push_back(unit * std::pow(10.0, static_cast<int>(state % 21) - 5));
    values.push_back(static_cast<double>(state % 2000000) / 1024);
  }
  for (const double x : values) {
    if (x < 1e-9) continue;  // 25 fraction digits hold all 15 from here on
    // All fraction digits shown, no grouping: the 15 significant digits in full.
    QString shown = vb::FormatNumber(x, 25, vb::vbTrue, vb::vbFalse, vb::vbFalse).remove(u'.');
    while (shown.startsWith(u'0')) shown.remove(0, 1);
    QString expected = QString::number(x, 'e', 14);
    expected = expected.left(expected.indexOf(u'e')).remove(u'.');
    ASSERT_EQ(shown.left(15), expected) << x;
    ASSERT_EQ(shown.mid(15).count(u'0'), shown.mid(15).size()) << x;
  }
}

TEST_F(Format, FormatNumberFollowsThePinnedLocale) {
  struct Row {
    double x;
    int decimals;
    const char* expected;
  };
  const Row rows[] = {
      {1234.5, 2, "1,234.50"},
      {0.5, 2, "0.50"},
      {-1234.567, 2, "-1,234.57"},
      {1024, 2, "1,024.00"},
      {500, 2, "500.00"},
      {1.5, 2, "1.50"},
      {2.675, 2, "2.68"},
      {1.005, 2, "1.01"},
      {999.995, 2, "1,000.00"},
      {-0.001, 2, "0.00"},
      {2.5, 0, "3"},
      {-2.5, 0, "-3"},
      {1234567.891, -1, "1,234,567.89"},
      {0, 2, "0.00"},
  };
  for (const auto& r : rows) EXPECT_EQ(vb::FormatNumber(r.x, r.decimals), QString::fromUtf8(r.expected)) << r.x;

  EXPECT_EQ(vb::FormatNumber(0.5, 2, vb::vbFalse), ".50");
  EXPECT_EQ(vb::FormatNumber(-5, 2, vb::vbUseDefault, vb::vbTrue), "(5.00)");
  EXPECT_EQ(vb::FormatNumber(1234.5, 2, vb::vbUseDefault, vb::vbUseDefault, vb::vbFalse), "1234.50");
  EXPECT_THROW((void)vb::FormatNumber(1, -2), vb::RuntimeError);

  {
    vb::ScopedUserLocale de(German());
    EXPECT_EQ(vb::FormatNumber(1234.5, 2), "1.234,50");
    EXPECT_EQ(vb::FormatNumber(1048576.0 / 1024, 2), "1.024,00");
  }
  vb::UserLocale custom = vb::UserLocale::EnglishUS();
  custom.leadingZero = false;
  custom.negativeForm = vb::NegativeNumberForm::Parentheses;
  custom.secondaryGroupSize = 2;
  vb::ScopedUserLocale pinned(custom);
  EXPECT_EQ(vb::FormatNumber(0.25, 2), ".25");
  EXPECT_EQ(vb::FormatNumber(-1.5, 2), "(1.50)");
  EXPECT_EQ(vb::FormatNumber(-1.5, 2, vb::vbUseDefault, vb::vbFalse), "-1.50");
  EXPECT_EQ(vb::FormatNumber(1234567, 0), "12,34,567");
}

TEST_F(Format, NumberPatterns) {
  struct Row {
    double x;
    const char* pattern;
    const char* expected;
  };
  const Row rows[] = {
      {1234.5, "#,##0.00", "1,234.50"},
      {0, "#,##0.00", "0.00"},
      {1234567.891, "#,##0", "1,234,568"},
      {5, "00", "05"},
      {123, "00", "123"},
      {0.5, "0.00", "0.50"},
      {2.675, "0.00", "2.68"},
      {5, "#.##", "5."},
      {0.5, "#.##", ".5"},
      {12.5, ".0", "12.5"},
      {2.5, "0", "3"},
      {-2.5, "0", "-3"},
      {-0.001, "0.00", "0.00"},
      {0.123, "0.0%", "12.3%"},
      {1234567, "#,##0,", "1,235"},
      {-5, "0;(0)", "(5)"},
      {0, "0;(0);\"zero\"", "zero"},
      {5, "\"Size: \"0", "Size: 5"},
      {12345, "000-00", "123-45"},
      {7, "\\#0", "#7"},
      {1.5, "", "1.5"},
      {1234.5, "Standard", "1,234.50"},
      {1234.5, "fixed", "1234.50"},
      {0.25, "Percent", "25.00%"},
      {0, "Yes/No", "No"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(vb::Format(r.x, QString::fromUtf8(r.pattern)), QString::fromUtf8(r.expected)) << r.pattern << " " << r.x;
  }
  vb::ScopedUserLocale de(German());
  EXPECT_EQ(vb::Format(1234.5, QStringLiteral("#,##0.00")), "1.234,50");
}

TEST_F(Format, DatePatterns) {
  struct Row {
    const char* pattern;
    const char* expected;
  };
  const Row rows[] = {
      {"mm/dd/yyyy hh:mm:ss", "12/08/2026 23:59:29"},
      {"mm-dd-yyyy", "12-08-2026"},
      {"HH-MM-SS", "23-59-29"},
      {"hh-mm-ss", "23-59-29"},
      {"hh:nn:ss", "23:59:29"},
      {"dd/mm/yyyy", "08/12/2026"},
      {"yyyy", "2026"},
      {"yy", "26"},
      {"H:mm", "23:59"},
      {"m/d/yy", "12/8/26"},
      {"h:mm AM/PM", "11:59 PM"},
      {"h:mm am/pm", "11:59 pm"},
      {"h A/P", "11 P"},
      {"dddd, mmmm d", "Tuesday, December 8"},
      {"ddd mmm", "Tue Dec"},
      {"w q y", "3 4 342"},
      {"\\h h \"mm\"", "h 23 mm"},
      {"yyyy/mm/dd hh:mm:ss", "2026/12/08 23:59:29"},
      {"Short Date", "12/8/2026"},
      {"Long Time", "11:59:29 PM"},
      {"Short Time", "23:59"},
      {"General Date", "12/8/2026 11:59:29 PM"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(vb::Format(late_, QString::fromUtf8(r.pattern)), QString::fromUtf8(r.expected)) << r.pattern;
  }
  // The session-log stamp: date and time of the same moment.
  const QDateTime at(QDate(2010, 7, 9), QTime(14, 35, 7));
  EXPECT_EQ(vb::Format(at, QStringLiteral("mm-dd-yyyy")) + "  " + vb::Format(at, QStringLiteral("HH-MM-SS")),
            "07-09-2010  14-35-07");
  EXPECT_EQ(vb::Format(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)), QStringLiteral("h:m:s d/m")), "3:4:5 2/1");
}

TEST_F(Format, DateSeparatorsComeFromTheLocale) {
  vb::UserLocale l = German();
  l.timeSeparator = QStringLiteral(".");
  vb::ScopedUserLocale pinned(l);
  EXPECT_EQ(vb::Format(late_, QStringLiteral("mm/dd/yyyy hh:mm:ss")), "12.08.2026 23.59.29");
  EXPECT_EQ(vb::Format(late_, QStringLiteral("mm-dd-yyyy")), "12-08-2026") << "'-' is literal";
}

TEST_F(Format, GeneralDateLeavesOutMidnightAndDayZero) {
  EXPECT_EQ(vb::FormatGeneralDate(late_), "12/8/2026 11:59:29 PM");
  EXPECT_EQ(vb::FormatGeneralDate(QDateTime(QDate(2026, 12, 8), QTime(0, 0))), "12/8/2026");
  EXPECT_EQ(vb::FormatGeneralDate(QDateTime(QDate(1899, 12, 30), QTime(14, 0))), "2:00:00 PM");
  EXPECT_EQ(vb::FormatGeneralDate(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), "12:00:00 AM");
  EXPECT_EQ(vb::Format(late_), "12/8/2026 11:59:29 PM");
  vb::ScopedUserLocale de(German());
  EXPECT_EQ(vb::FormatGeneralDate(late_), "08.12.2026 23:59:29");
  EXPECT_EQ(vb::FormatWithWindowsPattern(late_, QStringLiteral("dddd d. MMMM yyyy 'um' H 'Uhr'")),
            "Tuesday 8. December 2026 um 23 Uhr");
}

TEST(UserLocale, ReadsQtLocalesInWindowsPatternLetters) {
  const vb::UserLocale de = vb::UserLocale::FromQtLocale(QStringLiteral("de_DE"));
  EXPECT_EQ(de.name, "de-DE");
  EXPECT_EQ(de.lcid, 0x0407u);
  EXPECT_EQ(de.decimalSeparator, ",");
  EXPECT_EQ(de.thousandSeparator, ".");
  EXPECT_EQ(de.shortDatePattern, "dd.MM.yyyy");
  EXPECT_EQ(de.longTimePattern, "HH:mm:ss");
  EXPECT_EQ(de.dateSeparator, ".");
  EXPECT_EQ(de.timeSeparator, ":");
  EXPECT_TRUE(de.DayFirst());
  EXPECT_EQ(de.monthNames.value(2), QStringLiteral(u"M\u00E4rz"));

  const vb::UserLocale us = vb::UserLocale::FromQtLocale(QStringLiteral("en_US"));
  EXPECT_EQ(us.shortDatePattern, "M/d/yyyy");
  EXPECT_EQ(us.longTimePattern, "h:mm:ss tt");
  EXPECT_FALSE(us.DayFirst());
  EXPECT_EQ(vb::UserLocale::FromQtLocale(QStringLiteral("C")), vb::UserLocale::EnglishUS());
  const vb::UserLocale hi = vb::UserLocale::FromQtLocale(QStringLiteral("hi_IN"));
  EXPECT_EQ(hi.groupSize, 3);
  EXPECT_EQ(hi.secondaryGroupSize, 2);

  EXPECT_EQ(vb::WindowsPatternFromQt(QStringLiteral("h:mm:ss AP t")), "h:mm:ss tt");
  EXPECT_EQ(vb::WindowsPatternFromQt(QStringLiteral("h:mm")), "H:mm") << "Qt's h without AM/PM is 24-hour";
  EXPECT_EQ(vb::WindowsPatternFromQt(QStringLiteral("HH:mm:ss.zzz")), "HH:mm:ss");
  EXPECT_EQ(vb::WindowsPatternFromQt(QStringLiteral("d 'de' MMMM")), "d 'de' MMMM");
}

TEST(UserLocale, ScopedPinsNestAndRestore) {
  vb::UserLocale a = vb::UserLocale::EnglishUS();
  a.decimalSeparator = QStringLiteral("A");
  vb::UserLocale b = a;
  b.decimalSeparator = QStringLiteral("B");
  const vb::UserLocale before = vb::CurrentUserLocale();
  {
    vb::ScopedUserLocale outer(a);
    {
      vb::ScopedUserLocale inner(b);
      EXPECT_EQ(vb::CurrentUserLocale().decimalSeparator, "B");
    }
    EXPECT_EQ(vb::CurrentUserLocale().decimalSeparator, "A");
  }
  EXPECT_EQ(vb::CurrentUserLocale(), before);
}

}  // namespace
