// The controller's restore: the job flags around it, the session log, the
// route choice (WebDAV when the user decrypts or uncompresses, rsync
// otherwise), the user's stored private key and the fall-back from a failed
// rsync run to WebDAV.
#include "ZQwinSrv/facade/clsController.h"
#include "ZQwinSrv/foundation/EngineMessages.h"
#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/SideFiles.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "ZQwinSrv/server/clsWebdavController.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/text/Strings.h"

namespace OrvaneSrv {
namespace {

QString ErrorLine(const QString& procedure, const vb::ErrorInfo& e) {
  return QStringLiteral("Error in ") + procedure + QStringLiteral(" of clsController, Reason : ") + e.description +
         QStringLiteral("  ") + QString::number(e.number);
}

bool IsTrue(const vb::Variant& v) {
  bool result = false;
  vb::ResumeNext next;
  next([&] { result = v.ToBoolean(); });
  return result;
}

// The user's stored private key, unscrambled: the registry value first, the
// first line of the user's key file when that is empty.
QString StoredEncKey() {
  const EngineState& g = Engine();
  QString stored = ReadProfilefromRegistry(QStringLiteral("ENC") + g.gsUserName);
  // A user name that could leave the user's folder names no key file.
  if (stored.isEmpty() && IsSafeWorkFileUser(g.gsUserName))
    stored = ReadTextFileLine(g.gsAppPath + g.gsAppWord + QStringLiteral("\\") + g.gsUserName +
                              QStringLiteral("\\EncPswdFile.txt"));
  return ScrambleKeyText(0, stored);
}

}  // namespace

Integer clsController::Cont_InteractiveRestore(vb::CollectionPtr& objResitem, double& dTsetsize,
                                               const QString& /*sUser*/, const QString& /*sPass*/,
                                               const QString& destdir, bool compressopt, bool IncrementalOpt,
                                               bool mirroropt, bool encopt, bool bRestoreOriginal) {
  Integer result = 0;
  vb::OnErrorGoTo(
      [&] {
        EngineState& g = Engine();
        SetCommonFlag(false, false);
        SetInteractiveParam();
        Cont_SetRestoreItem(objResitem, dTsetsize);
        g.gbInteractiveRestore = true;
        const bool ok = IsTrue(
            Cont_Restore(destdir, compressopt, IncrementalOpt, mirroropt, encopt, false, false, bRestoreOriginal));
        if (g.gbRestoreFailed && !g.gbErrorShown)
          gOptions().clsMessageBox(GetMessageText(1) + gWebDavControl().dav_geterrorstring(), 0, 0);
        // Both routes answer true for a run the user stopped, and the rsync
        // route also for a run that failed and was reported: neither has
        // restored the set.
        result = ok && !g.gbJobStopped && !g.gbRestoreFailed ? 1 : 0;
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(ErrorLine(QStringLiteral("Cont_InteractiveRestore"), e));
        result = 0;
      });
  // The job ends on every road, so a failed restore leaves no job flag set
  // for the next one.
  ResetCommonFlag();
  return result;
}

vb::Variant clsController::Cont_Restore(const QString& destdir, bool UNCompressopt, bool /*IncrementalOpt*/,
                                        bool mirroropt, bool /*optDelfile*/, bool /*DragRestore*/,
                                        bool /*WizardRestore*/, bool bRestoreOriginal) {
  vb::Variant result;
  EngineState& g = Engine();
  return vb::OnErrorGoTo(
      [&] {
        WriteTransferLog(QString(), 5);
        gTransfer().Trf_CreateSession(QStringLiteral("Restore"));
        const QString decrypt = gTransfer().Trf_ReadUserProfile(QStringLiteral("DECRYPT"));
        ResetTransferCounters();
        ResetSummaryCounters();
        g.gbNeedTotalSize = true;
        // Only exactly "1" asks for decryption on the WebDAV side.
        if (decrypt == u"1" || UNCompressopt) {
          g.gbWebdavRestore = true;
          g.gfStartTime = g.gfStartTimeRsync = vb::Timer();
          result = gWebdavController().Cont_Restore(destdir, UNCompressopt, true, mirroropt, bRestoreOriginal);
        } else {
          g.gbWebdavRestore = false;
          g.gbHaveEncKey = false;
          g.gsEncKey = StoredEncKey();
          g.gbHaveEncKey = !g.gsEncKey.isEmpty();
          result = gRsyncController().Cont_Restore(destdir, false, true, mirroropt, bRestoreOriginal);
          if (!IsTrue(result) && !g.gbCancelled) {
            if (g.gbHaveEncKey) {
              // The key can only be used by the rsync client: no fall-back.
              WriteTransferLog(
                  QStringLiteral("Unable to continue the restore operation, Refer the log for more information."), 0);
              g.gbRestoreFailed = true;
              g.gfStartTime = g.gfStartTimeRsync = 0;
            } else {
              g.gbCommonFlag = true;
              ResetTransferCounters();
              WriteTransferLog(QStringLiteral("Switched to alternate method or protocol"), 0);
              g.gbWebdavRestore = true;
              result = gWebdavController().Cont_Restore(destdir, false, true, mirroropt, bRestoreOriginal);
            }
          }
        }
        g.gfStartTime = g.gfStartTimeRsync = 0;
        return result;
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(ErrorLine(QStringLiteral("Cont_Restore"), e));
        return result;
      });
}

}  // namespace OrvaneSrv
