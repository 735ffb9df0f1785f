#include "program/progress/frmSessionLog.h"

#include "program/browse/MainWindowControls.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/progress/ProgressTestSupport.h"
#include "program/progress/SessionLogFiles.h"
#include "program/windows/SkinControls.h"
#include "program/windows/Twips.h"
#include "platform/errors/ErrorTesting.h"
#include "platform/shell/Shell.h"

#include <QCheckBox>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

const QString kSession = QStringLiteral("Prog/OrvaneMac/Session/");

// "Restore mm-dd-yyyy  HH-MM-SS.txt" for minute `n` after 09-15-2010 10:00.
QString LogName(int n, const QString& kind = QStringLiteral("Restore")) {
  const QDateTime t(QDate(2010, 9, 15), QTime(10, 0));
  return kind + QLatin1Char(' ') + t.addSecs(n * 60).toString(QStringLiteral("MM-dd-yyyy  HH-mm-ss")) +
         QStringLiteral(".txt");
}

class SessionLogTest : public ProgramTest {
 protected:
  void SetUp() override {
    App();
    ProgramTest::SetUp();
    Program().AppTitle = QStringLiteral("Orvane for Mac - Windows Restore");
  }
  void TearDown() override {
    CancelPending();
    View().Unload();
    ProgramTest::TearDown();
  }
  static frmSessionLog& View() { return frmSessionLog::Instance(); }
  void AddLog(const QString& name) { WriteBytes(kSession + name, Bom() + Utf16(QStringLiteral("log of ") + name)); }
  static QStringList Names(const vb::CollectionPtr& list) {
    QStringList names;
    for (const vb::Variant& v : *list) names << v.ToString();
    return names;
  }
  static QStringList Listed() {
    auto list = std::make_shared<vb::Collection>();
    ListSessionLogNames(list);
    return Names(list);
  }
  static int Rows() { return View().LstSessionLogView()->topLevelItemCount(); }
  static QTreeWidgetItem* Row(int row) { return View().LstSessionLogView()->topLevelItem(row - 1); }
  static void Check(int row, bool on = true) { Row(row)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked); }
};

TEST_F(SessionLogTest, TheScanListsSessionLogsNewestFirstByTheMinute) {
  EXPECT_TRUE(Listed().isEmpty());  // no session folder
  AddLog("Restore 01-02-2011  09-00-00.txt");
  AddLog("Restore 12-31-2010  23-59-59.txt");
  AddLog("Restore 01-02-2011  09-00-30.txt");
  AddLog("ZQSystemState 01-05-2011  10-00-00.txt");
  AddLog("restore 01-03-2011  10-00-00.txt");
  AddLog("Schedule 01-01-2011  08-00-00.txt");
  AddLog("NoBlankName.txt");
  ASSERT_TRUE(QDir().mkpath(Host(kSession + "Restore 01-09-2011  10-00-00.txt")));  // a folder
  // The two logs of 09:00 share their key; the one the walk met later
  // (name order) comes first.
  EXPECT_EQ(Listed(), (QStringList{"restore 01-03-2011  10-00-00.txt", "Restore 01-02-2011  09-00-30.txt",
                                   "Restore 01-02-2011  09-00-00.txt", "Schedule 01-01-2011  08-00-00.txt",
                                   "Restore 12-31-2010  23-59-59.txt"}));
  for (bool ProgramState::*flag :
       {&ProgramState::SessionListBlockedA, &ProgramState::SessionListBlockedB, &ProgramState::SessionListBlockedC}) {
    Program().*flag = true;
    EXPECT_TRUE(Listed().isEmpty());
    Program().*flag = false;
  }
}

