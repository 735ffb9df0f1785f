#include "program/windows/TrayIcon.h"

#include <QCloseEvent>
#include <QIcon>
#include <QMenu>
#include <QMetaObject>
#include <QPointer>
#include <QSize>
#include <QSystemTrayIcon>
#include <QWidget>
#include <QWindowStateChangeEvent>

#include <vector>

#include "platform/errors/RuntimeError.h"
#include "program/foundation/Options.h"
#include "program/foundation/ProgramState.h"
#include "program/windows/SkinImages.h"
#include "program/windows/modGeneralWindows.h"

namespace OrvaneMac::modGeneral {
namespace {

constexpr int kTipBytes = 256;
constexpr int kMinTrackPixels = 500;

// The procedures in front of the main window's own event handling: the own
// maximise with the forced restore while minimised, and the minimum size
// (kept on the widget itself, as Qt keeps it).
class MainWindowProcedures : public QObject {
 public:
  explicit MainWindowProcedures(QWidget* window) : QObject(window) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// The one icon of the run and the window it belongs to.
struct TrayState {
  QPointer<QSystemTrayIcon> icon;
  TrayOwner* owner = nullptr;  // the owner of the icon (the main window)
  QPointer<QMenu> menu;        // handed over with the icon, popped up by the owner
  std::vector<std::uint8_t> tip = std::vector<std::uint8_t>(kTipBytes, 0);
  // The main window's widget and what stands in front of its own handling.
  QPointer<QWidget> mainWindow;
  QPointer<MainWindowProcedures> procedures;
  bool minSizeHooked = false;
  // Inside the owner's own maximise: a maximised state it sets itself is
  // its own business.
  bool inOwnMaximise = false;
  QSize minSizeBefore;
};

TrayState& Tray() {
  static TrayState state;
  return state;
}

QString TipText() {
  const std::vector<std::uint8_t>& bytes = Tray().tip;
  QString text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (c == 0) break;
    text.append(QChar(c));
  }
  return text;
}

bool OwnerMinimised() {
  TrayOwner* owner = Tray().owner;
  // A state that cannot be read counts as minimised, as an unreadable top
  // edge did.
  int state = 1;
  vb::ResumeNext next;
  next([&] { state = owner->TrayWindowState(); });
  return state == 1;
}

// What the procedures make of a system command: while minimised, whatever
// it was, a restore.
std::int32_t Translate(std::int32_t command, bool minimised) { return minimised ? SC_RESTORE : command; }

void OwnMaximise() {
  TrayState& t = Tray();
  if (!t.owner || t.inOwnMaximise) return;
  t.inOwnMaximise = true;
  vb::ResumeNext next;
  next([&] { t.owner->OwnMaximise(); });
  t.inOwnMaximise = false;
}

void RestoreOwner() {
  vb::ResumeNext next;
  next([] {
    if (Tray().owner) Tray().owner->SetTrayWindowState(0);
  });
}

bool MainWindowProcedures::eventFilter(QObject* watched, QEvent* event) {
  TrayState& t = Tray();
  auto* window = qobject_cast<QWidget*>(watched);
  if (!window || !t.owner || window != t.mainWindow || t.inOwnMaximise) return false;

  if (event->type() == QEvent::WindowStateChange) {
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const Qt::WindowStates before = change->oldState();
    if (!window->windowState().testFlag(Qt::WindowMaximized) || before.testFlag(Qt::WindowMaximized)) return false;
    // A maximise request: the state has already changed, so the answer is
    // given once this event is over. Qt's maximised state is taken back
    // first, then the own maximise sizes the window.
    const bool minimised = before.testFlag(Qt::WindowMinimized);
    const std::int32_t command = Translate(SC_MAXIMIZE, minimised);
    QPointer<QWidget> target = window;
    QMetaObject::invokeMethod(
        window,
        [target, command] {
          if (!target || target != Tray().mainWindow || !Tray().owner) return;
          // Answered already: the platform may report a state it was asked
          // for after the window has moved on from it.
          if (!target->windowState().testFlag(Qt::WindowMaximized)) return;
          vb::ResumeNext next;
          next([&] { target->setWindowState(target->windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized)); });
          if (command == SC_MAXIMIZE) OwnMaximise();
          if (command == SC_RESTORE) RestoreOwner();
        },
        Qt::QueuedConnection);
    return false;
  }

