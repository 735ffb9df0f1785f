// The main window: its controls, load, activation, resize, layout, window
// buttons and the exit road.
#include "program/main/Smart.h"

#include "program/main/QuotaRecalculation.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QProgressBar>
#include <QScreen>

#include <cmath>
#include <functional>

#include "platform/errors/RuntimeError.h"
#include "platform/ui/EventPump.h"
#include "program/browse/MainWindowControls.h"
#include "program/browse/RemoteListingSource.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/Options.h"
#include "program/foundation/modMain.h"
#include "program/main/MainWindowServices.h"
#include "program/main/SmartImages.h"
#include "program/progress/PreStatus.h"
#include "program/progress/frmErrorReport1.h"
#include "program/progress/ProgressWindow.h"
#include "program/session/Transfer.h"
#include "program/session/clsController.h"
#include "program/windows/MesgBox.h"
#include "program/windows/SkinFonts.h"
#include "program/windows/SkinImages.h"
#include "program/windows/SnapshotSwitch.h"
#include "program/windows/Twips.h"
#include "program/windows/modGeneralWindows.h"

namespace OrvaneMac {
namespace {

const QString kForm = QStringLiteral("Smart");
constexpr double kDesignWidth = 11100;
constexpr double kDesignHeight = 8000;
constexpr double kMinWidth = 10100;
constexpr double kMinHeight = 8000;

void TraceFormError(const vb::ErrorInfo& e, const QString& procedure) {
  TraceError(e, procedure, vb::OwnerKind::Form, kForm);
}

// A double click on a control.
class DoubleClickWatch : public QObject {
 public:
  DoubleClickWatch(QObject* parent, std::function<void()> act) : QObject(parent), act_(std::move(act)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonDblClick && watched == parent()) act_();
    return false;
  }

 private:
  std::function<void()> act_;
};

// The window's activation, which Qt reports as an event of the widget.
class ActivationWatch : public QObject {
 public:
  ActivationWatch(QObject* parent, Smart* form) : QObject(parent), form_(form) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::WindowActivate && watched == parent()) form_->Form_Activate();
    return false;
  }

 private:
  Smart* form_;
};

PictureBox* NewPicture(QWidget* parent, const char* name, double left, double top, double width, double height,
                       const QString& tip = {}) {
  auto* p = new PictureBox(parent);
  p->setObjectName(QString::fromLatin1(name));
  Twips::SetPlace(p, left, top, width, height);
  if (!tip.isEmpty()) p->setToolTip(tip);
  return p;
}

QAction* NewItem(QMenu* menu, const char* name, const QString& caption, bool visible = true, bool enabled = true) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(QString::fromLatin1(name));
  a->setVisible(visible);
  a->setEnabled(enabled);
  return a;
}

QAction* NewSeparator(QMenu* menu, const char* name, bool visible = true) {
  QAction* a = menu->addSeparator();
  a->setObjectName(QString::fromLatin1(name));
  a->setVisible(visible);
  return a;
}

}  // namespace

Smart& Smart::Instance() {
  static Smart* form = new Smart;
  return *form;
}

Smart::Smart() : Form(QStringLiteral("Smart")) {}

Smart::Controls& Smart::C() {
  Load();
  return c_;
}

QAction* Smart::mnuAboutTessara() { return C().mnuAboutTessara; }
UniTreeViewMC* Smart::ColumnRemoteTreeView() { return C().ColumnRemoteTreeView; }
Label* Smart::lblCapbar() { return C().lblCapbar; }
PictureBox* Smart::PicMin() { return C().PicMin; }
PictureBox* Smart::PicMax() { return C().PicMax; }
PictureBox* Smart::PicClose() { return C().PicClose; }
PictureBox* Smart::imgLogo() { return C().imgLogo; }
Label* Smart::lblVersionDisp() { return C().lblVersionDisp; }
PictureBox* Smart::Trf_ImgRestore() { return C().Trf_ImgRestore; }
PictureBox* Smart::Pict_Refresh() { return C().Pict_Refresh; }
PictureBox* Smart::Pict_Sess_Log() { return C().Pict_Sess_Log; }
PictureBox* Smart::Pic_Snap() { return C().Pic_Snap; }
PictureBox* Smart::Pict_Delete() { return C().Pict_Delete; }
PictureBox* Smart::Pict_Help() { return C().Pict_Help; }
PictureBox* Smart::Pic_Rem_search() { return C().Pic_Rem_search; }
PictureBox* Smart::Pic_Rem_Delete() { return C().Pic_Rem_Delete; }
TextBoxEx* Smart::txtSearchText() { return C().txtSearchText; }
PictureBox* Smart::lblrecalculate() { return C().lblrecalculate; }
QProgressBar* Smart::ZQDiskPBar() { return C().ZQDiskPBar; }
Label* Smart::lblUserQuota() { return C().lblUserQuota; }
PictureBox* Smart::PicRecalcMess() { return C().PicRecalcMess; }
Label* Smart::lblRecalcMess() { return C().lblRecalcMess; }
QMenu* Smart::popmnuremote() { return C().popmnuremote; }
QMenu* Smart::mnuHelp() { return C().mnuHelp; }
QMenu* Smart::mnuTray() { return C().mnuTray; }

QAction* Smart::MenuItem(const QString& name) { return Window()->findChild<QAction*>(name); }

// ------------------------------------------------------------------ geometry

// The window's place in twips: the exact twips last set while the window
// still stands there, else its pixels (the user moved or sized it).
namespace {
QRectF WindowPlace(QWidget* w) {
  const QRectF stored = Twips::Place(w);
  const QRect px(w->pos(), w->size());
  const QRectF actual(px.x() * TwipsPerPixelX(), px.y() * TwipsPerPixelY(), px.width() * TwipsPerPixelX(),
                      px.height() * TwipsPerPixelY());
  QRectF r = actual;
  if (TwipsToPixelsX(stored.left()) == px.x()) r.moveLeft(stored.left());
  if (TwipsToPixelsY(stored.top()) == px.y()) r.moveTop(stored.top());
  if (TwipsToPixelsX(stored.width()) == px.width()) r.setWidth(stored.width());
  if (TwipsToPixelsY(stored.height()) == px.height()) r.setHeight(stored.height());
  return r;
}
}  // namespace

