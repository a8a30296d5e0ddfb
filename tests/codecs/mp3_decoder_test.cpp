#include "codecs/mp3_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <random>

#include "codecs/mp3_frame_header.h"
#include "engine/op_codes.h"
#include "platform/fault_injection.h"
#include "tests/codecs/mp3_test_files.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scripted_progress.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kStereoFrameBytes = 1152 * 4;  // one MPEG-1 Layer II/III frame, 16-bit stereo

std::string NoFramesMessage(const fs::path& source) {
  return "No MPEG audio frames were found in " + source.string() + ".";
}

// Frames made by hand: `count` frames of `header` with all-zero bodies.
std::string ZeroFrames(uint32_t header, int count) {
  FrameHeader parsed;
  if (!ParseHeader(header, parsed)) return {};
  std::string frame(4 + static_cast<size_t>(parsed.frameBodySize), '\0');
  for (int i = 0; i < 4; ++i) frame[i] = static_cast<char>(header >> (24 - 8 * i));
  std::string out;
  for (int i = 0; i < count; ++i) out += frame;
  return out;
}

uint32_t HeaderAt(const std::string& bytes, size_t at) {
  uint32_t h = 0;
  for (size_t i = 0; i < 4; ++i) h = (h << 8) | static_cast<uint8_t>(bytes[at + i]);
  return h;
}

// Bytes that can never hold a frame header: no 0xFF among them.
std::string Garbage(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (auto& b : bytes) b = static_cast<char>(random() % 255);
  return bytes;
}

// MP3 files made once for the whole suite, with their reference decodes.
class Mp3DecoderFiles : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!CommandAvailable("lame") || !CommandAvailable("mpg123")) return;
    dir_ = std::make_unique<TempDir>();
    const fs::path d = dir_->Path();
    WriteFileBytes(d / "s44.raw", TonePcm(44100, 2, 1.0));
    WriteFileBytes(d / "s48.raw", TonePcm(48000, 2, 0.5));
    WriteFileBytes(d / "m22.raw", TonePcm(22050, 1, 0.5));
    // The plain files have no Info frame (lame -t): every frame of them is
    // decoded whole, which the frame-reader cases count on.
    ready_ = EncodeMp3(d / "s44.raw", 44100, 2, 128, d / "s44.mp3") &&
             EncodeMp3(d / "s48.raw", 48000, 2, 128, d / "s48.mp3") &&
             EncodeMp3(d / "s44.raw", 44100, 2, 128, d / "plain44.mp3", "-t") &&
             EncodeMp3(d / "s48.raw", 48000, 2, 128, d / "plain48.mp3", "-t") &&
             EncodeMp3(d / "m22.raw", 22050, 1, 64, d / "m22.mp3") &&
             EncodeMp3(d / "s44.raw", 44100, 2, 128, d / "tagged.mp3",
                       "--add-id3v2 --pad-id3v2-size 300 --tt Title --ta Artist --tl Album "
                       "--ty 2001 --tc Comment --tg Rock");
  }
  static void TearDownTestSuite() { dir_.reset(); }

  void SetUp() override {
    if (!CommandAvailable("lame") || !CommandAvailable("mpg123"))
      GTEST_SKIP() << "lame or mpg123 command-line tool not installed";
    ASSERT_TRUE(ready_) << "lame failed to make the test files";
  }

  static fs::path File(const std::string& name) { return dir_->Path() / name; }

  TempDir work_;
  static std::unique_ptr<TempDir> dir_;
  static bool ready_;
};

std::unique_ptr<TempDir> Mp3DecoderFiles::dir_;
bool Mp3DecoderFiles::ready_ = false;

