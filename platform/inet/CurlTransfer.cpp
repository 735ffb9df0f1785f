#include "platform/inet/CurlTransfer.h"

#include "platform/inet/CurlSession.h"

#include <QLoggingCategory>

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <type_traits>


namespace win {
namespace {

Q_LOGGING_CATEGORY(lcTransfer, "platform.inet.transfer", QtInfoMsg)

// The progress callback is declared with std::int64_t to keep the header free
// of the library's types.
static_assert(std::is_same_v<curl_off_t, std::int64_t>);

// Body bytes held for the reader before the transfer pauses (more when one
// read asks for more).
constexpr std::size_t kBufferTarget = 256 * 1024;

curl_slist* MakeList(const std::vector<std::string>& lines) {
  curl_slist* list = nullptr;
  for (const std::string& line : lines) {
    curl_slist* grown = curl_slist_append(list, line.c_str());
    if (!grown) {
      curl_slist_free_all(list);
      return nullptr;
    }
    list = grown;
  }
  return list;
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  const std::size_t n = std::strlen(prefix);
  return text.size() >= n && strncasecmp(text.c_str(), prefix, n) == 0;
}

bool IsFollowedRedirect(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

CurlTransfer::CurlTransfer(std::shared_ptr<CurlSession> session, TransferPlan plan)
    : session_(std::move(session)),
      plan_(std::move(plan)),
      buffer_(session_->TakeBuffer()),
      errorBuffer_(CURL_ERROR_SIZE + 1, '\0') {}

CurlTransfer::~CurlTransfer() {
  if (attached_) session_->Detach(easy_);
  // The handle and the body buffer serve the session's next transfer, which
  // saves their allocations on every request.
  session_->GiveBackEasy(easy_);
  session_->GiveBackBuffer(std::move(buffer_));
  curl_slist_free_all(static_cast<curl_slist*>(headerList_));
  curl_slist_free_all(static_cast<curl_slist*>(connectTo_));
}

std::size_t CurlTransfer::PauseAt() const noexcept { return std::max(kBufferTarget, want_); }

void CurlTransfer::Configure() {
  CURL* e = static_cast<CURL*>(easy_);
  const SessionSettings& s = session_->Settings();
  curl_easy_setopt(e, CURLOPT_URL, plan_.url.c_str());
  curl_easy_setopt(e, CURLOPT_PRIVATE, reinterpret_cast<char*>(this));
  curl_easy_setopt(e, CURLOPT_ERRORBUFFER, errorBuffer_.data());
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &CurlTransfer::WriteThunk);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &CurlTransfer::HeaderThunk);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  // The legacy servers and the replies' parsing assume HTTP/1.x framing.
  curl_easy_setopt(e, CURLOPT_HTTP_VERSION, plan_.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
  if (!s.userAgent.empty()) curl_easy_setopt(e, CURLOPT_USERAGENT, s.userAgent.c_str());

  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, plan_.followRedirects ? 1L : 0L);
  if (plan_.followRedirects) {
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, (UsedTls() && plan_.refuseHttpsToHttp) ? "https" : "http,https");
  }

