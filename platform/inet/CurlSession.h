#pragma once
// The transfer side of one internet session: the connection cache every
// request of the session shares (so keep-alive connections are reused), the
// session-wide settings, and the loop that moves transfers forward. Private
// to platform/inet; closing the session drops it and its connections.

#include "platform/inet/InetConfig.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace win {

class CurlTransfer;

struct SessionSettings {
  std::string userAgent;
  enum class Proxy { System, None, Named } proxyMode = Proxy::None;
  std::string proxy;    // "host:port" for Named
  std::string noProxy;  // comma-separated hosts
  std::vector<std::string> connectTo;  // CURLOPT_CONNECT_TO entries
  std::string caBundle;                // PEM: the system bundle plus the extra CA file; empty = library default
  bool insecureTlsAllowed = false;
};

class CurlSession {
 public:
  explicit CurlSession(SessionSettings settings);
  ~CurlSession();
  CurlSession(const CurlSession&) = delete;
  CurlSession& operator=(const CurlSession&) = delete;

  // The CA bundle the transfer library trusts by default (empty when none).
  [[nodiscard]] static std::string DefaultCaFile();

  [[nodiscard]] const SessionSettings& Settings() const noexcept { return settings_; }
  // The bundle of Settings().caBundle as a private file of the session
  // (empty when it could not be written). Given as a file, the library
  // parses it once and keeps the parsed store for every later connection of
  // the session, instead of parsing some hundred certificates at each
  // connection a server's keep-alive limit makes it open.
  [[nodiscard]] const std::string& CaFile() const noexcept { return caFile_; }

  // Serialises every call on the handles of this session.
  [[nodiscard]] std::recursive_mutex& Lock() noexcept { return lock_; }

  // Adds, removes a transfer's easy handle to and from the connection cache's
  // driver (CURLM*, CURL* passed as void* to keep this header library-free).
  [[nodiscard]] bool Attach(void* easy);
  void Detach(void* easy);

  // Moves all transfers of the session forward until `done` answers true.
  // Answers false when the driver itself failed.
  [[nodiscard]] bool Drive(const std::function<bool()>& done);

  // An easy handle for the next transfer, reset to the library's defaults:
  // one a finished transfer gave back when there is one (its buffers are
  // already allocated), else a new one; null when none can be made.
  [[nodiscard]] void* TakeEasy();
  // Takes a transfer's easy handle back once it is detached.
  void GiveBackEasy(void* easy);
  // A body buffer for the next transfer, empty but keeping the capacity a
  // finished transfer gave back.
  [[nodiscard]] std::string TakeBuffer();
  void GiveBackBuffer(std::string buffer);

 private:
  void Reap();

  SessionSettings settings_;
  void* multi_ = nullptr;
  std::recursive_mutex lock_;
  std::string caFile_;
  std::vector<void*> idleEasy_;
  std::string idleBuffer_;
};

}  // namespace win
