#include "program/foundation/DBaction.h"

#include "ZQwinSrv/foundation/TextHelpers.h"
#include "program/foundation/Options.h"
#include "platform/errors/RuntimeError.h"

namespace OrvaneMac::DBaction {

void ClearBacksetData(const vb::CollectionPtr& collection) {
  vb::OnErrorGoTo(
      [&] {
        if (!collection) vb::Raise(vb::errObjectVariableNotSet);
        OrvaneSrv::ClearBacksetData(collection);
      },
      [](const vb::ErrorInfo& err) {
        TraceError(err, QStringLiteral("ClearBacksetData"), vb::OwnerKind::Module, QStringLiteral("DBaction"));
      });
}

}  // namespace OrvaneMac::DBaction
