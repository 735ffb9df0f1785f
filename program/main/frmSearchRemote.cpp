// The search window's frame: its controls and skin, load, activation,
// layout, keys, hover looks, closing and the result list's check events.
#include "program/main/frmSearchRemote.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include <cmath>

#include "platform/errors/RuntimeError.h"
#include "platform/ui/EventPump.h"
#include "program/browse/MainWindowControls.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/Options.h"
#include "program/foundation/ProgramState.h"
#include "program/main/MainWindowServices.h"
#include "program/main/UniListView.h"
#include "program/windows/SkinControls.h"
#include "program/windows/SkinFonts.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"
#include "program/windows/clsRounder.h"
#include "program/windows/modGeneralWindows.h"

namespace OrvaneMac {
namespace {

const QString kMedKey = QStringLiteral("button_med_enb");
const QString kMedOverKey = QStringLiteral("button_med_ovr");
const QString kPlaceholder = QStringLiteral("Search for files/folders");

// The window's pictures, drawn here: the title picture (a magnifier) and
// the border strips of the search window's skin.
QPixmap Strip(int width, int height, const QColor& top, const QColor& bottom) {
  QPixmap p(width, height);
  QPainter painter(&p);
  QLinearGradient g(0, 0, 0, height);
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  painter.fillRect(p.rect(), g);
  return p;
}

QPixmap Magnifier() {
  QPixmap p(58, 49);
  p.fill(Qt::transparent);
  QPainter painter(&p);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0x1F, 0x4E, 0x8C), 5));
  painter.setBrush(QColor(0xDD, 0xEB, 0xF8));
  painter.drawEllipse(QRectF(8, 4, 28, 28));
  painter.setPen(QPen(QColor(0x1F, 0x4E, 0x8C), 7, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(32, 29), QPointF(46, 43));
  return p;
}

void EnsureSearchPictures() {
  ImageList& four = ImageList4Mac();
  if (!four.Contains(QStringLiteral("zq_search"))) four.Add(QStringLiteral("zq_search"), Magnifier());
  ImageList& one = ImageList1Mac();
  const QColor blue(0x2B, 0x5C, 0x9E);
  const QColor blueDark(0x1C, 0x3F, 0x70);
  const QColor grey(0xB9, 0xB9, 0xB9);
  const QColor greyDark(0x9A, 0x9A, 0x9A);
  if (!one.Contains(QStringLiteral("zq_search_topcentre")))
    one.Add(QStringLiteral("zq_search_topcentre"), Strip(40, 33, blue, blueDark));
  if (!one.Contains(QStringLiteral("zq_search_topleft")))
    one.Add(QStringLiteral("zq_search_topleft"), Strip(12, 33, blueDark, blueDark));
  if (!one.Contains(QStringLiteral("zq_search_botmcentre")))
    one.Add(QStringLiteral("zq_search_botmcentre"), Strip(8, 6, grey, greyDark));
  if (!one.Contains(QStringLiteral("zq_search_botmright")))
    one.Add(QStringLiteral("zq_search_botmright"), Strip(12, 6, greyDark, greyDark));
}

// Runs the window's activation handler once the activation event has been
// handled (the handler may run a whole search).
class ActivationWatch : public QObject {
 public:
  ActivationWatch(QObject* parent, std::function<void()> onActivate)
      : QObject(parent), onActivate_(std::move(onActivate)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::WindowActivate && watched == parent()) {
      QPointer<QObject> alive(this);
      QTimer::singleShot(0, this, [this, alive] {
        if (alive) onActivate_();
      });
    }
    return false;
  }

 private:
  std::function<void()> onActivate_;
};

}  // namespace

frmSearchRemote::frmSearchRemote() : Form(QStringLiteral("frmSearchRemote")) { ResetHandOvers(); }

void frmSearchRemote::ResetHandOvers() {
  handOvers_ = {};
  handOvers_.restore = [] { ShowRestoreDestinationScreenForSearch(); };
  handOvers_.remove = [](const QString& caption, const QString& data) { ShowDeleteWindow(caption, data); };
}

frmSearchRemote& frmSearchRemote::Instance() {
  static frmSearchRemote* instance = new frmSearchRemote;
  return *instance;
}

void frmSearchRemote::SetHandOvers(HandOvers handOvers) { handOvers_ = std::move(handOvers); }

