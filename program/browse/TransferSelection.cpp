// Transfer's answers about the node selected in a tree: folder or file, its
// path, its parent folder and its name; the size of a local file; and the
// command that opens the desktop's search on drive C.
//
// A local tree is found on the window handed in by its control name
// ("ColumnLocalTreeView" or "LocalTreeView"); the remote operations without
// a window look at the main window's remote tree.

#include <QWidget>

#include "ZQwinSrv/foundation/Util.h"
#include "program/browse/MainWindowControls.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/Options.h"
#include "program/foundation/SystemHelpers.h"
#include "program/session/Transfer.h"
#include "program/windows/MesgBox.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/shell/Shell.h"
#include "platform/text/Strings.h"

namespace OrvaneMac {
namespace {

const QString kOwner = QStringLiteral("Transfer");

OrvaneSrv::Util& KeyReader() {
  static OrvaneSrv::Util util;
  return util;
}

QString BoolText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

void TraceFailure(const vb::ErrorInfo& e, const QString& procedure) {
  TraceError(e, procedure, vb::OwnerKind::ClassModule, kOwner);
}

// The tree control of that name on `window`; 438 when the window has none.
UniTreeViewMC* TreeNamed(QWidget* window, const QString& name) {
  if (!window) vb::Raise(vb::errObjectVariableNotSet);
  auto* tree = window->findChild<UniTreeViewMC*>(name);
  if (!tree) vb::Raise(438);
  return tree;
}

// The main window's remote tree; 91 while there is none.
UniTreeViewMC* RemoteTree() {
  UniTreeViewMC* tree = MainWindow().ColumnRemoteTreeView;
  if (!tree) vb::Raise(vb::errObjectVariableNotSet);
  return tree;
}

// The selected node of `tree`; 91 when nothing is selected.
TreeNode Selected(UniTreeViewMC* tree) {
  TreeNode node = tree->SelectedItem();
  if (node.IsNothing()) vb::Raise(vb::errObjectVariableNotSet);
  return node;
}

// The path field of a node's key, trimmed, "\\" made "\".
QString CleanNodePath(const TreeNode& node) {
  return vb::Replace(vb::Trim(KeyReader().GetInfoFromKey(3, node.Key())), QStringLiteral("\\\\"),
                     QStringLiteral("\\"));
}

bool ImageIsOneOf(const TreeNode& node, std::initializer_list<const char*> keys) {
  const int image = node.Image();
  for (const char* key : keys) {
    if (image == TreeViewControl::Instance().iconIndex(QString::fromLatin1(key))) return true;
  }
  return false;
}

// A Boolean question about a selected node, with its traces and its error line.
template <typename Question>
bool Ask(const QString& name, Question&& question) {
  WriteTrace(QStringLiteral("Enter ") + name + u' ');
  bool answer = vb::OnErrorGoTo([&] { return question(); },
                                [&](const vb::ErrorInfo& e) {
                                  TraceFailure(e, name);
                                  return false;
                                });
  WriteTrace(QStringLiteral("Exit ") + name + u' ' + BoolText(answer));
  return answer;
}

template <typename Question>
QString AskText(const QString& name, Question&& question) {
  WriteTrace(QStringLiteral("Enter ") + name + u' ');
  QString answer = vb::OnErrorGoTo([&] { return question(); },
                                   [&](const vb::ErrorInfo& e) {
                                     TraceFailure(e, name);
                                     return QString();
                                   });
  WriteTrace(QStringLiteral("Exit ") + name + u' ' + answer);
  return answer;
}

}  // namespace

bool Transfer::Trf_IsLocalSelectedFolder(QWidget* refform) {
  return Ask(QStringLiteral("Trf_IsLocalSelectedFolder"), [&] {
    TreeNode node = Selected(TreeNamed(refform, QStringLiteral("ColumnLocalTreeView")));
    return ImageIsOneOf(node, {"folder", "openfolder"});
  });
}

bool Transfer::Trf_IsLocalSelectedFile(QWidget* refform) {
  return Ask(QStringLiteral("Trf_IsLocalSelectedFile"), [&] {
    // The tree stores picture numbers, never the text "file".
    TreeNode node = Selected(TreeNamed(refform, QStringLiteral("LocalTreeView")));
    return QString::number(node.Image()) == QLatin1String("file");
  });
}

bool Transfer::Trf_CheckLocalSelection(QWidget* refform) {
  return Ask(QStringLiteral("Trf_CheckLocalSelection"), [&] {
    TreeNode node = Selected(TreeNamed(refform, QStringLiteral("ColumnLocalTreeView")));
    return ImageIsOneOf(node, {"folder", "file", "openfolder"});
  });
}

QString Transfer::Trf_getLocalSelectedItemPath(UniTreeViewMC* TreeView) {
  // No trap of its own: a missing selection reaches the caller.
  WriteTrace(QStringLiteral("Enter Trf_getLocalSelectedItemPath "));
  if (!TreeView) vb::Raise(vb::errObjectVariableNotSet);
  const QString path = CleanNodePath(Selected(TreeView));
  WriteTrace(QStringLiteral("Exit Trf_getLocalSelectedItemPath ") + path);
  return path;
}

QString Transfer::Trf_getRemoteSelectedItemPath(QWidget* reffrm) {
  return AskText(QStringLiteral("Trf_getRemoteSelectedItemPath"), [&] {
    UniTreeViewMC* tree = (reffrm && reffrm == MainWindow().Smart)
                              ? RemoteTree()
                              : TreeNamed(reffrm, QStringLiteral("ColumnRemoteTreeView"));
    return CleanNodePath(Selected(tree));
  });
}

bool Transfer::Trf_IsRemoteSelectedFolder() {
  return Ask(QStringLiteral("Trf_IsRemoteSelectedFolder"),
             [&] { return ImageIsOneOf(Selected(RemoteTree()), {"openfolder", "folder"}); });
}

bool Transfer::Trf_IsRemoteSelectedFile() {
  return Ask(QStringLiteral("Trf_IsRemoteSelectedFile"),
             [&] { return ImageIsOneOf(Selected(RemoteTree()), {"file"}); });
}

bool Transfer::Trf_CheckRemoteSelection() {
  return Ask(QStringLiteral("Trf_CheckRemoteSelection"), [&] {
    (void)Selected(RemoteTree());
    return true;
  });
}

QString Transfer::Trf_getRemoteSelectedParent() {
  return AskText(QStringLiteral("Trf_getRemoteSelectedParent"), [&] {
    QString p = Trf_getRemoteSelectedItemPath(MainWindow().Smart);
    const qsizetype n = p.size();
    qsizetype slash = p.lastIndexOf(u'/');
    if (slash < 0) vb::Raise(5);
    p = p.left(slash);
    if (p.size() == n - 1) {  // the path ended in "/": a folder
      slash = p.lastIndexOf(u'/');
      if (slash < 0) vb::Raise(5);
      p = p.left(slash);
    }
    if (!p.endsWith(u'/')) p += u'/';
    return p;
  });
}

QString Transfer::Trf_getRemoteSelectedItemName() {
  return AskText(QStringLiteral("Trf_getRemoteSelectedItemName"), [&] { return Selected(RemoteTree()).Text(); });
}

QString Transfer::Trf_getLocalFileSize(const QString& FileNamePath) {
  WriteTrace(QStringLiteral("Enter Trf_getLocalFileSize ") + FileNamePath);
  vb::ResumeNext next;
  QString size;
  QString result;
  next([&] { size = QString::number(static_cast<double>(win::FileSize(FileNamePath)), 'f', 0); });
  bool folder = false;
  next([&] { folder = Trf_IsLocalSelectedFolder(MainWindow().Smart); });
  if (!folder && !vb::Trim(size).isEmpty()) next([&] { result = modGeneral::GetProperSizeValue(size.toDouble()); });
  if (next.Err().Failed()) {
    WriteTrace(QString::number(next.Err().number) + QStringLiteral("  ") + next.Err().description);
  }
  WriteTrace(QStringLiteral("Exit Trf_getLocalFileSize ") + result);
  return result;
}

void Transfer::Trf_SearchLocal() {
  WriteTrace(QStringLiteral("Enter Trf_SearchLocal "));
  vb::ResumeNext next;
  next([] { (void)win::ShellExecute(QStringLiteral("Find"), QStringLiteral("c:"), {}, {}, win::SW_SHOWNORMAL); });
  if (next.Err().Failed()) {
    MesgBox::Instance().MessageBox(QString::number(next.Err().number) + QStringLiteral("  ") + next.Err().description,
                                   0, 0, Program().AppTitle);
  }
  WriteTrace(QStringLiteral("Exit Trf_SearchLocal "));
}

}  // namespace OrvaneMac
