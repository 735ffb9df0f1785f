// The sign-in's service lookups against the service double: the account
// type (a Windows-client account refused before any WebDAV request, empty
// replies, the credentials reaching the script intact), and the e-mail
// lookup opening the account chooser. Runs inside testbed/run; skipped
// outside it.
#include "program/session/Login.h"

#include <QComboBox>
#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

#include "ZQwinSrv/facade/ClassRegistration.h"
#include "platform/inet/WinInet.h"
#include "platform/ui/MessageBoxService.h"
#include "program/browse/BrowseTestSupport.h"
#include "program/session/Transfer.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/session/SignIn.h"
#include "program/session/SignInLookups.h"
#include "program/session/clsController.h"
#include "program/session/frmSelectUserName.h"
#include "program/windows/SkinControls.h"
#include "program/windows/WindowsTestSupport.h"
#include "testbed/include/TestbedControl.h"

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

const QString kAccountTypePath = "/cgi-bin/orvanee_get_tessara_and_orvane";

class SignInE2eTest : public ProgramTest {
 protected:
  void SetUp() override {
    if (!testbed::Running()) GTEST_SKIP() << "not inside testbed/run";
    App();
    ProgramTest::SetUp();
    OrvaneSrv::RegisterEngineClasses();
    Program().AppTitle = "Orvane for Mac - Windows Restore";
    ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
    // The outside programs the engine starts, in the program folder.
    for (const QFileInfo& f : QDir(QStringLiteral(ORVANE_PROGRAM_DIR)).entryInfoList(QDir::Files)) {
      QFile::link(f.absoluteFilePath(), Host("Prog/" + f.fileName()));
    }
    testbed::OwnTheWrittenFiles(Host("Prog"));
    // The tunnel's configuration, as the installation ships it; the engine
    // rewrites it for the account's server.
    WriteBytes("Prog/SSLInteractive.conf", QByteArray());
    testbed::Reset();
    boxes_.emplace([this](const win::MessageBoxRequest& r) {
      messages.append(r.text);
      return win::MB_ANSWER_OK;
    });
    modGeneral::SetEndProgramHandler([] {});
    main_.emplace();
  }
  void TearDown() override {
    if (!testbed::Running()) return;
    CancelPending();
    if (frmSelectUserName::Instance().IsLoaded()) frmSelectUserName::Instance().Unload();
    if (Login::Instance().IsLoaded()) Login::Instance().Unload();
    // Ends the session and the engine's tunnel.
    clsController::Instance().Cont_Exit();
    boxes_.reset();
    main_.reset();
    ProgramTest::TearDown();
  }
  static QJsonArray Logged(const QString& path) {
    QJsonArray out;
    for (const QJsonValue& e : testbed::Log()) {
      if (e.toObject()["path"].toString() == path) out.append(e);
    }
    return out;
  }
  static bool AnyWebDav() {
    for (const QJsonValue& e : testbed::Log()) {
      if (e.toObject()["method"].toString() == "PROPFIND") return true;
    }
    return false;
  }

  static QString Ini(const QString& path, const QString& key) {
    return gTransfer().Trf_ReadProfile(path, "Orvane", key);
  }
  static QString TransferLog() {
    QFile f(win::ToHostPath("C:\\Prog\\OrvaneMac\\OrvaneLogFile.txt"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray b = f.readAll();
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData()), b.size() / 2);
  }
  int Passes() const {
    int n = 0;
    for (const QString& line : TraceLines()) n += line.startsWith("Trying login for the ") ? 1 : 0;
    return n;
  }

  QStringList messages;
  std::optional<MiniMainWindow> main_;

 private:
  std::optional<win::ScopedMessageBoxHandler> boxes_;
};

TEST_F(SignInE2eTest, WindowsClientAccountIsRefusedWithoutWebDav) {
  EXPECT_FALSE(modGeneral::StartLogin(qEnvironmentVariable("TESTBED_WIN_USER"),
                                      qEnvironmentVariable("TESTBED_WIN_PASSWORD"), 1, 1));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(messages[0],
            "This is an Orvane for Windows account. It cannot be used with the Orvane for Mac - Windos Restore "
            "application, as Windows and Mac accounts are not inter-operable. You will need to Sign up for a Mac "
            "specific account.");
  EXPECT_EQ(Logged(kAccountTypePath).size(), 1);
  EXPECT_FALSE(AnyWebDav());
}

