// One element of a document's undo or redo ring: the audio a change removed
// or overwrote (not a snapshot of the document), the operation it belongs
// to, and the PCM and peak ranges it refers to.
#pragma once

#include <cstdint>

#include "engine/temp_audio_file.h"

struct UndoEntry {
  TempAudioFile slot;
  OpCode operation{};  // OP_CUT, OP_PASTE_INSERT, OP_PASTE_OVER or OP_REPLACE
  int32_t extend = 0;  // paste over: 1 when the paste ran past the old end
  uint32_t pcmStart = 0, pcmEnd = 0;
  uint32_t peakStart = 0, peakEnd = 0;
};

inline constexpr int kUndoLevels = 4;
