#include "program/main/frmreswizscr3.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

#include <functional>

#include "ZQwinSrv/foundation/Util.h"
#include "program/browse/MainWindowControls.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/Options.h"
#include "program/foundation/SystemHelpers.h"
#include "program/main/MainWindowServices.h"
#include "program/progress/SessionLogFiles.h"
#include "program/session/Transfer.h"
#include "program/session/clsController.h"
#include "program/windows/MesgBox.h"
#include "program/windows/SkinControls.h"
#include "program/windows/SkinFonts.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"
#include "program/windows/clsRounder.h"
#include "program/windows/modGeneralWindows.h"
#include "platform/errors/RuntimeError.h"
#include "platform/clock/Clock.h"
#include "platform/files/Drive.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/WinPath.h"
#include "platform/shell/Shell.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

namespace OrvaneMac {
namespace {

const QString kForm = QStringLiteral("frmreswizscr3");
const QString kLabel3Design = QStringLiteral(
    "Select a folder/drive under 'My Files' to restore your files/folders to it on your local machine");
const QString kCrLf = QStringLiteral("\r\n");
constexpr int kShowMaximized = 3;
// The system's highlight colour (the colour value 0x8000000D names it).
long HighlightColour() { return WinColorValue(QApplication::palette().color(QPalette::Highlight)); }

OrvaneSrv::Util& SharedUtil() {
  static OrvaneSrv::Util util;
  return util;
}

QString Msg(Long id) { return modReg::GetMessageText(id); }

long Ask(const QString& text, long icon, long style) {
  return MesgBox::Instance().MessageBox(text, icon, style, Program().AppTitle);
}

void TraceFormError(const vb::ErrorInfo& e, const QString& procedure) {
  TraceError(e, procedure, vb::OwnerKind::Form, kForm);
}

// The destination path of a node: its key's path field, trimmed, "\\"
// made "\".
QString DestinationPath(const TreeNode& node) {
  return vb::Replace(vb::Trim(SharedUtil().GetInfoFromKey(3, node.Key())), QStringLiteral("\\\\"),
                     QStringLiteral("\\"));
}

long Icon(const char* key) { return TreeViewControl::Instance().iconIndex(QString::fromLatin1(key)); }

bool ImageIs(const TreeNode& node, std::initializer_list<const char*> keys) {
  const int image = node.Image();
  for (const char* key : keys) {
    if (image == Icon(key)) return true;
  }
  return false;
}

// An open folder in the skin's colours, the screen's title picture.
QPixmap FolderPicture() {
  QPixmap pm(48, 48);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath back;
  back.moveTo(4, 12);
  back.lineTo(18, 12);
  back.lineTo(22, 16);
  back.lineTo(42, 16);
  back.lineTo(42, 40);
  back.lineTo(4, 40);
  back.closeSubpath();
  p.setPen(QPen(QColor(0x2F, 0x6C, 0xB5), 1.2));
  p.setBrush(QColor(0x9D, 0xC1, 0xEA));
  p.drawPath(back);
  QPainterPath front;
  front.moveTo(8, 22);
  front.lineTo(46, 22);
  front.lineTo(40, 40);
  front.lineTo(4, 40);
  front.closeSubpath();
  QLinearGradient g(0, 22, 0, 40);
  g.setColorAt(0, QColor(0x5C, 0x97, 0xD8));
  g.setColorAt(1, QColor(0x2F, 0x6C, 0xB5));
  p.setBrush(g);
  p.drawPath(front);
  p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(25, 27), QPointF(25, 36));
  p.drawLine(QPointF(21, 32), QPointF(25, 36));
  p.drawLine(QPointF(29, 32), QPointF(25, 36));
  return pm;
}

QPixmap TitlePicture() {
  ImageList& list = ImageList4Mac();
  if (!list.Contains(QStringLiteral("zq_folder"))) list.Add(QStringLiteral("zq_folder"), FolderPicture());
  return list.Picture(QStringLiteral("zq_folder"));
}

// The screen's background: a caption strip, a light panel under the title
// and a thin frame (7500 x 6480 twips).
QPixmap Background() {
  const int w = 500, h = 432;
  QPixmap pm(w, h);
  pm.fill(QColor(0xF5, 0xF5, 0xF5));
  QPainter p(&pm);
  QLinearGradient cap(0, 0, 0, 32);
  cap.setColorAt(0, QColor(0xE9, 0xF0, 0xF9));
  cap.setColorAt(1, QColor(0xBD, 0xCF, 0xE8));
  p.fillRect(QRectF(0, 0, w, 32), cap);
  p.setPen(QColor(0x7F, 0x9C, 0xC7));
  p.drawLine(0, 31, w, 31);
  QLinearGradient panel(0, 32, 0, 96);
  panel.setColorAt(0, Qt::white);
  panel.setColorAt(1, QColor(0xF5, 0xF5, 0xF5));
  p.fillRect(QRectF(1, 32, w - 2, 64), panel);
  p.setPen(QColor(0x6F, 0x8D, 0xB9));
  p.drawRect(0, 0, w - 1, h - 1);
  return pm;
}

void SetPointer(QWidget* w, bool busy) {
  if (!w) return;
  if (busy) {
    w->setCursor(Qt::WaitCursor);
  } else {
    w->unsetCursor();
  }
}

}  // namespace

