// The per-user server profile "orvaneserver.ini" of class Transfer.
//
// The service keeps each account on its own servers. The engine learns them
// per user from the service's location script and keeps them in the user's
// folder of the application folder, section "Orvane": "SERVERNAME" (web
// scripts), "RSYNCSERVER", "WEBDAVSERVER" and "QUOTASERVER" (the restore
// program adds its own "FirstLogin"). A stored value is never refreshed by
// the engine; the program rewrites the file after a failed sign-in.

#include "ZQwinSrv/foundation/Transfer.h"

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "ZQwinSrv/foundation/TunnelConfig.h"
#include "ZQwinSrv/server/HttpFunctions.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/errors/Win32Error.h"
#include "platform/files/FileSystem.h"
#include "platform/ini/PrivateProfile.h"
#include "platform/text/Strings.h"

namespace OrvaneSrv {
namespace {

const QString kSection = QStringLiteral("Orvane");
const QString kWebdavServer = QStringLiteral("WEBDAVSERVER");
const QString kCacheAccessDenied = QStringLiteral("Cache Access Denied.");
const QString kLocationScript = QStringLiteral("/cgi-bin/get_location_all_webdav?");

// The lookup reply needs these many blank-separated fields.
constexpr qsizetype kLocationFields = 5;

QString UserFolder(const QString& trimmedUser) { return AppFolder() + QStringLiteral("\\") + trimmedUser; }
QString ServerProfilePath(const QString& trimmedUser) {
  return UserFolder(trimmedUser) + QStringLiteral("\\orvaneserver.ini");
}

// A proxy or a script can end the reply with a line end, and a stored host
// must be one line: CR and LF never reach the profile.
QString WithoutLineBreaks(QString field) {
  field.remove(u'\r');
  field.remove(u'\n');
  return field;
}

// Asks the service's location script for the user's servers and stores
// them. A reply of fewer than five fields stores nothing.
void LookUpServers(Transfer& transfer, const QString& trimmedUser) {
  HttpFunctions& http = gHttpFunctions();
  const ServiceHosts& hosts = CurrentServiceHosts();
  const QString form = QStringLiteral("user=") + http.URLEncode(trimmedUser);
  QString status;
  QString reply = http.HttpPostGet(hosts.sLookupHost, kLocationScript, form, 3, status);
  if (vb::StrComp(status, kCacheAccessDenied, vb::vbTextCompare) == 0) {
    // The proxy refused the post; the second post goes direct.
    reply = http.HttpPostGet(hosts.sLookupHost, kLocationScript, form, 3, status);
  }

  QStringList fields = vb::Split(reply, QStringLiteral(" "));
  if (fields.size() < kLocationFields) return;
  for (QString& field : fields) field = WithoutLineBreaks(field);
  const QString scriptServer = fields.at(0);
  const QString webdavServer = fields.at(4);
  transfer.WriteUserServerProfile(QStringLiteral("SERVERNAME"), scriptServer, trimmedUser);
  transfer.WriteUserServerProfile(QStringLiteral("RSYNCSERVER"), fields.at(1), trimmedUser);
  transfer.WriteUserServerProfile(kWebdavServer, webdavServer, trimmedUser);
  const bool onMainWebHost = vb::StrComp(vb::Trim(scriptServer), hosts.sMainWebHost, vb::vbTextCompare) == 0;
  transfer.WriteUserServerProfile(QStringLiteral("QUOTASERVER"),
                                  onMainWebHost ? hosts.sLookupHost : vb::Trim(webdavServer), trimmedUser);
  setServername(vb::Trim(webdavServer));
}

}  // namespace

QString Transfer::Trf_ReadUserServerProfile(QString param, QString ProfileUsername) {
  return vb::OnErrorGoTo(
      [&] {
        QString value;
        const QString user = vb::Trim(ProfileUsername);
        const QString path = ServerProfilePath(user);
        const QString key = vb::Trim(param);
        if (win::FileExists(path)) {
          value = Trf_ReadProfile(path, kSection, key);
          if (!vb::Trim(value).isEmpty()) {
            // Reading any key switches the WebDAV side to this user's server.
            const QString webdav = vb::Trim(Trf_ReadProfile(path, kSection, kWebdavServer));
            if (!webdav.isEmpty()) setServername(webdav);
            return vb::Trim(value);
          }
        }
        if (user.isEmpty()) return QString();

        LookUpServers(*this, user);
        vb::Sleep(100);
        if (win::FileExists(path)) value = Trf_ReadProfile(path, kSection, key);
        return vb::Trim(value);
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Trf_ReadUserServerProfile ") + QString::number(e.number) + QStringLiteral(" ") +
                   e.description);
        return QString();
      });
}

void Transfer::WriteUserServerProfile(const QString& param, const QString& paramval, const QString& PrfileUserName) {
  vb::OnErrorGoTo(
      [&] {
        const QString user = vb::Trim(PrfileUserName);
        const QString folder = UserFolder(user);
        if (!win::FolderExists(folder)) win::CreateFolder(folder);
        if (!win::WritePrivateProfileString(kSection, vb::Trim(param), vb::Trim(paramval), ServerProfilePath(user))) {
          const win::DWORD code = win::ProfileLastError();
          vb::Raise(static_cast<long>(code), QStringLiteral("Transfer"), win::SystemErrorText(code));
        }
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QString::number(e.number) + QStringLiteral("  ") + e.description);
      });
}

}  // namespace OrvaneSrv

