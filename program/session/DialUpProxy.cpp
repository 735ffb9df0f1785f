#include "program/session/DialUpProxy.h"

#include <vector>

#include "program/foundation/Options.h"
#include "program/foundation/SettingsStores.h"
#include "program/foundation/SystemHelpers.h"
#include "program/foundation/modReg.h"
#include "program/session/Transfer.h"
#include "platform/dialup/Phonebook.h"
#include "platform/errors/RuntimeError.h"
#include "platform/registry/Registry.h"

namespace OrvaneMac::modGeneral {
namespace {

const QString kInternetSettings = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
// The program's own failure numbers start here (the automation base).
constexpr long kObjectError = -2147221504L;
constexpr int kStringBufferBytes = 6144;

long gLastDllError = 0;

}  // namespace

long LastDllError() { return gLastDllError; }

void GetRASEntries(const QString& phonebook) {
  WriteTrace(QStringLiteral("Enter GetRASentries"));
  win::DWORD answer = 0;
  vb::OnErrorGoTo(
      [&] {
        std::vector<win::RasEntryName> entries(1);
        entries[0].dwSize = win::RASENTRYNAMEA_SIZE;
        win::DWORD cb = win::RASENTRYNAMEA_SIZE;
        win::DWORD count = 0;
        answer = win::RasEnumEntries(phonebook, entries, cb, count);
        if (answer == win::ERROR_BUFFER_TOO_SMALL) {
          entries.assign(count, win::RasEntryName{});
          if (!entries.empty()) entries[0].dwSize = win::RASENTRYNAMEA_SIZE;
          cb = win::RASENTRYNAMEA_SIZE * count;
          answer = win::RasEnumEntries(phonebook, entries, cb, count);
        }
        gLastDllError = static_cast<long>(answer);
        if (answer != 0) {
          vb::Raise(kObjectError + 512, QStringLiteral("GetRASEntries"),
                    QStringLiteral("RasEnumEntries returned ") + QString::number(answer));
        }
        auto& list = Items(Program().DialUpEntryList);
        for (win::DWORD i = 0; i < count && i < entries.size(); ++i) {
          QString name = entries[i].szEntryName;
          const qsizetype nul = name.indexOf(QChar(0));
          if (nul >= 0) name.truncate(nul);
          list->Add(name);
        }
        WriteTrace(QStringLiteral("Exit GetRASEntries.retcode") + QString::number(answer));
      },
      [&](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error In GetRASEntries.Reason:") + QString::number(answer) +
                   QString::number(err.number));
      });
}

QString ReadRegistryString(win::HKEY hive, const QString& subkey, const QString& valueName) {
  win::HKEY key = 0;
  gLastDllError = win::RegOpenKeyEx(hive, subkey, 0, win::KEY_QUERY_VALUE, &key);
  if (gLastDllError != win::ERROR_SUCCESS) return {};
  vb::Variant value;
  gLastDllError = QueringRegValue(key, valueName, value);
  win::RegCloseKey(key);
  return value.IsEmpty() ? QString() : value.ToString();
}

Long QueringRegValue(win::HKEY key, const QString& valueName, vb::Variant& value) {
  win::DWORD type = 0;
  win::DWORD size = 0;
  Long result = win::RegQueryValueEx(key, valueName, &type, nullptr, &size);
  if (result != win::ERROR_SUCCESS) return result;
  if (type == win::REG_SZ) {
    QByteArray buffer(kStringBufferBytes, '\0');
    win::DWORD bytes = kStringBufferBytes;
    result = win::RegQueryValueEx(key, valueName, &type, buffer.data(), &bytes);
    if (result != win::ERROR_SUCCESS) {
      value = QString();
      return result;
    }
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer.constData()), bytes / 2);
    value = StripNull(text);
  } else if (type == win::REG_DWORD) {
    std::int32_t number = 0;
    win::DWORD bytes = sizeof number;
    result = win::RegQueryValueEx(key, valueName, &type, &number, &bytes);
    if (result == win::ERROR_SUCCESS) value = static_cast<int>(number);
  }
  return result;
}

