// The main window: load, layout and window buttons, the exit road, the
// remote tree's events, the commands and the snapshot switch, against a
// recording engine and a table of listings.
#include "program/main/Smart.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QFontMetrics>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QHeaderView>
#include <QProgressBar>
#include <QTreeWidgetItem>

#include <gtest/gtest.h>

#include "ZQwinSrv/foundation/Util.h"
#include "platform/clock/FakeClock.h"
#include "platform/ui/EventPump.h"
#include "program/browse/BrowseTestSupport.h"
#include "program/browse/MainWindowControls.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/Options.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/main/frmSearchRemote.h"
#include "program/progress/PreStatus.h"
#include "program/progress/ProgressWindow.h"
#include "program/progress/frmProgressDisplay.h"
#include "program/session/FakeEngineController.h"
#include "program/session/Transfer.h"
#include "program/windows/MesgBox.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"
#include "program/windows/modGeneralWindows.h"

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

const QString kRoot = QStringLiteral("/users/jdoe/Files/");
const QString kDate = QStringLiteral("Tue, 04 May 2010 10:12:33 GMT");

QString Remote(int seq, const QString& path, const QString& size = QStringLiteral("4096")) {
  return QString::number(seq) + '>' + kDate + '>' + size + '>' + OrvaneSrv::EscapeKeyField(path) + '>' +
         OrvaneSrv::EscapeKeyField(path);
}

class SmartTest : public ProgramTest {
 protected:
  void SetUp() override {
    App();
    ProgramTest::SetUp();
    Program().AppTitle = QStringLiteral("Orvane for Mac - Windows Restore");
    Program().RemoteRootKey = kRoot;
    Program().AccountName = QStringLiteral("jdoe");
    Program().ShortDatePattern = QStringLiteral("M/d/yyyy");
    // 1280 x 1000 pixels: 19200 x 15000 twips.
    modGeneral::SetWorkAreaForTesting(QRect(0, 0, 1280, 1000));
    modGeneral::SetEndProgramHandler([this] { ++ended_; });
    listing_.folders[kRoot] = {Remote(1, kRoot + "report.pdf", "2048"), Remote(2, kRoot + "Tax/"),
                               Remote(3, kRoot + "Music/")};
    listing_.folders[kRoot + "Tax/"] = {Remote(4, kRoot + "Tax/a.pdf", "10"), Remote(5, kRoot + "Tax/2009/")};
  }
  void TearDown() override {
    CancelPending();
    if (PreStatus::Instance().IsLoaded()) PreStatus::Instance().Unload();
    Main().UnloadForTesting();
    modGeneral::SetWorkAreaForTesting({});
    ProgramTest::TearDown();
  }
  static Smart& Main() { return Smart::Instance(); }
  // Signed in: the session-open mark set and the root listed.
  void SignIn() {
    Main().Load();
    Main().MenuItem("mnuDisconnect")->setEnabled(true);
    Main().MenuItem("mnuConnect")->setEnabled(false);
    UniTreeViewMC* tree = Main().ColumnRemoteTreeView();
    tree->ClearNodes();
    ASSERT_TRUE(TreeViewControl::Instance().PopulateRemoteTreeView("Smart", tree, true, true, false));
  }
  TreeNode Child(const QString& text) {
    TreeNode root = Main().ColumnRemoteTreeView()->NodeAt(1);
    for (int i = 1; i <= root.ChildCount(); ++i) {
      if (root.ChildAt(i).Text() == text) return root.ChildAt(i);
    }
    return {};
  }
  static QString FileVer() { return gTransfer().Trf_ReadUserProfile("FILEVER", false); }
  static void SetFileVer(const QString& v) { gTransfer().Trf_WriteUserProfile("FILEVER", v, false); }
  // Answers the next message box with the button `index` and keeps its text.
  static void AnswerWith(int index, QString* text) {
    WhenShown(MesgBox::Instance(), [index, text] {
      MesgBox& box = MesgBox::Instance();
      *text = (box.ShortTextShown() ? box.lblSmallText() : box.lblText())->Caption().trimmed();
      box.ButtonResult(index);
    });
  }

  FakeRemoteListing listing_;
  ScopedFakeEngines engines_;
  int ended_ = 0;
};

