// The main window's toolbar pictures, its menus' commands and the search
// box.
#include <QAction>
#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "ZQwinSrv/foundation/Util.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/text/Strings.h"
#include "program/browse/MainWindowControls.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/Options.h"
#include "program/foundation/SystemHelpers.h"
#include "program/main/Smart.h"

#include "program/main/QuotaRecalculation.h"
#include "program/progress/frmSessionLog.h"
#include "program/session/Transfer.h"
#include "program/session/clsController.h"
#include "program/windows/AboutZQWIN.h"
#include "program/windows/MesgBox.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"
#include "program/windows/modGeneralWindows.h"

namespace OrvaneMac {
namespace {

constexpr long kSilver = 12632256;
constexpr long kToolbarBack = 0xECF2F3;  // RGB(243, 242, 236)

void TraceSmartError(const vb::ErrorInfo& e, const char* procedure) {
  TraceError(e, QString::fromLatin1(procedure), vb::OwnerKind::Form, QStringLiteral("Smart"));
}

// The search box's events before the box handles them.
class SearchBoxWatch : public QObject {
 public:
  SearchBoxWatch(QObject* parent, std::function<void()> keyDown, std::function<void()> mouseDown,
                 std::function<void()> lostFocus, std::function<void()> enter)
      : QObject(parent),
        keyDown_(std::move(keyDown)),
        mouseDown_(std::move(mouseDown)),
        lostFocus_(std::move(lostFocus)),
        enter_(std::move(enter)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != parent()) return false;
    switch (event->type()) {
      case QEvent::KeyPress: {
        keyDown_();
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
          enter_();
          return true;
        }
        return false;
      }
      case QEvent::MouseButtonPress:
        mouseDown_();
        return false;
      case QEvent::FocusOut:
        lostFocus_();
        return false;
      default:
        return false;
    }
  }

 private:
  std::function<void()> keyDown_, mouseDown_, lostFocus_, enter_;
};

void SetSearchLook(TextBoxEx* box, long colour, bool italic) {
  QPalette pal = box->palette();
  pal.setColor(QPalette::Text, WinColor(colour));
  box->setPalette(pal);
  QFont f = box->font();
  f.setItalic(italic);
  box->setFont(f);
}

}  // namespace

