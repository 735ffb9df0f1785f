// The whole engine driven through its public controller against the service
// double, as the restore program drives it: preparation and sign-in on two
// controllers, the root listing, restores over both routes and the fall-back
// between them, the stored key, the item operations and the error text. The
// outside programs are the stand-ins of the program folder
// (ORVANE_PROGRAM_DIR).
#include "ZQwinSrv/facade/clsController.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "testbed/include/TestbedControl.h"

#include "ZQwinSrv/foundation/Processes.h"
#include "ZQwinSrv/foundation/SideFiles.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/Util.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "platform/clock/Clock.h"
#include "platform/clock/ClockSource.h"
#include "platform/clock/FakeClock.h"
#include "platform/codepage/CodePage.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/objects/DispatchObject.h"
#include "platform/paths/WinPath.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryStore.h"
#include "platform/text/Strings.h"
#include "platform/ui/RecordingMessageBox.h"
#include "tests/support/QtPrinters.h"

namespace OrvaneSrv {
namespace {

const QString kProgramDir = QStringLiteral(ORVANE_PROGRAM_DIR);

// The restore program's call-back: goes on, or asks to stop at its first
// progress report once `stop` is set.
struct MonitorLog {
  bool stop = false;
  int reports = 0;
};
MonitorLog gMonitor;

class FakeMonitor : public win::DispatchObject {
 public:
  const win::MemberTable& Members() const override {
    using A = win::DispatchArgs;
    static const auto table = win::MemberTable::Of<FakeMonitor>(
        "clsMonitor", {{"UpdateMonitor", win::Method, win::Params::ByRef(12).OptionalByRef().OptionalByVal(),
                        [](FakeMonitor&, A&) {
                          ++gMonitor.reports;
                          return vb::Variant::FromInteger(gMonitor.stop ? 0 : 1);
                        }},
                       {"updateSearchProgress", win::Method, win::Params::ByRef(1),
                        [](FakeMonitor&, A&) { return vb::Variant(false); }}});
    return table;
  }
};

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString Utf16Text(const QByteArray& bytes) {
  const QByteArray body = bytes.startsWith("\xFF\xFE") ? bytes.mid(2) : bytes;
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(body.constData()), body.size() / 2);
}

class FacadeE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testbed::Running()) GTEST_SKIP() << "the service double is not running";
    testbed::Reset(true);
    ASSERT_TRUE(tmp_.isValid());
    root_ = tmp_.path();
    account_ = qEnvironmentVariable("TESTBED_ACCOUNT_ROOT");
    user_ = qEnvironmentVariable("TESTBED_USER");
    password_ = qEnvironmentVariable("TESTBED_PASSWORD");
    QDir(root_).mkpath("Prog/OrvaneMac");
    QDir(root_).mkpath("D/Restore");
    for (const QFileInfo& f : QDir(kProgramDir).entryInfoList(QDir::Files))
      QFile::link(f.absoluteFilePath(), root_ + "/Prog/" + f.fileName());
    testbed::OwnTheWrittenFiles(root_ + "/Prog");
    savedDrives_ = qgetenv("ORVANE_DRIVES");
    savedConnectTo_ = qgetenv("ORVANE_CONNECT_TO");
    qputenv("ORVANE_DRIVES", QStringLiteral("C=%1;D=%1/D;Z=/").arg(root_).toUtf8());
    qputenv("ORVANE_CONNECT_TO", "localhost:43718=127.0.0.1:" + QByteArray::number(testbed::FreePort()) + ';' +
                                     savedConnectTo_);
    drives_.emplace(win::DriveTable::FromEnvironment());
    registry_.emplace(win::RegistryConfig::InFolder(root_ + "/registry"));
    win::SetProgramFolder("C:\\Prog");
    win::ChDir("C:\\Prog");
    ResetEngineForTesting();
    // The client program is shared by every test folder: it must not be
    // touched.
    QFile details(root_ + "/Prog/OrvaneMac/OrvaneDetails.ini");
    ASSERT_TRUE(details.open(QIODevice::WriteOnly));
    details.write("[Orvane]\r\nechoexe=500\r\n");
    details.close();
    gMonitor = {};
    monitor_.emplace(win::RegisterClassObject({"{8E21B0C4-5A3D-4F61-9C72-1B4D6E8F0A35}", kMonitorProgId,
                                               [] { return std::make_shared<FakeMonitor>(); },
                                               win::ServerKind::LocalServer, "C:\\Prog\\OrvaneMacRestore_100.exe",
                                               {}}));
    // The program's two controllers, prepared as the sign-in prepares them;
    // the tunnel's configuration is there as the installation leaves it.
    main_.InitEngine("C:\\Prog", 1, user_, " OrvaneMac ");
    gRsyncController().Cont_LaunchSSLTunnel(true, false);
    // What the program's sign-in stores for the service's scripts.
    gTransfer().Trf_WriteUserProfile("UserName", user_);
    gTransfer().Trf_WriteUserProfile(user_, password_, true);
    for (clsController* c : {&main_, &restore_}) {
      c->InitEngine("C:\\Prog", 1, user_, " OrvaneMac ");
      ASSERT_TRUE(c->Cont_login(user_, password_, false));
    }
    testbed::Control("DELETE", "/log");
  }

  void TearDown() override {
    if (!monitor_) return;
    main_.Cont_DisConnect();
    if (Engine().glTunnelPid) win::TerminateProcessById(Engine().glTunnelPid, 0);
    monitor_.reset();
    ResetEngineForTesting();
    win::SetProgramFolder({});
    registry_.reset();
    drives_.reset();
    qputenv("ORVANE_DRIVES", savedDrives_);
    qputenv("ORVANE_CONNECT_TO", savedConnectTo_);
  }

  QString Root() const { return "/users/" + user_ + "/Files/"; }
  QStringList Items() const { return {"D_" + Root() + "Documents/", "F_" + Root() + "a.txt"}; }

  // The program's restore: its own collection and size, into D:\Restore.
  Integer Restore(const QStringList& items, const QString& dest = "D:\\Restore\\", bool uncompress = false) {
    auto set = std::make_shared<vb::Collection>();
    for (const QString& i : items) set->Add(i);
    double size = 0;
    return restore_.Cont_InteractiveRestore(set, size, user_, password_, dest, uncompress, true, false, false);
  }

  // Every file of the restored set is in the destination, byte for byte.
  void ExpectRestored(const QString& dest = "/D/Restore") const {
    int files = 0;
    QDirIterator it(account_ + "/Documents", QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString path = it.next();
      const QString relative = path.mid(account_.size() + 1);
      EXPECT_EQ(ReadAll(root_ + dest + "/" + relative), ReadAll(path)) << relative.toStdString();
      ++files;
    }
    EXPECT_GE(files, 5);
    EXPECT_EQ(ReadAll(root_ + dest + "/a.txt"), "alpha\n");
  }

  QString TransferLog() const { return Utf16Text(ReadAll(root_ + "/Prog/OrvaneMac/OrvaneLogFile.txt")); }
  int RsyncConnections() const {
    int n = 0;
    for (const QJsonValue& v : testbed::Log())
      if (v.toObject()["kind"].toString() == "connection") ++n;
    return n;
  }
  int WebDavDownloads() const {
    int n = 0;
    for (const QJsonValue& v : testbed::Log())
      if (v.toObject()["method"].toString() == "GET") ++n;
    return n;
  }
  static void RefuseRsync() {
    testbed::Control("POST", "/listener_faults",
                     QJsonObject{{"listener", QJsonArray{"rsync", "rsync-tls"}},
                                 {"fault", QJsonObject{{"rsync_error", "auth failed"}, {"times", 0}}}});
  }
  void WriteUserProfile(const QString& key, const QString& value) { gTransfer().Trf_WriteUserProfile(key, value); }

  QTemporaryDir tmp_;
  QString root_, account_, user_, password_;
  QByteArray savedDrives_, savedConnectTo_;
  std::optional<win::ScopedDriveTable> drives_;
  std::optional<win::ScopedRegistry> registry_;
  std::optional<win::ClassRegistration> monitor_;
  clsController main_, restore_;
};

