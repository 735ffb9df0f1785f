// The restore run, the listing and the search against the service double:
// the real redirection program, client and tunnel from the program folder
// (ORVANE_PROGRAM_DIR), the double's rsync daemon behind its TLS front.
#include "ZQwinSrv/rsync/clsRsyncEngine.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QProcess>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "testbed/include/TestbedControl.h"

#include "ZQwinSrv/foundation/Processes.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "platform/clock/Clock.h"
#include "platform/clock/ClockSource.h"
#include "platform/clock/FakeClock.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/objects/DispatchObject.h"
#include "platform/paths/WinPath.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryStore.h"

namespace OrvaneSrv {
namespace {

const QString kProgramDir = QStringLiteral(ORVANE_PROGRAM_DIR);

struct MonitorLog {
  bool stopSearch = false;
  int searchAsks = 0;
};
MonitorLog gMonitor;

class FakeMonitor : public win::DispatchObject {
 public:
  const win::MemberTable& Members() const override {
    using A = win::DispatchArgs;
    static const auto table = win::MemberTable::Of<FakeMonitor>(
        "clsMonitor",
        {{"UpdateMonitor", win::Method, win::Params::ByRef(12).OptionalByRef().OptionalByVal(),
          [](FakeMonitor&, A&) { return vb::Variant(1); }},
         {"updateSearchProgress", win::Method, win::Params::ByRef(1),
          [](FakeMonitor&, A&) {
            ++gMonitor.searchAsks;
            return vb::Variant(gMonitor.stopSearch);
          }}});
    return table;
  }
};

// The process layer, keeping a copy of every file list a run is started on
// (a finished run deletes its list).
class RecordingLauncher final : public ClientRunLauncher {
 public:
  explicit RecordingLauncher(QString root) : root_(std::move(root)) {}
  int Start(const QString& commandLine) override {
    for (const QString letter : {"A", "B"}) {
      if (!commandLine.contains("RedirectSer" + letter + ".bat")) continue;
      QFile args(root_ + "/OrvaneInt/ORVANETEMP/arglist" + letter + ".txt");
      if (!args.open(QIODevice::ReadOnly)) break;
      const QString from = QString::fromUtf8(args.readAll()).section("--files-from=/cygdrive/C/", 1).section('\n', 0, 0);
      QFile list(root_ + '/' + from);
      if (list.open(QIODevice::ReadOnly)) lists.push_back({from.section('/', -1), list.readAll()});
    }
    if (commandLine.contains("Enum.bat")) ++listings;
    return win::StartProcess(commandLine);
  }
  win::ProcessHandle Open(int processId) override {
    return win::OpenProcess(win::PROCESS_TERMINATE | win::PROCESS_QUERY_INFORMATION, false, processId);
  }
  bool ExitCode(win::ProcessHandle handle, std::uint32_t& code) override {
    return win::GetExitCodeProcess(handle, code);
  }
  void Close(win::ProcessHandle handle) override { win::CloseHandle(handle); }

  std::vector<std::pair<QString, QByteArray>> lists;
  int listings = 0;

