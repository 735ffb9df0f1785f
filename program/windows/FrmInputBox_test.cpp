#include "program/windows/FrmInputBox.h"

#include "program/windows/SkinControls.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"
#include "program/foundation/ProgramState.h"
#include "program/windows/WindowsTestSupport.h"
#include "program/windows/clsRounder.h"

#include <gtest/gtest.h>

#include <functional>

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

const QString kTitle = QStringLiteral("Orvane for Mac - Windows Restore");

class FrmInputBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    Program().InputBoxAnswer.clear();
  }
  void TearDown() override {
    CancelPending();
    Box().Unload();
  }
  static FrmInputBox& Box() { return FrmInputBox::Instance(); }
  static QWidget* W() { return Box().Window(); }

  // Asks with `prompt` and `initial`, lets `act` answer, and returns the answer.
  static QString Ask(const QString& prompt, const QString& initial, std::function<void()> act) {
    WhenShown(Box(), std::move(act));
    Box().ShowInputMessage(prompt, kTitle, initial, 0, 0, QString());
    return Program().InputBoxAnswer;
  }
};

TEST_F(FrmInputBoxTest, TypedTextComesBackUntrimmedOnEnter) {
  QString heading, prompt;
  bool enterDownClosed = false;
  const QString answer = Ask(QStringLiteral("Enter the new name"), {}, [&] {
    heading = Box().lblTitle()->Caption();
    prompt = Box().lblMulMes()->Caption();
    TypeText(W(), QStringLiteral("  New Folder  "));
    SaveScreenshot(W(), QStringLiteral("inputbox_new_name"));
    // Enter acts on its release, not when it goes down.
    SendKey(W(), QEvent::KeyPress, Qt::Key_Return);
    enterDownClosed = !Box().IsLoaded();
    SendKey(W(), QEvent::KeyRelease, Qt::Key_Return);
  });
  EXPECT_EQ(answer, "  New Folder  ");
  EXPECT_FALSE(enterDownClosed);
  EXPECT_EQ(heading, kTitle);
  EXPECT_EQ(prompt, "Enter the new name");
  EXPECT_FALSE(Box().IsLoaded());
}

TEST_F(FrmInputBoxTest, EveryWayOutButAcceptingANonEmptyEntryLeavesTheAnswerEmpty) {
  struct Case {
    const char* name;
    QString initial;
    std::function<void()> act;
    QString expected;
  };
  auto click = [](std::function<QWidget*()> target, Qt::MouseButton b = Qt::LeftButton) {
    return [target, b] { ClickOn(target(), b); };
  };
  const Case cases[] = {
      {"close area", "Old", click([] { return FrmInputBox::Instance().MsgClose(); }), ""},
      {"close label", "Old", click([] { return FrmInputBox::Instance().lblClose(); }), ""},
      {"accept an empty entry", "", click([] { return FrmInputBox::Instance().OK(); }), ""},
      {"accept with the button", "report.txt", click([] { return FrmInputBox::Instance().lbl_OK(); }), "report.txt"},
      {"accept with the middle button", "a", click([] { return FrmInputBox::Instance().OK(); }, Qt::MiddleButton),
       "a"},
      {"accept with Alt+C", "b",
       [] { TypeKey(FrmInputBox::Instance().Window(), Qt::Key_C, Qt::AltModifier); }, "b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Program().InputBoxAnswer.clear();
    EXPECT_EQ(Ask(QStringLiteral("Enter the new name for file/folder "), c.initial, c.act), c.expected);
    EXPECT_FALSE(Box().IsLoaded());
  }
}

TEST_F(FrmInputBoxTest, ARightClickOnTheButtonDoesNothing) {
  bool stillOpen = false;
  const QString answer = Ask(QStringLiteral("Enter the name of the folder"), QStringLiteral("Kept"), [&] {
    ClickOn(Box().OK(), Qt::RightButton);
    ClickOn(Box().MsgClose(), Qt::RightButton);
    stillOpen = Box().IsLoaded() && W()->isVisible();
    TypeKey(W(), Qt::Key_Return);
  });
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(answer, "Kept");
}

TEST_F(FrmInputBoxTest, TheEntryIsSelectedWhenItTakesTheFocus) {
  QString selected;
  Ask(QStringLiteral("Enter the new name for file/folder "), QStringLiteral("Budget 2010.xls"), [&] {
    Box().OK()->setFocus();
    Box().txtbksetname()->setFocus();
    selected = Box().txtbksetname()->selectedText();
    SaveScreenshot(W(), QStringLiteral("inputbox_rename"));
    TypeKey(W(), Qt::Key_Return);
  });
  EXPECT_EQ(selected, "Budget 2010.xls");
}

TEST_F(FrmInputBoxTest, LoadPaintsTheBackgroundRoundsTheWindowAndSetsTheSkipFlag) {
  Program().SkipActivateRepaint = false;
  Box().Load();
  EXPECT_TRUE(Program().SkipActivateRepaint);
  EXPECT_EQ(W()->size(), QSize(450, 170));
  EXPECT_EQ(W()->mask().boundingRect(), QRect(0, 0, 450, 170));  // made with 451 x 171
  EXPECT_EQ(Box().OK()->PictureHandle(), ImageList4Mac().Picture("button_enb").cacheKey());
  EXPECT_EQ(Box().lbl_OK()->Caption(), "&Close");
  EXPECT_FALSE(Box().Cancel()->isVisibleTo(W()));
  Program().SkipActivateRepaint = false;
  Box().Unload();
  EXPECT_TRUE(Program().SkipActivateRepaint);
}

TEST_F(FrmInputBoxTest, AtOneHundredTwentyDpiEveryControlShrinksAndTheHeadingMovesUp) {
  ScopedTwipsPerPixel dpi120(12, 12);
  Box().Load();
  EXPECT_EQ(Box().Width(), 6750 / 1.25);
  EXPECT_EQ(Box().Height(), 2550 / 1.25);
  EXPECT_EQ(W()->size(), QSize(450, 170));  // the pixel size of 96 dpi
  EXPECT_EQ(Twips::Place(Box().txtbksetname()), QRectF(300 / 1.25, 1380 / 1.25, 6075 / 1.25, 315 / 1.25));
  EXPECT_EQ(Twips::Place(Box().lbl_OK()), QRectF(60 / 1.25, 45 / 1.25, 990 / 1.25, 255 / 1.25));
  EXPECT_EQ(Twips::Top(Box().lblTitle()), 50);
  EXPECT_EQ(Twips::Left(Box().lblTitle()), 150 / 1.25);
  Box().Unload();
  EXPECT_EQ(Ask(QStringLiteral("Enter the new name"), QStringLiteral("Photos"), [] {
              SaveScreenshot(FrmInputBox::Instance().Window(), QStringLiteral("inputbox_120dpi"));
              TypeKey(FrmInputBox::Instance().Window(), Qt::Key_Return);
            }),
            "Photos");
}

}  // namespace
}  // namespace OrvaneMac
