#include "engine/editor_doc.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "engine/op_codes.h"
#include "engine/peak_file.h"
#include "platform/library.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scripted_progress.h"
#include "tests/support/test_app.h"

namespace fs = std::filesystem;

namespace {

// The shared slots' files, which live as long as the application.
const std::vector<std::string> kSharedFiles = {
    "clip_0.pcm",   "clip_0.pek",   "temp_a_0.pcm", "temp_a_0.pek", "temp_b_0.pcm",
    "temp_b_0.pek", "temp_c_0.pcm", "temp_c_0.pek", "temp_d_0.pcm", "temp_d_0.pek"};

std::string Ramp(size_t length) {
  std::string pcm(length, '\0');
  for (size_t i = 0; i < length; ++i) pcm[i] = static_cast<char>(i * 13 + 5);
  return pcm;
}

std::string WorkingAudio(const CEditorDoc& doc) {
  return std::string(reinterpret_cast<const char*>(doc.work.pcmData), doc.work.pcmLength);
}

}  // namespace

TEST(AudioFileKind, ChoosesByThreeLetterExtension) {
  const std::pair<const char*, const char*> cases[] = {
      {"song.wav", "WAV"},
      {"song.WAV", "WAV"},
      {"a/b.Mp3", "MP3"},
      {"x.wma", "WMA"},
      {"x.pcm", "PCM"},
      {"x.raw", "PCM"},
      {"song.wave", ""},
      {"noextension", ""},
      {".wav", "WAV"},
      {"abc", ""},
      {"dir.d/file", ""},
      // The formats the import routine opens, by extensions of any length.
      {"a.flac", "AUDIO"},
      {"b.OGG", "AUDIO"},
      {"c.opus", "AUDIO"},
      {"d.m4a", "AUDIO"},
      {"e.aiff", "AUDIO"},
      {"f.aif", "AUDIO"},
      {"g.caf", "AUDIO"},
      {"dir.flac/file", ""},
  };
  for (const auto& [path, kind] : cases) EXPECT_EQ(AudioFileKind(path), kind) << path;
}

TEST(Document, ConstructionReservesSlotsAndDestructionRemovesThem) {
  TestApp t;
  {
    CEditorDoc first(t.App());
    CEditorDoc second(t.App());
    EXPECT_EQ(fs::path(second.work.pcmPath).filename(), "work_1.pcm");
    EXPECT_EQ(fs::path(second.undo[3].slot.pcmPath).filename(), "undo_3_1.pcm");
    EXPECT_EQ(t.App().DocumentCount(), 2);
    EXPECT_EQ(t.App().ActiveDocument(), &second);
  }
  EXPECT_EQ(t.RunFolderFiles(), kSharedFiles);
  EXPECT_EQ(t.App().DocumentCount(), 0);
  EXPECT_EQ(t.App().ActiveDocument(), nullptr);
}

TEST(Document, NewDocumentTakesTheChosenFormatAndHoldsNoAudio) {
  TestApp t;
  CEditorDoc doc(t.App());
  t.dialogs.newFileFormat = {1, 8, 22050};
  ASSERT_TRUE(doc.OnNewDocument());
  EXPECT_EQ(doc.Format(), (AudioFormat{1, 8, 22050}));
  EXPECT_EQ(doc.work.Format(), doc.Format());
  EXPECT_EQ(doc.dataLength, 0u);
  EXPECT_EQ(doc.peakLength, 0u);
  EXPECT_EQ(doc.hasAudio, 0);
  EXPECT_EQ(doc.blockAlign, 1);
  EXPECT_EQ(doc.bytesPerSecond, 22050);

  CEditorDoc refused(t.App());
  t.dialogs.acceptNewFile = false;
  EXPECT_FALSE(refused.OnNewDocument());

  // A format no recording has is refused before any byte rate is computed.
  MessageRecorder messages;
  t.dialogs.acceptNewFile = true;
  t.dialogs.newFileFormat = {2, 16, 768001};
  CEditorDoc tooFast(t.App());
  EXPECT_FALSE(tooFast.OnNewDocument());
  EXPECT_EQ(messages.Messages(),
            std::vector<std::string>{"Sorry, a new file must be mono or stereo, 8 or 16 bits, at a "
                                     "sample rate of 1 to 768000 Hz."});
}