  // Time out on silence, never on size: a long download must not expire
  // while bytes flow. The library's low-speed limit averages over several
  // seconds, so a burst followed by silence would outlive a short limit; the
  // progress callback watches the silence itself. 0 means no limit, as in the
  // legacy options.
  if (plan_.connectTimeoutMs > 0) curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, plan_.connectTimeoutMs);
  curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &CurlTransfer::ProgressThunk);
  curl_easy_setopt(e, CURLOPT_XFERINFODATA, this);

  curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, plan_.verifyPeer ? 1L : 0L);
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, plan_.verifyHost ? 2L : 0L);
  if (!plan_.verifyPeer || !plan_.verifyHost) {
    qCWarning(lcTransfer) << "certificate checks relaxed for" << plan_.url.substr(0, plan_.url.find('?')).c_str()
                          << "(insecure TLS allowed)";
  }
  if (!session_->CaFile().empty()) {
    curl_easy_setopt(e, CURLOPT_CAINFO, session_->CaFile().c_str());
    // The bundle holds the system's certificates already; without the
    // certificate folder the library may keep the parsed bundle.
    curl_easy_setopt(e, CURLOPT_CAPATH, nullptr);
  } else if (!s.caBundle.empty()) {
    // The session outlives its transfers: the library reads the bundle in
    // place instead of copying it for every request.
    curl_blob blob{const_cast<char*>(s.caBundle.data()), s.caBundle.size(), CURL_BLOB_NOCOPY};
    curl_easy_setopt(e, CURLOPT_CAINFO_BLOB, &blob);
  }
  if (!s.connectTo.empty()) {
    connectTo_ = MakeList(s.connectTo);
    curl_easy_setopt(e, CURLOPT_CONNECT_TO, static_cast<curl_slist*>(connectTo_));
  }

  switch (s.proxyMode) {
    case SessionSettings::Proxy::None:
      curl_easy_setopt(e, CURLOPT_PROXY, "");  // also ignores the proxy variables
      break;
    case SessionSettings::Proxy::Named:
      curl_easy_setopt(e, CURLOPT_PROXY, s.proxy.c_str());
      if (!s.noProxy.empty()) curl_easy_setopt(e, CURLOPT_NOPROXY, s.noProxy.c_str());
      break;
    case SessionSettings::Proxy::System:
      break;
  }
  if (!plan_.proxyUser.empty()) {
    curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, plan_.proxyUser.c_str());
    curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, plan_.proxyPassword.c_str());
  }
  curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);

  headerList_ = MakeList(plan_.headers);
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(headerList_));

  if (plan_.method == "HEAD") {
    curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
  } else if (plan_.sendBody) {
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(plan_.body.size()));
    curl_easy_setopt(e, CURLOPT_COPYPOSTFIELDS, plan_.body.constData());
    if (plan_.method != "POST") curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, plan_.method.c_str());
  } else {
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    if (plan_.method != "GET") curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, plan_.method.c_str());
  }
}

bool CurlTransfer::Start() {
  easy_ = session_->TakeEasy();
  if (!easy_) {
    OnFinished(CURLE_OUT_OF_MEMORY);
    return false;
  }
  Configure();
  lastActivity_ = std::chrono::steady_clock::now();
  attached_ = session_->Attach(easy_);
  if (!attached_) {
    OnFinished(CURLE_FAILED_INIT);
    return false;
  }
  if (!session_->Drive([this] { return headersDone_ || finished_; }) && !finished_) {
    OnFinished(CURLE_FAILED_INIT);
  }
  return headersDone_;
}

bool CurlTransfer::Read(char* out, std::size_t capacity, std::size_t& copied) {
  copied = 0;
  want_ = capacity;
  // Bytes held from before come first.
  copied = std::min(Pending(), capacity);
  if (copied > 0) {
    std::memcpy(out, buffer_.data() + consumed_, copied);
    consumed_ += copied;
    if (consumed_ == buffer_.size()) {
      buffer_.clear();
      consumed_ = 0;
    } else if (consumed_ > kBufferTarget) {
      buffer_.erase(0, consumed_);
      consumed_ = 0;
    }
  }
  if (copied < capacity && !finished_) {
    directOut_ = out;
    directCapacity_ = capacity;
    directLength_ = copied;
    if (paused_) {
      paused_ = false;
      lastActivity_ = std::chrono::steady_clock::now();
      curl_easy_pause(static_cast<CURL*>(easy_), CURLPAUSE_CONT);  // may hand over held bytes at once
    }
    if (directLength_ < directCapacity_ && !finished_) {
      if (!session_->Drive([&] { return finished_ || directLength_ >= directCapacity_; }) && !finished_) {
        OnFinished(CURLE_RECV_ERROR);
      }
    }
    copied = directLength_;
    directOut_ = nullptr;
    directCapacity_ = directLength_ = 0;
  }
  if (copied > 0) return true;
  return finished_ && result_.curlCode == CURLE_OK;
}

void CurlTransfer::OnFinished(int curlCode) {
  if (finished_) return;
  finished_ = true;
  result_.curlCode = curlCode;
  CURL* e = static_cast<CURL*>(easy_);
  if (e) {
    long value = 0;
    if (curl_easy_getinfo(e, CURLINFO_SSL_VERIFYRESULT, &value) == CURLE_OK) result_.failure.tlsVerifyResult = value;
    value = 0;
    if (curl_easy_getinfo(e, CURLINFO_OS_ERRNO, &value) == CURLE_OK) result_.failure.osErrno = value;
    if (result_.status == 0 && curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &value) == CURLE_OK) {
      result_.status = value;
    }
    if (curlCode == CURLE_UNSUPPORTED_PROTOCOL) {
      char* url = nullptr;
      for (CURLINFO info : {CURLINFO_EFFECTIVE_URL, CURLINFO_REDIRECT_URL}) {
        if (curl_easy_getinfo(e, info, &url) == CURLE_OK && url && StartsWithNoCase(url, "http:")) {
          result_.failure.redirectToHttp = UsedTls();
        }
      }
    }
  }
  result_.failure.curlCode = curlCode;
  if (curlCode != CURLE_OK) {
    result_.errorText = QString::fromUtf8(errorBuffer_.data());
    if (result_.errorText.isEmpty()) {
      result_.errorText = QString::fromUtf8(curl_easy_strerror(static_cast<CURLcode>(curlCode)));
    }
  } else {
    headersDone_ = true;
  }
  if (attached_) {
    session_->Detach(easy_);
    attached_ = false;
  }
}

