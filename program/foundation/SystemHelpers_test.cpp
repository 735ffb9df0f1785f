#include "program/foundation/SystemHelpers.h"

#include <QApplication>
#include <QFile>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>

#include "program/foundation/ProgramTestFixture.h"
#include "program/foundation/modReg.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Shell.h"

extern char** environ;

namespace OrvaneMac {
namespace {

using namespace modGeneral;

TEST(StripNull, CutsAtTheFirstCrOrNulWhereverItStands) {
  const QChar nul(0);
  struct Row {
    QString text;
    QString cut;
  };
  const Row rows[] = {
      {"abc", "abc"},
      {"ab\rcd", "ab"},
      {QString("ab") + nul + "cd\r", "ab"},
      {QString("a\rb") + nul, "a"},
      {nul + QString("abc"), ""},
      {"\rabc", ""},  // the engine's own cut keeps this CR
      {"a\nb\r", "a\nb"},
      {"", ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(StripNull(row.text, -1), row.cut) << row.text.toStdString();
    EXPECT_EQ(StripNull(row.text, 0), row.cut) << row.text.toStdString();
  }
}

class SystemHelpersTest : public ProgramTest {};

TEST_F(SystemHelpersTest, SizeTextsWithStrictBands) {
  struct Row {
    double bytes;
    const char* text;
  };
  const Row rows[] = {
      {500, "500.00 B"},          {1536, "1.50 KB"},         {1048576, "1,024.00 KB"},
      {1073741824, "1,024.00 MB"}, {5.0 * 1073741824, "5.00 GB"}, {1025, "1.00 KB"},
      {1023, "1,023.00 B"},       {0, "0.00 B"},             {1048577, "1.00 MB"},
      {1024, "1,024.00 B"},       {-5, "-5.00 B"},
  };
  for (const Row& row : rows) EXPECT_EQ(GetProperSizeValue(row.bytes), row.text) << row.bytes;
}

TEST_F(SystemHelpersTest, AccountRelativePaths) {
  struct Row {
    const char* path;
    Integer raw;
    QString result;
  };
  const Row rows[] = {
      {"/users/jo/Files/Docs/My%20File.txt", 0, "Docs/My File.txt"},
      {"/users/jo/Files/Docs/My%20File.txt", -1, "Docs/My%20File.txt"},
      {"/users/jo/Files/", 0, ""},
      {"/users/jo/Files/Tax%20Papers/", 0, "Tax Papers/"},
      {"abcdefghij", 0, "ghij"},
      {"/users/jo/Files/a%20b%C3%A9", 0, QString::fromUtf8("a bé")},
      {"/users/jo/Files/%E6%97%A5%20x", 0, QString::fromUtf8("日 x")},
      {"/users/jo/Files/a%zzb", 0, "a"},
      {"/users/jo/Files/100%", 0, "100%"},
      {"/users/jo/Files/a%0D%0Ab", 0, "a"},
  };
  for (const Row& row : rows) EXPECT_EQ(GetRemotePath(row.path, row.raw), row.result) << row.path;

  // While the search window deletes its results, paths stay encoded.
  Program().SearchDeleteMode = true;
  EXPECT_EQ(GetRemotePath("/users/jo/Files/My%20File.txt", 0), "My%20File.txt");
}

TEST_F(SystemHelpersTest, VersionAnswers) {
  EXPECT_EQ(getVersion(), 2);
  EXPECT_FALSE(IsXP());
}

TEST_F(SystemHelpersTest, HelpTopicIsTracedAndItsAnswerIgnored) {
  std::vector<win::ShellRequest> opened;
  win::ScopedShellLauncher launcher([&](const win::ShellRequest& request) {
    opened.push_back(request);
    return 42L;
  });
  int argc = 1;
  char name[] = "program_SystemHelpers_test";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  QWidget window;
  window.setObjectName("frmSearchRemote");
  ShowHelpFile(&window, "OrvaneMacHelp.chm::/search.htm");
  ShowHelpFile(nullptr, "Missing.chm::/x.htm");
  EXPECT_EQ(TraceLines(), (QStringList{"Enter ShowHelpFilefrmSearchRemoteOrvaneMacHelp.chm::/search.htm",
                                       "Exit ShowHelpFile", "Enter ShowHelpFileMissing.chm::/x.htm",
                                       "Exit ShowHelpFile"}));
}

TEST_F(SystemHelpersTest, RegistryValuesByType) {
  win::HKEY key = 0;
  ASSERT_EQ(win::RegCreateKeyEx(win::HKEY_CURRENT_USER, "Software\\Test", 0, win::KEY_ALL_ACCESS, &key), 0);
  const auto text = [&](const char* name, const QString& value, win::DWORD type = win::REG_SZ) {
    const QByteArray bytes(reinterpret_cast<const char*>(value.utf16()), (value.size() + 1) * 2);
    ASSERT_EQ(win::RegSetValueEx(key, name, type, bytes.constData(), static_cast<win::DWORD>(bytes.size())), 0);
  };
  text("text", "abc");
  text("lines", "ab\rcd");
  text("expand", "%TEMP%", win::REG_EXPAND_SZ);
  text("long", QString(1100, u'x'));
  ASSERT_EQ(win::RegSetValueEx(key, "empty", win::REG_SZ, nullptr, 0), 0);
  const std::int32_t one = 1;
  ASSERT_EQ(win::RegSetValueEx(key, "number", win::REG_DWORD, &one, sizeof one), 0);
  const unsigned char binary[] = {200, 1, 2, 3};
  ASSERT_EQ(win::RegSetValueEx(key, "binary", win::REG_BINARY, binary, sizeof binary), 0);
  win::RegCloseKey(key);

  using modReg::ReadRegistryValue;
  EXPECT_EQ(ReadRegistryValue(win::HKEY_CURRENT_USER, "\\Software\\Test", "text"), vb::Variant(QString("abc")));
  EXPECT_EQ(ReadRegistryValue(win::HKEY_CURRENT_USER, "Software\\Test", "text"), vb::Variant(QString("abc")));
  EXPECT_EQ(ReadRegistryValue(win::HKEY_CURRENT_USER, "Software\\Test", "lines"), vb::Variant(QString("ab")));
  EXPECT_EQ(ReadRegistryValue(win::HKEY_CURRENT_USER, "Software\\Test", "number"), vb::Variant::FromLong(1));
  EXPECT_EQ(ReadRegistryValue(win::HKEY_CURRENT_USER, "Software\\Test", "binary"), vb::Variant::FromByte(200));
  for (const char* empty : {"expand", "long", "empty", "missing"}) {
    EXPECT_TRUE(ReadRegistryValue(win::HKEY_CURRENT_USER, "Software\\Test", empty).IsEmpty()) << empty;
  }
  EXPECT_TRUE(ReadRegistryValue(win::HKEY_CURRENT_USER, "Software\\Missing", "text").IsEmpty());
}

bool WaitUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

bool IsAlive(int pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return false;
  const QByteArray text = stat.readAll();
  const qsizetype close = text.lastIndexOf(')');
  return close > 0 && close + 2 < text.size() && text.at(close + 2) != 'Z';
}

TEST_F(SystemHelpersTest, FindsTheIdleHelperByNameAndEndsItOnlyWhenAsked) {
  win::SetProcessRecordFolder(Host("records"));
  ASSERT_TRUE(QFile::copy("/bin/sleep", Host("DORediRizura.exe")));
  const int helper = win::StartProcess("C:\\DORediRizura.exe 30");
  // A program the legacy prefix rule took for the helper: the wanted name
  // begins with its stem "doredi".
  const QByteArray lookalike = Host("doredi.exe").toUtf8();
  ASSERT_TRUE(QFile::copy("/bin/sleep", QString::fromUtf8(lookalike)));
  QByteArray seconds("30");
  char* argv[] = {const_cast<char*>(lookalike.constData()), seconds.data(), nullptr};
  pid_t other = 0;
  ASSERT_EQ(::posix_spawn(&other, lookalike.constData(), nullptr, nullptr, argv, environ), 0);

  ASSERT_TRUE(WaitUntil([] { return IsExeRunning("DOREDIRIZURA.EXE", 0, 0); }));
  EXPECT_TRUE(IsAlive(helper)) << "without the kill flag nothing is ended";
  EXPECT_TRUE(IsExeRunning("doredi.exe", 0, 0));
  EXPECT_TRUE(IsExeRunning("DOREDIRIZURA.EXE", -1, 0));
  EXPECT_FALSE(IsAlive(helper));
  EXPECT_FALSE(IsExeRunning("DOREDIRIZURA.EXE", -1, 0));
  EXPECT_TRUE(IsAlive(other)) << "an unrelated program is never matched";

  ::kill(other, SIGKILL);
  ::waitpid(other, nullptr, 0);
  win::TerminateProcessById(helper, 0);
  win::SetProcessRecordFolder({});
}

}  // namespace
}  // namespace OrvaneMac
