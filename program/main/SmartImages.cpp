#include "program/main/SmartImages.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "program/browse/TreeImages.h"
#include "program/windows/SkinImages.h"

namespace OrvaneMac {
namespace {

const QColor kBlueTop(0x4a, 0x8d, 0xe0);
const QColor kBlueBottom(0x1f, 0x5c, 0xb0);
const QColor kPanel(0xf2, 0xf1, 0xec);  // RGB(242, 241, 236), the window's back

QPixmap Blank(int w, int h) {
  QPixmap p(w, h);
  p.fill(Qt::transparent);
  return p;
}

// The header band: the blue caption strip over the light toolbar panel.
QPixmap Band(int w, int h, int roundSide) {
  QPixmap pm = Blank(w, h);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath clip;
  if (roundSide == 0) {
    clip.addRect(0, 0, w, h);
  } else {
    clip.addRoundedRect(QRectF(roundSide < 0 ? 0 : -10, 0, w + 10, h + 10), 7, 7);
  }
  p.setClipPath(clip);
  QLinearGradient caption(0, 0, 0, 32);
  caption.setColorAt(0, kBlueTop);
  caption.setColorAt(1, kBlueBottom);
  p.fillRect(QRectF(0, 0, w, 32), caption);
  QLinearGradient panel(0, 32, 0, h);
  panel.setColorAt(0, QColor(0xf7, 0xf8, 0xfa));
  panel.setColorAt(1, QColor(0xe4, 0xe9, 0xef));
  p.fillRect(QRectF(0, 32, w, h - 32), panel);
  p.setPen(QColor(0xc8, 0xd0, 0xda));
  p.drawLine(0, h - 1, w, h - 1);
  return pm;
}

QPixmap Bottom(int w, int h, bool corner) {
  QPixmap pm = Blank(w, h);
  QPainter p(&pm);
  QLinearGradient g(0, 0, 0, h);
  g.setColorAt(0, QColor(0xf3, 0xf5, 0xf8));
  g.setColorAt(1, QColor(0xdc, 0xe2, 0xea));
  p.fillRect(pm.rect(), g);
  p.setPen(QColor(0xc8, 0xd0, 0xda));
  p.drawLine(0, 0, w, 0);
  if (corner) {
    p.setPen(QColor(0xa8, 0xb0, 0xbc));
    for (int i = 0; i < 3; ++i) p.drawLine(w - 4 - 4 * i, h - 14, w - 4, h - 14 + 4 + 4 * i);
  }
  return pm;
}

// A window button glyph on the caption: "min", "max", "close".
QPixmap WindowButton(const QString& kind) {
  QPixmap pm = Blank(23, 20);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::white, 2));
  if (kind == QLatin1String("min")) {
    p.drawLine(7, 13, 16, 13);
  } else if (kind == QLatin1String("max")) {
    p.drawRect(QRectF(6.5, 5.5, 10, 9));
  } else {
    p.drawLine(7, 5, 16, 14);
    p.drawLine(16, 5, 7, 14);
  }
  return pm;
}

enum class Face { Normal, Pressed, Disabled };

// A toolbar face: a glyph over its caption, 76 x 72 pixels.
QPixmap ToolFace(const QString& glyph, const QString& caption, Face face) {
  QPixmap pm = Blank(76, 72);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  if (face == Face::Pressed) {
    p.setPen(QColor(0x7a, 0xa5, 0xd8));
    p.setBrush(QColor(0xd6, 0xe6, 0xf8));
    p.drawRoundedRect(QRectF(1.5, 1.5, 73, 69), 6, 6);
  }
  const QColor ink = face == Face::Disabled ? QColor(0xa8, 0xa8, 0xa8) : QColor(0x1f, 0x5c, 0xb0);
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  p.drawEllipse(QRectF(20, 6, 36, 36));
  p.setPen(Qt::white);
  QFont f = p.font();
  f.setBold(true);
  f.setPixelSize(18);
  p.setFont(f);
  p.drawText(QRectF(20, 6, 36, 36), Qt::AlignCenter, glyph);
  f.setBold(false);
  f.setPixelSize(11);
  p.setFont(f);
  p.setPen(face == Face::Disabled ? QColor(0x9a, 0x9a, 0x9a) : QColor(0x20, 0x2a, 0x36));
  p.drawText(QRectF(0, 46, 76, 22), Qt::AlignHCenter | Qt::AlignTop, caption);
  return pm;
}

QPixmap SearchFace() {
  QPixmap pm = Blank(35, 35);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QColor(0x1f, 0x5c, 0xb0));
  p.setBrush(QColor(0x3a, 0x7b, 0xd5));
  p.drawRoundedRect(QRectF(1.5, 1.5, 32, 32), 5, 5);
  p.setPen(QPen(Qt::white, 2.5));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(8, 8, 13, 13));
  p.drawLine(QPointF(19, 19), QPointF(26, 26));
  return pm;
}

