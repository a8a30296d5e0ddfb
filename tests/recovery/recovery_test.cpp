// Documents given back after their editor died. A dead editor is simulated
// by copying a live test application's run folder (without its lock) into
// the temporary folder of a second one, which then finds and recovers it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/config.h"
#include "app/document_recovery.h"
#include "engine/doc_manifest.h"
#include "engine/editor_doc.h"
#include "platform/fault_injection.h"
#include "platform/folder_lock.h"
#include "tests/edit/edit_test_support.h"
#include "tests/support/message_recorder.h"
#include "tests/support/test_app.h"

namespace fs = std::filesystem;

namespace {

constexpr AudioFormat kStereo{2, 16, 44100};

std::string TempFolderOf(TestApp& t) {
  return t.App().Config()->TempFolder();
}

// What an editor that died leaves: its run folder as it was, lock free.
// The documents' journals have finished flushing (see the boot id test for
// what happens when they had not).
std::string LeaveBehind(TestApp& dead, TestApp& next, const std::string& stamp) {
  const fs::path folder = fs::path(TempFolderOf(next)) / stamp;
  fs::create_directory(folder);
  for (const auto& entry : fs::directory_iterator(dead.App().RunFolder())) {
    if (entry.path().filename() == platform::kRunLockName) continue;
    fs::copy_file(entry.path(), folder / entry.path().filename());
  }
  return folder.string();
}

std::string ManifestText(const CEditorDoc& doc) {
  return ReadFileBytes(doc.journal.ManifestPath());
}

DocManifest ManifestIn(const std::string& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(kManifestPrefix) && name.ends_with(kManifestSuffix)) {
      DocManifest m;
      std::string error;
      EXPECT_TRUE(ManifestFromJson(ReadFileBytes(entry.path()), &m, &error)) << error;
      return m;
    }
  }
  ADD_FAILURE() << "no manifest in " << folder;
  return {};
}

std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename() == platform::kRunLockName) continue;  // taken while looked at
    names.push_back(entry.path().filename().string() + ":" +
                    std::to_string(fs::file_size(entry.path())));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> RunFolderJournal(TestApp& t) {
  std::vector<std::string> names;
  for (const std::string& entry : Listing(t.App().RunFolder())) {
    if (entry.starts_with("recovery_")) names.push_back(entry);
  }
  return names;
}

// The journal's files once its flush has finished.
std::vector<std::string> JournalFiles(TestApp& t, CEditorDoc& doc) {
  doc.journal.WaitUntilDurable();
  return RunFolderJournal(t);
}

struct Recovered {
  std::unique_ptr<CEditorDoc> doc;
  std::vector<std::string> problems;
  std::vector<RecoveryRow> rows;
};

Recovered RecoverFirst(TestApp& t) {
  Recovered r;
  std::vector<RecoveryCandidate> candidates = FindRecoveryCandidates(t.App());
  r.rows = RecoveryRows(candidates);
  if (r.rows.empty()) return r;
  RecoveryReport report;
  r.doc = RecoverDocument(t.App(), candidates, r.rows[0], &report);
  r.problems = report.problems;
  return r;
}

void Select(CEditorDoc& doc, uint32_t start, uint32_t end) {
  doc.SetSelection(start, end);
}

void Invert(CEditorDoc& doc) {
  if (doc.Tool(OP_VOLUME) == nullptr) doc.AdoptTool(OP_VOLUME, std::make_unique<InvertTool>());
  ASSERT_EQ(RunOp(doc, OP_VOLUME), OP_DONE);
}

