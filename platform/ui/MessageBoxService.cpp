#include "platform/ui/MessageBoxService.h"

#include <QLoggingCategory>

#include <mutex>
#include <utility>

Q_LOGGING_CATEGORY(lcMessageBox, "platform.ui.messagebox")

namespace win {
namespace {

struct State {
  std::mutex mutex;
  MessageBoxHandler handler;
};

State& S() {
  static State state;
  return state;
}

}  // namespace

std::vector<MessageBoxButton> MessageBoxButtons(long style) {
  switch (style) {
    case MB_STYLE_OK:
      return {{QStringLiteral("&OK"), MB_ANSWER_OK}};
    case MB_STYLE_OK_CANCEL:
      return {{QStringLiteral("&OK"), MB_ANSWER_OK}, {QStringLiteral("&Cancel"), MB_ANSWER_CANCEL}};
    case MB_STYLE_YES_NO:
      return {{QStringLiteral("&Yes"), MB_ANSWER_YES}, {QStringLiteral("&No"), MB_ANSWER_NO}};
    case MB_STYLE_OK_CANCEL_RETRY:
      return {{QStringLiteral("&Ok"), MB_ANSWER_OK},
              {QStringLiteral("&Cancel"), MB_ANSWER_CANCEL},
              {QStringLiteral("&Retry"), MB_ANSWER_RETRY}};
    case MB_STYLE_OK_CANCEL_IGNORE:
      return {{QStringLiteral("&Ok"), MB_ANSWER_OK},
              {QStringLiteral("&Cancel"), MB_ANSWER_CANCEL},
              {QStringLiteral("&Ignore"), MB_ANSWER_IGNORE}};
    default:
      return {};
  }
}

long MessageBoxDefaultAnswer(long style) {
  switch (style) {
    case MB_STYLE_OK_CANCEL:
      return MB_ANSWER_CANCEL;
    case MB_STYLE_YES_NO:
      return MB_ANSWER_YES;
    default:
      return MB_ANSWER_OK;
  }
}

long MessageBoxCloseAnswer(long style) {
  long answer = MB_ANSWER_OK;
  for (const MessageBoxButton& b : MessageBoxButtons(style)) {
    if (b.answer == MB_ANSWER_NO) return MB_ANSWER_NO;
    if (b.answer == MB_ANSWER_CANCEL) answer = MB_ANSWER_CANCEL;
  }
  return answer;
}

long MessageBox(const QString& text, long icon, long style, const QString& title) {
  MessageBoxHandler handler;
  {
    State& s = S();
    std::lock_guard lock(s.mutex);
    handler = s.handler;
  }
  const MessageBoxRequest request{text, icon, style, title};
  if (handler) return handler(request);
  const long answer = MessageBoxCloseAnswer(style);
  qCWarning(lcMessageBox).noquote() << "no message box to show" << title << ":" << text << "- answered" << answer;
  return answer;
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  s.handler = std::move(handler);
}

ScopedMessageBoxHandler::ScopedMessageBoxHandler(MessageBoxHandler handler) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  saved_ = std::exchange(s.handler, std::move(handler));
}

ScopedMessageBoxHandler::~ScopedMessageBoxHandler() {
  State& s = S();
  std::lock_guard lock(s.mutex);
  s.handler = std::move(saved_);
}

}  // namespace win
