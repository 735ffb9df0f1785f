#include "program/progress/ProgressImages.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace OrvaneMac {
namespace {

const QColor kBlue(0x2F, 0x6C, 0xB5);
const QColor kBlueLight(0x5C, 0x97, 0xD8);
const QColor kPaper(0xFF, 0xFF, 0xFF);
const QColor kLine(0x8A, 0x98, 0xA8);

QPixmap Blank(int w, int h) {
  QPixmap pm(w, h);
  pm.fill(Qt::transparent);
  return pm;
}

// A sheet of paper with ruled lines (the logs), 58 x 49 pixels.
QPixmap LogsPicture() {
  QPixmap pm = Blank(58, 49);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  for (int i = 0; i < 2; ++i) {
    const QRectF sheet(8 + i * 10, 3 + i * 4, 30, 40);
    p.setPen(QPen(kLine, 1));
    p.setBrush(kPaper);
    p.drawRoundedRect(sheet, 2, 2);
    p.setPen(QPen(i == 1 ? kBlue : kLine, 1.4));
    for (int line = 0; line < 5; ++line) {
      const double y = sheet.top() + 8 + line * 6;
      p.drawLine(QPointF(sheet.left() + 5, y), QPointF(sheet.right() - 5 - (line % 2) * 6, y));
    }
  }
  return pm;
}

// An envelope with a speech mark (the feedback report), 58 x 49 pixels.
QPixmap ReportPicture() {
  QPixmap pm = Blank(58, 49);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF env(6, 12, 44, 30);
  QLinearGradient g(env.topLeft(), env.bottomLeft());
  g.setColorAt(0, kPaper);
  g.setColorAt(1, QColor(0xDD, 0xE3, 0xEA));
  p.setBrush(g);
  p.setPen(QPen(kLine, 1));
  p.drawRoundedRect(env, 2, 2);
  p.setPen(QPen(kBlue, 1.4));
  p.drawLine(env.topLeft(), env.center());
  p.drawLine(env.topRight(), env.center());
  p.setPen(Qt::NoPen);
  p.setBrush(kBlueLight);
  p.drawEllipse(QRectF(36, 2, 18, 14));
  p.setPen(QPen(Qt::white, 1.6));
  p.drawLine(QPointF(41, 9), QPointF(49, 9));
  return pm;
}

QPixmap PageArrow(bool next, const QColor& fill) {
  QPixmap pm = Blank(15, 13);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath a;
  if (next) {
    a.moveTo(4, 2);
    a.lineTo(11, 6.5);
    a.lineTo(4, 11);
  } else {
    a.moveTo(11, 2);
    a.lineTo(4, 6.5);
    a.lineTo(11, 11);
  }
  a.closeSubpath();
  p.setBrush(fill);
  p.setPen(QPen(fill.darker(120), 1));
  p.drawPath(a);
  return pm;
}

QPixmap RowIcon(const QColor& colour, bool clock) {
  QPixmap pm = Blank(16, 16);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(colour.darker(120), 1));
  p.setBrush(colour);
  if (clock) {
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(Qt::white, 1.5));
    p.drawLine(QPointF(8, 8), QPointF(8, 4));
    p.drawLine(QPointF(8, 8), QPointF(11, 9));
  } else {
    // A down arrow into a tray: a restore.
    QPainterPath a;
    a.moveTo(5, 1.5);
    a.lineTo(11, 1.5);
    a.lineTo(11, 7);
    a.lineTo(14, 7);
    a.lineTo(8, 12.5);
    a.lineTo(2, 7);
    a.lineTo(5, 7);
    a.closeSubpath();
    p.drawPath(a);
    p.drawRect(QRectF(1.5, 13, 13, 1.5));
  }
  return pm;
}

}  // namespace

void AddProgressTitlePictures() {
  ImageList& list = ImageList4Mac();
  if (!list.Contains(QStringLiteral("zq_logs"))) list.Add(QStringLiteral("zq_logs"), LogsPicture());
  if (!list.Contains(QStringLiteral("zq_report"))) list.Add(QStringLiteral("zq_report"), ReportPicture());
}

ImageList& SessionLogPageImages() {
  static ImageList list = [] {
    ImageList l;
    const QColor regular = kBlue;
    const QColor disabled(0xC4, 0xC9, 0xD0);
    const QColor over = kBlueLight;
    l.Add(QStringLiteral("next_reg"), PageArrow(true, regular));
    l.Add(QStringLiteral("next_dis"), PageArrow(true, disabled));
    l.Add(QStringLiteral("next_ove"), PageArrow(true, over));
    l.Add(QStringLiteral("back_reg"), PageArrow(false, regular));
    l.Add(QStringLiteral("back_dis"), PageArrow(false, disabled));
    l.Add(QStringLiteral("back_ove"), PageArrow(false, over));
    return l;
  }();
  return list;
}

QPixmap SessionLogRowIcon(int index) {
  static const QPixmap schedule = RowIcon(QColor(0xE0, 0x9A, 0x2B), true);
  static const QPixmap restore = RowIcon(QColor(0x3C, 0x9A, 0x4A), false);
  if (index == 1) return schedule;
  if (index == 2) return restore;
  return {};
}

}  // namespace OrvaneMac
