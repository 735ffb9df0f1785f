#include "program/browse/TreeViewControl.h"

#include <QtGlobal>

#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/Util.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/Drive.h"
#include "platform/files/FileAttributes.h"
#include "platform/files/FileSystem.h"
#include "platform/registry/Registry.h"
#include "platform/system/Drives.h"
#include "platform/text/Conversion.h"
#include "platform/text/Format.h"
#include "platform/text/Strings.h"
#include "platform/text/UserLocale.h"
#include "program/browse/MainWindowControls.h"
#include "program/browse/RemoteListingSource.h"
#include "program/browse/TreeImages.h"
#include "program/session/Transfer.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/Options.h"
#include "program/foundation/SystemHelpers.h"
#include "program/windows/MesgBox.h"

namespace OrvaneMac {
namespace {

const QString kOwner = QStringLiteral("TreeViewControl");
const QString kKeySep = QStringLiteral(">");
const QString kNoDate = QStringLiteral("00/00/00 00:00:00");
constexpr int kSizeColumn = 1;
constexpr int kDateColumn = 2;

OrvaneSrv::Util& KeyReader() {
  static OrvaneSrv::Util util;
  return util;
}

bool IsUnloaded(const vb::ErrorInfo& error) {
  return error.description.toUpper() == QLatin1String("OBJECT HAS BEEN UNLOADED.");
}

// The error line of a tree operation; nothing while the window is closing
// under it.
void TraceTreeError(const vb::ErrorInfo& error, const QString& procedure) {
  if (IsUnloaded(error)) return;
  TraceError(error, procedure, vb::OwnerKind::ClassModule, kOwner);
}

QString Unescaped(QString field) { return field.replace(QChar(OrvaneSrv::kKeyFieldGreaterThan), u'>'); }

// The fields of a NodeKey that make its node: the modified date, the size
// and the path, as they stand in the key (the key's split at every ">");
// 9 when it has fewer than four fields.
struct KeyParts {
  QString modified;
  QString size;
  QString path;
};

KeyParts KeyFields(const QString& item) {
  QStringView fields[4];
  qsizetype count = 0;
  qsizetype from = 0;
  for (; count < 4; ++count) {
    const qsizetype at = item.indexOf(u'>', from);
    fields[count] = QStringView(item).sliced(from, (at < 0 ? item.size() : at) - from);
    if (at < 0) break;
    from = at + 1;
  }
  if (item.isEmpty() || count < 3) vb::Raise(vb::errSubscriptOutOfRange);
  return {fields[1].toString(), fields[2].toString(), fields[3].toString()};
}

QString Sequence() { return QString::number(static_cast<qint64>(Program().ListingCounter)); }

QString LocalDate(const QDateTime& when) { return vb::FormatGeneralDate(when); }

struct MonthRow {
  const char* upper;
  const char* text;
  const char* number;
};
constexpr MonthRow kMonths[] = {
    {"JAN", "Jan", "01"}, {"FEB", "Feb", "02"}, {"MAR", "Mar", "03"}, {"APR", "Apr", "04"},
    {"MAY", "May", "05"}, {"JUN", "Jun", "06"}, {"JUL", "Jul", "07"}, {"AUG", "Aug", "08"},
    {"SEP", "Sep", "09"}, {"OCT", "Oct", "10"}, {"NOV", "Nov", "11"}, {"DEC", "Dec", "12"},
};
constexpr const char* kWeekdays[] = {"MON", "TUE", "WED", "THU", "FRI", "SAT", "SUN"};

// The user's short-date pattern as the sign-in keeps it; the locale's while
// no sign-in has set it.
QString DateFormat() {
  const QString kept = Program().ShortDatePattern;
  return kept.isEmpty() ? vb::CurrentUserLocale().shortDatePattern : kept;
}

}  // namespace

TreeViewControl& TreeViewControl::Instance() {
  static TreeViewControl instance;
  return instance;
}

// --- Columns, pictures, nodes --------------------------------------------------

void TreeViewControl::setUpColumns(UniTreeViewMC* ColTreeView, int nNameWidth, int nSizeWidth, int nDateWidth) {
  vb::ResumeNext next;
  next([&] { ColTreeView->SetFirstColumn(QStringLiteral("Name"), nNameWidth); });
  int size = -1;
  int date = -1;
  next([&] { size = ColTreeView->AddColumn(QStringLiteral("size"), QStringLiteral("Size")); });
  next([&] { ColTreeView->SetColumnWidth(size, nSizeWidth); });
  next([&] { date = ColTreeView->AddColumn(QStringLiteral("moddate"), QStringLiteral("Modified Date")); });
  next([&] { ColTreeView->SetColumnWidth(date, nDateWidth); });
}

void TreeViewControl::setUpImageList(UniTreeViewMC* ColTreeView, QWidget* /*reffrm*/) {
  vb::ResumeNext next;
  next([&] { ColTreeView->SetImageList(&ImageListColTree()); });
}

long TreeViewControl::iconIndex(const QString& eType) {
  const TreeImageList& list = ImageListColTree();
  const int index = list.IndexOf(eType);
  if (index > 0) return index - 1;
  return list.IndexOf(QStringLiteral("folder")) - 1;
}

TreeNode TreeViewControl::addRootNode(UniTreeViewMC* tree, const QString& text, const QString& key,
                                      const QString& icon) {
  return vb::OnErrorGoTo(
      [&] {
        if (!tree) vb::Raise(vb::errObjectVariableNotSet);
        const int image = static_cast<int>(iconIndex(icon));
        return tree->AddRoot(key, text, image, image);
      },
      [&](const vb::ErrorInfo& e) {
        TraceTreeError(e, QStringLiteral("addRootNode"));
        return TreeNode();
      });
}

TreeNode TreeViewControl::addParentNode(const TreeNode& parent, const QString& text, const QString& key,
                                        const QString& icon) {
  return vb::OnErrorGoTo(
      [&] {
        const int image = static_cast<int>(iconIndex(icon));
        TreeNode node = parent;
        return node.AddChild(key, text, image, image, true);
      },
      [&](const vb::ErrorInfo& e) {
        TraceTreeError(e, QStringLiteral("addParentNode"));
        return TreeNode();
      });
}

void TreeViewControl::addChildNodes(const TreeNode& nodeIn, const vb::CollectionPtr& items, bool remote,
                                    bool foldersOnly) {
  vb::OnErrorGoTo(
      [&] {
        TreeNode node = nodeIn;
        const QString sep = remote ? QStringLiteral("/") : QStringLiteral("\\");
        ChangeNewStdTime();
        if (node.ChildCount() > 0) return;
        if (!items) vb::Raise(vb::errObjectVariableNotSet);
        const bool gray = Program().GrayIconMode;

        // A folder's entries often share their dates: a remote date cell
        // worked out once serves every entry of the same date text, with the
        // date it was worked out from, unless working it out wrote a trace
        // line (that date is worked out, and traced, each time).
        struct RemoteDate {
          QString dateTime;
          QString cell;
        };
        QHash<QString, RemoteDate> remoteDates;
        auto dateCell = [&](ChildBatch& child, const QString& modified) {
          if (!remote) {
            child.SetSubItem(kDateColumn, Unescaped(modified));
            return;
          }
          if (const auto known = remoteDates.constFind(modified); known != remoteDates.cend()) {
            DateTimeResult = known->dateTime;
            child.SetSubItem(kDateColumn, known->cell);
            return;
          }
          const quint64 traced = TraceLinesWritten();
          CalculateDateTime(modified);
          const QStringList& zone = Program().DisplayZone;
          const QString label = zone.value(0);
          const QString cell =
              modGeneral::ConvertStdTime(DateTimeResult, label, zone.value(1)) + QStringLiteral(" ") + label;
          if (TraceLinesWritten() == traced) remoteDates.insert(modified, {DateTimeResult, cell});
          child.SetSubItem(kDateColumn, cell);
        };

        // The children join the node in one step per kind; an entry that
        // fails ends the listing with the children made before it.
        {
          ChildBatch folders(node);
          for (const vb::Variant& entry : *items) {
            const QString item = entry.ToString();
            if (!item.endsWith(sep)) continue;
            const KeyParts fields = KeyFields(item);
            QString path = Unescaped(fields.path);
            const QString text = KeyReader().StringEndFolder(path.left(path.size() - 1), sep);
            QString icon = QStringLiteral("folder");
            if (gray) {
              QString local = path;
              local.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
              if (modGeneral::IsExcludedItem(local, QStringLiteral("Folder"))) icon = QStringLiteral("foldergray");
            }
            folders.Add(item, text, static_cast<int>(iconIndex(icon)), true);
            dateCell(folders, fields.modified);
          }
        }

        const bool keepRootOrder = node.Text() == QLatin1String("My Orvane") && Program().RemoteSnapshotItems &&
                                   Program().RemoteSnapshotItems->Count() > 0;
        if (!keepRootOrder) node.SortChildren(1);

        if (foldersOnly) return;
        const int fileImage = static_cast<int>(iconIndex(QStringLiteral("file")));
        ChildBatch files(node, items->Count());
        for (const vb::Variant& entry : *items) {
          const QString item = entry.ToString();
          if (item.endsWith(sep)) continue;
          const KeyParts fields = KeyFields(item);
          const QString path = Unescaped(fields.path);
          const QString text = KeyReader().StringEndFolder(path, sep);
          int image = fileImage;
          if (gray) {
            QString local = path;
            if (modGeneral::IsExcludedItem(local, QStringLiteral("File"))) {
              image = static_cast<int>(iconIndex(QStringLiteral("filegray")));
            }
          }
          files.Add(item, text, image, false);
          const QString size = vb::Trim(fields.size);
          files.SetSubItem(kSizeColumn, size.isEmpty() ? QString() : modGeneral::GetProperSizeValue(vb::Val(size)));
          dateCell(files, fields.modified);
        }
      },
      [&](const vb::ErrorInfo& e) { TraceTreeError(e, QStringLiteral("addChildNodes")); });
}

// --- Dates -------------------------------------------------------------------

void TreeViewControl::CalculateDateTime(const QString& Timeattribute) {
  vb::OnErrorGoTo(
      [&] {
        const QString trimmed = vb::Trim(Timeattribute);
        if (trimmed.isEmpty()) {
          DateTimeResult = kNoDate;
          return;
        }
        const QString weekday = trimmed.left(3).toUpper();
        const QString month = vb::Mid(trimmed, 9, 3).toUpper();
        bool knownDay = false;
        for (const char* day : kWeekdays) knownDay = knownDay || weekday == QLatin1String(day);
        const MonthRow* row = nullptr;
        for (const MonthRow& m : kMonths) {
          if (month == QLatin1String(m.upper)) row = &m;
        }
        if (!knownDay || !row) {
          DateTimeResult = LocalDate(vb::CDate(Timeattribute));
          return;
        }
        QString text = Timeattribute;
        text.replace(QLatin1String(row->text), QLatin1String(row->number));
        text = vb::Trim(text);
        text = vb::Trim(text.left(text.size() - 3));  // the zone
        text.remove(u',');
        text = vb::Trim(text.mid(3));  // the weekday
        const QStringList parts = text.split(u' ');
        if (parts.size() >= 4) {
          const QString& day = parts[0];
          const QString& monthNumber = parts[1];
          const QString& year = parts[2];
          const QString& time = parts[3];
          text = DateFormat().left(1).toUpper() == QLatin1String("D")
                     ? day + u'/' + monthNumber + u'/' + year + u' ' + time
                     : monthNumber + u'/' + day + u'/' + year + u' ' + time;
        }
        DateTimeResult = LocalDate(vb::CDate(text));
      },
      [&](const vb::ErrorInfo& e) {
        DateTimeResult = kNoDate;
        WriteTrace(QStringLiteral("Error in CalculateDateTime(), Reason : ") + e.description);
      });
}

void TreeViewControl::ChangeNewStdTime() {
  ProgramState& state = Program();
  if (state.DisplayZoneRead) return;
  vb::ResumeNext next;
  QString stamp;
  next([&] { stamp = vb::Trim(OrvaneSrv::Transfer().Trf_ReadUserProfile(QStringLiteral("TimeStamp"))); });
  next([&] {
    if (stamp.isEmpty()) {
      state.DisplayZone = {QStringLiteral("PST"), QStringLiteral("-0800")};
      return;
    }
    state.DisplayZone = stamp.split(QChar(8));
    if (state.DisplayZone.size() < 2) {
      // A zone without its offset would leave every remote date without a
      // readable shift: it is shown unshifted.
      state.DisplayZone = {stamp, QStringLiteral("+0000")};
      WriteTrace(QStringLiteral("TimeStamp without an offset, dates shown unshifted: ") + stamp);
    }
  });
  state.DisplayZoneRead = true;
}

// --- The local tree -------------------------------------------------------------

void TreeViewControl::PopulateLocalTreeView(QTreeWidget* TreeView, const QStringList& Drive1, bool bColTree,
                                            bool bDoNotAddFile) {
  vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter PopulateLocalTreeView"));
        if (bColTree) {
          auto* tree = qobject_cast<UniTreeViewMC*>(TreeView);
          if (!tree) vb::Raise(vb::errTypeMismatch);
          setUpImageList(tree);
          setLocalColTreeRoot(tree, Drive1, bDoNotAddFile);
        } else {
          auto* tree = dynamic_cast<PlainTreeView*>(TreeView);
          if (!tree) vb::Raise(vb::errTypeMismatch);
          (void)tree->Add(QString(), QStringLiteral("RDesktop"), QStringLiteral("My Computer"), QStringLiteral("mycomp"));
          PlainTreeNode last;
          for (const QString& entry : DriveListEntries()) {
            const win::Drive drive = win::GetDrive(entry.left(2));
            const int type = drive.DriveType();
            if (type != win::DriveTypeFixed && type != win::DriveTypeNetwork) continue;
            last = tree->Add(QStringLiteral("RDesktop"), drive.Path(), drive.Path(), QStringLiteral("Drive"));
          }
          if (!last.IsNothing()) last.EnsureVisible();
        }
        WriteTrace(QStringLiteral("Exit PopulateLocalTreeView"));
      },
      [&](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error in PopulateLocalTreeView, Reason : ") + QString::number(e.number) +
                   QStringLiteral(" ") + e.description);
      });
}

