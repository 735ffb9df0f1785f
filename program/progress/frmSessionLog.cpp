#include "program/progress/frmSessionLog.h"

#include "program/browse/MainWindowControls.h"

#include "program/foundation/DBaction.h"
#include "program/foundation/Options.h"
#include "program/foundation/ProgramState.h"
#include "program/progress/ProgressImages.h"
#include "program/progress/ProgressMessages.h"
#include "program/progress/SessionLogFiles.h"
#include "program/windows/SkinControls.h"
#include "program/windows/SkinFonts.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"
#include "program/windows/clsRounder.h"
#include "program/windows/modGeneralWindows.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QTreeWidget>

namespace OrvaneMac {
namespace {

const QString kForm = QStringLiteral("frmSessionLog");
const QString kMedKey = QStringLiteral("button_med_enb");
const QString kMedOverKey = QStringLiteral("button_med_ovr");

constexpr int kColType = 0;
constexpr int kColStart = 1;
constexpr int kColDescription = 2;
constexpr int kColSort = 3;
constexpr int kRealName = Qt::UserRole + 1;

void TraceFormError(const vb::ErrorInfo& err, const QString& procedure) {
  TraceError(err, procedure, vb::OwnerKind::Form, kForm);
}

}  // namespace

frmSessionLog::frmSessionLog() : Form(QStringLiteral("frmSessionLog")) {}

frmSessionLog& frmSessionLog::Instance() {
  static frmSessionLog* instance = new frmSessionLog;
  return *instance;
}

frmSessionLog::Controls& frmSessionLog::C() {
  Load();
  return c_;
}

Label* frmSessionLog::lblCapbar() { return C().lblCapbar; }
Label* frmSessionLog::lblTitle() { return C().lblTitle; }
PictureBox* frmSessionLog::imgTitleinfo() { return C().imgTitleinfo; }
PictureBox* frmSessionLog::picTitleinfo() { return C().picTitleinfo; }
Label* frmSessionLog::lblTitleInfo() { return C().lblTitleInfo; }
QTreeWidget* frmSessionLog::LstSessionLogView() { return C().LstSessionLogView; }
QCheckBox* frmSessionLog::chkSelectAll() { return C().chkSelectAll; }
Label* frmSessionLog::lblDispItems() { return C().lblDispItems; }
PictureBox* frmSessionLog::lblBack() { return C().lblBack; }
PictureBox* frmSessionLog::lblNext() { return C().lblNext; }
PictureBox* frmSessionLog::cmdView() { return C().cmdView; }
Label* frmSessionLog::lbl_cmdView() { return C().lbl_cmdView; }
PictureBox* frmSessionLog::cmdDelete() { return C().cmdDelete; }
Label* frmSessionLog::lbl_cmdDelete() { return C().lbl_cmdDelete; }
PictureBox* frmSessionLog::cmdCloseSessionLog() { return C().cmdCloseSessionLog; }
Label* frmSessionLog::lbl_cmdCloseSessionLog() { return C().lbl_cmdCloseSessionLog; }

void frmSessionLog::CreateControls(FormWindow* w) {
  Controls& c = c_;
  w->SetBackColor(0xFFFFFF);
  Twips::SetPlace(w, 0, 0, 10125, 7875);

  c.lblCapbar = new Label(w);
  c.lblCapbar->setObjectName(QStringLiteral("lblCapbar"));
  Twips::SetPlace(c.lblCapbar, 0, 0, 10095, 480);
  DragWindowWith(c.lblCapbar);

  c.lblTitle = new Label(w, QStringLiteral("Session Log"));
  c.lblTitle->setObjectName(QStringLiteral("lblTitle"));
  Twips::SetPlace(c.lblTitle, 135, 45, 3225, 420);
  c.lblTitle->setFont(SkinFont(QStringLiteral("Arial"), 9, true));
  c.lblTitle->setAttribute(Qt::WA_TransparentForMouseEvents);

  c.imgTitleinfo = new PictureBox(w);
  c.imgTitleinfo->setObjectName(QStringLiteral("imgTitleinfo"));
  Twips::SetPlace(c.imgTitleinfo, 225, 525, 870, 735);
  c.picTitleinfo = new PictureBox(w);
  c.picTitleinfo->setObjectName(QStringLiteral("picTitleinfo"));
  Twips::SetPlace(c.picTitleinfo, -420, 1905, 855, 765);
  // It lies mostly beyond the window's left edge: shown, only a cut piece of
  // its picture would stand at the window's edge beside the list. It keeps
  // its picture and place, out of sight.
  c.picTitleinfo->lower();
  c.picTitleinfo->hide();

  c.lblTitleInfo = new Label(w, QStringLiteral("Logs of the restore operations"));
  c.lblTitleInfo->setObjectName(QStringLiteral("lblTitleInfo"));
  Twips::SetPlace(c.lblTitleInfo, 1200, 768, 7725, 435);
  c.lblTitleInfo->setFont(SkinFont(QStringLiteral("Arial"), 8.25));

  auto* list = new QTreeWidget(w);
  c.LstSessionLogView = list;
  list->setObjectName(QStringLiteral("LstSessionLogView"));
  Twips::SetPlace(list, 225, 1625, 9675, 4980);
  list->setColumnCount(4);
  list->setHeaderLabels({QStringLiteral("Type"), QStringLiteral("Start Time"), QStringLiteral("Description"),
                         QStringLiteral("SCol")});
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setAllColumnsShowFocus(true);
  list->setFont(SkinFont(QStringLiteral("Arial"), 8.25));
  list->header()->setSectionsClickable(true);
  list->header()->setSortIndicatorShown(false);
  list->header()->setStretchLastSection(false);
  // Columns in the ratio 1 : 3 : 5; the key column is never shown.
  const int inner = TwipsToPixelsX(9675) - 24;
  list->setColumnWidth(kColType, inner / 9);
  list->setColumnWidth(kColStart, inner * 3 / 9);
  list->setColumnWidth(kColDescription, inner * 5 / 9);
  list->setColumnHidden(kColSort, true);
  QObject::connect(list, &QTreeWidget::itemChanged, w, [this](QTreeWidgetItem* item, int column) {
    if (column == kColType) LstSessionLogView_ItemCheck(item);
  });
  QObject::connect(list, &QTreeWidget::itemDoubleClicked, w, [this](QTreeWidgetItem*, int) {
    WriteTrace(QStringLiteral("Enter LstSessionLogView_DblClick()of frmSessionLog form"));
    vb::OnErrorGoTo([&] { cmdView_Click(); },
                    [](const vb::ErrorInfo& err) { TraceFormError(err, QStringLiteral("LstSessionLogView_DblClick")); });
    WriteTrace(QStringLiteral("Exit LstSessionLogView_DblClick()of frmSessionLog form"));
  });
  QObject::connect(list->header(), &QHeaderView::sectionClicked, w,
                   [this](int logical) { LstSessionLogView_ColumnClick(logical + 1); });

  c.chkSelectAll = new QCheckBox(QStringLiteral("&Select All"), w);
  c.chkSelectAll->setObjectName(QStringLiteral("chkSelectAll"));
  Twips::SetPlace(c.chkSelectAll, 225, 6675, 1260, 345);
  c.chkSelectAll->setToolTip(QStringLiteral("Select All"));
  c.chkSelectAll->setFont(SkinFont(QStringLiteral("Arial"), 8.25));
  QObject::connect(c.chkSelectAll, &QCheckBox::stateChanged, w, [this](int) { SelectAllChanged(); });

  c.chkCancelCheckChange = new QCheckBox(QStringLiteral("CancelCheckChange"), w);
  c.chkCancelCheckChange->setObjectName(QStringLiteral("chkCancelCheckChange"));
  Twips::SetPlace(c.chkCancelCheckChange, 15, 930, 1995, 225);
  c.chkCancelCheckChange->hide();

  c.lblDispItems = new Label(w);
  c.lblDispItems->setObjectName(QStringLiteral("lblDispItems"));
  Twips::SetPlace(c.lblDispItems, 5550, 6675, 3525, 195);
  c.lblDispItems->SetAlignment(Label::Alignment::Right);
  c.lblDispItems->setFont(SkinFont(QStringLiteral("Arial"), 8.25));

  c.lblBack = new PictureBox(w);
  c.lblBack->setObjectName(QStringLiteral("lblBack"));
  Twips::SetPlace(c.lblBack, 9165, 6690, 225, 195);
  c.lblBack->setCursor(HandCursor());
  QObject::connect(c.lblBack, &Control::Click, w, [this] { ShowPreviousPage(); });
  c.lblNext = new PictureBox(w);
  c.lblNext->setObjectName(QStringLiteral("lblNext"));
  Twips::SetPlace(c.lblNext, 9420, 6690, 225, 195);
  c.lblNext->setCursor(HandCursor());
  QObject::connect(c.lblNext, &Control::Click, w, [this] { ShowNextPage(); });

  auto face = [w](const char* name, double left, double width, const QString& caption, const QString& tip,
                  PictureBox*& box, Label*& label) {
    box = new PictureBox(w);
    box->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(box, left, 7275, width, 345);
    box->setToolTip(tip);
    box->SetPressedLook(true);
    label = new Label(box, caption);
    label->setObjectName(QStringLiteral("lbl_") + QString::fromLatin1(name));
    Twips::SetPlace(label, 60, 45, width - 105, 255);
    label->setFont(SkinFont(QStringLiteral("Arial"), 9, true));
    label->SetAlignment(Label::Alignment::Center);
  };
  face("cmdView", 5500, 1500, QStringLiteral("&View Details"), QStringLiteral("View Details"), c.cmdView,
       c.lbl_cmdView);
  face("cmdDelete", 7135, 1500, QStringLiteral("&Delete Log"), QStringLiteral("Delete Log"), c.cmdDelete,
       c.lbl_cmdDelete);
  face("cmdCloseSessionLog", 8800, 1095, QStringLiteral("&Close"), QStringLiteral("Close"), c.cmdCloseSessionLog,
       c.lbl_cmdCloseSessionLog);

  auto released = [w](Control* control, std::function<void()> command) {
    QObject::connect(control, &Control::MouseUp, w, [command](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
      if (button != Qt::RightButton) command();
    });
  };
  released(c.cmdView, [this] { cmdView_Click(); });
  released(c.lbl_cmdView, [this] { cmdView_Click(); });
  released(c.cmdDelete, [this] { cmdDelete_Click(); });
  released(c.lbl_cmdDelete, [this] { cmdDelete_Click(); });
  released(c.cmdCloseSessionLog, [this] { cmdCloseSessionLog_Click(); });
  released(c.lbl_cmdCloseSessionLog, [this] { cmdCloseSessionLog_Click(); });

  // Hover looks: the face under the pointer, when enabled, the others back.
  auto lookOf = [](PictureBox* box) { return box->isEnabled() ? modGeneral::kButtonNormal : modGeneral::kButtonDisabled; };
  QObject::connect(c.lbl_cmdView, &Control::MouseMove, w, [this, lookOf](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) {
    if (!c_.cmdView->isEnabled()) return;
    modGeneral::SetButtonState(c_.cmdView, modGeneral::kButtonHover, c_.lbl_cmdView, kMedOverKey);
    modGeneral::SetButtonState(c_.cmdDelete, lookOf(c_.cmdDelete), c_.lbl_cmdDelete, kMedKey);
    modGeneral::SetButtonState(c_.cmdCloseSessionLog, modGeneral::kButtonNormal, c_.lbl_cmdCloseSessionLog);
  });
  QObject::connect(c.lbl_cmdDelete, &Control::MouseMove, w,
                   [this, lookOf](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) {
                     if (!c_.cmdDelete->isEnabled()) return;
                     modGeneral::SetButtonState(c_.cmdView, lookOf(c_.cmdView), c_.lbl_cmdView, kMedKey);
                     modGeneral::SetButtonState(c_.cmdDelete, modGeneral::kButtonHover, c_.lbl_cmdDelete, kMedOverKey);
                     modGeneral::SetButtonState(c_.cmdCloseSessionLog, modGeneral::kButtonNormal,
                                                c_.lbl_cmdCloseSessionLog);
                   });
  QObject::connect(c.lbl_cmdCloseSessionLog, &Control::MouseMove, w,
                   [this, lookOf](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) {
                     modGeneral::SetButtonState(c_.cmdView, lookOf(c_.cmdView), c_.lbl_cmdView, kMedKey);
                     modGeneral::SetButtonState(c_.cmdDelete, lookOf(c_.cmdDelete), c_.lbl_cmdDelete, kMedKey);
                     modGeneral::SetButtonState(c_.cmdCloseSessionLog, modGeneral::kButtonHover,
                                                c_.lbl_cmdCloseSessionLog);
                   });
}

void frmSessionLog::ForgetControls() { c_ = Controls{}; }

void frmSessionLog::Form_Load() {
  Controls& c = c_;
  FormWindow* w = Window();
  // Fresh state at every load.
  sessionFileList_ = std::make_shared<vb::Collection>();
  first_ = last_ = 0;
  sortDescending_ = true;
  settingChecks_ = false;
  AddProgressTitlePictures();
  vb::OnErrorGoTo(
      [&] {
        w->setCursor(Qt::WaitCursor);
        const QPixmap logs = ImageList4Mac().Picture(QStringLiteral("zq_logs"));
        if (c.imgTitleinfo->PictureHandle() != logs.cacheKey()) c.imgTitleinfo->SetPicture(logs);
        if (c.picTitleinfo->PictureHandle() != logs.cacheKey()) c.picTitleinfo->SetPicture(logs);
        modGeneral::SetButtonState(c.cmdView, modGeneral::kButtonNormal, c.lbl_cmdView, kMedKey);
        modGeneral::SetButtonState(c.cmdDelete, modGeneral::kButtonNormal, c.lbl_cmdDelete, kMedKey);
        modGeneral::SetButtonState(c.cmdCloseSessionLog, modGeneral::kButtonNormal, c.lbl_cmdCloseSessionLog);
        selectAllGuard_ = true;
        c.LstSessionLogView->clear();
        pageSize_ = 50;
        DBaction::ClearBacksetData(sessionFileList_);
        ListSessionFiles(sessionFileList_);
        ShowPage(1);
        if (c.LstSessionLogView->topLevelItemCount() == 0) {
          c.lblBack->hide();
          c.lblNext->hide();
        }
        c.LstSessionLogView->setCurrentItem(nullptr);
        if (c.LstSessionLogView->topLevelItemCount() > 0)
          c.LstSessionLogView->setCurrentItem(c.LstSessionLogView->topLevelItem(0));
        w->update();
      },
      [](const vb::ErrorInfo& err) { TraceFormError(err, QStringLiteral("Form_Load")); });
  vb::ResumeNext next;
  next([&] { ButtonsByList(); });
  next([&] { ResizecontrolDPI(); });
  next([&] {
    clsRounder rounder;
    rounder.SetImagetoScreen(*this);
    rounder.RoundedBorder(*this);
  });
  Program().SkipActivateRepaint = true;
  next([] { SetMainMousePointer(0); });
  w->unsetCursor();
  CentreWindow(false);
}

void frmSessionLog::ButtonsByList() {
  Controls& c = c_;
  const bool rows = c.LstSessionLogView->topLevelItemCount() > 0;
  for (QWidget* control : std::initializer_list<QWidget*>{c.cmdView, c.lbl_cmdView, c.cmdDelete, c.lbl_cmdDelete,
                                                          c.chkSelectAll}) {
    control->setEnabled(rows);
  }
  const int look = rows ? modGeneral::kButtonNormal : modGeneral::kButtonDisabled;
  modGeneral::SetButtonState(c.cmdView, look, c.lbl_cmdView, kMedKey);
  modGeneral::SetButtonState(c.cmdDelete, look, c.lbl_cmdDelete, kMedKey);
}

void frmSessionLog::ListSessionFiles(const vb::CollectionPtr& list) { ListSessionLogNames(list); }

void frmSessionLog::FindSessionFiles(const vb::CollectionPtr& list, long first, long last) {
  QTreeWidget* view = C().LstSessionLogView;
  settingChecks_ = true;
  view->clear();
  for (long i = first; i <= last; ++i) {
    vb::ResumeNext next;
    next([&] {
      const auto row = SessionLogRowOf(list->Item(i).ToString());
      if (!row) return;
      auto* item = new QTreeWidgetItem;
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
      item->setCheckState(kColType, Qt::Unchecked);
      if (row->icon != 0) item->setIcon(kColType, SessionLogRowIcon(row->icon));
      item->setText(kColStart, row->startTime);
      item->setText(kColDescription, row->description);
      item->setText(kColSort, row->sortKey);
      item->setData(kColType, kRealName, row->fileName);
      view->addTopLevelItem(item);
    });
  }
  settingChecks_ = false;
}

void frmSessionLog::SetPageImage(PictureBox* picture, const QString& key) {
  const QPixmap image = SessionLogPageImages().Picture(key);
  if (picture->PictureHandle() != image.cacheKey()) picture->SetPicture(image);
}

void frmSessionLog::ShowPage(long first) {
  Controls& c = c_;
  const long count = static_cast<long>(sessionFileList_->Count());
  if (count == 0) {
    first_ = last_ = 0;
    settingChecks_ = true;
    c.LstSessionLogView->clear();
    settingChecks_ = false;
    c.lblDispItems->SetCaption({});
  } else {
    first_ = std::clamp(first, 1L, count);
    last_ = std::min(first_ + pageSize_ - 1, count);
    FindSessionFiles(sessionFileList_, first_, last_);
    c.lblDispItems->SetCaption(QStringLiteral("%1 to %2 of %3").arg(first_).arg(last_).arg(count));
  }
  const bool more = count > 0 && last_ < count;
  c.lblNext->setEnabled(more);
  if (more) c.lblNext->show();
  SetPageImage(c.lblNext, more ? QStringLiteral("next_reg") : QStringLiteral("next_dis"));
  const bool earlier = first_ > 1;
  c.lblBack->setEnabled(earlier);
  SetPageImage(c.lblBack, earlier ? QStringLiteral("back_reg") : QStringLiteral("back_dis"));
  SortListview();
  c.LstSessionLogView->update();
}

void frmSessionLog::ShowNextPage() {
  vb::ResumeNext next;
  next([&] {
    if (last_ < sessionFileList_->Count()) ShowPage(last_ + 1);
  });
}

void frmSessionLog::ShowPreviousPage() {
  vb::ResumeNext next;
  next([&] {
    if (first_ > 1) ShowPage(std::max(1L, first_ - pageSize_));
  });
}

void frmSessionLog::SortListview() {
  vb::OnErrorGoTo(
      [&] {
        sortDescending_ = true;
        C().LstSessionLogView->sortItems(kColSort, Qt::DescendingOrder);
      },
      [](const vb::ErrorInfo& err) { TraceFormError(err, QStringLiteral("SortListview")); });
}

void frmSessionLog::LstSessionLogView_ColumnClick(int position) {
  vb::OnErrorGoTo(
      [&] {
        // The sort key with the header's number: Type sorts on the start
        // time, Start Time and Description on the hidden key.
        const int column = position == 1 ? kColStart : kColSort;
        sortDescending_ = !sortDescending_;
        C().LstSessionLogView->sortItems(column, sortDescending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
      },
      [](const vb::ErrorInfo& err) { TraceFormError(err, QStringLiteral("LstSessionLogView_ColumnClick")); });
}

void frmSessionLog::cmdView_Click() {
  WriteTrace(QStringLiteral("Enter cmdView_Click()of frmSessionLog form"));
  vb::OnErrorGoTo(
      [&] {
        QTreeWidget* view = C().LstSessionLogView;
        if (view->topLevelItemCount() == 0) {
          progress::ShowMessage(progress::kMsgNothingToView);
        } else if (!view->currentItem() || !view->currentItem()->isSelected()) {
          progress::ShowMessage(progress::kMsgSelectToView);
        } else {
          QTreeWidgetItem* selected = view->currentItem();
          GetSessionFileSelected_View(true);
          if (IsLoaded() && c_.LstSessionLogView->indexOfTopLevelItem(selected) >= 0)
            c_.LstSessionLogView->setCurrentItem(selected);
        }
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("cmdView_Click : ") + QString::number(err.number) + err.description);
      });
  WriteTrace(QStringLiteral("Exit cmdView_Click()of frmSessionLog form"));
}

void frmSessionLog::cmdDelete_Click() {
  WriteTrace(QStringLiteral("Enter cmdDelete_Click() of frmSessionLog form"));
  vb::OnErrorGoTo(
      [&] {
        Controls& c = C();
        QTreeWidget* view = c.LstSessionLogView;
        const bool hadRows = view->topLevelItemCount() > 0;
        bool anyChecked = false;
        for (int row = view->topLevelItemCount(); row >= 1; --row) {
          if (view->topLevelItemCount() == 0) break;
          if (row > view->topLevelItemCount()) continue;
          if (view->topLevelItem(row - 1)->checkState(kColType) == Qt::Checked) {
            anyChecked = true;
            GetSessionFileSelected_Delete(false, row);
          }
        }
        if (hadRows && !anyChecked) {
          progress::ShowMessage(progress::kMsgSelectToDelete);
        } else {
          pageSize_ = 50;
          DBaction::ClearBacksetData(sessionFileList_);
          ListSessionFiles(sessionFileList_);
          ShowPage(1);
          if (c.chkSelectAll->isChecked()) SetSelectAllByProgram(false);
          view->setCurrentItem(nullptr);
          view->clearSelection();
        }
        ButtonsByList();
        if (view->topLevelItemCount() == 0) {
          c.lblBack->hide();
          c.lblNext->hide();
        }
      },
      [](const vb::ErrorInfo& err) { TraceFormError(err, QStringLiteral("cmdDelete_Click")); });
  WriteTrace(QStringLiteral("Enter cmdDelete_Click()of frmSessionLog form"));
}

void frmSessionLog::cmdCloseSessionLog_Click() {
  vb::OnErrorGoTo([&] { Unload(); },
                  [](const vb::ErrorInfo& err) { TraceFormError(err, QStringLiteral("cmdCloseSessionLog_Click")); });
}

void frmSessionLog::SetSelectAllByProgram(bool checked) {
  QCheckBox* box = C().chkSelectAll;
  if (box->isChecked() == checked) return;
  selectAllGuard_ = false;
  box->setChecked(checked);
}

void frmSessionLog::SelectAllChanged() {
  vb::OnErrorGoTo(
      [&] {
        if (!selectAllGuard_) {
          selectAllGuard_ = true;
          return;
        }
        if (C().LstSessionLogView->topLevelItemCount() > 0) CheckAllRows();
      },
      [](const vb::ErrorInfo& err) { TraceFormError(err, QStringLiteral("chkSelectAll_Click")); });
}

void frmSessionLog::CheckAllRows() {
  vb::OnErrorGoTo(
      [&] {
        QTreeWidget* view = C().LstSessionLogView;
        const Qt::CheckState state = c_.chkSelectAll->isChecked() ? Qt::Checked : Qt::Unchecked;
        settingChecks_ = true;
        for (int row = view->topLevelItemCount() - 1; row >= 0; --row) view->topLevelItem(row)->setCheckState(kColType, state);
        settingChecks_ = false;
      },
      [this](const vb::ErrorInfo&) {
        settingChecks_ = false;
        WriteTrace(QStringLiteral("Error in checkbox operation of session log"));
      });
}

void frmSessionLog::LstSessionLogView_ItemCheck(QTreeWidgetItem* item) {
  if (settingChecks_ || !item) return;
  vb::ResumeNext next;
  next([&] {
    QTreeWidget* view = c_.LstSessionLogView;
    if (view->topLevelItemCount() == 0) return;
    if (item->checkState(kColType) == Qt::Checked) view->setCurrentItem(item);
    bool all = true;
    for (int row = 0; row < view->topLevelItemCount(); ++row)
      if (view->topLevelItem(row)->checkState(kColType) != Qt::Checked) all = false;
    if (all) {
      selectAllGuard_ = true;
      SetSelectAllByProgram(true);
    } else {
      SetSelectAllByProgram(false);
    }
  });
}

QString frmSessionLog::RowFileName(int row) {
  QTreeWidget* view = C().LstSessionLogView;
  if (row < 1 || row > view->topLevelItemCount()) return {};
  return view->topLevelItem(row - 1)->data(kColType, kRealName).toString();
}

void frmSessionLog::GetSessionFileSelected_Delete(bool /*flag*/, int row) {
  vb::OnErrorGoTo(
      [&] {
        QTreeWidget* view = C().LstSessionLogView;
        if (view->topLevelItemCount() == 0 || row < 1 || row > view->topLevelItemCount()) return;
        QTreeWidgetItem* item = view->topLevelItem(row - 1);
        if (item->checkState(kColType) != Qt::Checked) return;
        // A row of another kind has no file name to stand for: it stays.
        (void)SessionFileNameOfRow(item->text(kColDescription), item->text(kColStart));
        const QString path = SessionFolder() + item->data(kColType, kRealName).toString();
        delete view->takeTopLevelItem(row - 1);
        if (win::FileExists(path)) win::DeleteFile(path, false);
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(vb::ErrorReasonLine(err.description, QStringLiteral("GetSessionFileSelected_Delete"),
                                       vb::OwnerKind::ClassModule, QStringLiteral("TreeViewControl")));
      });
}

void frmSessionLog::GetSessionFileSelected_View(bool open) {
  vb::OnErrorGoTo(
      [&] {
        QTreeWidget* view = C().LstSessionLogView;
        if (view->topLevelItemCount() == 0) return;
        QTreeWidgetItem* item = view->currentItem();
        if (!item) vb::Raise(vb::errObjectVariableNotSet);
        (void)SessionFileNameOfRow(item->text(kColDescription), item->text(kColStart));
        const QString path = SessionFolder() + item->data(kColType, kRealName).toString();
        if (open && win::FileExists(path)) ViewFile(Name(), path);
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error in GetSessionFileSelected_View, Reason : ") + QString::number(err.number) +
                   QLatin1Char(' ') + err.description);
      });
}

