#pragma once
// One hive in memory, and its file form.
//
// Keys are full paths below the hive's root ("Software\OVMac"), looked up
// without regard to case and kept with the spelling they were created with.
// Every key's parents exist as keys of their own. Values keep their order of
// creation.
//
// The file is UTF-8 JSON, chosen because a person can read and mend it and a
// damaged file is recognised as such rather than half understood:
//
//   {
//     "format": "orvane-registry-1",
//     "hive": "HKEY_CURRENT_USER",
//     "keys": [
//       {"path": "Software", "values": []},
//       {"path": "Software\\OVMac", "values": [
//         {"name": "CurrLogin", "type": 1, "text": "bob"},
//         {"name": "Count", "type": 4, "dword": 3},
//         {"name": "Raw", "type": 3, "hex": "00ff10"}
//       ]}
//     ]
//   }
//
// "text" holds a string value whose data is UTF-16 text ended by exactly one
// NUL (the usual case), "dword" a 4-byte REG_DWORD, "hex" any other data as
// stored. A name that is not valid UTF-16 (a lone surrogate) is written as
// "nameUtf16" / "pathUtf16", the hex of its UTF-16LE units.

#include "platform/registry/RegistryTypes.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>
#include <vector>

namespace win {

struct RegistryValue {
  QString name;
  DWORD type = REG_NONE;
  QByteArray data;
};

struct RegistryKeyData {
  QString path;  // as created
  std::vector<RegistryValue> values;

  [[nodiscard]] const RegistryValue* Find(const QString& name) const;
  [[nodiscard]] RegistryValue* Find(const QString& name);
};

class RegistryHive {
 public:
  [[nodiscard]] bool HasKey(const QString& path) const;
  [[nodiscard]] bool HasSubKeys(const QString& path) const;
  [[nodiscard]] const RegistryKeyData* Key(const QString& path) const;
  [[nodiscard]] RegistryKeyData* Key(const QString& path);

  // Creates the key and its missing parents; false when it existed.
  bool CreateKey(const QString& path);
  // Removes the key alone (callers check for subkeys first).
  void RemoveKey(const QString& path);

  [[nodiscard]] QByteArray ToJson(const QString& hiveName) const;
  // Nothing, with the reason in `error`, for a file that is not a hive.
  [[nodiscard]] static std::optional<RegistryHive> FromJson(const QByteArray& json, QString* error);

  // The lookup form of a key path or name.
  [[nodiscard]] static QString Fold(const QString& name);

 private:
  std::map<QString, RegistryKeyData> keys_;  // by folded path
};

}  // namespace win
