#include "program/session/SessionImages.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

#include "program/windows/SkinFonts.h"

namespace OrvaneMac {
namespace {

const QColor kCaptionTop(0xE9, 0xF0, 0xF9);
const QColor kCaptionBottom(0xBD, 0xCF, 0xE8);
const QColor kCaptionLine(0x7F, 0x9C, 0xC7);
const QColor kFrame(0x6F, 0x8D, 0xB9);
const QColor kBlue(0x2F, 0x6C, 0xB5);
const QColor kPanel(0xF2, 0xF1, 0xEC);  // 15528434 as a Windows colour

void Caption(QPainter& p, int w, int h) {
  QLinearGradient g(0, 0, 0, h);
  g.setColorAt(0, kCaptionTop);
  g.setColorAt(1, kCaptionBottom);
  p.fillRect(QRect(0, 0, w, h), g);
  p.setPen(kCaptionLine);
  p.drawLine(0, h - 1, w, h - 1);
}

// 7215 x 4785 twips less the frame the window adds, at 15 twips a pixel.
QPixmap LoginBackground() {
  const int w = 480, h = 319;
  QPixmap pm(w, h);
  pm.fill(Qt::white);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  Caption(p, w, 57);
  p.setPen(kBlue);
  p.setFont(SkinFont(QStringLiteral("Arial"), 14, true));
  p.drawText(QRect(20, 0, w - 40, 57), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Orvane for Mac"));
  p.setPen(QColor(0x33, 0x47, 0x5F));
  p.setFont(SkinFont(QStringLiteral("Arial"), 9, true));
  p.drawText(QRect(20, 0, w - 40, 57), Qt::AlignVCenter | Qt::AlignRight, QStringLiteral("Windows Restore"));
  // The strip of links at the bottom; transparent hot spots lie over them.
  p.fillRect(QRect(0, 256, w, h - 256), kPanel);
  p.setPen(kCaptionLine);
  p.drawLine(0, 256, w, 256);
  p.setPen(kBlue);
  QFont link = SkinFont(QStringLiteral("Tahoma"), 8.25);
  link.setUnderline(true);
  p.setFont(link);
  p.drawText(QRect(46, 264, 108, 24), Qt::AlignCenter, QStringLiteral("Sign up"));
  p.drawText(QRect(205, 264, 110, 24), Qt::AlignCenter, QStringLiteral("Forgot Password?"));
  p.drawText(QRect(350, 264, 110, 24), Qt::AlignCenter, QStringLiteral("Upgrade Account"));
  p.setPen(kFrame);
  p.setBrush(Qt::NoBrush);
  p.drawRect(0, 0, w - 1, h - 1);
  return pm;
}

// 6060 x 5250 twips.
QPixmap ProxyBackground() {
  const int w = 404, h = 350;
  QPixmap pm(w, h);
  pm.fill(kPanel);
  QPainter p(&pm);
  Caption(p, w, 32);
  p.setPen(kCaptionLine);
  p.drawLine(30, 62, w - 30, 62);
  p.drawLine(30, 235, w - 30, 235);
  p.setPen(kFrame);
  p.drawRect(0, 0, w - 1, h - 1);
  return pm;
}

QPixmap HelpGlyph() {
  QPixmap pm(25, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(kFrame);
  p.setBrush(QColor(0xFF, 0xFF, 0xFF));
  p.drawEllipse(QRectF(5, 0.5, 15, 15));
  p.setPen(kBlue);
  p.setFont(SkinFont(QStringLiteral("Arial"), 8, true));
  p.drawText(QRectF(5, 0.5, 15, 15), Qt::AlignCenter, QStringLiteral("?"));
  return pm;
}

}  // namespace

ImageList& LoginImageList1Mac() {
  static ImageList* list = [] {
    auto* l = new ImageList;
    l->Add(QStringLiteral("zq_login"), LoginBackground());
    l->Add(QStringLiteral("zq_proxy"), ProxyBackground());
    l->Add(QStringLiteral("zq_help"), HelpGlyph());
    return l;
  }();
  return *list;
}

}  // namespace OrvaneMac