void Smart::CreateToolbar(FormWindow* w) {
  Controls& c = c_;
  auto picture = [&](const char* name, double left, double top, double width, double height, const char* tip) {
    auto* p = new PictureBox(w);
    p->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(p, left, top, width, height);
    p->setToolTip(QString::fromLatin1(tip));
    return p;
  };
  c.Pict_Refresh = picture("Pict_Refresh", 179, 505, 1137, 1080, "Refresh");
  c.Pict_Sess_Log = picture("Pict_Sess_Log", 1394, 505, 1137, 1080, "Session Log");
  c.Pic_Snap = picture("Pic_Snap", 2877, 505, 1137, 1080, "Show Snapshots");
  c.Pict_Help = picture("Pict_Help", 4275, 505, 1137, 1080, "Help");
  c.Pict_Delete = picture("Pict_Delete", 7850, 505, 1137, 1080, "Delete");
  for (PictureBox* p : {c.Pict_Refresh, c.Pict_Sess_Log, c.Pic_Snap, c.Pict_Help, c.Pict_Delete}) {
    p->SetBackColor(kToolbarBack);
  }
  c.Pic_Rem_search = picture("Pic_Rem_search", 11175, 1435, 525, 525, "Search");
  c.Pic_Rem_Delete = picture("Pic_Rem_Delete", 7725, 1730, 390, 495, "Delete");
  c.Pic_Rem_Delete->hide();

  struct Press {
    PictureBox* picture;
    Integer id;
    const char* pressed;
    bool* mark;
  };
  const Press presses[] = {
      {c.Pict_Refresh, 2, "refresh_ovr", &bRefreshDown}, {c.Pict_Sess_Log, 3, "sesslog_ovr", &bSessLogDown},
      {c.Pict_Help, 2, "help_ovr", &bHelpDown},          {c.Pict_Delete, 4, "delete_ovr", &bDeleteDown},
      {c.Pic_Snap, 0, "snap_sunken", &bSnapDown},        {c.Pic_Rem_Delete, 4, nullptr, &bDeleteDown},
  };
  for (const Press& p : presses) {
    QObject::connect(p.picture, &Control::MouseDown, w, [this, p](Qt::MouseButton b) {
      ToolbarPress(p.picture, b, p.id, p.pressed ? QString::fromLatin1(p.pressed) : QString(), *p.mark);
    });
  }
  // The quota row's Recalculate picture.
  QObject::connect(c.lblrecalculate, &Control::MouseMove, w, [this] { lblrecalculate_MouseMove(bOverTree); });
  QObject::connect(c.lblrecalculate, &Control::MouseDown, w, [this] {
    bRecalcDown = true;
    lblrecalculate_MouseDown(bOverTree);
  });
  QObject::connect(c.lblrecalculate, &Control::MouseUp, w,
                   [](Qt::MouseButton button) { lblrecalculate_MouseUp(button); });
  QObject::connect(c.Pic_Rem_search, &Control::MouseDown, w, [this] {
    bSearchDown = true;
    bOverTree = false;
  });
  for (PictureBox* p : {c.Pict_Refresh, c.Pict_Sess_Log, c.Pic_Snap, c.Pict_Help, c.Pict_Delete}) {
    QObject::connect(p, &Control::MouseMove, w, [this, p] { ToolbarMove(p, false); });
  }
  QObject::connect(c.Pic_Rem_search, &Control::MouseMove, w, [this] { ToolbarMove(c_.Pic_Rem_search, true); });
  QObject::connect(c.Pic_Rem_Delete, &Control::MouseMove, w, [this] { ToolbarMove(c_.Pic_Rem_Delete, true); });

  // Releases: the command runs before the picture gets its normal image back.
  QObject::connect(c.Pict_Refresh, &Control::MouseUp, w, [this] {
    if (!bRefreshDown) return;
    RefreshRemoteTree();
    vb::ResumeNext next;
    next([&] { GiveImage(C().Pict_Refresh, false, QStringLiteral("refresh_reg")); });
  });
  QObject::connect(c.Pict_Sess_Log, &Control::MouseUp, w, [this](Qt::MouseButton b) {
    if (b == Qt::RightButton || !bSessLogDown) return;
    mnuSession_Click();
    vb::ResumeNext next;
    next([&] { GiveImage(C().Pict_Sess_Log, false, QStringLiteral("sesslog_reg")); });
  });
  QObject::connect(c.Pic_Snap, &Control::MouseUp, w, [this](Qt::MouseButton b) {
    if (b == Qt::RightButton || modGeneral::JobProgressCheck() || !bSnapDown) return;
    vb::ResumeNext next;
    next([&] { GiveImage(C().Pic_Snap, false, QStringLiteral("snap_sunken")); });
    ToggleSnapshots();
  });
  QObject::connect(c.Pict_Help, &Control::MouseUp, w, [this](Qt::MouseButton b) {
    if (b == Qt::RightButton || !bHelpDown) return;
    Pict_Help_Release();
  });
  QObject::connect(c.Pict_Delete, &Control::MouseUp, w, [this](Qt::MouseButton b) {
    if (b == Qt::RightButton || !bDeleteDown) return;
    DeleteSelectedRemote();
    vb::ResumeNext next;
    next([&] { GiveImage(C().Pict_Delete, false, QStringLiteral("delete_reg")); });
  });
  QObject::connect(c.Pic_Rem_search, &Control::MouseUp, w, [this](Qt::MouseButton b) {
    if (b == Qt::RightButton || !bSearchDown) return;
    OpenSearchWindow();
  });
  QObject::connect(c.Pic_Rem_Delete, &Control::MouseUp, w, [this](Qt::MouseButton b) {
    if (b == Qt::RightButton || !bDeleteDown) return;
    DeleteSelectedRemote();
  });
}

void Smart::ToolbarPress(PictureBox* picture, Qt::MouseButton button, Integer id, const QString& pressedKey,
                         bool& downMark) {
  if (button == Qt::RightButton) return;
  bOverTree = false;
  bToolbarNormal = false;
  vb::ResumeNext next;
  next([&] { ResetToolbarImages(id); });
  if (!pressedKey.isEmpty()) next([&] { GiveImage(picture, false, pressedKey); });
  downMark = true;
}

void Smart::ToolbarMove(PictureBox* picture, bool needsOverTree) {
  vb::ResumeNext next;
  if (picture == c_.Pic_Snap) {
    next([&] {
      const bool shown = gTransfer().Trf_ReadUserProfile(QStringLiteral("FILEVER"), false) == QLatin1String("1");
      picture->setToolTip(shown ? QStringLiteral("Hide Snapshots") : QStringLiteral("Show Snapshots"));
    });
  }
  if (needsOverTree && !bOverTree) return;
  next([&] {
    if (picture->cursor().shape() != Qt::BitmapCursor) picture->setCursor(HandCursor());
  });
}

void Smart::ResetToolbarImages(Integer id) {
  if (bToolbarNormal) return;
  QAction* disconnect = MenuItem(QStringLiteral("mnuDisconnect"));
  if (!disconnect || !disconnect->isEnabled()) return;
  Controls& c = C();
  vb::Sleep(2);
  vb::ResumeNext next;
  if (id != 2) next([&] { GiveImage(c.Pict_Refresh, false, QStringLiteral("refresh_reg")); });
  if (id != 3) next([&] { GiveImage(c.Pict_Sess_Log, false, QStringLiteral("sesslog_reg")); });
  if (id != 4) next([&] { GiveImage(c.Pict_Delete, false, QStringLiteral("delete_reg")); });
  next([&] {
    const bool shown = gTransfer().Trf_ReadUserProfile(QStringLiteral("FILEVER"), false) == QLatin1String("1");
    GiveImage(c.Pic_Snap, false, shown ? QStringLiteral("snap_sunken") : QStringLiteral("snap_reg"));
    c.Pic_Snap->setToolTip(shown ? QStringLiteral("Hide Snapshots") : QStringLiteral("Show Snapshots"));
  });
  next([&] { GiveImage(c.Pic_Rem_search, true, QStringLiteral("Sea_Reg")); });
  next([&] { GiveImage(c.lblrecalculate, true, QStringLiteral("zq_recalculate")); });
  if (!modGeneral::JobProgressCheck()) next([&] { GiveImage(c.Trf_ImgRestore, true, QStringLiteral("zq_main_res")); });
  bToolbarNormal = true;
}

