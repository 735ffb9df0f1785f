#pragma once
// A recording stand-in for the engine's controller: every call is noted as
// "<engine number>:<operation>(<arguments>)" in one list shared by all the
// engines a test makes, and the answers come from that shared record, as
// the real controllers share the engine's one state. Tests only.

#include <QFile>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "ZQwinSrv/facade/_clsController.h"
#include "platform/errors/RuntimeError.h"
#include "program/session/clsController.h"

namespace OrvaneMac::testing {

struct EngineRecord {
  QStringList calls;
  // Each call is also appended to this file when it is named (for a child
  // process that ends before it could report).
  QString callFile;
  int enginesMade = 0;
  // Sign-in answers by engine number (true when not listed).
  std::map<int, bool> loginAnswers;
  // The answer of every Boolean pass-through operation.
  bool answer = true;
  // Answers of the next listings, in order (then `answer`).
  QList<bool> listingAnswers;
  // The account status the engine reports after a failed sign-in, and its
  // answer whether the service sent a sign-in message (else `answer`).
  Integer accountStatus = 3;
  std::optional<bool> messageLogin;
  Integer restoreResult = 1;
  QString errorText = QStringLiteral("The server refused the request.");
  QString quota = QStringLiteral("10/100");
  QString remoteSize = QStringLiteral("4096");
  Integer status = 2;
  // Runs inside the restore, as the engine's call-backs do.
  std::function<void()> duringRestore;
  // The operation (by name) that raises a run-time error instead of answering.
  QString failing;
};

class FakeEngineController : public OrvaneSrv::_clsController {
 public:
  FakeEngineController(std::shared_ptr<EngineRecord> record, int number)
      : record_(std::move(record)), number_(number) {}

  bool Cont_login(const QString& username, const QString& passwd, bool bNonSSLPort) override {
    Note("Cont_login", {username, passwd, Flag(bNonSSLPort)});
    auto found = record_->loginAnswers.find(number_);
    return found == record_->loginAnswers.end() || found->second;
  }
  void Cont_Exit() override { Note("Cont_Exit", {}); }
  void Cont_DisConnect() override { Note("Cont_DisConnect", {}); }
  void Cont_SetOsSystem(Integer otype) override { Note("Cont_SetOsSystem", {QString::number(otype)}); }
  void Cont_SetMode(Integer iMode) override { Note("Cont_SetMode", {QString::number(iMode)}); }
  void InitEngine(const QString& sAppPath, Integer iMode, const QString& GeoUsername,
                  const QString& sAppType) override {
    Note("InitEngine", {sAppPath, QString::number(iMode), GeoUsername, sAppType});
  }
  Long Cont_SetRestoreItem(const vb::CollectionPtr& objResitem, double) override {
    Note("Cont_SetRestoreItem", {});
    return objResitem ? static_cast<Long>(objResitem->Count()) : 0;
  }
  Integer Cont_InteractiveRestore(vb::CollectionPtr& objResitem, double& dTsetsize, const QString& sUser,
                                  const QString& sPass, const QString& destdir, bool compressopt, bool IncrementalOpt,
                                  bool mirroropt, bool encopt, bool bRestoreOriginal) override {
    Note("Cont_InteractiveRestore",
         {QString::number(objResitem ? objResitem->Count() : -1), QString::number(dTsetsize), sUser, sPass, destdir,
          Flag(compressopt), Flag(IncrementalOpt), Flag(mirroropt), Flag(encopt), Flag(bRestoreOriginal)});
    if (record_->duringRestore) record_->duringRestore();
    return record_->restoreResult;
  }
  vb::Variant Cont_Restore(const QString& destdir, bool, bool, bool, bool, bool, bool, bool) override {
    Note("Cont_Restore", {destdir});
    return {};
  }
  bool Cont_GetRemoteDirContents(const QString& sServPath, vb::CollectionPtr& EnumItem,
                                 vb::CollectionPtr& EnumSnapshotItem) override {
    Note("Cont_GetRemoteDirContents", {sServPath});
    EnumItem = std::make_shared<vb::Collection>();
    EnumSnapshotItem = std::make_shared<vb::Collection>();
    if (!record_->listingAnswers.isEmpty()) return record_->listingAnswers.takeFirst();
    return record_->answer;
  }
  QString GetErrorString() override {
    Note("GetErrorString", {});
    return record_->errorText;
  }
  bool Cont_CreateRemDir(const QString& sDirPath) override {
    Note("Cont_CreateRemDir", {sDirPath});
    return record_->answer;
  }
  bool Cont_DeleteRemItem(const QString& sRemPathStr, Long& statcode) override {
    Note("Cont_DeleteRemItem", {sRemPathStr, QString::number(statcode)});
    return record_->answer;
  }
  bool Cont_SearchRemItem(const QString& sRemPathStr, const QString& Sch_Username,
                          const QString& Sch_Password) override {
    Note("Cont_SearchRemItem", {sRemPathStr, Sch_Username, Sch_Password});
    return record_->answer;
  }
  bool Cont_DeleteRemFolder(const QString& sRemPathStr, bool bSyncData, bool bIsFileDelete) override {
    Note("Cont_DeleteRemFolder", {sRemPathStr, Flag(bSyncData), Flag(bIsFileDelete)});
    return record_->answer;
  }
  bool Cont_RenameRemItem(const QString& sFromPathStr, const QString& sToPathStr, bool bFolderRename) override {
    Note("Cont_RenameRemItem", {sFromPathStr, sToPathStr, Flag(bFolderRename)});
    return record_->answer;
  }
  bool Cont_CopyRemItem(const QString& sFromPathStr, const QString& sToPathStr) override {
    Note("Cont_CopyRemItem", {sFromPathStr, sToPathStr});
    return record_->answer;
  }
  QString Cont_GetQuotaInfo() override {
    Note("Cont_GetQuotaInfo", {});
    return record_->quota;
  }
  Integer Cont_CheckZQAcountStatus(const QString& Action) override {
    Note("Cont_CheckZQAcountStatus", {Action});
    return record_->status;
  }
  Integer Cont_EnableVersioning(bool bEnable) override {
    Note("Cont_EnableVersioning", {Flag(bEnable)});
    return record_->status;
  }
  Integer Cont_AppType() override {
    Note("Cont_AppType", {});
    return record_->status;
  }
  QString Cont_GetRemoteSize(const QString& sFolderPath, const QString& sFolderPathDirect,
                             Long nFileCount) override {
    Note("Cont_GetRemoteSize", {sFolderPath, sFolderPathDirect, QString::number(nFileCount)});
    return record_->remoteSize;
  }
  void SetCommonFlag(bool bTypeBackup, bool bSync) override { Note("SetCommonFlag", {Flag(bTypeBackup), Flag(bSync)}); }
  void ResetCommonFlag() override { Note("ResetCommonFlag", {}); }
  void SetInteractiveParam() override { Note("SetInteractiveParam", {}); }
  bool Cont_GetMessageLogin() override {
    Note("Cont_GetMessageLogin", {});
    return record_->messageLogin.value_or(record_->answer);
  }
  Integer ChkAccoutStatus(const QString& state_UserName, const QString& state_Password) override {
    Note("ChkAccoutStatus", {state_UserName, state_Password});
    return record_->accountStatus;
  }
  bool cont_IsExeRunning(const QString& Name, bool DeleteExe, Long nOsVersion) override {
    Note("cont_IsExeRunning", {Name, Flag(DeleteExe), QString::number(nOsVersion)});
    return false;
  }

