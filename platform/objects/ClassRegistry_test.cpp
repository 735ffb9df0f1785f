#include "platform/objects/ClassRegistry.h"
#include "platform/objects/DispatchObject.h"

#include "platform/errors/RuntimeError.h"
#include "platform/registry/Registry.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kMonitorClsid = QStringLiteral("{2532C4B5-1734-4133-BAB2-B923A65AA016}");
const QString kMonitorProgId = QStringLiteral("OrvaneforMAC.clsMonitor");

// What the running program's call-back objects see; shared by every object,
// since the engine makes a new one per call.
struct ProgramState {
  bool stopRequested = false;
  bool deleteCancelled = false;
  std::vector<vb::Variant> lastUpdate;
  int objectsAlive = 0;
};
ProgramState gProgram;

// A stand-in for the restore program's call-back class with its members.
class clsMonitor : public win::DispatchObject {
 public:
  clsMonitor() { ++gProgram.objectsAlive; }
  ~clsMonitor() override { --gProgram.objectsAlive; }

  const win::MemberTable& Members() const override {
    using A = win::DispatchArgs;
    static const auto table = win::MemberTable::Of<clsMonitor>(
        "clsMonitor",
        {
            {"dTransferRate", win::PropertyGet, {}, [](clsMonitor& self, A&) { return vb::Variant(self.rate_); }},
            {"dTransferRate", win::PropertyLet, win::Params::ByVal(),
             [](clsMonitor& self, A& a) {
               self.rate_ = a[0].ToDouble();
               return vb::Variant();
             }},
            {"UpdateMonitor", win::Method, win::Params::ByRef(12).OptionalByRef().OptionalByVal(),
             [](clsMonitor&, A& a) {
               gProgram.lastUpdate.clear();
               for (int i = 0; i < a.Count(); ++i) gProgram.lastUpdate.push_back(a.Get(i, vb::Variant::FromInteger(0)));
               return vb::Variant::FromInteger(gProgram.stopRequested ? 0 : 1);
             }},
            {"GetProperTime", win::Method, win::Params::ByVal(), [](clsMonitor&, A&) { return vb::Variant(""); }},
            {"GetTimeElapsed", win::Method, {}, [](clsMonitor&, A&) { return vb::Variant(""); }},
            {"GetTimeLeft", win::Method, {}, [](clsMonitor&, A&) { return vb::Variant(""); }},
            {"GetTransferRate", win::Method, {}, [](clsMonitor&, A&) { return vb::Variant(""); }},
            {"updateDelProgress", win::Method, win::Params::ByVal(),
             [](clsMonitor&, A&) { return vb::Variant(gProgram.deleteCancelled); }},
            {"updateSearchProgress", win::Method, win::Params::ByVal(),
             [](clsMonitor&, A&) { return vb::Variant(false); }},
            {"updateRefresh", win::Method, win::Params::ByVal(), [](clsMonitor&, A&) { return vb::Variant(false); }},
        });
    return table;
  }

 private:
  double rate_ = 0;
};

win::ClassInfo MonitorClass() {
  return {kMonitorClsid, kMonitorProgId, [] { return std::make_shared<clsMonitor>(); }, win::ServerKind::LocalServer,
          QStringLiteral("C:\\Program Files\\Orvane\\OrvaneMacRestore_100.exe"), {}};
}

long ErrorNumberOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const vb::RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

class ClassRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    gProgram = {};
  }
  QTemporaryDir dir_;
  win::ScopedRegistry registry_{win::RegistryConfig::InFolder(dir_.path())};
};

