#include "platform/clock/FakeClock.h"

#include <chrono>
#include <thread>

namespace vb {

FakeClock::FakeClock(QDateTime start, std::uint32_t startTick) : now_(std::move(start)), tick_(startTick) {}

QDateTime FakeClock::CurrentDateTime() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return now_;
}

std::uint32_t FakeClock::TickCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return tick_;
}

void FakeClock::Sleep(std::int64_t milliseconds) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++sleepCalls_;
    if (milliseconds > 0) slept_ += milliseconds;
  }
  Advance(milliseconds);
}

void FakeClock::Set(const QDateTime& now) {
  std::lock_guard<std::mutex> lock(mutex_);
  now_ = now;
}

void FakeClock::Advance(std::int64_t milliseconds) {
  if (milliseconds <= 0) return;
  std::lock_guard<std::mutex> lock(mutex_);
  now_ = now_.addMSecs(milliseconds);
  tick_ += static_cast<std::uint32_t>(milliseconds);  // wraps like the real tick count
}

int FakeClock::SleepCalls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sleepCalls_;
}

std::int64_t FakeClock::TotalSleptMs() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return slept_;
}

SkippingClock::SkippingClock() { started_.start(); }

QDateTime SkippingClock::CurrentDateTime() const { return QDateTime::currentDateTime().addMSecs(skipped_); }

std::uint32_t SkippingClock::TickCount() const {
  return static_cast<std::uint32_t>(started_.elapsed() + skipped_ + 1000000);
}

void SkippingClock::Sleep(std::int64_t milliseconds) {
  if (milliseconds >= 100)
    skipped_ += milliseconds;
  else if (milliseconds > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace vb