void frmSessionLog::Form_MouseMove(Qt::MouseButtons, QPoint) {
  if (!IsLoaded()) return;
  vb::ResumeNext next;
  next([&] {
    const auto look = [](PictureBox* b) { return b->isEnabled() ? modGeneral::kButtonNormal : modGeneral::kButtonDisabled; };
    modGeneral::SetButtonState(c_.cmdView, look(c_.cmdView), c_.lbl_cmdView, kMedKey);
    modGeneral::SetButtonState(c_.cmdDelete, look(c_.cmdDelete), c_.lbl_cmdDelete, kMedKey);
    modGeneral::SetButtonState(c_.cmdCloseSessionLog, modGeneral::kButtonNormal, c_.lbl_cmdCloseSessionLog);
  });
}

bool frmSessionLog::Form_KeyDown(int key, Qt::KeyboardModifiers) {
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  cmdCloseSessionLog_Click();
  return true;
}

bool frmSessionLog::Form_KeyUp(int key, Qt::KeyboardModifiers shift) {
  if (!AltOnly(shift)) return false;
  switch (key) {
    case Qt::Key_V:
      cmdView_Click();
      return true;
    case Qt::Key_D:
      cmdDelete_Click();
      return true;
    case Qt::Key_C:
      cmdCloseSessionLog_Click();
      return true;
    default:
      return false;
  }
}

