#pragma once
// The extra header lines of one request, in the order they were added, with
// the legacy HttpAddRequestHeaders rules. Private to platform/inet.

#include <QString>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace win {

class HeaderList {
 public:
  struct Header {
    QString name;
    QString value;
  };

  // Applies `text` (one or more "Name: value" lines separated by CR LF or LF)
  // with HTTP_ADDREQ_FLAG_* `modifiers`. Answers 0 or the error code of the
  // first line that could not be applied (lines before it stay applied, as the
  // legacy call left them).
  [[nodiscard]] std::uint32_t Apply(const QString& text, std::uint32_t modifiers);

  [[nodiscard]] const std::vector<Header>& Headers() const noexcept { return headers_; }
  [[nodiscard]] bool Contains(const QString& name) const;
  [[nodiscard]] QString Value(const QString& name) const;  // the first one; empty when absent

  // "Name: value" lines for the wire (an empty value as "Name;", which the
  // transfer library sends as an empty header).
  [[nodiscard]] std::vector<std::string> WireLines() const;

  // The line as it may appear in a log: credentials and cookies blanked.
  [[nodiscard]] static QString Redacted(const QString& name, const QString& value);

 private:
  [[nodiscard]] std::uint32_t ApplyLine(const QString& line, std::uint32_t modifiers);
  [[nodiscard]] int Find(const QString& name) const;

  std::vector<Header> headers_;
};

}  // namespace win
