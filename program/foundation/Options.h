#pragma once
// The restore program's class Options: its two logs, both UTF-16 text files
// in the application folder.
//
//   "TraceFile.txt"      free diagnostic lines from every part of the
//                        program (entry and exit marks, values, the error
//                        line of every trapped run-time error)
//   "OrvaneLogFile.txt"  time-stamped status lines meant for the user,
//                        copied into the current session log while one is
//                        named (Program().SessionLogFile)
//
// The engine writes the same two files with the same line forms through
// its own Options; both deliverables build a transfer-log line with the
// engine's one routine (TransferLogLine) and differ only in the form they
// pass. Every write opens, appends and closes, so the two deliverables'
// lines interleave in call order and never mix within a line. Neither
// writer reports anything: a line that cannot be written is lost.

#include <QDateTime>
#include <QString>

#include "program/foundation/ProgramState.h"
#include "platform/errors/RuntimeError.h"

namespace OrvaneMac {

class Options {
 public:
  // Appends the text without its surrounding blanks, and CR LF, to
  // "TraceFile.txt" (no time stamp). Creates the application folder and
  // the file when they are missing.
  void WriteTrace(const QString& TraceMsg);

  // Appends one status line of kind `bval` to "OrvaneLogFile.txt" and,
  // while a session log is named, to that log in the folder "Session"
  // (which is not created here):
  //   0 "Information : "   1 "Success     : "   2 "Error       : "
  //   3 "Debug       : "   followed by the time "mm/dd/yyyy hh:mm:ss",
  //   " : " and the message up to its first CR and then its first NUL;
  //   4 an empty line, then an Information line with the whole message;
  //   any other kind an empty line.
  // Each "//" of the line becomes "/"; blanks around it are removed.
  void Opt_WriteInto_TransferLog(const QString& LogMsg, Integer bval);

  // --- Option questions and summaries --------------------------------------
  // Always true.
  [[nodiscard]] bool Opt_IsIncremental();
  // The user-profile key "MIRROR" is "1".
  [[nodiscard]] bool Opt_IsMirroring();
  // Always false.
  [[nodiscard]] bool Opt_IsZip();
  // The check mark of the main window's menu item mnuAutoUnZip, which this
  // program does not have: false.
  [[nodiscard]] bool opt_IsUnzip();
  // "ENCON" + the account of the user profile is "1" (false without an account).
  [[nodiscard]] bool Opt_IsEnc();
  // Asks message 406 while "SyncBackupRestore" is set; No writes it back to "0".
  [[nodiscard]] bool Opt_Syncbackup();
  // "Options :" and " Compress,", " Incremental," or " Full,", " Mirroring",
  // " File Encryption", a last "," removed.
  [[nodiscard]] QString Opt_MakeBakOptionStr(bool compress, bool incremental, bool mirroropt, bool encopt);
  // "Options :" and " Uncompress,", " Incremental," or " Full,", a last ","
  // removed; `mirroropt` adds nothing.
  [[nodiscard]] QString Opt_MakeResOptionStr(bool uncompress, bool incremental, bool mirroropt);

  // --- Files ---------------------------------------------------------------
  // Appends the text and a line break to "ZQWSchErrorLogFile.txt" (8-bit).
  void Opt_WriteInto_SchErrorLog(const QString& LogMsg);
  // Ask (messages 407 / 408) and delete "ZQWErrorLogFile.txt" /
  // "OrvaneLogFile.txt" on Yes.
  void Opt_Clear_ErrorLog();
  void Opt_Clear_TransferLog();
  // The file's archive attribute (32): read it, clear it (false when the
  // attributes then read exactly 32), set it (true when it was clear and is
  // set now).
  [[nodiscard]] bool Opt_getarchbitval(const QString& filepath);
  bool Opt_setarchbitval(const QString& filepath);
  bool Opt_resetarchbitval(const QString& filepath);
  // The first line of a UTF-16 flag file, trimmed; "" when it is missing or empty.
  [[nodiscard]] QString ReadFirstBit(const QString& sFilePathName);
  // Replaces the flag file's first character by the trimmed `sBitInfo`; a
  // missing file is created holding "0" and a line break first.
  void WriteFirstBit(const QString& sFilePathName, const QString& sBitInfo);

  // --- Dates by a time-zone rule ---------------------------------------------
  struct SystemTime {
    Integer wYear = 0, wMonth = 0, wDayOfWeek = 0, wDay = 0, wHour = 0, wMinute = 0, wSecond = 0,
            wMilliseconds = 0;
  };
  struct TimeZoneRule {
    Long Bias = 0, StandardBias = 0, DaylightBias = 0;
    SystemTime StandardDate;
    SystemTime DaylightDate;
  };
  // The n-th `dayOfWeek` (0 Sunday) of the month, or its last one when the
  // month has fewer.
  [[nodiscard]] QDate opt_WeekDayToDate(int year, int month, int dayOfWeek, int n);
  // True when the date lies strictly inside the rule's daylight period.
  [[nodiscard]] bool opt_IsDayLight(const QDateTime& date, const TimeZoneRule& rule);
  [[nodiscard]] QDateTime opt_LocalDateToUTC(const QDateTime& date, const TimeZoneRule& rule);
  [[nodiscard]] QDateTime opt_UTCToLocalDate(const QDateTime& date, const TimeZoneRule& rule);
  // The text up to its first NUL.
  [[nodiscard]] QString opt_StripNulls(const QString& text);
};

// The program's Options, created on first use and kept for the run.
Options& gOptions();

// The two calls nearly every procedure makes.
void WriteTrace(const QString& text);
void WriteTransferLog(const QString& text, Integer kind);
// How many trace lines the program has written in this run: work that may
// trace can tell whether it did, and so whether its result may be reused.
[[nodiscard]] quint64 TraceLinesWritten();

// The application folder: the program folder, "\" and the application word.
[[nodiscard]] QString AppFolder();

// The trace line of a trapped run-time error: "Error Reason :", the
// description, "in procedure ", the procedure, " of Form " / " of Class
// Module " / " of Module " and the owner, joined without further separators.
void TraceError(const vb::ErrorInfo& error, const QString& procedure, vb::OwnerKind kind, const QString& owner);

}  // namespace OrvaneMac
