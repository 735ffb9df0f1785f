#include "platform/clock/Clock.h"

#include "platform/errors/ErrorTesting.h"

#include "platform/clock/DateTime.h"
#include "platform/clock/FakeClock.h"
#include "platform/errors/RuntimeError.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using vb::test::ErrorOf;

QDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

TEST(Clock, FakeClockFixesTheTimeAndSleepAdvancesIt) {
  vb::FakeClock fake(At(2026, 12, 8, 23, 59, 29, 750), 5000);
  vb::ScopedClock use(fake);
  EXPECT_EQ(vb::Now(), At(2026, 12, 8, 23, 59, 29)) << "Now has whole seconds";
  EXPECT_EQ(vb::Today(), QDate(2026, 12, 8));
  EXPECT_FLOAT_EQ(vb::Timer(), 86369.75f);
  EXPECT_EQ(vb::TickCount(), 5000u);

  vb::Sleep(1500);
  EXPECT_EQ(vb::Now(), At(2026, 12, 8, 23, 59, 31));
  EXPECT_EQ(vb::TickCount(), 6500u);
  vb::Sleep(0);
  vb::Sleep(-5);
  EXPECT_EQ(fake.SleepCalls(), 3);
  EXPECT_EQ(fake.TotalSleptMs(), 1500);

  // Timer goes back to 0 at midnight.
  vb::Sleep(30000);
  EXPECT_EQ(vb::Today(), QDate(2026, 12, 9));
  EXPECT_NEAR(vb::Timer(), 1.25f, 1e-6);

  fake.Set(At(2026, 1, 1, 23, 0, 0, 123));
  EXPECT_NE(static_cast<double>(vb::Timer()), 82800.123) << "a 32-bit float cannot hold it";
  EXPECT_NEAR(vb::Timer(), 82800.123, 1.0 / 128);
}

TEST(Clock, ScopedClockRestoresTheClockBefore) {
  vb::ClockSource* real = &vb::Clock();
  vb::FakeClock outer;
  vb::FakeClock inner(At(2000, 1, 1));
  {
    vb::ScopedClock a(outer);
    {
      vb::ScopedClock b(inner);
      EXPECT_EQ(&vb::Clock(), &inner);
      EXPECT_EQ(vb::Today(), QDate(2000, 1, 1));
    }
    EXPECT_EQ(&vb::Clock(), &outer);
  }
  EXPECT_EQ(&vb::Clock(), real);
  EXPECT_LE(std::abs(vb::Now().secsTo(QDateTime::currentDateTime())), 2);
}

TEST(DateTime, DateValuesRoundTrip) {
  EXPECT_EQ(vb::ToOADate(QDate(1899, 12, 30)), 0);
  EXPECT_EQ(vb::ToOADate(QDate(1900, 1, 1)), 2);
  EXPECT_EQ(vb::ToOADate(At(2026, 12, 8, 12)), 46364.5);
  EXPECT_EQ(vb::ToOADate(At(1899, 12, 29, 6)), -1.25);
  EXPECT_EQ(vb::FromOADate(-1.25), At(1899, 12, 29, 6));
  EXPECT_EQ(vb::FromOADate(46364.5), At(2026, 12, 8, 12));
  EXPECT_EQ(vb::FromOADate(0.25), At(1899, 12, 30, 6));
  EXPECT_EQ(vb::FromOADate(1.0 - 1e-9), At(1899, 12, 31)) << "rounds to whole seconds";
  EXPECT_EQ(vb::FromOADate(vb::ToOADate(At(2010, 7, 9, 14, 35, 7))), At(2010, 7, 9, 14, 35, 7));
  EXPECT_EQ(vb::FromOADate(vb::kMinDate), At(100, 1, 1));
  EXPECT_EQ(ErrorOf([] { (void)vb::FromOADate(vb::kMaxDate); }), 6);
  EXPECT_EQ(ErrorOf([] { (void)vb::FromOADate(vb::kMinDate - 1); }), 6);
}

TEST(DateTime, Weekday) {
  const QDate tuesday(2026, 12, 8);
  EXPECT_EQ(vb::Weekday(tuesday), 3);
  EXPECT_EQ(vb::Weekday(tuesday, vb::vbMonday), 2);
  EXPECT_EQ(vb::Weekday(tuesday, vb::vbTuesday), 1);
  EXPECT_EQ(vb::Weekday(tuesday, vb::vbWednesday), 7);
  EXPECT_EQ(vb::Weekday(QDate(2026, 12, 6)), 1) << "a Sunday";
  EXPECT_EQ(vb::Weekday(QDate(2026, 12, 12)), 7) << "a Saturday";
  EXPECT_EQ(vb::Weekday(tuesday, vb::vbUseSystemDayOfWeek), 3);
  EXPECT_EQ(ErrorOf([&] { (void)vb::Weekday(tuesday, 8); }), 5);
}

