#include "program/windows/SnapshotSwitch.h"

#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/text/Conversion.h"
#include "program/browse/MainWindowControls.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/ProgramState.h"
#include "program/session/Transfer.h"
#include "program/session/clsController.h"
#include "program/windows/MesgBox.h"

namespace OrvaneMac::modGeneral {

void ApplyFileversioning(bool& exiting) {
  const QString key = QStringLiteral("FILEVER");
  Transfer& profile = gTransfer();
  vb::ResumeNext next;
  QString value;
  next([&] { value = profile.Trf_ReadUserProfile(key, false); });
  if (value.isEmpty()) return;
  auto readsAsOne = [](const QString& text) { return vb::Val(text) == 1; };

  if (exiting) {
    if (readsAsOne(value)) {
      next([] { (void)clsController::Instance().Cont_EnableVersioning(false); });
      next([&] { profile.Trf_WriteUserProfile(key, QStringLiteral("0"), false); });
    }
    return;
  }

  if (value == Program().FileverBeforeToggle) return;
  MainWindowControls& main = MainWindow();
  const bool show = readsAsOne(value);
  Integer answer = 0;
  if (show) {
    next([&] {
      if (main.ShowWaitBox) main.ShowWaitBox(QStringLiteral("Loading file-snapshots..."));
    });
    next([&] { answer = clsController::Instance().Cont_EnableVersioning(true); });
    vb::Sleep(2000);
  } else {
    next([&] {
      if (main.ShowWaitBox) main.ShowWaitBox(QStringLiteral("Hiding file-snapshots..."));
    });
    next([&] { answer = clsController::Instance().Cont_EnableVersioning(false); });
    next([&] { profile.Trf_WriteUserProfile(key, QStringLiteral("0"), false); });
    vb::Sleep(2000);
  }
  next([&] {
    if (main.CloseWaitBox) main.CloseWaitBox();
  });

  switch (answer) {
    case 0:
      next([&] {
        MesgBox::Instance().MessageBox(modReg::GetMessageText(show ? 517 : 518), 0, 0,
                                       Program().AppTitle + QStringLiteral(" : File-Snapshots "));
      });
      next([&] { profile.Trf_WriteUserProfile(key, QStringLiteral("0"), false); });
      break;
    case 1:
      next([&] {
        if (main.Pic_Snap) {
          main.Pic_Snap->setToolTip(show ? QStringLiteral("Hide Snapshots") : QStringLiteral("Show Snapshots"));
        }
      });
      next([&] {
        UniTreeViewMC* tree = main.ColumnRemoteTreeView;
        if (!tree) vb::Raise(vb::errObjectVariableNotSet);
        tree->ClearNodes();
        TreeViewControl::Instance().PopulateRemoteTreeView(QStringLiteral("Smart"), tree, true, false, false);
      });
      break;
    case 2:
      next([&] {
        if (main.Pic_Snap) main.Pic_Snap->setToolTip(QStringLiteral("Show Snapshots"));
      });
      next([&] { MesgBox::Instance().MessageBox(modReg::GetMessageText(519), 0, 0, Program().AppTitle); });
      next([&] { profile.Trf_WriteUserProfile(key, QStringLiteral("0"), false); });
      break;
    default:
      break;
  }
}

}  // namespace OrvaneMac::modGeneral
