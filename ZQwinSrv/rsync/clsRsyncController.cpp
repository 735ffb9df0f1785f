// clsRsyncController: sign-in, restore entry, work folder, password and key
// files, and the service helpers the rsync engine uses.
#include "ZQwinSrv/rsync/clsRsyncController.h"

#include <QFile>
#include <QSet>

#include "ZQwinSrv/facade/clsController.h"
#include "ZQwinSrv/foundation/EngineMessages.h"
#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/Processes.h"
#include "ZQwinSrv/foundation/SideFiles.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/TunnelConfig.h"
#include "ZQwinSrv/rsync/clsRsyncEngine.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "ZQwinSrv/server/clsWebdavController.h"
#include "platform/codepage/CodePage.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileAttributes.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/WinPath.h"
#include "platform/process/Process.h"
#include "platform/text/Strings.h"

namespace OrvaneSrv {
namespace {

QString TF(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }

// Limits a work file or folder to the user: the password and the key must
// not be readable by other accounts of the machine.
void MakePrivate(const QString& windowsPath, bool folder) {
  const QString host = win::ToHostPath(windowsPath);
  QFile::setPermissions(host, folder ? (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)
                                     : (QFileDevice::ReadOwner | QFileDevice::WriteOwner));
}

// Work folders whose stale "ORVANETEMP" was cleared in this process.
QSet<QString>& ClearedWorkFolders() {
  static QSet<QString> cleared;
  return cleared;
}

}  // namespace

bool IsSafeWorkFileUser(const QString& user) {
  const QString name = vb::Trim(user);
  if (name.isEmpty() || name.contains(u'\\') || name.contains(u'/') || name.contains(QStringLiteral(".."))) return false;
  for (const QChar c : name)
    if (c.unicode() < 32 || c.unicode() == 127) return false;
  return true;
}

clsRsyncController& gRsyncController() { return Singleton(Engine().gRsyncController); }

QString TunnelLogFile() { return Engine().gsWorkFolder + QStringLiteral("\\tunnellog.txt"); }

clsRsyncController::clsRsyncController() {
  Cont_SetWinSystemPath();
  WriteTrace(QStringLiteral("Exit Class_Initialize :") + Engine().gsWorkFolder);
}

clsRsyncController::~clsRsyncController() = default;

clsRsyncEngine& clsRsyncController::RsyncEngine() { return Singleton(oRsyncEngine); }

bool clsRsyncController::Cont_login(const QString& username, const QString& passwd) {
  EngineState& g = Engine();
  g.gsUserName = username;
  g.gsPassword = passwd;
  if (g.gbUseSSL) {
    const bool tunnel = Cont_CheckDependFile(g.gsTunnelExe);
    const bool conf = Cont_CheckDependFile(g.gsTunnelConf);
    if (tunnel && conf) {
      if (!IsExeRunning(g.gsTunnelExe, false, 0)) Cont_LaunchSSLTunnel(true, false);
    } else {
      WriteTrace(QStringLiteral("Unable to launch zqssl, dependencies not found"));
    }
  }
  return false;
}

void clsRsyncController::Cont_Exit() {
  // The facade's disconnect, through the engine's own controller.
  vb::OnErrorGoTo([] { gController().Cont_DisConnect(); },
                  [](const vb::ErrorInfo& e) { WriteTrace(QString::number(e.number) + e.description); });
}

void clsRsyncController::Cont_DisConnect() {
  WriteTrace(QStringLiteral("Enter Cont_DisConnect"));
  vb::OnErrorGoTo([&] { RsyncEngine().CloseEngine(); },
                  [](const vb::ErrorInfo& e) { WriteTrace(QString::number(e.number) + e.description); });
  // A disconnect in the middle of a job (the program exits while a restore
  // runs) never reaches the route's own clean-up: the tunnel the job started
  // would outlive the program. (A stopped or failed job keeps it until its
  // clean-up, as before.)
  const EngineState& g = Engine();
  if (g.gbCommonFlag && !g.gsTunnelExe.isEmpty()) {
    vb::ResumeNext next;
    next([&] {
      for (int i = 0; i < 8 && IsExeRunning(g.gsTunnelExe, true, 0); ++i) {
      }
    });
  }
  WriteTrace(QStringLiteral("Exit Cont_DisConnect"));
}

vb::Variant clsRsyncController::Cont_Restore(const QString& destdir, bool UNCompressopt, bool IncrementalOpt,
                                             bool mirroropt, bool bRestoreOriginal) {
  vb::Variant result;
  return vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter Cont_Restore") + destdir + TF(UNCompressopt) + TF(IncrementalOpt) +
                   TF(mirroropt));
        sRestoreDest = destdir;
        bRestoreOk = true;
        Cont_SetRestoreOptions(UNCompressopt, IncrementalOpt, mirroropt);
        const QString mode = Engine().gbHaveEncKey ? QStringLiteral("Mode : Interactive Restore : Decryption enabled :")
                                                   : QStringLiteral("Mode : Interactive Restore ");
        WriteTransferLog(mode + gOptions().Opt_MakeResOptionStr(UNCompressopt, IncrementalOpt, mirroropt), 0);
        result = Cont_RestoreMain(bRestoreOriginal);
        const QString err = gWebDavControl().dav_geterrorstring();
        if (!err.isEmpty() && !bRestoreOk) {
          if (err == QStringLiteral("Path/File access error"))
            gOptions().clsMessageBox(GetMessageText(4) + err + GetMessageText(5), 3, 0);
          else if (!Engine().gbCancelled)
            gOptions().clsMessageBox(GetMessageText(3) + err, 3, 0);
        }
        WriteTrace(QStringLiteral("Exit Cont_Restore"));
        return result;
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in Cont_Restore ") + e.description);
        return result;
      });
}

