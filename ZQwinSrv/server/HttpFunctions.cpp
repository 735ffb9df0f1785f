#include "ZQwinSrv/server/HttpFunctions.h"

#include <utility>

#include "ZQwinSrv/foundation/Options.h"
#include "platform/errors/RuntimeError.h"
#include "platform/text/Strings.h"

namespace OrvaneSrv {
namespace {

// The transport over the engine's internet session (session re-open, SSL
// flag, proxy, resend, denial detection) comes with the WebDAV and script
// work; until then no post leaves the engine and every post answers as one
// that could not be sent.
QString NoTransport(const QString& /*strServer*/, const QString& /*sPagePath*/, const QString& /*PostData*/,
                    Integer /*CallingMethods*/, QString& /*strAccStatus*/, Long /*nDummyCallPort*/) {
  return {};
}

ScriptPoster& InstalledPoster() {
  static ScriptPoster poster = NoTransport;
  return poster;
}

bool KeptByUrlEncode(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
}

}  // namespace

HttpFunctions& gHttpFunctions() { return Singleton(Engine().gHttpFunctions); }

ScriptPoster HttpFunctions::SetScriptPoster(ScriptPoster poster) {
  if (!poster) poster = NoTransport;
  return std::exchange(InstalledPoster(), std::move(poster));
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

QString HttpFunctions::URLEncode(const QString& sString) const {
  const QString text = vb::Trim(sString);
  QString encoded;
  encoded.reserve(text.size() * 3);
  for (const QChar ch : text) {
    const char16_t c = ch.unicode();
    if (KeptByUrlEncode(c)) {
      encoded += ch;
    } else {
      encoded += u'%';
      if (c < 16) encoded += u'0';
      encoded += QString::number(c, 16).toUpper();
    }
  }
  return encoded;
}

}  // namespace OrvaneSrv
