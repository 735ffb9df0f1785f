#pragma once
// The engine's public class WebDavControl: the one WebDAV client. It owns the
// engine's internet session, one connection to the WebDAV server and one open
// request at a time; every WebDAV request of the engine goes through
// HttpProcessCalls. It also holds the engine's one error text: the WebDAV
// operations set it from their failing status, the call-back bridge, the
// script client and the rsync side set it directly, and the facade hands it
// to the restore program after a call that did not succeed.
//
// The engine shares one object, gWebDavControl(); the script client posts on
// its session and the rsync side reads its error text. The restore program
// creates objects of its own only for URLEncodeWebd and convertstring.

#include <QByteArray>
#include <QString>

#include <vector>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "ZQwinSrv/foundation/EngineState.h"
#include "platform/errors/RuntimeError.h"
#include "platform/inet/WinInet.h"
#include "platform/values/Object.h"
#include "platform/values/Variant.h"

namespace OrvaneSrv {

class ORVANESRV_EXPORT WebDavControl : public vb::Object {
 public:
  WebDavControl() = default;
  // Closes the session, and with it the connection and the open request.
  ~WebDavControl() override;

  [[nodiscard]] QString TypeName() const override { return QStringLiteral("WebDavControl"); }

  // Members in the order of the class's interface.

  // Stored and answered; nothing reads it.
  [[nodiscard]] Integer globalindex() const { return globalindex_; }
  void globalindex(Integer value) { globalindex_ = value; }
  // The stored size (getcontentlength) found by the last GetFileSize; for a
  // zip file its compressed size.
  [[nodiscard]] qint64 CompSize() const { return CompSize_; }
  void CompSize(qint64 value) { CompSize_ = value; }
  // The body of the next request.
  [[nodiscard]] QString OptionalHeader() const { return OptionalHeader_; }
  void OptionalHeader(const QString& value) { OptionalHeader_ = value; }
  // Stored and answered; nothing reads it.
  [[nodiscard]] bool CancelProcess() const { return CancelProcess_; }
  void CancelProcess(bool value) { CancelProcess_ = value; }

  // Opens (or re-opens) the internet session; the old session closes first,
  // and with it the WebDAV connection opened on it.
  bool hInternetOpen(const QString& sUserAgent, Long dAccessType, const QString& sProxyName,
                     const QString& sProxyUser, const QString& sProxyPass);
  // Opens the connection to the WebDAV server on the session, builds the
  // credential of every later request and sets the account root. A blank
  // server or user answers false and changes nothing.
  bool OpenConnection(const QString& sServer, const QString& sPort, const QString& sUser, const QString& sPassword);
  // Closes the connection (not the session).
  void CloseConnection();
  // The description of the run-time error being handled, or else the
  // internet library's message text for `dwError` without its line end.
  QString ErrorOut(Long dwError, const QString& szFunc);
  // "#" as "%23" and "%" as "%25"; nothing else changes.
  QString ReverseConvertString(const QString& sActualString);
  // A server path with its percent escapes decoded as UTF-8.
  QString convertstring(const QString& Ascstring);
  // The size of one remote file (with `mzipfile`, the uncompressed size of a
  // zip file and its stored size in CompSize); -1 when the request failed.
  qint64 GetFileSize(const QString& sFIle, bool mzipfile = false);
  // The reply text without its one name element.
  QString ConvertResponse(const QString& xmlzip);
  // Sets the error text from a failing code and the verb of the failed
  // request (or a word naming the failing step).
  void dav_oper_stat_codes(Long code, const QString& dav_verb, Long File_error = 0);
  // The error text up to its first line end.
  [[nodiscard]] QString dav_geterrorstring() const;
  // Replaces the error text by `errs`; answers Empty.
  vb::Variant dav_seterrorstring(const QString& errs);
  // The ranged download and the firewall helper are declared in their
  // interface places and built with the work on those operations.

