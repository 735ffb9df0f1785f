// Members of the controller whose routes are still being connected: each
// answers the default of its result type.
#include "ZQwinSrv/facade/clsController.h"

namespace OrvaneSrv {

bool clsController::Cont_login(const QString&, const QString&, bool) { return false; }
void clsController::Cont_Exit() {}
void clsController::Cont_DisConnect() {}
Integer clsController::Cont_InteractiveRestore(vb::CollectionPtr&, double&, const QString&, const QString&,
                                               const QString&, bool, bool, bool, bool, bool) {
  return 0;
}
vb::Variant clsController::Cont_Restore(const QString&, bool, bool, bool, bool, bool, bool, bool) { return {}; }
bool clsController::Cont_GetRemoteDirContents(const QString&, vb::CollectionPtr&, vb::CollectionPtr&) {
  return false;
}
QString clsController::GetErrorString() { return {}; }
bool clsController::Cont_CreateRemDir(const QString&) { return false; }
bool clsController::Cont_DeleteRemItem(const QString&, Long&) { return false; }
bool clsController::Cont_SearchRemItem(const QString&, const QString&, const QString&) { return false; }
bool clsController::Cont_DeleteRemFolder(const QString&, bool, bool) { return false; }
bool clsController::Cont_RenameRemItem(const QString&, const QString&, bool) { return false; }
bool clsController::Cont_CopyRemItem(const QString&, const QString&) { return false; }
QString clsController::Cont_GetQuotaInfo() { return {}; }
Integer clsController::Cont_CheckZQAcountStatus(const QString&) { return 0; }
Integer clsController::Cont_EnableVersioning(bool) { return 0; }
Integer clsController::Cont_AppType() { return 0; }
QString clsController::Cont_GetRemoteSize(const QString&, const QString&, Long) { return {}; }
bool clsController::Cont_GetMessageLogin() { return false; }
Integer clsController::ChkAccoutStatus(const QString&, const QString&) { return 3; }
bool clsController::cont_IsExeRunning(const QString&, bool, Long) { return false; }

}  // namespace OrvaneSrv
