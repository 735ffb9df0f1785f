#pragma once
// The engine's public class clsProgressDisplay: the only place that calls
// back into the restore program.
//
// For every event it creates a new object of the program's call-back class
// by its program identifier "OrvaneforMAC.clsMonitor", calls one member by
// name and releases the object again; the class must be served by the
// running program, since it works on that program's windows. A stop request
// of the user reaches the engine only as a 0 answer of "UpdateMonitor":
// while a job runs (gbCommonFlag) the job is marked cancelled, and in any
// case the engine's error text becomes "Operation canceled by user.".
//
// The class also formats the elapsed and remaining time texts, resets the
// progress totals at the start of a transfer and keeps a small throttle.
// It keeps no fields: everything lives in the engine state, and the engine
// uses the singleton gProgressDisplay().

#include <QString>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "ZQwinSrv/foundation/EngineState.h"
#include "platform/values/Object.h"
#include "platform/values/Variant.h"

namespace OrvaneSrv {

class ORVANESRV_EXPORT clsProgressDisplay : public vb::Object {
 public:
  [[nodiscard]] QString TypeName() const override { return QStringLiteral("clsProgressDisplay"); }

  // Members in the order of the class's interface.

  // One tick of the throttle: the time since the last tick (when the clock
  // went forward) is added to gfTimerSpan and gfPausedTime. Answers Empty.
  vb::Variant StopTimer();
  // Resets the progress totals at the start of a transfer (the total comes
  // from the restore set when gbTotalFromRestoreSet says so). Answers Empty.
  vb::Variant getTotalSize();
  // A progress report at most once per second of accumulated ticks.
  // Answers Empty.
  vb::Variant ShowProgress();
  // Reports the record of the running route (gWebdavProgress while
  // gbWebdavRestore is set, else gRsyncProgress) through "UpdateMonitor".
  // A failing call-back is traced and cancels nothing. `engNumber` is kept
  // for the interface and not read.
  void MonitorCall(Integer engNumber = 0);
  // Reports a preparation step as "<path> <activity>....." with the
  // pre-call flag set. `procol` and `pStatus` are not read.
  void PrepMonitorCall(Integer procol, const QString& sdisPath, const QString& sAvtivity, Integer pStatus = 0);
  // Bytes of the folder and everything below it; 1 when it cannot be read.
  [[nodiscard]] double GetFolderSize(const QString& sRootFolder);
  // The seconds, rounded halves to even, as hours, minutes and seconds with
  // the labels of `UpFormat` (1: "h:mm:ss"-style clock text); "" after a
  // failure.
  [[nodiscard]] QString time_Duration(double TotalSeconds, Integer UpFormat);
  // "updateDelProgress": true once the user cancelled the running delete.
  // Failures (no call-back class, a failing member) are raised to the
  // caller.
  bool CallBackDeleteFolder(const QString& sItem);
  // "updateSearchProgress": true once the user stopped the search; false
  // after any failure.
  bool CallBackSearchFolder(const QString& sItem);
  // "updateEncPassword", a member the program's call-back class does not
  // have: the failure is raised to the caller, whose handling decides.
  bool CallBackEncPassword();
  // Updates gsTimeElapsed from the start time of the route (the rsync
  // one with `bCallFromRsync`) and gsTimeRemaining from a non-negative
  // estimate, then reports progress when an interactive restore runs
  // (giOsType 1).
  void setDisplayParam(double TimeEstimated, bool bCallFromRsync = false);
};

// The engine's call-back bridge, created on first use.
clsProgressDisplay& gProgressDisplay();

// The program identifier of the restore program's call-back class.
inline const QString kMonitorProgId = QStringLiteral("OrvaneforMAC.clsMonitor");

}  // namespace OrvaneSrv
