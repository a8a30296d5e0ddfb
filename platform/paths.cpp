#include "platform/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace platform {

std::string ProgramFolder() {
  if (const char* home = std::getenv("VELLMORE_HOME"); home != nullptr && *home != '\0') {
    std::string folder = home;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
  }
  return ExecutableFolder();
}

std::string ExecutableFolder() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return exe.parent_path().string();
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

std::string RunStamp(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

}  // namespace platform
