// The Transfer members for local folders, the engine's collections, the
// quota-full test, the include list and the two small stored values.

#include "ZQwinSrv/foundation/Transfer.h"

#include "ZQwinSrv/foundation/EngineMessages.h"
#include "ZQwinSrv/foundation/LocalFolders.h"
#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextStream.h"
#include "platform/paths/WinPath.h"
#include "platform/text/Strings.h"

namespace OrvaneSrv {
namespace {

// Empties a collection between "Enter" and "Exit" trace lines; a failure is
// traced instead of the exit line and ends the emptying.
void EmptyTraced(const QString& procedure, const vb::CollectionPtr& collection) {
  WriteTrace(QStringLiteral("Enter ") + procedure + QStringLiteral("()"));
  vb::OnErrorGoTo(
      [&] {
        EmptyCollection(collection);
        WriteTrace(QStringLiteral("Exit ") + procedure + QStringLiteral("()"));
      },
      [&](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error in ") + procedure + QStringLiteral(" ") + QString::number(err.number) +
                   QStringLiteral(" ") + err.description);
      });
}

// Empties a collection the engine creates on first use; nothing to report.
void EmptyQuietly(vb::CollectionPtr& slot) {
  vb::ResumeNext next;
  next([&] { EmptyCollection(Items(slot)); });
}

}  // namespace

bool Transfer::NoItemAutoZqWin() const { return NoItemAutoZqWin_; }
void Transfer::NoItemAutoZqWin(bool value) { NoItemAutoZqWin_ = value; }

QString Transfer::StripNulls(QString& OriginalStr) {
  OriginalStr = TrimNULL(OriginalStr);
  return OriginalStr;
}

void Transfer::Trf_ClearEnumBackupItemSet() { EmptyQuietly(Engine().gcolEnumBackupItems); }

void Transfer::Trf_ClearEnumLocalDirContent() { EmptyQuietly(Engine().gcolEnumLocalDirContent); }

void Transfer::setLindex() { lindex_ = 1; }

void Transfer::Trf_UpdateTessaraDiskInfo() {
  EngineState& g = Engine();
  g.gbQuotaFull = false;
  if (!g.gbInteractiveRestore) return;
  // "used/total" as the WebDAV server reports them; "0" when it could not
  // tell, which is never full.
  QString quota;
  vb::ResumeNext next;
  next([&] { quota = gWebDavControl().GetQuotaInfo(); });
  g.gbQuotaFull = QuotaIsFull(quota);
}

bool Transfer::Trf_RemoveLocalDir(QString sPathToDel) {
  if (sPathToDel.endsWith(u'\\')) sPathToDel.chop(1);
  // The legacy walk added "\*.*" to whatever it was given, so an empty name
  // emptied the root of the current drive, and a drive root was emptied
  // though not removed.
  const QString refusal = RefuseFolderRemoval(sPathToDel);
  if (!refusal.isEmpty()) {
    WriteTrace(QStringLiteral("Trf_RemoveLocalDir refused '") + sPathToDel + QStringLiteral("': ") + refusal);
    return false;
  }
  // Resolved once, as the walk will list it: window messages are pumped
  // during the walk, and a change of the current folder must not move it.
  RemoveFolderTree(win::FullPath(sPathToDel + u'\\'));
  return true;
}

void Transfer::Trf_CreateLocalDir(QString newlcdir) {
  QString failed;
  vb::OnErrorGoTo([&] { CreateFolderPath(newlcdir, failed); },
                  [&](const vb::ErrorInfo& err) {
                    WriteTransferLog(QStringLiteral("Error creating local directory '") + LogName(failed) +
                                         QStringLiteral("', reason : ") + err.description,
                                     2);
                  });
}

void Transfer::Trf_ClearEnumRemoteDirContent() {
  EmptyTraced(QStringLiteral("Trf_ClearEnumRemoteDirContent"), Engine().gcolRemoteDirContent);
}

void Transfer::Trf_ClearEnum(vb::CollectionPtr& cEnum) { EmptyTraced(QStringLiteral("Trf_ClearEnum"), cEnum); }

void Transfer::Trf_ClearEnumRestoreItemSet() {
  // The restore program's own set: the caller sees it emptied.
  EmptyTraced(QStringLiteral("Trf_ClearEnumRestoreItemSet"), Engine().gcolRestoreItems);
}

vb::Variant Transfer::readIncludeFile(QString sAutoFileExtnPath, const QString& sCurrUsername) {
  vb::OnErrorGoTo(
      [&] {
        const vb::CollectionPtr& items = Items(Engine().gcolIncludeItems);
        EmptyCollection(items);
        const QString appFolder = AppFolder();
        QString path = appFolder + QStringLiteral("\\") + sAutoFileExtnPath;
        if (!win::FileExists(path)) {
          path = appFolder + QStringLiteral("\\") + vb::Trim(sCurrUsername) + QStringLiteral("\\") + sAutoFileExtnPath;
          if (!win::FileExists(path)) return;
        }
        WriteTrace(QStringLiteral("Path of the include file ") + path);
        win::TextStream in = win::OpenTextFile(path, win::ForReading, false, win::TristateTrue);
        while (!in.AtEndOfStream()) {
          const QString line = vb::Trim(in.ReadLine());
          if (!line.isEmpty()) items->Add(QStringLiteral("*") + line);
        }
        in.Close();
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error in readIncludeFile ") + QString::number(err.number) + QStringLiteral(" ") +
                   err.description);
      });
  return {};
}

}  // namespace OrvaneSrv
