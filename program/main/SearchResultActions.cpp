// Acting on the search results: the checked rows restored through the
// restore destination screen or deleted through the delete window, and
// Select All.
#include "program/main/frmSearchRemote.h"

#include <QCheckBox>
#include <QSet>

#include "platform/errors/RuntimeError.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/Options.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/SystemHelpers.h"
#include "program/main/UniListView.h"
#include "program/session/Transfer.h"
#include "program/windows/MesgBox.h"
#include "program/windows/SkinControls.h"

namespace OrvaneMac {
namespace {

// A message shown with the message box's own close button hidden.
void ShowWithoutClose(Long id) {
  MesgBox& box = MesgBox::Instance();
  vb::ResumeNext next;
  next([&] { box.MsgClose()->hide(); });
  next([&] { box.MessageBox(modReg::GetMessageText(id), 2, 0, Program().AppTitle); });
  next([&] {
    if (box.IsLoaded()) box.MsgClose()->show();
  });
}

void EmptyItemSet() {
  vb::ResumeNext next;
  next([] { gTransfer().Trf_ClearEnumRestoreItemSet(); });
  vb::CollectionPtr& set = Items(Program().EnumRestoreItemSet);
  if (set->Count() > 0) set->Clear();
}

// The item-set entry of a result row: a file below the account root.
QString FileEntry(const QString& rowText) {
  return QStringLiteral("F_/users/") + Program().AccountName + QStringLiteral("/Files/") + vb::LTrim(rowText);
}

}  // namespace

bool frmSearchRemote::IsUnderDeletedFolder(const QString& path, const QStringList& folders) {
  const QString lower = path.toLower();
  for (const QString& folder : folders) {
    QString f = folder.toLower();
    if (f.isEmpty()) continue;
    // A folder covers the paths below it, never a sibling that merely
    // begins with its name.
    if (!f.endsWith(u'/')) f += u'/';
    if (lower.startsWith(f)) return true;
  }
  return false;
}

void frmSearchRemote::DeleteFoundItems() {
  if (runActive_ || modGeneral::JobProgressCheck()) return;
  ProgramState& p = Program();
  SetMousePointer(true);
  vb::DoEvents();
  vb::DoEvents();
  if (!IsLoaded()) return;
  vb::ResumeNext next;
  UniListView* list = c_.lvw_SearchResult;
  if (list->RowCount() == 0) {
    ShowWithoutClose(166);
    next([&] {
      if (IsLoaded()) c_.cmdOK->setFocus();
    });
  } else {
    p.SearchDeleteMode = true;
    EmptyItemSet();
    vb::CollectionPtr& set = Items(p.EnumRestoreItemSet);
    // Every result row is a file.
    for (int row = 1; row <= list->RowCount(); ++row) {
      const QString text = list->RowText(row);
      if (list->CheckText(row) != QLatin1String("1") || vb::Trim(text).isEmpty()) continue;
      set->Add(FileEntry(text));
    }
    if (set->Count() == 0) {
      next([&] { MesgBox::Instance().MessageBox(modReg::GetMessageText(167), 0, 0, p.AppTitle); });
    } else {
      // The delete window lists the paths below the account root as the
      // server has them and records which entries it deleted.
      p.DeletedItems.clear();
      next([&] {
        vb::OnErrorGoTo(
            [&] {
              QString data;
              for (const vb::Variant& entry : *set) {
                data += modGeneral::GetRemotePath(entry.ToString().mid(2)) + QStringLiteral("\r\n");
              }
              handOvers_.remove(QStringLiteral("Delete file(s)/folder(s) list."), data);
            },
            [&](const vb::ErrorInfo& e) {
              MesgBox::Instance().MessageBox(QStringLiteral("Failed to delete the remote items. \r\nReason: ") +
                                                 e.description + QStringLiteral("  ") + QString::number(e.number),
                                             0, 0, p.AppTitle);
            });
      });
      // Exactly the rows whose files were deleted leave the list (a cancel
      // keeps the rest; a failed delete keeps its row).
      if (IsLoaded()) {
        const QSet<QString> deleted(p.DeletedItems.begin(), p.DeletedItems.end());
        QStringList folders;
        const QString root = QStringLiteral("D_/users/") + p.AccountName + QStringLiteral("/Files/");
        for (const QString& item : p.DeletedItems) {
          if (item.startsWith(root, Qt::CaseInsensitive)) folders << vb::Trim(item.mid(root.size()));
        }
        UniListView* rows = c_.lvw_SearchResult;
        for (int row = rows->RowCount(); row >= 1 && row <= rows->RowCount(); --row) {
          const QString text = rows->RowText(row);
          if (deleted.contains(FileEntry(text)) || IsUnderDeletedFolder(rows->RowKey(row), folders)) {
            rows->RemoveRow(row);
          }
        }
        next([&] { lvw_SearchResult_AfterCheck(); });
      }
    }
  }
  vb::DoEvents();
  vb::DoEvents();
  SetMousePointer(false);
  p.SearchDeleteMode = false;
}

void frmSearchRemote::RestoreFoundItems() {
  if (runActive_ || modGeneral::JobProgressCheck()) return;
  ProgramState& p = Program();
  SetMousePointer(true);
  vb::DoEvents();
  vb::DoEvents();
  if (!IsLoaded()) return;
  vb::ResumeNext next;
  UniListView* list = c_.lvw_SearchResult;
  if (list->RowCount() == 0) {
    ShowWithoutClose(169);
    next([&] {
      if (IsLoaded()) c_.cmdOK->setFocus();
    });
  } else {
    p.SearchRestoreMode = true;
    EmptyItemSet();
    p.RestoreSetSize = 0;
    vb::CollectionPtr& set = Items(p.EnumRestoreItemSet);
    for (int row = 1; row <= list->RowCount(); ++row) {
      const QString text = list->RowText(row);
      if (list->CheckText(row) != QLatin1String("1") || vb::Trim(text).isEmpty()) continue;
      set->Add(FileEntry(text));
      next([&] { p.RestoreSetSize += modGeneral::GetSizeinBytes(list->SubItem(row, 1)); });
    }
    if (set->Count() == 0) {
      next([&] { MesgBox::Instance().MessageBox(modReg::GetMessageText(170), 0, 0, p.AppTitle); });
    } else {
      next([&] { Window()->hide(); });
      next([&] { handOvers_.restore(); });
      // The screen hidden at the end of a restore with the main window
      // minimised leaves this window neither shown again nor closed: show it
      // again rather than leave it invisible in its modal show.
      if (IsLoaded() && !Window()->isVisible()) next([&] { Show(); });
    }
  }
  vb::DoEvents();
  vb::DoEvents();
  p.SearchRestoreMode = false;
  SetMousePointer(false);
}

void frmSearchRemote::chkSelectAll_Click() {
  vb::OnErrorGoTo(
      [&] {
        if (!IsLoaded()) return;
        if (c_.chkSelectAll->isChecked()) selectAllArmed_ = true;
        if (selectAllArmed_) {
          if (c_.lvw_SearchResult->RowCount() > 0) SelectAllItems();
        } else {
          selectAllArmed_ = true;
        }
      },
      [](const vb::ErrorInfo& e) {
        TraceError(e, QStringLiteral("chkSelectAll_Click"), vb::OwnerKind::Form, QStringLiteral("search"));
      });
}

void frmSearchRemote::SelectAllItems() {
  vb::OnErrorGoTo(
      [&] {
        if (!IsLoaded()) return;
        UniListView* list = c_.lvw_SearchResult;
        const int count = list->RowCount();
        if (count == 0) return;
        // Row positions are 16-bit numbers.
        if (count > 32767) vb::Raise(6, {}, QStringLiteral("Overflow"));
        const bool checked = c_.chkSelectAll->isChecked();
        for (int row = 1; row <= count; ++row) {
          if (!IsLoaded() || row > c_.lvw_SearchResult->RowCount()) return;
          c_.lvw_SearchResult->SetChecked(row, checked);
          c_.lvw_SearchResult->SetCheckText(row, checked ? QStringLiteral("1") : QStringLiteral("0"));
          if (row % 5 == 0) vb::DoEvents();
        }
      },
      [](const vb::ErrorInfo&) { WriteTrace(QStringLiteral("Error in checkbox operation of search form")); });
}

}  // namespace OrvaneMac
