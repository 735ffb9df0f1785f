#pragma once
// Small procedures of the program's general module that many windows share:
// cutting a text at its first line end, opening a help topic, byte counts as
// size texts, the Windows version questions, the account-relative part of a
// server path and finding (or ending) a running program by its file name.
// The registry reader and the window-icon hook are in modReg.h.

#include <QString>

#include "program/foundation/ProgramState.h"

class QWidget;

namespace OrvaneMac::modGeneral {

// The text before its first CR or NUL, whichever comes first (a leading CR
// gives ""; an LF stays). The flag chose between two equal ways of
// computing it: every value gives the same result.
[[nodiscard]] QString StripNull(const QString& text, Integer flag = -1);

// Opens the help topic `topic` ("file.chm::/page.htm", relative to the
// current folder, which a sign-in makes the program folder), tracing
// "Enter ShowHelpFile" with the window's name and the topic and then
// "Exit ShowHelpFile". What the help window answers is ignored.
void ShowHelpFile(const QWidget* window, const QString& topic);

// A byte count as a size text with two decimals in the user's number format
// and its unit: above 2^30 " GB", above 2^20 " MB", above 1024 " KB", else
// " B" (so 1024 is "1,024.00 B"). "0 KB" after a failure.
[[nodiscard]] QString GetProperSizeValue(double bytes);

// The platform identifier (2 for the NT family), and whether the system is
// version 5.1.
[[nodiscard]] Long getVersion();
[[nodiscard]] bool IsXP();

// The part of a server path after its first "/Files/" (without one: the
// path less its first six characters), its percent escapes decoded as
// UTF-8 unless `raw` is non-zero or the search window is deleting its
// results (Program().SearchDeleteMode). "" after a failure.
[[nodiscard]] QString GetRemotePath(const QString& path, Integer raw = 0);

// True when a program of that file name runs ("DORediRizura.exe", any
// case, ".exe" optional); with a non-zero `kill` the process found is also
// ended. Only that very program is ever matched, never one whose name
// merely begins like it. The OS hint is kept for the callers; every hint
// finds the same processes.
[[nodiscard]] bool IsExeRunning(const QString& name, Integer kill, Long osHint = 0);

// The percent escapes of a server path decoded as the engine's WebDAV client
// decodes them: each "%" and two hexadecimal digits is a byte, every other
// character its byte in the system code page, the bytes read as UTF-8 up
// to the first zero byte (a "%" pair that is no number leaves one, so the
// text ends there) and cut at the first CR or NUL; at most 1024 bytes are
// read and 500 characters answered.
[[nodiscard]] QString DecodeServerPath(const QString& path);

}  // namespace OrvaneMac::modGeneral
