// The second-half thread of the WMA decoder: whatever it does, the output is
// the one-thread decode, byte for byte. The tests call the library's decode
// with a choice of options (the exported WMADecode always uses the
// defaults), decode every fixture once on one thread for the reference, and
// check from the report whether the two halves were joined, so that both the
// join and each way of giving it up are seen to happen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "libs/ombrin/decode_file.h"
#include "platform/fault_injection.h"
#include "tests/ombrin/ffmpeg_tool.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Messages = std::vector<std::string>;

// Pink noise, a different sequence on each channel: no stretch of it repeats,
// so the probe can match in one place only.
bool MakeNoiseWma(const fs::path& path, const std::string& codec, int channels, int rate, int kbits,
                  int seconds) {
  const std::string source = "-f lavfi -i 'anoisesrc=c=pink:a=0.5:r=" + std::to_string(rate) +
                             ":d=" + std::to_string(seconds) + ":s=";
  std::string inputs = source + "1'";
  if (channels == 2) inputs += " " + source + "2' -filter_complex amerge";
  return RunFfmpeg(inputs + " -c:a " + codec + " -b:a " + std::to_string(kbits) + "k " +
                   Quoted(path));
}

// Progress as the callback saw it; the callback is a plain function pointer.
struct ProgressLog {
  std::vector<int> percents;
  int stopAtCall = -1;  // writes 0 to keepGoing at this call
};
ProgressLog* activeLog = nullptr;

void LogProgress(int percent, int* keepGoing) {
  if (activeLog == nullptr) return;
  if (static_cast<int>(activeLog->percents.size()) == activeLog->stopAtCall) *keepGoing = 0;
  activeLog->percents.push_back(percent);
}

struct Outcome {
  int32_t result = 0;
  std::string pcm;
  ombrin::DecodeReport report;
  Messages messages;
  ProgressLog progress;
};

Outcome Decode(const fs::path& input, const fs::path& output, const ombrin::DecodeOptions& options,
               int stopAtCall = -1) {
  Outcome outcome;
  outcome.progress.stopAtCall = stopAtCall;
  activeLog = &outcome.progress;
  MessageRecorder recorder;
  int16_t channels = 0;
  int16_t bits = 0;
  int32_t rate = 0;
  outcome.result = ombrin::DecodeFile(input.c_str(), output.c_str(), &channels, &bits, &rate,
                                      &LogProgress, options, &outcome.report);
  activeLog = nullptr;
  outcome.messages = recorder.Messages();
  outcome.pcm = ReadFileBytes(output);
  return outcome;
}

ombrin::DecodeOptions OneThread() {
  ombrin::DecodeOptions options;
  options.allowParallel = false;
  return options;
}

// Short fixtures cross a lowered threshold.
ombrin::DecodeOptions SmallThreshold() {
  ombrin::DecodeOptions options;
  options.parallelMinInputBytes = 64 << 10;
  return options;
}

void ExpectWellFormedProgress(const std::vector<int>& percents, bool complete) {
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.front(), 0);
  for (size_t i = 1; i < percents.size(); ++i) {
    EXPECT_EQ(percents[i] % 2, 0) << "call " << i;
    EXPECT_LE(percents[i], 100) << "call " << i;
    EXPECT_GE(percents[i], percents[i - 1]) << "call " << i;
  }
  if (complete) {
    EXPECT_EQ(percents.back(), 100);
  }
}

size_t ThreadCount() {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/task")) ++count;
  return count;
}

std::vector<std::string> FolderNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

struct StreamCase {
  const char* name;
  const char* codec;
  int channels;
  int rate;
  int kbits;
  // Low bit rates fill their upper bands with noise that a decoder started
  // mid-stream cannot reproduce; those must never be joined.
  bool joinable;
};

class ParallelDecode : public ::testing::TestWithParam<StreamCase> {};

