// The delete window, the quota row and its recalculation through the real
// engine against the service double: a file and a folder deleted with their
// log lines, a cancel inside a long folder reply, the quota figures the
// server reports, and the recalculation after its notice. Runs inside
// testbed/run; skipped outside it.
#include "program/main/Deleteremotefrm.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>

#include "ZQwinSrv/facade/ClassRegistration.h"
#include "platform/clock/FakeClock.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/objects/DispatchObject.h"
#include "platform/text/UserLocale.h"
#include "platform/text/Format.h"
#include "program/browse/BrowseTestSupport.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/foundation/SystemHelpers.h"
#include "program/main/MainWindowServices.h"
#include "program/main/QuotaRecalculation.h"
#include "program/session/Transfer.h"
#include "program/session/clsController.h"
#include "testbed/include/TestbedControl.h"

namespace OrvaneMac {
namespace {

QString Env(const char* name) { return qEnvironmentVariable(name); }

// The engine's folder-delete call-back reaches the delete window as the
// program's call-back class passes it on.
class DeleteMonitor : public win::DispatchObject {
 public:
  const win::MemberTable& Members() const override {
    static const auto table = win::MemberTable::Of<DeleteMonitor>(
        "clsMonitor", {
                          {"updateDelProgress", win::Method, win::Params::ByVal(),
                           [](DeleteMonitor&, win::DispatchArgs& a) {
                             const bool stop = DeleteWindowUpdateProgress(a[0].ToString());
                             Answers().append(stop ? "stop" : "go");
                             return vb::Variant(stop);
                           }},
                      });
    return table;
  }
  static QStringList& Answers() {
    static QStringList answers;
    return answers;
  }
};

class DeleteE2eTest : public ProgramTest {
 protected:
  void SetUp() override {
    if (!testbed::Running()) GTEST_SKIP() << "not inside testbed/run";
    testing::App();
    ProgramTest::SetUp();
    ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
    testbed::Reset(true);
    OrvaneSrv::RegisterEngineClasses();
    clsController::Instance().ReleaseEngines();
    clsController::Instance().SetEngineFactory({});
    monitor_.emplace(win::RegisterClassObject(
        {"{9B0C61D2-3E4F-4A57-8C19-2D6E7F80A1B3}", "OrvaneforMAC.clsMonitor",
         [] { return std::make_shared<DeleteMonitor>(); }, win::ServerKind::LocalServer,
         "C:\\Prog\\OrvaneMacRestore_100.exe", {}}));
    DeleteMonitor::Answers().clear();
    Program().AppTitle = "Orvane for Mac - Windows Restore";
    Program().AccountName = user_;
    Program().ShownAccountName = user_;
    Program().RemoteRootKey = "/users/" + user_ + "/Files/";
    Program().ShortDatePattern = "M/d/yyyy";
    gTransfer().Trf_WriteUserProfile("UserName", user_, false);
    ASSERT_TRUE(clsController::Instance().Cont_login(user_, password_, false));
    main_.emplace();
    UseControllerListing();
    main_->tree->ClearNodes();
    ASSERT_TRUE(TreeViewControl::Instance().PopulateRemoteTreeView("Smart", main_->tree, true, true, false));
    testbed::Control("DELETE", "/log");
  }
  void TearDown() override {
    if (!testbed::Running()) return;
    testing::CancelPending();
    Deleteremotefrm::Instance().Unload();
    SetRemoteListing(nullptr);
    main_.reset();
    clsController::Instance().ReleaseEngines();
    monitor_.reset();
    ProgramTest::TearDown();
  }

