// The call-back class as the engine reaches it (created by its program
// identifier, called by name) and the progress window it draws.

#include <QCheckBox>
#include <QDir>
#include <QProgressBar>

#include <gtest/gtest.h>

#include "platform/objects/ClassRegistry.h"
#include "platform/objects/DispatchObject.h"
#include "platform/errors/RuntimeError.h"
#include "platform/ui/EventPump.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/foundation/SystemHelpers.h"
#include "program/progress/ProgressWindow.h"
#include "program/progress/clsMonitor.h"
#include "program/progress/frmProgressDisplay.h"
#include "program/session/Transfer.h"
#include "program/windows/SkinControls.h"
#include "program/windows/WindowsTestSupport.h"

namespace OrvaneMac {
namespace {

constexpr double kGiB = 1073741824.0;

class ProgressTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    testing::App();
    ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
    Program().AppTitle = "Orvane for Mac - Windows Restore";
    modGeneral::RegisterProgramClasses();
  }
  void TearDown() override {
    Window().Unload();
    testing::CancelPending();
    ProgramTest::TearDown();
  }
  static frmProgressDisplay& Window() { return frmProgressDisplay::Instance(); }

  // One call-back as the engine makes it: a new object by the program
  // identifier, a late-bound call with the fourteen values.
  static vb::Variant Call(const QString& name, double fileSize, double total, double done, int percent,
                          const QString& remaining = "00:10:00", int preCall = 0, const QString& rate = "512 KB/s") {
    const vb::ObjectRef monitor = win::CreateObject("OrvaneforMAC.clsMonitor");
    std::vector<vb::Variant> args{name,
                                  fileSize,
                                  total,
                                  fileSize / 2,
                                  done,
                                  rate,
                                  vb::Variant::FromInteger(50),
                                  vb::Variant::FromInteger(static_cast<std::int16_t>(percent)),
                                  36000.0F,
                                  QStringLiteral("00:01:10"),
                                  remaining,
                                  vb::Variant::FromInteger(preCall == 0 ? 1 : 0),
                                  vb::Variant::FromInteger(static_cast<std::int16_t>(preCall)),
                                  vb::Variant::FromLong(0)};
    return win::Invoke(monitor, "UpdateMonitor", args);
  }
  void StartRestore() {
    Program().RestoreRunning = true;
    ShowProgressWindowModeless();
  }
};

TEST_F(ProgressTest, TransferUpdateDrawsTheRestoreWindow) {
  StartRestore();
  EXPECT_EQ(Call("C:\\Restore\\Tax\\a.pdf", 2048, 4096, 1843, 45).ToInteger(), 1);
  EXPECT_EQ(Call("C:\\Restore\\Tax\\a.pdf", 2048, 4096, 1843, 45).ToInteger(), 1);
  frmProgressDisplay::Controls& c = Window().C();
  EXPECT_EQ(Window().Window()->windowTitle(), "Restore Progress(45% completed)");
  EXPECT_EQ(c.lblTitle->Caption(), "Restore Progress");
  EXPECT_EQ(c.PrgbarRsyncTotal->value(), 45);
  EXPECT_EQ(c.lblRsyncTransferStatus->Caption(), "Status : " + modGeneral::GetProperSizeValue(1843) + " out of " +
                                                    modGeneral::GetProperSizeValue(4096) + " (512 KB/s)");
  EXPECT_EQ(c.txtRsyncTimeElapsed->Caption(), "00:01:10");
  EXPECT_EQ(c.txtRsyncTimeLeft->Caption(), "00:10:00");
  EXPECT_TRUE(c.Fradefault->isHidden());  // the second transfer update hides the preparing view
  EXPECT_FALSE(c.FraRsyncProgress->isHidden());
  EXPECT_TRUE(c.btnAutoPause->isHidden());
  Window().Window()->show();
  testing::SaveScreenshot(Window().Window(), "progress_transfer");
}

