#include "engine/convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/op_codes.h"
#include "engine/peak_file.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scripted_progress.h"
#include "tests/support/temp_dir.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A source slot whose PCM data lives in a heap block of exactly its length,
// so that the sanitizers see any read past the end of the audio.
struct HeapSource {
  HeapSource(const AudioFormat& format, Bytes pcm) : bytes(std::move(pcm)) {
    slot.SetFormat(format);
    slot.pcmLength = static_cast<uint32_t>(bytes.size());
    slot.pcmData = bytes.empty() ? nullptr : bytes.data();
  }
  Bytes bytes;
  TempAudioFile slot;
};

// A real destination slot in `dir`, cleaned up by the destructor.
struct Destination {
  explicit Destination(const TempDir& dir) {
    EXPECT_EQ(CreateTempAudioFile(&slot, dir.Str(), "temp_b"), OP_DONE);
  }
  ~Destination() { CleanupTempAudioFile(&slot, 0); }
  Bytes Pcm() const {
    if (slot.pcmLength == 0) return {};
    EXPECT_NE(slot.pcmData, nullptr);
    return Bytes(slot.pcmData, slot.pcmData + slot.pcmLength);
  }
  TempAudioFile slot;
};

Bytes Samples16(std::initializer_list<int> values) {
  Bytes bytes;
  for (int v : values) {
    bytes.push_back(static_cast<uint8_t>(v & 0xff));
    bytes.push_back(static_cast<uint8_t>((v >> 8) & 0xff));
  }
  return bytes;
}

Bytes Samples8(std::initializer_list<int> signedValues) {
  Bytes bytes;
  for (int v : signedValues) bytes.push_back(static_cast<uint8_t>(v + 128));
  return bytes;
}

std::string Describe(const AudioFormat& from, const AudioFormat& to, size_t length) {
  return std::to_string(from.channels) + "x" + std::to_string(from.bitsPerSample) + "@" +
         std::to_string(from.sampleRate) + " -> " + std::to_string(to.channels) + "x" +
         std::to_string(to.bitsPerSample) + "@" + std::to_string(to.sampleRate) + ", " +
         std::to_string(length) + " bytes";
}

// ---------------------------------------------------------------------------
// The conversion as its rules read, one step at a time, with no attention to
// speed. Sources must hold whole frames.

struct RefFrame {
  int v[2] = {0, 0};
};

