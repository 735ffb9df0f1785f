#include "program/foundation/MessageTable.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "program/foundation/ProgramTestFixture.h"
#include "platform/ui/RecordingMessageBox.h"

namespace OrvaneMac {
namespace {

using modReg::GetMessageText;

const QString kLogin = QStringLiteral("Unable to connect to server as the username/email address or password is incorrect.");
const QString kValidEmail = QStringLiteral("Enter a valid email address.");
const QString kEnsure = QStringLiteral(
    "Ensure that you have an Orvane account and that you have entered the Username/email address that was used to "
    "register the account. Login may also fail if the application has not been granted the necessary firewall "
    "privileges. If you are behind a proxy server, set the relevant proxy server setting parameters under "
    "'Settings'.");

// Every text the windows and modules ask for, exactly as they show it (the
// web site as the built-in configuration names it).
const std::vector<std::pair<Long, QString>>& Golden() {
  static const std::vector<std::pair<Long, QString>> golden = {
      {11, "Your email could not be sent for the following reason(s):\r\n"},
      {12, "Enter your email address. "},
      {14, "Enter your feedback/query. "},
      {125, " Folder size '"},
      {126, "' is 0 KB."},
      {127, " Folder size '"},
      {128, "' is "},
      {129, "Select the folder/drive under 'My Files' to restore your data."},
      {130, "Select the folder/drive under 'My Files' to restore your data."},
      {131, "Unable to continue with the restore operation. Ensure that disk is not full or write protected."},
      {132, "Do you want to view the logs for the restore operation now? \r\n\r\n"},
      {133, "Do you want to view the logs for the restore operation now?\r\n\r\n"},
      {166, "There are no items to delete."},
      {167, "Select the file(s)/folder(s) to delete."},
      {168, "Enter the full/partial file name and click 'Search'."},
      {169, "There are no items to restore."},
      {170, "Select the file(s)/folder(s) to restore."},
      {175, "Select the item(s) that you want to delete."},
      {176, "Select an item to view its details."},
      {177, "There is no item to view."},
      {178, "Select the file(s) to delete."},
      {227, "Unable to connect to server. Ensure that you have an Orvane account associated with this email address."},
      {230, kValidEmail},
      {234, "Unable to load the application completely."},
      {260, "Enter the proxy name."},
      {261, "Enter the proxy port."},
      {262, "Enter the username for the proxy authentication."},
      {263, "Enter the proxy authentication password."},
      {264, "Internet proxy settings are currently disabled."},
      {338, "This operation will abruptly stop the file transfer that is underway.\r\nDo you want to proceed? "},
      {339, "The Used Quota information is calculated on a periodical basis and not real time. Click the "
            "'Recalculate' button to view the current usage. This process may take some time."},
      {340, "Do you want to disconnect?"},
      {366, "Size of folder 'My Orvane/"},
      {367, "' is "},
      {371, "Are you sure you wish to clear the scheduler log?"},
      {377, "Select the file(s)/folder(s) to delete."},
      {379, "Select file(s)/folder(s) to restore to your local machine."},
      {406, "Synchronize Backups option in preference is enabled.\r\nThis option will delete the files from "
            "destination that does not exist in source.\r\nFiles that are deleted may not be recovered. \r\n\r\n"
            "Are you sure you wish to enabled this option. "},
      {407, "Do you want to delete the error log?"},
      {408, "Do you want to delete the log?"},
      {420, "Select\"'My Orvane'\"contents for restore "},
      {421, "Click on a folder/drive under 'My Files' to restore your data."},
      {422, "Click on a folder/drive under 'My Files' to restore your data."},
      {423, " folder is not available "},
      {424, "Selected "},
      {425, "  drive is not ready. "},
      {426, "Selected drive does not exist."},
      {427, "Selected "},
      {428, "  drive is not ready. "},
      {429, "Selected drive does not exist. "},
      {430, "Click on a folder/drive under 'My Files' to restore your data."},
      {431, " folder is not available "},
      {432, "Selected "},
      {433, "  drive is not ready. "},
      {434, "Selected drive does not exist. "},
      {435, "Selected "},
      {436, "  drive is not ready. "},
      {437, "The selected drive does not exist."},
      {444, "Creating the directory "},
      {445, "\r\nReason: "},
      {446, "Right-click on a folder or 'My Orvane' and select the 'Create a directory' option from the menu."},
      {454, "Can not rename the file to "},
      {455, "Reason: Filename beginning with Enc. is not allowed."},
      {456, "Can not  rename "},
      {457, "\r\nReason: "},
      {458, "Click on the file/folder to be renamed."},
      {459, "Click on the file/folder to be renamed."},
      {472, "Can not create the folder '"},
      {473, "'. Reason: A folder with this name already exists."},
      {474, "' drive is not ready."},
      {475, "It is not possible to create a folder in this path."},
      {476, "Select a valid folder/drive."},
      {477, "Creating the folder "},
      {478, "\r\nReason: "},
      {479, "Right-click on a folder or 'My Orvane' and select the 'Create a directory' option from the menu."},
      {480, QStringLiteral("Unable to get the contents of this folder as ") + QChar(0x2026) + "."},
      {484, "Enter your Orvane for Mac username/email address."},
      {485, "You have not selected any transfer set."},
      {486, "You have not specified any Zip File Name."},
      {487, kValidEmail},
      {488, kValidEmail},
      {489, kValidEmail},
      {490, "The selected date/time for the scheduled backup/restore has passed. Enter new settings."},
      {491, "Select the file to be backed up."},
      {492, "Select a folder to backup your data."},
      {493, "Select the file to be restored. "},
      {494, "Select a folder to restore your data."},
      {495, kValidEmail},
      {496, kValidEmail},
      {498, "Unable to connect to the server. " + kEnsure},
      {499, " There are multiple accounts associated with this email address. Enter the specific username "
            "associated with this email address to login."},
      {500, kValidEmail},
      {502, "Enter your Orvane for Mac username/email address.\r\nIf you do not have an account, visit "
            "www.orvane.example to subscribe."},
      {503, "Enter your Orvane for Mac password."},
      {506, kLogin},
      {507, kLogin},
      {508, kLogin},
      {509, kLogin},
      {510, kLogin},
      {511, kLogin},
      {512, "Unable to connect to the server as the security certificate revocation has failed. To resolve the "
            "same, from the Internet Explorer menu, go to Tools  > Internet Options...-> Advanced  > 'Check for "
            "server certificate revocation (requires restart)' and try again."},
      {513, "Unable to connect to the server. Reason: account '"},
      {514, "' has been canceled."},
      {515, "Unable to connect to the server. Reason: account '"},
      {516, "' has expired."},
      {517, "An error has occurred while loading the Snapshots. Try later."},
      {518, "An error has occurred while hiding the Snapshots. Try later."},
      {519, "The Snapshots feature is currently not available for Sub-Account holders."},
      {522, "Unable to connect to the server. Try later. \r\nReason: "},
      {523, "Unable to connect to Server. Try later."},
      {526, kEnsure},
      {568, "Unable to connect to the server. Reason: Invalid Username"},
      {569, "Unable to connect to the server. Reason: Invalid Password"},
      {570, "Select the specific username to login"},
      {1011, "\r\nUse the feedback form provided on our website www.orvane.example."},
  };
  return golden;
}

bool HasText(Long id) {
  return (id >= 1 && id <= 237) || (id >= 239 && id <= 552) || (id >= 554 && id <= 559) ||
         (id >= 561 && id <= 570) || (id >= 1000 && id <= 1003) || id == 1011;
}

TEST(MessageTableTest, EveryTextTheProgramShowsIsExact) {
  ASSERT_EQ(Golden().size(), 115u);
  for (const auto& [id, text] : Golden()) EXPECT_EQ(GetMessageText(id), text) << "message " << id;
}

TEST(MessageTableTest, NumbersWithAndWithoutText) {
  int withText = 0;
  for (Long id = -5; id <= 1100; ++id) {
    const QString text = GetMessageText(id);
    EXPECT_EQ(!text.isEmpty(), HasText(id)) << "message " << id;
    withText += text.isEmpty() ? 0 : 1;
  }
  EXPECT_EQ(withText, 572);
  for (const Long id : {238, 553, 560, 571, 999, 1004, 1010, 1012, 0, -1, 2147483647, -2147483647 - 1}) {
    EXPECT_EQ(GetMessageText(id), "") << id;
  }
  EXPECT_EQ(GetMessageText(7), GetMessageText(7)) << "the same number always gives the same text";
}

TEST(MessageTableTest, TheWebSiteIsTheServiceConfiguration) {
  OrvaneSrv::ServiceHosts hosts;
  hosts.sMainWebHost = "web.test.local";
  OrvaneSrv::ScopedServiceHosts scoped(hosts);
  EXPECT_TRUE(GetMessageText(1011).startsWith("\r\n"));
  EXPECT_EQ(GetMessageText(1011), "\r\nUse the feedback form provided on our website web.test.local.");
  EXPECT_TRUE(GetMessageText(502).endsWith("visit web.test.local to subscribe."));
}

TEST(MessageTableTest, RecalculateTooltipIsTheOnlyOne) {
  const QString tip = QStringLiteral(
      "Recalculating quota may take some time based on your account size. The quota field will automatically "
      "update when it is complete.");
  EXPECT_EQ(modReg::GetToolTipText("Smart.lblrecalculate"), tip);
  EXPECT_EQ(modReg::GetToolTipText("SMART.LBLRECALCULATE"), tip);
  EXPECT_EQ(modReg::GetToolTipText("Smart.lblrecalc"), "");
  EXPECT_EQ(modReg::GetToolTipText(""), "");
}

class ZQwinErrorTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    Program().AppTitle = "Orvane for Mac - Windows Restore";
  }
  win::RecordingMessageBox box_;
};

