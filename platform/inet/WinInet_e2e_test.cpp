// The internet stand-in over real sockets, against testserver.py (HTTPS and
// plain HTTP on loopback) with a certificate made when the suite starts.
#include "platform/inet/WinInet.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

namespace win {
namespace {

constexpr DWORD kAddReplace = HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE;
// What the WebDAV client puts on every request: the secure flag and the two
// certificate flags it always adds.
constexpr DWORD kDavFlags = INTERNET_FLAG_SECURE | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_IGNORE_CERT_CN_INVALID |
                            INTERNET_FLAG_IGNORE_CERT_DATE_INVALID;

struct Server {
  QTemporaryDir dir;
  QProcess process;
  int tlsPort = 0;
  int plainPort = 0;
  QString certFile;
  QString skipReason;

  ~Server() {
    if (process.state() != QProcess::NotRunning) {
      process.kill();
      process.waitForFinished(5000);
    }
  }

  void Start() {
    const QString python = QStringLiteral("/usr/bin/python3");
    const QString openssl = QStringLiteral("/usr/bin/openssl");
    if (!QFile::exists(python) || !QFile::exists(openssl)) {
      skipReason = QStringLiteral("needs /usr/bin/python3 and /usr/bin/openssl");
      return;
    }
    certFile = dir.filePath(QStringLiteral("cert.pem"));
    const QString keyFile = dir.filePath(QStringLiteral("key.pem"));
    QProcess make;
    make.start(openssl, {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                         QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
                         QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("2"),
                         QStringLiteral("-subj"), QStringLiteral("/CN=localhost"), QStringLiteral("-addext"),
                         QStringLiteral("subjectAltName=DNS:localhost,DNS:dav.orvane.test,IP:127.0.0.1"),
                         QStringLiteral("-addext"), QStringLiteral("basicConstraints=critical,CA:FALSE"),
                         QStringLiteral("-keyout"), keyFile, QStringLiteral("-out"), certFile});
    if (!make.waitForFinished(20000) || make.exitCode() != 0) {
      skipReason = QStringLiteral("openssl could not make a certificate: ") + QString::fromUtf8(make.readAllStandardError());
      return;
    }
    process.start(python, {QStringLiteral(ORVANE_INET_TESTSERVER), QStringLiteral("--cert"), certFile,
                           QStringLiteral("--key"), keyFile});
    QByteArray line;
    while (!line.contains('\n') && process.waitForReadyRead(10000)) line += process.readAllStandardOutput();
    const QList<QByteArray> words = line.trimmed().split(' ');
    if (words.size() != 3 || words[0] != "PORTS") {
      skipReason = QStringLiteral("the test server did not start: ") + QString::fromUtf8(process.readAllStandardError());
      return;
    }
    tlsPort = words[1].toInt();
    plainPort = words[2].toInt();
  }
};

class WinInetServer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new Server;
    server_->Start();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    if (!server_->skipReason.isEmpty()) GTEST_SKIP() << server_->skipReason.toStdString();
    ClearEnvironment();
  }
  void TearDown() override {
    for (HINTERNET h : sessions_) InternetCloseHandle(h);
    ClearEnvironment();
  }

  static void ClearEnvironment() {
    for (const char* name : {"ORVANE_CONNECT_TO", "ORVANE_CA_FILE", "ORVANE_INSECURE_TLS"}) qunsetenv(name);
  }

  struct SessionConfig {
    bool trustServer = true;
    bool insecure = false;
    QByteArray connectTo;
  };

  // The configuration variables count when the session opens.
  HINTERNET OpenSession(const SessionConfig& config) {
    if (config.trustServer) qputenv("ORVANE_CA_FILE", server_->certFile.toLocal8Bit());
    if (config.insecure) qputenv("ORVANE_INSECURE_TLS", "1");
    if (!config.connectTo.isEmpty()) qputenv("ORVANE_CONNECT_TO", config.connectTo);
    HINTERNET session = InternetOpen(QStringLiteral("ZQWin WebDAV Client"), INTERNET_OPEN_TYPE_DIRECT);
    ClearEnvironment();
    EXPECT_NE(session, nullptr) << InternetGetLastError();
    sessions_.push_back(session);
    return session;
  }
  HINTERNET OpenSession() { return OpenSession(SessionConfig{}); }

