// WebDavControl: the remote listing (NodeKey texts into the listing and
// snapshot collections), the restore walk's folder content, and the size of
// one remote file.
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Util.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "ZQwinSrv/server/WebDavRequests.h"
#include "platform/clock/Clock.h"
#include "platform/codepage/CodePage.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"
#include "platform/xml/DOMDocument.h"

namespace OrvaneSrv {
namespace {

const QString kKeySeparator = QStringLiteral(">");
const QString kFolderSize = QStringLiteral("4096");
// Below this many files a listing is sorted by name; larger folders keep the
// server's order, the sort being quadratic.
constexpr qsizetype kSortLimit = 2000;
constexpr win::DWORD kListingPiece = 8191;
constexpr win::DWORD kSizePiece = 510;
constexpr win::DWORD kSizeScriptPiece = 96;
// Reload and raw data: the size script's URL.
constexpr win::DWORD kSizeScriptFlags = 0xC0000000;

// "HTTP/1.1 200 OK": the code after the protocol, the words being
// separated by any white space.
bool IsOkStatusLine(QStringView line) {
  qsizetype at = 0;
  auto word = [&] {
    while (at < line.size() && line.at(at).isSpace()) ++at;
    const qsizetype start = at;
    while (at < line.size() && !line.at(at).isSpace()) ++at;
    return line.sliced(start, at - start);
  };
  (void)word();
  return word() == u"200";
}

// The propstat elements of a response whose status is 200, in order.
win::DOMNodeList OkPropstats(const win::DOMNode& response) {
  win::DOMNodeList ok = response.selectNodes(QStringLiteral("D:propstat"));
  const auto failed = [](const win::DOMNode& propstat) {
    const win::DOMNode status = propstat.selectSingleNode(QStringLiteral("D:status"));
    return status.isNull() || !IsOkStatusLine(status.text());
  };
  ok.erase(std::remove_if(ok.begin(), ok.end(), failed), ok.end());
  return ok;
}

// The first node of `path` ("D:prop/lp0:getlastmodified") in those propstats.
win::DOMNode FirstProperty(const win::DOMNodeList& okPropstats, const QString& path) {
  for (const win::DOMNode& propstat : okPropstats) {
    const win::DOMNode node = propstat.selectSingleNode(path);
    if (!node.isNull()) return node;
  }
  return {};
}

const QString kModifiedPath = QStringLiteral("D:prop/lp0:getlastmodified");
const QString kLengthPath = QStringLiteral("D:prop/lp0:getcontentlength");

// A decoded folder path with exactly one "/" at its end, the form in which
// the listed folder and the hrefs of a reply are compared.
QString OneTrailingSlash(QString path) {
  while (path.endsWith(u'/')) path.chop(1);
  return path + u'/';
}

// A size text as a 64-bit number; text that is no number raises 13.
qint64 SizeNumber(const QString& text) {
  const double value = vb::RoundHalfEven(vb::CDbl(text));
  if (!(value >= -9.2e18 && value <= 9.2e18)) vb::Raise(vb::errOverflow);
  return static_cast<qint64>(value);
}

// The 16-bit positions of the legacy text search: beyond 32767 they
// overflow.
qsizetype Position16(qsizetype position) {
  if (position > 32767) vb::Raise(vb::errOverflow);
  return position;
}

// The user interface's messages while a long listing is read: twice at the
// first entry, then twice at the first entry once kPumpIntervalMs have
// passed since they last began, so the windows stay alive and a Stop is
// seen within that time, without a pump for every one of many thousand
// entries.
class ListingPump {
 public:
  void Entry() {
    if (started_ && vb::TickCount() - last_ < kPumpIntervalMs) return;
    started_ = true;
    last_ = vb::TickCount();
    vb::DoEvents();
    vb::DoEvents();
  }

