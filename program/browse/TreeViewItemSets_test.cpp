// The restore road's tree side: the item set from check marks, the root
// listing for a search, the destination checks, the selection answers and
// the folder creation from the trees.

#include <QDir>

#include <gtest/gtest.h>

#include "ZQwinSrv/foundation/Util.h"
#include "program/browse/BrowseTestSupport.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/progress/ProgressTestSupport.h"
#include "program/session/FakeEngineController.h"
#include "program/session/Transfer.h"
#include "program/windows/FrmInputBox.h"

namespace OrvaneMac {
namespace {

using testing::MessageRecorder;
using testing::MiniMainWindow;

const QString kRoot = QStringLiteral("/users/jo/Files/");
const QString kDate = QStringLiteral("Mon, 08 Mar 2010 10:20:30 GMT");

QString Remote(int seq, const QString& path, const QString& size = QStringLiteral("4096")) {
  QString encoded = path;
  encoded.replace(' ', "%20");
  return QString::number(seq) + '>' + kDate + '>' + size + '>' + path + '>' + encoded;
}

QStringList Entries(const vb::CollectionPtr& c) {
  QStringList out;
  if (!c) return out;
  for (const vb::Variant& v : *c) out << v.ToString();
  return out;
}

// The entry box answers `name` when it comes up.
void TypeIntoEntryBox(const QString& name) {
  testing::WhenShown(FrmInputBox::Instance(), [name] {
    FrmInputBox::Instance().txtbksetname()->setText(name);
    FrmInputBox::Instance().AcceptInput();
  });
}

class ItemSetTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    testing::App();
    Program().AppTitle = "Orvane for Mac - Windows Restore";
    Program().RemoteRootKey = kRoot;
    main_ = std::make_unique<MiniMainWindow>();
    tree_ = main_->tree;
    T().setUpColumns(tree_, 280, 150, 270);
    T().setUpImageList(tree_);
    root_ = T().addRootNode(tree_, "My Orvane", kRoot, "tessara");
    // My Orvane
    //   Tax Papers/   (listed: 2009/ and a.pdf)
    //   Photos/       (never expanded)
    //   notes.txt     (1000 bytes)
    //   empty.txt     (size field empty)
    tax_ = Add(root_, Remote(1, kRoot + "Tax Papers/"), "Tax Papers", "folder");
    photos_ = Add(root_, Remote(2, kRoot + "Photos/"), "Photos", "folder");
    notes_ = Add(root_, Remote(3, kRoot + "notes.txt", "1000"), "notes.txt", "file");
    empty_ = Add(root_, Remote(4, kRoot + "empty.txt", ""), "empty.txt", "file");
    y2009_ = Add(tax_, Remote(5, kRoot + "Tax Papers/2009/"), "2009", "folder");
    pdf_ = Add(tax_, Remote(6, kRoot + "Tax Papers/a b.pdf", "250"), "a b.pdf", "file");
  }
  void TearDown() override {
    testing::CancelPending();
    main_.reset();
    ProgramTest::TearDown();
  }
  static TreeViewControl& T() { return TreeViewControl::Instance(); }
  TreeNode Add(TreeNode parent, const QString& key, const QString& text, const char* icon) {
    return T().addParentNode(parent, text, key, icon);
  }
  void Walk(bool serverPath) {
    bool first = true;
    T().TraverseColTree(tree_, root_, first, true, false, serverPath);
  }

 public:
  std::unique_ptr<MiniMainWindow> main_;
  UniTreeViewMC* tree_ = nullptr;
  TreeNode root_, tax_, photos_, notes_, empty_, y2009_, pdf_;
};

