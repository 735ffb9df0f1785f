#include "platform/paths/WinPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <mutex>

#include <sys/stat.h>
#include <unistd.h>

namespace win {
namespace {

bool IsSep(QChar c) { return c == u'\\' || c == u'/'; }

// The user's store of names that drive roots cannot take (see WinPath.h).
QString CleanStore() {
  QString store = qEnvironmentVariable("ORVANE_USER_STORE");
  if (store.isEmpty() || !QDir::isAbsolutePath(store)) {
    store = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
            QStringLiteral("/Orvane/VirtualStore");
  }
  return QDir::cleanPath(store);
}

QString CleanHostRoot(const QString& root) {
  QString clean = QDir::cleanPath(root);
  return clean.isEmpty() ? QStringLiteral("/") : clean;
}

// Process-wide state of the emulation: the table, the current drive and the
// current folder of each drive (kept as "\a\b" below the drive root).
struct State {
  std::mutex mutex;
  std::optional<DriveTable> table;
  QChar currentDrive;
  std::map<QChar, QString> folders;
  QString programFolder;

  const DriveTable& Table() {
    if (!table) table = DriveTable::FromEnvironment();
    return *table;
  }
};

State& S() {
  static State state;
  return state;
}

// The first mapped drive, or a null QChar.
QChar FirstDrive(const DriveTable& table) {
  return table.Drives().empty() ? QChar() : table.Drives().begin()->first;
}

// Splits the text after the drive part into names, resolving "." and "..".
QStringList ResolveNames(const QString& base, const QString& rest) {
  QStringList names;
  const auto push = [&](const QString& text) {
    // Compiled once: paths are resolved for every log line and file call.
    static const QRegularExpression separators(QStringLiteral("[\\\\/]"));
    for (const QString& part : text.split(separators, Qt::SkipEmptyParts)) {
      if (part == u".") continue;
      if (part == u"..") {
        if (!names.isEmpty()) names.removeLast();
        continue;
      }
      names.append(part);
    }
  };
  push(base);
  push(rest);
  return names;
}

QString Compose(QChar drive, const QStringList& names) {
  return QString(drive) + QStringLiteral(":\\") + names.join(u'\\');
}

QString MapToWindows(const DriveTable& table, const QString& hostPath) {
  const QString clean = QDir::cleanPath(QDir::isAbsolutePath(hostPath) ? hostPath : QDir::current().absoluteFilePath(hostPath));
  // A path in the user's store of a drive is that drive's.
  const QString store = CleanStore() + u'/';
  if (clean.startsWith(store) && clean.size() > store.size() &&
      (clean.size() == store.size() + 1 || clean.at(store.size() + 1) == u'/')) {
    const QChar drive = clean.at(store.size()).toUpper();
    if (table.RootOf(drive)) return Compose(drive, clean.mid(store.size() + 2).split(u'/', Qt::SkipEmptyParts));
  }
  QChar best;
  qsizetype bestLength = -1;
  for (const auto& [letter, root] : table.Drives()) {
    const bool under = root == u"/" || clean == root || clean.startsWith(root + u'/');
    if (under && root.size() > bestLength) {
      best = letter;
      bestLength = root.size();
    }
  }
  if (best.isNull()) return {};
  const QString root = *table.RootOf(best);
  QString rest = root == u"/" ? clean.mid(1) : clean.mid(root.size() + 1);
  return Compose(best, rest.split(u'/', Qt::SkipEmptyParts));
}

QString FullPathLocked(State& s, const QString& path) {
  if (path.isEmpty()) return {};
  const DriveTable& table = s.Table();
  if (s.currentDrive.isNull()) s.currentDrive = FirstDrive(table);

  QChar drive = s.currentDrive;
  QString rest = path;
  if (path.size() >= 2 && path.at(1) == u':' && path.at(0).isLetter()) {
    drive = path.at(0).toUpper();
    rest = path.mid(2);
  }
  if (drive.isNull()) drive = QChar(u'C');
  const bool rooted = !rest.isEmpty() && IsSep(rest.at(0));
  const QString base = rooted ? QString() : s.folders[drive];
  return Compose(drive, ResolveNames(base, rest));
}

// Finds `name` in the host folder `dir`: the exact spelling when it exists,
// else the first case-insensitive match in name order, else `name` itself.
QString FindEntry(const QString& dir, const QString& name) {
  const QString exact = dir == u"/" ? u'/' + name : dir + u'/' + name;
  if (QFileInfo::exists(exact) || QFileInfo(exact).isSymLink()) return name;
  const QStringList entries =
      QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
  for (const QString& entry : entries) {
    if (entry.compare(name, Qt::CaseInsensitive) == 0) return entry;
  }
  return name;
}

struct Resolved {
  QString host;     // host path, empty when the drive is not mapped
  QString windows;  // full Windows path with the spelling found on disk
};

// Whether the user may create entries in the host folder `dir`: it is the
// user's own and writable. A missing folder counts as the user's (the
// caller's own creation fails there with its own error).
bool UserCreatesIn(const QString& dir) {
  struct stat st {};
  const QByteArray name = QFile::encodeName(dir);
  if (::stat(name.constData(), &st) != 0) return true;
  return st.st_uid == ::geteuid() && ::access(name.constData(), W_OK | X_OK) == 0;
}

// The host folder standing for the root of `drive` for names that are not
// at its real root, when the user cannot create entries there; nothing when
// the real root serves.
std::optional<QString> RootStore(QChar drive, const QString& hostRoot) {
  if (UserCreatesIn(hostRoot)) return std::nullopt;
  const QString store = UserStoreRoot(drive);
  QDir().mkpath(store);
  QFile::setPermissions(store, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  return store;
}

}  // namespace

QString UserStoreRoot(QChar drive) { return CleanStore() + u'/' + drive.toUpper(); }

// Walks a full path's names from its drive root, taking the spelling of each
// name that exists on disk.
// A path holding NUL has no host path: the host calls would stop at the NUL
// and act on a shorter path than the one checked here ("C:\..<NUL>" would
// name the folder above the drive root).
static Resolved Resolve(const QString& path) {
  const QString full = FullPath(path);
  if (full.isEmpty() || full.contains(QChar(u'\0'))) return {};
  const auto root = CurrentDriveTable().RootOf(full.at(0));
  if (!root) return {};
  QString host = *root;
  QStringList found;
  bool atRoot = true;
  for (const QString& name : full.mid(3).split(u'\\', Qt::SkipEmptyParts)) {
    QString entry = FindEntry(host, name);
    if (atRoot) {
      atRoot = false;
      // A name the drive's root does not hold, on a drive whose root the
      // user cannot create entries in (the host root "/" for everyone but
      // its owner), lives in the user's own store for that drive, as
      // Windows keeps what a program writes into a protected folder in the
      // user's virtual store.
      const QString real = host == u"/" ? u'/' + entry : host + u'/' + entry;
      if (!QFileInfo::exists(real) && !QFileInfo(real).isSymLink()) {
        if (const auto store = RootStore(full.at(0), host)) {
          host = *store;
          entry = FindEntry(host, name);
        }
      }
    }
    found.append(entry);
    host = host == u"/" ? u'/' + found.last() : host + u'/' + found.last();
  }
  return {host, Compose(full.at(0), found)};
}

DriveTable DriveTable::FromEnvironment() {
  const QString text = qEnvironmentVariable("ORVANE_DRIVES");
  if (!text.isEmpty()) {
    if (auto parsed = Parse(text)) return *parsed;
    qWarning("ORVANE_DRIVES is malformed; using the default drive table");
  }
  DriveTable table;
  table.Map(u'C', QDir::homePath());
  table.Map(u'Z', QStringLiteral("/"));
  return table;
}

std::optional<DriveTable> DriveTable::Parse(const QString& text) {
  DriveTable table;
  for (const QString& entry : text.split(u';', Qt::SkipEmptyParts)) {
    const qsizetype eq = entry.indexOf(u'=');
    if (eq < 0) return std::nullopt;
    QString letter = entry.left(eq).trimmed();
    if (letter.endsWith(u':')) letter.chop(1);
    const QString root = entry.mid(eq + 1).trimmed();
    if (letter.size() != 1 || !letter.at(0).isLetter() || letter.at(0).unicode() > 127 || !QDir::isAbsolutePath(root)) {
      return std::nullopt;
    }
    table.Map(letter.at(0), root);
  }
  if (table.drives_.empty()) return std::nullopt;
  return table;
}

void DriveTable::Map(QChar letter, const QString& hostRoot) { drives_[letter.toUpper()] = CleanHostRoot(hostRoot); }

std::optional<QString> DriveTable::RootOf(QChar letter) const {
  const auto it = drives_.find(letter.toUpper());
  if (it == drives_.end()) return std::nullopt;
  return it->second;
}

DriveTable CurrentDriveTable() {
  State& s = S();
  std::lock_guard lock(s.mutex);
  return s.Table();
}

void SetDriveTable(const DriveTable& table) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  s.table = table;
  s.currentDrive = FirstDrive(table);
  s.folders.clear();
}

ScopedDriveTable::ScopedDriveTable(const DriveTable& table) : saved_(CurrentDriveTable()), savedCurDir_(CurDir()) {
  SetDriveTable(table);
}

ScopedDriveTable::~ScopedDriveTable() {
  SetDriveTable(saved_);
  ChDir(savedCurDir_);
}

QString FullPath(const QString& path) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  return FullPathLocked(s, path);
}