double Smart::Left() { return WindowPlace(Window()).left(); }
double Smart::Top() { return WindowPlace(Window()).top(); }
void Smart::SetLeft(double twips) {
  const QRectF p = WindowPlace(Window());
  PlaceWindow(twips, p.top(), p.width(), p.height());
}
void Smart::SetTop(double twips) {
  const QRectF p = WindowPlace(Window());
  PlaceWindow(p.left(), twips, p.width(), p.height());
}

namespace {
void SetWindowSize(Form& form, QWidget* w, double width, double height) {
  const QRectF p = WindowPlace(w);
  Twips::SetPlace(w, p.left(), p.top(), width, height);
  (void)form;
}
}  // namespace

void Smart::PlaceWindow(double left, double top, double width, double height) {
  FormWindow* w = Window();
  Twips::SetPlace(w, left, top, width, height);
  w->move(TwipsToPixelsX(left), TwipsToPixelsY(top));
}

int Smart::WindowState() {
  FormWindow* w = Window();
  return w->isMinimized() ? 1 : 0;
}

void Smart::SetWindowState(int state) {
  FormWindow* w = Window();
  if (state == 1) {
    if (!w->isMinimized()) w->showMinimized();
  } else if (w->isMinimized()) {
    w->showNormal();
  }
}

bool Smart::HighDpi() const { return static_cast<float>(1440.0 / TwipsPerPixelX()) > 96; }

// ------------------------------------------------------------------ controls

void Smart::CreateControls(FormWindow* w) {
  Controls& c = c_;
  w->setWindowTitle(QString::fromUtf16(kDesignCaption));
  w->SetBackColor(0xECF1F2);
  Twips::SetPlace(w, 0, 0, kDesignWidth, kDesignHeight);

  // Invisible source pictures of the painted border.
  c.piccentre = NewPicture(w, "piccentre", 0, 0, 450, 2565);
  c.picleft = NewPicture(w, "picleft", 0, 0, 450, 2565);
  c.picright = NewPicture(w, "picright", 0, 0, 450, 2550);
  c.PicturePaintTmp = NewPicture(w, "PicturePaintTmp", 0, 0, 150, 930);
  for (PictureBox* p : {c.piccentre, c.picleft, c.picright, c.PicturePaintTmp}) p->hide();

  c.lblCapbar = new Label(w);
  c.lblCapbar->setObjectName(QStringLiteral("lblCapbar"));
  Twips::SetPlace(c.lblCapbar, 0, 0, kDesignWidth, 480);

  c.imgLogo = NewPicture(w, "imgLogo", 150, 60, 2655, 375);
  c.imgLogo->setAttribute(Qt::WA_TransparentForMouseEvents);
  c.lblVersionDisp = new Label(w);
  c.lblVersionDisp->setObjectName(QStringLiteral("lblVersionDisp"));
  Twips::SetPlace(c.lblVersionDisp, 0, 140, kDesignWidth, 285);
  c.lblVersionDisp->SetAlignment(Label::Alignment::Center);
  c.lblVersionDisp->SetForeColor(0xFFFFFF);
  c.lblVersionDisp->setFont(SkinFont(QStringLiteral("Arial"), 9, true));
  c.lblVersionDisp->setAttribute(Qt::WA_TransparentForMouseEvents);

  c.PicMin = NewPicture(w, "PicMin", 9960, 60, 345, 300, QStringLiteral("Minimize"));
  c.PicMax = NewPicture(w, "PicMax", 10305, 60, 345, 300, QStringLiteral("Maximize"));
  c.PicClose = NewPicture(w, "PicClose", 10650, 60, 345, 300, QStringLiteral("Close"));

  // The Recalculate picture is made before the toolbar, which wires its
  // mouse events with the toolbar pictures'.
  c.lblrecalculate = NewPicture(w, "lblrecalculate", 180, 1500, 1200, 330, QStringLiteral("Recalculate"));
  CreateToolbar(w);

  c.ZQDiskPBar = new QProgressBar(w);
  c.ZQDiskPBar->setObjectName(QStringLiteral("ZQDiskPBar"));
  Twips::SetPlace(c.ZQDiskPBar, 1480, 1545, 2400, 240);
  c.ZQDiskPBar->setRange(0, 100);
  c.ZQDiskPBar->setValue(0);
  c.ZQDiskPBar->setTextVisible(false);
  // The design text stands until the first quota refresh.
  c.lblUserQuota = new Label(w, QStringLiteral("Your quota: 00000000MB"));
  c.lblUserQuota->setObjectName(QStringLiteral("lblUserQuota"));
  Twips::SetPlace(c.lblUserQuota, 3980, 1550, 3900, 285);
  c.lblUserQuota->setFont(SkinFont(QStringLiteral("Tahoma"), 8.25));
  c.PicRecalcMess = NewPicture(w, "PicRecalcMess", 180, 1860, 7600, 330);
  c.PicRecalcMess->SetBackColor(0xE1FFFF);
  c.PicRecalcMess->hide();
  c.lblRecalcMess = new Label(c.PicRecalcMess);
  c.lblRecalcMess->setObjectName(QStringLiteral("lblRecalcMess"));
  Twips::SetPlace(c.lblRecalcMess, 60, 45, 7480, 255);
  c.lblRecalcMess->setFont(SkinFont(QStringLiteral("Tahoma"), 8.25));

  c.txtSearchText = new TextBoxEx(w);
  c.txtSearchText->setObjectName(QStringLiteral("txtSearchText"));
  Twips::SetPlace(c.txtSearchText, 8160, 1480, 2130, 330);
  c.txtSearchText->setText(QString::fromUtf16(kPlaceholder));
  c.txtSearchText->setFont(SkinFont(QStringLiteral("Tahoma"), 8.25));
  {
    QPalette pal = c.txtSearchText->palette();
    pal.setColor(QPalette::Text, WinColor(12632256));
    c.txtSearchText->setPalette(pal);
  }
  WireSearchBox();

  c.ColumnRemoteTreeView = new UniTreeViewMC(w);
  c.ColumnRemoteTreeView->setObjectName(QStringLiteral("ColumnRemoteTreeView"));
  Twips::SetPlace(c.ColumnRemoteTreeView, 180, 2040, 10735, 4925);
  c.ColumnRemoteTreeView->SetOLEDropMode(1);

  c.Trf_ImgRestore = NewPicture(w, "Trf_ImgRestore", 9365, 7400, 1500, 420, QStringLiteral("Restore"));
  c.Trf_ImgRestore->setCursor(HandCursor());

  CreateMenus(w);

  // Events.
  UniTreeViewMC* tree = c.ColumnRemoteTreeView;
  QObject::connect(tree, &UniTreeViewMC::Expand, w, [this](const TreeNode& n) { ColumnRemoteTreeView_Expand(n); });
  QObject::connect(tree, &UniTreeViewMC::Collapse, w, [this](const TreeNode& n) {
    ColumnRemoteTreeView_Collapse(n);
    SecondNodeHandler(n);
  });
  QObject::connect(tree, &UniTreeViewMC::NodeClick, w,
                   [this](const TreeNode& n) { ColumnRemoteTreeView_NodeClick(n); });
  QObject::connect(tree, &UniTreeViewMC::NodeCheck, w,
                   [this](const TreeNode& n) { ColumnRemoteTreeView_nodeCheck(n); });
  QObject::connect(tree, &UniTreeViewMC::MouseDown, w,
                   [this](Qt::MouseButton b, Qt::KeyboardModifiers, QPoint p) { ColumnRemoteTreeView_MouseDown(b, p); });
  QObject::connect(tree, &UniTreeViewMC::MouseMove, w,
                   [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) { ColumnRemoteTreeView_MouseMove(); });
  QObject::connect(tree, &UniTreeViewMC::DragOver, w, [this](QPoint p) { ColumnRemoteTreeView_OLEDragOver(p); });

  // Caption bar.
  QObject::connect(c.lblCapbar, &Control::MouseDown, w, [this] { bCapbarDown = true; });
  QObject::connect(c.lblCapbar, &Control::MouseUp, w, [this] { bCapbarDown = false; });
  DragWindowWith(c.lblCapbar);
  c.lblCapbar->installEventFilter(new DoubleClickWatch(c.lblCapbar, [this] { lblCapbar_DblClick(); }));

  // Window buttons.
  QObject::connect(c.PicMax, &Control::MouseUp, w, [this](Qt::MouseButton b) {
    bOverTree = false;
    if (b == Qt::LeftButton) ToggleMaximize();
  });
  QObject::connect(c.PicMin, &Control::MouseUp, w, [this](Qt::MouseButton b) {
    bOverTree = false;
    if (b != Qt::RightButton) MinimizeWindow();
  });
  QObject::connect(c.PicClose, &Control::MouseUp, w, [this](Qt::MouseButton b) {
    if (b != Qt::RightButton) Smart_Cancel_Click();
  });

  // The Restore picture.
  QObject::connect(c.Trf_ImgRestore, &Control::MouseUp, w, [this](Qt::MouseButton b) {
    if (b == Qt::RightButton) return;
    StartRestore();
    bToolbarNormal = false;
    ResetToolbarImages(0);
  });
  QObject::connect(c.Trf_ImgRestore, &Control::MouseMove, w, [this] {
    if (modGeneral::JobProgressCheck()) return;
    vb::ResumeNext next;
    next([&] { GiveImage(c_.Trf_ImgRestore, true, QStringLiteral("zq_main_res_ovr")); });
    bToolbarNormal = false;
  });

  w->installEventFilter(new ActivationWatch(w, this));
}

