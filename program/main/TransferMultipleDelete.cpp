// The delete window's pass: members of the program's Transfer.
#include "program/session/Transfer.h"

#include <QPlainTextEdit>

#include "ZQwinSrv/server/WebDavControl.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/ui/EventPump.h"
#include "platform/ui/MessageBoxService.h"
#include "program/browse/MainWindowControls.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/Options.h"
#include "program/foundation/SystemHelpers.h"
#include "program/main/Deleteremotefrm.h"
#include "program/session/clsController.h"
#include "program/windows/SkinControls.h"

namespace OrvaneMac {
namespace {

const OrvaneSrv::WebDavControl& PathCoder() {
  static const OrvaneSrv::WebDavControl control;
  return control;
}

// Keeps the window's "pass running" mark for the length of a pass.
class PassMark {
 public:
  explicit PassMark(bool& mark) : mark_(mark), was_(mark) { mark_ = true; }
  ~PassMark() { mark_ = was_; }
  PassMark(const PassMark&) = delete;
  PassMark& operator=(const PassMark&) = delete;

 private:
  bool& mark_;
  bool was_;
};

}  // namespace

void Transfer::Trf_DoMultipledelete(bool bSyncData) {
  Deleteremotefrm& form = Deleteremotefrm::Instance();
  vb::OnErrorGoTo(
      [&] {
        if (Program().DeleteCancelRequested) {
          SetMainMousePointer(0);
          form.Unload();
          return;
        }
        PassMark running(form.passRunning_);
        SetMainMousePointer(11);
        const vb::CollectionPtr set = Items(Program().EnumRestoreItemSet);
        const qsizetype count = set->Count();

        form.LstSyncData()->hide();
        form.OK()->hide();
        form.Delmsg()->hide();
        form.SyncMsg()->hide();
        form.Frame2()->show();
        if (!bSyncData) form.Delfilepathtxt()->show();

        clsController& client = clsController::Instance();
        const QString& account = Program().AccountName;
        for (qsizetype i = 1; i <= count; ++i) {
          // Touching a window that has gone would load it afresh and clear
          // the user's cancel with its load.
          if (form.IsLoaded()) form.Window()->repaint();
          const QString entry = set->Item(i).ToString();
          const QString path = entry.mid(2);
          const QString enginePath = Program().SearchDeleteMode ? PathCoder().URLEncodeWebd(path) : path;
          const QString displayPath = QStringLiteral("My Orvane/") + modGeneral::GetRemotePath(path, 0);
          const bool underAccountCopy = !account.isEmpty() && displayPath.contains(account + u'_');
          if (!underAccountCopy && form.IsLoaded()) form.ShowPath(displayPath);

          bool deleted = false;
          if (entry.left(2) == QLatin1String("F_")) {
            Long status = 0;
            deleted = client.Cont_DeleteRemItem(enginePath, status);
            if (!deleted) {
              WriteTransferLog(QStringLiteral("Could not delete ") + displayPath + QStringLiteral(" Reason: ") +
                                   modGeneral::dav_geterrorstring(),
                               2);
            } else if (bSyncData) {
              WriteTrace(QStringLiteral("Deleted  ") + displayPath);
            } else {
              WriteTransferLog(QStringLiteral("Deleted  ") + displayPath, 1);
            }
          } else {
            deleted = client.Cont_DeleteRemFolder(enginePath, false, false);
            if (deleted) {
              WriteTransferLog(QStringLiteral("Deleted  ") + displayPath, 1);
            } else {
              WriteTransferLog(QStringLiteral("Could not delete ") + displayPath + QStringLiteral(" Reason: ") +
                                   modGeneral::dav_geterrorstring(),
                               2);
            }
          }
          if (deleted) Program().DeletedItems.append(entry);

          vb::DoEvents();
          vb::Sleep(1);
          if (Program().DeleteCancelRequested) break;
        }

        SetMainMousePointer(0);
        if (!bSyncData) {
          PassMark closing(form.closingAfterPass_);
          form.Unload();
        }
        SetMainMousePointer(0);
        if (!bSyncData) {
          UniTreeViewMC* tree = MainWindow().ColumnRemoteTreeView;
          if (!tree) vb::Raise(vb::errObjectVariableNotSet);
          tree->ClearNodes();
          (void)TreeViewControl::Instance().PopulateRemoteTreeView(QStringLiteral("Smart"), tree, true, false, false);
        }
        Trf_ClearEnumRestoreItemSet();
        SetMainMousePointer(0);
      },
      [&](const vb::ErrorInfo& e) {
        SetMainMousePointer(0);
        (void)win::MessageBox(QStringLiteral("Unable to delete the items \r\nReason: ") + e.description,
                              win::MB_ICON_INFORMATION, win::MB_STYLE_OK, Program().AppTitle);
      });
}

void Transfer::Trf_DeleteMultipleRemoteItems() {
  vb::OnErrorGoTo(
      [&] {
        const vb::CollectionPtr set = Items(Program().EnumRestoreItemSet);
        QPlainTextEdit* list = Deleteremotefrm::Instance().LstSyncData();
        QString text = list->toPlainText();
        for (qsizetype i = 1; i <= set->Count(); ++i) {
          text += modGeneral::GetRemotePath(set->Item(i).ToString().mid(2), 0) + u'\n';
        }
        list->setPlainText(text);
      },
      [&](const vb::ErrorInfo& e) {
        (void)win::MessageBox(QStringLiteral("Unable to delete the items \r\nReason: ") + e.description,
                              win::MB_ICON_INFORMATION, win::MB_STYLE_OK, Program().AppTitle);
      });
}

}  // namespace OrvaneMac
