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

// The text of message `id` in the raw table bytes, as FormatMessage takes
// it: the UTF-16 or 8-bit text up to its NUL, line end kept. Nothing when
// the table has no entry for the id. A table whose counts or offsets point
// outside its bytes, or whose entries cannot be walked (a length below the
// entry header), yields nothing rather than reading past its end.
[[nodiscard]] std::optional<QString> MessageTableText(const QByteArray& table, std::uint32_t id);

// FormatMessage from a module: the text of `id` in the message table of
// `moduleName`, or "" when the module, its table or the entry is missing.
[[nodiscard]] QString FormatMessage(const QString& moduleName, std::uint32_t id);

}  // namespace win
