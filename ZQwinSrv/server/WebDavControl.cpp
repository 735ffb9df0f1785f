// WebDavControl: the session, the connection, the request routine, the path
// codecs and the sign-in check. The status texts are in
// WebDavControlErrors.cpp, the listing and file sizes in
// WebDavControlListing.cpp.
#include "ZQwinSrv/server/WebDavControl.h"

#include <cstdint>

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/Processes.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/cBase64.h"
#include "ZQwinSrv/server/WebDavRequests.h"
#include "platform/clock/Clock.h"
#include "platform/codepage/CodePage.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"

namespace OrvaneSrv {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The request flags that ignore a wrong host name and an expired date in the
// server certificate, added to every request.
constexpr Long kIgnoreCertNameAndDate = 0x3000;
// The security flags set before the one resend: the two above, revocation
// and an untrusted authority.
constexpr win::DWORD kResendSecurityFlags = 0x80003180;
// HttpAddRequestHeaders: add, replacing a header of the same name.
constexpr win::DWORD kAddReplace = 0xa0000000;
// The status code as a number.
constexpr win::DWORD kStatusCodeNumber = 0x20000013;
constexpr win::DWORD kRequestTimeout = 45000;

bool IsHexDigit(QChar c) {
  const char16_t u = c.unicode();
  return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F') || (u >= u'a' && u <= u'f');
}

// A port text as the 16-bit unsigned number a port is; text that is no
// number raises 13, a number outside 0-65535 raises 6.
win::INTERNET_PORT PortNumber(const QString& sPort) {
  const double port = vb::CDbl(sPort);
  const double rounded = vb::RoundHalfEven(port);
  if (rounded < 0 || rounded > 65535) vb::Raise(vb::errOverflow);
  return static_cast<win::INTERNET_PORT>(rounded);
}

}  // namespace

WebDavControl& gWebDavControl() { return Singleton(Engine().gWebDavControl); }

WebDavControl::~WebDavControl() {
  if (hInternetSession) win::InternetCloseHandle(hInternetSession);
}

bool WebDavControl::hInternetOpen(const QString& sUserAgent, Long dAccessType, const QString& sProxyName,
                                  const QString& sProxyUser, const QString& sProxyPass) {
  return vb::OnErrorGoTo(
      [&] {
        if (hInternetSession) win::InternetCloseHandle(hInternetSession);
        hInternetSession = nullptr;
        this->sProxyUser = sProxyUser;
        this->sProxyPass = sProxyPass;
        if (gTransfer().Trf_ReadUserProfile(QStringLiteral("AutoConnect")) == u"1") SetRasAutoConnect();
        hInternetSession = win::InternetOpen(sUserAgent, static_cast<win::DWORD>(dAccessType), sProxyName, {}, 0);
        if (!hInternetSession) {
          dav_oper_stat_codes(static_cast<Long>(win::InternetGetLastError()), QStringLiteral("OPEN"));
          return false;
        }
        return true;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in hInternetOpen ") + e.description);
        return false;
      });
}

bool WebDavControl::OpenConnection(const QString& sServer, const QString& sPort, const QString& sUser,
                                   const QString& sPassword) {
  return vb::OnErrorGoTo(
      [&] {
        if (vb::Trim(sServer).isEmpty() || vb::Trim(sUser).isEmpty()) return false;
        if (hConnection) win::InternetCloseHandle(hConnection);
        hConnection = nullptr;
        cBase64 base64;
        sAuthCredential = StripNull(base64.encode(sUser + QStringLiteral(":") + sPassword));
        Engine().gsAccountRoot = QStringLiteral("/users/") + sUser + QStringLiteral("/Files/");
        hConnection = win::InternetConnect(hInternetSession, sServer, PortNumber(sPort), sUser, sPassword,
                                           win::INTERNET_SERVICE_HTTP, static_cast<win::DWORD>(lConnectFlags));
        sConnectedServer = sServer;
        sConnectedPort = QString::number(PortNumber(sPort));
        if (!hConnection) {
          dav_oper_stat_codes(static_cast<Long>(win::InternetGetLastError()), QStringLiteral("InternetConnect"));
          return false;
        }
        return true;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("OpenConnection = ") + QString::number(e.number) + e.description);
        return false;
      });
}