TEST_F(SmartTest, LoadCentresTheDesignSizeOnTheWorkAreaWithItsColumnsAndCaption) {
  Main().Load();
  EXPECT_DOUBLE_EQ(Twips::Width(Main().Window()), 11100);
  EXPECT_DOUBLE_EQ(Twips::Height(Main().Window()), 8000);
  EXPECT_DOUBLE_EQ(Main().Left(), 19200 / 2.0 - 11100 / 2.0);
  EXPECT_DOUBLE_EQ(Main().Top(), 15000 / 2.0 - 8000 / 2.0);
  EXPECT_EQ(Main().Window()->windowTitle(), "Orvane for Mac");
  EXPECT_EQ(Main().Tag(), "Orvane for Mac - Windows  Restore");
  EXPECT_TRUE(Main().Window()->windowFlags().testFlag(Qt::FramelessWindowHint));
  QTreeWidgetItem* header = Main().ColumnRemoteTreeView()->headerItem();
  ASSERT_GE(Main().ColumnRemoteTreeView()->columnCount(), 3);
  EXPECT_EQ(header->text(0), "Name");
  EXPECT_EQ(header->text(1), "Size");
  EXPECT_EQ(header->text(2), "Modified Date");
  // The hidden state holders are there; the menu bar is not shown.
  EXPECT_FALSE(Main().MenuItem("mnuAutoUnZip")->isChecked());
  EXPECT_TRUE(Main().MenuItem("mnuexitsetting")->isChecked());  // "Askme" empty
  EXPECT_FALSE(Main().MenuItem("mnuGetSize")->isEnabled());
  EXPECT_EQ(MainWindow().ColumnRemoteTreeView, Main().ColumnRemoteTreeView());
  // The quota row before the first refresh.
  EXPECT_EQ(Main().lblUserQuota()->Caption(), "Your quota: 00000000MB");
  EXPECT_EQ(Main().lblrecalculate()->toolTip(), "Recalculate");
}

TEST_F(SmartTest, TheAutoUnzipItemAnswersTheUnzipOptionAndTheQuotaNoticeExplains) {
  EXPECT_FALSE(gOptions().opt_IsUnzip());  // loads the window
  ASSERT_TRUE(Main().IsLoaded());
  Main().MenuItem("mnuAutoUnZip")->setChecked(true);
  EXPECT_TRUE(gOptions().opt_IsUnzip());

  QString text;
  AnswerWith(0, &text);
  Main().ShowQuotaInfo();
  EXPECT_EQ(text, "The Used Quota information is calculated on a periodical basis and not real time. Click the "
                  "'Recalculate' button to view the current usage. This process may take some time.");
}

TEST_F(SmartTest, LayoutFollowsTheWidthAndTheMinimumSizeHolds) {
  Main().Show();
  const double searchLeft = Twips::Left(Main().Pic_Rem_search());
  const double treeWidth = Twips::Width(Main().ColumnRemoteTreeView());
  const double quotaLeft = Twips::Left(Main().lblUserQuota());
  // Right-aligned buttons, 100 twips from the edge and touching.
  EXPECT_DOUBLE_EQ(Twips::Left(Main().PicClose()), 11100 - 100 - Twips::Width(Main().PicClose()));
  EXPECT_DOUBLE_EQ(Twips::Left(Main().PicMax()) + Twips::Width(Main().PicMax()), Twips::Left(Main().PicClose()));
  EXPECT_DOUBLE_EQ(Twips::Top(Main().Trf_ImgRestore()), 8000 - 600);
  EXPECT_DOUBLE_EQ(Twips::Top(Main().lblVersionDisp()), Twips::Top(Main().imgLogo()) + 80);

  Main().Window()->resize(Main().Window()->width() + 100, Main().Window()->height());  // 1500 twips wider
  EXPECT_NEAR(Twips::Left(Main().Pic_Rem_search()), searchLeft + 1500, 15);
  EXPECT_NEAR(Twips::Width(Main().ColumnRemoteTreeView()), treeWidth + 1500, 15);
  EXPECT_DOUBLE_EQ(Twips::Left(Main().lblUserQuota()), quotaLeft);

  Main().Window()->resize(9000 / 15, 7000 / 15);
  EXPECT_NEAR(Twips::Width(Main().Window()), 10100, 15);
  EXPECT_NEAR(Twips::Height(Main().Window()), 8000, 15);
}

