#include "effects/dialog_models.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>

#include "doc/editor_doc.h"
#include "effects/effect_output.h"
#include "effects/presets.h"
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
  checked = doc.selStart == doc.selEnd ? IDC_ENTIRE_FILE : IDC_SELECTED_AREA;
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
  int choice = leftChecked ? LEFT_CHANNEL : 0;
  if (rightChecked) choice = choice == LEFT_CHANNEL ? BOTH : RIGHT_CHANNEL;
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

// ---- echo ----

namespace {
std::vector<SliderControl> EchoSliders() {
  using M = EchoDialogModel;
  std::vector<SliderControl> s;
  AddPair(&s, M::IDC_INITIAL_RIGHT, M::IDC_INITIAL_RIGHT_TEXT, M::IDC_INITIAL_LEFT,
          M::IDC_INITIAL_LEFT_TEXT, 0, 100, 10, ValueText::kPercent);
  AddPair(&s, M::IDC_DELAY_RIGHT, M::IDC_DELAY_RIGHT_TEXT, M::IDC_DELAY_LEFT,
          M::IDC_DELAY_LEFT_TEXT, 0, 2500, 100, ValueText::kNumber);
  AddPair(&s, M::IDC_ADDITIONAL_RIGHT, M::IDC_ADDITIONAL_RIGHT_TEXT, M::IDC_ADDITIONAL_LEFT,
          M::IDC_ADDITIONAL_LEFT_TEXT, 0, 100, 10, ValueText::kPercent);
  return s;
}

// A delay goes to its slider (within the slider's range) and, as typed
// values may exceed that range, to its box as it is.
void ShowDelay(SliderSet& sliders, int id, int textId, int32_t value) {
  sliders.Show(id, value);
  sliders.SetText(textId, std::to_string(value));
}

template <class Entry>
bool ValidIndex(int index, int32_t count) {
  return index >= 0 && index < count && index < kMaxPresets;
}
}  // namespace

EchoDialogModel::EchoDialogModel(EchoSettings& settings)
    : sliders(EchoSliders()), settings_(settings) {}

void EchoDialogModel::ShowValues(const EchoPreset& v) {
  sliders.Show(IDC_INITIAL_RIGHT, v.initialRatioRight);
  sliders.Show(IDC_INITIAL_LEFT, v.initialRatioLeft);
  ShowDelay(sliders, IDC_DELAY_RIGHT, IDC_DELAY_RIGHT_TEXT, v.delayRight);
  ShowDelay(sliders, IDC_DELAY_LEFT, IDC_DELAY_LEFT_TEXT, v.delayLeft);
  sliders.Show(IDC_ADDITIONAL_RIGHT, v.additionalRatioRight);
  sliders.Show(IDC_ADDITIONAL_LEFT, v.additionalRatioLeft);
}

bool EchoDialogModel::Init(const CEditorDoc& doc) {
  if (!CheckEffectFormat(doc.Format())) return Refuse(settings_);
  settings_.applied = 1;
  applyTo.InitFrom(doc);
  LoadPresetList(&settings_.presetCount, settings_.presetTable);
  if (settings_.firstOpen == 1) {
    lockChecked = true;
    const EchoPreset& canyon = settings_.presetTable[0];
    settings_.initialRatioRight = canyon.initialRatioRight;
    settings_.initialRatioLeft = canyon.initialRatioLeft;
    settings_.additionalRatioRight = canyon.additionalRatioRight;
    settings_.additionalRatioLeft = canyon.additionalRatioLeft;
    settings_.delayRight = canyon.delayRight;
    settings_.delayLeft = canyon.delayLeft;
    settings_.firstOpen = 0;
  } else {
    lockChecked = settings_.lock == 1;
  }
  EchoPreset current;
  current.initialRatioRight = settings_.initialRatioRight;
  current.initialRatioLeft = settings_.initialRatioLeft;
  current.additionalRatioRight = settings_.additionalRatioRight;
  current.additionalRatioLeft = settings_.additionalRatioLeft;
  current.delayRight = settings_.delayRight;
  current.delayLeft = settings_.delayLeft;
  ShowValues(current);
  settings_.presetsModified = 0;
  return true;
}

