// WebDavControl: folder creation, delete, move and copy of remote items, the
// account's quota, and the probes (version script, block checksums,
// connection test).
#include <QStringList>

#include "ZQwinSrv/foundation/EngineMessages.h"
#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "ZQwinSrv/server/WebDavRequests.h"
#include "platform/clock/Clock.h"
#include "platform/codepage/CodePage.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"
#include "platform/xml/DOMDocument.h"

namespace OrvaneSrv {
namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kQuotaProps = QStringLiteral("<a:getcontentlength/>");
const QString kChecksumProps = QStringLiteral("<a:checksum/>");
constexpr win::DWORD kQuotaPiece = 510;
constexpr win::DWORD kVersionPiece = 96;
// Reload and raw data: the version script's URL.
constexpr win::DWORD kVersionFlags = 0xC0000000;

// A Destination path as it may stand in a header: blanks, control
// characters and non-ASCII characters escaped as UTF-8, the way the request
// line carries the source; everything else (escapes included) as given.
QString DestinationPath(const QString& path) {
  QString out;
  const QByteArray bytes = ToUtf8(path);
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b >= 0x7F) {
      out += QStringLiteral("%%1").arg(static_cast<uint>(b), 2, 16, QChar(u'0')).toUpper();
    } else {
      out += QChar(b);
    }
  }
  return out;
}

QString UserWebdavServer() {
  return gTransfer().Trf_ReadUserServerProfile(QStringLiteral("WEBDAVSERVER"), Engine().gsUserName);
}

}  // namespace

QString WebDavControl::ConnectionOrigin() const {
  if (!hConnection || vb::Trim(sConnectedServer).isEmpty()) return {};
  const bool secure = (static_cast<win::DWORD>(Engine().glSecureFlags) & win::INTERNET_FLAG_SECURE) != 0;
  QString origin = (secure ? QStringLiteral("https://") : QStringLiteral("http://")) + sConnectedServer;
  const QString defaultPort = secure ? QStringLiteral("443") : QStringLiteral("80");
  if (!sConnectedPort.isEmpty() && sConnectedPort != u"0" && sConnectedPort != defaultPort) {
    origin += u':' + sConnectedPort;
  }
  return origin;
}

bool WebDavControl::CreateDirectory(const QString& sRemotePath) {
  return vb::OnErrorGoTo(
      [&] {
        const auto clearFields = [&] {
          sErrorText.clear();
          sRequestHeaders.clear();
          OptionalHeader_.clear();
          lRequestFlags = 0;
        };
        clearFields();
        Long result = HttpProcessCalls(QStringLiteral("MKCOL"), sRemotePath, false, false);
        // The connection of a session a script post replaced: the request
        // routine has opened it again.
        if (result == 6) {
          clearFields();
          result = HttpProcessCalls(QStringLiteral("MKCOL"), sRemotePath, false, false);
        }
        sRequestHeaders.clear();
        lRequestFlags = 0;
        CloseRequest();
        if (result == 201 || result == 405) return true;
        dav_oper_stat_codes(result, QStringLiteral("MKCOL"));
        return false;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QString::number(e.number) + e.description);
        return false;
      });
}

bool WebDavControl::Deleteitem(const QString& sRemotePath, Long& statcode, bool bSyncDelete, bool bSearch) {
  bool result = false;
  vb::ResumeNext next;
  next([&] {
    // The account root itself, or anything shorter, is never deleted.
    if (sRemotePath.size() <= Engine().gsAccountRoot.size()) {
      statcode = 18;
      gOptions().clsMessageBox(GetMessageText(18) + sRemotePath, 3, 0);
      return;
    }
    const auto clearFields = [&] {
      sErrorText.clear();
      sRequestHeaders.clear();
      OptionalHeader_.clear();
      lRequestFlags = 0;
    };
    clearFields();
    statcode = HttpProcessCalls(QStringLiteral("DELETE"), sRemotePath, false, bSyncDelete || bSearch);
    if (statcode != 204) {
      clearFields();
      statcode = HttpProcessCalls(QStringLiteral("DELETE"), sRemotePath, false, false);
    }
    sRequestHeaders.clear();
    CloseRequest();
    if (statcode == 204) {
      result = true;
    } else {
      dav_oper_stat_codes(statcode, QStringLiteral("DELETE"));
    }
  });
  return result;
}

