#pragma once
// The restore's progress window as the controller client reaches it: shown
// modeless, owned by the main window, for the length of a restore, and
// unloaded when the restore returns.

namespace OrvaneMac {

void ShowProgressWindowModeless();
// The progress window of the restore that runs, brought back as it is (the
// main window's exit road, when the user chose not to quit): a stop the user
// asked for stays asked for.
void ShowProgressWindowAgain();
void UnloadProgressWindow();

}  // namespace OrvaneMac
