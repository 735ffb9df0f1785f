#include "program/progress/ErrorReport.h"

#include "program/foundation/ProgramTestFixture.h"
#include "program/foundation/modReg.h"
#include "platform/system/LocaleInfo.h"

#include <QSysInfo>

#include <gtest/gtest.h>

namespace OrvaneMac {
namespace {

const QString kApp = QStringLiteral("Prog/OrvaneMac/");

class ErrorReportTest : public ProgramTest {
 protected:
  void WriteLog(const QString& name, const QString& text) { WriteBytes(kApp + name, Bom() + Utf16(text)); }
  QString Tail(const QString& name) { return modGeneral::CollectLogAttachment(name); }
};

TEST_F(ErrorReportTest, TheSystemReportCarriesTheHostAndTheSessionUnderItsLabels) {
  Program().TypedLoginName = "jsmith";
  Program().QuotaTotalText = "2,048 MB";
  Program().QuotaUsedText = "512 MB";
  const QString product = modReg::ReadRegistryValue(win::HKEY_LOCAL_MACHINE,
                                                    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\", "ProductName")
                              .ToString();
  EXPECT_FALSE(product.isEmpty());
  const QString expected =
      "<<< USER FEEDBACK FROM ORVANE FOR MAC - WINDOWS RESTORE version >>>1.0.0\r\n"
      "User's Operating System:  " + product + "\r\n"
      "OS Version: " + QSysInfo::kernelVersion() + "\r\n"
      "User's Browser: Internet Explorer version  \r\n"
      "Does the user connect through a proxy server? Direct (No Proxy Server)\r\n"
      "Orvane Username: jsmith\r\n"
      "User's Quota: 2,048 MB\r\n"
      "User's Used Space: 512 MB\r\n"
      "User's e-mail address: ann%40example%2Eorg\r\n"
      "User's Contact Phone Number:555%2D1234%26EMAIL%3Dx\r\n"
      "User 's technical issues/comments/suggestions:\r\n\r\n";
  EXPECT_EQ(SystemReport({"ann@example.org", "555-1234&EMAIL=x"}), expected);
  // Before the quota was ever shown its lines end after their labels.
  Program().QuotaTotalText.clear();
  Program().QuotaUsedText.clear();
  EXPECT_TRUE(SystemReport({"a@b.cd", ""}).contains("User's Quota: \r\nUser's Used Space: \r\n"));
}

TEST_F(ErrorReportTest, TheMessageIsEncodedLineByLine) {
  struct Case {
    QString message;
    QString expected;
  };
  const Case cases[] = {
      {"", ""},
      {"   ", ""},
      {"It fails", "It%20fails"},
      {"a&b=c", "a%26b%3Dc"},
      {"first\r\nsecond", "first\nsecond\n"},
      {"first\r\n\r\n   \r\nlast", "first\n\n\nlast\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReportMessageText(c.message), c.expected) << c.message.toStdString();
}

TEST_F(ErrorReportTest, ATailKeepsTheNewestNonBlankLinesUpToTheCap) {
  EXPECT_EQ(Tail("OrvaneLogFile.txt"), "");  // no such file
  WriteLog("OrvaneLogFile.txt", "one line without an end");
  EXPECT_EQ(Tail("OrvaneLogFile.txt"), "");
  WriteLog("OrvaneLogFile.txt", "Error : no route\r\n\r\n   \r\nSuccess : done\r\n");
  EXPECT_EQ(Tail("OrvaneLogFile.txt"), "Error%20%3A%20no%20route\nSuccess%20%3A%20done\n");
  EXPECT_FALSE(Exists(kApp + "TmpLogAttach.txt"));

  // 300 lines of 99 characters: each adds 198 bytes, 2 + 101 x 198 = 20000.
  QString big;
  for (int i = 0; i < 300; ++i) big += QStringLiteral("L%1").arg(i, 3, 10, QLatin1Char('0')) + QString(95, 'x') + "\r\n";
  WriteLog("OrvaneLogFile.txt", big);
  QStringList lines = Tail("OrvaneLogFile.txt").split('\n');
  lines.removeLast();
  ASSERT_EQ(lines.size(), 101);
  EXPECT_TRUE(lines.front().startsWith("L199"));
  EXPECT_TRUE(lines.back().startsWith("L299"));
  EXPECT_FALSE(Exists(kApp + "TmpLogAttach.txt"));

  // A scratch file left over counts towards the cap and is deleted.
  WriteBytes(kApp + "TmpLogAttach.txt", Bom() + Utf16(QString(9900, 'z')));
  lines = Tail("OrvaneLogFile.txt").split('\n');
  lines.removeLast();
  EXPECT_EQ(lines.size(), 1);
  EXPECT_FALSE(Exists(kApp + "TmpLogAttach.txt"));
}

TEST_F(ErrorReportTest, TheLogsAndLocaleDetailsFollowTheMessage) {
  QString report = "MSG";
  modGeneral::BuildErrorReportLogs(report);
  // Neither log: the language heading follows the message directly.
  EXPECT_TRUE(report.startsWith("MSG\r\nSystem language details: \r\n\r\nStandards and format details:\r\nLocale ID: "))
      << report.toStdString();
  EXPECT_TRUE(report.contains("\r\nDecimal: .\r\nThousands: ,\r\n"));
  EXPECT_TRUE(report.contains("\r\n\r\nLanguage for non-Unicode programs:\r\nLocale ID: "));

  WriteLog("TraceFile.txt", "Enter ValidateLogMail\r\n");
  report = "MSG";
  modGeneral::BuildErrorReportLogs(report);
  EXPECT_TRUE(report.startsWith(
      "MSG\r\n\r\n----------OrvaneTraceFile--------------\r\nEnter%20ValidateLogMail\n\r\nSystem language details: "));

  WriteLog("OrvaneLogFile.txt", "Success : restored\r\n");
  report = "MSG";
  modGeneral::BuildErrorReportLogs(report);
  EXPECT_TRUE(report.startsWith("MSG\r\n\r\n----------OrvaneLogFile----------------\r\nSuccess%20%3A%20restored\n"
                                "\r\n\r\n----------OrvaneTraceFile--------------\r\n"));
}

TEST_F(ErrorReportTest, TheLocaleBlockHasSevenLines) {
  const QString block = modGeneral::GetSystemLanguageDetails("Regional");
  const QStringList lines = block.split("\r\n");
  ASSERT_EQ(lines.size(), 7);
  EXPECT_EQ(lines[0], "Locale ID: 0409");
  EXPECT_EQ(lines[3], "Decimal: .");
  EXPECT_EQ(lines[4], "Thousands: ,");
  EXPECT_TRUE(lines[1].startsWith("Country: ")) << lines[1].toStdString();
  EXPECT_TRUE(lines[6].startsWith("Short Date: "));
  EXPECT_EQ(modGeneral::GetSystemLanguageDetails("codepage").split("\r\n").size(), 7);
}

}  // namespace
}  // namespace OrvaneMac
