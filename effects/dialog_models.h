// The behaviour of every tool dialog without a window: which controls show
// what when the dialog opens, how sliders follow each other, what Apply
// stores in the tool's settings record and what Cancel does. A toolkit
// dialog owns one model, mirrors its state into its widgets and forwards the
// user's actions to it.
//
// Slider ranges, page sizes, partners and the ids of the texts that show a
// slider's value are data of each model (its `sliders`), so the widgets can
// be built from them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "effects/channel_tools.h"
#include "effects/echo.h"
#include "effects/mix_paste.h"
#include "effects/quality.h"
#include "effects/volume.h"
#include "engine/temp_audio_file.h"

class CEditorDoc;

// Controls that most tool dialogs share.
inline constexpr int IDC_SELECTED_AREA = 1067;
inline constexpr int IDC_ENTIRE_FILE = 1068;
inline constexpr int IDC_LOCK = 1069;

enum class ValueText {
  kPercent,  // "%d%c" with '%': "100%"
  kNumber,   // "%d": delays (editable boxes) and the number of voices
};

struct SliderControl {
  int id = 0;
  int low = 0;
  int high = 0;
  int page = 0;
  int textId = 0;  // the label or box that shows the value
  ValueText style = ValueText::kPercent;
  int partner = 0;  // the other channel's slider of the same group; 0: none
  int position = 0;
};

// "100%".
std::string PercentText(int value);

// The integer value of a typed delay: its leading decimal digits after
// optional blanks and sign. Text without digits gives 0, negative values
// give 0, values beyond 32 bits give the largest 32-bit value.
int32_t DelayTextValue(std::string_view text);

// A dialog's sliders and the texts beside them.
class SliderSet {
 public:
  explicit SliderSet(std::vector<SliderControl> sliders);
  const std::vector<SliderControl>& Sliders() const { return sliders_; }
  const SliderControl* Find(int id) const;
  int Position(int id) const;
  // The text of a label or box ("" for an unknown id).
  const std::string& Text(int textId) const;
  void SetText(int textId, std::string text);
  // Puts the slider at `value` (kept within its range) and writes the
  // value's text.
  void Show(int id, int value);
  // The scroll notification of one slider: its own text follows, and with
  // `locked` its partner moves to the same position with the same text.
  void Move(int id, int position, bool locked);

 private:
  SliderControl* FindMutable(int id);
  std::vector<SliderControl> sliders_;
  std::map<int, std::string> texts_;
};

// The "Apply To:" choice: chosen afresh at every opening from the
// selection, "Entire File" for an empty one.
struct ApplyToChoice {
  int checked = IDC_ENTIRE_FILE;  // IDC_SELECTED_AREA, IDC_ENTIRE_FILE or 0
  void InitFrom(const CEditorDoc& doc);
  // ENTIRE_FILE only when "Entire File" is checked.
  int Code() const;
};

// Adjust Volume Levels.
class VolumeDialogModel {
 public:
  static constexpr int IDC_APPLY = 1073, IDC_CANCEL = 1051;
  static constexpr int IDC_RIGHT = 1070, IDC_RIGHT_TEXT = 1071;
  static constexpr int IDC_LEFT = 1011, IDC_LEFT_TEXT = 1072;

  explicit VolumeDialogModel(VolumeSettings& settings);
  // false after a "Sorry, ..." message for a document no tool can process.
  bool Init(const CEditorDoc& doc);
  void OnSlider(int id, int position);
  void OnLock(bool checked) { lockChecked = checked; }
  const VolumeSettings& Apply();
  void Cancel() { settings_.applied = 0; }

  ApplyToChoice applyTo;
  bool lockChecked = true;
  bool lockEnabled = true;
  SliderSet sliders;

 private:
  VolumeSettings& settings_;
};

