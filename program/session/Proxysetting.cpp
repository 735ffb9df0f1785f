#include "program/session/Proxysetting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMouseEvent>

#include "platform/errors/RuntimeError.h"
#include "platform/paths/WinPath.h"
#include "platform/registry/RegistryTypes.h"
#include "platform/text/Strings.h"
#include "platform/ui/MessageBoxService.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/Options.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/SettingsStores.h"
#include "program/foundation/SystemHelpers.h"
#include "program/session/DialUpProxy.h"
#include "program/session/SessionImages.h"
#include "program/session/SignIn.h"
#include "program/session/Transfer.h"
#include "program/windows/SkinControls.h"
#include "program/windows/SkinFonts.h"
#include "program/windows/Twips.h"
#include "program/windows/clsRounder.h"
#include "program/windows/modGeneralWindows.h"

Q_LOGGING_CATEGORY(lcProxy, "restore.ui.proxy")

namespace OrvaneMac {
namespace {

const QString kOwner = QStringLiteral("Proxysetting");
const QString kInternetSettings = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
const QString kAutoDialDefault = QStringLiteral("SOFTWARE\\Microsoft\\RAS AutoDial\\Default");
const QString kEntryProfile = QStringLiteral("RemoteAccess\\Profile\\");
constexpr long kWhite = 0xFFFFFF;
constexpr long kPanel = 15528434;      // &HECF1F2
constexpr long kLockedGrey = 12632256;  // &HC0C0C0
constexpr Long kRegSz = 1;
constexpr Long kRegDword = 4;

template <typename F>
void Skip(F&& step) {
  try {
    step();
  } catch (const std::exception& e) {
    qCDebug(lcProxy) << "skipped:" << e.what();
  }
}

template <typename F>
void Trapped(const QString& procedure, F&& body) {
  vb::OnErrorGoTo(std::forward<F>(body), [&](const vb::ErrorInfo& e) {
    TraceError(e, procedure, vb::OwnerKind::Form, kOwner);
  });
}

void ShowMsg(Long id, long icon) {
  (void)win::MessageBox(modReg::GetMessageText(id), icon, win::MB_STYLE_OK, Program().AppTitle);
}

void SetBack(QWidget* w, long bgr) {
  QPalette pal = w->palette();
  const QColor colour(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                      static_cast<int>((bgr >> 16) & 0xFF));
  pal.setColor(QPalette::Base, colour);
  pal.setColor(QPalette::Window, colour);
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

// A text field switched on or off.
void SetField(TextBoxEx* field, bool on, long offColour) {
  field->setEnabled(on);
  field->setReadOnly(!on);
  SetBack(field, on ? kWhite : offColour);
}

// A mouse release (any button but the right one) on a box runs its state
// procedure: after the box has toggled for the left button; at once for
// the others, which do not toggle a check box. A toggle from the keyboard
// or from code only changes the check mark.
class BoxRelease : public QObject {
 public:
  BoxRelease(QCheckBox* box, std::function<void()> procedure)
      : QObject(box), box_(box), procedure_(std::move(procedure)) {
    box->installEventFilter(this);
    QObject::connect(box, &QCheckBox::clicked, this, [this] {
      if (!mouse_) return;
      mouse_ = false;
      procedure_();
    });
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease) {
      const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
      mouse_ = button == Qt::LeftButton;
      // The box itself ignores the other buttons.
      if (button != Qt::LeftButton && button != Qt::RightButton && box_->isEnabled()) procedure_();
    } else if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
      mouse_ = false;
    }
    return false;
  }

 private:
  QCheckBox* box_;
  std::function<void()> procedure_;
  bool mouse_ = false;
};

// Characters typed into the list are discarded: an entry can only be
// picked from it.
class DiscardTyping : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    return !static_cast<QKeyEvent*>(event)->text().isEmpty();
  }
};

}  // namespace

Proxysetting::Proxysetting() : Form(QStringLiteral("Proxysetting")) {}

Proxysetting& Proxysetting::Instance() {
  static auto* instance = new Proxysetting;
  return *instance;
}