void Smart::ForgetControls() { c_ = Controls{}; }

void Smart::CreateMenus(FormWindow* w) {
  Controls& c = c_;
  // The remote tree's popup.
  c.popmnuremote = new QMenu(w);
  c.popmnuremote->setObjectName(QStringLiteral("popmnuremote"));
  QMenu* m = c.popmnuremote;
  NewItem(m, "popmnucutremote", QStringLiteral("Cut"), false);
  NewItem(m, "popmnucopyremote", QStringLiteral("Copy"), false);
  NewItem(m, "popmnupasteremote", QStringLiteral("Paste"), false, false);
  NewItem(m, "popmnudelremote", QStringLiteral("&Delete"), false);
  NewItem(m, "mnuGetSize", QStringLiteral("&Get folder size"), true, false);
  NewItem(m, "popmnuRenameRemote", QStringLiteral("&Rename"), false);
  NewItem(m, "popmnucreateremdir", QStringLiteral("&Create directory"), false);
  NewSeparator(m, "popmnuremsep");
  QMenu* view = m->addMenu(QStringLiteral("&Directory Info.."));
  view->menuAction()->setObjectName(QStringLiteral("popmnuviewremote"));
  view->menuAction()->setVisible(false);
  NewItem(view, "popmnuViewremdirinfo", QStringLiteral("&View"), true, false);
  NewItem(view, "popmnuvhideremdirinfo", QStringLiteral("&Hide"), true, false);
  NewItem(m, "popmnufindremote", QStringLiteral("&Search"));
  NewItem(m, "popmnurefremote", QStringLiteral("&Refresh.."));

  // The Help picture's menu.
  c.mnuHelp = new QMenu(w);
  c.mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
  m = c.mnuHelp;
  NewItem(m, "mnuLocal1", QStringLiteral("Help Topics"));
  NewItem(m, "mnudemo", QStringLiteral("Quick Demo"), false);
  NewItem(m, "mnuWebsite", QStringLiteral("Website"), false);
  NewItem(m, "mnuSendReport", QStringLiteral("Send Error Report"));
  NewSeparator(m, "mnudash6");
  c.mnuAboutTessara = NewItem(m, "mnuAboutTessara", QString());

  // The tray icon's menu.
  c.mnuTray = new QMenu(w);
  c.mnuTray->setObjectName(QStringLiteral("mnuTray"));
  m = c.mnuTray;
  NewItem(m, "mnuTrayRestore", QStringLiteral("&Restore"), false);
  NewItem(m, "mnuTrayMove", QStringLiteral("&Move"), false);
  NewItem(m, "mnuTraySize", QStringLiteral("&Size"), false);
  NewItem(m, "mnuTrayMinimize", QStringLiteral("Minimize"));
  NewItem(m, "mnuTrayMaximize", QStringLiteral("Ma&ximize"));
  NewSeparator(m, "mnuTraySep");
  NewItem(m, "mnuTrayClose", QStringLiteral("&Exit"));

  // The invisible menu bar: never shown; some items hold state.
  c.hiddenMenus = new QMenu(w);
  c.hiddenMenus->setObjectName(QStringLiteral("hiddenMenus"));
  QMenu* bar = c.hiddenMenus;
  auto sub = [&](QMenu* parent, const char* name, const QString& caption) {
    QMenu* s = parent->addMenu(caption);
    s->menuAction()->setObjectName(QString::fromLatin1(name));
    return s;
  };
  QMenu* file = sub(bar, "mnuFile", QStringLiteral("&File"));
  NewItem(file, "mnuConnect", QStringLiteral("Connect"));
  NewItem(file, "mnuDisconnect", QStringLiteral("Disconnect"), true, false);
  NewSeparator(file, "mnudash1");
  NewItem(file, "mnuexit", QStringLiteral("Exit"));
  QMenu* actions = sub(bar, "mnuActions", QStringLiteral("&Actions"));
  QMenu* tessara = sub(actions, "mnuTessara", QStringLiteral("My Tessara"));
  NewItem(tessara, "mnucutremote", QStringLiteral("Cut"));
  NewItem(tessara, "mnucopyremote", QStringLiteral("Copy"));
  NewItem(tessara, "mnupasteremote", QStringLiteral("Paste"), true, false);
  NewItem(tessara, "mnuDeletezq", QStringLiteral("Delete"));
  NewItem(tessara, "mnuRemaneRemote", QStringLiteral("Rename"));
  NewItem(tessara, "mnucreateremdir", QStringLiteral("Create directory"));
  NewSeparator(tessara, "mnudash2");
  QMenu* info = sub(tessara, "mnuviewremote", QStringLiteral("Directory Info.."));
  NewItem(info, "mnuViewremdirinfo", QStringLiteral("View"), true, false);
  NewItem(info, "mnuhideremdirinfo", QStringLiteral("Hide"), true, false);
  NewItem(tessara, "mnurefremote", QStringLiteral("Refresh.."));
  NewItem(tessara, "mnufindremote", QStringLiteral("Search"), true, false);
  QMenu* restore = sub(bar, "mnuRestoreOption", QStringLiteral("&Restore"));
  QAction* unzip = NewItem(restore, "mnuAutoUnZip", QStringLiteral("AutoUnZip"));
  unzip->setCheckable(true);
  unzip->setChecked(false);
  NewSeparator(restore, "mnudash3");
  QMenu* types = sub(restore, "mnuRestoreTypes", QStringLiteral("Restore types"));
  NewItem(types, "mnuFullrs", QStringLiteral("Full"))->setCheckable(true);
  QAction* incremental = NewItem(types, "mnuIncrementalrs", QStringLiteral("Incremental"));
  incremental->setCheckable(true);
  incremental->setChecked(true);
  QMenu* bkp = sub(bar, "mnuBackupRestore", QStringLiteral("&Backup-Restore"));
  NewItem(bkp, "mnuBkpRestRestore", QStringLiteral("Restore"));
  NewSeparator(bkp, "mnudash4");
  QMenu* wizards = sub(bar, "mnuwizards", QStringLiteral("Wizards"));
  NewItem(wizards, "mnurestore", QStringLiteral("Restore"));
  QMenu* options = sub(bar, "mnuoptions", QStringLiteral("Options"));
  NewItem(options, "mnuautologin", QStringLiteral("Connect at restart"))->setCheckable(true);
  NewItem(options, "mnuencrypt", QStringLiteral("Encryption Settings"));
  NewItem(options, "mnuTempFolder", QStringLiteral("Set Temporary folder"));
  NewItem(options, "mnuexitsetting", QStringLiteral("Ask on Exit"))->setCheckable(true);
  sub(bar, "mnuTimeStamp", QStringLiteral("&Time Zone"));
  QMenu* logs = sub(bar, "mnuLogs", QStringLiteral("&Log"));
  NewItem(logs, "mnuSession", QStringLiteral("Session log"));
  QMenu* summary = sub(logs, "mnuSummary", QStringLiteral("Interactive log"));
  NewItem(summary, "mnuViewtr", QStringLiteral("View"));
  NewItem(summary, "mnuCleartr", QStringLiteral("Clear"));
  QMenu* tools = sub(bar, "mnuTools", QStringLiteral("&Tools"));
  NewItem(tools, "mnuPref", QStringLiteral("Preferences..."));
  NewItem(tools, "mnuChangeTimeZone", QStringLiteral("Change Time Zone..."));
  QMenu* popup = sub(bar, "mnupopup", QStringLiteral("popupMenuDelete"));
  NewItem(popup, "mnupopupsize", QStringLiteral("Get folder/file Size"), true, false);
  NewItem(popup, "mnupopupdelsel", QStringLiteral("Delete selected Item(s)"), true, false);
  NewItem(popup, "mnupopupdelall", QStringLiteral("Delete all Items"), true, false);
  for (QAction* top : bar->actions()) top->setVisible(false);

  // What the visible items run.
  auto on = [&](const char* name, auto handler) {
    QAction* a = w->findChild<QAction*>(QString::fromLatin1(name));
    QObject::connect(a, &QAction::triggered, w, handler);
  };
  on("mnuGetSize", [this] { mnuGetSize_Click(); });
  on("popmnufindremote", [this] { popmnufindremote_Click(); });
  on("popmnurefremote", [this] { popmnurefremote_Click(); });
  on("mnuLocal1", [this] { mnuLocal1_Click(); });
  on("mnuSendReport", [this] {
    if (modGeneral::JobProgressCheck()) return;
    vb::ResumeNext next;
    next([] { frmErrorReport1::Instance().ShowModal(); });
  });
  on("mnuAboutTessara", [this] { mnuAboutTessara_Click(); });
  on("mnuTrayMinimize", [this] { mnuTrayMinimize_Click(); });
  on("mnuTrayMaximize", [this] { mnuTrayMaximize_Click(); });
  on("mnuTrayClose", [this] { Unload(); });
  on("mnuSession", [this] { mnuSession_Click(); });
}

