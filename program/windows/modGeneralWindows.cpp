#include "program/windows/modGeneralWindows.h"

#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "program/windows/SkinControls.h"
#include "program/windows/SkinFonts.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>

#include <optional>

namespace OrvaneMac::modGeneral {
namespace {

std::optional<QFont> gPathFont;

QFont PathFont() {
  if (!gPathFont) gPathFont = SkinFont(QStringLiteral("Tahoma"), 8.25);
  return *gPathFont;
}

}  // namespace

void SetButtonState(PictureBox* picture, int state, Label* label, QString& imageKey) {
  vb::Sleep(1);
  long color = -1;
  bool enabled = true;
  switch (state) {
    case kButtonNormal:
      if (imageKey.isEmpty()) imageKey = QStringLiteral("button_enb");
      color = kLabelNormalColor;
      break;
    case kButtonHover:
      if (imageKey.isEmpty()) imageKey = QStringLiteral("button_ovr");
      color = kLabelHoverColor;
      break;
    case kButtonDisabled:
      if (imageKey.isEmpty()) imageKey = QStringLiteral("button_enb");
      color = kLabelDisabledColor;
      enabled = false;
      break;
    default:
      break;
  }
  if (label && color >= 0) {
    if (label->ForeColor() != color) label->SetForeColor(color);
    if (label->isEnabled() != enabled) label->setEnabled(enabled);
  }
  if (picture && label && !picture->isEnabled() && label->ForeColor() != kLabelDisabledColor) {
    label->SetForeColor(kLabelDisabledColor);
  }
  if (!picture) return;
  const std::optional<QPixmap> face = ImageList4Mac().Find(imageKey);
  if (face && face->cacheKey() != picture->PictureHandle()) picture->SetPicture(*face);
}

void SetButtonState(PictureBox* picture, int state, Label* label, const QString& imageKey) {
  QString key = imageKey;
  SetButtonState(picture, state, label, key);
}

namespace {
QRect& InjectedWorkArea() {
  static QRect area;
  return area;
}
}  // namespace

void SetWorkAreaForTesting(const QRect& pixels) { InjectedWorkArea() = pixels; }

void GetWorkArea(long& left, long& top, long& width, long& height, bool inTwips) {
  QScreen* screen = QGuiApplication::primaryScreen();
  QRect area = screen ? screen->availableGeometry() : QRect();
  if (!InjectedWorkArea().isEmpty()) area = InjectedWorkArea();
  left = area.left();
  top = area.top();
  width = area.width();
  height = area.height();
  if (inTwips) {
    left *= TwipsPerPixelX();
    width *= TwipsPerPixelX();
    top *= TwipsPerPixelY();
    height *= TwipsPerPixelY();
  }
}

void SetPathLabelFont(const QFont& font) { gPathFont = font; }

bool TextFitsLabel(const QString& text, long width) {
  const long measured = static_cast<long>(QFontMetrics(PathFont()).horizontalAdvance(text)) * TwipsPerPixelX();
  return measured <= width;
}

QString FitPathToLabel(const QString& path, long width) {
  // Positions count from 1, as the lines are described: the first line
  // takes 30 characters; every line is then lengthened one character at a
  // time while it still fits, closed with CR LF, and the next line again
  // starts with 30 characters. So no line holds fewer than 30 characters
  // (but the last), even when 30 do not fit.
  auto mid = [&path](qsizetype start, qsizetype length) {
    return length <= 0 ? QString() : path.mid(start - 1, length);
  };
  const qsizetype n = path.size();
  QString result;
  qsizetype pos = 1;
  qsizetype lineStart = 1;
  while (n >= pos) {
    if (result.isEmpty()) {
      result = mid(pos, 30);
      pos = 30;
      continue;
    }
    qsizetype i = 1;
    for (; i <= n - pos; ++i) {
      if (!TextFitsLabel(mid(lineStart, 30 + i), width)) break;
    }
    result += mid(pos + 1, i - 1) + QStringLiteral("\r\n");
    lineStart = pos = pos + i;
    if (n >= pos) {
      result += mid(pos, 30);
      pos += 29;
    }
  }
  return result;
}

namespace {

constexpr char kExtentProperty[] = "horizontalExtent";

// Keeps a list's horizontal scroll range at least as wide as its extent:
// the view sets the range from its items whenever it lays them out.
void HoldExtent(QAbstractItemView* list) {
  QScrollBar* bar = list->horizontalScrollBar();
  const int needed = list->property(kExtentProperty).toInt() - list->viewport()->width();
  if (needed > bar->maximum()) bar->setRange(bar->minimum(), needed);
}

}  // namespace

void SetHorizontalExtent(QAbstractItemView* list, int pixels) {
  const bool watched = list->property(kExtentProperty).isValid();
  list->setProperty(kExtentProperty, pixels);
  if (!watched) {
    QPointer<QAbstractItemView> view(list);
    QObject::connect(list->horizontalScrollBar(), &QScrollBar::rangeChanged, list, [view] {
      if (view) HoldExtent(view);
    });
  }
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  HoldExtent(list);
}

int HorizontalExtent(const QAbstractItemView* list) { return list->property(kExtentProperty).toInt(); }

void StringToByteArray(const QString& text, std::vector<std::uint8_t>& bytes, long byteCount) {
  if (text.isEmpty()) return;
  if (byteCount < 2 || static_cast<long>(bytes.size()) < byteCount) {
    throw vb::RuntimeError(vb::errSubscriptOutOfRange);
  }
  const long room = byteCount - 2;
  long b = 0;
  for (QChar c : text) {
    if (b + 2 > room) break;
    bytes[static_cast<size_t>(b++)] = static_cast<std::uint8_t>(c.unicode() & 0xFF);
    bytes[static_cast<size_t>(b++)] = static_cast<std::uint8_t>(c.unicode() >> 8);
  }
  for (; b < byteCount; ++b) bytes[static_cast<size_t>(b)] = 0;
}

}  // namespace OrvaneMac::modGeneral
