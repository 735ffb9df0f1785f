#include "platform/text/Strings.h"

#include "platform/errors/ErrorTesting.h"

#include "platform/errors/RuntimeError.h"

#include <gtest/gtest.h>


namespace {

using vb::test::ErrorOf;

TEST(Strings, TrimRemovesOnlyBlanks) {
  EXPECT_EQ(vb::Trim(QStringLiteral("  a b  ")), "a b");
  EXPECT_EQ(vb::Trim(QStringLiteral("\tx\t")), "\tx\t");
  EXPECT_EQ(vb::Trim(QStringLiteral(" \r\nx ")), "\r\nx");
  EXPECT_EQ(vb::LTrim(QStringLiteral("  x  ")), "x  ");
  EXPECT_EQ(vb::RTrim(QStringLiteral("  x  ")), "  x");
  EXPECT_EQ(vb::Trim(QStringLiteral(u"\u00A0x ")), QStringLiteral(u"\u00A0x"));
  EXPECT_EQ(vb::Trim(QStringLiteral("   ")), "");
}

TEST(Strings, LeftRightMidClampAndRefuseNegatives) {
  const QString s = QStringLiteral("abcdef");
  EXPECT_EQ(vb::Left(s, 0), "");
  EXPECT_EQ(vb::Left(s, 2), "ab");
  EXPECT_EQ(vb::Left(s, 99), s);
  EXPECT_EQ(vb::Right(s, 2), "ef");
  EXPECT_EQ(vb::Right(s, 99), s);
  EXPECT_EQ(vb::Mid(s, 3), "cdef");
  EXPECT_EQ(vb::Mid(s, 3, 2), "cd");
  EXPECT_EQ(vb::Mid(s, 5, 99), "ef");
  EXPECT_EQ(vb::Mid(s, 7), "") << "past the end";
  EXPECT_EQ(vb::Mid(s, 100, 3), "");
  EXPECT_EQ(vb::Mid(s, 2, 0), "");

  EXPECT_EQ(ErrorOf([&] { (void)vb::Left(s, -1); }), 5);
  EXPECT_EQ(ErrorOf([&] { (void)vb::Right(s, -1); }), 5);
  EXPECT_EQ(ErrorOf([&] { (void)vb::Mid(s, 0); }), 5);
  EXPECT_EQ(ErrorOf([&] { (void)vb::Mid(s, 1, -1); }), 5);
}

TEST(Strings, InStrAndInStrRev) {
  struct Row {
    qsizetype start;
    const char* s;
    const char* find;
    vb::CompareMethod cmp;
    qsizetype expected;
  };
  const Row rows[] = {
      {1, "abcabc", "bc", vb::vbBinaryCompare, 2},
      {3, "abcabc", "bc", vb::vbBinaryCompare, 5},
      {1, "abcabc", "BC", vb::vbBinaryCompare, 0},
      {1, "abcabc", "BC", vb::vbTextCompare, 2},
      {1, "", "a", vb::vbBinaryCompare, 0},
      {1, "abc", "", vb::vbBinaryCompare, 1},
      {2, "abc", "", vb::vbBinaryCompare, 2},
      {4, "abc", "a", vb::vbBinaryCompare, 0},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(vb::InStr(r.start, QString::fromUtf8(r.s), QString::fromUtf8(r.find), r.cmp), r.expected)
        << r.start << " " << r.s << " " << r.find;
  }
  EXPECT_EQ(ErrorOf([] { (void)vb::InStr(0, QStringLiteral("a"), QStringLiteral("a")); }), 5);

  const QString path = QStringLiteral("C:\\a\\b\\c.txt");
  EXPECT_EQ(vb::InStrRev(path, QStringLiteral("\\")), 7);
  EXPECT_EQ(vb::InStrRev(path, QStringLiteral("\\"), 6), 5);
  EXPECT_EQ(vb::InStrRev(QStringLiteral("abcabc"), QStringLiteral("bc"), 5), 2) << "the match must end by start";
  EXPECT_EQ(vb::InStrRev(QStringLiteral("abcABC"), QStringLiteral("bc"), -1, vb::vbTextCompare), 5);
  EXPECT_EQ(vb::InStrRev(QStringLiteral("abc"), QStringLiteral("x")), 0);
  EXPECT_EQ(vb::InStrRev(QStringLiteral("abc"), QStringLiteral("a"), 9), 0);
  EXPECT_EQ(vb::InStrRev(QStringLiteral("abc"), QString()), 3);
  EXPECT_EQ(ErrorOf([] { (void)vb::InStrRev(QStringLiteral("a"), QStringLiteral("a"), 0); }), 5);
}

TEST(Strings, StrCompAndCase) {
  EXPECT_EQ(vb::StrComp(QStringLiteral("a"), QStringLiteral("b")), -1);
  EXPECT_EQ(vb::StrComp(QStringLiteral("b"), QStringLiteral("a")), 1);
  EXPECT_EQ(vb::StrComp(QStringLiteral("ABC"), QStringLiteral("abc")), -1) << "binary: upper case sorts first";
  EXPECT_EQ(vb::StrComp(QStringLiteral("ABC"), QStringLiteral("abc"), vb::vbTextCompare), 0);
  EXPECT_EQ(vb::StrComp(QStringLiteral(u"\u00C9t\u00E9"), QStringLiteral(u"\u00E9T\u00C9"), vb::vbTextCompare), 0);
  EXPECT_EQ(vb::UCase(QStringLiteral(u"stra\u00DFe 1")), QStringLiteral(u"STRASSE 1"));
  EXPECT_EQ(vb::LCase(QStringLiteral(u"\u00C9A-1")), QStringLiteral(u"\u00E9a-1"));
}

TEST(Strings, ReplaceDropsTheTextBeforeStart) {
  struct Row {
    const char* e;
    const char* f;
    const char* r;
    qsizetype start;
    qsizetype count;
    vb::CompareMethod cmp;
    const char* expected;
  };
  const Row rows[] = {
      {"a-b-c", "-", "/", 1, -1, vb::vbBinaryCompare, "a/b/c"},
      {"a-b-c", "-", "/", 1, 1, vb::vbBinaryCompare, "a/b-c"},
      {"a-b-c", "-", "/", 3, -1, vb::vbBinaryCompare, "b/c"},
      {"a-b-c", "-", "", 1, -1, vb::vbBinaryCompare, "abc"},
      {"a-b-c", "", "/", 1, -1, vb::vbBinaryCompare, "a-b-c"},
      {"a-b-c", "-", "/", 1, 0, vb::vbBinaryCompare, "a-b-c"},
      {"a-b-c", "-", "/", 9, -1, vb::vbBinaryCompare, ""},
      {"aaaa", "aa", "b", 1, -1, vb::vbBinaryCompare, "bb"},
      {"xAx", "a", "-", 1, -1, vb::vbBinaryCompare, "xAx"},
      {"xAx", "a", "-", 1, -1, vb::vbTextCompare, "x-x"},
      {"", "a", "b", 1, -1, vb::vbBinaryCompare, ""},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(vb::Replace(QString::fromUtf8(r.e), QString::fromUtf8(r.f), QString::fromUtf8(r.r), r.start, r.count,
                          r.cmp),
              QString::fromUtf8(r.expected))
        << r.e << " " << r.f << " start " << r.start;
  }
  EXPECT_EQ(ErrorOf([] { (void)vb::Replace(QStringLiteral("a"), QStringLiteral("a"), QString(), 0); }), 5);
  EXPECT_EQ(ErrorOf([] { (void)vb::Replace(QStringLiteral("a"), QStringLiteral("a"), QString(), 1, -2); }), 5);
}

TEST(Strings, SplitAndJoin) {
  EXPECT_EQ(vb::Split(QString(), QStringLiteral(",")), QStringList());
  EXPECT_EQ(vb::Split(QStringLiteral("a,b"), QString()), QStringList{"a,b"});
  EXPECT_EQ(vb::Split(QStringLiteral("a b")), (QStringList{"a", "b"}));
  EXPECT_EQ(vb::Split(QStringLiteral(",a,,b,"), QStringLiteral(",")), (QStringList{"", "a", "", "b", ""}));
  EXPECT_EQ(vb::Split(QStringLiteral("a>b>c>d"), QStringLiteral(">"), 2), (QStringList{"a", "b>c>d"}));
  EXPECT_EQ(vb::Split(QStringLiteral("a>b"), QStringLiteral(">"), 0), QStringList());
  EXPECT_EQ(vb::Split(QStringLiteral("aXbxc"), QStringLiteral("x"), -1, vb::vbTextCompare),
            (QStringList{"a", "b", "c"}));
  EXPECT_EQ(vb::Split(QStringLiteral("abc"), QStringLiteral(",")), QStringList{"abc"});
  EXPECT_EQ(ErrorOf([] { (void)vb::Split(QStringLiteral("a"), QStringLiteral(","), -2); }), 5);
  EXPECT_EQ(vb::Join({"a", "", "b"}, QStringLiteral(">")), "a>>b");
  EXPECT_EQ(vb::Join({"a", "b"}), "a b");
}

TEST(Strings, SpaceStringAndCharacterCodes) {
  EXPECT_EQ(vb::Space(3), "   ");
  EXPECT_EQ(vb::StringOf(3, QStringLiteral("xy")), "xxx");
  EXPECT_EQ(vb::StringOf(2, 65 + 256), "AA") << "codes count modulo 256";
  EXPECT_EQ(vb::StringOf(0, QStringLiteral("x")), "");
  EXPECT_EQ(ErrorOf([] { (void)vb::Space(-1); }), 5);
  EXPECT_EQ(ErrorOf([] { (void)vb::StringOf(2, QString()); }), 5);

  EXPECT_EQ(vb::Asc(QStringLiteral("Abc")), 65);
  EXPECT_EQ(vb::Asc(QStringLiteral(u"\u20AC")), 128);
  EXPECT_EQ(vb::Asc(QStringLiteral(u"\u00E9")), 0xE9);
  EXPECT_EQ(vb::Asc(QStringLiteral(u"\u4E2D")), 63) << "not in the code page: '?'";
  EXPECT_EQ(vb::AscW(QStringLiteral(u"\u4E2D")), 0x4E2D);
  EXPECT_EQ(vb::AscW(QStringLiteral(u"\uFFFD")), -3) << "AscW is a signed 16-bit value";
  EXPECT_EQ(vb::Chr(128), QStringLiteral(u"\u20AC"));
  EXPECT_EQ(vb::Chr(0), QString(QChar(0)));
  EXPECT_EQ(vb::ChrW(0x4E2D), QStringLiteral(u"\u4E2D"));
  EXPECT_EQ(vb::ChrW(-3), QStringLiteral(u"\uFFFD"));
  EXPECT_EQ(ErrorOf([] { (void)vb::Asc(QString()); }), 5);
  EXPECT_EQ(ErrorOf([] { (void)vb::AscW(QString()); }), 5);
  EXPECT_EQ(ErrorOf([] { (void)vb::Chr(256); }), 5);
  EXPECT_EQ(ErrorOf([] { (void)vb::Chr(-1); }), 5);
  EXPECT_EQ(ErrorOf([] { (void)vb::ChrW(65536); }), 5);
}

}  // namespace
