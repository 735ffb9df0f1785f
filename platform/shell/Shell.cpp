#include "platform/shell/Shell.h"

#include "platform/paths/WinPath.h"
#include "platform/process/CommandLine.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <mutex>

Q_LOGGING_CATEGORY(lcShell, "platform.shell")

namespace win {
namespace {

struct State {
  std::mutex mutex;
  ShellLauncher launcher;
};

State& S() {
  static State state;
  return state;
}

long Launch(const ShellRequest& request) {
  ShellLauncher launcher;
  {
    State& s = S();
    std::lock_guard lock(s.mutex);
    launcher = s.launcher;
  }
  return launcher ? launcher(request) : DefaultShellLauncher(request);
}

bool IsVerb(const QString& verb, const char* name) { return verb.trimmed().compare(QLatin1String(name), Qt::CaseInsensitive) == 0; }

bool IsOpenVerb(const QString& verb) { return verb.trimmed().isEmpty() || IsVerb(verb, "open"); }

// A web address rather than a path: a scheme of two or more letters ("c:" is
// a drive), or the bare "www." form the shell also accepts.
std::optional<QString> WebAddress(const QString& file) {
  const QString text = file.trimmed();
  if (text.startsWith(QLatin1String("www."), Qt::CaseInsensitive)) return QStringLiteral("http://") + text;
  const QUrl url(text, QUrl::StrictMode);
  if (url.isValid() && url.scheme().size() > 1) return text;
  return std::nullopt;
}

// Where a Windows path is on the host, or the ShellExecute error for it.
struct Located {
  QString host;
  long error = 0;
};

Located Locate(const QString& windowsPath) {
  QString path = windowsPath.trimmed();
  // To the shell a bare "C:" names the drive itself (the legacy search
  // command passes "c:"), not the current folder of that drive.
  if (path.size() == 2 && path[0].isLetter() && path[1] == u':') path += u'\\';
  const QString full = FullPath(path);
  if (full.isEmpty()) return {{}, SE_ERR_FNF};
  const QString host = ToHostPath(full);
  if (host.isEmpty()) return {{}, SE_ERR_PNF};
  const QFileInfo info(host);
  if (info.exists()) return {host, 0};
  return {{}, QFileInfo(info.absolutePath()).isDir() ? SE_ERR_FNF : SE_ERR_PNF};
}

bool IsProgramFile(const QFileInfo& info) {
  static const QStringList kinds{QStringLiteral("exe"), QStringLiteral("com"), QStringLiteral("bat"),
                                 QStringLiteral("cmd")};
  return kinds.contains(info.suffix(), Qt::CaseInsensitive);
}

bool IsHelpFile(const QFileInfo& info) { return info.suffix().compare(QLatin1String("chm"), Qt::CaseInsensitive) == 0; }

// The folder of pages that stands for a help file ("C:\x\Help.chm" ->
// "C:\x\Help"), as a host path; empty when there is none. The drive table
// finds names without regard to case, as Windows does.
QString HelpFolder(const QString& chmFull) {
  const qsizetype dot = chmFull.lastIndexOf(u'.');
  if (dot <= chmFull.lastIndexOf(u'\\')) return {};
  const QString host = ToHostPath(chmFull.left(dot));
  return !host.isEmpty() && QFileInfo(host).isDir() ? host : QString();
}

// A page of the help folder; a page name that climbs out of the folder
// ("../x") is not one of its pages.
QString FindPage(const QString& chmFull, const QString& page) {
  const QString folder = HelpFolder(chmFull);
  const qsizetype dot = chmFull.lastIndexOf(u'.');
  const QString host = ToHostPath(JoinPath(chmFull.left(dot), QString(page).replace(u'/', u'\\')));
  if (host.isEmpty() || !host.startsWith(folder + u'/')) return {};
  return QFileInfo(host).isFile() ? host : QString();
}

long OpenHelp(const QString& chmWindowsPath, const QString& page) {
  const QString full = FullPath(chmWindowsPath.trimmed());
  const QString chmHost = full.isEmpty() ? QString() : ToHostPath(full);
  if (chmHost.isEmpty()) return SE_ERR_PNF;
  if (!HelpFolder(full).isEmpty()) {
    QString target;
    if (!page.isEmpty()) target = FindPage(full, page);
    if (target.isEmpty()) target = FindPage(full, QStringLiteral("index.htm"));
    if (target.isEmpty()) target = FindPage(full, QStringLiteral("index.html"));
    if (target.isEmpty()) return SE_ERR_FNF;
    return Launch({ShellRequest::Action::OpenDocument, target, {}, {}, SW_SHOWNORMAL});
  }
  const QFileInfo chm(chmHost);
  if (chm.isFile()) return Launch({ShellRequest::Action::OpenDocument, chmHost, {}, {}, SW_SHOWNORMAL});
  return QFileInfo(chm.absolutePath()).isDir() ? SE_ERR_FNF : SE_ERR_PNF;
}

bool HasAssociation(const QString& hostPath) {
  const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (xdgMime.isEmpty()) return false;
  const QMimeType type = QMimeDatabase().mimeTypeForFile(hostPath);
  QStringList candidates{type.name()};
  candidates += type.allAncestors();
  for (const QString& name : candidates) {
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), name});
    if (!query.waitForFinished(5000)) {
      query.kill();
      query.waitForFinished();
      continue;
    }
    if (!query.readAllStandardOutput().trimmed().isEmpty()) return true;
  }
  return false;
}

