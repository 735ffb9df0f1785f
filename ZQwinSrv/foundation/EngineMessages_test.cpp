#include "ZQwinSrv/foundation/EngineMessages.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <climits>

#include "platform/msgtable/MessageTable.h"
#include "platform/msgtable/MessageTableWriter.h"
#include "platform/paths/WinPath.h"

namespace OrvaneSrv {
namespace {

// The engine fixture with a folder of its own for the message tables a test
// ships.
class EngineMessagesTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_TRUE(QDir().mkpath(tmp_.path() + "/tables"));
  }

  // Ships `bytes` as the message table of "<name>.dll" in the searched folder.
  void ShipTable(const QString& name, const QByteArray& bytes) {
    WriteBytes("tables/" + name + ".dll.msgtable", bytes);
  }
  QStringList TableFolders() const { return {tmp_.path() + "/tables"}; }
};

TEST(GetMessageText, EngineTextsAndSharedCodes) {
  EXPECT_EQ(GetMessageText(1), "Unable to continue the restore operation, Reason : ");
  EXPECT_EQ(GetMessageText(3), "Unable to perform the restore operation  \r\n Reason:");
  EXPECT_EQ(GetMessageText(4), "Unable to perform the restore operation. Reason:");
  EXPECT_EQ(GetMessageText(5), "\r\n destination file/folder might not have write permission.");
  EXPECT_EQ(GetMessageText(8), "Re-install the application\r\n");
  EXPECT_EQ(GetMessageText(12), ",\r\n destination file/folder might not have write permission.");
  EXPECT_EQ(GetMessageText(13),
            "One or more Encrypted Files Could not be decrypted. \r\nReason : Encryption password was missing."
            "\r\n\r\nClick ok to enter the Encryption key.");
  EXPECT_EQ(GetMessageText(15), "You are not allowed to use these special characters   /, \\,:, *, |, <, >,\"  ");
  EXPECT_EQ(GetMessageText(16), " Invalid File/Folder Name. ");
  EXPECT_EQ(GetMessageText(19),
            "Provide a different name as this is the default name for the encrypted backup folder.");

  EXPECT_EQ(GetMessageText(6), GetMessageText(3));
  EXPECT_EQ(GetMessageText(7), GetMessageText(4));
  EXPECT_EQ(GetMessageText(17), GetMessageText(15));
  for (Long code = 1; code <= 19; ++code) EXPECT_FALSE(GetMessageText(code).isEmpty()) << code;
  for (Long code : {0, 20, -1, -15, INT_MIN, INT_MAX}) EXPECT_EQ(GetMessageText(code), "") << code;
}

TEST(GetFileErrorText, TextsOnlyForTheListedNumbers) {
  const std::pair<Long, const char*> texts[] = {
      {52, "Bad file name or number."}, {53, "File not found."},    {54, "Bad file mode."},
      {55, "File already open."},       {57, "Device I/O error."},  {68, "Device unavailable."},
      {70, "Permission Denied."},       {71, "Disk Not Ready."},    {75, "Path/File Access Error."},
      {76, "Path not found."},
  };
  for (const auto& [code, text] : texts) EXPECT_EQ(GetFileErrorText(code), text) << code;
  for (Long code : {0, 51, 56, 58, 61, 67, 69, 72, 74, 77, -53}) EXPECT_EQ(GetFileErrorText(code), "") << code;
}

TEST(TrimNULL, CutsAtTheFirstNul) {
  EXPECT_EQ(TrimNULL("abc"), "abc");
  EXPECT_EQ(TrimNULL(""), "");
  EXPECT_EQ(TrimNULL(QString(QChar(0)) + "abc"), "");
  EXPECT_EQ(TrimNULL(QString("ab") + QChar(0) + "c" + QChar(0)), "ab");
}

TEST_F(EngineMessagesTest, ShippedInternetTextsKeepTheirLineEnd) {
  EXPECT_EQ(FormatMessageFromModule("wininet.dll", 12002), "The operation timed out.\r\n");
  EXPECT_EQ(FormatMessageFromModule("C:\\WINDOWS\\system32\\WININET.DLL", 12029),
            "The connection to the server could not be made.\r\n");
  // No entry (12057 is left out of the table on purpose; 404 lies in no
  // block): "" and no trace line.
  EXPECT_EQ(FormatMessageFromModule("wininet.dll", 12057), "");
  EXPECT_EQ(FormatMessageFromModule("wininet.dll", 404), "");
  EXPECT_EQ(FormatMessageFromModule("wininet.dll", -1), "");
  EXPECT_TRUE(TraceLines().isEmpty());
}

