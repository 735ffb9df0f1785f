// Stands in until the delete window, the rename and the quota display land.
#include "program/main/MainWindowServices.h"
#include "program/session/Transfer.h"

namespace OrvaneMac {

void ShowDeleteWindow(const QString& /*syncCaption*/, const QString& /*syncData*/) {}

void Transfer::Trf_UpdateTessaraDiskInfo() {}
void Transfer::Trf_RenameRemote() {}

}  // namespace OrvaneMac
