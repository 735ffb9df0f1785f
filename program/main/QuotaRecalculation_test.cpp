// The quota recalculation of the main window: the five-second notice on an
// injected clock, what the engine is asked afterwards, the releases that do
// nothing, the high-resolution notice and the link's hand pointer.
#include "program/main/QuotaRecalculation.h"

#include <gtest/gtest.h>

#include "platform/clock/FakeClock.h"
#include "platform/ui/EventPump.h"
#include "program/browse/BrowseTestSupport.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/session/FakeEngineController.h"
#include "program/windows/Twips.h"

namespace OrvaneMac {
namespace {

using testing::ScopedFakeEngines;

const QString kNotice = QStringLiteral(
    "Recalculating quota may take some time based on your account size. The quota field will automatically update "
    "when it is complete.");

class RecalculationTest : public ProgramTest {
 protected:
  void SetUp() override {
    testing::App();
    ProgramTest::SetUp();
    ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
    engines_.emplace();
    main_.emplace();
    Twips::SetPlace(MainWindow().lblrecalculate, 150, 600, 1200, 300);
    Program().RemoteTreeConnected = true;
    Program().RemoteRootKey = "/users/jdoe/Files/";
    Program().ShownAccountName = "jdoe";
    QuotaRecalc() = {};
  }
  void TearDown() override {
    QuotaRecalc() = {};
    main_.reset();
    engines_.reset();
    ProgramTest::TearDown();
  }
  // A press and a release of `button` on the link.
  void Click(Qt::MouseButton button = Qt::LeftButton) {
    bool overTree = true;
    lblrecalculate_MouseDown(overTree);
    EXPECT_FALSE(overTree);
    lblrecalculate_MouseUp(button);
  }
  static bool NoticeShown() { return MainWindow().PicRecalcMess && MainWindow().PicRecalcMess->isVisibleTo(MainWindow().Smart); }

