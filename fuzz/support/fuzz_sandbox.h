// A started editor in a private temporary folder, shared by every input of
// one fuzzing process: the configuration, the run folder, the preset files
// and the inputs written to disk all live below it, so nothing a fuzzed input
// makes the editor do can reach the user's files. The folder is removed when
// the process ends normally.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/editor_app.h"
#include "engine/document_dialogs.h"
#include "engine/progress.h"

class FuzzSandbox {
 public:
  // The process's sandbox, created and started on first use.
  static FuzzSandbox& Get();

  FuzzSandbox(const FuzzSandbox&) = delete;
  FuzzSandbox& operator=(const FuzzSandbox&) = delete;
  ~FuzzSandbox();

  // The sandbox folder; it is also VELLMORE_HOME, the folder of editor.cfg
  // and of the preset files.
  const std::string& Folder() const { return folder_; }
  // Writes `data` to "<folder>/inputs/<name>" and returns that path.
  std::string WriteInput(const std::string& name, const uint8_t* data, size_t size) const;
  // Removes every file below "<folder>/inputs" (what a save left there).
  void ClearInputs() const;

  // The editor started in the sandbox, on first use; a target that starts
  // editors of its own never asks for it.
  CEditorApp& App();
  PresetDocumentDialogs& Dialogs() { return dialogs_; }

 private:
  FuzzSandbox();

  std::string folder_;
  SilentOperationHost host_;
  PresetDocumentDialogs dialogs_;
  std::unique_ptr<CEditorApp> app_;
};

// Stops the process with a message when `condition` is false: an invariant a
// fuzzed input broke is a finding just like a crash.
void FuzzCheck(bool condition, const char* what);
