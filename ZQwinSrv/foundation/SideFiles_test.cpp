#include "ZQwinSrv/foundation/SideFiles.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <optional>
#include <vector>

#include "ZQwinSrv/foundation/Options.h"
#include "platform/codepage/CodePage.h"
#include "platform/paths/WinPath.h"
#include "platform/registry/Registry.h"

namespace OrvaneSrv {
namespace {

class SideFilesTest : public EngineTest {
 protected:
  static void SetOVMac(win::HKEY hive, const QString& name, const QString& value) {
    ASSERT_EQ(win::RegistryWriteString(hive, "Software\\OVMac", name, value, win::RegistryKeyMode::Create), 0);
  }
};

TEST_F(SideFilesTest, PasswordScramblerShiftsByTheKeyModulo256) {
  // Position 1 pairs with key letter 2 ("E", 69), position 7 with letter 1
  // ("V", 86), position 8 with letter 2 again.
  EXPECT_EQ(EncryptPwd("a"), QString(QChar(97 + 69)));
  const QString seven = EncryptPwd("aaaaaaaa");
  EXPECT_EQ(seven.at(6), QChar(97 + 86));
  EXPECT_EQ(seven.at(7), QChar(97 + 69));
  // Codes wrap at 256 both ways, and units above U+00FF keep only their low byte.
  EXPECT_EQ(EncryptPwd(QString(QChar(0xFF))), QString(QChar((0xFF + 69) & 0xFF)));
  EXPECT_EQ(DecryptPwd(QString(QChar(0))), QString(QChar(256 - 69)));
  EXPECT_EQ(DecryptPwd(EncryptPwd(QString(QChar(0x7FF0)))), QString(QChar(0xF0)));

  EXPECT_EQ(DecryptPwd(EncryptPwd("password")), "password");
  EXPECT_EQ(EncryptPwd(""), "");
  EXPECT_EQ(EncryptPwd("   "), "");
  EXPECT_EQ(DecryptPwd("   "), "");
  EXPECT_EQ(DecryptPwd(EncryptPwd(" pass word ")), " pass word ");
  QString all;
  for (int code = 0; code < 256; ++code) all.append(QChar(code));
  EXPECT_EQ(DecryptPwd(EncryptPwd(all)), all);
}

TEST_F(SideFilesTest, EveryScrambledPasswordReadsBackWhole) {
  // Clear texts whose scrambled form holds a line feed, a CR, a NUL, or a
  // blank at either end (for a key letter k, the clear code 256 + c - k
  // scrambles to c).
  const QChar lf(266 - 69), cr(269 - 69), nul(256 - 69), blankAt1(288 - 69), blankAt3(288 - 73);
  const std::vector<QString> passwords = {
      "password", QString(lf) + "pw", QString(cr) + "pw", QString(nul) + "pw", QString(blankAt1) + "pw",
      QString("ab") + blankAt3,
  };
  for (const QString& password : passwords) {
    const QString scrambled = EncryptPwd(password);
    WriteProfileFile("jo", scrambled, 1);
    EXPECT_EQ(Bytes("Prog/OrvaneMac/jo/jo.txt"), Bom() + Utf16(scrambled + "\r\n"));
    EXPECT_EQ(ReadProfileFile("jo", 1), scrambled);

    const SideFileSettings proxy = EngineSideFiles("C:\\Prog\\OrvaneMac");
    WriteProfileFile(proxy, "", scrambled, 5);
    EXPECT_EQ(ReadProfileFile(proxy, "", 5), password) << "kind 5 answers the unscrambled text";
  }
  EXPECT_TRUE(EncryptPwd(QString(lf) + "pw").contains('\n'));
  EXPECT_TRUE(EncryptPwd(QString(cr) + "pw").contains('\r'));
}

TEST_F(SideFilesTest, PasswordFilesAreOwnerOnlyWhoeverWritesThem) {
  // The engine stores the remembered password without the program: the
  // files are owner-only whoever writes them; a path is not.
  const mode_t mask = ::umask(022);
  WriteProfileFile("jo", EncryptPwd("pw"), 1);
  WriteProfileFile(EngineSideFiles("C:\\Prog\\OrvaneMac"), "", EncryptPwd("proxy"), 5);
  WriteProfileFile("jo", "C:\\Some Path", 3);
  ::umask(mask);
  const auto mode = [&](const QString& relative) {
    struct stat st {};
    return ::stat(Host(relative).toLocal8Bit().constData(), &st) == 0 ? st.st_mode & 0777 : 0u;
  };
  EXPECT_EQ(mode("Prog/OrvaneMac/jo/jo.txt"), 0600u);
  EXPECT_EQ(mode("Prog/OrvaneMac/ZQProxyUser.txt"), 0600u);
  EXPECT_EQ(mode("Prog/OrvaneMac/jo/ZQTemppath.txt"), 0644u) << "a path is no secret";
  EXPECT_EQ(ReadProfileFile("jo", 1), EncryptPwd("pw"));
}

TEST_F(SideFilesTest, FilesOfEachKindAndTheirRegistryFallbacks) {
  struct Row {
    Integer kind;
    const char* file;
    const char* fallback;
  };
  const Row rows[] = {
      {2, "ZQOpenfilepath.txt", "VSSTEMPPATH"},
      {3, "ZQTemppath.txt", "TempFolder"},
      {4, "ZQSystemStatePath.txt", "SYSSTATE"},
  };
  for (const Row& row : rows) {
    WriteProfileFile("jo", "  C:\\Some Path  ", row.kind);
    EXPECT_EQ(Bytes(QString("Prog/OrvaneMac/jo/") + row.file), Bom() + Utf16("C:\\Some Path\r\n")) << row.file;
    EXPECT_EQ(ReadProfileFile("jo", row.kind), "C:\\Some Path") << row.file;

    WriteBytes(QString("Prog/OrvaneMac/jo/") + row.file, Bom() + Utf16("   \r\n"));
    EXPECT_EQ(ReadProfileFile("jo", row.kind), "") << row.file;
    SetOVMac(win::HKEY_CURRENT_USER, row.fallback, "  D:\\From Registry ");
    EXPECT_EQ(ReadProfileFile("jo", row.kind), "D:\\From Registry") << row.file;
  }

  // The user password: a blank side file falls back to the value named by
  // the scrambled user name, in the current user's hive (OS version 10).
  WriteBytes("Prog/OrvaneMac/jo/jo.txt", Bom() + Utf16("    \r\n"));
  SetOVMac(win::HKEY_LOCAL_MACHINE, EncryptPwd("jo"), "machine");
  EXPECT_EQ(ReadProfileFile("jo", 1), "");
  SetOVMac(win::HKEY_CURRENT_USER, EncryptPwd("jo"), EncryptPwd("secret"));
  EXPECT_EQ(ReadProfileFile("jo", 1), EncryptPwd("secret"));

  // The proxy password has no fallback and reads no registry value.
  const QString before = Trace();
  EXPECT_EQ(ReadProfileFile("", 5), "");
  EXPECT_EQ(Trace(), before);
  // An unknown kind names no file.
  EXPECT_EQ(ReadProfileFile("jo", 7), "");
}

TEST_F(SideFilesTest, RegistryLookupsTraceTheNameNeverTheValue) {
  SetOVMac(win::HKEY_CURRENT_USER, "ENCjo", "scrambled key text");
  EXPECT_EQ(ReadProfilefromRegistry("ENCjo"), "scrambled key text");
  EXPECT_EQ(ReadProfilefromRegistry("ENCnobody"), "");
  const QString trace = Trace();
  EXPECT_TRUE(trace.contains("ReadProfilefromRegistry value for ENCjo found\r\n"));
  EXPECT_TRUE(trace.contains("ReadProfilefromRegistry value for ENCnobody not found\r\n"));
  EXPECT_FALSE(trace.contains("scrambled key text"));

  // The 2048-byte buffer holds 1023 characters and the NUL.
  SetOVMac(win::HKEY_CURRENT_USER, "long", QString(1023, 'x'));
  EXPECT_EQ(ReadProfilefromRegistry("long"), QString(1023, 'x'));
  SetOVMac(win::HKEY_CURRENT_USER, "long", QString(1024, 'x'));
  EXPECT_EQ(ReadProfilefromRegistry("long"), "");

  // Cut at the first CR or NUL; the engine keeps a CR in the first place,
  // the program does not.
  SetOVMac(win::HKEY_CURRENT_USER, "cut", "ab\rcd");
  EXPECT_EQ(ReadProfilefromRegistry("cut"), "ab");
  SetOVMac(win::HKEY_CURRENT_USER, "cut", QString("ab") + QChar(0) + "cd");
  EXPECT_EQ(ReadProfilefromRegistry("cut"), "ab");
  SetOVMac(win::HKEY_CURRENT_USER, "cut", "\rab");
  EXPECT_EQ(ReadProfilefromRegistry("cut"), "\rab");
  SideFileSettings program;
  std::vector<RegistryLookup> seen;
  program.keepLeadingCr = false;
  program.traceLookup = [&](const RegistryLookup& lookup) { seen.push_back(lookup); };
  EXPECT_EQ(ReadProfilefromRegistry(program, "cut"), "");
  EXPECT_EQ(ReadProfilefromRegistry(program, "missing"), "");
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].valueName, "cut");
  EXPECT_TRUE(seen[0].found);
  EXPECT_FALSE(seen[1].found);
  EXPECT_FALSE(seen[1].error.Failed());
}