vb::CollectionPtr TreeViewControl::GetLocalFolderContents(const QString& Path, const QString& ftype) {
  const win::FindResult found = win::FindFiles(Path + ftype);
  if (found.entries.empty() && found.error != win::kFileErrorSuccess) return nullptr;
  auto items = std::make_shared<vb::Collection>();
  for (const win::FindData& entry : found.entries) {
    Program().ListingCounter += 1;
    QString name = entry.name;
    const qsizetype nul = name.indexOf(QChar(0));
    if (nul >= 0) name.truncate(nul);
    if (name == QLatin1String(".") || name == QLatin1String("..")) continue;
    const QString full = Path + name;
    if (win::GetFileAttributes(full) ==
        (win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM)) {
      WriteTrace(QStringLiteral("virtual folder not added to tree: ") + full);
      continue;
    }
    const QString seq = Sequence();
    const QString keyPath = OrvaneSrv::EscapeKeyField(full);
    vb::ResumeNext next;
    QString text;
    if (entry.IsFolder()) {
      next([&] {
        QString modified = QStringLiteral("0");
        if (win::FolderExists(full)) modified = LocalDate(win::FolderDateLastModified(full));
        text = seq + kKeySep + modified + kKeySep + kKeySep + keyPath + u'\\';
      });
      if (next.Err().Failed()) {
        WriteTrace(QStringLiteral("Error in retrieving details for the folder: ") + full +
                   QString::number(next.Err().number) + next.Err().description);
        text = seq + QStringLiteral(">>>") + keyPath + u'\\';
      }
    } else {
      next([&] {
        QString modified = QStringLiteral("0");
        QString size = QStringLiteral("0");
        if (win::FileExists(full)) {
          size = QString::number(win::FileSize(full));
          modified = LocalDate(win::FileDateLastModified(full));
        }
        text = seq + kKeySep + modified + kKeySep + size + kKeySep + keyPath;
      });
      if (next.Err().Failed()) {
        WriteTrace(QStringLiteral("Error in retrieving details for the file: ") + full +
                   QString::number(next.Err().number) + next.Err().description);
        text = seq + QStringLiteral(">>>") + keyPath;
      }
    }
    items->Add(text);
  }
  return items;
}

