#pragma once
// What DOMDocument and its nodes share: the parsed tree, the nodes taken out
// of it (freed with it) and the XPath prefixes. Private to platform/xml.

#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <QHash>
#include <QString>

#include <utility>
#include <vector>

namespace win::detail {

struct XmlDoc {
  xmlDocPtr doc = nullptr;
  std::vector<xmlNodePtr> removed;
  std::vector<std::pair<QString, QString>> namespaces;  // prefix, URI

  // The XPath context of the queries and the expressions compiled so far:
  // made once, not for every query (a context registers every XPath
  // function anew). The context keeps the prefixes it was made with.
  mutable xmlXPathContextPtr xpath = nullptr;
  mutable std::vector<std::pair<QString, QString>> xpathNamespaces;
  mutable QHash<QString, xmlXPathCompExprPtr> compiled;

  XmlDoc() = default;
  XmlDoc(const XmlDoc&) = delete;
  XmlDoc& operator=(const XmlDoc&) = delete;
  ~XmlDoc() {
    ForgetXPath();
    for (xmlNodePtr node : removed) xmlFreeNode(node);
    if (doc) xmlFreeDoc(doc);
  }
  void ForgetXPath() const {
    for (xmlXPathCompExprPtr expression : compiled) xmlXPathFreeCompExpr(expression);
    compiled.clear();
    if (xpath) xmlXPathFreeContext(xpath);
    xpath = nullptr;
  }
};

// XPath over `context` (a node of state's tree); raises on a bad expression.
std::vector<xmlNodePtr> Select(const XmlDoc& state, xmlNodePtr context, const QString& xpath, bool firstOnly);

}  // namespace win::detail