frmSearchRemote::Controls& frmSearchRemote::C() {
  Load();
  return c_;
}

Label* frmSearchRemote::lblCapbar() { return C().lblCapbar; }
Label* frmSearchRemote::lblTitle() { return C().lblTitle; }
PictureBox* frmSearchRemote::imgTitleinfo() { return C().imgTitleinfo; }
PictureBox* frmSearchRemote::picTitleinfo() { return C().picTitleinfo; }
Label* frmSearchRemote::Label1() { return C().Label1; }
TextBoxEx* frmSearchRemote::txt_Searchkey() { return C().txt_Searchkey; }
PictureBox* frmSearchRemote::cmdOK() { return C().cmdOK; }
Label* frmSearchRemote::lbl_cmdOK() { return C().lbl_cmdOK; }
PictureBox* frmSearchRemote::cmd_Refresh() { return C().cmd_Refresh; }
Label* frmSearchRemote::lbl_cmd_Refresh() { return C().lbl_cmd_Refresh; }
Label* frmSearchRemote::lblscrch() { return C().lblscrch; }
Label* frmSearchRemote::lblSearchpath() { return C().lblSearchpath; }
Animation* frmSearchRemote::Animation1() { return C().Animation1; }
Label* frmSearchRemote::lbl_Searching() { return C().lbl_Searching; }
Label* frmSearchRemote::LblDisplayNumFiles() { return C().LblDisplayNumFiles; }
UniListView* frmSearchRemote::lvw_SearchResult() { return C().lvw_SearchResult; }
QCheckBox* frmSearchRemote::chkSelectAll() { return C().chkSelectAll; }
PictureBox* frmSearchRemote::CmdDeleteFullpath() { return C().CmdDeleteFullpath; }
Label* frmSearchRemote::lbl_CmdDeleteFullpath() { return C().lbl_CmdDeleteFullpath; }
PictureBox* frmSearchRemote::wiz_res3_next() { return C().wiz_res3_next; }
Label* frmSearchRemote::lbl_wiz_res3_next() { return C().lbl_wiz_res3_next; }
PictureBox* frmSearchRemote::cmd_cancel() { return C().cmd_cancel; }
Label* frmSearchRemote::lbl_cmd_cancel() { return C().lbl_cmd_cancel; }
Label* frmSearchRemote::lblDispItems() { return C().lblDispItems; }
PictureBox* frmSearchRemote::PicClose() { return C().PicClose; }
PictureBox* frmSearchRemote::PicHelp() { return C().PicHelp; }

