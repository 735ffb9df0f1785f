// The listing, the search and the restore run with fake client runs: a
// listing start writes the scripted listing, a transfer start reports every
// file of its list as restored, and nothing real is started or ended.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <deque>
#include <functional>
#include <map>

#include "ZQwinSrv/foundation/EngineTestFixture.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "ZQwinSrv/rsync/clsRsyncEngine.h"

namespace OrvaneSrv {
namespace {

// Process ids above any the system gives out, so a stop ends nothing real.
constexpr int kFakePidBase = 50000000;

struct Listing {
  QByteArray output;
  QByteArray error = "Password: \n";
  std::uint32_t exitCode = 0;  // the redirection program's
};

class FakeRuns : public ClientRunLauncher {
 public:
  explicit FakeRuns(std::function<QString(const QString&)> host) : host_(std::move(host)) {}
  int Start(const QString& commandLine) override {
    commands.push_back(commandLine);
    if (commandLine.contains("Enum.bat")) {
      batches.push_back(Read("OrvaneInt/ORVANETEMP/Enum.bat"));
      arglists.push_back(QString::fromUtf8(Read("OrvaneInt/ORVANETEMP/arglist.txt")));
      Listing l = listings.empty() ? fallback : listings.front();
      if (!listings.empty()) listings.pop_front();
      Write("Prog/OrvaneInt/ORVANETEMP/outputlog.txt", l.output);
      Write("Prog/OrvaneInt/ORVANETEMP/errlog.txt", l.error);
      exitCodes[kFakePidBase + static_cast<int>(commands.size())] = l.exitCode;
    } else {
      const QString letter = commandLine.contains("RedirectSerA.bat") ? "A" : "B";
      const QString args = QString::fromUtf8(Read("OrvaneInt/ORVANETEMP/arglist" + letter + ".txt"));
      const QString from = args.section("--files-from=/cygdrive/C/", 1).section('\n', 0, 0);
      const QByteArray list = Read(from);
      lists.push_back({from.section('/', -1), list, args.split('\n').at(args.split('\n').size() - 2)});
      QByteArray output;
      for (const QByteArray& entry : list.split('\n'))
        if (!entry.isEmpty() && !entry.endsWith('/')) output += Done(entry.mid(1));
      for (int i = 0; i < extraRestored; ++i) output += Done("extra" + QByteArray::number(i));
      Write("Prog/OrvaneInt/ORVANETEMP/outputlogSer" + letter + ".txt", output);
      Write("Prog/OrvaneInt/ORVANETEMP/errlogSer" + letter + ".txt", runError);
    }
    return kFakePidBase + static_cast<int>(commands.size());
  }
  win::ProcessHandle Open(int processId) override { return processId; }
  bool ExitCode(win::ProcessHandle handle, std::uint32_t& code) override {
    const auto it = exitCodes.find(static_cast<int>(handle));
    code = it == exitCodes.end() ? 0 : it->second;
    return true;
  }
  void Close(win::ProcessHandle) override {}

  struct HandedList {
    QString name;
    QByteArray entries;
    QString source;  // the client's source argument
  };
  std::deque<Listing> listings;
  Listing fallback;
  QByteArray runError = "Password: \n";
  int extraRestored = 0;
  std::vector<QString> commands;
  std::vector<QByteArray> batches;
  std::vector<QString> arglists;
  std::vector<HandedList> lists;
  std::map<int, std::uint32_t> exitCodes;  // by process id

