#pragma once
// The program's utility class Transfer: its INI settings and the names of
// its session logs.
//
//   user profile   application folder\orvane.ini         sections "Orvane"
//                                                         (every user key but
//                                                         "DateFormat"),
//                                                         "DateFormat", "Proxy"
//   details file   application folder\OrvaneDetails.ini   section "Orvane"
//   session logs   application folder\Session\<name>
//
// Password values never go into a profile: with the password flag the value
// is the password of the account named by the key, kept scrambled in that
// account's side file (SettingsStores.h). Every call opens, changes and
// closes its file; a missing key reads as "", and at most 255 characters of
// a value come back. Failures are traced, never raised. The engine reads
// and writes the same files through its own Transfer.
//
// The main window's control states are members too
// (program/browse/TransferComponentStates.cpp):
//   busy / idle            Trf_DisableComponent, Trf_EnableComponent: the
//                          hourglass and a disabled window around every long
//                          remote-tree operation (the calls do not nest:
//                          one idle call ends any number of busy calls);
//   disconnected /         Trf_DisableRemoteComponent, Trf_EnableRemoteComponent:
//   connected              the toolbar pictures, the remote tree and the menu
//                          items that need a signed-in account;
//   folder information     Trf_ShowRemoteDirInfo, Trf_HideRemoteDirInfo.
// They act on the controls the main window registered (MainWindow()); a
// control that is not there ends the procedure with its error line, and the
// controls changed before it keep their new state.
//
// The class's other members (selection, item sets, remote and local folder
// operations) come with the windows that use them.

#include <QString>

#include "program/foundation/ProgramState.h"
#include "platform/values/Variant.h"

class QWidget;

namespace OrvaneMac {

class PlainTreeView;
class PlainTreeNode;
class UniTreeViewMC;

class Transfer {
 public:
  // Stores `paramval` under the key `param` of the user profile; with
  // `sUserPwd`, as the scrambled password of the account `param`.
  void Trf_WriteUserProfile(const QString& param, const QString& paramval, bool sUserPwd);
  // Stores one value in section "Orvane" of the details file.
  void Trf_WriteZQDetails(const QString& param, const QString& paramval);
  // The value of `param` in the user profile; with `bUserPwd`, the password
  // of the account `param` (from its side file or the registry fallback).
  [[nodiscard]] QString Trf_ReadUserProfile(const QString& param, bool bUserPwd);
  // A value of section "Proxy" of the user profile.
  void Trf_WriteProxyProfile(const QString& param, const QString& paramval);
  [[nodiscard]] QString Trf_ReadProxyProfile(const QString& param);
  // Names a new session log "<kind> mm-dd-yyyy  hh-nn-ss.txt" in the folder
  // "Session" (Program().SessionLogFile) and creates it empty when no file
  // of that name is there. The result is Empty.
  vb::Variant Trf_CreateSession(const QString& LogEventType);
  // Forgets the session log; the result is Empty.
  vb::Variant Trf_ResetSession();
  // The value of `param` in section `sSection` of the INI file `sFilepath`.
  [[nodiscard]] QString Trf_ReadProfile(const QString& sFilepath, const QString& sSection, const QString& param);

  // The password scrambler shared with the engine (OrvaneSrv::EncryptPwd).
  [[nodiscard]] QString DecryptPwd(const QString& strText);
  [[nodiscard]] QString EncryptPwd(const QString& strText);

  // The main window's control states.
  void Trf_DisableComponent();
  // Idle; an idle window without a listed remote root is shown disconnected.
  void Trf_EnableComponent();
  // Unless `bDoNotRemtree`, also removes the remote root.
  void Trf_DisableRemoteComponent(bool bDoNotRemtree);
  void Trf_EnableRemoteComponent();
  void Trf_ShowRemoteDirInfo();
  void Trf_HideRemoteDirInfo();

  // Item-set helpers that nothing in the program calls. Empty the two
  // listing collections (Program().EnumLocalDirContent / EnumRemoteDirContent).
  void Trf_ClearEnumLocalDirContent();
  void Trf_ClearEnumRemoteDirContent();
  // Turns the stored backup set `sSetName` (Program().BackupSetList) into
  // "D_"/"F_" entries of Program().EnumSchBackupItemSet keyed "1", "2", ...;
  // false when the set is not there.
  bool Trf_FillBackupSetEnum(const QString& sSetName);
  // Turns the checked nodes below the node `nodeindex` of a plain tree
  // ("LocalTreeView": the backup item sets; "RemoteTreeView": the restore
  // item set and its size) into entries; a checked folder is taken whole,
  // unchecked folders are searched. `reffrm` is not used.
  void Trf_TraverseTree(QWidget* reffrm, PlainTreeView* Tree, long nodeindex);

