#pragma once
// A file-backed stand-in for the registry hives the system uses:
// HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, one file each
// (format: RegistryHive.h), plus the read-only system values of
// RegistrySeeds.h answered from the host.
//
// Where the files are (RegistryConfig::FromEnvironment):
//   - $ORVANE_REGISTRY_DIR, when set, holds all three;
//   - otherwise HKCU.json lies in the user's configuration folder
//     ($XDG_CONFIG_HOME/orvane/registry, usually ~/.config/orvane/registry),
//     HKLM.json and HKCR.json in the "registry" folder of the program folder.
//
// The registry is shared by the engine and the program, also across
// processes, so nothing is held in memory that another process may have
// changed: every call looks at the file (re-reading it when it changed).
// Every change is a read-modify-write under an exclusive lock on the hive's
// folder, written to a temporary sibling and renamed over the old file, so a
// crash never leaves half a hive. New hive files are readable by their owner
// only (they hold scrambled passwords). A hive file that is not valid makes
// every call on that hive answer ERROR_BADDB and is never overwritten.
//
// The functions answer like their Win32 namesakes (result codes, never
// exceptions):
//   - key paths use "\" between names; a leading "\" or an empty name inside
//     gives ERROR_BAD_PATHNAME (161); one trailing "\" is ignored. Key and
//     value names compare without case and keep the case they were created
//     with; a value name may hold any character ("" is the default value).
//   - a handle carries the rights it was opened with: reading values needs
//     KEY_QUERY_VALUE, setting or deleting them KEY_SET_VALUE, creating a key
//     below it KEY_CREATE_SUB_KEY (else ERROR_ACCESS_DENIED). Roots have all.
//   - a hive whose file cannot be written (the program folder of a
//     read-only installation) refuses changes with ERROR_ACCESS_DENIED, as
//     the machine hive does for a user without administrator rights.
//   - a handle whose key was deleted meanwhile gives ERROR_KEY_DELETED.

#include "platform/registry/RegistryTypes.h"

#include <QString>

#include <memory>

namespace win {

struct RegistryConfig {
  QString userFolder;        // host folder of HKCU.json
  QString machineFolder;     // host folder of HKLM.json and HKCR.json
  bool systemValues = true;  // answer the read-only system values
  QString osReleaseFile = QStringLiteral("/etc/os-release");

  // The folders described above.
  [[nodiscard]] static RegistryConfig FromEnvironment();
  // All hives in one host folder (tests, ORVANE_REGISTRY_DIR).
  [[nodiscard]] static RegistryConfig InFolder(const QString& hostFolder);
};

class RegistryStore {
 public:
  explicit RegistryStore(RegistryConfig config);
  ~RegistryStore();
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  // RegOpenKeyEx: an existing key only (ERROR_FILE_NOT_FOUND otherwise).
  [[nodiscard]] LONG OpenKey(HKEY key, const QString& subKey, REGSAM sam, HKEY* result);
  // RegCreateKeyEx: opens or creates the key and its missing parents;
  // `disposition` (may be null) tells REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
  [[nodiscard]] LONG CreateKey(HKEY key, const QString& subKey, REGSAM sam, HKEY* result, DWORD* disposition);
  // RegQueryValueEx: `cbData` is the buffer size in bytes, in and out. With a
  // null `data` answers the size; a value that does not fit gives
  // ERROR_MORE_DATA with the size needed; a missing value ERROR_FILE_NOT_FOUND.
  // `type` may be null; `cbData` may be null only when `data` is.
  [[nodiscard]] LONG QueryValue(HKEY key, const QString& valueName, DWORD* type, void* data, DWORD* cbData);
  // RegSetValueEx: stores `cbData` bytes as given (a REG_SZ's size includes
  // its terminating NUL). REG_DWORD needs 4 bytes and REG_QWORD 8, else
  // ERROR_INVALID_PARAMETER, as is a value larger than kRegistryMaxValueBytes
  // or a name longer than kRegistryMaxValueName.
  [[nodiscard]] LONG SetValue(HKEY key, const QString& valueName, DWORD type, const void* data, DWORD cbData);
  [[nodiscard]] LONG DeleteValue(HKEY key, const QString& valueName);
  // RegDeleteKey: a key without subkeys (ERROR_ACCESS_DENIED otherwise).
  [[nodiscard]] LONG DeleteKey(HKEY key, const QString& subKey);
  LONG CloseKey(HKEY key);
  // Changes are on disk when their call returns; this only checks the handle.
  LONG FlushKey(HKEY key);

  // The host file of a root ("" for a root that is not kept).
  [[nodiscard]] QString HiveFile(HKEY root) const;
  [[nodiscard]] const RegistryConfig& Config() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace win
