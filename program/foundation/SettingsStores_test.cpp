#include "program/foundation/SettingsStores.h"

#include <gtest/gtest.h>

#include "ZQwinSrv/foundation/SideFiles.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "program/foundation/ProgramTestFixture.h"
#include "platform/registry/Registry.h"

namespace OrvaneMac {
namespace {

using namespace modGeneral;

class SettingsStoresTest : public ProgramTest {
 protected:
  static void SetOVMac(const QString& name, const QString& value) {
    win::HKEY key = 0;
    ASSERT_EQ(win::RegCreateKeyEx(win::HKEY_CURRENT_USER, "Software\\OVMac", 0, win::KEY_ALL_ACCESS, &key), 0);
    const QByteArray bytes(reinterpret_cast<const char*>(value.utf16()), (value.size() + 1) * 2);
    ASSERT_EQ(win::RegSetValueEx(key, name, win::REG_SZ, bytes.constData(), static_cast<win::DWORD>(bytes.size())), 0);
    win::RegCloseKey(key);
  }
  static std::optional<QString> UserValue(const QString& key, const QString& name) {
    return win::RegistryReadString(win::HKEY_CURRENT_USER, key, name, 2048);
  }
};

TEST_F(SettingsStoresTest, SideFilesOfAFreshInstallation) {
  WriteProfileFile(" jo\n ", "  C:\\Prog\\ORVANETEMP  ", 3);
  EXPECT_EQ(Bytes("Prog/OrvaneMac/jo/OVTemppath.txt"), Bom() + Utf16("C:\\Prog\\ORVANETEMP\r\n"));
  EXPECT_EQ(ReadProfileFile("jo", 3), "C:\\Prog\\ORVANETEMP");
  EXPECT_FALSE(Exists("Prog/OrvaneMac/jo/ZQTemppath.txt")) << "the engine's own kind-3 file is not the program's";

  WriteProfileFile("jo", "D:\\Open", 2);
  WriteProfileFile("jo", "D:\\State", 4);
  EXPECT_EQ(ReadProfileFile("jo", 2), "D:\\Open");
  EXPECT_EQ(ReadProfileFile("jo", 4), "D:\\State");
  EXPECT_TRUE(Exists("Prog/OrvaneMac/jo/ZQOpenfilepath.txt"));
  EXPECT_TRUE(Exists("Prog/OrvaneMac/jo/ZQSystemStatePath.txt"));
}

TEST_F(SettingsStoresTest, BlankSideFilesFallBackToTheRegistry) {
  SetOVMac("TempFolder", "  D:\\Temp  ");
  SetOVMac("VSSTEMPPATH", "D:\\Vss\r\nmore");
  EXPECT_EQ(ReadProfileFile("jo", 3), "D:\\Temp") << "no file yet";
  WriteProfileFile("jo", "   ", 3);
  EXPECT_EQ(Bytes("Prog/OrvaneMac/jo/OVTemppath.txt"), Bom() + Utf16("\r\n"));
  EXPECT_EQ(ReadProfileFile("jo", 3), "D:\\Temp");
  EXPECT_EQ(ReadProfileFile("jo", 2), "D:\\Vss");
  EXPECT_EQ(ReadProfileFile("jo", 4), "");

  // Kind 1 falls back to the value named by the scrambled account name.
  SetOVMac(OrvaneSrv::EncryptPwd("ann"), OrvaneSrv::EncryptPwd("pw"));
  EXPECT_EQ(ReadProfileFile("ann", 1), OrvaneSrv::EncryptPwd("pw"));
  EXPECT_EQ(ReadPasswordFile("ann", 1), "pw");
}

TEST_F(SettingsStoresTest, PasswordsAreSharedWithTheEngine) {
  SavePasswordFile("jo", " pa ss ", 1);
  EXPECT_EQ(Bytes("Prog/OrvaneMac/jo/jo.txt"), Bom() + Utf16(OrvaneSrv::EncryptPwd(" pa ss ") + "\r\n"));
  EXPECT_EQ(ReadProfileFile("jo", 1), OrvaneSrv::EncryptPwd(" pa ss "));
  EXPECT_EQ(ReadPasswordFile("jo", 1), " pa ss ");
  EXPECT_EQ(OrvaneSrv::Transfer().Trf_ReadUserProfile("jo", false, true), " pa ss ");

  SavePasswordFile("", "proxy secret", 5);
  EXPECT_TRUE(Exists("Prog/OrvaneMac/ZQProxyUser.txt"));
  EXPECT_EQ(ReadProfileFile("", 5), "proxy secret");
  EXPECT_EQ(OrvaneSrv::Transfer().Trf_ReadProxyProfile("ProxyPass"), "proxy secret");

  // An empty proxy password leaves no file.
  WriteProfileFile("", "", 5);
  EXPECT_FALSE(Exists("Prog/OrvaneMac/ZQProxyUser.txt"));
  EXPECT_EQ(ReadProfileFile("", 5), "");
}

TEST_F(SettingsStoresTest, PasswordTheScramblerCannotCarryIsKeptForTheRunOnly) {
  SavePasswordFile("jo", "old", 1);
  const QString password = QString::fromUtf8("пароль1");
  SavePasswordFile("jo", password, 1);
  EXPECT_EQ(ReadPasswordFile("jo", 1), password);
  EXPECT_EQ(ReadProfileFile("jo", 1), "") << "no stale password stays on disk";
  EXPECT_EQ(TraceLines(), QStringList{"WriteProfileFile: the password of jo holds characters that cannot be stored; "
                                      "it is kept for this session only"});
  EXPECT_FALSE(TraceLines().join("").contains(password));

  SavePasswordFile("jo", "new", 1);
  EXPECT_EQ(ReadPasswordFile("jo", 1), "new");
  SavePasswordFile("jo", password, 1);
  ResetProgramForTesting();  // the next run
  Program().AppWord = "OrvaneMac";
  EXPECT_EQ(ReadPasswordFile("jo", 1), "");
}

TEST_F(SettingsStoresTest, ProgramRegistryValues) {
  WriteProfileToRegistry(" CurrLogin ", "jo");
  EXPECT_EQ(UserValue("Software\\OVMac", "CurrLogin"), "jo");
  EXPECT_EQ(ReadProfilefromRegistry("CurrLogin"), "jo");

  SetOVMac("lines", "first\rsecond");
  SetOVMac("leading", "\rtext");
  SetOVMac("fits", QString(1023, u'x'));
  SetOVMac("toolong", QString(1024, u'x'));
  EXPECT_EQ(ReadProfilefromRegistry("lines"), "first");
  EXPECT_EQ(ReadProfilefromRegistry("leading"), "");
  EXPECT_EQ(ReadProfilefromRegistry("fits"), QString(1023, u'x'));
  EXPECT_EQ(ReadProfilefromRegistry("toolong"), "");
  EXPECT_EQ(ReadProfilefromRegistry("missing"), "");
  EXPECT_TRUE(TraceLines().isEmpty()) << "a missing value is no error";
}

TEST_F(SettingsStoresTest, StartupEntry) {
  const QString run = "Software\\Microsoft\\Windows\\Currentversion\\run";
  AddToStartup();
  EXPECT_EQ(UserValue(run, "ZQWIN"), "\"C:\\Prog\\OrvaneRestore_100.exe\"");
  RemoveFromStartup();
  EXPECT_FALSE(UserValue(run, "ZQWIN").has_value());
  RemoveFromStartup();
  EXPECT_TRUE(TraceLines().isEmpty());
}

TEST_F(SettingsStoresTest, SmallSystemTexts) {
  EXPECT_EQ(StringFromPointer(nullptr), "");
  EXPECT_EQ(StringFromPointer(u"ab\0cd"), "ab");
  EXPECT_EQ(modSHGetSpecialFolderPath::GetWindowDir(), "");
}

}  // namespace
}  // namespace OrvaneMac
