// Client runs A and B against the service double: the real redirection
// program, client and tunnel from the program folder (ORVANE_PROGRAM_DIR),
// the double's rsync daemon behind its TLS front, and its faults.
#include "ZQwinSrv/rsync/clsRsyncEngine.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "testbed/include/TestbedControl.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/Processes.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
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
};
MonitorLog gMonitor;

class FakeMonitor : public win::DispatchObject {
 public:
  const win::MemberTable& Members() const override {
    using A = win::DispatchArgs;
    static const auto table = win::MemberTable::Of<FakeMonitor>(
        "clsMonitor", {{"UpdateMonitor", win::Method, win::Params::ByRef(12).OptionalByRef().OptionalByVal(),
                        [](FakeMonitor&, A&) {
                          ++gMonitor.updates;
                          const bool stop = gMonitor.stopAfter >= 0 && gMonitor.updates >= gMonitor.stopAfter;
                          return vb::Variant(stop ? 0 : 1);
                        }}});
    return table;
  }
};

using testbed::FreePort;

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class RsyncEngineE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("TESTBED_ENV")) GTEST_SKIP() << "the service double is not running";
    ASSERT_TRUE(tmp_.isValid());
    root_ = tmp_.path();
    account_ = qEnvironmentVariable("TESTBED_ACCOUNT_ROOT");
    user_ = qEnvironmentVariable("TESTBED_USER");
    QDir(root_).mkpath("Prog/OrvaneMac");
    QDir(root_).mkpath("Restore");
    // The program folder: the stand-ins under their names.
    for (const QFileInfo& f : QDir(kProgramDir).entryInfoList(QDir::Files))
      QFile::link(f.absoluteFilePath(), root_ + "/Prog/" + f.fileName());
    testbed::OwnTheWrittenFiles(root_ + "/Prog");
    savedDrives_ = qgetenv("ORVANE_DRIVES");
    savedConnectTo_ = qgetenv("ORVANE_CONNECT_TO");
    qputenv("ORVANE_DRIVES", QStringLiteral("C=%1;Z=/").arg(root_).toUtf8());
    qputenv("ORVANE_CONNECT_TO", "localhost:43718=127.0.0.1:" + QByteArray::number(FreePort()) + ';' +
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
    Control("DELETE", "/listener_faults");
  }

  void TearDown() override {
    if (!engine_) return;
    Control("DELETE", "/listener_faults");
    if (Engine().glTunnelPid) win::TerminateProcessById(Engine().glTunnelPid, 0);
    engine_.reset();
    monitor_.reset();
    ResetEngineForTesting();
    win::SetProgramFolder({});
    registry_.reset();
    drives_.reset();
    qputenv("ORVANE_DRIVES", savedDrives_);
    qputenv("ORVANE_CONNECT_TO", savedConnectTo_);
  }

  static void Control(const char* method, const char* path, const QByteArray& body = {}) {
    QStringList args{"-s", "-o", "/dev/null", "-X", method, qEnvironmentVariable("TESTBED_CONTROL_URL") + path};
    if (!body.isEmpty()) args << "-d" << QString::fromUtf8(body);
    QProcess::execute("curl", args);
  }

  void WriteList(const QString& name, const QByteArray& entries) {
    QDir(root_).mkpath("OrvaneInt/ORVANETEMP");
    QFile f(root_ + "/OrvaneInt/ORVANETEMP/" + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(entries);
  }

  bool Hand(const QString& list, const QString& suffix, bool waitForOne = false) {
    return engine_->Cont_CallRsyncEngine(user_, "", "C:\\OrvaneInt\\ORVANETEMP\\" + list, " \"/cygdrive/C/Restore/\"",
                                         0, false, true, 0, false, "", waitForOne, false, '"' + suffix + '"', "",
                                         false, false);
  }

  QString TransferLog() const {
    const QByteArray b = ReadAll(root_ + "/Prog/OrvaneMac/OrvaneLogFile.txt");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData()), b.size() / 2);
  }

  void ExpectRestored(const QString& servedFolder, const QString& relative) {
    EXPECT_EQ(ReadAll(root_ + "/Restore/" + relative), ReadAll(account_ + servedFolder + relative))
        << relative.toStdString();
    EXPECT_EQ(TransferLog().count("Restored file My Orvane/" + relative + " <To> C:\\Restore\\" +
                                  QString(relative).replace('/', '\\') + "\r\n"),
              1)
        << relative.toStdString();
  }

  QTemporaryDir tmp_;
  QString root_, account_, user_;
  QByteArray savedDrives_, savedConnectTo_;
  std::optional<win::ScopedDriveTable> drives_;
  std::optional<win::ScopedRegistry> registry_;
  std::optional<win::ClassRegistration> monitor_;
  std::optional<clsRsyncEngine> engine_;
};

TEST_F(RsyncEngineE2E, TwoListsOnRunsAAndBThroughTheTunnel) {
  WriteList("SerSource.filesA", "Letters/2009/\n");
  WriteList("SerSource.filesB", "Reports #1/\n");
  EXPECT_FALSE(Hand("SerSource.filesA", "/Documents/"));
  EXPECT_TRUE(Hand("SerSource.filesB", "/Documents/"));
  EXPECT_TRUE(Hand(QString(), QString(), true));
  EXPECT_EQ(engine_->EngineA.iBusy, 0);
  EXPECT_EQ(engine_->EngineB.iBusy, 0);
  QDirIterator it(account_ + "/Documents", {"*"}, QDir::Files, QDirIterator::Subdirectories);
  int files = 0;
  while (it.hasNext()) {
    const QString path = it.next();
    const QString relative = path.mid(account_.size() + QString("/Documents/").size());
    if (!relative.startsWith("Letters/2009/") && !relative.startsWith("Reports #1/")) continue;
    ExpectRestored("/Documents/", relative);
    ++files;
  }
  EXPECT_GT(files, 2);
  EXPECT_GT(gMonitor.updates, 0);
  EXPECT_TRUE(Engine().gbUseSSL);
}

// Refused connections of the TLS front are retried through the tunnel,
// never on the daemon's plain port, and nothing is marked in the profile.
TEST_F(RsyncEngineE2E, RefusedConnectionsAreRetriedThroughTheTunnel) {
  Control("DELETE", "/log");
  Control("POST", "/listener_faults", R"({"listener": "rsync-tls", "fault": {"refuse": true, "times": 5}})");
  WriteList("SerSource.filesA", "Letters/2009/\n");
  Hand("SerSource.filesA", "/Documents/");
  // The call whose run failed answers false; the retry judged its own run.
  EXPECT_FALSE(Hand(QString(), QString(), true));
  EXPECT_EQ(engine_->EngineA.iBusy, 0);
  EXPECT_FALSE(engine_->EngineA.bGaveUp);
  EXPECT_EQ(gTransfer().Trf_ReadUserProfile("NONSSLEXISTS"), "");
  EXPECT_TRUE(Engine().gbUseSSL);
  ExpectRestored("/Documents/", "Letters/2009/Dear Anna.txt");
  for (const QJsonValue& v : testbed::Log()) EXPECT_NE(v.toObject()["port"].toString(), "rsync");
}

}  // namespace
}  // namespace OrvaneSrv
