// WMADecode, loaded from libombrin.so by name as the editor loads it. WMA v1
// and v2 fixtures are made with the ffmpeg tool at test time, and the decoded
// PCM is compared byte for byte with what the same tool decodes from the same
// file (both convert the decoder's float samples with libswresample's default
// conversion, so no difference is tolerated). Slow consumers are simulated by
// decoding into a FIFO that a test thread drains at a fixed pace.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "libs/ombrin/ombrin.h"
#include "tests/ombrin/ffmpeg_tool.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Messages = std::vector<std::string>;

const char kOpenFailed[] = "Reader Open Failed.";
const char kNoReader[] = "Could not create the Reader .";
const char kNoDuration[] = "m_pReaderHeaderInfo->GetAttributeByName Failed - duration is 0.";
const char kBadBits[] = "Failed to get bits per sample from the WMA file.  Assuming 16 bits.";
const char kNoOutput[] = "Failed to open temp WMA output file.";

// Values the out-parameters hold before a call, to see whether it wrote them.
constexpr int16_t kUntouched16 = -7;
constexpr int32_t kUntouched32 = -7;

WMADecodeFunction LoadDecoder() {
  static WMADecodeFunction decode = [] {
    const char* bin = std::getenv("VELLMORE_TEST_BIN");
    const fs::path folder =
        bin != nullptr ? fs::path(bin) : fs::read_symlink("/proc/self/exe").parent_path();
    // Kept loaded for the whole run; the editor never unloads it mid-decode either.
    void* library = dlopen((folder / "libombrin.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return WMADecodeFunction{};
    return reinterpret_cast<WMADecodeFunction>(dlsym(library, "WMADecode"));
  }();
  return decode;
}

// A two-tone signal, different on each channel so that swapped or mixed
// channels show. The tags make the ASF header carry a content description.
bool MakeWma(const fs::path& path, const std::string& codec, int channels, int rate,
             double seconds) {
  const std::string expression =
      channels == 1 ? "0.8*sin(300*2*PI*t)" : "0.8*sin(440*2*PI*t)|0.5*sin(660*2*PI*t)";
  return RunFfmpeg("-f lavfi -i 'aevalsrc=" + expression + ":s=" + std::to_string(rate) +
                   ":d=" + std::to_string(seconds) + "' -c:a " + codec +
                   " -metadata title='Test Title' -metadata artist='Some Artist'"
                   " -metadata album='An Album' -metadata date=2004 -metadata genre=Jazz " +
                   Quoted(path));
}

// What the ffmpeg tool decodes from the same file, as raw PCM.
std::string ToolDecode(const fs::path& wma, const fs::path& raw,
                       const std::string& format = "s16le",
                       const std::string& codec = "pcm_s16le") {
  if (!RunFfmpeg("-i " + Quoted(wma) + " -f " + format + " -acodec " + codec + " " + Quoted(raw))) {
    return "<ffmpeg failed>";
  }
  return ReadFileBytes(raw);
}

// The progress callback is a plain function pointer, so it reports to
// whichever script the running test installed.
struct ProgressScript {
  std::vector<int> percents;
  std::vector<Clock::time_point> times;
  // Called with the call's index (0 for the call at start) and the percent;
  // may change *keepGoing.
  std::function<void(size_t, int, int*)> onCall;
};
ProgressScript* activeScript = nullptr;

void RecordProgress(int percent, int* keepGoing) {
  ASSERT_NE(activeScript, nullptr);
  const size_t index = activeScript->percents.size();
  activeScript->percents.push_back(percent);
  activeScript->times.push_back(Clock::now());
  if (activeScript->onCall) activeScript->onCall(index, percent, keepGoing);
}

struct DecodeOutcome {
  int32_t result = 0;
  int16_t channels = kUntouched16;
  int16_t bits = kUntouched16;
  int32_t rate = kUntouched32;
  Messages messages;
  ProgressScript progress;
};

DecodeOutcome Decode(const fs::path& input, const fs::path& output,
                     std::function<void(size_t, int, int*)> onCall = {}) {
  DecodeOutcome outcome;
  outcome.progress.onCall = std::move(onCall);
  activeScript = &outcome.progress;
  MessageRecorder recorder;
  outcome.result = LoadDecoder()(input.c_str(), output.c_str(), &outcome.channels, &outcome.bits,
                                 &outcome.rate, &RecordProgress);
  activeScript = nullptr;
  outcome.messages = recorder.Messages();
  return outcome;
}

// Percentages as the editor's progress dialog needs them: start at 0, even,
// never decreasing, within 0..100.
void ExpectWellFormedProgress(const std::vector<int>& percents) {
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.front(), 0);
  for (size_t i = 0; i < percents.size(); ++i) {
    EXPECT_EQ(percents[i] % 2, 0) << "call " << i;
    EXPECT_GE(percents[i], 0) << "call " << i;
    EXPECT_LE(percents[i], 100) << "call " << i;
    if (i > 0) {
      EXPECT_GE(percents[i], percents[i - 1]) << "call " << i;
    }
  }
}

// Drains a FIFO at a fixed pace while WMADecode writes into it, so the decoder
// is throttled by its output the way a slow disk would throttle it.
class PacedFifo {
 public:
  PacedFifo(const fs::path& path, std::chrono::milliseconds pace) : path_(path) {
    created_ = mkfifo(path.c_str(), 0600) == 0;
    // Opened before the decoder opens its end, so its open does not block.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    reader_ = std::thread([this, pace] {
      char chunk[4096];
      for (;;) {
        const ssize_t got = ::read(fd_, chunk, sizeof chunk);
        if (got > 0) {
          data_.append(chunk, static_cast<size_t>(got));
          std::this_thread::sleep_for(pace);
        } else if (got == 0 && writerDone_) {
          return;  // the writer has closed and everything is read
        } else if (got == 0 || errno == EAGAIN) {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } else {
          return;
        }
      }
    });
  }
  ~PacedFifo() { Finish(); }

  bool Ready() const { return created_ && fd_ >= 0; }

  // Call after WMADecode has returned; returns everything it wrote.
  const std::string& Finish() {
    writerDone_ = true;
    if (reader_.joinable()) reader_.join();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return data_;
  }

 private:
  fs::path path_;
  bool created_ = false;
  int fd_ = -1;
  std::atomic<bool> writerDone_{false};
  std::string data_;
  std::thread reader_;
};

