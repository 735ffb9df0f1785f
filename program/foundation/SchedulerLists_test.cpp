#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QScrollBar>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>

#include "program/foundation/ProgramTestFixture.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/Scheduler.h"
#include "program/windows/WindowsTestSupport.h"
#include "platform/errors/RuntimeError.h"
#include "platform/ini/PrivateProfile.h"
#include "platform/shell/Shell.h"
#include "program/windows/modGeneralWindows.h"

namespace OrvaneMac {
namespace {

class SchedulerListsTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    testing::App();
  }
  void TearDown() override {
    SetMailPathDiscovery({});
    ProgramTest::TearDown();
  }
  Scheduler& S() { return gScheduler(); }
};

QStringList Texts(int n) {
  // Mixed case, repeats and a spread of first letters.
  QStringList texts;
  for (int i = 0; i < n; ++i) {
    const QString word = QString(QChar(u'a' + (i * 7) % 26)) + QString::number((i * 13) % 10);
    texts << (i % 3 == 0 ? word.toUpper() : word);
  }
  return texts;
}

TEST_F(SchedulerListsTest, QuickSortMatchesAPlainSortAcrossTheInsertionThreshold) {
  for (int n : {2, 61, 62, 200}) {
    for (bool ascending : {true, false}) {
      for (bool exact : {true, false}) {
        QStringList texts = Texts(n);
        QStringList expected = texts;
        const Qt::CaseSensitivity cs = exact ? Qt::CaseSensitive : Qt::CaseInsensitive;
        std::stable_sort(expected.begin(), expected.end(), [&](const QString& a, const QString& b) {
          const int c = QString::compare(a, b, cs);
          return ascending ? c < 0 : c > 0;
        });
        S().QuickSortStringsStart(texts, ascending, exact);
        if (exact) {
          EXPECT_EQ(texts, expected) << n;
        } else {
          // Ignoring case only the folded order is fixed beyond one range.
          for (int i = 0; i < n; ++i) EXPECT_EQ(texts[i].toLower(), expected[i].toLower()) << n << " " << i;
        }
      }
    }
  }
}

TEST_F(SchedulerListsTest, QuickSortEdgeCases) {
  QStringList small{"b", "a", "c"};
  S().QuickSortStringsStart(small, false, true);
  EXPECT_EQ(small, QStringList({"c", "b", "a"}));

  // Ignoring case, apple and Apple are equal and keep their order in an
  // insertion-sorted range.
  QStringList fruit{"pear", "apple", "Apple", "fig"};
  S().QuickSortStringsStart(fruit, true, false);
  EXPECT_EQ(fruit, QStringList({"apple", "Apple", "fig", "pear"}));
  QStringList swapped{"Apple", "apple"};
  S().QuickSortStringsStart(swapped, true, false);
  EXPECT_EQ(swapped, QStringList({"Apple", "apple"}));
  // By character codes capitals come first.
  S().QuickSortStringsStart(fruit, true, true);
  EXPECT_EQ(fruit, QStringList({"Apple", "apple", "fig", "pear"}));

  QStringList one{"x"};
  S().QuickSortStringsStart(one, true, true);
  EXPECT_EQ(one, QStringList({"x"}));
  QStringList none;
  try {
    S().QuickSortStringsStart(none, true, true);
    ADD_FAILURE() << "an empty array raised nothing";
  } catch (const vb::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 9);
  }
}

TEST_F(SchedulerListsTest, DistinctPathsCollapseDoubledBackslashes) {
  auto paths = std::make_shared<vb::Collection>();
  S().RemoveDuplicate(paths, "C:\\Data\\");
  S().RemoveDuplicate(paths, "C:\\\\Data\\\\");
  S().RemoveDuplicate(paths, "c:\\data\\");  // keys ignore case
  S().RemoveDuplicate(paths, "C:\\\\Other\\\\");
  ASSERT_EQ(paths->Count(), 2);
  EXPECT_EQ(paths->Item(2).ToString(), "C:\\Other\\");
  EXPECT_FALSE(Exists("Prog/OrvaneMac/TraceFile.txt"));  // nothing traced
}

