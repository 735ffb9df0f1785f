#include "program/browse/TreeViewControl.h"

#include <QDir>
#include <QFile>
#include <QTreeWidgetItemIterator>

#include <gtest/gtest.h>

#include "ZQwinSrv/foundation/Util.h"
#include "program/browse/BrowseTestSupport.h"
#include "program/browse/TreeImages.h"
#include "program/foundation/ProgramTestFixture.h"

namespace OrvaneMac {
namespace {

using testing::FakeRemoteListing;
using testing::MiniMainWindow;

const QString kRoot = QStringLiteral("/users/jo/Files/");
const QString kDate = QStringLiteral("Mon, 08 Mar 2010 10:20:30 GMT");

// A remote NodeKey as the engine's listing writes it.
QString Remote(int seq, const QString& path, const QString& size = QStringLiteral("4096"),
               const QString& date = kDate) {
  QString encoded = path;
  encoded.replace(' ', "%20");
  return QString::number(seq) + '>' + date + '>' + size + '>' + OrvaneSrv::EscapeKeyField(path) + '>' +
         OrvaneSrv::EscapeKeyField(encoded);
}

vb::CollectionPtr Listing(const QStringList& entries) {
  auto c = std::make_shared<vb::Collection>();
  for (const QString& e : entries) c->Add(e);
  return c;
}

QStringList Texts(const TreeNode& node) {
  QStringList out;
  for (int i = 1; i <= node.ChildCount(); ++i) out << node.ChildAt(i).Text();
  return out;
}

class TreeViewControlTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    testing::App();
    Program().AppTitle = "Orvane for Mac - Windows Restore";
    Program().RemoteRootKey = kRoot;
    Program().ShortDatePattern = "M/d/yyyy";
  }
  void TearDown() override {
    testing::CancelPending();
    ProgramTest::TearDown();
  }
  static TreeViewControl& T() { return TreeViewControl::Instance(); }
  bool TraceHas(const QString& line) const { return TraceLines().contains(line); }

  // A tree with the three columns and a root to list into.
  TreeNode NewRoot(UniTreeViewMC& tree, const QString& text = QStringLiteral("Tax"),
                   const QString& key = QStringLiteral("/users/jo/Files/Tax/")) {
    T().setUpColumns(&tree, 280, 150, 270);
    T().setUpImageList(&tree);
    return T().addRootNode(&tree, text, key, "folder");
  }
};

TEST_F(TreeViewControlTest, IconIndexFallsBackToTheFolderPicture) {
  struct Case {
    const char* key;
    long index;
  };
  for (const Case& c : {Case{"folder", 6}, Case{"nosuchkey", 6}, Case{"mycomp", 0}, Case{"tessara", 9},
                        Case{"filegray", 23}, Case{"drive5", 6}, Case{"", 6}}) {
    EXPECT_EQ(T().iconIndex(c.key), c.index) << c.key;
  }
  EXPECT_EQ(ImageListColTree().Count(), 24);
}

TEST_F(TreeViewControlTest, ListsFoldersSortedThenFilesWithTheirCells) {
  UniTreeViewMC tree;
  TreeNode node = NewRoot(tree);
  T().addChildNodes(node,
                    Listing({Remote(1, kRoot + "Tax/b.txt", "1536"), Remote(2, kRoot + "Tax/zeta/"),
                           Remote(3, kRoot + "Tax/Alpha/"), Remote(4, kRoot + "Tax/a.txt", " "),
                           Remote(5, kRoot + "Tax/beta/")}),
                    true, false);
  EXPECT_EQ(Texts(node), QStringList({"Alpha", "beta", "zeta", "b.txt", "a.txt"}));
  const TreeNode folder = node.ChildAt(1);
  EXPECT_TRUE(folder.HasChildrenMark());
  EXPECT_EQ(folder.Image(), 6);
  EXPECT_EQ(folder.SubItem(1), "");  // remote folders carry "4096" but show no size
  EXPECT_EQ(folder.SubItem(2), "3/8/2010 2:20:30 AM PST");
  const TreeNode file = node.ChildAt(4);
  EXPECT_FALSE(file.HasChildrenMark());
  EXPECT_EQ(file.Image(), 5);
  EXPECT_EQ(file.SubItem(1), "1.50 KB");
  EXPECT_EQ(node.ChildAt(5).SubItem(1), "");  // a blank size
  EXPECT_EQ(file.Key(), Remote(1, kRoot + "Tax/b.txt", "1536"));

  // A node is filled once.
  T().addChildNodes(node, Listing({Remote(9, kRoot + "Tax/new/")}), true, false);
  EXPECT_EQ(node.ChildCount(), 5);
}

