#include "platform/process/CommandLine.h"

#include "platform/errors/RuntimeError.h"

#include <QRegularExpression>

namespace win {
namespace {

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

// The loader takes a program part of at most MAX_PATH characters, its
// terminating NUL included.
constexpr qsizetype kMaxProgramPart = 259;

[[noreturn]] void RefuseBatch(const QString& why) {
  vb::Raise(vb::errInvalidProcedureCall, QStringLiteral("Shell"), why);
}

// Position of the first character of `text` from `from` on that is one of
// `chars` outside double quotes, or -1.
qsizetype FindUnquoted(const QString& text, qsizetype from, QStringView chars) {
  bool quoted = false;
  for (qsizetype i = from; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c == u'"') {
      quoted = !quoted;
    } else if (!quoted && chars.contains(c)) {
      return i;
    }
  }
  return -1;
}

}  // namespace

QStringList SplitArguments(const QString& text) {
  QStringList args;
  const qsizetype n = text.size();
  qsizetype i = 0;
  while (true) {
    while (i < n && IsBlank(text.at(i))) ++i;
    if (i >= n) break;
    QString arg;
    bool quoted = false;
    while (i < n) {
      const QChar c = text.at(i);
      if (IsBlank(c) && !quoted) break;
      if (c == u'\\') {
        qsizetype count = 0;
        while (i < n && text.at(i) == u'\\') {
          ++count;
          ++i;
        }
        if (i < n && text.at(i) == u'"') {
          arg.append(QString(count / 2, u'\\'));
          if (count % 2 == 1) {
            arg.append(u'"');
            ++i;
          }
          // An even run leaves the quote for the toggle below.
        } else {
          arg.append(QString(count, u'\\'));
        }
        continue;
      }
      if (c == u'"') {
        quoted = !quoted;
      } else {
        arg.append(c);
      }
      ++i;
    }
    args.append(arg);
  }
  return args;
}

QString FileNameOf(const QString& path) {
  const qsizetype cut = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
  return path.mid(cut + 1);
}

QString WithDefaultExtension(const QString& path) {
  return FileNameOf(path).contains(u'.') ? path : path + QStringLiteral(".exe");
}

std::vector<ProgramCandidate> ProgramCandidates(const QString& commandLine) {
  std::vector<ProgramCandidate> candidates;
  qsizetype start = 0;
  while (start < commandLine.size() && IsBlank(commandLine.at(start))) ++start;
  if (start >= commandLine.size()) return candidates;

  if (commandLine.at(start) == u'"') {
    const qsizetype close = commandLine.indexOf(u'"', start + 1);
    const QString program = close < 0 ? commandLine.mid(start + 1) : commandLine.mid(start + 1, close - start - 1);
    const QString rest = close < 0 ? QString() : commandLine.mid(close + 1);
    if (!program.isEmpty() && program.size() <= kMaxProgramPart) candidates.push_back({WithDefaultExtension(program), rest});
    return candidates;
  }

  // Each blank run ends one reading; the whole line is the last one. Readings
  // longer than the loader takes are never tried, which also keeps a long
  // line of short words from making a reading per word.
  qsizetype i = start;
  while (i <= commandLine.size() && i - start <= kMaxProgramPart) {
    if (i == commandLine.size() || IsBlank(commandLine.at(i))) {
      candidates.push_back({WithDefaultExtension(commandLine.mid(start, i - start)), commandLine.mid(i)});
      while (i < commandLine.size() && IsBlank(commandLine.at(i))) ++i;
      if (i == commandLine.size()) break;
      continue;
    }
    ++i;
  }
  return candidates;
}

BatchLine ParseBatchText(const QString& text) {
  QStringList lines;
  for (const QString& line : text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")))) {
    if (!line.trimmed().isEmpty()) lines.append(line.trimmed());
  }
  if (lines.isEmpty()) RefuseBatch(QStringLiteral("The batch file holds no command"));
  if (lines.size() > 1) {
    RefuseBatch(
        QStringLiteral("The batch file holds more than one command: %1").arg(lines.join(QStringLiteral(" | "))));
  }
  const QString line = lines.first();
  const QString refused = QStringLiteral("Unsupported batch command: %1").arg(line);
  constexpr QStringView kOperators = u"<>|&";

  if (line.startsWith(u'"')) {
    // A command interpreter would act on these; nothing here does, so refuse
    // rather than hand them to the program as arguments.
    if (FindUnquoted(line, 0, kOperators) >= 0) RefuseBatch(refused);
    BatchLine result;
    result.kind = BatchLine::Kind::Program;
    result.commandLine = line;
    return result;
  }

  if (line.size() > 5 && line.left(4).compare(QStringLiteral("echo"), Qt::CaseInsensitive) == 0 &&
      IsBlank(line.at(4))) {
    const qsizetype op = FindUnquoted(line, 5, kOperators);
    if (op < 0 || line.at(op) != u'>' || op + 1 >= line.size() || line.at(op + 1) != u'>') RefuseBatch(refused);
    QString echoed = line.mid(5, op - 5);
    while (!echoed.isEmpty() && IsBlank(echoed.back())) echoed.chop(1);
    if (echoed.isEmpty()) RefuseBatch(refused);

    const QString target = line.mid(op + 2).trimmed();
    QString file;
    if (target.startsWith(u'"')) {
      const qsizetype close = target.indexOf(u'"', 1);
      if (close < 0 || !target.mid(close + 1).trimmed().isEmpty()) RefuseBatch(refused);
      file = target.mid(1, close - 1);
    } else {
      if (target.contains(u'"') || target.contains(u' ') || target.contains(u'\t')) RefuseBatch(refused);
      file = target;
    }
    if (file.isEmpty() || FindUnquoted(file, 0, kOperators) >= 0) RefuseBatch(refused);

    BatchLine result;
    result.kind = BatchLine::Kind::Echo;
    result.text = echoed;
    result.file = file;
    return result;
  }
  RefuseBatch(refused);
}

}  // namespace win
