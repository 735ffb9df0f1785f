#pragma once
// The main window's own pictures in the skin's image lists: the window
// buttons, the border strips, the toolbar faces (normal, pressed and
// disabled), the Restore picture and the wait box's background.

namespace OrvaneMac {

// Adds them once for the run (needs a QGuiApplication).
void EnsureMainWindowPictures();

}  // namespace OrvaneMac
