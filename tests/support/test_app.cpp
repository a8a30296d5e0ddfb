#include "tests/support/test_app.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "app/first_run.h"
#include "engine/wave_file.h"
#include "platform/folder_lock.h"

TestApp::TestApp() {
  files_ = root_.Path() / "files";
  std::filesystem::create_directory(files_);
  std::filesystem::create_directory(root_.Path() / "tmp");
  app_ = std::make_unique<CEditorApp>();
  ConfigRecord record{};
  record.SetTempFolder((root_.Path() / "tmp").string());
  app_->SetConfigPath((root_.Path() / "editor.cfg").string());
  WriteConfigFile(app_->ConfigPath(), record);
  DefaultFirstRunDialogs unused;
  StartUpOptions options;
  options.firstRunDialogs = false;
  options.ownsRunFolderRecord = false;
  EXPECT_TRUE(app_->StartUp(unused, options));
  app_->SetOperationHost(&progress);
  app_->SetDocumentDialogs(&dialogs);
}

TestApp::~TestApp() {
  app_.reset();
}

std::vector<std::string> TestApp::RunFolderFiles() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(app_->RunFolder())) {
    const std::string name = entry.path().filename().string();
    // The recovery journal's files come and go with every operation.
    if (name != platform::kRunLockName && !name.starts_with("recovery_")) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool RunCommand(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

bool HaveTool(const std::string& tool) {
  return RunCommand("command -v " + tool + " >/dev/null 2>&1");
}

std::string MakeWav(const AudioFormat& format, const std::string& pcm) {
  return MakeWaveHeader(format, static_cast<uint32_t>(pcm.size())) + pcm;
}
