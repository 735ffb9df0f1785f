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
  QString checkedHost;  // the name (or address) the certificate must carry
};

// The stunnel configuration for the values of section "ZQWIN". `caFile`
// names extra trusted authorities (empty: the system's only).
[[nodiscard]] TunnelSettings BuildTunnelSettings(const QMap<QString, QString>& values, const QString& caFile);

// What stunnel writes to its standard error, passed on unchanged, with one
// verdict line of the tunnel's own after each connection that failed:
//   tunnel: certificate refused: <host>: <reason>
//   tunnel: connection failed: <stunnel's error text>
// The engine reads the first kind after a failed run: a refused certificate
// is never retried and never sends the route to the plain port.
class TunnelLogFilter {
 public:
  explicit TunnelLogFilter(QString checkedHost) : host_(std::move(checkedHost)) {}
  // The text to write for the next bytes of stunnel's standard error.
  [[nodiscard]] QByteArray Feed(const QByteArray& bytes);
  // What is left at the end.
  [[nodiscard]] QByteArray Finish();

 private:
  QByteArray Line(const QByteArray& line);

  QString host_;
  QByteArray pending_;
  QMap<QByteArray, QString> reasons_;  // the certificate finding of each connection
};

}  // namespace tools