bool IsDriveRoot(const QString& path) {
  const QString full = FullPath(path);
  return full.size() == 3 && full.endsWith(QStringLiteral(":\\"));
}

QChar DriveLetter(const QString& path) {
  const QString full = FullPath(path);
  return full.isEmpty() ? QChar() : full.at(0);
}

QString ToHostPath(const QString& path) { return Resolve(path).host; }

QString ToWindowsPath(const QString& hostPath) {
  if (hostPath.isEmpty()) return {};
  return MapToWindows(CurrentDriveTable(), hostPath);
}

QString CurDir(QChar drive) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  const DriveTable& table = s.Table();
  if (s.currentDrive.isNull()) s.currentDrive = FirstDrive(table);
  const QChar d = drive.isNull() ? s.currentDrive : drive.toUpper();
  if (d.isNull()) return {};
  return Compose(d, s.folders[d].split(u'\\', Qt::SkipEmptyParts));
}

bool ChDir(const QString& path) {
  const Resolved r = Resolve(path);
  if (r.host.isEmpty() || !QFileInfo(r.host).isDir()) return false;
  State& s = S();
  std::lock_guard lock(s.mutex);
  const QChar drive = r.windows.at(0);
  s.currentDrive = drive;
  s.folders[drive] = r.windows.mid(2);
  return true;
}

