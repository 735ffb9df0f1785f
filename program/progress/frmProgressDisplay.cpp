#include "program/progress/frmProgressDisplay.h"

#include <QCheckBox>
#include <QLinearGradient>
#include <QPainter>
#include <QProgressBar>
#include <QSlider>

#include <algorithm>
#include <cmath>
#include <optional>

#include "program/foundation/Options.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/SystemHelpers.h"
#include "program/session/Transfer.h"
#include "program/windows/MesgBox.h"
#include "program/windows/SkinControls.h"
#include "program/windows/SkinFonts.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"
#include "program/windows/clsRounder.h"
#include "program/windows/modGeneralWindows.h"
#include "platform/errors/RuntimeError.h"
#include "platform/ini/PrivateProfile.h"
#include "platform/paths/WinPath.h"
#include "platform/shell/Shell.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

namespace OrvaneMac {
namespace {

const QString kIdleHelper = QStringLiteral("DORediRizura.exe");
const QString kStopFace = QString();  // the default face of the state
const QString kPauseFace = QStringLiteral("button_med_enb");
const QString kPauseFaceOver = QStringLiteral("button_med_ovr");

QString Profile(const char* key) { return gTransfer().Trf_ReadUserProfile(QString::fromLatin1(key), false); }
void WriteProfile(const char* key, const QString& value) {
  gTransfer().Trf_WriteUserProfile(QString::fromLatin1(key), value, false);
}

// A bandwidth key as a number; nothing when it is empty or holds no number
// (such a key counts as empty).
std::optional<long> BandwidthNumber(const QString& text) {
  const QString t = vb::Trim(text);
  if (t.isEmpty() || !vb::IsNumeric(t)) return std::nullopt;
  return static_cast<long>(vb::CInt(t));
}

QString AutoPauseFile() { return win::JoinPath(AppFolder(), QStringLiteral("AutoPause.ini")); }

// The window's background: white, the caption strip along the top and a
// thin frame, 6735 x 4215 twips.
QPixmap ProgressBackground() {
  const int w = 449, h = 281;
  QPixmap pm(w, h);
  pm.fill(Qt::white);
  QPainter p(&pm);
  QLinearGradient g(0, 0, 0, 32);
  g.setColorAt(0, QColor(0xE9, 0xF0, 0xF9));
  g.setColorAt(1, QColor(0xBD, 0xCF, 0xE8));
  p.fillRect(QRectF(0, 0, w, 32), g);
  p.setPen(QColor(0x7F, 0x9C, 0xC7));
  p.drawLine(0, 31, w, 31);
  p.setPen(QColor(0x6F, 0x8D, 0xB9));
  p.drawRect(0, 0, w - 1, h - 1);
  return pm;
}

QPixmap BackgroundPicture() {
  ImageList& list = ImageList4Mac();
  if (!list.Contains(QStringLiteral("zq_tooltip_progress"))) {
    list.Add(QStringLiteral("zq_tooltip_progress"), ProgressBackground());
  }
  return list.Picture(QStringLiteral("zq_tooltip_progress"));
}

bool IsShown(const QWidget* w) { return !w->isHidden(); }

// The window's activation, which Qt reports as an event of the widget.
class ActivationWatch : public QObject {
 public:
  ActivationWatch(QWidget* window, frmProgressDisplay* form) : QObject(window), form_(form) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::WindowActivate && watched == parent()) form_->Form_Activate();
    return false;
  }

 private:
  frmProgressDisplay* form_;
};

}  // namespace

bool IsTimeLeftPlausible(double totalBytes, long hours) {
  if (hours <= 1) return true;
  if (hours > 12) return false;
  return totalBytes >= static_cast<double>(hours - 1) * 1073741824.0;
}

frmProgressDisplay::frmProgressDisplay() : Form(QStringLiteral("frmProgressDisplay")) {}

frmProgressDisplay& frmProgressDisplay::Instance() {
  static frmProgressDisplay* instance = new frmProgressDisplay;
  return *instance;
}

