// Deleting several checked items of the main window's tree and cancelling
// part-way: the delete window goes through them one by one, Close stops it
// after the item under way, and the tree is listed anew.
#include "tests/journeys/Journey.h"

#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QScopeGuard>

#include "program/foundation/ProgramState.h"
#include "program/main/Deleteremotefrm.h"
#include "program/main/Smart.h"
#include "program/windows/SkinControls.h"
#include "testbed/include/TestbedControl.h"

namespace OrvaneMac::journey {
namespace {

bool Showing(Form& form) { return form.IsLoaded() && form.Window()->isVisible(); }

JOURNEY(DeleteSeveralItemsAndCancelPartWay) {
  const QStringList names = {"zap 1.txt", "zap 2.txt", "zap 3.txt", "zap 4.txt", "zap 5.txt", "zap 6.txt"};
  for (const QString& name : names) {
    QFile f(account_ + "/" + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(name.toUtf8());
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ReadOther | QFileDevice::WriteOther);
  }
  Run([&] {
    const auto closeAll = qScopeGuard([&] {
      Do([] {
        if (Deleteremotefrm::Instance().IsLoaded()) Deleteremotefrm::Instance().Unload();
      });
    });
    SignIn();
    ASSERT_TRUE(WaitFor([] { return Showing(Smart::Instance()) && Program().RemoteTreeConnected; },
                        "the signed-in main window"));
    auto remote = [] { return static_cast<QTreeWidget*>(Smart::Instance().ColumnRemoteTreeView()); };
    const QString root = Ask([&] { return remote()->topLevelItem(0)->text(0); });
    for (const QString& name : names) ClickCheckBox(remote, root + "/" + name);
    ASSERT_TRUE(WaitFor(
        [&] {
          for (const QString& name : names) {
            QTreeWidgetItem* item = TreeItem(remote(), root + "/" + name);
            if (item == nullptr || item->checkState(0) != Qt::Checked) return false;
          }
          return true;
        },
        "the six check marks"));
    Shot("checked");

    // Every delete answers slowly, so that the user's Close lands while the
    // window is still going through the items.
    testbed::Control("DELETE", "/log");
    testbed::RequestFault(QJsonObject{{"method", "DELETE"}}, QJsonObject{{"delay", 1.0}, {"times", 0}});
    Click([] { return Smart::Instance().Pict_Delete(); });
    Deleteremotefrm& del = Deleteremotefrm::Instance();
    ASSERT_TRUE(WaitFor([&] { return Showing(del); }, "the delete window"));
    EXPECT_EQ(Ask([&] { return del.LstSyncData()->toPlainText().split("\n", Qt::SkipEmptyParts); }), names);
    Shot("listed");
    Click([&] { return del.OK(); });
    // The first item is gone: the user presses Close. (The window looks at
    // the user's input only between two items.)
    ASSERT_TRUE(WaitFor([&] { return !QFileInfo::exists(account_ + "/" + names[0]); }, "the first delete", 120));
    Shot("deleting");
    Click([&] { return del.Cancel(); });
    ASSERT_TRUE(WaitFor([&] { return !del.IsLoaded(); }, "the delete window to close", 120));
    ASSERT_TRUE(WaitFor([] { return Program().RemoteTreeConnected && !Program().RestoreRunning; }, "the tree"));

    // What went before the Close is gone and logged; the rest stays and was
    // never asked for.
    const QString log = TransferLog();
    const QStringList requests = testbed::Requests();
    int gone = 0;
    for (const QString& name : names) {
      const bool deleted = !QFileInfo::exists(account_ + "/" + name);
      if (deleted) ++gone;
      EXPECT_EQ(deleted, gone == names.indexOf(name) + 1) << name.toStdString() << " out of order";
      EXPECT_EQ(log.contains("Deleted  My Orvane/" + name), deleted) << name.toStdString();
      EXPECT_EQ(requests.filter("DELETE /users/" + user_ + "/Files/" + QString(name).replace(" ", "%20")).size(),
                deleted ? 1 : 0)
          << name.toStdString();
    }
    // The item under way when Close came was finished; no later one was tried.
    EXPECT_GE(gone, 1);
    EXPECT_LT(gone, names.size());
    EXPECT_FALSE(log.contains("Could not delete"));
    // The tree was listed anew: what stays is there, what went is not.
    ASSERT_TRUE(WaitFor([&] { return TreeItem(remote(), root + "/readme.txt") != nullptr; }, "the new listing"));

    for (const QString& name : names) {
      EXPECT_EQ(Ask([&] { return TreeItem(remote(), root + "/" + name) != nullptr; }),
                QFileInfo::exists(account_ + "/" + name))
          << name.toStdString();
    }
    Shot("after");
  });
}

}  // namespace
}  // namespace OrvaneMac::journey
