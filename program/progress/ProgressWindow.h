#pragma once
// The restore's progress window as the controller client reaches it: shown
// modeless, owned by the main window, for the length of a restore, and
// unloaded when the restore returns.

namespace OrvaneMac {

void ShowProgressWindowModeless();
void UnloadProgressWindow();

}  // namespace OrvaneMac
