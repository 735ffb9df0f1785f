#pragma once
// The scripting runtime's file-system object, the BASIC file statements and
// the Win32 folder search, on the host's file system.
//
// Every path taken or answered is in Windows form ("C:\Users\x\a.txt") and
// goes through the drive table of platform/paths at the edge; a name that
// exists under another case is found, a new name is created as given.
// Nothing keeps a file open beyond one call. Failures raise the legacy
// run-time errors (vb::RuntimeError) named with each function, except the
// Win32 search, which answers an error code as the API does.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <vector>

namespace win {

// ---- Queries (the file-system object) -------------------------------------

// True when `path` names a folder (a link to one counts). Never raises.
[[nodiscard]] bool FolderExists(const QString& path);
// True when `path` names a file: false for a folder, a wildcard or a
// dangling link. Never raises.
[[nodiscard]] bool FileExists(const QString& path);

// File.Size: bytes of a file. 53 when there is no such file.
[[nodiscard]] qint64 FileSize(const QString& path);
// File.DateLastModified (and the BASIC FileDateTime), local time. 53 when
// there is no such file.
[[nodiscard]] QDateTime FileDateLastModified(const QString& path);
// Folder.DateLastModified, local time. 76 when there is no such folder.
[[nodiscard]] QDateTime FolderDateLastModified(const QString& path);
// Folder.Size: bytes of every file in the folder and below it. Symbolic
// links add nothing and are never followed. 76 when there is no such folder, 70
// when a folder below it cannot be read.
[[nodiscard]] qint64 FolderSize(const QString& path);

// ---- Changes (the file-system object) -------------------------------------

// CreateFolder: one level. 58 when a file or folder of that name exists, 76
// when its parent is missing, 52 for a name the legacy system cannot hold,
// 70 when the host refuses.
void CreateFolder(const QString& path);

// DeleteFile: `path` may hold "*" and "?" in its last name, matching
// files only. 53 when nothing matches (or the name is a folder), 76 when the
// folder is missing, 70 for a read-only file unless `force` (the files
// before it are gone by then, as on the legacy system). A link is removed,
// never its target.
void DeleteFile(const QString& path, bool force = false);

// DeleteFolder: the folder and everything below it. Symbolic links are
// removed as entries and never followed, so nothing outside the tree is
// touched; a link given as `path` is itself removed. 76 when there is no
// such folder, 70 for a read-only file inside unless `force` (what came
// before it is gone) and for a drive root, which is never deleted.
void DeleteFolder(const QString& path, bool force = false);

// CopyFile: copies one file, keeping its modification time and attributes.
// `destination` may name a folder (an existing one, or any path ending in
// "\"): the copy keeps the source's name there. The copy is written under a
// temporary name and renamed into place, so a failed copy leaves the old
// destination whole. 53 missing source, 58 existing destination without
// `overwrite`, 70 read-only destination or a folder in its place, 76 missing
// destination folder, 61 disk full.
void CopyFile(const QString& source, const QString& destination, bool overwrite = true);

// Removes the temporary siblings that writes replacing the file `path`
// (CopyFile, whole-file writes) left behind when their process was killed
// before the rename. Only for a file the caller has just put in place
// whole: the sibling of a write still running elsewhere would go too.
// Answers how many were removed; never raises.
int RemoveReplacementLeftovers(const QString& path);

// ---- BASIC statements ------------------------------------------------------

// FileLen: bytes of a file. 53 when there is no such file.
[[nodiscard]] qint64 FileLen(const QString& path);
// RmDir: removes an empty folder, or a link to a folder. 76 missing, 75 not
// empty or refused.
void RemoveFolder(const QString& path);

// ---- Whole files -----------------------------------------------------------

// Every byte of a file. 53 missing file, 76 missing folder, 70 refused.
[[nodiscard]] QByteArray ReadAllBytes(const QString& path);
// Replaces (or creates) a file with `bytes`, through a temporary sibling and
// a rename, so a reader never sees half of it and a failure leaves the old
// file whole; the file keeps its permissions and attributes. 76 missing
// folder, 70 read-only file or a folder in its place, 61 disk full.
void WriteAllBytes(const QString& path, const QByteArray& bytes);
// WriteAllBytes for a file that holds a secret (a password, a key): the new
// file is readable and writable by its owner only from the moment it exists,
// whatever mode the old one had, and takes the old one's place whole, so a
// reader who opened the old file never sees the new bytes. Same errors.
void WriteOwnerOnlyFile(const QString& path, const QByteArray& bytes);

// ---- The Win32 folder search (FindFirstFileW / FindNextFileW) --------------

struct FindData {
  QString name;             // the name as it is on disk, without its folder
  long attributes = 0;      // FILE_ATTRIBUTE_* bits (FileAttributes.h); NORMAL when none
  qint64 size = 0;          // 0 for a folder
  QDateTime lastWriteTime;  // local time
  [[nodiscard]] bool IsFolder() const { return (attributes & 0x10) != 0; }
};

struct FindResult {
  unsigned long error = 0;  // 0, or 2 nothing matches, 3 no such folder, 5 refused
  std::vector<FindData> entries;
};

// The entries of a folder whose names match the last name of `pattern`
// ("C:\dir\*.*", "C:\dir\*", "C:\dir\*.txt"), hidden and system ones
// included. As on the legacy system the list starts with "." and ".." when
// the pattern matches them (not in a drive root), matching ignores case, and
// "*.*" also matches names without a dot. Entries come in name order
// (ignoring case), the order the legacy file system keeps.
[[nodiscard]] FindResult FindFiles(const QString& pattern);

// The legacy wildcard test used by FindFiles and DeleteFile: "*" any run,
// "?" one character, case ignored, a final ".*" also matching no extension.
[[nodiscard]] bool MatchesFilePattern(const QString& name, const QString& pattern);

}  // namespace win
