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
#include "platform/ui/MessageBoxService.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/session/SignIn.h"
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
    testbed::Reset();
    boxes_.emplace([this](const win::MessageBoxRequest& r) {
      messages.append(r.text);
      return win::MB_ANSWER_OK;
    });
    modGeneral::SetEndProgramHandler([] {});
  }
  void TearDown() override {
    if (!testbed::Running()) return;
    CancelPending();
    if (frmSelectUserName::Instance().IsLoaded()) frmSelectUserName::Instance().Unload();
    if (Login::Instance().IsLoaded()) Login::Instance().Unload();
    boxes_.reset();
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

  QStringList messages;

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

}  // namespace
}  // namespace OrvaneMac
