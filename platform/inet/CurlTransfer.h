#pragma once
// One HTTP exchange on a CURL easy handle: built from a plain description,
// started on its session, answered as a plain result. The body is buffered
// between the library and InternetReadFile; the transfer pauses when the
// reader is behind, so a large body never piles up in memory. Private to
// platform/inet.

#include "platform/inet/InetErrorMap.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace win {

class CurlSession;

struct TransferPlan {
  std::string url;
  std::string method = "GET";
  QByteArray body;
  bool sendBody = false;
  std::vector<std::string> headers;  // "Name: value" lines as they go out
  bool http10 = false;
  bool followRedirects = false;
  bool refuseHttpsToHttp = true;  // when following redirects from https
  long connectTimeoutMs = 60000;
  long silenceTimeoutMs = 30000;  // no byte in either direction for this long ends the transfer
  bool verifyPeer = true;
  bool verifyHost = true;
  std::string proxyUser;
  std::string proxyPassword;
};

struct TransferResult {
  int curlCode = 0;  // CURLcode
  long status = 0;   // HTTP status of the final response; 0 before it
  std::int64_t bytes = 0;  // body bytes received so far
  QString errorText;       // the library's detail text of a failure
  TransferFailure failure;
};

class CurlTransfer {
 public:
  CurlTransfer(std::shared_ptr<CurlSession> session, TransferPlan plan);
  ~CurlTransfer();
  CurlTransfer(const CurlTransfer&) = delete;
  CurlTransfer& operator=(const CurlTransfer&) = delete;

  // Sends the request and waits for the final response headers. False when
  // the transfer failed before them (Result() tells why).
  [[nodiscard]] bool Start();

  // Blocks until `capacity` bytes are there or the body ended; copies them.
  // False when nothing could be copied because the transfer failed.
  [[nodiscard]] bool Read(char* out, std::size_t capacity, std::size_t& copied);

  [[nodiscard]] const TransferResult& Result() const noexcept { return result_; }
  [[nodiscard]] bool HeadersDone() const noexcept { return headersDone_; }
  [[nodiscard]] bool Finished() const noexcept { return finished_; }
  [[nodiscard]] bool UsedTls() const noexcept { return plan_.url.rfind("https:", 0) == 0; }

  // The final response: status line and header lines without their CR LF.
  [[nodiscard]] const std::string& StatusLine() const noexcept { return statusLine_; }
  [[nodiscard]] const std::vector<std::string>& HeaderLines() const noexcept { return headerLines_; }
  [[nodiscard]] const std::string& StatusText() const noexcept { return statusText_; }
  [[nodiscard]] const std::string& Version() const noexcept { return version_; }

  // Called by the session's driver when the library is done with it.
  void OnFinished(int curlCode);

 private:
  static std::size_t WriteThunk(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t HeaderThunk(char* data, std::size_t size, std::size_t count, void* self);
  static int ProgressThunk(void* self, std::int64_t dlTotal, std::int64_t dlNow, std::int64_t ulTotal,
                           std::int64_t ulNow);
  int OnProgress(std::int64_t dlNow, std::int64_t ulNow);
  std::size_t OnBody(const char* data, std::size_t length);
  std::size_t OnHeader(const char* data, std::size_t length);
  [[nodiscard]] std::size_t Pending() const noexcept { return buffer_.size() - consumed_; }
  [[nodiscard]] std::size_t PauseAt() const noexcept;
  void Configure();

  std::shared_ptr<CurlSession> session_;
  TransferPlan plan_;
  void* easy_ = nullptr;      // CURL*
  void* headerList_ = nullptr;  // curl_slist*
  void* connectTo_ = nullptr;   // curl_slist*
  bool attached_ = false;
  bool headersDone_ = false;
  bool finished_ = false;
  bool paused_ = false;
  std::size_t want_ = 0;
  // While a read waits, body bytes go straight into the reader's buffer;
  // only what does not fit there is held in buffer_.
  char* directOut_ = nullptr;
  std::size_t directCapacity_ = 0;
  std::size_t directLength_ = 0;
  std::string buffer_;
  std::size_t consumed_ = 0;
  bool blockHasLocation_ = false;
  std::string statusLine_;
  std::string statusText_;
  std::string version_;
  std::vector<std::string> headerLines_;
  TransferResult result_;
  std::vector<char> errorBuffer_;
  // Silence watch: the last time a byte moved (or the reader held the transfer).
  std::chrono::steady_clock::time_point lastActivity_;
  std::int64_t lastDown_ = 0;
  std::int64_t lastUp_ = 0;
};

}  // namespace win
