// The column-tree class's operations that hold a tree against a set of
// item paths (the backup-set walkers), and its further walkers. Nothing in
// the program calls them.
//
// The walkers let window messages run at every node, so the window of the
// tree may close under them: the tree then fails with "Object has been
// unloaded.", which ends each level of the walk without a message.

#include <QWidget>

#include <functional>

#include "ZQwinSrv/foundation/Util.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/Options.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/Scheduler.h"
#include "program/foundation/SystemHelpers.h"
#include "platform/files/FileAttributes.h"
#include "platform/files/FileSystem.h"
#include "platform/errors/RuntimeError.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

namespace OrvaneMac {
namespace {

const QString kMyComputer = QStringLiteral("My Computer");
const QString kMyFiles = QStringLiteral("My Files");

OrvaneSrv::Util& KeyReader() {
  static OrvaneSrv::Util util;
  return util;
}

bool IsUnloaded(const vb::ErrorInfo& error) {
  return error.description.compare(QLatin1String("Object has been unloaded."), Qt::CaseInsensitive) == 0;
}

// The node's path: the key's path field, trimmed, "\\" made "\".
QString NodePath(TreeNode node) {
  return vb::Replace(vb::Trim(KeyReader().GetInfoFromKey(3, node.Key())), QStringLiteral("\\\\"),
                     QStringLiteral("\\"));
}

QString Separator(bool remote) { return remote ? QStringLiteral("/") : QStringLiteral("\\"); }

bool IsFolder(const TreeNode& node, bool remote, bool trimKey) {
  const QString key = trimKey ? vb::Trim(node.Key()) : node.Key();
  return key.endsWith(Separator(remote));
}

// `text` holds `part` anywhere, ignoring case.
bool Holds(const QString& text, const QString& part) { return vb::InStr(text, part, vb::vbTextCompare) > 0; }
bool SameText(const QString& a, const QString& b) { return vb::StrComp(a, b, vb::vbTextCompare) == 0; }

void PumpTwice() {
  vb::DoEvents();
  vb::DoEvents();
}

// The walk the walkers share: from `start` (or its first child) along the
// siblings; at each node the messages run twice, then `step`, then, when
// `descend` says so, `recurse` on the node's first child. A failing step is
// passed over; a tree that went away ends the level.
void CommonWalk(const TreeNode& start, bool firstChild, const std::function<void(TreeNode)>& step,
                const std::function<bool(TreeNode)>& descend,
                const std::function<void(TreeNode)>& recurse) {
  vb::ResumeNext next;
  const auto ended = [&] { return IsUnloaded(next.Err()); };
  if (start.IsNothing()) return;
  bool go = true;
  next([&] { go = !start.Text().isEmpty(); });
  if (ended() || !go) return;
  TreeNode current;
  next([&] { current = firstChild ? start.Child() : start; });
  if (ended()) return;
  while (!current.IsNothing()) {
    next([] { PumpTwice(); });
    if (ended() || current.Gone()) return;
    next([&] { step(current); });
    if (ended()) return;
    bool enter = false;
    next([&] { enter = descend(current); });
    if (ended()) return;
    if (enter) {
      TreeNode child;
      next([&] { child = current.Child(); });
      if (ended()) return;
      next([&] { recurse(child); });
      if (ended()) return;
    }
    TreeNode sibling;
    next([&] { sibling = current.Next(); });
    if (ended()) return;
    current = sibling;
  }
}

}  // namespace

// --- Further operations ----------------------------------------------------------

void TreeViewControl::Class_Initial(QWidget* refform) {
  vb::OnErrorGoTo(
      [&] {
        if (!refform) vb::Raise(vb::errObjectVariableNotSet);
        WriteTrace(QStringLiteral("Enter  Class_Initial ") + refform->objectName());
        boundForm_ = refform;
        WriteTrace(QStringLiteral("Exit  Class_Initial "));
      },
      [](const vb::ErrorInfo& err) {
        TraceError(err, QStringLiteral("Class_Initial"), vb::OwnerKind::ClassModule, QStringLiteral("TreeViewControl"));
      });
}

void TreeViewControl::GetLocalTreeStructure(const QString& Path, const QString& ftype, const QString& NodeTo,
                                            Long /*te*/, PlainTreeView* TreeView, Long /*Dontshowfile*/) {
  vb::OnErrorGoTo(
      [&] {
        if (!TreeView) vb::Raise(vb::errObjectVariableNotSet);
        const win::FindResult found = win::FindFiles(Path + ftype);
        if (found.error != 0) return;
        for (const win::FindData& entry : found.entries) {
          const QString name = modGeneral::StripNull(entry.name);
          if (name == u"." || name == u".." || name.isEmpty()) continue;
          if (win::GetFileAttributes(Path + name) == 22) {
            WriteTrace(QStringLiteral("virtual folder not added to tree: ") + Path + name);
            continue;
          }
          if (!entry.IsFolder()) continue;
          TreeView->FindNode(NodeTo).SetSorted(true);
          TreeView->Add(NodeTo, Path + name, name, QStringLiteral("folder"));
          TreeView->Add(Path + name, Path + name + QStringLiteral("my"), QString(), QString());
        }
        TreeView->FindNode(NodeTo).SetSorted(false);
      },
      [](const vb::ErrorInfo& err) { WriteTrace(QString::number(err.number) + err.description); });
}

void TreeViewControl::RefreshChildChecks(const PlainTreeNode& nodx, Long Tree) {
  vb::ResumeNext next;
  PlainTreeNode child;
  next([&] { child = nodx.Child(); });
  while (!child.IsNothing()) {
    if (IsUnloaded(next.Err())) return;
    next([&] { child.SetChecked(nodx.Checked()); });
    QString image;
    next([&] { image = child.Image(); });
    if (image == u"open" || image == u"folder") RefreshChildChecks(child, Tree);
    PlainTreeNode sibling;
    next([&] { sibling = child.Next(); });
    child = sibling;
  }
  if (IsUnloaded(next.Err())) return;
  if (next.Err().Failed()) WriteTrace(QString::number(next.Err().number) + next.Err().description);
}

void TreeViewControl::ClearLocalEnum() {
  vb::ResumeNext next;
  for (vb::CollectionPtr* slot : {&localItemsA_, &localItemsB_}) {
    const vb::CollectionPtr items = Items(*slot);
    const qsizetype count = items->Count();
    for (qsizetype i = 0; i < count; ++i) {
      next([] { vb::DoEvents(); });
      next([&] { items->Remove(1); });
    }
  }
}

void TreeViewControl::RefreshColparentchecks(const TreeNode& nodx, bool /*bGrayImage*/) {
  vb::ResumeNext next;
  if (nodx.IsNothing()) return;
  TreeNode parent;
  next([&] { parent = nodx.Parent(); });
  while (!IsUnloaded(next.Err()) && !parent.IsNothing() && !nodx.Gone()) {
    next([] { vb::DoEvents(); });
    if (IsUnloaded(next.Err())) return;
    next([&] { parent.SetChecked(nodx.Checked()); });
    if (IsUnloaded(next.Err())) return;
    TreeNode above;
    next([&] { above = parent.Parent(); });
    parent = above;
  }
}

void TreeViewControl::TreeViewTraverseForUncheck(UniTreeViewMC* Tree, const TreeNode& nodx, bool bFirstNode,
                                                 const QString& sFilePathString) {
  vb::ResumeNext next;
  TreeNode node;
  next([&] { node = bFirstNode ? nodx.Child() : nodx; });
  while (!node.IsNothing() && !node.Gone()) {
    QString path;
    next([&] { path = NodePath(node); });
    if (vb::Trim(path) == vb::Trim(sFilePathString)) {
      next([&] { node.SetChecked(1); });
      next([&] { node.RefreshAfterUncheck(); });
      return;
    }
    if (vb::InStr(sFilePathString, path) > 0 || path == kMyComputer) {
      QString key;
      next([&] { key = node.Key(); });
      if (!key.endsWith(QStringLiteral("\\\\")) &&
          (key.endsWith(u'\\') || key == kMyComputer || key == kMyFiles)) {
        TreeNode child;
        next([&] { child = node.Child(); });
        if (!child.IsNothing()) TreeViewTraverseForUncheck(Tree, child, false, sFilePathString);
      }
    }
    TreeNode sibling;
    next([&] { sibling = node.Next(); });
    node = sibling;
  }
}

void TreeViewControl::TraverseColTreeForAllNodes(UniTreeViewMC* /*Tree*/, const TreeNode& nodx) {
  vb::ResumeNext next;
  if (nodx.IsNothing()) return;
  bool go = false;
  next([&] { go = !nodx.Text().isEmpty(); });
  if (!go) return;
  recordedChildren_.assign(1, RecordedChild{});
  TreeNode child;
  next([&] { child = nodx.Child(); });
  while (!child.IsNothing() && !child.Gone()) {
    next([] { PumpTwice(); });
    next([&] {
      const QString key = child.Key();
      if (vb::Trim(key).isEmpty()) return;
      // The positions follow the instance's count, which no call resets.
      if (recordedChildren_.size() <= static_cast<std::size_t>(recordedCount_)) {
        recordedChildren_.resize(static_cast<std::size_t>(recordedCount_) + 1);
      }
      recordedChildren_[static_cast<std::size_t>(recordedCount_)] = {NodePath(child), key};
      ++recordedCount_;
    });
    TreeNode sibling;
    next([&] { sibling = child.Next(); });
    child = sibling;
  }
}

// --- Backup-set walkers --------------------------------------------------------------

void TreeViewControl::TraverseColTreeForFiles(UniTreeViewMC* Tree, const TreeNode& nodx, bool bFirstNode) {
  CommonWalk(
      nodx, bFirstNode,
      [](TreeNode node) {
        if (node.Checked() == 2 && !IsFolder(node, false, true)) Items(Program().EnumFileItemSet)->Add(NodePath(node));
      },
      [](TreeNode node) {
        return node.Checked() != 2 && (IsFolder(node, false, true) || node.Key() == kMyComputer);
      },
      [&](TreeNode child) { TraverseColTreeForFiles(Tree, child, false); });
}

void TreeViewControl::TraverseColTreeForBkSet(UniTreeViewMC* Tree, const TreeNode& nodx, bool bFirstNode,
                                              const vb::CollectionPtr& itemSet, bool bRemote, bool bClear,
                                              const QString& sClearPath) {
  const long folder = iconIndex(QStringLiteral("folder"));
  const long openFolder = iconIndex(QStringLiteral("openfolder"));
  const long grey = iconIndex(QStringLiteral("foldergray"));
  CommonWalk(
      nodx, bFirstNode,
      [&](TreeNode node) {
        const QString path = NodePath(node);
        if (bClear) {
          if (SameText(path, sClearPath)) {
            node.SetChecked(1);
            if (node.Image() == grey) node.SetImage(static_cast<int>(folder));
          }
          return;
        }
        if (!itemSet) return;
        for (const vb::Variant& item : *itemSet) {
          const QString entry = item.ToString();
          if (SameText(entry, path)) {
            node.SetChecked(2);
            if (node.Image() == grey) node.SetImage(static_cast<int>(folder));
            return;
          }
          if (Holds(entry, path) && IsFolder(node, bRemote, true) &&
              (node.Image() == folder || node.Image() == openFolder)) {
            node.SetChecked(3);
            return;
          }
        }
      },
      [&](TreeNode node) { return IsFolder(node, bRemote, true) || node.Key() == kMyComputer; },
      [&](TreeNode child) {
        TraverseColTreeForBkSet(Tree, child, false, itemSet, bRemote, bClear, sClearPath);
      });
}

void TreeViewControl::TraverseColTreeBkSetUncheck(UniTreeViewMC* Tree, const TreeNode& nodx, const QString& sPath,
                                                  bool bFirstNode, bool bRemote) {
  const long folder = iconIndex(QStringLiteral("folder"));
  const long grey = iconIndex(QStringLiteral("foldergray"));
  CommonWalk(
      nodx, bFirstNode,
      [&](TreeNode node) {
        if (!IsFolder(node, bRemote, true)) return;
        if (sPath == u"nIlL") {
          if (node.Image() == grey) node.SetImage(static_cast<int>(folder));
        } else if (Holds(sPath, NodePath(node)) && (node.Image() == folder || node.Image() == grey)) {
          node.SetImage(static_cast<int>(folder));
        }
      },
      [&](TreeNode node) { return IsFolder(node, bRemote, true) || node.Key() == kMyComputer; },
      [&](TreeNode child) { TraverseColTreeBkSetUncheck(Tree, child, sPath, false, bRemote); });
}

void TreeViewControl::TraverseColTreeForBkSetSmart(UniTreeViewMC* Tree, const TreeNode& nodx, bool bFirstNode,
                                                   const vb::CollectionPtr& itemSet, bool bRemote, bool bClear,
                                                   const QString& sPath, bool bSkipComputer) {
  const long fileImage = iconIndex(QStringLiteral("file"));
  vb::OnErrorGoTo(
      [&] {
        if (nodx.IsNothing() || nodx.Text().isEmpty()) return;
        TreeNode start = nodx;
        if (start.Key() == kMyFiles && start.Checked() == 3) start.SetChecked(1);
        TreeNode node = bFirstNode ? nodx.Child() : nodx;
        while (!node.IsNothing()) {
          PumpTwice();
          if (node.Gone()) return;
          if (!bClear && node.Parent().Checked() != 2 && itemSet) {
            const QString path = NodePath(node);
            for (const vb::Variant& item : *itemSet) {
              const QString entry = item.ToString();
              if (SameText(entry, path)) {
                node.SetChecked(2);
                CheckParentNode(node);
                if (node.Expanded()) node.CarryCheckDown();
              } else if (Holds(entry, path)) {
                if (node.Image() != fileImage) node.SetChecked(3);
              } else if (Holds(path, entry)) {
                if (node.Image() != fileImage) {
                  node.SetChecked(2);
                  if (node.Expanded()) node.CarryCheckDown();
                  CheckParentNode(node);
                }
              }
            }
          }
          const QString key = node.Key();
          const bool kind = IsFolder(node, bRemote, true) || key == kMyFiles || (!bSkipComputer && key == kMyComputer);
          const bool special = key.endsWith(QStringLiteral("\\\\"));
          if (kind && (!special || node.Expanded())) {
            TraverseColTreeForBkSetSmart(Tree, node.Child(), false, itemSet, bRemote, bClear, sPath, bSkipComputer);
          }
          node = node.Next();
          if (!node.IsNothing() && node.Key() == kMyComputer && node.Checked() == 3) node.SetChecked(1);
        }
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error in TraverseColTreeForBkSetSmart ") + err.description);
      });
}

void TreeViewControl::TraverseColTreeBkSetUncheckSmart(const vb::CollectionPtr& itemSet, UniTreeViewMC* Tree,
                                                       const TreeNode& nodx, bool bFirstNode, bool bAllChecked,
                                                       bool bRemote, bool bHandedOn, bool bNoExpand,
                                                       const QString& sPrefix) {
  CommonWalk(
      nodx, bFirstNode,
      [&](TreeNode node) {
        const QString key = node.Key();
        if (node.Checked() != 2 || key == kMyComputer || key == kMyFiles) return;
        const QString path = NodePath(node);
        if (!SameText(path.left(sPrefix.size()), sPrefix)) return;
        if (bAllChecked || !key.endsWith(QStringLiteral("\\\\"))) gScheduler().RemoveDuplicate(itemSet, path);
      },
      [&](TreeNode node) {
        const QString key = node.Key();
        const bool enter =
            (IsFolder(node, bRemote, false) || key == kMyComputer || key == kMyFiles) && node.Checked() != 2;
        if (enter && bNoExpand && node.Checked() == 3 && key != kMyComputer && !node.Expanded() &&
            node.ChildCount() == 0 && vb::Trim(KeyReader().GetInfoFromKey(3, key)) != vb::Trim(sPrefix)) {
          Program().GrayIconMode = true;
          vb::ResumeNext next;
          next([&] { PopulateLocalFolder(node, false, bNoExpand); });
          Program().GrayIconMode = false;
          TraverseColTreeForBkSetSmart(Tree, node, false, std::make_shared<vb::Collection>(), false, false,
                                       QString(), false);
          if (IsUnloaded(next.Err())) vb::Raise(next.Err().number, next.Err().source, next.Err().description);
        }
        return enter;
      },
      [&](TreeNode child) {
        TraverseColTreeBkSetUncheckSmart(itemSet, Tree, child, false, bAllChecked, bRemote, bHandedOn, bNoExpand,
                                         sPrefix);
      });
}

void TreeViewControl::TraverseColTreeClearGaryImage(UniTreeViewMC* Tree, const TreeNode& nodx, bool bFirstNode,
                                                    bool bHandedOn1, bool bRemote, bool bHandedOn2) {
  CommonWalk(
      nodx, bFirstNode, [](TreeNode node) { node.SetChecked(1); },
      [&](TreeNode node) {
        return IsFolder(node, bRemote, false) || node.Key() == kMyComputer || node.Key() == kMyFiles;
      },
      [&](TreeNode child) {
        TraverseColTreeClearGaryImage(Tree, child, false, bHandedOn1, bRemote, bHandedOn2);
      });
}

void TreeViewControl::CheckParentNode(const TreeNode& node) {
  const long myComputer = iconIndex(QStringLiteral("mycomp"));
  const long myFiles = iconIndex(QStringLiteral("mydesktop"));
  vb::OnErrorGoTo(
      [&] {
        TreeNode parent = node.Parent();
        if (parent.IsNothing()) return;
        for (;;) {
          PumpTwice();
          if (parent.IsNothing() || parent.Gone()) return;
          for (TreeNode child = parent.Child(); !child.IsNothing(); child = child.Next()) {
            if (child.Checked() == 1 || child.Checked() == 3) return;
          }
          if (parent.Image() == myComputer || parent.Image() == myFiles) return;
          parent.SetChecked(2);
          const TreeNode above = parent.Parent();
          if (above.IsNothing()) return;
          parent = above;
        }
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error in CheckParentNode Reason : ") + QString::number(err.number) +
                   QStringLiteral("   ") + err.description);
      });
}