void EchoDialogModel::OnSlider(int id, int position) {
  sliders.Move(id, position, lockChecked);
  settings_.lock = lockChecked ? 1 : 0;
}

std::vector<std::string> EchoDialogModel::PresetNames() const {
  return ::PresetNames(settings_.presetCount, settings_.presetTable);
}

void EchoDialogModel::OnPresetDoubleClick(int index) {
  if (!ValidIndex<EchoPreset>(index, settings_.presetCount)) return;
  ShowValues(settings_.presetTable[static_cast<size_t>(index)]);
}

bool EchoDialogModel::OnAdd() {
  EchoPreset entry;
  entry.initialRatioRight = sliders.Position(IDC_INITIAL_RIGHT);
  entry.initialRatioLeft = sliders.Position(IDC_INITIAL_LEFT);
  entry.delayRight = DelayTextValue(sliders.Text(IDC_DELAY_RIGHT_TEXT));
  entry.delayLeft = DelayTextValue(sliders.Text(IDC_DELAY_LEFT_TEXT));
  entry.additionalRatioRight = sliders.Position(IDC_ADDITIONAL_RIGHT);
  entry.additionalRatioLeft = sliders.Position(IDC_ADDITIONAL_LEFT);
  if (!AddPreset(&settings_.presetCount, settings_.presetTable, presetName, entry)) return false;
  presetName.clear();
  settings_.presetsModified = 1;
  return true;
}

bool EchoDialogModel::OnRemove(int selected) {
  return RemovePreset(&settings_.presetCount, settings_.presetTable, selected);
}

const EchoSettings& EchoDialogModel::Apply() {
  settings_.lock = lockChecked ? 1 : 0;
  settings_.applyTo = applyTo.Code();
  settings_.initialRatioRight = sliders.Position(IDC_INITIAL_RIGHT);
  settings_.initialRatioLeft = sliders.Position(IDC_INITIAL_LEFT);
  settings_.delayRight = DelayTextValue(sliders.Text(IDC_DELAY_RIGHT_TEXT));
  settings_.delayLeft = DelayTextValue(sliders.Text(IDC_DELAY_LEFT_TEXT));
  settings_.additionalRatioRight = sliders.Position(IDC_ADDITIONAL_RIGHT);
  settings_.additionalRatioLeft = sliders.Position(IDC_ADDITIONAL_LEFT);
  if (settings_.presetsModified) WritePresetFile(settings_.presetCount, settings_.presetTable, -1);
  return settings_;
}

void EchoDialogModel::Cancel() {
  if (settings_.presetsModified) WritePresetFile(settings_.presetCount, settings_.presetTable, -1);
  settings_.applied = 0;
}

// ---- reverb ----

namespace {
std::vector<SliderControl> ReverbSliders() {
  using M = ReverbDialogModel;
  std::vector<SliderControl> s;
  AddPair(&s, M::IDC_DRY_RIGHT, M::IDC_DRY_RIGHT_TEXT, M::IDC_DRY_LEFT, M::IDC_DRY_LEFT_TEXT, 0,
          100, 10, ValueText::kPercent);
  AddPair(&s, M::IDC_WET_RIGHT, M::IDC_WET_RIGHT_TEXT, M::IDC_WET_LEFT, M::IDC_WET_LEFT_TEXT, 0, 95,
          10, ValueText::kPercent);
  AddPair(&s, M::IDC_DELAY_RIGHT, M::IDC_DELAY_RIGHT_TEXT, M::IDC_DELAY_LEFT,
          M::IDC_DELAY_LEFT_TEXT, 0, 2500, 100, ValueText::kNumber);
  return s;
}
}  // namespace

ReverbDialogModel::ReverbDialogModel(ReverbSettings& settings)
    : sliders(ReverbSliders()), settings_(settings) {}

