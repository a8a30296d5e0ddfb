#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "engine/convert.h"
#include "engine/op_codes.h"
#include "tests/edit/edit_test_support.h"
#include "tests/support/message_recorder.h"

namespace {

const AudioFormat kStereo16{2, 16, 44100};

std::string Inverted(std::string bytes) {
  for (auto& b : bytes) b = static_cast<char>(~b);
  return bytes;
}

// Change quality: the whole working audio converted into B.
class ToMono8Tool : public EffectTool {
 public:
  int Scope() const override { return ENTIRE_FILE; }
  OpResult PerformAction(CEditorDoc& doc, Progress& progress) override {
    const auto r = ConvertAudioFile(&doc.work, doc.tempB, 8, 1, 22050, 1, progress);
    if (r == OP_DONE) CloseMemMapFile(doc.tempB, BOTH_PARTS);
    return r;
  }
};

// Mix paste: writes the clipboard itself into B (the mixing is the tool's
// business; the driver only splices what B holds).
class ClipIntoBTool : public EffectTool {
 public:
  int Scope() const override { return SELECTED_AREA; }
  OpResult PerformAction(CEditorDoc& doc, Progress& progress) override {
    TempAudioFile* b = doc.tempB;
    b->pcmLength = doc.clip->pcmLength;
    b->peakLength = doc.clip->peakLength;
    if (DocMemMapFile(b, BOTH_PARTS, MAP_WRITE) != OP_DONE) return OP_FAILED;
    std::copy(doc.clip->pcmData, doc.clip->pcmData + b->pcmLength, b->pcmData);
    std::copy(doc.clip->peakData, doc.clip->peakData + b->peakLength, b->peakData);
    CloseMemMapFile(b, BOTH_PARTS);
    b->SetFormat(doc.Format());
    progress.Step(0);
    return DocMemMapFile(b, BOTH_PARTS, MAP_READ);
  }
};

ino_t InodeOf(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

}  // namespace

TEST(EffectDriver, EntireFileEffectStoresAnUndoEntryOverTheWholeAudio) {
  TestApp t;
  const std::string pcm = RandomAudio(kStereo16, 250000, 21);  // 1,000,000 bytes
  auto doc = OpenDocument(t, kStereo16, pcm);
  doc->AdoptTool(OP_VOLUME, std::make_unique<InvertTool>(ENTIRE_FILE));
  const ino_t oldWorkingCopy = InodeOf(doc->work.pcmPath);
  ASSERT_EQ(RunOp(*doc, OP_VOLUME), OP_DONE);
  EXPECT_EQ(WorkingAudio(*doc), Inverted(pcm));
  const UndoEntry& entry = doc->undo[doc->undoPosition];
  // The old working copy itself is the undo entry: nothing was copied.
  EXPECT_EQ(InodeOf(entry.slot.pcmPath), oldWorkingCopy);
  EXPECT_EQ(entry.operation, OP_PASTE_OVER);
  EXPECT_EQ(entry.pcmStart, 0u);
  EXPECT_EQ(entry.pcmEnd, 1000000u);
  EXPECT_EQ(entry.peakStart, 0u);
  EXPECT_EQ(entry.peakEnd, 31248u);
  EXPECT_NE(std::find(t.progress.captions.begin(), t.progress.captions.end(),
                      "Performing volume adjustment operation"),
            t.progress.captions.end());
  EXPECT_TRUE(ScratchLeftovers(t).empty());
  ASSERT_EQ(RunOp(*doc, OP_UNDO), OP_DONE);
  EXPECT_EQ(WorkingAudio(*doc), pcm);
}

TEST(EffectDriver, SelectionEffectCoversTheSelectionAndTheNewPeakLength) {
  TestApp t;
  const std::string pcm = RandomAudio(kStereo16, 50000, 22);
  auto doc = OpenDocument(t, kStereo16, pcm);
  auto tool = std::make_unique<InvertTool>(SELECTED_AREA);
  doc->AdoptTool(OP_ECHO, std::move(tool));
  doc->SetSelection(40000, 120000);
  const uint32_t ps = doc->Selection().PeakStart();
  ASSERT_EQ(RunOp(*doc, OP_ECHO), OP_DONE);
  EXPECT_EQ(WorkingAudio(*doc),
            pcm.substr(0, 40000) + Inverted(pcm.substr(40000, 80000)) + pcm.substr(120000));
  const UndoEntry& entry = doc->undo[doc->undoPosition];
  EXPECT_EQ(entry.pcmStart, 40000u);
  EXPECT_EQ(entry.pcmEnd, 120000u);
  EXPECT_EQ(entry.peakStart, ps);
  EXPECT_EQ(entry.peakEnd, ps + 2496u);  // B's own peak data: (20000 - 1) / 32 entries of 4
  ExpectDocumentInvariants(*doc);
}

TEST(EffectDriver, ResultsAndFailuresPerOperation) {
  struct Case {
    OpCode code;
    OpResult success;
  };
  const Case cases[] = {{OP_VOLUME, OP_DONE},  {OP_FADE, OP_DONE},   {OP_MUTE, OP_DONE},
                        {OP_REVERSE, OP_DONE}, {OP_SWAP, OP_DONE},   {OP_COPY_CHANNEL, OP_DONE},
                        {OP_ECHO, OP_DONE},    {OP_REVERB, OP_DONE}, {OP_MULTI_VOICE, OP_DONE}};
  for (const auto& c : cases) {
    TestApp t;
    auto doc = OpenDocument(t, kStereo16, RandomAudio(kStereo16, 2000, 23));
    auto tool = std::make_unique<InvertTool>();
    InvertTool* raw = tool.get();
    doc->AdoptTool(c.code, std::move(tool));
    EXPECT_EQ(RunOp(*doc, c.code), c.success) << OperationCodeName(c.code);

    // A tool that fails after its own message: nothing committed, B cleaned.
    const std::string before = WorkingAudio(*doc);
    raw->result = OP_FAILED;
    MessageRecorder messages;
    EXPECT_EQ(RunOp(*doc, c.code), OP_FAILED);
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{"OEC: Operation failed"});
    EXPECT_EQ(WorkingAudio(*doc), before);
    EXPECT_EQ(doc->undoCount, 1);
    EXPECT_TRUE(ScratchLeftovers(t).empty()) << OperationCodeName(c.code);
  }
}

