#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <map>
#include <ostream>

#include "engine/convert.h"
#include "engine/op_codes.h"
#include "platform/fault_injection.h"
#include "platform/library.h"
#include "tests/edit/edit_test_support.h"
#include "tests/edit/writing_operations.h"
#include "tests/support/message_recorder.h"

namespace {

const AudioFormat kStereo16{2, 16, 44100};

const char* const kFileCallNames[] = {"write", "sync", "rename", "map", "codec"};

// What an operation may change: the document's audio, name and history, the
// clipboard, the user's files and the files writers leave in the run folder.
struct Observed {
  std::string audio;
  std::string clip;
  std::array<int, 4> counters{};
  std::string path;
  std::map<std::string, std::string> userFiles;
  std::vector<std::string> runFolder;
  bool operator==(const Observed&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Observed& o) {
  out << "audio " << o.audio.size() << " bytes, clip " << o.clip.size() << " bytes, counters";
  for (int c : o.counters) out << " " << c;
  out << ", path " << o.path << ", user files";
  for (const auto& [name, bytes] : o.userFiles) out << " " << name << "(" << bytes.size() << ")";
  out << ", run folder";
  for (const auto& name : o.runFolder) out << " " << name;
  return out;
}

// A slot's audio, or what is wrong with it: a slot that claims audio it has
// not mapped would fault the next operation that reads it.
std::string SlotState(const TempAudioFile& slot) {
  if (slot.pcmLength != 0 && slot.pcmData == nullptr) {
    return "unmapped, " + std::to_string(slot.pcmLength) + " bytes claimed";
  }
  return SlotAudio(slot);
}

Observed Observe(TestApp& t, const CEditorDoc& doc) {
  Observed o{SlotState(doc.work),
             SlotState(*doc.clip),
             {doc.undoCount, doc.undoPosition, doc.redoCount, doc.redoPosition},
             std::filesystem::path(doc.Path()).lexically_relative(t.FilePath("")).string(),
             {},
             {}};
  // The slots' own files come and go with their lengths; anything else in
  // the run folder is a writer's file.
  for (const std::string& name : t.RunFolderFiles()) {
    const bool slotFile = name.starts_with("clip_") || name.starts_with("temp_") ||
                          name.starts_with("work_") || name.starts_with("undo_") ||
                          name.starts_with("redo_");
    if (!slotFile) o.runFolder.push_back(name);
  }
  for (const auto& entry : std::filesystem::directory_iterator(t.FilePath(""))) {
    o.userFiles[entry.path().filename().string()] = ReadFileBytes(entry.path());
  }
  return o;
}

// MP3 and WMA saves need the encoder libraries, which the core-only build
// does not make.
bool EncodersPresent(const WritingOperation& op) {
  return !op.needsEncoders ||
         (platform::Library().Load("LAME.DLL") && platform::Library().Load("Sarvik.dll") &&
          platform::Library().Load("Tallisk.dll"));
}

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

// Lowering the rate of a few stereo 16-bit frames can come to an odd number
// of bytes; what is pasted is still whole frames, so the audio after the
// paste stays in its channel.
TEST(EditOps, AConvertedClipboardIsPastedInWholeFrames) {
  TestApp t;
  const AudioFormat fast{2, 16, 44100};
  const AudioFormat slow{2, 16, 8000};
  for (uint32_t frames : {2u, 5u}) {
    auto source = OpenDocument(t, fast, RandomAudio(fast, 100, 3));
    source->SetSelection(0, 4 * frames);
    ASSERT_EQ(RunOp(*source, OP_COPY), OP_DONE);
    auto doc = OpenDocument(t, slow, RandomAudio(slow, 100, 4));
    doc->SetSelection(8, 8);
    ASSERT_EQ(RunOp(*doc, OP_PASTE_INSERT), OP_DONE);
    EXPECT_EQ(doc->dataLength % 4, 0u) << frames;
    ExpectDocumentInvariants(*doc);
  }
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
  for (const WritingOperation& op : WritingOperations()) {
    if (!op.cancellable || !EncodersPresent(op)) continue;
    for (int step = 1;; ++step) {
      TestApp t;
      auto doc = DocumentWithHistory(t);
      op.prepare(t, *doc);
      const Observed before = Observe(t, *doc);
      t.progress.CancelAtStep(step);
      MessageRecorder messages;
      const auto result = op.run(t, *doc);
      t.progress.CancelAtStep(0);
      if (result == OP_DONE) break;  // past the last step: the operation finished
      EXPECT_EQ(Observe(t, *doc), before) << op.name << " step " << step;
      EXPECT_EQ(ScratchLeftovers(t), std::vector<std::string>{});
      if (result == OP_FAILED && op.cancelReportedAsFailure) {
        EXPECT_EQ(messages.Messages(), std::vector<std::string>{"OEC: Operation failed"});
        continue;
      }
      ASSERT_EQ(result, OP_CANCELLED) << op.name << " step " << step;
      EXPECT_EQ(messages.Messages(), std::vector<std::string>{"User cancelled the operation."})
          << op.name << " step " << step;
      ExpectDocumentInvariants(*doc);
      ASSERT_LT(step, 200) << op.name << " never finished";
    }
  }
}

// A full disk, a failing flush, a failed rename, a failed mapping and a codec
// library failing mid-stream at each call of its kind that every writing
// operation makes: either the operation
// fails with its message and everything is as it was (document, clipboard,
// undo and redo rings, run folder, the user's files), or it gets past the
// fault and ends exactly as it does without one.
TEST(EditOps, InjectedFileFaultsFailCleanlyOrChangeNothing) {
  const std::pair<platform::FileCall, int> faults[] = {{platform::FileCall::Write, ENOSPC},
                                                       {platform::FileCall::Sync, EIO},
                                                       {platform::FileCall::Rename, EIO},
                                                       {platform::FileCall::Map, ENOMEM},
                                                       {platform::FileCall::Codec, EIO}};
  struct Disarm {
    ~Disarm() { platform::DisarmFaults(); }
  } disarm;
  for (const WritingOperation& op : WritingOperations()) {
    if (!EncodersPresent(op)) continue;
    // What the operation leaves without a fault, and how many calls of each
    // kind it makes on the way.
    Observed clean;
    int calls[std::size(faults)] = {};
    {
      TestApp t;
      auto doc = DocumentWithHistory(t);
      op.prepare(t, *doc);
      platform::ArmFault(platform::FileCall::Write, 0, 0);
      ASSERT_EQ(op.run(t, *doc), OP_DONE) << op.name;
      for (size_t k = 0; k < std::size(faults); ++k) {
        calls[k] = platform::FileCallsSinceArmed(faults[k].first);
      }
      platform::DisarmFaults();
      clean = Observe(t, *doc);
      // The codec libraries meet the seam too: each encode or decode step.
      if (op.needsEncoders) {
        EXPECT_GT(calls[std::size(faults) - 1], 0) << op.name;
      }
    }
    for (size_t k = 0; k < std::size(faults); ++k) {
      const auto [call, error] = faults[k];
      for (int nth = 1; nth <= calls[k]; ++nth) {
        TestApp t;
        auto doc = DocumentWithHistory(t);
        op.prepare(t, *doc);
        const Observed before = Observe(t, *doc);
        MessageRecorder messages;
        platform::ArmFault(call, nth, error);
        const OpResult result = op.run(t, *doc);
        platform::DisarmFaults();
        const std::string where =
            op.name + ", " + kFileCallNames[static_cast<int>(call)] + " " + std::to_string(nth);
        if (result == OP_DONE) {
          EXPECT_EQ(Observe(t, *doc), clean) << where;
        } else {
          // A finished save that cannot be moved over the user's file stays
          // in the run folder, and its message says where.
          Observed after = Observe(t, *doc);
          std::erase_if(after.runFolder, [&](const std::string& name) {
            return std::any_of(messages.Messages().begin(), messages.Messages().end(),
                               [&](const std::string& m) { return m.find(name) != m.npos; });
          });
          ASSERT_EQ(result, OP_FAILED)
              << where << ": " << testing::PrintToString(messages.Messages());
          EXPECT_EQ(after, before) << where;
          // One report, however many layers describe the failure.
          EXPECT_EQ(messages.Reports(), 1)
              << where << ": " << testing::PrintToString(messages.Messages());
        }
        EXPECT_EQ(ScratchLeftovers(t), std::vector<std::string>{}) << where;
        ExpectDocumentInvariants(*doc);
      }
    }
  }
}

TEST(EditOps, ACopyThatCannotBeStoredKeepsTheOldClipboard) {
  TestApp t;
  auto doc = DocumentWithHistory(t);
  const std::string clip = SlotAudio(*doc->clip);
  ASSERT_FALSE(clip.empty());
  doc->SetSelection(0, 400);
  MessageRecorder messages;
  platform::ArmFault(platform::FileCall::Rename, 1, EIO);  // moving the copy onto the clipboard
  const OpResult result = RunOp(*doc, OP_COPY);
  platform::DisarmFaults();
  EXPECT_EQ(result, OP_FAILED);
  EXPECT_EQ(SlotState(*doc->clip), clip);
  ASSERT_GE(messages.Messages().size(), 2u);
  EXPECT_EQ(messages.Messages()[1], "ClipboardStore: Failed to move files");
  EXPECT_TRUE(ScratchLeftovers(t).empty());
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
