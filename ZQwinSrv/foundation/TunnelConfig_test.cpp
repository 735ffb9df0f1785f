#include "ZQwinSrv/foundation/TunnelConfig.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <QFile>

#include <gtest/gtest.h>

#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "ZQwinSrv/foundation/SideFiles.h"
#include "ZQwinSrv/server/FakeScriptPoster.h"

namespace OrvaneSrv {
namespace {

constexpr QFileDevice::Permissions kOwnerReadWrite = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kEveryone =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;

class TunnelConfTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    Engine().gsUserName = " mk ";
    WriteBytes("Prog/OrvaneMac/mk/orvaneserver.ini",
               "[Orvane]\r\nSERVERNAME=web1.example\r\nRSYNCSERVER=rsync1.example\r\nWEBDAVSERVER=dav1.example\r\n");
  }
  static void Proxy(const QString& name, const QString& port, const QString& user, const QString& pass) {
    Engine().gsProxyName = name;
    Engine().gsProxyPort = port;
    Engine().gsProxyUser = user;
    Engine().gsProxyPass = pass;
  }
  QByteArray Conf() const { return Bytes("Prog/SSLInteractive.conf"); }
  QFileDevice::Permissions ConfPermissions() const {
    return QFile::permissions(Host("Prog/SSLInteractive.conf")) &
           (kEveryone | QFileDevice::WriteGroup | QFileDevice::WriteOther | QFileDevice::ExeOwner);
  }

  const QString conf_ = "C:\\Prog\\SSLInteractive.conf";
  test::FakeScriptPoster poster_;  // no post may leave a test
};

TEST(TunnelConfLines, OneFormPerProxyCase) {
  struct Case {
    const char* name;
    QString proxyName, port, user, pass;
    QString lines;
  };
  const QString head = "accept = 43718\r\n";
  const Case cases[] = {
      {"no proxy", "", "", "", "", head + "connect = r.example:443"},
      {"proxy without credentials", "p.example", "3128", "", "",
       head + "connect =p.example:3128\r\nhttpsproxy_dest=r.example:443"},
      {"a port alone is a proxy", "", "3128", "", "", head + "connect =:3128\r\nhttpsproxy_dest=r.example:443"},
      {"user and password", "p.example", "3128", "u", "pw",
       head + "connect = p.example:3128\r\nhttpsproxy_dest=r.example:443\r\nhttpsproxy_auth=u:pw"},
      {"a password alone is a credential", "p.example", "3128", "", "pw",
       head + "connect = p.example:3128\r\nhttpsproxy_dest=r.example:443\r\nhttpsproxy_auth=:pw"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TunnelConfLines("r.example:443", c.proxyName, c.port, c.user, c.pass), c.lines) << c.name;
  }
}

TEST_F(TunnelConfTest, WritesTheSectionExactlyAndForTheOwnerOnly) {
  Proxy("proxy.example", "8080", "u", "");
  WriteTunnelConf(conf_, 0, false);
  EXPECT_EQ(Conf(),
            "[ZQWIN]\r\naccept = 43718\r\nconnect = proxy.example:8080\r\n"
            "httpsproxy_dest=rsync1.example:443\r\nhttpsproxy_auth=u:\r\n");
  EXPECT_EQ(ConfPermissions(), kOwnerReadWrite);

  Proxy("", "", "", "");
  WriteTunnelConf(conf_, 7, false);
  EXPECT_EQ(Conf(), "[ZQWIN]\r\naccept = 43718\r\nconnect = rsync1.example:443\r\n");
  EXPECT_EQ(ConfPermissions(), kOwnerReadWrite);
  EXPECT_TRUE(poster_.Posts().empty());
  EXPECT_TRUE(TraceLines().isEmpty());
}

TEST_F(TunnelConfTest, KeepsOtherSectionsAndClosesAnOpenFile) {
  WriteBytes("Prog/SSLInteractive.conf", "[ZQWIN]\r\naccept = 1\r\nold = 2\r\n\r\n[Other]\r\nkeep=1\r\n");
  ASSERT_TRUE(QFile::setPermissions(Host("Prog/SSLInteractive.conf"), kEveryone));
  Proxy("proxy.example", "8080", "", "");
  WriteTunnelConf(conf_, 0, false);
  EXPECT_EQ(Conf(),
            "[ZQWIN]\r\naccept = 43718\r\nconnect =proxy.example:8080\r\nhttpsproxy_dest=rsync1.example:443\r\n"
            "\r\n[Other]\r\nkeep=1\r\n");
  EXPECT_EQ(ConfPermissions(), kOwnerReadWrite) << "a file readable by others is closed before the write";
}

