// The handle and option rules of the internet stand-in, without a network.
#include "platform/inet/WinInet.h"

#include <QtGlobal>

#include <gtest/gtest.h>

namespace win {
namespace {

class WinInetHandles : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"ORVANE_CONNECT_TO", "ORVANE_CA_FILE", "ORVANE_INSECURE_TLS"}) qunsetenv(name);
    session_ = InternetOpen(QStringLiteral("test agent"), INTERNET_OPEN_TYPE_DIRECT);
    ASSERT_NE(session_, nullptr);
  }
  void TearDown() override { InternetCloseHandle(session_); }

  HINTERNET Connect(HINTERNET session) {
    return InternetConnect(session, QStringLiteral("127.0.0.1"), 1, QStringLiteral("u"), QStringLiteral("p"),
                           INTERNET_SERVICE_HTTP, 0);
  }

  HINTERNET session_ = nullptr;
};

TEST_F(WinInetHandles, ClosingASessionInvalidatesWhatWasOpenedOnIt) {
  HINTERNET connection = Connect(session_);
  ASSERT_NE(connection, nullptr);
  HINTERNET request = HttpOpenRequest(connection, QStringLiteral("PROPFIND"), QStringLiteral("/users/u/Files/"));
  ASSERT_NE(request, nullptr);

  // The script client re-opens the session while the WebDAV side keeps its
  // old connection handle.
  ASSERT_TRUE(InternetCloseHandle(session_));
  session_ = InternetOpen(QStringLiteral("test agent"), INTERNET_OPEN_TYPE_DIRECT);
  ASSERT_NE(session_, nullptr);

  EXPECT_EQ(HttpOpenRequest(connection, QStringLiteral("MKCOL"), QStringLiteral("/x/")), nullptr);
  EXPECT_EQ(InternetGetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(HttpAddRequestHeaders(request, QStringLiteral("Depth: 1"), -1, HTTP_ADDREQ_FLAG_ADD));
  EXPECT_EQ(InternetGetLastError(), ERROR_INVALID_HANDLE);
  DWORD read = 7;
  char buffer[4];
  EXPECT_FALSE(InternetReadFile(request, buffer, sizeof buffer, read));
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(InternetGetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(InternetCloseHandle(connection));
  EXPECT_EQ(InternetGetLastError(), ERROR_INVALID_HANDLE);

  // A fresh connection on the new session works, and a handle value is never reused.
  HINTERNET fresh = Connect(session_);
  ASSERT_NE(fresh, nullptr);
  EXPECT_NE(fresh, connection);
  EXPECT_NE(HttpOpenRequest(fresh, QStringLiteral("MKCOL"), QStringLiteral("/x/")), nullptr);
}

TEST_F(WinInetHandles, ClosingAConnectionLeavesTheSession) {
  HINTERNET connection = Connect(session_);
  HINTERNET request = HttpOpenRequest(connection, {}, QStringLiteral("/"));
  ASSERT_TRUE(InternetCloseHandle(connection));
  EXPECT_FALSE(InternetCloseHandle(request));
  EXPECT_EQ(InternetGetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_NE(Connect(session_), nullptr);
  EXPECT_FALSE(InternetCloseHandle(nullptr));
}

TEST_F(WinInetHandles, WrongHandleKindsAndStates) {
  HINTERNET connection = Connect(session_);
  EXPECT_EQ(HttpOpenRequest(session_, {}, QStringLiteral("/")), nullptr);
  EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
  EXPECT_EQ(InternetConnect(connection, QStringLiteral("h"), 0, {}, {}, INTERNET_SERVICE_HTTP, 0), nullptr);
  EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
  EXPECT_FALSE(HttpSendRequest(connection, {}, 0, {}));
  EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
  EXPECT_EQ(InternetConnect(session_, QStringLiteral("  "), 0, {}, {}, INTERNET_SERVICE_HTTP, 0), nullptr);
  EXPECT_EQ(InternetGetLastError(), ERROR_INVALID_PARAMETER);

  HINTERNET request = HttpOpenRequest(connection, {}, QStringLiteral("/"));
  DWORD status = 0;
  EXPECT_FALSE(HttpQueryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, status));
  EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);
  DWORD read = 3;
  char byte = 0;
  EXPECT_FALSE(InternetReadFile(request, &byte, 1, read));
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);
}

