#pragma once
// The notification-area icon of the main window and the procedures put in
// front of the main window's own handling once it is up: the own maximise
// (and a restore for every system command while minimised), the minimum
// tracking size, and the icon's clicks.
//
// The window manager's requests reach the main window as Qt events; the
// procedures read them as the system commands they stand for:
//   a change of the window state into maximised   SC_MAXIMIZE (the own
//                                                 maximise, or a restore
//                                                 while minimised)
//   a close request from the window manager       SC_CLOSE (a restore while
//                                                 minimised, else passed on)
// The main window never uses Qt's own maximised state: its own maximise
// sizes it to the desktop work area (TrayOwner::OwnMaximise).

#include <QString>

#include <cstdint>

class QMenu;
class QSystemTrayIcon;
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

// System commands as the main window's procedures see them.
inline constexpr std::int32_t SC_MINIMIZE = 0xF020;
inline constexpr std::int32_t SC_MAXIMIZE = 0xF030;
inline constexpr std::int32_t SC_CLOSE = 0xF060;
inline constexpr std::int32_t SC_RESTORE = 0xF120;

// The longest tip the icon shows; a longer one is cut.
inline constexpr int kTrayTipMaxChars = 127;

// Adds the icon once for the run, owned by the main window, with its
// tooltip and menu, and chains the procedures in front of the window.
void AddToTray(TrayOwner& owner, QMenu* trayMenu);
// Sets the icon's tip (at most 127 characters); an empty text leaves the
// tip as it was.
void SetTrayTip(const QString& tip);
// Takes the icon away and gives the main window back its own handling
// (the minimum size and the own maximise go as well). The exit calls it
// just before the process ends.
void RemoveFromTray();
// Puts the 500 x 500 pixel minimum on the main window.
void HookMinMaxSize();
// The close road calls this at every attempt to close the main window.
// The minimum size and the own maximise stay in place for the whole run,
// also when the user then declines to quit: only RemoveFromTray takes them
// out, with the icon.
void UnhookMinMaxSize();

// One system command sent to the main window, through the procedures in
// front of it: while the window is minimised every command becomes
// SC_RESTORE; exactly SC_MAXIMIZE is the own maximise and goes no further
// (the answer is 0). Otherwise the answer is the command the window's own
// handling receives. Before AddToTray the command passes unchanged.
[[nodiscard]] std::int32_t MainWindowSysCommand(std::int32_t command);

// The icon while it is in the notification area (nullptr otherwise).
[[nodiscard]] QSystemTrayIcon* TrayIconObject();

}  // namespace modGeneral
}  // namespace OrvaneMac
