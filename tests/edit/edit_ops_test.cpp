#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <array>
#include <filesystem>

#include "engine/convert.h"
#include "engine/op_codes.h"
#include "tests/edit/edit_test_support.h"
#include "tests/support/message_recorder.h"

namespace {

const AudioFormat kStereo16{2, 16, 44100};

}  // namespace

TEST(EditOps, CopyOfAnEmptySelectionLeavesTheClipboardEmpty) {
  TestApp t;
  auto doc = OpenDocument(t, kStereo16, RandomAudio(kStereo16, 1000, 1));
  doc->SetSelection(400, 800);
  ASSERT_EQ(RunOp(*doc, OP_COPY), OP_DONE);
  EXPECT_EQ(SlotAudio(*doc->clip), WorkingAudio(*doc).substr(400, 400));
  EXPECT_EQ(doc->clip->Format(), kStereo16);
  doc->SetSelection(400, 400);
  ASSERT_EQ(RunOp(*doc, OP_COPY), OP_DONE);
  EXPECT_EQ(doc->clip->pcmLength, 0u);
  EXPECT_TRUE(ScratchLeftovers(t).empty());
}

TEST(EditOps, SplicesKeepEachPeakEntryWhole) {
  // 8-bit stereo: a loud left channel and a silent right one. A peak entry
  // is 4 bytes over 2-byte frames; a splice that started halfway into an
  // entry would show the left channel's peaks in the right lane.
  const AudioFormat stereo8{2, 8, 22050};
  std::string pcm;
  for (int i = 0; i < 30000; ++i) pcm += {static_cast<char>(i % 2 ? 0xff : 0x00), '\x80'};
  TestApp t;
  auto doc = OpenDocument(t, stereo8, pcm);
  for (const uint32_t start : {1002u, 3338u, 7770u, 12346u}) {
    doc->SetSelection(start, start + 3200);
    ASSERT_EQ(RunOp(*doc, OP_CUT), OP_DONE);
    doc->SetSelection(start + 2002, start + 2002);
    ASSERT_EQ(RunOp(*doc, OP_PASTE_INSERT), OP_DONE);
    ExpectDocumentInvariants(*doc);
    const std::string peaks(reinterpret_cast<const char*>(doc->work.peakData),
                            doc->work.peakLength);
    for (size_t entry = 0; entry + 4 <= peaks.size(); entry += 4) {
      ASSERT_EQ(peaks.substr(entry + 2, 2), std::string(2, '\0'))
          << "entry at " << entry << " after moving audio from " << start;
    }
  }
}

TEST(EditOps, ModifiedFollowsEditsUndoRedoAndTheSavedState) {
  TestApp t;
  auto doc = OpenDocument(t, kStereo16, RandomAudio(kStereo16, 1000, 5));
  auto cut = [&] {
    doc->SetSelection(400, 800);
    ASSERT_EQ(RunOp(*doc, OP_CUT), OP_DONE);
  };
  EXPECT_FALSE(doc->IsModified());
  doc->SetSelection(0, 400);
  ASSERT_EQ(RunOp(*doc, OP_COPY), OP_DONE);
  EXPECT_FALSE(doc->IsModified()) << "a copy changes nothing";
  cut();
  EXPECT_TRUE(doc->IsModified());
  ASSERT_EQ(RunOp(*doc, OP_UNDO), OP_DONE);
  EXPECT_FALSE(doc->IsModified()) << "undone back to the file";
  ASSERT_EQ(RunOp(*doc, OP_REDO), OP_DONE);
  EXPECT_TRUE(doc->IsModified());

  doc->MarkSaved();
  EXPECT_FALSE(doc->IsModified());
  ASSERT_EQ(RunOp(*doc, OP_UNDO), OP_DONE);
  EXPECT_TRUE(doc->IsModified()) << "undone past the saved state";
  ASSERT_EQ(RunOp(*doc, OP_REDO), OP_DONE);
  EXPECT_FALSE(doc->IsModified()) << "redone back to it";

  // A new edit after an undo drops the redo step that led to the saved
  // state: no undo or redo reaches it again.
  ASSERT_EQ(RunOp(*doc, OP_UNDO), OP_DONE);
  cut();
  ASSERT_EQ(RunOp(*doc, OP_UNDO), OP_DONE);
  EXPECT_TRUE(doc->IsModified()) << "the opened audio is not what was saved";
}