 private:
  static QString Flag(bool value) { return value ? QStringLiteral("T") : QStringLiteral("F"); }
  void Note(const char* operation, const QStringList& arguments) {
    const QString line = QString::number(number_) + u':' + QLatin1String(operation) + u'(' +
                         arguments.join(u',') + u')';
    record_->calls.append(line);
    if (!record_->callFile.isEmpty()) {
      QFile file(record_->callFile);
      if (file.open(QIODevice::Append)) file.write((line + u'\n').toUtf8());
    }
    // 5 "Invalid procedure call or argument".
    if (record_->failing == QLatin1String(operation)) vb::Raise(5);
  }

  std::shared_ptr<EngineRecord> record_;
  int number_;
};

// Makes the program's client create recording engines (numbered from 1 in
// the order made) for the life of the object; both engine references start
// empty and end empty.
class ScopedFakeEngines {
 public:
  ScopedFakeEngines() : record(std::make_shared<EngineRecord>()) {
    clsController& client = clsController::Instance();
    client.ReleaseEngines();
    std::weak_ptr<EngineRecord> weak = record;
    client.SetEngineFactory([weak]() -> EngineController {
      auto r = weak.lock();
      if (!r) return nullptr;
      return std::make_shared<FakeEngineController>(r, ++r->enginesMade);
    });
  }
  ~ScopedFakeEngines() {
    clsController& client = clsController::Instance();
    client.ReleaseEngines();
    client.SetEngineFactory({});
  }
  ScopedFakeEngines(const ScopedFakeEngines&) = delete;
  ScopedFakeEngines& operator=(const ScopedFakeEngines&) = delete;

  // The calls noted since the last look, and forgets them.
  QStringList Take() {
    QStringList calls = record->calls;
    record->calls.clear();
    return calls;
  }

  std::shared_ptr<EngineRecord> record;
};

}  // namespace OrvaneMac::testing
