// clsWebdavController: the WebDAV restore route. Cont_Restore walks the
// restore item set (folders through their remote listings, files one by
// one), Cont_RestoreFile restores one file, and the walk ends with the
// summary lines of the transfer log.
//
// Nothing is written outside the destination: every part of a remote path
// that becomes a local folder or file name is checked after decoding, and
// the local folder must stay below the destination (below its drive when
// restoring to the original place).
#include <QStringList>

#include "ZQwinSrv/foundation/EngineMessages.h"
#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/SideFiles.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/Util.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "ZQwinSrv/server/clsWebdavController.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

namespace OrvaneSrv {
namespace {

const QString kCancelText = QStringLiteral("Operation canceled by user.");
const QString kAuthText = QStringLiteral("Authentication failure, your username or password is incorrect.");
const QString kForbiddenText = QStringLiteral("Forbidden.");
const QString kEncryptedText =
    QStringLiteral("Encrypted files cannot be decrypted by this restore method, restore them with the default options");
const QString kSnapshotFolder = QStringLiteral("BackUp_nightly.");

QString TrueFalse(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

bool JobStopped() {
  const EngineState& g = Engine();
  return g.gbCancelled || g.gbRemoteError || g.gbRestoreFailed;
}

QString SpecialCharactersReason(const QString& kind) {
  return QStringLiteral(", Reason : Windows does not allow special characters like \\ / : * ? ") + u'"' +
         QStringLiteral(" > < | in ") + kind;
}

// A name that may become part of a local path: not empty, not "." or "..",
// and without separators, a colon, NUL or another control character.
bool IsSafeSegment(const QString& segment) {
  if (segment.isEmpty() || segment == u"." || segment == u"..") return false;
  for (const QChar c : segment) {
    if (c == u'\\' || c == u'/' || c == u':' || c.unicode() < 32 || c.unicode() == 127) return false;
  }
  return true;
}

// Every part of the remote path below the account root is such a name.
bool IsSafeRemotePath(const QString& filepath) {
  const QStringList parts = GetRemotePath(filepath).split(u'/');
  for (const QString& part : parts) {
    if (!IsSafeSegment(part)) return false;
  }
  return true;
}

// A Windows folder path with "." and ".." worked out and ending in "\";
// "" when ".." would climb above the drive.
QString NormalFolder(const QString& path) {
  QStringList kept;
  for (const QString& part : QString(path).replace(u'/', u'\\').split(u'\\', Qt::SkipEmptyParts)) {
    if (part == u".") continue;
    if (part == u"..") {
      if (kept.size() <= 1) return {};
      kept.removeLast();
      continue;
    }
    kept << part;
  }
  return kept.join(u'\\') + u'\\';
}

bool IsBelow(const QString& folder, const QString& root) {
  const QString f = NormalFolder(folder);
  const QString r = NormalFolder(root);
  return !f.isEmpty() && !r.isEmpty() && f.startsWith(r, Qt::CaseInsensitive);
}

// The original place of a server path: the part after "/Files/" with "\"
// for "/" and a ":" after its first character (C/Users/x/a.txt gives
// C:\Users\x\a.txt).
QString OriginalPath(const QString& serverPath) {
  const qsizetype files = serverPath.indexOf(QStringLiteral("/Files/"));
  QString rest = files < 0 ? serverPath : serverPath.mid(files + 7);
  rest.replace(u'/', u'\\');
  return rest.isEmpty() ? rest : rest.left(1) + u':' + rest.mid(1);
}

// The folder a file or folder item goes to in the original place.
QString OriginalFolder(const QString& serverPath, bool folderItem) {
  QString path = OriginalPath(serverPath);
  if (folderItem && path.endsWith(u'\\')) path.chop(1);
  const qsizetype last = path.lastIndexOf(u'\\');
  return last < 0 ? path + u'\\' : path.left(last + 1);
}

// Leaves out a snapshot folder ("<sep>BackUp_nightly.<two characters><user>")
// and the separator after it.
QString WithoutSnapshotFolder(const QString& path, QChar separator) {
  const qsizetype p = vb::InStr(path, separator + kSnapshotFolder);
  if (p == 0) return path;
  return vb::Left(path, p) + vb::Mid(path, p + 16 + vb::Len(Engine().gsUserName) + 3);
}

}  // namespace

vb::Variant clsWebdavController::Cont_Restore(const QString& destdir, bool UNCompressopt, bool IncrementalOpt,
                                              bool mirroropt, bool bRestoreOriginal) {
  EngineState& g = Engine();
  bool result = false;
  vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter Cont_Restore") + destdir + TrueFalse(UNCompressopt) +
                   TrueFalse(IncrementalOpt) + TrueFalse(mirroropt));
        ClearAllMessages();
        sRestoreDest = destdir;
        g.gbWebdavRestoreOk = true;
        Cont_SetRestoreOptions(UNCompressopt, IncrementalOpt, mirroropt);
        const QString options = gOptions().Opt_MakeResOptionStr(UNCompressopt, IncrementalOpt, mirroropt);
        if (vb::Trim(gTransfer().Trf_ReadUserProfile(QStringLiteral("DECRYPT"))) == u"1") {
          WriteTransferLog(QStringLiteral("Mode : Interactive Restore : Decrypt option selected : ") + options);
        } else {
          WriteTransferLog(QStringLiteral("Mode : Interactive Restore ") + options);
        }
        bRestoreOriginal_ = bRestoreOriginal;
        Cont_RestoreMain(bRestoreOriginal);
        bRestoreOriginal_ = false;
        Cont_SetRestoreOptions(false, false, false);
        result = g.gbWebdavRestoreOk;
        const QString error = gWebDavControl().dav_geterrorstring();
        if (!result && !error.isEmpty() && error != u"Path/File access error") g.gbRemoteError = true;
      },
      [&](const vb::ErrorInfo& e) { WriteTrace(QString::number(e.number) + e.description); });
  g.gbWebdavRestore = false;
  WriteTrace(QStringLiteral("Exit Cont_Restore"));
  return result;
}

