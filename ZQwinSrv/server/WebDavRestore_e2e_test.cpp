// The WebDAV restore route against the service double: the ranged download,
// the restoring of folders and files into a mapped drive, the faults a
// server or a line can throw at a download, and a user's stop. Runs inside
// testbed/run; exits 77 (skipped) outside it.
#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "ZQwinSrv/facade/clsController.h"
#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "ZQwinSrv/server/clsWebdavController.h"
#include "platform/clock/Clock.h"
#include "platform/files/FileAttributes.h"
#include "platform/inet/WinInet.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/objects/DispatchObject.h"
#include "tests/support/QtPrinters.h"

namespace OrvaneSrv {
namespace {

QString Env(const char* name) { return qEnvironmentVariable(name); }

QByteArray HttpExchange(const QUrl& url, const QString& verb, const QString& target, const QByteArray& body) {
  win::HINTERNET session = win::InternetOpen("testbed control", win::INTERNET_OPEN_TYPE_DIRECT);
  win::HINTERNET connection = win::InternetConnect(session, url.host(), static_cast<win::INTERNET_PORT>(url.port()),
                                                   {}, {}, win::INTERNET_SERVICE_HTTP, 0);
  win::HINTERNET request = win::HttpOpenRequest(connection, verb, target, "HTTP/1.1");
  QByteArray reply;
  if (request && win::HttpSendRequest(request, "Content-Type: application/json\r\n", -1, body)) {
    char piece[4096];
    win::DWORD read = 0;
    while (win::InternetReadFile(request, piece, sizeof piece, read) && read > 0) reply.append(piece, read);
  }
  win::InternetCloseHandle(session);
  return reply;
}

QByteArray Control(const QString& verb, const QString& target, const QJsonObject& json = {}) {
  return HttpExchange(QUrl(Env("TESTBED_CONTROL_URL")), verb, target,
                      QJsonDocument(json).toJson(QJsonDocument::Compact));
}

QJsonArray Log() { return QJsonDocument::fromJson(Control("GET", "/log?since=0")).array(); }

// The Range headers of the GETs of `path` (decoded), in order.
QStringList Ranges(const QString& path) {
  QStringList ranges;
  for (const QJsonValue& entry : Log()) {
    const QJsonObject e = entry.toObject();
    if (e["method"].toString() == "GET" && e["path"].toString() == path) ranges << e["range"].toString();
  }
  return ranges;
}

// Content that shows a misplaced or missing byte.
QByteArray Pattern(qint64 size) {
  QByteArray bytes(size, '\0');
  for (qint64 i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) % 256);
  return bytes;
}

// The restore program's call-back class: answers go on, or stop at the
// first progress report of a transfer once `stopOnTransfer` is set.
struct MonitorState {
  bool stopOnTransfer = false;
  int transferReports = 0;
};
MonitorState gMonitor;

class FakeMonitor : public win::DispatchObject {
 public:
  const win::MemberTable& Members() const override {
    using A = win::DispatchArgs;
    static const auto table = win::MemberTable::Of<FakeMonitor>(
        "clsMonitor", {{"UpdateMonitor", win::Method, win::Params::ByRef(12).OptionalByRef().OptionalByVal(),
                        [](FakeMonitor&, A& a) {
                          const bool preparing = a.Count() > 12 && a[12].ToInteger() == 1;
                          if (!preparing) ++gMonitor.transferReports;
                          return vb::Variant::FromInteger(!preparing && gMonitor.stopOnTransfer ? 0 : 1);
                        }}});
    return table;
  }
};

class RestoreE2eTest : public EngineTest {
 protected:
  void SetUp() override {
    if (Env("TESTBED_ENV").isEmpty()) GTEST_SKIP() << "not inside testbed/run";
    EngineTest::SetUp();
    ASSERT_TRUE(QDir().mkpath(tmp_.path() + "/D/R"));
    win::DriveTable table;
    table.Map(u'C', tmp_.path());
    table.Map(u'D', tmp_.path() + "/D");
    drives_.reset();
    drives_.emplace(table);
    gMonitor = {};
    monitorClass_.emplace(win::RegisterClassObject({"{4A1B2C3D-5E6F-4711-8899-AABBCCDDEEF0}", kMonitorProgId,
                                                    [] { return std::make_shared<FakeMonitor>(); },
                                                    win::ServerKind::LocalServer, "C:\\Prog\\Restore.exe", {}}));
    Control("POST", "/reset", QJsonObject{{"data", true}});
    clsController controller;
    controller.InitEngine("C:\\Prog", 1, QString(), "OrvaneMac");
    Engine().gsServerName = Env("TESTBED_WEBDAV_HOST");
    Engine().gsUserName = user_;
    Engine().gsPassword = password_;
    ASSERT_TRUE(gWebdavController().Cont_login(user_, password_));

    Served("C/Docs/a.txt", Pattern(5));
    Served("C/Docs/two.bin", Pattern(262144));
    Served("C/Docs/Sub/half.bin", Pattern(196608));
    ASSERT_TRUE(QDir().mkpath(Account("C/Docs/Sub/Empty")));
    Control("DELETE", "/log");
  }
  void TearDown() override {
    monitorClass_.reset();
    EngineTest::TearDown();
  }