  static QString AccountPath(const QString& relative) { return Env("TESTBED_ACCOUNT_ROOT") + "/" + relative; }
  static void MakeFile(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::ReadGroup);
  }
  QString Root() const { return "/users/" + user_ + "/Files/"; }
  void Fill(const QStringList& entries) {
    Program().EnumRestoreItemSet = std::make_shared<vb::Collection>();
    for (const QString& e : entries) Program().EnumRestoreItemSet->Add(e);
  }
  // Opens the window as the main window's delete command does and presses
  // OK once it is up; `beforeOk` runs first.
  void DeleteWithOk(std::function<void()> beforeOk = {}) {
    QString list;
    for (qsizetype i = 1; i <= Program().EnumRestoreItemSet->Count(); ++i) {
      list += modGeneral::GetRemotePath(Program().EnumRestoreItemSet->Item(i).ToString().mid(2), 0) + "\r\n";
    }
    testing::WhenShown(Deleteremotefrm::Instance(), [beforeOk] {
      if (beforeOk) beforeOk();
      testing::ClickOn(Deleteremotefrm::Instance().lbl_OK());
    });
    ShowDeleteWindow("Delete file(s)/folder(s) list.", list);
  }
  QStringList Log() const {
    const QByteArray bytes = Bytes("Prog/OrvaneMac/OrvaneLogFile.txt");
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    QStringList lines;
    for (const QString& line : text.split("\r\n", Qt::SkipEmptyParts)) {
      if (line.contains("Deleted") || line.contains("Could not delete")) {
        lines.append(line.left(12).trimmed() + "|" + line.mid(line.indexOf(" : ", 14) + 3));
      }
    }
    return lines;
  }
  static QStringList Requests() {
    QStringList requests;
    for (const QJsonValue& v : testbed::Log()) {
      const QJsonObject o = v.toObject();
      if (o["kind"].toString() == "request") requests.append(o["method"].toString() + " " + o["target"].toString());
    }
    return requests;
  }
  void SetQuota(double quotaMb, double usedMb) {
    testbed::Control("POST", "/state",
                     QJsonObject{{"user", user_}, {"quota", quotaMb * 1048576}, {"used", usedMb * 1048576}});
  }

