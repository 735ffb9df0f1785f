// The restore destination screen: its refusals, the restore it starts
// through the controller client, the log prompt and the wizard's exit.

#include <QDir>

#include <gtest/gtest.h>

#include "program/browse/BrowseTestSupport.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/main/MainWindowServices.h"
#include "program/main/frmreswizscr3.h"
#include "program/progress/ProgressTestSupport.h"
#include "program/session/FakeEngineController.h"
#include "program/session/Transfer.h"
#include "program/windows/SkinControls.h"
#include "program/windows/Twips.h"
#include "platform/ini/PrivateProfile.h"
#include "platform/shell/Shell.h"

namespace OrvaneMac {
namespace {

using testing::MessageRecorder;

const QString kLabel3 = QStringLiteral("Select a folder/drive under 'My Computer' to restore the selected files/folders to it");

class DestinationScreenTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    testing::App();
    ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
    ASSERT_TRUE(QDir().mkpath(Host("Data/Old")));
    ASSERT_TRUE(QDir().mkpath(tmp_.path() + "/D"));
    // D: is mapped to a folder that is not there: a drive that is not ready.
    win::DriveTable table;
    table.Map(u'C', tmp_.path());
    table.Map(u'D', tmp_.path() + "/missing");
    drives_.reset();
    drives_.emplace(table);
    win::SetProgramFolder("C:\\Prog");
    Program().AppTitle = "Orvane for Mac - Windows Restore";
    Program().AccountName = "jo";
    main_ = std::make_unique<testing::MiniMainWindow>();
    Items(Program().EnumRestoreItemSet)->Add(QStringLiteral("D_/users/jo/Files/F/"));
  }
  void TearDown() override {
    testing::CancelPending();
    if (Screen().IsLoaded()) Screen().Unload();
    main_.reset();
    ProgramTest::TearDown();
  }
  static frmreswizscr3& Screen() { return frmreswizscr3::Instance(); }
  static UniTreeViewMC* Tree() { return Screen().C().LocalTreeView; }
  // The node of the local tree whose text is `text` below `parent`.
  static TreeNode Child(const TreeNode& parent, const QString& text) {
    for (int i = 1; i <= parent.ChildCount(); ++i) {
      if (parent.ChildAt(i).Text() == text) return parent.ChildAt(i);
    }
    return {};
  }
  static TreeNode DataFolder() {
    TreeNode drive = Tree()->FindNode("C:\\");
    TreeViewControl::Instance().PopulateLocalFolder(drive, true);
    return Child(drive, "Data");
  }
  // Opens the screen as the main window's restore command does and runs
  // `act` on it once it is up.
  void OpenAndRun(std::function<void()> act) {
    testing::WhenShown(Screen(), [act] {
      act();
      if (Screen().IsLoaded() && Screen().Window()->isVisible()) Screen().Unload();
    });
    ShowRestoreDestinationScreen(kLabel3);
  }
  QStringList TransferLog() const {
    const QByteArray b = Bytes("Prog/OrvaneMac/OrvaneLogFile.txt");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData()), b.size() / 2).split("\r\n");
  }

  std::unique_ptr<testing::MiniMainWindow> main_;
};

TEST_F(DestinationScreenTest, RefusalsShowTheirMessagesAndStartNoRestore) {
  testing::ScopedFakeEngines engines;
  MessageRecorder shown;
  OpenAndRun([this] {
    EXPECT_EQ(Screen().C().Label3->Caption(), kLabel3);
    EXPECT_FALSE(Screen().C().wiz_res3_back->isEnabled());
    Tree()->setCurrentItem(nullptr);
    Screen().wiz_res3_next_Click();  // nothing selected
    Tree()->FindNode("My Computer").SetSelected(true);
    Screen().wiz_res3_next_Click();
    Tree()->FindNode("D:\\").SetSelected(true);
    Screen().wiz_res3_next_Click();
    // A folder that cannot be written to (here: removed since it was listed).
    const TreeNode data = DataFolder();
    ASSERT_TRUE(QDir(Host("Data")).removeRecursively());
    TreeNode(data).SetSelected(true);
    Screen().wiz_res3_next_Click();
  });
  const QString notWritable =
      "Unable to continue with the restore operation. Ensure that disk is not full or write protected.";
  EXPECT_EQ(shown.Texts(), QStringList({"Select the folder/drive under 'My Files' to restore your data.",
                                        "Click on a folder/drive under 'My Files' to restore your data.",
                                        "Select the folder/drive under 'My Files' to restore your data.",
                                        notWritable, notWritable}));
  EXPECT_EQ(TransferLog().filter("Unable to continue the restore operation. Make sure that the disk is not full or "
                                 "write protected.")
                .size(),
            1);
  EXPECT_EQ(TransferLog().filter(" : Unable to continue the restore operation. Check the permissions of the "
                                 "destination folder : C:\\Data\\")
                .size(),
            1);
  EXPECT_TRUE(engines.Take().filter("Cont_InteractiveRestore").isEmpty());
  // Closing the screen went through the wizard's exit: the set is empty.
  EXPECT_TRUE(Program().WizardClosing);
  EXPECT_EQ(Program().EnumRestoreItemSet->Count(), 0);
}

