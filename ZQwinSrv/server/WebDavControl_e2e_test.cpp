// The WebDAV client against the service double (reached by the service's
// host names) and the stock Apache server of the test bed. Runs inside
// testbed/run; exits 77 (skipped) outside it.
#include "ZQwinSrv/server/WebDavControl.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdio>

#include "ZQwinSrv/facade/clsController.h"
#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/Util.h"
#include "ZQwinSrv/server/clsWebdavController.h"
#include "platform/files/FileAttributes.h"
#include "platform/inet/WinInet.h"
#include "testbed/include/TestbedControl.h"
#include "tests/support/QtPrinters.h"

namespace OrvaneSrv {
namespace {

const QString kDate = "Tue, 04 Mar 2014 10:15:02 GMT";

QString Env(const char* name) { return qEnvironmentVariable(name); }

using testbed::Control;

using testbed::Log;

using testbed::Requests;

// A canned reply of the double for the next PROPFIND of `path`.
void CannedListing(const QString& path, const QString& body) {
  Control("POST", "/faults",
          QJsonObject{{"match", QJsonObject{{"method", "PROPFIND"}, {"path", path}}},
                      {"fault", QJsonObject{{"status", 207}, {"body", body},
                                            {"content_type", "text/xml; charset=\"utf-8\""}}}});
}

class WebDavE2eTest : public EngineTest {
 protected:
  void SetUp() override {
    if (Env("TESTBED_ENV").isEmpty()) GTEST_SKIP() << "not inside testbed/run";
    EngineTest::SetUp();
    Control("POST", "/reset");
    clsController controller;
    controller.InitEngine("C:\\Prog", 1, QString(), "OrvaneMac");
    Engine().gsServerName = Env("TESTBED_WEBDAV_HOST");
    // What the rsync side's sign-in leaves for the reconnect.
    Engine().gsUserName = user_;
    Engine().gsPassword = password_;
    ASSERT_TRUE(gWebdavController().Cont_login(user_, password_));
  }

  static QStringList Texts(const vb::CollectionPtr& collection) {
    QStringList texts;
    for (const vb::Variant& item : *collection) texts << item.ToString();
    return texts;
  }
  // Field `n` (Util.GetInfoFromKey numbering) of every key of a collection.
  static QStringList Fields(const QStringList& keys, Integer n) {
    QStringList fields;
    Util util;
    for (const QString& key : keys) fields << util.GetInfoFromKey(n, key);
    return fields;
  }
  static QStringList EnumItems() { return Texts(Items(Engine().gcolEnumItems)); }
  QString TransferLog() const {
    const QByteArray bytes = Bytes("Prog/OrvaneMac/OrvaneLogFile.txt");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
  }
  QString Root() const { return "/users/" + user_ + "/Files/"; }
  qint64 SizeOnDisk(const QString& relative) const {
    return QFileInfo(Env("TESTBED_ACCOUNT_ROOT") + "/" + relative).size();
  }

  // Re-opens the engine's internet session and posts one form on it, as
  // every script post does.
  void ScriptPostReopensTheSession() {
    WebDavControl& dav = gWebDavControl();
    ASSERT_TRUE(dav.hInternetOpen("ZQWin WebDAV Client", 1, QString(), QString(), "0"));
    const auto session = reinterpret_cast<win::HINTERNET>(static_cast<std::uintptr_t>(dav.getInternetOpenHandle().ToLong()));
    win::HINTERNET connection = win::InternetConnect(session, CurrentServiceHosts().sLookupHost, 443, {}, {},
                                                     win::INTERNET_SERVICE_HTTP, 0);
    win::HINTERNET request = win::HttpOpenRequest(connection, "POST", "/cgi-bin/get_account_status?", "HTTP/1.0", {},
                                                  {}, 0x80800000);
    ASSERT_TRUE(win::HttpAddRequestHeaders(request, "Content-Type: application/x-www-form-urlencoded\r\n", -1,
                                           0xa0000000));
    ASSERT_TRUE(win::HttpSendRequest(request, {}, 0, "user=" + user_.toUtf8() + "&password=x"));
    win::InternetCloseHandle(connection);
  }

