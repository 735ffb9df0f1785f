#include "platform/registry/RegistryHive.h"

#include <gtest/gtest.h>

namespace {

using win::RegistryHive;
using win::RegistryValue;

TEST(RegistryHiveTest, FileFormRoundTripsAnyNameAndData) {
  RegistryHive hive;
  hive.CreateKey("Software\\OVMac");
  hive.CreateKey(QString("Odd\\") + QChar(0xDC00) + "key");
  const std::vector<RegistryValue> values = {
      {"CurrLogin", win::REG_SZ, QByteArray("b\0o\0b\0\0\0", 8)},
      {"", win::REG_SZ, QByteArray("\0\0", 2)},
      {"unterminated", win::REG_SZ, QByteArray("x\0", 2)},
      {"odd", win::REG_SZ, QByteArray("abc", 3)},
      {"inner nul", win::REG_SZ, QByteArray("a\0\0\0b\0\0\0", 8)},
      {QString(QChar(0xD800)) + " \\ lone", win::REG_DWORD, QByteArray("\x01\0\0\0", 4)},
      {"q", win::REG_QWORD, QByteArray("\1\2\3\4\5\6\7\x08", 8)},
      {"short dword", win::REG_DWORD, QByteArray("\1", 1)},
      {"type", 0xFFFFFFFF, QByteArray()},
  };
  hive.Key("software\\ovmac")->values = values;

  QString why;
  const auto back = RegistryHive::FromJson(hive.ToJson("HKEY_CURRENT_USER"), &why);
  ASSERT_TRUE(back.has_value()) << why.toStdString();
  EXPECT_TRUE(back->HasKey("odd"));
  EXPECT_TRUE(back->HasKey(QString("ODD\\") + QChar(0xDC00) + "KEY"));
  const auto* key = back->Key("Software\\OVMac");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->path, "Software\\OVMac");
  ASSERT_EQ(key->values.size(), values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(key->values[i].name, values[i].name) << i;
    EXPECT_EQ(key->values[i].type, values[i].type) << i;
    EXPECT_EQ(key->values[i].data, values[i].data) << i;
  }
}

TEST(RegistryHiveTest, DamagedFilesAreRecognised) {
  const char* damaged[] = {
      "",
      "[]",
      "{\"format\": \"other\", \"keys\": []}",
      "{\"format\": \"orvane-registry-1\"}",
      "{\"format\": \"orvane-registry-1\", \"keys\": [{\"values\": []}]}",
      "{\"format\": \"orvane-registry-1\", \"keys\": [{\"path\": \"\\\\a\", \"values\": []}]}",
      "{\"format\": \"orvane-registry-1\", \"keys\": [{\"path\": \"a\", \"values\": [{\"name\": \"x\", \"type\": "
      "1}]}]}",
      "{\"format\": \"orvane-registry-1\", \"keys\": [{\"path\": \"a\", \"values\": [{\"name\": \"x\", \"type\": -1, "
      "\"hex\": \"\"}]}]}",
      "{\"format\": \"orvane-registry-1\", \"keys\": [{\"path\": \"a\", \"values\": [{\"name\": \"x\", \"type\": 3, "
      "\"hex\": \"0g\"}]}]}",
  };
  for (const char* text : damaged) {
    QString why;
    EXPECT_FALSE(RegistryHive::FromJson(text, &why).has_value()) << text;
    EXPECT_FALSE(why.isEmpty()) << text;
  }
}

}  // namespace
