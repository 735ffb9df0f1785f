#pragma once
// The engine's public class HttpFunctions: the form-post client of the
// service's scripts (paths under "/cgi-bin/"). The engine keeps one object,
// gHttpFunctions(), for its own lookups and script operations; the restore
// program creates its own for the sign-in lookups. Every object posts through
// the one transport installed for the process.

#include <QString>

#include <functional>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "ZQwinSrv/foundation/EngineState.h"
#include "platform/values/Object.h"

namespace OrvaneSrv {

// What carries a form post to the service: the arguments of HttpPostGet, the
// denial status in both directions, the reply text as the answer ("" when
// nothing was read).
using ScriptPoster = std::function<QString(const QString& strServer, const QString& sPagePath,
                                           const QString& PostData, Integer CallingMethods, QString& strAccStatus,
                                           Long nDummyCallPort)>;

class ORVANESRV_EXPORT HttpFunctions : public vb::Object {
 public:
  [[nodiscard]] QString TypeName() const override { return QStringLiteral("HttpFunctions"); }

  // Posts `PostData` as a form to `sPagePath` (the script path, with the
  // caller's trailing "?") on host `strServer`. CallingMethods 3 reads the
  // reply and answers it; any other value only sends and answers "".
  // `strAccStatus` comes in empty on a first try and comes back as
  // "Cache Access Denied." when the proxy refused the post; the caller then
  // posts once more passing that value back. nDummyCallPort 1 posts to port
  // 11900, 2 to port 80, anything else to the default port. Nothing is
  // thrown: a failure answers "".
  QString HttpPostGet(const QString& strServer, const QString& sPagePath, const QString& PostData,
                      Integer CallingMethods, QString& strAccStatus, Long nDummyCallPort = 0);

  // The form encoding of the service's scripts: blanks trimmed at both ends;
  // A-Z, a-z and 0-9 kept; every other UTF-16 code unit written as "%" and
  // its upper-case hexadecimal digits, at least two ("%20", "%09", "%E9",
  // "%100"). There is no UTF-8 step: the scripts decode each escape to one
  // character.
  [[nodiscard]] QString URLEncode(const QString& sString) const;

  // Installs the transport of every object's HttpPostGet and answers the one
  // it replaces; an empty poster installs the default.
  static ScriptPoster SetScriptPoster(ScriptPoster poster);
};

// The engine's HttpFunctions singleton.
HttpFunctions& gHttpFunctions();

// Installs a transport for its lifetime (tests).
class ScopedScriptPoster {
 public:
  explicit ScopedScriptPoster(ScriptPoster poster) : previous_(HttpFunctions::SetScriptPoster(std::move(poster))) {}
  ~ScopedScriptPoster() { HttpFunctions::SetScriptPoster(std::move(previous_)); }
  ScopedScriptPoster(const ScopedScriptPoster&) = delete;
  ScopedScriptPoster& operator=(const ScopedScriptPoster&) = delete;

 private:
  ScriptPoster previous_;
};

}  // namespace OrvaneSrv
