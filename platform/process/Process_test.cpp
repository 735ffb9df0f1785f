#include "platform/process/Process.h"

#include "platform/errors/ErrorTesting.h"

#include "platform/errors/RuntimeError.h"
#include "platform/paths/WinPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const QString kSleeper = QStringLiteral(ORVANE_SLEEPER);

bool WaitUntil(const std::function<bool()>& done, int milliseconds = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList ReadLines(const QString& path) {
  EXPECT_TRUE(WaitUntil([&] { return QFile::exists(path); })) << path.toStdString();
  return QString::fromUtf8(ReadAll(path)).split(u'\n', Qt::SkipEmptyParts);
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

// The state letter of a process, or nothing when it is gone.
std::optional<char> StateOf(int pid) {
  const QByteArray stat = ReadAll(QStringLiteral("/proc/%1/stat").arg(pid));
  const qsizetype close = stat.lastIndexOf(')');
  if (close < 0 || close + 2 >= stat.size()) return std::nullopt;
  return stat.at(close + 2);
}

bool IsAlive(int pid) {
  const auto state = StateOf(pid);
  return state && *state != 'Z';
}

// Polls the exit code the way the legacy callers do; nothing after 10 s.
std::optional<std::uint32_t> PollExitCode(int pid) {
  const win::ProcessHandle handle = win::OpenProcess(win::PROCESS_QUERY_INFORMATION, false, pid);
  if (handle == 0) return std::nullopt;
  std::uint32_t code = win::STILL_ACTIVE;
  WaitUntil([&] { return win::GetExitCodeProcess(handle, code) && code != win::STILL_ACTIVE; });
  win::CloseHandle(handle);
  if (code == win::STILL_ACTIVE) return std::nullopt;
  return code;
}

using vb::test::ErrorOf;

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    c_ = tmp_.path() + "/c";
    ASSERT_TRUE(QDir().mkpath(c_ + "/bin"));
    win::DriveTable table;
    table.Map(u'C', c_);
    table.Map(u'Z', "/");
    drives_.emplace(table);
    win::SetProgramFolder("C:\\");
    win::SetProcessRecordFolder(tmp_.path() + "/records");
    Install("bin\\tool.exe");
  }

  void TearDown() override {
    for (int pid : started_) win::TerminateProcessById(pid, 0);
    for (pid_t pid : outside_) {
      ::kill(-pid, SIGKILL);  // with what it started (bash's sleep)
      ::waitpid(pid, nullptr, 0);
    }
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    win::SetProcessRecordFolder({});
    win::SetProgramFolder({});
    drives_.reset();
  }

  QString Host(const QString& relative) const { return c_ + "/" + QString(relative).replace(u'\\', u'/'); }

  // The sleeper under a Windows name below C:\, as a link, so that the host
  // name of the running process stays the sleeper's own.
  QString Install(const QString& relative) {
    const QString host = Host(relative);
    QDir().mkpath(QFileInfo(host).path());
    EXPECT_TRUE(QFile::link(kSleeper, host)) << host.toStdString();
    return host;
  }

  int Start(const QString& commandLine, const win::LaunchOptions& options = {}) {
    const int pid = win::StartProcess(commandLine, options);
    started_.push_back(pid);
    return pid;
  }

  // A process this layer knows nothing about.
  pid_t StartOutside(const QStringList& args) {
    std::vector<QByteArray> store;
    for (const QString& a : args) store.push_back(a.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& a : store) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, argv[0], nullptr, &attributes, argv.data(), environ), 0);
    posix_spawnattr_destroy(&attributes);
    outside_.push_back(pid);
    return pid;
  }

  QTemporaryDir tmp_;
  QString c_;
  std::optional<win::ScopedDriveTable> drives_;
  std::vector<int> started_;
  std::vector<pid_t> outside_;
};

