#pragma once
// The shell's "open this document" service: ShellExecute, the "open with"
// fallback and the HTML Help topics, over the desktop's own opener.
//
// The system opens session logs, web pages and its help file with
// ShellExecute and reads its answer the Windows way: above 32 is success,
// 2 file not found, 3 path not found, 31 no program associated with the
// file (the caller then runs the "open with" dialog through
// RUNDLL32.EXE shell32.dll,OpenAs_RunDLL <document>).
//
// ShellExecute decides here what is asked for (a web address, a folder, a
// document, a program, the "open with" dialog), checks the Windows path
// through the drive table, and hands one ShellRequest to the launcher. The
// default launcher uses the desktop's opener (xdg-open, started detached,
// never waited for) and answers 31 when no application is associated with
// the document's type; tests install their own launcher and record the
// requests instead of starting anything.

#include <QString>
#include <QStringList>

#include <functional>

namespace win {

// ShellExecute answers (values up to 32 are errors).
inline constexpr long SE_ERR_FNF = 2;           // file not found
inline constexpr long SE_ERR_PNF = 3;           // path not found
inline constexpr long SE_ERR_ACCESSDENIED = 5;  // could not be started
inline constexpr long ERROR_BAD_FORMAT = 11;    // not a program that can run
inline constexpr long SE_ERR_NOASSOC = 31;      // no program associated, or verb not supported
inline constexpr long SHELL_EXECUTE_OK = 42;    // what the system answers on success

// Show commands (the launcher ignores them; recorded for tests).
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;

struct ShellRequest {
  enum class Action {
    OpenAddress,   // a web address (or mailto:) in the browser
    OpenFolder,    // a folder in the file manager ("open", "explore", "find")
    OpenDocument,  // a file with the program associated with its type
    OpenWith,      // the "open with" choice for a file
    StartProgram,  // a program file, started with its arguments
  };
  Action action = Action::OpenDocument;
  QString target;          // host path, or the address for OpenAddress
  QStringList arguments;   // StartProgram: the parameters, split the C runtime way
  QString workingFolder;   // StartProgram: host folder to start in
  int showCommand = SW_SHOWNORMAL;
};

// The system's text for a ShellExecute failure code (2, 3, 5, 11, 31), as
// a message about a file that could not be opened gives the reason.
[[nodiscard]] QString ShellErrorText(long code);

// Performs one request and answers the ShellExecute code for it.
using ShellLauncher = std::function<long(const ShellRequest&)>;

// Installs `launcher` for the process; an empty one restores the default.
void SetShellLauncher(ShellLauncher launcher);

// The desktop's opener: xdg-open for addresses, folders and documents (31
// when xdg-open is missing or, for a document, when xdg-mime knows no
// application for its type or any of its parent types); the "open with"
// choice opens the document's folder in the file manager, where the user
// picks the program; programs start detached (5 when that fails). xdg-open
// is given two seconds to report a failure (31 when it found no program,
// 2 for a missing target, 5 otherwise); one still running then has started
// a program and is left to run.
[[nodiscard]] long DefaultShellLauncher(const ShellRequest& request);

// Installs a launcher for the life of the guard.
class ScopedShellLauncher {
 public:
  explicit ScopedShellLauncher(ShellLauncher launcher);
  ~ScopedShellLauncher();
  ScopedShellLauncher(const ScopedShellLauncher&) = delete;
  ScopedShellLauncher& operator=(const ScopedShellLauncher&) = delete;

 private:
  ShellLauncher saved_;
};

// ShellExecute(owner, verb, file, parameters, directory, show).
//   - The owner window has no effect and is not taken.
//   - A web address ("http://...", "https://...", "mailto:...", "www....")
//     with the verb "" or "open" opens in the browser.
//   - "RUNDLL32.EXE" with "shell32.dll,OpenAs_RunDLL <document>" asks for
//     the "open with" choice of the document (2 / 3 when it is missing).
//   - Otherwise `file` is a Windows path, resolved against the current
//     folder; 3 when its folder does not exist (or its drive is not mapped),
//     2 when it does not exist. With "" or "open": a folder opens in the
//     file manager; a ".exe", ".com", ".bat" or ".cmd" file starts as a
//     program with `parameters` (11 when the host file is not executable),
//     in `directory` or else the program's folder; any other file opens
//     with its associated program. A ".chm" help file opens as
//     ShowHelpTopic does, also when only its folder of pages exists. "explore" and "find" open a folder in the file manager.
//     Other verbs, or these verbs on the wrong kind of item, answer 31.
// Verbs compare without regard to case.
[[nodiscard]] long ShellExecute(const QString& verb, const QString& file, const QString& parameters = {},
                                const QString& directory = {}, int showCommand = SW_SHOWNORMAL);

// HTML Help's display-topic command for "<help file>.chm::/<page>" (or the
// help file alone), the help file resolved against the current folder.
// There is no help viewer here, so a help file is kept as a folder of
// pages beside the .chm name: "OrvaneMacHelp.chm::/a/b.htm" opens
// "OrvaneMacHelp\a\b.htm" in the browser, and the help file alone (or a
// page that is missing) opens the folder's "index.htm" or "index.html".
// When there is no such folder but the .chm file itself exists, that file
// is opened with its associated program. Answers like ShellExecute: above
// 32 when something was opened, 2 / 3 when neither exists.
[[nodiscard]] long ShowHelpTopic(const QString& topic);

}  // namespace win