TEST_F(ClassRegistryTest, TheEngineCallsTheRunningProgramsMonitorByName) {
  const win::ClassRegistration registration = win::RegisterClassObject(MonitorClass());

  std::weak_ptr<vb::Object> seen;
  {
    // As the engine does it: create by program identifier, call by name, release.
    const vb::ObjectRef monitor = win::CreateObject(QStringLiteral("orvaneformac.CLSMONITOR"));
    seen = monitor;
    std::vector<vb::Variant> args{QStringLiteral("/users/bob/Files/a.txt"),
                                  vb::Variant(2048.0),
                                  vb::Variant(4096.0),
                                  vb::Variant(1024.0),
                                  vb::Variant(3072.0),
                                  QStringLiteral("12.5 KB/sec"),
                                  vb::Variant::FromInteger(50),
                                  vb::Variant::FromInteger(75),
                                  vb::Variant(36000.5f),
                                  QStringLiteral("00:00:05"),
                                  QStringLiteral("00:00:02"),
                                  vb::Variant::FromInteger(1),
                                  vb::Variant::FromInteger(0),
                                  vb::Variant::FromLong(3)};
    EXPECT_EQ(win::Invoke(monitor, QStringLiteral("UpdateMonitor"), args).ToInteger(), 1);
    ASSERT_EQ(gProgram.lastUpdate.size(), 14u);
    EXPECT_EQ(gProgram.lastUpdate[0].ToString(), "/users/bob/Files/a.txt");
    EXPECT_EQ(gProgram.lastUpdate[4].ToDouble(), 3072.0);
    EXPECT_EQ(gProgram.lastUpdate[13].ToLong(), 3);
    EXPECT_EQ(gProgram.objectsAlive, 1);

    gProgram.stopRequested = true;
    EXPECT_EQ(win::Invoke(monitor, QStringLiteral("updatemonitor"), args).ToInteger(), 0);

    // The optional pre-call flag and status may be left out.
    args.resize(12);
    EXPECT_EQ(win::Invoke(monitor, QStringLiteral("UpdateMonitor"), args).ToInteger(), 0);
    EXPECT_EQ(gProgram.lastUpdate[12].ToInteger(), 0);

    gProgram.deleteCancelled = true;
    EXPECT_TRUE(win::Invoke(monitor, QStringLiteral("updateDelProgress"), {QStringLiteral("/a/")}).ToBoolean());
    EXPECT_FALSE(win::Invoke(monitor, QStringLiteral("updateSearchProgress"), {QStringLiteral("x")}).ToBoolean());

    // The class has no such member; the failure reaches the caller.
    EXPECT_EQ(ErrorNumberOf([&] { win::Invoke(monitor, QStringLiteral("updateEncPassword")); }), 438);
  }
  // Released at the end of the call that made it.
  EXPECT_TRUE(seen.expired());
  EXPECT_EQ(gProgram.objectsAlive, 0);
}

TEST_F(ClassRegistryTest, ClassesNobodyServesCannotBeCreated) {
  EXPECT_EQ(ErrorNumberOf([] { (void)win::CreateObject(QStringLiteral("OrvaneforMAC.clsMonitor")); }), 429);
  EXPECT_EQ(ErrorNumberOf([] { (void)win::CreateObject(QStringLiteral("No.Such")); }), 429);
  EXPECT_EQ(ErrorNumberOf([] { (void)win::CreateObject(QStringLiteral("bad\\name")); }), 429);
  EXPECT_EQ(ErrorNumberOf([] { (void)win::CreateObjectFromClassId(QStringLiteral("not a guid")); }), 429);

  // Registered in the classes hive by an earlier run, but no running code serves it.
  ASSERT_EQ(win::RegisterServer({MonitorClass()}), 0);
  EXPECT_EQ(ErrorNumberOf([] { (void)win::CreateObject(kMonitorProgId); }), 429);

  // Served while the registration lives.
  {
    win::ClassRegistration registration = win::RegisterClassObject(MonitorClass());
    EXPECT_NE(win::CreateObject(kMonitorProgId), nullptr);
    EXPECT_NE(win::CreateObjectFromClassId(QStringLiteral("2532c4b5-1734-4133-bab2-b923a65aa016")), nullptr);
    registration.Revoke();
    EXPECT_EQ(ErrorNumberOf([] { (void)win::CreateObject(kMonitorProgId); }), 429);
  }

  // The hive's mapping wins: a program identifier it maps to a class nobody
  // serves is not made from another class of the same name.
  win::ClassInfo other = MonitorClass();
  other.clsid = QStringLiteral("{00000000-0000-0000-0000-000000000001}");
  const win::ClassRegistration otherRegistration = win::RegisterClassObject(other);
  EXPECT_EQ(ErrorNumberOf([] { (void)win::CreateObject(kMonitorProgId); }), 429);
}

