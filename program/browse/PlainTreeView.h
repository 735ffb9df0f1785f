#pragma once
// The plain tree view of the common controls: one column, a check box per
// node (checked or not), an image key, keyed nodes numbered in the order
// they were added (from 1). The column-tree class and Transfer keep a few
// operations for such a tree; no window of the program shows one.

#include <QHash>
#include <QString>
#include <QTreeWidget>

#include <vector>

namespace OrvaneMac {

class PlainTreeView;

class PlainTreeNode {
 public:
  PlainTreeNode() = default;
  [[nodiscard]] bool IsNothing() const { return item_ == nullptr; }

  [[nodiscard]] QString Key() const;
  [[nodiscard]] QString Text() const;
  [[nodiscard]] QString Image() const;
  [[nodiscard]] long Index() const;
  [[nodiscard]] bool Checked() const;
  void SetChecked(bool checked);
  // The texts of the node and its ancestors, root first, joined by the
  // tree's separator.
  [[nodiscard]] QString FullPath() const;
  [[nodiscard]] PlainTreeNode Child() const;
  [[nodiscard]] PlainTreeNode Next() const;
  [[nodiscard]] int ChildCount() const;
  // Expands the node's ancestors and scrolls the tree to it.
  void EnsureVisible();
  // Keeps the children in order of their texts while set.
  void SetSorted(bool sorted);
  [[nodiscard]] bool Sorted() const;

 private:
  friend class PlainTreeView;
  PlainTreeNode(const PlainTreeView* tree, QTreeWidgetItem* item) : tree_(tree), item_(item) {}
  QTreeWidgetItem* Item() const;  // 91 for no node

  const PlainTreeView* tree_ = nullptr;
  QTreeWidgetItem* item_ = nullptr;
};

class PlainTreeView : public QTreeWidget {
 public:
  explicit PlainTreeView(QWidget* parent = nullptr);

  // Nodes.Add(relative, 4 (child), key, text, image): a top-level node when
  // `relativeKey` is empty. A key already held raises 35602, a relative that
  // is not there 35601.
  PlainTreeNode Add(const QString& relativeKey, const QString& key, const QString& text, const QString& imageKey);
  // The node of an index (35600 outside the collection).
  [[nodiscard]] PlainTreeNode NodeAt(long index) const;
  [[nodiscard]] PlainTreeNode FindNode(const QString& key) const;
  [[nodiscard]] int NodeCount() const { return static_cast<int>(order_.size()); }

  QString PathSeparator = QStringLiteral("\\");

 private:
  friend class PlainTreeNode;
  QHash<QString, QTreeWidgetItem*> byKey_;
  std::vector<QTreeWidgetItem*> order_;
};

}  // namespace OrvaneMac
