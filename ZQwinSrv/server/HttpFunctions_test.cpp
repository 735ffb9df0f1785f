#include "ZQwinSrv/server/HttpFunctions.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <gtest/gtest.h>

#include "ZQwinSrv/server/FakeScriptPoster.h"
#include "platform/errors/RuntimeError.h"

namespace OrvaneSrv {
namespace {

using HttpFunctionsTest = EngineTest;

TEST(URLEncode, KeepsLettersAndDigitsAndEscapesEveryOtherCharacterByItsCodePageByte) {
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
      // The code page's own bytes for the characters it places at 0x80-0x9F.
      {QString::fromUtf8("€Šžœ‘’“”–—"), "%80%8A%9E%9C%91%92%93%94%96%97"},
      // Characters it cannot hold are written as it writes them: "?".
      {QString(QChar(256)), "%3F"},
      {QString(QChar(0x65E5)), "%3F"},
      {QString::fromUtf8("😀"), "%3F%3F"},
      {"Orv&ne+2014", "Orv%26ne%2B2014"},
  };
  for (const auto& c : cases) EXPECT_EQ(http.URLEncode(c.in), c.out) << c.in.toStdString();
}

TEST_F(HttpFunctionsTest, PostsGoThroughTheInstalledTransport) {
  QString status;
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

TEST(ScriptForms, OnlyTheFirstValueIsEncodedByTheBuilder) {
  HttpFunctions http;
  http.AddScriptParam("user", "a b");
  http.AddScriptParam("password", "p&q");
  http.AddScriptParam("path", "/x y");
  EXPECT_EQ(http.PostData(), "user=a%20b&password=p&q&path=/x y");

  // Secrets are encoded by their callers, without the trimming.
  EXPECT_EQ(EncodeFormValue(" Orv&ne+2014 "), "%20Orv%26ne%2B2014%20");
  EXPECT_EQ(EncodeFormValue("a=b%c"), "a%3Db%25c");

  HttpFunctions mail;
  mail.AddParam("EMAIL", "a.b");
  mail.AddParam("SUBJECT", "Hi there");
  mail.AddParam("CONTENT", "A=B", true);
  EXPECT_EQ(mail.PostData(), "EMAIL=a%2Eb\r\n&SUBJECT=Hi%20there\r\n&CONTENT=A=B");
}

TEST(ScriptForms, StripNullCutsTheArgumentAtCrAndTheResultAtNul) {
  HttpFunctions http;
  QString text = "abc\rdef";
  EXPECT_EQ(http.StripNull(text), "abc");
  EXPECT_EQ(text, "abc");
  text = QString("ab") + QChar(0) + "c";
  EXPECT_EQ(http.StripNull(text), "ab");
}

TEST(ScriptForms, InetErrorTexts) {
  HttpFunctions http;
  EXPECT_EQ(http.GetInetError(12029), "Attempt to connect to the server failed.");
  EXPECT_EQ(http.GetInetError(12002), "The request has timed out.");
  EXPECT_EQ(http.GetInetError(12036), "Request failed because the handle already exists.");
  EXPECT_EQ(http.GetInetError(12033), "Error details not available.");
  EXPECT_EQ(http.GetInetError(0), "Error details not available.");
}

TEST(ScriptForms, SizeRepliesInKilobytes) {
  const struct {
    QString reply;
    double kilobytes;
  } cases[] = {
      {"12.50 K\n", 12.5},
      {"7 K", 7},
      {"12.50K", 12.5},  // no blank before the K: still twelve and a half
      {"0.03 K\r\n", 0.03},
      {"", 0},
      {"12.50", 0},
      {" K", 0},
      {"Invalid account.\n", 0},
      // Numbers no size can be: too large, or not finite.
      {"120 E1200 E120 EK EKK\n", 0},
      {"1e400 K", 0},
      {"inf K", 0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(RemoteSizeKilobytes(c.reply), c.kilobytes) << c.reply.toStdString();
}

}  // namespace
}  // namespace OrvaneSrv
