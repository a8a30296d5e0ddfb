// Opening the formats the editor has no reader of its own for, through the
// import routine: the samples against FFmpeg's own decode, the notes about
// reduced and mixed-down files, damaged files, cancel.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/editor_doc.h"
#include "platform/library.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_app.h"

namespace {

std::string WorkingAudio(const CEditorDoc& doc) {
  return std::string(reinterpret_cast<const char*>(doc.work.pcmData), doc.work.pcmLength);
}

bool ImportReady() {
  return HaveTool("ffmpeg") && platform::Library().Load("AVImport.dll");
}

// One second of two different tones at 48000 Hz, computed in doubles so that
// every format gets all the precision it can hold.
const char* const kTones = "aevalsrc=0.8*sin(2*PI*440*t)|0.6*sin(2*PI*660*t+1):s=48000:d=1";
const char* const kSurround =
    "aevalsrc=0.5*sin(2*PI*440*t)|0.4*sin(2*PI*550*t)|0.3*sin(2*PI*660*t)|0.2*sin(2*PI*110*t)|"
    "0.25*sin(2*PI*770*t)|0.35*sin(2*PI*880*t):s=44100:d=1:c=5.1";

std::string Quote(const std::string& path) {
  return "'" + path + "'";
}

// FFmpeg's decode of `path` as 16-bit samples. `roundWide` takes wide
// integer samples through doubles, whose conversion to 16 bits rounds to
// nearest (the direct one truncates).
std::string FfmpegDecode(const std::string& path, bool stereo, bool roundWide,
                         const std::string& out) {
  const std::string command = "ffmpeg -v error -y -i " + Quote(path) +
                              (roundWide ? " -af aformat=sample_fmts=dbl" : "") + " -f s16le" +
                              (stereo ? " -ac 2 " : " ") + Quote(out);
  return RunCommand(command) ? ReadFileBytes(out) : std::string("(ffmpeg failed)");
}

}  // namespace

TEST(AudioImport, DecodesEveryFormatLikeFfmpeg) {
  if (!ImportReady()) GTEST_SKIP() << "ffmpeg or the import library is missing";
  struct Case {
    const char* file;
    const char* source;
    const char* codec;  // ffmpeg output options
    AudioFormat format;
    bool roundWide;
    const char* note;  // the one message expected, "" for none
  } cases[] = {
      {"t.flac", kTones, "-c:a flac -sample_fmt s16", {2, 16, 48000}, false, ""},
      {"t24.flac",
       kTones,
       "-c:a flac -sample_fmt s32 -bits_per_raw_sample 24",
       {2, 16, 48000},
       true,
       "t24.flac is a 24-bit file; it is edited at 16 bits."},
      {"mono.flac",
       "aevalsrc=0.7*sin(2*PI*300*t):s=22050:d=1",
       "-c:a flac -sample_fmt s16",
       {1, 16, 22050},
       false,
       ""},
      {"t.ogg", kTones, "-c:a libvorbis -q:a 5", {2, 16, 48000}, false, ""},
      {"t.opus", kTones, "-c:a libopus -b:a 128k", {2, 16, 48000}, false, ""},
      {"t.m4a", kTones, "-c:a aac -b:a 128k", {2, 16, 48000}, false, ""},
      {"alac.m4a", kTones, "-c:a alac -sample_fmt s16p", {2, 16, 48000}, false, ""},
      {"t.aiff", kTones, "-c:a pcm_s16be", {2, 16, 48000}, false, ""},
      {"t.aifc",
       kTones,
       "-f aiff -c:a pcm_f32be",
       {2, 16, 48000},
       false,
       "t.aifc is a 32-bit floating-point file; it is edited at 16 bits."},
      {"t.caf",
       kTones,
       "-c:a pcm_s24le",
       {2, 16, 48000},
       true,
       "t.caf is a 24-bit file; it is edited at 16 bits."},
      // WAV files the editor's own reader refuses (ffmpeg writes those of
      // more than 16 bits as WAVE_FORMAT_EXTENSIBLE).
      {"s24.wav",
       kTones,
       "-c:a pcm_s24le",
       {2, 16, 48000},
       true,
       "s24.wav is a 24-bit file; it is edited at 16 bits."},
      {"s32.wav",
       kTones,
       "-c:a pcm_s32le",
       {2, 16, 48000},
       true,
       "s32.wav is a 32-bit file; it is edited at 16 bits."},
      {"f32.wav",
       kTones,
       "-c:a pcm_f32le",
       {2, 16, 48000},
       false,
       "f32.wav is a 32-bit floating-point file; it is edited at 16 bits."},
      {"f64.wav",
       kTones,
       "-c:a pcm_f64le",
       {2, 16, 48000},
       false,
       "f64.wav is a 64-bit floating-point file; it is edited at 16 bits."},
      {"six.wav",
       kSurround,
       "-c:a pcm_s16le",
       {2, 16, 44100},
       false,
       "six.wav has 6 channels; it is edited as stereo."},
  };
  TestApp t;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = t.FilePath(c.file);
    ASSERT_TRUE(RunCommand("ffmpeg -v error -y -f lavfi -i '" + std::string(c.source) + "' " +
                           c.codec + " " + Quote(path)));
    const std::string reference =
        FfmpegDecode(path, c.format.channels == 2, c.roundWide, t.FilePath("ref.raw"));
    MessageRecorder messages;
    CEditorDoc doc(t.App());
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_EQ(doc.Format(), c.format);
    EXPECT_EQ(doc.dataLength, reference.size());
    EXPECT_TRUE(WorkingAudio(doc) == reference) << "samples differ from ffmpeg's decode";
    const std::vector<std::string> expected =
        *c.note == '\0' ? std::vector<std::string>{} : std::vector<std::string>{c.note};
    EXPECT_EQ(messages.Messages(), expected);
  }
}