frmreswizscr3::frmreswizscr3() : Form(QStringLiteral("frmreswizscr3")) {}

frmreswizscr3& frmreswizscr3::Instance() {
  static frmreswizscr3* instance = new frmreswizscr3;
  return *instance;
}

frmreswizscr3::Controls& frmreswizscr3::C() {
  Load();
  return c_;
}

void frmreswizscr3::CreateControls(FormWindow* w) {
  Controls& c = c_;
  Twips::SetPlace(w, 0, 0, 7500, 6480);
  w->setWindowTitle(QStringLiteral("Where to Restore?"));
  const QFont small = SkinFont(QStringLiteral("Tahoma"), 8.25);
  const QFont bold = SkinFont(QStringLiteral("Tahoma"), 8.25, true);
  auto label = [&](QWidget* parent, const char* name, double l, double t, double wd, double ht, const QString& text,
                   const QFont& font) {
    auto* x = new Label(parent, text);
    x->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(x, l, t, wd, ht);
    x->setFont(font);
    return x;
  };
  auto button = [&](const char* name, const char* labelName, double left, const QString& caption, Label** lbl) {
    auto* b = new PictureBox(w);
    b->setObjectName(QString::fromLatin1(name));
    b->SetPressedLook(true);
    Twips::SetPlace(b, left, 5940, 1095, 345);
    *lbl = label(b, labelName, 60, 45, 975, 255, caption, bold);
    (*lbl)->SetAlignment(Label::Alignment::Center);
    return b;
  };
  auto field = [&](const char* name) {
    auto* f = new TextBoxEx(w);
    f->setObjectName(QString::fromLatin1(name));
    f->setReadOnly(true);
    f->hide();
    return f;
  };

  c.lblCapbar = label(w, "lblCapbar", 0, 0, 6700, 480, QString(), bold);
  DragWindowWith(c.lblCapbar);
  c.PicHelp = label(w, "PicHelp", 6750, 105, 300, 270, QStringLiteral("?"), bold);
  c.PicHelp->setCursor(HandCursor());
  c.PicHelp->setToolTip(QStringLiteral("Help"));
  c.PicClose = label(w, "PicClose", 7080, 105, 300, 270, QStringLiteral("X"), bold);
  c.PicClose->setCursor(HandCursor());
  c.PicClose->setToolTip(QStringLiteral("Close"));

  c.imgTitleinfo = new PictureBox(w);
  c.imgTitleinfo->setObjectName(QStringLiteral("imgTitleinfo"));
  Twips::SetPlace(c.imgTitleinfo, 300, 600, 720, 720);
  c.picTitleinfo = new PictureBox(w);
  c.picTitleinfo->setObjectName(QStringLiteral("picTitleinfo"));
  Twips::SetPlace(c.picTitleinfo, 300, 600, 720, 720);
  c.picTitleinfo->hide();  // the image above shows the same picture
  c.lblTitle = label(w, "lblTitle", 1200, 120, 4800, 285, QStringLiteral("Where to Restore?"),
                     SkinFont(QStringLiteral("Arial"), 9, true));
  c.lblTitle->setAttribute(Qt::WA_TransparentForMouseEvents);
  c.Label3 = label(w, "Label3", 1200, 660, 6000, 600, kLabel3Design, small);
  c.Label3->setAttribute(Qt::WA_TransparentForMouseEvents);

  c.LocalTreeView = new UniTreeViewMC(w);
  c.LocalTreeView->setObjectName(QStringLiteral("LocalTreeView"));
  Twips::SetPlace(c.LocalTreeView, 300, 1440, 6900, 3780);

  c.lblWhereTo = label(w, "lblWhereTo", 300, 5355, 1500, 255, QStringLiteral("Restore to:"), bold);
  c.contentswhereto = new TextBoxEx(w);
  c.contentswhereto->setObjectName(QStringLiteral("contentswhereto"));
  c.contentswhereto->setReadOnly(true);
  c.contentswhereto->setToolTip(
      QStringLiteral("This shows where on your local machine your files/folders are restored."));
  Twips::SetPlace(c.contentswhereto, 1500, 5310, 5700, 315);
  c.contentsmodhowto = field("contentsmodhowto");
  c.contentsziphowto = field("contentsziphowto");
  c.mirrtxt = field("mirrtxt");

  c.wiz_res3_back = button("wiz_res3_back", "lbl_wiz_res3_back", 3480, QStringLiteral("< &Back"), &c.lbl_wiz_res3_back);
  c.wiz_res3_next = button("wiz_res3_next", "lbl_wiz_res3_next", 4740, QStringLiteral("&Restore"), &c.lbl_wiz_res3_next);
  c.wiz_res3_cancel =
      button("wiz_res3_cancel", "lbl_wiz_res3_cancel", 6000, QStringLiteral("&Close"), &c.lbl_wiz_res3_cancel);

  // The pop-up menu of the tree, shown by a right click.
  c.lhs_popupmenu = new Container(w);
  c.lhs_popupmenu->setObjectName(QStringLiteral("lhs_popupmenu"));
  c.lhs_popupmenu->SetBackColor(0xFFFFFF);
  Twips::SetPlace(c.lhs_popupmenu, 0, 0, 2100, 570);
  c.mnucreatedir = label(c.lhs_popupmenu, "mnucreatedir", 15, 15, 2070, 270,
                         QStringLiteral("     Create &directory"), small);
  c.mnuGetFolderSize = label(c.lhs_popupmenu, "mnuGetFolderSize", 15, 285, 2070, 270,
                             QStringLiteral("      Get &folder size     "), small);
  c.lhs_popupmenu->hide();

  auto run = [](Qt::MouseButton button, const std::function<void()>& command) {
    if (button != Qt::RightButton) command();
  };
  struct Face {
    PictureBox* picture;
    Label* label;
    std::function<void()> command;
  };
  for (const Face& f : {Face{c.wiz_res3_back, c.lbl_wiz_res3_back, [this] { wiz_res3_back_Click(); }},
                        Face{c.wiz_res3_next, c.lbl_wiz_res3_next, [this] { wiz_res3_next_Click(); }},
                        Face{c.wiz_res3_cancel, c.lbl_wiz_res3_cancel, [this] { wiz_res3_cancel_Click(); }}}) {
    auto up = [run, command = f.command](Qt::MouseButton b, Qt::KeyboardModifiers, QPoint) { run(b, command); };
    QObject::connect(f.picture, &Control::MouseUp, w, up);
    QObject::connect(f.label, &Control::MouseUp, w, up);
  }
  QObject::connect(c.lbl_wiz_res3_back, &Control::MouseMove, w,
                   [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) { DrawButtons(0); });
  QObject::connect(c.lbl_wiz_res3_next, &Control::MouseMove, w,
                   [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) { DrawButtons(1); });
  QObject::connect(c.lbl_wiz_res3_cancel, &Control::MouseMove, w,
                   [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) { DrawButtons(2); });
  QObject::connect(c.PicClose, &Control::Click, w, [this] {
    vb::ResumeNext next;
    next([&] { Unload(); });
  });
  QObject::connect(c.PicHelp, &Control::Click, w, [this] {
    vb::ResumeNext next;
    next([&] { modGeneral::ShowHelpFile(Window(), QStringLiteral("OrvaneMacHelp.chm::/restore_where.htm")); });
  });

  // The tree's events.
  UniTreeViewMC* tree = c.LocalTreeView;
  QObject::connect(tree, &UniTreeViewMC::Expand, w, [this](TreeNode node) { LocalTreeView_Expand(node); });
  QObject::connect(tree, &UniTreeViewMC::Collapse, w, [this](TreeNode node) { LocalTreeView_Collapse(node); });
  QObject::connect(tree, &UniTreeViewMC::NodeClick, w, [this](TreeNode node) { LocalTreeView_NodeClick(node); });
  QObject::connect(tree, &UniTreeViewMC::NodeCheck, w, [](TreeNode node) {
    vb::OnErrorGoTo([&] { node.SetSelected(true); },
                    [](const vb::ErrorInfo& e) { TraceFormError(e, QStringLiteral("LocalTreeView_NodeCheck")); });
  });
  QObject::connect(tree, &UniTreeViewMC::KeyDown, w, [this](int key, Qt::KeyboardModifiers) {
    HidePopupMenu();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) wiz_res3_next_Click();
  });
  QObject::connect(tree, &UniTreeViewMC::MouseDown, w,
                   [this](Qt::MouseButton b, Qt::KeyboardModifiers, QPoint p) { LocalTreeView_MouseDown(b, p); });
  QObject::connect(tree, &UniTreeViewMC::MouseMove, w,
                   [](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) { vb::Sleep(3); });
  QObject::connect(tree, &UniTreeViewMC::LostFocus, w, [this] {
    // A click on the menu takes the focus from the tree: the menu stays
    // until that click has run.
    if (c_.lhs_popupmenu && c_.lhs_popupmenu->underMouse()) return;
    HidePopupMenu();
  });

  // The pop-up menu: hover colours and its two commands.
  auto hover = [this](Label* over, Label* other) {
    vb::ResumeNext next;
    next([&] {
      over->SetBackColor(HighlightColour());
      over->SetForeColor(0xFFFFFF);
      other->SetBackColor(0xFFFFFF);
      other->SetForeColor(0);
    });
  };
  QObject::connect(c.mnucreatedir, &Control::MouseMove, w, [this, hover](Qt::MouseButtons, Qt::KeyboardModifiers,
                                                                         QPoint) {
    if (c_.mnucreatedir->isEnabled()) hover(c_.mnucreatedir, c_.mnuGetFolderSize);
  });
  QObject::connect(c.mnuGetFolderSize, &Control::MouseMove, w, [this, hover](Qt::MouseButtons,
                                                                             Qt::KeyboardModifiers, QPoint) {
    if (c_.mnuGetFolderSize->isEnabled()) hover(c_.mnuGetFolderSize, c_.mnucreatedir);
  });
  QObject::connect(c.mnucreatedir, &Control::Click, w, [this] { mnucreatedir_Click(); });
  QObject::connect(c.mnuGetFolderSize, &Control::Click, w, [this] { mnuGetFolderSize_Click(); });
}

