#include "ZQwinSrv/foundation/clsProgressDisplay.h"

#include <vector>

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/objects/DispatchObject.h"
#include "platform/text/Conversion.h"
#include "platform/text/Format.h"
#include "platform/ui/EventPump.h"

namespace OrvaneSrv {
namespace {

constexpr float kSecondsPerDay = 86400;

// A new call-back object of the running program; the caller drops it after
// its one call.
vb::ObjectRef NewMonitor() { return win::CreateObject(kMonitorProgId); }

// The answer of "UpdateMonitor" is kept as a 16-bit number: 1 go on, 0 stop.
// A stop counts as a cancel only while a job runs; the error text is set
// either way, so a caller that stops on its own still reports why.
void KeepMonitorAnswer(const vb::Variant& answer) {
  EngineState& g = Engine();
  g.giMonitorAnswer = answer.ToInteger();
  if (g.giMonitorAnswer == 0) {
    if (g.gbCommonFlag) g.gbCancelled = g.gbJobStopped = true;
    gWebDavControl().dav_seterrorstring(QStringLiteral("Operation canceled by user."));
  }
}

QString TwoDigits(std::int32_t value) { return vb::Format(static_cast<double>(value), QStringLiteral("00")); }

}  // namespace

clsProgressDisplay& gProgressDisplay() { return Singleton(Engine().gProgressDisplay); }

vb::Variant clsProgressDisplay::StopTimer() {
  EngineState& g = Engine();
  g.gfTimerNow = vb::Timer();
  // Past midnight the clock starts again at 0: that tick adds nothing.
  if (g.gfTimerNow > g.gfTimerLast) {
    const float span = g.gfTimerNow - g.gfTimerLast;
    g.gfTimerSpan += span;
    g.gfPausedTime += span;
  }
  g.gfTimerLast = g.gfTimerNow;
  return {};
}

vb::Variant clsProgressDisplay::getTotalSize() {
  EngineState& g = Engine();
  g.gdDownloadedBytes = 0;
  g.gdTimerSteps = 0;
  g.gdTotalDone = 0;
  g.gfPausedTime = 0;
  g.gsProgressText.clear();
  g.gdTotalFileSize = 0;
  g.giMonitorAnswer = 1;
  if (g.gbTotalFromRestoreSet) {
    g.gdTotalFileSize = g.gdRestoreSetSize;
    g.gbNeedTotalSize = false;
  }
  if (g.gdTotalFileSize < 0) {
    WriteTrace(QStringLiteral("ERROR dTotalBackupSize =") + vb::CStr(g.gdTotalFileSize));
    g.gdTotalFileSize = 0;
  }
  return {};
}

vb::Variant clsProgressDisplay::ShowProgress() {
  vb::OnErrorGoTo(
      [&] {
        StopTimer();
        EngineState& g = Engine();
        if (g.gfTimerSpan > 1) {
          g.gfTimerSpan = 0;
          MonitorCall();
        }
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in ShowProgress ") + QString::number(e.number) + e.description);
      });
  return {};
}

void clsProgressDisplay::MonitorCall(Integer /*engNumber*/) {
  vb::OnErrorGoTo(
      [&] {
        EngineState& g = Engine();
        // Gives the outside programs a moment when no job is marked running.
        if (g.giMode == 0 || (g.giMode == 1 && !g.gbCommonFlag)) vb::Sleep(1);
        // The unattended service run has nobody to call back, and nobody to
        // ask for a stop: only a call that was made can cancel.
        if (g.giMode == 0) return;
        ProgressRecord& r = g.gbWebdavRestore ? g.gWebdavProgress : g.gRsyncProgress;
        if (g.gbWebdavRestore) {
          r.engNumber = 1;
          r.sBkStatus = 3;
        }
        std::vector<vb::Variant> args{r.sFileName,
                                      r.dFileSize,
                                      g.gdTotalFileSize,
                                      r.dfileBuff,
                                      r.dTotalBuffer,
                                      r.sTrfRate,
                                      vb::Variant::FromInteger(r.iFileProg),
                                      vb::Variant::FromInteger(r.iTotalProg),
                                      g.gfStartTime,
                                      g.gsTimeElapsed,
                                      g.gsTimeRemaining,
                                      vb::Variant::FromInteger(r.engNumber),
                                      vb::Variant::FromInteger(0),
                                      vb::Variant::FromLong(r.sBkStatus)};
        const vb::ObjectRef monitor = NewMonitor();
        KeepMonitorAnswer(win::Invoke(monitor, QStringLiteral("UpdateMonitor"), args));
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Unable to Call the monitor function Monitor Call ") + e.description);
      });
}

void clsProgressDisplay::PrepMonitorCall(Integer /*procol*/, const QString& sdisPath, const QString& sAvtivity,
                                         Integer /*pStatus*/) {
  vb::OnErrorGoTo(
      [&] {
        EngineState& g = Engine();
        const QString text = sdisPath + QStringLiteral(" ") + sAvtivity + QStringLiteral(".....");
        g.giMonitorAnswer = 1;
        vb::DoEvents();
        vb::DoEvents();
        if (g.giMode == 0) return;
        std::vector<vb::Variant> args{text,
                                      0.0,
                                      g.gdTotalFileSize,
                                      0.0,
                                      g.gdPrepTotalBuffer,
                                      g.gsPrepTransferRate,
                                      vb::Variant::FromInteger(0),
                                      vb::Variant::FromInteger(0),
                                      g.gfStartTime,
                                      g.gsTimeElapsed,
                                      g.gsTimeRemaining,
                                      vb::Variant::FromInteger(0),
                                      vb::Variant::FromInteger(1),
                                      vb::Variant::FromLong(0)};
        const vb::ObjectRef monitor = NewMonitor();
        KeepMonitorAnswer(win::Invoke(monitor, QStringLiteral("UpdateMonitor"), args));
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Unable to Call the monitor function PrepMonitorCall ") + e.description);
      });
}

double clsProgressDisplay::GetFolderSize(const QString& sRootFolder) {
  return vb::OnErrorGoTo([&] { return static_cast<double>(win::FolderSize(sRootFolder)); },
                         [](const vb::ErrorInfo&) { return 1.0; });
}

QString clsProgressDisplay::time_Duration(double TotalSeconds, Integer UpFormat) {
  return vb::OnErrorGoTo(
      [&]() -> QString {
        const double s = vb::RoundHalfEven(TotalSeconds);
        // Hours are not reduced modulo 24: a restore of 25 hours shows "25:00:00".
        const std::int32_t h = vb::IntDiv(s, 3600);
        const std::int32_t m = vb::Mod(vb::IntDiv(s, 60), 60);
        const std::int32_t sec = vb::Mod(s, 60);
        QString hourLabel, minuteLabel, secondLabel;
        switch (UpFormat) {
          case 0:
            hourLabel = QStringLiteral(" Hour(s) ");
            minuteLabel = QStringLiteral(" Minute(s) ");
            secondLabel = QStringLiteral(" Second(s).");
            break;
          case 1:
            hourLabel = minuteLabel = QStringLiteral(":");
            break;
          case 2:
            hourLabel = h == 1 ? QStringLiteral("hr ") : QStringLiteral("hrs ");
            minuteLabel = m == 1 ? QStringLiteral("min ") : QStringLiteral("mins ");
            secondLabel = sec == 1 ? QStringLiteral("sec ") : QStringLiteral("secs");
            break;
          default:
            hourLabel = QStringLiteral("h ");
            minuteLabel = QStringLiteral("m ");
            secondLabel = QStringLiteral("s");
            break;
        }
        if (h <= 0 && m <= 0) return QStringLiteral("00:00:") + TwoDigits(sec) + secondLabel;
        if (h <= 0) return QStringLiteral("00:") + TwoDigits(m) + minuteLabel + TwoDigits(sec) + secondLabel;
        return vb::CStr(h) + hourLabel + TwoDigits(m) + minuteLabel + TwoDigits(sec) + secondLabel;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QString::number(e.number) + e.description);
        return QString();
      });
}