frmProgressDisplay::Controls& frmProgressDisplay::C() {
  Load();
  return c_;
}

void frmProgressDisplay::CreateControls(FormWindow* w) {
  Controls& c = c_;
  Twips::SetPlace(w, 0, 0, 6735, 4215);
  w->setWindowTitle(QStringLiteral("Transfer Progress"));
  const QFont small = SkinFont(QStringLiteral("Tahoma"), 8.25);
  const QFont bold = SkinFont(QStringLiteral("Tahoma"), 8.25, true);
  auto label = [&](QWidget* parent, const char* name, double l, double t, double wd, double ht, const QString& text,
                   const QFont& font) {
    auto* x = new Label(parent, text);
    x->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(x, l, t, wd, ht);
    x->setFont(font);
    return x;
  };
  auto bar = [&](QWidget* parent, const char* name, double l, double t, double wd, double ht) {
    auto* b = new QProgressBar(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setRange(0, 100);
    b->setValue(0);
    b->setTextVisible(false);
    Twips::SetPlace(b, l, t, wd, ht);
    return b;
  };
  auto container = [&](const char* name, double l, double t, double wd, double ht) {
    auto* f = new Container(w);
    f->setObjectName(QString::fromLatin1(name));
    f->SetBackColor(0xFFFFFF);
    Twips::SetPlace(f, l, t, wd, ht);
    return f;
  };

  c.lblCapbar = label(w, "lblCapbar", 0, 0, 6690, 480, QString(), small);
  DragWindowWith(c.lblCapbar);
  c.lblTitle = label(w, "lblTitle", 330, 75, 3720, 225, QStringLiteral("Transfer Progress"),
                     SkinFont(QStringLiteral("Arial"), 9, true));
  c.lblTitle->setAttribute(Qt::WA_TransparentForMouseEvents);

  // The preparing view, and the transfer view at the same place after it.
  c.Fradefault = container("Fradefault", 210, 660, 6270, 2505);
  c.lblGenStatus = label(c.Fradefault, "lblGenStatus", 180, 1755, 5715, 210, QStringLiteral("Preparing ...."), small);
  c.DummyProgBar = bar(c.Fradefault, "DummyProgBar", 180, 2175, 5955, 270);

  c.FraRsyncProgress = container("FraRsyncProgress", 210, 660, 6270, 2490);
  QWidget* t = c.FraRsyncProgress;
  c.Label6 = label(t, "Label6", 150, 75, 1155, 300, QStringLiteral("Time Elapsed:"), small);
  c.txtRsyncTimeElapsed = label(t, "txtRsyncTimeElapsed", 1260, 75, 1020, 225, QString(), small);
  c.LblEstTime = label(t, "LblEstTime", 2955, 75, 2175, 240, QStringLiteral("Estimated Time Left:"), small);
  c.LblEstTime->SetAlignment(Label::Alignment::Right);
  c.txtRsyncTimeLeft = label(t, "txtRsyncTimeLeft", 5280, 75, 945, 270, QString(), small);
  c.lblFilename = label(t, "lblFilename", 150, 360, 810, 465, QStringLiteral("File Name:"), small);
  c.txtRsyncFileName1 = label(t, "txtRsyncFileName1", 945, 345, 5265, 1020, QString(), small);
  c.Label1 = label(t, "Label1", 150, 1395, 810, 375, QStringLiteral("File Size:"), small);
  c.txtRsyncfilesize1 = label(t, "txtRsyncfilesize1", 945, 1380, 5280, 285, QString(), small);
  c.lblRsyncTransferStatus =
      label(t, "lblRsyncTransferStatus", 150, 1905, 6345, 210, QStringLiteral("Status : "), small);
  c.PrgbarRsyncTotal = bar(t, "PrgbarRsyncTotal", 150, 2175, 6015, 270);

  c.btnStopTransfer = new PictureBox(w);
  c.btnStopTransfer->setObjectName(QStringLiteral("btnStopTransfer"));
  c.btnStopTransfer->setToolTip(QStringLiteral("Close"));
  c.btnStopTransfer->SetPressedLook(true);
  Twips::SetPlace(c.btnStopTransfer, 5340, 3650, 1095, 345);
  c.lbl_btnStopTransfer = label(c.btnStopTransfer, "lbl_btnStopTransfer", 60, 45, 990, 255, QStringLiteral("&Close"),
                                bold);
  c.lbl_btnStopTransfer->SetAlignment(Label::Alignment::Center);

  c.lblTempDummy = label(w, "lblTempDummy", 3660, 120, 450, 360, QString(), small);
  c.lblTempDummy->hide();

  // The bandwidth and auto-pause group, hidden by design.
  c.btnAutoPause = new PictureBox(w);
  c.btnAutoPause->setObjectName(QStringLiteral("btnAutoPause"));
  c.btnAutoPause->setToolTip(QStringLiteral("Auto-Pause "));
  Twips::SetPlace(c.btnAutoPause, 3615, 4710, 1500, 345);
  c.chkbandwidth = new QCheckBox(c.btnAutoPause);
  c.chkbandwidth->setObjectName(QStringLiteral("chkbandwidth"));
  c.chkbandwidth->setToolTip(QStringLiteral("Enable Bandwidth Throttle"));
  Twips::SetPlace(c.chkbandwidth, 60, 75, 195, 210);
  c.lbl_btnAutoPause = label(c.btnAutoPause, "lbl_btnAutoPause", 330, 45, 1125, 255,
                             QStringLiteral("&Auto-Pause "), bold);
  c.btnAutoPause->hide();
  c.sliderBandwidth = new QSlider(Qt::Horizontal, w);
  c.sliderBandwidth->setObjectName(QStringLiteral("sliderBandwidth"));
  c.sliderBandwidth->setRange(0, 100);
  Twips::SetPlace(c.sliderBandwidth, 330, 4770, 2280, 285);
  c.sliderBandwidth->hide();
  c.lablBandWidth = label(w, "lablBandWidth", 2640, 4530, 660, 210, QStringLiteral("100%"), small);
  c.lablBandWidth->hide();
  c.Label2 = label(w, "Label2", 330, 4515, 3270, 225, QStringLiteral("Bandwidth used"), small);
  c.Label2->hide();
  c.LabelPauseMsg = label(w, "LabelPauseMsg", 330, 5040, 6375, 435,
                          QStringLiteral("Auto-Pause is checked. This means backups may be very slow during user "
                                         "activity."),
                          small);
  c.LabelPauseMsg->hide();

  c.PicMinimize = new PictureBox(w);
  c.PicMinimize->setObjectName(QStringLiteral("PicMinimize"));
  c.PicMinimize->setToolTip(QStringLiteral("Minimize"));
  c.PicMinimize->hide();
  c.PicClose = new PictureBox(w);
  c.PicClose->setObjectName(QStringLiteral("PicClose"));
  c.PicClose->setToolTip(QStringLiteral("Close"));
  c.PicClose->hide();

  // Stop: a release of any button but the right one on the Close button or
  // its caption, a click on "File Size:", the hidden close picture.
  auto stopUnlessRight = [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
    if (button != Qt::RightButton) btnStopTransfer_Click();
  };
  QObject::connect(c.btnStopTransfer, &Control::MouseUp, w, stopUnlessRight);
  QObject::connect(c.lbl_btnStopTransfer, &Control::MouseUp, w, stopUnlessRight);
  QObject::connect(c.Label1, &Control::Click, w, [this] { btnStopTransfer_Click(); });
  QObject::connect(c.PicClose, &Control::Click, w, [this] { btnStopTransfer_Click(); });
  QObject::connect(c.PicMinimize, &Control::Click, w, [w] { w->showMinimized(); });
  w->installEventFilter(new ActivationWatch(w, this));
  auto toggleUnlessRight = [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
    if (button != Qt::RightButton) c_.chkbandwidth->setChecked(!c_.chkbandwidth->isChecked());
  };
  QObject::connect(c.btnAutoPause, &Control::MouseUp, w, toggleUnlessRight);
  QObject::connect(c.lbl_btnAutoPause, &Control::MouseUp, w, toggleUnlessRight);
  // A change of the box, from the user or from code, runs its handler.
  QObject::connect(c.chkbandwidth, &QCheckBox::toggled, w, [this](bool) { chkbandwidth_Click(); });
  QObject::connect(c.sliderBandwidth, &QSlider::valueChanged, w, [this](int value) {
    vb::ResumeNext next;
    next([&] { c_.lablBandWidth->SetCaption(QString::number(value) + u'%'); });
  });
  QObject::connect(c.sliderBandwidth, &QSlider::sliderReleased, w, [this] {
    vb::ResumeNext next;
    next([&] {
      const QString value = QString::number(100 - c_.sliderBandwidth->value());
      WriteProfile(c_.chkbandwidth->isChecked() ? "BANDWIDTHPAUSE" : "BANDWIDTH", value);
      c_.lablBandWidth->SetCaption(QString::number(c_.sliderBandwidth->value()) + u'%');
    });
  });

  // Hover faces.
  QObject::connect(c.lbl_btnStopTransfer, &Control::MouseMove, w, [this](Qt::MouseButtons, Qt::KeyboardModifiers,
                                                                          QPoint) {
    vb::ResumeNext next;
    next([&] {
      modGeneral::SetButtonState(c_.btnStopTransfer, modGeneral::kButtonHover, c_.lbl_btnStopTransfer, kStopFace);
    });
    next([&] { modGeneral::SetButtonState(c_.btnAutoPause, modGeneral::kButtonNormal, c_.lbl_btnAutoPause, kPauseFace); });
  });
  QObject::connect(c.lbl_btnAutoPause, &Control::MouseMove, w, [this](Qt::MouseButtons, Qt::KeyboardModifiers,
                                                                       QPoint) {
    vb::ResumeNext next;
    next([&] {
      modGeneral::SetButtonState(c_.btnStopTransfer, modGeneral::kButtonNormal, c_.lbl_btnStopTransfer, kStopFace);
    });
    next([&] {
      modGeneral::SetButtonState(c_.btnAutoPause, modGeneral::kButtonHover, c_.lbl_btnAutoPause, kPauseFaceOver);
    });
  });
}

void frmProgressDisplay::ForgetControls() { c_ = Controls{}; }

void frmProgressDisplay::Form_Load() {
  Controls& c = c_;
  FormWindow* w = Window();
  titleText_.clear();
  idleHelperStarted_ = false;
  fileShown_ = false;
  bandwidthPollCount_ = 0;
  vb::OnErrorGoTo(
      [&] {
        const QPixmap background = BackgroundPicture();
        if (w->PictureHandle() != background.cacheKey()) w->SetPicture(background);
        modGeneral::SetButtonState(c.btnStopTransfer, modGeneral::kButtonNormal, c.lbl_btnStopTransfer, kStopFace);
        modGeneral::SetButtonState(c.btnAutoPause, modGeneral::kButtonNormal, c.lbl_btnAutoPause, kPauseFace);
        prepTick_ = 0;
        prepStep_ = 0;
        Program().TransferStopRequested = false;
        c.lblTitle->show();
        vb::DoEvents();
        if (Program().RestoreRunning) {
          titleText_ = QStringLiteral("Restore Progress");
          c.chkbandwidth->hide();
          c.sliderBandwidth->hide();
          c.btnAutoPause->hide();
          c.lablBandWidth->hide();
          c.Label2->hide();
        }
        c.lblTitle->SetCaption(titleText_);
        vb::DoEvents();
        c.lblRsyncTransferStatus->SetCaption(QString());
        ProgramState::ProgressRecord& s = Program().ProgressSnapshot;
        const ProgramState::ProgressRecord kept = s;
        s = ProgramState::ProgressRecord();
        s.TotalDone = kept.TotalDone;
        s.TotalSize = kept.TotalSize;
        s.TransferUpdate = kept.TransferUpdate;
        s.StopNoticePending = kept.StopNoticePending;

        const std::optional<long> bw = BandwidthNumber(Profile("BANDWIDTH"));
        const std::optional<long> bwp = BandwidthNumber(Profile("BANDWIDTHPAUSE"));
        const QString apc = vb::Trim(Profile("AUTOPAUSECHECK"));
        const std::optional<long> shown = (apc.isEmpty() || apc == u"0") ? bw : bwp;
        const long fallback = (apc.isEmpty() || apc == u"0") ? 100 : 25;
        if (apc.isEmpty() || apc == u"0") {
          c.chkbandwidth->setChecked(false);
        } else {
          c.chkbandwidth->setChecked(true);  // runs its handler
        }
        const long value = shown ? 100 - *shown : fallback;
        c.sliderBandwidth->setValue(static_cast<int>(value));
        c.lablBandWidth->SetCaption(QString::number(value) + u'%');

        ApplyDpiScale();
        clsRounder rounder;
        rounder.RoundedBorder(*this);
        Program().SkipActivateRepaint = true;
        CentreWindow(true);
      },
      [&](const vb::ErrorInfo& e) {
        MesgBox::Instance().MessageBox(
            QStringLiteral("Unable to open the application\r\nReason : ") + e.description, 3, 0, Program().AppTitle);
      });
}

void frmProgressDisplay::Form_Activate() {
  for (int i = 0; i < 5; ++i) vb::DoEvents();
}

void frmProgressDisplay::PrepareForRestore() {
  Program().TransferStopRequested = false;
  Controls& c = C();
  vb::ResumeNext next;
  next([&] {
    if (!Program().RestoreRunning) return;
    titleText_ = QStringLiteral("Restore Progress");
    c.lblTitle->SetCaption(titleText_);
    for (QWidget* x : std::initializer_list<QWidget*>{c.chkbandwidth, c.sliderBandwidth, c.btnAutoPause,
                                                      c.lablBandWidth, c.Label2, c.LabelPauseMsg}) {
      x->hide();
    }
  });
}

void frmProgressDisplay::btnStopTransfer_Click() {
  vb::OnErrorGoTo([&] { Program().TransferStopRequested = true; },
                  [&](const vb::ErrorInfo& e) {
                    TraceError(e, QStringLiteral("btnStopTransfer_Click"), vb::OwnerKind::Form,
                               QStringLiteral("frmProgressDisplay"));
                  });
}

void frmProgressDisplay::UpdateProgress() {
  Controls& c = C();
  FormWindow* w = Window();
  ProgramState& p = Program();
  ProgramState::ProgressRecord& s = p.ProgressSnapshot;
  vb::OnErrorGoTo(
      [&] {
        if (!idleHelperStarted_ && Profile("AUTOPAUSECHECK") == u"1") {
          if (!modGeneral::IsExeRunning(kIdleHelper, 0)) {
            (void)win::ShellExecute(QStringLiteral("open"), win::JoinPath(win::ProgramFolder(), kIdleHelper), {}, {},
                                    win::SW_HIDE);
          }
          win::WritePrivateProfileString(QStringLiteral("AUTOPAUSE"), QStringLiteral("BackupIdleState"),
                                         QStringLiteral("0"), AutoPauseFile());
          idleHelperStarted_ = true;
        }
        if (!p.RestoreRunning) {
          bandwidthPollCount_ = bandwidthPollCount_ > 5000 ? 0 : bandwidthPollCount_ + 1;
          if (bandwidthPollCount_ % 500 == 0) RefreshBandwidth();
        }
        if (s.TransferUpdate) {
          if (!vb::Trim(c.txtRsyncFileName1->Caption()).isEmpty()) c.Fradefault->hide();
          c.btnStopTransfer->setEnabled(true);
          s.StopNoticePending = false;
          if (s.EngineNumber == 0) {
            vb::DoEvents();
            c.txtRsyncFileName1->hide();
            c.txtRsyncfilesize1->hide();
          } else {
            c.txtRsyncFileName1->show();
            c.txtRsyncfilesize1->show();
          }
          c.txtRsyncTimeElapsed->SetCaption(s.ElapsedText);
          if (s.TotalSize == 0) {
            c.PrgbarRsyncTotal->setVisible(p.RestoreRunning);
            w->setWindowTitle(titleText_);
            c.lblTitle->SetCaption(titleText_);
            c.LblEstTime->hide();
            c.txtRsyncTimeLeft->hide();
          } else {
            c.PrgbarRsyncTotal->show();
            c.LblEstTime->show();
            c.txtRsyncTimeLeft->show();
            w->setWindowTitle(titleText_ + u'(' + QString::number(s.TotalPercent) + u'%' +
                              QStringLiteral(" completed)"));
            c.lblTitle->SetCaption(titleText_);
            ShowTimeLeft();
            c.PrgbarRsyncTotal->setValue(std::clamp<int>(s.TotalPercent, 0, 100));
          }
          c.lblRsyncTransferStatus->SetCaption(BuildStatusText());
          QString prefix;
          if (s.ItemKind == 1) prefix = QStringLiteral("[Full Backup] ");
          if (s.ItemKind == 2) prefix = QStringLiteral("[Incremental Backup] ");
          if (s.ItemKind == 4) prefix = QStringLiteral("[Sync File] ");
          c.txtRsyncFileName1->SetCaption(modGeneral::FitPathToLabel(
              prefix + s.ItemName, static_cast<long>(Twips::Width(c.txtRsyncFileName1))));
          RefreshBandwidth();
          c.txtRsyncfilesize1->SetCaption(modGeneral::GetProperSizeValue(s.FileSize));
          if (!vb::Trim(c.txtRsyncFileName1->Caption()).isEmpty()) {
            c.FraRsyncProgress->show();
            // From the first file on the transfer view lies over the
            // preparing view, also while that one is still shown (a short
            // restore may send no second transfer update).
            fileShown_ = true;
          }
          s.TransferUpdate = false;
        } else {
          for (int i = 0; i < 3; ++i) vb::DoEvents();
          if (c_.Fradefault && IsShown(c_.Fradefault)) {
            if (prepTick_ > 100) prepTick_ = 0;
            if (prepStep_ > 100) prepStep_ = 0;
            if (prepTick_ % 80 == 0) {
              c_.DummyProgBar->setValue(prepStep_);
              ++prepStep_;
            }
            ++prepTick_;
            c_.lblGenStatus->SetCaption(s.ItemName);
            s.StopNoticePending = false;
          }
        }
        if (s.StopNoticePending && c_.btnStopTransfer) c_.btnStopTransfer->setEnabled(true);
        // The preparing view lies over the transfer view until a file is
        // shown.
        if (fileShown_) {
          c_.FraRsyncProgress->raise();
        } else if (c_.Fradefault && IsShown(c_.Fradefault)) {
          c_.Fradefault->raise();
        }
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in progress timer ") + e.description + QStringLiteral("  ") +
                   QString::number(e.number));
      });
}

