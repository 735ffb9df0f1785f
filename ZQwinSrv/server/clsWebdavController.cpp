// clsWebdavController: sign-in and sign-out of the WebDAV client and the
// small members of the class.
#include "ZQwinSrv/server/clsWebdavController.h"

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/Util.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileAttributes.h"
#include "platform/files/FileSystem.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

namespace OrvaneSrv {
namespace {

// The secure-request flag of the internet library, for connections over SSL.
constexpr Long kSecureFlag = 0x800000;
constexpr long kReadOnlyAttribute = 0x1;

QString StatsText(const std::array<QString, 4>& texts) {
  const QString crlf = QStringLiteral("\r\n");
  QString text = texts[0] + crlf + texts[1] + crlf + texts[3] + crlf;
  if (!texts[2].isEmpty()) text += texts[2] + crlf;
  return text;
}

}  // namespace

clsWebdavController& gWebdavController() { return Singleton(Engine().gWebdavController); }

bool clsWebdavController::Cont_login(const QString& sUsername, const QString& sPassword, bool bNonSSLPort) {
  return vb::OnErrorGoTo(
      [&] {
        EngineState& g = Engine();
        g.gbNonSSLPort = bNonSSLPort;
        if (g.gbUseSSL && !g.gbNonSSLPort) {
          g.glSecureFlags = kSecureFlag;
          g.gsWebdavPort = QStringLiteral("443");
        } else {
          g.glSecureFlags = 0;
          g.gsWebdavPort = QStringLiteral("80");
        }
        gWebDavControl().OpenConnection(g.gsServerName, g.gsWebdavPort, sUsername, sPassword);
        if (g.giMode == 0) return gWebDavControl().CheckLogin();
        return true;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Cont_login") + QString::number(e.number) + e.description);
        return false;
      });
}

void clsWebdavController::Cont_DisConnect() {
  vb::OnErrorGoTo([] { gWebDavControl().CloseConnection(); },
                  [](const vb::ErrorInfo& e) {
                    WriteTrace(QStringLiteral("Cont_DisConnect") + QString::number(e.number) + e.description);
                  });
}

QString clsWebdavController::contEncrypt(const QString& txt) {
  return vb::OnErrorGoTo(
      [&] {
        QString text;
        for (qsizetype i = 1; i <= vb::Len(txt); ++i) text += vb::Chr(vb::Asc(vb::Mid(txt, i, 1)) * 2);
        return text;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("contEncrypt ") + QString::number(e.number) + e.description);
        return QString();
      });
}

QString clsWebdavController::contDecrypt(const QString& txt) {
  return vb::OnErrorGoTo(
      [&] {
        QString text;
        for (qsizetype i = 1; i <= vb::Len(txt); ++i) {
          const double half = vb::Asc(vb::Mid(txt, i, 1)) / 2.0;
          text += vb::Chr(static_cast<int>(vb::RoundHalfEven(half)));
          vb::DoEvents();
        }
        return text;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("ContDecrypt") + QString::number(e.number) + e.description);
        return QString();
      });
}

bool clsWebdavController::Cont_CheckForIncrementalBackup(const QString& sourcepath, const QString& destPath) {
  return vb::OnErrorGoTo(
      [&] {
        const qint64 remote = gWebDavControl().GetFileSize(destPath, ZIPF_ && !ENCF_);
        if (gOptions().Opt_getarchbitval(sourcepath)) return true;
        if (ENCF_ && ZIPF_) return false;
        if (remote == -1 && !ENCF_ && ZIPF_) return false;
        qint64 local = 0;
        vb::ResumeNext next;
        next([&] { local = win::FileLen(sourcepath); });
        if (remote == local) {
          if (Engine().giOsType == 1) Engine().gdDownloadedBytes += static_cast<double>(local);
          return false;
        }
        return true;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral(" Cont_CheckForIncrementalBackup ") + QString::number(e.number));
        return true;
      });
}

QString clsWebdavController::Cont_GetAddPath(const QString& /*localfilepath*/, const QString& /*localfilename*/,
                                              const QString& destdir) {
  return destdir;
}

QString clsWebdavController::Cont_GetColonChecked(const QString& addpath) {
  return vb::OnErrorGoTo(
      [&] {
        if (!addpath.contains(u':')) return addpath;
        return gUtil().ReplaceSection(addpath, QStringLiteral(":"), QString());
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Cont_GetColonChecked ") + e.description);
        return QString();
      });
}

bool clsWebdavController::Cont_CheckArchiveBitForEncComp(const QString& sourcepath, const QString& /*destPath*/) {
  return vb::OnErrorGoTo(
      [&] { return (ENCF_ || ZIPF_) && !gOptions().Opt_getarchbitval(sourcepath); },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral(" Cont_CheckArchiveBitForEncComp ") + QString::number(e.number));
        return false;
      });
}

double clsWebdavController::GetNooffiles(const QString& sRootFolder) {
  double count = 0;
  vb::ResumeNext next;
  win::FindResult found;
  next([&] { found = win::FindFiles(sRootFolder + QStringLiteral("*")); });
  for (const win::FindData& entry : found.entries) {
    next([&] {
      if (entry.name == u"." || entry.name == u"..") return;
      if (entry.IsFolder()) {
        count += GetNooffiles(sRootFolder + entry.name + QStringLiteral("\\"));
      } else {
        count += 1;
      }
    });
    vb::DoEvents();
  }
  return count;
}

QString clsWebdavController::GetStatsMsg() const { return StatsText(asStatsMsg); }

QString clsWebdavController::GetRestStatsMsg() const { return StatsText(asRestStatsMsg); }

vb::Variant clsWebdavController::ClearAllMessages() {
  for (QString& text : asStatsMsg) text.clear();
  for (QString& text : asRestStatsMsg) text.clear();
  return {};
}

bool clsWebdavController::Cont_chkfileattr(const QString& path) {
  return vb::OnErrorGoTo([&] { return (win::GetAttr(path) & kReadOnlyAttribute) != 0; },
                         [](const vb::ErrorInfo& e) {
                           WriteTrace(QStringLiteral("Cont_chkfileattr Reason: ") + e.description);
                           return false;
                         });
}

}  // namespace OrvaneSrv
