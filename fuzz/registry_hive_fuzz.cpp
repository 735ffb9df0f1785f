// Registry hives: a hive file either is refused as damaged or is read, and
// what is read is written back in a form that reads to the same hive.
#include "fuzz/FuzzInput.h"
#include "platform/registry/RegistryHive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray json(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  QString error;
  const auto hive = win::RegistryHive::FromJson(json, &error);
  if (!hive) return 0;
  const QByteArray written = hive->ToJson(QStringLiteral("HKEY_CURRENT_USER"));
  QString again;
  const auto reread = win::RegistryHive::FromJson(written, &again);
  FUZZ_CHECK(reread.has_value());
  FUZZ_CHECK(reread->ToJson(QStringLiteral("HKEY_CURRENT_USER")) == written);
  return 0;
}
