// Save and Save As without a window: the writer follows the target's
// extension and the document is renamed only when its file was written.
// The main frame adds its file dialog, title and recent-file list; the batch
// tool adds its export options.
#pragma once

#include <string>

#include "engine/op_codes.h"

class CEditorDoc;

struct SaveResult {
  // The writer operation that ran; none: the path names no type, nothing
  // ran (and a path with an extension the editor cannot save was refused
  // with its message).
  OpCode writer{};
  OpResult runResult = OP_PENDING;  // what the writer's DocRunOperation returned
  bool saved = false;               // the file was written and the document now carries `path`
};

// Writes `doc` to `path` with the writer its extension names; any other
// extension is refused with a message and nothing is written. The writers
// write to the document's own path, so the document takes `path` for the
// run; when the writer fails or is cancelled it gets its previous path back
// and stays named after the file it still belongs to. A saved document has
// no unsaved changes any more.
SaveResult SaveDocumentAs(CEditorDoc& doc, const std::string& path);
