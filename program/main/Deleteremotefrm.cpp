#include "program/main/Deleteremotefrm.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <functional>

#include "platform/errors/RuntimeError.h"
#include "platform/ui/EventPump.h"
#include "program/foundation/Options.h"
#include "program/foundation/ProgramState.h"
#include "program/main/MainWindowServices.h"
#include "program/session/Transfer.h"
#include "program/windows/SkinControls.h"
#include "program/windows/SkinFonts.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"
#include "program/windows/clsRounder.h"
#include "program/windows/modGeneralWindows.h"

namespace OrvaneMac {
namespace {

const QString kOwner = QStringLiteral("Deleteremotefrm");

void TraceFormError(const vb::ErrorInfo& e, const QString& procedure) {
  TraceError(e, procedure, vb::OwnerKind::Form, kOwner);
}

// The design size and the smallest size the window keeps (twips), at
// 96 dpi and above it.
constexpr double kMinWidth = 6870, kMinHeight = 4335;
constexpr double kMinWidthHigh = 5405, kMinHeightHigh = 3370;

bool HighDpi() { return ScreenDpi() > 96; }

// The skin's pictures of this window, drawn in the skin's colours.
const QColor kCaptionTop(0xE9, 0xF0, 0xF9);
const QColor kCaptionBottom(0xBD, 0xCF, 0xE8);
const QColor kPanelEdge(0xC8, 0xCE, 0xD6);

QPixmap Blank(int w, int h) {
  QPixmap pm(w, h);
  pm.fill(Qt::transparent);
  return pm;
}

// A piece of the caption strip, 31 pixels high; `round` < 0 rounds its
// top-left corner, > 0 its top-right one.
QPixmap CaptionPiece(int w, int round) {
  QPixmap pm = Blank(w, 31);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, 31);
  g.setColorAt(0, kCaptionTop);
  g.setColorAt(1, kCaptionBottom);
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  if (round == 0) {
    p.drawRect(0, 0, w, 31);
  } else {
    QPainterPath path;
    path.addRoundedRect(QRectF(round < 0 ? 0 : -10, 0, w + 10, 41), 6, 6);
    p.setClipRect(0, 0, w, 31);
    p.drawPath(path);
  }
  return pm;
}

// A piece of the bottom band under the buttons, 40 pixels high.
QPixmap BottomPiece(int w, bool corner) {
  QPixmap pm = Blank(w, 40);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, 40);
  g.setColorAt(0, QColor(0xE9, 0xEC, 0xF0));
  g.setColorAt(1, QColor(0xDC, 0xE1, 0xE7));
  p.fillRect(0, 0, w, 40, g);
  p.setPen(kPanelEdge);
  p.drawLine(0, 0, w, 0);
  if (corner) {
    // The grip dots of the lower right corner.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xA8, 0xB0, 0xBA));
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j <= i; ++j) p.drawEllipse(QPointF(w - 6 - j * 4, 34 - (2 - i) * 4), 1.2, 1.2);
    }
  }
  return pm;
}

}  // namespace

void AddDeleteWindowPictures() {
  ImageList& list = ImageList1Mac();
  auto add = [&](const char* key, const QPixmap& picture) {
    if (!list.Contains(QString::fromLatin1(key))) list.Add(QString::fromLatin1(key), picture);
  };
  add("zq_delete_topleft", CaptionPiece(12, -1));
  add("zq_delete_topcentre", CaptionPiece(40, 0));
  add("zq_delete_topright", CaptionPiece(12, 1));
  add("zq_search_botmcentre", BottomPiece(16, false));
  add("zq_search_botmright", BottomPiece(24, true));
}

Deleteremotefrm::Deleteremotefrm() : Form(QStringLiteral("Deleteremotefrm")) {}

Deleteremotefrm& Deleteremotefrm::Instance() {
  static Deleteremotefrm* instance = new Deleteremotefrm;
  return *instance;
}

Deleteremotefrm::Controls& Deleteremotefrm::C() {
  Load();
  return c_;
}

