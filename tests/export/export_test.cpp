// MP3 and WMA exports end to end: documents saved through the real encoder
// and attribute libraries, checked with independent decoders (mpg123,
// ffmpeg, ffprobe); failure and cancel paths through stand-in libraries that
// fail on cue.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/save_document.h"
#include "codecs/mp3_export.h"
#include "codecs/wma_export.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "platform/library.h"
#include "tests/support/message_recorder.h"
#include "tests/support/test_app.h"

namespace fs = std::filesystem;

namespace {

constexpr int kLameStartDelay = 576;  // samples the encoder puts in front
constexpr int kMp3FrameSamples = 1152;

// Interleaved PCM of a sine in `format`, `frames` long.
std::string Tone(const AudioFormat& format, int frames, double hz = 440.0) {
  std::string pcm;
  for (int i = 0; i < frames; ++i) {
    const double v = 0.5 * std::sin(2 * M_PI * hz * i / format.sampleRate);
    for (int c = 0; c < format.channels; ++c) {
      if (format.bitsPerSample == 8) {
        pcm.push_back(static_cast<char>(128 + static_cast<int>(v * 127)));
      } else {
        const auto s = static_cast<int16_t>(v * 32767);
        pcm.push_back(static_cast<char>(s & 0xff));
        pcm.push_back(static_cast<char>((s >> 8) & 0xff));
      }
    }
  }
  return pcm;
}

std::string Quote(const std::string& text) {
  return "'" + text + "'";
}

// Standard output of a shell command; empty when it failed.
std::string Output(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  return ::pclose(pipe) == 0 ? out : std::string();
}

// ffprobe's "key=value" lines for the stream and the container tags.
std::map<std::string, std::string> Probe(const std::string& path) {
  std::map<std::string, std::string> values;
  const std::string text = Output(
      "ffprobe -v error -show_entries stream=sample_rate,channels,bit_rate,codec_name:"
      "format_tags -of default=nw=1 " +
      Quote(path));
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    if (const size_t eq = line.find('='); eq != std::string::npos) {
      std::string key = line.substr(0, eq);
      for (char& ch : key) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      values[key] = line.substr(eq + 1);
    }
    start = end + 1;
  }
  return values;
}

std::vector<std::string> WriteFiles(const TestApp& t) {
  std::vector<std::string> names;
  for (const std::string& name : t.RunFolderFiles()) {
    if (name.find("_write_") != std::string::npos) names.push_back(name);
  }
  return names;
}

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!platform::Library().Load("LAME.DLL") || !platform::Library().Load("Sarvik.dll") ||
        !platform::Library().Load("Tallisk.dll")) {
      GTEST_SKIP() << "the encoder libraries are not built";
    }
  }

  // A document opened from a WAV of `format` holding `pcm`.
  std::unique_ptr<CEditorDoc> Open(const AudioFormat& format, const std::string& pcm,
                                   const std::string& name = "in.wav") {
    const std::string wav = t.FilePath(name);
    WriteFileBytes(wav, MakeWav(format, pcm));
    auto doc = std::make_unique<CEditorDoc>(t.App());
    EXPECT_TRUE(doc->OnOpenDocument(wav));
    return doc;
  }

  // Runs a save operation into `target` as Save As does.
  OpResult Save(CEditorDoc& doc, OpCode code, const std::string& target) {
    doc.SetPath(target);
    doc.DocRunOperation(code);
    return doc.LastResult();
  }

  TestApp t;
};

// --- MP3 ---