bool WebDavControl::RenameItem(const QString& sremotesrc, const QString& sremotetgt, bool /*bFolderRename*/) {
  // The Destination names the server the request goes to, the way it is
  // reached: a profile's host with a guessed scheme fails at a server on
  // another port or without SSL.
  const QString origin = ConnectionOrigin();
  sRequestHeaders.clear();
  if (!origin.isEmpty()) {
    const QString target = vb::Trim(sremotetgt).startsWith(u'/') ? sremotetgt : u'/' + sremotetgt;
    sRequestHeaders = QStringLiteral("Overwrite:F") + kCrLf + QStringLiteral("Destination:") + origin +
                      DestinationPath(target) + kCrLf;
  }
  sErrorText.clear();
  OptionalHeader_.clear();
  lRequestFlags = 0;
  Long result = HttpProcessCalls(QStringLiteral("MOVE"), sremotesrc, false, false);
  if (result != 201 && result != 204) result = HttpProcessCalls(QStringLiteral("MOVE"), sremotesrc, false, false);
  const bool moved = result == 201 || result == 204;
  if (!moved) dav_oper_stat_codes(result, QStringLiteral("MOVE"));
  sRequestHeaders.clear();
  lRequestFlags = 0;
  CloseRequest();
  return moved;
}

bool WebDavControl::copyitem(const QString& sremotesrc, const QString& sremotetgt) {
  const QString origin = ConnectionOrigin();
  sRequestHeaders.clear();
  if (!origin.isEmpty()) {
    sRequestHeaders = DestinationPath(ReverseConvertString(QStringLiteral("Overwrite:F") + kCrLf +
                                                           QStringLiteral("Destination:") + origin + sremotetgt +
                                                           kCrLf));
    // The line ends went through the escaping with the rest.
    sRequestHeaders.replace(QStringLiteral("%0D%0A"), kCrLf);
  }
  sErrorText.clear();
  OptionalHeader_.clear();
  lRequestFlags = 0;
  const Long result = HttpProcessCalls(QStringLiteral("COPY"), sremotesrc, false, false);
  sRequestHeaders.clear();
  CloseRequest();
  if (result == 201 || result == 204) return true;
  dav_oper_stat_codes(result, QStringLiteral("COPY"));
  return false;
}

QString WebDavControl::GetQuotaInfo() {
  QString result = QStringLiteral("0");
  vb::OnErrorGoTo(
      [&] {
        // The shared client: the facade asks this very object.
        WebDavControl& dav = gWebDavControl();
        const QString root = Engine().gsAccountRoot.chopped(Engine().gsAccountRoot.isEmpty() ? 0 : 1);
        dav.sRequestHeaders = kPropfindHeaders;
        dav.OptionalHeader_ = PropfindBody(Engine().gsServerName + root, kQuotaProps);
        dav.lRequestFlags = static_cast<Long>(win::INTERNET_FLAG_NO_CACHE_WRITE);
        Long status = dav.HttpProcessCalls(QStringLiteral("PROPFIND"), root, false, true);
        if (status != 207) status = dav.HttpProcessCalls(QStringLiteral("PROPFIND"), root, false, true);
        if (status != 207) {
          dav.dav_oper_stat_codes(status, QStringLiteral("PROPFIND"));
          dav.CloseRequest();
          return;
        }
        dav.OptionalHeader_.clear();
        dav.sRequestHeaders.clear();
        dav.lRequestFlags = 0;
        bool failed = false;
        const QString reply = win::FromAnsi(dav.ReadReply(kQuotaPiece, false, failed));
        if (failed) {
          dav.dav_oper_stat_codes(static_cast<Long>(win::InternetGetLastError()), QStringLiteral("QUOTA"));
          dav.CloseRequest();
          return;
        }
        win::DOMDocument doc;
        (void)doc.loadXML(reply);
        dav.CloseRequest();
        for (const win::DOMNode& response : doc.selectNodes(QStringLiteral("D:multistatus/D:response"))) {
          const win::DOMNode quota = OkProperty(response, QStringLiteral("D:quota"));
          if (quota.isNull()) continue;
          const win::DOMNode used = OkProperty(response, QStringLiteral("D:used"));
          result = (used.isNull() ? QString() : used.nodeTypedValue()) + u'/' + quota.nodeTypedValue();
          break;
        }
      },
      [](const vb::ErrorInfo&) {});
  WriteTrace(QStringLiteral("Used quota: ") + result);
  return result;
}