TEST(EditOps, CuttingTheWholeFileLeavesAnEmptyDocumentThatUndoRestores) {
  TestApp t;
  const std::string pcm = RandomAudio(kStereo16, 5000, 2);
  auto doc = OpenDocument(t, kStereo16, pcm);
  doc->SetSelection(0, doc->dataLength);
  ASSERT_EQ(RunOp(*doc, OP_CUT), OP_DONE);
  EXPECT_EQ(doc->dataLength, 0u);
  EXPECT_EQ(doc->hasAudio, 0);
  EXPECT_EQ(SlotAudio(*doc->clip), pcm);
  ExpectDocumentInvariants(*doc);
  ASSERT_EQ(RunOp(*doc, OP_UNDO), OP_DONE);
  EXPECT_EQ(WorkingAudio(*doc), pcm);
  EXPECT_EQ(doc->hasAudio, 1);
  ExpectDocumentInvariants(*doc);
}

TEST(EditOps, PasteIntoANewEmptyDocumentShowsTheWholePastedAudio) {
  TestApp t;
  const std::string pcm = RandomAudio(kStereo16, 3000, 3);
  auto source = OpenDocument(t, kStereo16, pcm);
  source->SetSelection(0, source->dataLength);
  ASSERT_EQ(RunOp(*source, OP_COPY), OP_DONE);

  CEditorDoc empty(t.App());
  t.dialogs.newFileFormat = kStereo16;
  ASSERT_TRUE(empty.OnNewDocument());
  ASSERT_EQ(RunOp(empty, OP_PASTE_INSERT), OP_DONE);
  EXPECT_EQ(WorkingAudio(empty), pcm);
  EXPECT_EQ(empty.hasAudio, 1);
  EXPECT_EQ(empty.View().Start(), 0u);
  EXPECT_EQ(empty.View().End(), empty.dataLength);
  EXPECT_EQ(empty.View().PeakEnd(), empty.peakLength);
  ExpectDocumentInvariants(empty);
}

TEST(EditOps, PasteOverPastTheEndGrowsAndUndoRedoFollow) {
  TestApp t;
  const std::string pcm = RandomAudio(kStereo16, 2000, 4);  // 8000 bytes
  auto doc = OpenDocument(t, kStereo16, pcm);
  doc->SetSelection(0, 1000);
  ASSERT_EQ(RunOp(*doc, OP_COPY), OP_DONE);
  const std::string clip = pcm.substr(0, 1000);
  doc->SetSelection(7900, 7900);
  ASSERT_EQ(RunOp(*doc, OP_PASTE_OVER), OP_DONE);
  EXPECT_EQ(doc->dataLength, 8900u);
  EXPECT_EQ(WorkingAudio(*doc), pcm.substr(0, 7900) + clip);
  ExpectDocumentInvariants(*doc);
  ASSERT_EQ(RunOp(*doc, OP_UNDO), OP_DONE);
  EXPECT_EQ(WorkingAudio(*doc), pcm);
  ASSERT_EQ(RunOp(*doc, OP_REDO), OP_DONE);
  EXPECT_EQ(WorkingAudio(*doc), pcm.substr(0, 7900) + clip);
  ExpectDocumentInvariants(*doc);
}

