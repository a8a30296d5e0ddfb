// The program's single modal progress dialog. It opens for one operation,
// starts it from a one-shot timer once it is showing, shows the caption and
// the whole-number percentage, and lets the user ask to cancel; the
// operation polls for that and returns. Events are pumped from Step, at most
// every few milliseconds, so a fast loop does not spend its time pumping.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include "engine/progress.h"

class QLabel;
class QProgressBar;
class QPushButton;
class CEditorApp;

class CProgressDialog : public QDialog, public PercentProgress, public OperationHost {
  Q_OBJECT

 public:
  CProgressDialog(CEditorApp& app, QWidget* parent = nullptr);

  // OperationHost: shows the dialog modally and runs `operation` from its
  // first timer tick; returns the result field.
  OpResult Run(OpCode code, const Operation& operation) override;

  void SetOperation(OpCode code) { operation_ = code; }
  OpResult GetResult() const { return result_; }

  // Progress.
  void SetCaption(std::string_view text) override;
  bool IsCancelled() const override;
  void DisableCancel() override;

  // Out of sight while the operation asks the user something before its
  // work starts (the MP3 and WMA information dialogs), so the question does
  // not come up over an empty progress box; back once it is answered.
  void StepAside(bool aside);

  // Delay of the starting tick (100 ms in the editor; tests shorten it).
  void SetStartDelay(int milliseconds) { startDelay_ = milliseconds; }
  // Longest time between two event pumps from Step.
  static constexpr int kPumpIntervalMs = 15;

 protected:
  // Throttles: pumps only when kPumpIntervalMs have passed since the last.
  void PumpEvents() override;
  // One pump: the pending events, painting included.
  virtual void ProcessPendingEvents();
  void OnPercentChanged(int percent) override;
  void reject() override;  // Esc or closing: the same as Cancel

 private:
  void OnTimer();
  void OnCancel();

  CEditorApp& app_;
  QProgressBar* bar_;
  QPushButton* cancel_;
  QLabel* caption_;
  QLabel* percent_;
  QTimer timer_;
  QElapsedTimer sincePump_;
  const Operation* running_ = nullptr;
  OpCode operation_{};
  OpResult result_ = OP_PENDING;
  bool inOperation_ = false;
  int startDelay_ = 100;
};