TEST_F(SideFilesTest, TheProgramsSettingsAndTheWritersFolder) {
  // The program: its own kind-3 name, and its writer creates the
  // application folder when it is missing.
  ASSERT_TRUE(QDir().mkpath(Host("Other")));
  SideFileSettings program;
  program.appFolder = "C:\\Other\\OrvaneMac";
  program.tempPathFileName = "OVTemppath.txt";
  program.createAppFolder = true;
  WriteProfileFile(program, "", "C:\\Other\\ORVANETEMP", 3);
  EXPECT_EQ(Bytes("Other/OrvaneMac/OVTemppath.txt"), Bom() + Utf16("C:\\Other\\ORVANETEMP\r\n"));
  EXPECT_EQ(ReadProfileFile(program, "", 3), "C:\\Other\\ORVANETEMP");
  EXPECT_EQ(ReadProfileFile(EngineSideFiles("C:\\Other\\OrvaneMac"), "", 3), "")
      << "the engine does not see the program's kind-3 file";

  // An empty proxy password only deletes the file.
  WriteProfileFile(program, "", EncryptPwd("pw"), 5);
  ASSERT_TRUE(QFile::exists(Host("Other/OrvaneMac/ZQProxyUser.txt")));
  WriteProfileFile(program, "", "", 5);
  EXPECT_FALSE(QFile::exists(Host("Other/OrvaneMac/ZQProxyUser.txt")));

  // The engine's writer expects the application folder.
  SideFileSettings engine = EngineSideFiles("C:\\Missing\\OrvaneMac");
  WriteProfileFile(engine, "jo", "x", 1);
  EXPECT_FALSE(QDir(Host("Missing")).exists());

  // A name with blanks around it is written and read under the trimmed name.
  WriteProfileFile(" jo ", EncryptPwd("pw"), 1);
  EXPECT_TRUE(QFile::exists(Host("Prog/OrvaneMac/jo/jo.txt")));
  EXPECT_EQ(ReadProfileFile(" jo ", 1), EncryptPwd("pw"));

  // The engine writes beside its library and reads where InitEngine said.
  ASSERT_TRUE(QDir().mkpath(Host("Lib/OrvaneMac")));
  win::SetProgramFolder("C:\\Lib");
  WriteProfileFile("ann", EncryptPwd("pw"), 1);
  EXPECT_TRUE(QFile::exists(Host("Lib/OrvaneMac/ann/ann.txt")));
  EXPECT_EQ(ReadProfileFile("ann", 1), "");
}

