#include "platform/xml/DOMDocument.h"

#include "platform/errors/RuntimeError.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <functional>

namespace win {
namespace {

// The same listing written two ways: prefixes D:/lp0: declared once, and the
// way Apache mod_dav writes it (lp1: declared on each response, DAV:
// properties it does not know under a default namespace, "&" as "&amp;").
const char* const kPrefixedReply = R"(<?xml version="1.0" encoding="utf-8"?>
<D:multistatus xmlns:D="DAV:" xmlns:lp0="DAV:">
<D:response><D:href>/users/u/Files/My%20docs/</D:href>
<D:propstat><D:prop><lp0:getlastmodified>Tue, 04 Mar 2014 10:15:02 GMT</lp0:getlastmodified>
<D:quota>2147483648</D:quota><D:used>1048576</D:used></D:prop>
<D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>
<D:response><D:href>/users/u/Files/My%20docs/sub/</D:href>
<D:propstat><D:prop><lp0:getlastmodified>Wed, 05 Mar 2014 08:00:00 GMT</lp0:getlastmodified></D:prop>
<D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>
<D:response><D:href>/users/u/Files/My%20docs/a&#38;b.txt</D:href>
<D:propstat><D:prop><lp0:getcontentlength>2048</lp0:getcontentlength>
<lp0:getlastmodified>Thu, 06 Mar 2014 09:30:00 GMT</lp0:getlastmodified>
<D:size>4096</D:size><D:chunksize>131072</D:chunksize><checksum>11  22  33</checksum></D:prop>
<D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>
</D:multistatus>
)";

const char* const kApacheReply = R"(<?xml version="1.0" encoding="utf-8"?>
<D:multistatus xmlns:D="DAV:" xmlns:ns0="DAV:">
<D:response xmlns:lp1="DAV:" xmlns:lp2="http://apache.org/dav/props/">
<D:href>/users/u/Files/My%20docs/</D:href>
<D:propstat>
<D:prop>
<lp1:resourcetype><D:collection/></lp1:resourcetype>
<lp1:getlastmodified>Tue, 04 Mar 2014 10:15:02 GMT</lp1:getlastmodified>
<quota xmlns="DAV:">2147483648</quota>
<ns0:used>1048576</ns0:used>
</D:prop>
<D:status>HTTP/1.1 200 OK</D:status>
</D:propstat>
</D:response>
<D:response xmlns:lp1="DAV:" xmlns:lp2="http://apache.org/dav/props/">
<D:href>/users/u/Files/My%20docs/sub/</D:href>
<D:propstat>
<D:prop>
<lp1:resourcetype><D:collection/></lp1:resourcetype>
<lp1:getlastmodified>Wed, 05 Mar 2014 08:00:00 GMT</lp1:getlastmodified>
</D:prop>
<D:status>HTTP/1.1 200 OK</D:status>
</D:propstat>
</D:response>
<D:response xmlns:lp1="DAV:" xmlns:lp2="http://apache.org/dav/props/">
<D:href>/users/u/Files/My%20docs/a&amp;b.txt</D:href>
<D:propstat>
<D:prop>
<lp1:resourcetype/>
<lp1:getcontentlength>2048</lp1:getcontentlength>
<lp1:getlastmodified>Thu, 06 Mar 2014 09:30:00 GMT</lp1:getlastmodified>
<lp2:executable>F</lp2:executable>
<ns0:size>4096</ns0:size>
<chunksize xmlns="DAV:">131072</chunksize>
<checksum xmlns="">11  22  33</checksum>
</D:prop>
<D:status>HTTP/1.1 200 OK</D:status>
</D:propstat>
</D:response>
</D:multistatus>
)";

