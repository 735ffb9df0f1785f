// Client runs A and B against the service double's rsync faults: a sign-in
// refused once, a transfer cut off in the middle of a file, and a stop the
// monitor answers while both runs work. The real redirection program, client
// and tunnel run from the program folder (ORVANE_PROGRAM_DIR).
#include "ZQwinSrv/rsync/clsRsyncEngine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/clock/FakeClock.h"

#include <chrono>
#include <thread>

#include "testbed/include/TestbedControl.h"

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/Processes.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "platform/clock/Clock.h"
#include "platform/clock/SystemClock.h"
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
  int updates = 0;
  int stopAfter = -1;  // answer "stop" from this update on
  QString stopOn;      // answer "stop" to the first update whose text holds this
  const clsRsyncEngine* engine = nullptr;
  bool bothBusyAtStop = false;  // runs A and B both worked at the first "stop"
};
MonitorLog gMonitor;

class FakeMonitor : public win::DispatchObject {
 public:
  const win::MemberTable& Members() const override {
    using A = win::DispatchArgs;
    static const auto table = win::MemberTable::Of<FakeMonitor>(
        "clsMonitor", {{"UpdateMonitor", win::Method, win::Params::ByRef(12).OptionalByRef().OptionalByVal(),
                        [](FakeMonitor&, A& args) {
                          ++gMonitor.updates;
                          if (!gMonitor.stopOn.isEmpty() && args[0].ToString().contains(gMonitor.stopOn))
                            gMonitor.stopAfter = gMonitor.updates;
                          const bool stop = gMonitor.stopAfter >= 0 && gMonitor.updates >= gMonitor.stopAfter;
                          if (stop && gMonitor.updates == gMonitor.stopAfter && gMonitor.engine)
                            gMonitor.bothBusyAtStop =
                                gMonitor.engine->EngineA.iBusy == 1 && gMonitor.engine->EngineB.iBusy == 1;
                          return vb::Variant(stop ? 0 : 1);
                        }}});
    return table;
  }
};

// The process layer's launcher, counting the runs it starts.
class CountingLauncher final : public ClientRunLauncher {
 public:
  explicit CountingLauncher(ClientRunLauncher& inner) : inner_(inner) {}
  int Start(const QString& commandLine) override {
    ++starts;
    return inner_.Start(commandLine);
  }
  win::ProcessHandle Open(int processId) override { return inner_.Open(processId); }
  bool ExitCode(win::ProcessHandle handle, std::uint32_t& code) override { return inner_.ExitCode(handle, code); }
  void Close(win::ProcessHandle handle) override { inner_.Close(handle); }
  int starts = 0;

 private:
  ClientRunLauncher& inner_;
};

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Processes started from this build's program folder (the client and the
// redirection program under their names); another worktree's never match.
QStringList OurOutsidePrograms(const QStringList& names) {
  QStringList found;
  for (const QFileInfo& p : QDir("/proc").entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    bool number = false;
    p.fileName().toInt(&number);
    if (!number) continue;
    const QString exe = QFileInfo(p.filePath() + "/exe").symLinkTarget();
    for (const QString& name : names)
      if (exe == QFileInfo(kProgramDir + '/' + name).canonicalFilePath()) found << p.fileName() + ' ' + name;
  }
  return found;
}

// The rsync processes working for this test: their command line names its
// restore folder.
QStringList RsyncProcessesFor(const QString& folder) {
  QStringList found;
  for (const QFileInfo& p : QDir("/proc").entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    bool number = false;
    p.fileName().toInt(&number);
    if (!number) continue;
    QFile f(p.filePath() + "/cmdline");
    if (!f.open(QIODevice::ReadOnly)) continue;
    const QByteArray cmdline = f.readAll();
    if (cmdline.startsWith("/usr/bin/rsync") && cmdline.contains(folder.toUtf8())) found << p.fileName();
  }
  return found;
}

