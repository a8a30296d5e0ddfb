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
#include "codecs/xiph_export.h"

class QComboBox;
class QLineEdit;
class QSpinBox;

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

// "FLAC Information", "Ogg Vorbis Information", "Opus Information": the
// type's own setting (compression level, quality or bit rate) above the same
// tag fields as the MP3 dialog, whose values they share.
class CXiphDialog : public QDialog {
  Q_OBJECT

 public:
  // Object names of the setting box; the tag boxes have the MP3 dialog's.
  static constexpr int IDC_SETTING = 1230;

  CXiphDialog(XiphType type, XiphExportSettings& settings, Mp3ExportSettings& tags,
              QWidget* parent = nullptr);
  void Init();
  // Runs modally; OK stores the setting and the tags (applied 1), anything
  // else sets applied 0. Returns the OK answer.
  bool Run();

 public slots:
  void accept() override;
  void reject() override;

 private:
  XiphType type_;
  XiphExportSettings& settings_;
  Mp3DialogModel tags_;
  QSpinBox* setting_;
  QComboBox* genre_;
  QLineEdit* artist_;
  QLineEdit* title_;
  QLineEdit* album_;
  QLineEdit* comment_;
  QLineEdit* year_;
};
