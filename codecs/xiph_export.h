// Saving a document as FLAC, Ogg Vorbis or Opus: the encoder run that streams
// the working audio through the export library loaded at run time
// ("AVExport.dll") into a file of the run folder before it replaces the
// user's file, as the MP3 export does. The tags are Vorbis comments taken
// from the same fields as the MP3 export's ID3 tag.
#pragma once

#include <array>
#include <string>

#include "engine/export_settings.h"
#include "engine/op_codes.h"
#include "engine/temp_audio_file.h"
#include "libs/av_export/av_export.h"

class Progress;

// The export library's four functions.
struct AudioExportApi {
  AvExportOpenFn open = nullptr;
  AvExportWriteFn write = nullptr;
  AvExportFinishFn finish = nullptr;
  AvExportCloseFn close = nullptr;
};

enum class XiphType { Flac, Ogg, Opus };

// The ranges the dialogs and the batch tool offer.
inline constexpr int kFlacLevelMin = 0, kFlacLevelMax = 8;
inline constexpr int kOggQualityMin = 0, kOggQualityMax = 10;
inline constexpr int kOpusKbpsMin = 64, kOpusKbpsMax = 256;

struct XiphExportJob {
  XiphType type = XiphType::Flac;
  TempAudioFile* work = nullptr;     // mapped for reading
  TempAudioFile* scratch = nullptr;  // slot A: the 16-bit copy of 8-bit audio
  std::string target;                // the user's file
  std::string tempFolder;            // the run folder
  XiphExportSettings settings;
  Mp3ExportSettings tags;                   // title, artist, album, year, comment, genre
  const AudioExportApi* encoder = nullptr;  // replaces the loaded library (tests)
};

// Encodes the working audio (8-bit audio is widened to 16 bits in the scratch
// slot first) and puts the file in place of the target. OP_DONE;
// OP_CANCELLED; OP_FAILED after its message. Whatever the result, no
// temporary file is left, except after a failed final move, whose message
// names the finished file, and the target is untouched unless the file was
// written whole.
OpResult EncodeToXiph(const XiphExportJob& job, Progress& progress);

// The document operations WRITE_FLAC_FILE, WRITE_OGG_FILE and WRITE_OPUS_FILE:
// the export dialog, then the encoder run into the document's path.
class CEditorDoc;
OpResult WriteFlacFile(CEditorDoc& doc, Progress& progress);
OpResult WriteOggFile(CEditorDoc& doc, Progress& progress);
OpResult WriteOpusFile(CEditorDoc& doc, Progress& progress);