 private:
  QString root_;
};

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class RsyncRestoreE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testbed::Running()) GTEST_SKIP() << "the service double is not running";
    testbed::Reset(true);
    ASSERT_TRUE(tmp_.isValid());
    root_ = tmp_.path();
    account_ = qEnvironmentVariable("TESTBED_ACCOUNT_ROOT");
    user_ = qEnvironmentVariable("TESTBED_USER");
    QDir(root_).mkpath("Prog/OrvaneMac");
    QDir(root_).mkpath("D/Restore");
    for (const QFileInfo& f : QDir(kProgramDir).entryInfoList(QDir::Files))
      QFile::link(f.absoluteFilePath(), root_ + "/Prog/" + f.fileName());
    testbed::OwnTheWrittenFiles(root_ + "/Prog");
    savedDrives_ = qgetenv("ORVANE_DRIVES");
    savedConnectTo_ = qgetenv("ORVANE_CONNECT_TO");
    qputenv("ORVANE_DRIVES", QStringLiteral("C=%1;D=%1/D;Z=/").arg(root_).toUtf8());
    qputenv("ORVANE_CONNECT_TO", "localhost:43718=127.0.0.1:" + QByteArray::number(testbed::FreePort()) + ';' +
                                     savedConnectTo_);
    drives_.emplace(win::DriveTable::FromEnvironment());
    registry_.emplace(win::RegistryConfig::InFolder(root_ + "/registry"));
    win::SetProgramFolder("C:\\Prog");
    win::ChDir("C:\\Prog");
    ResetEngineForTesting();
    EngineState& g = Engine();
    g.gsAppPath = "C:\\Prog\\";
    g.gsAppWord = "OrvaneMac";
    g.giMode = 1;
    g.giOsType = 1;
    g.gsRsyncClientExe = "orvane_int_rst_100.exe";
    g.gsTunnelExe = "orvane_ssl_int_rst_100.exe";
    g.gsTunnelConf = "SSLInteractive.conf";
    g.gbUseSSL = true;
    g.gbCommonFlag = true;
    g.gsUserName = user_;
    g.gsPassword = qEnvironmentVariable("TESTBED_PASSWORD");
    // The echo touch would write into the shared client program.
    g.giEchoTouchState = 2;
    gTransfer().WriteUserServerProfile("RSYNCSERVER", qEnvironmentVariable("TESTBED_RSYNC_HOST"), user_);
    gMonitor = {};
    monitor_.emplace(win::RegisterClassObject({"{8E21B0C4-5A3D-4F61-9C72-1B4D6E8F0A35}", kMonitorProgId,
                                               [] { return std::make_shared<FakeMonitor>(); },
                                               win::ServerKind::LocalServer, "C:\\Prog\\OrvaneMacRestore_100.exe",
                                               {}}));
    controller_.emplace();
    // As at sign-in: the tunnel's configuration for the user's server.
    controller_->Cont_LaunchSSLTunnel(true, false);
  }

  void TearDown() override {
    if (!controller_) return;
    if (Engine().glTunnelPid) win::TerminateProcessById(Engine().glTunnelPid, 0);
    controller_.reset();
    monitor_.reset();
    ResetEngineForTesting();
    win::SetProgramFolder({});
    registry_.reset();
    drives_.reset();
    qputenv("ORVANE_DRIVES", savedDrives_);
    qputenv("ORVANE_CONNECT_TO", savedConnectTo_);
  }

  // What the facade prepares before the rsync route runs.
  bool Restore(const QStringList& items, const QString& dest) {
    EngineState& g = Engine();
    vb::CollectionPtr& set = Items(g.gcolRestoreItems);
    set->Clear();
    for (const QString& i : items) set->Add(i);
    g.gbCancelled = false;
    g.gbRestoreFailed = false;
    g.gbInteractiveRestore = true;
    ResetTransferCounters();
    ResetSummaryCounters();
    return controller_->RsyncEngine().Cont_CallRsyncRestore(user_, g.gsPassword, dest, true, 0, 0, 0, false);
  }

  QString TransferLog() const {
    const QByteArray b = ReadAll(root_ + "/Prog/OrvaneMac/OrvaneLogFile.txt");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData()), b.size() / 2);
  }
  QString Trace() const {
    const QByteArray b = ReadAll(root_ + "/Prog/OrvaneMac/TraceFile.txt");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData()), b.size() / 2);
  }
  int RsyncConnections() const {
    int n = 0;
    for (const QJsonValue& v : testbed::Log())
      if (v.toObject()["kind"].toString() == "connection") ++n;
    return n;
  }
  void ExpectNoWorkFolders() const {
    EXPECT_FALSE(QFileInfo::exists(root_ + "/Prog/OrvaneInt/ORVANETEMP"));
    EXPECT_FALSE(QFileInfo::exists(root_ + "/OrvaneInt"));
  }

  QTemporaryDir tmp_;
  QString root_, account_, user_;
  QByteArray savedDrives_, savedConnectTo_;
  std::optional<win::ScopedDriveTable> drives_;
  std::optional<win::ScopedRegistry> registry_;
  std::optional<win::ClassRegistration> monitor_;
  std::optional<clsRsyncController> controller_;
};