Label* Deleteremotefrm::lblTitle() { return C().lblTitle; }
Label* Deleteremotefrm::lblCapbar() { return C().lblCapbar; }
PictureBox* Deleteremotefrm::PicClose() { return C().PicClose; }
Label* Deleteremotefrm::lblClose() { return C().lblClose; }
Container* Deleteremotefrm::titleframe() { return C().titleframe; }
Label* Deleteremotefrm::Delmsg() { return C().Delmsg; }
Label* Deleteremotefrm::SyncMsg() { return C().SyncMsg; }
QPlainTextEdit* Deleteremotefrm::LstSyncData() { return C().LstSyncData; }
Container* Deleteremotefrm::Frame2() { return C().Frame2; }
Label* Deleteremotefrm::Label1() { return C().Label1; }
Animation* Deleteremotefrm::Animation1() { return C().Animation1; }
Label* Deleteremotefrm::Delfilepathtxt() { return C().Delfilepathtxt; }
PictureBox* Deleteremotefrm::OK() { return C().OK; }
Label* Deleteremotefrm::lbl_OK() { return C().lbl_OK; }
PictureBox* Deleteremotefrm::Cancel() { return C().Cancel; }
Label* Deleteremotefrm::lbl_Cancel() { return C().lbl_Cancel; }
PictureBox* Deleteremotefrm::cmdDeleteSync() { return C().cmdDeleteSync; }
Label* Deleteremotefrm::lbl_cmdDeleteSync() { return C().lbl_cmdDeleteSync; }
Label* Deleteremotefrm::lblSyncCaption() { return C().lblSyncCaption; }

