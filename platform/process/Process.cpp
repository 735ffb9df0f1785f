#include "platform/process/Process.h"

#include "platform/codepage/CodePage.h"
#include "platform/errors/RuntimeError.h"
#include "platform/paths/WinPath.h"
#include "platform/process/CommandLine.h"
#include "platform/process/Privileges.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace win {
namespace {

using Clock = std::chrono::steady_clock;

// Process descriptors, through the system calls themselves (the C library's
// header for them lacks C linkage here).
int OpenPidFd(int pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

int SignalPidFd(int fd, int signal) {
  return static_cast<int>(::syscall(SYS_pidfd_send_signal, fd, signal, nullptr, 0));
}

// ---------------------------------------------------------------------------
// Reading /proc

struct ProcStat {
  char state = '?';
  int parentPid = 0;
  std::uint64_t startTime = 0;
  QString comm;
};

std::optional<ProcStat> ReadStat(int pid) {
  QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray text = file.readAll();
  // The command name sits in parentheses and may itself hold ")" or blanks.
  const qsizetype open = text.indexOf('(');
  const qsizetype close = text.lastIndexOf(')');
  if (open < 0 || close < open) return std::nullopt;
  const QList<QByteArray> fields = text.mid(close + 2).split(' ');
  if (fields.size() < 20) return std::nullopt;
  ProcStat stat;
  stat.comm = QString::fromUtf8(text.mid(open + 1, close - open - 1));
  stat.state = fields.at(0).isEmpty() ? '?' : fields.at(0).at(0);
  stat.parentPid = fields.at(1).toInt();
  stat.startTime = fields.at(19).toULongLong();
  return stat;
}

bool IsDeadState(char state) { return state == 'Z' || state == 'X' || state == 'x'; }

std::optional<unsigned> ReadRealUid(int pid) {
  QFile file(QStringLiteral("/proc/%1/status").arg(pid));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  // Read whole: files of /proc report a size of 0, so atEnd() is true at once.
  for (const QByteArray& line : file.readAll().split('\n')) {
    if (line.startsWith("Uid:")) {
      const QList<QByteArray> parts = line.mid(4).simplified().split(' ');
      bool ok = false;
      const unsigned uid = parts.value(0).toUInt(&ok);
      if (ok) return uid;
      return std::nullopt;
    }
  }
  return std::nullopt;
}

// The host file name of the process's executable; the command name when the
// link cannot be read (kernel threads, or no rights).
QString HostExeName(int pid, const QString& comm) {
  char buffer[4096];
  const QByteArray link = QByteArray("/proc/") + QByteArray::number(pid) + "/exe";
  const ssize_t n = ::readlink(link.constData(), buffer, sizeof buffer - 1);
  if (n <= 0) return comm;
  QString path = QFile::decodeName(QByteArray(buffer, static_cast<int>(n)));
  if (path.endsWith(QStringLiteral(" (deleted)"))) path.chop(10);
  return FileNameOf(path);
}

// True while `pid` is the running (not dead, not zombie) process that
// started at `startTime`.
bool IsRunning(int pid, std::uint64_t startTime) {
  const auto stat = ReadStat(pid);
  return stat && stat->startTime == startTime && !IsDeadState(stat->state);
}

// A descriptor that refers to exactly the process `pid` started at
// `startTime` (so a reused id is never signalled); -1 when it is gone or
// the kernel has no process descriptors.
int PinProcess(int pid, std::uint64_t startTime) {
  const int fd = OpenPidFd(pid);
  if (fd < 0) return -1;
  if (!IsRunning(pid, startTime)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// ---------------------------------------------------------------------------
// Record folder: "<pid>" files holding "<start time>\n<Windows name>\n".

QString DefaultRecordFolder() {
  const QString overridden = qEnvironmentVariable("ORVANE_PROCESS_RECORDS");
  if (!overridden.isEmpty()) return overridden;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime + QStringLiteral("/orvane-procs");
  return QStringLiteral("/tmp/orvane-procs-%1").arg(::getuid());
}

// Creates the folder (0700) when missing; true when it is a real folder of
// this user, so that nobody else can plant names in it.
bool PrepareRecordFolder(const QString& folder) {
  const QByteArray path = QFile::encodeName(folder);
  if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  if (::lstat(path.constData(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

// ---------------------------------------------------------------------------
// Processes this module knows.

struct Tracked {
  int pid = 0;
  std::uint64_t startTime = 0;
  QString windowsName;
  bool child = false;  // ours: its exit status can be collected
  bool ended = false;
  std::uint32_t exitCode = STILL_ACTIVE;
  std::optional<std::uint32_t> terminateCode;
};

struct HandleEntry {
  std::shared_ptr<Tracked> process;
  std::uint32_t access = 0;
};

constexpr std::size_t kEndedKept = 64;

struct Table {
  std::mutex mutex;
  std::map<int, std::shared_ptr<Tracked>> running;  // children not reaped yet
  std::deque<std::shared_ptr<Tracked>> ended;       // recently reaped children, newest last
  std::map<ProcessHandle, HandleEntry> handles;
  ProcessHandle nextHandle = 0x100;
  QString recordFolder;  // empty: the default

  QString RecordFolder() const { return recordFolder.isEmpty() ? DefaultRecordFolder() : recordFolder; }
};

Table& T() {
  // Never destroyed: children may still be reaped from other statics' destructors.
  static Table* table = new Table;
  return *table;
}

std::uint32_t ExitCodeOf(const Tracked& tracked, int status) {
  if (WIFEXITED(status)) return static_cast<std::uint32_t>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) {
    if (tracked.terminateCode) return *tracked.terminateCode;
    return 128u + static_cast<std::uint32_t>(WTERMSIG(status));
  }
  return 0;
}

void WriteRecord(const QString& folder, const Tracked& tracked) {
  if (!PrepareRecordFolder(folder)) return;
  const QString path = folder + u'/' + QString::number(tracked.pid);
  QFile file(path + QStringLiteral(".new"));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
  file.write(QByteArray::number(static_cast<qulonglong>(tracked.startTime)) + '\n' + tracked.windowsName.toUtf8() +
             '\n');
  file.close();
  if (::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()) != 0) {
    file.remove();
  }
}

void RemoveRecord(const QString& folder, int pid) { QFile::remove(folder + u'/' + QString::number(pid)); }

// pid -> (start time, Windows name) of the record folder; records of
// processes that are gone are deleted on the way.
std::map<int, std::pair<std::uint64_t, QString>> ReadRecords(const QString& folder) {
  std::map<int, std::pair<std::uint64_t, QString>> records;
  QDir dir(folder);
  if (!PrepareRecordFolder(folder)) return records;
  for (const QString& name : dir.entryList(QDir::Files)) {
    bool ok = false;
    const int pid = name.toInt(&ok);
    if (!ok || pid <= 0) continue;
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::ReadOnly)) continue;
    const QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    const std::uint64_t startTime = lines.value(0).toULongLong();
    const QString windowsName = QString::fromUtf8(lines.value(1)).trimmed();
    if (windowsName.isEmpty() || !IsRunning(pid, startTime)) {
      file.remove();
      continue;
    }
    records[pid] = {startTime, windowsName};
  }
  return records;
}

// Collects the exit status of every child that has ended. Caller holds the lock.
void ReapLocked(Table& table) {
  for (auto it = table.running.begin(); it != table.running.end();) {
    Tracked& tracked = *it->second;
    int status = 0;
    const pid_t r = ::waitpid(tracked.pid, &status, WNOHANG);
    if (r == 0 || (r < 0 && errno == EINTR)) {
      ++it;
      continue;
    }
    // Reaped now, or (ECHILD) already collected elsewhere: its code is lost then.
    tracked.exitCode = r > 0 ? ExitCodeOf(tracked, status) : tracked.terminateCode.value_or(0);
    tracked.ended = true;
    RemoveRecord(table.RecordFolder(), tracked.pid);
    table.ended.push_back(it->second);
    if (table.ended.size() > kEndedKept) table.ended.pop_front();
    it = table.running.erase(it);
  }
}

void Reap() {
  Table& table = T();
  std::lock_guard lock(table.mutex);
  ReapLocked(table);
}

void Track(int pid, const QString& windowsName, bool keepRecord) {
  auto tracked = std::make_shared<Tracked>();
  tracked->pid = pid;
  tracked->child = true;
  tracked->windowsName = windowsName;
  if (const auto stat = ReadStat(pid)) tracked->startTime = stat->startTime;
  Table& table = T();
  std::lock_guard lock(table.mutex);
  table.running[pid] = tracked;
  if (keepRecord) WriteRecord(table.RecordFolder(), *tracked);
}

// Whether the tracked process still runs (after a reap for children).
bool StillRunning(const Tracked& tracked) {
  if (tracked.ended) return false;
  if (tracked.child) return true;
  return IsRunning(tracked.pid, tracked.startTime);
}

// ---------------------------------------------------------------------------
// Finding the program file.

bool IsHostFile(const QString& hostPath) { return !hostPath.isEmpty() && QFileInfo(hostPath).isFile(); }

bool EndsWithExe(const QString& path) { return path.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive); }

// The host file for a Windows path: the file itself, or for "x.exe" the
// host file "x" (programs built here carry no extension).
QString HostFileFor(const QString& windowsPath) {
  const QString host = ToHostPath(windowsPath);
  if (IsHostFile(host)) return host;
  if (EndsWithExe(windowsPath)) {
    const QString stem = ToHostPath(windowsPath.chopped(4));
    if (IsHostFile(stem)) return stem;
  }
  return {};
}

// Looks a program up as the loader does; fills `windowsPath` and answers the host file.
QString FindProgram(const QString& program, QString& windowsPath) {
  const bool hasFolder =
      program.contains(u'\\') || program.contains(u'/') || (program.size() >= 2 && program.at(1) == u':');
  if (hasFolder) {
    windowsPath = FullPath(program);
    return HostFileFor(windowsPath);
  }
  for (const QString& folder : {ProgramFolder(), CurDir()}) {
    if (folder.isEmpty()) continue;
    const QString candidate = FullPath(JoinPath(folder, program));
    const QString host = HostFileFor(candidate);
    if (!host.isEmpty()) {
      windowsPath = candidate;
      return host;
    }
  }
  const QStringList names = EndsWithExe(program) ? QStringList{program, program.chopped(4)} : QStringList{program};
  for (const QString& dir : qEnvironmentVariable("PATH").split(u':', Qt::SkipEmptyParts)) {
    for (const QString& name : names) {
      const QString host = QDir(dir).filePath(name);
      if (IsHostFile(host)) {
        const QString mapped = ToWindowsPath(host);
        windowsPath = mapped.isEmpty() ? program : mapped;
        if (!EndsWithExe(windowsPath) && EndsWithExe(program)) windowsPath += QStringLiteral(".exe");
        return host;
      }
    }
  }
  return {};
}

bool IsBatchFile(const QString& path) {
  return path.endsWith(QStringLiteral(".bat"), Qt::CaseInsensitive) ||
         path.endsWith(QStringLiteral(".cmd"), Qt::CaseInsensitive);
}

bool IsCommandInterpreter(const QString& program) {
  return FileNameOf(program).compare(QStringLiteral("cmd.exe"), Qt::CaseInsensitive) == 0;
}

// ---------------------------------------------------------------------------
// Spawning.

[[noreturn]] void RaiseForErrno(int error) {
  switch (error) {
    case ENOENT:
      vb::Raise(vb::errFileNotFound, QStringLiteral("Shell"));
    case EACCES:
    case EPERM:
      vb::Raise(vb::errPermissionDenied, QStringLiteral("Shell"));
    case ENOMEM:
    case E2BIG:
    case EAGAIN:
      vb::Raise(vb::errOutOfMemory, QStringLiteral("Shell"));
    default:
      vb::Raise(vb::errInvalidProcedureCall, QStringLiteral("Shell"));
  }
}

// A descriptor closed when it goes out of scope.
struct Fd {
  int fd = -1;
  Fd() = default;
  explicit Fd(int f) : fd(f) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

int OpenForChild(const QString& hostPath, bool forWriting) {
  const QByteArray path = QFile::encodeName(hostPath);
  const int flags = forWriting ? (O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC) : (O_RDONLY | O_CLOEXEC);
  const int fd = ::open(path.constData(), flags, 0666);
  if (fd >= 0) return fd;
  const int error = errno;
  if (error == ENOENT) vb::Raise(forWriting ? vb::errPathNotFound : vb::errFileNotFound, QStringLiteral("Shell"));
  if (error == EACCES || error == EPERM) vb::Raise(vb::errPermissionDenied, QStringLiteral("Shell"));
  vb::Raise(vb::errPathFileAccessError, QStringLiteral("Shell"));
}

struct SpawnFileActions {
  posix_spawn_file_actions_t actions;
  SpawnFileActions() { posix_spawn_file_actions_init(&actions); }
  ~SpawnFileActions() { posix_spawn_file_actions_destroy(&actions); }
};

struct SpawnAttributes {
  posix_spawnattr_t attributes;
  SpawnAttributes() { posix_spawnattr_init(&attributes); }
  ~SpawnAttributes() { posix_spawnattr_destroy(&attributes); }
};

int Spawn(const QString& hostProgram, const QStringList& arguments, const LaunchOptions& options,
          const QString& windowsName) {
  Fd in(OpenForChild(options.stdinFile.isEmpty() ? QStringLiteral("/dev/null") : options.stdinFile, false));
  Fd out(options.stdoutFile.isEmpty() ? -1 : OpenForChild(options.stdoutFile, true));
  Fd err(options.stderrFile.isEmpty() ? -1 : OpenForChild(options.stderrFile, true));

  std::vector<QByteArray> argStore;
  argStore.push_back(QFile::encodeName(hostProgram));
  for (const QString& a : arguments) argStore.push_back(a.toLocal8Bit());
  std::vector<char*> argv;
  for (QByteArray& a : argStore) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::vector<QByteArray> envStore;
  std::vector<char*> envp;
  char** env = environ;
  if (options.environment) {
    for (const QString& e : *options.environment) envStore.push_back(e.toLocal8Bit());
    for (QByteArray& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);
    env = envp.data();
  }

  SpawnFileActions fa;
  posix_spawn_file_actions_adddup2(&fa.actions, in.fd, 0);
  if (out.fd >= 0) posix_spawn_file_actions_adddup2(&fa.actions, out.fd, 1);
  if (err.fd >= 0) posix_spawn_file_actions_adddup2(&fa.actions, err.fd, 2);
  // The emulated current folder when it exists on the host (else this
  // process's own); a folder the caller names must exist.
  const QString folder = ToHostPath(options.currentFolder.isEmpty() ? CurDir() : options.currentFolder);
  const bool folderExists = !folder.isEmpty() && QFileInfo(folder).isDir();
  if (!options.currentFolder.isEmpty() && !folderExists) vb::Raise(vb::errPathNotFound, QStringLiteral("Shell"));
  const QByteArray hostFolder = QFile::encodeName(folder);
  if (folderExists) posix_spawn_file_actions_addchdir_np(&fa.actions, hostFolder.constData());
  // Descriptors opened without close-on-exec by anyone in this process (a
  // single-instance lock, sockets, log files) must not live on in the child.
  posix_spawn_file_actions_addclosefrom_np(&fa.actions, 3);

  SpawnAttributes sa;
  sigset_t none;
  sigset_t all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&sa.attributes, &none);
  posix_spawnattr_setsigdefault(&sa.attributes, &all);
  posix_spawnattr_setpgroup(&sa.attributes, 0);
  posix_spawnattr_setflags(&sa.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, argStore.front().constData(), &fa.actions, &sa.attributes, argv.data(), env);
  if (rc != 0) RaiseForErrno(rc);
  Track(pid, windowsName, true);
  return pid;
}

// The echo form: append here, then a child that only reports the result.
int RunEcho(const BatchLine& line) {
  int result = 1;
  const QString windowsPath = FullPath(line.file);
  QString host = ToHostPath(windowsPath);
  // Appending to "x.exe" means appending to the program file that runs as
  // "x.exe"; creating a stray "x.exe" beside "x" would shadow it.
  if (!host.isEmpty() && !QFileInfo::exists(host) && EndsWithExe(windowsPath)) {
    const QString stem = ToHostPath(windowsPath.chopped(4));
    if (IsHostFile(stem)) host = stem;
  }
  if (!host.isEmpty()) {
    Fd fd(::open(QFile::encodeName(host).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (fd.fd >= 0) {
      const QByteArray bytes = ToAnsi(line.text) + "\r\n";
      if (::write(fd.fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size()) result = 0;
    }
  }
  const pid_t pid = ::fork();
  if (pid < 0) RaiseForErrno(errno);
  if (pid == 0) ::_exit(result);
  Track(pid, QStringLiteral("cmd.exe"), false);
  return pid;
}

int RunBatchLine(const BatchLine& line, const LaunchOptions& options) {
  if (line.kind == BatchLine::Kind::Echo) return RunEcho(line);
  const auto candidates = ProgramCandidates(line.commandLine);
  if (!candidates.empty() && IsCommandInterpreter(candidates.front().program)) {
    vb::Raise(vb::errInvalidProcedureCall, QStringLiteral("Shell"),
              QStringLiteral("Unsupported batch command: %1").arg(line.commandLine));
  }
  const ResolvedProgram program = ResolveCommandLine(line.commandLine);
  if (IsBatchFile(program.windowsPath)) {
    vb::Raise(vb::errInvalidProcedureCall, QStringLiteral("Shell"),
              QStringLiteral("Unsupported batch command: %1").arg(line.commandLine));
  }
  return Spawn(program.hostPath, program.arguments, options, FileNameOf(program.windowsPath));
}

// Text of a batch file, as the 8-bit text the system writes.
QString ReadBatchFile(const QString& hostPath) {
  QFile file(hostPath);
  if (!file.open(QIODevice::ReadOnly)) vb::Raise(vb::errFileNotFound, QStringLiteral("Shell"));
  return FromAnsi(file.readAll());
}

HandleEntry* FindHandle(Table& table, ProcessHandle handle) {
  const auto it = table.handles.find(handle);
  return it == table.handles.end() ? nullptr : &it->second;
}

// Sends SIGKILL to exactly the tracked process; false when it is gone.
bool Kill(const Tracked& tracked) {
  if (tracked.child) {
    // An unreaped child's id cannot have been reused.
    return ::kill(tracked.pid, SIGKILL) == 0;
  }
  const int fd = PinProcess(tracked.pid, tracked.startTime);
  if (fd >= 0) {
    const bool sent = SignalPidFd(fd, SIGKILL) == 0;
    ::close(fd);
    return sent;
  }
  if (errno == ENOSYS && IsRunning(tracked.pid, tracked.startTime)) return ::kill(tracked.pid, SIGKILL) == 0;
  return false;
}

// Waits until the process is no longer running (reaping a child), at most `timeout`.
bool WaitGone(const std::shared_ptr<Tracked>& tracked, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  const int pinned = tracked->child ? OpenPidFd(tracked->pid) : PinProcess(tracked->pid, tracked->startTime);
  Fd fd(pinned);
  Table& table = T();
  while (true) {
    {
      std::lock_guard lock(table.mutex);
      ReapLocked(table);
      if (!StillRunning(*tracked)) return true;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    if (fd.fd >= 0) {
      // Readable once the process has ended (a zombie counts as ended).
      pollfd p{fd.fd, POLLIN, 0};
      ::poll(&p, 1, static_cast<int>(std::min<std::int64_t>(left.count(), 1000)));
      if (!tracked->child) {
        if ((p.revents & POLLIN) != 0) return true;
        continue;
      }
      if ((p.revents & POLLIN) == 0) continue;
      // A child: loop once more to reap it.
      std::lock_guard lock(table.mutex);
      ReapLocked(table);
      if (!StillRunning(*tracked)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min<std::int64_t>(left.count(), 5)));
    }
  }
}

constexpr ProcessHandle kCurrentProcessPseudoHandle = -1;

}  // namespace

// ---------------------------------------------------------------------------

ResolvedProgram ResolveCommandLine(const QString& commandLine) {
  const auto candidates = ProgramCandidates(commandLine);
  if (candidates.empty()) vb::Raise(vb::errInvalidProcedureCall, QStringLiteral("Shell"));
  for (const ProgramCandidate& candidate : candidates) {
    QString windowsPath;
    const QString host = FindProgram(candidate.program, windowsPath);
    if (!host.isEmpty()) return {windowsPath, host, SplitArguments(candidate.rest)};
  }
  vb::Raise(vb::errFileNotFound, QStringLiteral("Shell"));
}

int StartProcess(const QString& commandLine, const LaunchOptions& options) {
  Reap();
  const auto candidates = ProgramCandidates(commandLine);
  if (candidates.empty()) vb::Raise(vb::errInvalidProcedureCall, QStringLiteral("Shell"));

  // "cmd.exe /c <line>": the one line goes to the batch runner.
  if (IsCommandInterpreter(candidates.front().program)) {
    const QString rest = candidates.front().rest.trimmed();
    if (rest.size() > 2 && rest.at(0) == u'/' && rest.at(1).toLower() == u'c' &&
        (rest.at(2) == u' ' || rest.at(2) == u'\t')) {
      return RunBatchLine(ParseBatchText(rest.mid(3)), options);
    }
    vb::Raise(vb::errInvalidProcedureCall, QStringLiteral("Shell"),
              QStringLiteral("Unsupported command interpreter call: %1").arg(commandLine));
  }

  const ResolvedProgram program = ResolveCommandLine(commandLine);
  if (IsBatchFile(program.windowsPath)) {
    if (!program.arguments.isEmpty()) {
      vb::Raise(vb::errInvalidProcedureCall, QStringLiteral("Shell"),
                QStringLiteral("Batch files take no arguments here: %1").arg(commandLine));
    }
    return RunBatchLine(ParseBatchText(ReadBatchFile(program.hostPath)), options);
  }
  return Spawn(program.hostPath, program.arguments, options, FileNameOf(program.windowsPath));
}

double Shell(const QString& commandLine, int /*windowStyle*/) { return StartProcess(commandLine); }

ProcessHandle OpenProcess(std::uint32_t desiredAccess, bool /*inheritHandle*/, int processId) {
  if (processId <= 0) return 0;
  Table& table = T();
  std::lock_guard lock(table.mutex);
  ReapLocked(table);

  std::shared_ptr<Tracked> tracked;
  if (const auto it = table.running.find(processId); it != table.running.end()) {
    tracked = it->second;
  } else if (const auto stat = ReadStat(processId); stat && !IsDeadState(stat->state)) {
    const auto uid = ReadRealUid(processId);
    if (!uid || *uid != ::getuid()) return 0;  // other users' processes are not ours to touch
    tracked = std::make_shared<Tracked>();
    tracked->pid = processId;
    tracked->startTime = stat->startTime;
  } else if (!stat) {
    // A child of ours that has ended and been reaped: its exit code is kept.
    for (auto it = table.ended.rbegin(); it != table.ended.rend(); ++it) {
      if ((*it)->pid == processId) {
        tracked = *it;
        break;
      }
    }
  }
  if (!tracked) return 0;
  const ProcessHandle handle = table.nextHandle;
  table.nextHandle += 4;
  table.handles[handle] = {tracked, desiredAccess};
  return handle;
}

bool GetExitCodeProcess(ProcessHandle handle, std::uint32_t& exitCode) {
  Table& table = T();
  std::lock_guard lock(table.mutex);
  ReapLocked(table);
  if (handle == kCurrentProcessPseudoHandle) {
    exitCode = STILL_ACTIVE;
    return true;
  }
  HandleEntry* entry = FindHandle(table, handle);
  if (!entry || (entry->access & (PROCESS_QUERY_INFORMATION | PROCESS_QUERY_LIMITED_INFORMATION)) == 0) return false;
  Tracked& tracked = *entry->process;
  if (!tracked.child && !tracked.ended && !StillRunning(tracked)) {
    tracked.ended = true;
    tracked.exitCode = tracked.terminateCode.value_or(0);
  }
  exitCode = tracked.ended ? tracked.exitCode : STILL_ACTIVE;
  return true;
}

std::uint32_t WaitForSingleObject(ProcessHandle handle, std::uint32_t milliseconds) {
  std::shared_ptr<Tracked> tracked;
  {
    Table& table = T();
    std::lock_guard lock(table.mutex);
    HandleEntry* entry = FindHandle(table, handle);
    if (!entry || (entry->access & SYNCHRONIZE) == 0) return WAIT_FAILED;
    tracked = entry->process;
  }
  const auto timeout = milliseconds == INFINITE ? std::chrono::milliseconds(std::chrono::hours(24 * 365))
                                                : std::chrono::milliseconds(milliseconds);
  while (true) {
    if (WaitGone(tracked, timeout)) return WAIT_OBJECT_0;
    if (milliseconds != INFINITE) return WAIT_TIMEOUT;
  }
}

bool TerminateProcess(ProcessHandle handle, std::uint32_t exitCode) {
  std::shared_ptr<Tracked> tracked;
  {
    Table& table = T();
    std::lock_guard lock(table.mutex);
    ReapLocked(table);
    HandleEntry* entry = FindHandle(table, handle);
    if (!entry || (entry->access & PROCESS_TERMINATE) == 0) return false;
    tracked = entry->process;
    if (!StillRunning(*tracked)) return false;
    tracked->terminateCode = exitCode;
    if (!Kill(*tracked)) {
      tracked->terminateCode.reset();
      return false;
    }
  }
  // SIGKILL takes effect within milliseconds; wait for it so that the next
  // look-up by name does not find the process again.
  WaitGone(tracked, std::chrono::milliseconds(2000));
  return true;
}

bool CloseHandle(ProcessHandle handle) {
  if (handle == kCurrentProcessPseudoHandle || handle == kProcessTokenHandle) return true;
  Table& table = T();
  std::lock_guard lock(table.mutex);
  return table.handles.erase(handle) > 0;
}

ProcessHandle GetCurrentProcess() { return kCurrentProcessPseudoHandle; }

int GetCurrentProcessId() { return static_cast<int>(::getpid()); }

bool TerminateProcessById(int processId, std::uint32_t exitCode) {
  const ProcessHandle handle = OpenProcess(PROCESS_TERMINATE, false, processId);
  if (handle == 0) return false;
  const bool ended = TerminateProcess(handle, exitCode);
  CloseHandle(handle);
  return ended;
}

std::vector<ProcessEntry> ListProcesses() {
  std::map<int, std::pair<std::uint64_t, QString>> names;
  {
    Table& table = T();
    std::lock_guard lock(table.mutex);
    ReapLocked(table);
    names = ReadRecords(table.RecordFolder());
    for (const auto& [pid, tracked] : table.running) names[pid] = {tracked->startTime, tracked->windowsName};
  }

  std::vector<ProcessEntry> entries;
  DIR* dir = ::opendir("/proc");
  if (!dir) return entries;
  while (const dirent* d = ::readdir(dir)) {
    char* end = nullptr;
    const long pid = std::strtol(d->d_name, &end, 10);
    if (pid <= 0 || *end != '\0') continue;
    const auto stat = ReadStat(static_cast<int>(pid));
    if (!stat || IsDeadState(stat->state)) continue;
    const auto uid = ReadRealUid(static_cast<int>(pid));
    if (!uid) continue;
    ProcessEntry entry;
    entry.pid = static_cast<int>(pid);
    entry.parentPid = stat->parentPid;
    entry.uid = *uid;
    entry.startTime = stat->startTime;
    const auto named = names.find(entry.pid);
    entry.exeFile = named != names.end() && named->second.first == stat->startTime ? named->second.second
                                                                                   : HostExeName(entry.pid, stat->comm);
    entries.push_back(entry);
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end(), [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; });
  if (const int root = ProcessScopeRoot(); root > 0) {
    // Only the processes below the scope's root (the root itself is not one
    // of the programs looked for).
    std::map<int, int> parents;
    for (const ProcessEntry& entry : entries) parents[entry.pid] = entry.parentPid;
    const auto below = [&](int pid) {
      for (int hops = 0; hops < 4096; ++hops) {
        const auto parent = parents.find(pid);
        if (parent == parents.end() || parent->second <= 0) return false;
        if (parent->second == root) return true;
        pid = parent->second;
      }
      return false;
    };
    std::erase_if(entries, [&](const ProcessEntry& entry) { return !below(entry.pid); });
  }
  return entries;
}

int ProcessScopeRoot() {
  bool ok = false;
  const int root = qEnvironmentVariableIntValue("ORVANE_PROCESS_SCOPE", &ok);
  return ok && root > 0 ? root : 0;
}

bool ExeNameMatches(const QString& wanted, const QString& exeFile) {
  const auto stem = [](const QString& name) {
    QString s = name;
    for (qsizetype i = 0; i < s.size(); ++i) {
      if (s.at(i) == QChar(0) || s.at(i) == u'\r') {
        s.truncate(i);
        break;
      }
    }
    s = FileNameOf(s);
    if (EndsWithExe(s)) s.chop(4);
    return s;
  };
  const QString a = stem(wanted);
  return !a.isEmpty() && a.compare(stem(exeFile), Qt::CaseInsensitive) == 0;
}

std::optional<ProcessEntry> FindProcessByExeName(const QString& name) {
  const unsigned me = ::getuid();
  for (const ProcessEntry& entry : ListProcesses()) {
    if (entry.uid == me && ExeNameMatches(name, entry.exeFile)) return entry;
  }
  return std::nullopt;
}

bool EndProcessByExeName(const QString& name, std::uint32_t exitCode) {
  const auto found = FindProcessByExeName(name);
  if (!found) return false;
  const ProcessHandle handle = OpenProcess(PROCESS_TERMINATE, false, found->pid);
  if (handle != 0) {
    // Only the very process that was listed: a reused id is left alone.
    bool same = false;
    {
      Table& table = T();
      std::lock_guard lock(table.mutex);
      if (const HandleEntry* entry = FindHandle(table, handle)) same = entry->process->startTime == found->startTime;
    }
    if (same) TerminateProcess(handle, exitCode);
    CloseHandle(handle);
  }
  return true;
}

void SetProcessRecordFolder(const QString& hostFolder) {
  Table& table = T();
  std::lock_guard lock(table.mutex);
  table.recordFolder = hostFolder;
}

bool IsWow64Process(ProcessHandle /*handle*/, bool& isWow64) {
  isWow64 = false;
  return true;
}

}  // namespace win
