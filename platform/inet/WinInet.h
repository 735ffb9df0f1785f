#pragma once
// The internet-session service the engine was written against, over libcurl.
//
// Handle-based and synchronous, with the legacy names, constants and error
// codes: a session (InternetOpen) holds connections (InternetConnect), a
// connection holds requests (HttpOpenRequest); InternetOpenUrl gives a request
// handle that is already sent. Every call answers the way the legacy API did:
// a null handle or false on failure, the reason in InternetGetLastError() of
// the calling thread (Win32 style: a success leaves the last error as it was).
//
// Behaviour callers rely on:
// - HttpSendRequest answers true once the response headers are in, whatever
//   the HTTP status; false only for transport, TLS and certificate failures.
// - InternetReadFile blocks until the buffer is full or the body ends; the end
//   is true with 0 bytes.
// - Requests follow no redirects; InternetOpenUrl does (an https-to-http hop
//   fails with 12040 unless INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP).
// - Closing a handle closes everything opened on it; later calls on any of
//   them fail with ERROR_INVALID_HANDLE (6).
// - Certificates are always verified. The legacy "ignore certificate error"
//   request flags and security flags take effect only when the session was
//   opened with ORVANE_INSECURE_TLS=1 (see platform/inet/README.md).
//
// Texts for the 12xxx codes are not built here: only the codes.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

#include "platform/errors/Win32Error.h"