class RsyncRunsE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("TESTBED_ENV")) GTEST_SKIP() << "the service double is not running";
    ASSERT_TRUE(tmp_.isValid());
    root_ = tmp_.path();
    account_ = qEnvironmentVariable("TESTBED_ACCOUNT_ROOT");
    user_ = qEnvironmentVariable("TESTBED_USER");
    QDir(root_).mkpath("Prog/OrvaneMac");
    QDir(root_).mkpath("Restore");
    for (const QFileInfo& f : QDir(kProgramDir).entryInfoList(QDir::Files))
      QFile::link(f.absoluteFilePath(), root_ + "/Prog/" + f.fileName());
    testbed::OwnTheWrittenFiles(root_ + "/Prog");
    savedDrives_ = qgetenv("ORVANE_DRIVES");
    savedConnectTo_ = qgetenv("ORVANE_CONNECT_TO");
    qputenv("ORVANE_DRIVES", QStringLiteral("C=%1;Z=/").arg(root_).toUtf8());
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
    g.gbInteractiveRestore = true;
    g.giRsyncRetryLimit = 16;
    g.gsUserName = user_;
    gTransfer().WriteUserServerProfile("RSYNCSERVER", qEnvironmentVariable("TESTBED_RSYNC_HOST"), user_);
    gMonitor = {};
    monitor_.emplace(win::RegisterClassObject({"{4A0C61D2-3E4F-4A57-8C19-2D6E7F80A1B4}", kMonitorProgId,
                                               [] { return std::make_shared<FakeMonitor>(); },
                                               win::ServerKind::LocalServer, "C:\\Prog\\OrvaneMacRestore_100.exe",
                                               {}}));
    engine_.emplace();
    // As at sign-in: the tunnel's configuration for the user's server.
    engine_->Controller().Cont_LaunchSSLTunnel(true, false);
    engine_->Controller().Cont_TempFolder("ADD", user_, qEnvironmentVariable("TESTBED_PASSWORD"));
    testbed::Control("DELETE", "/listener_faults");
    testbed::Control("DELETE", "/log");
  }

  void TearDown() override {
    if (!engine_) return;
    testbed::Control("DELETE", "/listener_faults");
    if (Engine().glTunnelPid) win::TerminateProcessById(Engine().glTunnelPid, 0);
    engine_.reset();
    monitor_.reset();
    ResetEngineForTesting();
    win::SetProgramFolder({});
    registry_.reset();
    drives_.reset();
    qputenv("ORVANE_DRIVES", savedDrives_);
    qputenv("ORVANE_CONNECT_TO", savedConnectTo_);
    for (const QString& path : added_) QFile::remove(path);
  }

  void WriteList(const QString& name, const QByteArray& entries) {
    QDir(root_).mkpath("OrvaneInt/ORVANETEMP");
    QFile f(root_ + "/OrvaneInt/ORVANETEMP/" + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(entries);
  }

  // A file of the account that does not compress, so byte counts on the
  // wire are byte counts of the file.
  QByteArray AddAccountFile(const QString& relative, qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator rng(20261210);
    for (qsizetype i = 0; i < size; ++i) bytes[i] = static_cast<char>(rng.generate() & 0xff);
    const QString path = account_ + '/' + relative;
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    added_ << path;
    return bytes;
  }

  bool Hand(const QString& list, const QString& suffix, bool waitForOne = false) {
    return engine_->Cont_CallRsyncEngine(user_, "", "C:\\OrvaneInt\\ORVANETEMP\\" + list, " \"/cygdrive/C/Restore/\"",
                                         0, false, true, 0, false, "", waitForOne, false, '"' + suffix + '"', "",
                                         false, false);
  }
  bool WaitForOne() { return Hand(QString(), QString(), true); }

  QString TransferLog() const {
    const QByteArray b = ReadAll(root_ + "/Prog/OrvaneMac/OrvaneLogFile.txt");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData()), b.size() / 2);
  }

  QTemporaryDir tmp_;
  QString root_, account_, user_;
  QByteArray savedDrives_, savedConnectTo_;
  QStringList added_;
  vb::SkippingClock clock_;
  vb::ScopedClock useClock_{clock_};
  std::optional<win::ScopedDriveTable> drives_;
  std::optional<win::ScopedRegistry> registry_;
  std::optional<win::ClassRegistration> monitor_;
  std::optional<clsRsyncEngine> engine_;
};

