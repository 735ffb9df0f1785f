// The script client and the remote item operations against the service
// double (reached by the service's host names) and the stock Apache server
// of the test bed. Runs inside testbed/run; exits 77 (skipped) outside it.
#include "ZQwinSrv/server/HttpFunctions.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "ZQwinSrv/facade/clsController.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "ZQwinSrv/server/clsWebdavController.h"
#include "platform/codepage/CodePage.h"
#include "platform/inet/WinInet.h"
#include "testbed/include/TestbedControl.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/objects/DispatchObject.h"
#include "platform/text/UserLocale.h"
#include "platform/ui/RecordingMessageBox.h"
#include "tests/support/QtPrinters.h"

namespace OrvaneSrv {
namespace {

QString Env(const char* name) { return qEnvironmentVariable(name); }

using testbed::Control;

using testbed::Log;

using testbed::Requests;

// A canned reply of the double for the next post to `path`.
void CannedScriptReply(const QString& path, const QString& body, int times = 1) {
  Control("POST", "/faults",
          QJsonObject{{"match", QJsonObject{{"method", "POST"}, {"path", path}}},
                      {"fault", QJsonObject{{"body", body}, {"times", times}}}});
}

// How the double's log shows a secret: the start of its SHA-256 as sent.
QString Secret(const QString& sent) {
  return "<sha256:" + QCryptographicHash::hash(sent.toUtf8(), QCryptographicHash::Sha256).toHex().left(16) + ">";
}

// The restore program's delete window as the bridge calls it.
struct DeleteWindow {
  QStringList items;
  bool cancel = false;
};
DeleteWindow gDeleteWindow;

class FakeMonitor : public win::DispatchObject {
 public:
  const win::MemberTable& Members() const override {
    using A = win::DispatchArgs;
    static const auto table = win::MemberTable::Of<FakeMonitor>(
        "clsMonitor", {
                          {"updateDelProgress", win::Method, win::Params::ByVal(),
                           [](FakeMonitor&, A& a) {
                             gDeleteWindow.items << a[0].ToString();
                             return vb::Variant(gDeleteWindow.cancel);
                           }},
                      });
    return table;
  }
};

class ScriptE2eTest : public EngineTest {
 protected:
  void SetUp() override {
    if (Env("TESTBED_ENV").isEmpty()) GTEST_SKIP() << "not inside testbed/run";
    EngineTest::SetUp();
    Control("POST", "/reset", QJsonObject{{"data", true}});
    gDeleteWindow = {};
    monitor_.emplace(win::RegisterClassObject(
        {"{9B0C61D2-3E4F-4A57-8C19-2D6E7F80A1B3}", kMonitorProgId, [] { return std::make_shared<FakeMonitor>(); },
         win::ServerKind::LocalServer, "C:\\Prog\\OrvaneMacRestore_100.exe", {}}));
    clsController controller;
    controller.InitEngine("C:\\Prog", 1, QString(), "OrvaneMac");
    Engine().gsUserName = user_;
    Engine().gsPassword = password_;
    gTransfer().Trf_WriteUserProfile("UserName", user_);
    gTransfer().Trf_WriteUserProfile(user_, password_, true);
    // The user's servers, looked up through the location script.
    ASSERT_EQ(gTransfer().Trf_ReadUserServerProfile("WEBDAVSERVER", user_), Env("TESTBED_WEBDAV_HOST"));
    ASSERT_EQ(Requests(), QStringList{"POST /cgi-bin/get_location_all_webdav? 200"});
    ASSERT_TRUE(gWebdavController().Cont_login(user_, password_));
    Control("DELETE", "/log");
  }
  void TearDown() override {
    monitor_.reset();
    EngineTest::TearDown();
  }

  QString Root() const { return "/users/" + user_ + "/Files/"; }
  static QString AccountPath(const QString& relative) { return Env("TESTBED_ACCOUNT_ROOT") + "/" + relative; }
  static void MakeFile(const QString& path, const QByteArray& bytes = "x") {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    // The double and the daemon read the tree as other users under root.
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::ReadGroup);
  }

