#pragma once
// The engine's public class Options: everything the engine records in files
// (the transfer log shared with the restore program, the session log of a
// restore, the service-mode logs, the trace file), three whole-file writers,
// the option summaries the restore routes log, the archive-bit helpers and
// the engine's message box. All instances work on the one engine state.

#include <QString>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "ZQwinSrv/foundation/EngineState.h"
#include "platform/values/Object.h"
#include "platform/values/Variant.h"

namespace OrvaneSrv {

class ORVANESRV_EXPORT Options : public vb::Object {
 public:
  [[nodiscard]] QString TypeName() const override { return QStringLiteral("Options"); }

  // Kept for the interface; nothing reads it.
  [[nodiscard]] QString sZipFileName() const { return sZipFileName_; }
  void sZipFileName(const QString& value) { sZipFileName_ = value; }

  // One transfer-log entry of status `bval`: 0 "Information", 1 "Success",
  // 2 "Error", 4 an empty line and then an untrimmed Information entry,
  // 5 a line end only, 6 "Sync list"; any other code an empty line.
  void Opt_WriteInto_TransferLog(const QString& LogMsg, Integer bval = 0);
  // One entry (codes 0 to 2) to the schedule error log only.
  void Opt_WriteInto_SchErrorLog(const QString& LogMsg, Integer bval = 0);
  // One trace line (no time) to the trace file of the engine mode, or to the
  // 8-bit exchange trace file.
  void WriteTrace(const QString& TraceMsg, bool bExchTraceWrite = false);

  [[nodiscard]] bool Opt_getarchbitval(const QString& filepath);
  bool Opt_setarchbitval(const vb::Variant& filepath);
  bool Opt_resetarchbitval(const vb::Variant& filepath);

  [[nodiscard]] QString Opt_MakeBakOptionStr(bool compress, bool incremental, bool mirroropt, bool encopt = false);
  // The retry entry of the rsync client runs and the resume entry of the
  // WebDAV download; both answer false.
  bool opt_setposofresumeentryRsync(QString reslogentry);
  bool opt_setposofresumeentry(const QString& reslogentry);
  // Replaces a file by `sentry`, written raw as UTF-8 or as 8-bit text.
  void Writeintofile(const QString& sFilepath, const QString& sentry, bool bUtf8);
  [[nodiscard]] QString Opt_MakeResOptionStr(bool uncompress, bool incremental, bool mirroropt);

  // Shows the engine's message box with the product title as its caption;
  // answers the pressed button (0 when the box could not be shown).
  vb::Variant clsMessageBox(const QString& nmsg, long imgIcon = 0, long btnstyle = 0);

  // A one-value file: rewrites its first character / reads its first line.
  vb::Variant WriteFirstBit(const QString& sFilePathName, const QString& sBitInfo);
  [[nodiscard]] QString ReadFirstBit(const QString& sFilePathName);

  // Appends one trimmed line to a UTF-16 text file (created when missing).
  vb::Variant AppendFileData(const QString& sFilePathName, const QString& ActLogMsg);
  // Replaces a file by one UTF-16 line and answers the first line read back.
  QString WriteintoUnicodefile(const QString& sFilepath, const QString& sentry);

 private:
  long opt_seeklastlineinlog(const QString& path);

  QString sZipFileName_;
};

// ---- The transfer-log line and the log files (shared with the restore program) ----

// How one deliverable words a transfer-log line. The defaults are the
// engine's; the restore program has a "Debug" kind, no line-end and sync-list
// kinds, cuts the message at its first line end and writes a blank message
// as a status line of its own.
struct TransferLogForm {
  // Kind 3 is "Debug       : " (else a kind without a status word).
  bool debugKind = false;
  // Kind 5 is a line end only, kind 6 "Sync list   : ".
  bool lineEndAndSyncKinds = true;
  // A message that is blank after trimming gives an empty line.
  bool blankMessageGivesEmptyLine = true;
  // The message is cut before its first CR and then before its first NUL
  // (kind 4 keeps it whole); else it is trimmed.
  bool cutAtLineEnd = false;
  // Each "//", found left to right, becomes "/" in the finished line.
  bool singleSlashes = false;
};

// One transfer-log line of kind `kind` at the time text `time`
// ("mm/dd/yyyy hh:mm:ss"): the status word, the time, " : " and the
// message; kind 4 an empty line first and an Information line with the whole
// message; a kind without a status word an empty line. Blanks around the
// finished line are not yet removed (AppendLogLine does that).
[[nodiscard]] ORVANESRV_EXPORT QString TransferLogLine(const TransferLogForm& form, const QString& message,
                                                       Integer kind, const QString& time);

// The time text of a transfer-log line: now, as "mm/dd/yyyy hh:mm:ss" with
// the user's date and time separators.
[[nodiscard]] ORVANESRV_EXPORT QString TransferLogTime();

// Appends `line` without its surrounding blanks, and a line end, to the
// UTF-16 log file `path`, creating it (with its byte-order mark) when it is
// missing. Fails quietly: a line that cannot be written is lost.
ORVANESRV_EXPORT void AppendLogLine(const QString& path, const QString& line);

// The engine's Options singleton, and the two calls nearly every operation
// makes through it.
Options& gOptions();
void WriteTrace(const QString& text);
void WriteTransferLog(const QString& text, Integer code = 0);

// The application folder: the program folder given to InitEngine followed by
// the application word ("C:\Program\OrvaneMac").
[[nodiscard]] QString AppFolder();

}  // namespace OrvaneSrv