TEST_F(WinInetHandles, TestHookFailsTheNextRequestOnce) {
  HINTERNET connection = Connect(session_);  // port 1: nothing listens
  HINTERNET request = HttpOpenRequest(connection, {}, QStringLiteral("/"));
  InternetFailNextRequest(ERROR_INTERNET_SEC_CERT_REV_FAILED);
  EXPECT_FALSE(HttpSendRequest(request, {}, 0, {}));
  EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_SEC_CERT_REV_FAILED);
  EXPECT_FALSE(HttpSendRequest(request, {}, 0, {}));  // used up: the real failure again
  EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_CANNOT_CONNECT);

  InternetFailNextRequest(ERROR_INTERNET_SEC_CERT_REV_FAILED);
  InternetFailNextRequest(ERROR_SUCCESS);  // taken back before any request
  EXPECT_FALSE(HttpSendRequest(request, {}, 0, {}));
  EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_CANNOT_CONNECT);
}

TEST_F(WinInetHandles, TestHookCanFailEveryRequestUntilTakenBack) {
  HINTERNET connection = Connect(session_);
  HINTERNET request = HttpOpenRequest(connection, {}, QStringLiteral("/"));
  InternetFailEveryRequest(ERROR_INTERNET_SEC_CERT_REV_FAILED);
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(HttpSendRequest(request, {}, 0, {}));
    EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_SEC_CERT_REV_FAILED);
  }
  InternetFailEveryRequest(ERROR_SUCCESS);
  EXPECT_FALSE(HttpSendRequest(request, {}, 0, {}));
  EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_CANNOT_CONNECT);
}

TEST_F(WinInetHandles, RequestHeadersAsTheRequestWouldSendThem) {
  HINTERNET connection = Connect(session_);
  HINTERNET request = HttpOpenRequest(connection, QStringLiteral("PROPFIND"), QStringLiteral("/users/u/Files/"),
                                      QStringLiteral("HTTP/1.1"), {}, {}, INTERNET_FLAG_NO_CACHE_WRITE);
  const DWORD addReplace = HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE;
  const QString first = QStringLiteral("Authorization: Basic b2xk\r\nDepth:1\r\nContent-Type:text/xml\r\n");
  ASSERT_TRUE(HttpAddRequestHeaders(request, first, static_cast<qint32>(first.size()), addReplace));
  // The legacy second attempt finds the credential line already in its field.
  ASSERT_TRUE(HttpAddRequestHeaders(request, QStringLiteral("Authorization: Basic bmV3\r\n") + first.mid(27), -1,
                                    addReplace));
  // A length shorter than the text cuts it.
  ASSERT_TRUE(HttpAddRequestHeaders(request, QStringLiteral("Translate:fIGNORED"), 11, addReplace));

  QString raw;
  ASSERT_TRUE(HttpQueryInfo(request, HTTP_QUERY_RAW_HEADERS_CRLF | HTTP_QUERY_FLAG_REQUEST_HEADERS, raw));
  EXPECT_EQ(raw,
            "PROPFIND /users/u/Files/ HTTP/1.1\r\nAuthorization: Basic bmV3\r\nDepth: 1\r\n"
            "Content-Type: text/xml\r\nTranslate: f\r\n\r\n");
  QString depth = QStringLiteral("depth");
  ASSERT_TRUE(HttpQueryInfo(request, HTTP_QUERY_CUSTOM | HTTP_QUERY_FLAG_REQUEST_HEADERS, depth));
  EXPECT_EQ(depth, "1");
  QString missing = QStringLiteral("Range");
  EXPECT_FALSE(HttpQueryInfo(request, HTTP_QUERY_CUSTOM | HTTP_QUERY_FLAG_REQUEST_HEADERS, missing));
  EXPECT_EQ(InternetGetLastError(), ERROR_HTTP_HEADER_NOT_FOUND);
}

