// Renders the remote tree as the main window shows it, for review:
// build/screenshots/remote_tree.png.

#include <QFileInfo>

#include <gtest/gtest.h>

#include "ZQwinSrv/foundation/Util.h"
#include "program/browse/BrowseTestSupport.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/ProgramTestFixture.h"

namespace OrvaneMac {
namespace {

const QString kRoot = QStringLiteral("/users/jo/Files/");

QString Remote(int seq, const QString& path, const QString& size, const QString& date) {
  QString encoded = path;
  encoded.replace(' ', "%20");
  return QString::number(seq) + '>' + date + '>' + size + '>' + OrvaneSrv::EscapeKeyField(path) + '>' +
         OrvaneSrv::EscapeKeyField(encoded);
}

class RemoteTreeScreenshot : public ProgramTest {};

TEST_F(RemoteTreeScreenshot, FoldersFirstThenFilesWithTheirCells) {
  testing::App();
  Program().RemoteRootKey = kRoot;
  Program().ShortDatePattern = "M/d/yyyy";
  testing::FakeRemoteListing listing;
  listing.folders[kRoot] = {
      Remote(1, kRoot + "taxes 2009.pdf", "1572864", "Tue, 04 May 2010 10:12:33 GMT"),
      Remote(2, kRoot + "Tax Papers/", "4096", "Tue, 04 May 2010 10:12:33 GMT"),
      Remote(3, kRoot + "photos/", "4096", "Mon, 08 Mar 2010 10:20:30 GMT"),
      Remote(4, kRoot + "notes.txt", "812", "Fri, 01 Jan 2010 08:00:00 GMT"),
      Remote(5, kRoot + "Music/", "4096", "Sun, 14 Feb 2010 18:45:00 GMT"),
      Remote(6, kRoot + "a>b.txt", "20480", "Wed, 10 Mar 2010 23:59:59 GMT"),
  };
  listing.folders[kRoot + "photos/"] = {
      Remote(7, kRoot + "photos/beach.jpg", "2411724", "Sat, 06 Mar 2010 12:00:00 GMT"),
  };

  QWidget window;
  window.resize(720, 300);
  UniTreeViewMC tree(&window);
  tree.setGeometry(0, 0, 720, 300);
  TreeViewControl& t = TreeViewControl::Instance();
  t.setUpColumns(&tree, 280, 150, 270);
  ASSERT_TRUE(t.PopulateRemoteTreeView("Smart", &tree, true, true, false));
  TreeNode root = tree.NodeAt(1);
  ASSERT_EQ(root.ChildCount(), 6);
  TreeNode photos = root.ChildAt(2);
  ASSERT_EQ(photos.Text(), "photos");
  ASSERT_TRUE(t.PopulateRemoteFolder(photos, true, false));
  root.ChildAt(1).SetChecked(2);
  photos.ChildAt(1).SetSelected(true);
  window.show();

  EXPECT_EQ(root.ChildAt(4).Text(), "taxes 2009.pdf");  // files after the folders, as listed
  EXPECT_EQ(root.ChildAt(4).SubItem(1), "1.50 MB");
  EXPECT_EQ(root.ChildAt(4).SubItem(2), "5/4/2010 2:12:33 AM PST");
  const QString path = testing::SaveScreenshot(&window, "remote_tree");
  EXPECT_TRUE(QFileInfo::exists(path));
}

}  // namespace
}  // namespace OrvaneMac
