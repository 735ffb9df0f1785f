// Number texts from replies, profile files and users: every conversion
// answers or raises a run-time error (never anything else), and a number
// written by CStr reads back as itself. Formats take any pattern.
#include "fuzz/FuzzInput.h"
#include "platform/errors/RuntimeError.h"
#include "platform/text/Conversion.h"
#include "platform/text/Format.h"
#include "platform/text/UserLocale.h"

#include <cmath>
#include <functional>

namespace {

template <typename F>
void Quietly(F&& f) {
  try {
    f();
  } catch (const vb::RuntimeError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const std::uint8_t pick = in.Byte();
  QString text;
  QString pattern;
  in.TwoTexts(&text, &pattern);

  double value = 0;
  Quietly([&] { value = vb::Val(text); });
  Quietly([&] { value = vb::CDbl(text); });
  Quietly([&] { (void)vb::CInt(text); });
  Quietly([&] { (void)vb::CLng(text); });
  Quietly([&] { (void)vb::CByte(text); });
  Quietly([&] { (void)vb::CSng(text); });
  Quietly([&] { (void)vb::CBool(text); });
  (void)vb::IsNumeric(text);
  Quietly([&] { (void)vb::ParseNumber(text); });
  Quietly([&] { (void)vb::CDate(text); });

  if (std::isfinite(value)) {
    const QString written = vb::CStr(value);
    double back = 0;
    Quietly([&] { back = vb::CDbl(written); });
    // CStr keeps 15 significant digits.
    FUZZ_CHECK(value == 0 || std::fabs(back - value) <= std::fabs(value) * 1e-14);
    Quietly([&] { (void)vb::Format(value, pattern); });
    Quietly([&] { (void)vb::FormatNumber(value, pick % 20 - 1); });
    Quietly([&] { (void)vb::Round(value, pick % 12); });
  }
  return 0;
}
