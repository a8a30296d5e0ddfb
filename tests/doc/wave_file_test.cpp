#include "engine/wave_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "engine/op_codes.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scripted_progress.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_app.h"

namespace fs = std::filesystem;

namespace {

std::string Le32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
  return s;
}

// A RIFF/WAVE file with an 18-byte format chunk and the data chunk behind it,
// which puts "data" at offset 38, off the 4-byte grid searched from 36.
std::string EighteenByteFormatWav(const std::string& pcm) {
  std::string f = "RIFF" + Le32(static_cast<uint32_t>(46 + pcm.size() - 8)) + "WAVEfmt " + Le32(18);
  f += std::string("\x01\x00\x02\x00", 4) + Le32(8000) + Le32(32000) +
       std::string("\x04\x00\x10\x00\x00\x00", 6);
  return f + "data" + Le32(static_cast<uint32_t>(pcm.size())) + pcm;
}

// Offset and length of the "data" chunk found by walking the chunks.
bool WalkChunks(const std::string& bytes, uint32_t* offset, uint32_t* length) {
  size_t pos = 12;
  while (pos + 8 <= bytes.size()) {
    uint32_t size;
    std::memcpy(&size, bytes.data() + pos + 4, 4);
    if (bytes.compare(pos, 4, "data") == 0) {
      *offset = static_cast<uint32_t>(pos + 8);
      *length = size;
      return true;
    }
    pos += 8 + size + (size & 1);
  }
  return false;
}

}  // namespace

TEST(WaveHeader, HeaderRulesFindTheSamples) {
  struct Case {
    const char* what;
    std::string bytes;
    int result;
    uint32_t dataOffset, dataLength;
    std::vector<std::string> messages;
  };
  const std::string pcm(400, '\x10');
  const Case cases[] = {
      {"44-byte header", MakeWav({2, 16, 44100}, pcm), 1, 44, 400, {}},
      {"18-byte fmt chunk, no aligned data",
       EighteenByteFormatWav(pcm),
       1,
       46,
       static_cast<uint32_t>(46 + pcm.size() - 46),
       {}},
      {"big-endian RIFX",
       "RIFX" + MakeWav({2, 16, 44100}, pcm).substr(4),
       0,
       0,
       0,
       {"Wave file missing RIFF section."}},
      {"an MP3 named .wav",
       std::string("ID3\x03\x00\x00\x00\x00\x00\x00", 10) + pcm,
       0,
       0,
       0,
       {"Wave file missing RIFF section."}},
      {"empty file", "", 0, 0, 0, {"Wave file missing RIFF section."}},
      {"no WAVE", "RIFF" + Le32(100) + "AVI fmt ", 0, 0, 0, {"Wave file missing WAVE section."}},
      {"no fmt", "RIFF" + Le32(100) + "WAVELIST", 0, 0, 0, {"Wave file missing fmt section."}},
      {"odd-size LIST chunk before data: found by walking the chunks",
       MakeWav({1, 8, 8000}, "").substr(0, 36) + "LIST" + Le32(3) + "abc" + std::string(1, '\0') +
           "data" + Le32(400) + pcm,
       1,
       56,
       400,
       {}},
      {"truncated after fmt", "RIFF" + Le32(100) + "WAVEfmt ", 1, 46, 0, {}},
      {"huge data length",
       MakeWav({1, 8, 8000}, "").substr(0, 40) + Le32(0xfffffff0u) + "abc",
       1,
       44,
       0xfffffff0u,
       {}},
  };
  for (const auto& c : cases) {
    TempDir dir;
    WriteFileBytes(dir / "in.wav", c.bytes);
    MessageRecorder messages;
    WaveHeader header;
    EXPECT_EQ(ReadWaveHeader((dir / "in.wav").string(), &header), c.result) << c.what;
    EXPECT_EQ(messages.Messages(), c.messages) << c.what;
    if (c.result == 1) {
      EXPECT_EQ(header.dataOffset, c.dataOffset) << c.what;
      EXPECT_EQ(header.dataLength, c.dataLength) << c.what;
      EXPECT_EQ(header.fileLength, c.bytes.size()) << c.what;
    }
  }
  MessageRecorder messages;
  WaveHeader header;
  EXPECT_EQ(ReadWaveHeader("/no/such/file.wav", &header), 0);
  EXPECT_EQ(messages.Messages(), std::vector<std::string>{"Failed to open wave file."});
}

