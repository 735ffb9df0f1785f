#pragma once
// System values: the values the system itself keeps in the registry and the
// program only reads, answered from the host instead of from a hive file.
// They are read-only (writing or deleting one gives ERROR_ACCESS_DENIED) and
// never written to a file, so they follow the host as it changes.
//
//   HKEY_CURRENT_USER "Software\Microsoft\Windows\CurrentVersion\Internet Settings"
//     "ProxyEnable" REG_DWORD  1 when $https_proxy or $http_proxy (either case) names a proxy, else 0
//     "ProxyServer" REG_SZ     "host:port" of that proxy (missing when there is none)
//   HKEY_CURRENT_USER "Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders"
//     "Desktop", "Personal", "My Music", "My Pictures", "My Video" REG_SZ
//                              the user's XDG folders, in Windows form (missing when no drive holds one)
//   HKEY_LOCAL_MACHINE "SOFTWARE\Microsoft\Windows NT\CurrentVersion"
//     "ProductName"    REG_SZ  PRETTY_NAME of /etc/os-release
//     "CurrentVersion" REG_SZ  "6.3"
//   HKEY_CURRENT_USER "RemoteAccess": the key only (the dial-up settings write into it).
//
// The keys above and their parents always exist. The browser's "Version" and
// "Favorites" have no host equivalent and are not answered.

#include "platform/registry/RegistryHive.h"
#include "platform/registry/RegistryTypes.h"

#include <QString>

#include <optional>
#include <vector>

namespace win {

// The system keys, without case: `path` is a system key or a parent of one.
[[nodiscard]] bool IsSystemKey(HKEY root, const QString& path);

// `name` is one of the system values of `path` (whether or not the host has
// a value for it right now).
[[nodiscard]] bool IsSystemValueName(HKEY root, const QString& path, const QString& name);

// The system values of `path` as the host gives them now.
[[nodiscard]] std::vector<RegistryValue> SystemValues(HKEY root, const QString& path, const QString& osReleaseFile);

// "host:port" of a proxy variable's text ("http://user:pw@proxy:3128/",
// "proxy:8080", "https://proxy"); nothing when it names no host. Without a
// port: 443 for an https proxy, else 1080 as the transfer library assumes.
[[nodiscard]] std::optional<QString> ProxyHostPort(const QString& proxyVariable);

// The operating system's name from the text of an os-release file:
// PRETTY_NAME, else NAME and VERSION; empty when neither is there.
[[nodiscard]] QString ProductNameFromOsRelease(const QByteArray& osRelease);

}  // namespace win