 private:
  static QByteArray Done(const QByteArray& item) {
    return QByteArray::number(1).rightJustified(15) + QByteArray::number(1).rightJustified(16) +
           QByteArray::number(1).rightJustified(16) + QByteArray(16, ' ') + " 100%" + QByteArray("1.00MB/s").rightJustified(10) +
           QByteArray("0:00:00").rightJustified(13) + item + "\n";
  }
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

// A listing line in the client's columns.
QByteArray Line(char kind, qint64 size, const QByteArray& name) {
  return QByteArray(1, kind) + (kind == 'd' ? "rwxr-xr-x" : "rw-r--r--") + ' ' +
         QByteArray::number(size).rightJustified(11) + " 2014/03/04 10:15:02 " + name + "\n";
}

QByteArray Stats(qint64 total) {
  return "\nNumber of files: 3\nTotal file size: " + QByteArray::number(total) + " bytes\nTotal transferred file size: 0 bytes\n";
}

class RsyncRestoreTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    EngineState& g = Engine();
    // Names no process of this machine has, so nothing real is ended.
    g.gsRsyncClientExe = "i16_client_rst_100.exe";
    g.gsTunnelExe = "i16_tunnel_rst_100.exe";
    g.gsTunnelConf = "SSLInteractive.conf";
    g.gbUseSSL = true;
    g.gbCommonFlag = true;
    g.gbInteractiveRestore = true;
    g.gsUserName = "jsmith";
    g.giEchoTouchState = 2;
    for (const char* f : {"i16_client_rst_100.exe", "cygwin1.dll", "libeay32.dll", "libssl32.dll",
                          "i16_tunnel_rst_100.exe", "SSLInteractive.conf", "redirect.exe"})
      WriteBytes(QString("Prog/") + f, "");
    gTransfer().WriteUserServerProfile("RSYNCSERVER", "rsync1.example", "jsmith");
    engine_.emplace();
    engine_->Controller();  // sets the work folder
    QDir().mkpath(Host("Restore"));
  }
  void TearDown() override {
    engine_.reset();
    EngineTest::TearDown();
  }
  QString TransferLog() const {
    const QByteArray b = Bytes("Prog/OrvaneMac/OrvaneLogFile.txt");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData()), b.size() / 2);
  }
  void SetItems(const QStringList& items) {
    vb::CollectionPtr& set = Items(Engine().gcolRestoreItems);
    set->Clear();
    for (const QString& i : items) set->Add(i);
  }
  QStringList ItemsLeft() {
    QStringList left;
    for (const vb::Variant& v : *Items(Engine().gcolRestoreItems)) left << v.ToString();
    return left;
  }
  bool Restore(const QString& dest = "C:\\Restore") {
    return engine_->Cont_CallRsyncRestore("jsmith", "pw", dest, true, 0, 0, 0, false);
  }

  FakeRuns runs_{[this](const QString& rel) { return Host(rel); }};
  ScopedClientRunLauncher useRuns_{runs_};
  std::optional<clsRsyncEngine> engine_;
};

TEST_F(RsyncRestoreTest, ListingCommandLineArgumentListAndSnapshotModule) {
  engine_->iEnumRetryCount = 0;
  EXPECT_TRUE(engine_->Rsync_EnumerateFolder(Engine().gsWorkFolder, "jsmith", "/Documents/Été/", ""));
  ASSERT_EQ(runs_.commands.size(), 1u);
  EXPECT_EQ(runs_.batches[0],
            "\"C:\\Prog\\i16_client_rst_100.exe\" -v -r -z -t -7/cygdrive/C/OrvaneInt/ORVANETEMP/arglist.txt -n "
            "--stats --compress --timeout=900 --port=43718 \"jsmith@localhost::tessara/Documents/AAtAA/\"");
  EXPECT_EQ(runs_.arglists[0],
            "i16_client_rst_100\n-v\n-r\n-z\n-t\n-7\n-n\n--stats\n--compress\n--timeout=900\n--port=43718\n"
            "jsmith@localhost::tessara/Documents/Été/");
  EXPECT_EQ(runs_.commands[0],
            "\"C:\\Prog\\redirect.exe\" -i \"C:\\Prog\\OrvaneInt\\ORVANETEMP\\jsmith.txt\" -e "
            "\"C:\\Prog\\OrvaneInt\\ORVANETEMP\\errlog.txt\" -o \"C:\\Prog\\OrvaneInt\\ORVANETEMP\\outputlog.txt\" "
            "\"C:\\OrvaneInt\\ORVANETEMP\\Enum.bat\"");

  // A snapshot is read from the module of its digit; direct without SSL.
  Engine().gbUseSSL = false;
  EXPECT_TRUE(engine_->Rsync_EnumerateFolder(Engine().gsWorkFolder, "jsmith", "/BackUp_nightly.3/jsmith/Documents/", ""));
  EXPECT_EQ(Engine().gvRemotePath.ToString(), "3/Documents/");
  EXPECT_TRUE(runs_.batches[1].endsWith("--port=65368 \"jsmith@rsync1.example::tessara3/Documents/\""));
  EXPECT_TRUE(runs_.arglists[1].endsWith("\n--port=65368\njsmith@rsync1.example::tessara3/Documents/"));

  // A line break in a path never reaches the client.
  EXPECT_FALSE(engine_->Rsync_EnumerateFolder(Engine().gsWorkFolder, "jsmith", "/a\n--delete/", ""));
  EXPECT_EQ(runs_.commands.size(), 2u);
}