TEST_F(RsyncRunsE2E, ASignInRefusedOnceIsRetriedAndTheFileRestored) {
  testbed::ListenerFault("rsync-tls", QJsonObject{{"rsync_error", "auth failed"}});
  WriteList("SerSource.filesA", "Letters/2009/Dear Anna.txt\n");
  EXPECT_FALSE(Hand("SerSource.filesA", "/Documents/"));
  EXPECT_FALSE(WaitForOne()) << "the first run failed; its retry is judged inside the retry";
  EXPECT_EQ(ReadAll(root_ + "/Restore/Letters/2009/Dear Anna.txt"),
            ReadAll(account_ + "/Documents/Letters/2009/Dear Anna.txt"));
  EXPECT_FALSE(ReadAll(account_ + "/Documents/Letters/2009/Dear Anna.txt").isEmpty());
  EXPECT_TRUE(TransferLog().contains("Retrying....")) << TransferLog().toStdString();
  EXPECT_EQ(TransferLog().count("Restored file My Orvane/Letters/2009/Dear Anna.txt <To> "
                                "C:\\Restore\\Letters\\2009\\Dear Anna.txt\r\n"),
            1)
      << TransferLog().toStdString();
  EXPECT_EQ(engine_->EngineA.iBusy, 0);
  EXPECT_FALSE(engine_->EngineA.bGaveUp);
  // One refusal is no reason to leave the tunnel.
  EXPECT_TRUE(Engine().gbUseSSL);
  EXPECT_NE(gTransfer().Trf_ReadUserProfile("NONSSLEXISTS"), "1");
  // The daemon itself refused the first sign-in.
  int refused = 0;
  for (const QJsonValue& entry : testbed::Log()) refused += entry.toObject()["rsync_error"].toString() == "auth failed";
  EXPECT_GE(refused, 1);
}

TEST_F(RsyncRunsE2E, AStopAnsweredToTheRetryStartsNoNewRun) {
  testbed::ListenerFault("rsync-tls", QJsonObject{{"rsync_error", "auth failed"}, {"times", 0}});
  gMonitor.stopOn = "Retrying";
  CountingLauncher runs(CurrentClientRunLauncher());
  ScopedClientRunLauncher useRuns(runs);
  WriteList("SerSource.filesA", "Letters/2009/Dear Anna.txt\n");
  EXPECT_FALSE(Hand("SerSource.filesA", "/Documents/"));
  EXPECT_FALSE(WaitForOne());
  EXPECT_GT(gMonitor.stopAfter, 0) << "the retry asked the monitor";
  EXPECT_TRUE(Engine().gbCancelled);
  EXPECT_EQ(runs.starts, 1) << "the stopped job started the list again";
  EXPECT_FALSE(QFileInfo::exists(root_ + "/Restore/Letters/2009/Dear Anna.txt"));
  EXPECT_TRUE(OurOutsidePrograms({"orvane_int_rst_100.exe", "redirect.exe"}).isEmpty());
}

// Where the connection is cut, and on which route.
struct CutCase {
  const char* name;
  const char* listener;  // "rsync-tls": through the tunnel; "rsync": direct
  int dropAfter;         // bytes towards the client
};

class RsyncRunsCutE2E : public RsyncRunsE2E, public ::testing::WithParamInterface<CutCase> {};

