// The search window against recording engines: the run and its rows, the
// whole-account road with a stop, Close during a search, the automatic
// first search, Select All and the row checks, restore and delete of the
// checked rows, and a screenshot.
#include "program/main/frmSearchRemote.h"

#include <QCheckBox>
#include <QLineEdit>

#include <gtest/gtest.h>

#include "ZQwinSrv/foundation/Util.h"
#include "platform/objects/DispatchObject.h"
#include "platform/text/Format.h"
#include "platform/text/UserLocale.h"
#include "platform/ui/EventPump.h"
#include "program/windows/Twips.h"
#include "program/browse/BrowseTestSupport.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/main/MainWindowServices.h"
#include "program/main/SearchTestSupport.h"
#include "program/main/UniListView.h"
#include "program/main/frmreswizscr3.h"
#include "program/browse/TreeViewControl.h"
#include "program/progress/ProgressTestSupport.h"
#include "program/progress/clsMonitor.h"
#include "program/windows/SkinControls.h"

namespace OrvaneMac {
namespace {

using namespace testing;

const QString kDate = QStringLiteral("2010/07/06 10:20:30");
const QString kNoResults = QStringLiteral("Search is complete. There are no results to display.");

class SearchWindowTest : public ProgramTest {
 protected:
  void SetUp() override {
    App();
    ProgramTest::SetUp();
    ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
    engines_.emplace();
    listings_ = std::make_shared<SearchListings>();
    UseSearchingEngines(*engines_, listings_);
    Program().AccountName = "alice";
    Program().AccountPassword = "pw";
    Program().AppTitle = "Orvane for Mac - Windows Restore";
    searchBox_ = std::make_unique<QLineEdit>();
    searchBox_->setText("grü");
    MainWindow().txtSearchText = searchBox_.get();
    form().bSingleCall = false;
    form().bSearchFromMainScreen = false;
  }
  void TearDown() override {
    CancelPending();
    if (frmreswizscr3::Instance().IsLoaded()) frmreswizscr3::Instance().Unload();
    form().Unload();
    form().ResetHandOvers();
    MainWindow() = MainWindowControls();
    searchBox_.reset();
    engines_.reset();
    ProgramTest::TearDown();
  }

  static frmSearchRemote& form() { return frmSearchRemote::Instance(); }
  static UniListView* list() { return form().lvw_SearchResult(); }
  static QStringList Rows() {
    QStringList rows;
    for (int r = 1; r <= list()->RowCount(); ++r) rows << list()->RowText(r);
    return rows;
  }
  // The window loaded for `folder` with `key` typed.
  static void Prepare(const QString& folder, const QString& key) {
    form().lblSearchpath()->SetCaption("My Orvane" + folder);
    form().txt_Searchkey()->setText(key);
  }
  // Three files under "/Docs/".
  void ThreeDocs() {
    listings_->byFolder["/Docs/"] = ListingLine('d', "4096", kDate, ".") +
                                    ListingLine('-', "1572864", kDate, "big.bin") +
                                    ListingLine('-', "512", kDate, "Grüße aus Köln.txt") +
                                    ListingLine('d', "4096", kDate, "sub") + ListingLine('-', "", kDate, "sub/note");
  }
  static void CheckRow(int row, bool checked) {
    list()->topLevelItem(row - 1)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
  }

