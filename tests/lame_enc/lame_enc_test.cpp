// liblame_enc.so as the editor meets it: loaded with dlopen from the program
// folder, its five functions looked up by name. The MP3 output is checked by
// walking its frame headers ourselves, and, where the command-line tools are
// installed, by decoding it with mpg123, probing it with ffprobe and comparing
// it with the lame command-line encoder.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "libs/lame_enc/lame_enc.h"
#include "tests/support/temp_dir.h"

namespace {

struct LameApi {
  void* library = nullptr;
  BeInitStreamFn init = nullptr;
  BeEncodeChunkFn encode = nullptr;
  BeDeinitStreamFn deinit = nullptr;
  BeCloseStreamFn close = nullptr;
  BeVersionFn version = nullptr;
  std::string error;
};

std::filesystem::path BinFolder() {
  if (const char* bin = std::getenv("VELLMORE_TEST_BIN"); bin != nullptr && *bin != '\0') {
    return bin;
  }
  return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

// Loaded once and kept, as the editor keeps the library loaded.
const LameApi& Api() {
  static const LameApi api = [] {
    LameApi loaded;
    const std::string path = (BinFolder() / "liblame_enc.so").string();
    loaded.library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (loaded.library == nullptr) {
      loaded.error = dlerror();
      return loaded;
    }
    loaded.init = reinterpret_cast<BeInitStreamFn>(dlsym(loaded.library, "beInitStream"));
    loaded.encode = reinterpret_cast<BeEncodeChunkFn>(dlsym(loaded.library, "beEncodeChunk"));
    loaded.deinit = reinterpret_cast<BeDeinitStreamFn>(dlsym(loaded.library, "beDeinitStream"));
    loaded.close = reinterpret_cast<BeCloseStreamFn>(dlsym(loaded.library, "beCloseStream"));
    loaded.version = reinterpret_cast<BeVersionFn>(dlsym(loaded.library, "beVersion"));
    if (!loaded.init || !loaded.encode || !loaded.deinit || !loaded.close || !loaded.version) {
      loaded.error = "a function is missing from " + path;
    }
    return loaded;
  }();
  return api;
}

BeMp3Config Config(uint32_t sampleRate, uint8_t mode, uint16_t bitRate) {
  BeMp3Config config{};
  config.configKind = BE_CONFIG_MP3;
  config.sampleRate = sampleRate;
  config.mode = mode;
  config.bitRate = bitRate;
  return config;
}

// Interleaved 16-bit PCM: one sine per channel, each at its own frequency, so
// a swapped or mixed channel shows up in the decoded result.
std::vector<int16_t> Sine(uint32_t sampleRate, int channels, double seconds,
                          const std::vector<double>& frequencies, double amplitude = 10000) {
  const size_t frames = static_cast<size_t>(sampleRate * seconds);
  std::vector<int16_t> pcm(frames * channels);
  for (size_t i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      const double phase = 2 * std::numbers::pi * frequencies[c] * i / sampleRate;
      pcm[i * channels + c] = static_cast<int16_t>(std::lround(amplitude * std::sin(phase)));
    }
  }
  return pcm;
}

std::vector<int16_t> Noise(size_t samples) {
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> value(-32768, 32767);
  std::vector<int16_t> pcm(samples);
  for (auto& sample : pcm) sample = static_cast<int16_t>(value(random));
  return pcm;
}

constexpr size_t kCanaryBytes = 64;
constexpr uint8_t kCanary = 0xA5;

struct Encoded {
  BeErr result = BE_ERR_SUCCESSFUL;
  uint32_t samplesPerChunk = 0;
  uint32_t outputBufferSize = 0;
  std::string mp3;
};

// The editor's loop: chunks of samplesPerChunk (the last one shorter) into one
// output buffer of exactly outputBufferSize bytes, then the flush. A guard
// zone after the buffer catches any write past the promised size. chunkLimit
// lets a test feed smaller chunks than the stream allows.
Encoded Encode(const BeMp3Config& config, const std::vector<int16_t>& pcm,
               uint32_t chunkLimit = 0) {
  const LameApi& api = Api();
  Encoded out;
  BeStream stream = BE_NO_STREAM;
  out.result = api.init(&config, &out.samplesPerChunk, &out.outputBufferSize, &stream);
  if (out.result != BE_ERR_SUCCESSFUL) return out;
  std::vector<uint8_t> buffer(out.outputBufferSize + kCanaryBytes, kCanary);
  auto guardIntact = [&] {
    return std::all_of(buffer.begin() + out.outputBufferSize, buffer.end(),
                       [](uint8_t b) { return b == kCanary; });
  };
  const uint32_t chunk = chunkLimit != 0 ? chunkLimit : out.samplesPerChunk;
  for (size_t offset = 0; offset < pcm.size() && out.result == BE_ERR_SUCCESSFUL;) {
    const uint32_t count = static_cast<uint32_t>(std::min<size_t>(chunk, pcm.size() - offset));
    uint32_t length = 0;
    out.result = api.encode(stream, count, pcm.data() + offset, buffer.data(), &length);
    EXPECT_LE(length, out.outputBufferSize);
    EXPECT_TRUE(guardIntact()) << "beEncodeChunk wrote past the output buffer";
    out.mp3.append(reinterpret_cast<const char*>(buffer.data()), length);
    offset += count;
  }
  if (out.result == BE_ERR_SUCCESSFUL) {
    uint32_t length = 0;
    out.result = api.deinit(stream, buffer.data(), &length);
    EXPECT_LE(length, out.outputBufferSize);
    EXPECT_TRUE(guardIntact()) << "beDeinitStream wrote past the output buffer";
    out.mp3.append(reinterpret_cast<const char*>(buffer.data()), length);
  }
  EXPECT_EQ(api.close(stream), BE_ERR_SUCCESSFUL);
  return out;
}

// ---- MPEG audio layer III frame headers ---------------------------------

struct FrameHeader {
  int version = 0;  // 1 = MPEG-1, 2 = MPEG-2, 25 = MPEG-2.5
  int bitRate = 0;  // kbit/s
  int sampleRate = 0;
  int mode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
  bool crc = false;
  bool privateBit = false;
  bool copyright = false;
  bool original = false;
  int samplesPerFrame = 0;
  size_t bytes = 0;
};

bool ParseHeader(const std::string& data, size_t at, FrameHeader& header) {
  if (at + 4 > data.size()) return false;
  const auto b = [&](size_t i) { return static_cast<uint8_t>(data[at + i]); };
  if (b(0) != 0xFF || (b(1) & 0xE0) != 0xE0) return false;
  const int versionBits = (b(1) >> 3) & 3;
  if (versionBits == 1 || ((b(1) >> 1) & 3) != 1) return false;  // reserved, or not layer III
  header.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
  static const int kRatesMpeg1[] = {0,   32,  40,  48,  56,  64,  80, 96,
                                    112, 128, 160, 192, 224, 256, 320};
  static const int kRatesMpeg2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
  const int rateIndex = b(2) >> 4;
  const int sampleIndex = (b(2) >> 2) & 3;
  if (rateIndex == 0 || rateIndex == 15 || sampleIndex == 3) return false;
  header.bitRate = header.version == 1 ? kRatesMpeg1[rateIndex] : kRatesMpeg2[rateIndex];
  static const int kSampleRatesMpeg1[] = {44100, 48000, 32000};
  header.sampleRate = kSampleRatesMpeg1[sampleIndex] / (header.version == 1   ? 1
                                                        : header.version == 2 ? 2
                                                                              : 4);
  const bool padding = (b(2) >> 1) & 1;
  header.crc = (b(1) & 1) == 0;
  header.privateBit = b(2) & 1;
  header.mode = b(3) >> 6;
  header.copyright = (b(3) >> 3) & 1;
  header.original = (b(3) >> 2) & 1;
  header.samplesPerFrame = header.version == 1 ? 1152 : 576;
  const int slotFactor = header.version == 1 ? 144000 : 72000;
  header.bytes = static_cast<size_t>(slotFactor * header.bitRate / header.sampleRate + padding);
  return true;
}

struct FrameWalk {
  bool ok = false;
  std::string problem;
  size_t frames = 0;
  FrameHeader first;
};

// Walks the stream from its first byte to its last, frame by frame. Success
// means the file is nothing but layer III frames of one constant bit rate:
// no tag before, between or after them, and no Xing/Info frame.
FrameWalk WalkFrames(const std::string& mp3) {
  FrameWalk walk;
  size_t at = 0;
  while (at < mp3.size()) {
    FrameHeader header;
    if (!ParseHeader(mp3, at, header)) {
      walk.problem =
          "no frame header at byte " + std::to_string(at) + " of " + std::to_string(mp3.size());
      return walk;
    }
    if (walk.frames == 0) {
      walk.first = header;
      const size_t sideInfo =
          header.version == 1 ? (header.mode == 3 ? 17 : 32) : (header.mode == 3 ? 9 : 17);
      const std::string marker = mp3.substr(at + 4 + (header.crc ? 2 : 0) + sideInfo, 4);
      if (marker == "Xing" || marker == "Info") {
        walk.problem = "the stream starts with a " + marker + " frame";
        return walk;
      }
    } else if (header.bitRate != walk.first.bitRate || header.sampleRate != walk.first.sampleRate ||
               header.mode != walk.first.mode) {
      walk.problem = "frame " + std::to_string(walk.frames) + " changes bit rate, rate or mode";
      return walk;
    }
    if (at + header.bytes > mp3.size()) {
      walk.problem = "the last frame is cut short";
      return walk;
    }
    at += header.bytes;
    ++walk.frames;
  }
  walk.ok = true;
  return walk;
}

// ---- Command-line peers ---------------------------------------------------

bool HaveTool(const char* name) {
  const std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

// Runs a shell command and returns its standard output; exit status in *status.
std::string RunCommand(const std::string& command, int* status) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    *status = -1;
    return output;
  }
  char block[65536];
  size_t got;
  while ((got = fread(block, 1, sizeof block, pipe)) > 0) output.append(block, got);
  *status = pclose(pipe);
  return output;
}

