#include "program/foundation/modMain.h"

#include <QAction>
#include <QApplication>

#include <gtest/gtest.h>

#include "program/foundation/Options.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/foundation/SettingsStores.h"
#include "program/main/Smart.h"
#include "program/session/Transfer.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/objects/DispatchObject.h"
#include "platform/process/NamedMutex.h"
#include "platform/ui/RecordingMessageBox.h"
#include "program/windows/WindowsTestSupport.h"

namespace OrvaneMac {
namespace {

using namespace modGeneral;

class ModMainTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    (void)OrvaneMac::testing::App();
    SetEndProgramHandler([this] { ++ended_; });
    Program().AppTitle = "Orvane for Mac - Windows Restore";
    ASSERT_TRUE(win::ChDrive("C"));
    ASSERT_TRUE(win::ChDir("C:\\Prog"));
  }
  QString Ini(const QString& section, const QString& key) {
    return gTransfer().Trf_ReadProfile("C:\\Prog\\OrvaneMac\\orvane.ini", section, key);
  }
  int ended_ = 0;
  win::RecordingMessageBox box_;
};

TEST_F(ModMainTest, SessionCounterRunsOneToThreeAndResetsTheTraceFile) {
  InitApplication();
  EXPECT_EQ(Ini("Orvane", "Session"), "1");
  EXPECT_EQ(ReadProfileFile("", 3), "C:\\Prog\\ORVANETEMP");
  EXPECT_EQ(Bytes("Prog/OrvaneMac/OVTemppath.txt"), Bom() + Utf16("C:\\Prog\\ORVANETEMP\r\n"));
  EXPECT_EQ(Program().ShortDatePattern, "M/d/yyyy");
  EXPECT_EQ(Ini("DateFormat", "DateFormat"), "") << "stored before the first attempt made the folder";

  WriteTrace("a line of the first run");
  InitApplication();
  EXPECT_EQ(Ini("Orvane", "Session"), "2");
  EXPECT_EQ(Ini("DateFormat", "DateFormat"), "M/d/yyyy");
  InitApplication();
  EXPECT_EQ(Ini("Orvane", "Session"), "3");
  ASSERT_TRUE(Exists("Prog/OrvaneMac/TraceFile.txt"));
  InitApplication();
  EXPECT_EQ(Ini("Orvane", "Session"), "1");
  EXPECT_FALSE(Exists("Prog/OrvaneMac/TraceFile.txt")) << "\"Tracefile.txt\" names the same file";
  EXPECT_TRUE(box_.Shown().empty());
  EXPECT_EQ(ended_, 0);
}

TEST_F(ModMainTest, CounterAboveThreeKeepsCountingAndTheTraceFile) {
  ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
  gTransfer().Trf_WriteUserProfile("Session", "7", false);
  WriteTrace("kept");
  InitApplication();
  EXPECT_EQ(Ini("Orvane", "Session"), "8");
  EXPECT_TRUE(Exists("Prog/OrvaneMac/TraceFile.txt"));
}

TEST_F(ModMainTest, UnreadableCounterShowsErrorLoadingAndTheAttemptGoesOn) {
  struct Case {
    QString stored;
    QString reason;
  };
  ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
  for (const Case& c : {Case{"abc", "Type mismatch  13"}, Case{"32767", "Overflow  6"}}) {
    box_.Clear();
    gTransfer().Trf_WriteUserProfile("Session", c.stored, false);
    InitApplication();
    ASSERT_EQ(box_.Shown().size(), 1u) << c.stored.toStdString();
    EXPECT_EQ(box_.Shown()[0].text, "Error loading Orvane for Mac - Windows Restore\r\nReason: " + c.reason);
    EXPECT_EQ(box_.Shown()[0].icon, win::MB_ICON_INFORMATION);
    EXPECT_EQ(box_.Shown()[0].style, win::MB_STYLE_OK);
    EXPECT_EQ(box_.Shown()[0].title, "Orvane for Mac - Windows Restore");
    EXPECT_EQ(Ini("Orvane", "Session"), c.stored) << "the counter is left alone";
  }
}

