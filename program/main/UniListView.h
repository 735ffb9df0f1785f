#pragma once
// The result list of the search window: a list of rows with check boxes.
// Each row has a text (its first column), a key (unique in the list), a
// picture of the column trees' image list, sub-item texts and a check text
// kept with it. A check change made by the user is announced before it
// takes effect (the handler may cancel it) and after; changes made from
// code announce nothing. Rows are numbered from 1.

#include <QHash>
#include <QString>
#include <QTreeWidget>

#include <functional>

namespace OrvaneMac {

class UniListView : public QTreeWidget {
  Q_OBJECT
 public:
  explicit UniListView(QWidget* parent = nullptr);

  // Adds a column of `width` twips (0 hides it). The first column (the
  // rows' texts) also takes whatever room the other columns leave, so its
  // texts are cut only when the list has no room for them.
  void AddColumn(const QString& title, double width);

  // A row at the end with the picture of ImageListColTree's zero-based
  // `image`; a key the list holds already raises 35602 and adds nothing.
  // Answers the row's number.
  int AddRow(const QString& key, const QString& text, int image);
  void ClearRows();
  // Raises 35600 outside 1..RowCount().
  void RemoveRow(int row);
  [[nodiscard]] int RowCount() const { return topLevelItemCount(); }

  [[nodiscard]] QString RowText(int row) const;
  [[nodiscard]] QString RowKey(int row) const;
  [[nodiscard]] int RowImage(int row) const;
  [[nodiscard]] QString SubItem(int row, int column) const;
  void SetSubItem(int row, int column, const QString& text);
  [[nodiscard]] QString CheckText(int row) const;
  void SetCheckText(int row, const QString& text);
  [[nodiscard]] bool Checked(int row) const;
  // From code: nothing is announced.
  void SetChecked(int row, bool checked);

  // The user's check change of `row` to `checked`: before (set `cancel` to
  // keep the old state) and after.
  std::function<void(int row, bool checked, bool& cancel)> BeforeCheck;
  std::function<void(int row)> AfterCheck;

 protected:
  void updateGeometries() override;

 private:
  void FitFirstColumn();
  [[nodiscard]] QTreeWidgetItem* Row(int row) const;
  void ItemChanged(QTreeWidgetItem* item, int column);

  QHash<QString, QTreeWidgetItem*> keys_;
  bool quiet_ = false;
  int firstWidth_ = 0;  // the first column's own width, in pixels
  bool fitting_ = false;
};

}  // namespace OrvaneMac
