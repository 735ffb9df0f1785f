#pragma once
// How a failed transfer becomes the legacy 12xxx code. Private to platform/inet.

#include <cstdint>

namespace win {

// What the transfer library reported about a failure.
struct TransferFailure {
  int curlCode = 0;             // CURLcode
  long tlsVerifyResult = 0;     // CURLINFO_SSL_VERIFYRESULT (an X.509 verify code; 0 when none)
  long osErrno = 0;             // CURLINFO_OS_ERRNO
  bool redirectToHttp = false;  // the refused protocol was an https-to-http redirect
  bool silenceExpired = false;  // aborted because nothing moved for the silence time-out
};

// The legacy error code for a failure; 0 for success (curlCode 0).
[[nodiscard]] std::uint32_t MapTransferFailure(const TransferFailure& failure);

}  // namespace win