TEST(AudioImport, WideSamplesRoundToNearestAndClip) {
  if (!ImportReady()) GTEST_SKIP() << "ffmpeg or the import library is missing";
  // A hand-made 24-bit mono WAV: truncation would give 0 for 0.75 and
  // -1 for -0.25; full scale rounds past 32767 and is clipped.
  const int32_t in[] = {0x0000C0, 0x000040, -0x000040, -0x0000C0, 0x0080C0, 0x7FFFFF, -0x800000};
  const int16_t out[] = {1, 0, 0, -1, 129, 32767, -32768};
  std::string data;
  for (int32_t v : in) {
    for (int i = 0; i < 3; ++i) data.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  }
  const std::string wav = MakeWav({1, 24, 8000}, data);
  TestApp t;
  const std::string path = t.FilePath("fixture.wav");
  WriteFileBytes(path, wav);
  MessageRecorder messages;
  CEditorDoc doc(t.App());
  ASSERT_TRUE(doc.OnOpenDocument(path));
  ASSERT_EQ(doc.Format(), (AudioFormat{1, 16, 8000}));
  ASSERT_EQ(doc.dataLength, sizeof out);
  const auto* samples = reinterpret_cast<const int16_t*>(doc.work.pcmData);
  for (size_t i = 0; i < std::size(out); ++i) EXPECT_EQ(samples[i], out[i]) << "sample " << i;
}

TEST(AudioImport, DamagedFileOpensItsReadablePartOnlyWhenAsked) {
  if (!ImportReady()) GTEST_SKIP() << "ffmpeg or the import library is missing";
  TestApp t;
  const std::string whole = t.FilePath("whole.flac");
  ASSERT_TRUE(RunCommand(
      "ffmpeg -v error -f lavfi -i 'aevalsrc=0.5*sin(2*PI*440*t)|0.5*sin(2*PI*550*t):s=44100:d=8' "
      "-c:a flac -sample_fmt s16 " +
      Quote(whole)));
  const std::string bytes = ReadFileBytes(whole);
  const std::string cut = t.FilePath("cut.flac");
  WriteFileBytes(cut, bytes.substr(0, bytes.size() * 6 / 10));
  const std::string full = FfmpegDecode(whole, true, false, t.FilePath("ref.raw"));

  for (bool open : {false, true}) {
    SCOPED_TRACE(open);
    t.dialogs.openDamagedPart = open;
    MessageRecorder messages;
    CEditorDoc doc(t.App());
    EXPECT_EQ(doc.OnOpenDocument(cut), open);
    ASSERT_FALSE(messages.Messages().empty());
    EXPECT_EQ(messages.Messages().front(),
              "cut.flac is damaged after 0:04. Open the part that could be read?");
    // Declining is a cancel, which the runner reports as one.
    const size_t count = open ? 1 : 2;
    EXPECT_EQ(messages.Messages().size(), count) << testing::PrintToString(messages.Messages());
    if (open) {
      EXPECT_TRUE(doc.importedSource.partial);
      ASSERT_GT(doc.dataLength, 4u * 44100 * 4);
      ASSERT_LT(doc.dataLength, full.size());
      EXPECT_TRUE(WorkingAudio(doc) == full.substr(0, doc.dataLength));
    }
  }
}

TEST(AudioImport, UnreadableFilesGiveOneClearMessage) {
  if (!ImportReady()) GTEST_SKIP() << "ffmpeg or the import library is missing";
  TestApp t;
  struct Case {
    const char* file;
    std::string bytes;
    const char* message;
  } cases[] = {
      {"empty.ogg", "", "empty.ogg is not an audio file the editor can read"},
      {"noise.flac", std::string(5000, '\x37'), "noise.flac holds no audio"},
      {"text.opus", "just some words in a text file\n", "text.opus is not an audio file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    WriteFileBytes(t.FilePath(c.file), c.bytes);
    MessageRecorder messages;
    {
      CEditorDoc doc(t.App());
      EXPECT_FALSE(doc.OnOpenDocument(t.FilePath(c.file)));
    }
    // The first message is what the user sees: the window and the batch tool
    // report one failure once.
    ASSERT_FALSE(messages.Messages().empty());
    EXPECT_EQ(messages.Messages()[0].rfind(c.message, 0), 0u) << messages.Messages()[0];
    EXPECT_EQ(messages.Messages().back(), "Failed to import audio file");
  }
}

TEST(AudioImport, CancelLeavesNoDocument) {
  if (!ImportReady()) GTEST_SKIP() << "ffmpeg or the import library is missing";
  TestApp t;
  const std::string path = t.FilePath("long.flac");
  ASSERT_TRUE(
      RunCommand("ffmpeg -v error -f lavfi -i 'sine=f=440:d=20:r=44100' -c:a flac " + Quote(path)));
  t.progress.CancelAtStep(5);
  MessageRecorder messages;
  const std::vector<std::string> before = t.RunFolderFiles();
  {
    CEditorDoc doc(t.App());
    EXPECT_FALSE(doc.OnOpenDocument(path));
    EXPECT_EQ(doc.work.pcmLength, 0u);
  }
  EXPECT_EQ(messages.Messages(), std::vector<std::string>{"User cancelled the operation."});
  EXPECT_EQ(t.RunFolderFiles(), before);
}
