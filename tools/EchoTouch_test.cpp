// The echo touch of the retry wait, run by the platform's batch runner
// against our client program: the line appends to the program file, which
// still runs afterwards; a running program file is left alone.
#include "platform/paths/WinPath.h"
#include "platform/process/Process.h"
#include "tools/ChildProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

#include <unistd.h>

namespace tools {
namespace {

const QString kProgramDir = QStringLiteral(ORVANE_PROGRAM_DIR);

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs the echo batch file as the engine does and answers its exit code.
std::uint32_t RunEcho(const QString& batch) {
  const int pid = static_cast<int>(win::Shell(batch, win::vbHide));
  const win::ProcessHandle h = win::OpenProcess(win::PROCESS_QUERY_INFORMATION | win::SYNCHRONIZE, false, pid);
  EXPECT_EQ(win::WaitForSingleObject(h, 10000), win::WAIT_OBJECT_0);
  std::uint32_t code = 99;
  win::GetExitCodeProcess(h, code);
  win::CloseHandle(h);
  return code;
}

class EchoTouchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    ASSERT_TRUE(QDir(tmp_.path()).mkpath(QStringLiteral("Orvane")));
    win::DriveTable table;
    table.Map(u'C', tmp_.path());
    guard_.emplace(table);
    exe_ = tmp_.path() + QStringLiteral("/Orvane/orvane_int_rst_100.exe");
    // The file exactly as the retry wait writes it: one 8-bit line, no line end.
    QFile bat(tmp_.path() + QStringLiteral("/Orvane/EchoExe_int.bat"));
    ASSERT_TRUE(bat.open(QIODevice::WriteOnly));
    bat.write(R"(echo " " >> "C:\Orvane\orvane_int_rst_100.exe")");
  }

  QTemporaryDir tmp_;
  std::optional<win::ScopedDriveTable> guard_;
  QString exe_;
};

TEST_F(EchoTouchTest, AppendsToTheClientWhichStillRuns) {
  ASSERT_TRUE(QFile::copy(kProgramDir + QStringLiteral("/orvane_int_rst_100.exe"), exe_));
  const QByteArray before = ReadAll(exe_);
  EXPECT_EQ(RunEcho(QStringLiteral("C:\\Orvane\\EchoExe_int.bat")), 0u);
  EXPECT_EQ(ReadAll(exe_), before + "\" \"\r\n");

  int err[2];
  ASSERT_EQ(::pipe(err), 0);
  ChildSpec spec;
  spec.program = exe_.toStdString();
  spec.stderrFd = err[1];
  const pid_t pid = SpawnChild(spec);
  ::close(err[1]);
  QByteArray text;
  char buffer[256];
  ssize_t n = 0;
  while ((n = ::read(err[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<qsizetype>(n));
  ::close(err[0]);
  EXPECT_EQ(WaitChild(pid), 1);  // no source: refused, but it ran
  EXPECT_TRUE(text.startsWith("Password: \n")) << text.toStdString();
}

TEST_F(EchoTouchTest, ARunningClientIsLeftAlone) {
  // A program that stays running, under the client's name.
  ASSERT_TRUE(QFile::copy(kProgramDir + QStringLiteral("/DORediRizura.exe"), exe_));
  ChildSpec spec;
  spec.program = exe_.toStdString();
  const pid_t pid = SpawnChild(spec);
  ASSERT_GT(pid, 0);
  // Busy only once the child runs the program, not between fork and exec.
  const QString running = QFileInfo(exe_).canonicalFilePath();
  for (int i = 0; i < 500 && QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget() != running; ++i) {
    QThread::msleep(10);
  }
  ASSERT_EQ(QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget(), running);
  const QByteArray before = ReadAll(exe_);
  EXPECT_EQ(RunEcho(QStringLiteral("C:\\Orvane\\EchoExe_int.bat")), 1u);  // busy: nothing written
  EXPECT_EQ(ReadAll(exe_), before);
  ::kill(pid, SIGTERM);
  EXPECT_EQ(WaitChild(pid), 128 + SIGTERM);
}

}  // namespace
}  // namespace tools
