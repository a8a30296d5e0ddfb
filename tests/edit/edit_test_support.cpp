#include "tests/edit/edit_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "engine/op_codes.h"
#include "engine/peak_file.h"
#include "engine/progress.h"

std::string RandomAudio(const AudioFormat& format, uint32_t frames, unsigned seed) {
  std::mt19937 random(seed);
  std::string pcm(static_cast<size_t>(frames) * format.BlockSize(), '\0');
  for (auto& b : pcm) b = static_cast<char>(random());
  return pcm;
}

std::unique_ptr<CEditorDoc> OpenDocument(TestApp& t, const AudioFormat& format,
                                         const std::string& pcm) {
  static int serial = 0;
  const std::string path = t.FilePath("doc" + std::to_string(++serial) + ".wav");
  WriteFileBytes(path, MakeWav(format, pcm));
  auto doc = std::make_unique<CEditorDoc>(t.App());
  EXPECT_TRUE(doc->OnOpenDocument(path));
  return doc;
}

OpResult RunOp(CEditorDoc& doc, OpCode code) {
  doc.DocRunOperation(code);
  return doc.LastResult();
}

std::string SlotAudio(const TempAudioFile& slot) {
  if (slot.pcmLength == 0) return {};
  return std::string(reinterpret_cast<const char*>(slot.pcmData), slot.pcmLength);
}

std::string WorkingAudio(const CEditorDoc& doc) {
  return SlotAudio(doc.work);
}

void ExpectDocumentInvariants(const CEditorDoc& doc) {
  const uint32_t block = doc.blockAlign > 0 ? doc.blockAlign : 1;
  EXPECT_EQ(doc.dataLength, doc.work.pcmLength);
  EXPECT_EQ(doc.peakLength, doc.work.peakLength);
  EXPECT_EQ(doc.work.Format(), doc.Format());
  EXPECT_EQ(doc.dataLength % block, 0u);
  EXPECT_EQ(doc.Selection().Start() % block, 0u);
  EXPECT_EQ(doc.Selection().End() % block, 0u);
  // Inside the audio, with peak bounds that are the image of the PCM bounds.
  EXPECT_TRUE(doc.Selection().FitsScale(doc.Scale()))
      << doc.Selection().Start() << ".." << doc.Selection().End() << " peaks "
      << doc.Selection().PeakStart() << ".." << doc.Selection().PeakEnd();
  EXPECT_TRUE(doc.View().FitsScale(doc.Scale()))
      << doc.View().Start() << ".." << doc.View().End() << " peaks " << doc.View().PeakStart()
      << ".." << doc.View().PeakEnd();
  EXPECT_EQ(doc.hasAudio, doc.dataLength > 0 ? 1 : 0);
  EXPECT_EQ(doc.work.pcmData != nullptr, doc.dataLength > 0);
  if (doc.dataLength > 0) {
    EXPECT_EQ(std::filesystem::file_size(doc.work.pcmPath), doc.dataLength);
  }
}

std::vector<std::string> ScratchLeftovers(TestApp& t) {
  std::vector<std::string> found;
  for (TempAudioFile* slot : {t.App().TempA(), t.App().TempB(), t.App().TempC(), t.App().TempD()}) {
    for (const std::string& path : {slot->pcmPath, slot->peakPath}) {
      std::error_code error;
      if (std::filesystem::exists(path) && std::filesystem::file_size(path, error) > 0) {
        found.push_back(path);
      }
    }
    if (slot->pcmLength != 0 || slot->peakLength != 0 || slot->pcmData != nullptr) {
      found.push_back(slot->pcmPath + " (lengths)");
    }
  }
  return found;
}

OpResult InvertTool::PerformAction(CEditorDoc& doc, Progress& progress) {
  const uint32_t start = scope == ENTIRE_FILE ? 0 : doc.Selection().Start();
  const uint32_t end = scope == ENTIRE_FILE ? doc.dataLength : doc.Selection().End();
  TempAudioFile* b = doc.tempB;
  b->pcmLength = end - start;
  b->peakLength = 0;
  if (DocMemMapFile(b, PCM_PART, MAP_WRITE) != OP_DONE) return OP_FAILED;
  for (uint32_t i = 0; i < end - start; ++i) {
    b->pcmData[i] = static_cast<uint8_t>(~doc.work.pcmData[start + i]);
    if (i % 8192 == 0) {
      progress.Step(i / 100);
      if (progress.IsCancelled()) return OP_CANCELLED;
    }
  }
  CloseMemMapFile(b, PCM_PART);
  b->SetFormat(doc.Format());
  if (DocMemMapFile(b, PCM_PART, MAP_READ) != OP_DONE) return OP_FAILED;
  if (const auto r = DrawPeakFile(b, progress); r != OP_DONE) return r;
  if (DocMemMapFile(b, PEAK_PART, MAP_READ) != OP_DONE) return OP_FAILED;
  return result;
}
