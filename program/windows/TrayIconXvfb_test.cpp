// The tray icon on a real X display with a tray host: the icon shows in
// the host with the program's title as its tip, left clicks on it minimise
// and restore the main window, and the controller client's exit takes it
// away and ends the process with code 0. The test runs itself again under
// a virtual X server (xvfb-run, xcb platform) with trayer as the tray host,
// and skips when either is missing or no server starts. The exit runs in a
// further child process, since it ends the process it runs in.
#include "program/windows/TrayIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScreen>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QThread>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "program/foundation/ProgramTestFixture.h"
#include "program/session/FakeEngineController.h"
#include "program/session/clsController.h"
#include "program/windows/WindowsTestSupport.h"

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

constexpr char kDisplayChild[] = "ORVANE_TRAY_CHILD";
constexpr char kExitChild[] = "ORVANE_TRAY_EXIT_CHILD";
constexpr char kTitle[] = "Orvane for Mac - Windows Restore";

QString SelfPath() {
  char self[4096] = {};
  const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
  return length > 0 ? QString::fromLocal8Bit(self, length) : QString();
}

// Pumps events until `done` holds or `ms` pass.
bool WaitFor(const std::function<bool()>& done, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(20);
  }
  return true;
}

void Pump(int ms) {
  WaitFor([] { return false; }, ms);
}

// The widget Qt embeds into the tray host for the icon.
QWidget* EmbeddedIcon() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (QLatin1String(w->metaObject()->className()) == QLatin1String("QSystemTrayIconSys") && w->isVisible()) {
      return w;
    }
  }
  return nullptr;
}

// The blue pixels of the icon's picture in a part of the screen.
int BluePixels(const QImage& shot, const QRect& area) {
  int count = 0;
  const QRect r = area.intersected(shot.rect());
  for (int y = r.top(); y <= r.bottom(); ++y) {
    for (int x = r.left(); x <= r.right(); ++x) {
      const QColor c = shot.pixelColor(x, y);
      if (c.blue() > c.red() + 60 && c.blue() > 120) ++count;
    }
  }
  return count;
}

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define ORVANE_HAVE_XCB_TYPES 1

// Asks `w` to close as a window manager does (WM_DELETE_WINDOW), so that
// the close reaches it from the window system. The client library is the
// one the platform plugin has loaded.
bool SendCloseRequest(QWidget* w) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  void* library = dlopen("libxcb.so.1", RTLD_NOW | RTLD_NOLOAD);
  if (!x11 || !library) return false;
  auto intern = reinterpret_cast<decltype(&xcb_intern_atom)>(dlsym(library, "xcb_intern_atom"));
  auto reply = reinterpret_cast<decltype(&xcb_intern_atom_reply)>(dlsym(library, "xcb_intern_atom_reply"));
  auto send = reinterpret_cast<decltype(&xcb_send_event)>(dlsym(library, "xcb_send_event"));
  auto flush = reinterpret_cast<decltype(&xcb_flush)>(dlsym(library, "xcb_flush"));
  if (!intern || !reply || !send || !flush) {
    dlclose(library);
    return false;
  }
  xcb_connection_t* c = x11->connection();
  auto atom = [&](const char* name) {
    xcb_intern_atom_reply_t* r = reply(c, intern(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t{0};
    std::free(r);
    return a;
  };
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = static_cast<xcb_window_t>(w->winId());
  event.type = atom("WM_PROTOCOLS");
  event.data.data32[0] = atom("WM_DELETE_WINDOW");
  event.data.data32[1] = XCB_CURRENT_TIME;
  send(c, 0, event.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
  flush(c);
  dlclose(library);
  return true;
}
#endif

QImage GrabScreen() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }

class MainWindowStandIn : public TrayOwner {
 public:
  MainWindowStandIn() {
    window.resize(640, 480);
    window.setWindowTitle(QStringLiteral("Orvane for Mac"));
    window.show();
  }
  QWidget* TrayWindow() override { return &window; }
  int TrayWindowState() override { return window.isMinimized() ? 1 : 0; }
  void SetTrayWindowState(int state) override {
    if (state == 1) {
      window.showMinimized();
    } else {
      window.showNormal();
    }
  }
  void OwnMaximise() override {}
  void SysTrayMouseEventHandler() override {}

  QWidget window;
};

class TrayOnXTest : public ProgramTest {
 protected:
  void SetUp() override {
    App();
    ProgramTest::SetUp();
    Program().AppTitle = kTitle;
  }
  void TearDown() override {
    modGeneral::RemoveFromTray();
    ProgramTest::TearDown();
  }

  void OnThisDisplay();
  void ExitInThisProcess(const QString& folder);
};

// The tray host of this display: started when no tray is there yet.
bool StartTrayHost(QProcess& host) {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    host.start(QStringLiteral("trayer"), {"--edge", "bottom", "--align", "right", "--widthtype", "request",
                                          "--height", "24", "--transparent", "false", "--tint", "0x404040"});
    if (!host.waitForStarted(5000)) return false;
  }
  return WaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000);
}

