#pragma once
// The one configuration point of the internet stand-in: three environment
// variables read when a session opens (README.md beside this file). In
// production none is set. Private to platform/inet.

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace win {

struct ConnectToRule {
  QString host;      // empty: any host ("*")
  int port = -1;     // -1: any port ("*" or left out)
  QString address;   // where to connect instead (an IPv6 address in brackets)
  int addressPort = 0;

  // The form CURLOPT_CONNECT_TO takes: "host:port:address:port".
  [[nodiscard]] std::string CurlForm() const;
  bool operator==(const ConnectToRule&) const = default;
};

struct InetConfig {
  std::vector<ConnectToRule> connectTo;  // ORVANE_CONNECT_TO
  QString caFile;                        // ORVANE_CA_FILE: trusted besides the system's certificates
  bool insecureTls = false;              // ORVANE_INSECURE_TLS=1: the legacy ignore flags work

  // "host:port=address:port;..." ("*" for any host or port); blanks around the
  // entries and empty entries are allowed. nullopt and a reason when malformed.
  [[nodiscard]] static std::optional<std::vector<ConnectToRule>> ParseConnectTo(const QString& text, QString* error);

  // The three values as read from the environment; nullopt and a reason when
  // one is malformed (ORVANE_INSECURE_TLS accepts "", "0" and "1").
  [[nodiscard]] static std::optional<InetConfig> Parse(const QString& connectTo, const QString& caFile,
                                                       const QString& insecureTls, QString* error);
  [[nodiscard]] static std::optional<InetConfig> FromEnvironment(QString* error);
};

}  // namespace win
