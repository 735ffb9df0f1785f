// clsRsyncEngine: the recursive listing of a remote folder through the
// client (a dry run whose standard output becomes "outputlog.txt"), its
// retries, and the wait loop that the restore and the search listings share.
#include <QProcessEnvironment>

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/Processes.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/rsync/SnapshotPaths.h"
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
// A listing is attempted at most this often.
constexpr Integer kListingAttempts = 10;
// How long a started redirection program may take to create its output log.
constexpr std::int64_t kOutputLogWaitMs = 60000;

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

bool clsRsyncEngine::EnumerateOnce(const QString& sWorkFolder, const QString& sUser, const QString& sRemotePath,
                                   bool bSearch, bool& bNoRetry) {
  EngineState& g = Engine();
  bNoRetry = false;
  gTransfer().Trf_ClearEnumRemoteDirContent();
  // A snapshot "/BackUp_nightly.<d>/<user>/rest" is read from the module
  // "tessara<d>" at "/rest".
  g.gvRemotePath = ModulePath(sRemotePath, g.gsUserName);
  lPollCounter = 0;
  if (!sRouteStopped.isEmpty()) {
    bNoRetry = true;
    return false;
  }
  // The listing runs the client as the transfer runs do: without it (or its
  // runtime) the route cannot go on, and trying again cannot help.
  if (!Controller().Cont_CheckSSLDependencies()) {
    StopRoute(QStringLiteral("Unable to list the folder, the rsync client or its runtime is missing from ") +
              g.gsAppPath);
    bNoRetry = true;
    return false;
  }

  vb::ResumeNext next;
  const QString temp = sWorkFolder + QStringLiteral("\\ORVANETEMP\\");
  for (const QString& name : {QStringLiteral("Enum.bat"), QStringLiteral("EnumSub.bat"),
                              QStringLiteral("outputlog.txt"), QStringLiteral("errlog.txt")}) {
    next([&] {
      if (win::FileExists(temp + name)) win::DeleteFile(temp + name, true);
    });
  }
  QString programShort = ShortOr(g.gsAppPath);
  if (!programShort.endsWith(u'\\')) programShort += u'\\';
  const QString workShort = ShortOr(sWorkFolder);
  QString driveWork;
  QString driveWorkError;
  vb::OnErrorGoTo([&] { GetTempPaths(driveWork); },
                  [&](const vb::ErrorInfo& e) { driveWorkError = e.description; });
  if (!driveWorkError.isEmpty()) {
    // The client's argument list and batch line go there: without it no
    // listing can run.
    StopRoute(QStringLiteral("Unable to create the work folder ") + driveWork + QStringLiteral(", Reason : ") +
              driveWorkError);
    bNoRetry = true;
    return false;
  }

  const QString argListPath = driveWork + QStringLiteral("\\ORVANETEMP\\arglist.txt");
  const QString P = Cont_GetCygdrivepath(argListPath, false);
  const QString O = bSearch ? QStringLiteral(" -v -r -z -t -7") + P + QStringLiteral(" -n --compress --timeout=900 ")
                            : QStringLiteral(" -v -r -z -t -7") + P +
                                  QStringLiteral(" -n --stats --compress --timeout=900 ");
  QStringList H{QStringLiteral("-v"), QStringLiteral("-r"), QStringLiteral("-z"), QStringLiteral("-t"),
                QStringLiteral("-7"), QStringLiteral("-n")};
  if (!bSearch) H << QStringLiteral("--stats");
  H << QStringLiteral("--compress") << QStringLiteral("--timeout=900");
  const QString R = Quote(programShort + QStringLiteral("redirect.exe")) + QStringLiteral(" -i ") +
                    Quote(workShort + QStringLiteral("\\ORVANETEMP\\") + sUser + QStringLiteral(".txt")) +
                    QStringLiteral(" -e ") + Quote(workShort + QStringLiteral("\\ORVANETEMP\\errlog.txt")) +
                    QStringLiteral(" -o ") + Quote(workShort + QStringLiteral("\\ORVANETEMP\\outputlog.txt"));

  QString C;
  QStringList A{QString(g.gsRsyncClientExe).replace(QStringLiteral(".exe"), QString())};
  A << H;
  const QString remote = g.gvRemotePath.ToString();
  qint64 tunnelLogAt = 0;
  if (g.gbUseSSL) {
    // Both are asked, so each missing one is reported.
    const bool tunnel = Controller().Cont_CheckDependFile(g.gsTunnelExe);
    const bool conf = Controller().Cont_CheckDependFile(g.gsTunnelConf);
    if (!tunnel || !conf) {
      WriteTransferLog(g.gsTunnelExe + QStringLiteral(" file not found"), 2);
      bNoRetry = true;
      return false;
    }
    if (!IsExeRunning(g.gsTunnelExe, false, 0)) Controller().Cont_LaunchSSLTunnel(false, false);
    tunnelLogAt = TunnelLogSize();
    C = Quote(programShort + g.gsRsyncClientExe) + O + QStringLiteral("--port=43718 ") +
        Quote(sUser + QStringLiteral("@localhost::tessara") + remote);
    A << QStringLiteral("--port=43718") << sUser + QStringLiteral("@localhost::tessara") + remote;
  } else {
    const QString server = gTransfer().Trf_ReadUserServerProfile(QStringLiteral("RSYNCSERVER"), sUser);
    C = Quote(programShort + g.gsRsyncClientExe) + O + QStringLiteral("--port=65368 ") +
        Quote(sUser + u'@' + server + QStringLiteral("::tessara") + remote);
    A << QStringLiteral("--port=65368") << sUser + u'@' + server + QStringLiteral("::tessara") + remote;
  }
  // A name must never add an argument line or a second batch line.
  bool unsafe = HoldsLineBreakOrNul(C) || !IsSafeWorkFileUser(sUser);
  for (const QString& token : A) unsafe = unsafe || HoldsLineBreakOrNul(token);
  if (unsafe) {
    WriteTransferLog(QStringLiteral("Unable to list the folder, a name holds a character the client cannot take: ") +
                         QString(sRemotePath).remove(u'\r').remove(u'\n').remove(QChar(0)),
                     2);
    bNoRetry = true;
    return false;
  }
  WriteTrace(QStringLiteral("Content of Batfile :: ") + C);
  next([&] {
    gOptions().Writeintofile(driveWork + QStringLiteral("\\ORVANETEMP\\Enum.bat"),
                             MaskNonAnsiChars(win::FromAnsi(ToUtf8(C))), false);
  });
  next([&] { gOptions().Writeintofile(argListPath, A.join(u'\n'), true); });

  const QString shell = R + u' ' + Quote(driveWork + QStringLiteral("\\ORVANETEMP\\Enum.bat"));
  WriteTrace(QStringLiteral("ComSpec Variable:- ") + qEnvironmentVariable("COMSPEC") + QStringLiteral("\r\n") +
             QStringLiteral("Enter shell buildstr :::  ") + shell);
  ClientRunLauncher& launcher = CurrentClientRunLauncher();
  int pid = 0;
  bool started = false;
  next([&] {
    pid = launcher.Start(shell);
    started = true;
  });
  WriteTrace(QStringLiteral("Content of BuildStr = ") + shell);
  if (!started) return false;

  // The redirection program creates the output log as soon as it runs; one
  // that has ended without it, or takes too long, made no listing.
  const QString outputLog = sWorkFolder + QStringLiteral("\\ORVANETEMP\\outputlog.txt");
  const win::ProcessHandle watch = launcher.Open(pid);
  const std::uint32_t start = vb::TickCount();
  bool made = true;
  while (!win::FileExists(outputLog)) {
    vb::DoEvents();
    if (bSearch) {
      const bool stop = gProgressDisplay().CallBackSearchFolder(QStringLiteral("1"));
      g.giListingState = stop ? 1 : 0;
      if (stop) break;
    }
    vb::Sleep(1);
    std::uint32_t code = 0;
    const bool known = launcher.ExitCode(watch, code);
    if (win::FileExists(outputLog)) break;
    if (!known || code != kStillActive || vb::TickCount() - start > kOutputLogWaitMs) {
      WriteTrace(QStringLiteral("The redirection program made no output log"));
      made = false;
      break;
    }
  }
  launcher.Close(watch);
  if (!made) return false;

  bool result = false;
  if (Cont_CheckIfEnumComplete(pid, false, bSearch)) {
    // The search window's stop is asked once more before the judgement.
    if (bSearch) g.giListingState = gProgressDisplay().CallBackSearchFolder(QStringLiteral("1")) ? 1 : 0;
    // A listing is whole only when the client ended well: one ended by a
    // signal (killed, crashed) leaves a cut listing and no error text, and
    // the redirection program's own failures (a batch or list file it
    // cannot read, a log it cannot create) end it with 1 before any client
    // ran. An empty listing must never pass for an empty folder.
    std::uint32_t code = 0;
    const win::ProcessHandle ended = launcher.Open(pid);
    const bool known = ended != 0 && launcher.ExitCode(ended, code);
    if (ended != 0) launcher.Close(ended);
    if (known && code != 0 && code != kStillActive) {
      QString errors;
      vb::ResumeNext next;
      next([&] { errors = FromUtf8(win::ReadAllBytes(temp + QStringLiteral("errlog.txt"))).left(4000); });
      WriteTrace(QStringLiteral("The listing client ended with exit code ") + QString::number(code) +
                 QStringLiteral(": ") + errors);
      if (CertificateRefused(tunnelLogAt, code)) bNoRetry = true;
      return false;
    }
    result = Cont_Check_Log_Err_Files(0);
  }
  return result;
}

