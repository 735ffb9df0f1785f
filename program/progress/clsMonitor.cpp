#include "program/progress/clsMonitor.h"

#include "platform/errors/RuntimeError.h"
#include "program/foundation/Options.h"
#include "program/foundation/ProgramState.h"
#include "program/main/frmSearchRemote.h"

namespace OrvaneMac {

const win::MemberTable& clsMonitor::Members() const {
  static const auto table = win::MemberTable::Of<clsMonitor>(
      QStringLiteral("clsMonitor"),
      {
          {QStringLiteral("updateSearchProgress"), win::Method, win::Params::ByVal(1),
           [](clsMonitor& self, win::DispatchArgs& a) { return vb::Variant(self.updateSearchProgress(a[0].ToString())); }},
      });
  return table;
}

bool clsMonitor::updateSearchProgress(const QString& /*sItem*/) {
  return vb::OnErrorGoTo(
      [] {
        if (!Program().SearchStopRequested) return false;
        return frmSearchRemote::Instance().UpdateProgress(QStringLiteral("2"));
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error Reason :") + e.description +
                   QStringLiteral("in procedure updateSearchProgress of Class Module clsMonitor"));
        return false;
      });
}

}  // namespace OrvaneMac
