// clsRsyncEngine: the client's command line and argument list, starting a
// run through the redirection program, the wait loop over runs A and B,
// judging an ended run and retrying a failed list.
#include <QProcessEnvironment>

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/Processes.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "ZQwinSrv/rsync/clsRsyncEngine.h"
#include "platform/clock/Clock.h"
#include "platform/codepage/CodePage.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/WinPath.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

namespace OrvaneSrv {
namespace {

constexpr std::uint32_t kStillActive = 259;
// The redirection program's exit code for a client ended by signal n is 128 + n.
constexpr std::uint32_t kEndedBySignal = 128;
// How long a started run may take to create its output log.
constexpr std::int64_t kOutputLogWaitMs = 60000;

class ProcessLayerLauncher final : public ClientRunLauncher {
 public:
  int Start(const QString& commandLine) override { return win::StartProcess(commandLine); }
  win::ProcessHandle Open(int processId) override {
    return win::OpenProcess(win::PROCESS_TERMINATE | win::PROCESS_QUERY_INFORMATION, false, processId);
  }
  bool ExitCode(win::ProcessHandle handle, std::uint32_t& code) override {
    return win::GetExitCodeProcess(handle, code);
  }
  void Close(win::ProcessHandle handle) override { win::CloseHandle(handle); }
};

ClientRunLauncher*& InstalledLauncher() {
  static ClientRunLauncher* installed = nullptr;
  return installed;
}

QString Quote(const QString& text) { return u'"' + text + u'"'; }

// A short path that falls back to the path itself.
QString ShortOr(const QString& path) {
  QString shortPath;
  vb::ResumeNext next;
  next([&] {
    if (win::FolderExists(path)) shortPath = win::GetShortPathName(path);
  });
  return shortPath.isEmpty() ? path : shortPath;
}

bool HoldsLineBreakOrNul(const QString& text) {
  return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(0));
}

}  // namespace

ScopedClientRunLauncher::ScopedClientRunLauncher(ClientRunLauncher& launcher) : previous_(InstalledLauncher()) {
  InstalledLauncher() = &launcher;
}
ScopedClientRunLauncher::~ScopedClientRunLauncher() { InstalledLauncher() = previous_; }

ClientRunLauncher& CurrentClientRunLauncher() {
  static ProcessLayerLauncher processLayer;
  return InstalledLauncher() ? *InstalledLauncher() : processLayer;
}

clsRsyncEngine::clsRsyncEngine() = default;
clsRsyncEngine::~clsRsyncEngine() = default;

clsRsyncController& clsRsyncEngine::Controller() { return Singleton(controller_); }

QString clsRsyncEngine::Cont_GetCygdrivepath(const QString& sPath, bool bNoPrefix) {
  QString path;
  return vb::OnErrorGoTo(
      [&] {
        clsRsyncController& c = Controller();
        path = c.Cont_ReplaceString(sPath, QStringLiteral("\\"), QStringLiteral("/"));
        path = c.Cont_ReplaceString(path, QStringLiteral(":/"), QStringLiteral("/"));
        if (!bNoPrefix) path = QStringLiteral("/cygdrive/") + path;
        path.remove(u':');
        return path;
      },
      [&](const vb::ErrorInfo&) { return path; });
}

vb::Variant clsRsyncEngine::Clear_RsyncDisplayParameters() {
  WriteTrace(QStringLiteral("Enter Clear_RsyncDisplayParameters"));
  EngineState& g = Engine();
  g.gsTimeElapsed.clear();
  g.gsRsyncElapsedText.clear();
  g.gsTimeRemaining.clear();
  g.gdPrepTotalBuffer = 0;
  g.gsPrepTransferRate.clear();
  g.gfPausedTime = 0;
  return {};
}

bool clsRsyncEngine::CheckProcessStatus(win::ProcessHandle hProcess) {
  const EngineState& g = Engine();
  if (g.gbCancelled || g.gbRestoreFailed || !g.gbInteractiveRestore) return false;
  bool running = false;
  vb::ResumeNext next;
  next([&] {
    vb::Sleep(1);
    std::uint32_t code = 0;
    const bool ok = CurrentClientRunLauncher().ExitCode(hProcess, code);
    vb::DoEvents();
    running = ok && code == kStillActive;
  });
  return running;
}

