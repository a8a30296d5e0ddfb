// libsarvik.so, loaded as the editor loads it, checked against the FFmpeg
// command-line tools as independent readers of what it writes.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "libs/sarvik/sarvik.h"
#include "tests/support/temp_dir.h"
#include "tests/wma_libs/wma_test_tools.h"

namespace {

constexpr int kQualityBitRates[] = {128000, 96000, 64000, 48000};

// Samples per wmav2 frame: the encoder's frame length grows with the rate.
int EncoderFrameLength(int sample_rate) {
  if (sample_rate <= 16000) return 512;
  if (sample_rate <= 22050) return 1024;
  return 2048;
}

class SarvikTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library_.Loaded()) << library_.Error();
    init_ = library_.Find<WMAEncodeInitFn>("WMAEncodeInit");
    buffer_ = library_.Find<WMAEncodeBufferFn>("WMAEncodeBuffer");
    deinit_ = library_.Find<WMAEncodeDeInitFn>("WMAEncodeDeInit");
    ASSERT_NE(init_, nullptr);
    ASSERT_NE(buffer_, nullptr);
    ASSERT_NE(deinit_, nullptr);
  }

  // One whole session over `bytes`, fed in blocks whose sizes cycle through
  // `blocks`; the first failing call's result, else SARVIK_OK.
  int32_t Encode(const std::string& path, int quality, int channels, int rate,
                 const std::string& bytes, const std::vector<size_t>& blocks = {8192}) {
    int32_t result = init_(path.c_str(), quality, channels, 16, rate);
    if (result != SARVIK_OK) return result;
    size_t offset = 0;
    for (size_t i = 0; offset < bytes.size(); ++i) {
      const size_t count = std::min(blocks[i % blocks.size()], bytes.size() - offset);
      result = buffer_(bytes.data() + offset, static_cast<int32_t>(count));
      if (result != SARVIK_OK) {
        deinit_();
        return result;
      }
      offset += count;
    }
    return deinit_();
  }

  static std::string StereoSine(int frames, int rate) {
    return LittleEndianBytes(SineFrames(frames, rate, {440, 1000}, {16000, 8000}));
  }

  const LoadedLibrary& library_ = LoadedLibrary::Shared(SARVIK_LIBRARY_FILE);
  WMAEncodeInitFn init_ = nullptr;
  WMAEncodeBufferFn buffer_ = nullptr;
  WMAEncodeDeInitFn deinit_ = nullptr;
  TempDir dir_;
};

struct EncodeCase {
  int rate;
  int quality;
};

class SarvikEncodeTest : public SarvikTest, public ::testing::WithParamInterface<EncodeCase> {};

TEST_P(SarvikEncodeTest, WritesWmav2AtTheDocumentRateAndTheQualityBitRate) {
  if (!HaveFfmpegTools()) GTEST_SKIP() << "ffmpeg/ffprobe command-line tools not installed";
  const auto [rate, quality] = GetParam();
  // Not a whole number of encoder frames, so the last frame is a padded one.
  const int frames = rate + 123;
  const int frame_length = EncoderFrameLength(rate);
  const std::string path = (dir_ / "out.wma").string();
  ASSERT_EQ(Encode(path, quality, 2, rate, StereoSine(frames, rate)), SARVIK_OK);

  auto probe = Probe(path);
  EXPECT_EQ(probe["stream.codec_name"], "wmav2");
  EXPECT_EQ(probe["stream.sample_rate"], std::to_string(rate));
  EXPECT_EQ(probe["stream.channels"], "2");
  const double chosen = kQualityBitRates[quality];
  EXPECT_NEAR(std::stod(probe["stream.bit_rate"]), chosen, chosen * 0.05);
  // The packets, not only the header's claim, follow the chosen rate.
  const double packet_count = std::stod(probe["packets.count"]);
  ASSERT_GT(packet_count, 0);
  const double packet_seconds = packet_count * frame_length / rate;
  EXPECT_NEAR(std::stod(probe["packets.bytes"]) * 8.0 / packet_seconds, chosen, chosen * 0.05);

  // The container counts, in milliseconds, the input plus the silence that
  // carries out its last frame (see the next test), at most three frames.
  const double duration = std::stod(probe["format.duration"]);
  EXPECT_GE(duration, (frames + frame_length) / double(rate) - 0.001);
  EXPECT_LE(duration, (frames + 3 * frame_length) / double(rate) + 0.001);
}

