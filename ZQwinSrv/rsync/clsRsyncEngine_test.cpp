// The client runs with fake runs: each start writes the output and error
// logs a scripted client would write and ends at once.
#include "ZQwinSrv/rsync/clsRsyncEngine.h"

#include <QMap>

#include <deque>

#include "ZQwinSrv/foundation/EngineTestFixture.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "platform/ui/RecordingMessageBox.h"

namespace OrvaneSrv {
namespace {

struct ScriptedRun {
  QByteArray output;
  QByteArray error;
};

class FakeRuns : public ClientRunLauncher {
 public:
  FakeRuns(std::function<QString(const QString&)> host) : host_(std::move(host)) {}
  int Start(const QString& commandLine) override {
    commands.push_back(commandLine);
    if (commandLine.contains("Enum.bat")) {
      // A listing: its output is the listing of the folder the argument
      // list names last.
      const QString target = QString::fromUtf8(Read("OrvaneInt/ORVANETEMP/arglist.txt")).section('\n', -1);
      listed.push_back(target);
      Write("Prog/OrvaneInt/ORVANETEMP/outputlog.txt", listings.value(target.section("::tessara", 1)));
      Write("Prog/OrvaneInt/ORVANETEMP/errlog.txt", "Password: \n");
      return 4000 + static_cast<int>(commands.size());
    }
    const QString letter = commandLine.contains("RedirectSerA.bat") ? "A" : "B";
    arglists.push_back(QString::fromUtf8(Read("OrvaneInt/ORVANETEMP/arglist" + letter + ".txt")));
    batches.push_back(Read("OrvaneInt/ORVANETEMP/RedirectSer" + letter + ".bat"));
    ScriptedRun run;
    if (!script.empty()) {
      run = script.front();
      script.pop_front();
    } else {
      run = fallback;
    }
    Write("Prog/OrvaneInt/ORVANETEMP/outputlogSer" + letter + ".txt", run.output);
    Write("Prog/OrvaneInt/ORVANETEMP/errlogSer" + letter + ".txt", run.error);
    return 4000 + static_cast<int>(commands.size());
  }
  win::ProcessHandle Open(int processId) override { return processId; }
  bool ExitCode(win::ProcessHandle, std::uint32_t& code) override {
    code = 0;
    return true;
  }
  void Close(win::ProcessHandle) override {}

  std::deque<ScriptedRun> script;
  ScriptedRun fallback;
  QMap<QString, QByteArray> listings;  // by the path after "tessara"
  std::vector<QString> listed;
  std::vector<QString> commands;
  std::vector<QString> arglists;
  std::vector<QByteArray> batches;

 private:
  QByteArray Read(const QString& rel) {
    QFile f(host_(rel));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  void Write(const QString& rel, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(host_(rel)).path());
    QFile f(host_(rel));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
  }
  std::function<QString(const QString&)> host_;
};

// One progress line in the client's columns.
QByteArray Progress(qint64 fileDone, qint64 fileSize, qint64 runDone, int percent, const QString& item) {
  QString line = QString::number(fileDone).rightJustified(15) + QString::number(fileSize).rightJustified(16) +
                 QString::number(runDone).rightJustified(16) + QString(16, ' ') +
                 QString::number(percent).rightJustified(4) + "%" + QString("1.00MB/s").rightJustified(10) +
                 QString("0:00:00").rightJustified(13) + item;
  return line.toUtf8() + "\n";
}

// One listing line of the client: a folder ("d") or a file ("-").
QByteArray Listed(char kind, qint64 size, const QString& path) {
  return (QString(kind) + "rw-r--r-- " + QString::number(size).rightJustified(11) + " 2014/03/04 10:15:02 " + path)
             .toUtf8() +
         "\n";
}

const QByteArray kPasswordOnly = "Password: \n";
const QByteArray kRefused =
    "Password: \nrsync: failed to connect to localhost (127.0.0.1): Connection refused (111)\n"
    "rsync error: error in socket IO (code 10) at clientserver.c(139) [Receiver=3.5.0]\n";

class RsyncEngineTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    EngineState& g = Engine();
    g.gsRsyncClientExe = "orvane_int_rst_100.exe";
    // Names no process of this machine has, so nothing real is ended.
    g.gsTunnelExe = "i15_test_tunnel_rst.exe";
    g.gsTunnelConf = "SSLInteractive.conf";
    g.gbUseSSL = true;
    g.gbCommonFlag = true;
    g.gbInteractiveRestore = true;
    g.giRsyncRetryLimit = 16;
    for (const char* f : {"orvane_int_rst_100.exe", "cygwin1.dll", "libeay32.dll", "libssl32.dll",
                          "i15_test_tunnel_rst.exe", "SSLInteractive.conf", "redirect.exe"})
      WriteBytes(QString("Prog/") + f, "");
    gTransfer().WriteUserServerProfile("RSYNCSERVER", "rsync1.example", "jsmith");
    engine_.emplace();
    engine_->Controller();  // sets the work folder
    WriteBytes("OrvaneInt/ORVANETEMP/SerSource.filesA", "a.txt\n");
    WriteBytes("OrvaneInt/ORVANETEMP/SerSource.filesB", "b.txt\n");
  }
  void TearDown() override {
    engine_.reset();
    EngineTest::TearDown();
  }
  bool Hand(const QString& list, bool waitForOne = false, bool launch = false) {
    return engine_->Cont_CallRsyncEngine("jsmith", "pw", list, " \"/cygdrive/C/Restore/\"", 0, false, true, 0, false,
                                         "", waitForOne, launch, "\"/\"", "", false, false);
  }
  QString TransferLog() const {
    const QByteArray b = Bytes("Prog/OrvaneMac/OrvaneLogFile.txt");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData()), b.size() / 2);
  }

  const QString listA = "C:\\OrvaneInt\\ORVANETEMP\\SerSource.filesA";
  const QString listB = "C:\\OrvaneInt\\ORVANETEMP\\SerSource.filesB";
  FakeRuns runs_{[this](const QString& rel) { return Host(rel); }};
  ScopedClientRunLauncher useRuns_{runs_};
  std::optional<clsRsyncEngine> engine_;
};