Bytes ReferenceConvert(const AudioFormat& from, const Bytes& src, const AudioFormat& to) {
  // Destination length: floating-point steps, each truncated, in the order
  // bits, channels, rate; then rounded up to whole frames of B bytes.
  double L = static_cast<double>(src.size());
  if (to.bitsPerSample != from.bitsPerSample) {
    L = std::trunc(double(to.bitsPerSample) / double(from.bitsPerSample) * L);
  }
  if (to.channels != from.channels) L = std::trunc(double(to.channels) / double(from.channels) * L);
  if (to.sampleRate != from.sampleRate) {
    L = std::trunc(double(to.sampleRate) / double(from.sampleRate) * L);
  }
  const int B = to.bitsPerSample / 8 * to.channels;
  size_t length = static_cast<size_t>(L);
  length = (length + B - 1) / B * B;
  Bytes dst(length, 0);

  const float ratioDown =
      static_cast<float>(static_cast<long double>(to.channels * to.sampleRate) /
                         static_cast<long double>(from.channels * from.sampleRate));
  const float ratioUp =
      static_cast<float>(static_cast<long double>(from.channels * from.sampleRate) /
                         static_cast<long double>(to.channels * to.sampleRate));
  const size_t sb = from.bitsPerSample / 8 * from.channels;
  const long sc = from.channels, tc = to.channels;

  auto read = [&](size_t at) {
    RefFrame f;
    for (int c = 0; c < from.channels; ++c) {
      if (from.bitsPerSample == 8) {
        f.v[c] = src[at + c] - 128;
      } else {
        f.v[c] = int16_t(uint16_t(src[at + 2 * c] + 256 * src[at + 2 * c + 1]));
      }
    }
    return f;
  };
  auto bitDepth = [&](RefFrame& f) {
    for (int c = 0; c < from.channels; ++c) {
      if (from.bitsPerSample == 8 && to.bitsPerSample == 16) f.v[c] = f.v[c] * 256;
      if (from.bitsPerSample == 16 && to.bitsPerSample == 8) {
        if (from.channels == 1) {
          f.v[c] = static_cast<int>(std::floor(f.v[c] / 256.0));
        } else {
          f.v[c] = static_cast<int>(std::trunc(f.v[c] / 256.0));
        }
      }
    }
  };
  auto channelCount = [&](RefFrame& f) {
    if (from.channels == 1 && to.channels == 2) f.v[1] = f.v[0];
    if (from.channels == 2 && to.channels == 1) {
      int sum = f.v[0] + f.v[1];
      const int limit = to.bitsPerSample == 8 ? 127 : 32000;
      if (sum > limit) sum = limit;
      if (sum < -limit) sum = -limit;
      f.v[0] = sum;
      f.v[1] = 0;
    }
  };

  size_t i = 0, o = 0;
  long in = 0, out = 0;
  auto write = [&](const RefFrame& f) {
    for (int c = 0; c < to.channels; ++c) {
      uint8_t bytes[2];
      int count = 0;
      if (to.bitsPerSample == 8) {
        bytes[count++] = uint8_t(f.v[c] + 128);
      } else {
        const uint16_t u = uint16_t(int16_t(f.v[c]));
        bytes[count++] = uint8_t(u % 256);
        bytes[count++] = uint8_t(u / 256);
      }
      for (int b = 0; b < count; ++b) {
        if (o < dst.size()) dst[o] = bytes[b];
        ++o;
      }
      ++out;
    }
  };

  while (i < src.size()) {
    RefFrame cur = read(i);
    RefFrame next = i + sb < src.size() ? read(i + sb) : cur;
    bitDepth(cur);
    bitDepth(next);
    channelCount(cur);
    channelCount(next);
    if (from.sampleRate == to.sampleRate) {
      write(cur);
      i += sb;
      in += sc;
    } else if (from.sampleRate > to.sampleRate) {
      auto tooMany = [&] {
        const double outF = static_cast<float>(out);
        return outF / double(in + sc) > double(ratioDown);
      };
      if (tooMany()) {
        while (tooMany()) {
          i += sb;
          in += sc;
        }
      } else {
        write(cur);
        i += sb;
        in += sc;
      }
    } else {
      write(cur);
      i += sb;
      in += sc;
      const double inF = static_cast<float>(in);
      if (inF / double(out) >= double(ratioUp)) {
        long n = 1;
        while (!(inF / double(out + n * tc) < double(ratioUp))) ++n;
        for (long k = 0; k < n; ++k) {
          RefFrame f;
          for (int c = 0; c < to.channels; ++c) {
            f.v[c] = static_cast<int>(
                std::trunc(cur.v[c] + double(next.v[c] - cur.v[c]) / double(n - k)));
          }
          write(f);
        }
      }
    }
  }
  return dst;
}

// ---------------------------------------------------------------------------

struct Outcome {
  OpResult result;
  Bytes pcm;
  AudioFormat format;
};

Outcome Convert(const AudioFormat& from, const Bytes& pcm, const AudioFormat& to,
                int buildPeak = 0) {
  TempDir dir;
  HeapSource source(from, pcm);
  Destination destination(dir);
  ScriptedProgress progress;
  const auto result = ConvertAudioFile(&source.slot, &destination.slot, to.bitsPerSample,
                                       to.channels, to.sampleRate, buildPeak, progress);
  return {result, destination.Pcm(), destination.slot.Format()};
}

}  // namespace

