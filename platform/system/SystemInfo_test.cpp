#include "platform/system/SystemInfo.h"

#include <QSysInfo>

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

namespace {

TEST(SystemInfo, VersionIsTheNewestTheLegacyCodeKnows) {
  win::OSVERSIONINFO info;
  ASSERT_TRUE(win::GetVersionEx(info));
  EXPECT_EQ(info.dwPlatformId, win::VER_PLATFORM_WIN32_NT);
  EXPECT_EQ(info.dwMajorVersion, 10u);
  EXPECT_EQ(info.dwMinorVersion, 0u);
  EXPECT_TRUE(info.szCSDVersion.isEmpty());

  win::OSVERSIONINFO narrow;
  narrow.dwOSVersionInfoSize = 148;
  EXPECT_TRUE(win::GetVersionEx(narrow));
  win::OSVERSIONINFO unset;
  unset.dwOSVersionInfoSize = 0;
  EXPECT_FALSE(win::GetVersionEx(unset)) << "the size field must be set";
  EXPECT_EQ(unset.dwMajorVersion, 0u);

  EXPECT_FALSE(win::ProductName().isEmpty());
}

TEST(SystemInfo, MachineAndUserNames) {
  EXPECT_EQ(win::GetHostName(), QSysInfo::machineHostName());
  const QString computer = win::GetComputerName();
  EXPECT_FALSE(computer.isEmpty());
  EXPECT_LE(computer.size(), 15);
  EXPECT_EQ(computer, computer.toUpper());
  EXPECT_FALSE(computer.contains(u'.'));
  EXPECT_EQ(win::GetUserName(), QString::fromLocal8Bit(::getpwuid(::getuid())->pw_name));
}

TEST(SystemInfo, AddressTextsAndLookups) {
  EXPECT_EQ(win::WSAStartup(0x0101), 0);
  EXPECT_EQ(win::InetNtoa(win::InetAddr("192.0.2.7")), "192.0.2.7");
  EXPECT_EQ(win::InetAddr("255.255.255.255"), win::kNoAddress) << "reads as the failure value";
  EXPECT_EQ(win::InetAddr("abc"), win::kNoAddress);
  EXPECT_EQ(win::InetAddr(""), win::kNoAddress);

  const auto literal = win::GetHostByName("192.0.2.7");
  ASSERT_TRUE(literal.has_value());
  EXPECT_EQ(win::InetNtoa(literal->addresses.at(0)), "192.0.2.7") << "an address text comes back as itself";

  const auto local = win::GetHostByName("localhost");
  ASSERT_TRUE(local.has_value());
  EXPECT_EQ(win::InetNtoa(local->addresses.at(0)), "127.0.0.1");
  const auto back = win::GetHostByAddr(win::InetAddr("127.0.0.1"));
  ASSERT_TRUE(back.has_value());
  EXPECT_FALSE(back->name.isEmpty());
  EXPECT_EQ(win::WSACleanup(), 0);
}

}  // namespace
