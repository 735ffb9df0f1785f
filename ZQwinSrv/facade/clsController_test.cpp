#include "ZQwinSrv/facade/clsController.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"
#include "ZQwinSrv/server/FakeScriptPoster.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/WinPath.h"

namespace OrvaneSrv {
namespace {

class ControllerTest : public EngineTest {
 protected:
  void WriteProfile(const QByteArray& text) { WriteBytes("Prog/OrvaneMac/orvane.ini", text); }
  QString TransferLog() const {
    const QByteArray bytes = Bytes("Prog/OrvaneMac/OrvaneLogFile.txt").mid(2);
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
  }
};

TEST_F(ControllerTest, InitEngineSetsTheApplicationValues) {
  clsController c;
  c.InitEngine("C:\\Prog", 1, "", " OrvaneMac ");
  const EngineState& g = Engine();
  EXPECT_EQ(g.gsAppWord, "OrvaneMac");
  EXPECT_EQ(g.gsMsgBoxTitle, "Orvane for Mac - Windows Restore");
  EXPECT_EQ(g.giMode, 1);
  EXPECT_EQ(g.gsAppPath, "C:\\Prog\\");
  EXPECT_EQ(g.gsRsyncClientExe, "orvane_int_rst_100.exe");
  EXPECT_TRUE(g.gbUseSSL) << "no SSLKey means secure transport";
  EXPECT_EQ(g.gsTunnelExe, "orvane_ssl_int_rst_100.exe");
  EXPECT_EQ(g.gsTunnelConf, "SSLInteractive.conf");
  // The WebDAV client's internet session is open; the next InitEngine
  // replaces it.
  const Long session = gWebDavControl().getInternetOpenHandle().ToLong();
  EXPECT_NE(session, 0);

  c.InitEngine("C:\\Prog", 0, "", "Other");
  EXPECT_NE(gWebDavControl().getInternetOpenHandle().ToLong(), session);
  EXPECT_EQ(Engine().gsAppWord, "OrvaneWP");
  EXPECT_EQ(Engine().gsMsgBoxTitle, "Orvane for WordPress - Windows Restore");
}

TEST_F(ControllerTest, InitEngineReadsTransportAndProxyFromTheProfile) {
  WriteProfile("[Orvane]\r\nSSLKey=0\r\n[Proxy]\r\nProxyName=proxy.example\r\n");
  clsController().InitEngine("C:\\Prog", 1, "", "OrvaneMac");
  EXPECT_FALSE(Engine().gbUseSSL);
  EXPECT_EQ(Engine().gsTunnelExe, "orvane_ssl_prox_rst_100.exe");
}

TEST_F(ControllerTest, InitEngineTakesTheUsersServerAndTheProxy) {
  test::FakeScriptPoster poster;
  WriteProfile("[Proxy]\r\nProxyName=proxy.example\r\nProxyPort=3128\r\nProxyUser=jo\r\n");
  WriteBytes("Prog/OrvaneMac/mk/orvaneserver.ini",
             "[Orvane]\r\nRSYNCSERVER=rsync1.example\r\nWEBDAVSERVER=dav1.example\r\n");
  clsController c;
  c.InitEngine("C:\\Prog", 1, " mk ", "OrvaneMac");
  EXPECT_EQ(Engine().gsServerName, "dav1.example");
  EXPECT_EQ(Engine().gsProxyName, "proxy.example");
  EXPECT_EQ(Engine().gsProxyUser, "jo");
  EXPECT_TRUE(poster.Posts().empty());

  // A user without a server anywhere leaves the server name as it was.
  c.InitEngine("C:\\Prog", 1, "nobody", "OrvaneMac");
  EXPECT_EQ(poster.Posts().size(), 1u);
  EXPECT_EQ(Engine().gsServerName, "dav1.example");

  // No user: no lookup; secure transport off: no proxy.
  WriteProfile("[Orvane]\r\nSSLKey=0\r\n[Proxy]\r\nProxyName=proxy.example\r\n");
  c.InitEngine("C:\\Prog", 1, "", "OrvaneMac");
  EXPECT_EQ(poster.Posts().size(), 1u);
  EXPECT_EQ(Engine().gsProxyName, "");
}

TEST_F(ControllerTest, FlagsAndTheCallersOwnRestoreSet) {
  clsController c;
  Engine().gbCancelled = Engine().gbRemoteError = Engine().gbRestoreFailed = true;
  Engine().giEchoTouchState = 2;
  c.SetCommonFlag(false);
  EXPECT_TRUE(Engine().gbCommonFlag);
  EXPECT_FALSE(Engine().gbCancelled || Engine().gbRemoteError || Engine().gbRestoreFailed);
  EXPECT_EQ(Engine().giEchoTouchState, 0);

  Engine().gbCancelled = true;
  Engine().gbRestoreFailed = true;
  c.ResetCommonFlag();
  EXPECT_FALSE(Engine().gbCommonFlag || Engine().gbCancelled);
  EXPECT_TRUE(Engine().gbRestoreFailed) << "only the next job clears a failure";

  c.SetInteractiveParam();
  EXPECT_EQ(Engine().giMode, 1);
  EXPECT_EQ(Engine().giOsType, 1);

  auto items = std::make_shared<vb::Collection>();
  items->Add(vb::Variant("F_/users/u/Files/a.txt"));
  Engine().gdTotalFileSize = 5;
  EXPECT_EQ(clsController().Cont_SetRestoreItem(items, 123.0), 1);
  EXPECT_EQ(Engine().gcolRestoreItems, items) << "the engine keeps the caller's own collection";
  EXPECT_EQ(Engine().gdRestoreSetSize, 123.0);
  EXPECT_EQ(Engine().gdTotalFileSize, 0.0);
  Engine().gcolRestoreItems->Clear();
  EXPECT_EQ(items->Count(), 0);
}

TEST_F(ControllerTest, AccountStatusAnswers) {
  clsController c;
  {
    test::FakeScriptPoster poster;
    EXPECT_EQ(c.ChkAccoutStatus("mk", "  "), 3);
    EXPECT_EQ(c.ChkAccoutStatus(" ", "pw"), 3);
    EXPECT_TRUE(poster.Posts().empty()) << "nothing is sent without a name and a password";
  }
  struct Row {
    const char* reply;
    Integer code;
  };
  const Row rows[] = {
      {"Cancelled since May", 1}, {"EXPIRED on 1 May", 2},       {"Expired", 2},
      {"Invalid password given", 4}, {"invalid username", 5}, {"Active", 3},
      {"Expiredly yours", 3},     {"", 3},                     {"  cancelled  ", 1},
  };
  for (const Row& row : rows) {
    test::FakeScriptPoster poster;
    poster.Answer(row.reply);
    EXPECT_EQ(c.ChkAccoutStatus(" mk ", " p&w "), row.code) << row.reply;
    ASSERT_EQ(poster.Posts().size(), 1u);
    EXPECT_EQ(poster.Posts()[0].path, "/cgi-bin/get_account_status?");
    EXPECT_EQ(poster.Posts()[0].body, "user=mk&password=p%26w");
    EXPECT_EQ(poster.Posts()[0].callingMethods, 3);
  }
  // A post the proxy refused is made exactly once more; its reply decides.
  test::FakeScriptPoster poster;
  poster.Answer("Cancelled x", "Cache Access Denied.");
  poster.Answer("Expired x");
  poster.Answer("Cancelled x");
  EXPECT_EQ(c.ChkAccoutStatus("mk", "pw"), 2);
  ASSERT_EQ(poster.Posts().size(), 2u);
  EXPECT_EQ(poster.Posts()[1].statusIn, "Cache Access Denied.");
}

TEST_F(ControllerTest, SignInWithABlankNameDoesNothing) {
  test::FakeScriptPoster poster;
  Engine().gsUserName = "before";
  EXPECT_FALSE(clsController().Cont_login("   ", "pw"));
  EXPECT_EQ(Engine().gsUserName, "before");
  EXPECT_TRUE(poster.Posts().empty());
}

TEST_F(ControllerTest, ErrorTextAndCertificateFlagAreTheWebDavClients) {
  clsController c;
  gWebDavControl().dav_seterrorstring("first line\r\nsecond");
  EXPECT_EQ(c.GetErrorString(), "first line\r\nsecond") << "the text exactly as stored";
  EXPECT_FALSE(c.Cont_GetMessageLogin());
  Engine().gbCertRevocationFailed = true;
  EXPECT_TRUE(c.Cont_GetMessageLogin());
}

TEST_F(ControllerTest, AppTypeIsMinusOneForAService) {
  EXPECT_EQ(clsController().Cont_AppType(), 0);
  WriteBytes("Prog/OrvaneMac/OrvaneDetails.ini", "[Orvane]\r\nType=service\r\n");
  EXPECT_EQ(clsController().Cont_AppType(), -1);
}

TEST_F(ControllerTest, DisconnectForgetsTheSessionAndItsWorkFiles) {
  ASSERT_TRUE(win::ChDir("C:\\Prog"));
  WriteBytes("Prog/ORVANETEMP/pw.txt", "secret");
  EngineState& g = Engine();
  g.gsUserName = "mk";
  g.gbInteractiveRestore = g.gbHaveEncKey = true;
  g.gsEncPassword = "pw";
  g.gsEncKey = "key";
  clsController().Cont_DisConnect();
  EXPECT_FALSE(QFileInfo::exists(Host("Prog/ORVANETEMP")));
  EXPECT_FALSE(g.gbInteractiveRestore || g.gbHaveEncKey);
  EXPECT_EQ(g.gsEncPassword, "");
  EXPECT_EQ(g.gsEncKey, "");
  EXPECT_FALSE(TransferLog().contains("logged out")) << "an interactive run writes no line";

  g.giMode = 0;
  gController().Cont_DisConnect();
  // A service run's transfer log is the service log.
  const QByteArray log = Bytes("Prog/OrvaneMac/ZQWServiceLog.txt");
  EXPECT_TRUE(log.contains(Utf16("Information : 12/08/2026 23:59:29 : mk has logged out")));
}

}  // namespace
}  // namespace OrvaneSrv