clsRsyncEngine::ClientCommand clsRsyncEngine::BuildClientCommand(const QString& sUser, const QString& sListFile,
                                                                 const QString& sDestination, bool bRelative,
                                                                 bool bNoRelative, const QString& sExtraOption,
                                                                 const QString& sSourceSuffix,
                                                                 const QString& programShort,
                                                                 const QString& driveWorkFolder) {
  EngineState& g = Engine();
  const QString letter = sListFile.right(1).toUpper();
  const QString list = Cont_GetCygdrivepath(sListFile, false);
  const QString argList =
      Cont_GetCygdrivepath(driveWorkFolder + QStringLiteral("\\ORVANETEMP\\arglist") + letter + QStringLiteral(".txt"), false);
  const EngineParams& named = letter == QStringLiteral("A") ? EngineA : EngineB;
  const bool option5 = g.gbCommonFlag && named.bUseOption5 && (letter == QStringLiteral("A") || letter == QStringLiteral("B"));

  ClientCommand c;
  c.arguments << g.gsRsyncClientExe << QStringLiteral("-v");
  if (option5) c.arguments << QStringLiteral("-5");
  c.arguments << QStringLiteral("-t") << QStringLiteral("-7");
  const QString tail = QStringLiteral(" --bwlimit=32765 --compress --inplace --timeout=900 ");
  const QString head = (option5 ? QStringLiteral(" -v -5 -t -7") : QStringLiteral(" -v -t -7")) + argList + tail;
  c.arguments << QStringLiteral("--bwlimit=32765") << QStringLiteral("--compress") << QStringLiteral("--inplace")
              << QStringLiteral("--timeout=900");

  QString connection;
  QString source;
  if (g.gbUseSSL) {
    connection = QStringLiteral("--port=43718 --block-size=30000 --progress ");
    source = sUser + QStringLiteral("@localhost::tessara");
    c.arguments << QStringLiteral("--port=43718");
  } else {
    const QString server = gTransfer().Trf_ReadUserServerProfile(QStringLiteral("RSYNCSERVER"), sUser);
    connection = QStringLiteral("--port=65368 --block-size=30000 --progress ");
    source = sUser + u'@' + server + QStringLiteral("::tessara");
    c.arguments << QStringLiteral("--port=65368");
  }
  c.arguments << QStringLiteral("--block-size=30000") << QStringLiteral("--progress");

  const QString quotedList = u'\'' + list + u'\'';
  QString fileList;
  if (bRelative) {
    fileList = QStringLiteral("--no-implied-dirs --relative --files-from=") + quotedList + u' ' + sExtraOption;
    c.arguments << QStringLiteral("--no-implied-dirs") << QStringLiteral("--relative");
  } else if (bNoRelative) {
    fileList = QStringLiteral("--no-relative --files-from=") + quotedList + u' ' + sExtraOption;
    c.arguments << QStringLiteral("--no-relative");
  } else {
    fileList = QStringLiteral("--files-from=") + quotedList + u' ' + sExtraOption;
  }
  c.arguments << QStringLiteral("--files-from=") + list;
  const QString extra = vb::Trim(QString(sExtraOption).remove(u'"'));
  if (!extra.isEmpty()) c.arguments << QString(sExtraOption).remove(u'"');

  c.commandLine = Quote(programShort + g.gsRsyncClientExe) + head + connection + fileList + u' ' + source +
                  sSourceSuffix + sDestination;
  c.arguments << vb::Trim(QString(source + sSourceSuffix).remove(u'"'))
              << vb::Trim(QString(sDestination).remove(u'"'));
  return c;
}

