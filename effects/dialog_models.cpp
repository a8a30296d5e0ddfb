#include "effects/dialog_models.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>
#include <span>

#include "effects/effect_output.h"
#include "effects/presets.h"
#include "engine/editor_doc.h"
#include "platform/message.h"

std::string PercentText(int value) {
  return platform::FormatText("%d%c", value, '%');
}

int32_t DelayTextValue(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = std::min<int64_t>(value * 10 + (text[i] - '0'), std::numeric_limits<int32_t>::max());
  }
  return negative ? 0 : static_cast<int32_t>(value);
}

namespace {

std::string ValueTextFor(ValueText style, int value) {
  return style == ValueText::kPercent ? PercentText(value) : std::to_string(value);
}

bool Stereo(const CEditorDoc& doc) {
  return doc.channels == 2;
}

// A dialog refused for the document's format is never applied.
template <class Settings>
bool Refuse(Settings& settings) {
  settings.applied = 0;
  return false;
}

// A slider pair of two channels: right first, as the dialogs lay them out.
void AddPair(std::vector<SliderControl>* sliders, int right, int rightText, int left, int leftText,
             int low, int high, int page, ValueText style) {
  sliders->push_back({right, low, high, page, rightText, style, left, 0});
  sliders->push_back({left, low, high, page, leftText, style, right, 0});
}

}  // namespace

SliderSet::SliderSet(std::vector<SliderControl> sliders) : sliders_(std::move(sliders)) {
  for (auto& s : sliders_) texts_[s.textId] = ValueTextFor(s.style, s.position);
}

const SliderControl* SliderSet::Find(int id) const {
  for (const auto& s : sliders_) {
    if (s.id == id) return &s;
  }
  return nullptr;
}

SliderControl* SliderSet::FindMutable(int id) {
  for (auto& s : sliders_) {
    if (s.id == id) return &s;
  }
  return nullptr;
}

int SliderSet::Position(int id) const {
  const SliderControl* s = Find(id);
  return s ? s->position : 0;
}

const std::string& SliderSet::Text(int textId) const {
  static const std::string kNone;
  const auto it = texts_.find(textId);
  return it == texts_.end() ? kNone : it->second;
}

void SliderSet::SetText(int textId, std::string text) {
  texts_[textId] = std::move(text);
}

void SliderSet::Show(int id, int value) {
  SliderControl* s = FindMutable(id);
  if (s == nullptr) return;
  s->position = std::clamp(value, s->low, s->high);
  texts_[s->textId] = ValueTextFor(s->style, s->position);
}

void SliderSet::Move(int id, int position, bool locked) {
  SliderControl* s = FindMutable(id);
  if (s == nullptr) return;
  Show(id, position);
  if (locked && s->partner != 0) Show(s->partner, s->position);
}

void ApplyToChoice::InitFrom(const CEditorDoc& doc) {
  checked = doc.Selection().Empty() ? IDC_ENTIRE_FILE : IDC_SELECTED_AREA;
}

int ApplyToChoice::Code() const {
  return checked == IDC_ENTIRE_FILE ? ENTIRE_FILE : SELECTED_AREA;
}

// ---- volume ----

namespace {
std::vector<SliderControl> VolumeSliders() {
  std::vector<SliderControl> s;
  AddPair(&s, VolumeDialogModel::IDC_RIGHT, VolumeDialogModel::IDC_RIGHT_TEXT,
          VolumeDialogModel::IDC_LEFT, VolumeDialogModel::IDC_LEFT_TEXT, 0, 300, 10,
          ValueText::kPercent);
  return s;
}
}  // namespace

VolumeDialogModel::VolumeDialogModel(VolumeSettings& settings)
    : sliders(VolumeSliders()), settings_(settings) {}

