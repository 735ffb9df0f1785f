#include "platform/ui/EventPump.h"

#include <QCoreApplication>
#include <QThread>

#include <mutex>
#include <utility>

namespace vb {
namespace {

struct State {
  std::mutex mutex;
  std::function<void()> pump;
  std::function<int()> counter;
};

State& S() {
  static State state;
  return state;
}

void DefaultPump() {
  QCoreApplication* app = QCoreApplication::instance();
  // Window events belong to the application's thread; elsewhere there is
  // nothing of ours to pump.
  if (app && QThread::currentThread() == app->thread()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace

int DoEvents() {
  std::function<void()> pump;
  std::function<int()> counter;
  {
    State& s = S();
    std::lock_guard lock(s.mutex);
    pump = s.pump;
    counter = s.counter;
  }
  // Called without the lock: the events may call DoEvents again.
  if (pump) {
    pump();
  } else {
    DefaultPump();
  }
  return counter ? counter() : 0;
}

void SetEventPump(std::function<void()> pump) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  s.pump = std::move(pump);
}

void SetOpenFormsCounter(std::function<int()> counter) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  s.counter = std::move(counter);
}

ScopedEventPump::ScopedEventPump(std::function<void()> pump) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  saved_ = std::exchange(s.pump, std::move(pump));
}

ScopedEventPump::~ScopedEventPump() {
  State& s = S();
  std::lock_guard lock(s.mutex);
  s.pump = std::move(saved_);
}

}  // namespace vb
