// Session-log names: any file name in the session folder gives a row (or
// none, without a blank) that keeps the real name, a sort key of twelve
// digits or none, and a listing that names the file as it lies there; a
// name of the engine's own form comes back from its row unchanged.
#include <QDir>
#include <QRegularExpression>

#include "ZQwinSrv/facade/clsController.h"
#include "fuzz/EngineFuzz.h"
#include "platform/errors/RuntimeError.h"
#include "platform/process/NamedMutex.h"
#include "platform/text/UserLocale.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/modMain.h"
#include "program/progress/SessionLogFiles.h"

namespace {

bool IsSortKey(const QString& key) {
  static const QRegularExpression digits(QStringLiteral("^\\d{12}$"));
  return key.isEmpty() || digits.match(key).hasMatch();
}

// A name the host can hold as one file of the folder, read back the same.
bool HostName(const QString& name) {
  if (name.isEmpty() || name.size() > 120 || name == u"." || name == u"..") return false;
  if (name.endsWith(u' ') || name.endsWith(u'.')) return false;
  for (const QChar c : name) {
    if (c.unicode() < 32 || QStringLiteral("\\/:*?\"<>|").contains(c) || c.isSurrogate()) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    fuzz::Drives();
    win::NamedMutex::SetFolders(fuzz::Host(QStringLiteral("locks/shared")), fuzz::Host(QStringLiteral("locks/local")));
    OrvaneMac::modGeneral::SetEndProgramHandler([] { std::abort(); });
    static vb::ScopedUserLocale locale(vb::UserLocale::EnglishUS());
    OrvaneMac::ResetProgramForTesting();
    OrvaneMac::Program().AppWord = QStringLiteral("OrvaneMac");
    OrvaneSrv::clsController().InitEngine(QStringLiteral("C:\\Prog"), 1, {}, QStringLiteral("OrvaneMac"));
    return true;
  }();
  (void)ready;
  QFile::remove(fuzz::Host(QStringLiteral("Prog/OrvaneMac/TraceFile.txt")));
  fuzz::Input in(data, size);
  const QString name = QString::fromUtf8(in.Rest());

  FUZZ_CHECK(IsSortKey(OrvaneMac::SessionSortKey(name)));
  const auto row = OrvaneMac::SessionLogRowOf(name);
  FUZZ_CHECK(row.has_value() == name.contains(u' '));
  if (row) {
    FUZZ_CHECK(row->fileName == name);
    FUZZ_CHECK(IsSortKey(row->sortKey));
    FUZZ_CHECK(row->icon >= 0 && row->icon <= 2);
    if (!row->description.isEmpty()) {
      const QString rebuilt = OrvaneMac::SessionFileNameOfRow(row->description, row->startTime);
      static const QRegularExpression own(
          QStringLiteral("^(Restore|Schedule) \\d\\d-\\d\\d-\\d{4}  \\d\\d-\\d\\d-\\d\\d\\.txt$"));
      if (own.match(name).hasMatch()) FUZZ_CHECK(rebuilt == name);
    } else {
      bool raised = false;
      try {
        (void)OrvaneMac::SessionFileNameOfRow(row->description, row->startTime);
      } catch (const vb::RuntimeError&) {
        raised = true;
      }
      FUZZ_CHECK(raised);
    }
  }

  if (!HostName(name)) return 0;
  const QString folder = fuzz::Host(QStringLiteral("Prog/OrvaneMac/Session"));
  QDir(folder).removeRecursively();
  QDir().mkpath(folder);
  {
    QFile file(folder + u'/' + name);
    if (!file.open(QIODevice::WriteOnly)) return 0;
  }
  auto list = std::make_shared<vb::Collection>();
  OrvaneMac::ListSessionLogNames(list);
  FUZZ_CHECK(list->Count() <= 1);
  if (list->Count() == 1) FUZZ_CHECK(list->Item(1).ToString() == name);
  if (name.contains(u' ') &&
      !QStringList{QStringLiteral("ZQSystemState"), QStringLiteral("ZQExchBrick"), QStringLiteral("ZQOracleLog")}
           .contains(name.section(u' ', 0, 0))) {
    FUZZ_CHECK(list->Count() == 1);
  }
  return 0;
}
