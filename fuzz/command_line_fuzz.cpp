// Windows command lines and the one-line batch files: any text is split,
// read or refused (error 5), in time linear in its length.
#include "fuzz/FuzzInput.h"
#include "platform/errors/RuntimeError.h"
#include "platform/process/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const QString line = in.Text();
  (void)win::SplitArguments(line);
  const auto readings = win::ProgramCandidates(line);
  FUZZ_CHECK(readings.size() <= 130);
  for (const auto& r : readings) {
    FUZZ_CHECK(r.program.size() <= 259 + 4);
    (void)win::SplitArguments(r.rest);
    (void)win::FileNameOf(r.program);
  }
  try {
    const win::BatchLine batch = win::ParseBatchText(line);
    FUZZ_CHECK(batch.kind == win::BatchLine::Kind::Program || !batch.file.isEmpty());
  } catch (const vb::RuntimeError& e) {
    FUZZ_CHECK(e.Number() == vb::errInvalidProcedureCall);
  }
  return 0;
}
