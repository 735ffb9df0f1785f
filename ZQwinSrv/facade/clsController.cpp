#include "ZQwinSrv/facade/clsController.h"

#include "ZQwinSrv/foundation/EngineMessages.h"
#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/Processes.h"
#include "ZQwinSrv/foundation/SideFiles.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/TunnelConfig.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "ZQwinSrv/server/clsWebdavController.h"
#include "platform/errors/RuntimeError.h"
#include "platform/text/Strings.h"

namespace OrvaneSrv {
namespace {

QString TraceLine(const vb::ErrorInfo& e, const QString& procedure) {
  return vb::ErrorReasonLine(e.description, procedure, vb::OwnerKind::ClassModule, QStringLiteral("clsController"));
}

}  // namespace

clsController& gController() { return Singleton(Engine().gController); }

void clsController::InitEngine(const QString& sAppPath, Integer iMode, const QString& GeoUsername,
                               const QString& sAppType) {
  vb::OnErrorGoTo(
      [&] {
        EngineState& g = Engine();
        g.gsAppWord = vb::Trim(sAppType) == u"OrvaneMac" ? QStringLiteral("OrvaneMac") : QStringLiteral("OrvaneWP");
        SetProductTitle();
        g.giMode = iMode;
        g.gsRsyncClientExe = QStringLiteral("orvane_int_rst") + QStringLiteral("_100") + QStringLiteral(".exe");
        g.gsAppPath = sAppPath + QStringLiteral("\\");
        const QString ssl = vb::Trim(gTransfer().Trf_ReadUserProfile(QStringLiteral("SSLKey")));
        g.gbUseSSL = ssl.isEmpty() || ssl == u"1";
        const bool proxy = !gTransfer().Trf_ReadProxyProfile(QStringLiteral("ProxyName")).isEmpty();
        g.gsTunnelExe = (proxy ? QStringLiteral("orvane_ssl_prox_rst") : QStringLiteral("orvane_ssl_int_rst")) +
                        QStringLiteral("_100") + QStringLiteral(".exe");
        g.gsTunnelConf = QStringLiteral("SSLInteractive.conf");
        // The user's WebDAV server (the profile read looks it up when the
        // profile lacks it); without one the server name stays as it was.
        const QString user = vb::Trim(GeoUsername);
        if (!user.isEmpty()) {
          const QString webdav = gTransfer().Trf_ReadUserServerProfile(QStringLiteral("WEBDAVSERVER"), user);
          if (!webdav.isEmpty()) setServername(webdav);
        }
        LoadProxySettings();
        // The WebDAV client's internet session; the script posts and the
        // rsync side's probe use it too.
        const QString agent = QStringLiteral("ZQWin WebDAV Client");
        if (g.gbUseSSL && !g.gsProxyName.isEmpty()) {
          gWebDavControl().hInternetOpen(agent, 1, g.gsProxyName + QStringLiteral(":") + g.gsProxyPort,
                                         g.gsProxyUser, g.gsProxyPass);
        } else {
          // Without a proxy the password argument is "0" (no proxy user, so
          // nothing ever sends it).
          gWebDavControl().hInternetOpen(agent, 1, QString(), QString(), QStringLiteral("0"));
        }
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(TraceLine(e, QStringLiteral("InitEngine")));
      });
}

bool clsController::Cont_login(const QString& username, const QString& passwd, bool bNonSSLPort) {
  bool result = false;
  return vb::OnErrorGoTo(
      [&] {
        const QString user = vb::Trim(username);
        if (user.isEmpty()) return result;
        const QString webdav = gTransfer().Trf_ReadUserServerProfile(QStringLiteral("WEBDAVSERVER"), user);
        if (!webdav.isEmpty()) setServername(webdav);
        // The rsync side only keeps the account (and prepares the tunnel);
        // its answer says nothing about the sign-in.
        gRsyncController().Cont_login(username, passwd);
        result = gWebdavController().Cont_login(username, passwd, bNonSSLPort);
        return result;
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(TraceLine(e, QStringLiteral("Cont_login")));
        return result;
      });
}

void clsController::Cont_DisConnect() {
  vb::OnErrorGoTo(
      [&] {
        EngineState& g = Engine();
        gRsyncController().Cont_DisConnect();
        gWebdavController().Cont_DisConnect();
        gTransfer().Trf_RemoveLocalDir(QStringLiteral("ORVANETEMP"));
        g.gbInteractiveRestore = false;
        g.gsEncPassword.clear();
        // The stored key of the last restore must not outlive the session.
        g.gsEncKey.clear();
        g.gbHaveEncKey = false;
        if (g.giMode == 0) WriteTransferLog(g.gsUserName + QStringLiteral(" has logged out "), 0);
      },
      [&](const vb::ErrorInfo& e) { WriteTrace(TraceLine(e, QStringLiteral("Cont_DisConnect"))); });
}

void clsController::Cont_Exit() {
  vb::OnErrorGoTo([] { gRsyncController().Cont_Exit(); },
                  [&](const vb::ErrorInfo& e) { WriteTrace(TraceLine(e, QStringLiteral("Cont_Exit"))); });
}

void clsController::Cont_SetMode(Integer iMode) { Engine().giMode = iMode; }

void clsController::Cont_SetOsSystem(Integer otype) { Engine().giOsType = otype; }

void clsController::SetInteractiveParam() {
  Engine().giMode = 1;
  Cont_SetOsSystem(1);
}

void clsController::SetCommonFlag(bool /*bTypeBackup*/, bool /*bSync*/) {
  EngineState& g = Engine();
  g.gbCancelled = false;
  g.gbRemoteError = false;
  g.gbRestoreFailed = false;
  g.gbJobStopped = false;
  g.giEchoTouchState = 0;
  g.gbCommonFlag = true;
}

void clsController::ResetCommonFlag() {
  EngineState& g = Engine();
  g.gbCancelled = false;
  g.gbCommonFlag = false;
  g.giEchoTouchState = 0;
}

Integer clsController::Cont_AppType() {
  Integer result = 0;
  vb::ResumeNext next;
  next([&] { result = GetAppType() ? -1 : 0; });
  return result;
}

bool clsController::cont_IsExeRunning(const QString& Name, bool DeleteExe, Long nOsVersion) {
  bool result = false;
  vb::ResumeNext next;
  next([&] { result = IsExeRunning(Name, DeleteExe, nOsVersion); });
  return result;
}

QString clsController::GetErrorString() {
  QString result;
  vb::ResumeNext next;
  next([&] { result = gWebDavControl().GetDavErr(); });
  return result;
}

bool clsController::Cont_GetMessageLogin() { return Engine().gbCertRevocationFailed; }

Long clsController::Cont_SetRestoreItem(const vb::CollectionPtr& objResitem, double dTsetsize) {
  EngineState& g = Engine();
  g.gcolRestoreItems = objResitem;
  g.gdRestoreSetSize = dTsetsize;
  g.gdTotalFileSize = 0;
  return objResitem ? static_cast<Long>(objResitem->Count()) : 0;
}

}  // namespace OrvaneSrv
