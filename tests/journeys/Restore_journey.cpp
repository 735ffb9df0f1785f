// Restoring from the main window: check marks in the remote tree, the
// Restore picture, the destination on drive D:, the progress window and
// its Close, the WebDAV route the profile asks for, the fall-back when the
// rsync daemon is away, and leaving the program while a restore runs.
#include "tests/journeys/Journey.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <chrono>
#include <thread>

#include "ZQwinSrv/foundation/Processes.h"
#include "platform/clock/Clock.h"
#include "platform/clock/ClockSource.h"
#include "platform/clock/FakeClock.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/modMain.h"
#include "program/main/Smart.h"
#include "program/main/frmreswizscr3.h"
#include "program/progress/frmProgressDisplay.h"
#include "program/windows/SkinControls.h"
#include "testbed/include/TestbedControl.h"

namespace OrvaneMac::journey {
namespace {

// A file the rsync route needs a few seconds for (random bytes, so that
// the route's compression does not shrink it), added to the account.
const QString kBigFile = QStringLiteral("Big video.mov");
constexpr qint64 kBigSize = qint64(160) << 20;

// The restore's outside programs: the rsync client and the tunnel.
const QStringList kOutsidePrograms = {QStringLiteral("orvane_int_rst_100.exe"),
                                      QStringLiteral("orvane_ssl_int_rst_100.exe")};

const QString kViewLogs = QStringLiteral("Do you want to view the logs for the restore operation now?");
const QString kAbruptStop = QStringLiteral(
    "This operation will abruptly stop the file transfer that is underway.\r\nDo you want to proceed?");

void WriteRandomFile(const QString& path, qint64 size) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  QByteArray block(1 << 20, Qt::Uninitialized);
  QRandomGenerator random(20261211);
  for (qint64 written = 0; written < size; written += block.size()) {
    random.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
    f.write(block.constData(), std::min<qint64>(block.size(), size - written));
  }
}

bool ProgressShown() {
  frmProgressDisplay& w = frmProgressDisplay::Instance();
  return Program().RestoreRunning && w.IsLoaded() && w.Window()->isVisible();
}

// The file the progress window names now.
QString ProgressFile() {
  frmProgressDisplay& w = frmProgressDisplay::Instance();
  return w.IsLoaded() ? w.C().txtRsyncFileName1->Caption() : QString();
}

// The big file is named by the progress window or partly written (the
// rsync client writes it in place).
bool OnItsWay(const QString& destination) {
  const qint64 size = QFileInfo(destination).size();
  return ProgressFile().contains(kBigFile) || (size > 0 && size < kBigSize);
}

QStringList RunningOutsidePrograms() {
  QStringList running;
  for (const QString& name : kOutsidePrograms)
    if (OrvaneSrv::IsExeRunning(name, false)) running << name;
  return running;
}

int RsyncConnections() {
  int n = 0;
  for (const QJsonValue& v : testbed::Log())
    if (v.toObject()["kind"].toString() == "connection") ++n;
  return n;
}

QStringList Downloads() {
  QStringList paths;
  for (const QJsonValue& v : testbed::Log()) {
    const QJsonObject e = v.toObject();
    if (e["method"].toString() == "GET" && e["status"].toInt() / 100 == 2) paths << e["path"].toString();
  }
  return paths;
}

// The shared steps of these journeys, as the user takes them.
#define SIGN_IN_TO_THE_TREE()                                                                                  \
  do {                                                                                                         \
    SignIn();                                                                                                  \
    ASSERT_TRUE(WaitFor([] { return Smart::Instance().IsLoaded() && Smart::Instance().Window()->isVisible(); }, \
                        "the main window"));                                                                   \
    ASSERT_TRUE(WaitFor([] { return Program().RemoteTreeConnected && !RemoteTreeNode("a.txt").IsNothing(); },     \
                        "the account's root"));                                                                \
  } while (false)

// Checks the items (their check boxes) that are not checked yet.
#define CHECK_ITEMS(...)                                                                                   \
  for (const QString& item : QStringList{__VA_ARGS__}) {                                                   \
    if (Ask([item] { return RemoteTreeNode(item).Checked(); }) == 2) continue;                                 \
    ClickCheckBox([item] { return RemoteTreeNode(item); });                                                    \
    ASSERT_TRUE(WaitFor([item] { return RemoteTreeNode(item).Checked() == 2; }, item + " checked"));           \
  }

// The restore ends with the offer to open its log; the user declines.
#define DECLINE_THE_LOG(seconds)                                                        \
  do {                                                                                  \
    const SeenMessage end = Answer("No", seconds);                                      \
    EXPECT_EQ(end.text.toStdString(), kViewLogs.toStdString());                         \
    WaitFor([] { return !Program().RestoreRunning; }, "the restore's end");             \
  } while (false)

JOURNEY(RestoreOverRsyncShowsProgressAndStops) {
  WriteRandomFile(account_ + "/" + kBigFile, kBigSize);
  for (const char* folder : {"D/Restore", "D/Stopped", "D/Later"}) ASSERT_TRUE(QDir().mkpath(Host(folder)));
  Run([&] {
    SIGN_IN_TO_THE_TREE();
    CHECK_ITEMS("Documents", "a.txt", kBigFile);
    Shot("checked");

    // A whole restore: the progress window shows how far it is and what it
    // copies.
    Click([] { return Smart::Instance().Trf_ImgRestore(); });
    RestoreToDriveD("Restore");
    const QRegularExpression percent(QStringLiteral("^Restore Progress\\((\\d+)% completed\\)$"));
    QString caption, file;
    EXPECT_TRUE(WaitFor(
        [&] {
          if (!ProgressShown()) return false;
          caption = frmProgressDisplay::Instance().Window()->windowTitle();
          file = ProgressFile();
          return percent.match(caption).hasMatch() && file.contains(kBigFile);
        },
        "the progress of the big file"));
    Shot("progress");
    EXPECT_TRUE(file.contains(kBigFile)) << file.toStdString();
    DECLINE_THE_LOG(240);
    ExpectSameFiles("Documents", Host("D/Restore/Documents"));
    EXPECT_EQ(ReadAll(Host("D/Restore/a.txt")), ReadAll(account_ + "/a.txt"));
    EXPECT_TRUE(ReadAll(Host("D/Restore/" + kBigFile)) == ReadAll(account_ + "/" + kBigFile));
    EXPECT_TRUE(TransferLog().contains("Completed the Restore.")) << TransferLog().toStdString();
    EXPECT_GT(RsyncConnections(), 0);

    // The next one is stopped while the big file is on its way.
    CHECK_ITEMS("Documents", "a.txt", kBigFile);
    const qsizetype logBefore = TransferLog().size();
    Click([] { return Smart::Instance().Trf_ImgRestore(); });
    RestoreToDriveD("Stopped");
    ASSERT_TRUE(WaitFor([] { return ProgressShown() && ProgressFile().contains(kBigFile); },
                        "the big file in the progress window"));
    Shot("before-stop");
    Click([] { return frmProgressDisplay::Instance().C().btnStopTransfer; });
    DECLINE_THE_LOG(120);
    EXPECT_TRUE(TransferLog().mid(logBefore).contains(" : Operation Canceled by user.\r\n"))
        << TransferLog().mid(logBefore).toStdString();
    EXPECT_FALSE(TransferLog().mid(logBefore).contains("Completed the Restore."));
    EXPECT_FALSE(Ask([] { return frmProgressDisplay::Instance().IsLoaded(); }));
    EXPECT_EQ(Ask([] { return RunningOutsidePrograms(); }), QStringList());
    EXPECT_LT(QFileInfo(Host("D/Stopped/" + kBigFile)).size(), kBigSize) << "stopped only after the big file";
    Shot("stopped");

    // A later restore is whole.
    CHECK_ITEMS("Documents", "a.txt", kBigFile);
    Click([] { return Smart::Instance().Trf_ImgRestore(); });
    RestoreToDriveD("Later");
    DECLINE_THE_LOG(240);
    ExpectSameFiles("Documents", Host("D/Later/Documents"));
    EXPECT_EQ(ReadAll(Host("D/Later/a.txt")), ReadAll(account_ + "/a.txt"));
    EXPECT_TRUE(ReadAll(Host("D/Later/" + kBigFile)) == ReadAll(account_ + "/" + kBigFile));
  });
}


JOURNEY(RestoreOverWebDavWhenTheProfileAsksToUncompress) {
  // The key comes from outside the program (nothing in it writes the key).
  QFile profile(Host("Prog/OrvaneMac/orvane.ini"));
  ASSERT_TRUE(profile.open(QIODevice::Append));
  profile.write("UNCOMP=1\r\n");
  profile.close();
  ASSERT_TRUE(QDir().mkpath(Host("D/Restore")));
  Run([&] {
    SIGN_IN_TO_THE_TREE();
    CHECK_ITEMS("Documents", "a.txt");
    testbed::Control("DELETE", "/log");
    Click([] { return Smart::Instance().Trf_ImgRestore(); });
    RestoreToDriveD("Restore");
    EXPECT_TRUE(WaitFor([] { return ProgressShown(); }, "the progress window"));
    Shot("progress");
    DECLINE_THE_LOG(180);
    ExpectSameFiles("Documents", Host("D/Restore/Documents"));
    EXPECT_EQ(ReadAll(Host("D/Restore/a.txt")), ReadAll(account_ + "/a.txt"));
    const QStringList got = Downloads();
    const QString root = "/users/" + user_ + "/Files/";
    EXPECT_TRUE(got.contains(root + "a.txt")) << got.join('\n').toStdString();
    EXPECT_TRUE(got.contains(root + "Documents/Letters/2009/Dear Anna.txt")) << got.join('\n').toStdString();
    EXPECT_EQ(RsyncConnections(), 0);
    EXPECT_FALSE(TransferLog().contains("Switched to alternate method or protocol"));
    EXPECT_TRUE(TransferLog().contains("Completed the Restore.")) << TransferLog().toStdString();
  });
}

JOURNEY(RestoreFallsBackToWebDavWhenTheRsyncDaemonIsDown) {
  ASSERT_TRUE(QDir().mkpath(Host("D/Restore")));
  vb::SkippingClock clock;
  vb::ScopedClock useClock(clock);
  Run([&] {
    SIGN_IN_TO_THE_TREE();
    CHECK_ITEMS("Documents", "a.txt");
    testbed::Control("DELETE", "/log");
    // Every connection to the daemon, direct or through its TLS front, is
    // reset at once.
    testbed::ListenerFault(QStringLiteral("rsync"), QJsonObject{{"refuse", true}, {"times", 0}});
    testbed::ListenerFault(QStringLiteral("rsync-tls"), QJsonObject{{"refuse", true}, {"times", 0}});
    Click([] { return Smart::Instance().Trf_ImgRestore(); });
    RestoreToDriveD("Restore");
    EXPECT_TRUE(WaitFor([] { return ProgressShown(); }, "the progress window"));
    Shot("progress");
    DECLINE_THE_LOG(280);
    ExpectSameFiles("Documents", Host("D/Restore/Documents"));
    EXPECT_EQ(ReadAll(Host("D/Restore/a.txt")), ReadAll(account_ + "/a.txt"));
    EXPECT_TRUE(TransferLog().contains(" : Switched to alternate method or protocol\r\n")) << TransferLog().toStdString();
    EXPECT_GT(RsyncConnections(), 0) << "the daemon was tried first";
    EXPECT_TRUE(Downloads().contains("/users/" + user_ + "/Files/a.txt"));
    EXPECT_EQ(Ask([] { return RunningOutsidePrograms(); }), QStringList());
  });
}


// Every file below the destination that bears the name of one of the
// account's files is that file whole (a file the restore did not reach
// may be missing).
void ExpectNoPartialFile(const QString& account, const QString& dest) {
  QDirIterator it(dest, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const QString relative = path.mid(dest.size());
    if (!QFileInfo::exists(account + relative)) continue;
    EXPECT_TRUE(Journey::ReadAll(path) == Journey::ReadAll(account + relative))
        << "partial " << relative.toStdString() << ": " << QFileInfo(path).size() << " of "
        << QFileInfo(account + relative).size() << " bytes";
  }
}

JOURNEY(ExitDuringARestoreAnsweredNoLetsItFinish) {
  WriteRandomFile(account_ + "/" + kBigFile, kBigSize);
  ASSERT_TRUE(QDir().mkpath(Host("D/Restore")));
  Run([&] {
    SIGN_IN_TO_THE_TREE();
    CHECK_ITEMS("Documents", "a.txt", kBigFile);
    Click([] { return Smart::Instance().Trf_ImgRestore(); });
    RestoreToDriveD("Restore");
    const QString arriving = Host("D/Restore/" + kBigFile);
    ASSERT_TRUE(WaitFor([arriving] { return ProgressShown() && OnItsWay(arriving); }, "the big file on its way"));
    // The main window's close picture.
    Click([] { return Smart::Instance().PicClose(); });
    const SeenMessage asked = Answer("No");
    EXPECT_EQ(asked.text.toStdString(), kAbruptStop.toStdString());
    EXPECT_EQ(asked.buttons, QStringList({"Yes", "No"}));
    EXPECT_TRUE(WaitFor([] { return ProgressShown(); }, "the progress window back"));
    Shot("going-on");
    DECLINE_THE_LOG(240);
    EXPECT_FALSE(programEnded_);
    ExpectSameFiles("Documents", Host("D/Restore/Documents"));
    EXPECT_EQ(ReadAll(Host("D/Restore/a.txt")), ReadAll(account_ + "/a.txt"));
    EXPECT_TRUE(ReadAll(Host("D/Restore/" + kBigFile)) == ReadAll(account_ + "/" + kBigFile));
    EXPECT_TRUE(TransferLog().contains("Completed the Restore."));
    EXPECT_TRUE(Ask([] { return Smart::Instance().Window()->isVisible(); }));
  });
}

JOURNEY(ExitDuringARestoreAnsweredYesEndsTheProgram) {
  WriteRandomFile(account_ + "/" + kBigFile, kBigSize);
  ASSERT_TRUE(QDir().mkpath(Host("D/Restore")));
  // The moment the program would end its process: what is still running
  // then outlives it. The process goes on here for the test's sake, so the
  // engine, still inside the restore, is told to stop as a process that is
  // gone would stop.
  QStringList leftRunning;
  bool endedDuringRestore = false;
  modGeneral::SetEndProgramHandler([&] {
    if (programEnded_.exchange(true)) return;
    endedDuringRestore = Program().RestoreRunning;
    leftRunning = RunningOutsidePrograms();
    Program().TransferStopRequested = true;
  });
  Run([&] {
    SIGN_IN_TO_THE_TREE();
    CHECK_ITEMS("Documents", "a.txt", kBigFile);
    Click([] { return Smart::Instance().Trf_ImgRestore(); });
    RestoreToDriveD("Restore");
    const QString arriving = Host("D/Restore/" + kBigFile);
    ASSERT_TRUE(WaitFor([arriving] { return ProgressShown() && OnItsWay(arriving); }, "the big file on its way"));
    TrayMenu(QStringLiteral("Exit"));
    const SeenMessage asked = Answer("Yes");
    EXPECT_EQ(asked.text.toStdString(), kAbruptStop.toStdString());
    EXPECT_TRUE(WaitFor([&] { return programEnded_.load(); }, "the program's end"));
    Shot("ended");
    // The process goes on here: the restore returns and the destination
    // screen offers its log, which nobody would see.
    Answer("No", 120);
  });
  EXPECT_TRUE(programEnded_);
  EXPECT_TRUE(endedDuringRestore);
  EXPECT_EQ(leftRunning, QStringList());
  ExpectNoPartialFile(account_, Host("D/Restore"));
}

}  // namespace
}  // namespace OrvaneMac::journey