  // MKCOL of the folder path as given; true when it was created or exists
  // already. A connection closed by a session re-open is tried once more.
  bool CreateDirectory(const QString& sRemotePath);
  // Closes the connection and the last request and opens the connection again
  // for the signed-in user; the outcome is not reported.
  void Reconnect();
  // used "/" quota of the account, as the server sends them (the service:
  // megabytes); "0" when they cannot be read. Always asks the shared client.
  QString GetQuotaInfo();
  void updateprogress(const QString& sFileName, float dStartTime, double size, double sum, double buffernow,
                      Long sBkstatus);
  // True when the account root answers a PROPFIND with 207.
  bool CheckLogin();
  // The number the version script of the user's WebDAV server answers; 0
  // when it cannot be read.
  Long GetVersionInfo();
  // The chunk size the server reports for a file ("" for a folder, "0" when
  // the request failed), with its block checksums.
  QString GetChunkSize(const QString& sFIle);
  // Parses the checksum property of the last GetChunkSize into numbers.
  void FillBlockChecksumvalue();
  // Compares one block with the server's checksum. The block-checksum
  // library is not part of this system: always false.
  bool bChecklocremchksumval(const QString& strInput, Long blockno);
  // The session handle as a 32-bit number (0 when no session is open).
  [[nodiscard]] vb::Variant getInternetOpenHandle() const;
  bool HttpDownloadFile(const QString& filepath, const QString& destdir, const QString& orDestfilepath);
  // Lists a folder and, on success, appends its entries to the restore
  // walk's content; a failure marks the remote error and logs one line.
  void ListRemoteDirContent(const QString& strdirectory);
  // Appends the entries of the last listing to the restore walk's content.
  void AddItemtoRemotedirContent();
  // Lists the folder `strdirectory` (a decoded server path) into the listing
  // and snapshot collections of the engine state.
  bool HttpEnumDirectory(const QString& strdirectory);
  // Empties the listing collection (not the snapshot one).
  void ClearBag();
  // The error text whole.
  [[nodiscard]] QString GetDavErr() const;
  // DELETE of a file or folder (encoded with either flag, as given
  // otherwise), once more as given when it did not answer 204; `statcode`
  // gets the last status. The account root and anything shorter are refused
  // with the engine's message box and statcode 18, sending nothing.
  bool Deleteitem(const QString& sRemotePath, Long& statcode, bool bSyncDelete = false, bool bSearch = false);
  // MOVE without overwriting (tried twice); the Destination is on the open
  // connection's scheme, host and port. `bFolderRename` is not read.
  bool RenameItem(const QString& sremotesrc, const QString& sremotetgt, bool bFolderRename = false);
  // COPY without overwriting, tried once; "#" and "%" of the target escaped.
  bool copyitem(const QString& sremotesrc, const QString& sremotetgt);
  // Sends one WebDAV request and leaves it open for the caller to read: the
  // HTTP status; the system error code when it could not be opened, given
  // its headers or sent; 1 when nothing was sent; 0 when no status was read.
  Long HttpProcessCalls(const QString& webdavaction, const QString& resource, bool IsBackup = false,
                        bool bCreate = false);
  // The path coding of request paths: UTF-8 bytes, "/", digits and ASCII
  // letters kept, every other byte as "%" and two hexadecimal digits.
  [[nodiscard]] QString URLEncodeWebd(const QString& Unistr) const;
  vb::Variant LaunchFirewall(Integer nMode = 0);

  // Not part of the class's interface.

  // The listing of a reply already read: what HttpEnumDirectory does once
  // the reply text is in (the document, the quota, the entries, their order,
  // the empty-folder rule). Lets the reply handling be checked on canned
  // replies.
  bool EnumDirectoryReply(const QString& reply, const QString& strdirectory);
  // The same for the reply's bytes as the client reads them (the 8-bit code
  // page); they are let go once parsed.
  bool EnumDirectoryReply(QByteArray reply, const QString& strdirectory);
  // The quota and used values of the last listing ("0" when it had none).
  [[nodiscard]] QString QuotaText() const { return sQuotaText; }
  [[nodiscard]] QString UsedText() const { return sUsedText; }
  // Whether a remaining time of `n` hours is shown for a set of `size`
  // bytes: up to 1 hour always, from 3 to 12 hours only for a set of at
  // least n - 2 GB, never for 2 hours or above 12.
  [[nodiscard]] static bool IsSizeOverGB(double size, Long n);
  // The work file beside its target that HttpDownloadFile writes the file
  // `name` of the folder `destdir` (ending in "\") into.
  [[nodiscard]] static QString DownloadWorkFile(const QString& destdir, const QString& name);

 private:
  [[nodiscard]] QString GetServerFileSize(const QString& href);
  // True when the version script of the user's WebDAV server opens over
  // HTTPS; else the error text is set, and after a short wait the
  // connection is opened again.
  bool CheckInternetConnection(Long n);
  // "https://host" (or "http://", with ":port" when it is not the scheme's
  // own) of the open connection: where a MOVE or COPY Destination points.
  [[nodiscard]] QString ConnectionOrigin() const;
  // The listing of a reply given as UTF-8 bytes: the steps after the
  // reading. The bytes are let go once parsed.
  bool EnumReply(QByteArray utf8, const QString& strdirectory);
  // The whole reply of the open request, read in pieces of `piece` bytes
  // (with a short wait and the user interface's messages before each one
  // when `pumpMessages`); `failed` tells whether a read failed.
  QByteArray ReadReply(win::DWORD piece, bool pumpMessages, bool& failed);
  void CloseRequest();

  Integer globalindex_ = 0;
  qint64 CompSize_ = 0;
  QString OptionalHeader_;
  bool CancelProcess_ = false;
  QString sRequestHeaders;
  Long lRequestFlags = 0;
  QString sAuthCredential;
  win::HINTERNET hInternetSession = nullptr;
  win::HINTERNET hConnection = nullptr;
  win::HINTERNET hRequest = nullptr;
  Long lConnectFlags = 0;
  QString sProxyUser, sProxyPass;
  QString sErrorText;
  QString sQuotaText, sUsedText;
  // The status of the last listing's PROPFIND.
  Long lListingStatus_ = 0;
  // Server and port of the open connection.
  QString sConnectedServer, sConnectedPort;
  // The checksum property of the last GetChunkSize reply, the server's
  // block checksums parsed from it, and the local ones compared.
  QString sChecksumList;
  std::vector<Long> lBlockChecksums, lLocalChecksums;
  // The run-time error a handler is dealing with while it sets the error
  // text: ErrorOut answers its description first.
  vb::ErrorInfo errHandled_;
};

// The engine's one WebDAV client, created on first use.
WebDavControl& gWebDavControl();

}  // namespace OrvaneSrv