TEST_F(FacadeE2E, TwoControllersShareOneSignInAndTheRootListsSnapshotsFirst) {
  EXPECT_EQ(Engine().gsAppWord, "OrvaneMac");
  EXPECT_EQ(Engine().gsServerName, qEnvironmentVariable("TESTBED_WEBDAV_HOST"));
  EXPECT_EQ(Engine().gsUserName, user_);

  vb::CollectionPtr items, snapshots;
  ASSERT_TRUE(main_.Cont_GetRemoteDirContents(Root(), items, snapshots));
  EXPECT_EQ(items, Engine().gcolEnumItems) << "the engine's own collections, not copies";
  EXPECT_EQ(snapshots, Engine().gcolEnumSnapshots);
  ASSERT_GE(snapshots->Count(), 2);
  QStringList listed;
  for (const vb::Variant& v : *items) listed << gUtil().GetInfoFromKey(3, v.ToString());
  QStringList expected;
  for (const vb::Variant& v : *snapshots) expected.prepend(gUtil().GetInfoFromKey(3, v.ToString()));
  EXPECT_EQ(listed.mid(0, expected.size()), expected) << "snapshots lead, last first";
  QStringList rest = listed.mid(expected.size());
  for (QString& p : rest) p = p.toLower().mid(Root().size());
  // The others by lower-cased path in the user's locale's order: "ł" sorts
  // beside "l", not after every ASCII letter.
  EXPECT_EQ(rest, QStringList({"a.txt", "b.txt", "c.txt", "documents/", "empty.txt", "encrypted_data/",
                               "huge archive.iso", "łódź straße/", "media/", "photos.zip", "projects/",
                               "readme.txt"}));

  // The other controller's listing of a subfolder replaces the shared
  // collections, and keeps the WebDAV client's order.
  vb::CollectionPtr sub, subSnapshots;
  ASSERT_TRUE(restore_.Cont_GetRemoteDirContents(Root() + "Documents/", sub, subSnapshots));
  EXPECT_EQ(sub, items);
  EXPECT_EQ(subSnapshots->Count(), 0);
  EXPECT_FALSE(Engine().gbListingAtRoot);

  // A wrong password signs in; the first listing fails.
  ASSERT_TRUE(main_.Cont_login(user_, "wrong", false));
  EXPECT_FALSE(main_.Cont_GetRemoteDirContents(Root(), items, snapshots));
}