TEST_F(SmartTest, MaximiseFillsTheWorkAreaAndRestoreDownReturnsExactly) {
  Main().Show();
  Main().SetLeft(3000);
  Main().SetTop(2000);
  ClickOn(Main().PicMax());
  EXPECT_TRUE(Main().vbBMaximized);
  EXPECT_EQ(Main().PicMax()->toolTip(), "Restore down");
  EXPECT_EQ(Main().PicMax()->PictureHandle(), ImageList1Mac().Picture("zq_max_max").cacheKey());
  EXPECT_NEAR(Twips::Width(Main().Window()), 19200, 15);
  EXPECT_NEAR(Twips::Height(Main().Window()), 15000, 15);

  ClickOn(Main().PicMax(), Qt::RightButton);  // the left button only
  EXPECT_TRUE(Main().vbBMaximized);
  ClickOn(Main().PicMax());
  EXPECT_FALSE(Main().vbBMaximized);
  EXPECT_EQ(Main().PicMax()->toolTip(), "Maximize");
  EXPECT_DOUBLE_EQ(Main().Left(), 3000);
  EXPECT_DOUBLE_EQ(Main().Top(), 2000);
  EXPECT_DOUBLE_EQ(Twips::Width(Main().Window()), 11100);
  EXPECT_DOUBLE_EQ(Twips::Height(Main().Window()), 8000);
  EXPECT_TRUE(Program().SkipActivateRepaint);

  ClickOn(Main().PicClose(), Qt::RightButton);  // nothing
  EXPECT_EQ(ended_, 0);
}

TEST_F(SmartTest, AWindowMaximisedByTheProgramComesBackMaximisedAfterAMinimise) {
  Main().Show();
  Main().ToggleMaximize();
  ClickOn(Main().PicMin(), Qt::RightButton);  // not the right button
  EXPECT_EQ(Main().WindowState(), 0);
  ClickOn(Main().PicMin());
  EXPECT_EQ(Main().WindowState(), 1);
  Main().SetWindowState(0);
  EXPECT_TRUE(Main().vbBMaximized);
  EXPECT_NEAR(Twips::Width(Main().Window()), 19200, 15);
  // A minimised window is not enlarged to the minimum size.
  Main().SetWindowState(1);
  Main().Window()->resize(300, 200);
  EXPECT_EQ(Main().Window()->width(), 300);
}

TEST_F(SmartTest, ActivationRepaintsUnlessSkippedOrDisconnected) {
  Main().Load();
  Program().SkipActivateRepaint = true;
  const int before = Main().ActivateRepaints();
  Main().Form_Activate();
  EXPECT_FALSE(Program().SkipActivateRepaint);
  EXPECT_EQ(Main().ActivateRepaints(), before);
  Main().Form_Activate();
  EXPECT_EQ(Main().ActivateRepaints(), before + 1);
  Program().Disconnected = true;
  Program().SkipActivateRepaint = true;
  Main().Form_Activate();
  EXPECT_TRUE(Program().SkipActivateRepaint);
  EXPECT_EQ(Main().ActivateRepaints(), before + 1);
}

TEST_F(SmartTest, ClosingWhileBusyAsksAndNoKeepsEverything) {
  SignIn();
  SetFileVer("1");
  Program().SearchInProgress = true;
  engines_.Take();
  QString text;
  AnswerWith(1, &text);  // No
  Main().RequestClose();
  EXPECT_EQ(text, QStringLiteral("This operation will abruptly stop the file transfer that is underway.\r\n"
                                 "Do you want to proceed?"));
  EXPECT_TRUE(Main().IsLoaded());
  EXPECT_EQ(FileVer(), "1");
  EXPECT_TRUE(engines_.Take().isEmpty());
  EXPECT_EQ(ended_, 0);
}

TEST_F(SmartTest, NoDuringARestoreBringsTheProgressWindowBackWithTheStopStillAsked) {
  SignIn();
  Program().RestoreRunning = true;
  ShowProgressWindowModeless();
  frmProgressDisplay& progress = frmProgressDisplay::Instance();
  progress.btnStopTransfer_Click();
  progress.Window()->hide();  // behind the main window
  QString text;
  AnswerWith(1, &text);  // No
  Main().RequestClose();
  EXPECT_FALSE(text.isEmpty());
  EXPECT_TRUE(progress.Window()->isVisible());
  // The engine's next call-back still hears the stop.
  EXPECT_TRUE(Program().TransferStopRequested);
  EXPECT_EQ(ended_, 0);
  UnloadProgressWindow();
}