void frmreswizscr3::ForgetControls() { c_ = Controls{}; }

void frmreswizscr3::Form_Load() {
  Controls& c = c_;
  FormWindow* w = Window();
  vb::OnErrorGoTo(
      [&] {
        const QPixmap background = Background();
        w->SetPicture(background);
        const QPixmap title = TitlePicture();
        if (c.imgTitleinfo->PictureHandle() != title.cacheKey()) c.imgTitleinfo->SetPicture(title);
        if (c.picTitleinfo->PictureHandle() != title.cacheKey()) c.picTitleinfo->SetPicture(title);
        DrawButtons(-1);
        SetPointer(w, true);
        TreeViewControl& tv = TreeViewControl::Instance();
        tv.setUpImageList(c.LocalTreeView, w);
        tv.setUpColumns(c.LocalTreeView, 450, 0, 250);
        c.LocalTreeView->ClearNodes();
        drive1_ = DriveListEntries();
        tv.PopulateLocalTreeView(c.LocalTreeView, drive1_, true, true);
        c.LocalTreeView->setCurrentItem(nullptr);  // nothing chosen yet
        SetPointer(w, false);
        ApplyDpiScale();
        clsRounder rounder;
        rounder.RoundedBorder(*this);
        Program().SkipActivateRepaint = true;
      },
      [&](const vb::ErrorInfo& e) {
        SetPointer(w, false);
        TraceFormError(e, QStringLiteral("Form_Load"));
      });
  CentreWindow(false);
  QObject::connect(qApp, &QApplication::focusWindowChanged, w, [this](QWindow* focus) {
    if (IsLoaded() && focus && focus == Window()->windowHandle()) Form_Activate();
  });
}