TEST(WaveHeader, FilesWrittenBySoxAndFfmpegOpenWhereTheirChunksSay) {
  if (!HaveTool("sox") || !HaveTool("ffmpeg")) GTEST_SKIP() << "sox and ffmpeg are needed";
  TempDir dir;
  const std::string d = dir.Str();
  struct Case {
    const char* name;
    std::string command;
    int16_t channels, bits;
    int32_t rate;
  };
  const Case cases[] = {
      {"sox16s.wav", "sox -n -r 44100 -c 2 -b 16 " + d + "/sox16s.wav synth 0.2 sine 440", 2, 16,
       44100},
      {"sox8m.wav", "sox -n -r 8000 -c 1 -b 8 " + d + "/sox8m.wav synth 0.2 sine 440", 1, 8, 8000},
      {"ff16s.wav",
       "ffmpeg -v error -f lavfi -i sine=f=440:d=0.2 -ac 2 -ar 22050 -c:a pcm_s16le " + d +
           "/ff16s.wav",
       2, 16, 22050},
      {"fflist.wav",
       "ffmpeg -v error -f lavfi -i sine=f=440:d=0.2 -ac 1 -ar 11025 -c:a pcm_u8 -metadata "
       "title=abcd " +
           d + "/fflist.wav",
       1, 8, 11025},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(RunCommand(c.command)) << c.command;
    const std::string bytes = ReadFileBytes(dir / c.name);
    uint32_t offset = 0, length = 0;
    ASSERT_TRUE(WalkChunks(bytes, &offset, &length)) << c.name;
    WaveHeader header;
    ASSERT_EQ(ReadWaveHeader((dir / c.name).string(), &header), 1) << c.name;
    EXPECT_EQ(header.channels, c.channels) << c.name;
    EXPECT_EQ(header.bitsPerSample, c.bits) << c.name;
    EXPECT_EQ(header.sampleRate, c.rate) << c.name;
    EXPECT_EQ(header.dataOffset, offset) << c.name;
    EXPECT_EQ(header.dataLength, length) << c.name;
  }
}

namespace {

struct WriterFixture {
  WriterFixture(const AudioFormat& format, const std::string& pcm) {
    EXPECT_EQ(CreateTempAudioFile(&work, run.Str(), "work"), OP_DONE);
    work.SetFormat(format);
    work.pcmLength = static_cast<uint32_t>(pcm.size());
    EXPECT_EQ(DocMemMapFile(&work, PCM_PART, MAP_WRITE), OP_DONE);
    if (!pcm.empty()) std::memcpy(work.pcmData, pcm.data(), pcm.size());
    CloseMemMapFile(&work, PCM_PART);
    EXPECT_EQ(DocMemMapFile(&work, PCM_PART, MAP_READ), OP_DONE);
    job = {&work, format, static_cast<uint32_t>(pcm.size()), (target / "out.wav").string(),
           run.Str()};
  }
  ~WriterFixture() { CleanupTempAudioFile(&work, 0); }
  // Files the writer left in the run folder besides the working slot's.
  size_t Leftovers() const {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(run.Path())) {
      if (e.path().string() != work.pcmPath && e.path().string() != work.peakPath) ++n;
    }
    return n;
  }
  TempDir run, target;
  TempAudioFile work;
  AudioWriteJob job;
};

}  // namespace

TEST(WaveWriter, WritesHeaderAndDataInBlocks) {
  std::string pcm(20000, '\0');
  for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<char>(i * 7);
  WriterFixture f({1, 8, 8000}, pcm);
  ScriptedProgress progress;
  ASSERT_EQ(WriteWaveFile(f.job, progress), OP_DONE);
  EXPECT_EQ(ReadFileBytes(f.job.target), MakeWav({1, 8, 8000}, pcm));
  EXPECT_EQ(progress.captions, std::vector<std::string>{"Saving the current version."});
  EXPECT_EQ(progress.steps, 3);  // 8124, 8124 and 3752 bytes
  EXPECT_EQ(progress.GetCurrent(), 200u);
  EXPECT_EQ(f.Leftovers(), 0u);

  ASSERT_EQ(WriteRawPcmFile(f.job, progress), OP_DONE);
  EXPECT_EQ(ReadFileBytes(f.job.target), pcm);
}