Long WebDavControl::GetVersionInfo() {
  return vb::OnErrorGoTo(
      [&]() -> Long {
        const QString host = vb::Trim(UserWebdavServer());
        if (host.isEmpty()) return 0;
        win::HINTERNET file = win::InternetOpenUrl(
            hInternetSession, QStringLiteral("http://") + host + QStringLiteral("/cgi-bin/zqwinversion"), {}, 0,
            kVersionFlags);
        if (!file) return 0;
        QByteArray buffer(kVersionPiece, '\0');
        win::DWORD read = 0;
        if (!win::InternetReadFile(file, buffer.data(), kVersionPiece, read)) read = 0;
        win::InternetCloseHandle(file);
        QString text = vb::Trim(win::FromAnsi(buffer.left(static_cast<qsizetype>(read))));
        if (text.isEmpty()) text = QStringLiteral("0");
        return static_cast<Long>(vb::CLng(text));
      },
      [](const vb::ErrorInfo& e) -> Long {
        WriteTrace(QStringLiteral("GetVersionInfo ") + QString::number(e.number) + e.description);
        return 0;
      });
}

QString WebDavControl::GetChunkSize(const QString& sFIle) {
  QString result = QStringLiteral("0");
  vb::OnErrorGoTo(
      [&] {
        sErrorText.clear();
        sRequestHeaders = QStringLiteral("Depth:1") + kCrLf;
        lRequestFlags = static_cast<Long>(win::INTERNET_FLAG_RELOAD);
        OptionalHeader_ = PropfindBody(Engine().gsServerName + Engine().gsAccountRoot, kChecksumProps);
        const Long status = HttpProcessCalls(QStringLiteral("PROPFIND"), sFIle, false, true);
        OptionalHeader_.clear();
        sRequestHeaders.clear();
        lRequestFlags = 0;
        sChecksumList.clear();
        if (!QString::number(status).startsWith(u'2') || sFIle.isEmpty()) return;
        bool failed = false;
        const QString reply = win::FromAnsi(ReadReply(kQuotaPiece, false, failed));
        if (failed) dav_oper_stat_codes(static_cast<Long>(win::InternetGetLastError()), QStringLiteral("PROPFIND"));
        win::DOMDocument doc;
        (void)doc.loadXML(reply);
        // The asked item's own response comes first; a folder's children
        // (Depth 1) say nothing about it.
        const win::DOMNodeList responses = doc.selectNodes(QStringLiteral("D:multistatus/D:response"));
        for (const win::DOMNode& response : responses) {
          const QString href = response.selectSingleNode(QStringLiteral("D:href")).nodeTypedValue();
          if (href.endsWith(u'/')) {
            result.clear();
            sChecksumList.clear();
            break;
          }
          const win::DOMNode chunk = OkProperty(response, QStringLiteral("D:chunksize"));
          const win::DOMNode checksum = OkProperty(response, QStringLiteral("checksum"));
          result = chunk.isNull() ? QString() : chunk.nodeTypedValue();
          sChecksumList = checksum.isNull() ? QString() : checksum.nodeTypedValue();
          FillBlockChecksumvalue();
          break;
        }
        CloseRequest();
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in GetChunkSize ") + QString::number(e.number) + e.description);
      });
  return result;
}

void WebDavControl::FillBlockChecksumvalue() {
  // The list is the numbers each followed by two blanks.
  lBlockChecksums.clear();
  vb::OnErrorGoTo(
      [&] {
        for (const QString& piece : sChecksumList.split(u' ', Qt::SkipEmptyParts)) {
          lBlockChecksums.push_back(static_cast<Long>(vb::CLng(piece)));
        }
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral(" FillBlockChecksumvalue ") + QString::number(e.number) + e.description);
      });
}

bool WebDavControl::bChecklocremchksumval(const QString& /*strInput*/, Long blockno) {
  // The block-checksum library is not part of this system: without it no
  // local checksum exists, and no block can be taken as matching.
  if (blockno < 1 || static_cast<std::size_t>(blockno) > lBlockChecksums.size()) return false;
  return false;
}

bool WebDavControl::CheckInternetConnection(Long n) {
  return vb::OnErrorGoTo(
      [&] {
        WebDavControl& dav = gWebDavControl();
        const QString host = UserWebdavServer();
        win::HINTERNET file = nullptr;
        if (!vb::Trim(host).isEmpty()) {
          file = win::InternetOpenUrl(dav.hInternetSession,
                                      QStringLiteral("https://") + host + QStringLiteral("/cgi-bin/zqwinversion"), {},
                                      0, kVersionFlags);
        }
        if (file) {
          win::InternetCloseHandle(file);
          return true;
        }
        dav_oper_stat_codes(static_cast<Long>(win::InternetGetLastError()), QStringLiteral("InternetConnect"));
        if (n < 2) WriteTransferLog(QStringLiteral("Unable to connect to server, Reason : ") + dav_geterrorstring());
        vb::Sleep(2000);
        dav.Reconnect();
        return false;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in Webdav CheckInternetConnection()") + QString::number(e.number) +
                   e.description);
        return false;
      });
}

}  // namespace OrvaneSrv
