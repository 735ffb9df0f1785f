#include "platform/files/Drive.h"

#include "platform/files/FilesTestFixture.h"

namespace {

using files_test::ErrorOf;

TEST(DriveTypeTest, DecidedFromTheMountFacts) {
  struct Row {
    win::DriveFacts facts;
    int expected;
  };
  const Row rows[] = {
      {{false, false, false}, win::DriveTypeUnknown}, {{true, false, false}, win::DriveTypeFixed},
      {{true, true, false}, win::DriveTypeCDRom},  // read-only: the write test must refuse it
      {{true, false, true}, win::DriveTypeNetwork},   {{true, true, true}, win::DriveTypeCDRom},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(win::DecideDriveType(row.facts), row.expected)
        << row.facts.rootReachable << row.facts.readOnlyMount << row.facts.networkFileSystem;
  }
}

class DriveTest : public files_test::FilesTest {
 protected:
  void SetUp() override {
    FilesTest::SetUp();
    win::DriveTable table = win::CurrentDriveTable();
    table.Map(u'E', tmp_.path() + "/unplugged");  // mapped, but its root is not there
    guard_.reset();
    guard_.emplace(table);
  }
};

TEST_F(DriveTest, MappedDrivesAreReadyWhenTheirRootIsThere) {
  const win::Drive c = win::GetDrive("c:\\Users\\x");
  EXPECT_EQ(c.Path(), "C:");
  EXPECT_EQ(c.RootFolder(), "C:\\");
  EXPECT_TRUE(c.IsReady());
  EXPECT_NE(c.DriveType(), win::DriveTypeUnknown);
  EXPECT_GT(c.TotalSize(), 0);
  EXPECT_LE(c.AvailableSpace(), c.TotalSize());

  EXPECT_TRUE(win::DriveExists("E:"));
  const win::Drive e = win::GetDrive("E");
  EXPECT_FALSE(e.IsReady());
  EXPECT_EQ(e.DriveType(), win::DriveTypeUnknown);
  EXPECT_EQ(ErrorOf([&] { (void)e.FreeSpace(); }), vb::errDiskNotReady);

  EXPECT_FALSE(win::DriveExists("Q:"));
  EXPECT_FALSE(win::DriveExists(""));
  EXPECT_EQ(ErrorOf([] { (void)win::GetDrive("Q:"); }), vb::errDeviceUnavailable);
  EXPECT_EQ(ErrorOf([] { (void)win::GetDrive("\\x"); }), vb::errInvalidProcedureCall);
}

}  // namespace