TEST_F(ExportTest, Mp3DecodesToTheDocumentsLengthWithTheTagBehind) {
  if (!HaveTool("mpg123") || !HaveTool("ffprobe")) GTEST_SKIP() << "mpg123 and ffprobe needed";
  const AudioFormat format{2, 16, 44100};
  const int frames = 100000;
  auto doc = Open(format, Tone(format, frames));
  doc->mp3Export.bitRate = 192;
  doc->mp3Export.title = "A title of more than thirty bytes in all";
  doc->mp3Export.artist = "Artist";
  doc->mp3Export.genre = 147;
  const std::string mp3 = t.FilePath("out.mp3");
  ASSERT_EQ(Save(*doc, WRITE_MP3_FILE, mp3), OP_DONE);
  EXPECT_EQ(t.progress.captions.back(), "Encoding MP3 File via LAME Open Source Project");

  const std::string bytes = ReadFileBytes(mp3);
  ASSERT_GT(bytes.size(), 128u);
  const std::string tag = bytes.substr(bytes.size() - 128);
  EXPECT_EQ(tag.substr(0, 33), "TAGA title of more than thirty by");
  EXPECT_EQ(tag.substr(33, 30), "Artist" + std::string(24, '\0'));
  EXPECT_EQ(static_cast<uint8_t>(tag[127]), 147);

  const auto probe = Probe(mp3);
  EXPECT_EQ(probe.at("bit_rate"), "192000");
  EXPECT_EQ(probe.at("sample_rate"), "44100");
  EXPECT_EQ(probe.at("channels"), "2");
  EXPECT_EQ(probe.at("tag:genre"), "Synthpop");

  // Every frame decodes; after the encoder's fixed start delay comes the
  // document's audio and the padding of the last frame, which the encoder's
  // final flush may carry into one more frame.
  const std::string decoded = Output("mpg123 -q -s " + Quote(mp3));
  const long samples = static_cast<long>(decoded.size() / 4);
  EXPECT_GE(samples - kLameStartDelay, frames);
  EXPECT_LT(samples - kLameStartDelay, frames + 2 * kMp3FrameSamples);
  EXPECT_TRUE(WriteFiles(t).empty());
}

TEST_F(ExportTest, Mp3ConvertsOtherFormatsFirstAndRemovesTheCopy) {
  if (!HaveTool("mpg123")) GTEST_SKIP() << "mpg123 needed";
  struct Case {
    AudioFormat format;
    int frames;
    int bitRate;
    int32_t encodedRate;  // the document's own where MPEG has it at that bit rate
  };
  const Case cases[] = {{{1, 16, 44100}, 44100, 128, 44100}, {{2, 8, 44100}, 44100, 128, 44100},
                        {{2, 16, 22050}, 22050, 128, 22050}, {{1, 8, 22050}, 22050, 128, 22050},
                        {{2, 16, 48000}, 48000, 320, 48000}, {{2, 16, 22050}, 22050, 320, 44100},
                        {{2, 16, 96000}, 96000, 128, 44100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.format.channels << "ch " << c.format.bitsPerSample
                                    << "bit " << c.format.sampleRate);
    auto doc = Open(c.format, Tone(c.format, c.frames));
    doc->mp3Export.bitRate = c.bitRate;
    const std::string mp3 = t.FilePath("conv.mp3");
    ASSERT_EQ(Save(*doc, WRITE_MP3_FILE, mp3), OP_DONE);
    EXPECT_EQ(doc->work.Format(), c.format);  // the document itself is unchanged
    EXPECT_EQ(doc->tempA->pcmLength, 0u);
    EXPECT_FALSE(fs::exists(doc->tempA->pcmPath) && fs::file_size(doc->tempA->pcmPath) > 0);
    // One second of audio at the encoded rate, stereo; frames are half as
    // long below 32000 Hz.
    const int frameSamples = c.encodedRate < 32000 ? kMp3FrameSamples / 2 : kMp3FrameSamples;
    const std::string decoded = Output("mpg123 -q -s " + Quote(mp3));
    const long samples = static_cast<long>(decoded.size() / 4);
    EXPECT_GE(samples - kLameStartDelay, c.encodedRate - 4);
    EXPECT_LT(samples - kLameStartDelay, c.encodedRate + 4 * frameSamples);
    if (HaveTool("ffprobe")) {
      const auto probe = Probe(mp3);
      EXPECT_EQ(probe.at("sample_rate"), std::to_string(c.encodedRate));
      EXPECT_EQ(probe.at("channels"), "2");
    }
  }
  EXPECT_TRUE(WriteFiles(t).empty());
}

