#pragma once
// The engine's one shared state.
//
// Every engine object of a thread works on the same variables and class
// singletons: the restore program keeps two controllers (a general one and
// one for restores) and both see one sign-in, one internet session, one
// error text, one set of job flags and one set of counters. Nothing runs
// when the library loads: numbers start at 0, Booleans at false, strings
// empty, object references empty; InitEngine sets the application values and
// each operation sets what it owns. The state is per thread, as it was for
// the apartment-threaded classes; the program uses the engine from its one
// user-interface thread.
//
// Variables keep their legacy names (g + type letter + name) so that a
// reader can follow a value through every operation that touches it.

#include <QString>

#include <cstdint>
#include <memory>

#include "platform/values/Collection.h"
#include "platform/values/Variant.h"

namespace OrvaneSrv {

class Options;
class Transfer;
class Util;
class cBase64;
class clsController;
class clsProgressDisplay;
class WebDavControl;
class clsWebdavController;
class HttpFunctions;
class clsRsyncController;

using Integer = std::int16_t;  // the legacy 16-bit Integer
using Long = std::int32_t;     // the legacy 32-bit Long

// The progress of one restore route (gWebdavProgress, gRsyncProgress): the
// WebDAV download fills every field, the rsync progress parser works in the
// WebDAV record and copies it over, and the call-back bridge reports
// sFileName, sBkStatus, dfileBuff, dFileSize, iFileProg, iTotalProg,
// sTrfRate, engNumber and dTotalBuffer to the restore program. The other
// fields serve the record's writers only. A reset is `record = {}`.
struct ProgressRecord {
  QString sFileName;       // item being transferred, or an activity text
  Long sBkStatus = 0;      // status shown by the progress window (3 for a WebDAV restore)
  double dfileBuff = 0;    // bytes of the current file done
  double dFileSize = 0;    // size of the current file
  double dTotalDone = 0;   // bytes done over the whole set
  QString sTimeElapsed;
  QString sTimeRemaining;
  Integer iFileProg = 0;   // percent of the current file, at most 100
  Integer iTotalProg = 0;  // percent of the whole set, at most 100
  QString sTotalDone;      // bytes done over the set, as decimal text
  QString sTotalSize;      // total bytes of the set, as decimal text
  QString sTrfRate;        // transfer-rate text
  Integer engNumber = 0;   // 0 while preparing, 1 for a transfer
  double dTotalBuffer = 0;  // bytes done over the set, as reported to the program
};

struct EngineState {
  // Application and connection settings.
  QString gsAppWord;
  QString gsAppPath;
  Integer giMode = 0;
  Integer giOsType = 0;
  QString gsMsgBoxTitle;
  bool gbUseSSL = false;
  QString gsRsyncClientExe;
  QString gsTunnelExe;
  QString gsTunnelConf;
  QString gsServerName;
  QString gsProxyName, gsProxyPort, gsProxyUser, gsProxyPass;
  QString gsUserName, gsPassword;
  QString gsAccountRoot;
  QString gsWebdavPort;
  Long glSecureFlags = 0;
  bool gbNonSSLPort = false;

  // Job flags of the current operation.
  bool gbCommonFlag = false;
  bool gbCancelled = false;
  // The user stopped the running job: set with gbCancelled, but only the
  // start of the next job clears it (the WebDAV route clears gbCancelled
  // when it ends).
  bool gbJobStopped = false;
  bool gbRestoreFailed = false;
  bool gbRemoteError = false;
  bool gbErrorShown = false;
  bool gbNeedTotalSize = false;
  bool gbTotalFromRestoreSet = false;
  bool gbWebdavRestore = false;
  bool gbInteractiveRestore = false;
  bool gbHaveEncKey = false;
  QString gsEncKey;
  bool gbCertRevocationFailed = false;
  bool gbListingAtRoot = false;
  QString gsEncPassword;
  QString gsDailyLogName;
  QString gsSessionFile;
  Integer giEchoTouchState = 0;

  // Collections (created empty on first use through Items()).
  vb::CollectionPtr gcolRestoreItems;
  vb::CollectionPtr gcolEnumItems;
  vb::CollectionPtr gcolEnumSnapshots;
  vb::CollectionPtr gcolRemoteDirContent;
  vb::CollectionPtr gcolIncludeItems;
  vb::CollectionPtr gcolEncryptedFiles;
  vb::CollectionPtr gcolSyncData;
  vb::CollectionPtr gcolPostItems;
  vb::CollectionPtr gcolSyncedFilesA, gcolSyncedFilesB;
  vb::CollectionPtr gcolFailedItemsA, gcolFailedItemsB;
  vb::CollectionPtr gcolEngineItems;
  vb::CollectionPtr gcolEnumBackupItems;
  vb::CollectionPtr gcolEnumLocalDirContent;

  // Counters of a restore.
  double gdRestoreSetSize = 0;
  double gdFilesConsidered = 0;
  double gdFilesRestored = 0;
  double gdFilesFailed = 0;
  double gdFilesSkipped = 0;
  double gdSummaryTotal = 0;
  double gdSummarySuccess = 0;
  double gdSummaryFailed = 0;

  // Progress values.
  ProgressRecord gWebdavProgress;
  ProgressRecord gRsyncProgress;
  double gdTotalFileSize = 0;
  double gdTotalDone = 0;
  double gdDownloadedBytes = 0;
  QString gsTimeElapsed, gsTimeRemaining;
  QString gsProgressText;
  float gfStartTime = 0, gfStartTimeRsync = 0;
  float gfPausedTime = 0, gfTimerLast = 0, gfTimerNow = 0, gfTimerSpan = 0;
  double gdTimerSteps = 0;
  Integer giMonitorAnswer = 0;
  double gdPrepTotalBuffer = 0;
  QString gsPrepTransferRate;
  double gdRsyncSecondsLeft = 0;
  QString gsRsyncElapsedText;

  // Working values that belong to one operation's algorithm.
  double gdNodeIndex = 0;
  Long glNextRangeStart = 0;
  bool gbWebdavRestoreOk = false;
  Integer giListingState = 0;
  Integer giRsyncRetryLimit = 0;
  Long glRsyncWaitState = 0;
  float gfRsyncWaitStart = 0;
  bool gbRsyncWaitTimed = false;
  vb::Variant gvRemotePath;
  QString gsWorkFolder;
  Long glTunnelPid = 0;
  QString gsLogTimeText;
  bool gbQuotaFull = false;  // the last quota reading showed the account full

  // Class singletons, created by the first operation that needs one.
  std::shared_ptr<WebDavControl> gWebDavControl;
  std::shared_ptr<clsProgressDisplay> gProgressDisplay;
  std::shared_ptr<HttpFunctions> gHttpFunctions;
  std::shared_ptr<Transfer> gTransfer;
  std::shared_ptr<clsController> gController;
  std::shared_ptr<Options> gOptions;
  std::shared_ptr<Util> gUtil;
  std::shared_ptr<clsWebdavController> gWebdavController;
  std::shared_ptr<clsRsyncController> gRsyncController;
};

// The state of the calling thread.
EngineState& Engine();

// Forgets the calling thread's state and singletons (tests only: the
// engine itself never resets its state).
void ResetEngineForTesting();

// Creates a collection of the state on first use and answers it.
vb::CollectionPtr& Items(vb::CollectionPtr& slot);

// A class singleton of the state: created by the first call, the same
// object afterwards.
template <typename T>
T& Singleton(std::shared_ptr<T>& slot) {
  if (!slot) slot = std::make_shared<T>();
  return *slot;
}

}  // namespace OrvaneSrv
