// Stands in until the rename lands.
#include "program/session/Transfer.h"

namespace OrvaneMac {

void Transfer::Trf_RenameRemote() {}

}  // namespace OrvaneMac