TEST_F(SignInE2eTest, EmptyAccountTypeRepliesTwiceRefuseTheSignIn) {
  testbed::RequestFault({{"path", kAccountTypePath}}, {{"body", ""}, {"times", 2}});
  EXPECT_FALSE(modGeneral::StartLogin(qEnvironmentVariable("TESTBED_USER"), qEnvironmentVariable("TESTBED_PASSWORD"),
                                      1, 1));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith("Unable to connect to server. Username/Email address or Password is "
                                     "incorrect. \r\n\r\nLogin may also fail if the application has not been "
                                     "granted the necessary firewall privileges."));
  EXPECT_EQ(Logged(kAccountTypePath).size(), 2);
  EXPECT_FALSE(AnyWebDav());
}

TEST_F(SignInE2eTest, CredentialsWithFormCharactersReachTheScriptIntact) {
  // "Orv&ne+2014": encoded, the script reads the password the account has.
  (void)modGeneral::StartLogin(qEnvironmentVariable("TESTBED_USER"), qEnvironmentVariable("TESTBED_PASSWORD"), 1,
                               1);
  const QJsonArray posts = Logged(kAccountTypePath);
  ASSERT_EQ(posts.size(), 1);
  EXPECT_TRUE(posts[0].toObject()["password_ok"].toBool()) << messages.join('|').toStdString();
  EXPECT_TRUE(posts[0].toObject()["body"].toString().startsWith("user=mkowalski&pass="));
}

TEST_F(SignInE2eTest, SharedAddressOpensTheChooserAndAnEmptyEntryIsRefused) {
  testbed::RequestFault({{"path", "/cgi-bin/orvanee_get_email_user.cgi"}},
                        {{"body", "mkowalski  winclient\n"}});
  Login& login = Login::Instance();
  login.Show();
  login.txtUserName()->setText("family@example.org");
  login.txtPassword()->setText("pw");
  QStringList entries;
  bool stayedOpen = false;
  WhenShown(frmSelectUserName::Instance(), [&] {
    frmSelectUserName& chooser = frmSelectUserName::Instance();
    for (int i = 0; i < chooser.Combo1()->count(); ++i) entries.append(chooser.Combo1()->itemText(i));
    chooser.Combo1()->setCurrentIndex(1);
    chooser.Accept();
    stayedOpen = chooser.IsLoaded();
    chooser.CloseWithoutChoice();
  });
  login.LoginUser();
  EXPECT_EQ(entries, QStringList({"mkowalski", "", "winclient"}));
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(messages, QStringList{"Select the specific username to login"});
  EXPECT_TRUE(Logged(kAccountTypePath).isEmpty());

  // The double's own reply for the address: two names, one blank apart.
  messages.clear();
  entries.clear();
  WhenShown(frmSelectUserName::Instance(), [&] {
    frmSelectUserName& chooser = frmSelectUserName::Instance();
    for (int i = 0; i < chooser.Combo1()->count(); ++i) entries.append(chooser.Combo1()->itemText(i));
    chooser.CloseWithoutChoice();
  });
  login.LoginUser();
  EXPECT_EQ(entries, QStringList({"mkowalski", "winclient"}));
  EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SignInE2eTest, SignsInAndListsTheAccountRoot) {
  Login& login = Login::Instance();
  login.Show();
  login.txtUserName()->setText(qEnvironmentVariable("TESTBED_USER"));
  login.txtPassword()->setText(qEnvironmentVariable("TESTBED_PASSWORD"));
  login.LoginUser();
  EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
  EXPECT_TRUE(TransferLog().contains("mkowalski has logged in"));
  EXPECT_EQ(Ini("C:\\Prog\\OrvaneMac\\orvane.ini", "UserName"), "mkowalski");
  EXPECT_EQ(Ini("C:\\Prog\\OrvaneMac\\orvane.ini", "SSLKey"), "1");
  EXPECT_EQ(Ini("C:\\Prog\\OrvaneMac\\mkowalski\\orvaneserver.ini", "FirstLogin"), "1");
  EXPECT_EQ(Program().LoginCount, 1);
  EXPECT_TRUE(Program().RemoteTreeConnected);
  // The account's root with its entries in the main window's tree.
  EXPECT_GE(main_->tree->NodeCount(), 1);
  EXPECT_TRUE(testbed::Requests().contains("PROPFIND /users/mkowalski/Files/ 207"));
  EXPECT_FALSE(login.IsLoaded());
}

