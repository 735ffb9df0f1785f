#pragma once
// The host's real clock.

#include "platform/clock/ClockSource.h"

namespace vb {

class SystemClock final : public ClockSource {
 public:
  [[nodiscard]] QDateTime CurrentDateTime() const override;
  [[nodiscard]] std::uint32_t TickCount() const override;
  void Sleep(std::int64_t milliseconds) override;
};

}  // namespace vb