void ReverbDialogModel::ShowValues(const ReverbPreset& v) {
  sliders.Show(IDC_DRY_RIGHT, v.dryRight);
  sliders.Show(IDC_DRY_LEFT, v.dryLeft);
  sliders.Show(IDC_WET_RIGHT, v.wetRight);
  sliders.Show(IDC_WET_LEFT, v.wetLeft);
  ShowDelay(sliders, IDC_DELAY_RIGHT, IDC_DELAY_RIGHT_TEXT, v.delayRight);
  ShowDelay(sliders, IDC_DELAY_LEFT, IDC_DELAY_LEFT_TEXT, v.delayLeft);
}

bool ReverbDialogModel::Init(const CEditorDoc& doc) {
  if (!CheckEffectFormat(doc.Format())) return Refuse(settings_);
  settings_.applied = 1;
  applyTo.InitFrom(doc);
  LoadPresetList(&settings_.presetCount, settings_.presetTable);
  if (settings_.firstOpen == 1) {
    lockChecked = true;
    const ReverbPreset& cathedral = settings_.presetTable[0];
    settings_.dryRight = cathedral.dryRight;
    settings_.dryLeft = cathedral.dryLeft;
    settings_.wetRight = cathedral.wetRight;
    settings_.wetLeft = cathedral.wetLeft;
    settings_.delayRight = cathedral.delayRight;
    settings_.delayLeft = cathedral.delayLeft;
    settings_.firstOpen = 0;
  } else {
    lockChecked = settings_.lock == 1;
  }
  ReverbPreset current;
  current.dryRight = settings_.dryRight;
  current.dryLeft = settings_.dryLeft;
  current.wetRight = settings_.wetRight;
  current.wetLeft = settings_.wetLeft;
  current.delayRight = settings_.delayRight;
  current.delayLeft = settings_.delayLeft;
  ShowValues(current);
  settings_.presetsModified = 0;
  return true;
}

void ReverbDialogModel::OnSlider(int id, int position) {
  sliders.Move(id, position, lockChecked);
  settings_.lock = lockChecked ? 1 : 0;
}

std::vector<std::string> ReverbDialogModel::PresetNames() const {
  return ::PresetNames(settings_.presetCount, settings_.presetTable);
}

void ReverbDialogModel::OnPresetDoubleClick(int index) {
  if (!ValidIndex<ReverbPreset>(index, settings_.presetCount)) return;
  const ReverbPreset& entry = settings_.presetTable[static_cast<size_t>(index)];
  lockChecked = entry.lock == 1;
  settings_.lock = lockChecked ? 1 : 0;
  ShowValues(entry);
}

bool ReverbDialogModel::OnAdd() {
  ReverbPreset entry;
  entry.lock = lockChecked ? 1 : 0;
  entry.dryRight = sliders.Position(IDC_DRY_RIGHT);
  entry.dryLeft = sliders.Position(IDC_DRY_LEFT);
  entry.wetRight = sliders.Position(IDC_WET_RIGHT);
  entry.wetLeft = sliders.Position(IDC_WET_LEFT);
  entry.delayRight = DelayTextValue(sliders.Text(IDC_DELAY_RIGHT_TEXT));
  entry.delayLeft = DelayTextValue(sliders.Text(IDC_DELAY_LEFT_TEXT));
  if (!AddPreset(&settings_.presetCount, settings_.presetTable, presetName, entry)) return false;
  presetName.clear();
  settings_.presetsModified = 1;
  return true;
}

bool ReverbDialogModel::OnRemove(int selected) {
  return RemovePreset(&settings_.presetCount, settings_.presetTable, selected);
}