TEST_F(ExportTest, Mp3ResamplingFiltersWhatTheNewRateCannotHold) {
  if (!HaveTool("mpg123")) GTEST_SKIP() << "mpg123 needed";
  // 30 kHz fits 96000 Hz but not 44100 Hz: a filter removes it, where
  // dropping and repeating samples would fold it down to 14.1 kHz at full
  // level.
  const AudioFormat format{2, 16, 96000};
  auto doc = Open(format, Tone(format, 96000, 30000.0));
  doc->mp3Export.bitRate = 320;
  const std::string mp3 = t.FilePath("high.mp3");
  ASSERT_EQ(Save(*doc, WRITE_MP3_FILE, mp3), OP_DONE);
  const std::string decoded = Output("mpg123 -q -s " + Quote(mp3));
  ASSERT_GT(decoded.size(), 44100u * 4);
  double energy = 0;
  const size_t samples = decoded.size() / 2;
  for (size_t i = 0; i < samples; ++i) {
    const auto v = static_cast<int16_t>(static_cast<uint8_t>(decoded[2 * i]) |
                                        (static_cast<uint8_t>(decoded[2 * i + 1]) << 8));
    energy += double{v} * v;
  }
  const double rms = std::sqrt(energy / static_cast<double>(samples));
  EXPECT_LT(rms, 100.0) << "the 30 kHz tone (RMS 11585) came through";
  EXPECT_TRUE(WriteFiles(t).empty());
}

TEST_F(ExportTest, Mp3TagsComeBackWhenTheFileIsOpenedAgain) {
  const AudioFormat format{2, 16, 44100};
  auto doc = Open(format, Tone(format, 20000));
  doc->mp3Export = {};
  doc->mp3Export.title = "Round Trip";
  doc->mp3Export.artist = "The Artist";
  doc->mp3Export.album = "The Album";
  doc->mp3Export.year = "2003";
  doc->mp3Export.comment = "A comment";
  doc->mp3Export.genre = 123;
  const std::string mp3 = t.FilePath("round.mp3");
  ASSERT_EQ(Save(*doc, WRITE_MP3_FILE, mp3), OP_DONE);

  CEditorDoc again(t.App());
  ASSERT_TRUE(again.OnOpenDocument(mp3));
  EXPECT_EQ(again.Format(), format);
  EXPECT_EQ(again.mp3Export.title, "Round Trip");
  EXPECT_EQ(again.mp3Export.artist, "The Artist");
  EXPECT_EQ(again.mp3Export.album, "The Album");
  EXPECT_EQ(again.mp3Export.year, "2003");
  EXPECT_EQ(again.mp3Export.comment, "A comment");
  EXPECT_EQ(again.mp3Export.genre, 123);
  Mp3DialogModel model(again.mp3Export);
  model.Init();
  EXPECT_EQ(model.genreSelection, 124);  // after "(none)" at the top of the list
  EXPECT_EQ(model.title, "Round Trip");
}

TEST_F(ExportTest, EmptyDocumentWritesOnlyTheFlushAndTheTag) {
  auto doc = std::make_unique<CEditorDoc>(t.App());
  t.dialogs.newFileFormat = {1, 8, 11025};
  ASSERT_TRUE(doc->OnNewDocument());
  const std::string mp3 = t.FilePath("empty.mp3");
  ASSERT_EQ(Save(*doc, WRITE_MP3_FILE, mp3), OP_DONE);
  const std::string bytes = ReadFileBytes(mp3);
  ASSERT_GE(bytes.size(), 128u);
  EXPECT_EQ(bytes.substr(bytes.size() - 128, 3), "TAG");
  EXPECT_LT(bytes.size(), 128u + 2000u);
}