void Smart::Pict_Help_Release() {
  Controls& c = C();
  vb::ResumeNext next;
  next([&] {
    const QPoint corner = c.Pict_Help->mapToGlobal(QPoint(0, c.Pict_Help->height()));
    c.mnuHelp->exec(corner);
  });
  next([&] { GiveImage(c.Pict_Help, false, QStringLiteral("help_reg")); });
}

// ------------------------------------------------------------------ menus

void Smart::mnuSession_Click() {
  ProgramState& p = Program();
  p.SessionListBlockedB = false;
  p.SessionListBlockedC = false;
  p.SessionListBlockedA = false;
  vb::ResumeNext next;
  next([] { frmSessionLog::Instance().ShowModal(); });
}

void Smart::mnuGetSize_Click() {
  if (modGeneral::JobProgressCheck()) return;
  vb::OnErrorGoTo(
      [&] {
        const QString key = C().ColumnRemoteTreeView->SelectedItem().Key();
        OrvaneSrv::Util util;
        const QString folder = vb::Trim(util.GetInfoFromKey(3, key)).replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
        const QString server = vb::Trim(util.GetInfoFromKey(5, key)).replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
        SetMainMousePointer(11);
        const QString size = vb::Trim(clsController::Instance().Cont_GetRemoteSize(folder, server));
        QString name = modGeneral::GetRemotePath(folder, 1);
        name.chop(1);
        MesgBox::Instance().MessageBox(modReg::GetMessageText(366) + name + modReg::GetMessageText(367) + size, 0, 0,
                                       Program().AppTitle);
        SetMainMousePointer(0);
      },
      [](const vb::ErrorInfo& e) { TraceSmartError(e, "mnuGetSize_Click"); });
}

void Smart::mnuLocal1_Click() {
  vb::ResumeNext next;
  next([&] { gTransfer().Trf_ViewFile(Window(), QStringLiteral("OrvaneMacHelp.chm")); });
}

void Smart::mnuAboutTessara_Click() {
  vb::OnErrorGoTo(
      [&] {
        SetMainMousePointer(11);
        ShowAboutBox();
        SetMainMousePointer(0);
      },
      [](const vb::ErrorInfo& e) { TraceSmartError(e, "mnuAboutTessara_Click"); });
}

void Smart::SysTrayMouseEventHandler() {
  vb::ResumeNext next;
  next([&] {
    Window()->raise();
    Window()->activateWindow();
  });
  next([&] { C().mnuTray->popup(QCursor::pos()); });
}

void Smart::mnuTrayMinimize_Click() {
  vbBMaximized = false;
  vb::ResumeNext next;
  next([&] { SetWindowState(1); });
  vbBMaximized = false;
}

void Smart::mnuTrayMaximize_Click() {
  vb::OnErrorGoTo(
      [&] {
        if (WindowState() == 1) SetWindowState(0);
        long left = 0, top = 0, width = 0, height = 0;
        modGeneral::GetWorkArea(left, top, width, height, true);
        PlaceWindow(static_cast<double>(left), static_cast<double>(top), static_cast<double>(width),
                        static_cast<double>(height));
        vbBMaximized = true;
      },
      [](const vb::ErrorInfo& e) { TraceSmartError(e, "mnuTrayMaximize_Click"); });
}

// ------------------------------------------------------------------ search box

void Smart::WireSearchBox() {
  TextBoxEx* box = c_.txtSearchText;
  box->installEventFilter(new SearchBoxWatch(
      box, [this] { txtSearchText_KeyDown(); }, [this] { txtSearchText_MouseDown(); },
      [this] { txtSearchText_LostFocus(); }, [this] { OpenSearchWindow(); }));
}

void Smart::txtSearchText_KeyDown() {
  TextBoxEx* box = c_.txtSearchText;
  if (box->text() == QString::fromUtf16(kPlaceholder)) box->clear();
  SetSearchLook(box, 0, false);
}

void Smart::txtSearchText_MouseDown() {
  TextBoxEx* box = c_.txtSearchText;
  if (vb::Trim(box->text()).compare(QString::fromUtf16(kPlaceholder), Qt::CaseInsensitive) == 0) box->clear();
  SetSearchLook(box, 0, false);
}

void Smart::txtSearchText_LostFocus() {
  TextBoxEx* box = c_.txtSearchText;
  if (!box || !box->text().isEmpty()) return;
  box->setText(QString::fromUtf16(kPlaceholder));
  SetSearchLook(box, kSilver, true);
}

}  // namespace OrvaneMac
