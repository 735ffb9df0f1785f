#include "program/session/frmSelectUserName.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLoggingCategory>

#include "platform/ui/MessageBoxService.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/ProgramState.h"
#include "program/windows/SkinControls.h"
#include "program/windows/SkinFonts.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"
#include "program/windows/clsRounder.h"
#include "program/windows/modGeneralWindows.h"

Q_LOGGING_CATEGORY(lcChooser, "restore.ui.chooser")

namespace OrvaneMac {
namespace {

template <typename F>
void Skip(F&& step) {
  try {
    step();
  } catch (const std::exception& e) {
    qCDebug(lcChooser) << "skipped:" << e.what();
  }
}

// Enter and Esc in the list: accept and close.
class ListKeys : public QObject {
 public:
  explicit ListKeys(frmSelectUserName* form, QObject* parent) : QObject(parent), form_(form) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      form_->Accept();
      return true;
    }
    if (key == Qt::Key_Escape) {
      form_->CloseWithoutChoice();
      return true;
    }
    return false;
  }

 private:
  frmSelectUserName* form_;
};

}  // namespace

frmSelectUserName::frmSelectUserName() : Form(QStringLiteral("frmSelectUserName")) {}

frmSelectUserName& frmSelectUserName::Instance() {
  static auto* instance = new frmSelectUserName;
  return *instance;
}

frmSelectUserName::Controls& frmSelectUserName::C() {
  Load();
  return c_;
}

Label* frmSelectUserName::lblCapbar() { return C().lblCapbar; }
Label* frmSelectUserName::AppCaption() { return C().AppCaption; }
PictureBox* frmSelectUserName::PicClose() { return C().PicClose; }
Container* frmSelectUserName::Picture2() { return C().Picture2; }
Label* frmSelectUserName::Label1() { return C().Label1; }
QComboBox* frmSelectUserName::Combo1() { return C().Combo1; }
PictureBox* frmSelectUserName::cmdOK() { return C().cmdOK; }
Label* frmSelectUserName::lbl_cmdOK() { return C().lbl_cmdOK; }

void frmSelectUserName::CreateControls(FormWindow* w) {
  Controls& c = c_;
  w->SetBackColor(0xF5F5F5);
  Twips::SetPlace(w, 0, 0, 5820, 2730);
  const QFont bold = SkinFont(QStringLiteral("Arial"), 9, true);

  // The caption bar: the message box's caption picture under a dragging label.
  auto* bar = new PictureBox(w);
  bar->setObjectName(QStringLiteral("picCaption"));
  Twips::SetPlace(bar, 0, 0, 5820, 465);
  bar->SetStretch(true);
  Skip([&] { bar->SetPicture(MesgBoxCaptionPicture()); });
  c.lblCapbar = new Label(w);
  c.lblCapbar->setObjectName(QStringLiteral("lblCapbar"));
  Twips::SetPlace(c.lblCapbar, 0, 0, 6585, 480);
  DragWindowWith(c.lblCapbar);
  c.AppCaption = new Label(w);
  c.AppCaption->setObjectName(QStringLiteral("AppCaption"));
  Twips::SetPlace(c.AppCaption, 100, 100, 5235, 300);
  c.AppCaption->setFont(bold);
  c.AppCaption->setAttribute(Qt::WA_TransparentForMouseEvents);

  c.PicClose = new PictureBox(w);
  c.PicClose->setObjectName(QStringLiteral("PicClose"));
  Twips::SetPlace(c.PicClose, 5490, 120, 210, 210);
  c.PicClose->setToolTip(QStringLiteral("Close"));
  c.PicClose->setCursor(HandCursor());
  Skip([&] { c.PicClose->SetPicture(ImageList4Mac().Picture(QStringLiteral("zq_small_close"))); });
  QObject::connect(c.PicClose, &Control::Click, w, [this] { CloseWithoutChoice(); });

  c.Picture2 = new Container(w);
  c.Picture2->setObjectName(QStringLiteral("Picture2"));
  Twips::SetPlace(c.Picture2, 0, 465, 5800, 2250);
  c.Picture2->SetBackColor(0xF5F5F5);
  QObject::connect(c.Picture2, &Control::MouseMove, w, [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) {
    modGeneral::SetButtonState(c_.cmdOK, 0, c_.lbl_cmdOK);
  });

  c.Label1 = new Label(c.Picture2,
                       QStringLiteral("There are multiple accounts associated with this email address. Select the "
                                      "specific username associated with this email address to login."));
  c.Label1->setObjectName(QStringLiteral("Label1"));
  Twips::SetPlace(c.Label1, 255, 225, 5280, 585);
  c.Label1->setFont(SkinFont(QStringLiteral("Tahoma"), 8.25));

  c.Combo1 = new QComboBox(c.Picture2);
  c.Combo1->setObjectName(QStringLiteral("Combo1"));
  Twips::SetPlace(c.Combo1, 210, 1005, 5310, 330);
  c.Combo1->setFont(SkinFont(QStringLiteral("Tahoma"), 8.25));
  c.Combo1->installEventFilter(new ListKeys(this, c.Combo1));

  c.cmdOK = new PictureBox(c.Picture2);
  c.cmdOK->setObjectName(QStringLiteral("cmdOK"));
  Twips::SetPlace(c.cmdOK, 4410, 1665, 1095, 345);
  c.cmdOK->setToolTip(QStringLiteral("Close"));
  c.cmdOK->SetPressedLook(true);
  c.lbl_cmdOK = new Label(c.cmdOK, QStringLiteral("Close"));
  c.lbl_cmdOK->setObjectName(QStringLiteral("lbl_cmdOK"));
  Twips::SetPlace(c.lbl_cmdOK, 60, 45, 990, 255);
  c.lbl_cmdOK->setFont(bold);
  c.lbl_cmdOK->SetAlignment(Label::Alignment::Center);
  c.lbl_cmdOK->setToolTip(QStringLiteral("Close"));
  // The label accepts for any button, the face for any but the right one.
  QObject::connect(c.lbl_cmdOK, &Control::MouseUp, w, [this](Qt::MouseButton, Qt::KeyboardModifiers, QPoint) {
    Accept();
  });
  QObject::connect(c.cmdOK, &Control::MouseUp, w, [this](Qt::MouseButton b, Qt::KeyboardModifiers, QPoint) {
    if (b != Qt::RightButton) Accept();
  });
  QObject::connect(c.lbl_cmdOK, &Control::MouseMove, w, [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) {
    modGeneral::SetButtonState(c_.cmdOK, 1, c_.lbl_cmdOK);
  });
}

