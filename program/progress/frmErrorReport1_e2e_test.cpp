// The feedback window's Send through the engine's mail script, against the
// service double. Runs inside testbed/run; skipped outside it.
#include "program/progress/frmErrorReport1.h"

#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/progress/ProgressTestSupport.h"
#include "program/windows/SkinControls.h"
#include "testbed/include/TestbedControl.h"

#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

class FeedbackE2eTest : public ProgramTest {
 protected:
  void SetUp() override {
    if (!testbed::Running()) GTEST_SKIP() << "not inside testbed/run";
    App();
    ProgramTest::SetUp();  // prepares the engine, which opens its internet session
    Program().AppTitle = QStringLiteral("Orvane for Mac - Windows Restore");
    Program().TypedLoginName = QStringLiteral("jsmith");
    testbed::Reset();
  }
  void TearDown() override {
    if (!testbed::Running()) return;
    frmErrorReport1::Instance().Unload();
    ProgramTest::TearDown();
  }
};

TEST_F(FeedbackE2eTest, SendPostsTheReportToTheMailScript) {
  frmErrorReport1& form = frmErrorReport1::Instance();
  form.Load();
  form.txtFrom()->setText(QStringLiteral("ann@example.org"));
  form.txtMsg()->setPlainText(QStringLiteral("It stops & starts"));
  form.txtTroubleTicket()->setText(QStringLiteral("4711"));
  form.cmdSend_Click();

  const QJsonArray mails = QJsonDocument::fromJson(testbed::Control("GET", "/mails")).array();
  ASSERT_EQ(mails.size(), 1);
  EXPECT_EQ(mails.at(0)["script"].toString(), "/cgi-bin/Notify_unicode");
  const QJsonObject fields = mails.at(0)["fields"].toObject();
  EXPECT_EQ(fields["EMAIL"].toString(), QString::fromUtf16(OrvaneSrv::kSupportMailAddress));
  EXPECT_EQ(fields["SUBJECT"].toString(), "Orvane for Mac - Windows Restore Ticket : 4711");
  EXPECT_EQ(fields["user_email"].toString(), "ann@example.org");
  EXPECT_TRUE(fields["CONTENT"].toString().startsWith("<<< USER FEEDBACK FROM ORVANE FOR MAC - WINDOWS RESTORE"));
  EXPECT_TRUE(fields["CONTENT"].toString().contains("It%20stops%20%26%20starts"));
  EXPECT_EQ(form.lblProgress()->Caption(), "Feedback report has been sent successfully.");
}

}  // namespace
}  // namespace OrvaneMac