TEST_F(SmartTest, ClosingWhileBusyWithYesHidesTheSnapshotsAndExits) {
  SignIn();
  SetFileVer("1");
  Program().SearchInProgress = true;
  engines_.Take();
  QString text;
  AnswerWith(0, &text);  // Yes
  Main().RequestClose();
  EXPECT_EQ(FileVer(), "0");
  const QStringList calls = engines_.Take();
  EXPECT_EQ(calls.count("1:Cont_EnableVersioning(F)"), 1) << calls.join(' ').toStdString();
  EXPECT_TRUE(calls.contains("1:Cont_DisConnect()"));
  EXPECT_TRUE(calls.contains("2:Cont_DisConnect()"));
  EXPECT_GE(ended_, 1);
}

TEST_F(SmartTest, ClosingIdleResetsFileverAndAsksTheEngineOnlyWhenShown) {
  struct Case {
    const char* before;
    int versioningCalls;
  };
  for (const Case& c : {Case{"", 0}, Case{"0", 0}, Case{"1", 1}}) {
    SCOPED_TRACE(c.before);
    SignIn();
    SetFileVer(c.before);
    engines_.Take();
    ended_ = 0;
    Main().RequestClose();
    EXPECT_EQ(FileVer(), "0");
    const QStringList calls = engines_.Take();
    EXPECT_EQ(calls.filter(":Cont_EnableVersioning(F)").size(), c.versioningCalls);
    EXPECT_EQ(calls.filter(":Cont_DisConnect()").size(), 2);
    EXPECT_GE(ended_, 1);
    EXPECT_TRUE(Main().IsLoaded());  // never unloaded
  }
}

TEST_F(SmartTest, RestoreAndDeleteWithNothingCheckedSayWhatToDo) {
  SignIn();
  QString text;
  AnswerWith(0, &text);
  Main().StartRestore();
  EXPECT_EQ(text, "Select file(s)/folder(s) to restore to your local machine.");
  EXPECT_TRUE(Main().Trf_ImgRestore()->isEnabled());

  AnswerWith(0, &text);
  Main().DeleteSelectedRemote();
  EXPECT_EQ(text, "Select the file(s)/folder(s) to delete.");
}

TEST_F(SmartTest, SearchOpensForTheSelectedFolderOrTheWholeAccount) {
  SignIn();
  Main().ColumnRemoteTreeView_Expand(Child("Tax"));
  struct Case {
    const char* name;
    bool popup;           // the tree's "&Search" instead of the search picture
    const char* select;   // the selected node's text; "" for none
    const char* box;      // the main window's search box
    bool disconnected;
    const char* opensAt;  // the search window's path label; nullptr: it does not open
  };
  const Case cases[] = {
      {"a folder, blanks only in the box", false, "2009", "   ", false, "My Orvane/Tax/2009/"},
      {"a file", false, "report.pdf", "Search for files/folders", false, "My Orvane/"},
      {"the root", false, "My Orvane", "", false, "My Orvane/"},
      {"nothing selected", false, "", "", false, "My Orvane/"},
      {"disconnected", false, "Tax", "", true, nullptr},
      {"disconnected, from the tree's menu", true, "Tax", "", true, "My Orvane/Tax/"},
      {"the root from the tree's menu", true, "My Orvane", "", false, "My Orvane/"},
  };
  frmSearchRemote& search = frmSearchRemote::Instance();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UniTreeViewMC* tree = Main().ColumnRemoteTreeView();
    tree->setCurrentItem(nullptr);
    if (*c.select) {
      TreeNode node = QString(c.select) == "My Orvane" ? tree->NodeAt(1) : Child(c.select);
      if (node.IsNothing()) node = Child("Tax").ChildAt(1);  // "2009"
      node.SetSelected(true);
    }
    Main().txtSearchText()->setText(c.box);
    Program().Disconnected = c.disconnected;
    QString path = QStringLiteral("not opened");
    QString key;
    bool startsAtOnce = true;
    WhenShown(search, [&] {
      path = search.lblSearchpath()->Caption();
      key = search.txt_Searchkey()->text();
      startsAtOnce = search.bSingleCall;
      search.Unload();
    });
    if (c.popup) {
      Main().popmnufindremote_Click();
    } else {
      Main().OpenSearchWindow();
    }
    CancelPending();
    EXPECT_EQ(path, c.opensAt ? QString(c.opensAt) : QStringLiteral("not opened"));
    if (c.opensAt) {
      // The user types the key: nothing is searched yet.
      EXPECT_EQ(key, "");
      EXPECT_FALSE(startsAtOnce);
    }
    EXPECT_FALSE(search.IsLoaded());
  }
  Program().Disconnected = false;
}

