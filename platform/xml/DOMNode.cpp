#include "platform/xml/DOMNode.h"

#include "platform/errors/RuntimeError.h"
#include "platform/xml/XmlDoc.h"

#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <algorithm>
#include <atomic>
#include <memory>

namespace win {
namespace detail {
namespace {

// The legacy DOM answered a failed query with E_FAIL as a run-time error.
constexpr long kQueryFailed = -2147467259;

void Silent(void*, xmlErrorPtr) {}

}  // namespace

// The document's XPath context with its prefixes, made when first needed
// and again when the document or the prefixes have changed.
xmlXPathContextPtr Context(const XmlDoc& state) {
  if (state.xpath && (state.xpath->doc != state.doc || state.xpathNamespaces != state.namespaces)) state.ForgetXPath();
  if (!state.xpath) {
    state.xpath = xmlXPathNewContext(state.doc);
    if (!state.xpath) vb::Raise(vb::errOutOfMemory);
    state.xpath->error = &Silent;  // the reason comes back in lastError
    for (const auto& [prefix, uri] : state.namespaces) {
      xmlXPathRegisterNs(state.xpath, reinterpret_cast<const xmlChar*>(prefix.toUtf8().constData()),
                         reinterpret_cast<const xmlChar*>(uri.toUtf8().constData()));
    }
    state.xpathNamespaces = state.namespaces;
  }
  return state.xpath;
}

namespace {

// At most this many compiled expressions (and as many child paths) are
// kept; a program asks a few over and over.
constexpr qsizetype kCompiledKept = 64;

std::atomic<bool> gChildPathWalk{true};

bool IsNameStart(QChar c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_'; }
bool IsNameChar(QChar c) { return IsNameStart(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.'; }

// A name of ASCII letters, digits, "_", "-" and "." that does not start
// with a digit, "-" or ".": what every reply query uses, and a name the
// engine reads the same way.
bool IsPlainName(QStringView s) {
  if (s.isEmpty() || !IsNameStart(s.front())) return false;
  for (QChar c : s) {
    if (!IsNameChar(c)) return false;
  }
  return true;
}

// The steps of an expression made only of "name" or "prefix:name" steps
// joined by "/", each prefix bound; empty for anything else.
std::vector<XmlDoc::ChildStep> ChildPath(const XmlDoc& state, const QString& xpath) {
  std::vector<XmlDoc::ChildStep> steps;
  for (QStringView step : QStringView(xpath).split(u'/')) {
    const qsizetype colon = step.indexOf(u':');
    const QStringView prefix = colon < 0 ? QStringView() : step.first(colon);
    const QStringView name = colon < 0 ? step : step.sliced(colon + 1);
    if (!IsPlainName(name) || (colon >= 0 && !IsPlainName(prefix))) return {};
    XmlDoc::ChildStep out;
    out.name = name.toUtf8();
    if (colon >= 0) {
      // The engine binds "xml" itself, whatever the document says.
      if (prefix == u"xml") return {};
      const auto bound = std::find_if(state.namespaces.begin(), state.namespaces.end(),
                                      [&](const auto& p) { return p.first == prefix; });
      // An unbound prefix is the engine's error to raise.
      if (bound == state.namespaces.end()) return {};
      out.uri = bound->second.toUtf8();
      out.inNamespace = true;
    }
    steps.push_back(std::move(out));
  }
  return steps;
}

bool Matches(const xmlNode* node, const XmlDoc::ChildStep& step) {
  if (node->type != XML_ELEMENT_NODE) return false;
  if (!xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>(step.name.constData()))) return false;
  if (!step.inNamespace) return node->ns == nullptr;
  return node->ns && xmlStrEqual(node->ns->href, reinterpret_cast<const xmlChar*>(step.uri.constData()));
}

// The child axis of `node` as the engine walks it: nothing below an
// attribute, a namespace or a declaration.
xmlNodePtr FirstChild(xmlNodePtr node) {
  switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_ENTITY_REF_NODE:
    case XML_ENTITY_NODE:
    case XML_PI_NODE:
    case XML_COMMENT_NODE:
    case XML_NOTATION_NODE:
    case XML_DTD_NODE:
    case XML_DOCUMENT_NODE:
    case XML_DOCUMENT_TYPE_NODE:
    case XML_DOCUMENT_FRAG_NODE:
    case XML_HTML_DOCUMENT_NODE:
      return node->children;
    default:
      return nullptr;
  }
}

// The nodes a child path selects from `context`, in document order: every
// node has one parent, so walking the parents in order keeps that order
// and never finds a node twice.
std::vector<xmlNodePtr> WalkChildPath(xmlNodePtr context, const std::vector<XmlDoc::ChildStep>& steps,
                                      bool firstOnly) {
  std::vector<xmlNodePtr> level{context};
  std::vector<xmlNodePtr> next;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const bool last = i + 1 == steps.size();
    next.clear();
    for (xmlNodePtr parent : level) {
      for (xmlNodePtr child = FirstChild(parent); child; child = child->next) {
        if (!Matches(child, steps[i])) continue;
        next.push_back(child);
        if (last && firstOnly) return next;
      }
    }
    level.swap(next);
    if (level.empty()) break;
  }
  return level;
}

}  // namespace

void SetChildPathWalk(bool on) { gChildPathWalk = on; }

std::vector<xmlNodePtr> Select(const XmlDoc& state, xmlNodePtr context, const QString& xpath, bool firstOnly) {
  std::vector<xmlNodePtr> nodes;
  if (!state.doc) return nodes;
  if (gChildPathWalk) {
    auto known = state.childPaths.constFind(xpath);
    if (known == state.childPaths.cend()) {
      if (state.childPaths.size() >= kCompiledKept) state.childPaths.clear();
      known = state.childPaths.insert(xpath, ChildPath(state, xpath));
    }
    if (!known->empty()) return WalkChildPath(context, *known, firstOnly);
  }
  const xmlXPathContextPtr ctx = Context(state);
  xmlResetError(&ctx->lastError);
  ctx->node = context;
  ctx->contextSize = -1;
  ctx->proximityPosition = -1;
  xmlXPathCompExprPtr expression = state.compiled.value(xpath, nullptr);
  if (!expression) {
    const QByteArray text = xpath.toUtf8();
    expression = xmlXPathCtxtCompile(ctx, reinterpret_cast<const xmlChar*>(text.constData()));
    if (expression) {
      if (state.compiled.size() >= kCompiledKept) {
        for (xmlXPathCompExprPtr old : state.compiled) xmlXPathFreeCompExpr(old);
        state.compiled.clear();
      }
      state.compiled.insert(xpath, expression);
    }
  }
  std::unique_ptr<xmlXPathObject, decltype(&xmlXPathFreeObject)> result(
      expression ? xmlXPathCompiledEval(expression, ctx) : nullptr, &xmlXPathFreeObject);
  if (!result || result->type != XPATH_NODESET) {
    QString reason = result ? QStringLiteral("the expression does not select nodes")
                            : QString::fromUtf8(ctx->lastError.message ? ctx->lastError.message : "invalid expression")
                                  .trimmed();
    vb::Raise(kQueryFailed, {}, QStringLiteral("%1: %2").arg(reason, xpath));
  }
  if (const xmlNodeSetPtr set = result->nodesetval) {
    for (int i = 0; i < set->nodeNr; ++i) {
      xmlNodePtr node = set->nodeTab[i];
      if (!node || node->type == XML_NAMESPACE_DECL) continue;
      nodes.push_back(node);
      if (firstOnly) break;
    }
  }
  return nodes;
}

}  // namespace detail

namespace {

xmlNodePtr AsXml(void* node) { return static_cast<xmlNodePtr>(node); }

QString FromXml(const xmlChar* text) { return text ? QString::fromUtf8(reinterpret_cast<const char*>(text)) : QString(); }

QString TakeXmlString(xmlChar* text) {
  const QString out = FromXml(text);
  xmlFree(text);
  return out;
}

}  // namespace

void* DOMNode::Checked() const {
  if (!node_) vb::Raise(vb::errObjectVariableNotSet);
  return node_;
}

QString DOMNode::nodeName() const {
  const xmlNodePtr n = AsXml(Checked());
  switch (n->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
      return (n->ns && n->ns->prefix) ? FromXml(n->ns->prefix) + QLatin1Char(':') + FromXml(n->name) : FromXml(n->name);
    case XML_TEXT_NODE:
      return QStringLiteral("#text");
    case XML_CDATA_SECTION_NODE:
      return QStringLiteral("#cdata-section");
    case XML_COMMENT_NODE:
      return QStringLiteral("#comment");
    case XML_DOCUMENT_NODE:
      return QStringLiteral("#document");
    default:
      return FromXml(n->name);
  }
}

QString DOMNode::baseName() const {
  const xmlNodePtr n = AsXml(Checked());
  return (n->type == XML_ELEMENT_NODE || n->type == XML_ATTRIBUTE_NODE || n->type == XML_PI_NODE) ? FromXml(n->name)
                                                                                                   : QString();
}

QString DOMNode::prefix() const {
  const xmlNodePtr n = AsXml(Checked());
  return ((n->type == XML_ELEMENT_NODE || n->type == XML_ATTRIBUTE_NODE) && n->ns) ? FromXml(n->ns->prefix) : QString();
}

QString DOMNode::namespaceURI() const {
  const xmlNodePtr n = AsXml(Checked());
  return ((n->type == XML_ELEMENT_NODE || n->type == XML_ATTRIBUTE_NODE) && n->ns) ? FromXml(n->ns->href) : QString();
}

int DOMNode::nodeType() const {
  switch (AsXml(Checked())->type) {
    case XML_ELEMENT_NODE:
      return NODE_ELEMENT;
    case XML_ATTRIBUTE_NODE:
      return NODE_ATTRIBUTE;
    case XML_TEXT_NODE:
      return NODE_TEXT;
    case XML_CDATA_SECTION_NODE:
      return NODE_CDATA_SECTION;
    case XML_PI_NODE:
      return NODE_PROCESSING_INSTRUCTION;
    case XML_COMMENT_NODE:
      return NODE_COMMENT;
    case XML_DOCUMENT_NODE:
      return NODE_DOCUMENT;
    default:
      return 0;
  }
}

QString DOMNode::text() const { return TakeXmlString(xmlNodeGetContent(AsXml(Checked()))); }

QString DOMNode::nodeTypedValue() const { return text(); }

QString DOMNode::xml() const {
  const xmlNodePtr n = AsXml(Checked());
  std::unique_ptr<xmlBuffer, decltype(&xmlBufferFree)> buffer(xmlBufferCreate(), &xmlBufferFree);
  if (!buffer) vb::Raise(vb::errOutOfMemory);
  if (n->type == XML_DOCUMENT_NODE) {
    for (xmlNodePtr child = n->children; child; child = child->next) xmlNodeDump(buffer.get(), n->doc, child, 0, 0);
  } else {
    xmlNodeDump(buffer.get(), n->doc, n, 0, 0);
  }
  return FromXml(xmlBufferContent(buffer.get()));
}

std::optional<QString> DOMNode::getAttribute(const QString& name) const {
  const xmlNodePtr n = AsXml(Checked());
  if (n->type != XML_ELEMENT_NODE) return std::nullopt;
  for (xmlAttrPtr attr = n->properties; attr; attr = attr->next) {
    const QString qualified = (attr->ns && attr->ns->prefix)
                                  ? FromXml(attr->ns->prefix) + QLatin1Char(':') + FromXml(attr->name)
                                  : FromXml(attr->name);
    if (qualified == name) return TakeXmlString(xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attr)));
  }
  return std::nullopt;
}

