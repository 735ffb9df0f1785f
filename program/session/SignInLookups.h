#pragma once
// The small services of the sign-in road: the service lookups it posts (the
// hosts, the "Cache Access Denied." repeat), the server-location lookup that
// fills the user's server profile, the e-mail check, the form encoding of
// lookup values and the log trimming of the first sign-in of a run.
//
//   lookup                      host                 path
//   e-mail to account names     service's web host   "/cgi-bin/orvanee_get_email_user.cgi?"
//     (repeated after a denial)  account lookup host  "/cgi-bin/get_email_user?"
//   account type                service's web host   "/cgi-bin/orvanee_get_tessara_and_orvane?"
//   e-mail, second chance       service's web host   "/cgi-bin/get_email_user?"
//   server location             account lookup host  "/cgi-bin/get_location_all_webdav?"

#include <QString>

#include "program/foundation/ProgramState.h"

namespace OrvaneSrv {
class HttpFunctions;
}

namespace OrvaneMac {

// The service's host names the sign-in uses. The web host and the account
// lookup host are the engine's (OrvaneSrv::CurrentServiceHosts()); the
// older product's web host is only compared with a location reply.
struct SignInHosts {
  QString webHost;
  QString lookupHost;
  QString olderWebHost;
};
[[nodiscard]] SignInHosts CurrentSignInHosts();
// The older product's web host in force (tests point it elsewhere; an
// empty text restores the built-in one).
void SetOlderWebHost(const QString& host);

// The program's engine form-post client for the session opening and the
// server-location lookup, created on first use and kept for the run.
OrvaneSrv::HttpFunctions& SharedHttpFunctions();

// The text of a reply without its carriage returns and line feeds.
[[nodiscard]] QString WithoutLineBreaks(QString text);

}  // namespace OrvaneMac

namespace OrvaneMac::modGeneral {

// Posts a lookup form (calling method 3, port choice 0) and answers the
// reply; a "Cache Access Denied." status (any letter case) posts it once
// more, to `retryHost` and `retryPath` when given, else to the same place.
[[nodiscard]] QString PostLookup(OrvaneSrv::HttpFunctions& http, const QString& host, const QString& path,
                                 const QString& body, const QString& retryHost = {},
                                 const QString& retryPath = {});

// True when `text` holds an "@" that is not directly followed by "." and a
// "." comes at least two places after the "@".
[[nodiscard]] bool IsValidEmail(const QString& text);

// The form encoding of a lookup value (blanks trimmed first; letters and
// digits kept, every other character "%" and the upper-case hexadecimal
// digits of its code in the 8-bit code page: "%20" for a blank, "%80" for the
// euro sign, "%3F" for a character the code page cannot hold). Every caller
// passes flag 0; with a non-zero flag the text is one decimal character code
// to encode.
[[nodiscard]] QString URLEncode(const QString& text, Integer flag = 0);

// Writes `key` = `value` (both trimmed) into section "Orvane" of the
// server profile "orvaneserver.ini" in the folder of `user` (trimmed) in
// the application folder, creating that folder when missing.
void WriteUserServerProfile(const QString& key, const QString& value, const QString& user);

// Keeps the looked-up server name (Program().ServerName).
void setServername(const QString& name);

// Asks the service for the servers of `user` (trimmed) and writes them into
// the user's server profile; a reply of fewer than five blank-separated
// fields writes nothing.
void LookUpUserServers(const QString& user);

// Empties the transfer log and the trace file when they exceed 100000
// bytes (an empty UTF-16 file takes the place of each). Never fails.
void TrimLogFiles();

}  // namespace OrvaneMac::modGeneral