  std::optional<ScopedFakeEngines> engines_;
  std::shared_ptr<SearchListings> listings_;
  std::unique_ptr<QLineEdit> searchBox_;
};

TEST_F(SearchWindowTest, BlankKeyAsksForOneAndChangesNothing) {
  Prepare("/Docs/", "   ");
  Program().SearchStopRequested = true;
  QString shown;
  AnswerNextMessageBox(&shown);
  form().RunSearch();
  EXPECT_EQ(shown.trimmed(), "Enter the full/partial file name and click 'Search'.");
  EXPECT_TRUE(listings_->asked.isEmpty());
  EXPECT_TRUE(Program().SearchStopRequested);
  EXPECT_FALSE(Program().SearchInProgress);
}

TEST_F(SearchWindowTest, FolderSearchListsTheMatchingFilesOnly) {
  ThreeDocs();
  struct Case {
    const char* key;
    QStringList rows;
  };
  const Case cases[] = {
      {"grü", {"Docs/Grüße aus Köln.txt"}},
      {"*", {"Docs/big.bin", "Docs/Grüße aus Köln.txt", "Docs/sub/note"}},
      {"sub", {"Docs/sub/note"}},
      {"nothing", {}},
  };
  for (const Case& c : cases) {
    Prepare("/Docs/", QString::fromUtf8(c.key));
    form().RunSearch();
    EXPECT_EQ(Rows(), c.rows) << c.key;
    EXPECT_EQ(form().lbl_Searching()->Caption(), c.rows.isEmpty() ? kNoResults : QString()) << c.key;
    EXPECT_EQ(form().chkSelectAll()->isEnabled(), !c.rows.isEmpty());
  }
  EXPECT_EQ(engines_->Take().filter("Cont_SearchRemItem").value(0), "1:Cont_SearchRemItem(/Docs/,alice,pw)");
  Prepare("/Docs/", "*");
  form().RunSearch();
  EXPECT_EQ(list()->SubItem(1, 1), "1.50 MB");
  EXPECT_EQ(list()->SubItem(2, 1), "512.00 B");
  EXPECT_EQ(list()->SubItem(3, 1), "0 KB");
  EXPECT_EQ(list()->SubItem(1, 4), "2");
  EXPECT_EQ(list()->CheckText(1), "0");
  EXPECT_FALSE(form().cmdOK()->isHidden());
  EXPECT_TRUE(form().cmd_Refresh()->isHidden());
  EXPECT_TRUE(form().CmdDeleteFullpath()->isEnabled());
  EXPECT_FALSE(form().txt_Searchkey()->isReadOnly());
  EXPECT_FALSE(Program().SearchInProgress);
}

TEST_F(SearchWindowTest, ResultFileWithoutLineFeedOrOnlyFoldersAddsNoRow) {
  for (const QString& listing :
       {ListingLine('-', "5", kDate, "a.txt").chopped(1), ListingLine('d', "4096", kDate, "a.txt")}) {
    listings_->byFolder["/Docs/"] = listing;
    Prepare("/Docs/", "a");
    form().RunSearch();
    EXPECT_EQ(list()->RowCount(), 0);
    EXPECT_EQ(form().lbl_Searching()->Caption(), kNoResults);
  }
}

TEST_F(SearchWindowTest, SearchOfOneFileListsItUnderItsOwnPath) {
  listings_->byFolder["/Docs/a.txt"] = ListingLine('-', "5", kDate, "a.txt");
  Prepare("/Docs/a.txt", "a");
  form().RunSearch();
  EXPECT_EQ(Rows(), QStringList{"Docs/a.txt"});
}

// The listing of a snapshot folder is that of its one user folder: the rows
// name the files where the tree shows them, below that folder.
TEST_F(SearchWindowTest, ASnapshotFoldersRowsLieBelowItsUserFolder) {
  listings_->byFolder["/BackUp_nightly.3/"] = ListingLine('-', "5", kDate, "Docs/a.txt");
  listings_->byFolder["/BackUp_nightly.3/alice/Docs/"] = ListingLine('-', "5", kDate, "b.txt");
  Prepare("/BackUp_nightly.3/", "a");
  form().RunSearch();
  EXPECT_EQ(Rows(), QStringList{"BackUp_nightly.3/alice/Docs/a.txt"});
  Prepare("/BackUp_nightly.3/alice/Docs/", "b");
  form().RunSearch();
  EXPECT_EQ(Rows(), QStringList{"BackUp_nightly.3/alice/Docs/b.txt"});
}

TEST_F(SearchWindowTest, NoSecondRunStartsInsideARun) {
  ThreeDocs();
  Prepare("/Docs/", "*");
  listings_->during = [&](const QString&) {
    EXPECT_TRUE(form().RunActive());
    EXPECT_TRUE(form().cmdOK()->isHidden());
    EXPECT_TRUE(form().txt_Searchkey()->isReadOnly());
    form().RunSearch();
    TypeKey(form().Window(), Qt::Key_Return);
    TypeKey(form().Window(), Qt::Key_S, Qt::AltModifier);
    form().cmdOK_MouseUp(Qt::LeftButton);
  };
  form().RunSearch();
  EXPECT_EQ(listings_->asked, QStringList{"/Docs/"});
  EXPECT_EQ(list()->RowCount(), 3);
}

TEST_F(SearchWindowTest, WholeAccountMatchesTopFilesAndStopsBetweenFolders) {
  form().SetHandOvers({[] {}, [](const QString&, const QString&) {}, [] {
                         auto& items = Items(Program().SearchRootItems);
                         items->Clear();
                         items->Add(QStringLiteral("F_/A report.txt>Tue, 06 Jul 2010 10:20:30 GMT>2048"));
                         items->Add(QStringLiteral("D_/A/>Tue, 06 Jul 2010 10:20:30 GMT"));
                         items->Add(QStringLiteral("F_/other.txt>>"));
                         items->Add(QStringLiteral("D_/B/>Tue, 06 Jul 2010 10:20:30 GMT"));
                         items->Add(QStringLiteral("D_/C/>Tue, 06 Jul 2010 10:20:30 GMT"));
                       }});
  listings_->byFolder["/A/"] = ListingLine('-', "10", kDate, "x report.txt");
  listings_->byFolder["/B/"] = ListingLine('-', "10", kDate, "y report.txt");
  listings_->byFolder["/C/"] = ListingLine('-', "10", kDate, "z report.txt");
  const vb::ObjectRef monitor = std::make_shared<clsMonitor>();
  listings_->during = [&](const QString& folder) {
    EXPECT_FALSE(win::Invoke(monitor, "updateSearchProgress", {QStringLiteral("1")}).ToBoolean());
    if (folder != "/B/") return;
    // The user stops while the second folder is listed; the engine's next
    // poll ends the listing, which then writes no file.
    form().StopSearch();
    EXPECT_FALSE(form().cmdOK()->isHidden());
    EXPECT_FALSE(form().CmdDeleteFullpath()->isEnabled());
    listings_->stopped = win::Invoke(monitor, "updateSearchProgress", {QStringLiteral("1")}).ToBoolean();
  };
  Prepare("/", "report");
  form().RunSearch();
  EXPECT_EQ(listings_->asked, (QStringList{"/A/", "/B/"}));
  EXPECT_TRUE(listings_->stopped);
  EXPECT_EQ(Rows(), (QStringList{"A report.txt", "A/x report.txt"}));
  EXPECT_EQ(list()->SubItem(1, 1), "2.00 KB");
  EXPECT_EQ(list()->SubItem(1, 2), form().CalculateDateTime("Tue, 06 Jul 2010 10:20:30 GMT"));
  EXPECT_TRUE(form().CmdDeleteFullpath()->isEnabled());
  EXPECT_FALSE(form().RunActive());
}

TEST_F(SearchWindowTest, WholeAccountKeepsTopLevelNamesHoldingAGreaterThanSign) {
  // The main window's tree, listed from the engine, holds a file and a
  // folder whose names hold ">"; the search takes its top level from there.
  MiniMainWindow main;
  MainWindow().txtSearchText = searchBox_.get();
  Program().RemoteRootKey = "/users/alice/Files/";
  FakeRemoteListing listing;
  const auto key = [](int seq, const QString& path, const QString& size) {
    const QString full = OrvaneSrv::EscapeKeyField("/users/alice/Files/" + path);
    return QString::number(seq) + ">Tue, 06 Jul 2010 10:20:30 GMT>" + size + ">" + full + ">" + full;
  };
  listing.folders["/users/alice/Files/"] = {key(1, "a>b.txt", "2048"), key(2, "x>y/", "0")};
  TreeViewControl::Instance().setUpImageList(main.tree);
  TreeViewControl::Instance().setUpColumns(main.tree, 280, 150, 270);
  ASSERT_TRUE(TreeViewControl::Instance().PopulateRemoteTreeView("Smart", main.tree, true, true, false));
  listings_->byFolder["/x>y/"] = ListingLine('-', "10", kDate, "in>side.txt");
  Prepare("/", "*");
  form().RunSearch();
  EXPECT_EQ(listings_->asked, QStringList{"/x>y/"});
  EXPECT_EQ(Rows(), (QStringList{"a>b.txt", "x>y/in>side.txt"}));
  EXPECT_EQ(list()->SubItem(1, 1), "2.00 KB");
}

TEST_F(SearchWindowTest, ServerDatesReadInEitherDayOrder) {
  const QDateTime when(QDate(2010, 7, 6), QTime(10, 20, 30));
  for (const char* pattern : {"dd/MM/yyyy", "M/d/yyyy"}) {
    vb::UserLocale locale = vb::UserLocale::EnglishUS();
    locale.shortDatePattern = pattern;
    vb::ScopedUserLocale pinned(locale);
    Program().ShortDatePattern = pattern;
    EXPECT_EQ(form().CalculateDateTime("Tue, 06 Jul 2010 10:20:30 GMT"), vb::FormatGeneralDate(when)) << pattern;
  }
  EXPECT_EQ(form().CalculateDateTime("  "), "00/00/00 00:00:00");
  EXPECT_EQ(form().CalculateDateTime("not a date"), "");
}

TEST_F(SearchWindowTest, OpeningWithAKeySearchesOnceAndCloseDuringItUnloadsAfterTheRun) {
  ThreeDocs();
  listings_->byFolder["/"] = ListingLine('-', "1", kDate, "never.txt");
  form().SetHandOvers({{}, {}, [] {
                         auto& items = Items(Program().SearchRootItems);
                         items->Clear();
                         items->Add(QStringLiteral("D_/Docs/>Tue, 06 Jul 2010 10:20:30 GMT"));
                         items->Add(QStringLiteral("D_/More/>Tue, 06 Jul 2010 10:20:30 GMT"));
                       }});
  bool hiddenWhileUnwinding = false;
  listings_->during = [&](const QString&) {
    // Close is pressed while the engine lists the first folder.
    form().CloseSearch();
    hiddenWhileUnwinding = form().IsLoaded() && !form().Window()->isVisible();
  };
  WhenShown(form(), [] {});
  SearchWindowOpening opening;
  opening.searchPath = "My Orvane/Docs/";
  opening.startWithKey = true;
  opening.key = "grü";
  ShowSearchWindow(opening);
  EXPECT_FALSE(form().IsLoaded());
  EXPECT_TRUE(hiddenWhileUnwinding);
  EXPECT_EQ(listings_->asked, QStringList{"/Docs/"});  // the whole account; no second folder
  EXPECT_TRUE(Program().SearchStopRequested);
  EXPECT_FALSE(Program().SearchInProgress);
  EXPECT_EQ(searchBox_->text(), "Search for files/folders");
  EXPECT_TRUE(searchBox_->font().italic());
}

TEST_F(SearchWindowTest, ReturningToTheWindowStartsNoSecondSearch) {
  ThreeDocs();
  form().SetHandOvers({{}, {}, [] {
                         auto& items = Items(Program().SearchRootItems);
                         items->Clear();
                         items->Add(QStringLiteral("D_/Docs/>x"));
                       }});
  WhenShown(form(), [] {
    QTimer::singleShot(50, [] {
      // Activated again (as after a message box).
      QApplication::setActiveWindow(nullptr);
      QApplication::setActiveWindow(form().Window());
      QTimer::singleShot(50, [] { form().CloseSearch(); });
    });
  });
  SearchWindowOpening opening;
  opening.startWithKey = true;
  opening.key = "grü";
  ShowSearchWindow(opening);
  EXPECT_EQ(listings_->asked, QStringList{"/Docs/"});
  EXPECT_FALSE(form().bSingleCall);
}

TEST_F(SearchWindowTest, OpeningForAFolderWithoutKeyWaitsAndAnUnloadFromOutsideKeepsTheSearchBox) {
  ThreeDocs();
  bool selectAllEnabled = true;
  WhenShown(form(), [&] {
    QTimer::singleShot(30, [&] {
      selectAllEnabled = form().chkSelectAll()->isEnabled();
      UnloadSearchWindow();  // the destination screen's close
    });
  });
  SearchWindowOpening opening;
  opening.searchPath = "My Orvane/Docs/";
  opening.clearDisplayNumFiles = true;
  ShowSearchWindow(opening);
  EXPECT_TRUE(listings_->asked.isEmpty());
  EXPECT_FALSE(selectAllEnabled);
  EXPECT_EQ(searchBox_->text(), "grü");
  EXPECT_TRUE(Program().SearchStopRequested);
}

TEST_F(SearchWindowTest, AnUnloadLetsMessagesRunTwiceWithTheStopAlreadyRequested) {
  form().Load();
  Program().SearchInProgress = true;
  Program().SearchStopRequested = false;
  QList<bool> stopSeen;
  {
    vb::ScopedEventPump watch([&] { stopSeen << (Program().SearchStopRequested && !Program().SearchInProgress); });
    form().Unload();
  }
  EXPECT_EQ(stopSeen, (QList<bool>{true, true}));
}

TEST_F(SearchWindowTest, ButtonsAndShortcutsTakeOnlyTheirOwnPresses) {
  ThreeDocs();
  Prepare("/Docs/", "*");
  form().Show();
  int hidden = 0;
  form().SetHandOvers({[&] { ++hidden; }, [&](const QString&, const QString&) { ++hidden; }, {}});
  // Right-button releases over Search, Close, Delete and Restore do nothing.
  ClickOn(form().cmdOK(), Qt::RightButton);
  EXPECT_TRUE(listings_->asked.isEmpty());
  ClickOn(form().lbl_cmd_cancel(), Qt::RightButton);
  EXPECT_TRUE(form().IsLoaded());
  // Alt with Shift or Ctrl is no shortcut.
  TypeKey(form().Window(), Qt::Key_S, Qt::AltModifier | Qt::ShiftModifier);
  TypeKey(form().Window(), Qt::Key_C, Qt::AltModifier | Qt::ControlModifier);
  EXPECT_TRUE(listings_->asked.isEmpty());
  EXPECT_TRUE(form().IsLoaded());
  ClickOn(form().lbl_cmdOK());
  EXPECT_EQ(listings_->asked.size(), 1);
  CheckRow(1, true);
  ClickOn(form().CmdDeleteFullpath(), Qt::RightButton);
  ClickOn(form().wiz_res3_next(), Qt::RightButton);
  EXPECT_EQ(hidden, 0);
  // A right-button release over Stop Search stops the run.
  bool stopped = false;
  listings_->during = [&](const QString&) {
    ClickOn(form().cmd_Refresh(), Qt::RightButton);
    stopped = Program().SearchStopRequested;
  };
  form().RunSearch();
  EXPECT_TRUE(stopped);
  TypeKey(form().Window(), Qt::Key_C, Qt::AltModifier);
  EXPECT_FALSE(form().IsLoaded());
}

TEST_F(SearchWindowTest, LongSearchPathGetsTheResizeTooltip) {
  for (int length : {109, 110}) {
    form().Load();
    form().lblSearchpath()->SetCaption(QString(length, u'x'));
    form().SetWidth(12000);
    EXPECT_EQ(form().lblSearchpath()->toolTip().isEmpty(), length < 110) << length;
    form().Unload();
  }
}

TEST_F(SearchWindowTest, SelectAllAndTheRowChecksKeepEachOtherInStep) {
  ThreeDocs();
  Prepare("/Docs/", "*");
  form().RunSearch();
  form().chkSelectAll()->setChecked(true);
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(list()->CheckText(r), "1");
  CheckRow(2, false);  // the user unchecks one row
  EXPECT_FALSE(form().chkSelectAll()->isChecked());
  EXPECT_EQ(list()->CheckText(1), "1");
  EXPECT_EQ(list()->CheckText(2), "0");
  EXPECT_TRUE(list()->Checked(3));
  CheckRow(2, true);
  EXPECT_TRUE(form().chkSelectAll()->isChecked());
  form().chkSelectAll()->setChecked(false);  // by hand
  for (int r = 1; r <= 3; ++r) EXPECT_FALSE(list()->Checked(r));
  CheckRow(1, true);
  TypeKey(form().Window(), Qt::Key_A, Qt::AltModifier);  // applies the unchecked box
  EXPECT_FALSE(list()->Checked(1));
  EXPECT_EQ(list()->CheckText(1), "0");
  EXPECT_FALSE(form().chkSelectAll()->isChecked());
  // A new run unchecks the box before it empties the list.
  form().chkSelectAll()->setChecked(true);
  form().RunSearch();
  EXPECT_FALSE(form().chkSelectAll()->isChecked());
  EXPECT_EQ(list()->CheckText(1), "0");
}

TEST_F(SearchWindowTest, RestoreHandsTheCheckedFilesAndTheirShownSizes) {
  ThreeDocs();
  Prepare("/Docs/", "*");
  form().Show();
  form().RunSearch();
  CheckRow(1, true);
  CheckRow(2, true);
  QStringList set;
  double size = 0;
  bool hidden = false;
  bool mode = false;
  form().SetHandOvers({[&] {
                         for (const vb::Variant& v : *Program().EnumRestoreItemSet) set << v.ToString();
                         size = Program().RestoreSetSize;
                         hidden = !form().Window()->isVisible();
                         mode = Program().SearchRestoreMode;
                       },
                       {}, {}});
  form().RestoreFoundItems();
  EXPECT_EQ(set, (QStringList{"F_/users/alice/Files/Docs/big.bin", "F_/users/alice/Files/Docs/Grüße aus Köln.txt"}));
  EXPECT_EQ(size, 1572864.0 + 512.0);
  EXPECT_TRUE(hidden);
  EXPECT_TRUE(mode);
  EXPECT_FALSE(Program().SearchRestoreMode);
  EXPECT_TRUE(form().Window()->isVisible());
}

TEST_F(SearchWindowTest, RestoreGoesThroughTheDestinationScreenAndBackAsOftenAsAsked) {
  ASSERT_TRUE(QDir().mkpath(Host("Data")));
  ThreeDocs();
  Prepare("/Docs/", "*");
  form().Show();
  form().RunSearch();
  CheckRow(1, true);
  frmreswizscr3& screen = frmreswizscr3::Instance();
  MessageRecorder shown;

  // Back returns to the search window, its results kept.
  bool backEnabled = false;
  QString caption;
  bool searchHidden = false;
  WhenShown(screen, [&] {
    backEnabled = screen.C().wiz_res3_back->isEnabled();
    caption = screen.C().Label3->Caption();
    searchHidden = !form().Window()->isVisible();
    TypeKey(screen.Window(), Qt::Key_B, Qt::AltModifier);
  });
  form().RestoreFoundItems();
  EXPECT_TRUE(backEnabled);
  EXPECT_EQ(caption, "Select a folder/drive under 'My Files' to restore your files/folders to it on your local machine");
  EXPECT_TRUE(searchHidden);
  EXPECT_TRUE(form().Window()->isVisible());
  EXPECT_FALSE(screen.Window()->isVisible());
  EXPECT_EQ(Rows().size(), 3);

  // Restore again: the screen comes up as it was left and the restore runs;
  // afterwards the search window is back with its results.
  WhenShown(screen, [&] {
    UniTreeViewMC* tree = screen.C().LocalTreeView;
    TreeNode drive = tree->FindNode("C:\\");
    TreeViewControl::Instance().PopulateLocalFolder(drive, true);
    for (int i = 1; i <= drive.ChildCount(); ++i) {
      if (drive.ChildAt(i).Text() == "Data") drive.ChildAt(i).SetSelected(true);
    }
    screen.wiz_res3_next_Click();
  });
  form().RestoreFoundItems();
  const QStringList restores = engines_->Take().filter("Cont_InteractiveRestore");
  ASSERT_EQ(restores.size(), 1);
  EXPECT_TRUE(restores[0].contains("C:\\Data\\")) << restores[0].toStdString();
  EXPECT_EQ(shown.Texts(), QStringList{"Do you want to view the logs for the restore operation now?"});
  EXPECT_FALSE(screen.IsLoaded());
  EXPECT_TRUE(form().Window()->isVisible());
  EXPECT_EQ(Rows().size(), 3);
  EXPECT_FALSE(Program().SearchRestoreMode);

  // Close on the screen closes the search window too.
  WhenShown(screen, [&] { TypeKey(screen.Window(), Qt::Key_C, Qt::AltModifier); });
  form().RestoreFoundItems();
  EXPECT_FALSE(screen.IsLoaded());
  EXPECT_FALSE(form().IsLoaded());
  EXPECT_FALSE(Program().SearchRestoreMode);
}

TEST_F(SearchWindowTest, RestoreAndDeleteWithoutRowsOrChecksSayWhy) {
  struct Case {
    bool rows;
    bool restore;
    const char* message;
  };
  const Case cases[] = {
      {false, true, "There are no items to restore."},
      {true, true, "Select the file(s)/folder(s) to restore."},
      {false, false, "There are no items to delete."},
      {true, false, "Select the file(s)/folder(s) to delete."},
  };
  ThreeDocs();
  bool handedOver = false;
  form().SetHandOvers({[&] { handedOver = true; },
                       [&](const QString&, const QString&) { handedOver = true; }, {}});
  for (const Case& c : cases) {
    Prepare("/Docs/", c.rows ? "*" : "none");
    form().RunSearch();
    QString shown;
    AnswerNextMessageBox(&shown);
    if (c.restore) {
      form().RestoreFoundItems();
    } else {
      form().DeleteFoundItems();
    }
    EXPECT_EQ(shown.trimmed(), c.message);
  }
  EXPECT_FALSE(handedOver);
  EXPECT_FALSE(Program().SearchDeleteMode);
  EXPECT_FALSE(Program().SearchRestoreMode);
}

TEST_F(SearchWindowTest, DeleteTakesOutExactlyTheRowsWhoseFilesWereDeleted) {
  listings_->byFolder["/Docs/"] = ListingLine('-', "1", kDate, "a%20b.txt") + ListingLine('-', "1", kDate, "c.txt") +
                                  ListingLine('-', "1", kDate, "keep.txt");
  Prepare("/Docs/", "*");
  form().RunSearch();
  CheckRow(1, true);
  CheckRow(2, true);
  QString caption;
  QString data;
  bool mode = false;
  form().SetHandOvers({{},
                       [&](const QString& c, const QString& d) {
                         caption = c;
                         data = d;
                         mode = Program().SearchDeleteMode;
                         // The first delete succeeds, the second fails.
                         Program().DeletedItems << QStringLiteral("F_/users/alice/Files/Docs/a%20b.txt");
                       },
                       {}});
  form().DeleteFoundItems();
  EXPECT_EQ(caption, "Delete file(s)/folder(s) list.");
  EXPECT_EQ(data, "Docs/a%20b.txt\r\nDocs/c.txt\r\n");
  EXPECT_TRUE(mode);
  EXPECT_FALSE(Program().SearchDeleteMode);
  EXPECT_EQ(Rows(), (QStringList{"Docs/c.txt", "Docs/keep.txt"}));
}

TEST_F(SearchWindowTest, ADeletedFolderTakesOutOnlyTheRowsBelowIt) {
  listings_->byFolder["/Docs/"] = ListingLine('-', "1", kDate, "sub/a.txt") +
                                  ListingLine('-', "1", kDate, "subway.txt") + ListingLine('-', "1", kDate, "x.txt");
  Prepare("/Docs/", "*");
  form().RunSearch();
  CheckRow(3, true);
  form().SetHandOvers({{},
                       [](const QString&, const QString&) {
                         Program().DeletedItems << QStringLiteral("D_/users/alice/Files/DOCS/sub")
                                                << QStringLiteral("F_/users/alice/Files/Docs/x.txt");
                       },
                       {}});
  form().DeleteFoundItems();
  EXPECT_EQ(Rows(), QStringList{"Docs/subway.txt"});
}

TEST_F(SearchWindowTest, Screenshot) {
  ThreeDocs();
  Prepare("/Docs/", "*");
  form().Show();
  QString running;
  listings_->during = [&](const QString&) { running = SaveScreenshot(form().Window(), "search_window_running"); };
  form().RunSearch();
  EXPECT_TRUE(QFileInfo::exists(running));
  CheckRow(2, true);
  const QString path = SaveScreenshot(form().Window(), "search_window");
  EXPECT_TRUE(QFileInfo::exists(path));
  EXPECT_GE(Twips::Width(form().Window()), 10245);
}

TEST_F(SearchWindowTest, WindowKeepsItsSmallestSize) {
  form().Show();
  form().SetWidth(5000);
  form().SetHeight(5000);
  EXPECT_EQ(Twips::Width(form().Window()), 10245);
  EXPECT_EQ(Twips::Height(form().Window()), 7920);
  EXPECT_EQ(Twips::Left(form().cmd_cancel()), 10245 - 1620);
  EXPECT_EQ(Twips::Top(form().chkSelectAll()), 7920 - 600);

  // Shrunk by the window system (the user dragging its edge): the window
  // comes back to its smallest size, laid out for it.
  form().Window()->resize(300, 200);
  QCoreApplication::processEvents();
  EXPECT_EQ(form().Window()->size(), QSize(683, 528));
  EXPECT_EQ(Twips::Left(form().cmd_cancel()), 10245 - 1620);
  // Made larger, the controls follow its edges.
  form().Window()->resize(800, 600);
  QCoreApplication::processEvents();
  EXPECT_EQ(form().Window()->size(), QSize(800, 600));
  EXPECT_EQ(Twips::Left(form().cmd_cancel()), 12000 - 1620);
  EXPECT_EQ(Twips::Top(form().chkSelectAll()), 9000 - 600);
  SaveScreenshot(form().Window(), "search_window_enlarged");
}

TEST_F(SearchWindowTest, HighResolutionLayoutKeepsTheSearchButtonAndItsSmallerMinimum) {
  ScopedTwipsPerPixel dpi120(12, 12);
  form().Load();
  form().Show();
  form().SetWidth(5000);
  form().SetHeight(5000);
  EXPECT_EQ(Twips::Width(form().Window()), 8400);
  EXPECT_EQ(Twips::Height(form().Window()), 6468);
  EXPECT_EQ(Twips::Width(form().cmdOK()), 1500);
  EXPECT_EQ(Twips::Left(form().cmd_cancel()), 8400 - 1202);
}

}  // namespace
}  // namespace OrvaneMac
