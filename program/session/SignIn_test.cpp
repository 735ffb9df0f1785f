// The sign-in road against a recording engine and scripted service replies:
// the lookups and their encodings, the server profile, the log trimming,
// the account-type check, the listing passes with their limits, the
// alternate sign-in that never leaves SSL, the account-status messages and
// what a successful session records.
#include "program/session/SignIn.h"

#include <QFileDevice>

#include <gtest/gtest.h>

#include <map>

#include "ZQwinSrv/facade/_clsController.h"
#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "ZQwinSrv/server/HttpFunctions.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/ui/MessageBoxService.h"
#include "program/browse/BrowseTestSupport.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/session/FakeEngineController.h"
#include "program/session/SignInLookups.h"
#include "program/session/Transfer.h"

namespace OrvaneMac {
namespace {

using testing::ScopedFakeEngines;

struct Post {
  QString host;
  QString path;
  QString body;
};

class SignInTest : public ProgramTest {
 protected:
  void SetUp() override {
    testing::App();
    ProgramTest::SetUp();
    ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
    engines_.emplace();
    main_.emplace();
    // The short-lived controllers (account status) come from the same record.
    win::ClassInfo info;
    info.clsid = QString::fromLatin1(OrvaneSrv::kControllerClassId);
    std::weak_ptr<testing::EngineRecord> weak = engines_->record;
    info.factory = [weak]() -> vb::ObjectRef {
      auto r = weak.lock();
      return r ? std::make_shared<testing::FakeEngineController>(r, 100) : nullptr;
    };
    controllerClass_ = win::RegisterClassObject(std::move(info));
    poster_.emplace([this](const QString& host, const QString& path, const QString& body, Integer, QString& status,
                           Long) {
      posts.push_back({host, path, body});
      if (deniedOnce && status.isEmpty()) {
        deniedOnce = false;
        status = QStringLiteral("Cache Access Denied.");
        return QString();
      }
      auto found = replies.find(path);
      return found == replies.end() ? QString() : found->second;
    });
    boxes_.emplace([this](const win::MessageBoxRequest& r) {
      messages.append(r.text);
      icons.append(r.icon);
      return win::MB_ANSWER_OK;
    });
    replies["/cgi-bin/orvanee_get_tessara_and_orvane?"] = "orvane_mac";
  }
  void TearDown() override {
    boxes_.reset();
    poster_.reset();
    controllerClass_ = {};
    main_.reset();
    engines_.reset();
    ProgramTest::TearDown();
  }

  testing::EngineRecord& engine() { return *engines_->record; }
  QStringList Calls() { return engines_->Take(); }
  QStringList CallsNamed(const QString& op) {
    QStringList out;
    for (const QString& c : engines_->record->calls) {
      if (c.contains(":" + op + "(")) out.append(c.section(':', 1));
    }
    return out;
  }
  QString Ini(const QString& relative, const QString& section, const QString& key) {
    return gTransfer().Trf_ReadProfile("C:\\" + QString(relative).replace('/', '\\'), section, key);
  }
  QStringList LogLines() const {
    const QByteArray bytes = Bytes("Prog/OrvaneMac/OrvaneLogFile.txt");
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    QStringList lines = text.split("\r\n");
    lines.removeAll(QString());
    return lines;
  }
  int Passes() const {
    int n = 0;
    for (const QString& line : TraceLines()) n += line.startsWith("Trying login for the ") ? 1 : 0;
    return n;
  }

  std::vector<Post> posts;
  std::map<QString, QString> replies;
  bool deniedOnce = false;
  QStringList messages;
  QList<long> icons;

