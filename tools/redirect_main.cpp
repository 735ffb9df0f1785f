// redirect.exe -i <input> -e <error> -o <output> <batch file>
//
// Runs the one command line of a batch file with its standard input, error
// and output bound to the three files, waits for it and ends with its exit
// code. The output and error files are created (or emptied) before anything
// else, so the engine can watch the output file as soon as this runs. The
// batch line is split into words here (SplitBatchLine); no shell ever sees
// it, so nothing in a name can run as a command. The program runs as our
// child and dies with us.
//
// Its own failures (a file it cannot open, a batch file without a command, a
// program it cannot start) end it with 1 before any client ran; it writes
// them to the error file as the client writes its failures, ending with an
// "rsync error:" line, so the engine judges the run failed.

#include "platform/codepage/CodePage.h"
#include "platform/errors/RuntimeError.h"
#include "platform/process/Process.h"
#include "tools/ChildProcess.h"
#include "tools/ClientArgs.h"
#include "tools/ToolPaths.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

void Say(int fd, const QString& text) { tools::WriteAll(fd, ("redirect: " + text + "\n").toUtf8().toStdString()); }

// A failure of our own: its reason, then the closing line the engine looks
// for in a failed run's error log.
int Fail(int fd, const QString& text) {
  Say(fd, text);
  tools::WriteAll(fd, ("rsync error: the redirection program could not run the client (code 1): " + text + "\n")
                          .toUtf8()
                          .toStdString());
  return 1;
}

int OpenOutput(const QString& path) {
  const QString host = tools::HostPathOfArgument(path);
  if (host.isEmpty()) return -1;
  return ::open(QFile::encodeName(host).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
}

}  // namespace

int main(int argc, char** argv) {
  QString input, error, output, batch;
  for (int i = 1; i < argc; ++i) {
    const QString arg = QString::fromLocal8Bit(argv[i]);
    if ((arg == u"-i" || arg == u"-e" || arg == u"-o") && i + 1 < argc) {
      QString& target = arg == u"-i" ? input : arg == u"-e" ? error : output;
      target = QString::fromLocal8Bit(argv[++i]);
    } else {
      batch = arg;
    }
  }
  if (output.isEmpty() || error.isEmpty() || input.isEmpty() || batch.isEmpty())
    return Fail(2, QStringLiteral("usage: redirect.exe -i <input> -e <error> -o <output> <batch file>"));
  const int out = OpenOutput(output);
  if (out < 0) return Fail(2, QStringLiteral("cannot create %1: %2").arg(output, QString::fromLocal8Bit(std::strerror(errno))));
  const int err = OpenOutput(error);
  if (err < 0) return Fail(2, QStringLiteral("cannot create %1: %2").arg(error, QString::fromLocal8Bit(std::strerror(errno))));
  const QString inputHost = tools::HostPathOfArgument(input);
  const int in = inputHost.isEmpty() ? -1 : ::open(QFile::encodeName(inputHost).constData(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return Fail(err, QStringLiteral("cannot open %1: %2").arg(input, QString::fromLocal8Bit(std::strerror(errno))));

  QFile file(tools::HostPathOfArgument(batch));
  if (!file.open(QIODevice::ReadOnly)) return Fail(err, QStringLiteral("cannot read %1: %2").arg(batch, file.errorString()));
  QStringList words;
  for (const QString& line : win::FromAnsi(file.readAll()).split(u'\n')) {
    words = tools::SplitBatchLine(line);
    if (!words.isEmpty()) break;
  }
  if (words.isEmpty()) return Fail(err, QStringLiteral("%1 holds no command").arg(batch));

  QString program;
  try {
    program = win::ResolveCommandLine(u'"' + words.first() + u'"').hostPath;
  } catch (const vb::RuntimeError&) {
    return Fail(err, QStringLiteral("program not found: %1").arg(words.first()));
  }
  tools::ChildSpec spec;
  spec.program = QFile::encodeName(program).toStdString();
  for (qsizetype i = 1; i < words.size(); ++i) spec.arguments.push_back(words.at(i).toLocal8Bit().toStdString());
  spec.stdinFd = in;
  spec.stdoutFd = out;
  spec.stderrFd = err;
  const pid_t child = tools::SpawnChild(spec);
  if (child < 0)
    return Fail(err, QStringLiteral("cannot start %1: %2").arg(words.first(), QString::fromLocal8Bit(std::strerror(errno))));
  tools::ForwardTerminationSignals(child);
  return tools::WaitChild(child);
}