TEST_F(DestinationScreenTest, RestoreRunsThroughTheControllerAndOffersTheLog) {
  struct Case {
    const char* uncomp;
    const char* flag;
  };
  for (const Case& c : {Case{"", "F"}, Case{"1", "T"}, Case{"0", "F"}, Case{"abc", "F"}}) {
    testing::ScopedFakeEngines engines;
    Program().WizardClosing = false;
    Items(Program().EnumRestoreItemSet)->Add(QStringLiteral("D_/users/jo/Files/F/"));
    gTransfer().Trf_WriteUserProfile("UNCOMP", c.uncomp, false);
    bool runningDuring = false;
    engines.record->duringRestore = [&] { runningDuring = Program().RestoreRunning && !Screen().Window()->isVisible(); };
    MessageRecorder shown;
    OpenAndRun([] {
      DataFolder().SetSelected(true);
      Screen().wiz_res3_next_Click();
    });
    const QStringList restores = engines.Take().filter("Cont_InteractiveRestore");
    ASSERT_EQ(restores.size(), 1) << c.uncomp;
    EXPECT_TRUE(restores[0].contains("C:\\Data\\")) << restores[0].toStdString();
    EXPECT_TRUE(restores[0].endsWith(QString("C:\\Data\\,") + c.flag + ",F,F,F,F)")) << restores[0].toStdString();
    EXPECT_TRUE(runningDuring);
    EXPECT_EQ(shown.Texts(), QStringList({"Do you want to view the logs for the restore operation now?"}));
    EXPECT_FALSE(Screen().IsLoaded());
    EXPECT_FALSE(Program().RestoreRunning);
    EXPECT_EQ(Program().EnumRestoreItemSet->Count(), 0);
    EXPECT_TRUE(main_->window->isEnabled());
  }
}

TEST_F(DestinationScreenTest, YesToTheLogSaysSoWhenTheDesktopCannotOpenIt) {
  testing::ScopedFakeEngines engines;
  const QString log = "C:\\Prog\\OrvaneMac\\Session\\Restore 09-15-2010  14-22-05.txt";
  WriteBytes("Prog/OrvaneMac/Session/Restore 09-15-2010  14-22-05.txt", Bom());
  win::WritePrivateProfileString("Orvane", "SessionFileRestore", log, "C:\\Prog\\OrvaneMac\\OrvaneDetails.ini");
  std::vector<win::ShellRequest> asked;
  win::ScopedShellLauncher noProgram([&](const win::ShellRequest& r) {
    asked.push_back(r);
    return win::SE_ERR_NOASSOC;
  });
  MessageRecorder shown;  // answers Yes to the log question
  OpenAndRun([] {
    DataFolder().SetSelected(true);
    Screen().wiz_res3_next_Click();
  });
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].action, win::ShellRequest::Action::OpenDocument);
  EXPECT_EQ(shown.Texts(), QStringList({"Do you want to view the logs for the restore operation now?",
                                        "Unable to open the file " + log +
                                            "\r\nReason: No application is associated with the specified file for "
                                            "this operation."}));
  EXPECT_EQ(shown.Messages()[1].icon, 3);
}

TEST_F(DestinationScreenTest, WithTheMainWindowMinimisedTheScreenIsOnlyHidden) {
  testing::ScopedFakeEngines engines;
  main_->window->setWindowState(Qt::WindowMinimized);
  MessageRecorder shown;
  OpenAndRun([] {
    DataFolder().SetSelected(true);
    Screen().wiz_res3_next_Click();
  });
  EXPECT_EQ(shown.Texts(), QStringList({"Do you want to view the logs for the restore operation now?"}));
  EXPECT_EQ(shown.Messages()[0].icon, 1);
  EXPECT_TRUE(Screen().IsLoaded());
  EXPECT_FALSE(Screen().Window()->isVisible());
}