void TreeViewControl::PopulateLocalFolder(const TreeNode& nodeIn, bool bDoNotAddFile, bool bDoNotExpand) {
  vb::OnErrorGoTo(
      [&] {
        TreeNode node = nodeIn;
        if (node.ChildCount() > 0) return;
        node.SetExpanded(false);
        const QString path = vb::Trim(KeyReader().GetInfoFromKey(3, node.Key()));
        vb::CollectionPtr items = GetLocalFolderContents(path, QStringLiteral("*.*"));
        if (!items) items = std::make_shared<vb::Collection>();
        addChildNodes(node, items, false, bDoNotAddFile);
        if (node.ChildCount() == 0) {
          node.SetHasChildren(false);
        } else if (!bDoNotExpand) {
          node.SetExpanded(true);
        }
      },
      [&](const vb::ErrorInfo& e) { TraceTreeError(e, QStringLiteral("PopulateLocalFolder")); });
}

QString TreeViewControl::abk_RegReadkey(const QString& RegMainKey, const QString& rKey, win::HKEY vntOptionalHKey) {
  return vb::OnErrorGoTo(
      [&] {
        win::HKEY key = 0;
        if (win::RegOpenKeyEx(vntOptionalHKey, RegMainKey, 0, win::KEY_QUERY_VALUE, &key) != 0) return QString();
        QByteArray buffer(2049, '\0');
        win::DWORD size = 2048;
        (void)win::RegQueryValueEx(key, rKey, nullptr, buffer.data(), &size);
        win::RegCloseKey(key);
        const QString text =
            QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer.constData()), buffer.size() / 2);
        return vb::Trim(modGeneral::StripNull(text));
      },
      [&](const vb::ErrorInfo&) {
        WriteTrace(QStringLiteral("Error in Reading the value from Registry"));
        return QString();
      });
}

