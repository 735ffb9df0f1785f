#include "program/browse/TreeImages.h"

#include <QPainter>
#include <QPainterPath>

#include "platform/errors/RuntimeError.h"
#include "program/windows/SkinImages.h"

namespace OrvaneMac {
namespace {

constexpr int kSize = 16;

QPixmap Blank() {
  QPixmap p(kSize, kSize);
  p.fill(Qt::transparent);
  return p;
}

QPixmap Folder(QColor body, bool open) {
  QPixmap p = Blank();
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  g.setPen(body.darker(160));
  g.setBrush(body.darker(115));
  g.drawRoundedRect(QRectF(1.5, 3.5, 6, 3), 1, 1);  // the tab
  g.setBrush(body);
  if (open) {
    QPainterPath path;
    path.moveTo(1.5, 13.5);
    path.lineTo(4.5, 7.5);
    path.lineTo(14.5, 7.5);
    path.lineTo(11.5, 13.5);
    path.closeSubpath();
    g.drawRect(QRectF(1.5, 5.5, 11, 8));
    g.drawPath(path);
  } else {
    g.drawRoundedRect(QRectF(1.5, 5.5, 13, 8), 1, 1);
  }
  return p;
}

QPixmap Page(QColor ink) {
  QPixmap p = Blank();
  QPainter g(&p);
  g.setPen(ink);
  g.setBrush(Qt::white);
  QPainterPath path;
  path.moveTo(3.5, 1.5);
  path.lineTo(10.5, 1.5);
  path.lineTo(13.5, 4.5);
  path.lineTo(13.5, 14.5);
  path.lineTo(3.5, 14.5);
  path.closeSubpath();
  g.drawPath(path);
  for (int y = 6; y <= 12; y += 2) g.drawLine(5, y, 11, y);
  return p;
}

QPixmap Drive(QColor body, int type) {
  QPixmap p = Blank();
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  g.setPen(body.darker(170));
  g.setBrush(body);
  if (type == 4) {  // a disc
    g.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    g.setBrush(Qt::white);
    g.drawEllipse(QRectF(6, 6, 4, 4));
    return p;
  }
  g.drawRoundedRect(QRectF(1.5, 5.5, 13, 6), 1.5, 1.5);
  g.setPen(Qt::NoPen);
  g.setBrush(type == 3 ? QColor(0x2e, 0x8b, 0x57) : QColor(0x30, 0xc0, 0x30));
  g.drawEllipse(QRectF(11, 8, 2, 2));
  if (type == 3) {  // a network drive: the cable
    g.setPen(QColor(0x2e, 0x8b, 0x57));
    g.drawLine(8, 12, 8, 15);
    g.drawLine(4, 15, 12, 15);
  } else if (type == 1) {  // removable: a slot
    g.setPen(body.darker(200));
    g.drawLine(4, 8, 9, 8);
  }
  return p;
}

QPixmap Computer(QColor body) {
  QPixmap p = Blank();
  QPainter g(&p);
  g.setPen(body.darker(170));
  g.setBrush(QColor(0x9c, 0xc8, 0xf0));
  g.drawRect(QRectF(1.5, 1.5, 13, 9));
  g.setBrush(body);
  g.drawRect(QRectF(4.5, 12.5, 7, 2));
  return p;
}

QPixmap Desktop() {
  QPixmap p = Computer(QColor(0x80, 0x80, 0x80));
  QPainter g(&p);
  g.fillRect(QRectF(3, 3, 4, 3), QColor(0xf0, 0xc0, 0x40));
  return p;
}

QPixmap AccountRoot() {
  QPixmap p = Blank();
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  g.setPen(QColor(0x1d, 0x4f, 0x91));
  g.setBrush(QColor(0x3a, 0x7b, 0xd5));
  QPainterPath cloud;
  cloud.addEllipse(QRectF(1, 6, 7, 7));
  cloud.addEllipse(QRectF(5, 3, 8, 8));
  cloud.addEllipse(QRectF(8, 6, 7, 7));
  g.drawPath(cloud.simplified());
  return p;
}

QPixmap Marked(QPixmap base, QColor mark) {
  QPainter g(&base);
  g.setPen(Qt::NoPen);
  g.setBrush(mark);
  g.drawEllipse(QRectF(9, 9, 6, 6));
  return base;
}

QPixmap Toolbar(const QString& letter, bool enabled, bool sunken) {
  QPixmap p(32, 32);
  p.fill(Qt::transparent);
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  const QColor face = enabled ? QColor(0x3a, 0x7b, 0xd5) : QColor(0xb0, 0xb0, 0xb0);
  g.setPen(face.darker(sunken ? 180 : 130));
  g.setBrush(sunken ? face.darker(120) : face);
  g.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 5, 5);
  g.setPen(Qt::white);
  QFont f = g.font();
  f.setBold(true);
  f.setPixelSize(15);
  g.setFont(f);
  g.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, letter);
  return p;
}

}  // namespace

