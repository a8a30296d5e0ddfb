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

// The whole file and the same file cut at 60 % of its bytes.
struct DamagedCase {
  std::string name;
  std::string whole;
  std::string cut;
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
    if (platform::Library().Load("AVImport.dll") &&
        RunCommand(input + " -c:a flac " + Quote(t.FilePath("whole.flac")))) {
      cases.push_back({"cut.flac", t.FilePath("whole.flac"), ""});
    }
  }
  for (DamagedCase& c : cases) {
    const std::string bytes = ReadFileBytes(c.whole);
    c.cut = t.FilePath(c.name);
    WriteFileBytes(c.cut, bytes.substr(0, bytes.size() * 6 / 10));
  }
  return cases;
}

}  // namespace

TEST(DamagedFile, EveryFormatAsksAndOpensTheReadablePartOnlyOnYes) {
  TestApp t;
  const std::vector<DamagedCase> cases = MakeCases(t);
  ASSERT_FALSE(cases.empty());
  if (cases.size() < 3) std::printf("ffmpeg or the import library missing: WAV only\n");
  for (const DamagedCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string full;
    {
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
          EXPECT_EQ(messages.Messages().size(), 1u);
          EXPECT_TRUE(doc.importedSource.partial);
          // Closing asks before the rest of the file is lost for good.
          EXPECT_TRUE(doc.IsModified());
          // What was opened is where the question says the damage starts.
          EXPECT_EQ(question, c.name + " is damaged after " +
                                  ImportTimeText(doc.dataLength / 4, doc.sampleRate) +
                                  ". Open the part that could be read?");
          EXPECT_GT(doc.dataLength, 4u * 44100 * 4);
          EXPECT_LT(doc.dataLength, full.size() * 7 / 10);
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
  const std::string pcm(4000, '\x11');
  auto withStatedLength = [&](uint32_t length) {
    std::string file = MakeWav({2, 16, 8000}, pcm);
    for (int i = 0; i < 4; ++i) file[40 + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    return file;
  };
  const struct {
    const char* what;
    std::string file;
    uint32_t opened;
  } cases[] = {
      // Written to a pipe: the length could not be filled in afterwards.
      {"unknown length, all ones", withStatedLength(0xFFFFFFFFu), 4000},
      {"unknown length, just under 2 GB", withStatedLength(0x7FFFF000u), 4000},
      // Only part of a frame is missing, which is never kept anyway.
      {"short by less than a frame", withStatedLength(4003), 4000},
      {"exact", withStatedLength(4000), 4000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestApp t;
    WriteFileBytes(t.FilePath("in.wav"), c.file);
    MessageRecorder messages;
    CEditorDoc doc(t.App());
    ASSERT_TRUE(doc.OnOpenDocument(t.FilePath("in.wav")));
    EXPECT_EQ(doc.dataLength, c.opened);
    EXPECT_TRUE(messages.Messages().empty()) << messages.Messages().front();
    EXPECT_FALSE(doc.IsModified());
  }
}
