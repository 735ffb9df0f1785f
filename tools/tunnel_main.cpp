// orvane_ssl_int_rst_100.exe / orvane_ssl_prox_rst_100.exe <configuration>
//
// The SSL tunnel of the rsync route: reads section "ZQWIN" of the
// configuration file the engine wrote (named without a folder: it is looked
// for in the current folder) and runs Debian's stunnel as a client in the
// foreground, as our child. stunnel reads its configuration from a pipe, so
// the proxy password never lands in another file. What stunnel writes to its
// standard error passes to ours, with a verdict line after each connection
// that failed (TunnelLogFilter): the engine reads a refused certificate
// there. Ends with stunnel's code.

#include "tools/ChildProcess.h"
#include "tools/ToolPaths.h"
#include "tools/TunnelConf.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr char kStunnel[] = "/usr/bin/stunnel";

int Fail(const QString& text) {
  tools::WriteAll(2, ("tunnel: " + text + "\n").toUtf8().toStdString());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Fail(QStringLiteral("usage: <tunnel> <configuration file>"));
  const QString name = QString::fromLocal8Bit(argv[1]);
  const QString path = QFileInfo::exists(name) ? name : tools::HostPathOfArgument(name);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return Fail(QStringLiteral("cannot read %1: %2").arg(name, file.errorString()));
  const auto section = tools::ReadIniSection(file.readAll(), QStringLiteral("ZQWIN"));
  if (!section) return Fail(QStringLiteral("%1 has no section ZQWIN").arg(name));
  const tools::TunnelSettings settings = tools::BuildTunnelSettings(*section, qEnvironmentVariable("ORVANE_CA_FILE"));
  if (!settings.error.isEmpty()) return Fail(settings.error);

  int pipe[2];
  if (::pipe2(pipe, O_CLOEXEC) != 0) return Fail(QStringLiteral("no pipe"));
  // The configuration is small: it fits the pipe before stunnel reads it.
  if (!tools::WriteAll(pipe[1], settings.stunnelConfig.toStdString()))
    return Fail(QStringLiteral("cannot pass the configuration"));
  ::close(pipe[1]);

  int log[2];
  if (::pipe2(log, O_CLOEXEC) != 0) return Fail(QStringLiteral("no pipe"));
  tools::ChildSpec spec;
  spec.program = kStunnel;
  spec.arguments = {"-fd", "3"};
  spec.extraFds = {pipe[0]};
  spec.stderrFd = log[1];
  const pid_t child = tools::SpawnChild(spec);
  if (child < 0)
    return Fail(QStringLiteral("cannot start stunnel: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
  ::close(pipe[0]);
  ::close(log[1]);
  tools::ForwardTerminationSignals(child);

  // Until stunnel has ended and closed its end.
  tools::TunnelLogFilter filter(settings.checkedHost);
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(log[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    tools::WriteAll(2, filter.Feed(QByteArray(buffer, static_cast<qsizetype>(n))).toStdString());
  }
  tools::WriteAll(2, filter.Finish().toStdString());
  ::close(log[0]);
  return tools::WaitChild(child);
}
