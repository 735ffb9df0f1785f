#pragma once
// The program's text-entry box: a skinned, rounded window with a heading,
// a prompt and a one-line entry field. Its one button (captioned "Close")
// accepts the entry, as do Enter and Alt+C on their release; the close
// areas at the top right cancel. The answer is left in InputBoxAnswer:
// the entry's text, untrimmed, or empty when the user cancelled or entered
// nothing.

#include "program/windows/Form.h"

#include <QString>

namespace OrvaneMac {

class Label;
class PictureBox;
class TextBoxEx;

class FrmInputBox : public Form {
 public:
  static FrmInputBox& Instance();

  // Loads the window with the prompt, the heading and the initial text,
  // shows it modally and returns when it has closed. `icon`, `style` and
  // `title` have no effect; the answer is in InputBoxAnswer.
  void ShowInputMessage(const QString& prompt, const QString& heading, const QString& initialText, long icon,
                        long style, const QString& title);
  // Hands back the entry (when not empty) and unloads.
  void AcceptInput();
  // Hands back nothing and unloads.
  void CloseInput();

  // Controls (touching one loads the window hidden).
  Label* lblCapbar();
  Label* lblTitle();
  Label* lblClose();
  Label* MsgClose();
  PictureBox* PicClose();
  Label* lblMulMes();
  TextBoxEx* txtbksetname();
  PictureBox* OK();
  Label* lbl_OK();
  PictureBox* Cancel();
  Label* lbl_Cancel();

 protected:
  void CreateControls(FormWindow* window) override;
  void ForgetControls() override;
  void Form_Load() override;
  void Form_Unload() override;
  bool Form_KeyUp(int key, Qt::KeyboardModifiers shift) override;

 private:
  FrmInputBox();
  struct Controls {
    Label* lblCapbar = nullptr;
    Label* lblTitle = nullptr;
    Label* lblClose = nullptr;
    Label* MsgClose = nullptr;
    PictureBox* PicClose = nullptr;
    Label* lblMulMes = nullptr;
    TextBoxEx* txtbksetname = nullptr;
    PictureBox* OK = nullptr;
    Label* lbl_OK = nullptr;
    PictureBox* Cancel = nullptr;
    Label* lbl_Cancel = nullptr;
  };
  Controls& C();
  void ApplyDpiScale();

  Controls c_;
};

}  // namespace OrvaneMac
