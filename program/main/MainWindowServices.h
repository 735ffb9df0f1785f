#pragma once
// The windows the main window's commands hand their work to. The main
// window prepares what they show and opens them; each is owned by its own
// module.

#include <QString>

namespace OrvaneMac {

// The main window `Smart`: makes its remote tree visible and shows it
// modeless (its load lists the account's root). The sign-in calls this on
// success, just before it unloads itself.
void ShowMainWindow();
// Whether the main window is loaded and visible.
[[nodiscard]] bool MainWindowVisible();
// The first successful sign-in of a run adds the main window's icon to the
// notification area, with the main window's tray menu.
void AddMainWindowToTray();

// The restore destination screen `frmreswizscr3`: loads it, gives its label
// `Label3` the caption, disables its Back button `wiz_res3_back` and shows it
// modally with the main window as owner. The screen restores
// Program().EnumRestoreItemSet there and empties the set.
void ShowRestoreDestinationScreen(const QString& label3Caption);
// The same screen for the search window's restore (Program().SearchRestoreMode
// set): its design caption and Back enabled, shown modally; Back and the end
// of the restore return to the search window, Close closes it too.
void ShowRestoreDestinationScreenForSearch();

// The delete window `Deleteremotefrm`: hides `cmdDeleteSync` and
// `lblSyncCaption`, gives `lblSyncCaption` the caption, `LstSyncData` the
// text (one path a line) and shows it modally without owner. The window
// deletes Program().EnumRestoreItemSet item by item and empties the set; it
// adds each entry it deleted to Program().DeletedItems.
void ShowDeleteWindow(const QString& syncCaption, const QString& syncData);
// The engine's folder-delete call-back (clsMonitor.updateDelProgress):
// shows the item in the delete window, lets pending events run and answers
// true once the user has cancelled the deletion.
bool DeleteWindowUpdateProgress(const QString& item);

// The search window `frmSearchRemote`.
struct SearchWindowOpening {
  bool clearSearchingLabel = false;   // `lbl_Searching` emptied
  QString searchPath;                 // `lblSearchpath`
  bool startWithKey = false;          // `txt_Searchkey` := key, `bSearchFromMainScreen` and `bSingleCall` set
  QString key;
  bool clearDisplayNumFiles = false;  // `LblDisplayNumFiles` emptied
};
// Loads it, prepares it as given and shows it modally without owner.
void ShowSearchWindow(const SearchWindowOpening& opening);
// The restore destination screen opened for the search results
// (Program().SearchRestoreMode set) returns to the search window: normal
// pointer, shown again in front (it is still in the modal show that opened
// it). Or it closes the search window (the main window's search box keeps
// its text).
void ShowSearchWindowAgain();
void UnloadSearchWindow();

}  // namespace OrvaneMac
