#include "platform/inet/InetConfig.h"

#include <gtest/gtest.h>

namespace win {
namespace {

std::vector<std::string> CurlForms(const QString& text) {
  QString error;
  auto rules = InetConfig::ParseConnectTo(text, &error);
  EXPECT_TRUE(rules.has_value()) << error.toStdString();
  std::vector<std::string> out;
  if (rules) {
    for (const auto& r : *rules) out.push_back(r.CurlForm());
  }
  return out;
}

TEST(InetConfig, ConnectToRulesBecomeLibraryEntries) {
  EXPECT_EQ(CurlForms(QString()), std::vector<std::string>{});
  EXPECT_EQ(CurlForms(QStringLiteral("dav.example.com:443=127.0.0.1:8443")),
            std::vector<std::string>{"dav.example.com:443:127.0.0.1:8443"});
  EXPECT_EQ(CurlForms(QStringLiteral(" *:443=127.0.0.1:1 ; ; www.example.com=127.0.0.1:2;x:*=[::1]:3 ")),
            (std::vector<std::string>{":443:127.0.0.1:1", "www.example.com::127.0.0.1:2", "x::[::1]:3"}));
  EXPECT_EQ(CurlForms(QStringLiteral("[::1]:80=127.0.0.1:8080")), std::vector<std::string>{"[::1]:80:127.0.0.1:8080"});
}

TEST(InetConfig, MalformedConnectToIsRefusedWithTheEntry) {
  for (const char* bad : {"host:443", "host:443=127.0.0.1", "host:443=127.0.0.1:0", "host:99999=127.0.0.1:1",
                          "host:x=127.0.0.1:1", ":443=127.0.0.1:1", "host:1=:5", "host:1=*:5", "a=b=c:1",
                          "::1:443=127.0.0.1:1", "host:1=127.0.0.1:1;oops"}) {
    QString error;
    EXPECT_FALSE(InetConfig::ParseConnectTo(QString::fromUtf8(bad), &error).has_value()) << bad;
    EXPECT_TRUE(error.contains(QStringLiteral("ORVANE_CONNECT_TO"))) << bad;
  }
}

TEST(InetConfig, InsecureSwitchAndCaFile) {
  QString error;
  auto off = InetConfig::Parse({}, {}, {}, &error);
  ASSERT_TRUE(off);
  EXPECT_FALSE(off->insecureTls);
  EXPECT_TRUE(off->caFile.isEmpty());

  auto on = InetConfig::Parse({}, QStringLiteral(" /tmp/ca.pem "), QStringLiteral("1"), &error);
  ASSERT_TRUE(on);
  EXPECT_TRUE(on->insecureTls);
  EXPECT_EQ(on->caFile, "/tmp/ca.pem");

  EXPECT_FALSE(InetConfig::Parse({}, {}, QStringLiteral("0"), &error)->insecureTls);
  EXPECT_FALSE(InetConfig::Parse({}, {}, QStringLiteral("yes"), &error));
  EXPECT_TRUE(error.contains(QStringLiteral("ORVANE_INSECURE_TLS")));
}

}  // namespace
}  // namespace win