void clsWebdavController::Cont_SetRestoreOptions(bool UNCompressopt, bool IncrementalOpt, bool mirroropt) {
  vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter Cont_SetRestoreOptions ") + TrueFalse(UNCompressopt) +
                   TrueFalse(IncrementalOpt) + TrueFalse(mirroropt));
        UNZIPF_ = UNCompressopt;
        bIncrementalFlag = IncrementalOpt;
      },
      [](const vb::ErrorInfo& e) { WriteTrace(QString::number(e.number) + e.description); });
  WriteTrace(QStringLiteral("Exit Cont_SetRestoreOptions "));
}

bool clsWebdavController::Cont_RestoreMain(bool bRestoreOriginal) {
  EngineState& g = Engine();
  return vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter Cont_RestoreMain "));
        EnumEncryptedFiles();
        const vb::CollectionPtr items = Items(g.gcolRestoreItems);
        if (items->Count() == 0) {
          WriteTrace(QStringLiteral("Exit Cont_RestoreMain = ") + TrueFalse(false));
          return false;
        }
        g.gbCancelled = false;
        g.gbCommonFlag = true;
        if (g.gbNeedTotalSize) gProgressDisplay().getTotalSize();
        if (bRestoreOriginal) {
          const QString text = QStringLiteral("Restore to original destination is activated.");
          WriteTrace(text);
          WriteTransferLog(text);
        }

        for (long i = 1; i <= items->Count(); ++i) {
          const QString item = items->Item(i).ToString();
          // A failed listing or a refused sign-in ends the walk as a cancel does.
          if (g.gbCancelled || !g.gbInteractiveRestore || g.gbRemoteError) break;
          g.gbErrorShown = false;
          const bool folder = item.startsWith(QStringLiteral("D_"));
          const QString path = item.mid(2);
          if (bRestoreOriginal) {
            const QString dest = OriginalFolder(path, folder);
            if (CheckDestinationWritable(item).ToBoolean()) {
              items->Remove(i);
              --i;
              continue;
            }
            if (folder) {
              Cont_RestoreFolder(path, dest, true);
            } else {
              Cont_RestoreFile(path, dest);
            }
            continue;
          }
          if (!gUtil().CheckForWriteAccessPermission(sRestoreDest)) {
            WriteTrace(QStringLiteral(
                "Unable to continue the restore operation, make sure that the disk is not full or write protected"));
            if (sRestoreDest.size() == 3) {
              WriteTransferLog(QStringLiteral(
                  "Unable to continue the restore operation, make sure that the disk is not full or write protected "));
            } else {
              WriteTransferLog(QStringLiteral(
                                   "Unable to continue the restore operation, check the permissions of the "
                                   "destination folder : ") +
                               sRestoreDest);
            }
            g.gbErrorShown = true;
            g.gbRestoreFailed = true;
          }
          if (folder) {
            Cont_RestoreFolder(path, sRestoreDest, false);
          } else {
            Cont_RestoreFile(path, sRestoreDest);
          }
        }

        if (!g.gbRestoreFailed) {
          g.gdFilesRestored += GetSucessCount();
          if (GetTotalCount() > g.gdFilesConsidered) g.gdFilesConsidered = GetTotalCount();
          WriteTransferLog(QStringLiteral("Checked for incremental restore"));
          if (!g.gbCancelled && !g.gbRemoteError) {
            WriteTransferLog(QStringLiteral("Number of files considered for restore: ") +
                             vb::CStr(g.gdFilesConsidered) + QStringLiteral(" file(s)"));
            WriteTransferLog(QStringLiteral("Number of files found to be in sync: ") +
                             vb::CStr(g.gdFilesConsidered - (g.gdFilesFailed + g.gdFilesRestored)) +
                             QStringLiteral(" file(s)"));
          }
          if (g.gdFilesRestored < 0) g.gdFilesRestored = 0;
          asRestStatsMsg[3] =
              QStringLiteral("Number of files restored now: ") + vb::CStr(g.gdFilesRestored) + QStringLiteral(" file(s)");
          WriteTransferLog(asRestStatsMsg[3]);
          if (g.gdFilesFailed > 0) {
            asRestStatsMsg[2] = QStringLiteral("Number of files failed to restore: ") + vb::CStr(g.gdFilesFailed) +
                                QStringLiteral(" file(s)");
            WriteTransferLog(asRestStatsMsg[2] + QStringLiteral(" (For details check the 'Error:' message in the log "
                                                                "messages above.)"));
          } else if (!g.gbCancelled && !g.gbRemoteError) {
            WriteTransferLog(QStringLiteral("Successfully completed restore"));
          }
          if (g.gbCancelled) WriteTransferLog(QStringLiteral("Operation Canceled by user."));
        }

        g.gbCommonFlag = false;
        g.gbCancelled = false;
        gTransfer().Trf_ClearEnumRestoreItemSet();
        if (CheckNonDecryptedFiles()) {
          gOptions().clsMessageBox(GetMessageText(13), 2, 0);
          if (gProgressDisplay().CallBackEncPassword() && !g.gsEncPassword.isEmpty()) DecryptEncryptedFiles();
        }
        WriteTrace(QStringLiteral("Exit Cont_RestoreMain = ") + TrueFalse(false));
        return false;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in Cont_RestoreMain ") + e.description);
        return false;
      });
}

