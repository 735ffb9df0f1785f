// The quota row of the main window refreshed from the engine's quota text:
// bar value and colour, tooltip, label, header, the stored figures, and the
// texts that change nothing.
#include <gtest/gtest.h>

#include "program/browse/BrowseTestSupport.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/session/FakeEngineController.h"
#include "program/session/Transfer.h"

namespace OrvaneMac {
namespace {

using testing::ScopedFakeEngines;

class QuotaTest : public ProgramTest {
 protected:
  void SetUp() override {
    testing::App();
    ProgramTest::SetUp();
    ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
    engines_.emplace();
    main_.emplace();
    Program().RemoteTreeConnected = true;
    Program().ShownAccountName = QStringLiteral("  jdoe\n");
  }
  void TearDown() override {
    main_.reset();
    engines_.reset();
    ProgramTest::TearDown();
  }
  QString Profile(const char* key) { return gTransfer().Trf_ReadUserProfile(QString::fromLatin1(key), false); }

  std::optional<ScopedFakeEngines> engines_;
  std::optional<testing::MiniMainWindow> main_;
};

TEST_F(QuotaTest, TheRowShowsUsedAgainstTheTotal) {
  struct Case {
    const char* quotaText;
    const char* accountQuota;
    double value;
    long colour;
    const char* tip;
    const char* label;
    const char* total;
    const char* used;
  };
  const Case cases[] = {
      // The sign-in's quota wins over the server's figure.
      {"512/2048", "1024", 50, 909095, " 512 MB Out Of 1,024 MB ", "Quota Used: 512 MB Out of 1,024 MB", "1024 MB",
       "512 MB"},
      {"1024/5120", "1024", 100, 5066239, " 1,024 MB Out Of 1,024 MB ", "Quota Used: 1,024 MB Out of 1,024 MB",
       "1024 MB", "1024 MB"},
      {"3000/100", "1024", 100, 5066239, " 3,000 MB Out Of 1,024 MB ", "Quota Used: 3,000 MB Out of 1,024 MB",
       "1024 MB", "3000 MB"},
      // Without a quota from the sign-in the server's figure is the total.
      {"512/2048", "", 25, 909095, " 512 MB Out Of 2,048 MB ", "Quota Used: 512 MB Out of 2,048 MB", "2048 MB",
       "512 MB"},
      {"512/2048", "0", 25, 909095, " 512 MB Out Of 2,048 MB ", "Quota Used: 512 MB Out of 2,048 MB", "2048 MB",
       "512 MB"},
      // A leading minus goes.
      {"-3/100", "", 3, 909095, " 3 MB Out Of 100 MB ", "Quota Used: 3 MB Out of 100 MB", "100 MB", "3 MB"},
      {"12.5/50", "", 25, 909095, " 13 MB Out Of 50 MB ", "Quota Used: 13 MB Out of 50 MB", "50 MB", "12.5 MB"},
      // No figure before the "/": nothing used.
      {"/2048", "", 0, 909095, " 0 MB Out Of 2,048 MB ", "Quota Used: 0 MB Out of 2,048 MB", "2048 MB", "0 MB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.quotaText + std::string(" / ") + c.accountQuota);
    main_->bar = {};
    engines_->record->quota = QString::fromLatin1(c.quotaText);
    Program().AccountQuotaMB = QString::fromLatin1(c.accountQuota);
    SetMainMousePointer(11);
    gTransfer().Trf_UpdateTessaraDiskInfo();
    EXPECT_DOUBLE_EQ(main_->bar.value, c.value);
    EXPECT_EQ(main_->bar.colour, c.colour);
    EXPECT_EQ(main_->bar.tip, QString::fromLatin1(c.tip));
    EXPECT_EQ(MainWindow().lblUserQuota->Caption(), QString::fromLatin1(c.label));
    EXPECT_EQ(MainWindow().lblVersionDisp->Caption(), "jdoe: Orvane for Mac - Windows Restore");
    EXPECT_EQ(Profile("TotalSpace"), QString::fromLatin1(c.total));
    EXPECT_EQ(Profile("UsedSpace"), QString::fromLatin1(c.used));
    EXPECT_EQ(Program().QuotaTotalText, QString::fromLatin1(c.total));
    EXPECT_EQ(Program().QuotaUsedText, QString::fromLatin1(c.used));
    EXPECT_EQ(MainMousePointer(), 0);
  }
}

TEST_F(QuotaTest, WithoutAnyTotalTheBarKeepsItsValueAndColour) {
  main_->bar = {40, 5066239, "old"};
  engines_->record->quota = "512/";
  Program().AccountQuotaMB.clear();
  gTransfer().Trf_UpdateTessaraDiskInfo();
  EXPECT_DOUBLE_EQ(main_->bar.value, 40);
  EXPECT_EQ(main_->bar.colour, 5066239);
  EXPECT_EQ(main_->bar.tip, " 512 MB Out Of 0 MB ");
  EXPECT_EQ(MainWindow().lblUserQuota->Caption(), "Quota Used: 512 MB Out of 0 MB");
}

TEST_F(QuotaTest, NoQuotaOrNoSessionChangesNothing) {
  struct Case {
    bool connected;
    const char* quotaText;
    bool asked;
  };
  for (const Case c : {Case{true, "", true}, Case{true, "0", true}, Case{true, "-0", true}, Case{false, "5/10", false}}) {
    SCOPED_TRACE(c.quotaText);
    main_->bar = {40, 5066239, "old"};
    Program().RemoteTreeConnected = c.connected;
    engines_->record->quota = QString::fromLatin1(c.quotaText);
    SetMainMousePointer(11);
    gTransfer().Trf_UpdateTessaraDiskInfo();
    EXPECT_EQ(engines_->Take().join(' ').contains("Cont_GetQuotaInfo"), c.asked);
    EXPECT_EQ(main_->bar.tip, "old");
    EXPECT_EQ(MainWindow().lblUserQuota->Caption(), "Your quota: 00000000MB");
    EXPECT_EQ(MainWindow().lblVersionDisp->Caption(), "Version: 9.5.4");
    EXPECT_EQ(Profile("TotalSpace"), "");
    EXPECT_EQ(Program().QuotaTotalText, "");
    EXPECT_EQ(MainMousePointer(), 0);
  }
}

TEST_F(QuotaTest, AFailingQuotaCallLeavesTheRowAsItWas) {
  engines_->record->failing = "Cont_GetQuotaInfo";
  gTransfer().Trf_UpdateTessaraDiskInfo();
  EXPECT_EQ(MainWindow().lblUserQuota->Caption(), "Your quota: 00000000MB");
  EXPECT_EQ(MainMousePointer(), 0);
}

TEST_F(QuotaTest, AMissingControlSkipsOnlyItsOwnStep) {
  delete MainWindow().lblVersionDisp.data();
  engines_->record->quota = "512/2048";
  Program().AccountQuotaMB = "1024";
  gTransfer().Trf_UpdateTessaraDiskInfo();
  EXPECT_EQ(MainWindow().lblUserQuota->Caption(), "Quota Used: 512 MB Out of 1,024 MB");
  EXPECT_EQ(Profile("UsedSpace"), "512 MB");
  EXPECT_EQ(MainMousePointer(), 0);
}

}  // namespace
}  // namespace OrvaneMac