TEST_P(RsyncRunsCutE2E, ATransferCutOffIsRetriedFromTheListAndTheFileEndsWhole) {
  const CutCase& c = GetParam();
  if (QString(c.listener) == "rsync") {
    // A user who turned SSL off.
    gTransfer().Trf_WriteUserProfile("SSLKey", "0");
    Engine().gbUseSSL = false;
  }
  const QByteArray big = AddAccountFile("Documents/Cut/big.bin", 3 * 1024 * 1024);
  // The user's older copy sits where the restored file goes.
  QDir(root_).mkpath("Restore/Cut");
  {
    QFile old(root_ + "/Restore/Cut/big.bin");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the user's older copy\n");
  }
  testbed::ListenerFault(c.listener, QJsonObject{{"drop_after", c.dropAfter}});
  WriteList("SerSource.filesA", "Cut/big.bin\n");
  EXPECT_FALSE(Hand("SerSource.filesA", "/Documents/"));
  EXPECT_FALSE(WaitForOne()) << "the first run failed; its retry is judged inside the retry";

  const QByteArray restored = ReadAll(root_ + "/Restore/Cut/big.bin");
  EXPECT_EQ(restored.size(), big.size());
  EXPECT_TRUE(restored == big) << "the restored file differs from the account's";
  // No temporary sibling is left beside it.
  EXPECT_EQ(QDir(root_ + "/Restore/Cut").entryList(QDir::Files | QDir::Hidden), QStringList{"big.bin"});
  EXPECT_TRUE(TransferLog().contains("Retrying....")) << TransferLog().toStdString();
  EXPECT_EQ(TransferLog().count("Restored file My Orvane/Cut/big.bin <To> C:\\Restore\\Cut\\big.bin\r\n"), 1)
      << TransferLog().toStdString();
  EXPECT_FALSE(engine_->EngineA.bGaveUp);
  EXPECT_EQ(engine_->EngineA.iBusy, 0);
  // The first connection really was cut, the second was not.
  int cut = 0;
  int whole = 0;
  QStringList seen;
  for (const QJsonValue& entry : testbed::Log()) {
    const QJsonObject e = entry.toObject();
    if (e["kind"].toString() != "connection" || e["port"].toString() != c.listener) continue;
    (e["dropped"].toBool() ? cut : whole) += 1;
    seen << QString::number(e["seq"].toInt()) + ' ' + e["note"].toString() + ' ' +
                QString::number(e["bytes_to_client"].toDouble(), 'f', 0);
  }
  EXPECT_EQ(cut, 1) << seen.join("; ").toStdString();
  EXPECT_GE(whole, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, RsyncRunsCutE2E,
    ::testing::Values(CutCase{"TunnelDuringTheFileList", "rsync-tls", 5000},
                      CutCase{"TunnelInTheMiddleOfTheFile", "rsync-tls", 1024 * 1024},
                      CutCase{"DirectInTheMiddleOfTheFile", "rsync", 1024 * 1024},
                      CutCase{"DirectNearTheEndOfTheFile", "rsync", 3 * 1024 * 1024 - 64 * 1024}),
    [](const ::testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });

TEST_F(RsyncRunsE2E, AStopAnsweredByTheMonitorEndsBothRuns) {
  AddAccountFile("Documents/Stop/a.bin", 2 * 1024 * 1024);
  AddAccountFile("Documents/Stop/b.bin", 2 * 1024 * 1024);
  // Both connections hold after a little data, so both runs are busy when
  // the monitor answers "stop".
  testbed::ListenerFault("rsync-tls", QJsonObject{{"stall_after", 256 * 1024}, {"stall", 60}, {"times", 2}});
  WriteList("SerSource.filesA", "Stop/a.bin\n");
  WriteList("SerSource.filesB", "Stop/b.bin\n");
  EXPECT_FALSE(Hand("SerSource.filesA", "/Documents/"));
  gMonitor.engine = &*engine_;
  gMonitor.stopAfter = gMonitor.updates + 50;
  QElapsedTimer timer;
  timer.start();
  EXPECT_FALSE(Hand("SerSource.filesB", "/Documents/"));
  EXPECT_FALSE(WaitForOne());
  EXPECT_LT(timer.elapsed(), 30000) << "the runs ended on their own, not on the stop";
  EXPECT_GE(gMonitor.updates, gMonitor.stopAfter);
  EXPECT_TRUE(gMonitor.bothBusyAtStop);
  EXPECT_TRUE(Engine().gbCancelled);
  EXPECT_EQ(gWebDavControl().dav_geterrorstring(), "Operation canceled by user.");
  // Neither run's client nor its redirection program is left.
  QStringList left;
  for (int i = 0; i < 50; ++i) {
    left = OurOutsidePrograms({"orvane_int_rst_100.exe", "redirect.exe"});
    if (left.isEmpty()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_TRUE(left.isEmpty()) << left.join(", ").toStdString();
  // Neither run restored anything.
  EXPECT_FALSE(QFileInfo::exists(root_ + "/Restore/Stop/a.bin"));
  EXPECT_FALSE(QFileInfo::exists(root_ + "/Restore/Stop/b.bin"));
  EXPECT_FALSE(TransferLog().contains("Restored file")) << TransferLog().toStdString();

  // The tunnel the first run started outlives the runs; the job's clean-up
  // (the engine reset at the end of a restore) ends it.
  EXPECT_FALSE(OurOutsidePrograms({"orvane_ssl_int_rst_100.exe"}).isEmpty());
  engine_->ResetEngineValues(false);
  for (int i = 0; i < 50; ++i) {
    left = OurOutsidePrograms({"orvane_int_rst_100.exe", "redirect.exe", "orvane_ssl_int_rst_100.exe"});
    if (left.isEmpty()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_TRUE(left.isEmpty()) << left.join(", ").toStdString();
  // With the tunnel gone no rsync process works on and no temporary file is
  // left in the restore folder.
  QStringList rsyncLeft;
  QStringList files;
  for (int i = 0; i < 50; ++i) {
    rsyncLeft = RsyncProcessesFor(root_ + "/Restore");
    files = QDir(root_ + "/Restore/Stop").entryList(QDir::Files | QDir::Hidden);
    if (rsyncLeft.isEmpty() && files.isEmpty()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_TRUE(rsyncLeft.isEmpty()) << rsyncLeft.join(", ").toStdString();
  EXPECT_TRUE(files.isEmpty()) << files.join(", ").toStdString();
}

}  // namespace
}  // namespace OrvaneSrv
