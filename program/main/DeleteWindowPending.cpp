// Stands in until the delete window and the rename land.
#include "program/main/MainWindowServices.h"
#include "program/session/Transfer.h"

namespace OrvaneMac {

void ShowDeleteWindow(const QString& /*syncCaption*/, const QString& /*syncData*/) {}

void Transfer::Trf_RenameRemote() {}

}  // namespace OrvaneMac
