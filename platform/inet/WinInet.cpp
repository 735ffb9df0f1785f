#include "platform/inet/WinInet.h"

#include "platform/inet/CurlSession.h"
#include "platform/inet/CurlTransfer.h"
#include "platform/inet/HeaderList.h"
#include "platform/inet/InetConfig.h"
#include "platform/inet/InetErrorMap.h"

#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>


namespace win {
namespace {

Q_LOGGING_CATEGORY(lcInet, "platform.inet", QtInfoMsg)

thread_local DWORD tLastError = ERROR_SUCCESS;
std::atomic<DWORD> gFailNextRequest{ERROR_SUCCESS};  // InternetFailNextRequest
std::atomic<DWORD> gFailEveryRequest{ERROR_SUCCESS};  // InternetFailEveryRequest
thread_local QString tLastDetail;

void Fail(DWORD code, const QString& detail = {}) {
  tLastError = code;
  tLastDetail = detail;
}

enum class Kind { Session, Connection, Request };

// Unsigned time-out values of the legacy options; 0 (and "infinite") mean no limit.
long TimeoutMs(DWORD value) { return value >= 0x7FFFFFFFu ? 0L : static_cast<long>(value); }

struct Handle {
  Kind kind = Kind::Session;
  std::uintptr_t id = 0;
  std::uintptr_t parent = 0;
  std::vector<std::uintptr_t> children;
  std::shared_ptr<CurlSession> session;
  DWORD_PTR context = 0;

  // Inherited by the handles opened on this one when they are opened.
  DWORD connectTimeout = 60000;
  DWORD connectRetries = 5;
  DWORD sendTimeout = 30000;
  DWORD receiveTimeout = 30000;
  QString proxyUser;
  QString proxyPassword;
  QString agent;

  // Connections (copied into their requests).
  QString host;
  INTERNET_PORT port = 0;
  QString user;
  QString password;

  // Requests.
  QString verb;
  QString object;
  QString version;
  DWORD flags = 0;
  HeaderList headers;
  DWORD securityFlags = 0;
  QString url;           // InternetOpenUrl's address
  bool fromUrl = false;  // opened by InternetOpenUrl: GET, redirects followed
  std::unique_ptr<CurlTransfer> transfer;

  void InheritFrom(const Handle& p) {
    session = p.session;
    connectTimeout = p.connectTimeout;
    connectRetries = p.connectRetries;
    sendTimeout = p.sendTimeout;
    receiveTimeout = p.receiveTimeout;
    proxyUser = p.proxyUser;
    proxyPassword = p.proxyPassword;
    agent = p.agent;
    host = p.host;
    port = p.port;
    user = p.user;
    password = p.password;
  }
};

// Every open handle of the process. Values are never reused, so a stale one
// always fails with ERROR_INVALID_HANDLE.
class HandleTable {
 public:
  static HandleTable& Instance() {
    static HandleTable table;
    return table;
  }

  // Registers `h` under `parent` (0 for a session); null when the parent is gone.
  HINTERNET Add(const std::shared_ptr<Handle>& h, std::uintptr_t parent) {
    std::lock_guard lock(mutex_);
    if (parent != 0) {
      const auto it = handles_.find(parent);
      if (it == handles_.end()) return nullptr;
      it->second->children.push_back(next_);
    }
    h->id = next_;
    h->parent = parent;
    handles_.emplace(next_, h);
    next_ += 4;
    return reinterpret_cast<HINTERNET>(h->id);
  }

  std::shared_ptr<Handle> Find(HINTERNET handle) {
    std::lock_guard lock(mutex_);
    const auto it = handles_.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == handles_.end() ? nullptr : it->second;
  }

  // Unregisters `handle` and everything opened on it; answers them (empty when
  // `handle` was not open) so the caller can let go of them.
  std::vector<std::shared_ptr<Handle>> Remove(HINTERNET handle) {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<Handle>> removed;
    const auto id = reinterpret_cast<std::uintptr_t>(handle);
    const auto it = handles_.find(id);
    if (it == handles_.end()) return removed;
    if (const auto parent = handles_.find(it->second->parent); parent != handles_.end()) {
      auto& siblings = parent->second->children;
      siblings.erase(std::remove(siblings.begin(), siblings.end(), id), siblings.end());
    }
    std::vector<std::uintptr_t> pending{id};
    while (!pending.empty()) {
      const std::uintptr_t next = pending.back();
      pending.pop_back();
      const auto found = handles_.find(next);
      if (found == handles_.end()) continue;
      pending.insert(pending.end(), found->second->children.begin(), found->second->children.end());
      removed.push_back(found->second);
      handles_.erase(found);
    }
    return removed;
  }

