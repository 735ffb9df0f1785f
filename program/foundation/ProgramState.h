#pragma once
// The restore program's process-wide values.
//
// Every window, class and module of the program reads and writes these
// values directly, as the legacy program did with its public module
// variables: one sign-in, one set of job flags, one restore item set for
// the whole run. They live here, in one place, under one name each (the
// table in docs/architecture.md lists the other names some descriptions use
// for the same values). Nothing runs when the program loads: numbers start
// at 0, Booleans at false, texts empty, collections are created on first use
// (Items()). The program runs on its one user-interface thread; the values
// are not locked.

#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>

#include "platform/values/Collection.h"

namespace win {
class NamedMutex;
}

namespace OrvaneMac {

using Integer = std::int16_t;  // the legacy 16-bit Integer
using Long = std::int32_t;     // the legacy 32-bit Long

struct ProgramState {
  // Start-up: the application word names the application folder below the
  // program folder; the product name, the message-box title and the user's
  // short-date pattern.
  QString AppWord;           // "OrvaneMac"
  QString AppProduct;        // "Orvane for Mac"
  QString AppTitle;          // "Orvane for Mac - Windows Restore"
  QString ShortDatePattern;
  // The machine-wide single-instance lock of the running copy, held until
  // the process ends.
  std::shared_ptr<win::NamedMutex> SingleInstanceMutex;
  // Selects the runtime's own indication of another running copy instead
  // of the lock; nothing sets it.
  bool PrevInstanceMode = false;

  // The session: who is signed in and how the sign-in went.
  QString AccountName;
  QString AccountPassword;
  QString TypedLoginName;    // the user-name box as typed, trimmed (a name or an e-mail address)
  QString ShownAccountName;  // the account name the main window shows
  QString AccountQuotaMB;
  QString RemoteRootKey;     // "/users/" + account name + "/Files/"
  Integer LoginCount = 0;    // successful sign-ins of this run
  bool LoginCancelRequested = false;
  bool Disconnected = false;
  bool RemoteTreeConnected = false;
  // The engine's last error text, fetched after a call that did not succeed.
  QString LastEngineError;
  // The file name of the program's current session log in the folder
  // "Session" of the application folder; empty when there is none.
  QString SessionLogFile;

  // Job flags: while any is set, commands refuse to start
  // (modGeneral::JobProgressCheck).
  bool BackupRunning = false;
  bool RestoreRunning = false;
  bool SyncRunning = false;
  bool OtherJobRunning = false;
  bool SearchInProgress = false;

  // The search window.
  bool SearchStopRequested = false;
  bool SearchDeleteMode = false;   // remote paths stay percent-encoded while it is set
  bool SearchRestoreMode = false;

  // The main window: the next activation after a dialog (or after opening a
  // file with its program) only clears this flag instead of repainting.
  bool SkipActivateRepaint = false;
  // "FILEVER" of the user profile just before the snapshot command flipped it.
  QString FileverBeforeToggle;

  // The common dialogs.
  QString InputBoxAnswer;

  // The restore wizard.
  bool WizardOpen = false;
  bool WizardClosing = false;  // the wizard's exit has run
  bool WizardStarting = false;
  QString WizardName;

  // Browsing and restore: the run-wide number of local listing entries, the
  // restore item set ("D_" + folder, "F_" + file) and the summed size of its
  // files.
  double ListingCounter = 0;
  vb::CollectionPtr EnumRestoreItemSet;
  double RestoreSetSize = 0;
  // The search window's entries for the direct children of the searched
  // folder ("D_/path>date", "F_/path>date>size").
  vb::CollectionPtr SearchRootItems;
  // Set by the delete window's cancel; true after a delete pass means the
  // user cancelled it.
  bool DeleteCancelRequested = false;
  // The entries of the restore item set ("F_"/"D_" + server path, as the
  // set holds them) that the delete window's last pass removed from the
  // account: its opener empties the list, the pass adds each entry whose
  // delete succeeded. The search window takes exactly these rows out.
  QStringList DeletedItems;
  // The backup item sets ("D_"/"F_" entries) of a local tree's check marks,
  // the paths of checked files, and two listing collections nothing fills.
  vb::CollectionPtr EnumBackupItemSet;
  vb::CollectionPtr EnumSchBackupItemSet;
  vb::CollectionPtr EnumFileItemSet;
  vb::CollectionPtr EnumLocalDirContent;
  vb::CollectionPtr EnumRemoteDirContent;

