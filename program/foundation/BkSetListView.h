#pragma once
// The list-view control of a backup-set list: one row per item with its
// text, an optional key (unique in the list), an icon index of the column
// tree's image list and four sub-item texts (type, last-modified date,
// size, kind code). Rows are numbered from 1.

#include <QString>
#include <QTreeWidget>

namespace OrvaneMac {

class BkSetListView : public QTreeWidget {
 public:
  explicit BkSetListView(QWidget* parent = nullptr);

  // ListItems.Add: a row at the end; a key the list holds already raises
  // 35602 and adds nothing. Answers the row's number.
  int AddRow(const QString& text, const QString& key = {});
  void ClearRows();
  [[nodiscard]] int RowCount() const { return topLevelItemCount(); }

  // Raise 35600 outside 1..RowCount().
  [[nodiscard]] QString RowText(int row) const;
  void SetRowText(int row, const QString& text);
  [[nodiscard]] QString RowKey(int row) const;
  [[nodiscard]] int RowIcon(int row) const;
  void SetRowIcon(int row, int icon);
  // Sub-items 1 to 4.
  [[nodiscard]] QString SubItem(int row, int column) const;
  void SetSubItem(int row, int column, const QString& text);

 private:
  [[nodiscard]] QTreeWidgetItem* Row(int row) const;
};

}  // namespace OrvaneMac
