#include "ZQwinSrv/facade/ClassRegistration.h"

#include <memory>
#include <mutex>

#include "ZQwinSrv/facade/clsController.h"
#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/Util.h"
#include "ZQwinSrv/foundation/cBase64.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/server/HttpFunctions.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "ZQwinSrv/server/clsWebdavController.h"
#include "platform/paths/WinPath.h"

namespace OrvaneSrv {
namespace {

const QString kTypeLib = QStringLiteral("{6E1F3A52-94C4-4B8E-9D61-3C2B7A5E0F01}");

template <typename T>
win::ClassInfo Class(const char* clsid, const char* name) {
  return win::ClassInfo{QString::fromLatin1(clsid), QStringLiteral("OrvaneSrv.") + QLatin1String(name),
                        [] { return vb::ObjectRef(std::make_shared<T>()); }, win::ServerKind::InProcess,
                        win::JoinPath(win::ProgramFolder(), QStringLiteral("OrvaneSrv.dll")), kTypeLib};
}

}  // namespace

std::vector<win::ClassInfo> EngineClasses() {
  return {
      Class<clsController>("{F6A1E45B-C853-4269-8B49-2CA05A2EC907}", "clsController"),
      Class<WebDavControl>("{019641F5-5A29-463C-97E5-16250C674860}", "WebDavControl"),
      Class<clsWebdavController>("{649F5963-B848-463A-A90F-32B399515125}", "clsWebdavController"),
      Class<Options>("{6E1F3A52-94C4-4B8E-9D61-3C2B7A5E0F13}", "Options"),
      Class<clsProgressDisplay>("{6E1F3A52-94C4-4B8E-9D61-3C2B7A5E0F14}", "clsProgressDisplay"),
      Class<HttpFunctions>("{B2EC925C-AE81-4ADD-9113-04C95A1B7D43}", "HttpFunctions"),
      Class<Transfer>("{6E1F3A52-94C4-4B8E-9D61-3C2B7A5E0F16}", "Transfer"),
      Class<cBase64>("{6E1F3A52-94C4-4B8E-9D61-3C2B7A5E0F17}", "cBase64"),
      Class<Util>("{6E1F3A52-94C4-4B8E-9D61-3C2B7A5E0F18}", "Util"),
  };
}

void RegisterEngineClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Kept for the life of the process, as a loaded server's class objects were.
    static std::vector<win::ClassRegistration> registrations;
    for (win::ClassInfo& info : EngineClasses()) registrations.push_back(win::RegisterClassObject(std::move(info)));
  });
}

long DllRegisterServer() { return win::RegisterServer(EngineClasses()); }

long DllUnregisterServer() { return win::UnregisterServer(EngineClasses()); }

}  // namespace OrvaneSrv
