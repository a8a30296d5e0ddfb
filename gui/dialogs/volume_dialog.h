// "Adjust Volume Levels" and "Fade In/Out": per-channel percentage sliders
// (0-300) paired by "Lock Right and Left". The document's tool keeps the
// settings record, so the values come back at the next opening.
#pragma once

#include "gui/dialogs/tool_dialog.h"

class CVolumeDialog : public CToolDialog {
 public:
  explicit CVolumeDialog(VolumeSettings& settings, QWidget* parent = nullptr);
  // Sets the controls for `doc`; false after the "Sorry, ..." message for a
  // format no tool processes.
  bool Open(const CEditorDoc& doc);
  // Open and run modally; true when the user applied the dialog.
  bool Run(const CEditorDoc& doc);
  VolumeDialogModel& Model() { return model_; }

 private:
  void OnApply();
  VolumeDialogModel model_;
};

class CFadeDialog : public CToolDialog {
 public:
  explicit CFadeDialog(FadeSettings& settings, QWidget* parent = nullptr);
  bool Open(const CEditorDoc& doc);
  bool Run(const CEditorDoc& doc);
  FadeDialogModel& Model() { return model_; }

 private:
  void OnApply();
  FadeDialogModel model_;
};
