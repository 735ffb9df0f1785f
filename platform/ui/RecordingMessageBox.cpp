#include "platform/ui/RecordingMessageBox.h"

namespace win {

RecordingMessageBox::RecordingMessageBox()
    : installed_([this](const MessageBoxRequest& request) { return Show(request); }) {}

RecordingMessageBox::~RecordingMessageBox() = default;

long RecordingMessageBox::Show(const MessageBoxRequest& request) {
  shown_.push_back(request);
  if (script_.empty()) return MessageBoxCloseAnswer(request.style);
  const long answer = script_.front();
  script_.pop_front();
  return answer;
}

}  // namespace win
