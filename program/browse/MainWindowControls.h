#pragma once
// The controls of the main window that the tree class and the component
// states act on. The main window registers them when it loads and they
// forget themselves when their widgets go (each is a QPointer), so nothing
// here ever points at a closed window.
//
// The wait box is reached through two calls the main window gives, so that
// the tree does not depend on the window that shows it.

#include <QAction>
#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

#include "program/browse/UniTreeViewMC.h"
#include "program/windows/SkinControls.h"

namespace OrvaneMac {

struct MainWindowControls {
  QPointer<QWidget> Smart;  // the main window itself
  QPointer<UniTreeViewMC> ColumnRemoteTreeView;
  // The search box `txtSearchText` (its placeholder look comes back when
  // the search window is closed).
  QPointer<QLineEdit> txtSearchText;

  // Toolbar pictures.
  QPointer<PictureBox> lblrecalculate;
  QPointer<PictureBox> Pict_Refresh;
  QPointer<PictureBox> Pic_Snap;
  QPointer<PictureBox> Pic_Rem_search;
  QPointer<PictureBox> Trf_ImgRestore;

  // Menu items.
  QPointer<QAction> mnuPref;
  QPointer<QAction> mnuSendReport;
  QPointer<QAction> mnuTimeStamp;
  QPointer<QAction> mnuConnect;
  QPointer<QAction> mnuDisconnect;
  QPointer<QAction> mnuTessara;
  QPointer<QAction> mnuRestoreOption;
  QPointer<QAction> mnuwizards;
  QPointer<QAction> mnuBackupRestore;
  QPointer<QAction> mnuTools;
  QPointer<QAction> popmnuViewremdirinfo;
  QPointer<QAction> mnuViewremdirinfo;
  QPointer<QAction> mnuhideremdirinfo;
  QPointer<QAction> popmnuvhideremdirinfo;

  // The small wait box: shown without waiting with a status text and its
  // animation running; closed.
  std::function<void(const QString& status)> ShowWaitBox;
  std::function<void()> CloseWaitBox;

  // The quota bar (`ZQDiskPBar`): value 0 to 100, bar colour (a Windows
  // colour value) and tooltip text. A negative value or colour leaves that
  // property as it is (the quota refresh sets only the tooltip when it
  // knows no total).
  std::function<void(double value, long barColour, const QString& tip)> SetQuotaBar;

  // The quota row's labels: used and total (`lblUserQuota`) and the header
  // with the account name (`lblVersionDisp`).
  QPointer<Label> lblUserQuota;
  QPointer<Label> lblVersionDisp;
  // The recalculation notice: a panel under the recalculate picture and its
  // text label (made on first use when the main window has none).
  QPointer<PictureBox> PicRecalcMess;
  QPointer<Label> lblRecalcMess;
};

// The main window's controls (all empty until the main window registers).
MainWindowControls& MainWindow();

// The main window's mouse pointer: 11 the hourglass, 0 the default. Does
// nothing while no main window is registered.
void SetMainMousePointer(int pointer);
[[nodiscard]] int MainMousePointer();

}  // namespace OrvaneMac
