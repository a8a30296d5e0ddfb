// A started application with one document holding generated audio and all
// tools installed, for running tools' processing directly.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "effects/document_tools.h"
#include "engine/editor_doc.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_app.h"

class EffectDoc {
 public:
  // Opens `pcm` in `format` through a WAV file.
  EffectDoc(const AudioFormat& format, const std::string& pcm);
  ~EffectDoc();

  CEditorDoc& Doc() { return *doc_; }
  TestApp& App() { return app_; }
  ScriptedProgress& Progress() { return app_.progress; }

  // Runs the tool's processing; the result's bytes land in `output` (slot B
  // is cleaned up afterwards, as the driver does on every path).
  OpResult Run(EffectTool& tool, std::string* output = nullptr);
  // The peak bytes slot B had after the last Run.
  const std::string& LastPeaks() const { return lastPeaks_; }
  AudioFormat LastFormat() const { return lastFormat_; }

 private:
  TestApp app_;
  std::unique_ptr<CEditorDoc> doc_;
  std::string lastPeaks_;
  AudioFormat lastFormat_{};
};

// Little-endian 16-bit samples.
std::string Samples16(const std::vector<int>& values);
std::vector<int> Values16(const std::string& bytes);
std::string Bytes8(const std::vector<int>& values);
std::vector<int> Values8(const std::string& bytes);

// Points the program folder (where the preset files live) at a fresh folder
// for the object's lifetime.
class ProgramFolderScope {
 public:
  ProgramFolderScope();
  ~ProgramFolderScope();
  std::filesystem::path File(const char* name) const { return dir_ / name; }

 private:
  TempDir dir_;
  bool hadOld_ = false;
  std::string old_;
};
