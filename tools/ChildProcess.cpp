#include "tools/ChildProcess.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tools {
namespace {

volatile sig_atomic_t gForwardTo = 0;

void Forward(int signal) {
  if (gForwardTo > 0) ::kill(static_cast<pid_t>(gForwardTo), signal);
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  out.reserve(strings.size() + 1);
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

}  // namespace

pid_t SpawnChild(const ChildSpec& spec) {
  // Everything the child needs is prepared before the fork.
  std::vector<std::string> argStore{spec.program};
  argStore.insert(argStore.end(), spec.arguments.begin(), spec.arguments.end());
  std::vector<char*> argv = Pointers(argStore);
  std::vector<std::string> envStore;
  std::vector<char*> envp;
  char** env = environ;
  if (spec.environment) {
    envStore = *spec.environment;
    envp = Pointers(envStore);
    env = envp.data();
  }
  const pid_t parent = ::getpid();
  if (spec.extraFds.size() > 16) {
    errno = EINVAL;
    return -1;
  }
  int extras[16];
  const int count = static_cast<int>(spec.extraFds.size());
  for (int i = 0; i < count; ++i) extras[i] = spec.extraFds[static_cast<size_t>(i)];

  const pid_t pid = ::fork();
  if (pid != 0) return pid;

  // Child: only async-signal-safe calls from here on.
  ::prctl(PR_SET_PDEATHSIG, spec.deathSignal);
  if (::getppid() != parent) ::_exit(127);  // the parent died before the line above
  // Move the descriptors out of the way first, so a dup2 never closes one still needed.
  int fds[3] = {spec.stdinFd, spec.stdoutFd, spec.stderrFd};
  for (int& fd : fds) {
    if (fd >= 0) fd = ::fcntl(fd, F_DUPFD, 3 + count);
  }
  for (int i = 0; i < count; ++i) extras[i] = ::fcntl(extras[i], F_DUPFD, 3 + count);
  for (int i = 0; i < 3; ++i) {
    if (fds[i] >= 0 && ::dup2(fds[i], i) < 0) ::_exit(127);
  }
  for (int i = 0; i < count; ++i) {
    if (::dup2(extras[i], 3 + i) < 0) ::_exit(127);
  }
  ::closefrom(3 + count);
  if (!spec.workingDirectory.empty() && ::chdir(spec.workingDirectory.c_str()) != 0) ::_exit(127);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int s : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE}) ::signal(s, SIG_DFL);
  ::execve(spec.program.c_str(), argv.data(), env);
  ::_exit(127);
}

void ForwardTerminationSignals(pid_t child) {
  gForwardTo = child;
  struct sigaction action {};
  action.sa_handler = Forward;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int s : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) ::sigaction(s, &action, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
}

int WaitChild(pid_t child) {
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return 127;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 127;
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace tools
