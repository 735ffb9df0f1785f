// Like: any text against any pattern answers; a malformed pattern matches
// nothing, "*" matches everything, and a pattern of plain characters matches
// only itself.
#include "fuzz/FuzzInput.h"
#include "platform/text/Like.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  QString pattern;
  QString subject;
  in.TwoTexts(&pattern, &subject);
  const bool valid = vb::IsValidLikePattern(pattern);
  const bool binary = vb::Like(subject, pattern, vb::vbBinaryCompare);
  const bool text = vb::Like(subject, pattern, vb::vbTextCompare);
  FUZZ_CHECK(valid || (!binary && !text));
  FUZZ_CHECK(vb::Like(subject, QStringLiteral("*")));
  const bool plain = !pattern.contains(u'[') && !pattern.contains(u'*') && !pattern.contains(u'?') &&
                     !pattern.contains(u'#');
  if (plain) FUZZ_CHECK(binary == (subject == pattern));
  return 0;
}
