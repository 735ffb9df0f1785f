#include "program/foundation/BkSetListView.h"

#include "platform/errors/RuntimeError.h"

namespace OrvaneMac {
namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kIconRole = Qt::UserRole + 1;

}  // namespace

BkSetListView::BkSetListView(QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(5);
  setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Type"), QStringLiteral("Modified"),
                   QStringLiteral("Size"), QStringLiteral("Kind")});
  setRootIsDecorated(false);
}

int BkSetListView::AddRow(const QString& text, const QString& key) {
  if (!key.isEmpty()) {
    for (int i = 0; i < topLevelItemCount(); ++i) {
      if (topLevelItem(i)->data(0, kKeyRole).toString() == key) {
        vb::Raise(35602, {}, QStringLiteral("Key is not unique in collection"));
      }
    }
  }
  auto* item = new QTreeWidgetItem(QStringList{text});
  item->setData(0, kKeyRole, key);
  item->setData(0, kIconRole, 0);
  addTopLevelItem(item);
  return topLevelItemCount();
}

void BkSetListView::ClearRows() { clear(); }

QTreeWidgetItem* BkSetListView::Row(int row) const {
  if (row < 1 || row > topLevelItemCount()) vb::Raise(35600, {}, QStringLiteral("Index out of bounds"));
  return topLevelItem(row - 1);
}

QString BkSetListView::RowText(int row) const { return Row(row)->text(0); }
void BkSetListView::SetRowText(int row, const QString& text) { Row(row)->setText(0, text); }
QString BkSetListView::RowKey(int row) const { return Row(row)->data(0, kKeyRole).toString(); }
int BkSetListView::RowIcon(int row) const { return Row(row)->data(0, kIconRole).toInt(); }
void BkSetListView::SetRowIcon(int row, int icon) { Row(row)->setData(0, kIconRole, icon); }

QString BkSetListView::SubItem(int row, int column) const {
  if (column < 1 || column > 4) vb::Raise(35600, {}, QStringLiteral("Index out of bounds"));
  return Row(row)->text(column);
}

void BkSetListView::SetSubItem(int row, int column, const QString& text) {
  if (column < 1 || column > 4) vb::Raise(35600, {}, QStringLiteral("Index out of bounds"));
  Row(row)->setText(column, text);
}

}  // namespace OrvaneMac
