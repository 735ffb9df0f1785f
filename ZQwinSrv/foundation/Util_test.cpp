#include "ZQwinSrv/foundation/Util.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <QDir>

#include <gtest/gtest.h>

#include "ZQwinSrv/foundation/EngineMessages.h"
#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "platform/paths/WinPath.h"
#include "platform/ui/RecordingMessageBox.h"

namespace OrvaneSrv {
namespace {

const QString kMacTitle = "Orvane for Mac - Windows Restore";

// The engine prepared for the Mac restore program, with its message box
// recorded.
class UtilTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    SetProductTitle();
  }

  Util util_;
  win::RecordingMessageBox box_;
};

TEST_F(UtilTest, GetInfoFromKeyReadsTheFieldsOfARemoteKey) {
  const QString key = "17>Tue, 08 Dec 2026 10:00:00 GMT>1234>/users/u/Files/a b.txt>/users/u/Files/a%20b.txt";
  EXPECT_EQ(util_.GetInfoFromKey(1, key), "Tue, 08 Dec 2026 10:00:00 GMT");
  EXPECT_EQ(util_.GetInfoFromKey(2, key), "1234");
  EXPECT_EQ(util_.GetInfoFromKey(3, key), "/users/u/Files/a b.txt");
  EXPECT_EQ(util_.GetInfoFromKey(5, key), "/users/u/Files/a%20b.txt");
  EXPECT_EQ(util_.GetInfoFromKey(6, key), "");
  EXPECT_EQ(util_.GetInfoFromKey(0, key), "");
  EXPECT_EQ(util_.GetInfoFromKey(4, "1>d>10>C:\\a\\b.txt>C:\\a\\b.txt\\"), "b.txt");
  for (Integer type = 0; type <= 6; ++type) EXPECT_EQ(util_.GetInfoFromKey(type, "C:\\plain\\"), "C:\\plain\\");
  EXPECT_TRUE(TraceLines().isEmpty());
}

TEST_F(UtilTest, GetInfoFromKeyTracesAFieldTheKeyLacks) {
  const QString localKey = "2>12/08/2026>4096>C:\\Data\\";
  EXPECT_EQ(util_.GetInfoFromKey(3, localKey), "C:\\Data\\");
  EXPECT_EQ(util_.GetInfoFromKey(5, localKey), "");
  EXPECT_EQ(util_.GetInfoFromKey(4, localKey), "");
  EXPECT_EQ(TraceLines(), QStringList({"Error in GetInfoFromKey Subscript out of range",
                                       "Error in GetInfoFromKey Subscript out of range"}));
}

TEST_F(UtilTest, AMacNameHoldingGreaterThanSurvivesTheKey) {
  const QString path = "/users/u/Files/a>b <c>.txt";
  const QString raw = "/users/u/Files/a>b%20<c>.txt";
  const QString key = "3>date>77>" + EscapeKeyField(path) + ">" + EscapeKeyField(raw);
  EXPECT_EQ(key.count('>'), 4);
  EXPECT_EQ(util_.GetInfoFromKey(2, key), "77");
  EXPECT_EQ(util_.GetInfoFromKey(3, key), path);
  EXPECT_EQ(util_.GetInfoFromKey(5, key), raw);
  EXPECT_EQ(EscapeKeyField("a>b<c\\d"), QString("a") + QChar(0xE03E) + "b<c\\d");
}

TEST_F(UtilTest, ARefusedFileNameShowsItsMessage) {
  EXPECT_FALSE(util_.ValidateFileName("a:b"));
  ASSERT_EQ(box_.Shown().size(), 1u);
  EXPECT_EQ(box_.Shown()[0].text, GetMessageText(15));
  EXPECT_EQ(box_.Shown()[0].icon, win::MB_ICON_ERROR);
  EXPECT_EQ(box_.Shown()[0].style, win::MB_STYLE_OK);
  EXPECT_EQ(box_.Shown()[0].title, kMacTitle);

  box_.Clear();
  EXPECT_FALSE(util_.ValidateFileName("a:b", true));
  EXPECT_FALSE(util_.ValidateFileName("Encrypted_DATA", true));
  EXPECT_TRUE(box_.Shown().empty());
}