void WebDavControl::CloseConnection() {
  vb::OnErrorGoTo(
      [&] {
        if (hConnection) win::InternetCloseHandle(hConnection);
        hConnection = nullptr;
      },
      [](const vb::ErrorInfo& e) { WriteTrace(QString::number(e.number) + e.description); });
}

void WebDavControl::Reconnect() {
  vb::ResumeNext next;
  next([&] {
    if (hConnection) win::InternetCloseHandle(hConnection);
    hConnection = nullptr;
  });
  next([&] { CloseRequest(); });
  const EngineState& g = Engine();
  OpenConnection(g.gsServerName, g.gsWebdavPort, g.gsUserName, g.gsPassword);
}

vb::Variant WebDavControl::getInternetOpenHandle() const {
  return vb::Variant::FromLong(static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(hInternetSession)));
}

void WebDavControl::CloseRequest() {
  if (hRequest) win::InternetCloseHandle(hRequest);
  hRequest = nullptr;
}

Long WebDavControl::HttpProcessCalls(const QString& webdavaction, const QString& resource, bool IsBackup,
                                     bool bCreate) {
  Long result = 1;
  return vb::OnErrorGoTo(
      [&]() -> Long {
        CloseRequest();
        lRequestFlags = lRequestFlags | Engine().glSecureFlags | kIgnoreCertNameAndDate;

        QString objectPath = resource;
        if (bCreate) {
          objectPath = URLEncodeWebd(resource);
          // Kept from the days of one-digit escapes, when a name holding the
          // byte 6 followed by "3" came out as "%63" (a "c") and a DELETE
          // would have removed another item. Two-digit escapes write "%063",
          // so this no longer fires.
          if (objectPath.contains(QStringLiteral("%63")) && webdavaction == u"DELETE") {
            WriteTrace(QStringLiteral("Error in the delete function"));
            return result;
          }
        }

        hRequest = win::HttpOpenRequest(hConnection, webdavaction, objectPath, QStringLiteral("HTTP/1.1"), {}, {},
                                        static_cast<win::DWORD>(lRequestFlags));
        if (!hRequest) {
          result = static_cast<Long>(win::InternetGetLastError());
          Reconnect();
          return result;
        }

        // The field keeps the credential line: a second attempt puts another
        // one in front, and the add-and-replace still sends only one.
        sRequestHeaders =
            vb::Trim(QStringLiteral("Authorization: Basic ") + sAuthCredential + kCrLf + sRequestHeaders);
        if (!win::HttpAddRequestHeaders(hRequest, sRequestHeaders, static_cast<qint32>(sRequestHeaders.size()),
                                        kAddReplace)) {
          result = static_cast<Long>(win::InternetGetLastError());
          Reconnect();
          return result;
        }

        (void)win::InternetSetOption(hRequest, win::INTERNET_OPTION_CONNECT_TIMEOUT, kRequestTimeout);
        (void)win::InternetSetOption(hRequest, win::INTERNET_OPTION_SEND_TIMEOUT, kRequestTimeout);
        (void)win::InternetSetOption(hRequest, win::INTERNET_OPTION_RECEIVE_TIMEOUT, kRequestTimeout);
        if (!sProxyUser.isEmpty()) {
          (void)win::InternetSetOption(hRequest, win::INTERNET_OPTION_PROXY_USERNAME, sProxyUser);
          (void)win::InternetSetOption(hRequest, win::INTERNET_OPTION_PROXY_PASSWORD, sProxyPass);
        }
        if (IsBackup) return result;

        const QByteArray body = win::ToAnsi(OptionalHeader_);
        if (!win::HttpSendRequest(hRequest, {}, 0, body)) {
          vb::Sleep(200);
          win::DWORD error = win::InternetGetLastError();
          WriteTrace(QStringLiteral("Error in HttpSendRequest : ") + QString::number(error));
          WriteTrace(QStringLiteral("Error after first attempt for HttpSendRequest : ") + QString::number(error));
          (void)win::InternetSetOption(hRequest, win::INTERNET_OPTION_SECURITY_FLAGS,
                                       static_cast<win::DWORD>(Engine().glSecureFlags) | kResendSecurityFlags);
          vb::Sleep(200);
          const bool sent = win::HttpSendRequest(hRequest, {}, 0, body);
          vb::Sleep(200);
          error = win::InternetGetLastError();
          if (!sent) {
            WriteTrace(QStringLiteral("Error after reattempt for HttpSendRequest : ") + QString::number(error));
            result = static_cast<Long>(error);
            Reconnect();
            return result;
          }
          WriteTrace(QStringLiteral("Successful after reattempt for HttpSendRequest : ") + QString::number(error));
        }

        win::DWORD status = 0;
        if (!win::HttpQueryInfo(hRequest, kStatusCodeNumber, status)) status = 0;
        result = static_cast<Long>(status);
        WriteTrace(QStringLiteral("Exit from HttpProcessCalls with status code : ") + QString::number(result));
        return result;
      },
      [](const vb::ErrorInfo&) { return static_cast<Long>(win::InternetGetLastError()); });
}

