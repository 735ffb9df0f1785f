#pragma once
// The program's class for its column trees: the main window's remote tree
// (the account under "My Orvane", listed folder by folder through the
// remote listing source) and the restore destination screen's local tree
// ("My Files" with the user's folders and "My Computer" with the drives).
//
// Every listing entry is one NodeKey text, fields joined by ">":
//   sequence > modified > size > path [> server path]
// local entries have four fields, remote ones five; a folder's key ends with
// its tree's separator ("\" local, "/" remote). A ">" inside a name is
// written as the engine's key character (OrvaneSrv::EscapeKeyField), which
// the engine's field reader gives back as ">". The key of a node is its
// whole NodeKey; the roots carry keys without ">", which read as
// themselves.
//
// One instance for the run (Instance()). Everything runs on the user
// interface thread; a listing may pump messages, so every node is held by a
// handle that answers "gone" once the tree under it went away, and the
// operations then stop quietly.

#include <QString>
#include <QStringList>

#include "platform/registry/RegistryTypes.h"
#include "platform/values/Collection.h"
#include "program/browse/UniTreeViewMC.h"

class QWidget;

namespace OrvaneMac {

// The text of message 480, which the engine's error text follows directly.
inline constexpr char16_t kMsgFolderContentsFailed[] = u"Unable to get the contents of this folder as \u2026.";

class TreeViewControl {
 public:
  static TreeViewControl& Instance();

  // --- Columns, pictures, nodes ---------------------------------------------
  // "Name" (the first column), "Size" (key "size") and "Modified Date"
  // (key "moddate") with their widths in pixels; a width of 0 hides the
  // column. A failing step is skipped.
  void setUpColumns(UniTreeViewMC* ColTreeView, int nNameWidth, int nSizeWidth, int nDateWidth);
  // Gives the tree the column-tree image list; `reffrm` is not used.
  void setUpImageList(UniTreeViewMC* ColTreeView, QWidget* reffrm = nullptr);
  // The zero-based picture index of an icon key; the folder's (6) for a key
  // the list lacks.
  [[nodiscard]] long iconIndex(const QString& eType);
  // A top-level node; nothing (and the error line) when it cannot be added.
  TreeNode addRootNode(UniTreeViewMC* tree, const QString& text, const QString& key, const QString& icon);
  // A child with the expand sign shown; nothing (and the error line) when it
  // cannot be added.
  TreeNode addParentNode(const TreeNode& parent, const QString& text, const QString& key, const QString& icon);
  // The listing `items` (NodeKey texts) as the children of `node`, unless it
  // has children already: the folders in the listing's order, then the sort
  // of the children present (not at "My Orvane" while the last listing
  // brought snapshot folders), then unless `foldersOnly` the files. Folders
  // show the expand sign; files their Size; both their Modified Date (a
  // remote date in the display zone, with its label). Stops at the first
  // entry that fails, keeping the children added before it.
  void addChildNodes(const TreeNode& node, const vb::CollectionPtr& items, bool remote, bool foldersOnly);

  // --- Dates ---------------------------------------------------------------
  // The server's date text ("Tue, 04 May 2010 10:12:33 GMT") as a date of
  // the user's locale (general date form) in DateTimeResult;
  // "00/00/00 00:00:00" for a blank or unreadable text.
  void CalculateDateTime(const QString& Timeattribute);
  QString DateTimeResult;
  // Reads the display zone once a run: "TimeStamp" of the user profile
  // (label, Chr(8), offset), else "PST" and "-0800".
  void ChangeNewStdTime();

  // --- The local tree ------------------------------------------------------
  // Builds the roots of a local tree on an emptied tree: "My Files" with the
  // user's folders and "My Computer" with the drives of `Drive1` (the drive
  // list's entries, "c:" first). Only the column tree is built.
  void PopulateLocalTreeView(UniTreeViewMC* TreeView, const QStringList& Drive1, bool bColTree, bool bDoNotAddFile);
  // The entries of the local folder `Path` (ending with "\") matching
  // `ftype`, as NodeKey texts; nothing (nullptr) when the folder cannot be
  // opened.
  [[nodiscard]] vb::CollectionPtr GetLocalFolderContents(const QString& Path, const QString& ftype);
  // Lists a local folder node on its first expand.
  void PopulateLocalFolder(const TreeNode& node, bool bDoNotAddFile, bool bDoNotExpand = false);
  // A registry value's text up to its first CR or NUL, trimmed; "" when the
  // key or the value is missing.
  [[nodiscard]] QString abk_RegReadkey(const QString& RegMainKey, const QString& rKey,
                                       win::HKEY vntOptionalHKey = win::HKEY_CLASSES_ROOT);

  // --- The remote tree -----------------------------------------------------
  // Builds the remote tree on an emptied tree: the root "My Orvane" (key
  // Program().RemoteRootKey), listed and expanded. Sets
  // Program().RemoteTreeConnected to the result. `formName` is traced.
  bool PopulateRemoteTreeView(const QString& formName, UniTreeViewMC* TreeView, bool bColTree, bool bDontDispMsg,
                              bool bDoNotAddFile);
  // Lists a remote folder node that has no children yet: true when it was
  // listed now. A failed listing shows message 480 with the engine's text
  // unless `bDontDispMsg`.
  bool PopulateRemoteFolder(const TreeNode& node, bool bDontDispMsg, bool bDoNotAddFile);
  // Lists a node again (its children cleared first; no node: the remote
  // tree's root) with the main window busy; false, doing nothing, while the
  // remote tree is not connected.
  bool RefreshTreeNodes(const TreeNode& RefreshNode, bool bRemote, bool bDontDispMsg);

 private:
  void setLocalColTreeRoot(UniTreeViewMC* tree, const QStringList& Drive1, bool bDoNotAddFile);
  bool setRemoteColTreeRoot(UniTreeViewMC* tree, bool bDontDispMsg, bool bDoNotAddFile);
};

// The entries of the drive list box: "c:", "d:", ... for the drives of the
// drive table.
[[nodiscard]] QStringList DriveListEntries();

}  // namespace OrvaneMac