TEST_F(RsyncEngineTest, BatchFileAndArgumentListOfASecureFileListRun) {
  runs_.fallback = {Progress(5, 5, 5, 100, "a.txt"), kPasswordOnly};
  EXPECT_FALSE(Hand(listA));  // run A starts; nothing is waited for yet
  ASSERT_EQ(runs_.commands.size(), 1u);
  const QString expectedLine =
      "\"C:\\Prog\\orvane_int_rst_100.exe\" -v -t -7/cygdrive/C/OrvaneInt/ORVANETEMP/arglistA.txt "
      "--bwlimit=32765 --compress --inplace --timeout=900 --port=43718 --block-size=30000 --progress "
      "--no-implied-dirs --relative --files-from='/cygdrive/C/OrvaneInt/ORVANETEMP/SerSource.filesA'  "
      "jsmith@localhost::tessara\"/\" \"/cygdrive/C/Restore/\"";
  EXPECT_EQ(runs_.batches[0], expectedLine.toLatin1());
  EXPECT_EQ(runs_.arglists[0],
            "orvane_int_rst_100.exe\n-v\n-t\n-7\n--bwlimit=32765\n--compress\n--inplace\n--timeout=900\n"
            "--port=43718\n--block-size=30000\n--progress\n--no-implied-dirs\n--relative\n"
            "--files-from=/cygdrive/C/OrvaneInt/ORVANETEMP/SerSource.filesA\njsmith@localhost::tessara/\n"
            "/cygdrive/C/Restore/");
  EXPECT_EQ(runs_.commands[0],
            "\"C:\\Prog\\redirect.exe\" -i \"C:\\Prog\\OrvaneInt\\ORVANETEMP\\jsmith.txt\" -e "
            "\"C:\\Prog\\OrvaneInt\\ORVANETEMP\\errlogSerA.txt\" -o "
            "\"C:\\Prog\\OrvaneInt\\ORVANETEMP\\outputlogSerA.txt\" \"C:\\OrvaneInt\\ORVANETEMP\\RedirectSerA.bat\"");
  EXPECT_EQ(engine_->EngineA.iBusy, 1);

  // With the "-5" flag of run B and the job flag set, "-5" is the third token.
  engine_->EngineB.bUseOption5 = true;
  Hand(listB);
  ASSERT_EQ(runs_.commands.size(), 2u);
  EXPECT_TRUE(runs_.batches[1].startsWith("\"C:\\Prog\\orvane_int_rst_100.exe\" -v -5 -t -7/cygdrive/"));
  EXPECT_EQ(runs_.arglists[1].split('\n').at(2), "-5");
}

TEST_F(RsyncEngineTest, NamesWithLineBreaksOrUnsafeUsersStartNothing) {
  const QString crlf = "C:\\OrvaneInt\\ORVANETEMP\\x\r\n--delete A";
  EXPECT_FALSE(engine_->Cont_CallRsyncEngine("jsmith", "pw", listA, " \"/cygdrive/C/a\nb/\"", 0, false, true, 0,
                                             false, "", false, false, "\"/\"", "", false, false));
  EXPECT_FALSE(engine_->Cont_CallRsyncEngine("../x", "pw", listA, " \"/cygdrive/C/R/\"", 0, false, true, 0, false, "",
                                             false, false, "\"/\"", "", false, false));
  EXPECT_FALSE(engine_->Cont_CallRsyncEngine("jsmith", "pw", crlf, " \"/cygdrive/C/R/\"", 0, false, true, 0, false,
                                             "", false, false, "\"/\"", "", false, false));
  EXPECT_TRUE(runs_.commands.empty());
  EXPECT_EQ(engine_->EngineA.iBusy, 0);
  EXPECT_TRUE(TransferLog().contains("Unable to start the transfer"));
}

TEST_F(RsyncEngineTest, TwoRunsRestoreReportProgressAndLogEachFileOnce) {
  runs_.script = {{Progress(10, 10, 10, 100, "dir/a.txt") + Progress(10, 10, 10, 100, "dir/a.txt"), kPasswordOnly},
                  {Progress(3, 7, 3, 42, "b.txt") + Progress(7, 7, 7, 100, "b.txt"), kPasswordOnly}};
  EXPECT_FALSE(Hand(listA));
  EXPECT_TRUE(Hand(listB));  // both run: waits for one and judges it good
  EXPECT_TRUE(Hand(QString(), true, false));  // the other one, judged good too
  EXPECT_EQ(engine_->EngineA.iBusy, 0);
  EXPECT_EQ(engine_->EngineB.iBusy, 0);
  const QString log = TransferLog();
  EXPECT_EQ(log.count("Restored file My Orvane/dir/a.txt <To> C:\\Restore\\dir\\a.txt"), 1);
  EXPECT_EQ(log.count("Restored file My Orvane/b.txt <To> C:\\Restore\\b.txt"), 1);
  EXPECT_EQ(engine_->EngineA.dFilesRestored + engine_->EngineB.dFilesRestored, 3);
  EXPECT_EQ(Engine().gdTotalDone, 17);
  // The work files of a finished run are gone.
  EXPECT_FALSE(QFile::exists(Host("OrvaneInt/ORVANETEMP/SerSource.filesA")));
}

// A client that finished a long list before the engine read its output
// leaves more lines than one pass parses: every one of them still counts.
TEST_F(RsyncEngineTest, ARunEndsOnlyOnceEveryLineOfItsOutputIsRead) {
  QByteArray output;
  for (int i = 0; i < 2500; ++i) output += Progress(1, 1, 1, 100, QString("f%1.txt").arg(i));
  runs_.script = {{output, kPasswordOnly}};
  EXPECT_FALSE(Hand(listA));
  EXPECT_TRUE(Hand(QString(), true, false));
  EXPECT_EQ(engine_->EngineA.iBusy, 0);
  EXPECT_EQ(engine_->EngineA.dFilesRestored, 2500);
  EXPECT_TRUE(TransferLog().contains("Restored file My Orvane/f2499.txt"));
}

