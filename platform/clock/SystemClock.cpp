#include "platform/clock/SystemClock.h"

#include <chrono>
#include <thread>

namespace vb {

QDateTime SystemClock::CurrentDateTime() const { return QDateTime::currentDateTime(); }

std::uint32_t SystemClock::TickCount() const {
  // The monotonic clock counts from boot on Linux, as the tick count did.
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<std::uint32_t>(ms.count());
}

void SystemClock::Sleep(std::int64_t milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace vb