// The document's existing file stays as it was, and nothing of the export
// is left in the run folder, whichever way the save ends early.
TEST_F(ExportTest, CancelOrRefusalLeavesTheTargetAndNoTemporaryFile) {
  const AudioFormat format{2, 16, 44100};
  for (OpCode code : {WRITE_MP3_FILE, WRITE_WMA_FILE}) {
    SCOPED_TRACE(ToInt(code));
    auto doc = Open(format, Tone(format, 200000));
    const std::string target = t.FilePath(code == WRITE_MP3_FILE ? "old.mp3" : "old.wma");
    WriteFileBytes(target, "the user's old file");

    t.progress.CancelAtStep(3);
    EXPECT_EQ(Save(*doc, code, target), OP_CANCELLED);
    t.progress.CancelAtStep(0);
    EXPECT_EQ(ReadFileBytes(target), "the user's old file");
    EXPECT_TRUE(WriteFiles(t).empty());
    EXPECT_EQ(doc->tempB->pcmLength, 0u);

    t.dialogs.applyExports = false;
    EXPECT_EQ(Save(*doc, code, target), OP_CANCELLED);
    t.dialogs.applyExports = true;
    EXPECT_EQ(ReadFileBytes(target), "the user's old file");

    // A target that cannot be written: reported by the writer that ran, as
    // a failure, and the finished file is not left behind.
    MessageRecorder messages;
    const std::string unwritable = t.FilePath("no such folder/out.x");
    EXPECT_EQ(Save(*doc, code, unwritable), OP_FAILED);
    const char* routine = code == WRITE_MP3_FILE ? "WriteMp3File" : "WriteWmaFile";
    EXPECT_EQ(messages.Messages(),
              (std::vector<std::string>{
                  std::string(routine) + ": Unable to write to wave file " + unwritable,
                  "OEC: Operation failed"}));
    EXPECT_TRUE(WriteFiles(t).empty());
  }
}

TEST_F(ExportTest, FailedSaveKeepsTheDocumentsNameInEveryFormat) {
  const AudioFormat format{2, 16, 44100};
  auto doc = Open(format, Tone(format, 1000));
  const std::string named = doc->Path();
  for (const char* name : {"out.wav", "out.pcm", "out.mp3", "out.wma"}) {
    SCOPED_TRACE(name);
    const SaveResult result = SaveDocumentAs(*doc, t.FilePath("no such folder/") + name);
    EXPECT_EQ(result.runResult, OP_DONE);  // the run went ahead
    EXPECT_EQ(doc->LastResult(), OP_FAILED);
    EXPECT_FALSE(result.saved);
    EXPECT_EQ(doc->Path(), named);
  }
  EXPECT_TRUE(WriteFiles(t).empty());
}

// A stand-in encoder that fails on cue and counts its streams.
struct FakeLame {
  int failInit = 0, failChunk = 0, failDeinit = 0;  // 1-based call that fails; 0 never
  int chunks = 0, opened = 0, closed = 0;
};
FakeLame fake;

BeErr FakeInit(const BeMp3Config*, uint32_t* spc, uint32_t* size, BeStream* stream) {
  if (fake.failInit) return BE_ERR_NO_MORE_HANDLES;
  *spc = 2304;
  *size = 8000;
  *stream = ++fake.opened;
  return BE_ERR_SUCCESSFUL;
}
BeErr FakeChunk(BeStream, uint32_t, const int16_t*, uint8_t* out, uint32_t* length) {
  *length = 10;
  std::fill(out, out + 10, 0xAB);
  return ++fake.chunks == fake.failChunk ? BE_ERR_ENCODER_FAILED : BE_ERR_SUCCESSFUL;
}
BeErr FakeDeinit(BeStream, uint8_t*, uint32_t* length) {
  *length = 0;
  return fake.failDeinit ? BE_ERR_ENCODER_FAILED : BE_ERR_SUCCESSFUL;
}
BeErr FakeClose(BeStream) {
  ++fake.closed;
  return BE_ERR_SUCCESSFUL;
}
BeErr FakeVersion(BeVersionInfo*) {
  return BE_ERR_SUCCESSFUL;
}

