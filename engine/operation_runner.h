// The one way every operation on a document runs: the tool's parameter
// dialog first (for tools), then the program's progress host, then the
// closing message for a failed or cancelled run.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/op_codes.h"
#include "engine/progress.h"

// Runs a tool's parameter dialog for the document; true when the user
// applied it. The editor shows the dialog; the batch tool and the tests have
// already filled the tool's settings record.
class ToolParameterDialogs {
 public:
  virtual ~ToolParameterDialogs() = default;
  virtual bool RunParameterDialog(OpCode code) = 0;
};

// Marks an operation as running for as long as it lives: sets the
// application's flag on entry and gives it back its earlier value on exit,
// so a run nested in another (opening a document runs several) leaves the
// outer one marked.
class OperationInProgressScope {
 public:
  explicit OperationInProgressScope(int& flag) : flag_(flag), outer_(flag) { flag_ = 1; }
  ~OperationInProgressScope() { flag_ = outer_; }
  OperationInProgressScope(const OperationInProgressScope&) = delete;
  OperationInProgressScope& operator=(const OperationInProgressScope&) = delete;

 private:
  int& flag_;
  const int outer_;
};

struct OperationRunContext {
  OperationHost& host;
  int& operationInProgress;                 // the application's flag: 1 while an operation runs
  int16_t& redoCount;                       // the document's redo count
  ToolParameterDialogs* dialogs = nullptr;  // none: every tool counts as applied
  // Starts the operation named by `code`; returns OP_DONE, OP_CANCELLED or
  // OP_FAILED. A code it does not know returns OP_PENDING (nothing ran).
  std::function<OpResult(OpCode code, Progress& progress)> dispatch;
  // Receives the host's result field of the run, when given.
  OpResult* result = nullptr;
};

// Returns OP_DONE once the progress host has run (the run's own result goes
// to `context.result`), OP_CANCELLED when the tool's parameter dialog was
// closed without applying.
OpResult RunDocumentOperation(OpCode code, const OperationRunContext& context);