void TreeViewControl::setLocalColTreeRoot(UniTreeViewMC* tree, const QStringList& Drive1, bool bDoNotAddFile) {
  vb::ResumeNext next;
  TreeNode root;
  next([&] { root = addRootNode(tree, QStringLiteral("My Files"), QStringLiteral("My Files"), QStringLiteral("mydesktop")); });
  if (root.IsNothing()) {
    WriteTrace(QStringLiteral("Unable to display the local directory content while populating the local tree "));
    return;
  }

  QStringList letters;  // the drives that hold a special folder
  struct Special {
    QString key;
    bool exists = false;
  };
  auto read = [&](const char* valueName) {
    Special s;
    QString path;
    next([&] {
      path = abk_RegReadkey(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
                            QString::fromLatin1(valueName), win::HKEY_CURRENT_USER);
    });
    Program().ListingCounter += 1;
    const QString seq = Sequence();
    QString date = QStringLiteral(" ");
    next([&] {
      if (!path.isEmpty() && win::FolderExists(path)) {
        date = LocalDate(win::FolderDateLastModified(path));
        letters.append(path.left(1));
        s.exists = true;
      }
    });
    s.key = seq + kKeySep + date + kKeySep + QStringLiteral("0") + kKeySep + OrvaneSrv::EscapeKeyField(path) +
            QStringLiteral("\\\\");
    return s;
  };
  auto add = [&](const QString& text, const Special& s) {
    next([&] {
      QString icon = QStringLiteral("folder");
      if (Program().GrayIconMode) {
        QString local = KeyReader().GetInfoFromKey(3, s.key);
        local.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
        if (modGeneral::IsExcludedItem(local, QStringLiteral("Folder"))) icon = QStringLiteral("foldergray");
      }
      TreeNode node = addParentNode(root, text, s.key, icon);
      if (node.IsNothing() || !s.exists) return;
      const vb::CollectionPtr items =
          GetLocalFolderContents(vb::Trim(KeyReader().GetInfoFromKey(3, node.Key())), QStringLiteral("*.*"));
      if (items) addChildNodes(node, items, false, bDoNotAddFile);
    });
  };

  const Special desktop = read("Desktop");
  const Special personal = read("Personal");
  if (modGeneral::getMajorVersion() < 6) {
    add(QStringLiteral("My Desktop"), desktop);
    add(QStringLiteral("My Documents"), personal);
  } else {
    add(QStringLiteral("Desktop"), desktop);
    add(QStringLiteral("Music"), read("My Music"));
    add(QStringLiteral("Pictures"), read("My Pictures"));
    add(QStringLiteral("Videos"), read("My Video"));
    add(QStringLiteral("Documents"), personal);
  }
  add(QStringLiteral("Favorites"), read("Favorites"));

  TreeNode computer;
  next([&] {
    computer = addParentNode(root, QStringLiteral("My Computer"), QStringLiteral("My Computer"), QStringLiteral("mycomp"));
  });
  if (Drive1.isEmpty()) WriteTrace(QStringLiteral("Content of list box is zero in setLocalColTreeRoot"));
  for (const QString& entry : Drive1) {
    next([&] {
      const QString name = entry.left(2);
      if (name.isEmpty()) return;
      const std::optional<win::DriveInfo> drive = win::GetDriveInfo(name.at(0));
      if (!drive) return;
      const QString key = QString(drive->letter) + QStringLiteral(":\\");
      TreeNode node = addParentNode(computer, QString(drive->letter), key,
                                    QStringLiteral("drive") + QString::number(drive->fsoDriveType));
      if (node.IsNothing()) return;
      bool holdsSpecial = false;
      for (const QString& letter : letters) {
        holdsSpecial = holdsSpecial || QString::compare(letter, QString(drive->letter), Qt::CaseInsensitive) == 0;
      }
      if (!holdsSpecial) return;
      const vb::CollectionPtr items = GetLocalFolderContents(node.Key(), QStringLiteral("*.*"));
      if (items) addChildNodes(node, items, false, bDoNotAddFile);
    });
  }
  next([&] { root.SetExpanded(true); });
  next([&] { computer.SetExpanded(true); });
}

