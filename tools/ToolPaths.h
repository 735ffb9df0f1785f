#pragma once
// Paths and addresses as the outside programs receive them.
//
// The engine hands the rsync client its files in the client's POSIX form
// "/cygdrive/<drive letter>/<path>", and the redirection helper Windows
// paths; both go through the drive table of platform/paths to host paths.
// Host names and ports go through the same connect-to map as the internet
// stand-in (ORVANE_CONNECT_TO, "host:port=address:port;..."), so tests can
// send the service's host names to local servers; with no map, nothing
// changes. The tunnel's local port is looked up as "localhost:<port>" by
// both the tunnel and the client, so a test can move it off the fixed port.

#include <QString>

#include <optional>

namespace tools {

// The host path of a "/cygdrive/<d>/..." path; nothing when `path` has
// another form or its drive is not mapped.
[[nodiscard]] std::optional<QString> CygdriveToHost(const QString& path);

// The "/cygdrive/<d>/..." form of a host path under a mapped drive; empty when none holds it.
[[nodiscard]] QString HostToCygdrive(const QString& hostPath);

// The host path of a file named on a command line: a Windows path with a
// drive letter (or a UNC-less rooted "\" path) through the drive table,
// anything else as a host path.
[[nodiscard]] QString HostPathOfArgument(const QString& path);

struct Endpoint {
  QString host;
  int port = 0;
  bool operator==(const Endpoint&) const = default;
};

// Where a connection to host:port goes: the first matching rule of
// ORVANE_CONNECT_TO, else the endpoint itself ("localhost" always becomes
// 127.0.0.1, so the connection never tries ::1 where the tunnel does not
// listen). A malformed map is ignored and `error` set.
[[nodiscard]] Endpoint MapConnect(const Endpoint& target, QString* error = nullptr);

// Whether a TCP socket listens on address:port (IPv4 or IPv6 literal; read
// from /proc, without connecting: a bare connection leaves TLS and protocol
// errors in the servers' logs).
[[nodiscard]] bool IsListening(const QString& address, int port);

// Waits up to `milliseconds` for IsListening; answers the last look.
bool WaitForListener(const QString& address, int port, int milliseconds);

// Whether `host` is an IPv4 or IPv6 literal.
[[nodiscard]] bool IsAddressLiteral(const QString& host);

}  // namespace tools