// After each kind of operation, the recovered document is the one that was
// left: audio, positions and the history, which then goes on working.
TEST(Recovery, GivesBackTheDocumentAfterItsLastCompletedOperation) {
  struct Scenario {
    const char* name;
    std::function<void(CEditorDoc&)> steps;
    std::function<void(CEditorDoc&)> then;  // run on both documents afterwards
  };
  const Scenario scenarios[] = {
      {"cut",
       [](CEditorDoc& d) {
         Select(d, 4000, 12000);
         ASSERT_EQ(RunOp(d, OP_CUT), OP_DONE);
       },
       [](CEditorDoc& d) { ASSERT_EQ(RunOp(d, OP_UNDO), OP_DONE); }},
      {"effect",
       [](CEditorDoc& d) {
         Select(d, 400, 8000);
         Invert(d);
       },
       [](CEditorDoc& d) { ASSERT_EQ(RunOp(d, OP_UNDO), OP_DONE); }},
      {"undo",
       [](CEditorDoc& d) {
         Select(d, 0, 4000);
         ASSERT_EQ(RunOp(d, OP_CUT), OP_DONE);
         ASSERT_EQ(RunOp(d, OP_UNDO), OP_DONE);
       },
       [](CEditorDoc& d) { ASSERT_EQ(RunOp(d, OP_REDO), OP_DONE); }},
      {"three undos of a mixed history, then redone",
       [](CEditorDoc& d) {
         Select(d, 0, 4000);
         ASSERT_EQ(RunOp(d, OP_CUT), OP_DONE);
         Select(d, 800, 2000);
         Invert(d);
         Select(d, 4000, 4400);
         ASSERT_EQ(RunOp(d, OP_COPY), OP_DONE);
         ASSERT_EQ(RunOp(d, OP_PASTE_INSERT), OP_DONE);
         for (int i = 0; i < 3; ++i) ASSERT_EQ(RunOp(d, OP_UNDO), OP_DONE);
       },
       [](CEditorDoc& d) {
         for (int i = 0; i < 3; ++i) ASSERT_EQ(RunOp(d, OP_REDO), OP_DONE);
       }},
      {"a full history, oldest entries reused",
       [](CEditorDoc& d) {
         for (int i = 0; i < 6; ++i) {
           Select(d, 400u * i, 400u * i + 800);
           if (i % 2 == 0) {
             ASSERT_EQ(RunOp(d, OP_CUT), OP_DONE);
           } else {
             Invert(d);
           }
         }
       },
       [](CEditorDoc& d) {
         for (int i = 0; i < 4; ++i) ASSERT_EQ(RunOp(d, OP_UNDO), OP_DONE);
       }},
  };
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    TestApp dead, next;
    auto original = OpenDocument(dead, kStereo, RandomAudio(kStereo, 10000, 7));
    s.steps(*original);
    original->journal.WaitUntilDurable();
    LeaveBehind(dead, next, "20260101000000");

    Recovered r = RecoverFirst(next);
    ASSERT_NE(r.doc, nullptr);
    EXPECT_TRUE(r.problems.empty()) << r.problems[0];
    CEditorDoc& back = *r.doc;
    EXPECT_EQ(WorkingAudio(back), WorkingAudio(*original));
    EXPECT_EQ(back.Format(), original->Format());
    EXPECT_EQ(back.Selection().Start(), original->Selection().Start());
    EXPECT_EQ(back.Selection().End(), original->Selection().End());
    EXPECT_EQ(back.View().Start(), original->View().Start());
    EXPECT_EQ(back.View().End(), original->View().End());
    EXPECT_EQ(back.undoCount, original->undoCount);
    EXPECT_EQ(back.redoCount, original->redoCount);
    ExpectDocumentInvariants(back);
    // Modified, and saved nowhere without asking: its path is only proposed.
    EXPECT_TRUE(back.IsModified());
    EXPECT_TRUE(back.Path().empty());
    EXPECT_EQ(back.journal.OriginalPath(), original->Path());
    // The candidate let go of it, and this run journals it now.
    EXPECT_TRUE(FindRecoveryCandidates(next.App()).empty());
    EXPECT_FALSE(back.journal.ManifestPath().empty());

    s.then(*original);
    s.then(back);
    EXPECT_EQ(WorkingAudio(back), WorkingAudio(*original));
    EXPECT_TRUE(back.IsModified());
  }
}

