#pragma once
// A message box for tests: installed for its lifetime, it records every box
// shown (text, icon, style, title) and answers from a script.
//
//   win::RecordingMessageBox box;
//   box.Answer(win::MB_ANSWER_YES);     // the next box is answered Yes
//   ... code under test ...
//   ASSERT_EQ(box.Shown().size(), 1u);
//   EXPECT_EQ(box.Shown()[0].style, win::MB_STYLE_YES_NO);
//
// A box shown when the script is empty gets its close-box answer.

#include "platform/ui/MessageBoxService.h"

#include <deque>
#include <vector>

namespace win {

class RecordingMessageBox {
 public:
  RecordingMessageBox();
  ~RecordingMessageBox();
  RecordingMessageBox(const RecordingMessageBox&) = delete;
  RecordingMessageBox& operator=(const RecordingMessageBox&) = delete;

  // Queues the answer for the next box not yet answered.
  void Answer(long answer) { script_.push_back(answer); }

  [[nodiscard]] const std::vector<MessageBoxRequest>& Shown() const { return shown_; }
  void Clear() {
    shown_.clear();
    script_.clear();
  }

 private:
  long Show(const MessageBoxRequest& request);

  std::vector<MessageBoxRequest> shown_;
  std::deque<long> script_;
  ScopedMessageBoxHandler installed_;
};

}  // namespace win