void SetKeyValue(win::HKEY hive, const QString& subkey, const QString& valueName, const vb::Variant& value, Long type) {
  Long lastError = 0;
  vb::OnErrorGoTo(
      [&] {
        win::HKEY key = 0;
        lastError = win::RegOpenKeyEx(hive, subkey, 0, win::KEY_SET_VALUE, &key);
        if (lastError != win::ERROR_SUCCESS) return;
        lastError = SetValueEx(key, valueName, type, value);
        win::RegFlushKey(key);
        win::RegCloseKey(key);
      },
      [&](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error in Setkeyvalue .Reason:") + QString::number(lastError) + err.description);
      });
}

Long SetValueEx(win::HKEY key, const QString& valueName, Long type, const vb::Variant& value) {
  Long lastError = 0;
  return vb::OnErrorGoTo(
      [&]() -> Long {
        if (type == static_cast<Long>(win::REG_SZ)) {
          const QString text = value.ToString();
          const QByteArray bytes(reinterpret_cast<const char*>(text.utf16()), (text.size() + 1) * 2);
          lastError = win::RegSetValueEx(key, valueName, win::REG_SZ, bytes.constData(),
                                         static_cast<win::DWORD>(bytes.size()));
          return lastError;
        }
        if (type == static_cast<Long>(win::REG_DWORD)) {
          const std::int32_t number = value.ToLong();
          lastError = win::RegSetValueEx(key, valueName, win::REG_DWORD, &number, sizeof number);
          return lastError;
        }
        return 0;
      },
      [&](const vb::ErrorInfo& err) -> Long {
        WriteTrace(QStringLiteral("Error in SetValueEx.Reason:") + QString::number(lastError) +
                   QStringLiteral("Error No:") + QString::number(err.number));
        return 0;
      });
}

void LoadProxySetting() {
  vb::OnErrorGoTo(
      [] {
        auto& proxy = Program().ProxySettings;
        const QString host = gTransfer().Trf_ReadProxyProfile(QStringLiteral("ProxyName"));
        proxy.host = host;
        if (host.isEmpty()) return;
        proxy.port = gTransfer().Trf_ReadProxyProfile(QStringLiteral("ProxyPort"));
        proxy.user = gTransfer().Trf_ReadProxyProfile(QStringLiteral("ProxyUser"));
        proxy.password = ReadPasswordFile(QString(), 5);
      },
      [](const vb::ErrorInfo& err) {
        TraceError(err, QStringLiteral("LoadProxySetting"), vb::OwnerKind::Module, QStringLiteral("modGeneral"));
      });
}

void SplitProxyServer(QString s, QString& host, QString& port) {
  // Positions are 1-based, 0 when absent, as the parsing rules count them.
  const auto first = [&](QChar ch) { return s.indexOf(ch) + 1; };
  const auto last = [&](QChar ch) { return s.lastIndexOf(ch) + 1; };
  const qsizetype http = s.indexOf(QStringLiteral("http"));
  if (http >= 0) {
    s = s.mid(http);
    if (s.contains(u';')) s = s.left(s.indexOf(u';'));
  }
  const qsizetype e = first(u'=');
  const qsizetype c = last(u':');
  if (c <= e) vb::Raise(vb::errInvalidProcedureCall);  // no ":" after the first "="
  host = e == 0 ? s.left(c - 1) : s.mid(e, c - e - 1);
  port = s.mid(c);
}

bool GetIEProxySettings(QString& host, QString& port) {
  return vb::OnErrorGoTo(
      [&] {
        const vb::Variant enabled =
            modReg::ReadRegistryValue(win::HKEY_CURRENT_USER, kInternetSettings, QStringLiteral("ProxyEnable"));
        if (enabled.IsEmpty() || enabled.ToLong() == 0) return false;
        const QString s =
            modReg::ReadRegistryValue(win::HKEY_CURRENT_USER, kInternetSettings, QStringLiteral("ProxyServer"))
                .ToString();
        if (s.isEmpty()) return false;
        QString h;
        QString p;
        SplitProxyServer(s, h, p);
        host = h;
        port = p;
        return true;
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("unable to get proxy settings") + QStringLiteral("Reason: ") + err.description);
        return false;
      });
}

}  // namespace OrvaneMac::modGeneral