std::string Quoted(const std::filesystem::path& path) {
  return "'" + path.string() + "'";
}

std::map<std::string, std::string> Probe(const std::filesystem::path& file) {
  int status = 0;
  const std::string text = RunCommand(
      "ffprobe -v error -select_streams a:0 "
      "-show_entries stream=codec_name,sample_rate,channels,bit_rate "
      "-of default=noprint_wrappers=1 " +
          Quoted(file),
      &status);
  std::map<std::string, std::string> values;
  if (status != 0) return values;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return values;
}

std::string PcmBytes(const std::vector<int16_t>& pcm) {
  std::string bytes(pcm.size() * 2, '\0');
  for (size_t i = 0; i < pcm.size(); ++i) {
    const auto value = static_cast<uint16_t>(pcm[i]);
    bytes[2 * i] = static_cast<char>(value & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(value >> 8);
  }
  return bytes;
}

// Upward zero crossings per second and RMS of one channel of decoded
// interleaved PCM, measured away from the start and end.
struct ChannelShape {
  double frequency = 0;
  double rms = 0;
};
ChannelShape Shape(const std::vector<int16_t>& pcm, int channels, int channel, size_t first,
                   size_t frames, uint32_t sampleRate) {
  ChannelShape shape;
  size_t crossings = 0;
  double energy = 0;
  for (size_t i = first; i < first + frames; ++i) {
    const int16_t before = pcm[(i - 1) * channels + channel];
    const int16_t now = pcm[i * channels + channel];
    if (before < 0 && now >= 0) ++crossings;
    energy += static_cast<double>(now) * now;
  }
  shape.frequency = static_cast<double>(crossings) * sampleRate / frames;
  shape.rms = std::sqrt(energy / frames);
  return shape;
}

class LameEncTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Api().error.empty()) << Api().error; }
};

