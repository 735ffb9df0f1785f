// Browsing the account in the main window: the tree lists a folder only
// when the user opens it, shows sizes and dates of what it lists, and the
// Snapshots picture shows and hides the account's nightly snapshot folders.
#include "tests/journeys/Journey.h"

#include <QJsonArray>
#include <QJsonObject>

#include "program/foundation/ProgramState.h"
#include "program/main/Smart.h"
#include "program/session/Login.h"
#include "testbed/include/TestbedControl.h"

namespace OrvaneMac::journey {
namespace {

const QString kRoot = QStringLiteral("/users/mkowalski/Files/");

// The folders below the account root the service was asked to list.
QStringList FoldersListed() {
  QStringList folders;
  for (const QJsonValue& entry : testbed::Log()) {
    const QJsonObject e = entry.toObject();
    if (e["method"].toString() != "PROPFIND") continue;
    const QString path = e["path"].toString();
    if (path.startsWith(kRoot) && path.size() > kRoot.size()) folders << path.mid(kRoot.size());
  }
  return folders;
}

bool Listed(const QString& folder) {
  for (const QString& f : FoldersListed())
    if (f == folder || f == folder + "/") return true;
  return false;
}

QJsonObject AccountState(const QString& user) {
  return testbed::ControlObject("GET", "/state")["accounts"].toObject()[user].toObject();
}

// The sign-in is over: the main window shows the account and the sign-in
// window is gone.
bool SignInDone() {
  return Smart::Instance().IsLoaded() && Smart::Instance().Window()->isVisible() && Program().RemoteTreeConnected &&
         !Login::Instance().IsLoaded();
}

// On the program's thread: the texts of a remote node's children, its
// Size and Modified Date cells.
QStringList ChildrenOn(const QString& path) {
  const TreeNode node = RemoteTreeNode(path);
  QStringList texts;
  for (int i = 1; !node.IsNothing() && i <= node.ChildCount(); ++i) texts << node.ChildAt(i).Text();
  return texts;
}

QStringList CellsOn(const QString& path) {
  const TreeNode node = RemoteTreeNode(path);
  if (node.IsNothing()) return {};
  UniTreeViewMC* tree = node.Tree();
  return {node.SubItem(tree->ColumnNumber("size")), node.SubItem(tree->ColumnNumber("moddate"))};
}

bool SnapshotFoldersOn() {
  for (const QString& text : ChildrenOn(""))
    if (text.startsWith("BackUp_nightly.")) return true;
  return false;
}

JOURNEY(BrowseListsFoldersAsTheyAreOpenedAndShowsAndHidesSnapshots) {
  auto children = [this](const QString& path) { return Ask([&] { return ChildrenOn(path); }); };
  auto cells = [this](const QString& path) { return Ask([&] { return CellsOn(path); }); };
  // The last run ended as every run does, with the snapshots hidden.
  testbed::Control("POST", "/state", QJsonObject{{"user", user_}, {"snapshots_shown", false}});
  Run([&] {
    SignIn();
    ASSERT_TRUE(WaitFor(SignInDone, "the main window with the account's root"));

    // The root: its own entries, nothing below them asked for yet.
    const QStringList top = children("");
    for (const char* name : {"Documents", "Media", "Projects", "readme.txt", "photos.zip"})
      EXPECT_TRUE(top.contains(QString::fromUtf8(name))) << name << " in " << top.join(", ").toStdString();
    EXPECT_FALSE(Ask(SnapshotFoldersOn)) << top.join(", ").toStdString();
    EXPECT_EQ(FoldersListed(), QStringList()) << "listed before being opened";
    EXPECT_FALSE(cells("readme.txt").value(0).isEmpty());
    Shot("root");

    // Opening Documents lists it, and only it.
    ClickExpandSign("Documents");
    WaitFor([] { return ChildrenOn("Documents").contains("Reports #1"); }, "the contents of Documents");
    EXPECT_TRUE(Listed("Documents"));
    EXPECT_FALSE(Listed("Documents/Reports #1")) << FoldersListed().join(", ").toStdString();
    EXPECT_EQ(children("Documents"), QStringList({"Empty folder", "Letters", "Reports #1"}));

    ClickExpandSign("Documents/Reports #1");
    WaitFor([] { return ChildrenOn("Documents/Reports #1").contains("Q1 100% done.txt"); }, "the contents of Reports #1");
    EXPECT_TRUE(Listed("Documents/Reports #1")) << FoldersListed().join(", ").toStdString();
    EXPECT_FALSE(Listed("Documents/Letters")) << FoldersListed().join(", ").toStdString();
    // A file shows its size and its date in the display zone; a folder only
    // its date.
    const QStringList file = cells("Documents/Reports #1/Q1 100% done.txt");
    EXPECT_EQ(file.value(0), "26.00 B") << file.join(" | ").toStdString();
    EXPECT_TRUE(file.value(1).contains("2014") && file.value(1).endsWith(" PST")) << file.join(" | ").toStdString();
    const QStringList folder = cells("Documents/Letters");
    EXPECT_EQ(folder.value(0), "");
    EXPECT_TRUE(folder.value(1).endsWith(" PST")) << folder.join(" | ").toStdString();
    Shot("folders-opened");

    // Snapshots shown: the service is told, the nightly folders appear.
    Click([] { return Smart::Instance().Pic_Snap(); });
    WaitFor(SnapshotFoldersOn, "the snapshot folders");
    const QStringList shown = children("");
    EXPECT_TRUE(shown.contains("BackUp_nightly.1")) << shown.join(", ").toStdString();
    EXPECT_TRUE(shown.contains("BackUp_nightly.3")) << shown.join(", ").toStdString();
    EXPECT_TRUE(AccountState(user_)["snapshots_shown"].toBool());
    Shot("snapshots-shown");

    // Hidden again.
    Click([] { return Smart::Instance().Pic_Snap(); });
    WaitFor([] { return !SnapshotFoldersOn() && !ChildrenOn("").isEmpty(); }, "the tree without snapshot folders");
    EXPECT_TRUE(children("").contains("Documents"));
    EXPECT_FALSE(AccountState(user_)["snapshots_shown"].toBool());
    Shot("snapshots-hidden");

    QStringList scripts;
    for (const QJsonValue& entry : testbed::Log()) {
      const QString path = entry.toObject()["path"].toString();
      if (path.contains("snapshots")) scripts << path.section('/', -1);
    }
    EXPECT_EQ(scripts, QStringList({"enable_snapshots", "disable_snapshots"}));
  });
}

}  // namespace
}  // namespace OrvaneMac::journey
