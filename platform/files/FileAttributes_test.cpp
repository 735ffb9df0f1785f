#include "platform/files/FileAttributes.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/files/FilesTestFixture.h"
#include "platform/files/TextStream.h"

namespace {

using files_test::ErrorOf;
using FileAttributesTest = files_test::FilesTest;

mode_t ModeOf(const QString& host) {
  struct stat st {};
  return ::stat(host.toLocal8Bit().constData(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

TEST_F(FileAttributesTest, AttributesRoundTrip) {
  MakeFile("f.txt", "x");
  ASSERT_EQ(::chmod(Host("f.txt").toLocal8Bit().constData(), 0664), 0);
  EXPECT_EQ(win::GetFileAttributes("C:\\f.txt"), win::FILE_ATTRIBUTE_ARCHIVE) << "a file starts with the archive bit";

  struct Row {
    long set;
    long win32;  // what GetFileAttributes answers afterwards
    long basic;  // what GetAttr answers
  };
  const Row rows[] = {
      {0, win::FILE_ATTRIBUTE_NORMAL, 0},
      {1, 1, 1},
      {2 | 4, 2 | 4, 2 | 4},
      {1 | 2 | 32, 1 | 2 | 32, 1 | 2 | 32},
      {0x80, win::FILE_ATTRIBUTE_NORMAL, 0},
      {32 | 0x100, 32, 32},  // bits it cannot keep are dropped
  };
  for (const Row& row : rows) {
    ASSERT_TRUE(win::SetFileAttributes("c:\\F.TXT", row.set)) << row.set;
    EXPECT_EQ(win::GetFileAttributes("C:\\f.txt"), row.win32) << row.set;
    EXPECT_EQ(win::GetAttr("C:\\f.txt"), row.basic) << row.set;
  }

  // Read-only is the owner's write bit: setting it clears every write bit,
  // clearing it gives the owner's back.
  win::SetAttr("C:\\f.txt", win::FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(ModeOf(Host("f.txt")), mode_t(0444));
  win::SetAttr("C:\\f.txt", 0);
  EXPECT_EQ(ModeOf(Host("f.txt")), mode_t(0644));
  ASSERT_EQ(::chmod(Host("f.txt").toLocal8Bit().constData(), 0555), 0);
  EXPECT_EQ(win::GetAttr("C:\\f.txt") & win::FILE_ATTRIBUTE_READONLY, win::FILE_ATTRIBUTE_READONLY);

  QDir().mkpath(Host("virtual"));
  EXPECT_EQ(win::GetFileAttributes("C:\\virtual"), win::FILE_ATTRIBUTE_DIRECTORY);
  ASSERT_TRUE(win::SetFileAttributes("C:\\virtual", 2 | 4));
  EXPECT_EQ(win::GetFileAttributes("C:\\virtual"), 22) << "directory + hidden + system";
}

TEST_F(FileAttributesTest, MissingPathsAnswerInvalidAttributes) {
  unsigned long error = 0;
  EXPECT_EQ(win::GetFileAttributes("C:\\missing.txt", &error), win::INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(error, win::kFileErrorFileNotFound);
  EXPECT_EQ(win::GetFileAttributes("C:\\no\\such.txt", &error), -1);
  EXPECT_EQ(error, win::kFileErrorPathNotFound);
  EXPECT_EQ(win::GetFileAttributes("Q:\\x", &error), -1);
  EXPECT_FALSE(win::SetFileAttributes("C:\\missing.txt", 0, &error));
  EXPECT_EQ(error, win::kFileErrorFileNotFound);
  EXPECT_EQ(ErrorOf([] { (void)win::GetAttr("C:\\missing.txt"); }), vb::errFileNotFound);
  EXPECT_EQ(ErrorOf([] { win::SetAttr("C:\\missing.txt", 0); }), vb::errFileNotFound);
}

TEST_F(FileAttributesTest, ChangingAFileSetsItsClearedArchiveBitAgain) {
  MakeFile("restored.doc", "v1");
  const long before = win::GetAttr("C:\\restored.doc");
  ASSERT_TRUE(win::SetFileAttributes("C:\\restored.doc", before & ~win::FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(win::GetAttr("C:\\restored.doc") & win::FILE_ATTRIBUTE_ARCHIVE, 0);

  // Make sure the next write gets a different modification time.
  const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, Host("restored.doc").toLocal8Bit().constData(), old, 0), 0);
  ASSERT_TRUE(win::SetFileAttributes("C:\\restored.doc", 0));
  EXPECT_EQ(win::GetAttr("C:\\restored.doc"), 0);
  win::OpenTextFile("C:\\restored.doc", win::ForAppending).Write("v2");
  EXPECT_EQ(win::GetAttr("C:\\restored.doc"), win::FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(FileAttributesTest, DotNamesAreHiddenAndLinksAreReparsePoints) {
  MakeFile(".profile", "x");
  EXPECT_EQ(win::GetAttr("C:\\.profile"), win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_ARCHIVE);
  QDir().mkpath(Host("target"));
  ASSERT_EQ(::symlink(Host("target").toLocal8Bit().constData(), Host("link").toLocal8Bit().constData()), 0);
  EXPECT_EQ(win::GetFileAttributes("C:\\link"), win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_REPARSE_POINT);
  ASSERT_EQ(::symlink("nowhere", Host("dangling").toLocal8Bit().constData()), 0);
  EXPECT_EQ(win::GetFileAttributes("C:\\dangling"), win::FILE_ATTRIBUTE_REPARSE_POINT | win::FILE_ATTRIBUTE_ARCHIVE);
}

}  // namespace