// Every control the tree class and the component states act on.
void Smart::RegisterControls() {
  Controls& c = c_;
  MainWindowControls& m = MainWindow();
  m.Smart = Window();
  m.ColumnRemoteTreeView = c.ColumnRemoteTreeView;
  m.lblrecalculate = c.lblrecalculate;
  m.Pict_Refresh = c.Pict_Refresh;
  m.Pic_Snap = c.Pic_Snap;
  m.Pic_Rem_search = c.Pic_Rem_search;
  m.Trf_ImgRestore = c.Trf_ImgRestore;
  m.mnuPref = MenuItem(QStringLiteral("mnuPref"));
  m.mnuSendReport = MenuItem(QStringLiteral("mnuSendReport"));
  m.mnuTimeStamp = MenuItem(QStringLiteral("mnuTimeStamp"));
  m.mnuConnect = MenuItem(QStringLiteral("mnuConnect"));
  m.mnuDisconnect = MenuItem(QStringLiteral("mnuDisconnect"));
  // The toolbar's pictures without an image of their own (Session Log,
  // Delete) get their faces from the toolbar reset, which waits for an open
  // session; the window is loaded before the sign-in enables Disconnect, so
  // the faces are given when it does (not only once the pointer has crossed
  // the tree).
  if (m.mnuDisconnect) {
    QObject::connect(m.mnuDisconnect, &QAction::changed, Window(), [this, action = m.mnuDisconnect] {
      if (action->isEnabled()) ResetToolbarImages(0);
    });
  }
  m.mnuTessara = MenuItem(QStringLiteral("mnuTessara"));
  m.mnuRestoreOption = MenuItem(QStringLiteral("mnuRestoreOption"));
  m.mnuwizards = MenuItem(QStringLiteral("mnuwizards"));
  m.mnuBackupRestore = MenuItem(QStringLiteral("mnuBackupRestore"));
  m.mnuTools = MenuItem(QStringLiteral("mnuTools"));
  m.popmnuViewremdirinfo = MenuItem(QStringLiteral("popmnuViewremdirinfo"));
  m.mnuViewremdirinfo = MenuItem(QStringLiteral("mnuViewremdirinfo"));
  m.mnuhideremdirinfo = MenuItem(QStringLiteral("mnuhideremdirinfo"));
  m.popmnuvhideremdirinfo = MenuItem(QStringLiteral("popmnuvhideremdirinfo"));
  m.ShowWaitBox = [this](const QString& status) { WaitBoxShow(status); };
  m.CloseWaitBox = [this] { WaitBoxClose(); };
  m.SetQuotaBar = [this](double value, long colour, const QString& tip) { SetQuotaBar(value, colour, tip); };
  m.lblUserQuota = c.lblUserQuota;
  m.lblVersionDisp = c.lblVersionDisp;
  m.PicRecalcMess = c.PicRecalcMess;
  m.lblRecalcMess = c.lblRecalcMess;
  m.txtSearchText = c.txtSearchText;
  UseControllerListing();
}