void frmSearchRemote::CreateControls(FormWindow* w) {
  Controls& c = c_;
  w->SetBackColor(0xDFDFDF);  // RGB(223, 223, 223)
  w->setFont(SkinFont(QStringLiteral("Tahoma"), 8.25));
  Twips::SetPlace(w, 0, 0, 10125, 7800);
  w->installEventFilter(new ActivationWatch(w, [this] { Form_Activate(); }));

  auto hiddenPicture = [w](const char* name, double left, double top, double width, double height) {
    auto* p = new PictureBox(w);
    p->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(p, left, top, width, height);
    p->hide();
    return p;
  };
  c.piccentre = hiddenPicture("piccentre", 0, 0, 600, 495);
  c.picleft = hiddenPicture("picleft", 0, 0, 180, 495);
  c.PicturePaintBottom = hiddenPicture("PicturePaintBottom", 0, 7700, 120, 90);
  c.PicturePaintBottomRt = hiddenPicture("PicturePaintBottomRt", 9900, 7700, 180, 90);

  c.lblCapbar = new Label(w);
  c.lblCapbar->setObjectName(QStringLiteral("lblCapbar"));
  Twips::SetPlace(c.lblCapbar, 0, 0, 10125, 480);
  DragWindowWith(c.lblCapbar);

  c.lblTitle = new Label(w, QStringLiteral("Search Orvane for Mac Account"));
  c.lblTitle->setObjectName(QStringLiteral("lblTitle"));
  Twips::SetPlace(c.lblTitle, 135, 60, 4500, 345);
  c.lblTitle->setFont(SkinFont(QStringLiteral("Arial"), 9, true));
  c.lblTitle->SetForeColor(0xFFFFFF);
  c.lblTitle->setAttribute(Qt::WA_TransparentForMouseEvents);

  c.picTitleinfo = new PictureBox(w);
  c.picTitleinfo->setObjectName(QStringLiteral("picTitleinfo"));
  Twips::SetPlace(c.picTitleinfo, -780, 1770, 855, 765);
  c.picTitleinfo->setToolTip(QStringLiteral("Automatic Selection, Restore and Advanced Backup"));
  c.picTitleinfo->hide();

  c.imgTitleinfo = new PictureBox(w);
  c.imgTitleinfo->setObjectName(QStringLiteral("imgTitleinfo"));
  Twips::SetPlace(c.imgTitleinfo, 225, 525, 870, 735);

  c.Label1 = new Label(w, QStringLiteral("Enter full or partial file/folder name or wildchar characters"));
  c.Label1->setObjectName(QStringLiteral("Label1"));
  Twips::SetPlace(c.Label1, 1470, 495, 6435, 210);
  c.Label1->SetBackColor(0xFFFFFF);

  c.txt_Searchkey = new TextBoxEx(w);
  c.txt_Searchkey->setObjectName(QStringLiteral("txt_Searchkey"));
  Twips::SetPlace(c.txt_Searchkey, 1470, 810, 6150, 330);
  c.txt_Searchkey->setFont(SkinFont(QStringLiteral("Tahoma"), 8.25));

  auto face = [w](const char* name, double left, double top, double width, const QString& caption,
                  const QString& tip, PictureBox*& box, Label*& label) {
    box = new PictureBox(w);
    box->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(box, left, top, width, 345);
    box->setToolTip(tip);
    box->SetPressedLook(true);
    label = new Label(box, caption);
    label->setObjectName(QStringLiteral("lbl_") + QString::fromLatin1(name));
    Twips::SetPlace(label, 60, 45, width - 105, 255);
    label->setFont(SkinFont(QStringLiteral("Arial"), 9, true));
    label->SetAlignment(Label::Alignment::Center);
  };
  face("cmdOK", 8205, 810, 1500, QStringLiteral("&Search"), QStringLiteral("Search"), c.cmdOK, c.lbl_cmdOK);
  face("cmd_Refresh", 8205, 810, 1500, QStringLiteral("&Sto&p Search"), QStringLiteral("Stop Search"),
       c.cmd_Refresh, c.lbl_cmd_Refresh);

  c.lblscrch = new Label(w, QStringLiteral("Searching ... "));
  c.lblscrch->setObjectName(QStringLiteral("lblscrch"));
  Twips::SetPlace(c.lblscrch, 225, 1600, 1005, 285);

  c.lblSearchpath = new Label(w);
  c.lblSearchpath->setObjectName(QStringLiteral("lblSearchpath"));
  Twips::SetPlace(c.lblSearchpath, 1905, 1600, 6645, 390);

  c.Animation1 = new Animation(w);
  c.Animation1->setObjectName(QStringLiteral("Animation1"));
  Twips::SetPlace(c.Animation1, 195, 1875, 300, 300);
  c.Animation1->hide();

  c.lbl_Searching = new Label(w, QStringLiteral("Search is in progress..."));
  c.lbl_Searching->setObjectName(QStringLiteral("lbl_Searching"));
  Twips::SetPlace(c.lbl_Searching, 840, 1950, 1920, 210);
  c.lbl_Searching->SetForeColor(0x0000FF);
  c.lbl_Searching->setFont(SkinFont(QStringLiteral("Arial"), 8.25, true));
  // The status may be longer than the designed width; let it run on.
  c.lbl_Searching->SetAutoSize(true);

  c.LblDisplayNumFiles = new Label(w, QStringLiteral("Number of items found: "));
  c.LblDisplayNumFiles->setObjectName(QStringLiteral("LblDisplayNumFiles"));
  Twips::SetPlace(c.LblDisplayNumFiles, 360, 2070, 4425, 210);
  c.LblDisplayNumFiles->hide();

  c.lvw_SearchResult = new UniListView(w);
  c.lvw_SearchResult->setObjectName(QStringLiteral("lvw_SearchResult"));
  Twips::SetPlace(c.lvw_SearchResult, 315, 2370, 9450, 4350);
  c.lvw_SearchResult->setFont(SkinFont(QStringLiteral("Tahoma"), 8.25));
  c.lvw_SearchResult->BeforeCheck = [this](int row, bool checked, bool& cancel) {
    lvw_SearchResult_BeforeCheck(row, checked, cancel);
  };
  c.lvw_SearchResult->AfterCheck = [this](int) { lvw_SearchResult_AfterCheck(); };

  c.chkSelectAll = new QCheckBox(QStringLiteral("Select &All"), w);
  c.chkSelectAll->setObjectName(QStringLiteral("chkSelectAll"));
  Twips::SetPlace(c.chkSelectAll, 345, 7170, 1665, 240);
  c.chkSelectAll->setToolTip(QStringLiteral("Select All"));
  c.chkSelectAll->setAutoFillBackground(true);
  QPalette palette = c.chkSelectAll->palette();
  palette.setColor(QPalette::Window, QColor(185, 185, 185));
  c.chkSelectAll->setPalette(palette);
  QObject::connect(c.chkSelectAll, &QCheckBox::stateChanged, w, [this](int) { chkSelectAll_Click(); });

  c.chkCancelCheckChange = new QCheckBox(QStringLiteral("CancelCheckChange"), w);
  c.chkCancelCheckChange->setObjectName(QStringLiteral("chkCancelCheckChange"));
  Twips::SetPlace(c.chkCancelCheckChange, 0, 0, 1995, 195);
  c.chkCancelCheckChange->hide();

  face("CmdDeleteFullpath", 6150, 7125, 1095, QStringLiteral("&Delete"), QStringLiteral("Delete"),
       c.CmdDeleteFullpath, c.lbl_CmdDeleteFullpath);
  face("wiz_res3_next", 7395, 7125, 1095, QStringLiteral("&Restore"), QStringLiteral("Restore"), c.wiz_res3_next,
       c.lbl_wiz_res3_next);
  face("cmd_cancel", 8625, 7125, 1095, QStringLiteral("&Close"), QStringLiteral("Close"), c.cmd_cancel,
       c.lbl_cmd_cancel);

  c.lblDispItems = new Label(w, QStringLiteral("401 to 500"));
  c.lblDispItems->setObjectName(QStringLiteral("lblDispItems"));
  Twips::SetPlace(c.lblDispItems, 5640, 6780, 3525, 195);
  c.lblDispItems->SetAlignment(Label::Alignment::Right);

  c.PicClose = hiddenPicture("PicClose", 9700, 100, 255, 255);
  c.PicClose->setToolTip(QStringLiteral("Close"));
  c.PicHelp = hiddenPicture("PicHelp", 9400, 100, 255, 255);
  c.PicHelp->setToolTip(QStringLiteral("Help"));
  c.lblBack = hiddenPicture("lblBack", 9255, 6795, 225, 195);
  c.lblNext = hiddenPicture("lblNext", 9510, 6795, 225, 195);

  // Releases: every button but the right one acts; Stop Search takes any.
  auto released = [w](Control* control, bool rightToo, std::function<void(Qt::MouseButton)> command) {
    QObject::connect(control, &Control::MouseUp, w,
                     [command, rightToo](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
                       if (rightToo || button != Qt::RightButton) command(button);
                     });
  };
  for (Control* control : std::initializer_list<Control*>{c.cmdOK, c.lbl_cmdOK}) {
    released(control, true, [this](Qt::MouseButton button) { cmdOK_MouseUp(button); });
  }
  for (Control* control : std::initializer_list<Control*>{c.cmd_Refresh, c.lbl_cmd_Refresh}) {
    released(control, true, [this](Qt::MouseButton) { StopSearch(); });
  }
  for (Control* control : std::initializer_list<Control*>{c.CmdDeleteFullpath, c.lbl_CmdDeleteFullpath}) {
    released(control, false, [this](Qt::MouseButton) { DeleteFoundItems(); });
  }
  for (Control* control : std::initializer_list<Control*>{c.wiz_res3_next, c.lbl_wiz_res3_next}) {
    released(control, false, [this](Qt::MouseButton) { RestoreFoundItems(); });
  }
  for (Control* control : std::initializer_list<Control*>{c.cmd_cancel, c.lbl_cmd_cancel}) {
    released(control, false, [this](Qt::MouseButton) { CloseSearch(); });
  }

  // Hover looks: the button under the pointer, the others normal.
  for (auto [label, box] : std::initializer_list<std::pair<Label*, PictureBox*>>{
           {c.lbl_cmdOK, c.cmdOK},
           {c.lbl_cmd_Refresh, c.cmd_Refresh},
           {c.lbl_CmdDeleteFullpath, c.CmdDeleteFullpath},
           {c.lbl_wiz_res3_next, c.wiz_res3_next},
           {c.lbl_cmd_cancel, c.cmd_cancel}}) {
    QObject::connect(label, &Control::MouseMove, w,
                     [this, hovered = box](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) { ButtonsNormal(hovered); });
  }
}

