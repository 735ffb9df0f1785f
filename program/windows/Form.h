#pragma once
// The life of the program's windows.
//
// Each window is one process-wide object (the form) that outlives its
// widgets: its private fields persist from one use to the next, while its
// controls exist only while it is loaded. Touching the window (Window())
// loads it hidden, building its controls and running its load handler;
// Unload destroys the controls and leaves the fields. A modal show runs a
// nested event loop until the window is unloaded (hiding it is not
// enough); windows shown from inside it take the input while they are up,
// and the loop lets other work re-enter as DoEvents does.
//
// Keys are seen by the window before its controls (key preview). The
// skinned windows have no system frame: they draw their own caption bar
// and are dragged by it (DragWindowWith).

#include <QEvent>
#include <QList>
#include <QEventLoop>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace OrvaneMac {

class Form;

// The top-level widget of a loaded form.
class FormWindow : public QWidget {
  Q_OBJECT
 public:
  FormWindow(Form* form, bool skinned);
  ~FormWindow() override;

  [[nodiscard]] Form* Owner() const { return form_; }
  // Forgets the form (it has unloaded); the widget is deleted soon after.
  void Detach() { form_ = nullptr; }

  // The window's picture, drawn from its top left under everything else,
  // with its handle (0 for none) so a load can skip setting it again.
  void SetPicture(const QPixmap& picture);
  [[nodiscard]] qint64 PictureHandle() const { return picture_.isNull() ? 0 : picture_.cacheKey(); }

  // The drawing painted onto the window (its background pictures).
  void Cls();
  void PaintPicture(const QPixmap& picture, double leftTwips, double topTwips);
  void SetBackColor(long bgr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct KeyFingerprint {
    const QEvent* event = nullptr;
    QEvent::Type type = QEvent::None;
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    quint64 timestamp = 0;
    bool operator==(const KeyFingerprint&) const = default;
  };
  Form* form_;
  KeyFingerprint lastKey_;
  // Letter and digit keys pressed with Alt alone and not released yet: the
  // window's accelerators, which act on their release.
  QList<int> heldAccelerators_;
  QPixmap picture_;
  QPixmap drawing_;
  long backColor_ = -1;
};

class Form {
 public:
  explicit Form(QString name);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // The window's design name ("MesgBox"); the rounded border chooses its
  // corrections by it.
  [[nodiscard]] const QString& Name() const { return name_; }

  // The window, loaded (hidden) first when it is not.
  FormWindow* Window();
  [[nodiscard]] bool IsLoaded() const { return window_ != nullptr; }
  void Load() { (void)Window(); }
  // Runs the unload handler, ends a modal show, destroys the controls.
  void Unload();

  // Shows the window modally and returns when it has been unloaded. A
  // window already in a modal show raises run-time error 400.
  void ShowModal();
  // Shows the window without waiting.
  void Show();
  // Hides the window and, when it is shown modally, ends that show (the
  // window stays loaded and keeps its state for the next show).
  void HideWindow();
  // Draws a shown window on the screen now, for a caller whose work holds
  // the thread next: waits (a second at most) until the window system has
  // put the window up, then paints it. A hidden or minimised window is left
  // as it is.
  void PaintNow();

  // The window's size in twips (its inner size: the windows have no frame).
  [[nodiscard]] double Width();
  [[nodiscard]] double Height();
  void SetWidth(double twips);
  void SetHeight(double twips);

 protected:
  // Builds the controls on a fresh window.
  virtual void CreateControls(FormWindow* window) = 0;
  // Drops every pointer to the controls (the widgets are going).
  virtual void ForgetControls() = 0;
  // Skinned windows have no system frame.
  [[nodiscard]] virtual bool Skinned() const { return true; }

  // Handlers; the key handlers answer true when they took the key.
  virtual void Form_Load() {}
  virtual void Form_Unload() {}
  // Runs before the unload; setting `cancel` keeps the window loaded (the
  // window then stays as it is and Form_Unload does not run).
  virtual void Form_QueryUnload(bool& /*cancel*/) {}
  // Runs on every change of the window's size, and when it is minimised or
  // comes back from being minimised.
  virtual void Form_Resize() {}
  virtual void Form_MouseMove(Qt::MouseButtons /*buttons*/, QPoint /*point*/) {}
  virtual bool Form_KeyDown(int /*key*/, Qt::KeyboardModifiers /*shift*/) { return false; }
  virtual bool Form_KeyUp(int /*key*/, Qt::KeyboardModifiers /*shift*/) { return false; }

  // Where the window opens: centred over the active window of the program,
  // or on the screen when there is none or `onScreen` is set.
  void CentreWindow(bool onScreen);

 private:
  friend class FormWindow;
  QString name_;
  QPointer<FormWindow> window_;
  QEventLoop* modalLoop_ = nullptr;
  bool unloading_ = false;
};

// Lets `handle` (a caption bar or its label) drag its window: moving the
// pointer with the left button held moves the window, through the window
// system's own move where it offers one.
void DragWindowWith(QWidget* handle);

// The high-resolution layout shared by the windows: above 96 dpi (twips per
// pixel below 15) every control of `window` moves and shrinks by
// dpi / 96 so that it keeps the size in pixels it has at 96 dpi. Drop-down
// lists keep their height, the control named "cmbFrequency" its width, and
// the controls named in `keepSize` (compared in lower case) both. Answers
// the factor (1 when nothing was done). The window's own size is the
// caller's, as each window corrects it in its own way.
double ShrinkControlsForDpi(QWidget* window, const QStringList& keepSize = {});

// True when `modifiers` hold Alt and nothing else (keypad state aside).
[[nodiscard]] bool AltOnly(Qt::KeyboardModifiers modifiers);

}  // namespace OrvaneMac
