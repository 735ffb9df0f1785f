#include "platform/files/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>

#include "platform/files/FileAttributes.h"
#include "platform/files/FilesTestFixture.h"

namespace {

using files_test::ErrorOf;
using FileSystemTest = files_test::FilesTest;

void Link(const QString& target, const QString& link) {
  ASSERT_EQ(::symlink(target.toLocal8Bit().constData(), link.toLocal8Bit().constData()), 0) << link.toStdString();
}

TEST_F(FileSystemTest, ExistenceQueriesNeverRaise) {
  MakeFile("Docs/Report.TXT", "x");
  Link(Host("Docs"), Host("docs-link"));
  Link(Host("gone"), Host("dangling"));
  struct Row {
    const char* path;
    bool file;
    bool folder;
  };
  const Row rows[] = {
      {"C:\\docs\\report.txt", true, false},  // case is ignored
      {"C:\\Docs", false, true},
      {"C:\\Docs\\", false, true},
      {"C:\\", false, true},
      {"C:\\docs-link", false, true},
      {"C:\\docs-link\\Report.txt", true, false},
      {"C:\\dangling", false, false},
      {"C:\\Docs\\*.txt", false, false},
      {"C:\\missing", false, false},
      {"Q:\\Docs", false, false},
      {"", false, false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(win::FileExists(row.path), row.file) << row.path;
    EXPECT_EQ(win::FolderExists(row.path), row.folder) << row.path;
  }
}

TEST_F(FileSystemTest, CreateFolderMakesOneLevel) {
  win::CreateFolder("C:\\New Folder");
  EXPECT_TRUE(QFileInfo(Host("New Folder")).isDir()) << "created with the caller's spelling";
  EXPECT_EQ(ErrorOf([] { win::CreateFolder("c:\\new folder"); }), vb::errFileAlreadyExists);
  EXPECT_EQ(ErrorOf([] { win::CreateFolder("C:\\a\\b"); }), vb::errPathNotFound);
  EXPECT_EQ(ErrorOf([] { win::CreateFolder("C:\\bad?name"); }), vb::errBadFileNameOrNumber);
  EXPECT_EQ(ErrorOf([] { win::CreateFolder("Q:\\x"); }), vb::errPathNotFound);
}

TEST_F(FileSystemTest, DeleteFileTakesWildcardsAndRespectsReadOnly) {
  MakeFile("w/a.tmp");
  MakeFile("w/b.TMP");
  MakeFile("w/keep.txt");
  QDir().mkpath(Host("w/dir.tmp"));
  win::DeleteFile("C:\\w\\*.tmp");
  EXPECT_EQ(QDir(Host("w")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"dir.tmp", "keep.txt"}))
      << "files only, case ignored";
  EXPECT_EQ(ErrorOf([] { win::DeleteFile("C:\\w\\*.tmp"); }), vb::errFileNotFound);
  EXPECT_EQ(ErrorOf([] { win::DeleteFile("C:\\w\\dir.tmp"); }), vb::errFileNotFound);
  EXPECT_EQ(ErrorOf([] { win::DeleteFile("C:\\nowhere\\x.txt"); }), vb::errPathNotFound);

  ASSERT_TRUE(win::SetFileAttributes("C:\\w\\keep.txt", win::FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(ErrorOf([] { win::DeleteFile("C:\\w\\keep.txt"); }), vb::errPermissionDenied);
  EXPECT_TRUE(win::FileExists("C:\\w\\keep.txt"));
  win::DeleteFile("C:\\w\\keep.txt", true);
  EXPECT_FALSE(win::FileExists("C:\\w\\keep.txt"));

  // A link goes, its target stays.
  QFile outside(outside_ + "/data.txt");
  ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
  outside.close();
  Link(outside_ + "/data.txt", Host("w/data-link.txt"));
  win::DeleteFile("C:\\w\\data-link.txt");
  EXPECT_TRUE(QFileInfo::exists(outside_ + "/data.txt"));
}

TEST_F(FileSystemTest, DeleteFolderNeverFollowsLinks) {
  MakeFile("outside-data.txt");
  QFile precious(outside_ + "/precious.txt");
  ASSERT_TRUE(precious.open(QIODevice::WriteOnly));
  precious.write("keep");
  precious.close();

  MakeFile("tree/sub/.hidden", "h");
  MakeFile("tree/sub/ro.txt", "r");
  ASSERT_TRUE(win::SetFileAttributes("C:\\tree\\sub\\ro.txt", win::FILE_ATTRIBUTE_READONLY));
  Link(outside_, Host("tree/sub/to-outside"));
  Link(outside_ + "/precious.txt", Host("tree/file-link"));

  EXPECT_EQ(ErrorOf([] { win::DeleteFolder("C:\\tree"); }), vb::errPermissionDenied) << "read-only file without force";
  win::DeleteFolder("C:\\Tree\\", true);
  EXPECT_FALSE(QFileInfo::exists(Host("tree")));
  EXPECT_TRUE(QFileInfo::exists(Host("outside-data.txt")));
  QFile check(outside_ + "/precious.txt");
  ASSERT_TRUE(check.open(QIODevice::ReadOnly));
  EXPECT_EQ(check.readAll(), "keep");

  // A link named as the folder is removed itself.
  Link(outside_, Host("folder-link"));
  win::DeleteFolder("C:\\folder-link");
  EXPECT_FALSE(QFileInfo(Host("folder-link")).isSymLink());
  EXPECT_TRUE(QFileInfo::exists(outside_ + "/precious.txt"));

  EXPECT_EQ(ErrorOf([] { win::DeleteFolder("C:\\tree"); }), vb::errPathNotFound);
  EXPECT_EQ(ErrorOf([] { win::DeleteFolder("C:\\outside-data.txt"); }), vb::errPathNotFound);
  EXPECT_EQ(ErrorOf([] { win::DeleteFolder("C:\\"); }), vb::errPermissionDenied);
  EXPECT_TRUE(QFileInfo::exists(Host("outside-data.txt")));
}

TEST_F(FileSystemTest, PathsHoldingNulNameNothingAboveTheDrive) {
  // "C:\\..<NUL>": the host calls would stop at the NUL and act on the
  // folder above the drive root, whose tree holds the drive again.
  MakeFile("inside.txt", "x");
  const QString above = QStringLiteral("C:\\..") + QChar(u'\0');
  EXPECT_FALSE(win::FolderExists(above));
  EXPECT_FALSE(win::FileExists(QStringLiteral("C:\\inside.txt") + QChar(u'\0')));
  EXPECT_EQ(ErrorOf([&] { (void)win::FolderSize(above); }), vb::errPathNotFound);
  EXPECT_EQ(ErrorOf([&] { win::DeleteFolder(above, true); }), vb::errPathNotFound);
  EXPECT_EQ(ErrorOf([&] { win::DeleteFolder(above + QStringLiteral("\\c"), true); }),
            vb::errPathNotFound);
  EXPECT_TRUE(QFileInfo::exists(Host("inside.txt")));
  EXPECT_TRUE(QFileInfo::exists(outside_));
}

TEST_F(FileSystemTest, RemoveFolderTakesOnlyAnEmptyFolder) {
  MakeFile("full/x");
  QDir().mkpath(Host("empty"));
  EXPECT_EQ(ErrorOf([] { win::RemoveFolder("C:\\full"); }), vb::errPathFileAccessError);
  EXPECT_EQ(ErrorOf([] { win::RemoveFolder("C:\\nothing"); }), vb::errPathNotFound);
  win::RemoveFolder("C:\\empty");
  EXPECT_FALSE(QFileInfo::exists(Host("empty")));
}

TEST_F(FileSystemTest, CopyFileReplacesWholeAndKeepsTheTime) {
  MakeFile("src.txt", "new content");
  const struct timespec times[2] = {{1262304000, 0}, {1262304000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, Host("src.txt").toLocal8Bit().constData(), times, 0), 0);
  MakeFile("dest/src.txt", "old");

  EXPECT_EQ(ErrorOf([] { win::CopyFile("C:\\src.txt", "C:\\dest\\", false); }), vb::errFileAlreadyExists);
  EXPECT_EQ(Bytes("dest/src.txt"), "old");
  win::CopyFile("C:\\src.txt", "C:\\dest");  // an existing folder takes the source's name
  EXPECT_EQ(Bytes("dest/src.txt"), "new content");
  EXPECT_EQ(win::FileDateLastModified("C:\\dest\\src.txt"), win::FileDateLastModified("C:\\src.txt"));
  EXPECT_EQ(QDir(Host("dest")).entryList(QDir::Files | QDir::Hidden), QStringList({"src.txt"})) << "no stray sibling";

  ASSERT_TRUE(win::SetFileAttributes("C:\\dest\\src.txt", win::FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(ErrorOf([] { win::CopyFile("C:\\src.txt", "C:\\dest\\src.txt"); }), vb::errPermissionDenied);
  EXPECT_EQ(ErrorOf([] { win::CopyFile("C:\\none.txt", "C:\\x.txt"); }), vb::errFileNotFound);
  EXPECT_EQ(ErrorOf([] { win::CopyFile("C:\\src.txt", "C:\\no\\x.txt"); }), vb::errPathNotFound);
}

TEST_F(FileSystemTest, LeftoversOfAKilledCopyAreRemovedOnlyBesideTheirFile) {
  // What a copy killed before its rename leaves, beside unrelated names.
  MakeFile("dest/report.bin", "whole");
  for (const char* name : {".~report.bin.Ab3xZ9", ".~report.bin.000000", ".~report.bin.notes1x", ".~report.bin.Ab3x-9",
                           ".~other.bin.Ab3xZ9", "report.bin.Ab3xZ9"}) {
    MakeFile(QStringLiteral("dest/") + name, "part");
  }
  const QString longName = QString(70, u'n') + ".bin";  // the sibling keeps the first 60 characters
  MakeFile("dest/" + longName, "whole");
  MakeFile("dest/.~" + longName.left(60) + ".q1w2e3", "part");
  ASSERT_TRUE(QDir(Host("dest")).mkdir(".~report.bin.folder"));

  EXPECT_EQ(win::RemoveReplacementLeftovers("C:\\dest\\report.bin"), 2);
  EXPECT_EQ(win::RemoveReplacementLeftovers("C:\\dest\\" + longName), 1);
  EXPECT_EQ(win::RemoveReplacementLeftovers("C:\\nowhere\\report.bin"), 0);
  QStringList left = QDir(Host("dest")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  left.sort();
  QStringList expected{".~other.bin.Ab3xZ9", ".~report.bin.Ab3x-9", ".~report.bin.folder", ".~report.bin.notes1x",
                       longName, "report.bin", "report.bin.Ab3xZ9"};
  expected.sort();
  EXPECT_EQ(left, expected);
}

TEST_F(FileSystemTest, SizesAndTimes) {
  MakeFile("s/a.bin", QByteArray(1000, 'a'));
  MakeFile("s/deep/b.bin", QByteArray(24, 'b'));
  QFile big(outside_ + "/big.bin");
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  big.write(QByteArray(5000, 'x'));
  big.close();
  Link(outside_, Host("s/outside-link"));

  EXPECT_EQ(win::FileSize("C:\\s\\a.bin"), 1000);
  EXPECT_EQ(win::FileLen("C:\\s\\deep\\b.bin"), 24);
  EXPECT_EQ(win::FolderSize("C:\\s"), 1024) << "links are not followed";
  EXPECT_EQ(win::FileDateLastModified("C:\\s\\a.bin"), QFileInfo(Host("s/a.bin")).lastModified());
  EXPECT_EQ(win::FileDateLastModified("C:\\s\\a.bin").timeSpec(), Qt::LocalTime);
  EXPECT_EQ(win::FolderDateLastModified("C:\\s"), QFileInfo(Host("s")).lastModified());

  EXPECT_EQ(ErrorOf([] { (void)win::FileSize("C:\\s"); }), vb::errFileNotFound);
  EXPECT_EQ(ErrorOf([] { (void)win::FileDateLastModified("C:\\none"); }), vb::errFileNotFound);
  EXPECT_EQ(ErrorOf([] { (void)win::FolderSize("C:\\none"); }), vb::errPathNotFound);
  EXPECT_EQ(ErrorOf([] { (void)win::FolderDateLastModified("C:\\s\\a.bin"); }), vb::errPathNotFound);
}

TEST_F(FileSystemTest, WholeFileWritesReplaceAtomically) {
  MakeFile("settings.ini", "old");
  ASSERT_EQ(::chmod(Host("settings.ini").toLocal8Bit().constData(), 0640), 0);
  ASSERT_TRUE(win::SetFileAttributes("C:\\settings.ini", win::FILE_ATTRIBUTE_HIDDEN));
  win::WriteAllBytes("C:\\settings.ini", "new");
  EXPECT_EQ(win::ReadAllBytes("C:\\SETTINGS.INI"), "new");
  struct stat st {};
  ASSERT_EQ(::stat(Host("settings.ini").toLocal8Bit().constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u) << "the mode is kept";
  EXPECT_TRUE(win::GetAttr("C:\\settings.ini") & win::FILE_ATTRIBUTE_HIDDEN) << "the attributes are kept";
  EXPECT_EQ(QDir(c_).entryList(QDir::Files | QDir::Hidden), QStringList({"settings.ini"}));

  ASSERT_TRUE(win::SetFileAttributes("C:\\settings.ini", win::FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(ErrorOf([] { win::WriteAllBytes("C:\\settings.ini", "x"); }), vb::errPermissionDenied);
  EXPECT_EQ(ErrorOf([] { win::WriteAllBytes("C:\\no\\a.ini", "x"); }), vb::errPathNotFound);
  EXPECT_EQ(ErrorOf([] { (void)win::ReadAllBytes("C:\\none.ini"); }), vb::errFileNotFound);
  EXPECT_EQ(ErrorOf([] { (void)win::ReadAllBytes("C:\\no\\a.ini"); }), vb::errPathNotFound);
  EXPECT_EQ(win::ReadAllBytes("C:\\settings.ini"), "new");
}

TEST_F(FileSystemTest, AnOwnerOnlyFileIsNeverOpenToOthers) {
  // Even where new files would be open to everyone, and over an old file
  // that was: a reader who held the old file sees nothing of the new bytes.
  const mode_t mask = ::umask(0);
  MakeFile("secret.txt", "old");
  ASSERT_EQ(::chmod(Host("secret.txt").toLocal8Bit().constData(), 0644), 0);
  QFile reader(Host("secret.txt"));
  ASSERT_TRUE(reader.open(QIODevice::ReadOnly));
  win::WriteOwnerOnlyFile("C:\\secret.txt", "password\r\n");
  win::WriteOwnerOnlyFile("C:\\new.txt", "key");
  ::umask(mask);
  for (const char* name : {"secret.txt", "new.txt"}) {
    struct stat st {};
    ASSERT_EQ(::stat(Host(name).toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
  }
  EXPECT_EQ(reader.readAll(), "old");
  EXPECT_EQ(win::ReadAllBytes("C:\\secret.txt"), "password\r\n");
  EXPECT_EQ(QDir(c_).entryList(QDir::Files | QDir::Hidden), QStringList({"new.txt", "secret.txt"}));
  EXPECT_EQ(ErrorOf([] { win::WriteOwnerOnlyFile("C:\\no\\a.txt", "x"); }), vb::errPathNotFound);
}

TEST_F(FileSystemTest, FindFilesListsLikeTheLegacySearch) {
  MakeFile("f/noext", "12");
  MakeFile("f/B.txt");
  MakeFile("f/a.TXT");
  MakeFile("f/.hidden");
  QDir().mkpath(Host("f/Sub"));

  const win::FindResult all = win::FindFiles("C:\\f\\*.*");
  ASSERT_EQ(all.error, 0u);
  QStringList names;
  for (const win::FindData& d : all.entries) names << d.name;
  EXPECT_EQ(names, QStringList({".", "..", ".hidden", "a.TXT", "B.txt", "noext", "Sub"}));
  for (const win::FindData& d : all.entries) {
    if (d.name == "Sub") {
      EXPECT_EQ(d.attributes, win::FILE_ATTRIBUTE_DIRECTORY);
    }
    if (d.name == ".hidden") {
      EXPECT_TRUE(d.attributes & win::FILE_ATTRIBUTE_HIDDEN);
    }
    if (d.name == "noext") {
      EXPECT_EQ(d.size, 2);
      EXPECT_FALSE(d.IsFolder());
    }
  }

  const win::FindResult txt = win::FindFiles("C:\\F\\*.txt");
  ASSERT_EQ(txt.entries.size(), 2u);
  EXPECT_EQ(txt.entries[0].name, "a.TXT");

  const win::FindResult root = win::FindFiles("C:\\*");
  ASSERT_EQ(root.error, 0u);
  EXPECT_EQ(root.entries.front().name, "f") << "a drive root has no . and ..";

  EXPECT_EQ(win::FindFiles("C:\\f\\*.doc").error, win::kFileErrorFileNotFound);
  EXPECT_EQ(win::FindFiles("C:\\nope\\*").error, win::kFileErrorPathNotFound);
}

TEST(FilePatternTest, LegacyWildcards) {
  struct Row {
    const char* name;
    const char* pattern;
    bool match;
  };
  const Row rows[] = {
      {"a.txt", "*.*", true},        {"noext", "*.*", true},    {"noext", "noext.*", true},
      {"A.TXT", "a.t?t", true},      {"a.txt", "?.txt", true},  {"ab.txt", "?.txt", false},
      {"report", "*", true},         {"x.tmp", "*.txt", false}, {"Restore 1.txt", "* *.txt", true},
      {"a.txt.bak", "*.txt", false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(win::MatchesFilePattern(row.name, row.pattern), row.match) << row.name << " ~ " << row.pattern;
}

}  // namespace