void frmProgressDisplay::ShowTimeLeft() {
  Controls& c = c_;
  const ProgramState::ProgressRecord& s = Program().ProgressSnapshot;
  const QString r = s.RemainingText;
  if (r.isEmpty()) {
    c.txtRsyncTimeLeft->SetCaption(r);
    return;
  }
  const qsizetype p = vb::InStr(r, QStringLiteral(":"));
  if (p < 2) return;  // no colon, or a colon first: the last estimate stays
  const QString before = vb::Trim(r.left(p - 1));
  long hours = 0;
  if (!before.isEmpty()) {
    if (!vb::IsNumeric(before)) vb::Raise(13);
    hours = static_cast<long>(vb::CDbl(before));
  }
  if (hours > 12) {
    c.txtRsyncTimeLeft->SetCaption(QString());
    return;
  }
  // An estimate of no time at all while bytes remain is no estimate (the
  // engine has not worked one out yet): nothing is shown rather than a
  // time that is plainly wrong.
  const bool noTime = std::none_of(r.cbegin(), r.cend(), [](QChar ch) { return ch >= u'1' && ch <= u'9'; });
  const bool unknown = noTime && s.TotalDone < s.TotalSize;
  c.txtRsyncTimeLeft->SetCaption(IsTimeLeftPlausible(s.TotalSize, hours) && !unknown ? r : QString());
}

