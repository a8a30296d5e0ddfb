// "New File Audio Quality" (the format of a new empty document) and "Change
// Current Audio Quality" (the format the whole document is converted into):
// three drop-down lists each, index 0 chosen at every opening.
#pragma once

#include "gui/dialogs/tool_dialog.h"

class QComboBox;
class QLabel;

class CNewFileQualityDialog : public QDialog {
 public:
  explicit CNewFileQualityDialog(QWidget* parent = nullptr);
  // Selects the first entry of every list.
  void Open();
  // Open and run modally; on OK stores the chosen format in `format`.
  bool Run(AudioFormat* format);
  // The format the lists show now.
  AudioFormat Chosen() const;

 private:
  NewFileQualityModel model_;
  QComboBox* channels_;
  QComboBox* sampleRate_;
  QComboBox* resolution_;
};

class CChangeQualityDialog : public CToolDialog {
 public:
  explicit CChangeQualityDialog(ChangeQualitySettings& settings, QWidget* parent = nullptr);
  // Shows the document's format; false after the "Sorry, ..." message for a
  // format no tool processes.
  bool Open(const CEditorDoc& doc);
  // Open and run modally; true when the user chose OK.
  bool Run(const CEditorDoc& doc);
  ChangeQualityDialogModel& Model() { return model_; }

 private:
  void OnOk();
  ChangeQualityDialogModel model_;
  QLabel* currentChannels_;
  QLabel* currentRate_;
  QLabel* currentBits_;
  QComboBox* channels_;
  QComboBox* sampleRate_;
  QComboBox* resolution_;
};