TEST_F(ExportTest, FailingEncoderIsReportedAndItsStreamReleased) {
  const AudioFormat format{1, 8, 22050};  // converted first: the copy must go too
  auto doc = Open(format, Tone(format, 50000));
  const std::string target = t.FilePath("keep.mp3");
  WriteFileBytes(target, "old");
  const LameEncoderApi api{FakeInit, FakeChunk, FakeDeinit, FakeClose, FakeVersion};
  struct Case {
    FakeLame setup;
    const char* message;
    OpResult result;
  };
  const Case cases[] = {
      {{1, 0, 0}, "LAME Initializing Failed", OP_FAILED},
      {{0, 3, 0}, "beEncodeChunk failed", OP_FAILED},
      {{0, 0, 1}, "Final beDeinitStream failed", OP_FAILED},
      {{0, 0, 0}, nullptr, OP_DONE},
  };
  for (const Case& c : cases) {
    fake = c.setup;
    MessageRecorder messages;
    Mp3ExportJob job{&doc->work, doc->tempA, target, t.App().RunFolder(), doc->mp3Export};
    job.encoder = &api;
    EXPECT_EQ(EncodeToMp3(job, t.progress), c.result);
    if (c.message != nullptr) {
      EXPECT_EQ(messages.Messages(), std::vector<std::string>{c.message});
      EXPECT_EQ(ReadFileBytes(target), "old");
    } else {
      EXPECT_TRUE(messages.Messages().empty());
      EXPECT_NE(ReadFileBytes(target), "old");
    }
    EXPECT_EQ(fake.closed, fake.opened) << "every stream opened is closed";
    EXPECT_EQ(doc->tempA->pcmLength, 0u);
    EXPECT_TRUE(WriteFiles(t).empty());
  }
}

TEST_F(ExportTest, MissingLibrariesAndUnsupportedFormatsAreRefused) {
  const AudioFormat format{2, 16, 44100};
  auto doc = Open(format, Tone(format, 1000));
  const std::string target = t.FilePath("x.out");
  {
    MessageRecorder messages;
    Mp3ExportJob job{&doc->work, doc->tempA, target, t.App().RunFolder(), doc->mp3Export};
    job.libraryName = "NoSuchEncoder.dll";
    EXPECT_EQ(EncodeToMp3(job, t.progress), OP_FAILED);
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{"Loading LAME Encoder Failed"});
  }
  {
    MessageRecorder messages;
    int notices = 0;
    WmaExportJob job{&doc->work, target, t.App().RunFolder(), doc->wmaExport, [&] { ++notices; }};
    job.encoderLibrary = "NoSuchEncoder.dll";
    EXPECT_EQ(EncodeToWma(job, t.progress), OP_CANCELLED);
    EXPECT_EQ(notices, 1);
    EXPECT_TRUE(messages.Messages().empty());
  }
  TempAudioFile odd;
  odd.SetFormat({3, 24, 44100});
  {
    MessageRecorder messages;
    Mp3ExportJob job{&odd, doc->tempA, target, t.App().RunFolder(), doc->mp3Export};
    EXPECT_EQ(EncodeToMp3(job, t.progress), OP_FAILED);
    WmaExportJob wma{&odd, target, t.App().RunFolder(), doc->wmaExport, [] {}};
    EXPECT_EQ(EncodeToWma(wma, t.progress), OP_FAILED);
    EXPECT_EQ(messages.Messages(),
              (std::vector<std::string>{
                  "Sorry, only mono or stereo audio of 8 or 16 bits can be saved as MP3.",
                  "Sorry, only mono or stereo audio of 8 or 16 bits can be saved as WMA."}));
  }
  EXPECT_FALSE(fs::exists(target));
  EXPECT_TRUE(WriteFiles(t).empty());
}

