// The main window signed in to the service double through the program's
// controller client: the root listed into its tree, the exit road's hiding
// of the snapshots, and the snapshot switch of a sub-account. Runs inside
// testbed/run; skipped outside it.
#include "program/main/Smart.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

#include "ZQwinSrv/facade/ClassRegistration.h"
#include "platform/paths/WinPath.h"
#include "program/browse/MainWindowControls.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/session/Transfer.h"
#include "program/session/clsController.h"
#include "program/windows/MesgBox.h"
#include "program/windows/WindowsTestSupport.h"
#include "program/windows/modGeneralWindows.h"
#include "testbed/include/TestbedControl.h"

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

class SmartE2eTest : public ProgramTest {
 protected:
  void SetUp() override {
    if (!testbed::Running()) GTEST_SKIP() << "not inside testbed/run";
    App();
    ProgramTest::SetUp();
    testbed::Reset();
    OrvaneSrv::RegisterEngineClasses();
    win::ChDir("C:\\Prog");
    QDir().mkpath(Host("Prog/OrvaneMac"));  // the application folder, as the start makes it
    Program().AppTitle = QStringLiteral("Orvane for Mac - Windows Restore");
    modGeneral::SetWorkAreaForTesting(QRect(0, 0, 1280, 1000));
    modGeneral::SetEndProgramHandler([this] { ++ended_; });
  }
  void TearDown() override {
    if (!testbed::Running()) return;
    CancelPending();
    Smart::Instance().UnloadForTesting();
    clsController::Instance().ReleaseEngines();
    modGeneral::SetWorkAreaForTesting({});
    ProgramTest::TearDown();
  }
  // Signs in as the program's sign-in does and lists the root into the tree.
  void SignIn(const QString& user, const QString& password) {
    ProgramState& p = Program();
    p.AccountName = user;
    p.AccountPassword = password;
    p.RemoteRootKey = "/users/" + user + "/Files/";
    gTransfer().Trf_WriteUserProfile("UserName", user, false);
    gTransfer().Trf_WriteUserProfile(user, password, true);
    ASSERT_TRUE(clsController::Instance().Cont_login(user, password, false)) << Program().LastEngineError.toStdString();
    Smart& main = Smart::Instance();
    main.Load();
    main.MenuItem("mnuDisconnect")->setEnabled(true);
    main.ColumnRemoteTreeView()->ClearNodes();
    ASSERT_TRUE(TreeViewControl::Instance().PopulateRemoteTreeView("Smart", main.ColumnRemoteTreeView(), true, false,
                                                                   false));
    gTransfer().Trf_EnableRemoteComponent();
    testbed::Control("DELETE", "/log");
  }
  static int Posts(const QString& path) {
    int n = 0;
    for (const QJsonValue& e : testbed::Log()) {
      if (e.toObject()["path"].toString() == path) ++n;
    }
    return n;
  }
  int ended_ = 0;
};

TEST_F(SmartE2eTest, SignedInTheRootIsListedAndShown) {
  SignIn("mkowalski", "Orv&ne+2014");
  Smart& main = Smart::Instance();
  TreeNode root = main.ColumnRemoteTreeView()->NodeAt(1);
  EXPECT_EQ(root.Text(), "My Orvane");
  EXPECT_GT(root.ChildCount(), 0);
  main.lblVersionDisp()->SetCaption("mkowalski: Orvane for Mac - Windows Restore");
  main.ColumnRemoteTreeView_MouseMove();
  main.Show();
  EXPECT_FALSE(SaveScreenshot(main.Window(), "main_window_signed_in").isEmpty());
}

TEST_F(SmartE2eTest, ExitWithSnapshotsShownHidesThemOnce) {
  SignIn("mkowalski", "Orv&ne+2014");
  gTransfer().Trf_WriteUserProfile("FILEVER", "1", false);
  Smart::Instance().RequestClose();
  EXPECT_EQ(Posts("/cgi-bin/disable_snapshots"), 1);
  EXPECT_EQ(gTransfer().Trf_ReadUserProfile("FILEVER", false), "0");
  EXPECT_GE(ended_, 1);
}

TEST_F(SmartE2eTest, ShowingSnapshotsOfASubAccountIsRefused) {
  SignIn("subacct", "Sub-pass1");
  gTransfer().Trf_WriteUserProfile("FILEVER", "0", false);
  QString text;
  WhenShown(MesgBox::Instance(), [&text] {
    MesgBox& box = MesgBox::Instance();
    text = (box.ShortTextShown() ? box.lblSmallText() : box.lblText())->Caption().trimmed();
    box.ButtonResult(0);
  });
  Smart::Instance().ToggleSnapshots();
  EXPECT_EQ(text, "The Snapshots feature is currently not available for Sub-Account holders.");
  EXPECT_EQ(gTransfer().Trf_ReadUserProfile("FILEVER", false), "0");
  EXPECT_EQ(Posts("/cgi-bin/enable_snapshots"), 1);
}

}  // namespace
}  // namespace OrvaneMac
