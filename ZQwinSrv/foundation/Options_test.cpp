#include "ZQwinSrv/foundation/Options.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

#include "platform/clock/Clock.h"
#include "platform/clock/FakeClock.h"
#include "platform/paths/WinPath.h"
#include "platform/ui/RecordingMessageBox.h"

namespace OrvaneSrv {
namespace {

class OptionsTest : public EngineTest {
 protected:
  QByteArray Bytes(const QString& relative) const { return EngineTest::Bytes("Prog/OrvaneMac/" + relative); }
};

TEST_F(OptionsTest, TransferLogEntriesByCode) {
  WriteTransferLog(" Done ", 1);
  EXPECT_EQ(Bytes("OrvaneLogFile.txt"), Bom() + Utf16("Success     : 12/08/2026 23:59:29 : Done\r\n"));

  struct Row {
    const char* message;
    Integer code;
    const char* written;
  };
  const Row rows[] = {
      {"  x  ", 0, "Information : 12/08/2026 23:59:29 : x\r\n"},
      {"bad", 2, "Error       : 12/08/2026 23:59:29 : bad\r\n"},
      {"list", 6, "Sync list   : 12/08/2026 23:59:29 : list\r\n"},
      {"  kept", 4, "\r\nInformation : 12/08/2026 23:59:29 :   kept\r\n"},
      {"anything", 5, "\r\n\r\n"},
      {"anything", 3, "\r\n"},
      {"   ", 1, "\r\n"},
  };
  for (const Row& row : rows) {
    const QByteArray before = Bytes("OrvaneLogFile.txt");
    WriteTransferLog(row.message, row.code);
    EXPECT_EQ(Bytes("OrvaneLogFile.txt").mid(before.size()), Utf16(row.written)) << row.code << " " << row.message;
  }
}

TEST_F(OptionsTest, SessionLogGetsAllButLineEndEntries) {
  Engine().gsSessionFile = "Restore 12-08-2026  23-59-29.txt";
  WriteTransferLog("listed", 0);
  WriteTransferLog("x", 5);
  WriteTransferLog("y", 4);
  const QByteArray line = Utf16("Information : 12/08/2026 23:59:29 : listed\r\n");
  EXPECT_EQ(Bytes("Session/Restore 12-08-2026  23-59-29.txt"), Bom() + line);
  EXPECT_EQ(Bytes("OrvaneLogFile.txt"),
            Bom() + line + Utf16("\r\n\r\n") + Utf16("\r\nInformation : 12/08/2026 23:59:29 : y\r\n"));
}

TEST_F(OptionsTest, ServiceModeWritesDailyScheduleSessionAndServiceLogs) {
  Engine().giMode = 0;
  Engine().gsSessionFile = "s.txt";
  WriteTransferLog("failed", 2);
  const QByteArray entry = Bom() + Utf16("Error       : 12/08/2026 23:59:29 : failed\r\n");
  EXPECT_EQ(Bytes("logs/.txt"), entry);
  EXPECT_EQ(Bytes("ZQWSchErrorLogFile.txt"), entry);
  EXPECT_EQ(Bytes("Session/s.txt"), entry);
  EXPECT_EQ(Bytes("ZQWServiceLog.txt"), entry);
  EXPECT_TRUE(Bytes("OrvaneLogFile.txt").isEmpty());
}

TEST_F(OptionsTest, ScheduleErrorAndResumeEntriesEndAtACrOrANul) {
  gOptions().Opt_WriteInto_SchErrorLog(QString("first\rsecond"), 2);
  gOptions().Opt_WriteInto_SchErrorLog(QString::fromUtf16(u"ab\0cd\rx", 7), 0);
  gOptions().Opt_WriteInto_SchErrorLog("\rkept", 1);
  EXPECT_EQ(Bytes("ZQWSchErrorLogFile.txt"), Bom() + Utf16("Error       : 12/08/2026 23:59:29 : first\r\n"
                                                           "Information : 12/08/2026 23:59:29 : ab\r\n"
                                                           "Success     : 12/08/2026 23:59:29 : \rkept\r\n"));

  Engine().gsSessionFile = "s.txt";
  ASSERT_TRUE(QDir().mkpath(tmp_.path() + "/Prog/OrvaneMac/Session"));
  gOptions().opt_setposofresumeentry("Resuming the restore of file (2) a.txt\r\nto b.txt");
  EXPECT_EQ(Bytes("Session/s.txt"), Bom() + Utf16("Information : 12/08/2026 23:59:29 : Retrying....\r\n"
                                                  "\r\nInformation : 12/08/2026 23:59:29 : Resuming the restore of file "
                                                  "(2) a.txt\r\n"));
}

TEST_F(OptionsTest, TraceAndWholeFileWriters) {
  WriteTrace("  Enter x ");
  EXPECT_EQ(Bytes("TraceFile.txt"), Bom() + Utf16("Enter x\r\n"));
  gOptions().WriteTrace("ansi \u00e9", true);
  EXPECT_EQ(Bytes("ExchBackupTrace.txt"), QByteArray("ansi \xE9\r\n"));

  gOptions().Writeintofile("C:\\Prog\\OrvaneMac\\list.txt", "a\u00e9\nb", true);
  EXPECT_EQ(Bytes("list.txt"), QByteArray("a\xC3\xA9\nb"));
  gOptions().Writeintofile("C:\\Prog\\OrvaneMac\\list.txt", "", true);
  EXPECT_FALSE(QFile::exists(tmp_.path() + "/Prog/OrvaneMac/list.txt")) << "an empty text only deletes";

  EXPECT_EQ(gOptions().WriteintoUnicodefile("C:\\Prog\\OrvaneMac\\u.txt", "first"), "first");
  EXPECT_EQ(Bytes("u.txt"), Bom() + Utf16("first\r\n"));

  gOptions().WriteFirstBit("C:\\Prog\\OrvaneMac\\bit.txt", " 1 ");
  EXPECT_EQ(gOptions().ReadFirstBit("C:\\Prog\\OrvaneMac\\bit.txt"), "1");
  EXPECT_EQ(gOptions().ReadFirstBit("C:\\Prog\\OrvaneMac\\missing.txt"), "");
}

TEST_F(OptionsTest, OptionSummaries) {
  Options& o = gOptions();
  EXPECT_EQ(o.Opt_MakeBakOptionStr(true, true, true, true), "Options : Compress, Incremental, Mirroring, File Encryption");
  EXPECT_EQ(o.Opt_MakeResOptionStr(true, false, true), "Options : Uncompress, Full");
  EXPECT_EQ(o.Opt_MakeResOptionStr(false, true, false), "Options : Incremental");
  EXPECT_EQ(o.Opt_MakeResOptionStr(false, false, true), "Options : Full");
}

TEST_F(OptionsTest, ArchiveBitAndMessageBox) {
  EXPECT_TRUE(gOptions().Opt_getarchbitval("C:\\Prog\\missing")) << "unreadable attributes count as archived";
  QFile f(tmp_.path() + "/Prog/a.txt");
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  EXPECT_TRUE(gOptions().Opt_getarchbitval("C:\\Prog\\a.txt"));
  EXPECT_FALSE(gOptions().Opt_resetarchbitval(vb::Variant("C:\\Prog\\a.txt"))) << "already archived";
  EXPECT_TRUE(gOptions().Opt_setarchbitval(vb::Variant("C:\\Prog\\a.txt")));
  EXPECT_FALSE(gOptions().Opt_getarchbitval("C:\\Prog\\a.txt"));
  EXPECT_TRUE(gOptions().Opt_resetarchbitval(vb::Variant("C:\\Prog\\a.txt")));

  win::RecordingMessageBox box;
  Engine().gsMsgBoxTitle = "Orvane for Mac - Windows Restore";
  gOptions().clsMessageBox("text", 2, 0);
  ASSERT_EQ(box.Shown().size(), 1u);
  EXPECT_EQ(box.Shown()[0].title, "Orvane for Mac - Windows Restore");
  EXPECT_EQ(box.Shown()[0].icon, 2);
}

}  // namespace
}  // namespace OrvaneSrv