  // A close request of the window manager while minimised restores the
  // window instead; the program's own unload (not spontaneous) is not a
  // system command and passes.
  if (event->type() == QEvent::Close && event->spontaneous() && OwnerMinimised()) {
    event->ignore();
    RestoreOwner();
    return true;
  }
  return false;
}

// The icon's clicks: a left click minimises the window or brings it back;
// a right click leaves the menu to the owner; anything else is left alone.
void TrayActivated(QSystemTrayIcon::ActivationReason reason) {
  TrayState& t = Tray();
  if (!t.owner) return;
  vb::ResumeNext next;
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      if (OwnerMinimised()) {
        RestoreOwner();
        if (!Program().RestoreRunning) {
          next([&] {
            QWidget* window = t.owner->TrayWindow();
            if (window && window->isEnabled()) {
              window->activateWindow();
              window->setFocus(Qt::ActiveWindowFocusReason);
            }
          });
        }
      } else {
        next([&] { t.owner->SetTrayWindowState(1); });
      }
      break;
    case QSystemTrayIcon::Context:
      next([&] { t.owner->SysTrayMouseEventHandler(); });
      break;
    default:
      break;
  }
}

void InstallMainWindowProcedures() {
  TrayState& t = Tray();
  if (!t.mainWindow || t.procedures) return;
  t.procedures = new MainWindowProcedures(t.mainWindow);
  t.mainWindow->installEventFilter(t.procedures);
}

// The window's own handling alone again: the minimum it had and no
// procedures in front.
void TakeOutMainWindowProcedures() {
  TrayState& t = Tray();
  if (t.procedures) {
    if (t.mainWindow) t.mainWindow->removeEventFilter(t.procedures);
    delete t.procedures.data();
  }
  if (t.minSizeHooked && t.mainWindow) t.mainWindow->setMinimumSize(t.minSizeBefore);
  t.minSizeHooked = false;
}

}  // namespace

void AddToTray(TrayOwner& owner, QMenu* trayMenu) {
  TrayState& t = Tray();
  vb::ResumeNext next;
  t.owner = &owner;
  t.menu = trayMenu;
  if (!t.icon) {
    next([&] {
      auto* icon = new QSystemTrayIcon();
      // Without the picture the icon is added without one.
      if (const std::optional<QPixmap> picture = ImageList1Mac().Find(QStringLiteral("zq_blue"))) {
        icon->setIcon(QIcon(*picture));
      }
      QObject::connect(icon, &QSystemTrayIcon::activated, icon, &TrayActivated);
      t.icon = icon;
      icon->show();
    });
  }
  next([] { SetTrayTip(Program().AppTitle); });
  next([&] { t.mainWindow = owner.TrayWindow(); });
  next([] { HookMinMaxSize(); });
  next([] { InstallMainWindowProcedures(); });
}

void SetTrayTip(const QString& tip) {
  TrayState& t = Tray();
  vb::ResumeNext next;
  next([&] { StringToByteArray(tip, t.tip, kTipBytes); });
  next([&] {
    if (t.icon) t.icon->setToolTip(TipText());
  });
}

void RemoveFromTray() {
  TrayState& t = Tray();
  WriteTrace(QStringLiteral("Enter RemoveFromTray "));
  vb::ResumeNext next;
  next([&] {
    if (t.icon) {
      t.icon->hide();
      delete t.icon.data();
    }
  });
  if (t.owner) {
    next([] { TakeOutMainWindowProcedures(); });
    t.owner = nullptr;
    t.menu = nullptr;
    t.mainWindow = nullptr;
  }
  WriteTrace(QStringLiteral("Exit RemoveFromTray "));
}

void HookMinMaxSize() {
  TrayState& t = Tray();
  if (!t.mainWindow || t.minSizeHooked) return;
  t.minSizeBefore = t.mainWindow->minimumSize();
  t.mainWindow->setMinimumSize(t.minSizeBefore.expandedTo(QSize(kMinTrackPixels, kMinTrackPixels)));
  t.minSizeHooked = true;
}

void UnhookMinMaxSize() {
  // Nothing to take out here: a declined close must leave the main window
  // as it was (see the header); the exit takes everything out with the icon.
}

std::int32_t MainWindowSysCommand(std::int32_t command) {
  TrayState& t = Tray();
  if (!t.owner || !t.procedures) return command;
  const std::int32_t passed = Translate(command, OwnerMinimised());
  if (passed == SC_MAXIMIZE) {
    OwnMaximise();
    return 0;
  }
  return passed;
}

QSystemTrayIcon* TrayIconObject() { return Tray().icon.data(); }

}  // namespace OrvaneMac::modGeneral
