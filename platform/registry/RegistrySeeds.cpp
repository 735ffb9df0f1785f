#include "platform/registry/RegistrySeeds.h"

#include "platform/paths/WinPath.h"
#include "platform/system/SpecialFolders.h"

#include <QFile>
#include <QStringList>
#include <QSysInfo>
#include <QUrl>
#include <QtEndian>

#include <array>

namespace win {
namespace {

const QString kInternetSettings = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
const QString kShellFolders = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
const QString kWindowsNtCurrentVersion = QStringLiteral("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
const QString kRemoteAccess = QStringLiteral("RemoteAccess");

struct SystemKey {
  HKEY root;
  const QString* path;
  std::vector<const char*> names;
};

const std::vector<SystemKey>& SystemKeys() {
  static const std::vector<SystemKey> keys = {
      {HKEY_CURRENT_USER, &kInternetSettings, {"ProxyEnable", "ProxyServer"}},
      {HKEY_CURRENT_USER, &kShellFolders, {"Desktop", "Personal", "My Music", "My Pictures", "My Video"}},
      {HKEY_CURRENT_USER, &kRemoteAccess, {}},
      {HKEY_LOCAL_MACHINE, &kWindowsNtCurrentVersion, {"ProductName", "CurrentVersion"}},
  };
  return keys;
}

bool Same(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }

RegistryValue Text(const QString& name, const QString& text) {
  QByteArray data;
  for (QChar c : text + QChar(0)) {
    const quint16 u = qToLittleEndian<quint16>(c.unicode());
    data.append(reinterpret_cast<const char*>(&u), 2);
  }
  return {name, REG_SZ, data};
}

RegistryValue Dword(const QString& name, quint32 n) {
  QByteArray data(4, '\0');
  qToLittleEndian<quint32>(n, data.data());
  return {name, REG_DWORD, data};
}

std::optional<QString> HostProxy() {
  for (const char* var : {"https_proxy", "HTTPS_PROXY", "http_proxy", "HTTP_PROXY"}) {
    const QString text = qEnvironmentVariable(var).trimmed();
    if (text.isEmpty()) continue;
    return ProxyHostPort(text);  // the first variable set decides, as for the transfer library
  }
  return std::nullopt;
}

std::vector<RegistryValue> ShellFolders() {
  struct Folder {
    const char* name;
    SpecialFolder folder;
  };
  const std::array<Folder, 5> folders = {{
      {"Desktop", SpecialFolder::Desktop},
      {"Personal", SpecialFolder::Documents},
      {"My Music", SpecialFolder::Music},
      {"My Pictures", SpecialFolder::Pictures},
      {"My Video", SpecialFolder::Videos},
  }};
  std::vector<RegistryValue> out;
  for (const Folder& f : folders) {
    const QString windows = SpecialFolderPath(f.folder);
    if (!windows.isEmpty()) out.push_back(Text(QString::fromLatin1(f.name), windows));
  }
  return out;
}

QString OsReleaseValue(const QByteArray& osRelease, const QString& key) {
  for (const QString& raw : QString::fromUtf8(osRelease).split(u'\n')) {
    const QString line = raw.trimmed();
    const qsizetype eq = line.indexOf(u'=');
    if (eq <= 0 || line.left(eq) != key) continue;
    QString value = line.mid(eq + 1);
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front()) {
      const bool doubleQuoted = value.front() == u'"';
      value = value.mid(1, value.size() - 2);
      if (doubleQuoted) {
        QString unescaped;
        for (qsizetype i = 0; i < value.size(); ++i) {
          if (value[i] == u'\\' && i + 1 < value.size()) ++i;
          unescaped += value[i];
        }
        value = unescaped;
      }
    }
    return value;
  }
  return {};
}

}  // namespace

bool IsSystemKey(HKEY root, const QString& path) {
  if (path.isEmpty()) return true;
  for (const SystemKey& k : SystemKeys()) {
    if (k.root != root) continue;
    if (Same(*k.path, path) || k.path->startsWith(path + u'\\', Qt::CaseInsensitive)) return true;
  }
  return false;
}

bool IsSystemValueName(HKEY root, const QString& path, const QString& name) {
  for (const SystemKey& k : SystemKeys()) {
    if (k.root != root || !Same(*k.path, path)) continue;
    for (const char* n : k.names)
      if (Same(QString::fromLatin1(n), name)) return true;
  }
  return false;
}

std::vector<RegistryValue> SystemValues(HKEY root, const QString& path, const QString& osReleaseFile) {
  if (root == HKEY_CURRENT_USER && Same(path, kInternetSettings)) {
    const auto proxy = HostProxy();
    if (!proxy) return {Dword(QStringLiteral("ProxyEnable"), 0)};
    return {Dword(QStringLiteral("ProxyEnable"), 1), Text(QStringLiteral("ProxyServer"), *proxy)};
  }
  if (root == HKEY_CURRENT_USER && Same(path, kShellFolders)) return ShellFolders();
  if (root == HKEY_LOCAL_MACHINE && Same(path, kWindowsNtCurrentVersion)) {
    QFile f(osReleaseFile);
    QString product = f.open(QIODevice::ReadOnly) ? ProductNameFromOsRelease(f.readAll()) : QString();
    if (product.isEmpty()) product = QSysInfo::prettyProductName();
    // Windows has kept "CurrentVersion" at 6.3 since 8.1 (newer releases give
    // their numbers in other values), so readers see a current NT 6 system.
    return {Text(QStringLiteral("ProductName"), product),
            Text(QStringLiteral("CurrentVersion"), QStringLiteral("6.3"))};
  }
  return {};
}

std::optional<QString> ProxyHostPort(const QString& proxyVariable) {
  QString text = proxyVariable.trimmed();
  if (text.isEmpty()) return std::nullopt;
  if (!text.contains(QStringLiteral("://"))) text.prepend(QStringLiteral("http://"));
  const QUrl url(text, QUrl::TolerantMode);
  if (!url.isValid() || url.host().isEmpty()) return std::nullopt;
  const bool https = url.scheme().compare(QStringLiteral("https"), Qt::CaseInsensitive) == 0;
  const int port = url.port(https ? 443 : 1080);
  const QString host = url.host().contains(u':') ? u'[' + url.host() + u']' : url.host();
  return host + u':' + QString::number(port);
}

QString ProductNameFromOsRelease(const QByteArray& osRelease) {
  const QString pretty = OsReleaseValue(osRelease, QStringLiteral("PRETTY_NAME"));
  if (!pretty.isEmpty()) return pretty;
  return (OsReleaseValue(osRelease, QStringLiteral("NAME")) + u' ' +
          OsReleaseValue(osRelease, QStringLiteral("VERSION")))
      .trimmed();
}

}  // namespace win