TEST_P(ParallelDecode, EqualsOneThreadDecodeByteForByte) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is not available";
  const StreamCase& stream = GetParam();
  TempDir dir;
  const fs::path wma = dir / "in.wma";
  ASSERT_TRUE(MakeNoiseWma(wma, stream.codec, stream.channels, stream.rate, stream.kbits, 20));
  const Outcome reference = Decode(wma, dir / "one.pcm", OneThread());
  ASSERT_EQ(reference.result, 0);
  ASSERT_FALSE(reference.report.tailStarted);
  ASSERT_GT(reference.pcm.size(), static_cast<size_t>(10 * stream.rate * stream.channels * 2));

  const Outcome split = Decode(wma, dir / "two.pcm", SmallThreshold());
  EXPECT_EQ(split.result, 0);
  EXPECT_EQ(split.messages, Messages{});
  EXPECT_TRUE(split.pcm == reference.pcm) << "the split decode differs";
  EXPECT_EQ(split.report.joined, stream.joinable);
  ExpectWellFormedProgress(split.progress.percents, true);

  // Past the noise check, a noise-filled stream may or may not reproduce the
  // probe; either way the result is the one-thread decode.
  ombrin::DecodeOptions tryAnyway = SmallThreshold();
  tryAnyway.skipNoiseCheck = true;
  const Outcome forced = Decode(wma, dir / "forced.pcm", tryAnyway);
  EXPECT_EQ(forced.result, 0);
  EXPECT_TRUE(forced.report.tailStarted);
  EXPECT_TRUE(forced.pcm == reference.pcm) << "the split decode differs";

  // A second thread whose samples differ from its second frame on has the
  // worker match one frame and then refuse the join.
  ombrin::DecodeOptions unsettled = SmallThreshold();
  unsettled.skipNoiseCheck = true;
  unsettled.tailDivergesAtFrame = 1;
  const Outcome refused = Decode(wma, dir / "refused.pcm", unsettled);
  EXPECT_EQ(refused.result, 0);
  EXPECT_TRUE(refused.report.tailStarted);
  EXPECT_FALSE(refused.report.joined);
  EXPECT_TRUE(refused.pcm == reference.pcm) << "the split decode differs";
  ExpectWellFormedProgress(refused.progress.percents, true);
  // The second thread's file was never named.
  EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::string>{"forced.pcm", "in.wma", "one.pcm",
                                                               "refused.pcm", "two.pcm"}));
}

INSTANTIATE_TEST_SUITE_P(
    Streams, ParallelDecode,
    ::testing::Values(StreamCase{"V2Stereo44k", "wmav2", 2, 44100, 192, true},
                      StreamCase{"V2Stereo48k", "wmav2", 2, 48000, 160, true},
                      StreamCase{"V2Mono22k", "wmav2", 1, 22050, 64, true},
                      StreamCase{"V1Stereo44k", "wmav1", 2, 44100, 128, true},
                      StreamCase{"V1Mono22k", "wmav1", 1, 22050, 48, true},
                      StreamCase{"V2Stereo44kLow", "wmav2", 2, 44100, 32, false},
                      StreamCase{"V2Mono22kLow", "wmav2", 1, 22050, 24, false},
                      StreamCase{"V1Stereo48k", "wmav1", 2, 48000, 128, false}),
    [](const ::testing::TestParamInfo<StreamCase>& info) { return std::string(info.param.name); });