QStringList DriveListEntries() {
  QStringList entries;
  for (const QString& root : win::LogicalDrives()) entries.append(root.left(2).toLower());
  return entries;
}

// --- The remote tree ------------------------------------------------------------

bool TreeViewControl::PopulateRemoteTreeView(const QString& formName, UniTreeViewMC* TreeView, bool bColTree,
                                             bool bDontDispMsg, bool bDoNotAddFile) {
  return vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral(" Enter PopulateRemoteTreeView") + formName);
        if (bColTree) {
          setUpImageList(TreeView);
          if (!setRemoteColTreeRoot(TreeView, bDontDispMsg, bDoNotAddFile)) {
            Program().RemoteTreeConnected = false;
            SetMainMousePointer(0);
            return false;
          }
        }
        Program().RemoteTreeConnected = true;
        SetMainMousePointer(0);
        WriteTrace(QStringLiteral(" Exit PopulateRemoteTreeView") + formName);
        return true;
      },
      [&](const vb::ErrorInfo& e) {
        TraceTreeError(e, QStringLiteral("PopulateRemoteTreeView"));
        SetMainMousePointer(0);
        return false;
      });
}

bool TreeViewControl::setRemoteColTreeRoot(UniTreeViewMC* tree, bool bDontDispMsg, bool bDoNotAddFile) {
  return vb::OnErrorGoTo(
      [&] {
        TreeNode root =
            addRootNode(tree, QStringLiteral("My Orvane"), Program().RemoteRootKey, QStringLiteral("tessara"));
        if (root.IsNothing()) return false;
        const bool listed = PopulateRemoteFolder(root, bDontDispMsg, bDoNotAddFile);
        root.SetExpanded(true);
        return listed;
      },
      [&](const vb::ErrorInfo& e) {
        TraceTreeError(e, QStringLiteral("setRemoteColTreeRoot"));
        return false;
      });
}