// ---- A few seconds of stereo sine at the editor's bit rates ---------------

class LameEncSine : public LameEncTest, public ::testing::WithParamInterface<uint16_t> {};

TEST_P(LameEncSine, EncodesConstantBitRateThatDecodesToTheInputLength) {
  const uint16_t bitRate = GetParam();
  constexpr uint32_t kRate = 44100;
  constexpr double kSeconds = 3;
  const std::vector<int16_t> pcm = Sine(kRate, 2, kSeconds, {440, 660});
  const size_t inputFrames = pcm.size() / 2;

  const Encoded encoded = Encode(Config(kRate, BE_MP3_MODE_STEREO, bitRate), pcm);
  ASSERT_EQ(encoded.result, BE_ERR_SUCCESSFUL);
  EXPECT_EQ(encoded.samplesPerChunk, 2304u);
  EXPECT_GE(encoded.outputBufferSize, 1152 * 5 / 4 + 7200u);

  // Bare frames only; the editor appends its own ID3v1 tag after them.
  ASSERT_GT(encoded.mp3.size(), 128u);
  EXPECT_NE(encoded.mp3.substr(0, 3), "ID3");
  EXPECT_NE(encoded.mp3.substr(encoded.mp3.size() - 128, 3), "TAG");
  const FrameWalk walk = WalkFrames(encoded.mp3);
  ASSERT_TRUE(walk.ok) << walk.problem;
  EXPECT_EQ(walk.first.version, 1);
  EXPECT_EQ(walk.first.bitRate, bitRate);
  EXPECT_EQ(walk.first.sampleRate, 44100);
  EXPECT_EQ(walk.first.mode, 0);
  EXPECT_FALSE(walk.first.crc);
  EXPECT_FALSE(walk.first.privateBit);
  EXPECT_FALSE(walk.first.copyright);
  EXPECT_FALSE(walk.first.original);
  // The stream covers the input plus the encoder's 576-sample delay, rounded
  // up to whole frames, plus at most one frame for the decoder's overlap.
  const size_t encodedFrames = walk.frames * 1152;
  EXPECT_GE(encodedFrames, inputFrames + 576);
  EXPECT_LE(encodedFrames, inputFrames + 576 + 2 * 1152);

  TempDir dir;
  const auto mp3Path = dir / "sine.mp3";
  WriteFileBytes(mp3Path, encoded.mp3);

  if (HaveTool("mpg123")) {
    int status = 0;
    const std::string raw = RunCommand("mpg123 -q -s " + Quoted(mp3Path) + " 2>/dev/null", &status);
    ASSERT_EQ(status, 0);
    std::vector<int16_t> decoded(raw.size() / 2);
    std::memcpy(decoded.data(), raw.data(), decoded.size() * 2);
    const size_t decodedFrames = decoded.size() / 2;
    EXPECT_GE(decodedFrames, inputFrames);
    EXPECT_LE(decodedFrames, inputFrames + 576 + 2 * 1152);
    // Left stays 440 Hz, right 660 Hz, at the input's level.
    const ChannelShape left = Shape(decoded, 2, 0, kRate / 2, 2 * kRate, kRate);
    const ChannelShape right = Shape(decoded, 2, 1, kRate / 2, 2 * kRate, kRate);
    EXPECT_NEAR(left.frequency, 440, 5);
    EXPECT_NEAR(right.frequency, 660, 5);
    EXPECT_NEAR(left.rms, 10000 / std::numbers::sqrt2, 500);
    EXPECT_NEAR(right.rms, 10000 / std::numbers::sqrt2, 500);
  }

  if (HaveTool("ffprobe")) {
    const auto probe = Probe(mp3Path);
    EXPECT_EQ(probe.count("codec_name") ? probe.at("codec_name") : "", "mp3");
    EXPECT_EQ(probe.count("sample_rate") ? probe.at("sample_rate") : "", "44100");
    EXPECT_EQ(probe.count("channels") ? probe.at("channels") : "", "2");
    EXPECT_EQ(probe.count("bit_rate") ? probe.at("bit_rate") : "", std::to_string(bitRate * 1000));
  }

  if (HaveTool("lame")) {
    const auto rawPath = dir / "sine.raw";
    const auto referencePath = dir / "reference.mp3";
    WriteFileBytes(rawPath, PcmBytes(pcm));
    int status = 0;
    RunCommand("lame --silent -r -s 44.1 --bitwidth 16 --signed --little-endian -m s -b " +
                   std::to_string(bitRate) + " --cbr " + Quoted(rawPath) + " " +
                   Quoted(referencePath) + " 2>/dev/null",
               &status);
    ASSERT_EQ(status, 0);
    const double frameBytes = 144000.0 * bitRate / kRate;
    const double difference = std::fabs(static_cast<double>(encoded.mp3.size()) -
                                        static_cast<double>(ReadFileBytes(referencePath).size()));
    EXPECT_LE(difference, 3 * frameBytes);
  }

  if (!HaveTool("mpg123") || !HaveTool("ffprobe") || !HaveTool("lame")) {
    GTEST_SKIP() << "mpg123, ffprobe or lame missing; checked the frames only";
  }
}

