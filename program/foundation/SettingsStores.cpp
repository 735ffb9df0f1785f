#include "program/foundation/SettingsStores.h"

#include <algorithm>

#include "ZQwinSrv/foundation/SideFiles.h"
#include "program/foundation/Options.h"
#include "platform/errors/RuntimeError.h"
#include "platform/paths/WinPath.h"
#include "platform/registry/Registry.h"
#include "platform/system/SystemInfo.h"
#include "platform/text/Strings.h"

namespace OrvaneMac::modGeneral {
namespace {

const QString kOVMacKey = QStringLiteral("Software\\OVMac");
const QString kRunKey = QStringLiteral("Software\\Microsoft\\Windows\\Currentversion\\run");
const QString kStartupValue = QStringLiteral("ZQWIN");

// The program's side files: its own application folder (created by the
// writer when missing), its own temporary-folder file, registry texts cut at
// their first CR even in the first place, and a trace line only when the
// registry look-up itself fails.
OrvaneSrv::SideFileSettings ProgramSideFiles() {
  OrvaneSrv::SideFileSettings settings;
  settings.appFolder = AppFolder();
  settings.tempPathFileName = QStringLiteral("OVTemppath.txt");
  settings.createAppFolder = true;
  settings.keepLeadingCr = false;
  settings.traceLookup = [](const OrvaneSrv::RegistryLookup& lookup) {
    if (lookup.error.Failed()) {
      WriteTrace(QStringLiteral("Error in ReadProfilefromRegistry Unable to query the registry, reason : ") +
                 lookup.error.description);
    }
  };
  return settings;
}

// A REG_SZ value with its terminating NUL, under the program's hive.
void SetTextValue(const QString& keyPath, const QString& valueName, const QString& text) {
  win::HKEY key = 0;
  if (win::RegCreateKeyEx(OrvaneSrv::OVMacHive(), keyPath, 0, win::KEY_WRITE, &key) != win::ERROR_SUCCESS) return;
  const QByteArray bytes(reinterpret_cast<const char*>(text.utf16()), (text.size() + 1) * 2);
  (void)win::RegSetValueEx(key, valueName, win::REG_SZ, bytes.constData(), static_cast<win::DWORD>(bytes.size()));
  win::RegCloseKey(key);
}

void TraceRegistryError(const QString& what, const vb::ErrorInfo& err) {
  WriteTrace(what + QStringLiteral("\r\nReason: ") + err.description + QStringLiteral("  ") +
             QString::number(err.number));
}

QString SessionPasswordKey(const QString& name, Integer kind) {
  return QString::number(kind) + u'|' + vb::LCase(vb::Trim(QString(name).remove(u'\n')));
}

}  // namespace

void WriteProfileFile(const QString& name, const QString& value, Integer kind) {
  OrvaneSrv::WriteProfileFile(ProgramSideFiles(), name, value, kind);
}

QString ReadProfileFile(const QString& name, Integer kind) {
  return OrvaneSrv::ReadProfileFile(ProgramSideFiles(), name, kind);
}

void SavePasswordFile(const QString& name, const QString& password, Integer kind) {
  auto& kept = Program().SessionPasswords;
  const QString key = SessionPasswordKey(name, kind);
  const bool fits = std::all_of(password.cbegin(), password.cend(), [](QChar ch) { return ch.unicode() <= 0xFF; });
  if (fits) {
    kept.remove(key);
    WriteProfileFile(name, OrvaneSrv::EncryptPwd(password), kind);
    return;
  }
  kept.insert(key, password);
  WriteProfileFile(name, QString(), kind);
  WriteTrace(QStringLiteral("WriteProfileFile: the password of ") + vb::Trim(name) +
             QStringLiteral(" holds characters that cannot be stored; it is kept for this session only"));
}

QString ReadPasswordFile(const QString& name, Integer kind) {
  const auto& kept = Program().SessionPasswords;
  const auto found = kept.constFind(SessionPasswordKey(name, kind));
  if (found != kept.constEnd()) return found.value();
  const QString stored = ReadProfileFile(name, kind);
  return kind == 5 ? stored : OrvaneSrv::DecryptPwd(stored);
}

void WriteProfileToRegistry(const QString& valueName, const QString& text) {
  vb::OnErrorGoTo([&] { SetTextValue(kOVMacKey, vb::Trim(valueName), text); },
                  [](const vb::ErrorInfo& err) {
                    TraceRegistryError(QStringLiteral("Error while writing into registry. "), err);
                  });
}

QString ReadProfilefromRegistry(const QString& valueName) {
  return OrvaneSrv::ReadProfilefromRegistry(ProgramSideFiles(), valueName);
}

void AddToStartup() {
  vb::OnErrorGoTo(
      [] {
        const QString exe = win::JoinPath(win::ProgramFolder(), QStringLiteral("OrvaneRestore_100.exe"));
        SetTextValue(kRunKey, kStartupValue, u'"' + exe + u'"');
      },
      [](const vb::ErrorInfo& err) { TraceRegistryError(QStringLiteral("Error while writing into registry. "), err); });
}

void RemoveFromStartup() {
  vb::OnErrorGoTo(
      [] {
        win::HKEY key = 0;
        if (win::RegCreateKeyEx(OrvaneSrv::OVMacHive(), kRunKey, 0, win::KEY_WRITE, &key) != win::ERROR_SUCCESS) return;
        (void)win::RegDeleteValue(key, kStartupValue);
        win::RegCloseKey(key);
      },
      [](const vb::ErrorInfo& err) {
        TraceRegistryError(QStringLiteral("Error while removing entry from registry. "), err);
      });
}

QString StringFromPointer(const char16_t* text) {
  if (text == nullptr) return {};
  return QString::fromUtf16(text);
}

}  // namespace OrvaneMac::modGeneral

namespace OrvaneMac::modSHGetSpecialFolderPath {

QString GetWindowDir() {
  return vb::OnErrorGoTo([] { return win::GetWindowsDirectory(); },
                         [](const vb::ErrorInfo& err) {
                           WriteTrace(QStringLiteral("Error in GetWindowDir (), Reason ") + err.description);
                           return QString();
                         });
}

}  // namespace OrvaneMac::modSHGetSpecialFolderPath