// However often the runs through the tunnel fail (the retries that used to
// switch pass the fifth failure, the sixth and the seventh retry), they stay
// on the tunnel and mark nothing in the profile; a mark an older version
// left changes nothing either. Only a user who turned SSL off goes direct.
TEST_F(RsyncEngineTest, FailuresNeverLeaveTheTunnel) {
  for (int i = 0; i < 8; ++i) runs_.script.push_back({QByteArray(), kRefused});
  runs_.fallback = {Progress(1, 1, 1, 100, "a.txt"), kPasswordOnly};
  Hand(listA);
  // The call whose run failed answers false; each retry judged its own run.
  EXPECT_FALSE(Hand(QString(), true, false));
  ASSERT_EQ(runs_.commands.size(), 9u);
  for (const QByteArray& batch : runs_.batches) EXPECT_TRUE(batch.contains(" --port=43718 ")) << batch.toStdString();
  EXPECT_TRUE(Engine().gbUseSSL);
  EXPECT_EQ(Ini("C:\\Prog\\OrvaneMac\\orvane.ini", "Orvane", "NONSSLEXISTS"), "");
  EXPECT_FALSE(engine_->EngineA.bGaveUp);
  EXPECT_EQ(TransferLog().count("Restored file My Orvane/a.txt"), 1);

  gTransfer().Trf_WriteUserProfile("NONSSLEXISTS", "1");
  for (Integer n = 1; n <= 7; ++n) engine_->RsyncWait(n);
  EXPECT_TRUE(Engine().gbUseSSL);

  Engine().gbUseSSL = false;
  Hand(listB);
  EXPECT_TRUE(runs_.batches.back().contains(" --port=65368 "));
  EXPECT_TRUE(runs_.batches.back().contains("jsmith@rsync1.example::tessara"));
}

// A list whose one file fails the same way every time, while its other
// files report progress, is given up at the retry limit.
TEST_F(RsyncEngineTest, AListFailingEveryTimeIsGivenUpWhateverProgressItsOtherFilesMake) {
  const QByteArray unknown = "Password: \nrsync: something the engine does not know: x.txt\n"
                             "rsync error: some files/attrs were not transferred (see previous errors) (code 23)\n";
  for (int i = 0; i < 40; ++i) runs_.script.push_back({Progress(5, 5, 5, 100, "other.txt"), unknown});
  runs_.fallback = {Progress(1, 1, 1, 100, "x.txt"), kPasswordOnly};
  Hand(listA);
  EXPECT_FALSE(Hand(QString(), true, false));
  EXPECT_EQ(runs_.commands.size(), 18u);
  EXPECT_TRUE(engine_->EngineA.bGaveUp);
}

// The tunnel refused the server's certificate: the list is not tried again
// (a retry meets the same certificate), the route stops for the job with the
// tunnel's reason in the transfer log, and nothing goes to the plain port.
TEST_F(RsyncEngineTest, ACertificateTheTunnelRefusedEndsTheRouteAtOnce) {
  runs_.fallback = {QByteArray(),
                    "Password: \nrsync: safe_read failed to read 1 bytes: Connection reset by peer (104)\n"
                    "rsync error: error in rsync protocol data stream (code 12)\n"};
  Hand(listA);
  // What the tunnel wrote while the run tried to connect.
  WriteBytes("Prog/OrvaneInt/tunnellog.txt",
             "2026.01.01 10:00:00 LOG3[0]: SSL_connect: certificate verify failed\n"
             "tunnel: certificate refused: rsync1.example: certificate has expired\n");
  EXPECT_FALSE(Hand(QString(), true, false));
  EXPECT_EQ(runs_.commands.size(), 1u);
  EXPECT_TRUE(engine_->EngineA.bGaveUp);
  EXPECT_TRUE(TransferLog().contains("Error       : ") &&
              TransferLog().contains("Unable to connect securely to the rsync server rsync1.example, Reason : its "
                                     "certificate was refused (certificate has expired)"));
  EXPECT_TRUE(Engine().gbUseSSL);
  EXPECT_EQ(Ini("C:\\Prog\\OrvaneMac\\orvane.ini", "Orvane", "NONSSLEXISTS"), "");
  // No later list of the job starts.
  EXPECT_FALSE(Hand(listB));
  EXPECT_EQ(runs_.commands.size(), 1u);
}

TEST_F(RsyncEngineTest, AListThatKeepsFailingIsGivenUpAfterItsRetries) {
  runs_.fallback = {QByteArray(), kRefused};
  Hand(listA);
  EXPECT_FALSE(Hand(QString(), true, false));
  // The count is compared with the limit before it is raised: 17 retries,
  // and the 18th failed run gives the list up.
  EXPECT_EQ(runs_.commands.size(), 18u);
  EXPECT_TRUE(engine_->EngineA.bGaveUp);
  EXPECT_EQ(engine_->EngineA.iRetryCount, 0);
  EXPECT_TRUE(Engine().gbUseSSL);
  EXPECT_GE(clock_.TotalSleptMs(), 10 * 120100);  // the long waits took no real time
}

TEST_F(RsyncEngineTest, TheEchoTouchHappensOncePerJob) {
  const QString details = "C:\\Prog\\OrvaneMac\\OrvaneDetails.ini";
  engine_->RsyncWait(6);
  engine_->RsyncWait(6);
  EXPECT_EQ(Ini(details, "Orvane", "echoexe"), "1");
  EXPECT_EQ(Bytes("Prog/EchoExe_int.bat"), "echo \" \" >> \"C:\\Prog\\orvane_int_rst_100.exe\"");
  // At 500 the client is left alone.
  QFile::remove(Host("Prog/EchoExe_int.bat"));
  gTransfer().Trf_WriteZQDetails("echoexe", "500");
  Engine().giEchoTouchState = 0;
  engine_->RsyncWait(6);
  EXPECT_EQ(Ini(details, "Orvane", "echoexe"), "500");
  EXPECT_FALSE(QFile::exists(Host("Prog/EchoExe_int.bat")));
}