// Damage in either half, at the split point or a cut-off end: the second
// thread gives up on anything unusual, the worker decodes on as it does alone.
TEST(ParallelDecodeDamage, DamagedFilesDecodeAsOnOneThread) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is not available";
  TempDir dir;
  const fs::path original = dir / "original.wma";
  ASSERT_TRUE(MakeNoiseWma(original, "wmav2", 2, 44100, 192, 20));
  const std::string whole = ReadFileBytes(original);
  auto noiseAt = [&whole](double from, double to) {
    std::string damaged = whole;
    uint32_t state = 99;
    for (size_t i = static_cast<size_t>(whole.size() * from); i < whole.size() * to; ++i) {
      state = state * 1103515245u + 12345u;
      damaged[i] = static_cast<char>(state >> 24);
    }
    return damaged;
  };
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {{"noise in the first half", noiseAt(0.2, 0.25)},
               {"noise at the split", noiseAt(0.48, 0.53)},
               {"noise in the second half", noiseAt(0.7, 0.72)},
               {"cut off in the second half", whole.substr(0, whole.size() * 3 / 4)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path in = dir / "damaged.wma";
    WriteFileBytes(in, c.bytes);
    const Outcome reference = Decode(in, dir / "one.pcm", OneThread());
    ASSERT_EQ(reference.result, 0);
    const Outcome split = Decode(in, dir / "two.pcm", SmallThreshold());
    EXPECT_EQ(split.result, 0);
    EXPECT_EQ(split.messages, Messages{});
    EXPECT_TRUE(split.report.tailStarted);
    EXPECT_TRUE(split.pcm == reference.pcm) << "the split decode differs";
    ExpectWellFormedProgress(split.progress.percents, true);
  }
}

// A four-minute file above the default threshold, shared by the tests of
// what can go wrong while both threads run.
class ParallelDecodeFailures : public ::testing::Test {
 protected:
  struct Shared {
    TempDir dir;
    fs::path wma;
    std::string pcm;  // the one-thread decode
    int codecCalls = 0;
  };

  static const Shared* Fixture() {
    static std::unique_ptr<Shared> shared = [] {
      if (!HaveFfmpeg()) return std::unique_ptr<Shared>();
      auto made = std::make_unique<Shared>();
      made->wma = made->dir / "long.wma";
      if (!MakeNoiseWma(made->wma, "wmav2", 2, 44100, 192, 240)) return std::unique_ptr<Shared>();
      platform::ArmFault(platform::FileCall::Codec, 0, 0);
      const Outcome reference = Decode(made->wma, made->dir / "one.pcm", OneThread());
      made->codecCalls = platform::FileCallsSinceArmed(platform::FileCall::Codec);
      platform::DisarmFaults();
      if (reference.result != 0) return std::unique_ptr<Shared>();
      made->pcm = reference.pcm;
      return made;
    }();
    return shared.get();
  }

  void TearDown() override { platform::DisarmFaults(); }

  TempDir dir_;
};

#define REQUIRE_FIXTURE()            \
  const Shared* fixture = Fixture(); \
  if (fixture == nullptr) GTEST_SKIP() << "the ffmpeg command-line tool is not available"

TEST_F(ParallelDecodeFailures, DefaultOptionsJoinAboveTheThreshold) {
  REQUIRE_FIXTURE();
  const Outcome outcome = Decode(fixture->wma, dir_ / "out.pcm", ombrin::DecodeOptions{});
  EXPECT_EQ(outcome.result, 0);
  EXPECT_TRUE(outcome.report.joined);
  EXPECT_TRUE(outcome.pcm == fixture->pcm);
  ExpectWellFormedProgress(outcome.progress.percents, true);
}

// The second thread failing at any point (before its probe, after it, while
// the worker waits for it) leaves the worker to decode on alone.
TEST_F(ParallelDecodeFailures, SecondThreadFailureFallsBackToOneThread) {
  REQUIRE_FIXTURE();
  const int64_t tailPackets = fixture->codecCalls / 2;
  for (const int64_t failAfter : {int64_t{0}, int64_t{20}, tailPackets * 9 / 10}) {
    SCOPED_TRACE(failAfter);
    ombrin::DecodeOptions options;
    options.tailFailsAfterPackets = failAfter;
    const size_t threads = ThreadCount();
    const Outcome outcome = Decode(fixture->wma, dir_ / "out.pcm", options);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.messages, Messages{});
    EXPECT_TRUE(outcome.report.tailStarted);
    EXPECT_FALSE(outcome.report.joined);
    EXPECT_TRUE(outcome.pcm == fixture->pcm);
    ExpectWellFormedProgress(outcome.progress.percents, true);
    EXPECT_EQ(ThreadCount(), threads);
    EXPECT_EQ(FolderNames(dir_.Path()), std::vector<std::string>{"out.pcm"});
  }
}