bool clsWebdavController::Cont_RestoreFolder(const QString& folderpath, const QString& destdir,
                                             bool bRestoreOriginal) {
  EngineState& g = Engine();
  bool result = false;
  // The walk's content belongs to this walk only: empty at its start and on
  // every way out.
  gTransfer().Trf_ClearEnumRemoteDirContent();
  vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter Cont_RestoreFolder ") + LogName(folderpath) + QStringLiteral("  ") +
                   LogName(destdir));
        if (!gUtil().ValidateFileFolderName(folderpath, true)) {
          WriteTransferLog(QStringLiteral("Could not restore the folder My Orvane/") +
                           LogName(GetRemotePath(folderpath)) + SpecialCharactersReason(QStringLiteral("folder name")));
          // Counted as a failed item, as the rsync route counts it.
          g.gdFilesFailed += 1;
          g.gbWebdavRestoreOk = false;
          return;
        }
        auto list = [&](const QString& path) {
          gWebDavControl().ListRemoteDirContent(path);
          // A folder that could not be listed fails the restore.
          if (g.gbRemoteError) g.gbWebdavRestoreOk = false;
        };
        list(folderpath);

        QString rel = GetRemotePath(folderpath).replace(u'/', u'\\');
        if (rel.endsWith(u'\\')) rel.chop(1);
        const qsizetype last = rel.lastIndexOf(u'\\');
        const QString parentPrefix = last < 0 ? QString() : rel.left(last + 1);

        const vb::CollectionPtr content = Items(g.gcolRemoteDirContent);
        for (long i = 1; i <= content->Count(); ++i) {
          if (JobStopped()) break;
          vb::DoEvents();
          const QString entry = content->Item(i).ToString();
          const QString path = entry.mid(2);
          if (entry.startsWith(QStringLiteral("D_"))) {
            list(path);
            continue;
          }
          QString localFolder;
          if (bRestoreOriginal) {
            localFolder = OriginalFolder(path, false);
          } else {
            const QString remoteFolder = vb::Left(path, vb::InStrRev(path, QStringLiteral("/")) - 1);
            QString relative = GetRemotePath(remoteFolder).replace(u'/', u'\\');
            if (!parentPrefix.isEmpty() && relative.startsWith(parentPrefix)) relative = relative.mid(parentPrefix.size());
            localFolder = destdir + relative;
          }
          result = Cont_RestoreFile(path, localFolder);
        }
        WriteTrace(QStringLiteral("Exit Cont_RestoreFolder"));
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QString::number(e.number) + e.description);
        WriteTrace(QStringLiteral("Exit Cont_RestoreFolder"));
      });
  gTransfer().Trf_ClearEnumRemoteDirContent();
  return result;
}

