// The scratch slots an operation writes its pieces into. Every slot an
// operation has started to write is cleaned up when the operation ends,
// whichever way it ends, so no scratch file outlives it; a slot whose audio
// was handed on (committed, stored for undo, moved to the clipboard) is
// already empty and its clean-up costs nothing.
#pragma once

#include <vector>

#include "engine/op_codes.h"
#include "engine/temp_audio_file.h"

class CEditorDoc;

class ScratchSlots {
 public:
  // `routine` names the operation in the messages of failed clean-ups
  // ("UserOpCut: Failed to cleanup temp file B").
  ScratchSlots(const CEditorDoc& doc, const char* routine) : doc_(doc), routine_(routine) {}
  // Cleans up whatever Finish did not: an exit without a result.
  ~ScratchSlots() { (void)Finish(OP_FAILED); }
  ScratchSlots(const ScratchSlots&) = delete;
  ScratchSlots& operator=(const ScratchSlots&) = delete;

  // `slot` (one of the document's scratch slots A-D) is about to be written.
  TempAudioFile* Use(TempAudioFile* slot);

  // Cleans up the slots in the order they were first used, each failure
  // after its message; `result`, or OP_FAILED when a clean-up failed.
  OpResult Finish(OpResult result);

 private:
  char Letter(const TempAudioFile* slot) const;

  const CEditorDoc& doc_;
  const char* routine_;
  std::vector<TempAudioFile*> slots_;
};