// How long the desktop's opener is given to say that it could not open a
// target. One still running by then has started a program for it (some
// programs run in the opener's foreground) and is left to run.
constexpr int kOpenerVerdictMs = 2000;

// xdg-open's exit codes: 0 opened, 1 bad arguments, 2 no such file, 3 no
// tool or no program for the target, 4 the action failed.
long OpenerAnswer(int exitCode) {
  switch (exitCode) {
    case 0: return SHELL_EXECUTE_OK;
    case 2: return SE_ERR_FNF;
    case 3:
    case 4: return SE_ERR_NOASSOC;
    default: return SE_ERR_ACCESSDENIED;
  }
}

long XdgOpen(const QString& target) {
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (opener.isEmpty()) {
    qCWarning(lcShell) << "no xdg-open to open" << target;
    return SE_ERR_NOASSOC;
  }
  auto* process = new QProcess;
  process->setProgram(opener);
  process->setArguments({target});
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  process->start();
  if (!process->waitForStarted()) {
    delete process;
    return SE_ERR_ACCESSDENIED;
  }
  if (process->waitForFinished(kOpenerVerdictMs)) {
    const int code = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    delete process;
    if (code != 0) qCWarning(lcShell) << "xdg-open could not open" << target << "exit code" << code;
    return OpenerAnswer(code);
  }
  // Never waited for again; it goes once it ends.
  QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
  return SHELL_EXECUTE_OK;
}

}  // namespace

QString ShellErrorText(long code) {
  switch (code) {
    case SE_ERR_FNF: return QStringLiteral("The system cannot find the file specified.");
    case SE_ERR_PNF: return QStringLiteral("The system cannot find the path specified.");
    case SE_ERR_ACCESSDENIED: return QStringLiteral("Access is denied.");
    case ERROR_BAD_FORMAT: return QStringLiteral("An attempt was made to load a program with an incorrect format.");
    case SE_ERR_NOASSOC:
      return QStringLiteral("No application is associated with the specified file for this operation.");
    default: return QStringLiteral("System error ") + QString::number(code) + QStringLiteral(".");
  }
}

void SetShellLauncher(ShellLauncher launcher) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  s.launcher = std::move(launcher);
}

ScopedShellLauncher::ScopedShellLauncher(ShellLauncher launcher) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  saved_ = std::exchange(s.launcher, std::move(launcher));
}

ScopedShellLauncher::~ScopedShellLauncher() {
  State& s = S();
  std::lock_guard lock(s.mutex);
  s.launcher = std::move(saved_);
}

