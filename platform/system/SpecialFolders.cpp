#include "platform/system/SpecialFolders.h"

#include "platform/paths/WinPath.h"

#include <QDir>
#include <QStandardPaths>

#include <optional>

namespace win {
namespace {

std::optional<SpecialFolder> FromCsidl(int csidl) {
  switch (csidl & ~CSIDL_FLAG_CREATE) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY:
      return SpecialFolder::Desktop;
    case CSIDL_PERSONAL:
      return SpecialFolder::Documents;
    case CSIDL_FAVORITES:
      return SpecialFolder::Favorites;
    case CSIDL_MYMUSIC:
      return SpecialFolder::Music;
    case CSIDL_MYVIDEO:
      return SpecialFolder::Videos;
    case CSIDL_APPDATA:
      return SpecialFolder::AppData;
    case CSIDL_LOCAL_APPDATA:
      return SpecialFolder::LocalAppData;
    case CSIDL_MYPICTURES:
      return SpecialFolder::Pictures;
    case CSIDL_PROFILE:
      return SpecialFolder::Profile;
    default:
      return std::nullopt;
  }
}

}  // namespace

QString SpecialFolderHostPath(SpecialFolder folder) {
  using SP = QStandardPaths;
  switch (folder) {
    case SpecialFolder::Desktop:
      return SP::writableLocation(SP::DesktopLocation);
    case SpecialFolder::Documents:
      return SP::writableLocation(SP::DocumentsLocation);
    case SpecialFolder::Music:
      return SP::writableLocation(SP::MusicLocation);
    case SpecialFolder::Pictures:
      return SP::writableLocation(SP::PicturesLocation);
    case SpecialFolder::Videos:
      return SP::writableLocation(SP::MoviesLocation);
    case SpecialFolder::Downloads:
      return SP::writableLocation(SP::DownloadLocation);
    case SpecialFolder::Favorites:
      return QDir::homePath() + QStringLiteral("/Favorites");
    case SpecialFolder::AppData:
      return SP::writableLocation(SP::GenericConfigLocation);
    case SpecialFolder::LocalAppData:
      return SP::writableLocation(SP::GenericDataLocation);
    case SpecialFolder::Profile:
      return QDir::homePath();
  }
  return {};
}

QString SpecialFolderPath(SpecialFolder folder) {
  const QString host = SpecialFolderHostPath(folder);
  return host.isEmpty() ? QString() : ToWindowsPath(host);
}

bool SHGetSpecialFolderPath(int csidl, QString& path, bool create) {
  const auto folder = FromCsidl(csidl);
  if (!folder) return false;
  const QString host = SpecialFolderHostPath(*folder);
  const QString windows = host.isEmpty() ? QString() : ToWindowsPath(host);
  if (windows.isEmpty()) return false;
  if ((create || (csidl & CSIDL_FLAG_CREATE) != 0) && !QDir().mkpath(host)) return false;
  path = windows;
  return true;
}

}  // namespace win
