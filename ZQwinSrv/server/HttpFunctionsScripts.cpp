// HttpFunctions: the script operations on the signed-in account (folder
// delete, versioning, quota status, remote size, mail, search). Each builds
// its form in sPostData, posts it and empties it however it ends.
//
// Passwords and search terms go out encoded like the first field: a
// password holding "&", "+", "%" or "=" would otherwise reach the script
// altered. The "path" of the delete and size scripts is sent as the program
// has it (already in the href's escaped form).
#include <QStringList>

#include <cmath>

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/server/HttpFunctions.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextStream.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"

namespace OrvaneSrv {
namespace {

const QString kCacheAccessDenied = QStringLiteral("Cache Access Denied.");

bool IsDenied(const QString& status) { return vb::StrComp(status, kCacheAccessDenied, vb::vbTextCompare) == 0; }

QString WebdavServer() {
  return vb::Trim(gTransfer().Trf_ReadUserServerProfile(QStringLiteral("WEBDAVSERVER"), Engine().gsUserName));
}

}  // namespace

double RemoteSizeKilobytes(const QString& reply) {
  QString text = reply;
  text.remove(u'\r');
  text.remove(u'\n');
  const qsizetype nul = text.indexOf(QChar(0));
  if (nul >= 0) text.truncate(nul);
  text = vb::Trim(text);
  const qsizetype k = text.indexOf(u'K');
  if (text.isEmpty() || k < 0) return 0;
  const QString number = vb::Trim(text.left(k));
  if (number.isEmpty()) return 0;
  // The script writes the kilobytes with a full stop, whatever the user's
  // number format.
  bool ok = false;
  double value = number.toDouble(&ok);
  if (!ok) {
    // A number too large for a size is no size either.
    try {
      value = vb::Val(number);
    } catch (const vb::RuntimeError&) {
      return 0;
    }
  }
  return std::isfinite(value) ? value : 0;
}

bool HttpFunctions::DeleteRemoteFolder(const QString& sFolderPath, bool bSyncDeleteList, bool bIsFileDelete) {
  QString status;
  bool result = false;
  vb::OnErrorGoTo(
      [&] {
        const EngineState& g = Engine();
        AddScriptParam(QStringLiteral("user"), g.gsUserName);
        AddScriptParam(QStringLiteral("password"), EncodeFormValue(g.gsPassword));
        const bool listForm = bSyncDeleteList && bIsFileDelete;
        AddScriptParam(QStringLiteral("path"), listForm ? sFolderPath : GetRemotePath(sFolderPath));
        const QString script =
            listForm ? QStringLiteral("/cgi-bin/delete_list.cgi") : QStringLiteral("/cgi-bin/delete.cgi");
        QString host = WebdavServer();
        if (host.isEmpty()) return;
        result = httppost(host, script, sPostData, 1, status, false, false).ToBoolean();
        if (IsDenied(status)) {
          host = WebdavServer();
          result = httppost(host, script, sPostData, 1, status, false, false).ToBoolean();
        }
      },
      [](const vb::ErrorInfo& e) { WriteTrace(QStringLiteral("DeleteRemoteFolder() ") + e.description); });
  sPostData.clear();
  return result;
}

namespace {

// The versioning and quota posts: the profile's user and stored password to
// the user's quota server. `script` empty names the host's root.
Integer QuotaPost(HttpFunctions& http, QString& form, const QString& script, const QString& traceName,
                  bool waitAfter) {
  Transfer& transfer = gTransfer();
  QString user = transfer.Trf_ReadUserProfile(QStringLiteral("UserName"));
  const QString password = vb::Trim(transfer.Trf_ReadUserProfile(vb::Trim(user), false, true));
  http.AddScriptParam(QStringLiteral("USER"), http.StripNull(user));
  http.AddScriptParam(QStringLiteral("PASSWORD"), EncodeFormValue(password));
  form = http.PostData();
  const QString host = transfer.Trf_ReadUserServerProfile(QStringLiteral("QUOTASERVER"), vb::Trim(user));
  WriteTrace(QStringLiteral("Server name from script in ") + traceName + QStringLiteral(" = ") + host);
  if (vb::Trim(host).isEmpty()) return 0;
  const Integer result = http.HttpGetAccountStatus(vb::Trim(host), script, form);
  if (waitAfter) vb::Sleep(2000);
  return result;
}

}  // namespace

Integer HttpFunctions::EnableFileVersioning(bool bEnable, bool /*bref*/) {
  Integer result = 0;
  vb::OnErrorGoTo(
      [&] {
        QString form;
        result = QuotaPost(*this, form,
                           bEnable ? QStringLiteral("/cgi-bin/enable_snapshots")
                                   : QStringLiteral("/cgi-bin/disable_snapshots"),
                           QStringLiteral("EnableFileVersioning"), false);
      },
      [](const vb::ErrorInfo& e) { WriteTrace(QStringLiteral("HTTPFFunction EnableFileVersioning ") + e.description); });
  sPostData.clear();
  return result;
}

Integer HttpFunctions::CheckZqAccountStatus(const QString& Action) {
  Integer result = 0;
  vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter CheckZqAccountStatus()"));
        QString script = QStringLiteral("/");
        if (Action == u"Read-Write") script = QStringLiteral("/cgi-bin/check_status?");
        if (Action == u"ZQDiskSpaceUpdate") script = QStringLiteral("/cgi-bin/recalculate.cgi?");
        QString form;
        result = QuotaPost(*this, form, script, QStringLiteral("CheckZqAccountStatus"), true);
        WriteTrace(QStringLiteral("Exit CheckZqAccountStatus()") + QString::number(result));
      },
      [](const vb::ErrorInfo& e) { WriteTrace(QStringLiteral("HTTPFFunction EnableFileVersioning ") + e.description); });
  sPostData.clear();
  return result;
}