Proxysetting::Controls& Proxysetting::C() {
  Load();
  return c_;
}

Label* Proxysetting::lblCapbar() { return C().lblCapbar; }
Label* Proxysetting::lblTitle() { return C().lblTitle; }
PictureBox* Proxysetting::PicHelp() { return C().PicHelp; }
PictureBox* Proxysetting::PicClose() { return C().PicClose; }
Label* Proxysetting::lblClose() { return C().lblClose; }
QCheckBox* Proxysetting::Proxyenabled() { return C().Proxyenabled; }
Label* Proxysetting::Label3() { return C().Label3; }
TextBoxEx* Proxysetting::IPText() { return C().IPText; }
TextBoxEx* Proxysetting::ProxyPort() { return C().ProxyPort; }
PictureBox* Proxysetting::cmdIEsetting() { return C().cmdIEsetting; }
Label* Proxysetting::lbl_cmdIEsetting() { return C().lbl_cmdIEsetting; }
QCheckBox* Proxysetting::ProxyAuth() { return C().ProxyAuth; }
Label* Proxysetting::Label6() { return C().Label6; }
TextBoxEx* Proxysetting::sUsername() { return C().sUsername; }
TextBoxEx* Proxysetting::sPassword() { return C().sPassword; }
QCheckBox* Proxysetting::DialupEnabled() { return C().DialupEnabled; }
Label* Proxysetting::Label4() { return C().Label4; }
QComboBox* Proxysetting::ISPComboList() { return C().ISPComboList; }
QCheckBox* Proxysetting::AutoConnectEnabled() { return C().AutoConnectEnabled; }
Label* Proxysetting::Label5() { return C().Label5; }
PictureBox* Proxysetting::OK() { return C().OK; }
Label* Proxysetting::lbl_OK() { return C().lbl_OK; }
PictureBox* Proxysetting::Cancel() { return C().Cancel; }
Label* Proxysetting::lbl_Cancel() { return C().lbl_Cancel; }
PictureBox* Proxysetting::Reset() { return C().Reset; }

