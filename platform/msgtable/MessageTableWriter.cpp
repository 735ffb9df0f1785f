#include "platform/msgtable/MessageTableWriter.h"

#include "platform/codepage/CodePage.h"

#include <QStringList>

#include <algorithm>
#include <set>

namespace win {
namespace {

void PutU16(QByteArray& out, std::uint16_t v) {
  out.append(static_cast<char>(v & 0xFF));
  out.append(static_cast<char>((v >> 8) & 0xFF));
}

void PutU32(QByteArray& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.append(static_cast<char>((v >> shift) & 0xFF));
}

void SetU32(QByteArray& out, qsizetype at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Text bytes with their NUL, zero-filled so that header + text is a multiple
// of four bytes, as the resource compiler lays entries out.
QByteArray EntryText(const MessageEntry& e) {
  QByteArray bytes;
  if (e.unicode) {
    for (QChar c : e.text) PutU16(bytes, c.unicode());
    PutU16(bytes, 0);
  } else {
    bytes = ToAnsi(e.text);
    bytes.append('\0');
  }
  while ((bytes.size() + 4) % 4 != 0) bytes.append('\0');
  return bytes;
}

}  // namespace

QByteArray BuildMessageTable(std::vector<MessageEntry> entries) {
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
  for (std::size_t i = 1; i < entries.size(); ++i) {
    if (entries[i].id == entries[i - 1].id) return {};
  }

  // Runs of consecutive ids.
  struct Block {
    std::size_t first;
    std::size_t count;
  };
  std::vector<Block> blocks;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!blocks.empty() && entries[i].id == entries[i - 1].id + 1) {
      ++blocks.back().count;
    } else {
      blocks.push_back({i, 1});
    }
  }

  QByteArray table;
  PutU32(table, static_cast<std::uint32_t>(blocks.size()));
  const qsizetype blockTable = table.size();
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    PutU32(table, entries[blocks[b].first].id);
    PutU32(table, entries[blocks[b].first + blocks[b].count - 1].id);
    PutU32(table, 0);  // offset, filled in below
  }
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    SetU32(table, blockTable + static_cast<qsizetype>(b) * 12 + 8, static_cast<std::uint32_t>(table.size()));
    for (std::size_t i = blocks[b].first; i < blocks[b].first + blocks[b].count; ++i) {
      const QByteArray text = EntryText(entries[i]);
      PutU16(table, static_cast<std::uint16_t>(text.size() + 4));
      PutU16(table, entries[i].unicode ? 1 : 0);
      table.append(text);
    }
  }
  return table;
}

bool ParseMessageSource(const QString& source, std::vector<MessageEntry>& entries, QString& error) {
  entries.clear();
  std::set<std::uint32_t> seen;
  const QStringList lines = source.split(u'\n');
  for (qsizetype n = 0; n < lines.size(); ++n) {
    QString line = lines[n];
    if (line.endsWith(u'\r')) line.chop(1);
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(u'#')) continue;

    const auto fail = [&](const QString& why) {
      error = QStringLiteral("line %1: %2").arg(n + 1).arg(why);
      entries.clear();
      return false;
    };
    qsizetype i = 0;
    while (i < trimmed.size() && trimmed[i].isDigit()) ++i;
    if (i == 0) return fail(QStringLiteral("a message line must start with its decimal id"));
    bool ok = false;
    const qulonglong id = trimmed.left(i).toULongLong(&ok);
    if (!ok || id > 0xFFFFFFFFull) return fail(QStringLiteral("the id is out of range"));
    if (i < trimmed.size() && trimmed[i] != u' ' && trimmed[i] != u'\t') {
      return fail(QStringLiteral("the id must be followed by a blank"));
    }
    const QString text = trimmed.mid(i).trimmed();
    if (text.isEmpty()) return fail(QStringLiteral("message %1 has no text").arg(id));
    if (!seen.insert(static_cast<std::uint32_t>(id)).second) {
      return fail(QStringLiteral("message %1 is given twice").arg(id));
    }
    entries.push_back({static_cast<std::uint32_t>(id), text + QStringLiteral("\r\n"), true});
  }
  return true;
}

}  // namespace win
