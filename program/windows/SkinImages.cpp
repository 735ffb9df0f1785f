#include "program/windows/SkinImages.h"

#include "platform/errors/RuntimeError.h"
#include "program/windows/SkinFonts.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace OrvaneMac {
namespace {

// The skin's colours.
const QColor kCaptionTop(0xE9, 0xF0, 0xF9);
const QColor kCaptionBottom(0xBD, 0xCF, 0xE8);
const QColor kCaptionLine(0x7F, 0x9C, 0xC7);
const QColor kFrame(0x6F, 0x8D, 0xB9);
const QColor kGlyph(0x33, 0x47, 0x5F);
const QColor kBlue(0x2F, 0x6C, 0xB5);
const QColor kBlueLight(0x5C, 0x97, 0xD8);

QPixmap Blank(int w, int h) {
  QPixmap pm(w, h);
  pm.fill(Qt::transparent);
  return pm;
}

void Smooth(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
}

void CaptionGradient(QPainter& p, const QRectF& r) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, kCaptionTop);
  g.setColorAt(1, kCaptionBottom);
  p.fillRect(r, g);
  p.setPen(kCaptionLine);
  p.drawLine(QPointF(r.left(), r.bottom() - 0.5), QPointF(r.right(), r.bottom() - 0.5));
}

QPixmap CloseGlyph(int size) {
  QPixmap pm = Blank(size, size);
  QPainter p(&pm);
  Smooth(p);
  p.setPen(QPen(kGlyph, 1.6, Qt::SolidLine, Qt::RoundCap));
  const double m = size * 0.28;
  p.drawLine(QPointF(m, m), QPointF(size - m, size - m));
  p.drawLine(QPointF(size - m, m), QPointF(m, size - m));
  p.setPen(QPen(QColor(0x7F, 0x9C, 0xC7), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), 2.5, 2.5);
  return pm;
}

QPixmap RoundIcon(const QColor& light, const QColor& dark, const QString& sign) {
  QPixmap pm = Blank(24, 24);
  QPainter p(&pm);
  Smooth(p);
  QLinearGradient g(0, 0, 0, 24);
  g.setColorAt(0, light);
  g.setColorAt(1, dark);
  p.setBrush(g);
  p.setPen(QPen(dark.darker(130), 1));
  p.drawEllipse(QRectF(1.5, 1.5, 21, 21));
  QFont f = SkinFont(QStringLiteral("Liberation Serif"), 1, true);
  f.setPixelSize(16);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRectF(0, 0, 24, 24.5), Qt::AlignCenter, sign);
  return pm;
}

QPixmap CrossIcon() {
  QPixmap pm = Blank(24, 24);
  QPainter p(&pm);
  Smooth(p);
  QLinearGradient g(0, 0, 0, 24);
  g.setColorAt(0, QColor(0xF0, 0x6A, 0x5C));
  g.setColorAt(1, QColor(0xC0, 0x29, 0x1E));
  p.setBrush(g);
  p.setPen(QPen(QColor(0x8E, 0x1D, 0x14), 1));
  p.drawEllipse(QRectF(1.5, 1.5, 21, 21));
  p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(8, 8), QPointF(16, 16));
  p.drawLine(QPointF(16, 8), QPointF(8, 16));
  return pm;
}