void clsRsyncController::Cont_SetRestoreOptions(bool UNCompressopt, bool IncrementalOpt, bool mirroropt) {
  WriteTrace(QStringLiteral("Enter Cont_SetRestoreOptions ") + TF(UNCompressopt) + TF(IncrementalOpt) + TF(mirroropt));
  bUncompressFlag = UNCompressopt;
  bIncrementalFlag = IncrementalOpt;
  bMirrorFlag = mirroropt;
  WriteTrace(QStringLiteral("Exit Cont_SetRestoreOptions "));
}

bool clsRsyncController::Cont_RestoreMain(bool bRestoreOriginal) {
  bool result = false;
  return vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter Cont_RestoreMain "));
        EngineState& g = Engine();
        if (Items(g.gcolRestoreItems)->Count() >= 1) {
          g.gbCancelled = false;
          result = RsyncEngine().Cont_CallRsyncRestore(g.gsUserName, g.gsPassword, sRestoreDest, bIncrementalFlag, 0,
                                                       0, 0, bRestoreOriginal);
          gTransfer().Trf_ClearEnumRemoteDirContent();
        }
        WriteTrace(QStringLiteral("Exit Cont_RestoreMain = ") + TF(result));
        return result;
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in Cont_RestoreMain ") + e.description);
        return result;
      });
}

void clsRsyncController::Cont_SetWinSystemPath() {
  WriteTrace(QStringLiteral("Enter Cont_SetWinSystemPath"));
  EngineState& g = Engine();
  vb::ResumeNext next;
  if (g.giMode != 0) {
    QString base = vb::Trim(g.gsAppPath).isEmpty() ? win::ProgramFolder() + u'\\' : g.gsAppPath;
    next([&] {
      if (win::FolderExists(base)) {
        const QString shortPath = win::GetShortPathName(base);
        if (!shortPath.isEmpty()) base = shortPath;
      }
    });
    next([&] { (void)CretateMirrorFolderPath(QStringLiteral("OrvaneInt"), base); });
    g.gsWorkFolder = base.endsWith(u'\\') ? base + QStringLiteral("OrvaneInt") : base + QStringLiteral("\\OrvaneInt");
    next([&] {
      if (!win::FolderExists(g.gsWorkFolder)) win::CreateFolder(g.gsWorkFolder);
    });
  } else if (!vb::Trim(g.gsAppPath).isEmpty()) {
    QString folder = g.gsAppPath.left(g.gsAppPath.size() - 1);
    next([&] {
      if (win::FolderExists(folder)) {
        const QString shortPath = win::GetShortPathName(folder);
        if (!shortPath.isEmpty()) folder = shortPath;
      }
    });
    g.gsWorkFolder = folder;
  }
  // Work files a crashed run left behind (a password file among them) go
  // when the engine first uses the work folder.
  if (!g.gsWorkFolder.isEmpty() && !ClearedWorkFolders().contains(g.gsWorkFolder.toLower())) {
    ClearedWorkFolders().insert(g.gsWorkFolder.toLower());
    next([&] {
      const QString temp = g.gsWorkFolder + QStringLiteral("\\ORVANETEMP");
      if (win::FolderExists(temp)) win::DeleteFolder(temp, true);
    });
  }
  WriteTrace(QStringLiteral("Exit Cont_SetWinSystemPath TempPath: ") + g.gsWorkFolder);
}

