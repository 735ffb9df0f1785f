#include "ZQwinSrv/foundation/Processes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ZQwinSrv/foundation/Transfer.h"
#include "platform/paths/WinPath.h"
#include "platform/process/ExitWindows.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"

extern char** environ;

namespace OrvaneSrv {
namespace {

bool WaitUntil(const std::function<bool()>& done, int milliseconds = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Whether a process runs (a zombie does not count).
bool IsAlive(int pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return false;
  const QByteArray text = stat.readAll();
  const qsizetype close = text.lastIndexOf(')');
  return close > 0 && close + 2 < text.size() && text.at(close + 2) != 'Z';
}

// A temporary drive C: holding copies of the host's sleep program under the
// names of the outside programs, started through the platform's process
// layer; and unrelated programs started behind its back.
class ProcessesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    ASSERT_TRUE(QDir().mkpath(tmp_.path() + "/c/Prog/OrvaneMac"));
    ASSERT_TRUE(QDir().mkpath(tmp_.path() + "/outside"));
    win::DriveTable table;
    table.Map(u'C', tmp_.path() + "/c");
    drives_.emplace(table);
    registry_.emplace(win::RegistryConfig::InFolder(tmp_.path() + "/registry"));
    win::SetProgramFolder("C:\\Prog");
    win::SetProcessRecordFolder(tmp_.path() + "/records");
    ResetEngineForTesting();
    Engine().gsAppPath = "C:\\Prog\\";
    Engine().gsAppWord = "OrvaneMac";
    Engine().giMode = 1;
  }
  void TearDown() override {
    for (int pid : started_) win::TerminateProcessById(pid, 0);
    for (pid_t pid : outside_) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    ResetEngineForTesting();
    win::SetProcessRecordFolder({});
    win::SetProgramFolder({});
    registry_.reset();
    drives_.reset();
  }

  // The sleep program as C:\<name>, started through the process layer.
  int StartAs(const QString& name) {
    const QString host = tmp_.path() + "/c/" + name;
    if (!QFile::exists(host)) {
      EXPECT_TRUE(QFile::copy("/bin/sleep", host));
    }
    const int pid = win::StartProcess("C:\\" + name + " 30");
    started_.push_back(pid);
    return pid;
  }

  // The sleep program under a host name, started without the process layer.
  pid_t StartOutside(const QString& name) {
    const QByteArray host = (tmp_.path() + "/outside/" + name).toUtf8();
    EXPECT_TRUE(QFile::copy("/bin/sleep", QString::fromUtf8(host)));
    QByteArray seconds("30");
    char* argv[] = {const_cast<char*>(host.constData()), seconds.data(), nullptr};
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, host.constData(), nullptr, nullptr, argv, environ), 0);
    outside_.push_back(pid);
    return pid;
  }

  QTemporaryDir tmp_;
  std::optional<win::ScopedDriveTable> drives_;
  std::optional<win::ScopedRegistry> registry_;
  std::vector<int> started_;
  std::vector<pid_t> outside_;
};

TEST_F(ProcessesTest, FindsAndEndsTheRsyncClientOnePerCall) {
  const int first = StartAs("orvane_int_rst_100.exe");
  const int second = StartAs("orvane_int_rst_100.exe");
  // Unrelated programs: one whose name the legacy prefix rule took for the
  // client ("orvane_int.exe" less its extension begins the client's name),
  // and the plain sleep program.
  const pid_t lookalike = StartOutside("orvane_int.exe");
  const pid_t sleeper = StartOutside("sleep");
  ASSERT_TRUE(WaitUntil([] { return IsExeRunning("orvane_int.exe", false); }));

  for (const char* name : {"orvane_int_rst_100.exe", "ORVANE_INT_RST_100.EXE", "orvane_int_rst_100"}) {
    EXPECT_TRUE(IsExeRunning(name, false)) << name;
  }
  EXPECT_TRUE(IsAlive(first));
  EXPECT_TRUE(IsAlive(second));

  // Every hint finds the same processes.
  EXPECT_TRUE(IsExeRunning("orvane_int_rst_100.exe", false, 5));
  EXPECT_TRUE(IsExeRunning("orvane_int_rst_100.exe", true, 6));
  EXPECT_NE(IsAlive(first), IsAlive(second)) << "one call ends one process";
  EXPECT_TRUE(IsExeRunning("orvane_int_rst_100.exe", true));
  EXPECT_FALSE(IsAlive(first));
  EXPECT_FALSE(IsAlive(second));
  EXPECT_FALSE(IsExeRunning("orvane_int_rst_100.exe", true));
  EXPECT_FALSE(IsExeRunning("orvane_int_rst_100.exe", false));

  EXPECT_TRUE(IsAlive(lookalike));
  EXPECT_TRUE(IsAlive(sleeper));
  EXPECT_FALSE(IsExeRunning("", false));
  EXPECT_FALSE(IsExeRunning("DORediRizura.exe", true));
  EXPECT_TRUE(IsAlive(lookalike));
  EXPECT_TRUE(IsAlive(sleeper));
}

