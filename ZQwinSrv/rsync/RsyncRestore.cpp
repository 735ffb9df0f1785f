// clsRsyncEngine: the restore of a restore item set over rsync. Each folder
// item is listed through the client; its entries and then the file items
// go into file lists ("SerSource.foldersA/B", "SerSource.filesA/B") of at
// most 1000 entries, each handed to client run A or B with the source root
// on the server and the local destination that put the files in place.
// The restore ends with the wait for the last run, the counting and the
// summary lines of the transfer log.
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <deque>

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/Processes.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/Util.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/rsync/SnapshotPaths.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "ZQwinSrv/rsync/clsRsyncEngine.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/WinPath.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

namespace OrvaneSrv {
namespace {

const QString kSpecialCharacters =
    QStringLiteral(", Reason : Windows does not allow special characters like \\ / : * ? \" > < | in ");

QString Decimal(double value) { return QString::number(value, 'f', 0); }

// Raised to leave the list building for the end of the restore.
struct RestoreStopped {};

bool IsFolderItem(const QString& item) { return item.startsWith(QStringLiteral("D_")); }

// The path of a listing line's entry: what follows its permissions, size,
// date and time fields and the one blank after them, as it stands (a name
// may begin with a blank).
QString ListingName(const QString& line) {
  const QString text = StripNull(line);
  qsizetype i = 0;
  const qsizetype n = text.size();
  for (int field = 0; field < 4; ++field) {
    while (i < n && text.at(i) == u' ') ++i;
    while (i < n && text.at(i) != u' ') ++i;
  }
  return i < n ? text.mid(i + 1) : QString();
}

class RestoreRun {
 public:
  RestoreRun(clsRsyncEngine& engine, const QString& user, const QString& password, Integer incremental,
             bool relative, Integer callerOpt2)
      : e_(engine), user_(user), password_(password), incremental_(incremental), relative_(relative),
        callerOpt2_(callerOpt2), temp_(Engine().gsWorkFolder + QStringLiteral("\\ORVANETEMP\\")) {}

  // The item loop, the file phase and the final wait into `localRoot`
  // (the destination folder in Windows form); RestoreStopped when the stop
  // test ends it early.
  void Lists(const QString& destination, const QString& localRoot, bool original);
  // Takes the folder items whose every list ended well out of the set: what
  // is left is what a fall-back restores.
  void ReleaseRestoredFolders();
  // Makes the items' original folders; drops the items whose folder cannot
  // be written. RestoreStopped on a stop.
  void PrepareOriginalFolders();

  double refusedItems = 0;

 private:
  bool Stopped() const {
    const EngineState& g = Engine();
    return g.gbCancelled || g.gbRestoreFailed || !g.gbInteractiveRestore || !e_.sRouteStopped.isEmpty();
  }
  void StopTest() const {
    if (Stopped()) throw RestoreStopped{};
  }
  static void PreparingFileList() {
    gProgressDisplay().PrepMonitorCall(1, QString(), QStringLiteral("Preparing file list"));
  }

  QString Take();
  void ChooseLists(const QString& kind);
  void Append(const QString& entry);
  void HandOver(const QString& trace, bool noRelative);
  void QueueLines(const QStringList& lines, const QString& folder);
  void QueueFileItems();
  bool IsEncryptedPath(const QString& path) const;
  void FolderItem(const QString& item, bool lastItem, bool original);
  void FolderLists(const QStringList& lines, const QString& itemPath, bool lastItem);
  void FileLists();
  void FileItemsByDrive();
  void FlushDrive(const QStringList& group, const QString& drive);
  // A file entry: false when its name cannot be held or the user's own
  // file or folder stands in its place (`relative`: its path below the
  // local root); an encrypted entry is reported and counted as failed.
  bool AcceptFile(const QString& entry, const QString& reported, const QString& relative);
  // Whether a user's file stands where a folder of `relative` (below the
  // local root) goes, or, for a file (`folder` false), a user's folder
  // where the file goes: rsync would delete the user's item to make way.
  // Such an entry is reported and left out; the user's item stays.
  bool InTheWay(const QString& entry, const QString& relative, bool folder);
  // 0 nothing, 1 a folder, 2 anything else at a host path (cached).
  int LocalKind(const QString& hostPath);
  void RefuseEncrypted(const QString& entry);
  void ChangeSourceRoot(const QString& root, const QString& trace, bool noRelative);
  // The item's path after "/Files" without a snapshot's "/BackUp_nightly.<d>/<user>".
  QString OriginalPath(const QString& item) const;
  void SetLocalRoot(const QString& root);