// --- WMA ---

TEST_F(ExportTest, WmaDecodesAtTheDocumentsRateWithItsAttributes) {
  if (!HaveTool("ffmpeg") || !HaveTool("ffprobe")) GTEST_SKIP() << "ffmpeg and ffprobe needed";
  const AudioFormat format{1, 8, 22050};
  const int frames = 22050;
  auto doc = Open(format, Tone(format, frames));
  doc->wmaExport.quality = 1;
  doc->wmaExport.title = "Wma Title";
  doc->wmaExport.author = "Wma Artist";
  doc->wmaExport.album = "Wma Album";
  doc->wmaExport.year = "1987";
  doc->wmaExport.genre = "Rhytmic Soul";
  const std::string wma = t.FilePath("out.wma");
  ASSERT_EQ(Save(*doc, WRITE_WMA_FILE, wma), OP_DONE);

  const auto probe = Probe(wma);
  EXPECT_EQ(probe.at("codec_name"), "wmav2");
  EXPECT_EQ(probe.at("sample_rate"), "22050");
  EXPECT_EQ(probe.at("channels"), "2");
  EXPECT_EQ(probe.at("tag:title"), "Wma Title");
  EXPECT_EQ(probe.at("tag:artist"), "Wma Artist");
  EXPECT_EQ(probe.at("tag:album"), "Wma Album");
  EXPECT_EQ(probe.at("tag:genre"), "Rhytmic Soul");

  const std::string decoded = Output("ffmpeg -v error -i " + Quote(wma) + " -f s16le -");
  const long decodedFrames = static_cast<long>(decoded.size() / 4);
  EXPECT_GE(decodedFrames, frames);
  EXPECT_LE(decodedFrames, frames + 2 * 2048 + 1024);

  platform::Library tallisk;
  ASSERT_TRUE(tallisk.Load("Tallisk.dll"));
  auto get = tallisk.Get<WMAGetAttributeFn>("WMAGetAttribute");
  ASSERT_NE(get, nullptr);
  const std::pair<const char*, const char*> attributes[] = {{"Title", "Wma Title"},
                                                            {"Author", "Wma Artist"},
                                                            {"WM/AlbumTitle", "Wma Album"},
                                                            {"WM/Year", "1987"},
                                                            {"WM/Genre", "Rhytmic Soul"}};
  for (const auto& [name, value] : attributes) {
    char buffer[TALLISK_ATTRIBUTE_BUFFER_SIZE] = {};
    get(wma.c_str(), 0, name, buffer);
    EXPECT_STREQ(buffer, value) << name;
  }
  EXPECT_TRUE(WriteFiles(t).empty());
}

TEST_F(ExportTest, WmaTagsComeBackWhenTheFileIsOpenedAgain) {
  if (!platform::Library().Load("Ombrin.dll")) GTEST_SKIP() << "the WMA decoder is not built";
  const AudioFormat format{2, 16, 44100};
  auto doc = Open(format, Tone(format, 30000));
  doc->wmaExport.title = "T";
  doc->wmaExport.author = "A";
  doc->wmaExport.album = "B";
  doc->wmaExport.year = "2010";
  doc->wmaExport.genre = "Contemporary C";
  const std::string wma = t.FilePath("round.wma");
  ASSERT_EQ(Save(*doc, WRITE_WMA_FILE, wma), OP_DONE);

  CEditorDoc again(t.App());
  ASSERT_TRUE(again.OnOpenDocument(wma));
  EXPECT_EQ(again.Format(), format);
  EXPECT_EQ(again.wmaExport.title, "T");
  EXPECT_EQ(again.wmaExport.author, "A");
  EXPECT_EQ(again.wmaExport.album, "B");
  EXPECT_EQ(again.wmaExport.year, "2010");
  WmaDialogModel model(again.wmaExport);
  model.Init();
  EXPECT_EQ(model.genreSelection, 140);
  EXPECT_EQ(model.title, "T");
}

