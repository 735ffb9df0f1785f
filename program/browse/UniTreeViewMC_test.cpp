#include "program/browse/UniTreeViewMC.h"

#include <QTreeWidgetItemIterator>

#include <gtest/gtest.h>

#include <memory>

#include "platform/errors/RuntimeError.h"
#include "program/windows/WindowsTestSupport.h"

namespace OrvaneMac {
namespace {

class ColumnTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::App();
    tree_ = std::make_unique<UniTreeViewMC>();
    root_ = tree_->AddRoot("R/", "root", 0, 0);
    a_ = root_.AddChild("R/a/", "a", 0, 0, true);
    b_ = root_.AddChild("R/b/", "b", 0, 0, true);
    a1_ = a_.AddChild("R/a/1", "1", 0, 0, false);
    a2_ = a_.AddChild("R/a/2", "2", 0, 0, false);
  }

  // The user's click on a node's box, as the view's delegate gives it.
  void Click(const TreeNode& node) {
    for (QTreeWidgetItemIterator it(tree_.get()); *it; ++it) {
      if ((*it)->data(0, Qt::UserRole + 1).toString() == node.Key()) {
        (*it)->setCheckState(0, (*it)->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        return;
      }
    }
    FAIL() << "no node " << node.Key().toStdString();
  }

  std::unique_ptr<UniTreeViewMC> tree_;
  TreeNode root_, a_, b_, a1_, a2_;
};

TEST_F(ColumnTreeTest, RefusesADuplicateKeyAndWalksTheNodes) {
  try {
    (void)b_.AddChild("R/a/1", "again", 0, 0, false);
    FAIL() << "a duplicate key was added";
  } catch (const vb::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 35602);
  }
  EXPECT_EQ(b_.ChildCount(), 0);
  EXPECT_EQ(tree_->NodeCount(), 5);
  EXPECT_EQ(tree_->NodeAt(1), root_);
  EXPECT_EQ(root_.Child(), a_);
  EXPECT_EQ(a_.Next(), b_);
  EXPECT_TRUE(b_.Next().IsNothing());
  EXPECT_EQ(a2_.Parent(), a_);
  EXPECT_TRUE(root_.Parent().IsNothing());
  EXPECT_EQ(a_.ChildAt(2), a2_);
  EXPECT_EQ(tree_->FindNode("R/b/"), b_);
  EXPECT_TRUE(a_.HasChildrenMark());
  EXPECT_FALSE(a1_.HasChildrenMark());
}

TEST_F(ColumnTreeTest, SortsTheChildrenPresentOnceIgnoringCase) {
  TreeNode n = b_;
  n.AddChild("x3", "beta", 0, 0, true);
  n.AddChild("x1", "Alpha", 0, 0, true);
  n.AddChild("x2", "alpha", 0, 0, true);
  n.SortChildren(1);
  n.AddChild("x0", "aaa", 0, 0, false);  // added after the sort: stays last
  QStringList texts;
  for (int i = 1; i <= n.ChildCount(); ++i) texts << n.ChildAt(i).Text();
  EXPECT_EQ(texts, QStringList({"Alpha", "alpha", "beta", "aaa"}));
}

TEST_F(ColumnTreeTest, AUserClickSetsTheSubtreeAndWorksOutTheAncestors) {
  int checks = 0;
  QObject::connect(tree_.get(), &UniTreeViewMC::NodeCheck, [&checks](const TreeNode&) { ++checks; });
  Click(a_);
  EXPECT_EQ(checks, 1);
  EXPECT_EQ(a_.Checked(), 2);
  EXPECT_EQ(a1_.Checked(), 2);
  EXPECT_EQ(a2_.Checked(), 2);
  EXPECT_EQ(root_.Checked(), 3);  // b is not chosen

  Click(a1_);  // unchecked again
  EXPECT_EQ(a1_.Checked(), 1);
  EXPECT_EQ(a_.Checked(), 3);
  EXPECT_EQ(root_.Checked(), 3);

  // Every listed file checked one by one: the folder is still not chosen as
  // a whole.
  Click(a1_);
  EXPECT_EQ(a_.Checked(), 3);
  Click(a_);  // the user checks the folder itself
  EXPECT_EQ(a_.Checked(), 2);
  Click(a_);
  EXPECT_EQ(a1_.Checked(), 1);
  EXPECT_EQ(a_.Checked(), 1);
  EXPECT_EQ(root_.Checked(), 1);
}