void frmreswizscr3::Form_Activate() {
  vb::OnErrorGoTo(
      [&] {
        SetPointer(Window(), false);
        DrawButtons(-1);
      },
      [](const vb::ErrorInfo& e) { TraceFormError(e, QStringLiteral("Form_Activate")); });
}

void frmreswizscr3::DrawButtons(int hovered) {
  Controls& c = c_;
  vb::ResumeNext next;
  next([&] {
    modGeneral::SetButtonState(c.wiz_res3_back,
                               !c.wiz_res3_back->isEnabled() ? modGeneral::kButtonDisabled
                               : hovered == 0                ? modGeneral::kButtonHover
                                                             : modGeneral::kButtonNormal,
                               c.lbl_wiz_res3_back, QString());
  });
  next([&] {
    modGeneral::SetButtonState(c.wiz_res3_next, hovered == 1 ? modGeneral::kButtonHover : modGeneral::kButtonNormal,
                               c.lbl_wiz_res3_next, QString());
  });
  next([&] {
    modGeneral::SetButtonState(c.wiz_res3_cancel, hovered == 2 ? modGeneral::kButtonHover : modGeneral::kButtonNormal,
                               c.lbl_wiz_res3_cancel, QString());
  });
}

void frmreswizscr3::Form_MouseMove(Qt::MouseButtons, QPoint) { DrawButtons(-1); }