TEST(EditOps, ForeignFormatClipboardIsConvertedBeforeTheSplice) {
  TestApp t;
  const AudioFormat mono8{1, 8, 22050};
  const std::string small = RandomAudio(mono8, 400, 5);
  auto source = OpenDocument(t, mono8, small);
  source->SetSelection(0, source->dataLength);
  ASSERT_EQ(RunOp(*source, OP_COPY), OP_DONE);

  // What the conversion makes of the clipboard, computed on its own.
  ScriptedProgress quiet;
  TempAudioFile expected;
  ASSERT_EQ(CreateTempAudioFile(&expected, t.App().RunFolder(), "expected"), OP_DONE);
  ASSERT_EQ(ConvertAudioFile(t.App().Clip(), &expected, 16, 2, 44100, 1, quiet), OP_DONE);
  const std::string converted = SlotAudio(expected);
  CleanupTempAudioFile(&expected, 0);

  const std::string pcm = RandomAudio(kStereo16, 1000, 6);
  auto doc = OpenDocument(t, kStereo16, pcm);
  doc->SetSelection(400, 400);
  ASSERT_EQ(RunOp(*doc, OP_PASTE_INSERT), OP_DONE);
  EXPECT_EQ(WorkingAudio(*doc), pcm.substr(0, 400) + converted + pcm.substr(400));
  EXPECT_EQ(doc->clip->Format(), mono8);  // the clipboard keeps its own format
  EXPECT_TRUE(ScratchLeftovers(t).empty());
  ExpectDocumentInvariants(*doc);
}

TEST(EditOps, UndoRingHoldsFourStepsAndRedoEndsWithANewEdit) {
  TestApp t;
  const std::string pcm = RandomAudio(kStereo16, 1000, 7);
  auto doc = OpenDocument(t, kStereo16, pcm);
  std::vector<std::string> versions{pcm};
  for (int i = 0; i < 5; ++i) {
    doc->SetSelection(0, 40);
    ASSERT_EQ(RunOp(*doc, OP_CUT), OP_DONE);
    versions.push_back(WorkingAudio(*doc));
  }
  for (int i = 4; i >= 1; --i) {
    ASSERT_EQ(RunOp(*doc, OP_UNDO), OP_DONE);
    EXPECT_EQ(WorkingAudio(*doc), versions[i]);
  }
  MessageRecorder messages;
  EXPECT_EQ(RunOp(*doc, OP_UNDO), OP_PENDING);  // a fifth undo has nothing left
  EXPECT_TRUE(messages.Messages().empty());
  EXPECT_EQ(WorkingAudio(*doc), versions[1]);

  ASSERT_EQ(RunOp(*doc, OP_REDO), OP_DONE);
  EXPECT_EQ(WorkingAudio(*doc), versions[2]);
  ASSERT_EQ(RunOp(*doc, OP_UNDO), OP_DONE);  // the redone cut is undoable again
  EXPECT_EQ(WorkingAudio(*doc), versions[1]);

  doc->SetSelection(0, 8);
  ASSERT_EQ(RunOp(*doc, OP_DELETE), OP_DONE);
  EXPECT_EQ(doc->redoCount, 0);
  EXPECT_EQ(RunOp(*doc, OP_REDO), OP_PENDING);
}