QString WebDavControl::URLEncodeWebd(const QString& Unistr) const {
  if (vb::Trim(Unistr).isEmpty()) return {};
  const QByteArray bytes = ToUtf8(Unistr);
  QString encoded;
  encoded.reserve(bytes.size() * 3);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 47 && b <= 57) || (b >= 65 && b <= 90) || (b >= 97 && b <= 122)) {
      encoded += QChar(b);
    } else {
      // Always two digits: a one-digit escape ("%9" for a tab) is read
      // together with the next character and names another file.
      encoded += QStringLiteral("%%1").arg(static_cast<uint>(b), 2, 16, QChar(u'0')).toUpper();
    }
  }
  return encoded;
}

QString WebDavControl::convertstring(const QString& Ascstring) {
  // Every character becomes one byte: a "%" and two hexadecimal digits the
  // byte they name, any other character its 8-bit code. An escape that is no
  // hexadecimal number, and a character the code page cannot hold, leave a
  // zero byte, which ends the text. No length cap: a long path is never cut.
  QByteArray bytes;
  bytes.reserve(Ascstring.size());
  const qsizetype n = Ascstring.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = Ascstring.at(i);
    if (c == u'%' && i + 2 < n) {
      const QChar hi = Ascstring.at(i + 1);
      const QChar lo = Ascstring.at(i + 2);
      bytes.append(IsHexDigit(hi) && IsHexDigit(lo)
                       ? static_cast<char>(QStringView(Ascstring).mid(i + 1, 2).toUInt(nullptr, 16))
                       : '\0');
      i += 2;
      continue;
    }
    const int code = win::AnsiCode(c);
    bytes.append(code < 0 ? '\0' : static_cast<char>(code));
  }
  const qsizetype zero = bytes.indexOf('\0');
  if (zero >= 0) bytes.truncate(zero);
  return StripNull(win::FromUtf8(bytes));
}

QString WebDavControl::ReverseConvertString(const QString& sActualString) {
  return vb::OnErrorGoTo(
      [&] {
        QString converted;
        converted.reserve(sActualString.size());
        for (const QChar c : sActualString) {
          if (c == u'#') {
            converted += QStringLiteral("%23");
          } else if (c == u'%') {
            converted += QStringLiteral("%25");
          } else {
            converted += c;
          }
        }
        return converted;
      },
      [&](const vb::ErrorInfo& e) {
        const HandledError handling(errHandled_, e);
        dav_oper_stat_codes(static_cast<Long>(win::InternetGetLastError()), QStringLiteral("ReverseConvert"));
        return QString();
      });
}

bool WebDavControl::CheckLogin() {
  return vb::OnErrorGoTo(
      [&] {
        sRequestHeaders = kPropfindHeaders;
        OptionalHeader_ = PropfindBody(Engine().gsServerName + Engine().gsAccountRoot, kCheckLoginProps);
        lRequestFlags = static_cast<Long>(win::INTERNET_FLAG_NO_CACHE_WRITE);
        sErrorText.clear();
        Long status = HttpProcessCalls(QStringLiteral("PROPFIND"), Engine().gsAccountRoot, false, true);
        if (status != 207) status = HttpProcessCalls(QStringLiteral("PROPFIND"), Engine().gsAccountRoot, false, true);
        if (status != 207) {
          dav_oper_stat_codes(status, QStringLiteral("PROPFIND"));
          return false;
        }
        return true;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Problem in login, Reason : ") + e.description);
        WriteTrace(QStringLiteral("Exit  CheckLogin  ") + QStringLiteral("False"));
        return false;
      });
}

}  // namespace OrvaneSrv