TEST_F(SideFilesTest, ApplicationTypeFromTheDetailsFileOrTheMachineHive) {
  EXPECT_FALSE(GetAppType());
  SetOVMac(win::HKEY_CURRENT_USER, "Type", "service");
  EXPECT_FALSE(GetAppType()) << "only the machine hive counts";
  SetOVMac(win::HKEY_LOCAL_MACHINE, "Type", "SERVICE");
  EXPECT_TRUE(GetAppType());
  WriteBytes("Prog/OrvaneMac/OrvaneDetails.ini", "[Orvane]\r\nType=desktop\r\n");
  EXPECT_FALSE(GetAppType()) << "the details file wins";
  WriteBytes("Prog/OrvaneMac/OrvaneDetails.ini", "[Orvane]\r\nType=\"Service \"\r\n");
  EXPECT_TRUE(GetAppType());
}

TEST_F(SideFilesTest, RegistryValuesByType) {
  win::HKEY key = 0;
  ASSERT_EQ(win::RegCreateKeyEx(win::HKEY_CURRENT_USER, "Software\\Test", 0, win::KEY_ALL_ACCESS, &key), 0);
  SetValueEx(key, "text", 1, QString("abc"));
  SetValueEx(key, "number", 4, 7);
  EXPECT_EQ(SetValueEx(key, "other", 3, QString("x")), 0);
  const unsigned char binary[] = {200, 1, 2};
  ASSERT_EQ(win::RegSetValueEx(key, "binary", win::REG_BINARY, binary, sizeof binary), 0);
  win::RegCloseKey(key);

  EXPECT_EQ(RegReadValue(win::HKEY_CURRENT_USER, "\\Software\\Test", "text"), vb::Variant(QString("abc")));
  EXPECT_EQ(RegReadValue(win::HKEY_CURRENT_USER, "Software\\Test", "number"), vb::Variant::FromLong(7));
  EXPECT_EQ(RegReadValue(win::HKEY_CURRENT_USER, "Software\\Test", "binary"), vb::Variant::FromByte(200));
  EXPECT_TRUE(RegReadValue(win::HKEY_CURRENT_USER, "Software\\Test", "other").IsEmpty());
  EXPECT_TRUE(RegReadValue(win::HKEY_CURRENT_USER, "Software\\Test", "missing").IsEmpty());
  EXPECT_TRUE(RegReadValue(win::HKEY_CURRENT_USER, "Software\\Missing", "text").IsEmpty());

  // SetKeyValue writes into existing keys of the current user's hive only.
  SetKeyValue("Software\\Test", "flag", vb::Variant::FromLong(1), 4);
  EXPECT_EQ(win::RegistryReadDword(win::HKEY_CURRENT_USER, "Software\\Test", "flag"), 1u);
  SetKeyValue("Software\\Test", "name", QString("v"), 1);
  EXPECT_EQ(win::RegistryReadString(win::HKEY_CURRENT_USER, "Software\\Test", "name"), QString("v"));
  SetKeyValue("Software\\Nowhere", "flag", vb::Variant::FromLong(1), 4);
  EXPECT_FALSE(win::RegistryReadDword(win::HKEY_CURRENT_USER, "Software\\Nowhere", "flag").has_value());
}

