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
  std::vector<std::pair<QString, QString>> namespaces;  // prefix, URI; set through SetNamespaces

  // The XPath context of the queries and the expressions compiled so far:
  // made once, not for every query (a context registers every XPath
  // function anew). The context keeps the prefixes it was made with.
  mutable xmlXPathContextPtr xpath = nullptr;
  mutable std::vector<std::pair<QString, QString>> xpathNamespaces;
  mutable QHash<QString, xmlXPathCompExprPtr> compiled;
  // Expressions that are plain paths of child element names ("D:propstat",
  // "D:prop/lp0:getcontentlength"), walked without the XPath engine: each
  // step's local name and namespace URI in UTF-8. No steps: an expression
  // the engine evaluates (anything else, or a prefix not bound).
  struct ChildStep {
    QByteArray name;
    QByteArray uri;
    bool inNamespace = false;  // false: elements in no namespace
  };
  mutable QHash<QString, std::vector<ChildStep>> childPaths;

  void SetNamespaces(std::vector<std::pair<QString, QString>> bound) {
    namespaces = std::move(bound);
    childPaths.clear();
  }

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