bool VolumeDialogModel::Init(const CEditorDoc& doc) {
  if (!CheckEffectFormat(doc.Format())) return Refuse(settings_);
  applyTo.InitFrom(doc);
  lockEnabled = Stereo(doc);
  if (settings_.firstOpen == 1) {
    lockChecked = true;
    settings_.rightGain = settings_.leftGain = 100;
  } else {
    lockChecked = settings_.lockState == LOCKED;
  }
  sliders.Show(IDC_RIGHT, static_cast<int>(std::min<uint32_t>(settings_.rightGain, 300)));
  sliders.Show(IDC_LEFT, static_cast<int>(std::min<uint32_t>(settings_.leftGain, 300)));
  settings_.firstOpen = 0;
  return true;
}

void VolumeDialogModel::OnSlider(int id, int position) {
  sliders.Move(id, position, lockChecked);
  settings_.lockState = lockChecked ? LOCKED : UNLOCKED;
}

const VolumeSettings& VolumeDialogModel::Apply() {
  settings_.lockState = lockChecked ? LOCKED : UNLOCKED;
  settings_.applyTo = applyTo.Code();
  settings_.rightGain = static_cast<uint32_t>(sliders.Position(IDC_RIGHT));
  settings_.leftGain = static_cast<uint32_t>(sliders.Position(IDC_LEFT));
  settings_.applied = 1;
  return settings_;
}

// ---- fade ----

namespace {
std::vector<SliderControl> FadeSliders() {
  using M = FadeDialogModel;
  std::vector<SliderControl> s;
  AddPair(&s, M::IDC_START_RIGHT, M::IDC_START_RIGHT_TEXT, M::IDC_START_LEFT,
          M::IDC_START_LEFT_TEXT, 0, 300, 10, ValueText::kPercent);
  AddPair(&s, M::IDC_END_RIGHT, M::IDC_END_RIGHT_TEXT, M::IDC_END_LEFT, M::IDC_END_LEFT_TEXT, 0,
          300, 10, ValueText::kPercent);
  return s;
}
int Gain(uint32_t value) {
  return static_cast<int>(std::min<uint32_t>(value, 300));
}
}  // namespace

FadeDialogModel::FadeDialogModel(FadeSettings& settings)
    : sliders(FadeSliders()), settings_(settings) {}

bool FadeDialogModel::Init(const CEditorDoc& doc) {
  if (!CheckEffectFormat(doc.Format())) return Refuse(settings_);
  applyTo.InitFrom(doc);
  lockEnabled = Stereo(doc);
  if (settings_.firstOpen == 1) {
    lockChecked = true;
    settings_.startRight = settings_.startLeft = 100;
    settings_.endRight = settings_.endLeft = 0;
  } else {
    lockChecked = settings_.lockState == LOCKED;
  }
  sliders.Show(IDC_START_RIGHT, Gain(settings_.startRight));
  sliders.Show(IDC_START_LEFT, Gain(settings_.startLeft));
  sliders.Show(IDC_END_RIGHT, Gain(settings_.endRight));
  sliders.Show(IDC_END_LEFT, Gain(settings_.endLeft));
  settings_.firstOpen = 0;
  return true;
}

void FadeDialogModel::OnSlider(int id, int position) {
  sliders.Move(id, position, lockChecked);
  settings_.lockState = lockChecked ? LOCKED : UNLOCKED;
}

const FadeSettings& FadeDialogModel::Apply() {
  settings_.lockState = lockChecked ? LOCKED : UNLOCKED;
  settings_.applyTo = applyTo.Code();
  settings_.startRight = static_cast<uint32_t>(sliders.Position(IDC_START_RIGHT));
  settings_.startLeft = static_cast<uint32_t>(sliders.Position(IDC_START_LEFT));
  settings_.endRight = static_cast<uint32_t>(sliders.Position(IDC_END_RIGHT));
  settings_.endLeft = static_cast<uint32_t>(sliders.Position(IDC_END_LEFT));
  settings_.applied = 1;
  return settings_;
}

// ---- mute, reverse, swap, copy channel ----

template <class Settings>
bool ChannelChoiceDialogModel<Settings>::Init(const CEditorDoc& doc) {
  if (!CheckEffectFormat(doc.Format())) return Refuse(settings_);
  applyTo.InitFrom(doc);
  leftChecked = rightChecked = true;
  channelsEnabled = Stereo(doc);
  return true;
}