void TreeImageList::Add(const QString& key, const QPixmap& picture) {
  keys_.append(key);
  pictures_.push_back(picture);
}

int TreeImageList::IndexOf(const QString& key) const { return static_cast<int>(keys_.indexOf(key)) + 1; }

QPixmap TreeImageList::Picture(int index) const {
  if (index < 1 || index > Count()) vb::Raise(35600, {}, QStringLiteral("Index out of bounds"));
  return pictures_[static_cast<size_t>(index - 1)];
}

const TreeImageList& ImageListColTree() {
  static const TreeImageList list = [] {
    const QColor yellow(0xf2, 0xc1, 0x4e);
    const QColor gray(0xb8, 0xb8, 0xb8);
    const QColor steel(0xa0, 0xa8, 0xb4);
    TreeImageList l;
    l.Add(QStringLiteral("mycomp"), Computer(steel));
    l.Add(QStringLiteral("openfolder"), Folder(yellow, true));
    l.Add(QStringLiteral("drive4"), Drive(QColor(0xd8, 0xd8, 0xe8), 4));
    l.Add(QStringLiteral("drive2"), Drive(steel, 2));
    l.Add(QStringLiteral("drive3"), Drive(steel, 3));
    l.Add(QStringLiteral("file"), Page(QColor(0x50, 0x60, 0x78)));
    l.Add(QStringLiteral("folder"), Folder(yellow, false));
    l.Add(QStringLiteral("drive0"), Drive(steel, 0));
    l.Add(QStringLiteral("drive1"), Drive(steel, 1));
    l.Add(QStringLiteral("tessara"), AccountRoot());
    l.Add(QStringLiteral("foldergray1"), Marked(Folder(gray, false), QColor(0x90, 0x90, 0x90)));
    l.Add(QStringLiteral("mydesktop"), Desktop());
    l.Add(QStringLiteral("graydrive1"), Drive(gray, 1));
    l.Add(QStringLiteral("graydrive2"), Drive(gray, 2));
    l.Add(QStringLiteral("graydrive0"), Drive(gray, 0));
    l.Add(QStringLiteral("graydrive4"), Drive(gray, 4));
    l.Add(QStringLiteral("grayfolder"), Folder(gray, false));
    l.Add(QStringLiteral("graydrive3"), Drive(gray, 3));
    l.Add(QStringLiteral("stgFolder"), Marked(Folder(yellow, false), QColor(0x3a, 0x7b, 0xd5)));
    l.Add(QStringLiteral("mailFolder"), Marked(Folder(yellow, false), QColor(0xd0, 0x40, 0x40)));
    l.Add(QStringLiteral("mFolder"), Marked(Folder(yellow, false), QColor(0x30, 0xa0, 0x50)));
    l.Add(QStringLiteral("foldergray"), Folder(gray, false));
    l.Add(QStringLiteral("openfoldergray"), Folder(gray, true));
    l.Add(QStringLiteral("filegray"), Page(gray));
    return l;
  }();
  return list;
}

void EnsureToolbarPictures() {
  struct Picture {
    ImageList& list;
    const char* key;
    const char* letter;
    bool enabled;
    bool sunken;
  };
  const Picture pictures[] = {
      {ImageList1Mac(), "refresh_reg", "R", true, false},   {ImageList1Mac(), "refresh_disable", "R", false, false},
      {ImageList1Mac(), "snap_reg", "S", true, false},      {ImageList1Mac(), "snap_disable", "S", false, false},
      {ImageList1Mac(), "snap_sunken", "S", true, true},    {ImageList4Mac(), "zq_recalculate", "Q", true, false},
      {ImageList4Mac(), "Sea_Reg", "F", true, false},
  };
  for (const Picture& p : pictures) {
    const QString key = QString::fromLatin1(p.key);
    if (!p.list.Contains(key)) p.list.Add(key, Toolbar(QString::fromLatin1(p.letter), p.enabled, p.sunken));
  }
}

}  // namespace OrvaneMac