  static HINTERNET Connect(HINTERNET session, const QString& host = QStringLiteral("127.0.0.1"), int port = -1) {
    return InternetConnect(session, host, static_cast<INTERNET_PORT>(port < 0 ? server_->tlsPort : port),
                           QStringLiteral("u"), QStringLiteral("secret"), INTERNET_SERVICE_HTTP, 0);
  }

  static HINTERNET Request(HINTERNET connection, const QString& verb, const QString& path, DWORD flags = kDavFlags) {
    return HttpOpenRequest(connection, verb, path, QStringLiteral("HTTP/1.1"), {}, {}, flags);
  }

  static DWORD Status(HINTERNET request) {
    DWORD status = 0;
    EXPECT_TRUE(HttpQueryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, status));
    return status;
  }

  static QByteArray ReadAll(HINTERNET request) {
    QByteArray all;
    char buffer[4096];
    DWORD read = 0;
    while (InternetReadFile(request, buffer, sizeof buffer, read) && read > 0) all.append(buffer, read);
    return all;
  }

  // The requests the server saw whose path starts with `prefix`.
  QJsonArray Seen(const QString& prefix) {
    HINTERNET session = OpenSession();
    HINTERNET log = InternetOpenUrl(session, QStringLiteral("https://127.0.0.1:%1/_log").arg(server_->tlsPort));
    EXPECT_NE(log, nullptr) << InternetGetLastError();
    QJsonArray matching;
    if (!log) return matching;
    for (const QJsonValue& entry : QJsonDocument::fromJson(ReadAll(log)).array()) {
      if (entry[QLatin1String("path")].toString().startsWith(prefix)) matching.append(entry);
    }
    return matching;
  }

  static QStringList HeaderValues(const QJsonValue& entry, const QString& name) {
    QStringList values;
    for (const QJsonValue& pair : entry[QLatin1String("headers")].toArray()) {
      const QJsonArray kv = pair.toArray();
      if (kv.at(0).toString().compare(name, Qt::CaseInsensitive) == 0) values << kv.at(1).toString();
    }
    return values;
  }

  static Server* server_;
  std::vector<HINTERNET> sessions_;
};

Server* WinInetServer::server_ = nullptr;

