#pragma once
// The engine's public controller. It has no fields of its own: every
// operation sets the one engine state or routes the call to the WebDAV and
// script side or to the rsync side, so two controllers of one process share
// one sign-in, one session, one error text and one set of job flags.

#include <QString>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "ZQwinSrv/facade/_clsController.h"
#include "ZQwinSrv/foundation/EngineState.h"
#include "platform/values/Collection.h"
#include "platform/values/Object.h"

namespace OrvaneSrv {

class ORVANESRV_EXPORT clsController : public _clsController {
 public:
  [[nodiscard]] QString TypeName() const override { return QStringLiteral("clsController"); }

  bool Cont_login(const QString& username, const QString& passwd, bool bNonSSLPort = false) override;
  void Cont_Exit() override;
  void Cont_DisConnect() override;
  void Cont_SetOsSystem(Integer otype) override;
  void Cont_SetMode(Integer iMode) override;
  // Prepares the engine for a client: application word and title, mode,
  // outside program names, secure transport and the program folder.
  void InitEngine(const QString& sAppPath, Integer iMode = 0, const QString& GeoUsername = {},
                  const QString& sAppType = {}) override;
  // Makes the engine use the caller's own collection (not a copy) as the
  // restore item set; answers its item count.
  Long Cont_SetRestoreItem(const vb::CollectionPtr& objResitem, double dTsetsize) override;
  Integer Cont_InteractiveRestore(vb::CollectionPtr& objResitem, double& dTsetsize, const QString& sUser,
                                  const QString& sPass, const QString& destdir, bool compressopt, bool IncrementalOpt,
                                  bool mirroropt, bool encopt, bool bRestoreOriginal = false) override;
  vb::Variant Cont_Restore(const QString& destdir, bool UNCompressopt, bool IncrementalOpt, bool mirroropt,
                           bool optDelfile = false, bool DragRestore = false, bool WizardRestore = false,
                           bool bRestoreOriginal = false) override;
  bool Cont_GetRemoteDirContents(const QString& sServPath, vb::CollectionPtr& EnumItem,
                                 vb::CollectionPtr& EnumSnapshotItem) override;
  QString GetErrorString() override;
  bool Cont_CreateRemDir(const QString& sDirPath) override;
  bool Cont_DeleteRemItem(const QString& sRemPathStr, Long& statcode) override;
  bool Cont_SearchRemItem(const QString& sRemPathStr, const QString& Sch_Username,
                          const QString& Sch_Password) override;
  bool Cont_DeleteRemFolder(const QString& sRemPathStr, bool bSyncData = false, bool bIsFileDelete = false) override;
  bool Cont_RenameRemItem(const QString& sFromPathStr, const QString& sToPathStr, bool bFolderRename = false) override;
  bool Cont_CopyRemItem(const QString& sFromPathStr, const QString& sToPathStr) override;
  QString Cont_GetQuotaInfo() override;
  Integer Cont_CheckZQAcountStatus(const QString& Action) override;
  Integer Cont_EnableVersioning(bool bEnable) override;
  Integer Cont_AppType() override;
  QString Cont_GetRemoteSize(const QString& sFolderPath, const QString& sFolderPathDirect,
                             Long nFileCount = 0) override;
  void SetCommonFlag(bool bTypeBackup, bool bSync = false) override;
  void ResetCommonFlag() override;
  void SetInteractiveParam() override;
  bool Cont_GetMessageLogin() override;
  Integer ChkAccoutStatus(const QString& state_UserName, const QString& state_Password) override;
  bool cont_IsExeRunning(const QString& Name, bool DeleteExe, Long nOsVersion = 0) override;

 private:
  // Exchange sort of listing entries by their lower-cased path field.
  void SortEnumItems(const vb::CollectionPtr& items);
};

// The engine's own controller (created on first use), through which the
// rsync side's exit reaches Cont_DisConnect.
clsController& gController();

}  // namespace OrvaneSrv
