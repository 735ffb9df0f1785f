#include "program/session/Login.h"

#include <QCheckBox>
#include <QLoggingCategory>
#include <QTimer>

#include "ZQwinSrv/facade/_clsController.h"
#include "platform/errors/RuntimeError.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/paths/WinPath.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"
#include "platform/ui/MessageBoxService.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/Options.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/SettingsStores.h"
#include "program/foundation/modMain.h"
#include "program/main/MainWindowServices.h"
#include "program/session/Proxysetting.h"
#include "program/session/SessionImages.h"
#include "program/session/SignIn.h"
#include "program/session/SignInLookups.h"
#include "program/session/Transfer.h"
#include "program/session/frmSelectUserName.h"
#include "program/session/clsController.h"
#include "program/windows/MesgBox.h"
#include "program/windows/SkinControls.h"
#include "program/windows/SkinFonts.h"
#include "program/windows/Twips.h"
#include "program/windows/clsRounder.h"
#include "program/windows/modGeneralWindows.h"
#include "ZQwinSrv/server/HttpFunctions.h"

Q_LOGGING_CATEGORY(lcLogin, "restore.ui.login")

namespace OrvaneMac {
namespace {

const QString kOwner = QStringLiteral("Login");
const QString kEmailScript = QStringLiteral("/cgi-bin/orvanee_get_email_user.cgi?");
const QString kEmailRetryScript = QStringLiteral("/cgi-bin/get_email_user?");
const QString kFirewallSentence = QStringLiteral(
    "Login may also fail if firewall settings do not allow necessary privileges for the application to run. If you "
    "are behind a proxy server, make sure to set the proxy server settings under 'Settings'.");
// The outgoing mail server written as the profile's default.
const QString kDefaultOutgoingServer = QStringLiteral("smtp.orvane.example");

template <typename F>
void Skip(F&& step) {
  try {
    step();
  } catch (const std::exception& e) {
    qCDebug(lcLogin) << "skipped:" << e.what();
  }
}

void ShowText(const QString& text, long icon) { (void)win::MessageBox(text, icon, win::MB_STYLE_OK, Program().AppTitle); }

// Message 502 with the message box's sign-up link shown.
void ShowNoUserName() {
  Skip([] { MesgBox::Instance().UniHyperLink1()->setVisible(true); });
  ShowText(modReg::GetMessageText(502), win::MB_ICON_ERROR);
  Skip([] {
    if (MesgBox::Instance().IsLoaded()) MesgBox::Instance().UniHyperLink1()->setVisible(false);
  });
}

int BoxValue(const QCheckBox* box) { return box && box->isChecked() ? 1 : 0; }

// The sign-in window's user-name box, trimmed, for the session opening.
QString TypedUserName() {
  Login& login = Login::Instance();
  return login.IsLoaded() ? vb::Trim(login.txtUserName()->text()) : QString();
}

// The sign-in window's password box, trimmed, for the session opening.
QString TypedPassword() {
  Login& login = Login::Instance();
  return login.IsLoaded() ? vb::Trim(login.txtPassword()->text()) : QString();
}

OrvaneSrv::HttpFunctions& WindowHttpFunctions() {
  static auto* http = new OrvaneSrv::HttpFunctions;
  return *http;
}

QString WebPage(const QString& path) {
  return QStringLiteral("https://") + CurrentSignInHosts().webHost + path;
}

}  // namespace

Login& Login::Instance() {
  static Login* form = new Login;
  return *form;
}

Login::Login() : Form(QStringLiteral("Login")) {
  (void)modGeneral::SetTypedNameSource(&TypedUserName);
  (void)modGeneral::SetTypedPasswordSource(&TypedPassword);
}

Login::Controls& Login::C() {
  Load();
  return c_;
}

Label* Login::lblCapbar() { return C().lblCapbar; }
Label* Login::lblUsername() { return C().lblUsername; }
TextBoxEx* Login::txtUserName() { return C().txtUserName; }
Label* Login::lblPassword() { return C().lblPassword; }
TextBoxEx* Login::txtPassword() { return C().txtPassword; }
QCheckBox* Login::chk_ssllogin() { return C().chk_ssllogin; }
QCheckBox* Login::ChkRemPasswd() { return C().ChkRemPasswd; }
PictureBox* Login::cmdOK() { return C().cmdOK; }
Label* Login::lbl_cmdOK() { return C().lbl_cmdOK; }
PictureBox* Login::cmdCancel() { return C().cmdCancel; }
Label* Login::lbl_cmdCancel() { return C().lbl_cmdCancel; }
PictureBox* Login::Setting() { return C().Setting; }
Label* Login::lbl_Setting() { return C().lbl_Setting; }
Label* Login::Image1() { return C().Image1; }
Label* Login::Image2() { return C().Image2; }
Label* Login::Image3() { return C().Image3; }
Label* Login::lblLink() { return C().lblLink; }
Animation* Login::Animation1() { return C().Animation1; }
PictureBox* Login::picbkgrd() { return C().picbkgrd; }

void Login::CreateControls(FormWindow* w) {
  Controls& c = c_;
  w->SetBackColor(0xFFFFFF);
  Twips::SetPlace(w, 0, 0, 7215, 4785);

  c.picbkgrd = new PictureBox(w);
  c.picbkgrd->setObjectName(QStringLiteral("picbkgrd"));
  c.picbkgrd->SetAutoSize(true);
  c.picbkgrd->hide();

  c.lblCapbar = new Label(w);
  c.lblCapbar->setObjectName(QStringLiteral("lblCapbar"));
  Twips::SetPlace(c.lblCapbar, 0, 0, 7185, 855);
  DragWindowWith(c.lblCapbar);

  const QFont tahoma = SkinFont(QStringLiteral("Tahoma"), 8.25);
  auto label = [&](const char* name, double l, double t, double wd, double h, const QString& caption) {
    auto* lb = new Label(w, caption);
    lb->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(lb, l, t, wd, h);
    lb->setFont(tahoma);
    return lb;
  };
  c.lblUsername = label("lblUsername", 1080, 1440, 2055, 255, QStringLiteral("Username/Email address"));
  c.lblPassword = label("lblPassword", 2120, 1920, 975, 255, QStringLiteral("Password"));

  auto field = [&](const char* name, double top, const QString& tip) {
    auto* t = new TextBoxEx(w);
    t->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(t, 2910, top, 3705, 300);
    t->setFont(tahoma);
    t->setToolTip(tip);
    return t;
  };
  c.txtUserName = field("txtUserName", 1425, QStringLiteral("Enter the Username/Email address"));
  c.txtPassword = field("txtPassword", 1905, QStringLiteral("Enter the password"));
  c.txtPassword->setEchoMode(QLineEdit::Password);
  QWidget::setTabOrder(c.txtUserName, c.txtPassword);
  QObject::connect(c.txtPassword, &TextBoxEx::GotFocus, w, [this] {
    // The whole password is selected, so typing replaces it.
    if (c_.txtPassword) c_.txtPassword->selectAll();
  });

  auto check = [&](const char* name, double top, double width, const QString& caption) {
    auto* b = new QCheckBox(caption, w);
    b->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(b, 2910, top, width, 315);
    b->setFont(tahoma);
    b->setChecked(true);
    return b;
  };
  c.chk_ssllogin = check("chk_ssllogin", 2520, 1995, QStringLiteral("SSL Encryption"));
  c.ChkRemPasswd = check("ChkRemPasswd", 2850, 4035, QStringLiteral("Remember Username/Email address and Password"));
  QObject::connect(c.ChkRemPasswd, &QCheckBox::clicked, w,
                   [this] { savepassword = c_.ChkRemPasswd && c_.ChkRemPasswd->isChecked(); });

  auto face = [&](const char* name, const char* labelName, double left, const QString& caption, const QString& tip,
                  PictureBox*& box, Label*& lb) {
    box = new PictureBox(w);
    box->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(box, left, 3450, 1095, 345);
    box->SetPressedLook(true);
    box->setToolTip(tip);
    lb = new Label(box, caption);
    lb->setObjectName(QString::fromLatin1(labelName));
    Twips::SetPlace(lb, 60, 45, 990, 255);
    lb->setFont(SkinFont(QStringLiteral("Arial"), 9, true));
    lb->SetAlignment(Label::Alignment::Center);
    lb->setToolTip(tip);
  };
  face("cmdCancel", "lbl_cmdCancel", 2910, QStringLiteral("&Cancel"), QStringLiteral("Cancel"), c.cmdCancel,
       c.lbl_cmdCancel);
  face("cmdOK", "lbl_cmdOK", 4125, QStringLiteral("&Login"), QStringLiteral("Login"), c.cmdOK, c.lbl_cmdOK);
  face("Setting", "lbl_Setting", 5340, QStringLiteral("&Settings"),
       QStringLiteral("Modify proxy settings and Dial-up settings"), c.Setting, c.lbl_Setting);

  auto okUp = [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) { cmdOK_MouseUp(button); };
  QObject::connect(c.cmdOK, &Control::MouseUp, w, okUp);
  QObject::connect(c.lbl_cmdOK, &Control::MouseUp, w, okUp);
  QObject::connect(c.cmdOK, &Control::Click, w, [this] { cmdOK_Click(); });
  auto cancelUp = [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
    if (button == Qt::RightButton) return;
    cmdcancel_Click();
    bClickArmed = false;
  };
  QObject::connect(c.cmdCancel, &Control::MouseUp, w, cancelUp);
  QObject::connect(c.lbl_cmdCancel, &Control::MouseUp, w, cancelUp);
  auto settingUp = [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
    if (button == Qt::RightButton) return;
    Setting_Click();
    bClickArmed = false;
  };
  QObject::connect(c.Setting, &Control::MouseUp, w, settingUp);
  QObject::connect(c.lbl_Setting, &Control::MouseUp, w, settingUp);
  QObject::connect(c.lbl_cmdOK, &Control::MouseMove, w, [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) {
    Hover(0);
  });
  QObject::connect(c.lbl_cmdCancel, &Control::MouseMove, w,
                   [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) { Hover(1); });
  QObject::connect(c.lbl_Setting, &Control::MouseMove, w,
                   [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) { Hover(2); });

  // Hot spots over the link graphics of the background.
  auto spot = [&](const char* name, double left, double width, const QString& tip) {
    auto* lb = new Label(w);
    lb->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(lb, left, 3960, width, 360);
    lb->setToolTip(tip);
    lb->setCursor(HandCursor());
    return lb;
  };
  c.Image1 = spot("Image1", 690, 1620, QStringLiteral("Sign up"));
  c.Image2 = spot("Image2", 3075, 1650, QStringLiteral("Forgot Password?"));
  c.Image3 = spot("Image3", 5250, 1650, QStringLiteral("Upgrade Account"));
  QObject::connect(c.Image1, &Control::MouseUp, w, [this](Qt::MouseButton b, Qt::KeyboardModifiers, QPoint) {
    if (b == Qt::LeftButton) OpenSignUpPage();
  });
  QObject::connect(c.Image2, &Control::MouseUp, w, [this](Qt::MouseButton b, Qt::KeyboardModifiers, QPoint) {
    if (b != Qt::RightButton) OpenForgotPasswordPage();
  });
  QObject::connect(c.Image3, &Control::MouseUp, w, [this](Qt::MouseButton b, Qt::KeyboardModifiers, QPoint) {
    if (b != Qt::RightButton) OpenUpgradePage();
  });
  // An inert hot spot: disabled, it receives no mouse events.
  c.lblLink = spot("lblLink", 990, 945, QString());
  Twips::SetPlace(c.lblLink, 990, 4050, 945, 225);
  c.lblLink->setEnabled(false);

  c.Animation1 = new Animation(w);
  c.Animation1->setObjectName(QStringLiteral("Animation1"));
  Twips::SetPlace(c.Animation1, 1215, 2265, 720, 720);
  c.Animation1->hide();
}

void Login::ForgetControls() { c_ = Controls{}; }

void Login::Hover(int which) {
  modGeneral::SetButtonState(c_.cmdOK, which == 0 ? 1 : 0, c_.lbl_cmdOK);
  modGeneral::SetButtonState(c_.cmdCancel, which == 1 ? 1 : 0, c_.lbl_cmdCancel);
  modGeneral::SetButtonState(c_.Setting, which == 2 ? 1 : 0, c_.lbl_Setting);
}

void Login::Form_Load() {
  Controls& c = c_;
  FormWindow* w = Window();
  Skip([&] {
    const QPixmap background = LoginImageList1Mac().Picture(QStringLiteral("zq_login"));
    if (c.picbkgrd->PictureHandle() != background.cacheKey()) c.picbkgrd->SetPicture(background);
    c.picbkgrd->hide();
  });
  Skip([&] {
    modGeneral::SetButtonState(c.cmdOK, 0, c.lbl_cmdOK);
    modGeneral::SetButtonState(c.cmdCancel, 0, c.lbl_cmdCancel);
    modGeneral::SetButtonState(c.Setting, 0, c.lbl_Setting);
  });
  Skip([&] {
    w->Cls();
    SetHeight(Twips::Height(c.picbkgrd));
    SetWidth(Twips::Width(c.picbkgrd) + (ScreenDpi() > 96 ? 15 : 8));
    w->PaintPicture(LoginImageList1Mac().Picture(QStringLiteral("zq_login")), 0, 0);
  });
  bClickArmed = true;
  signedInUnload_ = false;
  Skip([&] {
    c.cmdCancel->setEnabled(true);
    modGeneral::SetButtonState(c.cmdCancel, 0, c.lbl_cmdCancel);
  });
  Program().LoginCancelRequested = false;
  w->unsetCursor();
  ReadIni();

  Transfer& t = gTransfer();
  Skip([&] {
    if (t.Trf_ReadUserProfile(QStringLiteral("TempFolder"), false).isEmpty()) {
      t.Trf_WriteUserProfile(QStringLiteral("TempFolder"), QString(), false);
    }
  });
  Skip([&] {
    if (t.Trf_ReadUserProfile(QStringLiteral("outgoingserver"), false).isEmpty()) {
      t.Trf_WriteUserProfile(QStringLiteral("outgoingserver"), kDefaultOutgoingServer, false);
    }
  });
  Skip([&] {
    const QString notify = t.Trf_ReadUserProfile(QStringLiteral("desktopnotify"), false);
    if (notify.isEmpty() || notify == u"False") {
      t.Trf_WriteUserProfile(QStringLiteral("desktopnotify"), QStringLiteral("0"), false);
    }
  });
  ResizecontrolDPI();
  Skip([&] {
    clsRounder rounder;
    rounder.RoundedBorder(*this);
  });
  Program().SkipActivateRepaint = true;
  ShowTitleBar(false);
  CentreWindow(true);
}

void Login::ReadIni() {
  Controls& c = c_;
  Transfer& t = gTransfer();
  Skip([&] {
    const QString status = t.Trf_ReadUserProfile(QStringLiteral("StatusKey"), false);
    if (status.isEmpty()) {
      c.ChkRemPasswd->setChecked(true);
      return;
    }
    bool ok = false;
    const int value = vb::Trim(status).toInt(&ok);
    // A value that is no number leaves the box as designed (checked).
    if (ok) c.ChkRemPasswd->setChecked(value == 1);
    if (c.ChkRemPasswd->isChecked()) {
      c.txtUserName->setText(vb::Trim(t.Trf_ReadUserProfile(QStringLiteral("UserName_View"), false)));
      c.txtPassword->setText(vb::Trim(t.Trf_ReadUserProfile(c.txtUserName->text(), true)));
    } else {
      c.txtUserName->clear();
      c.txtPassword->clear();
      c.ChkRemPasswd->setChecked(false);
    }
  });
  Skip([&] {
    const QString ssl = t.Trf_ReadUserProfile(QStringLiteral("SSLKey"), false);
    if (ssl.isEmpty()) {
      c.chk_ssllogin->setChecked(true);
      return;
    }
    bool ok = false;
    const int value = vb::Trim(ssl).toInt(&ok);
    if (ok) c.chk_ssllogin->setChecked(value == 1);
  });
  Skip([&] {
    (void)c.Animation1->Open(win::ProgramFolder() + QStringLiteral("\\images\\ConnectionMac.avi"));
    c.Animation1->hide();
  });
}

void Login::ShowTitleBar(bool show) {
  FormWindow* w = Window();
  // The window has no frame to switch; the caption is what the task bar
  // shows.
  if (show) {
    w->setWindowTitle(savedCaption_);
  } else {
    savedCaption_ = w->windowTitle();
    w->setWindowTitle(QStringLiteral("Orvane for Mac - Windows Restore"));
  }
}

void Login::ResizecontrolDPI() {
  const double dpi = ScreenDpi();
  if (dpi <= 96) return;
  const double r = dpi / 96;
  FormWindow* w = Window();
  Controls& c = c_;
  SetWidth(Width() / r);
  SetHeight(Height() / r);
  ShrinkControlsForDpi(w, {QStringLiteral("animation1"), QStringLiteral("picbkgrd")});
  SetWidth(Width() + 1215);
  SetHeight(Height() + 800);
  Twips::SetHeight(c.chk_ssllogin, Twips::Height(c.chk_ssllogin) - 50);
  Twips::SetHeight(c.ChkRemPasswd, Twips::Height(c.ChkRemPasswd) - 50);
  Twips::SetPlace(c.lblUsername, 500, Twips::Top(c.lblUsername), 1825, 225);
  Twips::SetLeft(c.lblPassword, 1575);
  Twips::SetWidth(c.ChkRemPasswd, 3000);
  Twips::SetHeight(c.ChkRemPasswd, 400);
  Twips::SetLeft(c.chk_ssllogin, Twips::Left(c.txtPassword));
  Twips::SetLeft(c.ChkRemPasswd, Twips::Left(c.txtPassword));
}

void Login::Form_Unload() {
  if (signedInUnload_ || MainWindowVisible()) return;
  // Closed through the system before the main window is up.
  Program().Disconnected = true;
  modGeneral::EndProgram();
}

void Login::Form_MouseMove(Qt::MouseButtons, QPoint) {
  Skip([&] {
    modGeneral::SetButtonState(c_.cmdOK, 0, c_.lbl_cmdOK);
    modGeneral::SetButtonState(c_.cmdCancel, 0, c_.lbl_cmdCancel);
    modGeneral::SetButtonState(c_.Setting, 0, c_.lbl_Setting);
  });
}

bool Login::Form_KeyDown(int key, Qt::KeyboardModifiers) {
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    // Taken here, so the focused control does not start a second sign-in.
    bClickArmed = false;
    LoginUser();
    return true;
  }
  if (key == Qt::Key_Escape) {
    cmdcancel_Click();
    bClickArmed = false;
    return true;
  }
  return false;
}