// Offsets in an ASF file made by ffmpeg, for the tests that patch headers.
size_t FindBytes(const std::string& haystack, const std::string& needle) {
  return haystack.find(needle);
}

std::string Le16(uint16_t value) {
  return {char(value & 0xFF), char(value >> 8)};
}
std::string Le32(uint32_t value) {
  return Le16(value & 0xFFFF) + Le16(value >> 16);
}

// The bits-per-sample field of the stream's WAVEFORMATEX (format tag,
// channels, rate, bytes per second, block align, bits).
size_t BitsFieldOffset(const std::string& asf, uint16_t formatTag, uint16_t channels,
                       uint32_t rate) {
  const size_t at = FindBytes(asf, Le16(formatTag) + Le16(channels) + Le32(rate));
  return at == std::string::npos ? at : at + 14;
}

// The play duration field of the ASF file properties object.
size_t PlayDurationOffset(const std::string& asf) {
  const std::string guid("\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65", 16);
  const size_t at = FindBytes(asf, guid);
  return at == std::string::npos ? at : at + 64;
}

class OmbrinDecode : public ::testing::Test {
 protected:
  struct Shared {
    TempDir dir;
    fs::path stereo;        // WMA v2, stereo, 44100 Hz, 2 s
    std::string stereoPcm;  // what the ffmpeg tool decodes from it
  };

  void SetUp() override {
    ASSERT_NE(LoadDecoder(), nullptr) << "libombrin.so or WMADecode missing";
  }