TEST_F(RsyncEngineTest, RetryWaitRules) {
  EngineState& g = Engine();
  engine_->RsyncWait(1);
  EXPECT_EQ(clock_.TotalSleptMs(), 0);
  EXPECT_EQ(g.glRsyncWaitState, 1);

  // A cancel ends the long wait at its next step.
  g.gbCancelled = true;
  engine_->RsyncWait(7);
  EXPECT_EQ(clock_.TotalSleptMs(), 100);
  EXPECT_TRUE(g.gbUseSSL);
  EXPECT_EQ(g.glRsyncWaitState, 2);
}

TEST_F(RsyncEngineTest, ResetReadsTheSslKeyUntrimmed) {
  WriteBytes("Prog/OrvaneMac/orvane.ini", "[Orvane]\r\nSSLKey=\" 1\"\r\n");
  ASSERT_EQ(gTransfer().Trf_ReadUserProfile("SSLKey"), " 1");
  engine_->EngineA.iBusy = -1;
  engine_->EngineA.dFailedFiles = 3;
  engine_->ResetEngineValues(false);
  EXPECT_FALSE(Engine().gbUseSSL);
  EXPECT_EQ(engine_->EngineA.iBusy, 0);
  EXPECT_EQ(engine_->EngineA.dFailedFiles, 0);
  gTransfer().Trf_WriteUserProfile("SSLKey", "");
  engine_->ResetEngineValues(false);
  EXPECT_TRUE(Engine().gbUseSSL);
}

// ---- Error logs ------------------------------------------------------------

class ErrorLogTest : public RsyncEngineTest {
 protected:
  bool Judge(const QByteArray& log, Integer n = 1) {
    WriteBytes("Prog/OrvaneInt/ORVANETEMP/errlogSerA.txt", log);
    return engine_->Cont_Check_Log_Err_Files(n);
  }
};

TEST_F(ErrorLogTest, WholeRunVerdicts) {
  struct Row {
    const char* log;
    bool ok;
  };
  const Row rows[] = {
      {"", true},
      {"Password: \nsomething", true},  // two pieces: not examined
      {"x\nrsync error: some error (code 5)\n", false},
      {"x\nPassword: \nrsync error: x\n", true},
      {"Password: \nrsync: failed to connect to localhost: Connection refused (111)\nrsync error: socket (code 10)\n",
       false},
      {"Password: \n@ERROR: auth failed on module tessara\nrsync error: error starting client-server protocol (code 5)\n",
       false},
      // The redirection program's own failure, before any client ran.
      {"redirect: cannot read C:\\x.bat: No such file or directory\n"
       "rsync error: the redirection program could not run the client (code 1): cannot read C:\\x.bat\n",
       false},
  };
  for (const Row& row : rows) EXPECT_EQ(Judge(row.log), row.ok) << row.log;
  QFile::remove(Host("Prog/OrvaneInt/ORVANETEMP/errlogSerA.txt"));
  EXPECT_FALSE(engine_->Cont_Check_Log_Err_Files(1));  // no log at all
}

TEST_F(ErrorLogTest, FailedItemsAreReportedAndCountedOnce) {
  engine_->EngineA.sDestination = " \"/cygdrive/C/Restore/\"";
  // As the client writes them for the run's files.
  const QByteArray log =
      "Password: \n"
      "rsync: link_stat \"/Files/a/b.txt\" (in tessara) failed: No such file or directory (2)\n"
      "rsync: link_stat \"/Files/a/b.txt\" (in tessara) failed: No such file or directory (2)\n"
      "rsync: mkstemp \"/cygdrive/C/Restore/ro/.x.txt.Ab12cd\" failed: Permission denied (13)\n"
      "rsync: recv_generator: failed to stat \"/cygdrive/C/Restore/" +
      QByteArray(300, 'n') +
      "\": File name too long (36)\n"
      "rsync: link_stat \"/Letters/2009/Dear Anna.txt\" (in tessara3) failed: No such file or directory (2)\n"
      "cannot delete non-empty directory: docs/full\n"
      "could not make way for new regular file: docs/full\n"
      "rsync error: some files/attrs were not transferred (see previous errors) (code 23) at main.c(1338)\n";
  EXPECT_TRUE(Judge(log));
  const QString tl = TransferLog();
  EXPECT_EQ(tl.count("Unable to restore file My Orvane\\Files\\a\\b.txt. Reason: No such file or directory."), 2);
  // The user's file, not rsync's temporary beside it, with the client's reason.
  EXPECT_TRUE(tl.contains("Unable to restore file My Orvane\\C:\\Restore\\ro\\x.txt. Reason: Permission denied\r\n"));
  EXPECT_TRUE(tl.contains("Unable to restore file My Orvane\\" + QString(300, 'n') + " <To> C:\\Restore\\" +
                          QString(300, 'n') + ". Reason: File path too long"));
  // A snapshot's module names its missing items too.
  EXPECT_TRUE(tl.contains(
      "Unable to restore file My Orvane\\Letters\\2009\\Dear Anna.txt. Reason: No such file or directory.\r\n"));
  // The user's folder where a file goes fails that file; the run is not
  // retried for it.
  EXPECT_TRUE(tl.contains("Unable to restore file My Orvane\\C:\\Restore\\docs\\full. Reason: could not make way "
                          "for new regular file\r\n"));
  EXPECT_EQ(engine_->EngineA.dFailedFiles, 5);  // b.txt counted once
  ASSERT_EQ(Items(Engine().gcolFailedItemsA)->Count(), 4);
  EXPECT_EQ(Items(Engine().gcolFailedItemsA)->Item(1).ToString(), "\\Files\\a\\b.txt");
}

