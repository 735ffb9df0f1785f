#pragma once
// The proxy and dial-up settings window ("Settings"), opened modally from
// the sign-in window. It never calls the engine: it writes section "Proxy"
// of the user profile, the proxy password file "ZQProxyUser.txt", the
// profile keys "ISPName" and "AutoConnect" and the dial-up registry values;
// the engine reads them at its next preparation for a sign-in.
//
// Save checks the fields and hides the window (it stays loaded, and the next
// opening shows it as it was); Close unloads it without saving.

#include <QString>

#include "program/windows/Form.h"

class QCheckBox;
class QComboBox;

namespace OrvaneMac {

class Label;
class PictureBox;
class TextBoxEx;

class Proxysetting : public Form {
 public:
  static Proxysetting& Instance();

  // The state procedures, run by a mouse release on a box or its caption.
  void Proxyenabled_Click();
  void ProxyAuth_Click();
  void CheckProxyAuth();
  void DialupEnabled_Click();
  // Fills the dial-up list from the phonebook and selects the default entry.
  void EnumeratingISP();
  // Takes the proxy over from the system's Internet settings.
  void cmdIEsetting_Click();
  void SaveSettings();
  void Reset_Click();
  void cancel_Click();
  void ResizecontrolDPI();

  // Controls (touching one loads the window hidden).
  Label* lblCapbar();
  Label* lblTitle();
  PictureBox* PicHelp();
  PictureBox* PicClose();
  Label* lblClose();
  QCheckBox* Proxyenabled();
  Label* Label3();
  TextBoxEx* IPText();
  TextBoxEx* ProxyPort();
  PictureBox* cmdIEsetting();
  Label* lbl_cmdIEsetting();
  QCheckBox* ProxyAuth();
  Label* Label6();
  TextBoxEx* sUsername();
  TextBoxEx* sPassword();
  QCheckBox* DialupEnabled();
  Label* Label4();
  QComboBox* ISPComboList();
  QCheckBox* AutoConnectEnabled();
  Label* Label5();
  PictureBox* OK();
  Label* lbl_OK();
  PictureBox* Cancel();
  Label* lbl_Cancel();
  PictureBox* Reset();

 protected:
  void CreateControls(FormWindow* window) override;
  void ForgetControls() override;
  void Form_Load() override;
  void Form_MouseMove(Qt::MouseButtons buttons, QPoint point) override;
  bool Form_KeyUp(int key, Qt::KeyboardModifiers shift) override;

 private:
  Proxysetting();
  struct Controls {
    Label* lblCapbar = nullptr;
    Label* lblTitle = nullptr;
    PictureBox* PicHelp = nullptr;
    PictureBox* PicClose = nullptr;
    Label* lblClose = nullptr;
    Label* Label1 = nullptr;
    QCheckBox* Proxyenabled = nullptr;
    Label* Label3 = nullptr;
    Label* lblProxyIP = nullptr;
    TextBoxEx* IPText = nullptr;
    Label* lblProxyport = nullptr;
    TextBoxEx* ProxyPort = nullptr;
    PictureBox* cmdIEsetting = nullptr;
    Label* lbl_cmdIEsetting = nullptr;
    QCheckBox* ProxyAuth = nullptr;
    Label* Label6 = nullptr;
    Label* lblUsername = nullptr;
    TextBoxEx* sUsername = nullptr;
    Label* lblPassword = nullptr;
    TextBoxEx* sPassword = nullptr;
    Label* Label2 = nullptr;
    QCheckBox* DialupEnabled = nullptr;
    Label* Label4 = nullptr;
    Label* Connectionlabel = nullptr;
    QComboBox* ISPComboList = nullptr;
    QCheckBox* AutoConnectEnabled = nullptr;
    Label* Label5 = nullptr;
    PictureBox* OK = nullptr;
    Label* lbl_OK = nullptr;
    PictureBox* Cancel = nullptr;
    Label* lbl_Cancel = nullptr;
    PictureBox* Reset = nullptr;
    Label* Reset1 = nullptr;
  };
  Controls& C();
  void IEButtonByProxyBox();

  Controls c_;
};

}  // namespace OrvaneMac