void frmSearchRemote::ForgetControls() { c_ = Controls{}; }

void frmSearchRemote::ButtonsNormal(PictureBox* hovered) {
  if (!IsLoaded()) return;
  Controls& c = c_;
  vb::ResumeNext next;
  auto look = [&](PictureBox* box, Label* label, bool medium) {
    const bool over = box == hovered;
    const QString key = medium ? (over ? kMedOverKey : kMedKey) : QString();
    next([&] {
      modGeneral::SetButtonState(box, over ? modGeneral::kButtonHover : modGeneral::kButtonNormal, label, key);
    });
  };
  look(c.cmdOK, c.lbl_cmdOK, true);
  look(c.cmd_Refresh, c.lbl_cmd_Refresh, true);
  look(c.CmdDeleteFullpath, c.lbl_CmdDeleteFullpath, false);
  look(c.wiz_res3_next, c.lbl_wiz_res3_next, false);
  look(c.cmd_cancel, c.lbl_cmd_cancel, false);
}

void frmSearchRemote::Form_MouseMove(Qt::MouseButtons, QPoint) { ButtonsNormal(nullptr); }

void frmSearchRemote::Form_Load() {
  Controls& c = c_;
  FormWindow* w = Window();
  runActive_ = false;
  unloadAfterRun_ = false;
  // A window loaded afresh has no search pending; its opener asks for one
  // after the load.
  bSingleCall = false;
  bSearchFromMainScreen = false;
  vb::ResumeNext next;
  next([&] { SetupResultColumns(); });
  next([&] {
    EnsureSearchPictures();
    const QPixmap title = ImageList4Mac().Picture(QStringLiteral("zq_search"));
    if (c.imgTitleinfo->PictureHandle() != title.cacheKey()) c.imgTitleinfo->SetPicture(title);
    if (c.picTitleinfo->PictureHandle() != title.cacheKey()) c.picTitleinfo->SetPicture(title);
  });
  next([&] {
    modGeneral::SetButtonState(c.wiz_res3_next, modGeneral::kButtonNormal, c.lbl_wiz_res3_next);
    modGeneral::SetButtonState(c.CmdDeleteFullpath, modGeneral::kButtonNormal, c.lbl_CmdDeleteFullpath);
    modGeneral::SetButtonState(c.cmd_cancel, modGeneral::kButtonNormal, c.lbl_cmd_cancel);
    modGeneral::SetButtonState(c.cmdOK, modGeneral::kButtonNormal, c.lbl_cmdOK, kMedKey);
    modGeneral::SetButtonState(c.cmd_Refresh, modGeneral::kButtonNormal, c.lbl_cmd_Refresh, kMedKey);
  });
  next([&] {
    c.lbl_Searching->SetCaption({});
    c.lblDispItems->SetCaption({});
  });
  next([&] {
    c.Animation1->Open(QStringLiteral("images\\SearchMac.avi"));
    c.Animation1->hide();
    c.Animation1->Stop();
  });
  // Both buttons lie on one spot; no search runs yet.
  next([&] {
    c.cmdOK->show();
    c.cmd_Refresh->hide();
  });
  selectAllArmed_ = true;
  next([&] { LayoutControls(); });
  next([&] {
    SetWindowResizable(w, true);
    clsRounder rounder;
    rounder.RoundedBorder(*this);
  });
  Program().SkipActivateRepaint = true;
  // It opens over the main window.
  next([&] { CentreWindow(false); });
}

