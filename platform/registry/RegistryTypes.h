#pragma once
// Handle type, predefined keys, value types and access rights of the
// registry functions, with their system values (the legacy code passes them
// as numbers).

#include "platform/errors/Win32Error.h"

#include <cstdint>

namespace win {


// Result codes only the registry answers (the common ones: Win32Error.h).
inline constexpr long ERROR_BAD_PATHNAME = 161;
inline constexpr long ERROR_BADDB = 1009;  // "The configuration registry database is corrupt."
inline constexpr long ERROR_REGISTRY_IO_FAILED = 1016;
inline constexpr long ERROR_KEY_DELETED = 1018;  // the key behind an open handle was deleted

// The largest value kept, in bytes of data and characters of name (the
// system's limits for a hive in its standard format): a larger one is
// refused with ERROR_INVALID_PARAMETER, so that no single value makes every
// later read and write of its hive slow.
inline constexpr DWORD kRegistryMaxValueBytes = 1024 * 1024;
inline constexpr int kRegistryMaxValueName = 16383;

// An open key: one of the predefined roots below or a small number handed out
// by RegOpenKeyEx / RegCreateKeyEx. Never dereferenced.
using HKEY = std::uint32_t;
using REGSAM = DWORD;

inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr HKEY HKEY_USERS = 0x80000003;  // not kept here: ERROR_INVALID_HANDLE

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_QWORD = 11;

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
inline constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
inline constexpr REGSAM KEY_WOW64_32KEY = 0x0200;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;

// RegCreateKeyEx dispositions.
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

}  // namespace win