  // Fixtures that need the ffmpeg tool; the test is skipped without it.
  static const Shared* Fixtures() {
    static std::unique_ptr<Shared> shared = [] {
      if (!HaveFfmpeg()) return std::unique_ptr<Shared>();
      auto made = std::make_unique<Shared>();
      made->stereo = made->dir / "stereo.wma";
      if (!MakeWma(made->stereo, "wmav2", 2, 44100, 2.0)) return std::unique_ptr<Shared>();
      made->stereoPcm = ToolDecode(made->stereo, made->dir / "stereo.raw");
      return made;
    }();
    return shared.get();
  }

  TempDir dir_;
};

#define REQUIRE_FIXTURES()             \
  const Shared* fixtures = Fixtures(); \
  if (fixtures == nullptr) GTEST_SKIP() << "the ffmpeg command-line tool is not available"

struct FormatCase {
  const char* codec;
  int channels;
  int rate;
  double seconds;
};

class OmbrinFormats : public OmbrinDecode, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(OmbrinFormats, OutputMatchesFfmpegToolAndReportsFormatAndProgress) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is not available";
  const FormatCase& format = GetParam();
  const fs::path wma = dir_ / "in.wma";
  ASSERT_TRUE(MakeWma(wma, format.codec, format.channels, format.rate, format.seconds));
  const std::string expected = ToolDecode(wma, dir_ / "expected.raw");
  ASSERT_GT(expected.size(), static_cast<size_t>(format.rate * format.channels));

  const DecodeOutcome outcome = Decode(wma, dir_ / "out.pcm");

  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.messages, Messages{});
  EXPECT_EQ(outcome.channels, format.channels);
  EXPECT_EQ(outcome.bits, 16);
  EXPECT_EQ(outcome.rate, format.rate);
  EXPECT_TRUE(ReadFileBytes(dir_ / "out.pcm") == expected) << "decoded PCM differs from ffmpeg's";
  ExpectWellFormedProgress(outcome.progress.percents);
  EXPECT_EQ(outcome.progress.percents.back(), 100);
}

INSTANTIATE_TEST_SUITE_P(Codecs, OmbrinFormats,
                         ::testing::Values(FormatCase{"wmav2", 2, 44100, 2.0},
                                           FormatCase{"wmav1", 1, 22050, 1.5},
                                           FormatCase{"wmav1", 2, 44100, 1.0},
                                           FormatCase{"wmav2", 1, 22050, 1.0}),
                         [](const ::testing::TestParamInfo<FormatCase>& info) {
                           return std::string(info.param.codec) +
                                  (info.param.channels == 1 ? "Mono" : "Stereo") +
                                  std::to_string(info.param.rate);
                         });

