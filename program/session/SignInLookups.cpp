#include "program/session/SignInLookups.h"

#include <memory>

#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/server/HttpFunctions.h"
#include "platform/codepage/CodePage.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextStream.h"
#include "platform/paths/WinPath.h"
#include "platform/text/Strings.h"
#include "program/foundation/Options.h"

namespace OrvaneMac {
namespace {

const QString kCacheAccessDenied = QStringLiteral("Cache Access Denied.");
const QString kLocationScript = QStringLiteral("/cgi-bin/get_location_all_webdav?");
constexpr char16_t kBuiltInOlderWebHost[] = u"www.tessara.example";
constexpr qint64 kLogLimitBytes = 100000;

// One character code of the lookup forms: a letter or digit as itself,
// anything else "%" and its upper-case hexadecimal digits, with a "0" in
// front of a code below 16 (so a negative 16-bit code, a double-byte
// character's, gives "%0" and its four digits).
QString EncodedCode(int code) {
  if ((code >= u'A' && code <= u'Z') || (code >= u'a' && code <= u'z') || (code >= u'0' && code <= u'9')) {
    return QString(QChar(static_cast<char16_t>(code)));
  }
  const QString digits = QString::number(static_cast<quint16>(code), 16).toUpper();
  return (code < 16 ? QStringLiteral("%0") : QStringLiteral("%")) + digits;
}

QString& OlderWebHostSetting() {
  static QString host;
  return host;
}

}  // namespace

SignInHosts CurrentSignInHosts() {
  const OrvaneSrv::ServiceHosts& engine = OrvaneSrv::CurrentServiceHosts();
  SignInHosts hosts;
  hosts.webHost = engine.sMainWebHost;
  hosts.lookupHost = engine.sLookupHost;
  hosts.olderWebHost =
      OlderWebHostSetting().isEmpty() ? QString::fromUtf16(kBuiltInOlderWebHost) : OlderWebHostSetting();
  return hosts;
}

void SetOlderWebHost(const QString& host) { OlderWebHostSetting() = host; }

OrvaneSrv::HttpFunctions& SharedHttpFunctions() {
  static auto* http = new OrvaneSrv::HttpFunctions;
  return *http;
}

QString WithoutLineBreaks(QString text) {
  text.remove(u'\r');
  text.remove(u'\n');
  return text;
}

}  // namespace OrvaneMac

namespace OrvaneMac::modGeneral {

QString PostLookup(OrvaneSrv::HttpFunctions& http, const QString& host, const QString& path, const QString& body,
                   const QString& retryHost, const QString& retryPath) {
  QString status;
  QString reply = http.HttpPostGet(host, path, body, 3, status, 0);
  if (vb::StrComp(status, kCacheAccessDenied, vb::vbTextCompare) == 0) {
    // The proxy refused the post: one more try, which goes direct.
    status = kCacheAccessDenied;
    reply.clear();
    reply = http.HttpPostGet(retryHost.isEmpty() ? host : retryHost, retryPath.isEmpty() ? path : retryPath, body, 3,
                             status, 0);
    status.clear();
  }
  return reply;
}

bool IsValidEmail(const QString& text) {
  const qsizetype at = text.indexOf(u'@');
  if (at < 0) return false;
  if (at + 1 < text.size() && text.at(at + 1) == u'.') return false;
  return text.indexOf(u'.', at + 2) >= 0;
}

QString URLEncode(const QString& text, Integer flag) {
  return vb::OnErrorGoTo(
      [&] {
        const QString trimmed = vb::Trim(text);
        if (trimmed.isEmpty()) return QString();
        if (flag == 0) {
          QString encoded;
          encoded.reserve(trimmed.size() * 3);
          for (const QChar ch : trimmed) {
            const int code = win::AnsiCode(ch);
            encoded += EncodedCode(code < 0 ? int{u'?'} : code);
          }
          return encoded;
        }
        bool ok = false;
        const int code = trimmed.toInt(&ok);
        if (!ok || code < -32768 || code > 32767) vb::Raise(ok ? 6 : 13);
        return EncodedCode(code);
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("URLEncode ") + QString::number(e.number) + e.description);
        return QString();
      });
}

void WriteUserServerProfile(const QString& key, const QString& value, const QString& user) {
  // The engine's writer of the same file: it creates the user's folder
  // and traces a failure.
  OrvaneSrv::Transfer transfer;
  transfer.WriteUserServerProfile(key, value, user);
}

void setServername(const QString& name) { Program().ServerName = name; }

void LookUpUserServers(const QString& user) {
  vb::OnErrorGoTo(
      [&] {
        const SignInHosts hosts = CurrentSignInHosts();
        const QString u = vb::Trim(user);
        const QString reply = PostLookup(SharedHttpFunctions(), hosts.lookupHost, kLocationScript,
                                         QStringLiteral("user=") + URLEncode(u, 0));
        QStringList fields = vb::Split(reply, QStringLiteral(" "));
        if (fields.size() < 5) return;
        // A stored host is one line: a line end of the reply never reaches
        // the profile.
        for (QString& field : fields) field = WithoutLineBreaks(field);
        WriteUserServerProfile(QStringLiteral("SERVERNAME"), fields.at(0), u);
        WriteUserServerProfile(QStringLiteral("RSYNCSERVER"), fields.at(1), u);
        WriteUserServerProfile(QStringLiteral("WEBDAVSERVER"), fields.at(4), u);
        const bool olderProduct = vb::Trim(fields.at(0)).toUpper() == hosts.olderWebHost.toUpper();
        WriteUserServerProfile(QStringLiteral("QUOTASERVER"), olderProduct ? hosts.lookupHost : vb::Trim(fields.at(4)),
                               u);
        setServername(vb::Trim(fields.at(4)));
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in get_location_all_webdav ") + QString::number(e.number) +
                   QStringLiteral("  ") + e.description);
      });
}

void TrimLogFiles() {
  for (const char16_t* name : {u"OrvaneLogFile.txt", u"TraceFile.txt"}) {
    const QString path = win::JoinPath(AppFolder(), QString::fromUtf16(name));
    vb::ResumeNext next;
    if (!win::FileExists(path)) continue;
    next([&] {
      if (win::FileLen(path) > kLogLimitBytes) win::DeleteFile(path, true);
    });
    next([&] {
      if (!win::FileExists(path)) win::CreateTextFile(path, true, true).Close();
    });
  }
}

}  // namespace OrvaneMac::modGeneral
