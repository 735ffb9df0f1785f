// The dial-up settings of the sign-in window's Settings picture reaching the
// engine: the connection the user picks becomes the system's default with
// automatic dialling, and the engine switches it to dial automatically
// again when it opens its internet session at the sign-in.
#include "tests/journeys/Journey.h"

#include <QCheckBox>
#include <QComboBox>

#include "platform/dialup/Phonebook.h"
#include "platform/registry/Registry.h"
#include "program/foundation/ProgramState.h"
#include "program/main/Smart.h"
#include "program/session/Login.h"
#include "program/session/Proxysetting.h"
#include "program/session/Transfer.h"

namespace OrvaneMac::journey {
namespace {

const QString kInternetSettings = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");

bool LoginShowing() { return Login::Instance().IsLoaded() && Login::Instance().Window()->isVisible(); }
bool SettingsShowing() { return Proxysetting::Instance().IsLoaded() && Proxysetting::Instance().Window()->isVisible(); }
bool SignInDone() {
  return Smart::Instance().IsLoaded() && Smart::Instance().Window()->isVisible() && Program().RemoteTreeConnected &&
         !Login::Instance().IsLoaded();
}

JOURNEY(DialUpConnectionIsSetToDialAutomaticallyByTheEngine) {
  Run([&] {
    // Two dial-up connections are configured on this computer, the second
    // the system's default; the computer works offline.
    Ask([] {
      ASSERT_EQ(win::SetPhonebookEntries({"Home DSL", "Office ISDN"}), 0);
      ASSERT_EQ(win::RegistryWriteString(win::HKEY_CURRENT_USER, "RemoteAccess", "InternetProfile", "Office ISDN"), 0);
      ASSERT_EQ(win::RegistryWriteDword(win::HKEY_CURRENT_USER, kInternetSettings, "GlobalUserOffline", 1), 0);
    });
    ASSERT_TRUE(WaitFor(LoginShowing, "the sign-in window"));
    Click([] { return Login::Instance().Setting(); });
    ASSERT_TRUE(WaitFor(SettingsShowing, "the settings window"));
    Click([] { return Proxysetting::Instance().DialupEnabled(); });
    WaitFor([] { return Proxysetting::Instance().ISPComboList()->count() == 2; }, "the dial-up connections");
    // The default is chosen, and dialling automatically offered.
    EXPECT_EQ(Ask([] { return Proxysetting::Instance().ISPComboList()->currentText(); }), "Office ISDN");
    EXPECT_TRUE(Ask([] { return Proxysetting::Instance().AutoConnectEnabled()->isChecked(); }));
    PickFromList([] { return Proxysetting::Instance().ISPComboList(); }, "Home DSL", "dial-up-list");
    Shot("dial-up-settings");
    Click([] { return Proxysetting::Instance().OK(); });
    ASSERT_TRUE(WaitFor([] { return !SettingsShowing(); }, "the settings window to close"));

    auto dword = [](const QString& key, const QString& name) {
      return win::RegistryReadDword(win::HKEY_CURRENT_USER, key, name).value_or(99);
    };
    const QString entryKey = QStringLiteral("RemoteAccess\\Profile\\Home DSL");
    Ask([&] {
      EXPECT_EQ(gTransfer().Trf_ReadUserProfile("ISPName", false), "Home DSL");
      EXPECT_EQ(gTransfer().Trf_ReadUserProfile("AutoConnect", false), "1");
      EXPECT_EQ(win::RegistryReadString(win::HKEY_CURRENT_USER, "RemoteAccess", "InternetProfile").value_or(""),
                "Home DSL");
      EXPECT_EQ(dword(kInternetSettings, "EnableAutoDial"), 1u);
      EXPECT_EQ(dword(kInternetSettings, "GlobalUserOffline"), 0u);
      EXPECT_EQ(dword(entryKey, "AutoConnect"), 1u);
      EXPECT_EQ(dword("RemoteAccess\\Profile\\Office ISDN", "AutoConnect"), 99u);
      // The system switches the connection back to dialling by hand (as
      // another program may); the engine's next session sets it again.
      ASSERT_EQ(win::RegistryWriteDword(win::HKEY_CURRENT_USER, entryKey, "AutoConnect", 0), 0);
    });

    SignIn();
    ASSERT_TRUE(WaitFor(SignInDone, "the main window with the account's root"));
    Shot("signed-in");
    EXPECT_EQ(Ask([&] { return dword(entryKey, "AutoConnect"); }), 1u);
    EXPECT_EQ(Ask([&] { return dword("RemoteAccess\\Profile\\Office ISDN", "AutoConnect"); }), 99u);
  });
}

}  // namespace
}  // namespace OrvaneMac::journey