// Both decoders run gapless: lame's Info frame is read, not decoded, and the
// encoder delay and padding it records are cut. With that, the samples are
// the same to the byte, at the stream's own rate.
TEST_F(Mp3DecoderFiles, DecodesLikeTheReferenceDecoder) {
  struct Case {
    const char* file;
    int32_t rate;
  } cases[] = {
      {"s48.mp3", 48000},     {"s44.mp3", 44100}, {"m22.mp3", 22050},
      {"tagged.mp3", 44100},   // ID3v2 in front, ID3v1 behind: neither yields samples
      {"plain48.mp3", 48000},  // no Info frame: nothing to trim
  };
  Mp3Decoder decoder;  // one object for all, as in the program
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string reference = ReferenceDecode(File(c.file));
    ASSERT_FALSE(reference.empty());
    const DecodeRun run = RunDecode(decoder, File(c.file), work_ / "out.pcm");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.channels, 2);
    EXPECT_EQ(run.bits, 16);
    EXPECT_EQ(run.rate, c.rate);
    EXPECT_TRUE(run.messages.empty());
    EXPECT_EQ(run.pcm.size(), reference.size());
    EXPECT_TRUE(run.pcm == reference) << "decoded samples differ from the reference decode";
  }
}

TEST_F(Mp3DecoderFiles, FileWithInfoFrameOpensWithItsSourceLength) {
  // The source PCM was 1 s at 44100 Hz, 0.5 s at 48000 Hz and 0.5 s of mono
  // at 22050 Hz; without the trimming each would be longer by the encoder
  // delay, the padding and the Info frame.
  struct Case {
    const char* file;
    size_t frames;
  } cases[] = {{"s44.mp3", 44100}, {"s48.mp3", 24000}, {"m22.mp3", 11025}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    Mp3Decoder decoder;
    const DecodeRun run = RunDecode(decoder, File(c.file), work_ / "out.pcm");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.pcm.size(), c.frames * 4);
  }
}

TEST_F(Mp3DecoderFiles, EveryFrameOfAStreamWithoutInfoFrameIsDecoded) {
  const std::string bytes = ReadFileBytes(File("plain44.mp3"));
  const size_t frames = FrameOffsets(bytes).size();
  ASSERT_GT(frames, 30u);
  Mp3Decoder decoder;
  const DecodeRun run = RunDecode(decoder, File("plain44.mp3"), work_ / "out.pcm");
  EXPECT_EQ(decoder.Parameters().frameCounter, frames);
  EXPECT_EQ(run.pcm.size(), frames * kStereoFrameBytes);
}

TEST_F(Mp3DecoderFiles, MonoIsWrittenWithEqualChannels) {
  Mp3Decoder decoder;
  const DecodeRun run = RunDecode(decoder, File("m22.mp3"), work_ / "out.pcm");
  ASSERT_EQ(run.result, 1);
  ASSERT_EQ(run.pcm.size() % 4, 0u);
  ASSERT_GT(run.pcm.size(), 22050u);
  bool audible = false;
  for (size_t i = 0; i < run.pcm.size(); i += 4) {
    ASSERT_EQ(run.pcm.compare(i, 2, run.pcm, i + 2, 2), 0) << "frame " << i / 4;
    audible = audible || run.pcm[i] != 0 || run.pcm[i + 1] != 0;
  }
  EXPECT_TRUE(audible);
}

TEST_F(Mp3DecoderFiles, GarbageBetweenFramesIsSkipped) {
  // The frame after the garbage finds the bit reservoir it refers to in the
  // frames before it, so the decode equals that of the clean file. 300000
  // bytes make the search give up twice before it finds the frame.
  const std::string clean = ReadFileBytes(File("plain44.mp3"));
  const std::vector<size_t> frames = FrameOffsets(clean);
  ASSERT_GT(frames.size(), 12u);
  const std::string reference = ReferenceDecode(File("plain44.mp3"));
  ASSERT_FALSE(reference.empty());
  for (size_t garbage : {size_t{3000}, size_t{kMp3ResyncLimit + 100}, size_t{300000}}) {
    SCOPED_TRACE(garbage);
    const std::string dirty =
        clean.substr(0, frames[10]) + Garbage(garbage, 7) + clean.substr(frames[10]);
    WriteFileBytes(work_ / "dirty.mp3", dirty);
    Mp3Decoder decoder;
    const DecodeRun run = RunDecode(decoder, work_ / "dirty.mp3", work_ / "out.pcm");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(decoder.Parameters().frameCounter, frames.size());
    EXPECT_TRUE(run.pcm == reference);
    EXPECT_FALSE(decoder.Parameters().damaged);
  }
}