TEST_F(SessionLogTest, ARowShowsTheKindStartTimeAndKeyAndLeadsBackToItsName) {
  struct Case {
    QString name;
    int icon;
    QString description;
    QString startTime;
    QString key;
  };
  const Case cases[] = {
      {"Restore 09-15-2010  14-22-05.txt", 2, "Interactive Restore ", " 09-15-2010  14-22-05", "201009151422"},
      {"Schedule 12-01-2009  00-05-59.txt", 1, "Schedule ", " 12-01-2009  00-05-59", "200912010005"},
      {"restore 09-15-2010  14-22-05.txt", 0, "", " 09-15-2010  14-22-05", "201009151422"},
      {"Restore garbled.txt", 2, "Interactive Restore ", " garbled.txt", ""},
      // Signs and a short hour read as numbers: the key keeps its twelve digits.
      {"Restore 09-15-2010  +4-+5-00.txt", 2, "Interactive Restore ", " 09-15-2010  +4-+5-00", "201009150405"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    const auto row = SessionLogRowOf(c.name);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->icon, c.icon);
    EXPECT_EQ(row->description, c.description);
    EXPECT_EQ(row->startTime, c.startTime);
    EXPECT_EQ(row->sortKey, c.key);
    EXPECT_EQ(row->fileName, c.name);
  }
  EXPECT_FALSE(SessionLogRowOf("NoBlank.txt"));
  EXPECT_EQ(SessionFileNameOfRow("Interactive Restore ", " 09-15-2010  14-22-05"), "Restore 09-15-2010  14-22-05.txt");
  EXPECT_EQ(SessionFileNameOfRow("Schedule ", " 12-01-2009  00-05-59"), "Schedule 12-01-2009  00-05-59.txt");
  EXPECT_EQ(vb::test::ErrorOf([] { (void)SessionFileNameOfRow("", " 09-15-2010  14-22-05"); }), 5);
}

TEST_F(SessionLogTest, FiftyOneLogsMakeTwoPagesAndBackReturnsToTheFirst) {
  for (int i = 0; i < 51; ++i) AddLog(LogName(i));
  View().Load();
  EXPECT_EQ(Rows(), 50);
  EXPECT_EQ(View().lblDispItems()->Caption(), "1 to 50 of 51");
  EXPECT_TRUE(View().lblNext()->isEnabled());
  EXPECT_FALSE(View().lblBack()->isEnabled());
  EXPECT_EQ(View().RowFileName(1), LogName(50));  // newest first
  EXPECT_EQ(View().RowFileName(50), LogName(1));
  EXPECT_TRUE(Row(1)->isSelected());
  SaveScreenshot(View().Window(), QStringLiteral("sessionlog_page1"));

  Check(3);
  ClickOn(View().lblNext());
  EXPECT_EQ(Rows(), 1);
  EXPECT_EQ(View().lblDispItems()->Caption(), "51 to 51 of 51");
  EXPECT_EQ(View().RowFileName(1), LogName(0));
  EXPECT_FALSE(View().lblNext()->isEnabled());
  EXPECT_TRUE(View().lblBack()->isEnabled());
  ClickOn(View().lblBack());
  EXPECT_EQ(View().lblDispItems()->Caption(), "1 to 50 of 51");
  EXPECT_EQ(Row(3)->checkState(0), Qt::Unchecked);  // a page is read anew
}

TEST_F(SessionLogTest, ExactlyFiftyLogsMakeOnePageAndAnEmptyFolderDisablesTheCommands) {
  for (int i = 0; i < 50; ++i) AddLog(LogName(i));
  View().Load();
  EXPECT_EQ(View().lblDispItems()->Caption(), "1 to 50 of 50");
  EXPECT_FALSE(View().lblNext()->isEnabled());
  View().Unload();

  QDir(Host(kSession)).removeRecursively();
  View().Load();
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(View().lblDispItems()->Caption(), "");
  EXPECT_FALSE(View().lblBack()->isVisibleTo(View().Window()));
  EXPECT_FALSE(View().lblNext()->isVisibleTo(View().Window()));
  for (QWidget* w : std::initializer_list<QWidget*>{View().cmdView(), View().lbl_cmdView(), View().cmdDelete(),
                                                     View().lbl_cmdDelete(), View().chkSelectAll()})
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  MessageRecorder messages;
  View().cmdView_Click();
  EXPECT_EQ(messages.Texts(), QStringList{"There is no item to view."});
}

