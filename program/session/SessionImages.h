#pragma once
// The sign-in window's own image list: its background ("zq_login") and the
// proxy and dial-up window's background ("zq_proxy") and help picture
// ("zq_help"), which that window
// takes from here. Drawn in code, in the skin's colours.

#include "program/windows/SkinImages.h"

namespace OrvaneMac {

// The sign-in window's ImageList1Mac. Created on first use; needs a
// QGuiApplication.
ImageList& LoginImageList1Mac();

}  // namespace OrvaneMac
