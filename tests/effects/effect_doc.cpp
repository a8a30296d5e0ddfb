#include "tests/effects/effect_doc.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/op_codes.h"
#include "tests/support/temp_dir.h"

EffectDoc::EffectDoc(const AudioFormat& format, const std::string& pcm) {
  app_.App().installTools = InstallDocumentTools;
  const std::string path = app_.FilePath("in.wav");
  WriteFileBytes(path, MakeWav(format, pcm));
  doc_ = std::make_unique<CEditorDoc>(app_.App());
  EXPECT_TRUE(doc_->OnOpenDocument(path));
}

EffectDoc::~EffectDoc() {
  doc_.reset();
}

OpResult EffectDoc::Run(EffectTool& tool, std::string* output) {
  TempAudioFile* b = doc_->tempB;
  const auto result = tool.PerformAction(*doc_, app_.progress);
  if (output != nullptr) {
    *output = b->pcmData != nullptr
                  ? std::string(reinterpret_cast<const char*>(b->pcmData), b->pcmLength)
                  : std::string();
  }
  lastPeaks_ = b->peakData != nullptr
                   ? std::string(reinterpret_cast<const char*>(b->peakData), b->peakLength)
                   : std::string();
  lastFormat_ = b->Format();
  EXPECT_EQ(CleanupTempAudioFile(b, 0), OP_DONE);
  return result;
}

std::string Samples16(const std::vector<int>& values) {
  std::string bytes;
  for (int v : values) {
    bytes.push_back(static_cast<char>(v & 0xff));
    bytes.push_back(static_cast<char>((v >> 8) & 0xff));
  }
  return bytes;
}

std::vector<int> Values16(const std::string& bytes) {
  std::vector<int> values;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    values.push_back(static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) |
                                          (static_cast<uint8_t>(bytes[i + 1]) << 8)));
  }
  return values;
}

std::string Bytes8(const std::vector<int>& values) {
  std::string bytes;
  for (int v : values) bytes.push_back(static_cast<char>(v));
  return bytes;
}

std::vector<int> Values8(const std::string& bytes) {
  std::vector<int> values;
  for (char c : bytes) values.push_back(static_cast<uint8_t>(c));
  return values;
}

ProgramFolderScope::ProgramFolderScope() {
  const char* old = std::getenv("VELLMORE_HOME");
  hadOld_ = old != nullptr;
  if (hadOld_) old_ = old;
  ::setenv("VELLMORE_HOME", dir_.Str().c_str(), 1);
}

ProgramFolderScope::~ProgramFolderScope() {
  if (hadOld_) {
    ::setenv("VELLMORE_HOME", old_.c_str(), 1);
  } else {
    ::unsetenv("VELLMORE_HOME");
  }
}
