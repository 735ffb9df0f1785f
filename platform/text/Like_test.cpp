#include "platform/text/Like.h"

#include <gtest/gtest.h>

namespace {

struct Case {
  const char* text;
  const char* pattern;
  bool expected;
};

void Check(const Case* begin, const Case* end, vb::CompareMethod compare) {
  for (const Case* c = begin; c != end; ++c) {
    EXPECT_EQ(vb::Like(QString::fromUtf8(c->text), QString::fromUtf8(c->pattern), compare), c->expected)
        << '"' << c->text << "\" Like \"" << c->pattern << '"';
  }
}

TEST(Like, WildcardsListsAndRanges) {
  const Case cases[] = {
      {"", "", true},
      {"", "*", true},
      {"a", "", false},
      {"abc", "a*", true},
      {"abc", "*c", true},
      {"abc", "a*b*c", true},
      {"abc", "*b", false},
      {"aXbXc", "*X*X*", true},
      {"abc", "a?c", true},
      {"ac", "a?c", false},
      {"a1c", "a#c", true},
      {"abc", "a#c", false},
      {"apple", "[a-c]*", true},
      {"cherry", "[a-c]*", true},
      {"date", "[a-c]*", false},
      {"Apple", "[a-c]*", false},
      {"B7", "[A-CX-Z]#", true},
      {"Y7", "[A-CX-Z]#", true},
      {"M7", "[A-CX-Z]#", false},
      {"ab", "[!x]?", true},
      {"xb", "[!x]?", false},
      {"a", "[!x]?", false},
      {"!a", "!a", true},
      {"-", "[-a]", true},
      {"-", "[a-]", true},
      {"b", "[a-]", false},
      {"-", "[!-a]", false},
      {"[", "[[]", true},
      {"a*c", "a[*]c", true},
      {"abc", "a[*]c", false},
      {"a?", "a[?]", true},
      {"#", "[#]", true},
      {"a]", "a]", true},
      {"ab", "a[]b", true},
      {"report 2010.txt", "*####.txt", true},
      {"mississippi", "*sip*", true},
      {"mississippi", "m*iss*ppi", true},
      {"mississippi", "m*x*", false},
  };
  Check(std::begin(cases), std::end(cases), vb::vbBinaryCompare);
}

TEST(Like, TextCompareIgnoresCaseInListsToo) {
  const Case cases[] = {
      {"ABC", "a*", true},
      {"Apple", "[a-c]*", true},
      {"apple", "[A-C]*", true},
      {"X", "[!x]", false},
      {"\u00C9T\u00C9", "*\u00E9t\u00E9", true},
  };
  Check(std::begin(cases), std::end(cases), vb::vbTextCompare);
}

TEST(Like, MalformedPatternsMatchNothing) {
  const Case cases[] = {
      {"ab", "[ab", false},
      {"[ab", "[ab", false},
      {"anything", "*[ab", false},
      {"b", "[c-a]", false},
      {"", "[", false},
  };
  Check(std::begin(cases), std::end(cases), vb::vbBinaryCompare);
  EXPECT_FALSE(vb::IsValidLikePattern(QStringLiteral("*[ab")));
  EXPECT_FALSE(vb::IsValidLikePattern(QStringLiteral("[z-a]")));
  EXPECT_TRUE(vb::IsValidLikePattern(QStringLiteral("*[a-z]]")));
}

}  // namespace
