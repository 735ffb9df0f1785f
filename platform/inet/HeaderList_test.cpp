#include "platform/inet/HeaderList.h"

#include "platform/inet/WinInet.h"

#include <gtest/gtest.h>

namespace win {
namespace {

QString Render(const HeaderList& list) {
  QStringList lines;
  for (const auto& h : list.Headers()) lines << h.name + QLatin1Char('=') + h.value;
  return lines.join(QLatin1Char('|'));
}

struct Case {
  const char* name;
  const char* before;  // applied with ADD first
  const char* line;
  DWORD modifiers;
  DWORD error;
  const char* after;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class HeaderRules : public ::testing::TestWithParam<Case> {};

TEST_P(HeaderRules, ApplyLikeTheLegacyCall) {
  const Case& c = GetParam();
  HeaderList list;
  ASSERT_EQ(list.Apply(QString::fromUtf8(c.before), HTTP_ADDREQ_FLAG_ADD), 0u);
  EXPECT_EQ(list.Apply(QString::fromUtf8(c.line), c.modifiers), c.error);
  EXPECT_EQ(Render(list), QString::fromUtf8(c.after));
}

constexpr DWORD kAddReplace = HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE;

INSTANTIATE_TEST_SUITE_P(
    Cases, HeaderRules,
    ::testing::Values(
        Case{"PlainAddKeepsDuplicates", "X-A: 1", "X-A: 2", 0, 0, "X-A=1|X-A=2"},
        Case{"AddReplaceReplacesCaseInsensitively", "Authorization: Basic old\r\nDepth:1",
             "authorization: Basic new\r\n", kAddReplace, 0, "authorization=Basic new|Depth=1"},
        Case{"AddReplaceAddsWhenAbsent", "Depth: 1", "Translate:f", kAddReplace, 0, "Depth=1|Translate=f"},
        Case{"ReplaceAloneNeedsTheHeader", "Depth: 1", "Translate: f", HTTP_ADDREQ_FLAG_REPLACE,
             ERROR_HTTP_HEADER_NOT_FOUND, "Depth=1"},
        Case{"ReplaceWithEmptyValueRemovesAll", "X-A: 1\r\nDepth: 1\r\nX-A: 2", "X-A:", kAddReplace, 0, "Depth=1"},
        Case{"ReplaceDropsLaterDuplicates", "X-A: 1\r\nDepth: 1\r\nX-A: 2", "X-A: 3", HTTP_ADDREQ_FLAG_REPLACE, 0,
             "X-A=3|Depth=1"},
        Case{"AddIfNewRefusesExisting", "Depth: 1", "depth: 0", HTTP_ADDREQ_FLAG_ADD_IF_NEW,
             ERROR_HTTP_HEADER_ALREADY_EXISTS, "Depth=1"},
        Case{"AddIfNewAdds", "", "Depth: 0", HTTP_ADDREQ_FLAG_ADD_IF_NEW, 0, "Depth=0"},
        Case{"CoalesceWithComma", "Accept: text/*", "Accept: audio/*", HTTP_ADDREQ_FLAG_COALESCE_WITH_COMMA, 0,
             "Accept=text/*, audio/*"},
        Case{"CoalesceWithSemicolon", "Cookie: a=1", "Cookie: b=2", HTTP_ADDREQ_FLAG_COALESCE_WITH_SEMICOLON, 0,
             "Cookie=a=1; b=2"},
        Case{"CoalesceAddsWhenAbsent", "", "Accept: a", HTTP_ADDREQ_FLAG_COALESCE, 0, "Accept=a"},
        Case{"RangeWithoutLineEnd", "", "Range: bytes=0-4", kAddReplace, 0, "Range=bytes=0-4"},
        Case{"EveryLineOfOneCallAndBlankLinesSkipped", "",
             "Authorization: Basic dTpw\r\nDepth:1\r\n\r\nContent-Type:text/xml\r\nTranslate:f\r\n", kAddReplace, 0,
             "Authorization=Basic dTpw|Depth=1|Content-Type=text/xml|Translate=f"},
        Case{"LineWithoutColonIsInvalid", "", "Depth 1", kAddReplace, ERROR_HTTP_INVALID_HEADER, ""},
        Case{"NameWithBlankIsInvalid", "", "Bad Name: 1", 0, ERROR_HTTP_INVALID_HEADER, ""},
        Case{"LinesBeforeABadOneStay", "", "A: 1\r\n: 2\r\nB: 3", 0, ERROR_HTTP_INVALID_HEADER, "A=1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HeaderList, WireLinesAndRedaction) {
  HeaderList list;
  ASSERT_EQ(list.Apply(QStringLiteral("Authorization: Basic dTpw\r\nX-Empty;\r\nDepth: 1"), 0),
            ERROR_HTTP_INVALID_HEADER);  // "X-Empty;" has no colon
  ASSERT_EQ(list.Apply(QStringLiteral("X-Empty:"), 0), 0u);
  const std::vector<std::string> wire = list.WireLines();
  EXPECT_EQ(wire, (std::vector<std::string>{"Authorization: Basic dTpw", "X-Empty;"}));

  EXPECT_EQ(HeaderList::Redacted(QStringLiteral("Authorization"), QStringLiteral("Basic dTpw")),
            "Authorization: Basic <blanked>");
  EXPECT_EQ(HeaderList::Redacted(QStringLiteral("proxy-authorization"), QStringLiteral("secret")),
            "proxy-authorization: <blanked>");
  EXPECT_EQ(HeaderList::Redacted(QStringLiteral("Cookie"), QStringLiteral("sid=1 x")), "Cookie: <blanked>");
  EXPECT_EQ(HeaderList::Redacted(QStringLiteral("Depth"), QStringLiteral("1")), "Depth: 1");
}

}  // namespace
}  // namespace win
