#include "engine/peak_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "engine/op_codes.h"
#include "platform/unique_fd.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scripted_progress.h"
#include "tests/support/temp_dir.h"

namespace {

// A slot holding `pcm` in `format`, PCM mapped for reading.
struct LoadedSlot {
  LoadedSlot(const TempDir& dir, const AudioFormat& format, const std::string& pcm) {
    EXPECT_EQ(CreateTempAudioFile(&slot, dir.Str(), "work"), OP_DONE);
    slot.SetFormat(format);
    slot.pcmLength = static_cast<uint32_t>(pcm.size());
    EXPECT_EQ(DocMemMapFile(&slot, PCM_PART, MAP_WRITE), OP_DONE);
    if (!pcm.empty()) std::memcpy(slot.pcmData, pcm.data(), pcm.size());
    EXPECT_EQ(CloseMemMapFile(&slot, PCM_PART), OP_DONE);
    EXPECT_EQ(DocMemMapFile(&slot, PCM_PART, MAP_READ), OP_DONE);
  }
  ~LoadedSlot() { CleanupTempAudioFile(&slot, 0); }
  std::string Peaks() const { return ReadFileBytes(slot.peakPath); }
  TempAudioFile slot;
};

std::string Samples16(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) {
    bytes.push_back(static_cast<char>(v & 0xff));
    bytes.push_back(static_cast<char>((v >> 8) & 0xff));
  }
  return bytes;
}

// The summary written straight from its definition, one sample at a time.
std::string ReferencePeaks(const AudioFormat& format, const std::string& pcm) {
  const int block = format.BlockSize();
  const size_t frames = pcm.size() / block;
  std::string out;
  int high[2] = {0, 0}, neg[2] = {0, 0};
  for (size_t f = 0; f < frames; ++f) {
    for (int c = 0; c < format.channels; ++c) {
      const auto* s =
          reinterpret_cast<const uint8_t*>(pcm.data()) + f * block + c * (format.bitsPerSample / 8);
      const int v = format.bitsPerSample == 8 ? s[0] - 128 : int16_t(s[0] | (s[1] << 8)) / 256;
      if (v > high[c]) {
        high[c] = v;
      } else if (v < -neg[c]) {
        neg[c] = -v;
      }
    }
    if (f != 0 && f % 32 == 0) {
      for (int c = 0; c < format.channels; ++c) {
        out.push_back(static_cast<char>(high[c]));
        out.push_back(static_cast<char>(neg[c]));
        high[c] = neg[c] = 0;
      }
    }
  }
  return out;
}

}  // namespace

