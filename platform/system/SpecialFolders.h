#pragma once
// The user's special folders (SHGetSpecialFolderPath), in Windows form.
//
// They come from the XDG user directories: ~/.config/user-dirs.dirs (or
// $XDG_CONFIG_HOME/user-dirs.dirs) names Desktop, Documents, Music,
// Pictures, Videos and Downloads, each falling back to the folder of that
// name in the home folder (through QStandardPaths, which reads $HOME and the
// file at each call). Favorites has no XDG equivalent and is ~/Favorites.
// The application-data folders are the XDG configuration and data homes.
// A folder is answered through the drive table (win::ToWindowsPath); one
// that no drive holds has no Windows form and is answered empty.

#include <QString>

namespace win {

enum class SpecialFolder {
  Desktop,       // CSIDL_DESKTOPDIRECTORY, registry value "Desktop"
  Documents,     // CSIDL_PERSONAL, "Personal"
  Music,         // CSIDL_MYMUSIC, "My Music"
  Pictures,      // CSIDL_MYPICTURES, "My Pictures"
  Videos,        // CSIDL_MYVIDEO, "My Video"
  Downloads,     // no CSIDL
  Favorites,     // CSIDL_FAVORITES, "Favorites"
  AppData,       // CSIDL_APPDATA ($XDG_CONFIG_HOME)
  LocalAppData,  // CSIDL_LOCAL_APPDATA ($XDG_DATA_HOME)
  Profile,       // CSIDL_PROFILE (the home folder)
};

inline constexpr int CSIDL_DESKTOP = 0x0000;  // the desktop as a folder: answered as the desktop directory
inline constexpr int CSIDL_PERSONAL = 0x0005;
inline constexpr int CSIDL_FAVORITES = 0x0006;
inline constexpr int CSIDL_MYMUSIC = 0x000D;
inline constexpr int CSIDL_MYVIDEO = 0x000E;
inline constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
inline constexpr int CSIDL_APPDATA = 0x001A;
inline constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
inline constexpr int CSIDL_MYPICTURES = 0x0027;
inline constexpr int CSIDL_PROFILE = 0x0028;
inline constexpr int CSIDL_FLAG_CREATE = 0x8000;

// The host folder (it may not exist).
[[nodiscard]] QString SpecialFolderHostPath(SpecialFolder folder);

// The Windows form of the folder; empty when no drive holds it.
[[nodiscard]] QString SpecialFolderPath(SpecialFolder folder);

// SHGetSpecialFolderPath: the folder of a CSIDL number (CSIDL_FLAG_CREATE
// allowed), made when `create` is true (or the flag is set) and it is
// missing. False for an unknown number, a folder no drive holds, or one that
// could not be made.
bool SHGetSpecialFolderPath(int csidl, QString& path, bool create = false);

}  // namespace win
