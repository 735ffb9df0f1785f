#pragma once
// The program's start: one copy per machine, the product strings, the main
// window loaded hidden and the sign-in window shown; and the preparation
// of each sign-in attempt (date format, temporary folder, application
// folder, sign-in counter).

#include <QString>

#include <functional>

#include "program/foundation/ProgramState.h"

namespace OrvaneMac::modGeneral {

// The name of the single-instance lock: machine-wide, across all users.
inline const QString kSingleInstanceName = QStringLiteral("Global\\OrvaneforMac");

// The start procedure. Answers false when another copy runs: the process
// then ends at once, silently (main returns 0 without a window or a trace
// line). Otherwise the sign-in window is up and the program lives on in the
// event loop.
bool Main();

// True when this process is the first copy: it takes the lock `name` and
// keeps it in Program().SingleInstanceMutex. False when another process
// holds it (183) or the lock belongs to another user (5); true when the
// lock cannot be made at all.
[[nodiscard]] bool IsFirstInstance(const QString& name);
[[nodiscard]] bool IsPrevInstanceMode();

// True when another copy of the program runs: it holds the single-instance
// lock. Never true in the copy that holds the lock itself.
[[nodiscard]] bool PrevInstance();

// Prepares one sign-in attempt, called with the program folder as the
// current folder. Another copy running ends the process. A failure of the
// steps shows "Error loading <title>" with the reason and lets the attempt
// go on.
void InitApplication();

// Makes the engine's classes and the program's own call-back class
// ("OrvaneforMAC.clsMonitor") creatable in this process.
void RegisterProgramClasses();

// Ends the process at once with code 0. Tests put a handler of their own in
// place (an empty one restores the real end); code that calls this must
// not go on afterwards.
void EndProgram();
void SetEndProgramHandler(std::function<void()> handler);

}  // namespace OrvaneMac::modGeneral

namespace OrvaneMac::ToolTip {

// Sets AppProduct, AppTitle and the main window's about-menu caption (which
// loads the main window hidden).
void SetProductStrings();

}  // namespace OrvaneMac::ToolTip
