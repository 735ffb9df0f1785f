#pragma once
// A clock for tests: the time stands still until the test sets or advances
// it, and Sleep advances it instead of waiting.

#include "platform/clock/ClockSource.h"

#include <QElapsedTimer>

#include <atomic>
#include <mutex>

namespace vb {

class FakeClock final : public ClockSource {
 public:
  // Starts at `start` (local time), with a tick count of `startTick`.
  explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 1, 1), QTime(12, 0)), std::uint32_t startTick = 1000000);

  [[nodiscard]] QDateTime CurrentDateTime() const override;
  [[nodiscard]] std::uint32_t TickCount() const override;
  // Advances the time by `milliseconds` (0 or less: no change) and counts
  // the call.
  void Sleep(std::int64_t milliseconds) override;

  // Sets the date and time; the tick count is left alone.
  void Set(const QDateTime& now);
  // Moves the date, time and tick count forward.
  void Advance(std::int64_t milliseconds);

  // What Sleep was asked for so far.
  [[nodiscard]] int SleepCalls() const;
  [[nodiscard]] std::int64_t TotalSleptMs() const;

 private:
  mutable std::mutex mutex_;
  QDateTime now_;
  std::uint32_t tick_;
  int sleepCalls_ = 0;
  std::int64_t slept_ = 0;
};

// A clock for end-to-end tests: the real time, except that every wait of
// 100 ms or more (the back-off before a late retry, the pauses after ending
// a program) takes no time and moves the clock on instead; shorter waits
// really wait. Safe to read from several threads.
class SkippingClock final : public ClockSource {
 public:
  SkippingClock();
  [[nodiscard]] QDateTime CurrentDateTime() const override;
  [[nodiscard]] std::uint32_t TickCount() const override;
  void Sleep(std::int64_t milliseconds) override;

 private:
  QElapsedTimer started_;
  std::atomic<std::int64_t> skipped_{0};
};

}  // namespace vb
