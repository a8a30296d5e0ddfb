#include "tests/ombrin/ffmpeg_tool.h"

#include <unistd.h>

#include <cstdlib>

namespace fs = std::filesystem;

bool HaveFfmpeg() {
  static const bool present = [] {
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "";
    size_t start = 0;
    while (start <= folders.size()) {
      size_t end = folders.find(':', start);
      if (end == std::string::npos) end = folders.size();
      const fs::path candidate = fs::path(folders.substr(start, end - start)) / "ffmpeg";
      if (end > start && ::access(candidate.c_str(), X_OK) == 0) return true;
      start = end + 1;
    }
    return false;
  }();
  return present;
}

bool RunFfmpeg(const std::string& arguments) {
  return std::system(("ffmpeg -nostdin -v error -y " + arguments + " >/dev/null 2>&1").c_str()) ==
         0;
}

std::string Quoted(const fs::path& path) {
  return "'" + path.string() + "'";
}
