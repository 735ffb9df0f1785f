#pragma once
// Ending the user's session: log off, power off, reboot.
//
// The request goes to the session manager (systemd-logind): a log off
// terminates the caller's login session through `loginctl`, a power off or
// a reboot asks logind's manager object through `busctl`. The programs are
// started with an explicit argument list, never through a shell. What starts
// them is replaceable, so a test records the request and no session ends.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace win {

inline constexpr std::uint32_t EWX_LOGOFF = 0x0;
inline constexpr std::uint32_t EWX_SHUTDOWN = 0x1;
inline constexpr std::uint32_t EWX_REBOOT = 0x2;
inline constexpr std::uint32_t EWX_FORCE = 0x4;
inline constexpr std::uint32_t EWX_POWEROFF = 0x8;
inline constexpr std::uint32_t EWX_FORCEIFHUNG = 0x10;

// Runs `program` with `arguments` and answers whether it ended with exit
// code 0.
using SessionManagerLauncher = std::function<bool(const QString& program, const QStringList& arguments)>;

// Installs the launcher of every later request and answers the one it
// replaces; an empty launcher installs the real one.
SessionManagerLauncher SetSessionManagerLauncher(SessionManagerLauncher launcher);

class ScopedSessionManagerLauncher {
 public:
  explicit ScopedSessionManagerLauncher(SessionManagerLauncher launcher)
      : previous_(SetSessionManagerLauncher(std::move(launcher))) {}
  ~ScopedSessionManagerLauncher() { SetSessionManagerLauncher(std::move(previous_)); }
  ScopedSessionManagerLauncher(const ScopedSessionManagerLauncher&) = delete;
  ScopedSessionManagerLauncher& operator=(const ScopedSessionManagerLauncher&) = delete;

 private:
  SessionManagerLauncher previous_;
};

// Asks the session manager to end the session as `flags` says: EWX_LOGOFF
// ends the login session of the process (XDG_SESSION_ID), EWX_SHUTDOWN and
// EWX_POWEROFF power the machine off, EWX_REBOOT restarts it. The force
// flags change nothing: the session manager ends the session's programs
// itself. `reason` is not used. True when the request was accepted; false
// for an unknown action, a log off without a login session, or a refusal.
bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason);

}  // namespace win
