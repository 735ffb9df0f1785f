#pragma once
// The small wait box: the program's title, one status line and an
// animation, shown while the one user-interface thread does work that gives
// no progress of its own (a remote folder listed on expansion, the tree
// refreshed, the snapshot switch). Its callers show it, set the status,
// repaint it, do their work and unload it; the box itself does no work.
//
// Alt+C is a cancel request that only UpdateProcess answers; its Close
// button is designed hidden and nothing shows it.

#include <QString>

#include "program/windows/Form.h"
#include "program/windows/SkinControls.h"

namespace OrvaneMac {

class PreStatus : public Form {
 public:
  static PreStatus& Instance();

  // Puts `sItem` on the status line and answers whether the user asked to
  // cancel (loads the box hidden when it is not loaded).
  bool UpdateProcess(const QString& sItem);

  // What the callers do: show it modeless with its status and the
  // animation running, repainted.
  void ShowWithStatus(const QString& status);

  PictureBox* comcancel();
  Label* lbl_comcancel();
  Animation* Animation1();
  Label* lblCapbar();
  Label* status();
  Label* lblTitle();
  Label* lblClose();

 protected:
  void CreateControls(FormWindow* window) override;
  void ForgetControls() override;
  void Form_Load() override;
  bool Form_KeyUp(int key, Qt::KeyboardModifiers shift) override;
  void Form_MouseMove(Qt::MouseButtons buttons, QPoint point) override;

 private:
  PreStatus();
  void comcancel_Click();
  void ResizecontrolDPI();

  struct Controls {
    PictureBox* comcancel = nullptr;
    Label* lbl_comcancel = nullptr;
    Animation* Animation1 = nullptr;
    Label* lblCapbar = nullptr;
    Label* status = nullptr;
    Label* lblTitle = nullptr;
    Label* lblClose = nullptr;
  };
  Controls& C();
  Controls c_;
  bool bCancelRequested = false;
};

}  // namespace OrvaneMac
