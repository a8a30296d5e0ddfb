// The document's two compressed save operations, WRITE_MP3_FILE and
// WRITE_WMA_FILE: the export dialog, then the encoder run over the working
// audio into the document's path.
#pragma once

#include "engine/op_codes.h"

class CEditorDoc;
class Progress;

// OP_DONE when the file was written; OP_FAILED after its message when it
// was not (or when scratch slot B could not be cleaned up after a cancel),
// so that the document keeps its name; OP_CANCELLED when the dialog was
// cancelled or the run was.
OpResult WriteMp3File(CEditorDoc& doc, Progress& progress);
OpResult WriteWmaFile(CEditorDoc& doc, Progress& progress);
