// The tray icon and the procedures in front of the main window, with a
// plain widget as the main window.
#include "program/windows/TrayIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

#include <memory>

#include "program/foundation/ProgramTestFixture.h"
#include "program/windows/WindowsTestSupport.h"

namespace OrvaneMac {
namespace {

// A main window as the tray procedures see it, noting what they ask of it.
class FakeTrayOwner : public TrayOwner {
 public:
  FakeTrayOwner() {
    window = std::make_unique<QWidget>();
    window->resize(800, 600);
    window->show();
  }
  QWidget* TrayWindow() override { return window.get(); }
  int TrayWindowState() override { return window->isMinimized() ? 1 : 0; }
  void SetTrayWindowState(int state) override {
    asked.append(state == 1 ? "minimise" : "normal");
    if (state == 1) {
      window->showMinimized();
    } else {
      window->showNormal();
    }
  }
  void OwnMaximise() override {
    asked.append("own maximise");
    if (maximiseWithQt) {
      window->showMaximized();
    } else {
      window->setGeometry(0, 0, 1280, 760);
    }
  }
  void SysTrayMouseEventHandler() override { asked.append("menu"); }

  QStringList Take() {
    QStringList a = asked;
    asked.clear();
    return a;
  }

  std::unique_ptr<QWidget> window;
  QStringList asked;
  bool maximiseWithQt = false;
};

class TrayTest : public ProgramTest {
 protected:
  void SetUp() override {
    testing::App();
    ProgramTest::SetUp();
    Program().AppTitle = "Orvane for Mac - Windows Restore";
    ownerObject_ = std::make_unique<FakeTrayOwner>();
    menu_ = std::make_unique<QMenu>();
  }
  void TearDown() override {
    modGeneral::RemoveFromTray();
    menu_.reset();
    ownerObject_.reset();
    ProgramTest::TearDown();
  }
  void Add() {
    modGeneral::AddToTray(*ownerObject_, menu_.get());
    ASSERT_NE(modGeneral::TrayIconObject(), nullptr);
  }
  static void Click(QSystemTrayIcon::ActivationReason reason) { emit modGeneral::TrayIconObject()->activated(reason); }
  FakeTrayOwner& owner() { return *ownerObject_; }
  static void Settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }

