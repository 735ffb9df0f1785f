#pragma once
// The XML document object the engine parses WebDAV multistatus replies with,
// over libxml2.
//
// loadXML parses a whole text synchronously; malformed input answers false
// and leaves the document empty, with the reason in parseError(). Parsing
// never touches the network, substitutes no entities and refuses documents
// with a document type declaration (a reply never has one, and its entities
// are the classic way to blow a parser up).
//
// XPath prefixes are matched by namespace, not by the letters a server
// chose: "D", "lp0" to "lp3" all stand for "DAV:" unless SelectionNamespaces
// says otherwise, so a reply that binds "DAV:" to "lp1" (Apache) or to a
// default namespace answers the same queries. Unprefixed names in an
// expression match elements in no namespace.

#include "platform/xml/DOMNode.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace win {

struct ParseError {
  long errorCode = 0;  // 0 after a good load; else negative (from the parser's own code, not MSXML's numbering)
  QString reason;      // ends with CR LF, as the legacy reason did
  long line = 0;       // 1-based
  long linepos = 0;    // 1-based
  QString srcText;     // the offending line
};

class DOMDocument {
 public:
  DOMDocument();

  [[nodiscard]] bool loadXML(const QString& xml);
  // The same for a text given as its UTF-8 bytes (a large reply need not be
  // held as characters too). A byte sequence that is no UTF-8 is refused.
  [[nodiscard]] bool loadUtf8(const QByteArray& utf8);
  [[nodiscard]] const ParseError& parseError() const noexcept { return error_; }

  [[nodiscard]] DOMNode documentElement() const;  // null while empty
  [[nodiscard]] DOMNode asNode() const;           // the document node itself; null while empty
  [[nodiscard]] DOMNodeList childNodes() const;
  [[nodiscard]] QString text() const;  // empty while empty
  // Whether text() would not be empty, without putting it together.
  [[nodiscard]] bool hasText() const;
  [[nodiscard]] QString xml() const;

  // Relative to the document node; an empty document answers an empty list
  // and a null node.
  [[nodiscard]] DOMNodeList selectNodes(const QString& xpath) const;
  [[nodiscard]] DOMNode selectSingleNode(const QString& xpath) const;

  // "SelectionNamespaces": "xmlns:x='uri' xmlns:y='uri'" adds or rebinds
  // prefixes (the default DAV: prefixes stay unless rebound).
  // "SelectionLanguage": "XPath" is what is used anyway; other values raise 5.
  // Unknown properties raise 5.
  void setProperty(const QString& name, const QString& value);

 private:
  // Parses `utf8`; `line` gives the source line of a number for the reason.
  bool Load(const QByteArray& utf8, const std::function<QString(long)>& line);

  std::shared_ptr<detail::XmlDoc> state_;
  ParseError error_;
  std::vector<std::pair<QString, QString>> namespaces_;
};

}  // namespace win