INSTANTIATE_TEST_SUITE_P(EditorBitRates, LameEncSine, ::testing::Values(128, 320));

// ---- Modes, rates and header flags -----------------------------------------

struct ModeCase {
  const char* name;
  BeMp3Config config;
  uint32_t samplesPerChunk;
  int version;
  int headerMode;
};

TEST_F(LameEncTest, FramesFollowTheConfiguredModeRateAndFlags) {
  BeMp3Config flagged = Config(44100, BE_MP3_MODE_STEREO, 128);
  flagged.privateFlag = 1;
  flagged.crcFlag = 1;
  flagged.copyrightFlag = 1;
  flagged.originalFlag = 1;
  const ModeCase cases[] = {
      {"joint stereo", Config(44100, BE_MP3_MODE_JSTEREO, 192), 2304, 1, 1},
      {"mono", Config(44100, BE_MP3_MODE_MONO, 64), 1152, 1, 3},
      {"48 kHz stereo", Config(48000, BE_MP3_MODE_STEREO, 320), 2304, 1, 0},
      {"32 kHz stereo", Config(32000, BE_MP3_MODE_STEREO, 32), 2304, 1, 0},
      {"22.05 kHz stereo", Config(22050, BE_MP3_MODE_STEREO, 64), 1152, 2, 0},
      {"16 kHz stereo", Config(16000, BE_MP3_MODE_STEREO, 160), 1152, 2, 0},
      {"8 kHz mono", Config(8000, BE_MP3_MODE_MONO, 8), 576, 25, 3},
      {"flags set", flagged, 2304, 1, 0},
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const int channels = c.config.mode == BE_MP3_MODE_MONO ? 1 : 2;
    const std::vector<int16_t> pcm =
        Sine(c.config.sampleRate, channels, 1.0, {300, 500}, /*amplitude=*/8000);
    const Encoded encoded = Encode(c.config, pcm);
    ASSERT_EQ(encoded.result, BE_ERR_SUCCESSFUL);
    EXPECT_EQ(encoded.samplesPerChunk, c.samplesPerChunk);
    const FrameWalk walk = WalkFrames(encoded.mp3);
    ASSERT_TRUE(walk.ok) << walk.problem;
    EXPECT_EQ(walk.first.version, c.version);
    EXPECT_EQ(walk.first.sampleRate, static_cast<int>(c.config.sampleRate));
    EXPECT_EQ(walk.first.bitRate, static_cast<int>(c.config.bitRate));
    EXPECT_EQ(walk.first.mode, c.headerMode);
    EXPECT_EQ(walk.first.crc, c.config.crcFlag != 0);
    EXPECT_EQ(walk.first.privateBit, c.config.privateFlag != 0);
    EXPECT_EQ(walk.first.copyright, c.config.copyrightFlag != 0);
    EXPECT_EQ(walk.first.original, c.config.originalFlag != 0);
    EXPECT_GE(walk.frames * walk.first.samplesPerFrame, pcm.size() / channels);
  }
}