TEST_F(RsyncRestoreE2E, AFolderAndAFileRestoreByteForByteAndASecondRunFindsThemInSync) {
  {
    QFile x(account_ + "/x.txt");
    ASSERT_TRUE(x.open(QIODevice::WriteOnly));
    x.write("the x file\n");
    x.setPermissions(x.permissions() | QFileDevice::ReadOther);
  }
  const QStringList items{"D_/users/" + user_ + "/Files/Documents/", "F_/users/" + user_ + "/Files/x.txt"};
  EXPECT_TRUE(Restore(items, "D:\\Restore"));
  QStringList restored;
  QDirIterator it(account_ + "/Documents", QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const QString relative = path.mid(account_.size() + 1);
    EXPECT_EQ(ReadAll(root_ + "/D/Restore/" + relative), ReadAll(path)) << relative.toStdString();
    restored << relative;
  }
  EXPECT_EQ(ReadAll(root_ + "/D/Restore/x.txt"), "the x file\n");
  EXPECT_TRUE(QFileInfo(root_ + "/D/Restore/Documents/Empty folder").isDir());
  const int n = static_cast<int>(restored.size()) + 1;
  ASSERT_GE(n, 6);
  QString log = TransferLog();
  EXPECT_TRUE(log.contains(QString("Number of files considered for restore: %1 file(s)").arg(n)));
  EXPECT_TRUE(log.contains(QString("Number of files restored now: %1 file(s)").arg(n)));
  EXPECT_TRUE(log.contains("Successfully completed restore."));
  EXPECT_EQ(Engine().gdSummarySuccess, n);
  ExpectNoWorkFolders();

  EXPECT_TRUE(Restore(items, "D:\\Restore"));
  log = TransferLog();
  EXPECT_TRUE(log.contains(QString("Number of files found to be in sync: %1 file(s)").arg(n)));
  EXPECT_TRUE(log.contains("Number of files restored now: 0 file(s)"));
}

TEST_F(RsyncRestoreE2E, AnUnwritableDestinationStartsNoClient) {
  win::DriveTable table = win::CurrentDriveTable();
  table.Map(u'E', "/proc");
  win::ScopedDriveTable drives(table);
  EXPECT_TRUE(Restore({"D_/users/" + user_ + "/Files/Documents/"}, "E:\\"));
  EXPECT_TRUE(TransferLog().contains(
      "Unable to continue the restore operation, make sure, disk is not full or write protected\r\n"));
  EXPECT_TRUE(Engine().gbRestoreFailed);
  EXPECT_TRUE(Engine().gbErrorShown);
  EXPECT_FALSE(TransferLog().contains("Number of files"));
  EXPECT_EQ(RsyncConnections(), 0);
}

TEST_F(RsyncRestoreE2E, TwoThousandEntriesGoToBothRunsInListsOfAThousand) {
  const QString big = account_ + "/Big";
  QDir().mkpath(big);
  for (int i = 0; i < 2000; ++i) {
    QFile f(big + QString("/f%1.txt").arg(i));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::number(i));
  }
  QProcess::execute("chmod", {"-R", "a+rX", big});
  RecordingLauncher launcher(root_);
  ScopedClientRunLauncher use(launcher);
  EXPECT_TRUE(Restore({"D_/users/" + user_ + "/Files/Big/"}, "D:\\Restore"));
  ASSERT_EQ(launcher.lists.size(), 2u);
  EXPECT_EQ(launcher.lists[0].first, "SerSource.foldersA");
  EXPECT_EQ(launcher.lists[0].second.count('\n'), 1000);
  EXPECT_EQ(launcher.lists[1].first, "SerSource.foldersB");
  EXPECT_EQ(launcher.lists[1].second.count('\n'), 1000);
  EXPECT_EQ(ReadAll(root_ + "/D/Restore/Big/f1999.txt"), "1999");
  EXPECT_TRUE(TransferLog().contains("Number of files restored now: 2000 file(s)"));
}

TEST_F(RsyncRestoreE2E, ARefusingDaemonEndsTheListingAfterTenAttempts) {
  vb::SkippingClock clock;
  vb::ScopedClock useClock(clock);
  testbed::Control("POST", "/listener_faults",
                   QJsonObject{{"listener", QJsonArray{"rsync", "rsync-tls"}},
                               {"fault", QJsonObject{{"rsync_error", "auth failed"}, {"times", 0}}}});
  RecordingLauncher launcher(root_);
  ScopedClientRunLauncher use(launcher);
  QElapsedTimer took;
  took.start();
  EXPECT_FALSE(Restore({"D_/users/" + user_ + "/Files/Documents/"}, "D:\\Restore"));
  EXPECT_LT(took.elapsed(), 60000);
  EXPECT_EQ(launcher.listings, 10);
  EXPECT_TRUE(launcher.lists.empty());
  EXPECT_TRUE(TransferLog().contains("Error fetching directory contents for /Documents/"));
  EXPECT_FALSE(TransferLog().contains("Number of files"));
  EXPECT_EQ(Trace().count("Retrying folder enumeration : "), 9);
}