TEST_F(SignInE2eTest, WrongPasswordAtTheWebDavServerEndsInTheAccountStatus) {
  EXPECT_FALSE(modGeneral::LoginToServer("mkowalski", "wrong-pass", 1, 1));
  EXPECT_EQ(Passes(), 2);
  EXPECT_EQ(messages, QStringList{"Unable to connect to the server. Reason: Invalid Password"});
  EXPECT_FALSE(Program().RemoteTreeConnected);
}

TEST_F(SignInE2eTest, PasswordAndAddressOutsideAsciiSignInAsTyped) {
  // Characters the 8-bit code page places at 0x80-0x9F, where their UTF-16
  // codes differ from the code page's bytes.
  const QString password = QString::fromUtf8("€uro Šž œ‘’“”–—");
  testbed::Control("POST", "/state", QJsonObject{{"user", "mkowalski"}, {"password", password}});
  Login& login = Login::Instance();
  login.Show();
  login.txtUserName()->setText(QString::fromUtf8("Šárka.Nováková@example.org"));
  login.txtPassword()->setText(password);
  login.LoginUser();
  EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
  EXPECT_TRUE(TransferLog().contains(QString::fromUtf8("Šárka.Nováková@example.org has logged in")));
  const QJsonArray lookups = Logged("/cgi-bin/orvanee_get_email_user.cgi");
  ASSERT_EQ(lookups.size(), 1);
  EXPECT_TRUE(lookups[0].toObject()["body"].toString().startsWith("email=%9A%E1rka%2Enov%E1kov%E1%40"));
  const QJsonArray kinds = Logged(kAccountTypePath);
  ASSERT_EQ(kinds.size(), 1);
  EXPECT_TRUE(kinds[0].toObject()["password_ok"].toBool());
}

TEST_F(SignInE2eTest, AccountStatusAfterAFailedSignInReadsAPasswordOutsideAscii) {
  // The expired account with such a password: the service's status script
  // must recognise the password to tell that the account has expired.
  const QString password = QString::fromUtf8("Lapsed–€1");
  testbed::Control("POST", "/state", QJsonObject{{"user", "lapsed"}, {"password", password}});
  EXPECT_FALSE(modGeneral::LoginToServer("lapsed", password, 1, 1));
  EXPECT_EQ(messages, QStringList{modReg::GetMessageText(515) + "lapsed" + modReg::GetMessageText(516)});
  const QJsonArray asked = Logged("/cgi-bin/get_account_status");
  ASSERT_FALSE(asked.isEmpty());
  EXPECT_TRUE(asked[0].toObject()["password_ok"].toBool());
}

TEST_F(SignInE2eTest, RevocationFailureWithSslOnNeverGoesToPlainHttp) {
  // The servers are known, so the first request is the listing's.
  const QString user = qEnvironmentVariable("TESTBED_USER");
  modGeneral::WriteUserServerProfile("SERVERNAME", qEnvironmentVariable("TESTBED_SCRIPT_SERVER"), user);
  modGeneral::WriteUserServerProfile("RSYNCSERVER", qEnvironmentVariable("TESTBED_RSYNC_HOST"), user);
  modGeneral::WriteUserServerProfile("WEBDAVSERVER", qEnvironmentVariable("TESTBED_WEBDAV_HOST"), user);
  modGeneral::WriteUserServerProfile("QUOTASERVER", qEnvironmentVariable("TESTBED_WEBDAV_HOST"), user);
  // Every request fails the revocation check, also when sent again.
  win::InternetFailEveryRequest(win::ERROR_INTERNET_SEC_CERT_REV_FAILED);
  const bool opened = modGeneral::LoginToServer(user, qEnvironmentVariable("TESTBED_PASSWORD"), 1, 1);
  win::InternetFailEveryRequest(0);
  EXPECT_FALSE(opened);
  EXPECT_EQ(Passes(), 1);
  EXPECT_TRUE(TransferLog().contains("Security certificate revocation failed : 12057"));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith(modReg::GetMessageText(508))) << messages[0].toStdString();
  for (const QJsonValue& e : testbed::Log()) {
    EXPECT_NE(e.toObject()["port"].toString(), "http") << e.toObject()["target"].toString().toStdString();
  }
  EXPECT_FALSE(Program().RemoteTreeConnected);
}

}  // namespace
}  // namespace OrvaneMac
