#pragma once
// The messages the session-log viewer and the feedback window show, and
// their one way of showing them: the program's message box with the
// program's title.

#include <QString>

namespace OrvaneMac::progress {

// Message ids these windows show.
inline constexpr long kMsgEnterEmail = 12;
inline constexpr long kMsgEnterFeedback = 14;
inline constexpr long kMsgSelectToDelete = 175;
inline constexpr long kMsgSelectToView = 176;
inline constexpr long kMsgNothingToView = 177;
inline constexpr long kMsgInvalidEmail = 488;

// The text of one of the ids above ("" for any other id).
[[nodiscard]] QString MessageText(long id);

// Shows message `id` in the program's message box (icon 0 information,
// 2 error; the OK button; the program's title).
void ShowMessage(long id, long icon = 0);

// The error box of an input code: 105 (a bad e-mail address) shows
// message 488 with the error icon.
void ZQwinError(long code);

}  // namespace OrvaneMac::progress