template <class Settings>
const Settings& ChannelChoiceDialogModel<Settings>::Apply() {
  settings_.applyTo = applyTo.Code();
  ChannelSet choice = leftChecked ? LEFT_CHANNEL : NO_CHANNEL;
  if (rightChecked) choice = choice == LEFT_CHANNEL ? BOTH_CHANNELS : RIGHT_CHANNEL;
  settings_.channelChoice = choice;
  settings_.applied = 1;
  return settings_;
}

template class ChannelChoiceDialogModel<MuteSettings>;
template class ChannelChoiceDialogModel<ReverseSettings>;

bool SwapDialogModel::Init(const CEditorDoc& doc) {
  if (!CheckEffectFormat(doc.Format())) return Refuse(settings_);
  applyTo.InitFrom(doc);
  return true;
}

const SwapSettings& SwapDialogModel::Apply() {
  settings_.applyTo = applyTo.Code();
  settings_.applied = 1;
  return settings_;
}

bool CopyChannelDialogModel::Init(const CEditorDoc& doc) {
  if (!CheckEffectFormat(doc.Format())) return Refuse(settings_);
  applyTo.InitFrom(doc);
  direction = IDC_COPY_LEFT_TO_RIGHT;
  return true;
}

const CopyChannelSettings& CopyChannelDialogModel::Apply() {
  settings_.applyTo = applyTo.Code();
  settings_.channelChoice = direction == IDC_COPY_LEFT_TO_RIGHT ? LEFT_CHANNEL : RIGHT_CHANNEL;
  settings_.applied = 1;
  return settings_;
}

// ---- echo, reverb, multi voice ----

