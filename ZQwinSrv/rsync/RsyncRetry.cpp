// clsRsyncEngine: the wait before a retry (with the one-time echo touch of
// the client), the reset of the whole engine before and after a job, and the
// connection probe.
//
// A retry never leaves the SSL tunnel for the daemon's plain port. The
// failures that led there cannot be told apart (a front that is down and a
// certificate an attacker put in its place fail alike), and the plain port
// would carry the files and the daemon's challenge in clear text, for every
// later session too. While "SSL Encryption" is on the route fails instead and
// the restore goes on over WebDAV, as the sign-in refuses plain HTTP; only a
// user who turned SSL off ("SSLKey") uses the plain port. So the profile keys
// "NONSSL" and "NONSSLEXISTS" are neither read nor written here.
#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/Processes.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "ZQwinSrv/rsync/clsRsyncEngine.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/inet/WinInet.h"
#include "platform/process/Process.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"

namespace OrvaneSrv {

void clsRsyncEngine::LongWait() {
  EngineState& g = Engine();
  for (int i = 0; i < 1201; ++i) {
    vb::Sleep(100);
    if (g.giMode != 0) {
      gProgressDisplay().PrepMonitorCall(1, QString(), QStringLiteral("Checking for status"));
      if (g.gbCancelled || g.gbRestoreFailed || !g.gbInteractiveRestore) break;
    }
  }
}

void clsRsyncEngine::EchoTouch() {
  EngineState& g = Engine();
  if (g.giEchoTouchState == 0) g.giEchoTouchState = 1;
  if (g.giEchoTouchState != 1) return;
  const QString details = g.gsAppPath + g.gsAppWord + QStringLiteral("\\OrvaneDetails.ini");
  const QString value = vb::Trim(gTransfer().Trf_ReadProfile(details, QStringLiteral("Orvane"), QStringLiteral("echoexe")));
  // A value that is no number raises here, and the touch is skipped.
  const double count = value.isEmpty() ? 0 : vb::CDbl(value);
  if (count >= 500) {
    g.giEchoTouchState = 2;
    return;
  }
  if (g.giMode != 0) {
    const QString bat = g.gsAppPath + QStringLiteral("EchoExe_int.bat");
    if (win::FileExists(bat)) win::DeleteFile(bat, true);
    const QString line = QStringLiteral("echo \" \" >> \"") + g.gsAppPath + QStringLiteral("orvane_int_rst") +
                         QStringLiteral("_100") + QStringLiteral(".exe\"");
    win::TextStream s = win::CreateTextFile(bat, true, false);
    s.Write(line);
    s.Close();
    if (win::FileExists(bat)) {
      const int pid = static_cast<int>(win::Shell(u'"' + bat + u'"', win::vbHide));
      vb::Sleep(1000);
      ShellClose(pid);
    }
  }
  gTransfer().Trf_WriteZQDetails(QStringLiteral("echoexe"), QString::number(static_cast<long long>(count) + 1));
  g.giEchoTouchState = 2;
}

Integer clsRsyncEngine::RsyncWait(Integer n) {
  return vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter wait..."));
        EngineState& g = Engine();
        if (!g.gbRsyncWaitTimed) {
          g.gfRsyncWaitStart = vb::Timer();
          g.gbRsyncWaitTimed = true;
        }
        if (g.glRsyncWaitState != 2) g.glRsyncWaitState = 1;
        if (n == 6) {
          EchoTouch();
        } else if (n >= 7 && n <= 16) {
          LongWait();
          g.glRsyncWaitState = 2;
        }
        return Integer(0);
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in Wait()") + e.description);
        return Integer(0);
      });
}

qint64 clsRsyncEngine::TunnelLogSize() const {
  qint64 size = 0;
  vb::ResumeNext next;
  next([&] {
    if (win::FileExists(TunnelLogFile())) size = win::FileLen(TunnelLogFile());
  });
  return size;
}

QString clsRsyncEngine::TunnelCertificateRefusal(qint64 from) const {
  const QByteArray marker = QByteArrayLiteral("tunnel: certificate refused: ");
  QByteArray bytes;
  vb::ResumeNext next;
  next([&] {
    if (win::FileExists(TunnelLogFile())) bytes = win::ReadAllBytes(TunnelLogFile());
  });
  // A tunnel started since then wrote its log anew.
  if (from > bytes.size()) from = 0;
  for (const QByteArray& line : bytes.mid(from).split('\n')) {
    if (line.startsWith(marker)) return FromUtf8(line.mid(marker.size())).trimmed();
  }
  return {};
}

void clsRsyncEngine::StopRoute(const QString& reason) {
  if (sRouteStopped.isEmpty()) {
    sRouteStopped = reason;
    WriteTransferLog(reason, 2);
  }
  WriteTrace(QStringLiteral("The rsync route stops: ") + reason);
  EngineA.bGaveUp = true;
}

