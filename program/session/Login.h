#pragma once
// The sign-in window, shown modeless at start-up: user name or e-mail
// address, password, the SSL and remember choices, the settings, three web
// links and the sign-in itself (LoginUser). Until a first sign-in of the
// run has succeeded, leaving it ends the program.

#include <QString>

#include "program/windows/Form.h"

class QCheckBox;

namespace OrvaneMac {

class Animation;
class Label;
class PictureBox;
class TextBoxEx;

class Login : public Form {
 public:
  static Login& Instance();

  // Pre-fills the window from the user profile.
  void ReadIni();
  // The sign-in: checks the fields, resolves an e-mail address (with the
  // account chooser for several accounts), prepares the engine and opens
  // the session; on success shows the main window and unloads this one.
  void LoginUser();
  // Cancel: ends the program while no sign-in has succeeded in this run,
  // else closes the window and leaves the session as it is.
  void cmdcancel_Click();
  // Opens the proxy and dial-up settings, owned by this window.
  void Setting_Click();
  void OpenSignUpPage();
  void OpenForgotPasswordPage();
  void OpenUpgradePage();
  void ShowTitleBar(bool show);
  void ResizecontrolDPI();

  // The click guard of the OK picture: a mouse click signs in once, on the
  // mouse-up; the click that follows only re-arms it.
  void cmdOK_MouseUp(Qt::MouseButton button);
  void cmdOK_Click();
  [[nodiscard]] bool ClickArmed() const { return bClickArmed; }

  // Set by the remember box's click; nothing reads it.
  bool savepassword = false;

  // Controls (touching one loads the window hidden).
  Label* lblCapbar();
  Label* lblUsername();
  TextBoxEx* txtUserName();
  Label* lblPassword();
  TextBoxEx* txtPassword();
  QCheckBox* chk_ssllogin();
  QCheckBox* ChkRemPasswd();
  PictureBox* cmdOK();
  Label* lbl_cmdOK();
  PictureBox* cmdCancel();
  Label* lbl_cmdCancel();
  PictureBox* Setting();
  Label* lbl_Setting();
  Label* Image1();
  Label* Image2();
  Label* Image3();
  Label* lblLink();
  Animation* Animation1();
  PictureBox* picbkgrd();

 protected:
  void CreateControls(FormWindow* window) override;
  void ForgetControls() override;
  void Form_Load() override;
  void Form_Unload() override;
  void Form_MouseMove(Qt::MouseButtons buttons, QPoint point) override;
  bool Form_KeyDown(int key, Qt::KeyboardModifiers shift) override;
  bool Form_KeyUp(int key, Qt::KeyboardModifiers shift) override;

 private:
  Login();
  struct Controls {
    Label* lblCapbar = nullptr;
    Label* lblUsername = nullptr;
    TextBoxEx* txtUserName = nullptr;
    Label* lblPassword = nullptr;
    TextBoxEx* txtPassword = nullptr;
    QCheckBox* chk_ssllogin = nullptr;
    QCheckBox* ChkRemPasswd = nullptr;
    PictureBox* cmdOK = nullptr;
    Label* lbl_cmdOK = nullptr;
    PictureBox* cmdCancel = nullptr;
    Label* lbl_cmdCancel = nullptr;
    PictureBox* Setting = nullptr;
    Label* lbl_Setting = nullptr;
    Label* Image1 = nullptr;
    Label* Image2 = nullptr;
    Label* Image3 = nullptr;
    Label* lblLink = nullptr;
    Animation* Animation1 = nullptr;
    PictureBox* picbkgrd = nullptr;
  };
  Controls& C();
  void BusyState();
  void ReadyState(bool withFocus);
  void SignInRoad();
  void Hover(int which);

  Controls c_;
  bool bClickArmed = true;
  // Set while the sign-in itself unloads the window after a success: that
  // unload never ends the program.
  bool signedInUnload_ = false;
  QString savedCaption_;
};

}  // namespace OrvaneMac

namespace OrvaneMac::modGeneral {

// True when both boxes of the sign-in window are filled. The user name
// counts once trimmed: a name of blanks shows message 502, as an empty one.
bool CheckLoginData();

}  // namespace OrvaneMac::modGeneral
