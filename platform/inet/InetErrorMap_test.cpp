#include "platform/inet/InetErrorMap.h"

#include "platform/inet/WinInet.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <cerrno>

namespace win {
namespace {

TEST(InetErrorMap, TransferFailuresBecomeLegacyCodes) {
  struct Row {
    CURLcode code;
    long verify;
    long osErrno;
    bool toHttp;
    DWORD expected;
    bool silence = false;
  };
  const Row rows[] = {
      {CURLE_OK, 0, 0, false, ERROR_SUCCESS},
      {CURLE_COULDNT_RESOLVE_HOST, 0, 0, false, ERROR_INTERNET_NAME_NOT_RESOLVED},
      {CURLE_COULDNT_RESOLVE_PROXY, 0, 0, false, ERROR_INTERNET_NAME_NOT_RESOLVED},
      {CURLE_COULDNT_CONNECT, 0, ECONNREFUSED, false, ERROR_INTERNET_CANNOT_CONNECT},
      {CURLE_OPERATION_TIMEDOUT, 0, 0, false, ERROR_INTERNET_TIMEOUT},
      {CURLE_RECV_ERROR, 0, ECONNRESET, false, ERROR_INTERNET_CONNECTION_RESET},
      {CURLE_SEND_ERROR, 0, ECONNRESET, false, ERROR_INTERNET_CONNECTION_RESET},
      {CURLE_RECV_ERROR, 0, EPIPE, false, ERROR_INTERNET_CONNECTION_ABORTED},
      {CURLE_GOT_NOTHING, 0, 0, false, ERROR_INTERNET_CONNECTION_ABORTED},
      {CURLE_PARTIAL_FILE, 0, 0, false, ERROR_INTERNET_CONNECTION_ABORTED},
      {CURLE_WEIRD_SERVER_REPLY, 0, 0, false, ERROR_INTERNET_INVALID_SERVER_RESPONSE},
      // Certificates: the X.509 verify result decides.
      {CURLE_PEER_FAILED_VERIFICATION, 18, 0, false, ERROR_INTERNET_INVALID_CA},  // self-signed
      {CURLE_PEER_FAILED_VERIFICATION, 19, 0, false, ERROR_INTERNET_INVALID_CA},
      {CURLE_PEER_FAILED_VERIFICATION, 20, 0, false, ERROR_INTERNET_INVALID_CA},
      {CURLE_PEER_FAILED_VERIFICATION, 21, 0, false, ERROR_INTERNET_INVALID_CA},
      {CURLE_PEER_FAILED_VERIFICATION, 10, 0, false, ERROR_INTERNET_SEC_CERT_DATE_INVALID},  // expired
      {CURLE_PEER_FAILED_VERIFICATION, 9, 0, false, ERROR_INTERNET_SEC_CERT_DATE_INVALID},   // not yet valid
      {CURLE_PEER_FAILED_VERIFICATION, 62, 0, false, ERROR_INTERNET_SEC_CERT_CN_INVALID},
      {CURLE_PEER_FAILED_VERIFICATION, 0, 0, false, ERROR_INTERNET_SEC_CERT_CN_INVALID},  // the library's name check
      {CURLE_PEER_FAILED_VERIFICATION, 1, 0, false, ERROR_INTERNET_SEC_CERT_CN_INVALID},
      {CURLE_PEER_FAILED_VERIFICATION, 3, 0, false, ERROR_INTERNET_SEC_CERT_REV_FAILED},
      {CURLE_PEER_FAILED_VERIFICATION, 23, 0, false, ERROR_INTERNET_SEC_CERT_REVOKED},
      {CURLE_PEER_FAILED_VERIFICATION, 26, 0, false, ERROR_INTERNET_SEC_INVALID_CERT},
      {CURLE_SSL_INVALIDCERTSTATUS, 0, 0, false, ERROR_INTERNET_SEC_CERT_REV_FAILED},
      {CURLE_SSL_CONNECT_ERROR, 0, 0, false, ERROR_INTERNET_SECURITY_CHANNEL_ERROR},
      {CURLE_SSL_CACERT_BADFILE, 0, 0, false, ERROR_INTERNET_SECURITY_CHANNEL_ERROR},
      {CURLE_UNSUPPORTED_PROTOCOL, 0, 0, true, ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR},
      {CURLE_UNSUPPORTED_PROTOCOL, 0, 0, false, ERROR_INTERNET_UNRECOGNIZED_SCHEME},
      {CURLE_URL_MALFORMAT, 0, 0, false, ERROR_INTERNET_INVALID_URL},
      {CURLE_TOO_MANY_REDIRECTS, 0, 0, false, ERROR_HTTP_REDIRECT_FAILED},
      {CURLE_ABORTED_BY_CALLBACK, 0, 0, false, ERROR_INTERNET_OPERATION_CANCELLED},
      {CURLE_ABORTED_BY_CALLBACK, 0, 0, false, ERROR_INTERNET_TIMEOUT, true},
      {CURLE_OUT_OF_MEMORY, 0, 0, false, ERROR_NOT_ENOUGH_MEMORY},
      {CURLE_FAILED_INIT, 0, 0, false, ERROR_INTERNET_INTERNAL_ERROR},
  };
  for (const Row& row : rows) {
    TransferFailure f;
    f.curlCode = row.code;
    f.tlsVerifyResult = row.verify;
    f.osErrno = row.osErrno;
    f.redirectToHttp = row.toHttp;
    f.silenceExpired = row.silence;
    EXPECT_EQ(MapTransferFailure(f), row.expected) << "curl " << row.code << " verify " << row.verify;
  }
}

}  // namespace
}  // namespace win
