// Restores one remote folder through the engine's rsync route, as the
// restore program would (the facade's preparation, a call-back object that
// never stops), with the outside programs of the build's program folder,
// and prints the seconds the route took.
//
//   bench_rsync_restore USER PASSWORD RSYNC-HOST SERVER-FOLDER DEST-FOLDER
//
// Drive C: of ORVANE_DRIVES is the machine of the run: the program folder
// "C:\Prog" is made there. DEST-FOLDER is a Windows path on a mapped drive;
// SERVER-FOLDER the folder's server path ("/users/<user>/Files/bench/").
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <cstdio>
#include <memory>

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "ZQwinSrv/rsync/clsRsyncEngine.h"
#include "platform/clock/Clock.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/objects/DispatchObject.h"
#include "platform/paths/WinPath.h"

namespace {

// The restore program's call-back class: every report answers "go on".
class Monitor : public win::DispatchObject {
 public:
  const win::MemberTable& Members() const override {
    static const auto table = win::MemberTable::Of<Monitor>(
        "clsMonitor", {{"UpdateMonitor", win::Method, win::Params::ByRef(12).OptionalByRef().OptionalByVal(),
                        [](Monitor&, win::DispatchArgs&) { return vb::Variant::FromInteger(1); }}});
    return table;
  }
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s USER PASSWORD RSYNC-HOST SERVER-FOLDER DEST-FOLDER\n", argv[0]);
    return 2;
  }
  using namespace OrvaneSrv;
  const QString user = QString::fromLocal8Bit(argv[1]);
  const QString password = QString::fromLocal8Bit(argv[2]);
  const QString host = QString::fromLocal8Bit(argv[3]);
  const QString folder = QString::fromLocal8Bit(argv[4]);
  const QString dest = QString::fromLocal8Bit(argv[5]);

  // The program folder: the outside programs under their names.
  const QString program = win::ToHostPath("C:\\Prog");
  QDir().mkpath(program + "/OrvaneMac");
  for (const QFileInfo& f : QDir(QStringLiteral(ORVANE_PROGRAM_DIR)).entryInfoList(QDir::Files))
    QFile::link(f.absoluteFilePath(), program + '/' + f.fileName());
  win::SetProgramFolder("C:\\Prog");
  win::ChDir("C:\\Prog");

  const win::ClassRegistration monitor = win::RegisterClassObject(
      {"{2B7C9E14-6D3A-4F85-B0A1-5C8E2D47F913}", kMonitorProgId, [] { return std::make_shared<Monitor>(); },
       win::ServerKind::LocalServer, "C:\\Prog\\OrvaneMacRestore_100.exe", {}});

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
  g.gsUserName = user;
  g.gsPassword = password;
  gTransfer().WriteUserServerProfile(QStringLiteral("RSYNCSERVER"), host, user);
  // As at sign-in: the tunnel's configuration for the user's server.
  gRsyncController().Cont_LaunchSSLTunnel(true, false);

  // What the facade does before it takes the rsync route.
  vb::CollectionPtr& items = Items(g.gcolRestoreItems);
  items->Add(QStringLiteral("D_") + folder);
  g.gbCancelled = false;
  g.gbRestoreFailed = false;
  g.gbInteractiveRestore = true;
  gOptions().Opt_WriteInto_TransferLog(QString(), 5);
  ResetTransferCounters();
  ResetSummaryCounters();
  g.gbNeedTotalSize = true;

  const auto start = std::chrono::steady_clock::now();
  const bool ok = gRsyncController().RsyncEngine().Cont_CallRsyncRestore(user, password, dest, true, 0, 0, 0, false);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  if (!ok || g.gdSummaryFailed > 0 || g.gdSummarySuccess <= 0) {
    std::fprintf(stderr, "restore failed: result %d, %g restored, %g failed\n", ok ? 1 : 0, g.gdSummarySuccess,
                 g.gdSummaryFailed);
    return 1;
  }
  std::printf("%.3f\n", took.count());
  return 0;
}
