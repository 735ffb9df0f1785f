#include "platform/xml/DOMDocument.h"

#include "platform/errors/RuntimeError.h"
#include "platform/xml/XmlDoc.h"

#include <libxml/parser.h>

#include <QRegularExpression>
#include <QStringList>

#include <memory>
#include <mutex>

namespace win {
namespace {

void InitParser() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

// The DAV: prefixes of the legacy queries and of the servers' replies.
std::vector<std::pair<QString, QString>> DefaultNamespaces() {
  const QString dav = QStringLiteral("DAV:");
  return {{QStringLiteral("D"), dav},   {QStringLiteral("lp0"), dav}, {QStringLiteral("lp1"), dav},
          {QStringLiteral("lp2"), dav}, {QStringLiteral("lp3"), dav}};
}

ParseError ErrorOf(const xmlError* e, const std::function<QString(long)>& line) {
  ParseError error;
  const int code = e ? e->code : 1;
  error.errorCode = static_cast<long>(static_cast<std::int32_t>(0xC00CE000u | (static_cast<unsigned>(code) & 0xFFFu)));
  error.reason = (e && e->message) ? QString::fromUtf8(e->message).trimmed() : QStringLiteral("The document is not well formed.");
  error.reason += QLatin1String("\r\n");
  error.line = e ? e->line : 0;
  error.linepos = e ? e->int2 : 0;
  if (error.line >= 1) error.srcText = line(error.line);
  return error;
}

}  // namespace

DOMDocument::DOMDocument() : state_(std::make_shared<detail::XmlDoc>()), namespaces_(DefaultNamespaces()) {
  InitParser();
  state_->SetNamespaces(namespaces_);
}

bool DOMDocument::loadXML(const QString& xml) {
  // The text is already characters: its own encoding declaration no longer
  // applies, so the UTF-8 bytes handed over are read as UTF-8 whatever it says.
  return Load(xml.toUtf8(), [&](long line) {
    const QStringList lines = xml.split(QLatin1Char('\n'));
    return line <= lines.size() ? lines[line - 1] : QString();
  });
}

bool DOMDocument::loadUtf8(const QByteArray& utf8) {
  return Load(utf8, [&](long line) {
    qsizetype start = 0;
    for (long i = 1; i < line && start >= 0; ++i) {
      start = utf8.indexOf('\n', start);
      if (start >= 0) ++start;
    }
    if (start < 0) return QString();
    const qsizetype end = utf8.indexOf('\n', start);
    return QString::fromUtf8(utf8.mid(start, end < 0 ? -1 : end - start));
  });
}

bool DOMDocument::Load(const QByteArray& utf8, const std::function<QString(long)>& line) {
  auto state = std::make_shared<detail::XmlDoc>();
  state->SetNamespaces(namespaces_);
  state_ = state;  // a failed load leaves the document empty
  error_ = {};

  std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> ctxt(xmlNewParserCtxt(), &xmlFreeParserCtxt);
  if (!ctxt) vb::Raise(vb::errOutOfMemory);
  // The bytes are UTF-8 whatever the document's declaration says. Told to
  // ignore the declaration, the parser reads them in place; named as the
  // encoding, it would first copy them through a converter. Only where its
  // look at the first bytes could take them for another encoding (a NUL
  // among them) is the encoding named.
  int options = XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  const char* encoding = "UTF-8";
  if (!utf8.left(4).contains('\0')) {
    options |= XML_PARSE_IGNORE_ENC;
    encoding = nullptr;
  }
  xmlDocPtr doc = xmlCtxtReadMemory(ctxt.get(), utf8.constData(), static_cast<int>(utf8.size()), nullptr, encoding,
                                    options);
  // A prefix without a declaration is refused too, as the legacy parser did.
  if (!doc || !ctxt->wellFormed || !ctxt->nsWellFormed) {
    error_ = ErrorOf(xmlCtxtGetLastError(ctxt.get()), line);
    if (doc) xmlFreeDoc(doc);
    return false;
  }
  if (doc->intSubset || doc->extSubset) {
    const long at = doc->intSubset ? xmlGetLineNo(reinterpret_cast<xmlNodePtr>(doc->intSubset)) : 1;
    xmlFreeDoc(doc);
    xmlError refused{};
    refused.code = XML_ERR_ENTITY_PROCESSING;
    refused.message = const_cast<char*>("A document type declaration is not allowed.");
    refused.line = at > 0 ? static_cast<int>(at) : 1;
    refused.int2 = 1;
    error_ = ErrorOf(&refused, line);
    return false;
  }
  state->doc = doc;
  return true;
}

DOMNode DOMDocument::asNode() const {
  return state_->doc ? DOMNode(state_, state_->doc) : DOMNode();
}

DOMNode DOMDocument::documentElement() const {
  if (!state_->doc) return {};
  xmlNodePtr root = xmlDocGetRootElement(state_->doc);
  return root ? DOMNode(state_, root) : DOMNode();
}

DOMNodeList DOMDocument::childNodes() const { return state_->doc ? asNode().childNodes() : DOMNodeList(); }

QString DOMDocument::text() const { return state_->doc ? asNode().text() : QString(); }

bool DOMDocument::hasText() const {
  if (!state_->doc) return false;
  // The document's text is that of its text and CDATA sections at any
  // depth; anything else that could add some (an entity reference) is asked
  // of text() itself.
  const xmlNode* node = state_->doc->children;
  while (node) {
    switch (node->type) {
      case XML_TEXT_NODE:
      case XML_CDATA_SECTION_NODE:
        if (node->content && *node->content) return true;
        break;
      case XML_ENTITY_REF_NODE:
        return !text().isEmpty();
      default:
        break;
    }
    if (node->type == XML_ELEMENT_NODE && node->children) {
      node = node->children;
      continue;
    }
    while (node && !node->next) {
      node = node->parent;
      if (node == reinterpret_cast<const xmlNode*>(state_->doc)) node = nullptr;
    }
    if (node) node = node->next;
  }
  return false;
}

QString DOMDocument::xml() const { return state_->doc ? asNode().xml() : QString(); }

DOMNodeList DOMDocument::selectNodes(const QString& xpath) const {
  return state_->doc ? asNode().selectNodes(xpath) : DOMNodeList();
}

DOMNode DOMDocument::selectSingleNode(const QString& xpath) const {
  return state_->doc ? asNode().selectSingleNode(xpath) : DOMNode();
}

void DOMDocument::setProperty(const QString& name, const QString& value) {
  if (name.compare(QLatin1String("SelectionLanguage"), Qt::CaseInsensitive) == 0) {
    if (value.compare(QLatin1String("XPath"), Qt::CaseInsensitive) != 0) {
      vb::Raise(vb::errInvalidProcedureCall, {}, QStringLiteral("Only XPath is supported: ") + value);
    }
    return;
  }
  if (name.compare(QLatin1String("SelectionNamespaces"), Qt::CaseInsensitive) != 0) {
    vb::Raise(vb::errInvalidProcedureCall, {}, QStringLiteral("Unknown property: ") + name);
  }
  static const QRegularExpression declaration(QStringLiteral(R"(xmlns:([A-Za-z_][\w.-]*)\s*=\s*(['"])(.*?)\2)"));
  QString rest = value;
  auto it = declaration.globalMatch(value);
  while (it.hasNext()) {
    const QRegularExpressionMatch m = it.next();
    const QString prefix = m.captured(1);
    const QString uri = m.captured(3);
    auto existing = std::find_if(namespaces_.begin(), namespaces_.end(), [&](const auto& p) { return p.first == prefix; });
    if (existing != namespaces_.end()) {
      existing->second = uri;
    } else {
      namespaces_.emplace_back(prefix, uri);
    }
    rest.replace(m.captured(0), QString());
  }
  if (!rest.trimmed().isEmpty()) {
    vb::Raise(vb::errInvalidProcedureCall, {}, QStringLiteral("Bad SelectionNamespaces value: ") + value);
  }
  state_->SetNamespaces(namespaces_);
}

}  // namespace win
