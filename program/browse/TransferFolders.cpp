// Transfer's folder creation from the trees: a folder on the account under
// the node selected in a remote tree, a folder on the computer under the
// node selected in a local tree; and the removal of a node from the remote
// tree (the account is not touched).
//
// The new folder's path is the selected folder's path followed directly by
// the typed name, as typed (blanks included); a name that is blank once
// trimmed cancels silently, a name the engine refuses cancels after the
// engine's own error box.

#include <QWidget>

#include "ZQwinSrv/foundation/Util.h"
#include "program/browse/MainWindowControls.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/Options.h"
#include "program/session/Transfer.h"
#include "program/session/clsController.h"
#include "program/windows/FrmInputBox.h"
#include "program/windows/MesgBox.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/text/Strings.h"

namespace OrvaneMac {
namespace {

const QString kOwner = QStringLiteral("Transfer");
const QString kCrLf = QStringLiteral("\r\n");

OrvaneSrv::Util& NameChecker() {
  static OrvaneSrv::Util util;
  return util;
}

QString Msg(Long id) { return modReg::GetMessageText(id); }

void Show(const QString& text, long icon) { MesgBox::Instance().MessageBox(text, icon, 0, Program().AppTitle); }

// Asks for a name with the entry box: "" when the user gave none.
QString AskName(const QString& prompt) {
  Program().InputBoxAnswer.clear();
  FrmInputBox::Instance().ShowInputMessage(prompt, Program().AppTitle, QString(), 0, 0, QString());
  return Program().InputBoxAnswer;
}

bool IsImageOf(const TreeNode& node, std::initializer_list<const char*> keys) {
  const int image = node.Image();
  for (const char* key : keys) {
    if (image == TreeViewControl::Instance().iconIndex(QString::fromLatin1(key))) return true;
  }
  return false;
}

// A folder of the remote tree, or its root: a new folder may go there.
bool IsRemoteFolderNode(const TreeNode& node) { return node.Key().endsWith(u'/'); }

}  // namespace

void Transfer::Trf_CreateRemoteDir() {
  WriteTrace(QStringLiteral("Enter Trf_CreateRemoteDir "));
  bool busy = false;
  vb::ResumeNext next;
  const bool finished = next([&] {
    UniTreeViewMC* tree = MainWindow().ColumnRemoteTreeView;
    const TreeNode selected = tree ? tree->SelectedItem() : TreeNode();
    // A file is no place for a folder: its path followed by the name would
    // name nothing on the account.
    if (selected.IsNothing() || !IsRemoteFolderNode(selected)) {
      Show(Msg(446), 0);
      return;
    }
    const QString name = AskName(QStringLiteral("Enter the new name"));
    if (vb::Trim(name).isEmpty()) return;
    if (!NameChecker().ValidateFileName(name, false)) return;
    Trf_DisableComponent();
    busy = true;
    const QString parent = Trf_getRemoteSelectedItemPath(MainWindow().Smart);
    if (clsController::Instance().Cont_CreateRemDir(parent + name)) {
      tree->ClearNodes();
      (void)TreeViewControl::Instance().PopulateRemoteTreeView(QStringLiteral("Smart"), tree, true, false, false);
      WriteTransferLog(QStringLiteral("Created directory  :") + name, 1);
    } else {
      const QString reason = modGeneral::dav_geterrorstring();
      Show(Msg(444) + name + kCrLf + Msg(445) + reason, 3);
      WriteTransferLog(QStringLiteral("Could not create the directory: ") + name + reason, 2);
    }
    Trf_EnableComponent();
    busy = false;
  });
  // A failure between the busy and the idle call must not leave the main
  // window disabled.
  if (!finished && busy) next([&] { Trf_EnableComponent(); });
  if (next.Err().number > 0) {
    WriteTrace(QString::number(next.Err().number) + QStringLiteral("  ") + next.Err().description);
  }
  WriteTrace(QStringLiteral("Exit Trf_CreateRemoteDir "));
}

void Transfer::CreateRemoteDir(QWidget* reffrm, UniTreeViewMC* TvwControl) {
  bool busy = false;
  vb::OnErrorGoTo(
      [&] {
        if (modGeneral::JobProgressCheck()) return;
        const TreeNode selected = TvwControl ? TvwControl->SelectedItem() : TreeNode();
        if (selected.IsNothing() || !IsRemoteFolderNode(selected)) {
          Show(Msg(479), 2);
          return;
        }
        const QString name = AskName(QStringLiteral("Enter the new name"));
        if (vb::Trim(name).isEmpty() || !NameChecker().ValidateFileName(name, false)) return;
        Trf_DisableComponent();
        busy = true;
        const QString parent = vb::Replace(vb::Trim(OrvaneSrv::Util().GetInfoFromKey(3, selected.Key())),
                                           QStringLiteral("\\\\"), QStringLiteral("\\"));
        if (clsController::Instance().Cont_CreateRemDir(parent + name)) {
          TvwControl->ClearNodes();
          (void)TreeViewControl::Instance().PopulateRemoteTreeView(reffrm ? reffrm->objectName() : QString(),
                                                                   TvwControl, true, false, true);
          WriteTransferLog(QStringLiteral("Created directory  :") + name, 1);
        } else {
          const QString reason = modGeneral::dav_geterrorstring();
          Show(Msg(477) + name + Msg(478) + reason, 3);
          WriteTransferLog(QStringLiteral("Could not create the directory: ") + name + reason, 2);
        }
        Trf_EnableComponent();
        busy = false;
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in CreateRemoteDir ") + e.description + QStringLiteral(" ") +
                   QString::number(e.number));
        if (busy) {
          vb::ResumeNext next;
          next([&] { Trf_EnableComponent(); });
        }
      });
}

