#include "platform/clock/Clock.h"

#include "platform/clock/SystemClock.h"

#include <atomic>

namespace vb {
namespace {

ClockSource& RealClock() {
  static SystemClock real;
  return real;
}

std::atomic<ClockSource*>& Installed() {
  static std::atomic<ClockSource*> installed{nullptr};
  return installed;
}

}  // namespace

ClockSource& Clock() {
  ClockSource* source = Installed().load();
  return source ? *source : RealClock();
}

ScopedClock::ScopedClock(ClockSource& source) : previous_(Installed().exchange(&source)) {}

ScopedClock::~ScopedClock() { Installed().store(previous_); }

QDateTime Now() {
  const QDateTime now = Clock().CurrentDateTime();
  return now.addMSecs(-now.time().msec());
}

QDate Today() { return Clock().CurrentDateTime().date(); }

float Timer() { return static_cast<float>(Clock().CurrentDateTime().time().msecsSinceStartOfDay() / 1000.0); }

std::uint32_t TickCount() { return Clock().TickCount(); }

void Sleep(std::int64_t milliseconds) { Clock().Sleep(milliseconds); }

}  // namespace vb
