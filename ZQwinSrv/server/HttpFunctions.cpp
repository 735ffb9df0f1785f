// HttpFunctions: the form posts over the engine's internet session (session
// re-open, request, resend, reply reading, error texts) and the form
// builders. The script operations are in HttpFunctionsScripts.cpp.
#include "ZQwinSrv/server/HttpFunctions.h"

#include <QStringList>

#include <cstdint>
#include <utility>

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/TunnelConfig.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "platform/clock/Clock.h"
#include "platform/codepage/CodePage.h"
#include "platform/errors/RuntimeError.h"
#include "platform/inet/WinInet.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

namespace OrvaneSrv {
namespace {

const QString kCacheAccessDenied = QStringLiteral("Cache Access Denied.");
const QString kInvalidAccount = QStringLiteral("Invalid account.");
const QString kAgent = QStringLiteral("ZQWin WebDAV Client");
const QString kFormType = QStringLiteral("Content-Type: application/x-www-form-urlencoded");
const QString kFormTypeUtf8 = QStringLiteral("Content-Type: application/x-www-form-urlencoded; charset=utf-8");

// Reload and secure: every script post is HTTPS, whatever the port.
constexpr win::DWORD kPostFlags = 0x80800000;
// HttpAddRequestHeaders: add, replacing a header of the same name.
constexpr win::DWORD kAddReplace = 0xa0000000;
// The security flags before the resend: HttpPostGet ignores the certificate
// problems of the WebDAV side, the others also a wrong usage and the rest.
constexpr win::DWORD kPostGetResendFlags = 0x80803180;
constexpr win::DWORD kPostResendFlags = 0x80803f85;
constexpr win::DWORD kStatusCodeNumber = 0x20000013;
constexpr win::DWORD kPostGetPiece = 2048;
constexpr win::DWORD kPostPiece = 32768;
constexpr win::DWORD kHttpGetPiece = 4096;
// A delete reply calls the program back every this many lines, and sleeps
// a little every so many.
constexpr qsizetype kCallBackEvery = 300;
constexpr qsizetype kSleepEvery = 50;
// A reply with this status or above is an error page, not a script's answer.
constexpr win::DWORD kFirstErrorStatus = 400;

ScriptTimeouts& Timeouts() {
  static ScriptTimeouts timeouts;
  return timeouts;
}

bool KeptByUrlEncode(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
}

bool Denied(const QString& text) { return vb::LCase(text).contains(QStringLiteral("cache access denied.")); }

win::HINTERNET SessionHandle() {
  return reinterpret_cast<win::HINTERNET>(
      static_cast<std::uintptr_t>(static_cast<std::uint32_t>(gWebDavControl().getInternetOpenHandle().ToLong())));
}

// Re-opens the engine's internet session for a post: with SSL (and the
// user's proxy settings loaded) unless the profile says otherwise or the
// proxy refused the last post.
void ReopenSession(const QString& strAccStatus) {
  EngineState& g = Engine();
  QString ssl = gTransfer().Trf_ReadUserProfile(QStringLiteral("SSLKey"));
  if (vb::StrComp(strAccStatus, kCacheAccessDenied, vb::vbTextCompare) == 0) ssl = QStringLiteral("0");
  ssl = vb::Trim(ssl);
  WebDavControl& dav = gWebDavControl();
  if (ssl.isEmpty() || ssl == u"1") {
    g.gbUseSSL = true;
    LoadProxySettings();
    if (!gTransfer().Trf_ReadProxyProfile(QStringLiteral("ProxyName")).isEmpty()) {
      dav.hInternetOpen(kAgent, win::INTERNET_OPEN_TYPE_DIRECT, g.gsProxyName + QStringLiteral(":") + g.gsProxyPort,
                        g.gsProxyUser, g.gsProxyPass);
      return;
    }
  } else {
    g.gbUseSSL = false;
  }
  dav.hInternetOpen(kAgent, win::INTERNET_OPEN_TYPE_DIRECT, QString(), QString(), QStringLiteral("0"));
}

// One form post: the connection and request of one exchange, closed when it
// ends (the session stays).
class ScriptRequest {
 public:
  ScriptRequest() = default;
  ~ScriptRequest() {
    if (request_) win::InternetCloseHandle(request_);
    if (connection_) win::InternetCloseHandle(connection_);
  }
  ScriptRequest(const ScriptRequest&) = delete;
  ScriptRequest& operator=(const ScriptRequest&) = delete;