bool clsProgressDisplay::CallBackDeleteFolder(const QString& sItem) {
  const vb::ObjectRef monitor = NewMonitor();
  return win::Invoke(monitor, QStringLiteral("updateDelProgress"), {sItem}).ToBoolean();
}

bool clsProgressDisplay::CallBackSearchFolder(const QString& sItem) {
  return vb::OnErrorGoTo(
      [&] {
        vb::Sleep(1);
        const vb::ObjectRef monitor = NewMonitor();
        return win::Invoke(monitor, QStringLiteral("updateSearchProgress"), {sItem}).ToBoolean();
      },
      [](const vb::ErrorInfo&) { return false; });
}

bool clsProgressDisplay::CallBackEncPassword() {
  const vb::ObjectRef monitor = NewMonitor();
  return win::Invoke(monitor, QStringLiteral("updateEncPassword")).ToBoolean();
}

void clsProgressDisplay::setDisplayParam(double TimeEstimated, bool bCallFromRsync) {
  vb::OnErrorGoTo(
      [&] {
        EngineState& g = Engine();
        g.gfTimerLast = bCallFromRsync ? g.gfStartTimeRsync : g.gfStartTime;
        const float clock = vb::Timer();
        // The clock went back to 0 at midnight: the run crossed it once.
        if (clock < g.gfTimerLast) g.gfTimerLast -= kSecondsPerDay;
        const double elapsed = static_cast<double>(clock) - static_cast<double>(g.gfTimerLast);
        if (elapsed >= 0) g.gsTimeElapsed = time_Duration(elapsed, 1);
        // A negative estimate means "not known yet": the last text stays.
        if (TimeEstimated >= 0) g.gsTimeRemaining = time_Duration(TimeEstimated, 1);
        g.gfPausedTime = g.gfStartTime;
        if (g.giOsType == 1) MonitorCall();
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in setDisplayParam") + QString::number(e.number) + e.description);
      });
}

}  // namespace OrvaneSrv