TEST(Document, OpensWavIntoAMappedWorkingCopyWithPeaks) {
  TestApp t;
  std::vector<std::string> formatTexts;
  t.App().SetPanelHooks({[&](const std::string& a, const std::string& b, const std::string& c) {
                           formatTexts = {a, b, c};
                         },
                         {}});
  const std::string pcm = Ramp(100000);
  WriteFileBytes(t.FilePath("song.WAV"), MakeWav({2, 16, 44100}, pcm));
  CEditorDoc doc(t.App());
  MessageRecorder messages;
  ASSERT_TRUE(doc.OnOpenDocument(t.FilePath("song.WAV")));
  EXPECT_TRUE(messages.Messages().empty());
  EXPECT_EQ(WorkingAudio(doc), pcm);
  EXPECT_EQ(doc.dataLength, 100000u);
  EXPECT_EQ(doc.peakLength, 3124u);
  EXPECT_NE(doc.work.peakData, nullptr);
  EXPECT_EQ(doc.View().End(), 100000u);
  EXPECT_EQ(doc.View().PeakEnd(), 3124u);
  EXPECT_EQ(doc.Selection().End(), 0u);
  EXPECT_EQ(doc.hasAudio, 1);
  EXPECT_EQ(doc.blockAlign, 4);
  EXPECT_EQ(doc.bytesPerSecond, 176400);
  EXPECT_EQ(doc.sourceDataOffset, 44u);
  EXPECT_EQ(t.App().OperationInProgress(), 0);
  EXPECT_EQ(formatTexts, (std::vector<std::string>{"44100 Hz", "Stereo", "16 Bit"}));
  EXPECT_EQ(t.progress.codes, (std::vector<OpCode>{OP_WORKING_FILE, OP_PEAK_FILE}));
}

TEST(Document, ShortOrRaggedWavDataKeepsWhatIsThereInWholeFrames) {
  struct Case {
    const char* what;
    std::string file;
    uint32_t length;
  };
  const std::string pcm = Ramp(1000);
  std::string promisesMore = MakeWav({2, 16, 8000}, pcm);
  promisesMore.replace(40, 4, std::string("\x00\x00\x10\x00", 4));  // 1 MiB promised
  const Case cases[] = {
      {"header promises more than the file holds", promisesMore, 1000},
      {"data length not a whole number of frames", MakeWav({2, 16, 8000}, pcm.substr(0, 998)), 996},
      {"huge data length, tiny file",
       MakeWav({1, 8, 8000}, "").substr(0, 40) + "\xf0\xff\xff\xff" + "abc", 3},
      {"8-bit mono over several entries", MakeWav({1, 8, 8000}, pcm.substr(0, 999)), 999},
  };
  for (const auto& c : cases) {
    TestApp t;
    // A file shorter than its header says is damaged: its part is kept when
    // the user agrees.
    t.dialogs.openDamagedPart = true;
    WriteFileBytes(t.FilePath("in.wav"), c.file);
    CEditorDoc doc(t.App());
    ASSERT_TRUE(doc.OnOpenDocument(t.FilePath("in.wav"))) << c.what;
    EXPECT_EQ(doc.dataLength, c.length) << c.what;
    EXPECT_EQ(doc.work.pcmLength, c.length) << c.what;
    EXPECT_EQ(fs::file_size(doc.work.pcmPath), c.length) << c.what;
    // The waveform made during the copy is the one a rebuild from the kept
    // frames gives.
    const std::string peaks(reinterpret_cast<const char*>(doc.work.peakData), doc.peakLength);
    ASSERT_EQ(CloseMemMapFile(&doc.work, PEAK_PART), OP_DONE);
    ScriptedProgress rebuild;
    ASSERT_EQ(DrawPeakFile(&doc.work, rebuild), OP_DONE);
    EXPECT_EQ(ReadFileBytes(doc.work.peakPath), peaks) << c.what;
  }
}

