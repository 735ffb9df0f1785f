// Base64: any text decodes to something, and any 8-bit text encodes to the
// alphabet and decodes back to itself.
#include "fuzz/FuzzInput.h"
#include "ZQwinSrv/foundation/cBase64.h"
#include "platform/codepage/CodePage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const bool asText = in.Byte() % 2 == 0;
  const QByteArray bytes = in.Rest();
  OrvaneSrv::cBase64 b64;
  if (asText) {
    (void)b64.Decode(QString::fromUtf8(bytes));
    return 0;
  }
  const QString plain = win::FromAnsi(bytes);
  const QString encoded = b64.encode(plain);
  FUZZ_CHECK(encoded.size() == (bytes.size() + 2) / 3 * 4);
  for (const QChar c : encoded) {
    FUZZ_CHECK((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'+' ||
               c == u'/' || c == u'=');
  }
  FUZZ_CHECK(b64.Decode(encoded) == plain);
  return 0;
}
