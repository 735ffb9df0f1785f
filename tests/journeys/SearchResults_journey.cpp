// Searching the account and acting on the results: a key typed into the
// main window's search box searches the whole account at once, and the
// checked results are restored through the destination screen; a search of
// one folder from the toolbar, and the checked result deleted through the
// delete window.
#include "tests/journeys/Journey.h"

#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QScopeGuard>

#include "program/foundation/ProgramState.h"
#include "program/main/Deleteremotefrm.h"
#include "program/main/Smart.h"
#include "program/main/UniListView.h"
#include "program/main/frmSearchRemote.h"
#include "program/main/frmreswizscr3.h"
#include "program/windows/SkinControls.h"
#include "testbed/include/TestbedControl.h"

namespace OrvaneMac::journey {
namespace {

frmSearchRemote& Search() { return frmSearchRemote::Instance(); }
bool Showing(Form& form) { return form.IsLoaded() && form.Window()->isVisible(); }
UniListView* Results() { return Search().lvw_SearchResult(); }
QStringList ResultRows() {
  QStringList rows;
  for (int r = 1; r <= Results()->RowCount(); ++r) rows << Results()->RowText(r);
  rows.sort();
  return rows;
}
// A result row by its text (a path, so not a path of tree nodes).
QTreeWidgetItem* Row(const QString& text) {
  for (int i = 0; i < Results()->topLevelItemCount(); ++i)
    if (Results()->topLevelItem(i)->text(0) == text) return Results()->topLevelItem(i);
  return nullptr;
}
bool RowChecked(const QString& text) {
  QTreeWidgetItem* item = Row(text);
  return item != nullptr && item->checkState(0) == Qt::Checked;
}
bool Selected(QTreeWidget* tree, const QString& path) {
  QTreeWidgetItem* item = TreeItem(tree, path);
  return item != nullptr && item->isSelected();
}
// The path of texts of a drive's node below "My Computer" in a local tree.
QString DrivePath(QTreeWidget* tree, const QString& letter) {
  QList<QTreeWidgetItem*> open;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) open << tree->topLevelItem(i);
  while (!open.isEmpty()) {
    QTreeWidgetItem* item = open.takeFirst();
    if (item->text(0) == letter && item->parent() && item->parent()->text(0) == "My Computer") {
      QStringList parts;
      for (QTreeWidgetItem* i = item; i != nullptr; i = i->parent()) parts.prepend(i->text(0));
      return parts.join('/');
    }
    for (int i = 0; i < item->childCount(); ++i) open << item->child(i);
  }
  return {};
}
// The windows of these journeys, closed when a step failed with them open.
void CloseWindows() {
  for (Form* form : std::initializer_list<Form*>{&Deleteremotefrm::Instance(), &frmreswizscr3::Instance(), &Search()})
    if (form->IsLoaded()) form->Unload();
}
// The search window's state, as a failed wait names it.
QString SearchState() {
  if (!Search().IsLoaded()) return "unloaded";
  return QStringLiteral("shown %1, searching %2, run %3, single call %4")
      .arg(Search().Window()->isVisible())
      .arg(Program().SearchInProgress)
      .arg(Search().RunActive())
      .arg(Search().bSingleCall);
}
const QString kIdle = "shown 1, searching 0, run 0, single call 0";
// The search window is up and no search runs.
bool SearchIdle() { return SearchState() == kIdle; }

JOURNEY(SearchFromTheSearchBoxAndRestoreTheCheckedResults) {
  QDir().mkpath(Host("D/Found"));
  Run([&] {
    // Whatever a failed step leaves open is closed at the end.
    const auto closeAll = qScopeGuard([&] { Do(CloseWindows); });
    SignIn();
    ASSERT_TRUE(WaitFor([] { return Showing(Smart::Instance()) && Program().RemoteTreeConnected; },
                        "the signed-in main window"));
    // The user types a word into the search box and presses the search
    // picture: the whole account is searched at once.
    TypeInto([] { return Smart::Instance().txtSearchText(); }, "letters");
    ASSERT_TRUE(WaitFor([] { return Smart::Instance().txtSearchText()->text() == "letters"; }, "the word typed"));
    Click([] { return Smart::Instance().Pic_Rem_search(); });
    ASSERT_TRUE(WaitFor([] { return Showing(Search()); }, "the search window"));
    ASSERT_TRUE(WaitFor(SearchIdle, "the end of the search", 120)) << Ask(SearchState).toStdString();
    Shot("results");
    EXPECT_EQ(Ask([] { return Search().lblSearchpath()->Caption(); }), "My Orvane/");
    EXPECT_EQ(Ask([] { return Search().txt_Searchkey()->text(); }), "letters");
    const QString anna = "Documents/Letters/2009/Dear Anna.txt";
    const QString resume = QString::fromUtf8("Documents/Letters/2009/résumé & notes.txt");
    const QString unicode = QString::fromUtf8("Documents/Letters/Ünïcödé 日本.txt");
    // The snapshot folder shown in the tree is searched too; its rows lie
    // below its user folder, as the tree shows them.
    ASSERT_EQ(Ask(ResultRows), (QStringList{"BackUp_nightly.3/" + user_ + "/" + anna, anna, resume, unicode}));

    ClickCheckBoxOf(Results, [&] { return Row(anna); });
    ClickCheckBoxOf(Results, [&] { return Row(unicode); });
    ASSERT_TRUE(WaitFor([&] { return RowChecked(anna) && RowChecked(unicode); }, "the two check marks"));
    Shot("checked");
    Click([] { return Search().wiz_res3_next(); });

    // The destination screen: the user opens drive D: and picks its folder.
    auto local = [] { return static_cast<QTreeWidget*>(frmreswizscr3::Instance().C().LocalTreeView); };
    ASSERT_TRUE(WaitFor([] { return Showing(frmreswizscr3::Instance()); }, "the destination screen"));
    EXPECT_FALSE(Ask([] { return Search().Window()->isVisible(); }));
    const QString drive = Ask([&] { return DrivePath(local(), "D"); });
    ASSERT_FALSE(drive.isEmpty()) << "no drive D: under My Computer on the destination screen";
    ClickExpandSign(local, drive);
    ASSERT_TRUE(WaitFor([&] { return TreeItem(local(), drive + "/Found") != nullptr; }, "the folder Found on D:"));
    ClickItem(local, drive + "/Found");
    ASSERT_TRUE(WaitFor([&] { return Selected(local(), drive + "/Found"); }, "Found selected"));
    Shot("destination");
    Click([] { return frmreswizscr3::Instance().C().wiz_res3_next; });

    // When the restore is over the screen offers the session log.
    const SeenMessage offer = Answer("Yes", 180);
    EXPECT_TRUE(offer.buttons.contains("Yes")) << offer.text.toStdString();
    ASSERT_TRUE(WaitFor([] { return Showing(Search()); }, "the search window again"));
    Shot("back-in-search");
    EXPECT_EQ(ReadAll(Host("D/Found/Dear Anna.txt")), ReadAll(account_ + "/" + anna));
    EXPECT_EQ(ReadAll(Host(QString::fromUtf8("D/Found/Ünïcödé 日本.txt"))), ReadAll(account_ + "/" + unicode));
    EXPECT_FALSE(QFileInfo::exists(Host(QString::fromUtf8("D/Found/résumé & notes.txt"))));
    // The session log the user asked to see.
    ASSERT_EQ(shellOpened_.size(), 1) << shellOpened_.join('\n').toStdString();
    EXPECT_TRUE(shellOpened_.first().contains("/Session/Restore ")) << shellOpened_.first().toStdString();
    Click([] { return Search().cmd_cancel(); });
    EXPECT_TRUE(WaitFor([] { return !Search().IsLoaded(); }, "the search window to close"));
  });
}


// A file written into the account before the program lists it.
void AccountFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
  f.close();
  f.setPermissions(f.permissions() | QFileDevice::ReadOther | QFileDevice::WriteOther);
}

