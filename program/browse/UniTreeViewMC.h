#pragma once
// The column tree: a tree with several columns, a check box and a picture
// per node, and keyed nodes. The remote tree of the main window and the
// destination tree of the restore destination screen are both this control.
//
// Nodes are reached through handles (TreeNode). A handle names its node by
// the tree and a number that is never used again, so a handle kept across a
// message pump stays safe: once its node is removed, the tree cleared or the
// window closed, every use of it raises run-time error 364 "Object has been
// unloaded." (the tree operations stop quietly on that error) and Gone()
// answers true. A handle that names no node at all raises 91.
//
// Check states: 1 unchecked, 2 checked, 3 partly checked; only 2 means
// chosen. The propagation is the control's own:
//   - a user's click on a box sets the node and everything listed below it
//     (2 when it was anything but 2, else 1) and works out its ancestors
//     again; then NodeCheck is raised;
//   - a state set from code (SetChecked) changes that node only;
//   - adding children never changes the parent's state;
//   - an ancestor worked out again is 1 when every child is 1, 2 when every
//     child is 2 and the user checked that folder itself (directly or through
//     one of its own ancestors), else 3: checking each listed file of a
//     folder never chooses the folder as a whole, whose other, unlisted
//     contents the user has not seen.

#include <QIcon>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTreeWidget>

#include <vector>

class QTreeWidgetItem;

namespace OrvaneMac {

class ChildBatch;
class TreeImageList;
class UniTreeViewMC;

// The run-time error of a node whose tree is gone.
inline constexpr long kErrObjectUnloaded = 364;

class TreeNode {
 public:
  TreeNode() = default;

  // No node at all (a failed add, no parent, no next sibling).
  [[nodiscard]] bool IsNothing() const { return id_ == 0; }
  // The node named is no more (or never was).
  [[nodiscard]] bool Gone() const;
  [[nodiscard]] bool operator==(const TreeNode& other) const { return tree_ == other.tree_ && id_ == other.id_; }

  [[nodiscard]] UniTreeViewMC* Tree() const { return tree_; }
  [[nodiscard]] QString Key() const;
  [[nodiscard]] QString Text() const;
  // The node's index in the tree's node collection; never used again for
  // another node of the run.
  [[nodiscard]] long Index() const;
  // Zero-based index into the tree's image list; -1 for none.
  [[nodiscard]] int Image() const;
  void SetImage(int index);
  void SetSelected(bool selected);
  [[nodiscard]] bool Expanded() const;
  void SetExpanded(bool expanded);

  [[nodiscard]] int Checked() const;
  void SetChecked(int state);

  [[nodiscard]] TreeNode Parent() const;
  [[nodiscard]] TreeNode Child() const;  // the first child
  [[nodiscard]] TreeNode Next() const;   // the next sibling
  [[nodiscard]] int ChildCount() const;
  // A child by its position, counted from 1 (9 outside the children).
  [[nodiscard]] TreeNode ChildAt(int position) const;
  void ClearChildren();

  // The expand sign of a node without children: shown or hidden.
  void SetHasChildren(bool mark);
  [[nodiscard]] bool HasChildrenMark() const;

  // Adds a child; a key the tree already holds raises 35602 ("Key is not
  // unique in collection") and adds nothing.
  TreeNode AddChild(const QString& key, const QString& text, int image, int selectedImage, bool hasChildren);

  // The text of column n (1 Size, 2 Modified Date).
  [[nodiscard]] QString SubItem(int column) const;
  void SetSubItem(int column, const QString& text);

  // Puts the children present in order of their texts, case ignored (any
  // value of `how`); children added later go after them.
  void SortChildren(int how = 1);
  // Gives every node below this one this node's check state.
  void CarryCheckDown();
  // Works out the ancestors' check states again after this node was
  // unchecked (or changed) from code.
  void RefreshAfterUncheck();

 private:
  friend class UniTreeViewMC;
  friend class ChildBatch;
  TreeNode(UniTreeViewMC* tree, quint64 id) : tree_(tree), id_(id) {}
  [[nodiscard]] QTreeWidgetItem* Item() const;  // raises when gone

