// The batch tool's progress host: runs each operation at once and, when
// standard error is a terminal, keeps a one-line bar with the operation's
// caption and percentage there. An interrupt (Ctrl+C, SIGTERM) is the
// cancel button: the running operation stops at its next check and leaves
// the document as it was.
#pragma once

#include <string>
#include <string_view>

#include "engine/progress.h"

// Routes SIGINT and SIGTERM to InterruptRequested() instead of ending the
// process, so the run folder is always cleaned up.
void InstallInterruptHandlers();
bool InterruptRequested();

class TerminalProgress : public PercentProgress, public OperationHost {
 public:
  // The bar is drawn on `fd` only when it is a terminal.
  explicit TerminalProgress(int fd);

  OpResult Run(OpCode code, const Operation& operation) override;
  void SetCaption(std::string_view text) override;
  bool IsCancelled() const override;
  void DisableCancel() override { cancelDisabled_ = true; }

  // Removes the bar from the screen so a message can take the line; the
  // next percentage draws it again.
  void ClearLine();

 protected:
  void OnPercentChanged(int percent) override;

 private:
  void Draw(int percent);

  int fd_;
  bool show_;
  bool drawn_ = false;
  bool cancelDisabled_ = false;
  std::string caption_;
};
