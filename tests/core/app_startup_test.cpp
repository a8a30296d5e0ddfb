#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <set>

#include "app/editor_app.h"
#include "app/exit_signals.h"
#include "app/first_run.h"
#include "app/save_document.h"
#include "engine/editor_doc.h"
#include "platform/paths.h"
#include "tests/support/environment_scope.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_app.h"

namespace fs = std::filesystem;

namespace {

// 9 December 2026, 10:11:12 local time.
std::time_t FixedStart() {
  std::tm local{};
  local.tm_year = 126;
  local.tm_mon = 11;
  local.tm_mday = 9;
  local.tm_hour = 10;
  local.tm_min = 11;
  local.tm_sec = 12;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

// Answers the first-run dialogs with a folder of the test's choosing.
class RecordingDialogs : public FirstRunDialogs {
 public:
  explicit RecordingDialogs(std::string folder) : folder_(std::move(folder)) {}
  void RunInitialization(CEditorApp& app) override {
    calls.push_back("initialization");
    ConfigRecord record{};
    record.SetTempFolder(folder_);
    app.SetConfig(record);
    app.WriteConfig();
  }
  void RunTemporaryFileSettings(CEditorApp& app) override {
    calls.push_back("temporary file settings");
    app.Config()->SetTempFolder(folder_);
    app.WriteConfig();
  }
  std::vector<std::string> calls;

 private:
  std::string folder_;
};

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

class StartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("VELLMORE_HOME", home.Str().c_str(), 1);
    fs::create_directory(temp.Path() / "tmp");
  }
  void TearDown() override { unsetenv("VELLMORE_HOME"); }

  void WriteConfig(const std::string& tempFolder, const std::string& lastRun = {}) {
    ConfigRecord record{};
    record.SetTempFolder(tempFolder);
    record.SetLastRunFolder(lastRun);
    ASSERT_TRUE(WriteConfigFile((home / "editor.cfg").string(), record));
  }
  ConfigRecord ReadConfig() {
    ConfigRecord record;
    LoadConfigFile((home / "editor.cfg").string(), &record);
    return record;
  }
  std::string TempFolder() const { return (temp.Path() / "tmp").string(); }

  TempDir home;
  TempDir temp;
};

}  // namespace

TEST(RunStamp, IsFourteenDigitsOfLocalTime) {
  EXPECT_EQ(platform::RunStamp(FixedStart()), "20261209101112");
}

TEST_F(StartUpTest, FirstRunCollectsTheConfigurationAndCreatesTheSharedSlots) {
  MessageRecorder messages;
  RecordingDialogs dialogs(TempFolder());
  {
    CEditorApp app(FixedStart());
    ASSERT_TRUE(app.StartUp(dialogs));
    EXPECT_EQ(dialogs.calls, std::vector<std::string>{"initialization"});
    const fs::path run = fs::path(TempFolder()) / "20261209101112";
    EXPECT_EQ(app.RunFolder(), run.string());
    EXPECT_EQ(Names(run),
              (std::set<std::string>{"clip_0.pcm", "clip_0.pek", "temp_a_0.pcm", "temp_a_0.pek",
                                     "temp_b_0.pcm", "temp_b_0.pek", "temp_c_0.pcm", "temp_c_0.pek",
                                     "temp_d_0.pcm", "temp_d_0.pek", "run.lock"}));
    EXPECT_EQ(fs::file_size(home / "editor.cfg"), 532u);
    EXPECT_EQ(ReadConfig().LastRunFolder(), run.string());
    EXPECT_EQ(TheApp(), &app);
  }
  // Exit removes the slots and the run folder.
  EXPECT_TRUE(fs::is_empty(TempFolder()));
  EXPECT_EQ(TheApp(), nullptr);
  EXPECT_TRUE(messages.Messages().empty());
}