// The journal follows only completed operations.
TEST(Recovery, CancelledOrFailedOperationsLeaveTheJournalAlone) {
  TestApp t;
  auto doc = OpenDocument(t, kStereo, RandomAudio(kStereo, 10000, 3));
  Select(*doc, 400, 4000);
  ASSERT_EQ(RunOp(*doc, OP_CUT), OP_DONE);
  const std::string manifest = ManifestText(*doc);
  const auto files = JournalFiles(t, *doc);

  Select(*doc, 0, 8000);
  t.progress.CancelAtStep(1);
  EXPECT_EQ(RunOp(*doc, OP_CUT), OP_CANCELLED);
  t.progress.CancelAtStep(0);
  EXPECT_EQ(ManifestText(*doc), manifest);
  EXPECT_EQ(JournalFiles(t, *doc), files);

  platform::ArmFault(platform::FileCall::Rename, 1, EIO);
  EXPECT_EQ(RunOp(*doc, OP_CUT), OP_FAILED);
  platform::DisarmFaults();
  EXPECT_EQ(ManifestText(*doc), manifest);
  EXPECT_EQ(JournalFiles(t, *doc), files);

  // A tool dialog closed without applying runs nothing.
  doc->AdoptTool(OP_VOLUME, std::make_unique<InvertTool>());
  t.dialogs.applyTools = false;
  EXPECT_EQ(doc->DocRunOperation(OP_VOLUME), OP_CANCELLED);
  t.dialogs.applyTools = true;
  EXPECT_EQ(ManifestText(*doc), manifest);
}

// A journal that cannot be written says so once, and the manifest before it
// stays whole: recovery then gives the state it describes.
TEST(Recovery, AJournalThatCannotBeWrittenKeepsThePreviousOneWhole) {
  TestApp dead, next;
  auto doc = OpenDocument(dead, kStereo, RandomAudio(kStereo, 10000, 5));
  Select(*doc, 400, 4000);
  ASSERT_EQ(RunOp(*doc, OP_CUT), OP_DONE);
  const std::string afterCut = WorkingAudio(*doc);

  // The manifest's rename is the last rename of a cut; a first cut counts
  // them.
  Select(*doc, 0, 2000);
  platform::ArmFault(platform::FileCall::Rename, 0, 0);
  ASSERT_EQ(RunOp(*doc, OP_CUT), OP_DONE);
  const int renames = platform::FileCallsSinceArmed(platform::FileCall::Rename);
  ASSERT_EQ(RunOp(*doc, OP_UNDO), OP_DONE);
  doc->journal.WaitUntilDurable();
  const std::string manifestAgain = ManifestText(*doc);
  ASSERT_EQ(WorkingAudio(*doc), afterCut);

  MessageRecorder messages;
  Select(*doc, 0, 2000);
  platform::ArmFault(platform::FileCall::Rename, renames, EIO);
  EXPECT_EQ(RunOp(*doc, OP_CUT), OP_DONE);
  platform::DisarmFaults();
  ASSERT_EQ(messages.Messages().size(), 1u);
  EXPECT_NE(messages.Messages()[0].find("recovery information"), std::string::npos);
  EXPECT_EQ(ManifestText(*doc), manifestAgain);

  doc->journal.WaitUntilDurable();
  LeaveBehind(dead, next, "20260101000000");
  Recovered r = RecoverFirst(next);
  ASSERT_NE(r.doc, nullptr);
  EXPECT_EQ(WorkingAudio(*r.doc), afterCut);
  EXPECT_EQ(r.doc->undoCount, 1);
  EXPECT_EQ(r.doc->redoCount, 1);
}