void Deleteremotefrm::CreateControls(FormWindow* w) {
  Controls& c = c_;
  AddDeleteWindowPictures();
  w->SetBackColor(0xF5F5F5);
  Twips::SetPlace(w, 0, 0, kMinWidth, kMinHeight);
  const QFont tahoma = SkinFont(QStringLiteral("Tahoma"), 8.25);
  const QFont bold = SkinFont(QStringLiteral("Arial"), 9, true);

  auto holder = [w](const char* name) {
    auto* p = new PictureBox(w);
    p->setObjectName(QString::fromLatin1(name));
    p->SetAutoSize(true);
    p->hide();
    return p;
  };
  c.piccentre = holder("piccentre");
  c.picleft = holder("picleft");
  c.picright = holder("picright");
  c.PicturePaintBottom = holder("PicturePaintBottom");
  c.PicturePaintBottomRt = holder("PicturePaintBottomRt");

  c.lblCapbar = new Label(w);
  c.lblCapbar->setObjectName(QStringLiteral("lblCapbar"));
  Twips::SetPlace(c.lblCapbar, 0, 0, kMinWidth, 465);
  DragWindowWith(c.lblCapbar);

  c.lblTitle = new Label(w, QStringLiteral("Delete"));
  c.lblTitle->setObjectName(QStringLiteral("lblTitle"));
  c.lblTitle->setFont(bold);
  Twips::SetPlace(c.lblTitle, 195, 105, 2400, 270);
  c.lblTitle->setAttribute(Qt::WA_TransparentForMouseEvents);

  c.PicClose = new PictureBox(w);
  c.PicClose->setObjectName(QStringLiteral("PicClose"));
  Twips::SetPlace(c.PicClose, kMinWidth - 445, 105, 210, 210);
  c.PicClose->setToolTip(QStringLiteral("Close"));
  c.lblClose = new Label(w);
  c.lblClose->setObjectName(QStringLiteral("lblClose"));
  Twips::SetPlace(c.lblClose, kMinWidth - 445, 105, 210, 210);
  c.lblClose->setToolTip(QStringLiteral("Close"));
  c.lblClose->setCursor(HandCursor());

  c.titleframe = new Container(w);
  c.titleframe->setObjectName(QStringLiteral("titleframe"));
  Twips::SetPlace(c.titleframe, 172, 600, kMinWidth - 345, 425);
  c.Delmsg = new Label(c.titleframe, QStringLiteral("You have selected to delete the below listed  files/folders."));
  c.Delmsg->setObjectName(QStringLiteral("Delmsg"));
  c.Delmsg->setFont(SkinFont(QStringLiteral("Arial"), 9));
  Twips::SetPlace(c.Delmsg, 0, 90, kMinWidth - 345, 270);
  c.SyncMsg = new Label(c.titleframe,
                        QStringLiteral("List of files/folders present in your Tessara account but not on your local "
                                       "machine. Click 'Sync' to delete them permanently from your account."));
  c.SyncMsg->setObjectName(QStringLiteral("SyncMsg"));
  c.SyncMsg->setFont(SkinFont(QStringLiteral("Arial"), 8.25));
  Twips::SetPlace(c.SyncMsg, 0, 0, kMinWidth - 345, 425);
  c.SyncMsg->hide();

  // The progress group shares the area of the message and the list and is
  // shown once the deletion starts.
  c.Frame2 = new Container(w);
  c.Frame2->setObjectName(QStringLiteral("Frame2"));
  Twips::SetPlace(c.Frame2, 172, 600, kMinWidth - 345, kMinHeight - 1000);
  c.Frame2->hide();
  c.Label1 = new Label(c.Frame2, QStringLiteral("Deleting..."));
  c.Label1->setObjectName(QStringLiteral("Label1"));
  c.Label1->setFont(bold);
  Twips::SetPlace(c.Label1, 120, 90, 3000, 270);
  c.Animation1 = new Animation(c.Frame2);
  c.Animation1->setObjectName(QStringLiteral("Animation1"));
  Twips::SetPlace(c.Animation1, 120, 450, 4200, 900);
  c.Delfilepathtxt = new Label(c.Frame2);
  c.Delfilepathtxt->setObjectName(QStringLiteral("Delfilepathtxt"));
  c.Delfilepathtxt->setFont(tahoma);
  Twips::SetPlace(c.Delfilepathtxt, 120, 1500, kMinWidth - 495, kMinHeight - 3445);
  c.Delfilepathtxt->hide();

  c.LstSyncData = new QPlainTextEdit(w);
  c.LstSyncData->setObjectName(QStringLiteral("LstSyncData"));
  c.LstSyncData->setReadOnly(true);
  c.LstSyncData->setFont(tahoma);
  c.LstSyncData->setLineWrapMode(QPlainTextEdit::NoWrap);
  c.LstSyncData->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  c.LstSyncData->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Twips::SetPlace(c.LstSyncData, 172, 1095, kMinWidth - 345, kMinHeight - 2445);

  c.lblSyncCaption = new Label(w, QStringLiteral("Delete file(s)/folder(s) list."));
  c.lblSyncCaption->setObjectName(QStringLiteral("lblSyncCaption"));
  c.lblSyncCaption->setFont(SkinFont(QStringLiteral("Arial"), 8.25, true));
  Twips::SetPlace(c.lblSyncCaption, 172, kMinHeight - 1245, 3600, 255);
  c.lblSyncCaption->hide();

  c.OK_OLD = new QPushButton(QStringLiteral("Sync"), w);
  c.OK_OLD->setObjectName(QStringLiteral("OK_OLD"));
  c.OK_OLD->hide();

  auto face = [&](const char* name, double left, const QString& caption, const QString& tip, PictureBox*& box,
                  Label*& label) {
    box = new PictureBox(w);
    box->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(box, left, kMinHeight - 700, 1095, 345);
    box->setToolTip(tip);
    box->SetPressedLook(true);
    label = new Label(box, caption);
    label->setObjectName(QStringLiteral("lbl_") + QString::fromLatin1(name));
    Twips::SetPlace(label, 60, 45, 975, 255);
    label->setFont(bold);
    label->SetAlignment(Label::Alignment::Center);
    label->setToolTip(tip);
  };
  face("OK", kMinWidth - 2685, QStringLiteral("&OK"), QStringLiteral("OK"), c.OK, c.lbl_OK);
  face("Cancel", kMinWidth - 1485, QStringLiteral("&Close"), QStringLiteral("Close"), c.Cancel, c.lbl_Cancel);
  face("cmdDeleteSync", kMinWidth - 2685, QStringLiteral("&Sync >>"), QStringLiteral("Sync"), c.cmdDeleteSync,
       c.lbl_cmdDeleteSync);

  auto released = [w](Control* control, std::function<void()> command) {
    QObject::connect(control, &Control::MouseUp, w, [command](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
      if (button != Qt::RightButton) command();
    });
  };
  released(c.OK, [this] { OK_Click(); });
  released(c.lbl_OK, [this] { OK_Click(); });
  released(c.Cancel, [this] { cancel_Click(); });
  released(c.lbl_Cancel, [this] { cancel_Click(); });
  released(c.lblClose, [this] { cancel_Click(); });
  QObject::connect(c.PicClose, &Control::Click, w, [this] { cancel_Click(); });
  auto hover = [&](Label* label, int ok, int cancel, int sync) {
    QObject::connect(label, &Control::MouseMove, w,
                     [this, ok, cancel, sync](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) {
                       SetButtons(ok, cancel, sync);
                     });
  };
  hover(c.lbl_OK, modGeneral::kButtonHover, modGeneral::kButtonNormal, modGeneral::kButtonNormal);
  hover(c.lbl_Cancel, modGeneral::kButtonNormal, modGeneral::kButtonHover, modGeneral::kButtonNormal);
  hover(c.lbl_cmdDeleteSync, modGeneral::kButtonNormal, modGeneral::kButtonNormal, modGeneral::kButtonHover);
}