// What the listing, size, quota and checksum code asks, document-wide and
// per response; "-" stands for "selects nothing".
QString Answers(const DOMDocument& doc) {
  QStringList out;
  auto first = [](const DOMNode& node) { return node.isNull() ? QStringLiteral("-") : node.text(); };
  out << first(doc.selectSingleNode(QStringLiteral("D:multistatus/D:response/D:propstat/D:prop/D:quota")));
  out << first(doc.selectSingleNode(QStringLiteral("D:multistatus/D:response/D:propstat/D:prop/D:used")));
  for (const DOMNode& response : doc.selectNodes(QStringLiteral("D:multistatus/D:response"))) {
    QStringList row;
    for (const char* path : {"D:href", "D:propstat/D:prop/lp0:getcontentlength", "D:propstat/D:prop/lp0:getlastmodified",
                             "D:propstat/D:prop/D:size", "D:propstat/D:prop/D:chunksize", "D:propstat/D:prop/checksum",
                             "D:propstat/D:prop/D:checksum"}) {
      row << first(response.selectSingleNode(QString::fromLatin1(path)));
    }
    out << row.join(QLatin1Char('|'));
  }
  return out.join(QLatin1Char('\n'));
}

TEST(DOMDocument, ServersBindingDavToOtherPrefixesAnswerTheSameQueries) {
  const QString expected = QStringLiteral(
      "2147483648\n1048576\n"
      "/users/u/Files/My%20docs/|-|Tue, 04 Mar 2014 10:15:02 GMT|-|-|-|-\n"
      "/users/u/Files/My%20docs/sub/|-|Wed, 05 Mar 2014 08:00:00 GMT|-|-|-|-\n"
      "/users/u/Files/My%20docs/a&b.txt|2048|Thu, 06 Mar 2014 09:30:00 GMT|4096|131072|11  22  33|-");
  for (const char* reply : {kPrefixedReply, kApacheReply}) {
    DOMDocument doc;
    ASSERT_TRUE(doc.loadXML(QString::fromUtf8(reply))) << doc.parseError().reason.toStdString();
    EXPECT_EQ(Answers(doc), expected);
    EXPECT_EQ(doc.parseError().errorCode, 0);
  }
}

// Plain paths of child names are walked without the XPath engine; they must
// select exactly what the engine selects, from every kind of context node.
TEST(DOMDocument, ChildPathsSelectWhatTheXPathEngineSelects) {
  const QString mixed = QStringLiteral(
      "<r xmlns:z='urn:z' xmlns:D='DAV:'><D:a><D:b>1</D:b><z:b>2</z:b><b>3</b><D:b>4</D:b></D:a>"
      "<a xmlns='DAV:'><b>5</b></a><D:a/><!-- c --><D:a><D:b><D:b>6</D:b></D:b>x<?pi d?></D:a>"
      "<a><b xmlns=''>7</b><xml:b/></a><w-x.y_z><q/></w-x.y_z></r>");
  const char* const queries[] = {
      "r", "r/D:a", "r/D:a/D:b", "r/D:a/D:b/D:b", "r/a/b", "r/lp1:a/lp3:b", "r/a/lp0:b", "D:a/D:b", "r/q",
      "r/w-x.y_z/q", "D:multistatus/D:response", "D:href", "D:propstat/D:prop/lp0:getcontentlength",
      "D:propstat/D:status", "r/*", "r/D:a[2]/D:b", "r/a/xml:b", "r/D:a/text()", "r//D:b", "r/D:a/.."};
  for (const QString& xml : {QString::fromUtf8(kPrefixedReply), QString::fromUtf8(kApacheReply), mixed}) {
    DOMDocument doc;
    ASSERT_TRUE(doc.loadXML(xml));
    // Every node as a context: the document, elements, text, comments.
    std::vector<DOMNode> contexts{doc.asNode()};
    for (std::size_t i = 0; i < contexts.size(); ++i) {
      for (const DOMNode& child : contexts[i].childNodes()) contexts.push_back(child);
    }
    for (const DOMNode& context : contexts) {
      for (const char* query : queries) {
        const QString q = QString::fromLatin1(query);
        detail::SetChildPathWalk(false);
        const DOMNodeList byEngine = context.selectNodes(q);
        const DOMNode firstByEngine = context.selectSingleNode(q);
        detail::SetChildPathWalk(true);
        EXPECT_EQ(context.selectNodes(q), byEngine) << query << " from " << context.nodeName().toStdString();
        EXPECT_EQ(context.selectSingleNode(q), firstByEngine) << query;
      }
    }
  }
  // A prefix nobody bound is the engine's error, walked or not.
  DOMDocument doc;
  ASSERT_TRUE(doc.loadXML(QString::fromUtf8(kPrefixedReply)));
  EXPECT_THROW((void)doc.selectNodes(QStringLiteral("D:multistatus/nobody:response")), vb::RuntimeError);
}

