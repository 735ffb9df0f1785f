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

#include <vector>

#include "platform/registry/RegistryTypes.h"
#include "platform/values/Collection.h"
#include "program/browse/PlainTreeView.h"
#include "program/browse/UniTreeViewMC.h"
#include "program/foundation/ProgramState.h"

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
  // Builds the roots of a local tree on an emptied tree. A column tree
  // (`bColTree`, a UniTreeViewMC) gets "My Files" with the user's folders and
  // "My Computer" with the drives of `Drive1` (the drive list's entries,
  // "c:" first); a plain tree (a PlainTreeView) gets "My Computer" (key
  // "RDesktop") with the fixed and network drives of the drive list read
  // anew, the last one scrolled into view.
  void PopulateLocalTreeView(QTreeWidget* TreeView, const QStringList& Drive1, bool bColTree, bool bDoNotAddFile);
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

  // --- Further operations ---------------------------------------------------
  // None of these has a caller in the program; they complete the class.
  //
  // Binds the class to a form (nothing reads it).
  void Class_Initial(QWidget* refform);
  // Lists the subfolders of the local folder `Path` (ending in "\\") that
  // match `ftype` under the node `NodeTo` of a plain tree, each with a
  // placeholder child (key + "my", no text) for its expand sign; folders
  // that are hidden, system and directory at once (22) are left out with a
  // trace line. `te` and `Dontshowfile` are not read.
  void GetLocalTreeStructure(const QString& Path, const QString& ftype, const QString& NodeTo, Long te,
                             PlainTreeView* TreeView, Long Dontshowfile);
  // Gives the children of a plain-tree node its check state, and their
  // children too below folders ("open", "folder").
  void RefreshChildChecks(const PlainTreeNode& nodx, Long Tree);
  // Empties the class's two collections of local items (nothing fills them),
  // letting window messages run before each removal.
  void ClearLocalEnum();
  // Gives every ancestor of `nodx` its check state (`bGrayImage` changes
  // nothing).
  void RefreshColparentchecks(const TreeNode& nodx, bool bGrayImage);
  // Unchecks the node whose path is `sFilePathString`, searching from `nodx`
  // (or its first child) down the folders on the way; never enters a
  // special folder of "My Files" (key ending in "\\").
  void TreeViewTraverseForUncheck(UniTreeViewMC* Tree, const TreeNode& nodx, bool bFirstNode,
                                  const QString& sFilePathString);
  // Records the path and key of each direct child of `nodx`
  // (RecordedChildren()).
  void TraverseColTreeForAllNodes(UniTreeViewMC* Tree, const TreeNode& nodx);
  struct RecordedChild {
    QString path;
    QString key;
  };
  [[nodiscard]] const std::vector<RecordedChild>& RecordedChildren() const { return recordedChildren_; }

  // --- Restore and delete item sets ----------------------------------------
  // Walks `nodx` (or, with `bFirstNode`, ...) and its following siblings:
  // every checked node becomes "D_" + path (folder) or "F_" + path (file) in
  // Program().EnumRestoreItemSet, the path being the key's display path, or
  // its raw server path when `bRemote` and `bServerPath` are set; unchecked
  // folders are descended; remote file sizes add to Program().RestoreSetSize.
  void TraverseColTree(UniTreeViewMC* Tree, const TreeNode& nodx, bool& bFirstNode, bool bRemote,
                       bool bNoFiles, bool bServerPath);
  // Adds the direct children of `nodx` to Program().SearchRootItems
  // ("D_/path>date" for folders, "F_/path>date>size" for files; a ">" of
  // the path written as OrvaneSrv::EscapeKeyField writes it).
  void TraverseColTreeSearch(UniTreeViewMC* Tree, const TreeNode& nodx, bool& bFirstNode, bool bRemote,
                             bool bFiles);
  // Gives the children of `nodx` its check state (after a checked folder
  // was listed). `bGrayImage` is not used.
  void RefreshColChildChecks(const TreeNode& nodx, bool bGrayImage);
  // Unchecks the children of `nodx` one by one, and what lies below them,
  // letting window messages run twice before each.
  void ColChildUnCheck(const TreeNode& nodx, bool bGrayImage);

  // --- Backup-set walkers ----------------------------------------------------
  // Each walks from `nodx` (or its first child) through its following
  // siblings, depth first, letting window messages run twice at every node;
  // a tree closed under them ends the walk quietly. Paths are the key's
  // path field, trimmed, with "\\" made "\"; sets hold plain paths and are
  // compared ignoring case; `bRemote` makes "/" the folder separator.
  //
  // Adds the path of every checked file to Program().EnumFileItemSet;
  // checked folders are not entered.
  void TraverseColTreeForFiles(UniTreeViewMC* Tree, const TreeNode& nodx, bool bFirstNode);
  // Checks the nodes the set names and marks partly checked the folders on
  // the way to them (first applying entry per node); with `bClear`, unchecks
  // the node of `sClearPath` instead. Grey folders of a checked node turn
  // back to "folder".
  void TraverseColTreeForBkSet(UniTreeViewMC* Tree, const TreeNode& nodx, bool bFirstNode,
                               const vb::CollectionPtr& itemSet, bool bRemote, bool bClear,
                               const QString& sClearPath);
  // Turns grey folders on the way to `sPath` back to "folder" ("nIlL": every
  // grey folder); check states stay.
  void TraverseColTreeBkSetUncheck(UniTreeViewMC* Tree, const TreeNode& nodx, const QString& sPath, bool bFirstNode,
                                   bool bRemote);
  // Marks from the set like TraverseColTreeForBkSet, every entry in turn,
  // and completes the parents (CheckParentNode); nodes whose parent is
  // checked are left alone. Collapsed special folders are not entered.
  void TraverseColTreeForBkSetSmart(UniTreeViewMC* Tree, const TreeNode& nodx, bool bFirstNode,
                                    const vb::CollectionPtr& itemSet, bool bRemote, bool bClear,
                                    const QString& sPath, bool bSkipComputer);
  // Collects into `itemSet` (once each) the checked nodes whose path starts
  // with `sPrefix`; with `bNoExpand`, lists partly checked folders not yet
  // listed, without expanding them.
  void TraverseColTreeBkSetUncheckSmart(const vb::CollectionPtr& itemSet, UniTreeViewMC* Tree, const TreeNode& nodx,
                                        bool bFirstNode, bool bAllChecked, bool bRemote, bool bHandedOn,
                                        bool bNoExpand, const QString& sPrefix);
  // Unchecks every node it visits.
  void TraverseColTreeClearGaryImage(UniTreeViewMC* Tree, const TreeNode& nodx, bool bFirstNode, bool bHandedOn1,
                                     bool bRemote, bool bHandedOn2);
  // Checks the parents of `node` upwards while all their children are
  // checked; never "My Computer" or the "My Files" root.
  void CheckParentNode(const TreeNode& node);
  // Spreads the unchecking of `uncheckedNode` to the nodes above it (partly
  // checked above a file, unchecked above a folder) and below it.
  void TraverseColTreeMyFileUncheck(UniTreeViewMC* Tree, const TreeNode& nodx, bool bFirstNode,
                                    const TreeNode& uncheckedNode, bool bRemote, bool bHandedOn);

 private:
  void setLocalColTreeRoot(UniTreeViewMC* tree, const QStringList& Drive1, bool bDoNotAddFile);
  bool setRemoteColTreeRoot(UniTreeViewMC* tree, bool bDontDispMsg, bool bDoNotAddFile);

  QWidget* boundForm_ = nullptr;
  vb::CollectionPtr localItemsA_;
  vb::CollectionPtr localItemsB_;
  std::vector<RecordedChild> recordedChildren_;
  Long recordedCount_ = 0;
};

// The entries of the drive list box: "c:", "d:", ... for the drives of the
// drive table.
[[nodiscard]] QStringList DriveListEntries();

}  // namespace OrvaneMac