TEST_F(UtilTest, FileAndFolderNameRules) {
  struct Row {
    QString name;
    Long fileMessage;    // 0: ValidateFileName accepts it
    Long folderMessage;  // 0: ValidateFileFolderName accepts it
  };
  const Row rows[] = {
      {"", 0, 0},
      {"report 2026.txt", 0, 0},
      {"My Orvane", 14, 16},
      {"my orvane", 0, 0},
      {CurrentServiceHosts().sMainWebHost, 14, 16},
      {"Encrypted_DATA", 19, 0},
      {"Encrypted_Data2", 0, 0},
      {"a\"b", 15, 17},
      {"a|b", 15, 17},
      {"a>b", 15, 17},
      {"a<b", 15, 17},
      {"a?b", 15, 17},
      {"a*b", 15, 17},
      {"a:b", 15, 17},
      {"a\\b", 15, 0},
      {"a/b", 15, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name.toStdString());
    box_.Clear();
    EXPECT_EQ(util_.ValidateFileName(row.name), row.fileMessage == 0);
    EXPECT_EQ(util_.ValidateFileFolderName(row.name), row.folderMessage == 0);
    QStringList expected;
    if (row.fileMessage != 0) expected << GetMessageText(row.fileMessage);
    if (row.folderMessage != 0) expected << GetMessageText(row.folderMessage);
    QStringList shown;
    for (const win::MessageBoxRequest& request : box_.Shown()) shown << request.text;
    EXPECT_EQ(shown, expected);
  }
}

TEST_F(UtilTest, ValidateZipNameCompletesTheNameAndWritesItBack) {
  struct Row {
    QString in;
    bool encf, encfval;
    QString out;
  };
  const Row rows[] = {
      {"backup", false, false, "backup.zip"},
      {"backup.", false, false, "backup.zip"},
      {".zip", false, false, "Tessara.zip"},
      {".", false, false, "Tessara.zip"},
      {"", false, false, "tessara.zip"},
      {"x.ZIP", false, false, "x.ZIP"},
      {"x.zip", true, true, "Enc.x.zip"},
      {"Enc.x.zip", true, true, "Enc.x.zip"},
      {"Enc.x.zip", true, false, "x.zip"},
      {"Enc.x", false, false, "Enc.x.zip"},
  };
  for (const Row& row : rows) {
    QString name = row.in;
    EXPECT_EQ(util_.ValidateZipName(name, row.encf, row.encfval), row.out) << row.in.toStdString();
    EXPECT_EQ(name, row.out);
  }
  EXPECT_TRUE(box_.Shown().empty());

  QString refused = "a*b";
  EXPECT_EQ(util_.ValidateZipName(refused, false, false), "");
  EXPECT_EQ(refused, "a*b");
  ASSERT_EQ(box_.Shown().size(), 1u);
  EXPECT_EQ(box_.Shown()[0].text, GetMessageText(15));
}

TEST_F(UtilTest, ValidateMailidIsTheLooseSignInTest) {
  const std::pair<QString, bool> rows[] = {
      {"user@example.com", true}, {"@example.com", true},  {"u@ex.co", true},     {"u@.example.com", false},
      {"u@example", false},       {"u@e.", true},          {"u@.", false},        {"no-at.example.com", false},
      {"", false},                {"a.b@c", false},
  };
  for (const auto& [mail, valid] : rows) EXPECT_EQ(util_.ValidateMailid(mail), valid) << mail.toStdString();
}

TEST_F(UtilTest, ZipNamesFromTheClock) {
  EXPECT_EQ(util_.TodayZipFileName(), "Tuesday.zip");  // 8 December 2026
  EXPECT_EQ(util_.DateZipFileName(), "2612082359.zip");
  clock_.Set(QDateTime(QDate(2026, 12, 13), QTime(3, 5)));
  EXPECT_EQ(util_.TodayZipFileName(), "Sunday.zip");
  EXPECT_EQ(util_.DateZipFileName(), "26121335.zip");
}

