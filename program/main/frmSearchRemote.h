#pragma once
// The remote search window: the user types a key, the window has the
// engine list the searched folder (or, for the whole account, each
// top-level folder in turn) into the search result file, keeps the files
// whose path matches the key as checkable rows, and restores or deletes
// the checked rows through the restore destination screen and the delete
// window.
//
// A search runs inside the handler that started it and keeps the window
// alive by pumping messages; Stop and Close only set the stop flags, which
// the engine's next stop poll turns into the end of its listing. A run
// keeps its own guard until it returns, so no second run starts inside it,
// and a Close during a run hides the window at once and unloads it only
// once the run has unwound.

#include <QString>
#include <QStringList>

#include <functional>

#include "program/windows/Form.h"

class QCheckBox;

namespace OrvaneMac {

class Animation;
class Label;
class PictureBox;
class TextBoxEx;
class UniListView;

class frmSearchRemote : public Form {
 public:
  static frmSearchRemote& Instance();

  // Public fields: a run started by the Search button or the first
  // activation is under way; the main window asked for a search at once.
  bool bSingleCall = false;
  bool bSearchFromMainScreen = false;

  // The answer to the engine's stop poll: true (stop) for the item "2".
  bool UpdateProgress(const QString& sItem);
  // A server date ("Tue, 06 Jul 2010 10:20:30 GMT") in the user's general
  // date format; "00/00/00 00:00:00" for a blank text, "" for an unreadable one.
  QString CalculateDateTime(const QString& sDate);

  // Commands.
  void RunSearch();
  void StopSearch();
  void CloseSearch();
  void DeleteFoundItems();
  void RestoreFoundItems();
  void SelectAllItems();
  void chkSelectAll_Click();
  void cmdOK_MouseUp(Qt::MouseButton button);
  void Form_Activate();

  // Where the checked results go (the restore destination screen and the
  // delete window) and where a search of the whole account takes its
  // top-level entries from (the main window's remote tree, through the tree
  // class); tests put their own.
  struct HandOvers {
    std::function<void()> restore;
    std::function<void(const QString& syncCaption, const QString& syncData)> remove;
    std::function<void()> collectRootItems;  // fills Program().SearchRootItems
  };
  // The defaults again.
  void ResetHandOvers();
  void SetHandOvers(HandOvers handOvers);

  // A run is on the stack (its guard).
  [[nodiscard]] bool RunActive() const { return runActive_; }
  [[nodiscard]] bool SelectAllArmed() const { return selectAllArmed_; }

  // Controls (touching one loads the window hidden).
  Label* lblCapbar();
  Label* lblTitle();
  PictureBox* imgTitleinfo();
  PictureBox* picTitleinfo();
  Label* Label1();
  TextBoxEx* txt_Searchkey();
  PictureBox* cmdOK();
  Label* lbl_cmdOK();
  PictureBox* cmd_Refresh();
  Label* lbl_cmd_Refresh();
  Label* lblscrch();
  Label* lblSearchpath();
  Animation* Animation1();
  Label* lbl_Searching();
  Label* LblDisplayNumFiles();
  UniListView* lvw_SearchResult();
  QCheckBox* chkSelectAll();
  PictureBox* CmdDeleteFullpath();
  Label* lbl_CmdDeleteFullpath();
  PictureBox* wiz_res3_next();
  Label* lbl_wiz_res3_next();
  PictureBox* cmd_cancel();
  Label* lbl_cmd_cancel();
  Label* lblDispItems();
  PictureBox* PicClose();
  PictureBox* PicHelp();

 protected:
  void CreateControls(FormWindow* window) override;
  void ForgetControls() override;
  void Form_Load() override;
  void Form_Unload() override;
  void Form_Resize() override;
  void Form_MouseMove(Qt::MouseButtons buttons, QPoint point) override;
  bool Form_KeyDown(int key, Qt::KeyboardModifiers shift) override;
  bool Form_KeyUp(int key, Qt::KeyboardModifiers shift) override;

 private:
  frmSearchRemote();
  struct Controls {
    Label* lblCapbar = nullptr;
    Label* lblTitle = nullptr;
    PictureBox* imgTitleinfo = nullptr;
    PictureBox* picTitleinfo = nullptr;
    Label* Label1 = nullptr;
    TextBoxEx* txt_Searchkey = nullptr;
    PictureBox* cmdOK = nullptr;
    Label* lbl_cmdOK = nullptr;
    PictureBox* cmd_Refresh = nullptr;
    Label* lbl_cmd_Refresh = nullptr;
    Label* lblscrch = nullptr;
    Label* lblSearchpath = nullptr;
    Animation* Animation1 = nullptr;
    Label* lbl_Searching = nullptr;
    Label* LblDisplayNumFiles = nullptr;
    UniListView* lvw_SearchResult = nullptr;
    QCheckBox* chkSelectAll = nullptr;
    QCheckBox* chkCancelCheckChange = nullptr;
    PictureBox* CmdDeleteFullpath = nullptr;
    Label* lbl_CmdDeleteFullpath = nullptr;
    PictureBox* wiz_res3_next = nullptr;
    Label* lbl_wiz_res3_next = nullptr;
    PictureBox* cmd_cancel = nullptr;
    Label* lbl_cmd_cancel = nullptr;
    Label* lblDispItems = nullptr;
    PictureBox* piccentre = nullptr;
    PictureBox* picleft = nullptr;
    PictureBox* PicturePaintBottom = nullptr;
    PictureBox* PicturePaintBottomRt = nullptr;
    PictureBox* PicClose = nullptr;
    PictureBox* PicHelp = nullptr;
    PictureBox* lblBack = nullptr;
    PictureBox* lblNext = nullptr;
  };
  Controls& C();

  // The run's parts.
  void RunSearchBody();
  void EndOfRun();
  void LoadSearchResults(const QString& sFolder);
  void AddTopLevelRow(const QString& entry, const QString& pattern);
  // The window is still loaded (a pump may have unloaded it).
  [[nodiscard]] bool Alive() const { return IsLoaded(); }

  // Frame.
  void SetupResultColumns();
  void LayoutControls();
  void PaintBorderImages();
  void ButtonsNormal(PictureBox* hovered);
  void lvw_SearchResult_BeforeCheck(int row, bool checked, bool& cancel);
  void lvw_SearchResult_AfterCheck();
  void SetSelectAll(bool checked);
  void SetMousePointer(bool hourglass);
  [[nodiscard]] static bool IsUnderDeletedFolder(const QString& path, const QStringList& folders);

  Controls c_;
  HandOvers handOvers_;
  bool selectAllArmed_ = true;
  bool runActive_ = false;
  bool unloadAfterRun_ = false;
  bool activatePending_ = false;
  bool inResize_ = false;
};

}  // namespace OrvaneMac