TEST_F(DestinationScreenTest, PopupMenuFollowsTheSelectedNode) {
  OpenAndRun([] {
    frmreswizscr3::Controls& c = Screen().C();
    Tree()->setCurrentItem(nullptr);
    DataFolder();
    struct Case {
      QString key;
      bool create;
      bool size;
    };
    const TreeNode data = DataFolder();
    data.Tree()->setFocus();
    for (const Case& k : {Case{"My Computer", false, false}, Case{"C:\\", true, false}, Case{data.Key(), true, true}}) {
      const TreeNode node = Tree()->FindNode(k.key);
      emit Tree()->NodeClick(node);
      EXPECT_EQ(c.mnucreatedir->isEnabled(), k.create) << k.key.toStdString();
      EXPECT_EQ(c.mnuGetFolderSize->isEnabled(), k.size) << k.key.toStdString();
    }
    // A right click near the right edge opens the menu no further right
    // than half the tree's width.
    emit Tree()->MouseDown(Qt::RightButton, Qt::NoModifier, QPoint(Tree()->width() - 5, 20));
    EXPECT_TRUE(c.lhs_popupmenu->isVisible());
    testing::HoverOver(c.mnuGetFolderSize);
    testing::SaveScreenshot(Screen().Window(), "restore_destination_menu");
    EXPECT_LE(Twips::Left(c.lhs_popupmenu), Twips::Width(Tree()) / 2 + 1);
    emit Tree()->MouseDown(Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_FALSE(c.lhs_popupmenu->isVisible());
    data.Tree()->FindNode(data.Key()).SetSelected(true);
    Tree()->FindNode(data.Key()).SetExpanded(true);
    testing::SaveScreenshot(Screen().Window(), "restore_destination");
  });
}

TEST_F(DestinationScreenTest, BackHidesTheScreenAndFolderSizeIsTold) {
  ASSERT_TRUE(QDir().mkpath(Host("Data/Old")));
  WriteBytes("Data/Old/f.bin", QByteArray(2048, 'x'));
  MessageRecorder shown;
  OpenAndRun([] {
    const TreeNode data = DataFolder();
    TreeNode(data).SetSelected(true);
    emit Tree()->NodeClick(data);
    Screen().mnuGetFolderSize_Click();
    // Alt+B runs Back although the main window's command disabled it.
    testing::SendKey(Screen().Window(), QEvent::KeyRelease, Qt::Key_B, Qt::AltModifier);
  });
  EXPECT_EQ(shown.Texts(), QStringList({"Folder size 'C:\\Data\\' is 2.00 KB"}));
  EXPECT_TRUE(Screen().IsLoaded());  // Back only hides it
  EXPECT_FALSE(Screen().Window()->isVisible());
  EXPECT_EQ(Program().EnumRestoreItemSet->Count(), 1);
}

TEST_F(DestinationScreenTest, WizardExitAndEntry) {
  bool ask = false;
  EXPECT_EQ(modGeneral::ExitWizard(nullptr, ask), 0);
  EXPECT_TRUE(Program().WizardClosing);
  EXPECT_EQ(Program().EnumRestoreItemSet->Count(), 0);
  Program().RestoreRunning = true;
  modGeneral::OpenRestoreWizard("RWIZ");  // a job runs: nothing changes
  EXPECT_TRUE(Program().WizardClosing);
  Program().RestoreRunning = false;
  modGeneral::OpenRestoreWizard("SWIZ");
  EXPECT_TRUE(Program().WizardClosing);
  Program().RemoteTreeConnected = true;
  modGeneral::OpenRestoreWizard("RWIZ");
  EXPECT_FALSE(Program().WizardClosing);
  EXPECT_TRUE(Program().WizardOpen);
  EXPECT_FALSE(Program().WizardStarting);

  // Not connected: the user is told why, with the engine's reason when it
  // has one.
  Program().RemoteTreeConnected = false;
  MessageRecorder shown;
  Program().LastEngineError = "The server did not answer.";
  modGeneral::OpenRestoreWizard("RWIZ");
  Program().LastEngineError.clear();
  modGeneral::OpenRestoreWizard("RWIZ");
  EXPECT_EQ(shown.Texts(), QStringList({"Unable to connect to the server. Try later. \r\nReason: The server did not "
                                        "answer.",
                                        "Unable to connect to Server. Try later."}));
  EXPECT_EQ(shown.Messages()[0].icon, 3);
}

}  // namespace
}  // namespace OrvaneMac