std::size_t CurlTransfer::WriteThunk(char* data, std::size_t size, std::size_t count, void* self) {
  return static_cast<CurlTransfer*>(self)->OnBody(data, size * count);
}

std::size_t CurlTransfer::HeaderThunk(char* data, std::size_t size, std::size_t count, void* self) {
  return static_cast<CurlTransfer*>(self)->OnHeader(data, size * count);
}

int CurlTransfer::ProgressThunk(void* self, std::int64_t, std::int64_t dlNow, std::int64_t, std::int64_t ulNow) {
  return static_cast<CurlTransfer*>(self)->OnProgress(dlNow, ulNow);
}

int CurlTransfer::OnProgress(std::int64_t dlNow, std::int64_t ulNow) {
  const auto now = std::chrono::steady_clock::now();
  if (dlNow != lastDown_ || ulNow != lastUp_ || paused_) {
    // Held back by our own reader is not silence on the line.
    lastDown_ = dlNow;
    lastUp_ = ulNow;
    lastActivity_ = now;
    return 0;
  }
  if (plan_.silenceTimeoutMs > 0 && now - lastActivity_ > std::chrono::milliseconds(plan_.silenceTimeoutMs)) {
    result_.failure.silenceExpired = true;
    return 1;  // ends the transfer with CURLE_ABORTED_BY_CALLBACK
  }
  return 0;
}

std::size_t CurlTransfer::OnBody(const char* data, std::size_t length) {
  lastActivity_ = std::chrono::steady_clock::now();
  headersDone_ = true;  // a body byte of the final response means its headers are in
  if (directOut_ && directLength_ < directCapacity_) {
    // A reader waits: its buffer takes what fits, the rest is held.
    const std::size_t direct = std::min(length, directCapacity_ - directLength_);
    std::memcpy(directOut_ + directLength_, data, direct);
    directLength_ += direct;
    buffer_.append(data + direct, length - direct);
    result_.bytes += static_cast<std::int64_t>(length);
    return length;
  }
  if (Pending() >= PauseAt()) {
    paused_ = true;
    return CURL_WRITEFUNC_PAUSE;  // the library keeps these bytes until the reader catches up
  }
  buffer_.append(data, length);
  result_.bytes += static_cast<std::int64_t>(length);
  return length;
}

std::size_t CurlTransfer::OnHeader(const char* data, std::size_t length) {
  lastActivity_ = std::chrono::steady_clock::now();
  if (headersDone_) return length;  // trailers of a chunked body
  std::string line(data, length);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();

  if (line.rfind("HTTP/", 0) == 0) {
    // A new response block: an interim 1xx or a redirect that is followed.
    statusLine_ = line;
    headerLines_.clear();
    blockHasLocation_ = false;
    const std::size_t sp1 = line.find(' ');
    version_ = line.substr(0, sp1);
    result_.status = 0;
    statusText_.clear();
    if (sp1 != std::string::npos) {
      const std::size_t sp2 = line.find(' ', sp1 + 1);
      result_.status = std::strtol(line.substr(sp1 + 1, sp2 - sp1 - 1).c_str(), nullptr, 10);
      if (sp2 != std::string::npos) statusText_ = line.substr(sp2 + 1);
    }
  } else if (line.empty()) {
    const bool interim = result_.status >= 100 && result_.status < 200;
    const bool followed = plan_.followRedirects && blockHasLocation_ && IsFollowedRedirect(result_.status);
    if (!interim && !followed) headersDone_ = true;
  } else if ((line.front() == ' ' || line.front() == '\t') && !headerLines_.empty()) {
    headerLines_.back() += line;  // an obsolete folded continuation
  } else {
    headerLines_.push_back(line);
    if (StartsWithNoCase(line, "location:")) blockHasLocation_ = true;
  }
  return length;
}

}  // namespace win