vb::Variant clsWebdavController::CheckDestinationWritable(const QString& item) {
  bool refused = false;
  vb::ResumeNext next;
  const bool folder = item.startsWith(QStringLiteral("D_"));
  const QString path = OriginalPath(item.mid(2));
  const QStringList parts = path.split(u'\\');
  const qsizetype lastToCheck = folder ? parts.size() - 1 : parts.size() - 2;
  QString current;
  for (qsizetype i = 0; i <= lastToCheck && !refused; ++i) {
    if (parts.at(i).isEmpty()) continue;
    current += parts.at(i) + u'\\';
    bool exists = false;
    next([&] { exists = win::FolderExists(current); });
    if (exists) {
      bool writable = true;
      next([&] { writable = gUtil().CheckForWriteAccessPermission(current); });
      if (!writable) {
        WriteTrace(QStringLiteral("Unable to continue the restore operation for '") + LogName(path) +
                   QStringLiteral("'. make sure that the disk (location : '") + LogName(current) +
                   QStringLiteral("') is not full or write protected."));
        WriteTransferLog(QStringLiteral("Unable to continue the restore operation for '") + LogName(path) +
                         QStringLiteral("'. Make sure that the disk (location : '") + LogName(current) +
                         QStringLiteral("') is not full or write protected."));
        Engine().gbErrorShown = true;
        refused = true;
      }
    } else {
      next([&] { win::CreateFolder(current); });
    }
  }
  return refused;
}

void clsWebdavController::EnumEncryptedFiles() {
  WriteTrace(QStringLiteral("Enter EnumEncryptedFiles"));
  ClearBacksetData(Items(Engine().gcolEncryptedFiles));
  WriteTrace(QStringLiteral("Exit EnumEncryptedFiles"));
}

bool clsWebdavController::CheckNonDecryptedFiles() {
  WriteTrace(QStringLiteral("Enter CheckNonDecryptedFiles"));
  const bool any = Items(Engine().gcolEncryptedFiles)->Count() > 0;
  WriteTrace(QStringLiteral("Exit CheckNonDecryptedFiles"));
  return any;
}

void clsWebdavController::DecryptEncryptedFiles() {
  // Entries "path?flag": the encrypted copy and where its plain copy goes
  // (the path without its "ENC." name prefix).
  const vb::CollectionPtr files = Items(Engine().gcolEncryptedFiles);
  for (long i = 1; i <= files->Count(); ++i) {
    vb::ResumeNext next;
    next([&] {
      const QString source = files->Item(i).ToString().section(u'?', 0, 0);
      const qsizetype slash = source.lastIndexOf(u'\\');
      QString name = source.mid(slash + 1);
      if (name.startsWith(QStringLiteral("ENC."), Qt::CaseInsensitive)) name = name.mid(4);
      const QString destination = source.left(slash + 1) + name;
      if (DecryptFile(source, destination, false)) {
        WriteTransferLog(QStringLiteral(" Decrypted the file . ") + source + QStringLiteral(" <to> ") + destination);
      }
    });
  }
}