TEST_F(Mp3DecoderFiles, TruncatedLastFrameIsDecodedWithZeros) {
  // The reference decoder drops an incomplete last frame; here its missing
  // bytes are taken as zero, which is what it decodes from a copy padded so.
  const std::string clean = ReadFileBytes(File("plain44.mp3"));
  const std::vector<size_t> frames = FrameOffsets(clean);
  FrameHeader last;
  ASSERT_TRUE(ParseHeader(HeaderAt(clean, frames.back()), last));
  ASSERT_EQ(frames.back() + 4 + last.frameBodySize, clean.size()) << "file ends with a whole frame";
  const std::string cut = clean.substr(0, clean.size() - 100);
  WriteFileBytes(work_ / "cut.mp3", cut);
  WriteFileBytes(work_ / "padded.mp3", cut + std::string(100, '\0'));
  const std::string reference = ReferenceDecode(work_ / "padded.mp3");
  ASSERT_EQ(reference.size(), frames.size() * kStereoFrameBytes);

  Mp3Decoder decoder;
  const DecodeRun run = RunDecode(decoder, work_ / "cut.mp3", work_ / "out.pcm");
  EXPECT_EQ(run.result, 1);
  EXPECT_TRUE(run.pcm == reference);
  // The cut frame is reported: what came before it is all that is sure.
  EXPECT_TRUE(decoder.Parameters().damaged);
  EXPECT_EQ(decoder.Parameters().readableBytes, (frames.size() - 1) * kStereoFrameBytes);
}

TEST_F(Mp3DecoderFiles, AFrameThePayloadDecoderRefusesEndsTheAudioThere) {
  // libmpg123 conceals damaged frames of real files, so its refusal is
  // injected: the 20th frame's data is refused, the 30th time the library
  // itself fails.
  const std::string reference = ReferenceDecode(File("plain44.mp3"));
  ASSERT_FALSE(reference.empty());
  {
    platform::ArmFault(platform::FileCall::Codec, 20, EBADMSG);
    Mp3Decoder decoder;
    const DecodeRun run = RunDecode(decoder, File("plain44.mp3"), work_ / "out.pcm");
    platform::DisarmFaults();
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(decoder.Parameters().frameCounter, 20u);
    EXPECT_TRUE(decoder.Parameters().damaged);
    // Everything decoded before the refused frame is kept, and only that.
    EXPECT_EQ(decoder.Parameters().readableBytes, run.pcm.size());
    EXPECT_GT(run.pcm.size(), 10 * kStereoFrameBytes);
    EXPECT_TRUE(reference.compare(0, run.pcm.size(), run.pcm) == 0);
  }
  {
    platform::ArmFault(platform::FileCall::Codec, 30, EIO);
    Mp3Decoder decoder;
    const DecodeRun run = RunDecode(decoder, File("plain44.mp3"), work_ / "out.pcm");
    platform::DisarmFaults();
    EXPECT_EQ(run.result, 0);
    ASSERT_EQ(run.messages.size(), 1u);
    EXPECT_NE(run.messages[0].find("the MP3 decoding library failed"), std::string::npos);
  }
}

TEST_F(Mp3DecoderFiles, LaterHeadersCannotChangeLayerOrRate) {
  // A 48000 Hz stream glued behind a 44100 Hz one: the first header fixes the
  // rate, so there is no switch of rate part-way and the first stream's
  // samples come out unchanged.
  WriteFileBytes(work_ / "glued.mp3",
                 ReadFileBytes(File("plain44.mp3")) + ReadFileBytes(File("plain48.mp3")));
  const std::string first = ReferenceDecode(File("plain44.mp3"));
  Mp3Decoder decoder;
  const DecodeRun run = RunDecode(decoder, work_ / "glued.mp3", work_ / "out.pcm");
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(run.rate, 44100);
  ASSERT_GT(run.pcm.size(), first.size());
  // Every frame read, the misread ones of the second stream too, is decoded as
  // a 44100 Hz Layer III frame of 1152 samples; nothing is resampled.
  EXPECT_EQ(run.pcm.size(), decoder.Parameters().frameCounter * kStereoFrameBytes);
  EXPECT_TRUE(run.pcm.compare(0, first.size(), first) == 0);
}

