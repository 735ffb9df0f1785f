// The client's listing lines ("-rw-r--r--  12 2026/01/02 03:04:05 a b"):
// any line splits into a size, a date and a name that are pieces of the
// line, and the name check that decides whether the entry is restored
// answers for any name.
#include "ZQwinSrv/foundation/Util.h"
#include "fuzz/EngineFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FreshEngine();
  static OrvaneSrv::Util util;
  fuzz::Input in(data, size);
  // The listing is read as UTF-8 and split at line feeds.
  const QStringList lines = QString::fromUtf8(in.Rest()).split(u'\n');
  for (const QString& line : lines.mid(0, 64)) {
    QString name = QStringLiteral("x");
    QString fileSize = QStringLiteral("x");
    QString modified = QStringLiteral("x");
    (void)util.GetRsycListoutput(line, name, fileSize, modified);
    FUZZ_CHECK(line.contains(name) && line.contains(fileSize) && line.contains(modified));
    FUZZ_CHECK(modified.size() <= 19);
    if (!line.contains(u' ')) FUZZ_CHECK(name.isEmpty() && fileSize.isEmpty() && modified.isEmpty());
    if (name.isEmpty()) continue;
    const QString entry = u'/' + name;
    (void)util.ValidateFileName(entry.mid(entry.lastIndexOf(u'/') + 1) + u'\n', true);
    (void)util.ValidateFileFolderName(entry, true);
  }
  return 0;
}
