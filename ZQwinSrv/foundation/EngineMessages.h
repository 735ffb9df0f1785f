#pragma once
// The engine's own message texts, the file-system error texts, message texts
// taken from another module's message table (the internet library's error
// texts), and the product title used as the engine's message-box caption.
//
// The engine keeps its table apart from the restore program's: the numbers
// here (1 to 19) mean nothing to the program's table.

#include <QString>

#include "ZQwinSrv/foundation/EngineState.h"

namespace OrvaneSrv {

// The engine text of `code` (1 to 19); "" for any other code.
[[nodiscard]] QString GetMessageText(Long code);

// The text of a file-system run-time error number (52 "Bad file name or
// number." ... 76 "Path not found."); "" for numbers without a text.
[[nodiscard]] QString GetFileErrorText(Long code);

// The message text of `code` in the message table of `moduleName`, loaded as
// a data file; "" when the module, its table or the entry is missing. A line
// end stored with the text stays; only the part from the first NUL on is cut.
// A module that loads without a usable table writes one trace line. Never
// raises.
[[nodiscard]] QString FormatMessageFromModule(const QString& moduleName, Long code);

// `text` up to its first NUL character (all of it when it has none).
[[nodiscard]] QString TrimNULL(const QString& text);

// Sets gsMsgBoxTitle from the application word; an unknown word leaves the
// title as it was.
void SetProductTitle();

}  // namespace OrvaneSrv
