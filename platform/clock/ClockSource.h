#pragma once
// Where the runtime's clock functions (Now, Timer, TickCount, Sleep) get the
// time from. The real clock is the default; tests install a FakeClock with
// ScopedClock (platform/clock/Clock.h) so that dates are fixed and waits take
// no time.

#include <QDateTime>

#include <cstdint>

namespace vb {

class ClockSource {
 public:
  virtual ~ClockSource() = default;

  // The local wall-clock date and time, with milliseconds.
  [[nodiscard]] virtual QDateTime CurrentDateTime() const = 0;
  // Milliseconds since the system started; wraps after 49.7 days as the
  // legacy tick count did.
  [[nodiscard]] virtual std::uint32_t TickCount() const = 0;
  // Waits `milliseconds` (0 or less: returns at once).
  virtual void Sleep(std::int64_t milliseconds) = 0;

 protected:
  ClockSource() = default;
  ClockSource(const ClockSource&) = default;
  ClockSource& operator=(const ClockSource&) = default;
};

}  // namespace vb
