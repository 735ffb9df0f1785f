// The search window against the service double: the engine lists the
// searched folders through the rsync daemon into the result file, the
// window turns it into rows, a stop and a Close reach the engine's listing
// through the program's call-back, and the checked rows are restored and
// deleted through the program's engine client. Runs inside testbed/run;
// skipped outside it. The engine starts the tunnel and the listing client
// by name and ends them by name after each search (IsExeRunning with its
// kill flag), so this test holds the lock of the outside programs.
#include "program/main/frmSearchRemote.h"

#include <QCheckBox>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/paths/WinPath.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryStore.h"
#include "platform/ui/EventPump.h"
#include "program/browse/BrowseTestSupport.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/SystemHelpers.h"
#include "program/foundation/modMain.h"
#include "program/main/MainWindowServices.h"
#include "program/main/UniListView.h"
#include "program/session/clsController.h"
#include "program/windows/SkinControls.h"
#include "testbed/include/TestbedControl.h"

namespace OrvaneMac {
namespace {

using namespace testing;

// The build's program folder, which holds the stand-ins of the outside
// programs and this test.
QString ProgramDir() { return QCoreApplication::applicationDirPath(); }
const QString kNoResults = QStringLiteral("Search is complete. There are no results to display.");

void WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
  f.close();
  f.setPermissions(f.permissions() | QFileDevice::ReadOther | QFileDevice::WriteOther);
}

class SearchWindowE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testbed::Running()) GTEST_SKIP() << "not inside testbed/run";
    App();
    testbed::Reset(true);
    ASSERT_TRUE(tmp_.isValid());
    root_ = tmp_.path();
    account_ = qEnvironmentVariable("TESTBED_ACCOUNT_ROOT");
    user_ = qEnvironmentVariable("TESTBED_USER");
    password_ = qEnvironmentVariable("TESTBED_PASSWORD");
    QDir(root_).mkpath("Prog/OrvaneMac");
    QDir(root_).mkpath("D/Restore");
    for (const QFileInfo& f : QDir(ProgramDir()).entryInfoList(QDir::Files))
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
    QFile details(root_ + "/Prog/OrvaneMac/OrvaneDetails.ini");
    ASSERT_TRUE(details.open(QIODevice::WriteOnly));
    details.write("[Orvane]\r\nechoexe=500\r\n");
    details.close();
    // The tunnel's configuration as the installation leaves it; the engine
    // writes its section when it starts the tunnel.
    QFile conf(root_ + "/Prog/SSLInteractive.conf");
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.close();

    ResetProgramForTesting();
    ProgramState& p = Program();
    p.AppWord = "OrvaneMac";
    p.AppTitle = "Orvane for Mac - Windows Restore";
    p.AccountName = user_;
    p.AccountPassword = password_;
    modGeneral::RegisterProgramClasses();
    ASSERT_TRUE(clsController::Instance().Cont_login(user_, password_, false));

    // The files the searches look for.
    WriteFile(account_ + "/Search/Grüße aus Köln.txt", "Hallo\n");
    QByteArray big(1572864, '\0');
    for (int i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i % 251);
    WriteFile(account_ + "/Search/big one.bin", big);
    WriteFile(account_ + "/Search/small one.txt", QByteArray(512, 'x'));
    searchBox_ = std::make_unique<QLineEdit>();
    MainWindow().txtSearchText = searchBox_.get();
  }

  void TearDown() override {
    if (!testbed::Running()) return;
    CancelPending();
    form().Unload();
    form().ResetHandOvers();
    MainWindow() = MainWindowControls();
    clsController::Instance().Cont_DisConnect();
    clsController::Instance().ReleaseEngines();
    ResetProgramForTesting();
    win::SetProgramFolder({});
    registry_.reset();
    drives_.reset();
    qputenv("ORVANE_DRIVES", savedDrives_);
    qputenv("ORVANE_CONNECT_TO", savedConnectTo_);
  }

  static frmSearchRemote& form() { return frmSearchRemote::Instance(); }
  static UniListView* list() { return form().lvw_SearchResult(); }
  static QStringList Rows() {
    QStringList rows;
    for (int r = 1; r <= list()->RowCount(); ++r) rows << list()->RowText(r);
    return rows;
  }
  static void Prepare(const QString& folder, const QString& key) {
    form().lblSearchpath()->SetCaption("My Orvane" + folder);
    form().txt_Searchkey()->setText(key);
  }
  // A search whose client a process outside the test bed ended (one that
  // ends the outside programs by name among all of the machine's
  // processes) finds nothing; such a search is run once more before the
  // test looks at it.
  static void Search(int tries = 3) {
    for (int i = 0; i < tries; ++i) {
      form().RunSearch();
      if (list()->RowCount() > 0) return;
    }
  }
  static int RowOf(const QString& text) {
    for (int r = 1; r <= list()->RowCount(); ++r)
      if (list()->RowText(r) == text) return r;
    return 0;
  }
  static void CheckRow(int row) { list()->topLevelItem(row - 1)->setCheckState(0, Qt::Checked); }
  // The whole account's top level as the main window's tree would give it.
  void TopLevel(const QStringList& entries) {
    form().SetHandOvers({[] {}, [](const QString&, const QString&) {}, [entries] {
                           auto& items = Items(Program().SearchRootItems);
                           items->Clear();
                           for (const QString& e : entries) items->Add(e);
                         }});
  }

  QTemporaryDir tmp_;
  QString root_;
  QString account_;
  QString user_;
  QString password_;
  QByteArray savedDrives_;
  QByteArray savedConnectTo_;
  std::optional<win::ScopedDriveTable> drives_;
  std::optional<win::ScopedRegistry> registry_;
  std::unique_ptr<QLineEdit> searchBox_;
};

