#include "ZQwinSrv/foundation/Transfer.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

#include "ZQwinSrv/foundation/SideFiles.h"
#include "platform/clock/Clock.h"
#include "platform/clock/FakeClock.h"
#include "platform/ini/PrivateProfile.h"
#include "platform/paths/WinPath.h"
#include "platform/registry/Registry.h"

namespace OrvaneSrv {
namespace {

using TransferTest = EngineTest;

TEST_F(TransferTest, RestoreSessionLogIsCreatedAndRecorded) {
  const QString name = "Restore 12-08-2026  23-59-29.txt";
  const QString path = "C:\\Prog\\OrvaneMac\\Session\\" + name;
  EXPECT_TRUE(gTransfer().Trf_CreateSession("Restore").IsEmpty());
  EXPECT_EQ(Engine().gsSessionFile, name);
  EXPECT_EQ(Bytes("Prog/OrvaneMac/Session/" + name), Bom()) << "an empty UTF-16 file";
  EXPECT_EQ(Ini("C:\\Prog\\OrvaneMac\\OrvaneDetails.ini", "Orvane", "SessionFileRestore"), path);
  EXPECT_EQ(Ini("C:\\Prog\\OrvaneMac\\OrvaneDetails.ini", "Orvane", "SessionFile"), "");
  EXPECT_TRUE(Trace().contains("Enter Trf_CreateSession()\r\nexit Trf_CreateSession()" + name + "\r\n"));
  EXPECT_FALSE(Trace().contains("Trf_CreateSession = "));

  // A second session in the same second finds the file and records nothing.
  gTransfer().Trf_WriteZQDetails("SessionFileRestore", "older");
  gTransfer().Trf_CreateSession("Restore");
  EXPECT_EQ(Engine().gsSessionFile, name);
  EXPECT_EQ(Ini("C:\\Prog\\OrvaneMac\\OrvaneDetails.ini", "Orvane", "SessionFileRestore"), "older");

  // A schedule session goes under "SessionFile"; any other kind under no key.
  clock_.Advance(1000);
  gTransfer().Trf_CreateSession("Schedule");
  EXPECT_EQ(Ini("C:\\Prog\\OrvaneMac\\OrvaneDetails.ini", "Orvane", "SessionFile"),
            "C:\\Prog\\OrvaneMac\\Session\\Schedule 12-08-2026  23-59-30.txt");
  gTransfer().Trf_CreateSession("Backup");
  EXPECT_TRUE(QFile::exists(Host("Prog/OrvaneMac/Session/Backup 12-08-2026  23-59-30.txt")));
  EXPECT_EQ(Ini("C:\\Prog\\OrvaneMac\\OrvaneDetails.ini", "Orvane", "SessionFileRestore"), "older");

  EXPECT_TRUE(gTransfer().Trf_ResetSession().IsEmpty());
  EXPECT_EQ(Engine().gsSessionFile, "");
  EXPECT_TRUE(Trace().endsWith("Enter Trf_ResetSession()\r\nExit Trf_ResetSession()\r\n"));
}

TEST_F(TransferTest, SessionNameStaysSetWhenTheFileCannotBeCreated) {
  WriteBytes("Prog/OrvaneMac/Session", "a file where the folder belongs");
  gTransfer().Trf_CreateSession("Restore");
  EXPECT_EQ(Engine().gsSessionFile, "Restore 12-08-2026  23-59-29.txt");
  // Each step is tried: the key is recorded even so, so the program does not
  // take an older restore's log for this one.
  EXPECT_EQ(Ini("C:\\Prog\\OrvaneMac\\OrvaneDetails.ini", "Orvane", "SessionFileRestore"),
            "C:\\Prog\\OrvaneMac\\Session\\Restore 12-08-2026  23-59-29.txt");
  EXPECT_TRUE(Trace().contains("exit Trf_CreateSession()Restore 12-08-2026  23-59-29.txt\r\nTrf_CreateSession = "));
}

TEST_F(TransferTest, StoredPasswordsRoundTrip) {
  EXPECT_EQ(gTransfer().DecryptPwd(gTransfer().EncryptPwd("password")), "password");
  EXPECT_NE(gTransfer().EncryptPwd("password"), "password");

  // Clear characters whose scrambled form is a line feed, a CR and a NUL at
  // position 1 (key letter "E", 69), and a blank at the end (position 4,
  // key letter "R", 82).
  for (const QString& password : {QString("password"), QString(QChar(266 - 69)) + "pass",
                                  QString(QChar(269 - 69)) + "pass", QString(QChar(256 - 69)) + "pass",
                                  QString("abc") + QChar(288 - 82)}) {
    gTransfer().Trf_WriteUserProfile("jo", password, true);
    EXPECT_EQ(Bytes("Prog/OrvaneMac/jo/jo.txt"), Bom() + Utf16(EncryptPwd(password) + "\r\n"));
    EXPECT_EQ(gTransfer().Trf_ReadUserProfile("jo", false, true), password);
  }
  EXPECT_TRUE(EncryptPwd(QString(QChar(266 - 69)) + "pass").startsWith('\n'));
  EXPECT_TRUE(EncryptPwd(QString("abc") + QChar(288 - 82)).endsWith(' '));

  // No side file and no registry value: empty.
  EXPECT_EQ(gTransfer().Trf_ReadUserProfile("ann", false, true), "");
  // A blank side file falls back to the value named by the scrambled user
  // name in the current user's hive.
  WriteBytes("Prog/OrvaneMac/ann/ann.txt", Bom() + Utf16("   \r\n"));
  ASSERT_EQ(win::RegistryWriteString(win::HKEY_CURRENT_USER, "Software\\OVMac", EncryptPwd("ann"), EncryptPwd("s3cret"),
                                     win::RegistryKeyMode::Create),
            0);
  EXPECT_EQ(gTransfer().Trf_ReadUserProfile("ann", false, true), "s3cret");
  EXPECT_FALSE(Trace().contains(EncryptPwd("s3cret")));
  EXPECT_FALSE(Trace().contains("s3cret"));
}

TEST_F(TransferTest, UserProfileValuesAndSections) {
  const QString profile = "C:\\Prog\\OrvaneMac\\orvane.ini";
  gTransfer().Trf_WriteUserProfile("DateFormat", "dd/MM/yyyy");
  gTransfer().Trf_WriteUserProfile("SSLKey", "1");
  gTransfer().Trf_WriteUserProfile("Empty", "");
  EXPECT_EQ(Ini(profile, "DateFormat", "DateFormat"), "dd/MM/yyyy");
  EXPECT_EQ(Ini(profile, "Orvane", "SSLKey"), "1");
  EXPECT_EQ(gTransfer().Trf_ReadUserProfile("dateformat"), "dd/MM/yyyy");
  EXPECT_EQ(gTransfer().Trf_ReadDateFormatProfile("DateFormat"), "dd/MM/yyyy");
  EXPECT_EQ(gTransfer().Trf_ReadUserProfile("SSLKey"), "1");
  EXPECT_EQ(gTransfer().Trf_ReadUserProfile("Empty"), "");
  EXPECT_EQ(gTransfer().Trf_ReadUserProfile("Missing"), "");

  // The legacy buffer answers 255 characters of a longer value.
  ASSERT_TRUE(win::WritePrivateProfileString("Orvane", "TempFolder", QString(300, 'x'), profile));
  EXPECT_EQ(gTransfer().Trf_ReadUserProfile("TempFolder"), QString(255, 'x'));

  // The web-schedule profile, read with the key and the value trimmed.
  WriteBytes("Prog/OrvaneMac/ScheduleDataWeb.ini", "[Orvane]\r\nUNCOMP=\"  1  \"\r\n");
  EXPECT_EQ(gTransfer().Trf_ReadUserProfile(" UNCOMP ", true), "1");

  // Proxy settings; "ProxyPass" in any case is the proxy side file.
  WriteBytes("Prog/OrvaneMac/orvane.ini", "[Proxy]\r\nProxyName=proxy.local\r\nProxyPass=not here\r\n");
  EXPECT_EQ(gTransfer().Trf_ReadProxyProfile("ProxyName"), "proxy.local");
  EXPECT_EQ(gTransfer().Trf_ReadProxyProfile(" proxypass "), "");
  WriteProfileFile(EngineSideFiles("C:\\Prog\\OrvaneMac"), "", EncryptPwd("pw 1"), 5);
  EXPECT_EQ(gTransfer().Trf_ReadProxyProfile(" proxypass "), "pw 1");

  // The details file.
  gTransfer().Trf_WriteZQDetails("echoexe", "2");
  EXPECT_EQ(gTransfer().Trf_ReadProfile("C:\\Prog\\OrvaneMac\\OrvaneDetails.ini", "Orvane", "echoexe"), "2");
  EXPECT_EQ(gTransfer().Trf_ReadProfile("C:\\Prog\\missing.ini", "Orvane", "echoexe"), "");
  EXPECT_TRUE(Trace().isEmpty()) << "missing files and keys are no failure";
}

TEST_F(TransferTest, WritesIntoAMissingFolderAreTraced) {
  // The trace itself creates the application folder again, so each write
  // starts without it.
  ASSERT_TRUE(QDir(Host("Prog/OrvaneMac")).removeRecursively());
  gTransfer().Trf_WriteUserProfile("SSLKey", "1");
  EXPECT_TRUE(Trace().contains("Error in Trf_WriteUserProfile3The system cannot find the path specified.\r\n"));
  ASSERT_TRUE(QDir(Host("Prog/OrvaneMac")).removeRecursively());
  gTransfer().Trf_WriteZQDetails("echoexe", "1");
  EXPECT_TRUE(Trace().contains("Error in Trf_WriteZQDetails3The system cannot find the path specified.\r\n"));
  EXPECT_FALSE(QFile::exists(Host("Prog/OrvaneMac/OrvaneDetails.ini")));
}

}  // namespace
}  // namespace OrvaneSrv
