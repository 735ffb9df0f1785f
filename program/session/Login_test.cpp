// The sign-in window: what it shows from the profile and the defaults it
// writes, one sign-in per click, the field checks, the links, the end of
// the program before the first sign-in, and the e-mail road with the
// account chooser through to the session, against a recording engine and
// scripted service replies.
#include "program/session/Login.h"

#include <QCheckBox>
#include <QApplication>
#include <QComboBox>

#include <gtest/gtest.h>

#include <map>

#include "ZQwinSrv/facade/_clsController.h"
#include "ZQwinSrv/server/HttpFunctions.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/shell/Shell.h"
#include "platform/ui/MessageBoxService.h"
#include "program/browse/BrowseTestSupport.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/session/FakeEngineController.h"
#include "program/session/SessionImages.h"
#include "program/session/Transfer.h"
#include "program/session/frmSelectUserName.h"
#include "program/windows/SkinControls.h"
#include "program/windows/Twips.h"

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

class LoginTest : public ProgramTest {
 protected:
  void SetUp() override {
    App();
    ProgramTest::SetUp();
    Program().AppTitle = "Orvane for Mac - Windows Restore";
    ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
    engines_.emplace();
    main_.emplace();
    win::ClassInfo info;
    info.clsid = QString::fromLatin1(OrvaneSrv::kControllerClassId);
    std::weak_ptr<EngineRecord> weak = engines_->record;
    info.factory = [weak]() -> vb::ObjectRef {
      auto r = weak.lock();
      return r ? std::make_shared<FakeEngineController>(r, 100) : nullptr;
    };
    controllerClass_ = win::RegisterClassObject(std::move(info));
    poster_.emplace([this](const QString& host, const QString& path, const QString& body, Integer, QString&, Long) {
      posts.append(host + path + body);
      auto found = replies.find(path);
      return found == replies.end() ? QString() : found->second;
    });
    boxes_.emplace([this](const win::MessageBoxRequest& r) {
      messages.append(r.text);
      return win::MB_ANSWER_OK;
    });
    shell_.emplace([this](const win::ShellRequest& r) {
      opened.append(r.target);
      return 42L;
    });
    modGeneral::SetEndProgramHandler([this] { ++ends; });
    replies["/cgi-bin/orvanee_get_tessara_and_orvane?"] = "orvane_mac";
  }
  void TearDown() override {
    CancelPending();
    if (frmSelectUserName::Instance().IsLoaded()) frmSelectUserName::Instance().Unload();
    ++ends;  // the unload below may end the program: counted, not ended
    if (W().IsLoaded()) W().Unload();
    shell_.reset();
    boxes_.reset();
    poster_.reset();
    controllerClass_ = {};
    main_.reset();
    engines_.reset();
    ProgramTest::TearDown();
  }

  static Login& W() { return Login::Instance(); }
  QString Ini(const QString& key) {
    return gTransfer().Trf_ReadProfile("C:\\Prog\\OrvaneMac\\orvane.ini", "Orvane", key);
  }
  int LoginCalls() const { return engines_->record->calls.filter(":Cont_login(").size(); }
  QStringList Calls() const { return engines_->record->calls; }

  QStringList posts;
  std::map<QString, QString> replies;
  QStringList messages;
  QStringList opened;
  int ends = 0;

 private:
  std::optional<ScopedFakeEngines> engines_;
  std::optional<MiniMainWindow> main_;
  win::ClassRegistration controllerClass_;
  std::optional<OrvaneSrv::ScopedScriptPoster> poster_;
  std::optional<win::ScopedMessageBoxHandler> boxes_;
  std::optional<win::ScopedShellLauncher> shell_;
};

TEST_F(LoginTest, FreshProfileShowsDefaultsAndWritesThem) {
  W().Show();
  EXPECT_TRUE(W().chk_ssllogin()->isChecked());
  EXPECT_TRUE(W().ChkRemPasswd()->isChecked());
  EXPECT_TRUE(W().txtUserName()->text().isEmpty());
  EXPECT_EQ(W().txtPassword()->echoMode(), QLineEdit::Password);
  EXPECT_EQ(W().lbl_cmdOK()->Caption(), "&Login");
  EXPECT_EQ(W().lbl_cmdCancel()->Caption(), "&Cancel");
  EXPECT_EQ(W().lbl_Setting()->Caption(), "&Settings");
  EXPECT_EQ(W().Window()->windowTitle(), "Orvane for Mac - Windows Restore");
  EXPECT_FALSE(W().lblLink()->isEnabled());
  EXPECT_TRUE(W().Animation1()->isHidden());
  EXPECT_EQ(W().picbkgrd()->PictureHandle(), LoginImageList1Mac().Picture("zq_login").cacheKey());
  EXPECT_TRUE(Bytes("Prog/OrvaneMac/orvane.ini").contains("TempFolder=\r\n"));
  EXPECT_EQ(Ini("desktopnotify"), "0");
  EXPECT_FALSE(Ini("outgoingserver").isEmpty());
  EXPECT_FALSE(Program().LoginCancelRequested);
  W().txtUserName()->setText("jo@example.org");
  W().txtPassword()->setText("secret");
  SaveScreenshot(W().Window(), "Login");

  // A lower-case "false" is kept.
  ++ends;
  W().Unload();
  gTransfer().Trf_WriteUserProfile("desktopnotify", "false", false);
  W().Load();
  EXPECT_EQ(Ini("desktopnotify"), "false");
}

