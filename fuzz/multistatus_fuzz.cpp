// Multistatus replies (the WebDAV folder listing): whatever the server
// answers, the listing loads or fails with a reason, and every entry it
// keeps is a whole key naming a path below the listed folder.
#include "ZQwinSrv/foundation/Util.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "fuzz/EngineFuzz.h"
#include "platform/codepage/CodePage.h"
#include "platform/values/Collection.h"

namespace {

void CheckEntries(const vb::CollectionPtr& entries, const QString& listed) {
  static OrvaneSrv::Util util;
  for (const vb::Variant& entry : *entries) {
    const QString key = entry.ToString();
    // Five fields: a ">" of a name never reaches the key as a separator.
    FUZZ_CHECK(key.count(u'>') == 4);
    const QString path = util.GetInfoFromKey(3, key);
    FUZZ_CHECK(path.startsWith(listed));
    FUZZ_CHECK(path.size() > listed.size());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FreshEngine();
  fuzz::Input in(data, size);
  const std::uint8_t pick = in.Byte();
  static const QString kFolders[] = {QStringLiteral("/users/u/Files/Docs/"), QStringLiteral("/users/u/Files/"),
                                     QStringLiteral("/users/u/Files/a b/")};
  const QString listed = kFolders[pick % 3];
  OrvaneSrv::Engine().gbListingAtRoot = (pick & 4) != 0;
  // The reply is read as the listing reads it: byte for byte in the 8-bit
  // code page.
  const QString reply = win::FromAnsi(in.Rest());

  static OrvaneSrv::WebDavControl dav;
  const bool listedSome = dav.EnumDirectoryReply(reply, listed);
  const vb::CollectionPtr& items = OrvaneSrv::Items(OrvaneSrv::Engine().gcolEnumItems);
  const vb::CollectionPtr& snapshots = OrvaneSrv::Items(OrvaneSrv::Engine().gcolEnumSnapshots);
  // A listing that fails part-way keeps the folders listed before the
  // broken entry; those too are whole keys below the folder.
  (void)listedSome;
  // The listed folder comes decoded, as the tree holds it.
  CheckEntries(items, listed);
  CheckEntries(snapshots, listed);
  // The size query's cut of a zip reply's name element.
  (void)dav.ConvertResponse(reply);
  return 0;
}
