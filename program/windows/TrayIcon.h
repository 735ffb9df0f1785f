#pragma once
// The notification-area icon of the main window and the procedures put in
// front of the main window's own handling once it is up: the own maximise
// (and a restore for every system command while minimised), the minimum
// tracking size, and the icon's clicks.

#include <QString>

class QMenu;
class QWidget;

namespace OrvaneMac {

// What the tray procedures need of the main window.
class TrayOwner {
 public:
  virtual ~TrayOwner() = default;
  // The main window's top-level widget (nullptr while it is not loaded).
  virtual QWidget* TrayWindow() = 0;
  // The window state: 0 normal, 1 minimised.
  virtual int TrayWindowState() = 0;
  virtual void SetTrayWindowState(int state) = 0;
  // The own maximise: the maximise button's picture becomes "zq_max_max",
  // the window fills the desktop work area and is marked maximised.
  virtual void OwnMaximise() = 0;
  // A right click on the icon: the window comes to the foreground and pops
  // up the tray menu.
  virtual void SysTrayMouseEventHandler() = 0;
};

namespace modGeneral {

// Adds the icon once for the run, owned by the main window, with its
// tooltip and menu, and chains the procedures in front of the window.
void AddToTray(TrayOwner& owner, QMenu* trayMenu);
void SetTrayTip(const QString& tip);
// Takes the icon away and gives the main window back its own handling.
void RemoveFromTray();
void HookMinMaxSize();
// Takes the minimum size and the own maximise out of the chain (the close
// road calls it first, at every attempt to close the main window).
void UnhookMinMaxSize();

}  // namespace modGeneral
}  // namespace OrvaneMac
