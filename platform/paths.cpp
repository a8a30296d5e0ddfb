#include "platform/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace platform {

namespace {

std::string WithoutTrailingSlashes(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

bool IsWritableFolder(const std::string& folder) {
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
         ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// $XDG_CONFIG_HOME/vellmore; a relative XDG_CONFIG_HOME is ignored, as the
// base directory rules say.
std::string UserConfigFolder() {
  std::string base = Environment("XDG_CONFIG_HOME");
  if (base.empty() || base[0] != '/') {
    const std::string home = Environment("HOME");
    if (home.empty()) return {};
    base = WithoutTrailingSlashes(home) + "/.config";
  }
  const std::string folder = WithoutTrailingSlashes(base) + "/vellmore";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return folder;
}

}  // namespace

std::string ProgramFolder() {
  if (const std::string home = Environment("VELLMORE_HOME"); !home.empty()) {
    return WithoutTrailingSlashes(home);
  }
  const std::string exe = ExecutableFolder();
  struct stat st {};
  if (!exe.empty() && ::stat((exe + "/editor.cfg").c_str(), &st) == 0 && IsWritableFolder(exe)) {
    return exe;
  }
  return UserConfigFolder();
}

std::vector<std::string> LibraryFolders() {
  const std::string exe = ExecutableFolder();
  if (exe.empty()) return {};
  return {exe, exe + "/../lib/vellmore"};
}

std::string ExecutableFolder() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return exe.parent_path().string();
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string PlatformTempPath() {
  std::string folder = "/tmp";
  if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp != '\0') {
    struct stat st {};
    if (::stat(tmp, &st) == 0 && S_ISDIR(st.st_mode)) folder = tmp;
  }
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string ProposedTempFolder() {
  std::string runtime = Environment("XDG_RUNTIME_DIR");
  if (runtime.empty() || runtime[0] != '/' || !IsWritableFolder(runtime)) {
    return PlatformTempPath();
  }
  runtime = WithoutTrailingSlashes(runtime);
  if (runtime.back() != '/') runtime += '/';
  return runtime;
}

std::string RunStamp(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

}  // namespace platform