bool TreeViewControl::PopulateRemoteFolder(const TreeNode& nodeIn, bool bDontDispMsg, bool bDoNotAddFile) {
  return vb::OnErrorGoTo(
      [&] {
        TreeNode node = nodeIn;
        SetMainMousePointer(11);
        if (node.ChildCount() > 0) return false;
        node.SetExpanded(false);
        const QString folder = vb::Trim(KeyReader().GetInfoFromKey(3, node.Key()));
        vb::CollectionPtr items = std::make_shared<vb::Collection>();
        vb::CollectionPtr& snapshots = Items(Program().RemoteSnapshotItems);
        RemoteListingSource* source = RemoteListing();
        const bool listed = source && source->Cont_GetRemoteDirContents(folder, items, snapshots);
        if (listed) {
          addChildNodes(node, items, true, bDoNotAddFile);
        } else if (!bDontDispMsg) {
          const QString reason = source ? source->GetErrorString() : QString();
          MesgBox::Instance().MessageBox(QString::fromUtf16(kMsgFolderContentsFailed) + reason, 0, 0,
                                         Program().AppTitle);
        }
        if (node.ChildCount() == 0) {
          node.SetHasChildren(false);
        } else {
          node.SetHasChildren(true);
          node.SetExpanded(true);
        }
        return listed;
      },
      [&](const vb::ErrorInfo& e) {
        TraceTreeError(e, QStringLiteral("PopulateRemoteFolder"));
        return false;
      });
}