TEST_F(ErrorLogTest, AFileNamedManyTimesIsOneFailedFile) {
  QByteArray log = "Password: \n";
  for (int i = 0; i < 4; ++i)
    log += "rsync: recv_generator: failed to stat \"/cygdrive/C/Restore/x.txt\": File name too long (36)\n";
  log += "rsync: link_stat \"/Files/a/b.txt\" (in tessara) failed: No such file or directory (2)\n";
  EXPECT_TRUE(Judge(log));
  EXPECT_EQ(engine_->EngineA.dFailedFiles, 2);
}

TEST_F(ErrorLogTest, AFullDiskStopsTheJob) {
  const QByteArray log = "Password: \nrsync: write failed on \"/cygdrive/C/R/x\": No space left on device (28)\n"
                         "rsync error: error in file IO (code 11)\n";
  Engine().gbCommonFlag = false;
  EXPECT_FALSE(Judge(log));  // an ordinary line without a job
  EXPECT_FALSE(Engine().gbRestoreFailed);
  Engine().gbCommonFlag = true;
  EXPECT_TRUE(Judge(log));
  EXPECT_TRUE(Engine().gbRestoreFailed);
  EXPECT_TRUE(TransferLog().contains("Unable to continue the restore operation, Reason: Insufficient disk space"));
}

// ---- Progress --------------------------------------------------------------

TEST_F(RsyncEngineTest, OutputLogIsReadIncrementally) {
  const QString log = "C:\\Prog\\OrvaneInt\\ORVANETEMP\\outputlogSerA.txt";
  WriteBytes("Prog/OrvaneInt/ORVANETEMP/errlogSerA.txt", kPasswordOnly);
  WriteBytes("Prog/OrvaneInt/ORVANETEMP/outputlogSerA.txt", "one\ntw");
  bool noMore = false;
  vb::CollectionPtr lines = std::make_shared<vb::Collection>();
  EXPECT_EQ(engine_->LoadUnixFileToArray("A", log, lines, noMore), "one");
  // A line the client is still writing is read once it is whole.
  WriteBytes("Prog/OrvaneInt/ORVANETEMP/outputlogSerA.txt", "one\ntwo\nfo");
  EXPECT_EQ(engine_->LoadUnixFileToArray("A", log, lines, noMore), "two");
  // A last line without a break counts once the log stops growing.
  EXPECT_EQ(engine_->LoadUnixFileToArray("A", log, lines, noMore), "fo");
  EXPECT_EQ(engine_->LoadUnixFileToArray("A", log, lines, noMore), "");
  EXPECT_TRUE(noMore);
  WriteBytes("Prog/OrvaneInt/ORVANETEMP/outputlogSerA.txt", "one\ntwo\nfo\nsix\n");
  EXPECT_EQ(engine_->LoadUnixFileToArray("A", log, lines, noMore), "six");
}

TEST_F(RsyncEngineTest, ProgressLinesFillTheRecord) {
  EngineState& g = Engine();
  engine_->EngineA.sOutputLog = "C:\\Prog\\OrvaneInt\\ORVANETEMP\\outputlogSerA.txt";
  engine_->EngineA.iRetryCount = 4;
  g.gdTotalFileSize = 100;
  WriteBytes("Prog/OrvaneInt/ORVANETEMP/outputlogSerA.txt",
             "receiving file list: 3 files\n" + Progress(40, 80, 40, 50, "big.bin") +
                 Progress(0, 30, 0, 100, "[Sync File]same.txt") + Progress(150, 80, 80, 150, "big.bin"));
  for (int i = 0; i < 4; ++i) engine_->DisplayProgress(1);
  EXPECT_EQ(engine_->EngineA.dProgressLines, 3);
  EXPECT_EQ(engine_->EngineA.iRetryCount, 4) << "progress does not set the list's retries back";
  EXPECT_EQ(engine_->EngineA.dBytesCompleted, 30);
  // 80 bytes of this run and the 30 of the "[Sync File]" pass the total
  // of 100, which is then dropped; the percentage keeps its last value.
  EXPECT_EQ(g.gdTotalDone, 110);
  EXPECT_EQ(g.gdTotalFileSize, 0);
  EXPECT_EQ(g.gWebdavProgress.iFileProg, 100);
  EXPECT_EQ(g.gWebdavProgress.iTotalProg, 70);
  EXPECT_EQ(g.gRsyncProgress.sFileName, "My Orvane/same.txt");  // copied on the "[Sync File]" line
  EXPECT_EQ(engine_->EngineA.dFilesRestored, 1);
  EXPECT_FALSE(TransferLog().contains("same.txt"));
}

TEST_F(RsyncEngineTest, TheFirstProgressLineGivesARateAndAnEstimate) {
  EngineState& g = Engine();
  engine_->EngineA.sOutputLog = "C:\\Prog\\OrvaneInt\\ORVANETEMP\\outputlogSerA.txt";
  g.gdTotalFileSize = 1000;
  g.gdRsyncSecondsLeft = 0;  // none yet
  g.gfStartTimeRsync = vb::Timer() - 10;
  WriteBytes("Prog/OrvaneInt/ORVANETEMP/outputlogSerA.txt", Progress(100, 1000, 100, 10, "big.bin"));
  engine_->DisplayProgress(1);
  EXPECT_DOUBLE_EQ(g.gdRsyncSecondsLeft, 90);  // 900 bytes left at 10 bytes a second
  EXPECT_EQ(g.gsTimeRemaining, "00:01:30");
  EXPECT_FALSE(g.gWebdavProgress.sTrfRate.isEmpty());
  EXPECT_EQ(g.gRsyncProgress.sTrfRate, g.gWebdavProgress.sTrfRate);  // the first line is reported
}

TEST(RsyncEngineRules, RemainingTimeIsShownForLargeEnoughRestores) {
  constexpr double G = 1073741824.0;
  EXPECT_TRUE(clsRsyncEngine::IsSizeAtLeastGB(0, 1));
  EXPECT_TRUE(clsRsyncEngine::IsSizeAtLeastGB(2 * G, 3));
  EXPECT_FALSE(clsRsyncEngine::IsSizeAtLeastGB(2 * G - 1, 3));
  EXPECT_FALSE(clsRsyncEngine::IsSizeAtLeastGB(100 * G, 13));
}