// Power cuts leave files that disagree with the manifest. What is whole is
// recovered, what is not is named, and nothing unreadable is deleted.
TEST(Recovery, DamagedCandidatesGiveBackWhatIsWhole) {
  struct Case {
    const char* name;
    std::function<void(const std::string& folder, const DocManifest& m)> damage;
    bool recovered;
    int16_t undoSteps;
    const char* problem;  // in the messages, "" for none
  };
  const auto file = [](const std::string& folder, const std::string& name) {
    return fs::path(folder) / name;
  };
  const Case cases[] = {
      {"working file truncated",
       [&](const std::string& f, const DocManifest& m) {
         fs::resize_file(file(f, m.work.pcmFile), m.work.pcmLength / 2);
       },
       false, 0, "instead of"},
      {"working file missing",
       [&](const std::string& f, const DocManifest& m) { fs::remove(file(f, m.work.pcmFile)); },
       false, 0, "missing"},
      {"peak file missing",
       [&](const std::string& f, const DocManifest& m) { fs::remove(file(f, m.work.peakFile)); },
       true, 2, "rebuilt"},
      {"newest undo step missing",
       [&](const std::string& f, const DocManifest& m) {
         fs::remove(file(f, m.undo.entries[0].audio.pcmFile));
       },
       true, 0, "only 0 of 2 undo"},
      {"oldest undo step truncated",
       [&](const std::string& f, const DocManifest& m) {
         fs::resize_file(file(f, m.undo.entries[1].audio.peakFile), 1);
       },
       true, 1, "only 1 of 2 undo"},
      {"manifest truncated",
       [&](const std::string& f, const DocManifest&) {
         for (const auto& e : fs::directory_iterator(f)) {
           if (e.path().extension() == ".json") fs::resize_file(e.path(), 100);
         }
       },
       false, 0, "damaged"},
      {"manifest garbage",
       [&](const std::string& f, const DocManifest&) {
         for (const auto& e : fs::directory_iterator(f)) {
           if (e.path().extension() == ".json") WriteFileBytes(e.path(), "\x01\x02garbage");
         }
       },
       false, 0, "damaged"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp dead, next;
    auto original = OpenDocument(dead, kStereo, RandomAudio(kStereo, 10000, 11));
    Select(*original, 4000, 8000);
    ASSERT_EQ(RunOp(*original, OP_CUT), OP_DONE);
    Select(*original, 0, 4000);
    Invert(*original);
    original->journal.WaitUntilDurable();
    const std::string folder = LeaveBehind(dead, next, "20260101000000");
    c.damage(folder, ManifestIn(folder));
    const auto before = Listing(folder);

    Recovered r = RecoverFirst(next);
    ASSERT_EQ(r.rows.size(), 1u);
    std::string all = r.rows[0].problem;
    for (const std::string& p : r.problems) all += p + "\n";
    EXPECT_NE(all.find(c.problem), std::string::npos) << all;
    if (!c.recovered) {
      EXPECT_EQ(r.doc, nullptr);
      EXPECT_EQ(Listing(folder), before);
      // Offered again next time, until the user discards it.
      EXPECT_EQ(FindRecoveryCandidates(next.App()).size(), 1u);
      continue;
    }
    ASSERT_NE(r.doc, nullptr);
    EXPECT_EQ(WorkingAudio(*r.doc), WorkingAudio(*original));
    // A rebuilt waveform summarises the same audio.
    EXPECT_EQ(r.doc->peakLength, original->peakLength);
    EXPECT_EQ(r.doc->undoCount, c.undoSteps);
    ExpectDocumentInvariants(*r.doc);
    for (int i = 0; i < c.undoSteps; ++i) {
      ASSERT_EQ(RunOp(*r.doc, OP_UNDO), OP_DONE);
      ASSERT_EQ(RunOp(*original, OP_UNDO), OP_DONE);
      EXPECT_EQ(WorkingAudio(*r.doc), WorkingAudio(*original));
    }
    EXPECT_EQ(RunOp(*r.doc, OP_UNDO), OP_PENDING);  // nothing further back
  }
}

// An undo step whose range does not fit the audio it would apply to (a
// damaged manifest) is not recovered, nor is anything older than it.
TEST(Recovery, AnUndoStepWithARangeOutsideTheAudioIsNotRecovered) {
  TestApp dead, next;
  auto original = OpenDocument(dead, kStereo, RandomAudio(kStereo, 10000, 13));
  for (const OpCode code : {OP_CUT, OP_VOLUME}) {
    Select(*original, 400, 4000);
    if (code == OP_CUT) {
      ASSERT_EQ(RunOp(*original, OP_CUT), OP_DONE);
    } else {
      Invert(*original);
    }
  }
  original->journal.WaitUntilDurable();
  const std::string folder = LeaveBehind(dead, next, "20260101000000");
  for (const auto& e : fs::directory_iterator(folder)) {
    if (e.path().extension() != ".json") continue;
    std::string text = ReadFileBytes(e.path());
    const std::string range = "\"pcmStart\":400,\"pcmEnd\":4000";
    const size_t at = text.find(range);
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, range.size(), "\"pcmStart\":4000000000,\"pcmEnd\":4000003600");
    WriteFileBytes(e.path(), text);
  }
  Recovered r = RecoverFirst(next);
  ASSERT_NE(r.doc, nullptr);
  EXPECT_EQ(WorkingAudio(*r.doc), WorkingAudio(*original));
  // The damaged step is the cut, the older one; the invert over the whole
  // file stays undoable.
  EXPECT_EQ(r.doc->undoCount, 1);
  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_NE(r.problems[0].find("only 1 of 2 undo"), std::string::npos) << r.problems[0];
  ASSERT_EQ(RunOp(*r.doc, OP_UNDO), OP_DONE);
  ASSERT_EQ(RunOp(*original, OP_UNDO), OP_DONE);
  EXPECT_EQ(WorkingAudio(*r.doc), WorkingAudio(*original));
  EXPECT_EQ(RunOp(*r.doc, OP_UNDO), OP_PENDING);
}

