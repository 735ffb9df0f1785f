#include "program/main/SearchResultFile.h"

#include <QDateTime>
#include <QRegularExpression>

#include "platform/paths/WinPath.h"
#include "platform/text/Format.h"
#include "platform/text/Like.h"
#include "platform/text/Strings.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/SystemHelpers.h"

namespace OrvaneMac {
namespace {

// The key's "[" without a "]" after it becomes "[[]" (itself); a complete
// list is copied as it stands.
QString CloseOpenBrackets(const QString& pattern) {
  QString out;
  out.reserve(pattern.size() + 4);
  qsizetype i = 0;
  while (i < pattern.size()) {
    const QChar c = pattern[i];
    if (c != u'[') {
      out += c;
      ++i;
      continue;
    }
    const qsizetype close = pattern.indexOf(u']', i + 1);
    if (close < 0) {
      out += QStringLiteral("[[]");
      ++i;
      continue;
    }
    out += pattern.mid(i, close - i + 1);
    i = close + 1;
  }
  return out;
}

QString Cut(const QString& text) { return modGeneral::StripNull(text); }

}  // namespace

QString SearchResultFile() {
  return win::ProgramFolder() + u'\\' + Program().AppWord + QStringLiteral("\\OrvaneSearchResult.txt");
}

std::vector<SearchListingLine> ReadSearchListing(const QString& text) {
  std::vector<SearchListingLine> lines;
  if (!text.contains(u'\n')) return lines;
  const QStringList parts = text.split(u'\n');
  lines.reserve(parts.size());
  for (const QString& line : parts) {
    const QString s = Cut(line);
    if (vb::Trim(s).isEmpty()) continue;
    SearchListingLine entry;
    entry.type = s[0];
    entry.size = vb::Trim(Cut(line.mid(11, 11)));
    entry.date = vb::Trim(Cut(line.mid(22, 20)));
    entry.name = vb::LTrim(Cut(line.mid(43)));
    lines.push_back(std::move(entry));
  }
  return lines;
}

QString ListingSearchPattern(const QString& key) {
  return CloseOpenBrackets(vb::Trim(QStringLiteral("*") + key) + u'*').toLower();
}

QString TopLevelSearchPattern(const QString& key) {
  return CloseOpenBrackets(QStringLiteral("*") + vb::Trim(key) + u'*').toLower();
}

bool SearchPathMatches(const QString& path, const QString& pattern) {
  return vb::Like(path.toLower(), pattern, vb::vbBinaryCompare);
}

QString SearchSizeCell(const QString& sizeField) {
  QString size = vb::Trim(sizeField);
  if (size.isEmpty()) return QStringLiteral("0 KB");
  // Newer listing clients group the digits with commas.
  static const QRegularExpression grouped(QStringLiteral("^[0-9]{1,3}(,[0-9]{3})+$"));
  if (grouped.match(size).hasMatch()) size.remove(u',');
  bool number = false;
  const double bytes = size.toDouble(&number);
  return number ? modGeneral::GetProperSizeValue(bytes) : QString();
}

QString SearchListingDateCell(const QString& dateField) {
  const QString date = vb::Trim(dateField);
  if (date.isEmpty()) return {};
  const QDateTime when = QDateTime::fromString(date, QStringLiteral("yyyy/MM/dd HH:mm:ss"));
  return when.isValid() ? vb::FormatGeneralDate(when) : QString();
}

}  // namespace OrvaneMac
