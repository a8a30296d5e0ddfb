#include "app/config.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/folder_lock.h"
#include "platform/paths.h"
#include "tests/support/environment_scope.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

TEST(Config, LoadsFilesOfAnyLengthSafely) {
  struct Case {
    size_t length;
    ConfigLoad expected;
    bool warns;
  };
  const Case cases[] = {
      {0, ConfigLoad::Partial, true},   {1, ConfigLoad::Partial, true},
      {531, ConfigLoad::Partial, true}, {532, ConfigLoad::Loaded, false},
      {600, ConfigLoad::Loaded, false},
  };
  for (const auto& c : cases) {
    TempDir dir;
    // Garbage without any NUL: the path fields must still read within bounds.
    WriteFileBytes(dir / "editor.cfg", std::string(c.length, 'A'));
    MessageRecorder messages;
    ConfigRecord record;
    EXPECT_EQ(LoadConfigFile((dir / "editor.cfg").string(), &record), c.expected) << c.length;
    EXPECT_EQ(messages.Messages().size(), c.warns ? 1u : 0u);
    if (c.warns) {
      EXPECT_EQ(messages.Messages()[0], "Warning: The entire config file was not read in.");
    }
    EXPECT_EQ(record.TempFolder(), std::string(std::min<size_t>(c.length, 260), 'A'));
    EXPECT_EQ(record.LastRunFolder().size(),
              c.length > 272 ? std::min<size_t>(c.length - 272, 260) : 0u);
  }
}

TEST(Config, PartialFileKeepsTheBytesItHad) {
  TempDir dir;
  ConfigRecord written{};
  written.SetTempFolder("/var/tmp/editor");
  written.inputDevice = -1;
  written.outputDevice = 3;
  written.formatPanelShown = 1;
  written.levelMeterShown = 1;
  written.SetLastRunFolder("/var/tmp/editor/20040307090503");
  std::string bytes(reinterpret_cast<const char*>(&written), sizeof written);
  WriteFileBytes(dir / "editor.cfg", bytes.substr(0, 531));
  MessageRecorder messages;
  ConfigRecord record;
  ASSERT_EQ(LoadConfigFile((dir / "editor.cfg").string(), &record), ConfigLoad::Partial);
  EXPECT_EQ(record.TempFolder(), "/var/tmp/editor");
  EXPECT_EQ(record.outputDevice, 3);
  EXPECT_EQ(record.levelMeterShown, 1);
  EXPECT_EQ(record.LastRunFolder(), "/var/tmp/editor/20040307090503");
}

TEST(Config, WriteProducesTheRawRecordAndReportsFailure) {
  TempDir dir;
  ConfigRecord record{};
  record.SetTempFolder("/tmp/");
  record.inputDevice = -1;
  ASSERT_TRUE(WriteConfigFile((dir / "editor.cfg").string(), record));
  const std::string bytes = ReadFileBytes(dir / "editor.cfg");
  ASSERT_EQ(bytes.size(), 532u);
  EXPECT_EQ(bytes.substr(0, 6), std::string("/tmp/\0", 6));
  EXPECT_EQ(bytes.substr(260, 2), "\xff\xff");  // -1, little-endian
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);

  MessageRecorder messages;
  EXPECT_FALSE(WriteConfigFile((dir / "missing" / "editor.cfg").string(), record));
  EXPECT_EQ(messages.Messages(),
            std::vector<std::string>{"Failed to open config file for writing."});
}

TEST(Config, PathsThatDoNotFitTheirFieldAreRefused) {
  ConfigRecord record{};
  EXPECT_TRUE(record.SetTempFolder(std::string(259, 'p')));
  EXPECT_FALSE(record.SetTempFolder(std::string(260, 'q')));
  EXPECT_EQ(record.TempFolder(), std::string(259, 'p'));
}

TEST(Config, WriteCheckUsesTheFirstFreeNameAndLeavesOthersAlone) {
  TempDir dir;
  for (int n = 0; n <= 5; ++n) {
    WriteFileBytes(dir / ("write_check_" + std::to_string(n)), "mine");
  }
  EXPECT_TRUE(FolderIsWritable(dir.Str()));
  EXPECT_FALSE(fs::exists(dir / "write_check_6"));
  for (int n = 0; n <= 5; ++n) {
    EXPECT_EQ(ReadFileBytes(dir / ("write_check_" + std::to_string(n))), "mine");
  }
  EXPECT_FALSE(FolderIsWritable((dir / "no" / "such").string()));
  WriteFileBytes(dir / "plain", "");
  EXPECT_FALSE(FolderIsWritable((dir / "plain").string()));
}