QPixmap RestoreFace(bool hover) {
  QPixmap pm = Blank(100, 28);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, 28);
  g.setColorAt(0, hover ? QColor(0x5b, 0xa0, 0xf0) : kBlueTop);
  g.setColorAt(1, hover ? QColor(0x2b, 0x6d, 0xc4) : kBlueBottom);
  p.setPen(QColor(0x18, 0x4a, 0x90));
  p.setBrush(g);
  p.drawRoundedRect(QRectF(0.5, 0.5, 99, 27), 6, 6);
  p.setPen(Qt::white);
  QFont f = p.font();
  f.setBold(true);
  f.setPixelSize(13);
  p.setFont(f);
  p.drawText(QRectF(0, 0, 100, 28), Qt::AlignCenter, QStringLiteral("Restore"));
  return pm;
}

QPixmap RecalculateFace() {
  QPixmap pm = Blank(80, 22);
  QPainter p(&pm);
  p.setPen(QColor(0x1f, 0x5c, 0xb0));
  QFont f = p.font();
  f.setUnderline(true);
  f.setPixelSize(12);
  p.setFont(f);
  p.drawText(QRectF(0, 0, 80, 22), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Recalculate"));
  return pm;
}

QPixmap WaitBoxBackground() {
  // 5865 x 2880 twips at 15 twips a pixel.
  QPixmap pm(391, 192);
  pm.fill(kPanel);
  QPainter p(&pm);
  QLinearGradient g(0, 0, 0, 32);
  g.setColorAt(0, kBlueTop);
  g.setColorAt(1, kBlueBottom);
  p.fillRect(QRectF(0, 0, 391, 32), g);
  p.setPen(QColor(0xa8, 0xb0, 0xbc));
  p.drawRect(0, 0, 390, 191);
  return pm;
}

QPixmap HandPicture() {
  QPixmap pm = Blank(16, 16);
  QPainter p(&pm);
  p.setPen(Qt::black);
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(4.5, 5.5, 9, 9), 2, 2);
  p.drawRect(QRectF(5.5, 0.5, 2, 7));
  return pm;
}

}  // namespace

void EnsureMainWindowPictures() {
  static bool done = false;
  if (done) return;
  done = true;
  ImageList& one = ImageList1Mac();
  ImageList& four = ImageList4Mac();
  one.Add(QStringLiteral("zq_min"), WindowButton(QStringLiteral("min")));
  one.Add(QStringLiteral("zq_max"), WindowButton(QStringLiteral("max")));
  one.Add(QStringLiteral("zq_close"), WindowButton(QStringLiteral("close")));
  // Border pictures at their scale (twips / 15).
  one.Add(QStringLiteral("zq_cntr_bdr"), Band(30, 171, 0));
  one.Add(QStringLiteral("zq_left_bdr"), Band(30, 171, -1));
  one.Add(QStringLiteral("zq_right_bdr"), Band(30, 170, 1));
  one.Add(QStringLiteral("zq_bottom"), Bottom(10, 62, false));
  one.Add(QStringLiteral("zq_bottom_right"), Bottom(10, 62, true));
  const struct {
    const char* stem;
    const char* glyph;
    const char* caption;
    bool disabled;
  } faces[] = {
      {"refresh", "\u21bb", "Refresh", true}, {"sesslog", "\u2261", "Session Log", false},
      {"help", "?", "Help", false},            {"delete", "\u2715", "Delete", false},
  };
  for (const auto& f : faces) {
    const QString stem = QString::fromLatin1(f.stem);
    const QString glyph = QString::fromUtf8(f.glyph);
    const QString caption = QString::fromLatin1(f.caption);
    one.Add(stem + QStringLiteral("_reg"), ToolFace(glyph, caption, Face::Normal));
    one.Add(stem + QStringLiteral("_ovr"), ToolFace(glyph, caption, Face::Pressed));
    if (f.disabled) one.Add(stem + QStringLiteral("_disable"), ToolFace(glyph, caption, Face::Disabled));
  }
  const QString snapGlyph = QString::fromUtf8("\u25f7");
  one.Add(QStringLiteral("snap_reg"), ToolFace(snapGlyph, QStringLiteral("Snapshots"), Face::Normal));
  one.Add(QStringLiteral("snap_sunken"), ToolFace(snapGlyph, QStringLiteral("Snapshots"), Face::Pressed));
  one.Add(QStringLiteral("snap_ovr"), ToolFace(snapGlyph, QStringLiteral("Snapshots"), Face::Pressed));
  one.Add(QStringLiteral("snap_disable"), ToolFace(snapGlyph, QStringLiteral("Snapshots"), Face::Disabled));
  four.Add(QStringLiteral("Sea_Reg"), SearchFace());
  four.Add(QStringLiteral("zq_recalculate"), RecalculateFace());
  four.Add(QStringLiteral("zq_main_res"), RestoreFace(false));
  four.Add(QStringLiteral("zq_main_res_ovr"), RestoreFace(true));
  four.Add(QStringLiteral("prestatusgif"), WaitBoxBackground());
  four.Add(QStringLiteral("hand"), HandPicture());
  // The component states find their keys present and add nothing.
  EnsureToolbarPictures();
}

}  // namespace OrvaneMac