void Smart::WaitBoxShow(const QString& status) { PreStatus::Instance().ShowWithStatus(status); }

void Smart::WaitBoxClose() {
  PreStatus& box = PreStatus::Instance();
  if (box.IsLoaded()) box.Unload();
}

void Smart::SetQuotaBar(double value, long colour, const QString& tip) {
  // A negative value or colour leaves that part as it is.
  QProgressBar* bar = C().ZQDiskPBar;
  if (value >= 0) bar->setValue(static_cast<int>(value > 100 ? 100 : value));
  if (colour >= 0) {
    const QColor c = WinColor(colour);
    bar->setStyleSheet(QStringLiteral("QProgressBar{border:1px solid #a8b0bc;background:white;}"
                                      "QProgressBar::chunk{background:%1;}")
                           .arg(c.name()));
    bar->setProperty("barColour", static_cast<qlonglong>(colour));
  }
  bar->setToolTip(tip);
}

void Smart::GiveImage(PictureBox* picture, bool list4, const QString& key) {
  const QPixmap image = (list4 ? ImageList4Mac() : ImageList1Mac()).Picture(key);
  if (picture->PictureHandle() != image.cacheKey()) picture->SetPicture(image);
}

// ------------------------------------------------------------------ load

void Smart::Form_Load() {
  Controls& c = c_;
  EnsureMainWindowPictures();
  RegisterControls();
  const bool prepared = vb::OnErrorGoTo(
      [&] {
        GiveImage(c.Trf_ImgRestore, true, QStringLiteral("zq_main_res"));
        GiveImage(c.PicClose, false, QStringLiteral("zq_close"));
        GiveImage(c.PicMax, false, QStringLiteral("zq_max"));
        GiveImage(c.PicMin, false, QStringLiteral("zq_min"));
        GiveImage(c.Pict_Help, false, QStringLiteral("help_reg"));
        bToolbarNormal = false;
        bOverTree = false;
        const QString askme = gTransfer().Trf_ReadUserProfile(QStringLiteral("Askme"), false);
        MenuItem(QStringLiteral("mnuexitsetting"))
            ->setChecked(askme == QLatin1String("True") || askme.isEmpty());
        TreeViewControl& trees = TreeViewControl::Instance();
        trees.setUpImageList(c.ColumnRemoteTreeView, Window());
        trees.setUpColumns(c.ColumnRemoteTreeView, 280, 150, 270);
        return true;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in scrn load of main UI. Reason: ") + e.description);
        return false;
      });
  if (!prepared) return;

  vb::ResumeNext next;
  next([&] { SaveSizes(); });
  next([&] { ResetToolbarImages(0); });
  vb::DoEvents();
  next([&] {
    long left = 0, top = 0, width = 0, height = 0;
    modGeneral::GetWorkArea(left, top, width, height, true);
    FormWindow* w = Window();
    SetWindowSize(*this, w, WindowPlace(w).width(), kDesignHeight);
    SetTop(static_cast<double>(top) + static_cast<double>(height) / 2 - WindowPlace(w).height() / 2);
    SetWindowSize(*this, w, kDesignWidth, WindowPlace(w).height());
    SetLeft(static_cast<double>(left) + static_cast<double>(width) / 2 - WindowPlace(w).width() / 2);
  });
  next([&] { ResizecontrolDPI(); });
  if (HighDpi()) {
    const double height = WindowPlace(Window()).height();
    next([&] { Twips::SetTop(c.Pict_Refresh, height - 7600); });
    for (PictureBox* p : {c.Pict_Sess_Log, c.Pic_Snap, c.Pict_Delete, c.Pict_Help}) {
      next([&] { Twips::SetTop(p, Twips::Top(c.Pict_Refresh)); });
    }
    next([&] { Twips::SetTop(c.lblrecalculate, height - 6860); });
    for (QWidget* p : std::initializer_list<QWidget*>{c.ZQDiskPBar, c.Pic_Rem_search, c.txtSearchText}) {
      next([&] { Twips::SetTop(p, Twips::Top(c.lblrecalculate)); });
    }
    next([&] { Twips::SetHeight(c.txtSearchText, Twips::Height(c.txtSearchText) - 45); });
    next([&] { Twips::SetTop(c.lblUserQuota, Twips::Top(c.lblrecalculate) + 50); });
    next([&] { Twips::SetTop(c.ColumnRemoteTreeView, height - 6350); });
  }
  next([&] { ShowTitleBar(false); });
}

