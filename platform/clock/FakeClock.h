#pragma once
// A clock for tests: the time stands still until the test sets or advances
// it, and Sleep advances it instead of waiting.

#include "platform/clock/ClockSource.h"

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

}  // namespace vb