bool Login::Form_KeyUp(int key, Qt::KeyboardModifiers shift) {
  if (!AltOnly(shift)) return false;
  switch (key) {
    case Qt::Key_L:
      bClickArmed = false;
      LoginUser();
      return true;
    case Qt::Key_C:
      cmdcancel_Click();
      bClickArmed = false;
      return true;
    case Qt::Key_S:
      Setting_Click();
      bClickArmed = false;
      return true;
    default:
      return false;
  }
}

void Login::cmdOK_MouseUp(Qt::MouseButton button) {
  bClickArmed = false;
  if (button != Qt::RightButton) LoginUser();
}

void Login::cmdOK_Click() {
  if (bClickArmed) {
    LoginUser();
  } else {
    bClickArmed = true;
  }
}

void Login::cmdcancel_Click() {
  ProgramState& p = Program();
  p.LoginCancelRequested = true;
  if (p.LoginCount == 0) {
    p.Disconnected = true;
    modGeneral::EndProgram();
    return;
  }
  p.Disconnected = true;
  vb::OnErrorGoTo([&] { Unload(); },
                  [](const vb::ErrorInfo& e) { TraceError(e, QStringLiteral("cmdcancel_Click"), vb::OwnerKind::Form, kOwner); });
}

void Login::Setting_Click() {
  vb::OnErrorGoTo(
      [&] {
        Proxysetting::Instance().ShowModal();
        if (IsLoaded()) c_.txtUserName->setFocus(Qt::OtherFocusReason);
      },
      [](const vb::ErrorInfo& e) { TraceError(e, QStringLiteral("Setting_Click"), vb::OwnerKind::Form, kOwner); });
}

