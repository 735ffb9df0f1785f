#pragma once
// Message-table resources of system modules, shipped as data files.
//
// Some texts the system shows come from another module's message table: the
// internet library's error texts are read from "wininet.dll" loaded as a
// data file. There are no such modules here, so the program ships the raw
// bytes of each table it needs as a data file of its own,
// "<module file name in lower case>.msgtable" (for example
// "wininet.dll.msgtable"), made at build time from a readable list (see
// MessageTableWriter.h for the byte layout).
//
// A module is found by its file name, without regard to case and without
// any folder it is given with; a name without an extension gets ".dll", as
// the system's loader adds it. The data file is looked for in the program
// folder first, then in the build tree where the build writes it (so tests
// and programs run from the build tree find it too). Tests point the search
// elsewhere with ScopedMessageTableFolders.
//
// A data file of zero bytes stands for a module that loads but carries no
// message table.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace win {

// A module loaded as a data file: where its table came from and the raw
// bytes of its message-table resource (none when the module has no table).
struct MessageModule {
  QString hostPath;
  std::optional<QByteArray> messageTable;
};

// Loads `moduleName` as a data file; nothing when no data file of that name
// is shipped (the system's loader fails the same way for a missing module).
[[nodiscard]] std::optional<MessageModule> LoadMessageModule(const QString& moduleName);

// The host folders searched in order: the program folder, then the build
// tree's folder of generated tables (unless overridden).
[[nodiscard]] QStringList MessageTableFolders();

// Replaces the searched folders for the life of the guard.
class ScopedMessageTableFolders {
 public:
  explicit ScopedMessageTableFolders(QStringList hostFolders);
  ~ScopedMessageTableFolders();
  ScopedMessageTableFolders(const ScopedMessageTableFolders&) = delete;
  ScopedMessageTableFolders& operator=(const ScopedMessageTableFolders&) = delete;

 private:
  std::optional<QStringList> saved_;
};

// The raw table bytes: a 32-bit block count, then per block its lowest id,
// highest id and the offset of its first entry; each entry a 16-bit length
// (header included), a 16-bit flag word (1: UTF-16 text, otherwise 8-bit
// text in the system code page) and the text.
//
// The block count of a table; raises 9 when the table is too short for it.
[[nodiscard]] std::uint32_t MessageTableBlockCount(const QByteArray& table);

// The text of message `id`: the UTF-16 or 8-bit text up to its NUL, line
// end kept. The first block whose id range holds `id` and yields its entry
// answers; a block whose walk meets an entry of length 0 gives nothing.
// Nothing when no block has an entry for the id. Raises 9 when a count,
// offset or length points outside the table, rather than reading past it.
[[nodiscard]] std::optional<QString> FindMessageTableEntry(const QByteArray& table, std::uint32_t id);

// The same, answering nothing for a damaged table.
[[nodiscard]] std::optional<QString> MessageTableText(const QByteArray& table, std::uint32_t id);

// FormatMessage from a module: the text of `id` in the message table of
// `moduleName`, or "" when the module, its table or the entry is missing.
[[nodiscard]] QString FormatMessage(const QString& moduleName, std::uint32_t id);

}  // namespace win
