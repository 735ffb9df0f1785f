// The wait box: its look, its size on screens of more than 96 dpi, and the
// cancel request that only UpdateProcess answers.
#include "program/progress/PreStatus.h"

#include <QApplication>

#include <gtest/gtest.h>

#include "program/foundation/ProgramTestFixture.h"
#include "program/windows/Twips.h"
#include "program/windows/WindowsTestSupport.h"

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

class PreStatusTest : public ProgramTest {
 protected:
  void SetUp() override {
    App();
    ProgramTest::SetUp();
    Program().AppTitle = QStringLiteral("Orvane for Mac - Windows Restore");
  }
  void TearDown() override {
    if (Box().IsLoaded()) Box().Unload();
    ProgramTest::TearDown();
  }
  static PreStatus& Box() { return PreStatus::Instance(); }
};

TEST_F(PreStatusTest, ShowsTheTitleTheStatusAndTheAnimationWithoutACloseButton) {
  Box().ShowWithStatus("Loading ...");
  EXPECT_EQ(Box().lblTitle()->Caption(), "Orvane for Mac - Windows Restore");
  EXPECT_EQ(Box().status()->Caption(), "Loading ...");
  EXPECT_TRUE(Box().Animation1()->IsPlaying());
  EXPECT_FALSE(Box().comcancel()->isVisible());
  EXPECT_TRUE(Box().Window()->isVisible());
  EXPECT_FALSE(Box().Window()->isModal());
  EXPECT_DOUBLE_EQ(Twips::Width(Box().Window()), 5865);
  EXPECT_DOUBLE_EQ(Twips::Height(Box().Window()), 2880);
  EXPECT_FALSE(SaveScreenshot(Box().Window(), "wait_box").isEmpty());
}

TEST_F(PreStatusTest, AboveNinetySixDpiTheBoxIsAlways4690By2300) {
  for (int twipsPerPixel : {12, 10}) {
    SCOPED_TRACE(twipsPerPixel);
    ScopedTwipsPerPixel dpi(twipsPerPixel, twipsPerPixel);
    Box().Load();
    EXPECT_DOUBLE_EQ(Twips::Width(Box().Window()), 4690);
    EXPECT_DOUBLE_EQ(Twips::Height(Box().Window()), 2300);
    const double factor = (1440.0 / twipsPerPixel) / 96;
    EXPECT_NEAR(Twips::Left(Box().lblClose()), 6255 / factor, 0.01);
    Box().Unload();
  }
}

TEST_F(PreStatusTest, AltCIsACancelRequestThatLastsUntilTheNextLoad) {
  Box().ShowWithStatus("Refreshing ...");
  Box().Window()->activateWindow();
  for (int i = 0; i < 20 && !Box().Window()->isActiveWindow(); ++i) QApplication::processEvents();
  EXPECT_FALSE(Box().UpdateProcess("a"));
  TypeKey(Box().Window(), Qt::Key_C, Qt::AltModifier | Qt::ShiftModifier);
  TypeKey(Box().Window(), Qt::Key_C, Qt::AltModifier | Qt::ControlModifier);
  EXPECT_FALSE(Box().UpdateProcess("b"));
  if (!Box().Window()->isActiveWindow()) GTEST_SKIP() << "the platform gives the box no focus";
  TypeKey(Box().Window(), Qt::Key_C, Qt::AltModifier);
  EXPECT_TRUE(Box().UpdateProcess("c"));
  EXPECT_EQ(Box().status()->Caption(), "c");
  EXPECT_TRUE(Box().IsLoaded());
  Box().Unload();
  EXPECT_FALSE(Box().UpdateProcess("d"));  // loads it again, hidden
  EXPECT_FALSE(Box().Window()->isVisible());
}

}  // namespace
}  // namespace OrvaneMac
