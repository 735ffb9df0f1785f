// The internet stand-in and the XML DOM against the test bed's two WebDAV
// servers: the service double (reached by its service host name through
// ORVANE_CONNECT_TO) and Apache mod_dav, which bind "DAV:" to different
// prefixes. Runs inside testbed/run; exits 77 (skipped) outside it.
#include "platform/inet/WinInet.h"
#include "platform/xml/DOMDocument.h"

#include <QFileInfo>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdio>

namespace win {
namespace {

struct Server {
  const char* name;
  QString host;
  INTERNET_PORT port;
  QString root;  // the served copy of the accounts
};

void PrintTo(const Server& s, std::ostream* os) { *os << s.name; }

std::vector<Server> Servers() {
  const QUrl apache(qEnvironmentVariable("TESTBED_APACHE_URL"));
  return {{"double", qEnvironmentVariable("TESTBED_WEBDAV_HOST"), 443, qEnvironmentVariable("TESTBED_ROOT")},
          {"apache", apache.host(), static_cast<INTERNET_PORT>(apache.port()), qEnvironmentVariable("TESTBED_APACHE_ROOT")}};
}

class TestbedServers : public ::testing::TestWithParam<Server> {
 protected:
  void SetUp() override {
    session_ = InternetOpen(QStringLiteral("ZQWin WebDAV Client"), INTERNET_OPEN_TYPE_DIRECT);
    ASSERT_NE(session_, nullptr) << InternetGetLastError();
    connection_ = InternetConnect(session_, GetParam().host, GetParam().port, user_, password_, INTERNET_SERVICE_HTTP, 0);
    ASSERT_NE(connection_, nullptr);
  }
  void TearDown() override { InternetCloseHandle(session_); }

  // One request the way the WebDAV client sends it; answers the status (0 when not sent).
  DWORD Send(HINTERNET& request, const QString& verb, const QString& path, const QString& headers,
             const QByteArray& body = {}, const QString& password = {}) {
    request = HttpOpenRequest(connection_, verb, path, QStringLiteral("HTTP/1.1"), {}, {},
                              INTERNET_FLAG_SECURE | INTERNET_FLAG_NO_CACHE_WRITE | 0x3000);
    const QByteArray credential = (user_ + QLatin1Char(':') + (password.isEmpty() ? password_ : password)).toUtf8();
    const QString block = QStringLiteral("Authorization: Basic ") + QString::fromLatin1(credential.toBase64()) +
                          QStringLiteral("\r\n") + headers;
    EXPECT_TRUE(HttpAddRequestHeaders(request, block, -1, HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE));
    if (!HttpSendRequest(request, {}, 0, body)) {
      ADD_FAILURE() << "send failed: " << InternetGetLastError();
      return 0;
    }
    DWORD status = 0;
    EXPECT_TRUE(HttpQueryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, status));
    return status;
  }

  const QString user_ = qEnvironmentVariable("TESTBED_USER");
  const QString password_ = qEnvironmentVariable("TESTBED_PASSWORD");
  HINTERNET session_ = nullptr;
  HINTERNET connection_ = nullptr;
};

TEST_P(TestbedServers, ListingRepliesAnswerTheSameQueries) {
  const QString folder = QStringLiteral("/users/%1/Files/").arg(user_);
  const QByteArray body = "<?xml version='1.0'?><a:propfind xmlns:a='DAV:'><a:prop><a:getcontentlength/>"
                          "<a:getlastmodified/><a:quota/><a:used/></a:prop></a:propfind>";
  HINTERNET request = nullptr;
  ASSERT_EQ(Send(request, QStringLiteral("PROPFIND"), folder,
                 QStringLiteral("Depth:1\r\nContent-Type:text/xml\r\nTranslate:f\r\n"), body),
            207u);
  QByteArray reply;
  char piece[8191];
  DWORD read = 0;
  while (InternetReadFile(request, piece, sizeof piece, read) && read > 0) reply.append(piece, read);

  DOMDocument doc;
  ASSERT_TRUE(doc.loadXML(QString::fromUtf8(reply))) << doc.parseError().reason.toStdString();
  const DOMNodeList responses = doc.selectNodes(QStringLiteral("D:multistatus/D:response"));
  ASSERT_GT(responses.size(), 3u);
  EXPECT_EQ(responses.front().selectSingleNode(QStringLiteral("D:href")).text(), folder);
  int checked = 0;
  for (const DOMNode& response : responses) {
    const QString href = response.selectSingleNode(QStringLiteral("D:href")).text();
    const DOMNode length = response.selectSingleNode(QStringLiteral("D:propstat/D:prop/lp0:getcontentlength"));
    const DOMNode modified = response.selectSingleNode(QStringLiteral("D:propstat/D:prop/lp0:getlastmodified"));
    ASSERT_FALSE(modified.isNull()) << href.toStdString();
    if (href == folder + QStringLiteral("a.txt")) {
      ASSERT_FALSE(length.isNull());
      const QFileInfo onDisk(GetParam().root + QStringLiteral("/users/%1/Files/a.txt").arg(user_));
      EXPECT_EQ(length.text(), QString::number(onDisk.size()));
      EXPECT_EQ(modified.text(), "Tue, 04 Mar 2014 10:15:02 GMT");
      ++checked;
    } else if (href == folder + QStringLiteral("Documents/")) {
      // Folders carry no length; Apache lists the asked-for name empty in a
      // 404 propstat, which the namespace match finds.
      EXPECT_TRUE(length.isNull() || length.text().isEmpty());
      ++checked;
    }
  }
  EXPECT_EQ(checked, 2);
}

TEST_P(TestbedServers, OneReadPerRangeAndTheStatusOfARefusal) {
  HINTERNET request = nullptr;
  const QString file = QStringLiteral("/users/%1/Files/Media/two%20ranges.bin").arg(user_);
  ASSERT_EQ(Send(request, QStringLiteral("GET"), file, QStringLiteral("Range: bytes=131072-262143")), 206u);
  std::vector<char> buffer(131072);
  DWORD read = 0;
  ASSERT_TRUE(InternetReadFile(request, buffer.data(), static_cast<DWORD>(buffer.size()), read));
  ASSERT_EQ(read, buffer.size());
  bool same = true;
  for (std::size_t i = 0; same && i < buffer.size(); ++i) same = static_cast<unsigned char>(buffer[i]) == (131072 + i) % 251;
  EXPECT_TRUE(same);

  // A wrong password is an answer, not a failed send.
  EXPECT_EQ(Send(request, QStringLiteral("PROPFIND"), QStringLiteral("/users/%1/Files/").arg(user_),
                 QStringLiteral("Depth:1\r\n"), {}, QStringLiteral("wrong")),
            401u);
}

INSTANTIATE_TEST_SUITE_P(Both, TestbedServers, ::testing::ValuesIn(Servers()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace win
