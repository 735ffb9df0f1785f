#include "program/windows/MesgBox.h"

#include "platform/shell/Shell.h"
#include "platform/ui/MessageBoxService.h"
#include "program/windows/SkinControls.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"
#include "program/foundation/ProgramState.h"
#include "program/windows/WindowsTestSupport.h"
#include "program/windows/modGeneralWindows.h"

#include <gtest/gtest.h>

#include <QFontMetrics>

#include <functional>

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

const QString kTitle = QStringLiteral("Orvane for Mac - Windows Restore");

class MesgBoxTest : public ::testing::Test {
 protected:
  void SetUp() override { App(); }
  void TearDown() override {
    CancelPending();
    Box().Unload();
  }
  static MesgBox& Box() { return MesgBox::Instance(); }
  static QWidget* W() { return Box().Window(); }
};

// ------------------------------------------------------------ text placement

struct TextCase {
  int length;
  bool shortText;
  QString leadingBreaks;
  double labelHeight;
};

class MesgBoxTextTest : public MesgBoxTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(MesgBoxTextTest, PlacesTheTextByItsLength) {
  const TextCase& c = GetParam();
  const QString text(c.length, QLatin1Char('x'));
  Box().SetMessage(text);
  EXPECT_FALSE(W()->isVisible());  // touching the box loads it hidden
  EXPECT_EQ(Box().ShortTextShown(), c.shortText);
  Label* shown = c.shortText ? Box().lblSmallText() : Box().lblText();
  Label* other = c.shortText ? Box().lblText() : Box().lblSmallText();
  EXPECT_TRUE(shown->isVisibleTo(W()));
  EXPECT_FALSE(other->isVisibleTo(W()));
  EXPECT_EQ(shown->Caption(), c.leadingBreaks + text);
  EXPECT_EQ(Twips::Height(shown), c.labelHeight);
  // The first sizing of a call measures from the label's design top.
  EXPECT_EQ(Box().Height(), 585 + 495 + c.labelHeight + 465);
  EXPECT_EQ(Twips::Top(shown), 200);
}

INSTANTIATE_TEST_SUITE_P(
    ByLength, MesgBoxTextTest,
    ::testing::Values(TextCase{50, true, {}, 1230}, TextCase{51, false, "\r\n\r\n", 1000},
                      TextCase{74, false, "\r\n\r\n", 1000}, TextCase{75, false, "\r\n\r\n", 1000},
                      TextCase{125, false, "\r\n\r\n", 1000},  // 2.5 goes to the even 2
                      TextCase{126, false, "\r\n", 1230}, TextCase{175, false, "\r\n", 1230},
                      TextCase{225, false, "\r\n", 1230},  // 4.5 goes to the even 4
                      TextCase{226, false, {}, 1230}, TextCase{275, false, {}, 1755}),
    [](const auto& info) { return "Length" + std::to_string(info.param.length); });

TEST_F(MesgBoxTest, SizesTheWindowToItsText) {
  Box().SetMessage(QString(80, QLatin1Char('x')));
  EXPECT_EQ(Box().Width(), 1110 + 5190 + 800);
  Box().Unload();

  // A short text narrower than a button face gets the face's width.
  Box().SetMessage(QStringLiteral("Hi"));
  EXPECT_EQ(Twips::Width(Box().lblSmallText()), 1095);
  EXPECT_EQ(Box().Width(), 1095 + 1910);
  Box().Unload();

  // A wider short text gives its own measure.
  Box().SetMessage(QStringLiteral("The selected folder could not be found anymore."));
  const double measured = Twips::Width(Box().lblSmallText());
  EXPECT_GT(measured, 1095);
  EXPECT_EQ(Box().Width(), measured + 1910);
}

TEST_F(MesgBoxTest, ANarrowBoxKeepsItsWholeTitleLeftOfTheCloseBox) {
  WhenShown(Box(), [&] {
    const QRect title = Box().AppCaption()->geometry();
    const QRect close = Box().MsgClose()->geometry();
    EXPECT_LE(title.right(), close.left());
    EXPECT_LE(QFontMetrics(Box().AppCaption()->font()).horizontalAdvance(kTitle), title.width());
    SaveScreenshot(W(), QStringLiteral("mesgbox_narrow"));
    TypeKey(W(), Qt::Key_Return);
  });
  EXPECT_EQ(Box().MessageBox(QStringLiteral("Hi"), 0, 0, kTitle), win::MB_ANSWER_OK);
}