bool TreeViewControl::RefreshTreeNodes(const TreeNode& RefreshNode, bool bRemote, bool bDontDispMsg) {
  WriteTrace(QStringLiteral("Enter RefreshTreeNodes"));
  if (!Program().RemoteTreeConnected) return false;
  Transfer& transfer = gTransfer();
  transfer.Trf_DisableComponent();
  // The picture's own enabled state (the busy window disables everything in it).
  auto waitBoxWanted = [] {
    const MainWindowControls& main = MainWindow();
    return main.Pict_Refresh && !main.Pict_Refresh->testAttribute(Qt::WA_ForceDisabled) &&
           !Program().RestoreRunning;
  };
  const bool boxShown = waitBoxWanted() && MainWindow().ShowWaitBox;
  vb::ResumeNext next;
  if (boxShown) next([&] { MainWindow().ShowWaitBox(QStringLiteral("Refreshing ...")); });
  // The window closing under the listing ends it quietly; the pointer and the
  // window are given back on every way out.
  auto finish = [&] {
    if (boxShown && MainWindow().CloseWaitBox) next([&] { MainWindow().CloseWaitBox(); });
    transfer.Trf_EnableComponent();
  };

  TreeNode node = RefreshNode;
  const bool given = !node.IsNothing();
  if (given) next([&] { node.ClearChildren(); });
  if (IsUnloaded(next.Err())) {
    finish();
    return true;
  }
  next([&] {
    if (bRemote) {
      TreeNode target = node;
      if (!given) {
        UniTreeViewMC* tree = MainWindow().ColumnRemoteTreeView;
        if (!tree) vb::Raise(vb::errObjectVariableNotSet);
        target = tree->NodeAt(1);
      }
      PopulateRemoteFolder(target, bDontDispMsg, false);
    } else {
      PopulateLocalFolder(node, false, false);
    }
  });
  if (IsUnloaded(next.Err())) {
    finish();
    return true;
  }
  if (given) next([&] { node.SetHasChildren(true); });
  if (boxShown && waitBoxWanted() && MainWindow().CloseWaitBox) next([&] { MainWindow().CloseWaitBox(); });
  transfer.Trf_EnableComponent();
  WriteTrace(QStringLiteral("Exit RefreshTreeNodes"));
  return true;
}

}  // namespace OrvaneMac