TEST_F(ColumnTreeTest, CodeChangesOneNodeAndNewChildrenLeaveTheParentAlone) {
  b_.SetChecked(2);
  EXPECT_EQ(root_.Checked(), 1);  // set from code: that node only
  TreeNode child = b_.AddChild("R/b/x", "x", 0, 0, false);
  EXPECT_EQ(b_.Checked(), 2);
  EXPECT_EQ(child.Checked(), 1);
  b_.CarryCheckDown();
  EXPECT_EQ(child.Checked(), 2);
  child.SetChecked(1);
  child.RefreshAfterUncheck();
  EXPECT_EQ(b_.Checked(), 1);
}

TEST_F(ColumnTreeTest, HandlesAnswerGoneOnceTheirNodeIsGone) {
  a_.ClearChildren();
  EXPECT_TRUE(a1_.Gone());
  EXPECT_FALSE(a_.Gone());
  ASSERT_EQ(tree_->NodeCount(), 3);  // the others keep their order
  EXPECT_EQ(tree_->NodeAt(2), a_);
  EXPECT_EQ(tree_->NodeAt(3), b_);
  EXPECT_EQ(tree_->FindNode("R/a/1"), TreeNode());
  a_.AddChild("R/a/1", "1", 0, 0, false);  // its key is free again
  EXPECT_TRUE(a1_.Gone());                 // the old handle does not name the new node

  tree_->RemoveNode(b_.Index());
  EXPECT_TRUE(b_.Gone());
  tree_.reset();  // the window closed
  EXPECT_TRUE(root_.Gone());
  try {
    (void)root_.Text();
    FAIL() << "a gone node answered";
  } catch (const vb::RuntimeError& e) {
    EXPECT_EQ(e.Number(), kErrObjectUnloaded);
    EXPECT_EQ(e.Description(), "Object has been unloaded.");
  }
}

TEST_F(ColumnTreeTest, ABatchJoinsItsChildrenAtOnceAndKeepsThemOnAnError) {
  tree_->AddColumn("size", "Size");
  try {
    ChildBatch batch(b_, 2);
    batch.Add("R/b/x", "x", 0, false);
    batch.SetSubItem(1, "1.00 KB");
    EXPECT_EQ(b_.ChildCount(), 0);  // not joined yet
    batch.Add("R/b/y", "y", 0, true);
    batch.SetSubItem(2, "a column the tree lacks");
    FAIL() << "no error raised";
  } catch (const vb::RuntimeError& e) {
    EXPECT_EQ(e.Number(), vb::errSubscriptOutOfRange);
  }
  ASSERT_EQ(b_.ChildCount(), 2);  // the failing child too, as AddChild would have left it
  EXPECT_EQ(b_.ChildAt(1).SubItem(1), "1.00 KB");
  EXPECT_TRUE(b_.ChildAt(2).HasChildrenMark());
  EXPECT_EQ(tree_->FindNode("R/b/y"), b_.ChildAt(2));
  EXPECT_EQ(tree_->NodeAt(tree_->NodeCount()), b_.ChildAt(2));

  try {
    ChildBatch batch(b_);
    batch.Add("R/a/1", "again", 0, false);
    FAIL() << "a duplicate key was added";
  } catch (const vb::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 35602);
  }
  EXPECT_EQ(b_.ChildCount(), 2);

  // The tree emptied under a batch: its children go with it.
  {
    ChildBatch batch(a_);
    batch.Add("R/a/3", "3", 0, false);
    tree_->ClearNodes();
  }
  EXPECT_EQ(tree_->NodeCount(), 0);
  EXPECT_TRUE(tree_->FindNode("R/a/3").IsNothing());
}

TEST_F(ColumnTreeTest, ReportsTheUsersExpansionsOnly) {
  std::vector<TreeNode> expands;
  QObject::connect(tree_.get(), &UniTreeViewMC::Expand, [&expands](const TreeNode& n) { expands.push_back(n); });
  root_.SetExpanded(true);
  EXPECT_TRUE(expands.empty());
  tree_->expandItem(tree_->topLevelItem(0)->child(1));  // the user opens b
  ASSERT_EQ(expands.size(), 1u);
  EXPECT_EQ(expands[0], b_);
}

}  // namespace
}  // namespace OrvaneMac