void frmSearchRemote::SetupResultColumns() {
  UniListView* list = c_.lvw_SearchResult;
  list->setColumnCount(0);
  list->AddColumn(QStringLiteral("File/Folder Path"), 4545.07);
  list->AddColumn(QStringLiteral("Size"), 1000.06);
  list->AddColumn(QStringLiteral("Modified Date"), 1924.72);
  list->AddColumn(QString(), 0);
  list->AddColumn(QString(), 0);
}

void frmSearchRemote::LayoutControls() {
  FormWindow* w = Window();
  const double dpi = 1440.0f / static_cast<float>(TwipsPerPixelX());
  if (dpi <= 96) return;
  const double factor = dpi / 96;
  Twips::SetPlace(w, Twips::Left(w), Twips::Top(w), Twips::Width(w) / factor, Twips::Height(w) / factor);
  ShrinkControlsForDpi(w, {QStringLiteral("cmdok")});
  Controls& c = c_;
  Twips::SetTop(c.lblscrch, Twips::Top(c.txt_Searchkey) + Twips::Height(c.txt_Searchkey) + 200);
  Twips::SetLeft(c.lblscrch, Twips::Left(c.txt_Searchkey));
  Twips::SetWidth(c.lblscrch, Twips::Width(c.lblscrch) + 100);
  Twips::SetTop(c.lblSearchpath, Twips::Top(c.lblscrch));
  Twips::SetLeft(c.lblSearchpath, Twips::Left(c.lblscrch) + Twips::Width(c.lblscrch) + 150);
  Twips::SetHeight(c.lblSearchpath, 392);
  Twips::SetHeight(c.cmdOK, Twips::Height(c.cmdOK) + 100);
  Twips::SetWidth(c.imgTitleinfo, Twips::Width(c.imgTitleinfo) + 100);
  Twips::SetHeight(c.imgTitleinfo, Twips::Height(c.imgTitleinfo) + 100);
  Twips::SetWidth(c.PicHelp, 170);
  Twips::SetHeight(c.PicHelp, 170);
  Twips::SetWidth(c.PicClose, 170);
  Twips::SetHeight(c.PicClose, 170);
}

