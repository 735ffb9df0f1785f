#pragma once
// The program's about box: a small skinned window with rounded corners that
// shows the product title with the program's version, the release date and
// the file versions of the program and the engine library. It closes on its
// OK button, its Close label, Escape (in any shift state) or Alt+O. One
// process-wide instance; each show loads it afresh, so the version list is
// built again every time.
//
// The main window's About item opens it with ShowAboutBox().

#include "program/windows/Form.h"

#include <QString>

namespace OrvaneMac {

class Label;
class PictureBox;

class AboutZQWIN : public Form {
 public:
  static AboutZQWIN& Instance();

  // Loads the box, centres it over the program's active window and shows it
  // modally; returns when it has closed.
  void ShowAbout();

  // The version text of a file ("major.minor.build.revision", each part a
  // signed 16-bit number), or "N/A" when it has no version information.
  [[nodiscard]] QString GetVersionInfo(const QString& file);

  // The file the about box asks for the program's version: the restore
  // program is installed under this name too.
  [[nodiscard]] static QString RestoreProgramFile();

  // Puts the version list on the clipboard as plain text (no control
  // raises it).
  void cmdCopy_Click();

  // Controls (touching one loads the window hidden).
  PictureBox* imgLogo();
  Label* lblCapbar();
  Label* LblAppCaption();
  Label* Label1();
  Label* Label2();
  Label* Label3();
  Label* Label4();
  Label* lblshortclose();
  Label* txtVersionList();
  Label* txtVersionList12();
  PictureBox* lblcopy();
  Label* lbl_lblcopy();

 protected:
  void CreateControls(FormWindow* window) override;
  void ForgetControls() override;
  void Form_Load() override;
  void Form_MouseMove(Qt::MouseButtons buttons, QPoint point) override;
  bool Form_KeyUp(int key, Qt::KeyboardModifiers shift) override;

 private:
  AboutZQWIN();
  struct Controls {
    PictureBox* imgLogo = nullptr;
    Label* lblCapbar = nullptr;
    Label* LblAppCaption = nullptr;
    Label* Label1 = nullptr;
    Label* Label2 = nullptr;
    Label* Label3 = nullptr;
    Label* Label4 = nullptr;
    Label* lblshortclose = nullptr;
    Label* txtVersionList = nullptr;
    Label* txtVersionList12 = nullptr;
    PictureBox* lblcopy = nullptr;
    Label* lbl_lblcopy = nullptr;
  };
  Controls& C();
  void DisplayVersion(const QString& file);
  void ApplyDpiScale();

  Controls c_;
};

// Opens the about box as the main window's About item does: the hourglass
// pointer and the system's start sound, the box shown modally, then the
// normal pointer again.
void ShowAboutBox();

}  // namespace OrvaneMac