void Deleteremotefrm::ForgetControls() { c_ = Controls{}; }

void Deleteremotefrm::SetButtons(int okState, int cancelState, int syncState) {
  if (!IsLoaded()) return;
  modGeneral::SetButtonState(c_.OK, okState, c_.lbl_OK);
  modGeneral::SetButtonState(c_.Cancel, cancelState, c_.lbl_Cancel);
  modGeneral::SetButtonState(c_.cmdDeleteSync, syncState, c_.lbl_cmdDeleteSync);
}

void Deleteremotefrm::Form_Load() {
  Controls& c = c_;
  vb::OnErrorGoTo(
      [&] {
        modGeneral::SetButtonState(c.Cancel, modGeneral::kButtonNormal, c.lbl_Cancel);
        modGeneral::SetButtonState(c.OK, modGeneral::kButtonNormal, c.lbl_OK);
        modGeneral::SetButtonState(c.cmdDeleteSync, modGeneral::kButtonNormal, c.lbl_cmdDeleteSync);
        Program().DeleteCancelRequested = false;
        Program().DeletedItems.clear();
        // The clip plays as soon as it is open.
        if (c.Animation1->Open(QStringLiteral("images\\DeleteRemote.avi"))) c.Animation1->Play();
        const QPixmap close = ImageList4Mac().Picture(QStringLiteral("zq_small_close"));
        if (c.PicClose->PictureHandle() != close.cacheKey()) c.PicClose->SetPicture(close);
        ResizecontrolDPI();
        CentreWindow(true);
        clsRounder rounder;
        rounder.RoundedBorder(*this);
        Form_Resize();
        Program().SkipActivateRepaint = true;
      },
      [](const vb::ErrorInfo& e) { TraceFormError(e, QStringLiteral("Form_Load")); });
}

void Deleteremotefrm::Form_QueryUnload(bool& /*cancel*/) {
  if (!closingAfterPass_) Program().DeleteCancelRequested = true;
}

void Deleteremotefrm::Form_Unload() {
  vb::OnErrorGoTo([&] { Window()->unsetCursor(); },
                  [](const vb::ErrorInfo& e) { TraceFormError(e, QStringLiteral("Form_Unload")); });
}