// A second thread whose samples differ from the worker's, from the first
// frame of its probe or only from the last, is never joined.
TEST_F(ParallelDecodeFailures, DifferingSecondThreadIsNeverJoined) {
  REQUIRE_FIXTURE();
  for (const int divergeAt : {0, 3}) {
    SCOPED_TRACE(divergeAt);
    ombrin::DecodeOptions options;
    options.tailDivergesAtFrame = divergeAt;
    const Outcome outcome = Decode(fixture->wma, dir_ / "out.pcm", options);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_TRUE(outcome.report.tailStarted);
    EXPECT_FALSE(outcome.report.joined);
    EXPECT_TRUE(outcome.pcm == fixture->pcm);
  }
}

// A decode failure of the worker ends the whole decode as a failure, with
// the second thread stopped; a failure armed for a packet that the second
// thread decodes instead is never met, unless the worker has to decode that
// packet itself after all.
TEST_F(ParallelDecodeFailures, WorkerDecodeFailureIsReportedWithBothThreadsStopped) {
  REQUIRE_FIXTURE();
  const int firstHalf = fixture->codecCalls / 4;
  const int secondHalf = fixture->codecCalls * 3 / 4;
  const struct {
    int failingCall;
    int64_t tailFailsAfter;
    bool fails;
  } cases[] = {{firstHalf, -1, true}, {secondHalf, -1, false}, {secondHalf, 0, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.failingCall << " " << c.tailFailsAfter);
    ombrin::DecodeOptions options;
    options.tailFailsAfterPackets = c.tailFailsAfter;
    platform::ArmFault(platform::FileCall::Codec, c.failingCall, EIO);
    const size_t threads = ThreadCount();
    const Outcome outcome = Decode(fixture->wma, dir_ / "out.pcm", options);
    platform::DisarmFaults();
    EXPECT_TRUE(outcome.report.tailStarted);
    if (c.fails) {
      EXPECT_EQ(outcome.result, OMBRIN_ERRNO_CODE(EIO));
      EXPECT_EQ(outcome.messages, Messages{"Processing samples failed: Error "});
      EXPECT_FALSE(outcome.report.joined);
      EXPECT_LT(outcome.pcm.size(), fixture->pcm.size());
      EXPECT_TRUE(outcome.pcm == fixture->pcm.substr(0, outcome.pcm.size()));
    } else {
      EXPECT_EQ(outcome.result, 0);
      EXPECT_TRUE(outcome.report.joined);
      EXPECT_TRUE(outcome.pcm == fixture->pcm);
    }
    EXPECT_EQ(ThreadCount(), threads);
    EXPECT_EQ(FolderNames(dir_.Path()), std::vector<std::string>{"out.pcm"});
  }
}

// A stop while both threads run keeps what the worker wrote, which is the
// start of the one-thread decode, and leaves neither a thread nor a file.
TEST_F(ParallelDecodeFailures, StopLeavesNoThreadAndNoFile) {
  REQUIRE_FIXTURE();
  const size_t threads = ThreadCount();
  const Outcome outcome =
      Decode(fixture->wma, dir_ / "out.pcm", ombrin::DecodeOptions{}, /*stopAtCall=*/1);
  EXPECT_EQ(ThreadCount(), threads);
  EXPECT_EQ(FolderNames(dir_.Path()), std::vector<std::string>{"out.pcm"});
  if (outcome.pcm.size() == fixture->pcm.size()) {
    GTEST_SKIP() << "the decode ended before the first progress call could stop it";
  }
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.messages, Messages{});
  EXPECT_TRUE(outcome.report.tailStarted);
  EXPECT_FALSE(outcome.report.joined);
  EXPECT_EQ(outcome.progress.percents.size(), 2u);
  EXPECT_LT(outcome.pcm.size(), fixture->pcm.size());
  EXPECT_EQ(outcome.pcm.size() % 4, 0u) << "stopped inside a stereo frame";
  EXPECT_TRUE(outcome.pcm == fixture->pcm.substr(0, outcome.pcm.size()));
}

}  // namespace
