// Transfer's checks of a local restore destination before a restore starts,
// and the emptying of the restore and backup item sets.
//
// The checks show every refusal themselves; the callers show nothing more.

#include <QWidget>

#include "ZQwinSrv/foundation/Util.h"
#include "program/browse/PlainTreeView.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/Options.h"
#include "program/session/Transfer.h"
#include "program/windows/MesgBox.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/Drive.h"
#include "platform/files/FileSystem.h"
#include "platform/text/Strings.h"

namespace OrvaneMac {
namespace {

const QString kOwner = QStringLiteral("Transfer");

// The check's states.
constexpr int kValid = 200;
constexpr int kSetEmpty = 203;
constexpr int kNoSelection = 204;
constexpr int kInvalid = 205;

OrvaneSrv::Util& KeyReader() {
  static OrvaneSrv::Util util;
  return util;
}

QString Msg(Long id) { return modReg::GetMessageText(id); }

void Show(const QString& text, long icon) { MesgBox::Instance().MessageBox(text, icon, 0, Program().AppTitle); }

// The folder at `path` and its drive: kValid when the folder is there,
// else one message and kInvalid. A folder that is there has its drive
// there and ready, so the drive is looked at only for a missing folder: the
// drive gone or not ready is what the user is told then, rather than the
// folder.
int CheckFolderAndDrive(const QString& path, Long notAvailable, Long driveMissing, Long notReady1, Long notReady2) {
  if (win::FolderExists(path)) return kValid;
  const QString drive = path.left(2);
  if (!win::DriveExists(drive)) {
    Show(Msg(driveMissing), 0);
  } else if (!win::GetDrive(drive).IsReady()) {
    Show(Msg(notReady1) + drive + Msg(notReady2), 3);
  } else {
    Show(path + Msg(notAvailable), 3);
  }
  return kInvalid;
}

// Removes the first entry as many times as the set had entries.
void EmptySet(vb::CollectionPtr& slot) {
  const vb::CollectionPtr items = Items(slot);
  const qsizetype count = items->Count();
  for (qsizetype i = 0; i < count; ++i) items->Remove(1);
}

template <typename Body>
void Trapped(const QString& procedure, Body&& body) {
  vb::OnErrorGoTo(std::forward<Body>(body), [&](const vb::ErrorInfo& e) {
    TraceError(e, procedure, vb::OwnerKind::ClassModule, kOwner);
  });
}

}  // namespace

bool Transfer::Trf_validateRestoreData(QWidget* reffrm) {
  bool result = false;
  Trapped(QStringLiteral("Trf_validateRestoreData"), [&] {
    WriteTrace(QStringLiteral("Enter Trf_validateRestoreData"));
    int status = kValid;
    TreeViewControl& tv = TreeViewControl::Instance();
    if (Items(Program().EnumRestoreItemSet)->Count() == 0) {
      Show(Msg(420), 0);
      Show(Msg(420), 2);
      status = kSetEmpty;
    } else {
      if (!reffrm) vb::Raise(vb::errObjectVariableNotSet);
      auto* tree = reffrm->findChild<UniTreeViewMC*>(QStringLiteral("LocalTreeView"));
      if (!tree) vb::Raise(438);
      const TreeNode node = tree->SelectedItem();
      if (node.IsNothing()) {
        Show(Msg(421), 0);
        status = kNoSelection;
      } else {
        const int image = node.Image();
        if (image == tv.iconIndex(QStringLiteral("file")) || image == tv.iconIndex(QStringLiteral("mycomp"))) {
          Show(Msg(422), 0);
          status = kInvalid;
        } else if (image == tv.iconIndex(QStringLiteral("folder")) ||
                   image == tv.iconIndex(QStringLiteral("openfolder"))) {
          const QString path = vb::Replace(vb::Trim(KeyReader().GetInfoFromKey(3, node.Key())),
                                           QStringLiteral("\\\\"), QStringLiteral("\\"));
          status = CheckFolderAndDrive(path, 423, 426, 424, 425);
        }
      }
    }
    result = status == kValid;
    WriteTrace(QStringLiteral("Exit Trf_validateRestoreData") + (result ? QStringLiteral("True") : QStringLiteral("False")));
  });
  return result;
}

bool Transfer::Trf_validateDnDRestoreData(const PlainTreeNode& node) {
  bool result = false;
  Trapped(QStringLiteral("Trf_validateDnDRestoreData"), [&] {
    WriteTrace(QStringLiteral("Enter Trf_validateDnDRestoreData"));
    int status = kValid;
    const QString image = node.Image();
    if (image == QLatin1String("file") || image == QLatin1String("mycomp")) {
      Show(Msg(430), 0);
      status = kInvalid;
    } else if (image == QLatin1String("folder") || image == QLatin1String("open")) {
      status = CheckFolderAndDrive(vb::Mid(node.FullPath(), 13), 431, 434, 432, 433);
    } else if (image == QLatin1String("Drive") || image == QLatin1String("CDROM")) {
      const QString path = vb::Mid(node.FullPath(), 13);
      if (!win::DriveExists(path)) {
        Show(Msg(437), 0);
        status = kInvalid;
      } else if (!win::GetDrive(path).IsReady()) {
        Show(Msg(435) + path + Msg(436), 3);
        status = kInvalid;
      }
    }
    result = status == kValid;
    WriteTrace(QStringLiteral("Exit Trf_validateDnDRestoreData") +
               (result ? QStringLiteral("True") : QStringLiteral("False")));
  });
  return result;
}

void Transfer::Trf_ClearEnumRestoreItemSet() {
  if (modGeneral::JobProgressCheck()) return;
  Trapped(QStringLiteral("Trf_ClearEnumRestoreItemSet"), [&] {
    WriteTrace(QStringLiteral("Enter Trf_ClearEnumRestoreItemSet "));
    EmptySet(Program().EnumRestoreItemSet);
    WriteTrace(QStringLiteral("Exit Trf_ClearEnumRestoreItemSet "));
  });
}

void Transfer::Trf_ClearEnumBackupItemSet() {
  if (modGeneral::JobProgressCheck()) return;
  Trapped(QStringLiteral("Trf_ClearEnumBackupItemSet"), [&] {
    Trf_ClearEnumSchBackupItemSet();
    WriteTrace(QStringLiteral("Enter Trf_ClearEnumBackupItemSet"));
    EmptySet(Program().EnumBackupItemSet);
    WriteTrace(QStringLiteral("Exit Trf_ClearEnumBackupItemSet"));
  });
}

void Transfer::Trf_ClearEnumSchBackupItemSet() {
  Trapped(QStringLiteral("Trf_ClearEnumSchBackupItemSet"), [&] {
    WriteTrace(QStringLiteral("Enter Trf_ClearEnumSchBackupItemSet"));
    EmptySet(Program().EnumSchBackupItemSet);
    WriteTrace(QStringLiteral("Exit Trf_ClearEnumSchBackupItemSet"));
  });
}

}  // namespace OrvaneMac