TEST_F(FacadeE2E, AFolderAndAFileRestoreOverRsyncByteForByte) {
  EXPECT_EQ(Restore(Items()), 1);
  ExpectRestored();
  EXPECT_GT(RsyncConnections(), 0);
  const QString log = TransferLog();
  EXPECT_FALSE(log.contains("Switched to alternate method or protocol"));
  EXPECT_TRUE(log.contains("Successfully completed restore."));
  EXPECT_FALSE(Engine().gbWebdavRestore);
  EXPECT_FALSE(Engine().gbCommonFlag || Engine().gbCancelled);
  EXPECT_TRUE(Engine().gbInteractiveRestore);
  EXPECT_TRUE(Engine().gsSessionFile.contains("Restore")) << "the restore has its session log";
}

TEST_F(FacadeE2E, ARefusingDaemonSwitchesToWebDav) {
  vb::SkippingClock clock;
  vb::ScopedClock useClock(clock);
  RefuseRsync();
  win::RecordingMessageBox box;
  EXPECT_EQ(Restore(Items()), 1);
  {
    SCOPED_TRACE("fall-back");
    ExpectRestored();
  }
  EXPECT_TRUE(TransferLog().contains("Information : ") &&
              TransferLog().contains(" : Switched to alternate method or protocol\r\n"));
  EXPECT_GT(WebDavDownloads(), 0);
  EXPECT_FALSE(Engine().gbRestoreFailed);
  EXPECT_TRUE(box.Shown().empty());

  // The failures never sent the route to the plain port, for this restore
  // or a later one; the next restore, with the daemon back, runs over rsync.
  EXPECT_EQ(gTransfer().Trf_ReadUserProfile("NONSSLEXISTS"), "");
  for (const QJsonValue& v : testbed::Log()) EXPECT_NE(v.toObject()["port"].toString(), "rsync");
  testbed::Reset(false);
  QDir(root_).mkpath("D/Next");
  const qsizetype before = TransferLog().size();
  EXPECT_EQ(Restore(Items(), "D:\\Next\\"), 1);
  ExpectRestored("/D/Next");
  EXPECT_GT(RsyncConnections(), 0);
  EXPECT_FALSE(TransferLog().mid(before).contains("Switched to alternate method or protocol"));
}

