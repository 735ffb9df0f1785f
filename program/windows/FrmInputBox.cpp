#include "program/windows/FrmInputBox.h"

#include "program/windows/SkinControls.h"
#include "program/windows/SkinFonts.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"
#include "program/foundation/ProgramState.h"
#include "program/windows/clsRounder.h"
#include "program/windows/modGeneralWindows.h"

#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcInputBox, "restore.ui.inputbox")

namespace OrvaneMac {
namespace {

template <typename F>
void Skip(F&& step) {
  try {
    step();
  } catch (const std::exception& e) {
    qCDebug(lcInputBox) << "skipped:" << e.what();
  }
}

}  // namespace

FrmInputBox::FrmInputBox() : Form(QStringLiteral("FrmInputBox")) {}

FrmInputBox& FrmInputBox::Instance() {
  static FrmInputBox* instance = new FrmInputBox;
  return *instance;
}

FrmInputBox::Controls& FrmInputBox::C() {
  Load();
  return c_;
}

Label* FrmInputBox::lblCapbar() { return C().lblCapbar; }
Label* FrmInputBox::lblTitle() { return C().lblTitle; }
Label* FrmInputBox::lblClose() { return C().lblClose; }
Label* FrmInputBox::MsgClose() { return C().MsgClose; }
PictureBox* FrmInputBox::PicClose() { return C().PicClose; }
Label* FrmInputBox::lblMulMes() { return C().lblMulMes; }
TextBoxEx* FrmInputBox::txtbksetname() { return C().txtbksetname; }
PictureBox* FrmInputBox::OK() { return C().OK; }
Label* FrmInputBox::lbl_OK() { return C().lbl_OK; }
PictureBox* FrmInputBox::Cancel() { return C().Cancel; }
Label* FrmInputBox::lbl_Cancel() { return C().lbl_Cancel; }

void FrmInputBox::CreateControls(FormWindow* w) {
  Controls& c = c_;
  w->SetBackColor(0xFFFFFF);
  Twips::SetPlace(w, 0, 0, 6750, 2550);

  c.lblCapbar = new Label(w);
  c.lblCapbar->setObjectName(QStringLiteral("lblCapbar"));
  Twips::SetPlace(c.lblCapbar, 90, -15, 6645, 465);
  DragWindowWith(c.lblCapbar);

  c.lblTitle = new Label(w);
  c.lblTitle->setObjectName(QStringLiteral("lblTitle"));
  Twips::SetPlace(c.lblTitle, 150, 60, 3255, 330);
  c.lblTitle->setFont(SkinFont(QStringLiteral("Arial"), 9, true));
  c.lblTitle->setAttribute(Qt::WA_TransparentForMouseEvents);

  c.lblMulMes = new Label(w);
  c.lblMulMes->setObjectName(QStringLiteral("lblMulMes"));
  Twips::SetPlace(c.lblMulMes, 300, 765, 6105, 765);
  c.lblMulMes->setFont(SkinFont(QStringLiteral("Arial"), 8.25));

  c.txtbksetname = new TextBoxEx(w);
  c.txtbksetname->setObjectName(QStringLiteral("txtbksetname"));
  Twips::SetPlace(c.txtbksetname, 300, 1380, 6075, 315);
  QObject::connect(c.txtbksetname, &TextBoxEx::GotFocus, w, [this] {
    // The whole entry is selected, so typing replaces it.
    if (c_.txtbksetname) c_.txtbksetname->selectAll();
  });

  auto face = [w](double left, double top, const QString& caption, PictureBox*& box, Label*& label) {
    box = new PictureBox(w);
    Twips::SetPlace(box, left, top, 1095, 345);
    box->SetPressedLook(true);
    label = new Label(box, caption);
    Twips::SetPlace(label, 60, 45, 990, 255);
    label->setFont(SkinFont(QStringLiteral("Arial"), 9, true));
    label->SetAlignment(Label::Alignment::Center);
  };
  face(5235, 1965, QStringLiteral("&Close"), c.OK, c.lbl_OK);
  c.OK->setObjectName(QStringLiteral("OK"));
  c.lbl_OK->setObjectName(QStringLiteral("lbl_OK"));
  c.OK->setToolTip(QStringLiteral("Close"));
  face(5520, 2520, QStringLiteral("Close"), c.Cancel, c.lbl_Cancel);
  c.Cancel->setObjectName(QStringLiteral("Cancel"));
  c.lbl_Cancel->setObjectName(QStringLiteral("lbl_Cancel"));
  c.Cancel->hide();

  auto accept = [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
    if (button != Qt::RightButton) AcceptInput();
  };
  auto cancel = [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
    if (button != Qt::RightButton) CloseInput();
  };
  QObject::connect(c.OK, &Control::MouseUp, w, accept);
  QObject::connect(c.lbl_OK, &Control::MouseUp, w, accept);
  QObject::connect(c.Cancel, &Control::MouseUp, w, cancel);
  QObject::connect(c.lbl_Cancel, &Control::MouseUp, w, cancel);
  QObject::connect(c.lbl_OK, &Control::MouseMove, w, [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) {
    modGeneral::SetButtonState(c_.OK, 1, c_.lbl_OK);
    modGeneral::SetButtonState(c_.Cancel, 0, c_.lbl_Cancel);
  });
  QObject::connect(c.lbl_Cancel, &Control::MouseMove, w, [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) {
    modGeneral::SetButtonState(c_.OK, 0, c_.lbl_OK);
    modGeneral::SetButtonState(c_.Cancel, 1, c_.lbl_Cancel);
  });

  // The close areas at the top right, above the caption bar.
  c.lblClose = new Label(w);
  c.lblClose->setObjectName(QStringLiteral("lblClose"));
  Twips::SetPlace(c.lblClose, 6210, 45, 210, 300);
  c.PicClose = new PictureBox(w);
  c.PicClose->setObjectName(QStringLiteral("PicClose"));
  Twips::SetPlace(c.PicClose, 6255, 87, 375, 240);
  c.PicClose->setToolTip(QStringLiteral("Close"));
  c.PicClose->hide();
  c.MsgClose = new Label(w);
  c.MsgClose->setObjectName(QStringLiteral("MsgClose"));
  Twips::SetPlace(c.MsgClose, 6285, 120, 345, 240);
  c.MsgClose->setToolTip(QStringLiteral("Close"));
  for (Control* area : std::initializer_list<Control*>{c.lblClose, c.PicClose, c.MsgClose}) {
    area->setCursor(HandCursor());
  }
  QObject::connect(c.lblClose, &Control::Click, w, [this] { Unload(); });
  QObject::connect(c.PicClose, &Control::Click, w, [this] { Unload(); });
  QObject::connect(c.MsgClose, &Control::MouseUp, w, [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
    if (button == Qt::LeftButton) CloseInput();
  });
}

void FrmInputBox::ForgetControls() { c_ = Controls{}; }

void FrmInputBox::Form_Load() {
  Controls& c = c_;
  FormWindow* w = Window();
  Skip([&] { w->PaintPicture(ImageList4Mac().Picture(QStringLiteral("zq_input")), 0, 0); });
  modGeneral::SetButtonState(c.OK, 0, c.lbl_OK);
  modGeneral::SetButtonState(c.Cancel, 0, c.lbl_Cancel);
  ApplyDpiScale();
  Program().SkipActivateRepaint = true;
  Skip([&] {
    clsRounder rounder;
    rounder.RoundedBorder(*this);
  });
}

void FrmInputBox::ApplyDpiScale() {
  const double dpi = ScreenDpi();
  if (dpi <= 96) return;
  const double f = dpi / 96;
  FormWindow* w = Window();
  Twips::SetWidth(w, Twips::Width(w) / f);
  Twips::SetHeight(w, Twips::Height(w) / f);
  ShrinkControlsForDpi(w);
  Twips::SetTop(c_.lblTitle, 50);
}

void FrmInputBox::Form_Unload() { Program().SkipActivateRepaint = true; }

bool FrmInputBox::Form_KeyUp(int key, Qt::KeyboardModifiers shift) {
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
  const bool altC = key == Qt::Key_C && (shift & Qt::AltModifier);
  if (!enter && !altC) return false;
  AcceptInput();
  return true;
}

void FrmInputBox::AcceptInput() {
  Program().InputBoxAnswer.clear();
  if (IsLoaded() && !c_.txtbksetname->text().isEmpty()) Program().InputBoxAnswer = c_.txtbksetname->text();
  Program().SkipActivateRepaint = true;
  Unload();
}

void FrmInputBox::CloseInput() {
  Program().InputBoxAnswer.clear();
  Program().SkipActivateRepaint = true;
  Unload();
}

void FrmInputBox::ShowInputMessage(const QString& prompt, const QString& heading, const QString& initialText,
                                   long /*icon*/, long /*style*/, const QString& /*title*/) {
  Controls& c = C();
  c.lblMulMes->SetCaption(prompt);
  c.lblTitle->SetCaption(heading);
  c.txtbksetname->setText(initialText);
  CentreWindow(true);
  // The entry field has the focus when the window opens.
  QTimer::singleShot(0, c.txtbksetname, [field = c.txtbksetname] { field->setFocus(Qt::OtherFocusReason); });
  ShowModal();
}

}  // namespace OrvaneMac
