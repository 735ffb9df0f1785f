#include "program/windows/AboutZQWIN.h"

#include <QApplication>
#include <QClipboard>

#include <gtest/gtest.h>

#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/ProgramState.h"
#include "program/windows/SkinControls.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"
#include "program/windows/WindowsTestSupport.h"
#include "platform/shell/FileVersion.h"

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

const QString kTitle = QStringLiteral("Orvane for Mac - Windows Restore");

class AboutZQWINTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    Program().AppTitle = kTitle;
  }
  void TearDown() override {
    CancelPending();
    Box().Unload();
    win::SetFileVersion("OrvaneSrv.dll", win::FileVersion{1, 0, 0, 0});
    Program().AppTitle.clear();
  }
  static AboutZQWIN& Box() { return AboutZQWIN::Instance(); }
  static QWidget* W() { return Box().Window(); }
  static QStringList VersionLines() { return Box().txtVersionList()->Caption().split("\r\n"); }
  // Shows the box, lets `act` work on it and answers whether it closed.
  static bool ClosedBy(std::function<void()> act) {
    bool stillOpen = false;
    WhenShown(Box(), [act, &stillOpen] {
      act();
      stillOpen = Box().IsLoaded() && !Box().Window()->isHidden();
      if (stillOpen) Box().Unload();
    });
    Box().ShowAbout();
    return !stillOpen;
  }
};

const QString kReleaseLine = "Release Date             " + QString(16, ' ') + "     07/09/2010";

TEST_F(AboutZQWINTest, ListsTheReleaseDateAndBothDeliverables) {
  Box().Load();
  EXPECT_EQ(VersionLines(), QStringList({"", kReleaseLine,
                                          "OrvaneRestore_100.exe" + QString(11 + 8, ' ') + "1.0.0.0",
                                          "OrvaneSrv.dll" + QString(12 + 24, ' ') + "1.0.0.0"}));
  EXPECT_EQ(Box().Label1()->Caption(), kTitle + " - Version 1.0.0");
  EXPECT_EQ(Box().LblAppCaption()->Caption(), kTitle);
  EXPECT_EQ(Box().Label4()->Caption(), kTitle);
  EXPECT_EQ(Box().lbl_lblcopy()->Caption(), "&OK");
  EXPECT_EQ(Box().lblcopy()->PictureHandle(), ImageList4Mac().Picture("button_mini_enb").cacheKey());
  EXPECT_EQ(Box().Window()->PictureHandle(), ImageList4Mac().Picture("zq_about_us").cacheKey());
  EXPECT_EQ(Box().imgLogo()->PictureHandle(), ImageList1Mac().Picture("zq_logo").cacheKey());
  EXPECT_TRUE(Program().SkipActivateRepaint);

  Box().cmdCopy_Click();
  EXPECT_EQ(QApplication::clipboard()->text(), Box().txtVersionList()->Caption());
}

TEST_F(AboutZQWINTest, TheTitleEndsInMajorMinorAndRevision) {
  const auto built = win::GetFileVersionInfo("OrvaneMacRestore_100.exe");
  win::SetFileVersion("OrvaneMacRestore_100.exe", win::FileVersion{2, 1, 7, 3});
  Box().Load();
  EXPECT_EQ(Box().Label1()->Caption(), kTitle + " - Version 2.1.3");
  win::SetFileVersion("OrvaneMacRestore_100.exe", built);
}

TEST_F(AboutZQWINTest, AFileWithoutVersionGetsNoLineAndPartsAreSignedSixteenBit) {
  win::SetFileVersion("OrvaneSrv.dll", std::nullopt);  // missing from the program folder
  Box().Load();
  EXPECT_EQ(VersionLines().size(), 3);
  EXPECT_TRUE(VersionLines().last().startsWith("OrvaneRestore_100.exe"));
  Box().Unload();

  win::SetFileVersion("OrvaneSrv.dll", win::FileVersion{40000, 1, 65535, 32767});
  EXPECT_EQ(Box().GetVersionInfo("OrvaneSrv.dll"), "-25536.1.-1.32767");
  EXPECT_EQ(Box().GetVersionInfo("nothing.dll"), "N/A");
  Box().Load();
  EXPECT_TRUE(VersionLines().last().endsWith(" -25536.1.-1.32767"));
}

TEST_F(AboutZQWINTest, KeysAndButtonsThatCloseIt) {
  struct Case {
    const char* what;
    std::function<void()> act;
    bool closes;
  };
  const Case cases[] = {
      {"Alt+O", [] { TypeKey(W(), Qt::Key_O, Qt::AltModifier); }, true},
      {"O", [] { TypeKey(W(), Qt::Key_O); }, false},
      {"Ctrl+Alt+O", [] { TypeKey(W(), Qt::Key_O, Qt::AltModifier | Qt::ControlModifier); }, false},
      {"Escape", [] { TypeKey(W(), Qt::Key_Escape); }, true},
      {"Shift+Escape", [] { TypeKey(W(), Qt::Key_Escape, Qt::ShiftModifier); }, true},
      {"Ctrl+Escape", [] { TypeKey(W(), Qt::Key_Escape, Qt::ControlModifier); }, true},
      {"OK", [] { ClickOn(Box().lblcopy()); }, true},
      {"OK's label", [] { ClickOn(Box().lbl_lblcopy()); }, true},
      {"right click on OK", [] { ClickOn(Box().lblcopy(), Qt::RightButton); }, false},
      {"Close", [] { ClickOn(Box().lblshortclose()); }, true},
  };
  for (const Case& c : cases) EXPECT_EQ(ClosedBy(c.act), c.closes) << c.what;
}

TEST_F(AboutZQWINTest, HoverSwitchesTheOkFace) {
  Box().Load();
  HoverOver(Box().lbl_lblcopy());
  EXPECT_EQ(Box().lblcopy()->PictureHandle(), ImageList4Mac().Picture("button_mini_ovr").cacheKey());
  HoverOver(W());
  EXPECT_EQ(Box().lblcopy()->PictureHandle(), ImageList4Mac().Picture("button_mini_enb").cacheKey());
}

TEST_F(AboutZQWINTest, HighResolutionKeepsThePixelSizeOf96Dpi) {
  Box().Load();
  const long designColour = Box().Label4()->ForeColor();
  const QRectF label1 = Twips::Place(Box().Label1());
  const QRectF ok = Twips::Place(Box().lblcopy());
  EXPECT_EQ(Box().Width(), 6000);
  EXPECT_EQ(W()->size(), QSize(400, 260));
  Box().Unload();

  ScopedTwipsPerPixel dpi120(12, 12);
  Box().Load();
  EXPECT_EQ(Box().Width(), 6000 / 1.25);
  EXPECT_EQ(Box().Height(), 3900 / 1.25);
  EXPECT_EQ(W()->size(), QSize(400, 260));
  EXPECT_EQ(Twips::Place(Box().Label1()),
            QRectF(label1.x() / 1.25, label1.y() / 1.25, label1.width() / 1.25, label1.height() / 1.25));
  // The OK face keeps its size and only moves.
  EXPECT_EQ(Twips::Place(Box().lblcopy()), QRectF(ok.x() / 1.25, ok.y() / 1.25, ok.width(), ok.height()));
  EXPECT_EQ(Box().Label4()->ForeColor(), modGeneral::getMajorVersion() >= 6 ? 0xFFFFFF : designColour);
}

TEST_F(AboutZQWINTest, Screenshot) {
  Box().Load();
  EXPECT_TRUE(QFileInfo::exists(SaveScreenshot(W(), "about_box")));
}

}  // namespace
}  // namespace OrvaneMac