void Smart::ShowTitleBar(bool show) {
  FormWindow* w = Window();
  const QRect place = w->geometry();
  vb::ResumeNext next;
  if (!show) {
    next([&] {
      Tag_ = w->windowTitle();
      w->setWindowTitle(QStringLiteral("Orvane for Mac"));
    });
    next([&] { w->setWindowFlag(Qt::FramelessWindowHint, true); });
  } else {
    next([&] {
      w->setWindowTitle(Tag_);
      w->setWindowFlag(Qt::FramelessWindowHint, false);
    });
  }
  // The window keeps its place on the screen.
  next([&] { w->setGeometry(place); });
}

// ------------------------------------------------------------------ activate

void Smart::Form_Activate() {
  vb::OnErrorGoTo(
      [&] {
        vb::DoEvents();
        vb::DoEvents();
        bOverTree = false;
        ProgramState& p = Program();
        if (p.Disconnected) return;
        if (p.SkipActivateRepaint) {
          p.SkipActivateRepaint = false;
          return;
        }
        vb::DoEvents();
        vb::DoEvents();
        if (IsLoaded()) Window()->repaint();
        ++activateRepaints_;
      },
      [](const vb::ErrorInfo& e) { TraceFormError(e, QStringLiteral("Form_Activate")); });
}

// ------------------------------------------------------------------ resize

void Smart::Form_Resize() {
  if (inResize_) return;
  inResize_ = true;
  vb::OnErrorGoTo(
      [&] {
        FormWindow* w = Window();
        if (WindowState() != 1) {
          const QRectF p = WindowPlace(w);
          if (p.width() < kMinWidth) SetWindowSize(*this, w, kMinWidth, p.height());
          if (WindowPlace(w).height() < kMinHeight) SetWindowSize(*this, w, WindowPlace(w).width(), kMinHeight);
        }
        vb::DoEvents();
        vb::DoEvents();
        bRefreshDown = false;
        bDeleteDown = false;
        bHelpDown = false;
        bSearchDown = false;
        bRecalcDown = false;
        QuotaRecalc().bRecalcDown = false;
        auto item = [&](const char* name) { return MenuItem(QString::fromLatin1(name)); };
        auto states = [&](bool min, bool max, bool close, bool restore, bool move, bool size) {
          item("mnuTrayMinimize")->setEnabled(min);
          item("mnuTrayMaximize")->setEnabled(max);
          item("mnuTrayClose")->setEnabled(close);
          item("mnuTrayRestore")->setEnabled(restore);
          item("mnuTrayMove")->setEnabled(move);
          item("mnuTraySize")->setEnabled(size);
        };
        if (WindowState() == 1) {
          states(false, true, true, true, false, false);
          vbBMaximized = false;
        } else if (vbBMaximized) {
          states(true, false, true, true, false, false);
        } else {
          states(true, true, true, false, true, true);
          vbBMaximized = false;
        }
        vb::DoEvents();
        ResizecontrolDPI();
        vb::DoEvents();
        vb::DoEvents();
      },
      [](const vb::ErrorInfo& e) { TraceFormError(e, QStringLiteral("Form_Resize")); });
  inResize_ = false;
}

// ------------------------------------------------------------------ layout