TEST_F(Mp3DecoderFiles, ProgressFollowsTheFramesRead) {
  const size_t size = fs::file_size(File("plain44.mp3"));
  ScriptedProgress progress;
  Mp3Decoder decoder;
  const DecodeRun run = RunDecode(decoder, File("plain44.mp3"), work_ / "out.pcm", progress);
  ASSERT_EQ(run.result, 1);
  EXPECT_EQ(progress.Total(), size / 100);
  EXPECT_EQ(static_cast<uint32_t>(progress.steps), decoder.Parameters().frameCounter + 1);
  EXPECT_EQ(progress.GetCurrent(), size / 100);
}

TEST_F(Mp3DecoderFiles, CancelStopsAtTheNextFrameRead) {
  const std::string full = ReferenceDecode(File("plain44.mp3"));
  struct Case {
    int cancelAtStep;  // Step(0) is the first step, each frame read one more
    int stepsTaken;
    uint32_t framesDecoded;
    size_t maxWritten;
    size_t minWritten;
  } cases[] = {
      // Cancel pressed during Step(0) is noticed after the first frame read.
      {1, 2, 0, 0, 0},
      // Three frames decoded, still in the output buffer: dropped.
      {5, 5, 3, 0, 0},
      // 18 frames decoded; what was written went out in blocks of at least
      // 16384 bytes, so less than that is missing.
      {20, 20, 18, 18 * kStereoFrameBytes, 18 * kStereoFrameBytes - 16383},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cancelAtStep);
    ScriptedProgress progress(c.cancelAtStep);
    Mp3Decoder decoder;
    int16_t channels = -1, bits = -1;
    int32_t rate = -1;
    const auto result = decoder.DecodeToPcm(
        File("plain44.mp3").string(), (work_ / "out.pcm").string(), channels, bits, rate, progress);
    EXPECT_EQ(result, ToInt(OP_CANCELLED));
    EXPECT_EQ(progress.steps, c.stepsTaken);
    EXPECT_EQ(decoder.Parameters().frameCounter, c.framesDecoded);
    const std::string written = ReadFileBytes(work_ / "out.pcm");
    EXPECT_LE(written.size(), c.maxWritten);
    EXPECT_GE(written.size(), c.minWritten);
    EXPECT_TRUE(full.compare(0, written.size(), written) == 0);
  }
}

TEST_F(Mp3DecoderFiles, DamagedFramesDoNotStopTheDecode) {
  // Random bytes written over frame bodies (never over headers): the payload
  // decoder copes, every frame is still read and yields its samples.
  const std::string clean = ReadFileBytes(File("plain44.mp3"));
  const std::vector<size_t> frames = FrameOffsets(clean);
  std::mt19937 random(11);
  for (int round = 0; round < 4; ++round) {
    std::string damaged = clean;
    for (size_t f = 1; f + 1 < frames.size(); f += 2) {
      for (size_t i = frames[f] + 4; i < frames[f + 1]; ++i)
        if (random() % 3 == 0) damaged[i] = static_cast<char>(random());
    }
    WriteFileBytes(work_ / "damaged.mp3", damaged);
    Mp3Decoder decoder;
    const DecodeRun run = RunDecode(decoder, work_ / "damaged.mp3", work_ / "out.pcm");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(decoder.Parameters().frameCounter, frames.size());
    EXPECT_EQ(run.pcm.size(), frames.size() * kStereoFrameBytes);
  }
}

