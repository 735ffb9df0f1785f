// Signing in through the sign-in window: by account name, and by an e-mail
// address shared by two accounts (the chooser).
#include "tests/journeys/Journey.h"

#include <QComboBox>
#include <QJsonArray>
#include <QJsonObject>
#include <QUrl>

#include "program/foundation/ProgramState.h"
#include "program/main/Smart.h"
#include "program/session/Login.h"
#include "program/session/frmSelectUserName.h"
#include "program/windows/SkinControls.h"
#include "testbed/include/TestbedControl.h"

namespace OrvaneMac::journey {
namespace {

JOURNEY(SignInByNameShowsTheAccountRoot) {
  Run([&] {
    SignIn();
    ASSERT_TRUE(WaitFor([] { return Smart::Instance().IsLoaded() && Smart::Instance().Window()->isVisible(); },
                        "the main window"));
    WaitFor([] { return Program().RemoteTreeConnected; }, "the account's root");
    Shot("main-window");
    // Every toolbar picture shows its face once the session is open.
    EXPECT_TRUE(Ask([] {
      Smart& w = Smart::Instance();
      for (PictureBox* p : {w.Pict_Refresh(), w.Pict_Sess_Log(), w.Pic_Snap(), w.Pict_Help(), w.Pict_Delete()})
        if (p->PictureHandle() == 0) return false;
      return true;
    }));
    EXPECT_TRUE(TransferLog().contains(user_ + " has logged in"));
    EXPECT_FALSE(Ask([] { return Login::Instance().IsLoaded(); }));
    EXPECT_FALSE(NodeByPath("Documents").IsNothing());
  });
}

JOURNEY(SignInByEmailChoosesAmongTheAccountsOfTheAddress) {
  Run([&] {
    // An address two accounts share; the password is the sample account's.
    SignInAs("family@example.org", password_);
    ASSERT_TRUE(WaitFor(
        [] { return frmSelectUserName::Instance().IsLoaded() && frmSelectUserName::Instance().Window()->isVisible(); },
        "the account chooser"));
    const QStringList names = Ask([] {
      QStringList out;
      QComboBox* list = frmSelectUserName::Instance().Combo1();
      for (int i = 0; i < list->count(); ++i) out << list->itemText(i);
      return out;
    });
    EXPECT_EQ(names, QStringList({"mkowalski", "winclient"}));
    // The user looks at both names and takes the sample account.
    PickFromList([] { return frmSelectUserName::Instance().Combo1(); }, "winclient", "chooser-list");
    PickFromList([] { return frmSelectUserName::Instance().Combo1(); }, "mkowalski");
    EXPECT_EQ(Ask([] { return frmSelectUserName::Instance().Combo1()->currentText(); }), "mkowalski");
    Shot("chooser-picked");
    Click([] { return frmSelectUserName::Instance().cmdOK(); });

    ASSERT_TRUE(WaitFor([] { return Smart::Instance().IsLoaded() && Smart::Instance().Window()->isVisible(); },
                        "the main window"));
    WaitFor([] { return Program().RemoteTreeConnected; }, "the account's root");
    Shot("main-window");
    EXPECT_FALSE(Ask([] { return frmSelectUserName::Instance().IsLoaded(); }));
    EXPECT_TRUE(TransferLog().contains(user_ + " has logged in"));
    // The header names the account chosen, and the tree is its own.
    EXPECT_TRUE(Ask([] { return Smart::Instance().lblVersionDisp()->Caption(); }).startsWith(user_ + ": "));
    EXPECT_FALSE(NodeByPath("Documents").IsNothing());
    // The address was looked up once; the account type was asked for the
    // chosen name with its password, never for the address.
    int lookups = 0;
    QStringList typeBodies;
    for (const QJsonValue& entry : testbed::Log()) {
      const QJsonObject e = entry.toObject();
      if (e["path"].toString().contains("email_user")) {
        ++lookups;
        EXPECT_TRUE(QUrl::fromPercentEncoding(e["body"].toString().toUtf8()).contains("email=family@example.org"))
            << e["body"].toString().toStdString();
      }
      if (e["path"].toString() == "/cgi-bin/orvanee_get_tessara_and_orvane") {
        typeBodies << e["body"].toString();
        EXPECT_TRUE(e["password_ok"].toBool());
      }
    }
    EXPECT_EQ(lookups, 1);
    ASSERT_FALSE(typeBodies.isEmpty());
    for (const QString& body : typeBodies) EXPECT_TRUE(body.startsWith("user=mkowalski&pass=")) << body.toStdString();
  });
}

}  // namespace
}  // namespace OrvaneMac::journey