TEST(DOMDocument, Utf8BytesLoadLikeTheirText) {
  const QByteArray reply = QByteArray(kApacheReply).replace("a&amp;b.txt", "b\xC3\xA9&amp;\xE6\x97\xA5.txt");
  DOMDocument fromText;
  DOMDocument fromBytes;
  ASSERT_TRUE(fromText.loadXML(QString::fromUtf8(reply)));
  ASSERT_TRUE(fromBytes.loadUtf8(reply));
  EXPECT_EQ(Answers(fromBytes), Answers(fromText));
  EXPECT_TRUE(Answers(fromBytes).contains(QStringLiteral(u"b\u00E9&\u65E5.txt")));

  for (const char* xml : {"<a/>", "<a><b/><c><!--x--></c></a>", "<a> </a>", "<a><b/><c><d>x</d></c></a>",
                          "<a><![CDATA[]]></a>", "<a><![CDATA[y]]></a>", "<?pi x?><a b='1'/><!--c-->"}) {
    ASSERT_TRUE(fromText.loadXML(QString::fromLatin1(xml))) << xml;
    EXPECT_EQ(fromText.hasText(), !fromText.text().isEmpty()) << xml;
  }
  EXPECT_FALSE(DOMDocument().hasText());

  // A malformed reply names its line, and the line itself.
  EXPECT_FALSE(fromBytes.loadUtf8("<a>\n<b>\n</a>"));
  EXPECT_EQ(fromBytes.parseError().line, 3);
  EXPECT_EQ(fromBytes.parseError().srcText, "</a>");
  EXPECT_TRUE(fromBytes.documentElement().isNull());
  // Bytes that are no UTF-8 are refused.
  EXPECT_FALSE(fromBytes.loadUtf8("<a>caf\xE9</a>"));
}

TEST(DOMDocument, NodesDescribeThemselvesAsWritten) {
  DOMDocument doc;
  ASSERT_TRUE(doc.loadXML(QString::fromUtf8(kApacheReply)));
  const DOMNode length = doc.selectSingleNode(QStringLiteral("//lp0:getcontentlength"));
  ASSERT_FALSE(length.isNull());
  EXPECT_EQ(length.nodeName(), "lp1:getcontentlength");
  EXPECT_EQ(length.baseName(), "getcontentlength");
  EXPECT_EQ(length.prefix(), "lp1");
  EXPECT_EQ(length.namespaceURI(), "DAV:");
  EXPECT_EQ(length.nodeType(), DOMNode::NODE_ELEMENT);
  EXPECT_EQ(length.nodeTypedValue(), "2048");
  EXPECT_EQ(length.xml(), "<lp1:getcontentlength>2048</lp1:getcontentlength>");
  EXPECT_EQ(length.parentNode().nodeName(), "D:prop");
  EXPECT_EQ(doc.documentElement().nodeName(), "D:multistatus");
  EXPECT_EQ(doc.documentElement().childElements().size(), 3u);
  EXPECT_EQ(doc.asNode().nodeName(), "#document");

  // Text is kept exactly, blanks and line breaks included.
  ASSERT_TRUE(doc.loadXML(QStringLiteral("<a x='1' b:dt='int' xmlns:b='urn:b'>\n <c> 5 </c><![CDATA[<&>]]></a>")));
  EXPECT_EQ(doc.documentElement().text(), "\n  5 <&>");
  EXPECT_EQ(doc.text(), "\n  5 <&>");
  EXPECT_EQ(doc.documentElement().getAttribute(QStringLiteral("x")), QStringLiteral("1"));
  EXPECT_EQ(doc.documentElement().getAttribute(QStringLiteral("b:dt")), QStringLiteral("int"));
  EXPECT_EQ(doc.documentElement().getAttribute(QStringLiteral("y")), std::nullopt);
  EXPECT_EQ(doc.documentElement().childNodes().front().nodeName(), "#text");
}