TEST_F(RsyncRestoreTest, AFailingListingIsAttemptedTenTimesAndACancelEndsItAsSuccess) {
  runs_.fallback = {QByteArray(), "Password: \nrsync: failed to connect to localhost: Connection refused (111)\n"
                                  "rsync error: error in socket IO (code 10) at clientserver.c(139)\n"};
  engine_->iEnumRetryCount = 0;
  EXPECT_FALSE(engine_->Rsync_EnumerateFolder(Engine().gsWorkFolder, "jsmith", "/Documents/", ""));
  EXPECT_EQ(runs_.commands.size(), 10u);
  QStringList retries = TraceLines().filter("Retrying folder enumeration : ");
  ASSERT_EQ(retries.size(), 9);
  EXPECT_TRUE(retries.last().endsWith("Retrying folder enumeration : 9"));

  Engine().gbCancelled = true;
  engine_->iEnumRetryCount = 0;
  EXPECT_TRUE(engine_->Rsync_EnumerateFolder(Engine().gsWorkFolder, "jsmith", "/Documents/", ""));
  EXPECT_EQ(runs_.commands.size(), 11u);
  retries = TraceLines().filter("Retrying folder enumeration : ");
  EXPECT_EQ(retries.size(), 10);
  EXPECT_TRUE(retries.last().endsWith("Retrying folder enumeration : 1"));
  EXPECT_TRUE(TransferLog().contains("Operation Canceled by user"));
}

TEST_F(RsyncRestoreTest, FolderEntriesReadAheadAndAlternateBetweenTheTwoLists) {
  runs_.listings = {{"receiving file list\n" + Line('d', 4096, ".") + Line('d', 4096, "sub") +
                     Line('-', 5, "sub/a.txt") + Line('d', 4096, "empty") + Line('d', 4096, "a") +
                     Line('-', 3, "ba/x.txt") + Line('-', 3, "bad:name.txt") + Stats(1234) + Stats(99)}};
  SetItems({"D_/users/jsmith/Files/docs/"});
  EXPECT_TRUE(Restore());
  ASSERT_EQ(runs_.lists.size(), 2u);
  // Even counts go to list A, odd counts to list B.
  EXPECT_EQ(runs_.lists[0].name, "SerSource.foldersA");
  EXPECT_EQ(runs_.lists[0].entries, "/docs/sub/a.txt\n/docs/a/\n");
  EXPECT_EQ(runs_.lists[1].name, "SerSource.foldersB");
  EXPECT_EQ(runs_.lists[1].entries, "/docs/empty/\n/docs/ba/x.txt\n");
  EXPECT_EQ(runs_.lists[0].source, "jsmith@localhost::tessara");
  EXPECT_EQ(Engine().gdRestoreSetSize, 99);
  EXPECT_TRUE(Engine().gbTotalFromRestoreSet);
  const QString log = TransferLog();
  EXPECT_TRUE(log.contains("Could not restore the file My Orvane/docs/bad:name.txt, Reason : Windows does not allow "
                           "special characters like \\ / : * ? \" > < | in file name"));
  // The refused file counts as failed: the restore is not called successful.
  EXPECT_TRUE(log.contains("Number of files considered for restore: 3 file(s)"));
  EXPECT_TRUE(log.contains("Number of files restored now: 2 file(s)"));
  EXPECT_TRUE(log.contains("Number of files failed to restore: 1 file(s)"));
  EXPECT_FALSE(log.contains("Successfully completed restore."));
  // Both of the folder's lists ended well: the folder leaves the set (a
  // fall-back would not restore it again).
  EXPECT_EQ(ItemsLeft(), QStringList{});
  EXPECT_FALSE(QFileInfo::exists(Host("Prog/OrvaneInt/ORVANETEMP")));
}