const ReverbSettings& ReverbDialogModel::Apply() {
  settings_.applyTo = applyTo.Code();
  settings_.lock = lockChecked ? 1 : 0;
  settings_.dryRight = sliders.Position(IDC_DRY_RIGHT);
  settings_.dryLeft = sliders.Position(IDC_DRY_LEFT);
  settings_.wetRight = sliders.Position(IDC_WET_RIGHT);
  settings_.wetLeft = sliders.Position(IDC_WET_LEFT);
  settings_.delayRight = DelayTextValue(sliders.Text(IDC_DELAY_RIGHT_TEXT));
  settings_.delayLeft = DelayTextValue(sliders.Text(IDC_DELAY_LEFT_TEXT));
  if (settings_.presetsModified) WritePresetFile(settings_.presetCount, settings_.presetTable, -1);
  return settings_;
}

void ReverbDialogModel::Cancel() {
  if (settings_.presetsModified) WritePresetFile(settings_.presetCount, settings_.presetTable, -1);
  settings_.applied = 0;
}

// ---- multi voice ----

namespace {
std::vector<SliderControl> MultiVoiceSliders() {
  using M = MultiVoiceDialogModel;
  std::vector<SliderControl> s;
  s.push_back({M::IDC_VOICES, 0, 10, 1, M::IDC_VOICES_TEXT, ValueText::kNumber, 0, 0});
  AddPair(&s, M::IDC_INITIAL_RIGHT, M::IDC_INITIAL_RIGHT_TEXT, M::IDC_INITIAL_LEFT,
          M::IDC_INITIAL_LEFT_TEXT, 0, 100, 10, ValueText::kPercent);
  AddPair(&s, M::IDC_WET_RIGHT, M::IDC_WET_RIGHT_TEXT, M::IDC_WET_LEFT, M::IDC_WET_LEFT_TEXT, 0,
          100, 10, ValueText::kPercent);
  AddPair(&s, M::IDC_DELAY_RIGHT, M::IDC_DELAY_RIGHT_TEXT, M::IDC_DELAY_LEFT,
          M::IDC_DELAY_LEFT_TEXT, 0, 1000, 100, ValueText::kNumber);
  return s;
}
}  // namespace

MultiVoiceDialogModel::MultiVoiceDialogModel(MultiVoiceSettings& settings)
    : sliders(MultiVoiceSliders()), settings_(settings) {
  sliders.SetText(IDC_VOICES_TEXT, "3");  // the resource's text until the dialog opens
}

void MultiVoiceDialogModel::ShowValues(const MultiVoicePreset& v) {
  sliders.Show(IDC_VOICES, v.voices);
  sliders.Show(IDC_INITIAL_RIGHT, v.initialRatioRight);
  sliders.Show(IDC_INITIAL_LEFT, v.initialRatioLeft);
  sliders.Show(IDC_WET_RIGHT, v.wetRight);
  sliders.Show(IDC_WET_LEFT, v.wetLeft);
  ShowDelay(sliders, IDC_DELAY_RIGHT, IDC_DELAY_RIGHT_TEXT, v.delayRight);
  ShowDelay(sliders, IDC_DELAY_LEFT, IDC_DELAY_LEFT_TEXT, v.delayLeft);
}

bool MultiVoiceDialogModel::Init(const CEditorDoc& doc) {
  if (!CheckEffectFormat(doc.Format())) return Refuse(settings_);
  settings_.applied = 1;
  applyTo.InitFrom(doc);
  LoadPresetList(&settings_.presetCount, settings_.presetTable);
  if (settings_.firstOpen == 1) {
    lockChecked = true;
    const MultiVoicePreset& chorus = settings_.presetTable[0];
    settings_.voices = chorus.voices;
    settings_.initialRatioRight = chorus.initialRatioRight;
    settings_.initialRatioLeft = chorus.initialRatioLeft;
    settings_.wetRight = chorus.wetRight;
    settings_.wetLeft = chorus.wetLeft;
    settings_.delayRight = chorus.delayRight;
    settings_.delayLeft = chorus.delayLeft;
    settings_.firstOpen = 0;
  } else {
    lockChecked = settings_.lock == 1;
  }
  MultiVoicePreset current;
  current.voices = settings_.voices;
  current.initialRatioRight = settings_.initialRatioRight;
  current.initialRatioLeft = settings_.initialRatioLeft;
  current.wetRight = settings_.wetRight;
  current.wetLeft = settings_.wetLeft;
  current.delayRight = settings_.delayRight;
  current.delayLeft = settings_.delayLeft;
  ShowValues(current);
  settings_.presetsModified = 0;
  return true;
}

