#include "engine/temp_audio_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "engine/op_codes.h"
#include "platform/file_discard.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// Fills a fresh slot's PCM (and optionally peak) file through a write mapping.
void Fill(TempAudioFile* slot, const std::string& pcm, const std::string& peak = {}) {
  slot->pcmLength = static_cast<uint32_t>(pcm.size());
  slot->peakLength = static_cast<uint32_t>(peak.size());
  ASSERT_EQ(DocMemMapFile(slot, BOTH_PARTS, MAP_WRITE), OP_DONE);
  if (!pcm.empty()) std::memcpy(slot->pcmData, pcm.data(), pcm.size());
  if (!peak.empty()) std::memcpy(slot->peakData, peak.data(), peak.size());
  ASSERT_EQ(CloseMemMapFile(slot, BOTH_PARTS), OP_DONE);
}

std::string FileName(const std::string& path) {
  return fs::path(path).filename().string();
}

}  // namespace

TEST(TempAudioFile, NamesSkipTakenNumbersIndependentlyForPcmAndPeak) {
  struct Case {
    std::vector<std::string> leftovers;
    std::string pcm, peak;
  };
  const Case cases[] = {
      {{}, "work_0.pcm", "work_0.pek"},
      {{"work_0.pcm"}, "work_1.pcm", "work_0.pek"},
      {{"work_0.pcm", "work_1.pcm", "work_0.pek"}, "work_2.pcm", "work_1.pek"},
      {{"undo_0.pcm"}, "work_0.pcm", "work_0.pek"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    for (const auto& name : c.leftovers) WriteFileBytes(dir / name, "leftover");
    TempAudioFile slot;
    ASSERT_EQ(CreateTempAudioFile(&slot, dir.Str(), "work"), OP_DONE);
    EXPECT_EQ(FileName(slot.pcmPath), c.pcm);
    EXPECT_EQ(FileName(slot.peakPath), c.peak);
    EXPECT_EQ(fs::file_size(slot.pcmPath), 0u);
    // A leftover is skipped, never overwritten.
    for (const auto& name : c.leftovers) EXPECT_EQ(ReadFileBytes(dir / name), "leftover");
  }
}

TEST(TempAudioFile, SecondDocumentTakesTheNextNumbers) {
  TempDir dir;
  TempAudioFile first, second;
  ASSERT_EQ(CreateTempAudioFile(&first, dir.Str(), "work"), OP_DONE);
  ASSERT_EQ(CreateTempAudioFile(&second, dir.Str(), "work"), OP_DONE);
  EXPECT_EQ(FileName(second.pcmPath), "work_1.pcm");
  EXPECT_EQ(FileName(second.peakPath), "work_1.pek");
}

TEST(TempAudioFile, CreationInAMissingFolderFailsAtOnceWithItsMessage) {
  TempDir dir;
  MessageRecorder messages;
  TempAudioFile slot;
  const std::string folder = (dir / "missing").string();
  EXPECT_EQ(CreateTempAudioFile(&slot, folder, "clip"), OP_FAILED);
  EXPECT_EQ(messages.Messages(),
            std::vector<std::string>{"Failed to create undo PCM file: " + folder + "/clip_0.pcm"});
}

TEST(TempAudioFile, MappingRespectsRecordedLengths) {
  TempDir dir;
  TempAudioFile slot;
  ASSERT_EQ(CreateTempAudioFile(&slot, dir.Str(), "work"), OP_DONE);

  // Nothing to map is still success.
  EXPECT_EQ(DocMemMapFile(&slot, BOTH_PARTS, MAP_READ), OP_DONE);
  EXPECT_EQ(slot.pcmData, nullptr);
  EXPECT_EQ(slot.peakData, nullptr);
  EXPECT_EQ(CloseMemMapFile(&slot, BOTH_PARTS), OP_DONE);

  // A write mapping makes the file exactly as long as recorded.
  slot.pcmLength = 1000;
  ASSERT_EQ(DocMemMapFile(&slot, PCM_PART, MAP_WRITE), OP_DONE);
  ASSERT_NE(slot.pcmData, nullptr);
  std::memset(slot.pcmData, 0x5a, 1000);
  ASSERT_EQ(CloseMemMapFile(&slot, PCM_PART), OP_DONE);
  EXPECT_EQ(slot.pcmData, nullptr);
  EXPECT_EQ(fs::file_size(slot.pcmPath), 1000u);

  ASSERT_EQ(DocMemMapFile(&slot, PCM_PART, MAP_READ), OP_DONE);
  EXPECT_EQ(slot.pcmData[0], 0x5a);
  EXPECT_EQ(slot.pcmData[999], 0x5a);
  EXPECT_EQ(CloseMemMapFile(&slot, PCM_PART), OP_DONE);
}

TEST(TempAudioFile, MappingFailuresAreReportedNotCrashed) {
  TempDir dir;
  TempAudioFile slot, other;
  ASSERT_EQ(CreateTempAudioFile(&slot, dir.Str(), "work"), OP_DONE);
  Fill(&slot, std::string(100, 'x'));

  MessageRecorder messages;
  // The file is opened without sharing: a second mapping is refused.
  ASSERT_EQ(DocMemMapFile(&slot, PCM_PART, MAP_READ), OP_DONE);
  other.pcmPath = slot.pcmPath;
  other.pcmLength = 100;
  EXPECT_EQ(DocMemMapFile(&other, PCM_PART, MAP_READ), OP_FAILED);
  EXPECT_EQ(DocMemMapFile(&other, PCM_PART, MAP_WRITE), OP_FAILED);
  ASSERT_EQ(CloseMemMapFile(&slot, PCM_PART), OP_DONE);
  EXPECT_EQ(ReadFileBytes(slot.pcmPath), std::string(100, 'x'));  // not truncated by the refusal

  // A recorded length longer than the file would fault on access: refused.
  other.pcmLength = 4096;
  EXPECT_EQ(DocMemMapFile(&other, PCM_PART, MAP_READ), OP_FAILED);
  // A missing file.
  other.pcmPath = (dir / "gone.pcm").string();
  EXPECT_EQ(DocMemMapFile(&other, PCM_PART, MAP_READ), OP_FAILED);

  EXPECT_EQ(messages.Messages(), (std::vector<std::string>{
                                     "DocMemMapFile: Failed to open file " + slot.pcmPath,
                                     "DocMemMapFile: Failed to open file " + slot.pcmPath,
                                     "DocMemMapFile: Failed to map file " + slot.pcmPath,
                                     "DocMemMapFile: Failed to open file " + other.pcmPath,
                                 }));
}

TEST(TempAudioFile, WriteMappingOnAFullDiskFailsCleanly) {
  // A file size limit stands in for a full disk: reserving the blocks fails
  // before anything is mapped, so no store can fault later.
  TempDir dir;
  TempAudioFile slot;
  ASSERT_EQ(CreateTempAudioFile(&slot, dir.Str(), "work"), OP_DONE);
  struct rlimit old {};
  getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 64 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

  MessageRecorder messages;
  slot.pcmLength = 1 << 20;
  const auto result = DocMemMapFile(&slot, PCM_PART, MAP_WRITE);

  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(result, OP_FAILED);
  EXPECT_EQ(slot.pcmData, nullptr);
  EXPECT_EQ(messages.Messages(),
            std::vector<std::string>{"DocMemMapFile: Failed to map file " + slot.pcmPath});
  EXPECT_EQ(fs::file_size(slot.pcmPath), 0u);
}

TEST(TempAudioFile, MoveHandsOverFilesLengthsAndFormat) {
  TempDir dir;
  TempAudioFile source, destination;
  ASSERT_EQ(CreateTempAudioFile(&source, dir.Str(), "temp_c"), OP_DONE);
  ASSERT_EQ(CreateTempAudioFile(&destination, dir.Str(), "work"), OP_DONE);
  Fill(&destination, "old pcm", "old peak");
  Fill(&source, "new pcm data", "pk");
  source.SetFormat({2, 16, 44100});

  ASSERT_EQ(MoveAudioFile(&source, &destination), OP_DONE);
  EXPECT_EQ(ReadFileBytes(destination.pcmPath), "new pcm data");
  EXPECT_EQ(ReadFileBytes(destination.peakPath), "pk");
  EXPECT_EQ(destination.pcmLength, 12u);
  EXPECT_EQ(destination.peakLength, 2u);
  EXPECT_EQ(destination.Format(), (AudioFormat{2, 16, 44100}));
  EXPECT_EQ(source.pcmLength, 0u);
  EXPECT_EQ(source.peakLength, 0u);
  EXPECT_FALSE(fs::exists(source.pcmPath));
  EXPECT_FALSE(fs::exists(source.peakPath));

  // The source's names stay valid for its next write.
  Fill(&source, "again");
  EXPECT_EQ(ReadFileBytes(source.pcmPath), "again");
}

TEST(TempAudioFile, MovingAnEmptySourceRemovesTheDestinationPcmButMovesThePeak) {
  TempDir dir;
  TempAudioFile source, destination;
  ASSERT_EQ(CreateTempAudioFile(&source, dir.Str(), "temp_a"), OP_DONE);
  ASSERT_EQ(CreateTempAudioFile(&destination, dir.Str(), "work"), OP_DONE);
  Fill(&destination, "old pcm", "old peak");
  Fill(&source, "", "peak");
  source.SetFormat({1, 8, 8000});

  ASSERT_EQ(MoveAudioFile(&source, &destination), OP_DONE);
  EXPECT_FALSE(fs::exists(destination.pcmPath));
  EXPECT_EQ(destination.pcmLength, 0u);
  EXPECT_EQ(ReadFileBytes(destination.peakPath), "peak");
  EXPECT_EQ(destination.Format(), (AudioFormat{1, 8, 8000}));
}

TEST(TempAudioFile, MoveOfAMappedSlotIsRefusedAndLosesNothing) {
  TempDir dir;
  TempAudioFile source, destination;
  ASSERT_EQ(CreateTempAudioFile(&source, dir.Str(), "temp_c"), OP_DONE);
  ASSERT_EQ(CreateTempAudioFile(&destination, dir.Str(), "work"), OP_DONE);
  Fill(&destination, "keep me");
  Fill(&source, "new");
  ASSERT_EQ(DocMemMapFile(&destination, BOTH_PARTS, MAP_READ), OP_DONE);

  MessageRecorder messages;
  EXPECT_EQ(MoveAudioFile(&source, &destination), OP_FAILED);
  ASSERT_EQ(messages.Messages().size(), 1u);
  EXPECT_EQ(messages.Messages()[0], "MoveAudioFile: Failed to move " + source.pcmPath + " over " +
                                        destination.pcmPath + "  Error: 16");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(destination.pcmData), 7), "keep me");
  EXPECT_EQ(source.pcmLength, 3u);
  CloseMemMapFile(&destination, BOTH_PARTS);
}

