#include "platform/text/Conversion.h"

#include "platform/errors/ErrorTesting.h"

#include "platform/errors/RuntimeError.h"
#include "platform/text/TestLocales.h"
#include "platform/text/UserLocale.h"

#include <gtest/gtest.h>


namespace {

using vb::test::ErrorOf;

using vb::test::German;

class Conversion : public ::testing::Test {
 protected:
  vb::ScopedUserLocale locale_{vb::UserLocale::EnglishUS()};
};

TEST_F(Conversion, ValReadsTheLeadingNumberOnly) {
  struct Row {
    const char* text;
    double expected;
  };
  const Row rows[] = {
      {"1 2 3", 123},
      {" 1615 198th Street N.E.", 1615198},
      {"24 and 57", 24},
      {"\t-\n7", -7},
      {"&HFFFF", -1},
      {"&hff", 255},
      {"&H10000", 65536},
      {"&HFFFFFFFF", -1},
      {"&O17", 15},
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {"1,5", 1},
      {"-3.5e2", -350},
      {"2D1", 20},
      {"1E", 1},
      {".5", 0.5},
      {"1.2.3", 1.2},
      {"50%", 50},
  };
  for (const auto& r : rows) EXPECT_DOUBLE_EQ(vb::Val(QString::fromUtf8(r.text)), r.expected) << r.text;
  EXPECT_EQ(ErrorOf([] { (void)vb::Val(QStringLiteral("1E999")); }), 6);
  EXPECT_EQ(ErrorOf([] { (void)vb::Val(QStringLiteral("&H123456789")); }), 6);
  vb::ScopedUserLocale de(German());
  EXPECT_DOUBLE_EQ(vb::Val(QStringLiteral("1,5")), 1) << "Val knows only the point";
  EXPECT_DOUBLE_EQ(vb::Val(QStringLiteral("1.5")), 1.5);
}

TEST_F(Conversion, CIntAndCLngRoundHalvesToEvenAndCheckTheRange) {
  struct Row {
    double x;
    int expected;
  };
  const Row rows[] = {
      {0.5, 0},   {1.5, 2},     {2.5, 2},        {3.5, 4},         {-0.5, 0},
      {-1.5, -2}, {-2.5, -2},   {2.5000001, 3},  {2.4999999, 2},   {32767.4, 32767},
      {-32768.5, -32768},
  };
  for (const auto& r : rows) EXPECT_EQ(vb::CInt(r.x), r.expected) << r.x;
  EXPECT_EQ(vb::CLng(2147483646.5), 2147483646);
  EXPECT_EQ(vb::CLng(-2147483648.0), -2147483647 - 1);

  EXPECT_EQ(ErrorOf([] { (void)vb::CInt(32767.5); }), 6);
  EXPECT_EQ(ErrorOf([] { (void)vb::CInt(-32769.0); }), 6);
  EXPECT_EQ(ErrorOf([] { (void)vb::CLng(2147483647.5); }), 6);
  EXPECT_EQ(ErrorOf([] { (void)vb::CByte(256.0); }), 6);
  EXPECT_EQ(ErrorOf([] { (void)vb::CByte(-1.0); }), 6);
  EXPECT_EQ(vb::CByte(255.4), 255);
}

TEST_F(Conversion, TextIsReadWithTheLocaleSeparators) {
  EXPECT_EQ(vb::CInt(QStringLiteral(" 12 ")), 12);
  EXPECT_EQ(vb::CLng(QStringLiteral("1,5")), 15) << "English settings: ',' groups digits";
  EXPECT_EQ(vb::CLng(QStringLiteral("1,234,567")), 1234567);
  EXPECT_EQ(vb::CInt(QStringLiteral("2.5")), 2);
  EXPECT_EQ(vb::CInt(QStringLiteral("&HFFFF")), -1);
  EXPECT_EQ(vb::CLng(QStringLiteral("-1e3")), -1000);
  EXPECT_DOUBLE_EQ(vb::CDbl(QStringLiteral("1,234.5")), 1234.5);
  EXPECT_DOUBLE_EQ(vb::CDbl(QStringLiteral("(5)")), -5);
  EXPECT_DOUBLE_EQ(vb::CDbl(QStringLiteral("1e-400")), 0);
  EXPECT_EQ(ErrorOf([] { (void)vb::CInt(QString()); }), 13);
  EXPECT_EQ(ErrorOf([] { (void)vb::CInt(QStringLiteral("abc")); }), 13);
  EXPECT_EQ(ErrorOf([] { (void)vb::CLng(QStringLiteral("12abc")); }), 13);
  EXPECT_EQ(ErrorOf([] { (void)vb::CDbl(QStringLiteral("-")); }), 13);
  EXPECT_EQ(ErrorOf([] { (void)vb::CDbl(QStringLiteral("1.2.3")); }), 13);
  EXPECT_EQ(ErrorOf([] { (void)vb::CDbl(QStringLiteral("1e400")); }), 6);
  EXPECT_EQ(ErrorOf([] { (void)vb::CInt(QStringLiteral("40000")); }), 6);
  EXPECT_EQ(ErrorOf([] { (void)vb::CSng(1e39); }), 6);
  EXPECT_TRUE(vb::IsNumeric(QStringLiteral(" -1,000.5 ")));
  EXPECT_FALSE(vb::IsNumeric(QStringLiteral("1 KB")));

  vb::ScopedUserLocale de(German());
  EXPECT_EQ(vb::CInt(QStringLiteral("1,5")), 2);
  EXPECT_DOUBLE_EQ(vb::CDbl(QStringLiteral("1.234,5")), 1234.5);
  EXPECT_EQ(vb::CLng(QStringLiteral("1.5")), 15);
}

TEST_F(Conversion, HugeExponentsOverflowAndNeverEscape) {
  // The exponent itself does not fit 64 bits, or its sum with the digit
  // count would not: each is an overflow (6), never an abort or a wrap to 0.
  for (const char* text : {"1e99999999999999999999", "1e9223372036854775807", "-12.5e9223372036854775807",
                           "99e+9223372036854775806"}) {
    const QString s = QString::fromUtf8(text);
    EXPECT_EQ(ErrorOf([&] { (void)vb::Val(s); }), 6) << text;
    EXPECT_EQ(ErrorOf([&] { (void)vb::CDbl(s); }), 6) << text;
    EXPECT_EQ(ErrorOf([&] { (void)vb::CInt(s); }), 6) << text;
    EXPECT_EQ(ErrorOf([&] { (void)vb::CLng(s); }), 6) << text;
    EXPECT_EQ(ErrorOf([&] { (void)vb::CByte(s); }), 6) << text;
    EXPECT_EQ(ErrorOf([&] { (void)vb::CSng(s); }), 6) << text;
    EXPECT_EQ(ErrorOf([&] { (void)vb::CBool(s); }), 6) << text;
    EXPECT_TRUE(vb::IsNumeric(s)) << text << ": a number, only too large";
  }
  for (const char* text : {"1e-99999999999999999999", "1e-9223372036854775808", "0e99999999999999999999"}) {
    EXPECT_EQ(vb::Val(QString::fromUtf8(text)), 0) << text;
    EXPECT_EQ(vb::CDbl(QString::fromUtf8(text)), 0) << text;
  }
}

TEST_F(Conversion, CBool) {
  EXPECT_TRUE(vb::CBool(-1.0));
  EXPECT_TRUE(vb::CBool(0.1));
  EXPECT_FALSE(vb::CBool(0.0));
  EXPECT_TRUE(vb::CBool(QStringLiteral("True")));
  EXPECT_TRUE(vb::CBool(QStringLiteral(" tRUE ")));
  EXPECT_FALSE(vb::CBool(QStringLiteral("False")));
  EXPECT_TRUE(vb::CBool(QStringLiteral("2")));
  EXPECT_FALSE(vb::CBool(QStringLiteral("0")));
  EXPECT_EQ(ErrorOf([] { (void)vb::CBool(QStringLiteral("yes")); }), 13);
  EXPECT_EQ(ErrorOf([] { (void)vb::CBool(QString()); }), 13);
}

TEST_F(Conversion, CStrOfNumbers) {
  struct Row {
    double x;
    const char* expected;
  };
  const Row rows[] = {
      {0, "0"},
      {1.5, "1.5"},
      {-0.25, "-0.25"},
      {1e15, "1E+15"},
      {123456789012345, "123456789012345"},
      {0.0001, "0.0001"},
      {0.00001, "1E-05"},
      {1.0 / 3, "0.333333333333333"},
      {0.1 + 0.2, "0.3"},
      {123456789012345678.0, "1.23456789012346E+17"},
      {-1.5e-7, "-1.5E-07"},
      {1073741824, "1073741824"},
  };
  for (const auto& r : rows) EXPECT_EQ(vb::CStr(r.x), QString::fromUtf8(r.expected)) << r.expected;
  EXPECT_EQ(vb::CStr(1e7f), "1E+07");
  EXPECT_EQ(vb::CStr(0.1f), "0.1");
  EXPECT_EQ(vb::CStr(1234567.0f), "1234567");
  EXPECT_EQ(vb::CStr(true), "True");
  EXPECT_EQ(vb::CStr(false), "False");
  EXPECT_EQ(vb::CStr(-5), "-5");
  vb::ScopedUserLocale de(German());
  EXPECT_EQ(vb::CStr(1234.5), "1234,5") << "locale separator, no grouping";
}

TEST_F(Conversion, IntegerDivisionModAndDivide) {
  struct Row {
    double a, b;
    int quotient, remainder;
  };
  const Row rows[] = {
      {7, 2, 3, 1},   {-7, 2, -3, -1}, {7, -2, -3, 1}, {-7, -2, 3, -1},
      {2.5, 1, 2, 0}, {3.5, 2, 2, 0},  {7.6, 2.5, 4, 0},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(vb::IntDiv(r.a, r.b), r.quotient) << r.a << " \\ " << r.b;
    EXPECT_EQ(vb::Mod(r.a, r.b), r.remainder) << r.a << " Mod " << r.b;
  }
  EXPECT_EQ(ErrorOf([] { (void)vb::IntDiv(7, 0.4); }), 11) << "the divisor rounds to 0";
  EXPECT_EQ(ErrorOf([] { (void)vb::Mod(7, 0); }), 11);
  EXPECT_EQ(ErrorOf([] { (void)vb::IntDiv(-2147483648.0, -1); }), 6);
  EXPECT_EQ(vb::Mod(-2147483648.0, -1), 0);
  EXPECT_EQ(ErrorOf([] { (void)vb::IntDiv(3e9, 2); }), 6);
  EXPECT_EQ(ErrorOf([] { (void)vb::Divide(1, 0); }), 11);
  EXPECT_EQ(ErrorOf([] { (void)vb::Divide(0, 0); }), 6);
  EXPECT_EQ(ErrorOf([] { (void)vb::Divide(1e308, 1e-10); }), 6);
  EXPECT_DOUBLE_EQ(vb::Divide(1, 4), 0.25);
  EXPECT_EQ(vb::Int(-2.5), -3);
  EXPECT_EQ(vb::Fix(-2.5), -2);
  EXPECT_EQ(vb::Int(2.5), 2);
  EXPECT_DOUBLE_EQ(vb::Round(0.125, 2), 0.12) << "an exact half goes to the even digit";
  EXPECT_DOUBLE_EQ(vb::Round(0.375, 2), 0.38);
  EXPECT_DOUBLE_EQ(vb::Round(-2.5), -2);
  EXPECT_EQ(vb::CheckedInteger(32767), 32767);
  EXPECT_EQ(ErrorOf([] { (void)vb::CheckedInteger(32768); }), 6);
  EXPECT_EQ(ErrorOf([] { (void)vb::CheckedLong(2147483648LL); }), 6);
}

TEST_F(Conversion, DatesAreReadInTheLocaleOrder) {
  struct Row {
    const char* text;
    QDateTime expected;
  };
  const Row rows[] = {
      {"12/08/2026 23:59:29", QDateTime(QDate(2026, 12, 8), QTime(23, 59, 29))},
      {"12-8-26", QDateTime(QDate(2026, 12, 8), QTime(0, 0))},
      {"13/12/2010", QDateTime(QDate(2010, 12, 13), QTime(0, 0))},
      {"2010/03/08 10:20:30", QDateTime(QDate(2010, 3, 8), QTime(10, 20, 30))},
      {"10:20:30 PM", QDateTime(QDate(1899, 12, 30), QTime(22, 20, 30))},
      {"12:05 AM", QDateTime(QDate(1899, 12, 30), QTime(0, 5))},
      {"3/8/2010 2:20:30 AM", QDateTime(QDate(2010, 3, 8), QTime(2, 20, 30))},
      {"08 Mar 2010 10:20:30", QDateTime(QDate(2010, 3, 8), QTime(10, 20, 30))},
      {"Mon, March 8, 2010", QDateTime(QDate(2010, 3, 8), QTime(0, 0))},
      {"1/1/99", QDateTime(QDate(1999, 1, 1), QTime(0, 0))},
      {"1/1/29", QDateTime(QDate(2029, 1, 1), QTime(0, 0))},
  };
  for (const auto& r : rows) EXPECT_EQ(vb::CDate(QString::fromUtf8(r.text)), r.expected) << r.text;

  for (const char* bad : {"", "abc", "2/30/2010", "25:00", "Mon, 08 Mar 2010 10:20:30 GMT", "1/2/3/4", "12:61"}) {
    EXPECT_FALSE(vb::IsDate(QString::fromUtf8(bad))) << bad;
  }
  EXPECT_EQ(ErrorOf([] { (void)vb::CDate(QStringLiteral("nonsense")); }), 13);

  vb::ScopedUserLocale de(German());
  EXPECT_EQ(vb::CDate(QStringLiteral("08.12.2026 23:59:29")), QDateTime(QDate(2026, 12, 8), QTime(23, 59, 29)));
  EXPECT_EQ(vb::CDate(QStringLiteral("12/08/2026")), QDateTime(QDate(2026, 8, 12), QTime(0, 0)));
}

}  // namespace
