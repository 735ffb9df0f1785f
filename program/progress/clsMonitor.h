#pragma once
// The program's call-back class: the engine creates one by its program
// identifier "OrvaneforMAC.clsMonitor" for every progress event, calls one
// member by name and lets it go. The program offers the class at start-up
// (modGeneral::RegisterProgramClasses).
//
// An object keeps nothing between calls (each lives for one call): the
// values go into Program().ProgressSnapshot, the answers come from the
// flags the windows set (TransferStopRequested, SearchStopRequested,
// DeleteCancelRequested). A call for a member the class lacks (the WebDAV
// route's "updateEncPassword") fails with automation error 438.

#include <QString>

#include <functional>

#include "platform/objects/DispatchObject.h"
#include "program/foundation/ProgramState.h"

namespace OrvaneMac {

class clsMonitor : public win::DispatchObject {
 public:
  [[nodiscard]] const win::MemberTable& Members() const override;

  // A progress event of a restore (transfer update, or preparing update
  // when `preCall` is not 0): 1 go on, 0 stop.
  Integer UpdateMonitor(const QString& sFileName, double dFileSize, double dTotalFilesize, double dfileBuff,
                        double dTotalBuffer, const QString& sTrfRate, Integer iFileProg, Integer iTotalProg,
                        float StartTime, const QString& timeelapsed, const QString& TimeRemaining, Integer engNumber,
                        Integer preCall = 0, Long sBkStatus = 0);
  // While a folder delete's reply is read: true once the user cancelled.
  bool updateDelProgress(const QString& sItem);
  // While a folder is listed for a search: true once the user stopped it.
  bool updateSearchProgress(const QString& sItem);
  // The wait box's text and its cancel flag.
  bool updateRefresh(const QString& sItem);

  // Members nothing in the system calls.
  double dTransferRate = 0;  // kilobytes per second
  QString GetProperTime(Long lTimeValue);
  QString GetTimeElapsed();
  QString GetTimeLeft();
  QString GetTransferRate();
};

// The windows behind the delete and wait-box call-backs answer through
// these: the delete window shows the item and answers its cancel flag, the
// wait box shows the text and answers its own. Until a window installs its
// routine, the delete call-back answers Program().DeleteCancelRequested
// and the wait-box call-back false.
using MonitorItemRoute = std::function<bool(const QString& item)>;
void SetDeleteProgressRoute(MonitorItemRoute route);
void SetRefreshProgressRoute(MonitorItemRoute route);

}  // namespace OrvaneMac