TEST_F(ZQwinErrorTest, CodesShowTheirMessageAsAnError) {
  const std::vector<std::pair<Integer, Long>> codes = {{11, 484},  {101, 485}, {103, 486}, {104, 487}, {105, 488},
                                                       {106, 489}, {108, 490}, {201, 491}, {202, 492}, {203, 493},
                                                       {204, 494}, {205, 495}, {206, 496}};
  for (const auto& [code, id] : codes) {
    box_.Clear();
    EXPECT_EQ(modGeneral::ZQwinError(code), 0);
    ASSERT_EQ(box_.Shown().size(), 1u) << code;
    EXPECT_EQ(box_.Shown()[0].text, GetMessageText(id)) << code;
    EXPECT_EQ(box_.Shown()[0].icon, win::MB_ICON_ERROR);
    EXPECT_EQ(box_.Shown()[0].style, win::MB_STYLE_OK);
    EXPECT_EQ(box_.Shown()[0].title, "Orvane for Mac - Windows Restore");
  }
  box_.Clear();
  EXPECT_EQ(modGeneral::ZQwinError(105), 0);
  EXPECT_EQ(box_.Shown().at(0).text, "Enter a valid email address.");
  EXPECT_EQ(TraceLines().mid(TraceLines().size() - 2), QStringList({"Enter ZQWinError 105", "Exit ZQWinError"}))
      << "the trace writer trims its lines";
}

TEST_F(ZQwinErrorTest, OtherCodesShowNothing) {
  for (const Integer code : {102, 107, 200, 0, -1}) EXPECT_EQ(modGeneral::ZQwinError(code), 0);
  EXPECT_TRUE(box_.Shown().empty());
  EXPECT_EQ(TraceLines().mid(0, 2), QStringList({"Enter ZQWinError 102", "Exit ZQWinError"}));
}

}  // namespace
}  // namespace OrvaneMac
