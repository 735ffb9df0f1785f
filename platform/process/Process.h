#pragma once
// Outside programs: starting them hidden from a Windows command line,
// watching and ending them through process handles, and finding them by
// executable name.
//
// Starting (Shell, StartProcess): the command line is read as the Windows
// loader reads it (CommandLine.h); the program path goes through the drive
// table to a host file ("x.exe" is the host file "x.exe" when it exists,
// else "x"); a bare program name is looked for in the program folder, the
// emulated current folder, then the host PATH. The program is executed
// directly with an explicit argv (never through a shell): argv[0] is the
// host path, the rest comes from the command line by the C runtime rules,
// unchanged (arguments that look like Windows paths stay Windows paths). The
// child starts in the host folder of the emulated current folder, with
// standard input from /dev/null unless redirected, standard output and
// error inherited unless redirected, default signal handling, a process
// group of its own, and no other descriptor of this process.
//
// Batch files (".bat", ".cmd", and "cmd.exe /c <line>") are run by our own
// small runner, never by a command interpreter. It understands only the two
// one-line forms the system writes (CommandLine.h, ParseBatchText):
//   - a quoted program with arguments: that program is started as above and
//     its process id is the answer (there is no interpreter process between);
//   - echo <text> >> "<file>": this process appends <text> and CR LF
//     (Windows-1252) to the file, then starts a child process that ends at
//     once with the result (0 written, 1 failed) and is known as "cmd.exe",
//     so the caller gets a process id to watch or end as it expects.
// Anything else raises 5 before anything is started.
//
// Process records: each process started here is known under its Windows
// executable file name (e.g. "orvane_int_rst_100.exe"), kept in memory and
// in a per-user record folder (one small file per process, checked against
// the process's start time), so that the outside programs are found by the
// names the system uses even when another process of ours started them.
// The record folder is ORVANE_PROCESS_RECORDS when set, else
// $XDG_RUNTIME_DIR/orvane-procs, else /tmp/orvane-procs-<uid>.
//
// Exit codes: children of this process are reaped by every call into this
// module (so they never stay zombies for long) and their exit codes kept.
// A child ended by a signal answers 128 + the signal number, or the code
// given to TerminateProcess when that ended it. A process of another parent
// answers STILL_ACTIVE while it runs and 0 (or the TerminateProcess code)
// once it is gone, since its real code cannot be read here.

