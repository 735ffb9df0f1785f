#include "ZQwinSrv/foundation/clsProgressDisplay.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "ZQwinSrv/server/WebDavControl.h"
#include "platform/errors/ErrorTesting.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/objects/DispatchObject.h"
#include "platform/text/UserLocale.h"
#include "platform/ui/EventPump.h"

namespace OrvaneSrv {
namespace {

// What the restore program's call-back objects see and answer; shared by
// every object, since the bridge makes a new one per call.
struct FakeProgram {
  vb::Variant monitorAnswer = vb::Variant::FromInteger(1);
  bool deleteCancelled = false;
  bool searchStopped = false;
  std::vector<vb::Variant> lastUpdate;
  int updateCalls = 0;
  QString lastItem;
  int created = 0;
  int alive = 0;
};
FakeProgram gProgram;

// The program's call-back class as the bridge calls it: its members, with
// the program's parameter passing, and no "updateEncPassword".
class FakeMonitor : public win::DispatchObject {
 public:
  FakeMonitor() {
    ++gProgram.created;
    ++gProgram.alive;
  }
  ~FakeMonitor() override { --gProgram.alive; }

  const win::MemberTable& Members() const override {
    using A = win::DispatchArgs;
    static const auto table = win::MemberTable::Of<FakeMonitor>(
        "clsMonitor", {
                          {"UpdateMonitor", win::Method, win::Params::ByRef(12).OptionalByRef().OptionalByVal(),
                           [](FakeMonitor&, A& a) {
                             ++gProgram.updateCalls;
                             gProgram.lastUpdate.clear();
                             for (int i = 0; i < a.Count(); ++i) gProgram.lastUpdate.push_back(a[i]);
                             return gProgram.monitorAnswer;
                           }},
                          {"updateDelProgress", win::Method, win::Params::ByVal(),
                           [](FakeMonitor&, A& a) {
                             gProgram.lastItem = a[0].ToString();
                             return vb::Variant(gProgram.deleteCancelled);
                           }},
                          {"updateSearchProgress", win::Method, win::Params::ByVal(),
                           [](FakeMonitor&, A& a) {
                             gProgram.lastItem = a[0].ToString();
                             return vb::Variant(gProgram.searchStopped);
                           }},
                      });
    return table;
  }
};

class ProgressDisplayTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    gProgram = {};
  }
  void TearDown() override {
    monitorClass_.reset();
    EngineTest::TearDown();
  }
  // The running program offers its call-back class.
  void OfferMonitor() {
    monitorClass_.emplace(win::RegisterClassObject(
        {"{9B0C61D2-3E4F-4A57-8C19-2D6E7F80A1B3}", kMonitorProgId, [] { return std::make_shared<FakeMonitor>(); },
         win::ServerKind::LocalServer, "C:\\Prog\\OrvaneMacRestore_100.exe", {}}));
  }
  static QString DavErr() { return gWebDavControl().GetDavErr(); }

  clsProgressDisplay display_;
  std::optional<win::ClassRegistration> monitorClass_;
  vb::ScopedUserLocale locale_{vb::UserLocale::EnglishUS()};
};

TEST_F(ProgressDisplayTest, AStopAnswerCancelsOnlyWhileAJobRuns) {
  OfferMonitor();
  EngineState& g = Engine();
  g.gbCommonFlag = true;
  display_.MonitorCall();
  EXPECT_FALSE(g.gbCancelled);
  EXPECT_EQ(g.giMonitorAnswer, 1);
  EXPECT_EQ(DavErr(), "");

  gProgram.monitorAnswer = vb::Variant::FromInteger(0);
  display_.MonitorCall();
  EXPECT_TRUE(g.gbCancelled);
  EXPECT_EQ(g.giMonitorAnswer, 0);
  EXPECT_EQ(DavErr(), "Operation canceled by user.");
  // A new object per call, each released before the call returns.
  EXPECT_EQ(gProgram.created, 2);
  EXPECT_EQ(gProgram.alive, 0);

  // Without a running job the stop still leaves its text, but cancels nothing.
  ResetEngineForTesting();
  Engine().giMode = 1;
  display_.MonitorCall();
  EXPECT_FALSE(Engine().gbCancelled);
  EXPECT_EQ(DavErr(), "Operation canceled by user.");
}

