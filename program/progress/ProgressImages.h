#pragma once
// The pictures of the session-log viewer and the feedback window: their
// title pictures in the main window's ImageList4Mac ("zq_logs",
// "zq_report"), the viewer's own page arrows and the small icons of its
// rows. Drawn in code, in the skin's colours.

#include "program/windows/SkinImages.h"

namespace OrvaneMac {

// Adds "zq_logs" and "zq_report" to ImageList4Mac when it lacks them.
void AddProgressTitlePictures();

// The session-log viewer's own list: "next_reg", "next_dis", "next_ove",
// "back_reg", "back_dis", "back_ove".
ImageList& SessionLogPageImages();

// Small icon 1 (a scheduled run) and 2 (a restore) of the viewer's rows;
// a null picture for any other index.
[[nodiscard]] QPixmap SessionLogRowIcon(int index);

}  // namespace OrvaneMac
