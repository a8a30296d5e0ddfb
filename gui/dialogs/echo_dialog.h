// "Echo / Delay Effect", "Reverb Effect" and "Multi Voice Effect": slider
// pairs, delay boxes the user may type into, and the preset list with its
// file beside the program. The document's tool keeps the settings record
// and the preset table.
#pragma once

#include <vector>

#include "gui/dialogs/tool_dialog.h"

// The controls and reactions the three effects share.
template <class Model, class Settings>
class CPresetEffectDialog : public CToolDialog {
 public:
  // Loads the preset list and sets the controls for `doc`; false after the
  // "Sorry, ..." message for a format no tool processes.
  bool Open(const CEditorDoc& doc);
  // Open and run modally; true when the user applied the dialog.
  bool Run(const CEditorDoc& doc);
  Model& EffectModel() { return model_; }

 protected:
  CPresetEffectDialog(int resourceId, const char* title, Settings& settings, QWidget* parent);
  // Lays the dialog out: "Apply To:" and the lock box on top, `groups` in
  // the left column, the presets on the right, Apply and Cancel below.
  void Build(const std::vector<QWidget*>& groups, int applyId);
  Model model_;

 private:
  void ShowModel();
  void OnApply();
};

class CEchoDialog : public CPresetEffectDialog<EchoDialogModel, EchoSettings> {
 public:
  explicit CEchoDialog(EchoSettings& settings, QWidget* parent = nullptr);
};

class CReverbDialog : public CPresetEffectDialog<ReverbDialogModel, ReverbSettings> {
 public:
  explicit CReverbDialog(ReverbSettings& settings, QWidget* parent = nullptr);
};

class CMultiVoiceDialog : public CPresetEffectDialog<MultiVoiceDialogModel, MultiVoiceSettings> {
 public:
  explicit CMultiVoiceDialog(MultiVoiceSettings& settings, QWidget* parent = nullptr);
};
