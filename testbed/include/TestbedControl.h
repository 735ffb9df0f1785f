// The control API of the service double, for C++ end-to-end tests that run
// inside testbed/run (testbed/README.md): faults, account state, the request
// log. Plain HTTP/1.0 on loopback over a socket of its own, so a test can
// call it whatever stand-ins it has replaced or broken.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testbed {

// True inside testbed/run.
inline bool Running() { return !qEnvironmentVariableIsEmpty("TESTBED_CONTROL_URL"); }

// A test's program folder links the outside programs of the build's program
// folder. The file there that the engine writes, the tunnel's configuration,
// must be the test's own copy: through a link, tests running at once would
// write (and a starting tunnel read) one shared file in the build folder.
inline void OwnTheWrittenFiles(const QString& programFolder) {
  const QString path = programFolder + QStringLiteral("/SSLInteractive.conf");
  const QFileInfo info(path);
  if (!info.isSymLink()) return;
  QByteArray bytes;
  QFile shipped(info.symLinkTarget());
  if (shipped.open(QIODevice::ReadOnly)) bytes = shipped.readAll();
  QFile::remove(path);
  QFile own(path);
  if (own.open(QIODevice::WriteOnly)) own.write(bytes);
}

// A loopback port that was free a moment ago (for a listener of a test's own).
inline int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

// One request to the control endpoint; answers the reply body (empty when
// the double could not be reached).
inline QByteArray Control(const QString& verb, const QString& target, const QJsonValue& json = {}) {
  const QUrl url(qEnvironmentVariable("TESTBED_CONTROL_URL"));
  QByteArray body = "{}";
  if (json.isArray()) body = QJsonDocument(json.toArray()).toJson(QJsonDocument::Compact);
  if (json.isObject()) body = QJsonDocument(json.toObject()).toJson(QJsonDocument::Compact);
  const QByteArray request = verb.toLatin1() + ' ' + target.toUtf8() + " HTTP/1.0\r\nHost: 127.0.0.1\r\n" +
                             "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) +
                             "\r\n\r\n" + body;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return {};
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(url.port()));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  QByteArray reply;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    qsizetype sent = 0;
    while (sent < request.size()) {
      const ssize_t n = ::write(fd, request.constData() + sent, static_cast<size_t>(request.size() - sent));
      if (n <= 0) break;
      sent += n;
    }
    char piece[8192];
    for (ssize_t n; (n = ::read(fd, piece, sizeof piece)) > 0;) reply.append(piece, n);
  }
  ::close(fd);
  const qsizetype head = reply.indexOf("\r\n\r\n");
  return head < 0 ? QByteArray() : reply.mid(head + 4);
}

inline QJsonObject ControlObject(const QString& verb, const QString& target, const QJsonValue& json = {}) {
  return QJsonDocument::fromJson(Control(verb, target, json)).object();
}

// A connection fault of one listener ("rsync", "rsync-tls", "proxy", ...).
inline void ListenerFault(const QString& listener, const QJsonObject& fault) {
  Control("POST", "/listener_faults", QJsonObject{{"listener", listener}, {"fault", fault}});
}

// A request fault: `match` as the README's table, `fault` with its effect.
inline void RequestFault(const QJsonObject& match, const QJsonObject& fault) {
  Control("POST", "/faults", QJsonObject{{"match", match}, {"fault", fault}});
}

// Everything back as the double started: no faults, good certificates, an
// empty log, the account state reset (with `data` the served tree too).
inline void Reset(bool data = false) { Control("POST", "/reset", QJsonObject{{"data", data}}); }

// The request log since the last reset.
inline QJsonArray Log() { return QJsonDocument::fromJson(Control("GET", "/log?since=0")).array(); }

// "METHOD target status" of each logged request, for comparing sequences.
inline QStringList Requests() {
  QStringList lines;
  for (const QJsonValue& entry : Log()) {
    const QJsonObject e = entry.toObject();
    lines << e["method"].toString() + " " + e["target"].toString() + " " + QString::number(e["status"].toInt());
  }
  return lines;
}

}  // namespace testbed
