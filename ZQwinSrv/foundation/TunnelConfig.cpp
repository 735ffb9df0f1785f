#include "ZQwinSrv/foundation/TunnelConfig.h"

#include <QFile>
#include <QFileInfo>

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "platform/errors/RuntimeError.h"
#include "platform/errors/Win32Error.h"
#include "platform/ini/PrivateProfile.h"
#include "platform/paths/WinPath.h"
#include "platform/text/Strings.h"

namespace OrvaneSrv {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

constexpr QFileDevice::Permissions kOwnerOnly =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser;

bool BreaksALine(const QString& value) {
  return value.contains(u'\r') || value.contains(u'\n') || value.contains(QChar(0));
}

// Makes sure the file exists and only its owner can read it, before the
// proxy password goes in. Answers whether this call created it.
bool PrepareOwnerOnlyFile(const QString& hostPath) {
  QFile file(hostPath);
  if (file.exists()) {
    // An older file may have been readable by everyone.
    if (!file.setPermissions(kOwnerOnly)) vb::Raise(vb::errPermissionDenied);
    return false;
  }
  if (!QFileInfo(QFileInfo(hostPath).absolutePath()).isDir()) vb::Raise(vb::errPathNotFound);
  if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly)) vb::Raise(vb::errPermissionDenied);
  return true;
}

}  // namespace

QString TunnelConfLines(const QString& destination, const QString& proxyName, const QString& proxyPort,
                        const QString& proxyUser, const QString& proxyPass) {
  const QString accept = QStringLiteral("accept = ") + QString::number(kTunnelAcceptPort);
  const QString proxy = proxyName + QStringLiteral(":") + proxyPort;
  if (proxyName.isEmpty() && proxyPort.isEmpty() && proxyUser.isEmpty() && proxyPass.isEmpty()) {
    return accept + kCrLf + QStringLiteral("connect = ") + destination;
  }
  if (proxyUser.isEmpty() && proxyPass.isEmpty()) {
    return accept + kCrLf + QStringLiteral("connect =") + proxy + kCrLf + QStringLiteral("httpsproxy_dest=") +
           destination;
  }
  return accept + kCrLf + QStringLiteral("connect = ") + proxy + kCrLf + QStringLiteral("httpsproxy_dest=") +
         destination + kCrLf + QStringLiteral("httpsproxy_auth=") + proxyUser + QStringLiteral(":") + proxyPass;
}

void WriteTunnelConf(const QString& sConfPath, Long /*lUnused*/, bool bFixedServer) {
  vb::OnErrorGoTo(
      [&] {
        const EngineState& g = Engine();
        const QString host = bFixedServer
                                 ? CurrentServiceHosts().sRsyncFixedAddress
                                 : gTransfer().Trf_ReadUserServerProfile(QStringLiteral("RSYNCSERVER"),
                                                                         vb::Trim(g.gsUserName));
        const QString destination = host + QStringLiteral(":443");
        for (const QString* value : {&destination, &g.gsProxyName, &g.gsProxyPort, &g.gsProxyUser, &g.gsProxyPass}) {
          if (BreaksALine(*value)) {
            vb::Raise(vb::errInvalidProcedureCall, QString(),
                      QStringLiteral("a proxy or server value holds a line break"));
          }
        }
        const QString lines = TunnelConfLines(destination, g.gsProxyName, g.gsProxyPort, g.gsProxyUser, g.gsProxyPass);

        const QString hostPath = win::ToHostPath(sConfPath);
        if (hostPath.isEmpty()) vb::Raise(vb::errPathNotFound);
        const bool created = PrepareOwnerOnlyFile(hostPath);
        // The section writer replaces the file through a sibling that takes
        // over the existing file's permissions.
        if (!win::WritePrivateProfileSection(QStringLiteral("ZQWIN"), lines, sConfPath)) {
          const win::DWORD code = win::ProfileLastError();
          if (created) QFile::remove(hostPath);
          vb::Raise(static_cast<long>(code), QString(), win::SystemErrorText(code));
        }
      },
      [](const vb::ErrorInfo& e) { WriteTrace(QStringLiteral("error in updating conf file: ") + e.description); });
}

void LoadProxySettings() {
  EngineState& g = Engine();
  vb::ResumeNext next;
  if (!g.gbUseSSL) {
    g.gsProxyName.clear();
    g.gsProxyPort.clear();
    g.gsProxyUser.clear();
    g.gsProxyPass.clear();
  } else {
    next([&] { g.gsProxyName = gTransfer().Trf_ReadProxyProfile(QStringLiteral("ProxyName")); });
    next([&] { g.gsProxyPort = gTransfer().Trf_ReadProxyProfile(QStringLiteral("ProxyPort")); });
    next([&] { g.gsProxyUser = gTransfer().Trf_ReadProxyProfile(QStringLiteral("ProxyUser")); });
    next([&] { g.gsProxyPass = gTransfer().Trf_ReadProxyProfile(QStringLiteral("ProxyPass")); });
  }
  if (next.Err().Failed()) WriteTrace(QStringLiteral("LoadProxySettings = ") + QString::number(next.Err().number));
}

void setServername(const QString& host) { Engine().gsServerName = host; }

}  // namespace OrvaneSrv