  // The column trees: gray pictures for excluded entries (only while the
  // local tree is rebuilt after a folder was made), the snapshot folders of
  // the last remote listing, the display zone of remote dates (label and
  // offset, read once a run) and whether the folder-information view is on.
  bool GrayIconMode = false;
  vb::CollectionPtr RemoteSnapshotItems;
  QStringList DisplayZone;
  bool DisplayZoneRead = false;
  bool RemoteDirInfoShown = false;

  // The session-log viewer lists no file while any of these is set; the
  // main window's session-log command clears them before it opens it.
  bool SessionListBlockedA = false;
  bool SessionListBlockedB = false;
  bool SessionListBlockedC = false;

  // The quota as the main window last showed it: the total and the used
  // space in megabytes, each a number and " MB"; empty until then.
  QString QuotaTotalText;
  QString QuotaUsedText;

  // Exclusion lists of the local trees: entries of path + "1" + LF, and
  // name patterns. Nothing fills them in this program.
  QString ExcludedFolderList;
  QString ExcludedFileList;
  vb::CollectionPtr FolderExcludePatterns;
  vb::CollectionPtr FileExcludePatterns;

  // The time-zone names and offsets (modGeneral::AssignDataToArray).
  std::array<QString, 82> TimeZoneTable;

  // The text tables: the signed-in account's backup-set table and its
  // records by backup-set name.
  QString BackupSetListFile;
  vb::CollectionPtr BackupSetNameList;

  // The schedule helpers' lists: mail recipients for "To" (from the table
  // MailToListFile, which nothing names) and "Cc", the account's Oracle
  // backup sets by name, the distinct paths of a backup-set list, and the
  // backup-set records of Transfer (filled by nothing in this program).
  vb::CollectionPtr MailToIdList;
  vb::CollectionPtr MailCcIdList;
  QString MailToListFile;
  vb::CollectionPtr OracleBackupSetList;
  vb::CollectionPtr DistinctPathList;
  vb::CollectionPtr BackupSetList;
  // The server name last stored by modGeneral::setServername.
  QString ServerName;
  // Backup-set lists show remote paths while this is set; nothing sets it.
  Integer RemoteBkSetMode = 0;
  // The folders of the automatic selection, each looked up while empty.
  QString OutlookExpPath;
  QString OutlkExpAddrBookPath;
  QString MSOutlkPath;
  QString DesktopPath;
  QString MozillaPath;
  QString MSNPath;
  QString MyDocumentsPath;
  QString MyFavouritesPath;
  QString MyMusicPath;
  QString MyPicturesPath;
  QString MyVideosPath;
  QString YahooPath;
  QString LotusNotesPath;

  // The dial-up settings: the names of the phonebook's entries, and the
  // saved proxy as last loaded.
  vb::CollectionPtr DialUpEntryList;
  struct ProxyRecord {
    QString host;
    QString port;
    QString user;
    QString password;
  } ProxySettings;

  // Passwords that could not be kept in a side file (characters the
  // scrambler cannot carry), by side-file kind and name, for this run only.
  QHash<QString, QString> SessionPasswords;
};

// The program's values.
ProgramState& Program();

// Forgets every value (tests only: the program never resets them).
void ResetProgramForTesting();

// Creates a collection of the state on first use and answers it.
vb::CollectionPtr& Items(vb::CollectionPtr& slot);

}  // namespace OrvaneMac