TEST_F(TreeViewControlTest, FoldersOnlyAndTheSnapshotRootKeepTheirOrder) {
  UniTreeViewMC tree;
  TreeNode root = NewRoot(tree, "My Orvane", kRoot);
  OrvaneMac::Items(Program().RemoteSnapshotItems)->Add(Remote(1, kRoot + "snap2/"));
  T().addChildNodes(root, Listing({Remote(1, kRoot + "snap2/"), Remote(2, kRoot + "b/"), Remote(3, kRoot + "A/"),
                                 Remote(4, kRoot + "f.txt", "1")}),
                    true, true);
  EXPECT_EQ(Texts(root), QStringList({"snap2", "b", "A"}));  // as listed, no files
}

TEST_F(TreeViewControlTest, StopsAtABadEntryKeepingWhatCameBefore) {
  UniTreeViewMC tree;
  TreeNode node = NewRoot(tree);
  T().addChildNodes(node, Listing({Remote(1, kRoot + "Tax/a/"), Remote(1, kRoot + "Tax/a/"), Remote(2, kRoot + "Tax/b/")}),
                    true, false);
  EXPECT_EQ(Texts(node), QStringList({"a"}));
  EXPECT_TRUE(TraceHas("Error Reason :Key is not unique in collectionin procedure addChildNodes of Class Module "
                       "TreeViewControl"));

  TreeNode other = T().addRootNode(&tree, "Other", "/users/jo/Files/Other/", "folder");
  T().addChildNodes(other, Listing({"7>only two/"}), true, false);
  EXPECT_EQ(other.ChildCount(), 0);
  EXPECT_TRUE(TraceHas("Error Reason :Subscript out of rangein procedure addChildNodes of Class Module "
                       "TreeViewControl"));
}

TEST_F(TreeViewControlTest, ShowsANameHoldingTheKeySeparator) {
  UniTreeViewMC tree;
  TreeNode node = NewRoot(tree);
  const QString key = Remote(1, kRoot + "Tax/a>b.txt", "10");
  T().addChildNodes(node, Listing({key}), true, false);
  ASSERT_EQ(node.ChildCount(), 1);
  EXPECT_EQ(node.ChildAt(1).Text(), "a>b.txt");
  OrvaneSrv::Util util;
  EXPECT_EQ(util.GetInfoFromKey(3, node.ChildAt(1).Key()), kRoot + "Tax/a>b.txt");
  EXPECT_EQ(util.GetInfoFromKey(2, node.ChildAt(1).Key()), "10");
}

// ------------------------------------------------------------------- dates

struct DateCase {
  const char* name;
  QString pattern;  // the user's short-date pattern
  QString server;
  QString shown;
};

class ServerDateTest : public TreeViewControlTest, public ::testing::WithParamInterface<DateCase> {};

