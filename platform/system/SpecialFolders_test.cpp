#include "platform/system/SpecialFolders.h"

#include "platform/paths/WinPath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace {

// Sets an environment variable for the life of the guard.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QByteArray& value) : name_(name), had_(qEnvironmentVariableIsSet(name)) {
    old_ = qgetenv(name);
    qputenv(name, value);
  }
  ~ScopedEnv() {
    if (had_) {
      qputenv(name_, old_);
    } else {
      qunsetenv(name_);
    }
  }

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

TEST(SpecialFolders, XdgUserDirectoriesInWindowsForm) {
  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  const QString home = tmp.path() + "/home";
  const QString config = tmp.path() + "/home/.cfg";
  ASSERT_TRUE(QDir().mkpath(config));
  ScopedEnv homeEnv("HOME", QFile::encodeName(home));
  ScopedEnv configEnv("XDG_CONFIG_HOME", QFile::encodeName(config));
  QFile dirs(config + "/user-dirs.dirs");
  ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
  dirs.write(
      "# written by xdg-user-dirs-update\n"
      "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
      "XDG_DOCUMENTS_DIR=\"$HOME/Eigene Dateien\"\n"
      "XDG_MUSIC_DIR=\"" +
      QFile::encodeName(tmp.path()) +
      "/elsewhere/Music\"\n"
      "XDG_VIDEOS_DIR=\"$HOME/Filme\"\n");
  dirs.close();

  win::DriveTable table;
  table.Map(u'C', home);
  win::ScopedDriveTable drives(table);

  EXPECT_EQ(win::SpecialFolderPath(win::SpecialFolder::Desktop), "C:\\Schreibtisch");
  EXPECT_EQ(win::SpecialFolderPath(win::SpecialFolder::Documents), "C:\\Eigene Dateien");
  EXPECT_EQ(win::SpecialFolderPath(win::SpecialFolder::Videos), "C:\\Filme");
  EXPECT_EQ(win::SpecialFolderPath(win::SpecialFolder::Pictures), "C:\\Pictures") << "not in the file: the default";
  EXPECT_EQ(win::SpecialFolderPath(win::SpecialFolder::Downloads), "C:\\Downloads");
  EXPECT_EQ(win::SpecialFolderPath(win::SpecialFolder::Favorites), "C:\\Favorites");
  EXPECT_EQ(win::SpecialFolderPath(win::SpecialFolder::AppData), "C:\\.cfg");
  EXPECT_EQ(win::SpecialFolderPath(win::SpecialFolder::Profile), "C:\\");
  EXPECT_EQ(win::SpecialFolderHostPath(win::SpecialFolder::Music), tmp.path() + "/elsewhere/Music");
  EXPECT_EQ(win::SpecialFolderPath(win::SpecialFolder::Music), "") << "no drive holds it";

  QString path;
  EXPECT_TRUE(win::SHGetSpecialFolderPath(win::CSIDL_PERSONAL, path));
  EXPECT_EQ(path, "C:\\Eigene Dateien");
  EXPECT_FALSE(QDir(home + "/Eigene Dateien").exists());
  EXPECT_TRUE(win::SHGetSpecialFolderPath(win::CSIDL_PERSONAL | win::CSIDL_FLAG_CREATE, path));
  EXPECT_TRUE(QDir(home + "/Eigene Dateien").exists());
  EXPECT_TRUE(win::SHGetSpecialFolderPath(win::CSIDL_DESKTOP, path));
  EXPECT_EQ(path, "C:\\Schreibtisch");
  path = "kept";
  EXPECT_FALSE(win::SHGetSpecialFolderPath(win::CSIDL_MYMUSIC, path));
  EXPECT_FALSE(win::SHGetSpecialFolderPath(0x0024, path)) << "the Windows folder is not answered";
  EXPECT_EQ(path, "kept");
}

}  // namespace
