#pragma once
// The registry functions the legacy code calls, on the process's registry
// store (RegistryStore.h), and small helpers built on them.
//
// Differences from the Win32 signatures: reserved, class and security
// arguments are gone; options are accepted and ignored (every key is kept on
// disk). Results are Win32 codes (0 = ERROR_SUCCESS), never exceptions.

#include "platform/registry/RegistryHive.h"
#include "platform/registry/RegistryStore.h"
#include "platform/registry/RegistryTypes.h"

#include <QString>

#include <memory>
#include <optional>

namespace win {

// The store the functions below use: RegistryConfig::FromEnvironment() until
// replaced. Replacing it invalidates the handles opened on the old one.
[[nodiscard]] std::shared_ptr<RegistryStore> DefaultRegistry();
void SetRegistryConfig(const RegistryConfig& config);

// Installs a store for the life of the guard (tests); restores the old one.
class ScopedRegistry {
 public:
  explicit ScopedRegistry(const RegistryConfig& config);
  ~ScopedRegistry();
  ScopedRegistry(const ScopedRegistry&) = delete;
  ScopedRegistry& operator=(const ScopedRegistry&) = delete;

 private:
  std::shared_ptr<RegistryStore> saved_;
};

[[nodiscard]] LONG RegOpenKeyEx(HKEY key, const QString& subKey, DWORD options, REGSAM samDesired, HKEY* result);
[[nodiscard]] LONG RegCreateKeyEx(HKEY key, const QString& subKey, DWORD options, REGSAM samDesired, HKEY* result,
                                  DWORD* disposition = nullptr);
[[nodiscard]] LONG RegQueryValueEx(HKEY key, const QString& valueName, DWORD* type, void* data, DWORD* cbData);
[[nodiscard]] LONG RegSetValueEx(HKEY key, const QString& valueName, DWORD type, const void* data, DWORD cbData);
[[nodiscard]] LONG RegDeleteValue(HKEY key, const QString& valueName);
[[nodiscard]] LONG RegDeleteKey(HKEY key, const QString& subKey);
LONG RegCloseKey(HKEY key);
LONG RegFlushKey(HKEY key);

// --- Helpers: open, read or write one value, close. -----------------------

// The value as a buffer of `bufferBytes` bytes receives it (opened with
// KEY_QUERY_VALUE): nothing when the key or the value is missing or the value
// is larger than the buffer.
[[nodiscard]] std::optional<RegistryValue> RegistryReadValue(HKEY root, const QString& subKey, const QString& name,
                                                             DWORD bufferBytes = 2048);

// The text of a REG_SZ or REG_EXPAND_SZ value read that way, cut at its first
// NUL: a value of 1023 characters fits the legacy 2048-byte buffer, one of
// 1024 does not. Nothing for a value of another type.
[[nodiscard]] std::optional<QString> RegistryReadString(HKEY root, const QString& subKey, const QString& name,
                                                        DWORD bufferBytes = 2048);
[[nodiscard]] std::optional<DWORD> RegistryReadDword(HKEY root, const QString& subKey, const QString& name);

// Whether a write may create the key: the legacy settings writers write only
// into keys that exist; the program's own key is created on first write.
enum class RegistryKeyMode { MustExist, Create };

// Writes a REG_SZ (the text and its terminating NUL) or a REG_DWORD, then
// closes the key; ERROR_FILE_NOT_FOUND for a missing key with MustExist.
[[nodiscard]] LONG RegistryWriteString(HKEY root, const QString& subKey, const QString& name, const QString& value,
                                       RegistryKeyMode mode = RegistryKeyMode::MustExist);
[[nodiscard]] LONG RegistryWriteDword(HKEY root, const QString& subKey, const QString& name, DWORD value,
                                      RegistryKeyMode mode = RegistryKeyMode::MustExist);
[[nodiscard]] LONG RegistryDeleteValue(HKEY root, const QString& subKey, const QString& name);

}  // namespace win
