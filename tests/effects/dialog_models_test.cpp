// The dialogs' rules without windows: what each shows when it opens, how
// the sliders follow each other, and what Apply and Cancel leave in the
// tool's settings record.
#include "effects/dialog_models.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "effects/effect_output.h"
#include "engine/op_codes.h"
#include "tests/effects/effect_doc.h"
#include "tests/support/message_recorder.h"

namespace {

const AudioFormat kStereo{2, 16, 44100};
const AudioFormat kMono{1, 8, 8000};
std::string Audio() {
  return std::string(4000, '\x40');
}

}  // namespace

TEST(VolumeDialog, FirstOpeningDefaultsThenRemembersAppliedValues) {
  EffectDoc d(kStereo, Audio());
  VolumeSettings settings;
  VolumeDialogModel model(settings);
  const SliderControl* right = model.sliders.Find(VolumeDialogModel::IDC_RIGHT);
  ASSERT_NE(right, nullptr);
  EXPECT_EQ(right->high, 300);
  EXPECT_EQ(right->page, 10);
  EXPECT_EQ(right->partner, VolumeDialogModel::IDC_LEFT);

  ASSERT_TRUE(model.Init(d.Doc()));
  EXPECT_EQ(model.applyTo.checked, IDC_ENTIRE_FILE);  // empty selection
  EXPECT_TRUE(model.lockChecked);
  EXPECT_TRUE(model.lockEnabled);
  EXPECT_EQ(model.sliders.Position(VolumeDialogModel::IDC_LEFT), 100);
  EXPECT_EQ(model.sliders.Text(VolumeDialogModel::IDC_RIGHT_TEXT), "100%");
  EXPECT_EQ(settings.firstOpen, 0);

  model.OnSlider(VolumeDialogModel::IDC_RIGHT, 250);
  EXPECT_EQ(model.sliders.Position(VolumeDialogModel::IDC_LEFT), 250);
  EXPECT_EQ(model.sliders.Text(VolumeDialogModel::IDC_LEFT_TEXT), "250%");
  model.OnLock(false);
  model.OnSlider(VolumeDialogModel::IDC_LEFT, 40);
  EXPECT_EQ(model.sliders.Position(VolumeDialogModel::IDC_RIGHT), 250);
  EXPECT_EQ(settings.lockState, UNLOCKED);
  model.applyTo.checked = 0;  // neither radio button: the selection
  const VolumeSettings& applied = model.Apply();
  EXPECT_EQ(applied.rightGain, 250u);
  EXPECT_EQ(applied.leftGain, 40u);
  EXPECT_EQ(applied.applyTo, SELECTED_AREA);
  EXPECT_EQ(applied.applied, 1);

  d.Doc().SetSelection(0, 400);
  VolumeDialogModel reopened(settings);
  ASSERT_TRUE(reopened.Init(d.Doc()));
  EXPECT_EQ(reopened.applyTo.checked, IDC_SELECTED_AREA);
  EXPECT_FALSE(reopened.lockChecked);
  EXPECT_EQ(reopened.sliders.Position(VolumeDialogModel::IDC_RIGHT), 250);
  EXPECT_EQ(reopened.sliders.Text(VolumeDialogModel::IDC_LEFT_TEXT), "40%");
  reopened.Cancel();
  EXPECT_EQ(settings.applied, 0);
  EXPECT_EQ(settings.leftGain, 40u);
}

TEST(FadeDialog, DefaultsFadeOutAndPairsStayInTheirGroup) {
  EffectDoc d(kMono, Audio());
  FadeSettings settings;
  FadeDialogModel model(settings);
  ASSERT_TRUE(model.Init(d.Doc()));
  EXPECT_FALSE(model.lockEnabled);  // mono
  EXPECT_TRUE(model.lockChecked);
  EXPECT_EQ(model.sliders.Position(FadeDialogModel::IDC_START_LEFT), 100);
  EXPECT_EQ(model.sliders.Position(FadeDialogModel::IDC_END_RIGHT), 0);
  model.OnSlider(FadeDialogModel::IDC_END_LEFT, 30);
  EXPECT_EQ(model.sliders.Position(FadeDialogModel::IDC_END_RIGHT), 30);
  EXPECT_EQ(model.sliders.Position(FadeDialogModel::IDC_START_RIGHT), 100);
  const FadeSettings& applied = model.Apply();
  EXPECT_EQ(applied.startLeft, 100u);
  EXPECT_EQ(applied.endLeft, 30u);
  EXPECT_EQ(applied.endRight, 30u);
  EXPECT_EQ(applied.lockState, LOCKED);
  EXPECT_EQ(applied.applyTo, ENTIRE_FILE);
}

