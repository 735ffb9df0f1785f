#include "ZQwinSrv/foundation/Options.h"

#include "ZQwinSrv/foundation/TextHelpers.h"
#include "platform/clock/Clock.h"
#include "platform/codepage/CodePage.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/BinaryFile.h"
#include "platform/files/FileAttributes.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextStream.h"
#include "platform/text/Format.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"
#include "platform/ui/MessageBoxService.h"

namespace OrvaneSrv {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString TimeText() { return TransferLogTime(); }

// The text before the first NUL (the whole text when it has none).
QString CutAtNul(const QString& text) {
  const qsizetype nul = text.indexOf(QChar(0));
  return nul < 0 ? text : text.left(nul);
}

// The status word of a transfer-log line, 14 characters wide; "" for a
// kind that has none.
QString StatusWord(const TransferLogForm& form, Integer code) {
  switch (code) {
    case 0: return QStringLiteral("Information : ");
    case 1: return QStringLiteral("Success     : ");
    case 2: return QStringLiteral("Error       : ");
    case 3: return form.debugKind ? QStringLiteral("Debug       : ") : QString();
    case 6: return form.lineEndAndSyncKinds ? QStringLiteral("Sync list   : ") : QString();
    default: return {};
  }
}

QString StatusWord(Integer code) { return StatusWord(TransferLogForm{}, code); }

// The text before the first CR and then before the first NUL.
QString CutAtLineEnd(const QString& text) {
  const qsizetype cr = text.indexOf(QChar(u'\r'));
  return CutAtNul(cr < 0 ? text : text.left(cr));
}

// Runs one step of a writer whose failures are all passed over.
template <typename Step>
void Quietly(Step&& step) {
  vb::ResumeNext next;
  next(std::forward<Step>(step));
}

void EnsureFolder(const QString& folder) {
  Quietly([&] {
    if (!win::FolderExists(folder)) win::CreateFolder(folder);
  });
}

QString SessionPath() { return AppFolder() + QStringLiteral("\\Session\\") + Engine().gsSessionFile; }
QString DailyLogPath() { return AppFolder() + QStringLiteral("\\logs\\") + Engine().gsDailyLogName + QStringLiteral(".txt"); }
QString ServiceLogPath() { return AppFolder() + QStringLiteral("\\ZQWServiceLog.txt"); }
QString TransferLogPath() { return AppFolder() + QStringLiteral("\\OrvaneLogFile.txt"); }
QString SchErrorLogPath() { return AppFolder() + QStringLiteral("\\ZQWSchErrorLogFile.txt"); }

}  // namespace

QString TransferLogTime() { return vb::Format(vb::Now(), QStringLiteral("mm/dd/yyyy hh:mm:ss")); }

QString TransferLogLine(const TransferLogForm& form, const QString& message, Integer kind, const QString& time) {
  if (form.blankMessageGivesEmptyLine && vb::Trim(message).isEmpty()) return {};
  QString line;
  if (kind == 4) {
    line = kCrLf + QStringLiteral("Information : ") + time + QStringLiteral(" : ") + message;
  } else if (kind == 5 && form.lineEndAndSyncKinds) {
    line = kCrLf;
  } else if (const QString word = StatusWord(form, kind); !word.isEmpty()) {
    line = word + time + QStringLiteral(" : ") + (form.cutAtLineEnd ? CutAtLineEnd(message) : vb::Trim(message));
  }
  return form.singleSlashes ? ReplaceSection(line, QStringLiteral("//"), QStringLiteral("/")) : line;
}

void AppendLogLine(const QString& path, const QString& line) {
  Quietly([&] {
    if (!win::FileExists(path)) win::CreateTextFile(path, false, true).Close();
    win::TextStream stream = win::OpenTextFile(path, win::ForAppending, false, win::TristateTrue);
    stream.Write(vb::Trim(line) + kCrLf);
    stream.Close();
  });
}

Options& gOptions() { return Singleton(Engine().gOptions); }
void WriteTrace(const QString& text) { gOptions().WriteTrace(text); }
void WriteTransferLog(const QString& text, Integer code) { gOptions().Opt_WriteInto_TransferLog(text, code); }
QString AppFolder() { return Engine().gsAppPath + Engine().gsAppWord; }

