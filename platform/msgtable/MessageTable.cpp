#include "platform/msgtable/MessageTable.h"

#include "platform/codepage/CodePage.h"
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

std::uint32_t U32(const QByteArray& b, qsizetype at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

std::uint16_t U16(const QByteArray& b, qsizetype at) {
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

std::optional<QString> MessageTableText(const QByteArray& table, std::uint32_t id) {
  const qsizetype size = table.size();
  if (size < 4) return std::nullopt;
  const std::uint32_t blocks = U32(table, 0);
  if (blocks > static_cast<std::uint64_t>(size - 4) / 12) return std::nullopt;
  for (std::uint32_t b = 0; b < blocks; ++b) {
    const qsizetype at = 4 + static_cast<qsizetype>(b) * 12;
    const std::uint32_t low = U32(table, at);
    const std::uint32_t high = U32(table, at + 4);
    if (id < low || id > high) continue;
    qsizetype pos = U32(table, at + 8);
    for (std::uint32_t current = low;; ++current) {
      if (pos < 0 || pos + 4 > size) return std::nullopt;
      const std::uint16_t length = U16(table, pos);
      const std::uint16_t flags = U16(table, pos + 2);
      if (length < 4 || pos + length > size) return std::nullopt;
      if (current == id) {
        const QByteArray body = table.mid(pos + 4, length - 4);
        QString text;
        if (flags & 1) {
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

QString FormatMessage(const QString& moduleName, std::uint32_t id) {
  const auto module = LoadMessageModule(moduleName);
  if (!module || !module->messageTable) return {};
  return MessageTableText(*module->messageTable, id).value_or(QString());
}

}  // namespace win
