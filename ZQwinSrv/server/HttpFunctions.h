#pragma once
// The engine's public class HttpFunctions: the form-post client of the
// service's scripts (paths under "/cgi-bin/") and the script operations
// built on it (folder delete, versioning, quota status, remote size, mail,
// search). The engine keeps one object, gHttpFunctions(), for its own
// lookups and script operations; the restore program creates its own for the
// sign-in lookups and the feedback mail. Every object posts on the engine's
// one internet session, which the WebDAV client keeps: a post that re-opens
// it also sets the engine's SSL flag for the WebDAV and rsync sides.

#include <QString>

#include <functional>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "ZQwinSrv/foundation/EngineState.h"
#include "platform/values/Object.h"
#include "platform/values/Variant.h"

namespace OrvaneSrv {

// What carries HttpPostGet's form post to the service: its arguments, the
// denial status in both directions, the reply text as the answer ("" when
// nothing was read). The default is the real post over the engine's session.
using ScriptPoster = std::function<QString(const QString& strServer, const QString& sPagePath,
                                           const QString& PostData, Integer CallingMethods, QString& strAccStatus,
                                           Long nDummyCallPort)>;

// The time-outs of a script post, in milliseconds. A folder delete may run
// long on the server, but it answers a line per removed item, and the
// receive time-out bounds only silence.
struct ScriptTimeouts {
  Long connect = 60000;
  Long send = 30000;
  Long receive = 30000;
};

class ORVANESRV_EXPORT HttpFunctions : public vb::Object {
 public:
  [[nodiscard]] QString TypeName() const override { return QStringLiteral("HttpFunctions"); }

  // Members in the order of the class's interface.

  // Downloads a URL on a session of its own; "" when it cannot be opened.
  QString HttpGet(const QString& strUrl);
  // Posts `PostData` as a form to `sPagePath` (the script path, with the
  // caller's trailing "?") on host `strServer`, after re-opening the
  // engine's internet session. CallingMethods 3 reads the reply and answers
  // it; any other value only sends and answers "". `strAccStatus` comes in
  // empty on a first try and comes back as "Cache Access Denied." when the
  // proxy refused the post; the caller then posts once more passing that
  // value back, which re-opens the session direct and without SSL.
  // nDummyCallPort 1 posts to port 11900, 2 to port 80, anything else to
  // 443. A reply with an HTTP status of 400 or more answers "".
  QString HttpPostGet(const QString& strServer, const QString& sPagePath, const QString& PostData,
                      Integer CallingMethods, QString& strAccStatus, Long nDummyCallPort = 0);
  // The form encoding of the service's scripts: blanks trimmed at both ends;
  // A-Z, a-z and 0-9 kept; every other character written as "%" and the two
  // upper-case hexadecimal digits of its code in the 8-bit code page ("%20",
  // "%09", "%E9", "%80" for the euro sign; "%3F" for a character the code
  // page cannot hold). The scripts read each escape as one byte of that code
  // page, as the Basic credentials of the WebDAV server carry the password;
  // a UTF-16 code of three or four digits would read as a different text.
  [[nodiscard]] QString URLEncode(const QString& sString) const;
  // Asks the delete script to remove a remote folder (with both flags, the
  // delete-list script with the path as given). True when the request was
  // sent and the reply did not name an invalid account; every 300th reply
  // line goes to the restore program's delete window, which may stop the
  // reading.
  bool DeleteRemoteFolder(const QString& sFolderPath, bool bSyncDeleteList = false, bool bIsFileDelete = false);
  // Switches file versioning on or off: 0 not sent, 2 the script answered
  // "N", 1 otherwise. `bref` is not read.
  Integer EnableFileVersioning(bool bEnable, bool bref = false);
  // "Read-Write" checks the account's status, "ZQDiskSpaceUpdate" has the
  // quota recalculated; answers as EnableFileVersioning, after 2 seconds.
  Integer CheckZqAccountStatus(const QString& Action);
  // The size of a remote folder as a size text. `sFolderPathDirect` is a
  // restore item ("D_" or "F_" and the server path); `sFolderPath` is not
  // read.
  QString GetRemoteSize(const QString& sFolderPath, const QString& sFolderPathDirect);
  // Asks the search script and writes its reply to the search result file.
  vb::Variant SearchRemoteItem(const QString& sSearchKey);
  // Asks the search script to refresh its list.
  vb::Variant RefreshSearchRemoteItem(const QString& sSearchKey);
  // The WebDAV client's path coding.
  [[nodiscard]] QString URLEncodeWebd(const QString& Unistr) const;
  // Posts a mail form to the mail script (with `sToEmail`, the form that
  // names the user's own address). `bFromMonitor` re-opens the internet
  // session first. True when the request was sent.
  bool SendEmail(const QString& emailid, const QString& subject, const QString& content,
                 const QString& sToEmail = {}, bool bFromMonitor = false);

  // Not part of the class's interface.

  // Installs the transport of every object's HttpPostGet and answers the one
  // it replaces; an empty poster installs the real one.
  static ScriptPoster SetScriptPoster(ScriptPoster poster);
  // Sets the time-outs of every later script post; answers the old ones.
  static ScriptTimeouts SetScriptTimeouts(const ScriptTimeouts& timeouts);
  // The form being built (empty between operations).
  [[nodiscard]] QString PostData() const { return sPostData; }

  // The procedures private to the class, reachable for checks.

  // The internet library's text of an error code.
  QString GetInetError(Long code);
  // The text cut before its first CR (the argument too), the result also
  // before its first NUL.
  QString StripNull(QString& text);
  // Appends a field to the mail form: CR LF before every field but the
  // first, the value encoded unless `bRaw` (the first value always).
  void AddParam(const QString& key, const QString& value, bool bRaw = false);
  // Appends a field to a script form: only the first value is encoded here;
  // callers encode secrets and search terms themselves.
  void AddScriptParam(const QString& key, const QString& value);
  // Posts on the current session and reads the whole reply: 0 not sent (or
  // answered with an HTTP error status), 2 the reply ends in "N", 1 any
  // other reply.
  Integer HttpGetAccountStatus(const QString& strServer, const QString& sPagePath, const QString& PostData);
  // Posts a form (re-opening the session first with `bReopenSession`).
  // CallingMethods 1 reads the whole reply, line by line, 3 its first piece,
  // any other value nothing. Answers the sent flag, or with `bReturnText`
  // the reply text; "Invalid account." in the reply answers false.
  vb::Variant httppost(const QString& strServer, const QString& sPagePath, const QString& PostData,
                       Integer CallingMethods, QString& strAccStatus, bool bReturnText, bool bReopenSession);

 private:
  QString sPostData;
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

// The script form's parts that need no network, shared with the checks.

// The size reply of the compute-size script ("12.50 K", LF) in kilobytes;
// 0 when it holds no "K" or no number.
[[nodiscard]] double RemoteSizeKilobytes(const QString& reply);
// URLEncode without its trimming, for values whose blanks count
// (passwords).
[[nodiscard]] QString EncodeFormValue(const QString& value);

}  // namespace OrvaneSrv
