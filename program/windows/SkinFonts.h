#pragma once
// The fonts the windows were designed with, on a Linux desktop.
//
// The windows name Arial, Times New Roman, Tahoma and MS Sans Serif. Arial
// and Times New Roman resolve to their metric-compatible Liberation fonts
// (fontconfig knows them); Tahoma and MS Sans Serif to the look-alikes that
// Debian ships with wine (fonts-wine), which live outside fontconfig's
// folders and are added to the application here.

#include <QFont>
#include <QString>

namespace OrvaneMac {

// Adds the look-alike fonts and the family substitutes to the application;
// once per process (later calls do nothing). Needs a QGuiApplication.
void InstallSkinFonts();

// A font of the windows' design: family, size in points, weight.
[[nodiscard]] QFont SkinFont(const QString& family, double points, bool bold = false);

// The family a design family is drawn with ("" when no font is found).
[[nodiscard]] QString ResolvedFamily(const QString& family);

}  // namespace OrvaneMac