TEST(PeakFile, SmallCasesFollowTheBlockRules) {
  struct Case {
    const char* what;
    AudioFormat format;
    std::string pcm;
    std::string peaks;
  };
  std::string rising33;
  for (int i = 0; i < 33; ++i) rising33.push_back(static_cast<char>(100 + i));  // -28..4
  const Case cases[] = {
      {"32 bytes of 8-bit mono: no whole entry", {1, 8, 8000}, std::string(32, '\xff'), ""},
      {"33 bytes: one entry over all 33 samples",
       {1, 8, 8000},
       rising33,
       std::string("\x04\x1c", 2)},
      {"8-bit silence", {1, 8, 8000}, std::string(40, '\x80'), std::string("\0\0", 2)},
      {"16-bit -1 has no negative magnitude",
       {1, 16, 8000},
       Samples16({-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}),
       std::string("\0\0", 2)},
      {"16-bit extremes",
       {1, 16, 8000},
       Samples16({32767, -32768, 255, -256, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                  0,     0,      0,   0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
       std::string("\x7f\x80", 2)},
      {"stereo keeps the channels apart",
       {2, 8, 8000},
       [] {
         std::string s;
         for (int f = 0; f < 33; ++f) s += f == 7 ? "\xc0\x10" : "\x80\x80";
         return s;
       }(),
       std::string("\x40\x00\x00\x70", 4)},
  };
  for (const auto& c : cases) {
    TempDir dir;
    LoadedSlot loaded(dir, c.format, c.pcm);
    ScriptedProgress progress;
    EXPECT_EQ(DrawPeakFile(&loaded.slot, progress), OP_DONE) << c.what;
    EXPECT_EQ(loaded.Peaks(), c.peaks) << c.what;
    EXPECT_EQ(loaded.slot.peakLength, c.peaks.size()) << c.what;
    EXPECT_EQ(PeakLengthFor(c.format, static_cast<uint32_t>(c.pcm.size())), c.peaks.size());
    EXPECT_EQ(progress.captions, std::vector<std::string>{"Creating waveform file."});
  }
}

TEST(PeakFile, MatchesTheDefinitionOnRandomAudioOfEveryFormat) {
  std::mt19937 random(7);
  for (const AudioFormat format : {AudioFormat{1, 8, 8000}, AudioFormat{2, 8, 8000},
                                   AudioFormat{1, 16, 44100}, AudioFormat{2, 16, 44100}}) {
    for (size_t length : {0, 1, 129, 4096, 70001, 200003}) {
      length -= length % format.BlockSize();
      std::string pcm(length, '\0');
      for (auto& b : pcm) b = static_cast<char>(random());
      TempDir dir;
      LoadedSlot loaded(dir, format, pcm);
      ScriptedProgress progress;
      ASSERT_EQ(DrawPeakFile(&loaded.slot, progress), OP_DONE);
      EXPECT_EQ(loaded.Peaks(), ReferencePeaks(format, pcm))
          << format.channels << "x" << format.bitsPerSample << " " << length;
      // Progress at every 8192 PCM bytes, as hundredths.
      EXPECT_EQ(progress.steps, static_cast<int>(length / 8192));
    }
  }
}

TEST(PeakFile, FormatsWithoutPeakDataGiveAnEmptyFile) {
  TempDir dir;
  LoadedSlot loaded(dir, {3, 16, 44100}, std::string(6000, '\x40'));
  ScriptedProgress progress;
  EXPECT_EQ(DrawPeakFile(&loaded.slot, progress), OP_DONE);
  EXPECT_EQ(loaded.slot.peakLength, 0u);
  EXPECT_EQ(RebuildPeakFileIfNeeded(&loaded.slot, progress), OP_DONE);
}

TEST(PeakFile, CancelLeavesATruthfulPartialFile) {
  TempDir dir;
  LoadedSlot loaded(dir, {1, 8, 8000}, std::string(100000, '\x90'));
  ScriptedProgress progress(3);
  EXPECT_EQ(DrawPeakFile(&loaded.slot, progress), OP_CANCELLED);
  EXPECT_GT(loaded.slot.peakLength, 0u);
  EXPECT_LT(loaded.slot.peakLength, PeakLengthFor({1, 8, 8000}, 100000));
  EXPECT_EQ(std::filesystem::file_size(loaded.slot.peakPath), loaded.slot.peakLength);
}

TEST(PeakFile, AMappedPeakFileIsNotOverwritten) {
  TempDir dir;
  LoadedSlot loaded(dir, {1, 8, 8000}, std::string(100, '\x90'));
  ScriptedProgress progress;
  ASSERT_EQ(DrawPeakFile(&loaded.slot, progress), OP_DONE);
  ASSERT_EQ(DocMemMapFile(&loaded.slot, PEAK_PART, MAP_READ), OP_DONE);
  MessageRecorder messages;
  EXPECT_EQ(DrawPeakFile(&loaded.slot, progress), OP_FAILED);
  EXPECT_EQ(
      messages.Messages(),
      std::vector<std::string>{"DrawPeakFile: Failed to open peak file " + loaded.slot.peakPath});
}

// The builder sees the samples in whatever pieces a copy reads them; entries
// split across pieces, and the longer first entry, must come out the same.
TEST(PeakFile, BuilderFedInUnevenPiecesMatchesTheDefinition) {
  std::mt19937 random(11);
  for (const AudioFormat format : {AudioFormat{1, 8, 8000}, AudioFormat{2, 16, 44100}}) {
    std::string pcm(70001 - 70001 % format.BlockSize(), '\0');
    for (auto& b : pcm) b = static_cast<char>(random());
    for (size_t piece : {size_t{1}, size_t{7}, size_t{33 * 4 + 1}, size_t{65536}}) {
      TempDir dir;
      const std::string path = dir.Str() + "/peaks";
      platform::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
      PeakBuilder builder(format, fd.Get());
      const auto* data = reinterpret_cast<const uint8_t*>(pcm.data());
      for (size_t at = 0; at < pcm.size(); at += piece) {
        builder.Feed(data + at, std::min(piece, pcm.size() - at));
      }
      ASSERT_TRUE(builder.Finish());
      const std::string expected = ReferencePeaks(format, pcm);
      EXPECT_EQ(ReadFileBytes(path), expected) << format.channels << "x" << piece;
      EXPECT_EQ(builder.Written(), expected.size());
    }
  }
}

TEST(PeakFile, RebuildRuleAfterACommit) {
  struct Case {
    const char* what;
    AudioFormat format;
    uint32_t length;
    bool startWithPeaks;
    int builds;  // how many times the waveform is built
  };
  const Case cases[] = {
      {"16-bit stereo 1,000,000 bytes: E - P = 2, kept", {2, 16, 44100}, 1000000, true, 0},
      {"16-bit mono 100,000 bytes: always rebuilt", {1, 16, 44100}, 100000, true, 1},
      {"no peak file yet and more than one block", {2, 16, 44100}, 129, false, 1},
      {"no peak file but a single block", {2, 16, 44100}, 128, false, 0},
      {"8-bit mono, 33 bytes", {1, 8, 8000}, 33, false, 1},
      {"no peak file, long 16-bit mono: built, then rebuilt", {1, 16, 8000}, 100000, false, 2},
  };
  for (const auto& c : cases) {
    TempDir dir;
    LoadedSlot loaded(dir, c.format, std::string(c.length, '\x11'));
    ScriptedProgress progress;
    if (c.startWithPeaks) {
      ASSERT_EQ(DrawPeakFile(&loaded.slot, progress), OP_DONE);
      ASSERT_EQ(DocMemMapFile(&loaded.slot, PEAK_PART, MAP_READ), OP_DONE);
      if (c.length == 1000000) {
        EXPECT_EQ(loaded.slot.peakLength, 31248u);
      }
      progress.captions.clear();
    }
    EXPECT_EQ(RebuildPeakFileIfNeeded(&loaded.slot, progress), OP_DONE) << c.what;
    EXPECT_EQ(static_cast<int>(progress.captions.size()), c.builds) << c.what;
    EXPECT_EQ(progress.cancelDisabled, c.builds > 0) << c.what;
    EXPECT_EQ(loaded.slot.peakLength, PeakLengthFor(c.format, c.length)) << c.what;
    EXPECT_EQ(loaded.slot.peakData != nullptr, loaded.slot.peakLength > 0) << c.what;
  }
}
