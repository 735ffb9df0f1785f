// The search's reading of the engine's listing and its matching of keys.
#include "program/main/SearchResultFile.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include "platform/text/Format.h"
#include "program/foundation/ProgramTestFixture.h"

namespace OrvaneMac {
namespace {

// A listing line in the client's fixed columns.
QString Line(QChar type, const QString& size, const QString& date, const QString& name) {
  return QString(type) + QStringLiteral("rw-r--r-- ") + size.rightJustified(11) + u' ' + date + u' ' + name;
}

class SearchResultFileTest : public ProgramTest {};

TEST_F(SearchResultFileTest, KeysMatchThePathAsWildcardsWithoutRegardToCase) {
  struct Case {
    const char* path;
    const char* key;
    bool topLevel;
    bool match;
  };
  const Case cases[] = {
      {"sub/b.txt", "sub", false, true},  // a subfolder's name lists what lies below it
      {"Grüße aus Köln.txt", "grü", false, true},
      {"Grüße aus Köln.txt", "GRÜSSE", false, false},
      {"a word.txt", " word ", false, true},  // leading blank stays, trailing one goes
      {"aword.txt", " word ", false, false},
      {"/aword.txt", " word ", true, true},  // top-level files use the trimmed key
      {"report[1].txt", "report[1", false, true},  // an open "[" is itself
      {"report1.txt", "report[1", false, false},
      {"x.doc", "*", false, true},
      {"bx.txt", "[a-c]x", false, true},
      {"dx.txt", "[a-c]x", false, false},
      {"bx.txt", "[c-a]x", false, false},  // a descending range matches nothing
      {"a1.txt", "a#", false, true},
      {"ab.txt", "a#", false, false},
      {"abc.txt", "a?c", false, true},
  };
  for (const Case& c : cases) {
    const QString key = QString::fromUtf8(c.key);
    const QString pattern = c.topLevel ? TopLevelSearchPattern(key) : ListingSearchPattern(key);
    EXPECT_EQ(SearchPathMatches(QString::fromUtf8(c.path), pattern), c.match)
        << c.path << " with key '" << c.key << "'";
  }
}

TEST_F(SearchResultFileTest, ListingLinesAreReadByTheirColumns) {
  const QString text = Line('d', "4096", "2010/07/06 10:20:30", ".") + "\n" +
                       Line('-', "1572864", "2010/07/06 10:20:30", "  sub/b.txt\r") + "\n" + "\n" +
                       Line('-', "", "                   ", "blank size") + QChar(0) + "tail\n" + "garbage";
  const std::vector<SearchListingLine> lines = ReadSearchListing(text);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].type, u'd');
  EXPECT_EQ(lines[0].name, ".");
  EXPECT_EQ(lines[1].type, u'-');
  EXPECT_EQ(lines[1].size, "1572864");
  EXPECT_EQ(lines[1].date, "2010/07/06 10:20:30");
  EXPECT_EQ(lines[1].name, "sub/b.txt");
  EXPECT_EQ(lines[2].size, "");
  EXPECT_EQ(lines[2].name, "blank size");
  EXPECT_EQ(lines[3].type, u'g');  // any other first character: the reader passes it over
}

TEST_F(SearchResultFileTest, TextWithoutLineFeedHoldsNoLine) {
  EXPECT_TRUE(ReadSearchListing(Line('-', "1", "2010/07/06 10:20:30", "a.txt")).empty());
}

TEST_F(SearchResultFileTest, CellsShowSizesAndLocalDates) {
  EXPECT_EQ(SearchSizeCell(""), "0 KB");
  EXPECT_EQ(SearchSizeCell("1572864"), "1.50 MB");
  EXPECT_EQ(SearchSizeCell("1,572,864"), "1.50 MB");
  EXPECT_EQ(SearchSizeCell("512"), "512.00 B");
  EXPECT_EQ(SearchSizeCell("12x"), "");
  EXPECT_EQ(SearchListingDateCell("2010/07/06 10:20:30"),
            vb::FormatGeneralDate(QDateTime(QDate(2010, 7, 6), QTime(10, 20, 30))));
  EXPECT_EQ(SearchListingDateCell(""), "");
  EXPECT_EQ(SearchListingDateCell("2010/13/45 99:00:00"), "");
}

TEST_F(SearchResultFileTest, TheFileLiesInTheApplicationFolder) {
  EXPECT_EQ(SearchResultFile(), "C:\\Prog\\OrvaneMac\\OrvaneSearchResult.txt");
}

}  // namespace
}  // namespace OrvaneMac
