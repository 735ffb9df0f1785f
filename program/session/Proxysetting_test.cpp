// The proxy and dial-up settings window: what it shows from the stores, its
// three switches, the save with its field checks (dial-up values stored
// before them, the proxy section untouched by a refused save), the system
// proxy import and the dial-up entry list.
#include "program/session/Proxysetting.h"

#include <QCheckBox>
#include <QComboBox>

#include <gtest/gtest.h>

#include "platform/dialup/Phonebook.h"
#include "platform/registry/Registry.h"
#include "platform/ui/MessageBoxService.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/foundation/SettingsStores.h"
#include "program/session/Transfer.h"
#include "program/windows/SkinControls.h"
#include "program/windows/WindowsTestSupport.h"

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

const QString kInternet = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

class ProxyWindowTest : public ProgramTest {
 protected:
  void SetUp() override {
    App();
    ProgramTest::SetUp();
    Program().AppTitle = "Orvane for Mac - Windows Restore";
    ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
    // The keys the dial-up writes go to exist, as on a machine with dial-up.
    for (const QString& key : {kInternet, QString("RemoteAccess"), QString("RemoteAccess\\Profile\\Office")}) {
      ASSERT_EQ(win::RegistryWriteString(win::HKEY_CURRENT_USER, key, "x", "", win::RegistryKeyMode::Create), 0);
    }
    ASSERT_EQ(win::SetPhonebookEntries({"Home ISP", "Office"}), 0);
    boxes_.emplace([this](const win::MessageBoxRequest& r) {
      messages.append(r.text);
      return win::MB_ANSWER_OK;
    });
  }
  void TearDown() override {
    CancelPending();
    if (W().IsLoaded()) W().Unload();
    boxes_.reset();
    ProgramTest::TearDown();
  }
  static Proxysetting& W() { return Proxysetting::Instance(); }
  static QString Proxy(const QString& key) { return gTransfer().Trf_ReadProxyProfile(key); }
  static QString Profile(const QString& key) { return gTransfer().Trf_ReadUserProfile(key, false); }
  static std::optional<win::DWORD> Dword(const QString& key, const QString& name) {
    return win::RegistryReadDword(win::HKEY_CURRENT_USER, key, name);
  }

  QStringList messages;

 private:
  std::optional<win::ScopedMessageBoxHandler> boxes_;
};

TEST_F(ProxyWindowTest, EmptyProfileShowsEverythingOff) {
  W().Show();
  for (QCheckBox* box : {W().Proxyenabled(), W().ProxyAuth(), W().DialupEnabled(), W().AutoConnectEnabled()}) {
    EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
  }
  for (TextBoxEx* f : {W().IPText(), W().ProxyPort(), W().sUsername(), W().sPassword()}) {
    EXPECT_TRUE(f->text().isEmpty());
    EXPECT_TRUE(f->isReadOnly());
  }
  EXPECT_FALSE(W().cmdIEsetting()->isEnabled());
  EXPECT_FALSE(W().ISPComboList()->isEnabled());
  EXPECT_EQ(W().ISPComboList()->count(), 0);
  EXPECT_TRUE(W().Reset()->isHidden());
  EXPECT_EQ(W().lbl_OK()->Caption(), "&Save Settings");
  EXPECT_TRUE(Program().SkipActivateRepaint);
}

