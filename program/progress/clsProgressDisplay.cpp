#include "program/progress/clsProgressDisplay.h"

#include "ZQwinSrv/foundation/Util.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "program/foundation/Options.h"
#include "program/foundation/SystemHelpers.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

namespace OrvaneMac {
namespace {

const QString kClass = QStringLiteral("clsProgressDisplay");

void TraceClassError(const vb::ErrorInfo& err, const QString& procedure) {
  TraceError(err, procedure, vb::OwnerKind::ClassModule, kClass);
}

}  // namespace

ProgressDisplayValues& ProgressDisplay() {
  static ProgressDisplayValues values;
  return values;
}

clsProgressDisplay& gProgramProgressDisplay() {
  static clsProgressDisplay instance;
  return instance;
}

clsProgressDisplay::clsProgressDisplay() { seconds_ = 1000; }

vb::Variant clsProgressDisplay::time_tmrstart() {
  ProgressDisplayValues& v = ProgressDisplay();
  v.StopwatchCarry = v.StopwatchLast;
  v.StopwatchStart = vb::TickCount();
  return {};
}

vb::Variant clsProgressDisplay::time_tmrstop() {
  ProgressDisplayValues& v = ProgressDisplay();
  v.StopwatchLast = vb::TickCount();
  if (v.StopwatchLast >= v.StopwatchStart) {
    v.StopwatchElapsed = v.StopwatchCarry + v.StopwatchLast - v.StopwatchStart;
  } else {
    v.StopwatchElapsed = static_cast<double>(vb::TickCount()) + v.StopwatchCarry - v.StopwatchStart;
  }
  return {};
}

vb::Variant clsProgressDisplay::time_tmrtrfratestop() {
  ProgressDisplayValues& v = ProgressDisplay();
  const float now = vb::Timer();
  v.RateWindowSeconds = now + v.RateWindowSeconds - v.LastTimerSample;
  vb::DoEvents();
  v.RateWindowMs = v.RateWindowSeconds * 1000;
  v.LastTimerSample = now;
  return {};
}

double clsProgressDisplay::GetFolderSize(const QString& sRootFolder) {
  const win::FindResult found = win::FindFiles(sRootFolder + QLatin1Char('*'));
  if (found.error != 0) return 0;
  double sum = 0;
  bool anyFile = false;
  for (const win::FindData& entry : found.entries) {
    vb::DoEvents();
    if (ProgressDisplay().FolderSizeStop) return 1;
    const QString name = modGeneral::StripNull(entry.name);
    if (name == QLatin1String(".") || name == QLatin1String("..")) continue;
    const bool ok = vb::OnErrorGoTo(
        [&] {
          if (entry.IsFolder()) {
            sum += GetFolderSize(sRootFolder + name + QLatin1Char('\\'));
          } else {
            sum += static_cast<double>(win::FileSize(sRootFolder + name));
            anyFile = true;
          }
          return true;
        },
        [&](const vb::ErrorInfo&) { return anyFile; });
    if (!ok) {
      WriteTrace(QStringLiteral("Error in calculating folder size : ") + QString::number(sum, 'g', 15));
      return 1;
    }
  }
  return sum;
}

QString clsProgressDisplay::time_Duration(double TotalSeconds, Integer UpFormat) {
  // The engine's routine, on an object of the program's own.
  static OrvaneSrv::clsProgressDisplay engineDisplay;
  return engineDisplay.time_Duration(TotalSeconds, UpFormat);
}

vb::Variant clsProgressDisplay::time_getremotetrfsetsize(const QString& sizekey) {
  vb::OnErrorGoTo(
      [&] {
        const qsizetype h = vb::InStr(sizekey, QStringLiteral("#"));
        const qsizetype t = vb::InStr(sizekey, QStringLiteral("~"));
        if (h > 32767 || t > 32767) vb::Raise(vb::errOverflow);
        const QString text = vb::Mid(sizekey, t + 1, h - t - 1);
        if (!vb::Trim(text).isEmpty()) Program().RestoreSetSize += vb::CLng(text);
      },
      [](const vb::ErrorInfo& err) {
        if (err.number > 0) WriteTrace(QString::number(err.number) + err.description);
      });
  return {};
}

vb::Variant clsProgressDisplay::time_roundtotwodec(double Value) {
  return vb::OnErrorGoTo(
      [&]() -> vb::Variant {
        const QString text = vb::CStr(Value);
        const qsizetype dot = vb::InStr(text, QStringLiteral("."));
        if (dot == 0) return vb::Variant(Value);
        return vb::Variant(vb::Left(text, dot + 1));
      },
      [](const vb::ErrorInfo& err) -> vb::Variant {
        TraceClassError(err, QStringLiteral("time_roundtotwodec"));
        return {};
      });
}

void clsProgressDisplay::SetDefaulttime(ProgressFormFields& reffrm) {
  vb::OnErrorGoTo(
      [&] {
        reffrm.SetText(QStringLiteral("timeelapsed"), QStringLiteral("Time Elapsed : 00:00:00"));
        reffrm.SetText(QStringLiteral("timerem"), QStringLiteral("Time Left        : 00:00:00"));
      },
      [](const vb::ErrorInfo& err) { TraceClassError(err, QStringLiteral("SetDefaulttime")); });
}

void clsProgressDisplay::InitialiseDisplay(ProgressFormFields& reffrm) {
  const ProgramState& p = Program();
  if (!(p.RestoreRunning || p.BackupRunning) || !(displayModeA_ || displayModeB_)) return;
  vb::ResumeNext next;
  for (const char* control : {"PreAnimation", "dummycancel", "FromTofolderlbl"}) {
    next([&] { reffrm.SetVisible(QString::fromLatin1(control), false); });
  }
  next([&] { reffrm.SetVisible(QStringLiteral("Animation1"), true); });
  next([&] { SetDefaulttime(reffrm); });
  next([&] {
    ProgressDisplayValues& v = ProgressDisplay();
    v.SampleSeconds = 0;
    v.LastTimerSample = vb::Timer();
    v.StopwatchStart = vb::Timer();
  });
  next([&] {
    if (reffrm.Minimised()) return;
    const QString name = reffrm.FormName();
    if (name.compare(QLatin1String("trfprogform"), Qt::CaseInsensitive) == 0) {
      reffrm.SetVisible(QStringLiteral("FromTofolderlbl"), true);
      if (reffrm.InnerHeight() != 3015) reffrm.SetSize(reffrm.Width() + 720, reffrm.Height() + 1005);
    } else if (name.compare(QLatin1String("trfprogformrsync"), Qt::CaseInsensitive) == 0 &&
               reffrm.InnerHeight() != 3015) {
      reffrm.SetSize(5805, 3690);
    }
  });
  next([&] { reffrm.SetVisible(QStringLiteral("Animation1"), true); });
  next([&] { reffrm.Refresh(); });
  displayModeA_ = displayModeB_ = false;
}

void clsProgressDisplay::UpdateDisplay(ProgressFormFields& reffrm, const QString& sourcepath, const QString& Destpath,
                                       Integer sJobstatus, Integer engineno) {
  const ProgramState& p = Program();
  if (!p.RestoreRunning && !p.BackupRunning) return;
  vb::ResumeNext next;
  OrvaneSrv::Util util;
  // The name of an item or folder: the last part of its path ("/" remote,
  // "\\" local); a remote root is "My Orvane".
  auto nameOf = [&](const QString& path) {
    const bool remote = path.contains(QLatin1Char('/'));
    const QChar sep = remote ? QLatin1Char('/') : QLatin1Char('\\');
    QString bare = path;
    while (bare.endsWith(sep)) bare.chop(1);
    const bool root = bare.isEmpty() || (bare.count(QLatin1Char('/')) <= 3 && bare.endsWith(QStringLiteral("/Files")));
    if (remote && root) return QStringLiteral("My Orvane");
    return util.StringEndFolder(bare, QString(sep));
  };
  // The folder that holds an item.
  auto parentOf = [&](const QString& path) {
    const QChar sep = path.contains(QLatin1Char('/')) ? QLatin1Char('/') : QLatin1Char('\\');
    QString bare = path;
    while (bare.endsWith(sep)) bare.chop(1);
    return bare.left(bare.lastIndexOf(sep) + 1);
  };
  const QString fromTo =
      QStringLiteral("from: ") + nameOf(parentOf(sourcepath)) + QStringLiteral(" to: ") + nameOf(Destpath);
  const QString nameLabel = engineno == 2 ? QStringLiteral("filenamesizelbl1") : QStringLiteral("Filenamesizelbl");
  next([&] {
    reffrm.SetText(nameLabel, nameOf(sourcepath));
    if (engineno != 1 && engineno != 2) reffrm.SetText(QStringLiteral("FromTofolderlbl"), fromTo);
  });
  if (!p.BackupRunning) return;
  // The job's status word and the text beside it.
  next([&] {
    static const char* const kText[] = {"Checking the patch...", "Verifying file on Orvane...",
                                        "Checking for incremental backup..."};
    if (sJobstatus == 0) {
      reffrm.SetText(QStringLiteral("lblJobStatus"), QStringLiteral("Backing up"));
      reffrm.SetText(QStringLiteral("FromTofolderlbl"), fromTo);
    } else if (sJobstatus >= 1 && sJobstatus <= 3) {
      reffrm.SetText(QStringLiteral("lblJobStatus"), QStringLiteral("Filename"));
      reffrm.SetText(QStringLiteral("FromTofolderlbl"), QString::fromLatin1(kText[sJobstatus - 1]));
    }
  });
  next([&] {
    const QString sizeLabel = engineno == 2 ? QStringLiteral("lblRsyncFilesize2") : QStringLiteral("lblRsyncFileSize1");
    reffrm.SetText(sizeLabel, modGeneral::GetProperSizeValue(static_cast<double>(win::FileSize(sourcepath))));
  });
}

vb::Variant clsProgressDisplay::ShowProgressDisplay(ProgressFormFields& reffrm, double fileSize, double dfileBuff,
                                                    double dTotalBuffer, const QString& sTrfRate, double TimeEstimated,
                                                    Integer engineno) {
  vb::OnErrorGoTo(
      [&] {
        ProgressDisplayValues& v = ProgressDisplay();
        const double now = vb::Timer();
        v.StopwatchLast = now;
        if (v.StopwatchStart > now) v.StopwatchStart -= 86400;
        const double elapsed = now - v.StopwatchStart;
        if (elapsed >= 0)
          reffrm.SetText(QStringLiteral("timeelapsed"), QStringLiteral("Time Elapsed : ") + time_Duration(elapsed, 1));
        if (TimeEstimated >= 0)
          reffrm.SetText(QStringLiteral("timerem"),
                         QStringLiteral("Time Left        : ") + time_Duration(TimeEstimated, 1));
        reffrm.SetFormCaption(reffrm.Text(QStringLiteral("tsetprgbar")) + QStringLiteral(" Transferred"));
        const double setSize = Program().RestoreSetSize;
        if (setSize != 0) reffrm.SetValue(QStringLiteral("tsetprgbar"), dTotalBuffer / setSize * 100);
        if (setSize >= dTotalBuffer)
          reffrm.SetText(QStringLiteral("status"), QStringLiteral("Status: ") +
                                                       modGeneral::GetProperSizeValue(dTotalBuffer) +
                                                       QStringLiteral(" out of ") +
                                                       modGeneral::GetProperSizeValue(setSize) + QStringLiteral(" (") +
                                                       sTrfRate + QStringLiteral(")"));
        const QString label = engineno == 2 ? QStringLiteral("filenamesizelbl1") : QStringLiteral("Filenamesizelbl");
        reffrm.SetText(label, reffrm.Text(label));
        if (engineno == 2) {
          if (setSize != 0) reffrm.SetValue(QStringLiteral("FileCopyPBr1"), dfileBuff / fileSize * 100);
        } else if (fileSize != 0) {
          reffrm.SetValue(QStringLiteral("FileCopyPBr"), dfileBuff / fileSize * 100);
        }
      },
      [](const vb::ErrorInfo& err) { WriteTrace(QStringLiteral("Error in ShowProgressDisplay ") + err.description); });
  return {};
}

}  // namespace OrvaneMac
