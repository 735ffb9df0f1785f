#include "platform/dialup/Phonebook.h"

#include "platform/codepage/CodePage.h"
#include "platform/registry/Registry.h"

#include <QSet>

#include <algorithm>

namespace win {
namespace {

constexpr LONG kSuccess = static_cast<LONG>(ERROR_SUCCESS);

const QString kKey = QStringLiteral("RemoteAccess");
const QString kValue = QStringLiteral("PhonebookEntries");
const QString kProfileKey = QStringLiteral("RemoteAccess\\Profile\\");

// A phonebook of a few hundred names fits easily; anything larger is not a
// phonebook someone typed in.
constexpr DWORD kMaxValueBytes = 256 * 1024;

QStringList SplitMultiString(const QByteArray& data) {
  QString text;
  for (qsizetype i = 0; i + 1 < data.size(); i += 2) {
    text.append(QChar(static_cast<char16_t>(static_cast<unsigned char>(data[i]) |
                                            (static_cast<unsigned char>(data[i + 1]) << 8))));
  }
  return text.split(QChar(0), Qt::SkipEmptyParts);
}

QByteArray JoinMultiString(const QStringList& names) {
  QByteArray data;
  const auto put = [&data](char16_t c) {
    data.append(static_cast<char>(c & 0xFF));
    data.append(static_cast<char>(c >> 8));
  };
  for (const QString& name : names) {
    for (QChar c : name) put(c.unicode());
    put(0);
  }
  put(0);
  return data;
}

QStringList Cleaned(const QStringList& names) {
  QStringList result;
  QSet<QString> seen;
  for (const QString& raw : names) {
    const QString name = raw.trimmed();
    if (name.isEmpty() || name.contains(QChar(0))) continue;
    if (seen.contains(name.toLower())) continue;
    seen.insert(name.toLower());
    result << name;
  }
  return result;
}

}  // namespace

QStringList PhonebookEntries() {
  const auto value = RegistryReadValue(HKEY_CURRENT_USER, kKey, kValue, kMaxValueBytes);
  if (!value || value->type != REG_MULTI_SZ) return {};
  return Cleaned(SplitMultiString(value->data));
}

LONG SetPhonebookEntries(const QStringList& names) {
  const QStringList cleaned = Cleaned(names);
  HKEY key = 0;
  LONG rc = RegCreateKeyEx(HKEY_CURRENT_USER, kKey, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, &key);
  if (rc != kSuccess) return rc;
  const QByteArray data = JoinMultiString(cleaned);
  rc = RegSetValueEx(key, kValue, REG_MULTI_SZ, data.constData(), static_cast<DWORD>(data.size()));
  RegCloseKey(key);
  if (rc != kSuccess) return rc;
  for (const QString& name : cleaned) {
    // A name holding "\" would name a deeper key; such an entry simply has no
    // profile key.
    if (name.contains(u'\\')) continue;
    HKEY profile = 0;
    rc = RegCreateKeyEx(HKEY_CURRENT_USER, kProfileKey + name, REG_OPTION_NON_VOLATILE, KEY_READ, &profile);
    if (rc != kSuccess) return rc;
    RegCloseKey(profile);
  }
  return ERROR_SUCCESS;
}

DWORD RasEnumEntries(const QString& phonebook, std::vector<RasEntryName>& entries, DWORD& cb, DWORD& count) {
  if (!phonebook.isEmpty()) return ERROR_CANNOT_OPEN_PHONEBOOK;
  if (entries.empty() || entries.front().dwSize != RASENTRYNAMEA_SIZE) return ERROR_INVALID_SIZE;

  const QStringList names = PhonebookEntries();
  const DWORD needed = static_cast<DWORD>(names.size()) * RASENTRYNAMEA_SIZE;
  const DWORD capacity = std::min<DWORD>(cb, static_cast<DWORD>(entries.size()) * RASENTRYNAMEA_SIZE);
  count = static_cast<DWORD>(names.size());
  if (needed > capacity) {
    cb = needed;
    return ERROR_BUFFER_TOO_SMALL;
  }
  for (qsizetype i = 0; i < names.size(); ++i) {
    entries[static_cast<std::size_t>(i)].dwSize = RASENTRYNAMEA_SIZE;
    entries[static_cast<std::size_t>(i)].szEntryName = FromAnsi(ToAnsi(names[i]).left(RAS_MAX_ENTRY_NAME));
  }
  cb = needed;
  return ERROR_SUCCESS;
}

}  // namespace win