TEST_F(SchedulerListsTest, HostLookUps) {
  EXPECT_EQ(S().GetHostNameFromIP("abc"), "");
  EXPECT_EQ(TraceLines(), QStringList({"Invalid IP address"}));
  // The broadcast address reads as the failure value and is refused too.
  EXPECT_EQ(S().GetHostNameFromIP("255.255.255.255"), "");
  EXPECT_EQ(TraceLines().size(), 2);

  EXPECT_EQ(S().GetIPFromHostName("192.0.2.7"), "192.0.2.7");
  EXPECT_EQ(S().GetIPFromHostName("localhost"), "127.0.0.1");
  EXPECT_EQ(S().GetIPFromHostName("no-such-host.invalid"), "");
  // "localhost" has no "." and comes back whole.
  EXPECT_EQ(S().GetHostNameFromIP("127.0.0.1"), "localhost");
}

TEST_F(SchedulerListsTest, SmallHelpers) {
  for (Integer v : {0, 2, -1}) EXPECT_EQ(S().getCompressionstr(v), "No") << v;
  EXPECT_EQ(S().getCompressionstr(1), "Yes");

  EXPECT_EQ(S().Sch_mainBuildData("Set"), "Set");
  const vb::CollectionPtr set = Items(Program().EnumSchBackupItemSet);
  for (const char* entry : {"D_C:\\Data", "X_skip", "F_C:\\a.txt"}) set->Add(QString(entry));
  EXPECT_EQ(S().Sch_mainBuildData("Set"), QString("Set") + QChar(8) + "C:\\Data" + QChar(8) + "C:\\a.txt");

  // The fixture's clock stands at 12/08/2026 23:59:29.
  EXPECT_TRUE(S().Sch_dat_validate("12/09/2026 00:59:29"));
  EXPECT_FALSE(S().Sch_dat_validate("12/08/2026 22:59:29"));
  EXPECT_FALSE(S().Sch_dat_validate("no date"));
  EXPECT_TRUE(TraceLines().last().endsWith("in procedure Sch_dat_validate of Class Module Scheduler"));
}

TEST_F(SchedulerListsTest, StatusFileKeepsItsTailAfterTheChangeText) {
  WriteBytes("Prog/status.txt", "0123456789");
  S().sch_changefiledata("ab", "C:\\Prog\\status.txt", true);
  EXPECT_EQ(Bytes("Prog/status.txt"), QByteArray("ab\r\n456789"));
  S().sch_changefiledata("1", "C:\\Prog\\flag.txt", false);  // a missing flag file
  EXPECT_EQ(Bytes("Prog/flag.txt"), Bom() + Utf16("1\r\n"));
}

TEST_F(SchedulerListsTest, OracleSetsAreFoundIgnoringCase) {
  Program().AccountName = " acct ";
  const QChar bs(8);
  WriteBytes("Prog/OrvaneMac/acct/OracleBackupsetData.txt",
             Bom() + Utf16(QString("SALES") + bs + "x\r\nHR" + bs + "y\r\n"));
  S().DB_ReadBackOracledata();
  EXPECT_EQ(Program().OracleBackupSetList->Count(), 2);
  EXPECT_TRUE(S().CheckOracleBackStatus(0, "Sales"));
  EXPECT_FALSE(S().CheckOracleBackStatus(0, "Finance"));
  EXPECT_EQ(S().GetOracleBackSetName("no name"), "");
}

