#include "platform/process/Privileges.h"

#include <QHash>

namespace win {

bool OpenProcessToken(std::int32_t /*processHandle*/, std::uint32_t /*desiredAccess*/, TokenHandle& token) {
  token = kProcessTokenHandle;
  return true;
}

bool LookupPrivilegeValue(const QString& /*systemName*/, const QString& privilegeName, LUID& luid) {
  luid.lowPart = static_cast<std::uint32_t>(qHash(privilegeName.toLower(), 0)) | 1u;
  luid.highPart = 0;
  return true;
}

bool AdjustTokenPrivileges(TokenHandle /*token*/, bool /*disableAll*/, const LUID& /*luid*/,
                           std::uint32_t /*attributes*/) {
  return true;
}

}  // namespace win
