// "PCM Audio Import": asks for the format of a headerless file. The dialog
// only shows and collects; what it proposes and what OK stores are the
// rules of pcm_import.h. The application keeps one instance, so the box of
// "User Specified (in Hz):" keeps its text between imports.
#pragma once

#include <QDialog>

#include "engine/pcm_import.h"

class QLineEdit;
class QRadioButton;

class CPcmImportDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CPcmImportDialog(QWidget* parent = nullptr);

  // Shows the controls for `settings`.
  void Init(const PcmImportSettings& settings);
  // What the controls say now.
  PcmImportDialogState State() const;
  // Runs the dialog modally; on OK stores the chosen format in `settings`.
  bool Run(PcmImportSettings* settings);

 private:
  QRadioButton* mono_;
  QRadioButton* stereo_;
  QRadioButton* bits8_;
  QRadioButton* bits16_;
  QRadioButton* hz11025_;
  QRadioButton* hz22050_;
  QRadioButton* hz44100_;
  QRadioButton* userRate_;
  QLineEdit* rateEdit_;
};
