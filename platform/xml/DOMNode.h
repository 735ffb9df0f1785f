#pragma once
// A node of a DOMDocument (the legacy XML DOM's node object).
//
// A node keeps its document alive: handles stay valid however long the
// DOMDocument object that produced them lives. A null node (what
// selectSingleNode answers when nothing matches) raises run-time error 91
// on any member but isNull(), as the legacy object variable set to Nothing did.

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace win {

namespace detail {
struct XmlDoc;

// Whether plain paths of child names ("D:propstat/D:prop") are walked
// directly (the default) or handed to the XPath engine like any other
// expression; for tests that compare the two.
void SetChildPathWalk(bool on);
}  // namespace detail

class DOMNode;
using DOMNodeList = std::vector<DOMNode>;  // never "Nothing"; may be empty

class DOMNode {
 public:
  // The legacy DOM's node types.
  enum Type {
    NODE_ELEMENT = 1,
    NODE_ATTRIBUTE = 2,
    NODE_TEXT = 3,
    NODE_CDATA_SECTION = 4,
    NODE_PROCESSING_INSTRUCTION = 7,
    NODE_COMMENT = 8,
    NODE_DOCUMENT = 9,
  };

  DOMNode() = default;

  [[nodiscard]] bool isNull() const noexcept { return node_ == nullptr; }
  explicit operator bool() const noexcept { return node_ != nullptr; }

  // The name as written in the document: "D:href", "lp1:getcontentlength",
  // "#text", "#document".
  [[nodiscard]] QString nodeName() const;
  [[nodiscard]] QString baseName() const;  // without the prefix
  [[nodiscard]] QString prefix() const;
  [[nodiscard]] QString namespaceURI() const;
  [[nodiscard]] int nodeType() const;

  // The text of the node and all its descendants, concatenated exactly as the
  // document holds it (entities and character references resolved).
  [[nodiscard]] QString text() const;
  // The typed value; replies carry no data types here, so it is text().
  [[nodiscard]] QString nodeTypedValue() const;
  // The node serialised as XML.
  [[nodiscard]] QString xml() const;

  // An attribute by its name as written ("b:dt"); nullopt (the legacy Null)
  // when the element has none of that name.
  [[nodiscard]] std::optional<QString> getAttribute(const QString& name) const;

  [[nodiscard]] DOMNodeList childNodes() const;
  [[nodiscard]] DOMNodeList childElements() const;
  [[nodiscard]] DOMNode parentNode() const;  // null for the document and removed nodes

  // XPath 1.0 relative to this node; see DOMDocument for the prefixes. An
  // invalid expression or an undeclared prefix raises a run-time error.
  [[nodiscard]] DOMNodeList selectNodes(const QString& xpath) const;
  [[nodiscard]] DOMNode selectSingleNode(const QString& xpath) const;

  // Takes `child` out of this node and answers it (it stays readable while
  // the document lives). Raises error 5 when it is not a child of this node.
  DOMNode removeChild(const DOMNode& child);

  [[nodiscard]] bool operator==(const DOMNode& other) const noexcept { return node_ == other.node_; }

 private:
  friend class DOMDocument;
  DOMNode(std::shared_ptr<detail::XmlDoc> doc, void* node) : doc_(std::move(doc)), node_(node) {}
  void* Checked() const;  // raises 91 for a null node

  std::shared_ptr<detail::XmlDoc> doc_;
  void* node_ = nullptr;  // xmlNode*
};

}  // namespace win
