// The batch tool answers the tool dialogs through the dialogs' own models:
// its SCOPE argument lands on the same "Apply To:" choice the dialog offers,
// and typed values and presets reach the settings record as the dialog's
// Apply leaves them.
#include "batch/tool_settings.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "effects/dialog_models.h"
#include "effects/document_tools.h"
#include "effects/presets.h"
#include "engine/effect_tool.h"
#include "tests/effects/effect_doc.h"

namespace {

const AudioFormat kStereo{2, 16, 44100};

std::string Audio() {
  return std::string(4000, '\x40');
}

// One tool: the batch fill with a scope, and the dialog opened, its radio
// button clicked (or left as proposed) and applied; each returns the
// record's applyTo.
struct ScopedTool {
  const char* name;
  std::function<int(CEditorDoc&, ScopeChoice)> batch;
  std::function<int(CEditorDoc&, ScopeChoice)> dialog;
};

template <class Model, class Settings>
int DialogScope(CEditorDoc& doc, Settings& settings, ScopeChoice scope) {
  Model model(settings);
  EXPECT_TRUE(model.Init(doc));
  if (scope == ScopeChoice::Entire) model.applyTo.checked = IDC_ENTIRE_FILE;
  if (scope == ScopeChoice::Selection) model.applyTo.checked = IDC_SELECTED_AREA;
  model.Apply();
  return settings.applyTo;
}

std::vector<ScopedTool> ScopedTools() {
  return {
      {"volume",
       [](CEditorDoc& d, ScopeChoice s) {
         VolumeArgs a;
         a.scope = s;
         EXPECT_EQ(FillVolume(d, a), FillResult::Filled);
         return VolumeOf(d)->settings.applyTo;
       },
       [](CEditorDoc& d, ScopeChoice s) {
         VolumeSettings settings;
         return DialogScope<VolumeDialogModel>(d, settings, s);
       }},
      {"mute",
       [](CEditorDoc& d, ScopeChoice s) {
         ChannelBoxArgs a;
         a.scope = s;
         EXPECT_EQ(FillMute(d, a), FillResult::Filled);
         return MuteOf(d)->settings.applyTo;
       },
       [](CEditorDoc& d, ScopeChoice s) {
         MuteSettings settings;
         return DialogScope<MuteDialogModel>(d, settings, s);
       }},
      {"echo preset",
       [](CEditorDoc& d, ScopeChoice s) {
         EchoArgs a;
         a.preset = "Small Room";
         a.scope = s;
         EXPECT_EQ(FillEcho(d, a), FillResult::Filled);
         return EchoOf(d)->settings.applyTo;
       },
       [](CEditorDoc& d, ScopeChoice s) {
         EchoSettings settings;
         return DialogScope<EchoDialogModel>(d, settings, s);
       }},
  };
}

}  // namespace

TEST(BatchToolSettings, ScopeAgreesWithTheDialogsApplyToChoice) {
  ProgramFolderScope presets;
  struct Case {
    ScopeChoice scope;
    bool selection;
    int expected;
  };
  const Case cases[] = {
      {ScopeChoice::AsDialog, false, ENTIRE_FILE},    {ScopeChoice::AsDialog, true, SELECTED_AREA},
      {ScopeChoice::Entire, false, ENTIRE_FILE},      {ScopeChoice::Entire, true, ENTIRE_FILE},
      {ScopeChoice::Selection, false, SELECTED_AREA}, {ScopeChoice::Selection, true, SELECTED_AREA},
  };
  for (const ScopedTool& tool : ScopedTools()) {
    for (const Case& c : cases) {
      EffectDoc d(kStereo, Audio());
      d.Doc().SetSelection(c.selection ? 400 : 0, c.selection ? 800 : 0);
      const int batch = tool.batch(d.Doc(), c.scope);
      EXPECT_EQ(batch, tool.dialog(d.Doc(), c.scope))
          << tool.name << " scope " << static_cast<int>(c.scope) << " selection " << c.selection;
      EXPECT_EQ(batch, c.expected)
          << tool.name << " scope " << static_cast<int>(c.scope) << " selection " << c.selection;
    }
  }
}

TEST(BatchToolSettings, TypedValuesAndPresetsReachTheRecordAsApplyLeavesThem) {
  ProgramFolderScope presets;
  EffectDoc d(kStereo, Audio());

  // Delays are typed into their boxes, which Apply reads; the far ends of
  // each range come through unchanged.
  EchoArgs echo;
  echo.initialLeft = 100;
  echo.initialRight = 0;
  echo.additionalLeft = 7;
  echo.additionalRight = 93;
  echo.delayLeft = 2500;
  echo.delayRight = 1;
  ASSERT_EQ(FillEcho(d.Doc(), echo), FillResult::Filled);
  const EchoSettings& e = EchoOf(d.Doc())->settings;
  EXPECT_EQ(std::vector<int32_t>({e.initialRatioLeft, e.initialRatioRight, e.additionalRatioLeft,
                                  e.additionalRatioRight, e.delayLeft, e.delayRight}),
            std::vector<int32_t>({100, 0, 7, 93, 2500, 1}));
  EXPECT_EQ(e.applied, 1);

  MultiVoiceArgs voice;
  voice.voices = 10;
  voice.initialLeft = 1;
  voice.initialRight = 2;
  voice.wetLeft = 3;
  voice.wetRight = 100;
  voice.delayLeft = 1000;
  voice.delayRight = 0;
  ASSERT_EQ(FillMultiVoice(d.Doc(), voice), FillResult::Filled);
  const MultiVoiceSettings& m = MultiVoiceOf(d.Doc())->settings;
  EXPECT_EQ(std::vector<int32_t>({m.voices, m.initialRatioLeft, m.initialRatioRight, m.wetLeft,
                                  m.wetRight, m.delayLeft, m.delayRight}),
            std::vector<int32_t>({10, 1, 2, 3, 100, 1000, 0}));

  // A preset gives its entry's values, the third built-in reverb's uneven
  // ones included.
  ReverbArgs reverb;
  reverb.preset = kReverbBuiltInPresets[2].name;
  ASSERT_EQ(FillReverb(d.Doc(), reverb), FillResult::Filled);
  const ReverbSettings& r = ReverbOf(d.Doc())->settings;
  const ReverbPreset& p = kReverbBuiltInPresets[2];
  EXPECT_EQ(std::vector<int32_t>(
                {r.dryLeft, r.dryRight, r.wetLeft, r.wetRight, r.delayLeft, r.delayRight}),
            std::vector<int32_t>(
                {p.dryLeft, p.dryRight, p.wetLeft, p.wetRight, p.delayLeft, p.delayRight}));
  EXPECT_EQ(r.applied, 1);

  reverb.preset = "No Such Room";
  EXPECT_EQ(FillReverb(d.Doc(), reverb), FillResult::UnknownPreset);

  // Change quality: the dialog's three rates and any other rate.
  for (const int32_t rate : {22050, 48000}) {
    QualityArgs quality;
    quality.channels = 1;
    quality.bitsPerSample = 8;
    quality.sampleRate = rate;
    ASSERT_EQ(FillChangeQuality(d.Doc(), quality), FillResult::Filled);
    const ChangeQualitySettings& q = ChangeQualityOf(d.Doc())->settings;
    EXPECT_EQ(q.newChannels, 1);
    EXPECT_EQ(q.newBitsPerSample, 8);
    EXPECT_EQ(q.newSampleRate, rate);
    EXPECT_EQ(q.applied, 1);
  }
}
