#include <gtest/gtest.h>

#include "program/foundation/Options.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/session/Transfer.h"
#include "platform/files/FileAttributes.h"

namespace OrvaneMac {
namespace {

using OptionsHelpersTest = ProgramTest;

TEST_F(OptionsHelpersTest, OptionSummaries) {
  Options& o = gOptions();
  struct Case {
    bool a, b, c, d;
    const char* text;
  };
  const Case backup[] = {
      {false, true, false, true, "Options : Incremental, File Encryption"},
      {false, false, false, false, "Options : Full"},
      {true, true, true, true, "Options : Compress, Incremental, Mirroring File Encryption"},
      {false, false, true, false, "Options : Full, Mirroring"},
  };
  for (const Case& c : backup) EXPECT_EQ(o.Opt_MakeBakOptionStr(c.a, c.b, c.c, c.d), c.text);
  EXPECT_EQ(o.Opt_MakeResOptionStr(true, false, true), "Options : Uncompress, Full");
  EXPECT_EQ(o.Opt_MakeResOptionStr(false, true, false), "Options : Incremental");
}

TEST_F(OptionsHelpersTest, OptionQuestions) {
  Options& o = gOptions();
  EXPECT_TRUE(o.Opt_IsIncremental());
  EXPECT_FALSE(o.Opt_IsZip());
  EXPECT_FALSE(o.Opt_IsEnc());  // nobody signed in
  Program().AccountName = "acct";
  gTransfer().Trf_WriteUserProfile("ENCONacct", "1", false);
  EXPECT_TRUE(o.Opt_IsEnc());
  EXPECT_FALSE(o.Opt_IsMirroring());
  gTransfer().Trf_WriteUserProfile("MIRROR", "1", false);
  EXPECT_TRUE(o.Opt_IsMirroring());
}

TEST_F(OptionsHelpersTest, FlagFilesRewriteTheirFirstCharacter) {
  Options& o = gOptions();
  WriteBytes("Prog/flag.txt", Bom() + Utf16("1\r\nmore text"));
  o.WriteFirstBit("C:\\Prog\\flag.txt", " 0 ");
  EXPECT_EQ(Bytes("Prog/flag.txt"), Bom() + Utf16("0\r\nmore text"));
  EXPECT_EQ(o.ReadFirstBit("C:\\Prog\\flag.txt"), "0");
  o.WriteFirstBit("C:\\Prog\\new.txt", "1");
  EXPECT_EQ(Bytes("Prog/new.txt"), Bom() + Utf16("1\r\n"));
  EXPECT_EQ(o.ReadFirstBit("C:\\Prog\\missing.txt"), "");
}

TEST_F(OptionsHelpersTest, ArchiveAttribute) {
  Options& o = gOptions();
  WriteBytes("Prog/a.txt", "x");
  const QString path = "C:\\Prog\\a.txt";
  win::SetAttr(path, 32);
  EXPECT_TRUE(o.Opt_getarchbitval(path));
  EXPECT_FALSE(o.Opt_setarchbitval(path) && win::GetAttr(path) == 32);
  EXPECT_FALSE(o.Opt_getarchbitval(path));
  EXPECT_TRUE(o.Opt_resetarchbitval(path));
  EXPECT_TRUE(o.Opt_getarchbitval(path));
  EXPECT_TRUE(TraceLines().contains("Entet Opt_getarchbitval = True"));
}

TEST_F(OptionsHelpersTest, ScheduleErrorLogIsEightBitText) {
  gOptions().Opt_WriteInto_SchErrorLog(QString::fromUtf8("caf\u00e9"));
  EXPECT_EQ(Bytes("Prog/OrvaneMac/ZQWSchErrorLogFile.txt"), QByteArray("caf\xE9\r\n"));
}

TEST_F(OptionsHelpersTest, TimeZoneRules) {
  Options& o = gOptions();
  // The fifth Sunday of February 2026 does not exist: the fourth answers.
  EXPECT_EQ(o.opt_WeekDayToDate(2026, 2, 0, 5), QDate(2026, 2, 22));
  EXPECT_EQ(o.opt_WeekDayToDate(2026, 3, 0, 2), QDate(2026, 3, 8));
  // A rule of US Pacific time: daylight from the second Sunday of March at
  // 2:00, standard from the first Sunday of November at 2:00.
  Options::TimeZoneRule rule;
  rule.Bias = 480;
  rule.DaylightBias = -60;
  rule.DaylightDate = {0, 3, 0, 2, 2, 0, 0, 0};
  rule.StandardDate = {0, 11, 0, 1, 2, 0, 0, 0};
  const QDateTime summer(QDate(2026, 7, 1), QTime(12, 0));
  const QDateTime winter(QDate(2026, 1, 1), QTime(12, 0));
  EXPECT_TRUE(o.opt_IsDayLight(summer, rule));
  EXPECT_FALSE(o.opt_IsDayLight(winter, rule));
  EXPECT_EQ(o.opt_LocalDateToUTC(summer, rule), QDateTime(QDate(2026, 7, 1), QTime(19, 0)));
  EXPECT_EQ(o.opt_LocalDateToUTC(winter, rule), QDateTime(QDate(2026, 1, 1), QTime(20, 0)));
  EXPECT_EQ(o.opt_UTCToLocalDate(QDateTime(QDate(2026, 7, 1), QTime(19, 0)), rule), summer);
  EXPECT_EQ(o.opt_StripNulls(QString("ab") + QChar(0) + "cd"), "ab");
  EXPECT_EQ(o.opt_StripNulls(QString(QChar(0)) + "cd"), "");
}

}  // namespace
}  // namespace OrvaneMac
