// The program's engine client against recording engines: the sign-in on
// both engine controllers, the disconnect and the exit with the main
// window's side of them, the restore with its busy flag, and the
// pass-through operations with their refusals and error texts.
#include "program/session/clsController.h"

#include <QMenu>

#include <gtest/gtest.h>

#include "ZQwinSrv/facade/ClassRegistration.h"
#include "ZQwinSrv/facade/clsController.h"
#include "program/browse/BrowseTestSupport.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/session/FakeEngineController.h"
#include "program/session/Transfer.h"
#include "program/windows/TrayIcon.h"

namespace OrvaneMac {
namespace {

using testing::ScopedFakeEngines;

class ClientTest : public ProgramTest {
 protected:
  void SetUp() override {
    testing::App();
    ProgramTest::SetUp();
    ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
    engines_.emplace();
  }
  void TearDown() override {
    engines_.reset();
    ProgramTest::TearDown();
  }

  clsController& client() { return clsController::Instance(); }
  ScopedFakeEngines& engines() { return *engines_; }
  // The lines of the transfer log, without the byte-order mark.
  QStringList LogLines() const {
    const QByteArray bytes = Bytes("Prog/OrvaneMac/OrvaneLogFile.txt");
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    QStringList lines = text.split("\r\n");
    lines.removeAll(QString());
    return lines;
  }
  void SignIn() {
    ASSERT_TRUE(client().Cont_login("alice", "pw", false));
    engines().Take();
  }
  // A restore item set of two entries.
  static void FillItemSet() {
    Program().EnumRestoreItemSet = std::make_shared<vb::Collection>();
    Program().EnumRestoreItemSet->Add(QStringLiteral("D_/users/alice/Files/Docs/"));
    Program().EnumRestoreItemSet->Add(QStringLiteral("F_/users/alice/Files/a.txt"));
    Program().RestoreSetSize = 2048;
  }

