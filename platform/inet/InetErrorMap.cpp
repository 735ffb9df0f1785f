#include "platform/inet/InetErrorMap.h"

#include "platform/inet/WinInet.h"

#include <curl/curl.h>

#include <cerrno>

namespace win {
namespace {

// X.509 verification results as OpenSSL numbers them (x509_vfy.h), the only
// ones whose legacy code differs from the generic "invalid certificate".
enum X509Verify : long {
  kUnableToGetIssuerCert = 2,
  kUnableToGetCrl = 3,
  kCertNotYetValid = 9,
  kCertHasExpired = 10,
  kCrlNotYetValid = 11,
  kCrlHasExpired = 12,
  kDepthZeroSelfSigned = 18,
  kSelfSignedInChain = 19,
  kUnableToGetIssuerLocally = 20,
  kUnableToVerifyLeaf = 21,
  kCertRevoked = 23,
  kInvalidCa = 24,
  kHostnameMismatch = 62,
  kIpAddressMismatch = 64,
};

std::uint32_t MapCertificate(long verifyResult) {
  switch (verifyResult) {
    case 0:
    case 1:
      // The chain check never ran to a verdict of its own (0 "ok", 1
      // "unspecified"): the library's own host-name check refused the
      // certificate, before or after it.
      return ERROR_INTERNET_SEC_CERT_CN_INVALID;
    case kUnableToGetIssuerCert:
    case kDepthZeroSelfSigned:
    case kSelfSignedInChain:
    case kUnableToGetIssuerLocally:
    case kUnableToVerifyLeaf:
    case kInvalidCa:
      return ERROR_INTERNET_INVALID_CA;
    case kCertNotYetValid:
    case kCertHasExpired:
      return ERROR_INTERNET_SEC_CERT_DATE_INVALID;
    case kHostnameMismatch:
    case kIpAddressMismatch:
      return ERROR_INTERNET_SEC_CERT_CN_INVALID;
    case kUnableToGetCrl:
    case kCrlNotYetValid:
    case kCrlHasExpired:
      return ERROR_INTERNET_SEC_CERT_REV_FAILED;
    case kCertRevoked:
      return ERROR_INTERNET_SEC_CERT_REVOKED;
    default:
      return ERROR_INTERNET_SEC_INVALID_CERT;
  }
}

}  // namespace

std::uint32_t MapTransferFailure(const TransferFailure& f) {
  switch (static_cast<CURLcode>(f.curlCode)) {
    case CURLE_OK:
      return ERROR_SUCCESS;
    case CURLE_UNSUPPORTED_PROTOCOL:
      // Only https is allowed after an https start, so this is the downgrade.
      return f.redirectToHttp ? ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR : ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    case CURLE_URL_MALFORMAT:
      return ERROR_INTERNET_INVALID_URL;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
      return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
    case CURLE_PROXY:
      return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
      // Connect time-out and silence alike, as the legacy library reported both.
      return ERROR_INTERNET_TIMEOUT;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
      return f.osErrno == ECONNRESET ? ERROR_INTERNET_CONNECTION_RESET : ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
      // The server hung up without an answer, or before the announced length.
      return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_HTTP3:
      return ERROR_INTERNET_INVALID_SERVER_RESPONSE;
    case CURLE_PEER_FAILED_VERIFICATION:
      return MapCertificate(f.tlsVerifyResult);
    case CURLE_SSL_ISSUER_ERROR:
      return ERROR_INTERNET_INVALID_CA;
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CRL_BADFILE:
      return ERROR_INTERNET_SEC_CERT_REV_FAILED;
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
      return ERROR_INTERNET_SEC_INVALID_CERT;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_USE_SSL_FAILED:
      return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
    case CURLE_TOO_MANY_REDIRECTS:
      return ERROR_HTTP_REDIRECT_FAILED;
    case CURLE_BAD_CONTENT_ENCODING:
      return ERROR_INTERNET_DECODING_FAILED;
    case CURLE_ABORTED_BY_CALLBACK:
      // Our progress watch stops a transfer that stayed silent too long.
      return f.silenceExpired ? ERROR_INTERNET_TIMEOUT : ERROR_INTERNET_OPERATION_CANCELLED;
    case CURLE_OUT_OF_MEMORY:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_INTERNET_INTERNAL_ERROR;
  }
}

}  // namespace win
