#include "app/abandoned_run_folders.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <regex>
#include <vector>

#include "engine/recovery_scan.h"
#include "platform/folder_lock.h"

namespace {

// The names in `folder` less "." and ".."; false when it cannot be read.
bool ReadNames(const std::string& folder, std::vector<std::string>* names) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return false;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names->push_back(name);
  }
  ::closedir(dir);
  return true;
}

// Whether every entry of `folder` is a regular file the editor makes there,
// the run lock among them.
bool HoldsOnlyOwnFiles(const std::string& folder, const std::vector<std::string>& names) {
  bool lockSeen = false;
  for (const std::string& name : names) {
    struct stat st {};
    if (::lstat((folder + "/" + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (!IsOwnRunFolderFileName(name)) return false;
    if (name == platform::kRunLockName) lockSeen = true;
  }
  return lockSeen;
}

bool RemoveIfAbandoned(const std::string& folder, std::time_t now) {
  struct stat st {};
  // A link in place of the folder is not followed.
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  if (now - st.st_mtime < kAbandonedRunFolderAge) return false;
  std::vector<std::string> names;
  if (!ReadNames(folder, &names) || !HoldsOnlyOwnFiles(folder, names)) return false;
  // The lock file is there (checked above), so this takes its lock or finds
  // a live process holding it; held, no other run can claim the folder
  // while it is emptied.
  platform::FolderLock lock;
  if (!platform::TakeFolderIfFree(folder, &lock) || !lock.Held()) return false;
  // Read again under the lock: a manifest may have come in between.
  names.clear();
  if (!ReadNames(folder, &names) || !HoldsOnlyOwnFiles(folder, names)) return false;
  for (const std::string& name : names) {
    // Plain unlink: a hard link's other name keeps its content.
    if (name != platform::kRunLockName) ::unlink((folder + "/" + name).c_str());
  }
  lock.RemoveAndRelease();
  return ::rmdir(folder.c_str()) == 0;
}

}  // namespace

bool IsOwnRunFolderFileName(const std::string& name) {
  static const std::regex own(
      // A slot or scratch file reserved with a number.
      "[a-z]+(_[a-z0-9]+)*_[0-9]+(\\.pcm|\\.pek)?"
      // A journal link of a document's audio or peak file.
      "|recovery_[0-9]+_[0-9]+_[a-z]+[0-9]*\\.(pcm|pek)"
      // A manifest's temporary, written and renamed into place.
      "|\\.recovery_[0-9]+(\\.durable)?\\.json\\.[A-Za-z0-9]{6}");
  return name == platform::kRunLockName || std::regex_match(name, own);
}

size_t RemoveAbandonedRunFolders(const std::string& tempFolder, std::time_t now) {
  std::string base = tempFolder;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  std::vector<std::string> names;
  if (base.empty() || !ReadNames(base, &names)) return 0;
  size_t removed = 0;
  for (const std::string& name : names) {
    if (IsRunFolderName(name) && RemoveIfAbandoned(base + "/" + name, now)) ++removed;
  }
  return removed;
}