void Login::OpenSignUpPage() {
  gTransfer().Trf_ViewFile(Window(), WebPage(QStringLiteral("/orvanee/jsp/ove_freesignup.jsp?type=M")));
}

void Login::OpenForgotPasswordPage() {
  gTransfer().Trf_ViewFile(Window(), WebPage(QStringLiteral("/ove_forgotpass.htm")));
}

void Login::OpenUpgradePage() {
  const QString user = vb::Trim(txtUserName()->text());
  if (user.isEmpty()) {
    ShowNoUserName();
    return;
  }
  gTransfer().Trf_ViewFile(Window(), WebPage(QStringLiteral("/orvanee/jsp/OVEUpgradeApp.jsp?username=") +
                                             modGeneral::URLEncode(user, 0) + QStringLiteral("&quota=2048")));
}

void Login::BusyState() {
  Controls& c = C();
  c.Animation1->show();
  c.Animation1->Play();
  c.Setting->setEnabled(false);
  modGeneral::SetButtonState(c.Setting, 2, c.lbl_Setting);
  modGeneral::SetButtonState(c.cmdOK, 2, c.lbl_cmdOK);
  Window()->setEnabled(false);
  Window()->setCursor(Qt::WaitCursor);
}

void Login::ReadyState(bool withFocus) {
  if (!IsLoaded()) return;
  Controls& c = c_;
  c.Animation1->Stop();
  c.Animation1->hide();
  c.cmdCancel->setEnabled(true);
  modGeneral::SetButtonState(c.cmdCancel, 0, c.lbl_cmdCancel);
  c.Setting->setEnabled(true);
  modGeneral::SetButtonState(c.Setting, 0, c.lbl_Setting);
  modGeneral::SetButtonState(c.cmdOK, 0, c.lbl_cmdOK);
  Window()->setEnabled(true);
  Window()->unsetCursor();
  if (withFocus) c.txtUserName->setFocus(Qt::OtherFocusReason);
}