void Transfer::CreateLocalDir(QWidget* reffrm, UniTreeViewMC* TvwControl) {
  vb::OnErrorGoTo(
      [&] {
        if (modGeneral::JobProgressCheck()) return;
        const TreeNode selected = TvwControl ? TvwControl->SelectedItem() : TreeNode();
        if (selected.IsNothing()) {
          Show(Msg(476), 2);
          return;
        }
        if (IsImageOf(selected, {"mycomp", "file", "mydesktop"})) {
          Show(Msg(475), 3);
          WriteTransferLog(QStringLiteral("Could not create directory ") + QStringLiteral("\\") +
                               QStringLiteral(" Reason: Can not create directory in the selected path."),
                           2);
          return;
        }
        const QString name = AskName(QStringLiteral("Enter the name of the folder"));
        if (vb::Trim(name).isEmpty() || !NameChecker().ValidateFileName(name, false)) return;
        const QString parent =
            vb::Replace(Trf_getLocalSelectedItemPath(TvwControl), QStringLiteral("\\\\"), QStringLiteral("\\"));
        if (win::FolderExists(parent + name)) {
          Show(Msg(472) + parent + name + Msg(473), 3);
          WriteTransferLog(QStringLiteral("Could not create directory ") + parent + QStringLiteral("\\") + name +
                               QStringLiteral(" Reason: The directory name already exists."),
                           2);
          return;
        }
        vb::ResumeNext create;
        create([&] { win::CreateFolder(parent + name); });
        if (create.Err().number == 71) {
          Show(QStringLiteral("'") + parent + Msg(474), 3);
          WriteTransferLog(QStringLiteral("Drive '") + parent + QStringLiteral("\\") + name +
                               QStringLiteral("' is not ready."),
                           2);
          Trf_EnableComponent();
          return;
        }
        // Any other refusal (no right to write there, a name the disk
        // cannot hold) is reported as such, and no success is logged.
        if (create.Err().Failed()) vb::Raise(create.Err().number, create.Err().source, create.Err().description);
        WriteTransferLog(QStringLiteral("Created directory ") + parent + QStringLiteral("\\") + name, 1);
        vb::ResumeNext rebuild;
        rebuild([&] { TvwControl->ClearNodes(); });
        Program().GrayIconMode = true;
        rebuild([&] { TreeViewControl::Instance().PopulateLocalTreeView(TvwControl, DriveListEntries(), true, true); });
        Program().GrayIconMode = false;
        (void)reffrm;
      },
      [&](const vb::ErrorInfo& e) {
        Show(QStringLiteral("Error in creating the directory. ") + kCrLf + QStringLiteral("Reason: ") + e.description,
             3);
      });
}

void Transfer::Trf_RemoveRemoteNode() {
  vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter Trf_RemoveRemoteNode "));
        UniTreeViewMC* tree = MainWindow().ColumnRemoteTreeView;
        if (!tree) vb::Raise(vb::errObjectVariableNotSet);
        const TreeNode selected = tree->SelectedItem();
        if (selected.IsNothing()) vb::Raise(vb::errObjectVariableNotSet);
        tree->RemoveNode(selected.Index());
        WriteTrace(QStringLiteral("Exit Trf_RemoveRemoteNode "));
      },
      [&](const vb::ErrorInfo& e) {
        TraceError(e, QStringLiteral("Trf_RemoveRemoteNode"), vb::OwnerKind::ClassModule, kOwner);
      });
}

}  // namespace OrvaneMac