TEST_F(Mp3DecoderFiles, SecondThreadGivesTheSameSamplesAsDecodingInOrder) {
  // Pink-ish noise over the tones makes the encoder use its bit reservoir,
  // which reaches back across frames into the first half.
  std::string pcm = TonePcm(44100, 2, 12.0);
  uint32_t state = 12345;
  for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
    state = state * 1664525u + 1013904223u;
    const int noise = static_cast<int>(state >> 20) - 2048;
    const auto tone = static_cast<int16_t>(static_cast<uint8_t>(pcm[i]) | (pcm[i + 1] << 8));
    const auto mixed = static_cast<int16_t>(std::clamp(tone / 2 + noise * 4, -32768, 32767));
    pcm[i] = static_cast<char>(mixed & 0xFF);
    pcm[i + 1] = static_cast<char>((mixed >> 8) & 0xFF);
  }
  WriteFileBytes(work_ / "noise44.raw", pcm);
  WriteFileBytes(work_ / "tone22.raw", TonePcm(22050, 1, 20.0));
  WriteFileBytes(work_ / "tone8.raw", TonePcm(8000, 1, 60.0));
  const struct {
    const char* name;
    bool made;
  } cases[] = {
      {"cbr.mp3", EncodeMp3(work_ / "noise44.raw", 44100, 2, 128, work_ / "cbr.mp3")},
      {"vbr.mp3", EncodeMp3(work_ / "noise44.raw", 44100, 2, 128, work_ / "vbr.mp3", "-V 2")},
      {"noinfo.mp3", EncodeMp3(work_ / "noise44.raw", 44100, 2, 320, work_ / "noinfo.mp3", "-t")},
      {"mono22.mp3", EncodeMp3(work_ / "tone22.raw", 22050, 1, 32, work_ / "mono22.mp3")},
      {"low8.mp3", EncodeMp3(work_ / "tone8.raw", 8000, 1, 8, work_ / "low8.mp3")},
  };
  // Random bytes over the bodies of every third frame, headers kept: the
  // payload decoder conceals them, in both halves alike.
  auto Damaged = [](std::string bytes) {
    const std::vector<size_t> frames = FrameOffsets(bytes);
    std::mt19937 random(5);
    for (size_t f = 1; f + 1 < frames.size(); f += 3) {
      for (size_t i = frames[f] + 4; i < frames[f + 1]; ++i) {
        if (random() % 4 == 0) bytes[i] = static_cast<char>(random());
      }
    }
    return bytes;
  };
  auto decode = [&](const fs::path& file, bool secondThread) {
    Mp3Decoder decoder;
    decoder.UseSecondThread(secondThread, 0);
    DecodeRun run = RunDecode(decoder, file, work_ / "out.pcm");
    return std::make_pair(run, decoder.Parameters());
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(c.made);
    const std::string bytes = ReadFileBytes(work_ / c.name);
    // The file as made; cut inside its last frame; with garbage in the
    // second half, which both threads skip alike.
    const std::vector<std::pair<std::string, std::string>> variants = {
        {"whole", bytes},
        {"cut", bytes.substr(0, bytes.size() - 50)},
        {"garbage", bytes.substr(0, bytes.size() * 3 / 4) + std::string(3000, '\x55') +
                        bytes.substr(bytes.size() * 3 / 4)},
        {"damaged", Damaged(bytes)},
    };
    for (const auto& [variant, content] : variants) {
      SCOPED_TRACE(variant);
      WriteFileBytes(work_ / "in.mp3", content);
      const auto [inOrder, inOrderParameters] = decode(work_ / "in.mp3", false);
      const auto [twoThreads, twoThreadParameters] = decode(work_ / "in.mp3", true);
      EXPECT_EQ(twoThreads.result, inOrder.result);
      EXPECT_EQ(twoThreads.pcm.size(), inOrder.pcm.size());
      EXPECT_TRUE(twoThreads.pcm == inOrder.pcm);
      EXPECT_EQ(twoThreadParameters.frameCounter, inOrderParameters.frameCounter);
      EXPECT_EQ(twoThreadParameters.damaged, inOrderParameters.damaged);
      EXPECT_EQ(twoThreadParameters.readableBytes, inOrderParameters.readableBytes);
      // A cut frame is left to the import's own reading. Concealed damage
      // may or may not leave the first half decoded whole, which the second
      // part needs.
      if (variant != "damaged") EXPECT_EQ(twoThreadParameters.secondHalfJoined, variant != "cut");
    }
  }
}

