#include "program/windows/Form.h"

#include "platform/errors/RuntimeError.h"
#include "program/windows/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QWindow>
#include <QWindowStateChangeEvent>

#include <utility>

namespace OrvaneMac {
namespace {


// Drags a window by one of its controls.
class CaptionDrag : public QObject {
 public:
  explicit CaptionDrag(QWidget* handle) : QObject(handle), handle_(handle) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton) {
          offset_ = me->globalPosition().toPoint() - handle_->window()->pos();
          pressed_ = true;
          systemMove_ = false;
        }
        break;
      }
      case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (!(me->buttons() & Qt::LeftButton)) break;
        QWidget* window = handle_->window();
        if (!pressed_) {
          offset_ = me->globalPosition().toPoint() - window->pos();
          pressed_ = true;
        }
        if (systemMove_) break;
        // The window system moves the window itself where it can (as the
        // caption drag of a framed window does); without one, follow the
        // pointer here.
        if (window->windowHandle() && window->windowHandle()->startSystemMove()) {
          systemMove_ = true;
          break;
        }
        window->move(me->globalPosition().toPoint() - offset_);
        break;
      }
      case QEvent::MouseButtonRelease:
        pressed_ = false;
        systemMove_ = false;
        break;
      default:
        break;
    }
    return false;
  }

 private:
  QWidget* handle_;
  QPoint offset_;
  bool pressed_ = false;
  bool systemMove_ = false;
};

}  // namespace

// ---------------------------------------------------------------- FormWindow

FormWindow::FormWindow(Form* form, bool skinned)
    : QWidget(nullptr, skinned ? (Qt::Window | Qt::FramelessWindowHint) : Qt::Window), form_(form) {
  setObjectName(form->Name());
  setMouseTracking(true);
  qApp->installEventFilter(this);
}

FormWindow::~FormWindow() {
  if (qApp) qApp->removeEventFilter(this);
}

void FormWindow::SetPicture(const QPixmap& picture) {
  picture_ = picture;
  update();
}

void FormWindow::Cls() {
  drawing_ = QPixmap();
  update();
}

void FormWindow::PaintPicture(const QPixmap& picture, double leftTwips, double topTwips) {
  if (picture.isNull()) return;
  PaintPictureOnto(drawing_, size(), picture, leftTwips, topTwips);
  update();
}

void FormWindow::SetBackColor(long bgr) {
  backColor_ = bgr;
  update();
}

bool FormWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != this) return false;
  // A key event reaches the application's filter once for the widget that
  // has the focus and again for each parent it propagates to; the window
  // handles it once. Events are told apart by what they carry (a window
  // system's event and a test's event may both live at one address in turn).
  auto* ke = static_cast<QKeyEvent*>(event);
  const KeyFingerprint print{event, event->type(), ke->key(), ke->modifiers(), ke->timestamp()};
  if (print == lastKey_) return false;
  lastKey_ = print;
  if (!form_) return false;
  QPointer<FormWindow> alive(this);
  Form* form = form_;
  const int key = ke->key();
  Qt::KeyboardModifiers shift = ke->modifiers();
  // A letter or digit with Alt (not Ctrl, which with Alt stands for AltGr
  // and types) is a window's accelerator, never text for the control that
  // has the focus; it acts when the letter is released, also when Alt was
  // released first. The keypad's digits are keys of their own.
  const bool letter = ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) &&
                      !(shift & Qt::KeypadModifier);
  bool accelerator = false;
  if (event->type() == QEvent::KeyPress) {
    accelerator = letter && (shift & Qt::AltModifier) && !(shift & Qt::ControlModifier);
    if (accelerator && AltOnly(shift) && !heldAccelerators_.contains(key)) heldAccelerators_.append(key);
  } else if (heldAccelerators_.contains(key)) {
    accelerator = true;
    if (ke->isAutoRepeat()) return true;  // still held down
    heldAccelerators_.removeAll(key);
    shift |= Qt::AltModifier;
  }
  const bool taken = event->type() == QEvent::KeyPress ? form->Form_KeyDown(key, shift) : form->Form_KeyUp(key, shift);
  return taken || accelerator || !alive || !alive->form_;
}

void FormWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (backColor_ >= 0) p.fillRect(rect(), WinColor(backColor_));
  if (!picture_.isNull()) p.drawPixmap(0, 0, picture_);
  if (!drawing_.isNull()) p.drawPixmap(0, 0, drawing_);
}

void FormWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (form_) form_->Form_Resize();
}

void FormWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !form_) return;
  // Minimising a window, or bringing it back, changes no size that Qt
  // reports; the window's resize handler hears of it all the same.
  const Qt::WindowStates before = static_cast<QWindowStateChangeEvent*>(event)->oldState();
  if ((before ^ windowState()) & Qt::WindowMinimized) form_->Form_Resize();
}

void FormWindow::mouseMoveEvent(QMouseEvent* event) {
  if (form_) form_->Form_MouseMove(event->buttons(), event->position().toPoint());
}