void Options::Opt_WriteInto_TransferLog(const QString& LogMsg, Integer bval) {
  vb::OnErrorGoTo(
      [&] {
        EngineState& g = Engine();
        QString entry;
        if (!vb::Trim(LogMsg).isEmpty()) {
          EnsureFolder(AppFolder());
          const QString time = TimeText();
          g.gsLogTimeText = time + QStringLiteral(" : ") + vb::Trim(LogMsg);
          entry = TransferLogLine(TransferLogForm{}, LogMsg, bval, time);
        }
        const QString mainLog = g.giMode != 0 ? TransferLogPath() : ServiceLogPath();
        const bool sessionLine = bval != 4 && bval != 5;
        if (g.giMode == 0 && sessionLine) {
          EnsureFolder(AppFolder() + QStringLiteral("\\logs\\"));
          Quietly([&] {
            if (win::FolderExists(AppFolder() + QStringLiteral("\\logs\\"))) AppendFileData(DailyLogPath(), entry);
          });
          if (bval == 2) {
            Quietly([&] {
              if (win::FolderExists(AppFolder())) AppendFileData(SchErrorLogPath(), entry);
            });
          }
        }
        if (sessionLine && !g.gsSessionFile.isEmpty()) {
          EnsureFolder(AppFolder() + QStringLiteral("\\Session\\"));
          Quietly([&] {
            if (win::FolderExists(AppFolder() + QStringLiteral("\\Session\\"))) AppendFileData(SessionPath(), entry);
          });
        }
        AppendFileData(mainLog, entry);
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Opt_Writeinto_Transferlog ") + QString::number(e.number) + e.description);
      });
}

void Options::Opt_WriteInto_SchErrorLog(const QString& LogMsg, Integer bval) {
  Quietly([&] {
    QString entry;
    if (!vb::Trim(LogMsg).isEmpty() && bval >= 0 && bval <= 2) {
      EnsureFolder(AppFolder());
      entry = StatusWord(bval) + TimeText() + QStringLiteral(" : ") + StripNull(LogMsg);
    }
    AppendFileData(SchErrorLogPath(), entry);
  });
}

void Options::WriteTrace(const QString& TraceMsg, bool bExchTraceWrite) {
  Quietly([&] {
    EnsureFolder(AppFolder());
    if (!bExchTraceWrite) {
      const QString name = Engine().giMode != 0 ? QStringLiteral("TraceFile.txt") : QStringLiteral("SerTraceFile.txt");
      AppendFileData(AppFolder() + QStringLiteral("\\") + name, TraceMsg);
      return;
    }
    win::TextStream stream = win::OpenTextFile(AppFolder() + QStringLiteral("\\ExchBackupTrace.txt"), win::ForAppending,
                                               true, win::TristateFalse);
    stream.WriteLine(TraceMsg);
    stream.Close();
  });
}

bool Options::Opt_getarchbitval(const QString& filepath) {
  bool answer = false;
  Quietly([&] {
    // The attribute word is a 16-bit signed number: the failure value (every
    // bit set) tests as archived, a word of 32768 or more as not archived.
    const auto word = static_cast<std::int16_t>(win::GetFileAttributes(filepath) & 0xFFFF);
    answer = word >= 0 ? (word & 32) != 0 : word == -1;
  });
  return answer;
}

bool Options::Opt_setarchbitval(const vb::Variant& filepath) {
  bool answer = true;
  Quietly([&] {
    const QString path = filepath.ToString();
    WriteTrace(QStringLiteral("Enter opt_setarchbitval = ") + path);
    const long old = win::GetAttr(path);
    win::SetAttr(path, old & ~32L);
    answer = win::GetAttr(path) != 32;
  });
  return answer;
}

bool Options::Opt_resetarchbitval(const vb::Variant& filepath) {
  bool answer = false;
  Quietly([&] {
    const QString path = filepath.ToString();
    const long old = win::GetAttr(path);
    if ((old & 32) != 0) return;
    win::SetAttr(path, old + 32);
    answer = win::GetAttr(path) == old + 32;
  });
  return answer;
}

QString Options::Opt_MakeBakOptionStr(bool compress, bool incremental, bool mirroropt, bool encopt) {
  QString text = QStringLiteral("Options :");
  if (compress) text += QStringLiteral(" Compress,");
  text += incremental ? QStringLiteral(" Incremental,") : QStringLiteral(" Full,");
  if (mirroropt) text += QStringLiteral(" Mirroring,");
  if (encopt) text += QStringLiteral(" File Encryption");
  if (text.endsWith(u',')) text.chop(1);
  return text;
}

QString Options::Opt_MakeResOptionStr(bool uncompress, bool incremental, bool /*mirroropt*/) {
  QString text = QStringLiteral("Options :");
  if (uncompress) text += QStringLiteral(" Uncompress,");
  text += incremental ? QStringLiteral(" Incremental,") : QStringLiteral(" Full,");
  if (text.endsWith(u',')) text.chop(1);
  return text;
}

bool Options::opt_setposofresumeentryRsync(QString /*reslogentry*/) {
  Quietly([&] {
    const QString entry = QStringLiteral("Information : ") + TimeText() + QStringLiteral(" : Retrying....");
    if (Engine().giMode == 0) {
      AppendFileData(ServiceLogPath(), entry);
      AppendFileData(DailyLogPath(), entry);
      AppendFileData(SessionPath(), entry);
    } else if (Engine().giMode == 1) {
      AppendFileData(TransferLogPath(), entry);
      AppendFileData(SessionPath(), entry);
    }
  });
  return false;
}

