#include "platform/text/Strings.h"

#include "platform/codepage/CodePage.h"
#include "platform/errors/RuntimeError.h"

namespace vb {
namespace {

Qt::CaseSensitivity Sensitivity(CompareMethod compare) {
  return compare == vbTextCompare ? Qt::CaseInsensitive : Qt::CaseSensitive;
}

void RequireArgument(bool ok) {
  if (!ok) Raise(errInvalidProcedureCall);
}

}  // namespace

QString Trim(const QString& s) { return LTrim(RTrim(s)); }

QString LTrim(const QString& s) {
  qsizetype i = 0;
  while (i < s.size() && s.at(i) == u' ') ++i;
  return s.mid(i);
}

QString RTrim(const QString& s) {
  qsizetype n = s.size();
  while (n > 0 && s.at(n - 1) == u' ') --n;
  return s.left(n);
}

qsizetype Len(const QString& s) { return s.size(); }

QString Left(const QString& s, qsizetype n) {
  RequireArgument(n >= 0);
  return s.left(n);
}

QString Right(const QString& s, qsizetype n) {
  RequireArgument(n >= 0);
  return n >= s.size() ? s : s.right(n);
}

QString Mid(const QString& s, qsizetype start) {
  RequireArgument(start >= 1);
  return start > s.size() ? QString() : s.mid(start - 1);
}

QString Mid(const QString& s, qsizetype start, qsizetype length) {
  RequireArgument(start >= 1 && length >= 0);
  if (start > s.size()) return QString();
  return s.mid(start - 1, length);
}

qsizetype InStr(const QString& s, const QString& find, CompareMethod compare) { return InStr(1, s, find, compare); }

qsizetype InStr(qsizetype start, const QString& s, const QString& find, CompareMethod compare) {
  RequireArgument(start >= 1);
  if (s.isEmpty() || start > s.size()) return 0;
  if (find.isEmpty()) return start;
  return s.indexOf(find, start - 1, Sensitivity(compare)) + 1;
}

qsizetype InStrRev(const QString& s, const QString& find, qsizetype start, CompareMethod compare) {
  RequireArgument(start == -1 || start >= 1);
  if (s.isEmpty()) return 0;
  if (start == -1) start = s.size();
  if (start > s.size()) return 0;
  if (find.isEmpty()) return start;
  const qsizetype lastBegin = start - find.size();  // 0-based: the match must end at or before `start`
  if (lastBegin < 0) return 0;
  return s.lastIndexOf(find, lastBegin, Sensitivity(compare)) + 1;
}

QString LCase(const QString& s) { return s.toLower(); }

QString UCase(const QString& s) { return s.toUpper(); }

int StrComp(const QString& a, const QString& b, CompareMethod compare) {
  const int c = QString::compare(a, b, Sensitivity(compare));
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

QString Replace(const QString& expression, const QString& find, const QString& replacement, qsizetype start,
                qsizetype count, CompareMethod compare) {
  RequireArgument(start >= 1 && count >= -1);
  if (start > expression.size()) return QString();
  const QString text = expression.mid(start - 1);
  if (find.isEmpty() || count == 0) return text;
  QString out;
  out.reserve(text.size());
  qsizetype from = 0;
  qsizetype done = 0;
  while (count == -1 || done < count) {
    const qsizetype at = text.indexOf(find, from, Sensitivity(compare));
    if (at < 0) break;
    out += QStringView(text).mid(from, at - from);
    out += replacement;
    from = at + find.size();
    ++done;
  }
  out += QStringView(text).mid(from);
  return out;
}

QStringList Split(const QString& expression, const QString& delimiter, qsizetype limit, CompareMethod compare) {
  RequireArgument(limit >= -1);
  QStringList parts;
  if (expression.isEmpty() || limit == 0) return parts;
  if (delimiter.isEmpty() || limit == 1) return QStringList{expression};
  qsizetype from = 0;
  while (limit == -1 || parts.size() < limit - 1) {
    const qsizetype at = expression.indexOf(delimiter, from, Sensitivity(compare));
    if (at < 0) break;
    parts << expression.mid(from, at - from);
    from = at + delimiter.size();
  }
  parts << expression.mid(from);
  return parts;
}

QString Join(const QStringList& items, const QString& delimiter) { return items.join(delimiter); }

QString Space(qsizetype n) {
  RequireArgument(n >= 0);
  return QString(n, u' ');
}

QString StringOf(qsizetype n, const QString& ch) {
  RequireArgument(n >= 0 && !ch.isEmpty());
  return QString(n, ch.at(0));
}

QString StringOf(qsizetype n, int code) {
  RequireArgument(n >= 0 && code >= 0);
  return QString(n, win::AnsiChar(static_cast<unsigned char>(code % 256)));
}

int Asc(const QString& s) {
  RequireArgument(!s.isEmpty());
  const int code = win::AnsiCode(s.at(0));
  return code < 0 ? int{'?'} : code;
}

std::int16_t AscW(const QString& s) {
  RequireArgument(!s.isEmpty());
  return static_cast<std::int16_t>(s.at(0).unicode());
}

QString Chr(int code) {
  RequireArgument(code >= 0 && code <= 255);
  return QString(win::AnsiChar(static_cast<unsigned char>(code)));
}

QString ChrW(int code) {
  RequireArgument(code >= -32768 && code <= 65535);
  return QString(QChar(static_cast<char16_t>(code < 0 ? code + 65536 : code)));
}

}  // namespace vb
