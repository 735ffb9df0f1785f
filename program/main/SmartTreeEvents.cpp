// What the main window does when its remote tree reports something.
#include <QAction>
#include <QCursor>

#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/ui/EventPump.h"
#include "program/browse/MainWindowControls.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/Options.h"
#include "program/main/Smart.h"
#include "program/session/Login.h"
#include "program/session/Transfer.h"

namespace OrvaneMac {
namespace {

long Icon(const char* key) { return TreeViewControl::Instance().iconIndex(QString::fromLatin1(key)); }
bool Shows(const TreeNode& node, const char* key) { return node.Image() == Icon(key); }

bool SignInWindowVisible() {
  Login& login = Login::Instance();
  return login.IsLoaded() && login.Window()->isVisible();
}

void TraceTreeError(const vb::ErrorInfo& e, const char* procedure) {
  TraceError(e, QString::fromLatin1(procedure), vb::OwnerKind::Form, QStringLiteral("Smart"));
}

}  // namespace

void Smart::ColumnRemoteTreeView_Expand(const TreeNode& nodeIn) {
  TreeNode node = nodeIn;
  Transfer& transfer = gTransfer();
  vb::ResumeNext next;
  next([&] { transfer.Trf_DisableComponent(); });
  bool root = false;
  next([&] { root = node.Text() == QLatin1String("My Orvane"); });
  if (!root) {
    const ProgramState& p = Program();
    bool boxShown = false;
    if (!SignInWindowVisible() && !p.RestoreRunning) {
      next([&] {
        WaitBoxShow(QStringLiteral("Loading ..."));
        boxShown = true;
      });
      next([&] { Window()->repaint(); });
    }
    next([&] { TreeViewControl::Instance().PopulateRemoteFolder(node, false, false); });
    if (!Program().RestoreRunning) {
      next([&] { WaitBoxClose(); });
      next([&] {
        if (IsLoaded()) Window()->repaint();
      });
    }
    (void)boxShown;
    next([&] {
      if (node.ChildCount() > 0 && Shows(node, "folder")) node.SetImage(static_cast<int>(Icon("openfolder")));
    });
  }
  next([&] {
    if (node.Checked() == 2) TreeViewControl::Instance().RefreshColChildChecks(node, false);
  });
  next([&] { node.SetSelected(true); });
  next([&] { transfer.Trf_EnableComponent(); });
}

void Smart::ColumnRemoteTreeView_Collapse(const TreeNode& nodeIn) {
  TreeNode node = nodeIn;
  vb::ResumeNext next;
  next([&] {
    if (Shows(node, "openfolder")) node.SetImage(static_cast<int>(Icon("folder")));
  });
  next([&] { node.SetSelected(true); });
}

void Smart::SecondNodeHandler(const TreeNode& nodeIn) {
  TreeNode node = nodeIn;
  vb::ResumeNext next;
  next([&] {
    if (Shows(node, "openfolder")) node.SetImage(static_cast<int>(Icon("folder")));
  });
  next([&] { MenuItem(QStringLiteral("mnuGetSize"))->setEnabled(Shows(node, "folder")); });
}

void Smart::ColumnRemoteTreeView_NodeClick(const TreeNode& nodeIn) {
  TreeNode node = nodeIn;
  vb::ResumeNext next;
  next([&] { node.SetSelected(true); });
  next([&] { MenuItem(QStringLiteral("popmnufindremote"))->setEnabled(!Shows(node, "file")); });
  next([&] {
    MenuItem(QStringLiteral("mnuGetSize"))->setEnabled(Shows(node, "folder") || Shows(node, "openfolder"));
  });
  // The hidden items keep states of their own; they are never shown.
  const bool isRoot = Shows(node, "tessara");
  const bool isFile = Shows(node, "file");
  bool special = false;
  next([&] {
    special = node.Text() == QLatin1String("Encrypted_Data") ||
              node.Key().contains(QLatin1String("/BackUp_nightly."));
  });
  next([&] { MenuItem(QStringLiteral("popmnucopyremote"))->setEnabled(!isRoot && !special); });
  next([&] { MenuItem(QStringLiteral("popmnupasteremote"))->setEnabled(!isFile && !special); });
  next([&] { MenuItem(QStringLiteral("popmnuRenameRemote"))->setEnabled(!isRoot && !special); });
  next([&] { MenuItem(QStringLiteral("popmnucreateremdir"))->setEnabled(!isFile && !special); });
}

void Smart::ColumnRemoteTreeView_nodeCheck(const TreeNode& nodeIn) {
  TreeNode node = nodeIn;
  vb::OnErrorGoTo([&] { node.SetSelected(true); },
                  [](const vb::ErrorInfo& e) { TraceTreeError(e, "ColumnRemoteTreeView_nodeCheck"); });
}

void Smart::ColumnRemoteTreeView_MouseDown(Qt::MouseButton button, QPoint point) {
  vb::OnErrorGoTo(
      [&] {
        if (button != Qt::RightButton) return;
        // The menu is for the node under the pointer, whether or not it was
        // clicked before: it becomes the selected node and sets the items.
        UniTreeViewMC* tree = C().ColumnRemoteTreeView;
        if (QTreeWidgetItem* item = tree->itemAt(point)) {
          tree->setCurrentItem(item);
          ColumnRemoteTreeView_NodeClick(tree->SelectedItem());
        }
        C().popmnuremote->popup(QCursor::pos());
      },
      [](const vb::ErrorInfo& e) { TraceTreeError(e, "ColumnRemoteTreeView_MouseDown"); });
}

void Smart::ColumnRemoteTreeView_MouseMove() {
  bOverTree = true;
  if (Program().Disconnected) return;
  vb::ResumeNext next;
  vb::Sleep(3);
  next([&] { ResetToolbarImages(0); });
  vb::DoEvents();
}

void Smart::ColumnRemoteTreeView_OLEDragOver(QPoint point) {
  vb::OnErrorGoTo(
      [&] {
        if (modGeneral::JobProgressCheck()) return;
        UniTreeViewMC* tree = C().ColumnRemoteTreeView;
        if (QTreeWidgetItem* item = tree->itemAt(point)) {
          tree->setCurrentItem(item);
        }
        if (point.y() % 200 == 0) tree->Redraw();
      },
      [](const vb::ErrorInfo& e) { TraceTreeError(e, "ColumnRemoteTreeView_OLEDragOver"); });
}

}  // namespace OrvaneMac
