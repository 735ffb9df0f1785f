#include "platform/system/SystemInfo.h"

#include "platform/codepage/CodePage.h"

#include <QSysInfo>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <memory>

namespace win {
namespace {

bool IsVersionRecordSize(std::uint32_t size) { return size == 276 || size == 284 || size == 148 || size == 156; }

struct AddrInfoDeleter {
  void operator()(addrinfo* info) const { ::freeaddrinfo(info); }
};

}  // namespace

bool GetVersionEx(OSVERSIONINFO& info) {
  if (!IsVersionRecordSize(info.dwOSVersionInfoSize)) return false;
  info.dwMajorVersion = 10;
  info.dwMinorVersion = 0;
  info.dwBuildNumber = 19045;
  info.dwPlatformId = VER_PLATFORM_WIN32_NT;
  info.szCSDVersion.clear();
  return true;
}

QString ProductName() { return QSysInfo::prettyProductName(); }

QString GetWindowsDirectory() { return {}; }

QString GetHostName() {
  char buffer[256] = {};
  if (::gethostname(buffer, sizeof buffer - 1) != 0) return {};
  return QString::fromLocal8Bit(buffer);
}

QString GetComputerName() {
  QString name = GetHostName().section(u'.', 0, 0).toUpper();
  name.truncate(15);
  return name;
}

QString GetUserName() {
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name) return QString::fromLocal8Bit(pw->pw_name);
  return qEnvironmentVariable("USER");
}

int WSAStartup(std::uint16_t /*versionRequested*/) { return 0; }

int WSACleanup() { return 0; }

std::optional<HostEntry> GetHostByName(const QString& name) {
  // The legacy call passed the name in the 8-bit code page.
  const QByteArray host = ToAnsi(name);
  if (host.isEmpty()) return std::nullopt;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_CANONNAME;
  addrinfo* raw = nullptr;
  if (::getaddrinfo(host.constData(), nullptr, &hints, &raw) != 0 || !raw) return std::nullopt;
  const std::unique_ptr<addrinfo, AddrInfoDeleter> list(raw);
  HostEntry entry;
  entry.name = raw->ai_canonname ? QString::fromLocal8Bit(raw->ai_canonname) : name;
  for (const addrinfo* a = raw; a; a = a->ai_next) {
    if (a->ai_family != AF_INET || !a->ai_addr) continue;
    const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
    if (std::find(entry.addresses.begin(), entry.addresses.end(), in->sin_addr.s_addr) == entry.addresses.end()) {
      entry.addresses.push_back(in->sin_addr.s_addr);
    }
  }
  if (entry.addresses.empty()) return std::nullopt;
  return entry;
}

std::optional<HostEntry> GetHostByAddr(std::uint32_t address) {
  sockaddr_in in{};
  in.sin_family = AF_INET;
  in.sin_addr.s_addr = address;
  char name[NI_MAXHOST] = {};
  if (::getnameinfo(reinterpret_cast<const sockaddr*>(&in), sizeof in, name, sizeof name, nullptr, 0, NI_NAMEREQD) !=
      0) {
    return std::nullopt;
  }
  return HostEntry{QString::fromLocal8Bit(name), {address}};
}

std::uint32_t InetAddr(const QString& text) {
  const QByteArray bytes = ToAnsi(text);
  if (bytes.isEmpty()) return kNoAddress;
  return ::inet_addr(bytes.constData());
}

QString InetNtoa(std::uint32_t address) {
  const auto* b = reinterpret_cast<const unsigned char*>(&address);
  return QStringLiteral("%1.%2.%3.%4").arg(b[0]).arg(b[1]).arg(b[2]).arg(b[3]);
}

}  // namespace win
