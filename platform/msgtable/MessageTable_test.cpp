#include "platform/msgtable/MessageTable.h"
#include "platform/msgtable/MessageTableWriter.h"

#include "platform/paths/WinPath.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using win::MessageEntry;

std::uint32_t U32(const QByteArray& b, qsizetype at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b.at(at + i));
  return v;
}
std::uint16_t U16(const QByteArray& b, qsizetype at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b.at(at)) |
                                    (static_cast<unsigned char>(b.at(at + 1)) << 8));
}

// The walk the engine makes over a message table, written out independently
// of the loader: block count, blocks of {low, high, offset}, then entries of
// {length, flags, text} stepped id by id from the block's low id.
struct Found {
  std::uint16_t flags = 0;
  QString text;
};
std::optional<Found> Walk(const QByteArray& table, std::uint32_t code) {
  const std::uint32_t n = U32(table, 0);
  for (std::uint32_t b = 0; b < n; ++b) {
    const std::uint32_t low = U32(table, 4 + b * 12);
    const std::uint32_t high = U32(table, 8 + b * 12);
    qsizetype pos = U32(table, 12 + b * 12);
    if (code < low || code > high) continue;
    for (std::uint32_t id = low; id <= code; ++id) {
      const std::uint16_t len = U16(table, pos);
      if (id == code && len > 0) {
        Found f{U16(table, pos + 2), {}};
        const QByteArray body = table.mid(pos + 4, len - 4);
        if (f.flags == 1) {
          f.text = QString::fromUtf16(reinterpret_cast<const char16_t*>(body.constData()), body.size() / 2);
        } else {
          f.text = QString::fromLatin1(body);
        }
        f.text.truncate(f.text.indexOf(QChar(0)) < 0 ? f.text.size() : f.text.indexOf(QChar(0)));
        return f;
      }
      pos += len;
    }
  }
  return std::nullopt;
}

TEST(ShippedWininetTable, HoldsOurTextsInTheEngineLayoutAndLeaves12057Out) {
  const auto module = win::LoadMessageModule(QStringLiteral("C:\\Windows\\System32\\WinInet.DLL"));
  ASSERT_TRUE(module.has_value());
  ASSERT_TRUE(module->messageTable.has_value());
  const QByteArray& table = *module->messageTable;

  const auto cannotConnect = Walk(table, 12029);
  ASSERT_TRUE(cannotConnect.has_value());
  EXPECT_EQ(cannotConnect->flags, 1);
  EXPECT_EQ(cannotConnect->text, QStringLiteral("The connection to the server could not be made.\r\n"));

  EXPECT_FALSE(Walk(table, 12057).has_value());
  EXPECT_FALSE(Walk(table, 404).has_value());  // HTTP statuses have no text
  for (std::uint32_t id : {12001u, 12002u, 12031u, 12056u, 12150u, 12175u}) {
    const auto found = Walk(table, id);
    ASSERT_TRUE(found.has_value()) << id;
    EXPECT_TRUE(found->text.endsWith(QStringLiteral(".\r\n"))) << id;
  }

  // The generic lookup agrees, and a module name without extension is the .dll.
  EXPECT_EQ(win::FormatMessage(QStringLiteral("wininet"), 12029), cannotConnect->text);
  EXPECT_EQ(win::FormatMessage(QStringLiteral("wininet.dll"), 12057), QString());
}

TEST(MessageModuleLoading, ProgramFolderComesFirstAndMissingModulesOrTablesAreKnown) {
  QTemporaryDir programDir;
  QTemporaryDir otherDir;
  ASSERT_TRUE(programDir.isValid() && otherDir.isValid());
  const auto write = [](const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  };
  write(programDir.filePath("wininet.dll.msgtable"),
        win::BuildMessageTable({{12029, QStringLiteral("from the program folder\r\n"), true}}));
  write(otherDir.filePath("wininet.dll.msgtable"),
        win::BuildMessageTable({{12029, QStringLiteral("from the build tree\r\n"), true}}));
  write(otherDir.filePath("empty.dll.msgtable"), {});

  win::ScopedMessageTableFolders folders({programDir.path(), otherDir.path()});
  EXPECT_EQ(win::FormatMessage(QStringLiteral("WININET.DLL"), 12029),
            QStringLiteral("from the program folder\r\n"));

  EXPECT_FALSE(win::LoadMessageModule(QStringLiteral("nosuch.dll")).has_value());
  const auto empty = win::LoadMessageModule(QStringLiteral("Empty.dll"));
  ASSERT_TRUE(empty.has_value());
  EXPECT_FALSE(empty->messageTable.has_value());
  EXPECT_EQ(win::FormatMessage(QStringLiteral("empty.dll"), 1), QString());
}

