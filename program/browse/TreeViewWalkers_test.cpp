#include <gtest/gtest.h>

#include <memory>

#include "program/browse/BrowseTestSupport.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/ProgramTestFixture.h"
#include "platform/ui/EventPump.h"

namespace OrvaneMac {
namespace {

vb::CollectionPtr Set(const QStringList& entries) {
  auto c = std::make_shared<vb::Collection>();
  for (const QString& e : entries) c->Add(e);
  return c;
}

QStringList Values(const vb::CollectionPtr& c) {
  QStringList out;
  if (c) {
    for (const vb::Variant& v : *c) out << v.ToString();
  }
  return out;
}

// A local column tree:
//   My Computer
//     C:\                 (folder)
//       Data\             (folder)
//         a.txt  b.txt
//         Reports\  x.txt
//       Database\  b.txt
class WalkersTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    testing::App();
    tree_ = std::make_unique<UniTreeViewMC>();
    T().setUpColumns(tree_.get(), 200, 80, 120);
    T().setUpImageList(tree_.get());
    computer_ = tree_->AddRoot("My Computer", "My Computer", Icon("mycomp"), Icon("mycomp"));
    drive_ = Add(computer_, "C:\\", "C:");
    data_ = Add(drive_, "C:\\Data\\", "Data");
    a_ = Add(data_, "C:\\Data\\a.txt", "a.txt");
    b_ = Add(data_, "C:\\Data\\b.txt", "b.txt");
    reports_ = Add(data_, "C:\\Data\\Reports\\", "Reports");
    x_ = Add(reports_, "C:\\Data\\Reports\\x.txt", "x.txt");
    database_ = Add(drive_, "C:\\Database\\", "Database");
    dbFile_ = Add(database_, "C:\\Database\\b.txt", "b.txt");
    for (TreeNode* n : {&computer_, &drive_, &data_, &reports_, &database_}) n->SetExpanded(true);
  }
  void TearDown() override {
    tree_.reset();
    ProgramTest::TearDown();
  }
  static TreeViewControl& T() { return TreeViewControl::Instance(); }
  static int Icon(const char* key) { return static_cast<int>(T().iconIndex(key)); }
  TreeNode Add(TreeNode parent, const QString& path, const QString& text) {
    const bool folder = path.endsWith('\\');
    const QString key = QString::number(++seq_) + ">01/01/2010>" + (folder ? "" : "10") + ">" + path;
    const int image = Icon(folder ? "folder" : "file");
    return parent.AddChild(key, text, image, image, false);
  }
  QList<int> States(std::initializer_list<TreeNode> nodes) {
    QList<int> out;
    for (const TreeNode& n : nodes) out << n.Checked();
    return out;
  }

  std::unique_ptr<UniTreeViewMC> tree_;
  int seq_ = 0;
  TreeNode computer_, drive_, data_, a_, b_, reports_, x_, database_, dbFile_;
};

TEST_F(WalkersTest, ForBkSetChecksNamedNodesAndStopsAtTheFirstApplyingEntry) {
  // The folder on the way is taken by the first entry; the later exact entry
  // for it is never seen.
  T().TraverseColTreeForBkSet(tree_.get(), computer_, false, Set({"C:\\Data\\Reports\\", "C:\\Data\\"}), false, false,
                              "");
  EXPECT_EQ(States({drive_, data_, reports_, x_, a_}), QList<int>({3, 3, 2, 1, 1}));

  // Entries compare ignoring case; a grey folder named by the set turns yellow.
  database_.SetImage(Icon("foldergray"));
  T().TraverseColTreeForBkSet(tree_.get(), computer_, false, Set({"c:\\data\\a.txt", "c:\\database\\"}), false,
                              false, "");
  EXPECT_EQ(a_.Checked(), 2);
  EXPECT_EQ(database_.Checked(), 2);
  EXPECT_EQ(database_.Image(), Icon("folder"));

  // The clear mode unchecks the one node of the path.
  T().TraverseColTreeForBkSet(tree_.get(), computer_, true, nullptr, false, true, "C:\\Data\\a.txt");
  EXPECT_EQ(a_.Checked(), 1);
  EXPECT_EQ(data_.Checked(), 3);
}

