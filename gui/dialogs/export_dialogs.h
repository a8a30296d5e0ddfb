// The information dialogs of saving as MP3 ("MP3 Information" group, bit
// rate and ID3 tag texts) and as WMA ("WMA Information": quality and
// attribute texts). They mirror the export models of codecs/ into widgets
// and back; what they propose and what OK stores are the models' rules. The
// values live in the document's export settings, so reopening a dialog for
// the same document shows the last choice.
#pragma once

#include <QDialog>

#include "codecs/mp3_export.h"
#include "codecs/wma_export.h"

class QComboBox;
class QLineEdit;

class MP3Dialog : public QDialog {
  Q_OBJECT

 public:
  explicit MP3Dialog(Mp3ExportSettings& settings, QWidget* parent = nullptr);
  // Shows the settings in the controls.
  void Init();
  // Runs modally; OK stores the controls into the settings (applied 1),
  // anything else sets applied 0. Returns the OK answer.
  bool Run();

 public slots:
  void accept() override;
  void reject() override;

 private:
  Mp3DialogModel model_;
  QComboBox* bitRate_;
  QComboBox* genre_;
  QLineEdit* artist_;
  QLineEdit* title_;
  QLineEdit* album_;
  QLineEdit* comment_;
  QLineEdit* year_;
};

class CWmaDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CWmaDialog(WmaExportSettings& settings, QWidget* parent = nullptr);
  void Init();
  bool Run();

 public slots:
  void accept() override;
  void reject() override;

 private:
  WmaDialogModel model_;
  QComboBox* quality_;
  QComboBox* genre_;
  QLineEdit* artist_;
  QLineEdit* title_;
  QLineEdit* album_;
  QLineEdit* year_;
};