void Proxysetting::CreateControls(FormWindow* w) {
  Controls& c = c_;
  w->SetBackColor(kPanel);
  Twips::SetPlace(w, 0, 0, 6060, 5250);
  const QFont arial = SkinFont(QStringLiteral("Arial"), 8.25);
  const QFont arialBold = SkinFont(QStringLiteral("Arial"), 8.25, true);
  const QFont title = SkinFont(QStringLiteral("Arial"), 9, true);
  const QFont tahoma = SkinFont(QStringLiteral("Tahoma"), 8.25);

  auto label = [&](const char* name, double l, double t, double wd, double h, const QString& caption,
                   const QFont& font) {
    auto* lb = new Label(w, caption);
    lb->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(lb, l, t, wd, h);
    lb->setFont(font);
    return lb;
  };
  auto field = [&](const char* name, double l, double t, double wd, const QString& tip) {
    auto* f = new TextBoxEx(w);
    f->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(f, l, t, wd, 315);
    f->setFont(tahoma);
    f->setToolTip(tip);
    QObject::connect(f, &TextBoxEx::GotFocus, w, [f] { f->selectAll(); });
    return f;
  };
  auto box = [&](const char* name, double l, double t, double wd, double h, const QString& tip) {
    auto* b = new QCheckBox(w);
    b->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(b, l, t, wd + 60, h + 30);
    b->setToolTip(tip);
    return b;
  };
  auto face = [&](const char* name, const char* labelName, double l, double t, double wd, double h,
                  const QString& caption, const QString& tip, PictureBox*& pic, Label*& lb) {
    pic = new PictureBox(w);
    pic->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(pic, l, t, wd, h);
    pic->SetPressedLook(true);
    pic->setToolTip(tip);
    lb = new Label(pic, caption);
    lb->setObjectName(QString::fromLatin1(labelName));
    Twips::SetPlace(lb, 60, 45, wd - 105, 255);
    lb->setFont(title);
    lb->SetAlignment(Label::Alignment::Center);
    lb->setToolTip(tip);
  };

  c.lblCapbar = label("lblCapbar", 45, 0, 5340, 480, QString(), arial);
  DragWindowWith(c.lblCapbar);
  c.lblTitle = label("lblTitle", 285, 120, 2985, 345, QStringLiteral("Settings"), title);
  c.lblTitle->setAttribute(Qt::WA_TransparentForMouseEvents);
  c.PicHelp = new PictureBox(w);
  c.PicHelp->setObjectName(QStringLiteral("PicHelp"));
  Twips::SetPlace(c.PicHelp, 5150, 90, 375, 240);
  c.PicHelp->setToolTip(QStringLiteral("Help"));
  c.PicHelp->setCursor(HandCursor());
  QObject::connect(c.PicHelp, &Control::Click, w, [this] {
    Skip([&] {
      modGeneral::ShowHelpFile(Window(), QStringLiteral("OrvaneMacHelp.chm::/Orvane_for_Mac_Folder_Restore_Help_Guide/"
                                                        "Working_with_Orvane_for_Mac_folder_restoe/Proxy_Settings.htm"));
    });
  });
  c.PicClose = new PictureBox(w);
  c.PicClose->setObjectName(QStringLiteral("PicClose"));
  Twips::SetPlace(c.PicClose, 5580, 90, 375, 240);
  c.PicClose->setToolTip(QStringLiteral("Close"));
  c.PicClose->hide();
  c.lblClose = label("lblClose", 5595, 105, 345, 210, QStringLiteral("X"), title);
  c.lblClose->SetAlignment(Label::Alignment::Center);
  c.lblClose->setToolTip(QStringLiteral("Close"));
  c.lblClose->setCursor(HandCursor());
  QObject::connect(c.lblClose, &Control::Click, w, [this] { cancel_Click(); });
  QObject::connect(c.PicClose, &Control::Click, w, [this] { cancel_Click(); });

  c.Label1 = label("Label1", 450, 705, 1200, 210, QStringLiteral("Proxy Settings"), arialBold);
  c.Proxyenabled = box("Proxyenabled", 450, 1050, 195, 210, QStringLiteral("Only CERN based HTTP proxy"));
  c.Label3 = label("Label3", 720, 1050, 1515, 210, QStringLiteral("Enable CERN Proxy"), arialBold);
  c.lblProxyIP = label("lblProxyIP", 450, 1410, 1095, 210, QStringLiteral("Proxy Address"), arial);
  c.IPText = field("IPText", 1905, 1350, 3705, QStringLiteral("IP address or the machine name of the proxy server"));
  c.lblProxyport = label("lblProxyport", 450, 1815, 810, 210, QStringLiteral("Proxy Port "), arial);
  c.ProxyPort = field("ProxyPort", 1905, 1740, 2100, QStringLiteral("Proxy server's port to be connected to"));
  face("cmdIEsetting", "lbl_cmdIEsetting", 4110, 1725, 1500, 345, QStringLiteral("Get &IE settings"),
       QStringLiteral("Get the proxy settings from Internet explorer"), c.cmdIEsetting, c.lbl_cmdIEsetting);
  c.ProxyAuth = box("ProxyAuth", 450, 2205, 195, 195, QStringLiteral("Authentication at the proxy"));
  c.Label6 = label("Label6", 705, 2205, 3855, 210, QStringLiteral("Enable Proxy authentication"), arialBold);
  c.lblUsername = label("lblUsername", 450, 2520, 1200, 210, QStringLiteral("Proxy Username"), arial);
  c.sUsername = field("sUsername", 1905, 2505, 3705, QStringLiteral("Username to connect to the proxy server"));
  c.lblPassword = label("lblPassword", 450, 2925, 1215, 210, QStringLiteral("Proxy Password"), arial);
  c.sPassword = field("sPassword", 1905, 2895, 3705, QStringLiteral("Password to connect to the proxy server"));
  c.sPassword->setEchoMode(QLineEdit::Password);
  c.Label2 = label("Label2", 450, 3315, 1275, 210, QStringLiteral("Dial up Settings"), arialBold);
  c.DialupEnabled = box("DialupEnabled", 450, 3660, 195, 195, QString());
  c.Label4 = label("Label4", 705, 3660, 1875, 210, QStringLiteral("Enable Dial-up Connection"), arial);
  c.Connectionlabel = label("Connectionlabel", 450, 4020, 1410, 210, QStringLiteral("Choose Connection"), arial);
  c.ISPComboList = new QComboBox(w);
  c.ISPComboList->setObjectName(QStringLiteral("ISPComboList"));
  Twips::SetPlace(c.ISPComboList, 2190, 3975, 2775, 330);
  c.ISPComboList->setFont(tahoma);
  // Its text may name an entry it does not hold (the stored one, before
  // the list is filled); the text itself takes no typing.
  c.ISPComboList->setEditable(true);
  c.ISPComboList->lineEdit()->setReadOnly(true);
  c.ISPComboList->installEventFilter(new DiscardTyping(c.ISPComboList));
  c.AutoConnectEnabled = box("AutoConnectEnabled", 450, 4395, 210, 195, QString());
  c.Label5 = label("Label5", 675, 4395, 1605, 210, QStringLiteral("Connect Automatically"), arial);
  face("OK", "lbl_OK", 2940, 4665, 1500, 345, QStringLiteral("&Save Settings"), QStringLiteral("Save"), c.OK,
       c.lbl_OK);
  face("Cancel", "lbl_Cancel", 4575, 4665, 1095, 345, QStringLiteral("&Close"), QStringLiteral("Close"), c.Cancel,
       c.lbl_Cancel);
  face("Reset", "Reset1", 1230, 5265, 1185, 360, QStringLiteral("Reset All"), QStringLiteral("Reset All"), c.Reset,
       c.Reset1);
  c.Reset->hide();

  // Captions keep to one line at their design place; the host's fonts run
  // wider than the design's, so each label measures its caption.
  for (Label* lb : {c.Label1, c.Label3, c.lblProxyIP, c.lblProxyport, c.Label6, c.lblUsername, c.lblPassword,
                    c.Label2, c.Label4, c.Connectionlabel, c.Label5}) {
    if (lb) lb->SetAutoSize(true);
  }

  // Design state: every box unchecked; the dependent controls disabled.
  c.ProxyAuth->setEnabled(false);
  c.AutoConnectEnabled->setEnabled(false);
  c.cmdIEsetting->setEnabled(false);
  c.ISPComboList->setEnabled(false);

  new BoxRelease(c.Proxyenabled, [this] { Proxyenabled_Click(); });
  new BoxRelease(c.ProxyAuth, [this] { ProxyAuth_Click(); });
  new BoxRelease(c.DialupEnabled, [this] { DialupEnabled_Click(); });
  // A caption label runs its box's procedure without toggling the box.
  auto onRelease = [w](Control* control, std::function<void()> run) {
    QObject::connect(control, &Control::MouseUp, w, [run](Qt::MouseButton b, Qt::KeyboardModifiers, QPoint) {
      if (b != Qt::RightButton) run();
    });
  };
  onRelease(c.Label3, [this] { Proxyenabled_Click(); });
  onRelease(c.Label6, [this] { ProxyAuth_Click(); });
  onRelease(c.Label4, [this] { DialupEnabled_Click(); });
  onRelease(c.cmdIEsetting, [this] { cmdIEsetting_Click(); });
  onRelease(c.lbl_cmdIEsetting, [this] { cmdIEsetting_Click(); });
  onRelease(c.OK, [this] { SaveSettings(); });
  onRelease(c.lbl_OK, [this] { SaveSettings(); });
  onRelease(c.Cancel, [this] { cancel_Click(); });
  onRelease(c.lbl_Cancel, [this] { cancel_Click(); });
  onRelease(c.Reset, [this] { Reset_Click(); });
  onRelease(c.Reset1, [this] { Reset_Click(); });

  QObject::connect(c.lbl_OK, &Control::MouseMove, w, [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) {
    modGeneral::SetButtonState(c_.OK, 1, c_.lbl_OK, QStringLiteral("button_med_ovr"));
    modGeneral::SetButtonState(c_.Cancel, 0, c_.lbl_Cancel);
    IEButtonByProxyBox();
  });
  QObject::connect(c.lbl_Cancel, &Control::MouseMove, w, [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) {
    modGeneral::SetButtonState(c_.OK, 0, c_.lbl_OK, QStringLiteral("button_med_enb"));
    modGeneral::SetButtonState(c_.Cancel, 1, c_.lbl_Cancel);
    IEButtonByProxyBox();
  });
  QObject::connect(c.lbl_cmdIEsetting, &Control::MouseMove, w,
                   [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) {
                     modGeneral::SetButtonState(c_.OK, 0, c_.lbl_OK, QStringLiteral("button_med_enb"));
                     modGeneral::SetButtonState(c_.Cancel, 0, c_.lbl_Cancel);
                     IEButtonByProxyBox();
                   });
}

