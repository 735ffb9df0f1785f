// WebDavControl: the engine's one error text and how a failing code becomes
// it (the file-error texts, the internet library's own texts, the table of
// WebDAV status texts by status and method).
#include "ZQwinSrv/foundation/EngineMessages.h"
#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "ZQwinSrv/server/WebDavRequests.h"

namespace OrvaneSrv {
namespace {

constexpr Long kCertRevocationFailed = 12057;

// The text of the unattended run when the account refuses the stored
// password: two lines, of which the logs keep the first.
QString PasswordText() {
  return QStringLiteral("Either password has been changed or '") + Engine().gsUserName +
         QStringLiteral("' account is canceled/expired.") + QStringLiteral("\r\n") +
         QStringLiteral("Click scheduler from main screen to update password or contact ") +
         QString::fromUtf16(kSupportMailAddress) + QStringLiteral(".");
}

// The status text of `code` for the method (or step) `verb`, compared
// exactly; "" for every code and method the table does not name.
QString StatusText(Long code, const QString& verb) {
  const bool unattended = Engine().giMode == 0;
  const bool moveOrCopy = verb == u"MOVE" || verb == u"COPY";
  switch (code) {
    case 207:
      return verb == u"DELETE" ? QStringLiteral("An unknown error occured during deletion.") : QString();
    case 400:
      return QStringLiteral("Bad request.");
    case 401:
      if (verb == u"PROPFIND") return unattended ? PasswordText() : QString();
      return QStringLiteral("The request requires user authentication.");
    case 403:
      if (verb == u"MKCOL") return QStringLiteral("The request is forbidden");
      if (verb == u"PROPFIND") return unattended ? PasswordText() : QString();
      return QStringLiteral("The request is forbidden.");
    case 405:
      return verb == u"MKCOL" ? QStringLiteral("The specified directory name already exists.") : QString();
    case 406:
      return QStringLiteral(
          "Not Acceptable. The resource identified by the request is only capable of generating response "
          "entities which have content characteristics not acceptable according to the accept headers sent in "
          "the request.");
    case 407:
      return QStringLiteral(
          "Proxy authentication required. This error is similar to Unauthorized, but indicates that the client "
          "MUST first authenticate itself with the proxy.");
    case 408:
      return QStringLiteral(
          "Request timeout. The client did not produce a request within the time that the server was prepared "
          "to wait. The client MAY repeat the request without modifications at any later time.");
    case 409:
      if (verb == u"MOVE") return QStringLiteral("Till one or more intermediate collections have been created.");
      if (verb == u"MKCOL") return QStringLiteral("One or more intermediate collections have to be created.");
      if (verb == u"COPY") {
        return QStringLiteral(
            "Could not copy the resource (till one or more intermediate collections have been created.)");
      }
      return {};
    case 410:
      return QStringLiteral(
          "The requested resource is no longer available at the Orvane server and no forwarding address is "
          "known. This condition SHOULD be considered permanent.");
    case 411:
      return QStringLiteral(
          "Length required. The Orvane server refuses to accept the request without a defined Content- Length.");
    case 412:
      return moveOrCopy ? QStringLiteral("The name specified already exists in the same folder.") : QString();
    case 413:
      return QStringLiteral(
          "Request entity too large. The Orvane server is refusing to process a request because the request "
          "entity is larger than the server is willing or able to process. The server may close the connection "
          "to prevent the client from continuing the request.");
    case 414:
      return QStringLiteral(
          "Request-URL Too Long. The Orvane server is refusing to service the request because the Request-URI "
          "is longer than the server is willing to interpret.");
    case 415:
      return verb == u"MKCOL" ? QStringLiteral("The Orvane server does not support the request type of the body.")
                              : QString();
    case 423:
      return moveOrCopy ? QStringLiteral("The source or the destination resource was locked.") : QString();
    case 502:
      return moveOrCopy ? QStringLiteral(
                              "This may occur when the destination is on another server and the destination "
                              "server refuses to accept the resource.")
                        : QString();
    case 503:
      return QStringLiteral(
          "Service Unavailable. The Orvane server is currently unable to handle the request due to a temporary "
          "overloading or maintenance of the server. The implication is that this is a temporary condition "
          "which will be alleviated after some delay.");
    case 507:
      return verb == u"MKCOL" ? QStringLiteral(
                                    "(Insufficient Storage) - The resource does not have sufficient space to "
                                    "record the state of the resource after the execution of this method.")
                              : QString();
    case kCertRevocationFailed:
      return QStringLiteral(
          "Security certificate revocation failed : 12057. Uncheck the option 'Check for server certificate "
          "revocation (requires restart)' present on your internet explorer menu item Tools-->Internet "
          "Options...-->Advanced-->'Check for server certificate revocation (requires restart)' and try again.");
    default:
      return {};
  }
}

}  // namespace

QString StatusReason(Long status) {
  if (status < 100 || status > 599) return {};
  QString phrase;
  switch (status) {
    case 200: phrase = QStringLiteral("OK"); break;
    case 206: phrase = QStringLiteral("Partial Content"); break;
    case 301: phrase = QStringLiteral("Moved Permanently"); break;
    case 302: phrase = QStringLiteral("Found"); break;
    case 303: phrase = QStringLiteral("See Other"); break;
    case 304: phrase = QStringLiteral("Not Modified"); break;
    case 307: phrase = QStringLiteral("Temporary Redirect"); break;
    case 308: phrase = QStringLiteral("Permanent Redirect"); break;
    case 401: phrase = QStringLiteral("Unauthorized"); break;
    case 403: phrase = QStringLiteral("Forbidden"); break;
    case 404: phrase = QStringLiteral("Not Found"); break;
    case 405: phrase = QStringLiteral("Method Not Allowed"); break;
    case 409: phrase = QStringLiteral("Conflict"); break;
    case 416: phrase = QStringLiteral("Range Not Satisfiable"); break;
    case 500: phrase = QStringLiteral("Internal Server Error"); break;
    case 501: phrase = QStringLiteral("Not Implemented"); break;
    case 502: phrase = QStringLiteral("Bad Gateway"); break;
    case 504: phrase = QStringLiteral("Gateway Timeout"); break;
    default: break;
  }
  return QStringLiteral("The Orvane server answered ") + QString::number(status) +
         (phrase.isEmpty() ? QString() : u' ' + phrase) + u'.';
}

void WebDavControl::dav_oper_stat_codes(Long code, const QString& dav_verb, Long File_error) {
  vb::OnErrorGoTo(
      [&] {
        Engine().gbCertRevocationFailed = false;
        sErrorText = GetFileErrorText(File_error);
        if (!sErrorText.isEmpty()) return;
        sErrorText = ErrorOut(code, dav_verb);
        if (!sErrorText.isEmpty()) return;
        WriteTrace(QStringLiteral("Enter dav_oper_stat_codes ") + QString::number(code) + dav_verb);
        sErrorText = StatusText(code, dav_verb);
        if (code == kCertRevocationFailed) Engine().gbCertRevocationFailed = true;
        WriteTrace(QStringLiteral("Exit dav_oper_stat_codes "));
      },
      [](const vb::ErrorInfo& e) { WriteTrace(QString::number(e.number) + e.description); });
}

QString WebDavControl::ErrorOut(Long dwError, const QString& szFunc) {
  QString text = errHandled_.description;
  vb::ResumeNext next;
  next([&] { WriteTrace(QStringLiteral("Enter ErrorOut ") + QString::number(dwError) + szFunc); });
  next([&] {
    if (text.isEmpty()) text = StripNull(FormatMessageFromModule(QStringLiteral("wininet.dll"), dwError));
  });
  next([&] { WriteTrace(QStringLiteral("Exit ErrorOut ") + QString::number(dwError) + szFunc); });
  return text;
}

QString WebDavControl::dav_geterrorstring() const { return StripNull(sErrorText); }

vb::Variant WebDavControl::dav_seterrorstring(const QString& errs) {
  sErrorText = errs;
  return {};
}

QString WebDavControl::GetDavErr() const { return sErrorText; }

}  // namespace OrvaneSrv