TEST_F(SideFilesTest, KeyTextScramblerWorksOnWindows1252Codes) {
  // The seven key letters XOR to 234: unscrambling "A" (65) gives 66 ^ 234.
  EXPECT_EQ(ScrambleKeyText(0, "A"), QString(QChar(66 ^ 234)));
  EXPECT_EQ(ScrambleKeyText(1, QString(QChar(66 ^ 234))), "A");
  // Code 128 is the euro sign in Windows-1252, not U+0080.
  EXPECT_EQ(ScrambleKeyText(1, "k"), QString(QChar(0x20AC)));
  EXPECT_EQ(ScrambleKeyText(0, QString(QChar(0x20AC))), "k");

  QString all;
  for (int code = 0; code < 256; ++code) all.append(win::AnsiChar(static_cast<unsigned char>(code)));
  EXPECT_EQ(ScrambleKeyText(0, ScrambleKeyText(1, all)), all);
  EXPECT_EQ(ScrambleKeyText(1, ScrambleKeyText(0, all)), all);
  EXPECT_EQ(ScrambleKeyText(0, ""), "");
}

TEST_F(SideFilesTest, FirstLineOfAnEightBitFile) {
  WriteBytes("Prog/OrvaneMac/jo/EncPswdFile.txt", "  caf\xE9 key  \r\nsecond\r\n");
  EXPECT_EQ(ReadTextFileLine("C:\\Prog\\OrvaneMac\\jo\\EncPswdFile.txt"), QString::fromUtf8("café key"));
  WriteBytes("Prog/empty.txt", "");
  EXPECT_EQ(ReadTextFileLine("C:\\Prog\\empty.txt"), "");
  EXPECT_EQ(ReadTextFileLine("C:\\Prog\\missing.txt"), "");
}