// ------------------------------------------------------------ answers

TEST_F(MesgBoxTest, ErrorQuestionShowsItsIconAndButtonsAndAnswersByKeyAndCloseBox) {
  const QString text(51, QLatin1Char('m'));
  QStringList captions;
  std::vector<bool> iconsShown;
  QString caption;
  QString windowTitle;
  WhenShown(Box(), [&] {
    for (int i = 0; i < 3; ++i) {
      if (Box().cmdButton(i)->isVisibleTo(W())) captions << Box().lbl_cmdButton(i)->Caption();
    }
    for (int i = 0; i < 4; ++i) iconsShown.push_back(Box().picIcon(i)->isVisibleTo(W()));
    caption = Box().AppCaption()->Caption();
    windowTitle = W()->windowTitle();
    SaveScreenshot(W(), QStringLiteral("mesgbox_error_yes_no"));
    TypeKey(W(), Qt::Key_Return);
  });
  EXPECT_EQ(Box().MessageBox(text, 2, 2, kTitle), 6);
  EXPECT_EQ(captions, (QStringList{"&Yes", "&No"}));
  EXPECT_EQ(iconsShown, (std::vector<bool>{false, false, true, false}));
  EXPECT_EQ(caption, kTitle);
  EXPECT_EQ(windowTitle, kTitle);
  EXPECT_FALSE(Box().IsLoaded());  // answered: unloaded
  EXPECT_EQ(Box().ButtonCount(), 2);
  EXPECT_EQ(Box().AccessLetters(), "ynYN");

  WhenShown(Box(), [&] { ClickOn(Box().MsgClose()); });
  EXPECT_EQ(Box().MessageBox(text, 2, 2, kTitle), 7);

  WhenShown(Box(), [&] { TypeKey(W(), Qt::Key_N, Qt::AltModifier); });
  EXPECT_EQ(Box().MessageBox(text, 2, 2, kTitle), 7);

  WhenShown(Box(), [&] { TypeKey(W(), Qt::Key_Return); });
  EXPECT_EQ(Box().MessageBox(text, 2, 1, kTitle), 2);
}

struct AnswerCase {
  const char* name;
  long style;
  std::function<void()> act;
  long expected;  // -1: the action does nothing (Enter then closes the box)
};

TEST_F(MesgBoxTest, AnswersEachStyleByItsButtonsKeysAndCloseBox) {
  auto button = [](int i, Qt::MouseButton b = Qt::LeftButton) {
    return [i, b] { ClickOn(MesgBox::Instance().cmdButton(i), b); };
  };
  auto caption = [](int i) { return [i] { ClickOn(MesgBox::Instance().lbl_cmdButton(i)); }; };
  auto alt = [](int key) { return [key] { TypeKey(MesgBox::Instance().Window(), key, Qt::AltModifier); }; };
  auto enter = [] { TypeKey(MesgBox::Instance().Window(), Qt::Key_Return); };
  auto keypadEnter = [] { TypeKey(MesgBox::Instance().Window(), Qt::Key_Enter, Qt::KeypadModifier); };
  auto close = [] { ClickOn(MesgBox::Instance().MsgClose()); };
  auto closeRight = [] { ClickOn(MesgBox::Instance().MsgClose(), Qt::RightButton); };
  auto plainLetter = [] { TypeKey(MesgBox::Instance().Window(), Qt::Key_O, Qt::NoModifier, "o"); };
  auto escape = [] { TypeKey(MesgBox::Instance().Window(), Qt::Key_Escape); };

  const AnswerCase cases[] = {
      {"enter ok", 0, enter, 0},
      {"enter ok/cancel", 1, enter, 2},
      {"enter yes/no", 2, enter, 6},
      {"keypad enter yes/no", 2, keypadEnter, 6},
      {"enter ok/cancel/retry", 3, enter, 0},
      {"enter ok/cancel/ignore", 4, enter, 0},
      {"button ok", 0, button(0), 0},
      {"button cancel", 1, button(1), 2},
      {"button yes", 2, button(0), 6},
      {"caption no", 2, caption(1), 7},
      {"button retry", 3, button(2), 4},
      {"caption ignore", 4, caption(2), 5},
      {"right button on a button", 2, button(0, Qt::RightButton), -1},
      {"close yes/no", 2, close, 7},
      {"close ok/cancel", 1, close, 2},
      {"close ok/cancel/retry", 3, close, 2},
      {"close ok", 0, close, 0},
      {"right button on the close box of yes/no", 2, closeRight, -1},
      {"alt+n yes/no", 2, alt(Qt::Key_N), 7},
      {"alt+y yes/no", 2, alt(Qt::Key_Y), 6},
      {"alt+y ok", 0, alt(Qt::Key_Y), -1},
      {"alt+r ok/cancel/retry", 3, alt(Qt::Key_R), 4},
      {"alt+i ok/cancel/ignore", 4, alt(Qt::Key_I), 5},
      {"alt+c ok/cancel", 1, alt(Qt::Key_C), 2},
      {"alt+o ok/cancel", 1, alt(Qt::Key_O), 0},
      {"o without alt", 0, plainLetter, -1},
      {"escape", 2, escape, -1},
  };
  const long enterAnswer[] = {0, 2, 6, 0, 0};
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(c.name);
    bool stillOpen = false;
    WhenShown(Box(), [&] {
      c.act();
      if (c.expected >= 0) return;
      stillOpen = Box().IsLoaded() && W()->isVisible();
      enter();
    });
    const long answer = Box().MessageBox(QStringLiteral("Choose."), 1, c.style, kTitle);
    if (c.expected >= 0) {
      EXPECT_EQ(answer, c.expected);
    } else {
      EXPECT_TRUE(stillOpen);
      EXPECT_EQ(answer, enterAnswer[c.style]);
    }
  }
}

