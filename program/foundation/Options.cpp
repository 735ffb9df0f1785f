#include "program/foundation/Options.h"

#include <atomic>
#include <memory>

#include "ZQwinSrv/foundation/Options.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/WinPath.h"

namespace OrvaneMac {
namespace {

// The program's transfer-log lines: a "Debug" kind, a blank message still
// gives its status line, the message ends at its first line end, and double
// slashes (paths joined from parts that already end in "/") become one.
OrvaneSrv::TransferLogForm ProgramForm() {
  OrvaneSrv::TransferLogForm form;
  form.debugKind = true;
  form.lineEndAndSyncKinds = false;
  form.blankMessageGivesEmptyLine = false;
  form.cutAtLineEnd = true;
  form.singleSlashes = true;
  return form;
}

void EnsureAppFolder() {
  vb::ResumeNext next;
  next([] {
    if (!win::FolderExists(AppFolder())) win::CreateFolder(AppFolder());
  });
}

}  // namespace

QString AppFolder() { return win::JoinPath(win::ProgramFolder(), Program().AppWord); }

namespace {

std::atomic<quint64> gTraceLines{0};

}  // namespace

quint64 TraceLinesWritten() { return gTraceLines; }

void Options::WriteTrace(const QString& TraceMsg) {
  ++gTraceLines;
  EnsureAppFolder();
  OrvaneSrv::AppendLogLine(win::JoinPath(AppFolder(), QStringLiteral("TraceFile.txt")), TraceMsg);
}

void Options::Opt_WriteInto_TransferLog(const QString& LogMsg, Integer bval) {
  const QString time = OrvaneSrv::TransferLogTime();
  EnsureAppFolder();
  const QString line = OrvaneSrv::TransferLogLine(ProgramForm(), LogMsg, bval, time);
  OrvaneSrv::AppendLogLine(win::JoinPath(AppFolder(), QStringLiteral("OrvaneLogFile.txt")), line);
  // The "Session" folder is not created here: without it only the copy is lost.
  const QString session = Program().SessionLogFile;
  if (!session.isEmpty()) {
    OrvaneSrv::AppendLogLine(AppFolder() + QStringLiteral("\\Session\\") + session, line);
  }
}

Options& gOptions() {
  static std::unique_ptr<Options> options;
  if (!options) options = std::make_unique<Options>();
  return *options;
}

void WriteTrace(const QString& text) { gOptions().WriteTrace(text); }

void WriteTransferLog(const QString& text, Integer kind) { gOptions().Opt_WriteInto_TransferLog(text, kind); }

void TraceError(const vb::ErrorInfo& error, const QString& procedure, vb::OwnerKind kind, const QString& owner) {
  WriteTrace(vb::ErrorReasonLine(error.description, procedure, kind, owner));
}

}  // namespace OrvaneMac
