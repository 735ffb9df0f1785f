#include "ZQwinSrv/facade/clsController.h"

#include "ZQwinSrv/foundation/EngineMessages.h"
#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/TunnelConfig.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "platform/errors/RuntimeError.h"
#include "platform/text/Strings.h"

namespace OrvaneSrv {

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
          gWebDavControl().hInternetOpen(agent, 1, QString(), QString(), QString());
        }
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(vb::ErrorReasonLine(e.description, QStringLiteral("InitEngine"), vb::OwnerKind::ClassModule,
                                       QStringLiteral("clsController")));
      });
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
  g.giEchoTouchState = 0;
  g.gbCommonFlag = true;
}

void clsController::ResetCommonFlag() {
  EngineState& g = Engine();
  g.gbCancelled = false;
  g.gbCommonFlag = false;
  g.giEchoTouchState = 0;
}

Long clsController::Cont_SetRestoreItem(const vb::CollectionPtr& objResitem, double dTsetsize) {
  EngineState& g = Engine();
  g.gcolRestoreItems = objResitem;
  g.gdRestoreSetSize = dTsetsize;
  g.gdTotalFileSize = 0;
  return objResitem ? static_cast<Long>(objResitem->Count()) : 0;
}

}  // namespace OrvaneSrv
