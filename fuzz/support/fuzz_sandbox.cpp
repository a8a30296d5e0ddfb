#include "fuzz/support/fuzz_sandbox.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "app/config.h"
#include "app/first_run.h"
#include "effects/document_tools.h"
#include "platform/message.h"

namespace fs = std::filesystem;

FuzzSandbox& FuzzSandbox::Get() {
  // Destroyed at exit, which removes the folder.
  static FuzzSandbox sandbox;
  return sandbox;
}

FuzzSandbox::FuzzSandbox() {
  std::string pattern = (fs::temp_directory_path() / "vellmore-fuzz-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("vellmore fuzz: cannot create the sandbox folder");
    std::abort();
  }
  folder_ = pattern;
  fs::create_directory(folder_ + "/inputs");
  fs::create_directory(folder_ + "/tmp");
  // The preset files and editor.cfg are looked up here from now on, and a
  // start-up without a configuration makes its run folder here too.
  ::setenv("VELLMORE_HOME", folder_.c_str(), 1);
  ::setenv("TMPDIR", (folder_ + "/tmp").c_str(), 1);
  // Thousands of inputs each show a few messages; none of them is a finding.
  platform::SetMessageSink([](std::string_view, platform::MessageIcon) {});
}

CEditorApp& FuzzSandbox::App() {
  if (app_ != nullptr) return *app_;
  app_ = std::make_unique<CEditorApp>();
  ConfigRecord record{};
  record.SetTempFolder(folder_ + "/tmp");
  app_->SetConfigPath(folder_ + "/editor.cfg");
  WriteConfigFile(app_->ConfigPath(), record);
  app_->SetOperationHost(&host_);
  app_->SetDocumentDialogs(&dialogs_);
  app_->installTools = InstallDocumentTools;
  DefaultFirstRunDialogs unused;
  StartUpOptions options;
  options.firstRunDialogs = false;
  options.ownsRunFolderRecord = false;
  FuzzCheck(app_->StartUp(unused, options), "the sandboxed editor starts");
  return *app_;
}

FuzzSandbox::~FuzzSandbox() {
  app_.reset();
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

std::string FuzzSandbox::WriteInput(const std::string& name, const uint8_t* data,
                                    size_t size) const {
  const std::string path = folder_ + "/inputs/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  FuzzCheck(out.good(), "the input is written to the sandbox");
  return path;
}

void FuzzSandbox::ClearInputs() const {
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(folder_ + "/inputs", ignored)) {
    fs::remove_all(entry.path(), ignored);
  }
}

void FuzzCheck(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "vellmore fuzz: invariant broken: %s\n", what);
  std::abort();
}
