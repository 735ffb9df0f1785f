#pragma once
// The system error codes that the stand-ins of the Windows API answer, in
// one place so that every module uses the same names and values.

#include <QString>

#include <cstdint>

namespace win {

using DWORD = std::uint32_t;
using LONG = std::int32_t;

inline constexpr long ERROR_SUCCESS = 0;
inline constexpr long ERROR_INVALID_FUNCTION = 1;
inline constexpr long ERROR_FILE_NOT_FOUND = 2;
inline constexpr long ERROR_PATH_NOT_FOUND = 3;
inline constexpr long ERROR_ACCESS_DENIED = 5;
inline constexpr long ERROR_INVALID_HANDLE = 6;
inline constexpr long ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr long ERROR_INVALID_DATA = 13;
inline constexpr long ERROR_NOT_READY = 21;
inline constexpr long ERROR_WRITE_FAULT = 29;
inline constexpr long ERROR_SHARING_VIOLATION = 32;
inline constexpr long ERROR_HANDLE_EOF = 38;
inline constexpr long ERROR_FILE_EXISTS = 80;
inline constexpr long ERROR_INVALID_PARAMETER = 87;
inline constexpr long ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr long ERROR_INVALID_NAME = 123;
inline constexpr long ERROR_ALREADY_EXISTS = 183;
inline constexpr long ERROR_MORE_DATA = 234;
inline constexpr long ERROR_NO_MORE_ITEMS = 259;
inline constexpr long STILL_ACTIVE = 259;  // the exit code of a process that still runs
inline constexpr long ERROR_MR_MID_NOT_FOUND = 317;
inline constexpr long ERROR_NOT_FOUND = 1168;

// The system's text of an error code, as FormatMessage gives it for the
// codes the stand-ins answer; "System error <code>." for the others.
[[nodiscard]] QString SystemErrorText(long code);

}  // namespace win
