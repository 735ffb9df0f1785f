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
#include "platform/inet/WinInet.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/objects/DispatchObject.h"

void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

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
  EXPECT_TRUE(messages.contains("Number of files considered for restore: 0 file(s)"));
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

}  // namespace
}  // namespace OrvaneSrv

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("TESTBED_ENV")) {
    std::puts("WebDavRestore_e2e_test: not inside testbed/run, skipped");
    return 77;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
