#include "program/browse/UniTreeViewMC.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <utility>

#include "platform/errors/RuntimeError.h"
#include "program/browse/TreeImages.h"

namespace OrvaneMac {
namespace {

constexpr int kIdRole = Qt::UserRole;
constexpr int kKeyRole = Qt::UserRole + 1;
constexpr int kCheckRole = Qt::UserRole + 2;
constexpr int kChosenRole = Qt::UserRole + 3;
constexpr int kImageRole = Qt::UserRole + 4;
constexpr int kMarkRole = Qt::UserRole + 5;

constexpr long kErrKeyNotUnique = 35602;
constexpr long kErrElementNotFound = 35601;

Qt::CheckState ShownState(int state) {
  switch (state) {
    case 2: return Qt::Checked;
    case 3: return Qt::PartiallyChecked;
    default: return Qt::Unchecked;
  }
}

int StateOf(const QTreeWidgetItem* item) {
  const int state = item->data(0, kCheckRole).toInt();
  return state == 0 ? 1 : state;
}

quint64 IdOf(const QTreeWidgetItem* item) { return item->data(0, kIdRole).toULongLong(); }

// The expand sign of a node without children: shown or hidden.
void SetMark(QTreeWidgetItem* item, bool mark) {
  item->setData(0, kMarkRole, mark);
  item->setChildIndicatorPolicy(mark ? QTreeWidgetItem::ShowIndicator
                                     : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

// A node's item: the node's own values (its number, key, check state,
// picture number and expand sign) are members rather than stored data of
// the item, which a tree of many thousand nodes fills and reads quickly
// and holds in less memory. The rest is the item's as usual.
class NodeItem : public QTreeWidgetItem {
 public:
  QVariant data(int column, int role) const override {
    if (column == 0) {
      switch (role) {
        case kIdRole: return QVariant::fromValue(id_);
        case kKeyRole: return key_;
        case kCheckRole: return check_ == 0 ? QVariant() : QVariant(check_);
        case kChosenRole: return chosen_;
        case kImageRole: return image_;
        case kMarkRole: return mark_;
        default: break;
      }
    }
    return QTreeWidgetItem::data(column, role);
  }

  void setData(int column, int role, const QVariant& value) override {
    if (column == 0) {
      switch (role) {
        case kIdRole: id_ = value.toULongLong(); return;
        case kKeyRole: key_ = value.toString(); return;
        case kCheckRole: check_ = value.toInt(); return;
        case kChosenRole: chosen_ = value.toBool(); return;
        case kImageRole: image_ = value.toInt(); return;
        case kMarkRole: mark_ = value.toBool(); return;
        default: break;
      }
    }
    QTreeWidgetItem::setData(column, role, value);
  }

 private:
  quint64 id_ = 0;
  QString key_;
  int check_ = 0;  // none stored: reads as 1
  int image_ = 0;
  bool chosen_ = false;
  bool mark_ = false;
};

}  // namespace

// --- TreeNode ----------------------------------------------------------------

QTreeWidgetItem* TreeNode::Item() const {
  if (id_ == 0) vb::Raise(vb::errObjectVariableNotSet);
  QTreeWidgetItem* item = tree_ ? tree_->ItemOf(id_) : nullptr;
  if (!item) vb::Raise(kErrObjectUnloaded, {}, QStringLiteral("Object has been unloaded."));
  return item;
}

bool TreeNode::Gone() const { return id_ == 0 || !tree_ || !tree_->ItemOf(id_); }

QString TreeNode::Key() const { return Item()->data(0, kKeyRole).toString(); }
QString TreeNode::Text() const { return Item()->text(0); }
long TreeNode::Index() const { return static_cast<long>(IdOf(Item())); }
int TreeNode::Image() const { return Item()->data(0, kImageRole).toInt(); }

void TreeNode::SetImage(int index) {
  QTreeWidgetItem* item = Item();
  item->setData(0, kImageRole, index);
  tree_->ShowImage(item);
}

void TreeNode::SetSelected(bool selected) {
  QTreeWidgetItem* item = Item();
  if (selected) tree_->setCurrentItem(item);
  item->setSelected(selected);
}

bool TreeNode::Expanded() const { return Item()->isExpanded(); }

void TreeNode::SetExpanded(bool expanded) {
  QTreeWidgetItem* item = Item();
  ++tree_->quiet_;
  item->setExpanded(expanded);
  --tree_->quiet_;
}

int TreeNode::Checked() const { return StateOf(Item()); }

void TreeNode::SetChecked(int state) {
  QTreeWidgetItem* item = Item();
  if (state < 1 || state > 3) vb::Raise(380, {}, QStringLiteral("Invalid property value"));
  tree_->StoreCheck(item, state, state == 2);
}

TreeNode TreeNode::Parent() const { return tree_ ? tree_->NodeOf(Item()->parent()) : TreeNode(); }
TreeNode TreeNode::Child() const {
  QTreeWidgetItem* item = Item();
  return tree_->NodeOf(item->childCount() > 0 ? item->child(0) : nullptr);
}

TreeNode TreeNode::Next() const {
  QTreeWidgetItem* item = Item();
  QTreeWidgetItem* parent = item->parent();
  const int at = parent ? parent->indexOfChild(item) : tree_->indexOfTopLevelItem(item);
  QTreeWidgetItem* next = parent ? parent->child(at + 1) : tree_->topLevelItem(at + 1);
  return tree_->NodeOf(next);
}

int TreeNode::ChildCount() const { return Item()->childCount(); }

TreeNode TreeNode::ChildAt(int position) const {
  QTreeWidgetItem* item = Item();
  if (position < 1 || position > item->childCount()) vb::Raise(vb::errSubscriptOutOfRange);
  return tree_->NodeOf(item->child(position - 1));
}

void TreeNode::ClearChildren() {
  QTreeWidgetItem* item = Item();
  const QList<QTreeWidgetItem*> children = item->takeChildren();
  tree_->Forget(children);
  qDeleteAll(children);
}

void TreeNode::SetHasChildren(bool mark) { SetMark(Item(), mark); }

bool TreeNode::HasChildrenMark() const { return Item()->data(0, kMarkRole).toBool(); }

// --- ChildBatch ----------------------------------------------------------------

ChildBatch::ChildBatch(const TreeNode& parent, qsizetype expected) : parent_(parent) {
  (void)parent_.Item();
  UniTreeViewMC* tree = parent_.tree_;
  tree->byId_.reserve(tree->byId_.size() + expected);
  tree->byKey_.reserve(tree->byKey_.size() + expected);
  tree->order_.reserve(tree->order_.size() + static_cast<std::size_t>(expected));
  items_.reserve(expected);
}

ChildBatch::~ChildBatch() {
  // Never throws: a parent gone in the meantime takes the children with it.
  if (!parent_.Gone()) {
    Attach();
    return;
  }
  if (UniTreeViewMC* tree = parent_.Tree()) tree->Forget(items_);
  qDeleteAll(items_);
}

TreeNode ChildBatch::Add(const QString& key, const QString& text, int image, bool hasChildren) {
  UniTreeViewMC* tree = parent_.tree_;
  (void)parent_.Item();
  QTreeWidgetItem* item = tree->NewItem(key, text, image, image);
  items_.append(item);
  SetMark(item, hasChildren);
  return tree->NodeOf(item);
}

void ChildBatch::SetSubItem(int column, const QString& text) {
  if (items_.isEmpty()) vb::Raise(vb::errObjectVariableNotSet);
  if (column < 1 || column >= parent_.tree_->columnCount()) vb::Raise(vb::errSubscriptOutOfRange);
  items_.last()->setText(column, text);
}

void ChildBatch::Attach() {
  if (items_.isEmpty()) return;
  QTreeWidgetItem* parent = parent_.Item();
  UniTreeViewMC* tree = parent_.tree_;
  ++tree->quiet_;
  parent->addChildren(std::exchange(items_, {}));
  --tree->quiet_;
}

TreeNode TreeNode::AddChild(const QString& key, const QString& text, int image, int selectedImage, bool hasChildren) {
  QTreeWidgetItem* parent = Item();
  QTreeWidgetItem* item = tree_->NewItem(key, text, image, selectedImage);
  ++tree_->quiet_;
  parent->addChild(item);
  --tree_->quiet_;
  TreeNode node = tree_->NodeOf(item);
  node.SetHasChildren(hasChildren);
  return node;
}

QString TreeNode::SubItem(int column) const { return Item()->text(column); }

void TreeNode::SetSubItem(int column, const QString& text) {
  QTreeWidgetItem* item = Item();
  if (column < 1 || column >= tree_->columnCount()) vb::Raise(vb::errSubscriptOutOfRange);
  item->setText(column, text);
}

void TreeNode::SortChildren(int /*how*/) {
  QTreeWidgetItem* item = Item();
  ++tree_->quiet_;
  QList<QTreeWidgetItem*> children = item->takeChildren();
  std::stable_sort(children.begin(), children.end(), [](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
    return QString::compare(a->text(0), b->text(0), Qt::CaseInsensitive) < 0;
  });
  item->addChildren(children);
  --tree_->quiet_;
}

void TreeNode::CarryCheckDown() {
  QTreeWidgetItem* item = Item();
  const int state = StateOf(item);
  const bool chosen = item->data(0, kChosenRole).toBool() || state == 2;
  for (int i = 0; i < item->childCount(); ++i) tree_->SetSubtree(item->child(i), state, chosen && state == 2);
}

void TreeNode::RefreshAfterUncheck() {
  QTreeWidgetItem* item = Item();
  tree_->WorkOutAncestors(item);
}

// --- UniTreeViewMC -----------------------------------------------------------

UniTreeViewMC::UniTreeViewMC(QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(1);
  setHeaderLabels({QStringLiteral("Name")});
  setSortingEnabled(false);
  setMouseTracking(true);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(QHeaderView::Interactive);
  connect(this, &QTreeWidget::itemChanged, this, &UniTreeViewMC::OnItemChanged);
  connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
    if (quiet_ == 0) emit Expand(NodeOf(item));
  });
  connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
    if (quiet_ == 0) emit Collapse(NodeOf(item));
  });
  connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) { emit NodeClick(NodeOf(item)); });
}

