#include "program/session/Transfer.h"

#include <gtest/gtest.h>

#include "program/browse/BrowseTestSupport.h"
#include "program/browse/TreeImages.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/windows/SkinImages.h"

namespace OrvaneMac {
namespace {

using testing::MiniMainWindow;

class ComponentStateTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    testing::App();
    main_ = std::make_unique<MiniMainWindow>();
    main_->tree->AddRoot("/users/jo/Files/", "My Orvane", 9, 9).AddChild("/users/jo/Files/a/", "a", 6, 6, true);
  }
  void TearDown() override {
    main_.reset();
    ProgramTest::TearDown();
  }
  static MainWindowControls& M() { return MainWindow(); }
  static qint64 Handle(ImageList& list, const char* key) { return list.Picture(key).cacheKey(); }
  void SnapshotsShown(bool on) {
    WriteBytes("Prog/OrvaneMac/orvane.ini", on ? QByteArray("[Orvane]\r\nFILEVER=1\r\n") : QByteArray());
  }

  std::unique_ptr<MiniMainWindow> main_;
};

TEST_F(ComponentStateTest, BusyAndIdleDoNotNest) {
  Program().RemoteTreeConnected = true;
  gTransfer().Trf_DisableComponent();
  gTransfer().Trf_DisableComponent();
  EXPECT_EQ(MainMousePointer(), 11);
  EXPECT_FALSE(main_->window->isEnabled());
  gTransfer().Trf_EnableComponent();
  EXPECT_EQ(MainMousePointer(), 0);
  EXPECT_TRUE(main_->window->isEnabled());
  EXPECT_EQ(main_->tree->NodeCount(), 2);  // connected: the tree stays
}

TEST_F(ComponentStateTest, IdleWithoutAListedRootIsTheDisconnectedState) {
  gTransfer().Trf_EnableRemoteComponent();
  Program().RemoteTreeConnected = false;
  gTransfer().Trf_EnableComponent();
  EXPECT_TRUE(main_->window->isEnabled());
  EXPECT_EQ(main_->tree->NodeCount(), 0);  // the remote root went with its children
  EXPECT_FALSE(main_->tree->isEnabled());
  EXPECT_FALSE(M().Pict_Refresh->isEnabled());
  EXPECT_EQ(M().Pict_Refresh->PictureHandle(), Handle(ImageList1Mac(), "refresh_disable"));
  EXPECT_EQ(M().Pic_Snap->PictureHandle(), Handle(ImageList1Mac(), "snap_disable"));
  EXPECT_FALSE(M().Trf_ImgRestore->isEnabled());
  EXPECT_TRUE(M().mnuConnect->isEnabled());
  EXPECT_FALSE(M().mnuDisconnect->isEnabled());
  EXPECT_FALSE(M().mnuTools->isEnabled());

  // Again on an empty tree: nothing to remove, nothing reported.
  gTransfer().Trf_DisableRemoteComponent(false);
  EXPECT_TRUE(TraceLines().isEmpty());
}

TEST_F(ComponentStateTest, ConnectedStateAndTheSnapshotPicture) {
  SnapshotsShown(true);
  gTransfer().Trf_EnableRemoteComponent();
  EXPECT_TRUE(main_->tree->isEnabled());
  EXPECT_TRUE(M().Pict_Refresh->isEnabled());
  EXPECT_EQ(M().Pict_Refresh->PictureHandle(), Handle(ImageList1Mac(), "refresh_reg"));
  EXPECT_EQ(M().lblrecalculate->PictureHandle(), Handle(ImageList4Mac(), "zq_recalculate"));
  EXPECT_EQ(M().Pic_Rem_search->PictureHandle(), Handle(ImageList4Mac(), "Sea_Reg"));
  EXPECT_EQ(M().Pic_Snap->PictureHandle(), Handle(ImageList1Mac(), "snap_sunken"));
  EXPECT_TRUE(M().mnuTessara->isEnabled());

  gTransfer().Trf_DisableRemoteComponent(true);
  EXPECT_EQ(M().Pic_Snap->PictureHandle(), Handle(ImageList1Mac(), "snap_sunken"));
  EXPECT_EQ(main_->tree->NodeCount(), 2);  // kept
  EXPECT_FALSE(M().Pic_Snap->isEnabled());
}

TEST_F(ComponentStateTest, FolderInformationViewSwapsTheMenuItems) {
  Program().RemoteTreeConnected = true;
  gTransfer().Trf_ShowRemoteDirInfo();
  EXPECT_TRUE(Program().RemoteDirInfoShown);
  EXPECT_FALSE(M().mnuViewremdirinfo->isEnabled());
  EXPECT_TRUE(M().mnuhideremdirinfo->isEnabled());
  EXPECT_FALSE(M().Trf_ImgRestore->isVisibleTo(main_->window.get()));

  // Disconnecting turns the view off.
  gTransfer().Trf_DisableRemoteComponent(true);
  EXPECT_FALSE(Program().RemoteDirInfoShown);
  EXPECT_TRUE(M().popmnuViewremdirinfo->isEnabled());
  EXPECT_FALSE(M().popmnuvhideremdirinfo->isEnabled());
  EXPECT_TRUE(M().Trf_ImgRestore->isVisibleTo(main_->window.get()));
  EXPECT_EQ(TraceLines(), QStringList({"Enter Trf_ShowRemoteDirInfo", "Exit Trf_ShowRemoteDirInfo",
                                       "Enter Trf_HideRemoteDirInfo", "Exit Trf_HideRemoteDirInfo"}));
}

TEST_F(ComponentStateTest, AMissingControlEndsTheProcedureWithItsLine) {
  main_.reset();  // the main window closed
  gTransfer().Trf_DisableComponent();
  gTransfer().Trf_EnableRemoteComponent();
  gTransfer().Trf_HideRemoteDirInfo();
  EXPECT_EQ(TraceLines(), QStringList({
                              "Error Reason :Object variable or With block variable not setin procedure "
                              "Trf_DisableComponent of Class Module Transfer",
                              "91  Object variable or With block variable not set",
                              "Enter Trf_HideRemoteDirInfo",
                              "91  Object variable or With block variable not set",
                              "Exit Trf_HideRemoteDirInfo",
                          }));
}

}  // namespace
}  // namespace OrvaneMac