TEST(Document, RawPcmTakesTheImportDialogsFormat) {
  TestApp t;
  const std::string pcm = Ramp(3000);
  WriteFileBytes(t.FilePath("take.raw"), pcm);
  WriteFileBytes(t.FilePath("noextension"), pcm);
  t.App().PcmImport() = {1, 8000, 8};
  for (const char* name : {"take.raw", "noextension"}) {
    CEditorDoc doc(t.App());
    ASSERT_TRUE(doc.OnOpenDocument(t.FilePath(name))) << name;
    EXPECT_EQ(doc.Format(), (AudioFormat{1, 8, 8000}));
    EXPECT_EQ(WorkingAudio(doc), pcm);
    EXPECT_EQ(doc.sourceDataOffset, 0u);
  }

  // Cancelling the dialog abandons the open quietly: nothing was running.
  MessageRecorder messages;
  t.dialogs.acceptPcmImport = false;
  t.progress.codes.clear();
  CEditorDoc cancelled(t.App());
  EXPECT_FALSE(cancelled.OnOpenDocument(t.FilePath("take.raw")));
  EXPECT_TRUE(messages.Messages().empty());
  EXPECT_TRUE(t.progress.codes.empty());
  EXPECT_EQ(t.App().OperationInProgress(), 0);
}

TEST(Document, BrokenFilesAreRefusedWithTheirMessagesAndLeaveNothingBehind) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::string> messages;
    int32_t pcmRate = 0;  // the import dialog's rate, for raw PCM
  };
  const Case cases[] = {
      {"empty.wav", "", {"Wave file missing RIFF section.", "Wave Header Invalid"}},
      {"truncated.wav", "RIFF\x10", {"Wave file missing WAVE section.", "Wave Header Invalid"}},
      {"nochannels.wav", MakeWav({0, 16, 8000}, "abcd"), {"Wave Header Invalid"}},
      // Fields whose byte rate would pass 32 bits, or rates outside 1 to
      // 768000 Hz, are refused before anything is computed from them.
      {"fastrate.wav", MakeWav({2, 16, 600000000}, "abcd"), {"Wave Header Invalid"}},
      {"negative.wav", MakeWav({-32768, 16, 600000000}, "abcd"), {"Wave Header Invalid"}},
      {"widest.wav", MakeWav({32767, 32767, 768000}, "abcd"), {"Wave Header Invalid"}},
      {"rate0.wav", MakeWav({2, 16, 0}, "abcd"), {"Wave Header Invalid"}},
      {"ratejustover.wav", MakeWav({1, 8, 768001}, "abcd"), {"Wave Header Invalid"}},
      {"garbage.mp3",
       std::string(5000, '\x5a'),
       {"No MPEG audio frames were found in ", "OEC: Operation failed",
        "Failed to import MP3 file"}},
      {"rate0.pcm",
       "abcd",
       {"Sorry, a sample rate of 0 Hz cannot be imported.", "OEC: Operation failed",
        "Failed to import PCM file"}},
      {"ratetyped.pcm",
       "abcd",
       {"Sorry, a sample rate of 999999999 Hz cannot be imported.", "OEC: Operation failed",
        "Failed to import PCM file"},
       999999999},
  };
  for (const auto& c : cases) {
    TestApp t;
    t.App().PcmImport().sampleRate = c.pcmRate;
    const std::string path = t.FilePath(c.name);
    WriteFileBytes(path, c.bytes);
    MessageRecorder messages;
    {
      CEditorDoc doc(t.App());
      EXPECT_FALSE(doc.OnOpenDocument(path)) << c.name;
      EXPECT_EQ(t.App().OperationInProgress(), 0) << c.name;
    }
    ASSERT_EQ(messages.Messages().size(), c.messages.size()) << c.name;
    for (size_t i = 0; i < c.messages.size(); ++i) {
      EXPECT_EQ(messages.Messages()[i].substr(0, c.messages[i].size()), c.messages[i]) << c.name;
    }
    EXPECT_EQ(ReadFileBytes(path), c.bytes) << c.name;
    EXPECT_EQ(t.RunFolderFiles(), kSharedFiles) << c.name;
  }
}

