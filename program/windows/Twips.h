#pragma once
// Twips, the unit every window of the program is laid out in.
//
// A twip is 1/1440 inch; the screen answers how many twips make a pixel
// (15 on a 96-dpi screen, 12 at 120 dpi). The windows keep each control's
// place in twips, as they were designed, and the pixel geometry follows
// from it: a layout that adds twips (a label's top plus its height) never
// loses precision to rounded pixels. The twips-per-pixel value is
// injectable so the high-resolution branches of the windows can be tested
// on any display.

#include <QColor>
#include <QPixmap>
#include <QSize>
#include <QRectF>

class QWidget;

namespace OrvaneMac {

// The screen's twips per pixel (15 unless a ScopedTwipsPerPixel says other).
[[nodiscard]] int TwipsPerPixelX();
[[nodiscard]] int TwipsPerPixelY();

// Puts another twips-per-pixel value in force for its lifetime.
class ScopedTwipsPerPixel {
 public:
  ScopedTwipsPerPixel(int x, int y);
  ~ScopedTwipsPerPixel();
  ScopedTwipsPerPixel(const ScopedTwipsPerPixel&) = delete;
  ScopedTwipsPerPixel& operator=(const ScopedTwipsPerPixel&) = delete;

 private:
  int savedX_;
  int savedY_;
};

// The screen's resolution as the windows compute it: 1440 / twips per pixel.
[[nodiscard]] double ScreenDpi();

[[nodiscard]] int TwipsToPixelsX(double twips);
[[nodiscard]] int TwipsToPixelsY(double twips);

// PaintPicture of a window or control: draws `picture` at a place in twips
// onto the persistent drawing `canvas`, which first grows (keeping what it
// holds) to at least `area`.
void PaintPictureOnto(QPixmap& canvas, const QSize& area, const QPixmap& picture, double leftTwips,
                      double topTwips);

// A Windows colour value (0x00BBGGRR) as a colour, and back.
[[nodiscard]] QColor WinColor(long bgr);
[[nodiscard]] long WinColorValue(const QColor& color);

// The place of a control (or the size of a window) in twips. A widget that
// was never placed in twips answers its pixel geometry converted.
namespace Twips {

[[nodiscard]] QRectF Place(const QWidget* w);
void SetPlace(QWidget* w, double left, double top, double width, double height);
[[nodiscard]] inline double Left(const QWidget* w) { return Place(w).left(); }
[[nodiscard]] inline double Top(const QWidget* w) { return Place(w).top(); }
[[nodiscard]] inline double Width(const QWidget* w) { return Place(w).width(); }
[[nodiscard]] inline double Height(const QWidget* w) { return Place(w).height(); }
void SetLeft(QWidget* w, double left);
void SetTop(QWidget* w, double top);
void SetWidth(QWidget* w, double width);
void SetHeight(QWidget* w, double height);

// Applies the stored twips again (after the twips per pixel changed).
void Reapply(QWidget* w);

// A window's place as the window system has it now, kept as its twips: a
// stored value whose pixels still match stays exact, one the window system
// changed (the user resized the window) is replaced by the pixels
// converted. Answers the place. A window's resize handler takes its size
// from here, not from the twips it last set.
QRectF TakeWindowPlace(QWidget* w);

}  // namespace Twips

}  // namespace OrvaneMac