TEST_F(RsyncRestoreTest, TwoThousandEntriesFillBothListsAndFileItemsFollowWithTheirOwnModule) {
  QByteArray listing = Line('d', 4096, ".");
  for (int i = 0; i < 2000; ++i) listing += Line('-', 1, "f" + QByteArray::number(i) + ".txt");
  runs_.listings = {{listing + Stats(2000)}};
  SetItems({"D_/users/jsmith/Files/Big/", "F_/users/jsmith/Files/x.txt",
            "F_/users/jsmith/Files/BackUp_nightly.3/jsmith/Letters/y.txt", "F_/users/jsmith/Files/z.txt"});
  EXPECT_TRUE(Restore());
  ASSERT_EQ(runs_.lists.size(), 5u);
  EXPECT_EQ(runs_.lists[0].name, "SerSource.foldersA");
  EXPECT_EQ(runs_.lists[0].entries.count('\n'), 1000);
  EXPECT_TRUE(runs_.lists[0].entries.startsWith("/Big/f0.txt\n/Big/f2.txt\n"));
  EXPECT_EQ(runs_.lists[1].name, "SerSource.foldersB");
  EXPECT_EQ(runs_.lists[1].entries.count('\n'), 1000);
  EXPECT_TRUE(runs_.lists[1].entries.startsWith("/Big/f1.txt\n"));
  // The file items: a list is handed over when the module changes.
  EXPECT_EQ(runs_.lists[2].entries, "/x.txt\n");
  EXPECT_EQ(runs_.lists[2].source, "jsmith@localhost::tessara/");
  EXPECT_EQ(runs_.lists[3].entries, "/Letters/y.txt\n");
  EXPECT_EQ(runs_.lists[3].source, "jsmith@localhost::tessara3/");
  EXPECT_EQ(runs_.lists[4].entries, "/z.txt\n");
  EXPECT_EQ(runs_.lists[4].source, "jsmith@localhost::tessara/");
  EXPECT_TRUE(TransferLog().contains("Number of files considered for restore: 2003 file(s)"));
  EXPECT_TRUE(TransferLog().contains("Number of files restored now: 2003 file(s)"));
}

TEST_F(RsyncRestoreTest, CountsAreKeptWithinTheConsideredFiles) {
  runs_.extraRestored = 2;
  runs_.runError = "Password: \nrsync: link_stat \"/gone.txt\" (in tessara) failed: No such file or directory (2)\n";
  SetItems({"F_/users/jsmith/Files/a.txt"});
  EXPECT_TRUE(Restore());
  const QString log = TransferLog();
  // 3 reported restored of 1 considered, 1 failed.
  EXPECT_TRUE(log.contains("Number of files found to be in sync: 0 file(s)"));
  EXPECT_TRUE(log.contains("Number of files restored now: 0 file(s)"));
  EXPECT_TRUE(log.contains("Number of files failed to restore: 1 file(s) (For details check the 'Error:' message in "
                           "the log messages above.)"));
  EXPECT_FALSE(log.contains("Successfully completed restore."));
  EXPECT_EQ(Engine().gdSummaryTotal, 1);
  EXPECT_EQ(Engine().gdSummarySuccess, 0);
  EXPECT_EQ(Engine().gdSummaryFailed, 1);
}

TEST_F(RsyncRestoreTest, AFailedFolderListingEndsWithoutSummaryAndFalse) {
  runs_.fallback = {QByteArray(), "Password: \n@ERROR: chdir failed\nrsync error: error starting client-server "
                                  "protocol (code 5) at main.c(1863)\n"};
  SetItems({"D_/users/jsmith/Files/Documents/", "F_/users/jsmith/Files/x.txt"});
  EXPECT_FALSE(Restore());
  const QString log = TransferLog();
  EXPECT_TRUE(log.contains("Error fetching directory contents for /Documents/"));
  EXPECT_FALSE(log.contains("Number of files"));
  EXPECT_EQ(runs_.lists.size(), 1u);  // the file item is still restored
  EXPECT_EQ(ItemsLeft().size(), 2);    // and the set is left for the fallback
}

