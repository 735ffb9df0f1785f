#pragma once
// Access-token and privilege calls.
//
// The legacy code enables "SeDebugPrivilege" before walking other processes
// and "SeShutdownPrivilege" before ending the session. Here a process may
// look at and end the processes of its own user without any privilege, and
// never more than that, so these calls have nothing to do: each answers
// success and changes nothing.

#include <QString>

#include <cstdint>

namespace win {

// A locally unique identifier of a privilege.
struct LUID {
  std::uint32_t lowPart = 0;
  std::int32_t highPart = 0;
};

inline constexpr std::uint32_t TOKEN_ADJUST_PRIVILEGES = 0x20;
inline constexpr std::uint32_t TOKEN_QUERY = 0x8;
inline constexpr std::uint32_t SE_PRIVILEGE_ENABLED = 0x2;

using TokenHandle = std::int32_t;

// The one token handle handed out; CloseHandle accepts it.
inline constexpr TokenHandle kProcessTokenHandle = 0x7FFFFFF3;

// Answers true and kProcessTokenHandle.
bool OpenProcessToken(std::int32_t processHandle, std::uint32_t desiredAccess, TokenHandle& token);

// Answers true and a made-up identifier, the same for the same name.
bool LookupPrivilegeValue(const QString& systemName, const QString& privilegeName, LUID& luid);

// Answers true; the token is not changed.
bool AdjustTokenPrivileges(TokenHandle token, bool disableAll, const LUID& luid, std::uint32_t attributes);

}  // namespace win
