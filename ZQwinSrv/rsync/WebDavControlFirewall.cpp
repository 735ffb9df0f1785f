// WebDavControl.LaunchFirewall: two dummy runs of the rsync client to port
// 80, through the local SSL tunnel and through the service's proxy host, so
// that a personal firewall asks about the programs once; then the engine's
// client, tunnel and configuration names switch to the scheduler set.
//
// The dummy runs are started by the process layer directly (there is no
// command interpreter to run them through here). Nothing calls the member.
#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/Processes.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/process/Process.h"
#include "platform/text/Strings.h"

namespace OrvaneSrv {

// The service's proxy host the second dummy run names.
static const QString kServiceProxyHost = QStringLiteral("proxy.orvane.example");

vb::Variant WebDavControl::LaunchFirewall(Integer nMode) {
  EngineState& g = Engine();
  vb::ResumeNext next;
  clsRsyncController controller;
  const bool tunnel = controller.Cont_CheckDependFile(g.gsTunnelExe);
  const bool conf = controller.Cont_CheckDependFile(g.gsTunnelConf);
  if (!tunnel || !conf) {
    WriteTrace(QStringLiteral("Exited DummyCallFireWall"));
    return {};
  }
  if (!IsExeRunning(g.gsTunnelExe, false, 0)) controller.Cont_LaunchSSLTunnel(false, true);
  const QString client = g.gsRsyncClientExe;
  auto dummy = [&](const QString& host) {
    int pid = 0;
    next([&] {
      pid = win::StartProcess(u'"' + g.gsAppPath + client + QStringLiteral("\" -v -r --port=80  @") + host +
                              QStringLiteral("::tessara"));
    });
    return pid;
  };
  const int first = dummy(QStringLiteral("localhost"));
  vb::Sleep(2000);
  next([&] { ShellClose(g.glTunnelPid); });
  if (nMode == 0) next([&] { IsExeRunning(g.gsTunnelExe, true, 0); });
  vb::Sleep(2000);
  if (first) next([&] { ShellClose(first); });
  if (nMode == 0) next([&] { IsExeRunning(client, true, 0); });
  const int second = dummy(kServiceProxyHost);
  vb::Sleep(2000);
  if (second) next([&] { ShellClose(second); });
  if (nMode == 0) next([&] { IsExeRunning(client, true, 0); });

  g.gsRsyncClientExe = QStringLiteral("tessara_sch") + QStringLiteral("_100") + QStringLiteral(".exe");
  QString proxy;
  next([&] { proxy = vb::Trim(gTransfer().Trf_ReadProxyProfile(QStringLiteral("ProxyName"))); });
  g.gsTunnelExe = proxy.isEmpty() ? QStringLiteral("orvane_ssl_sch") + QStringLiteral("_100") + QStringLiteral(".exe")
                                  : QStringLiteral("orvane_ssl_prox_sch") + QStringLiteral("_100") + QStringLiteral(".exe");
  g.gsTunnelConf = QStringLiteral("SSLService.conf");
  return {};
}

}  // namespace OrvaneSrv