bool frmreswizscr3::Form_KeyDown(int key, Qt::KeyboardModifiers) {
  HidePopupMenu();
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  wiz_res3_next_Click();
  return true;
}

bool frmreswizscr3::Form_KeyUp(int key, Qt::KeyboardModifiers shift) {
  if (!AltOnly(shift)) return false;
  switch (key) {
    case Qt::Key_B:
      wiz_res3_back_Click();
      return true;
    case Qt::Key_R:
      wiz_res3_next_Click();
      return true;
    case Qt::Key_C:
      wiz_res3_cancel_Click();
      return true;
    default:
      return false;
  }
}

void frmreswizscr3::HidePopupMenu() {
  if (c_.lhs_popupmenu) c_.lhs_popupmenu->hide();
}

void frmreswizscr3::LocalTreeView_Expand(TreeNode node) {
  FormWindow* w = Window();
  vb::OnErrorGoTo(
      [&] {
        SetPointer(w, true);
        TreeViewControl::Instance().PopulateLocalFolder(node, true);
        if (node.ChildCount() > 0 && node.Image() == Icon("folder")) node.SetImage(static_cast<int>(Icon("openfolder")));
        node.SetSelected(true);
        SetPointer(w, false);
      },
      [&](const vb::ErrorInfo& e) {
        SetPointer(w, false);
        Ask(QStringLiteral("Unable to expand the directory contents ") + kCrLf + QStringLiteral("Reason : ") +
                e.description,
            3, 0);
      });
}

void frmreswizscr3::LocalTreeView_Collapse(TreeNode node) {
  vb::OnErrorGoTo(
      [&] {
        if (node.Image() == Icon("openfolder")) node.SetImage(static_cast<int>(Icon("folder")));
        node.SetSelected(true);
      },
      [](const vb::ErrorInfo& e) { TraceFormError(e, QStringLiteral("LocalTreeView_Collapse")); });
}

void frmreswizscr3::LocalTreeView_NodeClick(TreeNode node) {
  Controls& c = c_;
  vb::ResumeNext next;
  next([&] { node.SetSelected(true); });
  for (Label* item : {c.mnucreatedir, c.mnuGetFolderSize}) {
    next([&] {
      item->SetBackColor(0xFFFFFF);
      item->SetForeColor(0);
    });
  }
  next([&] { c.mnuGetFolderSize->setEnabled(ImageIs(node, {"folder", "openfolder"})); });
  next([&] { c.mnucreatedir->setEnabled(!ImageIs(node, {"file", "mycomp", "mydesktop"})); });
  next([&] {
    // Removable, CD-ROM, RAM-disk and unknown drives get no folder creation.
    if (node.Key().size() != 3) return;
    const int type = win::GetDrive(node.Key()).DriveType();
    if (type != win::DriveTypeFixed && type != win::DriveTypeNetwork) c.mnucreatedir->setEnabled(false);
  });
}

void frmreswizscr3::LocalTreeView_MouseDown(Qt::MouseButton button, QPoint point) {
  Controls& c = c_;
  vb::ResumeNext next;
  next([&] {
    if (button != Qt::RightButton) {
      HidePopupMenu();
      return;
    }
    const QRectF tree = Twips::Place(c.LocalTreeView);
    const double x = point.x() * TwipsPerPixelX();
    const double y = point.y() * TwipsPerPixelY();
    Twips::SetTop(c.lhs_popupmenu, tree.top() + y + 300);
    double left = tree.left() + x;
    if (left > tree.width() / 2) left = tree.width() / 2;
    Twips::SetLeft(c.lhs_popupmenu, left);
    c.lhs_popupmenu->show();
    c.lhs_popupmenu->raise();
  });
}