  QString Account(const QString& relative) const { return Env("TESTBED_ACCOUNT_ROOT") + "/" + relative; }
  void Served(const QString& relative, const QByteArray& bytes) const {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(Account(relative)).path()));
    QFile f(Account(relative));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ReadOther);
  }
  QString Root() const { return "/users/" + user_ + "/Files/"; }

  // What the facade sets before it takes the WebDAV route, for the items
  // given.
  void PrepareRestore(const QStringList& items) {
    clsController controller;
    controller.SetCommonFlag(false);
    controller.SetInteractiveParam();
    items_ = std::make_shared<vb::Collection>();
    for (const QString& item : items) items_->Add(item);
    controller.Cont_SetRestoreItem(items_, 0);
    EngineState& g = Engine();
    g.gbInteractiveRestore = true;
    gOptions().Opt_WriteInto_TransferLog(QString(), 5);
    gTransfer().Trf_CreateSession("Restore");
    ResetTransferCounters();
    ResetSummaryCounters();
    g.gbNeedTotalSize = true;
    g.gbWebdavRestore = true;
    g.gfStartTime = vb::Timer();
    g.gfStartTimeRsync = g.gfStartTime;
  }
  bool Restore(const QStringList& items, const QString& dest = "D:\\R\\") {
    PrepareRestore(items);
    return gWebdavController().Cont_Restore(dest, false, true, false).ToBoolean();
  }

  QString TransferLog() const {
    const QByteArray bytes = Bytes("Prog/OrvaneMac/OrvaneLogFile.txt");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
  }
  // The messages of the transfer log (after "status : time : ").
  QStringList LogMessages() const {
    QStringList messages;
    for (const QString& line : TransferLog().split("\r\n")) {
      const qsizetype at = line.indexOf(QRegularExpression(" \\d\\d:\\d\\d:\\d\\d : "));
      if (at >= 0) messages << line.mid(at + 12);
    }
    return messages;
  }
  // Every file below the temporary folder, relative to it.
  QStringList LocalFiles() const {
    QStringList files;
    QDirIterator it(tmp_.path(), QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString path = it.next().mid(tmp_.path().size() + 1);
      if (!path.startsWith("Prog/") && !path.startsWith("registry/")) files << path;
    }
    files.sort();
    return files;
  }

  const QString user_ = Env("TESTBED_USER");
  const QString password_ = Env("TESTBED_PASSWORD");
  vb::CollectionPtr items_;
  std::optional<win::ClassRegistration> monitorClass_;
};

