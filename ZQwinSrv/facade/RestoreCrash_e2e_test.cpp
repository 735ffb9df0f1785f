// A restore killed at once (SIGKILL, its outside programs with it) while a
// large file is in the middle of its transfer, on each route, then run
// again: the user's own files are never replaced by a part of the account's,
// and the second run leaves the account's files whole and no temporary file
// behind. The restore runs in its own process (orvane_restore_driver) with
// the outside programs of the program folder (ORVANE_PROGRAM_DIR), which it
// starts (StartProcess) and looks up by name as the restore program does.
#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <map>
#include <set>
#include <thread>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include "testbed/include/TestbedControl.h"

namespace {

const QString kDriver = QStringLiteral(ORVANE_RESTORE_DRIVER);
constexpr qint64 kBigSize = 4 * 1048576;

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
  f.write(bytes);
}

QByteArray RandomBytes(qint64 size, quint32 seed) {
  QByteArray bytes(size, Qt::Uninitialized);
  QRandomGenerator random(seed);
  random.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
  return bytes;
}

// Every file below `folder`, by its path relative to it.
std::map<QString, QByteArray> Files(const QString& folder) {
  std::map<QString, QByteArray> files;
  QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    files[path.mid(folder.size() + 1)] = ReadAll(path);
  }
  return files;
}

// The process ids whose parent is one of `parents`.
std::set<pid_t> ChildrenOf(const std::set<pid_t>& parents) {
  std::set<pid_t> children;
  for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
    bool number = false;
    const pid_t pid = entry.toInt(&number);
    if (!number) continue;
    const QByteArray stat = ReadAll("/proc/" + entry + "/stat");
    // "pid (name) state ppid ...": the name may hold blanks and brackets.
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0) continue;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() > 1 && parents.count(fields[1].toInt())) children.insert(pid);
  }
  return children;
}

// Kills the process and every process it started, at once, as a crash of
// the machine's session would: all are stopped first so that none starts
// another or tidies up, then killed.
void KillTree(pid_t root) {
  std::set<pid_t> all{root};
  ::kill(root, SIGSTOP);
  for (std::set<pid_t> level{root}; !level.empty();) {
    std::set<pid_t> next;
    for (pid_t pid : ChildrenOf(level)) {
      if (all.insert(pid).second) {
        ::kill(pid, SIGSTOP);
        next.insert(pid);
      }
    }
    level = next;
  }
  for (pid_t pid : all) ::kill(pid, SIGKILL);
  ::waitpid(root, nullptr, 0);
}

class RestoreCrashE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testbed::Running()) GTEST_SKIP() << "the service double is not running";
    testbed::Reset(true);
    ASSERT_TRUE(tmp_.isValid());
    // The account's folder: one large file, small ones, a subfolder.
    account_ = qEnvironmentVariable("TESTBED_ACCOUNT_ROOT") + "/CrashSet";
    WriteFile(account_ + "/big.bin", RandomBytes(kBigSize, 1));
    WriteFile(account_ + "/notes.txt", "the account's notes\n");
    WriteFile(account_ + "/Sub/inner.bin", RandomBytes(65536, 2));
    WriteFile(account_ + "/Sub/deep.txt", "deep\n");
    // The user's destination: older, different copies of some of them and
    // a file of the user's own.
    dest_ = tmp_.path() + "/out/CrashSet";
    WriteFile(dest_ + "/big.bin", QByteArray(1048576, 'u'));
    WriteFile(dest_ + "/notes.txt", "the user's older notes\n");
    WriteFile(dest_ + "/Sub/deep.txt", "the user's deep\n");
    WriteFile(dest_ + "/mine.txt", "only the user's\n");
    before_ = Files(dest_);
  }

  pid_t StartDriver(const QString& route) {
    QList<QByteArray> args{kDriver.toUtf8(), "--root",   (tmp_.path() + "/machine").toUtf8(),
                           "--route",        route.toUtf8(), "--folder", "CrashSet",
                           "--dest",         (tmp_.path() + "/out").toUtf8()};
    const pid_t pid = ::fork();
    if (pid == 0) {
      std::vector<char*> argv;
      for (QByteArray& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    return pid;
  }

  static int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  // Waits until a file of the destination matching `pattern` holds part of
  // the large file; its name, empty after the time-out.
  QString WaitForPartialFile(const QRegularExpression& pattern, pid_t driver) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      for (const QFileInfo& f : QDir(dest_).entryInfoList(QDir::Files | QDir::Hidden)) {
        if (pattern.match(f.fileName()).hasMatch() && f.size() > 0 && f.size() < kBigSize) return f.fileName();
      }
      if (::waitpid(driver, nullptr, WNOHANG) == driver) return {};
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return {};
  }

  // Each file of the user's is the user's copy or the account's whole file;
  // the account's files that the user did not have are absent or whole.
  void ExpectNoPartialFile() const {
    const std::map<QString, QByteArray> account = Files(account_);
    for (const auto& [name, bytes] : Files(dest_)) {
      if (QFileInfo(name).fileName().startsWith('.') || name.endsWith(".orvpart")) continue;  // temporaries
      const auto mine = before_.find(name);
      const auto theirs = account.find(name);
      const bool isMine = mine != before_.end() && mine->second == bytes;
      const bool isTheirs = theirs != account.end() && theirs->second == bytes;
      EXPECT_TRUE(isMine || isTheirs) << name.toStdString() << " is neither the user's nor the account's";
    }
    for (const auto& [name, bytes] : before_) EXPECT_TRUE(QFileInfo::exists(dest_ + "/" + name)) << name.toStdString();
  }

  // Every file of the account whole, the user's own file kept, nothing else.
  void ExpectRestored() const {
    std::map<QString, QByteArray> expected = Files(account_);
    expected["mine.txt"] = before_.at("mine.txt");
    const std::map<QString, QByteArray> found = Files(dest_);
    for (const auto& [name, bytes] : expected) {
      const auto it = found.find(name);
      ASSERT_NE(it, found.end()) << name.toStdString() << " missing";
      EXPECT_TRUE(it->second == bytes) << name.toStdString() << " differs from the account's";
    }
    for (const auto& [name, bytes] : found) EXPECT_TRUE(expected.count(name)) << "left behind: " << name.toStdString();
  }

  QTemporaryDir tmp_;
  QString account_, dest_;
  std::map<QString, QByteArray> before_;
};