TEST_F(LoginTest, ProfilePrefillsTheBoxes) {
  struct Row {
    const char* status;
    const char* ssl;
    bool remember;
    const char* user;
    const char* password;
    bool sslChecked;
  };
  gTransfer().Trf_WriteUserProfile("UserName_View", " jo ", false);
  gTransfer().Trf_WriteUserProfile("jo", "pw1", true);
  for (const Row& r : {Row{"1", "0", true, "jo", "pw1", false}, Row{"0", "1", false, "", "", true},
                       Row{"x", "", true, "jo", "pw1", true}}) {
    SCOPED_TRACE(r.status);
    gTransfer().Trf_WriteUserProfile("StatusKey", r.status, false);
    gTransfer().Trf_WriteUserProfile("SSLKey", r.ssl, false);
    W().Load();
    EXPECT_EQ(W().ChkRemPasswd()->isChecked(), r.remember);
    EXPECT_EQ(W().txtUserName()->text(), r.user);
    EXPECT_EQ(W().txtPassword()->text(), r.password);
    EXPECT_EQ(W().chk_ssllogin()->isChecked(), r.sslChecked);
    ++ends;
    W().Unload();
  }
  // A user whose password file is missing gets only the name.
  gTransfer().Trf_WriteUserProfile("StatusKey", "1", false);
  gTransfer().Trf_WriteUserProfile("UserName_View", "ann", false);
  W().Load();
  EXPECT_EQ(W().txtUserName()->text(), "ann");
  EXPECT_EQ(W().txtPassword()->text(), "");
}

TEST_F(LoginTest, OneSignInPerClickAndTheFieldChecks) {
  W().Show();
  // Left click: the mouse-up signs in, the click only re-arms the guard.
  ClickOn(W().cmdOK());
  EXPECT_EQ(messages.size(), 1);
  EXPECT_TRUE(W().ClickArmed());
  ClickOn(W().lbl_cmdOK(), Qt::RightButton);
  EXPECT_EQ(messages.size(), 1);
  TypeKey(W().Window(), Qt::Key_Return);
  EXPECT_EQ(messages.size(), 2);
  // A name of blanks counts as none: message 502 and nothing is sent.
  EXPECT_EQ(messages[0], modReg::GetMessageText(502));
  W().txtUserName()->setText("   ");
  W().txtPassword()->setText("pw");
  W().LoginUser();
  EXPECT_EQ(messages.last(), modReg::GetMessageText(502));
  W().txtUserName()->setText("jo");
  W().txtPassword()->clear();
  W().LoginUser();
  EXPECT_EQ(messages.last(), modReg::GetMessageText(503));
  EXPECT_TRUE(posts.isEmpty());
  EXPECT_TRUE(W().Window()->isEnabled());
  EXPECT_TRUE(W().Setting()->isEnabled());

  // An e-mail address that is none.
  W().txtUserName()->setText("jo@.example");
  W().txtPassword()->setText("pw");
  W().LoginUser();
  EXPECT_EQ(messages.last(), modReg::GetMessageText(230));
  EXPECT_TRUE(posts.isEmpty());
}