TEST_F(ModMainTest, KeptTemporaryFolderAndEmptyDatePatternStayAsTheyAre) {
  ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
  WriteProfileFile("", "D:\\Elsewhere", 3);
  gTransfer().Trf_WriteUserProfile("DateFormat", "dd.MM.yyyy", false);
  vb::UserLocale blank = vb::UserLocale::EnglishUS();
  blank.shortDatePattern.clear();
  vb::ScopedUserLocale useBlank(blank);
  InitApplication();
  EXPECT_EQ(ReadProfileFile("", 3), "D:\\Elsewhere");
  EXPECT_EQ(Ini("DateFormat", "DateFormat"), "dd.MM.yyyy");
  EXPECT_EQ(Program().ShortDatePattern, "");
}

TEST_F(ModMainTest, SideFileOfTheSignedInAccount) {
  Program().AccountName = "ann";
  InitApplication();
  EXPECT_EQ(ReadProfileFile("ann", 3), "C:\\Prog\\ORVANETEMP");
  EXPECT_TRUE(Exists("Prog/OrvaneMac/ann/OVTemppath.txt"));
}

TEST_F(ModMainTest, OneCopyPerMachine) {
  EXPECT_FALSE(PrevInstance()) << "nobody holds the lock";
  ASSERT_TRUE(IsFirstInstance(kSingleInstanceName));
  ASSERT_TRUE(Program().SingleInstanceMutex);
  EXPECT_FALSE(PrevInstance()) << "never for the copy that holds the lock";

  // A second copy finds the lock taken.
  const auto held = std::move(Program().SingleInstanceMutex);
  EXPECT_FALSE(IsFirstInstance(kSingleInstanceName));
  EXPECT_FALSE(Program().SingleInstanceMutex);
  EXPECT_TRUE(PrevInstance());

  // A sign-in attempt of a copy that is not the first ends the process.
  InitApplication();
  EXPECT_EQ(ended_, 1);
  EXPECT_EQ(TraceLines(), QStringList({"An instance of this application is already running."}));
  EXPECT_FALSE(Exists("Prog/OrvaneMac/orvane.ini")) << "nothing after the end";
}

TEST_F(ModMainTest, LockThatCannotBeOpenedOrMade) {
  // Access denied (5): the lock's folder is not a folder this user may use.
  WriteBytes("locks/not-a-folder", "x");
  win::NamedMutex::SetFolders(tmp_.path() + "/locks/not-a-folder", {});
  EXPECT_FALSE(IsFirstInstance(kSingleInstanceName));
  EXPECT_FALSE(Program().SingleInstanceMutex);
  // A lock that cannot be made at all does not keep the program from running.
  win::NamedMutex::SetFolders(tmp_.path() + "/no/such/folder", {});
  EXPECT_TRUE(IsFirstInstance(kSingleInstanceName));
  EXPECT_TRUE(TraceLines().isEmpty());
}

TEST_F(ModMainTest, ProductStringsAndTheProgramsClasses) {
  ToolTip::SetProductStrings();
  EXPECT_EQ(Program().AppProduct, "Orvane for Mac");
  EXPECT_EQ(Program().AppTitle, "Orvane for Mac - Windows Restore");
  EXPECT_TRUE(Smart::Instance().IsLoaded());
  EXPECT_FALSE(Smart::Instance().Window()->isVisible()) << "the main window is loaded hidden";
  EXPECT_EQ(Smart::Instance().mnuAboutTessara()->text(), "About Orvane for Mac ...");
  Smart::Instance().Unload();

  RegisterProgramClasses();
  RegisterProgramClasses();
  const vb::ObjectRef monitor = win::CreateObject("OrvaneforMAC.clsMonitor");
  ASSERT_TRUE(monitor);
  EXPECT_EQ(monitor->TypeName(), "clsMonitor");
  EXPECT_NE(win::CreateObject("OrvaneforMAC.clsMonitor"), monitor) << "a new object for every call-back";
  EXPECT_TRUE(win::CreateObject("OrvaneSrv.clsController"));
}

}  // namespace
}  // namespace OrvaneMac

