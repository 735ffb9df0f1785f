#include "ZQwinSrv/foundation/Processes.h"

#include <algorithm>
#include <cstring>

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/SideFiles.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "platform/errors/RuntimeError.h"
#include "platform/inet/WinInet.h"
#include "platform/process/ExitWindows.h"
#include "platform/process/Privileges.h"
#include "platform/process/Process.h"
#include "platform/registry/RegistryTypes.h"
#include "platform/system/SystemInfo.h"
#include "platform/text/Strings.h"

namespace OrvaneSrv {
namespace {

// How the legacy finder walked the process list.
enum class Walk { None, Snapshot, ProcessIds };

Walk ChooseWalk(Long osHint) {
  Long hint = osHint;
  const Long major = getMajorVersion();
  if (major == 5 && getMinorVersion() == 0) hint = 0;
  if (major >= 6) hint = 6;
  bool wow64 = false;
  if (win::IsWow64Process(win::GetCurrentProcess(), wow64) && wow64) hint = 6;
  if (hint >= 6) return Walk::Snapshot;
  switch (GetPlatformId()) {
    case 1: return Walk::Snapshot;
    case 2: return Walk::ProcessIds;
    default: return Walk::None;
  }
}

// One field of the wide version record (its size field 276), with the
// legacy trace on a failure; a refused query leaves the field 0.
template <typename Field>
Long VersionField(const QString& procedure, Field&& field) {
  return vb::OnErrorGoTo(
      [&] {
        win::OSVERSIONINFO info;
        info.dwOSVersionInfoSize = 276;
        win::GetVersionEx(info);
        return static_cast<Long>(field(info));
      },
      [&](const vb::ErrorInfo& err) {
        WriteTrace(vb::ErrorReasonLine(err.description, procedure, vb::OwnerKind::Module, QStringLiteral("modGeneral")));
        return Long{0};
      });
}

}  // namespace

bool IsExeRunning(const QString& name, bool terminate, Long osHint) {
  bool found = false;
  vb::ResumeNext next;
  Walk walk = Walk::None;
  next([&] { walk = ChooseWalk(osHint); });
  if (walk == Walk::None) return false;
  if (walk == Walk::ProcessIds) next([] { EnableDebugPrivilege(true); });
  // Both walks see the current user's running processes through the
  // platform's list; the name rule (Process.h, ExeNameMatches) never takes
  // an unrelated program for the one asked about.
  next([&] { found = terminate ? win::EndProcessByExeName(name, 0) : win::FindProcessByExeName(name).has_value(); });
  return found;
}

bool ShellClose(Long processId) {
  const win::ProcessHandle handle = win::OpenProcess(win::PROCESS_TERMINATE, false, processId);
  const bool ended = handle != 0 && win::TerminateProcess(handle, 0);
  if (handle != 0) win::CloseHandle(handle);
  return !ended;
}

void EnableDebugPrivilege(bool enable) {
  vb::ResumeNext next;
  next([&] {
    win::TokenHandle token = 0;
    if (!win::OpenProcessToken(win::GetCurrentProcess(), win::TOKEN_ADJUST_PRIVILEGES | win::TOKEN_QUERY, token)) return;
    win::LUID luid;
    if (win::LookupPrivilegeValue(QString(), QStringLiteral("SeDebugPrivilege"), luid)) {
      win::AdjustTokenPrivileges(token, false, luid, enable ? win::SE_PRIVILEGE_ENABLED : 0);
    }
    win::CloseHandle(token);
  });
}

Long GetPlatformId() {
  return VersionField(QStringLiteral("GetPlatformId"),
                      [](const win::OSVERSIONINFO& info) { return info.dwPlatformId; });
}

Long getMajorVersion() {
  return VersionField(QStringLiteral("getMajorVersion"),
                      [](const win::OSVERSIONINFO& info) { return info.dwMajorVersion; });
}

Long getMinorVersion() {
  return VersionField(QStringLiteral("getMinorVersion"),
                      [](const win::OSVERSIONINFO& info) { return info.dwMinorVersion; });
}

void CopyStringToBytes(const QString& text, QByteArray& bytes, Long size) {
  if (size <= 0) return;
  if (bytes.size() < size) bytes.append(QByteArray(size - bytes.size(), '\0'));
  const qsizetype count = std::min<qsizetype>(text.size() * 2, std::max<qsizetype>(0, size - 2));
  std::memcpy(bytes.data(), text.utf16(), static_cast<size_t>(count));
}

void SetRasAutoConnect() {
  vb::ResumeNext next;
  QString entry;
  next([&] { entry = gTransfer().Trf_ReadUserProfile(QStringLiteral("ISPName")); });
  // Without an entry name the key would be "RemoteAccess\Profile" itself;
  // there is no dial-up entry to switch then.
  if (!vb::Trim(entry).isEmpty()) {
    next([&] {
      SetKeyValue(QStringLiteral("RemoteAccess\\Profile\\") + entry, QStringLiteral("AutoConnect"),
                  vb::Variant::FromLong(1), static_cast<Long>(win::REG_DWORD));
    });
  }
  next([] { (void)win::InternetSetOption(nullptr, win::INTERNET_OPTION_SETTINGS_CHANGED); });
  next([] { (void)win::InternetSetOption(nullptr, win::INTERNET_OPTION_REFRESH); });
}

bool cls_ExitWindows::ExitWindows(Long how) {
  AdjustToken();
  // The force flag is added as a flag: a request that already forces stays
  // the same request.
  return win::ExitWindowsEx(static_cast<std::uint32_t>(how) | win::EWX_FORCE, 0);
}

void cls_ExitWindows::AdjustToken() {
  win::TokenHandle token = 0;
  if (!win::OpenProcessToken(win::GetCurrentProcess(), win::TOKEN_ADJUST_PRIVILEGES | win::TOKEN_QUERY, token)) return;
  win::LUID luid;
  if (win::LookupPrivilegeValue(QString(), QStringLiteral("SeShutdownPrivilege"), luid)) {
    win::AdjustTokenPrivileges(token, false, luid, win::SE_PRIVILEGE_ENABLED);
  }
  win::CloseHandle(token);
}

}  // namespace OrvaneSrv
