// A started application in a scratch folder of its own: run folder, shared
// slots, a scripted progress host and preset dialogs, ready for documents.
#pragma once

#include <memory>
#include <string>

#include "app/editor_app.h"
#include "engine/document_dialogs.h"
#include "tests/support/scripted_progress.h"
#include "tests/support/temp_dir.h"

class TestApp {
 public:
  TestApp();
  ~TestApp();

  CEditorApp& App() { return *app_; }
  // A path for the test's own files (outside the run folder).
  std::string FilePath(const std::string& name) const { return (files_ / name).string(); }
  // Names of the files in the run folder, less its run lock.
  std::vector<std::string> RunFolderFiles() const;

  ScriptedProgress progress;
  PresetDocumentDialogs dialogs;

 private:
  TempDir root_;
  std::filesystem::path files_;
  std::unique_ptr<CEditorApp> app_;
};

// Runs a shell command; true when it exited 0.
bool RunCommand(const std::string& command);
// True when `tool` is on the PATH.
bool HaveTool(const std::string& tool);
// Bytes of a WAV file holding `pcm` in `format` with the 44-byte header.
std::string MakeWav(const AudioFormat& format, const std::string& pcm);
