#include "program/progress/frmErrorReport1.h"

#include "ZQwinSrv/server/HttpFunctions.h"

#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "ZQwinSrv/foundation/Util.h"
#include "program/foundation/Options.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/modReg.h"
#include "program/progress/ErrorReport.h"
#include "program/progress/ProgressImages.h"
#include "program/progress/ProgressMessages.h"
#include "program/windows/SkinControls.h"
#include "program/windows/SkinFonts.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"
#include "program/windows/clsRounder.h"
#include "program/windows/modGeneralWindows.h"
#include "platform/errors/RuntimeError.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>

namespace OrvaneMac {
namespace {

const QString kForm = QStringLiteral("frmErrorReport1");
const QString kDefaultSubject = QStringLiteral("Orvane for Mac - Windows Restore user feedback");
const QString kTicketSubject = QStringLiteral("Orvane for Mac - Windows Restore Ticket : ");
const QString kTicketCaption = QStringLiteral("               Trouble Ticket No  (If created already)");

FeedbackMailer& Mailer() {
  static FeedbackMailer mailer;
  return mailer;
}

// The engine's mail script, on the signed-in session.
FeedbackMailResult EngineMailRoute(const FeedbackMail& mail) {
  OrvaneSrv::HttpFunctions http;
  const bool sent = http.SendEmail(mail.emailid, mail.subject, mail.content, mail.sToEmail, mail.bFromMonitor);
  return {sent, sent ? QString() : QStringLiteral("The mail script could not be reached.")};
}

void TraceFormError(const vb::ErrorInfo& err, const QString& procedure) {
  TraceError(err, procedure, vb::OwnerKind::Form, kForm);
}

OrvaneSrv::Util& SharedUtil() {
  static OrvaneSrv::Util util;
  return util;
}

}  // namespace

void SetFeedbackMailer(FeedbackMailer mailer) { Mailer() = std::move(mailer); }

frmErrorReport1::frmErrorReport1() : Form(QStringLiteral("frmErrorReport1")) {}

frmErrorReport1& frmErrorReport1::Instance() {
  static frmErrorReport1* instance = new frmErrorReport1;
  return *instance;
}

frmErrorReport1::Controls& frmErrorReport1::C() {
  Load();
  return c_;
}

Label* frmErrorReport1::lblCapbar() { return C().lblCapbar; }
Label* frmErrorReport1::lblTitle() { return C().lblTitle; }
PictureBox* frmErrorReport1::imgTitleinfo() { return C().imgTitleinfo; }
Label* frmErrorReport1::typelbl() { return C().typelbl; }
TextBoxEx* frmErrorReport1::txtFromName() { return C().txtFromName; }
TextBoxEx* frmErrorReport1::txtFrom() { return C().txtFrom; }
TextBoxEx* frmErrorReport1::txtContactNumber() { return C().txtContactNumber; }
TextBoxEx* frmErrorReport1::txtTo() { return C().txtTo; }
Label* frmErrorReport1::Label3() { return C().Label3; }
TextBoxEx* frmErrorReport1::txtTroubleTicket() { return C().txtTroubleTicket; }
TextBoxEx* frmErrorReport1::txtSubject() { return C().txtSubject; }
QPlainTextEdit* frmErrorReport1::txtMsg() { return C().txtMsg; }
Label* frmErrorReport1::lblProgress() { return C().lblProgress; }
PictureBox* frmErrorReport1::cmdSend() { return C().cmdSend; }
Label* frmErrorReport1::lbl_cmdSend() { return C().lbl_cmdSend; }
PictureBox* frmErrorReport1::cmdExit() { return C().cmdExit; }
Label* frmErrorReport1::lbl_cmdExit() { return C().lbl_cmdExit; }

void frmErrorReport1::CreateControls(FormWindow* w) {
  Controls& c = c_;
  w->SetBackColor(0xFFFFFF);
  Twips::SetPlace(w, 0, 0, 8640, 6300);

  c.lblCapbar = new Label(w);
  c.lblCapbar->setObjectName(QStringLiteral("lblCapbar"));
  Twips::SetPlace(c.lblCapbar, 45, 15, 8550, 480);
  DragWindowWith(c.lblCapbar);

  c.lblTitle = new Label(w, QStringLiteral("Report Feedback"));
  c.lblTitle->setObjectName(QStringLiteral("lblTitle"));
  c.lblTitle->setFont(SkinFont(QStringLiteral("Arial"), 9, true));
  Twips::SetPlace(c.lblTitle, 195, 60, 3000, 300);
  c.lblTitle->setAttribute(Qt::WA_TransparentForMouseEvents);

  c.imgTitleinfo = new PictureBox(w);
  c.imgTitleinfo->setObjectName(QStringLiteral("imgTitleinfo"));
  Twips::SetPlace(c.imgTitleinfo, 345, 540, 870, 735);

  c.typelbl = new Label(w, QStringLiteral("Send your feedback to Orvane technical support team"));
  c.typelbl->setObjectName(QStringLiteral("typelbl"));
  Twips::SetPlace(c.typelbl, 1500, 750, 7035, 270);
  c.typelbl->setFont(SkinFont(QStringLiteral("Arial"), 9, true));

  const QFont labelFont = SkinFont(QStringLiteral("Arial"), 8.25);
  const QFont boxFont = SkinFont(QStringLiteral("Tahoma"), 8.25);
  auto row = [&](const char* labelName, const QString& caption, const char* boxName, double top, double height,
                 Label*& label, TextBoxEx*& box) {
    label = new Label(w, caption);
    label->setObjectName(QString::fromLatin1(labelName));
    Twips::SetPlace(label, 240, top + 45, 2055, 255);
    label->SetAlignment(Label::Alignment::Right);
    label->setFont(labelFont);
    box = new TextBoxEx(w);
    box->setObjectName(QString::fromLatin1(boxName));
    Twips::SetPlace(box, 2415, top, 5595, height);
    box->setFont(boxFont);
  };
  row("lblFromName", QStringLiteral("Orvane Username"), "txtFromName", 1815, 300, c.lblFromName, c.txtFromName);
  c.txtFromName->setReadOnly(true);
  c.txtFromName->setToolTip(QStringLiteral("Orvane username"));
  row("lblFrom", QStringLiteral("Email address"), "txtFrom", 2235, 285, c.lblFrom, c.txtFrom);
  c.txtFrom->setToolTip(QStringLiteral("Orvane Email address"));
  row("Label1", QStringLiteral("Contact No"), "txtContactNumber", 2655, 285, c.Label1, c.txtContactNumber);
  row("lblTo", QStringLiteral("To"), "txtTo", 3075, 285, c.lblTo, c.txtTo);
  c.txtTo->setReadOnly(true);
  c.txtTo->setText(QStringLiteral("Orvane support"));
  c.txtTo->setToolTip(QStringLiteral("Orvane support"));
  row("Label3", kTicketCaption, "txtTroubleTicket", 3495, 285, c.Label3, c.txtTroubleTicket);
  Twips::SetPlace(c.Label3, 240, 3435, 2100, 420);
  c.txtTroubleTicket->setToolTip(QStringLiteral("Trouble Ticket No"));
  QObject::connect(c.txtTroubleTicket, &QLineEdit::textChanged, w, [this] { TroubleTicketChanged(); });
  row("lblSubject", QStringLiteral("Subject"), "txtSubject", 3915, 285, c.lblSubject, c.txtSubject);
  c.txtSubject->setReadOnly(true);

  c.lblMsg = new Label(w, QStringLiteral("Message"));
  c.lblMsg->setObjectName(QStringLiteral("lblMsg"));
  Twips::SetPlace(c.lblMsg, 240, 4380, 2055, 255);
  c.lblMsg->SetAlignment(Label::Alignment::Right);
  c.lblMsg->setFont(labelFont);
  c.txtMsg = new QPlainTextEdit(w);
  c.txtMsg->setObjectName(QStringLiteral("txtMsg"));
  Twips::SetPlace(c.txtMsg, 2415, 4335, 5595, 1275);
  c.txtMsg->setFont(boxFont);
  c.txtMsg->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  c.txtMsg->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  c.txtMsg->setTabChangesFocus(true);

  c.lblProgress = new Label(w, QStringLiteral("Progress"));
  c.lblProgress->setObjectName(QStringLiteral("lblProgress"));
  Twips::SetPlace(c.lblProgress, 1320, 5670, 4140, 495);
  c.lblProgress->setFont(SkinFont(QStringLiteral("Arial"), 8.25, true));
  c.lblProgress->hide();

  auto face = [w](const char* name, double left, const QString& caption, const QString& tip, PictureBox*& box,
                  Label*& label) {
    box = new PictureBox(w);
    box->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(box, left, 5715, 1095, 345);
    box->setToolTip(tip);
    box->SetPressedLook(true);
    label = new Label(box, caption);
    label->setObjectName(QStringLiteral("lbl_") + QString::fromLatin1(name));
    Twips::SetPlace(label, 60, 45, 990, 255);
    label->setFont(SkinFont(QStringLiteral("Arial"), 9, true));
    label->SetAlignment(Label::Alignment::Center);
  };
  face("cmdSend", 5730, QStringLiteral("&Send"), QStringLiteral("Send"), c.cmdSend, c.lbl_cmdSend);
  face("cmdExit", 6930, QStringLiteral("&Close"), QStringLiteral("Close"), c.cmdExit, c.lbl_cmdExit);
  auto released = [w](Control* control, std::function<void()> command) {
    QObject::connect(control, &Control::MouseUp, w, [command](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
      if (button != Qt::RightButton) command();
    });
  };
  released(c.cmdSend, [this] { cmdSend_Click(); });
  released(c.lbl_cmdSend, [this] { cmdSend_Click(); });
  released(c.cmdExit, [this] { cmdExit_Click(); });
  released(c.lbl_cmdExit, [this] { cmdExit_Click(); });
  QObject::connect(c.lbl_cmdSend, &Control::MouseMove, w, [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) {
    modGeneral::SetButtonState(c_.cmdSend, modGeneral::kButtonHover, c_.lbl_cmdSend);
    modGeneral::SetButtonState(c_.cmdExit, modGeneral::kButtonNormal, c_.lbl_cmdExit);
  });
  QObject::connect(c.lbl_cmdExit, &Control::MouseMove, w, [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) {
    modGeneral::SetButtonState(c_.cmdExit, modGeneral::kButtonHover, c_.lbl_cmdExit);
    modGeneral::SetButtonState(c_.cmdSend, modGeneral::kButtonNormal, c_.lbl_cmdSend);
  });

  // Tab order of the edit boxes.
  QWidget::setTabOrder(c.txtFromName, c.txtFrom);
  QWidget::setTabOrder(c.txtFrom, c.txtContactNumber);
  QWidget::setTabOrder(c.txtContactNumber, c.txtTo);
  QWidget::setTabOrder(c.txtTo, c.txtTroubleTicket);
  QWidget::setTabOrder(c.txtTroubleTicket, c.txtSubject);
  QWidget::setTabOrder(c.txtSubject, c.txtMsg);
}

void frmErrorReport1::ForgetControls() { c_ = Controls{}; }

void frmErrorReport1::Form_Load() {
  Controls& c = c_;
  FormWindow* w = Window();
  AddProgressTitlePictures();
  vb::OnErrorGoTo(
      [&] {
        modReg::SetFormIcon(w);
        const QPixmap report = ImageList4Mac().Picture(QStringLiteral("zq_report"));
        if (c.imgTitleinfo->PictureHandle() != report.cacheKey()) c.imgTitleinfo->SetPicture(report);
        c.txtSubject->setText(kDefaultSubject);
        modGeneral::SetButtonState(c.cmdSend, modGeneral::kButtonNormal, c.lbl_cmdSend);
        modGeneral::SetButtonState(c.cmdExit, modGeneral::kButtonNormal, c.lbl_cmdExit);
        CentreWindow(true);
        c.lblProgress->SetCaption({});
        c.lblProgress->hide();
        w->update();
        RetrieveSavedValues();
        ResizecontrolDPI();
        clsRounder rounder;
        rounder.SetImagetoScreenSmall(*this);
        rounder.RoundedBorder(*this);
        Program().SkipActivateRepaint = true;
      },
      [](const vb::ErrorInfo& err) { TraceFormError(err, QStringLiteral("Form_Load")); });
  // The address box takes the focus when the window opens.
  QTimer::singleShot(0, c.txtFrom, [box = c.txtFrom] { box->setFocus(Qt::OtherFocusReason); });
}

void frmErrorReport1::RetrieveSavedValues() {
  vb::OnErrorGoTo([&] { C().txtFromName->setText(Program().TypedLoginName); },
                  [](const vb::ErrorInfo& err) { TraceFormError(err, QStringLiteral("RetrieveSavedValues")); });
}

void frmErrorReport1::ClearTextBoxesOnForm() {
  // The window's plain text boxes are the legacy ones outside its visible
  // area, which this window does not carry; the edit boxes keep their text.
}

void frmErrorReport1::ResizecontrolDPI() {
  vb::ResumeNext next;
  Controls& c = C();
  const double dpi = ScreenDpi();
  if (dpi <= 96) {
    next([&] { c.Label3->SetCaption(QStringLiteral("Trouble Ticket No\r\n (If created already)")); });
    return;
  }
  const double s = dpi / 96;
  next([&] {
    SetWidth(Width() / s);
    SetHeight(Height() / s);
  });
  next([&] { ShrinkControlsForDpi(Window()); });
  next([&] {
    c.Label3->setToolTip(kTicketCaption);
    c.Label3->SetCaption(QStringLiteral("Trouble Ticket No ..."));
  });
  next([&] {
    Twips::SetHeight(c.imgTitleinfo, Twips::Height(c.imgTitleinfo) + 100);
    Twips::SetWidth(c.imgTitleinfo, Twips::Width(c.imgTitleinfo) + 50);
  });
  next([&] { Twips::SetTop(c.cmdExit, Twips::Top(c.cmdSend)); });
}

bool frmErrorReport1::ValidateLogMail() {
  WriteTrace(QStringLiteral("Enter ValidateLogMail"));
  return vb::OnErrorGoTo(
      [&] {
        Controls& c = C();
        if (vb::Trim(c.txtFrom->text()).isEmpty()) {
          progress::ShowMessage(progress::kMsgEnterEmail);
          if (IsLoaded()) c_.txtFrom->setFocus();
          return false;
        }
        if (c.txtMsg->toPlainText().isEmpty()) {
          progress::ShowMessage(progress::kMsgEnterFeedback);
          if (IsLoaded()) c_.txtMsg->setFocus();
          return false;
        }
        if (!SharedUtil().ValidateMailid(c.txtFrom->text())) {
          progress::ZQwinError(105);
          if (IsLoaded()) c_.txtFrom->setFocus();
          return false;
        }
        WriteTrace(QStringLiteral("Exit ValidateLogMail"));
        return true;
      },
      [](const vb::ErrorInfo&) {
        WriteTrace(QStringLiteral("Error in Validatelogmail function of Error report screen"));
        return false;
      });
}

QString frmErrorReport1::GetSystemSettings() {
  Controls& c = C();
  return SystemReport({c.txtFrom->text(), c.txtContactNumber->text()});
}

void frmErrorReport1::cmdSend_Click() {
  if (!ValidateLogMail()) return;
  vb::OnErrorGoTo(
      [&] {
        Controls& c = C();
        c.cmdSend->setEnabled(false);
        modGeneral::SetButtonState(c.cmdSend, modGeneral::kButtonDisabled, c.lbl_cmdSend);
        Window()->setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // The message box of the text edit ends its lines with LF alone;
        // the report splits the message at line ends as typed.
        QString message = c.txtMsg->toPlainText();
        message.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        const QString messageText = ReportMessageText(message);
        QString report = GetSystemSettings() + QStringLiteral("\r\n") + messageText;
        vb::DoEvents();
        vb::DoEvents();
        if (!IsLoaded()) return;
        c.lblProgress->SetCaption({});
        c.lblProgress->show();
        c.lblProgress->SetCaption(QStringLiteral("Sending the feedback report ..."));
        c.lblProgress->repaint();
        report = modGeneral::BuildErrorReportLogs(report);
        FeedbackMail mail;
        mail.emailid = QString::fromUtf16(OrvaneSrv::kSupportMailAddress);
        mail.subject = vb::Trim(c.txtSubject->text());
        mail.content = report + QStringLiteral("\r\n\r\nRelease date : 07/09/2010");
        mail.sToEmail = vb::Trim(c.txtFrom->text());
        mail.bFromMonitor = false;
        const FeedbackMailer mailer = Mailer() ? Mailer() : FeedbackMailer(EngineMailRoute);
        const FeedbackMailResult result = mailer(mail);
        if (!result.sent && !result.error.isEmpty()) WriteTrace(QStringLiteral("Feedback not sent: ") + result.error);
        if (IsLoaded())
          c_.lblProgress->SetCaption(result.sent ? QStringLiteral("Feedback report has been sent successfully.")
                                                 : QStringLiteral("Failed to send the feedback report."));
      },
      [](const vb::ErrorInfo& err) { TraceFormError(err, QStringLiteral("cmdSend_Click")); });
  ReturnToIdle();
}

void frmErrorReport1::ReturnToIdle() {
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  if (!IsLoaded()) return;
  Window()->setEnabled(true);
  c_.cmdSend->setEnabled(true);
  modGeneral::SetButtonState(c_.cmdSend, modGeneral::kButtonNormal, c_.lbl_cmdSend);
}

void frmErrorReport1::TroubleTicketChanged() {
  vb::ResumeNext next;
  next([&] {
    const QString ticket = vb::Trim(c_.txtTroubleTicket->text());
    c_.txtSubject->setText(ticket.isEmpty() ? kDefaultSubject : kTicketSubject + ticket);
  });
}

void frmErrorReport1::cmdExit_Click() {
  vb::OnErrorGoTo([&] { Unload(); },
                  [](const vb::ErrorInfo& err) { TraceFormError(err, QStringLiteral("cmdExit_Click")); });
}

void frmErrorReport1::Form_MouseMove(Qt::MouseButtons, QPoint) {
  if (!IsLoaded()) return;
  const auto look = [](PictureBox* b) { return b->isEnabled() ? modGeneral::kButtonNormal : modGeneral::kButtonDisabled; };
  modGeneral::SetButtonState(c_.cmdSend, look(c_.cmdSend), c_.lbl_cmdSend);
  modGeneral::SetButtonState(c_.cmdExit, modGeneral::kButtonNormal, c_.lbl_cmdExit);
}

bool frmErrorReport1::Form_KeyUp(int key, Qt::KeyboardModifiers shift) {
  if (!AltOnly(shift)) return false;
  if (key == Qt::Key_S) {
    cmdSend_Click();
    return true;
  }
  if (key == Qt::Key_C) {
    cmdExit_Click();
    return true;
  }
  return false;
}

}  // namespace OrvaneMac
