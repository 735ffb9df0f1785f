#include "tools/ClientArgs.h"

#include "tools/ChildProcess.h"
#include "tools/ToolPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tools {

QStringList SplitBatchLine(const QString& line) {
  QStringList words;
  QString word;
  bool inWord = false;
  QChar quote;
  for (const QChar c : line) {
    if (!quote.isNull()) {
      if (c == quote) {
        quote = QChar();
      } else {
        word += c;
      }
      continue;
    }
    if (c == u'"' || c == u'\'') {
      quote = c;
      inWord = true;
    } else if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n') {
      if (inWord) words << word;
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words << word;
  return words;
}

namespace {

bool IsClientName(const QString& token) {
  QString name = token.section(u'/', -1).section(u'\\', -1);
  if (name.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive)) name.chop(4);
  return name.compare(QStringLiteral("orvane_int_rst_100"), Qt::CaseInsensitive) == 0;
}

QString HostOfClientPath(const QString& path) {
  if (const auto host = CygdriveToHost(path)) return *host;
  return HostPathOfArgument(path);
}

ClientPlan Refuse(const QString& text, int code = 1) {
  ClientPlan plan;
  plan.error = text;
  plan.exitCode = code;
  return plan;
}

bool IsNumber(const QString& text) {
  static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
  return digits.match(text).hasMatch();
}

}  // namespace

QStringList ClientTokens(const QStringList& commandLine, QString* error) {
  for (const QString& arg : commandLine) {
    if (!arg.startsWith(QStringLiteral("-7")) || arg.size() <= 2) continue;
    const QString path = arg.mid(2);
    QFile file(HostOfClientPath(path));
    if (!file.open(QIODevice::ReadOnly)) {
      if (error) *error = QStringLiteral("cannot read the argument list %1: %2").arg(path, file.errorString());
      return {};
    }
    QStringList tokens;
    for (QByteArray line : file.readAll().split('\n')) {
      if (line.endsWith('\r')) line.chop(1);
      if (line.isEmpty()) continue;
      tokens << QString::fromUtf8(line);
    }
    if (!tokens.isEmpty() && IsClientName(tokens.first())) tokens.removeFirst();
    return tokens;
  }
  return commandLine;
}

QByteArray RewriteFileList(const QByteArray& list, const QString& folder, bool relative) {
  QByteArray prefix = folder.toUtf8();
  while (prefix.startsWith('/')) prefix.remove(0, 1);
  if (!prefix.isEmpty() && !prefix.endsWith('/')) prefix += '/';
  if (relative && !prefix.isEmpty()) prefix += "./";
  QByteArray out;
  for (QByteArray line : list.split('\n')) {
    if (line.endsWith('\r')) line.chop(1);
    if (line.isEmpty()) continue;
    while (line.startsWith('/')) line.remove(0, 1);
    out += prefix + line + '\n';
  }
  return out;
}