TEST_F(SessionLogTest, EveryControlInSightLiesWithinTheWindow) {
  AddLog(LogName(1));
  View().Load();
  QWidget* w = View().Window();
  for (QWidget* control : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!control->isVisibleTo(w) || control->size().isEmpty()) continue;
    EXPECT_TRUE(w->rect().contains(control->geometry())) << control->objectName().toStdString();
  }
}

TEST_F(SessionLogTest, TheLoadGivesTheMainWindowItsNormalPointerBack) {
  QWidget main;
  MainWindow().Smart = &main;
  SetMainMousePointer(11);  // the session-log command's hourglass
  AddLog(LogName(1));
  View().Load();
  EXPECT_EQ(MainMousePointer(), 0);
  MainWindow() = MainWindowControls();
}

TEST_F(SessionLogTest, DeleteRemovesExactlyTheCheckedFilesAndALookAlikeNeverTakesTheOriginal) {
  const QString original = "Restore 09-15-2010  14-22-05.txt";
  const QString copy = "Restore 09-15-2010  14-22-05 (2).txt";
  AddLog(original);
  AddLog(copy);
  AddLog(LogName(1));
  View().Load();
  ASSERT_EQ(Rows(), 3);
  {
    MessageRecorder messages;
    View().cmdDelete_Click();
    EXPECT_EQ(messages.Texts(), QStringList{"Select the item(s) that you want to delete."});
    EXPECT_EQ(Rows(), 3);
  }
  int copyRow = 0;
  for (int r = 1; r <= Rows(); ++r)
    if (View().RowFileName(r) == copy) copyRow = r;
  ASSERT_NE(copyRow, 0);
  Check(copyRow);
  View().cmdDelete_Click();
  EXPECT_FALSE(Exists(kSession + copy));
  EXPECT_TRUE(Exists(kSession + original));
  EXPECT_TRUE(Exists(kSession + LogName(1)));
  EXPECT_EQ(View().lblDispItems()->Caption(), "1 to 2 of 2");

  // A checked row whose file went meanwhile just leaves the list.
  Check(1);
  QFile::remove(Host(kSession + View().RowFileName(1)));
  View().cmdDelete_Click();
  EXPECT_EQ(Rows(), 1);
  EXPECT_TRUE(View().cmdDelete()->isEnabled());
}

TEST_F(SessionLogTest, ARowOfAnotherKindIsNeitherOpenedNorDeleted) {
  AddLog("restore 09-15-2010  14-22-05.txt");
  View().Load();
  Check(1);
  View().cmdDelete_Click();
  EXPECT_TRUE(Exists(kSession + "restore 09-15-2010  14-22-05.txt"));
  EXPECT_EQ(Rows(), 1);
  EXPECT_TRUE(TraceLines().contains(
      "Error Reason :Invalid procedure call or argumentin procedure GetSessionFileSelected_Delete of Class Module "
      "TreeViewControl"));
}

TEST_F(SessionLogTest, ViewDetailsOpensTheSelectedRowsLogWhateverIsChecked) {
  std::vector<win::ShellRequest> requests;
  win::ScopedShellLauncher launcher([&](const win::ShellRequest& r) {
    requests.push_back(r);
    return win::SHELL_EXECUTE_OK;
  });
  AddLog(LogName(1));
  AddLog(LogName(2));
  AddLog(LogName(3));
  View().Load();
  Check(1);
  View().LstSessionLogView()->setCurrentItem(Row(3));
  Program().SkipActivateRepaint = false;
  View().cmdView_Click();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].action, win::ShellRequest::Action::OpenDocument);
  EXPECT_EQ(requests[0].target, Host(kSession + LogName(1)));
  EXPECT_TRUE(Program().SkipActivateRepaint);
  EXPECT_TRUE(Row(3)->isSelected());

  View().LstSessionLogView()->setCurrentItem(nullptr);
  View().LstSessionLogView()->clearSelection();
  MessageRecorder messages;
  View().cmdView_Click();
  EXPECT_EQ(messages.Texts(), QStringList{"Select an item to view its details."});
  EXPECT_EQ(requests.size(), 1u);
}