TEST(Recovery, OffersOnlyFoldersOfEditorsThatAreGone) {
  TestApp live, a, next;
  auto docA = OpenDocument(a, kStereo, RandomAudio(kStereo, 1000, 1));
  auto docLive = OpenDocument(live, kStereo, RandomAudio(kStereo, 2000, 2));
  docA->journal.WaitUntilDurable();
  LeaveBehind(a, next, "20260101000001-batch-77");
  LeaveBehind(a, next, "20260101000000");
  // A live editor's folder, lock held, in the same temporary folder.
  const std::string held = (fs::path(TempFolderOf(next)) / "20260101000002").string();
  fs::create_directory(held);
  platform::FolderLock lock;
  ASSERT_TRUE(lock.Acquire(held));
  WriteFileBytes(fs::path(held) / "recovery_0.json", ManifestText(*docLive));
  // Not a run folder at all.
  fs::create_directory(fs::path(TempFolderOf(next)) / "photos");
  WriteFileBytes(fs::path(TempFolderOf(next)) / "photos" / "recovery_0.json", "{}");

  std::vector<RecoveryCandidate> candidates = FindRecoveryCandidates(next.App());
  ASSERT_EQ(candidates.size(), 2u);
  EXPECT_TRUE(candidates[0].folder.ends_with("20260101000000"));
  EXPECT_TRUE(candidates[1].folder.ends_with("20260101000001-batch-77"));
  // While one editor looks at them, a second one starting does not see them.
  EXPECT_TRUE(FindRecoveryCandidates(next.App()).empty());

  // Discard removes exactly the candidates' folders.
  EXPECT_TRUE(DiscardCandidates(candidates));
  EXPECT_FALSE(fs::exists(fs::path(TempFolderOf(next)) / "20260101000000"));
  EXPECT_FALSE(fs::exists(fs::path(TempFolderOf(next)) / "20260101000001-batch-77"));
  EXPECT_TRUE(fs::exists(held));
  EXPECT_TRUE(fs::exists(fs::path(TempFolderOf(next)) / "photos" / "recovery_0.json"));
}