TEST(Config, PreviousRunFolderIsEmptiedAndRemoved) {
  TempDir dir;
  const fs::path run = dir / "20261209101112";
  fs::create_directories(run / "sub");
  WriteFileBytes(run / "work_0.pcm", "pcm");
  WriteFileBytes(run / "clip_0.pek", "pek");
  WriteFileBytes(dir / "outside", "precious");
  fs::create_symlink(dir / "outside", run / "link");

  RemovePreviousRunFolder(run.string());
  EXPECT_FALSE(fs::exists(run / "work_0.pcm"));
  EXPECT_FALSE(fs::exists(run / "clip_0.pek"));
  EXPECT_FALSE(fs::exists(run / "link"));
  EXPECT_TRUE(fs::exists(run / "sub"));  // sub-folders are not entered; the folder stays
  EXPECT_EQ(ReadFileBytes(dir / "outside"), "precious");

  // Gone, too short, or not a run folder at all: silently left alone.
  MessageRecorder messages;
  RemovePreviousRunFolder((dir / "20000101000000").string());
  RemovePreviousRunFolder("/");
  WriteFileBytes(dir / "notes.txt", "keep");
  RemovePreviousRunFolder(dir.Str());
  EXPECT_EQ(ReadFileBytes(dir / "notes.txt"), "keep");
  EXPECT_TRUE(messages.Messages().empty());
}

// A live editor holds its run folder's lock; a second editor's start-up
// must not empty the folder under it. Once the holder is gone (its lock
// free, as after a crash) the folder is removed as before.
TEST(Config, PreviousRunFolderIsKeptWhileItsLockIsHeld) {
  TempDir dir;
  const fs::path run = dir / "20261209101112";
  fs::create_directory(run);
  WriteFileBytes(run / "work_0.pcm", "unsaved work");
  {
    platform::FolderLock holder;
    ASSERT_TRUE(holder.Acquire(run.string()));
    RemovePreviousRunFolder(run.string());
    EXPECT_EQ(ReadFileBytes(run / "work_0.pcm"), "unsaved work");
    platform::FolderLock another;
    EXPECT_FALSE(another.Acquire(run.string())) << "one holder at a time";
  }
  // The holder ended without removing its lock file.
  ASSERT_TRUE(fs::exists(run / platform::kRunLockName));
  RemovePreviousRunFolder(run.string());
  EXPECT_FALSE(fs::exists(run));
}

// Where editor.cfg and the presets live, and that the user's folder is made
// when missing. A program folder that holds its own editor.cfg (a build
// that was run before these rules) takes precedence and is left alone.
TEST(Config, ConfigurationFolderFollowsTheEnvironment) {
  if (fs::exists(platform::ExecutableFolder() + "/editor.cfg")) {
    GTEST_SKIP() << "the program folder keeps its own editor.cfg";
  }
  TempDir dir;
  const std::string home = dir.Str();
  struct Case {
    const char* name;
    std::string vellmoreHome, xdgConfigHome;  // empty: unset
    std::string expected;
  };
  const Case cases[] = {
      {"VELLMORE_HOME first, taken as it is", home + "/portable/", home + "/xdg",
       home + "/portable"},
      {"XDG_CONFIG_HOME", "", home + "/xdg", home + "/xdg/vellmore"},
      {"a relative XDG_CONFIG_HOME is ignored", "", "xdg", home + "/.config/vellmore"},
      {"neither: ~/.config", "", "", home + "/.config/vellmore"},
  };
  EnvironmentScope environment;
  environment.Set("HOME", home);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    environment.SetOrUnset("VELLMORE_HOME", c.vellmoreHome);
    environment.SetOrUnset("XDG_CONFIG_HOME", c.xdgConfigHome);
    EXPECT_EQ(platform::ProgramFolder(), c.expected);
    EXPECT_EQ(ConfigFilePath(), c.expected + "/editor.cfg");
    if (c.vellmoreHome.empty()) {
      EXPECT_TRUE(fs::is_directory(c.expected));
    }
  }
  EXPECT_FALSE(fs::exists(home + "/portable")) << "VELLMORE_HOME is never created";
}
