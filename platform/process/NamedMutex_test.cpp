#include "platform/process/NamedMutex.h"

#include "platform/paths/WinPath.h"
#include "platform/process/Process.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <optional>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kSleeper = QStringLiteral(ORVANE_SLEEPER);

class NamedMutexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    global_ = tmp_.path() + "/global";
    local_ = tmp_.path() + "/local";
    win::NamedMutex::SetFolders(global_, local_);
    win::SetProcessRecordFolder(tmp_.path() + "/records");
    win::DriveTable table;
    table.Map(u'Z', "/");
    drives_.emplace(table);
  }
  void TearDown() override {
    for (int pid : cleanup_) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);  // ours, or adopted as an orphan
    }
    win::NamedMutex::SetFolders({}, {});
    win::SetProcessRecordFolder({});
    drives_.reset();
  }

  // The sleeper's command line in Windows form, with `args` after it.
  static QString Sleeper(const QString& args) { return "\"Z:" + QString(kSleeper).replace(u'/', u'\\') + "\" " + args; }

  // Runs "trylock" in another process and answers its last error.
  std::uint32_t TryLockElsewhere(const QString& name) {
    const int pid = win::StartProcess(Sleeper(QString(R"(trylock "%1" "%2" %3)").arg(global_, local_, name)));
    const win::ProcessHandle h = win::OpenProcess(win::PROCESS_QUERY_INFORMATION | win::SYNCHRONIZE, false, pid);
    EXPECT_EQ(win::WaitForSingleObject(h, 10000), win::WAIT_OBJECT_0);
    std::uint32_t code = 0;
    EXPECT_TRUE(win::GetExitCodeProcess(h, code));
    win::CloseHandle(h);
    return code;
  }

  QTemporaryDir tmp_;
  QString global_, local_;
  std::optional<win::ScopedDriveTable> drives_;
  std::vector<int> cleanup_;
};

TEST_F(NamedMutexTest, SecondCreationSeesTheMutexUntilTheFirstHandleGoes) {
  auto first = win::NamedMutex::Create("Global\\OrvaneforMac");
  ASSERT_TRUE(first.handle);
  EXPECT_EQ(first.lastError, 0u);
  EXPECT_TRUE(first.handle->Owned());

  struct Row {
    const char* name;
    std::uint32_t error;
  };
  const Row rows[] = {
      {"Global\\OrvaneforMac", 183}, {"GLOBAL\\OrvaneforMac", 183},  // the prefix ignores case
      {"Global\\orvaneformac", 0},                                   // the name does not
      {"Local\\OrvaneforMac", 0},                                    // another namespace
      {"Global\\Orvane/for:Mac", 0},
  };
  for (const Row& row : rows) {
    const auto again = win::NamedMutex::Create(row.name);
    EXPECT_EQ(again.lastError, row.error) << row.name;
    ASSERT_TRUE(again.handle) << row.name;
    EXPECT_EQ(again.handle->Owned(), row.error == 0) << row.name;
  }
  {
    const auto local = win::NamedMutex::Create("Local\\Session");
    EXPECT_EQ(win::NamedMutex::Create("Session").lastError, 183u) << "no prefix is the per-user namespace";
  }
  EXPECT_EQ(win::NamedMutex::Create("").lastError, 0u) << "unnamed mutexes are always new";

  first.handle.reset();
  const auto next = win::NamedMutex::Create("Global\\OrvaneforMac");
  EXPECT_EQ(next.lastError, 0u);

  // Another user must be able to open the shared lock file to see it held.
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(global_).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 01777u);
  const QString file = win::NamedMutex::LockFileFor("Global\\OrvaneforMac");
  EXPECT_EQ(QFileInfo(file).path(), global_);
  ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666u);
  ASSERT_EQ(::stat(QFile::encodeName(local_).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_EQ(QFileInfo(win::NamedMutex::LockFileFor("Global\\Orvane/for:Mac")).fileName(), "Orvane%2Ffor%3AMac.lock");
}

TEST_F(NamedMutexTest, AnotherProcessGets183UntilTheHolderEndsAndTheHoldersChildDoesNotKeepIt) {
  const QString ready = tmp_.path() + "/ready";
  const QString child = Sleeper("sleep 60").replace("\"", "\\\"");
  const int holder = win::StartProcess(Sleeper(QString(R"(hold "%1" "%2" "%3" Global\OrvaneforMac "%4" "%5")")
                                                   .arg(global_, local_, tmp_.path() + "/records", ready, child)));
  cleanup_.push_back(holder);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!QFile::exists(ready) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  QFile file(ready);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QList<QByteArray> words = file.readAll().trimmed().split(' ');
  ASSERT_EQ(words.size(), 2);
  EXPECT_EQ(words[0], "0") << "the holder took the mutex";
  const int grandchild = words[1].toInt();
  ASSERT_GT(grandchild, 0);
  cleanup_.push_back(grandchild);

  EXPECT_EQ(TryLockElsewhere("Global\\OrvaneforMac"), 183u);
  EXPECT_EQ(win::NamedMutex::Create("Global\\OrvaneforMac").lastError, 183u);

  // Killed, not closed: the kernel drops the lock with the process.
  ASSERT_TRUE(win::TerminateProcessById(holder, 1));
  EXPECT_EQ(::kill(grandchild, 0), 0) << "the holder's child runs on";
  EXPECT_EQ(TryLockElsewhere("Global\\OrvaneforMac"), 0u);
  const auto mine = win::NamedMutex::Create("Global\\OrvaneforMac");
  EXPECT_EQ(mine.lastError, 0u);
  EXPECT_TRUE(mine.handle && mine.handle->Owned());
}

TEST_F(NamedMutexTest, UnopenableLockFileIsAccessDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "root opens any file";
  const QString file = win::NamedMutex::LockFileFor("Global\\Theirs");
  ASSERT_TRUE(win::NamedMutex::Create("Global\\Theirs").handle);
  ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0), 0);
  const auto denied = win::NamedMutex::Create("Global\\Theirs");
  EXPECT_EQ(denied.lastError, 5u);
  EXPECT_FALSE(denied.handle);
}

}  // namespace
