#include "ZQwinSrv/server/clsWebdavController.h"

#include "ZQwinSrv/foundation/EngineTestFixture.h"

#include <gtest/gtest.h>

#include "ZQwinSrv/server/WebDavControl.h"
#include "platform/files/FileAttributes.h"

namespace OrvaneSrv {
namespace {

class clsWebdavControllerTest : public EngineTest {
 protected:
  clsWebdavController controller_;
};

TEST_F(clsWebdavControllerTest, SignInChoosesPortAndSecureFlagFromTheSslSetting) {
  struct Row {
    bool useSsl;
    bool nonSslPort;
    QString port;
    Long flags;
  };
  const Row rows[] = {{true, false, "443", 0x800000}, {true, true, "80", 0}, {false, false, "80", 0}};
  Engine().gsServerName = "dav1.orvane.example";
  for (const Row& row : rows) {
    Engine().gbUseSSL = row.useSsl;
    // The restore program's mode sends nothing and answers true, even when
    // the connection could not be opened (there is no session here).
    EXPECT_TRUE(controller_.Cont_login("u", "wrong", row.nonSslPort));
    EXPECT_EQ(Engine().gsWebdavPort, row.port);
    EXPECT_EQ(Engine().glSecureFlags, row.flags);
    EXPECT_EQ(Engine().gbNonSSLPort, row.nonSslPort);
    EXPECT_EQ(Engine().gsAccountRoot, "/users/u/Files/");
  }
  // The unattended run checks the login, which fails without a connection.
  Engine().giMode = 0;
  EXPECT_FALSE(controller_.Cont_login("u", "p"));
}

TEST_F(clsWebdavControllerTest, EncryptAndDecryptDoubleAndHalveTheCodes) {
  EXPECT_EQ(controller_.contEncrypt("abc"), QString("\u00c2\u00c4\u00c6"));
  EXPECT_EQ(controller_.contEncrypt("\u00e9"), "");
  EXPECT_TRUE(TraceLines().contains("contEncrypt 5Invalid procedure call or argument"));
  // 97.5 and 98.5 both round to the even 98.
  EXPECT_EQ(controller_.contDecrypt(QString("\u00c3\u00c5")), "bb");
  EXPECT_EQ(controller_.contDecrypt(controller_.contEncrypt("Orvane")), "Orvane");
}

TEST_F(clsWebdavControllerTest, SmallMembers) {
  EXPECT_EQ(controller_.Cont_GetColonChecked("C:\\a:b"), "C\\ab");
  EXPECT_EQ(controller_.Cont_GetColonChecked("C\\ab"), "C\\ab");
  EXPECT_EQ(controller_.Cont_GetAddPath("x", "y", "D:\\R\\"), "D:\\R\\");
  EXPECT_FALSE(controller_.cont_getincflag());
  controller_.ENCF(true);
  EXPECT_TRUE(controller_.ENCF());
  // Right after a restore with no failures: two empty texts, the restored
  // line, and no failed line.
  EXPECT_EQ(controller_.GetRestStatsMsg(), "\r\n\r\n\r\n");
  EXPECT_EQ(controller_.GetStatsMsg(), "\r\n\r\n\r\n");
}

TEST_F(clsWebdavControllerTest, GetNooffilesCountsTheWholeTree) {
  WriteBytes("Tree/a.txt", "1");
  WriteBytes("Tree/b.txt", "2");
  WriteBytes("Tree/Sub/c.txt", "3");
  WriteBytes("Tree/Sub/d.txt", "4");
  WriteBytes("Tree/Sub/Deeper/e.txt", "5");
  EXPECT_EQ(controller_.GetNooffiles("C:\\Tree\\"), 5);
  EXPECT_EQ(controller_.GetNooffiles("C:\\Missing\\"), 0);
}

TEST_F(clsWebdavControllerTest, ArchiveBitTestOfEncryptedOrCompressedItems) {
  WriteBytes("f.txt", "x");
  win::SetAttr("C:\\f.txt", 0);
  EXPECT_FALSE(controller_.Cont_CheckArchiveBitForEncComp("C:\\f.txt", ""));
  controller_.ZIPF(true);
  EXPECT_TRUE(controller_.Cont_CheckArchiveBitForEncComp("C:\\f.txt", ""));
  win::SetAttr("C:\\f.txt", 32);
  EXPECT_FALSE(controller_.Cont_CheckArchiveBitForEncComp("C:\\f.txt", ""));
}

TEST_F(clsWebdavControllerTest, IncrementalBackupTestWithoutTheRemoteSize) {
  // No connection: the remote size is -1.
  WriteBytes("f.txt", "x");
  struct Row {
    long attributes;
    bool encf, zipf;
    bool needsSending;
  };
  const Row rows[] = {
      {32, false, false, true}, {0, true, true, false}, {0, false, true, false},
      {0, true, false, true},   {0, false, false, true},
  };
  for (const Row& row : rows) {
    win::SetAttr("C:\\f.txt", row.attributes);
    controller_.ENCF(row.encf);
    controller_.ZIPF(row.zipf);
    EXPECT_EQ(controller_.Cont_CheckForIncrementalBackup("C:\\f.txt", "/users/u/Files/f.txt"), row.needsSending)
        << row.attributes << row.encf << row.zipf;
  }
}

}  // namespace
}  // namespace OrvaneSrv
