#include "tests/support/latest_manifest.h"

#include <string>
#include <system_error>

#include "tests/support/temp_dir.h"

bool ReadLatestManifest(const std::filesystem::path& temp, DocManifest* manifest) {
  namespace fs = std::filesystem;
  std::error_code ignored;
  for (const auto& run : fs::directory_iterator(temp, ignored)) {
    for (const auto& entry : fs::directory_iterator(run.path(), ignored)) {
      const std::string name = entry.path().filename().string();
      if (name.starts_with(kManifestPrefix) && name.ends_with(kManifestSuffix) &&
          !name.ends_with(kDurableManifestSuffix)) {
        std::string error;
        return ManifestFromJson(ReadFileBytes(entry.path()), manifest, &error);
      }
    }
  }
  return false;
}
