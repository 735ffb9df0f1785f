// The column-tree class's walks that turn check marks into the restore item
// set, the listing of the account root's children for a search from the
// root, and the carrying of a folder's check state down to its children.
//
// A failing step is passed over and the walk goes on with the next one,
// except when the tree went away under the walk ("Object has been
// unloaded."): then the walk ends at once, quietly.

#include "ZQwinSrv/foundation/Util.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/Options.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/SystemHelpers.h"
#include "platform/errors/RuntimeError.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

namespace OrvaneMac {
namespace {

OrvaneSrv::Util& KeyReader() {
  static OrvaneSrv::Util util;
  return util;
}

bool IsUnloaded(const vb::ErrorInfo& error) {
  return vb::UCase(error.description) == QLatin1String("OBJECT HAS BEEN UNLOADED.");
}

QString CleanPath(const QString& field) {
  return vb::Replace(vb::LTrim(field), QStringLiteral("\\\\"), QStringLiteral("\\"));
}

}  // namespace

void TreeViewControl::TraverseColTree(UniTreeViewMC* Tree, const TreeNode& nodx, bool& bFirstNode, bool bRemote,
                                      bool bNoFiles, bool bServerPath) {
  const QString separator = bRemote ? QStringLiteral("/") : QStringLiteral("\\");
  const short pathKind = (bRemote && bServerPath) ? 5 : 3;
  vb::ResumeNext next;
  const auto ended = [&] { return IsUnloaded(next.Err()); };
  if (nodx.IsNothing()) return;
  bool empty = true;
  next([&] { empty = nodx.Text().isEmpty(); });
  if (ended() || empty) return;
  TreeNode current;
  next([&] { current = bFirstNode ? nodx.Child() : nodx; });
  if (ended()) return;
  while (!current.IsNothing()) {
    if (ended()) return;
    int state = 0;
    QString key;
    next([&] {
      state = current.Checked();
      key = current.Key();
    });
    if (ended()) return;
    if (state == 2) {
      next([&] {
        const QString path = CleanPath(KeyReader().GetInfoFromKey(pathKind, key));
        if (key.endsWith(separator)) {
          const QString entry = QStringLiteral("D_") + path;
          if (bRemote) {
            Items(Program().EnumRestoreItemSet)->Add(entry);
          } else {
            Items(Program().EnumSchBackupItemSet)->Add(entry);
            if (!modGeneral::JobProgressCheck()) Items(Program().EnumBackupItemSet)->Add(entry);
          }
        } else if (!bNoFiles) {
          const QString entry = QStringLiteral("F_") + path;
          if (bRemote) {
            Items(Program().EnumRestoreItemSet)->Add(entry);
            const QString size = vb::Trim(KeyReader().GetInfoFromKey(2, key));
            if (!size.isEmpty()) Program().RestoreSetSize += vb::Val(size);
          } else {
            Items(Program().EnumSchBackupItemSet)->Add(entry);
            if (!modGeneral::JobProgressCheck()) Items(Program().EnumBackupItemSet)->Add(entry);
          }
        }
      });
    } else if (key.endsWith(separator) || key == QLatin1String("My Computer")) {
      TreeNode child;
      next([&] { child = current.Child(); });
      if (ended()) return;
      bool first = false;
      next([&] { TraverseColTree(Tree, child, first, bRemote, bNoFiles, bServerPath); });
    }
    if (ended()) return;
    TreeNode sibling;
    next([&] { sibling = current.Next(); });
    if (ended()) return;
    current = sibling;
  }
}

void TreeViewControl::TraverseColTreeSearch(UniTreeViewMC* /*Tree*/, const TreeNode& nodx, bool& bFirstNode,
                                            bool bRemote, bool /*bFiles*/) {
  vb::ResumeNext next;
  const auto ended = [&] { return IsUnloaded(next.Err()); };
  if (nodx.IsNothing()) return;
  bool empty = true;
  next([&] { empty = nodx.Text().isEmpty(); });
  if (ended() || empty) return;
  TreeNode current;
  next([&] { current = bFirstNode ? nodx.Child() : nodx; });
  if (ended()) return;
  const long folder = iconIndex(QStringLiteral("folder"));
  const long openFolder = iconIndex(QStringLiteral("openfolder"));
  const long file = iconIndex(QStringLiteral("file"));
  while (!current.IsNothing()) {
    next([&] {
      const int image = current.Image();
      if (image != folder && image != openFolder && image != file) return;
      const QString key = current.Key();
      const QString path = vb::Replace(vb::Trim(KeyReader().GetInfoFromKey(5, key)), QStringLiteral("\\\\"),
                                       QStringLiteral("\\"));
      if (!bRemote) return;
      const QString modified = vb::Trim(KeyReader().GetInfoFromKey(1, key));
      // A ">" of the name is written as in a listing key, so that the
      // entry's fields split where they end.
      const QString remote = OrvaneSrv::EscapeKeyField(modGeneral::GetRemotePath(path));
      if (image == file) {
        Items(Program().SearchRootItems)
            ->Add(QStringLiteral("F_/") + remote + u'>' + modified + u'>' + KeyReader().GetInfoFromKey(2, key));
      } else {
        Items(Program().SearchRootItems)->Add(QStringLiteral("D_/") + remote + u'>' + modified);
      }
    });
    if (ended()) return;
    TreeNode sibling;
    next([&] { sibling = current.Next(); });
    if (ended()) return;
    current = sibling;
  }
}

void TreeViewControl::RefreshColChildChecks(const TreeNode& nodx, bool /*bGrayImage*/) {
  vb::ResumeNext next;
  if (nodx.IsNothing()) return;
  next([&] { (void)nodx.Key(); });
  if (IsUnloaded(next.Err())) return;
  next([&] {
    TreeNode node = nodx;
    node.CarryCheckDown();
  });
}

void TreeViewControl::ColChildUnCheck(const TreeNode& nodx, bool bGrayImage) {
  if (nodx.IsNothing()) return;
  vb::OnErrorGoTo(
      [&] {
        if (nodx.Gone()) return;
        for (int i = 1; i <= nodx.ChildCount(); ++i) {
          vb::DoEvents();
          vb::DoEvents();
          if (nodx.Gone()) return;
          TreeNode child = nodx.ChildAt(i);
          if (child.IsNothing()) return;
          child.SetChecked(1);
          RefreshColChildChecks(child, bGrayImage);
          if (nodx.Gone()) return;
        }
      },
      [](const vb::ErrorInfo& err) {
        if (IsUnloaded(err)) return;
        WriteTrace(QStringLiteral("Error in ColChildUnCheck ") + err.description);
      });
}

}  // namespace OrvaneMac
