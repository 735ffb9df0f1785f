// The search window's search run: the engine's listing of the searched
// folder (or of each top-level folder), the reading of the result file into
// rows, and the stop protocol with the engine.
#include "program/main/frmSearchRemote.h"

#include <QCheckBox>
#include <QRegularExpression>

#include "ZQwinSrv/foundation/Util.h"
#include "platform/errors/RuntimeError.h"
#include "platform/clock/Clock.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextStream.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"
#include "program/browse/MainWindowControls.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/Options.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/SystemHelpers.h"
#include "program/main/SearchResultFile.h"
#include "program/main/UniListView.h"
#include "program/session/clsController.h"
#include "program/windows/MesgBox.h"
#include "program/windows/SkinControls.h"
#include "program/windows/modGeneralWindows.h"

namespace OrvaneMac {
namespace {

const QString kMedKey = QStringLiteral("button_med_enb");
const QString kMedOverKey = QStringLiteral("button_med_ovr");
const QString kNoResults = QStringLiteral("Search is complete. There are no results to display.");
const QString kNoDate = QStringLiteral("00/00/00 00:00:00");

// The fields of a top-level entry ("D_/path>date", "F_/path>date>size"),
// a ">" of the path given back.
QStringList RootEntryFields(const QString& entry) {
  QStringList fields = entry.split(u'>');
  for (QString& field : fields) field.replace(QChar(OrvaneSrv::kKeyFieldGreaterThan), u'>');
  return fields;
}

void DeleteResultFile() {
  const QString file = SearchResultFile();
  if (win::FileExists(file)) win::DeleteFile(file, true);
}

// The root's direct children as the main window's remote tree shows them.
void CollectRootItemsFromMainTree() {
  vb::CollectionPtr& items = Items(Program().SearchRootItems);
  items->Clear();
  UniTreeViewMC* tree = MainWindow().ColumnRemoteTreeView;
  if (!tree || tree->NodeCount() == 0) return;
  bool first = true;
  TreeViewControl::Instance().TraverseColTreeSearch(tree, tree->NodeAt(1), first, true, true);
}

}  // namespace

void frmSearchRemote::cmdOK_MouseUp(Qt::MouseButton button) {
  if (button == Qt::RightButton || bSingleCall) return;
  bSingleCall = true;
  RunSearch();
  bSingleCall = false;
}

void frmSearchRemote::RunSearch() {
  // One run at a time, also after a stop has already freed the busy rule.
  if (runActive_) return;
  vb::DoEvents();
  vb::DoEvents();
  if (!IsLoaded() || modGeneral::JobProgressCheck()) return;
  Controls& c = c_;
  if (vb::Trim(c.txt_Searchkey->text()).isEmpty()) {
    vb::ResumeNext next;
    next([&] {
      c.lbl_Searching->SetCaption({});
      c.Animation1->hide();
      c.Animation1->Stop();
    });
    next([&] {
      MesgBox::Instance().MessageBox(modReg::GetMessageText(168), 0, 0, Program().AppTitle);
    });
    next([&] {
      if (IsLoaded()) c_.txt_Searchkey->setFocus();
    });
    return;
  }
  runActive_ = true;
  vb::ResumeNext next;
  next([&] { RunSearchBody(); });
  runActive_ = false;
  Program().SearchInProgress = false;
  if (!IsLoaded()) return;
  next([&] { EndOfRun(); });
  if (unloadAfterRun_) {
    unloadAfterRun_ = false;
    Unload();
  }
}

void frmSearchRemote::RunSearchBody() {
  ProgramState& p = Program();
  vb::ResumeNext next;
  next([&] {
    c_.LblDisplayNumFiles->hide();
    c_.lbl_Searching->SetCaption(QStringLiteral("Search is in progress..."));
    c_.Animation1->show();
    c_.Animation1->Play();
  });
  p.SearchInProgress = true;
  p.SearchStopRequested = false;
  vb::DoEvents();
  vb::DoEvents();
  if (!Alive()) return;
  SetMousePointer(true);
  next([] { DeleteResultFile(); });
  next([&] { SetSelectAll(false); });
  if (!Alive()) return;

  QString folder;
  next([&] {
    folder = vb::Trim(c_.lblSearchpath->Caption().mid(9));
    if (folder.isEmpty()) folder = QStringLiteral("/");
  });

  next([&] {
    Controls& c = c_;
    c.cmdOK->hide();
    c.cmdOK->setEnabled(false);
    c.cmd_Refresh->setEnabled(true);
    modGeneral::SetButtonState(c.cmd_Refresh, modGeneral::kButtonHover, c.lbl_cmd_Refresh, kMedOverKey);
    modGeneral::SetButtonState(c.cmd_Refresh, modGeneral::kButtonNormal, c.lbl_cmd_Refresh, kMedKey);
    c.cmd_Refresh->show();
    c.cmd_Refresh->raise();
    c.CmdDeleteFullpath->setEnabled(false);
    modGeneral::SetButtonState(c.CmdDeleteFullpath, modGeneral::kButtonDisabled, c.lbl_CmdDeleteFullpath);
    c.wiz_res3_next->setEnabled(false);
    modGeneral::SetButtonState(c.wiz_res3_next, modGeneral::kButtonDisabled, c.lbl_wiz_res3_next);
    c.txt_Searchkey->setReadOnly(true);
    c.LblDisplayNumFiles->hide();
    c.lvw_SearchResult->ClearRows();
  });

  clsController& controller = clsController::Instance();
  if (folder != QLatin1String("/")) {
    next([&] { (void)controller.Cont_SearchRemItem(folder, p.AccountName, p.AccountPassword); });
    if (!Alive()) return;
    next([&] { LoadSearchResults(folder); });
    return;
  }

  // The whole account: the top-level files from the main window's tree,
  // then one listing per top-level folder.
  next([&] {
    if (handOvers_.collectRootItems) {
      handOvers_.collectRootItems();
    } else {
      CollectRootItemsFromMainTree();
    }
  });
  if (!Alive()) return;
  QStringList entries;
  for (const vb::Variant& entry : *Items(p.SearchRootItems)) entries << entry.ToString();

  const QString topPattern = TopLevelSearchPattern(c_.txt_Searchkey->text());
  int counted = 0;
  for (const QString& entry : entries) {
    if (entry.startsWith(QLatin1String("F_"))) next([&] { AddTopLevelRow(entry, topPattern); });
    if (++counted % 20 == 0) {
      vb::DoEvents();
      if (!Alive()) return;
    }
  }

  for (const QString& entry : entries) {
    if (!entry.startsWith(QLatin1String("D_"))) continue;
    const QStringList fields = RootEntryFields(entry);
    if (p.SearchStopRequested) break;
    next([] { DeleteResultFile(); });
    if (fields.size() >= 2 && !vb::Trim(fields[0]).isEmpty()) {
      const QString topFolder = vb::Trim(fields[0]).mid(2);
      next([&] { (void)controller.Cont_SearchRemItem(topFolder, p.AccountName, p.AccountPassword); });
      if (!Alive()) return;
      next([&] { LoadSearchResults(topFolder); });
    }
    vb::Sleep(100);
  }
}

void frmSearchRemote::AddTopLevelRow(const QString& entry, const QString& pattern) {
  const QStringList fields = RootEntryFields(entry);
  if (fields.size() < 2 || vb::Trim(fields[0]).isEmpty()) return;
  if (!SearchPathMatches(fields[0].mid(2), pattern)) return;
  UniListView* list = c_.lvw_SearchResult;
  const QString path = fields[0].mid(3);
  const int row = list->AddRow(path, path, static_cast<int>(TreeViewControl::Instance().iconIndex(QStringLiteral("file"))));
  list->SetCheckText(row, QStringLiteral("0"));
  vb::ResumeNext next;
  const QString size = fields.value(2);
  next([&] {
    list->SetSubItem(row, 1,
                     vb::Trim(size).isEmpty() ? QStringLiteral("0 KB") : SearchSizeCell(modGeneral::StripNull(size)));
  });
  next([&] {
    const QString date = vb::Trim(modGeneral::StripNull(fields[1]));
    list->SetSubItem(row, 2, date.isEmpty() ? fields[1] : CalculateDateTime(fields[1]));
  });
  next([&] { list->SetSubItem(row, 4, QStringLiteral("2")); });
}

void frmSearchRemote::LoadSearchResults(const QString& sFolder) {
  const QString file = SearchResultFile();
  if (!win::FileExists(file)) return;
  QString text;
  vb::ResumeNext next;
  next([&] {
    win::TextStream stream = win::OpenTextFile(file, win::ForReading, false, win::TristateTrue);
    text = stream.ReadAll();
    stream.Close();
  });
  UniListView* list = c_.lvw_SearchResult;
  const QString pattern = ListingSearchPattern(c_.txt_Searchkey->text());
  QString base = sFolder.mid(1);
  // A search of one file lists that file under its own name: its row is
  // the file's own path, not the path with the name once more.
  if (!base.isEmpty() && !base.endsWith(u'/')) base = base.left(base.lastIndexOf(u'/') + 1);
  // A snapshot folder's listing is that of the snapshot's one user folder:
  // its rows lie below that folder, as the tree shows them.
  static const QRegularExpression snapshotFolder(QStringLiteral("^BackUp_nightly\\.[^/]/$"));
  if (snapshotFolder.match(base).hasMatch()) base += Program().AccountName + u'/';
  const int image = static_cast<int>(TreeViewControl::Instance().iconIndex(QStringLiteral("file")));
  for (const SearchListingLine& line : ReadSearchListing(text)) {
    if (line.type != u'-') continue;
    if (!SearchPathMatches(line.name, pattern)) continue;
    const QString path = base + line.name;
    int row = 0;
    // A file the list holds already gets no second row.
    if (!next([&] { row = list->AddRow(path, path, image); })) continue;
    list->SetCheckText(row, QStringLiteral("0"));
    list->SetSubItem(row, 1, SearchSizeCell(line.size));
    list->SetSubItem(row, 2, SearchListingDateCell(line.date));
    list->SetSubItem(row, 4, QStringLiteral("2"));
  }
  c_.chkSelectAll->setEnabled(list->RowCount() > 0);
}

void frmSearchRemote::EndOfRun() {
  Controls& c = c_;
  Program().SearchInProgress = false;
  vb::ResumeNext next;
  next([&] {
    c.cmdOK->show();
    c.cmdOK->setEnabled(true);
    c.cmd_Refresh->hide();
    c.cmd_Refresh->setEnabled(false);
    c.CmdDeleteFullpath->setEnabled(true);
    modGeneral::SetButtonState(c.CmdDeleteFullpath, modGeneral::kButtonNormal, c.lbl_CmdDeleteFullpath);
    c.wiz_res3_next->setEnabled(true);
    modGeneral::SetButtonState(c.wiz_res3_next, modGeneral::kButtonNormal, c.lbl_wiz_res3_next);
    c.txt_Searchkey->setReadOnly(false);
  });
  next([&] {
    c.Animation1->hide();
    c.Animation1->Stop();
    c.lbl_Searching->SetCaption(c.lvw_SearchResult->RowCount() > 0 ? QString() : kNoResults);
  });
  SetMousePointer(false);
  vb::DoEvents();
  vb::DoEvents();
  if (!IsLoaded()) return;
  next([&] { c_.chkSelectAll->setEnabled(c_.lvw_SearchResult->RowCount() > 0); });
}

void frmSearchRemote::StopSearch() {
  ProgramState& p = Program();
  p.SearchStopRequested = true;
  p.SearchInProgress = false;
  vb::DoEvents();
  vb::DoEvents();
  if (!IsLoaded()) return;
  Controls& c = c_;
  vb::ResumeNext next;
  next([&] {
    c.lbl_Searching->SetCaption({});
    c.lblDispItems->SetCaption({});
    c.Animation1->hide();
    c.Animation1->Stop();
  });
  SetMousePointer(false);
  next([&] {
    c.cmdOK->show();
    c.cmdOK->setEnabled(true);
    c.cmd_Refresh->hide();
    Window()->update();
  });
}

bool frmSearchRemote::UpdateProgress(const QString& sItem) {
  return vb::OnErrorGoTo(
      [&] {
        vb::DoEvents();
        vb::DoEvents();
        if (vb::Trim(sItem).toLower() == QLatin1String("2")) return true;
        vb::Sleep(100);
        return false;
      },
      [](const vb::ErrorInfo& e) {
        TraceError(e, QStringLiteral("UpdateProgress"), vb::OwnerKind::Form, QStringLiteral("search"));
        return false;
      });
}

QString frmSearchRemote::CalculateDateTime(const QString& sDate) {
  if (vb::Trim(sDate).isEmpty()) return kNoDate;
  TreeViewControl& tree = TreeViewControl::Instance();
  tree.CalculateDateTime(sDate);
  // The tree answers "00/00/00 00:00:00" for a text it cannot read; here
  // such a date leaves its cell empty.
  return tree.DateTimeResult == kNoDate ? QString() : tree.DateTimeResult;
}

}  // namespace OrvaneMac