bool clsWebdavController::Cont_RestoreFile(const QString& filepath, const QString& destdir) {
  EngineState& g = Engine();
  bool ok = false;
  return vb::OnErrorGoTo(
      [&]() -> bool {
        WriteTrace(QStringLiteral("Enter Cont_RestoreFile ") + LogName(filepath) + LogName(destdir));
        WebDavControl& dav = gWebDavControl();
        const qsizetype slash = vb::InStrRev(filepath, QStringLiteral("/"));
        const QString remoteFolder = vb::Left(filepath, slash);
        const QString remoteName = vb::Mid(filepath, slash + 1);

        // Local folder, with a snapshot folder of the path left out, so the
        // file lands where its log line says.
        QString localFolder = destdir.endsWith(u'\\') ? destdir : destdir + u'\\';
        localFolder = WithoutSnapshotFolder(localFolder, u'\\');
        const QString root = bRestoreOriginal_ ? vb::Left(localFolder, 3)
                                               : (sRestoreDest.isEmpty() ? localFolder : sRestoreDest);
        g.gdFilesConsidered += 1;
        if (!gUtil().ValidateFileName(remoteName, true) || !IsSafeRemotePath(filepath) ||
            !IsBelow(localFolder, root)) {
          // Refused, and counted as failed: the summary and the result must
          // not call the restore successful.
          WriteTransferLog(QStringLiteral("Could not restore the file My Orvane/") + LogName(GetRemotePath(filepath)) +
                           SpecialCharactersReason(QStringLiteral("file name")));
          g.gdFilesFailed += 1;
          g.gbWebdavRestoreOk = false;
          return false;
        }

        gProgressDisplay().PrepMonitorCall(0, QString(), QStringLiteral("Performing incremental restore"), 0);
        if (JobStopped()) return false;

        ENCF_ = vb::UCase(vb::Left(remoteName, 4)) == u"ENC.";
        QString restoredName = remoteName;
        if (ENCF_) restoredName = vb::Mid(restoredName, 5);
        if (UNZIPF_ && restoredName.endsWith(QStringLiteral(".zip"))) restoredName.chop(4);
        const QString localFile = localFolder + restoredName;
        QString displayPath = QStringLiteral("My Orvane") + vb::Mid(filepath, vb::Len(g.gsAccountRoot));
        displayPath = WithoutSnapshotFolder(displayPath, u'/');

        if (ENCF_) {
          // An encrypted item cannot be decrypted here: it fails, and
          // nothing is downloaded.
          g.gdFilesFailed += 1;
          dav.dav_seterrorstring(kEncryptedText);
          RestorelogfileEntry(false, displayPath, localFile);
          Cont_EndRestoreOpr();
          WriteTrace(QStringLiteral("Exit Cont_RestoreFile "));
          return false;
        }

        // The download goes beside the local file, also when the user's copy
        // is larger than the account's: it writes a work file there and
        // puts it in the copy's place only once the whole file is in, so
        // the copy stays as it was on every other road. No temporary folder
        // elsewhere is needed, and none is written to: the profile's
        // "TempFolder" is empty after every sign-in, which would name the
        // root of the current drive.
        const QString downloadFolder = localFolder;
        {
          // A download killed in an earlier run left its work file here.
          vb::ResumeNext next;
          next([&] {
            const QString leftover = WebDavControl::DownloadWorkFile(downloadFolder, remoteName);
            if (win::FileExists(leftover)) win::DeleteFile(leftover, true);
          });
        }
        bool needed = true;
        if (bIncrementalFlag) needed = Cont_CheckForIncrementalRestore(remoteFolder + remoteName, localFile);
        if (!needed) {
          g.gdFilesSkipped += 1;
          Cont_EndRestoreOpr();
          WriteTrace(QStringLiteral("Exit Cont_RestoreFile "));
          return false;
        }
        if (!win::FolderExists(downloadFolder)) gTransfer().Trf_CreateLocalDir(downloadFolder);

        g.glNextRangeStart = 1;
        ok = dav.HttpDownloadFile(filepath, downloadFolder, localFile);
        const QString error = dav.dav_geterrorstring();
        if (!ok && (error == kAuthText || error == kForbiddenText) && !g.gbCancelled) {
          // The server refused the account: the file failed, and so does
          // the restore; the walk stops.
          g.gdFilesFailed += 1;
          RestorelogfileEntry(false, displayPath, localFile);
          g.gbRemoteError = true;
          return false;
        }
        if (JobStopped()) return false;
        if (ok) {
          g.gdFilesRestored += 1;
          // A copy killed before its rename (an earlier run) left its
          // temporary beside the file, which is now whole.
          win::RemoveReplacementLeftovers(localFile);
        } else if (dav.dav_geterrorstring() != kCancelText) {
          g.gdFilesFailed += 1;
        }
        if (JobStopped()) return false;
        if (dav.dav_geterrorstring() != kCancelText) RestorelogfileEntry(ok, displayPath, localFile);
        Cont_EndRestoreOpr();
        WriteTrace(QStringLiteral("Exit Cont_RestoreFile "));
        return ok;
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(QString::number(e.number) + e.description);
        WriteTrace(QStringLiteral("Exit Cont_RestoreFile "));
        return ok;
      });
}