  // Restore and delete item set: emptied unless a restore or a search runs.
  void Trf_ClearEnumRestoreItemSet();
  // The backup item sets (the first only while no job runs; it empties the
  // second first).
  void Trf_ClearEnumBackupItemSet();
  void Trf_ClearEnumSchBackupItemSet();

  // The restore destination checks (program/browse/TransferRestoreChecks.cpp):
  // the node selected in the window's "LocalTreeView" as a destination for
  // the restore item set; each refusal shows its message and answers false.
  bool Trf_validateRestoreData(QWidget* reffrm);
  // The same for a node of a plain tree (a drop target).
  bool Trf_validateDnDRestoreData(const PlainTreeNode& node);

  // The selected node of a tree (program/browse/TransferSelection.cpp). The
  // local questions look for the window's "ColumnLocalTreeView" or
  // "LocalTreeView"; the remote ones without a window at the main window's
  // remote tree. False or "" when nothing is selected.
  bool Trf_IsLocalSelectedFolder(QWidget* refform);
  bool Trf_IsLocalSelectedFile(QWidget* refform);
  bool Trf_CheckLocalSelection(QWidget* refform);
  // The selected node's path; raises when nothing is selected.
  QString Trf_getLocalSelectedItemPath(UniTreeViewMC* TreeView);
  QString Trf_getRemoteSelectedItemPath(QWidget* reffrm);
  bool Trf_IsRemoteSelectedFolder();
  bool Trf_IsRemoteSelectedFile();
  bool Trf_CheckRemoteSelection();
  // The selected remote item's parent folder, ending in "/".
  QString Trf_getRemoteSelectedParent();
  QString Trf_getRemoteSelectedItemName();
  // A local file's size as a size text; "" when it cannot be read.
  QString Trf_getLocalFileSize(const QString& FileNamePath);
  // Opens the desktop's search on drive C.
  void Trf_SearchLocal();

  // Folder creation under the selected node (program/browse/TransferFolders.cpp):
  // on the account from a given remote tree, and on the computer from a
  // local tree, which is then built again.
  void CreateRemoteDir(QWidget* reffrm, UniTreeViewMC* TvwControl);
  void CreateLocalDir(QWidget* reffrm, UniTreeViewMC* TvwControl);
  // Takes the selected node out of the remote tree (the account keeps it).
  void Trf_RemoveRemoteNode();

  // The quota display of the main window, refreshed from the engine.
  void Trf_UpdateTessaraDiskInfo();

  // The delete window's pass over the restore item set: each entry deleted
  // through the engine and logged, stopping once the user has cancelled;
  // then the window closes, the remote tree is listed anew and the set
  // emptied. With `bSyncData` (the sync variant) the window stays and the
  // tree is not listed. An earlier cancel only closes the window.
  void Trf_DoMultipledelete(bool bSyncData);
  // Appends the set's paths, one a line, to the delete window's list
  // (nothing calls it).
  void Trf_DeleteMultipleRemoteItems();

  // Remote folder creation under the selected node and remote rename of the
  // selected item (only hidden menu items reach them).
  void Trf_CreateRemoteDir();
  void Trf_RenameRemote();

  // Opens a document or web address with the desktop's program for it.
  void Trf_ViewFile(QWidget* reffrm, const QString& document);
};

// The program's Transfer, created on first use and kept for the run.
Transfer& gTransfer();

// The paths of the user profile and the details file.
[[nodiscard]] QString UserProfilePath();
[[nodiscard]] QString DetailsFilePath();

}  // namespace OrvaneMac

namespace OrvaneMac::modGeneral {

// The proxy settings pass their keys and values through these on their way
// into and out of the profile; both keep the text as it is.
[[nodiscard]] QString EncodeProfileText(const QString& text);
[[nodiscard]] QString DecodeProfileText(const QString& text);

}  // namespace OrvaneMac::modGeneral