void Deleteremotefrm::ResizecontrolDPI() {
  if (!HighDpi()) return;
  Controls& c = C();
  vb::ResumeNext next;
  const double f = ScreenDpi() / 96;
  next([&] {
    SetWidth(Width() / f);
    SetHeight(Height() / f);
  });
  next([&] { ShrinkControlsForDpi(Window()); });
  next([&] { Twips::SetHeight(c.Animation1, Twips::Height(c.Animation1) + 100); });
  next([&] { Twips::SetTop(c.OK, Twips::Top(c.OK) - 30); });
  next([&] {
    Twips::SetTop(c.cmdDeleteSync, Twips::Top(c.OK));
    Twips::SetTop(c.Cancel, Twips::Top(c.OK));
  });
  next([&] { Twips::SetTop(c.LstSyncData, Height() - 2400); });
  next([&] { Twips::SetHeight(c.titleframe, 425); });
  next([&] {
    Twips::SetWidth(c.PicClose, 170);
    Twips::SetHeight(c.PicClose, 170);
  });
}

void Deleteremotefrm::Form_Resize() {
  // The smallest size set below resizes the window again: that resize is
  // this one's, laid out here.
  if (!IsLoaded() || inResize_) return;
  inResize_ = true;
  Controls& c = c_;
  vb::ResumeNext next;
  const bool high = HighDpi();
  next([&] {
    FormWindow* w = Window();
    const QRectF place = Twips::TakeWindowPlace(w);
    if (w->isMinimized()) return;
    const double minWidth = high ? kMinWidthHigh : kMinWidth;
    const double minHeight = high ? kMinHeightHigh : kMinHeight;
    if (place.width() < minWidth || place.height() < minHeight) {
      Twips::SetPlace(w, place.left(), place.top(), std::max(place.width(), minWidth),
                      std::max(place.height(), minHeight));
    }
  });
  next([&] { PaintBorderImages(); });
  const double W = Width();
  const double H = Height();
  next([&] { Twips::SetWidth(c.lblCapbar, W); });
  next([&] {
    Twips::SetWidth(c.LstSyncData, W - (high ? 250 : 345));
    Twips::SetHeight(c.LstSyncData, H - (high ? 1858 : 2445));
  });
  next([&] {
    Twips::SetLeft(c.OK, W - (high ? 2057 : 2685));
    Twips::SetTop(c.OK, H - (high ? 525 : 700));
  });
  next([&] { Twips::SetLeft(c.Cancel, W - (high ? 1097 : 1485)); });
  next([&] {
    Twips::SetLeft(c.PicClose, W - (high ? 375 : 445));
    Twips::SetLeft(c.lblClose, Twips::Left(c.PicClose));
  });
  next([&] {
    Twips::SetLeft(c.cmdDeleteSync, Twips::Left(c.OK));
    Twips::SetTop(c.cmdDeleteSync, Twips::Top(c.OK));
    Twips::SetTop(c.Cancel, Twips::Top(c.OK));
  });
  next([&] {
    Twips::SetWidth(c.Frame2, W - (high ? 250 : 345));
    Twips::SetHeight(c.Frame2, H - (high ? 800 : 1000));
  });
  next([&] {
    Twips::SetWidth(c.Delfilepathtxt, Twips::Width(c.Frame2) - 150);
    Twips::SetHeight(c.Delfilepathtxt, Twips::Height(c.Frame2) - (high ? 2000 : 2445));
  });
  inResize_ = false;
}

