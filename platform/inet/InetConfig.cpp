#include "platform/inet/InetConfig.h"

#include <QStringList>
#include <QtGlobal>

namespace win {
namespace {

// "host:port" or "[v6]:port"; an empty port text is left empty.
bool SplitHostPort(const QString& text, QString& host, QString& port) {
  if (text.startsWith(QLatin1Char('['))) {
    const qsizetype close = text.indexOf(QLatin1Char(']'));
    if (close < 0) return false;
    host = text.left(close + 1);
    const QString rest = text.mid(close + 1);
    if (rest.isEmpty()) {
      port.clear();
      return true;
    }
    if (!rest.startsWith(QLatin1Char(':'))) return false;
    port = rest.mid(1);
    return true;
  }
  const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
  if (colon < 0) {
    host = text;
    port.clear();
    return true;
  }
  if (text.indexOf(QLatin1Char(':')) != colon) return false;  // a bare IPv6 address needs brackets
  host = text.left(colon);
  port = text.mid(colon + 1);
  return true;
}

int ParsePort(const QString& text) {
  bool ok = false;
  const int port = text.toInt(&ok);
  return (ok && port >= 1 && port <= 65535) ? port : 0;
}

bool IsHostText(const QString& host) {
  for (const QChar c : host) {
    if (c.isSpace() || c == QLatin1Char('=') || c == QLatin1Char(';') || c.unicode() < 32) return false;
  }
  return true;
}

}  // namespace

std::string ConnectToRule::CurlForm() const {
  const QString text = host + QLatin1Char(':') + (port < 0 ? QString() : QString::number(port)) + QLatin1Char(':') +
                       address + QLatin1Char(':') + QString::number(addressPort);
  return text.toStdString();
}

std::optional<std::vector<ConnectToRule>> InetConfig::ParseConnectTo(const QString& text, QString* error) {
  std::vector<ConnectToRule> rules;
  auto fail = [&](const QString& entry, const char* why) {
    if (error) *error = QStringLiteral("ORVANE_CONNECT_TO entry \"%1\": %2").arg(entry, QLatin1String(why));
    return std::nullopt;
  };
  for (const QString& raw : text.split(QLatin1Char(';'))) {
    const QString entry = raw.trimmed();
    if (entry.isEmpty()) continue;
    const qsizetype eq = entry.indexOf(QLatin1Char('='));
    if (eq < 0 || entry.indexOf(QLatin1Char('='), eq + 1) >= 0) return fail(entry, "expected host:port=address:port");
    QString fromHost, fromPort, toHost, toPort;
    if (!SplitHostPort(entry.left(eq).trimmed(), fromHost, fromPort)) return fail(entry, "bad host:port before \"=\"");
    if (!SplitHostPort(entry.mid(eq + 1).trimmed(), toHost, toPort)) return fail(entry, "bad address:port after \"=\"");
    ConnectToRule rule;
    if (fromHost.isEmpty()) return fail(entry, "missing host (use * for any host)");
    if (fromHost != QLatin1String("*")) {
      if (!IsHostText(fromHost)) return fail(entry, "bad host");
      rule.host = fromHost;
    }
    if (!fromPort.isEmpty() && fromPort != QLatin1String("*")) {
      rule.port = ParsePort(fromPort);
      if (rule.port == 0) return fail(entry, "bad port before \"=\"");
    }
    if (toHost.isEmpty() || toHost == QLatin1String("*") || !IsHostText(toHost)) return fail(entry, "bad address");
    rule.address = toHost;
    rule.addressPort = ParsePort(toPort);
    if (rule.addressPort == 0) return fail(entry, "bad or missing port after \"=\"");
    rules.push_back(rule);
  }
  return rules;
}

std::optional<InetConfig> InetConfig::Parse(const QString& connectTo, const QString& caFile,
                                            const QString& insecureTls, QString* error) {
  InetConfig config;
  auto rules = ParseConnectTo(connectTo, error);
  if (!rules) return std::nullopt;
  config.connectTo = std::move(*rules);
  config.caFile = caFile.trimmed();
  const QString insecure = insecureTls.trimmed();
  if (insecure == QLatin1String("1")) {
    config.insecureTls = true;
  } else if (!insecure.isEmpty() && insecure != QLatin1String("0")) {
    if (error) *error = QStringLiteral("ORVANE_INSECURE_TLS must be 0 or 1, not \"%1\"").arg(insecure);
    return std::nullopt;
  }
  return config;
}

std::optional<InetConfig> InetConfig::FromEnvironment(QString* error) {
  return Parse(qEnvironmentVariable("ORVANE_CONNECT_TO"), qEnvironmentVariable("ORVANE_CA_FILE"),
               qEnvironmentVariable("ORVANE_INSECURE_TLS"), error);
}

}  // namespace win