TEST_F(MesgBoxTest, ABoxClosedWithoutAButtonNeverAnswersAnEarlierBoxsButton) {
  WhenShown(Box(), [] { ClickOn(MesgBox::Instance().cmdButton(0)); });
  ASSERT_EQ(Box().MessageBox(QStringLiteral("Delete?"), 1, 2, kTitle), 6);

  WhenShown(Box(), [] { ClickOn(MesgBox::Instance().MsgClose()); });
  EXPECT_EQ(Box().MessageBox(QStringLiteral("Done."), 0, 0, kTitle), 0);
}

TEST_F(MesgBoxTest, AnUnknownStyleShowsNoButtonsAndKeepsThePreviousLetters) {
  WhenShown(Box(), [] { TypeKey(MesgBox::Instance().Window(), Qt::Key_Return); });
  ASSERT_EQ(Box().MessageBox(QStringLiteral("Sure?"), 1, 2, kTitle), 6);

  int visibleFaces = -1;
  WhenShown(Box(), [&] {
    visibleFaces = 0;
    for (int i = 0; i < 3; ++i) visibleFaces += Box().cmdButton(i)->isVisibleTo(W()) ? 1 : 0;
    ClickOn(Box().MsgClose());
  });
  EXPECT_EQ(Box().MessageBox(QStringLiteral("Odd."), 0, 9, kTitle), 0);
  EXPECT_EQ(visibleFaces, 0);
  EXPECT_EQ(Box().ButtonCount(), -1);
  EXPECT_EQ(Box().AccessLetters(), "ynYN");
  EXPECT_EQ(Box().DefaultLetter(), "y");

  // The letters of the previous box still answer.
  WhenShown(Box(), [] { TypeKey(MesgBox::Instance().Window(), Qt::Key_Y, Qt::AltModifier); });
  EXPECT_EQ(Box().MessageBox(QStringLiteral("Odd."), 0, 9, kTitle), 6);
}

TEST_F(MesgBoxTest, AnUnknownIconAnswersZeroWithoutShowingTheBox) {
  bool shown = false;
  WhenShown(Box(), [&] {
    shown = true;
    TypeKey(W(), Qt::Key_Return);
  });
  EXPECT_EQ(Box().MessageBox(QStringLiteral("Sure?"), 7, 2, kTitle), 0);
  QCoreApplication::processEvents();
  EXPECT_FALSE(shown);
  EXPECT_TRUE(Box().IsLoaded());
  EXPECT_FALSE(W()->isVisible());
}