INSTANTIATE_TEST_SUITE_P(RatesAndQualities, SarvikEncodeTest,
                         ::testing::Values(EncodeCase{44100, 0}, EncodeCase{44100, 1},
                                           EncodeCase{44100, 2}, EncodeCase{44100, 3},
                                           EncodeCase{22050, 0}, EncodeCase{22050, 1},
                                           EncodeCase{22050, 2}, EncodeCase{22050, 3}),
                         [](const ::testing::TestParamInfo<EncodeCase>& info) {
                           return "Rate" + std::to_string(info.param.rate) + "Quality" +
                                  std::to_string(info.param.quality);
                         });

TEST_F(SarvikTest, DecodedAudioKeepsItsFirstAndLastSamplesInPlace) {
  // FFmpeg's own wmav2 round trip drops the first encoder frame and damages
  // the last one. Left: short tone bursts at the very start, in the middle
  // and at the very end show where the audio lands and whether it survives.
  // Right: a steady quieter tone shows that the channels stay apart.
  if (!HaveFfmpegTools()) GTEST_SKIP() << "ffmpeg/ffprobe command-line tools not installed";
  for (const int rate : {44100, 22050}) {
    SCOPED_TRACE(rate);
    const int frame_length = EncoderFrameLength(rate);
    const int frames = rate + 777;
    constexpr int kBurst = 300;
    const std::vector<int> onsets = {0, rate / 2, frames - kBurst};
    std::vector<int16_t> samples(static_cast<size_t>(frames) * 2, 0);
    for (int i = 0; i < frames; ++i) {
      samples[2 * i + 1] = static_cast<int16_t>(4000 * std::sin(2 * M_PI * 300.0 * i / rate));
    }
    for (int onset : onsets) {
      for (int i = onset; i < onset + kBurst; ++i) {
        samples[2 * i] = static_cast<int16_t>(12000 * std::sin(2 * M_PI * 1000.0 * i / rate));
      }
    }
    const std::string path = (dir_ / "bursts.wma").string();
    ASSERT_EQ(Encode(path, 0, 2, rate, LittleEndianBytes(samples)), SARVIK_OK);
    const std::vector<int16_t> decoded = DecodeWithFfmpeg(path, 2);

    // Whole input, then at most one frame of padding and the carrying frame.
    const size_t decoded_frames = decoded.size() / 2;
    EXPECT_GE(decoded_frames, static_cast<size_t>(frames + frame_length));
    EXPECT_LT(decoded_frames, static_cast<size_t>(frames + 2 * frame_length));

    std::vector<int> found;  // first loud sample of each burst
    for (size_t i = 0; i < decoded_frames; ++i) {
      if (std::abs(decoded[2 * i]) > 3000 && (found.empty() || int(i) > found.back() + kBurst)) {
        found.push_back(static_cast<int>(i));
      }
    }
    ASSERT_EQ(found.size(), onsets.size());
    for (size_t b = 0; b < onsets.size(); ++b) {
      EXPECT_NEAR(found[b], onsets[b], 8) << "burst " << b;
      // At full strength, not a faded remnant.
      EXPECT_NEAR(ChannelRms(decoded, 2, 0, onsets[b] + 20, onsets[b] + kBurst - 20),
                  12000 / std::sqrt(2.0), 12000 * 0.15)
          << "burst " << b;
    }
    const size_t quiet_from = kBurst + 500, quiet_to = rate / 2 - 500;
    EXPECT_LT(ChannelRms(decoded, 2, 0, quiet_from, quiet_to), 300);
    EXPECT_NEAR(ChannelRms(decoded, 2, 1, quiet_from, quiet_to), 4000 / std::sqrt(2.0), 400);
  }
}