bool clsRsyncEngine::StartRun(const QString& sUser, const QString& sListFile, const QString& sDestination,
                              bool bRelative, bool bNoRelative, const QString& sExtraOption,
                              const QString& sSourceSuffix, bool bUseOption5) {
  EngineState& g = Engine();
  // Until the folders are known a failure ends the call.
  QString programShort;
  QString workShort;
  QString driveWork;
  programShort = ShortOr(g.gsAppPath);
  if (!programShort.endsWith(u'\\')) programShort += u'\\';
  workShort = ShortOr(g.gsWorkFolder);
  QString driveWorkError;
  vb::OnErrorGoTo([&] { GetTempPaths(driveWork); },
                  [&](const vb::ErrorInfo& e) { driveWorkError = e.description; });
  if (!driveWorkError.isEmpty()) {
    // The batch line and the argument list go there: no run can start.
    StopRoute(QStringLiteral("Unable to create the work folder ") + driveWork + QStringLiteral(", Reason : ") +
              driveWorkError);
    WriteTrace(QStringLiteral("Exit Cont_Call...Engine False"));
    return false;
  }

  vb::ResumeNext next;
  ClientCommand command;
  qint64 tunnelLogAt = 0;
  if (g.gbUseSSL) {
    // Both are asked, so each missing one is reported.
    const bool tunnel = Controller().Cont_CheckDependFile(g.gsTunnelExe);
    const bool conf = Controller().Cont_CheckDependFile(g.gsTunnelConf);
    if (!tunnel || !conf) {
      WriteTransferLog(QStringLiteral("SSLservice.exe/SSLservice file not found"), 2);
      WriteTrace(QStringLiteral("Exit Cont_Call...Engine False"));
      return false;
    }
    if (!IsExeRunning(g.gsTunnelExe, false, 0)) Controller().Cont_LaunchSSLTunnel(false, false);
    tunnelLogAt = TunnelLogSize();
  }
  next([&] {
    command = BuildClientCommand(sUser, sListFile, sDestination, bRelative, bNoRelative, sExtraOption, sSourceSuffix,
                                 programShort, driveWork);
  });

  // A name must never add an argument or a second batch line.
  bool unsafe = HoldsLineBreakOrNul(command.commandLine) || HoldsLineBreakOrNul(sUser);
  for (const QString& token : command.arguments) unsafe = unsafe || HoldsLineBreakOrNul(token);
  if (unsafe || !IsSafeWorkFileUser(sUser)) {
    WriteTransferLog(QStringLiteral("Unable to start the transfer, a name holds a character the client cannot take: ") +
                         QString(sListFile).remove(u'\r').remove(u'\n').remove(QChar(0)),
                     2);
    WriteTrace(QStringLiteral("Exit Cont_Call...Engine False"));
    return false;
  }

  EngineParams* e = nullptr;
  QString letter;
  if (EngineA.iBusy == 0) {
    e = &EngineA;
    letter = QStringLiteral("A");
  } else if (EngineB.iBusy == 0) {
    e = &EngineB;
    letter = QStringLiteral("B");
  }
  if (e) {
    const QString temp = workShort + QStringLiteral("\\ORVANETEMP\\");
    const QString redirect = Quote(programShort + QStringLiteral("redirect.exe")) + QStringLiteral(" -i ") +
                             Quote(temp + sUser + QStringLiteral(".txt")) + QStringLiteral(" -e ") +
                             Quote(temp + QStringLiteral("errlogSer") + letter + QStringLiteral(".txt")) +
                             QStringLiteral(" -o ") +
                             Quote(temp + QStringLiteral("outputlogSer") + letter + QStringLiteral(".txt")) + u' ';
    e->sExtraOption = sExtraOption;
    e->sDestination = sDestination;
    e->sListFile = sListFile;
    e->sSourceSuffix = sSourceSuffix;
    e->sErrorLog = temp + QStringLiteral("errlogSer") + letter + QStringLiteral(".txt");
    e->sOutputLog = temp + QStringLiteral("outputlogSer") + letter + QStringLiteral(".txt");
    e->sBatchFile = driveWork + QStringLiteral("\\ORVANETEMP\\RedirectSer") + letter + QStringLiteral(".bat");
    e->bNoRelative = bNoRelative;
    e->bRelative = bRelative;
    e->bUseOption5 = bUseOption5;
    e->lTunnelLogAt = tunnelLogAt;
    e->sItem = sPendingItem;
    e->dwExitCode = 0;
    e->sOriginalFolder.clear();
    if (bRestoreOriginal && vb::Trim(sSourceSuffix).size() > 1) {
      // A snapshot's source root names its module's digit before the quote
      // (3"/C"): the folder is the drive path after it.
      QString root = QString(sSourceSuffix).trimmed();
      if (!root.isEmpty() && root.at(0).isDigit()) root = root.mid(1);
      QString folder = root.remove(u'"').mid(1).replace(u'/', u'\\');
      if (!folder.isEmpty()) folder = folder.left(1) + u':' + folder.mid(1);
      e->sOriginalFolder = folder;
    }
    // A new run reads its output log from the start.
    e->dOutputOffset = 0;
    e->dOutputHeldAt = -1;
    e->bOutputDone = false;
    ClearBacksetData(e->colOutputLines);

    next([&] {
      gOptions().Writeintofile(e->sBatchFile, MaskNonAnsiChars(win::FromAnsi(ToUtf8(command.commandLine))), false);
    });
    next([&] {
      gOptions().Writeintofile(driveWork + QStringLiteral("\\ORVANETEMP\\arglist") + letter + QStringLiteral(".txt"),
                               command.arguments.join(u'\n'), true);
    });
    const QString shell = redirect + Quote(e->sBatchFile);
    WriteTrace(QStringLiteral("ComSpec Variable ") + qEnvironmentVariable("COMSPEC") + QStringLiteral("\r\n") +
               QStringLiteral("Enter sync Shell buildstr :::  ") + command.commandLine);
    if (win::FileExists(e->sBatchFile)) {
      next([&] {
        ClientRunLauncher& launcher = CurrentClientRunLauncher();
        e->lProcessId = launcher.Start(shell);
        e->hProcess = launcher.Open(e->lProcessId);
        e->iBusy = 1;
        const QString outputLog = g.gsWorkFolder + QStringLiteral("\\ORVANETEMP\\outputlogSer") + letter +
                                  QStringLiteral(".txt");
        // The redirection program creates the log as soon as it runs; one
        // that has ended without it, or takes too long, made no run.
        const std::uint32_t start = vb::TickCount();
        while (!win::FileExists(outputLog)) {
          vb::DoEvents();
          vb::Sleep(1);
          std::uint32_t code = 0;
          const bool known = launcher.ExitCode(e->hProcess, code);
          if (win::FileExists(outputLog)) break;
          if (!known || code != kStillActive || vb::TickCount() - start > kOutputLogWaitMs) {
            WriteTrace(QStringLiteral("The redirection program made no output log for engine ") + letter);
            return;
          }
        }
        e->tsOutput.emplace(win::OpenTextFile(outputLog, win::ForReading));
      });
    } else {
      WriteTrace(QStringLiteral("Error in Launching Engine") + letter + QStringLiteral(" Batch file does not exist"));
    }
  }
  gProgressDisplay().PrepMonitorCall(1, QString(), QStringLiteral("Performing incremental transfer of file(s)"));
  return true;
}

