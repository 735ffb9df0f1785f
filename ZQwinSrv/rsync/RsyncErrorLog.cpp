// clsRsyncEngine: judging a client run by what the client wrote to its
// standard error.
#include <QRegularExpression>

#include <algorithm>

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Util.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "ZQwinSrv/rsync/clsRsyncEngine.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/text/Strings.h"

namespace OrvaneSrv {
namespace {

bool HasNoCase(const QString& line, const QString& text) { return line.contains(text, Qt::CaseInsensitive); }

// The reason the client gave after "failed: ", without the error number
// ("Permission denied (13)" -> "Permission denied"); "" when there is none.
QString ClientReason(const QString& line) {
  const qsizetype at = line.lastIndexOf(QStringLiteral("failed: "), -1, Qt::CaseInsensitive);
  if (at < 0) return {};
  QString reason = line.mid(at + 8).trimmed();
  const qsizetype number = reason.lastIndexOf(QStringLiteral(" ("));
  if (number > 0 && reason.endsWith(u')')) reason = reason.left(number);
  return reason;
}

// rsync writes a file to a temporary sibling ".<name>.XXXXXX" and renames
// it: a failure there concerns the user's file <name>.
QString WithoutTemporaryName(const QString& path) {
  const qsizetype slash = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
  const QString name = path.mid(slash + 1);
  if (name.size() > 8 && name.startsWith(u'.') && name.at(name.size() - 7) == u'.')
    return path.left(slash + 1) + name.mid(1, name.size() - 8);
  return path;
}

}  // namespace

bool clsRsyncEngine::Cont_Check_Log_Err_Files(Integer n) {
  bool result = false;
  return vb::OnErrorGoTo(
      [&] {
        EngineState& g = Engine();
        const QString temp = g.gsWorkFolder + QStringLiteral("\\ORVANETEMP\\");
        const QString log = temp + (n == 1   ? QStringLiteral("errlogSerA.txt")
                                    : n == 2 ? QStringLiteral("errlogSerB.txt")
                                             : QStringLiteral("errlog.txt"));
        if (!win::FileExists(log)) return false;
        const QByteArray bytes = win::ReadAllBytes(log);
        if (bytes.isEmpty()) return true;
        const QString text = FromUtf8(bytes);
        const QStringList pieces = text.split(u'\n');
        if (pieces.size() < 3) return true;

        const QString block = QStringLiteral("FAILURE : ") + vb::Now().toString(QStringLiteral("MM/dd/yyyy hh:mm:ss")) +
                              QStringLiteral(" ERROR TEXT :") + QStringLiteral("\r\n") + text + QStringLiteral("\r\n") +
                              QStringLiteral("END ERROR TEXT");
        WriteTrace(QStringLiteral("Sync Error: ") +
                   block.toLower().replace(QStringLiteral("rsync"), QStringLiteral("Client")));

        if (g.gbCommonFlag && block.contains(QStringLiteral("No space left on device"))) {
          gWebDavControl().dav_seterrorstring(QStringLiteral("Insufficient disk space"));
          WriteTransferLog(QStringLiteral("Unable to continue the restore operation, Reason: Insufficient disk space"), 0);
          g.gbRestoreFailed = true;
          return true;
        }

        clsRsyncController& c = Controller();
        EngineParams* e = n == 1 ? &EngineA : n == 2 ? &EngineB : nullptr;
        vb::CollectionPtr* failed = n == 1 ? &g.gcolFailedItemsA : n == 2 ? &g.gcolFailedItemsB : nullptr;
        bool failureSeen = false;
        QString path;
        for (qsizetype i = 1; i < pieces.size(); ++i) {
          const QString& line = pieces.at(i);
          if (line.contains(QStringLiteral("exit code =")) || line.contains(QStringLiteral("rsync error:")))
            return result;
          if (line.contains(QStringLiteral("Password:")) || vb::Trim(StripNull(line)).isEmpty()) {
            if (!failureSeen) result = true;
            continue;
          }
          const bool missing = HasNoCase(line, QStringLiteral("failed: No such file or directory"));
          const bool tooLong = HasNoCase(line, QStringLiteral("File name too long"));
          // A folder of the user's where a file goes: rsync keeps it and
          // fails the file (exit 23); retrying the list cannot change that.
          const qsizetype makeWay = line.indexOf(QStringLiteral("could not make way for new "));
          if (!missing && !tooLong && makeWay < 0 && !HasNoCase(line, QStringLiteral("failed: not a directory")) &&
              !HasNoCase(line, QStringLiteral("SFERROR")) && !HasNoCase(line, QStringLiteral("IOERROR")) &&
              !HasNoCase(line, QStringLiteral("mkstemp")) &&
              !HasNoCase(line, QStringLiteral("failed: Permission denied")) &&
              !HasNoCase(line, QStringLiteral("failed: Operation not permitted")) &&
              !HasNoCase(line, QStringLiteral("failed: Read-only file system")))
            continue;
          failureSeen = true;
          if (e) e->dFailedFiles += 1;

          QString entry;
          bool add = false;
          if (makeWay >= 0) {
            // "could not make way for new regular file: <path below the
            // run's destination>"
            const qsizetype colon = line.indexOf(QStringLiteral(": "), makeWay);
            const QString relative = colon > 0 ? line.mid(colon + 2).trimmed() : QString();
            const QString destination =
                e ? c.Cont_ChangeRsycnToWinPath(vb::Trim(e->sDestination)) : QString();
            QString local = relative;
            local.replace(u'/', u'\\');
            if (!destination.isEmpty())
              local = (destination.endsWith(u'\\') ? destination : destination + u'\\') + local;
            WriteTransferLog(QStringLiteral("Unable to restore file My Orvane\\") + local + QStringLiteral(". Reason: ") +
                                 line.mid(makeWay, colon > makeWay ? colon - makeWay : -1).trimmed(),
                             2);
          } else if (!tooLong && !missing) {
            // The client names the item as a quoted "/cygdrive/" path after
            // its own words; that path is the one to show, as the user's
            // file (not rsync's temporary beside it), with the reason the
            // client gave. A line without one is cut at the fixed place.
            const qsizetype open = line.indexOf(QStringLiteral("\"/cygdrive/"));
            const qsizetype close = open >= 0 ? line.indexOf(u'"', open + 1) : -1;
            const QString p = close > open ? c.Cont_ChangeRsycnToWinPath(line.mid(open, close - open + 1))
                                           : c.Cont_ChangeRsycnToWinPath(vb::Trim(vb::Mid(line, 10)));
            const QString reason = ClientReason(line);
            WriteTransferLog(QStringLiteral("Unable to restore file My Orvane\\") + WithoutTemporaryName(p) +
                                 (reason.isEmpty() ? QString() : QStringLiteral(". Reason: ") + reason),
                             2);
          } else if (tooLong) {
            const qsizetype cyg = line.indexOf(QStringLiteral("/cygdrive/"));
            const QString w = c.Cont_ChangeRsycnToWinPath(cyg >= 1 ? line.mid(cyg - 1) : line);
            QString full = ReplaceSection(w, QStringLiteral("\""), QString());
            const qsizetype reasonInFull = full.indexOf(QStringLiteral("File name too long"));
            if (reasonInFull >= 2) full = full.left(reasonInFull - 2);
            QString name = line.mid(line.lastIndexOf(u'/') + 1);
            const qsizetype reasonInName = name.indexOf(QStringLiteral("File name too long"));
            if (reasonInName >= 3) name = name.left(reasonInName - 3);
            WriteTransferLog(QStringLiteral("Unable to restore file My Orvane\\") + name + QStringLiteral(" <To> ") +
                                 full + QStringLiteral(". Reason: File path too long"),
                             2);
            entry = full;
            add = true;
          } else {
            // The module is "tessara", or "tessara<n>" for snapshot n.
            qsizetype inModule = line.indexOf(QStringLiteral("\" (in tessara)"));
            if (inModule < 0) {
              static const QRegularExpression snapshot(QStringLiteral("\" \\(in tessara\\d\\)"));
              inModule = line.indexOf(snapshot);
            }
            const qsizetype cyg = line.indexOf(QStringLiteral("\"/cygdrive/"));
            if (inModule >= 0) {
              path = line.mid(18, inModule - 18);
            } else if (cyg >= 0) {
              const qsizetype lastSlash = cyg + 10;  // the last "/" of that "/cygdrive/"
              path = line.mid(lastSlash).remove(QStringLiteral("failed: No such file or directory"));
            }
            path.replace(u'/', u'\\');
            WriteTransferLog(QStringLiteral("Unable to restore file My Orvane") + path +
                                 QStringLiteral(". Reason: No such file or directory."),
                             2);
            entry = QString(path).remove(u'"');
            add = true;
          }
          if (add && e && failed) {
            // A file the log names again was counted already: once, however
            // often it comes back.
            vb::CollectionPtr& items = Items(*failed);
            for (const vb::Variant& item : *items) {
              if (item.ToString() == entry) {
                e->dFailedFiles -= 1;
                break;
              }
            }
            items->Add(entry);
          }
          result = true;
        }
        return result;
      },
      [&](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error encountered while checking Log and error files. Reason: ") +
                   QString::number(err.number) + u' ' + err.description);
        return result;
      });
}

}  // namespace OrvaneSrv
