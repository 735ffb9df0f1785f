// A small program the process tests start, under whatever name a test needs.
//
//   sleep <seconds>                 sleeps, then ends with 0
//   exit <code>                     ends at once with <code>
//   waitfor <file> <code>           ends with <code> once <file> exists
//   args <outfile> [args...]        writes its working folder, then each argument, one per line (UTF-8)
//   cat                             copies standard input to standard output, writes "E" to standard error
//   fds <outfile>                   writes the numbers of its open descriptors, one per line
//   hold <global dir> <local dir> <record dir> <mutex name> <ready file> [<command line>]
//                                   takes the named mutex, starts <command line> through the process
//                                   layer (drive Z: is "/"), writes "<last error> <pid of the started
//                                   program or 0>" to <ready file>, then sleeps until killed
//   trylock <global dir> <local dir> <mutex name>
//                                   ends with the last error of taking the named mutex

#include "platform/paths/WinPath.h"
#include "platform/process/NamedMutex.h"
#include "platform/process/Process.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <unistd.h>

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path + QStringLiteral(".part"));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  file.write(bytes);
  file.close();
  QFile::remove(path);
  return file.rename(path);  // appears complete or not at all
}

void SleepForever() {
  for (;;) std::this_thread::sleep_for(std::chrono::seconds(60));
}

}  // namespace

int main(int argc, char** argv) {
  const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
  const auto arg = [&](int i) { return i < argc ? QString::fromLocal8Bit(argv[i]) : QString(); };

  if (mode == u"sleep") {
    std::this_thread::sleep_for(std::chrono::seconds(arg(2).toInt()));
    return 0;
  }
  if (mode == u"exit") return arg(2).toInt();
  if (mode == u"waitfor") {
    while (!QFile::exists(arg(2))) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return arg(3).toInt();
  }
  if (mode == u"args") {
    QByteArray out = QDir::currentPath().toUtf8() + '\n';
    for (int i = 3; i < argc; ++i) out += QByteArray(argv[i]) + '\n';
    return WriteFile(arg(2), out) ? 0 : 1;
  }
  if (mode == u"cat") {
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) std::fwrite(buffer, 1, n, stdout);
    std::fputs("E", stderr);
    return 0;
  }
  if (mode == u"fds") {
    QByteArray out;
    for (const QString& fd : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
      out += fd.toUtf8() + '\n';
    }
    return WriteFile(arg(2), out) ? 0 : 1;
  }
  if (mode == u"hold") {
    win::NamedMutex::SetFolders(arg(2), arg(3));
    win::SetProcessRecordFolder(arg(4));
    win::DriveTable table;
    table.Map(u'Z', QStringLiteral("/"));
    win::SetDriveTable(table);
    const auto created = win::NamedMutex::Create(arg(5));
    int started = 0;
    if (argc > 7) started = win::StartProcess(arg(7));
    WriteFile(arg(6), QByteArray::number(created.lastError) + ' ' + QByteArray::number(started) + '\n');
    SleepForever();
  }
  if (mode == u"trylock") {
    win::NamedMutex::SetFolders(arg(2), arg(3));
    return static_cast<int>(win::NamedMutex::Create(arg(4)).lastError);
  }
  std::fprintf(stderr, "unknown mode\n");
  return 100;
}