TEST(ConvertAudioFile, SampleConversionsAtTheEdges) {
  struct Case {
    const char* what;
    AudioFormat from;
    Bytes source;
    AudioFormat to;
    Bytes expected;
  };
  const Case cases[] = {
      {"8-bit 0 and 255 become -32768 and 32512; length doubles",
       {1, 8, 8000},
       {0, 255, 128, 129},
       {1, 16, 8000},
       Samples16({-32768, 32512, 0, 256})},
      {"stereo 30000 + 30000 at 8 bits: 117 + 117 clamped to 127",
       {2, 16, 44100},
       Samples16({30000, 30000, -30000, -30000, 300, 300}),
       {1, 8, 44100},
       Samples8({127, -127, 2})},
      {"stereo 20000 + 20000 at 16 bits: clamped to 32000",
       {2, 16, 44100},
       Samples16({20000, 20000, -20000, -20000, 100, -300}),
       {1, 16, 44100},
       Samples16({32000, -32000, -200})},
      {"8-bit stereo to 16-bit mono clamps after the scaling",
       {2, 8, 8000},
       Samples8({127, 127, -128, -128, 1, 2}),
       {1, 16, 8000},
       Samples16({32000, -32000, 768})},
      {"8-bit stereo to 8-bit mono clamps at 127",
       {2, 8, 8000},
       Samples8({100, 100, -100, -100, -128, 127}),
       {1, 8, 8000},
       Samples8({127, -127, -1})},
      {"16-bit mono source is floored: -1 -> -1, -257 -> -2",
       {1, 16, 22050},
       Samples16({-1, -257, 255, 256, -32768, 32767}),
       {1, 8, 22050},
       Samples8({-1, -2, 0, 1, -128, 127})},
      {"16-bit stereo channel is truncated: -1 -> 0, -257 -> -1",
       {2, 16, 22050},
       Samples16({-1, -257, 255, -32768}),
       {2, 8, 22050},
       Samples8({0, -1, 0, -128})},
      {"16-bit stereo -1 + -1 mixes to 0 at 8 bits, not -1 or -2",
       {2, 16, 22050},
       Samples16({-1, -1, -256, -255}),
       {1, 8, 22050},
       Samples8({0, -1})},
      {"mono to stereo duplicates",
       {1, 8, 8000},
       Samples8({5, -7}),
       {2, 16, 8000},
       Samples16({1280, 1280, -1792, -1792})},
  };
  for (const auto& c : cases) {
    const Outcome outcome = Convert(c.from, c.source, c.to);
    EXPECT_EQ(outcome.result, OP_DONE) << c.what;
    EXPECT_EQ(outcome.pcm, c.expected) << c.what;
    EXPECT_EQ(outcome.format, c.to) << c.what;
  }
}

TEST(ConvertAudioFile, RateChangesDropAndInsertFrames) {
  struct Case {
    const char* what;
    AudioFormat from;
    Bytes source;
    AudioFormat to;
    Bytes expected;
  };
  const Case cases[] = {
      {"halving keeps f0, f1, f3, f5, ...",
       {1, 8, 44100},
       Samples8({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}),
       {1, 8, 22050},
       Samples8({0, 1, 3, 5, 7, 9})},
      {"doubling: f0, f0 + (f1 - f0) / 2, f1, f1, f2, f2, f3, f3",
       {1, 8, 22050},
       Samples8({10, 20, 40, 80}),
       {1, 8, 44100},
       Samples8({10, 15, 20, 20, 40, 40, 80, 80})},
      {"the midpoint truncates the sum toward zero: -2 + 1.5 gives 0",
       {1, 8, 22050},
       Samples8({-2, 1}),
       {1, 8, 44100},
       Samples8({-2, 0, 1, 1})},
      {"one frame to a higher rate repeats it",
       {1, 8, 8000},
       Samples8({72}),
       {1, 8, 48000},
       Samples8({72, 72, 72, 72, 72, 72})},
      {"one stereo 16-bit frame to a higher rate repeats it",
       {2, 16, 22050},
       Samples16({-1234, 4321}),
       {2, 16, 44100},
       Samples16({-1234, 4321, -1234, 4321})},
      {"same rate copies",
       {2, 16, 8000},
       Samples16({1, 2, 3, 4}),
       {2, 16, 8000},
       Samples16({1, 2, 3, 4})},
      {"an odd estimate for 4-byte frames rounds up to a whole frame, never half of one",
       {2, 16, 44100},
       Samples16({11, 12, 21, 22, 31, 32, 41, 42, 51, 52}),
       {2, 16, 8000},
       Samples16({11, 12})},
  };
  for (const auto& c : cases) {
    const Outcome outcome = Convert(c.from, c.source, c.to);
    EXPECT_EQ(outcome.result, OP_DONE) << c.what;
    EXPECT_EQ(outcome.pcm, c.expected) << c.what;
  }
}