TEST_F(UtilTest, PathPiecesAndSplits) {
  EXPECT_EQ(util_.PositionOfString("a/b/c", "/"), 4);
  EXPECT_EQ(util_.PositionOfString("abc", "/"), 0);
  EXPECT_EQ(util_.StringEndFolder("C:\\a\\b.txt", "\\"), "b.txt");
  EXPECT_EQ(util_.StringEndFolder("C:\\a\\", "\\"), "");
  EXPECT_EQ(util_.StringEndFolder("name", "\\"), "name");
  EXPECT_EQ(util_.StringEndFolder("a::b::c", "::"), "c");
  EXPECT_EQ(util_.ReplaceSection("C:\\a\\b", "\\", "/"), "C:/a/b");

  QStringList parts{"stale"};
  util_.SplitFullText("a>b>>c", ">", parts);
  EXPECT_EQ(parts, QStringList({"a", "b", "", "c"}));
  util_.SplitFullText("", ">", parts);
  EXPECT_TRUE(parts.isEmpty());
}

TEST_F(UtilTest, GetRsycListoutputSplitsOneListLine) {
  QString name = "x", size = "x", modified = "x";
  util_.GetRsycListoutput("drwxr-xr-x          4,096 2026/12/08 23:59:29 My Folder", name, size, modified);
  EXPECT_EQ(size, "4,096");
  EXPECT_EQ(modified, "2026/12/08 23:59:29");
  EXPECT_EQ(name, "My Folder");

  util_.GetRsycListoutput("-rw-r--r--  12 2026/01/02 03:04:05 a  b.txt", name, size, modified);
  EXPECT_EQ(size, "12");
  EXPECT_EQ(modified, "2026/01/02 03:04:05");
  EXPECT_EQ(name, "a  b.txt");

  util_.GetRsycListoutput("noblank", name, size, modified);
  EXPECT_EQ(name + size + modified, "");
}

TEST_F(UtilTest, WriteProbeLeavesTheUsersFilesAlone) {
  WriteBytes("Dest/tmp.mtp", "the user's own file");
  EXPECT_TRUE(util_.CheckForWriteAccessPermission("C:\\Dest\\"));
  EXPECT_EQ(Bytes("Dest/tmp.mtp"), "the user's own file");
  EXPECT_EQ(QDir(Host("Dest")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList({"tmp.mtp"}));
  EXPECT_TRUE(TraceLines().isEmpty());
}

TEST_F(UtilTest, WriteProbeRefusals) {
  // D: has no medium: its root is missing.
  win::DriveTable table = win::CurrentDriveTable();
  table.Map(u'D', tmp_.path() + "/no-medium");
  win::ScopedDriveTable drives(table);

  EXPECT_FALSE(util_.CheckForWriteAccessPermission(""));
  EXPECT_FALSE(util_.CheckForWriteAccessPermission("D:\\Restore\\"));
  EXPECT_TRUE(TraceLines().isEmpty());
  EXPECT_FALSE(QFileInfo::exists(tmp_.path() + "/no-medium"));

  EXPECT_FALSE(util_.CheckForWriteAccessPermission("C:\\Missing\\"));
  EXPECT_FALSE(util_.CheckForWriteAccessPermission("Q:\\Restore\\"));
  const QStringList trace = TraceLines();
  ASSERT_EQ(trace.size(), 2);
  EXPECT_EQ(trace[0], "Error in CheckForWriteAccessPermission Path not found");
  EXPECT_EQ(trace[1], "Error in CheckForWriteAccessPermission Device unavailable");
}

TEST_F(UtilTest, TheEngineUsesOneUtil) {
  EXPECT_EQ(&gUtil(), &gUtil());
  EXPECT_EQ(util_.TypeName(), "Util");
}

}  // namespace
}  // namespace OrvaneSrv