  clsRsyncEngine& e_;
  QString user_, password_;
  Integer incremental_;
  bool relative_;
  Integer callerOpt2_;
  QString temp_;
  QString destination_;
  QString localRoot_;      // the destination of the lists being built, Windows form
  QString localRootHost_;  // the same as a host path
  QHash<QString, int> localKinds_;
  QString item_;           // the folder item whose lists are built ("" for file lists)
  QHash<QString, int> handed_;  // lists handed over per folder item
  QStringList listedFolders_;   // folder items listed well, all their lists handed over

  std::deque<QString> plain_, encrypted_;
  bool isEncrypted_ = false;
  bool plainUsedUp_ = false;
  QString first_, second_;
  QString buffer1_, buffer2_;
  Long limit_ = 1000;
  Long count_ = 0;
  QString folderName_;
  QString sourceRoot_;
  QString lastName_;  // the read-ahead name kept when both queues are empty
  Long itemCounter_ = 0;
  Long folderCount_ = 0;

 public:
  bool lastCall = false;
};

QString RestoreRun::Take() {
  QString text;
  if (!plain_.empty()) {
    text = plain_.front();
    plain_.pop_front();
    isEncrypted_ = false;
  } else if (!encrypted_.empty()) {
    text = encrypted_.front();
    encrypted_.pop_front();
    isEncrypted_ = true;
  }
  if (plain_.empty()) plainUsedUp_ = true;
  return text;
}

void RestoreRun::ChooseLists(const QString& kind) {
  if (e_.EngineA.iBusy == 0) {
    first_ = temp_ + QStringLiteral("SerSource.") + kind + u'A';
    if (e_.EngineB.iBusy == 0) {
      second_ = temp_ + QStringLiteral("SerSource.") + kind + u'B';
      limit_ = 2000;
    }
  } else if (e_.EngineB.iBusy == 0) {
    first_ = temp_ + QStringLiteral("SerSource.") + kind + u'B';
  }
}

void RestoreRun::Append(const QString& entry) {
  if (second_.isEmpty() || count_ % 2 == 0)
    buffer1_ += entry + u'\n';
  else
    buffer2_ += entry + u'\n';
}

void RestoreRun::HandOver(const QString& trace, bool noRelative) {
  WriteTrace(trace);
  Options& o = gOptions();
  auto start = [&](const QString& list) {
    if (list.isEmpty() || !win::FileExists(list)) return;
    EngineParams& run = list.right(1).compare(QStringLiteral("a"), Qt::CaseInsensitive) == 0 ? e_.EngineA : e_.EngineB;
    run.bUseOption5 = isEncrypted_;
    // The list's own result decides whether its folder item leaves the set.
    e_.sPendingItem = item_;
    if (!item_.isEmpty()) handed_[item_] += 1;
    lastCall = e_.Cont_CallRsyncEngine(user_, password_, list, destination_, incremental_, true, relative_,
                                       callerOpt2_, noRelative, QString(), false, false, sourceRoot_, QString(),
                                       isEncrypted_, false);
  };
  if (!second_.isEmpty()) {
    o.Writeintofile(second_, buffer2_, true);
    buffer2_.clear();
    if (!first_.isEmpty()) o.Writeintofile(first_, buffer1_, true);
    buffer1_.clear();
    start(first_);
    start(second_);
    second_.clear();
    limit_ = 1000;
  } else {
    if (!first_.isEmpty()) o.Writeintofile(first_, buffer1_, true);
    buffer1_.clear();
    start(first_);
  }
}

bool RestoreRun::IsEncryptedPath(const QString& path) const {
  return path.startsWith(QStringLiteral("/Encrypted_Data/"), Qt::CaseInsensitive);
}

void RestoreRun::QueueLines(const QStringList& lines, const QString& folder) {
  plainUsedUp_ = false;
  bool encrypted = false;
  if (Engine().gbHaveEncKey) {
    const qsizetype p = SnapshotMark(folder);
    encrypted = IsEncryptedPath(p >= 0 ? SnapshotRest(folder, p, user_) : folder);
  }
  for (const QString& line : lines) {
    if (vb::Trim(line).isEmpty()) continue;
    const QString kind = StripNull(line).left(1);
    if (kind != QStringLiteral("d") && kind != QStringLiteral("-")) continue;
    (encrypted ? encrypted_ : plain_).push_back(line);
  }
}

void RestoreRun::QueueFileItems() {
  plain_.clear();
  encrypted_.clear();
  plainUsedUp_ = false;
  const bool key = Engine().gbHaveEncKey;
  for (const vb::Variant& v : *Items(Engine().gcolRestoreItems)) {
    const QString item = v.ToString();
    if (vb::Trim(item).isEmpty()) continue;
    bool encrypted = false;
    if (key) {
      const qsizetype p = SnapshotMark(item);
      const qsizetype f = item.indexOf(QStringLiteral("/Files/"));
      const QString path = p >= 0 ? SnapshotRest(item, p, user_) : f >= 0 ? item.mid(f + 6) : QString();
      encrypted = IsEncryptedPath(path);
    }
    (encrypted ? encrypted_ : plain_).push_back(item);
  }
}

void RestoreRun::RefuseEncrypted(const QString& entry) {
  WriteTransferLog(QStringLiteral("Unable to restore file My Orvane") + entry +
                       QStringLiteral(". Reason: Decryption of the encrypted folder is not available in this "
                                      "version, restore it without the private key."),
                   2);
  Engine().gdFilesConsidered += 1;
  refusedItems += 1;
}

void RestoreRun::SetLocalRoot(const QString& root) {
  localRoot_ = root;
  while (localRoot_.endsWith(u'\\')) localRoot_.chop(1);
  localRootHost_ = root.isEmpty() ? QString() : win::ToHostPath(root);
}

int RestoreRun::LocalKind(const QString& hostPath) {
  const auto known = localKinds_.constFind(hostPath);
  if (known != localKinds_.constEnd()) return *known;
  const QFileInfo info(hostPath);
  const int kind = !info.exists() && !info.isSymLink() ? 0 : info.isDir() ? 1 : 2;
  localKinds_.insert(hostPath, kind);
  return kind;
}

bool RestoreRun::InTheWay(const QString& entry, const QString& relative, bool folder) {
  if (localRootHost_.isEmpty()) return false;
  const QStringList names = relative.split(u'/', Qt::SkipEmptyParts);
  QString host = localRootHost_;
  QString local = localRoot_;
  for (qsizetype i = 0; i < names.size(); ++i) {
    // Exactly as rsync will write it: names of another case are other names here.
    host += u'/' + names.at(i);
    local += u'\\' + names.at(i);
    const int kind = LocalKind(host);
    if (kind == 0) return false;  // nothing there, nor below it
    const bool last = i == names.size() - 1;
    QString reason;
    if ((!last || folder) && kind != 1)
      reason = vb::ErrorText(vb::errFileAlreadyExists) + QStringLiteral(" (") + local + u')';
    else if (last && !folder && kind == 1)
      reason = QStringLiteral("A folder of that name exists (") + local + u')';
    if (reason.isEmpty()) continue;
    QString target = localRoot_ + u'\\' + relative;
    target.replace(u'/', u'\\');
    if (target.endsWith(u'\\')) target.chop(1);
    WriteTransferLog(QStringLiteral("Unable to restore ") + (folder ? QStringLiteral("folder") : QStringLiteral("file")) +
                         QStringLiteral(" My Orvane") + entry + QStringLiteral(" <To> ") + target +
                         QStringLiteral(". Reason: ") + reason,
                     2);
    return true;
  }
  return false;
}

bool RestoreRun::AcceptFile(const QString& entry, const QString& reported, const QString& relative) {
  // Only the forbidden characters refuse a name here: the line feed that
  // goes along keeps reserved names listed like any other.
  const QString name = entry.mid(entry.lastIndexOf(u'/') + 1) + u'\n';
  if (!gUtil().ValidateFileName(name, true)) {
    WriteTransferLog(QStringLiteral("Could not restore the file My Orvane") + reported + kSpecialCharacters +
                         QStringLiteral("file name"),
                     0);
    // A refused file counts as considered and failed: the summary must not
    // call the restore successful.
    Engine().gdFilesConsidered += 1;
    refusedItems += 1;
    return false;
  }
  if (isEncrypted_) {
    RefuseEncrypted(reported);
    return false;
  }
  if (InTheWay(reported, relative, false)) {
    Engine().gdFilesConsidered += 1;
    refusedItems += 1;
    return false;
  }
  Append(entry);
  // The window stays alive through the pumped messages; a sleep here would
  // cost a millisecond for every third file of a restore.
  if (count_ % 3 == 0) PreparingFileList();
  count_ += 1;
  Engine().gdFilesConsidered += 1;
  return true;
}

// A list is read from one module: entries of another source root go into
// a list of their own.
void RestoreRun::ChangeSourceRoot(const QString& root, const QString& trace, bool noRelative) {
  if (count_ > 0 && root != sourceRoot_) {
    HandOver(trace + Decimal(count_) + QStringLiteral(" files"), noRelative);
    StopTest();
    ChooseLists(QStringLiteral("files"));
    count_ = 0;
  }
  sourceRoot_ = root;
}

void RestoreRun::FolderLists(const QStringList& lines, const QString& itemPath, bool lastItem) {
  const qsizetype n = lines.size() - 1;
  if (n <= 0) return;
  for (qsizetype k = 1; k <= n;) {
    StopTest();
    const QString text = Take();
    const QString kind = StripNull(text).left(1);
    if (kind == QStringLiteral("d")) {
      const QString name = ListingName(text);
      if (name != QStringLiteral(".") && name != QStringLiteral("..") && !name.isEmpty()) {
        // Read ahead: a folder whose content follows is implied by it.
        const QString next = !plain_.empty() ? plain_.front() : !encrypted_.empty() ? encrypted_.front() : QString();
        if (!next.isEmpty()) lastName_ = ListingName(next);
        const bool implied = (lastName_ + u'/').startsWith(name + u'/') && lastName_ != name;
        const QString entry = u'/' + folderName_ + name + u'/';
        if (!implied && !isEncrypted_ && !InTheWay(entry, entry.mid(1), true)) {
          Append(entry);
          count_ += 1;
        }
      }
    } else if (kind == QStringLiteral("-")) {
      const QString entry = u'/' + folderName_ + ListingName(text);
      StopTest();
      vb::DoEvents();
      AcceptFile(entry, entry, entry.mid(1));
    }
    k += 1;
    if (count_ > 0 && (k >= n || count_ == limit_ || (plainUsedUp_ && !isEncrypted_))) {
      HandOver(QStringLiteral("Finished enumerating ") + Decimal(count_) + QStringLiteral(" files for ") + itemPath,
               false);
      if (lastItem && k >= n) Engine().gbTotalFromRestoreSet = true;
      StopTest();
      ChooseLists(QStringLiteral("folders"));
      count_ = 0;
    }
  }
}

QString RestoreRun::OriginalPath(const QString& item) const {
  const qsizetype f = item.indexOf(QStringLiteral("/Files/"));
  QString path = f >= 0 ? item.mid(f + 6) : item.mid(2);
  const qsizetype p = SnapshotMark(path);
  if (p >= 0) path = path.left(p) + SnapshotRest(path, p, user_);
  return path;
}

void RestoreRun::FolderItem(const QString& item, bool lastItem, bool original) {
  EngineState& g = Engine();
  gTransfer().Trf_ClearEnumRemoteDirContent();
  const qsizetype f = item.indexOf(QStringLiteral("/Files/"));
  QString F = f >= 0 ? item.mid(f + 6) : item.mid(5);
  e_.iEnumRetryCount = 0;
  if (!gUtil().ValidateFileFolderName(F, true)) {
    WriteTransferLog(QStringLiteral("Could not restore the folder My Orvane/") + GetRemotePath(item.mid(2)) +
                         kSpecialCharacters + QStringLiteral("folder name"),
                     0);
    refusedItems += 1;
    return;
  }
  lastCall = e_.Rsync_EnumerateFolder(g.gsWorkFolder, user_, F, QString());

  if (folderCount_ <= 1) {
    for (const vb::Variant& v : *Items(g.gcolRestoreItems)) {
      if (IsFolderItem(v.ToString())) folderCount_ += 1;
      if (folderCount_ > 1) break;
    }
  }
  g.gbTotalFromRestoreSet = folderCount_ == 1;
  plainUsedUp_ = false;

  if (!lastCall) {
    WriteTransferLog(QStringLiteral("Error fetching directory contents for ") + F, 0);
    if (g.giMode == 0) gTransfer().Trf_WriteUserProfile(QStringLiteral("DESKNOTIFYICON"), QStringLiteral("1"));
    e_.EngineA.bGaveUp = true;
    return;
  }

  QStringList lines;
  const QString outputLog = temp_ + QStringLiteral("outputlog.txt");
  if (win::FileExists(outputLog)) {
    const QString text = FromUtf8(win::ReadAllBytes(outputLog));
    if (!text.isEmpty()) lines = text.split(u'\n');
  }
  QueueLines(lines, F);
  vb::DoEvents();
  ChooseLists(QStringLiteral("folders"));

  // The source root on the server and the folder's own name in the entries.
  // A snapshot's folder is read from the snapshot's module, whose root is
  // the snapshot's user folder: the path below that folder decides.
  const qsizetype p = SnapshotMark(F);
  const QString module = p >= 0 ? SnapshotDigit(F, p) : QString();
  const QString below = p >= 0 ? SnapshotRest(F, p, user_) : F;
  if (original) {
    // Entries are relative to the folder itself, which is the source root.
    folderName_.clear();
    QString root = below.mid(1);
    if (root.endsWith(u'/')) root.chop(1);
    sourceRoot_ = module + QStringLiteral("\"/") + root + u'"';
    QString local = OriginalPath(item).replace(u'/', u'\\');
    if (local.startsWith(u'\\')) local.remove(0, 1);
    SetLocalRoot(local.isEmpty() ? QString() : local.left(1) + u':' + local.mid(1));
  } else {
    const QString trimmed = below.endsWith(u'/') ? below.chopped(1) : below;
    const qsizetype slash = trimmed.lastIndexOf(u'/');
    if (p >= 0 && trimmed.isEmpty()) {
      // The snapshot's user folder (or the snapshot itself): the module's
      // root, whose entries are its content.
      folderName_.clear();
      sourceRoot_ = module + QStringLiteral("\"/\"");
    } else {
      folderName_ = trimmed.mid(slash + 1) + u'/';
      QString parent = slash > 0 ? trimmed.left(slash) : QString();
      if (relative_) parent.clear();
      sourceRoot_ = p >= 0 ? module + QStringLiteral("\"/") + parent.mid(1) + u'"' : u'"' + parent + u'"';
    }
  }

  for (qsizetype i = lines.size() - 1; i >= 0; --i) {
    const QString& line = lines.at(i);
    if (!line.contains(QStringLiteral("Total file size:"))) continue;
    QString total = line.mid(16);
    total = vb::Trim(total.left(std::max<qsizetype>(0, total.size() - 6)));
    if (!total.isEmpty()) g.gdRestoreSetSize += vb::Val(total);
    break;
  }

  item_ = item;
  if (lines.size() >= 2) FolderLists(lines, item.mid(2), lastItem);
  item_.clear();
  StopTest();
  listedFolders_ << item;
}

void RestoreRun::FileLists() {
  const qsizetype total = Items(Engine().gcolRestoreItems)->Count();
  const QString trace = QStringLiteral("Created Filelist for ");
  for (qsizetype pass = 1; pass <= total; ++pass) {
    const QString text = Take();
    if (text.startsWith(QStringLiteral("F_"))) {
      ChooseLists(QStringLiteral("files"));
      const QString body = text.mid(2);
      const QString entry = u'/' + body.mid(body.indexOf(QStringLiteral("/Files/")) + 7);
      const qsizetype p = SnapshotMark(entry);
      const QString line = p >= 0 ? SnapshotRest(entry, p, user_) : entry;
      ChangeSourceRoot(p >= 0 ? SnapshotDigit(entry, p) + QStringLiteral("\"/\"") : QStringLiteral("\"/\""), trace,
                       true);
      // The file goes straight into the destination folder.
      AcceptFile(line, entry, line.mid(line.lastIndexOf(u'/') + 1));
    }
    if (count_ > 0 && (pass == total || count_ == limit_ || (plainUsedUp_ && !isEncrypted_))) {
      HandOver(trace + Decimal(count_) + QStringLiteral(" files"), true);
      StopTest();
      count_ = 0;
    }
    StopTest();
  }
}

void RestoreRun::FlushDrive(const QStringList& group, const QString& drive) {
  destination_ = QStringLiteral(" \"/cygdrive/") + drive + QStringLiteral("/\"");
  SetLocalRoot(drive + QStringLiteral(":\\"));
  const QString trace = QStringLiteral("Created Filelist for ");
  for (qsizetype i = 1; i <= group.size(); ++i) {
    const QString& item = group.at(i - 1);
    if (item.startsWith(QStringLiteral("F_"))) {
      ChooseLists(QStringLiteral("files"));
      // The path below the drive folder, and the module it is read from.
      const QString path = OriginalPath(item);
      const QString entry = u'/' + path.mid(3);
      const qsizetype p = SnapshotMark(item);
      const QString root = (p >= 0 ? SnapshotDigit(item, p) : QString()) + QStringLiteral("\"/") + drive + u'"';
      ChangeSourceRoot(root, trace, false);
      AcceptFile(entry, entry, entry.mid(1));
    }
    // The queues are read ahead of the groups, so the plain queue is used
    // up for the whole last group: a group ends at its size or the limit.
    if (count_ > 0 && (i == group.size() || count_ == limit_)) {
      HandOver(trace + Decimal(count_) + QStringLiteral(" files"), false);
      StopTest();
      count_ = 0;
    }
  }
}

void RestoreRun::FileItemsByDrive() {
  const qsizetype total = Items(Engine().gcolRestoreItems)->Count();
  if (total == 0) return;
  QueueFileItems();
  auto driveOf = [&](const QString& item) { return vb::Trim(OriginalPath(item)).mid(1, 1).toUpper(); };
  QString text = Take();
  QString drive = driveOf(text);
  QStringList group;
  for (qsizetype pass = 1; pass <= total; ++pass) {
    if (driveOf(text).compare(drive, Qt::CaseInsensitive) == 0) {
      group << text;
      if (pass == total || (plainUsedUp_ && !isEncrypted_)) {
        FlushDrive(group, drive);
        group.clear();
      }
      text = Take();
    } else {
      FlushDrive(group, drive);
      group.clear();
      drive = driveOf(text);
      --pass;
    }
    StopTest();
  }
  if (!group.isEmpty()) FlushDrive(group, drive);
}

void RestoreRun::PrepareOriginalFolders() {
  EngineState& g = Engine();
  const QString activated = QStringLiteral("Restore to original destination is activated.");
  WriteTrace(activated);
  WriteTransferLog(activated, 0);
  vb::CollectionPtr& items = Items(g.gcolRestoreItems);
  for (qsizetype i = 1; i <= items->Count(); ++i) {
    const QString item = items->Item(i).ToString();
    QString local = OriginalPath(item).replace(u'/', u'\\');
    if (local.startsWith(u'\\')) local.remove(0, 1);
    if (!local.isEmpty()) local = local.left(1) + u':' + local.mid(1);
    const QStringList parts = local.split(u'\\');
    const qsizetype last = item.startsWith(QStringLiteral("D_"))   ? parts.size() - 1
                           : item.startsWith(QStringLiteral("F_")) ? parts.size() - 2
                                                                   : 0;
    QString folder;
    for (qsizetype j = 0; j <= last && j < parts.size(); ++j) {
      if (vb::Trim(parts.at(j)).isEmpty()) continue;
      folder += parts.at(j) + u'\\';
      if (win::FolderExists(folder)) {
        if (!gUtil().CheckForWriteAccessPermission(folder)) {
          const QString line = QStringLiteral("Unable to continue the restore operation for '") + local +
                               QStringLiteral("'. Make sure that the disk (location : '") + folder +
                               QStringLiteral("') is not full or write protected.");
          WriteTrace(line);
          WriteTransferLog(line, 0);
          g.gbErrorShown = true;
          items->Remove(i);
          --i;
          break;
        }
      } else {
        vb::ResumeNext next;
        next([&] { win::CreateFolder(folder); });
      }
    }
    PreparingFileList();
    StopTest();
  }
}

void RestoreRun::Lists(const QString& destination, const QString& localRoot, bool original) {
  EngineState& g = Engine();
  vb::CollectionPtr& items = Items(g.gcolRestoreItems);
  qsizetype index = 0;
  lastCall = false;
  // A folder item stays in the set while its lists run: the result of a
  // hand-over may be another folder's run (ReleaseRestoredFolders).
  do {
    index += 1;
    if (index > items->Count()) break;
    SetLocalRoot(localRoot);
    const QString item = items->Item(index).ToString();
    destination_ = destination;
    if (original && IsFolderItem(item))
      destination_ = QStringLiteral(" \"/cygdrive") + OriginalPath(item) + u'"';
    second_.clear();
    itemCounter_ += 1;
    if (itemCounter_ >= 50000) itemCounter_ = 0;
    if (itemCounter_ % 100 == 0) PreparingFileList();
    StopTest();
    if (IsFolderItem(item)) FolderItem(item, index == items->Count(), original);
  } while (index < items->Count());

  // The file items, after the last folder item.
  second_.clear();
  limit_ = 1000;
  g.gbTotalFromRestoreSet = true;
  plain_.clear();
  encrypted_.clear();
  count_ = 0;
  destination_ = destination;
  SetLocalRoot(localRoot);
  if (original) {
    FileItemsByDrive();
  } else if (items->Count() > 0) {
    QueueFileItems();
    FileLists();
  }
  plain_.clear();
  encrypted_.clear();
  // Every hand-over returns with at most one run still going.
  if (e_.EngineA.iBusy == 1 || e_.EngineB.iBusy == 1) {
    (void)e_.Cont_CallRsyncEngine(user_, password_, QString(), destination_, incremental_, true, relative_,
                                  callerOpt2_, false, QString(), true, false, QString(), QString(), isEncrypted_,
                                  false);
  }
}

void RestoreRun::ReleaseRestoredFolders() {
  vb::CollectionPtr& items = Items(Engine().gcolRestoreItems);
  for (const QString& folder : listedFolders_) {
    if (e_.colGoodLists.value(folder) != handed_.value(folder)) continue;
    for (qsizetype i = 1; i <= items->Count(); ++i) {
      if (items->Item(i).ToString() == folder) {
        items->Remove(i);
        break;
      }
    }
  }
  listedFolders_.clear();
}

}  // namespace

bool clsRsyncEngine::Cont_CallRsyncRestore(const QString& sUser, const QString& sPassword,
                                           const QString& sDestination, bool bIncremental, Integer /*iCallerOpt*/,
                                           Integer bRelative, Integer iCallerOpt2, bool bRestoreOriginalArg) {
  EngineState& g = Engine();
  bRestoreOriginal = bRestoreOriginalArg;
  WriteTrace(QStringLiteral("Enter Cont_Call...Restore"));
  bool result = true;
  try {
    Clear_RsyncDisplayParameters();
    g.gfStartTime = vb::Timer();
    g.gfStartTimeRsync = g.gfStartTime;
    ResetEngineValues(true);
    g.giRsyncRetryLimit = 16;
    asStatsMsg = {};
    asStatsRestMsg = {};
    Controller().GetStatsRestMsg(true);
    Controller().Cont_TempFolder(QStringLiteral("ADD"), sUser, sPassword);
    // The client reads the password from the work folder: without it no
    // listing or run can work, and the route says so at once.
    const QString passwordFile =
        g.gsWorkFolder + QStringLiteral("\\ORVANETEMP\\") + vb::Trim(sUser) + QStringLiteral(".txt");
    if (IsSafeWorkFileUser(sUser) && !win::FileExists(passwordFile))
      StopRoute(QStringLiteral("Unable to create the work folder ") + g.gsWorkFolder + QStringLiteral("\\ORVANETEMP"));

    RestoreRun run(*this, sUser, sPassword, bIncremental ? Integer(-1) : Integer(0), bRelative != 0, iCallerOpt2);
    QString destination;
    try {
      if (bRestoreOriginal) {
        run.PrepareOriginalFolders();
      } else {
        g.gbErrorShown = false;
        if (!gUtil().CheckForWriteAccessPermission(sDestination)) {
          WriteTrace(QStringLiteral(
              "Unable to continue the restore operation, make sure, disk is not full or write protected"));
          if (sDestination.size() == 3)
            WriteTransferLog(QStringLiteral("Unable to continue the restore operation, make sure, disk is not full "
                                            "or write protected "),
                             0);
          else
            WriteTransferLog(QStringLiteral("Unable to continue the restore operation, check the permissions of "
                                            "the destination folder : ") +
                                 sDestination,
                             0);
          g.gbErrorShown = true;
          g.gbRestoreFailed = true;
        }
        destination = QStringLiteral(" \"") + Cont_GetCygdrivepath(sDestination, false) + u'"';
      }
      run.Lists(destination, bRestoreOriginal ? QString() : sDestination, bRestoreOriginal);
    } catch (const RestoreStopped&) {
      WriteTrace(QStringLiteral("Restore stopped"));
    }
    run.ReleaseRestoredFolders();

    if (!g.gbRestoreFailed) {
      double restored = EngineA.dFilesRestored + EngineB.dFilesRestored;
      const double failed = EngineA.dFailedFiles + EngineB.dFailedFiles + run.refusedItems;
      const double considered = g.gdFilesConsidered;
      if (restored > considered) restored = considered - failed;
      g.gdFilesRestored = restored;
      g.gdSummaryTotal = considered;
      g.gdSummarySuccess = restored;
      g.gdSummaryFailed = failed;
      if (!g.gbCancelled && (EngineA.bGaveUp || EngineB.bGaveUp)) {
        result = false;
      } else {
        const bool plain = !g.gbCancelled && !g.gbRemoteError;
        if (plain) {
          WriteTransferLog(QStringLiteral("Number of files considered for restore: ") + Decimal(considered) +
                               QStringLiteral(" file(s)"),
                           0);
          WriteTransferLog(QStringLiteral("Number of files found to be in sync: ") +
                               Decimal(std::max(0.0, considered - restored - failed)) + QStringLiteral(" file(s)"),
                           0);
        }
        WriteTransferLog(QStringLiteral("Number of files restored now: ") + Decimal(restored) +
                             QStringLiteral(" file(s)"),
                         0);
        if (failed > 0)
          WriteTransferLog(QStringLiteral("Number of files failed to restore: ") + Decimal(failed) +
                               QStringLiteral(" file(s)") +
                               QStringLiteral(" (For details check the 'Error:' message in the log messages above.)"),
                           0);
        if (failed == 0 && plain) WriteTransferLog(QStringLiteral("Successfully completed restore."), 0);
        if (g.gbCancelled) WriteTransferLog(QStringLiteral("Operation Canceled by user."), 0);
        // Files that were not restored make the restore a failed one, as on
        // the WebDAV route: the route itself ran to its end, so the files
        // are not tried again over WebDAV, and the lines above name them.
        if (failed > 0 && !g.gbCancelled) {
          gWebDavControl().dav_seterrorstring(QStringLiteral("Number of files failed to restore: ") + Decimal(failed) +
                                             QStringLiteral(" file(s)"));
          g.gbRestoreFailed = true;
          g.gbErrorShown = true;
        }
      }
    }

    vb::ResumeNext next;
    next([&] { Controller().Cont_TempFolder(QStringLiteral("DELETE"), sUser, sPassword); });
    // Every process of the tunnel program.
    next([&] {
      for (int i = 0; i < 8 && IsExeRunning(g.gsTunnelExe, true, 0); ++i) {
      }
    });
    next([&] { ResetEngineValues(false); });
    WriteTrace(QStringLiteral("Exit Cont_Call...Restore with ") + (result ? QStringLiteral("True") : QStringLiteral("False")));
    return result;
  } catch (const vb::RuntimeError& e) {
    vb::ResumeNext next;
    next([&] { ResetEngineValues(false); });
    WriteTrace(QStringLiteral("Exit Cont_Call...Restore with Error") + QString::number(e.Number()) + u' ' +
               e.Description());
    return false;
  }
}

}  // namespace OrvaneSrv
