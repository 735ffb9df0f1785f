// Transfer's item-set helpers outside the check-mark walk of the column
// tree: clearing the two listing collections, filling the schedule's backup
// item set from a stored backup set, and the walk of a plain tree's check
// boxes. Nothing in the program calls them.

#include <QWidget>

#include "program/browse/PlainTreeView.h"
#include "program/foundation/DBaction.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/Options.h"
#include "program/foundation/ProgramState.h"
#include "program/progress/clsProgressDisplay.h"
#include "program/session/Transfer.h"
#include "program/windows/MesgBox.h"
#include "platform/errors/RuntimeError.h"
#include "platform/text/Strings.h"

namespace OrvaneMac {
namespace {

// Removes the first entry as many times as the collection held entries,
// between its "Enter" and "Exit" traces.
void ClearWithTraces(vb::CollectionPtr& slot, const QString& name) {
  WriteTrace(QStringLiteral("Enter ") + name);
  vb::ResumeNext next;
  next([&] {
    const vb::CollectionPtr items = Items(slot);
    const qsizetype count = items->Count();
    for (qsizetype i = 0; i < count; ++i) items->Remove(1);
  });
  if (next.Err().Failed()) {
    WriteTrace(QString::number(next.Err().number) + QStringLiteral("  ") + next.Err().description);
  }
  WriteTrace(QStringLiteral("Exit ") + name);
}

// Empties the backup item sets the way Transfer's clearing does.
void ClearBackupItemSets() {
  DBaction::ClearBacksetData(Items(Program().EnumSchBackupItemSet));
  DBaction::ClearBacksetData(Items(Program().EnumBackupItemSet));
}

}  // namespace

void Transfer::Trf_ClearEnumLocalDirContent() {
  ClearWithTraces(Program().EnumLocalDirContent, QStringLiteral("Trf_ClearEnumLocalDirContent"));
}

void Transfer::Trf_ClearEnumRemoteDirContent() {
  ClearWithTraces(Program().EnumRemoteDirContent, QStringLiteral("Trf_ClearEnumRemoteDirContent "));
}

bool Transfer::Trf_FillBackupSetEnum(const QString& sSetName) {
  WriteTrace(QStringLiteral("Enter Trf_FillBackupSetEnum ") + sSetName);
  return vb::OnErrorGoTo(
      [&] {
        ClearBackupItemSets();
        QString record;
        bool found = false;
        for (const vb::Variant& item : *Items(Program().BackupSetList)) {
          if (DBaction::GetBackSetName(item.ToString()) == sSetName) {
            record = item.ToString();
            found = true;
            break;
          }
        }
        if (!found) return false;
        const vb::CollectionPtr set = Items(Program().EnumSchBackupItemSet);
        const QStringList fields = record.split(QChar(8));
        long counter = 1;
        // A record without Chr(8) is one entry made of the whole record.
        const QStringList entries = fields.size() == 1 ? fields : fields.mid(1);
        for (const QString& field : entries) {
          const QString entry = field.endsWith(u'\\') ? QStringLiteral("D_") + field.left(field.size() - 1)
                                                      : QStringLiteral("F_") + field;
          set->Add(entry, QString::number(counter));
          ++counter;
        }
        WriteTrace(QStringLiteral("Exit Trf_FillBackupSetEnum "));
        return true;
      },
      [](const vb::ErrorInfo& err) {
        MesgBox::Instance().MessageBox(QStringLiteral("Unable to read the Backup set contents, Reason: ") +
                                           err.description,
                                       3, 0, Program().AppTitle);
        return false;
      });
}

void Transfer::Trf_TraverseTree(QWidget* reffrm, PlainTreeView* Tree, long nodeindex) {
  vb::OnErrorGoTo(
      [&] {
        if (!Tree) vb::Raise(vb::errObjectVariableNotSet);
        const QString treeName = Tree->objectName();
        for (PlainTreeNode child = Tree->NodeAt(nodeindex).Child(); !child.IsNothing(); child = child.Next()) {
          const QString image = child.Image();
          const QString index = QString::number(child.Index());
          if (child.Checked()) {
            if (treeName == u"LocalTreeView") {
              // The full path less "My Computer" and its separator.
              const QString fullPath = child.FullPath();
              const QString path = vb::Right(fullPath, fullPath.size() - 12);
              QString entry;
              if (image == u"folder" || image == u"open" || image == u"Drive") {
                entry = QStringLiteral("D_") + path + u'\\';
              } else if (image == u"file") {
                entry = QStringLiteral("F_") + path;
              }
              if (!entry.isEmpty()) {
                if (!modGeneral::JobProgressCheck()) Items(Program().EnumBackupItemSet)->Add(entry, path + index);
                Items(Program().EnumSchBackupItemSet)->Add(entry, path + index);
              }
            }
            if (treeName == u"RemoteTreeView") {
              const QString key = child.Key();
              const qsizetype hash = key.indexOf(u'#');
              const QString p = hash < 0 ? QString() : key.mid(hash + 1);
              const QString q = vb::Mid(p, Program().ServerName.size() + 1);
              if (image == u"folder" || image == u"open") {
                Items(Program().EnumRestoreItemSet)->Add(QStringLiteral("D_") + q, q + index);
              } else if (image == u"file") {
                Items(Program().EnumRestoreItemSet)->Add(QStringLiteral("F_") + q, q + index);
                (void)gProgramProgressDisplay().time_getremotetrfsetsize(vb::Trim(key));
              }
            }
          } else if (image != u"file") {
            Trf_TraverseTree(reffrm, Tree, child.Index());
          }
        }
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Traverse tree ") + QString::number(err.number) + QStringLiteral("  ") +
                   err.description);
      });
}

}  // namespace OrvaneMac
