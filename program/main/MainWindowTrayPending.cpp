// Stands in until the main window lands: the main window adds its icon
// with its own tray menu (modGeneral::AddToTray).
#include "program/main/MainWindowServices.h"

namespace OrvaneMac {

void AddMainWindowToTray() {}

}  // namespace OrvaneMac
