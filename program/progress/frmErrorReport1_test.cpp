#include "program/progress/frmErrorReport1.h"

#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/progress/ProgressTestSupport.h"
#include "program/windows/MesgBox.h"
#include "program/windows/SkinControls.h"
#include "platform/ui/MessageBoxService.h"
#include "program/windows/Twips.h"
#include "platform/errors/RuntimeError.h"

#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include <vector>

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

class FeedbackTest : public ProgramTest {
 protected:
  void SetUp() override {
    App();
    ProgramTest::SetUp();
    // As in the program: validation errors come through the message-box
    // service, which is the program's box.
    MesgBox::InstallAsMessageBoxService();
    Program().AppTitle = QStringLiteral("Orvane for Mac - Windows Restore");
    Program().TypedLoginName = QStringLiteral("jsmith");
    SetFeedbackMailer([this](const FeedbackMail& mail) {
      mails_.push_back(mail);
      if (raise_) vb::Raise(vb::errDeviceIOError);
      return FeedbackMailResult{answer_, answer_ ? QString() : QStringLiteral("refused")};
    });
  }
  void TearDown() override {
    CancelPending();
    Form().Unload();
    SetFeedbackMailer({});
    win::SetMessageBoxHandler({});
    ProgramTest::TearDown();
  }
  static frmErrorReport1& Form() { return frmErrorReport1::Instance(); }
  static void Fill(const QString& from, const QString& message, const QString& contact = {}) {
    Form().txtFrom()->setText(from);
    Form().txtMsg()->setPlainText(message);
    Form().txtContactNumber()->setText(contact);
  }
  std::vector<FeedbackMail> mails_;
  bool answer_ = true;
  bool raise_ = false;
};

TEST_F(FeedbackTest, InvalidInputShowsItsMessageAndSendsNothing) {
  struct Case {
    const char* name;
    QString from;
    QString message;
    QString text;
    int icon;
    const char* focus;
  };
  const Case cases[] = {
      {"empty address", "", "Hello", "Enter your email address.", 0, "txtFrom"},
      {"blank address", "   ", "Hello", "Enter your email address.", 0, "txtFrom"},
      {"empty message", "ann@example.org", "", "Enter your feedback/query.", 0, "txtMsg"},
      {"bad address", "ann@.example", "Hello", "Enter a valid email address.", 2, "txtFrom"},
      {"no dot after the at sign", "ann@example", "Hello", "Enter a valid email address.", 2, "txtFrom"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Form().Load();
    Fill(c.from, c.message);
    MessageRecorder messages;
    Form().cmdSend_Click();
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].text, c.text);
    EXPECT_EQ(messages.Messages()[0].icon, c.icon);
    EXPECT_EQ(Form().Window()->focusWidget() ? Form().Window()->focusWidget()->objectName() : QString(),
              QString::fromLatin1(c.focus));
    EXPECT_TRUE(mails_.empty());
    EXPECT_FALSE(Form().lblProgress()->isVisibleTo(Form().Window()));
    Form().Unload();
  }
}

