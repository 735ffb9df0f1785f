// The controller's work on the remote account without restoring: the
// listing of one folder with the snapshot folders first, the account-status
// query, and the operations handed unchanged to the WebDAV client, the
// script client or the rsync side. None of them lets a failure through: a
// failing step is passed over and the result so far is answered.
#include <QCollator>
#include <QLocale>
#include <QStringList>

#include "ZQwinSrv/facade/clsController.h"
#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Util.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "ZQwinSrv/server/HttpFunctions.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "platform/errors/RuntimeError.h"
#include "platform/text/Strings.h"
#include "platform/text/UserLocale.h"

namespace OrvaneSrv {
namespace {

// The path field of a listing entry, lower-cased.
QString PathOf(const vb::Variant& entry) { return vb::LCase(gUtil().GetInfoFromKey(3, entry.ToString())); }

// The account-status code of a status reply.
Integer AccountStatusOf(const QString& reply) {
  const QString text = vb::Trim(reply);
  // A reply without a blank is its own first word: the service answers a
  // lone "Expired" or "Cancelled" as well as one followed by more text.
  const qsizetype blank = text.indexOf(u' ');
  const QString word = vb::LCase(blank < 0 ? text : text.left(blank));
  const QString head = vb::LCase(text.left(16));
  if (word == u"cancelled") return 1;
  if (word == u"expired") return 2;
  if (head == u"invalid password") return 4;
  if (head == u"invalid username") return 5;
  return 3;
}

}  // namespace

bool clsController::Cont_GetRemoteDirContents(const QString& sServPath, vb::CollectionPtr& EnumItem,
                                              vb::CollectionPtr& EnumSnapshotItem) {
  EngineState& g = Engine();
  bool result = false;
  vb::ResumeNext next;
  next([&] { g.gbListingAtRoot = GetRemotePath(vb::Trim(sServPath)).isEmpty(); });
  next([&] { ClearBacksetData(Items(g.gcolEnumSnapshots)); });
  next([&] { result = gWebDavControl().HttpEnumDirectory(sServPath); });
  const vb::CollectionPtr& items = Items(g.gcolEnumItems);
  const vb::CollectionPtr& snapshots = Items(g.gcolEnumSnapshots);
  next([&] {
    if (snapshots->Count() > 0 && g.gbListingAtRoot) SortEnumItems(items);
  });
  EnumItem = items;
  // Each snapshot folder goes in front of the list in turn, so they lead it
  // in the reverse of their own order.
  next([&] {
    for (const vb::Variant& snapshot : *snapshots) {
      if (items->Count() > 0)
        items->Add(snapshot, std::nullopt, vb::Variant(static_cast<Long>(1)));
      else
        items->Add(snapshot);
    }
  });
  EnumSnapshotItem = snapshots;
  return result;
}

void clsController::SortEnumItems(const vb::CollectionPtr& items) {
  if (!items) return;
  const qsizetype n = items->Count();
  if (n <= 1) return;
  // The user's locale orders the names, as the system's text comparison
  // did: accented letters beside their base letters, punctuation by its
  // collation weight, not by code unit.
  QCollator collator(QLocale(vb::CurrentUserLocale().name));
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  for (qsizetype i = 1; i <= n - 1; ++i) {
    for (qsizetype j = i + 1; j <= items->Count(); ++j) {
      const QString a = PathOf(items->Item(i));
      const QString b = PathOf(items->Item(j));
      if (collator.compare(a, b) <= 0) continue;
      // Copies of both go in before the other's place, then the two
      // originals (now one place further on) go.
      const vb::Variant first = items->Item(i);
      const vb::Variant second = items->Item(j);
      items->Add(first, std::nullopt, vb::Variant(static_cast<Long>(j)));
      items->Add(second, std::nullopt, vb::Variant(static_cast<Long>(i)));
      items->Remove(i + 1);
      items->Remove(j + 1);
    }
  }
}

Integer clsController::ChkAccoutStatus(const QString& state_UserName, const QString& state_Password) {
  Integer result = 3;
  vb::ResumeNext next;
  next([&] {
    const QString user = vb::Trim(state_UserName);
    const QString password = vb::Trim(state_Password);
    if (user.isEmpty() || password.isEmpty()) return;
    HttpFunctions& http = gHttpFunctions();
    const QString page = QStringLiteral("/cgi-bin/get_account_status?");
    const QString host = CurrentServiceHosts().sLookupHost;
    QString status;
    QString body = QStringLiteral("user=") + http.URLEncode(user) + QStringLiteral("&password=") +
                   http.URLEncode(password);
    QString reply = http.HttpPostGet(host, page, body, 3, status, 0);
    if (vb::LCase(status) == u"cache access denied.") {
      status = QStringLiteral("Cache Access Denied.");
      body = QStringLiteral("user=") + http.URLEncode(user) + QStringLiteral("&password=") + http.URLEncode(password);
      reply = http.HttpPostGet(host, page, body, 3, status, 0);
      status.clear();
    }
    if (!reply.isEmpty()) result = AccountStatusOf(reply);
  });
  return result;
}

bool clsController::Cont_CreateRemDir(const QString& sDirPath) {
  bool result = false;
  vb::ResumeNext next;
  next([&] { result = gWebDavControl().CreateDirectory(sDirPath); });
  return result;
}

bool clsController::Cont_DeleteRemItem(const QString& sRemPathStr, Long& statcode) {
  bool result = false;
  vb::ResumeNext next;
  // Always a plain delete: the path goes out as the caller gives it.
  next([&] { result = gWebDavControl().Deleteitem(sRemPathStr, statcode, false, false); });
  return result;
}

bool clsController::Cont_SearchRemItem(const QString& sRemPathStr, const QString& Sch_Username,
                                       const QString& Sch_Password) {
  bool result = false;
  vb::ResumeNext next;
  next([&] { result = gRsyncController().SearchItem(sRemPathStr, Sch_Username, Sch_Password); });
  return result;
}

bool clsController::Cont_DeleteRemFolder(const QString& sRemPathStr, bool bSyncData, bool bIsFileDelete) {
  bool result = false;
  vb::ResumeNext next;
  next([&] { result = gHttpFunctions().DeleteRemoteFolder(sRemPathStr, bSyncData, bIsFileDelete); });
  return result;
}

bool clsController::Cont_RenameRemItem(const QString& sFromPathStr, const QString& sToPathStr, bool bFolderRename) {
  bool result = false;
  vb::ResumeNext next;
  next([&] { result = gWebDavControl().RenameItem(sFromPathStr, sToPathStr, bFolderRename); });
  return result;
}

bool clsController::Cont_CopyRemItem(const QString& sFromPathStr, const QString& sToPathStr) {
  bool result = false;
  vb::ResumeNext next;
  next([&] { result = gWebDavControl().copyitem(sFromPathStr, sToPathStr); });
  return result;
}

QString clsController::Cont_GetQuotaInfo() {
  QString result;
  vb::ResumeNext next;
  next([&] { result = gWebDavControl().GetQuotaInfo(); });
  return result;
}

Integer clsController::Cont_CheckZQAcountStatus(const QString& Action) {
  Integer result = 0;
  vb::ResumeNext next;
  next([&] { result = gHttpFunctions().CheckZqAccountStatus(Action); });
  return result;
}

Integer clsController::Cont_EnableVersioning(bool bEnable) {
  Integer result = 0;
  vb::ResumeNext next;
  next([&] { result = gHttpFunctions().EnableFileVersioning(bEnable, false); });
  return result;
}

QString clsController::Cont_GetRemoteSize(const QString& sFolderPath, const QString& sFolderPathDirect,
                                          Long /*nFileCount*/) {
  QString result;
  vb::ResumeNext next;
  next([&] { result = gHttpFunctions().GetRemoteSize(sFolderPath, sFolderPathDirect); });
  return result;
}

}  // namespace OrvaneSrv