bool clsRsyncEngine::CertificateRefused(qint64 from, std::uint32_t exitCode) {
  const EngineState& g = Engine();
  if (!g.gbUseSSL) return false;
  // The client saw its connection through the tunnel closed (10, 12) while
  // the tunnel may still be writing why: its verdict on every failed
  // connection follows within moments.
  if ((exitCode == 10 || exitCode == 12) && win::FileExists(TunnelLogFile())) {
    const QByteArray verdict = QByteArrayLiteral("\ntunnel: ");
    const std::uint32_t start = vb::TickCount();
    for (;;) {
      QByteArray bytes;
      vb::ResumeNext next;
      next([&] { bytes = win::ReadAllBytes(TunnelLogFile()); });
      if (('\n' + bytes.mid(from > bytes.size() ? 0 : from)).contains(verdict)) break;
      if (vb::TickCount() - start > 1000) break;
      vb::Sleep(20);
    }
  }
  const QString refusal = TunnelCertificateRefusal(from);
  if (refusal.isEmpty()) return false;
  const qsizetype colon = refusal.indexOf(QStringLiteral(": "));
  const QString host = colon > 0 ? refusal.left(colon) : QString();
  const QString reason = colon > 0 ? refusal.mid(colon + 2) : refusal;
  StopRoute(QStringLiteral("Unable to connect securely to the rsync server ") + host +
            QStringLiteral(", Reason : its certificate was refused (") + reason + QStringLiteral(")"));
  return true;
}

vb::Variant clsRsyncEngine::ResetEngineValues(bool bRestartTunnel) {
  WriteTrace(QStringLiteral("Entered ResetEngineValues"));
  EngineState& g = Engine();
  vb::ResumeNext next;
  next([&] { Controller().Cont_DeleteEngineLogs(QStringLiteral("A"), false); });
  next([&] { Controller().Cont_DeleteEngineLogs(QStringLiteral("B"), false); });
  const QString temp = g.gsWorkFolder + QStringLiteral("\\ORVANETEMP");
  for (const QString& path : {EngineA.sBatchFile, EngineB.sBatchFile, temp + QStringLiteral("\\Enum.bat"),
                              temp + QStringLiteral("\\outputlog.txt"), temp + QStringLiteral("\\errlog.txt")}) {
    next([&] {
      if (!path.isEmpty() && win::FileExists(path)) win::DeleteFile(path, true);
    });
  }
  next([&] {
    if (win::FolderExists(temp)) win::DeleteFolder(temp, true);
  });
  for (EngineParams* e : {&EngineA, &EngineB}) {
    e->iRetryCount = 0;
    e->bGaveUp = false;
    e->iBusy = 0;
    e->lProcessId = 0;
    e->hProcess = 0;
    e->dBytesDone = e->dBytesBefore = e->dBytesCompleted = e->dFailedFiles = e->dFilesRestored = e->dProgressLines = 0;
    e->bUseOption5 = false;
    g.gdRsyncSecondsLeft = 0;
    e->tsOutput.reset();
    e->dOutputOffset = 0;
    e->dOutputHeldAt = -1;
    ClearBacksetData(e->colOutputLines);
    ClearBacksetData(e->colSyncedNames);
  }
  sRouteStopped.clear();
  sPendingItem.clear();
  colGoodLists.clear();
  g.gWebdavProgress = {};
  g.gRsyncProgress = {};
  for (vb::CollectionPtr* c : {&g.gcolSyncedFilesA, &g.gcolFailedItemsA, &g.gcolSyncedFilesB, &g.gcolFailedItemsB})
    ClearBacksetData(Items(*c));
  for (int i = 0; i < 4; ++i) next([&] { IsExeRunning(g.gsRsyncClientExe, true, 0); });
  next([&] { IsExeRunning(g.gsTunnelExe, true, 0); });
  const QString sslKey = gTransfer().Trf_ReadUserProfile(QStringLiteral("SSLKey"));
  g.gbUseSSL = sslKey.isEmpty() || sslKey == QStringLiteral("1");
  if (g.gbUseSSL && bRestartTunnel) next([&] { Controller().Cont_LaunchSSLTunnel(false, false); });
  WriteTrace(QStringLiteral("Exit ResetEngineValues"));
  return {};
}

bool clsRsyncEngine::CheckInternetConnection(Integer n) {
  bool result = false;
  return vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter CheckInternetConnection"));
        EngineState& g = Engine();
        // A session of the probe's own: the WebDAV client's handle is not
        // shared outside it.
        win::HINTERNET session = win::InternetOpen(QStringLiteral("ZQWin WebDAV Client"), 1);
        const QString server = gTransfer().Trf_ReadUserServerProfile(QStringLiteral("WEBDAVSERVER"), g.gsUserName);
        win::HINTERNET handle = nullptr;
        if (!vb::Trim(server).isEmpty()) {
          const QString url = QStringLiteral("https://") +
                              gTransfer().Trf_ReadUserServerProfile(QStringLiteral("WEBDAVSERVER"), g.gsUserName) +
                              QStringLiteral("/cgi-bin/zqwinversion");
          handle = win::InternetOpenUrl(session, url, QString(), -1,
                                        win::INTERNET_FLAG_RELOAD | win::INTERNET_FLAG_RAW_DATA);
        }
        if (handle == nullptr) {
          gWebDavControl().dav_oper_stat_codes(static_cast<Long>(win::InternetGetLastError()),
                                               QStringLiteral("InternetConnect"));
          if (n < 2)
            WriteTransferLog(QStringLiteral("Unable to connect to server, Reason : ") +
                                 gWebDavControl().dav_geterrorstring(),
                             0);
          vb::Sleep(2000);
          gWebDavControl().Reconnect();
          result = false;
        } else {
          win::InternetCloseHandle(handle);
          result = true;
        }
        if (session) win::InternetCloseHandle(session);
        WriteTrace(QStringLiteral("Exit CheckInternetConnection"));
        return result;
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in CheckInternetConnection()") + e.description);
        return result;
      });
}

}  // namespace OrvaneSrv
