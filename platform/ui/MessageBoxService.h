#pragma once
// The message-box service both deliverables show their messages through.
//
// The system never uses the plain system message box: the restore program
// has its own skinned box and the engine a copy of it, both called as
// MessageBox(text, icon, style, title) and both answering with the box's
// own codes (below; note OK is 0, not the language's vbOK 1). The engine
// links Qt Core only, so it reaches the box through this service: the
// restore program installs its skinned window as the handler at start-up;
// until then the widgets layer (platform_ui_widgets) offers a plain dialog;
// tests install a RecordingMessageBox.
//
// With no handler installed, or no application to show a window in, a box
// is answered as if the user had closed it with its close box: No for
// Yes/No, Cancel where there is a Cancel button, OK for the single OK
// button. A question nobody saw is never taken as a Yes. The text is logged.

#include <QString>

#include <functional>
#include <vector>

namespace win {

// Icons (picture of the box).
inline constexpr long MB_ICON_INFORMATION = 0;
inline constexpr long MB_ICON_QUESTION = 1;
inline constexpr long MB_ICON_ERROR = 2;
inline constexpr long MB_ICON_WARNING = 3;

// Button styles.
inline constexpr long MB_STYLE_OK = 0;                // "&OK"
inline constexpr long MB_STYLE_OK_CANCEL = 1;         // "&OK", "&Cancel" (Enter = Cancel)
inline constexpr long MB_STYLE_YES_NO = 2;            // "&Yes", "&No"
inline constexpr long MB_STYLE_OK_CANCEL_RETRY = 3;   // "&Ok", "&Cancel", "&Retry"
inline constexpr long MB_STYLE_OK_CANCEL_IGNORE = 4;  // "&Ok", "&Cancel", "&Ignore"

// Answers: the button pressed.
inline constexpr long MB_ANSWER_OK = 0;
inline constexpr long MB_ANSWER_CANCEL = 2;
inline constexpr long MB_ANSWER_RETRY = 4;
inline constexpr long MB_ANSWER_IGNORE = 5;
inline constexpr long MB_ANSWER_YES = 6;
inline constexpr long MB_ANSWER_NO = 7;

struct MessageBoxRequest {
  QString text;
  long icon = MB_ICON_INFORMATION;
  long style = MB_STYLE_OK;
  QString title;
};

// One button of a style: its caption ("&" marks the access letter) and answer.
struct MessageBoxButton {
  QString caption;
  long answer = MB_ANSWER_OK;
};

// The buttons of `style`, left to right; none for a style outside 0 to 4.
[[nodiscard]] std::vector<MessageBoxButton> MessageBoxButtons(long style);

// The answer Enter gives in `style` (Cancel in style 1, Yes in style 2, OK
// otherwise).
[[nodiscard]] long MessageBoxDefaultAnswer(long style);

// The answer of a box closed by its close box, which is also what a box
// nobody can see answers: No, else Cancel, else OK.
[[nodiscard]] long MessageBoxCloseAnswer(long style);

// Shows a box and answers its button code.
using MessageBoxHandler = std::function<long(const MessageBoxRequest&)>;

// Shows the box through the installed handler; modal: returns when the box
// is answered.
long MessageBox(const QString& text, long icon, long style, const QString& title);

// Installs the handler for the process; an empty one removes it.
void SetMessageBoxHandler(MessageBoxHandler handler);

// Installs a handler for the life of the guard.
class ScopedMessageBoxHandler {
 public:
  explicit ScopedMessageBoxHandler(MessageBoxHandler handler);
  ~ScopedMessageBoxHandler();
  ScopedMessageBoxHandler(const ScopedMessageBoxHandler&) = delete;
  ScopedMessageBoxHandler& operator=(const ScopedMessageBoxHandler&) = delete;

 private:
  MessageBoxHandler saved_;
};

}  // namespace win