TEST_F(SarvikTest, BlockSizesDoNotChangeTheFile) {
  const std::string audio = StereoSine(30000, 44100);
  const std::string whole = (dir_ / "whole.wma").string();
  const std::string ragged = (dir_ / "ragged.wma").string();
  ASSERT_EQ(Encode(whole, 2, 2, 44100, audio, {8192}), SARVIK_OK);
  // Blocks that split sample frames and even single samples.
  ASSERT_EQ(Encode(ragged, 2, 2, 44100, audio, {1, 3, 4097, 5, 20000, 2, 8191}), SARVIK_OK);
  const std::string whole_bytes = ReadFileBytes(whole);
  EXPECT_TRUE(StartsWithAsfHeader(whole));
  EXPECT_GT(whole_bytes.size(), 5000u);
  EXPECT_TRUE(whole_bytes == ReadFileBytes(ragged));
}

TEST_F(SarvikTest, MonoInputMakesAMonoFile) {
  if (!HaveFfmpegTools()) GTEST_SKIP() << "ffmpeg/ffprobe command-line tools not installed";
  const std::string path = (dir_ / "mono.wma").string();
  const std::string audio = LittleEndianBytes(SineFrames(22050, 22050, {440}, {12000}));
  ASSERT_EQ(Encode(path, 3, 1, 22050, audio), SARVIK_OK);
  auto probe = Probe(path);
  EXPECT_EQ(probe["stream.codec_name"], "wmav2");
  EXPECT_EQ(probe["stream.channels"], "1");
}

TEST_F(SarvikTest, CallsOutsideASessionFailWithoutHarm) {
  const std::string audio = StereoSine(4096, 44100);
  EXPECT_EQ(buffer_(audio.data(), 8192), SARVIK_ERROR_STATE);
  EXPECT_EQ(deinit_(), SARVIK_ERROR_STATE);

  const std::string path = (dir_ / "a.wma").string();
  ASSERT_EQ(init_(path.c_str(), 1, 2, 16, 44100), SARVIK_OK);
  EXPECT_EQ(buffer_(audio.data(), -4), SARVIK_ERROR_ARGUMENT);
  EXPECT_EQ(buffer_(nullptr, 16), SARVIK_ERROR_ARGUMENT);
  EXPECT_EQ(buffer_(nullptr, 0), SARVIK_OK);
  // A rejected call leaves the session usable.
  EXPECT_EQ(buffer_(audio.data(), static_cast<int32_t>(audio.size())), SARVIK_OK);
  EXPECT_EQ(deinit_(), SARVIK_OK);
  EXPECT_TRUE(StartsWithAsfHeader(path));

  EXPECT_EQ(buffer_(audio.data(), 8192), SARVIK_ERROR_STATE);
  EXPECT_EQ(deinit_(), SARVIK_ERROR_STATE);
}

TEST_F(SarvikTest, ASessionWithoutAudioStillMakesAPlayableFile) {
  const std::string path = (dir_ / "empty.wma").string();
  ASSERT_EQ(init_(path.c_str(), 2, 2, 16, 44100), SARVIK_OK);
  ASSERT_EQ(deinit_(), SARVIK_OK);
  EXPECT_TRUE(StartsWithAsfHeader(path));
  if (!HaveFfmpegTools()) GTEST_SKIP() << "ffmpeg/ffprobe command-line tools not installed";
  EXPECT_EQ(Probe(path)["stream.codec_name"], "wmav2");
}

TEST_F(SarvikTest, ANewSessionReplacesOneThatWasNeverFinished) {
  // The editor abandons a session when the user cancels: it deletes the file
  // and never calls DeInit. The next export must still work.
  const std::string audio = StereoSine(8192, 44100);
  const std::string first = (dir_ / "cancelled").string();
  const std::string second = (dir_ / "next").string();
  ASSERT_EQ(init_(first.c_str(), 0, 2, 16, 44100), SARVIK_OK);
  ASSERT_EQ(buffer_(audio.data(), static_cast<int32_t>(audio.size())), SARVIK_OK);
  ASSERT_EQ(unlink(first.c_str()), 0);

  ASSERT_EQ(Encode(second, 0, 2, 44100, audio), SARVIK_OK);
  EXPECT_TRUE(StartsWithAsfHeader(second));
  EXPECT_FALSE(std::filesystem::exists(first));
}

