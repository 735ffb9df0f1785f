#pragma once
// What DOMDocument and its nodes share: the parsed tree, the nodes taken out
// of it (freed with it) and the XPath prefixes. Private to platform/xml.

#include <libxml/tree.h>

#include <QString>

#include <utility>
#include <vector>

namespace win::detail {

struct XmlDoc {
  xmlDocPtr doc = nullptr;
  std::vector<xmlNodePtr> removed;
  std::vector<std::pair<QString, QString>> namespaces;  // prefix, URI

  XmlDoc() = default;
  XmlDoc(const XmlDoc&) = delete;
  XmlDoc& operator=(const XmlDoc&) = delete;
  ~XmlDoc() {
    for (xmlNodePtr node : removed) xmlFreeNode(node);
    if (doc) xmlFreeDoc(doc);
  }
};

// XPath over `context` (a node of state's tree); raises on a bad expression.
std::vector<xmlNodePtr> Select(const XmlDoc& state, xmlNodePtr context, const QString& xpath, bool firstOnly);

}  // namespace win::detail