bool clsRsyncEngine::Rsync_EnumerateFolder(const QString& sWorkFolder, const QString& sUser,
                                           const QString& sRemotePath, const QString& /*sPassOn*/) {
  EngineState& g = Engine();
  bool result = false;
  try {
    for (;;) {
      bool noRetry = false;
      result = EnumerateOnce(sWorkFolder, sUser, sRemotePath, false, noRetry);
      if (result || noRetry) break;
      // No wait after the last attempt: there is nothing left to wait for.
      if (!g.gbCancelled && iEnumRetryCount + 1 >= kListingAttempts) break;
      iEnumRetryCount = static_cast<Integer>(iEnumRetryCount + 1);
      RsyncWait(iEnumRetryCount);
      WriteTrace(QStringLiteral("Retrying folder enumeration : ") + QString::number(iEnumRetryCount));
      if (g.gbCancelled) break;
    }
  } catch (const vb::RuntimeError& e) {
    WriteTrace(QStringLiteral("Error encountered while running client restore. Reason: ") +
               QString::number(e.Number()) + u' ' + e.Description());
    return false;
  }
  // A cancelled listing reports success: the restore tests the cancel itself.
  if (g.gbCancelled) result = true;
  return result;
}

bool clsRsyncEngine::Cont_CheckIfEnumComplete(Long lPid, bool bSyncList, bool bSearch) {
  WriteTrace(QStringLiteral("Enter Cont_CheckIfEnumComplete"));
  EngineState& g = Engine();
  ClientRunLauncher& launcher = CurrentClientRunLauncher();
  win::ProcessHandle handle = 0;
  auto stopListing = [&] {
    vb::ResumeNext next;
    next([&] { ShellClose(lPid); });
    next([&] { IsExeRunning(g.gsRsyncClientExe, true, 0); });
    next([&] { Controller().Cont_DeleteEngineLogs(QString(), false); });
  };
  const bool ended = vb::OnErrorGoTo(
      [&] {
        handle = launcher.Open(static_cast<int>(lPid));
        for (;;) {
          std::uint32_t code = 0;
          const bool known = launcher.ExitCode(handle, code);
          vb::DoEvents();
          if (bSearch) {
            const bool stop = gProgressDisplay().CallBackSearchFolder(QStringLiteral("1"));
            g.giListingState = stop ? 1 : 0;
            if (stop) {
              stopListing();
              WriteTrace(QStringLiteral("Search operation Canceled by user"));
              WriteTrace(QStringLiteral("Exit Cont_CheckIfEnumComplete"));
              return false;
            }
          }
          if (!bSearch && !bSyncList && g.gbCancelled) {
            stopListing();
            WriteTransferLog(QStringLiteral("Operation Canceled by user"), 0);
            WriteTrace(QStringLiteral("Exit Cont_CheckIfEnumComplete"));
            return false;
          }
          vb::DoEvents();
          lPollCounter += 1;
          if (lPollCounter % 3 == 0) vb::Sleep(1);
          if (lPollCounter >= 50000) lPollCounter = 0;
          if (!bSearch) {
            gProgressDisplay().PrepMonitorCall(1, QString(),
                                               bSyncList
                                                   ? QStringLiteral("Preparing the list of items to be synced, wait...")
                                                   : QStringLiteral("Preparing restore file list"),
                                               0);
          }
          vb::Sleep(1);
          // An unknown process (its record is gone) has ended too.
          if (!known || code != kStillActive) {
            WriteTrace(QStringLiteral("Exit Cont_CheckIfEnumComplete"));
            return true;
          }
        }
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error encountered while checking if backup is complete. Reason: ") +
                   e.description);
        return false;
      });
  if (handle != 0) launcher.Close(handle);
  return ended;
}

}  // namespace OrvaneSrv