void Smart::ResizecontrolDPI() {
  if (!IsLoaded()) return;
  Controls& c = c_;
  FormWindow* w = Window();
  if (WindowState() == 1) return;
  vb::ResumeNext next;
  const QRectF place = WindowPlace(w);
  const double width = place.width();
  const double height = place.height();
  const double scaleWidth = width;
  const double scaleHeight = height;
  double d = 0;
  next([&] {
    QFont f = c.lblVersionDisp->font();
    f.setBold(true);
    c.lblVersionDisp->setFont(f);
  });
  next([&] { Twips::SetWidth(c.lblVersionDisp, width); });
  next([&] { Twips::SetLeft(c.lblVersionDisp, 0); });
  if (HighDpi()) {
    next([&] { Twips::SetTop(c.lblVersionDisp, Twips::Top(c.imgLogo) + 40); });
    d = 110;
  } else {
    next([&] { Twips::SetTop(c.lblVersionDisp, Twips::Top(c.imgLogo) + 80); });
  }
  next([&] { PaintBorderImages(); });
  next([&] { Twips::SetWidth(c.lblCapbar, width); });
  next([&] {
    Twips::SetLeft(c.PicClose, scaleWidth - 100 - Twips::Width(c.PicClose));
    Twips::SetLeft(c.PicMax, Twips::Left(c.PicClose) - Twips::Width(c.PicMax));
    Twips::SetLeft(c.PicMin, Twips::Left(c.PicMax) - Twips::Width(c.PicMin));
  });
  next([&] { Twips::SetTop(c.Trf_ImgRestore, scaleHeight - 600 + d); });
  UniTreeViewMC* tree = c.ColumnRemoteTreeView;
  next([&] {
    Twips::SetWidth(tree, width - Twips::Left(tree) - 185);
    Twips::SetHeight(tree, height - Twips::Top(tree) - 1035);
  });
  const double edge = Twips::Left(tree) + Twips::Width(tree);
  next([&] { Twips::SetLeft(c.Trf_ImgRestore, edge - Twips::Width(c.Trf_ImgRestore) - 50); });
  next([&] { Twips::SetLeft(c.Pict_Delete, edge - Twips::Width(c.Pict_Delete)); });
  next([&] { Twips::SetLeft(c.Pic_Rem_search, edge - Twips::Width(c.Pic_Rem_search)); });
  next([&] {
    Twips::SetLeft(c.lblrecalculate, Twips::Left(tree));
    Twips::SetLeft(c.ZQDiskPBar, Twips::Left(c.lblrecalculate) + Twips::Width(c.lblrecalculate) + 100);
    Twips::SetLeft(c.lblUserQuota, Twips::Left(c.ZQDiskPBar) + Twips::Width(c.ZQDiskPBar) + 100);
  });
  next([&] {
    Twips::SetWidth(c.txtSearchText, width - 8970);
    Twips::SetLeft(c.txtSearchText, Twips::Left(c.Pic_Rem_search) - Twips::Width(c.txtSearchText) - 100);
  });
}

void Smart::PaintBorderImages() {
  Controls& c = c_;
  FormWindow* w = Window();
  vb::ResumeNext next;
  next([&] { w->Cls(); });
  const double d = HighDpi() ? 100 : 50;
  const double scaleWidth = WindowPlace(w).width();
  const double formHeight = WindowPlace(w).height();
  next([&] {
    if (c.piccentre->PictureHandle() != ImageList1Mac().Picture(QStringLiteral("zq_cntr_bdr")).cacheKey()) {
      c.piccentre->SetPicture(ImageList1Mac().Picture(QStringLiteral("zq_cntr_bdr")));
    }
  });
  next([&] { c.picleft->SetPicture(ImageList1Mac().Picture(QStringLiteral("zq_left_bdr"))); });
  next([&] { c.picright->SetPicture(ImageList1Mac().Picture(QStringLiteral("zq_right_bdr"))); });
  next([&] { c.PicturePaintTmp->SetPicture(ImageList1Mac().Picture(QStringLiteral("zq_bottom"))); });
  next([&] {
    for (double x = -50; x <= scaleWidth; x += 325) w->PaintPicture(c.piccentre->Picture(), x, -5);
  });
  next([&] { w->PaintPicture(c.picleft->Picture(), -10, -5); });
  const double rightScale = 450;
  next([&] { w->PaintPicture(c.picright->Picture(), scaleWidth - rightScale - 100 + d, -5); });
  const double tmpHeight = 930;
  const double bottomTop = formHeight - tmpHeight - 80;
  next([&] {
    Twips::SetTop(c.PicturePaintTmp, bottomTop);
    for (double x = -50; x <= scaleWidth; x += 120) w->PaintPicture(c.PicturePaintTmp->Picture(), x, bottomTop);
  });
  next([&] {
    c.PicturePaintTmp->SetPicture(ImageList1Mac().Picture(QStringLiteral("zq_bottom_right")));
    Twips::SetTop(c.PicturePaintTmp, bottomTop);
    w->PaintPicture(c.PicturePaintTmp->Picture(), scaleWidth - rightScale - 75 + d, bottomTop);
  });
}

void Smart::SaveSizes() {
  FormWindow* w = Window();
  const QList<QWidget*> controls = w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  ControlSizes.assign(static_cast<size_t>(controls.size()) + 1, SavedSize{});
  vb::ResumeNext next;
  size_t i = 0;
  for (QWidget* control : controls) {
    ++i;
    const QString name = control->objectName().toUpper();
    if (name.isEmpty() || name == QLatin1String("LBLUSERQUOTA") || name == QLatin1String("LBLRECALCULATE")) continue;
    if (qobject_cast<QMenu*>(control)) continue;
    next([&] {
      const QRectF p = Twips::Place(control);
      SavedSize& s = ControlSizes[i];
      s.left = static_cast<float>(p.left());
      s.top = static_cast<float>(p.top());
      s.width = static_cast<float>(p.width());
      if (name != QLatin1String("PICTURE4") && name != QLatin1String("PICTURE5")) {
        s.height = static_cast<float>(p.height());
      }
    });
  }
  SavedScaleWidth = static_cast<float>(WindowPlace(w).width());
  SavedScaleHeight = static_cast<float>(WindowPlace(w).height());
}

// ------------------------------------------------------------------ window buttons

void Smart::lblCapbar_DblClick() {
  bOverTree = false;
  EnableRefreshSnap(false);
  ToggleMaximize();
  EnableRefreshSnap(true);
  ResetToolbarImages(0);
}

void Smart::EnableRefreshSnap(bool enabled) {
  vb::ResumeNext next;
  next([&] { c_.Pict_Refresh->setEnabled(enabled); });
  next([&] { c_.Pic_Snap->setEnabled(enabled); });
}