void frmSearchRemote::Form_Resize() {
  // The smallest size set below resizes the window again: that resize is
  // this one's, laid out here.
  if (!IsLoaded() || inResize_) return;
  inResize_ = true;
  Controls& c = c_;
  FormWindow* w = Window();
  const double dpi = std::round(ScreenDpi());
  const bool high = dpi > 96;
  const QRectF place = Twips::TakeWindowPlace(w);
  double W = place.width();
  double H = place.height();
  const double minW = high ? 8400 : 10245;
  const double minH = high ? 6468 : 7920;
  if (!w->isMinimized() && (W < minW || H < minH)) {
    W = std::max(W, minW);
    H = std::max(H, minH);
    Twips::SetPlace(w, place.left(), place.top(), W, H);
  }
  PaintBorderImages();
  const QString path = c.lblSearchpath->Caption();
  if (path.size() >= 110) c.lblSearchpath->setToolTip(QStringLiteral("Resize window to view full searchpath"));
  Twips::SetWidth(c.lblCapbar, W - 400);
  if (!high) {
    Twips::SetWidth(c.lvw_SearchResult, W - 795);
    Twips::SetHeight(c.lvw_SearchResult, H - 3570);
    Twips::SetWidth(c.txt_Searchkey, W - 4095);
    Twips::SetWidth(c.lblSearchpath, W - 4000);
    Twips::SetLeft(c.cmdOK, W - 2000);
    Twips::SetTop(c.chkSelectAll, H - 600);
  } else {
    Twips::SetWidth(c.lvw_SearchResult, W - 542);
    Twips::SetHeight(c.lvw_SearchResult, H - 2760);
    Twips::SetWidth(c.txt_Searchkey, W - 3182);
    Twips::SetWidth(c.lblSearchpath, W - 2500);
    Twips::SetLeft(c.cmdOK, W - 1538);
    Twips::SetTop(c.chkSelectAll, H - 540);
  }
  Twips::SetLeft(c.cmd_Refresh, Twips::Left(c.cmdOK));
  const double buttonsTop = Twips::Top(c.chkSelectAll);
  for (PictureBox* box : {c.CmdDeleteFullpath, c.wiz_res3_next, c.cmd_cancel}) Twips::SetTop(box, buttonsTop);
  Twips::SetLeft(c.CmdDeleteFullpath, W - (high ? 3182 : 4095));
  Twips::SetLeft(c.wiz_res3_next, W - (high ? 2186 : 2850));
  Twips::SetLeft(c.cmd_cancel, W - (high ? 1202 : 1620));
  Twips::SetLeft(c.lblDispItems, W - (high ? 3590 : 4605));
  Twips::SetTop(c.lblDispItems, H - (high ? 860 : 1140));
  Twips::SetLeft(c.lblBack, W - (high ? 698 : 990));
  Twips::SetLeft(c.lblNext, W - (high ? 494 : 735));
  const double arrowsTop = high ? Twips::Top(c.lblDispItems) : H - 1125;
  Twips::SetTop(c.lblBack, arrowsTop);
  Twips::SetTop(c.lblNext, arrowsTop);
  Twips::SetLeft(c.PicClose, high ? W - 400 : W - Twips::Width(c.PicClose) - 200);
  Twips::SetLeft(c.PicHelp, high ? W - 650 : Twips::Left(c.PicClose) - Twips::Width(c.PicHelp) - 50);
  inResize_ = false;
}