TEST_F(ProxyWindowTest, StoredSettingsAreShownAndSavedBack) {
  gTransfer().Trf_WriteProxyProfile("ProxyName", "proxy1");
  gTransfer().Trf_WriteProxyProfile("ProxyPort", "3128");
  gTransfer().Trf_WriteProxyProfile("ProxyUser", "pu");
  modGeneral::SavePasswordFile(QString(), "ppw", 5);
  gTransfer().Trf_WriteUserProfile("ISPName", "Office", false);
  gTransfer().Trf_WriteUserProfile("AutoConnect", "1", false);
  W().Show();
  EXPECT_TRUE(W().Proxyenabled()->isChecked());
  EXPECT_TRUE(W().ProxyAuth()->isChecked());
  EXPECT_FALSE(W().ProxyAuth()->isEnabled());  // until the proxy state is applied
  EXPECT_EQ(W().IPText()->text(), "proxy1");
  EXPECT_FALSE(W().IPText()->isReadOnly());
  EXPECT_EQ(W().ProxyPort()->text(), "3128");
  EXPECT_EQ(W().sUsername()->text(), "pu");
  EXPECT_EQ(W().sPassword()->text(), "ppw");
  EXPECT_TRUE(W().DialupEnabled()->isChecked());
  EXPECT_TRUE(W().AutoConnectEnabled()->isChecked());
  EXPECT_EQ(W().ISPComboList()->currentText(), "Office");
  EXPECT_EQ(W().ISPComboList()->count(), 0);
  EXPECT_TRUE(W().cmdIEsetting()->isEnabled());
  SaveScreenshot(W().Window(), "Proxysetting");

  // The dial-up switch applied with the mouse fills the list and selects the
  // default entry; saving stores it.
  ASSERT_EQ(win::RegistryWriteString(win::HKEY_CURRENT_USER, "RemoteAccess", "InternetProfile", "Office"), 0);
  ClickOn(W().Label4());
  EXPECT_EQ(W().ISPComboList()->count(), 2);
  EXPECT_EQ(W().ISPComboList()->currentText(), "Office");
  W().SaveSettings();
  EXPECT_TRUE(messages.isEmpty());
  EXPECT_TRUE(W().IsLoaded());
  EXPECT_TRUE(W().Window()->isHidden());
  EXPECT_EQ(Dword(kInternet, "EnableAutoDial"), 1u);
  EXPECT_EQ(Dword(kInternet, "GlobalUserOffline"), 0u);
  EXPECT_EQ(Dword("RemoteAccess\\Profile\\Office", "AutoConnect"), 1u);
  EXPECT_EQ(Profile("ISPName"), "Office");
  EXPECT_EQ(Proxy("ProxyName"), "proxy1");
  EXPECT_EQ(modGeneral::ReadPasswordFile(QString(), 5), "ppw");
  EXPECT_EQ(Program().ProxySettings.host, "proxy1");
}

TEST_F(ProxyWindowTest, RefusedSaveLeavesTheProxySectionButStoresDialUp) {
  gTransfer().Trf_WriteProxyProfile("ProxyName", "proxy1");
  gTransfer().Trf_WriteProxyProfile("ProxyPort", "3128");
  gTransfer().Trf_WriteUserProfile("ISPName", "Office", false);
  W().Show();
  W().IPText()->setText("   ");
  W().SaveSettings();
  EXPECT_EQ(messages, QStringList{"Enter the proxy name."});
  EXPECT_EQ(Proxy("ProxyName"), "proxy1");
  EXPECT_FALSE(W().Window()->isHidden());
  EXPECT_EQ(Dword(kInternet, "EnableAutoDial"), 1u);
  EXPECT_EQ(Dword("RemoteAccess\\Profile\\Office", "AutoConnect"), 0u);
  EXPECT_EQ(Profile("AutoConnect"), "0");

  // Port, then the authentication fields, in order.
  W().IPText()->setText("proxy2");
  W().ProxyPort()->setText(" ");
  W().SaveSettings();
  EXPECT_EQ(messages.last(), "Enter the proxy port.");
  W().ProxyPort()->setText("8080");
  W().ProxyAuth()->setChecked(true);
  W().SaveSettings();
  EXPECT_EQ(messages.last(), "Enter the username for the proxy authentication.");
  W().sUsername()->setText("u");
  W().SaveSettings();
  EXPECT_EQ(messages.last(), "Enter the proxy authentication password.");
  EXPECT_EQ(Proxy("ProxyName"), "proxy1");
}