bool Options::opt_setposofresumeentry(const QString& reslogentry) {
  Quietly([&] {
    const auto retrying = [] { return QStringLiteral("Information : ") + TimeText() + QStringLiteral(" : Retrying...."); };
    const auto resume = [&] {
      return kCrLf + QStringLiteral("Information : ") + TimeText() + QStringLiteral(" : ") + StripNull(reslogentry);
    };
    if (Engine().giMode == 1) {
      AppendFileData(SessionPath(), retrying());
      AppendFileData(SessionPath(), resume());
    } else if (Engine().giMode == 0) {
      AppendFileData(ServiceLogPath(), retrying());
      AppendFileData(DailyLogPath(), resume());
      AppendFileData(SessionPath(), resume());
    }
  });
  return false;
}

void Options::Writeintofile(const QString& sFilepath, const QString& sentry, bool bUtf8) {
  vb::OnErrorGoTo(
      [&] {
        if (win::FileExists(sFilepath)) win::DeleteFile(sFilepath, true);
        if (sentry.isEmpty()) return;
        win::BinaryFile file = win::BinaryFile::Open(sFilepath, win::BinaryFile::Access::Write,
                                                     win::BinaryFile::Disposition::CreateAlways);
        file.Write(bUtf8 ? win::ToUtf8(sentry) : win::ToAnsi(sentry));
        file.Close();
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in File List Creation") + QString::number(e.number) + e.description);
      });
}

QString Options::WriteintoUnicodefile(const QString& sFilepath, const QString& sentry) {
  QString firstLine;
  vb::OnErrorGoTo(
      [&] {
        if (win::FileExists(sFilepath)) win::DeleteFile(sFilepath, true);
        if (!sentry.isEmpty()) {
          win::TextStream out = win::CreateTextFile(sFilepath, true, true);
          out.Write(sentry + kCrLf);
          out.Close();
        }
        if (win::FileExists(sFilepath)) {
          win::TextStream in = win::OpenTextFile(sFilepath, win::ForReading, false, win::TristateTrue);
          if (!in.AtEndOfStream()) firstLine = in.ReadLine();
        }
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in File List Creation") + QString::number(e.number) + e.description);
      });
  return firstLine;
}

vb::Variant Options::AppendFileData(const QString& sFilePathName, const QString& ActLogMsg) {
  AppendLogLine(sFilePathName, ActLogMsg);
  return {};
}

vb::Variant Options::WriteFirstBit(const QString& sFilePathName, const QString& sBitInfo) {
  Quietly([&] {
    QString text = QStringLiteral("0") + kCrLf;
    if (win::FileExists(sFilePathName)) {
      win::TextStream in = win::OpenTextFile(sFilePathName, win::ForReading, false, win::TristateTrue);
      text = in.AtEndOfStream() ? QString() : in.ReadAll();
      in.Close();
    }
    const QString rewritten = vb::Trim(sBitInfo) + text.mid(1);
    win::TextStream out = win::CreateTextFile(sFilePathName, true, true);
    out.Write(rewritten);
    out.Close();
  });
  return {};
}

QString Options::ReadFirstBit(const QString& sFilePathName) {
  QString line;
  Quietly([&] {
    if (!win::FileExists(sFilePathName)) return;
    win::TextStream in = win::OpenTextFile(sFilePathName, win::ForReading, false, win::TristateTrue);
    if (!in.AtEndOfStream()) line = vb::Trim(in.ReadLine());
  });
  return line;
}

vb::Variant Options::clsMessageBox(const QString& nmsg, long imgIcon, long btnstyle) {
  long answer = 0;
  Quietly([&] { answer = win::MessageBox(nmsg, imgIcon, btnstyle, Engine().gsMsgBoxTitle); });
  return vb::Variant(static_cast<int>(answer));
}

long Options::opt_seeklastlineinlog(const QString& path) {
  long position = 0;
  vb::OnErrorGoTo(
      [&] {
        win::TextStream in = win::OpenTextFile(path, win::ForReading, false, win::TristateUseDefault);
        const QString text = in.AtEndOfStream() ? QString() : in.ReadAll();
        in.Close();
        position = static_cast<long>(text.size());
        // Walk backwards gathering characters into lines; a line ends once
        // two line-end characters (CR LF) have been passed.
        QString line;
        int ends = 0;
        for (qsizetype i = text.size(); i >= 1; --i) {
          vb::DoEvents();
          vb::DoEvents();
          const QChar ch = text.at(i - 1);
          if (ch == u'\r' || ch == u'\n') {
            if (++ends >= 2) {
              line.clear();
              ends = 0;
            }
            continue;
          }
          line.prepend(ch);
          if (line.contains(QStringLiteral("Resuming the backup of file"))) {
            position = static_cast<long>(i);
            return;
          }
        }
      },
      [&](const vb::ErrorInfo& e) { WriteTrace(QStringLiteral("opt_seeklastlineinlog") + e.description); });
  return position;
}

}  // namespace OrvaneSrv
