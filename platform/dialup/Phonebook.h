#pragma once
// The dial-up phonebook: the names of the configured dial-up connections.
//
// There is no dial-up networking here, so the phonebook is only a list of
// names the user or the installation configures in the registry store:
//
//   HKEY_CURRENT_USER "RemoteAccess", value "PhonebookEntries" (REG_MULTI_SZ):
//   one entry name per string.
//
// Without that value the phonebook is empty, which the settings window shows
// as an empty connection list. SetPhonebookEntries writes the value and
// gives each entry its per-entry key "RemoteAccess\Profile\<name>", which
// the dial-up settings write "AutoConnect" into (they write only into keys
// that exist, as on Windows, where a connection has that key once used).
//
// Nothing is ever dialled or hung up: automatic dialling is only a set of
// registry values the settings window and the engine write, and the
// "internet settings changed" notice belongs to the internet library.

#include "platform/registry/RegistryTypes.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace win {

// RasEnumEntries results.
inline constexpr DWORD ERROR_BUFFER_TOO_SMALL = 603;
inline constexpr DWORD ERROR_CANNOT_OPEN_PHONEBOOK = 621;
inline constexpr DWORD ERROR_INVALID_SIZE = 632;

// Size of one entry record of the 8-bit form (a 32-bit size field and room
// for a name of 256 characters and its NUL, padded).
inline constexpr DWORD RASENTRYNAMEA_SIZE = 264;
// Longest entry name the record holds.
inline constexpr int RAS_MAX_ENTRY_NAME = 256;

struct RasEntryName {
  DWORD dwSize = 0;  // the caller sets RASENTRYNAMEA_SIZE in the first record
  QString szEntryName;
};

// The configured entry names, in their configured order (empty names and
// repeats, compared without case, left out).
[[nodiscard]] QStringList PhonebookEntries();

// Replaces the configured entries (see above); answers the registry result.
[[nodiscard]] LONG SetPhonebookEntries(const QStringList& names);

// RasEnumEntries, 8-bit form: `phonebook` empty selects the user's default
// phonebook (the only one kept; any other gives ERROR_CANNOT_OPEN_PHONEBOOK).
// `cb` is the size in bytes of the caller's buffer `entries` (at most
// entries.size() records of RASENTRYNAMEA_SIZE count), in and out.
//   - the first record's dwSize must be RASENTRYNAMEA_SIZE (ERROR_INVALID_SIZE);
//   - a buffer too small for all entries gives ERROR_BUFFER_TOO_SMALL with the
//     bytes needed in `cb` and the entry count in `count`, records untouched;
//   - otherwise the names fill the first `count` records (each set to
//     RASENTRYNAMEA_SIZE, the name as the 8-bit code page holds it and cut to
//     RAS_MAX_ENTRY_NAME characters), `cb` becomes the bytes used, and the
//     answer is 0.
[[nodiscard]] DWORD RasEnumEntries(const QString& phonebook, std::vector<RasEntryName>& entries, DWORD& cb,
                                   DWORD& count);

}  // namespace win