TEST_F(SessionLogTest, ViewDetailsSaysSoWhenTheDesktopHasNoProgramToOffer) {
  std::vector<win::ShellRequest> requests;
  win::ScopedShellLauncher launcher([&](const win::ShellRequest& r) {
    requests.push_back(r);
    return win::SE_ERR_NOASSOC;
  });
  AddLog(LogName(1));
  View().Load();
  MessageRecorder messages;
  View().cmdView_Click();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].action, win::ShellRequest::Action::OpenWith);
  EXPECT_EQ(messages.Texts(), QStringList{"Unable to open the file C:\\Prog\\OrvaneMac\\Session\\" + LogName(1) +
                                          "\r\nReason: No application is associated with the specified file for "
                                          "this operation."});
}

TEST_F(SessionLogTest, SelectAllFollowsTheRowsAndActsOnThemWhenTheUserChangesIt) {
  for (int i = 0; i < 3; ++i) AddLog(LogName(i));
  View().Load();
  QCheckBox* all = View().chkSelectAll();
  for (int r = 1; r <= 3; ++r) Check(r);
  EXPECT_TRUE(all->isChecked());
  Check(2, false);
  EXPECT_FALSE(all->isChecked());
  EXPECT_EQ(Row(1)->checkState(0), Qt::Checked);
  EXPECT_EQ(Row(3)->checkState(0), Qt::Checked);
  // The user checks the box (by keyboard): every row follows.
  all->setFocus();
  all->click();
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(Row(r)->checkState(0), Qt::Checked) << r;
  all->click();
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(Row(r)->checkState(0), Qt::Unchecked) << r;
  // Checking one row makes it the selected one.
  Check(2);
  EXPECT_TRUE(Row(2)->isSelected());
  EXPECT_FALSE(all->isChecked());
}

TEST_F(SessionLogTest, EnterClosesTheWindowFromTheList) {
  AddLog(LogName(1));
  AddLog("Schedule 09-14-2010  08-00-00.txt");
  bool shown = false;
  WhenShown(View(), [&] {
    shown = true;
    View().LstSessionLogView()->setFocus();
    SaveScreenshot(View().Window(), QStringLiteral("sessionlog_shown"));
    TypeKey(View().Window(), Qt::Key_Return);
  });
  View().ShowModal();
  EXPECT_TRUE(shown);
  EXPECT_FALSE(View().IsLoaded());
}

TEST_F(SessionLogTest, AtOneHundredTwentyDpiThePageArrowsFollowThePageText) {
  ScopedTwipsPerPixel dpi120(12, 12);
  AddLog(LogName(1));
  View().Load();
  EXPECT_EQ(View().Width(), 10125 / 1.25);
  const QRectF text = Twips::Place(View().lblDispItems());
  EXPECT_EQ(text, QRectF(5550 / 1.25, 6675 / 1.25, 3525 / 1.25, 195 / 1.25));
  EXPECT_EQ(Twips::Place(View().lblBack()), QRectF(text.right() + 30, text.top() + 15, 225, 195));
  EXPECT_EQ(Twips::Left(View().lblNext()), text.right() + 30 + 225 + 30);
  EXPECT_EQ(Twips::Left(View().chkSelectAll()), Twips::Left(View().imgTitleinfo()));
  EXPECT_EQ(Twips::Width(View().imgTitleinfo()), 870 / 1.25 + 100);
}

}  // namespace
}  // namespace OrvaneMac