QString frmProgressDisplay::BuildStatusText() const {
  const ProgramState::ProgressRecord& s = Program().ProgressSnapshot;
  const QString rate = s.RateText.isEmpty() ? QString() : QStringLiteral(" (") + s.RateText + u')';
  if (s.TotalSize != 0) {
    return QStringLiteral("Status : ") + modGeneral::GetProperSizeValue(s.TotalDone) + QStringLiteral(" out of ") +
           modGeneral::GetProperSizeValue(s.TotalSize) + rate;
  }
  return QStringLiteral("Status : ") + modGeneral::GetProperSizeValue(s.TotalDone) + QStringLiteral(" Transferred") +
         rate;
}

void frmProgressDisplay::SetBandwidthBox(bool checked) {
  if (c_.chkbandwidth->isChecked() != checked) c_.chkbandwidth->setChecked(checked);
}

void frmProgressDisplay::RefreshBandwidth() {
  Controls& c = c_;
  const long bw = BandwidthNumber(Profile("BANDWIDTH")).value_or(0);
  const long bwp = BandwidthNumber(Profile("BANDWIDTHPAUSE")).value_or(0);
  const QString apc = Profile("AUTOPAUSECHECK");
  SetBandwidthBox(apc != u"0" && !apc.isEmpty());
  auto show = [&](long v) {
    c.sliderBandwidth->setValue(static_cast<int>(100 - v));
    c.lablBandWidth->SetCaption(QString::number(100 - v) + u'%');
  };
  if (c.chkbandwidth->isChecked()) {
    const QString idle = gTransfer().Trf_ReadProfile(AutoPauseFile(), QStringLiteral("AutoPause"),
                                                     QStringLiteral("BackupIdleState"));
    if (idle == u"1") {
      show(bw);
      c.LabelPauseMsg->hide();
    } else if (idle == u"0" || idle.isEmpty()) {
      show(bwp);
      c.LabelPauseMsg->setVisible(!Program().RestoreRunning);
    }
  } else {
    show(bw);
    c.LabelPauseMsg->hide();
  }
}