// A TLS front showing a wrong certificate (another host's, an unknown
// authority's, an expired one) is an attacker's as far as the route can
// tell: the route never goes to the daemon's plain port, names the
// certificate problem in the transfer log at the first refusal, marks
// nothing in the profile, and the restore goes on over WebDAV (HTTPS).
TEST_F(FacadeE2E, AWrongCertificateOnTheTlsFrontFallsBackToWebDavNeverToPlainRsync) {
  struct Row {
    const char* certificate;
    const char* reason;
  };
  const Row rows[] = {
      {"expired", "(certificate has expired)"},
      {"unknown-ca", "(self-signed certificate in certificate chain)"},
      {"wrong-host", "(the certificate does not name rsync1.orvane.example)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.certificate);
    testbed::Control("POST", "/tls", QJsonObject{{"rsync-tls", row.certificate}});
    testbed::Control("DELETE", "/log");
    const QString dest = QString("D/%1").arg(row.certificate);
    QDir(root_).mkpath(dest);
    const qsizetype before = TransferLog().size();
    QElapsedTimer took;
    took.start();
    EXPECT_EQ(Restore(Items(), "D:\\" + QString(row.certificate) + "\\"), 1);
    EXPECT_LT(took.elapsed(), 60000) << "no retries against a refused certificate";
    ExpectRestored("/" + dest);
    const QString log = TransferLog().mid(before);
    EXPECT_EQ(log.count("Unable to connect securely to the rsync server rsync1.orvane.example, Reason : its "
                        "certificate was refused " +
                        QString(row.reason)),
              1)
        << log.toStdString();
    EXPECT_TRUE(log.contains("Switched to alternate method or protocol"));
    int plain = 0, tls = 0;
    for (const QJsonValue& v : testbed::Log()) {
      const QJsonObject entry = v.toObject();
      if (entry["kind"].toString() != "connection") continue;
      plain += entry["port"].toString() == "rsync";
      tls += entry["port"].toString() == "rsync-tls";
    }
    EXPECT_EQ(plain, 0);
    EXPECT_EQ(tls, 1) << "one refusal is enough";
    EXPECT_GT(WebDavDownloads(), 0);
    EXPECT_EQ(gTransfer().Trf_ReadUserProfile("NONSSLEXISTS"), "");
    EXPECT_TRUE(Engine().gbUseSSL);
  }
}

// Without the client's runtime (or the client) the route cannot run: one box
// names the missing file, the route fails, and the restore goes on over
// WebDAV instead of reporting nothing restored as a success.
TEST_F(FacadeE2E, AMissingClientRuntimeFallsBackToWebDav) {
  ASSERT_TRUE(QFile::remove(root_ + "/Prog/cygwin1.dll"));
  win::RecordingMessageBox box;
  EXPECT_EQ(Restore(Items()), 1);
  ExpectRestored();
  ASSERT_EQ(box.Shown().size(), 1u);
  EXPECT_TRUE(box.Shown()[0].text.contains("cygwin1.dll file not found in C:\\Prog\\"));
  const QString log = TransferLog();
  EXPECT_TRUE(log.contains("Switched to alternate method or protocol"));
  EXPECT_FALSE(log.contains("Number of files restored now: 0 file(s)"));
  EXPECT_EQ(RsyncConnections(), 0);
}

// Only exactly "1" asks for decryption: " 1" restores over rsync.
TEST_F(FacadeE2E, DecryptWithABlankTakesTheRsyncRoute) {
  WriteUserProfile("DECRYPT", "\" 1\"");  // quoted, so the blank is read back
  ASSERT_EQ(gTransfer().Trf_ReadUserProfile("DECRYPT"), " 1");
  EXPECT_EQ(Restore(Items()), 1);
  ExpectRestored();
  EXPECT_GT(RsyncConnections(), 0);
  EXPECT_EQ(WebDavDownloads(), 0);
  EXPECT_FALSE(TransferLog().contains("Decrypt option selected"));
}

TEST_F(FacadeE2E, AStoredKeyMakesAnRsyncFailureFinal) {
  vb::SkippingClock clock;
  vb::ScopedClock useClock(clock);
  RefuseRsync();
  // The key file of the user, scrambled as the backup side stores it.
  QDir(root_).mkpath("Prog/OrvaneMac/" + user_);
  QFile key(root_ + "/Prog/OrvaneMac/" + user_ + "/EncPswdFile.txt");
  ASSERT_TRUE(key.open(QIODevice::WriteOnly));
  key.write(win::ToAnsi(ScrambleKeyText(1, "file key")) + "\r\n");
  key.close();
  // The registry value wins over the file.
  ASSERT_EQ(win::RegistryWriteString(OVMacHive(), "Software\\OVMac", "ENC" + user_,
                                     ScrambleKeyText(1, "my private key"), win::RegistryKeyMode::Create),
            0);
  win::RecordingMessageBox box;
  EXPECT_EQ(Restore(Items()), 0);
  EXPECT_EQ(Engine().gsEncKey, "my private key");
  const QString log = TransferLog();
  EXPECT_TRUE(log.contains(" : Unable to continue the restore operation, Refer the log for more information.\r\n"));
  EXPECT_FALSE(log.contains("Switched to alternate method or protocol"));
  EXPECT_FALSE(QFileInfo::exists(root_ + "/D/Restore/a.txt"));
  // The engine's failure message, once, as an information box.
  ASSERT_EQ(box.Shown().size(), 1u);
  EXPECT_TRUE(box.Shown()[0].text.startsWith("Unable to continue the restore operation, Reason : "));
  EXPECT_EQ(box.Shown()[0].icon, 0);
  EXPECT_EQ(box.Shown()[0].style, 0);

  // The key is forgotten with the session.
  main_.Cont_DisConnect();
  EXPECT_FALSE(Engine().gbHaveEncKey);
  EXPECT_EQ(Engine().gsEncKey, "");
}

TEST_F(FacadeE2E, DecryptTakesTheWebDavRouteDirectly) {
  WriteUserProfile("DECRYPT", "1");
  EXPECT_EQ(Restore(Items()), 1);
  ExpectRestored();
  EXPECT_EQ(RsyncConnections(), 0);
  EXPECT_GT(WebDavDownloads(), 0);
  EXPECT_TRUE(TransferLog().contains("Mode : Interactive Restore : Decrypt option selected : "));

  // Uncompressing alone takes it too.
  WriteUserProfile("DECRYPT", "");
  testbed::Control("DELETE", "/log");
  QDir(root_).mkpath("D/Unzipped");
  EXPECT_EQ(Restore(Items(), "D:\\Unzipped\\", true), 1);
  ExpectRestored("/D/Unzipped");
  EXPECT_EQ(RsyncConnections(), 0);
  EXPECT_FALSE(TransferLog().contains("Switched to alternate method or protocol"));
}

TEST_F(FacadeE2E, AStoppedRestoreAnswersZeroOnEitherRouteAndTheNextOneRuns) {
  for (const bool webdav : {false, true}) {
    SCOPED_TRACE(webdav ? "WebDAV" : "rsync");
    WriteUserProfile("DECRYPT", webdav ? "1" : "0");
    testbed::Control("DELETE", "/log");
    gMonitor = {};
    gMonitor.stop = true;
    EXPECT_EQ(Restore(Items()), 0);
    EXPECT_GT(gMonitor.reports, 0);
    EXPECT_EQ(TransferLog().contains("Decrypt option selected"), webdav);
    EXPECT_FALSE(TransferLog().contains("Switched to alternate method or protocol"));
    EXPECT_FALSE(Engine().gbCommonFlag || Engine().gbCancelled);

    // The next restore is not held back by anything the stopped one left.
    gMonitor.stop = false;
    testbed::Control("DELETE", "/log");
    const QString dest = webdav ? "D:\\Again2\\" : "D:\\Again1\\";
    QDir(root_).mkpath(webdav ? "D/Again2" : "D/Again1");
    EXPECT_EQ(Restore(Items(), dest), 1);
    ExpectRestored(webdav ? "/D/Again2" : "/D/Again1");
  }
}

TEST_F(FacadeE2E, AFailedRestoreLeavesNothingForTheNext) {
  vb::SkippingClock clock;
  vb::ScopedClock useClock(clock);
  // The first restore fails on both routes: the destination is a file.
  QFile blocker(root_ + "/D/Blocked");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  win::RecordingMessageBox box;
  EXPECT_EQ(Restore(Items(), "D:\\Blocked\\In\\"), 0);
  EXPECT_FALSE(Engine().gbCommonFlag || Engine().gbCancelled);
  box.Clear();
  EXPECT_EQ(Restore(Items()), 1);
  ExpectRestored();
  EXPECT_FALSE(Engine().gbRestoreFailed);
  EXPECT_TRUE(box.Shown().empty());
}

TEST_F(FacadeE2E, ItemOperationsAnswerThroughTheFacade) {
  // Folder creation, rename, copy, file delete and the error text of a
  // failing one.
  EXPECT_TRUE(main_.Cont_CreateRemDir(Root() + "New folder/"));
  EXPECT_TRUE(QFileInfo(account_ + "/New folder").isDir());
  EXPECT_TRUE(main_.Cont_CopyRemItem(Root() + "a.txt", Root() + "New folder/a copy.txt"));
  EXPECT_EQ(ReadAll(account_ + "/New folder/a copy.txt"), "alpha\n");
  EXPECT_TRUE(main_.Cont_RenameRemItem(Root() + "New folder/a copy.txt", Root() + "New folder/renamed.txt"));
  EXPECT_TRUE(QFileInfo::exists(account_ + "/New folder/renamed.txt"));
  Long status = 0;
  EXPECT_TRUE(main_.Cont_DeleteRemItem(Root() + "New folder/renamed.txt", status));
  EXPECT_EQ(status, 204);
  EXPECT_FALSE(QFileInfo::exists(account_ + "/New folder/renamed.txt"));

  EXPECT_FALSE(main_.Cont_RenameRemItem(Root() + "no such file.txt", Root() + "other.txt"));
  EXPECT_FALSE(main_.Cont_CreateRemDir(Root() + "no parent/child/"));
  EXPECT_EQ(main_.GetErrorString(), "One or more intermediate collections have to be created.")
      << "the failing operation's text";

  // The folder delete goes through the service's script.
  EXPECT_TRUE(main_.Cont_DeleteRemFolder(Root() + "New folder/"));
  EXPECT_FALSE(QFileInfo::exists(account_ + "/New folder"));

  // Quota, remote size, account status and versioning.
  const QString quota = main_.Cont_GetQuotaInfo();
  EXPECT_TRUE(quota.contains('/')) << quota.toStdString();
  EXPECT_FALSE(main_.Cont_GetRemoteSize("", "D_" + Root() + "Documents/", 99).isEmpty());
  EXPECT_EQ(main_.Cont_CheckZQAcountStatus("Read-Write"), 1);
  EXPECT_EQ(main_.ChkAccoutStatus(user_, password_), 3) << "an active account has no finding";
  EXPECT_EQ(main_.ChkAccoutStatus(user_, "wrong"), 4);
  EXPECT_EQ(main_.ChkAccoutStatus("nobody", "x"), 5);
  EXPECT_NE(main_.Cont_EnableVersioning(true), 0);

  // Search through the rsync side into the result file.
  EXPECT_TRUE(main_.Cont_SearchRemItem("/Documents/", user_, password_));
  const QString found = Utf16Text(ReadAll(root_ + "/Prog/OrvaneMac/OrvaneSearchResult.txt"));
  EXPECT_TRUE(found.contains("Letters/2009/Dear Anna.txt"));
  EXPECT_FALSE(main_.cont_IsExeRunning("orvane_int_rst_100.exe", false));
}

}  // namespace
}  // namespace OrvaneSrv
