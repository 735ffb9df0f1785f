#include "platform/dialup/Phonebook.h"

#include "platform/registry/Registry.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class PhonebookTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QTemporaryDir dir_;
  win::ScopedRegistry registry_{win::RegistryConfig::InFolder(dir_.path())};
};

TEST_F(PhonebookTest, EmptyUntilConfigured) {
  EXPECT_TRUE(win::PhonebookEntries().isEmpty());
  std::vector<win::RasEntryName> records(1);
  records[0].dwSize = win::RASENTRYNAMEA_SIZE;
  win::DWORD cb = win::RASENTRYNAMEA_SIZE;
  win::DWORD count = 99;
  EXPECT_EQ(win::RasEnumEntries({}, records, cb, count), 0u);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(cb, 0u);
}

TEST_F(PhonebookTest, TheTwoCallProtocolReturnsTheConfiguredNames) {
  ASSERT_EQ(win::SetPhonebookEntries({"Office ISP", " ", "office isp", "Home \u20ac", QString(300, 'x')}), 0);

  // First call with one record: too small, told the size and count.
  std::vector<win::RasEntryName> records(1);
  records[0].dwSize = win::RASENTRYNAMEA_SIZE;
  win::DWORD cb = win::RASENTRYNAMEA_SIZE;
  win::DWORD count = 0;
  ASSERT_EQ(win::RasEnumEntries({}, records, cb, count), win::ERROR_BUFFER_TOO_SMALL);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(cb, 3 * win::RASENTRYNAMEA_SIZE);
  EXPECT_TRUE(records[0].szEntryName.isEmpty());

  records.resize(count);
  ASSERT_EQ(win::RasEnumEntries({}, records, cb, count), 0u);
  EXPECT_EQ(records[0].szEntryName, "Office ISP");
  EXPECT_EQ(records[1].szEntryName, "Home \u20ac");  // the euro sign is in the 8-bit code page
  EXPECT_EQ(records[2].szEntryName, QString(256, 'x'));
  EXPECT_EQ(records[2].dwSize, win::RASENTRYNAMEA_SIZE);

  // Each entry got its profile key, so the auto-connect switch can be written.
  EXPECT_EQ(win::RegistryWriteDword(win::HKEY_CURRENT_USER, "RemoteAccess\\Profile\\Office ISP", "AutoConnect", 1), 0);
  EXPECT_EQ(win::RegistryWriteDword(win::HKEY_CURRENT_USER, "RemoteAccess\\Profile\\Nowhere", "AutoConnect", 1),
            static_cast<win::LONG>(win::ERROR_FILE_NOT_FOUND));
}

TEST_F(PhonebookTest, BadCallsAndBadStoredDataAreRefused) {
  ASSERT_EQ(win::SetPhonebookEntries({"Office"}), 0);
  std::vector<win::RasEntryName> records(2);
  win::DWORD cb = 2 * win::RASENTRYNAMEA_SIZE;
  win::DWORD count = 0;
  EXPECT_EQ(win::RasEnumEntries({}, records, cb, count), win::ERROR_INVALID_SIZE);  // size field not set
  records[0].dwSize = win::RASENTRYNAMEA_SIZE;
  EXPECT_EQ(win::RasEnumEntries("C:\\other.pbk", records, cb, count), win::ERROR_CANNOT_OPEN_PHONEBOOK);
  cb = 0;  // the buffer size counts, not the vector's
  EXPECT_EQ(win::RasEnumEntries({}, records, cb, count), win::ERROR_BUFFER_TOO_SMALL);

  // A value of another type is not a phonebook.
  ASSERT_EQ(win::RegistryWriteString(win::HKEY_CURRENT_USER, "RemoteAccess", "PhonebookEntries", "Office"), 0);
  EXPECT_TRUE(win::PhonebookEntries().isEmpty());
}

}  // namespace
