// The path mapper: whatever a path says, its host path lies inside the root
// of the drive it names (the current drive when it names none), never above
// it, and holds no "." or ".." name and no NUL.
#include "fuzz/FuzzInput.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/WinPath.h"

#include <QDir>
#include <QFile>

namespace {

win::DriveTable Table() {
  win::DriveTable table;
  table.Map(u'C', fuzz::Scratch() + QStringLiteral("/c"));
  table.Map(u'D', fuzz::Scratch() + QStringLiteral("/c/mnt/d"));  // a drive inside another
  table.Map(u'E', fuzz::Scratch() + QStringLiteral("/e"));
  return table;
}

void CheckInsideItsDrive(const QString& path) {
  const QString host = win::ToHostPath(path);
  if (host.isEmpty()) return;
  const QString full = win::FullPath(path);
  FUZZ_CHECK(!full.isEmpty());
  const QChar drive = full.at(0);
  if (path.size() >= 2 && path.at(1) == u':' && path.at(0).isLetter()) FUZZ_CHECK(path.at(0).toUpper() == drive);
  const auto root = win::CurrentDriveTable().RootOf(drive);
  FUZZ_CHECK(root.has_value());
  FUZZ_CHECK(host == *root || host.startsWith(*root + u'/'));
  FUZZ_CHECK(!host.contains(QChar(0)));
  for (const QString& name : host.mid(root->size()).split(u'/', Qt::SkipEmptyParts)) {
    FUZZ_CHECK(name != u"." && name != u"..");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    for (const char* folder : {"/c/Program Files/Sub Dir", "/c/mnt/d/Data", "/e"}) {
      QDir().mkpath(fuzz::Scratch() + QString::fromLatin1(folder));
    }
    QFile file(fuzz::Scratch() + QStringLiteral("/c/Program Files/Setup.INI"));
    if (!file.open(QIODevice::WriteOnly)) std::abort();
    return true;
  }();
  (void)ready;
  win::SetDriveTable(Table());  // the current folders start again at the roots
  fuzz::Input in(data, size);
  QString folder;
  QString path;
  in.TwoTexts(&folder, &path);
  if (win::ChDir(folder)) CheckInsideItsDrive(win::CurDir());
  CheckInsideItsDrive(path);
  CheckInsideItsDrive(folder);
  (void)win::FolderExists(path);
  (void)win::FileExists(path);
  const QString back = win::ToWindowsPath(win::ToHostPath(path));
  if (!win::ToHostPath(path).isEmpty()) FUZZ_CHECK(!back.isEmpty());
  return 0;
}
