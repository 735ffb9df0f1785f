#include "ZQwinSrv/foundation/EngineMessages.h"

#include "ZQwinSrv/foundation/Options.h"
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
        if (!module->messageTable || win::MessageTableBlockCount(*module->messageTable) == 0) {
          // No table, or a table without blocks: the legacy reader went to
          // its error exit with nothing in Err.
          WriteTrace(QStringLiteral("Error in FormatMessageFromModule "));
          return {};
        }
        const auto text = win::FindMessageTableEntry(*module->messageTable, id);
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
