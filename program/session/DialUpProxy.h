#pragma once
// The platform work of the proxy and dial-up settings window: the dial-up
// phonebook's entries, registry values of the dial-up and Internet
// settings, the proxy the Internet settings name, and the saved proxy
// loaded back into Program().ProxySettings.
//
//   "Software\Microsoft\Windows\CurrentVersion\Internet Settings"
//       "EnableAutoDial", "GlobalUserOffline" (DWORD), "ProxyEnable" (DWORD),
//       "ProxyServer" (text)
//   "RemoteAccess\Profile\<entry>"  "AutoConnect" (DWORD)
//   "RemoteAccess"                  "InternetProfile" (text, the default entry)

#include <QString>

#include "program/foundation/ProgramState.h"
#include "platform/registry/RegistryTypes.h"
#include "platform/values/Variant.h"

namespace OrvaneMac::modGeneral {

// Appends the names of the phonebook's entries ("": the default
// phonebook) to Program().DialUpEntryList. Traces its entry and exit; a
// failure is traced and keeps the names appended so far.
void GetRASEntries(const QString& phonebook);

// The system error code of the last phonebook or registry call these
// helpers made (0 when it succeeded): the last error a failure trace of
// their callers reports.
[[nodiscard]] long LastDllError();

// A value as text: a string up to its first CR or NUL, a DWORD as its
// decimal text; "" when the key or the value is missing. A string larger
// than 6144 bytes reads as "".
[[nodiscard]] QString ReadRegistryString(win::HKEY hive, const QString& subkey, const QString& valueName);

// Puts a string (as text) or a DWORD (as a number) of an open key into
// `value`; leaves it unchanged for any other type or a missing value.
Long QueringRegValue(win::HKEY key, const QString& valueName, vb::Variant& value);

// Writes one value of an existing key (type 1 REG_SZ, 4 REG_DWORD); a key
// that does not exist is not created.
void SetKeyValue(win::HKEY hive, const QString& subkey, const QString& valueName, const vb::Variant& value, Long type);
// Writes one value into an open key; the registry's result (0 also for
// types other than 1 and 4, which write nothing).
Long SetValueEx(win::HKEY key, const QString& valueName, Long type, const vb::Variant& value);

// Loads the saved proxy (host, port, user of section "Proxy" and the proxy
// password) into Program().ProxySettings; without a saved host the record
// keeps its values.
void LoadProxySetting();

// The host and port of the proxy the platform's Internet settings name
// while a proxy is enabled; false (and the out values unchanged) when none
// is enabled or its text has no ":".
bool GetIEProxySettings(QString& host, QString& port);

// The host and port of a proxy server text: the first entry that contains
// "http" (of "proto=host:port;..." lists) or the whole text; the host is
// what lies between the first "=" (or the start) and the last ":", the
// port what follows that ":". Raises 5 when no ":" follows the "=".
void SplitProxyServer(QString s, QString& host, QString& port);

}  // namespace OrvaneMac::modGeneral