TEST_F(MesgBoxTest, AMessageAskedForWhileTheBoxIsUpIsNotShownAndDoesNotHang) {
  long inner = -1;
  WhenShown(Box(), [&] {
    // Work pumped from inside the box asks for another message.
    inner = Box().MessageBox(QStringLiteral("Second"), 0, 0, kTitle);
    TypeKey(W(), Qt::Key_Return);
  });
  // The one window now holds the second message and its OK button: the
  // question is never taken as a Yes.
  EXPECT_EQ(Box().MessageBox(QStringLiteral("First?"), 1, 2, kTitle), 0);
  EXPECT_EQ(inner, 0);
  EXPECT_FALSE(Box().IsLoaded());
}

TEST_F(MesgBoxTest, ACallerMayHideTheCloseBoxAndShowTheLinkAroundACall) {
  Box().MsgClose()->hide();        // loads the box hidden
  Box().UniHyperLink1()->show();
  ASSERT_TRUE(Box().IsLoaded());
  std::vector<win::ShellRequest> opened;
  win::ScopedShellLauncher launcher([&](const win::ShellRequest& r) {
    opened.push_back(r);
    return win::SHELL_EXECUTE_OK;
  });
  bool closeShown = true;
  WhenShown(Box(), [&] {
    closeShown = Box().MsgClose()->isVisibleTo(W());
    // The link stands whole on a row of its own, clear of the OK button.
    HyperLink* link = Box().UniHyperLink1();
    const QRect linkPlace(link->mapTo(W(), QPoint(0, 0)), link->size());
    const QRect ok(Box().cmdButton(0)->mapTo(W(), QPoint(0, 0)), Box().cmdButton(0)->size());
    EXPECT_FALSE(linkPlace.intersects(ok));
    EXPECT_LE(QFontMetrics(link->font()).horizontalAdvance(link->Caption()), link->width());
    EXPECT_TRUE(W()->rect().contains(linkPlace));
    SaveScreenshot(W(), QStringLiteral("mesgbox_with_link"));
    Program().SkipActivateRepaint = false;
    ClickOn(Box().UniHyperLink1());
    TypeKey(W(), Qt::Key_Return);
  });
  EXPECT_EQ(Box().MessageBox(QString(120, QLatin1Char('s')), 0, 0, kTitle), 0);
  EXPECT_FALSE(closeShown);
  // Opened the way the program opens its documents and pages.
  EXPECT_TRUE(Program().SkipActivateRepaint);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].action, win::ShellRequest::Action::OpenAddress);
  EXPECT_TRUE(opened[0].target.endsWith("/orvanee/jsp/ove_freesignup.jsp?type=M")) << opened[0].target.toStdString();
}

TEST_F(MesgBoxTest, ButtonsLightUpUnderThePointerOnceThePanelWasEntered) {
  WhenShown(Box(), [&] {
    const qint64 normal = ImageList4Mac().Picture("button_enb").cacheKey();
    const qint64 over = ImageList4Mac().Picture("button_ovr").cacheKey();
    // Before the pointer crossed the panel, the captions do not light up.
    HoverOver(Box().lbl_cmdButton(1));
    EXPECT_EQ(Box().cmdButton(1)->PictureHandle(), normal);
    HoverOver(Box().Picture2());
    EXPECT_TRUE(Box().HoverEnabled());
    HoverOver(Box().lbl_cmdButton(1));
    EXPECT_EQ(Box().cmdButton(1)->PictureHandle(), over);
    EXPECT_EQ(Box().lbl_cmdButton(1)->ForeColor(), modGeneral::kLabelHoverColor);
    EXPECT_EQ(Box().cmdButton(0)->PictureHandle(), normal);
    SaveScreenshot(W(), QStringLiteral("mesgbox_hover"));
    HoverOver(Box().lbl_cmdButton(0));
    EXPECT_EQ(Box().cmdButton(1)->PictureHandle(), normal);
    EXPECT_EQ(Box().cmdButton(0)->PictureHandle(), over);
    HoverOver(W());
    EXPECT_EQ(Box().cmdButton(0)->PictureHandle(), normal);
    // Held down on its caption, the face looks pressed; nothing is answered
    // before the release.
    const QPointF at(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, at, Box().lbl_cmdButton(0)->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Box().lbl_cmdButton(0), &press);
    EXPECT_TRUE(Box().cmdButton(0)->Pressed());
    EXPECT_TRUE(Box().IsLoaded());
    SaveScreenshot(W(), QStringLiteral("mesgbox_pressed"));
    TypeKey(W(), Qt::Key_Return);
  });
  Box().MessageBox(QStringLiteral("Do you want to restore the selected items now?"), 1, 2, kTitle);
}