// Fade In/Out.
class FadeDialogModel {
 public:
  static constexpr int IDC_APPLY = 1083, IDC_CANCEL = 2;
  static constexpr int IDC_START_RIGHT = 1079, IDC_START_RIGHT_TEXT = 1080;
  static constexpr int IDC_START_LEFT = 1081, IDC_START_LEFT_TEXT = 1082;
  static constexpr int IDC_END_RIGHT = 1074, IDC_END_RIGHT_TEXT = 1075;
  static constexpr int IDC_END_LEFT = 1012, IDC_END_LEFT_TEXT = 1076;

  explicit FadeDialogModel(FadeSettings& settings);
  bool Init(const CEditorDoc& doc);
  void OnSlider(int id, int position);
  void OnLock(bool checked) { lockChecked = checked; }
  const FadeSettings& Apply();
  void Cancel() { settings_.applied = 0; }

  ApplyToChoice applyTo;
  bool lockChecked = true;
  bool lockEnabled = true;
  SliderSet sliders;

 private:
  FadeSettings& settings_;
};

// Mute and Reverse share their dialog: two channel check boxes, both checked
// at every opening and disabled for a mono document.
template <class Settings>
class ChannelChoiceDialogModel {
 public:
  static constexpr int IDC_CANCEL = 1051;
  static constexpr int IDC_RIGHT_CHANNEL = 1053, IDC_LEFT_CHANNEL = 1054;

  explicit ChannelChoiceDialogModel(Settings& settings) : settings_(settings) {}
  bool Init(const CEditorDoc& doc);
  // LEFT_CHANNEL, RIGHT_CHANNEL, BOTH_CHANNELS, or 0 when neither box is checked.
  const Settings& Apply();
  void Cancel() { settings_.applied = 0; }

  ApplyToChoice applyTo;
  bool leftChecked = true;
  bool rightChecked = true;
  bool channelsEnabled = true;

 private:
  Settings& settings_;
};
using MuteDialogModel = ChannelChoiceDialogModel<MuteSettings>;
using ReverseDialogModel = ChannelChoiceDialogModel<ReverseSettings>;

// Swap Channels.
class SwapDialogModel {
 public:
  explicit SwapDialogModel(SwapSettings& settings) : settings_(settings) {}
  bool Init(const CEditorDoc& doc);
  const SwapSettings& Apply();
  void Cancel() { settings_.applied = 0; }
  ApplyToChoice applyTo;

 private:
  SwapSettings& settings_;
};

// Copy Channel.
class CopyChannelDialogModel {
 public:
  static constexpr int IDC_COPY_RIGHT_TO_LEFT = 1053, IDC_COPY_LEFT_TO_RIGHT = 1054;
  explicit CopyChannelDialogModel(CopyChannelSettings& settings) : settings_(settings) {}
  bool Init(const CEditorDoc& doc);
  const CopyChannelSettings& Apply();
  void Cancel() { settings_.applied = 0; }
  ApplyToChoice applyTo;
  int direction = IDC_COPY_LEFT_TO_RIGHT;  // the checked radio button

 private:
  CopyChannelSettings& settings_;
};

// Echo, Reverb and Multi Voice share one model: slider pairs, delay boxes
// the user may type into and a preset list kept in a file. `Controls` names
// the effect's own control ids, its settings record and its preset entry;
// dialog_models.cpp describes which slider shows which field.
template <class Controls>
class PresetEffectDialogModel : public Controls {
 public:
  using Settings = typename Controls::Settings;
  using Preset = typename Controls::Preset;
  static constexpr int IDC_CANCEL = 2;
  static constexpr int IDC_PRESETS = 1070, IDC_PRESET_NAME = 1073, IDC_ADD = 1071,
                       IDC_REMOVE = 1075;