TEST(WaveWriter, EmptyDocumentGivesA44ByteFile) {
  WriterFixture f({2, 16, 44100}, "");
  ScriptedProgress progress;
  ASSERT_EQ(WriteWaveFile(f.job, progress), OP_DONE);
  const std::string bytes = ReadFileBytes(f.job.target);
  ASSERT_EQ(bytes.size(), 44u);
  EXPECT_EQ(bytes.substr(4, 4), Le32(36));
  EXPECT_EQ(bytes.substr(40, 4), Le32(0));
}

TEST(WaveWriter, ReplacesTheTargetKeepingItsPermissions) {
  WriterFixture f({2, 16, 44100}, std::string(4000, '\x22'));
  WriteFileBytes(f.job.target, "old content");
  ::chmod(f.job.target.c_str(), 0640);
  ScriptedProgress progress;
  ASSERT_EQ(WriteWaveFile(f.job, progress), OP_DONE);
  EXPECT_EQ(fs::file_size(f.job.target), 4044u);
  struct stat st {};
  ::stat(f.job.target.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(WaveWriter, FailureAndCancelLeaveTheTargetAndNoTemporaryFile) {
  WriterFixture f({2, 16, 44100}, std::string(100000, '\x22'));
  struct Case {
    const char* what;
    std::string target;
    int cancelAt;
    OpResult result;
    std::string message;
  };
  fs::create_directory(f.target / "a-folder");
  const std::string existing = (f.target / "keep.wav").string();
  WriteFileBytes(existing, "old content");
  const Case cases[] = {
      {"cancelled", existing, 2, OP_CANCELLED, ""},
      {"target is a folder", (f.target / "a-folder").string(), 0, OP_FAILED,
       "WriteWaveFile: Unable to write to wave file " + (f.target / "a-folder").string()},
      {"target folder missing", (f.target / "no" / "x.wav").string(), 0, OP_FAILED,
       "WriteWaveFile: Unable to write to wave file " + (f.target / "no" / "x.wav").string()},
  };
  for (const auto& c : cases) {
    MessageRecorder messages;
    ScriptedProgress progress(c.cancelAt);
    AudioWriteJob job = f.job;
    job.target = c.target;
    EXPECT_EQ(WriteWaveFile(job, progress), c.result) << c.what;
    EXPECT_EQ(messages.Messages(),
              c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message})
        << c.what;
    EXPECT_EQ(f.Leftovers(), 0u) << c.what;
  }
  EXPECT_EQ(ReadFileBytes(existing), "old content");
}

TEST(WaveWriter, SavesAcrossFilesystems) {
  // /dev/shm is a separate filesystem on Linux: the finished file has to be
  // copied beside the target rather than renamed.
  if (!fs::is_directory("/dev/shm")) GTEST_SKIP() << "no /dev/shm";
  struct stat shm {
  }, tmp{};
  TempDir target;
  ::stat("/dev/shm", &shm);
  ::stat(target.Str().c_str(), &tmp);
  if (shm.st_dev == tmp.st_dev) GTEST_SKIP() << "/dev/shm is on the same filesystem";
  std::string runPattern = "/dev/shm/vellmore-test-XXXXXX";
  ASSERT_NE(mkdtemp(runPattern.data()), nullptr);
  {
    TempAudioFile work;
    ASSERT_EQ(CreateTempAudioFile(&work, runPattern, "work"), OP_DONE);
    work.SetFormat({1, 16, 8000});
    work.pcmLength = 2000;
    ASSERT_EQ(DocMemMapFile(&work, PCM_PART, MAP_WRITE), OP_DONE);
    std::memset(work.pcmData, 0x33, 2000);
    CloseMemMapFile(&work, PCM_PART);
    ASSERT_EQ(DocMemMapFile(&work, PCM_PART, MAP_READ), OP_DONE);
    ScriptedProgress progress;
    const std::string out = (target / "song.pcm").string();
    ASSERT_EQ(WriteRawPcmFile({&work, {1, 16, 8000}, 2000, out, runPattern}, progress), OP_DONE);
    EXPECT_EQ(ReadFileBytes(out), std::string(2000, '\x33'));
    EXPECT_EQ(std::distance(fs::directory_iterator(target.Path()), fs::directory_iterator()), 1);
    CleanupTempAudioFile(&work, 0);
  }
  EXPECT_TRUE(fs::is_empty(runPattern));
  fs::remove_all(runPattern);
}