bool ChDrive(const QString& drive) {
  if (drive.isEmpty() || !drive.at(0).isLetter()) return false;
  const QChar letter = drive.at(0).toUpper();
  State& s = S();
  std::lock_guard lock(s.mutex);
  if (!s.Table().RootOf(letter)) return false;
  s.currentDrive = letter;
  return true;
}

QString ProgramFolder() {
  {
    State& s = S();
    std::lock_guard lock(s.mutex);
    if (!s.programFolder.isEmpty()) return s.programFolder;
  }
  QString exeDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
  if (!QCoreApplication::instance()) exeDir = QFileInfo(exeDir).absolutePath();
  return ToWindowsPath(exeDir);
}

void SetProgramFolder(const QString& windowsPath) {
  const QString full = windowsPath.isEmpty() ? QString() : FullPath(windowsPath);
  State& s = S();
  std::lock_guard lock(s.mutex);
  s.programFolder = full;
}

QString GetShortPathName(const QString& path) {
  const QString host = ToHostPath(path);
  if (host.isEmpty() || !QFileInfo::exists(host)) return {};
  return path;
}

QString JoinPath(const QString& folder, const QString& name) {
  if (folder.isEmpty()) return name;
  QString left = folder;
  while (left.endsWith(u'\\') || left.endsWith(u'/')) left.chop(1);
  QString right = name;
  while (right.startsWith(u'\\') || right.startsWith(u'/')) right.remove(0, 1);
  return left + u'\\' + right;
}

}  // namespace win
