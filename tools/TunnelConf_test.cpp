#include "tools/TunnelConf.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace tools {
namespace {

QStringList Lines(const TunnelSettings& s) {
  return QString::fromUtf8(s.stunnelConfig).split(u'\n', Qt::SkipEmptyParts);
}

TEST(ReadIniSection, TheEnginesSection) {
  const QByteArray text =
      "[Other]\r\naccept = 1\r\n[zqwin]\r\naccept = 43718\r\nconnect =proxy.example:8080\r\n"
      "httpsproxy_dest=rsync1.orvane.example:443\r\nhttpsproxy_auth=j\xf6rg:p=w:d\r\n";
  const auto values = ReadIniSection(text, QStringLiteral("ZQWIN"));
  ASSERT_TRUE(values);
  EXPECT_EQ(values->value(QStringLiteral("accept")), u"43718");
  EXPECT_EQ(values->value(QStringLiteral("connect")), u"proxy.example:8080");
  EXPECT_EQ(values->value(QStringLiteral("httpsproxy_auth")), QString::fromUtf8("j\xc3\xb6rg:p=w:d"));
  EXPECT_FALSE(ReadIniSection("[Other]\nx=1\n", QStringLiteral("ZQWIN")));
}

TEST(BuildTunnelSettings, DirectWithTheMapAndAnAddress) {
  qputenv("ORVANE_CONNECT_TO", "localhost:43718=127.0.0.1:51000;rsync1.orvane.example:443=127.0.0.1:52000");
  const auto s = BuildTunnelSettings({{"accept", "43718"}, {"connect", "rsync1.orvane.example:443"}},
                                     QStringLiteral("/tmp/ca.pem"));
  qunsetenv("ORVANE_CONNECT_TO");
  ASSERT_TRUE(s.error.isEmpty()) << s.error.toStdString();
  EXPECT_EQ(s.listenAddress, u"127.0.0.1");
  EXPECT_EQ(s.listenPort, 51000);
  const QStringList lines = Lines(s);
  for (const char* line : {"foreground = yes", "[ZQWIN]", "client = yes", "accept = 127.0.0.1:51000",
                           "connect = 127.0.0.1:52000", "verifyChain = yes", "CAfile = /tmp/ca.pem",
                           "checkHost = rsync1.orvane.example", "sni = rsync1.orvane.example"}) {
    EXPECT_TRUE(lines.contains(QString::fromUtf8(line))) << line;
  }
  EXPECT_FALSE(lines.join(u'\n').contains(QStringLiteral("protocol")));

  const auto fixed = BuildTunnelSettings({{"accept", "43718"}, {"connect", "198.51.100.20:443"}}, QString());
  EXPECT_TRUE(Lines(fixed).contains(QStringLiteral("checkIP = 198.51.100.20")));
  EXPECT_TRUE(Lines(fixed).contains(QStringLiteral("accept = 127.0.0.1:43718")));
  EXPECT_FALSE(Lines(fixed).join(u'\n').contains(QStringLiteral("CAfile")));
}

TEST(BuildTunnelSettings, ThroughAProxyWithAndWithoutCredentials) {
  const auto plain = BuildTunnelSettings(
      {{"accept", "43718"}, {"connect", "proxy.example:8080"}, {"httpsproxy_dest", "rsync1.orvane.example:443"}},
      QString());
  ASSERT_TRUE(plain.error.isEmpty());
  QStringList lines = Lines(plain);
  for (const char* line : {"connect = proxy.example:8080", "protocol = connect",
                           "protocolHost = rsync1.orvane.example:443", "checkHost = rsync1.orvane.example"}) {
    EXPECT_TRUE(lines.contains(QString::fromUtf8(line))) << line;
  }
  EXPECT_FALSE(lines.join(u'\n').contains(QStringLiteral("protocolAuthentication")));

  const auto withAuth = BuildTunnelSettings({{"accept", "43718"},
                                             {"connect", "proxy.example:8080"},
                                             {"httpsproxy_dest", "rsync1.orvane.example:443"},
                                             {"httpsproxy_auth", "jim:p:w"}},
                                            QString());
  lines = Lines(withAuth);
  for (const char* line : {"protocolAuthentication = basic", "protocolUsername = jim", "protocolPassword = p:w"}) {
    EXPECT_TRUE(lines.contains(QString::fromUtf8(line))) << line;
  }
  // A user name with an empty password, as the engine writes it.
  const auto userOnly = BuildTunnelSettings(
      {{"accept", "43718"}, {"connect", "p:1"}, {"httpsproxy_dest", "h:443"}, {"httpsproxy_auth", "jim:"}}, QString());
  EXPECT_TRUE(Lines(userOnly).contains(QStringLiteral("protocolPassword =")) ||
              Lines(userOnly).contains(QStringLiteral("protocolPassword = ")));
}

TEST(BuildTunnelSettings, RefusesWhatItCannotUse) {
  const QMap<QString, QString> bad[] = {
      {{"connect", "h:443"}},
      {{"accept", "x"}, {"connect", "h:443"}},
      {{"accept", "43718"}, {"connect", ":443"}},
      {{"accept", "43718"}, {"connect", "h:99999"}},
      {{"accept", "43718"}, {"connect", "p:1"}, {"httpsproxy_dest", "nohost"}},
  };
  for (const auto& values : bad) EXPECT_FALSE(BuildTunnelSettings(values, QString()).error.isEmpty());
}

// stunnel's own lines for the three certificates a hostile network shows,
// and for a front that is down.
TEST(TunnelLogFilter, EachFailedConnectionGetsOneVerdict) {
  struct Row {
    const char* log;
    const char* verdict;
  };
  const Row rows[] = {
      {"2026.01.01 10:00:00 LOG4[0]: CERT: Pre-verification error: certificate has expired\n"
       "2026.01.01 10:00:00 LOG4[0]: Rejected by CERT at depth=0: CN=localhost\n"
       "2026.01.01 10:00:00 LOG3[0]: SSL_connect: ssl/statem/statem_clnt.c:1889: error:0A000086:SSL "
       "routines::certificate verify failed\n",
       "tunnel: certificate refused: rsync1.orvane.example: certificate has expired\n"},
      {"2026.01.01 10:00:00 LOG4[3]: CERT: Pre-verification error: self-signed certificate in certificate chain\n"
       "2026.01.01 10:00:00 LOG3[3]: SSL_connect: error:0A000086:SSL routines::certificate verify failed\n",
       "tunnel: certificate refused: rsync1.orvane.example: self-signed certificate in certificate chain\n"},
      {"2026.01.01 10:00:00 LOG4[1]: CERT: Subject checks failed\n"
       "2026.01.01 10:00:00 LOG4[1]: Rejected by CERT at depth=0: CN=localhost\n"
       "2026.01.01 10:00:00 LOG3[1]: SSL_connect: error:0A000086:SSL routines::certificate verify failed\r\n",
       "tunnel: certificate refused: rsync1.orvane.example: the certificate does not name rsync1.orvane.example\n"},
      {"2026.01.01 10:00:00 LOG3[2]: s_connect: connect 127.0.0.1:443: Connection refused (111)\n",
       "tunnel: connection failed: s_connect: connect 127.0.0.1:443: Connection refused (111)\n"},
      {"2026.01.01 10:00:00 LOG4[0]: Service [ZQWIN] needs authentication to verify certificates\n", ""},
  };
  for (const Row& row : rows) {
    TunnelLogFilter filter(QStringLiteral("rsync1.orvane.example"));
    const QByteArray log(row.log);
    // The log arrives in pieces that cut its lines.
    QByteArray out = filter.Feed(log.left(30));
    out += filter.Feed(log.mid(30));
    out += filter.Finish();
    const QByteArray passed = QByteArray(row.log).replace("\r\n", "\n");
    ASSERT_TRUE(out.startsWith(passed)) << out.toStdString();
    EXPECT_EQ(out.mid(passed.size()), row.verdict) << row.log;
  }
}

}  // namespace
}  // namespace tools
