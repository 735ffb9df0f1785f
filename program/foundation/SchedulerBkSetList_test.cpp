#include <QWidget>

#include <gtest/gtest.h>

#include "program/browse/BrowseTestSupport.h"
#include "program/browse/TreeViewControl.h"
#include "program/browse/UniTreeViewMC.h"
#include "program/foundation/BkSetListView.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/foundation/Scheduler.h"

namespace OrvaneMac {
namespace {

class BkSetListTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    testing::App();
    list_ = new BkSetListView(&window_);
    list_->setObjectName("Sch_LV_bkset");
  }
  static Scheduler& S() { return gScheduler(); }
  static int Icon(const char* key) { return static_cast<int>(TreeViewControl::Instance().iconIndex(key)); }
  QStringList Rows() const {
    QStringList out;
    for (int i = 1; i <= list_->RowCount(); ++i) out << list_->RowText(i);
    return out;
  }
  QStringList Columns(int row) const {
    return {list_->SubItem(row, 1), list_->SubItem(row, 2), list_->SubItem(row, 3), list_->SubItem(row, 4)};
  }

  bool app_ = (testing::App(), true);  // the application before any widget
  QWidget window_;
  BkSetListView* list_ = nullptr;
};

TEST_F(BkSetListTest, RowsByTheFormOfThePath) {
  WriteBytes("Data/a.txt", "12345");
  ASSERT_TRUE(QDir().mkpath(Host("Data")));
  for (const char* path : {"C:\\", "C:\\Data\\", "C:\\Data\\a.txt", "C:\\Data\\gone.txt", "Automatic Selection",
                           " Automatic Selection ", "  ", "C:\\Data\\a.txt"}) {
    S().AddToBkSetItemList(path, &window_);
  }
  ASSERT_EQ(Rows(), QStringList({"C:\\", "C:\\Data\\", "C:\\Data\\a.txt", "C:\\Data\\gone.txt", " Automatic Selection ",
                                 "C:\\Data\\a.txt"}));
  EXPECT_EQ(Columns(1), QStringList({"Drive", "", "", "2"}));
  EXPECT_EQ(list_->RowIcon(1), Icon("drive1"));
  EXPECT_EQ(Columns(2)[0], "Folder");
  EXPECT_FALSE(Columns(2)[1].isEmpty());  // the folder's date
  EXPECT_EQ(Columns(3)[0], "File");
  EXPECT_EQ(Columns(3)[2], "5.00 B");
  EXPECT_FALSE(Columns(3)[1].isEmpty());
  EXPECT_EQ(Columns(4), QStringList({"File", "", "0 B", "4"}));
  EXPECT_EQ(Columns(5), QStringList({"", "", "", "1"}));
}

TEST_F(BkSetListTest, DuplicatesAreRefusedByKey) {
  EXPECT_FALSE(S().AvoidDuplicateListEntry(list_, "C:\\Data\\"));
  EXPECT_TRUE(S().AvoidDuplicateListEntry(list_, "C:\\Data\\"));
  EXPECT_TRUE(S().AvoidDuplicateListEntry(list_, "C:\\\\Data\\\\"));
  EXPECT_FALSE(S().AvoidDuplicateListEntry(list_, " no path found\\ "));
  EXPECT_EQ(Rows(), QStringList({"C:\\Data\\"}));

  // GrayFolderLogic is refused by BuildDataDuplicate only in its exact case.
  QString path = "grayfolderlogic";
  S().BuildDataDuplicate(list_, path);
  path = "GrayFolderLogic";
  S().BuildDataDuplicate(list_, path);
  EXPECT_EQ(Rows(), QStringList({"C:\\Data\\"}));  // AvoidDuplicateListEntry refuses it in any case
  S().CheckDuplicateBkSetData(list_, "C:\\b.txt");
  EXPECT_EQ(Rows(), QStringList({"C:\\Data\\", "C:\\b.txt"}));
}

TEST_F(BkSetListTest, OrderingKeepsAnAutomaticFirstRow) {
  for (const char* text : {"Automatic Selection", "zeta", "alpha", "Beta"}) list_->AddRow(text);
  S().OrderDuplicateListData(list_);
  EXPECT_EQ(Rows(), QStringList({"Automatic Selection", "alpha", "Beta", "zeta"}));
  S().FnOderListData(&window_);
  EXPECT_EQ(Rows(), QStringList({"alpha", "Automatic Selection", "Beta", "zeta"}));

  // Rebuilt from the texts: the automatic row of the words alone is dropped.
  list_->ClearRows();
  for (const char* text : {"D:\\\\b.txt", "C:\\a.txt", "C:\\a.txt"}) S().AddToBkSetItemList(text, &window_);
  S().OrderListViewData(list_, &window_, true);
  EXPECT_EQ(Rows(), QStringList({"C:\\a.txt", "C:\\a.txt", "D:\\\\b.txt"}));
  EXPECT_EQ(Program().DistinctPathList->Count(), 2);
}

TEST_F(BkSetListTest, ColumnTreeWalkAddsCheckedPathsOnce) {
  UniTreeViewMC tree;
  TreeViewControl::Instance().setUpImageList(&tree);
  TreeNode computer = tree.AddRoot("My Computer", "My Computer", Icon("mycomp"), Icon("mycomp"));
  TreeNode drive = computer.AddChild("1>>>C:\\", "C:", Icon("folder"), Icon("folder"), false);
  TreeNode data = drive.AddChild("2>>>C:\\Data\\", "Data", Icon("folder"), Icon("folder"), false);
  data.AddChild("3>>1>C:\\Data\\a.txt", "a.txt", Icon("file"), Icon("file"), false).SetChecked(2);
  drive.AddChild("4>>>C:\\Other\\", "Other", Icon("folder"), Icon("folder"), false).SetChecked(2);
  for (int i = 0; i < 2; ++i) S().SchTraverseColTree(&tree, &window_, list_, computer, false, false, true, false);
  EXPECT_EQ(Rows(), QStringList({"C:\\Data\\a.txt", "C:\\Other\\"}));
  // Without the duplicate check a local tree adds nothing.
  list_->ClearRows();
  S().SchTraverseColTree(&tree, &window_, list_, computer, false, false, false, false);
  EXPECT_EQ(list_->RowCount(), 0);
}

}  // namespace
}  // namespace OrvaneMac
