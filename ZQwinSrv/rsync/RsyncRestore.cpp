// clsRsyncEngine: the restore of a restore item set over rsync. Each folder
// item is listed through the client; its entries and then the file items
// go into file lists ("SerSource.foldersA/B", "SerSource.filesA/B") of at
// most 1000 entries, each handed to client run A or B with the source root
// on the server and the local destination that put the files in place.
// The restore ends with the wait for the last run, the counting and the
// summary lines of the transfer log.
#include <algorithm>
#include <deque>

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/Processes.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/Util.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "ZQwinSrv/rsync/clsRsyncEngine.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

namespace OrvaneSrv {
namespace {

const QString kSnapshotMark = QStringLiteral("/BackUp_nightly.");
const QString kSpecialCharacters =
    QStringLiteral(", Reason : Windows does not allow special characters like \\ / : * ? \" > < | in ");

QString Decimal(double value) { return QString::number(value, 'f', 0); }

// Raised to leave the list building for the end of the restore.
struct RestoreStopped {};

bool IsFolderItem(const QString& item) { return item.startsWith(QStringLiteral("D_")); }

class RestoreRun {
 public:
  RestoreRun(clsRsyncEngine& engine, const QString& user, const QString& password, Integer incremental,
             bool relative, Integer callerOpt2)
      : e_(engine), user_(user), password_(password), incremental_(incremental), relative_(relative),
        callerOpt2_(callerOpt2), temp_(Engine().gsWorkFolder + QStringLiteral("\\ORVANETEMP\\")) {}

  // The item loop, the file phase and the final wait; RestoreStopped when
  // the stop test ends it early.
  void Lists(const QString& destination, bool original);
  // Makes the items' original folders; drops the items whose folder cannot
  // be written. RestoreStopped on a stop.
  void PrepareOriginalFolders();

  double refusedItems = 0;

