#pragma once
// Program-wide values the common windows read and write.
//
// SkipMainRefresh: set by every dialog's load (and by the input box's
// unload); the main window's next activation clears it instead of
// refreshing itself, so closing a dialog does not repaint the main window.
// InputBoxAnswer: the text the input box hands back (empty when the user
// cancelled or entered nothing).

#include <QString>

namespace OrvaneMac {

bool& SkipMainRefresh();
QString& InputBoxAnswer();

}  // namespace OrvaneMac
