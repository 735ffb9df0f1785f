// The client's output log of a transfer run, read as it grows: whatever
// the client (or a broken pipe) writes, the progress record stays within
// its bounds and every line is read once at most.
#include <optional>

#include "ZQwinSrv/rsync/clsRsyncEngine.h"
#include "fuzz/EngineFuzz.h"

namespace {

const QString kLog = QStringLiteral("Prog/OrvaneInt/ORVANETEMP/outputlogSerA.txt");

// Parses lines until the run's log has nothing more, at most `calls` times.
void Drain(OrvaneSrv::clsRsyncEngine& engine, int calls) {
  for (int i = 0; i < calls && !engine.EngineA.bOutputDone; ++i) engine.DisplayProgress(1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FreshEngine();
  fuzz::Input in(data, size);
  const std::uint8_t flags = in.Byte();
  const std::uint8_t cut = in.Byte();
  const QByteArray log = in.Rest();
  const int lines = static_cast<int>(log.count('\n')) + 1;
  if (lines > 256) return 0;

  OrvaneSrv::EngineState& g = OrvaneSrv::Engine();
  g.gbCommonFlag = (flags & 1) != 0;
  g.gbInteractiveRestore = true;
  g.gdTotalFileSize = (flags & 2) != 0 ? 1e6 : 0;
  g.gsTimeRemaining = (flags & 4) != 0 ? QStringLiteral("01:02:03") : QString();
  std::optional<OrvaneSrv::clsRsyncEngine> engine(std::in_place);
  engine->Controller();  // the work folder
  engine->bRestoreOriginal = (flags & 8) != 0;
  OrvaneSrv::EngineParams& run = engine->EngineA;
  run.sOutputLog = QStringLiteral("C:\\Prog\\OrvaneInt\\ORVANETEMP\\outputlogSerA.txt");
  run.sDestination = QStringLiteral(" \"/cygdrive/C/Restore/\"");
  run.sOriginalFolder = QStringLiteral("C:\\Original");
  fuzz::WriteHost(QStringLiteral("Prog/OrvaneInt/ORVANETEMP/errlogSerA.txt"), "Password: \n");

  // First what the client had written when the engine looked, then all.
  const qsizetype first = log.isEmpty() ? 0 : cut % (log.size() + 1);
  fuzz::WriteHost(kLog, log.left(first));
  Drain(*engine, 3);
  fuzz::WriteHost(kLog, log);
  Drain(*engine, 2 * lines + 8);

  FUZZ_CHECK(run.dProgressLines <= lines);
  FUZZ_CHECK(run.dOutputOffset <= static_cast<double>(log.size()));
  FUZZ_CHECK(g.gWebdavProgress.iFileProg <= 100 && g.gWebdavProgress.iTotalProg <= 100);
  FUZZ_CHECK(run.dFilesRestored <= lines);
  return 0;
}