QString HttpFunctions::GetRemoteSize(const QString& /*sFolderPath*/, const QString& sFolderPathDirect) {
  double bytes = 0;
  QString sizeText;
  vb::OnErrorGoTo(
      [&] {
        const EngineState& g = Engine();
        AddScriptParam(QStringLiteral("user"), g.gsUserName);
        AddScriptParam(QStringLiteral("pass"), EncodeFormValue(g.gsPassword));
        AddScriptParam(QStringLiteral("path"), GetRemotePath(sFolderPathDirect.mid(2)));
        const QString script = QStringLiteral("/cgi-bin/compute_size.cgi?");
        QString reply;
        QString host = WebdavServer();
        if (!host.isEmpty()) {
          QString status;
          reply = httppost(host, script, sPostData, 3, status, true, false).ToString();
          if (IsDenied(status)) {
            host = WebdavServer();
            reply = httppost(host, script, sPostData, 3, status, true, false).ToString();
          }
        }
        bytes = RemoteSizeKilobytes(reply) * 1024;
        sizeText = GetProperSizeValue(bytes, false);
        if (!reply.isEmpty()) WriteTrace(QStringLiteral("Size returned from GetRemoteSize = ") + sizeText);
      },
      [](const vb::ErrorInfo& e) { WriteTrace(QStringLiteral("Error GetRemoteSize ") + e.description); });
  sPostData.clear();
  if (sizeText.isEmpty()) sizeText = GetProperSizeValue(bytes, false);
  WriteTrace(QStringLiteral("Size returned from GetRemoteSize = ") + sizeText);
  return sizeText;
}

bool HttpFunctions::SendEmail(const QString& emailid, const QString& subject, const QString& content,
                              const QString& sToEmail, bool bFromMonitor) {
  bool result = false;
  vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter SendEmail"));
        QString addresses = emailid;
        addresses.remove(u';');
        AddParam(QStringLiteral("EMAIL"), addresses);
        AddParam(QStringLiteral("SUBJECT"), subject);
        AddParam(QStringLiteral("CONTENT"), content, true);
        const bool toUser = !vb::Trim(sToEmail).isEmpty();
        if (toUser) AddParam(QStringLiteral("user_email"), sToEmail);
        const QString script = toUser ? QStringLiteral("/cgi-bin/Notify_unicode") : QStringLiteral("/cgi-bin/Notify_email");
        QString status;
        result = httppost(CurrentServiceHosts().sMailHost, script, sPostData, 2, status, false, bFromMonitor)
                     .ToBoolean();
        sPostData.clear();
        WriteTrace(QStringLiteral("Exit SendEmail"));
      },
      [](const vb::ErrorInfo& e) { WriteTrace(QStringLiteral("HTTPFFunction SendEmail ") + e.description); });
  sPostData.clear();
  return result;
}

namespace {

// The search script host of the user's script server; "" when neither.
QString SearchHost() {
  const ServiceHosts& hosts = CurrentServiceHosts();
  const QString server = vb::Trim(gTransfer().Trf_ReadUserServerProfile(QStringLiteral("SERVERNAME"), Engine().gsUserName));
  if (vb::StrComp(server, hosts.sFirstWebHost, vb::vbTextCompare) == 0) return hosts.sSearchHostFirst;
  if (vb::StrComp(server, hosts.sThirdWebHost, vb::vbTextCompare) == 0) return hosts.sSearchHostSecond;
  return {};
}

}  // namespace

vb::Variant HttpFunctions::SearchRemoteItem(const QString& sSearchKey) {
  vb::ResumeNext next;
  QString reply;
  next([&] {
    AddScriptParam(QStringLiteral("user"), vb::Trim(Engine().gsUserName));
    AddScriptParam(QStringLiteral("term"), EncodeFormValue(vb::Trim(sSearchKey)));
  });
  next([&] {
    const QString host = SearchHost();
    if (host.isEmpty()) return;
    const QString script = QStringLiteral("/cgi-bin/searchlistadd_client.cgi");
    QString status;
    reply = httppost(host, script, sPostData, 1, status, true, true).ToString();
    if (IsDenied(status)) reply = httppost(host, script, sPostData, 1, status, true, true).ToString();
  });
  sPostData.clear();
  const QString file = Engine().gsAppPath + Engine().gsAppWord + QStringLiteral("\\OrvaneSearchResult.txt");
  next([&] {
    if (win::FileExists(file)) {
      win::DeleteFile(file, true);
      vb::Sleep(10);
    }
  });
  next([&] {
    win::TextStream stream = win::CreateTextFile(file, true, false);
    stream.Write(reply);
    stream.Close();
  });
  return {};
}

vb::Variant HttpFunctions::RefreshSearchRemoteItem(const QString& sSearchKey) {
  vb::ResumeNext next;
  next([&] {
    AddScriptParam(QStringLiteral("user"), vb::Trim(Engine().gsUserName));
    AddScriptParam(QStringLiteral("term"), EncodeFormValue(vb::Trim(sSearchKey)));
  });
  next([&] {
    const QString host = SearchHost();
    if (host.isEmpty()) return;
    const QString script = QStringLiteral("/cgi-bin/searchlistadd_fresh.cgi");
    QString status;
    (void)httppost(host, script, sPostData, 1, status, false, true);
    if (IsDenied(status)) (void)httppost(host, script, sPostData, 1, status, false, true);
  });
  sPostData.clear();
  return {};
}

}  // namespace OrvaneSrv
