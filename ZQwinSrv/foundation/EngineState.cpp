#include "ZQwinSrv/foundation/EngineState.h"

namespace OrvaneSrv {
namespace {
thread_local std::unique_ptr<EngineState> tState;
}

EngineState& Engine() {
  if (!tState) tState = std::make_unique<EngineState>();
  return *tState;
}

void ResetEngineForTesting() { tState.reset(); }

vb::CollectionPtr& Items(vb::CollectionPtr& slot) {
  if (!slot) slot = std::make_shared<vb::Collection>();
  return slot;
}

}  // namespace OrvaneSrv
