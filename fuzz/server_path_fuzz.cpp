// Server paths as the restore program decodes them for its windows: any
// text gives at most 500 characters without a NUL, and without a CR unless
// it begins with one (the engine's decoder keeps a text that does whole,
// and the program's agrees with it), never an error;
// the percent escapes of a text's UTF-8 bytes decode to that text, also
// behind the account's "/Files/".
#include "fuzz/ProgramFuzz.h"
#include "program/foundation/SystemHelpers.h"

namespace {

bool Clean(const QString& s) {
  return s.size() <= 500 && !s.contains(u'\0') && (s.startsWith(u'\r') || !s.contains(u'\r'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ProgramOnce();
  fuzz::Input in(data, size);
  const bool escapeAll = in.Byte() % 2 != 0;
  const QString text = in.Text();

  FUZZ_CHECK(Clean(OrvaneMac::modGeneral::DecodeServerPath(text)));
  FUZZ_CHECK(Clean(OrvaneMac::modGeneral::GetRemotePath(text)));
  (void)OrvaneMac::modGeneral::GetRemotePath(text, 1);

  // The text escaped as a server escapes it (every byte, or every byte
  // but letters and digits), as far as the decoder reads.
  const QByteArray utf8 = text.toUtf8();
  if (utf8.size() > 1024 || text.size() > 500 || text.contains(u'\0') || text.contains(u'\r') ||
      QString::fromUtf8(utf8) != text) {
    return 0;
  }
  QString escaped;
  for (const char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    if (!escapeAll && ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9'))) {
      escaped += QChar(b);
    } else {
      escaped += QString::asprintf("%%%02X", b);
    }
  }
  FUZZ_CHECK(OrvaneMac::modGeneral::DecodeServerPath(escaped) == text);
  FUZZ_CHECK(OrvaneMac::modGeneral::GetRemotePath(QStringLiteral("/users/jsmith/Files/") + escaped) == text);
  return 0;
}