namespace {

// What the text beside a slider is to Apply: a label that follows the
// slider, or a box the user types delays into. A typed box shows a value as
// it is, even beyond the slider's range, and Apply takes its number.
enum class Box { kLabel, kTyped };
// Where "Add" reads a value from.
enum class AddFrom { kSlider, kBox };

// One value of a preset effect: where the settings record and a preset
// entry keep it, and the slider that shows it.
template <class Settings, class Preset>
struct PresetField {
  int32_t Settings::*setting;
  int32_t Preset::*entry;
  int slider;
  Box box;
  AddFrom added;
};

SliderSet SlidersFor(EchoControls) {
  using M = EchoControls;
  std::vector<SliderControl> s;
  AddPair(&s, M::IDC_INITIAL_RIGHT, M::IDC_INITIAL_RIGHT_TEXT, M::IDC_INITIAL_LEFT,
          M::IDC_INITIAL_LEFT_TEXT, 0, 100, 10, ValueText::kPercent);
  AddPair(&s, M::IDC_DELAY_RIGHT, M::IDC_DELAY_RIGHT_TEXT, M::IDC_DELAY_LEFT,
          M::IDC_DELAY_LEFT_TEXT, 0, 2500, 100, ValueText::kNumber);
  AddPair(&s, M::IDC_ADDITIONAL_RIGHT, M::IDC_ADDITIONAL_RIGHT_TEXT, M::IDC_ADDITIONAL_LEFT,
          M::IDC_ADDITIONAL_LEFT_TEXT, 0, 100, 10, ValueText::kPercent);
  return SliderSet(std::move(s));
}

std::span<const PresetField<EchoSettings, EchoPreset>> FieldsFor(EchoControls) {
  using S = EchoSettings;
  using P = EchoPreset;
  using M = EchoControls;
  using enum Box;
  using enum AddFrom;
  static constexpr PresetField<S, P> kFields[] = {
      {&S::initialRatioRight, &P::initialRatioRight, M::IDC_INITIAL_RIGHT, kLabel, kSlider},
      {&S::initialRatioLeft, &P::initialRatioLeft, M::IDC_INITIAL_LEFT, kLabel, kSlider},
      {&S::delayRight, &P::delayRight, M::IDC_DELAY_RIGHT, kTyped, kBox},
      {&S::delayLeft, &P::delayLeft, M::IDC_DELAY_LEFT, kTyped, kBox},
      {&S::additionalRatioRight, &P::additionalRatioRight, M::IDC_ADDITIONAL_RIGHT, kLabel,
       kSlider},
      {&S::additionalRatioLeft, &P::additionalRatioLeft, M::IDC_ADDITIONAL_LEFT, kLabel, kSlider},
  };
  return kFields;
}

SliderSet SlidersFor(ReverbControls) {
  using M = ReverbControls;
  std::vector<SliderControl> s;
  AddPair(&s, M::IDC_DRY_RIGHT, M::IDC_DRY_RIGHT_TEXT, M::IDC_DRY_LEFT, M::IDC_DRY_LEFT_TEXT, 0,
          100, 10, ValueText::kPercent);
  AddPair(&s, M::IDC_WET_RIGHT, M::IDC_WET_RIGHT_TEXT, M::IDC_WET_LEFT, M::IDC_WET_LEFT_TEXT, 0, 95,
          10, ValueText::kPercent);
  AddPair(&s, M::IDC_DELAY_RIGHT, M::IDC_DELAY_RIGHT_TEXT, M::IDC_DELAY_LEFT,
          M::IDC_DELAY_LEFT_TEXT, 0, 2500, 100, ValueText::kNumber);
  return SliderSet(std::move(s));
}

std::span<const PresetField<ReverbSettings, ReverbPreset>> FieldsFor(ReverbControls) {
  using S = ReverbSettings;
  using P = ReverbPreset;
  using M = ReverbControls;
  using enum Box;
  using enum AddFrom;
  static constexpr PresetField<S, P> kFields[] = {
      {&S::dryRight, &P::dryRight, M::IDC_DRY_RIGHT, kLabel, kSlider},
      {&S::dryLeft, &P::dryLeft, M::IDC_DRY_LEFT, kLabel, kSlider},
      {&S::wetRight, &P::wetRight, M::IDC_WET_RIGHT, kLabel, kSlider},
      {&S::wetLeft, &P::wetLeft, M::IDC_WET_LEFT, kLabel, kSlider},
      {&S::delayRight, &P::delayRight, M::IDC_DELAY_RIGHT, kTyped, kBox},
      {&S::delayLeft, &P::delayLeft, M::IDC_DELAY_LEFT, kTyped, kBox},
  };
  return kFields;
}

SliderSet SlidersFor(MultiVoiceControls) {
  using M = MultiVoiceControls;
  std::vector<SliderControl> s;
  s.push_back({M::IDC_VOICES, 0, 10, 1, M::IDC_VOICES_TEXT, ValueText::kNumber, 0, 0});
  AddPair(&s, M::IDC_INITIAL_RIGHT, M::IDC_INITIAL_RIGHT_TEXT, M::IDC_INITIAL_LEFT,
          M::IDC_INITIAL_LEFT_TEXT, 0, 100, 10, ValueText::kPercent);
  AddPair(&s, M::IDC_WET_RIGHT, M::IDC_WET_RIGHT_TEXT, M::IDC_WET_LEFT, M::IDC_WET_LEFT_TEXT, 0,
          100, 10, ValueText::kPercent);
  AddPair(&s, M::IDC_DELAY_RIGHT, M::IDC_DELAY_RIGHT_TEXT, M::IDC_DELAY_LEFT,
          M::IDC_DELAY_LEFT_TEXT, 0, 1000, 100, ValueText::kNumber);
  SliderSet sliders(std::move(s));
  sliders.SetText(M::IDC_VOICES_TEXT, "3");  // the resource's text until the dialog opens
  return sliders;
}

// Add stores the wet ratios from their boxes and the delays from the
// sliders, unlike Apply.
std::span<const PresetField<MultiVoiceSettings, MultiVoicePreset>> FieldsFor(MultiVoiceControls) {
  using S = MultiVoiceSettings;
  using P = MultiVoicePreset;
  using M = MultiVoiceControls;
  using enum Box;
  using enum AddFrom;
  static constexpr PresetField<S, P> kFields[] = {
      {&S::voices, &P::voices, M::IDC_VOICES, kLabel, kSlider},
      {&S::initialRatioRight, &P::initialRatioRight, M::IDC_INITIAL_RIGHT, kLabel, kSlider},
      {&S::initialRatioLeft, &P::initialRatioLeft, M::IDC_INITIAL_LEFT, kLabel, kSlider},
      {&S::wetRight, &P::wetRight, M::IDC_WET_RIGHT, kLabel, kBox},
      {&S::wetLeft, &P::wetLeft, M::IDC_WET_LEFT, kLabel, kBox},
      {&S::delayRight, &P::delayRight, M::IDC_DELAY_RIGHT, kTyped, kSlider},
      {&S::delayLeft, &P::delayLeft, M::IDC_DELAY_LEFT, kTyped, kSlider},
  };
  return kFields;
}

// The lock only concerns channel pairs: moving the voices slider, which
// stands alone, leaves the stored lock state as it was.
bool MovesLockState(const SliderSet& sliders, int id) {
  const SliderControl* s = sliders.Find(id);
  return s == nullptr || s->partner != 0;
}

// Only reverb's entries keep the state of the lock box.
template <class Preset>
concept KeepsLock = requires(Preset entry) {
  entry.lock;
};
static_assert(KeepsLock<ReverbPreset> && !KeepsLock<EchoPreset> && !KeepsLock<MultiVoicePreset>);

bool ValidIndex(int index, int32_t count) {
  return index >= 0 && index < count && index < kMaxPresets;
}

int32_t ReadBack(const SliderSet& sliders, int id, bool fromBox) {
  return fromBox ? DelayTextValue(sliders.Text(sliders.Find(id)->textId)) : sliders.Position(id);
}

}  // namespace

