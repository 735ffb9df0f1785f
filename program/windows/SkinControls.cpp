#include "program/windows/SkinControls.h"

#include "program/windows/SkinFonts.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"

#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace OrvaneMac {

// ---------------------------------------------------------------- Control

Control::Control(QWidget* parent) : QWidget(parent) { setMouseTracking(true); }

void Control::Cls() {
  drawing_ = QPixmap();
  update();
}

void Control::PaintPicture(const QPixmap& picture, double leftTwips, double topTwips) {
  if (picture.isNull()) return;
  PaintPictureOnto(drawing_, size(), picture, leftTwips, topTwips);
  update();
}

void Control::SetBackColor(long bgr) {
  backColor_ = bgr;
  update();
}

Control* Control::Face() {
  if (pressedLook_) return this;
  auto* parent = qobject_cast<Control*>(parentWidget());
  return parent && parent->pressedLook_ ? parent : nullptr;
}

void Control::SetPressed(bool pressed) {
  if (pressed_ == pressed) return;
  pressed_ = pressed;
  update();
}

void Control::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    leftDown_ = true;
    if (Control* face = Face()) face->SetPressed(true);
  }
  emit MouseDown(event->button(), event->modifiers(), event->position().toPoint());
}

void Control::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = event->button() == Qt::LeftButton && leftDown_ && rect().contains(event->position().toPoint());
  if (event->button() == Qt::LeftButton) {
    leftDown_ = false;
    if (Control* face = Face()) face->SetPressed(false);
  }
  QPointer<Control> alive(this);
  emit MouseUp(event->button(), event->modifiers(), event->position().toPoint());
  if (click && alive) emit Click();
}

void Control::mouseMoveEvent(QMouseEvent* event) {
  emit MouseMove(event->buttons(), event->modifiers(), event->position().toPoint());
}

void Control::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (backColor_ >= 0) p.fillRect(rect(), WinColor(backColor_));
  PaintContent(p);
  if (!drawing_.isNull()) p.drawPixmap(0, 0, drawing_);
  if (pressed_) {
    // Darken the face (its picture, not the empty rest of the box).
    const auto* box = qobject_cast<const PictureBox*>(this);
    const QRect face = box && !box->Picture().isNull() ? QRect(QPoint(0, 0), box->Picture().size()) : rect();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 48));
    p.drawRoundedRect(QRectF(face).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
  }
}

// ---------------------------------------------------------------- PictureBox

PictureBox::PictureBox(QWidget* parent) : Control(parent) {}

void PictureBox::SetPicture(const QPixmap& picture) {
  picture_ = picture;
  if (autoSize_) FitToPicture();
  update();
}

void PictureBox::SetStretch(bool stretch) {
  stretch_ = stretch;
  update();
}

void PictureBox::SetAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  if (autoSize_) FitToPicture();
}

void PictureBox::FitToPicture() {
  if (picture_.isNull()) return;
  Twips::SetWidth(this, static_cast<double>(picture_.width()) * TwipsPerPixelX());
  Twips::SetHeight(this, static_cast<double>(picture_.height()) * TwipsPerPixelY());
}

void PictureBox::PaintContent(QPainter& painter) {
  if (picture_.isNull()) return;
  if (stretch_) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), picture_);
  } else {
    painter.drawPixmap(0, 0, picture_);
  }
}

// ---------------------------------------------------------------- Label

Label::Label(QWidget* parent, const QString& caption) : Control(parent), caption_(caption) {
  setFont(SkinFont(QStringLiteral("Tahoma"), 8.25));
}

void Label::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  if (autoSize_) FitToCaption();
  update();
}

void Label::SetForeColor(long bgr) {
  foreColor_ = bgr;
  update();
}

void Label::SetAlignment(Alignment alignment) {
  alignment_ = alignment;
  update();
}

void Label::SetAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  if (autoSize_) FitToCaption();
}