// A stand-in WMA encoder that records what it is fed.
struct FakeWma {
  std::vector<int16_t> input;
  std::vector<int32_t> initArgs;
  int buffers = 0, failBuffer = 0, deinits = 0, failAttribute = 0, attributes = 0;
};
FakeWma wfake;

int32_t WmaInit(const char* path, int32_t q, int32_t ch, int32_t bits, int32_t rate) {
  wfake.initArgs = {q, ch, bits, rate};
  std::FILE* f = std::fopen(path, "wb");
  if (f != nullptr) std::fclose(f);
  return SARVIK_OK;
}
int32_t WmaBuffer(const void* data, int32_t bytes) {
  const auto* s = static_cast<const int16_t*>(data);
  wfake.input.insert(wfake.input.end(), s, s + bytes / 2);
  return ++wfake.buffers == wfake.failBuffer ? SARVIK_ERROR_ENCODE : SARVIK_OK;
}
int32_t WmaDeInit() {
  ++wfake.deinits;
  return SARVIK_OK;
}
int32_t WmaSet(const char*, int32_t, const char*, const char*, int32_t) {
  return ++wfake.attributes == wfake.failAttribute ? TALLISK_ERROR_WRITE : TALLISK_OK;
}

TEST_F(ExportTest, WmaEncoderReceivesWidenedStereoAndIsAlwaysFinished) {
  const AudioFormat format{1, 8, 22050};
  std::string pcm(3000, '\x80');
  pcm[0] = '\x00';
  pcm[1] = '\xFF';
  auto doc = Open(format, pcm);
  const std::string target = t.FilePath("fake.wma");
  WriteFileBytes(target, "old");
  const WmaLibraryApi api{WmaInit, WmaBuffer, WmaDeInit, WmaSet};

  wfake = {};
  WmaExportJob job{&doc->work, target, t.App().RunFolder(), doc->wmaExport, [] {}};
  job.libraries = &api;
  ASSERT_EQ(EncodeToWma(job, t.progress), OP_DONE);
  EXPECT_EQ(wfake.initArgs, (std::vector<int32_t>{2, 2, 16, 22050}));
  ASSERT_EQ(wfake.input.size(), 6000u);
  EXPECT_EQ(std::vector<int16_t>(wfake.input.begin(), wfake.input.begin() + 6),
            (std::vector<int16_t>{-32768, -32768, 32512, 32512, 0, 0}));
  EXPECT_EQ(wfake.buffers, 2);  // 2048 source bytes, then the remaining 952
  EXPECT_EQ(wfake.deinits, 1);
  EXPECT_EQ(wfake.attributes, 5);

  struct Case {
    int failBuffer, failAttribute;
    const char* message;
  };
  const Case failures[] = {{2, 0, "WMAEncodeBuffer failed"},
                           {0, 4, nullptr}};  // attribute: message names the file
  for (const Case& c : failures) {
    WriteFileBytes(target, "old");
    wfake = {};
    wfake.failBuffer = c.failBuffer;
    wfake.failAttribute = c.failAttribute;
    MessageRecorder messages;
    EXPECT_EQ(EncodeToWma(job, t.progress), OP_FAILED);
    ASSERT_EQ(messages.Messages().size(), 1u);
    if (c.message != nullptr)
      EXPECT_EQ(messages.Messages()[0], c.message);
    else
      EXPECT_EQ(messages.Messages()[0].rfind("WMASetAttribute failed to store WM/Year in ", 0), 0u);
    EXPECT_EQ(wfake.deinits, 1) << "the session is ended on failure too";
    EXPECT_EQ(ReadFileBytes(target), "old");
    EXPECT_TRUE(WriteFiles(t).empty());
  }
}

}  // namespace
