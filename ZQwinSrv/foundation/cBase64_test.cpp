#include "ZQwinSrv/foundation/cBase64.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "platform/codepage/CodePage.h"
#include "platform/paths/WinPath.h"

namespace OrvaneSrv {
namespace {

class cBase64Test : public EngineTest {
 protected:
  cBase64 b64_;
};

TEST_F(cBase64Test, EncodesTheEightBitBytesWithPadding) {
  const std::pair<QString, QString> rows[] = {
      {"abc", "YWJj"},
      {"ab", "YWI="},
      {"a", "YQ=="},
      {"", ""},
      {QStringLiteral("\u00e9"), "6Q=="},                // one 8-bit byte E9, not the UTF-8 pair
      {QStringLiteral("\u20ac"), "gA=="},                // the euro sign is byte 80
      {"user:pass word", "dXNlcjpwYXNzIHdvcmQ="},
      {"Many hands make light work.", "TWFueSBoYW5kcyBtYWtlIGxpZ2h0IHdvcmsu"},
  };
  for (const auto& [plain, encoded] : rows) {
    EXPECT_EQ(b64_.encode(plain), encoded) << plain.toStdString();
    EXPECT_EQ(b64_.EncodedMessage(), encoded);
  }
  EXPECT_TRUE(TraceLines().isEmpty());
}

TEST_F(cBase64Test, DecodesAndSkipsBlanksAndLineEnds) {
  const std::pair<QString, QString> rows[] = {
      {"YWJj", "abc"},
      {"YW Jj", "abc"},
      {"YW\r\nJj\t", "abc"},
      {"YWI=", "ab"},
      {"YQ==", "a"},
      {"6Q==", QStringLiteral("\u00e9")},
      {"", ""},
      {"TWFueSBoYW5kcyBtYWtlIGxpZ2h0IHdvcmsu", "Many hands make light work."},
      {"YWJjZA", "abcd"},  // an unpadded final group gives what is there
  };
  for (const auto& [encoded, plain] : rows) {
    EXPECT_EQ(b64_.Decode(encoded), plain) << encoded.toStdString();
    EXPECT_EQ(b64_.DecodedMessage(), plain);
  }
  // Both results stay readable until the next call of the same kind.
  b64_.encode("abc");
  b64_.Decode("YQ==");
  EXPECT_EQ(b64_.EncodedMessage(), "YWJj");
  EXPECT_EQ(b64_.DecodedMessage(), "a");
}

TEST_F(cBase64Test, RoundTripsEveryByte) {
  QByteArray all;
  for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
  const QString text = win::FromAnsi(all);
  const QString encoded = b64_.encode(text);
  EXPECT_EQ(encoded.size(), 344);
  EXPECT_EQ(b64_.Decode(encoded), text);
}

TEST_F(cBase64Test, ShiftsAndPowers) {
  EXPECT_EQ(b64_.RShiftByte(200, 3), 25);
  EXPECT_EQ(b64_.RShiftByte(200, 0), 200);
  EXPECT_EQ(b64_.RShiftByte(200, 8), 0);
  EXPECT_EQ(b64_.Power2(0), 1);
  EXPECT_EQ(b64_.Power2(10), 1024);
  EXPECT_EQ(b64_.Power2(31), std::numeric_limits<Long>::min());
  EXPECT_TRUE(TraceLines().isEmpty());

  EXPECT_EQ(b64_.Power2(32), 0);
  EXPECT_EQ(b64_.Power2(-1), 0);
  EXPECT_EQ(TraceLines(),
            QStringList({"Error Reason :Subscript out of rangein procedure Power2 of Class Module cBase64",
                         "Error Reason :Subscript out of rangein procedure Power2 of Class Module cBase64"}));
}

}  // namespace
}  // namespace OrvaneSrv
