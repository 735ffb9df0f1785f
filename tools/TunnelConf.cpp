#include "tools/TunnelConf.h"

#include "platform/codepage/CodePage.h"
#include "tools/ToolPaths.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace tools {
namespace {

// "host:port" (a bracketed IPv6 address allowed); nothing when malformed.
std::optional<Endpoint> ParseEndpoint(const QString& text) {
  const qsizetype colon = text.lastIndexOf(u':');
  if (colon <= 0) return std::nullopt;
  bool ok = false;
  const int port = text.mid(colon + 1).trimmed().toInt(&ok);
  if (!ok || port < 1 || port > 65535) return std::nullopt;
  QString host = text.left(colon).trimmed();
  if (host.startsWith(u'[') && host.endsWith(u']')) host = host.mid(1, host.size() - 2);
  if (host.isEmpty() || host.contains(u' ')) return std::nullopt;
  return Endpoint{host, port};
}

QString Form(const Endpoint& e) {
  return (e.host.contains(u':') ? u'[' + e.host + u']' : e.host) + u':' + QString::number(e.port);
}

bool Clean(const QString& value) {
  for (const QChar c : value) {
    if (c.unicode() < 32) return false;
  }
  return true;
}

}  // namespace

std::optional<QMap<QString, QString>> ReadIniSection(const QByteArray& text, const QString& section) {
  QMap<QString, QString> values;
  bool found = false;
  bool inside = false;
  for (QByteArray raw : text.split('\n')) {
    if (raw.endsWith('\r')) raw.chop(1);
    const QString line = win::FromAnsi(raw).trimmed();
    if (line.startsWith(u'[')) {
      const qsizetype close = line.indexOf(u']');
      inside = close > 0 && line.mid(1, close - 1).trimmed().compare(section, Qt::CaseInsensitive) == 0;
      found = found || inside;
      continue;
    }
    if (!inside || line.startsWith(u';')) continue;
    const qsizetype eq = line.indexOf(u'=');
    if (eq <= 0) continue;
    const QString key = line.left(eq).trimmed().toLower();
    if (!values.contains(key)) values.insert(key, line.mid(eq + 1).trimmed());
  }
  if (!found) return std::nullopt;
  return values;
}

TunnelSettings BuildTunnelSettings(const QMap<QString, QString>& values, const QString& caFile) {
  TunnelSettings out;
  for (const QString& v : values) {
    if (!Clean(v)) {
      out.error = QStringLiteral("a value of section ZQWIN holds a control character");
      return out;
    }
  }
  // "accept" names the local port (an address given with it is ignored: the
  // tunnel is for this machine only).
  const QString acceptText = values.value(QStringLiteral("accept"));
  bool ok = false;
  const int acceptPort = acceptText.section(u':', -1).trimmed().toInt(&ok);
  if (!ok || acceptPort < 1 || acceptPort > 65535) {
    out.error = QStringLiteral("accept is not a port: \"%1\"").arg(acceptText);
    return out;
  }
  const auto connect = ParseEndpoint(values.value(QStringLiteral("connect")));
  if (!connect) {
    out.error = QStringLiteral("connect is not host:port: \"%1\"").arg(values.value(QStringLiteral("connect")));
    return out;
  }
  const QString destText = values.value(QStringLiteral("httpsproxy_dest"));
  const bool proxied = !destText.isEmpty();
  const auto destination = proxied ? ParseEndpoint(destText) : connect;
  if (!destination) {
    out.error = QStringLiteral("httpsproxy_dest is not host:port: \"%1\"").arg(destText);
    return out;
  }

  QString error;
  const Endpoint listen = MapConnect({QStringLiteral("localhost"), acceptPort}, &error);
  const Endpoint next = MapConnect(*connect, &error);
  const Endpoint target = MapConnect(*destination, &error);
  if (!error.isEmpty()) {
    out.error = error;
    return out;
  }
  out.listenAddress = listen.host;
  out.listenPort = listen.port;

  QStringList lines{QStringLiteral("foreground = yes"),
                    QStringLiteral("pid ="),
                    QStringLiteral("syslog = no"),
                    QStringLiteral("debug = 4"),
                    QString(),
                    QStringLiteral("[ZQWIN]"),
                    QStringLiteral("client = yes"),
                    QStringLiteral("accept = ") + Form(listen),
                    QStringLiteral("connect = ") + Form(next)};
  if (proxied) {
    lines << QStringLiteral("protocol = connect") << QStringLiteral("protocolHost = ") + Form(target);
    const QString auth = values.value(QStringLiteral("httpsproxy_auth"));
    if (values.contains(QStringLiteral("httpsproxy_auth"))) {
      const qsizetype colon = auth.indexOf(u':');
      // The credentials go to the proxy as the engine wrote them (8-bit).
      lines << QStringLiteral("protocolAuthentication = basic")
            << QStringLiteral("protocolUsername = ") + (colon < 0 ? auth : auth.left(colon))
            << QStringLiteral("protocolPassword = ") + (colon < 0 ? QString() : auth.mid(colon + 1));
    }
  }
  // The certificate must name the destination as the engine wrote it.
  lines << QStringLiteral("verifyChain = yes");
  if (QDir(QStringLiteral("/etc/ssl/certs")).exists()) lines << QStringLiteral("CApath = /etc/ssl/certs");
  if (!caFile.isEmpty()) lines << QStringLiteral("CAfile = ") + caFile;
  out.checkedHost = destination->host;
  if (IsAddressLiteral(destination->host)) {
    lines << QStringLiteral("checkIP = ") + destination->host;
  } else {
    lines << QStringLiteral("checkHost = ") + destination->host << QStringLiteral("sni = ") + destination->host;
  }
  for (const QString& line : lines) {
    const bool credential =
        line.startsWith(QStringLiteral("protocolUsername")) || line.startsWith(QStringLiteral("protocolPassword"));
    out.stunnelConfig += (credential ? win::ToAnsi(line) : QFile::encodeName(line)) + '\n';
  }
  return out;
}

