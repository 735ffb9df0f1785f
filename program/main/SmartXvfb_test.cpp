// The main window on a real X display: centred on the screen's work area
// with its own caption band and window buttons, its own maximise filling the
// work area and its restore returning to the same place, seen in screen
// grabs. The test runs itself again under a virtual X server (xvfb-run)
// with the xcb platform, and skips when no server can be started.
#include "program/main/Smart.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include "program/browse/TreeViewControl.h"
#include "program/browse/BrowseTestSupport.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/windows/WindowsTestSupport.h"

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

constexpr char kChildMarker[] = "ORVANE_SMART_FRAME_CHILD";

void Settle() {
  for (int i = 0; i < 20; ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(20);
  }
}

QImage Grab(const char* name) {
  QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
  shot.save(QDir(ScreenshotFolder()).filePath(QString::fromLatin1(name)));
  return shot;
}

bool Bluish(QColor c) { return c.blue() > c.red() + 40 && c.blue() > 120; }

class SmartFrame : public ProgramTest {};

TEST_F(SmartFrame, OnAnXDisplay) {
  const QString ranFile = qEnvironmentVariable(kChildMarker);
  if (ranFile.isEmpty()) GTEST_SKIP() << "runs under the virtual X server only";
  QFile ran(ranFile);
  ASSERT_TRUE(ran.open(QIODevice::WriteOnly));
  ran.close();
  App();
  ASSERT_EQ(QGuiApplication::platformName(), "xcb");
  Program().RemoteRootKey = "/users/jdoe/Files/";
  FakeRemoteListing listing;
  listing.folders["/users/jdoe/Files/"] = {};
  Smart& main = Smart::Instance();
  main.Load();
  main.lblVersionDisp()->SetCaption("jdoe: Orvane for Mac - Windows Restore");
  ASSERT_TRUE(TreeViewControl::Instance().PopulateRemoteTreeView("Smart", main.ColumnRemoteTreeView(), true, true,
                                                                 false));
  main.Show();
  Settle();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect frame = main.Window()->geometry();
  QImage shot = Grab("main_window_xvfb.png");
  EXPECT_NEAR(frame.center().x(), area.center().x(), 2);
  EXPECT_NEAR(frame.center().y(), area.center().y(), 2);
  // No frame of the window manager's: the window's own caption band is its
  // top edge, and the close picture sits at its top right.
  EXPECT_TRUE(Bluish(shot.pixelColor(frame.center().x(), frame.top() + 10)))
      << shot.pixelColor(frame.center().x(), frame.top() + 10).name().toStdString();
  const QRect close(main.PicClose()->mapTo(main.Window(), QPoint(0, 0)) + frame.topLeft(), main.PicClose()->size());
  EXPECT_LE(frame.right() - close.right(), 10);

  ClickOn(main.PicMax());
  Settle();
  EXPECT_EQ(main.Window()->geometry(), area);
  Grab("main_window_xvfb_maximised.png");
  ClickOn(main.PicMax());
  Settle();
  EXPECT_EQ(main.Window()->geometry(), frame);
  main.UnloadForTesting();
}

TEST(SmartFrameRunner, UnderAVirtualXServer) {
  if (!qEnvironmentVariable(kChildMarker).isEmpty()) GTEST_SKIP();
  RerunUnderVirtualX(kChildMarker, QStringLiteral("SmartFrame.OnAnXDisplay"));
}

}  // namespace
}  // namespace OrvaneMac
