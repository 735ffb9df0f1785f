// The parts of the ranged download and of the restoring of one file that
// need no server: the remaining-time rule and the names refused before any
// request is sent.
#include "ZQwinSrv/server/WebDavControl.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <gtest/gtest.h>

#include "ZQwinSrv/server/WebDavRequests.h"
#include "ZQwinSrv/server/clsWebdavController.h"

namespace OrvaneSrv {
namespace {

constexpr double kGB = 1073741824.0;

TEST(IsSizeOverGB, ShowsLongRemainingTimesOnlyForLargeSets) {
  struct Row {
    double size;
    Long hours;
    bool shown;
  };
  const Row rows[] = {{0, 0, true},         {0, 1, true},           {100 * kGB, 2, false}, {kGB, 3, true},
                      {kGB - 1, 3, false},  {5 * kGB, 7, true},     {4 * kGB, 7, false},   {10 * kGB, 12, true},
                      {9.9 * kGB, 12, false}, {100 * kGB, 13, false}};
  for (const Row& row : rows) {
    EXPECT_EQ(WebDavControl::IsSizeOverGB(row.size, row.hours), row.shown) << row.size << " " << row.hours;
  }
}

TEST(ParseContentRange, TakesOnlyWellFormedRanges) {
  struct Row {
    const char* value;
    bool parsed;
    qint64 first, last, total;
  };
  const Row rows[] = {
      {"bytes 0-4/5", true, 0, 4, 5},
      {"bytes 131072-196607/4294967301", true, 131072, 196607, 4294967301},
      {"Bytes  0-4 / * ", true, 0, 4, -1},
      {"bytes */0", true, -1, -1, 0},
      {"bytes */*", false, 0, 0, 0},
      {"bytes 5-4/10", false, 0, 0, 0},
      {"bytes 0-10/10", false, 0, 0, 0},
      {"bytes -1-4/10", false, 0, 0, 0},
      {"bytes 0-4/1234567890123456789", false, 0, 0, 0},
      {"bytes 0-4", false, 0, 0, 0},
      {"items 0-4/5", false, 0, 0, 0},
      {"", false, 0, 0, 0},
  };
  for (const Row& row : rows) {
    const auto range = ParseContentRange(row.value);
    ASSERT_EQ(range.has_value(), row.parsed) << row.value;
    if (!range) continue;
    EXPECT_EQ(range->first, row.first) << row.value;
    EXPECT_EQ(range->last, row.last) << row.value;
    EXPECT_EQ(range->total, row.total) << row.value;
  }
}

class DownloadTest : public EngineTest {};

TEST_F(DownloadTest, ProgressKeepsALongRemainingTimeOnlyForALargeSet) {
  EngineState& g = Engine();
  WebDavControl dav;
  for (const double total : {0.5 * kGB, 2 * kGB}) {
    g.gdTotalFileSize = total;
    g.gdTotalDone = 0;
    g.gsTimeRemaining = "03:10:00";
    dav.updateprogress("My Orvane/a.bin", 0, 1000, 1500, 1000, 0);
    EXPECT_EQ(g.gWebdavProgress.sTimeRemaining, total > kGB ? "03:10:00" : "");
    EXPECT_EQ(g.gWebdavProgress.iFileProg, 100);  // a sum beyond the size counts as the size
    EXPECT_EQ(g.gWebdavProgress.dfileBuff, 1000);
    EXPECT_EQ(g.gdTotalDone, 1000);
  }
}

TEST_F(DownloadTest, NamesThatCannotBecomeALocalPathAreRefusedAndCountedAsFailed) {
  Engine().gsAccountRoot = "/users/u/Files/";
  Engine().gbWebdavRestoreOk = true;
  clsWebdavController controller;
  const QString reason =
      ", Reason : Windows does not allow special characters like \\ / : * ? \" > < | in file name";
  for (const QString& path : {QString("/users/u/Files/C/a:b.txt"), QString("/users/u/Files/C/../../x.txt"),
                              QString("/users/u/Files/C/./x.txt"), QString("/users/u/Files/C//x.txt"),
                              QString("/users/u/Files/C/a\tb/x.txt"), QString("/users/u/Files/C/a\\b/x.txt")}) {
    EXPECT_FALSE(controller.Cont_RestoreFile(path, "C:\\R\\"));
    const QByteArray log = Bytes("Prog/OrvaneMac/OrvaneLogFile.txt");
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(log.constData()), log.size() / 2);
    // A control character shows as its escape.
    const QString shown = path.mid(15).replace("\t", "\\#011");
    EXPECT_TRUE(text.contains("Could not restore the file My Orvane/" + shown + reason)) << path.toStdString();
  }
  // A local folder that climbs out of the destination is refused as well.
  EXPECT_FALSE(controller.Cont_RestoreFile("/users/u/Files/C/x.txt", "C:\\R\\..\\..\\"));
  EXPECT_EQ(Engine().gdFilesConsidered, 7);
  EXPECT_EQ(Engine().gdFilesFailed, 7);
  EXPECT_FALSE(Engine().gbWebdavRestoreOk);
}

}  // namespace
}  // namespace OrvaneSrv
