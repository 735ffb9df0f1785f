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

// The engine's Options singleton, and the two calls nearly every operation
// makes through it.
Options& gOptions();
void WriteTrace(const QString& text);
void WriteTransferLog(const QString& text, Integer code = 0);

// The application folder: the program folder given to InitEngine followed by
// the application word ("C:\Program\OrvaneMac").
[[nodiscard]] QString AppFolder();

}  // namespace OrvaneSrv
