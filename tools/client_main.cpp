// orvane_int_rst_100.exe: the rsync client of the restore route.
//
// Started by the redirection helper with its standard input on the password
// file and its output and error on the engine's logs. It reads its real
// arguments from the list that "-7<path>" names, runs Debian's rsync as its
// child under its own name and translates what rsync writes into the
// layouts the engine reads (ClientOutput.h). It ends with rsync's exit code.
//
// rsync runs without "--inplace", even when the engine asks for it: rsync
// then writes each file to a temporary sibling and renames it into place,
// so an interrupted restore never leaves a half-written file where the
// user's file was. The temporaries a killed run left beside the files this
// run put whole in place are removed when rsync has ended.

#include "tools/ChildProcess.h"
#include "tools/ClientArgs.h"
#include "tools/ClientOutput.h"
#include "tools/StaleTemporaries.h"
#include "tools/ToolPaths.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr char kRsync[] = "/usr/bin/rsync";
constexpr int kTunnelWaitMs = 3000;

void Write(int fd, const QByteArray& bytes) {
  if (!bytes.isEmpty()) tools::WriteAll(fd, bytes.toStdString());
}

int Refuse(const QString& text, int code) {
  Write(2, QByteArrayLiteral("orvane_int_rst_100: ") + text.toUtf8() + '\n');
  Write(2, QByteArrayLiteral("rsync error: syntax or usage error (code ") + QByteArray::number(code) +
               ") at the client's command line\n");
  return code;
}

// This process's environment without what could redirect or feed rsync
// (RSYNC_PASSWORD, RSYNC_PROXY, RSYNC_CONNECT_PROG, RSYNC_RSH, ...), in
// the UTF-8 locale that keeps non-ASCII names unescaped.
std::vector<std::string> CleanEnvironment() {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry(*e);
    if (entry.rfind("RSYNC_", 0) == 0 || entry.rfind("LC_", 0) == 0 || entry.rfind("LANG=", 0) == 0 ||
        entry.rfind("LANGUAGE=", 0) == 0) {
      continue;
    }
    env.push_back(entry);
  }
  env.emplace_back("LC_ALL=C.UTF-8");
  return env;
}

}  // namespace

int main(int argc, char** argv) {
  QStringList commandLine;
  for (int i = 1; i < argc; ++i) commandLine << QString::fromLocal8Bit(argv[i]);

  Write(2, tools::ErrorTranslator::Start());
  QString error;
  const QStringList tokens = tools::ClientTokens(commandLine, &error);
  if (!error.isEmpty()) return Refuse(error, 1);
  const tools::ClientPlan plan = tools::PlanClientRun(tokens);
  if (!plan.error.isEmpty()) return Refuse(plan.error, plan.exitCode);

  tools::ChildSpec spec;
  spec.program = kRsync;
  for (const QString& a : plan.rsyncArguments) spec.arguments.push_back(a.toUtf8().toStdString());
  spec.environment = CleanEnvironment();

  // rsync opens its file list by a path it resolves without following links
  // (so not /dev/fd/N, and standard input carries the password): the list
  // goes to a private file that lives as long as this run.
  std::string listPath;
  if (plan.hasFilesFrom) {
    listPath = tools::WritePrivateListFile(plan.filesFrom);
    if (listPath.empty()) {
      return Refuse(QStringLiteral("cannot write the file list: %1").arg(QString::fromLocal8Bit(std::strerror(errno))),
                    11);
    }
    for (std::string& a : spec.arguments) {
      if (a == tools::kFilesFromPlaceholder) a = "--files-from=" + listPath;
    }
  }

  // The engine starts the tunnel just before the client: give it time to listen.
  if (!plan.tunnelAddress.isEmpty()) tools::WaitForListener(plan.tunnelAddress, plan.tunnelPort, kTunnelWaitMs);

  int out[2];
  int err[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return Refuse(QStringLiteral("no pipes"), 11);
  spec.stdoutFd = out[1];
  spec.stderrFd = err[1];
  const pid_t child = tools::SpawnChild(spec);
  if (child < 0)
    return Refuse(QStringLiteral("cannot start rsync: %1").arg(QString::fromLocal8Bit(std::strerror(errno))), 14);
  tools::ForwardTerminationSignals(child);
  ::close(out[1]);
  ::close(err[1]);

  tools::OutputTranslator output(plan.transfer);
  tools::ErrorTranslator errors(plan.hostToClientPaths);
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int open = 2;
  char buffer[65536];
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
        continue;
      }
      const QByteArray bytes(buffer, static_cast<qsizetype>(n));
      if (i == 0) {
        Write(1, output.Feed(bytes));
      } else {
        Write(2, errors.Feed(bytes));
      }
    }
  }
  Write(1, output.Finish());
  Write(2, errors.Finish());
  const int code = tools::WaitChild(child);
  if (plan.transfer) tools::RemoveStaleTemporaries(plan.destination, output.WholeFiles());
  if (!listPath.empty()) ::unlink(listPath.c_str());
  return code;
}
