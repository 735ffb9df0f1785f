#include "program/foundation/Options.h"

#include <gtest/gtest.h>

#include "ZQwinSrv/foundation/Options.h"
#include "program/foundation/ProgramTestFixture.h"

namespace OrvaneMac {
namespace {

class OptionsTest : public ProgramTest {
 protected:
  QByteArray Log() const { return Bytes("Prog/OrvaneMac/OrvaneLogFile.txt"); }
  // What one call added to the transfer log.
  QByteArray Added(const QString& message, Integer kind) {
    const QByteArray before = Log();
    WriteTransferLog(message, kind);
    return Log().mid(before.isEmpty() ? 2 : before.size());
  }
};

TEST_F(OptionsTest, FirstTraceLineCreatesTheFolderAndTheFileWithOneMark) {
  ASSERT_FALSE(Exists("Prog/OrvaneMac"));
  WriteTrace("x ");
  EXPECT_EQ(Bytes("Prog/OrvaneMac/TraceFile.txt"), Bom() + Utf16("x\r\n"));
  WriteTrace("  y");
  WriteTrace("   ");
  EXPECT_EQ(Bytes("Prog/OrvaneMac/TraceFile.txt"), Bom() + Utf16("x\r\ny\r\n\r\n"));
  // The engine writes the same file, line by line in call order.
  OrvaneSrv::Options().WriteTrace("from the engine");
  WriteTrace("z");
  EXPECT_EQ(TraceLines(), (QStringList{"x", "y", "", "from the engine", "z"}));
}

TEST_F(OptionsTest, TransferLogLinesByKind) {
  WriteTransferLog("a//b\r\nc", 1);
  EXPECT_EQ(Log(), Bom() + Utf16("Success     : 12/08/2026 23:59:29 : a/b\r\n"));

  struct Row {
    QString message;
    Integer kind;
    QString written;
  };
  const Row rows[] = {
      // Only the finished line is trimmed: blanks before the message stay.
      {"  signed in  ", 0, "Information : 12/08/2026 23:59:29 :   signed in\r\n"},
      {"failed", 2, "Error       : 12/08/2026 23:59:29 : failed\r\n"},
      {"checked", 3, "Debug       : 12/08/2026 23:59:29 : checked\r\n"},
      {"a///b", 1, "Success     : 12/08/2026 23:59:29 : a//b\r\n"},
      {QString("ab") + QChar(0) + "cd\r\nef", 1, "Success     : 12/08/2026 23:59:29 : ab\r\n"},
      {"one\ntwo", 0, "Information : 12/08/2026 23:59:29 : one\ntwo\r\n"},
      {"   ", 1, "Success     : 12/08/2026 23:59:29 :\r\n"},
      {"Program version\r\n being //used  ", 4, "\r\nInformation : 12/08/2026 23:59:29 : Program version\r\n being /used\r\n"},
      {"anything", 7, "\r\n"},
      {"anything", -1, "\r\n"},
      {"anything", 5, "\r\n"},
      {"anything", 6, "\r\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Added(row.message, row.kind), Utf16(row.written)) << row.kind << " " << row.message.toStdString();
  }
}

TEST_F(OptionsTest, SessionLogGetsTheSameLinesOnlyWhenItsFolderExists) {
  Program().SessionLogFile = "Restore 12-08-2026  23-59-29.txt";
  WriteTransferLog("no folder yet", 0);
  EXPECT_FALSE(Exists("Prog/OrvaneMac/Session"));
  EXPECT_EQ(Log(), Bom() + Utf16("Information : 12/08/2026 23:59:29 : no folder yet\r\n"));

  ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac/Session")));
  WriteTransferLog("x//y", 1);
  WriteTransferLog("whole", 4);
  const QByteArray lines = Utf16("Success     : 12/08/2026 23:59:29 : x/y\r\n\r\nInformation : 12/08/2026 23:59:29 : whole\r\n");
  EXPECT_EQ(Bytes("Prog/OrvaneMac/Session/Restore 12-08-2026  23-59-29.txt"), Bom() + lines);
  EXPECT_TRUE(Log().endsWith(lines));

  Program().SessionLogFile.clear();
  WriteTransferLog("after", 0);
  EXPECT_EQ(Bytes("Prog/OrvaneMac/Session/Restore 12-08-2026  23-59-29.txt"), Bom() + lines);
}

TEST_F(OptionsTest, TimeTakesTheUsersSeparators) {
  vb::UserLocale dotted = vb::UserLocale::EnglishUS();
  dotted.dateSeparator = ".";
  dotted.timeSeparator = ".";
  vb::ScopedUserLocale pinned(dotted);
  WriteTransferLog("x", 0);
  EXPECT_EQ(Log(), Bom() + Utf16("Information : 12.08.2026 23.59.29 : x\r\n"));
}

TEST_F(OptionsTest, ErrorLineOfATrappedError) {
  vb::ErrorInfo error;
  error.number = 13;
  error.description = "Type mismatch";
  TraceError(error, "Opt_IsMirroring", vb::OwnerKind::ClassModule, "Options");
  TraceError(error, "Form_Load", vb::OwnerKind::Form, "Smart");
  EXPECT_EQ(TraceLines(), (QStringList{"Error Reason :Type mismatchin procedure Opt_IsMirroring of Class Module Options",
                                       "Error Reason :Type mismatchin procedure Form_Load of Form Smart"}));
}

}  // namespace
}  // namespace OrvaneMac
