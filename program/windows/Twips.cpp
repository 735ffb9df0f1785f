#include "program/windows/Twips.h"

#include <QPainter>
#include <QVariant>
#include <QWidget>

#include <cmath>

namespace OrvaneMac {
namespace {

int gTwipsX = 15;
int gTwipsY = 15;

constexpr char kPlaceProperty[] = "orvaneTwipsPlace";

}  // namespace

int TwipsPerPixelX() { return gTwipsX; }
int TwipsPerPixelY() { return gTwipsY; }

ScopedTwipsPerPixel::ScopedTwipsPerPixel(int x, int y) : savedX_(gTwipsX), savedY_(gTwipsY) {
  gTwipsX = x;
  gTwipsY = y;
}

ScopedTwipsPerPixel::~ScopedTwipsPerPixel() {
  gTwipsX = savedX_;
  gTwipsY = savedY_;
}

double ScreenDpi() { return 1440.0 / TwipsPerPixelX(); }

int TwipsToPixelsX(double twips) { return static_cast<int>(std::lround(twips / TwipsPerPixelX())); }
int TwipsToPixelsY(double twips) { return static_cast<int>(std::lround(twips / TwipsPerPixelY())); }

QColor WinColor(long bgr) {
  const auto v = static_cast<unsigned long>(bgr);
  return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF));
}

long WinColorValue(const QColor& color) {
  return static_cast<long>(color.red()) | (static_cast<long>(color.green()) << 8) |
         (static_cast<long>(color.blue()) << 16);
}

void PaintPictureOnto(QPixmap& canvas, const QSize& area, const QPixmap& picture, double leftTwips,
                      double topTwips) {
  if (picture.isNull()) return;
  const QSize want = area.expandedTo(canvas.size());
  if (canvas.size() != want) {
    QPixmap grown(want);
    grown.fill(Qt::transparent);
    if (!canvas.isNull()) {
      QPainter p(&grown);
      p.drawPixmap(0, 0, canvas);
    }
    canvas = grown;
  }
  QPainter p(&canvas);
  p.drawPixmap(TwipsToPixelsX(leftTwips), TwipsToPixelsY(topTwips), picture);
}

namespace Twips {

QRectF Place(const QWidget* w) {
  const QVariant stored = w->property(kPlaceProperty);
  if (stored.isValid()) return stored.toRectF();
  const QRect g = w->isWindow() ? QRect(w->pos(), w->size()) : w->geometry();
  return {static_cast<double>(g.x()) * TwipsPerPixelX(), static_cast<double>(g.y()) * TwipsPerPixelY(),
          static_cast<double>(g.width()) * TwipsPerPixelX(), static_cast<double>(g.height()) * TwipsPerPixelY()};
}

void SetPlace(QWidget* w, double left, double top, double width, double height) {
  w->setProperty(kPlaceProperty, QRectF(left, top, width < 0 ? 0 : width, height < 0 ? 0 : height));
  Reapply(w);
}

void SetLeft(QWidget* w, double left) {
  const QRectF p = Place(w);
  SetPlace(w, left, p.top(), p.width(), p.height());
}

void SetTop(QWidget* w, double top) {
  const QRectF p = Place(w);
  SetPlace(w, p.left(), top, p.width(), p.height());
}

void SetWidth(QWidget* w, double width) {
  const QRectF p = Place(w);
  SetPlace(w, p.left(), p.top(), width, p.height());
}

void SetHeight(QWidget* w, double height) {
  const QRectF p = Place(w);
  SetPlace(w, p.left(), p.top(), p.width(), height);
}

void Reapply(QWidget* w) {
  const QRectF p = Place(w);
  const int x = TwipsToPixelsX(p.left());
  const int y = TwipsToPixelsY(p.top());
  const int width = TwipsToPixelsX(p.width());
  const int height = TwipsToPixelsY(p.height());
  if (w->isWindow()) {
    // A window's twips are its size; its position is kept in pixels by the
    // window system and moved only on request.
    w->resize(width, height);
  } else {
    w->setGeometry(x, y, width, height);
  }
}

QRectF TakeWindowPlace(QWidget* w) {
  const QRectF stored = Place(w);
  const QRect px(w->pos(), w->size());
  QRectF place(px.x() * TwipsPerPixelX(), px.y() * TwipsPerPixelY(), px.width() * TwipsPerPixelX(),
               px.height() * TwipsPerPixelY());
  if (TwipsToPixelsX(stored.left()) == px.x()) place.moveLeft(stored.left());
  if (TwipsToPixelsY(stored.top()) == px.y()) place.moveTop(stored.top());
  if (TwipsToPixelsX(stored.width()) == px.width()) place.setWidth(stored.width());
  if (TwipsToPixelsY(stored.height()) == px.height()) place.setHeight(stored.height());
  // The same pixels: storing it changes nothing on screen.
  if (place != stored) w->setProperty(kPlaceProperty, place);
  return place;
}

}  // namespace Twips

}  // namespace OrvaneMac