TEST_F(WinInetHandles, OptionsAreInheritedAndTyped) {
  ASSERT_TRUE(InternetSetOption(session_, INTERNET_OPTION_RECEIVE_TIMEOUT, DWORD{45000}));
  HINTERNET connection = Connect(session_);
  ASSERT_TRUE(InternetSetOption(connection, INTERNET_OPTION_CONNECT_TIMEOUT, DWORD{1500}));
  HINTERNET request = HttpOpenRequest(connection, {}, QStringLiteral("/"), {}, {}, {}, INTERNET_FLAG_SECURE);
  DWORD value = 0;
  ASSERT_TRUE(InternetQueryOption(request, INTERNET_OPTION_RECEIVE_TIMEOUT, value));
  EXPECT_EQ(value, 45000u);
  ASSERT_TRUE(InternetQueryOption(request, INTERNET_OPTION_CONNECT_TIMEOUT, value));
  EXPECT_EQ(value, 1500u);
  ASSERT_TRUE(InternetQueryOption(request, INTERNET_OPTION_HANDLE_TYPE, value));
  EXPECT_EQ(value, INTERNET_HANDLE_TYPE_HTTP_REQUEST);

  // The legacy resend value: only the ignore bits are kept.
  ASSERT_TRUE(InternetSetOption(request, INTERNET_OPTION_SECURITY_FLAGS, DWORD{0x80803180}));
  ASSERT_TRUE(InternetQueryOption(request, INTERNET_OPTION_SECURITY_FLAGS, value));
  EXPECT_EQ(value, SECURITY_IGNORE_ERROR_MASK | SECURITY_FLAG_SECURE);
  EXPECT_FALSE(InternetSetOption(connection, INTERNET_OPTION_SECURITY_FLAGS, DWORD{0x3180}));
  EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);

  ASSERT_TRUE(InternetSetOption(request, INTERNET_OPTION_PROXY_USERNAME, QStringLiteral("pu")));
  QString text;
  ASSERT_TRUE(InternetQueryOption(request, INTERNET_OPTION_PROXY_USERNAME, text));
  EXPECT_EQ(text, "pu");
  ASSERT_TRUE(InternetQueryOption(request, INTERNET_OPTION_URL, text));
  EXPECT_EQ(text, "https://127.0.0.1:1/");

  EXPECT_FALSE(InternetSetOption(request, INTERNET_OPTION_PROXY_USERNAME, DWORD{1}));
  EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_BAD_OPTION_LENGTH);
  EXPECT_FALSE(InternetSetOption(request, 9999, DWORD{1}));
  EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_INVALID_OPTION);

  // The settings-changed notice of the dial-up code, for all sessions.
  EXPECT_TRUE(InternetSetOption(nullptr, INTERNET_OPTION_SETTINGS_CHANGED));
  EXPECT_TRUE(InternetSetOption(nullptr, INTERNET_OPTION_REFRESH));
}

TEST_F(WinInetHandles, UrlsThatCannotBeOpened) {
  EXPECT_EQ(InternetOpenUrl(session_, QStringLiteral("ftp://host/x")), nullptr);
  EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_UNRECOGNIZED_SCHEME);
  EXPECT_EQ(InternetOpenUrl(session_, QStringLiteral("no address")), nullptr);
  EXPECT_EQ(InternetGetLastError(), ERROR_INTERNET_INVALID_URL);
}

TEST(WinInetConfig, AMalformedVariableRefusesTheSession) {
  qputenv("ORVANE_CONNECT_TO", "dav.example.com:443");
  EXPECT_EQ(InternetOpen(QStringLiteral("a"), INTERNET_OPEN_TYPE_DIRECT), nullptr);
  EXPECT_EQ(InternetGetLastError(), ERROR_INVALID_PARAMETER);
  DWORD error = 0;
  QString detail;
  InternetGetLastResponseInfo(error, detail);
  EXPECT_TRUE(detail.contains(QStringLiteral("ORVANE_CONNECT_TO")));
  qunsetenv("ORVANE_CONNECT_TO");

  qputenv("ORVANE_CA_FILE", "/nonexistent/ca.pem");
  EXPECT_EQ(InternetOpen(QStringLiteral("a"), INTERNET_OPEN_TYPE_DIRECT), nullptr);
  EXPECT_EQ(InternetGetLastError(), ERROR_FILE_NOT_FOUND);
  qunsetenv("ORVANE_CA_FILE");

  EXPECT_EQ(InternetOpen(QStringLiteral("a"), INTERNET_OPEN_TYPE_PROXY), nullptr);  // no proxy named
  EXPECT_EQ(InternetGetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
}  // namespace win