TEST_F(RsyncRestoreTest, ItemsOfTheEncryptedFolderFailWithAClearLineAndReachNoClient) {
  Engine().gbHaveEncKey = true;
  Engine().gsEncKey = "key";
  runs_.listings = {{Line('d', 4096, ".") + Line('-', 3, "secret.dat") + Stats(3)}};
  SetItems({"D_/users/jsmith/Files/Encrypted_Data/", "F_/users/jsmith/Files/plain.txt"});
  EXPECT_TRUE(Restore());
  ASSERT_EQ(runs_.lists.size(), 1u);
  EXPECT_EQ(runs_.lists[0].entries, "/plain.txt\n");
  for (const QString& command : runs_.commands) EXPECT_FALSE(command.contains(" -5 "));
  const QString log = TransferLog();
  EXPECT_TRUE(log.contains("Error       : 12/08/2026 23:59:29 : Unable to restore file My Orvane/Encrypted_Data/"
                           "secret.dat. Reason: Decryption of the encrypted folder is not available"));
  EXPECT_TRUE(log.contains("Number of files considered for restore: 2 file(s)"));
  EXPECT_TRUE(log.contains("Number of files restored now: 1 file(s)"));
  EXPECT_TRUE(log.contains("Number of files failed to restore: 1 file(s)"));
}

TEST_F(RsyncRestoreTest, AnUnwritableDestinationStartsNothing) {
  struct Case {
    QString dest;
    QString line;
  };
  win::DriveTable table = win::CurrentDriveTable();
  table.Map(u'D', "/proc");
  win::ScopedDriveTable drives(table);
  for (const Case& c :
       {Case{"D:\\", "Unable to continue the restore operation, make sure, disk is not full or write protected\r\n"},
        Case{"D:\\Restore", "Unable to continue the restore operation, check the permissions of the destination "
                            "folder : D:\\Restore\r\n"}}) {
    Engine().gbRestoreFailed = false;
    Engine().gbErrorShown = false;
    SetItems({"D_/users/jsmith/Files/Documents/"});
    EXPECT_TRUE(engine_->Cont_CallRsyncRestore("jsmith", "pw", c.dest, true, 0, 0, 0, false));
    EXPECT_TRUE(TransferLog().contains(c.line)) << c.dest.toStdString();
    EXPECT_TRUE(Engine().gbRestoreFailed);
    EXPECT_TRUE(Engine().gbErrorShown);
  }
  EXPECT_TRUE(runs_.commands.empty());
  EXPECT_FALSE(TransferLog().contains("Number of files"));
}

TEST_F(RsyncRestoreTest, OriginalLocationMakesTheFoldersAndGroupsFilesByDrive) {
  win::DriveTable table = win::CurrentDriveTable();
  QDir().mkpath(tmp_.path() + "/driveD");
  table.Map(u'D', tmp_.path() + "/driveD");
  win::ScopedDriveTable drives(table);
  runs_.listings = {{Line('d', 4096, ".") + Line('-', 2, "n.txt") + Stats(2)}};
  SetItems({"D_/users/jsmith/Files/C/Users/ann/docs/", "F_/users/jsmith/Files/C/Users/ann/a.txt",
            "F_/users/jsmith/Files/C/b.txt", "F_/users/jsmith/Files/D/work/c.txt"});
  EXPECT_TRUE(engine_->Cont_CallRsyncRestore("jsmith", "pw", QString(), true, 0, 0, 0, true));
  EXPECT_TRUE(QFileInfo(Host("Users/ann/docs")).isDir());
  EXPECT_FALSE(QFileInfo::exists(Host("Users/ann/a.txt")));
  EXPECT_TRUE(QFileInfo(tmp_.path() + "/driveD/work").isDir());
  ASSERT_EQ(runs_.lists.size(), 3u);
  EXPECT_EQ(runs_.lists[0].entries, "/n.txt\n");
  EXPECT_EQ(runs_.lists[0].source, "jsmith@localhost::tessara/C/Users/ann/docs");
  EXPECT_EQ(runs_.lists[1].entries, "/Users/ann/a.txt\n/b.txt\n");
  EXPECT_EQ(runs_.lists[1].source, "jsmith@localhost::tessara/C");
  EXPECT_EQ(runs_.lists[2].entries, "/work/c.txt\n");
  EXPECT_EQ(runs_.lists[2].source, "jsmith@localhost::tessara/D");
  EXPECT_TRUE(TransferLog().contains("Restore to original destination is activated."));
}

