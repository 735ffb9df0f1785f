#include "platform/process/ExitWindows.h"

#include <QProcess>

namespace win {
namespace {

bool RunSessionManager(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.setProgram(program);
  process.setArguments(arguments);
  process.start();
  if (!process.waitForStarted(10000)) return false;
  if (!process.waitForFinished(60000)) {
    process.kill();
    process.waitForFinished(5000);
    return false;
  }
  return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

SessionManagerLauncher& Launcher() {
  static SessionManagerLauncher launcher = RunSessionManager;
  return launcher;
}

QStringList LogindCall(const QString& method) {
  // The argument is logind's "interactive" flag: no authentication prompt.
  return {QStringLiteral("call"), QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
          QStringLiteral("org.freedesktop.login1.Manager"), method, QStringLiteral("b"), QStringLiteral("false")};
}

}  // namespace

SessionManagerLauncher SetSessionManagerLauncher(SessionManagerLauncher launcher) {
  SessionManagerLauncher previous = std::move(Launcher());
  Launcher() = launcher ? std::move(launcher) : SessionManagerLauncher(RunSessionManager);
  return previous;
}

bool ExitWindowsEx(std::uint32_t flags, std::uint32_t /*reason*/) {
  const std::uint32_t action = flags & ~(EWX_FORCE | EWX_FORCEIFHUNG);
  switch (action) {
    case EWX_LOGOFF: {
      const QString session = qEnvironmentVariable("XDG_SESSION_ID");
      if (session.isEmpty()) return false;
      return Launcher()(QStringLiteral("loginctl"), {QStringLiteral("terminate-session"), session});
    }
    case EWX_SHUTDOWN:
    case EWX_POWEROFF:
    case EWX_SHUTDOWN | EWX_POWEROFF:
      return Launcher()(QStringLiteral("busctl"), LogindCall(QStringLiteral("PowerOff")));
    case EWX_REBOOT:
      return Launcher()(QStringLiteral("busctl"), LogindCall(QStringLiteral("Reboot")));
    default:
      return false;
  }
}

}  // namespace win