TEST_F(RestoreE2eTest, RangesCoverTheFileExactlyOnce) {
  WebDavControl& dav = gWebDavControl();
  Engine().giOsType = 1;
  const QString docs = Root() + "C/Docs/";
  WriteBytes("D/x/a.txt", "an older and longer copy");
  ASSERT_TRUE(dav.HttpDownloadFile(docs + "a.txt", "D:\\x\\", "D:\\x\\a.txt"));
  EXPECT_EQ(Ranges(docs + "a.txt"), QStringList({"bytes=0-4"}));
  EXPECT_EQ(Bytes("D/x/a.txt"), Pattern(5));

  ASSERT_TRUE(dav.HttpDownloadFile(docs + "Sub/half.bin", "D:\\x\\", "D:\\x\\half.bin"));
  EXPECT_EQ(Ranges(docs + "Sub/half.bin"), QStringList({"bytes=0-131071", "bytes=131072-196607"}));
  EXPECT_EQ(Bytes("D/x/half.bin"), Pattern(196608));

  ASSERT_TRUE(dav.HttpDownloadFile(docs + "two.bin", "D:\\x\\", "D:\\x\\two.bin"));
  EXPECT_EQ(Ranges(docs + "two.bin"), QStringList({"bytes=0-131071", "bytes=131072-262143"}));
  EXPECT_EQ(Bytes("D/x/two.bin"), Pattern(262144));

  // A reported size of 0 may be a file of 4 GB: a whole range is asked
  // for, and the server's 416 says the file is empty.
  Served("C/Docs/empty.txt", {});
  ASSERT_TRUE(dav.HttpDownloadFile(docs + "empty.txt", "D:\\x\\", "D:\\x\\empty.txt"));
  EXPECT_EQ(Ranges(docs + "empty.txt"), QStringList({"bytes=0-131071"}));
  EXPECT_TRUE(QFileInfo::exists(Host("D/x/empty.txt")));
  EXPECT_EQ(LocalFiles(), QStringList({"D/x/a.txt", "D/x/empty.txt", "D/x/half.bin", "D/x/two.bin"}));
}

TEST_F(RestoreE2eTest, AFolderIsRestoredBelowTheDestinationAndThenFoundInSync) {
  EXPECT_TRUE(Restore({"D_" + Root() + "C/Docs/"}));
  EXPECT_EQ(LocalFiles(), QStringList({"D/R/Docs/Sub/half.bin", "D/R/Docs/a.txt", "D/R/Docs/two.bin"}));
  EXPECT_EQ(Bytes("D/R/Docs/two.bin"), Pattern(262144));
  EXPECT_EQ(Bytes("D/R/Docs/Sub/half.bin"), Pattern(196608));
  EXPECT_EQ(items_->Count(), 0);
  const QStringList messages = LogMessages();
  EXPECT_TRUE(messages.contains("Restored file My Orvane/C/Docs/Sub/half.bin <To> D:\\R\\Docs\\Sub\\half.bin"))
      << TransferLog().toStdString();
  EXPECT_EQ(messages.mid(messages.size() - 5),
            QStringList({"Checked for incremental restore", "Number of files considered for restore: 3 file(s)",
                         "Number of files found to be in sync: 0 file(s)", "Number of files restored now: 3 file(s)",
                         "Successfully completed restore"}));
  EXPECT_FALSE(Engine().gbWebdavRestore);

  EXPECT_TRUE(Restore({"D_" + Root() + "C/Docs/"}));
  const QStringList again = LogMessages();
  EXPECT_EQ(again.mid(again.size() - 4),
            QStringList({"Number of files considered for restore: 3 file(s)",
                         "Number of files found to be in sync: 3 file(s)", "Number of files restored now: 0 file(s)",
                         "Successfully completed restore"}));
}

TEST_F(RestoreE2eTest, OneFileItemLandsInTheDestinationItself) {
  EXPECT_TRUE(Restore({"F_" + Root() + "C/Docs/Sub/half.bin"}));
  EXPECT_EQ(LocalFiles(), QStringList({"D/R/half.bin"}));
}

TEST_F(RestoreE2eTest, EncryptedItemsFailWithAReasonAndLeaveNothingBehind) {
  Served("C/Docs/ENC.report.doc", Pattern(10));
  gTransfer().Trf_WriteUserProfile("TempFolder", "C:\\Tmp");
  EXPECT_FALSE(Restore({"F_" + Root() + "C/Docs/ENC.report.doc"}));
  EXPECT_TRUE(LocalFiles().isEmpty());
  EXPECT_TRUE(LogMessages().contains("Unable to restore file My Orvane/C/Docs/ENC.report.doc <To> D:\\R\\report.doc "
                                     "Reason:Encrypted files cannot be decrypted by this restore method, restore "
                                     "them with the default options"));
  EXPECT_TRUE(LogMessages().contains(
      "Number of files failed to restore: 1 file(s) (For details check the 'Error:' message in the log messages above.)"));
}

// One fault of the double on the download of two.bin (two ranges) over a
// user's older copy.
struct FaultRow {
  const char* name;
  QJsonObject match;  // added to {"method": "GET", "path": ...}
  QJsonObject fault;
  bool restored;
  QString reason;      // what the failure line's reason starts with
  QStringList ranges;  // the GETs' ranges, when they matter
};

