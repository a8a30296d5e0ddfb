// The document's two compressed save operations, WRITE_MP3_FILE and
// WRITE_WMA_FILE: the export dialog, then the encoder run over the working
// audio into the document's path.
#pragma once

#include "engine/op_codes.h"

class CEditorDoc;
class Progress;

// OP_DONE for every finished run, including one that failed after its
// message (the failure has been reported and the document is unchanged);
// OP_CANCELLED when the dialog was cancelled or the run was; OP_FAILED only
// when scratch slot B could not be cleaned up after a cancel.
OpResult WriteMp3File(CEditorDoc& doc, Progress& progress);
OpResult WriteWmaFile(CEditorDoc& doc, Progress& progress);
