// vellmore-batch's play and record commands, run as the built program over
// the real PortAudio path: the test gives ALSA a configuration of its own
// (a `file` output capturing what was played, a `null` input) through HOME,
// which the program inherits.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/config.h"
#include "tests/audio/audio_sandbox.h"
#include "tests/support/environment_scope.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_app.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kRing = 8 * 1024;  // the silent first ring at 44100 Hz 16-bit

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
  double seconds = 0;
};

std::string Pattern(size_t length) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 29 + (i >> 9)) | 0x20);
  return bytes;
}

std::string JsonNumber(const std::string& json, const std::string& key) {
  const std::string marker = "\"" + key + "\":";
  const size_t at = json.find(marker);
  if (at == std::string::npos) return "<missing " + key + ">";
  const size_t start = at + marker.size();
  return json.substr(start, json.find_first_of(",}", start) - start);
}

class BatchAudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("VELLMORE_TEST_BIN");
    ASSERT_NE(bin, nullptr) << "VELLMORE_TEST_BIN names the folder of vellmore-batch";
    program_ = std::string(bin) + "/vellmore-batch";
    ASSERT_TRUE(fs::exists(program_)) << program_;
    home_ = dir_ / "home";
    temp_ = dir_ / "tmp";
    fs::create_directory(home_);
    fs::create_directory(temp_);
    ConfigRecord record{};
    record.SetTempFolder(temp_.string());
    record.outputDevice = -1;
    record.inputDevice = -1;
    ASSERT_TRUE(WriteConfigFile((home_ / "editor.cfg").string(), record));
    pcm_ = Pattern(176400);  // one second
    WriteFileBytes(File("tune.wav"), MakeWav({2, 16, 44100}, pcm_));
  }

  void TearDown() override {
    if (!HasFailure()) {
      EXPECT_TRUE(fs::is_empty(temp_)) << "run folder left in " << temp_;
    }
  }

  RunResult Run(const std::vector<std::string>& commands) {
    std::vector<std::string> words = {program_, "--home", home_.string()};
    for (const std::string& command : commands) {
      words.push_back("-e");
      words.push_back(command);
    }
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const fs::path out = dir_ / "stdout.txt", err = dir_ / "stderr.txt";
    const auto started = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int fds[3] = {::open("/dev/null", O_RDONLY),
                          ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600),
                          ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)};
      for (int i = 0; i < 3; ++i) ::dup2(fds[i], i);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    RunResult result;
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFileBytes(out);
    result.err = ReadFileBytes(err);
    return result;
  }

  std::string File(const std::string& name) const { return (dir_ / name).string(); }

  TempDir dir_;
  AudioSandbox sandbox_;
  fs::path home_, temp_;
  std::string program_;
  std::string pcm_;
};