QByteArray TunnelLogFilter::Feed(const QByteArray& bytes) {
  pending_ += bytes;
  QByteArray out;
  qsizetype end = pending_.indexOf('\n');
  while (end >= 0) {
    out += Line(pending_.left(end));
    pending_.remove(0, end + 1);
    end = pending_.indexOf('\n');
  }
  return out;
}

QByteArray TunnelLogFilter::Finish() {
  if (pending_.isEmpty()) return {};
  const QByteArray last = pending_;
  pending_.clear();
  return Line(last);
}

// stunnel's lines read "<date> <time> LOG<level>[<connection>]: <text>". A
// refused certificate shows first as the finding ("CERT: Pre-verification
// error: certificate has expired", "CERT: Subject checks failed" for a name
// that does not match), then as the failed handshake ("SSL_connect: ...
// certificate verify failed"). Any other error line ends its connection too.
QByteArray TunnelLogFilter::Line(const QByteArray& raw) {
  QByteArray line = raw;
  if (line.endsWith('\r')) line.chop(1);
  QByteArray out = line + '\n';
  const qsizetype tag = line.indexOf("LOG");
  const qsizetype open = tag >= 0 ? line.indexOf('[', tag) : -1;
  const qsizetype close = open >= 0 ? line.indexOf("]: ", open) : -1;
  if (tag < 0 || open < 0 || close < 0) return out;
  const QByteArray level = line.mid(tag + 3, open - tag - 3);
  const QByteArray connection = line.mid(open + 1, close - open - 1);
  const QString text = QString::fromUtf8(line.mid(close + 3)).trimmed();

  const QString preVerification = QStringLiteral("CERT: Pre-verification error: ");
  if (text.startsWith(preVerification)) {
    reasons_.insert(connection, text.mid(preVerification.size()));
  } else if (text.startsWith(QStringLiteral("CERT: Subject checks failed"))) {
    reasons_.insert(connection, QStringLiteral("the certificate does not name %1").arg(host_));
  }
  // Levels 0 to 3 are stunnel's errors.
  bool numeric = false;
  const int value = level.toInt(&numeric);
  if (!numeric || value > 3) return out;
  if (text.contains(QStringLiteral("certificate verify failed"))) {
    const QString reason = reasons_.value(connection, QStringLiteral("the certificate could not be verified"));
    out += QStringLiteral("tunnel: certificate refused: %1: %2\n").arg(host_, reason).toUtf8();
  } else {
    out += QStringLiteral("tunnel: connection failed: %1\n").arg(text).toUtf8();
  }
  reasons_.remove(connection);
  return out;
}

}  // namespace tools
