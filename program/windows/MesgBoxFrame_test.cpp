// The message box on a real X display: its rounded corners and its caption
// bar, seen in a screen grab. The test runs itself again under a virtual X
// server (xvfb-run) with the xcb platform, and skips when no server can be
// started.
#include "program/windows/MesgBox.h"

#include "program/windows/SkinImages.h"
#include "program/windows/WindowsTestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

constexpr char kChildMarker[] = "ORVANE_FRAME_CHILD";
constexpr char kKeysChildMarker[] = "ORVANE_ACCESS_LETTER_CHILD";

bool IsBlack(QColor c) { return c.red() < 16 && c.green() < 16 && c.blue() < 16; }

// Inside the virtual server: show the box, grab the screen, check it.
void CheckFrameOnThisDisplay(const QString& ranFile) {
  QFile ran(ranFile);
  ASSERT_TRUE(ran.open(QIODevice::WriteOnly));
  ran.close();
  App();
  ASSERT_EQ(QGuiApplication::platformName(), "xcb");

  QImage shot;
  QRect frame;
  MesgBox& box = MesgBox::Instance();
  WhenShown(box, [&] {
    // Let the server map and paint the window.
    for (int i = 0; i < 20; ++i) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      QThread::msleep(20);
    }
    frame = box.Window()->geometry();
    shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    shot.save(QDir(ScreenshotFolder()).filePath("mesgbox_frame_xvfb.png"));
    shot.copy(frame.adjusted(-8, -8, 8, 8)).save(QDir(ScreenshotFolder()).filePath("mesgbox_frame_xvfb_window.png"));
    // The two top corners, eight times enlarged.
    QImage corners(2 * 12 * 8 + 8, 12 * 8, QImage::Format_RGB32);
    corners.fill(Qt::darkGray);
    {
      QPainter p(&corners);
      p.drawImage(QRect(0, 0, 96, 96), shot.copy(frame.left() - 2, frame.top() - 2, 12, 12));
      p.drawImage(QRect(104, 0, 96, 96), shot.copy(frame.right() - 9, frame.top() - 2, 12, 12));
    }
    corners.save(QDir(ScreenshotFolder()).filePath("mesgbox_frame_xvfb_corners.png"));
    TypeKey(box.Window(), Qt::Key_Return);
  });
  EXPECT_EQ(box.MessageBox(QStringLiteral("The selected items were restored to the destination folder you chose."), 0,
                           2, QStringLiteral("Orvane for Mac - Windows Restore")),
            6);
  ASSERT_FALSE(shot.isNull());
  const int x0 = frame.left();
  const int y0 = frame.top();
  const int x1 = frame.right();
  // The top corners are cut: the black root shows through.
  EXPECT_TRUE(IsBlack(shot.pixelColor(x0, y0))) << "top left";
  EXPECT_TRUE(IsBlack(shot.pixelColor(x1, y0))) << "top right";
  // Beside the corners, and along the top edge, the window itself.
  EXPECT_FALSE(IsBlack(shot.pixelColor(x0 + 3, y0))) << "top edge";
  EXPECT_FALSE(IsBlack(shot.pixelColor(x0, y0 + 3))) << "left edge";
  // The caption bar: its picture's colour across the top of the window.
  const QImage caption = MesgBoxCaptionPicture().toImage();
  const QColor expected = caption.pixelColor(caption.width() / 2, 10);
  const QColor seen = shot.pixelColor(x0 + frame.width() * 3 / 4, y0 + 11);
  EXPECT_LE(std::abs(seen.red() - expected.red()) + std::abs(seen.green() - expected.green()) +
                std::abs(seen.blue() - expected.blue()),
            24)
      << "caption bar " << seen.name().toStdString() << " expected " << expected.name().toStdString();
  // Outside the window, the root.
  EXPECT_TRUE(IsBlack(shot.pixelColor(x0 - 2, y0 + 20)));
}

// Inside the virtual server: Alt+N typed on the real keyboard answers No,
// whichever of the two keys the user lets go of first.
void CheckAccessLettersOnThisDisplay(const QString& ranFile) {
  QFile ran(ranFile);
  ASSERT_TRUE(ran.open(QIODevice::WriteOnly));
  ran.close();
  App();
  ASSERT_EQ(QGuiApplication::platformName(), "xcb");
  const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
  if (xdotool.isEmpty()) GTEST_SKIP() << "xdotool is not installed";
  struct Row {
    const char* name;
    QStringList keys;
  };
  const Row rows[] = {
      {"N released first", {"keydown", "alt", "keydown", "n", "keyup", "n", "keyup", "alt"}},
      {"Alt released first", {"keydown", "alt", "keydown", "n", "keyup", "alt", "keyup", "n"}},
  };
  MesgBox& box = MesgBox::Instance();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WhenShown(box, [&] {
      for (int i = 0; i < 15; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
      }
      QProcess::startDetached(xdotool, row.keys);
      // A box the keys never reach is closed without an answer.
      QTimer::singleShot(5000, [&box] {
        if (box.IsLoaded()) box.Unload();
      });
    });
    EXPECT_EQ(box.MessageBox(QStringLiteral("Replace the file in the destination folder?"), 1, 2,
                             QStringLiteral("Orvane for Mac - Windows Restore")),
              7);
    CancelPending();
  }
}

TEST(MesgBoxFrame, RoundedCornersAndCaptionBarOnAnXDisplay) {
  const QString ranFile = qEnvironmentVariable(kChildMarker);
  if (!ranFile.isEmpty()) {
    CheckFrameOnThisDisplay(ranFile);
    return;
  }

  RerunUnderVirtualX(kChildMarker, QStringLiteral("MesgBoxFrame.RoundedCornersAndCaptionBarOnAnXDisplay"));
}

TEST(MesgBoxFrame, AltNAnswersNoOnAnXDisplay) {
  const QString ranFile = qEnvironmentVariable(kKeysChildMarker);
  if (!ranFile.isEmpty()) {
    CheckAccessLettersOnThisDisplay(ranFile);
    return;
  }
  RerunUnderVirtualX(kKeysChildMarker, QStringLiteral("MesgBoxFrame.AltNAnswersNoOnAnXDisplay"));
}

}  // namespace
}  // namespace OrvaneMac