TEST_F(SchedulerListsTest, MailListsAppendEveryTime) {
  WriteBytes("Prog/OrvaneMac/CCto.txt", Bom() + Utf16("cc1@x\r\ncc2@x\r\n"));
  WriteBytes("Prog/to.txt", Bom() + Utf16("to@x\r\n \r\n"));
  ASSERT_TRUE(win::ChDir("C:\\Prog"));
  Program().MailToListFile = "C:\\Prog\\to.txt";
  QWidget window;
  auto* to = new QComboBox(&window);
  to->setObjectName("cmbMailTo");
  auto* cc = new QComboBox(&window);
  cc->setObjectName("cmbMailCc");
  auto* notify = new QLineEdit(&window);
  notify->setObjectName("txtEmailNotification");
  S().Sch_LoadMailid(&window);
  S().Sch_LoadMailid(&window);
  EXPECT_EQ(to->count(), 4);  // "to@x" and the blank line, twice
  ASSERT_EQ(cc->count(), 4);
  EXPECT_EQ(cc->itemText(3), "cc2@x");
  S().Sch_LoadMailidList(&window);
  S().Sch_LoadMailidList(&window);
  EXPECT_EQ(notify->text(), "to@x, to@x, ");

  // A window without the controls fails with the class's error line.
  QWidget bare;
  S().Sch_maildisable(&bare);
  EXPECT_TRUE(TraceLines().last().endsWith("in procedure Sch_maildisable of Class Module Scheduler"));
}

TEST_F(SchedulerListsTest, MailControlsSwitchOffAndOn) {
  QWidget window;
  auto* to = new QComboBox(&window);
  to->setObjectName("cmbMailTo");
  to->setEditable(true);
  to->setCurrentText("a@x");
  auto* cc = new QComboBox(&window);
  cc->setObjectName("cmbMailCc");
  cc->addItem("c@x");
  auto* list = new QListWidget(&window);
  list->setObjectName("lstMailAdd");
  auto* host = new QLineEdit("mail.example", &window);
  host->setObjectName("txtHostname");
  auto* log = new QCheckBox(&window);
  log->setObjectName("chkMailLog");
  log->setChecked(true);
  S().Sch_maildisable(&window);
  EXPECT_EQ(to->currentText(), "");
  EXPECT_EQ(cc->currentIndex(), -1);
  EXPECT_EQ(host->text(), "");
  EXPECT_FALSE(log->isChecked());
  for (QWidget* w : std::initializer_list<QWidget*>{to, cc, list, host, log}) EXPECT_FALSE(w->isEnabled());
  EXPECT_EQ(host->palette().color(QPalette::Base), QColor(192, 192, 192));
  S().Sch_mailenable(&window);
  for (QWidget* w : std::initializer_list<QWidget*>{to, cc, list, host, log}) EXPECT_TRUE(w->isEnabled());
  EXPECT_EQ(host->palette().color(QPalette::Base), QColor(Qt::white));
  EXPECT_FALSE(log->isChecked());  // the check state stays
}

TEST_F(SchedulerListsTest, AutomaticBackupSetNameComesFromTheTable) {
  const QChar bs(8);
  WriteBytes("Prog/OrvaneMac/acct/BacksetData.txt",
             Bom() + Utf16(QString("autobkupzqwin") + bs + "\r\nDocs" + bs + "\r\nzqsimpleautobkup" + bs + "\r\n"));
  Program().BackupSetListFile = "C:\\Prog\\OrvaneMac\\acct\\BacksetData.txt";
  QLineEdit box;
  EXPECT_FALSE(S().Sch_LoadBacksetNameatbkup(&box));
  EXPECT_EQ(box.text(), "zqsimpleautobkup");  // the last one found
  EXPECT_EQ(Program().BackupSetNameList->Count(), 3);
}