void frmSelectUserName::ForgetControls() { c_ = Controls{}; }

void frmSelectUserName::Form_Load() {
  Controls& c = c_;
  Skip([&] { modGeneral::SetButtonState(c.cmdOK, 0, c.lbl_cmdOK); });
  c.AppCaption->SetCaption(Program().AppTitle);
  c.Combo1->clear();
  if (!strUserNames.isEmpty()) {
    // Every blank separates: two neighbouring blanks give an empty entry.
    for (const QString& name : strUserNames.split(u' ')) c.Combo1->addItem(name.trimmed());
  }
  if (c.Combo1->count() > 0) c.Combo1->setCurrentIndex(0);
  ResizecontrolDPI();
  Skip([&] {
    clsRounder rounder;
    rounder.RoundedBorder(*this);
  });
  CentreWindow(false);
}

void frmSelectUserName::ResizecontrolDPI() {
  const double dpi = ScreenDpi();
  if (dpi <= 96) return;
  const double r = dpi / 96;
  SetWidth(Width() / r);
  SetHeight(Height() / r);
  ShrinkControlsForDpi(Window());
  Twips::SetTop(c_.Label1, 100);
  Twips::SetHeight(c_.Label1, 585);
  Twips::SetHeight(c_.Combo1, 300);
  Twips::SetWidth(c_.PicClose, 164);
  Twips::SetHeight(c_.PicClose, 164);
}

bool frmSelectUserName::Form_KeyDown(int key, Qt::KeyboardModifiers) {
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    Accept();
    return true;
  }
  if (key == Qt::Key_Escape) {
    CloseWithoutChoice();
    return true;
  }
  return false;
}

void frmSelectUserName::Accept() {
  if (!IsLoaded()) return;
  const QString chosen = c_.Combo1->currentText();
  strUserNames = chosen;
  Program().ShownAccountName = chosen;
  if (c_.Combo1->count() > 0 && chosen.isEmpty()) {
    (void)win::MessageBox(modReg::GetMessageText(570), win::MB_ICON_INFORMATION, win::MB_STYLE_OK,
                          Program().AppTitle);
    return;
  }
  accepted_ = true;
  Unload();
}

void frmSelectUserName::Form_Unload() {
  if (!accepted_) strUserNames.clear();
  accepted_ = false;
}

void frmSelectUserName::CloseWithoutChoice() {
  strUserNames.clear();
  Unload();
}

}  // namespace OrvaneMac