// A first run proposes the user's run-time folder, never a drive root; the
// platform temp path when there is no usable one.
TEST_F(StartUpTest, DefaultFirstRunTakesTheRunTimeFolderElseThePlatformTempPath) {
  const fs::path runtime = temp.Path() / "runtime";
  fs::create_directory(runtime);
  struct Case {
    const char* name;
    const char* runtimeDir;  // null: unset
    std::string expected;
  };
  const Case cases[] = {
      {"run-time folder", runtime.c_str(), runtime.string() + "/"},
      {"none set", nullptr, TempFolder() + "/"},
      {"a relative path", "runtime", TempFolder() + "/"},
      {"a missing folder", "/nonexistent/run/user", TempFolder() + "/"},
  };
  EnvironmentScope environment;
  environment.Set("TMPDIR", TempFolder());
  int second = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(home / "editor.cfg");
    environment.SetOrUnset("XDG_RUNTIME_DIR", c.runtimeDir ? c.runtimeDir : "");
    DefaultFirstRunDialogs dialogs;
    CEditorApp app(FixedStart() + second++);
    ASSERT_TRUE(app.StartUp(dialogs));
    EXPECT_EQ(ReadConfig().TempFolder(), c.expected);
    EXPECT_EQ(ReadConfig().inputDevice, 0);
    EXPECT_EQ(app.RunFolder(), c.expected + platform::RunStamp(FixedStart() + second - 1));
  }
}

// A second editor started on the same configuration finds the first one's
// run folder recorded as the previous run's. It must leave it alone: both
// edit and save side by side, each in its own folder. An edit marks a
// document changed and saving clears the mark.
TEST_F(StartUpTest, TwoEditorsOnOneConfigurationEachKeepTheirRunFolder) {
  WriteConfig(TempFolder());
  const std::string pcm(40000, '\x35');
  const std::string files[2] = {(temp.Path() / "a.wav").string(), (temp.Path() / "b.wav").string()};
  for (const std::string& file : files) WriteFileBytes(file, MakeWav({2, 16, 44100}, pcm));
  MessageRecorder messages;
  RecordingDialogs dialogs(TempFolder());

  auto first = std::make_unique<CEditorApp>(FixedStart());
  ASSERT_TRUE(first->StartUp(dialogs));
  auto firstDoc = std::make_unique<CEditorDoc>(*first);
  ASSERT_TRUE(firstDoc->OnOpenDocument(files[0]));
  const std::string firstWork = firstDoc->work.pcmPath;

  // Started in the same second: the next second's stamp names its folder.
  CEditorApp second(FixedStart());
  ASSERT_TRUE(second.StartUp(dialogs));
  EXPECT_EQ(second.RunFolder(), TempFolder() + "/" + platform::RunStamp(FixedStart() + 1));
  EXPECT_TRUE(fs::exists(firstWork)) << "the first editor's files were taken away";
  EXPECT_EQ(ReadConfig().LastRunFolder(), second.RunFolder());
  CEditorDoc secondDoc(second);
  ASSERT_TRUE(secondDoc.OnOpenDocument(files[1]));

  for (CEditorDoc* doc : {firstDoc.get(), &secondDoc}) {
    EXPECT_FALSE(doc->IsModified());
    doc->SetSelection(0, 10000);
    ASSERT_EQ(doc->DocRunOperation(OP_CUT), OP_DONE);
    ASSERT_EQ(doc->LastResult(), OP_DONE);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(SaveDocumentAs(*doc, doc->Path()).saved);
    EXPECT_FALSE(doc->IsModified());
  }
  for (const std::string& file : files) EXPECT_EQ(fs::file_size(file), 44u + 30000u);
  EXPECT_TRUE(messages.Messages().empty());

  // The first editor's exit removes its own folder and nothing else.
  firstDoc.reset();
  const std::string firstFolder = first->RunFolder();
  first.reset();
  EXPECT_FALSE(fs::exists(firstFolder));
  EXPECT_TRUE(fs::exists(second.RunFolder()));
}

TEST_F(StartUpTest, PreviousRunFolderIsRemovedAndAGoneOneIgnored) {
  const fs::path previous = fs::path(TempFolder()) / "20261208090000";
  fs::create_directory(previous);
  WriteFileBytes(previous / "work_0.pcm", "left by a crash");
  for (const bool exists : {true, false}) {
    WriteConfig(TempFolder(), previous.string());
    MessageRecorder messages;
    RecordingDialogs dialogs(TempFolder());
    CEditorApp app(FixedStart() + (exists ? 0 : 1));
    ASSERT_TRUE(app.StartUp(dialogs));
    EXPECT_FALSE(fs::exists(previous));
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_TRUE(dialogs.calls.empty());
  }
}

