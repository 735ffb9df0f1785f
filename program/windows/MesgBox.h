#pragma once
// The program's own message box: a skinned, rounded window with a caption
// bar (title and close box), one of four icons, the text and one to three
// skinned buttons, shown modally; it answers the code of the button
// pressed. The engine's messages show in the same window: the program
// installs it as the platform's message-box service.
//
// Styles: 0 OK; 1 OK, Cancel (Enter is Cancel); 2 Yes, No; 3 Ok, Cancel,
// Retry; 4 Ok, Cancel, Ignore. Icons: 0 information, 1 question, 2 error,
// 3 warning. Answers: OK 0, Cancel 2, Retry 4, Ignore 5, Yes 6, No 7.
//
// There is one instance for the run; each call loads the window, fills and
// shows it, and unloads it when the user answers, while the instance keeps
// its private fields (the access letters of the last style stay in force
// for a box of an unknown style).

#include "program/windows/Form.h"

#include <QString>

#include <array>
#include <cstdint>

namespace OrvaneMac {

class Container;
class HyperLink;
class Label;
class PictureBox;

class MesgBox : public Form {
 public:
  static MesgBox& Instance();

  // Shows the box and answers the code of the button pressed; answers 0
  // without showing anything when the box cannot be shown (an icon outside
  // 0 to 3).
  long MessageBox(const QString& text, long icon, long style, const QString& title);
  // The body of MessageBox; raises a run-time error for an unknown icon.
  long ShowMessage(const QString& text, long icon, long style, const QString& title);
  // Places the text (short texts in the one-line label, long ones in the
  // long label with leading line breaks by length), sizes the window and
  // rounds its corners.
  void SetMessage(const QString& text);
  // Sizes the window to its text label and lays out the buttons.
  void ResizeMsgbox();
  // Shows or hides button face `index` with `caption` (flag has no effect).
  void SetButton(int index, const QString& caption, bool visible, bool flag);
  // Answers the button `index` by its caption and unloads the window.
  void ButtonResult(int index);

  // Installs the box as the platform's message-box service.
  static void InstallAsMessageBoxService();

  // Controls (touching one loads the window hidden).
  PictureBox* Picture1();
  Label* AppCaption();
  Label* lblCapbar();
  PictureBox* MsgClose();
  PictureBox* Picture2();
  Label* lblText();
  Label* lblSmallText();
  PictureBox* picIcon(int index);
  Container* picBtnContainer();
  PictureBox* cmdButton(int index);
  Label* lbl_cmdButton(int index);
  HyperLink* UniHyperLink1();

  // The private fields, for inspection.
  [[nodiscard]] long ButtonResultCode() const { return buttonResultCode_; }
  [[nodiscard]] int ButtonCount() const { return buttonCount_; }
  [[nodiscard]] const QString& AccessLetters() const { return accessLetters_; }
  [[nodiscard]] const QString& DefaultLetter() const { return defaultLetter_; }
  [[nodiscard]] bool ShortTextShown() const { return shortTextShown_; }
  [[nodiscard]] bool HoverEnabled() const { return hoverEnabled_; }

  // The address the sign-up link opens.
  [[nodiscard]] static QString SignUpAddress();

 protected:
  void CreateControls(FormWindow* window) override;
  void ForgetControls() override;
  void Form_Load() override;
  void Form_Resize() override;
  void Form_MouseMove(Qt::MouseButtons buttons, QPoint point) override;
  bool Form_KeyDown(int key, Qt::KeyboardModifiers shift) override;
  bool Form_KeyUp(int key, Qt::KeyboardModifiers shift) override;

 private:
  MesgBox();
  struct Controls {
    PictureBox* Picture1 = nullptr;
    Label* AppCaption = nullptr;
    Label* lblCapbar = nullptr;
    PictureBox* MsgClose = nullptr;
    PictureBox* Picture2 = nullptr;
    Label* lblText = nullptr;
    Label* lblSmallText = nullptr;
    std::array<PictureBox*, 4> picIcon{};
    Container* picBtnContainer = nullptr;
    std::array<PictureBox*, 3> cmdButton{};
    std::array<Label*, 3> lbl_cmdButton{};
    HyperLink* UniHyperLink1 = nullptr;
  };
  Controls& C();
  void ApplyDpiScale();
  void cmdButton_MouseUp(int index, Qt::MouseButton button);
  void MsgClose_MouseUp(Qt::MouseButton button);
  void lbl_cmdButton_MouseMove(int index);
  void AllFacesNormal();
  // An access letter pressed with Alt (Enter stands for the default one).
  bool AccessLetter(QChar letter);

  Controls c_;
  long buttonResultCode_ = 0;
  int buttonCount_ = -1;
  QString accessLetters_;
  QString defaultLetter_;
  bool shortTextShown_ = false;
  bool hoverEnabled_ = false;
};

}  // namespace OrvaneMac
