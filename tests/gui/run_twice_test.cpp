// Two editors on one configuration, and the end of an editor on SIGTERM,
// on the offscreen platform. One editor is the real program started as a
// process of its own; the other is built here as the program builds it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/document_recovery.h"
#include "app/editor_app.h"
#include "app/exit_signals.h"
#include "app/first_run.h"
#include "engine/editor_doc.h"
#include "gui/child_frame.h"
#include "gui/exit_signal_watch.h"
#include "gui/main_frame.h"
#include "platform/folder_lock.h"
#include "resources/control_ids.h"
#include "tests/gui/wait_for.h"
#include "tests/support/editor_home.h"
#include "tests/support/environment_scope.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_app.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr AudioFormat kCd{2, 16, 44100};
constexpr size_t kPcmLength = 88200;  // half a second
constexpr int kTerminated = 128 + SIGTERM;

std::vector<fs::path> Entries(const fs::path& folder) {
  std::vector<fs::path> entries;
  for (const auto& entry : fs::directory_iterator(folder)) entries.push_back(entry.path());
  return entries;
}

// A configuration folder (VELLMORE_HOME, which also holds the window
// placement and recent files) and a temp folder of the test's own, and two
// WAV files.
class RunTwice : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home_.Create(dir_.Path()));
    for (const char* name : {"a.wav", "b.wav"}) {
      WriteFileBytes(dir_ / name, MakeWav(kCd, std::string(kPcmLength, '\x41')));
    }
  }

  fs::path Home() const { return home_.Home(); }
  fs::path Temp() const { return home_.Temp(); }
  std::string File(const char* name) const { return (dir_ / name).string(); }
  ConfigRecord ReadConfig() const {
    ConfigRecord record;
    LoadConfigFile((Home() / "editor.cfg").string(), &record);
    return record;
  }

  TempDir dir_;
  EditorHome home_;
  EnvironmentScope environment_;
};

// The editor of this process, wired as the program wires it; deletes the
// first 4000 bytes of `file` when `edit` is set. Ends the process with the
// status the program would return.
[[noreturn]] void RunEditorUntilSigterm(const std::string& file, bool edit) {
  CEditorApp app;
  DefaultFirstRunDialogs firstRun;
  if (!app.StartUp(firstRun)) std::_Exit(90);
  int status = 91;
  {
    CMainFrame frame(app);
    WatchExitSignals(InstallExitSignals(), app, frame);
    frame.show();
    frame.ToggleLevelPanel();
    CChildFrame* child = frame.OpenDocumentFile(QString::fromStdString(file));
    if (child == nullptr) std::_Exit(92);
    child->showMaximized();
    QApplication::processEvents();
    if (edit) {
      child->Document().SetSelection(0, 4000);
      frame.OnCommand(ids::ID_EDIT_DELETE);
      if (!child->Document().IsModified()) std::_Exit(93);
    }
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });
    status = QApplication::exec();
  }
  app.Shutdown();
  std::_Exit(status);
}

}  // namespace

