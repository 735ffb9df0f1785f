#include "ZQwinSrv/foundation/EngineMessages.h"

#include "ZQwinSrv/foundation/Options.h"
#include "platform/codepage/CodePage.h"
#include "platform/errors/RuntimeError.h"
#include "platform/msgtable/MessageTable.h"
#include "platform/text/Strings.h"

#include <cstdint>
#include <optional>

namespace OrvaneSrv {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Codes 3/6, 4/7 and 15/17 share their texts: the later numbers were kept
// for the callers that used them when the texts were still different.
QString RestoreFailedWithBreak() {
  return QStringLiteral("Unable to perform the restore operation  ") + kCrLf + QStringLiteral(" Reason:");
}
QString RestoreFailedInline() { return QStringLiteral("Unable to perform the restore operation. Reason:"); }
QString SpecialCharacters() {
  // The list ends with the double quote itself, then two blanks.
  return QStringLiteral("You are not allowed to use these special characters   /, \\,:, *, |, <, >,\"  ");
}

// Little-endian reads from a message-table resource. A read past the end of
// the bytes fails the way a bad index did in the legacy reader, so a damaged
// table ends in the trace line of the caller instead of reading stray memory.
std::uint32_t ReadU32(const QByteArray& b, qsizetype at) {
  if (at < 0 || at + 4 > b.size()) vb::Raise(vb::errSubscriptOutOfRange);
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

std::uint16_t ReadU16(const QByteArray& b, qsizetype at) {
  if (at < 0 || at + 2 > b.size()) vb::Raise(vb::errSubscriptOutOfRange);
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}

// The text of one entry: flag 1 is UTF-16 taken as the entry's length minus
// its 4-byte header; anything else is 8-bit text in the system code page up
// to its terminating zero.
QString EntryText(const QByteArray& table, qsizetype pos, std::uint16_t length, std::uint16_t flags) {
  if (pos + length > table.size()) vb::Raise(vb::errSubscriptOutOfRange);
  const QByteArray body = table.mid(pos + 4, length - 4);
  if (flags == 1) {
    QString text;
    text.reserve(body.size() / 2);
    for (qsizetype i = 0; i + 1 < body.size(); i += 2) text.append(QChar(ReadU16(body, i)));
    return text;
  }
  const qsizetype nul = body.indexOf('\0');
  return win::FromAnsi(nul < 0 ? body : body.left(nul));
}

// Walks the blocks of a message table for `code`; the first block that
// yields the entry answers. Nothing when no block holds an entry for it.
// Entries are stepped one id at a time by their length. An entry of length 0
// does not move the walk, so every later id of its block reads the same empty
// entry: the block has nothing more to give and the walk goes to the next.
std::optional<QString> FindEntry(const QByteArray& table, std::uint32_t code, std::uint32_t blocks) {
  for (std::uint32_t b = 0; b < blocks; ++b) {
    const qsizetype at = 4 + static_cast<qsizetype>(b) * 12;
    const std::uint32_t low = ReadU32(table, at);
    const std::uint32_t high = ReadU32(table, at + 4);
    if (code < low || code > high) continue;
    qsizetype pos = ReadU32(table, at + 8);
    for (std::uint32_t id = low;; ++id) {
      const std::uint16_t length = ReadU16(table, pos);
      const std::uint16_t flags = ReadU16(table, pos + 2);
      if (length == 0) break;
      if (id == code) {
        if (length < 4) vb::Raise(vb::errSubscriptOutOfRange);
        return EntryText(table, pos, length, flags);
      }
      pos += length;
    }
  }
  return std::nullopt;
}

}  // namespace

QString GetMessageText(Long code) {
  switch (code) {
    case 1:
      return QStringLiteral("Unable to continue the restore operation, Reason : ");
    case 2:
      return QStringLiteral("Unable to continue the listing of Sync, Reason : ");
    case 3:
    case 6:
      return RestoreFailedWithBreak();
    case 4:
    case 7:
      return RestoreFailedInline();
    case 5:
      return kCrLf + QStringLiteral(" destination file/folder might not have write permission.");
    case 8:
      return QStringLiteral("Re-install the application") + kCrLf;
    case 9:
      return QStringLiteral(" file not found in ");
    case 10:
      return QStringLiteral("Unable to perform the Sync operation  ") + kCrLf + QStringLiteral(" Reason:");
    case 11:
      return QStringLiteral("Unable to perform the Sync operation. Reason:");
    case 12:
      return QStringLiteral(",") + kCrLf + QStringLiteral(" destination file/folder might not have write permission.");
    case 13:
      return QStringLiteral("One or more Encrypted Files Could not be decrypted. ") + kCrLf +
             QStringLiteral("Reason : Encryption password was missing.") + kCrLf + kCrLf +
             QStringLiteral("Click ok to enter the Encryption key.");
    case 14:
      return QStringLiteral("Enter a valid file/folder name.");
    case 15:
    case 17:
      return SpecialCharacters();
    case 16:
      return QStringLiteral(" Invalid File/Folder Name. ");
    case 18:
      return QStringLiteral("Unable to delete ");
    case 19:
      return QStringLiteral("Provide a different name as this is the default name for the encrypted backup folder.");
    default:
      return {};
  }
}

QString GetFileErrorText(Long code) {
  switch (code) {
    case 52:
      return QStringLiteral("Bad file name or number.");
    case 53:
      return QStringLiteral("File not found.");
    case 54:
      return QStringLiteral("Bad file mode.");
    case 55:
      return QStringLiteral("File already open.");
    case 57:
      return QStringLiteral("Device I/O error.");
    case 68:
      return QStringLiteral("Device unavailable.");
    case 70:
      return QStringLiteral("Permission Denied.");
    case 71:
      return QStringLiteral("Disk Not Ready.");
    case 75:
      return QStringLiteral("Path/File Access Error.");
    case 76:
      return QStringLiteral("Path not found.");
    default:
      return {};
  }
}

QString FormatMessageFromModule(const QString& moduleName, Long code) {
  // A module that cannot be loaded answers "" without a trace, as the
  // legacy reader returned before its error handler was armed.
  std::optional<win::MessageModule> module;
  vb::ResumeNext load;
  load([&] { module = win::LoadMessageModule(moduleName); });
  if (!module) return {};

  // The table's ids are unsigned; a negative code reaches the same bit
  // pattern the legacy 32-bit comparison used.
  const auto id = static_cast<std::uint32_t>(code);
  return vb::OnErrorGoTo(
      [&]() -> QString {
        const std::uint32_t blocks = module->messageTable ? ReadU32(*module->messageTable, 0) : 0;
        if (blocks == 0) {
          // No table, or a table without blocks: the legacy reader went to
          // its error exit with nothing in Err.
          WriteTrace(QStringLiteral("Error in FormatMessageFromModule "));
          return {};
        }
        const auto text = FindEntry(*module->messageTable, id, blocks);
        return text ? TrimNULL(*text) : QString();
      },
      [](const vb::ErrorInfo& err) -> QString {
        WriteTrace(QStringLiteral("Error in FormatMessageFromModule ") + err.description);
        return {};
      });
}

QString TrimNULL(const QString& text) {
  const qsizetype nul = text.indexOf(QChar(u'\0'));
  return nul < 0 ? text : text.left(nul);
}

void SetProductTitle() {
  EngineState& e = Engine();
  const QString word = vb::Trim(e.gsAppWord);
  if (word == QLatin1String("OrvaneMac")) {
    e.gsMsgBoxTitle = QStringLiteral("Orvane for Mac - Windows Restore");
  } else if (word == QLatin1String("OrvaneWP")) {
    e.gsMsgBoxTitle = QStringLiteral("Orvane for WordPress - Windows Restore");
  }
}

}  // namespace OrvaneSrv