// The cases below need no outside tools.

TEST(Mp3Decoder, HeaderSearchGivesUpAfterTheResyncLimitAndGoesOn) {
  // Hand-made frames with zero bodies (no false headers in them), five before
  // and five after a stretch of garbage. The search starts with the 4 bytes
  // behind the fifth frame and shifts in one byte at a time; after 131071
  // bytes it gives up with the header word covering garbage bytes
  // 131071..131074, and the next read starts behind them. A frame header that
  // began inside that word has lost its first bytes, so that frame is not
  // found; the search goes on and finds the frame after it.
  const std::string frames = ZeroFrames(0xFFFB9004u, 5);
  struct Case {
    size_t garbage;
    uint32_t framesFound;
  } cases[] = {
      {100, 10},
      {kMp3ResyncLimit, 10},     // header found by the last byte searched
      {kMp3ResyncLimit + 1, 9},  // header cut by giving up
      {kMp3ResyncLimit + 3, 9},
      {kMp3ResyncLimit + 4, 10},  // header is the first word read after giving up
      {3 * kMp3ResyncLimit, 10},  // several give-ups in a row
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.garbage);
    WriteFileBytes(dir / "in.mp3", frames + Garbage(c.garbage, 9) + frames);
    Mp3Decoder decoder;
    const DecodeRun run = RunDecode(decoder, dir / "in.mp3", dir / "out.pcm");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(decoder.Parameters().frameCounter, c.framesFound);
    EXPECT_EQ(run.pcm.size(), c.framesFound * kStereoFrameBytes);
  }
}

TEST(Mp3Decoder, LayerOneWithoutCrcIsNotRecognised) {
  TempDir dir;
  // MPEG-1 Layer I, 288 kbit/s, 44100 Hz: with CRC (0xFFFE) and without (0xFFFF).
  WriteFileBytes(dir / "crc.mp2", ZeroFrames(0xFFFE9000u, 20));
  WriteFileBytes(dir / "nocrc.mp2", ZeroFrames(0xFFFF9000u, 20));
  Mp3Decoder decoder;

  const DecodeRun withCrc = RunDecode(decoder, dir / "crc.mp2", dir / "out.pcm");
  EXPECT_EQ(withCrc.result, 1);
  EXPECT_EQ(decoder.Parameters().frameCounter, 20u);
  EXPECT_EQ(withCrc.pcm, std::string(20 * 384 * 4, '\0'));

  const DecodeRun withoutCrc = RunDecode(decoder, dir / "nocrc.mp2", dir / "out.pcm");
  EXPECT_EQ(withoutCrc.result, 0);
  EXPECT_EQ(decoder.Parameters().frameCounter, 0u);
  EXPECT_EQ(withoutCrc.messages, std::vector<std::string>{NoFramesMessage(dir / "nocrc.mp2")});
}

TEST(Mp3Decoder, Id3v2TagIsSkippedByItsSize) {
  // The tag's content looks like three frames; they must not be decoded. The
  // size is stored in four bytes of seven bits each: 1251 = 9 * 128 + 99.
  const std::string hidden = ZeroFrames(0xFFFB9004u, 3);
  ASSERT_EQ(hidden.size(), 1251u);
  std::string tag = "ID3\x03";
  tag += std::string("\0\0\0\0\x09\x63", 6);
  TempDir dir;
  WriteFileBytes(dir / "in.mp3", tag + hidden + ZeroFrames(0xFFFB5004u, 5));
  Mp3Decoder decoder;
  const DecodeRun run = RunDecode(decoder, dir / "in.mp3", dir / "out.pcm");
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(decoder.Parameters().frameCounter, 5u);
  EXPECT_EQ(run.pcm.size(), 5 * kStereoFrameBytes);
}