vb::Variant clsRsyncController::Cont_TempFolder(const QString& sAction, const QString& sUser, const QString& sPass) {
  return vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter Cont_TempFolder"));
        EngineState& g = Engine();
        if (gTransfer().Trf_ReadUserProfile(QStringLiteral("AUTOPAUSECHECK")) == QStringLiteral("1") &&
            !IsExeRunning(QStringLiteral("DORediRizura.exe"), false, 0)) {
          vb::ResumeNext next;
          next([&] { (void)win::Shell(u'"' + g.gsAppPath + QStringLiteral("DORediRizura.exe\""), win::vbHide); });
        }
        if (!IsSafeWorkFileUser(sUser)) {
          WriteTrace(QStringLiteral("Cont_TempFolder: the user name cannot name a work file"));
          return vb::Variant();
        }
        const QString temp = g.gsWorkFolder + QStringLiteral("\\ORVANETEMP");
        const QString passwordFile = temp + u'\\' + vb::Trim(sUser) + QStringLiteral(".txt");
        if (sAction == QStringLiteral("ADD")) {
          if (!win::FolderExists(temp)) {
            if (g.giMode != 0) (void)CretateMirrorFolderPath(QStringLiteral("OrvaneInt"), g.gsAppPath);
            if (!win::FolderExists(temp)) win::CreateFolder(temp);
          }
          MakePrivate(temp, true);
          // Owner-only from the moment they exist, each replacing the old
          // file whole (whoever held the old one open reads nothing new).
          win::WriteOwnerOnlyFile(passwordFile, win::ToAnsi(sPass) + "\r\n");
          if (g.gbHaveEncKey) {
            win::WriteOwnerOnlyFile(temp + QStringLiteral("\\zqencdata.txt"),
                                    win::ToUtf8(FromUtf8(win::ToAnsi(g.gsEncKey))));
          }
        } else {
          if (win::FileExists(passwordFile)) win::DeleteFile(passwordFile, true);
          const QString drive =
              g.gsWorkFolder.left(3) + (g.giMode == 0 ? QStringLiteral("Sch") : QStringLiteral("OrvaneInt"));
          if (win::FolderExists(drive)) win::DeleteFolder(drive, true);
        }
        WriteTrace(QStringLiteral("Exit Cont_TempFolder"));
        return vb::Variant();
      },
      [](const vb::ErrorInfo& e) {
        if (e.number == 70)
          WriteTrace(QStringLiteral("File in Use by Service. Ignore error"));
        else
          WriteTrace(QStringLiteral("Error in Cont_Tempfolder") + QString::number(e.number) + e.description);
        return vb::Variant();
      });
}

void clsRsyncController::RestorelogfileEntry(bool ok, const QString& remotePath, const QString& localPath) {
  vb::OnErrorGoTo(
      [&] {
        if (ok) {
          WriteTransferLog(QStringLiteral("Restored file ") + remotePath + QStringLiteral(" <To> ") + localPath, 1);
          return;
        }
        bRestoreOk = false;
        const QString e = gWebDavControl().dav_geterrorstring();
        QString line = QStringLiteral("Unable to restore file ") + remotePath + QStringLiteral(" <To> ") + localPath +
                       QStringLiteral(" Reason:") + e;
        if (e == QStringLiteral("Path/File access error"))
          line += QStringLiteral(", destination file/folder might not have write permission");
        WriteTransferLog(line, 2);
      },
      [](const vb::ErrorInfo& e) { WriteTrace(QStringLiteral("Error RestorelogfileEntry ") + QString::number(e.number)); });
}

