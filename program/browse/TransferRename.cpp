// The remote rename of the item selected in the main window's remote tree:
// a member of the program's Transfer.
#include "program/session/Transfer.h"

#include "ZQwinSrv/foundation/Util.h"
#include "platform/errors/RuntimeError.h"
#include "platform/text/Strings.h"
#include "platform/ui/MessageBoxService.h"
#include "program/browse/MainWindowControls.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/Options.h"
#include "program/session/clsController.h"
#include "program/windows/FrmInputBox.h"

namespace OrvaneMac {
namespace {

OrvaneSrv::Util& SharedUtil() {
  static OrvaneSrv::Util util;
  return util;
}

// The parent folder of a remote node's path, ending in "/": the path up to
// its last "/", once more for a folder (which ends in "/"). A path without
// a "/" raises 5.
QString ParentFolder(const QString& path) {
  qsizetype cut = path.lastIndexOf(u'/');
  if (cut < 0) vb::Raise(vb::errInvalidProcedureCall);
  QString parent = path.left(cut);
  if (cut == path.size() - 1) {
    cut = parent.lastIndexOf(u'/');
    if (cut < 0) vb::Raise(vb::errInvalidProcedureCall);
    parent = parent.left(cut);
  }
  if (!parent.endsWith(u'/')) parent += u'/';
  return parent;
}

bool StartsWithEnc(const QString& name) { return name.left(4).compare(QLatin1String("Enc."), Qt::CaseInsensitive) == 0; }

long ShowMessage(const QString& text, long icon) {
  return win::MessageBox(text, icon, win::MB_STYLE_OK, Program().AppTitle);
}

}  // namespace

void Transfer::Trf_RenameRemote() {
  vb::OnErrorGoTo(
      [&] {
        UniTreeViewMC* tree = MainWindow().ColumnRemoteTreeView;
        if (!tree) vb::Raise(vb::errObjectVariableNotSet);
        const TreeNode node = tree->SelectedItem();
        if (node.IsNothing()) {
          ShowMessage(modReg::GetMessageText(459), win::MB_ICON_INFORMATION);
          return;
        }
        TreeViewControl& trees = TreeViewControl::Instance();
        if (node.Image() == trees.iconIndex(QStringLiteral("tessara"))) {
          ShowMessage(modReg::GetMessageText(458), win::MB_ICON_ERROR);
          return;
        }
        const bool folder = node.Image() != trees.iconIndex(QStringLiteral("file"));
        const QString oldName = node.Text();
        const QString path = vb::Trim(SharedUtil().GetInfoFromKey(3, node.Key())).replace(QStringLiteral("\\\\"),
                                                                                           QStringLiteral("\\"));

        Program().InputBoxAnswer.clear();
        FrmInputBox::Instance().ShowInputMessage(QStringLiteral("Enter the new name for file/folder "),
                                                 Program().AppTitle, oldName, 0, 0, Program().AppTitle);
        QString newName = Program().InputBoxAnswer;
        if (newName.isEmpty()) return;

        // Encrypted files keep their "Enc." mark, and no other item may
        // take it.
        if (StartsWithEnc(oldName) && !StartsWithEnc(newName)) {
          newName = QStringLiteral("Enc.") + newName;
        } else if (!StartsWithEnc(oldName) && StartsWithEnc(newName)) {
          ShowMessage(modReg::GetMessageText(454) + newName + QStringLiteral("\r\n") + modReg::GetMessageText(455),
                      win::MB_ICON_ERROR);
          return;
        }

        const QString parent = ParentFolder(path);
        if (!SharedUtil().ValidateFileName(newName, false)) return;

        if (clsController::Instance().Cont_RenameRemItem(parent + oldName, parent + newName, folder)) {
          WriteTransferLog(QStringLiteral("Renamed  :") + oldName + QStringLiteral(" to ") + newName, 1);
        } else {
          const QString reason = modGeneral::dav_geterrorstring();
          ShowMessage(modReg::GetMessageText(456) + oldName + QStringLiteral("\r\n") + modReg::GetMessageText(457) +
                          reason,
                      win::MB_ICON_WARNING);
          WriteTransferLog(QStringLiteral("Can not  rename  ") + oldName + QStringLiteral("\r\nReason: ") + reason, 2);
        }

        UniTreeViewMC* listed = MainWindow().ColumnRemoteTreeView;
        if (!listed) vb::Raise(vb::errObjectVariableNotSet);
        listed->ClearNodes();
        (void)trees.PopulateRemoteTreeView(QStringLiteral("Smart"), listed, true, false, false);
      },
      [](const vb::ErrorInfo& e) {
        ShowMessage(QStringLiteral("Unable to rename file/folder \r\nReason : ") + QString::number(e.number) +
                        QStringLiteral("  ") + e.description,
                    win::MB_ICON_INFORMATION);
      });
}

}  // namespace OrvaneMac