TEST_F(ProgressTest, PreparingUpdatesShowTheActivityUntilAFileIsShown) {
  StartRestore();
  Call("/users/jo/Files/Tax/ Listing.....", 0, 0, 0, 0, "", 1, "");
  frmProgressDisplay::Controls& c = Window().C();
  EXPECT_EQ(c.lblGenStatus->Caption(), "/users/jo/Files/Tax/ Listing.....");
  EXPECT_FALSE(Program().ProgressSnapshot.TransferUpdate);
  EXPECT_FALSE(c.Fradefault->isHidden());
  Window().Window()->show();
  testing::SaveScreenshot(Window().Window(), "progress_preparing");
}

TEST_F(ProgressTest, AShortRestoreShowsItsFileOverTheStatusChecksThatFollow) {
  StartRestore();
  Call("/users/jo/Files/Tax/ Preparing file list.....", 0, 0, 0, 0, "", 1, "");
  Call("My Orvane/Tax/a.pdf", 2048, 2048, 2048, 100);  // the only transfer update
  Call(" Checking for status.....", 0, 2048, 2048, 0, "", 1, "");
  frmProgressDisplay::Controls& c = Window().C();
  Window().Window()->show();
  const QPoint middle = c.Fradefault->geometry().center();
  QWidget* seen = Window().Window()->childAt(middle);
  EXPECT_TRUE(seen == c.FraRsyncProgress || c.FraRsyncProgress->isAncestorOf(seen))
      << (seen ? seen->objectName().toStdString() : "nothing");
  testing::SaveScreenshot(Window().Window(), "progress_short_restore");
}

TEST_F(ProgressTest, NoTotalSizeShowsThePlainTitleAndTheBytesTransferred) {
  StartRestore();
  Call("a.txt", 10, 0, 3000, 0, "00:10:00", 0, "");
  EXPECT_EQ(Window().Window()->windowTitle(), "Restore Progress");
  EXPECT_TRUE(Window().C().LblEstTime->isHidden());
  EXPECT_EQ(Window().C().lblRsyncTransferStatus->Caption(),
            "Status : " + modGeneral::GetProperSizeValue(3000) + " Transferred");
}

TEST_F(ProgressTest, TimeLeftIsShownOnlyWhenBelievable) {
  struct Case {
    const char* remaining;
    double total;
    const char* shown;
  };
  StartRestore();
  Window().C().txtRsyncTimeLeft->SetCaption("before");
  for (const Case& c : {Case{"05:10:00", 3 * kGiB, ""}, Case{"05:10:00", 4 * kGiB, "05:10:00"},
                        Case{"13:00:00", 100 * kGiB, ""}, Case{"00:45:00", 10, "00:45:00"},
                        Case{"12:00:00", 11 * kGiB, "12:00:00"}, Case{"1000", 10, "12:00:00"},
                        Case{":30", 10, "12:00:00"}, Case{"", 10, ""},
                        Case{"00:00:00", 10, ""}}) {  // nothing left with 9 bytes to go: no estimate yet
    Call("a.txt", 10, c.total, 1, 1, c.remaining);
    EXPECT_EQ(Window().C().txtRsyncTimeLeft->Caption(), c.shown) << c.remaining;
  }
  Call("a.txt", 10, 10, 10, 100, "00:00:00");  // all done
  EXPECT_EQ(Window().C().txtRsyncTimeLeft->Caption(), "00:00:00");
  // A non-numeric hour count ends that update with its trace line.
  Call("a.txt", 10, 100, 1, 1, "xx:10:00");
  EXPECT_TRUE(TraceLines().filter("Error in progress timer ").size() == 1);
}

TEST_F(ProgressTest, CloseInsideTheCallBackStopsTheRestoreAndTheNextRestoreStartsClean) {
  StartRestore();
  Call("a.txt", 10, 100, 1, 1);
  // The user's click arrives while the call-back lets messages run.
  QMetaObject::invokeMethod(
      qApp, [] { testing::ClickOn(frmProgressDisplay::Instance().C().lbl_btnStopTransfer); }, Qt::QueuedConnection);
  EXPECT_EQ(Call("a.txt", 10, 100, 2, 2).ToInteger(), 0);
  EXPECT_EQ(Call("a.txt", 10, 100, 2, 2).ToInteger(), 0);  // pressing again changes nothing
  EXPECT_TRUE(Window().IsLoaded());                        // the window stays until the restore returns

  // A stop left in a window that was never unloaded does not cancel the
  // next restore.
  StartRestore();
  EXPECT_FALSE(Program().TransferStopRequested);
  EXPECT_EQ(Call("b.txt", 10, 100, 2, 2).ToInteger(), 1);
  EXPECT_EQ(Window().TitleText(), "Restore Progress");
}

