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

ParseError ErrorOf(const xmlError* e, const QString& source) {
  ParseError error;
  const int code = e ? e->code : 1;
  error.errorCode = static_cast<long>(static_cast<std::int32_t>(0xC00CE000u | (static_cast<unsigned>(code) & 0xFFFu)));
  error.reason = (e && e->message) ? QString::fromUtf8(e->message).trimmed() : QStringLiteral("The document is not well formed.");
  error.reason += QLatin1String("\r\n");
  error.line = e ? e->line : 0;
  error.linepos = e ? e->int2 : 0;
  const QStringList lines = source.split(QLatin1Char('\n'));
  if (error.line >= 1 && error.line <= lines.size()) error.srcText = lines[error.line - 1];
  return error;
}

}  // namespace

DOMDocument::DOMDocument() : state_(std::make_shared<detail::XmlDoc>()), namespaces_(DefaultNamespaces()) {
  InitParser();
  state_->namespaces = namespaces_;
}

bool DOMDocument::loadXML(const QString& xml) {
  auto state = std::make_shared<detail::XmlDoc>();
  state->namespaces = namespaces_;
  state_ = state;  // a failed load leaves the document empty
  error_ = {};

  std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> ctxt(xmlNewParserCtxt(), &xmlFreeParserCtxt);
  if (!ctxt) vb::Raise(vb::errOutOfMemory);
  // The text is already characters: its own encoding declaration no longer
  // applies, so the UTF-8 bytes handed over are read as UTF-8 whatever it says.
  const QByteArray utf8 = xml.toUtf8();
  const int options = XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  xmlDocPtr doc = xmlCtxtReadMemory(ctxt.get(), utf8.constData(), static_cast<int>(utf8.size()), nullptr, "UTF-8",
                                    options);
  // A prefix without a declaration is refused too, as the legacy parser did.
  if (!doc || !ctxt->wellFormed || !ctxt->nsWellFormed) {
    error_ = ErrorOf(xmlCtxtGetLastError(ctxt.get()), xml);
    if (doc) xmlFreeDoc(doc);
    return false;
  }
  if (doc->intSubset || doc->extSubset) {
    const long line = doc->intSubset ? xmlGetLineNo(reinterpret_cast<xmlNodePtr>(doc->intSubset)) : 1;
    xmlFreeDoc(doc);
    xmlError refused{};
    refused.code = XML_ERR_ENTITY_PROCESSING;
    refused.message = const_cast<char*>("A document type declaration is not allowed.");
    refused.line = line > 0 ? static_cast<int>(line) : 1;
    refused.int2 = 1;
    error_ = ErrorOf(&refused, xml);
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
  state_->namespaces = namespaces_;
}

}  // namespace win
