#include "program/foundation/DBaction.h"

#include <gtest/gtest.h>

#include "program/foundation/ProgramTestFixture.h"

namespace OrvaneMac {
namespace {

const QString k251 = QString(2, QChar(0xFB));
const QString k8 = QString(2, QChar(8));

class DBactionTest : public ProgramTest {
 protected:
  // Writes a UTF-16 table of the lines (CR LF after each) below C:\Prog.
  void Table(const QString& name, const QStringList& lines) {
    QString text;
    for (const QString& line : lines) text += line + "\r\n";
    WriteBytes("Prog/" + name, Bom() + Utf16(text));
  }
  static QString Path(const QString& name) { return "C:\\Prog\\" + name; }
};

TEST_F(DBactionTest, KeyedRecordsMatchTheirKeyExactlyAtTheFirstSeparatorPair) {
  Table("t.txt", {"abc" + k251 + "data", "abc" + k8 + "other", "x" + k8 + "y" + k251 + "z", "nokey"});
  struct Case {
    QString key;
    bool found;
    QString record;
  };
  const Case cases[] = {
      {"abc", true, "abc" + k251 + "data"},    // the first matching line wins
      {"ABC", false, ""},                      // case counts
      {"x" + k8 + "y", true, "x" + k8 + "y" + k251 + "z"},  // split at the 251 pair, wherever the other stands
      {"x", false, ""},
      {"nokey", false, ""},                    // a line without a separator is skipped
  };
  for (const Case& c : cases) {
    std::vector<QString> records{"old", "kept"};
    Integer unicode = 0;
    EXPECT_EQ(DBaction::ReadTableRecords(c.key, Path("t.txt"), records, unicode), c.found) << c.key.toStdString();
    EXPECT_EQ(records[0], c.record);
    EXPECT_EQ(records[1], "kept");
  }
}

TEST_F(DBactionTest, AllRecordsOfATable) {
  Table("t.txt", {"one", "two", "three"});
  Integer unicode = 0;
  EXPECT_EQ(DBaction::GetRecordCount(Path("t.txt"), unicode), 3);
  std::vector<QString> records(4);
  EXPECT_TRUE(DBaction::ReadTableRecords("", Path("t.txt"), records, unicode));
  EXPECT_EQ(records, (std::vector<QString>{"one", "two", "three", ""}));

  std::vector<QString> tooSmall(2);
  EXPECT_FALSE(DBaction::ReadTableRecords("", Path("t.txt"), tooSmall, unicode));

  // An empty table leaves the array as it was; a missing one reads as empty.
  Table("empty.txt", {});
  std::vector<QString> untouched{"a", "b"};
  EXPECT_FALSE(DBaction::ReadTableRecords("", Path("empty.txt"), untouched, unicode));
  EXPECT_EQ(untouched, (std::vector<QString>{"a", "b"}));
  EXPECT_FALSE(DBaction::ReadTableRecords("", Path("missing.txt"), untouched, unicode));
  EXPECT_EQ(DBaction::GetRecordCount(Path("missing.txt"), unicode), 0);
  EXPECT_FALSE(DBaction::ReadTableRecords("k", Path("missing.txt"), untouched, unicode));
  EXPECT_EQ(untouched[0], "");
}

TEST_F(DBactionTest, AnsiFlagReadsTheSystemCodePage) {
  WriteBytes("Prog/a.txt", QByteArray("caf\xE9") + '\xFB' + '\xFB' + "x\r\n");
  std::vector<QString> records(1);
  Integer ansi = -1;
  EXPECT_TRUE(DBaction::ReadTableRecords(QString::fromUtf8("caf\u00e9"), Path("a.txt"), records, ansi));
  EXPECT_EQ(records[0], QString::fromUtf8("caf\u00e9") + k251 + "x");
}

TEST_F(DBactionTest, BackupSetNames) {
  EXPECT_EQ(DBaction::GetBackSetName("Docs" + QString(QChar(8)) + "C:\\a\\" + QChar(8)), "Docs");
  EXPECT_EQ(DBaction::GetBackSetName("no separator"), "");
  EXPECT_EQ(DBaction::GetBackSetName(""), "");
}

TEST_F(DBactionTest, RebuildsStopAtTheFirstDuplicateKeepingWhatCameBefore) {
  Table("mail.txt", {"a", "b", "a", "c"});
  auto list = std::make_shared<vb::Collection>();
  list->Add(QString("stale"));
  DBaction::DB_ReadMaildata(list, Path("mail.txt"));
  ASSERT_EQ(list->Count(), 2);
  EXPECT_EQ(list->Item(1).ToString(), "a");
  EXPECT_EQ(list->Item(2).ToString(), "b");
  const QStringList trace = TraceLines();
  EXPECT_EQ(trace.first(), "Enter DB_ReadMaildata");
  EXPECT_TRUE(trace.last().startsWith("Error Reason :")) << trace.last().toStdString();
  EXPECT_TRUE(trace.last().endsWith("in procedure DB_ReadMaildata of Module DBaction"));
  EXPECT_FALSE(trace.contains("Exit DB_ReadMaildata"));

  const QChar bs(8);
  Table("OrvaneMac/acct/BacksetData.txt",
        {QString("Docs") + bs + "C:\\Docs\\" + bs, QString("Mail") + bs + "C:\\m.pst" + bs, QString("Docs") + bs});
  Program().BackupSetListFile = Path("OrvaneMac\\acct\\BacksetData.txt");
  DBaction::DB_ReadBackdata();
  const vb::CollectionPtr sets = Program().BackupSetNameList;
  ASSERT_TRUE(sets);
  ASSERT_EQ(sets->Count(), 2);
  EXPECT_TRUE(sets->HasKey("docs"));
  EXPECT_EQ(sets->Item(vb::Variant(QString("Mail"))).ToString(), QString("Mail") + bs + "C:\\m.pst" + bs);
  EXPECT_TRUE(TraceLines().last().endsWith("in procedure DB_ReadBackdata of Module DBaction"));
}

TEST_F(DBactionTest, ClearingEmptiesOrReportsAMissingCollection) {
  auto list = std::make_shared<vb::Collection>();
  DBaction::ClearBacksetData(list);  // empty: nothing happens
  list->Add(QString("x"));
  list->Add(QString("y"));
  DBaction::ClearBacksetData(list);
  EXPECT_EQ(list->Count(), 0);
  EXPECT_FALSE(Exists("Prog/OrvaneMac/TraceFile.txt"));
  DBaction::ClearBacksetData(nullptr);
  EXPECT_EQ(TraceLines().last(), "Error Reason :Object variable or With block variable not setin procedure "
                                 "ClearBacksetData of Module DBaction");
}

}  // namespace
}  // namespace OrvaneMac