TEST_F(WinInetServer, PropfindAnsweredMultiStatus) {
  HINTERNET connection = Connect(OpenSession());
  HINTERNET request = Request(connection, QStringLiteral("PROPFIND"), QStringLiteral("/users/u/Files/"));
  ASSERT_NE(request, nullptr);
  // The request routine adds its header block once per attempt; the second
  // block must replace the first credential, not add another.
  const QString block = QStringLiteral("Authorization: Basic dTpzZWNyZXQ=\r\nDepth:1\r\nContent-Type:text/xml\r\n"
                                       "Translate:f\r\n");
  ASSERT_TRUE(HttpAddRequestHeaders(request, block, static_cast<qint32>(block.size()), kAddReplace));
  ASSERT_TRUE(HttpAddRequestHeaders(request, block, static_cast<qint32>(block.size()), kAddReplace));
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    ASSERT_TRUE(InternetSetOption(request, option, DWORD{45000}));
  }
  const QByteArray body = "<?xml version='1.0'?><a:propfind xmlns:a='DAV:'><a:prop><a:getcontentlength/>"
                          "</a:prop></a:propfind>";
  ASSERT_TRUE(HttpSendRequest(request, {}, 0, body)) << InternetGetLastError();

  EXPECT_EQ(Status(request), 207u);
  QString text;
  ASSERT_TRUE(HttpQueryInfo(request, HTTP_QUERY_STATUS_CODE, text));
  EXPECT_EQ(text, "207");
  ASSERT_TRUE(HttpQueryInfo(request, HTTP_QUERY_STATUS_TEXT, text));
  EXPECT_EQ(text, "Multi-Status");
  ASSERT_TRUE(HttpQueryInfo(request, HTTP_QUERY_RAW_HEADERS_CRLF, text));
  EXPECT_TRUE(text.startsWith(QLatin1String("HTTP/1.1 207 Multi-Status\r\n"))) << text.toStdString();
  EXPECT_TRUE(text.endsWith(QLatin1String("\r\n\r\n")));
  EXPECT_FALSE(HttpQueryInfo(request, HTTP_QUERY_LOCATION, text));
  EXPECT_EQ(InternetGetLastError(), ERROR_HTTP_HEADER_NOT_FOUND);
  DWORD length = 0;
  ASSERT_TRUE(HttpQueryInfo(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, length));

  const QByteArray reply = ReadAll(request);
  EXPECT_EQ(static_cast<DWORD>(reply.size()), length);
  EXPECT_TRUE(reply.contains("<D:multistatus xmlns:D=\"DAV:\">"));
  DWORD read = 9;
  char byte = 0;
  EXPECT_TRUE(InternetReadFile(request, &byte, 1, read));  // the end stays the end
  EXPECT_EQ(read, 0u);

  // A second request on the same connection goes over the same socket.
  HINTERNET second = Request(connection, QStringLiteral("GET"), QStringLiteral("/users/u/Files/again"));
  ASSERT_TRUE(HttpSendRequest(second, {}, 0, {}));
  EXPECT_EQ(Status(second), 404u);

  const QJsonArray seen = Seen(QStringLiteral("/users/u/Files/"));
  ASSERT_EQ(seen.size(), 2);
  const QJsonValue propfind = seen[0];
  EXPECT_EQ(propfind[QLatin1String("method")].toString(), "PROPFIND");
  EXPECT_EQ(HeaderValues(propfind, QStringLiteral("Authorization")), QStringList{QStringLiteral("<blanked>")});
  EXPECT_EQ(HeaderValues(propfind, QStringLiteral("Depth")), QStringList{QStringLiteral("1")});
  EXPECT_EQ(HeaderValues(propfind, QStringLiteral("Content-Type")), QStringList{QStringLiteral("text/xml")});
  EXPECT_EQ(HeaderValues(propfind, QStringLiteral("User-Agent")), QStringList{QStringLiteral("ZQWin WebDAV Client")});
  // Nothing of the transfer library's own making.
  EXPECT_TRUE(HeaderValues(propfind, QStringLiteral("Accept")).isEmpty());
  EXPECT_TRUE(HeaderValues(propfind, QStringLiteral("Expect")).isEmpty());
  EXPECT_EQ(propfind[QLatin1String("body")].toInt(), body.size());
  EXPECT_EQ(seen[1][QLatin1String("peer")].toInt(), propfind[QLatin1String("peer")].toInt());
}

TEST_F(WinInetServer, AConnectionOfAClosedSessionFailsAndANewOneWorks) {
  HINTERNET first = OpenSession();
  HINTERNET connection = Connect(first);
  HINTERNET done = Request(connection, QStringLiteral("GET"), QStringLiteral("/reopen/1"));
  ASSERT_TRUE(HttpSendRequest(done, {}, 0, {}));

  ASSERT_TRUE(InternetCloseHandle(first));
  HINTERNET second = OpenSession();
  EXPECT_EQ(Request(connection, QStringLiteral("MKCOL"), QStringLiteral("/reopen/x/")), nullptr);
  EXPECT_EQ(InternetGetLastError(), ERROR_INVALID_HANDLE);
  DWORD status = 0;
  EXPECT_FALSE(HttpQueryInfo(done, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, status));
  EXPECT_EQ(InternetGetLastError(), ERROR_INVALID_HANDLE);

  HINTERNET again = Request(Connect(second), QStringLiteral("MKCOL"), QStringLiteral("/reopen/x/"));
  ASSERT_TRUE(HttpSendRequest(again, {}, 0, {}));
  EXPECT_EQ(Status(again), 404u);
}

TEST_F(WinInetServer, ARefusedPortIsCannotConnect) {
  // A port that was free a moment ago: bound, read, closed.
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  socklen_t size = sizeof address;
  ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size), 0);
  ::close(fd);

  HINTERNET request = Request(Connect(OpenSession(), QStringLiteral("127.0.0.1"), ntohs(address.sin_port)),
                              QStringLiteral("PROPFIND"), QStringLiteral("/"));
  EXPECT_FALSE(HttpSendRequest(request, {}, 0, {}));
  EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_CANNOT_CONNECT);
  DWORD read = 5;
  char byte = 0;
  EXPECT_FALSE(InternetReadFile(request, &byte, 1, read));
  EXPECT_EQ(read, 0u);
}

