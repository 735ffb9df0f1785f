#include "program/main/QuotaRecalculation.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/ui/EventPump.h"
#include "program/browse/MainWindowControls.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/ProgramState.h"
#include "program/session/Transfer.h"
#include "program/session/clsController.h"
#include "program/windows/SkinControls.h"
#include "program/windows/SkinFonts.h"
#include "program/windows/Twips.h"

namespace OrvaneMac {
namespace {

constexpr int kNoticeSeconds = 5;

template <typename T>
T* Need(const QPointer<T>& control) {
  if (!control) vb::Raise(vb::errObjectVariableNotSet);
  return control.data();
}

// The notice panel's background: a pale note with a thin frame.
QPixmap NoticeBackground(QSize size) {
  QPixmap pm(size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, size.height());
  g.setColorAt(0, QColor(0xFF, 0xFD, 0xE8));
  g.setColorAt(1, QColor(0xFB, 0xF2, 0xC4));
  p.setBrush(g);
  p.setPen(QPen(QColor(0xC9, 0xB4, 0x6A), 1));
  p.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), 3, 3);
  return pm;
}

// The link's place in the notice panel's parent, in twips.
QPointF LinkPlace(QWidget* link, QWidget* panelParent) {
  const QRectF place = Twips::Place(link);
  QWidget* linkParent = link->parentWidget();
  if (!linkParent || linkParent == panelParent) return place.topLeft();
  const QPoint offset = linkParent->mapTo(panelParent, QPoint(0, 0));
  return place.topLeft() + QPointF(offset.x() * TwipsPerPixelX(), offset.y() * TwipsPerPixelY());
}

// Gives the label the height of its caption's wrapped lines and the panel
// that height with the label's top margin below it as well.
void FitNoticeToText(PictureBox* panel, Label* label) {
  const QFontMetrics metrics(label->font());
  const QRect lines = metrics.boundingRect(QRect(0, 0, label->width(), 100000),
                                           Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, label->ShownText());
  const double height = lines.height() * TwipsPerPixelY();
  Twips::SetHeight(label, height);
  Twips::SetHeight(panel, Twips::Top(label) * 2 + height);
}

}  // namespace

QuotaRecalcState& QuotaRecalc() {
  static QuotaRecalcState state;
  return state;
}

void CreateRecalcNotice(QWidget* smart) {
  MainWindowControls& m = MainWindow();
  auto* panel = new PictureBox(smart);
  panel->setObjectName(QStringLiteral("PicRecalcMess"));
  Twips::SetPlace(panel, 0, 0, 5100, 780);
  panel->SetPicture(NoticeBackground(panel->size()));
  panel->hide();
  auto* label = new Label(panel, modReg::GetToolTipText(QStringLiteral("Smart.lblrecalculate")));
  label->setObjectName(QStringLiteral("lblRecalcMess"));
  label->setFont(SkinFont(QStringLiteral("Tahoma"), 8.25));
  Twips::SetPlace(label, 120, 90, 4860, 600);
  m.PicRecalcMess = panel;
  m.lblRecalcMess = label;
}

void lblrecalculate_MouseMove(bool bOverTree) {
  vb::ResumeNext next;
  next([&] {
    if (!bOverTree) return;
    PictureBox* link = Need(MainWindow().lblrecalculate);
    if (link->cursor().shape() != Qt::BitmapCursor) link->setCursor(HandCursor());
  });
}

void lblrecalculate_MouseDown(bool& bOverTree) {
  QuotaRecalc().bRecalcDown = true;
  bOverTree = false;
}

void lblrecalculate_MouseUp(Qt::MouseButton button) {
  QuotaRecalcState& state = QuotaRecalc();
  if (modGeneral::JobProgressCheck() || button == Qt::RightButton || !state.bRecalcDown || state.bRecalcBusy) return;
  vb::ResumeNext next;
  state.bRecalcBusy = true;
  SetMainMousePointer(11);
  MainWindowControls& m = MainWindow();
  next([&] {
    if (!m.PicRecalcMess || !m.lblRecalcMess) CreateRecalcNotice(Need(m.Smart));
  });
  const QString notice = modReg::GetToolTipText(QStringLiteral("Smart.lblrecalculate"));
  next([&] { Need(m.lblRecalcMess)->SetCaption(notice); });
  next([&] {
    PictureBox* panel = Need(m.PicRecalcMess);
    PictureBox* link = Need(m.lblrecalculate);
    const QPointF at = LinkPlace(link, panel->parentWidget());
    Twips::SetLeft(panel, at.x());
    Twips::SetTop(panel, at.y() + Twips::Height(link) - 60);
  });
  if (ScreenDpi() > 96) {
    next([&] { Twips::SetWidth(Need(m.lblRecalcMess), Twips::Width(Need(m.PicRecalcMess)) - 300); });
    next([&] {
      m.lblRecalcMess->setToolTip(notice);
      Need(m.PicRecalcMess)->setToolTip(notice);
    });
    next([&] { Need(m.lblRecalcMess)->SetCaption(notice.left(75) + QStringLiteral(" ...")); });
  }
  // The panel is as tall as the notice's lines need: every line readable,
  // none cut off at the panel's edge.
  next([&] { FitNoticeToText(Need(m.PicRecalcMess), Need(m.lblRecalcMess)); });
  next([&] {
    Need(m.PicRecalcMess)->show();
    Need(m.PicRecalcMess)->raise();
  });
  vb::DoEvents();
  for (int i = 0; i < kNoticeSeconds; ++i) {
    vb::Sleep(1000);
    vb::DoEvents();
  }
  next([&] { Need(m.PicRecalcMess)->hide(); });
  vb::DoEvents();
  vb::DoEvents();
  next([&] { lblrecalculateClick(); });
  state.bRecalcBusy = false;
  SetMainMousePointer(0);
}

void lblrecalculateClick() {
  if (modGeneral::JobProgressCheck()) return;
  vb::ResumeNext next;
  next([&] { Need(MainWindow().lblrecalculate)->unsetCursor(); });
  SetMainMousePointer(11);
  clsController& client = clsController::Instance();
  next([&] { (void)client.Cont_CheckZQAcountStatus(QStringLiteral("ZQDiskSpaceUpdate")); });
  next([&] {
    vb::CollectionPtr listing = std::make_shared<vb::Collection>();
    (void)client.Cont_GetRemoteDirContents(Program().RemoteRootKey, listing, Items(Program().RemoteSnapshotItems));
  });
  next([&] { gTransfer().Trf_UpdateTessaraDiskInfo(); });
  SetMainMousePointer(0);
}

}  // namespace OrvaneMac