TEST_F(SmartTest, TheRefreshesListTheWholeTreeOrTheSelectedFolderAgain) {
  SignIn();
  Main().ColumnRemoteTreeView_Expand(Child("Tax"));
  QStringList waitBox;
  listing_.during = [&] {
    PreStatus& box = PreStatus::Instance();
    waitBox << (box.IsLoaded() && box.Window()->isVisible() ? box.status()->Caption() : QStringLiteral("no box"));
  };

  // The toolbar's: the whole tree from its root, the listing counter reset.
  listing_.asked.clear();
  Program().ListingCounter = 41;
  Main().RefreshRemoteTree();
  EXPECT_EQ(listing_.asked, QStringList{kRoot});
  EXPECT_EQ(Child("Tax").ChildCount(), 0);
  EXPECT_EQ(Program().ListingCounter, 0);
  EXPECT_EQ(MainMousePointer(), 0);

  // The tree menu's on a folder: that folder under the wait box, and the
  // quota asked for.
  Main().ColumnRemoteTreeView_Expand(Child("Tax"));
  listing_.asked.clear();
  waitBox.clear();
  engines_.Take();
  Child("Tax").SetSelected(true);
  Main().popmnurefremote_Click();
  EXPECT_EQ(listing_.asked, QStringList{kRoot + "Tax/"});
  EXPECT_EQ(waitBox, QStringList{"Refreshing ..."});
  EXPECT_FALSE(engines_.Take().filter("Cont_GetQuotaInfo").isEmpty());

  // On a file or the root: the whole tree.
  for (const char* text : {"report.pdf", "My Orvane"}) {
    SCOPED_TRACE(text);
    TreeNode node = QString(text) == "My Orvane" ? Main().ColumnRemoteTreeView()->NodeAt(1) : Child(text);
    node.SetSelected(true);
    listing_.asked.clear();
    Main().popmnurefremote_Click();
    EXPECT_EQ(listing_.asked, QStringList{kRoot});
  }

  // Neither runs while a restore does.
  Program().RestoreRunning = true;
  listing_.asked.clear();
  Main().RefreshRemoteTree();
  Main().popmnurefremote_Click();
  EXPECT_TRUE(listing_.asked.isEmpty());
  Program().RestoreRunning = false;
}

TEST_F(SmartTest, ExpandingAnUnlistedFolderShowsTheWaitBoxThenItsChildrenFoldersFirst) {
  SignIn();
  TreeNode tax = Child("Tax");
  tax.SetChecked(2);
  QStringList seen;
  listing_.during = [&] {
    PreStatus& box = PreStatus::Instance();
    seen << (box.IsLoaded() && box.Window()->isVisible() ? box.status()->Caption() : QStringLiteral("no box"));
  };
  listing_.asked.clear();
  Main().ColumnRemoteTreeView_Expand(tax);
  EXPECT_EQ(seen, QStringList{"Loading ..."});
  EXPECT_FALSE(PreStatus::Instance().IsLoaded());
  ASSERT_EQ(tax.ChildCount(), 2);
  EXPECT_EQ(tax.ChildAt(1).Text(), "2009");
  EXPECT_EQ(tax.ChildAt(2).Text(), "a.pdf");
  EXPECT_EQ(tax.ChildAt(1).Checked(), 2);  // the check carried to the new children
  EXPECT_EQ(tax.ChildAt(2).Checked(), 2);
  EXPECT_EQ(tax.Image(), TreeViewControl::Instance().iconIndex("openfolder"));
  EXPECT_TRUE(Main().Window()->isEnabled());

  // Listed once; the root is never listed again.
  listing_.asked.clear();
  Main().ColumnRemoteTreeView_Expand(tax);
  Main().ColumnRemoteTreeView_Expand(Main().ColumnRemoteTreeView()->NodeAt(1));
  EXPECT_TRUE(listing_.asked.isEmpty());
  EXPECT_EQ(seen.size(), 1);
}

