#include "platform/paths/WinPath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

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

// A program folder outside the user's home lies on a drive whose root is not
// the user's (Z: is "/"): a folder the program makes at that drive's root
// must still be one the user can create.
TEST_F(WinPathTest, NewNamesAtTheRootOfADriveTheUserCannotWriteLiveInTheUsersStore) {
  const QString other = tmp_.path() + "/other";
  ASSERT_TRUE(QDir().mkpath(other + "/Existing"));
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(QFile::encodeName(other).constData(), 65534, 65534), 0);
  } else {
    ASSERT_TRUE(QFile::setPermissions(other, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
  }
  const QString store = tmp_.path() + "/store";
  const QByteArray saved = qgetenv("ORVANE_USER_STORE");
  qputenv("ORVANE_USER_STORE", store.toUtf8());
  win::DriveTable table = win::CurrentDriveTable();
  table.Map(u'Z', other);
  win::ScopedDriveTable withZ(table);

  EXPECT_EQ(win::UserStoreRoot(u'z'), store + "/Z");
  EXPECT_EQ(win::ToHostPath("Z:\\OrvaneInt\\ORVANETEMP\\a.txt"), store + "/Z/OrvaneInt/ORVANETEMP/a.txt");
  EXPECT_EQ(QFile::permissions(store + "/Z") & (QFileDevice::ReadOther | QFileDevice::WriteOther |
                                                 QFileDevice::ReadGroup | QFileDevice::WriteGroup),
            QFileDevice::Permissions());
  ASSERT_TRUE(QDir().mkpath(store + "/Z/OrvaneInt"));
  EXPECT_EQ(win::FullPath("z:\\orvaneint\\x"), "Z:\\orvaneint\\x");
  EXPECT_EQ(win::ToHostPath("z:\\orvaneint\\x"), store + "/Z/OrvaneInt/x") << "found whatever its case";
  EXPECT_EQ(win::ToWindowsPath(store + "/Z/OrvaneInt/x"), "Z:\\OrvaneInt\\x");
  // What the root holds stays where it is; the user's own drives are as before.
  EXPECT_EQ(win::ToHostPath("Z:\\Existing\\f"), other + "/Existing/f");
  EXPECT_EQ(win::ToHostPath("C:\\OrvaneInt"), c_ + "/OrvaneInt");

  QFile::setPermissions(other, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  if (saved.isNull()) {
    qunsetenv("ORVANE_USER_STORE");
  } else {
    qputenv("ORVANE_USER_STORE", saved);
  }
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
