// XML documents (WebDAV replies): any text loads or is refused with a
// reason, and a loaded document answers the reply queries and any XPath
// (a malformed expression raises a run-time error, nothing else). A query
// walked as a plain child path selects what the XPath engine selects.
#include "fuzz/FuzzInput.h"
#include "platform/errors/RuntimeError.h"
#include "platform/xml/DOMDocument.h"

#include <optional>

namespace {

// The nodes a query selects from `context`, or nothing when it raises.
std::optional<win::DOMNodeList> Selected(const win::DOMNode& context, const QString& query, bool walk) {
  win::detail::SetChildPathWalk(walk);
  try {
    win::DOMNodeList nodes = context.selectNodes(query);
    const win::DOMNode first = context.selectSingleNode(query);
    FUZZ_CHECK(nodes.empty() ? first.isNull() : first == nodes.front());
    win::detail::SetChildPathWalk(true);
    return nodes;
  } catch (const vb::RuntimeError&) {
    win::detail::SetChildPathWalk(true);
    return std::nullopt;
  }
}

void Visit(const win::DOMNode& node, int depth) {
  if (node.isNull() || depth > 64) return;
  (void)node.nodeName();
  (void)node.baseName();
  (void)node.namespaceURI();
  (void)node.text();
  (void)node.getAttribute(QStringLiteral("b:dt"));
  const win::DOMNodeList children = node.childNodes();
  for (std::size_t i = 0; i < children.size() && i < 32; ++i) Visit(children[i], depth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  QString xml;
  QString xpath;
  in.TwoTexts(&xml, &xpath);
  win::DOMDocument doc;
  if (!doc.loadXML(xml)) {
    FUZZ_CHECK(!doc.parseError().reason.isEmpty() && doc.documentElement().isNull());
    return 0;
  }
  Visit(doc.documentElement(), 0);
  for (const win::DOMNode& context : {doc.asNode(), doc.documentElement()})
    FUZZ_CHECK(Selected(context, xpath, true) == Selected(context, xpath, false));
  (void)doc.xml();
  for (const QString& query : {QStringLiteral("//D:response"), QStringLiteral("D:multistatus/D:response/D:href"),
                               QStringLiteral("//D:propstat/D:prop/D:getcontentlength"), xpath}) {
    try {
      const win::DOMNodeList nodes = doc.selectNodes(query);
      for (std::size_t i = 0; i < nodes.size() && i < 16; ++i) (void)nodes[i].text();
      (void)doc.selectSingleNode(query);
    } catch (const vb::RuntimeError&) {
    }
  }
  return 0;
}
