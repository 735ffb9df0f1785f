#include "platform/process/CommandLine.h"

#include "platform/errors/RuntimeError.h"
#include "platform/process/Process.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, ArgumentsSplitByTheCRuntimeRules) {
  struct Row {
    const char* line;
    QStringList args;
  };
  const Row rows[] = {
      {R"(  a   b	c  )", {"a", "b", "c"}},
      {R"("C:\dest dir\x" -v)", {R"(C:\dest dir\x)", "-v"}},
      {R"(a"b c"d)", {"ab cd"}},
      {R"("")", {""}},
      {R"(a\\b c\)", {R"(a\\b)", R"(c\)"}},  // backslashes not before a quote are literal
      {R"(a\"b)", {R"(a"b)"}},               // 2n+1: a literal quote
      {R"(a\\"b c")", {R"(a\b c)"}},         // 2n: n backslashes, the quote toggles
      {R"(a\\\"b)", {R"(a\"b)"}},
      {R"("c:\temp\" next)", {R"(c:\temp" next)"}},  // the closing quote is escaped
      {R"(--port=43718  "u@localhost::tessara/Docs/" "/" "C:\R")",
       {"--port=43718", "u@localhost::tessara/Docs/", "/", R"(C:\R)"}},
  };
  for (const Row& row : rows) EXPECT_EQ(win::SplitArguments(QString::fromUtf8(row.line)), row.args) << row.line;
}

TEST(CommandLine, ProgramReadingsFollowTheLoaderOrder) {
  const auto readings = win::ProgramCandidates(R"(c:\program files\sub dir\program name -x "y z")");
  QStringList programs;
  for (const auto& r : readings) programs.append(r.program);
  EXPECT_EQ(
      programs,
      (QStringList{R"(c:\program.exe)", R"(c:\program files\sub.exe)", R"(c:\program files\sub dir\program.exe)",
                   R"(c:\program files\sub dir\program name.exe)", R"(c:\program files\sub dir\program name -x.exe)",
                   R"(c:\program files\sub dir\program name -x "y.exe)",
                   R"(c:\program files\sub dir\program name -x "y z".exe)"}));
  EXPECT_EQ(readings.at(3).rest, R"( -x "y z")");

  const auto quoted = win::ProgramCandidates(R"(  "C:\a b\tool.exe"-v x)");
  ASSERT_EQ(quoted.size(), 1u);
  EXPECT_EQ(quoted[0].program, R"(C:\a b\tool.exe)");
  EXPECT_EQ(quoted[0].rest, "-v x");
  EXPECT_EQ(win::ProgramCandidates(R"("C:\a b\tool)").at(0).program, R"(C:\a b\tool.exe)") << "unclosed quote";
  EXPECT_TRUE(win::ProgramCandidates(" \t ").empty());

  EXPECT_EQ(win::WithDefaultExtension(R"(C:\my.dir\prog)"), R"(C:\my.dir\prog.exe)");
  EXPECT_EQ(win::WithDefaultExtension(R"(C:\x\EchoExe_int.bat)"), R"(C:\x\EchoExe_int.bat)");
}

TEST(CommandLine, ReadingsStopAtTheLongestProgramPartTheLoaderTakes) {
  // The longest Windows command line, all short words: one reading per word
  // would be thousands of readings, each a copy of most of the line.
  QString line;
  while (line.size() + 2 <= 32767) line += QStringLiteral("a ");
  const auto readings = win::ProgramCandidates(line);
  ASSERT_EQ(readings.size(), 130u) << "every reading of at most 259 characters";
  EXPECT_EQ(readings.back().program, line.left(259) + QStringLiteral(".exe"));

  const QString longest = QStringLiteral("C:\\") + QString(256, u'x');  // 259 characters
  EXPECT_EQ(win::ProgramCandidates(longest + QStringLiteral(" -v")).size(), 1u);
  EXPECT_EQ(win::ProgramCandidates(longest + QStringLiteral("y -v")).size(), 0u);
  EXPECT_EQ(win::ProgramCandidates(u'"' + longest + QStringLiteral("\" -v")).size(), 1u);
  EXPECT_TRUE(win::ProgramCandidates(u'"' + longest + QStringLiteral("y\" -v")).empty());
}

TEST(CommandLine, BatchLinesOfTheTwoFormsAreRead) {
  const win::BatchLine echo =
      win::ParseBatchText(QStringLiteral("echo \" \" >> \"C:\\Program Files\\Orvane\\orvane_int_rst_100.exe\""));
  EXPECT_EQ(echo.kind, win::BatchLine::Kind::Echo);
  EXPECT_EQ(echo.text, "\" \"");
  EXPECT_EQ(echo.file, "C:\\Program Files\\Orvane\\orvane_int_rst_100.exe");

  const win::BatchLine bare = win::ParseBatchText(QStringLiteral("\r\nECHO done \"a|b\">>log.txt\r\n\r\n"));
  EXPECT_EQ(bare.kind, win::BatchLine::Kind::Echo);
  EXPECT_EQ(bare.text, "done \"a|b\"") << "an operator inside quotes is text";
  EXPECT_EQ(bare.file, "log.txt");

  const QString run = QStringLiteral(
      "\"C:\\Prog\\orvane_int_rst_100.exe\" -v -5 -t -7/cygdrive/C/OrvaneInt/ORVANETEMP/arglistA.txt "
      "--port=43718  \"u@localhost::tessara/Docs\"\"/\" \"C:\\Restore AAA\"");
  const win::BatchLine program = win::ParseBatchText(run);
  EXPECT_EQ(program.kind, win::BatchLine::Kind::Program);
  EXPECT_EQ(program.commandLine, run);
}

TEST(CommandLine, OtherBatchLinesAreRefused) {
  const char* refused[] = {
      "",
      "del \"C:\\x.txt\"",
      "@echo off",
      "echo hello",                            // no redirection
      "echo hello > \"C:\\x.txt\"",            // overwrite
      "echo hello >> \"C:\\x.txt\" & del x",   // a chain
      "echo a|b >> x.txt",                     // a pipe
      "echo  >> x.txt",                        // nothing to echo
      "echo a >> \"C:\\x.txt",                 // unclosed quote
      "\"C:\\tool.exe\" a > \"C:\\out.txt\"",  // redirection of a program
      "\"C:\\tool.exe\" a | more",
      "\"C:\\tool.exe\" a\r\n\"C:\\tool.exe\" b",  // two commands
  };
  for (const char* text : refused) {
    try {
      (void)win::ParseBatchText(QString::fromUtf8(text));
      ADD_FAILURE() << "accepted: " << text;
    } catch (const vb::RuntimeError& e) {
      EXPECT_EQ(e.Number(), vb::errInvalidProcedureCall) << text;
      EXPECT_FALSE(e.Description().isEmpty());
    }
  }
}

TEST(CommandLine, ExeNamesMatchExactlyWithoutTheLegacyPrefixRule) {
  struct Row {
    const char* wanted;
    const char* running;
    bool match;
  };
  const Row rows[] = {
      {"orvane_int_rst_100.exe", "orvane_int_rst_100.exe", true},
      {"ORVANE_INT_RST_100", "orvane_int_rst_100.exe", true},
      {"orvane_int_rst_100.exe", "orvane_int_rst_100", true},  // a host program without extension
      {"DOREDIRIZURA.EXE", "doredirizura.exe", true},
      {"C:\\Prog\\redirect.exe", "/opt/orvane/redirect", true},
      {"orvane_int_rst_100.exe", "orvane_int", false},  // the legacy rule matched this stem
      {"orvane_int_rst_100.exe", "orv", false},
      {"orvane_int_rst_100.exe", "bash", false},  // legacy stem "" prefixed everything
      {"orvane_int_rst_100.exe", "orvane_int_rst_100.exe.exe", false},
      {"orvane_ssl_int_rst_100.exe", "orvane_ssl_prox_rst_100.exe", false},
      {"", "", false},
      {".exe", ".exe", false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(win::ExeNameMatches(row.wanted, row.running), row.match) << row.wanted << " / " << row.running;
  }
}

}  // namespace
