// Stands in until the restore destination screen lands.
#include "program/main/MainWindowServices.h"

namespace OrvaneMac {

void ShowRestoreDestinationScreen(const QString& /*label3Caption*/) {}

}  // namespace OrvaneMac