TEST_F(ProgressTest, CallBackEdgeCases) {
  // Negative sizes: nothing stored, one trace line, the usual answer.
  Program().TransferStopRequested = true;
  EXPECT_EQ(Call("neg.txt", -1, 100, 1, 1).ToInteger(), 0);
  EXPECT_TRUE(Program().ProgressSnapshot.ItemName.isEmpty());
  EXPECT_EQ(TraceLines().filter("got a call ").size(), 1);
  EXPECT_FALSE(Window().IsLoaded());
  // "?STOP" clears a pending stop and answers 1.
  EXPECT_EQ(Call("?STOP", 0, 0, 0, 0).ToInteger(), 1);
  EXPECT_FALSE(Program().TransferStopRequested);
  EXPECT_TRUE(Program().ProgressSnapshot.StopNoticePending);

  const vb::ObjectRef monitor = win::CreateObject("OrvaneforMAC.clsMonitor");
  try {
    (void)win::Invoke(monitor, "updateEncPassword", {QStringLiteral("x")});
    ADD_FAILURE() << "a member the class lacks was called";
  } catch (const vb::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 438);
  }
  EXPECT_FALSE(win::Invoke(monitor, "updateSearchProgress", {QStringLiteral("x")}).ToBoolean());
  Program().SearchStopRequested = true;
  EXPECT_TRUE(win::Invoke(monitor, "updateSearchProgress", {QStringLiteral("x")}).ToBoolean());
  Program().DeleteCancelRequested = true;
  EXPECT_TRUE(win::Invoke(monitor, "updateDelProgress", {QStringLiteral("x")}).ToBoolean());
  for (auto [seconds, text] : {std::pair{59, "00:00:59"}, std::pair{3600, "01:00:00"}, std::pair{3725, "01:02:05"}}) {
    std::vector<vb::Variant> a{vb::Variant::FromLong(seconds)};
    EXPECT_EQ(win::Invoke(monitor, "GetProperTime", a).ToString(), text);
  }
  EXPECT_EQ(win::Invoke(monitor, "GetTransferRate").ToString(), "");  // no sample: traced, empty
}

TEST_F(ProgressTest, EachActivationLetsMessagesRunFiveTimes) {
  StartRestore();
  QApplication::setActiveWindow(nullptr);
  int pumps = 0;
  {
    vb::ScopedEventPump count([&] { ++pumps; });
    QApplication::setActiveWindow(Window().Window());
  }
  EXPECT_EQ(pumps, 5);
}

TEST_F(ProgressTest, BandwidthKeysAreReadAndAltAWritesThem) {
  gTransfer().Trf_WriteUserProfile("BANDWIDTH", "abc", false);  // no number: counts as empty
  StartRestore();
  EXPECT_EQ(Window().C().lablBandWidth->Caption(), "100%");
  EXPECT_FALSE(Window().C().chkbandwidth->isChecked());
  testing::SendKey(Window().Window(), QEvent::KeyRelease, Qt::Key_A, Qt::AltModifier);
  EXPECT_EQ(gTransfer().Trf_ReadUserProfile("AUTOPAUSECHECK", false), "1");
  EXPECT_EQ(gTransfer().Trf_ReadUserProfile("BANDWIDTHPAUSE", false), "75");
  EXPECT_TRUE(Window().C().LabelPauseMsg->isHidden());  // never in a restore
}

TEST(TimeLeftRule, HoursNeedTheirGibibytes) {
  EXPECT_TRUE(IsTimeLeftPlausible(0, 1));
  EXPECT_FALSE(IsTimeLeftPlausible(kGiB - 1, 2));
  EXPECT_TRUE(IsTimeLeftPlausible(kGiB, 2));
  EXPECT_TRUE(IsTimeLeftPlausible(11 * kGiB, 12));
  EXPECT_FALSE(IsTimeLeftPlausible(1000 * kGiB, 13));
}

}  // namespace
}  // namespace OrvaneMac