void FormWindow::closeEvent(QCloseEvent* event) {
  // Closed by the window system (there is no frame of ours to do it):
  // unload as the window's own close would.
  event->ignore();
  if (form_) form_->Unload();
}

// ---------------------------------------------------------------- Form

Form::Form(QString name) : name_(std::move(name)) {}

Form::~Form() {
  if (window_) {
    FormWindow* w = window_;
    window_ = nullptr;
    w->Detach();
    delete w;
  }
}

FormWindow* Form::Window() {
  if (!window_) {
    auto* w = new FormWindow(this, Skinned());
    window_ = w;
    CreateControls(w);
    Form_Load();
  }
  return window_;
}

void Form::Unload() {
  if (!window_ || unloading_) return;
  bool cancel = false;
  Form_QueryUnload(cancel);
  if (cancel || !window_) return;
  unloading_ = true;
  Form_Unload();
  FormWindow* w = window_;
  window_ = nullptr;
  ForgetControls();
  w->Detach();
  w->hide();
  // Deleted once the event that unloaded it has been handled.
  w->deleteLater();
  if (modalLoop_) modalLoop_->quit();
  unloading_ = false;
}

void Form::ShowModal() {
  // A window already up modally cannot be shown modally again (a message
  // pumped from inside it asking for the same window): the second show
  // fails at once instead of waiting on a loop its answer would never end.
  if (modalLoop_) {
    throw vb::RuntimeError(400, QStringLiteral("Form already displayed; can't show modally"));
  }
  FormWindow* w = Window();
  w->setWindowModality(Qt::ApplicationModal);
  w->show();
  w->raise();
  w->activateWindow();
  if (!IsLoaded()) return;
  QEventLoop loop;
  modalLoop_ = &loop;
  loop.exec(QEventLoop::DialogExec);
  modalLoop_ = nullptr;
}

void Form::HideWindow() {
  if (!IsLoaded()) return;
  window_->hide();
  window_->setWindowModality(Qt::NonModal);
  if (modalLoop_) modalLoop_->quit();
}

void Form::PaintNow() {
  if (!IsLoaded()) return;
  FormWindow* w = window_;
  if (!w->isVisible() || w->isMinimized()) return;
  // A window the system has not put up yet cannot be drawn: what would be
  // painted now is lost, and the work that follows holds the thread until
  // it is done, leaving an empty frame on the screen.
  QWindow* handle = w->windowHandle();
  QElapsedTimer waited;
  waited.start();
  while (handle && !handle->isExposed() && waited.elapsed() < 1000) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (!handle->isExposed()) QThread::msleep(5);
  }
  if (window_ == w) w->repaint();
}

void Form::Show() {
  FormWindow* w = Window();
  w->show();
  w->raise();
}

double Form::Width() { return Twips::Width(Window()); }
double Form::Height() { return Twips::Height(Window()); }
// A shown window hears of its new size from the window system at once; a
// hidden one would only when shown, so its handler runs here.
void Form::SetWidth(double twips) {
  FormWindow* w = Window();
  Twips::SetWidth(w, twips);
  if (!w->isVisible()) Form_Resize();
}

void Form::SetHeight(double twips) {
  FormWindow* w = Window();
  Twips::SetHeight(w, twips);
  if (!w->isVisible()) Form_Resize();
}

void Form::CentreWindow(bool onScreen) {
  FormWindow* w = Window();
  QWidget* active = QApplication::activeWindow();
  QRect over;
  if (!onScreen && active && active != w && active->isVisible()) {
    over = active->frameGeometry();
  } else {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    over = screen->availableGeometry();
  }
  w->move(over.center() - QPoint(w->width() / 2, w->height() / 2));
}

double ShrinkControlsForDpi(QWidget* window, const QStringList& keepSize) {
  const double dpi = ScreenDpi();
  if (dpi <= 96) return 1;
  const double f = dpi / 96;
  for (QWidget* control : window->findChildren<QWidget*>()) {
    // Only the window's own controls: not the inner parts of a composite
    // widget (a line edit's clear button, a combo box's view).
    if (control->objectName().isEmpty() || control->isWindow()) continue;
    const QString lower = control->objectName().toLower();
    const bool keep = keepSize.contains(lower);
    const QRectF p = Twips::Place(control);
    const bool keepHeight = keep || qobject_cast<QComboBox*>(control);
    const bool keepWidth = keep || control->objectName() == QLatin1String("cmbFrequency");
    Twips::SetPlace(control, p.left() / f, p.top() / f, keepWidth ? p.width() : p.width() / f,
                    keepHeight ? p.height() : p.height() / f);
  }
  return f;
}

void DragWindowWith(QWidget* handle) {
  handle->installEventFilter(new CaptionDrag(handle));
  handle->setMouseTracking(true);
}

bool AltOnly(Qt::KeyboardModifiers modifiers) {
  return (modifiers & ~Qt::KeypadModifier) == Qt::AltModifier;
}

}  // namespace OrvaneMac
