#pragma once
// The program's numbered message texts, the one tooltip it looks up by
// name, and the validation errors shown from the table.
//
// The table is data compiled into the program ("resources/messages.json"):
// numbers 1 to 237, 239 to 552, 554 to 559, 561 to 570, 1000 to 1003 and
// 1011 have a text, every other number the empty text. Texts 502 and 1011
// name the service's web site, which is the service's configuration
// (OrvaneSrv::CurrentServiceHosts()), not part of the table.

#include <QString>

#include "program/foundation/ProgramState.h"

namespace OrvaneMac::modReg {

// The text of message `id`; "" for a number without an entry. No side
// effects, never fails.
[[nodiscard]] QString GetMessageText(Long id);

// The tooltip of the control "Window.control" (compared without case);
// only "Smart.lblrecalculate" has one, every other key gives "".
[[nodiscard]] QString GetToolTipText(const QString& key);

}  // namespace OrvaneMac::modReg

namespace OrvaneMac::modGeneral {

// Shows the message of a validation code (11, 101, 103 to 106, 108, 201 to
// 206) in the program's message box with the error icon and one OK button
// under AppTitle; other codes show nothing. Traces "Enter ZQWinError <code>"
// and "Exit ZQWinError ". Always answers 0.
Integer ZQwinError(Integer code);

}  // namespace OrvaneMac::modGeneral
