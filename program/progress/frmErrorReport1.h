#pragma once
// The feedback and error report window: the signed-in user writes a
// feedback or problem report (e-mail address, contact number, an optional
// trouble-ticket number and the message) and sends it to the service's
// support mailbox. Send validates the input, builds the report (the system
// report, the message, the log tails and locale details) and hands it to
// the mail route; the outcome shows in a label and the window stays open,
// idle again whatever happened, so the user may send again.

#include "program/windows/Form.h"

#include <QString>

#include <functional>

class QPlainTextEdit;

namespace OrvaneMac {

class Label;
class PictureBox;
class TextBoxEx;

// One mail of the feedback window, in the order the engine's mail routine
// takes its arguments.
struct FeedbackMail {
  QString emailid;   // the recipient: the service's support mailbox
  QString subject;
  QString content;
  QString sToEmail;  // the sender's address
  bool bFromMonitor = false;
};

// What the mail route answered.
struct FeedbackMailResult {
  bool sent = false;
  QString error;  // why it was not sent; "" when sent
};

// The route the feedback window sends through.
using FeedbackMailer = std::function<FeedbackMailResult(const FeedbackMail&)>;

// Installs the mail route; an empty one restores the default, the engine's
// mail script (HttpFunctions::SendEmail).
void SetFeedbackMailer(FeedbackMailer mailer);

class frmErrorReport1 : public Form {
 public:
  static frmErrorReport1& Instance();

  // Public members.
  // Empties the window's plain text boxes (the legacy ones outside the
  // visible area); the edit boxes keep their text.
  void ClearTextBoxesOnForm();
  // The system report: the part of the report before the message.
  QString GetSystemSettings();
  // Checks the address and the message; shows what is missing.
  bool ValidateLogMail();
  void ResizecontrolDPI();

  // Commands.
  void cmdSend_Click();
  void cmdExit_Click();

  // Controls (touching one loads the window hidden).
  Label* lblCapbar();
  Label* lblTitle();
  PictureBox* imgTitleinfo();
  Label* typelbl();
  TextBoxEx* txtFromName();
  TextBoxEx* txtFrom();
  TextBoxEx* txtContactNumber();
  TextBoxEx* txtTo();
  Label* Label3();
  TextBoxEx* txtTroubleTicket();
  TextBoxEx* txtSubject();
  QPlainTextEdit* txtMsg();
  Label* lblProgress();
  PictureBox* cmdSend();
  Label* lbl_cmdSend();
  PictureBox* cmdExit();
  Label* lbl_cmdExit();

 protected:
  void CreateControls(FormWindow* window) override;
  void ForgetControls() override;
  void Form_Load() override;
  void Form_MouseMove(Qt::MouseButtons buttons, QPoint point) override;
  bool Form_KeyUp(int key, Qt::KeyboardModifiers shift) override;

 private:
  frmErrorReport1();
  struct Controls {
    Label* lblCapbar = nullptr;
    Label* lblTitle = nullptr;
    PictureBox* imgTitleinfo = nullptr;
    Label* typelbl = nullptr;
    Label* lblFromName = nullptr;
    TextBoxEx* txtFromName = nullptr;
    Label* lblFrom = nullptr;
    TextBoxEx* txtFrom = nullptr;
    Label* Label1 = nullptr;
    TextBoxEx* txtContactNumber = nullptr;
    Label* lblTo = nullptr;
    TextBoxEx* txtTo = nullptr;
    Label* Label3 = nullptr;
    TextBoxEx* txtTroubleTicket = nullptr;
    Label* lblSubject = nullptr;
    TextBoxEx* txtSubject = nullptr;
    Label* lblMsg = nullptr;
    QPlainTextEdit* txtMsg = nullptr;
    Label* lblProgress = nullptr;
    PictureBox* cmdSend = nullptr;
    Label* lbl_cmdSend = nullptr;
    PictureBox* cmdExit = nullptr;
    Label* lbl_cmdExit = nullptr;
  };
  Controls& C();
  void RetrieveSavedValues();
  void TroubleTicketChanged();
  void ReturnToIdle();

  Controls c_;
};

}  // namespace OrvaneMac
