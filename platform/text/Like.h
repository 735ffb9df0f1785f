#pragma once
// The legacy Like operator: `text Like pattern`.
//
//   ?        any one character
//   *        any run of characters, including none
//   #        one digit 0-9
//   [abc]    one character of the list; [a-z] a range (bounds ascending);
//            several in one list: [A-CX-Z]
//   [!abc]   one character not in the list ("!" outside brackets is literal)
//   -        literal at the start of a list (after "!") or at its end
//   [[] [?] [*] [#]   the special character itself; "]" is literal outside
//            a list
//   []       matches nothing, consuming no character
//
// A whole-text match: both "" gives true. With vbTextCompare letters match
// without regard to case, in lists and ranges too.
//
// A malformed pattern (a "[" without its "]", a descending range) answers
// false. The legacy runtime raised error 93 there, and a caller that passed
// over the error treated the text as a match; answering "no match" keeps such
// a caller from accepting every text.

#include <QString>

#include "platform/text/Strings.h"

namespace vb {

[[nodiscard]] bool Like(const QString& text, const QString& pattern, CompareMethod compare = vbBinaryCompare);

// True when `pattern` is well formed for Like.
[[nodiscard]] bool IsValidLikePattern(const QString& pattern);

}  // namespace vb