  const QString user_ = Env("TESTBED_USER");
  const QString password_ = Env("TESTBED_PASSWORD");
};

TEST_F(WebDavE2eTest, InteractiveSignInOpensTheConnectionAndSendsNothing) {
  EXPECT_NE(gWebDavControl().getInternetOpenHandle().ToLong(), 0);
  EXPECT_EQ(Engine().gsWebdavPort, "443");
  EXPECT_EQ(Engine().glSecureFlags, 0x800000);
  EXPECT_EQ(Engine().gsAccountRoot, Root());
  // A wrong password is not noticed at sign-in either.
  EXPECT_TRUE(gWebdavController().Cont_login(user_, "wrong"));
  EXPECT_TRUE(Log().isEmpty());
}

TEST_F(WebDavE2eTest, UnattendedSignInChecksThePasswordTwice) {
  Engine().giMode = 0;
  EXPECT_FALSE(gWebdavController().Cont_login(user_, "wrong"));
  const QString propfind = "PROPFIND " + Root() + " ";
  EXPECT_EQ(Requests(), QStringList({propfind + "401", propfind + "401"}));
  EXPECT_EQ(gWebDavControl().GetDavErr(),
            "Either password has been changed or '" + user_ +
                "' account is canceled/expired.\r\nClick scheduler from main screen to update password or contact "
                "support@orvane.example.");

  Control("DELETE", "/log");
  EXPECT_TRUE(gWebdavController().Cont_login(user_, password_));
  EXPECT_EQ(Requests(), QStringList({propfind + "207"}));
}

TEST_F(WebDavE2eTest, RootListingGivesFoldersThenSortedFilesAndTheSnapshotsApart) {
  Engine().gbListingAtRoot = true;
  ASSERT_TRUE(gWebDavControl().HttpEnumDirectory(Root()));
  const QStringList items = EnumItems();
  const QString r = Root();
  EXPECT_EQ(Fields(items, 3),
            QStringList({r + "Documents/", r + "Encrypted_Data/", r + "Media/", r + "Projects/",
                         r + QString::fromUtf8("\xc5\x81\xc3\xb3""d\xc5\xba stra\xc3\x9f""e/"), r + "a.txt",
                         r + "B.txt", r + "c.txt", r + "empty.txt", r + "Huge archive.iso", r + "photos.zip",
                         r + "readme.txt"}));
  EXPECT_EQ(Fields(Texts(Items(Engine().gcolEnumSnapshots)), 3),
            QStringList({r + "BackUp_nightly.1/", r + "BackUp_nightly.3/"}));

  // The whole key of a file and of a folder.
  const QString a = items.at(5);
  const QStringList parts = a.split('>');
  ASSERT_EQ(parts.size(), 5);
  EXPECT_EQ(parts.mid(1), QStringList({kDate, QString::number(SizeOnDisk("a.txt")), r + "a.txt", r + "a.txt"}));
  EXPECT_EQ(items.at(4).split('>').mid(2),
            QStringList({"4096", r + QString::fromUtf8("\xc5\x81\xc3\xb3""d\xc5\xba stra\xc3\x9f""e/"),
                         r + "%C5%81%C3%B3d%C5%BA%20stra%C3%9Fe/"}));
  // A file of 3 GB, reported as a negative 32-bit size, is sized by the
  // size script.
  EXPECT_EQ(Fields(items, 2).at(9), "3221225472");
  EXPECT_EQ(gWebDavControl().QuotaText(), "5120");  // the service gives megabytes

  // One PROPFIND as the service's clients send it, and the size script.
  const QJsonArray log = Log();
  ASSERT_EQ(log.size(), 2);
  const QJsonObject propfind = log.at(0).toObject();
  EXPECT_EQ(propfind["target"].toString(), r);
  EXPECT_TRUE(propfind["auth"].toObject()["ok"].toBool());
  EXPECT_EQ(propfind["body"].toString(),
            "<?xml version='1.0'?><a:propfind xmlns:a='DAV:'><a:prop xmlns:R=\"" + Engine().gsServerName + r +
                "\" ><a:getcontentlength/><a:getlastmodified/><a:quota/><a:used/></a:prop></a:propfind>");
  int authorizations = 0;
  QStringList names;
  for (const QJsonValue& header : propfind["headers"].toArray()) {
    names << header.toArray().at(0).toString();
    if (header.toArray().at(0).toString().compare("Authorization", Qt::CaseInsensitive) == 0) ++authorizations;
  }
  EXPECT_EQ(authorizations, 1);
  EXPECT_TRUE(names.contains("Depth") && names.contains("Translate") && names.contains("Content-Type"));
  EXPECT_EQ(log.at(1).toObject()["target"].toString(),
            "/cgi-bin/return_filesize?filepath=/" + user_ + "/Files/Huge%20archive.iso&test=1");
}

TEST_F(WebDavE2eTest, NamesWithEscapesAreRequestedAndDecodedWhole) {
  const QString reports = Root() + "Documents/Reports #1/";
  ASSERT_TRUE(gWebDavControl().HttpEnumDirectory(reports));
  EXPECT_EQ(Requests().at(0), "PROPFIND /users/" + user_ + "/Files/Documents/Reports%20%231/ 207");
  EXPECT_EQ(Fields(EnumItems(), 3), QStringList({reports + "a+b=c.txt", reports + "Q1 100% done.txt"}));
  EXPECT_EQ(Fields(EnumItems(), 5).at(1), Root() + "Documents/Reports%20%231/Q1%20100%25%20done.txt");

  const QString letters = Root() + "Documents/Letters/";
  ASSERT_TRUE(gWebDavControl().HttpEnumDirectory(letters));
  EXPECT_EQ(Fields(EnumItems(), 3),
            QStringList({letters + "2009/", letters + QString::fromUtf8("\xc3\x9cn\xc3\xaf""c\xc3\xb6""d\xc3\xa9 "
                                                                        "\xe6\x97\xa5\xe6\x9c\xac.txt")}));
}

TEST_F(WebDavE2eTest, AListingAfterASessionReopenReconnectsAndSucceeds) {
  ASSERT_TRUE(gWebDavControl().HttpEnumDirectory(Root() + "Media/"));
  ScriptPostReopensTheSession();
  ASSERT_TRUE(gWebDavControl().HttpEnumDirectory(Root() + "Media/"));
  // The first attempt failed on the closed connection before anything was
  // sent; the second went out on the fresh one.
  const QString media = "PROPFIND /users/" + user_ + "/Files/Media/ 207";
  EXPECT_EQ(Requests(), QStringList({media, "POST /cgi-bin/get_account_status? 200", media}));
  EXPECT_EQ(EnumItems().size(), 2);

  // What the listing met: the request on the closed connection is not even
  // opened (6), and the reconnect it runs serves the next one.
  ScriptPostReopensTheSession();
  EXPECT_EQ(gWebDavControl().HttpProcessCalls("GET", Root() + "a.txt", false, true), 6);
  EXPECT_EQ(gWebDavControl().HttpProcessCalls("GET", Root() + "a.txt", false, true), 200);

  // The file size has no second attempt: it fails at once, and the
  // connection it re-opened serves the next one.
  ScriptPostReopensTheSession();
  EXPECT_EQ(gWebDavControl().GetFileSize(Root() + "a.txt"), -1);
  EXPECT_EQ(gWebDavControl().GetFileSize(Root() + "a.txt"), SizeOnDisk("a.txt"));
}

TEST_F(WebDavE2eTest, FileSizes) {
  WebDavControl& dav = gWebDavControl();
  EXPECT_EQ(dav.GetFileSize(Root() + "Media/two ranges.bin"), 262144);
  EXPECT_EQ(dav.CompSize(), 262144);
  EXPECT_EQ(dav.GetFileSize(Root() + "Documents/"), 0);
  EXPECT_EQ(dav.GetFileSize(Root() + "Huge archive.iso"), -1073741824);
  EXPECT_EQ(dav.GetFileSize(Root() + "nothing.txt"), -1);
  // A zip file: its members' size, and its stored size in CompSize.
  const qint64 unpacked = dav.GetFileSize(Root() + "photos.zip", true);
  EXPECT_GT(unpacked, 0);
  EXPECT_EQ(dav.CompSize(), SizeOnDisk("photos.zip"));
  EXPECT_TRUE(Log().last().toObject()["body"].toString().contains("<a:zipfilelist/>"));
}

TEST_F(WebDavE2eTest, AFailedFolderListingMarksTheRemoteError) {
  gWebDavControl().ListRemoteDirContent(Root() + "nothere/");
  EXPECT_TRUE(Engine().gbRemoteError);
  const QString propfind = "PROPFIND " + Root() + "nothere/ 404";
  EXPECT_EQ(Requests(), QStringList({propfind, propfind}));
  EXPECT_TRUE(TransferLog().contains(
      ": Error in listing contents for My Orvane/nothere/ Reason : The Orvane server answered 404 Not Found.\r\n"));
  // The status texts themselves stay empty for the sign-in to tell.
  EXPECT_EQ(gWebDavControl().GetDavErr(), "");
  EXPECT_TRUE(Texts(Items(Engine().gcolRemoteDirContent)).isEmpty());

  Engine().gbRemoteError = false;
  gWebDavControl().ListRemoteDirContent(Root() + "Projects/alpha/");
  EXPECT_FALSE(Engine().gbRemoteError);
  EXPECT_EQ(Texts(Items(Engine().gcolRemoteDirContent)), QStringList({"D_" + Root() + "Projects/alpha/beta/"}));
}

TEST_F(WebDavE2eTest, TheQuotaFullFlagFollowsTheServersQuota) {
  const qint64 total = 5368709120;  // the sample account's 5 GB, reported in megabytes
  struct Row {
    qint64 used;
    bool interactive;
    bool failing;  // the quota's PROPFIND answers 500
    bool full;
  };
  const Row rows[] = {{total - 2 * 1048576, true, false, false}, {total, true, false, true},
                      {total + 1048576, true, false, true},      {total, false, false, false},
                      {total, true, true, false}};
  for (const Row& row : rows) {
    Control("POST", "/reset");
    Control("POST", "/state", QJsonObject{{"user", user_}, {"used", row.used}});
    if (row.failing) {
      Control("POST", "/faults",
              QJsonObject{{"match", QJsonObject{{"method", "PROPFIND"}}}, {"fault", QJsonObject{{"status", 500}, {"times", 0}}}});
    }
    Engine().gbInteractiveRestore = row.interactive;
    Engine().gbQuotaFull = !row.full;
    gTransfer().Trf_UpdateTessaraDiskInfo();
    EXPECT_EQ(Engine().gbQuotaFull, row.full) << row.used << " " << row.interactive << " " << row.failing;
    // Outside a restore nothing is asked.
    if (!row.interactive) {
      EXPECT_TRUE(Requests().isEmpty());
    }
  }
}

TEST_F(WebDavE2eTest, AWrongPasswordFailsTheFirstListing) {
  ASSERT_TRUE(gWebdavController().Cont_login(user_, "wrong"));
  EXPECT_FALSE(gWebDavControl().HttpEnumDirectory(Root()));
  // The restore program's mode leaves the text empty and shows its own.
  EXPECT_EQ(gWebDavControl().GetDavErr(), "");
  EXPECT_EQ(Requests(), QStringList({"PROPFIND " + Root() + " 401", "PROPFIND " + Root() + " 401"}));
}

TEST_F(WebDavE2eTest, ADroppedRequestIsResentOnceAndThenReconnected) {
  const QString media = Root() + "Media/";
  const auto dropPropfinds = [&](int times) {
    Control("POST", "/faults",
            QJsonObject{{"match", QJsonObject{{"method", "PROPFIND"}, {"path", media}}},
                        {"fault", QJsonObject{{"drop", true}, {"times", times}}}});
  };
  dropPropfinds(1);
  ASSERT_TRUE(gWebDavControl().HttpEnumDirectory(media));
  EXPECT_EQ(TraceLines().filter("Successful after reattempt for HttpSendRequest : ").size(), 1);

  // Every send fails (both sends of both attempts): the listing fails with
  // the internet library's text of the failure.
  dropPropfinds(0);
  EXPECT_FALSE(gWebDavControl().HttpEnumDirectory(media));
  const QStringList failed = TraceLines().filter("Error after reattempt for HttpSendRequest : ");
  ASSERT_EQ(failed.size(), 2);
  const Long code = failed.last().section(": ", 1).toInt();
  EXPECT_GT(code, 12000);
  EXPECT_EQ(gWebDavControl().GetDavErr(), gWebDavControl().ErrorOut(code, "PROPFIND"));
  EXPECT_FALSE(gWebDavControl().GetDavErr().isEmpty());
  // The connection was opened again: the next listing goes through.
  Control("DELETE", "/faults");
  EXPECT_TRUE(gWebDavControl().HttpEnumDirectory(media));
}

TEST_F(WebDavE2eTest, AnUnchangedFileNeedsNoSending) {
  WriteBytes("a.txt", QByteArray(SizeOnDisk("a.txt"), 'x'));
  win::SetAttr("C:\\a.txt", 0);
  Engine().giOsType = 1;
  clsWebdavController controller;
  EXPECT_FALSE(controller.Cont_CheckForIncrementalBackup("C:\\a.txt", Root() + "a.txt"));
  EXPECT_EQ(Engine().gdDownloadedBytes, SizeOnDisk("a.txt"));
  WriteBytes("a.txt", "longer than the remote file, surely");
  win::SetAttr("C:\\a.txt", 0);
  EXPECT_TRUE(controller.Cont_CheckForIncrementalBackup("C:\\a.txt", Root() + "a.txt"));
}

// Replies edited the way servers get them wrong. Each row is a canned reply
// of the double for the listing of Documents/.
struct EditedReply {
  const char* name;
  QString body;
  bool result;
  QString errorText;
  QStringList paths;  // field 3 of the keys, below Documents/
};

void PrintTo(const EditedReply& row, std::ostream* os) { *os << row.name; }

class EditedReplies : public WebDavE2eTest, public ::testing::WithParamInterface<EditedReply> {};

QString Response(const QString& href, const QString& props) {
  return "<D:response><D:href>" + href + "</D:href><D:propstat><D:prop>" + props +
         "</D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>\n";
}
QString Folder(const QString& href) {
  return Response(href, "<lp0:getlastmodified>" + kDate + "</lp0:getlastmodified>"
                        "<D:quota>5368709120</D:quota><D:used>1048576</D:used>");
}
QString File(const QString& href) {
  return Response(href, "<lp0:getlastmodified>" + kDate + "</lp0:getlastmodified>"
                        "<lp0:getcontentlength>12</lp0:getcontentlength>");
}
QString Multistatus(const QString& responses) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<D:multistatus xmlns:D=\"DAV:\" xmlns:lp0=\"DAV:\">\n" +
         responses + "</D:multistatus>\n";
}

std::vector<EditedReply> EditedRows() {
  const QString docs = "/users/" + Env("TESTBED_USER") + "/Files/Documents/";
  const QString url = "https://" + Env("TESTBED_WEBDAV_HOST");
  return {
      {"no_getlastmodified",
       Multistatus(Folder(docs) + Folder(docs + "Letters/") +
                   Response(docs + "x.txt", "<lp0:getcontentlength>1</lp0:getcontentlength>")),
       false, "", {"Letters/"}},
      {"full_url_hrefs", Multistatus(Folder(url + docs) + Folder(url + docs + "Letters/") + File(url + docs + "a%20b.txt")),
       true, "", {"Letters/", "a b.txt"}},
      {"out_of_order", Multistatus(File(docs + "z.txt") + Folder(docs + "Letters/") + File(docs + "b.txt") + Folder(docs)),
       true, "", {"Letters/", "b.txt", "z.txt"}},
      {"malformed_element", Multistatus(Folder(docs) + "<D:response><D:href>" + docs + "a.txt</D:hre></D:response>"),
       false, "Improper or incomplete server response.", {}},
      {"cut_short", Multistatus(Folder(docs) + File(docs + "a.txt")).left(200), false,
       "Improper or incomplete server response.", {}},
  };
}

TEST_P(EditedReplies, GiveTheListingsAnswerAndNeverACrash) {
  const EditedReply& row = GetParam();
  const QString docs = Root() + "Documents/";
  CannedListing(docs, row.body);
  gWebDavControl().dav_seterrorstring("");
  EXPECT_EQ(gWebDavControl().HttpEnumDirectory(docs), row.result);
  EXPECT_EQ(gWebDavControl().GetDavErr(), row.errorText);
  QStringList paths;
  for (const QString& path : Fields(EnumItems(), 3)) paths << path.mid(docs.size());
  EXPECT_EQ(paths, row.paths);
}

INSTANTIATE_TEST_SUITE_P(Double, EditedReplies, ::testing::ValuesIn(EditedRows()),
                         [](const auto& info) { return std::string(info.param.name); });

// The stock server: other prefixes, lower-case escapes, no quota.
TEST_F(WebDavE2eTest, TheStockServerListsTheSameFoldersAlike) {
  const QUrl apache(Env("TESTBED_APACHE_URL"));
  for (const QString& folder : {QString("Documents/"), QString("Documents/Letters/2009/"),
                                QString("Documents/Reports #1/"), QString("Media/")}) {
    WebDavControl& dav = gWebDavControl();
    ASSERT_TRUE(dav.OpenConnection(Env("TESTBED_WEBDAV_HOST"), "443", user_, password_));
    ASSERT_TRUE(dav.HttpEnumDirectory(Root() + folder)) << folder.toStdString();
    const QStringList fromDouble = EnumItems();

    ASSERT_TRUE(dav.OpenConnection(apache.host(), QString::number(apache.port()), user_, password_));
    ASSERT_TRUE(dav.HttpEnumDirectory(Root() + folder)) << folder.toStdString() << " " << dav.GetDavErr().toStdString();
    const QStringList fromApache = EnumItems();
    EXPECT_EQ(dav.QuotaText(), "0");
    // Folders come in each server's own order; files in name order with the
    // same sizes and times.
    const auto folders = [](const QStringList& keys) {
      QStringList paths = Fields(keys, 3).filter(QRegularExpression("/$"));
      paths.sort();
      return paths;
    };
    const auto files = [](const QStringList& keys) {
      QStringList rows;
      for (const QString& key : keys) {
        Util util;
        if (util.GetInfoFromKey(3, key).endsWith('/')) continue;
        rows << util.GetInfoFromKey(1, key) + ">" + util.GetInfoFromKey(2, key) + ">" + util.GetInfoFromKey(3, key);
      }
      return rows;
    };
    EXPECT_EQ(folders(fromApache), folders(fromDouble)) << folder.toStdString();
    EXPECT_EQ(files(fromApache), files(fromDouble)) << folder.toStdString();
    EXPECT_FALSE(fromApache.isEmpty());
  }
}

}  // namespace
}  // namespace OrvaneSrv
