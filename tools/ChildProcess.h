#pragma once
// Children of the outside programs: started with fork and exec (never a
// shell), bound to the descriptors the caller gives, and tied to the life of
// their parent: the kernel sends them a signal when the parent dies, however
// it dies, so that ending one of our programs by name never leaves its rsync
// or stunnel running on its own.

#include <csignal>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace tools {

struct ChildSpec {
  std::string program;                                  // host path executed (argv[0])
  std::vector<std::string> arguments;                   // argv[1..]
  std::optional<std::vector<std::string>> environment;  // "NAME=value"; none: this process's
  int stdinFd = -1;                                     // -1: inherited
  int stdoutFd = -1;
  int stderrFd = -1;
  std::vector<int> extraFds;     // become descriptors 3, 4, ... of the child
  int deathSignal = SIGTERM;     // sent to the child when this process dies
  std::string workingDirectory;  // empty: this process's
};

// Starts the child; its pid, or -1 with errno set (the exec failure of the
// child is reported as the child's exit code 127).
pid_t SpawnChild(const ChildSpec& spec);

// Forwards SIGTERM, SIGINT, SIGHUP and SIGQUIT received by this process to
// `child` (and SIGPIPE is ignored), so the child can clean up before we go.
void ForwardTerminationSignals(pid_t child);

// Waits for the child to end: its exit code, or 128 + the signal that ended it.
int WaitChild(pid_t child);

// Writes all of `bytes` to `fd`, retrying on interruptions; false on failure.
bool WriteAll(int fd, const std::string& bytes);

}  // namespace tools
