#pragma once
// The session-log viewer: a modal, skinned window listing the session logs
// of earlier restores, newest first, 50 to a page, with a page text
// ("1 to 50 of 51") and Back and Next arrows. View Details opens the
// selected row's log with the program associated with text files; Delete
// Log deletes every checked log of the page at once, without asking;
// Select All checks or unchecks the page's rows; a click on a column header
// sorts the page. Enter, Alt+C and Close unload it.
//
// Each opening lists the session folder anew and starts at page 1; nothing
// of an earlier opening survives.

#include "program/windows/Form.h"

#include <QString>

#include "platform/values/Collection.h"

class QCheckBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace OrvaneMac {

class Label;
class PictureBox;

class frmSessionLog : public Form {
 public:
  static frmSessionLog& Instance();

  // Public members.
  // Appends the names of the listable session logs, newest first.
  void ListSessionFiles(const vb::CollectionPtr& list);
  // Replaces the rows of the list with entries `first` to `last` (1-based).
  void FindSessionFiles(const vb::CollectionPtr& list, long first, long last);

  // Commands.
  void cmdView_Click();
  void cmdDelete_Click();
  void cmdCloseSessionLog_Click();
  void ShowNextPage();
  void ShowPreviousPage();
  void SelectAllChanged();
  void CheckAllRows();
  void SortListview();
  // A click on the header of column `position` (1-based).
  void LstSessionLogView_ColumnClick(int position);

  // The two row operations of the column-tree class on this window: delete
  // row `row` (1-based) and its file when the row is checked (`flag` is not
  // used); open the selected row's file when `open` is set.
  void GetSessionFileSelected_Delete(bool flag, int row);
  void GetSessionFileSelected_View(bool open);

  // State, for inspection.
  [[nodiscard]] const vb::CollectionPtr& SessionFileList() const { return sessionFileList_; }
  [[nodiscard]] long PageFirst() const { return first_; }
  [[nodiscard]] long PageLast() const { return last_; }
  [[nodiscard]] bool SelectAllGuard() const { return selectAllGuard_; }
  // The real file name of row `row` (1-based).
  [[nodiscard]] QString RowFileName(int row);

  // Controls (touching one loads the window hidden).
  Label* lblCapbar();
  Label* lblTitle();
  PictureBox* imgTitleinfo();
  PictureBox* picTitleinfo();
  Label* lblTitleInfo();
  QTreeWidget* LstSessionLogView();
  QCheckBox* chkSelectAll();
  Label* lblDispItems();
  PictureBox* lblBack();
  PictureBox* lblNext();
  PictureBox* cmdView();
  Label* lbl_cmdView();
  PictureBox* cmdDelete();
  Label* lbl_cmdDelete();
  PictureBox* cmdCloseSessionLog();
  Label* lbl_cmdCloseSessionLog();

 protected:
  void CreateControls(FormWindow* window) override;
  void ForgetControls() override;
  void Form_Load() override;
  void Form_MouseMove(Qt::MouseButtons buttons, QPoint point) override;
  bool Form_KeyDown(int key, Qt::KeyboardModifiers shift) override;
  bool Form_KeyUp(int key, Qt::KeyboardModifiers shift) override;

 private:
  frmSessionLog();
  struct Controls {
    Label* lblCapbar = nullptr;
    Label* lblTitle = nullptr;
    PictureBox* imgTitleinfo = nullptr;
    PictureBox* picTitleinfo = nullptr;
    Label* lblTitleInfo = nullptr;
    QTreeWidget* LstSessionLogView = nullptr;
    QCheckBox* chkSelectAll = nullptr;
    QCheckBox* chkCancelCheckChange = nullptr;
    Label* lblDispItems = nullptr;
    PictureBox* lblBack = nullptr;
    PictureBox* lblNext = nullptr;
    PictureBox* cmdView = nullptr;
    Label* lbl_cmdView = nullptr;
    PictureBox* cmdDelete = nullptr;
    Label* lbl_cmdDelete = nullptr;
    PictureBox* cmdCloseSessionLog = nullptr;
    Label* lbl_cmdCloseSessionLog = nullptr;
  };
  Controls& C();
  void ShowPage(long first);
  void ButtonsByList();
  void ResizecontrolDPI();
  void LstSessionLogView_ItemCheck(QTreeWidgetItem* item);
  // Sets the Select All box as the program does: the change it makes does
  // not act on the rows.
  void SetSelectAllByProgram(bool checked);
  void SetPageImage(PictureBox* picture, const QString& key);

  Controls c_;
  vb::CollectionPtr sessionFileList_ = std::make_shared<vb::Collection>();
  long pageSize_ = 50;
  long first_ = 0;
  long last_ = 0;
  bool selectAllGuard_ = true;
  bool settingChecks_ = false;
  bool sortDescending_ = true;
};

}  // namespace OrvaneMac