 private:
  std::optional<ScopedFakeEngines> engines_;
  std::optional<testing::MiniMainWindow> main_;
  win::ClassRegistration controllerClass_;
  std::optional<OrvaneSrv::ScopedScriptPoster> poster_;
  std::optional<win::ScopedMessageBoxHandler> boxes_;
};

TEST_F(SignInTest, EmailCheckAndFormEncoding) {
  struct Row {
    const char* text;
    bool valid;
  };
  for (const Row& r : {Row{"a@b.c", true}, Row{"@x.", true}, Row{"a@.bc", false}, Row{"a@bc", false},
                       Row{"a@b.", true}, Row{"a@bc.", true}, Row{"plain", false}}) {
    EXPECT_EQ(modGeneral::IsValidEmail(r.text), r.valid) << r.text;
  }
  EXPECT_EQ(modGeneral::URLEncode("  Ab9 x\t.y  ", 0), "Ab9%20x%09%2Ey");
  EXPECT_EQ(modGeneral::URLEncode("-_~", 0), "%2D%5F%7E");
  EXPECT_EQ(modGeneral::URLEncode("   ", 0), "");
  // Each character's code in the 8-bit code page, as the service reads it
  // back; one it cannot hold is its "?".
  EXPECT_EQ(modGeneral::URLEncode(QString::fromUtf8(" €uro–Žœ“é "), 0), "%80uro%96%8E%9C%93%E9");
  EXPECT_EQ(modGeneral::URLEncode(QString::fromUtf8("日"), 0), "%3F");
  EXPECT_EQ(modGeneral::URLEncode("65", -1), "A");
  EXPECT_EQ(modGeneral::URLEncode("128", -1), "%80");
}

TEST_F(SignInTest, ServerLocationFillsTheServerProfile) {
  const QString profile = "Prog/OrvaneMac/jo/orvaneserver.ini";
  replies["/cgi-bin/get_location_all_webdav?"] = "web1 rsync1 x y dav1\n";
  modGeneral::LookUpUserServers(" jo ");
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].host, OrvaneSrv::CurrentServiceHosts().sLookupHost);
  EXPECT_EQ(posts[0].body, "user=jo");
  EXPECT_EQ(Ini(profile, "Orvane", "SERVERNAME"), "web1");
  EXPECT_EQ(Ini(profile, "Orvane", "RSYNCSERVER"), "rsync1");
  EXPECT_EQ(Ini(profile, "Orvane", "WEBDAVSERVER"), "dav1");  // the line end never reaches the profile
  EXPECT_EQ(Ini(profile, "Orvane", "QUOTASERVER"), "dav1");
  EXPECT_EQ(Program().ServerName, "dav1");

  // The older product's web host, in any case, makes the lookup host the quota server.
  replies["/cgi-bin/get_location_all_webdav?"] = "WWW.Tessara.Example rsync2 x y dav2";
  modGeneral::LookUpUserServers("jo");
  EXPECT_EQ(Ini(profile, "Orvane", "QUOTASERVER"), OrvaneSrv::CurrentServiceHosts().sLookupHost);

  // Four fields write nothing; a leading blank shifts every field.
  replies["/cgi-bin/get_location_all_webdav?"] = "a b c d";
  modGeneral::LookUpUserServers("ann");
  EXPECT_FALSE(Exists("Prog/OrvaneMac/ann/orvaneserver.ini"));
  replies["/cgi-bin/get_location_all_webdav?"] = " a b c d e";
  modGeneral::LookUpUserServers("ann");
  EXPECT_EQ(Ini("Prog/OrvaneMac/ann/orvaneserver.ini", "Orvane", "SERVERNAME"), "");
  EXPECT_EQ(Ini("Prog/OrvaneMac/ann/orvaneserver.ini", "Orvane", "WEBDAVSERVER"), "d");

  // A denied post is repeated once.
  posts.clear();
  deniedOnce = true;
  replies["/cgi-bin/get_location_all_webdav?"] = "s r x y w";
  modGeneral::LookUpUserServers("bo");
  EXPECT_EQ(posts.size(), 2u);
  EXPECT_EQ(Ini("Prog/OrvaneMac/bo/orvaneserver.ini", "Orvane", "WEBDAVSERVER"), "w");
}

TEST_F(SignInTest, LogTrimmingKeepsSmallLogsAndEmptiesBigOnes) {
  WriteBytes("Prog/OrvaneMac/OrvaneLogFile.txt", QByteArray(100000, 'a'));
  WriteBytes("Prog/OrvaneMac/TraceFile.txt", QByteArray(100001, 'b'));
  modGeneral::TrimLogFiles();
  EXPECT_EQ(Bytes("Prog/OrvaneMac/OrvaneLogFile.txt").size(), 100000);
  EXPECT_EQ(Bytes("Prog/OrvaneMac/TraceFile.txt"), Bom());
}

TEST_F(SignInTest, WindowsClientAccountIsRefusedBeforeTheEngine) {
  replies["/cgi-bin/orvanee_get_tessara_and_orvane?"] = " Windows_User\r\n";
  EXPECT_FALSE(modGeneral::StartLogin("win & co\r\n", "p+w&d", 1, 1));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith("This is an Orvane for Windows account. It cannot be used with the Orvane for "
                                     "Mac - Windos Restore application"));
  EXPECT_EQ(icons[0], win::MB_ICON_WARNING);
  // Both values go encoded, the name without its line end.
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].host, OrvaneSrv::CurrentServiceHosts().sMainWebHost);
  EXPECT_EQ(posts[0].body, "user=win%20%26%20co&pass=p%2Bw%26d");
  EXPECT_TRUE(CallsNamed("Cont_login").isEmpty());
}

TEST_F(SignInTest, EmptyAccountTypeRepliesAskTwiceThenRefuse) {
  replies.clear();
  EXPECT_FALSE(modGeneral::StartLogin("jo", "pw", 1, 1));
  EXPECT_EQ(posts.size(), 2u);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith("Unable to connect to server. Username/Email address or Password is "
                                     "incorrect. \r\n\r\nLogin may also fail"));
  EXPECT_TRUE(CallsNamed("Cont_login").isEmpty());
}