bool clsWebdavController::Cont_CheckForIncrementalRestore(const QString& remotepath, const QString& localpath) {
  bool answer = true;
  return vb::OnErrorGoTo(
      [&] {
        const QString name = vb::Mid(remotepath, vb::InStrRev(remotepath, QStringLiteral("/")) + 1);
        gProgressDisplay().PrepMonitorCall(0, QString(), QStringLiteral("Performing incremental restore"), 0);
        vb::DoEvents();
        qint64 localSize = -1;
        const bool zip = UNZIPF_ && name.endsWith(QStringLiteral(".zip")) && !ENCF_;
        const qint64 remoteSize = gWebDavControl().GetFileSize(remotepath, zip);
        if (remoteSize < 0) return true;
        if (ENCF_ && name.endsWith(QStringLiteral(".zip"))) {
          if (win::FileExists(localpath) && !gOptions().Opt_getarchbitval(localpath)) return false;
        } else if (win::FileExists(localpath)) {
          localSize = win::FileLen(localpath);
        }
        answer = remoteSize - localSize != 0;
        return answer;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Cont_CheckForIncrementalRestore ") + e.description);
        return true;
      });
}

void clsWebdavController::RestorelogfileEntry(bool ok, const QString& displaypath, const QString& localpath) {
  vb::OnErrorGoTo(
      [&] {
        if (ok) {
          WriteTransferLog(QStringLiteral("Restored file ") + LogName(displaypath) + QStringLiteral(" <To> ") +
                               LogName(localpath),
                           1);
          if (win::FileExists(localpath)) gOptions().Opt_setarchbitval(localpath);
          return;
        }
        Engine().gbWebdavRestoreOk = false;
        const QString e = gWebDavControl().dav_geterrorstring();
        QString line = QStringLiteral("Unable to restore file ") + LogName(displaypath) + QStringLiteral(" <To> ") +
                       LogName(localpath) + QStringLiteral(" Reason:") + e;
        if (e == u"Path/File access error") line += QStringLiteral(", destination file/folder might not have write permission");
        WriteTransferLog(line, 2);
      },
      [](const vb::ErrorInfo& e) { WriteTrace(QStringLiteral("Error RestorelogfileEntry ") + QString::number(e.number)); });
}

void clsWebdavController::Cont_EndRestoreOpr() {
  vb::OnErrorGoTo(
      [&] {
        QString t = gTransfer().Trf_ReadUserProfile(QStringLiteral("TempFolder"));
        if (t.isEmpty()) return;
        for (const QString& key : {QStringLiteral("TempFile3"), QStringLiteral("TempFile4"),
                                  QStringLiteral("TempFile5"), QStringLiteral("TempFile6")}) {
          const QString path = gTransfer().Trf_ReadUserProfile(key);
          if (path.contains(t) && win::FileExists(path)) {
            win::DeleteFile(path, true);
            gTransfer().Trf_WriteUserProfile(key, QString());
            WriteTrace(QStringLiteral("Cont_EndRestoreOpr.. Deleted Tempfile ") + path);
          }
        }
      },
      [](const vb::ErrorInfo& e) { WriteTrace(QStringLiteral("Cont_EndRestoreOpr ") + e.description); });
}

}  // namespace OrvaneSrv
