// The one import routine for every audio file the editor has no reader of
// its own for (OP_IMPORT_AUDIO): FLAC, Ogg Vorbis, Opus, AAC/M4A, ALAC,
// AIFF/AIFC, CAF, and the WAV files its own reader refuses. The decoding is
// done by the import library loaded at run time ("AVImport.dll"); this side
// writes the 16-bit samples into the document's working file with progress
// and cancel, and tells the user what was changed on the way in.
#pragma once

#include <cstdint>
#include <string>

#include "engine/op_codes.h"
#include "libs/av_import/av_import.h"

class CEditorDoc;
class Progress;

// The import library's three functions.
struct AudioImportApi {
  AvImportOpenFn open = nullptr;
  AvImportReadFn read = nullptr;
  AvImportCloseFn close = nullptr;
};

// The operation: OP_DONE with the document's format and working file set;
// OP_CANCELLED when the run was cancelled or the user did not want the part
// of a damaged file that could be read; OP_FAILED after a message naming
// the file and what was wrong. Nothing is left in the working file but what
// the document adopts. `api` replaces the loaded library (tests).
OpResult ImportAudio(CEditorDoc& doc, Progress& progress, const AudioImportApi* api = nullptr);