UniTreeViewMC::~UniTreeViewMC() {
  // The handles of this tree answer "gone" from here on.
  byId_.clear();
  byKey_.clear();
}

QTreeWidgetItem* UniTreeViewMC::ItemOf(quint64 id) const { return byId_.value(id, nullptr); }

TreeNode UniTreeViewMC::NodeOf(QTreeWidgetItem* item) const {
  if (!item) return {};
  return TreeNode(const_cast<UniTreeViewMC*>(this), IdOf(item));
}

QTreeWidgetItem* UniTreeViewMC::NewItem(const QString& key, const QString& text, int image, int selectedImage) {
  if (byKey_.contains(key)) vb::Raise(kErrKeyNotUnique, {}, QStringLiteral("Key is not unique in collection"));
  (void)selectedImage;  // the control shows one picture per node
  auto* item = new NodeItem();
  const quint64 id = nextId_++;
  ++quiet_;
  item->setData(0, kIdRole, id);
  item->setData(0, kKeyRole, key);
  item->setData(0, kImageRole, image);  // no check state stored reads as 1
  item->setText(0, text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  item->setCheckState(0, Qt::Unchecked);
  --quiet_;
  ShowImage(item);
  byId_.insert(id, item);
  byKey_.insert(key, id);
  order_.push_back(id);
  return item;
}

void UniTreeViewMC::Forget(const QList<QTreeWidgetItem*>& items) {
  QList<QTreeWidgetItem*> pending = items;
  bool any = false;
  while (!pending.isEmpty()) {
    QTreeWidgetItem* item = pending.takeLast();
    for (int i = 0; i < item->childCount(); ++i) pending.append(item->child(i));
    byId_.remove(IdOf(item));
    byKey_.remove(item->data(0, kKeyRole).toString());
    any = true;
  }
  if (!any) return;
  // Whatever the indexes no longer hold leaves the order too.
  order_.erase(std::remove_if(order_.begin(), order_.end(), [this](quint64 id) { return !byId_.contains(id); }),
               order_.end());
}

QIcon UniTreeViewMC::IconOf(int index) {
  if (!images_ || index < 0 || index >= images_->Count()) return {};
  if (icons_.size() != static_cast<std::size_t>(images_->Count())) icons_.assign(images_->Count(), QIcon());
  QIcon& icon = icons_[static_cast<std::size_t>(index)];
  if (icon.isNull()) icon = QIcon(images_->Picture(index + 1));
  return icon;
}

void UniTreeViewMC::ShowImage(QTreeWidgetItem* item) {
  ++quiet_;
  item->setIcon(0, IconOf(item->data(0, kImageRole).toInt()));
  --quiet_;
}

TreeNode UniTreeViewMC::AddRoot(const QString& key, const QString& text, int image, int selectedImage) {
  QTreeWidgetItem* item = NewItem(key, text, image, selectedImage);
  ++quiet_;
  addTopLevelItem(item);
  --quiet_;
  return NodeOf(item);
}

void UniTreeViewMC::ClearNodes() {
  ++quiet_;
  byId_.clear();
  byKey_.clear();
  order_.clear();
  clear();
  --quiet_;
}

int UniTreeViewMC::NodeCount() const { return static_cast<int>(order_.size()); }

TreeNode UniTreeViewMC::NodeAt(int position) const {
  if (position < 1 || position > NodeCount()) vb::Raise(vb::errSubscriptOutOfRange);
  return TreeNode(const_cast<UniTreeViewMC*>(this), order_[static_cast<size_t>(position - 1)]);
}

void UniTreeViewMC::RemoveNode(long index) {
  QTreeWidgetItem* item = ItemOf(static_cast<quint64>(index));
  if (!item) vb::Raise(kErrElementNotFound, {}, QStringLiteral("Element not found"));
  ++quiet_;
  Forget({item});
  delete item;
  --quiet_;
}

TreeNode UniTreeViewMC::FindNode(const QString& key) const {
  const quint64 id = byKey_.value(key, 0);
  return id ? TreeNode(const_cast<UniTreeViewMC*>(this), id) : TreeNode();
}

void UniTreeViewMC::SetFirstColumn(const QString& header, int width) {
  if (QTreeWidgetItem* h = headerItem()) h->setText(0, header);
  SetColumnWidth(0, width);
}

int UniTreeViewMC::AddColumn(const QString& key, const QString& header) {
  const int column = columnCount();
  setColumnCount(column + 1);
  headerItem()->setText(column, header);
  while (columnKeys_.size() < column) columnKeys_.append(QString());
  columnKeys_.append(key);
  return column;
}

void UniTreeViewMC::SetColumnWidth(int column, int width) {
  if (column < 0 || column >= columnCount()) vb::Raise(vb::errSubscriptOutOfRange);
  setColumnHidden(column, width <= 0);
  if (width > 0) setColumnWidth(column, width);
}

int UniTreeViewMC::ColumnNumber(const QString& key) const {
  const qsizetype at = columnKeys_.indexOf(key);
  return at < 0 ? -1 : static_cast<int>(at);
}

void UniTreeViewMC::SetImageList(const TreeImageList* list) {
  images_ = list;
  icons_.clear();
  for (QTreeWidgetItem* item : std::as_const(byId_)) ShowImage(item);
}

TreeNode UniTreeViewMC::SelectedItem() const { return NodeOf(currentItem()); }

void UniTreeViewMC::Redraw() { viewport()->update(); }

void UniTreeViewMC::StoreCheck(QTreeWidgetItem* item, int state, bool chosen) {
  ++quiet_;
  item->setData(0, kCheckRole, state);
  item->setData(0, kChosenRole, chosen);
  item->setCheckState(0, ShownState(state));
  --quiet_;
}

void UniTreeViewMC::SetSubtree(QTreeWidgetItem* item, int state, bool chosen) {
  StoreCheck(item, state, chosen);
  for (int i = 0; i < item->childCount(); ++i) SetSubtree(item->child(i), state, chosen);
}

void UniTreeViewMC::WorkOutAncestors(QTreeWidgetItem* item) {
  for (QTreeWidgetItem* parent = item->parent(); parent; parent = parent->parent()) {
    bool allChecked = true;
    bool allUnchecked = true;
    for (int i = 0; i < parent->childCount(); ++i) {
      const int state = StateOf(parent->child(i));
      allChecked = allChecked && state == 2;
      allUnchecked = allUnchecked && state == 1;
    }
    const bool chosen = parent->data(0, kChosenRole).toBool();
    if (allUnchecked) {
      StoreCheck(parent, 1, false);
    } else if (allChecked && chosen) {
      StoreCheck(parent, 2, true);
    } else {
      StoreCheck(parent, 3, false);
    }
  }
}

void UniTreeViewMC::OnItemChanged(QTreeWidgetItem* item, int column) {
  if (quiet_ != 0 || column != 0) return;
  const int stored = StateOf(item);
  if (item->checkState(0) == ShownState(stored)) return;  // some other change of the item
  const int state = stored == 2 ? 1 : 2;
  SetSubtree(item, state, state == 2);
  WorkOutAncestors(item);
  emit NodeCheck(NodeOf(item));
}

void UniTreeViewMC::keyPressEvent(QKeyEvent* event) {
  emit KeyDown(event->key(), event->modifiers());
  QTreeWidget::keyPressEvent(event);
}

void UniTreeViewMC::mousePressEvent(QMouseEvent* event) {
  emit MouseDown(event->button(), event->modifiers(), event->position().toPoint());
  QTreeWidget::mousePressEvent(event);
}

void UniTreeViewMC::mouseMoveEvent(QMouseEvent* event) {
  emit MouseMove(event->buttons(), event->modifiers(), event->position().toPoint());
  QTreeWidget::mouseMoveEvent(event);
}

void UniTreeViewMC::focusOutEvent(QFocusEvent* event) {
  emit LostFocus();
  QTreeWidget::focusOutEvent(event);
}

void UniTreeViewMC::SetOLEDropMode(int mode) {
  manualDrop_ = mode == 1;
  setAcceptDrops(manualDrop_);
  viewport()->setAcceptDrops(manualDrop_);
}

void UniTreeViewMC::dragEnterEvent(QDragEnterEvent* event) {
  if (!manualDrop_) {
    QTreeWidget::dragEnterEvent(event);
    return;
  }
  event->acceptProposedAction();
}

void UniTreeViewMC::dragMoveEvent(QDragMoveEvent* event) {
  emit DragOver(event->position().toPoint());
  if (!manualDrop_) {
    QTreeWidget::dragMoveEvent(event);
    return;
  }
  event->acceptProposedAction();
}

void UniTreeViewMC::dropEvent(QDropEvent* event) {
  if (!manualDrop_) {
    QTreeWidget::dropEvent(event);
    return;
  }
  event->ignore();  // nothing handles dropped data
}

}  // namespace OrvaneMac