TEST_F(WalkersTest, ForFilesTakesCheckedFilesOnlyAndNeverEntersACheckedFolder) {
  reports_.SetChecked(2);  // x.txt is not checked itself
  b_.SetChecked(2);
  T().TraverseColTreeForFiles(tree_.get(), computer_, false);
  T().TraverseColTreeForFiles(tree_.get(), computer_, false);
  EXPECT_EQ(Values(Program().EnumFileItemSet), QStringList({"C:\\Data\\b.txt", "C:\\Data\\b.txt"}));
  x_.SetChecked(2);
  Program().EnumFileItemSet.reset();
  T().TraverseColTreeForFiles(tree_.get(), computer_, false);
  EXPECT_EQ(Values(Program().EnumFileItemSet), QStringList({"C:\\Data\\b.txt"}));
}

TEST_F(WalkersTest, BkSetUncheckResetsGreyFolders) {
  for (TreeNode n : {data_, reports_, database_}) n.SetImage(Icon("foldergray"));
  T().TraverseColTreeBkSetUncheck(tree_.get(), computer_, "C:\\Data\\Reports\\x.txt", false, false);
  EXPECT_EQ(reports_.Image(), Icon("folder"));
  EXPECT_EQ(data_.Image(), Icon("folder"));
  EXPECT_EQ(database_.Image(), Icon("foldergray"));
  T().TraverseColTreeBkSetUncheck(tree_.get(), computer_, "nill", false, false);  // a path, not the word
  EXPECT_EQ(database_.Image(), Icon("foldergray"));
  T().TraverseColTreeBkSetUncheck(tree_.get(), computer_, "nIlL", false, false);
  EXPECT_EQ(database_.Image(), Icon("folder"));
}

TEST_F(WalkersTest, SmartMarksInEntryOrderAndCompletesParents) {
  const auto walk = [&](const QStringList& entries) {
    T().TraverseColTreeClearGaryImage(tree_.get(), computer_, false, false, false, false);
    T().TraverseColTreeForBkSetSmart(tree_.get(), computer_, true, Set(entries), false, false, "", false);
  };
  data_.SetExpanded(false);  // its check is not carried down to its listed children
  walk({"C:\\Data\\", "C:\\Data\\Reports\\x.txt"});
  EXPECT_EQ(data_.Checked(), 3);  // the later entry wins
  EXPECT_EQ(x_.Checked(), 2);
  walk({"C:\\Data\\Reports\\x.txt", "C:\\Data\\"});
  EXPECT_EQ(data_.Checked(), 2);
  // a.txt lies inside an entry but its parent is checked: it is not marked.
  EXPECT_EQ(a_.Checked(), 1);
  data_.SetExpanded(true);

  // Checking both files of Database completes it; the drive waits for Data.
  walk({"C:\\Database\\b.txt"});
  EXPECT_EQ(database_.Checked(), 2);
  EXPECT_EQ(drive_.Checked(), 3);
  EXPECT_EQ(computer_.Checked(), 1);  // "My Computer" is never marked checked

  // Started on a top-level node with the first-child flag false, the parent
  // test fails at once: the trace line, no marks.
  walk({});
  T().TraverseColTreeForBkSetSmart(tree_.get(), computer_, false, Set({"C:\\Data\\"}), false, false, "", false);
  EXPECT_EQ(data_.Checked(), 1);
  EXPECT_TRUE(TraceLines().last().startsWith("Error in TraverseColTreeForBkSetSmart "));
}

TEST_F(WalkersTest, SmartLeavesCollapsedSpecialFoldersAlone) {
  TreeNode myFiles = tree_->AddRoot("My Files", "My Files", Icon("mydesktop"), Icon("mydesktop"));
  TreeNode docs = myFiles.AddChild("C:\\Docs\\\\", "My Documents", Icon("folder"), Icon("folder"), false);
  TreeNode doc = Add(docs, "C:\\Docs\\d.txt", "d.txt");
  T().TraverseColTreeForBkSetSmart(tree_.get(), myFiles, true, Set({"C:\\Docs\\d.txt"}), false, false, "", false);
  EXPECT_EQ(doc.Checked(), 1);
  docs.SetExpanded(true);
  T().TraverseColTreeForBkSetSmart(tree_.get(), myFiles, true, Set({"C:\\Docs\\d.txt"}), false, false, "", false);
  EXPECT_EQ(doc.Checked(), 2);
  EXPECT_EQ(myFiles.Checked(), 1);  // the "My Files" root is never marked
}

