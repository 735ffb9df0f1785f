#pragma once
// The SSL tunnel's configuration, the user's proxy settings in the engine
// state, and the WebDAV server name.
//
// The rsync route reaches the service's rsync daemon through an outside SSL
// tunnel that accepts the client on a local port and forwards to the server,
// directly or through an HTTPS proxy. Its configuration file is rewritten
// before each tunnel start from the proxy values that LoadProxySettings put
// into the engine state.

#include <QString>

#include "ZQwinSrv/foundation/EngineState.h"

namespace OrvaneSrv {

// The local port the tunnel accepts the rsync client on.
inline constexpr int kTunnelAcceptPort = 43718;

// The lines of section "ZQWIN" for a destination ("host:443") and the four
// proxy values, joined with CR LF (no line end after the last line):
// - no proxy (all four empty): accept, "connect = " destination;
// - a proxy host or port but neither user nor password: accept,
//   "connect =" proxy (no blank: the tunnel takes it as it is), the
//   destination behind the proxy;
// - a proxy user or password: accept, "connect = " proxy, the destination,
//   "httpsproxy_auth=" user ":" password.
[[nodiscard]] QString TunnelConfLines(const QString& destination, const QString& proxyName, const QString& proxyPort,
                                      const QString& proxyUser, const QString& proxyPass);

// Writes section "ZQWIN" of the tunnel configuration `sConfPath` (Windows
// form), replacing whatever the section held and keeping other sections. The
// destination is the fixed rsync-over-SSL server with `bFixedServer`, else
// the user's "RSYNCSERVER" (looked up when the profile lacks it), followed by
// ":443". `lUnused` is kept for the callers and has no effect.
//
// The file can hold the proxy password in plain text, so it is readable by
// its owner only. A proxy or host value holding a line break (or a NUL)
// would let it add lines of its own to the tunnel's configuration: nothing is
// written then. Every failure leaves the trace "error in updating conf file: "
// and the reason; a file that existed keeps what it held.
void WriteTunnelConf(const QString& sConfPath, Long lUnused, bool bFixedServer);

// Loads the proxy name, port, user and password of the user profile into
// the engine state; all four are emptied while secure transport is off (no
// tunnel, no proxy for the scripts).
void LoadProxySettings();

// Makes `host` the WebDAV server of every later request.
void setServername(const QString& host);

}  // namespace OrvaneSrv