  const QString user_ = Env("TESTBED_USER");
  const QString password_ = Env("TESTBED_PASSWORD");
  std::optional<win::ClassRegistration> monitor_;
  std::optional<testing::MiniMainWindow> main_;
};

TEST_F(DeleteE2eTest, AFileAndAFolderGoWithTheirLogLinesAndTheTreeIsListedAnew) {
  MakeFile(AccountPath("Tax/a.pdf"));
  MakeFile(AccountPath("Tax/keep.pdf"));
  MakeFile(AccountPath("Old Docs/x.txt"));
  Fill({"F_" + Root() + "Tax/a.pdf", "D_" + Root() + "Old%20Docs/"});
  DeleteWithOk();

  EXPECT_FALSE(QFileInfo::exists(AccountPath("Tax/a.pdf")));
  EXPECT_TRUE(QFileInfo::exists(AccountPath("Tax/keep.pdf")));
  EXPECT_FALSE(QFileInfo::exists(AccountPath("Old Docs")));
  EXPECT_EQ(Log(), QStringList({"Success|Deleted  My Orvane/Tax/a.pdf", "Success|Deleted  My Orvane/Old Docs/"}));
  EXPECT_EQ(Program().DeletedItems, QStringList({"F_" + Root() + "Tax/a.pdf", "D_" + Root() + "Old%20Docs/"}));
  const QStringList requests = Requests();
  EXPECT_TRUE(requests.contains("DELETE " + Root() + "Tax/a.pdf")) << requests.join('\n').toStdString();
  EXPECT_TRUE(requests.contains("POST /cgi-bin/delete.cgi")) << requests.join('\n').toStdString();
  // Listed anew: the root and not the deleted folder.
  EXPECT_TRUE(requests.contains("PROPFIND " + Root())) << requests.join('\n').toStdString();
  EXPECT_TRUE(Program().RemoteTreeConnected);
  EXPECT_FALSE(Deleteremotefrm::Instance().IsLoaded());
}

TEST_F(DeleteE2eTest, AMissingFileIsLoggedAsNotDeletedAndThePassGoesOn) {
  MakeFile(AccountPath("b.txt"));
  Fill({"F_" + Root() + "nothere.txt", "F_" + Root() + "b.txt"});
  DeleteWithOk();
  const QStringList log = Log();
  ASSERT_EQ(log.size(), 2);
  // The engine keeps no text of its own for a missing item.
  EXPECT_TRUE(log[0].startsWith("Error|Could not delete My Orvane/nothere.txt Reason:")) << log[0].toStdString();
  EXPECT_EQ(log[1], "Success|Deleted  My Orvane/b.txt");
  EXPECT_FALSE(QFileInfo::exists(AccountPath("b.txt")));
}

TEST_F(DeleteE2eTest, ACancelInsideALongFolderReplyStopsTheReadAndThePass) {
  MakeFile(AccountPath("after.txt"));
  QString lines;
  for (int i = 0; i < 700; ++i) lines += QString("Deleted %1Media/file%2.txt\n").arg(Root()).arg(i);
  testbed::Control("POST", "/faults",
                   QJsonObject{{"match", QJsonObject{{"method", "POST"}, {"path", "/cgi-bin/delete.cgi"}}},
                               {"fault", QJsonObject{{"body", lines}, {"times", 1}}}});
  Fill({"D_" + Root() + "Media/", "F_" + Root() + "after.txt"});
  // The user's Close waits for the first pump once the folder's delete is
  // under way.
  DeleteWithOk([] {
    QTimer::singleShot(0, [] {
      if (Deleteremotefrm::Instance().IsLoaded()) testing::ClickOn(Deleteremotefrm::Instance().lbl_Cancel());
    });
  });
  // Every call-back of the reply told the engine to stop (it walks the
  // piece it has read and reads no more).
  ASSERT_FALSE(DeleteMonitor::Answers().isEmpty());
  EXPECT_EQ(DeleteMonitor::Answers().filter("go"), QStringList());
  EXPECT_TRUE(Program().DeleteCancelRequested);
  EXPECT_EQ(Log(), QStringList({"Success|Deleted  My Orvane/Media/"}));
  EXPECT_TRUE(QFileInfo::exists(AccountPath("after.txt")));
  EXPECT_FALSE(Requests().contains("DELETE " + Root() + "after.txt"));
}

TEST_F(DeleteE2eTest, TheQuotaRowShowsTheServersFigures) {
  struct Case {
    const char* accountQuota;
    double quotaMb, usedMb;
    double bar;
    const char* label;
  };
  const Case cases[] = {
      {"", 2048, 512, 25, "Quota Used: 512 MB Out of 2,048 MB"},
      // The sign-in's quota wins; the server's figure after the "/" is not read.
      {"1024", 5120, 512, 50, "Quota Used: 512 MB Out of 1,024 MB"},
      {"1024", 5120, 1024, 100, "Quota Used: 1,024 MB Out of 1,024 MB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    SetQuota(c.quotaMb, c.usedMb);
    Program().AccountQuotaMB = QString::fromLatin1(c.accountQuota);
    gTransfer().Trf_UpdateTessaraDiskInfo();
    EXPECT_DOUBLE_EQ(main_->bar.value, c.bar);
    EXPECT_EQ(main_->bar.colour, c.bar >= 100 ? 5066239 : 909095);
    EXPECT_EQ(MainWindow().lblUserQuota->Caption(), QString::fromLatin1(c.label));
  }
}

TEST_F(DeleteE2eTest, TheRecalculationAsksTheServiceAfterItsNoticeAndRefreshesTheRow) {
  SetQuota(2048, 1900);
  Program().AccountQuotaMB.clear();
  gTransfer().Trf_UpdateTessaraDiskInfo();
  ASSERT_EQ(MainWindow().lblUserQuota->Caption(), "Quota Used: 1,900 MB Out of 2,048 MB");
  testbed::Control("DELETE", "/log");

  vb::FakeClock clock;
  vb::ScopedClock useClock(clock);
  bool overTree = true;
  lblrecalculate_MouseDown(overTree);
  lblrecalculate_MouseUp(Qt::LeftButton);
  // The notice's five seconds (the engine's own waits come on top).
  EXPECT_GE(clock.TotalSleptMs(), 5000);

  const QStringList requests = Requests();
  ASSERT_FALSE(requests.isEmpty());
  EXPECT_EQ(requests.first(), "POST /cgi-bin/recalculate.cgi?") << requests.join('\n').toStdString();
  // The service computed the used space of the served tree again.
  const QJsonObject state = testbed::ControlObject("GET", "/state");
  const double used = state["accounts"].toObject()[user_].toObject()["used"].toDouble(-1);
  ASSERT_GE(used, 0) << QJsonDocument(state).toJson().toStdString();
  const double usedMb = std::ceil(used / 1048576);
  EXPECT_EQ(MainWindow().lblUserQuota->Caption(),
            "Quota Used: " + vb::FormatNumber(usedMb, 0) + " MB Out of 2,048 MB");
  QuotaRecalc() = {};
}

}  // namespace
}  // namespace OrvaneMac
