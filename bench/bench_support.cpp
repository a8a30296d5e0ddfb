#include "bench/bench_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/editor_app.h"
#include "app/first_run.h"
#include "platform/paths.h"

namespace bench {

long RssAnonKiB() {
  FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return -1;
  char line[256];
  long kib = -1;
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::strncmp(line, "RssAnon:", 8) == 0) {
      kib = std::strtol(line + 8, nullptr, 10);
      break;
    }
  }
  std::fclose(status);
  return kib;
}

ScratchFolder::ScratchFolder() {
  std::string pattern = platform::PlatformTempPath() + "vellmore-bench-XXXXXX";
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

bool StartAppIn(CEditorApp& app, const std::string& folder) {
  ConfigRecord record{};
  record.SetTempFolder(folder);
  app.SetConfigPath(folder + "/editor.cfg");
  WriteConfigFile(app.ConfigPath(), record);
  DefaultFirstRunDialogs unused;
  StartUpOptions options;
  options.firstRunDialogs = false;
  options.ownsRunFolderRecord = false;
  return app.StartUp(unused, options);
}

}  // namespace bench
