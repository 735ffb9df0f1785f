#pragma once
// The runtime's clock functions. They read the installed clock source: the
// real clock unless a test installed another one with ScopedClock.
//
//   vb::FakeClock fake(QDateTime(QDate(2026, 12, 8), QTime(23, 59, 29)));
//   vb::ScopedClock use(fake);
//   vb::Sleep(1500);  // returns at once; vb::Now() is now 23:59:30

#include "platform/clock/ClockSource.h"

#include <QDate>
#include <QDateTime>

#include <cstdint>

namespace vb {

// The installed clock source.
[[nodiscard]] ClockSource& Clock();

// Installs `source` for its lifetime, then restores the one installed before.
class ScopedClock {
 public:
  explicit ScopedClock(ClockSource& source);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  ClockSource* previous_;
};

// Now: the local date and time in whole seconds.
[[nodiscard]] QDateTime Now();
// Date: today's local date.
[[nodiscard]] QDate Today();
// Timer: seconds since local midnight with a fraction, as a 32-bit float (so
// late in the day it steps in 1/128 s); back to 0 at midnight.
[[nodiscard]] float Timer();
// The tick count: milliseconds since the system started, wrapping at 2^32.
[[nodiscard]] std::uint32_t TickCount();
// Waits `milliseconds` on the installed clock (a fake clock only advances).
void Sleep(std::int64_t milliseconds);

}  // namespace vb