  std::unique_ptr<FakeTrayOwner> ownerObject_;
  std::unique_ptr<QMenu> menu_;
};

TEST_F(TrayTest, OneIconWithTheBluePictureAndTheProgramsTitleAsTip) {
  Add();
  QSystemTrayIcon* icon = modGeneral::TrayIconObject();
  EXPECT_TRUE(icon->isVisible());
  EXPECT_FALSE(icon->icon().isNull());
  EXPECT_EQ(icon->toolTip(), "Orvane for Mac - Windows Restore");
  // The menu is the owner's to pop up; the icon does not show it itself.
  EXPECT_EQ(icon->contextMenu(), nullptr);
  // A second call keeps the one icon.
  modGeneral::AddToTray(owner(), menu_.get());
  EXPECT_EQ(modGeneral::TrayIconObject(), icon);
}

TEST_F(TrayTest, TheTipIsCutTo127CharactersAndAnEmptyTipLeavesItAsItWas) {
  Add();
  const QString longTip = QString(100, 'a') + QString(100, 'b');
  modGeneral::SetTrayTip(longTip);
  EXPECT_EQ(modGeneral::TrayIconObject()->toolTip(), longTip.left(127));
  modGeneral::SetTrayTip(QString());
  EXPECT_EQ(modGeneral::TrayIconObject()->toolTip(), longTip.left(127));
  modGeneral::SetTrayTip("Restore");
  EXPECT_EQ(modGeneral::TrayIconObject()->toolTip(), "Restore");
}

TEST_F(TrayTest, ALeftClickMinimisesAndRestoresARightClickLeavesTheMenuToTheWindow) {
  Add();
  Click(QSystemTrayIcon::Trigger);
  EXPECT_TRUE(owner().window->isMinimized());
  Click(QSystemTrayIcon::Trigger);
  EXPECT_FALSE(owner().window->isMinimized());
  EXPECT_EQ(owner().Take(), QStringList({"minimise", "normal"}));

  // While a restore runs the window still comes back.
  Program().RestoreRunning = true;
  Click(QSystemTrayIcon::Trigger);
  Click(QSystemTrayIcon::Trigger);
  EXPECT_FALSE(owner().window->isMinimized());
  Program().RestoreRunning = false;
  owner().Take();

  Click(QSystemTrayIcon::Context);
  EXPECT_EQ(owner().Take(), QStringList({"menu"}));
  EXPECT_FALSE(owner().window->isMinimized());

  // Double and middle clicks are left alone.
  for (auto reason : {QSystemTrayIcon::DoubleClick, QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown}) {
    Click(reason);
  }
  EXPECT_TRUE(owner().Take().isEmpty());
  EXPECT_FALSE(owner().window->isMinimized());
}

TEST_F(TrayTest, TheMainWindowCannotBeMadeSmallerThan500By500Pixels) {
  Add();
  EXPECT_EQ(owner().window->minimumSize(), QSize(500, 500));
  owner().window->resize(300, 200);
  EXPECT_EQ(owner().window->size(), QSize(500, 500));
  // A declined close keeps the minimum.
  modGeneral::UnhookMinMaxSize();
  owner().window->resize(320, 240);
  EXPECT_EQ(owner().window->size(), QSize(500, 500));
  // The exit gives the window back what it had.
  modGeneral::RemoveFromTray();
  EXPECT_EQ(owner().window->minimumSize(), QSize(0, 0));
}

TEST_F(TrayTest, AWindowsOwnLargerMinimumStays) {
  owner().window->setMinimumSize(673, 400);
  Add();
  EXPECT_EQ(owner().window->minimumSize(), QSize(673, 500));
  modGeneral::RemoveFromTray();
  EXPECT_EQ(owner().window->minimumSize(), QSize(673, 400));
}

TEST_F(TrayTest, SystemCommandsExactlyMaximiseIsTheOwnAndWhileMinimisedEveryOneRestores) {
  using modGeneral::MainWindowSysCommand;
  // Before the icon is added nothing stands in front of the window.
  EXPECT_EQ(MainWindowSysCommand(modGeneral::SC_MAXIMIZE), modGeneral::SC_MAXIMIZE);
  Add();
  struct Case {
    std::int32_t command;
    bool minimised;
    std::int32_t passedOn;
    bool ownMaximise;
  };
  const Case cases[] = {
      {0xF030, false, 0, true},       // the own maximise, not passed on
      {0xF032, false, 0xF032, false},  // a maximise with low bits set goes on unchanged
      {0xF060, false, 0xF060, false},  // close
      {0xF020, false, 0xF020, false},  // minimise
      {0xF030, true, 0xF120, false},   // from the taskbar while minimised: restore
      {0xF060, true, 0xF120, false},
      {0xF010, true, 0xF120, false},   // move
      {0xF020, true, 0xF120, false},
      {0xF032, true, 0xF120, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.command << " minimised " << c.minimised);
    if (c.minimised) {
      owner().window->showMinimized();
    } else {
      owner().window->showNormal();
    }
    owner().Take();
    EXPECT_EQ(MainWindowSysCommand(c.command), c.passedOn);
    EXPECT_EQ(owner().Take(), c.ownMaximise ? QStringList({"own maximise"}) : QStringList());
  }
  // A declined close keeps the own maximise.
  owner().window->showNormal();
  modGeneral::UnhookMinMaxSize();
  EXPECT_EQ(MainWindowSysCommand(0xF030), 0);
}

TEST_F(TrayTest, AMaximiseOfTheWindowBecomesTheOwnMaximiseOrARestoreWhileMinimised) {
  Add();
  owner().window->showMaximized();
  Settle();
  EXPECT_FALSE(owner().window->isMaximized());
  EXPECT_EQ(owner().window->size(), QSize(1280, 760));
  EXPECT_EQ(owner().Take(), QStringList({"own maximise"}));

  owner().window->showMinimized();
  owner().window->setWindowState(Qt::WindowMaximized);
  Settle();
  EXPECT_FALSE(owner().window->isMaximized());
  EXPECT_FALSE(owner().window->isMinimized());
  EXPECT_EQ(owner().Take(), QStringList({"normal"}));

  // Still after a declined close.
  modGeneral::UnhookMinMaxSize();
  owner().window->showMaximized();
  Settle();
  EXPECT_EQ(owner().Take(), QStringList({"own maximise"}));

  // After the exit's removal the window handles its state alone.
  modGeneral::RemoveFromTray();
  owner().window->showMaximized();
  Settle();
  EXPECT_TRUE(owner().window->isMaximized());
  EXPECT_TRUE(owner().Take().isEmpty());
}

TEST_F(TrayTest, AnOwnMaximiseThatUsesTheMaximisedStateIsLeftToIt) {
  owner().maximiseWithQt = true;
  Add();
  EXPECT_EQ(modGeneral::MainWindowSysCommand(modGeneral::SC_MAXIMIZE), 0);
  Settle();
  EXPECT_TRUE(owner().window->isMaximized());
  EXPECT_EQ(owner().Take(), QStringList({"own maximise"}));
}

TEST_F(TrayTest, RemovingTakesTheIconAwayAndIsSafeWithoutOne) {
  modGeneral::RemoveFromTray();
  EXPECT_EQ(TraceLines(), QStringList({"Enter RemoveFromTray", "Exit RemoveFromTray"}));
  EXPECT_EQ(modGeneral::MainWindowSysCommand(0xF030), 0xF030);

  Add();
  modGeneral::RemoveFromTray();
  EXPECT_EQ(modGeneral::TrayIconObject(), nullptr);
  EXPECT_EQ(modGeneral::MainWindowSysCommand(0xF030), 0xF030);
  EXPECT_EQ(TraceLines().size(), 4);
}

}  // namespace
}  // namespace OrvaneMac
