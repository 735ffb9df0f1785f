#include "platform/inet/HeaderList.h"

#include "platform/inet/WinInet.h"

#include <algorithm>

namespace win {
namespace {

bool IsTokenChar(QChar c) {
  const char16_t u = c.unicode();
  if (u <= 32 || u >= 127) return false;
  return !QStringLiteral("()<>@,;:\\\"/[]?={}").contains(c);
}

bool IsSecret(const QString& name) {
  static const char* const kSecret[] = {"Authorization", "Proxy-Authorization", "Cookie", "Set-Cookie"};
  for (const char* s : kSecret) {
    if (name.compare(QLatin1String(s), Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

}  // namespace

std::uint32_t HeaderList::Apply(const QString& text, std::uint32_t modifiers) {
  QString normalised = text;
  normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  for (const QString& line : normalised.split(QLatin1Char('\n'))) {
    if (line.trimmed().isEmpty()) continue;
    if (const std::uint32_t error = ApplyLine(line, modifiers); error != 0) return error;
  }
  return 0;
}

std::uint32_t HeaderList::ApplyLine(const QString& line, std::uint32_t modifiers) {
  const qsizetype colon = line.indexOf(QLatin1Char(':'));
  if (colon <= 0) return ERROR_HTTP_INVALID_HEADER;
  const QString name = line.left(colon).trimmed();
  const QString value = line.mid(colon + 1).trimmed();
  if (name.isEmpty() || !std::all_of(name.begin(), name.end(), IsTokenChar) || value.contains(QLatin1Char('\r'))) {
    return ERROR_HTTP_INVALID_HEADER;
  }

  const int at = Find(name);
  if (modifiers & HTTP_ADDREQ_FLAG_REPLACE) {
    if (at < 0) {
      if (!(modifiers & HTTP_ADDREQ_FLAG_ADD)) return ERROR_HTTP_HEADER_NOT_FOUND;
      if (!value.isEmpty()) headers_.push_back({name, value});
      return 0;
    }
    // Every earlier line of that name goes; the new one takes the first one's place.
    for (int i = static_cast<int>(headers_.size()) - 1; i > at; --i) {
      if (headers_[i].name.compare(name, Qt::CaseInsensitive) == 0) headers_.erase(headers_.begin() + i);
    }
    if (value.isEmpty()) {
      headers_.erase(headers_.begin() + at);
    } else {
      headers_[at] = {name, value};
    }
    return 0;
  }
  if (modifiers & HTTP_ADDREQ_FLAG_ADD_IF_NEW) {
    if (at >= 0) return ERROR_HTTP_HEADER_ALREADY_EXISTS;
    headers_.push_back({name, value});
    return 0;
  }
  if (modifiers & (HTTP_ADDREQ_FLAG_COALESCE_WITH_COMMA | HTTP_ADDREQ_FLAG_COALESCE_WITH_SEMICOLON)) {
    if (at >= 0) {
      const QLatin1String glue((modifiers & HTTP_ADDREQ_FLAG_COALESCE_WITH_COMMA) ? ", " : "; ");
      Header& h = headers_[at];
      h.value = h.value.isEmpty() ? value : h.value + glue + value;
      return 0;
    }
  }
  headers_.push_back({name, value});
  return 0;
}

int HeaderList::Find(const QString& name) const {
  for (std::size_t i = 0; i < headers_.size(); ++i) {
    if (headers_[i].name.compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
  }
  return -1;
}

bool HeaderList::Contains(const QString& name) const { return Find(name) >= 0; }

QString HeaderList::Value(const QString& name) const {
  const int at = Find(name);
  return at < 0 ? QString() : headers_[at].value;
}

std::vector<std::string> HeaderList::WireLines() const {
  std::vector<std::string> lines;
  lines.reserve(headers_.size());
  for (const Header& h : headers_) {
    // Header values go out as UTF-8; the legacy callers only ever send ASCII.
    lines.push_back(h.value.isEmpty() ? (h.name + QLatin1Char(';')).toStdString()
                                      : (h.name + QLatin1String(": ") + h.value).toStdString());
  }
  return lines;
}

QString HeaderList::Redacted(const QString& name, const QString& value) {
  if (!IsSecret(name)) return name + QLatin1String(": ") + value;
  // Keep the scheme word of a credential ("Basic"), never the credential.
  const qsizetype blank = value.indexOf(QLatin1Char(' '));
  const QString scheme = (name.contains(QLatin1String("Authorization"), Qt::CaseInsensitive) && blank > 0)
                             ? value.left(blank) + QLatin1Char(' ')
                             : QString();
  return name + QLatin1String(": ") + scheme + QLatin1String("<blanked>");
}

}  // namespace win