TEST_F(RsyncRestoreE2E, ASnapshotFolderRestoresFromItsModule) {
  EXPECT_TRUE(Restore({"D_/users/" + user_ + "/Files/BackUp_nightly.1/" + user_ + "/Documents/"}, "D:\\Restore"));
  const QString relative = "Documents/Reports #1/Q1 100% done.txt";
  const QByteArray snapshot = ReadAll(qEnvironmentVariable("TESTBED_ROOT") + "/snapshots/" + user_ + "/1/" + relative);
  ASSERT_FALSE(snapshot.isEmpty());
  EXPECT_EQ(ReadAll(root_ + "/D/Restore/" + relative), snapshot);
  EXPECT_FALSE(QFileInfo::exists(root_ + "/D/Restore/Documents/Letters"));
  EXPECT_TRUE(TransferLog().contains("Number of files restored now: 1 file(s)"));
}

// The snapshot's user folder, as the tree shows it, restores like any
// folder: its content, from the snapshot's module, into the destination.
// A search row of the snapshot without that folder restores its file too.
TEST_F(RsyncRestoreE2E, ASnapshotsUserFolderAndItsSearchRowsRestore) {
  const QString snapshot = qEnvironmentVariable("TESTBED_ROOT") + "/snapshots/" + user_ + "/3/";
  EXPECT_TRUE(Restore({"D_/users/" + user_ + "/Files/BackUp_nightly.3/" + user_ + "/"}, "D:\\Restore"));
  for (const QString relative : {"Documents/Letters/2009/Dear Anna.txt", "Łódź straße/ß file.txt"}) {
    ASSERT_FALSE(ReadAll(snapshot + relative).isEmpty());
    EXPECT_EQ(ReadAll(root_ + "/D/Restore/" + relative), ReadAll(snapshot + relative)) << relative.toStdString();
  }
  EXPECT_TRUE(TransferLog().contains("Number of files restored now: 2 file(s)"));
  EXPECT_FALSE(TransferLog().contains("Unable to restore"));

  QDir(root_).mkpath("D/Rows");
  EXPECT_TRUE(Restore({"F_/users/" + user_ + "/Files/BackUp_nightly.3/Documents/Letters/2009/Dear Anna.txt",
                       "F_/users/" + user_ + "/Files/BackUp_nightly.3/" + user_ + "/Łódź straße/ß file.txt"},
                      "D:\\Rows"));
  EXPECT_EQ(ReadAll(root_ + "/D/Rows/Dear Anna.txt"), ReadAll(snapshot + "Documents/Letters/2009/Dear Anna.txt"));
  EXPECT_EQ(ReadAll(root_ + "/D/Rows/ß file.txt"), ReadAll(snapshot + "Łódź straße/ß file.txt"));
  EXPECT_FALSE(Engine().gbRestoreFailed);
}

// A file of the user's where the restore needs a folder stays; the items
// below that folder fail with the reason, the rest is restored, and the
// restore answers as a failed one.
TEST_F(RsyncRestoreE2E, AUsersFileWhereAFolderGoesStaysAndItsItemsFail) {
  QDir(root_).mkpath("D/Restore/Documents");
  {
    QFile mine(root_ + "/D/Restore/Documents/Letters");
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("the user's own file\n");
  }
  EXPECT_TRUE(Restore({"D_/users/" + user_ + "/Files/Documents/"}, "D:\\Restore"));
  EXPECT_EQ(ReadAll(root_ + "/D/Restore/Documents/Letters"), "the user's own file\n");
  const QString done = "Documents/Reports #1/Q1 100% done.txt";
  EXPECT_EQ(ReadAll(root_ + "/D/Restore/" + done), ReadAll(account_ + "/" + done));
  const QString log = TransferLog();
  EXPECT_TRUE(log.contains("Unable to restore file My Orvane/Documents/Letters/2009/Dear Anna.txt <To> "
                           "D:\\Restore\\Documents\\Letters\\2009\\Dear Anna.txt. Reason: File already exists "
                           "(D:\\Restore\\Documents\\Letters)"))
      << log.toStdString();
  EXPECT_TRUE(log.contains("Number of files failed to restore: 3 file(s)"));
  EXPECT_FALSE(log.contains("Successfully completed restore."));
  EXPECT_TRUE(Engine().gbRestoreFailed);
}