DOMNodeList DOMNode::childNodes() const {
  DOMNodeList out;
  const xmlNodePtr n = AsXml(Checked());
  if (n->type == XML_ATTRIBUTE_NODE) return out;
  for (xmlNodePtr child = n->children; child; child = child->next) out.push_back(DOMNode(doc_, child));
  return out;
}

DOMNodeList DOMNode::childElements() const {
  DOMNodeList out;
  for (const DOMNode& child : childNodes()) {
    if (AsXml(child.node_)->type == XML_ELEMENT_NODE) out.push_back(child);
  }
  return out;
}

DOMNode DOMNode::parentNode() const {
  const xmlNodePtr n = AsXml(Checked());
  return n->parent ? DOMNode(doc_, n->parent) : DOMNode();
}

DOMNodeList DOMNode::selectNodes(const QString& xpath) const {
  const xmlNodePtr context = AsXml(Checked());
  DOMNodeList out;
  for (xmlNodePtr node : detail::Select(*doc_, context, xpath, false)) out.push_back(DOMNode(doc_, node));
  return out;
}

DOMNode DOMNode::selectSingleNode(const QString& xpath) const {
  const xmlNodePtr context = AsXml(Checked());
  const auto nodes = detail::Select(*doc_, context, xpath, true);
  return nodes.empty() ? DOMNode() : DOMNode(doc_, nodes.front());
}

DOMNode DOMNode::removeChild(const DOMNode& child) {
  const xmlNodePtr parent = AsXml(Checked());
  const xmlNodePtr node = AsXml(child.Checked());
  if (node->parent != parent || child.doc_ != doc_ || node->type == XML_ATTRIBUTE_NODE) {
    vb::Raise(vb::errInvalidProcedureCall, {}, QStringLiteral("The parameter node is not a child of this node."));
  }
  xmlUnlinkNode(node);
  doc_->removed.push_back(node);
  return child;
}

}  // namespace win