TEST_F(ItemSetTest, CheckMarksBecomeTheRestoreItemSet) {
  struct Case {
    const char* name;
    std::vector<std::pair<TreeNode ItemSetTest::*, int>> checks;
    bool serverPath;
    QStringList expected;
    double size;
  };
  const std::vector<Case> cases = {
      {"never-expanded folder", {{&ItemSetTest::photos_, 2}}, false, {"D_" + kRoot + "Photos/"}, 0},
      {"checked folder is taken whole",
       {{&ItemSetTest::tax_, 2}, {&ItemSetTest::pdf_, 2}, {&ItemSetTest::y2009_, 2}},
       false,
       {"D_" + kRoot + "Tax Papers/"},
       0},
      {"partly checked folder gives its checked children",
       {{&ItemSetTest::tax_, 3}, {&ItemSetTest::pdf_, 2}},
       false,
       {"F_" + kRoot + "Tax Papers/a b.pdf"},
       250},
      {"a delete takes the server path", {{&ItemSetTest::tax_, 3}, {&ItemSetTest::pdf_, 2}}, true,
       {"F_" + kRoot + "Tax%20Papers/a%20b.pdf"}, 250},
      {"files in display order, an empty size adds nothing",
       {{&ItemSetTest::notes_, 2}, {&ItemSetTest::empty_, 2}, {&ItemSetTest::photos_, 2}},
       false,
       {"D_" + kRoot + "Photos/", "F_" + kRoot + "notes.txt", "F_" + kRoot + "empty.txt"},
       1000},
      {"nothing checked", {}, false, {}, 0},
      {"the root's own mark is not looked at", {{&ItemSetTest::root_, 2}}, false, {}, 0},
  };
  for (const Case& c : cases) {
    for (TreeNode* n : {&root_, &tax_, &photos_, &notes_, &empty_, &y2009_, &pdf_}) n->SetChecked(1);
    for (const auto& [member, state] : c.checks) (this->*member).SetChecked(state);
    Items(Program().EnumRestoreItemSet)->Clear();
    Program().RestoreSetSize = 0;
    Walk(c.serverPath);
    EXPECT_EQ(Entries(Program().EnumRestoreItemSet), c.expected) << c.name;
    EXPECT_EQ(Program().RestoreSetSize, c.size) << c.name;
  }
}

TEST_F(ItemSetTest, TwoWalksWithoutClearingAddEveryEntryTwice) {
  photos_.SetChecked(2);
  Walk(false);
  Walk(false);
  EXPECT_EQ(Entries(Program().EnumRestoreItemSet).size(), 2);
}

TEST_F(ItemSetTest, CheckMarksCarriedDownAndTakenOff) {
  tax_.SetChecked(2);
  T().RefreshColChildChecks(tax_, false);  // after the checked folder was listed
  EXPECT_EQ(y2009_.Checked(), 2);
  EXPECT_EQ(pdf_.Checked(), 2);
  T().ColChildUnCheck(tax_, false);
  EXPECT_EQ(y2009_.Checked(), 1);
  EXPECT_EQ(pdf_.Checked(), 1);
  // The node taken out of the tree alone (the account keeps it).
  pdf_.SetSelected(true);
  gTransfer().Trf_RemoveRemoteNode();
  EXPECT_TRUE(pdf_.Gone());
  EXPECT_FALSE(tax_.Gone());
}

TEST_F(ItemSetTest, SearchRootListingTakesEveryChildOfTheRootAndNoGrandchild) {
  bool first = true;
  T().TraverseColTreeSearch(tree_, root_, first, true, false);
  EXPECT_EQ(Entries(Program().SearchRootItems),
            QStringList({"D_/Tax Papers/>" + kDate, "D_/Photos/>" + kDate, "F_/notes.txt>" + kDate + ">1000",
                         "F_/empty.txt>" + kDate + ">"}));
}

TEST_F(ItemSetTest, ClearingLeavesTheSetAloneWhileAJobRuns) {
  Items(Program().EnumRestoreItemSet)->Add(QStringLiteral("D_/x/"));
  Items(Program().EnumSchBackupItemSet)->Add(QStringLiteral("D_c:\\x"));
  Program().RestoreRunning = true;
  gTransfer().Trf_ClearEnumRestoreItemSet();
  gTransfer().Trf_ClearEnumBackupItemSet();
  EXPECT_EQ(Program().EnumRestoreItemSet->Count(), 1);
  EXPECT_EQ(Program().EnumSchBackupItemSet->Count(), 1);
  gTransfer().Trf_ClearEnumSchBackupItemSet();  // no job test of its own
  EXPECT_EQ(Program().EnumSchBackupItemSet->Count(), 0);
  Program().RestoreRunning = false;
  gTransfer().Trf_ClearEnumRestoreItemSet();
  EXPECT_EQ(Program().EnumRestoreItemSet->Count(), 0);
  EXPECT_TRUE(TraceLines().contains("Exit Trf_ClearEnumRestoreItemSet"));
}

TEST_F(ItemSetTest, RemoteSelectionAnswers) {
  EXPECT_FALSE(gTransfer().Trf_CheckRemoteSelection());
  EXPECT_EQ(gTransfer().Trf_getRemoteSelectedItemName(), "");
  EXPECT_TRUE(TraceLines().contains(
      "Error Reason :Object variable or With block variable not setin procedure Trf_getRemoteSelectedItemName of "
      "Class Module Transfer"));
  struct Case {
    TreeNode ItemSetTest::*node;
    QString parent;
    bool folder;
  };
  for (const Case& c : {Case{&ItemSetTest::y2009_, kRoot + "Tax Papers/", true},
                        Case{&ItemSetTest::pdf_, kRoot + "Tax Papers/", false},
                        Case{&ItemSetTest::root_, "/users/jo/", false}}) {
    (this->*c.node).SetSelected(true);
    EXPECT_EQ(gTransfer().Trf_getRemoteSelectedParent(), c.parent);
    EXPECT_EQ(gTransfer().Trf_IsRemoteSelectedFolder(), c.folder);
  }
  EXPECT_FALSE(gTransfer().Trf_IsLocalSelectedFolder(main_->window.get()));  // no such tree there
}