TEST(ConvertAudioFile, LengthEstimate) {
  struct Case {
    AudioFormat from;
    uint32_t sourceLength;
    AudioFormat to;
    bool fits;
    uint32_t length;
  };
  constexpr uint32_t kMax = std::numeric_limits<uint32_t>::max();
  const Case cases[] = {
      {{1, 8, 8000}, 3, {2, 16, 8000}, true, 12},
      {{2, 16, 44100}, 1000, {1, 8, 22050}, true, 125},
      {{1, 16, 44100}, 6, {1, 16, 22050}, true, 4},   // 3 + (3 mod 2)
      {{2, 16, 44100}, 12, {2, 16, 22050}, true, 8},  // 6 + (6 mod 4)
      {{2, 16, 44100}, 8, {2, 16, 8000}, true, 4},    // trunc(1.45) = 1: one whole frame
      {{2, 16, 44100}, 20, {2, 16, 8000}, true, 4},   // trunc(3.63) = 3: one whole frame
      {{2, 16, 44100}, 44100 * 4, {2, 16, 48000}, true, 48000 * 4},
      {{1, 8, 11025}, 11025, {1, 8, 44100}, true, 44100},
      {{1, 8, 8000}, 0, {2, 16, 48000}, true, 0},
      {{1, 8, 8000}, 0x7fffffff, {2, 8, 8000}, true, 0xfffffffe},
      {{1, 16, 8000}, kMax - 1, {1, 16, 8000}, true, kMax - 1},
      {{1, 16, 8000}, kMax, {1, 16, 8000}, false, 0},  // kMax + 1 after the correction
      {{1, 8, 8000}, 0x80000000u, {2, 16, 8000}, false, 0},
      {{1, 8, 8000}, 1000000000, {1, 8, 48000}, false, 0},
      {{2, 16, 48000}, kMax - 3, {1, 8, 8000}, true, 178956970},  // shrinks: fits
  };
  for (const auto& c : cases) {
    uint32_t length = 12345;
    const bool fits = ConvertedLength(c.from, c.to, c.sourceLength, &length);
    const std::string what = Describe(c.from, c.to, c.sourceLength);
    EXPECT_EQ(fits, c.fits) << what;
    if (c.fits && fits) {
      EXPECT_EQ(length, c.length) << what;
    }
  }
}

