// The account chooser: the entries its names give, accept and close by
// mouse and keys, and the refusal of an empty entry.
#include "program/session/frmSelectUserName.h"

#include <QComboBox>

#include <gtest/gtest.h>

#include "platform/ui/MessageBoxService.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/ProgramState.h"
#include "program/windows/SkinControls.h"
#include "program/windows/WindowsTestSupport.h"

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

class ChooserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    ResetProgramForTesting();
    Program().AppTitle = "Orvane for Mac - Windows Restore";
  }
  void TearDown() override {
    CancelPending();
    if (F().IsLoaded()) F().Unload();
    ResetProgramForTesting();
  }
  static frmSelectUserName& F() { return frmSelectUserName::Instance(); }
  // Shows the chooser with `names`, lets `act` work on it and answers
  // strUserNames afterwards.
  static QString Run(const QString& names, std::function<void()> act) {
    F().strUserNames = names;
    WhenShown(F(), [act] {
      act();
      if (F().IsLoaded()) F().Unload();
    });
    F().ShowModal();
    return F().strUserNames;
  }
  static QStringList Entries() {
    QStringList out;
    for (int i = 0; i < F().Combo1()->count(); ++i) out.append(F().Combo1()->itemText(i));
    return out;
  }
};

TEST_F(ChooserTest, ListsTheNamesAndAcceptsTheSelection) {
  QStringList entries;
  QString screenshot;
  const QString chosen = Run("alpha beta", [&] {
    entries = Entries();
    EXPECT_EQ(F().Combo1()->currentText(), "alpha");
    EXPECT_EQ(F().AppCaption()->Caption(), "Orvane for Mac - Windows Restore");
    EXPECT_EQ(F().lbl_cmdOK()->Caption(), "Close");
    screenshot = SaveScreenshot(F().Window(), "frmSelectUserName");
    ClickOn(F().cmdOK());
  });
  EXPECT_EQ(entries, QStringList({"alpha", "beta"}));
  EXPECT_EQ(chosen, "alpha");
  EXPECT_EQ(Program().ShownAccountName, "alpha");

  // Enter in the list takes the selected name.
  EXPECT_EQ(Run("alpha beta", [] {
              F().Combo1()->setCurrentIndex(1);
              TypeKey(F().Window(), Qt::Key_Return);
            }),
            "beta");
}

TEST_F(ChooserTest, EmptyMiddleEntryIsRefusedAndCloseReturnsNothing) {
  QStringList messages;
  win::ScopedMessageBoxHandler boxes([&](const win::MessageBoxRequest& r) {
    messages.append(r.text);
    return win::MB_ANSWER_OK;
  });
  bool stayedOpen = false;
  const QString chosen = Run("alpha  beta", [&] {
    EXPECT_EQ(Entries(), QStringList({"alpha", "", "beta"}));
    F().Combo1()->setCurrentIndex(1);
    F().Accept();
    stayedOpen = F().IsLoaded();
    F().CloseWithoutChoice();
  });
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(messages, QStringList{"Select the specific username to login"});
  EXPECT_EQ(chosen, "");

  // A right click on the face does nothing; on its label it accepts.
  bool openAfterRight = false;
  EXPECT_EQ(Run("alpha", [&] {
              ClickOn(F().cmdOK(), Qt::RightButton);
              openAfterRight = F().IsLoaded();
              ClickOn(F().lbl_cmdOK(), Qt::RightButton);
            }),
            "alpha");
  EXPECT_TRUE(openAfterRight);

  EXPECT_EQ(Run("alpha", [] { TypeKey(F().Window(), Qt::Key_Escape); }), "");
  EXPECT_EQ(Run("alpha", [] { ClickOn(F().PicClose()); }), "");
  // Closed by the window system (Alt+F4, the frame's close): no choice
  // either, not the list of names.
  EXPECT_EQ(Run("alpha beta", [] { F().Window()->close(); }), "");
}

}  // namespace
}  // namespace OrvaneMac
