#pragma once
// The restore program's class Options: its two logs, both UTF-16 text files
// in the application folder.
//
//   "TraceFile.txt"      free diagnostic lines from every part of the
//                        program (entry and exit marks, values, the error
//                        line of every trapped run-time error)
//   "OrvaneLogFile.txt"  time-stamped status lines meant for the user,
//                        copied into the current session log while one is
//                        named (Program().SessionLogFile)
//
// The engine writes the same two files with the same line forms through
// its own Options; both deliverables build a transfer-log line with the
// engine's one routine (TransferLogLine) and differ only in the form they
// pass. Every write opens, appends and closes, so the two deliverables'
// lines interleave in call order and never mix within a line. Neither
// writer reports anything: a line that cannot be written is lost.

#include <QString>

#include "program/foundation/ProgramState.h"
#include "platform/errors/RuntimeError.h"

namespace OrvaneMac {

class Options {
 public:
  // Appends the text without its surrounding blanks, and CR LF, to
  // "TraceFile.txt" (no time stamp). Creates the application folder and
  // the file when they are missing.
  void WriteTrace(const QString& TraceMsg);

  // Appends one status line of kind `bval` to "OrvaneLogFile.txt" and,
  // while a session log is named, to that log in the folder "Session"
  // (which is not created here):
  //   0 "Information : "   1 "Success     : "   2 "Error       : "
  //   3 "Debug       : "   followed by the time "mm/dd/yyyy hh:mm:ss",
  //   " : " and the message up to its first CR and then its first NUL;
  //   4 an empty line, then an Information line with the whole message;
  //   any other kind an empty line.
  // Each "//" of the line becomes "/"; blanks around it are removed.
  void Opt_WriteInto_TransferLog(const QString& LogMsg, Integer bval);
};

// The program's Options, created on first use and kept for the run.
Options& gOptions();

// The two calls nearly every procedure makes.
void WriteTrace(const QString& text);
void WriteTransferLog(const QString& text, Integer kind);

// The application folder: the program folder, "\" and the application word.
[[nodiscard]] QString AppFolder();

// The trace line of a trapped run-time error: "Error Reason :", the
// description, "in procedure ", the procedure, " of Form " / " of Class
// Module " / " of Module " and the owner, joined without further separators.
void TraceError(const vb::ErrorInfo& error, const QString& procedure, vb::OwnerKind kind, const QString& owner);

}  // namespace OrvaneMac
