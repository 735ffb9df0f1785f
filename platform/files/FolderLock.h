#pragma once
// An exclusive lock on a host folder for one read-modify-write of a file in
// it, across threads and processes (flock). The lock is on the folder, not
// the file, because writers replace the file by a rename: a lock on the old
// file would not hold for the new one. Waits until the lock is free; a
// folder that cannot be opened gives no lock (the write then fails on its
// own).

#include <QString>

namespace win {

class FolderLock {
 public:
  explicit FolderLock(const QString& hostFolder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_;
};

}  // namespace win