void frmSessionLog::ResizecontrolDPI() {
  const double dpi = ScreenDpi();
  if (dpi <= 96) return;
  const double f = dpi / 96;
  FormWindow* w = Window();
  Controls& c = c_;
  vb::ResumeNext next;
  next([&] {
    SetWidth(Width() / f);
    SetHeight(Height() / f);
  });
  next([&] { ShrinkControlsForDpi(w, {QStringLiteral("lblback"), QStringLiteral("lblnext")}); });
  next([&] { Twips::SetLeft(c.chkSelectAll, Twips::Left(c.imgTitleinfo)); });
  next([&] {
    Twips::SetWidth(c.imgTitleinfo, Twips::Width(c.imgTitleinfo) + 100);
    Twips::SetHeight(c.imgTitleinfo, Twips::Height(c.imgTitleinfo) + 100);
  });
  next([&] {
    Twips::SetTop(c.lblBack, Twips::Top(c.lblDispItems) + 15);
    Twips::SetLeft(c.lblBack, Twips::Left(c.lblDispItems) + Twips::Width(c.lblDispItems) + 30);
    Twips::SetTop(c.lblNext, Twips::Top(c.lblBack));
    Twips::SetLeft(c.lblNext, Twips::Left(c.lblBack) + Twips::Width(c.lblBack) + 30);
  });
}

}  // namespace OrvaneMac