void Deleteremotefrm::PaintBorderImages() {
  Controls& c = C();
  FormWindow* w = Window();
  const bool high = HighDpi();
  const double b = high ? 68 : 45;
  const double r = high ? 100 : 50;
  const double cc = high ? 60 : 50;
  w->Cls();
  auto holderShows = [](PictureBox* holder, const QString& key) {
    const QPixmap picture = ImageList1Mac().Picture(key);
    if (holder->PictureHandle() != picture.cacheKey()) holder->SetPicture(picture);
    return picture;
  };
  const double scaleWidth = Width();
  const double height = Height();
  const QPixmap centre = holderShows(c.piccentre, QStringLiteral("zq_delete_topcentre"));
  const double step = Twips::Width(c.piccentre) - 60;
  for (double x = -50; x <= scaleWidth && step > 0; x += step) w->PaintPicture(centre, x, -5);
  w->PaintPicture(holderShows(c.picleft, QStringLiteral("zq_delete_topleft")), -10, -5);
  w->PaintPicture(holderShows(c.picright, QStringLiteral("zq_delete_topright")),
                  scaleWidth - Twips::Width(c.picright) + r, -5);
  const QPixmap bottom = holderShows(c.PicturePaintBottom, QStringLiteral("zq_search_botmcentre"));
  Twips::SetTop(c.PicturePaintBottom, height - Twips::Height(c.PicturePaintBottom) - 80);
  for (double x = -50; x <= scaleWidth; x += 120) {
    w->PaintPicture(bottom, x, height - Twips::Height(c.PicturePaintBottom) - b);
  }
  const QPixmap corner = holderShows(c.PicturePaintBottomRt, QStringLiteral("zq_search_botmright"));
  w->PaintPicture(corner, Width() - Twips::Width(c.PicturePaintBottomRt) - cc,
                  height - Twips::Height(c.PicturePaintBottomRt) - b);
}

void Deleteremotefrm::Form_MouseMove(Qt::MouseButtons, QPoint) {
  SetButtons(modGeneral::kButtonNormal, modGeneral::kButtonNormal, modGeneral::kButtonNormal);
}

bool Deleteremotefrm::Form_KeyUp(int key, Qt::KeyboardModifiers shift) {
  if (!AltOnly(shift)) return false;
  if (key == Qt::Key_O) {
    OK_Click();
    return true;
  }
  if (key == Qt::Key_C) {
    cancel_Click();
    return true;
  }
  return false;
}

void Deleteremotefrm::OK_Click() {
  vb::OnErrorGoTo(
      [&] {
        // One pass at a time: an OK that arrives while the pass pumps
        // events would start the same set again from its first entry.
        if (passRunning_) return;
        gTransfer().Trf_DoMultipledelete(false);
      },
      [](const vb::ErrorInfo& e) { TraceFormError(e, QStringLiteral("OK_Click")); });
}

void Deleteremotefrm::cancel_Click() {
  vb::OnErrorGoTo(
      [&] {
        Program().DeleteCancelRequested = true;
        gTransfer().Trf_DoMultipledelete(false);
      },
      [](const vb::ErrorInfo& e) { TraceFormError(e, QStringLiteral("cancel_Click")); });
}

void Deleteremotefrm::ShowPath(const QString& displayPath) {
  Label* label = C().Delfilepathtxt;
  label->SetCaption(modGeneral::FitPathToLabel(displayPath, std::lround(Twips::Width(label))));
}

bool Deleteremotefrm::UpdateProgress(const QString& sItem) {
  return vb::OnErrorGoTo(
      [&] {
        const QString& account = Program().AccountName;
        const qsizetype p = account.isEmpty() ? -1 : sItem.indexOf(account);
        if (p >= 0) {
          const QString rest = sItem.mid(p + account.size());
          // A window that has gone is not loaded again for the label: its
          // load would clear the cancel the user has just given.
          if (!rest.isEmpty() && IsLoaded()) ShowPath(QStringLiteral("My Orvane") + rest);
          vb::DoEvents();
        }
        return Program().DeleteCancelRequested;
      },
      [](const vb::ErrorInfo& e) {
        TraceFormError(e, QStringLiteral("UpdateProgress"));
        return false;
      });
}

void ShowDeleteWindow(const QString& syncCaption, const QString& syncData) {
  Deleteremotefrm& f = Deleteremotefrm::Instance();
  f.cmdDeleteSync()->hide();
  f.lblSyncCaption()->hide();
  f.lblSyncCaption()->SetCaption(syncCaption);
  f.LstSyncData()->setPlainText(QString(syncData).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  f.ShowModal();
}

bool DeleteWindowUpdateProgress(const QString& sItem) { return Deleteremotefrm::Instance().UpdateProgress(sItem); }

}  // namespace OrvaneMac