namespace {
template <class Controls>
void StoreValues(const typename Controls::Preset& entry, typename Controls::Settings* settings) {
  for (const auto& f : FieldsFor(Controls{})) settings->*f.setting = entry.*f.entry;
}
}  // namespace

void StorePresetValues(const EchoPreset& entry, EchoSettings* settings) {
  StoreValues<EchoControls>(entry, settings);
}
void StorePresetValues(const ReverbPreset& entry, ReverbSettings* settings) {
  StoreValues<ReverbControls>(entry, settings);
}
void StorePresetValues(const MultiVoicePreset& entry, MultiVoiceSettings* settings) {
  StoreValues<MultiVoiceControls>(entry, settings);
}

template <class Controls>
PresetEffectDialogModel<Controls>::PresetEffectDialogModel(Settings& settings)
    : sliders(SlidersFor(Controls{})), settings_(settings) {}

template <class Controls>
void PresetEffectDialogModel<Controls>::ShowValues(const Preset& values) {
  for (const auto& f : FieldsFor(Controls{})) {
    sliders.Show(f.slider, values.*f.entry);
    if (f.box == Box::kTyped) {
      sliders.SetText(sliders.Find(f.slider)->textId, std::to_string(values.*f.entry));
    }
  }
}

template <class Controls>
bool PresetEffectDialogModel<Controls>::Init(const CEditorDoc& doc) {
  if (!CheckEffectFormat(doc.Format())) return Refuse(settings_);
  settings_.applied = 1;
  applyTo.InitFrom(doc);
  LoadPresetList(&settings_.presetCount, settings_.presetTable);
  if (settings_.firstOpen == 1) {
    // The first opening starts from the first built-in preset but with the
    // lock box checked, whatever that entry keeps.
    lockChecked = true;
    StorePresetValues(settings_.presetTable[0], &settings_);
    settings_.firstOpen = 0;
  } else {
    lockChecked = settings_.lock == 1;
  }
  Preset current;
  for (const auto& f : FieldsFor(Controls{})) current.*f.entry = settings_.*f.setting;
  ShowValues(current);
  settings_.presetsModified = 0;
  return true;
}

