#include "program/progress/clsMonitor.h"

namespace OrvaneMac {

const win::MemberTable& clsMonitor::Members() const {
  static const auto table = win::MemberTable::Of<clsMonitor>(QStringLiteral("clsMonitor"), {});
  return table;
}

}  // namespace OrvaneMac
