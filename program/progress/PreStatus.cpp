#include "program/progress/PreStatus.h"

#include <QApplication>

#include "platform/errors/RuntimeError.h"
#include "program/foundation/Options.h"
#include "program/foundation/ProgramState.h"
#include "program/main/SmartImages.h"
#include "program/windows/SkinFonts.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"
#include "program/windows/clsRounder.h"
#include "program/windows/modGeneralWindows.h"

namespace OrvaneMac {
namespace {

const QString kForm = QStringLiteral("PreStatus");
constexpr long kBack = 0xECF1F2;  // RGB(242, 241, 236)

bool MainWindowMinimised() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() == QLatin1String("Smart")) return w->isMinimized();
  }
  return false;
}

}  // namespace

PreStatus::PreStatus() : Form(QStringLiteral("PreStatus")) {}

PreStatus& PreStatus::Instance() {
  static PreStatus* instance = new PreStatus;
  return *instance;
}

PreStatus::Controls& PreStatus::C() {
  Load();
  return c_;
}

PictureBox* PreStatus::comcancel() { return C().comcancel; }
Label* PreStatus::lbl_comcancel() { return C().lbl_comcancel; }
Animation* PreStatus::Animation1() { return C().Animation1; }
Label* PreStatus::lblCapbar() { return C().lblCapbar; }
Label* PreStatus::status() { return C().status; }
Label* PreStatus::lblTitle() { return C().lblTitle; }
Label* PreStatus::lblClose() { return C().lblClose; }

void PreStatus::CreateControls(FormWindow* w) {
  Controls& c = c_;
  w->SetBackColor(kBack);
  Twips::SetPlace(w, 0, 0, 5865, 2880);

  c.comcancel = new PictureBox(w);
  c.comcancel->setObjectName(QStringLiteral("comcancel"));
  Twips::SetPlace(c.comcancel, 4020, 2295, 1095, 345);
  c.comcancel->SetBackColor(0xF4F4F4);
  c.comcancel->setToolTip(QStringLiteral("Close"));
  c.comcancel->hide();
  c.lbl_comcancel = new Label(c.comcancel, QStringLiteral("&Close"));
  c.lbl_comcancel->setObjectName(QStringLiteral("lbl_comcancel"));
  Twips::SetPlace(c.lbl_comcancel, 60, 45, 990, 255);
  c.lbl_comcancel->SetAlignment(Label::Alignment::Center);
  c.lbl_comcancel->setFont(SkinFont(QStringLiteral("Arial"), 9, true));
  c.lbl_comcancel->setToolTip(QStringLiteral("Close"));
  QObject::connect(c.comcancel, &Control::MouseUp, w, [this] { comcancel_Click(); });
  QObject::connect(c.lbl_comcancel, &Control::MouseUp, w, [this] { comcancel_Click(); });

  c.Animation1 = new Animation(w);
  c.Animation1->setObjectName(QStringLiteral("Animation1"));
  Twips::SetPlace(c.Animation1, 1237, 1770, 2580, 165);

  c.lblCapbar = new Label(w);
  c.lblCapbar->setObjectName(QStringLiteral("lblCapbar"));
  Twips::SetPlace(c.lblCapbar, -15, 15, 5820, 480);
  DragWindowWith(c.lblCapbar);

  c.status = new Label(w);
  c.status->setObjectName(QStringLiteral("status"));
  Twips::SetPlace(c.status, 1170, 1110, 3135, 495);
  c.status->SetAlignment(Label::Alignment::Center);
  c.status->setFont(SkinFont(QStringLiteral("Arial"), 9.75));
  c.status->SetBackColor(kBack);

  c.lblTitle = new Label(w);
  c.lblTitle->setObjectName(QStringLiteral("lblTitle"));
  Twips::SetPlace(c.lblTitle, 285, 75, 4470, 345);
  c.lblTitle->setFont(SkinFont(QStringLiteral("Arial"), 9.75, true));
  c.lblTitle->SetForeColor(0xFFFFFF);
  c.lblTitle->setAttribute(Qt::WA_TransparentForMouseEvents);

  c.lblClose = new Label(w);
  c.lblClose->setObjectName(QStringLiteral("lblClose"));
  Twips::SetPlace(c.lblClose, 6255, 165, 180, 240);
  QObject::connect(c.lblClose, &Control::Click, w, [this] { Unload(); });
}

void PreStatus::ForgetControls() { c_ = Controls{}; }

void PreStatus::Form_Load() {
  Controls& c = c_;
  vb::ResumeNext next;
  next([&] { c.lblTitle->SetCaption(Program().AppTitle); });
  next([&] {
    EnsureMainWindowPictures();
    Window()->SetPicture(ImageList4Mac().Picture(QStringLiteral("prestatusgif")));
  });
  next([&] { modGeneral::SetButtonState(c.comcancel, modGeneral::kButtonNormal, c.lbl_comcancel); });
  bCancelRequested = false;
  next([&] {
    if (MainWindowMinimised()) Window()->showMinimized();
  });
  next([&] {
    if (c.Animation1->Open(QStringLiteral("images\\prestatus.avi"))) c.Animation1->Play();
  });
  next([&] { ResizecontrolDPI(); });
  next([&] {
    clsRounder rounder;
    rounder.RoundedBorder(*this);
  });
  next([&] { CentreWindow(true); });
}

void PreStatus::ResizecontrolDPI() {
  if (ShrinkControlsForDpi(Window()) == 1) return;
  SetWidth(4690);
  SetHeight(2300);
}

bool PreStatus::Form_KeyUp(int key, Qt::KeyboardModifiers shift) {
  if (key == Qt::Key_C && AltOnly(shift) && Window()->isActiveWindow()) {
    comcancel_Click();
    return true;
  }
  return false;
}

void PreStatus::Form_MouseMove(Qt::MouseButtons, QPoint) {
  vb::ResumeNext next;
  next([&] { modGeneral::SetButtonState(c_.comcancel, modGeneral::kButtonNormal, c_.lbl_comcancel); });
}

void PreStatus::comcancel_Click() {
  vb::OnErrorGoTo([&] { bCancelRequested = true; },
                  [](const vb::ErrorInfo& e) {
                    TraceError(e, QStringLiteral("comcancel_Click"), vb::OwnerKind::Form, kForm);
                  });
}

bool PreStatus::UpdateProcess(const QString& sItem) {
  return vb::OnErrorGoTo(
      [&] {
        C().status->SetCaption(sItem);
        return bCancelRequested;
      },
      [](const vb::ErrorInfo& e) {
        TraceError(e, QStringLiteral("UpdateProcess"), vb::OwnerKind::Form, kForm);
        return false;
      });
}

void PreStatus::ShowWithStatus(const QString& text) {
  vb::ResumeNext next;
  next([&] { Show(); });
  next([&] { C().status->SetCaption(text); });
  // The callers' work holds the thread next: the box must be on the screen,
  // drawn, before it starts.
  next([&] { PaintNow(); });
  next([&] { C().Animation1->Play(); });
}

}  // namespace OrvaneMac
