#pragma once
// The program's text-table module. So far it holds only the emptying of a
// collection, which the session-log viewer, the search window and the
// local tree use to clear their lists.

#include "platform/values/Collection.h"

namespace OrvaneMac::DBaction {

// Removes every entry of the collection. A collection variable that holds
// no collection writes the program's error line and changes nothing.
void ClearBacksetData(const vb::CollectionPtr& collection);

}  // namespace OrvaneMac::DBaction