  QPointer<UniTreeViewMC> tree_;
  quint64 id_ = 0;
};

// Adds many children to one node in one step. Each Add makes a child as
// TreeNode::AddChild does (keyed, 35602 for a key already held, a handle
// that can be given its column texts at once), but the children join the
// node, in the order added, only at Attach() or when the batch ends, an
// error leaving it included: the view takes them in at once instead of
// one by one.
class ChildBatch {
 public:
  // `expected`: about how many children will come (room is made for them).
  explicit ChildBatch(const TreeNode& parent, qsizetype expected = 0);
  ~ChildBatch();
  ChildBatch(const ChildBatch&) = delete;
  ChildBatch& operator=(const ChildBatch&) = delete;

  TreeNode Add(const QString& key, const QString& text, int image, bool hasChildren);
  // The text of column n of the child added last, as TreeNode::SetSubItem
  // sets it (9 for a column the tree lacks).
  void SetSubItem(int column, const QString& text);
  void Attach();

 private:
  TreeNode parent_;
  QList<QTreeWidgetItem*> items_;
};

class UniTreeViewMC : public QTreeWidget {
  Q_OBJECT
 public:
  explicit UniTreeViewMC(QWidget* parent = nullptr);
  ~UniTreeViewMC() override;

  // --- Nodes ---------------------------------------------------------------
  // A top-level node (the relative node and relationship of the legacy add
  // are always none and 0); 35602 for a key already held.
  TreeNode AddRoot(const QString& key, const QString& text, int image, int selectedImage);
  void ClearNodes();
  [[nodiscard]] int NodeCount() const;
  // The node at `position` of the collection (in the order added, counted
  // from 1; 9 outside).
  [[nodiscard]] TreeNode NodeAt(int position) const;
  // Removes the node of that index and everything below it (35601 when the
  // index names no node).
  void RemoveNode(long index);
  // The node of a key; nothing when the tree does not hold it.
  [[nodiscard]] TreeNode FindNode(const QString& key) const;

  // --- Columns -------------------------------------------------------------
  void SetFirstColumn(const QString& header, int width);
  // Adds a column by key and header and answers its number (1, 2, ...).
  int AddColumn(const QString& key, const QString& header);
  void SetColumnWidth(int column, int width);
  [[nodiscard]] int ColumnNumber(const QString& key) const;

  // --- The rest ------------------------------------------------------------
  void SetImageList(const TreeImageList* list);
  [[nodiscard]] const TreeImageList* ImageList() const { return images_; }
  [[nodiscard]] TreeNode SelectedItem() const;
  void Redraw();
  // The OLE drop mode: 0 none, 1 manual (data of any kind dragged over the
  // tree is taken, so DragOver is reported; a drop does nothing).
  void SetOLEDropMode(int mode);

 signals:
  // The user opened or closed a node (expansions made from code raise none).
  void Expand(OrvaneMac::TreeNode node);
  void Collapse(OrvaneMac::TreeNode node);
  void NodeClick(OrvaneMac::TreeNode node);
  // The user clicked a node's box; the states are already worked out.
  void NodeCheck(OrvaneMac::TreeNode node);
  void KeyDown(int key, Qt::KeyboardModifiers shift);
  void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint point);
  void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPoint point);
  void LostFocus();
  void DragOver(QPoint point);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  friend class TreeNode;
  friend class ChildBatch;
  [[nodiscard]] QTreeWidgetItem* ItemOf(quint64 id) const;
  [[nodiscard]] TreeNode NodeOf(QTreeWidgetItem* item) const;
  QTreeWidgetItem* NewItem(const QString& key, const QString& text, int image, int selectedImage);
  // Drops items and their subtrees from the indexes, in one pass over the
  // order of all nodes.
  void Forget(const QList<QTreeWidgetItem*>& items);
  void ShowImage(QTreeWidgetItem* item);
  [[nodiscard]] QIcon IconOf(int index);
  void StoreCheck(QTreeWidgetItem* item, int state, bool chosen);
  void SetSubtree(QTreeWidgetItem* item, int state, bool chosen);
  void WorkOutAncestors(QTreeWidgetItem* item);
  void OnItemChanged(QTreeWidgetItem* item, int column);

  const TreeImageList* images_ = nullptr;
  bool manualDrop_ = false;
  std::vector<QIcon> icons_;  // the pictures of images_ as icons, made once
  QHash<quint64, QTreeWidgetItem*> byId_;
  QHash<QString, quint64> byKey_;
  std::vector<quint64> order_;
  QStringList columnKeys_;
  quint64 nextId_ = 1;
  int quiet_ = 0;  // changes made from code: no user events
};

}  // namespace OrvaneMac

Q_DECLARE_METATYPE(OrvaneMac::TreeNode)