TEST(Document, RatesAtTheLimitsOpenWithTheirByteRate) {
  const std::pair<AudioFormat, int64_t> cases[] = {
      {{1, 8, 1}, 1},
      {{2, 16, 768000}, 3072000},
      {{16383, 16, 768000}, int64_t{32766} * 768000},  // the widest frame at the top rate
  };
  for (const auto& [format, rate] : cases) {
    TestApp t;
    WriteFileBytes(t.FilePath("in.wav"), MakeWav(format, std::string(65532, '\x11')));
    CEditorDoc doc(t.App());
    ASSERT_TRUE(doc.OnOpenDocument(t.FilePath("in.wav"))) << format.sampleRate;
    EXPECT_EQ(doc.bytesPerSecond, rate);
  }
}

TEST(Document, FilesOf4GBOrMoreAreRefused) {
  TestApp t;
  const std::string path = t.FilePath("huge.pcm");
  WriteFileBytes(path, "");
  fs::resize_file(path, (uint64_t{1} << 32) + 4);  // sparse: takes no disk space
  MessageRecorder messages;
  CEditorDoc doc(t.App());
  EXPECT_FALSE(doc.OnOpenDocument(path));
  ASSERT_FALSE(messages.Messages().empty());
  EXPECT_EQ(messages.Messages()[0],
            path + " is too large: files of 4 GB or more cannot be edited.");
}

TEST(Document, SavesAsWavAndPcmToItsPath) {
  TestApp t;
  const std::string pcm = Ramp(5000);
  WriteFileBytes(t.FilePath("in.wav"), MakeWav({1, 16, 11025}, pcm));
  CEditorDoc doc(t.App());
  ASSERT_TRUE(doc.OnOpenDocument(t.FilePath("in.wav")));
  doc.SetPath(t.FilePath("out.wav"));
  ASSERT_EQ(doc.DocRunOperation(WRITE_WAVE_FILE), OP_DONE);
  EXPECT_EQ(doc.LastResult(), OP_DONE);
  EXPECT_EQ(ReadFileBytes(t.FilePath("out.wav")), MakeWav({1, 16, 11025}, pcm));
  doc.SetPath(t.FilePath("out.pcm"));
  ASSERT_EQ(doc.DocRunOperation(WRITE_PCM_FILE), OP_DONE);
  EXPECT_EQ(ReadFileBytes(t.FilePath("out.pcm")), pcm);
  EXPECT_EQ(t.RunFolderFiles().size(), kSharedFiles.size() + 18);  // no writer leftovers
}