// The exit child: its icon goes into the tray, it reports that and waits
// for the word to exit; then the client's exit ends it.
void TrayOnXTest::ExitInThisProcess(const QString& folder) {
  auto report = [&](const QString& line) {
    QFile f(folder + "/calls.txt");
    if (f.open(QIODevice::Append)) f.write((line + '\n').toUtf8());
  };
  ASSERT_TRUE(WaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000));
  MainWindowStandIn main;
  ScopedFakeEngines engines;
  engines.record->callFile = folder + "/calls.txt";
  ASSERT_TRUE(clsController::Instance().Cont_login("alice", "pw", false));
  QMenu menu;
  modGeneral::AddToTray(main, &menu);
  ASSERT_TRUE(WaitFor([] { return EmbeddedIcon() != nullptr; }, 10000));
  Pump(300);
  report("trace=" + Host("Prog/OrvaneMac/TraceFile.txt"));
  report("embedded");
  ASSERT_TRUE(WaitFor([&] { return QFile::exists(folder + "/go"); }, 20000));
  // The real end of the program, not the tests' stand-in.
  modGeneral::SetEndProgramHandler({});
  clsController::Instance().Cont_Exit();
  report("returned");
  std::_Exit(3);
}

void TrayOnXTest::OnThisDisplay() {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb");
  QProcess host;
  if (!StartTrayHost(host)) GTEST_SKIP() << "no tray host could be started";

  MainWindowStandIn main;
  QMenu menu;
  modGeneral::AddToTray(main, &menu);
  ASSERT_TRUE(WaitFor([] { return EmbeddedIcon() != nullptr; }, 10000)) << "the icon never reached the tray host";
  Pump(500);
  QWidget* embedded = EmbeddedIcon();
  ASSERT_NE(embedded, nullptr);
  const QRect iconArea(embedded->mapToGlobal(QPoint(0, 0)), embedded->size());
  EXPECT_EQ(modGeneral::TrayIconObject()->toolTip(), kTitle);

  const QImage shot = GrabScreen();
  shot.save(QDir(ScreenshotFolder()).filePath("tray_xvfb.png"));
  shot.copy(iconArea.adjusted(-40, -8, 8, 8)).scaled(iconArea.width() * 8 + 384, iconArea.height() * 8 + 128)
      .save(QDir(ScreenshotFolder()).filePath("tray_xvfb_icon.png"));
  EXPECT_GT(BluePixels(shot, iconArea), 20) << "the icon's picture is not in the tray";

  // Left clicks on the icon, as the tray host hands them on.
  auto leftClick = [&] {
    const QPointF local(embedded->width() / 2.0, embedded->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, local, embedded->mapToGlobal(local), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(embedded, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, embedded->mapToGlobal(local), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(embedded, &release);
    Pump(200);
  };
  leftClick();
  EXPECT_TRUE(main.window.isMinimized());
  leftClick();
  EXPECT_FALSE(main.window.isMinimized());

#ifdef ORVANE_HAVE_XCB_TYPES
  // A close from the window manager while minimised restores the window;
  // otherwise it closes it.
  main.window.showMinimized();
  Pump(200);
  ASSERT_TRUE(SendCloseRequest(&main.window));
  Pump(500);
  EXPECT_TRUE(main.window.isVisible());
  EXPECT_FALSE(main.window.isMinimized());
  ASSERT_TRUE(SendCloseRequest(&main.window));
  EXPECT_TRUE(WaitFor([&] { return !main.window.isVisible(); }, 3000)) << "a close request did not close the window";
#endif

  // Taken away again, the tray is empty.
  modGeneral::RemoveFromTray();
  ASSERT_TRUE(WaitFor([] { return EmbeddedIcon() == nullptr; }, 5000));
  Pump(500);
  const QImage empty = GrabScreen();
  EXPECT_EQ(BluePixels(empty, iconArea), 0);

  // The exit, in a process of its own on the same display.
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QString::fromLatin1(kExitChild), folder.path());
  env.remove(QString::fromLatin1(kDisplayChild));
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(SelfPath(), {QStringLiteral("--gtest_filter=TrayOnXTest.IconTipClicksAndExit")});
  auto calls = [&] {
    QFile f(folder.path() + "/calls.txt");
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts)
                                       : QStringList();
  };
  const bool embeddedThere = WaitFor([&] { return calls().contains("embedded") || child.state() == QProcess::NotRunning; }, 30000);
  ASSERT_TRUE(embeddedThere && calls().contains("embedded")) << QString::fromLocal8Bit(child.readAll()).toStdString();
  Pump(300);
  const QImage withChild = GrabScreen();
  withChild.save(QDir(ScreenshotFolder()).filePath("tray_xvfb_exit_child.png"));
  // The child's icon is in the host's row now (where exactly is the host's).
  const QRect hostRow(0, withChild.height() - 40, withChild.width(), 40);
  EXPECT_GT(BluePixels(withChild, hostRow), 20);

  QFile go(folder.path() + "/go");
  ASSERT_TRUE(go.open(QIODevice::WriteOnly));
  go.close();
  ASSERT_TRUE(child.waitForFinished(30000));
  const QString output = QString::fromLocal8Bit(child.readAll());
  EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
  EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
  const QStringList lines = calls();
  EXPECT_FALSE(lines.contains("returned"));
  const int at = lines.indexOf("embedded");
  EXPECT_EQ(lines.mid(at + 1), QStringList({"1:Cont_DisConnect()", "2:Cont_DisConnect()"}));
  // The removal ran, as the last thing the child traced.
  QString trace;
  for (const QString& l : lines) {
    if (l.startsWith("trace=")) trace = l.mid(6);
  }
  QFile traceFile(trace);
  ASSERT_TRUE(traceFile.open(QIODevice::ReadOnly)) << trace.toStdString();
  const QByteArray bytes = traceFile.readAll();
  const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
  EXPECT_TRUE(text.endsWith("Enter RemoveFromTray\r\nExit RemoveFromTray\r\n")) << text.toStdString();
  QDir(QFileInfo(trace).absolutePath()).removeRecursively();

  Pump(500);
  const QImage after = GrabScreen();
  after.save(QDir(ScreenshotFolder()).filePath("tray_xvfb_after_exit.png"));
  EXPECT_EQ(BluePixels(after, hostRow), 0) << "the icon stayed after the exit";

  host.terminate();
  host.waitForFinished(3000);
}

