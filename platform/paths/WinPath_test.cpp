#include "platform/paths/WinPath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class WinPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    c_ = tmp_.path() + "/c";
    d_ = tmp_.path() + "/c/mnt/d";  // a drive whose root lies inside another
    ASSERT_TRUE(QDir().mkpath(c_ + "/foo"));
    ASSERT_TRUE(QDir().mkpath(d_ + "/Data"));
    QFile f(c_ + "/foo/Bar.txt");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    win::DriveTable table;
    table.Map(u'c', c_);
    table.Map(u'D', d_);
    guard_.emplace(table);
  }
  void TearDown() override { guard_.reset(); }

  QTemporaryDir tmp_;
  QString c_, d_;
  std::optional<win::ScopedDriveTable> guard_;
};

TEST_F(WinPathTest, FullPathResolvesTheLegacyForms) {
  ASSERT_TRUE(win::ChDir("C:\\foo"));
  struct Row {
    const char* in;
    const char* out;
  };
  const Row rows[] = {
      {"C:\\Users\\..\\Foo\\\\bar.TXT", "C:\\Foo\\bar.TXT"},
      {"c:/a//b/./c/", "C:\\a\\b\\c"},
      {"C:\\..\\..", "C:\\"},
      {"C:", "C:\\foo"},  // the drive alone is its current folder
      {"\\x\\y", "C:\\x\\y"},
      {"x\\y", "C:\\foo\\x\\y"},
      {"..\\z", "C:\\z"},
      {"D:rel", "D:\\rel"},
      {"d:\\", "D:\\"},
  };
  for (const auto& row : rows) EXPECT_EQ(win::FullPath(row.in), QString::fromUtf8(row.out)) << row.in;
  EXPECT_EQ(win::FullPath(""), "");
}

TEST_F(WinPathTest, ExistingNamesAreFoundWhateverTheirCase) {
  EXPECT_EQ(win::ToHostPath("C:\\Users\\..\\Foo\\\\bar.TXT"), c_ + "/foo/Bar.txt");
  // A missing name keeps the caller's spelling, below the part that exists.
  EXPECT_EQ(win::ToHostPath("c:\\FOO\\New Folder\\Notes.TXT"), c_ + "/foo/New Folder/Notes.TXT");
  EXPECT_EQ(win::ToHostPath("D:\\data"), d_ + "/Data");
  EXPECT_EQ(win::ToHostPath("Q:\\nowhere"), "") << "an unmapped drive has no host path";
}

TEST_F(WinPathTest, PathsHoldingNulHaveNoHostPath) {
  // The host calls would stop at the NUL: "C:\\..<NUL>" would be the folder
  // above the drive root.
  const QChar nul(u'\0');
  for (const QString& path : {QStringLiteral("C:\\..") + nul, QStringLiteral("C:\\foo\\..") + nul + QStringLiteral("\\x"),
                              QStringLiteral("C:\\foo\\Bar.txt") + nul + QStringLiteral("x"), QString(nul)}) {
    EXPECT_EQ(win::ToHostPath(path), "") << path.toStdString();
    EXPECT_FALSE(win::ChDir(path));
  }
  // A NUL name that ".." takes away again leaves a path without it.
  EXPECT_EQ(win::ToHostPath(QStringLiteral("C:\\foo\\") + nul + QStringLiteral("\\..")), c_ + "/foo");
}

TEST_F(WinPathTest, HostPathsMapBackToTheDriveWithTheLongestRoot) {
  EXPECT_EQ(win::ToWindowsPath(c_ + "/foo/Bar.txt"), "C:\\foo\\Bar.txt");
  EXPECT_EQ(win::ToWindowsPath(d_ + "/Data"), "D:\\Data");
  EXPECT_EQ(win::ToWindowsPath(d_), "D:\\");
  EXPECT_EQ(win::ToWindowsPath(c_ + "/mnt/dx"), "C:\\mnt\\dx") << "a prefix of a root is not inside it";
  EXPECT_EQ(win::ToWindowsPath(tmp_.path() + "/elsewhere"), "");
}

TEST_F(WinPathTest, CurrentFolderIsEmulatedPerDrive) {
  EXPECT_EQ(win::CurDir(), "C:\\");
  EXPECT_TRUE(win::ChDir("c:\\FOO"));
  EXPECT_EQ(win::CurDir(), "C:\\foo") << "the spelling on disk is kept";
  EXPECT_TRUE(win::ChDir("D:\\Data"));
  EXPECT_EQ(win::CurDir(), "D:\\Data");
  EXPECT_EQ(win::CurDir(u'c'), "C:\\foo");
  EXPECT_FALSE(win::ChDir("D:\\missing"));
  EXPECT_FALSE(win::ChDir("Q:\\"));
  EXPECT_EQ(win::CurDir(), "D:\\Data") << "a failed change leaves the folder";
  EXPECT_TRUE(win::ChDrive("C:"));
  EXPECT_EQ(win::FullPath("name"), "C:\\foo\\name");
  EXPECT_FALSE(win::ChDrive("Q"));
}

TEST_F(WinPathTest, ProgramFolderAndShortNames) {
  win::SetProgramFolder("C:\\foo");
  EXPECT_EQ(win::ProgramFolder(), "C:\\foo");
  win::SetProgramFolder({});
  EXPECT_EQ(win::ProgramFolder(), "") << "the test executable lies on no mapped drive";
  {
    win::DriveTable withRoot = win::CurrentDriveTable();
    withRoot.Map(u'Z', "/");
    win::ScopedDriveTable all(withRoot);
    EXPECT_TRUE(win::ProgramFolder().startsWith("Z:\\")) << win::ProgramFolder().toStdString();
  }
  EXPECT_EQ(win::GetShortPathName("C:\\foo\\bar.txt"), "C:\\foo\\bar.txt");
  EXPECT_EQ(win::GetShortPathName("C:\\foo\\missing"), "");
  EXPECT_TRUE(win::IsDriveRoot("d:/"));
  EXPECT_FALSE(win::IsDriveRoot("C:\\foo"));
  EXPECT_EQ(win::JoinPath("C:\\a\\", "\\b"), "C:\\a\\b");
}

TEST(DriveTable, ParsesTheEnvironmentForm) {
  const auto table = win::DriveTable::Parse("c=/home/me;D:=/media/x//;Z=/");
  ASSERT_TRUE(table);
  EXPECT_EQ(*table->RootOf(u'C'), "/home/me");
  EXPECT_EQ(*table->RootOf(u'd'), "/media/x");
  EXPECT_EQ(*table->RootOf(u'Z'), "/");
  for (const char* bad : {"", "C", "CC=/x", "C=relative", "1=/x"}) {
    EXPECT_FALSE(win::DriveTable::Parse(bad)) << bad;
  }
}

}  // namespace
