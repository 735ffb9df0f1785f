// The main window's commands on the remote tree: restore, delete, refresh,
// search and the snapshot switch.
#include <QProgressBar>

#include "ZQwinSrv/foundation/Util.h"
#include "platform/errors/RuntimeError.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"
#include "program/browse/MainWindowControls.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/Options.h"
#include "program/foundation/SystemHelpers.h"
#include "program/main/MainWindowServices.h"
#include "program/main/Smart.h"
#include "program/session/Transfer.h"
#include "program/windows/MesgBox.h"
#include "program/windows/SkinImages.h"
#include "program/windows/SnapshotSwitch.h"

namespace OrvaneMac {
namespace {

const QString kMyOrvane = QStringLiteral("My Orvane/");

bool NodeShows(const TreeNode& node, const char* icon) {
  return node.Image() == TreeViewControl::Instance().iconIndex(QString::fromLatin1(icon));
}

// Empties the restore item set, entry by entry until it holds none.
void EmptyItemSet() {
  gTransfer().Trf_ClearEnumRestoreItemSet();
  vb::CollectionPtr& set = Items(Program().EnumRestoreItemSet);
  while (set->Count() > 0) set->Remove(1);
}

// The folder a search starts from: "My Orvane/" and the decoded path of the
// node's raw server path.
QString SearchPathOf(const TreeNode& node) {
  OrvaneSrv::Util util;
  return kMyOrvane + modGeneral::GetRemotePath(util.GetInfoFromKey(5, node.Key()));
}

}  // namespace

void Smart::StartRestore() {
  ProgramState& p = Program();
  PictureBox* restore = nullptr;
  const bool go = vb::OnErrorGoTo(
      [&] {
        restore = C().Trf_ImgRestore;
        if (modGeneral::JobProgressCheck()) {
          restore->setEnabled(true);
          return false;
        }
        restore->setEnabled(false);
        EmptyItemSet();
        p.RestoreSetSize = 0;
        return true;
      },
      [&](const vb::ErrorInfo& e) {
        if (!p.Disconnected && restore) restore->setEnabled(true);
        WriteTrace(QStringLiteral("Error in restore button event of main UI. Reason: ") + e.description);
        return false;
      });
  if (!go) return;
  vb::ResumeNext next;
  next([&] {
    UniTreeViewMC* tree = c_.ColumnRemoteTreeView;
    bool first = true;
    TreeViewControl::Instance().TraverseColTree(tree, tree->NodeAt(1), first, true, false, false);
  });
  if (Items(p.EnumRestoreItemSet)->Count() == 0) {
    next([&] { MesgBox::Instance().MessageBox(modReg::GetMessageText(379), 2, 0, p.AppTitle); });
    next([&] { c_.Trf_ImgRestore->setEnabled(true); });
    return;
  }
  next([&] { c_.Trf_ImgRestore->setEnabled(true); });
  next([] {
    ShowRestoreDestinationScreen(
        QStringLiteral("Select a folder/drive under 'My Computer' to restore the selected files/folders to it"));
  });
}

void Smart::DeleteSelectedRemote() {
  if (modGeneral::JobProgressCheck()) return;
  Program().SearchDeleteMode = false;
  DeleteRemotecontents();
}

void Smart::DeleteRemotecontents() {
  ProgramState& p = Program();
  vb::OnErrorGoTo(
      [&] {
        if (modGeneral::JobProgressCheck()) return;
        if (!p.SearchDeleteMode) {
          EmptyItemSet();
          UniTreeViewMC* tree = C().ColumnRemoteTreeView;
          bool first = true;
          TreeViewControl::Instance().TraverseColTree(tree, tree->NodeAt(1), first, true, false, true);
        }
        vb::CollectionPtr set = Items(p.EnumRestoreItemSet);
        if (set->Count() == 0) {
          MesgBox::Instance().MessageBox(modReg::GetMessageText(377), 2, 0, p.AppTitle);
          return;
        }
        QString list;
        for (qsizetype i = 1; i <= set->Count(); ++i) {
          list += modGeneral::GetRemotePath(set->Item(i).ToString().mid(2)) + QStringLiteral("\r\n");
        }
        ShowDeleteWindow(QStringLiteral("Delete file(s)/folder(s) list."), list);
      },
      [&](const vb::ErrorInfo& e) {
        MesgBox::Instance().MessageBox(QStringLiteral("Failed to delete the remote items. ") + QStringLiteral("\r\n") +
                                           QStringLiteral("Reason: ") + e.description + QStringLiteral("  ") +
                                           QString::number(e.number),
                                       0, 0, p.AppTitle);
      });
}

void Smart::RefreshRemoteTree() {
  if (modGeneral::JobProgressCheck()) return;
  vb::ResumeNext next;
  next([] { SetMainMousePointer(11); });
  Program().ListingCounter = 0;
  UniTreeViewMC* tree = C().ColumnRemoteTreeView;
  next([&] { tree->ClearNodes(); });
  next([&] { TreeViewControl::Instance().PopulateRemoteTreeView(QStringLiteral("Smart"), tree, true, true, false); });
  next([] { SetMainMousePointer(0); });
  vb::DoEvents();
  vb::DoEvents();
  next([&] {
    if (IsLoaded()) Window()->repaint();
  });
}

void Smart::popmnurefremote_Click() {
  vb::OnErrorGoTo(
      [&] {
        if (modGeneral::JobProgressCheck()) return;
        gTransfer().Trf_UpdateTessaraDiskInfo();
        UniTreeViewMC* tree = C().ColumnRemoteTreeView;
        const TreeNode node = tree->SelectedItem();
        if (node.IsNothing() || NodeShows(node, "tessara") || NodeShows(node, "file")) {
          tree->ClearNodes();
          TreeViewControl::Instance().PopulateRemoteTreeView(QStringLiteral("Smart"), tree, true, true, false);
        } else {
          TreeViewControl::Instance().RefreshTreeNodes(node, true, true);
        }
      },
      [](const vb::ErrorInfo& e) {
        TraceError(e, QStringLiteral("popmnurefremote_Click"), vb::OwnerKind::Form, QStringLiteral("Smart"));
      });
}

void Smart::OpenSearchWindow() {
  if (modGeneral::JobProgressCheck() || Program().Disconnected) return;
  SearchWindowOpening opening;
  opening.clearSearchingLabel = true;
  vb::ResumeNext next;
  opening.searchPath = kMyOrvane;
  next([&] {
    const TreeNode node = C().ColumnRemoteTreeView->SelectedItem();
    if (!node.IsNothing() && !NodeShows(node, "file") && !NodeShows(node, "tessara")) {
      opening.searchPath = SearchPathOf(node);
    }
  });
  QString text;
  next([&] { text = C().txtSearchText->text(); });
  const QString key = vb::Trim(text).toLower();
  if (!key.isEmpty() && key != QString::fromUtf16(kPlaceholder).toLower()) {
    opening.startWithKey = true;
    opening.key = text;
    opening.searchPath = kMyOrvane;
  } else {
    opening.clearDisplayNumFiles = true;
  }
  next([&] { ShowSearchWindow(opening); });
}

void Smart::popmnufindremote_Click() {
  if (modGeneral::JobProgressCheck()) return;
  SearchWindowOpening opening;
  opening.searchPath = kMyOrvane;
  vb::ResumeNext next;
  next([&] {
    const TreeNode node = C().ColumnRemoteTreeView->SelectedItem();
    if (!node.IsNothing()) opening.searchPath = SearchPathOf(node);
  });
  next([&] { ShowSearchWindow(opening); });
}

void Smart::ToggleSnapshots() {
  if (modGeneral::JobProgressCheck()) return;
  const QString key = QStringLiteral("FILEVER");
  Transfer& profile = gTransfer();
  vb::ResumeNext next;
  next([&] {
    const QString before = profile.Trf_ReadUserProfile(key, false);
    Program().FileverBeforeToggle = before;
    profile.Trf_WriteUserProfile(key, before == QLatin1String("1") ? QStringLiteral("0") : QStringLiteral("1"),
                                 false);
  });
  next([] {
    bool exiting = false;
    modGeneral::ApplyFileversioning(exiting);
  });
  next([&] {
    const bool shown = profile.Trf_ReadUserProfile(key, false) == QLatin1String("1");
    GiveImage(C().Pic_Snap, false, shown ? QStringLiteral("snap_sunken") : QStringLiteral("snap_reg"));
  });
}

}  // namespace OrvaneMac
