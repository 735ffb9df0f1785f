#pragma once
// The system's locale queries (GetLocaleInfo and the default-locale calls),
// answered from the user's regional settings of vb::CurrentUserLocale()
// (platform/text/UserLocale.h), so that tests that pin those settings pin
// these answers too. The system default locale is the host's own settings
// (vb::UserLocale::Host()).

#include <QString>

#include <cstdint>
#include <optional>

namespace win {

// Locale identifiers.
inline constexpr std::uint32_t LOCALE_USER_DEFAULT = 0x0400;
inline constexpr std::uint32_t LOCALE_SYSTEM_DEFAULT = 0x0800;

// Flags that may be or-ed into an item number.
inline constexpr std::uint32_t LOCALE_NOUSEROVERRIDE = 0x80000000;
inline constexpr std::uint32_t LOCALE_USE_CP_ACP = 0x40000000;

// Items (LCTYPE values) answered.
inline constexpr std::uint32_t LOCALE_ILANGUAGE = 0x01;        // "0409": the locale id in 4 hex digits
inline constexpr std::uint32_t LOCALE_SLANGUAGE = 0x02;        // "English (United States)"
inline constexpr std::uint32_t LOCALE_SCOUNTRY = 0x06;         // country name in the locale's language
inline constexpr std::uint32_t LOCALE_SABBREVCTRYNAME = 0x07;  // ISO 3166 three-letter code, "USA"
inline constexpr std::uint32_t LOCALE_SNATIVECTRYNAME = 0x08;
inline constexpr std::uint32_t LOCALE_SDECIMAL = 0x0E;
inline constexpr std::uint32_t LOCALE_STHOUSAND = 0x0F;
inline constexpr std::uint32_t LOCALE_SGROUPING = 0x10;  // "3;0"
inline constexpr std::uint32_t LOCALE_IDIGITS = 0x11;    // decimals, "2"
inline constexpr std::uint32_t LOCALE_ILZERO = 0x12;     // leading zero, "1"
inline constexpr std::uint32_t LOCALE_SDATE = 0x1D;
inline constexpr std::uint32_t LOCALE_STIME = 0x1E;
inline constexpr std::uint32_t LOCALE_SSHORTDATE = 0x1F;
inline constexpr std::uint32_t LOCALE_SLONGDATE = 0x20;
inline constexpr std::uint32_t LOCALE_IDATE = 0x21;      // short-date order: "0" M-D-Y, "1" D-M-Y, "2" Y-M-D
inline constexpr std::uint32_t LOCALE_ILDATE = 0x22;     // the same for the long date
inline constexpr std::uint32_t LOCALE_S1159 = 0x28;      // AM
inline constexpr std::uint32_t LOCALE_S2359 = 0x29;      // PM
inline constexpr std::uint32_t LOCALE_SDAYNAME1 = 0x2A;  // Monday; ..7 (0x30) is Sunday
inline constexpr std::uint32_t LOCALE_SABBREVDAYNAME1 = 0x31;
inline constexpr std::uint32_t LOCALE_SMONTHNAME1 = 0x38;  // January; ..12 (0x43)
inline constexpr std::uint32_t LOCALE_SABBREVMONTHNAME1 = 0x44;
inline constexpr std::uint32_t LOCALE_SNAME = 0x5C;           // "en-US"
inline constexpr std::uint32_t LOCALE_SENGLANGUAGE = 0x1001;  // "English"
inline constexpr std::uint32_t LOCALE_SENGCOUNTRY = 0x1002;   // country name in English
inline constexpr std::uint32_t LOCALE_STIMEFORMAT = 0x1003;
inline constexpr std::uint32_t LOCALE_IDEFAULTANSICODEPAGE = 0x1004;  // "1252"
inline constexpr std::uint32_t LOCALE_INEGNUMBER = 0x1010;

// The item's text (without the terminating NUL); nothing for a locale or
// item that is not answered (the system fails with ERROR_INVALID_PARAMETER).
// Locales answered: LOCALE_USER_DEFAULT and the user's own id (the user's
// settings), LOCALE_SYSTEM_DEFAULT and the host's id (the host's settings),
// and 0x0409 (English, United States).
[[nodiscard]] std::optional<QString> LocaleItem(std::uint32_t lcid, std::uint32_t lcType);

// GetLocaleInfoW with a buffer of `cchData` characters: answers the number
// of characters including the terminating NUL and puts the text into
// `data`; with cchData 0 only answers the number needed; 0 when the item is
// not answered or does not fit (data unchanged then).
int GetLocaleInfo(std::uint32_t lcid, std::uint32_t lcType, QString& data, int cchData);

[[nodiscard]] std::uint32_t GetUserDefaultLCID();
[[nodiscard]] std::uint32_t GetSystemDefaultLCID();
[[nodiscard]] std::uint16_t GetUserDefaultLangID();
[[nodiscard]] std::uint16_t GetSystemDefaultLangID();

// The ISO 3166 three-letter code of a two-letter one ("US" -> "USA"); empty when unknown.
[[nodiscard]] QString CountryCodeAlpha3(const QString& alpha2);

}  // namespace win