QString Label::ShownText() const {
  QString text = caption_;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

void Label::FitToCaption() {
  // One line: the width follows the caption (the "&" marker takes no room).
  const int width = fontMetrics().size(Qt::TextShowMnemonic | Qt::TextSingleLine, ShownText()).width();
  Twips::SetWidth(this, static_cast<double>(width) * TwipsPerPixelX());
}

void Label::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange && autoSize_) FitToCaption();
  Control::changeEvent(event);
}

void Label::PaintContent(QPainter& painter) {
  int flags = Qt::AlignTop | Qt::TextShowMnemonic;
  flags |= alignment_ == Alignment::Center ? Qt::AlignHCenter
           : alignment_ == Alignment::Right ? Qt::AlignRight
                                            : Qt::AlignLeft;
  if (!autoSize_) flags |= Qt::TextWordWrap;
  painter.setFont(font());
  painter.setPen(WinColor(foreColor_));
  painter.drawText(rect(), flags, ShownText());
}

// ---------------------------------------------------------------- Container

Container::Container(QWidget* parent) : Control(parent) {}

// ---------------------------------------------------------------- HyperLink

HyperLink::HyperLink(QWidget* parent, const QString& caption, const QString& address)
    : Label(parent, caption), address_(address) {
  QFont f = SkinFont(QStringLiteral("MS Sans Serif"), 8.25);
  f.setUnderline(true);
  setFont(f);
  SetForeColor(0xCC6600);  // blue (BGR)
  setCursor(HandCursor());
  connect(this, &Control::Click, this, &HyperLink::Activate);
}

// ---------------------------------------------------------------- TextBoxEx

TextBoxEx::TextBoxEx(QWidget* parent) : QLineEdit(parent) {
  setFont(SkinFont(QStringLiteral("Tahoma"), 8.25));
}

void TextBoxEx::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  emit GotFocus();
}

// ---------------------------------------------------------------- Animation

Animation::Animation(QWidget* parent) : Control(parent) {
  timer_.setInterval(80);
  connect(&timer_, &QTimer::timeout, this, [this] {
    if (frames_.empty()) return;
    frame_ = (frame_ + 1) % static_cast<int>(frames_.size());
    update();
  });
}

bool Animation::Open(const QString& file) {
  QString name = file;
  name.replace(QLatin1Char('\\'), QLatin1Char('/'));
  frames_ = AnimationClip(QFileInfo(name).completeBaseName().toLower());
  frame_ = 0;
  update();
  return !frames_.empty();
}

void Animation::Play() {
  if (!frames_.empty()) timer_.start();
}

void Animation::Stop() { timer_.stop(); }

void Animation::PaintContent(QPainter& painter) {
  if (frames_.empty()) return;
  const QPixmap& f = frames_[static_cast<size_t>(frame_)];
  painter.drawPixmap((width() - f.width()) / 2, (height() - f.height()) / 2, f);
}

// ---------------------------------------------------------------- HandCursor

QCursor HandCursor() {
  // A pointing hand, 32 x 32 with its hot spot at the finger tip.
  QPixmap hand(32, 32);
  hand.fill(Qt::transparent);
  {
    QPainter p(&hand);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(7.5, 1.5, 4, 14), 2, 2);     // the pointing finger
    path.addRoundedRect(QRectF(11.5, 8.5, 4, 9), 2, 2);     // folded fingers
    path.addRoundedRect(QRectF(15.5, 9.5, 4, 8), 2, 2);
    path.addRoundedRect(QRectF(19.5, 10.5, 3.5, 7), 1.75, 1.75);
    path.addRoundedRect(QRectF(7.5, 12.5, 15.5, 10), 4, 4);  // palm
    path.addRoundedRect(QRectF(2.5, 11.5, 7, 4), 2, 2);      // thumb
    path = path.simplified();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPath(path);
  }
  return QCursor(hand, 9, 1);
}

}  // namespace OrvaneMac