TEST_F(ItemSetTest, RemoteFolderCreationUnderTheSelectedFolder) {
  testing::ScopedFakeEngines engines;
  testing::FakeRemoteListing listing;
  listing.folders[kRoot] = QStringList({Remote(20, kRoot + "Tax Papers/")});
  MessageRecorder shown;
  root_.SetSelected(true);
  TypeIntoEntryBox("New ");
  gTransfer().Trf_CreateRemoteDir();
  EXPECT_EQ(engines.Take().filter("Cont_CreateRemDir"), QStringList({"1:Cont_CreateRemDir(" + kRoot + "New )"}));
  EXPECT_EQ(listing.asked, QStringList({kRoot}));  // the tree is listed anew from its root
  EXPECT_TRUE(main_->window->isEnabled());

  // A refusal of the server: its reason, and the tree as it was.
  engines.record->answer = false;
  main_->tree->NodeAt(1).SetSelected(true);
  TypeIntoEntryBox("Other");
  gTransfer().Trf_CreateRemoteDir();
  ASSERT_EQ(shown.Texts().size(), 1);
  EXPECT_EQ(shown.Texts()[0], "Creating the directory Other\r\n\r\nReason: The server refused the request.");
  EXPECT_TRUE(main_->window->isEnabled());

  // A file is no place for a folder.
  (void)engines.Take();
  TreeNode file = T().addParentNode(main_->tree->NodeAt(1), "x.txt", Remote(30, kRoot + "x.txt", "3"), "file");
  file.SetSelected(true);
  gTransfer().Trf_CreateRemoteDir();
  EXPECT_EQ(shown.Texts().last(),
            "Right-click on a folder or 'My Orvane' and select the 'Create a directory' option from the menu.");
  EXPECT_TRUE(engines.Take().filter("Cont_CreateRemDir").isEmpty());
}

// A local tree as the destination screen has it, on the fixture's drive C:.
class LocalTreeTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    testing::App();
    Program().AppTitle = "Orvane for Mac - Windows Restore";
    ASSERT_TRUE(QDir().mkpath(Host("Data/Old")));
    window_ = std::make_unique<QWidget>();
    tree_ = new UniTreeViewMC(window_.get());
    tree_->setObjectName("LocalTreeView");
    T().setUpColumns(tree_, 300, 0, 200);
    T().setUpImageList(tree_);
    computer_ = T().addRootNode(tree_, "My Computer", "My Computer", "mycomp");
    drive_ = T().addParentNode(computer_, "C:", "C:\\", "drive2");
    data_ = T().addParentNode(drive_, "Data", "1>>>C:\\Data\\", "folder");
    file_ = T().addParentNode(data_, "x.txt", "2>>5>C:\\Data\\x.txt", "file");
    gone_ = T().addParentNode(drive_, "Gone", "3>>>C:\\Gone\\", "folder");
    // Folders listed from drives that have since gone away: D: is mapped to a
    // folder that is not there (not ready), Q: is not mapped at all.
    win::DriveTable table = win::CurrentDriveTable();
    table.Map(u'D', Host("no such folder"));
    moreDrives_.emplace(table);
    notReady_ = T().addParentNode(computer_, "Data on D", "4>>>D:\\Data\\", "folder");
    noDrive_ = T().addParentNode(computer_, "Data on Q", "5>>>Q:\\Data\\", "folder");
  }
  void TearDown() override {
    testing::CancelPending();
    window_.reset();
    moreDrives_.reset();
    ProgramTest::TearDown();
  }
  static TreeViewControl& T() { return TreeViewControl::Instance(); }
  QStringList TransferLog() const {
    const QByteArray b = Bytes("Prog/OrvaneMac/OrvaneLogFile.txt");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData()), b.size() / 2).split("\r\n");
  }

 public:
  std::unique_ptr<QWidget> window_;
  UniTreeViewMC* tree_ = nullptr;
  TreeNode computer_, drive_, data_, file_, gone_, notReady_, noDrive_;
  std::optional<win::ScopedDriveTable> moreDrives_;
};

