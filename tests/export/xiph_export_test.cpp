// FLAC, Ogg Vorbis and Opus exports end to end: saved through the export
// library, opened again through the import library, checked against the
// document and with ffprobe; the refusals and the cancel leave nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/save_document.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "platform/library.h"
#include "tests/support/message_recorder.h"
#include "tests/support/test_app.h"

namespace fs = std::filesystem;

namespace {

// Two tones with a little noise, so that nothing compresses to nothing.
std::string Music(const AudioFormat& format, int frames) {
  std::string pcm;
  uint32_t noise = 12345;
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < format.channels; ++c) {
      noise = noise * 1103515245u + 12345u;
      const double hz = c == 0 ? 440.0 : 660.0;
      const double v = 0.4 * std::sin(2 * M_PI * hz * i / format.sampleRate) +
                       0.01 * (static_cast<int>((noise >> 16) & 0xFF) - 128) / 128.0;
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

std::vector<int16_t> Samples(const std::string& pcm) {
  std::vector<int16_t> out(pcm.size() / 2);
  std::memcpy(out.data(), pcm.data(), out.size() * 2);
  return out;
}

double Correlation(const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
  const size_t n = std::min(a.size(), b.size());
  double ab = 0, aa = 0, bb = 0;
  for (size_t i = 0; i < n; ++i) {
    ab += double{a[i]} * b[i];
    aa += double{a[i]} * a[i];
    bb += double{b[i]} * b[i];
  }
  return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

std::string WorkingAudio(const CEditorDoc& doc) {
  return std::string(reinterpret_cast<const char*>(doc.work.pcmData), doc.work.pcmLength);
}

std::string Probe(const std::string& path, const std::string& entries) {
  std::string out;
  FILE* pipe = ::popen(
      ("ffprobe -v error -show_entries " + entries + " -of default=nw=1 '" + path + "'").c_str(),
      "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

// 16-bit samples of `channels` at 48000 Hz brought back to `rate` with
// FFmpeg's resampler, so that an Opus file can be held against the document
// it was made from; empty when FFmpeg is missing or fails.
std::vector<int16_t> ResampledFrom48k(const std::string& pcm, int channels, int32_t rate,
                                      const std::string& folder) {
  const std::string in = folder + "/opus48k.raw", out = folder + "/resampled.raw";
  WriteFileBytes(in, pcm);
  const std::string format = " -f s16le -ac " + std::to_string(channels);
  if (!RunCommand("ffmpeg -v error -y" + format + " -ar 48000 -i '" + in + "'" + format + " -ar " +
                  std::to_string(rate) + " '" + out + "'")) {
    return {};
  }
  return Samples(ReadFileBytes(out));
}

class XiphExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!platform::Library().Load("AVExport.dll") || !platform::Library().Load("AVImport.dll")) {
      GTEST_SKIP() << "the export and import libraries are not built";
    }
  }

  std::unique_ptr<CEditorDoc> Open(const AudioFormat& format, const std::string& pcm) {
    const std::string wav = t.FilePath("in.wav");
    WriteFileBytes(wav, MakeWav(format, pcm));
    auto doc = std::make_unique<CEditorDoc>(t.App());
    EXPECT_TRUE(doc->OnOpenDocument(wav));
    return doc;
  }

  std::unique_ptr<CEditorDoc> Reopen(const std::string& path) {
    auto doc = std::make_unique<CEditorDoc>(t.App());
    EXPECT_TRUE(doc->OnOpenDocument(path)) << path;
    return doc;
  }

  std::vector<std::string> WriteFiles() const {
    std::vector<std::string> names;
    for (const std::string& name : t.RunFolderFiles()) {
      if (name.find("_write_") != std::string::npos) names.push_back(name);
    }
    return names;
  }

  TestApp t;
};

TEST_F(XiphExportTest, FlacRoundTripIsBitExact) {
  const AudioFormat formats[] = {{2, 16, 44100}, {1, 16, 22050}, {2, 16, 96000}, {2, 8, 8000}};
  for (const AudioFormat& format : formats) {
    SCOPED_TRACE(testing::Message() << format.channels << "ch " << format.bitsPerSample << "bit "
                                    << format.sampleRate);
    auto doc = Open(format, Music(format, format.sampleRate / 2 + 7));
    const std::string flac = t.FilePath("out.flac");
    ASSERT_TRUE(SaveDocumentAs(*doc, flac).saved);
    EXPECT_EQ(t.progress.captions.back(), "Encoding FLAC File");
    auto again = Reopen(flac);
    if (format.bitsPerSample == 16) {
      EXPECT_EQ(again->Format(), format);
      EXPECT_TRUE(WorkingAudio(*again) == WorkingAudio(*doc)) << "samples changed";
    } else {
      // 8-bit audio is saved widened to 16 bits: each sample moved up 8 bits.
      EXPECT_EQ(again->Format(), (AudioFormat{format.channels, 16, format.sampleRate}));
      const std::string narrow = WorkingAudio(*doc);
      const std::vector<int16_t> wide = Samples(WorkingAudio(*again));
      ASSERT_EQ(wide.size(), narrow.size());
      for (size_t i = 0; i < wide.size(); ++i) {
        ASSERT_EQ(wide[i], (static_cast<uint8_t>(narrow[i]) - 128) * 256) << i;
      }
    }
  }
  EXPECT_TRUE(WriteFiles().empty());
}

TEST_F(XiphExportTest, TagsBecomeVorbisComments) {
  if (!HaveTool("ffprobe")) GTEST_SKIP() << "ffprobe needed";
  const AudioFormat format{2, 16, 44100};
  auto doc = Open(format, Music(format, 20000));
  doc->mp3Export.title = "Title";
  doc->mp3Export.artist = "Artist";
  doc->mp3Export.album = "Album";
  doc->mp3Export.year = "2024";
  doc->mp3Export.comment = "Note";
  doc->mp3Export.genre = 17;  // Rock
  for (const char* name : {"tags.flac", "tags.ogg", "tags.opus"}) {
    SCOPED_TRACE(name);
    const std::string path = t.FilePath(name);
    ASSERT_TRUE(SaveDocumentAs(*doc, path).saved);
    std::string tags = Probe(path, "format_tags:stream_tags");
    for (char& c : tags) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* expected : {"title=title", "artist=artist", "album=album", "date=2024",
                                 "comment=note", "genre=rock"}) {
      EXPECT_NE(tags.find(expected), std::string::npos) << expected << " in\n" << tags;
    }
  }
}

// Vorbis keeps the length exactly; Opus is always 48000 Hz and may differ by
// its pre-skip (312 frames) and the resampler's last frames. An Opus file
// made from another rate is brought back to that rate before it is compared,
// so its samples must still be where the document's were.
TEST_F(XiphExportTest, LossyRoundTripsKeepLengthAndShape) {
  struct Case {
    const char* file;
    AudioFormat format;
    int32_t openedRate;
    int64_t slack;
  } cases[] = {
      {"v.ogg", {2, 16, 44100}, 44100, 0},       {"v22.ogg", {1, 16, 22050}, 22050, 0},
      {"o.opus", {2, 16, 48000}, 48000, 312},    {"o44.opus", {2, 16, 44100}, 48000, 312},
      {"o44m.opus", {1, 16, 44100}, 48000, 312}, {"o22.opus", {2, 16, 22050}, 48000, 312},
      {"o22m.opus", {1, 16, 22050}, 48000, 312}, {"o8.opus", {2, 16, 8000}, 48000, 312},
      {"o8m.opus", {1, 16, 8000}, 48000, 312},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const int frames = c.format.sampleRate;
    auto doc = Open(c.format, Music(c.format, frames));
    const std::string path = t.FilePath(c.file);
    ASSERT_TRUE(SaveDocumentAs(*doc, path).saved);
    auto again = Reopen(path);
    EXPECT_EQ(again->Format(), (AudioFormat{c.format.channels, 16, c.openedRate}));
    const int64_t expected = int64_t{frames} * c.openedRate / c.format.sampleRate;
    const int64_t got = again->dataLength / (2 * c.format.channels);
    EXPECT_LE(std::llabs(got - expected), c.slack) << got << " frames, expected " << expected;
    const std::vector<int16_t> source = Samples(WorkingAudio(*doc));
    if (c.openedRate == c.format.sampleRate) {
      EXPECT_GT(Correlation(source, Samples(WorkingAudio(*again))), 0.99);
    } else if (HaveTool("ffmpeg")) {
      const std::vector<int16_t> back = ResampledFrom48k(WorkingAudio(*again), c.format.channels,
                                                         c.format.sampleRate, t.FilePath(""));
      ASSERT_FALSE(back.empty()) << "ffmpeg could not resample the decoded file";
      EXPECT_LE(std::llabs(static_cast<int64_t>(back.size() / c.format.channels) - frames),
                c.slack);
      EXPECT_GT(Correlation(source, back), 0.99);
    }
  }
  EXPECT_TRUE(WriteFiles().empty());
}

TEST_F(XiphExportTest, UnsavableExtensionWritesNothing) {
  const AudioFormat format{2, 16, 44100};
  auto doc = Open(format, Music(format, 1000));
  MessageRecorder messages;
  for (const char* name : {"song.xyz", "song.m4a", "song.aiff"}) {
    SCOPED_TRACE(name);
    messages.Clear();
    const SaveResult result = SaveDocumentAs(*doc, t.FilePath(name));
    EXPECT_FALSE(result.saved);
    EXPECT_EQ(result.writer, OpCode{});
    EXPECT_FALSE(fs::exists(t.FilePath(name)));
    const std::string extension = std::string(name).substr(4);
    EXPECT_EQ(messages.Messages(),
              std::vector<std::string>{"Sorry, " + std::string(name) +
                                       " has an extension the editor cannot save (" + extension +
                                       "). Use .wav, .flac, .ogg, .opus, .mp3, .wma or .pcm."});
  }
  EXPECT_EQ(doc->Path(), t.FilePath("in.wav"));
  EXPECT_TRUE(WriteFiles().empty());
}

TEST_F(XiphExportTest, CancelAndFailureLeaveTheTargetAndNoTemporaryFile) {
  const AudioFormat format{2, 16, 44100};
  auto doc = Open(format, Music(format, 300000));
  for (const char* name : {"c.flac", "c.ogg", "c.opus"}) {
    SCOPED_TRACE(name);
    const std::string target = t.FilePath(name);
    WriteFileBytes(target, "old contents");
    MessageRecorder messages;
    t.progress.CancelAtStep(3);
    EXPECT_FALSE(SaveDocumentAs(*doc, target).saved);
    t.progress.CancelAtStep(0);
    EXPECT_EQ(ReadFileBytes(target), "old contents");
    EXPECT_TRUE(WriteFiles().empty());

    // A folder that does not exist: the file is written in the run folder
    // and cannot be moved there.
    const std::string nowhere = t.FilePath("missing/") + name;
    EXPECT_FALSE(SaveDocumentAs(*doc, nowhere).saved);
    EXPECT_FALSE(fs::exists(nowhere));
    EXPECT_TRUE(WriteFiles().empty());
    EXPECT_EQ(doc->Path(), t.FilePath("in.wav"));
  }
}

}  // namespace
