// A run folder belongs to one live process: the process holds an exclusive
// flock on a lock file inside it for as long as it runs. The kernel lets go
// of the lock when the process ends in any way, so a folder whose lock is
// free was left by a process that is gone, and one whose lock is held is in
// use by a live program that must not lose its files.
#pragma once

#include <string>

#include "platform/unique_fd.h"

namespace platform {

// The lock file's name inside a run folder.
inline constexpr const char* kRunLockName = "run.lock";

class FolderLock {
 public:
  FolderLock() = default;
  FolderLock(FolderLock&&) = default;
  FolderLock& operator=(FolderLock&&) = default;

  // Creates (or opens) the lock file in `folder` and takes its lock
  // without waiting. false when the file cannot be made or another
  // process holds the lock. An existing lock file in a folder that cannot
  // be written is locked through a read-only descriptor.
  bool Acquire(const std::string& folder);
  // Deletes the lock file, then lets go of the lock; for the owner's last
  // step before removing the folder.
  void RemoveAndRelease();
  bool Held() const { return fd_.Valid(); }

 private:
  UniqueFd fd_;
  std::string path_;
};

// True when no live process holds the lock of `folder`: its lock file is
// missing (a folder of a program that kept none) or its lock can be taken.
// While true is returned, `*lock` holds the lock, so the caller can empty
// the folder without another process claiming it in between.
bool TakeFolderIfFree(const std::string& folder, FolderLock* lock);

}  // namespace platform
