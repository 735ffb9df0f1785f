#pragma once
// clsRsyncEngine: the two client runs A and B of an rsync restore.
//
// The client is never started directly: for each run the engine writes the
// client's command line into a one-line batch file and its real arguments
// into an argument list, and starts redirect.exe, which runs the batch file
// with the client's standard input (the password file), output and error
// bound to files of the work folder. Two runs work in parallel on different
// file lists; the wait loop parses their progress, judges each ended run by
// its error log and retries a failed list, switching from the SSL tunnel to
// the direct port after repeated failures.

#include <QHash>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "ZQwinSrv/foundation/EngineState.h"
#include "platform/files/TextStream.h"
#include "platform/process/Process.h"
#include "platform/values/Collection.h"
#include "platform/values/Object.h"
#include "platform/values/Variant.h"

namespace OrvaneSrv {

class clsRsyncController;

// The record of one client run.
struct EngineParams {
  QString sListFile;          // the file list this run works on
  QString sExtraOption;       // extra option text, usually empty
  Integer iRetryCount = 0;    // retries of the current list
  bool bGaveUp = false;       // the engine stopped retrying
  Long lProcessId = 0;        // the redirection program
  win::ProcessHandle hProcess = 0;
  Integer iBusy = 0;          // 0 idle, 1 running, -1 parked
  std::optional<win::TextStream> tsOutput;  // the output log, open for reading
  double dOutputOffset = 0;   // bytes of the output log already read
  double dOutputHeldAt = -1;  // log size when an unfinished last line was held back
  vb::CollectionPtr colOutputLines = std::make_shared<vb::Collection>();
  bool bOutputDone = false;
  QString sErrorLog;
  QString sOutputLog;
  bool bNoRelative = false;
  bool bRelative = false;
  double dBytesDone = 0;
  double dBytesBefore = 0;
  double dBytesCompleted = 0;
  double dFailedFiles = 0;
  double dFilesRestored = 0;
  QString sDestination;
  QString sSourceSuffix;
  QString sBatchFile;
  double dProgressLines = 0;
  Long lFailureCount = 0;
  QString sOriginalFolder;
  bool bUseOption5 = false;
  vb::CollectionPtr colSyncedNames = std::make_shared<vb::Collection>();
  // The exit code of the ended run's redirection program (the client's).
  std::uint32_t dwExitCode = 0;
  // How long the tunnel's log was when this run started.
  qint64 lTunnelLogAt = 0;
  // The restore item this run's list was made from.
  QString sItem;
};

// How the engine starts and watches the redirection program. The engine
// uses the platform's process layer; tests install fake runs.
class ClientRunLauncher {
 public:
  virtual ~ClientRunLauncher() = default;
  // Starts the command line hidden, without waiting; the process id.
  // Raises the platform's errors when the program cannot be started.
  virtual int Start(const QString& commandLine) = 0;
  // A handle with the rights to end and to query the process; 0 on failure.
  virtual win::ProcessHandle Open(int processId) = 0;
  // The process's exit code (259 while it runs); false for a bad handle.
  virtual bool ExitCode(win::ProcessHandle handle, std::uint32_t& code) = 0;
  virtual void Close(win::ProcessHandle handle) = 0;
};

// Installs `launcher` for its lifetime (tests), then the one before.
class ScopedClientRunLauncher {
 public:
  explicit ScopedClientRunLauncher(ClientRunLauncher& launcher);
  ~ScopedClientRunLauncher();
  ScopedClientRunLauncher(const ScopedClientRunLauncher&) = delete;
  ScopedClientRunLauncher& operator=(const ScopedClientRunLauncher&) = delete;

 private:
  ClientRunLauncher* previous_;
};

// The launcher in force.
ClientRunLauncher& CurrentClientRunLauncher();

class clsRsyncEngine : public vb::Object {
 public:
  clsRsyncEngine();
  ~clsRsyncEngine() override;
  [[nodiscard]] QString TypeName() const override { return QStringLiteral("clsRsyncEngine"); }