 private:
  static constexpr std::uint32_t kPumpIntervalMs = 20;
  bool started_ = false;
  std::uint32_t last_ = 0;  // the tick count wraps; the difference does not mind
};

// The entry's sequence number as CStr writes it: whole numbers below 10^15
// are plain digits, read here without the general number formatting.
QString IndexText(double index) {
  if (index == std::floor(index) && std::fabs(index) < 1e15) return QString::number(static_cast<qint64>(index));
  return vb::CStr(index);
}

void ListingFailed(const vb::ErrorInfo& e) {
  WriteTransferLog(QStringLiteral("Unable to create enum directory, Reason : ") + e.description, 2);
  WriteTrace(QStringLiteral("Exit  httpEnumDirectory  "));
}

}  // namespace

QString PropfindBody(const QString& hostAndRoot, const QString& props) {
  return QStringLiteral("<?xml version='1.0'?><a:propfind xmlns:a='DAV:'><a:prop xmlns:R=") + u'"' + hostAndRoot +
         u'"' + QStringLiteral(" >") + props + QStringLiteral("</a:prop></a:propfind>");
}

win::DOMNode OkProperty(const win::DOMNode& response, const QString& prop) {
  return FirstProperty(OkPropstats(response), QStringLiteral("D:prop/") + prop);
}

QString HrefPath(const QString& href) {
  const qsizetype scheme = href.indexOf(QStringLiteral("://"));
  if (scheme <= 0) return href;
  const QString name = href.left(scheme);
  if (name.compare(QStringLiteral("http"), Qt::CaseInsensitive) != 0 &&
      name.compare(QStringLiteral("https"), Qt::CaseInsensitive) != 0) {
    return href;
  }
  const qsizetype path = href.indexOf(u'/', scheme + 3);
  return path < 0 ? QStringLiteral("/") : href.mid(path);
}

QByteArray WebDavControl::ReadReply(win::DWORD piece, bool pumpMessages, bool& failed) {
  failed = false;
  QByteArray reply;
  QByteArray buffer(static_cast<qsizetype>(piece), '\0');
  for (;;) {
    if (pumpMessages) {
      vb::Sleep(1);
      for (int i = 0; i < 3; ++i) vb::DoEvents();
    }
    win::DWORD read = 0;
    if (!win::InternetReadFile(hRequest, buffer.data(), piece, read)) {
      failed = true;
      break;
    }
    if (read == 0) break;
    reply.append(buffer.constData(), static_cast<qsizetype>(read));
  }
  return reply;
}

bool WebDavControl::HttpEnumDirectory(const QString& strdirectory) {
  return vb::OnErrorGoTo(
      [&] {
        ClearBag();
        sQuotaText = QStringLiteral("0");

        sErrorText.clear();
        sRequestHeaders = kPropfindHeaders;
        OptionalHeader_ = PropfindBody(Engine().gsServerName + Engine().gsAccountRoot, kListingProps);
        lRequestFlags = static_cast<Long>(win::INTERNET_FLAG_NO_CACHE_WRITE);
        Long status = HttpProcessCalls(QStringLiteral("PROPFIND"), strdirectory, false, true);
        if (status != 207) status = HttpProcessCalls(QStringLiteral("PROPFIND"), strdirectory, false, true);
        lListingStatus_ = status;
        if (status != 207) {
          // No status at all: the internet library's error tells why.
          dav_oper_stat_codes(status != 0 ? status : static_cast<Long>(win::InternetGetLastError()),
                              QStringLiteral("PROPFIND"));
          return false;
        }
        OptionalHeader_.clear();
        sRequestHeaders.clear();

        if (strdirectory.isEmpty()) {
          CloseRequest();
          return !(sQuotaText == u"0" && Items(Engine().gcolEnumItems)->Count() == 0 &&
                   Items(Engine().gcolEnumSnapshots)->Count() == 0);
        }
        bool failed = false;
        // The reply is taken byte for byte in the 8-bit code page; the path
        // decoding turns the characters back into those bytes, so an href a
        // server sends as raw UTF-8 still decodes right.
        return EnumReply(win::AnsiToUtf8(ReadReply(kListingPiece, true, failed)), strdirectory);
      },
      [&](const vb::ErrorInfo& e) {
        ListingFailed(e);
        return false;
      });
}

bool WebDavControl::EnumDirectoryReply(const QString& reply, const QString& strdirectory) {
  return vb::OnErrorGoTo(
      [&] {
        ClearBag();
        sQuotaText = QStringLiteral("0");
        return EnumReply(reply.toUtf8(), strdirectory);
      },
      [&](const vb::ErrorInfo& e) {
        ListingFailed(e);
        return false;
      });
}

bool WebDavControl::EnumDirectoryReply(QByteArray reply, const QString& strdirectory) {
  return vb::OnErrorGoTo(
      [&] {
        ClearBag();
        sQuotaText = QStringLiteral("0");
        QByteArray utf8 = win::AnsiToUtf8(reply);
        reply = QByteArray();  // held once: as it came, or as UTF-8
        return EnumReply(std::move(utf8), strdirectory);
      },
      [&](const vb::ErrorInfo& e) {
        ListingFailed(e);
        return false;
      });
}

bool WebDavControl::EnumReply(QByteArray utf8, const QString& strdirectory) {
  EngineState& g = Engine();
  win::DOMDocument doc;
  const bool loaded = doc.loadUtf8(utf8);
  utf8 = QByteArray();  // the document holds what is needed now
  if (!loaded || !doc.hasText()) {
    WriteTrace(QStringLiteral("DOM Object didn't load the XMLResponse, so quitting function") +
               QStringLiteral("\r\n") + QStringLiteral("Reason: ") + doc.parseError().reason);
    WriteTransferLog(QStringLiteral("Unable to retrieve Orvane contents, reason : DOM object failed to load XMLResponse"),
                     2);
    sErrorText = QStringLiteral("Improper or incomplete server response.");
    CloseRequest();
    return false;
  }

  const win::DOMNodeList responses = doc.selectNodes(QStringLiteral("D:multistatus/D:response"));
  win::DOMNode quota;
  for (const win::DOMNode& response : responses) {
    quota = OkProperty(response, QStringLiteral("D:quota"));
    if (!quota.isNull()) break;
  }
  if (quota.isNull()) {
    sQuotaText = QStringLiteral("0");
    sUsedText = QStringLiteral("0");
  } else {
    sQuotaText = quota.nodeTypedValue();
    win::DOMNode used;
    for (const win::DOMNode& response : responses) {
      used = OkProperty(response, QStringLiteral("D:used"));
      if (!used.isNull()) break;
    }
    sUsedText = used.nodeTypedValue();  // a reply with a quota but no used value fails as a missing property
  }

  const vb::CollectionPtr& items = Items(g.gcolEnumItems);
  const vb::CollectionPtr& snapshots = Items(g.gcolEnumSnapshots);
  const QString listed = OneTrailingSlash(strdirectory);
  // The response and the NodeKey of each file.
  std::vector<std::pair<std::size_t, QString>> files;
  files.reserve(responses.size());
  auto hrefOf = [](const win::DOMNode& response) {
    return HrefPath(response.selectSingleNode(QStringLiteral("D:href")).nodeTypedValue());
  };

  ListingPump pump;
  for (std::size_t at = 0; at < responses.size(); ++at) {
    const win::DOMNode& response = responses[at];
    pump.Entry();
    g.gdNodeIndex += 1;
    const QString href = hrefOf(response);
    const QString decoded = convertstring(href);
    const QString index = IndexText(g.gdNodeIndex);
    auto key = [&](const QString& modified, const QString& size) {
      return index + kKeySeparator + EscapeKeyField(modified) + kKeySeparator + EscapeKeyField(size) +
             kKeySeparator + EscapeKeyField(decoded) + kKeySeparator + EscapeKeyField(href);
    };

    // The listed folder's own entry, however the server wrote it.
    if (OneTrailingSlash(decoded) == listed) continue;
    // Only what lies below the listed folder: an href elsewhere would be
    // restored outside the folder the user chose.
    if (!decoded.startsWith(listed)) {
      WriteTrace(QStringLiteral("Listing entry outside the listed folder skipped : ") + LogName(href));
      continue;
    }

    const win::DOMNodeList ok = OkPropstats(response);
    if (href.endsWith(u'/')) {
      const QString modified = FirstProperty(ok, kModifiedPath).nodeTypedValue();
      const QString nodeKey = key(modified, kFolderSize);
      if (g.gbListingAtRoot && vb::LCase(href).contains(vb::LCase(QStringLiteral("BackUp_nightly.")))) {
        snapshots->Add(nodeKey);
      } else {
        items->Add(nodeKey);
      }
      continue;
    }

    QString size = FirstProperty(ok, kLengthPath).nodeTypedValue();
    // The service reports sizes as signed 32-bit numbers: a negative one is
    // a file of 2 GB or more, whose size the size script knows.
    if (vb::Val(size) < 0) size = GetServerFileSize(href);
    const QString modified = FirstProperty(ok, kModifiedPath).nodeTypedValue();
    files.emplace_back(at, key(modified, size));
  }

  const auto n = static_cast<qsizetype>(files.size());
  if (n < kSortLimit) {
    // Sort key (the last segment of the raw href, in lower case) and NodeKey
    // of each file, worked out only for a folder small enough to sort.
    std::vector<std::pair<QString, QString>> sorted;
    sorted.reserve(files.size());
    for (auto& [response, nodeKey] : files) {
      sorted.emplace_back(vb::LCase(gUtil().StringEndFolder(hrefOf(responses[response]), QStringLiteral("/"))),
                          std::move(nodeKey));
    }
    // A bubble sort that also swaps equal keys, as the service's clients
    // always did: names that differ only in case change places on every
    // pass that compares them.
    for (qsizetype i = 1; i <= n - 1; ++i) {
      for (qsizetype j = 0; j <= n - i - 1; ++j) {
        if (sorted[j].first >= sorted[j + 1].first) std::swap(sorted[j], sorted[j + 1]);
      }
    }
    for (const auto& row : sorted) items->Add(row.second);
  } else {
    for (const auto& row : files) items->Add(row.second);
  }
  CloseRequest();

  return !(sQuotaText == u"0" && items->Count() == 0 && snapshots->Count() == 0);
}

void WebDavControl::ListRemoteDirContent(const QString& strdirectory) {
  if (HttpEnumDirectory(strdirectory)) {
    AddItemtoRemotedirContent();
    return;
  }
  Engine().gbRemoteError = true;
  // A status the status texts leave empty (the sign-in relies on that) is
  // still a reason for the log.
  QString reason = dav_geterrorstring();
  if (reason.isEmpty()) reason = StatusReason(lListingStatus_);
  WriteTransferLog(QStringLiteral("Error in listing contents for ") + QStringLiteral("My Orvane/") +
                       LogName(GetRemotePath(strdirectory)) + QStringLiteral(" Reason : ") + reason,
                   2);
}

void WebDavControl::AddItemtoRemotedirContent() {
  vb::OnErrorGoTo(
      [&] {
        EngineState& g = Engine();
        const vb::CollectionPtr items = Items(g.gcolEnumItems);
        const vb::CollectionPtr& content = Items(g.gcolRemoteDirContent);
        for (long i = 1; i <= items->Count(); ++i) {
          const QString text = items->Item(i).ToString();
          QStringList fields;
          gUtil().SplitFullText(text, kKeySeparator, fields);
          const double size = fields.size() >= 4 && !fields.at(2).isEmpty() ? vb::Val(fields.at(2)) : 0;
          const QString path = gUtil().GetInfoFromKey(3, text);
          QString entry;
          if (path.endsWith(u'/')) {
            entry = QStringLiteral("D_") + path;
          } else {
            entry = QStringLiteral("F_") + path;
            g.gdRestoreSetSize += size;
          }
          vb::DoEvents();
          gProgressDisplay().PrepMonitorCall(0, QString(), QStringLiteral("Preparing file list"), 0);
          content->Add(entry);
        }
      },
      [](const vb::ErrorInfo&) { WriteTrace(QStringLiteral("Error in AddItemtoRemotedirContent()")); });
}

void WebDavControl::ClearBag() { ClearBacksetData(Items(Engine().gcolEnumItems)); }

QString WebDavControl::ConvertResponse(const QString& xmlzip) {
  return vb::OnErrorGoTo(
      [&] {
        const QString open = QStringLiteral("<D:name>");
        const QString close = QStringLiteral("</D:name>");
        const qsizetype first = Position16(vb::InStr(xmlzip, open));
        if (first == 0) return xmlzip;
        if (Position16(vb::InStr(first + 1, xmlzip, open)) != 0) return xmlzip;
        const qsizetype end = Position16(vb::InStr(xmlzip, close));
        if (end == 0) return xmlzip;
        return vb::Left(xmlzip, first - 1) + vb::Mid(xmlzip, end + close.size());
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(QString::number(e.number) + e.description);
        return xmlzip;
      });
}

QString WebDavControl::GetServerFileSize(const QString& href) {
  QString size;
  vb::ResumeNext next;
  QString path;
  next([&] { path = vb::Mid(href, vb::InStr(href, QStringLiteral("users")) + 5); });
  const QString url = QStringLiteral("https://") + CurrentServiceHosts().sMainWebHost +
                      QStringLiteral("/cgi-bin/return_filesize?filepath=") + path + QStringLiteral("&test=1");
  win::HINTERNET file = nullptr;
  next([&] { file = win::InternetOpenUrl(hInternetSession, url, {}, 0, kSizeScriptFlags); });
  if (!file) return size;
  next([&] {
    QByteArray buffer(kSizeScriptPiece, '\0');
    win::DWORD read = 0;
    if (!win::InternetReadFile(file, buffer.data(), kSizeScriptPiece, read)) read = 0;
    QString text = StripNull(vb::Trim(win::FromAnsi(buffer.left(static_cast<qsizetype>(read)))));
    if (text.isEmpty()) text = QStringLiteral("0");
    size = vb::CStr(vb::CDbl(text) * 1024);
  });
  next([&] { win::InternetCloseHandle(file); });
  return size;
}

qint64 WebDavControl::GetFileSize(const QString& sFIle, bool mzipfile) {
  return vb::OnErrorGoTo(
      [&]() -> qint64 {
        sErrorText.clear();
        sRequestHeaders = kFileSizeHeaders;
        lRequestFlags = static_cast<Long>(win::INTERNET_FLAG_RELOAD);
        OptionalHeader_ = PropfindBody(Engine().gsServerName + Engine().gsAccountRoot,
                                       mzipfile ? kZipFileSizeProps : kFileSizeProps);
        const Long status = HttpProcessCalls(QStringLiteral("PROPFIND"), sFIle, false, true);
        OptionalHeader_.clear();
        sRequestHeaders.clear();
        lRequestFlags = 0;

        if (!QString::number(status).startsWith(u'2')) {
          // A request that got no answer comes back as the internet
          // library's code; the thread's last error is no longer that code
          // once the connection was opened again.
          dav_oper_stat_codes(status >= 12000 ? status : static_cast<Long>(win::InternetGetLastError()),
                              QStringLiteral("PROPFIND"));
          if (sErrorText.isEmpty()) sErrorText = StatusReason(status);
          return -1;
        }
        if (sFIle.isEmpty()) return 0;

        bool failed = false;
        const QString reply = win::FromAnsi(ReadReply(kSizePiece, false, failed));
        if (failed) dav_oper_stat_codes(static_cast<Long>(win::InternetGetLastError()), QStringLiteral("PROPFIND"));
        win::DOMDocument doc;
        (void)doc.loadXML(ConvertResponse(reply));

        QString size;
        vb::ResumeNext next;
        for (const win::DOMNode& response : doc.selectNodes(QStringLiteral("D:multistatus/D:response"))) {
          QString href;
          next([&] { href = HrefPath(response.selectSingleNode(QStringLiteral("D:href")).nodeTypedValue()); });
          if (href.endsWith(u'/')) {
            size = QStringLiteral("0");
            continue;
          }
          if (mzipfile) {
            next([&] { size = OkProperty(response, QStringLiteral("D:size")).nodeTypedValue(); });
            next([&] {
              CompSize_ = SizeNumber(OkProperty(response, QStringLiteral("lp0:getcontentlength")).nodeTypedValue());
            });
            if (size.isEmpty() && CompSize_ != 0) {
              size = QStringLiteral("-1");
              break;
            }
          } else {
            next([&] { size = OkProperty(response, QStringLiteral("lp0:getcontentlength")).nodeTypedValue(); });
            next([&] { CompSize_ = SizeNumber(size); });
          }
        }
        CloseRequest();
        size = vb::Trim(size);
        // A reply that names no size is no answer: 0 stands only for a file
        // the server reports as empty (or a folder).
        if (size.isEmpty()) {
          if (sErrorText.isEmpty()) sErrorText = QStringLiteral("Improper or incomplete server response.");
          return -1;
        }
        return SizeNumber(size);
      },
      [&](const vb::ErrorInfo& e) -> qint64 {
        WriteTrace(QStringLiteral("Error in GetFileSize ") + e.description);
        // A size that is no number.
        if (sErrorText.isEmpty()) sErrorText = QStringLiteral("Improper or incomplete server response.");
        return -1;
      });
}

}  // namespace OrvaneSrv