long DefaultShellLauncher(const ShellRequest& request) {
  switch (request.action) {
    case ShellRequest::Action::OpenAddress:
    case ShellRequest::Action::OpenFolder:
      return XdgOpen(request.target);
    case ShellRequest::Action::OpenDocument:
      if (!HasAssociation(request.target)) return SE_ERR_NOASSOC;
      return XdgOpen(request.target);
    case ShellRequest::Action::OpenWith:
      // There is no desktop-wide "open with" dialog to call; the file
      // manager on the document's folder offers the same choice.
      return XdgOpen(QFileInfo(request.target).absolutePath());
    case ShellRequest::Action::StartProgram: {
      const bool started = QProcess::startDetached(request.target, request.arguments, request.workingFolder);
      return started ? SHELL_EXECUTE_OK : SE_ERR_ACCESSDENIED;
    }
  }
  return SE_ERR_NOASSOC;
}

long ShellExecute(const QString& verb, const QString& file, const QString& parameters, const QString& directory,
                  int showCommand) {
  if (file.trimmed().isEmpty()) return SE_ERR_FNF;

  // The system's "open with" dialog: RUNDLL32.EXE shell32.dll,OpenAs_RunDLL <document>.
  if (FileNameOf(file.trimmed()).compare(QLatin1String("rundll32.exe"), Qt::CaseInsensitive) == 0) {
    static const QLatin1String openAs("shell32.dll,OpenAs_RunDLL");
    const QString params = parameters.trimmed();
    if (!params.startsWith(openAs, Qt::CaseInsensitive)) return SE_ERR_NOASSOC;
    const Located doc = Locate(params.mid(openAs.size()));
    if (doc.error) return doc.error;
    return Launch({ShellRequest::Action::OpenWith, doc.host, {}, {}, showCommand});
  }

  if (const auto address = WebAddress(file)) {
    if (!IsOpenVerb(verb)) return SE_ERR_NOASSOC;
    return Launch({ShellRequest::Action::OpenAddress, *address, {}, {}, showCommand});
  }

  // A help file may be shipped as its folder of pages only.
  if (IsOpenVerb(verb) && IsHelpFile(QFileInfo(file.trimmed()))) return OpenHelp(file, {});

  const Located item = Locate(file);
  if (item.error) return item.error;
  const QFileInfo info(item.host);

  if (info.isDir()) {
    if (IsOpenVerb(verb) || IsVerb(verb, "explore") || IsVerb(verb, "find")) {
      return Launch({ShellRequest::Action::OpenFolder, item.host, {}, {}, showCommand});
    }
    return SE_ERR_NOASSOC;
  }
  if (!IsOpenVerb(verb)) return SE_ERR_NOASSOC;

  if (IsProgramFile(info)) {
    if (!info.isExecutable()) return ERROR_BAD_FORMAT;
    QString workingFolder = info.absolutePath();
    if (!directory.trimmed().isEmpty()) {
      const QString dirHost = ToHostPath(FullPath(directory.trimmed()));
      if (!dirHost.isEmpty() && QFileInfo(dirHost).isDir()) workingFolder = dirHost;
    }
    return Launch({ShellRequest::Action::StartProgram, item.host, SplitArguments(parameters), workingFolder,
                   showCommand});
  }
  return Launch({ShellRequest::Action::OpenDocument, item.host, {}, {}, showCommand});
}

long ShowHelpTopic(const QString& topic) {
  const qsizetype sep = topic.indexOf(QLatin1String("::"));
  const QString file = sep < 0 ? topic : topic.left(sep);
  QString page = sep < 0 ? QString() : topic.mid(sep + 2);
  while (page.startsWith(u'/') || page.startsWith(u'\\')) page.remove(0, 1);
  if (const qsizetype anchor = page.indexOf(u'#'); anchor >= 0) page.truncate(anchor);
  if (file.trimmed().isEmpty()) return SE_ERR_FNF;
  return OpenHelp(file, page);
}

}  // namespace win