TEST(Document, Mp3ImportDecodesAndTakesTheId3v1Tag) {
  if (!HaveTool("sox") || !HaveTool("lame")) GTEST_SKIP() << "sox and lame are needed";
  TestApp t;
  const std::string wav = t.FilePath("tone.wav");
  const std::string tagged = t.FilePath("tagged.mp3");
  const std::string plain = t.FilePath("plain.mp3");
  ASSERT_TRUE(RunCommand("sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth 2 sine 440"));
  ASSERT_TRUE(
      RunCommand("lame --quiet -b 128 --id3v1-only --tt 'A Title' --ta Artist --tl Album "
                 "--ty 1999 --tc Remark --tg 13 '" +
                 wav + "' '" + tagged + "'"));
  ASSERT_TRUE(RunCommand("lame --quiet -b 128 '" + wav + "' '" + plain + "'"));

  CEditorDoc doc(t.App());
  ASSERT_TRUE(doc.OnOpenDocument(tagged));
  EXPECT_EQ(doc.Format(), (AudioFormat{2, 16, 44100}));
  EXPECT_EQ(doc.dataLength, 2 * 44100u * 4);  // the WAV's length: no encoder delay or padding
  EXPECT_EQ(doc.mp3Export.title, "A Title");
  EXPECT_EQ(doc.mp3Export.artist, "Artist");
  EXPECT_EQ(doc.mp3Export.album, "Album");
  EXPECT_EQ(doc.mp3Export.year, "1999");
  EXPECT_EQ(doc.mp3Export.comment, "Remark");
  EXPECT_EQ(doc.mp3Export.genre, 13);

  // The waveform summarised while decoding is the one the decoded audio
  // gives when opened as a WAV.
  doc.SetPath(t.FilePath("decoded.wav"));
  ASSERT_EQ(doc.DocRunOperation(WRITE_WAVE_FILE), OP_DONE);
  CEditorDoc decoded(t.App());
  ASSERT_TRUE(decoded.OnOpenDocument(t.FilePath("decoded.wav")));
  EXPECT_GT(doc.peakLength, 0u);
  EXPECT_EQ(doc.peakLength, decoded.peakLength);
  EXPECT_EQ(ReadFileBytes(doc.work.peakPath), ReadFileBytes(decoded.work.peakPath));

  // A long file's second half decodes on a second thread, and reaches the
  // waveform in its place too.
  t.App().Mp3Import().UseSecondThread(true, 0);
  CEditorDoc twoThreads(t.App());
  ASSERT_TRUE(twoThreads.OnOpenDocument(tagged));
  EXPECT_TRUE(t.App().Mp3Import().Parameters().secondHalfJoined);
  EXPECT_EQ(ReadFileBytes(twoThreads.work.pcmPath), ReadFileBytes(doc.work.pcmPath));
  EXPECT_EQ(ReadFileBytes(twoThreads.work.peakPath), ReadFileBytes(decoded.work.peakPath));

  // Without a tag the export fields stay as they were.
  CEditorDoc untagged(t.App());
  untagged.mp3Export.title = "kept";
  ASSERT_TRUE(untagged.OnOpenDocument(plain));
  EXPECT_EQ(untagged.mp3Export.title, "kept");
  EXPECT_EQ(untagged.mp3Export.genre, 255);
}

TEST(Document, WmaImportDecodesAndReadsTheAttributes) {
  if (!HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg is needed";
  if (!platform::Library().Load("Ombrin.dll")) GTEST_SKIP() << "the WMA libraries are not built";
  TestApp t;
  const std::string wma = t.FilePath("song.wma");
  const std::string raw = t.FilePath("song.raw");
  ASSERT_TRUE(
      RunCommand("ffmpeg -v error -f lavfi -i sine=f=440:d=1 -ac 2 -ar 22050 -c:a wmav2 "
                 "-metadata title=Title -metadata artist=Artist -metadata album=Album "
                 "-metadata date=2001 -metadata genre=Jazz '" +
                 wma + "'"));
  ASSERT_TRUE(
      RunCommand("ffmpeg -v error -i '" + wma + "' -f s16le -acodec pcm_s16le '" + raw + "'"));
  CEditorDoc doc(t.App());
  ASSERT_TRUE(doc.OnOpenDocument(wma));
  EXPECT_EQ(doc.Format(), (AudioFormat{2, 16, 22050}));
  EXPECT_EQ(WorkingAudio(doc), ReadFileBytes(raw));
  EXPECT_EQ(doc.wmaExport.title, "Title");
  EXPECT_EQ(doc.wmaExport.author, "Artist");
  EXPECT_EQ(doc.wmaExport.album, "Album");
  EXPECT_EQ(doc.wmaExport.year, "2001");
  EXPECT_EQ(doc.wmaExport.genre, "Jazz");  // stored as WM/Genre: the fallback finds it
}

TEST(Document, UndecodableWmaIsRefused) {
  if (!platform::Library().Load("Ombrin.dll")) GTEST_SKIP() << "the WMA libraries are not built";
  TestApp t;
  const std::string path = t.FilePath("noise.wma");
  WriteFileBytes(path, std::string(3000, '\x42'));
  MessageRecorder messages;
  {
    CEditorDoc doc(t.App());
    EXPECT_FALSE(doc.OnOpenDocument(path));
  }
  ASSERT_GE(messages.Messages().size(), 2u);
  EXPECT_EQ(messages.Messages()[messages.Messages().size() - 3], "Invalid WMA File");
  EXPECT_EQ(messages.Messages().back(), "Failed to import WMA file");
  EXPECT_EQ(t.RunFolderFiles(), kSharedFiles);
}
