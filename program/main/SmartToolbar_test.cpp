// The main window's toolbar looks, its Help and tray menus and the search
// box's placeholder.
#include "program/main/Smart.h"

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include "ZQwinSrv/foundation/Util.h"
#include "program/browse/BrowseTestSupport.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/session/FakeEngineController.h"
#include "program/session/Transfer.h"
#include "program/windows/MesgBox.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"
#include "program/windows/modGeneralWindows.h"

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

const QString kRoot = QStringLiteral("/users/jdoe/Files/");

void Mouse(QWidget* w, QEvent::Type type, Qt::MouseButton button) {
  const QPointF local(w->width() / 2.0, w->height() / 2.0);
  QMouseEvent e(type, local, w->mapToGlobal(local), button,
                type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::MouseButtons(Qt::NoButton),
                Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}
void Press(QWidget* w, Qt::MouseButton b = Qt::LeftButton) { Mouse(w, QEvent::MouseButtonPress, b); }
void Release(QWidget* w, Qt::MouseButton b = Qt::LeftButton) { Mouse(w, QEvent::MouseButtonRelease, b); }

QStringList VisibleItems(QMenu* menu) {
  QStringList items;
  for (QAction* a : menu->actions()) {
    if (a->isVisible()) items << (a->isSeparator() ? QStringLiteral("-") : a->text());
  }
  return items;
}

class SmartToolbarTest : public ProgramTest {
 protected:
  void SetUp() override {
    App();
    ProgramTest::SetUp();
    Program().AppTitle = QStringLiteral("Orvane for Mac - Windows Restore");
    Program().RemoteRootKey = kRoot;
    modGeneral::SetWorkAreaForTesting(QRect(0, 0, 1280, 1000));
    listing_.folders[kRoot] = {};
    Main().Load();
    Main().mnuAboutTessara()->setText(QStringLiteral("About Orvane for Mac ..."));
  }
  void TearDown() override {
    CancelPending();
    Main().UnloadForTesting();
    modGeneral::SetWorkAreaForTesting({});
    ProgramTest::TearDown();
  }
  static Smart& Main() { return Smart::Instance(); }
  static void SessionOpen() {
    Main().MenuItem("mnuDisconnect")->setEnabled(true);
    Main().ColumnRemoteTreeView()->ClearNodes();
    TreeViewControl::Instance().PopulateRemoteTreeView("Smart", Main().ColumnRemoteTreeView(), true, true, false);
    gTransfer().Trf_EnableRemoteComponent();
  }
  static qint64 Handle(const char* key, bool list4 = false) {
    return (list4 ? ImageList4Mac() : ImageList1Mac()).Picture(key).cacheKey();
  }
  FakeRemoteListing listing_;
  ScopedFakeEngines engines_;
};

TEST_F(SmartToolbarTest, ResetNeedsAnOpenSessionAndRunsOnceUntilTouched) {
  Main().ColumnRemoteTreeView_MouseMove();
  EXPECT_EQ(Main().Pict_Sess_Log()->PictureHandle(), 0) << "no session: nothing changes";
  EXPECT_FALSE(Main().ToolbarNormal());

  SessionOpen();
  Main().ColumnRemoteTreeView_MouseMove();
  EXPECT_TRUE(Main().ToolbarNormal());
  EXPECT_EQ(Main().Pict_Refresh()->PictureHandle(), Handle("refresh_reg"));
  EXPECT_EQ(Main().Pict_Sess_Log()->PictureHandle(), Handle("sesslog_reg"));
  EXPECT_EQ(Main().Pict_Delete()->PictureHandle(), Handle("delete_reg"));
  EXPECT_EQ(Main().Pic_Snap()->PictureHandle(), Handle("snap_reg"));
  EXPECT_EQ(Main().Pic_Snap()->toolTip(), "Show Snapshots");
  EXPECT_EQ(Main().Pic_Rem_search()->PictureHandle(), Handle("Sea_Reg", true));
  EXPECT_EQ(Main().Trf_ImgRestore()->PictureHandle(), Handle("zq_main_res", true));

  // Normal already: a change made behind its back stays until a press.
  Main().Pict_Delete()->SetPicture(ImageList1Mac().Picture("delete_ovr"));
  Main().ColumnRemoteTreeView_MouseMove();
  EXPECT_EQ(Main().Pict_Delete()->PictureHandle(), Handle("delete_ovr"));
}

TEST_F(SmartToolbarTest, APressShowsItsPressedLookAndResetsTheOthers) {
  SessionOpen();
  Press(Main().Pict_Refresh());
  EXPECT_EQ(Main().Pict_Refresh()->PictureHandle(), Handle("refresh_ovr"));
  Press(Main().Pict_Help());  // Help passes the Refresh picture's identifier
  EXPECT_EQ(Main().Pict_Refresh()->PictureHandle(), Handle("refresh_ovr"));
  EXPECT_EQ(Main().Pict_Help()->PictureHandle(), Handle("help_ovr"));
  Press(Main().Pict_Delete());
  EXPECT_EQ(Main().Pict_Refresh()->PictureHandle(), Handle("refresh_reg"));
  EXPECT_EQ(Main().Pict_Delete()->PictureHandle(), Handle("delete_ovr"));

  // A right-button press changes nothing.
  Press(Main().Pict_Sess_Log(), Qt::RightButton);
  EXPECT_EQ(Main().Pict_Delete()->PictureHandle(), Handle("delete_ovr"));
  EXPECT_FALSE(Main().OverTree());
}

TEST_F(SmartToolbarTest, RefreshRespondsToAnyButtonOnceItWasPressedUntilAResize) {
  SessionOpen();
  Main().Show();
  listing_.asked.clear();
  Release(Main().Pict_Refresh());
  EXPECT_TRUE(listing_.asked.isEmpty()) << "never pressed";
  Press(Main().Pict_Refresh());
  Release(Main().Pict_Refresh());
  Release(Main().Pict_Refresh(), Qt::RightButton);
  EXPECT_EQ(listing_.asked, (QStringList{kRoot, kRoot}));
  EXPECT_EQ(Main().Pict_Refresh()->PictureHandle(), Handle("refresh_reg"));
  Main().Window()->resize(Main().Window()->width() + 30, Main().Window()->height());
  Release(Main().Pict_Refresh());
  EXPECT_EQ(listing_.asked.size(), 2) << "the resize cleared the press mark";
}

TEST_F(SmartToolbarTest, SnapshotReleaseWhileBusyKeepsThePressedLookAndTogglesNothing) {
  SessionOpen();
  gTransfer().Trf_WriteUserProfile("FILEVER", "0", false);
  Press(Main().Pic_Snap());
  EXPECT_EQ(Main().Pic_Snap()->PictureHandle(), Handle("snap_sunken"));
  Program().RestoreRunning = true;
  Release(Main().Pic_Snap());
  EXPECT_EQ(gTransfer().Trf_ReadUserProfile("FILEVER", false), "0");
  EXPECT_EQ(Main().Pic_Snap()->PictureHandle(), Handle("snap_sunken"));
  EXPECT_TRUE(engines_.Take().filter("Cont_EnableVersioning").isEmpty());
}

TEST_F(SmartToolbarTest, HelpPopsUpItsVisibleItemsAtThePicturesLowerLeftCorner) {
  SessionOpen();
  Main().Show();
  QStringList items;
  QPoint shownAt;
  QTimer::singleShot(0, [&] {
    QMenu* menu = Main().mnuHelp();
    items = VisibleItems(menu);
    shownAt = menu->pos();
    menu->close();
  });
  Press(Main().Pict_Help());
  Release(Main().Pict_Help());
  EXPECT_EQ(items, (QStringList{"Help Topics", "Send Error Report", "-", "About Orvane for Mac ..."}));
  EXPECT_EQ(shownAt, Main().Pict_Help()->mapToGlobal(QPoint(0, Main().Pict_Help()->height())));
  EXPECT_EQ(Main().Pict_Help()->PictureHandle(), Handle("help_reg"));
  EXPECT_EQ(VisibleItems(Main().mnuTray()), (QStringList{"Minimize", "Ma&ximize", "-", "&Exit"}));
}

TEST_F(SmartToolbarTest, TheSearchBoxKeepsItsPlaceholderInSilverItalics) {
  TextBoxEx* box = Main().txtSearchText();
  const QString placeholder = "Search for files/folders";
  auto silverItalic = [&] {
    return box->palette().color(QPalette::Text) == WinColor(12632256) && box->font().italic();
  };
  EXPECT_EQ(box->text(), placeholder);
  EXPECT_FALSE(box->font().italic());

  QKeyEvent key(QEvent::KeyPress, Qt::Key_T, Qt::NoModifier, "t");
  QApplication::sendEvent(box, &key);
  EXPECT_EQ(box->text(), "t");
  EXPECT_EQ(box->palette().color(QPalette::Text), WinColor(0));

  box->clear();
  QFocusEvent out(QEvent::FocusOut);
  QApplication::sendEvent(box, &out);
  EXPECT_EQ(box->text(), placeholder);
  EXPECT_TRUE(silverItalic());

  // The click trims and ignores case; the key compares exactly.
  box->setText("SEARCH for files/folders ");
  QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
  QApplication::sendEvent(box, &shift);
  EXPECT_EQ(box->text(), "SEARCH for files/folders ");
  Press(box);
  EXPECT_EQ(box->text(), "");

  box->setText("   ");
  QApplication::sendEvent(box, &out);
  EXPECT_EQ(box->text(), "   ") << "blanks are kept";
}

TEST_F(SmartToolbarTest, GetFolderSizeNamesTheFolderAndTheEnginesSize) {
  listing_.folders[kRoot] = {"1>Tue, 04 May 2010 10:12:33 GMT>4096>" + kRoot + "Docs/Work/>" + kRoot + "Docs/Work/"};
  SessionOpen();
  engines_.record->remoteSize = " 12.50 MB ";
  Main().ColumnRemoteTreeView()->NodeAt(1).ChildAt(1).SetSelected(true);
  QString text;
  WhenShown(MesgBox::Instance(), [&text] {
    MesgBox& box = MesgBox::Instance();
    text = (box.ShortTextShown() ? box.lblSmallText() : box.lblText())->Caption().trimmed();
    box.ButtonResult(0);
  });
  Main().MenuItem("mnuGetSize")->setEnabled(true);
  Main().MenuItem("mnuGetSize")->trigger();
  EXPECT_EQ(text, "Size of folder 'My Orvane/Docs/Work' is 12.50 MB");
  EXPECT_TRUE(engines_.Take().contains("1:Cont_GetRemoteSize(" + kRoot + "Docs/Work/," + kRoot + "Docs/Work/,0)"));

  // Nothing while a job runs.
  Program().SearchInProgress = true;
  Main().MenuItem("mnuGetSize")->trigger();
  EXPECT_TRUE(engines_.Take().filter("Cont_GetRemoteSize").isEmpty());
}

TEST_F(SmartToolbarTest, TrayMaximizeRestoresAMinimisedWindowToTheWorkArea) {
  Main().Show();
  Main().SetWindowState(1);
  Main().MenuItem("mnuTrayMaximize")->trigger();
  EXPECT_EQ(Main().WindowState(), 0);
  EXPECT_TRUE(Main().vbBMaximized);
  EXPECT_NEAR(Twips::Width(Main().Window()), 19200, 15);
  EXPECT_EQ(Main().PicMax()->toolTip(), "Maximize");
}

}  // namespace
}  // namespace OrvaneMac
