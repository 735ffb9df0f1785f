// The class Scheduler's backup-set list: rows from paths, from the checked
// nodes of a plain tree or of a column tree, without duplicates where asked,
// and their ordering.

#include <QLabel>
#include <QWidget>

#include "ZQwinSrv/foundation/Util.h"
#include "program/browse/PlainTreeView.h"
#include "program/browse/TreeViewControl.h"
#include "program/browse/UniTreeViewMC.h"
#include "program/foundation/BkSetListView.h"
#include "program/foundation/DBaction.h"
#include "program/foundation/Options.h"
#include "program/foundation/Scheduler.h"
#include "program/foundation/SystemHelpers.h"
#include "program/windows/MesgBox.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/text/Strings.h"
#include "platform/values/Variant.h"

namespace OrvaneMac {
namespace {

const QString kAutomatic = QStringLiteral("automatic selection");

void TraceSchedulerError(const vb::ErrorInfo& err, const QString& procedure) {
  TraceError(err, procedure, vb::OwnerKind::ClassModule, QStringLiteral("Scheduler"));
}

BkSetListView* ListOf(QWidget* window) {
  if (!window) vb::Raise(vb::errObjectVariableNotSet);
  auto* list = window->findChild<BkSetListView*>(QStringLiteral("Sch_LV_bkset"));
  if (!list) vb::Raise(vb::errObjectDoesntSupport);
  return list;
}

int Icon(const char* key) { return static_cast<int>(TreeViewControl::Instance().iconIndex(QString::fromLatin1(key))); }

QString DateText(const QDateTime& when) { return vb::Variant::FromDate(when).ToString(); }

QString SingleBackslashes(const QString& path) {
  return vb::Replace(path, QStringLiteral("\\\\"), QStringLiteral("\\"));
}

bool IsDrive(const QString& path) {
  const QString t = vb::Trim(path);
  return t.size() == 3 && t.endsWith(u'\\');
}

// The names never turned into rows by the duplicate-refusing operations.
bool NeverListed(const QString& path) {
  const QString t = vb::Trim(path);
  for (const char* name : {"GrayFolderLogic", "No Path Found\\", "Automatic Selection"}) {
    if (vb::StrComp(t, QString::fromLatin1(name), vb::vbTextCompare) == 0) return true;
  }
  return false;
}

void FillRow(BkSetListView* list, int row, const char* icon, const QString& kind, const QString& type) {
  list->SetRowIcon(row, Icon(icon));
  list->SetSubItem(row, 4, kind);
  if (!type.isEmpty()) list->SetSubItem(row, 1, type);
}

// Folder and file columns: failures reading the date or size are passed over.
void FolderDate(BkSetListView* list, int row, const QString& path) {
  vb::ResumeNext next;
  next([&] {
    if (win::FolderExists(vb::Trim(path))) list->SetSubItem(row, 2, DateText(win::FolderDateLastModified(vb::Trim(path))));
  });
}

void FileColumns(BkSetListView* list, int row, const QString& path) {
  vb::ResumeNext next;
  next([&] {
    const QString t = vb::Trim(path);
    if (win::FileExists(t)) {
      list->SetSubItem(row, 3, modGeneral::GetProperSizeValue(static_cast<double>(win::FileSize(t))));
      list->SetSubItem(row, 2, DateText(win::FileDateLastModified(t)));
    } else {
      list->SetSubItem(row, 3, QStringLiteral("0 B"));
    }
  });
}

// Exchanges row texts over all pairs from `start` on: the rows end in
// ascending order of their upper-cased texts.
void ExchangeOrder(BkSetListView* list, int start) {
  const int count = list->RowCount();
  for (int i = start; i <= count; ++i) {
    for (int j = start; j <= count; ++j) {
      const QString a = list->RowText(i);
      const QString b = list->RowText(j);
      if (vb::StrComp(vb::UCase(a), vb::UCase(b)) < 0) {
        list->SetRowText(i, b);
        list->SetRowText(j, a);
      }
    }
  }
}

}  // namespace

void Scheduler::AddToBkSetItemList(const QString& path, QWidget* window) {
  vb::OnErrorGoTo(
      [&] {
        BkSetListView* list = ListOf(window);
        const QString trimmed = vb::Trim(path);
        if (Program().RemoteBkSetMode != 0) {
          const qsizetype at = path.indexOf(QStringLiteral("/Files/"));
          QString text = path;
          if (at >= 0) {
            const QString rest = path.mid(at + 7);
            text = QStringLiteral("My Orvane/") + rest;
            if (!trimmed.endsWith(u'/') && vb::Trim(rest).isEmpty()) return;
          } else if (trimmed.isEmpty()) {
            return;
          }
          lastRow_ = list->AddRow(text);
          if (trimmed.endsWith(u'/')) {
            FillRow(list, lastRow_, "folder", QStringLiteral("3"), {});
          } else {
            FillRow(list, lastRow_, "file", QStringLiteral("4"), {});
          }
          return;
        }
        if (vb::LCase(path) == kAutomatic) return;
        if (IsDrive(path)) {
          lastRow_ = list->AddRow(path);
          FillRow(list, lastRow_, "drive1", QStringLiteral("2"), QStringLiteral("Drive"));
        } else if (trimmed.endsWith(u'\\')) {
          lastRow_ = list->AddRow(path);
          FillRow(list, lastRow_, "folder", QStringLiteral("3"), QStringLiteral("Folder"));
          FolderDate(list, lastRow_, path);
        } else if (vb::LCase(trimmed) == kAutomatic) {
          lastRow_ = list->AddRow(path);
          FillRow(list, lastRow_, "wizard", QStringLiteral("1"), {});
        } else if (!trimmed.isEmpty()) {
          lastRow_ = list->AddRow(path);
          FillRow(list, lastRow_, "file", QStringLiteral("4"), QStringLiteral("File"));
          FileColumns(list, lastRow_, path);
        }
      },
      [](const vb::ErrorInfo& err) { TraceSchedulerError(err, QStringLiteral("AddToBkSetItemList")); });
}

void Scheduler::Sch_TraverseLocalTree(Integer nodeIndex, PlainTreeView* tree, QWidget* window) {
  vb::OnErrorGoTo(
      [&] {
        if (!tree) vb::Raise(vb::errObjectVariableNotSet);
        for (PlainTreeNode child = tree->NodeAt(nodeIndex).Child(); !child.IsNothing(); child = child.Next()) {
          const QString image = child.Image();
          if (image == u"CDROM") child.SetChecked(false);
          if (child.Checked()) {
            const QString cleaned = SingleBackslashes(vb::Trim(child.Key()));
            if (image == u"folder" || image == u"open" || image == u"Drive") {
              AddToBkSetItemList(cleaned + u'\\', window);
            } else if (image == u"file") {
              AddToBkSetItemList(cleaned, window);
            }
            auto* total = window ? window->findChild<QLabel*>(QStringLiteral("Totalbksetsize")) : nullptr;
            if (!total) vb::Raise(vb::errObjectDoesntSupport);
            total->setText(modGeneral::GetProperSizeValue(totalBackupSetSize_));
          } else if (image != u"file") {
            Sch_TraverseLocalTree(static_cast<Integer>(child.Index()), tree, window);
          }
        }
      },
      [](const vb::ErrorInfo& err) {
        MesgBox::Instance().MessageBox(QStringLiteral("Unable to traverse the tree\r\nReason : ") + err.description, 3,
                                       0, Program().AppTitle);
      });
}

void Scheduler::SchTraverseColTree(UniTreeViewMC* tree, QWidget* window, BkSetListView* list, const TreeNode& start,
                                   bool bFirstNode, bool bRemote, bool bDupCheck, bool /*bSubColumn*/) {
  static OrvaneSrv::Util keys;
  vb::OnErrorGoTo(
      [&] {
        const QString separator = bRemote ? QStringLiteral("/") : QStringLiteral("\\");
        if (start.IsNothing() || start.Text().isEmpty()) return;
        for (TreeNode node = bFirstNode ? start.Child() : start; !node.IsNothing(); node = node.Next()) {
          const QString key = node.Key();
          if (node.Checked() == 2) {
            const QString path = SingleBackslashes(vb::Trim(keys.GetInfoFromKey(3, key)));
            if (bDupCheck) {
              CheckDuplicateBkSetData(list, path);
            } else if (bRemote) {
              AddToBkSetItemList(path, window);
            }
          } else if (vb::Trim(key).endsWith(separator) || key == u"My Computer") {
            SchTraverseColTree(tree, window, list, node.Child(), false, bRemote, bDupCheck, false);
          }
        }
      },
      [](const vb::ErrorInfo& err) { WriteTrace(QStringLiteral("Error in SchTraverseColTree ") + err.description); });
}

void Scheduler::CheckDuplicateBkSetData(BkSetListView* list, const QString& path) {
  vb::OnErrorGoTo(
      [&] {
        QString p = path;
        BuildDataDuplicate(list, p);
      },
      [](const vb::ErrorInfo&) { WriteTrace(QStringLiteral("Error in CheckDuplicateBkSetData")); });
}

void Scheduler::BuildDataDuplicate(BkSetListView* list, QString& path) {
  vb::OnErrorGoTo(
      [&] {
        const QString trimmed = vb::Trim(path);
        if (trimmed.isEmpty()) return;
        if (Program().RemoteBkSetMode != 0) {
          const qsizetype at = path.indexOf(QStringLiteral("/Files/"));
          if (at >= 0) path = QStringLiteral("My Orvane/") + path.mid(at + 7);
          (void)AvoidDuplicateListEntry(list, path);
          return;
        }
        if (trimmed == u"GrayFolderLogic") return;
        if (vb::StrComp(trimmed, QStringLiteral("No Path Found\\"), vb::vbTextCompare) == 0) return;
        if (vb::StrComp(trimmed, QStringLiteral("Automatic Selection"), vb::vbTextCompare) == 0) return;
        (void)AvoidDuplicateListEntry(list, path);
      },
      [](const vb::ErrorInfo& err) { TraceSchedulerError(err, QStringLiteral("BuildDataDuplicate")); });
}

bool Scheduler::AvoidDuplicateListEntry(BkSetListView* list, const QString& path) {
  return vb::OnErrorGoTo(
      [&] {
        if (NeverListed(path)) return false;
        if (!list) vb::Raise(vb::errObjectVariableNotSet);
        const QString text = SingleBackslashes(path);
        const QString trimmed = vb::Trim(path);
        if (trimmed.isEmpty()) return false;
        lastRow_ = list->AddRow(text, text);
        if (IsDrive(path)) {
          FillRow(list, lastRow_, "drive1", QStringLiteral("2"), QStringLiteral("Drive"));
        } else if (trimmed.endsWith(u'\\')) {
          FillRow(list, lastRow_, "folder", QStringLiteral("3"), QStringLiteral("Folder"));
          FolderDate(list, lastRow_, path);
        } else if (trimmed.endsWith(u'/')) {
          FillRow(list, lastRow_, "folder", QStringLiteral("3"), {});
        } else {
          FillRow(list, lastRow_, "file", QStringLiteral("4"), QStringLiteral("File"));
          FileColumns(list, lastRow_, path);
        }
        return false;
      },
      [](const vb::ErrorInfo&) { return true; });
}

void Scheduler::FnOderListData(QWidget* window) {
  vb::OnErrorGoTo([&] { ExchangeOrder(ListOf(window), 1); },
                  [](const vb::ErrorInfo& err) {
                    WriteTrace(QStringLiteral("Error in FnOderListData(), Reason :  ") + err.description);
                  });
}

void Scheduler::OrderDuplicateListData(BkSetListView* list) {
  vb::OnErrorGoTo(
      [&] {
        if (!list) vb::Raise(vb::errObjectVariableNotSet);
        const bool automaticFirst = list->RowCount() > 0 && vb::LCase(vb::Trim(list->RowText(1))) == kAutomatic;
        ExchangeOrder(list, automaticFirst ? 2 : 1);
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error in OrderDuplicateListData(), Reason :  ") + err.description);
      });
}

void Scheduler::OrderListViewData(BkSetListView* list, QWidget* window, bool bBuild) {
  vb::ResumeNext next;
  if (!list) return;
  if (bBuild) {
    next([] { DBaction::ClearBacksetData(Items(Program().DistinctPathList)); });
    for (int row = 1; row <= list->RowCount(); ++row) {
      next([&] { RemoveDuplicate(Items(Program().DistinctPathList), list->RowText(row)); });
    }
  }
  if (list->RowCount() == 0) return;
  QStringList texts;
  for (int row = 1; row <= list->RowCount(); ++row) texts << list->RowText(row);
  next([&] { QuickSortStringsStart(texts, true, false); });
  list->ClearRows();
  for (const QString& text : texts) next([&] { AddToBkSetItemList(text, window); });
}

}  // namespace OrvaneMac