TEST_F(WinInetServer, AnUntrustedCertificateStaysRefusedUnlessInsecureTlsIsAllowed) {
  // The legacy resend: set the ignore flags on the request, send again.
  auto sendTwice = [](HINTERNET session) {
    HINTERNET request = Request(Connect(session), QStringLiteral("PROPFIND"), QStringLiteral("/untrusted/"));
    std::pair<DWORD, DWORD> errors{0, 0};
    if (HttpSendRequest(request, {}, 0, {})) return std::pair<DWORD, DWORD>{0, Status(request)};
    errors.first = InternetGetLastError();
    EXPECT_TRUE(InternetSetOption(request, INTERNET_OPTION_SECURITY_FLAGS, DWORD{0x80803180}));
    errors.second = HttpSendRequest(request, {}, 0, {}) ? Status(request) : InternetGetLastError();
    return errors;
  };
  SessionConfig config;
  config.trustServer = false;
  EXPECT_EQ(sendTwice(OpenSession(config)), std::make_pair(ERROR_INTERNET_INVALID_CA, ERROR_INTERNET_INVALID_CA));
  // Allowed: the certificate flags that every request carries do not cover an
  // unknown authority; the resend's security flags do.
  config.insecure = true;
  EXPECT_EQ(sendTwice(OpenSession(config)), std::make_pair(ERROR_INTERNET_INVALID_CA, DWORD{207}));
}

TEST_F(WinInetServer, ConnectToKeepsTheNameForHostHeaderAndCertificate) {
  const QByteArray rules = QByteArray("dav.orvane.test:443=127.0.0.1:") + QByteArray::number(server_->tlsPort) +
                           ";wrong.orvane.test:443=127.0.0.1:" + QByteArray::number(server_->tlsPort);
  SessionConfig config;
  config.connectTo = rules;
  HINTERNET session = OpenSession(config);
  HINTERNET good = Request(Connect(session, QStringLiteral("dav.orvane.test"), 443), QStringLiteral("PROPFIND"),
                           QStringLiteral("/connect-to/"));
  ASSERT_TRUE(HttpSendRequest(good, {}, 0, {})) << InternetGetLastError();
  EXPECT_EQ(Status(good), 207u);

  HINTERNET wrong = Request(Connect(session, QStringLiteral("wrong.orvane.test"), 443), QStringLiteral("PROPFIND"),
                            QStringLiteral("/connect-to/"));
  EXPECT_FALSE(HttpSendRequest(wrong, {}, 0, {}));
  EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_SEC_CERT_CN_INVALID);

  const QJsonArray seen = Seen(QStringLiteral("/connect-to/"));
  ASSERT_EQ(seen.size(), 1);
  EXPECT_EQ(HeaderValues(seen[0], QStringLiteral("Host")), QStringList{QStringLiteral("dav.orvane.test")});
}

TEST_F(WinInetServer, EachReadFillsTheBufferUntilTheBodyEnds) {
  HINTERNET connection = Connect(OpenSession());
  struct Case {
    int size;
    std::vector<DWORD> reads;
  };
  const Case cases[] = {{1048576, std::vector<DWORD>(16, 65536)}, {100000, {65536, 34464}}, {0, {}}};
  for (const Case& c : cases) {
    HINTERNET request = Request(connection, QStringLiteral("GET"), QStringLiteral("/big?size=%1").arg(c.size));
    ASSERT_TRUE(HttpSendRequest(request, {}, 0, {}));
    ASSERT_EQ(Status(request), 200u);
    std::vector<char> buffer(65536);
    std::vector<DWORD> reads;
    QByteArray body;
    DWORD read = 0;
    while (InternetReadFile(request, buffer.data(), static_cast<DWORD>(buffer.size()), read) && read > 0) {
      reads.push_back(read);
      body.append(buffer.data(), read);
    }
    EXPECT_EQ(InternetReadFile(request, buffer.data(), 1, read), true);
    EXPECT_EQ(reads, c.reads) << c.size;
    bool same = body.size() == c.size;
    for (int i = 0; same && i < body.size(); ++i) same = static_cast<unsigned char>(body[i]) == i % 251;
    EXPECT_TRUE(same) << c.size;
    InternetCloseHandle(request);
  }
}

