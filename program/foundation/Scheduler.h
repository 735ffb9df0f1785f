#pragma once
// The program's class Scheduler. The rest of the program uses two of its
// services: one item of the user's regional settings as text, and the
// sortable key of a session log's date text. Its other operations serve a
// schedule window (mail lists, backup-set lists, the automatic selection's
// folders, host look-ups, sorting); this program has no such window, so
// nothing calls them, but they keep their behaviour for the class.

#include <QString>
#include <QStringList>

#include <functional>

#include "platform/values/Collection.h"

class QLineEdit;
class QListWidget;
class QWidget;

#include "program/foundation/ProgramState.h"

namespace OrvaneMac {

class BkSetListView;
class PlainTreeView;
class TreeNode;
class UniTreeViewMC;

class Scheduler {
 public:
  // The text of locale item `LCType` (a Windows LCTYPE value, e.g. 31, the
  // short-date pattern) of the user's default locale; "" when the system
  // gives nothing.
  [[nodiscard]] QString GetLocaleString(Long LCType);

  // The key of a text "mm-dd-yyyy hh:nn:ss" that sorts in time order:
  // year, month, day, hour and minutes, two digits each but the year
  // ("06-15-2009 4:05:22" gives "200906150405"). The text is split at the
  // user's time separator; seconds do not count. "" after a failure.
  [[nodiscard]] QString Sch_SortBuildDate(const QString& strDate);

  // --- Small helpers ---------------------------------------------------------
  // "Yes" for 1, "No" for anything else.
  [[nodiscard]] QString getCompressionstr(Integer value);
  // The backup set's text: the name, then a Chr(8) and the entry without its
  // prefix for each "D_"/"F_" entry of Program().EnumSchBackupItemSet.
  [[nodiscard]] QString Sch_mainBuildData(const QString& setName);
  // True while now is not later than the given moment; false for a text that
  // is no date (with the error line).
  [[nodiscard]] bool Sch_dat_validate(const QString& dateText);
  // Writes the change text into a status file: with `fromStatus`, as 8-bit
  // text and CR LF over the file's first bytes (the rest stays); otherwise
  // as its first character (Options::WriteFirstBit).
  void sch_changefiledata(const QString& changeText, const QString& statusFile, bool fromStatus);
  // Always true; writes its two trace lines.
  bool Sch_Process_Hostname(QWidget* window);
  // Creates the service log "OrvaneMac\ZQWServiceLog.txt" empty (UTF-16)
  // when it is missing and opens it through Transfer::Trf_ViewFile (traced
  // with `window`'s name; the program choice when no program is associated).
  void sch_OpenschLogfile(QWidget* window);

  // --- Backup-set, mail and Oracle lists -----------------------------------
  // Reads the backup-set table and answers the name of the automatic set
  // ("zqsimpleautobkup" or "autobkupzqwin", the last one found) as the
  // text of the box; always false.
  bool Sch_LoadBacksetNameatbkup(QLineEdit* textBox);
  // Refills the "To" list from its table (Program().MailToListFile) and the
  // "Cc" list from "OrvaneMac\CCto.txt"; appends each identifier to the
  // items of the window's combo boxes cmbMailTo and cmbMailCc (which are not
  // emptied first).
  void Sch_LoadMailid(QWidget* window);
  // Refills the "To" list and appends each identifier that is not blank,
  // with ", ", to the text of the window's txtEmailNotification.
  void Sch_LoadMailidList(QWidget* window);
  // Clears and disables the window's mail controls (cmbMailTo, lstMailAdd,
  // cmbMailCc, txtHostname, chkMailLog), greying the boxes.
  void Sch_maildisable(QWidget* window);
  // Enables them again on a white background; texts stay.
  void Sch_mailenable(QWidget* window);
  // Gives the list box a horizontal scroll width of its longest item.
  void Sch_AddScroll(QListWidget* list);
  // Rebuilds Program().OracleBackupSetList from the account's
  // "OracleBackupsetData.txt", each record keyed by its set's name.
  void DB_ReadBackOracledata();
  // The record's text before its first Chr(8); "" when it has none.
  [[nodiscard]] QString GetOracleBackSetName(const QString& record);
  // True when a record of the Oracle list has that set name (case ignored).
  [[nodiscard]] bool CheckOracleBackStatus(Integer unused, const QString& setName);