TEST_F(ProgressDisplayTest, ReportsTheRecordOfTheRunningRoute) {
  OfferMonitor();
  EngineState& g = Engine();
  g.gdTotalFileSize = 9000;
  g.gfStartTime = 3600.5f;
  g.gsTimeElapsed = "00:00:07";
  g.gsTimeRemaining = "00:01:00";
  ProgressRecord& rsync = g.gRsyncProgress;
  rsync.sFileName = "/users/bob/Files/a.txt";
  rsync.dFileSize = 2048;
  rsync.dfileBuff = 1024;
  rsync.dTotalBuffer = 3072;
  rsync.dTotalDone = 111;  // the writers' own field: not reported
  rsync.sTrfRate = "12.5 KB/sec";
  rsync.iFileProg = 50;
  rsync.iTotalProg = 34;
  rsync.engNumber = 1;
  rsync.sBkStatus = 7;
  display_.MonitorCall();
  ASSERT_EQ(gProgram.lastUpdate.size(), 14u);
  const std::vector<vb::Variant> expected{QString("/users/bob/Files/a.txt"),
                                          2048.0,
                                          9000.0,
                                          1024.0,
                                          3072.0,
                                          QString("12.5 KB/sec"),
                                          vb::Variant::FromInteger(50),
                                          vb::Variant::FromInteger(34),
                                          3600.5f,
                                          QString("00:00:07"),
                                          QString("00:01:00"),
                                          vb::Variant::FromInteger(1),
                                          vb::Variant::FromInteger(0),
                                          vb::Variant::FromLong(7)};
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(gProgram.lastUpdate[i], expected[i]) << "argument " << i + 1;

  // A WebDAV restore reports its own record, marked as a transfer with status 3.
  g.gbWebdavRestore = true;
  g.gWebdavProgress.sFileName = "b.doc";
  display_.MonitorCall();
  EXPECT_EQ(gProgram.lastUpdate[0].ToString(), "b.doc");
  EXPECT_EQ(gProgram.lastUpdate[11], vb::Variant::FromInteger(1));
  EXPECT_EQ(gProgram.lastUpdate[13], vb::Variant::FromLong(3));
  EXPECT_EQ(g.gWebdavProgress.engNumber, 1);
  EXPECT_EQ(g.gWebdavProgress.sBkStatus, 3);
}

TEST_F(ProgressDisplayTest, PreparationStepsReportTheActivityText) {
  OfferMonitor();
  int pumped = 0;
  vb::ScopedEventPump pump([&] { ++pumped; });
  EngineState& g = Engine();
  g.gdTotalFileSize = 500;
  g.gdPrepTotalBuffer = 120;
  g.gsPrepTransferRate = "1 KB/sec";
  g.gRsyncProgress.dFileSize = 77;  // the record is not reported
  g.gbCommonFlag = true;
  display_.PrepMonitorCall(3, "/users/bob/Files/Docs/", "Preparing file list", 9);
  EXPECT_EQ(pumped, 2);
  ASSERT_EQ(gProgram.lastUpdate.size(), 14u);
  EXPECT_EQ(gProgram.lastUpdate[0].ToString(), "/users/bob/Files/Docs/ Preparing file list.....");
  EXPECT_EQ(gProgram.lastUpdate[1].ToDouble(), 0);
  EXPECT_EQ(gProgram.lastUpdate[2].ToDouble(), 500);
  EXPECT_EQ(gProgram.lastUpdate[4].ToDouble(), 120);
  EXPECT_EQ(gProgram.lastUpdate[5].ToString(), "1 KB/sec");
  EXPECT_EQ(gProgram.lastUpdate[11], vb::Variant::FromInteger(0));
  EXPECT_EQ(gProgram.lastUpdate[12], vb::Variant::FromInteger(1));
  EXPECT_EQ(gProgram.lastUpdate[13], vb::Variant::FromLong(0));
  EXPECT_FALSE(g.gbCancelled);

  gProgram.monitorAnswer = vb::Variant::FromInteger(0);
  display_.PrepMonitorCall(0, "x", "Listing");
  EXPECT_TRUE(g.gbCancelled);
  EXPECT_EQ(DavErr(), "Operation canceled by user.");
  EXPECT_EQ(gProgram.alive, 0);
}