template <class Controls>
void PresetEffectDialogModel<Controls>::OnSlider(int id, int position) {
  sliders.Move(id, position, lockChecked);
  if (MovesLockState(sliders, id)) settings_.lock = lockChecked ? 1 : 0;
}

template <class Controls>
std::vector<std::string> PresetEffectDialogModel<Controls>::PresetNames() const {
  return ::PresetNames(settings_.presetCount, settings_.presetTable);
}

template <class Controls>
void PresetEffectDialogModel<Controls>::OnPresetDoubleClick(int index) {
  if (!ValidIndex(index, settings_.presetCount)) return;
  const Preset& entry = settings_.presetTable[static_cast<size_t>(index)];
  if constexpr (KeepsLock<Preset>) {
    lockChecked = entry.lock == 1;
    settings_.lock = lockChecked ? 1 : 0;
  }
  ShowValues(entry);
}

template <class Controls>
bool PresetEffectDialogModel<Controls>::OnAdd() {
  Preset entry;
  if constexpr (KeepsLock<Preset>) entry.lock = lockChecked ? 1 : 0;
  for (const auto& f : FieldsFor(Controls{})) {
    entry.*f.entry = ReadBack(sliders, f.slider, f.added == AddFrom::kBox);
  }
  if (!AddPreset(&settings_.presetCount, settings_.presetTable, presetName, entry)) return false;
  presetName.clear();
  settings_.presetsModified = 1;
  return true;
}

template <class Controls>
bool PresetEffectDialogModel<Controls>::OnRemove(int selected) {
  return RemovePreset(&settings_.presetCount, settings_.presetTable, selected);
}

template <class Controls>
auto PresetEffectDialogModel<Controls>::Apply() -> const Settings& {
  settings_.lock = lockChecked ? 1 : 0;
  settings_.applyTo = applyTo.Code();
  for (const auto& f : FieldsFor(Controls{})) {
    settings_.*f.setting = ReadBack(sliders, f.slider, f.box == Box::kTyped);
  }
  if (settings_.presetsModified) WritePresetFile(settings_.presetCount, settings_.presetTable, -1);
  return settings_;
}

template <class Controls>
void PresetEffectDialogModel<Controls>::Cancel() {
  if (settings_.presetsModified) WritePresetFile(settings_.presetCount, settings_.presetTable, -1);
  settings_.applied = 0;
}

template class PresetEffectDialogModel<EchoControls>;
template class PresetEffectDialogModel<ReverbControls>;
template class PresetEffectDialogModel<MultiVoiceControls>;

// ---- mix paste ----

namespace {
std::vector<SliderControl> MixPasteSliders() {
  using M = MixPasteDialogModel;
  std::vector<SliderControl> s;
  AddPair(&s, M::IDC_DOCUMENT_RIGHT, M::IDC_DOCUMENT_RIGHT_TEXT, M::IDC_DOCUMENT_LEFT,
          M::IDC_DOCUMENT_LEFT_TEXT, 0, 300, 10, ValueText::kPercent);
  AddPair(&s, M::IDC_CLIPBOARD_RIGHT, M::IDC_CLIPBOARD_RIGHT_TEXT, M::IDC_CLIPBOARD_LEFT,
          M::IDC_CLIPBOARD_LEFT_TEXT, 0, 300, 10, ValueText::kPercent);
  return s;
}
}  // namespace

MixPasteDialogModel::MixPasteDialogModel(MixPasteSettings& settings)
    : sliders(MixPasteSliders()), settings_(settings) {}

bool MixPasteDialogModel::Init(const CEditorDoc& doc) {
  if (!CheckEffectFormat(doc.Format())) return Refuse(settings_);
  lockEnabled = Stereo(doc);
  if (settings_.firstOpen == 1) {
    lockChecked = true;
    settings_.documentRight = settings_.documentLeft = 100;
    settings_.clipboardRight = settings_.clipboardLeft = 100;
  } else {
    // The flag holds LOCKED or UNLOCKED once a slider has moved, 1 before.
    lockChecked = settings_.lock != 0 && settings_.lock != UNLOCKED;
  }
  sliders.Show(IDC_DOCUMENT_RIGHT, Gain(settings_.documentRight));
  sliders.Show(IDC_DOCUMENT_LEFT, Gain(settings_.documentLeft));
  sliders.Show(IDC_CLIPBOARD_RIGHT, Gain(settings_.clipboardRight));
  sliders.Show(IDC_CLIPBOARD_LEFT, Gain(settings_.clipboardLeft));
  settings_.firstOpen = 0;
  return true;
}

