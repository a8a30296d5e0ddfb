#include "engine/operation_runner.h"

#include "engine/op_codes.h"
#include "platform/message.h"

OpResult RunDocumentOperation(OpCode code, const OperationRunContext& context) {
  if (OperationHasParameterDialog(code) && context.dialogs != nullptr &&
      !context.dialogs->RunParameterDialog(code)) {
    context.operationInProgress = 0;
    return OP_CANCELLED;
  }

  OpResult result = OP_PENDING;
  {
    // Whatever the operation and its layers report, with the runner's own
    // word on the result, reaches the user as one message.
    const platform::MessageGroup oneReport;
    const OperationInProgressScope running(context.operationInProgress);
    result = context.host.Run(code, [&](Progress& progress) {
      return context.dispatch ? context.dispatch(code, progress) : OP_PENDING;
    });
    if (context.result != nullptr) *context.result = result;
    if (result == OP_FAILED) platform::ShowMessage("OEC: Operation failed");
    if (result == OP_CANCELLED) {
      platform::ShowMessage("User cancelled the operation.", platform::MessageIcon::Information);
    }
  }

  // A new change discards the redo history; undo and redo walk it. A run
  // that was cancelled, failed or ran nothing changed nothing, so the
  // history stays.
  const bool changedNothing = result == OP_CANCELLED || result == OP_FAILED || result == OP_PENDING;
  if (code != OP_UNDO && code != OP_REDO && !changedNothing) context.redoCount = 0;
  return OP_DONE;
}
