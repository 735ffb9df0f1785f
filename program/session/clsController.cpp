#include "program/session/clsController.h"

#include "platform/objects/ClassRegistry.h"

namespace OrvaneMac {

clsController& clsController::Instance() {
  static clsController instance;
  return instance;
}

clsController::clsController() = default;

void clsController::SetEngineFactory(EngineFactory factory) { factory_ = std::move(factory); }

EngineController clsController::NewEngine() {
  if (factory_) return factory_();
  return std::dynamic_pointer_cast<OrvaneSrv::_clsController>(
      win::CreateObjectFromClassId(QString::fromLatin1(OrvaneSrv::kControllerClassId)));
}

EngineController clsController::GeneralEngine() {
  if (!GeneralEngine_) GeneralEngine_ = NewEngine();
  return GeneralEngine_;
}

EngineController clsController::RestoreEngine() {
  if (!RestoreEngine_) RestoreEngine_ = NewEngine();
  return RestoreEngine_;
}

void clsController::ReleaseEngines() {
  GeneralEngine_.reset();
  RestoreEngine_.reset();
}

// The session operations are connected with the tray icon and the main
// window; until then each answers the default of its result type.
bool clsController::Cont_login(const QString&, const QString&, bool) { return false; }
void clsController::Cont_Exit() {}
void clsController::Cont_DisConnect() {}
void clsController::Cont_Restore(const QString&, bool, bool, bool, bool, bool, bool, bool) {}
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
QString clsController::Cont_GetRemoteSize(const QString&, const QString&) { return {}; }
bool clsController::Cont_GetMessageLogin() { return false; }

}  // namespace OrvaneMac
