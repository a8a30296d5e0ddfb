// The one way every operation on a document runs: the tool's parameter
// dialog first (for tools), then the program's progress host, then the
// closing message for a failed or cancelled run.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/progress.h"

// Runs a tool's parameter dialog for the document; true when the user
// applied it. The editor shows the dialog; the batch tool and the tests have
// already filled the tool's settings record.
class ToolParameterDialogs {
 public:
  virtual ~ToolParameterDialogs() = default;
  virtual bool RunParameterDialog(int code) = 0;
};

struct OperationRunContext {
  OperationHost& host;
  int& operationInProgress;                 // the application's flag: 1 while an operation runs
  int16_t& redoCount;                       // the document's redo count
  ToolParameterDialogs* dialogs = nullptr;  // none: every tool counts as applied
  // Starts the operation named by `code`; returns OP_DONE, OP_CANCELLED or
  // OP_FAILED. A code it does not know returns OP_PENDING (nothing ran).
  std::function<int(int code, Progress& progress)> dispatch;
  // Receives the host's result field of the run, when given.
  int* result = nullptr;
};

// Returns 1 when the progress host ran, OP_CANCELLED when the tool's
// parameter dialog was closed without applying.
int RunDocumentOperation(int code, const OperationRunContext& context);