TEST_F(FeedbackTest, SendPostsTheReportToTheSupportMailboxAndShowsTheOutcome) {
  WriteBytes("Prog/OrvaneMac/OrvaneLogFile.txt", Bom() + Utf16("Error : restore failed\r\n"));
  Form().Load();
  EXPECT_EQ(Form().txtFromName()->text(), "jsmith");
  Fill(" ann@example.org ", "It stops\r\nat 45 %", "555 & 1");
  Form().txtTroubleTicket()->setText("  4711 ");
  Form().cmdSend_Click();
  ASSERT_EQ(mails_.size(), 1u);
  const FeedbackMail& mail = mails_[0];
  EXPECT_EQ(mail.emailid, QString::fromUtf16(OrvaneSrv::kSupportMailAddress));
  EXPECT_EQ(mail.subject, "Orvane for Mac - Windows Restore Ticket : 4711");
  EXPECT_EQ(mail.sToEmail, "ann@example.org");
  EXPECT_FALSE(mail.bFromMonitor);
  EXPECT_TRUE(mail.content.startsWith("<<< USER FEEDBACK FROM ORVANE FOR MAC - WINDOWS RESTORE version >>>1.0.0\r\n"));
  EXPECT_TRUE(mail.content.contains("User's Contact Phone Number:555%20%26%201\r\n"));
  EXPECT_TRUE(mail.content.contains(
      "User 's technical issues/comments/suggestions:\r\n\r\n\r\nIt%20stops\nat%2045%20%25\n\r\n\r\n"
      "----------OrvaneLogFile----------------\r\nError%20%3A%20restore%20failed\n"));
  EXPECT_TRUE(mail.content.endsWith("\r\n\r\nRelease date : 07/09/2010"));
  EXPECT_FALSE(mail.content.contains('&'));
  EXPECT_EQ(Form().lblProgress()->Caption(), "Feedback report has been sent successfully.");
  EXPECT_TRUE(Form().lblProgress()->isVisibleTo(Form().Window()));
  EXPECT_TRUE(Form().Window()->isEnabled());
  EXPECT_TRUE(Form().cmdSend()->isEnabled());
  EXPECT_EQ(Form().txtMsg()->toPlainText(), "It stops\nat 45 %");

  // A second send sends again; a refusal and a failure both leave the
  // window idle.
  answer_ = false;
  Form().cmdSend_Click();
  EXPECT_EQ(mails_.size(), 2u);
  EXPECT_EQ(Form().lblProgress()->Caption(), "Failed to send the feedback report.");
  raise_ = true;
  Form().cmdSend_Click();
  EXPECT_EQ(mails_.size(), 3u);
  EXPECT_TRUE(Form().Window()->isEnabled());
  EXPECT_TRUE(Form().cmdSend()->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(FeedbackTest, TheTicketNumberMakesTheSubject) {
  Form().Load();
  EXPECT_EQ(Form().txtSubject()->text(), "Orvane for Mac - Windows Restore user feedback");
  Form().txtTroubleTicket()->setText(" 12 ");
  EXPECT_EQ(Form().txtSubject()->text(), "Orvane for Mac - Windows Restore Ticket : 12");
  Form().txtTroubleTicket()->setText("   ");
  EXPECT_EQ(Form().txtSubject()->text(), "Orvane for Mac - Windows Restore user feedback");
  EXPECT_TRUE(Form().txtSubject()->isReadOnly());
  EXPECT_EQ(Form().Label3()->Caption(), "Trouble Ticket No\r\n (If created already)");
}

TEST_F(FeedbackTest, ShortcutsAndButtonsActOnlyAsTheyShould) {
  bool shown = false;
  WhenShown(Form(), [&] {
    shown = true;
    Fill("ann@example.org", "Hello");
    Form().txtMsg()->setFocus();
    SaveScreenshot(Form().Window(), QStringLiteral("feedback_filled"));
    ClickOn(Form().cmdSend(), Qt::RightButton);
    TypeKey(Form().Window(), Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(mails_.empty());
    TypeKey(Form().Window(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(mails_.size(), 1u);
    ClickOn(Form().lbl_cmdSend(), Qt::MiddleButton);
    EXPECT_EQ(mails_.size(), 2u);
    SaveScreenshot(Form().Window(), QStringLiteral("feedback_sent"));
    ClickOn(Form().cmdExit(), Qt::RightButton);
    EXPECT_TRUE(Form().IsLoaded());
    TypeKey(Form().Window(), Qt::Key_C, Qt::AltModifier);
  });
  Form().ShowModal();
  EXPECT_TRUE(shown);
  EXPECT_FALSE(Form().IsLoaded());
}

TEST_F(FeedbackTest, AtOneHundredTwentyDpiTheControlsShrinkAndCloseStandsLevelWithSend) {
  ScopedTwipsPerPixel dpi120(12, 12);
  Form().Load();
  EXPECT_EQ(Form().Width(), 8640 * 0.8);
  EXPECT_EQ(Twips::Place(Form().txtMsg()), QRectF(2415 * 0.8, 4335 * 0.8, 5595 * 0.8, 1275 * 0.8));
  EXPECT_EQ(Form().Label3()->Caption(), "Trouble Ticket No ...");
  EXPECT_EQ(Form().Label3()->toolTip(), "               Trouble Ticket No  (If created already)");
  EXPECT_EQ(Twips::Top(Form().cmdExit()), Twips::Top(Form().cmdSend()));
  EXPECT_EQ(Twips::Width(Form().imgTitleinfo()), 870 * 0.8 + 50);
  SaveScreenshot(Form().Window(), QStringLiteral("feedback_120dpi"));
}

}  // namespace
}  // namespace OrvaneMac
