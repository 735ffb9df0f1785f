#include "program/progress/ProgressWindow.h"

namespace OrvaneMac {

// Connected with the progress window itself; until then a restore runs
// without one.
void ShowProgressWindowModeless() {}
void UnloadProgressWindow() {}

}  // namespace OrvaneMac