TEST_F(ClassRegistryTest, TheLatestRegistrationServesAndRevokingUncoversTheEarlierOne) {
  int made = 0;
  win::ClassInfo first = MonitorClass();
  first.factory = [&made] {
    made = 1;
    return std::make_shared<clsMonitor>();
  };
  win::ClassInfo second = first;
  second.factory = [&made] {
    made = 2;
    return std::make_shared<clsMonitor>();
  };
  const win::ClassRegistration a = win::RegisterClassObject(first);
  win::ClassRegistration b = win::RegisterClassObject(second);
  (void)win::CreateObject(kMonitorProgId);
  EXPECT_EQ(made, 2);
  b = win::ClassRegistration();  // revokes by moving an empty one in
  (void)win::CreateObject(kMonitorProgId);
  EXPECT_EQ(made, 1);

  win::ClassInfo broken = first;
  broken.clsid = QStringLiteral("{2532C4B5-1734-4133-BAB2}");
  EXPECT_EQ(ErrorNumberOf([&] { (void)win::RegisterClassObject(broken); }), 5);
  broken = first;
  broken.progId = QStringLiteral("Has Blank.Name");
  EXPECT_EQ(ErrorNumberOf([&] { (void)win::RegisterClassObject(broken); }), 5);
  broken = first;
  broken.factory = nullptr;
  EXPECT_EQ(ErrorNumberOf([&] { (void)win::RegisterClassObject(broken); }), 5);
}

TEST_F(ClassRegistryTest, SelfRegistrationWritesAndRemovesTheClassesHiveEntries) {
  win::ClassInfo engine{QStringLiteral("{6f1c2a3b-4d5e-4f60-8a9b-0c1d2e3f4a5b}"),
                        QStringLiteral("OrvaneSrv.clsController"),
                        [] { return std::make_shared<clsMonitor>(); },
                        win::ServerKind::InProcess,
                        QStringLiteral("C:\\Program Files\\Orvane\\OrvaneSrv.dll"),
                        QStringLiteral("{11111111-2222-3333-4444-555555555555}")};
  ASSERT_EQ(win::RegisterServer({MonitorClass(), engine}), 0);

  const auto read = [](const QString& key, const QString& name = {}) {
    return win::RegistryReadString(win::HKEY_CLASSES_ROOT, key, name).value_or(QStringLiteral("<missing>"));
  };
  const QString engineId = QStringLiteral("{6F1C2A3B-4D5E-4F60-8A9B-0C1D2E3F4A5B}");
  EXPECT_EQ(read("OrvaneforMAC.clsMonitor\\CLSID"), kMonitorClsid);
  EXPECT_EQ(read("CLSID\\" + kMonitorClsid + "\\ProgID"), kMonitorProgId);
  EXPECT_EQ(read("CLSID\\" + kMonitorClsid + "\\LocalServer32"),
            "C:\\Program Files\\Orvane\\OrvaneMacRestore_100.exe");
  EXPECT_EQ(read("CLSID\\" + kMonitorClsid + "\\InprocServer32"), "<missing>");
  EXPECT_EQ(read("orvanesrv.clscontroller\\clsid"), engineId);
  EXPECT_EQ(read("CLSID\\" + engineId + "\\InprocServer32"), "C:\\Program Files\\Orvane\\OrvaneSrv.dll");
  EXPECT_EQ(read("CLSID\\" + engineId + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(read("CLSID\\" + engineId + "\\TypeLib"), "{11111111-2222-3333-4444-555555555555}");
  EXPECT_EQ(win::ClassIdFromProgId(QStringLiteral("OrvaneSrv.clsController")), engineId);

  ASSERT_EQ(win::UnregisterServer({MonitorClass(), engine}), 0);
  EXPECT_EQ(read("OrvaneforMAC.clsMonitor"), "<missing>");
  EXPECT_EQ(read("CLSID\\" + engineId), "<missing>");
  EXPECT_FALSE(win::ClassIdFromProgId(QStringLiteral("OrvaneSrv.clsController")).has_value());
  EXPECT_EQ(win::UnregisterServer({engine}), 0);  // already gone

  win::ClassInfo bad = engine;
  bad.clsid = QStringLiteral("nonsense");
  EXPECT_EQ(win::RegisterServer({bad}), static_cast<win::LONG>(win::ERROR_INVALID_PARAMETER));
}

}  // namespace
