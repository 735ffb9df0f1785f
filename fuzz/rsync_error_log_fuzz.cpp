// The client's error log of a run: whatever it holds, the verdict is made,
// and the failed files are counted once each and never below none.
#include <optional>

#include "ZQwinSrv/rsync/clsRsyncEngine.h"
#include "fuzz/EngineFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FreshEngine();
  fuzz::Input in(data, size);
  const std::uint8_t flags = in.Byte();
  const QByteArray log = in.Rest();
  if (log.count('\n') > 512) return 0;

  OrvaneSrv::EngineState& g = OrvaneSrv::Engine();
  g.gbCommonFlag = (flags & 4) != 0;
  std::optional<OrvaneSrv::clsRsyncEngine> engine(std::in_place);
  engine->Controller();  // the work folder
  // 0 a listing's log, 1 and 2 the logs of runs A and B.
  const OrvaneSrv::Integer n = static_cast<OrvaneSrv::Integer>(flags % 3);
  static const QString kNames[] = {QStringLiteral("errlog.txt"), QStringLiteral("errlogSerA.txt"),
                                   QStringLiteral("errlogSerB.txt")};
  fuzz::WriteHost(QStringLiteral("Prog/OrvaneInt/ORVANETEMP/") + kNames[n], log);
  (void)engine->Cont_Check_Log_Err_Files(n);

  const long lines = static_cast<long>(log.count('\n')) + 1;
  for (const OrvaneSrv::EngineParams* run : {&engine->EngineA, &engine->EngineB}) {
    FUZZ_CHECK(run->dFailedFiles >= 0 && run->dFailedFiles <= lines);
  }
  // A file named again and again is one failed file.
  if (n == 1) {
    QStringList distinct;
    for (const vb::Variant& item : *OrvaneSrv::Items(g.gcolFailedItemsA))
      if (!distinct.contains(item.ToString())) distinct << item.ToString();
    FUZZ_CHECK(engine->EngineA.dFailedFiles >= distinct.size());
  }
  return 0;
}
