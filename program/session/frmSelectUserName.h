#pragma once
// The account chooser: a small modal window listing the accounts that share
// the e-mail address the user typed. The caller puts the names, separated
// by single blanks, into strUserNames and shows the window; afterwards
// strUserNames holds the chosen name, or the empty text when the user
// closed the window without a choice (by any means).

#include <QString>

#include "program/windows/Form.h"

class QComboBox;

namespace OrvaneMac {

class Label;
class PictureBox;
class Container;

class frmSelectUserName : public Form {
 public:
  static frmSelectUserName& Instance();

  QString strUserNames;

  // Takes the selected name (message 570 and the window stays open for an
  // empty entry); closes the window without a choice.
  void Accept();
  void CloseWithoutChoice();
  void ResizecontrolDPI();

  // Controls (touching one loads the window hidden).
  Label* lblCapbar();
  Label* AppCaption();
  PictureBox* PicClose();
  Container* Picture2();
  Label* Label1();
  QComboBox* Combo1();
  PictureBox* cmdOK();
  Label* lbl_cmdOK();

 protected:
  void CreateControls(FormWindow* window) override;
  void ForgetControls() override;
  void Form_Load() override;
  void Form_Unload() override;
  bool Form_KeyDown(int key, Qt::KeyboardModifiers shift) override;

 private:
  frmSelectUserName();
  struct Controls {
    Label* lblCapbar = nullptr;
    Label* AppCaption = nullptr;
    PictureBox* PicClose = nullptr;
    Container* Picture2 = nullptr;
    Label* Label1 = nullptr;
    QComboBox* Combo1 = nullptr;
    PictureBox* cmdOK = nullptr;
    Label* lbl_cmdOK = nullptr;
  };
  Controls& C();
  Controls c_;
  // Set by an accepted choice for the unload that follows it; any other
  // unload (the close glyph, Esc, the window system) leaves no choice.
  bool accepted_ = false;
};

}  // namespace OrvaneMac
