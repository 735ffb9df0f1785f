#pragma once
// Processes, privileges and system information of the engine's general
// module: finding and ending the outside programs the rsync route starts
// (the rsync client, the SSL tunnel, the idle-status helper) by executable
// name, ending a client run by process id, the debug privilege, the OS
// version answers that pick registry hives, and the dial-up auto-connect
// switch the engine turns on before it opens its internet session.

#include <QByteArray>
#include <QString>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "ZQwinSrv/foundation/EngineState.h"

namespace OrvaneSrv {

// True when a process of the current user runs the program `name` ("x.exe"
// or "x", any case); with `terminate` the first such process is also ended
// (exit code 0) and a second one needs a second call. Only that program is
// ever matched: the base names must be equal once one trailing ".exe" is
// removed from each, so an unrelated program whose name merely begins like
// it is never taken for it (nor ended). `osHint` chose the legacy
// enumeration method; every method here finds the same processes. Shared
// with the restore program, which passes its kill flag as `terminate` and
// its OS hint unchanged.
ORVANESRV_EXPORT bool IsExeRunning(const QString& name, bool terminate, Long osHint = 0);

// Ends the process `processId` with exit code 0; true when it could not be
// ended (for example because it is already gone).
bool ShellClose(Long processId);

// Enables (or disables) "SeDebugPrivilege" in the process's own token.
// Shared with the restore program.
ORVANESRV_EXPORT void EnableDebugPrivilege(bool enable);

// The OS platform id (1 the Windows 9x family, 2 the NT family) and the
// major and minor version, as the platform answers them; 0 after a failure.
// The version numbers are shared with the restore program.
[[nodiscard]] Long GetPlatformId();
[[nodiscard]] ORVANESRV_EXPORT Long getMajorVersion();
[[nodiscard]] ORVANESRV_EXPORT Long getMinorVersion();

// Copies the text's UTF-16 bytes into `bytes` (grown to `size` when
// shorter), at most its first size - 2 bytes, so that the last two bytes
// stay zero.
void CopyStringToBytes(const QString& text, QByteArray& bytes, Long size);

// Switches on automatic dialing of the user's dial-up entry ("ISPName" of
// the user profile) and tells the internet layer its settings changed.
void SetRasAutoConnect();

// Ends the user's session with the force flag: private to the library, and
// nothing creates it.
class cls_ExitWindows {
 public:
  // Enables "SeShutdownPrivilege", then asks the session manager to end the
  // session with `how` (0 log off, 1 shut down, 2 reboot, 8 power off) and
  // the force flag (4); true when the request was accepted.
  bool ExitWindows(Long how);

 private:
  void AdjustToken();
};

}  // namespace OrvaneSrv