// ---- Buffer sizes and chunking ----------------------------------------------

TEST_F(LameEncTest, WorstCaseInputStaysInsideThePromisedBuffer) {
  // Full-scale noise at the highest rate fills every frame; the guard zone in
  // Encode() catches a write past outputBufferSize, chunk or flush.
  const std::vector<int16_t> noise = Noise(2 * 44100 * 2);
  const Encoded whole = Encode(Config(44100, BE_MP3_MODE_STEREO, 320), noise);
  ASSERT_EQ(whole.result, BE_ERR_SUCCESSFUL);
  EXPECT_GE(whole.outputBufferSize, 7200u);
  const FrameWalk walk = WalkFrames(whole.mp3);
  ASSERT_TRUE(walk.ok) << walk.problem;

  // The chunk size is a limit, not a requirement: short chunks of any even
  // length give the same stream as full ones.
  const Encoded ragged = Encode(Config(44100, BE_MP3_MODE_STEREO, 320), noise, 1000);
  ASSERT_EQ(ragged.result, BE_ERR_SUCCESSFUL);
  EXPECT_EQ(ragged.mp3, whole.mp3);
}

TEST_F(LameEncTest, EmptyInputFlushesWholeFrames) {
  const Encoded empty = Encode(Config(44100, BE_MP3_MODE_STEREO, 128), {});
  ASSERT_EQ(empty.result, BE_ERR_SUCCESSFUL);
  const FrameWalk walk = WalkFrames(empty.mp3);
  EXPECT_TRUE(walk.ok) << walk.problem;
}

