// "Mix Paste Clipboard": the document's and the clipboard's levels per
// channel, each pair tied by "Lock Right and Left". The levels persist in the
// document's tool between uses.
#pragma once

#include "gui/dialogs/tool_dialog.h"

class CMixPasteDialog : public CToolDialog {
 public:
  explicit CMixPasteDialog(MixPasteSettings& settings, QWidget* parent = nullptr);
  // Sets the controls for `doc`; false after the "Sorry, ..." message for a
  // format no tool processes.
  bool Open(const CEditorDoc& doc);
  // Open and run modally; true when the user applied the dialog.
  bool Run(const CEditorDoc& doc);
  MixPasteDialogModel& Model() { return model_; }

 private:
  void OnApply();
  MixPasteDialogModel model_;
};
