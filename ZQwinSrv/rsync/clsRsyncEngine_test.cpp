// The client runs with fake runs: each start writes the output and error
// logs a scripted client would write and ends at once.
#include "ZQwinSrv/rsync/clsRsyncEngine.h"

#include <deque>

#include "ZQwinSrv/foundation/EngineTestFixture.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"

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
  EXPECT_TRUE(Hand(QString(), true, false) || engine_->EngineA.iBusy == 0);
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
  EXPECT_TRUE(Hand(QString(), true, false) || engine_->EngineA.iBusy == 0);
  EXPECT_EQ(engine_->EngineA.iBusy, 0);
  EXPECT_EQ(engine_->EngineA.dFilesRestored, 2500);
  EXPECT_TRUE(TransferLog().contains("Restored file My Orvane/f2499.txt"));
}

TEST_F(RsyncEngineTest, FiveFailuresSwitchToTheDirectPort) {
  for (int i = 0; i < 5; ++i) runs_.script.push_back({QByteArray(), kRefused});
  runs_.fallback = {Progress(1, 1, 1, 100, "a.txt"), kPasswordOnly};
  Hand(listA);
  EXPECT_TRUE(Hand(QString(), true, false) || true);
  ASSERT_GE(runs_.commands.size(), 6u);
  EXPECT_EQ(Ini("C:\\Prog\\OrvaneMac\\orvane.ini", "Orvane", "NONSSLEXISTS"), "1");
  EXPECT_TRUE(runs_.batches[4].contains("--port=43718 "));
  EXPECT_TRUE(runs_.batches[5].contains("--port=65368 "));
  EXPECT_TRUE(runs_.batches[5].contains("jsmith@rsync1.example::tessara"));
  EXPECT_FALSE(Engine().gbUseSSL);
  EXPECT_EQ(TransferLog().count("Restored file My Orvane/a.txt"), 1);
}

TEST_F(RsyncEngineTest, AListThatKeepsFailingIsGivenUpAfterItsRetries) {
  gTransfer().Trf_WriteUserProfile("NONSSL", "0");
  runs_.fallback = {QByteArray(), kRefused};
  Hand(listA);
  EXPECT_FALSE(Hand(QString(), true, false));
  // The count is compared with the limit before it is raised: 17 retries,
  // and the 18th failed run gives the list up.
  EXPECT_EQ(runs_.commands.size(), 18u);
  EXPECT_TRUE(engine_->EngineA.bGaveUp);
  EXPECT_EQ(engine_->EngineA.iRetryCount, 0);
  EXPECT_TRUE(Engine().gbUseSSL);  // "NONSSL" = "0" keeps the tunnel
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
  EXPECT_TRUE(g.gbUseSSL);  // no earlier fallback
  gTransfer().Trf_WriteUserProfile("NONSSLEXISTS", "1");
  engine_->RsyncWait(1);
  EXPECT_FALSE(g.gbUseSSL);
  EXPECT_EQ(clock_.TotalSleptMs(), 0);

  // A cancel ends the long wait at its next step.
  g.gbUseSSL = true;
  gTransfer().Trf_WriteUserProfile("NONSSL", "0");
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
  };
  for (const Row& row : rows) EXPECT_EQ(Judge(row.log), row.ok) << row.log;
  QFile::remove(Host("Prog/OrvaneInt/ORVANETEMP/errlogSerA.txt"));
  EXPECT_FALSE(engine_->Cont_Check_Log_Err_Files(1));  // no log at all
}

TEST_F(ErrorLogTest, FailedItemsAreReportedAndCountedOnce) {
  // As the client writes them for the run's files.
  const QByteArray log =
      "Password: \n"
      "rsync: link_stat \"/Files/a/b.txt\" (in tessara) failed: No such file or directory (2)\n"
      "rsync: link_stat \"/Files/a/b.txt\" (in tessara) failed: No such file or directory (2)\n"
      "rsync: mkstemp \"/cygdrive/C/Restore/ro/.x.txt.Ab12\" failed: Permission denied (13)\n"
      "rsync: recv_generator: failed to stat \"/cygdrive/C/Restore/" +
      QByteArray(300, 'n') +
      "\": File name too long (36)\n"
      "rsync error: some files/attrs were not transferred (see previous errors) (code 23) at main.c(1338)\n";
  EXPECT_TRUE(Judge(log));
  const QString tl = TransferLog();
  EXPECT_EQ(tl.count("Unable to restore file My Orvane\\Files\\a\\b.txt. Reason: No such file or directory."), 2);
  EXPECT_TRUE(tl.contains("Unable to restore file My Orvane\\C:\\Restore\\ro\\.x.txt.Ab12\r\n"));
  EXPECT_TRUE(tl.contains("Unable to restore file My Orvane\\" + QString(300, 'n') + " <To> C:\\Restore\\" +
                          QString(300, 'n') + ". Reason: File path too long"));
  EXPECT_EQ(engine_->EngineA.dFailedFiles, 3);  // b.txt counted once
  ASSERT_EQ(Items(Engine().gcolFailedItemsA)->Count(), 3);
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
  EXPECT_EQ(engine_->EngineA.iRetryCount, 0);
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

}  // namespace
}  // namespace OrvaneSrv
