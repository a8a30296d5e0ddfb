// The question at start-up when editors that died left documents behind:
// the list (title, original path, length, format, last change) with a check
// box per document, and Recover, Discard, Decide Later. The dialog only
// shows the rows and collects the answer; what each answer does is
// app/document_recovery's.
#pragma once

#include <QDialog>
#include <vector>

#include "app/document_recovery.h"

class QTreeWidget;
class QPushButton;

class CRecoveryDialog : public QDialog {
  Q_OBJECT

 public:
  enum class Decision { Recover, Discard, DecideLater };

  explicit CRecoveryDialog(const std::vector<RecoveryRow>& rows, QWidget* parent = nullptr);

  Decision GetDecision() const { return decision_; }
  // Indices into the rows of the documents checked when Recover was pressed.
  std::vector<size_t> CheckedRows() const;

  // Object names of the controls, for tests.
  static constexpr const char* kList = "recoveryList";
  static constexpr const char* kRecover = "recoverButton";
  static constexpr const char* kDiscard = "discardButton";
  static constexpr const char* kDecideLater = "decideLaterButton";

 private:
  void UpdateButtons();

  QTreeWidget* list_;
  QPushButton* recover_;
  Decision decision_ = Decision::DecideLater;
};

class CEditorApp;
class CMainFrame;

// Looks for documents that editors which died left behind and, when there
// are any, asks the user and carries out the answer: recovered documents
// open in windows of their own, named "<title> (recovered)".
void OfferRecovery(CEditorApp& app, CMainFrame& frame);