TEST(ExitWindowsTest, AsksTheSessionManagerWithTheForceFlag) {
  std::vector<QStringList> requests;
  win::ScopedSessionManagerLauncher launcher([&](const QString& program, const QStringList& arguments) {
    requests.push_back(QStringList{program} + arguments);
    return true;
  });
  const QByteArray saved = qgetenv("XDG_SESSION_ID");
  qputenv("XDG_SESSION_ID", "5");
  cls_ExitWindows exit;
  EXPECT_TRUE(exit.ExitWindows(0));
  EXPECT_TRUE(exit.ExitWindows(2));
  EXPECT_TRUE(exit.ExitWindows(4)) << "a forced log off stays a log off";
  qputenv("XDG_SESSION_ID", saved);
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0], QStringList({"loginctl", "terminate-session", "5"}));
  EXPECT_EQ(requests[1].mid(0, 1) + requests[1].mid(5, 1), QStringList({"busctl", "Reboot"}));
  EXPECT_EQ(requests[2], requests[0]);
}

TEST_F(ProcessesTest, ShellCloseAnswersTrueWhenNothingWasEnded) {
  const int pid = StartAs("orvane_ssl_int_rst_100.exe");
  ASSERT_TRUE(IsAlive(pid));
  EXPECT_FALSE(ShellClose(pid));
  EXPECT_FALSE(IsAlive(pid));
  EXPECT_TRUE(ShellClose(pid)) << "already gone";
  EXPECT_FALSE(IsExeRunning("orvane_ssl_int_rst_100.exe", false));
}

TEST_F(ProcessesTest, VersionAnswersAndTheVersionRecordHelper) {
  EXPECT_EQ(GetPlatformId(), 2);
  EXPECT_GE(getMajorVersion(), 6);
  EXPECT_GE(getMinorVersion(), 0);

  QByteArray record;
  CopyStringToBytes("abc", record, 6);
  EXPECT_EQ(record, QByteArray("a\0b\0\0\0", 6)) << "the last two bytes stay zero";
  QByteArray wide(8, '\x7F');
  CopyStringToBytes("ab", wide, 8);
  EXPECT_EQ(wide, QByteArray("a\0b\0\x7F\x7F\x7F\x7F", 8));
  EnableDebugPrivilege(true);
  EnableDebugPrivilege(false);
}

TEST_F(ProcessesTest, AutoConnectOfTheUsersDialUpEntry) {
  win::HKEY key = 0;
  ASSERT_EQ(win::RegCreateKeyEx(win::HKEY_CURRENT_USER, "RemoteAccess\\Profile\\My ISP", 0, win::KEY_ALL_ACCESS, &key), 0);
  win::RegCloseKey(key);

  SetRasAutoConnect();  // no entry named yet
  EXPECT_FALSE(win::RegistryReadDword(win::HKEY_CURRENT_USER, "RemoteAccess\\Profile", "AutoConnect").has_value());

  gTransfer().Trf_WriteUserProfile("ISPName", "Other ISP");
  SetRasAutoConnect();  // an entry without a key
  EXPECT_FALSE(win::RegistryReadDword(win::HKEY_CURRENT_USER, "RemoteAccess\\Profile\\Other ISP", "AutoConnect").has_value());

  gTransfer().Trf_WriteUserProfile("ISPName", "My ISP");
  SetRasAutoConnect();
  EXPECT_EQ(win::RegistryReadDword(win::HKEY_CURRENT_USER, "RemoteAccess\\Profile\\My ISP", "AutoConnect"), 1u);
}

}  // namespace
}  // namespace OrvaneSrv