void Proxysetting::ForgetControls() { c_ = Controls{}; }

void Proxysetting::IEButtonByProxyBox() {
  const bool on = c_.Proxyenabled && c_.Proxyenabled->isChecked();
  modGeneral::SetButtonState(c_.cmdIEsetting, on ? 0 : 2, c_.lbl_cmdIEsetting, QStringLiteral("button_med_enb"));
}

void Proxysetting::Form_Load() {
  Trapped(QStringLiteral("Form_Load"), [&] {
    Controls& c = c_;
    FormWindow* w = Window();
    for (TextBoxEx* f : {c.IPText, c.ProxyPort, c.sUsername, c.sPassword}) f->setReadOnly(true);
    Skip([&] {
      const QPixmap help = LoginImageList1Mac().Picture(QStringLiteral("zq_help"));
      if (c.PicHelp->PictureHandle() != help.cacheKey()) c.PicHelp->SetPicture(help);
      const QPixmap background = LoginImageList1Mac().Picture(QStringLiteral("zq_proxy"));
      if (w->PictureHandle() != background.cacheKey()) w->SetPicture(background);
      Twips::SetTop(c.PicHelp, 115);
    });
    modGeneral::SetButtonState(c.OK, 0, c.lbl_OK, QStringLiteral("button_med_enb"));
    modGeneral::SetButtonState(c.Cancel, 0, c.lbl_Cancel);

    Transfer& t = gTransfer();
    c.ISPComboList->setEditText(t.Trf_ReadUserProfile(QStringLiteral("ISPName"), false));
    if (!c.ISPComboList->currentText().isEmpty()) {
      c.DialupEnabled->setChecked(true);
      c.AutoConnectEnabled->setChecked(t.Trf_ReadUserProfile(QStringLiteral("AutoConnect"), false) == u"1");
    }
    c.IPText->setText(t.Trf_ReadProxyProfile(QStringLiteral("ProxyName")));
    if (!c.IPText->text().isEmpty()) {
      c.Proxyenabled->setChecked(true);
      c.IPText->setReadOnly(false);
      c.ProxyPort->setReadOnly(false);
      c.ProxyPort->setText(t.Trf_ReadProxyProfile(QStringLiteral("ProxyPort")));
    }
    c.sUsername->setText(t.Trf_ReadProxyProfile(QStringLiteral("ProxyUser")));
    if (!c.sUsername->text().isEmpty()) {
      c.ProxyAuth->setChecked(true);
      c.sPassword->setText(modGeneral::ReadPasswordFile(QString(), 5));
    }
    const bool proxyOn = c.Proxyenabled->isChecked();
    c.cmdIEsetting->setEnabled(proxyOn);
    c.lbl_cmdIEsetting->setEnabled(proxyOn);
    IEButtonByProxyBox();
    ResizecontrolDPI();
    Skip([&] {
      clsRounder rounder;
      rounder.RoundedBorder(*this);
    });
    Program().SkipActivateRepaint = true;
    CentreWindow(false);
  });
}

