#include "program/browse/PlainTreeView.h"

#include <QStringList>

#include "platform/errors/RuntimeError.h"

namespace OrvaneMac {
namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kIndexRole = Qt::UserRole + 2;
constexpr int kSortedRole = Qt::UserRole + 3;

void SortChildren(QTreeWidgetItem* item) {
  item->sortChildren(0, Qt::AscendingOrder);
}

}  // namespace

QTreeWidgetItem* PlainTreeNode::Item() const {
  if (!item_) vb::Raise(vb::errObjectVariableNotSet);
  return item_;
}

QString PlainTreeNode::Key() const { return Item()->data(0, kKeyRole).toString(); }
QString PlainTreeNode::Text() const { return Item()->text(0); }
QString PlainTreeNode::Image() const { return Item()->data(0, kImageRole).toString(); }
long PlainTreeNode::Index() const { return Item()->data(0, kIndexRole).toInt(); }
bool PlainTreeNode::Checked() const { return Item()->checkState(0) == Qt::Checked; }
void PlainTreeNode::SetChecked(bool checked) { Item()->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked); }

QString PlainTreeNode::FullPath() const {
  QStringList texts;
  for (QTreeWidgetItem* i = Item(); i; i = i->parent()) texts.prepend(i->text(0));
  return texts.join(tree_->PathSeparator);
}

PlainTreeNode PlainTreeNode::Child() const {
  QTreeWidgetItem* item = Item();
  return {tree_, item->childCount() > 0 ? item->child(0) : nullptr};
}

PlainTreeNode PlainTreeNode::Next() const {
  QTreeWidgetItem* item = Item();
  QTreeWidgetItem* parent = item->parent();
  if (parent) {
    const int at = parent->indexOfChild(item);
    return {tree_, at + 1 < parent->childCount() ? parent->child(at + 1) : nullptr};
  }
  QTreeWidget* tree = item->treeWidget();
  const int at = tree->indexOfTopLevelItem(item);
  return {tree_, at + 1 < tree->topLevelItemCount() ? tree->topLevelItem(at + 1) : nullptr};
}

int PlainTreeNode::ChildCount() const { return Item()->childCount(); }

void PlainTreeNode::EnsureVisible() {
  QTreeWidgetItem* item = Item();
  for (QTreeWidgetItem* up = item->parent(); up; up = up->parent()) up->setExpanded(true);
  if (QTreeWidget* tree = item->treeWidget()) tree->scrollToItem(item);
}

void PlainTreeNode::SetSorted(bool sorted) {
  Item()->setData(0, kSortedRole, sorted);
  if (sorted) SortChildren(item_);
}

bool PlainTreeNode::Sorted() const { return Item()->data(0, kSortedRole).toBool(); }

PlainTreeView::PlainTreeView(QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(1);
  setHeaderHidden(true);
}

PlainTreeNode PlainTreeView::Add(const QString& relativeKey, const QString& key, const QString& text,
                                 const QString& imageKey) {
  if (!key.isEmpty() && byKey_.contains(key)) vb::Raise(35602, {}, QStringLiteral("Key is not unique in collection"));
  QTreeWidgetItem* parent = nullptr;
  if (!relativeKey.isEmpty()) {
    parent = byKey_.value(relativeKey);
    if (!parent) vb::Raise(35601, {}, QStringLiteral("Element not found"));
  }
  auto* item = new QTreeWidgetItem(QStringList{text});
  item->setData(0, kKeyRole, key);
  item->setData(0, kImageRole, imageKey);
  item->setData(0, kIndexRole, static_cast<int>(order_.size() + 1));
  item->setCheckState(0, Qt::Unchecked);
  if (parent) {
    parent->addChild(item);
    if (parent->data(0, kSortedRole).toBool()) SortChildren(parent);
  } else {
    addTopLevelItem(item);
  }
  if (!key.isEmpty()) byKey_.insert(key, item);
  order_.push_back(item);
  return {this, item};
}

PlainTreeNode PlainTreeView::NodeAt(long index) const {
  if (index < 1 || index > static_cast<long>(order_.size())) vb::Raise(35600, {}, QStringLiteral("Index out of bounds"));
  return {this, order_[static_cast<std::size_t>(index - 1)]};
}

PlainTreeNode PlainTreeView::FindNode(const QString& key) const { return {this, byKey_.value(key)}; }

}  // namespace OrvaneMac