// Start-up removes the previous run's folder unless documents wait in it.
TEST(Recovery, StartUpKeepsAFolderWithDocumentsWaiting) {
  TestApp dead, next;
  auto doc = OpenDocument(dead, kStereo, RandomAudio(kStereo, 1000, 4));
  doc->journal.WaitUntilDurable();
  const std::string waiting = LeaveBehind(dead, next, "20260101000000");
  RemovePreviousRunFolder(waiting);
  EXPECT_TRUE(fs::exists(waiting));
  EXPECT_EQ(FindRecoveryCandidates(next.App()).size(), 1u);

  for (const auto& e : fs::directory_iterator(waiting)) {
    if (e.path().extension() == ".json") fs::remove(e.path());
  }
  RemovePreviousRunFolder(waiting);
  EXPECT_FALSE(fs::exists(waiting));
}

// Of a document's two manifests, the one written before its operation
// reported done holds only in the boot it was written in: after a power cut
// its files may not be on disk, and the durable one counts.
TEST(Recovery, AManifestFromBeforeARestartGivesWayToTheDurableOne) {
  struct Case {
    const char* name;
    bool latestFromAnotherBoot;
    bool durableThere;
    bool recovered;
    bool selectionFromLatest;
  };
  const Case cases[] = {
      {"killed: the latest counts", false, true, true, true},
      {"killed before the first flush", false, false, true, true},
      {"power cut: the durable one counts", true, true, true, false},
      {"power cut before the first flush", true, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp dead, next;
    auto doc = OpenDocument(dead, kStereo, RandomAudio(kStereo, 10000, 9));
    Select(*doc, 400, 4000);
    ASSERT_EQ(RunOp(*doc, OP_CUT), OP_DONE);
    doc->journal.WaitUntilDurable();
    const std::string folder = LeaveBehind(dead, next, "20260101000000");
    const fs::path latest = fs::path(folder) / fs::path(doc->journal.ManifestPath()).filename();
    fs::path durable = latest;
    durable.replace_extension(".durable.json");
    ASSERT_TRUE(fs::exists(durable));
    // The latest manifest differs from the durable one in its selection.
    std::string text = ReadFileBytes(latest);
    const std::string selection = "\"selection\":{\"start\":400,\"end\":400}";
    const size_t at = text.find(selection);
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, selection.size(), "\"selection\":{\"start\":0,\"end\":4}");
    if (c.latestFromAnotherBoot) {
      const size_t boot = text.find(CurrentBootId());
      ASSERT_NE(boot, std::string::npos);
      text.replace(boot, CurrentBootId().size(), "another-boot");
    }
    WriteFileBytes(latest, text);
    if (!c.durableThere) fs::remove(durable);

    Recovered r = RecoverFirst(next);
    ASSERT_EQ(r.rows.size(), 1u);
    if (!c.recovered) {
      EXPECT_EQ(r.doc, nullptr);
      EXPECT_NE(r.rows[0].problem.find("restarted"), std::string::npos) << r.rows[0].problem;
      EXPECT_TRUE(fs::exists(latest));
      continue;
    }
    ASSERT_NE(r.doc, nullptr);
    EXPECT_EQ(WorkingAudio(*r.doc), WorkingAudio(*doc));
    EXPECT_EQ(r.doc->Selection().End(), c.selectionFromLatest ? 4u : 400u);
    EXPECT_FALSE(fs::exists(folder));
  }
}

// Closing a document takes its journal with it; a document without audio
// has none.
TEST(Recovery, ClosingRemovesTheJournal) {
  TestApp t;
  auto doc = OpenDocument(t, kStereo, RandomAudio(kStereo, 1000, 6));
  EXPECT_FALSE(JournalFiles(t, *doc).empty());
  doc.reset();
  EXPECT_TRUE(RunFolderJournal(t).empty());

  t.dialogs.newFileFormat = kStereo;
  t.dialogs.acceptNewFile = true;
  CEditorDoc empty(t.App());
  ASSERT_TRUE(empty.OnNewDocument());
  EXPECT_TRUE(RunFolderJournal(t).empty());
}

}  // namespace