TEST_F(BatchAudioTest, PlayPlaysTheSelectionOnceAndReturnsWhenItHasFinished) {
  // 0.25 s to 0.5 s: bytes 44100 ... 88200.
  const RunResult run = Run({"open " + File("tune.wav"), "select 250ms 0.5s", "play"});
  ASSERT_EQ(run.status, 0) << run.err;
  // The audio libraries may log to stderr; the tool itself says nothing.
  EXPECT_EQ(run.err.find("vellmore-batch"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("Play Device"), std::string::npos) << run.err;
  // The program ends only after the device has taken the whole selection.
  const std::string played = sandbox_.Played();
  ASSERT_GE(played.size(), kRing + 44100);
  EXPECT_TRUE(played.compare(0, kRing, std::string(kRing, '\0')) == 0);
  EXPECT_TRUE(played.compare(kRing, 44100, pcm_, 44100, 44100) == 0);
  // The last buffer is padded with silence; nothing after the selection.
  EXPECT_EQ(played.find_first_not_of('\0', kRing + 44100), std::string::npos);
  EXPECT_EQ(played.size() % 1024, 0u);
}

// ALSA and JACK report every device they probe on stderr, dozens of lines
// per play or record. None of it reaches the terminal unless asked for;
// JACK is kept from starting a server whether or not the environment says
// so.
TEST_F(BatchAudioTest, SoundLibrariesSayNothingUnlessAskedTo) {
  EnvironmentScope environment;
  environment.Unset("JACK_NO_START_SERVER");
  for (const char* debug : {"", "1"}) {
    SCOPED_TRACE(std::string("VELLMORE_DEBUG_AUDIO=") + debug);
    environment.SetOrUnset("VELLMORE_DEBUG_AUDIO", debug);
    const RunResult run = Run({"open " + File("tune.wav"), "select 0 8192", "play", "record 0.1"});
    ASSERT_EQ(run.status, 0) << run.err;
    if (*debug == '\0') {
      EXPECT_EQ(run.err, "");
    } else {
      EXPECT_NE(run.err.find("ALSA lib"), std::string::npos) << run.err;
    }
  }
}

TEST_F(BatchAudioTest, PlayRefusals) {
  struct Case {
    std::vector<std::string> commands;
    int status;
    std::string err;
  };
  const Case cases[] = {
      // No document: the editor's own refusal.
      {{"play"}, 3, "Please select audio to play.\n"},
      // Inside the last 8 x 1024 bytes the editor starts nothing; here the
      // run says so and fails.
      {{"open " + File("tune.wav"), "select 172400 172400", "play"},
       1,
       "vellmore-batch: play: the selection starts too near the end of the file to be "
       "played\n"},
      {{"play now"}, 2, "vellmore-batch: -e:1: play: wrong number of arguments; usage: play\n"},
  };
  for (const Case& c : cases) {
    const RunResult run = Run(c.commands);
    EXPECT_EQ(run.status, c.status) << c.commands.back();
    EXPECT_EQ(run.err, c.err) << c.commands.back();
    EXPECT_EQ(sandbox_.Played(), "") << c.commands.back();
  }
}

TEST_F(BatchAudioTest, RecordInsertsWholeBuffersAtTheSelectionStart) {
  // The null capture device delivers as fast as it is read, not in real
  // time, so even a short recording makes megabytes.
  const RunResult run = Run({"open " + File("tune.wav"), "select 4000 4000", "record 0.1", "info",
                             "save " + File("recorded.wav")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_GE(run.seconds, 0.1);
  const long long length = std::stoll(JsonNumber(run.out, "dataLength"));
  const long long recorded = length - static_cast<long long>(pcm_.size());
  // Whole 1024-byte buffers of 44100 Hz 16-bit stereo.
  EXPECT_GE(recorded, 1024);
  EXPECT_EQ(recorded % 1024, 0);
  const std::string saved = ReadFileBytes(File("recorded.wav"));
  ASSERT_EQ(saved.size(), 44 + static_cast<size_t>(length));
  // The file's own audio is kept on both sides of the recording.
  EXPECT_TRUE(saved.compare(44, 4000, pcm_, 0, 4000) == 0);
  EXPECT_TRUE(saved.compare(44 + 4000 + recorded, std::string::npos, pcm_, 4000) == 0);
}

TEST_F(BatchAudioTest, RecordArgumentsAndRefusal) {
  struct Case {
    std::string command;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {"record 0", 2,
       "vellmore-batch: -e:1: record: SECONDS must be a number above 0 and at most 5940, not "
       "\"0\"\n"},
      {"record 2s", 2,
       "vellmore-batch: -e:1: record: SECONDS must be a number above 0 and at most 5940, not "
       "\"2s\"\n"},
      {"record", 2,
       "vellmore-batch: -e:1: record: wrong number of arguments; usage: record SECONDS\n"},
      {"record 0.5", 3, "Sorry, no file is open to record into.\n"},
  };
  for (const Case& c : cases) {
    const RunResult run = Run({c.command});
    EXPECT_EQ(run.status, c.status) << c.command;
    EXPECT_EQ(run.err, c.err) << c.command;
  }
}

}  // namespace
