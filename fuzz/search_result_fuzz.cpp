// The search listing: the client's listing of the folder searched in goes
// whole into "OrvaneSearchResult.txt" (UTF-16LE with its mark), which the
// search window reads line by line. Whatever the client wrote, the file
// holds exactly that text, or is gone when the listing held nothing.
#include <QDir>

#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "ZQwinSrv/rsync/clsRsyncEngine.h"
#include "fuzz/EngineFuzz.h"

namespace {

// A listing run that writes the client's logs and has ended at once.
class ListingRun : public OrvaneSrv::ClientRunLauncher {
 public:
  int Start(const QString&) override {
    fuzz::WriteHost(QStringLiteral("Prog/OrvaneInt/ORVANETEMP/outputlog.txt"), output);
    fuzz::WriteHost(QStringLiteral("Prog/OrvaneInt/ORVANETEMP/errlog.txt"), "Password: \n");
    return 50000001;  // above any id the system gives out
  }
  win::ProcessHandle Open(int processId) override { return processId; }
  bool ExitCode(win::ProcessHandle, std::uint32_t& code) override {
    code = 0;
    return true;
  }
  void Close(win::ProcessHandle) override {}
  QByteArray output;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FreshEngine();
  static const bool ready = [] {
    for (const char* name : {"fz_client_rst_100.exe", "cygwin1.dll", "redirect.exe"})
      fuzz::WriteHost(QStringLiteral("Prog/") + QLatin1String(name), QByteArray());
    return true;
  }();
  (void)ready;
  OrvaneSrv::EngineState& g = OrvaneSrv::Engine();
  // Names no process of this machine has, so nothing real is ended.
  g.gsRsyncClientExe = QStringLiteral("fz_client_rst_100.exe");
  g.gsTunnelExe = QStringLiteral("fz_tunnel_rst_100.exe");
  g.gbUseSSL = false;
  g.gsUserName = QStringLiteral("jsmith");
  OrvaneSrv::gTransfer().WriteUserServerProfile(QStringLiteral("RSYNCSERVER"), QStringLiteral("rsync1.example"),
                                                QStringLiteral("jsmith"));
  fuzz::Input in(data, size);
  ListingRun run;
  run.output = in.Rest();
  OrvaneSrv::ScopedClientRunLauncher useRun(run);

  const QString result = QStringLiteral("Prog/OrvaneMac/OrvaneSearchResult.txt");
  fuzz::WriteHost(result, "an older result");
  OrvaneSrv::clsRsyncController controller;
  FUZZ_CHECK(controller.SearchItem(QStringLiteral("/Photos/"), QStringLiteral("jsmith"), QStringLiteral("pw")));

  const QString text = QString::fromUtf8(run.output);
  // A listing of blanks alone leaves no result file; an older one is gone
  // in any case.
  if (!QFileInfo::exists(fuzz::Host(result))) return 0;
  const QByteArray bytes = fuzz::ReadHost(result);
  FUZZ_CHECK(bytes.startsWith("\xFF\xFE"));
  const QString written = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                             (bytes.size() - 2) / 2);
  FUZZ_CHECK(written == text);
  return 0;
}
