#pragma once
// Builds the binary message-table resource the system's modules carry, from
// a readable list of messages.
//
// Layout (all numbers little-endian), as FormatMessage and the engine's own
// reader walk it:
//   uint32 block count N
//   N blocks of { uint32 lowest id, uint32 highest id, uint32 offset of the
//                 block's first entry from the start of the table }
//   entries, one per id of each block in id order:
//     uint16 total length in bytes (this header included, padded to 4)
//     uint16 flags (1 = UTF-16 text, 0 = 8-bit text in the system code page)
//     the text with its terminating NUL, then zero fill up to the length
// Consecutive ids share a block; a gap in the ids starts a new block, so an
// id that is left out has no entry at all.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace win {

struct MessageEntry {
  std::uint32_t id = 0;
  QString text;          // stored as given (the caller adds any line end)
  bool unicode = true;   // false: stored as 8-bit text
};

// The table bytes for `entries`, which must be sorted by id without
// duplicates (the function sorts a copy and drops nothing; a duplicate id
// makes it answer an empty array).
[[nodiscard]] QByteArray BuildMessageTable(std::vector<MessageEntry> entries);

// Reads the message source text: one message a line, "<id> <text>" (the id
// in decimal, one or more blanks or tabs, the text up to the end of the
// line); blank lines and lines starting with "#" are ignored. Each text gets
// CR LF appended, as the system's message texts end. On bad input (no id, an
// id out of range, a duplicate id, an empty text) answers false and puts a
// message naming the line into `error`.
[[nodiscard]] bool ParseMessageSource(const QString& source, std::vector<MessageEntry>& entries, QString& error);

}  // namespace win