ClientPlan PlanClientRun(const QStringList& tokens) {
  static const QRegularExpression valued(QStringLiteral("^--(bwlimit|timeout|block-size|port)=(.*)$"));
  static const QRegularExpression sourceForm(QStringLiteral("^([^@/\\s]+)@([^:/\\s]+|\\[[0-9A-Fa-f:.]+\\])::(.*)$"));
  const QStringList plainFlags{QStringLiteral("-v"),
                               QStringLiteral("-t"),
                               QStringLiteral("-r"),
                               QStringLiteral("-z"),
                               QStringLiteral("-n"),
                               QStringLiteral("--compress"),
                               QStringLiteral("--stats"),
                               QStringLiteral("--progress"),
                               QStringLiteral("--relative"),
                               QStringLiteral("--no-relative"),
                               QStringLiteral("--no-implied-dirs")};
  QStringList flags;
  QStringList positional;
  QString filesFromPath;
  bool haveFilesFrom = false;
  int port = 873;
  for (const QString& token : tokens) {
    if (token == u"-5") {
      return Refuse(QStringLiteral(
          "decrypting the account's encrypted folder with its private key (-5) is not supported by this client"));
    }
    if (token.startsWith(QStringLiteral("-7"))) continue;  // our own option: the argument list
    // Never in place: rsync writes a temporary sibling and renames it, so an
    // interrupted restore never leaves a half-written file where the user's was.
    if (token == u"--inplace") continue;
    if (plainFlags.contains(token)) {
      flags << token;
      continue;
    }
    if (const auto m = valued.match(token); m.hasMatch()) {
      if (!IsNumber(m.captured(2))) return Refuse(QStringLiteral("invalid value in %1").arg(token));
      if (m.captured(1) == u"port") {
        port = m.captured(2).toInt();
      } else {
        flags << token;
      }
      continue;
    }
    if (token.startsWith(QStringLiteral("--files-from="))) {
      filesFromPath = token.mid(13);
      haveFilesFrom = true;
      continue;
    }
    if (token.startsWith(u'-')) return Refuse(QStringLiteral("option not supported: %1").arg(token));
    positional << token;
  }
  if (positional.isEmpty()) return Refuse(QStringLiteral("no source given"));
  if (positional.size() > 2) return Refuse(QStringLiteral("unexpected argument: %1").arg(positional.at(2)));

  const auto source = sourceForm.match(positional.at(0));
  if (!source.hasMatch()) return Refuse(QStringLiteral("not a daemon source: %1").arg(positional.at(0)));
  const QString user = source.captured(1);
  const QString host = source.captured(2);
  QString modulePath = source.captured(3);
  QString error;
  const Endpoint target = MapConnect({host, port}, &error);
  if (!error.isEmpty()) return Refuse(error);

  ClientPlan plan;
  plan.transfer = positional.size() == 2;
  if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0) {
    // The local end of the tunnel, which the engine starts just before the client.
    plan.tunnelAddress = target.host;
    plan.tunnelPort = target.port;
  }

  QString destination;
  if (plan.transfer) {
    const auto destHost = CygdriveToHost(positional.at(1));
    if (!destHost) return Refuse(QStringLiteral("destination is not on a mapped drive: %1").arg(positional.at(1)));
    destination = *destHost;
    if (!destination.endsWith(u'/')) destination += u'/';
    plan.destination = destination;
    plan.hostToClientPaths.emplace_back(
        *destHost, positional.at(1).endsWith(u'/') ? positional.at(1).chopped(1) : positional.at(1));
  }

  const bool relative = !flags.contains(QStringLiteral("--no-relative"));
  QStringList args{QStringLiteral("-8"), QStringLiteral("--no-h")};
  args << flags;
  args << QStringLiteral("--port=%1").arg(target.port) << QStringLiteral("--password-file=-");
  if (plan.transfer) {
    // Each item's change, size and name, unchanged files included.
    args << QStringLiteral("-ii") << QStringLiteral("--out-format=%1%i|%l|%n").arg(QLatin1String(kItemMarker));
  }
  if (haveFilesFrom) {
    const auto listHost = CygdriveToHost(filesFromPath);
    const QString hostPath = listHost ? *listHost : filesFromPath;
    if (listHost) plan.hostToClientPaths.emplace_back(*listHost, filesFromPath);
    QFile list(hostPath);
    const qsizetype slash = modulePath.indexOf(u'/');
    const QString module = slash < 0 ? modulePath : modulePath.left(slash);
    const QString folder = slash < 0 ? QString() : modulePath.mid(slash + 1);
    if (list.open(QIODevice::ReadOnly)) {
      plan.hasFilesFrom = true;
      plan.filesFrom = RewriteFileList(list.readAll(), folder, relative);
      args << QLatin1String(kFilesFromPlaceholder);
      modulePath = module + u'/';
    } else {
      args << QStringLiteral("--files-from=") + hostPath;  // rsync reports it
    }
  }
  const QString address = target.host.contains(u':') ? u'[' + target.host + u']' : target.host;
  args << QStringLiteral("--") << user + u'@' + address + QStringLiteral("::") + modulePath;
  if (plan.transfer) args << destination;
  plan.rsyncArguments = args;
  std::sort(plan.hostToClientPaths.begin(), plan.hostToClientPaths.end(),
            [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
  return plan;
}

std::string WritePrivateListFile(const QByteArray& list) {
  QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::tempPath();
  const QString prefix = QStringLiteral("orvane-files-from-");
  QDir dir(folder);
  // A run holds a lock on its list file as long as it lives: a file nobody
  // holds was left by a run that was ended at once. (The process id in the
  // name cannot tell: another process table may reuse it, or lack it.)
  for (const QString& name : dir.entryList({prefix + u'*'}, QDir::Files | QDir::Hidden)) {
    const QByteArray path = QFile::encodeName(dir.filePath(name));
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_uid == ::getuid() && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      ::unlink(path.constData());
    ::close(fd);
  }
  // Made and locked under a name the clean-up does not look at, then given
  // its name (never replacing a file): no other run can take it for a
  // left-over in between.
  for (int attempt = 0; attempt < 8; ++attempt) {
    QByteArray fresh = QFile::encodeName(dir.filePath(QStringLiteral(".orvane-new-list-XXXXXX")));
    const int fd = ::mkostemp(fresh.data(), O_CLOEXEC);  // 0600
    if (fd < 0) return {};
    const QByteArray path = QFile::encodeName(dir.filePath(prefix + QString::number(::getpid()) + u'-')) +
                            fresh.right(6);
    const bool ready = ::flock(fd, LOCK_EX) == 0 && WriteAll(fd, list.toStdString());
    const bool named = ready && ::link(fresh.constData(), path.constData()) == 0;
    const int error = errno;
    ::unlink(fresh.constData());
    if (named) {
      // The descriptor (and with it the lock) stays open until this process ends.
      return path.toStdString();
    }
    ::close(fd);
    if (!ready || error != EEXIST) return {};
  }
  return {};
}

}  // namespace tools