void clsRsyncController::Cont_EndRestoreOpr() {
  vb::OnErrorGoTo(
      [] {
        Transfer& t = gTransfer();
        const QString tempFolder = t.Trf_ReadUserProfile(QStringLiteral("TempFolder"));
        for (int i = 3; i <= 6; ++i) {
          const QString key = QStringLiteral("TempFile") + QString::number(i);
          const QString path = t.Trf_ReadUserProfile(key);
          if (path.isEmpty() || tempFolder.isEmpty() || !path.contains(tempFolder, Qt::CaseInsensitive)) continue;
          if (win::FileExists(path)) win::DeleteFile(path, true);
          t.Trf_WriteUserProfile(key, QString());
          WriteTrace(QStringLiteral("Cont_EndRestoreOpr.. Deleted Tempfile ") + path);
        }
      },
      [](const vb::ErrorInfo& e) { WriteTrace(QStringLiteral("Cont_EndRestoreOpr ") + e.description); });
}

bool clsRsyncController::Cont_chkfileopen(const QString& path) {
  return vb::OnErrorGoTo(
      [&] {
        win::TextStream s = win::OpenTextFile(path, win::ForAppending, true);
        s.Close();
        return false;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Cont_chkfileopen Reason: ") + e.description);
        return true;
      });
}

bool clsRsyncController::Cont_chkfileattr(const QString& path) {
  return vb::OnErrorGoTo([&] { return (win::GetAttr(path) & 1) != 0; },
                         [](const vb::ErrorInfo& e) {
                           WriteTrace(QStringLiteral("Cont_chkfileattr Reason: ") + e.description);
                           return false;
                         });
}

bool clsRsyncController::CompareLocalRemoteFile(const QString& localPath, const QString& remotePath) {
  return vb::OnErrorGoTo(
      [&] { return static_cast<double>(win::FileLen(localPath)) > static_cast<double>(gWebDavControl().GetFileSize(remotePath, false)); },
      [](const vb::ErrorInfo&) { return false; });
}

// ---- Service helpers -------------------------------------------------------

bool clsRsyncController::Cont_CheckDependFile(const QString& sName) {
  return vb::OnErrorGoTo(
      [&] {
        EngineState& g = Engine();
        if (!sName.isEmpty() && win::FileExists(g.gsAppPath + sName)) return true;
        if (g.giMode != 0) {
          gOptions().clsMessageBox(GetMessageText(8) + sName + GetMessageText(9) + g.gsAppPath, 3, 0);
        } else {
          WriteTransferLog(QStringLiteral("Re-install the application") + QStringLiteral("\r\n") + sName +
                               QStringLiteral(" file not found in ") + g.gsAppPath,
                           2);
        }
        return false;
      },
      [](const vb::ErrorInfo&) { return false; });
}

vb::Variant clsRsyncController::Cont_LaunchSSLTunnel(bool bNoStart, bool bFixedServer) {
  vb::OnErrorGoTo(
      [&] {
        EngineState& g = Engine();
        WriteTunnelConf(g.gsAppPath + g.gsTunnelConf, 0, bFixedServer);
        if (!bNoStart) {
          // What the tunnel says about its connections goes to a log of the
          // work folder: after a failed run the engine looks there for a
          // refused certificate, which no retry can mend.
          win::LaunchOptions options;
          if (!g.gsWorkFolder.isEmpty() && win::FolderExists(g.gsWorkFolder))
            options.stderrFile = win::ToHostPath(TunnelLogFile());
          const int pid = win::StartProcess(g.gsAppPath + g.gsTunnelExe + u' ' + g.gsTunnelConf, options);
          g.glTunnelPid = pid;
        }
      },
      [](const vb::ErrorInfo&) {});
  return {};
}

bool clsRsyncController::Cont_CheckSSLDependencies() {
  return vb::OnErrorGoTo(
      [&] {
        const bool client = Cont_CheckDependFile(Engine().gsRsyncClientExe);
        const bool runtime = Cont_CheckDependFile(QStringLiteral("cygwin1.dll"));
        if (!client || !runtime) return false;
        const bool eay = Cont_CheckDependFile(QStringLiteral("libeay32.dll"));
        const bool ssl = Cont_CheckDependFile(QStringLiteral("libssl32.dll"));
        return eay && ssl;
      },
      [](const vb::ErrorInfo&) { return false; });
}