void frmSearchRemote::PaintBorderImages() {
  Controls& c = c_;
  FormWindow* w = Window();
  w->Cls();
  const double dpi = std::round(ScreenDpi());
  const double inset = dpi <= 96 ? 110 : 84;
  const double W = Twips::Width(w);
  const double H = Twips::Height(w);
  const double tppX = TwipsPerPixelX();
  const double tppY = TwipsPerPixelY();
  ImageList& list = ImageList1Mac();
  vb::ResumeNext next;
  next([&] {
    const QPixmap top = list.Picture(QStringLiteral("zq_search_topcentre"));
    c.piccentre->SetPicture(top);
    const double step = top.width() * tppX;
    for (double x = -50; x <= W; x += step) w->PaintPicture(top, x, -5);
  });
  next([&] {
    const QPixmap left = list.Picture(QStringLiteral("zq_search_topleft"));
    c.picleft->SetPicture(left);
    w->PaintPicture(left, -10, -5);
  });
  next([&] {
    const QPixmap bottom = list.Picture(QStringLiteral("zq_search_botmcentre"));
    c.PicturePaintBottom->SetPicture(bottom);
    const double height = bottom.height() * tppY;
    Twips::SetTop(c.PicturePaintBottom, H - height);
    for (double x = -50; x <= W; x += 120) w->PaintPicture(bottom, x, H - height - inset);
  });
  next([&] {
    const QPixmap corner = list.Picture(QStringLiteral("zq_search_botmright"));
    c.PicturePaintBottomRt->SetPicture(corner);
    w->PaintPicture(corner, W - corner.width() * tppX - 75, H - corner.height() * tppY - inset);
  });
}

void frmSearchRemote::Form_Activate() {
  if (!IsLoaded()) return;
  vb::ResumeNext next;
  next([&] { c_.chkSelectAll->setEnabled(c_.lvw_SearchResult->RowCount() > 0); });
  if (!bSearchFromMainScreen) return;
  bSearchFromMainScreen = false;
  next([&] {
    c_.lblDispItems->SetCaption({});
    c_.LblDisplayNumFiles->SetCaption({});
  });
  next([&] { RunSearch(); });
  bSingleCall = false;
}

bool frmSearchRemote::Form_KeyDown(int key, Qt::KeyboardModifiers) {
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  if (!modGeneral::JobProgressCheck()) RunSearch();
  return true;
}

bool frmSearchRemote::Form_KeyUp(int key, Qt::KeyboardModifiers shift) {
  if (!AltOnly(shift)) return false;
  switch (key) {
    case Qt::Key_S:
      RunSearch();
      return true;
    case Qt::Key_P:
      StopSearch();
      return true;
    case Qt::Key_R:
      RestoreFoundItems();
      return true;
    case Qt::Key_D:
      DeleteFoundItems();
      return true;
    case Qt::Key_C:
      CloseSearch();
      return true;
    case Qt::Key_A:
      SelectAllItems();
      return true;
    default:
      return false;
  }
}