  std::optional<ScopedFakeEngines> engines_;
};

TEST_F(ClientTest, SignInPreparesBothEngineControllersAndTheRestoreOneDecides) {
  EXPECT_TRUE(client().Cont_login("alice", "pw", false));
  EXPECT_EQ(engines().Take(), QStringList({"1:InitEngine(C:\\Prog,1,alice,OrvaneMac)", "1:Cont_login(alice,pw,F)",
                                           "2:InitEngine(C:\\Prog,1,alice,OrvaneMac)", "2:Cont_login(alice,pw,F)"}));
  EXPECT_EQ(client().SessionUser(), "alice");
  EXPECT_EQ(client().SessionPassword(), "pw");

  // A second sign-in starts from new engine controllers; the alternate port
  // is handed on.
  EXPECT_TRUE(client().Cont_login("alice", "pw", true));
  EXPECT_EQ(engines().Take(), QStringList({"3:InitEngine(C:\\Prog,1,alice,OrvaneMac)", "3:Cont_login(alice,pw,T)",
                                           "4:InitEngine(C:\\Prog,1,alice,OrvaneMac)", "4:Cont_login(alice,pw,T)"}));
}

TEST_F(ClientTest, TheRestoreEngineControllersAnswerIsTheSignInsAndARefusalFetchesTheReason) {
  struct Case {
    bool general, restore, expected;
  };
  for (const Case c : {Case{true, false, false}, Case{false, true, true}, Case{false, false, false}}) {
    SCOPED_TRACE(::testing::Message() << c.general << c.restore);
    Program().LastEngineError = "earlier";
    const int first = engines().record->enginesMade + 1;
    engines().record->loginAnswers = {{first, c.general}, {first + 1, c.restore}};
    EXPECT_EQ(client().Cont_login("bob", "secret", false), c.expected);
    const QStringList calls = engines().Take();
    if (c.expected) {
      EXPECT_FALSE(calls.join(' ').contains("GetErrorString"));
      EXPECT_EQ(Program().LastEngineError, "earlier");
    } else {
      EXPECT_EQ(calls.last(), QString::number(first) + ":GetErrorString()");
      EXPECT_EQ(Program().LastEngineError, "The server refused the request.");
      EXPECT_EQ(modGeneral::dav_geterrorstring(), "The server refused the request.");
    }
    // Kept whether the sign-in succeeded or not.
    EXPECT_EQ(client().SessionUser(), "bob");
    EXPECT_EQ(client().SessionPassword(), "secret");
  }
}

TEST_F(ClientTest, DisconnectEmptiesTheMainWindowLogsTheProfilesUserAndReleasesTheEngines) {
  testing::MiniMainWindow main;
  main.tree->AddRoot("/users/alice/Files/", "My Orvane", 0, 0);
  struct Bar {
    double value = -1;
    long colour = -1;
    QString tip = "unset";
  } bar;
  MainWindow().SetQuotaBar = [&](double value, long colour, const QString& tip) { bar = {value, colour, tip}; };
  SetMainMousePointer(11);
  Program().RemoteTreeConnected = true;
  // The log names the profile's user, not the one of the sign-in.
  gTransfer().Trf_WriteUserProfile("UserName", "alice", false);
  ASSERT_TRUE(client().Cont_login("carol", "pw", false));
  engines().Take();
  WriteBytes("Prog/ORVANETEMP/part/a.tmp", "x");
  ASSERT_TRUE(win::ChDir("C:\\Prog"));

  client().Cont_DisConnect();

  // Only the general engine controller is told.
  EXPECT_EQ(engines().Take(), QStringList({"1:Cont_DisConnect()"}));
  EXPECT_EQ(main.tree->NodeCount(), 0);
  EXPECT_FALSE(Exists("Prog/ORVANETEMP"));
  EXPECT_TRUE(Exists("Prog/OrvaneMac"));
  EXPECT_FALSE(Program().RemoteTreeConnected);
  EXPECT_EQ(bar.value, 0);
  EXPECT_EQ(bar.colour, 909095);
  EXPECT_EQ(bar.tip, "");
  EXPECT_EQ(MainMousePointer(), 0);
  const QStringList log = LogLines();
  ASSERT_FALSE(log.isEmpty());
  EXPECT_TRUE(log.last().startsWith("Information : ")) << log.last().toStdString();
  EXPECT_TRUE(log.last().contains("alice has logged out")) << log.last().toStdString();
  EXPECT_FALSE(log.join('\n').contains("carol"));
  // The remote commands are off.
  EXPECT_FALSE(MainWindow().mnuDisconnect->isEnabled());
  EXPECT_TRUE(MainWindow().mnuConnect->isEnabled());
  EXPECT_FALSE(MainWindow().Pict_Refresh->isEnabled());

  // The next operation makes a new engine controller, without sign-in.
  EXPECT_EQ(client().Cont_GetQuotaInfo(), "10/100");
  EXPECT_EQ(engines().Take(), QStringList({"3:Cont_GetQuotaInfo()"}));
}

TEST_F(ClientTest, ExitDisconnectsBothEnginesRemovesTheIconAndEndsTheProgram) {
  SignIn();
  QStringList ended;
  modGeneral::SetEndProgramHandler([&] {
    ended = engines().Take();
    ended.append(TraceLines().filter("RemoveFromTray"));
  });
  client().Cont_Exit();
  EXPECT_EQ(ended, QStringList({"1:Cont_DisConnect()", "2:Cont_DisConnect()", "Enter RemoveFromTray",
                                "Exit RemoveFromTray"}));
  // Both references are gone: the next use makes a new controller.
  (void)client().Cont_GetMessageLogin();
  EXPECT_EQ(engines().Take(), QStringList({"3:Cont_GetMessageLogin()"}));

  // Without a sign-in both engine controllers are made for the disconnect.
  client().ReleaseEngines();
  client().Cont_Exit();
  EXPECT_EQ(ended.mid(0, 2), QStringList({"4:Cont_DisConnect()", "5:Cont_DisConnect()"}));
}

TEST_F(ClientTest, ARestoreRunsOnTheRestoreEngineWhileEveryChangingCommandIsRefused) {
  SignIn();
  FillItemSet();
  Program().LastEngineError = "earlier";
  bool runningDuring = false;
  QList<bool> refusals;
  engines().record->duringRestore = [&] {
    runningDuring = Program().RestoreRunning;
    Long status = 0;
    refusals = {client().Cont_CreateRemDir("/users/alice/Files/New"),
                client().Cont_RenameRemItem("/users/alice/Files/a", "/users/alice/Files/b", false),
                client().Cont_CopyRemItem("/users/alice/Files/a", "/users/alice/Files/c")};
    // The others still reach the engine.
    client().Cont_DeleteRemItem("/users/alice/Files/x", status);
  };

  client().Cont_Restore("C:\\Restored", true, true, false, true, true, true, true);

  EXPECT_EQ(engines().Take(),
            QStringList({"2:Cont_InteractiveRestore(2,2048,alice,pw,C:\\Restored,T,T,F,F,T)",
                         "1:Cont_DeleteRemItem(/users/alice/Files/x,0)"}));
  EXPECT_TRUE(runningDuring);
  EXPECT_EQ(refusals, QList<bool>({false, false, false}));
  EXPECT_EQ(Program().LastEngineError, "earlier");
  EXPECT_EQ(LogLines().filter("Completed the Restore.").size(), 1);
  // Idle again, with an empty item set.
  EXPECT_FALSE(Program().RestoreRunning);
  EXPECT_FALSE(modGeneral::JobProgressCheck());
  EXPECT_EQ(Program().EnumRestoreItemSet->Count(), 0);
  EXPECT_EQ(Program().RestoreSetSize, 0);
}

TEST_F(ClientTest, OnlyARestoreResultOfOneIsLoggedAsCompleted) {
  SignIn();
  for (const Integer result : {Integer(0), Integer(2), Integer(-1)}) {
    engines().record->restoreResult = result;
    FillItemSet();
    client().Cont_Restore("C:\\Restored", false, false, false);
    EXPECT_EQ(engines().Take().size(), 1) << result;
    EXPECT_FALSE(Program().RestoreRunning);
    EXPECT_EQ(Program().EnumRestoreItemSet->Count(), 0);
  }
  EXPECT_TRUE(LogLines().filter("Completed the Restore.").isEmpty());
}

TEST_F(ClientTest, ARestoreWithAnEmptyItemSetDoesNothing) {
  SignIn();
  Program().EnumRestoreItemSet.reset();
  client().Cont_Restore("C:\\Restored", false, false, false);
  Program().EnumRestoreItemSet = std::make_shared<vb::Collection>();
  client().Cont_Restore("C:\\Restored", false, false, false);
  EXPECT_TRUE(engines().Take().isEmpty());
  EXPECT_EQ(engines().record->enginesMade, 2);
  EXPECT_FALSE(Program().RestoreRunning);
}

TEST_F(ClientTest, ARestoreThatFailsHalfWayLeavesTheProgramIdle) {
  SignIn();
  FillItemSet();
  engines().record->failing = "Cont_InteractiveRestore";
  client().Cont_Restore("C:\\Restored", false, false, false);
  EXPECT_TRUE(TraceLines().last().endsWith("in procedure Cont_Restore of Class Module clsController"))
      << TraceLines().last().toStdString();
  EXPECT_FALSE(Program().RestoreRunning);
  EXPECT_EQ(Program().EnumRestoreItemSet->Count(), 0);
  EXPECT_EQ(Program().RestoreSetSize, 0);
  EXPECT_TRUE(LogLines().filter("Completed the Restore.").isEmpty());
  // Commands work again.
  engines().Take();
  EXPECT_TRUE(client().Cont_CreateRemDir("/users/alice/Files/New"));
  EXPECT_EQ(engines().Take(), QStringList({"1:Cont_CreateRemDir(/users/alice/Files/New)"}));
}

TEST_F(ClientTest, PassThroughsAnswerTheGeneralEngineAndFetchTheReasonWhereTheWindowsShowIt) {
  SignIn();
  struct Case {
    const char* name;
    std::function<bool()> call;
    const char* engineCall;
    bool fetchesReason;
  };
  vb::CollectionPtr items, snapshots;
  Long status = 7;
  const std::vector<Case> cases = {
      {"listing", [&] { return client().Cont_GetRemoteDirContents("/users/alice/Files/", items, snapshots); },
       "1:Cont_GetRemoteDirContents(/users/alice/Files/)", true},
      {"create", [&] { return client().Cont_CreateRemDir("/users/alice/Files/New"); },
       "1:Cont_CreateRemDir(/users/alice/Files/New)", true},
      {"delete item", [&] { return client().Cont_DeleteRemItem("/users/alice/Files/a", status); },
       "1:Cont_DeleteRemItem(/users/alice/Files/a,7)", true},
      {"search", [&] { return client().Cont_SearchRemItem("/users/alice/Files/", "alice", "pw"); },
       "1:Cont_SearchRemItem(/users/alice/Files/,alice,pw)", false},
      {"delete folder", [&] { return client().Cont_DeleteRemFolder("/users/alice/Files/D/", true, false); },
       "1:Cont_DeleteRemFolder(/users/alice/Files/D/,T,F)", true},
      {"rename", [&] { return client().Cont_RenameRemItem("/users/alice/Files/a", "/users/alice/Files/b", true); },
       "1:Cont_RenameRemItem(/users/alice/Files/a,/users/alice/Files/b,T)", true},
      {"copy", [&] { return client().Cont_CopyRemItem("/users/alice/Files/a", "/users/alice/Files/c"); },
       "1:Cont_CopyRemItem(/users/alice/Files/a,/users/alice/Files/c)", true},
      {"certificate", [&] { return client().Cont_GetMessageLogin(); }, "1:Cont_GetMessageLogin()", false},
  };
  for (const bool answer : {true, false}) {
    engines().record->answer = answer;
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << c.name << " answering " << answer);
      Program().LastEngineError = "earlier";
      EXPECT_EQ(c.call(), answer);
      QStringList expected = {c.engineCall};
      if (!answer && c.fetchesReason) expected.append("1:GetErrorString()");
      EXPECT_EQ(engines().Take(), expected);
      EXPECT_EQ(Program().LastEngineError,
                !answer && c.fetchesReason ? "The server refused the request." : "earlier");
    }
  }

