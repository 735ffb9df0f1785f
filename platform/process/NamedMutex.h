#pragma once
// Named mutexes, as the single-instance rule uses them.
//
// A named mutex is a lock file held with flock:
//   - "Global\<name>": machine-wide, in a shared lock folder (default
//     /tmp/orvane-locks-shared, made world-writable and sticky); the lock
//     file is readable and writable for everyone, so that another user's
//     copy of the program can open it and see that it is held;
//   - "Local\<name>" and names without a prefix: per user, in
//     $XDG_RUNTIME_DIR/orvane-locks, else /tmp/orvane-locks-<uid> (0700).
// With ORVANE_LOCKS_DIR set, the two folders are its subfolders "shared"
// and "user-<uid>" instead.
// The prefixes are matched without regard to case; the name after them is
// case-sensitive, as the system's object names are. Characters other than
// letters, digits, ".", "_" and "-" are written %XX (UTF-8) in the file name.
//
// Creating the mutex takes the lock at once (initial ownership). The lock
// goes when the handle is destroyed or the process ends, since the kernel
// drops an flock with the last descriptor of its open file. The file is
// opened close-on-exec and started programs get no descriptors but stdio, so
// a child started by the holder never keeps the lock after the holder ended.

#include "platform/errors/Win32Error.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace win {

class NamedMutex {
 public:
  // What CreateMutex answers: a handle and the last error.
  //   0    the mutex is new and this handle owns it;
  //   183  another handle (this process's or another's) holds it; the handle
  //        is valid but owns nothing, and the caller closes it;
  //   5    the lock file cannot be opened (another user's private file, or a
  //        folder this user may not write): no handle;
  //   3    the lock folder cannot be made: no handle.
  struct Created {
    std::unique_ptr<NamedMutex> handle;
    std::uint32_t lastError = 0;  // ERROR_SUCCESS
  };

  // CreateMutex(no security attributes, initial owner, name). An empty name
  // makes an unnamed mutex, always new.
  [[nodiscard]] static Created Create(const QString& name);

  ~NamedMutex();
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  [[nodiscard]] bool Owned() const { return owned_; }
  [[nodiscard]] const QString& Name() const { return name_; }

  // The host path of the lock file for `name` (empty for an empty name).
  [[nodiscard]] static QString LockFileFor(const QString& name);

  // Points the lock folders elsewhere (tests); empty texts restore the defaults.
  static void SetFolders(const QString& globalFolder, const QString& localFolder);

 private:
  NamedMutex(QString name, int fd, bool owned);

  QString name_;
  int fd_ = -1;
  bool owned_ = false;
};

}  // namespace win