TEST_F(LoginTest, AltLSignsInAndTypesNothingWhicheverKeyIsReleasedFirst) {
  W().Show();
  QApplication::setActiveWindow(W().Window());
  W().txtUserName()->clear();  // each sign-in stops at the name check
  W().txtPassword()->setText("pw");
  W().txtPassword()->setFocus();
  struct Case {
    const char* name;
    bool altReleasedFirst;
  };
  for (const Case& c : {Case{"L released first", false}, Case{"Alt released first", true}}) {
    SCOPED_TRACE(c.name);
    const qsizetype before = messages.size();
    SendKey(W().Window(), QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
    SendKey(W().Window(), QEvent::KeyPress, Qt::Key_L, Qt::AltModifier, "l");
    if (c.altReleasedFirst) SendKey(W().Window(), QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
    SendKey(W().Window(), QEvent::KeyRelease, Qt::Key_L, c.altReleasedFirst ? Qt::NoModifier : Qt::AltModifier, "l");
    if (!c.altReleasedFirst) SendKey(W().Window(), QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
    EXPECT_EQ(W().txtPassword()->text(), "pw");
    EXPECT_EQ(messages.size(), before + 1) << "no sign-in started";
  }
  // Without Alt the letter is text.
  W().txtPassword()->setFocus();
  W().txtPassword()->end(false);  // the box selects its text when it takes the focus
  TypeKey(W().Window(), Qt::Key_L, Qt::NoModifier, "l");
  EXPECT_EQ(W().txtPassword()->text(), "pwl");
}

TEST_F(LoginTest, LinksOpenTheServicePagesOverHttps) {
  W().Show();
  ClickOn(W().Image1(), Qt::MiddleButton);
  EXPECT_TRUE(opened.isEmpty());
  ClickOn(W().Image1());
  ClickOn(W().Image2(), Qt::MiddleButton);
  ClickOn(W().Image3());
  EXPECT_EQ(messages, QStringList{modReg::GetMessageText(502)});
  W().txtUserName()->setText(" jo & co ");
  ClickOn(W().Image3());
  ASSERT_EQ(opened.size(), 3);
  EXPECT_TRUE(opened[0].startsWith("https://") && opened[0].endsWith("/orvanee/jsp/ove_freesignup.jsp?type=M"));
  EXPECT_TRUE(opened[1].endsWith("/ove_forgotpass.htm"));
  EXPECT_TRUE(opened[2].endsWith("/orvanee/jsp/OVEUpgradeApp.jsp?username=jo%20%26%20co&quota=2048"));
}

TEST_F(LoginTest, CancelEndsTheProgramOnlyBeforeTheFirstSignIn) {
  W().Show();
  TypeKey(W().Window(), Qt::Key_Escape);
  EXPECT_EQ(ends, 1);
  EXPECT_TRUE(Program().LoginCancelRequested);

  // After a sign-in Cancel only closes the window (the unload that follows
  // answers to the main window's visibility, below).
  Program().LoginCount = 1;
  Program().Disconnected = false;
  ClickOn(W().lbl_cmdCancel());
  EXPECT_TRUE(Program().Disconnected);
  EXPECT_FALSE(W().IsLoaded());

  // Closed by the system while the main window is hidden: the program ends.
  Program().LoginCount = 0;
  W().Show();
  const int before = ends;
  W().Unload();
  EXPECT_EQ(ends, before + 1);
}

TEST_F(LoginTest, SharedAddressOpensTheChooserAndSignsInWithThePick) {
  replies["/cgi-bin/orvanee_get_email_user.cgi?"] = "mkowalski winclient\n";
  W().Show();
  W().txtUserName()->setText("Family@Example.org");
  W().txtPassword()->setText("pw");
  QStringList entries;
  WhenShown(frmSelectUserName::Instance(), [&entries] {
    QComboBox* list = frmSelectUserName::Instance().Combo1();
    for (int i = 0; i < list->count(); ++i) entries.append(list->itemText(i));
    list->setCurrentIndex(1);
    frmSelectUserName::Instance().Accept();
  });
  W().LoginUser();
  EXPECT_EQ(entries, QStringList({"mkowalski", "winclient"}));
  EXPECT_EQ(posts.value(0).section('?', 1), "email=family%40example%2Eorg");
  EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
  // Prepared once for the lookups, then signed in with the chosen name.
  EXPECT_TRUE(Calls().contains("100:InitEngine(C:\\Prog,1,,OrvaneMac)"));
  EXPECT_TRUE(Calls().join(';').contains("Cont_login(winclient,pw,F)"));
  EXPECT_EQ(Program().LoginCount, 1);
  EXPECT_EQ(gTransfer().Trf_ReadProfile("C:\\Prog\\OrvaneMac\\winclient\\orvaneserver.ini", "Orvane", "FirstLogin"),
            "1");
  EXPECT_EQ(Ini("bkupmode"), "0");
  EXPECT_EQ(ends, 0);
  EXPECT_FALSE(W().IsLoaded());
}

TEST_F(LoginTest, ChooserClosedOrLookupFailedEndsQuietlyOrWithTheReason) {
  replies["/cgi-bin/orvanee_get_email_user.cgi?"] = "mkowalski winclient\n";
  W().Show();
  W().txtUserName()->setText("family@example.org");
  W().txtPassword()->setText("pw");
  WhenShown(frmSelectUserName::Instance(), [] { frmSelectUserName::Instance().CloseWithoutChoice(); });
  W().LoginUser();
  EXPECT_TRUE(messages.isEmpty());
  EXPECT_EQ(LoginCalls(), 0);
  EXPECT_TRUE(W().Window()->isEnabled());

  // An empty reply: message 510 with the engine's reason.
  replies.erase("/cgi-bin/orvanee_get_email_user.cgi?");
  W().LoginUser();
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith(modReg::GetMessageText(510) + "The server refused the request.\r\n\r\n"));

  // "Not found" with a line end: message 227.
  replies["/cgi-bin/orvanee_get_email_user.cgi?"] = "Not found\n";
  W().LoginUser();
  EXPECT_EQ(messages.last(), modReg::GetMessageText(227));
  EXPECT_EQ(LoginCalls(), 0);
}

TEST_F(LoginTest, HighResolutionLayout) {
  const ScopedTwipsPerPixel dpi120(12, 12);
  W().Load();
  const double background = Twips::Width(W().picbkgrd());
  EXPECT_NEAR(W().Width(), (background + 15) / 1.25 + 1215, 15);
  EXPECT_NEAR(Twips::Width(W().Animation1()), 720, 1);
  EXPECT_NEAR(Twips::Left(W().ChkRemPasswd()), Twips::Left(W().txtPassword()), 1);
}

}  // namespace
}  // namespace OrvaneMac
