#include "tests/support/editor_home.h"

#include "app/config.h"

bool EditorHome::Create(const std::filesystem::path& folder) {
  folder_ = folder;
  std::filesystem::create_directory(Home());
  std::filesystem::create_directory(Temp());
  environment_.Set("VELLMORE_HOME", Home().string());
  ConfigRecord record{};
  record.SetTempFolder(Temp().string());
  return WriteConfigFile((Home() / "editor.cfg").string(), record);
}