void Proxysetting::ResizecontrolDPI() {
  const double dpi = ScreenDpi();
  if (dpi <= 96) return;
  const double r = dpi / 96;
  Controls& c = c_;
  SetWidth(Width() / r);
  SetHeight(Height() / r);
  ShrinkControlsForDpi(Window());
  auto grow = [](QWidget* w, double dw, double dh) {
    Twips::SetWidth(w, Twips::Width(w) + dw);
    Twips::SetHeight(w, Twips::Height(w) + dh);
  };
  grow(c.Label1, 300, 100);
  Twips::SetHeight(c.Label3, Twips::Height(c.Label3) + 50);
  Twips::SetWidth(c.Label3, Twips::Left(c.Label3) + Twips::Width(c.Label3) + 200);
  Twips::SetLeft(c.lblProxyIP, 260);
  grow(c.lblProxyIP, 300, 50);
  Twips::SetLeft(c.lblProxyport, 350);
  grow(c.lblProxyport, 300, 0);
  Twips::SetLeft(c.lblUsername, 325);
  grow(c.lblUsername, 300, 50);
  Twips::SetLeft(c.lblPassword, 280);
  grow(c.lblPassword, 300, 50);
  Twips::SetLeft(c.Label2, 350);
  grow(c.Label2, 200, 50);
  grow(c.Label4, 550, 0);
  Twips::SetLeft(c.Connectionlabel, 260);
  grow(c.Connectionlabel, 450, 0);
  Twips::SetLeft(c.Label5, Twips::Left(c.Label4));
  grow(c.Label5, 400, 50);
  Twips::SetLeft(c.ISPComboList, Twips::Left(c.ISPComboList) + 200);
  Twips::SetLeft(c.IPText, Twips::Left(c.IPText) + 100);
  Twips::SetWidth(c.IPText, Twips::Width(c.IPText) - 100);
  Twips::SetLeft(c.ProxyPort, Twips::Left(c.IPText));
  Twips::SetWidth(c.ProxyPort, Twips::Width(c.ProxyPort) - 100);
  for (TextBoxEx* f : {c.sUsername, c.sPassword}) {
    Twips::SetLeft(f, Twips::Left(c.IPText));
    Twips::SetWidth(f, Twips::Width(c.IPText));
  }
  Twips::SetHeight(c.ISPComboList, Twips::Height(c.ISPComboList) + 60);
  Twips::SetTop(c.lbl_OK, Twips::Top(c.lbl_OK) - 10);
  Twips::SetWidth(c.PicHelp, 290);
  Twips::SetHeight(c.PicHelp, 190);
}

