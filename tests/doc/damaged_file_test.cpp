// Files that break off part-way, of every kind the editor opens: one
// question naming the file and where the damage starts, the readable part
// opened only when the user agrees, and nothing left behind when not.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/damaged_part.h"
#include "engine/editor_doc.h"
#include "platform/library.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_app.h"

namespace {

std::string WorkingAudio(const CEditorDoc& doc) {
  return std::string(reinterpret_cast<const char*>(doc.work.pcmData), doc.work.pcmLength);
}

std::string Quote(const std::string& path) {
  return "'" + path + "'";
}

// Eight seconds of two tones, as 16-bit stereo at 44100 Hz.
std::string TonePcm() {
  std::string pcm;
  const int frames = 8 * 44100;
  pcm.reserve(static_cast<size_t>(frames) * 4);
  for (int i = 0; i < frames; ++i) {
    for (int channel = 0; channel < 2; ++channel) {
      const auto v = static_cast<int16_t>(((i * (channel + 3)) % 400 - 200) * 60);
      pcm.push_back(static_cast<char>(v & 0xFF));
      pcm.push_back(static_cast<char>((v >> 8) & 0xFF));
    }
  }
  return pcm;
}

// The whole file and the same file cut at 60 % of its bytes, or, for
// uncompressed samples, on a frame boundary `tailFrames` before the end
// (the frames that can be read are then known exactly).
struct DamagedCase {
  std::string name;
  std::string whole;
  std::string cut;
  int block = 0;  // bytes per frame of uncompressed samples, else 0
  size_t tailFrames = 0;
  size_t readableFrames = 0;
};

std::vector<DamagedCase> MakeCases(TestApp& t) {
  std::vector<DamagedCase> cases;
  const std::string pcm = TonePcm();
  WriteFileBytes(t.FilePath("whole.wav"), MakeWav({2, 16, 44100}, pcm));
  cases.push_back({"cut.wav", t.FilePath("whole.wav"), ""});
  if (HaveTool("ffmpeg")) {
    const std::string raw = t.FilePath("tones.raw");
    WriteFileBytes(raw, pcm);
    const std::string input = "ffmpeg -v error -y -f s16le -ar 44100 -ac 2 -i " + Quote(raw);
    if (RunCommand(input + " -c:a libmp3lame -b:a 128k " + Quote(t.FilePath("whole.mp3")))) {
      cases.push_back({"cut.mp3", t.FilePath("whole.mp3"), ""});
    }
    if (platform::Library().Load("AVImport.dll")) {
      if (RunCommand(input + " -c:a flac " + Quote(t.FilePath("whole.flac")))) {
        cases.push_back({"cut.flac", t.FilePath("whole.flac"), ""});
      }
      // Wider samples go through FFmpeg, which ends at the end of the file
      // without an error when the cut falls on a frame boundary; only the
      // header's data length tells. FFmpeg writes this 24-bit WAV without
      // a "fact" chunk, and the float one with one.
      const struct {
        const char* name;
        const char* encode;
        int block;
        size_t tailFrames;
      } wide[] = {
          {"cut24.wav", "-c:a pcm_s24le", 6, 0},       {"cutfloat.wav", "-c:a pcm_f32le", 8, 0},
          {"tailfloat.wav", "-c:a pcm_f32le", 8, 100}, {"cut6.wav", "-ac 6 -c:a pcm_s16le", 12, 0},
          {"cut24.aiff", "-c:a pcm_s24be", 6, 0},
      };
      for (const auto& w : wide) {
        const std::string whole = t.FilePath(std::string("whole-") + w.name);
        if (RunCommand(input + " " + w.encode + " " + Quote(whole))) {
          cases.push_back({w.name, whole, "", w.block, w.tailFrames});
        }
      }
    }
  }
  for (DamagedCase& c : cases) {
    const std::string bytes = ReadFileBytes(c.whole);
    size_t length = bytes.size() * 6 / 10;
    if (c.block > 0) {
      const bool aiff = c.name.ends_with(".aiff");
      const size_t chunk = bytes.find(aiff ? "SSND" : "data");
      const size_t start = chunk + (aiff ? 16 : 8);
      const size_t frames = (bytes.size() - start) / static_cast<size_t>(c.block);
      c.readableFrames = c.tailFrames > 0 ? frames - c.tailFrames : (length - start) / c.block;
      length = start + c.readableFrames * static_cast<size_t>(c.block);
    }
    c.cut = t.FilePath(c.name);
    WriteFileBytes(c.cut, bytes.substr(0, length));
  }
  return cases;
}

}  // namespace

