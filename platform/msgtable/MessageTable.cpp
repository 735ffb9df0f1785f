#include "platform/msgtable/MessageTable.h"

#include "platform/codepage/CodePage.h"
#include "platform/errors/RuntimeError.h"
#include "platform/paths/WinPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <mutex>

namespace win {
namespace {

struct State {
  std::mutex mutex;
  std::optional<QStringList> folders;
};

State& S() {
  static State state;
  return state;
}

// "C:\WINDOWS\system32\WinInet.DLL" -> "wininet.dll.msgtable".
QString DataFileName(const QString& moduleName) {
  QString name = moduleName.trimmed();
  const qsizetype cut = std::max(name.lastIndexOf(u'\\'), name.lastIndexOf(u'/'));
  if (cut >= 0) name = name.mid(cut + 1);
  if (name.isEmpty()) return {};
  if (!name.contains(u'.')) name += QStringLiteral(".dll");
  return name.toLower() + QStringLiteral(".msgtable");
}

// Little-endian reads; a read outside the bytes raises 9, as a bad index
// did in the legacy reader, instead of reading stray memory.
std::uint32_t U32(const QByteArray& b, qsizetype at) {
  if (at < 0 || at + 4 > b.size()) vb::Raise(vb::errSubscriptOutOfRange);
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

std::uint16_t U16(const QByteArray& b, qsizetype at) {
  if (at < 0 || at + 2 > b.size()) vb::Raise(vb::errSubscriptOutOfRange);
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}

}  // namespace

QStringList MessageTableFolders() {
  {
    State& s = S();
    std::lock_guard lock(s.mutex);
    if (s.folders) return *s.folders;
  }
  QStringList folders;
  const QString program = ToHostPath(ProgramFolder());
  if (!program.isEmpty()) folders << program;
#ifdef ORVANE_MSGTABLE_BUILD_DIR
  folders << QStringLiteral(ORVANE_MSGTABLE_BUILD_DIR);
#endif
  return folders;
}

ScopedMessageTableFolders::ScopedMessageTableFolders(QStringList hostFolders) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  saved_ = s.folders;
  s.folders = std::move(hostFolders);
}

ScopedMessageTableFolders::~ScopedMessageTableFolders() {
  State& s = S();
  std::lock_guard lock(s.mutex);
  s.folders = saved_;
}

std::optional<MessageModule> LoadMessageModule(const QString& moduleName) {
  const QString fileName = DataFileName(moduleName);
  if (fileName.isEmpty()) return std::nullopt;
  for (const QString& folder : MessageTableFolders()) {
    const QString path = QDir(folder).filePath(fileName);
    if (!QFileInfo(path).isFile()) continue;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) continue;
    MessageModule module{path, std::nullopt};
    QByteArray bytes = file.readAll();
    if (!bytes.isEmpty()) module.messageTable = std::move(bytes);
    return module;
  }
  return std::nullopt;
}

std::uint32_t MessageTableBlockCount(const QByteArray& table) {
  const std::uint32_t blocks = U32(table, 0);
  if (blocks > static_cast<std::uint64_t>(table.size() - 4) / 12) vb::Raise(vb::errSubscriptOutOfRange);
  return blocks;
}

std::optional<QString> FindMessageTableEntry(const QByteArray& table, std::uint32_t id) {
  const std::uint32_t blocks = MessageTableBlockCount(table);
  // Every entry takes at least 4 bytes and, in a sound table, belongs to one
  // block: a look-up that steps over more entries than the table can hold
  // is walking chains that blocks share, and the table is refused.
  qsizetype budget = table.size() / 4;
  for (std::uint32_t b = 0; b < blocks; ++b) {
    const qsizetype at = 4 + static_cast<qsizetype>(b) * 12;
    const std::uint32_t low = U32(table, at);
    const std::uint32_t high = U32(table, at + 4);
    if (id < low || id > high) continue;
    qsizetype pos = U32(table, at + 8);
    for (std::uint32_t current = low;; ++current) {
      const std::uint16_t length = U16(table, pos);
      const std::uint16_t flags = U16(table, pos + 2);
      // An entry of length 0 cannot move the walk: every later id of the
      // block would read the same empty entry, so the block has nothing to
      // give and the next one is tried.
      if (length == 0) break;
      if (length < 4 || pos + length > table.size() || --budget < 0) vb::Raise(vb::errSubscriptOutOfRange);
      if (current == id) {
        const QByteArray body = table.mid(pos + 4, length - 4);
        QString text;
        if (flags == 1) {
          for (qsizetype i = 0; i + 1 < body.size(); i += 2) {
            const QChar c(U16(body, i));
            if (c.isNull()) break;
            text.append(c);
          }
        } else {
          const qsizetype nul = body.indexOf('\0');
          text = FromAnsi(nul < 0 ? body : body.left(nul));
        }
        return text;
      }
      pos += length;
    }
  }
  return std::nullopt;
}

std::optional<QString> MessageTableText(const QByteArray& table, std::uint32_t id) {
  try {
    return FindMessageTableEntry(table, id);
  } catch (const vb::RuntimeError&) {
    return std::nullopt;
  }
}

QString FormatMessage(const QString& moduleName, std::uint32_t id) {
  const auto module = LoadMessageModule(moduleName);
  if (!module || !module->messageTable) return {};
  return MessageTableText(*module->messageTable, id).value_or(QString());
}

}  // namespace win
