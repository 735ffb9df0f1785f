#include "program/foundation/Scheduler.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "program/foundation/ProgramTestFixture.h"
#include "platform/text/UserLocale.h"

namespace OrvaneMac {
namespace {

using SchedulerTest = ProgramTest;

TEST_F(SchedulerTest, SortKeysOfSessionLogDates) {
  struct Case {
    const char* text;
    const char* key;
  };
  const Case cases[] = {
      {"06-15-2009 14:05:22", "200906151405"},
      {"06-15-2009 4:05:22", "200906150405"},  // piece 0 ends in " 4"
      {"06-15-2009 14", "200906151400"},       // no minutes field
      {"12-31-1999 23:59:59", "199912312359"},
      {"06-15", "0615" "15" "00"},  // runs past its end: what there is
  };
  for (const Case& c : cases) EXPECT_EQ(gScheduler().Sch_SortBuildDate(c.text), c.key) << c.text;
}

TEST_F(SchedulerTest, KeysSortInTimeOrderToTheMinute) {
  const QStringList texts = {"01-02-2010 09:00:00", "12-31-2009 23:59:59", "01-02-2010 10:00:00",
                             "01-02-2010 9:30:00", "02-01-2010 08:00:00"};
  QStringList keys;
  for (const QString& t : texts) keys << gScheduler().Sch_SortBuildDate(t);
  QStringList sorted = keys;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, QStringList({"200912312359", "201001020900", "201001020930", "201001021000", "201002010800"}));
  EXPECT_EQ(gScheduler().Sch_SortBuildDate("06-15-2009 14:05:01"), gScheduler().Sch_SortBuildDate("06-15-2009 14:05:59"));
}

TEST_F(SchedulerTest, AnotherTimeSeparatorLeavesTheTextWhole) {
  vb::UserLocale dotted = vb::UserLocale::EnglishUS();
  dotted.timeSeparator = ".";
  vb::ScopedUserLocale use(dotted);
  // The whole text is piece 0: its last two characters (the seconds) stand
  // for the hour, and the minutes are 00.
  EXPECT_EQ(gScheduler().Sch_SortBuildDate("06-15-2009 14:05:22"), "200906152200");
}

TEST_F(SchedulerTest, LocaleStrings) {
  EXPECT_EQ(gScheduler().GetLocaleString(31), "M/d/yyyy");
  EXPECT_EQ(gScheduler().GetLocaleString(0x1E), ":");
  EXPECT_EQ(gScheduler().GetLocaleString(0x7FFF), "") << "an item the system does not know";

  vb::UserLocale longest = vb::UserLocale::EnglishUS();
  longest.shortDatePattern = QString(255, u'd');
  {
    vb::ScopedUserLocale use(longest);
    EXPECT_EQ(gScheduler().GetLocaleString(31), longest.shortDatePattern) << "255 characters fit";
  }
  longest.shortDatePattern = QString(256, u'd');
  vb::ScopedUserLocale use(longest);
  EXPECT_EQ(gScheduler().GetLocaleString(31), "") << "256 do not";
}

}  // namespace
}  // namespace OrvaneMac