  // Connects and opens the request; false (nothing to send) when either
  // fails. `requestFailed` tells which.
  bool Open(win::HINTERNET session, const QString& server, win::INTERNET_PORT port, const QString& path,
            bool& requestFailed) {
    requestFailed = false;
    if (!session) return false;
    connection_ = win::InternetConnect(session, server, port, {}, {}, win::INTERNET_SERVICE_HTTP, 0);
    if (!connection_) return false;
    request_ = win::HttpOpenRequest(connection_, QStringLiteral("POST"), path, QStringLiteral("HTTP/1.0"), {}, {},
                                    kPostFlags);
    if (!request_) {
      requestFailed = true;
      return false;
    }
    const ScriptTimeouts& t = Timeouts();
    (void)win::InternetSetOption(request_, win::INTERNET_OPTION_CONNECT_TIMEOUT, static_cast<win::DWORD>(t.connect));
    (void)win::InternetSetOption(request_, win::INTERNET_OPTION_SEND_TIMEOUT, static_cast<win::DWORD>(t.send));
    (void)win::InternetSetOption(request_, win::INTERNET_OPTION_RECEIVE_TIMEOUT, static_cast<win::DWORD>(t.receive));
    return true;
  }

  // Adds the content type and sends the body, once more after a failure
  // with the certificate checks relaxed. `secondTrace` and `firstTrace` are
  // each procedure's own wording of the failure lines.
  bool Send(const QString& contentType, const QString& body, win::DWORD resendFlags, const QString& firstTrace,
            const QString& secondTrace) {
    const QString header = contentType + QStringLiteral("\r\n");
    (void)win::HttpAddRequestHeaders(request_, header, static_cast<qint32>(header.size()), kAddReplace);
    const QByteArray bytes = win::ToAnsi(body);
    if (win::HttpSendRequest(request_, {}, 0, bytes)) return true;
    vb::Sleep(200);
    win::DWORD error = win::InternetGetLastError();
    WriteTrace(firstTrace + QString::number(error));
    WriteTrace(secondTrace + QString::number(error));
    (void)win::InternetSetOption(request_, win::INTERNET_OPTION_SECURITY_FLAGS, resendFlags);
    vb::Sleep(200);
    const bool sent = win::HttpSendRequest(request_, {}, 0, bytes);
    vb::Sleep(200);
    error = win::InternetGetLastError();
    WriteTrace((sent ? QStringLiteral("Successful after reattempt for HttpSendRequest : ")
                     : QStringLiteral("Error after reattempt for HttpSendRequest : ")) +
               QString::number(error));
    return sent;
  }

  [[nodiscard]] win::DWORD Status() const {
    win::DWORD status = 0;
    if (!win::HttpQueryInfo(request_, kStatusCodeNumber, status)) status = 0;
    return status;
  }

  // One piece of the reply; empty at its end and after a failed read
  // (`failed`).
  QByteArray Read(win::DWORD piece, bool& failed) {
    QByteArray buffer(static_cast<qsizetype>(piece), '\0');
    win::DWORD read = 0;
    failed = !win::InternetReadFile(request_, buffer.data(), piece, read);
    if (failed) read = 0;
    buffer.truncate(static_cast<qsizetype>(read));
    return buffer;
  }