  EXPECT_EQ(client().Cont_GetQuotaInfo(), "10/100");
  EXPECT_EQ(client().Cont_CheckZQAcountStatus("status"), 2);
  EXPECT_EQ(client().Cont_EnableVersioning(true), 2);
  EXPECT_EQ(client().Cont_AppType(), 2);
  // The file count the engine receives is always 0.
  EXPECT_EQ(client().Cont_GetRemoteSize("/users/alice/Files/D/", "D"), "4096");
  EXPECT_EQ(engines().Take(),
            QStringList({"1:Cont_GetQuotaInfo()", "1:Cont_CheckZQAcountStatus(status)", "1:Cont_EnableVersioning(T)",
                         "1:Cont_AppType()", "1:Cont_GetRemoteSize(/users/alice/Files/D/,D,0)"}));
}

TEST_F(ClientTest, CreateRenameAndCopyAreRefusedWhileAnyJobRuns) {
  SignIn();
  for (bool ProgramState::*flag : {&ProgramState::RestoreRunning, &ProgramState::SearchInProgress}) {
    Program().*flag = true;
    Program().LastEngineError = "earlier";
    EXPECT_FALSE(client().Cont_CreateRemDir("/users/alice/Files/New"));
    EXPECT_FALSE(client().Cont_RenameRemItem("/users/alice/Files/a", "/users/alice/Files/b"));
    EXPECT_FALSE(client().Cont_CopyRemItem("/users/alice/Files/a", "/users/alice/Files/c"));
    EXPECT_TRUE(engines().Take().isEmpty());
    EXPECT_EQ(Program().LastEngineError, "earlier");
    Program().*flag = false;
  }
}