TEST_F(ProcessTest, QuotedProgramWithBlanksGetsItsArgumentsUnchangedInTheCurrentFolder) {
  Install("Program Files\\Sub Dir\\tool.exe");
  ASSERT_TRUE(QDir().mkpath(c_ + "/Work Dir"));
  ASSERT_TRUE(win::ChDir("C:\\work dir"));
  const QString out = tmp_.path() + "/args.txt";
  Start(QString(R"("C:\Program Files\Sub Dir\tool.exe" args OUT "C:\dest dir\x" a\"b /cygdrive/C/x)")
            .replace("OUT", out));
  EXPECT_EQ(ReadLines(out), (QStringList{c_ + "/Work Dir", R"(C:\dest dir\x)", R"(a"b)", "/cygdrive/C/x"}));

  win::LaunchOptions elsewhere;
  elsewhere.currentFolder = "C:\\BIN";
  const QString out2 = tmp_.path() + "/args2.txt";
  Start(QString(R"(C:\bin\tool args OUT)").replace("OUT", out2), elsewhere);
  EXPECT_EQ(ReadLines(out2).value(0), c_ + "/bin");
  elsewhere.currentFolder = "C:\\no such folder";
  EXPECT_EQ(ErrorOf([&] { Start(R"(C:\bin\tool exit 0)", elsewhere); }), vb::errPathNotFound);
}

TEST_F(ProcessTest, ProgramPathsResolveAsTheLoaderResolvesThem) {
  Install("program files\\sub dir\\program name.exe");
  const QString line = R"(C:\program files\sub dir\program name -x)";
  win::ResolvedProgram found = win::ResolveCommandLine(line);
  EXPECT_EQ(found.windowsPath, R"(C:\program files\sub dir\program name.exe)");
  EXPECT_EQ(found.hostPath, Host("program files/sub dir/program name.exe"));
  EXPECT_EQ(found.arguments, QStringList{"-x"});

  const QString out = tmp_.path() + "/unquoted.txt";
  Start(QString(R"(C:\program files\sub dir\program name args OUT)").replace("OUT", out));
  EXPECT_EQ(ReadLines(out).value(0), c_);

  // A shorter reading that exists wins, even when the caller meant the longer one.
  Install("program files\\sub");
  found = win::ResolveCommandLine(line);
  EXPECT_EQ(found.windowsPath, R"(C:\program files\sub.exe)");
  EXPECT_EQ(found.arguments, (QStringList{R"(dir\program)", "name", "-x"}));

  // "x.exe" is the host file "x.exe" when there is one, else "x".
  Install("bin\\rsync");
  EXPECT_EQ(win::ResolveCommandLine(R"(C:\BIN\rsync.exe -v)").hostPath, Host("bin/rsync"));
  EXPECT_EQ(win::ResolveCommandLine(R"(C:\bin\rsync -v)").windowsPath, R"(C:\bin\rsync.exe)");
  Install("bin\\rsync.exe");
  EXPECT_EQ(win::ResolveCommandLine(R"(C:\bin\RSYNC.EXE -v)").hostPath, Host("bin/rsync.exe"));

  // A bare name: the program folder, then the current folder.
  win::SetProgramFolder("C:\\bin");
  EXPECT_EQ(win::ResolveCommandLine("tool.exe x").hostPath, Host("bin/tool.exe"));
  win::SetProgramFolder("C:\\");
  ASSERT_TRUE(win::ChDir("C:\\bin"));
  EXPECT_EQ(win::ResolveCommandLine("\"tool\" x").hostPath, Host("bin/tool.exe"));

  EXPECT_EQ(ErrorOf([] { win::Shell(R"(C:\nowhere\x.exe -v)", win::vbHide); }), vb::errFileNotFound);
  EXPECT_EQ(ErrorOf([] { win::Shell(R"("C:\bin\missing tool.exe")", win::vbHide); }), vb::errFileNotFound);
  EXPECT_EQ(ErrorOf([] { win::Shell("   ", win::vbHide); }), vb::errInvalidProcedureCall);
}

TEST_F(ProcessTest, ExitCodeIsStillActiveWhileRunningThenTheCodeAndNoZombie) {
  const QString flag = tmp_.path() + "/flag";
  const int pid = Start(QString(R"(C:\bin\tool.exe waitfor FLAG 7)").replace("FLAG", flag));
  const win::ProcessHandle query =
      win::OpenProcess(win::PROCESS_QUERY_INFORMATION | win::PROCESS_TERMINATE, false, pid);
  ASSERT_NE(query, 0);
  std::uint32_t code = 0;
  ASSERT_TRUE(win::GetExitCodeProcess(query, code));
  EXPECT_EQ(code, win::STILL_ACTIVE);
  EXPECT_EQ(win::WaitForSingleObject(query, 10), win::WAIT_FAILED) << "no SYNCHRONIZE right";
  const win::ProcessHandle sync = win::OpenProcess(win::SYNCHRONIZE, false, pid);
  EXPECT_EQ(win::WaitForSingleObject(sync, 20), win::WAIT_TIMEOUT);
  EXPECT_FALSE(win::GetExitCodeProcess(sync, code)) << "no query right";

  WriteBytes(flag, "");
  ASSERT_TRUE(WaitUntil([&] { return win::GetExitCodeProcess(query, code) && code != win::STILL_ACTIVE; }));
  EXPECT_EQ(code, 7u);
  EXPECT_FALSE(StateOf(pid).has_value()) << "the child was reaped";
  EXPECT_EQ(win::WaitForSingleObject(sync, 0), win::WAIT_OBJECT_0);
  EXPECT_FALSE(win::TerminateProcess(query, 1)) << "it has already ended";

  // Opened after it ended, the child still tells its code; ending it by id does nothing.
  const win::ProcessHandle late = win::OpenProcess(win::PROCESS_QUERY_INFORMATION, false, pid);
  ASSERT_NE(late, 0);
  ASSERT_TRUE(win::GetExitCodeProcess(late, code));
  EXPECT_EQ(code, 7u);
  EXPECT_FALSE(win::TerminateProcessById(pid, 0));

  EXPECT_TRUE(win::CloseHandle(query));
  EXPECT_TRUE(win::CloseHandle(sync));
  EXPECT_TRUE(win::CloseHandle(late));
  EXPECT_FALSE(win::CloseHandle(query));
  EXPECT_FALSE(win::GetExitCodeProcess(query, code));
}

TEST_F(ProcessTest, TerminateEndsTheProcessWithTheGivenCode) {
  const int pid = Start(R"(C:\bin\tool.exe sleep 30)");
  const int other = Start(R"(C:\bin\tool.exe sleep 30)");
  const win::ProcessHandle weak = win::OpenProcess(win::PROCESS_QUERY_INFORMATION, false, other);
  EXPECT_FALSE(win::TerminateProcess(weak, 1)) << "no PROCESS_TERMINATE right";
  EXPECT_TRUE(IsAlive(other));

  const win::ProcessHandle handle = win::OpenProcess(0x401, false, pid);
  ASSERT_TRUE(win::TerminateProcess(handle, 3));
  EXPECT_FALSE(StateOf(pid).has_value()) << "ended and reaped before TerminateProcess returned";
  std::uint32_t code = 0;
  ASSERT_TRUE(win::GetExitCodeProcess(handle, code));
  EXPECT_EQ(code, 3u);
  EXPECT_FALSE(win::TerminateProcess(handle, 4));

  const pid_t stranger = StartOutside({kSleeper, "sleep", "30"});
  ASSERT_TRUE(win::TerminateProcessById(stranger, 0)) << "a process of the same user, not started here";
  int status = 0;
  ASSERT_EQ(::waitpid(stranger, &status, 0), stranger);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(win::OpenProcess(win::PROCESS_TERMINATE, false, 0), 0);
  win::CloseHandle(weak);
  win::CloseHandle(handle);
}

TEST_F(ProcessTest, ProgramsAreFoundAndEndedByTheirWindowsNamesOnly) {
  Install("orvane_int_rst_100.exe");
  const int first = Start(R"(C:\orvane_int_rst_100.exe sleep 30)");
  const int second = Start(R"("C:\orvane_int_rst_100" sleep 30)");
  // Unrelated programs whose names the legacy prefix rule would have taken.
  ASSERT_TRUE(QDir().mkpath(tmp_.path() + "/outside"));
  for (const char* name : {"orv", "orvane_int"}) {
    ASSERT_TRUE(QFile::copy(kSleeper, tmp_.path() + "/outside/" + name));
  }
  const pid_t orv = StartOutside({tmp_.path() + "/outside/orv", "sleep", "30"});
  const pid_t stem = StartOutside({tmp_.path() + "/outside/orvane_int", "sleep", "30"});
  const pid_t bash = StartOutside({"/bin/bash", "-c", "sleep 30; true"});
  ASSERT_TRUE(WaitUntil([&] {
    const auto found = win::FindProcessByExeName("orvane_int");
    return found && found->pid == stem;
  })) << "the outside programs run under their host names";

  std::map<int, QString> names;
  for (const auto& entry : win::ListProcesses()) names[entry.pid] = entry.exeFile;
  EXPECT_EQ(names[first], "orvane_int_rst_100.exe");
  EXPECT_EQ(names[second], "orvane_int_rst_100.exe");
  EXPECT_EQ(names[orv], "orv");

  const auto found = win::FindProcessByExeName("ORVANE_INT_RST_100");
  ASSERT_TRUE(found.has_value());
  EXPECT_TRUE(found->pid == first || found->pid == second);
  EXPECT_TRUE(win::EndProcessByExeName("ORVANE_INT_RST_100"));
  EXPECT_TRUE(win::EndProcessByExeName("orvane_int_rst_100.exe"));
  EXPECT_FALSE(win::EndProcessByExeName("orvane_int_rst_100.exe"));
  EXPECT_FALSE(win::FindProcessByExeName("orvane_int_rst_100.exe").has_value());
  EXPECT_EQ(PollExitCode(first), 0u);
  EXPECT_EQ(PollExitCode(second), 0u);

  EXPECT_TRUE(IsAlive(orv));
  EXPECT_TRUE(IsAlive(stem));
  EXPECT_TRUE(IsAlive(bash));
  EXPECT_FALSE(win::FindProcessByExeName("orv.exe.exe").has_value());
  const auto exact = win::FindProcessByExeName("ORV.EXE");
  ASSERT_TRUE(exact.has_value()) << "an exact name still finds a host program";
  EXPECT_EQ(exact->pid, orv);
}

TEST_F(ProcessTest, ProgramStartedByAnotherOfOurProcessesIsFoundByItsWindowsName) {
  const QString hostClient = Install("orvane_int_rst_100.exe");
  const QString zPath = "Z:" + QString(hostClient).replace(u'/', u'\\');
  const QString ready = tmp_.path() + "/ready";
  // The holder runs "<client> sleep 30" through the layer in its own process.
  const QString inner = QString("\"%1\" sleep 30").arg(zPath);
  const QString holder = QString(R"(C:\bin\tool.exe hold "%1" "%2" "%3" Local\Test%4 "%5" "%6")")
                             .arg(tmp_.path() + "/g", tmp_.path() + "/l", tmp_.path() + "/records")
                             .arg(::getpid())
                             .arg(ready, QString(inner).replace("\"", "\\\""));
  Start(holder);
  const QStringList words = ReadLines(ready).value(0).split(u' ');
  ASSERT_EQ(words.size(), 2);
  const int client = words[1].toInt();
  ASSERT_GT(client, 0);

  const auto found = win::FindProcessByExeName("orvane_int_rst_100.exe");
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->pid, client);
  EXPECT_TRUE(win::EndProcessByExeName("orvane_int_rst_100.exe"));
  EXPECT_FALSE(IsAlive(client));
  EXPECT_FALSE(win::FindProcessByExeName("orvane_int_rst_100.exe").has_value()) << "its zombie is not listed";
}

// Another test run, or the user's own program, on the same machine: a
// program of the same name that is not below this test process. The scope
// the test main sets keeps it out of every look-up by name.
TEST_F(ProcessTest, AProgramOutsideTheScopeIsNeitherFoundNorEnded) {
  ASSERT_EQ(win::ProcessScopeRoot(), ::getpid());
  Install("orvane_ssl_int_rst_100.exe");
  // The stranger is a copy under that name (not a link), so that its host
  // name is the outside program's.
  ASSERT_TRUE(QDir().mkpath(tmp_.path() + "/outside"));
  const QString copy = tmp_.path() + "/outside/orvane_ssl_int_rst_100.exe";
  ASSERT_TRUE(QFile::copy(kSleeper, copy));
  const QByteArray program = copy.toUtf8();
  // Started by a child that exits at once, with this process no longer a
  // subreaper for the moment, so that the program is adopted elsewhere.
  int pipe[2];
  ASSERT_EQ(::pipe(pipe), 0);
  ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 0), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    const pid_t grandchild = ::fork();
    if (grandchild == 0) {
      ::setpgid(0, 0);
      ::execl(program.constData(), program.constData(), "sleep", "30", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    (void)!::write(pipe[1], &grandchild, sizeof grandchild);
    ::_exit(0);
  }
  ::waitpid(child, nullptr, 0);
  ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  pid_t stranger = 0;
  ASSERT_EQ(::read(pipe[0], &stranger, sizeof stranger), static_cast<ssize_t>(sizeof stranger));
  ::close(pipe[0]);
  ::close(pipe[1]);
  ASSERT_TRUE(WaitUntil([&] { return StateOf(stranger) && ReadAll(QStringLiteral("/proc/%1/comm").arg(stranger)).startsWith("orvane_ssl"); }));

  EXPECT_FALSE(win::FindProcessByExeName("orvane_ssl_int_rst_100.exe").has_value());
  EXPECT_FALSE(win::EndProcessByExeName("orvane_ssl_int_rst_100.exe"));
  for (const auto& entry : win::ListProcesses()) EXPECT_NE(entry.pid, stranger);
  EXPECT_TRUE(IsAlive(stranger)) << "left running";

  // One of ours under the same name is found and ended, the stranger stays.
  const int ours = Start(R"(C:\orvane_ssl_int_rst_100.exe sleep 30)");
  const auto found = win::FindProcessByExeName("orvane_ssl_int_rst_100.exe");
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->pid, ours);
  EXPECT_TRUE(win::EndProcessByExeName("orvane_ssl_int_rst_100.exe"));
  EXPECT_FALSE(IsAlive(ours));
  EXPECT_TRUE(IsAlive(stranger));
  ::kill(stranger, SIGKILL);
}

