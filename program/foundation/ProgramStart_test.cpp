// The built program, started as the user starts it: one copy per machine.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/process/NamedMutex.h"

namespace {

class ProgramStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    ASSERT_TRUE(QDir().mkpath(tmp_.path() + "/Prog"));
    ASSERT_TRUE(QDir().mkpath(tmp_.path() + "/locks"));
    exe_ = tmp_.path() + "/Prog/OrvaneMacRestore_100";
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANE_PROGRAM_EXE), exe_));
    win::NamedMutex::SetFolders(tmp_.path() + "/locks/shared", tmp_.path() + "/locks/local");
  }
  void TearDown() override {
    for (QProcess* p : started_) {
      if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(5000);
      }
      delete p;
    }
    win::NamedMutex::SetFolders({}, {});
  }

  QProcess* Start() {
    auto* p = new QProcess;
    started_.push_back(p);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ORVANE_LOCKS_DIR", tmp_.path() + "/locks");
    env.insert("ORVANE_DRIVES", "C=" + tmp_.path());
    env.insert("ORVANE_REGISTRY_DIR", tmp_.path() + "/registry");
    p->setProcessEnvironment(env);
    p->setWorkingDirectory(tmp_.path() + "/Prog");
    p->start(exe_, {});
    EXPECT_TRUE(p->waitForStarted(5000));
    return p;
  }

  // The process that holds the single-instance lock, read from the
  // kernel's lock table without touching the lock; 0 when none does.
  static qint64 LockHolder() {
    const QByteArray file = QFile::encodeName(win::NamedMutex::LockFileFor("Global\\OrvaneforMac"));
    struct stat st {};
    if (::stat(file.constData(), &st) != 0) return 0;
    QFile locks("/proc/locks");
    if (!locks.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : locks.readAll().split('\n')) {
      const QList<QByteArray> fields = line.simplified().split(' ');
      if (fields.size() < 6 || fields[1] != "FLOCK") continue;
      if (fields[5].split(':').last().toULongLong() == st.st_ino) return fields[4].toLongLong();
    }
    return 0;
  }

  // Waits until the copy holds the lock.
  static bool WaitForLock(QProcess* p) {
    for (int i = 0; i < 300 && p->state() == QProcess::Running; ++i) {
      if (LockHolder() == p->processId()) return true;
      QThread::msleep(50);
    }
    return false;
  }

  QTemporaryDir tmp_;
  QString exe_;
  std::vector<QProcess*> started_;
};

TEST_F(ProgramStartTest, ASecondCopyEndsSilentlyAndAKilledCopyLeavesNoLock) {
  QProcess* first = Start();
  ASSERT_TRUE(WaitForLock(first)) << first->readAllStandardError().toStdString();

  QProcess* second = Start();
  ASSERT_TRUE(second->waitForFinished(15000));
  EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second->exitCode(), 0);
  EXPECT_FALSE(QFileInfo::exists(tmp_.path() + "/Prog/OrvaneMac/TraceFile.txt")) << "no trace line";
  EXPECT_EQ(first->state(), QProcess::Running) << "the first copy is unaffected";

  first->kill();  // SIGKILL: no chance to clean up
  ASSERT_TRUE(first->waitForFinished(5000));
  EXPECT_EQ(LockHolder(), 0);

  QProcess* third = Start();
  ASSERT_TRUE(WaitForLock(third));
  QThread::msleep(500);
  EXPECT_EQ(third->state(), QProcess::Running);
  EXPECT_EQ(LockHolder(), third->processId());
}

}  // namespace
