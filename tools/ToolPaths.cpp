#include "tools/ToolPaths.h"

#include "platform/inet/InetConfig.h"
#include "platform/paths/WinPath.h"

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>

#include <chrono>
#include <thread>

#include <arpa/inet.h>

namespace tools {

std::optional<QString> CygdriveToHost(const QString& path) {
  static const QRegularExpression form(QStringLiteral("^/cygdrive/([A-Za-z])(?:/(.*))?$"));
  const auto m = form.match(path);
  if (!m.hasMatch()) return std::nullopt;
  const QString windows = m.captured(1).toUpper() + QStringLiteral(":\\") + QString(m.captured(2)).replace(u'/', u'\\');
  const QString host = win::ToHostPath(windows);
  if (host.isEmpty()) return std::nullopt;
  return host;
}

QString HostToCygdrive(const QString& hostPath) {
  const QString windows = win::ToWindowsPath(hostPath);
  if (windows.size() < 2 || windows.at(1) != u':') return {};
  QString rest = windows.mid(2);
  rest.replace(u'\\', u'/');
  if (rest == u"/") rest.clear();
  return QStringLiteral("/cygdrive/") + windows.at(0) + rest;
}

QString HostPathOfArgument(const QString& path) {
  const bool windowsForm = (path.size() >= 2 && path.at(1) == u':' && path.at(0).isLetter()) || path.startsWith(u'\\');
  if (!windowsForm) return path;
  return win::ToHostPath(win::FullPath(path));
}

bool IsAddressLiteral(const QString& host) {
  QString h = host;
  if (h.startsWith(u'[') && h.endsWith(u']')) h = h.mid(1, h.size() - 2);
  const QByteArray text = h.toLatin1();
  unsigned char buffer[16];
  return ::inet_pton(AF_INET, text.constData(), buffer) == 1 || ::inet_pton(AF_INET6, text.constData(), buffer) == 1;
}

Endpoint MapConnect(const Endpoint& target, QString* error) {
  Endpoint result = target;
  QString why;
  const auto rules = win::InetConfig::ParseConnectTo(qEnvironmentVariable("ORVANE_CONNECT_TO"), &why);
  if (!rules) {
    if (error) *error = why;
  } else {
    for (const win::ConnectToRule& rule : *rules) {
      if (!rule.host.isEmpty() && rule.host.compare(target.host, Qt::CaseInsensitive) != 0) continue;
      if (rule.port >= 0 && rule.port != target.port) continue;
      result.host = rule.address;
      result.port = rule.addressPort;
      break;
    }
  }
  if (result.host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)
    result.host = QStringLiteral("127.0.0.1");
  if (result.host.startsWith(u'[') && result.host.endsWith(u']'))
    result.host = result.host.mid(1, result.host.size() - 2);
  return result;
}

namespace {

// The kernel's hexadecimal form of an address in /proc/net/tcp{,6}: each
// 32-bit word of the address in network order, printed as a native
// (little-endian) number.
QByteArray ProcAddress(const unsigned char* bytes, int length) {
  QByteArray out;
  for (int word = 0; word < length / 4; ++word) {
    quint32 w = 0;
    for (int b = 3; b >= 0; --b) w = (w << 8) | bytes[word * 4 + b];
    out += QByteArray::number(w, 16).rightJustified(8, '0').toUpper();
  }
  return out;
}

}  // namespace

bool IsListening(const QString& address, int port) {
  unsigned char bytes[16];
  const QByteArray text = address.toLatin1();
  bool v4 = true;
  if (::inet_pton(AF_INET, text.constData(), bytes) != 1) {
    if (::inet_pton(AF_INET6, text.constData(), bytes) != 1) return false;
    v4 = false;
  }
  const QByteArray portHex = QByteArray::number(port, 16).rightJustified(4, '0').toUpper();
  const QByteArray exact = ProcAddress(bytes, v4 ? 4 : 16);
  const QByteArray any = v4 ? QByteArray("00000000") : QByteArray(32, '0');
  QFile file(v4 ? QStringLiteral("/proc/net/tcp") : QStringLiteral("/proc/net/tcp6"));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QList<QByteArray> lines = file.readAll().split('\n');
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QList<QByteArray> fields = lines.at(i).simplified().split(' ');
    if (fields.size() < 4 || fields.at(3) != "0A") continue;  // 0A: listening
    const QList<QByteArray> local = fields.at(1).split(':');
    if (local.size() != 2 || local.at(1).toUpper() != portHex) continue;
    const QByteArray host = local.at(0).toUpper();
    if (host == exact || host == any) return true;
  }
  return false;
}

bool WaitForListener(const QString& address, int port, int milliseconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!IsListening(address, port)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace tools