void TreeViewControl::TraverseColTreeMyFileUncheck(UniTreeViewMC* Tree, const TreeNode& nodx, bool bFirstNode,
                                                   const TreeNode& uncheckedNode, bool bRemote, bool bHandedOn) {
  const long fileImage = iconIndex(QStringLiteral("file"));
  CommonWalk(
      nodx, bFirstNode,
      [&](TreeNode node) {
        const QString unchecked = NodePath(uncheckedNode);
        const bool uncheckedIsFile = uncheckedNode.Image() == fileImage;
        const QString path = NodePath(node);
        if (path == unchecked) {
          node.SetChecked(1);
          node.RefreshAfterUncheck();
        } else if (Holds(unchecked, path)) {
          if (!uncheckedIsFile) {
            node.SetChecked(1);
          } else if (node.Image() != fileImage) {
            node.SetChecked(3);
          }
        } else if (Holds(path, unchecked)) {
          if (!uncheckedIsFile) {
            node.SetChecked(1);
            node.RefreshAfterUncheck();
          }
        }
      },
      [&](TreeNode node) {
        return IsFolder(node, bRemote, false) || node.Key() == kMyComputer || node.Key() == kMyFiles;
      },
      [&](TreeNode child) {
        TraverseColTreeMyFileUncheck(Tree, child, false, uncheckedNode, bRemote, bHandedOn);
      });
}

}  // namespace OrvaneMac
