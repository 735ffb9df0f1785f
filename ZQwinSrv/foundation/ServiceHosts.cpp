#include "ZQwinSrv/foundation/ServiceHosts.h"

#include <utility>

namespace OrvaneSrv {
namespace {

ServiceHosts& Current() {
  static ServiceHosts hosts;
  return hosts;
}

}  // namespace

const ServiceHosts& CurrentServiceHosts() { return Current(); }

ScopedServiceHosts::ScopedServiceHosts(ServiceHosts hosts) : previous_(std::exchange(Current(), std::move(hosts))) {}

ScopedServiceHosts::~ScopedServiceHosts() { Current() = std::move(previous_); }

}  // namespace OrvaneSrv