// A folder of the user's where the restore needs a file stays, with what it
// holds; the file fails with the reason, and the list is not retried.
TEST_F(RsyncRestoreE2E, AUsersFolderWhereAFileGoesStaysAndTheFileFails) {
  const QString folder = root_ + "/D/Restore/Documents/Reports #1/a+b=c.txt";
  QDir().mkpath(folder);
  {
    QFile kept(folder + "/kept.txt");
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.write("kept\n");
  }
  QDir().mkpath(root_ + "/D/Restore/Documents/Reports #1/Q1 100% done.txt");  // empty, still the user's
  EXPECT_TRUE(Restore({"D_/users/" + user_ + "/Files/Documents/Reports #1/"}, "D:\\Restore\\Documents"));
  EXPECT_EQ(ReadAll(folder + "/kept.txt"), "kept\n");
  EXPECT_TRUE(QFileInfo(root_ + "/D/Restore/Documents/Reports #1/Q1 100% done.txt").isDir());
  const QString log = TransferLog();
  EXPECT_TRUE(log.contains("Unable to restore file My Orvane/Reports #1/a+b=c.txt <To> "
                           "D:\\Restore\\Documents\\Reports #1\\a+b=c.txt. Reason: A folder of that name exists"))
      << log.toStdString();
  EXPECT_TRUE(log.contains("Number of files failed to restore: 2 file(s)"));
  EXPECT_FALSE(log.contains("Retrying"));
  EXPECT_TRUE(Engine().gbRestoreFailed);
}

// A folder the restore cannot write into (even the administrator cannot
// change an immutable one): each failed file is named as the user knows it,
// with the client's reason, and the restore answers as a failed one.
TEST_F(RsyncRestoreE2E, FilesThatCannotBeWrittenAreNamedWithTheirReasonAndFailTheRestore) {
  const QString locked = root_ + "/D/Restore/Documents/Letters/2009";
  QDir().mkpath(locked);
  if (QProcess::execute("chattr", {"+i", locked}) != 0) GTEST_SKIP() << "no immutable folders here";
  const bool ok = Restore({"D_/users/" + user_ + "/Files/Documents/Letters/"}, "D:\\Restore\\Documents");
  QProcess::execute("chattr", {"-i", locked});
  EXPECT_TRUE(ok);
  const QString log = TransferLog();
  EXPECT_TRUE(log.contains("Unable to restore file My Orvane\\D:\\Restore\\Documents\\Letters\\2009\\Dear "
                           "Anna.txt. Reason: Operation not permitted\r\n"))
      << log.toStdString();
  EXPECT_FALSE(log.contains("\\.Dear Anna.txt."));
  EXPECT_TRUE(log.contains("Number of files failed to restore: 2 file(s)"));
  EXPECT_EQ(ReadAll(root_ + "/D/Restore/Documents/Letters/Ünïcödé 日本.txt"),
            ReadAll(account_ + "/Documents/Letters/Ünïcödé 日本.txt"));
  EXPECT_TRUE(Engine().gbRestoreFailed);
  EXPECT_TRUE(Engine().gbErrorShown) << "the lines above name the files";
}