TEST(DateTime, DateDiffCountsBoundaries) {
  struct Row {
    const char* interval;
    QDateTime a, b;
    long long expected;
  };
  const Row rows[] = {
      {"yyyy", At(2025, 12, 31, 23, 59, 59), At(2026, 1, 1), 1},
      {"yyyy", At(2026, 1, 1), At(2026, 12, 31), 0},
      {"q", At(2026, 3, 31), At(2026, 4, 1), 1},
      {"m", At(2026, 1, 31), At(2026, 2, 1), 1},
      {"M", At(2026, 2, 1), At(2026, 1, 31), -1},
      {"d", At(2026, 1, 1, 23, 59), At(2026, 1, 2, 0, 1), 1},
      {"y", At(2026, 1, 1), At(2026, 3, 1), 59},
      {"h", At(2026, 1, 1, 10, 59, 59), At(2026, 1, 1, 11), 1},
      {"h", At(2026, 1, 1, 11), At(2026, 1, 1, 10, 59, 59), -1},
      {"n", At(2026, 1, 1, 10, 0, 59), At(2026, 1, 1, 10, 1, 0), 1},
      {"s", At(2026, 1, 1, 23, 59, 59), At(2026, 1, 2), 1},
      {"s", At(2026, 1, 2), At(2026, 1, 1), -86400},
      {"h", At(1899, 12, 29, 23, 30), At(1899, 12, 30, 0, 30), 1},
      {"w", At(2026, 12, 7), At(2026, 12, 13), 0},
      {"w", At(2026, 12, 7), At(2026, 12, 21), 2},
      {"ww", At(2026, 12, 12), At(2026, 12, 13), 1},
      {"ww", At(2026, 12, 13), At(2026, 12, 19), 0},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(vb::DateDiff(QString::fromLatin1(r.interval), r.a, r.b), r.expected)
        << r.interval << " " << r.a.toString().toStdString() << " -> " << r.b.toString().toStdString();
  }
  EXPECT_EQ(vb::DateDiff(QStringLiteral("ww"), At(2026, 12, 13), At(2026, 12, 14), vb::vbMonday), 1);
  EXPECT_EQ(ErrorOf([] { (void)vb::DateDiff(QStringLiteral("x"), At(2026, 1, 1), At(2026, 1, 2)); }), 5);
}

TEST(DateTime, DateAddSerialsCarry) {
  EXPECT_EQ(vb::DateAdd(QStringLiteral("m"), 1, At(2026, 1, 31, 8)), At(2026, 2, 28, 8));
  EXPECT_EQ(vb::DateAdd(QStringLiteral("yyyy"), 1, At(2024, 2, 29)), At(2025, 2, 28));
  EXPECT_EQ(vb::DateAdd(QStringLiteral("n"), -1, At(2026, 1, 1, 0, 0, 30)), At(2025, 12, 31, 23, 59, 30));
  EXPECT_EQ(vb::DateAdd(QStringLiteral("s"), -28800, At(2010, 3, 8, 10, 20, 30)), At(2010, 3, 8, 2, 20, 30));
  EXPECT_EQ(vb::DateAdd(QStringLiteral("d"), 2.5, At(2026, 1, 1)), At(2026, 1, 3)) << "2.5 rounds to 2";
  EXPECT_EQ(ErrorOf([] { (void)vb::DateAdd(QStringLiteral("z"), 1, At(2026, 1, 1)); }), 5);
  EXPECT_EQ(ErrorOf([] { (void)vb::DateAdd(QStringLiteral("yyyy"), 9000, At(2026, 1, 1)); }), 5);

  EXPECT_EQ(vb::FromOADate(vb::DateSerial(2010, 14, 1)), At(2011, 2, 1));
  EXPECT_EQ(vb::FromOADate(vb::DateSerial(2010, 3, 0)), At(2010, 2, 28));
  EXPECT_EQ(vb::FromOADate(vb::DateSerial(2010, 1, -1)), At(2009, 12, 30));
  EXPECT_EQ(vb::FromOADate(vb::DateSerial(10, 7, 9)), At(2010, 7, 9));
  EXPECT_EQ(vb::FromOADate(vb::DateSerial(99, 7, 9)), At(1999, 7, 9));
  EXPECT_EQ(ErrorOf([] { (void)vb::DateSerial(10000, 1, 1); }), 5);
  EXPECT_EQ(vb::FromOADate(vb::TimeSerial(12, -15, 0)), At(1899, 12, 30, 11, 45));
  EXPECT_EQ(vb::FromOADate(vb::DateSerial(2010, 7, 9) + vb::TimeSerial(14, 35, 7)), At(2010, 7, 9, 14, 35, 7));
}

}  // namespace