void Login::LoginUser() {
  // The window is disabled while a sign-in runs; a trigger that still
  // arrives (a queued key or click) starts no second one.
  static bool running = false;
  if (running) return;
  running = true;
  try {
    SignInRoad();
  } catch (...) {
    // The error road.
    const vb::ErrorInfo e = vb::ErrorInfo::FromCurrentException();
    ShowText(modReg::GetMessageText(234), win::MB_ICON_WARNING);
    WriteTrace(QStringLiteral("Error in Login, Reason: ") + QString::number(e.number) + QStringLiteral("  ") +
               e.description);
    ReadyState(false);
  }
  running = false;
}

void Login::SignInRoad() {
  ProgramState& p = Program();
  BusyState();
  if (!modGeneral::CheckLoginData()) {
    ReadyState(false);
    return;
  }
  Controls& c = c_;
  const QString typed = vb::Trim(c.txtUserName->text());
  QString accountName = typed;

  if (typed.contains(u'@')) {
    const QString address = typed.toLower();
    if (!modGeneral::IsValidEmail(address)) {
      c.Animation1->Stop();
      c.Animation1->hide();
      ShowText(modReg::GetMessageText(230), win::MB_ICON_INFORMATION);
      ReadyState(true);
      return;
    }
    const SignInHosts hosts = CurrentSignInHosts();
    p.LastEngineError.clear();
    const QString reply =
        modGeneral::PostLookup(WindowHttpFunctions(), hosts.webHost, kEmailScript,
                               QStringLiteral("email=") + modGeneral::URLEncode(address, 0), hosts.lookupHost,
                               kEmailRetryScript);
    if (reply.contains(QStringLiteral("Unauthorized")) || reply.isEmpty()) {
      // The reason the engine gives for this lookup, not an earlier one.
      QString reason;
      Skip([&] { (void)clsController::Instance().GetErrorString(); });
      reason = modGeneral::dav_geterrorstring();
      ShowText(modReg::GetMessageText(510) + reason + QStringLiteral("\r\n\r\n") +
               kFirewallSentence,
           win::MB_ICON_WARNING);
      ReadyState(true);
      return;
    }
    const QString names = vb::Trim(WithoutLineBreaks(reply));
    p.ShownAccountName = names;
    const QStringList list = names.split(u' ');
    if (names.isEmpty() || names == u"Not found") {
      c.Animation1->Stop();
      c.Animation1->hide();
      ShowText(modReg::GetMessageText(227), win::MB_ICON_WARNING);
      ReadyState(true);
      return;
    }
    if (list.size() > 1) {
      c.Animation1->hide();
      frmSelectUserName& chooser = frmSelectUserName::Instance();
      chooser.strUserNames = names;
      chooser.ShowModal();
      vb::DoEvents();
      const QString chosen = chooser.strUserNames;
      if (!IsLoaded()) return;
      c.Animation1->show();
      if (chosen.isEmpty()) {
        c.Animation1->Stop();
        c.Animation1->hide();
        vb::DoEvents();
        ReadyState(true);
        return;
      }
      c.txtUserName->setText(chosen);
      vb::DoEvents();
      accountName = chosen;
    } else {
      c.Animation1->hide();
      vb::DoEvents();
      accountName = list.first();
      c.Animation1->show();
    }
  }

  // The engine prepared for this program before the lookups of the
  // session opening.
  {
    const auto engine = std::dynamic_pointer_cast<OrvaneSrv::_clsController>(
        win::CreateObjectFromClassId(QString::fromLatin1(OrvaneSrv::kControllerClassId)));
    if (!engine) vb::Raise(13);
    engine->InitEngine(win::ProgramFolder(), 1, QString(), p.AppWord);
  }

  if (!modGeneral::StartLogin(vb::Trim(accountName), vb::Trim(c.txtPassword->text()),
                              static_cast<Integer>(BoxValue(c.chk_ssllogin)),
                              static_cast<Integer>(BoxValue(c.ChkRemPasswd)))) {
    ReadyState(false);
    return;
  }

  // The session is open: what follows never undoes it.
  vb::ResumeNext next;
  next([&] {
    modGeneral::WriteUserServerProfile(QStringLiteral("FirstLogin"), QStringLiteral("1"), vb::Trim(p.AccountName));
  });
  next([&] { modGeneral::WriteProfileToRegistry(QStringLiteral("CurrLogin"), vb::Trim(accountName)); });
  next([&] { ReadyState(false); });
  if (p.LoginCount == 1) {
    p.Disconnected = false;
    next([] { modGeneral::TrimLogFiles(); });
    next([] {
      if (gTransfer().Trf_ReadUserProfile(QStringLiteral("bkupmode"), false).isEmpty()) {
        gTransfer().Trf_WriteUserProfile(QStringLiteral("bkupmode"), QStringLiteral("0"), false);
      }
    });
  }
  next([] { ShowMainWindow(); });
  signedInUnload_ = true;
  next([&] { Unload(); });
  signedInUnload_ = false;
}

}  // namespace OrvaneMac

namespace OrvaneMac::modGeneral {

bool CheckLoginData() {
  return vb::OnErrorGoTo(
      [] {
        Login& login = Login::Instance();
        if (vb::Trim(login.txtUserName()->text()).isEmpty()) {
          ShowNoUserName();
          return false;
        }
        if (login.txtPassword()->text().isEmpty()) {
          ShowText(modReg::GetMessageText(503), win::MB_ICON_ERROR);
          return false;
        }
        return true;
      },
      [](const vb::ErrorInfo& e) {
        TraceError(e, QStringLiteral("CheckLoginData"), vb::OwnerKind::Module, QStringLiteral("modGeneral"));
        return false;
      });
}

}  // namespace OrvaneMac::modGeneral