TEST_F(StartUpTest, ShortConfigurationWarnsAndStartUpGoesOn) {
  ConfigRecord record{};
  record.SetTempFolder(TempFolder());
  WriteFileBytes(home / "editor.cfg", std::string(reinterpret_cast<char*>(&record), 531));
  MessageRecorder messages;
  RecordingDialogs dialogs(TempFolder());
  CEditorApp app(FixedStart());
  EXPECT_TRUE(app.StartUp(dialogs));
  EXPECT_EQ(messages.Messages(),
            std::vector<std::string>{"Warning: The entire config file was not read in."});
  EXPECT_TRUE(fs::exists(app.Clip()->pcmPath));
}

TEST_F(StartUpTest, UnusableTempFoldersAreReported) {
  const std::string notAFolder = (temp.Path() / "file").string();
  WriteFileBytes(notAFolder, "");
  struct Case {
    std::string configured;
    std::string chosen;  // what the Temporary File Settings dialog answers
    bool starts;
    std::vector<std::string> messages;
    std::vector<std::string> dialogs;
  };
  const std::string stamp = "/20261209101112";
  const Case cases[] = {
      // A loaded configuration with a bad folder asks for a new one.
      {notAFolder,
       "",
       true,
       {"Error: Temp directory " + notAFolder +
        " is invalid.  Please choose a new temp directory."},
       {"temporary file settings"}},
      // A folder that does not fit the run-folder path is refused, not cut.
      {"/" + std::string(240, 'd'),
       "/" + std::string(240, 'd'),
       false,
       {"Error: Temp directory /" + std::string(240, 'd') +
            " is invalid.  Please choose a new temp directory.",
        "Error: Temp dir path /" + std::string(240, 'd') + stamp + " is too long, cannot continue"},
       {"temporary file settings"}},
  };
  for (const auto& c : cases) {
    WriteConfig(c.configured);
    MessageRecorder messages;
    RecordingDialogs dialogs(c.chosen.empty() ? TempFolder() : c.chosen);
    CEditorApp app(FixedStart());
    EXPECT_EQ(app.StartUp(dialogs), c.starts) << c.configured;
    EXPECT_EQ(messages.Messages(), c.messages);
    EXPECT_EQ(dialogs.calls, c.dialogs);
  }
}

TEST_F(StartUpTest, RunFolderThatCannotBeCreatedEndsStartUp) {
  const std::string missing = (temp.Path() / "missing").string();
  // The first-run dialogs choose a folder that does not exist.
  fs::remove(home / "editor.cfg");
  MessageRecorder messages;
  RecordingDialogs dialogs(missing);
  CEditorApp app(FixedStart());
  EXPECT_FALSE(app.StartUp(dialogs));
  EXPECT_EQ(
      messages.Messages(),
      (std::vector<std::string>{
          "Error: Temp File Path " + missing + " is not writeable, cannot continue",
          "Error: Failed to create temp dir " + missing + "/20261209101112 cannot continue"}));
}

TEST_F(StartUpTest, AProgramThatDoesNotOwnTheRecordLeavesItAlone) {
  const fs::path previous = fs::path(TempFolder()) / "20261208090000";
  fs::create_directory(previous);
  WriteConfig(TempFolder(), previous.string());
  const std::string before = ReadFileBytes(home / "editor.cfg");
  RecordingDialogs dialogs(TempFolder());
  StartUpOptions options;
  options.firstRunDialogs = false;
  options.ownsRunFolderRecord = false;
  options.runFolderSuffix = "-batch-42";
  CEditorApp app(FixedStart());
  ASSERT_TRUE(app.StartUp(dialogs, options));
  EXPECT_TRUE(fs::exists(previous));
  EXPECT_EQ(ReadFileBytes(home / "editor.cfg"), before);
  EXPECT_EQ(app.RunFolder(), TempFolder() + "/20261209101112-batch-42");
}

