#pragma once
// The legacy file attributes on a POSIX file system.
//
// Where each bit lives:
//   - read-only (1): the permissions. Set when the owner has no write bit;
//     setting it clears every write bit, clearing it gives the owner's write
//     bit back. (Root writes such a file all the same; the file functions of
//     this module check the bit themselves, so a read-only file refuses
//     writes and plain deletes for every user, as on the legacy system.)
//   - directory (16): the file type.
//   - hidden (2), system (4), archive (32): the extended attribute
//     "user.orvane.attributes" of the file or folder. Where the file system
//     refuses extended attributes, they are kept in this process's memory
//     only (keyed by device and inode) and are lost when it ends.
//   - A file without a stored record has the archive bit, as every file the
//     legacy system writes does; a folder has not. A cleared archive bit
//     reads as set again once the file's modification time changes, because
//     writing a file sets the bit on the legacy system and the restore's
//     "changed since restored" test relies on that.
//   - A name beginning with "." counts as hidden, as such names are hidden in
//     the host's own listings.
//   - A symbolic link shows the attributes of what it points to plus the
//     reparse-point bit (1024); a dangling link is 1024 + 32. Setting the
//     attributes of a link changes its target.

#include <QString>

namespace win {

inline constexpr long FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr long FILE_ATTRIBUTE_HIDDEN = 0x2;
inline constexpr long FILE_ATTRIBUTE_SYSTEM = 0x4;
inline constexpr long FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr long FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr long FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr long FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
// What GetFileAttributes answers for a path it cannot read (0xFFFFFFFF seen as a Long).
inline constexpr long INVALID_FILE_ATTRIBUTES = -1;

// Win32 error codes the file functions of this module report through their
// error argument.
inline constexpr unsigned long kFileErrorSuccess = 0;
inline constexpr unsigned long kFileErrorFileNotFound = 2;   // ERROR_FILE_NOT_FOUND
inline constexpr unsigned long kFileErrorPathNotFound = 3;   // ERROR_PATH_NOT_FOUND
inline constexpr unsigned long kFileErrorAccessDenied = 5;   // ERROR_ACCESS_DENIED
inline constexpr unsigned long kFileErrorInvalidName = 123;  // ERROR_INVALID_NAME

// GetFileAttributesW: the attribute word of a file or folder (NORMAL 0x80
// alone when no other bit is set), or INVALID_FILE_ATTRIBUTES with the
// reason in *error (2 missing file, 3 missing folder on the way).
[[nodiscard]] long GetFileAttributes(const QString& path, unsigned long* error = nullptr);

// SetFileAttributesW: sets read-only, hidden, system and archive from
// `attributes` (other bits are ignored; 0 and NORMAL clear them all).
// Answers false with the reason in *error when the path cannot be reached.
bool SetFileAttributes(const QString& path, long attributes, unsigned long* error = nullptr);

// The BASIC GetAttr function and the file-system object's Attributes
// property: the same bits, 0 for a plain file. A missing path raises 53.
[[nodiscard]] long GetAttr(const QString& path);

// The BASIC SetAttr statement and the Attributes property when assigned:
// only read-only, hidden, system and archive change. A missing path raises 53.
void SetAttr(const QString& path, long attributes);

}  // namespace win
