// clsRsyncEngine: reading the client's output log as it grows and parsing
// its fixed-column progress lines into the progress record.
#include <QFile>

#include <cmath>

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "ZQwinSrv/rsync/clsRsyncEngine.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/WinPath.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

namespace OrvaneSrv {
namespace {

const QString kSyncMark = QStringLiteral("[Sync File]");

// A number column: blanks around it allowed, anything else raises 13.
double Number(const QString& column) {
  const QString t = vb::Trim(column);
  bool ok = false;
  const double v = t.toDouble(&ok);
  if (!ok) throw vb::RuntimeError(13, QStringLiteral("Type mismatch"));
  return v;
}

QString Decimal(double v) { return QString::number(v, 'f', 0); }
QString Decimal(float v) { return QString::number(static_cast<double>(v)); }

}  // namespace

QString clsRsyncEngine::LoadUnixFileToArray(const QString& sEngine, const QString& sFilePath,
                                            vb::CollectionPtr& colLines, bool& bNoMore) {
  if (!colLines) colLines = std::make_shared<vb::Collection>();
  if (colLines->Count() > 0) {
    const QString first = colLines->Item(1).ToString();
    colLines->Remove(1);
    return first;
  }
  if (sEngine.isEmpty()) return {};
  EngineParams* e = sEngine == QStringLiteral("A") ? &EngineA : sEngine == QStringLiteral("B") ? &EngineB : nullptr;
  QFile file(win::ToHostPath(sFilePath));
  if (!file.open(QIODevice::ReadOnly)) throw vb::RuntimeError(53, QStringLiteral("File not found"));
  const qint64 length = file.size();
  const double before = e ? e->dOutputOffset : 0;
  if (static_cast<double>(length) - before <= 0) {
    if (e) e->dOutputOffset = static_cast<double>(length);
    file.close();
    if (before != 0 && static_cast<double>(length) == before) {
      bNoMore = true;
      if (e) ClearBacksetData(e->colOutputLines);
    } else if (length == 0 && before == 0 && e) {
      if (!Cont_Check_Log_Err_Files(e == &EngineA ? 1 : 2)) {
        bNoMore = true;
        ClearBacksetData(e->colOutputLines);
      } else {
        bNoMore = false;
      }
    } else {
      bNoMore = false;
    }
    return {};
  }
  file.seek(static_cast<qint64>(before));
  QByteArray bytes = file.read(length - static_cast<qint64>(before));
  file.close();
  if (e) {
    // The client may be in the middle of writing a line: an unfinished last
    // line waits for the next read, unless the log has not grown since it
    // was last held back (the client wrote its last line without a break).
    const qsizetype end = bytes.lastIndexOf('\n') + 1;
    if (end < bytes.size() && e->dOutputHeldAt != static_cast<double>(length)) {
      e->dOutputHeldAt = static_cast<double>(length);
      bytes.truncate(end);
    }
    e->dOutputOffset = before + static_cast<double>(bytes.size());
    if (bytes.isEmpty()) return {};
  }
  const QString text = FromUtf8(bytes);
  if (vb::Trim(StripNull(text)).isEmpty()) return {};
  bool added = false;
  for (const QString& piece : text.split(u'\n')) {
    if (vb::Trim(StripNull(piece)).isEmpty()) continue;
    colLines->Add(piece);
    added = true;
  }
  if (!added) return {};
  const QString first = colLines->Item(1).ToString();
  colLines->Remove(1);
  return first;
}

bool clsRsyncEngine::AddSyncFile(const QString& sItem, Integer iEngine, bool bMarked) {
  const QString key = bMarked ? QStringLiteral("SyncFile") + sItem : sItem;
  EngineParams& e = iEngine == 1 ? EngineA : EngineB;
  vb::ResumeNext next;
  if (!e.colSyncedNames) e.colSyncedNames = std::make_shared<vb::Collection>();
  return next([&] { e.colSyncedNames->Add(key, key); });
}

bool clsRsyncEngine::IsSizeAtLeastGB(double dSize, Long iHours) {
  constexpr double G = 1073741824.0;
  if (iHours <= 1) return true;
  if (iHours <= 12) return dSize >= (iHours - 1) * G;
  return false;
}

QString clsRsyncEngine::DisplayProgress(Integer iEngine) {
  EngineParams* e = iEngine == 1 ? &EngineA : iEngine == 2 ? &EngineB : nullptr;
  if (!e) return {};
  vb::OnErrorGoTo(
      [&] {
        EngineState& g = Engine();
        if (e->tsOutput && !e->tsOutput->AtEndOfStream()) (void)e->tsOutput->ReadLine();
        const QString letter = iEngine == 1 ? QStringLiteral("A") : QStringLiteral("B");
        const QString line = LoadUnixFileToArray(letter, e->sOutputLog, e->colOutputLines, e->bOutputDone);
        if (line.isEmpty()) {
          gProgressDisplay().PrepMonitorCall(1, QString(), QStringLiteral("Checking for status"), 0);
          return;
        }
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0 || !line.left(colon + 1).contains(u'%')) return;
        e->dProgressLines += 1;

        const QString f1 = vb::Trim(vb::Mid(line, 1, 15));
        const QString f2 = vb::Trim(vb::Mid(line, 16, 16));
        const QString f3 = vb::Trim(vb::Mid(line, 32, 16));
        const QString f4 = vb::Trim(vb::Mid(line, 64, 4));
        const QString rate = vb::Trim(vb::Mid(line, 69, 10));
        // The item as the client names it: a name may begin or end with a
        // blank, so nothing but a line end is cut from it.
        QString item = line.size() >= 92 ? vb::Mid(line, 92) : QString();
        while (item.endsWith(u'\r')) item.chop(1);
        const bool syncFile = item.contains(kSyncMark);
        const double n3 = Number(f3);

        if (n3 != 0) {
          if (n3 > e->dBytesDone) e->dBytesDone = n3;
          g.gdTotalDone = EngineA.dBytesDone + EngineB.dBytesDone + EngineA.dBytesBefore + EngineB.dBytesBefore +
                          EngineA.dBytesCompleted + EngineB.dBytesCompleted;
        }
        ProgressRecord& w = g.gWebdavProgress;
        if (n3 == 0 && syncFile && g.gbCommonFlag) {
          const QString name = QStringLiteral("My Orvane/") + QString(item).remove(kSyncMark);
          w.sFileName = name;
          const double size = Number(f2);
          if (AddSyncFile(name, iEngine, false)) {
            e->colSyncedNames->Remove(e->colSyncedNames->Count());
            (void)AddSyncFile(name, iEngine, true);
            e->dBytesDone = 0;
            g.gdTotalDone += size;
            e->dBytesCompleted += size;
          } else if (AddSyncFile(name, iEngine, true)) {
            e->dBytesDone = 0;
            e->dBytesCompleted += size;
          } else {
            e->dBytesDone = 0;
          }
        }
        if (g.gdTotalFileSize > 0 && g.gdTotalDone > g.gdTotalFileSize) g.gdTotalFileSize = 0;

        w.dfileBuff = Number(f1);
        w.dFileSize = Number(f2);
        w.dTotalDone = n3;
        w.sTimeElapsed = g.gsTimeElapsed;
        if (g.gsTimeRemaining.isEmpty()) {
          w.sTimeRemaining.clear();
        } else {
          const qsizetype p = g.gsTimeRemaining.indexOf(u':') + 1;
          if (p >= 2) {
            const QString hours = g.gsTimeRemaining.left(p - 1);
            const Long h = vb::Trim(hours).isEmpty() ? 0 : static_cast<Long>(vb::Val(hours));
            if (h >= 13)
              w.sTimeRemaining.clear();
            else
              w.sTimeRemaining = IsSizeAtLeastGB(g.gdTotalFileSize, h) ? g.gsTimeRemaining : QString();
          }
        }
        if (!f4.isEmpty()) w.iFileProg = vb::CInt(f4);
        if (g.gdTotalFileSize > 0) w.iTotalProg = vb::CInt(g.gdTotalDone / g.gdTotalFileSize * 100);
        w.sTotalDone = Decimal(g.gdTotalDone);
        w.sTotalSize = Decimal(g.gdTotalFileSize);
        const double lines = std::nearbyint(EngineA.dProgressLines + EngineB.dProgressLines);
        const bool tenth = std::fmod(lines, 10) == 0;
        // The rate and the estimate are worked out again on every tenth line
        // (fewer changes on the screen), and at once while there is none: a
        // restore should not show an empty rate and no time left for its
        // first nine lines, nor after every list of files.
        const bool unknown = w.sTrfRate.isEmpty() || g.gdRsyncSecondsLeft <= 0;
        if (tenth || w.sTrfRate.isEmpty()) w.sTrfRate = rate;
        w.engNumber = iEngine;
        w.dTotalBuffer = g.gdTotalDone;
        if (w.iFileProg > 100) w.iFileProg = 100;
        if (w.iTotalProg > 100) w.iTotalProg = 100;

        if (g.glRsyncWaitState == 2) {
          if (g.gfRsyncWaitStart > 0) {
            g.gfStartTimeRsync = std::fabs(g.gfRsyncWaitStart - g.gfStartTimeRsync) + g.gfStartTimeRsync;
            g.gbRsyncWaitTimed = false;
          }
          g.gfRsyncWaitStart = 0;
        }
        g.glRsyncWaitState = 3;

        const float t = vb::Timer();
        g.gsTimeElapsed = Decimal(static_cast<float>(t - g.gfStartTime));
        g.gsRsyncElapsedText = Decimal(static_cast<float>(t - g.gfStartTimeRsync));
        const double elapsed = vb::Val(g.gsRsyncElapsedText);
        if (elapsed > 0 && (tenth || unknown)) {
          const double perSecond = g.gdTotalDone / elapsed;
          if (perSecond > 0) {
            g.gdRsyncSecondsLeft = (g.gdTotalFileSize - g.gdTotalDone) / perSecond;
            w.sTrfRate = GetProperSizeValue(perSecond, true);
          }
        }
        w.sFileName = QStringLiteral("My Orvane/") + QString(item).remove(kSyncMark);
        // Progress does not set the list's retries back: a list whose one
        // file fails every time while the others report progress must still
        // reach the retry limit.
        if (g.gdRsyncSecondsLeft < 0) g.gdRsyncSecondsLeft = 0;

        if (lProgressRefresh == 0) {
          g.gRsyncProgress = w;
          g.gRsyncProgress.engNumber = 1;
        }
        if ((lProgressRefresh != 0 && lProgressRefresh % 10 == 0) || syncFile) {
          g.gRsyncProgress = w;
          g.gRsyncProgress.engNumber = 1;
          lProgressRefresh = 0;
        } else {
          g.gRsyncProgress.engNumber = 1;
        }
        lProgressRefresh += 1;

        if (w.iFileProg != 100) {
          gProgressDisplay().setDisplayParam(g.gdRsyncSecondsLeft, true);
        } else {
          // The local name comes from this run's own destination.
          const QString local = Controller().Cont_ChangeRsycnToWinPath(
              ReplaceSection(vb::Mid(e->sDestination, 2) + item, QStringLiteral("\""), QString()).prepend(u'"'));
          QString logText;
          if (AddSyncFile(w.sFileName, iEngine, false) && !syncFile) {
            logText = bRestoreOriginal ? QStringLiteral("Restored file ") + w.sFileName + QStringLiteral(" <To> ") +
                                             e->sOriginalFolder + u'\\' + QString(item).replace(u'/', u'\\')
                                       : QStringLiteral("Restored file ") + w.sFileName + QStringLiteral(" <To> ") + local;
          }
          if (!logText.isEmpty()) WriteTransferLog(logText, 1);
          if (!syncFile) {
            e->dFilesRestored += 1;
            Items(iEngine == 1 ? g.gcolSyncedFilesA : g.gcolSyncedFilesB)->Add(w.sFileName);
          }
          gProgressDisplay().setDisplayParam(g.gdRsyncSecondsLeft, true);
        }
        vb::DoEvents();
        vb::DoEvents();
      },
      [](const vb::ErrorInfo& err) { WriteTrace(QStringLiteral("Error in display progress ") + err.description); });
  return {};
}

}  // namespace OrvaneSrv