  explicit PresetEffectDialogModel(Settings& settings);
  bool Init(const CEditorDoc& doc);
  void OnSlider(int id, int position);
  void OnLock(bool checked) { lockChecked = checked; }
  // Typing into a delay box changes its text only.
  void OnEditText(int textId, std::string text) { sliders.SetText(textId, std::move(text)); }
  std::vector<std::string> PresetNames() const;
  // Double-click on list index `index`: the entry's values go to the
  // controls. Only entries that keep a lock state (reverb's) touch the lock
  // box.
  void OnPresetDoubleClick(int index);
  // "Add" with the name box's text; the box is cleared when the preset was
  // added. Multi voice stores the wet ratios read from their boxes and the
  // delays from the slider positions (not from the delay boxes).
  bool OnAdd();
  // "Remove" with the list's selection (-1: none).
  bool OnRemove(int selected);
  const Settings& Apply();
  void Cancel();

  ApplyToChoice applyTo;
  bool lockChecked = true;
  SliderSet sliders;
  std::string presetName;  // the name box

 private:
  void ShowValues(const Preset& values);
  Settings& settings_;
};

// Echo / Delay Effect.
struct EchoControls {
  using Settings = EchoSettings;
  using Preset = EchoPreset;
  static constexpr int IDC_APPLY = 1074;
  static constexpr int IDC_INITIAL_RIGHT = 1095, IDC_INITIAL_RIGHT_TEXT = 1096;
  static constexpr int IDC_INITIAL_LEFT = 1097, IDC_INITIAL_LEFT_TEXT = 1098;
  static constexpr int IDC_DELAY_RIGHT = 1099, IDC_DELAY_RIGHT_TEXT = 1119;
  static constexpr int IDC_DELAY_LEFT = 1101, IDC_DELAY_LEFT_TEXT = 1120;
  static constexpr int IDC_ADDITIONAL_RIGHT = 1103, IDC_ADDITIONAL_RIGHT_TEXT = 1104;
  static constexpr int IDC_ADDITIONAL_LEFT = 1105, IDC_ADDITIONAL_LEFT_TEXT = 1106;
};
using EchoDialogModel = PresetEffectDialogModel<EchoControls>;

// Reverb Effect.
struct ReverbControls {
  using Settings = ReverbSettings;
  using Preset = ReverbPreset;
  static constexpr int IDC_APPLY = 1076;
  static constexpr int IDC_DRY_RIGHT = 1105, IDC_DRY_RIGHT_TEXT = 1130;
  static constexpr int IDC_DRY_LEFT = 1128, IDC_DRY_LEFT_TEXT = 1131;
  static constexpr int IDC_WET_RIGHT = 1106, IDC_WET_RIGHT_TEXT = 1124;
  static constexpr int IDC_WET_LEFT = 1129, IDC_WET_LEFT_TEXT = 1125;
  static constexpr int IDC_DELAY_RIGHT = 1099, IDC_DELAY_RIGHT_TEXT = 1119;
  static constexpr int IDC_DELAY_LEFT = 1101, IDC_DELAY_LEFT_TEXT = 1120;
};
using ReverbDialogModel = PresetEffectDialogModel<ReverbControls>;

// Multi Voice Effect.
struct MultiVoiceControls {
  using Settings = MultiVoiceSettings;
  using Preset = MultiVoicePreset;
  static constexpr int IDC_APPLY = 1111;
  static constexpr int IDC_VOICES = 1100, IDC_VOICES_TEXT = 1102;
  static constexpr int IDC_INITIAL_RIGHT = 1077, IDC_INITIAL_RIGHT_TEXT = 1079;
  static constexpr int IDC_INITIAL_LEFT = 1078, IDC_INITIAL_LEFT_TEXT = 1080;
  static constexpr int IDC_WET_RIGHT = 1082, IDC_WET_RIGHT_TEXT = 1081;
  static constexpr int IDC_WET_LEFT = 1083, IDC_WET_LEFT_TEXT = 1084;
  static constexpr int IDC_DELAY_RIGHT = 1086, IDC_DELAY_RIGHT_TEXT = 1085;
  static constexpr int IDC_DELAY_LEFT = 1088, IDC_DELAY_LEFT_TEXT = 1087;
};
using MultiVoiceDialogModel = PresetEffectDialogModel<MultiVoiceControls>;

