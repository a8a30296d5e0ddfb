// The first-run dialogs of the editor: "Initialization Page 1 of 2" (the
// welcome page with its links), then "Initialization Settings" (the temp
// folder and the licensee agreement), and "Temporary File Settings" when the
// configured temp folder cannot be used.
#pragma once

#include <QDialog>
#include <string>

#include "app/first_run.h"
#include "app/media_runtime.h"
#include "gui/dialogs/settings_dialogs.h"

class QPlainTextEdit;

class CInitPage1Dialog : public QDialog {
  Q_OBJECT

 public:
  explicit CInitPage1Dialog(QWidget* parent = nullptr);
};

// Has no Cancel button: only OK stores the record. Closing it any other way
// stores nothing.
class CInitSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  CInitSettingsDialog(CEditorApp& app, QWidget* parent = nullptr);
  CTempFolderField& Field() { return *field_; }

 public slots:
  void accept() override;

 private:
  CEditorApp& app_;
  CTempFolderField* field_;
};

class CQtFirstRunDialogs : public FirstRunDialogs {
 public:
  explicit CQtFirstRunDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void RunInitialization(CEditorApp& app) override;
  void RunTemporaryFileSettings(CEditorApp& app) override;

 private:
  QWidget* parent_;
};

// The first-run media step at start-up. When it fails the user is told with
// the "Windows Media Redistribution " dialog (or, without a screen, its text
// as a message) and start-up goes on. Returns the step's result.
bool RunMediaRuntimeStepWithNotice(const std::string& configPath, bool showDialog, QWidget* parent,
                                   const LibraryProbe& probe = LoadLibraryProbe);