// A run without dialogs (the batch tool) whose configured temporary folder
// cannot be written says so and takes the folder a first run would propose,
// for this run only. The configured folder is still searched for documents
// to recover.
TEST_F(StartUpTest, ARunWithoutDialogsTakesAStandInForAnUnwritableTempFolder) {
  const std::string unusable = (temp.Path() / "file").string();
  WriteFileBytes(unusable, "");
  const fs::path runtime = temp.Path() / "runtime";
  fs::create_directory(runtime);
  EnvironmentScope environment;
  environment.Set("XDG_RUNTIME_DIR", runtime.c_str());
  WriteConfig(unusable);
  const std::string before = ReadFileBytes(home / "editor.cfg");
  MessageRecorder messages;
  RecordingDialogs dialogs(TempFolder());
  StartUpOptions options;
  options.firstRunDialogs = false;
  options.ownsRunFolderRecord = false;
  CEditorApp app(FixedStart());
  ASSERT_TRUE(app.StartUp(dialogs, options));
  EXPECT_EQ(app.RunFolder(), runtime.string() + "/20261209101112");
  EXPECT_EQ(
      messages.Messages(),
      (std::vector<std::string>{
          "Error: Temp directory " + unusable + " is invalid.  Please choose a new temp directory.",
          "The temporary files of this run go to " + runtime.string() + "/ instead."}));
  EXPECT_EQ(app.UnwritableTempFolder(), unusable);
  EXPECT_TRUE(dialogs.calls.empty());
  EXPECT_EQ(ReadFileBytes(home / "editor.cfg"), before);
}

TEST_F(StartUpTest, ActiveDocumentIsPinnedWhileAnOperationRuns) {
  CEditorApp app(FixedStart());
  auto* first = reinterpret_cast<CEditorDoc*>(0x1000);
  auto* second = reinterpret_cast<CEditorDoc*>(0x2000);
  app.SetActiveDocument(first);
  app.OperationInProgress() = 1;
  app.SetActiveDocument(second);
  EXPECT_EQ(app.ActiveDocument(), first);
  app.OperationInProgress() = 0;
  app.SetActiveDocument(second);
  EXPECT_EQ(app.ActiveDocument(), second);
  app.SetClosingDocument(second);
  app.DocumentOpened();
  app.DocumentClosed(second);
  EXPECT_EQ(app.ActiveDocument(), nullptr);
  EXPECT_EQ(app.ClosingDocument(), nullptr);
  EXPECT_EQ(app.NextViewSerial(), 1);
  EXPECT_EQ(app.NextViewSerial(), 2);
}

// How a SIGTERM ends the editor: the configuration is written either way;
// the run folder may go only when nothing is unsaved.
TEST_F(StartUpTest, SignalEndKeepsTheRunFolderOnlyForUnsavedChanges) {
  WriteConfig(TempFolder());
  const std::string file = (temp.Path() / "a.wav").string();
  WriteFileBytes(file, MakeWav({1, 16, 8000}, std::string(16000, '\x21')));
  RecordingDialogs dialogs(TempFolder());
  CEditorApp app(FixedStart());
  ASSERT_TRUE(app.StartUp(dialogs));
  CEditorDoc doc(app);
  ASSERT_TRUE(doc.OnOpenDocument(file));

  app.Config()->levelMeterShown = 1;
  EXPECT_EQ(PrepareSignalEnd(app), SignalEnd::NormalExit);
  EXPECT_EQ(ReadConfig().levelMeterShown, 1);

  doc.SetSelection(0, 2000);
  ASSERT_EQ(doc.DocRunOperation(OP_DELETE), OP_DONE);
  EXPECT_EQ(PrepareSignalEnd(app), SignalEnd::KeepRunFolder);
  ASSERT_EQ(doc.DocRunOperation(OP_UNDO), OP_DONE);
  EXPECT_EQ(PrepareSignalEnd(app), SignalEnd::NormalExit) << "undone back to the file";
  ASSERT_EQ(doc.DocRunOperation(OP_REDO), OP_DONE);
  EXPECT_EQ(PrepareSignalEnd(app), SignalEnd::KeepRunFolder);
}
