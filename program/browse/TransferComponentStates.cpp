// The main window's control states: members of the program's Transfer.
#include "program/session/Transfer.h"

#include <QApplication>
#include <QCursor>

#include "ZQwinSrv/foundation/Transfer.h"
#include "platform/errors/RuntimeError.h"
#include "program/browse/MainWindowControls.h"
#include "program/browse/RemoteListingSource.h"
#include "program/browse/TreeImages.h"
#include "program/foundation/Options.h"
#include "program/windows/SkinImages.h"

namespace OrvaneMac {
namespace {

template <typename T>
T* Need(const QPointer<T>& control) {
  if (!control) vb::Raise(vb::errObjectVariableNotSet);
  return control.data();
}

void Enable(const QPointer<QAction>& item, bool enabled) { Need(item)->setEnabled(enabled); }

// Shows a picture of a skin list on a toolbar control unless it shows it
// already.
void ShowPicture(const QPointer<PictureBox>& control, ImageList& list, const QString& key) {
  PictureBox* box = Need(control);
  const QPixmap picture = list.Picture(key);
  if (box->PictureHandle() != picture.cacheKey()) box->SetPicture(picture);
}

bool SnapshotsShown() {
  return OrvaneSrv::Transfer().Trf_ReadUserProfile(QStringLiteral("FILEVER")) == QLatin1String("1");
}

void NumberLine(const vb::ErrorInfo& e) { WriteTrace(QString::number(e.number) + QStringLiteral("  ") + e.description); }

RemoteListingSource*& CurrentListing() {
  static RemoteListingSource* source = nullptr;
  return source;
}

}  // namespace

MainWindowControls& MainWindow() {
  static MainWindowControls controls;
  return controls;
}

void SetMainMousePointer(int pointer) {
  QWidget* window = MainWindow().Smart;
  if (!window) return;
  if (pointer == 11) {
    window->setCursor(Qt::WaitCursor);
  } else {
    window->unsetCursor();
  }
}

int MainMousePointer() {
  QWidget* window = MainWindow().Smart;
  return window && window->testAttribute(Qt::WA_SetCursor) && window->cursor().shape() == Qt::WaitCursor ? 11 : 0;
}

RemoteListingSource* RemoteListing() { return CurrentListing(); }
void SetRemoteListing(RemoteListingSource* source) { CurrentListing() = source; }

void Transfer::Trf_DisableComponent() {
  vb::OnErrorGoTo(
      [&] {
        QWidget* window = Need(MainWindow().Smart);
        SetMainMousePointer(11);
        window->setEnabled(false);
      },
      [&](const vb::ErrorInfo& e) {
        TraceError(e, QStringLiteral("Trf_DisableComponent"), vb::OwnerKind::ClassModule, QStringLiteral("Transfer"));
      });
}

void Transfer::Trf_EnableComponent() {
  vb::OnErrorGoTo(
      [&] {
        if (!Program().RemoteTreeConnected) Trf_DisableRemoteComponent(false);
        QWidget* window = Need(MainWindow().Smart);
        SetMainMousePointer(0);
        window->setEnabled(true);
      },
      [&](const vb::ErrorInfo& e) {
        TraceError(e, QStringLiteral("Trf_EnableComponent"), vb::OwnerKind::ClassModule, QStringLiteral("Transfer"));
      });
}

void Transfer::Trf_DisableRemoteComponent(bool bDoNotRemtree) {
  vb::OnErrorGoTo(
      [&] {
        EnsureToolbarPictures();
        MainWindowControls& m = MainWindow();
        Need(m.lblrecalculate)->setEnabled(false);
        Enable(m.mnuPref, false);
        Enable(m.mnuSendReport, false);
        Enable(m.mnuTimeStamp, false);
        Need(m.ColumnRemoteTreeView)->setEnabled(false);
        Need(m.Pic_Rem_search)->setEnabled(false);
        ShowPicture(m.Pict_Refresh, ImageList1Mac(), QStringLiteral("refresh_disable"));
        m.Pict_Refresh->setEnabled(false);
        ShowPicture(m.Pic_Snap, ImageList1Mac(),
                    SnapshotsShown() ? QStringLiteral("snap_sunken") : QStringLiteral("snap_disable"));
        m.Pic_Snap->setEnabled(false);
        Need(m.Trf_ImgRestore)->setEnabled(false);
        Enable(m.mnuConnect, true);
        Enable(m.mnuDisconnect, false);
        Enable(m.mnuTessara, false);
        if (Program().RemoteDirInfoShown) Trf_HideRemoteDirInfo();
        if (!bDoNotRemtree) {
          UniTreeViewMC* tree = m.ColumnRemoteTreeView;
          if (tree->NodeCount() >= 1) tree->RemoveNode(tree->NodeAt(1).Index());
        }
        Enable(m.mnuRestoreOption, false);
        Enable(m.mnuwizards, false);
        Enable(m.mnuBackupRestore, false);
        Enable(m.mnuTools, false);
      },
      NumberLine);
}

void Transfer::Trf_EnableRemoteComponent() {
  vb::OnErrorGoTo(
      [&] {
        EnsureToolbarPictures();
        MainWindowControls& m = MainWindow();
        Enable(m.mnuTimeStamp, true);
        Need(m.lblrecalculate)->setEnabled(true);
        Enable(m.mnuPref, true);
        Enable(m.mnuSendReport, true);
        Need(m.ColumnRemoteTreeView)->setEnabled(true);
        Need(m.Pic_Rem_search)->setEnabled(true);
        Need(m.Pict_Refresh)->setEnabled(true);
        ShowPicture(m.Pict_Refresh, ImageList1Mac(), QStringLiteral("refresh_reg"));
        ShowPicture(m.lblrecalculate, ImageList4Mac(), QStringLiteral("zq_recalculate"));
        ShowPicture(m.Pic_Rem_search, ImageList4Mac(), QStringLiteral("Sea_Reg"));
        ShowPicture(m.Pic_Snap, ImageList1Mac(),
                    SnapshotsShown() ? QStringLiteral("snap_sunken") : QStringLiteral("snap_reg"));
        m.Pic_Snap->setEnabled(true);
        Enable(m.mnuTessara, true);
        Need(m.Trf_ImgRestore)->setEnabled(true);
        Enable(m.mnuRestoreOption, true);
        Enable(m.mnuwizards, true);
        Enable(m.mnuBackupRestore, true);
        Enable(m.mnuTools, true);
      },
      NumberLine);
}

void Transfer::Trf_ShowRemoteDirInfo() {
  vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter Trf_ShowRemoteDirInfo "));
        MainWindowControls& m = MainWindow();
        Program().RemoteDirInfoShown = true;
        Need(m.ColumnRemoteTreeView)->setFocus();
        Enable(m.popmnuViewremdirinfo, false);
        Enable(m.mnuViewremdirinfo, false);
        Enable(m.mnuhideremdirinfo, true);
        Enable(m.popmnuvhideremdirinfo, true);
        Need(m.Trf_ImgRestore)->setVisible(false);
        WriteTrace(QStringLiteral("Exit Trf_ShowRemoteDirInfo "));
        Trf_EnableComponent();
      },
      [&](const vb::ErrorInfo& e) { WriteTrace(QStringLiteral("Error in Trf_ShowRemoteDirInfo ") + e.description); });
}

void Transfer::Trf_HideRemoteDirInfo() {
  WriteTrace(QStringLiteral("Enter Trf_HideRemoteDirInfo "));
  vb::OnErrorGoTo(
      [&] {
        MainWindowControls& m = MainWindow();
        Program().RemoteDirInfoShown = false;
        Enable(m.popmnuViewremdirinfo, true);
        Enable(m.mnuViewremdirinfo, true);
        Enable(m.mnuhideremdirinfo, false);
        Enable(m.popmnuvhideremdirinfo, false);
        Need(m.Trf_ImgRestore)->setVisible(true);
      },
      [&](const vb::ErrorInfo& e) {
        if (e.number > 0) NumberLine(e);
      });
  WriteTrace(QStringLiteral("Exit Trf_HideRemoteDirInfo "));
}

}  // namespace OrvaneMac