void frmProgressDisplay::chkbandwidth_Click() {
  vb::ResumeNext next;
  next([&] {
    Controls& c = c_;
    if (c.chkbandwidth->isChecked()) {
      const std::optional<long> v = BandwidthNumber(Profile("BANDWIDTHPAUSE"));
      const long value = v ? 100 - *v : 25;
      c.sliderBandwidth->setValue(static_cast<int>(value));
      c.lablBandWidth->SetCaption(QString::number(value) + u'%');
      WriteProfile("BANDWIDTHPAUSE", QString::number(100 - c.sliderBandwidth->value()));
      WriteProfile("AUTOPAUSECHECK", QStringLiteral("1"));
      c.LabelPauseMsg->setVisible(!Program().RestoreRunning);
    } else {
      const std::optional<long> v = BandwidthNumber(Profile("BANDWIDTH"));
      const long value = v ? 100 - *v : 25;
      c.sliderBandwidth->setValue(static_cast<int>(value));
      c.lablBandWidth->SetCaption(QString::number(value) + u'%');
      WriteProfile("AUTOPAUSECHECK", QStringLiteral("0"));
      c.LabelPauseMsg->hide();
    }
  });
}

void frmProgressDisplay::Form_MouseMove(Qt::MouseButtons, QPoint) {
  vb::ResumeNext next;
  next([&] {
    modGeneral::SetButtonState(c_.btnStopTransfer, modGeneral::kButtonNormal, c_.lbl_btnStopTransfer, kStopFace);
  });
  next([&] { modGeneral::SetButtonState(c_.btnAutoPause, modGeneral::kButtonNormal, c_.lbl_btnAutoPause, kPauseFace); });
}