bool clsRsyncEngine::Cont_CallRsyncEngine(const QString& sUser, const QString& sPassword, const QString& sListFile,
                                          const QString& sDestination, Integer iCallerOpt1, bool /*bReserved*/,
                                          bool bRelative, Integer iCallerOpt2, bool bNoRelative,
                                          const QString& sExtraOption, bool bWaitForOne, bool bLaunchToo,
                                          const QString& sSourceSuffix, const QString& /*sCallerText*/,
                                          bool bUseOption5, bool /*bReserved2*/) {
  EngineState& g = Engine();
  bool result = false;
  if (!bWaitForOne || bLaunchToo) {
    WriteTrace(QStringLiteral("Enter Cont_Call...Engine"));
    g.gvRemotePath = sDestination;
    Controller().Cont_ClearCollection();
    if (!sRouteStopped.isEmpty()) {
      WriteTrace(QStringLiteral("Exit Cont_Call...Engine False"));
      return false;
    }
    if (!Controller().Cont_CheckSSLDependencies()) {
      // Without the client no list of the job can run: the route gives up
      // (the restore then falls back or fails) instead of counting nothing
      // restored as a success.
      StopRoute(QStringLiteral("Unable to start the transfer, the rsync client or its runtime is missing from ") +
                g.gsAppPath);
      WriteTrace(QStringLiteral("Exit Cont_Call...Engine False"));
      return false;
    }
    const bool started = vb::OnErrorGoTo(
        [&] {
          return StartRun(sUser, sListFile, sDestination, bRelative, bNoRelative, sExtraOption, sSourceSuffix,
                          bUseOption5);
        },
        [&](const vb::ErrorInfo& e) {
          EngineA.bGaveUp = true;
          WriteTrace(QStringLiteral("ERROR Cont_CallSyncEngine() Reason: ") + e.description);
          return false;
        });
    if (!started) return false;
  }

  const Integer n = CheckIfBackupComplete(bWaitForOne);
  if (n == 0) {
    WriteTrace(QStringLiteral("Exit Cont_CallSyncEngine "));
    return result;
  }
  // A client ended by a signal (killed, crashed) was cut off whatever its
  // error log says: its list is run again.
  const std::uint32_t code = Run(n).dwExitCode;
  const bool ended = code < kEndedBySignal || code == kStillActive;
  if (!ended) WriteTrace(QStringLiteral("The client was ended by a signal, exit code ") + QString::number(code));
  const bool ok = Cont_Check_Log_Err_Files(n) && ended;
  if (ok) {
    colGoodLists[Run(n).sItem] += 1;
    if (n == 1)
      ResetParamEngineA();
    else
      ResetParamEngineB();
    result = true;
    vb::Sleep(10);
    WriteTrace(QStringLiteral("Exit Cont_CallSyncEngine "));
    return result;
  }

  // The retry of the failed run.
  EngineParams& e = Run(n);
  EngineParams& o = Run(n == 1 ? 2 : 1);
  const QString letter = n == 1 ? QStringLiteral("A") : QStringLiteral("B");
  // A refused certificate fails every retry alike.
  if (e.iRetryCount > g.giRsyncRetryLimit || CertificateRefused(e.lTunnelLogAt, code)) {
    if (n == 1)
      ResetParamEngineA();
    else
      ResetParamEngineB();
    e.bGaveUp = true;
    WriteTrace(QStringLiteral("Exit Cont_CallSyncEngine "));
    return false;
  }
  gProgressDisplay().PrepMonitorCall(1, QString(), QStringLiteral("Retrying"));
  e.tsOutput.reset();
  e.iRetryCount = static_cast<Integer>(e.iRetryCount + 1);
  e.lFailureCount += 1;
  // However often the runs fail, a retry keeps the tunnel (RsyncRetry.cpp).
  RsyncWait(e.iRetryCount);
  WriteTrace(QStringLiteral("Retrying backup with ") + letter + QStringLiteral("count =") +
             QString::number(e.iRetryCount));
  const int s = EngineA.iRetryCount + EngineB.iRetryCount;
  if (s == 1)
    WriteTransferLog(QStringLiteral("Retrying.... "), 0);
  else if (s > 1)
    gOptions().opt_setposofresumeentryRsync(QStringLiteral("Retrying.... (") + QString::number(s) +
                                            QStringLiteral(" times) "));
  vb::ResumeNext next;
  e.dBytesDone = 0;
  for (const QString& name : {QStringLiteral("outputlogSer"), QStringLiteral("errlogSer")}) {
    next([&] {
      const QString path = g.gsWorkFolder + QStringLiteral("\\ORVANETEMP\\") + name + letter + QStringLiteral(".txt");
      if (win::FileExists(path)) win::DeleteFile(path, true);
    });
  }
  if (bWaitForOne) o.iBusy = -1;
  // A job the user stopped (the "Retrying" call-back or the back-off may
  // have carried the answer) starts no new client.
  if (g.gbCommonFlag && !g.gbCancelled && !g.gbRestoreFailed && win::FileExists(e.sListFile)) {
    const QString list = e.sListFile;
    const QString destination = e.sDestination;
    const QString extra = e.sExtraOption;
    const QString suffix = e.sSourceSuffix;
    sPendingItem = e.sItem;
    next([&] {
      (void)Cont_CallRsyncEngine(sUser, sPassword, list, destination, iCallerOpt1, true, bRelative, iCallerOpt2,
                                 e.bNoRelative, extra, bWaitForOne, bWaitForOne, suffix, QString(), e.bUseOption5,
                                 false);
    });
  }
  WriteTrace(QStringLiteral("Exit Cont_CallSyncEngine "));
  return false;
}