TEST_F(SignInTest, OlderProductAccountBringsItsCredentialsAndQuota) {
  replies["/cgi-bin/orvanee_get_tessara_and_orvane?"] = "tessara:oldtess:Old+pass1:1073741824";
  // The sign-in window's boxes as the user filled them.
  const auto previousName = modGeneral::SetTypedNameSource([] { return QStringLiteral("old@example.org"); });
  const auto previousPassword = modGeneral::SetTypedPasswordSource([] { return QStringLiteral(" typed "); });
  const bool opened = modGeneral::StartLogin("old@example.org", "typed", 1, 1);
  (void)modGeneral::SetTypedNameSource(previousName);
  (void)modGeneral::SetTypedPasswordSource(previousPassword);
  EXPECT_TRUE(opened);
  EXPECT_EQ(Program().AccountQuotaMB, "1024");
  // The name of the reply holds no "@": no e-mail lookup, and the engine
  // signs in with the reply's credentials.
  EXPECT_EQ(CallsNamed("Cont_login").value(0), "Cont_login(oldtess,Old+pass1,F)");
  // The account's password file holds what the engine signed in with; the
  // typed name's, which fills the password box at the next start, what the
  // user typed.
  EXPECT_EQ(gTransfer().Trf_ReadUserProfile("oldtess", true), "Old+pass1");
  EXPECT_EQ(gTransfer().Trf_ReadUserProfile("old@example.org", true), "typed");
}

TEST_F(SignInTest, EmailNameStillHeldIsResolvedOrRefused) {
  replies["/cgi-bin/get_email_user?"] = "too many rows\n";
  EXPECT_FALSE(modGeneral::StartLogin("Busy@Example.org", "pw", 1, 1));
  EXPECT_EQ(posts.back().body, "email=busy%40example%2Eorg");
  EXPECT_EQ(messages.value(0), modReg::GetMessageText(499));
  messages.clear();
  replies["/cgi-bin/get_email_user?"] = "mkowalski\n";
  EXPECT_TRUE(modGeneral::StartLogin("m@example.org", "pw", 1, 1));
  EXPECT_EQ(CallsNamed("Cont_login").value(0), "Cont_login(mkowalski,pw,F)");
}

TEST_F(SignInTest, SuccessRecordsTheSession) {
  WriteBytes("Prog/OrvaneMac/OrvaneLogFile.txt", QByteArray());
  Program().LastEngineError = "stale";
  ASSERT_TRUE(modGeneral::LoginToServer("alice", "pw", 1, 1));
  EXPECT_TRUE(messages.isEmpty());
  EXPECT_EQ(Passes(), 1);
  EXPECT_TRUE(LogLines().last().endsWith(" : alice has logged in"));
  EXPECT_EQ(Ini("Prog/OrvaneMac/orvane.ini", "Orvane", "UserName"), "alice");
  EXPECT_EQ(Ini("Prog/OrvaneMac/orvane.ini", "Orvane", "SSLKey"), "1");
  EXPECT_EQ(Ini("Prog/OrvaneMac/orvane.ini", "Orvane", "StatusKey"), "1");
  EXPECT_EQ(gTransfer().Trf_ReadUserProfile("alice", true), "pw");
  // The password file is the user's alone.
  const QFileDevice::Permissions perms = QFileInfo(Host("Prog/OrvaneMac/alice/alice.txt")).permissions();
  EXPECT_TRUE(perms & QFileDevice::ReadOwner);
  EXPECT_FALSE(perms & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther |
                        QFileDevice::WriteOther));
  EXPECT_EQ(Program().RemoteRootKey, "/users/alice/Files/");
  EXPECT_EQ(Program().AccountName, "alice");
  EXPECT_EQ(Program().ShownAccountName, "alice");
  EXPECT_EQ(Program().LoginCount, 1);
  EXPECT_TRUE(Program().RemoteTreeConnected);
  EXPECT_TRUE(MainWindow().mnuDisconnect->isEnabled());
  EXPECT_FALSE(MainWindow().mnuConnect->isEnabled());

  // Remember off: the password files go at disconnect.
  gTransfer().Trf_WriteUserProfile("StatusKey", "0", false);
  modGeneral::ForgetUnrememberedPasswords();
  EXPECT_FALSE(Exists("Prog/OrvaneMac/alice/alice.txt"));
}