TEST_F(RestoreCrashE2E, RsyncRouteKilledInTheMiddleOfAFileThenRunAgain) {
  // The connections stall once a megabyte has passed: only the large file's
  // transfer gets that far, and it waits there to be killed.
  testbed::Control("POST", "/listener_faults",
                   QJsonObject{{"listener", QJsonArray{"rsync", "rsync-tls"}},
                               {"fault", QJsonObject{{"stall_after", 1048576}, {"stall", 60}, {"times", 0}}}});
  const pid_t driver = StartDriver("rsync");
  // rsync writes the file into a temporary sibling ".big.bin.XXXXXX".
  const QString partial = WaitForPartialFile(QRegularExpression("^\\.big\\.bin\\.[A-Za-z0-9]{6}$"), driver);
  ASSERT_FALSE(partial.isEmpty()) << "the large file's transfer was not seen";
  KillTree(driver);
  ExpectNoPartialFile();
  EXPECT_EQ(ReadAll(dest_ + "/big.bin"), before_.at("big.bin")) << "the user's copy is intact";
  EXPECT_TRUE(QFileInfo::exists(dest_ + "/" + partial)) << "the killed transfer's temporary stays";

  testbed::Reset(false);
  EXPECT_EQ(Wait(StartDriver("rsync")), 0);
  ExpectRestored();
}

TEST_F(RestoreCrashE2E, WebDavRouteKilledInTheMiddleOfAFileThenRunAgain) {
  // The fifth range of the large file (the first four are in the work file)
  // is held until the faults are cleared.
  testbed::RequestFault(QJsonObject{{"method", "GET"}, {"range", "bytes=524288-"}}, QJsonObject{{"hang", true}});
  const pid_t driver = StartDriver("webdav");
  // The user's copy of a file larger than the account's is downloaded
  // beside and copied into place: a copy killed before its rename left its
  // temporary (planted here, as the window is too short to hit).
  WriteFile(dest_ + "/Sub/inner.bin", RandomBytes(100000, 3));
  WriteFile(dest_ + "/Sub/.~inner.bin.Ab3xZ9", "a killed copy's part");
  before_ = Files(dest_);
  before_.erase("Sub/.~inner.bin.Ab3xZ9");
  const QString partial = WaitForPartialFile(QRegularExpression("^big\\.bin\\.orvpart$"), driver);
  ASSERT_FALSE(partial.isEmpty()) << "the large file's transfer was not seen";
  KillTree(driver);
  ExpectNoPartialFile();
  EXPECT_EQ(ReadAll(dest_ + "/big.bin"), before_.at("big.bin")) << "the user's copy is intact";
  EXPECT_TRUE(QFileInfo::exists(dest_ + "/big.bin.orvpart")) << "the killed download's work file stays";

  testbed::Reset(false);
  EXPECT_EQ(Wait(StartDriver("webdav")), 0);
  ExpectRestored();
}

}  // namespace
