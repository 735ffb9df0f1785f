#pragma once
// Helpers shared by the file stand-ins; not part of the module's surface.
//
// Everything here works on host paths (the result of win::ToHostPath) and
// raw POSIX calls, so that the callers control exactly which system call
// runs, whether a symbolic link is followed, and which legacy error number
// an errno becomes.

#include <sys/stat.h>

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <ctime>
#include <utility>

namespace win::files_detail {

// An open descriptor, closed when the owner goes.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  [[nodiscard]] int Get() const { return fd_; }
  [[nodiscard]] bool Valid() const { return fd_ >= 0; }
  // Closes the descriptor; answers the errno of a failed close (0 when fine).
  int Reset();

 private:
  int fd_ = -1;
};

// The host spelling of a host path for system calls.
[[nodiscard]] QByteArray Encode(const QString& hostPath);

// The legacy errors an errno becomes. `missing` is the number for ENOENT
// (53 or 76, by what the caller looked for); `denied` the one for a refusal
// (70 for the file-system object, 75 for the BASIC file statements).
[[nodiscard]] long ErrorFromErrno(int err, long missing, long denied);

// The full Windows form and the host path of `path`; raises 76 when the path
// is empty or its drive is not in the drive table.
struct Mapped {
  QString windows;
  QString host;
};
[[nodiscard]] Mapped MapOrRaise(const QString& path);

// The Windows folder part and last name of a full Windows path ("C:\a\b.txt"
// gives "C:\a" and "b.txt"; "C:\b.txt" gives "C:\" and "b.txt").
[[nodiscard]] std::pair<QString, QString> SplitLast(const QString& fullPath);

// The host folder that holds `hostPath`.
[[nodiscard]] QString HostParent(const QString& hostPath);

// True when a name may be created on the legacy system: no control
// characters and none of < > : " / \ | ? *.
[[nodiscard]] bool IsValidNewName(const QString& name);

// stat / lstat; false when the entry does not exist (or cannot be reached).
bool Stat(const QString& hostPath, struct stat* st);
bool LStat(const QString& hostPath, struct stat* st);
[[nodiscard]] bool IsDir(const QString& hostPath);   // follows links
[[nodiscard]] bool IsFile(const QString& hostPath);  // follows links; anything but a folder
[[nodiscard]] bool Exists(const QString& hostPath);  // the entry itself, links included

// The legacy read-only state: no write bit for the owner.
[[nodiscard]] inline bool IsReadOnlyMode(mode_t mode) { return (mode & S_IWUSR) == 0; }

// A file time as local time.
[[nodiscard]] QDateTime LocalTime(const struct timespec& ts);

// Nanoseconds of a modification time, for the archive-bit record.
[[nodiscard]] inline long long Nanos(const struct timespec& ts) {
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// Writes all of `data` at the descriptor's position (or at `offset` when it
// is 0 or more); answers 0 or the errno of the failure.
int WriteAll(int fd, const char* data, qsizetype size, long long offset = -1);

// The start of the names of the temporary siblings of the host file
// `target` (already resolved from a link): a hidden ".~" and the first
// characters of the name, then "." and six letters or digits.
[[nodiscard]] QString ReplacementSiblingStart(const QString& target);

// A file written whole under a temporary sibling name and renamed over its
// target on Commit, so a reader or a crash never sees half of it. The
// sibling gets the mode and the legacy attributes of the file it replaces.
// Without Commit (an error, an abandoned stream) the sibling is removed and
// the target stays as it was. Where the folder refuses new names but the
// file itself may be written, the file is truncated and written in place.
class ReplacementFile {
 public:
  ReplacementFile() = default;
  ReplacementFile(ReplacementFile&& other) noexcept;
  ReplacementFile& operator=(ReplacementFile&& other) noexcept;
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;
  ~ReplacementFile() { Abandon(); }

  // Opens the sibling of the host file `target` (which exists, or not).
  // Answers 0 or the errno of the failure. With `ownerOnly` the sibling
  // stays readable and writable by its owner only, whatever the file it
  // replaces allowed, and a folder that refuses new names refuses the write
  // (the old file, which others may hold open, is never written in place).
  [[nodiscard]] int Begin(const QString& target, bool ownerOnly = false);
  [[nodiscard]] int Fd() const { return fd_.Get(); }
  [[nodiscard]] bool Active() const { return fd_.Valid(); }
  // The sibling's host path (empty when writing in place).
  [[nodiscard]] const QString& TempPath() const { return temp_; }
  // Flushes the sibling to disk and renames it over the target; answers 0 or
  // an errno (the sibling is removed then).
  int Commit();
  void Abandon();

 private:
  QString target_;
  QString temp_;
  UniqueFd fd_;
};

// The legacy attributes kept for a file or folder beside its permissions:
// hidden, system and archive, and the modification time at which the
// archive bit was last cleared (a later change of the file sets it again,
// as writing a file does on the legacy system).
struct AttributeRecord {
  bool present = false;
  unsigned long bits = 0;  // among 2, 4, 32
  long long clearedAt = 0;
};
[[nodiscard]] AttributeRecord ReadAttributeRecord(const QString& hostPath, const struct stat& st);
// Answers 0 or an errno.
int WriteAttributeRecord(const QString& hostPath, const struct stat& st, const AttributeRecord& record);
// The legacy attribute word of a host path (see FileAttributes.h), without
// NORMAL: 0 for a plain file; -1 when nothing is there.
[[nodiscard]] long HostAttributes(const QString& hostPath);

// Removes any record (the path then has the default attributes).
void ClearAttributeRecord(const QString& hostPath, const struct stat& st);
// Copies the record of `from` (whose status is `fromSt`) onto `to`.
void CopyAttributeRecord(const QString& from, const struct stat& fromSt, const QString& to);

}  // namespace win::files_detail