TEST(EditOps, CancelAtAnyStepLeavesEverythingAsItWas) {
  struct Case {
    OpCode code;
    bool needsClipboard;
  };
  const Case cases[] = {{OP_COPY, false},        {OP_CUT, false},       {OP_DELETE, false},
                        {OP_PASTE_INSERT, true}, {OP_PASTE_OVER, true}, {OP_UNDO, false},
                        {OP_REDO, false}};
  for (const auto& c : cases) {
    for (int step = 1;; ++step) {
      TestApp t;
      const std::string pcm = RandomAudio(kStereo16, 30000, 8);
      auto doc = OpenDocument(t, kStereo16, pcm);
      // History for undo and redo, and a clipboard.
      doc->SetSelection(4000, 60000);
      ASSERT_EQ(RunOp(*doc, OP_COPY), OP_DONE);
      doc->SetSelection(100, 20000);
      ASSERT_EQ(RunOp(*doc, OP_CUT), OP_DONE);
      doc->SetSelection(100, 30000);
      ASSERT_EQ(RunOp(*doc, OP_DELETE), OP_DONE);
      ASSERT_EQ(RunOp(*doc, OP_UNDO), OP_DONE);
      doc->SetSelection(800, 50000);

      const std::string audio = WorkingAudio(*doc);
      const std::string clip = SlotAudio(*doc->clip);
      const auto counts =
          std::make_tuple(doc->undoCount, doc->undoPosition, doc->redoCount, doc->redoPosition,
                          doc->Selection().Start(), doc->Selection().End());
      t.progress.CancelAtStep(step);
      MessageRecorder messages;
      const auto result = RunOp(*doc, c.code);
      t.progress.CancelAtStep(0);
      if (result == OP_DONE) break;  // past the last step: the operation finished
      ASSERT_EQ(result, OP_CANCELLED) << OperationCodeName(c.code) << " step " << step;
      EXPECT_EQ(WorkingAudio(*doc), audio) << OperationCodeName(c.code) << " step " << step;
      EXPECT_EQ(SlotAudio(*doc->clip), clip);
      EXPECT_EQ(
          std::make_tuple(doc->undoCount, doc->undoPosition, doc->redoCount, doc->redoPosition,
                          doc->Selection().Start(), doc->Selection().End()),
          counts);
      EXPECT_EQ(ScratchLeftovers(t), std::vector<std::string>{});
      EXPECT_EQ(messages.Messages(), std::vector<std::string>{"User cancelled the operation."});
      ExpectDocumentInvariants(*doc);
      ASSERT_LT(step, 200) << "never finished";
    }
  }
}

TEST(EditOps, AFullDiskFailsTheEditAndCommitsNothing) {
  TestApp t;
  const std::string pcm = RandomAudio(kStereo16, 100000, 9);  // 400 KB
  auto doc = OpenDocument(t, kStereo16, pcm);
  doc->SetSelection(0, 4000);
  struct rlimit old {};
  getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 100000;  // the undo copy fits, the new document does not
  setrlimit(RLIMIT_FSIZE, &small);
  MessageRecorder messages;
  const auto result = RunOp(*doc, OP_CUT);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(result, OP_FAILED);
  const std::string scratch = doc->tempC->pcmPath;
  EXPECT_EQ(
      messages.Messages(),
      (std::vector<std::string>{"DocMemMapFile: Failed to map file " + scratch,
                                "DocOpCut: Failed to open write map to target file: " + scratch,
                                "OEC: Operation failed"}));
  EXPECT_EQ(WorkingAudio(*doc), pcm);
  EXPECT_EQ(doc->undoCount, 0);
  EXPECT_EQ(doc->clip->pcmLength, 0u);
  EXPECT_TRUE(ScratchLeftovers(t).empty());
}

TEST(EditOps, AFailedCommitKeepsTheWorkingAudio) {
  TestApp t;
  const std::string pcm = RandomAudio(kStereo16, 1000, 10);
  auto doc = OpenDocument(t, kStereo16, pcm);
  // A result whose file has vanished cannot be renamed over the working file.
  TempAudioFile* result = doc->tempC;
  std::filesystem::remove(result->pcmPath);
  result->pcmLength = 400;
  result->SetFormat(kStereo16);
  MessageRecorder messages;
  ScriptedProgress progress;
  EXPECT_EQ(doc->DocFinalize(OP_CUT, result, progress), OP_FAILED);
  EXPECT_EQ(messages.Messages(),
            (std::vector<std::string>{"MoveAudioFile: Failed to move " + result->pcmPath +
                                          " over " + doc->work.pcmPath + "  Error: 2",
                                      "DocFinalize: Failed to move files"}));
  EXPECT_EQ(WorkingAudio(*doc), pcm);
  result->pcmLength = 0;
}