TEST_F(LocalTreeTest, DestinationChecksRefuseWithTheirMessages) {
  struct Case {
    const char* name;
    bool fillSet;
    TreeNode LocalTreeTest::*select;
    QStringList messages;
    bool answer;
  };
  const std::vector<Case> cases = {
      {"empty set", false, &LocalTreeTest::data_,
       {"Select\"'My Orvane'\"contents for restore", "Select\"'My Orvane'\"contents for restore"}, false},
      {"no selection", true, nullptr, {"Click on a folder/drive under 'My Files' to restore your data."}, false},
      {"a file", true, &LocalTreeTest::file_, {"Click on a folder/drive under 'My Files' to restore your data."},
       false},
      {"a folder deleted after listing", true, &LocalTreeTest::gone_, {"C:\\Gone\\ folder is not available"}, false},
      {"a folder on a drive that is not ready", true, &LocalTreeTest::notReady_,
       {"Selected D:  drive is not ready."}, false},
      {"a folder on a drive that does not exist", true, &LocalTreeTest::noDrive_, {"Selected drive does not exist."},
       false},
      {"a folder", true, &LocalTreeTest::data_, {}, true},
      {"a drive root", true, &LocalTreeTest::drive_, {}, true},
  };
  for (const Case& c : cases) {
    Items(Program().EnumRestoreItemSet)->Clear();
    if (c.fillSet) Items(Program().EnumRestoreItemSet)->Add(QStringLiteral("D_/users/jo/Files/F/"));
    tree_->clearSelection();
    tree_->setCurrentItem(nullptr);
    if (c.select) (this->*c.select).SetSelected(true);
    MessageRecorder shown;
    EXPECT_EQ(gTransfer().Trf_validateRestoreData(window_.get()), c.answer) << c.name;
    EXPECT_EQ(shown.Texts(), c.messages) << c.name;
  }
  EXPECT_TRUE(TraceLines().contains("Exit Trf_validateRestoreDataTrue"));
}

TEST_F(LocalTreeTest, CreateLocalDirRefusesAnExistingNameAndPlacesWhereNoFolderCanGo) {
  MessageRecorder shown;
  file_.SetSelected(true);
  gTransfer().CreateLocalDir(window_.get(), tree_);
  data_.SetSelected(true);
  TypeIntoEntryBox("Old");
  gTransfer().CreateLocalDir(window_.get(), tree_);
  EXPECT_EQ(shown.Texts(), QStringList({"It is not possible to create a folder in this path.",
                                        "Can not create the folder 'C:\\Data\\Old'. Reason: A folder with this name "
                                        "already exists."}));
  EXPECT_TRUE(TransferLog().filter("Could not create directory \\ Reason: Can not create directory in the "
                                   "selected path.").size() == 1);
  EXPECT_EQ(TransferLog().filter("C:\\Data\\\\Old Reason: The directory name already exists.").size(), 1);
}

TEST_F(LocalTreeTest, CreateLocalDirMakesTheFolderAndRebuildsTheTree) {
  data_.SetSelected(true);
  TypeIntoEntryBox(" New ");
  gTransfer().CreateLocalDir(window_.get(), tree_);
  EXPECT_TRUE(QDir(Host("Data/ New ")).exists());  // the name as typed
  EXPECT_EQ(TransferLog().filter("Created directory C:\\Data\\\\ New").size(), 1);
  EXPECT_TRUE(data_.Gone());  // the tree was built again from its roots
  EXPECT_GT(tree_->NodeCount(), 0);
}

TEST_F(LocalTreeTest, CreateLocalDirReportsAFailedCreationWithoutASuccessLine) {
  MessageRecorder shown;
  gone_.SetSelected(true);  // its folder is gone: the new folder has no parent
  TypeIntoEntryBox("Sub");
  gTransfer().CreateLocalDir(window_.get(), tree_);
  ASSERT_EQ(shown.Texts().size(), 1);
  EXPECT_TRUE(shown.Texts()[0].startsWith("Error in creating the directory. \r\nReason: ")) << shown.Texts()[0].toStdString();
  EXPECT_TRUE(TransferLog().filter("Created directory").isEmpty());
}

TEST_F(LocalTreeTest, LocalSelectionPathCleansDoubledBackslashes) {
  TreeNode special = T().addParentNode(computer_, "Docs", "9>>>C:\\Docs\\\\", "folder");
  special.SetSelected(true);
  EXPECT_EQ(gTransfer().Trf_getLocalSelectedItemPath(tree_), "C:\\Docs\\");
  EXPECT_EQ(gTransfer().Trf_getLocalFileSize("C:\\nothing.txt"), "");
}

}  // namespace
}  // namespace OrvaneMac
