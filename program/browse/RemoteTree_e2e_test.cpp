// The remote tree through the program's engine client against the service
// double: an empty account, a folder whose listing fails, and a name holding
// the key separator, shown and restored under its own name. Runs inside
// testbed/run; skipped outside it.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "ZQwinSrv/facade/ClassRegistration.h"
#include "ZQwinSrv/foundation/Util.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/objects/DispatchObject.h"
#include "program/browse/BrowseTestSupport.h"
#include "program/browse/TreeViewControl.h"
#include "program/browse/UniTreeViewMC.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/session/Transfer.h"
#include "program/session/clsController.h"
#include "testbed/include/TestbedControl.h"

namespace OrvaneMac {
namespace {

QString Env(const char* name) { return qEnvironmentVariable(name); }

// A call-back object that answers "go" to everything the engine asks.
class QuietMonitor : public win::DispatchObject {
 public:
  const win::MemberTable& Members() const override {
    static const auto table = win::MemberTable::Of<QuietMonitor>("clsMonitor", {});
    return table;
  }
};

class RemoteTreeE2eTest : public ProgramTest {
 protected:
  void SetUp() override {
    if (!testbed::Running()) GTEST_SKIP() << "not inside testbed/run";
    testing::App();
    ProgramTest::SetUp();
    ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
    testbed::Reset(true);
    OrvaneSrv::RegisterEngineClasses();
    clsController::Instance().ReleaseEngines();
    clsController::Instance().SetEngineFactory({});
    monitor_.emplace(win::RegisterClassObject(
        {"{9B0C61D2-3E4F-4A57-8C19-2D6E7F80A1B3}", "OrvaneforMAC.clsMonitor",
         [] { return std::make_shared<QuietMonitor>(); }, win::ServerKind::LocalServer,
         "C:\\Prog\\OrvaneMacRestore_100.exe", {}}));
    Program().AppTitle = "Orvane for Mac - Windows Restore";
    Program().AccountName = user_;
    Program().ShownAccountName = user_;
    Program().RemoteRootKey = Root();
    Program().ShortDatePattern = "M/d/yyyy";
    gTransfer().Trf_WriteUserProfile("UserName", user_, false);
    // The account's served tree, emptied: each test puts what it needs.
    QDir account(Env("TESTBED_ACCOUNT_ROOT"));
    for (const QString& name : account.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
      QFileInfo(account.filePath(name)).isDir() ? (void)QDir(account.filePath(name)).removeRecursively()
                                                : (void)QFile::remove(account.filePath(name));
    }
    // Snapshot folders hidden: the root lists the account's own folders.
    testbed::Control("POST", "/state", QJsonObject{{"user", user_}, {"snapshots_shown", false}});
    ASSERT_TRUE(clsController::Instance().Cont_login(user_, password_, false));
    main_.emplace();
    UseControllerListing();
    TreeViewControl::Instance().setUpColumns(main_->tree, 280, 150, 270);
  }
  void TearDown() override {
    if (!testbed::Running()) return;
    SetRemoteListing(nullptr);
    main_.reset();
    clsController::Instance().ReleaseEngines();
    monitor_.reset();
    ProgramTest::TearDown();
  }
  bool Build() {
    main_->tree->ClearNodes();
    return TreeViewControl::Instance().PopulateRemoteTreeView("Smart", main_->tree, true, true, false);
  }
  static void MakeFile(const QString& relative, const QByteArray& bytes) {
    const QString path = Env("TESTBED_ACCOUNT_ROOT") + "/" + relative;
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::ReadGroup);
  }
  static QStringList Texts(const TreeNode& node) {
    QStringList texts;
    for (int i = 1; i <= node.ChildCount(); ++i) texts.append(node.ChildAt(i).Text());
    return texts;
  }
  QString Root() const { return "/users/" + user_ + "/Files/"; }

  const QString user_ = Env("TESTBED_USER");
  const QString password_ = Env("TESTBED_PASSWORD");
  std::optional<win::ClassRegistration> monitor_;
  std::optional<testing::MiniMainWindow> main_;
};

TEST_F(RemoteTreeE2eTest, AnEmptyAccountGivesTheRootAloneExpanded) {
  Program().RemoteTreeConnected = false;
  ASSERT_TRUE(Build());
  EXPECT_TRUE(Program().RemoteTreeConnected);
  ASSERT_EQ(main_->tree->NodeCount(), 1);
  const TreeNode root = main_->tree->NodeAt(1);
  EXPECT_EQ(root.Text(), "My Orvane");
  EXPECT_TRUE(root.Expanded());
  EXPECT_FALSE(root.HasChildrenMark());
}

TEST_F(RemoteTreeE2eTest, AFailedExpandShowsTheEnginesText) {
  MakeFile("Bad/x.txt", "x");
  MakeFile("Tax/a.pdf", "pdf");
  ASSERT_TRUE(Build());
  const TreeNode root = main_->tree->NodeAt(1);
  ASSERT_EQ(Texts(root), QStringList({"Bad", "Tax"}));
  testbed::Control("POST", "/faults",
                   QJsonObject{{"match", QJsonObject{{"method", "PROPFIND"}, {"path", Root() + "Bad/"}}},
                               {"fault", QJsonObject{{"status", 400}, {"times", 0}}}});
  TreeNode bad = root.ChildAt(1);
  QString shown;
  testing::AnswerNextMessageBox(&shown);
  EXPECT_FALSE(TreeViewControl::Instance().PopulateRemoteFolder(bad, false, false));
  EXPECT_TRUE(shown.endsWith(QString::fromUtf16(u"Unable to get the contents of this folder as \u2026.Bad request.")))
      << shown.toStdString();
  TreeNode tax = root.ChildAt(2);
  EXPECT_TRUE(TreeViewControl::Instance().PopulateRemoteFolder(tax, false, false));
  EXPECT_EQ(Texts(tax), QStringList({"a.pdf"}));
}

// A name with ">" shows under its own name and its key reaches the engine
// unchanged; the restore refuses it as the engine refuses every name Windows
// forbids, and says so.
TEST_F(RemoteTreeE2eTest, ANameHoldingTheKeySeparatorShowsUnderItsOwnName) {
  MakeFile("Tax/a>b.txt", "angle");
  ASSERT_TRUE(Build());
  TreeNode tax = main_->tree->NodeAt(1).ChildAt(1);
  ASSERT_TRUE(TreeViewControl::Instance().PopulateRemoteFolder(tax, false, false));
  ASSERT_EQ(Texts(tax), QStringList({"a>b.txt"}));
  const QString path = OrvaneSrv::Util().GetInfoFromKey(3, tax.ChildAt(1).Key());
  EXPECT_EQ(path, Root() + "Tax/a>b.txt");

  ASSERT_TRUE(QDir().mkpath(Host("Restore")));
  Program().EnumRestoreItemSet = std::make_shared<vb::Collection>();
  Program().EnumRestoreItemSet->Add("F_" + path);
  clsController::Instance().Cont_Restore("C:\\Restore\\", false, false, false);
  EXPECT_FALSE(Exists("Restore/a>b.txt"));
  const QByteArray bytes = Bytes("Prog/OrvaneMac/OrvaneLogFile.txt");
  const QString log = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
  EXPECT_TRUE(log.contains("Could not restore the file My Orvane/Tax/a>b.txt, Reason : Windows does not allow"))
      << log.toStdString();
  EXPECT_TRUE(log.contains("Number of files failed to restore: 1 file(s)")) << log.toStdString();
  EXPECT_FALSE(log.contains("Successfully completed restore.")) << log.toStdString();
}

}  // namespace
}  // namespace OrvaneMac