JOURNEY(SearchAFolderAndDeleteTheCheckedResult) {
  AccountFile(account_ + "/Projects/old draft.txt", "a draft\n");
  AccountFile(account_ + "/Projects/old plan.txt", "a plan\n");
  Run([&] {
    const auto closeAll = qScopeGuard([&] { Do(CloseWindows); });
    SignIn();
    ASSERT_TRUE(WaitFor([] { return Showing(Smart::Instance()) && Program().RemoteTreeConnected; },
                        "the signed-in main window"));
    auto remote = [] { return static_cast<QTreeWidget*>(Smart::Instance().ColumnRemoteTreeView()); };
    const QString root = Ask([&] { return remote()->topLevelItem(0)->text(0); });
    // The user selects the folder Projects and presses the search picture.
    ClickItem(remote, root + "/Projects");
    ASSERT_TRUE(WaitFor([&] { return Selected(remote(), root + "/Projects"); }, "Projects selected"));
    Click([] { return Smart::Instance().Pic_Rem_search(); });
    ASSERT_TRUE(WaitFor([] { return Showing(Search()); }, "the search window"));
    EXPECT_EQ(Ask([] { return Search().lblSearchpath()->Caption(); }), "My Orvane/Projects/");
    EXPECT_EQ(Ask([] { return Results()->RowCount(); }), 0);
    TypeInto([] { return Search().txt_Searchkey(); }, "old");
    Click([] { return Search().cmdOK(); });
    ASSERT_TRUE(WaitFor([] { return SearchIdle() && Results()->RowCount() > 0; }, "the search results", 120))
        << Ask(SearchState).toStdString();
    const QString draft = "Projects/old draft.txt", plan = "Projects/old plan.txt";
    ASSERT_EQ(Ask(ResultRows), (QStringList{draft, plan}));

    ClickCheckBoxOf(Results, [&] { return Row(draft); });
    ASSERT_TRUE(WaitFor([&] { return RowChecked(draft); }, "the check mark"));
    testbed::Control("DELETE", "/log");
    Click([] { return Search().CmdDeleteFullpath(); });
    // The delete window lists what goes.
    Deleteremotefrm& del = Deleteremotefrm::Instance();
    ASSERT_TRUE(WaitFor([&] { return Showing(del); }, "the delete window"));
    EXPECT_EQ(Ask([&] { return del.LstSyncData()->toPlainText().trimmed(); }), draft);
    Shot("delete-window");
    Click([&] { return del.OK(); });
    ASSERT_TRUE(WaitFor([&] { return !del.IsLoaded() && SearchIdle(); }, "the end of the delete"));
    Shot("after-delete");

    // Gone from the account, from the results and from the tree.
    EXPECT_FALSE(QFileInfo::exists(account_ + "/" + draft));
    EXPECT_TRUE(QFileInfo::exists(account_ + "/" + plan));
    EXPECT_EQ(Ask(ResultRows), QStringList{plan});
    const QStringList requests = testbed::Requests();
    // The path as the engine encodes it for the service.
    EXPECT_EQ(requests.filter("DELETE /users/" + user_ + "/Files/Projects/old%20draft%2Etxt 204").size(), 1)
        << requests.join('\n').toStdString();
    EXPECT_EQ(requests.filter("DELETE ").size(), 1) << requests.join('\n').toStdString();
    EXPECT_TRUE(TransferLog().contains("Deleted  My Orvane/" + draft));
    Click([] { return Search().cmd_cancel(); });
    ASSERT_TRUE(WaitFor([] { return !Search().IsLoaded(); }, "the search window to close"));
    ClickExpandSign(remote, root + "/Projects");
    ASSERT_TRUE(WaitFor([&] { return TreeItem(remote(), root + "/Projects/old plan.txt") != nullptr; },
                        "the folder Projects listed anew"));
    EXPECT_EQ(Ask([&] { return TreeItem(remote(), root + "/Projects/old draft.txt"); }), nullptr);
    Shot("tree");
  });
}

}  // namespace
}  // namespace OrvaneMac::journey