TEST_F(SignInTest, FailedPassesEndInTheAccountStatusMessages) {
  struct Row {
    QString errorText;
    Integer status;
    int passes;
    QString message;
    bool messageLogin = false;  // the service sent a sign-in message
  };
  const QString firewall =
      "\r\n\r\nLogin may also fail if firewall settings do not allow necessary privileges for the application to "
      "run. If you are behind a proxy server, make sure to set the proxy server settings under 'Settings'.";
  const Row rows[] = {
      // An empty reason allows two passes.
      {"", 4, 2, modReg::GetMessageText(569)},
      {"", 5, 2, modReg::GetMessageText(568)},
      {"", 1, 2, modReg::GetMessageText(513) + "alice" + modReg::GetMessageText(514)},
      {"", 3, 2, modReg::GetMessageText(510) + firewall},
      {"", 3, 2, modReg::GetMessageText(512), true},
      // The engine's verdict on the credentials ends the passes at once.
      {"Your username or password is incorrect.", 2, 1,
       modReg::GetMessageText(515) + "alice" + modReg::GetMessageText(516)},
      // No finding of the service: the engine's reason follows its own text.
      {"Your username or password is incorrect.", 3, 1,
       modReg::GetMessageText(511) + "Your username or password is incorrect." + firewall},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.message.toStdString());
    ResetProgramForTesting();
    Program().AppWord = "OrvaneMac";
    WriteBytes("Prog/OrvaneMac/TraceFile.txt", QByteArray());
    messages.clear();
    engine().answer = false;
    engine().errorText = r.errorText;
    engine().accountStatus = r.status;
    engine().messageLogin = r.messageLogin;
    Program().RemoteTreeConnected = true;
    EXPECT_FALSE(modGeneral::LoginToServer("alice", "pw", 1, 1));
    EXPECT_EQ(Passes(), r.passes);
    EXPECT_EQ(messages, QStringList{r.message});
    EXPECT_FALSE(Program().RemoteTreeConnected);
    EXPECT_EQ(Program().LoginCount, 0);
  }
}

TEST_F(SignInTest, AlternateSignInNeverLeavesSslAndIsTriedFromTheFourthPass) {
  engine().answer = false;
  engine().errorText = "The server did not answer.";
  // SSL on: the fourth failed pass ends the sign-in instead of going to port 80.
  EXPECT_FALSE(modGeneral::LoginToServer("alice", "pw", 1, 1));
  EXPECT_EQ(Passes(), 4);
  EXPECT_FALSE(CallsNamed("Cont_login").join(';').contains(",T)"));
  EXPECT_EQ(messages, QStringList{modReg::GetMessageText(508) + "The server did not answer."});
  EXPECT_EQ(icons.value(0), win::MB_ICON_WARNING);

  // SSL off: the fourth and the fifth pass each sign in the alternate way.
  Calls();
  messages.clear();
  WriteBytes("Prog/OrvaneMac/TraceFile.txt", QByteArray());
  EXPECT_FALSE(modGeneral::LoginToServer("alice", "pw", 0, 1));
  EXPECT_EQ(Passes(), 5);
  EXPECT_EQ(CallsNamed("Cont_login").filter(",T)").size(), 4);  // both engines, twice
  EXPECT_EQ(messages.size(), 1);
}

TEST_F(SignInTest, RevocationFailureOnTheFirstPass) {
  engine().answer = false;
  engine().errorText = "Error 12057 while opening the session.";
  replies["/cgi-bin/get_location_all_webdav?"] = "a b c d e";
  EXPECT_FALSE(modGeneral::LoginToServer("alice", "pw", 1, 1));
  EXPECT_EQ(Passes(), 1);
  // The servers were looked up first, then the revocation lines written.
  ASSERT_FALSE(posts.empty());
  EXPECT_EQ(posts[0].path, "/cgi-bin/get_location_all_webdav?");
  EXPECT_TRUE(LogLines().join('\n').contains("Security certificate revocation failed : 12057"));
  EXPECT_TRUE(TraceLines().contains("Trying to connect to Orvane using alternate method."));
  EXPECT_EQ(messages, QStringList{modReg::GetMessageText(508) + "Error 12057 while opening the session."});
}

TEST_F(SignInTest, ProxyAllowsOnePassAndAnEngineRefusalStopsAtOnce) {
  gTransfer().Trf_WriteProxyProfile("ProxyName", "proxy1");
  engine().answer = false;
  engine().errorText = "x";
  EXPECT_FALSE(modGeneral::LoginToServer("alice", "pw", 1, 1));
  EXPECT_EQ(Passes(), 1);

  messages.clear();
  engine().loginAnswers[3] = false;
  engine().loginAnswers[4] = false;
  EXPECT_FALSE(modGeneral::LoginToServer("bob", "pw", 1, 1));
  EXPECT_EQ(messages, QStringList{modReg::GetMessageText(506) + "x"});

  // A blank account name signs nothing in.
  Calls();
  EXPECT_FALSE(modGeneral::LoginToServer("  ", "pw", 1, 1));
  EXPECT_TRUE(CallsNamed("Cont_login").isEmpty());
}

}  // namespace
}  // namespace OrvaneMac
