#include "tools/StaleTemporaries.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tools {
namespace {

TEST(StaleTemporaries, NamesRsyncGivesATemporary) {
  const QByteArray longName = QByteArray(250, 'n') + ".bin";
  // 245 ASCII bytes, then a two-byte character across the cut at 246.
  const QByteArray splitName = QByteArray(245, 'm') + "\xc3\xa9" + "tail";
  struct Case {
    QByteArray entry, name;
    bool temporary;
  };
  const Case cases[] = {
      {".big.bin.Ab3xZ9", "big.bin", true},
      {".big.bin.000000", "big.bin", true},
      {".hidden.Ab3xZ9", ".hidden", true},  // one leading dot of the name is dropped
      {"..hidden.Ab3xZ9", ".hidden", false},
      {".ends.Ab3xZ9", "ends.", true},  // one trailing dot is dropped
      {".\xc3\x9cn\xc3\xaf.txt.qWeRtY", "\xc3\x9cn\xc3\xaf.txt", true},
      {"." + QByteArray(246, 'n') + ".Ab3xZ9", longName, true},  // a long name is cut
      {"." + longName + ".Ab3xZ9", longName, false},
      {"." + QByteArray(245, 'm') + ".Ab3xZ9", splitName, true},  // never half a character
      {".big.bin.Ab3xZ", "big.bin", false},      // five characters
      {".big.bin.Ab3xZ99", "big.bin", false},    // seven
      {".big.bin.Ab-xZ9", "big.bin", false},     // not a letter or digit
      {".big.bin-Ab3xZ9", "big.bin", false},     // no dot before the suffix
      {"big.bin.Ab3xZ9", "big.bin", false},      // no leading dot
      {".big.bin2.Ab3xZ9", "big.bin", false},    // another file's
      {".ig.bin.Ab3xZ9", "big.bin", false},
      {".big.bin.Ab3xZ9", "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsTemporaryOf(c.entry, c.name), c.temporary) << c.entry.toStdString() << " of " << c.name.toStdString();
  }
}

TEST(StaleTemporaries, RemovesOnlyTheLeftoversOfTheFilesNamed) {
  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  const QString root = tmp.path() + "/dest/";
  auto make = [&](const QString& path) {
    QDir().mkpath(QFileInfo(root + path).absolutePath());
    QFile f(root + path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
  };
  for (const char* path : {"big.bin", ".big.bin.Ab3xZ9", ".big.bin.q1w2e3", "Sub/inner.bin", "Sub/.inner.bin.zzzzzz",
                           ".other.bin.Ab3xZ9", ".big.bin.notes", "Sub/.big.bin.Ab3xZ9"}) {
    make(path);
  }
  ASSERT_TRUE(QFile::link(root + "big.bin", root + ".big.bin.linked"));
  ASSERT_TRUE(QDir().mkpath(root + ".big.bin.folder"));

  EXPECT_EQ(RemoveStaleTemporaries(root, {"big.bin", "Sub/inner.bin", "Sub/", "missing/x.bin"}), 3);
  QStringList left;
  for (const QString& d : {QString(), QStringLiteral("Sub/")}) {
    const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System;
    for (const QString& name : QDir(root + d).entryList(all)) left << d + name;
  }
  left.sort();
  EXPECT_EQ(left, (QStringList{".big.bin.folder", ".big.bin.linked", ".big.bin.notes", ".other.bin.Ab3xZ9", "Sub",
                               "Sub/.big.bin.Ab3xZ9", "Sub/inner.bin", "big.bin"}));
}

}  // namespace
}  // namespace tools