#include "platform/errors/Win32Error.h"  // STILL_ACTIVE

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace win {

inline constexpr std::uint32_t WAIT_OBJECT_0 = 0;
inline constexpr std::uint32_t WAIT_TIMEOUT = 258;
inline constexpr std::uint32_t WAIT_FAILED = 0xFFFFFFFF;
inline constexpr std::uint32_t INFINITE = 0xFFFFFFFF;

// Access rights of OpenProcess.
inline constexpr std::uint32_t PROCESS_TERMINATE = 0x1;
inline constexpr std::uint32_t PROCESS_VM_READ = 0x10;
inline constexpr std::uint32_t PROCESS_QUERY_INFORMATION = 0x400;
inline constexpr std::uint32_t PROCESS_QUERY_LIMITED_INFORMATION = 0x1000;
inline constexpr std::uint32_t SYNCHRONIZE = 0x100000;
inline constexpr std::uint32_t PROCESS_ALL_ACCESS = 0x1FFFFF;

// Window styles of Shell; nothing is ever shown, so all behave like vbHide.
enum VbAppWinStyle : int {
  vbHide = 0,
  vbNormalFocus = 1,
  vbMinimizedFocus = 2,
  vbMaximizedFocus = 3,
  vbNormalNoFocus = 4,
  vbMinimizedNoFocus = 6,
};

struct LaunchOptions {
  QString stdinFile;                       // host path opened for reading as standard input; empty: /dev/null
  QString stdoutFile;                      // host path created (emptied) for standard output; empty: inherited
  QString stderrFile;                      // the same for standard error
  std::optional<QStringList> environment;  // "NAME=value" entries; none: this process's environment
  QString currentFolder;  // Windows path of the child's folder (76 when missing); empty: the emulated current folder
};

// The program of a command line as the loader finds it.
struct ResolvedProgram {
  QString windowsPath;    // full Windows path, ".exe" added where the loader adds it
  QString hostPath;       // the host file that is executed
  QStringList arguments;  // argv[1..]
};

// Finds the program of `commandLine` (ProgramCandidates order, first
// existing file wins) and splits its arguments. Raises 53 when no reading
// names an existing file, 5 for an empty command line.
[[nodiscard]] ResolvedProgram ResolveCommandLine(const QString& commandLine);

// Starts `commandLine` without waiting and answers the process id. Raises
// 53 (program or standard-input file not found), 76 (folder of an output
// file missing), 70 (permission denied), 5 (not an executable, or a batch
// line the runner does not understand), 7 (out of memory).
int StartProcess(const QString& commandLine, const LaunchOptions& options = {});

// The language's Shell: StartProcess with standard input from /dev/null and
// the process id as a Double. The window style changes nothing.
double Shell(const QString& commandLine, int windowStyle = vbMinimizedFocus);

// Process handles, numbered like the system's (never 0; 0 means failure).
using ProcessHandle = std::int32_t;

// Opens a process of the current user: one started here (also after it
// ended, while its record is recent) or any other running process. 0 when
// there is no such process, or it belongs to another user.
[[nodiscard]] ProcessHandle OpenProcess(std::uint32_t desiredAccess, bool inheritHandle, int processId);

// The process's exit code, STILL_ACTIVE while it runs. False for an unknown
// handle or one opened without query rights.
bool GetExitCodeProcess(ProcessHandle handle, std::uint32_t& exitCode);

// Waits until the process ends: WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED
// for an unknown handle or one opened without SYNCHRONIZE.
std::uint32_t WaitForSingleObject(ProcessHandle handle, std::uint32_t milliseconds);

// Ends the process at once (SIGKILL; its children keep running, as the
// system's TerminateProcess leaves them), making `exitCode` its exit code,
// and waits briefly until it is gone so that a following look-up no longer
// sees it. False when the handle is unknown or lacks PROCESS_TERMINATE, or
// the process has already ended.
bool TerminateProcess(ProcessHandle handle, std::uint32_t exitCode);

// Forgets a handle (also the token handle of Privileges.h); false for an unknown one.
bool CloseHandle(ProcessHandle handle);

// The pseudo handle of this process (-1) and its id.
[[nodiscard]] ProcessHandle GetCurrentProcess();
[[nodiscard]] int GetCurrentProcessId();

// OpenProcess(PROCESS_TERMINATE) + TerminateProcess + CloseHandle.
bool TerminateProcessById(int processId, std::uint32_t exitCode);

// One running process (zombies are never listed).
struct ProcessEntry {
  int pid = 0;
  int parentPid = 0;
  QString exeFile;  // the executable's file name: its Windows name when started here, else the host name
  unsigned uid = 0;
  std::uint64_t startTime = 0;  // clock ticks after boot, to tell a reused id apart
};

// The processes of every user, in process-id order; with a scope (below),
// only the processes below its root.
[[nodiscard]] std::vector<ProcessEntry> ListProcesses();

// The scope of ListProcesses and of every look-up by name: the process id in
// ORVANE_PROCESS_SCOPE, when set, limits them to that process's descendants
// (its children, theirs, and so on), else 0 (every process). Test programs
// set it to themselves, so that two test runs on one machine, or a test run
// beside a user's program, never find or end each other's programs. Children
// inherit it with the environment.
[[nodiscard]] int ProcessScopeRoot();

// Whether the executable file name `exeFile` is the program `wanted`.
//
// The legacy finder also matched when `wanted` merely began with the
// candidate's name less its last four characters. On a machine that runs
// many unrelated programs that matches and ends the wrong processes: a
// running "bash" (stem "") or "orvane_int" would be taken for the rsync
// client. The rule here is exact instead: the file names (after the last
// "\" or "/", cut at a NUL or CR) are equal ignoring case once one trailing
// ".exe" is removed from each, and an empty name matches nothing.
[[nodiscard]] bool ExeNameMatches(const QString& wanted, const QString& exeFile);

// The first running process of the current user (in process-id order) whose
// executable is `name` (ExeNameMatches).
[[nodiscard]] std::optional<ProcessEntry> FindProcessByExeName(const QString& name);

// FindProcessByExeName and, when found, ends that one process with
// `exitCode`. True when a process was found, whether or not ending it
// succeeded (as the legacy finder answers); a second instance of the same
// program needs a second call.
bool EndProcessByExeName(const QString& name, std::uint32_t exitCode = 0);

// Points the record folder elsewhere (tests); an empty path restores the default.
void SetProcessRecordFolder(const QString& hostFolder);

// The 32-bit-on-64-bit test: there is no such emulation layer here.
bool IsWow64Process(ProcessHandle handle, bool& isWow64);

}  // namespace win
