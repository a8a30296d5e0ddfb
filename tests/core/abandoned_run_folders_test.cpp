// Start-up clears away the run folders of runs killed before they held a
// document, and nothing else: not a folder with a document to recover, not
// one a live run holds, not one with anything the editor did not make.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/abandoned_run_folders.h"
#include "app/editor_app.h"
#include "app/first_run.h"
#include "platform/folder_lock.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// The files a run killed with no document open leaves: its lock, the
// shared slots, a scratch file, a journal link and a manifest's temporary.
const std::vector<std::string> kDeadRunFiles = {"run.lock",
                                                "clip_0.pcm",
                                                "clip_0.pek",
                                                "temp_a_0.pcm",
                                                "undo_3_0.pek",
                                                "wave_write_0",
                                                "write_check_0",
                                                "recovery_0_2_undo1.pcm",
                                                ".recovery_0.json.Ab12Cd"};

void SetOld(const fs::path& path) {
  const timespec times[2] = {{std::time(nullptr) - 3600, 0}, {std::time(nullptr) - 3600, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

}  // namespace

TEST(AbandonedRunFolders, StartUpRemovesOnlyDeadRunsFoldersThatHoldNothingElse) {
  TempDir root;
  const fs::path temp = root / "tmp";
  fs::create_directory(temp);
  std::vector<platform::FolderLock> held;

  struct Case {
    const char* folder;
    std::vector<std::string> extraFiles;
    std::function<void(const fs::path&)> also;  // more to the folder, before it is aged
    bool old;
    bool removed;
  };
  const Case cases[] = {
      {"20260101000000", {}, nullptr, true, true},
      {"20260101000001-batch-4242", {}, nullptr, true, true},
      // A document to recover waits for the user.
      {"20260101000002", {"recovery_0.json"}, nullptr, true, false},
      {"20260101000003", {"recovery_0.durable.json"}, nullptr, true, false},
      // Anything the editor does not make there.
      {"20260101000004", {"notes.txt"}, nullptr, true, false},
      {"20260101000005",
       {},
       [](const fs::path& f) { fs::create_directory(f / "work_9.pcm"); },
       true,
       false},
      {"20260101000006",
       {},
       [&](const fs::path& f) { fs::create_symlink(root / "elsewhere.pcm", f / "work_9.pcm"); },
       true,
       false},
      // A live run holds its lock.
      {"20260101000007",
       {},
       [&](const fs::path& f) { held.emplace_back().Acquire(f.string()); },
       true,
       false},
      // No lock: a run that is just starting makes its folder before it.
      {"20260101000008", {}, [](const fs::path& f) { fs::remove(f / "run.lock"); }, true, false},
      // Changed a moment ago.
      {"20260101000009", {}, nullptr, false, false},
      // Not a run folder's name.
      {"2026010100001", {}, nullptr, true, false},
      {"backup", {}, nullptr, true, false},
  };
  WriteFileBytes(root / "elsewhere.pcm", "the user's");
  for (const Case& c : cases) {
    const fs::path folder = temp / c.folder;
    fs::create_directory(folder);
    for (const std::string& name : kDeadRunFiles) WriteFileBytes(folder / name, "x");
    for (const std::string& name : c.extraFiles) WriteFileBytes(folder / name, "x");
    if (c.also) c.also(folder);
    if (c.old) SetOld(folder);
  }
  // A link named as a run folder, to a folder that looks like a dead run's.
  fs::create_directory(root / "linked");
  for (const std::string& name : kDeadRunFiles) WriteFileBytes(root / "linked" / name, "x");
  SetOld(root / "linked");
  fs::create_directory_symlink(root / "linked", temp / "20260101000010");

  const std::string configPath = (root / "editor.cfg").string();
  ConfigRecord record{};
  record.SetTempFolder(temp.string());
  ASSERT_TRUE(WriteConfigFile(configPath, record));
  MessageRecorder messages;
  {
    CEditorApp app;
    app.SetConfigPath(configPath);
    DefaultFirstRunDialogs firstRun;
    ASSERT_TRUE(app.StartUp(firstRun));
    for (const Case& c : cases) {
      EXPECT_EQ(fs::exists(temp / c.folder), !c.removed) << c.folder;
      if (!c.removed) {
        for (const std::string& name : c.extraFiles) {
          EXPECT_TRUE(fs::exists(temp / c.folder / name)) << c.folder << "/" << name;
        }
        EXPECT_TRUE(fs::exists(temp / c.folder / "clip_0.pcm")) << c.folder;
      }
    }
    EXPECT_TRUE(fs::is_symlink(temp / "20260101000010"));
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "linked"), fs::directory_iterator()),
              static_cast<long>(kDeadRunFiles.size()));
    EXPECT_EQ(ReadFileBytes(root / "elsewhere.pcm"), "the user's");
    EXPECT_TRUE(fs::exists(app.RunFolder())) << "the run's own folder";
  }
  EXPECT_TRUE(messages.Messages().empty());
}
