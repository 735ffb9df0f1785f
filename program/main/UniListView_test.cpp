// The result list: unique keys, rows removed and their keys freed, and the
// check events (the user's changes announced and cancellable, the code's
// silent).
#include "program/main/UniListView.h"

#include <QHeaderView>

#include <gtest/gtest.h>

#include "platform/errors/RuntimeError.h"
#include "program/windows/WindowsTestSupport.h"

namespace OrvaneMac {
namespace {

int ErrorOf(const std::function<void()>& step) {
  try {
    step();
  } catch (const vb::RuntimeError& e) {
    return static_cast<int>(e.Number());
  }
  return 0;
}

TEST(UniListView, KeysAreUniqueUntilTheirRowGoes) {
  testing::App();
  UniListView list;
  list.AddColumn("Path", 3000);
  list.AddColumn("Size", 1000);
  EXPECT_EQ(list.AddRow("a", "a", 5), 1);
  EXPECT_EQ(list.AddRow("A", "A", 5), 2);  // keys compare with case
  EXPECT_EQ(ErrorOf([&] { list.AddRow("a", "again", 5); }), 35602);
  EXPECT_EQ(list.RowCount(), 2);
  list.RemoveRow(1);
  EXPECT_EQ(list.RowText(1), "A");
  EXPECT_EQ(list.AddRow("a", "a", 5), 2);
  EXPECT_EQ(ErrorOf([&] { (void)list.RowText(3); }), 35600);
  EXPECT_EQ(ErrorOf([&] { list.SetSubItem(1, 2, "x"); }), 35600);
  list.ClearRows();
  EXPECT_EQ(list.AddRow("a", "a", 5), 1);
}

TEST(UniListView, TheTextsTakeTheRoomTheOtherColumnsLeave) {
  testing::App();
  UniListView list;
  list.AddColumn("File/Folder Path", 1500);  // 100 pixels of its own
  list.AddColumn("Size", 900);
  list.AddColumn(QString(), 0);
  list.AddRow("k", "/a/rather/long/path/to/a/file/in/the/account.txt", 0);
  list.resize(600, 200);
  list.show();
  QApplication::processEvents();
  EXPECT_EQ(list.columnWidth(0), list.viewport()->width() - list.columnWidth(1));
  // A narrow list keeps the texts' own width and scrolls.
  list.resize(120, 200);
  QApplication::processEvents();
  EXPECT_EQ(list.columnWidth(0), 100);
  // The user may widen the texts beyond the room.
  list.header()->resizeSection(0, 900);
  list.resize(600, 200);
  QApplication::processEvents();
  EXPECT_EQ(list.columnWidth(0), 900);
}

TEST(UniListView, TheUsersCheckChangesAreAnnouncedAndMayBeCancelled) {
  testing::App();
  UniListView list;
  list.AddColumn("Path", 3000);
  list.AddRow("a", "a", 5);
  QStringList events;
  bool cancel = false;
  list.BeforeCheck = [&](int row, bool checked, bool& c) {
    events << QStringLiteral("before %1 %2").arg(row).arg(checked);
    c = cancel;
  };
  list.AfterCheck = [&](int row) { events << QStringLiteral("after %1").arg(row); };
  list.topLevelItem(0)->setCheckState(0, Qt::Checked);
  EXPECT_EQ(events, (QStringList{"before 1 1", "after 1"}));
  EXPECT_TRUE(list.Checked(1));
  events.clear();
  cancel = true;
  list.topLevelItem(0)->setCheckState(0, Qt::Unchecked);
  EXPECT_EQ(events, QStringList{"before 1 0"});
  EXPECT_TRUE(list.Checked(1));
  events.clear();
  list.SetChecked(1, false);
  list.SetCheckText(1, "0");
  EXPECT_TRUE(events.isEmpty());
  EXPECT_FALSE(list.Checked(1));
}

}  // namespace
}  // namespace OrvaneMac
