#include "program/main/UniListView.h"

#include <QHeaderView>

#include <algorithm>

#include "platform/errors/RuntimeError.h"
#include "program/browse/TreeImages.h"
#include "program/windows/Twips.h"

namespace OrvaneMac {
namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kCheckTextRole = Qt::UserRole + 2;
constexpr int kShownCheckRole = Qt::UserRole + 3;

}  // namespace

UniListView::UniListView(QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(0);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  header()->setStretchLastSection(false);
  connect(this, &QTreeWidget::itemChanged, this, &UniListView::ItemChanged);
  connect(header(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
    if (section != 0) {
      FitFirstColumn();
    } else if (!fitting_ && firstWidth_ > 0) {
      firstWidth_ = size;  // the user's own width, wider than the room if so chosen
    }
  });
}

void UniListView::updateGeometries() {
  QTreeWidget::updateGeometries();
  FitFirstColumn();
}

void UniListView::FitFirstColumn() {
  if (fitting_ || columnCount() == 0 || firstWidth_ <= 0) return;
  fitting_ = true;
  int others = 0;
  for (int column = 1; column < columnCount(); ++column) {
    if (!isColumnHidden(column)) others += columnWidth(column);
  }
  const int width = std::max(firstWidth_, viewport()->width() - others);
  if (columnWidth(0) != width) setColumnWidth(0, width);
  fitting_ = false;
}

void UniListView::AddColumn(const QString& title, double width) {
  const int column = columnCount();
  setColumnCount(column + 1);
  QTreeWidgetItem* head = headerItem();
  head->setText(column, title);
  if (width <= 0) {
    setColumnHidden(column, true);
  } else {
    setColumnWidth(column, TwipsToPixelsX(width));
    if (column == 0) firstWidth_ = TwipsToPixelsX(width);
  }
  FitFirstColumn();
}

int UniListView::AddRow(const QString& key, const QString& text, int image) {
  if (keys_.contains(key)) vb::Raise(35602, {}, QStringLiteral("Key is not unique in collection"));
  auto* item = new QTreeWidgetItem;
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  item->setText(0, text);
  item->setData(0, kKeyRole, key);
  item->setData(0, kImageRole, image);
  item->setData(0, kShownCheckRole, false);
  const TreeImageList& images = ImageListColTree();
  if (image >= 0 && image < images.Count()) item->setIcon(0, QIcon(images.Picture(image + 1)));
  quiet_ = true;
  item->setCheckState(0, Qt::Unchecked);
  addTopLevelItem(item);
  quiet_ = false;
  keys_.insert(key, item);
  return topLevelItemCount();
}

void UniListView::ClearRows() {
  quiet_ = true;
  clear();
  quiet_ = false;
  keys_.clear();
}

void UniListView::RemoveRow(int row) {
  QTreeWidgetItem* item = Row(row);
  keys_.remove(item->data(0, kKeyRole).toString());
  delete item;
}

QTreeWidgetItem* UniListView::Row(int row) const {
  if (row < 1 || row > topLevelItemCount()) vb::Raise(35600, {}, QStringLiteral("Index out of bounds"));
  return topLevelItem(row - 1);
}

QString UniListView::RowText(int row) const { return Row(row)->text(0); }
QString UniListView::RowKey(int row) const { return Row(row)->data(0, kKeyRole).toString(); }
int UniListView::RowImage(int row) const { return Row(row)->data(0, kImageRole).toInt(); }

QString UniListView::SubItem(int row, int column) const {
  if (column < 1 || column >= columnCount()) vb::Raise(35600, {}, QStringLiteral("Index out of bounds"));
  return Row(row)->text(column);
}

void UniListView::SetSubItem(int row, int column, const QString& text) {
  if (column < 1 || column >= columnCount()) vb::Raise(35600, {}, QStringLiteral("Index out of bounds"));
  Row(row)->setText(column, text);
}

QString UniListView::CheckText(int row) const { return Row(row)->data(0, kCheckTextRole).toString(); }

void UniListView::SetCheckText(int row, const QString& text) {
  QTreeWidgetItem* item = Row(row);
  quiet_ = true;
  item->setData(0, kCheckTextRole, text);
  quiet_ = false;
}

bool UniListView::Checked(int row) const { return Row(row)->checkState(0) == Qt::Checked; }

void UniListView::SetChecked(int row, bool checked) {
  QTreeWidgetItem* item = Row(row);
  quiet_ = true;
  item->setData(0, kShownCheckRole, checked);
  item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
  quiet_ = false;
}

void UniListView::ItemChanged(QTreeWidgetItem* item, int column) {
  if (quiet_ || column != 0) return;
  const bool checked = item->checkState(0) == Qt::Checked;
  const bool was = item->data(0, kShownCheckRole).toBool();
  if (checked == was) return;
  const int row = indexOfTopLevelItem(item) + 1;
  bool cancel = false;
  if (BeforeCheck) BeforeCheck(row, checked, cancel);
  // The handler may have emptied the list.
  if (indexOfTopLevelItem(item) < 0) return;
  if (cancel) {
    SetChecked(row, was);
    return;
  }
  quiet_ = true;
  item->setData(0, kShownCheckRole, checked);
  quiet_ = false;
  if (AfterCheck) AfterCheck(indexOfTopLevelItem(item) + 1);
}

}  // namespace OrvaneMac