  // --- Automatic selection -------------------------------------------------
  // Finds the folders of the automatic selection through the mail-path
  // discovery library, which writes them into "SimpleAutoPath.ini" of the
  // application folder. That library is not part of this system: its
  // functions find nothing, so every item stays empty and is asked again
  // at the next call.
  void GetSimpleAutofilePath();
  // A key of section "AUTOFILEPATHS" of "SimpleAutoPath.ini"; "" when it is
  // missing.
  [[nodiscard]] QString ReadSimpleAutofileProfile(const QString& key);

  // --- Host look-ups -------------------------------------------------------
  // The host's first IPv4 address as dotted text; "" when it cannot be found.
  [[nodiscard]] QString GetIPFromHostName(const QString& hostName);
  // The host name of a dotted IPv4 address up to its first "."; "" when it
  // cannot be found or the text is no address ("Invalid IP address").
  [[nodiscard]] QString GetHostNameFromIP(const QString& address);

  // --- Sorting and distinct paths -------------------------------------------
  // Sorts the texts in place: ascending or descending, by character codes
  // (`exact`) or ignoring case. Quicksort over ranges above 61 texts,
  // insertion sort below (which keeps equal texts in their order). An empty
  // list raises run-time error 9.
  void QuickSortStringsStart(QStringList& texts, bool ascending, bool exact);
  // Adds the path, every doubled backslash made single, as item and key of
  // the collection; a path it holds already is left out.
  void RemoveDuplicate(const vb::CollectionPtr& collection, const QString& path);

  // --- Backup-set list rows --------------------------------------------------
  // Rows of a backup-set list (the window's list view Sch_LV_bkset): the
  // item's path as text, an icon and the columns type, last-modified date,
  // size and kind code ("1" automatic selection, "2" drive, "3" folder, "4"
  // file). "C:\\" is a drive, a path ending in "\\" a folder, any other
  // that is not blank a file.
  //
  // Adds a row for the path (rows may repeat); "Automatic Selection" adds
  // nothing, the same words with blanks around them the automatic row.
  void AddToBkSetItemList(const QString& path, QWidget* window);
  // Adds a row for every checked node below the plain-tree node `nodeIndex`,
  // walking unchecked folders; shows the total size in Totalbksetsize.
  void Sch_TraverseLocalTree(Integer nodeIndex, PlainTreeView* tree, QWidget* window);
  // Adds the paths of the checked nodes of a column tree, from `start` (or
  // its first child) along its siblings: with `bDupCheck` to `list` without
  // duplicates, else (remote trees only) to the window's list.
  void SchTraverseColTree(UniTreeViewMC* tree, QWidget* window, BkSetListView* list, const TreeNode& start,
                          bool bFirstNode, bool bRemote, bool bDupCheck, bool bSubColumn);
  void CheckDuplicateBkSetData(BkSetListView* list, const QString& path);
  // Adds the path unless it is blank or a name never listed; in remote mode
  // a path holding "/Files/" is first rewritten to "My Orvane/" + the rest.
  void BuildDataDuplicate(BkSetListView* list, QString& path);
  // Adds a row keyed by the path (doubled backslashes made single): false
  // when added or refused by name, true when the list holds the key already.
  bool AvoidDuplicateListEntry(BkSetListView* list, const QString& path);
  // Put the rows into order by their texts, case ignored (only the texts
  // move): all rows of the window's list; all but a first automatic row.
  void FnOderListData(QWidget* window);
  void OrderDuplicateListData(BkSetListView* list);
  // Rebuilds the list sorted from its texts alone; with `bBuild` also
  // collects its distinct paths in Program().DistinctPathList first.
  void OrderListViewData(BkSetListView* list, QWidget* window, bool bBuild);

  // The class's fields.
  [[nodiscard]] Integer getRecordIndex() const { return recordIndex_; }
  void setRecordIndex(Integer index) { recordIndex_ = index; }
  [[nodiscard]] double TotalBackupSetSize() const { return totalBackupSetSize_; }

 private:
  Integer recordIndex_ = 0;
  double totalBackupSetSize_ = 0;
  int lastRow_ = 0;  // the row the last adding operation made
};

// The program's Scheduler, created on first use and kept for the run.
Scheduler& gScheduler();

// The mail-path discovery library of the automatic selection: one call per
// item, with the library function's name, the discovery file and (for the
// functions that take it, else "") the Windows folder; it is to write the
// item's key into section "AUTOFILEPATHS" of that file. The library is not
// part of this system, so by default it finds nothing; tests install their
// own (an empty function restores the default).
using MailPathDiscovery =
    std::function<void(const QString& function, const QString& discoveryFile, const QString& windowsFolder)>;
void SetMailPathDiscovery(MailPathDiscovery discovery);

}  // namespace OrvaneMac