  const QString user_ = Env("TESTBED_USER");
  const QString password_ = Env("TESTBED_PASSWORD");
  std::optional<win::ClassRegistration> monitor_;
  vb::ScopedUserLocale locale_{vb::UserLocale::EnglishUS()};
};

TEST_F(ScriptE2eTest, DeleteRemoteFolderPostsTheFormAndTheFolderIsGone) {
  MakeFile(AccountPath("Photos/2009/a.jpg"));
  MakeFile(AccountPath("Photos/2009/b.jpg"));
  EXPECT_TRUE(gHttpFunctions().DeleteRemoteFolder(Root() + "Photos/2009/"));
  EXPECT_FALSE(QFileInfo::exists(AccountPath("Photos/2009")));
  EXPECT_TRUE(QFileInfo::exists(AccountPath("Photos")));
  EXPECT_EQ(gHttpFunctions().PostData(), "");

  const QJsonArray log = Log();
  ASSERT_EQ(log.size(), 1);
  const QJsonObject post = log.at(0).toObject();
  EXPECT_EQ(post["host"].toString(), Env("TESTBED_WEBDAV_HOST"));
  EXPECT_EQ(post["target"].toString(), "/cgi-bin/delete.cgi");
  // The password goes out encoded, and the double reads it right.
  EXPECT_EQ(post["body"].toString(),
            "user=" + user_ + "&password=" + Secret("Orv%26ne%2B2014") + "&path=Photos/2009/");
  EXPECT_TRUE(post["password_ok"].toBool());
  // The folder's three lines (two files, the folder) reached the delete
  // window: the first line only.
  EXPECT_EQ(gDeleteWindow.items, QStringList{"Deleted " + Root() + "Photos/2009/a.jpg"});
}

TEST_F(ScriptE2eTest, DeleteRemoteFolderForms) {
  MakeFile(AccountPath("Photos/2010/c.jpg"));
  // Both flags: the list form with the path as given.
  EXPECT_TRUE(gHttpFunctions().DeleteRemoteFolder(Root() + "Photos/2010/", true, true));
  EXPECT_FALSE(QFileInfo::exists(AccountPath("Photos/2010")));
  // One flag only: the plain form.
  EXPECT_TRUE(gHttpFunctions().DeleteRemoteFolder(Root() + "Photos/", true, false));
  const QJsonArray log = Log();
  ASSERT_EQ(log.size(), 2);
  EXPECT_EQ(log.at(0).toObject()["target"].toString(), "/cgi-bin/delete_list.cgi");
  EXPECT_TRUE(log.at(0).toObject()["body"].toString().endsWith("&path=" + Root() + "Photos/2010/"));
  EXPECT_EQ(log.at(1).toObject()["target"].toString(), "/cgi-bin/delete.cgi");
  EXPECT_TRUE(log.at(1).toObject()["body"].toString().endsWith("&path=Photos/"));
}

TEST_F(ScriptE2eTest, ADeniedDeleteIsPostedOnceMoreOnTheSameSession) {
  MakeFile(AccountPath("Photos/2009/a.jpg"));
  Engine().gbUseSSL = true;
  const Long session = gWebDavControl().getInternetOpenHandle().ToLong();
  CannedScriptReply("/cgi-bin/delete.cgi", "<html>Cache Access Denied.</html>\n");
  EXPECT_TRUE(gHttpFunctions().DeleteRemoteFolder(Root() + "Photos/2009/"));
  EXPECT_EQ(Requests(), QStringList({"POST /cgi-bin/delete.cgi 200", "POST /cgi-bin/delete.cgi 200"}));
  EXPECT_EQ(Log().at(0).toObject()["body"], Log().at(1).toObject()["body"]);
  EXPECT_FALSE(QFileInfo::exists(AccountPath("Photos/2009")));
  EXPECT_TRUE(Engine().gbUseSSL);
  EXPECT_EQ(gWebDavControl().getInternetOpenHandle().ToLong(), session);
  EXPECT_TRUE(TraceLines().contains("HttpPost -> Cache Access Denied."));
}

TEST_F(ScriptE2eTest, EveryThreeHundredthLineGoesToTheDeleteWindow) {
  QString lines;
  for (int i = 0; i < 700; ++i) lines += QString("Deleted %1file%2.txt\n").arg(Root()).arg(i);
  CannedScriptReply("/cgi-bin/delete.cgi", lines);
  EXPECT_TRUE(gHttpFunctions().DeleteRemoteFolder(Root() + "Media/"));
  const QString prefix = "Deleted " + Root();
  EXPECT_EQ(gDeleteWindow.items,
            QStringList({prefix + "file0.txt", prefix + "file300.txt", prefix + "file600.txt"}));

  // A reply of several pieces: a cancel stops the reading after the piece
  // being walked, and the post still counts as sent.
  QString many;
  for (int i = 0; i < 3000; ++i) many += QString("Deleted %1file%2.txt\n").arg(Root()).arg(i);
  CannedScriptReply("/cgi-bin/delete.cgi", many);
  gDeleteWindow = {};
  EXPECT_TRUE(gHttpFunctions().DeleteRemoteFolder(Root() + "Media/"));
  const int uncancelled = static_cast<int>(gDeleteWindow.items.size());
  CannedScriptReply("/cgi-bin/delete.cgi", many);
  gDeleteWindow = {};
  gDeleteWindow.cancel = true;
  EXPECT_TRUE(gHttpFunctions().DeleteRemoteFolder(Root() + "Media/"));
  EXPECT_GT(uncancelled, static_cast<int>(gDeleteWindow.items.size()));
  EXPECT_EQ(gDeleteWindow.items.first(), prefix + "file0.txt");
  EXPECT_TRUE(QFileInfo::exists(AccountPath("Media")));  // canned: nothing was removed
}

TEST_F(ScriptE2eTest, RefusedAndFailedDeletes) {
  Engine().gsPassword = "wrong";
  EXPECT_FALSE(gHttpFunctions().DeleteRemoteFolder(Root() + "Media/"));
  EXPECT_EQ(gWebDavControl().GetDavErr(), "Invalid account.");
  EXPECT_TRUE(QFileInfo::exists(AccountPath("Media")));

  // Without a line end too.
  Engine().gsPassword = password_;
  CannedScriptReply("/cgi-bin/delete.cgi", "Invalid account.");
  EXPECT_FALSE(gHttpFunctions().DeleteRemoteFolder(Root() + "Media/"));

  // An error page is no answer of the script.
  Control("POST", "/faults",
          QJsonObject{{"match", QJsonObject{{"path", "/cgi-bin/delete.cgi"}}},
                      {"fault", QJsonObject{{"status", 500}, {"body", "Deleted nothing\n"}}}});
  gWebDavControl().dav_seterrorstring("");
  EXPECT_FALSE(gHttpFunctions().DeleteRemoteFolder(Root() + "Media/"));
  EXPECT_FALSE(gWebDavControl().GetDavErr().isEmpty());
  EXPECT_TRUE(QFileInfo::exists(AccountPath("Media")));
}

TEST_F(ScriptE2eTest, RemoteSize) {
  CannedScriptReply("/cgi-bin/compute_size.cgi", "12.50 K\n");
  EXPECT_EQ(gHttpFunctions().GetRemoteSize("", "D_" + Root() + "Documents/"), GetProperSizeValue(12800, false));
  const QJsonObject post = Log().at(0).toObject();
  EXPECT_EQ(post["target"].toString(), "/cgi-bin/compute_size.cgi?");
  EXPECT_EQ(post["body"].toString(), "user=" + user_ + "&pass=" + Secret("Orv%26ne%2B2014") + "&path=Documents/");

  // The double's own answer for a real folder.
  const QString media = gHttpFunctions().GetRemoteSize("", "D_" + Root() + "Media/");
  EXPECT_EQ(media, GetProperSizeValue(qRound((3158073 + 262144) / 1024.0 * 100) / 100.0 * 1024, false));
  EXPECT_TRUE(Log().at(1).toObject()["password_ok"].toBool());

  CannedScriptReply("/cgi-bin/compute_size.cgi", "7 K");
  EXPECT_EQ(gHttpFunctions().GetRemoteSize("", "F_" + Root() + "a.txt"), GetProperSizeValue(7168, false));
  CannedScriptReply("/cgi-bin/compute_size.cgi", "");
  EXPECT_EQ(gHttpFunctions().GetRemoteSize("", "D_" + Root() + "Documents/"), GetProperSizeValue(0, false));
}

TEST_F(ScriptE2eTest, QuotaStatusAndVersioning) {
  const std::int64_t slept = clock_.TotalSleptMs();
  EXPECT_EQ(gHttpFunctions().CheckZqAccountStatus("ZQDiskSpaceUpdate"), 1);
  EXPECT_GE(clock_.TotalSleptMs() - slept, 2000);
  const QJsonObject post = Log().at(0).toObject();
  EXPECT_EQ(post["target"].toString(), "/cgi-bin/recalculate.cgi?");
  EXPECT_EQ(post["host"].toString(), Env("TESTBED_WEBDAV_HOST"));  // the quota server of this account
  EXPECT_EQ(post["body"].toString(), "USER=" + user_ + "&PASSWORD=" + Secret("Orv%26ne%2B2014"));
  EXPECT_TRUE(post["password_ok"].toBool());

  EXPECT_EQ(gHttpFunctions().CheckZqAccountStatus("Read-Write"), 1);
  CannedScriptReply("/cgi-bin/check_status", "N\r\n");
  EXPECT_EQ(gHttpFunctions().CheckZqAccountStatus("Read-Write"), 2);
  EXPECT_EQ(gHttpFunctions().EnableFileVersioning(false), 1);
  EXPECT_EQ(QJsonDocument::fromJson(Control("GET", "/state"))["accounts"][user_]["snapshots_shown"].toBool(), false);
  EXPECT_EQ(gHttpFunctions().EnableFileVersioning(true), 1);
  EXPECT_EQ(Requests().mid(1), QStringList({"POST /cgi-bin/check_status? 200", "POST /cgi-bin/check_status? 200",
                                            "POST /cgi-bin/disable_snapshots 200",
                                            "POST /cgi-bin/enable_snapshots 200"}));
  EXPECT_EQ(gHttpFunctions().PostData(), "");
}

TEST_F(ScriptE2eTest, SendEmailPostsTheMailForm) {
  EXPECT_TRUE(gHttpFunctions().SendEmail("a@example.org;b@example.org", "Restore: 2 files", "line 1\r\nA=B & more",
                                         "marta.kowalski@example.org"));
  const QJsonArray mails = QJsonDocument::fromJson(Control("GET", "/mails")).array();
  ASSERT_EQ(mails.size(), 1);
  EXPECT_EQ(mails.at(0)["script"].toString(), "/cgi-bin/Notify_unicode");
  const QJsonObject fields = mails.at(0)["fields"].toObject();
  EXPECT_EQ(fields["EMAIL"].toString(), "a@example.orgb@example.org");
  EXPECT_EQ(fields["SUBJECT"].toString(), "Restore: 2 files");
  EXPECT_EQ(fields["CONTENT"].toString(), "line 1\r\nA=B & more");
  EXPECT_EQ(fields["user_email"].toString(), "marta.kowalski@example.org");

  EXPECT_TRUE(gHttpFunctions().SendEmail("a@example.org", "Hi", "text"));
  EXPECT_EQ(Log().last().toObject()["target"].toString(), "/cgi-bin/Notify_email");
}

TEST_F(ScriptE2eTest, AccountRootIsNeverDeleted) {
  win::RecordingMessageBox box;
  for (const QString& path : {Root(), Root().chopped(1)}) {
    Long status = 0;
    EXPECT_FALSE(gWebDavControl().Deleteitem(path, status));
    EXPECT_EQ(status, 18);
    ASSERT_FALSE(box.Shown().empty());
    EXPECT_EQ(box.Shown().back().text, "Unable to delete " + path);
  }
  EXPECT_TRUE(Log().isEmpty());

  Long status = 0;
  EXPECT_TRUE(gWebDavControl().Deleteitem(Root() + "c.txt", status));
  EXPECT_EQ(status, 204);
  EXPECT_FALSE(gWebDavControl().Deleteitem(Root() + "c.txt", status));
  EXPECT_EQ(status, 404);
}

TEST_F(ScriptE2eTest, FoldersQuotaAndMoves) {
  WebDavControl& dav = gWebDavControl();
  // The session a script post re-opened: the first MKCOL meets the closed
  // connection, the second goes out.
  QString status;
  (void)gHttpFunctions().HttpPostGet(Env("TESTBED_LOOKUP_HOST"), "/cgi-bin/get_location_all_webdav?", "user=x", 3,
                                     status);
  EXPECT_TRUE(dav.CreateDirectory(Root() + "New folder/"));
  EXPECT_TRUE(QFileInfo(AccountPath("New folder")).isDir());
  dav.dav_seterrorstring("");
  EXPECT_TRUE(dav.CreateDirectory(Root() + "Documents/"));
  EXPECT_EQ(dav.GetDavErr(), "");
  EXPECT_FALSE(dav.CreateDirectory(Root() + "no/such/"));
  EXPECT_EQ(dav.GetDavErr(), "One or more intermediate collections have to be created.");

  const QJsonObject state = QJsonDocument::fromJson(Control("GET", "/state"))["accounts"][user_].toObject();
  const qint64 usedMb = (static_cast<qint64>(state["used"].toDouble()) + 1048575) / 1048576;
  EXPECT_EQ(dav.GetQuotaInfo(), QString::number(usedMb) + "/5120");

  EXPECT_TRUE(dav.RenameItem(Root() + "a.txt", "users/" + user_ + "/Files/New folder/a moved.txt"));
  EXPECT_TRUE(QFileInfo::exists(AccountPath("New folder/a moved.txt")));
  EXPECT_FALSE(dav.RenameItem(Root() + "B.txt", Root() + "c.txt"));  // no overwriting
  EXPECT_EQ(dav.GetDavErr(), "The name specified already exists in the same folder.");
  EXPECT_TRUE(dav.copyitem(Root() + "B.txt", Root() + "New folder/B #2.txt"));
  EXPECT_TRUE(QFileInfo::exists(AccountPath("New folder/B #2.txt")));
  EXPECT_FALSE(dav.copyitem(Root() + "B.txt", Root() + "c.txt"));
}

TEST_F(ScriptE2eTest, MoveOnTheStockServer) {
  const QUrl apache(Env("TESTBED_APACHE_URL"));
  WebDavControl& dav = gWebDavControl();
  ASSERT_TRUE(dav.OpenConnection(apache.host(), QString::number(apache.port()), user_, password_));
  const QString root = Env("TESTBED_APACHE_ROOT") + "/users/" + user_ + "/Files/";
  ASSERT_TRUE(QFileInfo::exists(root + "readme.txt"));
  EXPECT_TRUE(dav.RenameItem(Root() + "readme.txt", Root() + "Documents/read me.txt"));
  EXPECT_TRUE(QFileInfo::exists(root + "Documents/read me.txt"));
  EXPECT_FALSE(QFileInfo::exists(root + "readme.txt"));
  // Put it back for the other tests of this instance.
  EXPECT_TRUE(dav.RenameItem(Root() + "Documents/read me.txt", Root() + "readme.txt"));
}

TEST_F(ScriptE2eTest, Probes) {
  WebDavControl& dav = gWebDavControl();
  EXPECT_EQ(dav.GetVersionInfo(), 100);
  EXPECT_EQ(gHttpFunctions().HttpGet("https://" + Env("TESTBED_WEBDAV_HOST") + "/cgi-bin/zqwinversion"), "100");
  EXPECT_EQ(dav.GetChunkSize(Root() + "Media/two ranges.bin"), "131072");
  EXPECT_FALSE(dav.bChecklocremchksumval("abc", 1));  // no checksum library here
  EXPECT_EQ(dav.GetChunkSize(Root() + "Media/"), "");
  EXPECT_EQ(Log().last().toObject()["body"].toString().contains("<a:checksum/>"), true);

  // No WebDAV server known for the user: nothing is opened.
  Engine().gsUserName = "nobody";
  const qsizetype before = Log().size();
  EXPECT_EQ(dav.GetVersionInfo(), 0);
  EXPECT_EQ(Log().size(), before + 1);  // the location lookup only
}

TEST_F(ScriptE2eTest, SearchWritesTheResultFile) {
  const QString term = QString::fromUtf8(" r\xc3\xa9sum\xc3\xa9 & ");
  EXPECT_TRUE(gHttpFunctions().SearchRemoteItem(term).IsEmpty());
  const QJsonObject post = Log().at(0).toObject();
  EXPECT_EQ(post["host"].toString(), Env("TESTBED_SEARCH_HOST_FIRST"));
  EXPECT_EQ(post["body"].toString(), "user=" + user_ + "&term=r%E9sum%E9%20%26");
  const QString result = win::FromAnsi(Bytes("Prog/OrvaneMac/OrvaneSearchResult.txt"));
  EXPECT_TRUE(result.contains(QString::fromUtf8(" Documents/Letters/2009/r\xc3\xa9sum\xc3\xa9 & notes.txt\n")))
      << result.toStdString();
  EXPECT_EQ(result.count('\n'), 1);
}

TEST_F(ScriptE2eTest, HttpPostGetPortsAndErrorPages) {
  const QString lookup = Env("TESTBED_LOOKUP_HOST");
  const QString script = "/cgi-bin/get_location_all_webdav?";
  Control("POST", "/faults",
          QJsonObject{{"match", QJsonObject{{"path", "/cgi-bin/get_location_all_webdav"}}},
                      {"fault", QJsonObject{{"status", 503}, {"body", "a b c d e"}}}});
  QString status;
  EXPECT_EQ(gHttpFunctions().HttpPostGet(lookup, script, "user=" + user_, 3, status), "");
  EXPECT_EQ(status, "");
  const QString servers = gHttpFunctions().HttpPostGet(lookup, script, "user=" + user_, 3, status);
  EXPECT_TRUE(servers.endsWith(Env("TESTBED_WEBDAV_HOST")));
  // Port 80 and 11900 get the secure post too; only method 3 reads.
  EXPECT_EQ(gHttpFunctions().HttpPostGet(lookup, script, "user=" + user_, 3, status, 2), servers);
  EXPECT_EQ(gHttpFunctions().HttpPostGet(lookup, script, "user=" + user_, 2, status, 1), "");
  QStringList ports;
  for (const QJsonValue& entry : Log()) ports << entry.toObject()["port"].toString();
  EXPECT_EQ(ports, QStringList({"https", "https", "http-tls", "http-tls"}));
  EXPECT_TRUE(Engine().gbUseSSL);

  CannedScriptReply("/cgi-bin/get_location_all_webdav", "<h1>cache access denied.</h1>");
  EXPECT_EQ(gHttpFunctions().HttpPostGet(lookup, script, "user=" + user_, 3, status), "<h1>cache access denied.</h1>");
  EXPECT_EQ(status, "Cache Access Denied.");
  // Passed back: the session goes direct and without SSL.
  EXPECT_EQ(gHttpFunctions().HttpPostGet(lookup, script, "user=" + user_, 3, status), servers);
  EXPECT_FALSE(Engine().gbUseSSL);
}

TEST_F(ScriptE2eTest, ScriptPostsTimeOutOnSilence) {
  const ScriptTimeouts previous = HttpFunctions::SetScriptTimeouts({60000, 1000, 1000});
  Control("POST", "/faults",
          QJsonObject{{"match", QJsonObject{{"path", "/cgi-bin/compute_size.cgi"}}},
                      {"fault", QJsonObject{{"hang", 5}, {"times", 0}}}});
  QElapsedTimer timer;
  timer.start();
  EXPECT_EQ(gHttpFunctions().GetRemoteSize("", "D_" + Root() + "Media/"), GetProperSizeValue(0, false));
  EXPECT_LT(timer.elapsed(), 4500);
  EXPECT_EQ(gWebDavControl().GetDavErr(), "The request has timed out.");
  HttpFunctions::SetScriptTimeouts(previous);
  Control("DELETE", "/faults");
}

}  // namespace
}  // namespace OrvaneSrv
