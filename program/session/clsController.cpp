#include "program/session/clsController.h"

#include "ZQwinSrv/foundation/Transfer.h"
#include "platform/errors/RuntimeError.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/paths/WinPath.h"
#include "program/browse/MainWindowControls.h"
#include "program/browse/RemoteListingSource.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/Options.h"
#include "program/foundation/modMain.h"
#include "program/progress/ProgressWindow.h"
#include "program/session/SignIn.h"
#include "program/session/Transfer.h"
#include "program/windows/TrayIcon.h"

namespace OrvaneMac {

namespace {

const QString kOwner = QStringLiteral("clsController");

void TraceFailure(const vb::ErrorInfo& e, const QString& procedure) {
  TraceError(e, procedure, vb::OwnerKind::ClassModule, kOwner);
}

// The engine's work folder under the current folder (the program folder),
// removed by the engine's own routine; its answer is not used.
void RemoveEngineWorkFolder() {
  OrvaneSrv::Transfer transfer;
  (void)transfer.Trf_RemoveLocalDir(QStringLiteral("ORVANETEMP"));
}

void ClearRestoreItemSet() {
  ProgramState& p = Program();
  if (p.EnumRestoreItemSet) p.EnumRestoreItemSet->Clear();
  p.RestoreSetSize = 0;
}

}  // namespace

clsController& clsController::Instance() {
  static clsController instance;
  return instance;
}

clsController::clsController() = default;

void clsController::SetEngineFactory(EngineFactory factory) { factory_ = std::move(factory); }

EngineController clsController::NewEngine() {
  EngineController engine;
  if (factory_) {
    engine = factory_();
  } else {
    engine = std::dynamic_pointer_cast<OrvaneSrv::_clsController>(
        win::CreateObjectFromClassId(QString::fromLatin1(OrvaneSrv::kControllerClassId)));
  }
  // 13 "Type mismatch": no object, or one of another kind.
  if (!engine) vb::Raise(13);
  return engine;
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

bool clsController::Cont_login(const QString& username, const QString& passwd, bool bNonSSLPort) {
  bool result = false;
  vb::OnErrorGoTo(
      [&] {
        ReleaseEngines();
        const QString folder = win::ProgramFolder();
        const QString word = QStringLiteral("OrvaneMac");
        GeneralEngine()->InitEngine(folder, 1, username, word);
        result = GeneralEngine()->Cont_login(username, passwd, bNonSSLPort);
        RestoreEngine()->InitEngine(folder, 1, username, word);
        result = RestoreEngine()->Cont_login(username, passwd, bNonSSLPort);
        if (!result) GetErrorString();
        SessionUser_ = username;
        SessionPassword_ = passwd;
      },
      [&](const vb::ErrorInfo& e) { TraceFailure(e, QStringLiteral("Cont_login")); });
  return result;
}

void clsController::Cont_Exit() {
  vb::OnErrorGoTo(
      [&] {
        GeneralEngine()->Cont_DisConnect();
        RestoreEngine()->Cont_DisConnect();
        ReleaseEngines();
        modGeneral::ForgetUnrememberedPasswords();
        modGeneral::RemoveFromTray();
        modGeneral::EndProgram();
      },
      [&](const vb::ErrorInfo& e) { TraceFailure(e, QStringLiteral("Cont_Exit")); });
}

void clsController::Cont_DisConnect() {
  vb::OnErrorGoTo(
      [&] {
        GeneralEngine()->Cont_DisConnect();
        MainWindowControls& main = MainWindow();
        if (main.ColumnRemoteTreeView) main.ColumnRemoteTreeView->ClearNodes();
        RemoveEngineWorkFolder();
        Program().RemoteTreeConnected = false;
        if (main.SetQuotaBar) main.SetQuotaBar(0, 909095, QString());
        SetMainMousePointer(0);
        WriteTransferLog(gTransfer().Trf_ReadUserProfile(QStringLiteral("UserName"), false) +
                             QStringLiteral(" has logged out "),
                         0);
        gTransfer().Trf_DisableRemoteComponent(false);
        ReleaseEngines();
        modGeneral::ForgetUnrememberedPasswords();
      },
      [&](const vb::ErrorInfo& e) { TraceFailure(e, QStringLiteral("Cont_DisConnect")); });
}

void clsController::Cont_Restore(const QString& destdir, bool UNCompressopt, bool IncrementalOpt, bool mirroropt,
                                 bool /*optDelfile*/, bool /*DragRestore*/, bool /*WizardRestore*/,
                                 bool bRestoreOriginal) {
  ProgramState& p = Program();
  if (!p.EnumRestoreItemSet || p.EnumRestoreItemSet->Count() == 0) return;
  vb::OnErrorGoTo(
      [&] {
        p.RestoreRunning = true;
        ShowProgressWindowModeless();
        vb::CollectionPtr items = p.EnumRestoreItemSet;
        double size = p.RestoreSetSize;
        const Integer result = RestoreEngine()->Cont_InteractiveRestore(
            items, size, SessionUser_, SessionPassword_, destdir, UNCompressopt, IncrementalOpt, mirroropt, false,
            bRestoreOriginal);
        p.EnumRestoreItemSet = items;
        if (result == 1) WriteTransferLog(QStringLiteral("Completed the Restore."), 0);
      },
      [&](const vb::ErrorInfo& e) { TraceFailure(e, QStringLiteral("Cont_Restore")); });
  // Every way out leaves the program idle: a restore that failed half-way
  // must not keep every command refusing for the rest of the run.
  vb::ResumeNext next;
  next([] { UnloadProgressWindow(); });
  p.RestoreRunning = false;
  next([] { ClearRestoreItemSet(); });
  p.RestoreSetSize = 0;
}

QString clsController::GetErrorString() {
  QString text;
  vb::OnErrorGoTo(
      [&] {
        text = GeneralEngine()->GetErrorString();
        Program().LastEngineError = text;
      },
      [&](const vb::ErrorInfo& e) { TraceFailure(e, QStringLiteral("GetErrorString")); });
  return text;
}

// The pass-through operations: the general engine's answer unchanged, the
// engine's reason fetched after a failure where the windows show it, and
// the three that change the account refused while a job runs.
template <typename Result, typename Call>
Result clsController::PassThrough(const char* procedure, bool refuseWhileBusy, bool fetchErrorOnFailure,
                                  Call&& call) {
  Result result{};
  vb::OnErrorGoTo(
      [&] {
        if (refuseWhileBusy && modGeneral::JobProgressCheck()) return;
        result = call(*GeneralEngine());
        if constexpr (std::is_same_v<Result, bool>) {
          if (fetchErrorOnFailure && !result) GetErrorString();
        }
      },
      [&](const vb::ErrorInfo& e) { TraceFailure(e, QString::fromLatin1(procedure)); });
  return result;
}

bool clsController::Cont_GetRemoteDirContents(const QString& sServPath, vb::CollectionPtr& EnumItem,
                                              vb::CollectionPtr& EnumSnapshotItem) {
  return PassThrough<bool>("Cont_GetRemoteDirContents", false, true, [&](OrvaneSrv::_clsController& e) {
    return e.Cont_GetRemoteDirContents(sServPath, EnumItem, EnumSnapshotItem);
  });
}

bool clsController::Cont_CreateRemDir(const QString& sDirPath) {
  return PassThrough<bool>("Cont_CreateRemDir", true, true,
                           [&](OrvaneSrv::_clsController& e) { return e.Cont_CreateRemDir(sDirPath); });
}

bool clsController::Cont_DeleteRemItem(const QString& sRemPathStr, Long& statcode) {
  return PassThrough<bool>("Cont_DeleteRemItem", false, true,
                           [&](OrvaneSrv::_clsController& e) { return e.Cont_DeleteRemItem(sRemPathStr, statcode); });
}

bool clsController::Cont_SearchRemItem(const QString& sRemPathStr, const QString& Sch_Username,
                                       const QString& Sch_Password) {
  return PassThrough<bool>("Cont_SearchRemItem", false, false, [&](OrvaneSrv::_clsController& e) {
    return e.Cont_SearchRemItem(sRemPathStr, Sch_Username, Sch_Password);
  });
}

bool clsController::Cont_DeleteRemFolder(const QString& sRemPathStr, bool bSyncData, bool bIsFileDelete) {
  return PassThrough<bool>("Cont_DeleteRemFolder", false, true, [&](OrvaneSrv::_clsController& e) {
    return e.Cont_DeleteRemFolder(sRemPathStr, bSyncData, bIsFileDelete);
  });
}

bool clsController::Cont_RenameRemItem(const QString& sFromPathStr, const QString& sToPathStr, bool bFolderRename) {
  return PassThrough<bool>("Cont_RenameRemItem", true, true, [&](OrvaneSrv::_clsController& e) {
    return e.Cont_RenameRemItem(sFromPathStr, sToPathStr, bFolderRename);
  });
}

bool clsController::Cont_CopyRemItem(const QString& sFromPathStr, const QString& sToPathStr) {
  return PassThrough<bool>("Cont_CopyRemItem", true, true, [&](OrvaneSrv::_clsController& e) {
    return e.Cont_CopyRemItem(sFromPathStr, sToPathStr);
  });
}

QString clsController::Cont_GetQuotaInfo() {
  return PassThrough<QString>("Cont_GetQuotaInfo", false, false,
                              [&](OrvaneSrv::_clsController& e) { return e.Cont_GetQuotaInfo(); });
}

Integer clsController::Cont_CheckZQAcountStatus(const QString& Action) {
  return PassThrough<Integer>("Cont_CheckZQAcountStatus", false, false,
                              [&](OrvaneSrv::_clsController& e) { return e.Cont_CheckZQAcountStatus(Action); });
}

Integer clsController::Cont_EnableVersioning(bool bEnable) {
  return PassThrough<Integer>("Cont_EnableVersioning", false, false,
                              [&](OrvaneSrv::_clsController& e) { return e.Cont_EnableVersioning(bEnable); });
}

Integer clsController::Cont_AppType() {
  Integer result = 0;
  vb::ResumeNext next;
  next([&] { result = GeneralEngine()->Cont_AppType(); });
  return result;
}

QString clsController::Cont_GetRemoteSize(const QString& sFolderPath, const QString& sFolderPathDirect) {
  return PassThrough<QString>("Cont_GetRemoteSize", false, false, [&](OrvaneSrv::_clsController& e) {
    return e.Cont_GetRemoteSize(sFolderPath, sFolderPathDirect, 0);
  });
}

bool clsController::Cont_GetMessageLogin() {
  bool result = false;
  vb::ResumeNext next;
  next([&] { result = GeneralEngine()->Cont_GetMessageLogin(); });
  return result;
}

namespace {

class ControllerListing : public RemoteListingSource {
 public:
  bool Cont_GetRemoteDirContents(const QString& path, vb::CollectionPtr& items,
                                 vb::CollectionPtr& snapshots) override {
    return clsController::Instance().Cont_GetRemoteDirContents(path, items, snapshots);
  }
  QString GetErrorString() override { return modGeneral::dav_geterrorstring(); }
};

}  // namespace

void UseControllerListing() {
  static ControllerListing listing;
  if (!RemoteListing()) SetRemoteListing(&listing);
}

}  // namespace OrvaneMac
