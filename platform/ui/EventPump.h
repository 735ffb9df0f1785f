#pragma once
// DoEvents: lets the pending window events run in the middle of long work.
//
// The system has one user-interface thread and no worker threads: long
// operations (a restore, a listing, a folder removal) keep the windows
// alive, and let the user press Stop, by calling DoEvents in their loops.
// Here that processes the pending events of the Qt application when one
// exists, and does nothing otherwise (the engine's tests and tools run
// without one). The pump is replaceable so tests can count the calls.

#include <functional>

namespace vb {

// Processes pending events once and answers the number of open forms, as
// the language's DoEvents does (0 until a counter is installed).
int DoEvents();

// The pump DoEvents runs; an empty one restores the default (process the
// application's pending events, if there is an application).
void SetEventPump(std::function<void()> pump);

// How many forms are open; installed by the widgets layer.
void SetOpenFormsCounter(std::function<int()> counter);

// Installs a pump for the life of the guard.
class ScopedEventPump {
 public:
  explicit ScopedEventPump(std::function<void()> pump);
  ~ScopedEventPump();
  ScopedEventPump(const ScopedEventPump&) = delete;
  ScopedEventPump& operator=(const ScopedEventPump&) = delete;

 private:
  std::function<void()> saved_;
};

}  // namespace vb