void frmreswizscr3::mnucreatedir_Click() {
  HidePopupMenu();
  if (!c_.mnucreatedir || !c_.mnucreatedir->isEnabled()) return;
  gTransfer().CreateLocalDir(Window(), c_.LocalTreeView);
}

void frmreswizscr3::mnuGetFolderSize_Click() {
  Controls& c = c_;
  vb::ResumeNext next;
  HidePopupMenu();
  if (!c.mnuGetFolderSize || !c.mnuGetFolderSize->isEnabled()) return;
  if (c.LocalTreeView->SelectedItem().IsNothing()) return;
  QString path;
  next([&] { path = gTransfer().Trf_getLocalSelectedItemPath(c.LocalTreeView); });
  if (win::FolderExists(path)) {
    SetPointer(Window(), true);
    double size = 0;
    next([&] { size = static_cast<double>(win::FolderSize(path)); });
    next([&] {
      if (size != 0) {
        Ask(Msg(127) + path + Msg(128) + modGeneral::GetProperSizeValue(size), 0, 0);
      } else {
        Ask(Msg(125) + path + Msg(126), 0, 0);
      }
    });
    SetPointer(Window(), false);
  }
  next([&] { c.LocalTreeView->Redraw(); });
}

void frmreswizscr3::wiz_res3_next_Click() {
  Controls& c = C();
  vb::OnErrorGoTo(
      [&] {
        HidePopupMenu();
        const TreeNode node = c.LocalTreeView->SelectedItem();
        if (node.IsNothing()) {
          Ask(Msg(129), 0, 0);
        } else {
          if (ImageIs(node, {"mycomp", "file", "mydesktop"})) {
            Ask(Msg(130), 0, 0);
            return;
          }
          const QString path = DestinationPath(node);
          if (!SharedUtil().CheckForWriteAccessPermission(path)) {
            Ask(Msg(131), 3, 0);
            if (path.size() == 3) {
              WriteTransferLog(QStringLiteral("Unable to continue the restore operation. Make sure that the disk is "
                                              "not full or write protected."),
                               0);
            } else {
              WriteTransferLog(QStringLiteral("Unable to continue the restore operation. Check the permissions of "
                                              "the destination folder : ") +
                                   path,
                               0);
            }
            return;
          }
        }
        if (!gTransfer().Trf_validateRestoreData(Window())) return;
        SetPointer(Window(), true);
        clearresfrm7();
        fillresfrm7();
        SetPointer(Window(), false);
        ConfiremRestore();
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in next button event of restore wiz 4 scrn. Reason: ") + e.description);
      });
}

void frmreswizscr3::clearresfrm7() {
  vb::OnErrorGoTo(
      [&] {
        for (TextBoxEx* f : {c_.contentswhereto, c_.contentsmodhowto, c_.contentsziphowto, c_.mirrtxt}) f->clear();
      },
      [](const vb::ErrorInfo& e) { TraceFormError(e, QStringLiteral("clearresfrm7")); });
}

void frmreswizscr3::fillresfrm7() {
  vb::OnErrorGoTo([&] { c_.contentswhereto->setText(DestinationPath(c_.LocalTreeView->SelectedItem())); },
                  [](const vb::ErrorInfo& e) { TraceFormError(e, QStringLiteral("fillresfrm7")); });
}

