#pragma once
// The operating system as the system asks about it: version, machine and
// user names, and the socket calls that turn host names into addresses.
//
// Version: the answers are those of the newest system the legacy code
// knows (platform 2, the NT family; version 10.0), so that it takes its
// newer code paths: the per-user registry hive, the process snapshot, the
// special folders of version 6 and later. The product name is the host's.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace win {

inline constexpr std::uint32_t VER_PLATFORM_WIN32s = 0;
inline constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;

// The version record of GetVersionEx, in its wide form.
struct OSVERSIONINFO {
  std::uint32_t dwOSVersionInfoSize = 276;  // 276 (or 284, the extended form); 148/156 for the 8-bit forms
  std::uint32_t dwMajorVersion = 0;
  std::uint32_t dwMinorVersion = 0;
  std::uint32_t dwBuildNumber = 0;
  std::uint32_t dwPlatformId = 0;
  QString szCSDVersion;  // service-pack text, at most 127 characters
};

// Fills the record: 10.0, build 19045, platform 2, no service pack. False,
// changing nothing, when the size field is none of the record sizes (the
// system then fails with ERROR_INSUFFICIENT_BUFFER).
bool GetVersionEx(OSVERSIONINFO& info);

// The system's name for reports ("Debian GNU/Linux 12 (bookworm)").
[[nodiscard]] QString ProductName();

// There is no Windows folder here: empty, as the system answers a failure.
[[nodiscard]] QString GetWindowsDirectory();

// gethostname: the host's name as the host gives it.
[[nodiscard]] QString GetHostName();
// GetComputerName: the host name's first label in capitals, at most 15 characters.
[[nodiscard]] QString GetComputerName();
// GetUserName: the login name of this process's user.
[[nodiscard]] QString GetUserName();

// Sockets need no start-up here: both answer 0 (success).
int WSAStartup(std::uint16_t versionRequested);
int WSACleanup();

// What inet_addr answers for a text that is no address (INADDR_NONE).
inline constexpr std::uint32_t kNoAddress = 0xFFFFFFFF;

// A host entry: IPv4 addresses in network byte order, the first as the
// resolver ranks it.
struct HostEntry {
  QString name;  // official (canonical) name
  std::vector<std::uint32_t> addresses;
};

// gethostbyname: the IPv4 entry of a host name or dotted address; nothing
// when the name cannot be resolved.
[[nodiscard]] std::optional<HostEntry> GetHostByName(const QString& name);
// gethostbyaddr for one IPv4 address (network order); nothing when no name is known.
[[nodiscard]] std::optional<HostEntry> GetHostByAddr(std::uint32_t address);
// inet_addr: the address of a dotted text, kNoAddress when it is none
// (so "255.255.255.255" reads as a failure, as it always did).
[[nodiscard]] std::uint32_t InetAddr(const QString& text);
// inet_ntoa: the dotted text of an address (network order).
[[nodiscard]] QString InetNtoa(std::uint32_t address);

}  // namespace win