TEST_F(ProgressDisplayTest, TheServiceRunCreatesNoCallBackAndCannotCancel) {
  OfferMonitor();
  gProgram.monitorAnswer = vb::Variant::FromInteger(0);
  EngineState& g = Engine();
  g.giMode = 0;
  g.gbCommonFlag = true;
  g.giMonitorAnswer = 0;  // a stop left over from an earlier call
  const int sleepsBefore = clock_.SleepCalls();
  display_.MonitorCall();
  display_.PrepMonitorCall(0, "C:\\Data", "Scanning");
  EXPECT_EQ(clock_.SleepCalls(), sleepsBefore + 1);
  EXPECT_EQ(gProgram.created, 0);
  EXPECT_FALSE(g.gbCancelled);
  EXPECT_EQ(DavErr(), "");
}

TEST_F(ProgressDisplayTest, AFailingCallBackIsTracedAndCancelsNothing) {
  EngineState& g = Engine();
  g.gbCommonFlag = true;
  display_.MonitorCall();  // no program offers the class
  display_.PrepMonitorCall(0, "/a/", "Preparing file list");

  OfferMonitor();
  gProgram.monitorAnswer = QString("stop");  // not a number
  display_.MonitorCall();
  EXPECT_EQ(TraceLines(), QStringList({
                              "Unable to Call the monitor function Monitor Call ActiveX component can't create object",
                              "Unable to Call the monitor function PrepMonitorCall ActiveX component can't create object",
                              "Unable to Call the monitor function Monitor Call Type mismatch",
                          }));
  EXPECT_FALSE(g.gbCancelled);
  EXPECT_EQ(DavErr(), "");
  EXPECT_EQ(gProgram.alive, 0);
}

TEST_F(ProgressDisplayTest, DeleteSearchAndPasswordCallBacks) {
  // Without the program: the delete and password call-backs pass the failure
  // on, the search call-back answers "go on".
  EXPECT_EQ(vb::test::ErrorOf([&] { display_.CallBackDeleteFolder("/a/"); }), 429);
  EXPECT_FALSE(display_.CallBackSearchFolder("/a/"));

  OfferMonitor();
  EXPECT_FALSE(display_.CallBackDeleteFolder("/users/bob/Files/Old/"));
  EXPECT_EQ(gProgram.lastItem, "/users/bob/Files/Old/");
  gProgram.deleteCancelled = true;
  EXPECT_TRUE(display_.CallBackDeleteFolder("x"));

  EXPECT_FALSE(display_.CallBackSearchFolder("Docs"));
  gProgram.searchStopped = true;
  EXPECT_TRUE(display_.CallBackSearchFolder("Docs"));
  EXPECT_EQ(gProgram.lastItem, "Docs");

  // The program's class has no such member.
  EXPECT_EQ(vb::test::ErrorOf([&] { display_.CallBackEncPassword(); }), 438);
  EXPECT_EQ(gProgram.alive, 0);
  EXPECT_EQ(Trace(), "");
}

