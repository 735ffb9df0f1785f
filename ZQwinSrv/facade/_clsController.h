#pragma once
// The default interface of the engine's public controller, in slot order.
// The restore program holds its engine controllers through this interface
// (created by the controller's class identifier through the object layer),
// so a test can stand a recording engine in their place.
//
// In-out arguments of the legacy interface are references here; optional
// ones carry their default values.

#include <QString>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "ZQwinSrv/foundation/EngineState.h"
#include "platform/values/Collection.h"
#include "platform/values/Object.h"
#include "platform/values/Variant.h"

namespace OrvaneSrv {

// The controller's class identifier and program identifier.
inline constexpr const char* kControllerClassId = "{F6A1E45B-C853-4269-8B49-2CA05A2EC907}";
inline constexpr const char* kControllerProgId = "OrvaneSrv.clsController";

class ORVANESRV_EXPORT _clsController : public vb::Object {
 public:
  // 1
  virtual bool Cont_login(const QString& username, const QString& passwd, bool bNonSSLPort = false) = 0;
  // 2
  virtual void Cont_Exit() = 0;
  // 3
  virtual void Cont_DisConnect() = 0;
  // 4
  virtual void Cont_SetOsSystem(Integer otype) = 0;
  // 5
  virtual void Cont_SetMode(Integer iMode) = 0;
  // 6
  virtual void InitEngine(const QString& sAppPath, Integer iMode = 0, const QString& GeoUsername = {},
                          const QString& sAppType = {}) = 0;
  // 7: the engine uses the caller's own collection (not a copy).
  virtual Long Cont_SetRestoreItem(const vb::CollectionPtr& objResitem, double dTsetsize) = 0;
  // 8: 1 when the restore succeeded, otherwise 0.
  virtual Integer Cont_InteractiveRestore(vb::CollectionPtr& objResitem, double& dTsetsize, const QString& sUser,
                                          const QString& sPass, const QString& destdir, bool compressopt,
                                          bool IncrementalOpt, bool mirroropt, bool encopt,
                                          bool bRestoreOriginal = false) = 0;
  // 9
  virtual vb::Variant Cont_Restore(const QString& destdir, bool UNCompressopt, bool IncrementalOpt, bool mirroropt,
                                   bool optDelfile = false, bool DragRestore = false, bool WizardRestore = false,
                                   bool bRestoreOriginal = false) = 0;
  // 10: on return the two collections are the engine's own listing
  // collections (not copies).
  virtual bool Cont_GetRemoteDirContents(const QString& sServPath, vb::CollectionPtr& EnumItem,
                                         vb::CollectionPtr& EnumSnapshotItem) = 0;
  // 11
  virtual QString GetErrorString() = 0;
  // 12
  virtual bool Cont_CreateRemDir(const QString& sDirPath) = 0;
  // 13
  virtual bool Cont_DeleteRemItem(const QString& sRemPathStr, Long& statcode) = 0;
  // 14
  virtual bool Cont_SearchRemItem(const QString& sRemPathStr, const QString& Sch_Username,
                                  const QString& Sch_Password) = 0;
  // 15
  virtual bool Cont_DeleteRemFolder(const QString& sRemPathStr, bool bSyncData = false,
                                    bool bIsFileDelete = false) = 0;
  // 16
  virtual bool Cont_RenameRemItem(const QString& sFromPathStr, const QString& sToPathStr,
                                  bool bFolderRename = false) = 0;
  // 17
  virtual bool Cont_CopyRemItem(const QString& sFromPathStr, const QString& sToPathStr) = 0;
  // 18: used space, "/", total space.
  virtual QString Cont_GetQuotaInfo() = 0;
  // 19
  virtual Integer Cont_CheckZQAcountStatus(const QString& Action) = 0;
  // 20
  virtual Integer Cont_EnableVersioning(bool bEnable) = 0;
  // 21
  virtual Integer Cont_AppType() = 0;
  // 22: the file count is not used.
  virtual QString Cont_GetRemoteSize(const QString& sFolderPath, const QString& sFolderPathDirect,
                                     Long nFileCount = 0) = 0;
  // 23
  virtual void SetCommonFlag(bool bTypeBackup, bool bSync = false) = 0;
  // 24
  virtual void ResetCommonFlag() = 0;
  // 25
  virtual void SetInteractiveParam() = 0;
  // 26
  virtual bool Cont_GetMessageLogin() = 0;
  // 27: 1 cancelled, 2 expired, 3 no finding, 4 invalid password, 5
  // invalid user name.
  virtual Integer ChkAccoutStatus(const QString& state_UserName, const QString& state_Password) = 0;
  // 28
  virtual bool cont_IsExeRunning(const QString& Name, bool DeleteExe, Long nOsVersion = 0) = 0;
};

}  // namespace OrvaneSrv
