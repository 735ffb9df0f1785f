#include "platform/codepage/CodePage.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePage, EveryAnsiByteRoundTrips) {
  QByteArray all;
  for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
  const QString text = win::FromAnsi(all);
  ASSERT_EQ(text.size(), 256);
  EXPECT_EQ(win::ToAnsi(text), all);
}

TEST(CodePage, AnsiMapsTheHighRangeAndReplacesWhatItCannotHold) {
  EXPECT_EQ(win::FromAnsi("\x80\x99\xE9"), QStringLiteral(u"\u20AC\u2122\u00E9"));
  EXPECT_EQ(win::ToAnsi(QStringLiteral(u"\u20ACa\u00E9")), QByteArray("\x80" "a" "\xE9"));
  // Greek, a CJK ideograph and a character outside the basic plane: one "?" each.
  EXPECT_EQ(win::ToAnsi(QStringLiteral(u"\u03B1\u4E2D") + QString::fromUcs4(U"\U0001F600")), QByteArray("???"));
  EXPECT_EQ(win::AnsiCode(QChar(0x2014)), 0x97);
  EXPECT_EQ(win::AnsiCode(QChar(0x0100)), -1);
}

TEST(CodePage, AnsiBytesGoStraightToTheirUtf8) {
  QByteArray all;
  for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
  for (const QByteArray& bytes : {all, QByteArray("plain ascii <D:href>"), QByteArray(), QByteArray("caf\xE9 \x80 \x81")})
    EXPECT_EQ(win::AnsiToUtf8(bytes), win::FromAnsi(bytes).toUtf8()) << bytes.toHex().toStdString();
}

TEST(CodePage, Utf8FollowsTheSystemRules) {
  EXPECT_EQ(win::ToUtf8(QStringLiteral(u"stra\u00DFe")), QByteArray("stra\xC3\x9F" "e"));
  EXPECT_EQ(win::FromUtf8(QByteArray("a\xFF" "b")), QStringLiteral(u"a\uFFFDb"));
  QString lone = QStringLiteral("x");
  lone.append(QChar(0xD800));
  EXPECT_EQ(win::ToUtf8(lone), QByteArray("x\xEF\xBF\xBD"));
  const QString astral = QString::fromUcs4(U"\U0001F600");
  EXPECT_EQ(win::FromUtf8(win::ToUtf8(astral)), astral);
  EXPECT_EQ(win::MultiByteToWide(win::CP_UTF8, "\xC3\xA9"), QStringLiteral(u"\u00E9"));
  EXPECT_EQ(win::MultiByteToWide(win::CP_ACP, "\xC3\xA9"), QStringLiteral(u"\u00C3\u00A9"));
}

}  // namespace
