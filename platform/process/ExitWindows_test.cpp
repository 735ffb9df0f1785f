#include "platform/process/ExitWindows.h"

#include <gtest/gtest.h>

#include <vector>

namespace win {
namespace {

struct Request {
  QString program;
  QStringList arguments;
};

class ExitWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedSession_ = qgetenv("XDG_SESSION_ID");
    qputenv("XDG_SESSION_ID", "c7");
  }
  void TearDown() override { qputenv("XDG_SESSION_ID", savedSession_); }

  std::vector<Request> requests_;
  bool answer_ = true;
  ScopedSessionManagerLauncher launcher_{[this](const QString& program, const QStringList& arguments) {
    requests_.push_back({program, arguments});
    return answer_;
  }};
  QByteArray savedSession_;
};

TEST_F(ExitWindowsTest, EachActionGoesToTheSessionManager) {
  const QStringList powerOff{"call", "org.freedesktop.login1", "/org/freedesktop/login1",
                             "org.freedesktop.login1.Manager", "PowerOff", "b", "false"};
  QStringList reboot = powerOff;
  reboot[4] = "Reboot";
  struct Row {
    std::uint32_t flags;
    const char* program;
    QStringList arguments;
  };
  const Row rows[] = {
      {EWX_LOGOFF | EWX_FORCE, "loginctl", {"terminate-session", "c7"}},
      {EWX_LOGOFF, "loginctl", {"terminate-session", "c7"}},
      {EWX_SHUTDOWN | EWX_FORCE, "busctl", powerOff},
      {EWX_POWEROFF | EWX_FORCE, "busctl", powerOff},
      {EWX_REBOOT | EWX_FORCE, "busctl", reboot},
  };
  for (const Row& row : rows) {
    requests_.clear();
    EXPECT_TRUE(ExitWindowsEx(row.flags, 0)) << row.flags;
    ASSERT_EQ(requests_.size(), 1u) << row.flags;
    EXPECT_EQ(requests_[0].program, row.program);
    EXPECT_EQ(requests_[0].arguments, row.arguments) << row.flags;
  }
}

TEST_F(ExitWindowsTest, RefusalsAndUnknownRequestsAnswerFalse) {
  answer_ = false;
  EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT, 0));
  answer_ = true;
  requests_.clear();
  EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT | EWX_SHUTDOWN, 0));
  EXPECT_FALSE(ExitWindowsEx(0x40, 0));
  qputenv("XDG_SESSION_ID", "");
  EXPECT_FALSE(ExitWindowsEx(EWX_LOGOFF, 0)) << "no login session to end";
  EXPECT_TRUE(requests_.empty());
}

}  // namespace
}  // namespace win
