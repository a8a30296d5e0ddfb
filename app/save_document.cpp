#include "app/save_document.h"

#include "app/command_table.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "platform/message.h"

SaveResult SaveDocumentAs(CEditorDoc& doc, const std::string& path) {
  SaveResult result;
  result.writer = WriterForPath(path);
  if (result.writer == OpCode{}) {
    if (const std::string refusal = UnsavableExtensionMessage(path); !refusal.empty()) {
      platform::ShowMessage(refusal);
    }
    return result;
  }
  const std::string previous = doc.Path();
  doc.SetPath(path);
  result.runResult = doc.DocRunOperation(result.writer);
  // A run that never started leaves the last operation's result behind, so
  // only a run that went ahead can have written the file.
  result.saved = result.runResult != OP_CANCELLED && doc.LastResult() == OP_DONE;
  if (result.saved) {
    doc.MarkSaved();
    doc.journal.Record(doc);  // no longer modified
  } else {
    doc.SetPath(previous);
  }
  return result;
}