TEST_F(EngineMessagesTest, ReadsUnicodeAndEightBitEntriesAcrossBlocks) {
  win::MessageEntry latin{7, QStringLiteral("Caf\u00e9 ferm\u00e9\r\n"), false};
  win::MessageEntry cut{8, QString("before") + QChar(0) + "after", true};
  win::MessageEntry far{300, QStringLiteral("far away"), true};
  ShipTable("texts", win::BuildMessageTable({latin, cut, far}));
  win::ScopedMessageTableFolders folders(TableFolders());

  EXPECT_EQ(FormatMessageFromModule("texts.dll", 7), QStringLiteral("Caf\u00e9 ferm\u00e9\r\n"));
  EXPECT_EQ(FormatMessageFromModule("texts", 8), "before");
  EXPECT_EQ(FormatMessageFromModule("texts.dll", 300), "far away");
  EXPECT_EQ(FormatMessageFromModule("texts.dll", 9), "");
  EXPECT_TRUE(TraceLines().isEmpty());
}

TEST_F(EngineMessagesTest, MissingModuleGivesEmptyTextWithoutTrace) {
  win::ScopedMessageTableFolders folders(TableFolders());
  EXPECT_EQ(FormatMessageFromModule("nosuch.dll", 1), "");
  EXPECT_TRUE(TraceLines().isEmpty());
}

TEST_F(EngineMessagesTest, ModuleWithoutUsableTableWritesOneTraceLine) {
  // A module with no message table, one whose table has no blocks, and one
  // whose block points past the end of its bytes.
  ShipTable("notable", QByteArray());
  ShipTable("noblocks", QByteArray(4, '\0'));
  QByteArray damaged = win::BuildMessageTable({{5, QStringLiteral("x"), true}});
  damaged[12] = '\x7F';  // offset of the block's first entry
  ShipTable("damaged", damaged);
  win::ScopedMessageTableFolders folders(TableFolders());

  EXPECT_EQ(FormatMessageFromModule("notable.dll", 1), "");
  EXPECT_EQ(FormatMessageFromModule("noblocks.dll", 1), "");
  EXPECT_EQ(FormatMessageFromModule("damaged.dll", 5), "");
  // The trace file drops the blank after the empty description.
  EXPECT_EQ(TraceLines(), QStringList({"Error in FormatMessageFromModule", "Error in FormatMessageFromModule",
                                       "Error in FormatMessageFromModule Subscript out of range"}));
}

TEST_F(EngineMessagesTest, EmptyEntryIsSteppedOverAndALaterBlockAnswers) {
  // Block 1 holds ids 1-3, all entries of length 0 (the walk cannot move);
  // block 2 holds id 2 again with a text.
  QByteArray table;
  auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) table.append(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  for (std::uint32_t v : {2u, 1u, 3u, 28u, 2u, 2u, 32u}) u32(v);  // two blocks {low, high, offset}
  u32(0);                               // offset 28: length 0, flags 0
  table.append("\x10\x00\x01\x00", 4);  // offset 32: length 16, UTF-16
  table.append(reinterpret_cast<const char*>(u"hello"), 10);
  table.append(2, '\0');
  ShipTable("gaps", table);
  win::ScopedMessageTableFolders folders(TableFolders());

  EXPECT_EQ(FormatMessageFromModule("gaps.dll", 2), "hello");
  EXPECT_EQ(FormatMessageFromModule("gaps.dll", 3), "");
  EXPECT_TRUE(TraceLines().isEmpty());
}

TEST_F(EngineMessagesTest, ProductTitleFollowsTheTrimmedApplicationWord) {
  Engine().gsAppWord = "  OrvaneMac  ";
  SetProductTitle();
  EXPECT_EQ(Engine().gsMsgBoxTitle, "Orvane for Mac - Windows Restore");

  Engine().gsAppWord = "OrvaneWP";
  SetProductTitle();
  EXPECT_EQ(Engine().gsMsgBoxTitle, "Orvane for WordPress - Windows Restore");

  Engine().gsAppWord = "orvanemac";  // compared exactly: the title stays
  SetProductTitle();
  EXPECT_EQ(Engine().gsMsgBoxTitle, "Orvane for WordPress - Windows Restore");
}

}  // namespace
}  // namespace OrvaneSrv