TEST_F(WinInetServer, AnUnreadReplyDoesNotHoldUpTheNextRequest) {
  // The sign-in check sends its PROPFIND and never reads the reply.
  HINTERNET connection = Connect(OpenSession());
  HINTERNET unread = Request(connection, QStringLiteral("GET"), QStringLiteral("/big?size=1048576"));
  ASSERT_TRUE(HttpSendRequest(unread, {}, 0, {}));
  HINTERNET next = Request(connection, QStringLiteral("PROPFIND"), QStringLiteral("/unread/"));
  ASSERT_TRUE(HttpSendRequest(next, {}, 0, {}));
  EXPECT_EQ(Status(next), 207u);
  EXPECT_EQ(ReadAll(unread).size(), 1048576);  // still there when asked for after all
  ASSERT_TRUE(InternetCloseHandle(unread));

  HINTERNET closedUnread = Request(connection, QStringLiteral("GET"), QStringLiteral("/big?size=1048576"));
  ASSERT_TRUE(HttpSendRequest(closedUnread, {}, 0, {}));
  ASSERT_TRUE(InternetCloseHandle(closedUnread));
  HINTERNET after = Request(connection, QStringLiteral("GET"), QStringLiteral("/big?size=3"));
  ASSERT_TRUE(HttpSendRequest(after, {}, 0, {}));
  EXPECT_EQ(ReadAll(after).size(), 3);
}

TEST_F(WinInetServer, SilenceEndsTheTransferWithATimeOut) {
  HINTERNET request = Request(Connect(OpenSession()), QStringLiteral("GET"), QStringLiteral("/stall"));
  ASSERT_TRUE(InternetSetOption(request, INTERNET_OPTION_RECEIVE_TIMEOUT, DWORD{1000}));
  ASSERT_TRUE(InternetSetOption(request, INTERNET_OPTION_SEND_TIMEOUT, DWORD{1000}));
  ASSERT_TRUE(HttpSendRequest(request, {}, 0, {}));
  char buffer[1000];
  DWORD read = 0;
  ASSERT_TRUE(InternetReadFile(request, buffer, sizeof buffer, read));  // what came before the silence
  EXPECT_EQ(QByteArray(buffer, static_cast<int>(read)), "0123456789");
  EXPECT_FALSE(InternetReadFile(request, buffer, sizeof buffer, read));
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_TIMEOUT);
}

TEST_F(WinInetServer, OnlyUrlOpensFollowRedirects) {
  HINTERNET session = OpenSession();
  HINTERNET request = Request(Connect(session), QStringLiteral("GET"), QStringLiteral("/redirect"));
  ASSERT_TRUE(HttpSendRequest(request, {}, 0, {}));
  EXPECT_EQ(Status(request), 302u);
  QString location;
  ASSERT_TRUE(HttpQueryInfo(request, HTTP_QUERY_LOCATION, location));
  EXPECT_EQ(location, "/big?size=5");

  const QString base = QStringLiteral("https://127.0.0.1:%1").arg(server_->tlsPort);
  HINTERNET url = InternetOpenUrl(session, base + QStringLiteral("/redirect"), {}, -1,
                                  INTERNET_FLAG_RELOAD | INTERNET_FLAG_RAW_DATA);
  ASSERT_NE(url, nullptr) << InternetGetLastError();
  EXPECT_EQ(Status(url), 200u);
  EXPECT_EQ(ReadAll(url).size(), 5);

  // Leaving TLS on a redirect is refused unless the caller says otherwise.
  const QString toHttp = base + QStringLiteral("/redirect-http?port=%1").arg(server_->plainPort);
  EXPECT_EQ(InternetOpenUrl(session, toHttp), nullptr);
  EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR);
  HINTERNET allowed = InternetOpenUrl(session, toHttp, {}, -1, INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP);
  ASSERT_NE(allowed, nullptr) << InternetGetLastError();
  EXPECT_EQ(Status(allowed), 200u);
}

}  // namespace
}  // namespace win