void Proxysetting::Proxyenabled_Click() {
  Trapped(QStringLiteral("Proxyenabled_Click"), [&] {
    Controls& c = C();
    if (c.Proxyenabled->isChecked()) {
      SetField(c.IPText, true, kPanel);
      SetField(c.ProxyPort, true, kPanel);
      c.cmdIEsetting->setEnabled(true);
      c.lbl_cmdIEsetting->setEnabled(true);
      modGeneral::SetButtonState(c.cmdIEsetting, 0, c.lbl_cmdIEsetting, QStringLiteral("button_med_enb"));
      c.ProxyAuth->setEnabled(true);
      CheckProxyAuth();
    } else {
      SetField(c.IPText, false, kPanel);
      c.IPText->clear();
      SetField(c.ProxyPort, false, kPanel);
      c.ProxyPort->clear();
      c.ProxyAuth->setChecked(false);
      c.ProxyAuth->setEnabled(false);
      c.cmdIEsetting->setEnabled(false);
      c.lbl_cmdIEsetting->setEnabled(false);
      modGeneral::SetButtonState(c.cmdIEsetting, 2, c.lbl_cmdIEsetting, QStringLiteral("button_med_enb"));
    }
  });
}

void Proxysetting::ProxyAuth_Click() {
  Trapped(QStringLiteral("ProxyAuth_Click"), [&] { CheckProxyAuth(); });
}

void Proxysetting::CheckProxyAuth() {
  Trapped(QStringLiteral("CheckProxyAuth"), [&] {
    Controls& c = C();
    const bool on = c.ProxyAuth->isChecked();
    SetField(c.sUsername, on, kLockedGrey);
    SetField(c.sPassword, on, kLockedGrey);
    if (!on) {
      c.sUsername->clear();
      c.sPassword->clear();
    }
  });
}