void MixPasteDialogModel::OnSlider(int id, int position) {
  sliders.Move(id, position, lockChecked);
  settings_.lock = lockChecked ? LOCKED : UNLOCKED;
}

const MixPasteSettings& MixPasteDialogModel::Apply() {
  settings_.applyTo = ENTIRE_FILE;
  settings_.documentRight = static_cast<uint32_t>(sliders.Position(IDC_DOCUMENT_RIGHT));
  settings_.documentLeft = static_cast<uint32_t>(sliders.Position(IDC_DOCUMENT_LEFT));
  settings_.clipboardRight = static_cast<uint32_t>(sliders.Position(IDC_CLIPBOARD_RIGHT));
  settings_.clipboardLeft = static_cast<uint32_t>(sliders.Position(IDC_CLIPBOARD_LEFT));
  settings_.applied = 1;
  return settings_;
}

// ---- audio quality ----

const std::vector<QualityChoice> kChannelChoices = {{"Stereo", 2}, {"Mono", 1}};
const std::vector<QualityChoice> kSampleRateChoices = {
    {"8000 Hz", 8000},   {"11025 Hz", 11025}, {"16000 Hz", 16000}, {"22050 Hz", 22050},
    {"32000 Hz", 32000}, {"44100 Hz", 44100}, {"48000 Hz", 48000}, {"96000 Hz", 96000}};
const int kDefaultSampleRateIndex = 5;
const std::vector<QualityChoice> kResolutionChoices = {{"16 Bit", 16}, {"8 Bit", 8}};

namespace {
// An index outside the list (no selection) gives the preselected rate.
int32_t RateFor(int index) {
  const bool listed = index >= 0 && index < static_cast<int>(kSampleRateChoices.size());
  return kSampleRateChoices[static_cast<size_t>(listed ? index : kDefaultSampleRateIndex)].value;
}
}  // namespace

void NewFileQualityModel::Init() {
  channelsIndex = resolutionIndex = 0;
  sampleRateIndex = kDefaultSampleRateIndex;
}

NewFileQualitySettings NewFileQualityModel::Ok() const {
  NewFileQualitySettings s;
  s.channels = channelsIndex != 0 ? 1 : 2;
  s.sampleRate = RateFor(sampleRateIndex);
  s.bitsPerSample = resolutionIndex != 0 ? 8 : 16;
  return s;
}

AudioFormat NewFileQualityModel::OkFormat() const {
  const NewFileQualitySettings s = Ok();
  return {static_cast<int16_t>(s.channels), static_cast<int16_t>(s.bitsPerSample), s.sampleRate};
}

bool ChangeQualityDialogModel::Init(const CEditorDoc& doc) {
  if (!CheckEffectFormat(doc.Format())) return Refuse(settings_);
  currentChannels = doc.channels == 1 ? "Mono" : "Stereo";
  currentRate = platform::FormatText("%d Hz", static_cast<int>(doc.sampleRate));
  currentBits = platform::FormatText("%d Bit", static_cast<int>(doc.bitsPerSample));
  channelsIndex = resolutionIndex = 0;
  sampleRateIndex = kDefaultSampleRateIndex;
  settings_.applied = 1;
  return true;
}

const ChangeQualitySettings& ChangeQualityDialogModel::Ok() {
  settings_.newBitsPerSample = resolutionIndex != 0 ? 8 : 16;
  settings_.newSampleRate = RateFor(sampleRateIndex);
  if (channelsIndex == 0) settings_.newChannels = 2;
  if (channelsIndex == 1) settings_.newChannels = 1;
  return settings_;
}
