#pragma once
// The main window. It is created hidden at start-up (setting the caption of
// its about-menu item loads it) and shown after the first successful
// sign-in. It is never unloaded: every request to close it runs the exit
// road, which either keeps it open (a job runs and the user says No) or
// ends the process.
//
// Maximised is the window's own state: its own maximise sizes it to the
// desktop work area while the window state stays normal, and vbBMaximized
// says so. The window has no system caption: lblCapbar drags it, the three
// pictures at the top right minimise, maximise or restore, and close.

#include <QMenu>
#include <QPointer>
#include <QString>

#include <vector>

#include "program/browse/UniTreeViewMC.h"
#include "program/foundation/ProgramState.h"
#include "program/windows/Form.h"
#include "program/windows/SkinControls.h"
#include "program/windows/TrayIcon.h"

class QAction;
class QProgressBar;

namespace OrvaneMac {

class Smart : public Form, public TrayOwner {
 public:
  static Smart& Instance();

  // The window's caption as its data keeps it (the taskbar shows
  // "Orvane for Mac"; the system caption bar is given up at load).
  static constexpr char16_t kDesignCaption[] = u"Orvane for Mac - Windows  Restore";
  static constexpr char16_t kPlaceholder[] = u"Search for files/folders";

  // --- Public members ---------------------------------------------------------
  bool vbBMaximized = false;
  QString Tempviewfile;
  Integer openfileStatus = 0;
  Integer Flagforclick = 0;
  // Deletes the checked remote items, or the set the search window prepared
  // (SearchDeleteMode).
  void DeleteRemotecontents();
  void SaveSizes();
  // Pops up the tray menu.
  void SysTrayMouseEventHandler() override;
  void ResizecontrolDPI();
  // Sizes the window to the work area (the system's maximise).
  void GetDesktopRectt();

  // --- Commands -----------------------------------------------------------------
  void StartRestore();
  void DeleteSelectedRemote();
  void RefreshRemoteTree();
  void OpenSearchWindow();
  void popmnufindremote_Click();
  void popmnurefremote_Click();
  void ToggleSnapshots();
  void ResetToolbarImages(Integer id);
  // Explains that the used quota is worked out periodically (nothing in the
  // program calls it).
  void ShowQuotaInfo();

  // --- Window buttons -----------------------------------------------------------
  void ToggleMaximize();
  void MinimizeWindow();

  // --- Tree events ----------------------------------------------------------------
  void ColumnRemoteTreeView_Expand(const TreeNode& node);
  void ColumnRemoteTreeView_Collapse(const TreeNode& node);
  void ColumnRemoteTreeView_NodeClick(const TreeNode& node);
  void ColumnRemoteTreeView_nodeCheck(const TreeNode& node);
  void ColumnRemoteTreeView_MouseDown(Qt::MouseButton button, QPoint point);
  void ColumnRemoteTreeView_MouseMove();
  void ColumnRemoteTreeView_OLEDragOver(QPoint point);
  // The second per-node notification (wired to the collapse).
  void SecondNodeHandler(const TreeNode& node);

  // --- Life cycle -------------------------------------------------------------------
  void Form_Activate();
  // Any request to close the window comes here (the close picture, the
  // tray's Exit, the window manager's close).
  void RequestClose();

  // --- Controls -------------------------------------------------------------------
  QAction* mnuAboutTessara();
  UniTreeViewMC* ColumnRemoteTreeView();
  Label* lblCapbar();
  PictureBox* PicMin();
  PictureBox* PicMax();
  PictureBox* PicClose();
  PictureBox* imgLogo();
  Label* lblVersionDisp();
  PictureBox* Trf_ImgRestore();
  PictureBox* Pict_Refresh();
  PictureBox* Pict_Sess_Log();
  PictureBox* Pic_Snap();
  PictureBox* Pict_Delete();
  PictureBox* Pict_Help();
  PictureBox* Pic_Rem_search();
  PictureBox* Pic_Rem_Delete();
  TextBoxEx* txtSearchText();
  PictureBox* lblrecalculate();
  QProgressBar* ZQDiskPBar();
  Label* lblUserQuota();
  PictureBox* PicRecalcMess();
  Label* lblRecalcMess();
  QMenu* popmnuremote();
  QMenu* mnuHelp();
  QMenu* mnuTray();
  // A menu item by its name (hidden items included); nullptr for none.
  QAction* MenuItem(const QString& name);

  // The window's place in twips.
  double Left();
  double Top();
  void SetLeft(double twips);
  void SetTop(double twips);
  // 0 normal, 1 minimised.
  int WindowState();
  void SetWindowState(int state);