TEST_F(RsyncEngineTest, PathHelpersAndStatistics) {
  clsRsyncController& c = engine_->Controller();
  EXPECT_EQ(engine_->Cont_GetCygdrivepath("D:\\a b\\c", true), "D/a b/c");
  EXPECT_EQ(engine_->Cont_GetCygdrivepath("D:\\a b\\c", false), "/cygdrive/D/a b/c");
  EXPECT_EQ(c.Cont_ChangeRsycnToWinPath(QString("\"/cygdrive/d/a/b\"")), "d:\\a\\b");
  EXPECT_EQ(c.Cont_ReplaceString("aXbXc", "X", "XX"), "aXXbXXc");
  EXPECT_EQ(c.cont_changewindowstorsyncpath(QString("C:\\Data\\My Files")), "/cygdrive/C/Data/My Files");
  EXPECT_EQ(engine_->GetStatsMsg(), "\r\n\r\n\r\n");
  EXPECT_EQ(c.GetStatsRestMsg(true), "");
}

TEST_F(RsyncEngineTest, PasswordFileIsPrivateAndWrittenAsSent) {
  clsRsyncController& c = engine_->Controller();
  c.Cont_TempFolder("ADD", " jsmith ", " pass word ");
  const QString file = Host("Prog/OrvaneInt/ORVANETEMP/jsmith.txt");
  // Whoever held the file open reads nothing of a password written later.
  QFile reader(file);
  ASSERT_TRUE(reader.open(QIODevice::ReadOnly));
  c.Cont_TempFolder("ADD", "jsmith", " new word ");
  EXPECT_EQ(reader.readAll(), " pass word \r\n");
  EXPECT_EQ(Bytes("Prog/OrvaneInt/ORVANETEMP/jsmith.txt"), " new word \r\n");
  const auto others = QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup |
                      QFileDevice::WriteOther | QFileDevice::ExeGroup | QFileDevice::ExeOther;
  EXPECT_FALSE(QFile::permissions(file) & others);
  EXPECT_FALSE(QFile::permissions(Host("Prog/OrvaneInt/ORVANETEMP")) & others);
  c.Cont_TempFolder("ADD", "../evil", "x");
  EXPECT_FALSE(QFile::exists(Host("Prog/OrvaneInt/evil.txt")));
  c.Cont_TempFolder("add", "jsmith", "");  // any other case removes
  EXPECT_FALSE(QFile::exists(file));
}

// ---- The route as a whole -------------------------------------------------

// A missing client program or runtime, or a drive work folder that cannot be
// made: nothing is started, the reason is in the transfer log, the route
// gives up for the job (the restore falls back or fails), and no second box
// or line follows from a later listing or list.
enum class Missing { Runtime, Client, WorkFolder };

class RouteStopTest : public RsyncEngineTest, public ::testing::WithParamInterface<Missing> {};