// Every pair of the four formats at typical and awkward rate pairs, compared
// byte for byte with the step-by-step reference.
TEST(ConvertAudioFile, MatchesTheReferenceOnRandomAudio) {
  const AudioFormat shapes[] = {{1, 8, 0}, {2, 8, 0}, {1, 16, 0}, {2, 16, 0}};
  const std::pair<int, int> rates[] = {{44100, 44100}, {44100, 22050}, {22050, 44100},
                                       {44100, 8000},  {8000, 48000},  {44100, 48000},
                                       {48000, 44100}, {11025, 8000}};
  std::mt19937 random(1234);
  TempDir dir;
  Destination destination(dir);
  for (AudioFormat from : shapes) {
    for (AudioFormat to : shapes) {
      for (const auto& [fromRate, toRate] : rates) {
        from.sampleRate = fromRate;
        to.sampleRate = toRate;
        for (size_t frames : {1, 3, 97, 6000}) {
          Bytes pcm(frames * from.BlockSize());
          for (auto& b : pcm) b = static_cast<uint8_t>(random());
          HeapSource source(from, pcm);
          ScriptedProgress progress;
          ASSERT_EQ(ConvertAudioFile(&source.slot, &destination.slot, to.bitsPerSample, to.channels,
                                     to.sampleRate, 0, progress),
                    OP_DONE);
          const std::string what = Describe(from, to, pcm.size());
          ASSERT_EQ(destination.Pcm(), ReferenceConvert(from, pcm, to)) << what;
          EXPECT_EQ(destination.slot.Format(), to) << what;
          // Progress at each source offset that is a multiple of 8192; every
          // frame is visited when the rate is not lowered.
          if (fromRate <= toRate) {
            EXPECT_EQ(progress.steps, static_cast<int>(pcm.size() / 8192)) << what;
          }
          ASSERT_EQ(CleanupTempAudioFile(&destination.slot, 0), OP_DONE);
        }
      }
    }
  }
}

// Past 2^24 samples the counts tested against the ratio lose precision as
// floats, which changes which frames are dropped or inserted.
TEST(ConvertAudioFile, MatchesTheReferenceWhenCountsExceedFloatPrecision) {
  std::mt19937 random(99);
  Bytes pcm((1u << 24) + 300000);
  for (auto& b : pcm) b = static_cast<uint8_t>(random());
  const struct {
    AudioFormat from, to;
  } cases[] = {
      {{1, 8, 44100}, {1, 8, 48000}},  // in > 2^24
      {{1, 8, 48000}, {1, 8, 47999}},  // out > 2^24
  };
  for (const auto& c : cases) {
    const Outcome outcome = Convert(c.from, pcm, c.to);
    ASSERT_EQ(outcome.result, OP_DONE);
    EXPECT_TRUE(outcome.pcm == ReferenceConvert(c.from, pcm, c.to))
        << Describe(c.from, c.to, pcm.size());
  }
}

TEST(ConvertAudioFile, TrailingPartialSourceFrameIsIgnored) {
  // Two whole 16-bit stereo frames and two stray bytes: the estimate counts
  // the stray bytes (10 + 10 mod 4 = 12), the conversion reads only whole
  // frames, and the unwritten frame stays zero.
  Bytes pcm = Samples16({100, -100, 200, -200, 0x7777});
  const Outcome outcome = Convert({2, 16, 8000}, pcm, {2, 16, 8000});
  EXPECT_EQ(outcome.result, OP_DONE);
  EXPECT_EQ(outcome.pcm, Samples16({100, -100, 200, -200, 0, 0}));

  // When raising the rate the last whole frame has no successor and repeats.
  const Outcome up = Convert({2, 16, 8000}, pcm, {2, 16, 16000});
  EXPECT_EQ(up.result, OP_DONE);
  EXPECT_EQ(up.pcm, Samples16({100, -100, 150, -150, 200, -200, 200, -200, 200, -200}));
}

