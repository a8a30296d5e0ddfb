#include "batch/tool_settings.h"

#include <cstring>

#include "effects/dialog_models.h"
#include "effects/document_tools.h"
#include "engine/editor_doc.h"
#include "engine/effect_tool.h"
#include "engine/op_codes.h"

// Each function does what the tool's dialog does between opening and Apply:
// the values go into the record, the dialog counts as opened once (so a
// later dialog restores them instead of its first-opening defaults), and the
// record is marked applied. Lock states are the dialog's own memory of its
// check box and are left alone.

namespace {

// Echo, reverb and multi voice: the dialog reloads its preset list (built-in
// entries plus the preset file) at every opening, and a preset is chosen by
// its name in that list.
template <class Entry>
const Entry* FindPreset(int32_t* count, PresetTable<Entry>& table, const std::string& name) {
  LoadPresetList(count, table);
  for (int32_t i = 0; i < *count && i < kMaxPresets; ++i) {
    if (name == table[static_cast<size_t>(i)].name) return &table[static_cast<size_t>(i)];
  }
  return nullptr;
}

// Echo, reverb and multi voice: the named preset's values, or the typed ones
// when no preset is named. A reverb preset also carries its lock box.
template <class Settings, class Preset>
FillResult FillPresetEffect(Settings& s, const std::string& presetName, const Preset& typed,
                            int applyTo) {
  const Preset* values = &typed;
  if (!presetName.empty()) {
    values = FindPreset(&s.presetCount, s.presetTable, presetName);
    if (values == nullptr) return FillResult::UnknownPreset;
    if constexpr (requires { values->lock; }) s.lock = values->lock;
  }
  StorePresetValues(*values, &s);
  s.applyTo = applyTo;
  s.presetsModified = 0;
  s.firstOpen = 0;
  s.applied = 1;
  return FillResult::Filled;
}

}  // namespace

ChannelSet ChannelChoice(const ChannelBoxArgs& args) {
  if (args.left && args.right) return BOTH_CHANNELS;
  if (args.left) return LEFT_CHANNEL;
  if (args.right) return RIGHT_CHANNEL;
  return NO_CHANNEL;
}

FillResult FillVolume(CEditorDoc& doc, const VolumeArgs& args, int applyTo) {
  VolumeTool* tool = VolumeOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  VolumeSettings& s = tool->settings;
  s.leftGain = static_cast<uint32_t>(args.left);
  s.rightGain = static_cast<uint32_t>(args.right);
  s.applyTo = applyTo;
  s.firstOpen = 0;
  s.applied = 1;
  return FillResult::Filled;
}

FillResult FillFade(CEditorDoc& doc, const FadeArgs& args, int applyTo) {
  FadeTool* tool = FadeOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  FadeSettings& s = tool->settings;
  s.startLeft = static_cast<uint32_t>(args.startLeft);
  s.startRight = static_cast<uint32_t>(args.startRight);
  s.endLeft = static_cast<uint32_t>(args.endLeft);
  s.endRight = static_cast<uint32_t>(args.endRight);
  s.applyTo = applyTo;
  s.firstOpen = 0;
  s.applied = 1;
  return FillResult::Filled;
}

FillResult FillMute(CEditorDoc& doc, const ChannelBoxArgs& args, int applyTo) {
  MuteTool* tool = MuteOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  tool->settings.channelChoice = ChannelChoice(args);
  tool->settings.applyTo = applyTo;
  tool->settings.applied = 1;
  return FillResult::Filled;
}

FillResult FillReverse(CEditorDoc& doc, const ChannelBoxArgs& args, int applyTo) {
  ReverseTool* tool = ReverseOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  tool->settings.channelChoice = ChannelChoice(args);
  tool->settings.applyTo = applyTo;
  tool->settings.applied = 1;
  return FillResult::Filled;
}

FillResult FillSwap(CEditorDoc& doc, const SwapArgs& /*args*/, int applyTo) {
  SwapTool* tool = SwapOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  tool->settings.applyTo = applyTo;
  tool->settings.applied = 1;
  return FillResult::Filled;
}

FillResult FillCopyChannel(CEditorDoc& doc, const CopyChannelArgs& args, int applyTo) {
  CopyChannelTool* tool = CopyChannelOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  tool->settings.channelChoice = args.leftToRight ? LEFT_CHANNEL : RIGHT_CHANNEL;
  tool->settings.applyTo = applyTo;
  tool->settings.applied = 1;
  return FillResult::Filled;
}

FillResult FillEcho(CEditorDoc& doc, const EchoArgs& args, int applyTo) {
  EchoTool* tool = EchoOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  EchoPreset typed{};
  typed.initialRatioLeft = args.initialLeft;
  typed.initialRatioRight = args.initialRight;
  typed.additionalRatioLeft = args.additionalLeft;
  typed.additionalRatioRight = args.additionalRight;
  typed.delayLeft = args.delayLeft;
  typed.delayRight = args.delayRight;
  return FillPresetEffect(tool->settings, args.preset, typed, applyTo);
}

FillResult FillReverb(CEditorDoc& doc, const ReverbArgs& args, int applyTo) {
  ReverbTool* tool = ReverbOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  ReverbPreset typed{};
  typed.dryLeft = args.dryLeft;
  typed.dryRight = args.dryRight;
  typed.wetLeft = args.wetLeft;
  typed.wetRight = args.wetRight;
  typed.delayLeft = args.delayLeft;
  typed.delayRight = args.delayRight;
  return FillPresetEffect(tool->settings, args.preset, typed, applyTo);
}

FillResult FillMultiVoice(CEditorDoc& doc, const MultiVoiceArgs& args, int applyTo) {
  MultiVoiceTool* tool = MultiVoiceOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  MultiVoicePreset typed{};
  typed.voices = args.voices;
  typed.initialRatioLeft = args.initialLeft;
  typed.initialRatioRight = args.initialRight;
  typed.wetLeft = args.wetLeft;
  typed.wetRight = args.wetRight;
  typed.delayLeft = args.delayLeft;
  typed.delayRight = args.delayRight;
  return FillPresetEffect(tool->settings, args.preset, typed, applyTo);
}

FillResult FillMixPaste(CEditorDoc& doc, const MixPasteArgs& args) {
  MixPasteTool* tool = MixPasteOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  MixPasteSettings& s = tool->settings;
  s.documentLeft = static_cast<uint32_t>(args.documentLeft);
  s.documentRight = static_cast<uint32_t>(args.documentRight);
  s.clipboardLeft = static_cast<uint32_t>(args.clipboardLeft);
  s.clipboardRight = static_cast<uint32_t>(args.clipboardRight);
  s.applyTo = ENTIRE_FILE;
  s.firstOpen = 0;
  s.applied = 1;
  return FillResult::Filled;
}

FillResult FillChangeQuality(CEditorDoc& doc, const QualityArgs& args) {
  ChangeQualityTool* tool = ChangeQualityOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  ChangeQualitySettings& s = tool->settings;
  s.newChannels = args.channels;
  s.newBitsPerSample = args.bitsPerSample;
  s.newSampleRate = args.sampleRate;
  s.applied = 1;
  return FillResult::Filled;
}
