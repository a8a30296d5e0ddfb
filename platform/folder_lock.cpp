#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>

namespace platform {

bool FolderLock::Acquire(const std::string& folder) {
  path_ = folder + "/" + kRunLockName;
  UniqueFd fd(::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  // In a folder this process cannot write (a file system mounted read-only
  // after a power cut, another account's folder) the lock file is opened
  // for reading: a lock taken through it keeps other processes out all the
  // same, and tells just as well whether the folder's run is alive.
  if (!fd.Valid() && (errno == EROFS || errno == EACCES)) {
    fd = UniqueFd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  }
  if (!fd.Valid() || ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return false;
  fd_ = std::move(fd);
  return true;
}

void FolderLock::RemoveAndRelease() {
  if (!fd_.Valid()) return;
  ::unlink(path_.c_str());
  fd_.Reset();
}

bool TakeFolderIfFree(const std::string& folder, FolderLock* lock) {
  const std::string path = folder + "/" + kRunLockName;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) return true;
  return lock->Acquire(folder);
}

}  // namespace platform
