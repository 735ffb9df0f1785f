#pragma once
// Rounded outlines and the top border strips of the skinned windows.
//
// A skinned window has no system frame: its load handler asks a new
// rounding object for a rounded region (corners cut by 5 x 5 pixel
// ellipses) and, for some windows, a picture strip along its top edge. The
// region's size is the window's inner size in pixels plus a small
// correction chosen by the window's name, rounded halves-to-even, as the
// windows were tuned to it. A window that the user can resize gets its
// region built again whenever its size changes, so that all four corners
// stay rounded after a maximise.

#include <QRegion>
#include <QSize>
#include <QString>

#include <vector>

class QWidget;

namespace OrvaneMac {

class Form;

class clsRounder {
 public:
  // Gives the form's window its rounded region.
  void RoundedBorder(Form& form);
  // The same for a window by name (the form's name is its design name).
  void RoundedBorder(QWidget* window, const QString& name);

  // Paints the large (or small) border strip along the top of the window.
  void SetImagetoScreen(Form& form);
  void SetImagetoScreenSmall(Form& form);

  // The region made last (empty before), and the right and bottom it was
  // made with (CreateRoundRectRgn(0, 0, right, bottom, 5, 5)).
  [[nodiscard]] const QRegion& RegionHandle() const { return region_; }
  [[nodiscard]] QSize RegionExtent() const { return extent_; }

  // The size of the region for a window of `name` with the inner size
  // `inner` (pixels): 473 x 300 for "MesgBox" gives 474 x 301.
  [[nodiscard]] static QSize RegionSize(const QString& name, QSize inner);
  // The pixels of CreateRoundRectRgn(0, 0, right, bottom, ellipse,
  // ellipse): such a region leaves out its right and bottom edges and one
  // more pixel beyond each (columns 0 to right - 2, rows 0 to bottom - 2),
  // which is what the size corrections make up for: a 473 x 300 window
  // gets 474 x 301 and is covered exactly.
  [[nodiscard]] static QRegion RoundRectRegion(int right, int bottom, int ellipse);
  // The lefts (twips) of the centre tiles of a strip: 0, w, 2w, ... while
  // not beyond the inner width; none for a tile of width 0.
  [[nodiscard]] static std::vector<int> StripTileLefts(int innerWidthTwips, int tileWidthTwips);

 private:
  void PaintStrip(Form& form, const QString& left, const QString& centre, const QString& right);
  QRegion region_;
  QSize extent_;
};

// Marks a window as one the user can resize (its region then follows its
// size).
void SetWindowResizable(QWidget* window, bool resizable);

}  // namespace OrvaneMac