TEST_F(SchedulerListsTest, AutomaticSelectionKeepsExistingFoldersOnly) {
  ASSERT_TRUE(QDir().mkpath(Host("Mail")));
  ASSERT_TRUE(QDir().mkpath(Host("Desk")));
  WriteBytes("Prog/OrvaneMac/SimpleAutoPath.ini", "[AUTOFILEPATHS]\r\nOld=1\r\n");
  QStringList calls;
  bool oldFileSeen = false;
  SetMailPathDiscovery([&](const QString& function, const QString& file, const QString&) {
    if (calls.isEmpty()) oldFileSeen = Exists("Prog/OrvaneMac/SimpleAutoPath.ini");
    calls << function;
    const QHash<QString, QString> found{{"GetAutoMSOutlkPath", "C:\\Mail"},  // no trailing "\"
                                        {"GetDesktopPath", "C:\\Desk\\"},
                                        {"GetMozillaPath", "C:\\Gone\\"},
                                        {"GetMSNPath", "C:\\Gone"}};
    const QString key = function == "GetAutoMSOutlkPath" ? "MSOutlkPath" : function.mid(3);
    if (found.contains(function)) win::WritePrivateProfileString("AUTOFILEPATHS", key, found[function], file);
  });
  S().GetSimpleAutofilePath();
  EXPECT_FALSE(oldFileSeen);  // the old discovery file went first
  EXPECT_EQ(calls.size(), 13);
  EXPECT_EQ(calls.first(),
            modGeneral::getMajorVersion() >= 6 ? "GetAutoWindowsMailPath" : "GetAutoOutlkExpPath");
  EXPECT_EQ(Program().MSOutlkPath, "C:\\Mail\\");
  EXPECT_EQ(Program().DesktopPath, "C:\\Desk\\");
  EXPECT_EQ(Program().MozillaPath, "");
  EXPECT_EQ(Program().MSNPath, "");

  // A second call asks only for what is still empty and keeps the file.
  calls.clear();
  S().GetSimpleAutofilePath();
  EXPECT_EQ(calls.size(), 11);
  EXPECT_FALSE(calls.contains("GetDesktopPath"));
  EXPECT_EQ(S().ReadSimpleAutofileProfile("DesktopPath"), "C:\\Desk\\");
  EXPECT_EQ(S().ReadSimpleAutofileProfile("NoSuchKey"), "");
}

TEST_F(SchedulerListsTest, AddScrollLetsTheListScrollToItsLongestItemInItsWindowsFont) {
  QWidget window;
  QFont font = window.font();
  font.setPointSize(font.pointSize() * 2);  // the window's font, not the list's, measures
  window.setFont(font);
  auto* list = new QListWidget(&window);
  list->setFont(QFont(font.family(), font.pointSize() / 2));
  list->resize(60, 80);
  for (const char* item : {"ab", "a much longer line", "the other longest", "b"}) list->addItem(item);
  S().Sch_AddScroll(list);
  const int extent = QFontMetrics(font).horizontalAdvance("a much longer line ");
  EXPECT_EQ(modGeneral::HorizontalExtent(list), extent);
  QApplication::processEvents();
  list->doItemsLayout();  // the list lays its items out again and keeps the extent
  EXPECT_EQ(list->horizontalScrollBar()->maximum(), extent - list->viewport()->width());
}

TEST_F(SchedulerListsTest, TheServiceLogIsMadeAndOpenedLikeAnyDocument) {
  std::vector<win::ShellRequest> asked;
  win::ScopedShellLauncher launcher([&](const win::ShellRequest& r) {
    asked.push_back(r);
    return r.action == win::ShellRequest::Action::OpenDocument ? win::SE_ERR_NOASSOC : win::SHELL_EXECUTE_OK;
  });
  ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
  QWidget window;
  window.setObjectName("frmSchedule");
  S().sch_OpenschLogfile(&window);
  EXPECT_EQ(Bytes("Prog/OrvaneMac/ZQWServiceLog.txt"), Bom());
  // No program for it: the choice of a program follows, as for every file.
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[1].action, win::ShellRequest::Action::OpenWith);
  EXPECT_TRUE(asked[1].target.endsWith("/Prog/OrvaneMac/ZQWServiceLog.txt")) << asked[1].target.toStdString();
  const QString trace = TraceLines().join('\n');
  EXPECT_TRUE(trace.contains("Enter Trf_ViewFile frmScheduleC:\\Prog\\OrvaneMac\\ZQWServiceLog.txt"))
      << trace.toStdString();
}

}  // namespace
}  // namespace OrvaneMac