TEST(DOMDocument, TheTextIsReadAsCharactersWhateverTheDeclarationSays) {
  for (const char* encoding : {"ISO-8859-1", "UTF-16", "utf-8", "EBCDIC-US"}) {
    const QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?><n>bé日</n>").arg(QLatin1String(encoding));
    DOMDocument doc;
    ASSERT_TRUE(doc.loadXML(xml)) << encoding;
    EXPECT_EQ(doc.documentElement().text(), QStringLiteral("bé日")) << encoding;
    ASSERT_TRUE(doc.loadUtf8(xml.toUtf8())) << encoding;
    EXPECT_EQ(doc.documentElement().text(), QStringLiteral("bé日")) << encoding;
  }
}

TEST(DOMDocument, MalformedInputLeavesAnEmptyDocumentAndAReason) {
  struct Row {
    const char* text;
    long line;
  };
  for (const Row& row : {Row{"<a><b></a>", 1}, Row{"", 1}, Row{"<D:multistatus xmlns:D='DAV:'>\n<D:response>", 2},
                         Row{"<a>&undefined;</a>", 1}, Row{"<x:a/>", 1}}) {
    DOMDocument doc;
    ASSERT_TRUE(doc.loadXML(QStringLiteral("<ok/>")));
    EXPECT_FALSE(doc.loadXML(QString::fromUtf8(row.text))) << row.text;
    const ParseError& error = doc.parseError();
    EXPECT_LT(error.errorCode, 0) << row.text;
    EXPECT_TRUE(error.reason.endsWith(QLatin1String("\r\n"))) << row.text;
    EXPECT_GT(error.reason.size(), 2) << row.text;
    EXPECT_GE(error.line, row.line) << row.text;
    EXPECT_TRUE(doc.documentElement().isNull());
    EXPECT_TRUE(doc.text().isEmpty());
    EXPECT_TRUE(doc.selectNodes(QStringLiteral("D:multistatus/D:response")).empty());
    EXPECT_TRUE(doc.selectSingleNode(QStringLiteral("D:multistatus")).isNull());
  }
}

TEST(DOMDocument, ADocumentTypeDeclarationIsRefused) {
  // Nested entities would multiply into gigabytes of text.
  const QString bomb = QStringLiteral(
      "<?xml version=\"1.0\"?>\n<!DOCTYPE a [<!ENTITY x \"xxxxxxxxxx\"><!ENTITY y \"&x;&x;&x;&x;&x;&x;&x;&x;\">]>\n"
      "<a>&y;</a>");
  DOMDocument doc;
  EXPECT_FALSE(doc.loadXML(bomb));
  EXPECT_TRUE(doc.parseError().reason.contains(QStringLiteral("document type")));
  EXPECT_TRUE(doc.documentElement().isNull());
}

