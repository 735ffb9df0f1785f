#include "platform/registry/Registry.h"

#include <QtEndian>

#include <mutex>

namespace win {
namespace {

struct DefaultState {
  std::mutex mutex;
  std::shared_ptr<RegistryStore> store;
};

DefaultState& Default() {
  static DefaultState s;
  return s;
}

std::shared_ptr<RegistryStore> Swap(std::shared_ptr<RegistryStore> next) {
  DefaultState& s = Default();
  std::lock_guard lock(s.mutex);
  std::swap(s.store, next);
  return next;
}

// Closes a key at the end of a helper.
class KeyGuard {
 public:
  KeyGuard() = default;
  ~KeyGuard() {
    if (key_) (void)RegCloseKey(key_);
  }
  KeyGuard(const KeyGuard&) = delete;
  KeyGuard& operator=(const KeyGuard&) = delete;
  HKEY* Out() { return &key_; }
  [[nodiscard]] HKEY Get() const { return key_; }

 private:
  HKEY key_ = 0;
};

LONG OpenForWrite(HKEY root, const QString& subKey, RegistryKeyMode mode, KeyGuard& key) {
  return mode == RegistryKeyMode::Create ? RegCreateKeyEx(root, subKey, REG_OPTION_NON_VOLATILE, KEY_WRITE, key.Out())
                                         : RegOpenKeyEx(root, subKey, 0, KEY_SET_VALUE, key.Out());
}

}  // namespace

std::shared_ptr<RegistryStore> DefaultRegistry() {
  DefaultState& s = Default();
  std::lock_guard lock(s.mutex);
  if (!s.store) s.store = std::make_shared<RegistryStore>(RegistryConfig::FromEnvironment());
  return s.store;
}

void SetRegistryConfig(const RegistryConfig& config) { Swap(std::make_shared<RegistryStore>(config)); }

ScopedRegistry::ScopedRegistry(const RegistryConfig& config) : saved_(Swap(std::make_shared<RegistryStore>(config))) {}

ScopedRegistry::~ScopedRegistry() { Swap(saved_); }

LONG RegOpenKeyEx(HKEY key, const QString& subKey, DWORD /*options*/, REGSAM samDesired, HKEY* result) {
  return DefaultRegistry()->OpenKey(key, subKey, samDesired, result);
}

LONG RegCreateKeyEx(HKEY key, const QString& subKey, DWORD /*options*/, REGSAM samDesired, HKEY* result,
                    DWORD* disposition) {
  return DefaultRegistry()->CreateKey(key, subKey, samDesired, result, disposition);
}

LONG RegQueryValueEx(HKEY key, const QString& valueName, DWORD* type, void* data, DWORD* cbData) {
  return DefaultRegistry()->QueryValue(key, valueName, type, data, cbData);
}

LONG RegSetValueEx(HKEY key, const QString& valueName, DWORD type, const void* data, DWORD cbData) {
  return DefaultRegistry()->SetValue(key, valueName, type, data, cbData);
}

LONG RegDeleteValue(HKEY key, const QString& valueName) { return DefaultRegistry()->DeleteValue(key, valueName); }

LONG RegDeleteKey(HKEY key, const QString& subKey) { return DefaultRegistry()->DeleteKey(key, subKey); }

LONG RegCloseKey(HKEY key) { return DefaultRegistry()->CloseKey(key); }

LONG RegFlushKey(HKEY key) { return DefaultRegistry()->FlushKey(key); }

std::optional<RegistryValue> RegistryReadValue(HKEY root, const QString& subKey, const QString& name,
                                               DWORD bufferBytes) {
  KeyGuard key;
  if (RegOpenKeyEx(root, subKey, 0, KEY_QUERY_VALUE, key.Out()) != 0) return std::nullopt;
  RegistryValue value{name, REG_NONE, QByteArray(static_cast<qsizetype>(bufferBytes), '\0')};
  DWORD size = bufferBytes;
  if (RegQueryValueEx(key.Get(), name, &value.type, value.data.data(), &size) != 0) return std::nullopt;
  value.data.truncate(size);
  return value;
}

std::optional<QString> RegistryReadString(HKEY root, const QString& subKey, const QString& name, DWORD bufferBytes) {
  const auto value = RegistryReadValue(root, subKey, name, bufferBytes);
  if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return std::nullopt;
  QString text(value->data.size() / 2, Qt::Uninitialized);
  for (qsizetype i = 0; i < text.size(); ++i)
    text[i] = QChar(qFromLittleEndian<quint16>(value->data.constData() + 2 * i));
  const qsizetype nul = text.indexOf(QChar(0));
  return nul < 0 ? text : text.left(nul);
}

std::optional<DWORD> RegistryReadDword(HKEY root, const QString& subKey, const QString& name) {
  const auto value = RegistryReadValue(root, subKey, name, 4);
  if (!value || value->type != REG_DWORD || value->data.size() != 4) return std::nullopt;
  return qFromLittleEndian<quint32>(value->data.constData());
}

LONG RegistryWriteString(HKEY root, const QString& subKey, const QString& name, const QString& value,
                         RegistryKeyMode mode) {
  KeyGuard key;
  if (const LONG rc = OpenForWrite(root, subKey, mode, key); rc != 0) return rc;
  QByteArray data;
  data.reserve((value.size() + 1) * 2);
  for (QChar c : value + QChar(0)) {
    const quint16 u = qToLittleEndian<quint16>(c.unicode());
    data.append(reinterpret_cast<const char*>(&u), 2);
  }
  return RegSetValueEx(key.Get(), name, REG_SZ, data.constData(), static_cast<DWORD>(data.size()));
}

LONG RegistryWriteDword(HKEY root, const QString& subKey, const QString& name, DWORD value, RegistryKeyMode mode) {
  KeyGuard key;
  if (const LONG rc = OpenForWrite(root, subKey, mode, key); rc != 0) return rc;
  char data[4];
  qToLittleEndian<quint32>(value, data);
  return RegSetValueEx(key.Get(), name, REG_DWORD, data, 4);
}

LONG RegistryDeleteValue(HKEY root, const QString& subKey, const QString& name) {
  KeyGuard key;
  if (const LONG rc = RegOpenKeyEx(root, subKey, 0, KEY_SET_VALUE, key.Out()); rc != 0) return rc;
  return RegDeleteValue(key.Get(), name);
}

}  // namespace win
