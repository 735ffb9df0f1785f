#include "program/windows/TrayIcon.h"

namespace OrvaneMac::modGeneral {

// Connected with the main window; until then the icon is not shown.
void AddToTray(TrayOwner&, QMenu*) {}
void SetTrayTip(const QString&) {}
void RemoveFromTray() {}
void HookMinMaxSize() {}
void UnhookMinMaxSize() {}

}  // namespace OrvaneMac::modGeneral