TEST_F(TrayOnXTest, IconTipClicksAndExit) {
  if (const QString folder = qEnvironmentVariable(kExitChild); !folder.isEmpty()) {
    ExitInThisProcess(folder);
    return;
  }
  if (const QString ran = qEnvironmentVariable(kDisplayChild); !ran.isEmpty()) {
    QFile ranFile(ran);
    ASSERT_TRUE(ranFile.open(QIODevice::WriteOnly));
    ranFile.close();
    OnThisDisplay();
    return;
  }

  const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
  if (xvfbRun.isEmpty()) GTEST_SKIP() << "xvfb-run is not installed";
  if (QStandardPaths::findExecutable(QStringLiteral("trayer")).isEmpty()) GTEST_SKIP() << "trayer is not installed";

  const QString marker = QDir::temp().filePath(QStringLiteral("orvane_tray_%1").arg(QCoreApplication::applicationPid()));
  QFile::remove(marker);
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QString::fromLatin1(kDisplayChild), marker);
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(xvfbRun, {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1280x800x24 -nolisten tcp"),
                        SelfPath(), QStringLiteral("--gtest_filter=TrayOnXTest.IconTipClicksAndExit")});
  const bool finished = child.waitForFinished(120000);
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
  if (output.contains("[  SKIPPED ]")) GTEST_SKIP() << output.toStdString();
}

}  // namespace
}  // namespace OrvaneMac