// Names keep their blanks.
TEST_F(RsyncRestoreE2E, ANameBeginningWithABlankIsRestoredAsItIs) {
  QDir().mkpath(account_ + "/Blanks");
  for (const QString name : {" lead.txt", "trail.txt "}) {
    QFile f(account_ + "/Blanks/" + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(name.toUtf8());
    f.setPermissions(f.permissions() | QFileDevice::ReadOther);
  }
  QProcess::execute("chmod", {"-R", "a+rX", account_ + "/Blanks"});
  EXPECT_TRUE(Restore({"D_/users/" + user_ + "/Files/Blanks/"}, "D:\\Restore"));
  EXPECT_EQ(ReadAll(root_ + "/D/Restore/Blanks/ lead.txt"), " lead.txt");
  EXPECT_EQ(ReadAll(root_ + "/D/Restore/Blanks/trail.txt "), "trail.txt ");
  EXPECT_FALSE(TransferLog().contains("Unable to restore"));
  EXPECT_TRUE(TransferLog().contains("Successfully completed restore."));
}

// The redirection program fails before the client starts (here: its batch
// file is gone): the listing fails, so the restore fails rather than report
// nothing restored as a success, and a search keeps the last result file.
TEST_F(RsyncRestoreE2E, TheRedirectionProgramsOwnFailureFailsTheListingAndTheSearch) {
  vb::SkippingClock clock;
  vb::ScopedClock useClock(clock);
  class LosingBatch final : public ClientRunLauncher {
   public:
    explicit LosingBatch(QString root) : root_(std::move(root)) {}
    int Start(const QString& commandLine) override {
      QFile::remove(root_ + "/OrvaneInt/ORVANETEMP/Enum.bat");
      return win::StartProcess(commandLine);
    }
    win::ProcessHandle Open(int processId) override {
      return win::OpenProcess(win::PROCESS_TERMINATE | win::PROCESS_QUERY_INFORMATION, false, processId);
    }
    bool ExitCode(win::ProcessHandle handle, std::uint32_t& code) override {
      return win::GetExitCodeProcess(handle, code);
    }
    void Close(win::ProcessHandle handle) override { win::CloseHandle(handle); }

   private:
    QString root_;
  } launcher(root_);
  ScopedClientRunLauncher use(launcher);
  EXPECT_FALSE(Restore({"D_/users/" + user_ + "/Files/Documents/"}, "D:\\Restore"));
  EXPECT_TRUE(TransferLog().contains("Error fetching directory contents for /Documents/"));
  EXPECT_FALSE(TransferLog().contains("Successfully completed restore."));

  QFile last(root_ + "/Prog/OrvaneMac/OrvaneSearchResult.txt");
  ASSERT_TRUE(last.open(QIODevice::WriteOnly));
  last.write("the last result");
  last.close();
  EXPECT_FALSE(controller_->SearchItem("/Documents/", user_, Engine().gsPassword));
  EXPECT_EQ(ReadAll(root_ + "/Prog/OrvaneMac/OrvaneSearchResult.txt"), "the last result");
}

TEST_F(RsyncRestoreE2E, SearchWritesTheResultFileAndAStopLeavesNothingBehind) {
  EXPECT_TRUE(controller_->SearchItem("/Documents/", user_, Engine().gsPassword));
  const QByteArray bytes = ReadAll(root_ + "/Prog/OrvaneMac/OrvaneSearchResult.txt");
  ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
  const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                          (bytes.size() - 2) / 2);
  QStringList names;
  for (const QString& line : text.split('\n'))
    if (line.startsWith('-')) names << line.mid(43);
  EXPECT_TRUE(names.contains("Letters/2009/Dear Anna.txt"));
  EXPECT_TRUE(names.contains("Letters/Ünïcödé 日本.txt"));
  EXPECT_FALSE(text.contains('\r'));
  ExpectNoWorkFolders();
  const Long tunnel = Engine().glTunnelPid;

  gMonitor.stopSearch = true;
  QFile::remove(root_ + "/Prog/OrvaneMac/OrvaneSearchResult.txt");
  EXPECT_FALSE(controller_->SearchItem("/Documents/", user_, Engine().gsPassword));
  EXPECT_TRUE(Trace().contains("Search operation Canceled by user"));
  EXPECT_FALSE(QFileInfo::exists(root_ + "/Prog/OrvaneMac/OrvaneSearchResult.txt"));
  ExpectNoWorkFolders();
  for (const Long pid : {tunnel, Engine().glTunnelPid}) {
    const win::ProcessHandle h = win::OpenProcess(win::PROCESS_QUERY_INFORMATION, false, static_cast<int>(pid));
    std::uint32_t code = 0;
    EXPECT_FALSE(h != 0 && win::GetExitCodeProcess(h, code) && code == 259) << pid;
    if (h) win::CloseHandle(h);
  }
  EXPECT_FALSE(IsExeRunning("orvane_int_rst_100.exe", false, 0));
}

}  // namespace
}  // namespace OrvaneSrv