TEST_F(WalkersTest, CheckParentNodeStopsAtTheFirstIncompleteParent) {
  a_.SetChecked(2);
  T().CheckParentNode(a_);
  EXPECT_EQ(data_.Checked(), 1);  // b.txt and Reports are not checked
  for (TreeNode n : {b_, reports_, dbFile_}) n.SetChecked(2);
  T().CheckParentNode(a_);
  EXPECT_EQ(States({data_, drive_}), QList<int>({2, 1}));  // Database is unchecked
  database_.SetChecked(3);
  T().CheckParentNode(dbFile_);
  EXPECT_EQ(States({database_, drive_, computer_}), QList<int>({2, 2, 1}));
}

TEST_F(WalkersTest, UncheckSmartCollectsByLeadingCharactersOnce) {
  for (TreeNode n : {a_, dbFile_, x_}) n.SetChecked(2);
  auto paths = std::make_shared<vb::Collection>();
  for (int i = 0; i < 2; ++i) {
    T().TraverseColTreeBkSetUncheckSmart(paths, tree_.get(), computer_, false, false, false, false, false, "C:\\Data");
  }
  EXPECT_EQ(Values(paths), QStringList({"C:\\Data\\a.txt", "C:\\Data\\Reports\\x.txt", "C:\\Database\\b.txt"}));
}

TEST_F(WalkersTest, MyFileUncheckSpreadsUpAndDown) {
  T().TraverseColTreeForBkSet(tree_.get(), computer_, false, Set({"C:\\"}), false, false, "");
  for (TreeNode n : {data_, a_, b_, reports_, x_}) n.SetChecked(2);
  a_.SetChecked(1);
  T().TraverseColTreeMyFileUncheck(tree_.get(), computer_, false, a_, false, false);
  EXPECT_EQ(States({drive_, data_, a_, b_}), QList<int>({3, 3, 1, 2}));

  T().TraverseColTreeMyFileUncheck(tree_.get(), computer_, false, data_, false, false);
  EXPECT_EQ(States({drive_, data_, b_, reports_, x_}), QList<int>({1, 1, 1, 1, 1}));
}

TEST_F(WalkersTest, ClosingTheTreeDuringAWalkEndsItQuietly) {
  int pumps = 0;
  vb::ScopedEventPump pump([&] {
    if (++pumps == 3) tree_.reset();
  });
  T().TraverseColTreeForBkSet(nullptr, computer_, false, Set({"C:\\Data\\"}), false, false, "");
  EXPECT_FALSE(tree_);
  T().TraverseColTreeClearGaryImage(nullptr, computer_, false, false, false, false);
  EXPECT_FALSE(Exists("Prog/OrvaneMac/TraceFile.txt")) << TraceLines().join("\n").toStdString();
}

TEST_F(WalkersTest, FurtherOperations) {
  // Unchecking by path never enters a special folder of "My Files".
  TreeNode myFiles = tree_->AddRoot("My Files", "My Files", Icon("mydesktop"), Icon("mydesktop"));
  TreeNode docs = myFiles.AddChild("C:\\Docs\\\\", "My Documents", Icon("folder"), Icon("folder"), false);
  TreeNode doc = Add(docs, "C:\\Docs\\d.txt", "d.txt");
  doc.SetChecked(2);
  x_.SetChecked(2);
  T().TreeViewTraverseForUncheck(tree_.get(), myFiles, false, "C:\\Docs\\d.txt");
  EXPECT_EQ(doc.Checked(), 2);
  T().TreeViewTraverseForUncheck(tree_.get(), computer_, false, "C:\\Data\\Reports\\x.txt");
  EXPECT_EQ(x_.Checked(), 1);

  // Ancestors take the node's state; a top-level node changes nothing.
  b_.SetChecked(2);
  T().RefreshColparentchecks(b_, false);
  EXPECT_EQ(States({data_, drive_, computer_}), QList<int>({2, 2, 2}));
  T().RefreshColparentchecks(computer_, false);

  // Direct children only; the count goes on from one call to the next.
  T().TraverseColTreeForAllNodes(tree_.get(), data_);
  const auto& first = T().RecordedChildren();
  ASSERT_GE(first.size(), 3u);
  const std::size_t start = first.size() - 3;
  EXPECT_EQ(first[start].path, "C:\\Data\\a.txt");
  EXPECT_EQ(first[start + 2].path, "C:\\Data\\Reports\\");
  T().TraverseColTreeForAllNodes(tree_.get(), data_);
  EXPECT_EQ(T().RecordedChildren().size(), start + 6);
  EXPECT_EQ(T().RecordedChildren()[1].key, "");  // a slot left empty
}

}  // namespace
}  // namespace OrvaneMac
