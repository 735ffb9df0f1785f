// The wait box on a real X display: shown by a caller whose work then holds
// the thread, the box is already drawn on the screen, title and status
// readable. The test runs itself again under a virtual X server (xvfb-run)
// with the xcb platform, and skips when no server can be started.
#include "program/progress/PreStatus.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QScreen>

#include <gtest/gtest.h>

#include "program/foundation/ProgramTestFixture.h"
#include "program/windows/WindowsTestSupport.h"

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

constexpr char kChildMarker[] = "ORVANE_WAIT_BOX_CHILD";

// Pixels of `area` in `shot` near `colour`, and dark ones (text).
struct Census {
  int near = 0;
  int dark = 0;
  int all = 0;
};
Census Count(const QImage& shot, const QRect& area, QColor colour) {
  Census c;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor p = shot.pixelColor(x, y);
      ++c.all;
      if (std::abs(p.red() - colour.red()) + std::abs(p.green() - colour.green()) +
              std::abs(p.blue() - colour.blue()) <=
          12) {
        ++c.near;
      }
      if (p.lightness() < 90 && p.lightness() > 0) ++c.dark;
    }
  }
  return c;
}

class WaitBoxOnScreen : public ProgramTest {};

TEST_F(WaitBoxOnScreen, IsDrawnBeforeTheCallersWorkHoldsTheThread) {
  const QString ranFile = qEnvironmentVariable(kChildMarker);
  if (ranFile.isEmpty()) {
    RerunUnderVirtualX(kChildMarker, QStringLiteral("WaitBoxOnScreen.*"));
    return;
  }

  // Inside the virtual server.
  QFile ran(ranFile);
  ASSERT_TRUE(ran.open(QIODevice::WriteOnly));
  ran.close();
  App();
  ASSERT_EQ(QGuiApplication::platformName(), "xcb");
  Program().AppTitle = QStringLiteral("Orvane for Mac - Windows Restore");
  PreStatus& box = PreStatus::Instance();
  box.ShowWithStatus(QStringLiteral("Loading file-snapshots..."));
  // The caller's work starts here: no message runs before the screen is
  // read.
  const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
  const QRect frame = box.Window()->geometry();
  shot.copy(frame.adjusted(-8, -8, 8, 8)).save(QDir(ScreenshotFolder()).filePath("wait_box_xvfb.png"));
  const QRect status(box.status()->mapTo(box.Window(), QPoint(0, 0)) + frame.topLeft(), box.status()->size());
  const Census line = Count(shot, status, QColor(242, 241, 236));
  EXPECT_GT(line.near, line.all / 2) << "the status line's background is not drawn";
  EXPECT_GT(line.dark, 20) << "the status text is not drawn";
  box.Unload();
}

}  // namespace
}  // namespace OrvaneMac
