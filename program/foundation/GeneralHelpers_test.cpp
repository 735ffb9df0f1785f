#include "program/foundation/GeneralHelpers.h"

#include <gtest/gtest.h>

#include "ZQwinSrv/facade/ClassRegistration.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/foundation/SystemHelpers.h"
#include "platform/text/TestLocales.h"

namespace OrvaneMac {
namespace {

using namespace modGeneral;

class GeneralHelpersTest : public ProgramTest {};

TEST_F(GeneralHelpersTest, BusyWhileAnyJobRuns) {
  EXPECT_FALSE(JobProgressCheck());
  for (bool ProgramState::*flag : {&ProgramState::BackupRunning, &ProgramState::RestoreRunning,
                                   &ProgramState::SyncRunning, &ProgramState::OtherJobRunning,
                                   &ProgramState::SearchInProgress}) {
    Program().*flag = true;
    EXPECT_TRUE(JobProgressCheck());
    Program().*flag = false;
  }
  EXPECT_FALSE(JobProgressCheck());
}

TEST_F(GeneralHelpersTest, EngineErrorTextForDisplay) {
  Program().LastEngineError = "Unable to connect\r\nReason: 12029";
  EXPECT_EQ(dav_geterrorstring(), "Unable to connect");
  Program().LastEngineError = QString("first") + QChar(0) + "rest";
  EXPECT_EQ(dav_geterrorstring(), "first");
  EXPECT_GE(getMajorVersion(), 6);
  EXPECT_GE(getMinorVersion(), 0);
}

TEST_F(GeneralHelpersTest, ZoneOffsetsInSeconds) {
  struct Row {
    QString offset;
    QString seconds;
    QString offsetAfter;
  };
  const Row rows[] = {
      {"+0530", "19800", "+0530"},  {"-0800", "-28800", "-0800"}, {"+05", "18000", "+0500"},
      {"+1030", "37800", "+1030"},  {"-0000", "0", "-0000"},      {" +0060 ", "3600", " +0060 "},
      {"abcde", "19800", "abcde"},  {"+05x0", "19800", "+05x0"},
  };
  for (const Row& row : rows) {
    QString offset = row.offset;
    EXPECT_EQ(Secondcalculation(offset), row.seconds) << row.offset.toStdString();
    EXPECT_EQ(offset, row.offsetAfter);
  }
  EXPECT_EQ(TraceLines(), (QStringList{"Error in Secondcalculation Reason : Type mismatch",
                                       "Error in Secondcalculation Reason : Type mismatch"}));
}

TEST_F(GeneralHelpersTest, ListingDatesShiftedByTheZone) {
  EXPECT_EQ(ConvertStdTime("12/08/2026 23:00:00", "[IST] Indian Standard", "+0530"), "12/9/2026 4:30:00 AM");
  EXPECT_EQ(ConvertStdTime("3/29/2026 1:30:00", "", "-0800"), "3/28/2026 5:30:00 PM");
  EXPECT_EQ(ConvertStdTime("not a date", "", "+0530"), "not a date");
  EXPECT_EQ(TraceLines(), QStringList{"Error in ConvertStdTime Reason : Type mismatch"});
}

TEST_F(GeneralHelpersTest, TimeZoneTableKeepsItsIrregularTexts) {
  AssignDataToArray();
  const auto& table = Program().TimeZoneTable;
  EXPECT_EQ(table[0], "[ACDT] Australian Central Daylight,+1030");
  EXPECT_EQ(table[1], "[ACST] Australian Central Standard, +0930");
  EXPECT_EQ(table[2], "[ADT] (US) Atlantic Daylight,-0300,");
  EXPECT_EQ(table[39], "[IST] Indian Standard,+0530");
  EXPECT_EQ(table[41], "[JST] Japan Standard,+0900");
  EXPECT_EQ(table[58], "[PDT] (US) Pacific Daylight,-0700,");
  EXPECT_EQ(table[81], "[ZP6] USSR Zone 5,+0060");
  for (const QString& entry : table) EXPECT_TRUE(entry.startsWith(u'[')) << entry.toStdString();
}

TEST_F(GeneralHelpersTest, ExclusionListsAndPatterns) {
  QString path = "C:\\Data\\Tax\\";
  EXPECT_FALSE(IsExcludedItem(path, "Folder"));
  EXPECT_EQ(path, "C:\\Data\\Tax") << "the trailing separator goes even when nothing is excluded";

  Program().ExcludedFolderList = "c:\\other1\nC:\\DATA\\TAX1\n";
  path = "C:\\Data\\Tax\\";
  EXPECT_TRUE(IsExcludedItem(path, "Folder"));
  path = "C:\\Data\\Tax";
  EXPECT_FALSE(IsExcludedItem(path, "folder")) << "the kind is compared exactly";
  EXPECT_FALSE(IsExcludedItem(path, "File"));
  path = "C:\\Data";
  EXPECT_FALSE(IsExcludedItem(path, "Folder"));

  Items(Program().FileExcludePatterns)->Add(vb::Variant(QString(" TMP ")));
  Items(Program().FileExcludePatterns)->Add(vb::Variant(QString("[")));  // no valid pattern
  for (const auto& [file, excluded] : std::initializer_list<std::pair<QString, bool>>{
           {"C:\\x\\a.tmp", true}, {"C:\\x\\TMPfile.txt", true}, {"C:\\tmp\\a.txt", false}}) {
    QString p = file;
    EXPECT_EQ(IsExcludedItem(p, "File"), excluded) << file.toStdString();
  }
}

TEST_F(GeneralHelpersTest, AccountStatusIsZeroWithoutAnEngineControllerAndTheEnginesAnswerWithOne) {
  EXPECT_EQ(CheckAccountStatus("jo", "secret"), 0);
  OrvaneSrv::RegisterEngineClasses();
  // A blank password is never sent: the engine answers "no finding".
  EXPECT_EQ(CheckAccountStatus("jo", "  "), 3);
}

TEST_F(GeneralHelpersTest, SizeTextsReadBack) {
  struct Row {
    const char* text;
    double bytes;
  };
  const Row rows[] = {
      {"1 KB", 1024},         {"1 GB", 1073741824},     {"12 B", 12},       {"1 kb", 1024},
      {"1.50 KB", 1536},      {"1,024.00 MB", 1073741824}, {"5 TB", 0},     {"5", 0},
      {" MB", 0},             {"1  MB", 0},              {"abc MB", 0},
  };
  for (const Row& row : rows) EXPECT_EQ(GetSizeinBytes(row.text), row.bytes) << row.text;
  EXPECT_EQ(TraceLines(), QStringList{"Error in GetSizeinBytes. Type mismatch"});

  // Every size text the program writes reads back as its rounded value, in
  // the locale it was written in.
  for (const vb::UserLocale& locale : {vb::UserLocale::EnglishUS(), vb::test::German()}) {
    vb::ScopedUserLocale pinned(locale);
    for (double bytes : {500.0, 1024.0, 1536.0, 1048576.0, 3.0 * 1073741824, 5.0 * 1073741824}) {
      EXPECT_EQ(GetSizeinBytes(GetProperSizeValue(bytes)), bytes) << GetProperSizeValue(bytes).toStdString();
    }
  }
  vb::ScopedUserLocale german(vb::test::German());
  EXPECT_EQ(GetSizeinBytes("1,5 MB"), 1.5 * 1048576);
}

}  // namespace
}  // namespace OrvaneMac
