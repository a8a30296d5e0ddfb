// Preset files: their record layout, the built-in entries, and the list
// operations with their limits and messages.
#include "effects/presets.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "tests/effects/effect_doc.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"

namespace {

std::string Le32(int32_t v) {
  std::string b(4, '\0');
  std::memcpy(b.data(), &v, 4);
  return b;
}

// A 152-byte echo record written by hand.
std::string EchoRecord(const std::string& name, std::initializer_list<int32_t> values) {
  std::string r = name;
  r.resize(128, '\0');
  r += Le32(0);  // reserved
  for (int32_t v : values) r += Le32(v);
  return r;
}

EchoPreset Echo(int32_t initial, int32_t additional, int32_t delayRight, int32_t delayLeft) {
  EchoPreset p;
  p.initialRatioRight = p.initialRatioLeft = initial;
  p.additionalRatioRight = p.additionalRatioLeft = additional;
  p.delayRight = delayRight;
  p.delayLeft = delayLeft;
  return p;
}

}  // namespace

TEST(Presets, BuiltInEntriesComeFirstWithoutAFile) {
  ProgramFolderScope home;
  int32_t count = 0;
  PresetTable<ReverbPreset> reverb{};
  LoadPresetList(&count, reverb);
  EXPECT_EQ(count, 4);
  EXPECT_STREQ(reverb[2].name, "Large Room");
  EXPECT_EQ(reverb[2].lock, 0);
  EXPECT_EQ(reverb[2].dryRight, 20);
  EXPECT_EQ(reverb[2].dryLeft, 100);
  EXPECT_EQ(reverb[2].delayLeft, 177);
  PresetTable<MultiVoicePreset> mv{};
  LoadPresetList(&count, mv);
  EXPECT_EQ(PresetNames(count, mv), (std::vector<std::string>{"Simple Chorus I", "Simple Chorus II",
                                                              "Hallway", "Computer"}));
  EXPECT_EQ(mv[3].voices, 10);
  PresetTable<EchoPreset> echo{};
  LoadPresetList(&count, echo);
  EXPECT_STREQ(echo[0].name, "Canyon Echo");
  EXPECT_EQ(echo[0].reserved, 1);
  EXPECT_EQ(echo[0].delayLeft, 850);
  EXPECT_FALSE(std::filesystem::exists(home.File("echo.prt")));
}

TEST(Presets, RoundTripKeepsRecordsAndTakesTheRightDelayForTheLeft) {
  ProgramFolderScope home;
  MessageRecorder messages;
  int32_t count = 0;
  PresetTable<EchoPreset> table{};
  LoadPresetList(&count, table);
  ASSERT_TRUE(AddPreset(&count, table, "Mine", Echo(70, 20, 300, 400)));
  // Before the file is read back, the entry keeps its own left delay.
  EXPECT_EQ(table[4].delayLeft, 400);
  ASSERT_TRUE(WritePresetFile(count, table, -1));

  const std::string bytes = ReadFileBytes(home.File("echo.prt"));
  ASSERT_EQ(bytes.size(), 152u);
  EXPECT_EQ(bytes.substr(0, 5), std::string("Mine\0", 5));
  EXPECT_EQ(bytes.substr(132), Le32(70) + Le32(70) + Le32(20) + Le32(20) + Le32(300));

  PresetTable<EchoPreset> again{};
  int32_t againCount = 0;
  LoadPresetList(&againCount, again);
  ASSERT_EQ(againCount, 5);
  EXPECT_STREQ(again[4].name, "Mine");
  EXPECT_EQ(again[4].initialRatioLeft, 70);
  EXPECT_EQ(again[4].additionalRatioRight, 20);
  EXPECT_EQ(again[4].delayRight, 300);
  EXPECT_EQ(again[4].delayLeft, 300);
  EXPECT_TRUE(messages.Messages().empty());

  // Reverb: the lock state travels in the record.
  PresetTable<ReverbPreset> reverb{};
  LoadPresetList(&count, reverb);
  ReverbPreset r;
  r.lock = 0;
  r.dryRight = 20, r.dryLeft = 90, r.wetRight = 30, r.wetLeft = 40, r.delayRight = 50;
  r.delayLeft = 60;
  ASSERT_TRUE(AddPreset(&count, reverb, "Unlocked", r));
  ASSERT_TRUE(WritePresetFile(count, reverb, -1));
  LoadPresetList(&count, reverb);
  ASSERT_EQ(count, 5);
  EXPECT_EQ(reverb[4].lock, 0);
  EXPECT_EQ(reverb[4].dryRight, 20);
  EXPECT_EQ(reverb[4].dryLeft, 90);
  EXPECT_EQ(reverb[4].delayLeft, 50);

  // Multi voice records hold the whole entry, both delays included.
  PresetTable<MultiVoicePreset> mv{};
  LoadPresetList(&count, mv);
  MultiVoicePreset m;
  m.voices = 7, m.delayRight = 11, m.delayLeft = 22;
  ASSERT_TRUE(AddPreset(&count, mv, "Seven", m));
  ASSERT_TRUE(WritePresetFile(count, mv, -1));
  EXPECT_EQ(std::filesystem::file_size(home.File("multivoice.prt")), 160u);
  LoadPresetList(&count, mv);
  EXPECT_EQ(mv[4].voices, 7);
  EXPECT_EQ(mv[4].delayLeft, 22);
}