TEST_F(MesgBoxTest, LoadSetsTheSkipFlagAndFreshStateEveryTime) {
  Program().SkipActivateRepaint = false;
  Box().Load();
  EXPECT_TRUE(Program().SkipActivateRepaint);
  EXPECT_FALSE(Box().HoverEnabled());
  EXPECT_EQ(Box().MsgClose()->PictureHandle(), ImageList4Mac().Picture("zq_small_close").cacheKey());
  EXPECT_EQ(Box().picIcon(3)->PictureHandle(), ImageList4Mac().Picture("zq_msg_warn").cacheKey());
  EXPECT_EQ(Box().cmdButton(2)->PictureHandle(), ImageList4Mac().Picture("button_enb").cacheKey());
}

TEST_F(MesgBoxTest, AtOneHundredTwentyDpiTheWindowKeepsItsPixelSizeAndMovesTheCaptions) {
  ScopedTwipsPerPixel dpi120(12, 12);
  Box().Load();
  EXPECT_EQ(Box().Width(), 6750 / 1.25);
  EXPECT_EQ(Box().Height(), 3945 / 1.25);
  EXPECT_EQ(W()->width(), 450);
  EXPECT_EQ(Twips::Height(Box().Picture2()), 3945 / 1.25 - 475);
  EXPECT_EQ(Twips::Width(Box().MsgClose()), 170);
  EXPECT_EQ(Twips::Height(Box().MsgClose()), 170);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Twips::Top(Box().lbl_cmdButton(i)), 30);
    EXPECT_EQ(Twips::Left(Box().lbl_cmdButton(i)), -20);
  }
  EXPECT_EQ(Twips::Top(Box().UniHyperLink1()), 1235);
  EXPECT_EQ(Twips::Left(Box().UniHyperLink1()), 3575);
  Box().Unload();
  WhenShown(Box(), [&] {
    SaveScreenshot(W(), QStringLiteral("mesgbox_120dpi"));
    TypeKey(W(), Qt::Key_Return);
  });
  EXPECT_EQ(Box().MessageBox(QString(60, QLatin1Char('w')), 3, 1, kTitle), 2);

  // At 96 dpi nothing moves.
  ScopedTwipsPerPixel dpi96(15, 15);
  Box().Load();
  EXPECT_EQ(Box().Width(), 6750);
  EXPECT_EQ(Twips::Top(Box().lbl_cmdButton(0)), 45);
}

TEST_F(MesgBoxTest, TheEngineMessagesShowInTheSameBox) {
  MesgBox::InstallAsMessageBoxService();
  QString caption;
  WhenShown(Box(), [&] {
    caption = Box().AppCaption()->Caption();
    TypeKey(W(), Qt::Key_N, Qt::AltModifier);
  });
  EXPECT_EQ(win::MessageBox(QStringLiteral("Restore through the web route instead?"), 1, 2, "Orvane"), 7);
  EXPECT_EQ(caption, "Orvane");
  win::SetMessageBoxHandler({});
}

TEST_F(MesgBoxTest, ScreenshotsOfEveryIconAndStyle) {
  struct Shot {
    const char* name;
    long icon;
    long style;
    int length;
  };
  const Shot shots[] = {
      {"mesgbox_info_ok_short", 0, 0, 0},      {"mesgbox_question_ok_cancel", 1, 1, 140},
      {"mesgbox_warn_retry", 3, 3, 200},       {"mesgbox_error_ignore_long", 2, 4, 320},
  };
  const QString words = QStringLiteral(
      "The restore could not reach the server. Check the network connection and the proxy settings, then try the "
      "restore again. When the problem stays, send the session log to the support team so that they can look into "
      "it. Items already restored are kept in the destination folder and are not fetched a second time. ");
  for (const Shot& s : shots) {
    const QString text = s.length == 0 ? QStringLiteral("The restore has finished.") : words.left(s.length);
    WhenShown(Box(), [&] {
      SaveScreenshot(W(), QString::fromLatin1(s.name));
      TypeKey(W(), Qt::Key_Return);
    });
    Box().MessageBox(text, s.icon, s.style, kTitle);
  }
  EXPECT_TRUE(QFile::exists(QDir(ScreenshotFolder()).filePath("mesgbox_info_ok_short.png")));
}

}  // namespace
}  // namespace OrvaneMac
