// The small helpers of the program's class Options: option questions and
// summaries, the archive attribute, flag files, the schedule error log, and
// the date conversions by a time-zone rule.

#include <QDate>

#include "ZQwinSrv/foundation/Options.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/Options.h"
#include "program/main/Smart.h"
#include "program/session/Transfer.h"
#include "program/windows/MesgBox.h"
#include "platform/files/FileAttributes.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextStream.h"
#include "platform/paths/WinPath.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"

namespace OrvaneMac {
namespace {

constexpr long kArchive = 32;

QString NumberAndDescription(const vb::ErrorInfo& err) { return QString::number(err.number) + err.description; }

void TraceOptionsError(const vb::ErrorInfo& err, const QString& procedure) {
  TraceError(err, procedure, vb::OwnerKind::ClassModule, QStringLiteral("Options"));
}

// Asks `message` with `icon` and Yes/No; on Yes deletes the application
// folder's file `name` when it exists.
void AskAndDelete(Long message, long icon, const QString& name) {
  vb::OnErrorGoTo(
      [&] {
        const long answer =
            MesgBox::Instance().MessageBox(modReg::GetMessageText(message), icon, 2, Program().AppTitle);
        if (answer != 6) return;
        const QString path = win::JoinPath(AppFolder(), name);
        if (win::FileExists(path)) win::DeleteFile(path);
      },
      [](const vb::ErrorInfo& err) { OrvaneMac::WriteTrace(NumberAndDescription(err)); });
}

QString TrueFalse(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

// The start of daylight or standard time in `year` by a rule date: the
// date itself when its year is given, else the n-th weekday of its month.
QDateTime RuleMoment(Options& options, int year, const Options::SystemTime& when) {
  const QDate day = when.wYear != 0 ? QDate(year, when.wMonth, when.wDay)
                                    : options.opt_WeekDayToDate(year, when.wMonth, when.wDayOfWeek, when.wDay);
  return QDateTime(day, QTime(0, 0)).addSecs(when.wHour * 3600 + when.wMinute * 60 + when.wSecond);
}

}  // namespace

bool Options::Opt_IsIncremental() { return true; }

bool Options::Opt_IsMirroring() {
  return vb::OnErrorGoTo([] { return gTransfer().Trf_ReadUserProfile(QStringLiteral("MIRROR"), false) == u"1"; },
                         [](const vb::ErrorInfo& err) {
                           TraceOptionsError(err, QStringLiteral("Opt_IsMirroring"));
                           return false;
                         });
}

bool Options::Opt_IsZip() {
  OrvaneMac::WriteTrace(QStringLiteral("Enter Opt_IsZip"));
  OrvaneMac::WriteTrace(QStringLiteral("Exit Opt_IsZip"));
  return false;
}

bool Options::opt_IsUnzip() {
  return vb::OnErrorGoTo(
      [] {
        OrvaneMac::WriteTrace(QStringLiteral("Enter opt_IsUnzip"));
        // The main window's hidden "AutoUnZip" item (reading it loads the
        // window when it is not loaded).
        const bool checked = Smart::Instance().MenuItem(QStringLiteral("mnuAutoUnZip"))->isChecked();
        OrvaneMac::WriteTrace(QStringLiteral("Exit opt_IsUnzip"));
        return checked;
      },
      [](const vb::ErrorInfo& err) {
        TraceOptionsError(err, QStringLiteral("opt_IsUnzip"));
        return false;
      });
}

bool Options::Opt_IsEnc() {
  const QString account = Program().AccountName;
  if (account.isEmpty()) return false;
  const QString value = gTransfer().Trf_ReadUserProfile(QStringLiteral("ENCON") + account, false);
  return !value.isEmpty() && value == u"1";
}

bool Options::Opt_Syncbackup() {
  OrvaneMac::WriteTrace(QStringLiteral("Enter Opt_Syncbackup()"));
  const QString value = gTransfer().Trf_ReadUserProfile(QStringLiteral("SyncBackupRestore"), false);
  if (value.isEmpty()) return false;
  bool answer = false;
  if (vb::Val(value) != 0) {
    const long pressed = MesgBox::Instance().MessageBox(modReg::GetMessageText(406), 3, 2, Program().AppTitle);
    answer = pressed == 6;
    if (!answer) gTransfer().Trf_WriteUserProfile(QStringLiteral("SyncBackupRestore"), QStringLiteral("0"), false);
  }
  OrvaneMac::WriteTrace(QStringLiteral("Exit Opt_Syncbackup()"));
  return answer;
}

QString Options::Opt_MakeBakOptionStr(bool compress, bool incremental, bool mirroropt, bool encopt) {
  QString text = QStringLiteral("Options :");
  if (compress) text += QStringLiteral(" Compress,");
  text += incremental ? QStringLiteral(" Incremental,") : QStringLiteral(" Full,");
  if (mirroropt) text += QStringLiteral(" Mirroring");
  if (encopt) text += QStringLiteral(" File Encryption");
  if (text.endsWith(u',')) text.chop(1);
  return text;
}

QString Options::Opt_MakeResOptionStr(bool uncompress, bool incremental, bool /*mirroropt*/) {
  QString text = QStringLiteral("Options :");
  if (uncompress) text += QStringLiteral(" Uncompress,");
  text += incremental ? QStringLiteral(" Incremental,") : QStringLiteral(" Full,");
  if (text.endsWith(u',')) text.chop(1);
  return text;
}

void Options::Opt_WriteInto_SchErrorLog(const QString& LogMsg) {
  vb::ResumeNext next;
  next([] {
    if (!win::FolderExists(AppFolder())) win::CreateFolder(AppFolder());
  });
  next([&] {
    win::TextStream out = win::OpenTextFile(win::JoinPath(AppFolder(), QStringLiteral("ZQWSchErrorLogFile.txt")),
                                            win::ForAppending, true, win::TristateFalse);
    out.WriteLine(LogMsg);
    out.Close();
  });
  if (next.Err().Failed()) OrvaneMac::WriteTrace(NumberAndDescription(next.Err()));
}

void Options::Opt_Clear_ErrorLog() { AskAndDelete(407, 0, QStringLiteral("ZQWErrorLogFile.txt")); }

void Options::Opt_Clear_TransferLog() { AskAndDelete(408, 1, QStringLiteral("OrvaneLogFile.txt")); }

bool Options::Opt_getarchbitval(const QString& filepath) {
  OrvaneMac::WriteTrace(QStringLiteral("Enter Opt_getarchbitval = ") + filepath);
  bool answer = false;
  vb::ResumeNext next;
  next([&] { answer = (win::GetAttr(filepath) & kArchive) != 0; });
  if (next.Err().Failed()) OrvaneMac::WriteTrace(NumberAndDescription(next.Err()));
  OrvaneMac::WriteTrace(QStringLiteral("Entet Opt_getarchbitval = ") + TrueFalse(answer));
  return answer;
}

bool Options::Opt_setarchbitval(const QString& filepath) {
  OrvaneMac::WriteTrace(QStringLiteral("Enter opt_setarchbitval = ") + filepath);
  return vb::OnErrorGoTo(
      [&] {
        const long old = win::GetAttr(filepath);
        win::SetAttr(filepath, old & ~kArchive);
        return win::GetAttr(filepath) != kArchive;
      },
      [](const vb::ErrorInfo& err) {
        OrvaneMac::WriteTrace(NumberAndDescription(err));
        OrvaneMac::WriteTrace(QStringLiteral("Exit opt_setarchbitval = ") + TrueFalse(false));
        return false;
      });
}

bool Options::Opt_resetarchbitval(const QString& filepath) {
  OrvaneMac::WriteTrace(QStringLiteral("Enter opt_resetarchbitval = ") + filepath);
  return vb::OnErrorGoTo(
      [&] {
        const long old = win::GetAttr(filepath);
        if ((old & kArchive) == 0) win::SetAttr(filepath, old + kArchive);
        return win::GetAttr(filepath) == old + kArchive;
      },
      [](const vb::ErrorInfo& err) {
        OrvaneMac::WriteTrace(NumberAndDescription(err));
        OrvaneMac::WriteTrace(QStringLiteral("Exit opt_resetarchbitval = ") + TrueFalse(false));
        return false;
      });
}

// The flag files are the engine's one-value files; both deliverables
// rewrite them the same way.
QString Options::ReadFirstBit(const QString& sFilePathName) {
  return OrvaneSrv::Options().ReadFirstBit(sFilePathName);
}

void Options::WriteFirstBit(const QString& sFilePathName, const QString& sBitInfo) {
  (void)OrvaneSrv::Options().WriteFirstBit(sFilePathName, sBitInfo);
}

QDate Options::opt_WeekDayToDate(int year, int month, int dayOfWeek, int n) {
  QDate found;
  int matches = 0;
  for (int day = 1; day <= 31; ++day) {
    const QDate date(year, month, 1);
    const QDate current = date.addDays(day - 1);
    if (current.month() != month) break;
    if (current.dayOfWeek() % 7 == dayOfWeek) {
      found = current;
      if (++matches == n) break;
    }
  }
  return found;
}

bool Options::opt_IsDayLight(const QDateTime& date, const TimeZoneRule& rule) {
  return vb::OnErrorGoTo(
      [&] {
        const int year = date.date().year();
        const QDateTime daylight = RuleMoment(*this, year, rule.DaylightDate);
        const QDateTime standard = RuleMoment(*this, year, rule.StandardDate);
        return daylight < standard && date > daylight && date < standard;
      },
      [](const vb::ErrorInfo& err) {
        OrvaneMac::WriteTrace(QStringLiteral("opt_IsDayLight , Reason: ") + err.description);
        return false;
      });
}

QDateTime Options::opt_LocalDateToUTC(const QDateTime& date, const TimeZoneRule& rule) {
  const QDateTime whole(date.date(), QTime(date.time().hour(), date.time().minute(), date.time().second()));
  qint64 minutes = rule.Bias;
  if (opt_IsDayLight(date, rule)) minutes += rule.DaylightBias;
  return whole.addSecs(minutes * 60);
}

QDateTime Options::opt_UTCToLocalDate(const QDateTime& date, const TimeZoneRule& rule) {
  const QDateTime withDaylight = date.addSecs(-(qint64(rule.Bias) + rule.DaylightBias) * 60);
  if (opt_IsDayLight(withDaylight, rule)) return withDaylight;
  return date.addSecs(-qint64(rule.Bias) * 60);
}

QString Options::opt_StripNulls(const QString& text) {
  const qsizetype at = text.indexOf(QChar(0));
  return at < 0 ? text : text.left(at);
}

}  // namespace OrvaneMac