  // Starts a list on the first idle run and, when both runs are busy (or
  // `bWaitForOne`), waits until one ends and judges it, retrying a failed
  // list. True only when a run that ended was judged good.
  bool Cont_CallRsyncEngine(const QString& sUser, const QString& sPassword, const QString& sListFile,
                            const QString& sDestination, Integer iCallerOpt1, bool bReserved, bool bRelative,
                            Integer iCallerOpt2, bool bNoRelative, const QString& sExtraOption, bool bWaitForOne,
                            bool bLaunchToo, const QString& sSourceSuffix, const QString& sCallerText,
                            bool bUseOption5, bool bReserved2);
  // Judges the error log of run n (0 a listing, 1 run A, 2 run B).
  bool Cont_Check_Log_Err_Files(Integer n);
  vb::Variant Clear_RsyncDisplayParameters();
  // The path in the client's form: "\" -> "/", ":/" -> "/", "/cygdrive/"
  // in front unless `bNoPrefix`, remaining ":" removed.
  QString Cont_GetCygdrivepath(const QString& sPath, bool bNoPrefix);
  // True while the process runs, and only while an interactive restore goes
  // on uncancelled.
  bool CheckProcessStatus(win::ProcessHandle hProcess);
  vb::Variant ResetEngineValues(bool bRestartTunnel);
  Integer RsyncWait(Integer n);
  void CloseEngine();
  void CloseEngineOnRetry(Integer iEngine);
  [[nodiscard]] QString GetStatsMsg() const;
  [[nodiscard]] QString GetStatsRestMsg() const;
  vb::Variant ClearAllMessages();
  void ResetParamEngineA();
  void ResetParamEngineB();
  // The next unparsed line of an output log ("" when there is none).
  QString LoadUnixFileToArray(const QString& sEngine, const QString& sFilePath, vb::CollectionPtr& colLines,
                              bool& bNoMore);
  // Restores the restore item set into `sDestination` (Windows form), or
  // every item into its original folder with `bRestoreOriginal`: lists each
  // folder item through the client, hands the entries to runs A and B in
  // lists of at most 1000, waits for the last run and writes the summary.
  // False only when a run gave up or a folder listing failed (and the job
  // was neither cancelled nor stopped by a failure already reported), or on
  // a run-time error. A folder item leaves the set only when the call that
  // ended its handling answered true.
  bool Cont_CallRsyncRestore(const QString& sUser, const QString& sPassword, const QString& sDestination,
                             bool bIncremental, Integer iCallerOpt, Integer bRelative, Integer iCallerOpt2,
                             bool bRestoreOriginal);
  // Lists `sRemotePath` (below the account root, "/" at both ends; a
  // snapshot path "/BackUp_nightly.<d>/<user>/..." reads module
  // "tessara<d>") recursively through the client, a dry run into the work
  // folder's "outputlog.txt"; retried up to 10 attempts. True when the
  // listing was judged good, and after a cancel.
  bool Rsync_EnumerateFolder(const QString& sWorkFolder, const QString& sUser, const QString& sRemotePath,
                             const QString& sPassOn);
  // Waits until the listing's redirection program `lPid` has ended: true
  // when it ended by itself, false when a cancel (or with `bSearch` the
  // search window's stop) ended it.
  bool Cont_CheckIfEnumComplete(Long lPid, bool bSyncList, bool bSearch);
  // The search listing of `sRemotePath`: as a restore listing, without
  // statistics and without retry; the search window's stop ends it.
  bool RsyncSearch_EnumerateFolder(const QString& sRemotePath, const QString& sUser);
  // The 8.3 form of an existing folder (else the text), ending in "\".
  QString CreateShortPath(const QString& sPath);
  // Attempts made so far for the folder being listed, less one.
  Integer iEnumRetryCount = 0;
  // Why the route cannot go on in this job (the tunnel's certificate was
  // refused, a program is missing): no further listing or run starts, and
  // the restore ends as a failure of the route. Empty while it can.
  QString sRouteStopped;
  // The restore item the next list handed over belongs to.
  QString sPendingItem;
  // Lists judged good per restore item (the item a list was made from).
  QHash<QString, int> colGoodLists;

  EngineParams EngineA;
  EngineParams EngineB;
  // Restore every item into the folder it came from.
  bool bRestoreOriginal = false;

  // Not part of the class's interface: the pieces the runs are made of.

  // The client's command line and argument list for a list file.
  struct ClientCommand {
    QString commandLine;
    QStringList arguments;
  };
  ClientCommand BuildClientCommand(const QString& sUser, const QString& sListFile, const QString& sDestination,
                                   bool bRelative, bool bNoRelative, const QString& sExtraOption,
                                   const QString& sSourceSuffix, const QString& programShort,
                                   const QString& driveWorkFolder);
  // Parses the next progress line of run `iEngine` (1 or 2).
  QString DisplayProgress(Integer iEngine);
  bool AddSyncFile(const QString& sItem, Integer iEngine, bool bMarked);
  static bool IsSizeAtLeastGB(double dSize, Long iHours);
  Integer CheckIfBackupComplete(bool bWaitOne);
  bool CheckInternetConnection(Integer n);
  bool CheckReadOnlyAccount();
  vb::Variant WaitForTerminateExe(const QString& sExeName);
  // Whether `colItems` holds `sValue` (items trimmed, no case).
  bool IsInCollection(const vb::CollectionPtr& colItems, const QString& sValue);
  // One listing attempt (search listing with `bSearch`): false when it
  // failed; `bNoRetry` set when trying again cannot help.
  bool EnumerateOnce(const QString& sWorkFolder, const QString& sUser, const QString& sRemotePath, bool bSearch,
                     bool& bNoRetry);
  // The engine's own controller, created on first use.
  clsRsyncController& Controller();
  // The size of the tunnel's log (0 when there is none).
  qint64 TunnelLogSize() const;
  // The tunnel's report of a refused certificate written after `from`
  // bytes of its log: "<host>: <reason>", or "" when there is none.
  QString TunnelCertificateRefusal(qint64 from) const;
  // After a failed attempt through the tunnel (`exitCode` of its client):
  // when the tunnel refused the server's certificate, logs it (once a job),
  // stops the route and answers true; trying again cannot help then.
  bool CertificateRefused(qint64 from, std::uint32_t exitCode);
  // Stops the route for this job with `reason` (the first reason stays).
  void StopRoute(const QString& reason);
  EngineParams& Run(Integer iEngine) { return iEngine == 1 ? EngineA : EngineB; }

 private:
  bool StartRun(const QString& sUser, const QString& sListFile, const QString& sDestination, bool bRelative,
                bool bNoRelative, const QString& sExtraOption, const QString& sSourceSuffix, bool bUseOption5);
  void ResetParamEngine(EngineParams& e, const vb::CollectionPtr& synced, const vb::CollectionPtr& failed,
                        const QString& letter);
  bool RunEnded(Integer iEngine);
  // Keeps the exit code of the run's ended process in the record.
  void KeepExitCode(EngineParams& e);
  void EchoTouch();
  void LongWait();

  std::shared_ptr<clsRsyncController> controller_;
  Long lPollCounter = 0;
  Long lProgressRefresh = 0;
  std::array<QString, 4> asStatsMsg;
  std::array<QString, 4> asStatsRestMsg;
};

}  // namespace OrvaneSrv
