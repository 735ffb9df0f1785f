#include "tools/ClientOutput.h"

#include "tools/ClientArgs.h"

#include <QRegularExpression>

#include <algorithm>

namespace tools {
namespace {

// Byte-for-byte views, so that any byte rsync writes survives the patterns.
QString Bytes(const QByteArray& b) { return QString::fromLatin1(b); }
QByteArray Back(const QString& s) { return s.toLatin1(); }

QByteArray Fit(const QByteArray& text, int width) { return text.left(width); }

}  // namespace

QByteArray ProgressLine(qint64 fileDone, qint64 fileSize, qint64 runDone, int percent, const QByteArray& rate,
                        const QByteArray& time, const QByteArray& item) {
  const QByteArray head = QString::asprintf("%15lld%16lld%16lld%16s%4d%%%10s%11s  ", static_cast<long long>(fileDone),
                                            static_cast<long long>(fileSize), static_cast<long long>(runDone), "",
                                            percent, Fit(rate, 10).constData(), Fit(time, 11).constData())
                              .toLatin1();
  return head + item + '\n';
}

QByteArray OutputTranslator::Feed(const QByteArray& bytes) {
  if (!transfer_) return bytes;
  pending_ += bytes;
  QByteArray out;
  qsizetype start = 0;
  for (qsizetype i = 0; i < pending_.size(); ++i) {
    const char c = pending_.at(i);
    if (c != '\r' && c != '\n') continue;
    out += Record(pending_.mid(start, i - start), c == '\n');
    start = i + 1;
  }
  pending_.remove(0, start);
  return out;
}

QByteArray OutputTranslator::Finish() {
  if (!transfer_ || pending_.isEmpty()) return {};
  const QByteArray rest = pending_;
  pending_.clear();
  return Record(rest, true);
}

QByteArray OutputTranslator::Record(const QByteArray& record, bool lineEnd) {
  static const QRegularExpression progress(QStringLiteral(
      "^\\s*(\\d+)\\s+(\\d+)%\\s+(\\S+)\\s+(\\d+:\\d\\d:\\d\\d)(\\s+\\(xfr#\\d+,\\s*[a-z]+-chk=\\d+/\\d+\\))?\\s*$"));
  if (record.startsWith(kItemMarker)) {
    const QByteArray body = record.mid(static_cast<qsizetype>(sizeof kItemMarker) - 1);
    const qsizetype bar1 = body.indexOf('|');
    const qsizetype bar2 = bar1 < 0 ? -1 : body.indexOf('|', bar1 + 1);
    if (bar2 < 0) return {};
    const QByteArray change = body.left(bar1);
    const qint64 size = body.mid(bar1 + 1, bar2 - bar1 - 1).toLongLong();
    const QByteArray name = body.mid(bar2 + 1);
    if (change.size() < 2 || change.at(1) != 'f') return {};  // folders, links and devices are not reported
    if (change.at(0) == '>') {
      active_ = true;
      name_ = name;
      size_ = size;
    } else if (change.at(0) == '.') {
      wholeFiles_ << name;
      return ProgressLine(size, size, 0, 100, "0.00kB/s", "0:00:00", QByteArray(kSyncFileMark) + name);
    }
    return {};
  }
  if (const auto m = progress.match(Bytes(record)); m.hasMatch()) {
    if (!active_) return {};
    const qint64 done = m.captured(1).toLongLong();
    const bool finished = m.hasCaptured(5) && !m.captured(5).isEmpty();
    const int percent = finished ? 100 : std::min(m.captured(2).toInt(), 99);
    const qint64 size = std::max(size_, done);
    const QByteArray line =
        ProgressLine(done, size, runDone_ + done, percent, Back(m.captured(3)), Back(m.captured(4)), name_);
    if (finished) {
      wholeFiles_ << name_;
      runDone_ += size;
      active_ = false;
    }
    return line;
  }
  if (record.isEmpty() && !lineEnd) return {};
  return record + '\n';
}

QByteArray ErrorTranslator::Feed(const QByteArray& bytes) {
  pending_ += bytes;
  QByteArray out;
  qsizetype start = 0;
  for (qsizetype i = 0; i < pending_.size(); ++i) {
    if (pending_.at(i) != '\n') continue;
    const QByteArray line = Line(pending_.mid(start, i - start));
    // rsync ends an unfinished progress line with a bare line feed here; the
    // engine would take a blank line for a good run, so blank lines are left out.
    if (!line.trimmed().isEmpty()) out += line + '\n';
    start = i + 1;
  }
  pending_.remove(0, start);
  return out;
}

QByteArray ErrorTranslator::Finish() {
  if (pending_.isEmpty()) return {};
  const QByteArray line = Line(pending_);
  pending_.clear();
  return line.trimmed().isEmpty() ? QByteArray() : line + '\n';
}

QByteArray ErrorTranslator::Line(const QByteArray& line) const {
  static const QRegularExpression tag(
      QStringLiteral("^(rsync(?: warning| error)?: )\\[(?:sender|receiver|generator|client|server|daemon)\\] "),
      QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression missing(
      QStringLiteral("^rsync: (?:link_stat|change_dir) \"(.*)\" \\(in ([^)]*)\\) failed: (.*)$"));
  QString text = Bytes(line);
  if (text.endsWith(u'\r')) text.chop(1);
  text.replace(tag, QStringLiteral("\\1"));
  if (const auto m = missing.match(text); m.hasMatch()) {
    QString path = m.captured(1);
    path.replace(QStringLiteral("/./"), QStringLiteral("/"));
    if (path.startsWith(QStringLiteral("./"))) path.remove(0, 2);
    if (!path.startsWith(u'/')) path.prepend(u'/');
    text = QStringLiteral("rsync: link_stat \"") + path + QStringLiteral("\" (in ") + m.captured(2) +
           QStringLiteral(") failed: ") + m.captured(3);
  }
  QByteArray out = Back(text);
  for (const auto& [host, client] : paths_) {
    const QByteArray from = host.toUtf8();
    const QByteArray to = client.toUtf8();
    if (from.isEmpty()) continue;
    qsizetype at = 0;
    while ((at = out.indexOf(from, at)) >= 0) {
      const qsizetype end = at + from.size();
      const char next = end < out.size() ? out.at(end) : '\0';
      if (next == '\0' || next == '/' || next == '"' || next == ' ' || next == '\'') {
        out.replace(at, from.size(), to);
        at += to.size();
      } else {
        at = end;
      }
    }
  }
  return out;
}

}  // namespace tools