TEST(TempAudioFile, CleanupKeepsOrDiscardsFiles) {
  TempDir dir;
  TempAudioFile slot;
  ASSERT_EQ(CreateTempAudioFile(&slot, dir.Str(), "undo_0"), OP_DONE);
  Fill(&slot, "pcm", "peak");
  ASSERT_EQ(DocMemMapFile(&slot, BOTH_PARTS, MAP_READ), OP_DONE);

  EXPECT_EQ(CleanupTempAudioFile(&slot, 1), OP_DONE);
  EXPECT_EQ(slot.pcmData, nullptr);
  EXPECT_EQ(slot.peakData, nullptr);
  EXPECT_EQ(slot.pcmLength, 3u);
  EXPECT_EQ(slot.peakLength, 4u);
  EXPECT_EQ(ReadFileBytes(slot.pcmPath), "pcm");

  ASSERT_EQ(DocMemMapFile(&slot, BOTH_PARTS, MAP_READ), OP_DONE);
  EXPECT_EQ(CleanupTempAudioFile(&slot, 0), OP_DONE);
  EXPECT_EQ(slot.pcmLength, 0u);
  EXPECT_EQ(slot.peakLength, 0u);
  EXPECT_FALSE(fs::exists(slot.pcmPath));
  EXPECT_FALSE(fs::exists(slot.peakPath));
  EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(TempAudioFile, SameAudioFormatComparesAllThreeFields) {
  TempAudioFile a, b;
  a.SetFormat({2, 16, 44100});
  b.SetFormat({2, 16, 44100});
  EXPECT_TRUE(SameAudioFormat(&a, &b));
  for (const AudioFormat& other :
       {AudioFormat{1, 16, 44100}, AudioFormat{2, 8, 44100}, AudioFormat{2, 16, 22050}}) {
    b.SetFormat(other);
    EXPECT_FALSE(SameAudioFormat(&a, &b));
  }
}

TEST(TempAudioFile, LargeReplacedFilesAreDeletedInTheBackground) {
  TempDir dir;
  TempAudioFile source, destination;
  ASSERT_EQ(CreateTempAudioFile(&source, dir.Str(), "temp_c"), OP_DONE);
  ASSERT_EQ(CreateTempAudioFile(&destination, dir.Str(), "work"), OP_DONE);
  const std::string large(6 << 20, '\x11');
  Fill(&destination, large, "old peak");
  Fill(&source, std::string(6 << 20, '\x22'), "new peak");

  ASSERT_EQ(MoveAudioFile(&source, &destination), OP_DONE);
  EXPECT_EQ(ReadFileBytes(destination.pcmPath), std::string(6 << 20, '\x22'));
  Fill(&source, large);
  ASSERT_EQ(CleanupTempAudioFile(&source, 0), OP_DONE);
  EXPECT_FALSE(fs::exists(source.pcmPath));
  platform::WaitForDiscards();
  // Only the live files remain once the background deletions are done.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.Path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"work_0.pcm", "work_0.pek"}));
}

TEST(TempAudioFile, AFailedMoveBringsTheLargeDestinationBack) {
  TempDir dir;
  TempAudioFile source, destination;
  ASSERT_EQ(CreateTempAudioFile(&source, dir.Str(), "temp_c"), OP_DONE);
  ASSERT_EQ(CreateTempAudioFile(&destination, dir.Str(), "work"), OP_DONE);
  const std::string large(6 << 20, '\x11');
  Fill(&destination, large);
  source.pcmLength = 100;  // its file does not exist: the rename fails
  fs::remove(source.pcmPath);
  MessageRecorder messages;
  EXPECT_EQ(MoveAudioFile(&source, &destination), OP_FAILED);
  EXPECT_EQ(ReadFileBytes(destination.pcmPath), large);
  source.pcmLength = 0;
}
