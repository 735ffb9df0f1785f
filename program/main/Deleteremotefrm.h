#pragma once
// The delete window: a small skinned modal window that lists the remote
// files and folders about to be deleted (one path a line) and, once the
// user presses OK, deletes them one after another through the engine,
// showing which item is going. Close before OK closes it with nothing
// deleted; Close during the deletion stops it after the current item (and,
// while a folder's reply is being read, stops that read too). A close by
// the window system (Alt+F4, the frame's close) is a Close: no item is
// deleted without the window on screen.
//
// The main window's delete command (and the search window's, through it)
// fills the restore item set, the list and the captions, and shows the
// window with ShowDeleteWindow (MainWindowServices.h). The pass itself is
// Transfer::Trf_DoMultipledelete; it adds every entry it deleted to
// Program().DeletedItems, which each load of the window empties. The
// engine's folder-delete call-back reaches UpdateProgress through
// DeleteWindowUpdateProgress.
//
// The window also carries the controls of a "sync delete" variant, which
// nothing in the program starts.

#include "program/windows/Form.h"

#include <QString>

class QPlainTextEdit;
class QPushButton;

namespace OrvaneMac {

class Animation;
class Container;
class Label;
class PictureBox;

class Deleteremotefrm : public Form {
 public:
  static Deleteremotefrm& Instance();

  // The engine's call-back while it reads a folder delete's reply: shows
  // the item below "My Orvane" when it names the account, lets pending
  // events run (a Close click is handled there) and answers true once the
  // user has cancelled. An unloaded window is not loaded again for it.
  bool UpdateProgress(const QString& sItem);

  // The buttons' actions: OK starts the pass (refused while one runs);
  // Close cancels (a running pass stops before its next item) and closes.
  void OK_Click();
  void cancel_Click();

  // Whether a pass is running now.
  [[nodiscard]] bool PassRunning() const { return passRunning_; }

  // Controls (touching one loads the window hidden).
  Label* lblTitle();
  Label* lblCapbar();
  PictureBox* PicClose();
  Label* lblClose();
  Container* titleframe();
  Label* Delmsg();
  Label* SyncMsg();
  QPlainTextEdit* LstSyncData();
  Container* Frame2();
  Label* Label1();
  Animation* Animation1();
  Label* Delfilepathtxt();
  PictureBox* OK();
  Label* lbl_OK();
  PictureBox* Cancel();
  Label* lbl_Cancel();
  PictureBox* cmdDeleteSync();
  Label* lbl_cmdDeleteSync();
  Label* lblSyncCaption();

  // The skin: the caption strip and the bottom corner pictures.
  void PaintBorderImages();
  void ResizecontrolDPI();

 protected:
  void CreateControls(FormWindow* window) override;
  void ForgetControls() override;
  void Form_Load() override;
  void Form_QueryUnload(bool& cancel) override;
  void Form_Unload() override;
  void Form_Resize() override;
  void Form_MouseMove(Qt::MouseButtons buttons, QPoint point) override;
  bool Form_KeyUp(int key, Qt::KeyboardModifiers shift) override;

 private:
  friend class Transfer;
  Deleteremotefrm();
  struct Controls {
    Label* lblTitle = nullptr;
    Label* lblCapbar = nullptr;
    PictureBox* PicClose = nullptr;
    Label* lblClose = nullptr;
    Container* titleframe = nullptr;
    Label* Delmsg = nullptr;
    Label* SyncMsg = nullptr;
    QPlainTextEdit* LstSyncData = nullptr;
    Container* Frame2 = nullptr;
    Label* Label1 = nullptr;
    Animation* Animation1 = nullptr;
    Label* Delfilepathtxt = nullptr;
    PictureBox* OK = nullptr;
    Label* lbl_OK = nullptr;
    PictureBox* Cancel = nullptr;
    Label* lbl_Cancel = nullptr;
    PictureBox* cmdDeleteSync = nullptr;
    Label* lbl_cmdDeleteSync = nullptr;
    Label* lblSyncCaption = nullptr;
    QPushButton* OK_OLD = nullptr;
    PictureBox* piccentre = nullptr;
    PictureBox* picleft = nullptr;
    PictureBox* picright = nullptr;
    PictureBox* PicturePaintBottom = nullptr;
    PictureBox* PicturePaintBottomRt = nullptr;
  };
  Controls& C();
  void SetButtons(int okState, int cancelState, int syncState);
  // Shows a display path in the path label, broken to fit it.
  void ShowPath(const QString& displayPath);

  Controls c_;
  bool passRunning_ = false;
  bool inResize_ = false;
  // The pass closes the window itself at its end; any other close (Close,
  // the window system's) is the user's cancel.
  bool closingAfterPass_ = false;
};

// Adds the delete window's skin pictures to ImageList1Mac when it lacks them.
void AddDeleteWindowPictures();

}  // namespace OrvaneMac