TEST_F(SmartTest, ExpandingWhileARestoreRunsShowsNoWaitBoxAndEmptyFoldersAreAskedAgain) {
  SignIn();
  listing_.folders[kRoot + "Music/"] = {};
  QStringList seen;
  listing_.during = [&] { seen << (PreStatus::Instance().IsLoaded() ? "box" : "no box"); };
  Program().RestoreRunning = true;
  TreeNode music = Child("Music");
  Main().ColumnRemoteTreeView_Expand(music);
  Program().RestoreRunning = false;
  Main().ColumnRemoteTreeView_Expand(music);
  EXPECT_EQ(seen, (QStringList{"no box", "box"}));
  EXPECT_EQ(music.Image(), TreeViewControl::Instance().iconIndex("folder"));
}

TEST_F(SmartTest, NodeClickSetsThePopupsItems) {
  SignIn();
  struct Case {
    const char* name;
    TreeNode node;
    bool search;
    bool size;
  };
  const Case cases[] = {
      {"file", Child("report.pdf"), false, false},
      {"root", Main().ColumnRemoteTreeView()->NodeAt(1), true, false},
      {"folder", Child("Tax"), true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Main().ColumnRemoteTreeView_NodeClick(c.node);
    EXPECT_EQ(Main().MenuItem("popmnufindremote")->isEnabled(), c.search);
    EXPECT_EQ(Main().MenuItem("mnuGetSize")->isEnabled(), c.size);
    EXPECT_TRUE(Main().MenuItem("popmnurefremote")->isEnabled());
  }
  // The popup shows exactly its visible items.
  QStringList visible;
  for (QAction* a : Main().popmnuremote()->actions()) {
    if (a->isVisible()) visible << (a->isSeparator() ? "-" : a->text());
  }
  EXPECT_EQ(visible, (QStringList{"&Get folder size", "-", "&Search", "&Refresh.."}));
}

TEST_F(SmartTest, ARightClickSetsThePopupForTheNodeUnderThePointer) {
  SignIn();
  Main().Show();
  UniTreeViewMC* tree = Main().ColumnRemoteTreeView();
  Main().ColumnRemoteTreeView_NodeClick(Child("Tax"));  // a folder was clicked last
  ASSERT_TRUE(Main().MenuItem("mnuGetSize")->isEnabled());
  QTreeWidgetItem* file = tree->findItems("report.pdf", Qt::MatchExactly | Qt::MatchRecursive).value(0);
  ASSERT_NE(file, nullptr);
  const QPoint at = tree->visualItemRect(file).center();
  QMouseEvent press(QEvent::MouseButtonPress, at, tree->viewport()->mapToGlobal(at), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(tree->viewport(), &press);
  Main().popmnuremote()->hide();
  EXPECT_EQ(tree->SelectedItem(), Child("report.pdf"));
  EXPECT_FALSE(Main().MenuItem("mnuGetSize")->isEnabled());
  EXPECT_FALSE(Main().MenuItem("popmnufindremote")->isEnabled());
}

TEST_F(SmartTest, MinimisingAndRestoringSetTheTrayMenu) {
  Main().Show();
  Main().SetWindowState(1);
  EXPECT_FALSE(Main().MenuItem("mnuTrayMinimize")->isEnabled());
  EXPECT_TRUE(Main().MenuItem("mnuTrayMaximize")->isEnabled());
  EXPECT_TRUE(Main().MenuItem("mnuTrayClose")->isEnabled());
  Main().SetWindowState(0);
  EXPECT_TRUE(Main().MenuItem("mnuTrayMinimize")->isEnabled());
  EXPECT_TRUE(Main().MenuItem("mnuTrayMaximize")->isEnabled());
}

TEST_F(SmartTest, FilesDraggedOverTheTreeSelectTheNodeUnderThePointerAndADropDoesNothing) {
  SignIn();
  Main().Show();
  UniTreeViewMC* tree = Main().ColumnRemoteTreeView();
  EXPECT_TRUE(tree->viewport()->acceptDrops());
  QTreeWidgetItem* music = tree->findItems("Music", Qt::MatchExactly | Qt::MatchRecursive).value(0);
  ASSERT_NE(music, nullptr);
  const QPoint at = tree->visualItemRect(music).center();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile("/tmp/letter.txt")});
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(tree->viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(tree->viewport(), &move);
  EXPECT_TRUE(move.isAccepted());
  EXPECT_EQ(tree->SelectedItem(), Child("Music"));
  const int nodes = tree->NodeCount();
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(tree->viewport(), &drop);
  EXPECT_FALSE(drop.isAccepted());
  EXPECT_EQ(tree->NodeCount(), nodes);
}

TEST_F(SmartTest, TheRecalculateNoticeShowsEveryLineOfItsText) {
  SignIn();
  gTransfer().Trf_EnableRemoteComponent();
  Main().Show();
  vb::FakeClock clock;
  vb::ScopedClock useClock(clock);
  bool checked = false;
  {
    vb::ScopedEventPump pump([&] {
      PictureBox* panel = Main().PicRecalcMess();
      Label* text = Main().lblRecalcMess();
      if (checked || !panel->isVisibleTo(Main().Window())) return;
      checked = true;
      const QRect lines = QFontMetrics(text->font())
                              .boundingRect(QRect(0, 0, text->width(), 100000), Qt::TextWordWrap, text->ShownText());
      EXPECT_GT(lines.height(), QFontMetrics(text->font()).height()) << "the notice takes two lines here";
      EXPECT_LE(lines.height(), text->height());
      EXPECT_LE(text->geometry().bottom(), panel->height());
      SaveScreenshot(Main().Window(), "main_window_recalculate_notice");
    });
    ClickOn(Main().lblrecalculate());
  }
  EXPECT_TRUE(checked);
}

TEST_F(SmartTest, SnapshotSwitchReportsWhatTheServiceAnswers) {
  SignIn();
  struct Case {
    const char* name;
    const char* before;
    Integer answer;
    QString message;
    const char* after;
    const char* tip;
  };
  const Case cases[] = {
      {"sub-account", "0", 2, "The Snapshots feature is currently not available for Sub-Account holders.", "0",
       "Show Snapshots"},
      {"failed show", "", 0, "An error has occurred while loading the Snapshots. Try later.", "0", "Show Snapshots"},
      {"failed hide", "1", 0, "An error has occurred while hiding the Snapshots. Try later.", "0", "Show Snapshots"},
      {"shown", "0", 1, "", "1", "Hide Snapshots"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetFileVer(c.before);
    engines_.record->status = c.answer;
    QString text;
    if (!c.message.isEmpty()) AnswerWith(0, &text);
    Main().ToggleSnapshots();
    CancelPending();
    EXPECT_EQ(text, c.message);
    EXPECT_EQ(FileVer(), c.after);
    const bool shown = QString(c.after) == "1";
    EXPECT_EQ(Main().Pic_Snap()->PictureHandle(),
              ImageList1Mac().Picture(shown ? "snap_sunken" : "snap_reg").cacheKey());
    if (c.answer != 0) {
      EXPECT_EQ(Main().Pic_Snap()->toolTip(), c.tip);
    }
  }
  EXPECT_FALSE(PreStatus::Instance().IsLoaded());
}

TEST_F(SmartTest, ScreenshotOfTheMainWindowSignedIn) {
  SignIn();
  Main().lblVersionDisp()->SetCaption("jdoe: Orvane for Mac - Windows Restore");
  gTransfer().Trf_EnableRemoteComponent();
  Main().ColumnRemoteTreeView_MouseMove();  // the toolbar's normal looks
  MainWindow().SetQuotaBar(25, 909095, " 512 MB Out Of 2,048 MB ");
  Main().lblUserQuota()->SetCaption("Quota Used: 512 MB Out of 2,048 MB");
  Main().Show();
  Child("Tax").SetChecked(2);
  const QString file = SaveScreenshot(Main().Window(), "main_window");
  EXPECT_FALSE(file.isEmpty());
}

}  // namespace
}  // namespace OrvaneMac