void PrintTo(const FaultRow& row, std::ostream* os) { *os << row.name; }

class DownloadFaults : public RestoreE2eTest, public ::testing::WithParamInterface<FaultRow> {};

std::vector<FaultRow> FaultRows() {
  const QJsonObject second{{"range", "bytes=131072-"}};
  const QStringList retried{"bytes=0-131071", "bytes=131072-262143", "bytes=136072-262143"};
  QStringList sixTimes{"bytes=0-131071"};
  for (int i = 0; i < 6; ++i) sixTimes << "bytes=131072-262143";
  return {
      // A break in the middle of a range: the next request starts where
      // the bytes stopped.
      {"reset_once_is_resumed", second, {{"reset_after", 5000}}, true, "", retried},
      {"short_body_once_is_resumed", second, {{"short_body", 5000}}, true, "", retried},
      // A line that never delivers: five more tries, then the file fails.
      {"reset_every_time", second, {{"reset_after", 0}, {"times", 0}}, false, "", sixTimes},
      {"short_body_every_time", second, {{"short_body", 0}, {"times", 0}}, false, "", sixTimes},
      {"dropped_every_time", second, {{"drop", true}, {"times", 0}}, false, "", {}},
      {"whole_file_for_the_second_range", second, {{"no_range", true}, {"times", 0}}, false, "", sixTimes},
      {"unauthorised_mid_file", second, {{"status", 401}}, false,
       "Authentication failure, your username or password is incorrect.", {"bytes=0-131071", "bytes=131072-262143"}},
      {"forbidden", {}, {{"status", 403}}, false, "Forbidden.", {"bytes=0-131071"}},
      {"not_found", {}, {{"status", 404}}, false, "", {"bytes=0-131071"}},
  };
}

TEST_P(DownloadFaults, LeaveTheUsersFileAsItWasUnlessTheWholeFileArrived) {
  const FaultRow& row = GetParam();
  const QString path = Root() + "C/Docs/two.bin";
  QJsonObject match = row.match;
  match["method"] = "GET";
  match["path"] = path;
  Control("POST", "/faults", QJsonObject{{"match", match}, {"fault", row.fault}});
  WriteBytes("D/R/two.bin", "the user's own copy");

  EXPECT_EQ(Restore({"F_" + path}), row.restored);
  EXPECT_EQ(LocalFiles(), QStringList({"D/R/two.bin"}));
  EXPECT_EQ(Bytes("D/R/two.bin"), row.restored ? Pattern(262144) : QByteArray("the user's own copy"));
  if (!row.ranges.isEmpty()) {
    EXPECT_EQ(Ranges(path), row.ranges);
  }
  const QStringList messages = LogMessages();
  if (row.restored) {
    EXPECT_TRUE(messages.contains("Restored file My Orvane/C/Docs/two.bin <To> D:\\R\\two.bin"));
    EXPECT_TRUE(messages.contains("Successfully completed restore"));
    return;
  }
  const QStringList failed = messages.filter("Unable to restore file My Orvane/C/Docs/two.bin <To> D:\\R\\two.bin Reason:");
  ASSERT_EQ(failed.size(), 1) << TransferLog().toStdString();
  if (!row.reason.isEmpty()) {
    EXPECT_EQ(failed.first().section("Reason:", 1), row.reason);
  }
  EXPECT_TRUE(messages.contains("Number of files restored now: 0 file(s)"));
  EXPECT_TRUE(messages.contains(
      "Number of files failed to restore: 1 file(s) (For details check the 'Error:' message in the log messages above.)"));
  EXPECT_FALSE(Engine().gbCancelled);
}

