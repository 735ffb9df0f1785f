#pragma once
// The private-profile (INI file) functions, with the behaviour the legacy
// code relies on.
//
// File names are Windows-form paths ("C:\prog\OrvaneMac\orvane.ini"); they are
// mapped to host paths through the drive table at each call. A read keeps
// the file parsed and indexed, so that further reads cost the same however
// large the file is, and uses it again only while the file on disk is the
// same, unchanged one (same inode, size, modification and change times; a
// file changed within the clock tick in which it was read is read again).
// A file another program changes is therefore read afresh; a write here
// reads the file itself, writes it and makes the next read read it again.
//
// Reading (GetPrivateProfileString):
// - Section and key names match without regard to case; the first matching
//   section is searched and the first matching key in it wins.
// - A header is "[name]": blanks and tabs before "[" and around the name are
//   ignored, the name ends at the first "]".
// - Blanks and tabs around keys and values in the file are stripped; blanks
//   (not tabs) around the section and key arguments too. A value fully
//   enclosed in one matching pair of '"' or '\'' loses that pair.
// - A line whose first non-blank character is ";" is a comment. A line
//   without "=" is no key. Lines before the first header belong to no section.
// - Line ends CR LF or LF.
//
// Writing:
// - The file is created when missing, never its folder (false, error 3).
// - Every line the call does not change is written back byte for byte; new
//   and changed lines end in CR LF.
// - A missing section is appended at the end of the file; a new key at the
//   end of its section (after its last non-blank line); an existing key is
//   replaced in place as "key=value", keeping its stored spelling.
// - The file is rewritten through a temporary sibling and renamed over the
//   old one, so a crash never leaves half a file; writers in this and other
//   processes are serialised with a lock on the file's folder.
// - Unlike the system functions, text that would break the file's structure
//   is refused (false, error 87) instead of being written: line breaks in a
//   section, key or value, "]" in a section name, "=" in a key, a key that
//   would read as a comment or header. Arguments are cut at their first NUL,
//   as the system receives them.
//
// Encoding: a file that starts with the byte-order mark FF FE is read and
// written as UTF-16LE; any other file (and every new file) is 8-bit
// Windows-1252, characters it cannot hold being written as "?".
//
// Every call sets the calling thread's ProfileLastError(): 0 on success;
// reads: 2 when the file, the section or the key is missing (the default was
// copied), 234 when the answer was cut to the buffer; writes: 3 (missing
// folder), 5 (cannot read or replace the file), 87 (refused text).

#include "platform/errors/Win32Error.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace win {

using DWORD = std::uint32_t;

// What the read put into the caller's buffer: `value` holds the characters
// copied (without the terminating NUL) and `length` is the function's return
// value, always value.size().
struct ProfileString {
  QString value;
  int length = 0;
};

// GetPrivateProfileString(section, key, default, nSize, file).
// - Both names given: the value, or the default (null: "") with its trailing
//   blanks dropped; at most size - 1 characters (a 256-character buffer gives
//   255).
// - Null key: the keys of the first matching section; null section: all
//   section names (duplicates as they appear). Each name is followed by a NUL
//   in `value`; when they do not fit the last one is cut and the length is
//   size - 2 (0 when size < 2).
// - size <= 0 answers nothing.
[[nodiscard]] ProfileString GetPrivateProfileString(const std::optional<QString>& section,
                                                    const std::optional<QString>& key,
                                                    const std::optional<QString>& defaultValue, int size,
                                                    const QString& fileName);

// WritePrivateProfileString(section, key, value, file): true on success.
// A null value (std::nullopt; an empty QString is an empty value) deletes the
// key, a null key deletes the section's header and keys (its comment lines
// stay); deleting what is not there succeeds and leaves the file (or its
// absence) alone.
bool WritePrivateProfileString(const QString& section, const std::optional<QString>& key,
                               const std::optional<QString>& value, const QString& fileName);

// WritePrivateProfileSection(section, data, file): replaces every line of
// the section (creating it at the end when missing) with the entries of
// `data`, written verbatim ("accept = 43718" keeps its blanks); blank lines
// that close the section stay. `data` comes in either form the callers use:
//   - the system's form, entries each ended by a NUL, the run ended by one
//     more NUL ("a=1\0b=2\0\0"; the data after an empty entry is ignored);
//   - a single string whose lines are separated by CR LF (or LF), as the
//     legacy code passes it ("a=1\r\nb=2").
// Both may be mixed; empty lines are dropped. A null `data` deletes the
// section like WritePrivateProfileString with a null key.
bool WritePrivateProfileSection(const QString& section, const std::optional<QString>& data, const QString& fileName);

// The result code of the calling thread's last profile call (see above).
[[nodiscard]] DWORD ProfileLastError();

}  // namespace win