TEST(ChannelDialogs, MuteAndReverseChoicesFromTheTwoBoxes) {
  EffectDoc d(kStereo, Audio());
  struct Case {
    bool left, right;
    ChannelSet expected;
  };
  const Case cases[] = {{true, true, BOTH_CHANNELS},
                        {true, false, LEFT_CHANNEL},
                        {false, true, RIGHT_CHANNEL},
                        {false, false, NO_CHANNEL}};
  for (const auto& c : cases) {
    MuteSettings mute;
    MuteDialogModel model(mute);
    ASSERT_TRUE(model.Init(d.Doc()));
    EXPECT_TRUE(model.leftChecked && model.rightChecked && model.channelsEnabled);
    model.leftChecked = c.left;
    model.rightChecked = c.right;
    EXPECT_EQ(model.Apply().channelChoice, c.expected);
    ReverseSettings reverse;
    ReverseDialogModel reverseModel(reverse);
    ASSERT_TRUE(reverseModel.Init(d.Doc()));
    reverseModel.leftChecked = c.left;
    reverseModel.rightChecked = c.right;
    EXPECT_EQ(reverseModel.Apply().channelChoice, c.expected);
  }
  EffectDoc mono(kMono, Audio());
  MuteSettings mute;
  MuteDialogModel model(mute);
  ASSERT_TRUE(model.Init(mono.Doc()));
  EXPECT_FALSE(model.channelsEnabled);
  EXPECT_EQ(model.Apply().channelChoice, BOTH_CHANNELS);

  CopyChannelSettings copy;
  CopyChannelDialogModel copyModel(copy);
  ASSERT_TRUE(copyModel.Init(d.Doc()));
  EXPECT_EQ(copyModel.Apply().channelChoice, LEFT_CHANNEL);
  copyModel.direction = CopyChannelDialogModel::IDC_COPY_RIGHT_TO_LEFT;
  EXPECT_EQ(copyModel.Apply().channelChoice, RIGHT_CHANNEL);
  ASSERT_TRUE(copyModel.Init(d.Doc()));
  EXPECT_EQ(copyModel.direction, CopyChannelDialogModel::IDC_COPY_LEFT_TO_RIGHT);
}

