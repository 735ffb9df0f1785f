// Stands in until the main window lands.
#include "program/main/MainWindowServices.h"

namespace OrvaneMac {

void ShowMainWindow() {}
bool MainWindowVisible() { return false; }

}  // namespace OrvaneMac