TEST_F(ProxyWindowTest, SwitchesAppliedWithTheMouse) {
  gTransfer().Trf_WriteProxyProfile("ProxyName", "proxy1");
  gTransfer().Trf_WriteProxyProfile("ProxyUser", "pu");
  modGeneral::SavePasswordFile(QString(), "ppw", 5);
  gTransfer().Trf_WriteUserProfile("ISPName", "Office", false);
  W().Show();
  // Authentication off with the mouse: the fields empty, and the save deletes
  // the password file.
  W().ProxyAuth()->setEnabled(true);
  ClickOn(W().ProxyAuth());
  EXPECT_FALSE(W().ProxyAuth()->isChecked());
  EXPECT_TRUE(W().sUsername()->text().isEmpty());
  EXPECT_FALSE(W().sPassword()->isEnabled());
  // Dial-up off with the mouse: stored at once.
  ClickOn(W().DialupEnabled());
  EXPECT_EQ(Dword(kInternet, "EnableAutoDial"), 0u);
  EXPECT_EQ(Profile("ISPName"), "");
  EXPECT_EQ(Profile("AutoConnect"), "0");
  W().ProxyPort()->setText("3128");
  W().SaveSettings();
  EXPECT_EQ(Proxy("ProxyUser"), "");
  EXPECT_FALSE(Exists("Prog/OrvaneMac/ZQProxyUser.txt"));

  // Proxy off with the mouse, then Save: address and port stored empty.
  W().Show();
  ClickOn(W().Label3());  // the caption runs the procedure without toggling
  EXPECT_TRUE(W().Proxyenabled()->isChecked());
  ClickOn(W().Proxyenabled());
  EXPECT_TRUE(W().IPText()->text().isEmpty());
  EXPECT_FALSE(W().cmdIEsetting()->isEnabled());
  W().SaveSettings();
  EXPECT_EQ(Proxy("ProxyName"), "");
  EXPECT_EQ(Proxy("ProxyPort"), "");
}

TEST_F(ProxyWindowTest, AMiddleButtonReleaseRunsTheStateProcedureWithoutToggling) {
  gTransfer().Trf_WriteUserProfile("ISPName", "Office", false);
  gTransfer().Trf_WriteUserProfile("AutoConnect", "0", false);
  W().Show();
  ASSERT_TRUE(W().DialupEnabled()->isChecked());
  ASSERT_FALSE(W().AutoConnectEnabled()->isChecked());
  ClickOn(W().DialupEnabled(), Qt::MiddleButton);
  EXPECT_TRUE(W().DialupEnabled()->isChecked());
  EXPECT_TRUE(W().AutoConnectEnabled()->isChecked());  // the checked state's procedure ran
  W().AutoConnectEnabled()->setChecked(false);
  ClickOn(W().DialupEnabled(), Qt::RightButton);  // nothing
  EXPECT_FALSE(W().AutoConnectEnabled()->isChecked());
}

// The system's proxy as the host environment names it, for one test.
class ProxyVariables {
 public:
  explicit ProxyVariables(const QByteArray& value) {
    for (const char* var : {"https_proxy", "HTTPS_PROXY", "http_proxy", "HTTP_PROXY"}) {
      saved_.push_back({var, qgetenv(var)});
      qunsetenv(var);
    }
    if (!value.isEmpty()) qputenv("http_proxy", value);
  }
  ~ProxyVariables() {
    for (const auto& [var, value] : saved_) {
      if (value.isEmpty()) {
        qunsetenv(var);
      } else {
        qputenv(var, value);
      }
    }
  }

 private:
  std::vector<std::pair<const char*, QByteArray>> saved_;
};

TEST_F(ProxyWindowTest, SystemProxyImport) {
  std::optional<ProxyVariables> proxy(std::in_place, "http://proxy1:8080/");
  W().Show();
  // Alt+I works while the button is disabled.
  TypeKey(W().Window(), Qt::Key_I, Qt::AltModifier);
  EXPECT_TRUE(W().Proxyenabled()->isChecked());
  EXPECT_EQ(W().IPText()->text(), "proxy1");
  EXPECT_EQ(W().ProxyPort()->text(), "8080");

  proxy.emplace("");
  W().cmdIEsetting_Click();
  EXPECT_EQ(messages, QStringList{"Internet proxy settings are currently disabled."});
  EXPECT_FALSE(W().Proxyenabled()->isChecked());
  EXPECT_TRUE(W().IPText()->text().isEmpty());
  EXPECT_TRUE(W().IPText()->isReadOnly());
  EXPECT_FALSE(W().cmdIEsetting()->isEnabled());
}

}  // namespace
}  // namespace OrvaneMac
