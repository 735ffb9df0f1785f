#pragma once
// File version information, for the about box.
//
// The about box asks the system for the version resource of the program's
// files by bare file name. Our binaries carry no such resource, so the
// versions are kept here by file name: the two deliverables,
// "OrvaneMacRestore_100.exe" (also under the name of its installed link,
// "OrvaneRestore_100.exe") and "OrvaneSrv.dll", answer the version the
// project is built as; any other name has no version information (the
// about box then shows "N/A" and leaves the line out, as it does for a file
// without a version resource).

#include <QString>

#include <optional>

namespace win {

// The fixed file version of a version resource.
struct FileVersion {
  int major = 0;
  int minor = 0;
  int build = 0;
  int revision = 0;
};

// The version of `file` (its folder, if given, is ignored; the name is
// compared without regard to case); nothing when it has none.
[[nodiscard]] std::optional<FileVersion> GetFileVersionInfo(const QString& file);

// "major.minor.build.revision", or "N/A" when the file has no version.
[[nodiscard]] QString FileVersionText(const QString& file);

// Gives `fileName` a version (or, with nothing, takes it away).
void SetFileVersion(const QString& fileName, std::optional<FileVersion> version);

}  // namespace win
