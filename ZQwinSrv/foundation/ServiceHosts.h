#pragma once
// The service's built-in host names: the only hosts the engine holds itself.
// Every other host (the WebDAV, rsync, script and quota servers of an
// account) comes from the user's server profile, which the location lookup
// fills.
//
// The values are the service's configuration; a test or a test bed points
// the engine at hosts of its own with ScopedServiceHosts.

#include <QString>

#include "ZQwinSrv/OrvaneSrvExport.h"

namespace OrvaneSrv {

// The account lookup host: the location and account-status scripts; it is
// also stored as the quota server of an account whose script server is the
// main web host.
inline constexpr char16_t kLookupHost[] = u"accounts.orvane.example";
// The service's main web host, compared with the first field of a location
// reply.
inline constexpr char16_t kMainWebHost[] = u"www.orvane.example";
// The numeric address of the service's rsync-over-SSL server, used when the
// tunnel is pointed at the fixed server instead of the account's own.
inline constexpr char16_t kRsyncFixedAddress[] = u"198.51.100.20";
// The host of the mail scripts (feedback mail).
inline constexpr char16_t kMailHost[] = u"mail.orvane.example";
// The service's first and third web hosts: a user's script server
// ("SERVERNAME") equal to one of them picks the search host of the search
// requests.
inline constexpr char16_t kFirstWebHost[] = u"web1.orvane.example";
inline constexpr char16_t kThirdWebHost[] = u"web3.orvane.example";
inline constexpr char16_t kSearchHostFirst[] = u"search1.orvane.example";
inline constexpr char16_t kSearchHostSecond[] = u"search2.orvane.example";
// The service's support mailbox, named in the texts that send the user to
// support.
inline constexpr char16_t kSupportMailAddress[] = u"support@orvane.example";

struct ServiceHosts {
  QString sLookupHost = QString::fromUtf16(kLookupHost);
  QString sMainWebHost = QString::fromUtf16(kMainWebHost);
  QString sRsyncFixedAddress = QString::fromUtf16(kRsyncFixedAddress);
  QString sMailHost = QString::fromUtf16(kMailHost);
  QString sFirstWebHost = QString::fromUtf16(kFirstWebHost);
  QString sThirdWebHost = QString::fromUtf16(kThirdWebHost);
  QString sSearchHostFirst = QString::fromUtf16(kSearchHostFirst);
  QString sSearchHostSecond = QString::fromUtf16(kSearchHostSecond);
};

// The hosts in force: the built-in ones unless a ScopedServiceHosts is alive.
[[nodiscard]] ORVANESRV_EXPORT const ServiceHosts& CurrentServiceHosts();

// Puts other hosts in force for its lifetime (the previous ones come back
// when it ends). Guards nest; they belong to one thread at a time.
class ORVANESRV_EXPORT ScopedServiceHosts {
 public:
  explicit ScopedServiceHosts(ServiceHosts hosts);
  ~ScopedServiceHosts();
  ScopedServiceHosts(const ScopedServiceHosts&) = delete;
  ScopedServiceHosts& operator=(const ScopedServiceHosts&) = delete;

 private:
  ServiceHosts previous_;
};

}  // namespace OrvaneSrv
