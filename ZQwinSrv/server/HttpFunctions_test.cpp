#include "ZQwinSrv/server/HttpFunctions.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <gtest/gtest.h>

#include "ZQwinSrv/server/FakeScriptPoster.h"
#include "platform/errors/RuntimeError.h"

namespace OrvaneSrv {
namespace {

using HttpFunctionsTest = EngineTest;

TEST(URLEncode, KeepsLettersAndDigitsAndEscapesEveryOtherCodeUnit) {
  const HttpFunctions http;
  const struct {
    QString in, out;
  } cases[] = {
      {"  a b  ", "a%20b"},
      {"", ""},
      {"   ", ""},
      {"x+y.z", "x%2By%2Ez"},
      {"AZaz09", "AZaz09"},
      {"\t", "%09"},
      {QString(QChar(0)) + "a", "%00a"},
      {QString::fromUtf8("é"), "%E9"},
      {QString(QChar(256)), "%100"},
      {QString(QChar(0x65E5)), "%65E5"},
      {QString::fromUtf8("😀"), "%D83D%DE00"},
      {"Orv&ne+2014", "Orv%26ne%2B2014"},
  };
  for (const auto& c : cases) EXPECT_EQ(http.URLEncode(c.in), c.out) << c.in.toStdString();
}

TEST_F(HttpFunctionsTest, PostsGoThroughTheInstalledTransport) {
  QString status;
  EXPECT_EQ(gHttpFunctions().HttpPostGet("h.example", "/cgi-bin/x?", "a=1", 3, status), "")
      << "without a transport nothing is sent";
  EXPECT_EQ(status, "");
  EXPECT_EQ(&gHttpFunctions(), &gHttpFunctions());

  {
    test::FakeScriptPoster poster;
    poster.Answer("Active", "Cache Access Denied.");
    HttpFunctions own;  // the program's own objects post the same way
    EXPECT_EQ(own.HttpPostGet("h.example", "/cgi-bin/x?", "a=1", 2, status, 1), "Active");
    EXPECT_EQ(status, "Cache Access Denied.");
    ASSERT_EQ(poster.Posts().size(), 1u);
    EXPECT_EQ(poster.Posts()[0].server, "h.example");
    EXPECT_EQ(poster.Posts()[0].path, "/cgi-bin/x?");
    EXPECT_EQ(poster.Posts()[0].body, "a=1");
    EXPECT_EQ(poster.Posts()[0].callingMethods, 2);
    EXPECT_EQ(poster.Posts()[0].port, 1);
  }

  {
    const ScopedScriptPoster failing([](const QString&, const QString&, const QString&, Integer, QString&,
                                        Long) -> QString { vb::Raise(vb::errObjectVariableNotSet); });
    EXPECT_EQ(gHttpFunctions().HttpPostGet("h.example", "/cgi-bin/x?", "a=1", 3, status), "");
  }
  EXPECT_EQ(TraceLines(), QStringList{"Error in HttpPostGet Object variable or With block variable not set"});
}

}  // namespace
}  // namespace OrvaneSrv