TEST_F(SideFilesTest, FileCopiesKeepEveryByte) {
  QByteArray bytes;
  for (int i = 0; i < 256; ++i) bytes.append(static_cast<char>(i));
  WriteBytes("a.bin", bytes);
  EXPECT_TRUE(EncryptFile("C:\\a.bin", "C:\\b.bin", false));
  EXPECT_EQ(Bytes("b.bin"), bytes);

  WriteBytes("empty.bin", "");
  EXPECT_TRUE(DecryptFile("C:\\empty.bin", "C:\\b.bin", false));
  EXPECT_TRUE(QFile::exists(Host("b.bin")));
  EXPECT_EQ(Bytes("b.bin"), QByteArray());

  // A block that reads "Error" is data.
  const QByteArray error = QByteArray("Error") + QByteArray(123, ' ') + QByteArray("  Error  ");
  WriteBytes("error.txt", error);
  EXPECT_TRUE(EncryptFile("C:\\error.txt", "C:\\copy.txt", true));
  EXPECT_EQ(Bytes("copy.txt"), error);

  // A longer destination kept by the caller does not keep its old tail.
  WriteBytes("long.txt", QByteArray(1000, 'z'));
  EXPECT_TRUE(EncryptFile("C:\\error.txt", "C:\\long.txt", true));
  EXPECT_EQ(Bytes("long.txt"), error);

  // Onto itself (the tunnel configuration's case): nothing is lost.
  WriteBytes("SSLInteractive.conf", "[ZQWIN]\r\naccept = 43718\r\n");
  EXPECT_TRUE(EncryptFile("C:\\SSLInteractive.conf", "C:\\SSLInteractive.conf", true));
  EXPECT_TRUE(DecryptFile("C:\\SSLInteractive.conf", "c:\\.\\sslinteractive.conf", false));
  EXPECT_EQ(Bytes("SSLInteractive.conf"), QByteArray("[ZQWIN]\r\naccept = 43718\r\n"));

  // Input and output failures.
  EXPECT_FALSE(EncryptFile("C:\\missing.bin", "C:\\c.bin", false));
  EXPECT_FALSE(EncryptFile("C:\\a.bin", "C:\\no folder\\c.bin", false));
}

}  // namespace
}  // namespace OrvaneSrv
