#pragma once
// The restore's progress window: a preparing view while the engine lists
// and prepares, then a transfer view with the current file, its size, the
// elapsed and the estimated remaining time, the total bar and the status
// line, and one button, "&Close", that asks the engine to stop.
//
// The window draws only what the call-back class put into
// Program().ProgressSnapshot; its stop actions only set
// Program().TransferStopRequested, which the next call-back answers the
// engine with 0. The restore controller shows it while a restore runs and
// unloads it when the engine returns.
//
// The window also carries the bandwidth and auto-pause group, hidden in a
// restore; its profile keys ("BANDWIDTH", "BANDWIDTHPAUSE",
// "AUTOPAUSECHECK") are still read, and Alt+A still writes them. A key
// that holds no number counts as empty.

#include <QString>

#include "program/windows/Form.h"

class QCheckBox;
class QProgressBar;
class QSlider;

namespace OrvaneMac {

class Container;
class Label;
class PictureBox;

class frmProgressDisplay : public Form {
 public:
  static frmProgressDisplay& Instance();

  // Redraws the window from Program().ProgressSnapshot.
  void UpdateProgress();
  // The stop action of the Close button, Alt+C and the "File Size:" caption.
  void btnStopTransfer_Click();
  // Readies the window for a restore that starts now, whether it is loaded
  // already or not: no stop request left over, the restore's title, the
  // bandwidth group hidden.
  void PrepareForRestore();

  [[nodiscard]] const QString& TitleText() const { return titleText_; }
  // Each activation lets the pending window messages run five times.
  void Form_Activate();

  struct Controls {
    Label* lblCapbar = nullptr;
    Label* lblTitle = nullptr;
    Container* Fradefault = nullptr;
    Label* lblGenStatus = nullptr;
    QProgressBar* DummyProgBar = nullptr;
    Container* FraRsyncProgress = nullptr;
    Label* Label6 = nullptr;
    Label* txtRsyncTimeElapsed = nullptr;
    Label* LblEstTime = nullptr;
    Label* txtRsyncTimeLeft = nullptr;
    Label* lblFilename = nullptr;
    Label* txtRsyncFileName1 = nullptr;
    Label* Label1 = nullptr;
    Label* txtRsyncfilesize1 = nullptr;
    Label* lblRsyncTransferStatus = nullptr;
    QProgressBar* PrgbarRsyncTotal = nullptr;
    PictureBox* btnStopTransfer = nullptr;
    Label* lbl_btnStopTransfer = nullptr;
    Label* lblTempDummy = nullptr;
    PictureBox* btnAutoPause = nullptr;
    QCheckBox* chkbandwidth = nullptr;
    Label* lbl_btnAutoPause = nullptr;
    QSlider* sliderBandwidth = nullptr;
    Label* lablBandWidth = nullptr;
    Label* Label2 = nullptr;
    Label* LabelPauseMsg = nullptr;
    PictureBox* PicMinimize = nullptr;
    PictureBox* PicClose = nullptr;
  };
  // The controls (touching them loads the window hidden).
  Controls& C();

 protected:
  void CreateControls(FormWindow* window) override;
  void ForgetControls() override;
  void Form_Load() override;
  void Form_MouseMove(Qt::MouseButtons buttons, QPoint point) override;
  bool Form_KeyUp(int key, Qt::KeyboardModifiers shift) override;

 private:
  frmProgressDisplay();
  void chkbandwidth_Click();
  void SetBandwidthBox(bool checked);
  void RefreshBandwidth();
  void ShowTimeLeft();
  [[nodiscard]] QString BuildStatusText() const;
  void ApplyDpiScale();

  Controls c_;
  QString titleText_;
  bool idleHelperStarted_ = false;
  bool fileShown_ = false;  // a transfer update has shown a file since the load
  short prepTick_ = 0;
  short prepStep_ = 0;
  long bandwidthPollCount_ = 0;
};

// Whether an estimate of `hours` hours is believable for a restore of
// `totalBytes`: up to 1 hour always; 2 to 12 hours only for at least
// (hours - 1) GiB; never above 12 hours.
[[nodiscard]] bool IsTimeLeftPlausible(double totalBytes, long hours);

}  // namespace OrvaneMac