  std::optional<ScopedFakeEngines> engines_;
  std::optional<testing::MiniMainWindow> main_;
};

TEST_F(RecalculationTest, TheNoticeStandsFiveSecondsThenTheServiceIsAskedAndTheRowRefreshed) {
  vb::FakeClock clock;
  vb::ScopedClock useClock(clock);
  struct Pump {
    bool shown;
    std::int64_t slept;
    qsizetype engineCalls;
  };
  std::vector<Pump> pumps;
  QString caption;
  {
    vb::ScopedEventPump pump([&] {
      pumps.push_back({NoticeShown(), clock.TotalSleptMs(), engines_->record->calls.size()});
      if (NoticeShown()) caption = MainWindow().lblRecalcMess->Caption();
      if (pumps.size() == 1) testing::SaveScreenshot(main_->window.get(), "quota_recalculate_notice");
    });
    Click();
  }
  // Shown, then five one-second waits with the window kept alive, then
  // hidden; the service is asked only afterwards.
  ASSERT_EQ(pumps.size(), 8u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_TRUE(pumps[static_cast<size_t>(i)].shown) << i;
    EXPECT_EQ(pumps[static_cast<size_t>(i)].slept, i * 1000) << i;
  }
  EXPECT_FALSE(pumps[6].shown);
  EXPECT_FALSE(pumps[7].shown);
  for (const Pump& p : pumps) EXPECT_EQ(p.engineCalls, 0);
  EXPECT_EQ(caption, kNotice);
  EXPECT_EQ(Twips::Left(MainWindow().PicRecalcMess), 150);
  EXPECT_EQ(Twips::Top(MainWindow().PicRecalcMess), 600 + 300 - 60);
  QStringList calls = engines_->Take();
  calls.removeIf([](const QString& c) { return c.contains("InitEngine"); });
  EXPECT_EQ(calls, QStringList({"1:Cont_CheckZQAcountStatus(ZQDiskSpaceUpdate)",
                                "1:Cont_GetRemoteDirContents(/users/jdoe/Files/)", "1:Cont_GetQuotaInfo()"}));
  EXPECT_EQ(MainWindow().lblUserQuota->Caption(), "Quota Used: 10 MB Out of 100 MB");
  EXPECT_FALSE(QuotaRecalc().bRecalcBusy);
  // The press mark stays until the main window's resize clears it.
  EXPECT_TRUE(QuotaRecalc().bRecalcDown);
  EXPECT_EQ(MainMousePointer(), 0);
  testing::SaveScreenshot(main_->window.get(), "quota_row_recalculated");
}

TEST_F(RecalculationTest, ReleasesThatDoNothing) {
  vb::FakeClock clock;
  vb::ScopedClock useClock(clock);
  struct Case {
    const char* name;
    std::function<void()> act;
  };
  const Case cases[] = {
      {"right button", [this] { Click(Qt::RightButton); }},
      {"no press first", [] { lblrecalculate_MouseUp(Qt::LeftButton); }},
      {"a run already going",
       [this] {
         QuotaRecalc().bRecalcBusy = true;
         Click();
         QuotaRecalc().bRecalcBusy = false;
       }},
      {"a restore running",
       [this] {
         Program().RestoreRunning = true;
         Click();
         lblrecalculateClick();
         Program().RestoreRunning = false;
       }},
      {"a search running",
       [this] {
         Program().SearchInProgress = true;
         Click();
         Program().SearchInProgress = false;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QuotaRecalc().bRecalcDown = false;
    c.act();
    EXPECT_EQ(clock.TotalSleptMs(), 0);
    EXPECT_FALSE(NoticeShown());
    EXPECT_TRUE(engines_->Take().isEmpty());
  }
  // A middle button release after a press does start it.
  Click(Qt::MiddleButton);
  EXPECT_EQ(clock.TotalSleptMs(), 5000);
}

TEST_F(RecalculationTest, ASecondReleaseDuringTheNoticeIsIgnoredAndALaterOneRunsAgain) {
  vb::FakeClock clock;
  vb::ScopedClock useClock(clock);
  {
    vb::ScopedEventPump pump([&] {
      if (NoticeShown()) lblrecalculate_MouseUp(Qt::LeftButton);
    });
    Click();
  }
  EXPECT_EQ(clock.TotalSleptMs(), 5000);
  EXPECT_EQ(engines_->Take().filter("ZQDiskSpaceUpdate").size(), 1);
  Click();
  EXPECT_EQ(clock.TotalSleptMs(), 10000);
  EXPECT_EQ(engines_->Take().filter("ZQDiskSpaceUpdate").size(), 1);
}

TEST_F(RecalculationTest, OnAHighResolutionScreenTheNoticeIsCutAndTheWholeTextIsItsTooltip) {
  ScopedTwipsPerPixel dpi(12, 12);
  vb::FakeClock clock;
  vb::ScopedClock useClock(clock);
  QString caption;
  {
    vb::ScopedEventPump pump([&] {
      if (NoticeShown()) caption = MainWindow().lblRecalcMess->Caption();
    });
    Click();
  }
  EXPECT_EQ(caption, kNotice.left(75) + " ...");
  EXPECT_EQ(MainWindow().lblRecalcMess->toolTip(), kNotice);
  EXPECT_EQ(MainWindow().PicRecalcMess->toolTip(), kNotice);
  EXPECT_EQ(Twips::Width(MainWindow().lblRecalcMess), Twips::Width(MainWindow().PicRecalcMess) - 300);
}

TEST_F(RecalculationTest, TheHandShowsOnlyAfterThePointerWasOverTheTreeAndTheRecalculationRemovesIt) {
  PictureBox* link = MainWindow().lblrecalculate;
  lblrecalculate_MouseMove(false);
  EXPECT_FALSE(link->testAttribute(Qt::WA_SetCursor));
  lblrecalculate_MouseMove(true);
  EXPECT_EQ(link->cursor().shape(), Qt::BitmapCursor);
  lblrecalculateClick();
  EXPECT_FALSE(link->testAttribute(Qt::WA_SetCursor));
}

}  // namespace
}  // namespace OrvaneMac
