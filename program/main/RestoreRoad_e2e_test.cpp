// The restore road through the whole program against the service double:
// the signed-in session's remote tree, its check marks, the destination
// screen on a mapped temporary drive, the restore through the controller
// client and the engine (the outside programs are the stand-ins of the
// program folder, ORVANE_PROGRAM_DIR), the call-back class and the progress
// window with its Close.
#include <QDir>
#include <QElapsedTimer>
#include <QDirIterator>
#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "testbed/include/TestbedControl.h"

#include "ZQwinSrv/facade/clsController.h"
#include "ZQwinSrv/foundation/Processes.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "platform/clock/Clock.h"
#include "platform/clock/ClockSource.h"
#include "platform/clock/FakeClock.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/paths/WinPath.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryStore.h"
#include "platform/shell/Shell.h"
#include "platform/text/UserLocale.h"
#include "program/browse/BrowseTestSupport.h"
#include "program/browse/RemoteListingSource.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/modMain.h"
#include "program/main/MainWindowServices.h"
#include "program/main/frmreswizscr3.h"
#include "program/progress/ProgressTestSupport.h"
#include "program/progress/frmProgressDisplay.h"
#include "program/session/clsController.h"

namespace OrvaneMac {
namespace {

const QString kProgramDir = QStringLiteral(ORVANE_PROGRAM_DIR);

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString Utf16Text(const QByteArray& bytes) {
  const QByteArray body = bytes.startsWith("\xFF\xFE") ? bytes.mid(2) : bytes;
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(body.constData()), body.size() / 2);
}

class RestoreRoadE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testbed::Running()) GTEST_SKIP() << "the service double is not running";
    testing::App();
    testbed::Reset(true);
    ASSERT_TRUE(tmp_.isValid());
    root_ = tmp_.path();
    account_ = qEnvironmentVariable("TESTBED_ACCOUNT_ROOT");
    user_ = qEnvironmentVariable("TESTBED_USER");
    password_ = qEnvironmentVariable("TESTBED_PASSWORD");
    QDir(root_).mkpath("Prog/OrvaneMac");
    QDir(root_).mkpath("D/Restore");
    for (const QFileInfo& f : QDir(kProgramDir).entryInfoList(QDir::Files))
      QFile::link(f.absoluteFilePath(), root_ + "/Prog/" + f.fileName());
    testbed::OwnTheWrittenFiles(root_ + "/Prog");
    savedDrives_ = qgetenv("ORVANE_DRIVES");
    savedConnectTo_ = qgetenv("ORVANE_CONNECT_TO");
    // D: is the mapped temporary drive the files are restored to.
    qputenv("ORVANE_DRIVES", QStringLiteral("C=%1;D=%1/D").arg(root_).toUtf8());
    qputenv("ORVANE_CONNECT_TO", "localhost:43718=127.0.0.1:" + QByteArray::number(testbed::FreePort()) + ';' +
                                     savedConnectTo_);
    drives_.emplace(win::DriveTable::FromEnvironment());
    registry_.emplace(win::RegistryConfig::InFolder(root_ + "/registry"));
    win::SetProgramFolder("C:\\Prog");
    win::ChDir("C:\\Prog");
    ResetProgramForTesting();
    ProgramState& p = Program();
    p.AppWord = "OrvaneMac";
    p.AppTitle = "Orvane for Mac - Windows Restore";
    p.AccountName = user_;
    p.ShortDatePattern = "M/d/yyyy";
    p.RemoteRootKey = "/users/" + user_ + "/Files/";
    // The tunnel's configuration as the installation leaves it (the engine
    // writes its section before each start).
    QFile conf(root_ + "/Prog/SSLInteractive.conf");
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write("[ZQWIN]\r\n");
    conf.close();
    QFile details(root_ + "/Prog/OrvaneMac/OrvaneDetails.ini");
    ASSERT_TRUE(details.open(QIODevice::WriteOnly));
    details.write("[Orvane]\r\nechoexe=500\r\n");
    details.close();
    modGeneral::RegisterProgramClasses();  // the engine's classes and the call-back class
    // What the sign-in leaves: the account's name and password for the
    // service's scripts.
    OrvaneSrv::clsController prepare;
    prepare.InitEngine("C:\\Prog", 1, user_, "OrvaneMac");
    OrvaneSrv::Transfer profile;
    profile.Trf_WriteUserProfile("UserName", user_);
    profile.Trf_WriteUserProfile(user_, password_, true);
    clsController::Instance().SetEngineFactory({});
    ASSERT_TRUE(clsController::Instance().Cont_login(user_, password_, false));
    main_ = std::make_unique<testing::MiniMainWindow>();
    UseControllerListing();  // as the main window does
    TreeViewControl::Instance().setUpColumns(main_->tree, 280, 150, 270);
    ASSERT_TRUE(TreeViewControl::Instance().PopulateRemoteTreeView("Smart", main_->tree, true, true, false));
    testbed::Control("DELETE", "/log");
  }

  void TearDown() override {
    if (!registry_) return;
    testing::CancelPending();
    if (frmreswizscr3::Instance().IsLoaded()) frmreswizscr3::Instance().Unload();
    if (frmProgressDisplay::Instance().IsLoaded()) frmProgressDisplay::Instance().Unload();
    clsController::Instance().GeneralEngine()->Cont_DisConnect();
    clsController::Instance().GeneralEngine()->Cont_Exit();
    clsController::Instance().ReleaseEngines();
    for (const char* program : {"orvane_ssl_int_rst_100.exe", "orvane_int_rst_100.exe"})
      OrvaneSrv::IsExeRunning(QString::fromLatin1(program), true);
    SetRemoteListing(nullptr);
    main_.reset();
    ResetProgramForTesting();
    win::SetProgramFolder({});
    registry_.reset();
    drives_.reset();
    qputenv("ORVANE_DRIVES", savedDrives_);
    qputenv("ORVANE_CONNECT_TO", savedConnectTo_);
  }

  TreeNode Root() const { return main_->tree->NodeAt(1); }
  static TreeNode ChildNamed(const TreeNode& parent, const QString& text) {
    for (int i = 1; i <= parent.ChildCount(); ++i)
      if (parent.ChildAt(i).Text() == text) return parent.ChildAt(i);
    return {};
  }
  // The main window's restore command: the check marks become the set.
  void CollectCheckedItems() {
    Items(Program().EnumRestoreItemSet)->Clear();
    Program().RestoreSetSize = 0;
    bool first = true;
    TreeViewControl::Instance().TraverseColTree(main_->tree, Root(), first, true, false, false);
  }
  QStringList ItemSet() const {
    QStringList out;
    for (const vb::Variant& v : *Items(Program().EnumRestoreItemSet)) out << v.ToString();
    return out;
  }
  // Opens the destination screen, picks D:\<folder> and presses Restore;
  // `during` runs at every turn of the event loop while the restore runs.
  void RestoreInto(const QString& folder) {
    testing::WhenShown(frmreswizscr3::Instance(), [folder] {
      UniTreeViewMC* tree = frmreswizscr3::Instance().C().LocalTreeView;
      TreeNode drive = tree->FindNode("D:\\");
      TreeViewControl::Instance().PopulateLocalFolder(drive, true);
      ChildNamed(drive, folder).SetSelected(true);
      frmreswizscr3::Instance().wiz_res3_next_Click();
    });
    ShowRestoreDestinationScreen("Select a folder/drive under 'My Computer' to restore the selected files/folders to it");
  }
  // Every file of the account's Documents folder and a.txt, byte for byte.
  // (The restore's outside programs are found and ended by their names: a
  // test elsewhere on the machine that ends programs of those names breaks
  // a running restore.)
  void ExpectRestored(const QString& dest) const {
    int files = 0;
    QDirIterator it(account_ + "/Documents", QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString path = it.next();
      const QString relative = path.mid(account_.size() + 1);
      EXPECT_EQ(ReadAll(root_ + "/D/" + dest + "/" + relative), ReadAll(path)) << relative.toStdString();
      ++files;
    }
    EXPECT_GE(files, 1);
    EXPECT_EQ(ReadAll(root_ + "/D/" + dest + "/a.txt"), ReadAll(account_ + "/a.txt"));
  }
  QString TransferLog() const { return Utf16Text(ReadAll(root_ + "/Prog/OrvaneMac/OrvaneLogFile.txt")); }

  QTemporaryDir tmp_;
  QString root_, account_, user_, password_;
  QByteArray savedDrives_, savedConnectTo_;
  std::optional<win::ScopedDriveTable> drives_;
  std::optional<win::ScopedRegistry> registry_;
  std::unique_ptr<testing::MiniMainWindow> main_;
  vb::ScopedUserLocale locale_{vb::UserLocale::EnglishUS()};
  vb::SkippingClock clock_;
  vb::ScopedClock useClock_{clock_};
  win::ScopedShellLauncher shell_{[](const win::ShellRequest&) { return win::SHELL_EXECUTE_OK; }};
};