TEST_F(ProgressDisplayTest, DurationTexts) {
  struct Row {
    double seconds;
    Integer format;
    const char* text;
  };
  const Row rows[] = {
      {3725, 1, "1:02:05"},
      {65, 1, "00:01:05"},
      {5, 1, "00:00:05"},
      {0, 1, "00:00:00"},
      {90000, 1, "25:00:00"},  // not reduced to a day
      {59.5, 1, "00:01:00"},   // halves to even
      {60.5, 1, "00:01:00"},
      {3725, 0, "1 Hour(s) 02 Minute(s) 05 Second(s)."},
      {5, 0, "00:00:05 Second(s)."},
      {3725, 2, "1hr 02mins 05secs"},
      {7261, 2, "2hrs 01min 01sec "},
      {3725, 9, "1h 02m 05s"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(display_.time_Duration(row.seconds, row.format), row.text) << row.seconds << " " << row.format;
  }
  // Beyond the 32-bit range of the legacy arithmetic.
  EXPECT_EQ(display_.time_Duration(1e10, 1), "");
  EXPECT_EQ(TraceLines(), QStringList({"6Overflow"}));
}

TEST_F(ProgressDisplayTest, TimeTextsAcrossMidnightAndTheReportThatFollows) {
  OfferMonitor();
  EngineState& g = Engine();
  g.gfStartTime = 86000;
  g.gfStartTimeRsync = 86300;
  g.gsTimeRemaining = "00:09:59";
  clock_.Set(QDateTime(QDate(2026, 12, 9), QTime(0, 1, 40)));
  display_.setDisplayParam(-1);
  EXPECT_EQ(g.gsTimeElapsed, "00:08:20");
  EXPECT_EQ(g.gsTimeRemaining, "00:09:59");  // a negative estimate changes nothing
  EXPECT_EQ(g.gfPausedTime, 86000);
  EXPECT_EQ(gProgram.updateCalls, 0);  // no interactive restore

  g.giOsType = 1;
  display_.setDisplayParam(125, true);
  EXPECT_EQ(g.gsTimeElapsed, "00:03:20");
  EXPECT_EQ(g.gsTimeRemaining, "00:02:05");
  EXPECT_EQ(g.gfPausedTime, 86000);
  ASSERT_EQ(gProgram.updateCalls, 1);
  EXPECT_EQ(gProgram.lastUpdate[9].ToString(), "00:03:20");
  EXPECT_EQ(gProgram.lastUpdate[10].ToString(), "00:02:05");
}

TEST_F(ProgressDisplayTest, TotalsResetAtTheStartOfATransfer) {
  EngineState& g = Engine();
  const auto dirty = [&g] {
    g.gdDownloadedBytes = g.gdTimerSteps = g.gdTotalDone = 5;
    g.gfPausedTime = 5;
    g.gsProgressText = "x";
    g.gdTotalFileSize = 5;
    g.giMonitorAnswer = 0;
    g.gbNeedTotalSize = true;
    g.gdRestoreSetSize = 4096;
  };
  dirty();
  display_.getTotalSize();
  EXPECT_EQ(g.gdTotalFileSize, 0);
  EXPECT_TRUE(g.gbNeedTotalSize);
  EXPECT_EQ(g.gdDownloadedBytes + g.gdTimerSteps + g.gdTotalDone + g.gfPausedTime, 0);
  EXPECT_EQ(g.gsProgressText, "");
  EXPECT_EQ(g.giMonitorAnswer, 1);

  dirty();
  g.gbTotalFromRestoreSet = true;
  display_.getTotalSize();
  EXPECT_EQ(g.gdTotalFileSize, 4096);
  EXPECT_FALSE(g.gbNeedTotalSize);

  g.gdRestoreSetSize = -5;
  display_.getTotalSize();
  EXPECT_EQ(g.gdTotalFileSize, 0);
  EXPECT_EQ(TraceLines(), QStringList({"ERROR dTotalBackupSize =-5"}));
}

TEST_F(ProgressDisplayTest, TheThrottleReportsOncePerSecondOfTicks) {
  OfferMonitor();
  EngineState& g = Engine();
  // The first tick counts from a mark of 0, the whole day so far.
  display_.StopTimer();
  EXPECT_EQ(g.gfTimerSpan, 86369);
  g.gfTimerSpan = g.gfPausedTime = 0;
  clock_.Advance(600);
  display_.ShowProgress();
  EXPECT_EQ(gProgram.updateCalls, 0);
  EXPECT_NEAR(g.gfPausedTime, 0.6, 0.01);
  clock_.Advance(600);
  display_.ShowProgress();
  EXPECT_EQ(gProgram.updateCalls, 1);
  EXPECT_EQ(g.gfTimerSpan, 0);
  EXPECT_NEAR(g.gfPausedTime, 1.2, 0.01);

  // Past midnight the clock starts at 0 again: that tick adds nothing.
  clock_.Set(QDateTime(QDate(2026, 12, 9), QTime(0, 0, 1)));
  display_.StopTimer();
  EXPECT_EQ(g.gfTimerSpan, 0);
  EXPECT_EQ(g.gfTimerLast, 1);
}

TEST_F(ProgressDisplayTest, FolderSizeOrOneWhenUnreadable) {
  WriteBytes("Data/a.bin", QByteArray(100, 'a'));
  WriteBytes("Data/sub/b.bin", QByteArray(23, 'b'));
  EXPECT_EQ(display_.GetFolderSize("C:\\Data"), 123);
  EXPECT_EQ(display_.GetFolderSize("C:\\Missing"), 1);
}

}  // namespace
}  // namespace OrvaneSrv