QString clsRsyncController::cont_ReplaceSection(const QString& sText, const QString& sFind, const QString& sReplace) {
  return vb::OnErrorGoTo(
      [&] {
        if (sFind.isEmpty()) throw vb::RuntimeError(5, QStringLiteral("Invalid procedure call or argument"));
        QString text = sText;
        return text.replace(sFind, sReplace);
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error encountered in cont_ReplaceSection, Reason: ") + QString::number(e.number) +
                   u' ' + e.description);
        return QString();
      });
}

QString clsRsyncController::Cont_ReplaceString(const QString& sText, const QString& sFind, const QString& sReplace) {
  return vb::OnErrorGoTo(
      [&] {
        if (sFind.isEmpty()) throw vb::RuntimeError(5, QStringLiteral("Invalid procedure call or argument"));
        QString text = sText;
        qsizetype p = text.indexOf(sFind);
        while (p >= 0) {
          text = text.left(p) + sReplace + text.mid(p + sFind.size());
          p = text.indexOf(sFind, p + sReplace.size());
        }
        return text;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error encountered in Cont_ReplaceString, Reason: ") + QString::number(e.number) +
                   u' ' + e.description);
        return QString();
      });
}

vb::Variant clsRsyncController::Cont_ClearCollection() {
  vb::CollectionPtr& items = Items(Engine().gcolEngineItems);
  for (qsizetype n = items->Count(); n > 0; --n) items->Remove(1);
  return {};
}

vb::Variant clsRsyncController::Cont_DeleteEngineLogs(const QString& sEngine, bool /*bFlag*/) {
  const QString temp = Engine().gsWorkFolder + QStringLiteral("\\ORVANETEMP\\");
  vb::ResumeNext next;
  for (const QString& name : {QStringLiteral("errlogSer"), QStringLiteral("outputlogSer")}) {
    next([&] {
      const QString path = temp + name + sEngine + QStringLiteral(".txt");
      if (win::FileExists(path)) win::DeleteFile(path, true);
    });
  }
  return {};
}

QString clsRsyncController::cont_changewindowstorsyncpath(const vb::Variant& sPath) {
  return vb::OnErrorGoTo(
      [&] {
        QString p = cont_ReplaceSection(sPath.ToString(), QStringLiteral("\\"), QStringLiteral("/"));
        p = Cont_ReplaceString(p, QStringLiteral(":/"), QStringLiteral("/"));
        return QStringLiteral("/cygdrive/") + p;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error occurred in cont_changewindows...path") + e.description);
        return QString();
      });
}

QString clsRsyncController::Cont_ChangeRsycnToWinPath(const vb::Variant& sPath) {
  return vb::OnErrorGoTo(
      [&] {
        QString p = vb::Mid(sPath.ToString(), 12);
        p = cont_ReplaceSection(p, QStringLiteral("/"), QStringLiteral("\\"));
        p = p.remove(u'"');
        if (p.isEmpty()) return p;
        return p.left(1) + u':' + p.mid(1);
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Cont_Change...ToWinPath") + e.description);
        return QString();
      });
}

vb::Variant clsRsyncController::EncryptDecryptConFile(bool bEncrypt) {
  vb::ResumeNext next;
  next([&] {
    const QString conf = Engine().gsAppPath + Engine().gsTunnelConf;
    if (bEncrypt)
      EncryptFile(conf, conf, true);
    else
      DecryptFile(conf, conf, true);
  });
  return {};
}

QString clsRsyncController::GetStatsMsg(bool bClear) {
  if (bClear) {
    RsyncEngine().ClearAllMessages();
    return {};
  }
  return RsyncEngine().GetStatsMsg();
}

QString clsRsyncController::GetStatsRestMsg(bool bClear) {
  if (bClear) {
    RsyncEngine().ClearAllMessages();
    return {};
  }
  return RsyncEngine().GetStatsRestMsg();
}

}  // namespace OrvaneSrv