bool frmProgressDisplay::Form_KeyUp(int key, Qt::KeyboardModifiers shift) {
  if (!AltOnly(shift)) return false;
  if (key == Qt::Key_C) {
    btnStopTransfer_Click();
    return true;
  }
  if (key == Qt::Key_A) {
    vb::ResumeNext next;
    next([&] { c_.chkbandwidth->setChecked(!c_.chkbandwidth->isChecked()); });
    return true;
  }
  return false;
}

void frmProgressDisplay::ApplyDpiScale() {
  const double dpi = 1440.0 / TwipsPerPixelX();
  if (dpi <= 96) return;
  const double s = dpi / 96;
  FormWindow* w = Window();
  Controls& c = c_;
  SetWidth(Width() / s);
  SetHeight(Height() / s);
  for (QWidget* x : w->findChildren<QWidget*>()) {
    const QRectF r = Twips::Place(x);
    Twips::SetPlace(x, r.left() / (s - 0.07), r.top() / (s - 0.07), r.width() / (s - 0.07), r.height() / (s - 0.07));
  }
  auto move = [](QWidget* x, double dl, double dt, double dw, double dh) {
    const QRectF r = Twips::Place(x);
    Twips::SetPlace(x, r.left() + dl, r.top() + dt, r.width() + dw, r.height() + dh);
  };
  move(c.FraRsyncProgress, 0, -50, -200, -100);
  move(c.Fradefault, 0, -50, -200, -100);
  Twips::SetTop(c.Label2, Twips::Top(c.Fradefault) + Twips::Height(c.Fradefault) + 25);
  move(c.sliderBandwidth, 0, -200, 0, 0);
  move(c.lablBandWidth, 0, -200, 200, 0);
  move(c.btnStopTransfer, -300, -200, 0, 0);
  move(c.DummyProgBar, 0, -60, -200, 0);
  move(c.Label6, 10, 0, 180, 0);
  move(c.txtRsyncTimeElapsed, 200, 0, 50, 0);
  move(c.LblEstTime, -150, 0, 0, 0);
  move(c.txtRsyncTimeLeft, -150, 0, 0, 0);
  Twips::SetTop(c.lblRsyncTransferStatus, Twips::Top(c.Label1) + Twips::Height(c.Label1));
  Twips::SetTop(c.PrgbarRsyncTotal, Twips::Top(c.lblRsyncTransferStatus) + Twips::Height(c.lblRsyncTransferStatus) + 50);
  move(c.PrgbarRsyncTotal, 0, 0, -300, 0);
  move(c.txtRsyncFileName1, 0, 0, -400, 0);
  move(c.txtRsyncfilesize1, 0, 0, 75, 0);
  Twips::SetTop(c.btnAutoPause, Twips::Top(c.btnStopTransfer));
  Twips::SetLeft(c.btnAutoPause, Twips::Left(c.btnStopTransfer) - Twips::Width(c.btnAutoPause) - 100);
  Twips::SetLeft(c.lbl_btnAutoPause, 200);
  Twips::SetLeft(c.chkbandwidth, 30);
  Twips::SetTop(c.LabelPauseMsg, Twips::Top(c.btnAutoPause) + Twips::Height(c.btnAutoPause));
  c.LabelPauseMsg->SetCaption(QStringLiteral("Auto-Pause is checked. This means backups may be very slow ..."));
  c.LabelPauseMsg->setToolTip(
      QStringLiteral("Auto-Pause is checked. This means backups may be very slow during user activity."));
}

}  // namespace OrvaneMac
