// Message tables shipped as data files: any bytes give a text or nothing,
// never a read outside the table, in time bounded by the table's size.
#include "fuzz/FuzzInput.h"
#include "platform/msgtable/MessageTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const std::uint32_t id = in.U32();
  const QByteArray table = in.Rest();
  (void)win::MessageTableText(table, id);
  (void)win::MessageTableText(table, 12029);
  (void)win::MessageTableText(table, 0);
  return 0;
}