TEST(ConvertAudioFile, FinishesMappedWithFormatProgressAndPeaks) {
  TempDir dir;
  Bytes pcm(50000);
  std::mt19937 random(5);
  for (auto& b : pcm) b = static_cast<uint8_t>(random());
  HeapSource source({2, 16, 44100}, pcm);
  Destination destination(dir);
  ScriptedProgress progress;
  MessageRecorder messages;
  ASSERT_EQ(ConvertAudioFile(&source.slot, &destination.slot, 8, 1, 22050, 1, progress), OP_DONE);

  const AudioFormat to{1, 8, 22050};
  EXPECT_EQ(destination.slot.Format(), to);
  EXPECT_EQ(destination.slot.pcmLength, 6250u);
  EXPECT_TRUE(destination.slot.pcmMap.IsOpen());
  EXPECT_EQ(std::filesystem::file_size(destination.slot.pcmPath), 6250u);
  EXPECT_EQ(destination.slot.peakLength, PeakLengthFor(to, 6250));
  EXPECT_TRUE(destination.slot.peakMap.IsOpen());
  EXPECT_EQ(progress.captions,
            (std::vector<std::string>{"Performing audio conversion", "Creating waveform file."}));
  EXPECT_TRUE(messages.Messages().empty());

  // Without the flag no peak file is built or mapped.
  Destination plain(dir);
  ScriptedProgress quiet;
  ASSERT_EQ(ConvertAudioFile(&source.slot, &plain.slot, 8, 1, 22050, 0, quiet), OP_DONE);
  EXPECT_EQ(plain.slot.peakLength, 0u);
  EXPECT_FALSE(plain.slot.peakMap.IsOpen());
  EXPECT_EQ(quiet.captions, std::vector<std::string>{"Performing audio conversion"});
  EXPECT_EQ(quiet.Total(), 500u);
}

TEST(ConvertAudioFile, EmptySourceGivesAnEmptyDestination) {
  for (int buildPeak : {0, 1}) {
    TempDir dir;
    HeapSource source({2, 16, 44100}, {});
    Destination destination(dir);
    ScriptedProgress progress;
    MessageRecorder messages;
    EXPECT_EQ(ConvertAudioFile(&source.slot, &destination.slot, 8, 1, 8000, buildPeak, progress),
              OP_DONE);
    EXPECT_EQ(destination.slot.pcmLength, 0u);
    EXPECT_EQ(destination.slot.peakLength, 0u);
    EXPECT_FALSE(destination.slot.pcmMap.IsOpen());
    EXPECT_FALSE(destination.slot.peakMap.IsOpen());
    EXPECT_EQ(destination.slot.Format(), (AudioFormat{1, 8, 8000}));
    EXPECT_TRUE(messages.Messages().empty());
  }
}

TEST(ConvertAudioFile, CancelLeavesADestinationTheCallerCanCleanUp) {
  TempDir dir;
  Bytes pcm(100000, 0x40);
  HeapSource source({1, 16, 44100}, pcm);
  Destination destination(dir);
  ScriptedProgress progress(3);
  EXPECT_EQ(ConvertAudioFile(&source.slot, &destination.slot, 16, 2, 44100, 1, progress),
            OP_CANCELLED);
  EXPECT_EQ(progress.steps, 3);
  EXPECT_EQ(progress.GetCurrent(), 3u * 8192 / 100);
  EXPECT_TRUE(destination.slot.pcmMap.IsOpen());
  EXPECT_EQ(destination.slot.Format(), AudioFormat{});  // never finished
  // Converted so far: 3 x 8192 source bytes, twice as many destination bytes.
  EXPECT_EQ(destination.slot.pcmData[2 * 3 * 8192 - 1], 0x40);
  EXPECT_EQ(destination.slot.pcmData[2 * 3 * 8192], 0);

  EXPECT_EQ(CleanupTempAudioFile(&destination.slot, 0), OP_DONE);
  EXPECT_FALSE(std::filesystem::exists(destination.slot.pcmPath));
  EXPECT_FALSE(std::filesystem::exists(destination.slot.peakPath));
}

TEST(ConvertAudioFile, RefusesFormatsItCannotConvert) {
  const AudioFormat good{2, 16, 44100};
  const struct {
    const char* what;
    AudioFormat from, to;
  } cases[] = {
      {"three source channels", {3, 16, 44100}, good},
      {"no source channels", {0, 16, 44100}, good},
      {"24-bit source", {2, 24, 44100}, good},
      {"source rate 0", {2, 16, 0}, good},
      {"negative target rate", good, {2, 16, -8000}},
      {"target rate 0", good, {1, 8, 0}},
      {"12-bit target", good, {1, 12, 8000}},
      {"six target channels", good, {6, 16, 48000}},
  };
  for (const auto& c : cases) {
    TempDir dir;
    HeapSource source(c.from, Bytes(64, 0x22));
    Destination destination(dir);
    ScriptedProgress progress;
    MessageRecorder messages;
    EXPECT_EQ(ConvertAudioFile(&source.slot, &destination.slot, c.to.bitsPerSample, c.to.channels,
                               c.to.sampleRate, 1, progress),
              OP_FAILED)
        << c.what;
    EXPECT_EQ(messages.Messages(),
              std::vector<std::string>{"Sorry, audio of this format cannot be converted."})
        << c.what;
    EXPECT_EQ(destination.slot.pcmLength, 0u) << c.what;
    EXPECT_FALSE(destination.slot.pcmMap.IsOpen()) << c.what;
    EXPECT_TRUE(progress.captions.empty()) << c.what;
  }
}