TEST_F(ProcessTest, BatchFilesRunOnlyTheirTwoForms) {
  // The echo touch appends to the program file that runs as "x.exe".
  WriteBytes(Host("orvane_int_rst_100"), "BIN");
  WriteBytes(Host("EchoExe_int.bat"), R"(echo " " >> "C:\orvane_int_rst_100.exe")");
  std::optional<std::uint32_t> code =
      PollExitCode(static_cast<int>(win::Shell(R"("C:\EchoExe_int.bat")", win::vbHide)));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(ReadAll(Host("orvane_int_rst_100")), QByteArray("BIN\" \"\r\n"));
  EXPECT_FALSE(QFile::exists(Host("orvane_int_rst_100.exe")));

  // 8-bit text in, 8-bit text out; the same through "cmd.exe /c".
  WriteBytes(Host("log.bat"), "echo caf\xE9 \"x\" >> C:\\log.txt\r\n");
  EXPECT_EQ(PollExitCode(Start(R"(C:\log.bat)")), 0u);
  EXPECT_EQ(PollExitCode(Start(R"(C:\WINDOWS\system32\cmd.exe /c echo second >> "C:\log.txt")")), 0u);
  EXPECT_EQ(ReadAll(Host("log.txt")), QByteArray("caf\xE9 \"x\"\r\nsecond\r\n"));
  EXPECT_EQ(PollExitCode(Start(R"(cmd /c echo x >> "Q:\nowhere.txt")")), 1u)
      << "an unwritable target fails inside the batch, as the interpreter's echo does";

  // A quoted program with arguments: that program is the started process.
  const QString out = tmp_.path() + "/batch-args.txt";
  WriteBytes(Host("RedirectSerA.bat"),
             QString(R"("C:\bin\tool.exe" args OUT -7/cygdrive/C/a "u@localhost::tessara/D""/" "C:\R AAA")")
                 .replace("OUT", out)
                 .toLatin1());
  const int pid = Start(R"("C:\RedirectSerA.bat")");
  EXPECT_EQ(ReadLines(out).mid(1), (QStringList{"-7/cygdrive/C/a", "u@localhost::tessara/D/", R"(C:\R AAA)"}));
  EXPECT_EQ(PollExitCode(pid), 0u);

  // Anything else is refused before anything starts.
  WriteBytes(Host("bad.bat"), R"(del "C:\orvane_int_rst_100")");
  EXPECT_EQ(ErrorOf([&] { Start(R"(C:\bad.bat)"); }), vb::errInvalidProcedureCall);
  WriteBytes(Host("chain.bat"), R"("C:\bin\tool.exe" exit 0 & del x)");
  EXPECT_EQ(ErrorOf([&] { Start(R"(C:\chain.bat)"); }), vb::errInvalidProcedureCall);
  EXPECT_EQ(ErrorOf([&] { Start(R"(C:\EchoExe_int.bat extra)"); }), vb::errInvalidProcedureCall);
  EXPECT_EQ(ErrorOf([&] { Start(R"(cmd.exe /k echo x >> y)"); }), vb::errInvalidProcedureCall);
  EXPECT_EQ(ErrorOf([&] { Start(R"(C:\missing.bat)"); }), vb::errFileNotFound);
  EXPECT_EQ(ReadAll(Host("orvane_int_rst_100")), QByteArray("BIN\" \"\r\n"));
}

