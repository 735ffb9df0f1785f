// orvane_restore_driver: one restore through the engine's facade, as the
// restore program makes it, for the crash-safety checks (the end-to-end
// tests and bench/crash-loop). Runs inside testbed/run: it points the engine
// at the service double as the end-to-end tests do, signs in to the test
// account, restores one remote folder into a local folder over the route
// asked for and ends with the restore's result.
//
//   orvane_restore_driver --root DIR --route rsync|webdav --folder NAME --dest DIR
//
// DIR of --root is the machine of the run (drive C:, the program folder with
// links to the outside programs, the registry); it is made when missing and
// may be reused by the next run. NAME is a folder of the account's "Files";
// the folder lands in DIR of --dest as DIR/NAME. Exit codes: 0 restored,
// 1 the restore failed, 2 bad arguments or no test bed.
//
// The driver can be killed at any instant: nothing of it needs tidying but
// the outside programs it started (the client, the tunnel), which a crash
// test kills with it.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <memory>
#include <optional>

#include "ZQwinSrv/facade/clsController.h"
#include "ZQwinSrv/foundation/EngineState.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/objects/DispatchObject.h"
#include "platform/paths/WinPath.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryStore.h"
#include "testbed/include/TestbedControl.h"

namespace {

// The restore program's call-back class: every report answers "go on".
class Monitor : public win::DispatchObject {
 public:
  const win::MemberTable& Members() const override {
    static const auto table = win::MemberTable::Of<Monitor>(
        "clsMonitor", {{"UpdateMonitor", win::Method, win::Params::ByRef(12).OptionalByRef().OptionalByVal(),
                        [](Monitor&, win::DispatchArgs&) { return vb::Variant::FromInteger(1); }},
                       {"updateSearchProgress", win::Method, win::Params::ByRef(1),
                        [](Monitor&, win::DispatchArgs&) { return vb::Variant(false); }}});
    return table;
  }
};

int Usage(const char* why) {
  std::fprintf(stderr,
               "orvane_restore_driver: %s\n"
               "usage: orvane_restore_driver --root DIR --route rsync|webdav --folder NAME --dest DIR\n",
               why);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QString root, route, folder, dest;
  const QStringList args = app.arguments();
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    if (i + 1 >= args.size()) return Usage("an option without its value");
    const QString value = args[++i];
    if (a == "--root") {
      root = QFileInfo(value).absoluteFilePath();
    } else if (a == "--route") {
      route = value;
    } else if (a == "--folder") {
      folder = value;
    } else if (a == "--dest") {
      dest = QFileInfo(value).absoluteFilePath();
    } else {
      return Usage("unknown option");
    }
  }
  if (root.isEmpty() || folder.isEmpty() || dest.isEmpty()) return Usage("--root, --folder and --dest are needed");
  if (route != "rsync" && route != "webdav") return Usage("--route is rsync or webdav");
  if (folder.contains('/') || folder.contains('\\')) return Usage("--folder is one folder name");
  if (!testbed::Running()) return Usage("not inside testbed/run");

  using namespace OrvaneSrv;
  const QString user = qEnvironmentVariable("TESTBED_USER");
  const QString password = qEnvironmentVariable("TESTBED_PASSWORD");
  const QFileInfo destInfo(dest);
  QDir().mkpath(dest);
  QDir(root).mkpath("Prog/OrvaneMac");
  for (const QFileInfo& f : QDir(QStringLiteral(ORVANE_PROGRAM_DIR)).entryInfoList(QDir::Files)) {
    const QString link = root + "/Prog/" + f.fileName();
    if (!QFileInfo(link).isSymLink()) QFile::link(f.absoluteFilePath(), link);
  }
  // The files the engine writes in the program folder are the machine's own.
  testbed::OwnTheWrittenFiles(root + "/Prog");
  // Drive D: is the destination's parent; the tunnel listens on a free port
  // of its own rather than the installation's.
  qputenv("ORVANE_DRIVES", QStringLiteral("C=%1;D=%2;Z=/").arg(root, destInfo.absolutePath()).toUtf8());
  qputenv("ORVANE_CONNECT_TO", "localhost:43718=127.0.0.1:" + QByteArray::number(testbed::FreePort()) + ';' +
                                   qgetenv("ORVANE_CONNECT_TO"));
  const win::ScopedDriveTable drives(win::DriveTable::FromEnvironment());
  const win::ScopedRegistry registry(win::RegistryConfig::InFolder(root + "/registry"));
  win::SetProgramFolder("C:\\Prog");
  win::ChDir("C:\\Prog");
  {
    QFile details(root + "/Prog/OrvaneMac/OrvaneDetails.ini");
    if (details.open(QIODevice::WriteOnly)) details.write("[Orvane]\r\nechoexe=500\r\n");
  }
  const win::ClassRegistration monitor = win::RegisterClassObject(
      {"{4F3A9C21-7B6E-4D58-A0C3-9E1F2B7D5A64}", kMonitorProgId, [] { return std::make_shared<Monitor>(); },
       win::ServerKind::LocalServer, "C:\\Prog\\OrvaneMacRestore_100.exe", {}});

  // The program's sign-in: the main controller, the tunnel as the
  // installation leaves it, the stored name and password, then the restore
  // window's own controller.
  clsController main;
  clsController restore;
  main.InitEngine("C:\\Prog", 1, user, " OrvaneMac ");
  gRsyncController().Cont_LaunchSSLTunnel(true, false);
  gTransfer().Trf_WriteUserProfile("UserName", user);
  gTransfer().Trf_WriteUserProfile(user, password, true);
  gTransfer().Trf_WriteUserProfile("DECRYPT", route == "webdav" ? "1" : "0");
  for (clsController* c : {&main, &restore}) {
    c->InitEngine("C:\\Prog", 1, user, " OrvaneMac ");
    if (!c->Cont_login(user, password, false)) {
      std::fprintf(stderr, "orvane_restore_driver: sign-in failed\n");
      return 1;
    }
  }

  auto items = std::make_shared<vb::Collection>();
  items->Add("D_/users/" + user + "/Files/" + folder + "/");
  double size = 0;
  const Integer restored = restore.Cont_InteractiveRestore(items, size, user, password,
                                                           "D:\\" + destInfo.fileName() + "\\", false, true, false,
                                                           false);
  std::printf("%s\n", restored == 1 ? "restored" : "failed");
  main.Cont_DisConnect();
  if (Engine().glTunnelPid) win::TerminateProcessById(Engine().glTunnelPid, 0);
  return restored == 1 ? 0 : 1;
}