// Copies the values of a preset entry into the effect's settings record, as
// the dialog's first opening and the batch tool's presets do. The lock state
// is left alone: it belongs to the dialog's check box.
void StorePresetValues(const EchoPreset& entry, EchoSettings* settings);
void StorePresetValues(const ReverbPreset& entry, ReverbSettings* settings);
void StorePresetValues(const MultiVoicePreset& entry, MultiVoiceSettings* settings);

// Mix Paste Clipboard.
class MixPasteDialogModel {
 public:
  static constexpr int IDC_APPLY = 1062, IDC_CANCEL = 2;
  static constexpr int IDC_DOCUMENT_RIGHT = 1058, IDC_DOCUMENT_RIGHT_TEXT = 1063;
  static constexpr int IDC_DOCUMENT_LEFT = 1059, IDC_DOCUMENT_LEFT_TEXT = 1064;
  static constexpr int IDC_CLIPBOARD_RIGHT = 1060, IDC_CLIPBOARD_RIGHT_TEXT = 1065;
  static constexpr int IDC_CLIPBOARD_LEFT = 1061, IDC_CLIPBOARD_LEFT_TEXT = 1066;

  explicit MixPasteDialogModel(MixPasteSettings& settings);
  bool Init(const CEditorDoc& doc);
  void OnSlider(int id, int position);
  void OnLock(bool checked) { lockChecked = checked; }
  const MixPasteSettings& Apply();
  void Cancel() { settings_.applied = 0; }

  bool lockChecked = true;
  bool lockEnabled = true;
  SliderSet sliders;

 private:
  MixPasteSettings& settings_;
};

// The fixed choice lists of both quality dialogs, index 0 first.
struct QualityChoice {
  const char* text;
  int32_t value;
};
extern const std::vector<QualityChoice> kChannelChoices;  // "Stereo" 2, "Mono" 1
// "8000 Hz" ... "96000 Hz" in rising order; 44100 Hz is preselected.
extern const std::vector<QualityChoice> kSampleRateChoices;
extern const int kDefaultSampleRateIndex;
extern const std::vector<QualityChoice> kResolutionChoices;  // "16 Bit" 16, "8 Bit" 8

// New File Audio Quality.
class NewFileQualityModel {
 public:
  static constexpr int IDC_CHANNELS = 1039, IDC_SAMPLE_RATE = 1040, IDC_RESOLUTION = 1042;
  // Stereo, 44100 Hz, 16 bits.
  void Init();
  // OK: the format chosen.
  NewFileQualitySettings Ok() const;
  AudioFormat OkFormat() const;

  int channelsIndex = 0;
  int sampleRateIndex = 0;
  int resolutionIndex = 0;
};

// Change Current Audio Quality.
class ChangeQualityDialogModel {
 public:
  static constexpr int IDC_OK = 1050, IDC_CANCEL = 2;
  static constexpr int IDC_CURRENT_CHANNELS = 1047, IDC_CURRENT_RATE = 1048,
                       IDC_CURRENT_BITS = 1049;
  static constexpr int IDC_CHANNELS = 1044, IDC_SAMPLE_RATE = 1045, IDC_RESOLUTION = 1046;

  explicit ChangeQualityDialogModel(ChangeQualitySettings& settings) : settings_(settings) {}
  // Shows the document's format, proposes stereo, 44100 Hz, 16 bits,
  // applied := 1.
  bool Init(const CEditorDoc& doc);
  const ChangeQualitySettings& Ok();
  void Cancel() { settings_.applied = 0; }

  std::string currentChannels, currentRate, currentBits;
  int channelsIndex = 0;
  int sampleRateIndex = 0;
  int resolutionIndex = 0;

 private:
  ChangeQualitySettings& settings_;
};