TEST_P(RouteStopTest, NothingStartsAndTheRouteGivesUpForTheJob) {
  QString reason = "the rsync client or its runtime is missing from C:\\Prog\\";
  switch (GetParam()) {
    case Missing::Runtime:
      QFile::remove(Host("Prog/cygwin1.dll"));
      break;
    case Missing::Client:
      QFile::remove(Host("Prog/orvane_int_rst_100.exe"));
      break;
    case Missing::WorkFolder:
      QDir(Host("OrvaneInt")).removeRecursively();
      WriteBytes("OrvaneInt", "a file of the user's");
      reason = "Unable to create the work folder C:\\OrvaneInt, Reason : File already exists";
      break;
  }
  win::RecordingMessageBox box;
  EXPECT_FALSE(engine_->Rsync_EnumerateFolder(Engine().gsWorkFolder, "jsmith", "/Documents/", QString()));
  EXPECT_FALSE(Hand(listA));
  EXPECT_FALSE(engine_->Rsync_EnumerateFolder(Engine().gsWorkFolder, "jsmith", "/Other/", QString()));
  EXPECT_TRUE(runs_.commands.empty());
  EXPECT_TRUE(engine_->EngineA.bGaveUp);
  EXPECT_EQ(engine_->iEnumRetryCount, 0) << "trying again cannot help";
  EXPECT_EQ(TransferLog().count(reason), 1) << TransferLog().toStdString();
  EXPECT_LE(box.Shown().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Missing, RouteStopTest,
                         ::testing::Values(Missing::Runtime, Missing::Client, Missing::WorkFolder),
                         [](const auto& info) {
                           switch (info.param) {
                             case Missing::Runtime: return std::string("Runtime");
                             case Missing::Client: return std::string("Client");
                             case Missing::WorkFolder: return std::string("WorkFolder");
                           }
                           return std::string();
                         });

// Two folders whose lists run at once: the second folder's hand-over waits
// for a run and judges the first folder's list good. The second folder's own
// list then gives up: it must stay in the restore set for the fall-back, and
// only the first folder leaves it.
TEST_F(RsyncEngineTest, AFolderLeavesTheSetOnlyOnItsOwnListsGoodResult) {
  QDir().mkpath(Host("Restore"));
  runs_.listings["/X/"] = Listed('d', 4096, ".") + Listed('-', 1, "x.txt") + "\ntotal size is 1\n";
  runs_.listings["/Y/"] = Listed('d', 4096, ".") + Listed('-', 1, "y.txt") + "\ntotal size is 1\n";
  runs_.script = {{Progress(1, 1, 1, 100, "X/x.txt"), kPasswordOnly}};
  runs_.fallback = {QByteArray(), kRefused};
  vb::CollectionPtr& set = Items(Engine().gcolRestoreItems);
  set->Add(QString("D_/users/jsmith/Files/X/"));
  set->Add(QString("D_/users/jsmith/Files/Y/"));
  EXPECT_FALSE(engine_->Cont_CallRsyncRestore("jsmith", "pw", "C:\\Restore\\", true, 0, 0, 0, false));
  EXPECT_TRUE(TransferLog().contains("Restored file My Orvane/X/x.txt <To> C:\\Restore\\X\\x.txt"));
  ASSERT_EQ(set->Count(), 1);
  EXPECT_EQ(set->Item(1).ToString(), "D_/users/jsmith/Files/Y/");
}

// A work folder the restore cannot make (a file of the user's has its name)
// is a clear error at once: nothing is listed or started, and the restore is
// a failed one (reported, as the folder helper has it, not retried).
TEST_F(RsyncEngineTest, AWorkFolderThatCannotBeMadeFailsTheRestoreAtOnce) {
  QDir(Host("Prog/OrvaneInt")).removeRecursively();
  WriteBytes("Prog/OrvaneInt", "a file of the user's");
  QDir().mkpath(Host("Restore"));
  Items(Engine().gcolRestoreItems)->Add(QString("D_/users/jsmith/Files/X/"));
  EXPECT_TRUE(engine_->Cont_CallRsyncRestore("jsmith", "pw", "C:\\Restore\\", true, 0, 0, 0, false));
  EXPECT_TRUE(Engine().gbRestoreFailed);
  EXPECT_TRUE(runs_.commands.empty());
  EXPECT_EQ(TransferLog().count("Unable to create the work folder C:\\Prog\\OrvaneInt\\ORVANETEMP"), 1);
  EXPECT_FALSE(TransferLog().contains("Number of files"));
}

// Restoring a snapshot's file to its original place names the original
// folder, not the snapshot's module digit.
TEST_F(RsyncEngineTest, ASnapshotFileGoesBackToItsOriginalFolder) {
  engine_->bRestoreOriginal = true;
  runs_.fallback = {Progress(5, 5, 5, 100, "Users/ann/a.txt"), kPasswordOnly};
  EXPECT_FALSE(engine_->Cont_CallRsyncEngine("jsmith", "pw", listA, " \"/cygdrive/C/\"", 0, false, false, 0, false, "",
                                             false, false, "3\"/C\"", "", false, false));
  EXPECT_EQ(engine_->EngineA.sOriginalFolder, "C:");
  EXPECT_TRUE(Hand(QString(), true, false));
  EXPECT_TRUE(TransferLog().contains("Restored file My Orvane/Users/ann/a.txt <To> C:\\Users\\ann\\a.txt"))
      << TransferLog().toStdString();
}

// ---- The controller --------------------------------------------------------

TEST_F(RsyncEngineTest, SignInStoresTheAccountAndPreparesTheTunnelOnlyWithSsl) {
  EngineState& g = Engine();
  clsRsyncController c;
  win::RecordingMessageBox box;
  g.gbUseSSL = false;
  QFile::remove(Host("Prog/SSLInteractive.conf"));
  EXPECT_FALSE(c.Cont_login(" jsmith ", " pw "));
  EXPECT_EQ(g.gsUserName, " jsmith ");
  EXPECT_EQ(g.gsPassword, " pw ");
  EXPECT_TRUE(box.Shown().empty());
  EXPECT_FALSE(QFile::exists(Host("Prog/SSLInteractive.conf")));

  // Both missing files are reported, each in a box of its own.
  g.gbUseSSL = true;
  QFile::remove(Host("Prog/i15_test_tunnel_rst.exe"));
  EXPECT_FALSE(c.Cont_login("jsmith", "pw"));
  ASSERT_EQ(box.Shown().size(), 2u);
  EXPECT_EQ(box.Shown()[0].text, "Re-install the application\r\ni15_test_tunnel_rst.exe file not found in C:\\Prog\\");
  EXPECT_EQ(box.Shown()[1].text, "Re-install the application\r\nSSLInteractive.conf file not found in C:\\Prog\\");
  EXPECT_TRUE(Trace().contains("Unable to launch zqssl, dependencies not found"));

  // With both there the configuration is written for the user's server and
  // the tunnel is not started.
  box.Clear();
  WriteBytes("Prog/i15_test_tunnel_rst.exe", "");
  WriteBytes("Prog/SSLInteractive.conf", "");
  EXPECT_FALSE(c.Cont_login("jsmith", "pw"));
  EXPECT_TRUE(box.Shown().empty());
  EXPECT_TRUE(Bytes("Prog/SSLInteractive.conf").contains("rsync1.example:443"));
  EXPECT_EQ(g.glTunnelPid, 0);
}

TEST_F(RsyncEngineTest, MissingFilesAreReportedByBoxOrTransferLogByMode) {
  clsRsyncController& c = engine_->Controller();
  win::RecordingMessageBox box;
  EXPECT_TRUE(c.Cont_CheckDependFile("CYGWIN1.DLL")) << "found whatever its case";
  QFile::remove(Host("Prog/orvane_int_rst_100.exe"));
  EXPECT_FALSE(c.Cont_CheckSSLDependencies());
  ASSERT_EQ(box.Shown().size(), 1u) << "the client alone: the libraries are not looked at";
  EXPECT_EQ(box.Shown()[0].icon, 3);
  QFile::remove(Host("Prog/libssl32.dll"));
  WriteBytes("Prog/orvane_int_rst_100.exe", "");
  Engine().giMode = 0;
  EXPECT_FALSE(c.Cont_CheckSSLDependencies());
  EXPECT_EQ(box.Shown().size(), 1u);
  const QByteArray log = Bytes("Prog/OrvaneMac/ZQWServiceLog.txt");  // the service's transfer log
  EXPECT_TRUE(QString::fromUtf16(reinterpret_cast<const char16_t*>(log.constData()), log.size() / 2)
                  .contains("Re-install the application\r\nlibssl32.dll file not found in C:\\Prog\\"));
}

// A listing and a run report each missing tunnel file, as the sign-in does.
TEST_F(RsyncEngineTest, BothMissingTunnelFilesAreReportedByListingsAndRuns) {
  QFile::remove(Host("Prog/i15_test_tunnel_rst.exe"));
  QFile::remove(Host("Prog/SSLInteractive.conf"));
  win::RecordingMessageBox box;
  EXPECT_FALSE(engine_->Rsync_EnumerateFolder(Engine().gsWorkFolder, "jsmith", "/Documents/", QString()));
  EXPECT_EQ(box.Shown().size(), 2u);
  EXPECT_FALSE(Hand(listA));
  EXPECT_EQ(box.Shown().size(), 4u);
  EXPECT_TRUE(runs_.commands.empty());
  EXPECT_TRUE(TransferLog().contains("i15_test_tunnel_rst.exe file not found"));
  EXPECT_TRUE(TransferLog().contains("SSLservice.exe/SSLservice file not found"));
}

TEST_F(RsyncEngineTest, RestoreEntryWorkFolderAndKeyFile) {
  EngineState& g = Engine();
  // Every controller fixes the work folder: the program folder's "OrvaneInt"
  // in the interactive modes, the program folder itself in mode 0.
  EXPECT_EQ(g.gsWorkFolder, "C:\\Prog\\OrvaneInt");
  EXPECT_TRUE(QFileInfo(Host("Prog/OrvaneInt")).isDir());
  g.giMode = 0;
  { clsRsyncController service; }
  EXPECT_EQ(g.gsWorkFolder, "C:\\Prog");
  g.giMode = 1;
  { clsRsyncController interactive; }
  EXPECT_EQ(g.gsWorkFolder, "C:\\Prog\\OrvaneInt");

  // An empty restore set: the mode line, false, nothing started.
  clsRsyncController& c = engine_->Controller();
  EXPECT_FALSE(c.Cont_Restore("C:\\Restore", false, true, false).ToBoolean());
  EXPECT_TRUE(Trace().contains("Enter Cont_RestoreC:\\RestoreFalseTrueFalse"));
  EXPECT_TRUE(TransferLog().contains("Mode : Interactive Restore Options : Incremental"));
  EXPECT_TRUE(runs_.commands.empty());

  // The key file goes beside the password file while a key is held, and
  // stays after "DELETE"; the password file and the drive work folder go.
  g.gbHaveEncKey = true;
  g.gsEncKey = "my key";
  c.Cont_TempFolder("ADD", "jsmith", "pw");
  EXPECT_EQ(Bytes("Prog/OrvaneInt/ORVANETEMP/zqencdata.txt"), "my key");
  EXPECT_FALSE(QFile::permissions(Host("Prog/OrvaneInt/ORVANETEMP/zqencdata.txt")) &
               (QFileDevice::ReadOther | QFileDevice::ReadGroup));
  c.Cont_TempFolder("DELETE", "jsmith", "pw");
  EXPECT_FALSE(QFile::exists(Host("Prog/OrvaneInt/ORVANETEMP/jsmith.txt")));
  EXPECT_TRUE(QFile::exists(Host("Prog/OrvaneInt/ORVANETEMP/zqencdata.txt")));
  EXPECT_FALSE(QFileInfo::exists(Host("OrvaneInt")));
}

// ---- Closing and resetting --------------------------------------------------

TEST_F(RsyncEngineTest, ARunSetBackCarriesItsBytesAndKeepsTheRestoresTotals) {
  EngineState& g = Engine();
  EngineParams& a = engine_->EngineA;
  a.dBytesBefore = 1000;
  a.dBytesDone = 500;
  a.dFilesRestored = 7;
  a.dFailedFiles = 2;
  a.iRetryCount = 3;
  a.lFailureCount = 4;
  a.iBusy = 1;
  a.sListFile = listA;
  Items(g.gcolSyncedFilesA)->Add(QString("a"));
  Items(g.gcolFailedItemsB)->Add(QString("b"));
  engine_->ResetParamEngineA();
  EXPECT_EQ(a.dBytesBefore, 1500);
  EXPECT_EQ(a.dBytesDone, 0);
  EXPECT_EQ(a.dFilesRestored, 7);
  EXPECT_EQ(a.dFailedFiles, 2);
  EXPECT_EQ(a.iRetryCount, 0);
  EXPECT_EQ(a.lFailureCount, 0);
  EXPECT_EQ(a.iBusy, 0);
  EXPECT_FALSE(QFile::exists(Host("OrvaneInt/ORVANETEMP/SerSource.filesA")));
  EXPECT_EQ(Items(g.gcolSyncedFilesA)->Count(), 0);
  EXPECT_EQ(Items(g.gcolFailedItemsB)->Count(), 1) << "run B's items stay";

  // Closing with no run started ends nothing but deletes the lists.
  engine_->EngineB.sListFile = listB;
  engine_->CloseEngine();
  EXPECT_FALSE(QFile::exists(Host("OrvaneInt/ORVANETEMP/SerSource.filesB")));
  EXPECT_EQ(clock_.TotalSleptMs(), 0);
}

// The reset at a restore's start starts the tunnel again (when SSL is on),
// with its standard error in the work folder's tunnel log.
TEST_F(RsyncEngineTest, TheResetAtARestoresStartRestartsTheTunnelWithSslOn) {
  EngineState& g = Engine();
  QFile::remove(Host("Prog/i15_test_tunnel_rst.exe"));
  ASSERT_TRUE(QFile::copy("/bin/true", Host("Prog/i15_test_tunnel_rst.exe")));
  gTransfer().Trf_WriteUserProfile("SSLKey", "0");
  engine_->ResetEngineValues(true);
  EXPECT_FALSE(g.gbUseSSL);
  EXPECT_EQ(g.glTunnelPid, 0);
  gTransfer().Trf_WriteUserProfile("SSLKey", "");
  engine_->ResetEngineValues(false);
  EXPECT_EQ(g.glTunnelPid, 0) << "the reset at the end starts nothing";
  engine_->ResetEngineValues(true);
  EXPECT_TRUE(g.gbUseSSL);
  EXPECT_NE(g.glTunnelPid, 0);
  EXPECT_TRUE(QFile::exists(Host("Prog/OrvaneInt/tunnellog.txt")));
}

}  // namespace
}  // namespace OrvaneSrv
