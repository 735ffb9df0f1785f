#include "platform/shell/FileVersion.h"

#include "platform/process/CommandLine.h"

#include <map>
#include <mutex>

namespace win {
namespace {

constexpr FileVersion kProjectVersion{ORVANE_VERSION_MAJOR, ORVANE_VERSION_MINOR, ORVANE_VERSION_PATCH, 0};

struct State {
  std::mutex mutex;
  std::map<QString, FileVersion> versions{
      {QStringLiteral("orvanemacrestore_100.exe"), kProjectVersion},
      // The installed link to the restore program under the name its about
      // box and start-up entry join.
      {QStringLiteral("orvanerestore_100.exe"), kProjectVersion},
      {QStringLiteral("orvanesrv.dll"), kProjectVersion},
  };
};

State& S() {
  static State state;
  return state;
}

}  // namespace

std::optional<FileVersion> GetFileVersionInfo(const QString& file) {
  const QString key = FileNameOf(file.trimmed()).toLower();
  State& s = S();
  std::lock_guard lock(s.mutex);
  const auto it = s.versions.find(key);
  if (it == s.versions.end()) return std::nullopt;
  return it->second;
}

QString FileVersionText(const QString& file) {
  const auto v = GetFileVersionInfo(file);
  if (!v) return QStringLiteral("N/A");
  return QStringLiteral("%1.%2.%3.%4").arg(v->major).arg(v->minor).arg(v->build).arg(v->revision);
}

void SetFileVersion(const QString& fileName, std::optional<FileVersion> version) {
  const QString key = FileNameOf(fileName.trimmed()).toLower();
  State& s = S();
  std::lock_guard lock(s.mutex);
  if (version) {
    s.versions[key] = *version;
  } else {
    s.versions.erase(key);
  }
}

}  // namespace win
