// The search window on a real X display: its rounded corners, the painted
// caption strip and its smallest size, seen in a screen grab and kept when
// the window system shrinks it. The test runs
// itself again under a virtual X server (xvfb-run) with the xcb platform,
// and skips when no server can be started.
#include "program/main/frmSearchRemote.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include "program/foundation/ProgramTestFixture.h"
#include "program/main/SearchTestSupport.h"
#include "program/main/UniListView.h"
#include "program/windows/SkinControls.h"
#include "program/windows/SkinImages.h"
#include "program/windows/WindowsTestSupport.h"

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

constexpr char kChildMarker[] = "ORVANE_SEARCH_FRAME_CHILD";

bool IsBlack(QColor c) { return c.red() < 16 && c.green() < 16 && c.blue() < 16; }

class SearchWindowFrame : public ProgramTest {};

TEST_F(SearchWindowFrame, RoundedCornersCaptionStripAndSizeOnAnXDisplay) {
  const QString ranFile = qEnvironmentVariable(kChildMarker);
  if (ranFile.isEmpty()) {
    RerunUnderVirtualX(kChildMarker, QStringLiteral("SearchWindowFrame.*"));
    return;
  }

  // Inside the virtual server.
  QFile ran(ranFile);
  ASSERT_TRUE(ran.open(QIODevice::WriteOnly));
  ran.close();
  App();
  ASSERT_EQ(QGuiApplication::platformName(), "xcb");
  ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
  ScopedFakeEngines engines;
  auto listings = std::make_shared<SearchListings>();
  UseSearchingEngines(engines, listings);
  listings->byFolder["/Docs/"] = ListingLine('-', "1572864", "2010/07/06 10:20:30", "big.bin") +
                                 ListingLine('-', "512", "2010/07/06 10:20:30", "Grüße aus Köln.txt");
  Program().AccountName = "alice";
  frmSearchRemote& form = frmSearchRemote::Instance();
  form.lblSearchpath()->SetCaption("My Orvane/Docs/");
  form.txt_Searchkey()->setText("*");

  QImage shot;
  QRect frame;
  QRect shrunk;
  WhenShown(form, [&] {
    form.RunSearch();
    for (int i = 0; i < 20; ++i) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      QThread::msleep(20);
    }
    frame = form.Window()->geometry();
    shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    shot.copy(frame.adjusted(-8, -8, 8, 8)).save(QDir(ScreenshotFolder()).filePath("search_window_xvfb.png"));
    // Shrunk through the window system, it comes back to its smallest size.
    form.Window()->resize(300, 200);
    for (int i = 0; i < 20; ++i) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      QThread::msleep(20);
    }
    shrunk = form.Window()->geometry();
    form.CloseSearch();
  });
  form.ShowModal();
  ASSERT_FALSE(shot.isNull());
  EXPECT_GE(frame.width(), 683);  // 10245 twips
  EXPECT_GE(frame.height(), 528);  // 7920 twips
  EXPECT_EQ(shrunk.size(), QSize(683, 528));
  const int x0 = frame.left();
  const int y0 = frame.top();
  EXPECT_TRUE(IsBlack(shot.pixelColor(x0, y0))) << "top left corner is cut";
  EXPECT_TRUE(IsBlack(shot.pixelColor(frame.right(), y0))) << "top right corner is cut";
  const QImage strip = ImageList1Mac().Picture(QStringLiteral("zq_search_topcentre")).toImage();
  const QColor expected = strip.pixelColor(strip.width() / 2, 12);
  const QColor seen = shot.pixelColor(x0 + frame.width() / 2, y0 + 12);
  EXPECT_LE(std::abs(seen.red() - expected.red()) + std::abs(seen.green() - expected.green()) +
                std::abs(seen.blue() - expected.blue()),
            24)
      << "caption strip " << seen.name().toStdString() << " expected " << expected.name().toStdString();
}

}  // namespace
}  // namespace OrvaneMac
