// The session-log viewer: opened from the toolbar, it lists the logs of
// earlier restores newest first; View Details opens the selected one and
// Delete Log deletes the checked one.
#include "tests/journeys/Journey.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include "program/foundation/ProgramState.h"
#include "program/main/Smart.h"
#include "program/progress/frmSessionLog.h"
#include "program/windows/SkinControls.h"

namespace OrvaneMac::journey {
namespace {

bool Showing(Form& form) { return form.IsLoaded() && form.Window()->isVisible(); }
frmSessionLog& Viewer() { return frmSessionLog::Instance(); }
QTreeWidget* Rows() { return Viewer().LstSessionLogView(); }
// Each row as "start time|description".
QStringList RowTexts() {
  QStringList rows;
  for (int i = 0; i < Rows()->topLevelItemCount(); ++i)
    rows << Rows()->topLevelItem(i)->text(1) + "|" + Rows()->topLevelItem(i)->text(2);
  return rows;
}

JOURNEY(SessionLogViewerListsOpensAndDeletesTheLogs) {
  // Logs of earlier runs, as the engine and other programs left them.
  const QString folder = Host("Prog/OrvaneMac/Session/");
  const QStringList files = {"Restore 09-15-2010  14-22-05.txt", "Restore 03-02-2014  09-05-00.txt",
                             "Schedule 01-01-2012  08-00-00.txt", "ZQSystemState 05-05-2013  10-00-00.txt"};
  QDir().mkpath(folder);
  for (const QString& name : files) {
    QFile f(folder + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("log of " + name.toUtf8());
  }
  Run([&] {
    const auto closeAll = qScopeGuard([&] {
      Do([] {
        if (Viewer().IsLoaded()) Viewer().Unload();
      });
    });
    SignIn();
    ASSERT_TRUE(WaitFor([] { return Showing(Smart::Instance()) && Program().RemoteTreeConnected; },
                        "the signed-in main window"));
    Click([] { return Smart::Instance().Pict_Sess_Log(); });
    ASSERT_TRUE(WaitFor([] { return Showing(Viewer()); }, "the session-log viewer"));
    Shot("viewer");
    // Newest first; the system-state log is never listed.
    EXPECT_EQ(Ask(RowTexts), (QStringList{" 03-02-2014  09-05-00|Interactive Restore ", " 01-01-2012  08-00-00|Schedule ",
                                          " 09-15-2010  14-22-05|Interactive Restore "}));
    EXPECT_EQ(Ask([] { return Viewer().lblDispItems()->Caption(); }), "1 to 3 of 3");

    // The user selects the second row and asks for its details.
    ClickItemOf(Rows, [] { return Rows()->topLevelItem(1); }, 1);
    ASSERT_TRUE(WaitFor([] { return Rows()->topLevelItem(1)->isSelected(); }, "the second row selected"));
    Click([] { return Viewer().cmdView(); });
    ASSERT_TRUE(WaitFor([&] { return !shellOpened_.isEmpty(); }, "the log opened"));
    EXPECT_EQ(shellOpened_.first(), folder + "Schedule 01-01-2012  08-00-00.txt");

    // Then checks the oldest and deletes it.
    ClickCheckBoxOf(Rows, [] { return Rows()->topLevelItem(2); });
    ASSERT_TRUE(WaitFor([] { return Rows()->topLevelItem(2)->checkState(0) == Qt::Checked; }, "the check mark"));
    Shot("checked");
    Click([] { return Viewer().cmdDelete(); });
    ASSERT_TRUE(WaitFor([] { return Viewer().lblDispItems()->Caption() == "1 to 2 of 2"; },
                        "the list without the deleted log"));
    EXPECT_FALSE(QFileInfo::exists(folder + files[0]));
    for (int i = 1; i < files.size(); ++i) EXPECT_TRUE(QFileInfo::exists(folder + files[i])) << i;
    EXPECT_EQ(Ask(RowTexts),
              (QStringList{" 03-02-2014  09-05-00|Interactive Restore ", " 01-01-2012  08-00-00|Schedule "}));
    Shot("after-delete");
    Click([] { return Viewer().cmdCloseSessionLog(); });
    EXPECT_TRUE(WaitFor([] { return !Viewer().IsLoaded(); }, "the viewer to close"));
  });
}

}  // namespace
}  // namespace OrvaneMac::journey
