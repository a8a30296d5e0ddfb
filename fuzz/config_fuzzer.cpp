// editor.cfg of any bytes, read by a whole start-up and written back by its
// exit, twice (the second start-up reads what the first one wrote). The two
// path fields are moved below the sandbox before the file is written, keeping
// their folder structure, so a fuzzed path makes and removes run folders
// there and nowhere else.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/config.h"
#include "app/editor_app.h"
#include "app/first_run.h"
#include "fuzz/support/fuzz_sandbox.h"

namespace fs = std::filesystem;

namespace {

// `path` as a path below `root`: its components without "", "." and "..".
std::string Below(const std::string& root, const std::string& path) {
  std::string result = root;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    if (!part.empty() && part != "." && part != "..") result += "/" + part;
    start = end + 1;
  }
  return result;
}

// The input's bytes with both path fields moved below `root`. A file shorter
// than the record stays shorter (the partial-read path), but never ends
// inside a moved path: a cut-off path could name a folder outside `root`.
std::string Sandboxed(const std::string& root, const uint8_t* data, size_t size) {
  ConfigRecord record{};
  std::memcpy(&record, data, std::min(size, sizeof record));
  if (!record.SetTempFolder(Below(root, record.TempFolder()))) record.SetTempFolder(root);
  if (!record.SetLastRunFolder(Below(root, record.LastRunFolder()))) record.SetLastRunFolder(root);
  size_t length = size;
  if (size < sizeof record) {
    length = std::max(length, record.TempFolder().size() + 1);
    if (size > offsetof(ConfigRecord, lastRunFolder)) {
      length = std::max(length,
                        offsetof(ConfigRecord, lastRunFolder) + record.LastRunFolder().size() + 1);
    }
    length = std::min(length, sizeof record - 1);
  }
  std::string bytes(reinterpret_cast<const char*>(&record), std::min(length, sizeof record));
  if (size > sizeof record)
    bytes.append(reinterpret_cast<const char*>(data) + sizeof record, size - sizeof record);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const FuzzSandbox& sandbox = FuzzSandbox::Get();
  const std::string root = sandbox.Folder() + "/inputs/config";
  fs::create_directories(root);
  const std::string bytes = Sandboxed(root, data, size);
  const std::string path = sandbox.WriteInput(
      "config/editor.cfg", reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  static long run = 0;
  for (int pass = 0; pass < 2; ++pass) {
    std::string runFolder;
    {
      CEditorApp app;
      app.SetConfigPath(path);
      DefaultFirstRunDialogs dialogs;
      StartUpOptions options;
      options.firstRunDialogs = false;
      options.runFolderSuffix = "-fuzz-" + std::to_string(++run);
      if (app.StartUp(dialogs, options)) runFolder = app.RunFolder();
      app.Shutdown();
    }
    FuzzCheck(runFolder.empty() || !fs::exists(runFolder), "the exit removes its run folder");
  }
  sandbox.ClearInputs();
  return 0;
}