  // The normal geometry the own maximise recorded.
  [[nodiscard]] long NormalLeftTwips() const { return NormalLeft; }
  [[nodiscard]] long NormalTopTwips() const { return NormalTop; }
  [[nodiscard]] long NormalWidthTwips() const { return NormalWidth; }
  [[nodiscard]] long NormalHeightTwips() const { return NormalHeight; }
  [[nodiscard]] bool OverTree() const { return bOverTree; }
  [[nodiscard]] bool ToolbarNormal() const { return bToolbarNormal; }
  [[nodiscard]] const QString& Tag() const { return Tag_; }
  // How often an activation repainted the window (tests).
  [[nodiscard]] int ActivateRepaints() const { return activateRepaints_; }

  // Destroys the window without the exit road (tests only).
  void UnloadForTesting();

  // TrayOwner.
  QWidget* TrayWindow() override;
  int TrayWindowState() override;
  void SetTrayWindowState(int state) override;
  void OwnMaximise() override;

 protected:
  void CreateControls(FormWindow* window) override;
  void ForgetControls() override;
  void Form_Load() override;
  void Form_Resize() override;
  void Form_QueryUnload(bool& cancel) override;

 private:
  Smart();
  void CreateMenus(FormWindow* window);
  void CreateToolbar(FormWindow* window);
  void RegisterControls();
  void PaintBorderImages();
  void ShowTitleBar(bool show);
  // The window's place in twips (its position too, which the window system
  // keeps in pixels).
  void PlaceWindow(double left, double top, double width, double height);
  void EnableRefreshSnap(bool enabled);
  void lblCapbar_DblClick();
  void Smart_Cancel_Click();
  void ExitRoad();
  void WaitBoxShow(const QString& status);
  void WaitBoxClose();
  void SetQuotaBar(double value, long colour, const QString& tip);
  void GiveImage(PictureBox* picture, bool list4, const QString& key);
  [[nodiscard]] bool HighDpi() const;

  // Toolbar handlers.
  void ToolbarPress(PictureBox* picture, Qt::MouseButton button, Integer id, const QString& pressedKey,
                    bool& downMark);
  void ToolbarMove(PictureBox* picture, bool needsOverTree);
  void Pict_Help_Release();
  void mnuSession_Click();
  void mnuGetSize_Click();
  void mnuLocal1_Click();
  void mnuAboutTessara_Click();
  void mnuTrayMinimize_Click();
  void mnuTrayMaximize_Click();
  void WireSearchBox();
  void txtSearchText_KeyDown();
  void txtSearchText_MouseDown();
  void txtSearchText_LostFocus();

  struct Controls {
    QAction* mnuAboutTessara = nullptr;
    UniTreeViewMC* ColumnRemoteTreeView = nullptr;
    Label* lblCapbar = nullptr;
    PictureBox* PicMin = nullptr;
    PictureBox* PicMax = nullptr;
    PictureBox* PicClose = nullptr;
    PictureBox* imgLogo = nullptr;
    Label* lblVersionDisp = nullptr;
    PictureBox* piccentre = nullptr;
    PictureBox* picleft = nullptr;
    PictureBox* picright = nullptr;
    PictureBox* PicturePaintTmp = nullptr;
    PictureBox* Trf_ImgRestore = nullptr;
    PictureBox* Pict_Refresh = nullptr;
    PictureBox* Pict_Sess_Log = nullptr;
    PictureBox* Pic_Snap = nullptr;
    PictureBox* Pict_Delete = nullptr;
    PictureBox* Pict_Help = nullptr;
    PictureBox* Pic_Rem_search = nullptr;
    PictureBox* Pic_Rem_Delete = nullptr;
    TextBoxEx* txtSearchText = nullptr;
    PictureBox* lblrecalculate = nullptr;
    QProgressBar* ZQDiskPBar = nullptr;
    Label* lblUserQuota = nullptr;
    PictureBox* PicRecalcMess = nullptr;
    Label* lblRecalcMess = nullptr;
    QMenu* popmnuremote = nullptr;
    QMenu* mnuHelp = nullptr;
    QMenu* mnuTray = nullptr;
    QMenu* hiddenMenus = nullptr;  // the invisible menu bar's menus
  };
  Controls& C();
  Controls c_;

  // Window-private state.
  long NormalLeft = 0;
  long NormalTop = 0;
  long NormalWidth = 0;
  long NormalHeight = 0;
  bool bCapbarDown = false;
  bool bOverTree = false;
  bool bToolbarNormal = false;
  bool bRefreshDown = false;
  bool bDeleteDown = false;
  bool bHelpDown = false;
  bool bSearchDown = false;
  bool bSessLogDown = false;
  bool bSnapDown = false;
  bool bRecalcDown = false;
  QString Tag_;
  int activateRepaints_ = 0;
  bool inResize_ = false;
  bool unloadForTesting_ = false;
  struct SavedSize {
    float left = 0, top = 0, width = 0, height = 0;
  };
  std::vector<SavedSize> ControlSizes;
  float SavedScaleWidth = 0;
  float SavedScaleHeight = 0;
};

}  // namespace OrvaneMac