TEST_P(ServerDateTest, ReadsTheServersDateInTheUsersOrder) {
  const DateCase& c = GetParam();
  vb::UserLocale locale = vb::UserLocale::EnglishUS();
  locale.shortDatePattern = c.pattern;
  vb::ScopedUserLocale use(locale);
  Program().ShortDatePattern = c.pattern;
  T().CalculateDateTime(c.server);
  EXPECT_EQ(T().DateTimeResult, c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, ServerDateTest,
    ::testing::Values(DateCase{"blank", "M/d/yyyy", "   ", "00/00/00 00:00:00"},
                      DateCase{"monthFirst", "M/d/yyyy", kDate, "3/8/2010 10:20:30 AM"},
                      DateCase{"dayFirst", "dd/MM/yyyy", kDate, "08/03/2010 10:20:30 AM"},
                      DateCase{"midnight", "M/d/yyyy", "Tue, 04 May 2010 00:00:00 GMT", "5/4/2010"},
                      DateCase{"unreadable", "M/d/yyyy", "yesterday at noon", "00/00/00 00:00:00"}),
    [](const ::testing::TestParamInfo<DateCase>& info) { return std::string(info.param.name); });

TEST_F(TreeViewControlTest, ReadsTheDisplayZoneOnceAndShiftsByIt) {
  WriteBytes("Prog/OrvaneMac/orvane.ini", QByteArray("[Orvane]\r\nTimeStamp=IST\x08+0530\r\n"));
  UniTreeViewMC tree;
  TreeNode node = NewRoot(tree);
  T().addChildNodes(node, Listing({Remote(1, kRoot + "Tax/x/")}), true, false);
  EXPECT_EQ(Program().DisplayZone, QStringList({"IST", "+0530"}));
  EXPECT_EQ(node.ChildAt(1).SubItem(2), "3/8/2010 3:50:30 PM IST");

  WriteBytes("Prog/OrvaneMac/orvane.ini", QByteArray("[Orvane]\r\nTimeStamp=CET\x08+0100\r\n"));
  T().ChangeNewStdTime();
  EXPECT_EQ(Program().DisplayZone, QStringList({"IST", "+0530"}));  // fixed for the run
}

TEST_F(TreeViewControlTest, EntriesOfOneDateShowOneCellAndEveryUnreadableDateIsTraced) {
  UniTreeViewMC tree;
  TreeNode node = NewRoot(tree);
  const QString other = "Tue, 04 May 2010 00:00:00 GMT";
  T().addChildNodes(node,
                    Listing({Remote(1, kRoot + "Tax/a.txt", "1"), Remote(2, kRoot + "Tax/b.txt", "1", other),
                             Remote(3, kRoot + "Tax/c.txt", "1"), Remote(4, kRoot + "Tax/d.txt", "1", "yesterday"),
                             Remote(5, kRoot + "Tax/e.txt", "1", "yesterday"), Remote(6, kRoot + "Tax/f.txt", "1")}),
                    true, false);
  ASSERT_EQ(node.ChildCount(), 6);
  EXPECT_EQ(node.ChildAt(1).SubItem(2), "3/8/2010 2:20:30 AM PST");
  EXPECT_EQ(node.ChildAt(2).SubItem(2), "5/3/2010 4:00:00 PM PST");
  EXPECT_EQ(node.ChildAt(3).SubItem(2), "3/8/2010 2:20:30 AM PST");
  EXPECT_EQ(node.ChildAt(4).SubItem(2), "00/00/00 00:00:00 PST");
  EXPECT_EQ(T().DateTimeResult, "3/8/2010 10:20:30 AM");  // the last entry's
  // Each unreadable date is traced where it stands, as every date is read.
  EXPECT_EQ(TraceLines().filter("Error in CalculateDateTime()").size(), 2);
  EXPECT_EQ(TraceLines().filter("Error in ConvertStdTime").size(), 2);
}

TEST_F(TreeViewControlTest, AZoneWithoutItsOffsetShowsTimesUnshifted) {
  WriteBytes("Prog/OrvaneMac/orvane.ini", QByteArray("[Orvane]\r\nTimeStamp=UTC\r\n"));
  T().ChangeNewStdTime();
  EXPECT_EQ(Program().DisplayZone, QStringList({"UTC", "+0000"}));
  EXPECT_TRUE(TraceHas("TimeStamp without an offset, dates shown unshifted: UTC"));
}

// ----------------------------------------------------------- the local tree

TEST_F(TreeViewControlTest, ReadsALocalFolderIntoKeys) {
  WriteBytes("Data/b.txt", QByteArray(2048, 'x'));
  WriteBytes("Data/sub/inner.txt", "1");
  WriteBytes("Data/a>b.txt", "12");
  QDir().mkpath(Host("Data/empty"));
  Program().ListingCounter = 10;
  const vb::CollectionPtr items = T().GetLocalFolderContents("C:\\Data\\", "*.*");
  ASSERT_TRUE(items);
  QStringList keys;
  for (const vb::Variant& v : *items) keys << v.ToString();
  ASSERT_EQ(keys.size(), 4);
  EXPECT_EQ(Program().ListingCounter, 16);  // "." and ".." counted too
  EXPECT_TRUE(keys[0].startsWith("13>")) << keys[0].toStdString();
  EXPECT_TRUE(keys[0].endsWith(">2>C:\\Data\\a" + QString(QChar(0xE03E)) + "b.txt"));
  EXPECT_TRUE(keys[1].endsWith(">2048>C:\\Data\\b.txt"));
  EXPECT_TRUE(keys[2].endsWith(">>C:\\Data\\empty\\"));
  EXPECT_EQ(T().GetLocalFolderContents("C:\\Missing\\", "*.*"), nullptr);

  UniTreeViewMC tree;
  T().setUpColumns(&tree, 450, 0, 250);
  TreeNode data = T().addRootNode(&tree, "Data", "C:\\Data\\", "folder");
  T().PopulateLocalFolder(data, false);
  EXPECT_EQ(Texts(data), QStringList({"empty", "sub", "a>b.txt", "b.txt"}));
  EXPECT_TRUE(data.Expanded());
  EXPECT_EQ(data.ChildAt(4).SubItem(1), "2.00 KB");
  TreeNode empty = data.ChildAt(1);
  T().PopulateLocalFolder(empty, true);
  EXPECT_EQ(empty.ChildCount(), 0);
  EXPECT_FALSE(empty.HasChildrenMark());
}

TEST_F(TreeViewControlTest, BuildsMyFilesAndMyComputer) {
  // The user's folders live on C: (the home folder of this test).
  const QByteArray home = qgetenv("HOME");
  qputenv("HOME", tmp_.path().toUtf8());
  QDir().mkpath(Host("Desktop/Old"));
  QDir().mkpath(Host("Documents/Letters"));
  UniTreeViewMC tree;
  T().PopulateLocalTreeView(&tree, {"c:", "q:"}, true, true);
  qputenv("HOME", home);

  ASSERT_EQ(tree.NodeCount() > 0, true);
  TreeNode root = tree.NodeAt(1);
  EXPECT_EQ(root.Text(), "My Files");
  EXPECT_TRUE(root.Expanded());
  EXPECT_EQ(Texts(root), QStringList({"Desktop", "Music", "Pictures", "Videos", "Documents", "Favorites",
                                      "My Computer"}));
  const TreeNode desktop = root.ChildAt(1);
  EXPECT_TRUE(desktop.Key().endsWith(">0>C:\\Desktop\\\\")) << desktop.Key().toStdString();
  EXPECT_EQ(Texts(desktop), QStringList({"Old"}));  // listed at once, folders only
  EXPECT_TRUE(desktop.ChildAt(1).Key().endsWith("C:\\Desktop\\\\Old\\"));
  const TreeNode favorites = root.ChildAt(6);
  EXPECT_TRUE(favorites.Key().endsWith("> >0>\\\\")) << favorites.Key().toStdString();
  EXPECT_EQ(favorites.ChildCount(), 0);

  TreeNode computer = root.ChildAt(7);
  EXPECT_TRUE(computer.Expanded());
  ASSERT_EQ(computer.ChildCount(), 1);  // Q: is not a drive of the table
  const TreeNode c = computer.ChildAt(1);
  EXPECT_EQ(c.Text(), "C");
  EXPECT_EQ(c.Key(), "C:\\");
  EXPECT_TRUE(Texts(c).contains("Desktop"));  // it holds the user's folders: listed at once
}

TEST_F(TreeViewControlTest, AnEmptyDriveListLeavesMyComputerBare) {
  UniTreeViewMC tree;
  T().PopulateLocalTreeView(&tree, {}, true, true);
  EXPECT_TRUE(TraceHas("Content of list box is zero in setLocalColTreeRoot"));
  const TreeNode computer = tree.FindNode("My Computer");
  ASSERT_FALSE(computer.IsNothing());
  EXPECT_EQ(computer.ChildCount(), 0);
  EXPECT_TRUE(computer.Expanded());
}

TEST_F(TreeViewControlTest, APlainTreeShowsTheFixedDrivesUnderMyComputer) {
  win::DriveTable table;
  table.Map(u'C', tmp_.path());
  table.Map(u'E', tmp_.path() + "/no medium");  // not ready: no type of its own
  win::ScopedDriveTable drives(table);
  PlainTreeView tree;
  T().PopulateLocalTreeView(&tree, {}, false, true);
  ASSERT_EQ(tree.NodeCount(), 2);
  const PlainTreeNode computer = tree.NodeAt(1);
  EXPECT_EQ(computer.Key(), "RDesktop");
  EXPECT_EQ(computer.Text(), "My Computer");
  EXPECT_EQ(computer.Image(), "mycomp");
  const PlainTreeNode c = computer.Child();
  EXPECT_EQ(c.Key(), "C:");
  EXPECT_EQ(c.Text(), "C:");
  EXPECT_EQ(c.Image(), "Drive");
  EXPECT_TRUE(tree.topLevelItem(0)->isExpanded());  // the last drive is in view
  EXPECT_TRUE(TraceHas("Exit PopulateLocalTreeView"));
}

// ---------------------------------------------------------- the remote tree

class RemoteTreeTest : public TreeViewControlTest {
 protected:
  void SetUp() override {
    TreeViewControlTest::SetUp();
    T().setUpColumns(main_.tree, 280, 150, 270);  // as the main window's load does
  }
  bool Build(bool quiet = true) {
    main_.tree->ClearNodes();
    return T().PopulateRemoteTreeView("Smart", main_.tree, true, quiet, false);
  }
  FakeRemoteListing listing_;
  MiniMainWindow main_;
};

TEST_F(RemoteTreeTest, AnEmptyAccountGivesTheRootAlone) {
  listing_.folders[kRoot] = {};
  EXPECT_TRUE(Build());
  EXPECT_TRUE(Program().RemoteTreeConnected);
  ASSERT_EQ(main_.tree->NodeCount(), 1);
  const TreeNode root = main_.tree->NodeAt(1);
  EXPECT_EQ(root.Text(), "My Orvane");
  EXPECT_EQ(root.Key(), kRoot);
  EXPECT_TRUE(root.Expanded());
  EXPECT_FALSE(root.HasChildrenMark());
  EXPECT_EQ(MainMousePointer(), 0);
}

TEST_F(RemoteTreeTest, AFailedRootListingShowsTheEnginesText) {
  listing_.failing = {kRoot};
  listing_.error = "The server did not answer.";
  Program().RemoteTreeConnected = true;
  QString shown;
  testing::AnswerNextMessageBox(&shown);
  EXPECT_FALSE(Build(false));
  EXPECT_FALSE(Program().RemoteTreeConnected);
  EXPECT_TRUE(shown.contains(QString::fromUtf16(u"Unable to get the contents of this folder as \u2026.The server did "
                                                u"not answer.")))
      << shown.toStdString();
  EXPECT_EQ(main_.tree->NodeCount(), 1);
  EXPECT_FALSE(main_.tree->NodeAt(1).HasChildrenMark());
  EXPECT_EQ(MainMousePointer(), 0);  // given back on this way out too
}

TEST_F(RemoteTreeTest, ListsAFolderOnceOnExpandAndReportsAFailure) {
  listing_.folders[kRoot] = {Remote(1, kRoot + "Tax/"), Remote(2, kRoot + "Bad/"), Remote(3, kRoot + "f.txt", "5")};
  listing_.folders[kRoot + "Tax/"] = {Remote(4, kRoot + "Tax/a>b.txt", "7")};
  listing_.failing = {kRoot + "Bad/"};
  listing_.error = "Folder not found.";
  ASSERT_TRUE(Build());
  const TreeNode root = main_.tree->NodeAt(1);
  ASSERT_EQ(Texts(root), QStringList({"Bad", "Tax", "f.txt"}));

  TreeNode tax = root.ChildAt(2);
  EXPECT_TRUE(T().PopulateRemoteFolder(tax, false, false));
  EXPECT_EQ(Texts(tax), QStringList({"a>b.txt"}));
  EXPECT_TRUE(tax.Expanded());
  EXPECT_FALSE(T().PopulateRemoteFolder(tax, false, false));  // listed once
  EXPECT_EQ(listing_.asked.count(kRoot + "Tax/"), 1);

  TreeNode bad = root.ChildAt(1);
  EXPECT_TRUE(bad.HasChildrenMark());
  QString shown;
  testing::AnswerNextMessageBox(&shown);
  EXPECT_FALSE(T().PopulateRemoteFolder(bad, false, false));
  EXPECT_TRUE(shown.endsWith(QString::fromUtf16(u"as \u2026.Folder not found."))) << shown.toStdString();
  EXPECT_FALSE(bad.HasChildrenMark());
}

TEST_F(RemoteTreeTest, CheckMarksSurviveListingAndChildrenDoNotChooseTheirFolder) {
  listing_.folders[kRoot] = {Remote(1, kRoot + "A/"), Remote(2, kRoot + "B/")};
  listing_.folders[kRoot + "A/"] = {Remote(3, kRoot + "A/x.txt", "1"), Remote(4, kRoot + "A/y.txt", "1")};
  listing_.folders[kRoot + "B/"] = {Remote(5, kRoot + "B/z.txt", "1")};
  ASSERT_TRUE(Build());
  TreeNode a = main_.tree->FindNode(Remote(1, kRoot + "A/"));
  TreeNode b = main_.tree->FindNode(Remote(2, kRoot + "B/"));
  b.SetChecked(2);
  T().PopulateRemoteFolder(b, true, false);
  EXPECT_EQ(b.Checked(), 2);  // a checked, never-listed folder stays checked

  T().PopulateRemoteFolder(a, true, false);
  for (QTreeWidgetItemIterator it(main_.tree); *it; ++it) {
    if ((*it)->parent() && (*it)->parent()->text(0) == "A") (*it)->setCheckState(0, Qt::Checked);  // user clicks
  }
  EXPECT_EQ(a.ChildAt(1).Checked(), 2);
  EXPECT_EQ(a.ChildAt(2).Checked(), 2);
  EXPECT_EQ(a.Checked(), 3);
}

TEST_F(RemoteTreeTest, RefreshListsANodeAgainWithTheWindowBusy) {
  listing_.folders[kRoot] = {Remote(1, kRoot + "A/")};
  listing_.folders[kRoot + "A/"] = {};
  ASSERT_TRUE(Build());
  TreeNode a = main_.tree->NodeAt(1).ChildAt(1);

  Program().RemoteTreeConnected = false;
  EXPECT_FALSE(T().RefreshTreeNodes(a, true, true));
  EXPECT_TRUE(listing_.asked.count(kRoot + "A/") == 0);

  Program().RemoteTreeConnected = true;
  main_.window->setEnabled(true);
  MainWindow().Pict_Refresh->setEnabled(true);
  EXPECT_TRUE(T().RefreshTreeNodes(a, true, true));
  EXPECT_EQ(listing_.asked.count(kRoot + "A/"), 1);
  EXPECT_TRUE(a.HasChildrenMark());  // an empty folder keeps its sign after a refresh
  EXPECT_EQ(main_.waitBox, QStringList({"Refreshing ...", "closed"}));
  EXPECT_TRUE(main_.window->isEnabled());
  EXPECT_EQ(MainMousePointer(), 0);

  main_.waitBox.clear();
  Program().RestoreRunning = true;
  EXPECT_TRUE(T().RefreshTreeNodes(a, true, true));
  EXPECT_TRUE(main_.waitBox.isEmpty());
}

TEST_F(RemoteTreeTest, AWindowClosedDuringARefreshEndsItQuietly) {
  listing_.folders[kRoot] = {Remote(1, kRoot + "A/")};
  listing_.folders[kRoot + "A/"] = {Remote(2, kRoot + "A/x.txt", "1")};
  ASSERT_TRUE(Build());
  const TreeNode a = main_.tree->NodeAt(1).ChildAt(1);
  listing_.during = [this] { main_.window.reset(); };
  EXPECT_TRUE(T().RefreshTreeNodes(a, true, true));
  EXPECT_TRUE(a.Gone());
  for (const QString& line : TraceLines()) {
    EXPECT_FALSE(line.contains("of Class Module TreeViewControl")) << line.toStdString();
  }
}

}  // namespace
}  // namespace OrvaneMac
