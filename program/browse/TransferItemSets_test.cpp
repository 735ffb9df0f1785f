#include <gtest/gtest.h>

#include "program/browse/BrowseTestSupport.h"
#include "program/browse/PlainTreeView.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/session/Transfer.h"
#include "platform/files/FileAttributes.h"

namespace OrvaneMac {
namespace {

QStringList Values(const vb::CollectionPtr& c) {
  QStringList out;
  if (c) {
    for (const vb::Variant& v : *c) out << v.ToString();
  }
  return out;
}

class TransferItemSetsTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    testing::App();
  }
};

TEST_F(TransferItemSetsTest, ClearingWritesItsTraces) {
  gTransfer().Trf_ClearEnumLocalDirContent();
  Items(Program().EnumRemoteDirContent)->Add(QString("x"));
  gTransfer().Trf_ClearEnumRemoteDirContent();
  EXPECT_EQ(Program().EnumRemoteDirContent->Count(), 0);
  EXPECT_EQ(TraceLines(), QStringList({"Enter Trf_ClearEnumLocalDirContent", "Exit Trf_ClearEnumLocalDirContent",
                                       "Enter Trf_ClearEnumRemoteDirContent", "Exit Trf_ClearEnumRemoteDirContent"}));
}

TEST_F(TransferItemSetsTest, FillsTheScheduleSetFromAStoredBackupSet) {
  Items(Program().EnumBackupItemSet)->Add(QString("F_old"));
  Items(Program().EnumSchBackupItemSet)->Add(QString("F_old"));
  EXPECT_FALSE(gTransfer().Trf_FillBackupSetEnum("Docs"));
  EXPECT_EQ(Program().EnumBackupItemSet->Count(), 0);
  EXPECT_EQ(Program().EnumSchBackupItemSet->Count(), 0);

  const QChar bs(8);
  Items(Program().BackupSetList)->Add(QString("docs") + bs + "C:\\x\\");
  Items(Program().BackupSetList)->Add(QString("Docs") + bs + "C:\\Data\\" + bs + "C:\\a.txt");
  EXPECT_TRUE(gTransfer().Trf_FillBackupSetEnum("Docs"));  // the name compares exactly
  const vb::CollectionPtr set = Program().EnumSchBackupItemSet;
  EXPECT_EQ(Values(set), QStringList({"D_C:\\Data", "F_C:\\a.txt"}));
  EXPECT_EQ(set->Item(vb::Variant(QString("2"))).ToString(), "F_C:\\a.txt");
}

class PlainTreeTest : public TransferItemSetsTest {
 protected:
  // My Computer
  //   C:            (Drive)
  //     Data        (folder, checked)   a.txt
  //     Other       (folder)            b.txt (checked)
  void Build(const QString& name) {
    tree_.setObjectName(name);
    tree_.Add("", "root", "My Computer", "mycomp");
    tree_.Add("root", "c", "C:", "Drive");
    tree_.Add("c", "data", "Data", "folder").SetChecked(true);
    tree_.Add("data", "a", "a.txt", "file");
    tree_.Add("c", "other", "Other", "folder");
    tree_.Add("other", "b", "b.txt", "file").SetChecked(true);
  }
  bool app_ = (testing::App(), true);  // the application before any widget
  PlainTreeView tree_;
};

TEST_F(PlainTreeTest, LocalTreeTakesCheckedFoldersWholeAndSearchesUncheckedOnes) {
  Build("LocalTreeView");
  gTransfer().Trf_TraverseTree(nullptr, &tree_, 1);
  const QStringList expected{"D_C:\\Data\\", "F_C:\\Other\\b.txt"};
  EXPECT_EQ(Values(Program().EnumBackupItemSet), expected);
  EXPECT_EQ(Values(Program().EnumSchBackupItemSet), expected);
  EXPECT_TRUE(Program().EnumSchBackupItemSet->HasKey("C:\\Data3"));

  // While a restore runs only the schedule's set is filled.
  Program().EnumBackupItemSet.reset();
  Program().EnumSchBackupItemSet.reset();
  Program().RestoreRunning = true;
  gTransfer().Trf_TraverseTree(nullptr, &tree_, 1);
  EXPECT_EQ(Values(Program().EnumBackupItemSet), QStringList());
  EXPECT_EQ(Values(Program().EnumSchBackupItemSet), expected);

  // A second walk meets keys already taken and stops with its trace line.
  gTransfer().Trf_TraverseTree(nullptr, &tree_, 1);
  EXPECT_TRUE(TraceLines().last().startsWith("Traverse tree 457  ")) << TraceLines().last().toStdString();
}

TEST_F(PlainTreeTest, RemoteTreeFillsTheRestoreSetAndItsSize) {
  tree_.setObjectName("RemoteTreeView");
  Program().ServerName = "srv";
  tree_.Add("", "root", "My Orvane", "folder");
  tree_.Add("root", "~4096#srv/users/jo/Files/Tax/", "Tax", "folder").SetChecked(true);
  tree_.Add("root", "~1500#srv/users/jo/Files/a.txt", "a.txt", "file").SetChecked(true);
  gTransfer().Trf_TraverseTree(nullptr, &tree_, 1);
  EXPECT_EQ(Values(Program().EnumRestoreItemSet),
            QStringList({"D_/users/jo/Files/Tax/", "F_/users/jo/Files/a.txt"}));
  EXPECT_EQ(Program().RestoreSetSize, 1500);
}

TEST_F(PlainTreeTest, LocalTreeStructureListsVisibleSubfoldersOnly) {
  ASSERT_TRUE(QDir().mkpath(Host("Top/Shown")));
  ASSERT_TRUE(QDir().mkpath(Host("Top/Virtual")));
  ASSERT_TRUE(QDir().mkpath(Host("Top/Hidden")));
  WriteBytes("Top/file.txt", "x");
  win::SetAttr("C:\\Top\\Virtual", 2 | 4);  // hidden + system: 22 with the directory bit
  win::SetAttr("C:\\Top\\Hidden", 2);       // 18
  tree_.Add("", "C:\\Top\\", "Top", "folder");
  TreeViewControl::Instance().GetLocalTreeStructure("C:\\Top\\", "*.*", "C:\\Top\\", 0, &tree_, 0);
  PlainTreeNode top = tree_.FindNode("C:\\Top\\");
  QStringList texts;
  for (PlainTreeNode n = top.Child(); !n.IsNothing(); n = n.Next()) texts << n.Text();
  EXPECT_EQ(texts, QStringList({"Hidden", "Shown"}));
  EXPECT_EQ(top.Child().Child().Key(), "C:\\Top\\Hiddenmy");
  EXPECT_FALSE(top.Sorted());
  EXPECT_EQ(TraceLines(), QStringList({"virtual folder not added to tree: C:\\Top\\Virtual"}));

  // A check carries down below folders.
  top.SetChecked(true);
  TreeViewControl::Instance().RefreshChildChecks(top, 0);
  EXPECT_TRUE(top.Child().Child().Checked());
}

}  // namespace
}  // namespace OrvaneMac