INSTANTIATE_TEST_SUITE_P(Double, DownloadFaults, ::testing::ValuesIn(FaultRows()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RestoreE2eTest, AHrefThatClimbsOutOfTheFolderIsRefused) {
  const QString docs = Root() + "C/Docs/";
  const QString reply =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<D:multistatus xmlns:D=\"DAV:\" xmlns:lp0=\"DAV:\">\n"
      "<D:response><D:href>" + docs + "</D:href><D:propstat><D:prop>"
      "<lp0:getlastmodified>Tue, 04 Mar 2014 10:15:02 GMT</lp0:getlastmodified><D:quota>5120</D:quota>"
      "<D:used>1</D:used></D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>\n"
      "<D:response><D:href>" + docs + "..%2F..%2Fetc</D:href><D:propstat><D:prop>"
      "<lp0:getlastmodified>Tue, 04 Mar 2014 10:15:02 GMT</lp0:getlastmodified>"
      "<lp0:getcontentlength>5</lp0:getcontentlength></D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat>"
      "</D:response>\n"
      "<D:response><D:href>/users/" + user_ + "/Files/a.txt</D:href><D:propstat><D:prop>"
      "<lp0:getlastmodified>Tue, 04 Mar 2014 10:15:02 GMT</lp0:getlastmodified>"
      "<lp0:getcontentlength>5</lp0:getcontentlength></D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat>"
      "</D:response>\n</D:multistatus>\n";
  Control("POST", "/faults",
          QJsonObject{{"match", QJsonObject{{"method", "PROPFIND"}, {"path", docs}}},
                      {"fault", QJsonObject{{"status", 207}, {"body", reply},
                                            {"content_type", "text/xml; charset=\"utf-8\""}}}});
  Restore({"D_" + docs});
  EXPECT_TRUE(LocalFiles().isEmpty());
  EXPECT_TRUE(Ranges(Root() + "etc").isEmpty());
  const QStringList messages = LogMessages();
  EXPECT_TRUE(messages.contains("Could not restore the file My Orvane/C/Docs/../../etc, Reason : Windows does not "
                                "allow special characters like \\ / : * ? \" > < | in file name"))
      << TransferLog().toStdString();
  EXPECT_TRUE(messages.contains("Number of files considered for restore: 1 file(s)"));
  EXPECT_TRUE(messages.contains("Number of files failed to restore: 1 file(s) (For details check the 'Error:' message "
                                "in the log messages above.)"));
}

TEST_F(RestoreE2eTest, AStopDuringTheDownloadKeepsTheOldFile) {
  WriteBytes("D/R/two.bin", "the user's own copy");
  gMonitor.stopOnTransfer = true;
  Restore({"F_" + Root() + "C/Docs/two.bin"});
  EXPECT_EQ(Bytes("D/R/two.bin"), "the user's own copy");
  EXPECT_EQ(LocalFiles(), QStringList({"D/R/two.bin"}));
  EXPECT_EQ(gWebDavControl().GetDavErr(), "Operation canceled by user");
  const QStringList messages = LogMessages();
  EXPECT_EQ(messages.last(), "Operation Canceled by user.");
  EXPECT_TRUE(messages.filter("two.bin").isEmpty());

  // The download itself answers false with the text without a full stop.
  gMonitor.transferReports = 0;
  Engine().gbCommonFlag = true;
  Engine().gbCancelled = false;
  EXPECT_FALSE(gWebDavControl().HttpDownloadFile(Root() + "C/Docs/two.bin", "D:\\R\\", "D:\\R\\two.bin"));
  EXPECT_EQ(gWebDavControl().GetDavErr(), "Operation canceled by user");
  EXPECT_EQ(gMonitor.transferReports, 1);
  EXPECT_EQ(Bytes("D/R/two.bin"), "the user's own copy");
}


// A user's copy larger than the account's file, whatever the profile's
// temporary folder says: the download goes beside the copy and takes its
// place only whole; nothing is written anywhere else (a file of the same
// name at the drive's root stays the user's), on every road.
struct LargerCopyRow {
  const char* name;
  QString tempFolder;
  QJsonObject fault;  // on the GETs of two.bin
  bool stop;
  bool restored;
};

void PrintTo(const LargerCopyRow& row, std::ostream* os) { *os << row.name; }

class LargerLocalCopy : public RestoreE2eTest, public ::testing::WithParamInterface<LargerCopyRow> {};

TEST_P(LargerLocalCopy, IsReplacedOnlyWholeAndNothingIsWrittenElsewhere) {
  const LargerCopyRow& row = GetParam();
  const QString path = Root() + "C/Docs/two.bin";
  const QByteArray users(300000, 'u');
  WriteBytes("D/R/two.bin", users);
  WriteBytes("two.bin", "the user's own file at the root of C:");
  gTransfer().Trf_WriteUserProfile("TempFolder", row.tempFolder);
  if (!row.fault.isEmpty()) {
    Control("POST", "/faults", QJsonObject{{"match", QJsonObject{{"method", "GET"}, {"path", path}}}, {"fault", row.fault}});
  }
  gMonitor.stopOnTransfer = row.stop;

  const bool result = Restore({"F_" + path});
  if (!row.stop) {
    EXPECT_EQ(result, row.restored);
  }
  EXPECT_EQ(Bytes("D/R/two.bin"), row.restored ? Pattern(262144) : users);
  EXPECT_EQ(Bytes("two.bin"), "the user's own file at the root of C:");
  EXPECT_EQ(LocalFiles(), QStringList({"D/R/two.bin", "two.bin"}));
  EXPECT_FALSE(QFileInfo::exists(Host("Tmp")));
  if (row.restored) {
    EXPECT_TRUE(LogMessages().contains("Restored file My Orvane/C/Docs/two.bin <To> D:\\R\\two.bin"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Double, LargerLocalCopy,
    ::testing::Values(LargerCopyRow{"restored", "", {}, false, true},
                      LargerCopyRow{"restored_with_a_temporary_folder", "C:\\Tmp", {}, false, true},
                      LargerCopyRow{"failed", "", {{"status", 503}, {"times", 0}, {"skip", 1}}, false, false},
                      LargerCopyRow{"stopped_with_a_temporary_folder", "C:\\Tmp", {}, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Sizes the service reports as 32-bit numbers, and a listing that reports
// less than the file holds: the size that counts is the one of the replies
// to the download. Files of 2 GB and more are refused, however the listing
// reported them; the user's larger copy stays.
struct ServerSizeRow {
  const char* name;
  qint64 reported;        // a size override of the double (0: none)
  QJsonArray faults;      // further faults, as POST /faults takes them
  bool restored;
  QStringList ranges;
};

void PrintTo(const ServerSizeRow& row, std::ostream* os) { *os << row.name; }

class ServerSizes : public RestoreE2eTest, public ::testing::WithParamInterface<ServerSizeRow> {};

TEST_P(ServerSizes, AFileIsRestoredOnlyWithTheServersRealSize) {
  const ServerSizeRow& row = GetParam();
  const QString path = Root() + "C/Docs/big.bin";
  Served("C/Docs/big.bin", Pattern(262144));
  if (row.reported) {
    Control("POST", "/state",
            QJsonObject{{"size_overrides", QJsonObject{{user_ + "/Files/C/Docs/big.bin", row.reported}}}});
  }
  for (const QJsonValue& fault : row.faults) Control("POST", "/faults", fault.toObject());
  const QByteArray users(1000, 'u');
  WriteBytes("D/R/big.bin", users);

  EXPECT_EQ(Restore({"F_" + path}), row.restored);
  EXPECT_EQ(Ranges(path), row.ranges);
  EXPECT_EQ(LocalFiles(), QStringList({"D/R/big.bin"}));
  const QStringList messages = LogMessages();
  if (row.restored) {
    EXPECT_EQ(Bytes("D/R/big.bin"), Pattern(262144));
    EXPECT_TRUE(messages.contains("Restored file My Orvane/C/Docs/big.bin <To> D:\\R\\big.bin"));
    return;
  }
  EXPECT_EQ(Bytes("D/R/big.bin"), users);
  EXPECT_TRUE(messages.filter("Restored file").isEmpty());
  EXPECT_FALSE(messages.contains("Successfully completed restore"));
  EXPECT_TRUE(messages.contains("Unable to restore file My Orvane/C/Docs/big.bin <To> D:\\R\\big.bin Reason:Files of "
                                "2GB and higher cannot be restored by this restore method, restore them with the "
                                "default options"))
      << TransferLog().toStdString();
}

std::vector<ServerSizeRow> ServerSizeRows() {
  const QString path = "/users/" + Env("TESTBED_USER") + "/Files/C/Docs/big.bin";
  const QJsonObject listedAsFive{{"match", QJsonObject{{"method", "PROPFIND"}, {"path", path}}},
                                 {"fault", QJsonObject{{"multistatus", QJsonObject{{"set", QJsonObject{{"getcontentlength", "5"}}}}},
                                                       {"times", 0}}}};
  const QJsonObject noSizeScript{{"match", QJsonObject{{"path", "/cgi-bin/return_filesize"}}},
                                 {"fault", QJsonObject{{"drop", true}, {"times", 0}}}};
  const qint64 fourGiB = 4294967296;
  return {
      {"reported_as_five", fourGiB + 5, {}, false, {"bytes=0-4"}},
      {"reported_as_empty", fourGiB, {}, false, {"bytes=0-131071"}},
      {"reported_as_two_ranges", fourGiB + 200000, {}, false, {"bytes=0-131071"}},
      {"negative_without_the_size_script", 3221225472, {noSizeScript}, false, {"bytes=0-131071"}},
      {"listed_smaller_than_it_is", 0, {listedAsFive}, true, {"bytes=0-4", "bytes=5-131076", "bytes=131077-262143"}},
  };
}

INSTANTIATE_TEST_SUITE_P(Double, ServerSizes, ::testing::ValuesIn(ServerSizeRows()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RestoreE2eTest, AReadOnlyFileSaysItMayLackWritePermission) {
  WriteBytes("D/R/two.bin", "the user's read-only copy");
  win::SetAttr("D:\\R\\two.bin", win::FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(Restore({"F_" + Root() + "C/Docs/two.bin"}));
  EXPECT_EQ(Bytes("D/R/two.bin"), "the user's read-only copy");
  EXPECT_EQ(LocalFiles(), QStringList({"D/R/two.bin"}));
  EXPECT_TRUE(LogMessages().contains("Unable to restore file My Orvane/C/Docs/two.bin <To> D:\\R\\two.bin "
                                     "Reason:Path/File access error, destination file/folder might not have write "
                                     "permission"))
      << TransferLog().toStdString();
  // A local failure is not the server's.
  EXPECT_FALSE(Engine().gbRemoteError);
}

TEST_F(RestoreE2eTest, RefusedNamesCountAsFailed) {
  Served("C/Docs/a:b.txt", Pattern(7));
  EXPECT_FALSE(Restore({"D_" + Root() + "C/Docs/"}));
  EXPECT_EQ(LocalFiles(), QStringList({"D/R/Docs/Sub/half.bin", "D/R/Docs/a.txt", "D/R/Docs/two.bin"}));
  const QStringList messages = LogMessages();
  EXPECT_TRUE(messages.contains("Could not restore the file My Orvane/C/Docs/a:b.txt, Reason : Windows does not "
                                "allow special characters like \\ / : * ? \" > < | in file name"));
  EXPECT_EQ(messages.mid(messages.size() - 5),
            QStringList({"Checked for incremental restore", "Number of files considered for restore: 4 file(s)",
                         "Number of files found to be in sync: 0 file(s)", "Number of files restored now: 3 file(s)",
                         "Number of files failed to restore: 1 file(s) (For details check the 'Error:' message in "
                         "the log messages above.)"}))
      << TransferLog().toStdString();
}

// Every failure of the route says why, in the line that reports it.
struct ReasonRow {
  const char* name;
  QString item;         // below the account root, "D_" or "F_" in front
  QString certificate;  // what the double's HTTPS port presents ("" for its good one)
  QJsonObject match;
  QJsonObject fault;
  QString line;    // the reported line up to its reason
  QString reason;
};

void PrintTo(const ReasonRow& row, std::ostream* os) { *os << row.name; }

class FailureReasons : public RestoreE2eTest, public ::testing::WithParamInterface<ReasonRow> {};

TEST_P(FailureReasons, AreNeverEmpty) {
  const ReasonRow& row = GetParam();
  if (!row.certificate.isEmpty()) {
    Control("POST", "/tls", QJsonObject{{"https", row.certificate}});
  } else {
    QJsonObject match = row.match;
    match["path"] = Root() + match["path"].toString();
    Control("POST", "/faults", QJsonObject{{"match", match}, {"fault", row.fault}});
  }
  EXPECT_FALSE(Restore({row.item.left(2) + Root() + row.item.mid(2)}));
  const QStringList lines = LogMessages().filter(row.line);
  ASSERT_EQ(lines.size(), 1) << TransferLog().toStdString();
  EXPECT_EQ(lines.first().mid(row.line.size()), row.reason);
}

std::vector<ReasonRow> ReasonRows() {
  const QString listing = "Error in listing contents for My Orvane/C/Docs/ Reason : ";
  const QString file = "Unable to restore file My Orvane/C/Docs/a.txt <To> D:\\R\\a.txt Reason:";
  const QJsonObject propfindDocs{{"method", "PROPFIND"}, {"path", "C/Docs/"}};
  const QJsonObject getA{{"method", "GET"}, {"path", "C/Docs/a.txt"}};
  const QJsonObject propfindA{{"method", "PROPFIND"}, {"path", "C/Docs/a.txt"}};
  return {
      {"listing_untrusted_certificate", "D_C/Docs/", "unknown-ca", {}, {}, listing,
       "The server's security certificate was issued by an authority that is not trusted."},
      {"file_expired_certificate", "F_C/Docs/a.txt", "expired", {}, {}, file,
       "The server's security certificate has expired or is not yet valid."},
      {"listing_not_implemented", "D_C/Docs/", "", propfindDocs, {{"status", 501}, {"times", 0}}, listing,
       "The Orvane server answered 501 Not Implemented."},
      {"listing_redirected", "D_C/Docs/", "", propfindDocs,
       {{"status", 307}, {"headers", QJsonObject{{"Location", "https://elsewhere.example/"}}}, {"times", 0}}, listing,
       "The Orvane server answered 307 Temporary Redirect."},
      {"download_redirected", "F_C/Docs/a.txt", "", getA,
       {{"status", 302}, {"headers", QJsonObject{{"Location", "https://elsewhere.example/"}}}, {"times", 0}}, file,
       "The Orvane server answered 302 Found."},
      {"file_gone", "F_C/Docs/a.txt", "", getA, {{"status", 404}}, file, "The Orvane server answered 404 Not Found."},
      {"size_not_a_number", "F_C/Docs/a.txt", "", propfindA,
       {{"multistatus", QJsonObject{{"set", QJsonObject{{"getcontentlength", "five"}}}}}, {"times", 0}}, file,
       "Improper or incomplete server response."},
  };
}

INSTANTIATE_TEST_SUITE_P(Double, FailureReasons, ::testing::ValuesIn(ReasonRows()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RestoreE2eTest, NamesCannotForgeLogLines) {
  // A name cannot hold "/", so no date; the line would still read as the
  // engine's own.
  const QString forged = "Success     : Restored file forged";
  Served("C/Docs/x\n" + forged + ".txt", Pattern(3));
  Served("C/Docs/y\n" + forged + "/in.txt", Pattern(3));
  Restore({"D_" + Root() + "C/Docs/"});
  const QString escaped = "\\#012" + forged;
  const QString session = [&] {
    const QByteArray bytes = Bytes("Prog/OrvaneMac/Session/" + Engine().gsSessionFile);
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
  }();
  for (const QString& log : {TransferLog(), session}) {
    QStringList lines = log.split("\r\n");
    lines.removeAll(QString());
    for (const QString& line : lines) {
      EXPECT_TRUE(QRegularExpression("^(\\x{FEFF})?(Information|Success    |Error      ) : \\d\\d/\\d\\d/\\d{4} "
                                     "\\d\\d:\\d\\d:\\d\\d : ")
                      .match(line)
                      .hasMatch())
          << line.toStdString();
    }
    EXPECT_TRUE(log.contains("Could not restore the file My Orvane/C/Docs/x" + escaped + ".txt, Reason :"))
        << log.toStdString();
    EXPECT_TRUE(log.contains("Could not restore the file My Orvane/C/Docs/y" + escaped + "/in.txt, Reason :"));
  }
}

TEST_F(RestoreE2eTest, AStopEndsADownloadTheServerSendsWhole) {
  const QString path = Root() + "C/Docs/big.bin";
  Served("C/Docs/big.bin", Pattern(2 * 1048576));
  WriteBytes("D/R/big.bin", "the user's own copy");
  Control("POST", "/faults",
          QJsonObject{{"match", QJsonObject{{"method", "GET"}, {"path", path}}},
                      {"fault", QJsonObject{{"no_range", true}, {"times", 0}}}});
  Engine().giOsType = 1;
  Engine().gbWebdavRestore = true;
  Engine().gbCommonFlag = true;
  gMonitor.stopOnTransfer = true;
  EXPECT_FALSE(gWebDavControl().HttpDownloadFile(path, "D:\\R\\", "D:\\R\\big.bin"));
  EXPECT_EQ(gWebDavControl().GetDavErr(), "Operation canceled by user");
  // One piece of the body, and the stop.
  EXPECT_EQ(gMonitor.transferReports, 1);
  EXPECT_EQ(Bytes("D/R/big.bin"), "the user's own copy");
  EXPECT_EQ(LocalFiles(), QStringList({"D/R/big.bin"}));
}

}  // namespace
}  // namespace OrvaneSrv