namespace win {

using INTERNET_PORT = std::uint16_t;
using DWORD_PTR = std::uintptr_t;
// Opaque; the values are small integers, so they survive the legacy code's
// round trip through a 32-bit number. Never dereferenced.
using HINTERNET = void*;

// InternetOpen access types.
inline constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;  // the system's settings (on Linux: the proxy variables)
inline constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;     // no proxy; a proxy name passed with it is ignored
inline constexpr DWORD INTERNET_OPEN_TYPE_PROXY = 3;
inline constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY = 4;

// InternetConnect.
inline constexpr DWORD INTERNET_SERVICE_HTTP = 3;
inline constexpr INTERNET_PORT INTERNET_INVALID_PORT_NUMBER = 0;  // the scheme's default port
inline constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
inline constexpr INTERNET_PORT INTERNET_DEFAULT_HTTPS_PORT = 443;

// Request and URL flags.
inline constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000;
inline constexpr DWORD INTERNET_FLAG_RAW_DATA = 0x40000000;
inline constexpr DWORD INTERNET_FLAG_EXISTING_CONNECT = 0x20000000;
inline constexpr DWORD INTERNET_FLAG_ASYNC = 0x10000000;
inline constexpr DWORD INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000;
inline constexpr DWORD INTERNET_FLAG_SECURE = 0x00800000;
inline constexpr DWORD INTERNET_FLAG_KEEP_CONNECTION = 0x00400000;
inline constexpr DWORD INTERNET_FLAG_NO_AUTO_REDIRECT = 0x00200000;
inline constexpr DWORD INTERNET_FLAG_NO_COOKIES = 0x00080000;
inline constexpr DWORD INTERNET_FLAG_NO_AUTH = 0x00040000;
inline constexpr DWORD INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP = 0x00008000;
inline constexpr DWORD INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS = 0x00004000;
inline constexpr DWORD INTERNET_FLAG_IGNORE_CERT_DATE_INVALID = 0x00002000;
inline constexpr DWORD INTERNET_FLAG_IGNORE_CERT_CN_INVALID = 0x00001000;
inline constexpr DWORD INTERNET_FLAG_NO_UI = 0x00000200;
inline constexpr DWORD INTERNET_FLAG_PRAGMA_NOCACHE = 0x00000100;

// Options (time-outs in milliseconds).
inline constexpr DWORD INTERNET_OPTION_CONNECT_TIMEOUT = 2;
inline constexpr DWORD INTERNET_OPTION_CONNECT_RETRIES = 3;
inline constexpr DWORD INTERNET_OPTION_SEND_TIMEOUT = 5;
inline constexpr DWORD INTERNET_OPTION_RECEIVE_TIMEOUT = 6;
inline constexpr DWORD INTERNET_OPTION_DATA_SEND_TIMEOUT = 7;
inline constexpr DWORD INTERNET_OPTION_DATA_RECEIVE_TIMEOUT = 8;
inline constexpr DWORD INTERNET_OPTION_HANDLE_TYPE = 9;
inline constexpr DWORD INTERNET_OPTION_USERNAME = 28;
inline constexpr DWORD INTERNET_OPTION_PASSWORD = 29;
inline constexpr DWORD INTERNET_OPTION_SECURITY_FLAGS = 31;
inline constexpr DWORD INTERNET_OPTION_URL = 34;
inline constexpr DWORD INTERNET_OPTION_REFRESH = 37;
inline constexpr DWORD INTERNET_OPTION_SETTINGS_CHANGED = 39;
inline constexpr DWORD INTERNET_OPTION_USER_AGENT = 41;
inline constexpr DWORD INTERNET_OPTION_PROXY_USERNAME = 43;
inline constexpr DWORD INTERNET_OPTION_PROXY_PASSWORD = 44;

// INTERNET_OPTION_HANDLE_TYPE answers.
inline constexpr DWORD INTERNET_HANDLE_TYPE_INTERNET = 1;
inline constexpr DWORD INTERNET_HANDLE_TYPE_CONNECT_HTTP = 3;
inline constexpr DWORD INTERNET_HANDLE_TYPE_HTTP_REQUEST = 13;

// INTERNET_OPTION_SECURITY_FLAGS bits.
inline constexpr DWORD SECURITY_FLAG_SECURE = 0x00000001;  // query only
inline constexpr DWORD SECURITY_FLAG_IGNORE_REVOCATION = 0x00000080;
inline constexpr DWORD SECURITY_FLAG_IGNORE_UNKNOWN_CA = 0x00000100;
inline constexpr DWORD SECURITY_FLAG_IGNORE_WRONG_USAGE = 0x00000200;
inline constexpr DWORD SECURITY_FLAG_IGNORE_CERT_CN_INVALID = 0x00001000;
inline constexpr DWORD SECURITY_FLAG_IGNORE_CERT_DATE_INVALID = 0x00002000;
inline constexpr DWORD SECURITY_IGNORE_ERROR_MASK = 0x00003180;

// HttpAddRequestHeaders modifiers.
inline constexpr DWORD HTTP_ADDREQ_FLAG_ADD_IF_NEW = 0x10000000;
inline constexpr DWORD HTTP_ADDREQ_FLAG_ADD = 0x20000000;
inline constexpr DWORD HTTP_ADDREQ_FLAG_COALESCE_WITH_COMMA = 0x40000000;
inline constexpr DWORD HTTP_ADDREQ_FLAG_COALESCE = HTTP_ADDREQ_FLAG_COALESCE_WITH_COMMA;
inline constexpr DWORD HTTP_ADDREQ_FLAG_COALESCE_WITH_SEMICOLON = 0x01000000;
inline constexpr DWORD HTTP_ADDREQ_FLAG_REPLACE = 0x80000000;

// HttpQueryInfo levels and modifiers.
inline constexpr DWORD HTTP_QUERY_CONTENT_TYPE = 1;
inline constexpr DWORD HTTP_QUERY_CONTENT_LENGTH = 5;
inline constexpr DWORD HTTP_QUERY_DATE = 9;
inline constexpr DWORD HTTP_QUERY_LAST_MODIFIED = 11;
inline constexpr DWORD HTTP_QUERY_VERSION = 18;
inline constexpr DWORD HTTP_QUERY_STATUS_CODE = 19;
inline constexpr DWORD HTTP_QUERY_STATUS_TEXT = 20;
inline constexpr DWORD HTTP_QUERY_RAW_HEADERS_CRLF = 22;
inline constexpr DWORD HTTP_QUERY_LOCATION = 33;
inline constexpr DWORD HTTP_QUERY_WWW_AUTHENTICATE = 40;
inline constexpr DWORD HTTP_QUERY_CUSTOM = 65535;  // the header name is passed in the value argument
inline constexpr DWORD HTTP_QUERY_FLAG_REQUEST_HEADERS = 0x80000000;
inline constexpr DWORD HTTP_QUERY_FLAG_NUMBER = 0x20000000;
inline constexpr DWORD HTTP_QUERY_MODIFIER_FLAGS_MASK = 0xF0000000;

// Error codes (Win32 and the internet library's 12xxx range).
// (ERROR_SUCCESS, ERROR_INVALID_HANDLE and the other system codes: Win32Error.h.)
inline constexpr DWORD ERROR_INTERNET_OUT_OF_HANDLES = 12001;
inline constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;
inline constexpr DWORD ERROR_INTERNET_EXTENDED_ERROR = 12003;
inline constexpr DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;
inline constexpr DWORD ERROR_INTERNET_INVALID_URL = 12005;
inline constexpr DWORD ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006;
inline constexpr DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
inline constexpr DWORD ERROR_INTERNET_INVALID_OPTION = 12009;
inline constexpr DWORD ERROR_INTERNET_BAD_OPTION_LENGTH = 12010;
inline constexpr DWORD ERROR_INTERNET_OPTION_NOT_SETTABLE = 12011;
inline constexpr DWORD ERROR_INTERNET_OPERATION_CANCELLED = 12017;
inline constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_TYPE = 12018;
inline constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019;
inline constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
inline constexpr DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;
inline constexpr DWORD ERROR_INTERNET_CONNECTION_RESET = 12031;
inline constexpr DWORD ERROR_INTERNET_SEC_CERT_DATE_INVALID = 12037;
inline constexpr DWORD ERROR_INTERNET_SEC_CERT_CN_INVALID = 12038;
inline constexpr DWORD ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR = 12040;
inline constexpr DWORD ERROR_INTERNET_INVALID_CA = 12045;
inline constexpr DWORD ERROR_INTERNET_SEC_CERT_REV_FAILED = 12057;
inline constexpr DWORD ERROR_HTTP_HEADER_NOT_FOUND = 12150;
inline constexpr DWORD ERROR_INTERNET_INVALID_SERVER_RESPONSE = 12152;
inline constexpr DWORD ERROR_HTTP_INVALID_HEADER = 12153;
inline constexpr DWORD ERROR_HTTP_INVALID_QUERY_REQUEST = 12154;
inline constexpr DWORD ERROR_HTTP_HEADER_ALREADY_EXISTS = 12155;
inline constexpr DWORD ERROR_HTTP_REDIRECT_FAILED = 12156;
inline constexpr DWORD ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157;
inline constexpr DWORD ERROR_INTERNET_SEC_INVALID_CERT = 12169;
inline constexpr DWORD ERROR_INTERNET_SEC_CERT_REVOKED = 12170;
inline constexpr DWORD ERROR_INTERNET_DECODING_FAILED = 12175;

// Sessions. `proxy` is "host:port" (a "http=" prefix and further list entries
// are accepted; the first entry is used) and counts only with
// INTERNET_OPEN_TYPE_PROXY; `proxyBypass` lists hosts separated by blanks or
// ";" ("<local>" stands for the loopback names). The configuration variables of
// README.md are read here: a malformed one fails the open with
// ERROR_INVALID_PARAMETER (ERROR_FILE_NOT_FOUND for an unreadable CA file).
[[nodiscard]] HINTERNET InternetOpen(const QString& agent, DWORD accessType, const QString& proxy = {},
                                     const QString& proxyBypass = {}, DWORD flags = 0);

// Connections. Nothing goes on the wire yet. Port 0 takes 443 for requests
// with INTERNET_FLAG_SECURE and 80 otherwise. The user name and password are
// kept (INTERNET_OPTION_USERNAME / PASSWORD) but never sent on their own:
// callers send their own Authorization header.
[[nodiscard]] HINTERNET InternetConnect(HINTERNET session, const QString& server, INTERNET_PORT port,
                                        const QString& user, const QString& password, DWORD service, DWORD flags,
                                        DWORD_PTR context = 0);

// Requests. `verb` empty means GET, `version` empty means "HTTP/1.1"; the
// object path is sent as given, except that characters that may not stand in
// a request line (blanks, controls, non-ASCII) go out percent-encoded as UTF-8.
// INTERNET_FLAG_SECURE makes it an https request.
[[nodiscard]] HINTERNET HttpOpenRequest(HINTERNET connection, const QString& verb, const QString& objectName,
                                        const QString& version = {}, const QString& referrer = {},
                                        const QStringList& acceptTypes = {}, DWORD flags = 0,
                                        DWORD_PTR context = 0);

// Adds header lines ("Name: value", each ended by CR LF; the last one may lack
// it) to a request. `length` counts characters; -1 takes the whole text.
// Modifiers: none or ADD appends; ADD_IF_NEW fails with 12155 when the name is
// there; COALESCE(_WITH_SEMICOLON) appends the value to the existing one;
// REPLACE replaces the same-named header (an empty value removes it) and fails
// with 12150 when it is absent unless ADD is given too.
[[nodiscard]] bool HttpAddRequestHeaders(HINTERNET request, const QString& headers, qint32 length, DWORD modifiers);

// Sends the request with `optional` as its body. `headers` (may be empty) are
// added first as with ADD | REPLACE. May be called again on the same handle
// (the legacy resend after a certificate error).
[[nodiscard]] bool HttpSendRequest(HINTERNET request, const QString& headers, qint32 headersLength,
                                   const QByteArray& optional);

// Response (or, with HTTP_QUERY_FLAG_REQUEST_HEADERS, request) header queries.
// The text form answers STATUS_CODE as digits, RAW_HEADERS_CRLF as the status
// line and header lines each ended by CR LF plus an empty line; for
// HTTP_QUERY_CUSTOM, `value` holds the header name on entry. The number form
// needs a numeric value (STATUS_CODE, CONTENT_LENGTH, ...). A missing header
// fails with 12150; a query before the response is in with 12019.
[[nodiscard]] bool HttpQueryInfo(HINTERNET request, DWORD infoLevel, QString& value);
[[nodiscard]] bool HttpQueryInfo(HINTERNET request, DWORD infoLevel, DWORD& value);

// Reads the body: `bytesRead` is zeroed first; blocks until `bytesToRead`
// bytes are there or the body ends; true with 0 bytes at the end. Bytes that
// arrived before a transfer failure are handed out first; the read after them
// fails with the failure's code.
[[nodiscard]] bool InternetReadFile(HINTERNET file, void* buffer, DWORD bytesToRead, DWORD& bytesRead);

// GET of an http or https URL on the session, redirects followed unless
// INTERNET_FLAG_NO_AUTO_REDIRECT; answers once the final response headers are
// in (any status), with a request handle to read and query.
[[nodiscard]] HINTERNET InternetOpenUrl(HINTERNET session, const QString& url, const QString& headers = {},
                                        qint32 headersLength = -1, DWORD flags = 0, DWORD_PTR context = 0);

// Options. Sessions pass their time-outs to the connections opened on them
// afterwards, connections to their requests. With a null handle only
// SETTINGS_CHANGED and REFRESH are accepted (they change nothing here).
// SECURITY_FLAGS is for request handles. An option of the other type fails
// with 12010, an unknown one with 12009.
[[nodiscard]] bool InternetSetOption(HINTERNET handle, DWORD option);
[[nodiscard]] bool InternetSetOption(HINTERNET handle, DWORD option, DWORD value);
[[nodiscard]] bool InternetSetOption(HINTERNET handle, DWORD option, const QString& value);
[[nodiscard]] bool InternetQueryOption(HINTERNET handle, DWORD option, DWORD& value);
[[nodiscard]] bool InternetQueryOption(HINTERNET handle, DWORD option, QString& value);

// Closes a handle and every handle opened on it.
bool InternetCloseHandle(HINTERNET handle);

// The calling thread's last error (GetLastError of the legacy code).
[[nodiscard]] DWORD InternetGetLastError();
void InternetSetLastError(DWORD error);

// The calling thread's last error with the transfer library's detail text of
// it (for the session log; empty when there is none).
bool InternetGetLastResponseInfo(DWORD& error, QString& text);

// Test hook, off unless a test turns it on: the next request sent in this
// process (HttpSendRequest, InternetOpenUrl) fails with `error` without
// reaching the network, once; 0 takes back a failure not yet used. For the
// failures no server can produce, such as a failed revocation check (12057).
void InternetFailNextRequest(DWORD error);
// The same for every request sent until it is called again with 0 (a
// revocation check that keeps failing, also when the request is sent again).
void InternetFailEveryRequest(DWORD error);

}  // namespace win
