#pragma once
// How a Windows command line is taken apart, as text only (no file look-ups).
//
// The system starts its outside programs with one command-line text, the
// way the Windows loader and the C runtime of the started program read it:
//   - the program is the first token: a quoted path, or an unquoted path
//     that may hold blanks, in which case the loader tries each blank as the
//     end of the path, shortest first ("c:\program files\sub dir\prog x" is
//     tried as c:\program.exe, c:\program files\sub.exe, ...);
//   - ".exe" is added to a program name that has no extension;
//   - the rest of the line is split into arguments by the C runtime rules.
// One-line batch files are read here too: the system writes only two forms
// of them, and nothing else is ever handed to a command interpreter.

#include <QString>
#include <QStringList>

#include <vector>

namespace win {

// Splits `text` into arguments with the Microsoft C runtime rules (those of
// CommandLineToArgvW after the program name): blanks and tabs outside quotes
// separate arguments; a quote toggles quoting and is removed; 2n backslashes
// before a quote give n backslashes and the quote toggles; 2n+1 backslashes
// before a quote give n backslashes and a literal quote; other backslashes
// are literal. Leading and trailing blanks give no arguments.
[[nodiscard]] QStringList SplitArguments(const QString& text);

// One way to read the program part of a command line.
struct ProgramCandidate {
  QString program;  // the program path as written, ".exe" added when it had no extension
  QString rest;     // the text after the program part (the arguments, unsplit)
};

// The readings of `commandLine`'s program part in the order the loader tries
// them: one for a quoted program (an unclosed quote runs to the end), one per
// blank run for an unquoted one, shortest first. Leading blanks are skipped;
// an empty line has none. A program part longer than the loader takes
// (MAX_PATH, 259 characters and the terminating NUL) is not a reading.
[[nodiscard]] std::vector<ProgramCandidate> ProgramCandidates(const QString& commandLine);

// `path` with ".exe" added when its file name (after the last "\" or "/")
// has no extension.
[[nodiscard]] QString WithDefaultExtension(const QString& path);

// The file name of a Windows or host path: the part after its last "\" or "/".
[[nodiscard]] QString FileNameOf(const QString& path);

// The one command line of a batch file, in one of the two forms the system
// writes:
//   Program: a quoted program path with its arguments, run like any command line;
//   Echo:    echo <text> >> "<file>", which appends <text> and CR LF to <file>.
struct BatchLine {
  enum class Kind { Program, Echo };
  Kind kind = Kind::Program;
  QString commandLine;  // Program: the whole line
  QString text;         // Echo: the text, as written (quotes kept)
  QString file;         // Echo: the target file, quotes removed
};

// Reads a batch file's text (blank lines and the line ends are ignored).
// Raises 5 with a description naming the line for anything but exactly one
// line of the two forms: other commands, a redirection other than ">>",
// pipes, "&" chains, "@" prefixes.
[[nodiscard]] BatchLine ParseBatchText(const QString& text);

}  // namespace win