TEST_F(TunnelConfTest, DestinationIsTheFixedServerOrTheUsersRsyncServer) {
  const ScopedServiceHosts hosts({"lookup.test", "www.test", "203.0.113.7"});
  WriteTunnelConf(conf_, 0, true);
  EXPECT_EQ(Conf(), "[ZQWIN]\r\naccept = 43718\r\nconnect = 203.0.113.7:443\r\n");

  // No server known and none to be found: the tunnel gets a destination it
  // cannot reach, and the rsync route fails and retries.
  Engine().gsUserName = "nobody";
  poster_.Answer("");
  WriteTunnelConf(conf_, 0, false);
  EXPECT_EQ(Conf(), "[ZQWIN]\r\naccept = 43718\r\nconnect = :443\r\n");
  ASSERT_EQ(poster_.Posts().size(), 1u);
  EXPECT_EQ(poster_.Posts()[0].body, "user=nobody");
}

TEST_F(TunnelConfTest, RefusesLineBreaksInTheValues) {
  const QByteArray before = "[ZQWIN]\r\naccept = 43718\r\nconnect = rsync1.example:443\r\n";
  struct Case {
    const char* name;
    QString proxyName, pass, fixedAddress;
  };
  const Case cases[] = {
      {"password", "proxy.example", "pw\r\n[ZQWIN]\r\nconnect = evil.example:443", "198.51.100.1"},
      {"proxy host", "proxy.example\nconnect = evil.example", "", "198.51.100.1"},
      {"NUL in the password", "proxy.example", QString("pw") + QChar(0) + "x", "198.51.100.1"},
      {"fixed address", "", "", "198.51.100.1\rconnect = evil"},
  };
  for (const Case& c : cases) {
    const ScopedServiceHosts hosts({"lookup.test", "www.test", c.fixedAddress});
    Proxy(c.proxyName, c.proxyName.isEmpty() ? "" : "8080", "u", c.pass);
    if (c.proxyName.isEmpty()) Proxy("", "", "", "");
    WriteBytes("Prog/SSLInteractive.conf", before);
    WriteTunnelConf(conf_, 0, true);
    EXPECT_EQ(Conf(), before) << c.name;
    EXPECT_EQ(TraceLines().value(0), "error in updating conf file: a proxy or server value holds a line break")
        << c.name;
    QFile::remove(Host("Prog/OrvaneMac/TraceFile.txt"));
  }

  // Nothing is created either.
  QFile::remove(Host("Prog/SSLInteractive.conf"));
  Proxy("proxy.example", "8080", "u", "a\nb");
  WriteTunnelConf(conf_, 0, false);
  EXPECT_FALSE(QFile::exists(Host("Prog/SSLInteractive.conf")));
}

TEST_F(TunnelConfTest, AFolderThatIsMissingIsTraced) {
  WriteTunnelConf("C:\\Nowhere\\SSLInteractive.conf", 0, false);
  EXPECT_EQ(TraceLines(), QStringList{"error in updating conf file: Path not found"});
}

TEST_F(TunnelConfTest, ProxySettingsFollowSecureTransport) {
  WriteBytes("Prog/OrvaneMac/orvane.ini",
             "[Proxy]\r\nProxyName=proxy.example\r\nProxyPort=3128\r\nProxyUser=jo\r\n");
  WriteProfileFile(QString(), EncryptPwd("s3cret"), 5);

  Engine().gbUseSSL = true;
  LoadProxySettings();
  const EngineState& g = Engine();
  EXPECT_EQ(QStringList({g.gsProxyName, g.gsProxyPort, g.gsProxyUser, g.gsProxyPass}),
            QStringList({"proxy.example", "3128", "jo", "s3cret"}));

  // Without secure transport there is no tunnel proxy, whatever the profile holds.
  Engine().gbUseSSL = false;
  LoadProxySettings();
  EXPECT_EQ(QStringList({g.gsProxyName, g.gsProxyPort, g.gsProxyUser, g.gsProxyPass}),
            QStringList({"", "", "", ""}));
  WriteTunnelConf(conf_, 0, false);
  EXPECT_EQ(Conf(), "[ZQWIN]\r\naccept = 43718\r\nconnect = rsync1.example:443\r\n");
  EXPECT_TRUE(TraceLines().isEmpty());

  setServername("dav9.example");
  EXPECT_EQ(Engine().gsServerName, "dav9.example");
}

}  // namespace
}  // namespace OrvaneSrv
