#pragma once
// The controls the skinned windows are built from: picture boxes (button
// faces, caption bars, close boxes), transparent labels, the button strip
// container, the link, the one-line entry field and the animation player.
//
// Every control reports the mouse as the windows expect it: the button that
// went down or up, the modifier keys and the point, and movement of the
// pointer whether or not a button is held (hover faces follow it). Places
// and sizes are set in twips (Twips.h).

#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace OrvaneMac {

// The base of the skin's controls: mouse reporting and an optional
// persistent drawing (what the windows paint onto a control stays until
// cleared).
class Control : public QWidget {
  Q_OBJECT
 public:
  explicit Control(QWidget* parent);

  // The drawing painted onto the control with PaintPicture; cleared by Cls.
  void Cls();
  void PaintPicture(const QPixmap& picture, double leftTwips, double topTwips);
  [[nodiscard]] const QPixmap& Drawing() const { return drawing_; }

  // Background colour as a Windows colour value; -1 leaves the control
  // transparent (the default).
  void SetBackColor(long bgr);

  // A button face looks pressed while the left button is held on it or on
  // its caption (the press itself acts on release, as ever).
  void SetPressedLook(bool on) { pressedLook_ = on; }
  [[nodiscard]] bool Pressed() const { return pressed_; }

 signals:
  void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint point);
  void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint point);
  void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPoint point);
  // A left press and release over the control.
  void Click();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  // What the control itself draws above its background and below the drawing.
  virtual void PaintContent(QPainter& /*painter*/) {}

 private:
  void SetPressed(bool pressed);
  // The face this control belongs to: itself, or its parent for a caption.
  Control* Face();

  QPixmap drawing_;
  long backColor_ = -1;
  bool leftDown_ = false;
  bool pressedLook_ = false;
  bool pressed_ = false;
};

// A picture box or image: shows a picture at its own size from the top
// left, or stretched over the control.
class PictureBox : public Control {
  Q_OBJECT
 public:
  explicit PictureBox(QWidget* parent);

  void SetPicture(const QPixmap& picture);
  [[nodiscard]] const QPixmap& Picture() const { return picture_; }
  // The picture's handle (0 for none): two controls showing the same
  // picture of an image list answer the same handle.
  [[nodiscard]] qint64 PictureHandle() const { return picture_.isNull() ? 0 : picture_.cacheKey(); }

  void SetStretch(bool stretch);
  // Sizes the control to its picture now and whenever the picture changes.
  void SetAutoSize(bool autoSize);

 protected:
  void PaintContent(QPainter& painter) override;

 private:
  void FitToPicture();
  QPixmap picture_;
  bool stretch_ = false;
  bool autoSize_ = false;
};

// A label: caption with its line breaks (CR LF) kept and "&" marking the
// access letter, fore colour, alignment, transparent background, and
// automatic sizing to a one-line caption (the width then measures it).
class Label : public Control {
  Q_OBJECT
 public:
  enum class Alignment { Left, Right, Center };
  explicit Label(QWidget* parent, const QString& caption = {});

  void SetCaption(const QString& caption);
  [[nodiscard]] const QString& Caption() const { return caption_; }
  void SetForeColor(long bgr);
  [[nodiscard]] long ForeColor() const { return foreColor_; }
  void SetAlignment(Alignment alignment);
  void SetAutoSize(bool autoSize);
  [[nodiscard]] bool AutoSize() const { return autoSize_; }
  // The caption as shown: line breaks as the label draws them, "&" markers out.
  [[nodiscard]] QString ShownText() const;

 protected:
  void PaintContent(QPainter& painter) override;
  void changeEvent(QEvent* event) override;

 private:
  void FitToCaption();
  QString caption_;
  long foreColor_ = 0;
  Alignment alignment_ = Alignment::Left;
  bool autoSize_ = false;
};

// The container of a button strip: holds the faces and reports movement.
class Container : public Control {
  Q_OBJECT
 public:
  explicit Container(QWidget* parent);
};

// A link: an underlined label that raises Activate when clicked.
class HyperLink : public Label {
  Q_OBJECT
 public:
  HyperLink(QWidget* parent, const QString& caption, const QString& address);
  [[nodiscard]] const QString& Address() const { return address_; }

 signals:
  void Activate();

 private:
  QString address_;
};

// The one-line entry field: its text, and GotFocus when it takes the focus.
class TextBoxEx : public QLineEdit {
  Q_OBJECT
 public:
  explicit TextBoxEx(QWidget* parent);

 signals:
  void GotFocus();

 protected:
  void focusInEvent(QFocusEvent* event) override;
};

// Plays one of the program's own animation clips, named by their file
// ("images\prestatus.avi"); the frames are the program's own.
class Animation : public Control {
  Q_OBJECT
 public:
  explicit Animation(QWidget* parent);
  // Opens a clip by its file name; false when the program has no such clip.
  bool Open(const QString& file);
  void Play();
  void Stop();
  [[nodiscard]] bool IsPlaying() const { return timer_.isActive(); }
  [[nodiscard]] int Frame() const { return frame_; }
  [[nodiscard]] int FrameCount() const { return static_cast<int>(frames_.size()); }

 protected:
  void PaintContent(QPainter& painter) override;

 private:
  std::vector<QPixmap> frames_;
  int frame_ = 0;
  QTimer timer_;
};

// The program's own hand pointer, shown over links and caption areas.
[[nodiscard]] QCursor HandCursor();

}  // namespace OrvaneMac
