// A batch run killed with SIGKILL at a chosen point, then `recover` in a new
// run: the audio is byte for byte what a clean run saved at the same point,
// and undo and redo go on working. The run is killed while a long echo
// follows the operation under test, so that operation's completion is what
// the journal shows and the interrupted echo must leave no trace.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/config.h"
#include "engine/doc_manifest.h"
#include "tests/support/latest_manifest.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_app.h"

namespace fs = std::filesystem;

namespace {

// Long enough that an echo over all of it takes a good part of a second.
constexpr size_t kAudioBytes = 48u << 20;
const char* const kLongEcho = "echo 100 100 60 60 500 500 entire";

class RecoverKillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("VELLMORE_TEST_BIN");
    ASSERT_NE(bin, nullptr);
    program_ = std::string(bin) + "/vellmore-batch";
    home_ = dir_ / "home";
    temp_ = dir_ / "tmp";
    fs::create_directory(home_);
    fs::create_directory(temp_);
    ConfigRecord record{};
    record.SetTempFolder(temp_.string());
    ASSERT_TRUE(WriteConfigFile((home_ / "editor.cfg").string(), record));
    std::string pcm(kAudioBytes, '\0');
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<char>(i * 31 + (i >> 11));
    WriteFileBytes(File("in.wav"), MakeWav({2, 16, 44100}, pcm));
  }

  void TearDown() override {
    // A recovered candidate leaves nothing behind.
    if (!HasFailure()) EXPECT_TRUE(fs::is_empty(temp_));
  }

  std::string File(const std::string& name) const { return (dir_ / name).string(); }

  pid_t Start(const std::vector<std::string>& commands, const std::string& out = "/dev/null") {
    std::vector<std::string> words = {program_, "--home", home_.string()};
    for (const std::string& c : commands) {
      words.push_back("-e");
      words.push_back(c);
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
      std::vector<char*> argv;
      for (std::string& w : words) argv.push_back(w.data());
      argv.push_back(nullptr);
      if (::chdir(dir_.Str().c_str()) != 0) ::_exit(126);
      std::FILE* o = std::freopen(out.c_str(), "w", stdout);
      std::FILE* e = std::freopen("/dev/null", "w", stderr);
      (void)o;
      (void)e;
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    return pid;
  }

  int Run(const std::vector<std::string>& commands, std::string* out = nullptr) {
    const std::string outPath = File("stdout.txt");
    int status = 0;
    ::waitpid(Start(commands, outPath), &status, 0);
    if (out != nullptr) *out = ReadFileBytes(outPath);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Starts `commands` and kills the run with SIGKILL as soon as its journal
  // shows `reached`.
  void KillWhen(const std::vector<std::string>& commands,
                const std::function<bool(const DocManifest&)>& reached) {
    const pid_t pid = Start(commands);
    bool seen = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!seen && std::chrono::steady_clock::now() < deadline) {
      DocManifest m;
      seen = ReadLatestManifest(temp_, &m) && reached(m);
      if (!seen) std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(seen) << "the run never reached the point to kill it at";
    ASSERT_TRUE(WIFSIGNALED(status)) << "the run ended before it was killed";
    // The echo that was running has left no trace in the journal.
    DocManifest m;
    ASSERT_TRUE(ReadLatestManifest(temp_, &m));
    EXPECT_TRUE(reached(m));
  }

  TempDir dir_;
  std::string program_;
  fs::path home_, temp_;
};

TEST_F(RecoverKillTest, RecoversWhatACleanRunSavedAtTheSamePoint) {
  struct Case {
    const char* name;
    std::vector<std::string> steps;  // the run that is killed, before its long echo
    std::function<bool(const DocManifest&)> reached;
    std::vector<std::string> afterRecovery;  // then "save rec.wav"
    std::vector<std::string> clean;          // a clean run's steps for the same audio
  };
  const auto undoSteps = [](size_t undo, size_t redo) {
    return [=](const DocManifest& m) {
      return m.undo.entries.size() == undo && m.redo.entries.size() == redo;
    };
  };
  const Case cases[] = {
      {"after a cut", {"open in.wav", "select 1s 2s", "cut"}, undoSteps(1, 0), {}, {"cut"}},
      {"after an effect",
       {"open in.wav", "select 1s 3s", "volume 50 70"},
       undoSteps(1, 0),
       {},
       {"volume 50 70"}},
      {"after an undo, then redone",
       {"open in.wav", "select 1s 2s", "cut", "undo"},
       undoSteps(0, 1),
       {"redo"},
       {"cut"}},
      {"after a cut, then undone",
       {"open in.wav", "select 1s 2s", "cut"},
       undoSteps(1, 0),
       {"undo"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> killed = c.steps;
    killed.push_back(kLongEcho);
    KillWhen(killed, c.reached);
    if (HasFatalFailure()) return;

    std::string list;
    ASSERT_EQ(Run({"recover --list"}, &list), 0);
    EXPECT_NE(list.find("\"number\":1,"), std::string::npos) << list;
    EXPECT_NE(list.find("\"title\":\"in.wav\""), std::string::npos) << list;
    EXPECT_EQ(list.find("\"number\":2,"), std::string::npos) << list;

    std::vector<std::string> recover = {"recover 1 " + File("rec.wav")};
    recover.insert(recover.end(), c.afterRecovery.begin(), c.afterRecovery.end());
    recover.push_back("save");
    ASSERT_EQ(Run(recover), 0);

    std::vector<std::string> clean = {"open in.wav", c.steps[1]};  // the same selection
    clean.insert(clean.end(), c.clean.begin(), c.clean.end());
    clean.push_back("save " + File("clean.wav"));
    ASSERT_EQ(Run(clean), 0);
    EXPECT_TRUE(ReadFileBytes(File("rec.wav")) == ReadFileBytes(File("clean.wav")))
        << "the recovered audio differs from the clean run's";
  }
}

}  // namespace
