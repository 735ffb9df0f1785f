#pragma once
// The tunnel's configuration: the engine's section "ZQWIN" in, Debian's
// stunnel configuration out.
//
// The engine writes (8-bit text, CR LF):
//   accept = 43718
//   connect = <host>:443                      no proxy
//   connect =<proxy host>:<proxy port>        through an HTTP proxy,
//   httpsproxy_dest=<host>:443                 with the destination
//   httpsproxy_auth=<user>:<password>          and, when set, its credentials
// stunnel then runs as a client in the foreground, listening on the loopback
// address only, and checks the server's certificate chain (the system's
// authorities plus ORVANE_CA_FILE) and its host name (or address).

#include <QByteArray>
#include <QMap>
#include <QString>

#include <optional>

namespace tools {

// The keys and values of `section` in an INI text (keys in lower case,
// blanks around keys and values removed); nothing when the section is missing.
[[nodiscard]] std::optional<QMap<QString, QString>> ReadIniSection(const QByteArray& text, const QString& section);

struct TunnelSettings {
  QString error;  // not empty: the configuration cannot be used
  QByteArray stunnelConfig;
  QString listenAddress;  // where the tunnel accepts, after the connect-to map
  int listenPort = 0;
};

// The stunnel configuration for the values of section "ZQWIN". `caFile`
// names extra trusted authorities (empty: the system's only).
[[nodiscard]] TunnelSettings BuildTunnelSettings(const QMap<QString, QString>& values, const QString& caFile);

}  // namespace tools