TEST_F(ProcessTest, StandardStreamsAreRedirectedAndNoOtherDescriptorIsInherited) {
  const QString in = tmp_.path() + "/in.txt";
  WriteBytes(in, "secret\n");
  win::LaunchOptions options;
  options.stdinFile = in;
  options.stdoutFile = tmp_.path() + "/out.txt";
  options.stderrFile = tmp_.path() + "/err.txt";
  WriteBytes(options.stdoutFile, "old content that must go");
  EXPECT_EQ(PollExitCode(Start(R"(C:\bin\tool.exe cat)", options)), 0u);
  EXPECT_EQ(ReadAll(options.stdoutFile), "secret\n");
  EXPECT_EQ(ReadAll(options.stderrFile), "E");

  win::LaunchOptions quiet;
  quiet.stdoutFile = tmp_.path() + "/empty.txt";
  EXPECT_EQ(PollExitCode(Start(R"(C:\bin\tool.exe cat)", quiet)), 0u) << "standard input is /dev/null";
  EXPECT_EQ(ReadAll(quiet.stdoutFile), "");

  const int leaked = ::fcntl(::open("/dev/null", O_RDONLY), F_DUPFD, 50);  // no close-on-exec
  ASSERT_GE(leaked, 50);
  const QString fds = tmp_.path() + "/fds.txt";
  Start(QString(R"(C:\bin\tool.exe fds OUT)").replace("OUT", fds));
  const QStringList open = ReadLines(fds);
  EXPECT_FALSE(open.contains(QString::number(leaked))) << open.join(',').toStdString();
  EXPECT_LE(open.size(), 4) << "stdio and the listing's own descriptor";

  win::LaunchOptions missing;
  missing.stdinFile = tmp_.path() + "/none.txt";
  EXPECT_EQ(ErrorOf([&] { Start(R"(C:\bin\tool.exe cat)", missing); }), vb::errFileNotFound);
  win::LaunchOptions noFolder;
  noFolder.stdoutFile = tmp_.path() + "/no/such/out.txt";
  EXPECT_EQ(ErrorOf([&] { Start(R"(C:\bin\tool.exe cat)", noFolder); }), vb::errPathNotFound);
}

}  // namespace