TEST_F(RestoreRoadE2E, CheckedItemsLandByteForByteAndACloseCancelsOnlyItsOwnRestore) {
  const TreeNode documents = ChildNamed(Root(), "Documents");
  const TreeNode file = ChildNamed(Root(), "a.txt");
  ASSERT_FALSE(documents.IsNothing()) << Utf16Text(ReadAll(root_ + "/Prog/OrvaneMac/TraceFile.txt")).toStdString();
  ASSERT_FALSE(file.IsNothing());
  TreeNode(documents).SetChecked(2);
  CollectCheckedItems();
  EXPECT_EQ(ItemSet(), QStringList({"D_/users/" + user_ + "/Files/Documents/"}));  // never expanded
  EXPECT_EQ(Program().RestoreSetSize, 0);
  TreeNode(file).SetChecked(2);
  CollectCheckedItems();

  // A restore the user closes: the Close is pressed once the progress
  // window is up, inside the engine's call-backs.
  QDir(root_).mkpath("D/Stopped");
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [] {
    frmProgressDisplay& w = frmProgressDisplay::Instance();
    if (Program().RestoreRunning && w.IsLoaded() && w.Window()->isVisible()) w.btnStopTransfer_Click();
  });
  closer.start(0);
  {
    testing::MessageRecorder shown;
    RestoreInto("Stopped");
    EXPECT_EQ(shown.Texts().filter("Do you want to view the logs for the restore operation now?").size(), 1);
  }
  closer.stop();
  EXPECT_EQ(clsController::Instance().GetErrorString(), "Operation canceled by user.");
  EXPECT_TRUE(TransferLog().contains(" : Operation Canceled by user.\r\n")) << TransferLog().toStdString();
  EXPECT_FALSE(Program().RestoreRunning);
  EXPECT_FALSE(frmProgressDisplay::Instance().IsLoaded());

  // The trace of the next restore is shown when it fails.
  const qsizetype traceBefore = Utf16Text(ReadAll(root_ + "/Prog/OrvaneMac/TraceFile.txt")).size();

  // The next restore is not cancelled: the same items land whole. The
  // progress window's captions are recorded as they are set.
  CollectCheckedItems();
  ASSERT_EQ(ItemSet().size(), 2);
  QStringList captions;
  QPointer<QWidget> watched;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    frmProgressDisplay& w = frmProgressDisplay::Instance();
    if (!w.IsLoaded() || watched == w.Window()) return;
    watched = w.Window();
    QObject::connect(watched, &QWidget::windowTitleChanged, [&](const QString& t) { captions << t; });
  });
  watcher.start(0);
  {
    testing::MessageRecorder shown;
    RestoreInto("Restore");
    EXPECT_EQ(shown.Texts(), QStringList({"Do you want to view the logs for the restore operation now?"}));
  }
  watcher.stop();
  const QRegularExpression percent(QStringLiteral("^Restore Progress\\(\\d+% completed\\)$"));
  EXPECT_FALSE(captions.filter(percent).isEmpty()) << captions.join(" | ").toStdString();
  ExpectRestored("Restore");
  if (HasFailure()) {
    QStringList local;
    QDirIterator it(root_ + "/D", QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) local << it.next().mid(root_.size());
    ADD_FAILURE() << TransferLog().toStdString() << local.join("\n").toStdString()
                  << Utf16Text(ReadAll(root_ + "/Prog/OrvaneMac/TraceFile.txt")).mid(traceBefore).toStdString();
  }
  EXPECT_EQ(Program().EnumRestoreItemSet->Count(), 0);
  EXPECT_EQ(Program().RestoreSetSize, 0);
  EXPECT_TRUE(TransferLog().contains("Completed the Restore."));
}

}  // namespace
}  // namespace OrvaneMac
