#include "program/session/Transfer.h"

#include <gtest/gtest.h>

#include "ZQwinSrv/foundation/SideFiles.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/foundation/SettingsStores.h"
#include "platform/registry/Registry.h"

namespace OrvaneMac {
namespace {

class TransferTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
  }
  QString Profile() const { return QString::fromLatin1(Bytes("Prog/OrvaneMac/orvane.ini")); }
  Transfer& t = gTransfer();
};

TEST_F(TransferTest, UserKeysAndTheDateFormatSection) {
  t.Trf_WriteUserProfile("UserName", "ann", false);
  t.Trf_WriteUserProfile("dateformat", "d.M.yyyy", false);
  EXPECT_EQ(Profile(), "[Orvane]\r\nUserName=ann\r\n[DateFormat]\r\ndateformat=d.M.yyyy\r\n");
  EXPECT_EQ(t.Trf_ReadUserProfile("DATEFORMAT", false), "d.M.yyyy");
  EXPECT_EQ(t.Trf_ReadUserProfile("username", false), "ann");
  EXPECT_EQ(t.Trf_ReadUserProfile("Never", false), "");

  t.Trf_WriteUserProfile("UserName", "", false);
  EXPECT_TRUE(Profile().contains("UserName=\r\n")) << "an empty value keeps its key";
  t.Trf_WriteUserProfile("Long", QString(300, u'x'), false);
  EXPECT_EQ(t.Trf_ReadUserProfile("Long", false), QString(255, u'x'));

  // The engine reads what the program writes.
  EXPECT_EQ(OrvaneSrv::Transfer().Trf_ReadUserProfile("Long"), QString(255, u'x'));
}

TEST_F(TransferTest, PasswordsGoToTheAccountsSideFile) {
  t.Trf_WriteUserProfile("ann", "s3cret pass", true);
  EXPECT_FALSE(Exists("Prog/OrvaneMac/orvane.ini")) << "the profile is not touched";
  EXPECT_EQ(Bytes("Prog/OrvaneMac/ann/ann.txt"), Bom() + Utf16(OrvaneSrv::EncryptPwd("s3cret pass") + "\r\n"));
  EXPECT_EQ(t.Trf_ReadUserProfile("ann", true), "s3cret pass");
  EXPECT_EQ(OrvaneSrv::Transfer().Trf_ReadUserProfile("ann", false, true), "s3cret pass");

  t.Trf_WriteUserProfile("bob", "   ", true);
  EXPECT_EQ(Bytes("Prog/OrvaneMac/bob/bob.txt"), Bom() + Utf16("\r\n"));
  EXPECT_EQ(t.Trf_ReadUserProfile("bob", true), "");

  EXPECT_EQ(t.Trf_ReadUserProfile("nobody", true), "");
  // Without a side file, the registry value named by the scrambled name.
  ASSERT_EQ(win::RegistryWriteString(win::HKEY_CURRENT_USER, "Software\\OVMac", t.EncryptPwd("carl"),
                                     t.EncryptPwd("from registry"), win::RegistryKeyMode::Create),
            0);
  EXPECT_EQ(t.Trf_ReadUserProfile("carl", true), "from registry");
}

TEST_F(TransferTest, ProxySectionDetailsFileAndAnyIni) {
  t.Trf_WriteProxyProfile("ProxyName", "proxy.local");
  t.Trf_WriteProxyProfile("ProxyPort", "3128");
  EXPECT_EQ(Profile(), "[Proxy]\r\nProxyName=proxy.local\r\nProxyPort=3128\r\n");
  EXPECT_EQ(t.Trf_ReadProxyProfile("proxyname"), "proxy.local");
  EXPECT_EQ(t.Trf_ReadProxyProfile("ProxyUser"), "");

  t.Trf_WriteZQDetails("SessionFileRestore", "C:\\Prog\\OrvaneMac\\Session\\x.txt");
  EXPECT_EQ(t.Trf_ReadProfile("C:\\Prog\\OrvaneMac\\OrvaneDetails.ini", "Orvane", "SessionFileRestore"),
            "C:\\Prog\\OrvaneMac\\Session\\x.txt");
  WriteBytes("Prog/OrvaneMac/AutoPause.ini", "[AutoPause]\r\nBackupIdleState=1\r\n");
  EXPECT_EQ(t.Trf_ReadProfile("C:\\Prog\\OrvaneMac\\AutoPause.ini", "AutoPause", "BackupIdleState"), "1");
  EXPECT_EQ(t.Trf_ReadProfile("C:\\Prog\\OrvaneMac\\Missing.ini", "AutoPause", "BackupIdleState"), "");
}

TEST_F(TransferTest, SessionLogNames) {
  clock_.Set(QDateTime(QDate(2010, 7, 9), QTime(14, 35, 7)));
  EXPECT_TRUE(t.Trf_CreateSession("Restore").IsEmpty());
  EXPECT_EQ(Program().SessionLogFile, "Restore 07-09-2010  14-35-07.txt");
  EXPECT_EQ(Bytes("Prog/OrvaneMac/Session/Restore 07-09-2010  14-35-07.txt"), QByteArray());

  // A second log of the same second finds the file and leaves it alone.
  WriteBytes("Prog/OrvaneMac/Session/Restore 07-09-2010  14-35-07.txt", "kept");
  t.Trf_CreateSession("Restore");
  EXPECT_EQ(Bytes("Prog/OrvaneMac/Session/Restore 07-09-2010  14-35-07.txt"), "kept");

  t.Trf_ResetSession();
  EXPECT_EQ(Program().SessionLogFile, "");
  EXPECT_EQ(TraceLines(), QStringList({"Enter Trf_CreateSession()",
                                       "exit Trf_CreateSession()Restore 07-09-2010  14-35-07.txt",
                                       "Enter Trf_CreateSession()",
                                       "exit Trf_CreateSession()Restore 07-09-2010  14-35-07.txt",
                                       "Enter Trf_ResetSession()", "Exit Trf_ResetSession()"}));
}

TEST(PasswordScramblerTest, KeyedShiftModulo256) {
  Transfer& t = gTransfer();
  const QString scrambled = t.EncryptPwd("password");
  EXPECT_EQ(scrambled, QString(QChar(0xB5)) + QChar(0xBB) + QChar(0xBC) + QChar(0xC5) + QChar(0xCC) + QChar(0xB3) +
                           QChar(0xC8) + QChar(0xA9));
  EXPECT_EQ(t.DecryptPwd(scrambled), "password");
  // Position 7 pairs with the key's first letter "V", position 8 with "E".
  EXPECT_EQ(t.EncryptPwd(QString(8, QChar(0))).mid(6), QString("VE"));
  for (const QString& blank : {QString(), QString("   ")}) {
    EXPECT_EQ(t.EncryptPwd(blank), "");
    EXPECT_EQ(t.DecryptPwd(blank), "");
  }
  EXPECT_NE(t.DecryptPwd(t.EncryptPwd(QString(QChar(0x263A)))), QString(QChar(0x263A)))
      << "characters above U+00FF lose their high byte";
}

}  // namespace
}  // namespace OrvaneMac
