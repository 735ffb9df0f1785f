// Restores one remote file through the engine's WebDAV restore route, as
// the restore program would (the facade's preparation, a call-back object
// that never stops), and prints the seconds the route took.
//
//   bench_webdav_restore HOST PORT USER PASSWORD SERVER-PATH DEST-FOLDER
//
// DEST-FOLDER is a Windows path on a drive of ORVANE_DRIVES, ending in "\".
#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <memory>

#include "ZQwinSrv/facade/clsController.h"
#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "ZQwinSrv/server/clsWebdavController.h"
#include "platform/clock/Clock.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/objects/DispatchObject.h"

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
  if (argc != 7) {
    std::fprintf(stderr, "usage: %s HOST PORT USER PASSWORD SERVER-PATH DEST-FOLDER\n", argv[0]);
    return 2;
  }
  using namespace OrvaneSrv;
  const QString host = QString::fromLocal8Bit(argv[1]);
  const QString port = QString::fromLocal8Bit(argv[2]);
  const QString user = QString::fromLocal8Bit(argv[3]);
  const QString password = QString::fromLocal8Bit(argv[4]);
  const QString path = QString::fromLocal8Bit(argv[5]);
  const QString dest = QString::fromLocal8Bit(argv[6]);

  const win::ClassRegistration monitor = win::RegisterClassObject(
      {"{6C0DE5A7-91B2-4E3F-8A41-0B5E7D2C9F10}", kMonitorProgId, [] { return std::make_shared<Monitor>(); },
       win::ServerKind::LocalServer, "C:\\Prog\\OrvaneMacRestore_100.exe", {}});

  clsController controller;
  controller.InitEngine("C:\\Prog", 1, QString(), "OrvaneMac");
  EngineState& g = Engine();
  g.gsServerName = host;
  g.gsUserName = user;
  g.gsPassword = password;
  g.gbUseSSL = true;
  gWebdavController().Cont_login(user, password);
  g.gsWebdavPort = port;
  if (!gWebDavControl().OpenConnection(host, port, user, password)) {
    std::fprintf(stderr, "cannot connect\n");
    return 1;
  }

  // What the facade does before it takes the WebDAV route.
  auto items = std::make_shared<vb::Collection>();
  items->Add(QStringLiteral("F_") + path);
  controller.SetCommonFlag(false);
  controller.SetInteractiveParam();
  controller.Cont_SetRestoreItem(items, 0);
  g.gbInteractiveRestore = true;
  gOptions().Opt_WriteInto_TransferLog(QString(), 5);
  gTransfer().Trf_CreateSession(QStringLiteral("Restore"));
  ResetTransferCounters();
  ResetSummaryCounters();
  g.gbNeedTotalSize = true;
  g.gbWebdavRestore = true;
  g.gfStartTime = vb::Timer();
  g.gfStartTimeRsync = g.gfStartTime;

  const auto start = std::chrono::steady_clock::now();
  const bool ok = gWebdavController().Cont_Restore(dest, false, false, false).ToBoolean();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  if (!ok) {
    std::fprintf(stderr, "restore failed: %s\n", qPrintable(gWebDavControl().GetDavErr()));
    return 1;
  }
  std::printf("%.3f\n", took.count());
  return 0;
}
