#include "program/progress/clsMonitor.h"

#include <cmath>

#include "program/foundation/Options.h"
#include "program/progress/frmProgressDisplay.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/text/Conversion.h"
#include "platform/text/Format.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

namespace OrvaneMac {
namespace {

MonitorItemRoute& DeleteRoute() {
  static MonitorItemRoute route;
  return route;
}

MonitorItemRoute& RefreshRoute() {
  static MonitorItemRoute route;
  return route;
}

const QString kOwner = QStringLiteral("clsMonitor");

// A member that answers a Boolean, its errors traced and answered False.
template <typename Body>
bool Trapped(const QString& procedure, Body&& body) {
  return vb::OnErrorGoTo(std::forward<Body>(body), [&](const vb::ErrorInfo& e) {
    TraceError(e, procedure, vb::OwnerKind::ClassModule, kOwner);
    return false;
  });
}

QString TwoDigits(Long value) { return value < 10 ? QStringLiteral("0") + vb::CStr(value) : vb::CStr(value); }

bool NegativeOrNotANumber(double value) { return std::isnan(value) || value < 0; }

vb::Variant BoolVariant(bool value) { return vb::Variant(value); }

}  // namespace

void SetDeleteProgressRoute(MonitorItemRoute route) { DeleteRoute() = std::move(route); }
void SetRefreshProgressRoute(MonitorItemRoute route) { RefreshRoute() = std::move(route); }

const win::MemberTable& clsMonitor::Members() const {
  using win::DispatchArgs;
  static const auto table = win::MemberTable::Of<clsMonitor>(
      QStringLiteral("clsMonitor"),
      {
          {QStringLiteral("UpdateMonitor"), win::Method, win::Params::ByRef(12).OptionalByRef().OptionalByVal(),
           [](clsMonitor& self, DispatchArgs& a) {
             return vb::Variant::FromInteger(self.UpdateMonitor(
                 a[0].ToString(), a[1].ToDouble(), a[2].ToDouble(), a[3].ToDouble(), a[4].ToDouble(),
                 a[5].ToString(), static_cast<Integer>(a[6].ToDouble()), static_cast<Integer>(a[7].ToDouble()),
                 static_cast<float>(a[8].ToDouble()), a[9].ToString(), a[10].ToString(),
                 static_cast<Integer>(a[11].ToDouble()),
                 a.IsMissing(12) ? Integer(0) : static_cast<Integer>(a[12].ToDouble()),
                 a.IsMissing(13) ? Long(0) : static_cast<Long>(a[13].ToDouble())));
           }},
          {QStringLiteral("updateDelProgress"), win::Method, win::Params::ByVal(1),
           [](clsMonitor& self, DispatchArgs& a) { return BoolVariant(self.updateDelProgress(a[0].ToString())); }},
          {QStringLiteral("updateSearchProgress"), win::Method, win::Params::ByVal(1),
           [](clsMonitor& self, DispatchArgs& a) { return BoolVariant(self.updateSearchProgress(a[0].ToString())); }},
          {QStringLiteral("updateRefresh"), win::Method, win::Params::ByVal(1),
           [](clsMonitor& self, DispatchArgs& a) { return BoolVariant(self.updateRefresh(a[0].ToString())); }},
          {QStringLiteral("dTransferRate"), win::PropertyGet, {},
           [](clsMonitor& self, DispatchArgs&) { return vb::Variant(self.dTransferRate); }},
          {QStringLiteral("dTransferRate"), win::PropertyLet, win::Params::ByVal(1),
           [](clsMonitor& self, DispatchArgs& a) {
             self.dTransferRate = a[0].ToDouble();
             return vb::Variant();
           }},
          {QStringLiteral("GetProperTime"), win::Method, win::Params::ByRef(1),
           [](clsMonitor& self, DispatchArgs& a) {
             return vb::Variant(self.GetProperTime(static_cast<Long>(a[0].ToDouble())));
           }},
          {QStringLiteral("GetTimeElapsed"), win::Method, {},
           [](clsMonitor& self, DispatchArgs&) { return vb::Variant(self.GetTimeElapsed()); }},
          {QStringLiteral("GetTimeLeft"), win::Method, {},
           [](clsMonitor& self, DispatchArgs&) { return vb::Variant(self.GetTimeLeft()); }},
          {QStringLiteral("GetTransferRate"), win::Method, {},
           [](clsMonitor& self, DispatchArgs&) { return vb::Variant(self.GetTransferRate()); }},
      });
  return table;
}

Integer clsMonitor::UpdateMonitor(const QString& sFileName, double dFileSize, double dTotalFilesize,
                                  double dfileBuff, double dTotalBuffer, const QString& sTrfRate, Integer iFileProg,
                                  Integer iTotalProg, float StartTime, const QString& timeelapsed,
                                  const QString& TimeRemaining, Integer engNumber, Integer preCall, Long sBkStatus) {
  ProgramState& p = Program();
  ProgramState::ProgressRecord& s = p.ProgressSnapshot;
  Integer answer = 1;
  vb::ResumeNext next;
  if (sFileName.toLower() == QLatin1String("?stop")) {
    s.StopNoticePending = true;
    p.TransferStopRequested = false;
    s.TransferUpdate = false;
    return 1;
  }
  if (p.TransferStopRequested) answer = 0;
  if (NegativeOrNotANumber(dTotalFilesize) || NegativeOrNotANumber(dFileSize) || NegativeOrNotANumber(dTotalBuffer) ||
      NegativeOrNotANumber(dfileBuff)) {
    next([&] {
      WriteTrace(QStringLiteral("got a call ") + vb::FormatGeneralDate(vb::Now()) + sFileName + u' ' +
                 vb::CStr(dFileSize) + u' ' + vb::CStr(dTotalFilesize) + u' ' + vb::CStr(dfileBuff) + u' ' +
                 vb::CStr(dTotalBuffer) + u' ' + sTrfRate + u' ' + vb::CStr(StartTime) + TimeRemaining);
    });
    return answer;
  }
  s.ItemName = sFileName;
  s.ItemKind = sBkStatus;
  s.FileSize = dFileSize;
  s.FilePercent = iFileProg;
  s.TotalPercent = iTotalProg;
  s.ElapsedText = timeelapsed;
  s.RemainingText = TimeRemaining;
  s.RateText = sTrfRate;
  s.EngineNumber = engNumber;
  s.TotalDone = dTotalBuffer;
  s.TotalSize = dTotalFilesize;
  s.TransferUpdate = preCall == 0;
  // Here a click on the window's Close is handled.
  for (int i = 0; i < 3; ++i) next([] { vb::DoEvents(); });
  next([] { frmProgressDisplay::Instance().UpdateProgress(); });
  if (p.TransferStopRequested) answer = 0;
  return answer;
}

bool clsMonitor::updateDelProgress(const QString& sItem) {
  return Trapped(QStringLiteral("updateDelProgress"), [&] {
    if (DeleteRoute()) return DeleteRoute()(sItem);
    return Program().DeleteCancelRequested;
  });
}

bool clsMonitor::updateSearchProgress(const QString& /*sItem*/) {
  return Trapped(QStringLiteral("updateSearchProgress"), [&] {
    if (!Program().SearchStopRequested) return false;
    // The search window lets its messages run twice before it answers.
    vb::DoEvents();
    vb::DoEvents();
    return true;
  });
}

bool clsMonitor::updateRefresh(const QString& sItem) {
  return Trapped(QStringLiteral("updateRefresh"), [&] {
    if (RefreshRoute()) return RefreshRoute()(sItem);
    return false;
  });
}

QString clsMonitor::GetProperTime(Long lTimeValue) {
  return vb::OnErrorGoTo(
      [&] {
        const Long s = lTimeValue % 60;
        const Long r = lTimeValue - s;
        const Long m = (r % 3600) / 60;
        const Long h = (r - 60 * m) / 3600;
        return TwoDigits(h) + u':' + TwoDigits(m) + u':' + TwoDigits(s);
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Unable to prepare time value, reason : ") + e.description);
        return QString();
      });
}

QString clsMonitor::GetTimeElapsed() {
  return vb::OnErrorGoTo(
      [&] {
        ProgramState::ProgressRecord& s = Program().ProgressSnapshot;
        const Long now = static_cast<Long>(std::lround(vb::Timer()));
        if (now < s.ElapsedStart) s.ElapsedStart -= 86400;
        return GetProperTime(now - s.ElapsedStart);
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Unable to calculate elapsed time, reason : ") + e.description);
        return QString();
      });
}

QString clsMonitor::GetTimeLeft() {
  return vb::OnErrorGoTo(
      [&] {
        const ProgramState::ProgressRecord& s = Program().ProgressSnapshot;
        if (s.LeftDone > s.LeftTotal) return QString();
        const double rate = dTransferRate * 1024;
        if (rate == 0) vb::Raise(11);
        return GetProperTime(static_cast<Long>(std::trunc((s.LeftTotal - s.LeftDone) / rate)));
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Unable to calculate remaining time, reason : ") + e.description);
        return QString();
      });
}

QString clsMonitor::GetTransferRate() {
  return vb::OnErrorGoTo(
      [&] {
        const ProgramState::ProgressRecord& s = Program().ProgressSnapshot;
        if (s.RateSeconds == 0) vb::Raise(11);  // division by zero
        double rate = s.RateBytes / s.RateSeconds / 1024;
        const QString text = vb::CStr(rate);
        const qsizetype dot = text.indexOf(u'.');
        if (dot >= 0) rate = vb::Val(text.left(dot + 2));
        if (rate == 0) rate = 1;
        dTransferRate = rate;
        return vb::CStr(rate * 8) + QStringLiteral(" Kb/sec");
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Unable to calculate transferate, reason : ") + e.description);
        return QString();
      });
}

}  // namespace OrvaneMac