QPixmap WarnIcon() {
  QPixmap pm = Blank(24, 24);
  QPainter p(&pm);
  Smooth(p);
  QPainterPath tri;
  tri.moveTo(12, 1.5);
  tri.lineTo(22.5, 21.5);
  tri.lineTo(1.5, 21.5);
  tri.closeSubpath();
  QLinearGradient g(0, 0, 0, 24);
  g.setColorAt(0, QColor(0xFF, 0xE0, 0x6B));
  g.setColorAt(1, QColor(0xF0, 0xB0, 0x18));
  p.setBrush(g);
  p.setPen(QPen(QColor(0xA8, 0x76, 0x05), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(tri);
  p.setPen(QPen(QColor(0x3A, 0x2A, 0x00), 2.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(12, 8), QPointF(12, 14.5));
  p.drawPoint(QPointF(12, 18));
  return pm;
}

QPixmap ButtonFace(int w, int h, bool over) {
  QPixmap pm = Blank(w, h);
  QPainter p(&pm);
  Smooth(p);
  QLinearGradient g(0, 0, 0, h);
  if (over) {
    g.setColorAt(0, kBlueLight);
    g.setColorAt(1, kBlue);
  } else {
    g.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
    g.setColorAt(1, QColor(0xDD, 0xE3, 0xEA));
  }
  p.setBrush(g);
  p.setPen(QPen(over ? kBlue.darker(125) : QColor(0x8A, 0x98, 0xA8), 1));
  p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 3, 3);
  return pm;
}

QPixmap Arrow(bool next) {
  QPixmap pm = Blank(16, 16);
  QPainter p(&pm);
  Smooth(p);
  QPainterPath a;
  if (next) {
    a.moveTo(5, 3);
    a.lineTo(11, 8);
    a.lineTo(5, 13);
  } else {
    a.moveTo(11, 3);
    a.lineTo(5, 8);
    a.lineTo(11, 13);
  }
  a.closeSubpath();
  p.setBrush(QColor(0xB4, 0xBA, 0xC2));
  p.setPen(QPen(QColor(0x98, 0x9F, 0xA8), 1));
  p.drawPath(a);
  return pm;
}

QPixmap Logo(int size) {
  QPixmap pm = Blank(size, size);
  QPainter p(&pm);
  Smooth(p);
  const double s = size;
  QLinearGradient g(0, 0, s, s);
  g.setColorAt(0, kBlueLight);
  g.setColorAt(1, kBlue.darker(115));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawEllipse(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92));
  // A ring with an arrow turning back: the restore mark.
  p.setPen(QPen(Qt::white, s * 0.11, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  const QRectF ring(s * 0.27, s * 0.27, s * 0.46, s * 0.46);
  p.drawArc(ring, 100 * 16, 290 * 16);
  QPainterPath head;
  head.moveTo(s * 0.40, s * 0.16);
  head.lineTo(s * 0.56, s * 0.27);
  head.lineTo(s * 0.40, s * 0.38);
  head.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawPath(head);
  return pm;
}

QPixmap MaxGlyph() {
  QPixmap pm = Blank(16, 16);
  QPainter p(&pm);
  p.setPen(QPen(kGlyph, 1));
  p.drawRect(5, 2, 8, 7);
  p.drawLine(5, 3, 13, 3);
  p.fillRect(3, 6, 8, 8, kCaptionTop);
  p.drawRect(3, 6, 8, 7);
  p.drawLine(3, 7, 11, 7);
  return pm;
}

QPixmap StripPicture(int w, int h, int roundSide) {
  // roundSide: -1 rounded top-left corner, 1 top-right, 0 none.
  QPixmap pm = Blank(w, h);
  QPainter p(&pm);
  Smooth(p);
  QPainterPath clip;
  if (roundSide == 0) {
    clip.addRect(0, 0, w, h);
  } else {
    clip.addRoundedRect(QRectF(roundSide < 0 ? 0 : -8, 0, w + 8, h + 8), 6, 6);
  }
  p.setClipPath(clip);
  CaptionGradient(p, QRectF(0, 0, w, h));
  return pm;
}

QPixmap InputBackground() {
  // 6750 x 2550 twips at 15 twips a pixel.
  const int w = 450, h = 170;
  QPixmap pm(w, h);
  pm.fill(Qt::white);
  QPainter p(&pm);
  CaptionGradient(p, QRectF(0, 0, w, 31));
  p.drawPixmap(421, 9, CloseGlyph(14));
  p.setPen(kFrame);
  p.drawRect(0, 0, w - 1, h - 1);
  return pm;
}

QPixmap AboutBackground() {
  const int w = 400, h = 260;
  QPixmap pm(w, h);
  pm.fill(QColor(245, 245, 245));
  QPainter p(&pm);
  CaptionGradient(p, QRectF(0, 0, w, 31));
  QLinearGradient g(0, 31, 0, 110);
  g.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
  g.setColorAt(1, QColor(245, 245, 245));
  p.fillRect(QRectF(0, 31, w, 79), g);
  p.drawPixmap(w - 23, 9, CloseGlyph(14));
  p.setPen(kFrame);
  p.drawRect(0, 0, w - 1, h - 1);
  return pm;
}

QPixmap SpinnerFrame(int step, int steps) {
  QPixmap pm = Blank(32, 32);
  QPainter p(&pm);
  Smooth(p);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < steps; ++i) {
    const double angle = 2 * M_PI * i / steps - M_PI / 2;
    const int age = (step - i + steps) % steps;  // 0: the leading dot
    QColor c = kBlue;
    c.setAlphaF(std::max(0.15, 1.0 - age * 0.12));
    p.setBrush(c);
    p.drawEllipse(QPointF(16 + 11 * std::cos(angle), 16 + 11 * std::sin(angle)), 2.6, 2.6);
  }
  return pm;
}

// The delete clip: a page falling from the folder into the bin, 80 x 40.
QPixmap DeleteFrame(int step, int steps) {
  QPixmap pm = Blank(80, 40);
  QPainter p(&pm);
  Smooth(p);
  // The folder on the left, the bin on the right.
  p.setPen(QPen(kGlyph, 1));
  p.setBrush(QColor(0xF2, 0xC1, 0x4E));
  p.drawRoundedRect(QRectF(4, 14, 20, 15), 2, 2);
  p.setBrush(QColor(0xA0, 0xA8, 0xB4));
  p.drawRect(QRectF(58, 16, 16, 20));
  p.drawRect(QRectF(56, 12, 20, 4));
  // The page travels on an arc between them.
  const double t = static_cast<double>(step) / (steps - 1);
  const double x = 16 + t * 44;
  const double y = 14 - std::sin(t * M_PI) * 10 + t * 6;
  p.setBrush(Qt::white);
  p.setPen(QPen(kBlue, 1));
  p.drawRect(QRectF(x - 5, y - 6, 10, 12));
  return pm;
}

ImageList Build4Mac() {
  ImageList list;
  list.Add(QStringLiteral("zq_small_close"), CloseGlyph(14));
  list.Add(QStringLiteral("zq_msg_info"), RoundIcon(kBlueLight, kBlue, QStringLiteral("i")));
  list.Add(QStringLiteral("zq_msg_question"), RoundIcon(kBlueLight, kBlue, QStringLiteral("?")));
  list.Add(QStringLiteral("zq_msg_cross"), CrossIcon());
  list.Add(QStringLiteral("zq_msg_warn"), WarnIcon());
  list.Add(QStringLiteral("zq_input"), InputBackground());
  list.Add(QStringLiteral("zq_about_us"), AboutBackground());
  list.Add(QStringLiteral("button_enb"), ButtonFace(73, 23, false));
  list.Add(QStringLiteral("button_ovr"), ButtonFace(73, 23, true));
  list.Add(QStringLiteral("button_med_enb"), ButtonFace(100, 23, false));
  list.Add(QStringLiteral("button_med_ovr"), ButtonFace(100, 23, true));
  list.Add(QStringLiteral("button_mini_enb"), ButtonFace(60, 21, false));
  list.Add(QStringLiteral("button_mini_ovr"), ButtonFace(60, 21, true));
  list.Add(QStringLiteral("back_dis"), Arrow(false));
  list.Add(QStringLiteral("next_dis"), Arrow(true));
  return list;
}

ImageList Build1Mac() {
  ImageList list;
  list.Add(QStringLiteral("zq_blue"), Logo(16));
  list.Add(QStringLiteral("zq_max_max"), MaxGlyph());
  list.Add(QStringLiteral("zq_logo"), Logo(48));
  list.Add(QStringLiteral("zq_big_left_bdr"), StripPicture(10, 40, -1));
  list.Add(QStringLiteral("zq_big_cntr_bdr"), StripPicture(20, 40, 0));
  list.Add(QStringLiteral("zq_big_right_bdr"), StripPicture(10, 40, 1));
  list.Add(QStringLiteral("zq_small_left_bdr"), StripPicture(8, 24, -1));
  list.Add(QStringLiteral("zq_small_cntr_bdr"), StripPicture(16, 24, 0));
  list.Add(QStringLiteral("zq_small_right_bdr"), StripPicture(8, 24, 1));
  return list;
}

}  // namespace

void ImageList::Add(const QString& key, const QPixmap& picture) { pictures_[key] = picture; }

bool ImageList::Contains(const QString& key) const { return pictures_.count(key) != 0; }

std::optional<QPixmap> ImageList::Find(const QString& key) const {
  const auto it = pictures_.find(key);
  if (it == pictures_.end()) return std::nullopt;
  return it->second;
}

QPixmap ImageList::Picture(const QString& key) const {
  const auto it = pictures_.find(key);
  if (it == pictures_.end()) throw vb::RuntimeError(35601, QStringLiteral("Element not found"));
  return it->second;
}

std::vector<QString> ImageList::Keys() const {
  std::vector<QString> keys;
  for (const auto& [key, picture] : pictures_) keys.push_back(key);
  return keys;
}

ImageList& ImageList4Mac() {
  static ImageList list = Build4Mac();
  return list;
}

ImageList& ImageList1Mac() {
  static ImageList list = Build1Mac();
  return list;
}

QPixmap MesgBoxCaptionPicture() {
  static const QPixmap picture = [] {
    QPixmap pm(448, 33);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    CaptionGradient(p, QRectF(0, 0, 448, 33));
    return pm;
  }();
  return picture;
}

std::vector<QPixmap> AnimationClip(const QString& name) {
  std::vector<QPixmap> frames;
  // The wait box's clip, the sign-in window's connection clip and the
  // search window's clip.
  if (name == QLatin1String("prestatus") || name == QLatin1String("connectionmac") ||
      name == QLatin1String("searchmac")) {
    constexpr int kSteps = 12;
    for (int i = 0; i < kSteps; ++i) frames.push_back(SpinnerFrame(i, kSteps));
  } else if (name == QLatin1String("deleteremote")) {
    constexpr int kSteps = 10;
    for (int i = 0; i < kSteps; ++i) frames.push_back(DeleteFrame(i, kSteps));
  }
  return frames;
}

}  // namespace OrvaneMac
