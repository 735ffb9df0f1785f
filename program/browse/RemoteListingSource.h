#pragma once
// Where the remote tree gets its listings: the engine's listing of one
// remote folder, as the program's controller client answers it. The tree
// asks through this small interface so that it does not depend on how the
// client reaches the engine; the program installs its client, tests a fake.

#include <QString>

#include "platform/values/Collection.h"

namespace OrvaneMac {

class RemoteListingSource {
 public:
  virtual ~RemoteListingSource() = default;
  // Lists the remote folder `path` ("/users/jdoe/Files/Tax/"): true on
  // success, with `items` set to the listed entries (NodeKey texts, the
  // folder itself not among them; snapshot folders first when the account
  // root was listed with snapshots shown) and `snapshots` to the snapshot
  // folders of this listing (empty unless the root was listed with them).
  virtual bool Cont_GetRemoteDirContents(const QString& path, vb::CollectionPtr& items,
                                         vb::CollectionPtr& snapshots) = 0;
  // The engine's error text of the last listing that failed.
  [[nodiscard]] virtual QString GetErrorString() = 0;
};

// The source in use; nothing until the program installs one (a listing then
// fails with an empty error text).
RemoteListingSource* RemoteListing();
// Installs `source` (not owned; nullptr removes it).
void SetRemoteListing(RemoteListingSource* source);

}  // namespace OrvaneMac