TEST_F(RsyncRestoreTest, SearchWritesTheListingAsUtf16AndLeavesNoWorkFiles) {
  const QByteArray listing = Line('d', 4096, ".") + Line('-', 12, "Łódź/ß file.txt");
  runs_.listings = {{listing}};
  WriteBytes("Prog/OrvaneMac/OrvaneSearchResult.txt", "old");
  EXPECT_TRUE(gRsyncController().SearchItem("/Photos/", "jsmith", "pw"));
  EXPECT_EQ(Engine().giMode, 1);
  EXPECT_FALSE(runs_.batches[0].contains("--stats"));
  EXPECT_TRUE(runs_.batches[0].endsWith("--port=43718 \"jsmith@localhost::tessara/Photos/\""));
  const QString text = QString::fromUtf8(listing);
  EXPECT_EQ(Bytes("Prog/OrvaneMac/OrvaneSearchResult.txt"), Bom() + Utf16(text));
  EXPECT_EQ(text.split('\n')[1].mid(43), "Łódź/ß file.txt");
  EXPECT_FALSE(QFileInfo::exists(Host("Prog/OrvaneInt/ORVANETEMP")));

  // A failed search touches nothing; a folder name the client cannot take
  // starts nothing.
  runs_.listings = {{QByteArray(), "Password: \n@ERROR: chdir failed\nrsync error: code 5\n"}};
  EXPECT_FALSE(gRsyncController().SearchItem("/Nope/", "jsmith", "pw"));
  EXPECT_FALSE(gRsyncController().SearchItem("/a\"b/", "jsmith", "pw"));
  EXPECT_EQ(runs_.commands.size(), 2u);
  EXPECT_EQ(Bytes("Prog/OrvaneMac/OrvaneSearchResult.txt"), Bom() + Utf16(text));
}

TEST_F(RsyncRestoreTest, AListingWhoseClientWasEndedByASignalFailsAndIsNotAnEmptyFolder) {
  // The client killed before it wrote anything: the error log holds only
  // the password prompt, the output nothing, the redirection program's code
  // is 128 + 9. The search keeps the last result file; the restore listing
  // is attempted again.
  const QByteArray listing = Line('d', 4096, ".") + Line('-', 5, "a.txt");
  WriteBytes("Prog/OrvaneMac/OrvaneSearchResult.txt", "old");
  runs_.listings = {{QByteArray(), "Password: \n", 137}};
  EXPECT_FALSE(gRsyncController().SearchItem("/Photos/", "jsmith", "pw"));
  EXPECT_EQ(Bytes("Prog/OrvaneMac/OrvaneSearchResult.txt"), "old");

  runs_.listings = {{QByteArray(), "Password: \n", 137}, {listing + Stats(5)}};
  EXPECT_TRUE(engine_->Rsync_EnumerateFolder(Engine().gsWorkFolder, "jsmith", "/Photos/", ""));
  EXPECT_EQ(runs_.batches.size(), 3u);

  // A client that ended by itself with an empty listing is an empty folder.
  runs_.listings = {{QByteArray(), "Password: \n", 0}};
  EXPECT_TRUE(gRsyncController().SearchItem("/Empty/", "jsmith", "pw"));
  EXPECT_FALSE(QFileInfo::exists(Host("Prog/OrvaneMac/OrvaneSearchResult.txt")));
}

TEST_F(RsyncRestoreTest, MembershipAndShortPathHelpers) {
  auto items = std::make_shared<vb::Collection>();
  items->Add(QString("abc "));
  items->Add(QString("DEF"));
  EXPECT_TRUE(engine_->IsInCollection(items, "def"));
  EXPECT_TRUE(engine_->IsInCollection(items, "ABC"));
  EXPECT_FALSE(engine_->IsInCollection(items, " abc"));
  EXPECT_FALSE(engine_->IsInCollection(nullptr, "abc"));
  EXPECT_EQ(engine_->CreateShortPath("C:\\No such folder"), "C:\\No such folder\\");
}

}  // namespace
}  // namespace OrvaneSrv
