#include "app/config.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/recovery_scan.h"
#include "platform/file_replace.h"
#include "platform/folder_lock.h"
#include "platform/message.h"
#include "platform/unique_fd.h"

namespace {

std::string ReadField(const char (&field)[platform::kMaxPath]) {
  return {field, strnlen(field, sizeof field)};
}

bool WriteField(char (&field)[platform::kMaxPath], std::string_view path) {
  if (path.size() >= sizeof field || path.find('\0') != std::string_view::npos) return false;
  std::memset(field, 0, sizeof field);
  std::memcpy(field, path.data(), path.size());
  return true;
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::string ConfigRecord::TempFolder() const {
  return ReadField(tempFolder);
}
std::string ConfigRecord::LastRunFolder() const {
  return ReadField(lastRunFolder);
}
bool ConfigRecord::SetTempFolder(std::string_view path) {
  return WriteField(tempFolder, path);
}
bool ConfigRecord::SetLastRunFolder(std::string_view path) {
  return WriteField(lastRunFolder, path);
}

std::string ConfigFilePath() {
  const std::string folder = platform::ProgramFolder();
  return folder.empty() ? std::string() : folder + "/editor.cfg";
}

ConfigLoad LoadConfigFile(const std::string& path, ConfigRecord* record) {
  std::memset(record, 0, sizeof *record);
  if (path.empty()) return ConfigLoad::Missing;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return ConfigLoad::Missing;
  const size_t got = std::fread(record, 1, sizeof *record, file);
  std::fclose(file);
  if (got < sizeof *record) {
    platform::ShowMessage("Warning: The entire config file was not read in.");
    return ConfigLoad::Partial;
  }
  return ConfigLoad::Loaded;
}

bool WriteConfigFile(const std::string& path, const ConfigRecord& record) {
  const bool written =
      !path.empty() &&
      platform::WriteFileAtomically(
          path, std::string_view(reinterpret_cast<const char*>(&record), sizeof record));
  if (!written) platform::ShowMessage("Failed to open config file for writing.");
  return written;
}

bool FolderIsWritable(const std::string& folder) {
  for (long n = 0;; ++n) {
    const std::string probe = platform::FormatText("%s/write_check_%ld", folder.c_str(), n);
    if (PathExists(probe)) continue;
    platform::UniqueFd fd(::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd.Valid() && errno == EEXIST) continue;  // appeared since the check
    if (!fd.Valid()) return false;
    fd.Reset();
    ::unlink(probe.c_str());
    return true;
  }
}

bool LooksLikeRunFolder(const std::string& folder) {
  std::string trimmed = folder;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const size_t slash = trimmed.rfind('/');
  const std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
  return name.size() == 14 &&
         std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c); });
}

void RemovePreviousRunFolder(const std::string& folder) {
  if (folder.size() <= 2 || !LooksLikeRunFolder(folder)) return;
  struct stat st {};
  // A symbolic link in place of the folder is not followed.
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
  // Another editor on the same configuration may still be running in it.
  platform::FolderLock lock;
  if (!platform::TakeFolderIfFree(folder, &lock)) return;
  // Documents of an editor that died wait there until the user decides.
  if (FolderHoldsManifests(folder)) return;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.empty() || name == "." || name == "..") continue;
      const std::string path = folder + "/" + name;
      // Plain unlink: emptying a file first would also empty whatever a
      // hard or symbolic link in the folder points at.
      if (::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) ::unlink(path.c_str());
    }
    ::closedir(dir);
  }
  ::rmdir(folder.c_str());
}
