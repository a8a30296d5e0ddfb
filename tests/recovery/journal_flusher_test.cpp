// The durable manifest is written only while nothing holds the flusher: an
// operation running keeps the background flush off the disk, and the flush
// follows once the editor is quiet again.

#include "engine/journal_flusher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;

bool AppearsWithin(const std::filesystem::path& path, std::chrono::milliseconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < until) {
    if (std::filesystem::exists(path)) return true;
    std::this_thread::sleep_for(10ms);
  }
  return std::filesystem::exists(path);
}

TEST(JournalFlusher, WaitsWhileHeldAndFlushesOnceQuiet) {
  TempDir dir;
  WriteFileBytes(dir / "audio.pcm", std::string(1 << 20, 'x'));
  const auto durable = dir / "durable.json";
  JournalFlusher flusher(dir.Str(), "durable.json");

  flusher.SetHeld(true);
  flusher.Request({"audio.pcm"}, "{\"first\":1}");
  flusher.Request({"audio.pcm"}, "{\"second\":2}");  // replaces the first
  EXPECT_FALSE(AppearsWithin(durable, 600ms)) << "flushed while an operation held it";
  EXPECT_EQ(flusher.NamesInUse().count("audio.pcm"), 1u) << "a waiting flush needs its files";

  flusher.SetHeld(false);
  ASSERT_TRUE(AppearsWithin(durable, 5000ms));
  flusher.WaitUntilIdle();
  EXPECT_EQ(ReadFileBytes(durable), "{\"second\":2}");
  EXPECT_FALSE(flusher.TakeFailure());
}

TEST(JournalFlusher, WaitingForDurabilityDoesNotWaitForQuiet) {
  TempDir dir;
  WriteFileBytes(dir / "audio.pcm", "abcd");
  JournalFlusher flusher(dir.Str(), "durable.json");
  flusher.SetHeld(true);
  flusher.Request({"audio.pcm"}, "{}");
  flusher.WaitUntilIdle();
  EXPECT_EQ(ReadFileBytes(dir / "durable.json"), "{}");
}

TEST(JournalFlusher, AFileThatIsGoneIsAFailureAndNoManifest) {
  TempDir dir;
  JournalFlusher flusher(dir.Str(), "durable.json");
  flusher.Request({"missing.pcm"}, "{}");
  flusher.WaitUntilIdle();
  EXPECT_TRUE(flusher.TakeFailure());
  EXPECT_FALSE(std::filesystem::exists(dir / "durable.json"));
}

}  // namespace
