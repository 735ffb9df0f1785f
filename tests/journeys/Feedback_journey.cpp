// The feedback report: opened from the Help picture's menu, filled in and
// sent; the service's mail script receives it and the window says so.
#include "tests/journeys/Journey.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPlainTextEdit>

#include "program/foundation/ProgramState.h"
#include "program/main/Smart.h"
#include "program/progress/frmErrorReport1.h"
#include "program/windows/SkinControls.h"
#include "testbed/include/TestbedControl.h"

namespace OrvaneMac::journey {
namespace {

bool Showing(Form& form) { return form.IsLoaded() && form.Window()->isVisible(); }
frmErrorReport1& Report() { return frmErrorReport1::Instance(); }
QJsonArray Mails() { return QJsonDocument::fromJson(testbed::Control("GET", "/mails")).array(); }

JOURNEY(FeedbackReportReachesTheMailScript) {
  Run([&] {
    SignIn();
    ASSERT_TRUE(WaitFor([] { return Showing(Smart::Instance()) && Program().RemoteTreeConnected; },
                        "the signed-in main window"));
    Click([] { return Smart::Instance().Pict_Help(); });
    PickMenuItem("Send Error Report");
    ASSERT_TRUE(WaitFor([] { return Showing(Report()); }, "the feedback window"));
    EXPECT_EQ(Ask([] { return Report().txtFromName()->text(); }), user_);
    EXPECT_EQ(Ask([] { return Report().txtSubject()->text(); }), "Orvane for Mac - Windows Restore user feedback");

    // Send with nothing filled in: the address is asked for, nothing goes.
    Click([] { return Report().cmdSend(); });
    const SeenMessage missing = Answer("OK");
    EXPECT_EQ(missing.text, "Enter your email address.");
    EXPECT_TRUE(Mails().isEmpty());

    TypeInto([] { return Report().txtFrom(); }, "marta.kowalski@example.org");
    TypeInto([] { return Report().txtTroubleTicket(); }, " 4711 ");
    TypeInto([] { return Report().txtMsg(); }, "The restore stops & starts");
    Key([] { return Report().txtMsg(); }, Qt::Key_Return);
    TypeInto([] { return Report().txtMsg(); }, "at 50%");
    ASSERT_TRUE(WaitFor([] { return Report().txtMsg()->toPlainText().endsWith("at 50%"); }, "the message typed"));
    EXPECT_EQ(Ask([] { return Report().txtSubject()->text(); }), "Orvane for Mac - Windows Restore Ticket : 4711");
    Shot("filled-in");
    Click([] { return Report().cmdSend(); });
    ASSERT_TRUE(WaitFor([] { return Report().lblProgress()->Caption() == "Feedback report has been sent successfully."; },
                        "the report sent", 120));
    Shot("sent");

    const QJsonArray mails = Mails();
    ASSERT_EQ(mails.size(), 1);
    const QJsonObject fields = mails.at(0)["fields"].toObject();
    EXPECT_EQ(mails.at(0)["script"].toString(), "/cgi-bin/Notify_unicode");
    EXPECT_EQ(fields["SUBJECT"].toString(), "Orvane for Mac - Windows Restore Ticket : 4711");
    EXPECT_EQ(fields["user_email"].toString(), "marta.kowalski@example.org");
    const QString content = fields["CONTENT"].toString();
    EXPECT_TRUE(content.startsWith("<<< USER FEEDBACK FROM ORVANE FOR MAC - WINDOWS RESTORE")) << content.left(200).toStdString();
    EXPECT_TRUE(content.contains("The%20restore%20stops%20%26%20starts\nat%2050%25\n")) << content.toStdString();
    EXPECT_TRUE(content.contains("Release date : 07/09/2010"));
    // The window stays open with what the user typed.
    EXPECT_EQ(Ask([] { return Report().txtFrom()->text(); }), "marta.kowalski@example.org");
    Click([] { return Report().cmdExit(); });
    EXPECT_TRUE(WaitFor([] { return !Report().IsLoaded(); }, "the feedback window to close"));
  });
}

}  // namespace
}  // namespace OrvaneMac::journey
