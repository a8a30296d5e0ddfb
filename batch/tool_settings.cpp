#include "batch/tool_settings.h"

#include <algorithm>
#include <vector>

#include "effects/dialog_models.h"
#include "effects/document_tools.h"
#include "effects/effect_output.h"
#include "effects/presets.h"
#include "engine/editor_doc.h"
#include "engine/effect_tool.h"

// Each function does with the tool's dialog model what the user does with
// the dialog: it opens on the document (restoring the values of the last
// opening, or its first-opening defaults), the controls are set, and Apply
// fills the record. Lock boxes are left as the opening shows them, so the
// record keeps its lock states.

namespace {

// Opens the dialog as the window does. false for a document whose layout no
// tool handles: the window's dialog would refuse to open, and the operation
// itself gives that refusal, so the record is left as it is.
template <class Model>
bool Open(Model& model, const CEditorDoc& doc) {
  return EffectFormatSupported(doc.Format()) && model.Init(doc);
}

// A delay is typed into its box; Apply takes the box's number.
template <class Model>
void TypeDelay(Model& model, int textId, int32_t value) {
  model.OnEditText(textId, std::to_string(value));
}

// Echo, reverb and multi voice: the index of the preset called `name` in the
// dialog's list (built-in entries plus the preset file, reloaded at every
// opening), or -1.
template <class Settings>
int PresetIndex(Settings& settings, const std::string& name) {
  LoadPresetList(&settings.presetCount, settings.presetTable);
  const std::vector<std::string> names = PresetNames(settings.presetCount, settings.presetTable);
  const auto found = std::find(names.begin(), names.end(), name);
  return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

// Echo, reverb and multi voice: a named preset is double-clicked in the
// list, otherwise `typeValues` sets the sliders and delay boxes.
template <class Model, class TypeValues>
FillResult AnswerPresetEffect(typename Model::Settings& settings, const CEditorDoc& doc,
                              const std::string& presetName, ScopeChoice scope,
                              TypeValues typeValues) {
  int index = -1;
  if (!presetName.empty()) {
    index = PresetIndex(settings, presetName);
    if (index < 0) return FillResult::UnknownPreset;
  }
  Model model(settings);
  if (!Open(model, doc)) return FillResult::Filled;
  if (index >= 0) {
    model.OnPresetDoubleClick(index);
  } else {
    typeValues(model);
  }
  ChooseScope(scope, &model.applyTo);
  model.Apply();
  return FillResult::Filled;
}

// The position of `value` in one of the quality dialog's lists, or -1.
int ChoiceIndex(const std::vector<QualityChoice>& choices, int32_t value) {
  for (size_t i = 0; i < choices.size(); ++i) {
    if (choices[i].value == value) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

void ChooseScope(ScopeChoice scope, ApplyToChoice* choice) {
  switch (scope) {
    case ScopeChoice::Entire:
      choice->checked = IDC_ENTIRE_FILE;
      break;
    case ScopeChoice::Selection:
      choice->checked = IDC_SELECTED_AREA;
      break;
    case ScopeChoice::AsDialog:
      break;
  }
}

FillResult FillVolume(CEditorDoc& doc, const VolumeArgs& args) {
  VolumeTool* tool = VolumeOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  VolumeDialogModel model(tool->settings);
  if (!Open(model, doc)) return FillResult::Filled;
  model.sliders.Show(VolumeDialogModel::IDC_LEFT, args.left);
  model.sliders.Show(VolumeDialogModel::IDC_RIGHT, args.right);
  ChooseScope(args.scope, &model.applyTo);
  model.Apply();
  return FillResult::Filled;
}

FillResult FillFade(CEditorDoc& doc, const FadeArgs& args) {
  FadeTool* tool = FadeOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  FadeDialogModel model(tool->settings);
  if (!Open(model, doc)) return FillResult::Filled;
  model.sliders.Show(FadeDialogModel::IDC_START_LEFT, args.startLeft);
  model.sliders.Show(FadeDialogModel::IDC_START_RIGHT, args.startRight);
  model.sliders.Show(FadeDialogModel::IDC_END_LEFT, args.endLeft);
  model.sliders.Show(FadeDialogModel::IDC_END_RIGHT, args.endRight);
  ChooseScope(args.scope, &model.applyTo);
  model.Apply();
  return FillResult::Filled;
}

namespace {

// Mute and Reverse: the two channel boxes.
template <class Settings>
FillResult AnswerChannelBoxes(Settings& settings, const CEditorDoc& doc,
                              const ChannelBoxArgs& args) {
  ChannelChoiceDialogModel<Settings> model(settings);
  if (!Open(model, doc)) return FillResult::Filled;
  model.leftChecked = args.left;
  model.rightChecked = args.right;
  ChooseScope(args.scope, &model.applyTo);
  model.Apply();
  return FillResult::Filled;
}

}  // namespace

FillResult FillMute(CEditorDoc& doc, const ChannelBoxArgs& args) {
  MuteTool* tool = MuteOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  return AnswerChannelBoxes(tool->settings, doc, args);
}

FillResult FillReverse(CEditorDoc& doc, const ChannelBoxArgs& args) {
  ReverseTool* tool = ReverseOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  return AnswerChannelBoxes(tool->settings, doc, args);
}

FillResult FillSwap(CEditorDoc& doc, const SwapArgs& args) {
  SwapTool* tool = SwapOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  SwapDialogModel model(tool->settings);
  if (!Open(model, doc)) return FillResult::Filled;
  ChooseScope(args.scope, &model.applyTo);
  model.Apply();
  return FillResult::Filled;
}

FillResult FillCopyChannel(CEditorDoc& doc, const CopyChannelArgs& args) {
  CopyChannelTool* tool = CopyChannelOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  CopyChannelDialogModel model(tool->settings);
  if (!Open(model, doc)) return FillResult::Filled;
  model.direction = args.leftToRight ? CopyChannelDialogModel::IDC_COPY_LEFT_TO_RIGHT
                                     : CopyChannelDialogModel::IDC_COPY_RIGHT_TO_LEFT;
  ChooseScope(args.scope, &model.applyTo);
  model.Apply();
  return FillResult::Filled;
}

FillResult FillEcho(CEditorDoc& doc, const EchoArgs& args) {
  EchoTool* tool = EchoOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  using M = EchoDialogModel;
  return AnswerPresetEffect<M>(tool->settings, doc, args.preset, args.scope, [&](M& model) {
    model.sliders.Show(M::IDC_INITIAL_LEFT, args.initialLeft);
    model.sliders.Show(M::IDC_INITIAL_RIGHT, args.initialRight);
    model.sliders.Show(M::IDC_ADDITIONAL_LEFT, args.additionalLeft);
    model.sliders.Show(M::IDC_ADDITIONAL_RIGHT, args.additionalRight);
    TypeDelay(model, M::IDC_DELAY_LEFT_TEXT, args.delayLeft);
    TypeDelay(model, M::IDC_DELAY_RIGHT_TEXT, args.delayRight);
  });
}

FillResult FillReverb(CEditorDoc& doc, const ReverbArgs& args) {
  ReverbTool* tool = ReverbOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  using M = ReverbDialogModel;
  return AnswerPresetEffect<M>(tool->settings, doc, args.preset, args.scope, [&](M& model) {
    model.sliders.Show(M::IDC_DRY_LEFT, args.dryLeft);
    model.sliders.Show(M::IDC_DRY_RIGHT, args.dryRight);
    model.sliders.Show(M::IDC_WET_LEFT, args.wetLeft);
    model.sliders.Show(M::IDC_WET_RIGHT, args.wetRight);
    TypeDelay(model, M::IDC_DELAY_LEFT_TEXT, args.delayLeft);
    TypeDelay(model, M::IDC_DELAY_RIGHT_TEXT, args.delayRight);
  });
}

FillResult FillMultiVoice(CEditorDoc& doc, const MultiVoiceArgs& args) {
  MultiVoiceTool* tool = MultiVoiceOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  using M = MultiVoiceDialogModel;
  return AnswerPresetEffect<M>(tool->settings, doc, args.preset, args.scope, [&](M& model) {
    model.sliders.Show(M::IDC_VOICES, args.voices);
    model.sliders.Show(M::IDC_INITIAL_LEFT, args.initialLeft);
    model.sliders.Show(M::IDC_INITIAL_RIGHT, args.initialRight);
    model.sliders.Show(M::IDC_WET_LEFT, args.wetLeft);
    model.sliders.Show(M::IDC_WET_RIGHT, args.wetRight);
    TypeDelay(model, M::IDC_DELAY_LEFT_TEXT, args.delayLeft);
    TypeDelay(model, M::IDC_DELAY_RIGHT_TEXT, args.delayRight);
  });
}

FillResult FillMixPaste(CEditorDoc& doc, const MixPasteArgs& args) {
  MixPasteTool* tool = MixPasteOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  using M = MixPasteDialogModel;
  M model(tool->settings);
  if (!Open(model, doc)) return FillResult::Filled;
  model.sliders.Show(M::IDC_DOCUMENT_LEFT, args.documentLeft);
  model.sliders.Show(M::IDC_DOCUMENT_RIGHT, args.documentRight);
  model.sliders.Show(M::IDC_CLIPBOARD_LEFT, args.clipboardLeft);
  model.sliders.Show(M::IDC_CLIPBOARD_RIGHT, args.clipboardRight);
  model.Apply();
  return FillResult::Filled;
}

FillResult FillChangeQuality(CEditorDoc& doc, const QualityArgs& args) {
  ChangeQualityTool* tool = ChangeQualityOf(doc);
  if (tool == nullptr) return FillResult::NotAvailable;
  ChangeQualityDialogModel model(tool->settings);
  if (!Open(model, doc)) return FillResult::Filled;
  const int rateIndex = ChoiceIndex(kSampleRateChoices, args.sampleRate);
  model.channelsIndex = ChoiceIndex(kChannelChoices, args.channels);
  model.resolutionIndex = ChoiceIndex(kResolutionChoices, args.bitsPerSample);
  model.sampleRateIndex = std::max(rateIndex, 0);
  model.Ok();
  // The dialog lists three rates; the batch tool takes any rate the
  // conversion handles.
  if (rateIndex < 0) tool->settings.newSampleRate = args.sampleRate;
  return FillResult::Filled;
}
