#include "ZQwinSrv/foundation/LocalFolders.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "ZQwinSrv/foundation/Transfer.h"
#include "platform/files/FileAttributes.h"
#include "platform/paths/WinPath.h"

namespace OrvaneSrv {
namespace {

QStringList Texts(const vb::CollectionPtr& collection) {
  QStringList texts;
  for (const vb::Variant& item : *collection) texts << item.ToString();
  return texts;
}

class LocalFoldersTest : public EngineTest {
 protected:
  // A dangling link counts as existing.
  bool Exists(const QString& relative) const {
    const QFileInfo info(Host(relative));
    return info.exists() || info.isSymLink();
  }
  void Link(const QString& target, const QString& link) const {
    ASSERT_TRUE(QFile::link(Host(target), Host(link)));
  }
  QString TransferLog() const {
    const QByteArray bytes = Bytes("Prog/OrvaneMac/OrvaneLogFile.txt").mid(2);
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
  }

  Transfer transfer_;
};

TEST_F(LocalFoldersTest, RemovesATreeWithReadOnlyAndHiddenEntries) {
  for (const QString& path : {QString("C:\\Prog\\ORVANETEMP\\"), QString("C:\\Prog\\ORVANETEMP")}) {
    WriteBytes("Prog/ORVANETEMP/locked.txt", "x");
    WriteBytes("Prog/ORVANETEMP/.hidden", "x");
    WriteBytes("Prog/ORVANETEMP/sub/deep/b.txt", "x");
    win::SetAttr("C:\\Prog\\ORVANETEMP\\locked.txt", win::FILE_ATTRIBUTE_READONLY);
    win::SetAttr("C:\\Prog\\ORVANETEMP\\sub", win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM);

    EXPECT_TRUE(transfer_.Trf_RemoveLocalDir(path)) << path.toStdString();
    EXPECT_FALSE(Exists("Prog/ORVANETEMP")) << path.toStdString();
  }
  // The relative name of the disconnect: the folder under the current folder.
  WriteBytes("Prog/ORVANETEMP/a.txt", "x");
  ASSERT_TRUE(win::ChDir("C:\\Prog"));
  EXPECT_TRUE(transfer_.Trf_RemoveLocalDir("ORVANETEMP"));
  EXPECT_FALSE(Exists("Prog/ORVANETEMP"));
  EXPECT_TRUE(Exists("Prog/OrvaneMac"));
  // Nothing to remove is no failure.
  EXPECT_TRUE(transfer_.Trf_RemoveLocalDir("C:\\Prog\\ORVANETEMP"));
}

TEST_F(LocalFoldersTest, LinksAreRemovedNeverFollowed) {
  WriteBytes("Keep/k.txt", "kept");
  WriteBytes("Work/own.txt", "x");
  Link("Keep", "Work/folder-link");
  Link("Keep/k.txt", "Work/file-link");
  Link("Gone", "Work/dangling");
  Link("Keep", "Alias");

  EXPECT_TRUE(transfer_.Trf_RemoveLocalDir("C:\\Work"));
  EXPECT_FALSE(Exists("Work"));
  EXPECT_TRUE(transfer_.Trf_RemoveLocalDir("C:\\Alias\\"));
  EXPECT_FALSE(Exists("Alias"));

  EXPECT_EQ(Bytes("Keep/k.txt"), "kept");
  EXPECT_EQ(win::GetAttr("C:\\Keep\\k.txt") & win::FILE_ATTRIBUTE_READONLY, 0);
}

TEST_F(LocalFoldersTest, RefusesRootsAndEmptyNames) {
  WriteBytes("Prog/keep.txt", "x");
  ASSERT_TRUE(win::ChDir("C:\\Prog"));
  for (const QString& path : {QString(""), QString("   "), QString("\\"), QString("C:\\"), QString("C:"),
                              QString("C:\\Prog\\.."), QString("..")}) {
    EXPECT_FALSE(transfer_.Trf_RemoveLocalDir(path)) << path.toStdString();
  }
  EXPECT_EQ(Bytes("Prog/keep.txt"), "x");
  const QStringList trace = TraceLines();
  ASSERT_EQ(trace.size(), 7);
  EXPECT_EQ(trace[0], "Trf_RemoveLocalDir refused '': empty folder name");
  EXPECT_EQ(trace[3], "Trf_RemoveLocalDir refused 'C:': drive root");

  // A drive whose root is the host's root (only asked, never removed).
  win::DriveTable table = win::CurrentDriveTable();
  table.Map(u'Y', "/");
  win::ScopedDriveTable drives(table);
  EXPECT_FALSE(RefuseFolderRemoval("Y:\\").isEmpty());
  EXPECT_FALSE(RefuseFolderRemoval("Y:\\tmp\\..").isEmpty());
  EXPECT_TRUE(RefuseFolderRemoval("Y:\\tmp").isEmpty());
}

TEST_F(LocalFoldersTest, CreatesEveryFolderOfAPath) {
  transfer_.Trf_CreateLocalDir("C:\\a\\b\\c");
  EXPECT_TRUE(QFileInfo(Host("a/b/c")).isDir());
  transfer_.Trf_CreateLocalDir("C:\\a\\x\\");
  EXPECT_TRUE(QFileInfo(Host("a/x")).isDir());
  EXPECT_TRUE(TransferLog().isEmpty());

  WriteBytes("f", "a file in the way");
  transfer_.Trf_CreateLocalDir("C:\\f\\g\\h");
  EXPECT_EQ(TransferLog(),
            "Error       : 12/08/2026 23:59:29 : Error creating local directory 'C:\\f\\', reason : File already "
            "exists\r\n");
  EXPECT_EQ(Bytes("f"), "a file in the way");
}

TEST_F(LocalFoldersTest, EmptiesTheEngineCollections) {
  auto programSet = std::make_shared<vb::Collection>();
  programSet->Add(QString("D_/users/u/Files/a/"));
  programSet->Add(QString("F_/users/u/Files/b.txt"));
  Engine().gcolRestoreItems = programSet;
  transfer_.Trf_ClearEnumRestoreItemSet();
  EXPECT_EQ(programSet->Count(), 0);

  transfer_.Trf_ClearEnumRemoteDirContent();  // never created: traced, no exit line

  vb::CollectionPtr given = std::make_shared<vb::Collection>();
  given->Add(1);
  transfer_.Trf_ClearEnum(given);
  EXPECT_EQ(given->Count(), 0);

  transfer_.Trf_ClearEnumBackupItemSet();
  transfer_.Trf_ClearEnumLocalDirContent();
  ASSERT_TRUE(Engine().gcolEnumBackupItems);
  ASSERT_TRUE(Engine().gcolEnumLocalDirContent);

  EXPECT_EQ(TraceLines(),
            QStringList({"Enter Trf_ClearEnumRestoreItemSet()", "Exit Trf_ClearEnumRestoreItemSet()",
                         "Enter Trf_ClearEnumRemoteDirContent()",
                         "Error in Trf_ClearEnumRemoteDirContent 91 Object variable or With block variable not set",
                         "Enter Trf_ClearEnum()", "Exit Trf_ClearEnum()"}));
}

TEST_F(LocalFoldersTest, ReadsTheIncludeListOfTheApplicationOrTheUser) {
  Items(Engine().gcolIncludeItems)->Add(QString("*stale"));
  WriteBytes("Prog/OrvaneMac/bob/include.txt", Bom() + Utf16("  *.doc \r\n\r\n   \r\nreport x.txt\r\n"));
  transfer_.readIncludeFile("include.txt", " bob ");
  EXPECT_EQ(Texts(Engine().gcolIncludeItems), QStringList({"**.doc", "*report x.txt"}));

  WriteBytes("Prog/OrvaneMac/include.txt", Bom() + Utf16("*.pdf"));
  transfer_.readIncludeFile("include.txt", "bob");
  EXPECT_EQ(Texts(Engine().gcolIncludeItems), QStringList({"**.pdf"}));

  transfer_.readIncludeFile("missing.txt", "bob");
  EXPECT_TRUE(Texts(Engine().gcolIncludeItems).isEmpty());
  EXPECT_EQ(TraceLines(), QStringList({"Path of the include file C:\\Prog\\OrvaneMac\\bob\\include.txt",
                                       "Path of the include file C:\\Prog\\OrvaneMac\\include.txt"}));
}

TEST_F(LocalFoldersTest, SmallMembers) {
  QString text = QString("ab") + QChar(0) + "cd";
  EXPECT_EQ(transfer_.StripNulls(text), "ab");
  EXPECT_EQ(text, "ab");
  QString plain = "plain";
  EXPECT_EQ(transfer_.StripNulls(plain), "plain");

  EXPECT_FALSE(transfer_.NoItemAutoZqWin());
  transfer_.NoItemAutoZqWin(true);
  EXPECT_TRUE(transfer_.NoItemAutoZqWin());

  Engine().gbQuotaFull = true;
  transfer_.Trf_UpdateTessaraDiskInfo();
  EXPECT_FALSE(Engine().gbQuotaFull);
}

TEST(QuotaIsFull, UsedAtOrAboveANonZeroTotal) {
  const std::pair<QString, bool> rows[] = {
      {"100/100", true}, {"101/100", true}, {"99/100", false}, {"5/0", false}, {"0", false},
      {"", false},       {"100", false},    {"/", false},      {"7/5/9", true},
  };
  for (const auto& [text, full] : rows) EXPECT_EQ(QuotaIsFull(text), full) << text.toStdString();
}

}  // namespace
}  // namespace OrvaneSrv