TEST_F(LameEncTest, InterleavedStreamsDoNotShareState) {
  const LameApi& api = Api();
  const BeMp3Config config = Config(44100, BE_MP3_MODE_STEREO, 128);
  const std::vector<int16_t> first = Sine(44100, 2, 1.0, {440, 660});
  const std::vector<int16_t> second = Sine(44100, 2, 1.0, {1000, 250});

  BeStream a = BE_NO_STREAM, b = BE_NO_STREAM;
  uint32_t chunk = 0, size = 0;
  ASSERT_EQ(api.init(&config, &chunk, &size, &a), BE_ERR_SUCCESSFUL);
  ASSERT_EQ(api.init(&config, &chunk, &size, &b), BE_ERR_SUCCESSFUL);
  EXPECT_NE(a, b);
  std::vector<uint8_t> buffer(size);
  std::string outA, outB;
  for (size_t offset = 0; offset < first.size(); offset += chunk) {
    const uint32_t count = static_cast<uint32_t>(std::min<size_t>(chunk, first.size() - offset));
    uint32_t length = 0;
    ASSERT_EQ(api.encode(a, count, first.data() + offset, buffer.data(), &length), 0u);
    outA.append(reinterpret_cast<const char*>(buffer.data()), length);
    ASSERT_EQ(api.encode(b, count, second.data() + offset, buffer.data(), &length), 0u);
    outB.append(reinterpret_cast<const char*>(buffer.data()), length);
  }
  uint32_t length = 0;
  ASSERT_EQ(api.deinit(a, buffer.data(), &length), BE_ERR_SUCCESSFUL);
  outA.append(reinterpret_cast<const char*>(buffer.data()), length);
  ASSERT_EQ(api.deinit(b, buffer.data(), &length), BE_ERR_SUCCESSFUL);
  outB.append(reinterpret_cast<const char*>(buffer.data()), length);
  EXPECT_EQ(api.close(a), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(api.close(b), BE_ERR_SUCCESSFUL);

  EXPECT_EQ(outA, Encode(config, first).mp3);
  EXPECT_EQ(outB, Encode(config, second).mp3);
}

// ---- Refusals -----------------------------------------------------------------

TEST_F(LameEncTest, InvalidConfigurationsOpenNoStream) {
  const LameApi& api = Api();
  BeMp3Config notMp3 = Config(44100, BE_MP3_MODE_STEREO, 128);
  notMp3.configKind = 1;
  BeMp3Config otherKind = notMp3;
  otherKind.configKind = 256;
  struct Case {
    const char* name;
    BeMp3Config config;
    BeErr expected;
  } const cases[] = {
      {"kind 1", notMp3, BE_ERR_INVALID_FORMAT},
      {"kind 256", otherKind, BE_ERR_INVALID_FORMAT},
      {"bit rate 7", Config(44100, BE_MP3_MODE_STEREO, 7), BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"bit rate 0", Config(44100, BE_MP3_MODE_STEREO, 0), BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"bit rate 8 at 44100", Config(44100, BE_MP3_MODE_STEREO, 8),
       BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"bit rate 320 at 22050", Config(22050, BE_MP3_MODE_STEREO, 320),
       BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"bit rate 96 at 11025", Config(11025, BE_MP3_MODE_STEREO, 96),
       BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"rate 12345", Config(12345, BE_MP3_MODE_STEREO, 128), BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"rate 0", Config(0, BE_MP3_MODE_STEREO, 128), BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"rate 96000", Config(96000, BE_MP3_MODE_STEREO, 128), BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"dual channel mode", Config(44100, 2, 128), BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"mode 4", Config(44100, 4, 128), BE_ERR_INVALID_FORMAT_PARAMETERS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uint32_t chunk = 77, size = 77;
    BeStream stream = 77;
    EXPECT_EQ(api.init(&c.config, &chunk, &size, &stream), c.expected);
    EXPECT_EQ(stream, BE_NO_STREAM);
    EXPECT_EQ(chunk, 0u);
    EXPECT_EQ(size, 0u);
  }

  const BeMp3Config good = Config(44100, BE_MP3_MODE_STEREO, 128);
  uint32_t chunk = 0, size = 0;
  BeStream stream = 77;
  EXPECT_EQ(api.init(nullptr, &chunk, &size, &stream), BE_ERR_INVALID_PARAMETER);
  EXPECT_EQ(stream, BE_NO_STREAM);
  EXPECT_EQ(api.init(&good, nullptr, &size, &stream), BE_ERR_INVALID_PARAMETER);
  EXPECT_EQ(api.init(&good, &chunk, nullptr, &stream), BE_ERR_INVALID_PARAMETER);
  EXPECT_EQ(api.init(&good, &chunk, &size, nullptr), BE_ERR_INVALID_PARAMETER);
}

TEST_F(LameEncTest, CallsOnMissingOrClosedStreamsFailCleanly) {
  const LameApi& api = Api();
  const std::vector<int16_t> pcm(2304, 0);
  std::vector<uint8_t> buffer(16384);
  uint32_t length = 99;

  EXPECT_EQ(api.encode(BE_NO_STREAM, 4, pcm.data(), buffer.data(), &length), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(api.deinit(BE_NO_STREAM, buffer.data(), &length), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(api.close(BE_NO_STREAM), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(api.encode(0xDEADBEEF, 4, pcm.data(), buffer.data(), &length), BE_ERR_INVALID_HANDLE);

  const BeMp3Config config = Config(44100, BE_MP3_MODE_STEREO, 128);
  uint32_t chunk = 0, size = 0;
  BeStream stream = BE_NO_STREAM;
  ASSERT_EQ(api.init(&config, &chunk, &size, &stream), BE_ERR_SUCCESSFUL);
  ASSERT_LE(size, buffer.size());
  ASSERT_EQ(api.close(stream), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(api.encode(stream, 4, pcm.data(), buffer.data(), &length), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(api.deinit(stream, buffer.data(), &length), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(api.close(stream), BE_ERR_INVALID_HANDLE);

  // A closed handle stays dead even after a new stream has been opened.
  BeStream next = BE_NO_STREAM;
  ASSERT_EQ(api.init(&config, &chunk, &size, &next), BE_ERR_SUCCESSFUL);
  EXPECT_NE(next, stream);
  EXPECT_EQ(api.encode(stream, 4, pcm.data(), buffer.data(), &length), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(api.close(next), BE_ERR_SUCCESSFUL);
}

TEST_F(LameEncTest, BadChunkArgumentsAreRefusedAndTheStreamStaysUsable) {
  const LameApi& api = Api();
  const BeMp3Config config = Config(44100, BE_MP3_MODE_STEREO, 128);
  uint32_t chunk = 0, size = 0;
  BeStream stream = BE_NO_STREAM;
  ASSERT_EQ(api.init(&config, &chunk, &size, &stream), BE_ERR_SUCCESSFUL);
  const std::vector<int16_t> pcm(2 * chunk, 1000);
  std::vector<uint8_t> buffer(size);
  uint32_t length = 99;

  // More than a chunk could overflow the buffer the caller was told to
  // provide, so it is refused rather than encoded.
  EXPECT_EQ(api.encode(stream, chunk + 2, pcm.data(), buffer.data(), &length),
            BE_ERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(api.encode(stream, 3, pcm.data(), buffer.data(), &length), BE_ERR_INVALID_PARAMETER);
  EXPECT_EQ(api.encode(stream, 4, nullptr, buffer.data(), &length), BE_ERR_INVALID_PARAMETER);
  EXPECT_EQ(api.encode(stream, 4, pcm.data(), nullptr, &length), BE_ERR_INVALID_PARAMETER);
  EXPECT_EQ(api.encode(stream, 4, pcm.data(), buffer.data(), nullptr), BE_ERR_INVALID_PARAMETER);
  EXPECT_EQ(api.deinit(stream, nullptr, &length), BE_ERR_INVALID_PARAMETER);

  EXPECT_EQ(api.encode(stream, 0, nullptr, buffer.data(), &length), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(api.encode(stream, chunk, pcm.data(), buffer.data(), &length), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(api.deinit(stream, buffer.data(), &length), BE_ERR_SUCCESSFUL);
  EXPECT_GT(length, 0u);

  // After the flush only closing is left.
  EXPECT_EQ(api.encode(stream, chunk, pcm.data(), buffer.data(), &length), BE_ERR_STREAM_FLUSHED);
  EXPECT_EQ(api.deinit(stream, buffer.data(), &length), BE_ERR_STREAM_FLUSHED);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(api.close(stream), BE_ERR_SUCCESSFUL);
}

TEST_F(LameEncTest, VersionNamesAdapterAndEngine) {
  BeVersionInfo info;
  std::memset(&info, 0xFF, sizeof info);
  ASSERT_EQ(Api().version(&info), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(info.engineMajor, 3);
  EXPECT_GE(info.adapterMajor, 1);
  EXPECT_TRUE(info.releaseMonth >= 1 && info.releaseMonth <= 12);
  EXPECT_TRUE(info.releaseDay >= 1 && info.releaseDay <= 31);
  EXPECT_NE(std::memchr(info.homepage, '\0', BE_HOMEPAGE_SIZE), nullptr);
  EXPECT_GT(std::strlen(info.homepage), 0u);
  EXPECT_EQ(Api().version(nullptr), BE_ERR_INVALID_PARAMETER);
}

}  // namespace
