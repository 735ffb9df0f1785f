#include "platform/ui/widgets/WidgetsUi.h"

#include "platform/ui/EventPump.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QKeyEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Acts on the modal box once it is up.
void WhenBoxShows(std::function<void(QMessageBox*)> act) {
  QTimer::singleShot(0, [act] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
      WhenBoxShows(act);
      return;
    }
    act(box);
  });
}

void PressKey(QWidget* w, Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QApplication::sendEvent(w, &release);
}

QAbstractButton* ButtonCaptioned(QMessageBox* box, const QString& caption) {
  for (QAbstractButton* b : box->buttons()) {
    if (b->text() == caption) return b;
  }
  return nullptr;
}

class WidgetsUiTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "ui_widgets_test";
    static char* argv[] = {name, nullptr};
    app_ = new QApplication(argc, argv);
  }
  static void TearDownTestSuite() {
    delete app_;
    app_ = nullptr;
  }
  static QApplication* app_;
};
QApplication* WidgetsUiTest::app_ = nullptr;

TEST_F(WidgetsUiTest, ThePlainBoxShowsTheBoxCaptionsAndAnswersTheButtonPressed) {
  win::InstallWidgetsUi();

  QString title;
  QString text;
  QStringList captions;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  WhenBoxShows([&](QMessageBox* box) {
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    for (QAbstractButton* b : box->buttons()) captions << b->text();
    ButtonCaptioned(box, "&No")->click();
  });
  EXPECT_EQ(win::MessageBox("Exit now?", win::MB_ICON_QUESTION, win::MB_STYLE_YES_NO, "Orvane"), win::MB_ANSWER_NO);
  EXPECT_EQ(title, "Orvane");
  EXPECT_EQ(text, "Exit now?");
  EXPECT_EQ(icon, QMessageBox::Question);
  captions.sort();
  EXPECT_EQ(captions, (QStringList{"&No", "&Yes"}));

  WhenBoxShows([](QMessageBox* box) { ButtonCaptioned(box, "&Retry")->click(); });
  EXPECT_EQ(win::MessageBox("Failed.", win::MB_ICON_ERROR, win::MB_STYLE_OK_CANCEL_RETRY, "t"), win::MB_ANSWER_RETRY);

  // Enter presses Cancel in the OK/Cancel style; Escape is the close box.
  WhenBoxShows([](QMessageBox* box) { PressKey(box, Qt::Key_Return); });
  EXPECT_EQ(win::MessageBox("Go on?", win::MB_ICON_WARNING, win::MB_STYLE_OK_CANCEL, "t"), win::MB_ANSWER_CANCEL);
  WhenBoxShows([](QMessageBox* box) { PressKey(box, Qt::Key_Escape); });
  EXPECT_EQ(win::MessageBox("Sure?", win::MB_ICON_QUESTION, win::MB_STYLE_YES_NO, "t"), win::MB_ANSWER_NO);
  WhenBoxShows([](QMessageBox* box) { PressKey(box, Qt::Key_Return); });
  EXPECT_EQ(win::MessageBox("Sure?", win::MB_ICON_QUESTION, win::MB_STYLE_YES_NO, "t"), win::MB_ANSWER_YES);

  win::SetMessageBoxHandler({});
}

TEST_F(WidgetsUiTest, DoEventsCountsTheOpenWindows) {
  win::InstallWidgetsUi();
  const int before = vb::DoEvents();
  {
    QWidget form;
    form.show();
    QWidget child(&form);  // not a form of its own
    EXPECT_EQ(vb::DoEvents(), before + 1);
  }
  EXPECT_EQ(vb::DoEvents(), before);
  vb::SetOpenFormsCounter({});
}

TEST(WidgetsUiWithoutApplication, AnswersTheCloseBoxAnswerWithoutShowingAnything) {
  ASSERT_EQ(QCoreApplication::instance(), nullptr);
  EXPECT_EQ(win::QtMessageBox({"Sure?", win::MB_ICON_QUESTION, win::MB_STYLE_YES_NO, "t"}), win::MB_ANSWER_NO);
  EXPECT_EQ(win::QtMessageBox({"Note", win::MB_ICON_INFORMATION, win::MB_STYLE_OK, "t"}), win::MB_ANSWER_OK);
}

}  // namespace