// Without unsaved changes the editor leaves through its normal exit and its
// run folder goes; with them it ends at once and the run folder stays for
// the next start, whose start-up may remove it once the lock is free. The
// configuration is written either way, with the panel that was open.
TEST_F(RunTwice, SigtermEndsTheEditorAndKeepsTheRunFolderOnlyForUnsavedWork) {
  GTEST_FLAG_SET(death_test_style, "fast");
  for (const bool edit : {false, true}) {
    SCOPED_TRACE(edit ? "unsaved changes" : "nothing unsaved");
    EXPECT_EXIT(RunEditorUntilSigterm(File("a.wav"), edit), ::testing::ExitedWithCode(kTerminated),
                "");
    EXPECT_EQ(ReadConfig().levelMeterShown, 1);
    const std::vector<fs::path> left = Entries(Temp());
    if (!edit) {
      EXPECT_TRUE(left.empty());
      continue;
    }
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(fs::exists(left[0] / "work_0.pcm"));
    EXPECT_EQ(fs::file_size(left[0] / "work_0.pcm"), kPcmLength - 4000);
    EXPECT_TRUE(fs::exists(left[0] / platform::kRunLockName));
    // The process is gone, so its lock is free: the folder holds the
    // document's recovery manifest, and the next start-up keeps it until
    // the user has decided; discarding it removes it.
    CEditorApp next(std::time(nullptr) + 10);
    DefaultFirstRunDialogs firstRun;
    ASSERT_TRUE(next.StartUp(firstRun));
    EXPECT_TRUE(fs::exists(left[0] / "work_0.pcm"));
    std::vector<RecoveryCandidate> candidates = FindRecoveryCandidates(next);
    ASSERT_EQ(candidates.size(), 1u);
    EXPECT_EQ(candidates[0].folder, left[0].string());
    EXPECT_TRUE(DiscardCandidates(candidates));
    EXPECT_FALSE(fs::exists(left[0]));
  }
}

// The real editor runs with a.wav open; a second editor on the same
// configuration opens b.wav, edits and saves it, and the first one's files
// stay where they are. SIGTERM then ends the first one cleanly: exit status
// 143, its own run folder gone, the second one's kept.
TEST_F(RunTwice, TwoEditorsOnOneConfigurationWorkSideBySide) {
  const char* bin = std::getenv("VELLMORE_TEST_BIN");
  ASSERT_NE(bin, nullptr);
  const std::string program = std::string(bin) + "/vellmore-editor";
  std::string a = File("a.wav");
  std::vector<char*> argv = {const_cast<char*>(program.c_str()), a.data(), nullptr};
  environment_.Set("QT_QPA_PLATFORM", "offscreen");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string log = (dir_ / "first.log").string();
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t first = 0;
  ASSERT_EQ(posix_spawn(&first, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);

  // The first editor has its run folder, its lock and a.wav's working copy.
  fs::path firstFolder;
  ASSERT_TRUE(WaitFor(
      [&] {
        for (const fs::path& entry : Entries(Temp())) {
          if (fs::exists(entry / "work_0.pcm") &&
              fs::file_size(entry / "work_0.pcm") == kPcmLength) {
            firstFolder = entry;
            return true;
          }
        }
        return false;
      },
      20000))
      << ReadFileBytes(log);

  {
    CEditorApp second;
    DefaultFirstRunDialogs firstRun;
    ASSERT_TRUE(second.StartUp(firstRun));
    EXPECT_NE(second.RunFolder(), firstFolder.string());
    EXPECT_TRUE(fs::exists(firstFolder / "work_0.pcm")) << "the first editor lost its files";
    CMainFrame frame(second);
    frame.show();
    CChildFrame* child = frame.OpenDocumentFile(QString::fromStdString(File("b.wav")));
    ASSERT_NE(child, nullptr);
    child->showMaximized();
    QApplication::processEvents();
    child->Document().SetSelection(0, 4000);
    frame.OnCommand(ids::ID_EDIT_DELETE);
    frame.OnCommand(ids::ID_FILE_SAVE);
    EXPECT_EQ(fs::file_size(File("b.wav")), 44 + kPcmLength - 4000);
    EXPECT_FALSE(child->Document().IsModified());
    EXPECT_TRUE(fs::exists(firstFolder / "work_0.pcm"));

    ASSERT_EQ(::kill(first, SIGTERM), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(first, &status, 0), first);
    ASSERT_TRUE(WIFEXITED(status)) << ReadFileBytes(log);
    EXPECT_EQ(WEXITSTATUS(status), kTerminated);
    EXPECT_FALSE(fs::exists(firstFolder));
    EXPECT_TRUE(fs::exists(second.RunFolder()));
    EXPECT_EQ(fs::file_size(File("a.wav")), 44 + kPcmLength) << "a.wav was never edited";
  }
}