TEST(DelayText, LeadingDigitsWithNonsenseAndNegativesAsZero) {
  const std::pair<const char*, int32_t> cases[] = {
      {"850", 850}, {"  42ms", 42}, {"abc", 0},     {"", 0},
      {"-20", 0},   {"+7", 7},      {"3000", 3000}, {"99999999999", 2147483647},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(DelayTextValue(text), value) << text;
}

TEST(EchoDialog, OpensWithCanyonEchoAndTypedDelaysAreUsedAsTheyAre) {
  ProgramFolderScope home;
  EffectDoc d(kStereo, Audio());
  EchoSettings settings;
  EchoDialogModel model(settings);
  ASSERT_TRUE(model.Init(d.Doc()));
  EXPECT_EQ(settings.applied, 1);
  EXPECT_EQ(model.PresetNames().size(), 4u);
  EXPECT_EQ(model.sliders.Position(EchoDialogModel::IDC_DELAY_LEFT), 850);
  EXPECT_EQ(model.sliders.Text(EchoDialogModel::IDC_DELAY_RIGHT_TEXT), "850");
  EXPECT_EQ(model.sliders.Text(EchoDialogModel::IDC_ADDITIONAL_LEFT_TEXT), "50%");
  EXPECT_EQ(model.sliders.Find(EchoDialogModel::IDC_DELAY_LEFT)->page, 100);

  model.OnEditText(EchoDialogModel::IDC_DELAY_RIGHT_TEXT, "4000");
  model.OnEditText(EchoDialogModel::IDC_DELAY_LEFT_TEXT, "fast");
  const EchoSettings& applied = model.Apply();
  EXPECT_EQ(applied.delayRight, 4000);
  EXPECT_EQ(applied.delayLeft, 0);
  EXPECT_FALSE(std::filesystem::exists(home.File("echo.prt")));  // nothing added

  // A preset added during an opening is written on Cancel too.
  EchoDialogModel again(settings);
  ASSERT_TRUE(again.Init(d.Doc()));
  again.OnPresetDoubleClick(1);  // "Small Room"
  EXPECT_EQ(again.sliders.Text(EchoDialogModel::IDC_DELAY_LEFT_TEXT), "10");
  again.presetName = "Mine";
  ASSERT_TRUE(again.OnAdd());
  EXPECT_TRUE(again.presetName.empty());
  EXPECT_EQ(again.PresetNames().back(), "Mine");
  again.Cancel();
  EXPECT_EQ(settings.applied, 0);
  EXPECT_EQ(std::filesystem::file_size(home.File("echo.prt")), 152u);
}

TEST(ReverbDialog, PresetsCarryTheirLockState) {
  ProgramFolderScope home;
  EffectDoc d(kStereo, Audio());
  ReverbSettings settings;
  ReverbDialogModel model(settings);
  ASSERT_TRUE(model.Init(d.Doc()));
  EXPECT_EQ(model.sliders.Find(ReverbDialogModel::IDC_WET_LEFT)->high, 95);
  model.OnPresetDoubleClick(2);  // "Large Room"
  EXPECT_FALSE(model.lockChecked);
  EXPECT_EQ(model.sliders.Position(ReverbDialogModel::IDC_DRY_RIGHT), 20);
  EXPECT_EQ(model.sliders.Position(ReverbDialogModel::IDC_DRY_LEFT), 100);
  model.OnSlider(ReverbDialogModel::IDC_WET_RIGHT, 10);  // unlocked: alone
  EXPECT_EQ(model.sliders.Position(ReverbDialogModel::IDC_WET_LEFT), 54);
  model.presetName = "Odd";
  ASSERT_TRUE(model.OnAdd());
  model.Apply();

  ReverbDialogModel reopened(settings);
  ASSERT_TRUE(reopened.Init(d.Doc()));  // reloads the list from the file
  EXPECT_FALSE(reopened.lockChecked);
  reopened.OnPresetDoubleClick(0);
  EXPECT_TRUE(reopened.lockChecked);
  reopened.OnPresetDoubleClick(4);  // "Odd"
  EXPECT_FALSE(reopened.lockChecked);
  EXPECT_EQ(reopened.sliders.Position(ReverbDialogModel::IDC_WET_RIGHT), 10);
  EXPECT_EQ(reopened.sliders.Position(ReverbDialogModel::IDC_WET_LEFT), 54);
  EXPECT_EQ(reopened.sliders.Position(ReverbDialogModel::IDC_DELAY_LEFT), 329);  // right's
}

TEST(MultiVoiceDialog, AddTakesDelaysFromTheSlidersAndWetRatiosFromTheirBoxes) {
  ProgramFolderScope home;
  EffectDoc d(kStereo, Audio());
  MultiVoiceSettings settings;
  MultiVoiceDialogModel model(settings);
  EXPECT_EQ(model.sliders.Text(MultiVoiceDialogModel::IDC_VOICES_TEXT), "3");
  ASSERT_TRUE(model.Init(d.Doc()));
  EXPECT_EQ(model.sliders.Text(MultiVoiceDialogModel::IDC_VOICES_TEXT), "2");
  EXPECT_EQ(model.sliders.Text(MultiVoiceDialogModel::IDC_WET_LEFT_TEXT), "60%");
  model.OnSlider(MultiVoiceDialogModel::IDC_VOICES, 7);
  EXPECT_EQ(model.sliders.Text(MultiVoiceDialogModel::IDC_VOICES_TEXT), "7");
  model.OnEditText(MultiVoiceDialogModel::IDC_DELAY_RIGHT_TEXT, "900");
  model.presetName = "Typed";
  ASSERT_TRUE(model.OnAdd());
  EXPECT_EQ(settings.presetTable[4].voices, 7);
  EXPECT_EQ(settings.presetTable[4].delayRight, 45);  // the slider, not the box
  EXPECT_EQ(settings.presetTable[4].wetLeft, 60);
  const MultiVoiceSettings& applied = model.Apply();
  EXPECT_EQ(applied.delayRight, 900);  // Apply reads the box
  EXPECT_EQ(applied.voices, 7);
  EXPECT_EQ(std::filesystem::file_size(home.File("multivoice.prt")), 160u);
}

TEST(MixPasteDialog, LockMovesOnlyThePartnerInTheSameGroup) {
  EffectDoc d(kStereo, Audio());
  MixPasteSettings settings;
  MixPasteDialogModel model(settings);
  ASSERT_TRUE(model.Init(d.Doc()));
  model.OnSlider(MixPasteDialogModel::IDC_DOCUMENT_LEFT, 0);
  EXPECT_EQ(model.sliders.Position(MixPasteDialogModel::IDC_DOCUMENT_RIGHT), 0);
  EXPECT_EQ(model.sliders.Position(MixPasteDialogModel::IDC_CLIPBOARD_RIGHT), 100);
  EXPECT_EQ(model.sliders.Position(MixPasteDialogModel::IDC_CLIPBOARD_LEFT), 100);
  EXPECT_EQ(settings.lock, LOCKED);
  const MixPasteSettings& applied = model.Apply();
  EXPECT_EQ(applied.documentLeft, 0u);
  EXPECT_EQ(applied.clipboardRight, 100u);
  EXPECT_EQ(applied.applyTo, ENTIRE_FILE);
  EXPECT_EQ(applied.applied, 1);

  model.OnLock(false);
  model.OnSlider(MixPasteDialogModel::IDC_CLIPBOARD_LEFT, 20);
  EXPECT_EQ(settings.lock, UNLOCKED);
  MixPasteDialogModel reopened(settings);
  ASSERT_TRUE(reopened.Init(d.Doc()));
  EXPECT_FALSE(reopened.lockChecked);
  EffectDoc mono(kMono, Audio());
  ASSERT_TRUE(reopened.Init(mono.Doc()));
  EXPECT_FALSE(reopened.lockEnabled);
}

TEST(QualityDialogs, DefaultsAndTheCurrentFormatTexts) {
  NewFileQualityModel newFile;
  newFile.Init();
  EXPECT_EQ(newFile.OkFormat(), (AudioFormat{2, 16, 44100}));
  newFile.channelsIndex = 1;
  newFile.sampleRateIndex = 1;
  newFile.resolutionIndex = 1;
  EXPECT_EQ(newFile.OkFormat(), (AudioFormat{1, 8, 11025}));
  // Both dialogs offer the same rates, rising, with 44100 Hz preselected.
  std::vector<int32_t> rates;
  for (const QualityChoice& c : kSampleRateChoices) {
    rates.push_back(c.value);
    EXPECT_EQ(c.text, std::to_string(c.value) + " Hz");
  }
  EXPECT_EQ(rates, (std::vector<int32_t>{8000, 11025, 16000, 22050, 32000, 44100, 48000, 96000}));
  EXPECT_EQ(kSampleRateChoices[static_cast<size_t>(kDefaultSampleRateIndex)].value, 44100);

  EffectDoc d({2, 16, 48000}, Audio());
  ChangeQualitySettings settings;
  settings.newChannels = 1;
  ChangeQualityDialogModel model(settings);
  ASSERT_TRUE(model.Init(d.Doc()));
  EXPECT_EQ(model.currentChannels, "Stereo");
  EXPECT_EQ(model.currentRate, "48000 Hz");
  EXPECT_EQ(model.currentBits, "16 Bit");
  EXPECT_EQ(settings.applied, 1);
  const ChangeQualitySettings& ok = model.Ok();
  EXPECT_EQ(ok.newChannels, 2);
  EXPECT_EQ(ok.newSampleRate, 44100);
  EXPECT_EQ(ok.newBitsPerSample, 16);
  model.Cancel();
  EXPECT_EQ(settings.applied, 0);
}

TEST(Dialogs, RefuseADocumentNoToolCanProcess) {
  TestApp t;
  WriteFileBytes(t.FilePath("nine.wav"), MakeWav({9, 16, 8000}, std::string(288, '\0')));
  CEditorDoc doc(t.App());
  ASSERT_TRUE(doc.OnOpenDocument(t.FilePath("nine.wav")));
  MessageRecorder messages;
  VolumeSettings volume;
  EXPECT_FALSE(VolumeDialogModel(volume).Init(doc));
  EchoSettings echo;
  echo.applied = 1;
  EXPECT_FALSE(EchoDialogModel(echo).Init(doc));
  EXPECT_EQ(echo.applied, 0);
  ChangeQualitySettings quality;
  EXPECT_FALSE(ChangeQualityDialogModel(quality).Init(doc));
  EXPECT_EQ(messages.Messages(), std::vector<std::string>(3, kUnsupportedFormatMessage));
}
