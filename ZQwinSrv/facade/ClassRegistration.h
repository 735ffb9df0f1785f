#pragma once
// The engine library's creatable classes as the object layer knows them:
// class identifiers, program identifiers ("OrvaneSrv.<class>") and
// factories, and the library's self-registration into HKEY_CLASSES_ROOT.

#include <vector>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "platform/objects/ClassRegistry.h"

namespace OrvaneSrv {

// The engine's creatable classes, served from the engine library in the
// program folder.
ORVANESRV_EXPORT std::vector<win::ClassInfo> EngineClasses();

// Makes the classes creatable by class and program identifier in this
// process, for the rest of its life. Calling it again changes nothing.
ORVANESRV_EXPORT void RegisterEngineClasses();

// Self-registration: writes (and removes) the classes' entries in the
// classes hive, as the library's installer did. Registry result codes.
ORVANESRV_EXPORT long DllRegisterServer();
ORVANESRV_EXPORT long DllUnregisterServer();

}  // namespace OrvaneSrv
