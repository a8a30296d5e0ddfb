// A configuration folder (VELLMORE_HOME, which also holds the window
// placement and the recent files) and a temporary folder of a test's own,
// for editors the test runs in its own process or starts as programs.
#pragma once

#include <filesystem>

#include "tests/support/environment_scope.h"

class EditorHome {
 public:
  // Makes "home" and "tmp" in `folder`, points VELLMORE_HOME at "home" for
  // the life of this object and writes an editor.cfg there that names "tmp"
  // as the temporary folder. false when the file could not be written.
  bool Create(const std::filesystem::path& folder);

  std::filesystem::path Home() const { return folder_ / "home"; }
  std::filesystem::path Temp() const { return folder_ / "tmp"; }

 private:
  std::filesystem::path folder_;
  EnvironmentScope environment_;
};