TEST_F(ClientTest, GetErrorStringKeepsAndAnswersTheSameText) {
  engines().record->errorText = "Unable to connect to the server\r\nsecond line";
  EXPECT_EQ(client().GetErrorString(), "Unable to connect to the server\r\nsecond line");
  EXPECT_EQ(Program().LastEngineError, "Unable to connect to the server\r\nsecond line");
  EXPECT_EQ(modGeneral::dav_geterrorstring(), "Unable to connect to the server");
}

TEST_F(ClientTest, AFailingEngineCallIsTracedAndAnswersTheDefault) {
  SignIn();
  engines().record->failing = "Cont_GetQuotaInfo";
  EXPECT_EQ(client().Cont_GetQuotaInfo(), "");
  EXPECT_TRUE(TraceLines().last().startsWith("Error Reason :"));
  EXPECT_TRUE(TraceLines().last().endsWith("in procedure Cont_GetQuotaInfo of Class Module clsController"));

  // An engine controller that cannot be made: the operation answers false.
  client().ReleaseEngines();
  client().SetEngineFactory([]() -> EngineController { return nullptr; });
  EXPECT_FALSE(client().Cont_CreateRemDir("/users/alice/Files/New"));
  EXPECT_TRUE(TraceLines().last().endsWith("in procedure Cont_CreateRemDir of Class Module clsController"));
  EXPECT_FALSE(client().Cont_login("alice", "pw", false));
  EXPECT_TRUE(TraceLines().last().endsWith("in procedure Cont_login of Class Module clsController"));
}

TEST_F(ClientTest, WithoutATestFactoryTheEnginesControllerIsMadeByItsClassIdentifier) {
  OrvaneSrv::RegisterEngineClasses();
  client().SetEngineFactory({});
  const EngineController engine = client().GeneralEngine();
  ASSERT_TRUE(engine);
  EXPECT_TRUE(std::dynamic_pointer_cast<OrvaneSrv::clsController>(engine));
  EXPECT_NE(client().RestoreEngine(), engine);
  client().ReleaseEngines();
}

}  // namespace
}  // namespace OrvaneMac