void Proxysetting::DialupEnabled_Click() {
  Trapped(QStringLiteral("DialupEnabled_Click"), [&] {
    Controls& c = C();
    if (c.DialupEnabled->isChecked()) {
      c.ISPComboList->setEnabled(true);
      c.AutoConnectEnabled->setEnabled(true);
      SetBack(c.AutoConnectEnabled, kPanel);
      c.AutoConnectEnabled->setChecked(true);
      EnumeratingISP();
      return;
    }
    c.ISPComboList->clear();
    c.ISPComboList->setEnabled(false);
    c.AutoConnectEnabled->setEnabled(false);
    SetBack(c.AutoConnectEnabled, kPanel);
    c.AutoConnectEnabled->setChecked(false);
    modGeneral::SetKeyValue(win::HKEY_CURRENT_USER, kInternetSettings, QStringLiteral("EnableAutoDial"), 0, kRegDword);
    const QString entry = c.ISPComboList->currentText();
    if (!entry.isEmpty()) {
      modGeneral::SetKeyValue(win::HKEY_CURRENT_USER, kEntryProfile + entry, QStringLiteral("AutoConnect"), 0,
                              kRegDword);
    }
    gTransfer().Trf_WriteUserProfile(QStringLiteral("ISPName"), QString(), false);
    gTransfer().Trf_WriteUserProfile(QStringLiteral("AutoConnect"), QStringLiteral("0"), false);
  });
}

void Proxysetting::EnumeratingISP() {
  vb::OnErrorGoTo(
      [&] {
        Controls& c = C();
        const QString defaultEntry =
            modGeneral::IsXP()
                ? modGeneral::ReadRegistryString(win::HKEY_LOCAL_MACHINE, kAutoDialDefault,
                                                 QStringLiteral("defaultinternet"))
                : modGeneral::ReadRegistryString(win::HKEY_CURRENT_USER, QStringLiteral("RemoteAccess"),
                                                 QStringLiteral("InternetProfile"));
        c.ISPComboList->clear();
        Items(Program().DialUpEntryList)->Clear();
        modGeneral::GetRASEntries(QString());
        const vb::CollectionPtr& names = Items(Program().DialUpEntryList);
        for (long i = 1; i <= names->Count(); ++i) {
          const QString name = names->Item(i).ToString();
          c.ISPComboList->addItem(name);
          if (name == defaultEntry) c.ISPComboList->setCurrentIndex(c.ISPComboList->count() - 1);
        }
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in EnumeratingISP.Reason:") + QString::number(modGeneral::LastDllError()) +
                   QStringLiteral("Error No: ") + QString::number(e.number));
      });
}

void Proxysetting::cmdIEsetting_Click() {
  vb::OnErrorGoTo(
      [&] {
        Controls& c = C();
        QString host;
        QString port;
        if (modGeneral::GetIEProxySettings(host, port)) {
          c.Proxyenabled->setChecked(true);
          c.IPText->setText(host);
          c.ProxyPort->setText(port);
          return;
        }
        c.Proxyenabled->setChecked(false);
        c.ProxyAuth->setChecked(false);
        c.ProxyAuth->setEnabled(false);
        for (TextBoxEx* f : {c.sUsername, c.sPassword}) {
          f->setEnabled(false);
          SetBack(f, kLockedGrey);
          f->clear();
        }
        ShowMsg(264, win::MB_ICON_INFORMATION);
        for (TextBoxEx* f : {c.IPText, c.ProxyPort}) {
          f->clear();
          f->setReadOnly(true);
        }
        c.cmdIEsetting->setEnabled(false);
        c.lbl_cmdIEsetting->setEnabled(false);
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Unable to get the setting of Proxy") + QStringLiteral("Reason: ") + e.description);
      });
}