 private:
  std::mutex mutex_;
  std::unordered_map<std::uintptr_t, std::shared_ptr<Handle>> handles_;
  std::uintptr_t next_ = 0xCC0004;
};

std::shared_ptr<Handle> Lookup(HINTERNET handle, std::initializer_list<Kind> kinds) {
  auto h = HandleTable::Instance().Find(handle);
  if (!h) {
    Fail(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (std::find(kinds.begin(), kinds.end(), h->kind) == kinds.end()) {
    Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    return nullptr;
  }
  return h;
}

// Percent-encodes, as UTF-8, what may not stand in a request line: controls,
// blanks, non-ASCII and the characters URL parsers refuse or cut at ("#"
// would end the path). Existing escapes stay as they are.
QString EscapeForRequestLine(const QString& text, bool keepFragment) {
  static const char* const kUnsafe = "\"<>\\^`{|}";
  QString out;
  for (const char byte : text.toUtf8()) {
    const auto b = static_cast<unsigned char>(byte);
    const bool unsafe = b <= 0x20 || b >= 0x7F || std::strchr(kUnsafe, b) || (b == '#' && !keepFragment);
    if (unsafe) {
      out += QStringLiteral("%%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    } else {
      out += QLatin1Char(byte);
    }
  }
  return out;
}

QString RequestUrl(const Handle& r) {
  if (r.fromUrl) return r.url;
  const bool secure = (r.flags & INTERNET_FLAG_SECURE) != 0;
  const INTERNET_PORT port = r.port != 0 ? r.port : (secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT);
  QString host = r.host;
  if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('['))) host = QLatin1Char('[') + host + QLatin1Char(']');
  QString url = (secure ? QLatin1String("https://") : QLatin1String("http://")) + host;
  if (port != (secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT)) url += QLatin1Char(':') + QString::number(port);
  QString object = EscapeForRequestLine(r.object, false);
  if (!object.startsWith(QLatin1Char('/'))) object.prepend(QLatin1Char('/'));
  return url + object;
}

// A URL as it may appear in a log: the query (where a script's fields could
// sit) left out.
QString LoggableUrl(const QString& url) {
  const qsizetype query = url.indexOf(QLatin1Char('?'));
  return query < 0 ? url : url.left(query) + QLatin1String("?<blanked>");
}

// The ignore flags that take effect for a request: none unless the session
// allows insecure TLS.
DWORD EffectiveIgnoreFlags(const Handle& r) {
  DWORD ignore = r.securityFlags;
  if (r.flags & INTERNET_FLAG_IGNORE_CERT_CN_INVALID) ignore |= SECURITY_FLAG_IGNORE_CERT_CN_INVALID;
  if (r.flags & INTERNET_FLAG_IGNORE_CERT_DATE_INVALID) ignore |= SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;
  return r.session->Settings().insecureTlsAllowed ? ignore : 0;
}

TransferPlan BuildPlan(const Handle& r, const QByteArray& body) {
  TransferPlan plan;
  plan.url = RequestUrl(r).toStdString();
  plan.method = r.verb.toLatin1().toStdString();
  plan.body = body;
  plan.sendBody = !body.isEmpty() || r.verb == QLatin1String("POST") || r.verb == QLatin1String("PUT");
  plan.headers = r.headers.WireLines();
  // The transfer library adds headers of its own that the legacy library did
  // not send; an empty entry takes each of them out again.
  if (!r.headers.Contains(QStringLiteral("Accept"))) plan.headers.emplace_back("Accept:");
  if (!r.headers.Contains(QStringLiteral("Expect"))) plan.headers.emplace_back("Expect:");
  if (plan.sendBody && !r.headers.Contains(QStringLiteral("Content-Type"))) plan.headers.emplace_back("Content-Type:");
  plan.http10 = r.version == QLatin1String("HTTP/1.0");
  plan.followRedirects = r.fromUrl && !(r.flags & INTERNET_FLAG_NO_AUTO_REDIRECT);
  plan.refuseHttpsToHttp = !(r.flags & INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP);
  plan.connectTimeoutMs = TimeoutMs(r.connectTimeout);
  plan.silenceTimeoutMs = std::max(TimeoutMs(r.sendTimeout), TimeoutMs(r.receiveTimeout));
  const DWORD ignore = EffectiveIgnoreFlags(r);
  plan.verifyHost = !(ignore & SECURITY_FLAG_IGNORE_CERT_CN_INVALID);
  // The chain check can only be switched off as a whole, which ignores the
  // dates as well. The date flag alone (which every WebDAV request carries)
  // therefore relaxes nothing: only the unknown-authority or wrong-usage
  // flag, as set for the legacy resend, turns the chain check off.
  plan.verifyPeer = !(ignore & (SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_WRONG_USAGE));
  plan.proxyUser = r.proxyUser.toStdString();
  plan.proxyPassword = r.proxyPassword.toStdString();
  return plan;
}

// Sends (or sends again) a request; the session lock is held by the caller.
bool Send(Handle& r, const QByteArray& body) {
  r.transfer.reset();
  DWORD injected = gFailNextRequest.exchange(ERROR_SUCCESS);
  if (injected == ERROR_SUCCESS) injected = gFailEveryRequest.load();
  if (injected != ERROR_SUCCESS) {
    qCInfo(lcInet).noquote() << r.verb << LoggableUrl(RequestUrl(r)) << "failed:" << injected << "(test hook)";
    Fail(injected);
    return false;
  }
  TransferPlan plan = BuildPlan(r, body);
  if (lcInet().isDebugEnabled()) {
    qCDebug(lcInet).noquote() << r.verb << LoggableUrl(QString::fromStdString(plan.url));
    for (const auto& h : r.headers.Headers()) qCDebug(lcInet).noquote() << "  " << HeaderList::Redacted(h.name, h.value);
  }
  r.transfer = std::make_unique<CurlTransfer>(r.session, std::move(plan));
  if (r.transfer->Start()) return true;
  const TransferResult& result = r.transfer->Result();
  const DWORD code = MapTransferFailure(result.failure);
  qCInfo(lcInet).noquote() << r.verb << LoggableUrl(RequestUrl(r)) << "failed:" << code << result.errorText;
  Fail(code, result.errorText);
  return false;
}

// The proxy of INTERNET_OPEN_TYPE_PROXY: the first entry of the legacy list,
// without its "scheme=" prefix.
QString FirstProxy(const QString& list) {
  const QStringList entries = list.split(QRegularExpression(QStringLiteral("[ ;]")), Qt::SkipEmptyParts);
  if (entries.isEmpty()) return {};
  QString first = entries.front();
  if (const qsizetype eq = first.indexOf(QLatin1Char('=')); eq >= 0) first = first.mid(eq + 1);
  return first;
}

QString NoProxyList(const QString& bypass) {
  QStringList out;
  for (const QString& entry : bypass.split(QRegularExpression(QStringLiteral("[ ;,]")), Qt::SkipEmptyParts)) {
    if (entry.compare(QLatin1String("<local>"), Qt::CaseInsensitive) == 0) {
      out << QStringLiteral("localhost") << QStringLiteral("127.0.0.1") << QStringLiteral("::1");
    } else if (entry.startsWith(QLatin1String("*."))) {
      out << entry.mid(1);  // the library matches ".example.com" as a domain suffix
    } else {
      out << entry;
    }
  }
  return out.join(QLatin1Char(','));
}

// Response (or request) header lookup by name: the first one's value.
bool FindHeader(const std::vector<std::string>& lines, const QString& name, QString& value) {
  const QByteArray wanted = name.toLatin1();
  for (const std::string& line : lines) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    if (QByteArray::fromStdString(line.substr(0, colon)).trimmed().compare(wanted, Qt::CaseInsensitive) == 0) {
      value = QString::fromLatin1(line.substr(colon + 1)).trimmed();
      return true;
    }
  }
  return false;
}

QString HeaderNameOfLevel(DWORD level) {
  switch (level) {
    case HTTP_QUERY_CONTENT_TYPE:
      return QStringLiteral("Content-Type");
    case HTTP_QUERY_CONTENT_LENGTH:
      return QStringLiteral("Content-Length");
    case HTTP_QUERY_DATE:
      return QStringLiteral("Date");
    case HTTP_QUERY_LAST_MODIFIED:
      return QStringLiteral("Last-Modified");
    case HTTP_QUERY_LOCATION:
      return QStringLiteral("Location");
    case HTTP_QUERY_WWW_AUTHENTICATE:
      return QStringLiteral("WWW-Authenticate");
    default:
      return {};
  }
}

bool QueryText(const Handle& r, DWORD infoLevel, QString& value) {
  const DWORD level = infoLevel & ~HTTP_QUERY_MODIFIER_FLAGS_MASK;
  const QString name = level == HTTP_QUERY_CUSTOM ? value : HeaderNameOfLevel(level);

  if (infoLevel & HTTP_QUERY_FLAG_REQUEST_HEADERS) {
    std::vector<std::string> lines = r.headers.WireLines();
    if (level == HTTP_QUERY_RAW_HEADERS_CRLF) {
      QString text = r.verb + QLatin1Char(' ') + r.object + QLatin1Char(' ') + r.version + QLatin1String("\r\n");
      for (const auto& h : r.headers.Headers()) text += h.name + QLatin1String(": ") + h.value + QLatin1String("\r\n");
      value = text + QLatin1String("\r\n");
      return true;
    }
    if (!name.isEmpty() && r.headers.Contains(name)) {
      value = r.headers.Value(name);
      return true;
    }
    Fail(name.isEmpty() ? ERROR_HTTP_INVALID_QUERY_REQUEST : ERROR_HTTP_HEADER_NOT_FOUND);
    return false;
  }

  if (!r.transfer || !r.transfer->HeadersDone()) {
    Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    return false;
  }
  const CurlTransfer& t = *r.transfer;
  switch (level) {
    case HTTP_QUERY_STATUS_CODE:
      value = QString::number(t.Result().status);
      return true;
    case HTTP_QUERY_STATUS_TEXT:
      value = QString::fromLatin1(t.StatusText());
      return true;
    case HTTP_QUERY_VERSION:
      value = QString::fromLatin1(t.Version());
      return true;
    case HTTP_QUERY_RAW_HEADERS_CRLF: {
      QString text = QString::fromLatin1(t.StatusLine()) + QLatin1String("\r\n");
      for (const std::string& line : t.HeaderLines()) text += QString::fromLatin1(line) + QLatin1String("\r\n");
      value = text + QLatin1String("\r\n");
      return true;
    }
    default:
      break;
  }
  if (name.isEmpty()) {
    Fail(ERROR_HTTP_INVALID_QUERY_REQUEST);
    return false;
  }
  if (!FindHeader(t.HeaderLines(), name, value)) {
    Fail(ERROR_HTTP_HEADER_NOT_FOUND);
    return false;
  }
  return true;
}

bool IsNumberOption(DWORD option) {
  switch (option) {
    case INTERNET_OPTION_CONNECT_TIMEOUT:
    case INTERNET_OPTION_CONNECT_RETRIES:
    case INTERNET_OPTION_SEND_TIMEOUT:
    case INTERNET_OPTION_RECEIVE_TIMEOUT:
    case INTERNET_OPTION_DATA_SEND_TIMEOUT:
    case INTERNET_OPTION_DATA_RECEIVE_TIMEOUT:
    case INTERNET_OPTION_HANDLE_TYPE:
    case INTERNET_OPTION_SECURITY_FLAGS:
      return true;
    default:
      return false;
  }
}

bool IsTextOption(DWORD option) {
  switch (option) {
    case INTERNET_OPTION_USERNAME:
    case INTERNET_OPTION_PASSWORD:
    case INTERNET_OPTION_URL:
    case INTERNET_OPTION_USER_AGENT:
    case INTERNET_OPTION_PROXY_USERNAME:
    case INTERNET_OPTION_PROXY_PASSWORD:
      return true;
    default:
      return false;
  }
}

// Fails for an option of the other kind (12010) or an unknown one (12009).
bool CheckOptionKind(DWORD option, bool wantNumber) {
  if (wantNumber ? IsNumberOption(option) : IsTextOption(option)) return true;
  const bool known = IsNumberOption(option) || IsTextOption(option) || option == INTERNET_OPTION_REFRESH ||
                     option == INTERNET_OPTION_SETTINGS_CHANGED;
  Fail(known ? ERROR_INTERNET_BAD_OPTION_LENGTH : ERROR_INTERNET_INVALID_OPTION);
  return false;
}

constexpr DWORD kSettableSecurityFlags = SECURITY_FLAG_IGNORE_REVOCATION | SECURITY_FLAG_IGNORE_UNKNOWN_CA |
                                         SECURITY_FLAG_IGNORE_WRONG_USAGE | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
                                         SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;

// The handle field a plain numeric option reads and writes; null for the
// options with rules of their own.
DWORD* NumberField(Handle& h, DWORD option) {
  switch (option) {
    case INTERNET_OPTION_CONNECT_TIMEOUT: return &h.connectTimeout;
    case INTERNET_OPTION_CONNECT_RETRIES: return &h.connectRetries;
    case INTERNET_OPTION_SEND_TIMEOUT:
    case INTERNET_OPTION_DATA_SEND_TIMEOUT: return &h.sendTimeout;
    case INTERNET_OPTION_RECEIVE_TIMEOUT:
    case INTERNET_OPTION_DATA_RECEIVE_TIMEOUT: return &h.receiveTimeout;
    default: return nullptr;
  }
}

// The handle field a settable text option reads and writes; null otherwise.
QString* TextField(Handle& h, DWORD option) {
  switch (option) {
    case INTERNET_OPTION_USERNAME: return &h.user;
    case INTERNET_OPTION_PASSWORD: return &h.password;
    case INTERNET_OPTION_PROXY_USERNAME: return &h.proxyUser;
    case INTERNET_OPTION_PROXY_PASSWORD: return &h.proxyPassword;
    default: return nullptr;
  }
}

}  // namespace

HINTERNET InternetOpen(const QString& agent, DWORD accessType, const QString& proxy, const QString& proxyBypass,
                       DWORD flags) {
  if (flags & INTERNET_FLAG_ASYNC) {
    Fail(ERROR_INVALID_PARAMETER, QStringLiteral("asynchronous sessions are not supported"));
    return nullptr;
  }
  QString why;
  const std::optional<InetConfig> config = InetConfig::FromEnvironment(&why);
  if (!config) {
    qCWarning(lcInet).noquote() << why;
    Fail(ERROR_INVALID_PARAMETER, why);
    return nullptr;
  }

  SessionSettings settings;
  settings.userAgent = agent.toStdString();
  switch (accessType) {
    case INTERNET_OPEN_TYPE_DIRECT:
      settings.proxyMode = SessionSettings::Proxy::None;
      break;
    case INTERNET_OPEN_TYPE_PROXY:
      settings.proxyMode = SessionSettings::Proxy::Named;
      settings.proxy = FirstProxy(proxy).toStdString();
      settings.noProxy = NoProxyList(proxyBypass).toStdString();
      if (settings.proxy.empty()) {
        Fail(ERROR_INVALID_PARAMETER, QStringLiteral("no proxy given"));
        return nullptr;
      }
      break;
    case INTERNET_OPEN_TYPE_PRECONFIG:
    case INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY:
      settings.proxyMode = SessionSettings::Proxy::System;
      break;
    default:
      Fail(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
  for (const ConnectToRule& rule : config->connectTo) settings.connectTo.push_back(rule.CurlForm());
  if (!config->caFile.isEmpty()) {
    QFile extra(config->caFile);
    if (!extra.open(QIODevice::ReadOnly)) {
      why = QStringLiteral("ORVANE_CA_FILE \"%1\" cannot be read: %2").arg(config->caFile, extra.errorString());
      qCWarning(lcInet).noquote() << why;
      Fail(ERROR_FILE_NOT_FOUND, why);
      return nullptr;
    }
    // The extra file comes on top of the system's certificates, not instead.
    QByteArray bundle;
    if (const std::string system = CurlSession::DefaultCaFile(); !system.empty()) {
      QFile systemFile(QString::fromStdString(system));
      if (systemFile.open(QIODevice::ReadOnly)) bundle = systemFile.readAll() + '\n';
    }
    bundle += extra.readAll();
    settings.caBundle = bundle.toStdString();
  }
  settings.insecureTlsAllowed = config->insecureTls;

  auto h = std::make_shared<Handle>();
  h->kind = Kind::Session;
  h->agent = agent;
  h->session = std::make_shared<CurlSession>(std::move(settings));
  return HandleTable::Instance().Add(h, 0);
}

HINTERNET InternetConnect(HINTERNET session, const QString& server, INTERNET_PORT port, const QString& user,
                          const QString& password, DWORD service, DWORD /*flags*/, DWORD_PTR context) {
  const auto parent = Lookup(session, {Kind::Session});
  if (!parent) return nullptr;
  if (server.trimmed().isEmpty() || service != INTERNET_SERVICE_HTTP) {
    Fail(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto h = std::make_shared<Handle>();
  h->InheritFrom(*parent);
  h->kind = Kind::Connection;
  h->host = server.trimmed();
  h->port = port;
  h->user = user;
  h->password = password;
  h->context = context;
  HINTERNET added = HandleTable::Instance().Add(h, parent->id);
  if (!added) Fail(ERROR_INVALID_HANDLE);
  return added;
}

HINTERNET HttpOpenRequest(HINTERNET connection, const QString& verb, const QString& objectName,
                          const QString& version, const QString& referrer, const QStringList& acceptTypes,
                          DWORD flags, DWORD_PTR context) {
  const auto parent = Lookup(connection, {Kind::Connection});
  if (!parent) return nullptr;
  const QString v = version.isEmpty() ? QStringLiteral("HTTP/1.1") : version.toUpper();
  if (v != QLatin1String("HTTP/1.1") && v != QLatin1String("HTTP/1.0")) {
    Fail(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto h = std::make_shared<Handle>();
  h->InheritFrom(*parent);
  h->kind = Kind::Request;
  h->verb = verb.isEmpty() ? QStringLiteral("GET") : verb;
  h->object = objectName.isEmpty() ? QStringLiteral("/") : objectName;
  h->version = v;
  h->flags = flags;
  h->context = context;
  if (!referrer.isEmpty()) (void)h->headers.Apply(QStringLiteral("Referer: ") + referrer, HTTP_ADDREQ_FLAG_ADD);
  if (!acceptTypes.isEmpty()) {
    (void)h->headers.Apply(QStringLiteral("Accept: ") + acceptTypes.join(QLatin1String(", ")), HTTP_ADDREQ_FLAG_ADD);
  }
  HINTERNET added = HandleTable::Instance().Add(h, parent->id);
  if (!added) Fail(ERROR_INVALID_HANDLE);
  return added;
}

bool HttpAddRequestHeaders(HINTERNET request, const QString& headers, qint32 length, DWORD modifiers) {
  const auto r = Lookup(request, {Kind::Request});
  if (!r) return false;
  std::lock_guard lock(r->session->Lock());
  const QString text = (length < 0 || length >= headers.size()) ? headers : headers.left(length);
  if (const DWORD error = r->headers.Apply(text, modifiers); error != ERROR_SUCCESS) {
    Fail(error);
    return false;
  }
  return true;
}

bool HttpSendRequest(HINTERNET request, const QString& headers, qint32 headersLength, const QByteArray& optional) {
  const auto r = Lookup(request, {Kind::Request});
  if (!r) return false;
  std::lock_guard lock(r->session->Lock());
  if (!headers.isEmpty() && !HttpAddRequestHeaders(request, headers, headersLength,
                                                   HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE)) {
    return false;
  }
  return Send(*r, optional);
}

bool HttpQueryInfo(HINTERNET request, DWORD infoLevel, QString& value) {
  const auto r = Lookup(request, {Kind::Request});
  if (!r) return false;
  std::lock_guard lock(r->session->Lock());
  return QueryText(*r, infoLevel, value);
}

bool HttpQueryInfo(HINTERNET request, DWORD infoLevel, DWORD& value) {
  const auto r = Lookup(request, {Kind::Request});
  if (!r) return false;
  std::lock_guard lock(r->session->Lock());
  QString text;
  if (!QueryText(*r, infoLevel, text)) return false;
  bool ok = false;
  const DWORD number = text.trimmed().toUInt(&ok);
  if (!ok) {
    Fail(ERROR_HTTP_INVALID_QUERY_REQUEST);
    return false;
  }
  value = number;
  return true;
}

bool InternetReadFile(HINTERNET file, void* buffer, DWORD bytesToRead, DWORD& bytesRead) {
  bytesRead = 0;
  const auto r = Lookup(file, {Kind::Request});
  if (!r) return false;
  std::lock_guard lock(r->session->Lock());
  if (!buffer && bytesToRead > 0) {
    Fail(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (!r->transfer || !r->transfer->HeadersDone()) {
    Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    return false;
  }
  if (bytesToRead == 0) return true;
  std::size_t copied = 0;
  if (!r->transfer->Read(static_cast<char*>(buffer), bytesToRead, copied)) {
    const TransferResult& result = r->transfer->Result();
    Fail(MapTransferFailure(result.failure), result.errorText);
    qCInfo(lcInet).noquote() << "reading" << LoggableUrl(RequestUrl(*r)) << "failed:" << tLastError << result.errorText;
    return false;
  }
  bytesRead = static_cast<DWORD>(copied);
  return true;
}

HINTERNET InternetOpenUrl(HINTERNET session, const QString& url, const QString& headers, qint32 headersLength,
                          DWORD flags, DWORD_PTR context) {
  const auto parent = Lookup(session, {Kind::Session});
  if (!parent) return nullptr;
  std::lock_guard lock(parent->session->Lock());

  const QString escaped = EscapeForRequestLine(url.trimmed(), true);
  const qsizetype schemeEnd = escaped.indexOf(QLatin1String("://"));
  if (schemeEnd <= 0) {
    Fail(ERROR_INTERNET_INVALID_URL);
    return nullptr;
  }
  const QString scheme = escaped.left(schemeEnd).toLower();
  if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
    Fail(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    return nullptr;
  }
  const QUrl parsed(escaped, QUrl::StrictMode);
  if (!parsed.isValid() || parsed.host().isEmpty()) {
    Fail(ERROR_INTERNET_INVALID_URL);
    return nullptr;
  }

  auto h = std::make_shared<Handle>();
  h->InheritFrom(*parent);
  h->kind = Kind::Request;
  h->verb = QStringLiteral("GET");
  h->object = parsed.path(QUrl::FullyEncoded);
  h->version = QStringLiteral("HTTP/1.1");
  h->flags = flags;
  h->context = context;
  h->host = parsed.host();
  h->port = static_cast<INTERNET_PORT>(parsed.port(0));
  h->fromUrl = true;
  h->url = escaped.left(escaped.indexOf(QLatin1Char('#')));  // the fragment never goes on the wire
  if (!headers.isEmpty()) {
    const QString text = (headersLength < 0 || headersLength >= headers.size()) ? headers : headers.left(headersLength);
    if (const DWORD error = h->headers.Apply(text, HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE); error) {
      Fail(error);
      return nullptr;
    }
  }
  HINTERNET added = HandleTable::Instance().Add(h, parent->id);
  if (!added) {
    Fail(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!Send(*h, {})) {
    const DWORD error = tLastError;
    const QString detail = tLastDetail;
    InternetCloseHandle(added);
    Fail(error, detail);
    return nullptr;
  }
  return added;
}

bool InternetSetOption(HINTERNET handle, DWORD option) {
  if (option != INTERNET_OPTION_SETTINGS_CHANGED && option != INTERNET_OPTION_REFRESH) {
    Fail(IsNumberOption(option) || IsTextOption(option) ? ERROR_INTERNET_BAD_OPTION_LENGTH
                                                        : ERROR_INTERNET_INVALID_OPTION);
    return false;
  }
  // The settings are read when a session opens; there is nothing to reload.
  return handle == nullptr || Lookup(handle, {Kind::Session, Kind::Connection, Kind::Request}) != nullptr;
}

bool InternetSetOption(HINTERNET handle, DWORD option, DWORD value) {
  if (!CheckOptionKind(option, true)) return false;
  const auto h = Lookup(handle, {Kind::Session, Kind::Connection, Kind::Request});
  if (!h) return false;
  std::lock_guard lock(h->session->Lock());
  if (DWORD* field = NumberField(*h, option)) {
    *field = value;
    return true;
  }
  if (option != INTERNET_OPTION_SECURITY_FLAGS) {
    Fail(ERROR_INTERNET_OPTION_NOT_SETTABLE);
    return false;
  }
  if (h->kind != Kind::Request) {
    Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    return false;
  }
  // Bits other than the ignore flags (the legacy callers pass strength and
  // request-flag bits along) have no effect.
  h->securityFlags = value & kSettableSecurityFlags;
  return true;
}

bool InternetSetOption(HINTERNET handle, DWORD option, const QString& value) {
  if (!CheckOptionKind(option, false)) return false;
  const auto h = Lookup(handle, {Kind::Session, Kind::Connection, Kind::Request});
  if (!h) return false;
  std::lock_guard lock(h->session->Lock());
  QString* field = TextField(*h, option);
  if (!field) {
    Fail(ERROR_INTERNET_OPTION_NOT_SETTABLE);
    return false;
  }
  *field = value;
  return true;
}

bool InternetQueryOption(HINTERNET handle, DWORD option, DWORD& value) {
  if (!CheckOptionKind(option, true)) return false;
  const auto h = Lookup(handle, {Kind::Session, Kind::Connection, Kind::Request});
  if (!h) return false;
  std::lock_guard lock(h->session->Lock());
  if (const DWORD* field = NumberField(*h, option)) {
    value = *field;
    return true;
  }
  switch (option) {
    case INTERNET_OPTION_HANDLE_TYPE:
      value = h->kind == Kind::Session      ? INTERNET_HANDLE_TYPE_INTERNET
              : h->kind == Kind::Connection ? INTERNET_HANDLE_TYPE_CONNECT_HTTP
                                            : INTERNET_HANDLE_TYPE_HTTP_REQUEST;
      return true;
    case INTERNET_OPTION_SECURITY_FLAGS: {
      if (h->kind != Kind::Request) {
        Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
        return false;
      }
      DWORD flags = h->securityFlags;
      if (h->flags & INTERNET_FLAG_IGNORE_CERT_CN_INVALID) flags |= SECURITY_FLAG_IGNORE_CERT_CN_INVALID;
      if (h->flags & INTERNET_FLAG_IGNORE_CERT_DATE_INVALID) flags |= SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;
      if (RequestUrl(*h).startsWith(QLatin1String("https:"))) flags |= SECURITY_FLAG_SECURE;
      value = flags;
      return true;
    }
    default:
      Fail(ERROR_INTERNET_INVALID_OPTION);
      return false;
  }
}

bool InternetQueryOption(HINTERNET handle, DWORD option, QString& value) {
  if (!CheckOptionKind(option, false)) return false;
  const auto h = Lookup(handle, {Kind::Session, Kind::Connection, Kind::Request});
  if (!h) return false;
  std::lock_guard lock(h->session->Lock());
  if (const QString* field = TextField(*h, option)) {
    value = *field;
    return true;
  }
  switch (option) {
    case INTERNET_OPTION_USER_AGENT:
      value = h->agent;
      return true;
    case INTERNET_OPTION_URL:
      if (h->kind != Kind::Request) {
        Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
        return false;
      }
      value = RequestUrl(*h);
      return true;
    default:
      Fail(ERROR_INTERNET_INVALID_OPTION);
      return false;
  }
}

bool InternetCloseHandle(HINTERNET handle) {
  std::vector<std::shared_ptr<Handle>> removed = HandleTable::Instance().Remove(handle);
  if (removed.empty()) {
    Fail(ERROR_INVALID_HANDLE);
    return false;
  }
  // Transfers leave the session's connection cache under its lock; the cache
  // itself (and its keep-alive connections) goes with the last handle of it.
  const std::shared_ptr<CurlSession> session = removed.front()->session;
  std::lock_guard lock(session->Lock());
  removed.clear();
  return true;
}

DWORD InternetGetLastError() { return tLastError; }

void InternetSetLastError(DWORD error) {
  tLastError = error;
  tLastDetail.clear();
}

bool InternetGetLastResponseInfo(DWORD& error, QString& text) {
  error = tLastError;
  text = tLastDetail;
  return true;
}

void InternetFailNextRequest(DWORD error) { gFailNextRequest.store(error); }
void InternetFailEveryRequest(DWORD error) { gFailEveryRequest.store(error); }

}  // namespace win