TEST_F(SarvikTest, WritesToNamesWithoutExtensionOrWithAColon) {
  // The editor's temporary names have no extension, and a relative name
  // such as "take:1" must not be read as a URL scheme.
  const std::string audio = StereoSine(4096, 44100);
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_.Path());
  const int32_t relative = Encode("take:1", 2, 2, 44100, audio);
  std::filesystem::current_path(previous);
  EXPECT_EQ(relative, SARVIK_OK);
  EXPECT_TRUE(StartsWithAsfHeader(dir_ / "take:1"));

  const std::string plain = (dir_ / "wma_write_0").string();
  EXPECT_EQ(Encode(plain, 2, 2, 44100, audio), SARVIK_OK);
  EXPECT_TRUE(StartsWithAsfHeader(plain));
}

TEST_F(SarvikTest, BadStartsFailAndLeaveNoFile) {
  WriteFileBytes(dir_ / "plain_file", "x");
  struct BadStart {
    const char* what;
    std::string path;
    int quality, channels, bits, rate;
    int32_t expected;
  };
  const std::string ok = (dir_ / "out.wma").string();
  const BadStart cases[] = {
      {"missing folder", (dir_ / "no" / "such" / "out.wma").string(), 2, 2, 16, 44100,
       SARVIK_ERROR_OPEN},
      {"folder is a file", (dir_ / "plain_file" / "out.wma").string(), 2, 2, 16, 44100,
       SARVIK_ERROR_OPEN},
      {"path is a folder", dir_.Str(), 2, 2, 16, 44100, SARVIK_ERROR_OPEN},
      {"rate above the encoder's range", ok, 2, 2, 16, 96000, SARVIK_ERROR_OPEN},
      {"zero rate", ok, 2, 2, 16, 0, SARVIK_ERROR_ARGUMENT},
      {"negative rate", ok, 2, 2, 16, -44100, SARVIK_ERROR_ARGUMENT},
      {"quality above 3", ok, 4, 2, 16, 44100, SARVIK_ERROR_ARGUMENT},
      {"negative quality", ok, -1, 2, 16, 44100, SARVIK_ERROR_ARGUMENT},
      {"three channels", ok, 2, 3, 16, 44100, SARVIK_ERROR_ARGUMENT},
      {"no channels", ok, 2, 0, 16, 44100, SARVIK_ERROR_ARGUMENT},
      {"8-bit samples", ok, 2, 2, 8, 44100, SARVIK_ERROR_ARGUMENT},
      {"empty path", "", 2, 2, 16, 44100, SARVIK_ERROR_ARGUMENT},
  };
  const std::string audio = StereoSine(4096, 44100);
  for (const BadStart& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(init_(c.path.c_str(), c.quality, c.channels, c.bits, c.rate), c.expected);
    // No session was started.
    EXPECT_EQ(buffer_(audio.data(), 8192), SARVIK_ERROR_STATE);
    EXPECT_EQ(deinit_(), SARVIK_ERROR_STATE);
  }
  EXPECT_EQ(init_(nullptr, 2, 2, 16, 44100), SARVIK_ERROR_ARGUMENT);
  EXPECT_FALSE(std::filesystem::exists(ok));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()), {}), 1);
  EXPECT_EQ(ReadFileBytes(dir_ / "plain_file"), "x");
}

TEST_F(SarvikTest, ReadOnlyFolderIsRefused) {
  if (geteuid() == 0) GTEST_SKIP() << "file permissions do not bind the superuser";
  const std::filesystem::path locked = dir_ / "locked";
  std::filesystem::create_directory(locked);
  std::filesystem::permissions(
      locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  EXPECT_EQ(init_((locked / "out.wma").string().c_str(), 2, 2, 16, 44100), SARVIK_ERROR_OPEN);
  EXPECT_EQ(deinit_(), SARVIK_ERROR_STATE);
}

TEST_F(SarvikTest, AWriteFailureIsReportedAndTheDeviceKept) {
  // /dev/full accepts the open and refuses every write with "no space".
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const std::string audio = StereoSine(44100 * 2, 44100);
  EXPECT_NE(Encode("/dev/full", 0, 2, 44100, audio), SARVIK_OK);
  EXPECT_TRUE(std::filesystem::exists("/dev/full"));
  EXPECT_EQ(deinit_(), SARVIK_ERROR_STATE);
}

}  // namespace