void frmSearchRemote::CloseSearch() {
  ProgramState& p = Program();
  p.SearchStopRequested = true;
  p.SearchInProgress = false;
  vb::DoEvents();
  vb::DoEvents();
  if (!IsLoaded()) return;
  Controls& c = c_;
  vb::ResumeNext next;
  next([&] {
    c.lbl_Searching->SetCaption({});
    c.Animation1->hide();
    c.Animation1->Stop();
  });
  next([&] {
    c.cmdOK->show();
    c.cmd_Refresh->hide();
    c.CmdDeleteFullpath->setEnabled(true);
    c.wiz_res3_next->setEnabled(true);
    c.cmdOK->setEnabled(true);
    c.txt_Searchkey->setReadOnly(false);
  });
  // The main window's search box shows its placeholder again.
  next([&] {
    QLineEdit* box = MainWindow().txtSearchText;
    if (!box) return;
    box->setText(kPlaceholder);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Text, WinColor(12632256));
    box->setPalette(palette);
    QFont font = box->font();
    font.setItalic(true);
    box->setFont(font);
  });
  if (runActive_) {
    // The run still on the stack reaches the window's controls when it
    // unwinds: the window goes from the screen now and is unloaded then.
    unloadAfterRun_ = true;
    next([&] { Window()->hide(); });
    return;
  }
  Unload();
}

void frmSearchRemote::Form_Unload() {
  ProgramState& p = Program();
  p.SearchStopRequested = true;
  p.SearchInProgress = false;
  Controls& c = c_;
  vb::ResumeNext next;
  // A search still on the call stack sees its stop request in these pumps.
  vb::DoEvents();
  vb::DoEvents();
  next([&] {
    c.lbl_Searching->SetCaption({});
    c.LblDisplayNumFiles->SetCaption({});
    c.Animation1->hide();
    c.Animation1->Stop();
    c.CmdDeleteFullpath->setEnabled(true);
    c.wiz_res3_next->setEnabled(true);
    c.txt_Searchkey->setReadOnly(false);
    c.cmdOK->setEnabled(true);
  });
  p.SearchStopRequested = true;
}

void frmSearchRemote::lvw_SearchResult_BeforeCheck(int row, bool checked, bool& cancel) {
  vb::ResumeNext next;
  next([&] { c_.lvw_SearchResult->SetCheckText(row, checked ? QStringLiteral("1") : QStringLiteral("0")); });
  cancel = c_.chkCancelCheckChange && c_.chkCancelCheckChange->isChecked();
}

void frmSearchRemote::lvw_SearchResult_AfterCheck() {
  if (!IsLoaded()) return;
  UniListView* list = c_.lvw_SearchResult;
  bool all = list->RowCount() > 0;
  for (int row = 1; all && row <= list->RowCount(); ++row) {
    if (list->CheckText(row) == QLatin1String("0")) all = false;
  }
  selectAllArmed_ = all;
  SetSelectAll(all);
}

void frmSearchRemote::SetSelectAll(bool checked) {
  QCheckBox* box = c_.chkSelectAll;
  if (box->isChecked() != checked) box->setChecked(checked);  // runs its click handler
}

void frmSearchRemote::SetMousePointer(bool hourglass) {
  if (!IsLoaded()) return;
  if (hourglass) {
    Window()->setCursor(Qt::WaitCursor);
  } else {
    Window()->unsetCursor();
  }
}

// --- Opening from the main window and returning from the destination screen ---

void ShowSearchWindow(const SearchWindowOpening& opening) {
  frmSearchRemote& form = frmSearchRemote::Instance();
  vb::ResumeNext next;
  next([&] { form.Load(); });
  if (opening.clearSearchingLabel) next([&] { form.lbl_Searching()->SetCaption({}); });
  next([&] { form.lblSearchpath()->SetCaption(opening.searchPath); });
  if (opening.startWithKey) {
    next([&] {
      form.txt_Searchkey()->setText(opening.key);
      form.lblSearchpath()->SetCaption(QStringLiteral("My Orvane/"));
      form.bSearchFromMainScreen = true;
      form.bSingleCall = true;
    });
  }
  if (opening.clearDisplayNumFiles) next([&] { form.LblDisplayNumFiles()->SetCaption({}); });
  next([&] { form.ShowModal(); });
}

void ShowSearchWindowAgain() {
  frmSearchRemote& form = frmSearchRemote::Instance();
  if (!form.IsLoaded()) return;
  FormWindow* w = form.Window();
  w->unsetCursor();
  form.Show();
  w->activateWindow();
}

void UnloadSearchWindow() { frmSearchRemote::Instance().Unload(); }

}  // namespace OrvaneMac