void MultiVoiceDialogModel::OnSlider(int id, int position) {
  sliders.Move(id, position, lockChecked);
  if (id != IDC_VOICES) settings_.lock = lockChecked ? 1 : 0;
}

std::vector<std::string> MultiVoiceDialogModel::PresetNames() const {
  return ::PresetNames(settings_.presetCount, settings_.presetTable);
}

void MultiVoiceDialogModel::OnPresetDoubleClick(int index) {
  if (!ValidIndex<MultiVoicePreset>(index, settings_.presetCount)) return;
  ShowValues(settings_.presetTable[static_cast<size_t>(index)]);
}

bool MultiVoiceDialogModel::OnAdd() {
  MultiVoicePreset entry;
  entry.voices = sliders.Position(IDC_VOICES);
  entry.initialRatioRight = sliders.Position(IDC_INITIAL_RIGHT);
  entry.initialRatioLeft = sliders.Position(IDC_INITIAL_LEFT);
  entry.wetRight = DelayTextValue(sliders.Text(IDC_WET_RIGHT_TEXT));
  entry.wetLeft = DelayTextValue(sliders.Text(IDC_WET_LEFT_TEXT));
  entry.delayRight = sliders.Position(IDC_DELAY_RIGHT);
  entry.delayLeft = sliders.Position(IDC_DELAY_LEFT);
  if (!AddPreset(&settings_.presetCount, settings_.presetTable, presetName, entry)) return false;
  presetName.clear();
  settings_.presetsModified = 1;
  return true;
}

bool MultiVoiceDialogModel::OnRemove(int selected) {
  return RemovePreset(&settings_.presetCount, settings_.presetTable, selected);
}

const MultiVoiceSettings& MultiVoiceDialogModel::Apply() {
  settings_.lock = lockChecked ? 1 : 0;
  settings_.applyTo = applyTo.Code();
  settings_.voices = sliders.Position(IDC_VOICES);
  settings_.initialRatioRight = sliders.Position(IDC_INITIAL_RIGHT);
  settings_.initialRatioLeft = sliders.Position(IDC_INITIAL_LEFT);
  settings_.wetRight = sliders.Position(IDC_WET_RIGHT);
  settings_.wetLeft = sliders.Position(IDC_WET_LEFT);
  settings_.delayRight = DelayTextValue(sliders.Text(IDC_DELAY_RIGHT_TEXT));
  settings_.delayLeft = DelayTextValue(sliders.Text(IDC_DELAY_LEFT_TEXT));
  if (settings_.presetsModified) WritePresetFile(settings_.presetCount, settings_.presetTable, -1);
  return settings_;
}

void MultiVoiceDialogModel::Cancel() {
  if (settings_.presetsModified) WritePresetFile(settings_.presetCount, settings_.presetTable, -1);
  settings_.applied = 0;
}

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
    {"44100 KHz", 44100}, {"22050 KHz", 22050}, {"11025 KHz", 11025}};
const std::vector<QualityChoice> kResolutionChoices = {{"16 Bit", 16}, {"8 Bit", 8}};

namespace {
int32_t RateFor(int index) {
  return index == 0 ? 44100 : index == 1 ? 22050 : 11025;
}
}  // namespace

void NewFileQualityModel::Init() {
  channelsIndex = sampleRateIndex = resolutionIndex = 0;
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
  currentRate = platform::FormatText("%d KHz", static_cast<int>(doc.sampleRate));
  currentBits = platform::FormatText("%d Bit", static_cast<int>(doc.bitsPerSample));
  channelsIndex = sampleRateIndex = resolutionIndex = 0;
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
