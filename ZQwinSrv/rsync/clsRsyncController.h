#pragma once
// clsRsyncController: the engine's controller of the rsync restore route.
//
// The facade reaches the route only through the state's gRsyncController:
// sign-in (the account goes into the engine state; with SSL the tunnel's
// configuration is refreshed), restore (handed to the controller's own
// rsync engine), disconnect (the engine's client runs are ended). The
// controller also fixes the route's work folder when it is created and
// writes and removes the password and key files the rsync client reads.
//
// Every clsRsyncEngine creates a controller of its own for the service
// helpers below (dependency checks, the tunnel, path and text helpers), so
// several controllers exist at once; all work on the one engine state.

#include <QString>

#include <memory>

#include "ZQwinSrv/foundation/EngineState.h"
#include "platform/values/Object.h"
#include "platform/values/Variant.h"

namespace OrvaneSrv {

class clsRsyncEngine;

class clsRsyncController : public vb::Object {
 public:
  // Runs Cont_SetWinSystemPath, as every new controller does.
  clsRsyncController();
  ~clsRsyncController() override;
  [[nodiscard]] QString TypeName() const override { return QStringLiteral("clsRsyncController"); }

  // Members in the order of the class's interface.

  // Stores the account (untrimmed); with SSL checks the tunnel program and
  // its configuration and, when the tunnel is not running, rewrites the
  // configuration for the user's rsync server without starting it. Always
  // false; run-time errors reach the caller.
  bool Cont_login(const QString& username, const QString& passwd);
  // Disconnects the whole engine through the facade's own controller.
  void Cont_Exit();
  // Ends the client runs of the controller's engine.
  void Cont_DisConnect();
  // Restores the restore item set into `destdir` over rsync.
  vb::Variant Cont_Restore(const QString& destdir, bool UNCompressopt, bool IncrementalOpt, bool mirroropt,
                           bool bRestoreOriginal = false);
  // True when the program folder holds `sName`; a missing file is reported
  // (message box in the interactive modes, transfer-log error in mode 0).
  bool Cont_CheckDependFile(const QString& sName);
  // "ADD": writes the password file (and the key file while a private key
  // is held) into the work folder's "ORVANETEMP"; any other action removes
  // the password file and the drive work folder. Answers Empty.
  vb::Variant Cont_TempFolder(const QString& sAction, const QString& sUser, const QString& sPass);
  // C:\Data\x -> /cygdrive/C/Data/x ("" after a failure).
  QString cont_changewindowstorsyncpath(const vb::Variant& sPath);
  // A quoted "/cygdrive/c/Data/x" -> c:\Data\x ("" after a failure).
  QString Cont_ChangeRsycnToWinPath(const vb::Variant& sPath);
  // Rewrites the tunnel configuration through the identity transforms.
  vb::Variant EncryptDecryptConFile(bool bEncrypt);
  // The engine's statistics texts; with `bClear` they are emptied and ""
  // is answered.
  QString GetStatsMsg(bool bClear);
  QString GetStatsRestMsg(bool bClear);

  // Lists `sFolder` (below the account root, beginning with "/")
  // recursively for the search window as `sUser` and writes the listing
  // into the application folder's "OrvaneSearchResult.txt" (UTF-16LE with
  // byte-order mark). Sets the engine's mode to 1 and the signed-in user;
  // the tunnel and the work files are gone afterwards. True when the
  // listing was judged good.
  bool SearchItem(const QString& sFolder, const QString& sUser, const QString& sPassword);

  // Engine-internal helpers (used by clsRsyncEngine and the class itself).

  // Writes the tunnel configuration (the fixed server with `bFixedServer`,
  // else the user's "RSYNCSERVER") and, unless `bNoStart`, starts the
  // tunnel hidden and keeps its process id in glTunnelPid. Answers Empty.
  vb::Variant Cont_LaunchSSLTunnel(bool bNoStart, bool bFixedServer);
  // The rsync client and its three libraries are in the program folder.
  bool Cont_CheckSSLDependencies();
  // Replace-all helpers (a one-character find text / any find text).
  QString cont_ReplaceSection(const QString& sText, const QString& sFind, const QString& sReplace);
  QString Cont_ReplaceString(const QString& sText, const QString& sFind, const QString& sReplace);
  // Empties gcolEngineItems. Answers Empty.
  vb::Variant Cont_ClearCollection();
  // Deletes errlogSer<X>.txt and outputlogSer<X>.txt of the work folder.
  vb::Variant Cont_DeleteEngineLogs(const QString& sEngine, bool bFlag = false);

  // The controller's rsync engine, created on first use.
  clsRsyncEngine& RsyncEngine();

 private:
  void Cont_SetRestoreOptions(bool UNCompressopt, bool IncrementalOpt, bool mirroropt);
  bool Cont_RestoreMain(bool bRestoreOriginal);
  void RestorelogfileEntry(bool ok, const QString& remotePath, const QString& localPath);
  void Cont_EndRestoreOpr();
  bool Cont_chkfileopen(const QString& path);
  bool Cont_chkfileattr(const QString& path);
  bool CompareLocalRemoteFile(const QString& localPath, const QString& remotePath);
  void Cont_SetWinSystemPath();

  bool bUncompressFlag = false;
  bool bMirrorFlag = false;
  bool bIncrementalFlag = false;
  QString sRestoreDest;
  bool bRestoreOk = false;
  std::shared_ptr<clsRsyncEngine> oRsyncEngine;
};

// The engine state's rsync controller, created on first use.
clsRsyncController& gRsyncController();

// The tunnel's standard error, which the tunnel started by
// Cont_LaunchSSLTunnel writes: "tunnellog.txt" of the work folder.
[[nodiscard]] QString TunnelLogFile();

// Whether a user name may name work files: not empty after trimming, and
// without "\", "/", ".." or a control character.
[[nodiscard]] bool IsSafeWorkFileUser(const QString& user);

}  // namespace OrvaneSrv