TEST(DamagedFile, EveryFormatAsksAndOpensTheReadablePartOnlyOnYes) {
  TestApp t;
  const std::vector<DamagedCase> cases = MakeCases(t);
  ASSERT_FALSE(cases.empty());
  if (cases.size() < 8) std::printf("ffmpeg or the import library missing: WAV only\n");
  for (const DamagedCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string full;
    {
      MessageRecorder notices;  // of what was reduced, when the file is wide
      CEditorDoc whole(t.App());
      ASSERT_TRUE(whole.OnOpenDocument(c.whole));
      full = WorkingAudio(whole);
    }
    for (bool open : {false, true}) {
      SCOPED_TRACE(open ? "Yes" : "No");
      t.dialogs.openDamagedPart = open;
      const std::vector<std::string> before = t.RunFolderFiles();
      MessageRecorder messages;
      {
        CEditorDoc doc(t.App());
        EXPECT_EQ(doc.OnOpenDocument(c.cut), open);
        ASSERT_FALSE(messages.Messages().empty());
        const std::string& question = messages.Messages().front();
        EXPECT_EQ(question.rfind(c.name + " is damaged after 0:0", 0), 0u) << question;
        EXPECT_NE(question.find(". Open the part that could be read?"), std::string::npos);
        if (open) {
          // Wider and surround files add their notice of what was reduced.
          EXPECT_EQ(messages.Messages().size(), c.block > 4 ? 2u : 1u);
          EXPECT_TRUE(doc.importedSource.partial);
          // Closing asks before the rest of the file is lost for good.
          EXPECT_TRUE(doc.IsModified());
          // What was opened is where the question says the damage starts.
          EXPECT_EQ(question, c.name + " is damaged after " +
                                  ImportTimeText(doc.dataLength / 4, doc.sampleRate) +
                                  ". Open the part that could be read?");
          if (c.readableFrames > 0) {
            EXPECT_EQ(doc.dataLength, c.readableFrames * 4);
          } else {
            EXPECT_GT(doc.dataLength, 4u * 44100 * 4);
            EXPECT_LT(doc.dataLength, full.size() * 7 / 10);
          }
          // Only what decoded cleanly: the same samples as the whole file's.
          EXPECT_TRUE(WorkingAudio(doc) == full.substr(0, doc.dataLength));
        } else {
          // Declining is a cancel, reported as one.
          EXPECT_EQ(messages.Messages().back(), "User cancelled the operation.");
          EXPECT_EQ(doc.work.pcmLength, 0u);
        }
      }
      EXPECT_EQ(t.RunFolderFiles(), before);
    }
  }
}

TEST(DamagedFile, NothingReadableIsRefusedWithoutAQuestion) {
  TestApp t;
  t.dialogs.openDamagedPart = true;
  std::vector<std::pair<std::string, std::string>> cases;
  // A header stating a second of audio, and no sample of it.
  cases.push_back({"empty.wav", MakeWav({2, 16, 44100}, std::string(176400, '\0')).substr(0, 44)});
  if (HaveTool("ffmpeg") &&
      RunCommand("ffmpeg -v error -y -f lavfi -i 'sine=f=440:d=1:r=44100' -c:a libmp3lame " +
                 Quote(t.FilePath("one.mp3")))) {
    // The first frame cut short: not one frame decoded cleanly. The first
    // frame of an encoder's file is its Info frame; cut into the next one.
    const std::string bytes = ReadFileBytes(t.FilePath("one.mp3"));
    const size_t info = bytes.find("\xFF\xFB");
    const size_t second = bytes.find("\xFF\xFB", info + 4);
    ASSERT_NE(second, std::string::npos);
    cases.push_back({"stub.mp3", bytes.substr(0, second + 100)});
  }
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    WriteFileBytes(t.FilePath(name), bytes);
    const std::vector<std::string> before = t.RunFolderFiles();
    MessageRecorder messages;
    {
      CEditorDoc doc(t.App());
      EXPECT_FALSE(doc.OnOpenDocument(t.FilePath(name)));
    }
    ASSERT_FALSE(messages.Messages().empty());
    EXPECT_EQ(messages.Messages().front(), name + " is damaged: none of its audio could be read.");
    EXPECT_EQ(t.RunFolderFiles(), before);
  }
}

TEST(DamagedFile, WavLengthsThatAreNoDamageOpenWithoutAQuestion) {
  // 16-bit files are read by the editor itself, 24-bit ones through FFmpeg;
  // both follow the same rules.
  auto withStatedLength = [](int bits, const std::string& pcm, uint32_t length) {
    std::string file = MakeWav({2, static_cast<int16_t>(bits), 8000}, pcm);
    for (int i = 0; i < 4; ++i) file[40 + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    return file;
  };
  const bool wide = platform::Library().Load("AVImport.dll");
  if (!wide) std::printf("the import library is missing: 16-bit files only\n");
  for (const int bits : {16, 24}) {
    if (bits == 24 && !wide) continue;
    const int block = 2 * bits / 8;
    const std::string pcm(static_cast<size_t>(block) * 666, '\x11');
    const auto size = static_cast<uint32_t>(pcm.size());
    const uint32_t opened = 666 * 4;
    const struct {
      const char* what;
      std::string file;
    } cases[] = {
        // Written to a pipe: the length could not be filled in afterwards.
        {"unknown length, all ones", withStatedLength(bits, pcm, 0xFFFFFFFFu)},
        {"unknown length, just under 2 GB", withStatedLength(bits, pcm, 0x7FFFF000u)},
        // Only part of a frame is missing, which is never kept anyway.
        {"short by less than a frame", withStatedLength(bits, pcm, size + block - 1)},
        {"exact", withStatedLength(bits, pcm, size)},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(std::to_string(bits) + " bits, " + c.what);
      TestApp t;
      WriteFileBytes(t.FilePath("in.wav"), c.file);
      MessageRecorder messages;
      CEditorDoc doc(t.App());
      ASSERT_TRUE(doc.OnOpenDocument(t.FilePath("in.wav")));
      EXPECT_EQ(doc.dataLength, opened);
      for (const std::string& message : messages.Messages()) {
        EXPECT_EQ(message.find("damaged"), std::string::npos) << message;
      }
      EXPECT_FALSE(doc.IsModified());
    }
  }
}
