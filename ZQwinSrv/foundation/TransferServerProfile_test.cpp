#include "ZQwinSrv/foundation/Transfer.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "ZQwinSrv/server/FakeScriptPoster.h"

namespace OrvaneSrv {
namespace {

class ServerProfileTest : public EngineTest {
 protected:
  static QString Profile(const QString& user) { return "C:\\Prog\\OrvaneMac\\" + user + "\\orvaneserver.ini"; }
  static QStringList Servers(const QString& user) {
    QStringList values;
    for (const char* key : {"SERVERNAME", "RSYNCSERVER", "WEBDAVSERVER", "QUOTASERVER"})
      values << Ini(Profile(user), "Orvane", key);
    return values;
  }

  const ScopedServiceHosts hosts_{{"lookup.test", "www.main.test", "203.0.113.7"}};
  test::FakeScriptPoster poster_;
};

TEST_F(ServerProfileTest, LookupFillsTheProfileOfTheTrimmedUser) {
  poster_.Answer("web1.example rsync1.example f3 f4 dav1.example\r\n");
  EXPECT_EQ(gTransfer().Trf_ReadUserServerProfile(" RSYNCSERVER ", "  jo.smith "), "rsync1.example");

  ASSERT_EQ(poster_.Posts().size(), 1u);
  const test::ScriptPost& post = poster_.Posts()[0];
  EXPECT_EQ(post.server, "lookup.test");
  EXPECT_EQ(post.path, "/cgi-bin/get_location_all_webdav?");
  EXPECT_EQ(post.body, "user=jo%2Esmith");
  EXPECT_EQ(post.callingMethods, 3);
  EXPECT_EQ(post.statusIn, "");
  EXPECT_EQ(post.port, 0);

  // The reply's line end never reaches the profile.
  EXPECT_EQ(Servers("jo.smith"), QStringList({"web1.example", "rsync1.example", "dav1.example", "dav1.example"}));
  EXPECT_EQ(Bytes("Prog/OrvaneMac/jo.smith/orvaneserver.ini"),
            "[Orvane]\r\nSERVERNAME=web1.example\r\nRSYNCSERVER=rsync1.example\r\nWEBDAVSERVER=dav1.example\r\n"
            "QUOTASERVER=dav1.example\r\n");
  EXPECT_EQ(Engine().gsServerName, "dav1.example");
  EXPECT_TRUE(TraceLines().isEmpty());
}

TEST_F(ServerProfileTest, AFullProfileAnswersWithoutARequest) {
  WriteBytes("Prog/OrvaneMac/mk/orvaneserver.ini",
             "[Orvane]\r\nSERVERNAME=web1.example\r\nRSYNCSERVER=rsync1.example\r\n"
             "WEBDAVSERVER= dav2.example \r\nQUOTASERVER=quota.example\r\nFirstLogin=1\r\n");
  Engine().gsServerName = "elsewhere.example";
  EXPECT_EQ(gTransfer().Trf_ReadUserServerProfile("QUOTASERVER", "mk"), "quota.example");
  EXPECT_TRUE(poster_.Posts().empty());
  EXPECT_EQ(Engine().gsServerName, "dav2.example") << "any read switches the WebDAV side to the user's server";
}

TEST_F(ServerProfileTest, AMissingKeyLooksUpAndRewritesAllFour) {
  WriteBytes("Prog/OrvaneMac/mk/orvaneserver.ini",
             "[Orvane]\r\nSERVERNAME=old.example\r\nRSYNCSERVER=oldrsync.example\r\nWEBDAVSERVER=olddav.example\r\n"
             "FirstLogin=1\r\n");
  poster_.Answer("web3.example rsync2.example f3 f4 dav2.example");
  EXPECT_EQ(gTransfer().Trf_ReadUserServerProfile("QUOTASERVER", "mk"), "dav2.example");
  EXPECT_EQ(poster_.Posts().size(), 1u);
  EXPECT_EQ(Servers("mk"), QStringList({"web3.example", "rsync2.example", "dav2.example", "dav2.example"}));
  EXPECT_EQ(Ini(Profile("mk"), "Orvane", "FirstLogin"), "1") << "the program's own key stays";
}

TEST_F(ServerProfileTest, ADeniedPostIsRepeatedOnce) {
  poster_.Answer("", "cache access DENIED.");
  poster_.Answer("web1.example rsync1.example f3 f4 dav1.example");
  poster_.Answer("never asked for");
  EXPECT_EQ(gTransfer().Trf_ReadUserServerProfile("WEBDAVSERVER", "mk"), "dav1.example");
  ASSERT_EQ(poster_.Posts().size(), 2u);
  EXPECT_EQ(poster_.Posts()[1].statusIn, "cache access DENIED.") << "the second post is told to go direct";
  EXPECT_EQ(poster_.Posts()[1].body, poster_.Posts()[0].body);

  // A second denial is not retried again: nothing usable came back.
  poster_.Answer("", "Cache Access Denied.");
  poster_.Answer("", "Cache Access Denied.");
  EXPECT_EQ(gTransfer().Trf_ReadUserServerProfile("WEBDAVSERVER", "other"), "");
}

TEST_F(ServerProfileTest, ReplyFieldsDecideWhatIsStored) {
  struct Case {
    const char* name;
    QString reply;
    QStringList stored;  // empty: no profile at all
    QString answer;      // for "RSYNCSERVER"
  };
  const Case cases[] = {
      {"four fields store nothing", "web1.example rsync1.example f3 f4", {}, ""},
      {"a failed post stores nothing", "", {}, ""},
      {"the main web host in another case keeps quota on the lookup host",
       "WWW.Main.Test rsync2.example f3 f4 dav2.example",
       {"WWW.Main.Test", "rsync2.example", "dav2.example", "lookup.test"},
       "rsync2.example"},
      {"two blanks make an empty field", "web1.example  rsync1.example f4 dav1.example",
       {"web1.example", "", "dav1.example", "dav1.example"},
       ""},
      {"a line break inside a field is dropped", "web1.example rsync1.\nexample f3 f4 dav1.example\n",
       {"web1.example", "rsync1.example", "dav1.example", "dav1.example"},
       "rsync1.example"},
  };
  for (const Case& c : cases) {
    QDir(Host("Prog/OrvaneMac/mk")).removeRecursively();
    poster_.Answer(c.reply);
    EXPECT_EQ(gTransfer().Trf_ReadUserServerProfile("RSYNCSERVER", "mk"), c.answer) << c.name;
    if (c.stored.isEmpty()) {
      EXPECT_FALSE(QFile::exists(Host("Prog/OrvaneMac/mk/orvaneserver.ini"))) << c.name;
    } else {
      EXPECT_EQ(Servers("mk"), c.stored) << c.name;
    }
  }
  EXPECT_TRUE(TraceLines().isEmpty());
}

TEST_F(ServerProfileTest, ABlankUserAsksNothing) {
  EXPECT_EQ(gTransfer().Trf_ReadUserServerProfile("WEBDAVSERVER", "   "), "");
  EXPECT_TRUE(poster_.Posts().empty());
}

TEST_F(ServerProfileTest, WritingStoresTrimmedValuesAndTracesAFailure) {
  gTransfer().WriteUserServerProfile(" RSYNCSERVER ", " rsync1.example ", " mk ");
  EXPECT_EQ(Bytes("Prog/OrvaneMac/mk/orvaneserver.ini"), "[Orvane]\r\nRSYNCSERVER=rsync1.example\r\n");

  // A file where the user's folder belongs.
  WriteBytes("Prog/OrvaneMac/jo", "not a folder");
  gTransfer().WriteUserServerProfile("RSYNCSERVER", "rsync1.example", "jo");
  EXPECT_EQ(TraceLines(), QStringList{"58  File already exists"});
}

}  // namespace
}  // namespace OrvaneSrv