TEST_F(OmbrinDecode, TruncatingAnExistingOutputAndWorkingWithoutOptionalArguments) {
  REQUIRE_FIXTURES();
  const fs::path out = dir_ / "out.pcm";
  WriteFileBytes(out, std::string(1000000, 'x'));  // longer than the decoded audio
  MessageRecorder recorder;
  EXPECT_EQ(
      LoadDecoder()(fixtures->stereo.c_str(), out.c_str(), nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_TRUE(ReadFileBytes(out) == fixtures->stereoPcm);
  EXPECT_EQ(recorder.Messages(), Messages{});
}

// Files that are not WMA, or not enough of one to read its header: refused
// with the open messages, out-parameters untouched, the output created empty.
TEST_F(OmbrinDecode, UnreadableInputsAreRefusedAtOpen) {
  const std::string asfGuid("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
  std::string noise;
  uint32_t state = 12345;
  for (int i = 0; i < 8192; ++i) {
    state = state * 1103515245u + 12345u;
    noise.push_back(static_cast<char>(state >> 24));
  }
  struct Case {
    const char* name;
    std::function<bool(const fs::path&)> make;  // false: the case needs ffmpeg
    int32_t result;                             // 0: any negative code
  };
  const Case cases[] = {
      {"missing", [](const fs::path&) { return true; }, OMBRIN_ERRNO_CODE(ENOENT)},
      {"empty",
       [](const fs::path& p) {
         WriteFileBytes(p, "");
         return true;
       },
       0},
      {"noise",
       [&](const fs::path& p) {
         WriteFileBytes(p, noise);
         return true;
       },
       0},
      {"asf guid then noise",
       [&](const fs::path& p) {
         WriteFileBytes(p, asfGuid + noise);
         return true;
       },
       0},
      {"header cut short",
       [](const fs::path& p) {
         const Shared* fixtures = Fixtures();
         if (fixtures == nullptr) return false;
         WriteFileBytes(p, ReadFileBytes(fixtures->stereo).substr(0, 200));
         return true;
       },
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path in = dir_ / (std::string(c.name) + ".wma");
    const fs::path out = dir_ / (std::string(c.name) + ".pcm");
    if (!c.make(in)) continue;
    const DecodeOutcome outcome = Decode(in, out);
    if (c.result != 0) {
      EXPECT_EQ(outcome.result, c.result);
    } else {
      EXPECT_LT(outcome.result, 0);
    }
    EXPECT_EQ(outcome.messages, (Messages{kOpenFailed, kNoReader}));
    EXPECT_EQ(outcome.channels, kUntouched16);
    EXPECT_EQ(outcome.bits, kUntouched16);
    EXPECT_EQ(outcome.rate, kUntouched32);
    EXPECT_TRUE(fs::exists(out));
    EXPECT_EQ(fs::file_size(out), 0u);
    EXPECT_EQ(outcome.progress.percents, std::vector<int>{0});
  }
}

// With nowhere to write, nothing is decoded: one message, no progress, no
// file created, out-parameters untouched.
TEST_F(OmbrinDecode, UnopenableOutputStopsBeforeDecoding) {
  const fs::path in = dir_ / "empty.wma";  // decoding it would add open messages
  WriteFileBytes(in, "");
  fs::create_directory(dir_ / "folder");
  struct Case {
    const char* name;
    fs::path output;
    int32_t result;
  };
  const Case cases[] = {
      {"missing folder", dir_ / "no-such-folder" / "out.pcm", OMBRIN_ERRNO_CODE(ENOENT)},
      {"output is a folder", dir_ / "folder", OMBRIN_ERRNO_CODE(EISDIR)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DecodeOutcome outcome = Decode(in, c.output);
    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(outcome.messages, Messages{kNoOutput});
    EXPECT_EQ(outcome.progress.percents, std::vector<int>{});
    EXPECT_EQ(outcome.channels, kUntouched16);
    EXPECT_EQ(outcome.rate, kUntouched32);
  }
  EXPECT_FALSE(fs::exists(dir_ / "no-such-folder"));
  EXPECT_TRUE(fs::is_empty(dir_ / "folder"));
}

TEST_F(OmbrinDecode, NullPathsAreRefusedWithoutTouchingFiles) {
  int16_t channels = kUntouched16;
  MessageRecorder recorder;
  const fs::path out = dir_ / "out.pcm";
  EXPECT_EQ(LoadDecoder()(nullptr, out.c_str(), &channels, nullptr, nullptr, nullptr),
            OMBRIN_E_INVALIDARG);
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(recorder.Messages(), Messages{});

  EXPECT_EQ(LoadDecoder()((dir_ / "in.wma").c_str(), nullptr, &channels, nullptr, nullptr, nullptr),
            OMBRIN_E_INVALIDARG);
  EXPECT_EQ(recorder.Messages(), Messages{kNoOutput});
  EXPECT_EQ(channels, kUntouched16);
}

// A file cut off or damaged inside its audio data decodes as far as it can,
// exactly as the ffmpeg tool decodes it, and counts as decoded.
TEST_F(OmbrinDecode, DamagedAudioDataDecodesLikeFfmpegTool) {
  REQUIRE_FIXTURES();
  const std::string whole = ReadFileBytes(fixtures->stereo);
  std::string damaged = whole;
  uint32_t state = 99;
  for (size_t i = whole.size() / 3; i < whole.size() / 2; ++i) {
    state = state * 1103515245u + 12345u;
    damaged[i] = static_cast<char>(state >> 24);
  }
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {{"cut off", whole.substr(0, whole.size() * 55 / 100)}, {"noise inside", damaged}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path in = dir_ / "damaged.wma";
    WriteFileBytes(in, c.bytes);
    const std::string expected = ToolDecode(in, dir_ / "expected.raw");
    ASSERT_GT(expected.size(), 0u);
    ASSERT_LT(expected.size(), fixtures->stereoPcm.size());

    const DecodeOutcome outcome = Decode(in, dir_ / "out.pcm");
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.messages, Messages{});
    EXPECT_EQ(outcome.channels, 2);
    EXPECT_TRUE(ReadFileBytes(dir_ / "out.pcm") == expected);
    ExpectWellFormedProgress(outcome.progress.percents);
  }
}

// A full disk must not pass for a decoded file: the write failure ends the
// decode with a message and a failure code.
TEST_F(OmbrinDecode, WriteFailureIsReportedNotHidden) {
  REQUIRE_FIXTURES();
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full to simulate a full disk";
  const DecodeOutcome outcome = Decode(fixtures->stereo, "/dev/full");
  EXPECT_EQ(outcome.result, OMBRIN_ERRNO_CODE(ENOSPC));
  EXPECT_EQ(outcome.messages, Messages{"Processing samples failed: Error "});
  EXPECT_EQ(outcome.channels, 2);  // the format had been read before decoding began
  ExpectWellFormedProgress(outcome.progress.percents);
  EXPECT_LT(outcome.progress.percents.back(), 100);
}

TEST_F(OmbrinDecode, FileWithoutDurationIsRefused) {
  REQUIRE_FIXTURES();
  std::string bytes = ReadFileBytes(fixtures->stereo);
  const size_t field = PlayDurationOffset(bytes);
  ASSERT_NE(field, std::string::npos);
  bytes.replace(field, 8, std::string(8, '\0'));
  const fs::path in = dir_ / "no-duration.wma";
  WriteFileBytes(in, bytes);

  const DecodeOutcome outcome = Decode(in, dir_ / "out.pcm");
  EXPECT_EQ(outcome.result, OMBRIN_E_INVALIDARG);
  EXPECT_EQ(outcome.messages, (Messages{kNoDuration, kNoReader}));
  EXPECT_EQ(outcome.channels, kUntouched16);
  EXPECT_EQ(fs::file_size(dir_ / "out.pcm"), 0u);
}

// The bits per sample declared in the stream header decide the output depth:
// 16 and 8 are kept (8 gives unsigned 8-bit samples, so the data always
// matches what is reported); anything else is reported as 16 after a message.
TEST_F(OmbrinDecode, DeclaredBitsPerSampleDecideReportedAndWrittenDepth) {
  REQUIRE_FIXTURES();
  const std::string original = ReadFileBytes(fixtures->stereo);
  const size_t field = BitsFieldOffset(original, 0x0161, 2, 44100);
  ASSERT_NE(field, std::string::npos);
  ASSERT_EQ(original.substr(field, 2), Le16(16));
  const struct {
    uint16_t declared;
    int16_t reported;
    Messages messages;
  } cases[] = {{24, 16, {kBadBits}}, {0, 16, {kBadBits}}, {8, 8, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.declared);
    std::string bytes = original;
    bytes.replace(field, 2, Le16(c.declared));
    const fs::path in = dir_ / "bits.wma";
    WriteFileBytes(in, bytes);
    const std::string expected = c.reported == 8
                                     ? ToolDecode(in, dir_ / "expected.raw", "u8", "pcm_u8")
                                     : fixtures->stereoPcm;

    const DecodeOutcome outcome = Decode(in, dir_ / "out.pcm");
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.messages, c.messages);
    EXPECT_EQ(outcome.bits, c.reported);
    EXPECT_EQ(outcome.channels, 2);
    EXPECT_TRUE(ReadFileBytes(dir_ / "out.pcm") == expected);
  }
}

// Throttled by a slow output, the decode reports growing progress at least
// every 50 ms (with slack for a loaded machine) and still delivers every byte.
TEST_F(OmbrinDecode, ProgressIsReportedRegularlyWhileDecoding) {
  REQUIRE_FIXTURES();
  const fs::path fifo = dir_ / "out.fifo";
  PacedFifo drain(fifo, std::chrono::milliseconds(8));
  ASSERT_TRUE(drain.Ready());

  const DecodeOutcome outcome = Decode(fixtures->stereo, fifo);
  const std::string& written = drain.Finish();

  EXPECT_EQ(outcome.result, 0);
  EXPECT_TRUE(written == fixtures->stereoPcm);
  const std::vector<int>& percents = outcome.progress.percents;
  ExpectWellFormedProgress(percents);
  EXPECT_EQ(percents.back(), 100);
  int between = 0;
  for (int p : percents) between += p > 0 && p < 100;
  EXPECT_GE(between, 2) << "progress should move through intermediate values";
  const auto& times = outcome.progress.times;
  for (size_t i = 2; i < times.size(); ++i) {
    EXPECT_LT(times[i] - times[i - 1], std::chrono::milliseconds(250)) << "call " << i;
  }
}

// The callback's answer at the first call is ignored; its first 0 during the
// decode stops it promptly, keeps what was written and is not a failure.
TEST_F(OmbrinDecode, KeepGoingZeroStopsDecodingAndKeepsWhatWasWritten) {
  REQUIRE_FIXTURES();
  const fs::path fifo = dir_ / "out.fifo";
  PacedFifo drain(fifo, std::chrono::milliseconds(8));
  ASSERT_TRUE(drain.Ready());

  Clock::time_point stopAsked;
  const DecodeOutcome outcome = Decode(fixtures->stereo, fifo, [&](size_t, int, int* keepGoing) {
    *keepGoing = 0;
    stopAsked = Clock::now();
  });
  const auto stopTook = Clock::now() - stopAsked;
  const std::string& written = drain.Finish();

  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.messages, Messages{});
  EXPECT_EQ(outcome.channels, 2);
  EXPECT_EQ(outcome.progress.percents.size(), 2u);
  ExpectWellFormedProgress(outcome.progress.percents);
  EXPECT_LT(stopTook, std::chrono::milliseconds(250));
  EXPECT_LT(written.size(), fixtures->stereoPcm.size());
  EXPECT_EQ(written.size() % 4, 0u) << "stopped inside a stereo frame";
  EXPECT_TRUE(written == fixtures->stereoPcm.substr(0, written.size()));
}

// A call made while another runs (here from inside its progress callback)
// fails at once and leaves its output and out-parameters alone; the running
// decode is unaffected.
TEST_F(OmbrinDecode, SecondCallWhileDecodingIsRefused) {
  REQUIRE_FIXTURES();
  const fs::path secondOut = dir_ / "second.pcm";
  int32_t secondResult = 0;
  int16_t secondChannels = kUntouched16;
  const DecodeOutcome outcome =
      Decode(fixtures->stereo, dir_ / "first.pcm", [&](size_t call, int, int*) {
        if (call == 0) {
          secondResult = LoadDecoder()(fixtures->stereo.c_str(), secondOut.c_str(), &secondChannels,
                                       nullptr, nullptr, nullptr);
        }
      });
  EXPECT_EQ(secondResult, OMBRIN_E_BUSY);
  EXPECT_EQ(secondChannels, kUntouched16);
  EXPECT_FALSE(fs::exists(secondOut));
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.messages, Messages{});
  EXPECT_TRUE(ReadFileBytes(dir_ / "first.pcm") == fixtures->stereoPcm);

  // Once the first call has returned, the library takes calls again.
  EXPECT_EQ(Decode(fixtures->stereo, secondOut).result, 0);
}

}  // namespace