 private:
  static bool Stopped() {
    const EngineState& g = Engine();
    return g.gbCancelled || g.gbRestoreFailed || !g.gbInteractiveRestore;
  }
  static void StopTest() {
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
  // A file entry: false when its name cannot be held; an encrypted entry
  // is reported and counted as failed.
  bool AcceptFile(const QString& entry, const QString& reported);
  void RefuseEncrypted(const QString& entry);
  void ChangeSourceRoot(const QString& root, const QString& trace, bool noRelative);
  // The item's path after "/Files" without a snapshot's "/BackUp_nightly.<d>/<user>".
  QString OriginalPath(const QString& item) const;

  clsRsyncEngine& e_;
  QString user_, password_;
  Integer incremental_;
  bool relative_;
  Integer callerOpt2_;
  QString temp_;
  QString destination_;

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
    const qsizetype p = folder.indexOf(kSnapshotMark);
    encrypted = IsEncryptedPath(p >= 0 ? folder.mid(p + 18 + user_.size()) : folder);
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
      const qsizetype p = item.indexOf(kSnapshotMark);
      const qsizetype f = item.indexOf(QStringLiteral("/Files/"));
      const QString path = p >= 0 ? item.mid(p + 18 + user_.size()) : f >= 0 ? item.mid(f + 6) : QString();
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

bool RestoreRun::AcceptFile(const QString& entry, const QString& reported) {
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
  Util& util = gUtil();
  for (qsizetype k = 1; k <= n;) {
    StopTest();
    const QString text = Take();
    const QString kind = StripNull(text).left(1);
    QString name, size, modified;
    if (kind == QStringLiteral("d")) {
      util.GetRsycListoutput(text, name, size, modified);
      name = StripNull(name);
      if (name != QStringLiteral(".") && name != QStringLiteral("..") && !name.isEmpty()) {
        // Read ahead: a folder whose content follows is implied by it.
        const QString next = !plain_.empty() ? plain_.front() : !encrypted_.empty() ? encrypted_.front() : QString();
        if (!next.isEmpty()) {
          QString s, m;
          util.GetRsycListoutput(next, lastName_, s, m);
          lastName_ = StripNull(lastName_);
        }
        const bool implied = (lastName_ + u'/').startsWith(name + u'/') && lastName_ != name;
        if (!implied && !isEncrypted_) {
          Append(u'/' + folderName_ + name + u'/');
          count_ += 1;
        }
      }
    } else if (kind == QStringLiteral("-")) {
      util.GetRsycListoutput(text, name, size, modified);
      const QString entry = u'/' + folderName_ + vb::LTrim(StripNull(name));
      StopTest();
      vb::DoEvents();
      AcceptFile(entry, entry);
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
  const qsizetype p = path.indexOf(kSnapshotMark);
  if (p >= 0) path = path.left(p) + path.mid(p + 18 + user_.size());
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
  const qsizetype p = F.indexOf(kSnapshotMark);
  if (original) {
    // Entries are relative to the folder itself, which is the source root.
    folderName_.clear();
    QString root = p >= 0 ? F.mid(p + 19 + user_.size()) : F.mid(1);
    if (root.endsWith(u'/')) root.chop(1);
    sourceRoot_ = p >= 0 ? F.mid(p + 16, 1) + QStringLiteral("\"/") + root + u'"' : QStringLiteral("\"/") + root + u'"';
  } else {
    const QString trimmed = F.endsWith(u'/') ? F.chopped(1) : F;
    const qsizetype slash = trimmed.lastIndexOf(u'/');
    folderName_ = trimmed.mid(slash + 1) + u'/';
    QString parent = slash > 0 ? trimmed.left(slash) : QString();
    if (relative_) parent.clear();
    if (p >= 0 && !parent.isEmpty()) {
      sourceRoot_ = parent.mid(p + 16, 1) + QStringLiteral("\"/") + parent.mid(p + 19 + user_.size()) + u'"';
    } else if (p >= 0) {
      sourceRoot_ = F.mid(p + 16, 1) + QStringLiteral("\"/") + F.mid(p + 19 + user_.size()) + u'"';
      folderName_.clear();
    } else {
      sourceRoot_ = u'"' + parent + u'"';
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

  if (lines.size() >= 2) FolderLists(lines, item.mid(2), lastItem);
  StopTest();
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
      const qsizetype p = entry.indexOf(kSnapshotMark);
      const QString line = p >= 0 ? u'/' + entry.mid(p + 19 + user_.size()) : entry;
      ChangeSourceRoot(p >= 0 ? entry.mid(p + 16, 1) + QStringLiteral("\"/\"") : QStringLiteral("\"/\""), trace,
                       true);
      AcceptFile(line, entry);
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
  const QString trace = QStringLiteral("Created Filelist for ");
  for (qsizetype i = 1; i <= group.size(); ++i) {
    const QString& item = group.at(i - 1);
    if (item.startsWith(QStringLiteral("F_"))) {
      ChooseLists(QStringLiteral("files"));
      // The path below the drive folder, and the module it is read from.
      const QString path = OriginalPath(item);
      const QString entry = u'/' + path.mid(3);
      const qsizetype p = item.indexOf(kSnapshotMark);
      const QString root = (p >= 0 ? item.mid(p + 16, 1) : QString()) + QStringLiteral("\"/") + drive + u'"';
      ChangeSourceRoot(root, trace, false);
      AcceptFile(entry, entry);
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

void RestoreRun::Lists(const QString& destination, bool original) {
  EngineState& g = Engine();
  vb::CollectionPtr& items = Items(g.gcolRestoreItems);
  qsizetype index = 0;
  lastCall = false;
  do {
    if (lastCall && index >= 1 && index <= items->Count() && IsFolderItem(items->Item(index).ToString()))
      items->Remove(index);
    else
      index += 1;
    if (index > items->Count()) break;
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
      run.Lists(destination, bRestoreOriginal);
    } catch (const RestoreStopped&) {
      WriteTrace(QStringLiteral("Restore stopped"));
    }

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