TEST(EffectDriver, ChangeQualityIsUndoneToTheOldFormat) {
  TestApp t;
  const std::string pcm = RandomAudio(kStereo16, 20000, 24);
  auto doc = OpenDocument(t, kStereo16, pcm);
  doc->AdoptTool(OP_CHANGE_QUALITY, std::make_unique<ToMono8Tool>());
  doc->SetSelection(400, 800);
  ASSERT_EQ(RunOp(*doc, OP_CHANGE_QUALITY), OP_DONE);
  EXPECT_EQ(doc->Format(), (AudioFormat{1, 8, 22050}));
  EXPECT_EQ(doc->blockAlign, 1);
  EXPECT_EQ(doc->bytesPerSecond, 22050);
  EXPECT_EQ(doc->Selection().End(), 0u);
  EXPECT_EQ(doc->View().End(), doc->dataLength);
  ExpectDocumentInvariants(*doc);
  ASSERT_EQ(RunOp(*doc, OP_UNDO), OP_DONE);
  EXPECT_EQ(doc->Format(), kStereo16);
  EXPECT_EQ(doc->blockAlign, 4);
  EXPECT_EQ(WorkingAudio(*doc), pcm);
  ExpectDocumentInvariants(*doc);
  ASSERT_EQ(RunOp(*doc, OP_REDO), OP_DONE);
  EXPECT_EQ(doc->Format(), (AudioFormat{1, 8, 22050}));
  ExpectDocumentInvariants(*doc);
}

TEST(EffectDriver, MixPastePastTheEndGrowsTheDocumentAndUndoShrinksIt) {
  TestApp t;
  const std::string pcm = RandomAudio(kStereo16, 3000, 25);  // 12000 bytes
  auto doc = OpenDocument(t, kStereo16, pcm);
  doc->AdoptTool(OP_MIX_PASTE, std::make_unique<ClipIntoBTool>());
  doc->SetSelection(0, 4000);
  ASSERT_EQ(RunOp(*doc, OP_COPY), OP_DONE);
  doc->SetSelection(10000, 10000);
  ASSERT_EQ(RunOp(*doc, OP_MIX_PASTE), OP_DONE);
  EXPECT_EQ(doc->dataLength, 14000u);
  EXPECT_EQ(WorkingAudio(*doc), pcm.substr(0, 10000) + pcm.substr(0, 4000));
  EXPECT_TRUE(ScratchLeftovers(t).empty());
  ASSERT_EQ(RunOp(*doc, OP_UNDO), OP_DONE);
  EXPECT_EQ(WorkingAudio(*doc), pcm);
  ExpectDocumentInvariants(*doc);
}

TEST(EffectDriver, OperationsWithoutATool) {
  TestApp t;
  auto doc = OpenDocument(t, kStereo16, RandomAudio(kStereo16, 100, 26));
  if (doc->Tool(OP_VOLUME) != nullptr) GTEST_SKIP() << "tools are installed";
  EXPECT_EQ(RunOp(*doc, OP_VOLUME), OP_PENDING);
}
