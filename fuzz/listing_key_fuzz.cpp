// Listing keys ("id>date>size>path>raw path"): any key text gives each field
// or "" with a trace line, and a field escaped into a key comes back as it
// went in.
#include "fuzz/FuzzInput.h"
#include "ZQwinSrv/foundation/EngineState.h"
#include "ZQwinSrv/foundation/Util.h"
#include "platform/paths/WinPath.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    // The application folder lies on a drive that is not mapped: trace
    // lines (a key that lacks a field) go nowhere, quietly.
    win::DriveTable table;
    table.Map(u'C', fuzz::Scratch());
    win::SetDriveTable(table);
    OrvaneSrv::Engine().gsAppPath = QStringLiteral("Q:\\Prog\\");
    OrvaneSrv::Engine().gsAppWord = QStringLiteral("OrvaneMac");
    OrvaneSrv::Engine().giMode = 1;
    return true;
  }();
  (void)ready;
  static OrvaneSrv::Util util;
  fuzz::Input in(data, size);
  const QString key = in.Text();
  for (OrvaneSrv::Integer type = 0; type <= 6; ++type) (void)util.GetInfoFromKey(type, key);

  const QString field = OrvaneSrv::EscapeKeyField(key);
  FUZZ_CHECK(!field.contains(u'>'));
  // The stand-in character itself reads back as ">".
  if (key.contains(QChar(OrvaneSrv::kKeyFieldGreaterThan))) return 0;
  const QString composed = QStringLiteral("7>") + field + u'>' + field + u'>' + field + u'>' + field;
  FUZZ_CHECK(util.GetInfoFromKey(1, composed) == key);
  FUZZ_CHECK(util.GetInfoFromKey(3, composed) == key);
  FUZZ_CHECK(util.GetInfoFromKey(5, composed) == key);
  return 0;
}