void frmreswizscr3::ConfiremRestore() {
  Controls& c = c_;
  FormWindow* w = Window();
  ProgramState& p = Program();
  bool finished = false;
  bool restoreCalled = false;
  vb::OnErrorGoTo(
      [&] {
        SetPointer(w, true);
        for (PictureBox* b : {c.wiz_res3_back, c.wiz_res3_cancel, c.wiz_res3_next}) b->setEnabled(false);
        w->setEnabled(false);
        const bool incremental = c.contentsmodhowto->text() == u"Yes";
        const bool mirror = c.mirrtxt->text() == u"Yes";
        // A value that is no number counts as empty: no uncompressing.
        const QString uncomp = gTransfer().Trf_ReadUserProfile(QStringLiteral("UNCOMP"), false);
        bool uncompress = false;
        if (!uncomp.isEmpty() && vb::IsNumeric(uncomp)) uncompress = vb::CInt(uncomp) != 0;
        p.RestoreRunning = true;
        w->hide();
        SetMainMousePointer(11);
        wizard wiz;
        const QString destination = wiz.Wiz_GetlocalSelectedItempath();
        restoreCalled = true;
        clsController::Instance().Cont_Restore(destination, uncompress, incremental, mirror, false, false, true,
                                               false);
        gTransfer().Trf_ClearEnumRestoreItemSet();
        for (PictureBox* b : {c.wiz_res3_back, c.wiz_res3_cancel, c.wiz_res3_next}) b->setEnabled(true);
        w->setEnabled(true);
        w->hide();
        SetPointer(w, false);
        finished = true;
        QWidget* main = MainWindow().Smart;
        if (main && main->isMinimized()) {
          if (Ask(Msg(132), 1, 2) == 6) OpenSessionLog();
          bool ask = true;
          (void)modGeneral::ExitWizard(w, ask);
          HideWindow();  // the screen stays loaded, hidden
          return;
        }
        if (Ask(Msg(133), 1, 2) == 6) OpenSessionLog();
        if (p.SearchRestoreMode) {
          // Back to the search window, which is still up modally under this
          // screen's show: it comes back with its results, and this screen's
          // unload below (the flag cleared first) leaves it open.
          p.SearchRestoreMode = false;
          ShowSearchWindowAgain();
        }
        SetMainMousePointer(0);
        bool ask = true;
        (void)modGeneral::ExitWizard(w, ask);
        Unload();
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in procedure ConfiremRestore of form frmreswizscr3. Reason: ") +
                   e.description);
      });
  if (finished) return;
  // A start abandoned half-way leaves the screen usable and the main window
  // idle.
  vb::ResumeNext next;
  if (!restoreCalled) p.RestoreRunning = false;
  next([&] {
    if (!IsLoaded()) return;
    for (PictureBox* b : {c.wiz_res3_back, c.wiz_res3_cancel, c.wiz_res3_next}) b->setEnabled(true);
    Window()->setEnabled(true);
    SetPointer(Window(), false);
    DrawButtons(-1);
    if (!Window()->isVisible()) Window()->show();
  });
  next([] { SetMainMousePointer(0); });
  next([] {
    if (MainWindow().Smart) MainWindow().Smart->setEnabled(true);
  });
}

void frmreswizscr3::OpenSessionLog() {
  vb::ResumeNext next;
  next([&] {
    const QString details = win::JoinPath(win::JoinPath(win::ProgramFolder(), Program().AppWord),
                                          QStringLiteral("OrvaneDetails.ini"));
    const QString log = gTransfer().Trf_ReadProfile(details, QStringLiteral("Orvane"), QStringLiteral("SessionFileRestore"));
    if (log.isEmpty() || !win::FileExists(log)) return;
    const long answer = win::ShellExecute(QStringLiteral("open"), log, QString(), QString(), kShowMaximized);
    // The user asked to see the log: a desktop without a program for it is
    // worth saying.
    if (answer <= 32) ShowUnopenedFile(log, win::ShellErrorText(answer));
  });
}

void frmreswizscr3::wiz_res3_back_Click() {
  vb::OnErrorGoTo(
      [&] {
        // Hiding ends this screen's modal show; opened from the search
        // window, the search window comes back in front, and a later Restore
        // there opens this screen again as it was left.
        HideWindow();
        if (Program().SearchRestoreMode) ShowSearchWindowAgain();
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in back button event of restore wiz 3 scrn. Reason: ") + e.description);
      });
}

void frmreswizscr3::wiz_res3_cancel_Click() {
  vb::OnErrorGoTo([&] { Unload(); },
                  [](const vb::ErrorInfo& e) { TraceFormError(e, QStringLiteral("wiz_res3_cancel_Click")); });
}

void frmreswizscr3::Form_Unload() {
  vb::OnErrorGoTo(
      [&] {
        if (!Program().WizardClosing) {
          bool ask = false;
          (void)modGeneral::ExitWizard(Window(), ask);
        }
        if (Program().SearchRestoreMode) {
          Program().SearchRestoreMode = false;
          UnloadSearchWindow();
        }
      },
      [](const vb::ErrorInfo& e) { TraceFormError(e, QStringLiteral("Form_Unload")); });
}