bool clsRsyncEngine::RunEnded(Integer iEngine) {
  EngineParams& e = Run(iEngine);
  const bool atEnd = !e.tsOutput || e.tsOutput->AtEndOfStream();
  if (atEnd && !CheckProcessStatus(e.hProcess)) {
    e.iBusy = 0;
    e.tsOutput.reset();
    KeepExitCode(e);
    CurrentClientRunLauncher().Close(e.hProcess);
    return true;
  }
  return false;
}

void clsRsyncEngine::KeepExitCode(EngineParams& e) {
  std::uint32_t code = 0;
  e.dwExitCode = CurrentClientRunLauncher().ExitCode(e.hProcess, code) ? code : 0;
}

Integer clsRsyncEngine::CheckIfBackupComplete(bool bWaitOne) {
  WriteTrace(QStringLiteral("Enter CheckIfBackupComplete"));
  Integer result = 0;
  EngineState& g = Engine();
  const QString temp = g.gsWorkFolder + QStringLiteral("\\ORVANETEMP\\");
  // A busy run whose redirection program never made its output log has
  // ended once that program has.
  auto watch = [&](Integer n) {
    EngineParams& e = Run(n);
    const QString letter = n == 1 ? QStringLiteral("A") : QStringLiteral("B");
    if (win::FileExists(temp + QStringLiteral("outputlogSer") + letter + QStringLiteral(".txt"))) {
      DisplayProgress(n);
      // The lines already read are parsed at once: one line per pass of
      // the wait would make the poll interval the pace of small files.
      for (int i = 0; i < 1000 && !g.gbCancelled && !g.gbRestoreFailed && e.colOutputLines &&
                      e.colOutputLines->Count() > 0;
           ++i) {
        DisplayProgress(n);
      }
      // The progress call-back may have just answered "stop". A stopped job
      // takes no run for ended (the process test answers false for it even
      // while the client still works): the loop's stop test ends both runs.
      if (g.gbCancelled || g.gbRestoreFailed) return false;
      return RunEnded(n);
    }
    if (!e.tsOutput) {
      std::uint32_t code = 0;
      const bool known = CurrentClientRunLauncher().ExitCode(e.hProcess, code);
      if (!known || code != kStillActive) {
        e.iBusy = 0;
        e.dwExitCode = known ? code : 0;
        CurrentClientRunLauncher().Close(e.hProcess);
        return true;
      }
    }
    return false;
  };
  return vb::OnErrorGoTo(
      [&] {
        while ((EngineA.iBusy == 1 && EngineB.iBusy == 1) || bWaitOne) {
          vb::DoEvents();
          vb::DoEvents();
          if (++lPollCounter >= 50000) lPollCounter = 0;
          vb::Sleep(1);
          if (!bWaitOne) {
            if (watch(1)) {
              result = 1;
              break;
            }
            if (watch(2)) {
              result = 2;
              break;
            }
          }
          if (g.gbNeedTotalSize) gProgressDisplay().getTotalSize();
          if (bWaitOne) {
            if (EngineA.iBusy == 1) {
              if (watch(1)) {
                result = 1;
                break;
              }
            } else if (EngineB.iBusy == 1) {
              if (watch(2)) {
                result = 2;
                break;
              }
            } else {
              // Nothing is running, so nothing can end.
              break;
            }
          }
          if (g.gbCancelled || g.gbRestoreFailed) {
            CloseEngine();
            result = 0;
            break;
          }
        }
        WriteTrace(QStringLiteral("Exit CheckIfBackupComplete"));
        return result;
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error encountered while checking if backup is complete. Reason: ") +
                   QString::number(e.number) + u' ' + e.description);
        return result;
      });
}

}  // namespace OrvaneSrv
