// clsRsyncEngine: ending client runs, setting a finished run back, the
// statistics texts, and the members kept for the interface.
#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/Processes.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "ZQwinSrv/rsync/clsRsyncEngine.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"

namespace OrvaneSrv {
namespace {

QString StatsText(const std::array<QString, 4>& texts) {
  const QString crlf = QStringLiteral("\r\n");
  QString text = texts[0] + crlf + texts[1] + crlf + texts[3] + crlf;
  if (!texts[2].isEmpty()) text += texts[2] + crlf;
  return text;
}

}  // namespace

void clsRsyncEngine::CloseEngine() {
  WriteTrace(QStringLiteral("Enter CloseEngine"));
  EngineState& g = Engine();
  vb::ResumeNext next;
  const QString temp = g.gsWorkFolder + QStringLiteral("\\ORVANETEMP\\");
  if (EngineA.lProcessId != 0) {
    next([&] { IsExeRunning(g.gsRsyncClientExe, true, 0); });
    vb::Sleep(1000);
    if (g.gbCommonFlag) {
      next([&] { IsExeRunning(g.gsRsyncClientExe, true, 0); });
      vb::Sleep(1000);
    }
    if (win::FileExists(temp + QStringLiteral("outputlogSerA.txt")) && EngineA.iBusy == 1) {
      EngineA.tsOutput.reset();
      next([&] { CurrentClientRunLauncher().Close(EngineA.hProcess); });
    }
  }
  if (EngineB.lProcessId != 0) {
    next([&] { IsExeRunning(g.gsRsyncClientExe, true, 0); });
    if (g.gbCommonFlag) {
      vb::Sleep(1000);
      next([&] { IsExeRunning(g.gsRsyncClientExe, true, 0); });
    }
    if (win::FileExists(temp + QStringLiteral("outputlogSerB.txt")) && EngineB.iBusy == 1) {
      EngineB.tsOutput.reset();
      next([&] { CurrentClientRunLauncher().Close(EngineB.hProcess); });
    }
  }
  for (const QString& list : {EngineA.sListFile, EngineB.sListFile}) {
    next([&] {
      if (!list.isEmpty() && win::FileExists(list)) win::DeleteFile(list, true);
    });
  }
  WriteTrace(QStringLiteral("Exit CloseEngine"));
}

void clsRsyncEngine::CloseEngineOnRetry(Integer iEngine) {
  WriteTrace(QStringLiteral("Enter CloseEngineOnRetry"));
  vb::OnErrorGoTo(
      [&] {
        EngineState& g = Engine();
        EngineParams* e = iEngine == 1 ? &EngineA : iEngine == 2 ? &EngineB : nullptr;
        if (e && e->lProcessId != 0) {
          ShellClose(e->lProcessId);
          IsExeRunning(g.gsRsyncClientExe, true, 0);
          if (iEngine == 1) vb::Sleep(1000);
          if (g.gbCommonFlag) {
            if (iEngine == 2) vb::Sleep(1000);
            IsExeRunning(g.gsRsyncClientExe, true, 0);
            if (iEngine == 1) vb::Sleep(1000);
          }
          CurrentClientRunLauncher().Close(e->hProcess);
        }
        WriteTrace(QStringLiteral("Exit CloseEngineOnRetry"));
      },
      [](const vb::ErrorInfo& err) { WriteTrace(QStringLiteral("Error in Close Engine ") + err.description); });
}

void clsRsyncEngine::ResetParamEngine(EngineParams& e, const vb::CollectionPtr& synced,
                                      const vb::CollectionPtr& failed, const QString& letter) {
  WriteTrace(QStringLiteral("Enter ResetParamEngine") + letter);
  vb::OnErrorGoTo(
      [&] {
        for (const QString& path : {e.sListFile, e.sBatchFile, e.sErrorLog, e.sOutputLog})
          if (!path.isEmpty() && win::FileExists(path)) win::DeleteFile(path, true);
        e.iBusy = 0;
        e.dBytesBefore += e.dBytesDone;
        e.dBytesDone = 0;
        e.sExtraOption.clear();
        e.sDestination.clear();
        e.iRetryCount = 0;
        e.sListFile.clear();
        e.sSourceSuffix.clear();
        e.sErrorLog.clear();
        e.sOutputLog.clear();
        e.bUseOption5 = false;
        Engine().gdRsyncSecondsLeft = 0;
        e.dProgressLines = 0;
        e.lFailureCount = 0;
        ClearBacksetData(e.colOutputLines);
        ClearBacksetData(e.colSyncedNames);
        for (qsizetype n = synced->Count(); n > 0; --n) synced->Remove(1);
        for (qsizetype n = failed->Count(); n > 0; --n) failed->Remove(1);
        lPollCounter = 0;
        WriteTrace(QStringLiteral("Exit ResetParamEngine") + letter);
      },
      [&](const vb::ErrorInfo&) { WriteTrace(QStringLiteral("Error in ResetParamEngine") + letter); });
}

void clsRsyncEngine::ResetParamEngineA() {
  EngineState& g = Engine();
  ResetParamEngine(EngineA, Items(g.gcolSyncedFilesA), Items(g.gcolFailedItemsA), QStringLiteral("A"));
}

void clsRsyncEngine::ResetParamEngineB() {
  EngineState& g = Engine();
  ResetParamEngine(EngineB, Items(g.gcolSyncedFilesB), Items(g.gcolFailedItemsB), QStringLiteral("B"));
}

QString clsRsyncEngine::GetStatsMsg() const { return StatsText(asStatsMsg); }
QString clsRsyncEngine::GetStatsRestMsg() const { return StatsText(asStatsRestMsg); }

vb::Variant clsRsyncEngine::ClearAllMessages() {
  WriteTrace(QStringLiteral("Enter ClearAllMessages"));
  asStatsMsg = {};
  asStatsRestMsg = {};
  return {};
}

bool clsRsyncEngine::CheckReadOnlyAccount() { return false; }

vb::Variant clsRsyncEngine::WaitForTerminateExe(const QString& sExeName) {
  WriteTrace(QStringLiteral("Enter WaitForTerminateExe"));
  vb::OnErrorGoTo(
      [&] {
        const EngineState& g = Engine();
        for (int n = 0;;) {
          gProgressDisplay().PrepMonitorCall(1, QString(), QStringLiteral("Checking for status"), 0);
          if (g.gbRestoreFailed || g.gbCancelled) break;
          vb::Sleep(1);
          ++n;
          IsExeRunning(sExeName, true, 0);
          if (n > 50) break;
          if (!IsExeRunning(sExeName, true, 0)) break;
        }
      },
      [](const vb::ErrorInfo& err) { WriteTrace(QStringLiteral("Error in WaitForTerminateExe()") + err.description); });
  return {};
}

}  // namespace OrvaneSrv
