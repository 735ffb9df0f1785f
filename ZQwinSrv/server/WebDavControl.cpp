#include "ZQwinSrv/server/WebDavControl.h"

#include "ZQwinSrv/foundation/EngineState.h"

namespace OrvaneSrv {

WebDavControl& gWebDavControl() { return Singleton(Engine().gWebDavControl); }

vb::Variant WebDavControl::dav_seterrorstring(const QString& errs) {
  sErrorText = errs;
  return {};
}

QString WebDavControl::GetDavErr() const { return sErrorText; }

}  // namespace OrvaneSrv
