#pragma once
// Helpers for the tests of the windows: one application for the test
// process, acting on a modal window once it is up, keys and mouse buttons
// as the user gives them, and screenshots for review.

#include "program/windows/Form.h"
#include "program/windows/SkinFonts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

#include <functional>

#include <gtest/gtest.h>
#include <unistd.h>

namespace OrvaneMac::testing {

// The application of the test process (made once, kept to the end).
inline QApplication* App() {
  static QApplication* app = [] {
    static int argc = 1;
    static char name[] = "windows_test";
    static char* argv[] = {name, nullptr};
    // The headless platform cannot raise windows or cut them to a region;
    // its notes about that would drown the tests' own output.
    static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
      if (message.startsWith(QLatin1String("This plugin does not support"))) return;
      previous(type, context, message);
    });
    auto* a = new QApplication(argc, argv);
    InstallSkinFonts();
    return a;
  }();
  return app;
}

inline int& PendingGeneration() {
  static int generation = 0;
  return generation;
}

// Drops the actions still waiting for a window (a test whose window never
// showed must not act on the next test's window).
inline void CancelPending() { ++PendingGeneration(); }

// Runs `act` once `form` is shown (from inside its modal loop).
inline void WhenShown(Form& form, std::function<void()> act, int generation = -1) {
  if (generation < 0) generation = PendingGeneration();
  QTimer::singleShot(0, [&form, act, generation] {
    if (generation != PendingGeneration()) return;
    if (!form.IsLoaded() || !form.Window()->isVisible()) {
      WhenShown(form, act, generation);
      return;
    }
    // The headless platform leaves activation to the caller; a desktop's
    // window manager activates a new window itself.
    if (QApplication::activeWindow() != form.Window()) QApplication::setActiveWindow(form.Window());
    act();
  });
}

// The widget a key typed into `window` reaches first.
inline QWidget* KeyTarget(QWidget* window) {
  QWidget* focus = QApplication::focusWidget();
  return focus && focus->window() == window ? focus : window;
}

inline void SendKey(QWidget* window, QEvent::Type type, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                    const QString& text = {}) {
  QKeyEvent event(type, key, mods, text);
  QApplication::sendEvent(KeyTarget(window), &event);
}

// A key pressed and released.
inline void TypeKey(QWidget* window, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
  SendKey(window, QEvent::KeyPress, key, mods, text);
  SendKey(window, QEvent::KeyRelease, key, mods, text);
}

// Characters typed one by one.
inline void TypeText(QWidget* window, const QString& text) {
  for (QChar c : text) {
    const int key = c == QLatin1Char(' ') ? static_cast<int>(Qt::Key_Space) : static_cast<int>(c.toUpper().unicode());
    TypeKey(window, key, Qt::NoModifier, QString(c));
  }
}

// A mouse button pressed and released over the middle of `w`.
inline void ClickOn(QWidget* w, Qt::MouseButton button = Qt::LeftButton) {
  const QPointF local(w->width() / 2.0, w->height() / 2.0);
  const QPointF global = w->mapToGlobal(local);
  QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &release);
}

// The pointer moving over the middle of `w` with no button held.
inline void HoverOver(QWidget* w) {
  const QPointF local(w->width() / 2.0, w->height() / 2.0);
  QMouseEvent move(QEvent::MouseMove, local, w->mapToGlobal(local), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &move);
}

// The folder the screenshots go to: "screenshots" in the build folder.
inline QString ScreenshotFolder() {
  QDir dir(QCoreApplication::applicationDirPath());
  dir.cdUp();
  dir.mkpath(QStringLiteral("screenshots"));
  return dir.filePath(QStringLiteral("screenshots"));
}

// Saves a rendering of `w` as <name>.png and answers its path.
inline QString SaveScreenshot(QWidget* w, const QString& name) {
  const QString path = QDir(ScreenshotFolder()).filePath(name + QStringLiteral(".png"));
  w->grab().save(path);
  return path;
}

// Runs this test executable again under a virtual X server (xvfb-run, the
// xcb platform) with the tests of `filter` only; the child finds the path
// of a marker file in `markerVariable` and creates it to show it ran. The
// child's result becomes the calling test's; the test is skipped when no
// server can be started.
inline void RerunUnderVirtualX(const char* markerVariable, const QString& filter) {
  const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
  if (xvfbRun.isEmpty()) GTEST_SKIP() << "xvfb-run is not installed";
  char self[4096] = {};
  const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
  ASSERT_GT(length, 0);
  const QString marker = QDir::temp().filePath(
      QStringLiteral("orvane_%1_%2").arg(QString::fromLatin1(markerVariable).toLower()).arg(getpid()));
  QFile::remove(marker);
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QString::fromLatin1(markerVariable), marker);
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(xvfbRun, {QStringLiteral("-a"), QStringLiteral("-s"),
                        QStringLiteral("-screen 0 1280x800x24 -nolisten tcp -br"), QString::fromLocal8Bit(self, length),
                        QStringLiteral("--gtest_filter=") + filter});
  const bool finished = child.waitForFinished(90000);
  const QString output = QString::fromLocal8Bit(child.readAll());
  const bool ran = QFile::exists(marker);
  QFile::remove(marker);
  if (!finished) {
    child.kill();
    child.waitForFinished();
    FAIL() << "the test under the virtual X server did not finish:\n" << output.toStdString();
  }
  if (!ran) GTEST_SKIP() << "no virtual X server could be started:\n" << output.toStdString();
  EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
}

}  // namespace OrvaneMac::testing