 private:
  win::HINTERNET connection_ = nullptr;
  win::HINTERNET request_ = nullptr;
};

// HttpPostGet over the engine's session.
QString PostOverSession(const QString& strServer, const QString& sPagePath, const QString& PostData,
                        Integer CallingMethods, QString& strAccStatus, Long nDummyCallPort) {
  ReopenSession(strAccStatus);
  win::INTERNET_PORT port = win::INTERNET_DEFAULT_HTTPS_PORT;
  if (nDummyCallPort == 1) port = 11900;
  if (nDummyCallPort == 2) port = win::INTERNET_DEFAULT_HTTP_PORT;

  QString reply;
  ScriptRequest request;
  bool requestFailed = false;
  if (!request.Open(SessionHandle(), strServer, port, sPagePath, requestFailed)) return reply;
  if (!request.Send(kFormType, PostData, kPostGetResendFlags, QStringLiteral("Error in HttpSendRequest : "),
                    QStringLiteral("Error after first the attempt for HttpSendRequest : "))) {
    return reply;
  }
  if (CallingMethods != 3) return reply;
  for (;;) {
    bool failed = false;
    const QByteArray piece = request.Read(kPostGetPiece, failed);
    if (piece.isEmpty()) break;
    reply += win::FromAnsi(piece);
    vb::DoEvents();
    if (Denied(reply)) {
      strAccStatus = kCacheAccessDenied;
      WriteTrace(QStringLiteral("HttpPostGet -> Cache Access Denied."));
      break;
    }
  }
  // An error page (a proxy's or the server's) is no answer of the script;
  // a denial still tells the caller to try once more.
  if (request.Status() >= kFirstErrorStatus) reply.clear();
  WriteTrace(QStringLiteral("Exit HttpPostGet"));
  return reply;
}

ScriptPoster& InstalledPoster() {
  static ScriptPoster poster = PostOverSession;
  return poster;
}

// The lines of one piece of a reply, cut at LF, each without its CR.
QStringList PieceLines(const QString& piece) {
  QStringList lines = piece.split(u'\n');
  for (QString& line : lines) line.remove(u'\r');
  return lines;
}

}  // namespace

HttpFunctions& gHttpFunctions() { return Singleton(Engine().gHttpFunctions); }

ScriptPoster HttpFunctions::SetScriptPoster(ScriptPoster poster) {
  if (!poster) poster = PostOverSession;
  return std::exchange(InstalledPoster(), std::move(poster));
}

ScriptTimeouts HttpFunctions::SetScriptTimeouts(const ScriptTimeouts& timeouts) {
  return std::exchange(Timeouts(), timeouts);
}

QString HttpFunctions::HttpGet(const QString& strUrl) {
  QString text;
  vb::OnErrorGoTo(
      [&] {
        win::HINTERNET session = win::InternetOpen(QStringLiteral("HttpGet"), win::INTERNET_OPEN_TYPE_PRECONFIG);
        if (!session) return;
        win::HINTERNET file = win::InternetOpenUrl(session, strUrl, {}, 0, win::INTERNET_FLAG_RELOAD);
        if (file) {
          QByteArray buffer(kHttpGetPiece, '\0');
          for (;;) {
            win::DWORD read = 0;
            if (!win::InternetReadFile(file, buffer.data(), kHttpGetPiece, read) || read == 0) break;
            text += win::FromAnsi(buffer.left(static_cast<qsizetype>(read)));
            vb::DoEvents();
          }
          win::InternetCloseHandle(file);
        }
        win::InternetCloseHandle(session);
      },
      [](const vb::ErrorInfo& e) { WriteTrace(QStringLiteral("HttpGet ") + e.description); });
  return text;
}

QString HttpFunctions::HttpPostGet(const QString& strServer, const QString& sPagePath, const QString& PostData,
                                   Integer CallingMethods, QString& strAccStatus, Long nDummyCallPort) {
  return vb::OnErrorGoTo(
      [&] {
        // A copy: a transport may install another while it runs.
        const ScriptPoster poster = InstalledPoster();
        return poster(strServer, sPagePath, PostData, CallingMethods, strAccStatus, nDummyCallPort);
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in HttpPostGet ") + e.description);
        return QString();
      });
}

QString EncodeFormValue(const QString& value) {
  QString encoded;
  encoded.reserve(value.size() * 3);
  for (const QChar ch : value) {
    if (KeptByUrlEncode(ch.unicode())) {
      encoded += ch;
      continue;
    }
    const int code = win::AnsiCode(ch);
    encoded += u'%';
    encoded += QString::number(code < 0 ? int{u'?'} : code, 16).toUpper().rightJustified(2, u'0');
  }
  return encoded;
}

QString HttpFunctions::URLEncode(const QString& sString) const { return EncodeFormValue(vb::Trim(sString)); }

QString HttpFunctions::URLEncodeWebd(const QString& Unistr) const { return WebDavControl().URLEncodeWebd(Unistr); }

QString HttpFunctions::StripNull(QString& text) {
  const qsizetype cr = text.indexOf(u'\r');
  if (cr >= 0) text.truncate(cr);
  const qsizetype nul = text.indexOf(QChar(0));
  return nul >= 0 ? text.left(nul) : text;
}

void HttpFunctions::AddScriptParam(const QString& key, const QString& value) {
  if (sPostData.isEmpty()) {
    sPostData = key + QStringLiteral("=") + URLEncode(value);
  } else {
    sPostData += QStringLiteral("&") + key + QStringLiteral("=") + value;
  }
}

void HttpFunctions::AddParam(const QString& key, const QString& value, bool bRaw) {
  if (sPostData.isEmpty()) {
    sPostData = key + QStringLiteral("=") + URLEncode(value);
  } else {
    sPostData += QStringLiteral("\r\n&") + key + QStringLiteral("=") + (bRaw ? value : URLEncode(value));
  }
}

QString HttpFunctions::GetInetError(Long code) {
  switch (code) {
    case 12001: return QStringLiteral("No more handles could be generated at this time");
    case 12002: return QStringLiteral("The request has timed out.");
    case 12003: {
      win::DWORD error = 0;
      QString text;
      if (!win::InternetGetLastResponseInfo(error, text)) return QStringLiteral("Extended error returned from server.");
      text = vb::Trim(text.left(509));
      return StripNull(text);
    }
    case 12004: return QStringLiteral("An internal error has occurred.");
    case 12005: return QStringLiteral("URL is invalid.");
    case 12006: return QStringLiteral("URL scheme could not be recognized, or is not supported.");
    case 12007: return QStringLiteral("Server name could not be resolved.");
    case 12008: return QStringLiteral("Requested protocol could not be located.");
    case 12009:
      return QStringLiteral("Request to InternetQueryOption or InternetSetOption specified an invalid option value.");
    case 12010:
      return QStringLiteral(
          "Length of an option supplied to InternetQueryOption or InternetSetOption is incorrect for the type of "
          "option specified.");
    case 12011: return QStringLiteral("Request option can not be set, only queried. ");
    case 12012: return QStringLiteral("Win32 Internet support is being shutdown or unloaded.");
    case 12013:
      return QStringLiteral(
          "Request to connect and login to an FTP server could not be completed because the supplied user name is "
          "incorrect.");
    case 12014:
      return QStringLiteral(
          "Request to connect and login to an FTP server could not be completed because the supplied password is "
          "incorrect. ");
    case 12015: return QStringLiteral("Request to connect to and login to an FTP server failed.");
    case 12016: return QStringLiteral("Requested operation is invalid. ");
    case 12017:
      return QStringLiteral(
          "Operation was canceled, usually because the handle on which the request was operating was closed before "
          "the operation completed.");
    case 12018: return QStringLiteral("Type of handle supplied is incorrect for this operation.");
    case 12019:
      return QStringLiteral(
          "Requested operation can not be carried out because the handle supplied is not in the correct state.");
    case 12020: return QStringLiteral("Request can not be made via a proxy.");
    case 12021: return QStringLiteral("Required registry value could not be located. ");
    case 12022:
      return QStringLiteral("Required registry value was located but is an incorrect type or has an invalid value.");
    case 12023: return QStringLiteral("Direct network access cannot be made at this time. ");
    case 12024:
      return QStringLiteral("Asynchronous request could not be made because a zero context value was supplied.");
    case 12025:
      return QStringLiteral("Asynchronous request could not be made because a callback function has not been set.");
    case 12026:
      return QStringLiteral("Required operation could not be completed because one or more requests are pending.");
    case 12027: return QStringLiteral("Format of the request is invalid.");
    case 12028: return QStringLiteral("Requested item could not be located.");
    case 12029: return QStringLiteral("Attempt to connect to the server failed.");
    case 12030: return QStringLiteral("Connection with the server has been terminated.");
    case 12031: return QStringLiteral("Connection with the server has been reset.");
    case 12036: return QStringLiteral("Request failed because the handle already exists.");
    default: return QStringLiteral("Error details not available.");
  }
}

Integer HttpFunctions::HttpGetAccountStatus(const QString& strServer, const QString& sPagePath,
                                            const QString& PostData) {
  return vb::OnErrorGoTo(
      [&]() -> Integer {
        ScriptRequest request;
        bool requestFailed = false;
        if (!request.Open(SessionHandle(), strServer, win::INTERNET_DEFAULT_HTTPS_PORT, sPagePath, requestFailed)) {
          return 0;
        }
        if (!request.Send(kFormType, PostData, kPostResendFlags, QStringLiteral("Error in HttpSendRequest : "),
                          QStringLiteral("Error after first attempt for HttpSendRequest : "))) {
          return 0;
        }
        QString reply;
        for (;;) {
          bool failed = false;
          const QByteArray piece = request.Read(kPostGetPiece, failed);
          if (piece.isEmpty()) break;
          reply += win::FromAnsi(piece);
        }
        if (request.Status() >= kFirstErrorStatus) return 0;
        // The answer is the last letter before any line end.
        while (reply.endsWith(u'\n') || reply.endsWith(u'\r')) reply.chop(1);
        return reply.endsWith(u'N') ? 2 : 1;
      },
      [](const vb::ErrorInfo& e) -> Integer {
        WriteTrace(QStringLiteral("HttpGetAccountStatus ") + e.description);
        return 0;
      });
}

vb::Variant HttpFunctions::httppost(const QString& strServer, const QString& sPagePath, const QString& PostData,
                                    Integer CallingMethods, QString& strAccStatus, bool bReturnText,
                                    bool bReopenSession) {
  WriteTrace(QStringLiteral("Enter httppost"));
  vb::Variant result;
  vb::OnErrorGoTo(
      [&] {
        if (bReopenSession) ReopenSession(strAccStatus);
        ScriptRequest request;
        bool requestFailed = false;
        if (!request.Open(SessionHandle(), strServer, win::INTERNET_DEFAULT_HTTPS_PORT, sPagePath, requestFailed)) {
          if (requestFailed) gWebDavControl().dav_seterrorstring(GetInetError(static_cast<Long>(win::InternetGetLastError())));
          return;
        }
        const bool sent = request.Send(kFormTypeUtf8, PostData, kPostResendFlags,
                                       QStringLiteral("Error in HttpSendRequest: "),
                                       QStringLiteral("Error after first attempt for HttpSendRequest : "));
        const win::DWORD status = sent ? request.Status() : 0;
        const bool errorPage = status >= kFirstErrorStatus;
        bool invalidAccount = false;
        QString text;  // the reply as read, for bReturnText

        if (sent && (CallingMethods == 1 || CallingMethods == 3 || errorPage)) {
          if (CallingMethods == 1 || CallingMethods == 3) Engine().gsSessionFile.clear();
          QByteArray carry;
          bool last = false;
          while (!last) {
            bool failed = false;
            const QByteArray bytes = request.Read(kPostPiece, failed);
            QString piece;
            if (bytes.isEmpty() || CallingMethods == 3) {
              // The end of the reply (or its only piece): the bytes after
              // the last line feed are part of it too.
              piece = FromUtf8(carry + bytes);
              carry.clear();
              last = true;
            } else {
              QByteArray joined = carry + bytes;
              const qsizetype lf = joined.lastIndexOf('\n');
              piece = FromUtf8(joined.left(lf + 1));
              carry = joined.mid(lf + 1);
              last = failed;
            }
            if (Denied(piece)) {
              strAccStatus = kCacheAccessDenied;
              WriteTrace(QStringLiteral("HttpPost -> Cache Access Denied."));
              last = true;
            }
            text += piece;
            if (errorPage) continue;
            if (CallingMethods == 3) break;
            if (bytes.isEmpty()) WriteTrace(QStringLiteral("Not CBool(lNumberOfBytesRead) ") + piece);
            if (bReturnText) continue;
            if (piece.contains(kInvalidAccount)) {
              invalidAccount = true;
              gWebDavControl().dav_seterrorstring(kInvalidAccount);
              break;
            }
            // Every 300th line goes to the program's delete window; a true
            // answer (the user cancelled) makes this the last piece. The
            // last part of a piece is the start of the next line.
            const QStringList lines = PieceLines(piece);
            const qsizetype whole = bytes.isEmpty() ? lines.size() : lines.size() - 1;
            for (qsizetype i = 0; i < whole; ++i) {
              if (lines.at(i).isEmpty()) continue;
              if (i % kCallBackEvery == 0) {
                const bool cancelled = vb::OnErrorGoTo(
                    [&] { return gProgressDisplay().CallBackDeleteFolder(lines.at(i)); },
                    [](const vb::ErrorInfo& e) {
                      WriteTrace(QStringLiteral("Error in HttpPost ") + e.description);
                      return false;
                    });
                if (cancelled) last = true;
              }
              if (i % kSleepEvery == 0) vb::Sleep(1);
              vb::DoEvents();
            }
          }
        }

        if (errorPage) {
          WebDavControl& dav = gWebDavControl();
          dav.dav_oper_stat_codes(static_cast<Long>(status), QStringLiteral("POST"));
          if (dav.GetDavErr().isEmpty()) dav.dav_seterrorstring(GetInetError(0));
          result = bReturnText || CallingMethods == 3 ? vb::Variant(QString()) : vb::Variant(false);
          return;
        }
        if (!invalidAccount) {
          const Long code = static_cast<Long>(win::InternetGetLastError());
          gWebDavControl().dav_seterrorstring(GetInetError(code == 0 ? 12029 : code));
        }
        if (CallingMethods == 3 || bReturnText) {
          result = vb::Variant(sent ? text : QString());
        } else {
          result = vb::Variant(sent && !invalidAccount);
        }
      },
      [&](const vb::ErrorInfo& e) { WriteTrace(QStringLiteral("Error in HttpPost ") + e.description); });
  WriteTrace(QStringLiteral("Exit httppost"));
  return result;
}

}  // namespace OrvaneSrv