TEST(MessageModuleLoading, DefaultSearchStartsInTheProgramFolder) {
  QTemporaryDir programDir;
  ASSERT_TRUE(programDir.isValid());
  QFile f(programDir.filePath("wininet.dll.msgtable"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(win::BuildMessageTable({{7, QStringLiteral("beside the program"), true}}));
  f.close();

  win::SetProgramFolder(win::ToWindowsPath(programDir.path()));
  EXPECT_EQ(win::MessageTableFolders().value(0), programDir.path());
  EXPECT_EQ(win::FormatMessage(QStringLiteral("wininet.dll"), 7), QStringLiteral("beside the program"));
  win::SetProgramFolder({});
}

TEST(MessageTableWriter, GapsStartNewBlocksAndBothTextFormsRoundTrip) {
  const QByteArray table = win::BuildMessageTable({
      {12, QStringLiteral("twelve\r\n"), true},
      {10, QStringLiteral("ten \u00e9\r\n"), false},  // 8-bit text in the system code page
      {11, QStringLiteral("eleven\r\n"), true},
      {20, QStringLiteral("twenty"), true},
  });
  ASSERT_EQ(U32(table, 0), 2u);
  EXPECT_EQ(U32(table, 4), 10u);
  EXPECT_EQ(U32(table, 8), 12u);
  EXPECT_EQ(U32(table, 16), 20u);
  EXPECT_EQ(U32(table, 20), 20u);
  EXPECT_EQ(U32(table, 12) % 4, 0u);  // entries start aligned

  EXPECT_EQ(Walk(table, 10)->flags, 0);
  EXPECT_EQ(win::MessageTableText(table, 10), QStringLiteral("ten \u00e9\r\n"));
  EXPECT_EQ(win::MessageTableText(table, 11), QStringLiteral("eleven\r\n"));
  EXPECT_EQ(Walk(table, 12)->text, QStringLiteral("twelve\r\n"));
  EXPECT_EQ(win::MessageTableText(table, 20), QStringLiteral("twenty"));
  EXPECT_FALSE(win::MessageTableText(table, 13).has_value());

  EXPECT_TRUE(win::BuildMessageTable({{1, "a", true}, {1, "b", true}}).isEmpty());
}

TEST(MessageTableText, DamagedTablesYieldNothingInsteadOfReadingPastTheEnd) {
  const QByteArray good = win::BuildMessageTable({{1, QStringLiteral("one"), true}, {2, QStringLiteral("two"), true}});
  QByteArray hugeCount = good;
  hugeCount[3] = char(0x7F);
  QByteArray offsetOutside = good;
  offsetOutside[14] = char(0x7F);
  QByteArray zeroLength = good;
  const qsizetype first = U32(good, 12);
  zeroLength[first] = 0;
  zeroLength[first + 1] = 0;

  for (const QByteArray& bad : {QByteArray(), QByteArray("\x01\x00", 2), good.left(good.size() - 3), hugeCount,
                                offsetOutside, zeroLength}) {
    EXPECT_FALSE(win::MessageTableText(bad, 2).has_value());
  }
  EXPECT_EQ(win::MessageTableText(good, 2), QStringLiteral("two"));
}

TEST(MessageTableText, BlocksSharingOneLongChainAreRefusedNotWalkedEachInTurn) {
  // 1 MB: 43 690 blocks covering every id, all pointing at one chain of
  // 131 072 empty entries that ends in a zero-length one, so each block's
  // walk runs the whole chain and gives up without an error.
  constexpr std::uint32_t blocks = 43690;
  constexpr std::uint32_t entries = 131072;
  QByteArray table;
  const auto put32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) table.append(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  put32(blocks);
  const std::uint32_t chain = 4 + blocks * 12;
  for (std::uint32_t b = 0; b < blocks; ++b) {
    put32(0);
    put32(0xFFFFFFFF);
    put32(chain);
  }
  for (std::uint32_t e = 0; e < entries; ++e) table.append("\x04\x00\x00\x00", 4);
  table.append("\x00\x00\x00\x00", 4);

  EXPECT_FALSE(win::MessageTableText(table, 0xFFFFFFF0).has_value());
  EXPECT_EQ(win::MessageTableText(table, 5), QString()) << "an id inside the first walk is still found";
}

TEST(MessageSource, ParsesLinesAndRejectsBadOnesByLine) {
  std::vector<MessageEntry> entries;
  QString error;
  ASSERT_TRUE(win::ParseMessageSource(QStringLiteral("# note\r\n\r\n12002   Timed out.\r\n12001\tNo handles.\n"), entries,
                                      error));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].id, 12002u);
  EXPECT_EQ(entries[0].text, QStringLiteral("Timed out.\r\n"));
  EXPECT_EQ(entries[1].text, QStringLiteral("No handles.\r\n"));

  const struct {
    const char* source;
    const char* expected;
  } bad[] = {
      {"text without id", "line 1: a message line must start with its decimal id"},
      {"12001 a\n12001 b", "line 2: message 12001 is given twice"},
      {"12001", "line 1: message 12001 has no text"},
      {"12001x text", "line 1: the id must be followed by a blank"},
      {"99999999999 text", "line 1: the id is out of range"},
  };
  for (const auto& row : bad) {
    EXPECT_FALSE(win::ParseMessageSource(QString::fromUtf8(row.source), entries, error)) << row.source;
    EXPECT_EQ(error, QString::fromUtf8(row.expected));
    EXPECT_TRUE(entries.empty());
  }
}

}  // namespace