void Smart::ToggleMaximize() {
  Controls& c = C();
  FormWindow* w = Window();
  bOverTree = false;
  vb::ResumeNext next;
  if (WindowState() == 0 && !vbBMaximized) {
    const QRectF p = WindowPlace(w);
    NormalWidth = std::lround(p.width());
    NormalHeight = std::lround(p.height());
    NormalTop = std::lround(p.top());
    NormalLeft = std::lround(p.left());
    next([&] { GiveImage(c.PicMax, false, QStringLiteral("zq_max_max")); });
    next([&] { c.PicMax->setToolTip(QStringLiteral("Restore down")); });
    next([&] {
      long left = 0, top = 0, width = 0, height = 0;
      modGeneral::GetWorkArea(left, top, width, height, true);
      PlaceWindow(static_cast<double>(left), static_cast<double>(top), static_cast<double>(width),
                      static_cast<double>(height));
    });
    vbBMaximized = true;
  } else if (vbBMaximized) {
    next([&] { GiveImage(c.PicMax, false, QStringLiteral("zq_max")); });
    vbBMaximized = false;
    next([&] { SetWindowState(0); });
    next([&] { c.PicMax->setToolTip(QStringLiteral("Maximize")); });
    next([&] {
      PlaceWindow(static_cast<double>(NormalLeft), static_cast<double>(NormalTop),
                      static_cast<double>(NormalWidth), static_cast<double>(NormalHeight));
    });
  }
  Program().SkipActivateRepaint = true;
}

void Smart::MinimizeWindow() {
  bOverTree = false;
  // A window the program maximised comes back maximised: the flag is kept
  // over the minimise and the resize handler restores nothing else.
  if (WindowState() == 0 || vbBMaximized) {
    const bool wasMaximised = vbBMaximized;
    SetWindowState(1);
    vbBMaximized = wasMaximised;
  }
}

void Smart::GetDesktopRectt() {
  vb::ResumeNext next;
  long left = 0, top = 0, width = 0, height = 0;
  next([&] { modGeneral::GetWorkArea(left, top, width, height, false); });
  WriteTrace(QStringLiteral("Left = %1top = %2Width = %3Height = %4").arg(left).arg(top).arg(width).arg(height));
  next([&] {
    PlaceWindow(static_cast<double>(left * TwipsPerPixelX()), static_cast<double>(top * TwipsPerPixelY()),
                    static_cast<double>(width * TwipsPerPixelX()), static_cast<double>(height * TwipsPerPixelY()));
  });
  WriteTrace(
      QStringLiteral("LeftXY = %1topXY = %2WidthXY = %3HeightXY = %4").arg(left).arg(top).arg(width).arg(height));
}

void Smart::ShowQuotaInfo() {
  vb::ResumeNext next;
  next([] { (void)MesgBox::Instance().MessageBox(modReg::GetMessageText(339), 0, 0, Program().AppTitle); });
}

void Smart::Smart_Cancel_Click() {
  vb::OnErrorGoTo([&] { Unload(); },
                  [](const vb::ErrorInfo& e) { TraceFormError(e, QStringLiteral("Smart_Cancel_Click")); });
}

// ------------------------------------------------------------------ tray owner

QWidget* Smart::TrayWindow() { return IsLoaded() ? Window() : nullptr; }
int Smart::TrayWindowState() { return WindowState(); }
void Smart::SetTrayWindowState(int state) { SetWindowState(state); }

void Smart::OwnMaximise() {
  vb::ResumeNext next;
  next([&] { GiveImage(C().PicMax, false, QStringLiteral("zq_max_max")); });
  next([&] { GetDesktopRectt(); });
  vbBMaximized = true;
}

// ------------------------------------------------------------------ exit road

void Smart::Form_QueryUnload(bool& cancel) {
  if (unloadForTesting_) return;
  cancel = true;
  ExitRoad();
}

void Smart::RequestClose() { Unload(); }

void Smart::ExitRoad() {
  vb::ResumeNext next;
  next([] { modGeneral::UnhookMinMaxSize(); });
  bool busy = false;
  next([&] { busy = modGeneral::JobProgressCheck(); });
  if (busy) {
    long answer = 7;
    next([&] {
      answer = MesgBox::Instance().MessageBox(modReg::GetMessageText(338), 1, 2, Program().AppTitle);
    });
    if (answer != 6) {
      // Nothing is stopped. The progress window comes back only when there
      // is a restore to show (a search has no progress window).
      if (Program().RestoreRunning) next([] { ShowProgressWindowAgain(); });
      return;
    }
    next([] {
      bool exiting = true;
      modGeneral::ApplyFileversioning(exiting);
    });
  } else {
    next([] {
      bool exiting = true;
      modGeneral::ApplyFileversioning(exiting);
    });
    next([] { gTransfer().Trf_WriteUserProfile(QStringLiteral("FILEVER"), QStringLiteral("0"), false); });
  }
  next([] { clsController::Instance().Cont_Exit(); });
  // Only reached when the exit failed (or a test keeps the process).
  modGeneral::EndProgram();
}

void Smart::UnloadForTesting() {
  unloadForTesting_ = true;
  Unload();
  unloadForTesting_ = false;
  MainWindow() = MainWindowControls();
  vbBMaximized = false;
  NormalLeft = NormalTop = NormalWidth = NormalHeight = 0;
  bCapbarDown = bOverTree = bToolbarNormal = false;
  bRefreshDown = bDeleteDown = bHelpDown = bSearchDown = bSessLogDown = bSnapDown = bRecalcDown = false;
}

// ------------------------------------------------------------------ seams

void ShowMainWindow() {
  Smart& main = Smart::Instance();
  vb::ResumeNext next;
  next([&] { main.ColumnRemoteTreeView()->setVisible(true); });
  next([&] { main.Show(); });
  next([&] { modGeneral::AddToTray(main, main.mnuTray()); });
}

void AddMainWindowToTray() {
  Smart& main = Smart::Instance();
  vb::ResumeNext next;
  next([&] { modGeneral::AddToTray(main, main.mnuTray()); });
}

bool MainWindowVisible() {
  Smart& main = Smart::Instance();
  return main.IsLoaded() && main.Window()->isVisible();
}

}  // namespace OrvaneMac