namespace {

// Deletes a scratch slot's PCM file while a splice writes into it, so that
// the commit after the splice has nothing to rename over the working file.
class VanishingResult : public ScriptedProgress {
 public:
  explicit VanishingResult(TempAudioFile* slot) : slot_(slot) {}
  void Step(uint32_t current) override {
    ScriptedProgress::Step(current);
    if (slot_ != nullptr && slot_->pcmData != nullptr) {
      std::filesystem::remove(slot_->pcmPath);
      slot_ = nullptr;
    }
  }

 private:
  TempAudioFile* slot_;
};

}  // namespace

TEST(EditOps, UndoAndRedoWhoseCommitFailsMoveNoCounterAndKeepTheirEntries) {
  TestApp t;
  const std::string pcm = RandomAudio(kStereo16, 20000, 14);
  auto doc = OpenDocument(t, kStereo16, pcm);
  doc->SetSelection(8000, 48000);
  ASSERT_EQ(RunOp(*doc, OP_CUT), OP_DONE);
  const std::string cut = WorkingAudio(*doc);

  // Undo and redo of a cut both build the new audio in scratch slot A.
  const struct {
    OpCode code;
    const std::string& audio;  // the working audio before and after the failure
  } steps[] = {{OP_UNDO, cut}, {OP_REDO, pcm}};
  for (const auto& step : steps) {
    const auto counters =
        std::array{doc->undoCount, doc->undoPosition, doc->redoCount, doc->redoPosition};
    MessageRecorder messages;
    VanishingResult progress(doc->tempA);
    const OpResult result =
        step.code == OP_UNDO ? doc->UserOpUndo(progress) : doc->UserOpRedo(progress);
    EXPECT_EQ(result, OP_FAILED) << OperationCodeName(step.code);
    ASSERT_GE(messages.Messages().size(), 2u);
    EXPECT_EQ(messages.Messages()[1], "DocFinalize: Failed to move files");
    EXPECT_EQ(WorkingAudio(*doc), step.audio) << OperationCodeName(step.code);
    EXPECT_EQ((std::array{doc->undoCount, doc->undoPosition, doc->redoCount, doc->redoPosition}),
              counters)
        << OperationCodeName(step.code);
    // The slot whose file vanished cannot be emptied; forget it.
    doc->tempA->pcmLength = 0;

    // The entry is still there and still works.
    ASSERT_EQ(RunOp(*doc, step.code), OP_DONE);
  }
  EXPECT_EQ(WorkingAudio(*doc), cut);
  EXPECT_EQ(doc->undoCount, 1);
  EXPECT_EQ(doc->redoCount, 0);
  ExpectDocumentInvariants(*doc);
}

TEST(EditOps, FinishingARecordingInsertsItAtTheSelectionStartAsOnePaste) {
  TestApp t;
  const std::string pcm = RandomAudio(kStereo16, 2000, 11);
  const std::string recording = RandomAudio(kStereo16, 5000, 12);
  auto doc = OpenDocument(t, kStereo16, pcm);
  doc->SetSelection(1000, 3000);
  // The recording engine leaves the take in scratch slot A.
  TempAudioFile* a = doc->tempA;
  a->SetFormat(kStereo16);
  a->pcmLength = static_cast<uint32_t>(recording.size());
  ASSERT_EQ(DocMemMapFile(a, PCM_PART, MAP_WRITE), OP_DONE);
  std::copy(recording.begin(), recording.end(), a->pcmData);
  CloseMemMapFile(a, PCM_PART);

  t.progress.CancelAtStep(1);  // Cancel is not honoured once the hand-over starts
  ASSERT_EQ(RunOp(*doc, OP_HANDLE_RECORD), OP_DONE);
  t.progress.CancelAtStep(0);
  EXPECT_EQ(WorkingAudio(*doc), pcm.substr(0, 1000) + recording + pcm.substr(1000));
  EXPECT_TRUE(t.progress.cancelDisabled);
  EXPECT_TRUE(ScratchLeftovers(t).empty());
  ASSERT_EQ(RunOp(*doc, OP_UNDO), OP_DONE);
  EXPECT_EQ(WorkingAudio(*doc), pcm);
  ExpectDocumentInvariants(*doc);
}
