// "I/O Device Settings" and "Temporary File Settings", the two dialogs of
// the Settings menu. They show and collect; what they propose and store are
// the rules of settings_rules.h.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class CEditorApp;
class QComboBox;
class QLabel;

// Browsing for a folder: true and the folder when one was chosen. The
// dialogs use CFolderDialog; tests put their own choice here.
using FolderChooser = std::function<bool(QWidget* parent, const QString& start, QString* folder)>;
FolderChooser DefaultFolderChooser();

class CIoDeviceSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  // The device names are the platform's wave input and output devices in
  // device order.
  CIoDeviceSettingsDialog(CEditorApp& app, std::vector<std::string> inputs,
                          std::vector<std::string> outputs, QWidget* parent = nullptr);
  // With the platform's devices.
  explicit CIoDeviceSettingsDialog(CEditorApp& app, QWidget* parent = nullptr);

  QComboBox* InputList() const { return inputs_; }
  QComboBox* OutputList() const { return outputs_; }

 public slots:
  void accept() override;

 private:
  CEditorApp& app_;
  QComboBox* inputs_;
  QComboBox* outputs_;
};

// The sunken folder text, its Browse button and the root-folder advice,
// shared by Temporary File Settings and Initialization Settings.
class CTempFolderField : public QWidget {
  Q_OBJECT

 public:
  CTempFolderField(const QString& folder, const char* explanation, QWidget* parent);
  QString Folder() const;
  void SetChooser(FolderChooser chooser) { chooser_ = std::move(chooser); }
  void Browse();

 private:
  QLabel* folder_;
  FolderChooser chooser_;
};

class CTempFileSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CTempFileSettingsDialog(CEditorApp& app, QWidget* parent = nullptr);
  CTempFolderField& Field() { return *field_; }

 public slots:
  void accept() override;

 private:
  CEditorApp& app_;
  CTempFolderField* field_;
};
