#include "ZQwinSrv/foundation/TextHelpers.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

#include "platform/clock/Clock.h"
#include "platform/clock/FakeClock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/paths/WinPath.h"
#include "platform/text/UserLocale.h"

namespace OrvaneSrv {
namespace {

QString Nul() { return QString(QChar(0)); }

// The engine fixture with the locale pinned to English (US).
class TextHelpersTest : public EngineTest {
 protected:
  QString ReadUtf16(const QString& relative) const {
    const QByteArray bytes = Bytes(relative).mid(2);  // byte-order mark
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
  }

  vb::ScopedUserLocale locale_{vb::UserLocale::EnglishUS()};
};

TEST(StripNull, CutsAtTheEarlierOfCrAndNul) {
  const std::pair<QString, QString> rows[] = {
      {"plain", "plain"},
      {"", ""},
      {"\rkept", "\rkept"},                        // a CR in the first place stays
      {"ab" + Nul() + "cd", "ab"},
      {"line\r\nnext", "line"},
      {"ab" + Nul() + "c\rd", "ab"},
      {"abc\rd" + Nul(), "abc"},
      {"\r" + Nul() + "x", "\r"},
      {Nul() + "x", ""},
  };
  for (const auto& [in, out] : rows) EXPECT_EQ(StripNull(in), out) << in.toStdString();
}

TEST(ReplaceSection, ReplacesWholeOccurrencesLeftToRight) {
  struct Row {
    QString text, find, with, expected;
  };
  const Row rows[] = {
      {"C:\\Data\\My Files\\", "\\", "/", "C:/Data/My Files/"},
      {"C:", ":", "", "C"},
      {"/a/", "/", "\\", "\\a\\"},
      {"2010-09-15", "-", "/", "2010/09/15"},
      {"no match", "/", "\\", "no match"},
      {"", "/", "\\", ""},
      {"///", "//", "/", "//"},        // replaced text is never searched again
      {"a//b////c", "//", "/", "a/b//c"},
      {"abcabc", "bc", "X", "aXaX"},
      {"a/b", "/", "//", "a//b"},
      {"a\"b\"", "\"", "", "ab"},
      {"text", "", "X", "text"},       // nothing to look for
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ReplaceSection(r.text, r.find, r.with), r.expected)
        << r.text.toStdString() << " / " << r.find.toStdString();
  }
}

TEST(ReplaceSection, LongTextsDoNotOverflow) {
  // The legacy 16-bit positions failed past character 32767.
  const QString text = QString(40000, u'x') + "\\end\\";
  EXPECT_EQ(ReplaceSection(text, "\\", "/"), QString(40000, u'x') + "/end/");
}

TEST(PositionOfString, LastOccurrence) {
  EXPECT_EQ(PositionOfString("a/b/c", "/"), 4);
  EXPECT_EQ(PositionOfString("/", "/"), 1);
  EXPECT_EQ(PositionOfString("abc", "/"), 0);
  EXPECT_EQ(PositionOfString("", "/"), 0);
  EXPECT_EQ(PositionOfString("abc", ""), 0);
  EXPECT_EQ(PositionOfString("aaa", "aa"), 2);  // overlapping matches count
  EXPECT_EQ(PositionOfString(QString(39998, u'x') + "/x", "/"), 39999);
}

TEST(GetRemotePath, PartAfterTheAccountRoot) {
  const std::pair<QString, QString> rows[] = {
      {"/users/bob/Files/", ""},
      {"/users/bob/Files/Docs/a.txt", "Docs/a.txt"},
      {"/users/bob/Files/x/Files/y", "x/Files/y"},   // the first "/Files/" counts
      {"/users/bob/files/x", "/bob/files/x"},        // case-sensitive: from the 7th character
      {"/users", ""},
      {"", ""},
  };
  for (const auto& [in, out] : rows) EXPECT_EQ(GetRemotePath(in), out) << in.toStdString();
  const QString deep = QString(40000, u'd');
  EXPECT_EQ(GetRemotePath("/users/bob/Files/" + deep), deep);
}

TEST(GetProperSizeValue, UnitsAndTwoDecimalsInTheUserFormat) {
  vb::ScopedUserLocale us(vb::UserLocale::EnglishUS());
  struct Row {
    double size;
    bool bits;
    const char* expected;
  };
  const Row rows[] = {
      {0, false, "0.00 B"},
      {1024, false, "1,024.00 B"},
      {1025, false, "1.00 KB"},
      {1536, true, "12.00 Kb"},
      {1048576, false, "1,024.00 KB"},
      {1048577, false, "1.00 MB"},
      {1572864, true, "12.00 Mb"},
      {1073741824, false, "1,024.00 MB"},
      {1610612736, false, "1.50 GB"},
      {5368709120.0, true, "40.00 Gb"},
      {100, true, "800.00 b"},
  };
  for (const Row& r : rows) EXPECT_EQ(GetProperSizeValue(r.size, r.bits), r.expected) << r.size;

  vb::UserLocale german = vb::UserLocale::EnglishUS();
  german.decimalSeparator = ",";
  german.thousandSeparator = ".";
  german.leadingZero = false;
  vb::ScopedUserLocale de(german);
  EXPECT_EQ(GetProperSizeValue(1048576, false), "1.024,00 KB");
  EXPECT_EQ(GetProperSizeValue(0.5, false), ",50 B");
}

TEST_F(TextHelpersTest, CountersResetAndRead) {
  EngineState& e = Engine();
  e.gdFilesConsidered = 1;
  e.gdFilesRestored = 2;
  e.gdFilesFailed = 3;
  e.gdFilesSkipped = 4;
  e.gdSummaryTotal = 5;
  e.gdSummarySuccess = 6;
  e.gdSummaryFailed = 7;
  EXPECT_EQ(GetTotalCount(), 5);
  EXPECT_EQ(GetSucessCount(), 6);

  ResetTransferCounters();
  EXPECT_EQ(e.gdFilesConsidered + e.gdFilesRestored + e.gdFilesFailed + e.gdFilesSkipped, 0);
  EXPECT_EQ(e.gdSummaryTotal, 5);  // the summary is a separate set

  ResetSummaryCounters();
  EXPECT_EQ(e.gdSummaryTotal + e.gdSummarySuccess + e.gdSummaryFailed, 0);
  EXPECT_EQ(GetTotalCount(), 0);
  EXPECT_EQ(GetSucessCount(), 0);
}

TEST_F(TextHelpersTest, MirrorFolderPathCreatesEachPartAndSkipsEmptyOnes) {
  ASSERT_TRUE(QDir().mkpath(Host("Base/a")));
  EXPECT_EQ(CretateMirrorFolderPath("a\\b\\\\c\\ \\", "C:\\Base"), "C:\\Base\\a\\b\\c\\");
  EXPECT_TRUE(QFileInfo(Host("Base/a/b/c")).isDir());
  EXPECT_EQ(CretateMirrorFolderPath("OrvaneInt", "C:\\Base\\"), "C:\\Base\\OrvaneInt\\");
  EXPECT_TRUE(QFileInfo(Host("Base/OrvaneInt")).isDir());
  EXPECT_EQ(CretateMirrorFolderPath("", "C:\\Base"), "C:\\Base\\");
  EXPECT_TRUE(TraceLines().isEmpty());
  EXPECT_FALSE(Engine().gbRestoreFailed);
}

TEST_F(TextHelpersTest, MirrorFolderFailureStopsTheRestoreOnce) {
  // A file stands where a folder of the path belongs.
  ASSERT_TRUE(QDir().mkpath(Host("Base")));
  QFile blocker(Host("Base/a"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();

  EXPECT_EQ(CretateMirrorFolderPath("a\\b", "C:\\Base"), "");
  EXPECT_TRUE(Engine().gbRestoreFailed);
  EXPECT_EQ(TraceLines(),
            QStringList({"Error while creating folder in the function CretateMirrorFolderPath File already exists 58",
                         "Unable to access the Open file Backup temporary location, reason : File already exists"}));
  EXPECT_EQ(ReadUtf16("Prog/OrvaneMac/OrvaneLogFile.txt"),
            "Information : 12/08/2026 23:59:29 : Operation aborted for Open file Backup, Reason : Unable to access "
            "the Open file Backup temporary location.\r\n");

  // Once the restore is marked failed, only the first trace line follows.
  EXPECT_EQ(CretateMirrorFolderPath("a\\b", "C:\\Base"), "");
  EXPECT_EQ(TraceLines().size(), 3);
  EXPECT_EQ(ReadUtf16("Prog/OrvaneMac/OrvaneLogFile.txt").count("Operation aborted"), 1);
}

TEST(Utf8, ConvertsBothWays) {
  EXPECT_TRUE(ToUtf8("").isEmpty());
  EXPECT_EQ(ToUtf8(QStringLiteral("a\u00e9\u65e5")), QByteArray("a\xC3\xA9\xE6\x97\xA5"));
  EXPECT_EQ(FromUtf8(QByteArray("a")), "a");
  EXPECT_EQ(FromUtf8(QByteArray()), "");
  EXPECT_EQ(FromUtf8(QByteArray("a\xC3\xA9\xE6\x97\xA5")), QStringLiteral("a\u00e9\u65e5"));
}

TEST(MaskNonAnsiChars, ReplacesCodesFrom129On) {
  QString low;
  for (int c = 0; c <= 128; ++c) low.append(QChar(c));
  EXPECT_EQ(MaskNonAnsiChars(low), low);
  EXPECT_EQ(MaskNonAnsiChars(QStringLiteral("Caf\u00e9 \u0081\u8000\uffff")), "CafA AAA");
}

TEST(LogName, ControlCharactersShowAsTheirEscapes) {
  const std::pair<QString, QString> rows[] = {
      {"plain name.txt", "plain name.txt"},
      {QString::fromUtf8("r\xc3\xa9sum\xc3\xa9 \xe6\x97\xa5.txt"), QString::fromUtf8("r\xc3\xa9sum\xc3\xa9 \xe6\x97\xa5.txt")},
      {"a\nb", "a\\#012b"},
      {"a\r\nb\t", "a\\#015\\#012b\\#011"},
      {QString("nul") + QChar(0) + QChar(0x7F), "nul\\#000\\#177"},
      {QString("nel") + QChar(0x85), "nel\\#302\\#205"},
      {QString("line") + QChar(0x2028), "line\\#342\\#200\\#250"},
  };
  for (const auto& [name, shown] : rows) EXPECT_EQ(LogName(name), shown) << shown.toStdString();
}

TEST_F(TextHelpersTest, TempPathsAtTheProgramDriveRoot) {
  QString work;
  GetTempPaths(work);
  EXPECT_EQ(work, "C:\\OrvaneInt");
  EXPECT_TRUE(QFileInfo(Host("OrvaneInt/ORVANETEMP")).isDir());

  ASSERT_TRUE(QDir(Host("OrvaneInt/ORVANETEMP")).removeRecursively());
  GetTempPaths(work);
  EXPECT_TRUE(QFileInfo(Host("OrvaneInt/ORVANETEMP")).isDir());

  // Failures reach the caller: the rsync runs report them.
  Engine().gsAppPath = "Q:\\Prog\\";
  EXPECT_THROW(GetTempPaths(work), vb::RuntimeError);
}

TEST_F(TextHelpersTest, ClearBacksetDataEmptiesLargeCollections) {
  auto items = std::make_shared<vb::Collection>();
  for (int i = 0; i < 40000; ++i) items->Add(vb::Variant(QString::number(i)));
  ClearBacksetData(items);
  EXPECT_EQ(items->Count(), 0);

  ClearBacksetData(items);  // already empty: nothing happens
  EXPECT_EQ(items->Count(), 0);

  // The engine's own collections are emptied in place.
  Items(Engine().gcolEnumSnapshots)->Add(vb::Variant(QStringLiteral("1>x>4096>/a/>/a/")));
  const vb::CollectionPtr before = Engine().gcolEnumSnapshots;
  ClearBacksetData(Items(Engine().gcolEnumSnapshots));
  EXPECT_EQ(Engine().gcolEnumSnapshots, before);
  EXPECT_EQ(before->Count(), 0);
  EXPECT_TRUE(TraceLines().isEmpty());

  ClearBacksetData(nullptr);
  EXPECT_EQ(TraceLines(), QStringList({"ClearBacksetData Object variable or With block variable not set"}));
}

}  // namespace
}  // namespace OrvaneSrv
