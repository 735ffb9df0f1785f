#include "program/progress/SessionLogFiles.h"

#include "ZQwinSrv/foundation/Util.h"
#include "program/foundation/Options.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/SystemHelpers.h"
#include "program/progress/ProgressMessages.h"
#include "program/windows/MesgBox.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/WinPath.h"
#include "platform/shell/Shell.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

#include <QRegularExpression>

#include <vector>

namespace OrvaneMac {
namespace {

// The kinds the viewer never lists.
bool NeverListed(const QString& kind) {
  return kind == QLatin1String("ZQSystemState") || kind == QLatin1String("ZQExchBrick") ||
         kind == QLatin1String("ZQOracleLog");
}

// The name up to and including its first blank, trimmed.
QString KindWord(const QString& name) { return vb::Trim(vb::Left(name, vb::InStr(name, QStringLiteral(" ")))); }

OrvaneSrv::Util& SharedUtil() {
  static OrvaneSrv::Util util;
  return util;
}

}  // namespace

QString SessionFolder() {
  return win::ProgramFolder() + QLatin1Char('\\') + Program().AppWord + QStringLiteral("\\Session\\");
}

QString SessionSortKey(const QString& dateTime) {
  return vb::OnErrorGoTo(
      [&]() -> QString {
        static const QRegularExpression date(QStringLiteral("^\\d\\d[-/]\\d\\d[-/]\\d{4}"));
        if (!date.match(dateTime).hasMatch()) vb::Raise(vb::errTypeMismatch);
        const QString rest = dateTime.mid(10);
        const QStringList pieces = rest.split(QLatin1Char(':'));
        const QString hourText = vb::Trim(vb::Right(pieces.value(0), 2));
        const QString minuteText = pieces.size() > 1 ? vb::Trim(pieces.value(1)) : QStringLiteral("0");
        bool hourOk = false;
        bool minuteOk = false;
        const int hour = hourText.toInt(&hourOk);
        const int minute = minuteText.toInt(&minuteOk);
        if (!hourOk || !minuteOk || hour < 0 || hour > 23 || minute < 0 || minute > 59) vb::Raise(vb::errTypeMismatch);
        // The hour and minute as the numbers read ("+5" and "05" alike),
        // so that the key stays twelve digits.
        auto two = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
        return dateTime.mid(6, 4) + dateTime.mid(0, 2) + dateTime.mid(3, 2) + two(hour) + two(minute);
      },
      [](const vb::ErrorInfo& err) -> QString {
        TraceError(err, QStringLiteral("Sch_SortBuildDate"), vb::OwnerKind::ClassModule, QStringLiteral("Scheduler"));
        return {};
      });
}

void ListSessionLogNames(const vb::CollectionPtr& list) {
  const QString folder = SessionFolder();
  if (!win::FolderExists(folder)) return;
  const win::FindResult found = win::FindFiles(folder + QLatin1Char('*'));
  // The working sequence in ascending key order; a key equal to others
  // goes behind them.
  struct Entry {
    QString key;
    QString name;
  };
  std::vector<Entry> sequence;
  for (const win::FindData& entry : found.entries) {
    vb::ResumeNext next;
    next([&] {
      const QString name = modGeneral::StripNull(entry.name);
      if (name == QLatin1String(".") || name == QLatin1String("..") || entry.IsFolder()) return;
      const qsizetype blank = vb::InStr(name, QStringLiteral(" "));
      if (blank == 0) return;
      if (NeverListed(KindWord(name))) return;
      const ProgramState& p = Program();
      if (p.SessionListBlockedA || p.SessionListBlockedB || p.SessionListBlockedC) return;
      const QString stamp = vb::Trim(vb::Mid(name, blank));
      const QString dateTime = vb::Left(stamp, 11) + vb::Mid(stamp, 12, 9).replace(QLatin1Char('-'), QLatin1Char(':'));
      Entry e{SessionSortKey(dateTime), name};
      auto at = sequence.end();
      while (at != sequence.begin() && std::prev(at)->key > e.key) --at;
      sequence.insert(at, std::move(e));
    });
    vb::DoEvents();
  }
  for (auto it = sequence.rbegin(); it != sequence.rend(); ++it) list->Add(vb::Variant(it->name));
}

std::optional<SessionLogRow> SessionLogRowOf(const QString& fileName) {
  const qsizetype blank = vb::InStr(fileName, QStringLiteral(" "));
  if (blank == 0) return std::nullopt;
  SessionLogRow row;
  row.fileName = fileName;
  const QString kind = KindWord(fileName);
  const QString kindWithBlank = vb::Left(fileName, blank);
  if (kind == QLatin1String("Restore")) {
    row.description = QStringLiteral("Interactive ") + kindWithBlank;
    row.icon = 2;
  } else if (kind == QLatin1String("Schedule")) {
    row.description = kindWithBlank;
    row.icon = 1;
  }
  row.startTime = vb::Mid(fileName, blank, 21);
  OrvaneSrv::Util& util = SharedUtil();
  const QString date = util.ReplaceSection(vb::Mid(row.startTime, 2, 10), QStringLiteral("-"), QStringLiteral("/"));
  const QString time = util.ReplaceSection(vb::Mid(row.startTime, 13), QStringLiteral("-"), QStringLiteral(":"));
  row.sortKey = SessionSortKey(date + time);
  return row;
}

QString SessionFileNameOfRow(const QString& description, const QString& startTime) {
  QString kind;
  if (vb::Trim(description) == QLatin1String("Schedule")) {
    kind = QStringLiteral("Schedule");
  } else {
    kind = vb::Trim(vb::Mid(description, vb::InStr(description, QStringLiteral(" "))));
  }
  return kind + QLatin1Char(' ') + vb::Trim(startTime) + QStringLiteral(".txt");
}

void ShowUnopenedFile(const QString& document, const QString& reason) {
  (void)MesgBox::Instance().MessageBox(
      QStringLiteral("Unable to open the file ") + document + QStringLiteral("\r\nReason: ") + reason, 3, 0,
      Program().AppTitle);
}

void ViewFile(const QString& formName, const QString& document) {
  vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter Trf_ViewFile ") + formName + document);
        vb::DoEvents();
        const long answer = win::ShellExecute(QStringLiteral("open"), document, {}, {}, win::SW_SHOWNORMAL);
        if (answer == win::SE_ERR_NOASSOC) {
          const long choice =
              win::ShellExecute(QStringLiteral("open"), QStringLiteral("RUNDLL32.EXE"),
                                QStringLiteral("shell32.dll,OpenAs_RunDLL ") + document, {}, win::SW_SHOWNORMAL);
          // The system always offers its choice of program; a desktop may
          // have nothing to offer it with, and the user hears of it.
          if (choice <= 32) ShowUnopenedFile(document, win::ShellErrorText(answer));
        }
        Program().SkipActivateRepaint = true;
        WriteTrace(QStringLiteral("Exit Trf_ViewFile "));
      },
      [&](const vb::ErrorInfo& err) { ShowUnopenedFile(document, err.description); });
}

}  // namespace OrvaneMac
