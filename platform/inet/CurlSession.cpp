#include "platform/inet/CurlSession.h"

#include "platform/inet/CurlTransfer.h"

#include <curl/curl.h>

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <mutex>

namespace win {
namespace {

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// How long one wait for socket activity lasts before the library's own timers
// (connect time-out, silence) are looked at again.
constexpr int kPollMs = 250;

// Idle easy handles kept for reuse; a session runs one request at a time,
// so one or two are enough.
constexpr std::size_t kIdleEasyLimit = 2;

}  // namespace

CurlSession::CurlSession(SessionSettings settings) : settings_(std::move(settings)) {
  GlobalInit();
  multi_ = curl_multi_init();
  if (!settings_.caBundle.empty()) {
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/orvane-ca-XXXXXX.pem"));  // created 0600
    file.setAutoRemove(false);
    if (file.open() && file.write(settings_.caBundle.data(), static_cast<qint64>(settings_.caBundle.size())) ==
                           static_cast<qint64>(settings_.caBundle.size())) {
      file.close();
      caFile_ = QFile::encodeName(file.fileName()).toStdString();
    } else if (!file.fileName().isEmpty()) {
      file.remove();
    }
  }
}

CurlSession::~CurlSession() {
  if (!caFile_.empty()) QFile::remove(QFile::decodeName(caFile_.c_str()));
  for (void* easy : idleEasy_) curl_easy_cleanup(static_cast<CURL*>(easy));
  if (multi_) curl_multi_cleanup(static_cast<CURLM*>(multi_));
}

void* CurlSession::TakeEasy() {
  std::lock_guard lock(lock_);
  if (idleEasy_.empty()) return curl_easy_init();
  CURL* easy = static_cast<CURL*>(idleEasy_.back());
  idleEasy_.pop_back();
  curl_easy_reset(easy);
  return easy;
}

void CurlSession::GiveBackEasy(void* easy) {
  if (!easy) return;
  std::lock_guard lock(lock_);
  if (idleEasy_.size() >= kIdleEasyLimit) {
    curl_easy_cleanup(static_cast<CURL*>(easy));
    return;
  }
  idleEasy_.push_back(easy);
}

std::string CurlSession::TakeBuffer() {
  std::lock_guard lock(lock_);
  std::string buffer;
  buffer.swap(idleBuffer_);
  buffer.clear();
  return buffer;
}

void CurlSession::GiveBackBuffer(std::string buffer) {
  std::lock_guard lock(lock_);
  if (buffer.capacity() > idleBuffer_.capacity()) idleBuffer_.swap(buffer);
}

std::string CurlSession::DefaultCaFile() {
  GlobalInit();
  std::string path;
  if (CURL* e = curl_easy_init()) {
    char* cainfo = nullptr;
    if (curl_easy_getinfo(e, CURLINFO_CAINFO, &cainfo) == CURLE_OK && cainfo) path = cainfo;
    curl_easy_cleanup(e);
  }
  return path;
}

bool CurlSession::Attach(void* easy) {
  return multi_ && curl_multi_add_handle(static_cast<CURLM*>(multi_), static_cast<CURL*>(easy)) == CURLM_OK;
}

void CurlSession::Detach(void* easy) {
  if (multi_) curl_multi_remove_handle(static_cast<CURLM*>(multi_), static_cast<CURL*>(easy));
}

void CurlSession::Reap() {
  int left = 0;
  while (CURLMsg* msg = curl_multi_info_read(static_cast<CURLM*>(multi_), &left)) {
    if (msg->msg != CURLMSG_DONE) continue;
    const CURLcode code = msg->data.result;
    char* owner = nullptr;
    curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, &owner);
    if (owner) reinterpret_cast<CurlTransfer*>(owner)->OnFinished(code);  // detaches the handle
  }
}

bool CurlSession::Drive(const std::function<bool()>& done) {
  auto* multi = static_cast<CURLM*>(multi_);
  if (!multi) return false;
  for (;;) {
    int running = 0;
    const CURLMcode performed = curl_multi_perform(multi, &running);
    Reap();
    if (done()) return true;
    if (performed != CURLM_OK || running == 0) return false;
    if (curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr) != CURLM_OK) return false;
  }
}

}  // namespace win
