#pragma once
// The program's client of the engine: the one place where the windows reach
// the engine for a session operation. It holds the session's two engine
// controllers (one for everything but the restore, one for the restore),
// keeps the engine's last error text for the windows, refuses some
// operations while a job runs, and carries out the program's side of
// restore, disconnect and exit. One instance serves the process.

#include <QString>

#include <functional>
#include <type_traits>
#include <memory>

#include "ZQwinSrv/facade/_clsController.h"
#include "program/foundation/ProgramState.h"
#include "platform/values/Collection.h"

namespace OrvaneMac {

using EngineController = std::shared_ptr<OrvaneSrv::_clsController>;

class clsController {
 public:
  static clsController& Instance();

  bool Cont_login(const QString& username, const QString& passwd, bool bNonSSLPort);
  void Cont_Exit();
  void Cont_DisConnect();
  void Cont_Restore(const QString& destdir, bool UNCompressopt, bool IncrementalOpt, bool mirroropt,
                    bool optDelfile = false, bool DragRestore = false, bool WizardRestore = false,
                    bool bRestoreOriginal = false);
  bool Cont_GetRemoteDirContents(const QString& sServPath, vb::CollectionPtr& EnumItem,
                                 vb::CollectionPtr& EnumSnapshotItem);
  QString GetErrorString();
  bool Cont_CreateRemDir(const QString& sDirPath);
  bool Cont_DeleteRemItem(const QString& sRemPathStr, Long& statcode);
  bool Cont_SearchRemItem(const QString& sRemPathStr, const QString& Sch_Username, const QString& Sch_Password);
  bool Cont_DeleteRemFolder(const QString& sRemPathStr, bool bSyncData = false, bool bIsFileDelete = false);
  bool Cont_RenameRemItem(const QString& sFromPathStr, const QString& sToPathStr, bool bFolderRename = false);
  bool Cont_CopyRemItem(const QString& sFromPathStr, const QString& sToPathStr);
  QString Cont_GetQuotaInfo();
  Integer Cont_CheckZQAcountStatus(const QString& Action);
  Integer Cont_EnableVersioning(bool bEnable);
  Integer Cont_AppType();
  QString Cont_GetRemoteSize(const QString& sFolderPath, const QString& sFolderPathDirect);
  bool Cont_GetMessageLogin();

  // The session's two engine controllers (created on first use).
  EngineController GeneralEngine();
  EngineController RestoreEngine();
  // Releases both engine controllers; the next use creates new ones.
  void ReleaseEngines();

  [[nodiscard]] const QString& SessionUser() const { return SessionUser_; }
  [[nodiscard]] const QString& SessionPassword() const { return SessionPassword_; }

  // Tests: how a new engine controller is made (by default the engine's
  // controller created by class identifier through the object layer).
  using EngineFactory = std::function<EngineController()>;
  void SetEngineFactory(EngineFactory factory);

 private:
  clsController();
  EngineController NewEngine();
  template <typename Result, typename Call>
  Result PassThrough(const char* procedure, bool refuseWhileBusy, bool fetchErrorOnFailure, Call&& call);

  EngineController GeneralEngine_;
  EngineController RestoreEngine_;
  QString SessionUser_;
  QString SessionPassword_;
  EngineFactory factory_;
};

// Makes the program's engine client the remote tree's listing source,
// unless a source is installed already. A failed listing's reason is the
// engine's current error text.
void UseControllerListing();

}  // namespace OrvaneMac
