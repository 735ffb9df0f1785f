#include "program/foundation/ProgramState.h"

#include <memory>

namespace OrvaneMac {
namespace {
std::unique_ptr<ProgramState> gState;
}

ProgramState& Program() {
  if (!gState) gState = std::make_unique<ProgramState>();
  return *gState;
}

void ResetProgramForTesting() { gState.reset(); }

vb::CollectionPtr& Items(vb::CollectionPtr& slot) {
  if (!slot) slot = std::make_shared<vb::Collection>();
  return slot;
}

}  // namespace OrvaneMac