TEST(ConvertAudioFile, RefusesADestinationLongerThan4GiB) {
  // The refusal comes before any sample is read, so one real byte stands in
  // for the 3 GB source.
  uint8_t byte = 0x80;
  TempAudioFile source;
  source.SetFormat({1, 8, 8000});
  source.pcmLength = 3000000000u;
  source.pcmData = &byte;
  TempDir dir;
  Destination destination(dir);
  ScriptedProgress progress;
  MessageRecorder messages;
  EXPECT_EQ(ConvertAudioFile(&source, &destination.slot, 16, 1, 8000, 0, progress), OP_FAILED);
  EXPECT_EQ(messages.Messages(),
            std::vector<std::string>{"Sorry, the converted audio would be larger than 4 GB."});
  EXPECT_EQ(destination.slot.pcmLength, 0u);
  EXPECT_FALSE(destination.slot.pcmMap.IsOpen());
}

TEST(ConvertAudioFile, RefusesASourceThatIsNotMapped) {
  TempAudioFile source;
  source.SetFormat({1, 8, 8000});
  source.pcmLength = 100;
  TempDir dir;
  Destination destination(dir);
  ScriptedProgress progress;
  MessageRecorder messages;
  EXPECT_EQ(ConvertAudioFile(&source, &destination.slot, 16, 1, 8000, 0, progress), OP_FAILED);
  EXPECT_EQ(messages.Messages(),
            std::vector<std::string>{"Sorry, the audio to convert is not available."});
}

TEST(ConvertAudioFile, ReportsFilesThatCannotBeWritten) {
  TempDir dir;
  HeapSource source({1, 8, 8000}, Bytes(100, 0x90));

  {  // The PCM file cannot be mapped for writing.
    Destination destination(dir);
    destination.slot.pcmPath = (dir / "missing" / "temp_b_1.pcm").string();
    ScriptedProgress progress;
    MessageRecorder messages;
    EXPECT_EQ(ConvertAudioFile(&source.slot, &destination.slot, 16, 2, 8000, 1, progress),
              OP_FAILED);
    EXPECT_EQ(
        messages.Messages(),
        (std::vector<std::string>{"DocMemMapFile: Failed to open file " + destination.slot.pcmPath,
                                  "ConvertAudioFile - Failed to open write map to target file: " +
                                      destination.slot.pcmPath}));
    EXPECT_FALSE(destination.slot.pcmMap.IsOpen());
    EXPECT_EQ(destination.slot.pcmLength, 0u);
    EXPECT_EQ(CleanupTempAudioFile(&destination.slot, 0), OP_DONE);
  }
  {  // The peak file cannot be created: the conversion fails, and is not
     // taken for a cancel.
    Destination destination(dir);
    destination.slot.peakPath = (dir / "missing" / "temp_b_1.pek").string();
    ScriptedProgress progress;
    MessageRecorder messages;
    EXPECT_EQ(ConvertAudioFile(&source.slot, &destination.slot, 16, 2, 8000, 1, progress),
              OP_FAILED);
    EXPECT_EQ(messages.Messages(),
              std::vector<std::string>{"DrawPeakFile: Failed to open peak file " +
                                       destination.slot.peakPath});
  }
}