void frmreswizscr3::ApplyDpiScale() {
  const double dpi = 1440.0 / TwipsPerPixelX();
  if (dpi <= 96) return;
  const double s = dpi / 96;
  Controls& c = c_;
  SetWidth(Width() / s);
  SetHeight(Height() / s);
  (void)ShrinkControlsForDpi(Window(), {QStringLiteral("lhs_popupmenu"), QStringLiteral("mnucreatedir"),
                                        QStringLiteral("mnugetfoldersize"), QStringLiteral("imgtitleinfo")});
  const QRectF l3 = Twips::Place(c.Label3);
  Twips::SetPlace(c.Label3, l3.left() - 50, 600, l3.width(), l3.height() + 300);
  const QRectF t = Twips::Place(c.lblTitle);
  Twips::SetPlace(c.lblTitle, t.left(), t.top(), t.width() + 300, t.height() + 100);
  Twips::SetHeight(c.LocalTreeView, Twips::Height(c.LocalTreeView) - 50);
  Twips::SetTop(c.imgTitleinfo, 400);
}

QString wizard::Wiz_GetlocalSelectedItempath() {
  WriteTrace(QStringLiteral("Enter Wiz_GetlocalSelectedItempath"));
  const QString path = vb::OnErrorGoTo(
      [&] {
        const TreeNode node = frmreswizscr3::Instance().C().LocalTreeView->SelectedItem();
        if (node.IsNothing()) vb::Raise(vb::errObjectVariableNotSet);
        return DestinationPath(node);
      },
      [](const vb::ErrorInfo& e) {
        TraceError(e, QStringLiteral("Wiz_GetlocalSelectedItempath"), vb::OwnerKind::ClassModule,
                   QStringLiteral("wizard"));
        return QString();
      });
  WriteTrace(QStringLiteral("Exit Wiz_GetlocalSelectedItempath") + path);
  return path;
}

void ShowRestoreDestinationScreenForSearch() {
  frmreswizscr3& screen = frmreswizscr3::Instance();
  frmreswizscr3::Controls& c = screen.C();
  // The main window's road may have left the screen loaded with its own
  // caption and Back disabled (Alt+B hides it all the same): this road has
  // the design caption, and Back returns to the search window.
  c.Label3->SetCaption(kLabel3Design);
  c.wiz_res3_back->setEnabled(true);
  modGeneral::SetButtonState(c.wiz_res3_back, modGeneral::kButtonNormal, c.lbl_wiz_res3_back, QString());
  screen.ShowModal();
}

void ShowRestoreDestinationScreen(const QString& label3Caption) {
  frmreswizscr3& screen = frmreswizscr3::Instance();
  frmreswizscr3::Controls& c = screen.C();
  c.Label3->SetCaption(label3Caption);
  c.wiz_res3_back->setEnabled(false);
  modGeneral::SetButtonState(c.wiz_res3_back, modGeneral::kButtonDisabled, c.lbl_wiz_res3_back, QString());
  screen.ShowModal();
}

}  // namespace OrvaneMac

namespace OrvaneMac::modGeneral {

Integer ExitWizard(QWidget* /*form*/, bool& /*ask*/) {
  WriteTrace(QStringLiteral("Enter ExitWizard "));
  ProgramState& p = Program();
  vb::ResumeNext next;
  p.WizardClosing = true;
  next([] { gTransfer().Trf_ClearEnumBackupItemSet(); });
  next([] { gTransfer().Trf_ClearEnumRestoreItemSet(); });
  if (p.WizardOpen) {
    next([] { frmreswizscr3::Instance().Unload(); });
    p.WizardOpen = false;
  }
  next([] {
    if (MainWindow().Smart) MainWindow().Smart->setEnabled(true);
  });
  WriteTrace(QStringLiteral("Exit ExitWizard "));
  return 0;
}

namespace {

// The connection check of the wizard's entry: tells the user when the
// remote tree is not connected.
void WelcomeSceenNext() {
  vb::OnErrorGoTo(
      [] {
        if (!Program().WizardOpen) return;
        vb::DoEvents();
        vb::DoEvents();
        if (Program().RemoteTreeConnected) return;
        const QString reason = dav_geterrorstring();
        if (!reason.isEmpty()) {
          Ask(Msg(522) + reason, 3, 0);
        } else {
          Ask(Msg(523), 3, 0);
        }
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in WelcomeSceenNext. Reason: ") + e.description);
      });
}

}  // namespace

void OpenRestoreWizard(const QString& which) {
  if (which != u"RWIZ" || JobProgressCheck()) return;
  ProgramState& p = Program();
  vb::OnErrorGoTo(
      [&] {
        p.WizardName.clear();
        p.WizardStarting = true;
        p.WizardOpen = true;
        p.WizardClosing = false;
        WelcomeSceenNext();
        SetMainMousePointer(0);
        p.WizardStarting = false;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QString::number(e.number) + QStringLiteral(" in Open screen ") + e.description);
      });
}

}  // namespace OrvaneMac::modGeneral