TEST_F(SearchWindowE2E, KeysFindWhatTheyNameAndSayWhenNothingIs) {
  Prepare("/", "   ");
  QString shown;
  AnswerNextMessageBox(&shown);
  form().RunSearch();
  EXPECT_EQ(shown.trimmed(), "Enter the full/partial file name and click 'Search'.");

  Prepare("/Search/", "grü");
  Search();
  EXPECT_EQ(Rows(), QStringList{"Search/Grüße aus Köln.txt"});
  EXPECT_EQ(form().lbl_Searching()->Caption(), "");

  Prepare("/Search/", "no such file anywhere");
  form().RunSearch();
  EXPECT_EQ(list()->RowCount(), 0);
  EXPECT_EQ(form().lbl_Searching()->Caption(), kNoResults);
}

TEST_F(SearchWindowE2E, StopDuringTheSecondTopFolderKeepsTheEarlierRows) {
  TopLevel({"F_/readme.txt>Tue, 04 Mar 2014 10:15:02 GMT>10", "D_/Documents/>Tue, 04 Mar 2014 10:15:02 GMT",
            "D_/Media/>Tue, 04 Mar 2014 10:15:02 GMT", "D_/Projects/>Tue, 04 Mar 2014 10:15:02 GMT"});
  Prepare("/", "*");
  // The user presses Stop as soon as the first folder's rows are there,
  // that is while the engine lists the second one.
  bool stopped = false;
  vb::ScopedEventPump pump([&] {
    QCoreApplication::processEvents();
    if (!stopped && form().IsLoaded() && RowOf("Documents/Letters/2009/Dear Anna.txt") > 0) {
      stopped = true;
      form().StopSearch();
    }
  });
  for (int i = 0; i < 3 && !stopped; ++i) form().RunSearch();
  ASSERT_TRUE(stopped);
  const QStringList rows = Rows();
  EXPECT_TRUE(rows.contains("readme.txt"));
  EXPECT_TRUE(rows.contains("Documents/Reports #1/a+b=c.txt"));
  for (const QString& row : rows) {
    EXPECT_FALSE(row.startsWith("Media/")) << row.toStdString();
    EXPECT_FALSE(row.startsWith("Projects/")) << row.toStdString();
  }
  EXPECT_FALSE(Program().SearchInProgress);
  EXPECT_FALSE(form().cmdOK()->isHidden());
}

TEST_F(SearchWindowE2E, CloseDuringASearchEndsItAndUnloadsTheWindowSafely) {
  TopLevel({"D_/Documents/>x", "D_/Media/>x"});
  bool closed = false;
  vb::ScopedEventPump pump([&] {
    QCoreApplication::processEvents();
    if (!closed && form().IsLoaded() && form().RunActive()) {
      closed = true;
      form().CloseSearch();
    }
  });
  WhenShown(form(), [] {});
  SearchWindowOpening opening;
  opening.startWithKey = true;
  opening.key = "txt";
  ShowSearchWindow(opening);
  EXPECT_TRUE(closed);
  EXPECT_FALSE(form().IsLoaded());
  EXPECT_FALSE(Program().SearchInProgress);
  EXPECT_EQ(searchBox_->text(), "Search for files/folders");
}

TEST_F(SearchWindowE2E, CheckedRowsAreRestoredAndDeleted) {
  Prepare("/Search/", " one");
  Search();
  ASSERT_EQ(Rows(), (QStringList{"Search/big one.bin", "Search/small one.txt"}));
  EXPECT_EQ(list()->SubItem(1, 1), "1.50 MB");
  EXPECT_EQ(list()->SubItem(2, 1), "512.00 B");
  CheckRow(1);
  CheckRow(2);

  double setSize = 0;
  form().SetHandOvers({[&] {
                         // The destination screen's restore into D:\Restore.
                         setSize = Program().RestoreSetSize;
                         clsController::Instance().Cont_Restore("D:\\Restore\\", false, true, false);
                       },
                       {}, {}});
  form().RestoreFoundItems();
  EXPECT_EQ(setSize, 1572864.0 + 512.0);
  QFile big(root_ + "/D/Restore/big one.bin");
  QFile original(account_ + "/Search/big one.bin");
  ASSERT_TRUE(big.open(QIODevice::ReadOnly));
  ASSERT_TRUE(original.open(QIODevice::ReadOnly));
  EXPECT_TRUE(big.readAll() == original.readAll());
  EXPECT_EQ(QFileInfo(root_ + "/D/Restore/small one.txt").size(), 512);

  // Delete the small one: the delete window's walk, file by file.
  for (int r = 1; r <= list()->RowCount(); ++r) {
    list()->topLevelItem(r - 1)->setCheckState(0, r == 2 ? Qt::Checked : Qt::Unchecked);
  }
  form().SetHandOvers({{},
                       [](const QString&, const QString&) {
                         for (const vb::Variant& v : *Program().EnumRestoreItemSet) {
                           const QString entry = v.ToString();
                           Long status = 0;
                           if (clsController::Instance().Cont_DeleteRemItem(entry.mid(2), status))
                             Program().DeletedItems << entry;
                         }
                       },
                       {}});
  form().DeleteFoundItems();
  EXPECT_FALSE(QFileInfo::exists(account_ + "/Search/small one.txt"));
  EXPECT_TRUE(QFileInfo::exists(account_ + "/Search/big one.bin"));
  EXPECT_EQ(Rows(), QStringList{"Search/big one.bin"});
}

}  // namespace
}  // namespace OrvaneMac