TEST(Presets, ForeignFilesNeverOverflowTheTable) {
  ProgramFolderScope home;
  // 70 full records and a cut-off one; the last name is not terminated.
  std::string file;
  for (int i = 0; i < 70; ++i) file += EchoRecord("p" + std::to_string(i), {1, 2, 3, 4, 5});
  WriteFileBytes(home.File("echo.prt"), file);
  int32_t count = 0;
  PresetTable<EchoPreset> table{};
  LoadPresetList(&count, table);
  EXPECT_EQ(count, 64);
  EXPECT_STREQ(table[63].name, "p59");

  std::string shortFile = EchoRecord("whole", {1, 2, 3, 4, 5}) + std::string(200, 'x');
  shortFile += EchoRecord("", {}).substr(0, 100);
  WriteFileBytes(home.File("echo.prt"), shortFile);
  LoadPresetList(&count, table);
  // "whole", then 152 of the 200 'x' bytes as an unterminated name with
  // garbage values; the remaining 48 + 100 bytes are a short last record.
  ASSERT_EQ(count, 6);
  EXPECT_STREQ(table[4].name, "whole");
  EXPECT_EQ(std::strlen(table[5].name), 127u);
}

TEST(Presets, AddRefusesTheSixtyFirstUserPresetAndEmptyNames) {
  ProgramFolderScope home;
  MessageRecorder messages;
  int32_t count = 0;
  PresetTable<EchoPreset> table{};
  LoadPresetList(&count, table);
  EXPECT_FALSE(AddPreset(&count, table, "", Echo(1, 1, 1, 1)));
  EXPECT_EQ(messages.Messages(), std::vector<std::string>{"You must enter a preset name."});
  for (int i = 0; i < 60; ++i) ASSERT_TRUE(AddPreset(&count, table, "x", Echo(1, 1, 1, 1)));
  EXPECT_EQ(count, 64);
  messages.Clear();
  EXPECT_FALSE(AddPreset(&count, table, "one too many", Echo(1, 1, 1, 1)));
  EXPECT_EQ(messages.Messages(),
            std::vector<std::string>{"Sorry, you've enetered the maximum number of presets."});
  EXPECT_EQ(count, 64);
}

TEST(Presets, LongNamesAreCutToTheFieldWithoutSplittingCharacters) {
  char name[kPresetNameSize];
  SetPresetName(name, std::string(300, 'a'));
  EXPECT_EQ(std::strlen(name), 127u);
  // 126 ASCII bytes then a two-byte character: it does not fit and is left
  // out whole.
  SetPresetName(name, std::string(126, 'b') + "\xc3\xa9" + "tail");
  EXPECT_EQ(std::strlen(name), 126u);
  SetPresetName(name, "short");
  EXPECT_STREQ(name, "short");
  EXPECT_EQ(name[127], '\0');
}

TEST(Presets, RemoveRefusesDefaultsAndRewritesTheFileAtOnce) {
  ProgramFolderScope home;
  MessageRecorder messages;
  int32_t count = 0;
  PresetTable<EchoPreset> table{};
  LoadPresetList(&count, table);
  ASSERT_TRUE(AddPreset(&count, table, "first", Echo(10, 10, 10, 10)));
  ASSERT_TRUE(AddPreset(&count, table, "second", Echo(20, 20, 20, 20)));
  ASSERT_TRUE(WritePresetFile(count, table, -1));
  const std::string before = ReadFileBytes(home.File("echo.prt"));

  for (int i = 0; i < 4; ++i) {
    messages.Clear();
    EXPECT_FALSE(RemovePreset(&count, table, i));
    EXPECT_EQ(messages.Messages(),
              std::vector<std::string>{"Sorry, this is a default preset.  Cannot delete."});
  }
  EXPECT_EQ(count, 6);

  // Nothing selected: the file is rewritten unchanged and the list reloaded.
  ASSERT_TRUE(RemovePreset(&count, table, -1));
  EXPECT_EQ(ReadFileBytes(home.File("echo.prt")), before);
  EXPECT_EQ(count, 6);

  ASSERT_TRUE(RemovePreset(&count, table, 4));
  EXPECT_EQ(count, 5);
  EXPECT_STREQ(table[4].name, "second");
  EXPECT_EQ(std::filesystem::file_size(home.File("echo.prt")), 152u);
}

TEST(Presets, AFileThatCannotBeWrittenIsReportedAndNothingIsLeftBehind) {
  ProgramFolderScope home;
  MessageRecorder messages;
  int32_t count = 4;
  PresetTable<ReverbPreset> table{};
  // The preset file's name is taken by a folder: the finished records
  // cannot be moved there.
  std::filesystem::create_directory(home.File("reverb.prt"));
  EXPECT_FALSE(WritePresetFile(count, table, -1));
  const std::string path = home.File("reverb.prt").string();
  EXPECT_EQ(messages.Messages(),
            std::vector<std::string>{"Failed to open Preset File for write: " + path + "\n"});
  EXPECT_TRUE(std::filesystem::is_directory(path));
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(home.File(""))) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);  // no temporary file left

  // A program folder that does not exist.
  ::setenv("VELLMORE_HOME", home.File("missing").c_str(), 1);
  messages.Clear();
  EXPECT_FALSE(WritePresetFile(count, table, -1));
  EXPECT_EQ(messages.Messages().size(), 1u);
  LoadPresetList(&count, table);  // silently only the built-in presets
  EXPECT_EQ(count, 4);
  EXPECT_EQ(messages.Messages().size(), 1u);
}
