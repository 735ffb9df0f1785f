// The quota row of the main window: the service's figures after the
// sign-in, and Recalculate, which shows its notice, has the service compute
// the used space again and refreshes the row.
#include "tests/journeys/Journey.h"

#include <QFile>
#include <QJsonObject>
#include <QLocale>
#include <QProgressBar>

#include <cmath>

#include "program/foundation/ProgramState.h"
#include "program/main/Smart.h"
#include "program/session/Login.h"
#include "program/windows/SkinControls.h"
#include "testbed/include/TestbedControl.h"

namespace OrvaneMac::journey {
namespace {

// The sign-in is over: the main window shows the account and the sign-in
// window is gone.
bool SignInDone() {
  return Smart::Instance().IsLoaded() && Smart::Instance().Window()->isVisible() && Program().RemoteTreeConnected &&
         !Login::Instance().IsLoaded();
}

// The account's used space and quota, in the whole megabytes the service
// reports (used rounded up).
struct Figures {
  qint64 used = 0;
  qint64 quota = 0;
};

Figures ServiceFigures(const QString& user) {
  const QJsonObject account = testbed::ControlObject("GET", "/state")["accounts"].toObject()[user].toObject();
  const double mb = 1024.0 * 1024.0;
  return {static_cast<qint64>(std::ceil(account["used"].toDouble() / mb)),
          static_cast<qint64>(account["quota"].toDouble() / mb)};
}

// The row in the user's number format (groups of thousands).
QString Row(const Figures& f) {
  const QLocale english(QLocale::English);
  return QStringLiteral("Quota Used: %1 MB Out of %2 MB").arg(english.toString(f.used), english.toString(f.quota));
}

JOURNEY(QuotaRowShowsTheServiceFiguresAndRecalculates) {
  Run([&] {
    SignIn();
    ASSERT_TRUE(WaitFor(SignInDone, "the main window with the account's root"));
    const Figures before = ServiceFigures(user_);
    ASSERT_EQ(before.quota, 5120);
    auto row = [] { return Smart::Instance().lblUserQuota()->Caption(); };
    WaitFor([&] { return row() == Row(before); }, "the quota row " + Row(before));
    EXPECT_EQ(Ask([] { return Smart::Instance().ZQDiskPBar()->value(); }),
              static_cast<int>(before.used * 100 / before.quota));
    Shot("quota");

    // Files arrive in the account from elsewhere (12 MiB); the service
    // counts them only when asked to recalculate.
    {
      QFile upload(account_ + "/Media/new upload.bin");
      ASSERT_TRUE(upload.open(QIODevice::WriteOnly));
      upload.write(QByteArray(12 * 1024 * 1024, 'x'));
      upload.setPermissions(upload.permissions() | QFile::ReadOther | QFile::ReadGroup);
    }
    EXPECT_EQ(ServiceFigures(user_).used, before.used);

    Click([] { return Smart::Instance().lblrecalculate(); });
    WaitFor([] { return Smart::Instance().PicRecalcMess()->isVisible(); }, "the recalculation notice");
    Shot("notice");
    EXPECT_EQ(Ask([] {
                return Smart::Instance().PicRecalcMess()->findChild<Label*>("lblRecalcMess")->Caption();
              }),
              "Recalculating quota may take some time based on your account size. The quota field will "
              "automatically update when it is complete.");

    WaitFor([] { return !Smart::Instance().PicRecalcMess()->isVisible(); }, "the notice to go", 30);
    WaitFor([&] { return row() != Row(before); }, "the quota row to change", 60);
    const Figures after = ServiceFigures(user_);
    EXPECT_EQ(after.used, before.used + 12) << "the service's own recalculation";
    EXPECT_EQ(Ask(row), Row(after));
    Shot("recalculated");

    int recalculations = 0;
    for (const QString& request : testbed::Requests()) recalculations += request.contains("recalculate.cgi") ? 1 : 0;
    EXPECT_EQ(recalculations, 1);
  });
}

}  // namespace
}  // namespace OrvaneMac::journey