TEST(Mp3Decoder, InputWithoutFramesFailsWithAMessage) {
  TempDir dir;
  std::string hugeId3 = "ID3\x04";
  hugeId3 += std::string("\0\0\x7F\x7F\x7F\x7F", 6);
  hugeId3 += ZeroFrames(0xFFFB9004u, 3);  // hidden inside the claimed tag
  std::string id3Cut = "ID3\x03";
  id3Cut += std::string("\0\0", 2);
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"three bytes", "\xFF\xFB\x90"},
      {"garbage", Garbage(400000, 3)},
      {"ID3v2 size past the end", hugeId3},
      {"ID3v2 header cut short", id3Cut},
      {"ID3v1 tag only", "TAG" + std::string(125, '\xFF')},
      {"free format headers", ZeroFrames(0xFFFB0000u, 1) + std::string(2000, '\0')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(dir / "in.mp3", c.bytes);
    Mp3Decoder decoder;
    const DecodeRun run = RunDecode(decoder, dir / "in.mp3", dir / "out.pcm");
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.messages, std::vector<std::string>{NoFramesMessage(dir / "in.mp3")});
    EXPECT_TRUE(run.pcm.empty());
  }
}

TEST(Mp3Decoder, RandomInputNeverBreaksTheDecoder) {
  // Random bytes with 0xFF among them: false headers are found and their
  // "frames" decoded. Whatever comes out is whole stereo sample frames.
  TempDir dir;
  std::mt19937 random(5);
  for (int round = 0; round < 6; ++round) {
    std::string bytes(30000, '\0');
    for (auto& b : bytes) b = static_cast<char>(random() % 4 == 0 ? 0xFF : random());
    WriteFileBytes(dir / "in.mp3", bytes);
    Mp3Decoder decoder;
    const DecodeRun run = RunDecode(decoder, dir / "in.mp3", dir / "out.pcm");
    EXPECT_TRUE(run.result == 0 || run.result == 1);
    EXPECT_EQ(run.pcm.size() % 4, 0u);
  }
}

TEST(Mp3Decoder, UnopenableFilesFailWithAMessage) {
  TempDir dir;
  WriteFileBytes(dir / "in.mp3", ZeroFrames(0xFFFB9004u, 5));
  Mp3Decoder decoder;

  const DecodeRun noSource = RunDecode(decoder, dir / "missing.mp3", dir / "out.pcm");
  EXPECT_EQ(noSource.result, 0);
  EXPECT_EQ(noSource.messages,
            std::vector<std::string>{"Could not open " + (dir / "missing.mp3").string() +
                                     " for reading - the MP3 file cannot be imported."});
  EXPECT_FALSE(fs::exists(dir / "out.pcm"));

  const fs::path badOutput = dir / "no-such-folder" / "out.pcm";
  const DecodeRun noOutput = RunDecode(decoder, dir / "in.mp3", badOutput);
  EXPECT_EQ(noOutput.result, 0);
  EXPECT_EQ(noOutput.messages,
            std::vector<std::string>{"Could not open " + badOutput.string() +
                                     " - it may be in exclusive use by another program."});
}

TEST(Mp3Decoder, FailedWriteIsNotReportedAsSuccess) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  TempDir dir;
  WriteFileBytes(dir / "in.mp3", ZeroFrames(0xFFFB9004u, 10));
  Mp3Decoder decoder;
  MessageRecorder recorder;
  ScriptedProgress progress;
  int16_t channels = -1, bits = -1;
  int32_t rate = -1;
  // Not read back: /dev/full reads as endless zeros.
  EXPECT_EQ(
      decoder.DecodeToPcm((dir / "in.mp3").string(), "/dev/full", channels, bits, rate, progress),
      0);
  EXPECT_EQ(recorder.Messages(),
            std::vector<std::string>{"Could not write to /dev/full - the disk may be full."});
}

}  // namespace