void Proxysetting::SaveSettings() {
  vb::OnErrorGoTo(
      [&] {
        Controls& c = C();
        Transfer& t = gTransfer();
        if (c.DialupEnabled->isChecked()) {
          const QString entry = c.ISPComboList->currentText();
          modGeneral::SetKeyValue(win::HKEY_CURRENT_USER, kInternetSettings, QStringLiteral("GlobalUserOffline"), 0,
                                  kRegDword);
          modGeneral::SetKeyValue(win::HKEY_CURRENT_USER, kInternetSettings, QStringLiteral("EnableAutoDial"), 1,
                                  kRegDword);
          if (modGeneral::IsXP()) {
            modGeneral::SetKeyValue(win::HKEY_LOCAL_MACHINE, kAutoDialDefault, QStringLiteral("defaultinternet"),
                                    entry, kRegSz);
          } else {
            modGeneral::SetKeyValue(win::HKEY_CURRENT_USER, QStringLiteral("RemoteAccess"),
                                    QStringLiteral("InternetProfile"), entry, kRegSz);
          }
          t.Trf_WriteUserProfile(QStringLiteral("ISPName"), entry, false);
          const bool autoConnect = c.AutoConnectEnabled->isChecked();
          if (!entry.isEmpty()) {
            modGeneral::SetKeyValue(win::HKEY_CURRENT_USER, kEntryProfile + entry, QStringLiteral("AutoConnect"),
                                    autoConnect ? 1 : 0, kRegDword);
          }
          t.Trf_WriteUserProfile(QStringLiteral("AutoConnect"), autoConnect ? QStringLiteral("1") : QStringLiteral("0"),
                                 false);
        }
        auto refuse = [](Long id, TextBoxEx* field) {
          ShowMsg(id, win::MB_ICON_WARNING);
          Skip([&] { field->setFocus(Qt::OtherFocusReason); });
        };
        if (c.Proxyenabled->isChecked()) {
          if (vb::Trim(c.IPText->text()).isEmpty()) return refuse(260, c.IPText);
          if (vb::Trim(c.ProxyPort->text()).isEmpty()) return refuse(261, c.ProxyPort);
        }
        if (c.ProxyAuth->isChecked()) {
          if (vb::Trim(c.sUsername->text()).isEmpty()) return refuse(262, c.sUsername);
          if (vb::Trim(c.sPassword->text()).isEmpty()) return refuse(263, c.sPassword);
        }
        t.Trf_WriteProxyProfile(QStringLiteral("ProxyName"), c.IPText->text());
        t.Trf_WriteProxyProfile(QStringLiteral("ProxyPort"), c.ProxyPort->text());
        t.Trf_WriteProxyProfile(QStringLiteral("ProxyUser"), c.sUsername->text());
        // Scrambled; an empty password leaves no file.
        modGeneral::SavePasswordFile(QString(), vb::Trim(c.sPassword->text()), 5);
        modGeneral::RestrictToOwner(win::JoinPath(AppFolder(), QStringLiteral("ZQProxyUser.txt")));
        modGeneral::LoadProxySetting();
        HideWindow();
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in proxy server  & Dial-up setting scrn ok event. Reason: ") + e.description);
      });
}

void Proxysetting::Reset_Click() {
  Trapped(QStringLiteral("Reset_Click"), [&] {
    Controls& c = C();
    for (TextBoxEx* f : {c.IPText, c.ProxyPort, c.sUsername, c.sPassword}) f->clear();
    c.DialupEnabled->setChecked(false);
  });
}

void Proxysetting::cancel_Click() {
  Trapped(QStringLiteral("cancel_Click"), [&] { Unload(); });
}

void Proxysetting::Form_MouseMove(Qt::MouseButtons, QPoint) {
  Skip([&] {
    modGeneral::SetButtonState(c_.OK, 0, c_.lbl_OK, QStringLiteral("button_med_enb"));
    modGeneral::SetButtonState(c_.Cancel, 0, c_.lbl_Cancel);
    IEButtonByProxyBox();
  });
}

bool Proxysetting::Form_KeyUp(int key, Qt::KeyboardModifiers shift) {
  if (!AltOnly(shift)) return false;
  switch (key) {
    case Qt::Key_I:
      cmdIEsetting_Click();
      return true;
    case Qt::Key_S:
      SaveSettings();
      return true;
    case Qt::Key_C:
      cancel_Click();
      return true;
    default:
      return false;
  }
}

}  // namespace OrvaneMac