TEST(DOMDocument, ANullNodeRaisesObjectVariableNotSet) {
  DOMDocument doc;
  ASSERT_TRUE(doc.loadXML(QString::fromUtf8(kPrefixedReply)));
  const DOMNode folder = doc.selectNodes(QStringLiteral("D:multistatus/D:response")).front();
  const DOMNode missing = folder.selectSingleNode(QStringLiteral("D:propstat/D:prop/lp0:getcontentlength"));
  ASSERT_TRUE(missing.isNull());
  const std::function<void()> uses[] = {
      [&] { (void)missing.text(); },
      [&] { (void)missing.nodeName(); },
      [&] { (void)missing.selectSingleNode(QStringLiteral("x")); },
      [&] { (void)missing.selectNodes(QStringLiteral("x")); },
      [&] { (void)missing.getAttribute(QStringLiteral("x")); },
  };
  for (const auto& use : uses) {
    try {
      use();
      ADD_FAILURE() << "no error raised";
    } catch (const vb::RuntimeError& e) {
      EXPECT_EQ(e.Number(), vb::errObjectVariableNotSet);
    }
  }
}

TEST(DOMDocument, BadExpressionsAndPrefixesRaiseAndSelectionNamespacesAddsPrefixes) {
  DOMDocument doc;
  ASSERT_TRUE(doc.loadXML(QStringLiteral("<r xmlns:z='urn:z'><z:v>1</z:v><v>2</v></r>")));
  for (const char* bad : {"r/q:v", "r/[", "count(r)"}) {
    EXPECT_THROW((void)doc.selectNodes(QString::fromLatin1(bad)), vb::RuntimeError) << bad;
  }
  EXPECT_EQ(doc.selectSingleNode(QStringLiteral("r/v")).text(), "2");
  // Asked before the prefixes change, a query answers by the new ones after.
  EXPECT_TRUE(doc.selectSingleNode(QStringLiteral("r/D:v")).isNull());
  doc.setProperty(QStringLiteral("SelectionLanguage"), QStringLiteral("XPath"));
  doc.setProperty(QStringLiteral("SelectionNamespaces"), QStringLiteral("xmlns:q='urn:z'  xmlns:D=\"urn:z\""));
  EXPECT_EQ(doc.selectSingleNode(QStringLiteral("r/q:v")).text(), "1");
  EXPECT_EQ(doc.selectSingleNode(QStringLiteral("r/D:v")).text(), "1");
  EXPECT_THROW(doc.setProperty(QStringLiteral("SelectionNamespaces"), QStringLiteral("junk")), vb::RuntimeError);
  EXPECT_THROW(doc.setProperty(QStringLiteral("SelectionLanguage"), QStringLiteral("XSLPattern")), vb::RuntimeError);
}

TEST(DOMDocument, NodesOutliveTheDocumentObjectAndRemovedNodesStayReadable) {
  DOMNode multistatus;
  DOMNode file;
  {
    DOMDocument doc;
    ASSERT_TRUE(doc.loadXML(QString::fromUtf8(kPrefixedReply)));
    multistatus = doc.documentElement();
    file = doc.selectNodes(QStringLiteral("D:multistatus/D:response")).back();
    DOMNode kept = doc.selectNodes(QStringLiteral("D:multistatus/D:response"))[1];
    // A later load replaces the tree; handles into the old one stay valid.
    ASSERT_TRUE(doc.loadXML(QStringLiteral("<other/>")));
    EXPECT_EQ(kept.selectSingleNode(QStringLiteral("D:href")).text(), "/users/u/Files/My%20docs/sub/");
  }
  const DOMNode removed = multistatus.removeChild(file);
  EXPECT_EQ(removed, file);
  EXPECT_TRUE(file.parentNode().isNull());
  EXPECT_EQ(file.selectSingleNode(QStringLiteral("D:propstat/D:prop/lp0:getcontentlength")).text(), "2048");
  EXPECT_EQ(multistatus.selectNodes(QStringLiteral("D:response")).size(), 2u);
  EXPECT_THROW(multistatus.removeChild(file), vb::RuntimeError);  // no longer a child
  const DOMNode href = multistatus.selectSingleNode(QStringLiteral("D:response/D:href"));
  EXPECT_THROW(multistatus.removeChild(href), vb::RuntimeError);  // a grandchild
}

}  // namespace
}  // namespace win
