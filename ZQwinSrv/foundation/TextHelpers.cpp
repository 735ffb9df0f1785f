#include "ZQwinSrv/foundation/TextHelpers.h"

#include "ZQwinSrv/foundation/Options.h"
#include "platform/codepage/CodePage.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/text/Format.h"
#include "platform/text/Strings.h"

namespace OrvaneSrv {
namespace {

QString ModuleErrorLine(const vb::ErrorInfo& err, const QString& procedure) {
  return vb::ErrorReasonLine(err.description, procedure, vb::OwnerKind::Module, QStringLiteral("modGeneral"));
}

}  // namespace

QString StripNull(const QString& text, bool keepLeadingCr) {
  return vb::OnErrorGoTo(
      [&] {
        QString result = text;
        // The engine keeps a CR in the very first place: its legacy test
        // was for a position above 1.
        const qsizetype cr = text.indexOf(QChar(u'\r'));
        if (cr >= (keepLeadingCr ? 1 : 0)) result = text.left(cr);
        const qsizetype nul = text.indexOf(QChar(u'\0'));
        if (nul >= 0) result = result.left(nul);
        return result;
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(ModuleErrorLine(err, QStringLiteral("StripNull")));
        return QString();
      });
}

QString ReplaceSection(const QString& sString, const QString& sToReplace, const QString& sReplaceWith) {
  // The legacy routine counted positions in 16 bits and so failed on texts
  // longer than 32767 characters, and stepped on one character after the
  // start of each match; here whole occurrences are replaced at any length.
  if (sToReplace.isEmpty()) return sString;
  QString result;
  result.reserve(sString.size());
  qsizetype from = 0;
  for (;;) {
    const qsizetype found = sString.indexOf(sToReplace, from, Qt::CaseSensitive);
    if (found < 0) break;
    result += QStringView(sString).mid(from, found - from);
    result += sReplaceWith;
    from = found + sToReplace.size();
  }
  result += QStringView(sString).mid(from);
  return result;
}

qsizetype PositionOfString(const QString& fpath, const QString& oftype) {
  if (oftype.isEmpty()) return 0;
  // The last start of a match, overlapping ones included, as the legacy
  // walk found it (it resumed one character after each match's start).
  return fpath.lastIndexOf(oftype, -1, Qt::CaseSensitive) + 1;
}

QString GetRemotePath(const QString& path) {
  return vb::OnErrorGoTo(
      [&] {
        static const QString kFiles = QStringLiteral("/Files/");
        const qsizetype at = path.indexOf(kFiles, 0, Qt::CaseSensitive);
        if (at < 0) return vb::Mid(path, 7);
        return path.mid(at + kFiles.size());
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("GetRemotePath ") + err.description);
        return QString();
      });
}

QString GetProperSizeValue(double size, bool bits) {
  return vb::OnErrorGoTo(
      [&] {
        constexpr double kKilo = 1024.0;
        constexpr double kMega = 1048576.0;
        constexpr double kGiga = 1073741824.0;
        double divisor = 1;
        QString unit = bits ? QStringLiteral(" b") : QStringLiteral(" B");
        if (size > kGiga) {
          divisor = kGiga;
          unit = bits ? QStringLiteral(" Gb") : QStringLiteral(" GB");
        } else if (size > kMega) {
          divisor = kMega;
          unit = bits ? QStringLiteral(" Mb") : QStringLiteral(" MB");
        } else if (size > kKilo) {
          divisor = kKilo;
          unit = bits ? QStringLiteral(" Kb") : QStringLiteral(" KB");
        }
        double value = size / divisor;
        if (bits) value *= 8;
        return vb::FormatNumber(value, 2) + unit;
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error in GetProperSizeValue()") + err.description);
        return QStringLiteral("0 KB");
      });
}

void ResetTransferCounters() {
  EngineState& e = Engine();
  e.gdFilesConsidered = 0;
  e.gdFilesRestored = 0;
  e.gdFilesFailed = 0;
  e.gdFilesSkipped = 0;
}

void ResetSummaryCounters() {
  EngineState& e = Engine();
  e.gdSummaryTotal = 0;
  e.gdSummarySuccess = 0;
  e.gdSummaryFailed = 0;
}

double GetSucessCount() { return Engine().gdSummarySuccess; }

double GetTotalCount() { return Engine().gdSummaryTotal; }

QString CretateMirrorFolderPath(const QString& relativePath, const QString& baseFolder) {
  return vb::OnErrorGoTo(
      [&] {
        QString path = baseFolder;
        if (!vb::Trim(path).endsWith(u'\\')) path += u'\\';
        for (const QString& part : vb::Split(relativePath, QStringLiteral("\\"))) {
          if (vb::Trim(part).isEmpty()) continue;
          path += part + u'\\';
          if (!win::FolderExists(path)) win::CreateFolder(path);
        }
        return path;
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error while creating folder in the function CretateMirrorFolderPath ") +
                   err.description + u' ' + QString::number(err.number));
        EngineState& e = Engine();
        if (!e.gbRestoreFailed && err.number > 0) {
          e.gbRestoreFailed = true;
          WriteTrace(QStringLiteral("Unable to access the Open file Backup temporary location, reason : ") +
                     err.description);
          WriteTransferLog(
              QStringLiteral("Operation aborted for Open file Backup, Reason : Unable to access the Open file Backup "
                             "temporary location."),
              0);
        }
        return QString();
      });
}

QByteArray ToUtf8(const QString& text) {
  if (text.isEmpty()) return {};
  return win::ToUtf8(text);
}

QString LogName(const QString& name) {
  QString shown;
  shown.reserve(name.size());
  for (qsizetype i = 0; i < name.size(); ++i) {
    const char16_t c = name.at(i).unicode();
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
    if (!control) {
      shown += name.at(i);
      continue;
    }
    for (const char byte : QString(QChar(c)).toUtf8()) {
      shown += QStringLiteral("\\#%1").arg(static_cast<uint>(static_cast<unsigned char>(byte)), 3, 8, QChar(u'0'));
    }
  }
  return shown;
}

QString FromUtf8(const QByteArray& bytes) {
  // Errors were passed over: whatever the conversion gives (or "") stands.
  QString text;
  vb::ResumeNext next;
  next([&] {
    if (!bytes.isEmpty()) text = win::FromUtf8(bytes);
  });
  return text;
}

QString MaskNonAnsiChars(const QString& text) {
  QString masked = text;
  for (QChar& ch : masked) {
    if (ch.unicode() >= 129) ch = QChar(u'A');
  }
  return masked;
}

void GetTempPaths(QString& workFolder) {
  workFolder = vb::Left(Engine().gsAppPath, 3) + QStringLiteral("OrvaneInt");
  const QString temp = workFolder + QStringLiteral("\\ORVANETEMP");
  if (!win::FolderExists(workFolder)) {
    win::CreateFolder(workFolder);
    win::CreateFolder(temp);
  }
  if (!win::FolderExists(temp)) win::CreateFolder(temp);
}

void ClearBacksetData(const vb::CollectionPtr& collection) {
  vb::OnErrorGoTo(
      [&] {
        if (!collection) vb::Raise(vb::errObjectVariableNotSet);
        // The count is read once, as the legacy loop did; the legacy loop
        // counted in 16 bits and failed on collections above 32767 items.
        const qsizetype count = collection->Count();
        for (qsizetype i = 0; i < count; ++i) collection->Remove(1);
      },
      [](const vb::ErrorInfo& err) { WriteTrace(QStringLiteral("ClearBacksetData ") + err.description); });
}

}  // namespace OrvaneSrv
