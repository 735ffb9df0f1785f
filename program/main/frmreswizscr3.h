#pragma once
// The restore destination screen: the modal dialog in which the user picks
// the local folder or drive the checked remote items are restored into, and
// from which the restore starts. The main window's and the search window's
// restore commands fill Program().EnumRestoreItemSet first, then open it
// (ShowRestoreDestinationScreen, ShowRestoreDestinationScreenForSearch).
//
// The screen lists the computer as a column tree ("My Files" and "My
// Computer"), makes a folder or tells a folder's size from a small pop-up
// menu, checks the chosen destination, restores through the controller
// client and then offers to open the restore's session log. Opened from the
// search window, it returns the user there: Back and the end of a restore
// bring the search window back in front, Close closes it too.

#include <QString>

#include "program/foundation/ProgramState.h"
#include "program/windows/Form.h"

namespace OrvaneMac {

class Container;
class Label;
class PictureBox;
class TextBoxEx;
class TreeNode;
class UniTreeViewMC;

class frmreswizscr3 : public Form {
 public:
  static frmreswizscr3& Instance();

  // Commands.
  void wiz_res3_next_Click();    // Restore
  void wiz_res3_back_Click();    // Back
  void wiz_res3_cancel_Click();  // Close
  void mnucreatedir_Click();
  void mnuGetFolderSize_Click();

  struct Controls {
    Label* lblCapbar = nullptr;
    Label* lblTitle = nullptr;
    Label* Label3 = nullptr;
    PictureBox* imgTitleinfo = nullptr;
    PictureBox* picTitleinfo = nullptr;
    UniTreeViewMC* LocalTreeView = nullptr;
    Container* lhs_popupmenu = nullptr;
    Label* mnucreatedir = nullptr;
    Label* mnuGetFolderSize = nullptr;
    PictureBox* wiz_res3_back = nullptr;
    Label* lbl_wiz_res3_back = nullptr;
    PictureBox* wiz_res3_next = nullptr;
    Label* lbl_wiz_res3_next = nullptr;
    PictureBox* wiz_res3_cancel = nullptr;
    Label* lbl_wiz_res3_cancel = nullptr;
    Label* PicClose = nullptr;
    Label* PicHelp = nullptr;
    Label* lblWhereTo = nullptr;
    TextBoxEx* contentswhereto = nullptr;
    TextBoxEx* contentsmodhowto = nullptr;
    TextBoxEx* contentsziphowto = nullptr;
    TextBoxEx* mirrtxt = nullptr;
  };
  // The controls (touching them loads the screen hidden).
  Controls& C();
  // The drive list the tree's roots come from ("c:", "d:", ...).
  [[nodiscard]] const QStringList& Drive1() const { return drive1_; }

 protected:
  void CreateControls(FormWindow* window) override;
  void ForgetControls() override;
  void Form_Load() override;
  void Form_Unload() override;
  void Form_MouseMove(Qt::MouseButtons buttons, QPoint point) override;
  bool Form_KeyDown(int key, Qt::KeyboardModifiers shift) override;
  bool Form_KeyUp(int key, Qt::KeyboardModifiers shift) override;

 private:
  frmreswizscr3();
  void Form_Activate();
  void LocalTreeView_Expand(TreeNode node);
  void LocalTreeView_Collapse(TreeNode node);
  void LocalTreeView_NodeClick(TreeNode node);
  void LocalTreeView_MouseDown(Qt::MouseButton button, QPoint point);
  void HidePopupMenu();
  void DrawButtons(int hovered);
  void clearresfrm7();
  void fillresfrm7();
  void ConfiremRestore();
  void OpenSessionLog();
  void ApplyDpiScale();

  Controls c_;
  QStringList drive1_;
};

// The screen's one-method class: the destination path of the node selected
// in the screen's local tree ("" after an error).
class wizard {
 public:
  QString Wiz_GetlocalSelectedItempath();
};

}  // namespace OrvaneMac

namespace OrvaneMac::modGeneral {

// Ends the restore wizard: empties the backup and restore item sets,
// unloads the destination screen when the wizard was opened through
// OpenRestoreWizard, enables the main window and marks the wizard closed
// (WizardClosing). Always answers 0; `form` is not used and the closing is
// never asked about.
Integer ExitWizard(QWidget* form, bool& ask);
// The restore wizard's entry ("RWIZ" only, and only while no job runs):
// tells the user when the remote tree is not connected.
void OpenRestoreWizard(const QString& which);

}  // namespace OrvaneMac::modGeneral
